// STAND-IN: see BezierCamera.h.
#include "game/BezierCamera.h"

#include <cstdio>

CBezierCamera g_BezierCamera;

void CBezierCamera::Start(const char* name)
{
    std::snprintf(m_szRequested, sizeof m_szRequested, "%s", name ? name : "");
}
