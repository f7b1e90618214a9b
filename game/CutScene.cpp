// STAND-IN: see CutScene.h.
#include "game/CutScene.h"

#include <cstdio>

CCutScene g_CutScene;

void CCutScene::Start(const char* name)
{
    std::snprintf(m_szRequested, sizeof m_szRequested, "%s", name ? name : "");
}
