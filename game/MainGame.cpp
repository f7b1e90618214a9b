// STAND-IN: see MainGame.h.
#include "game/MainGame.h"

#include "shell/CommandMgr.h"
#include "shell/GameOptions.h"
#include "world/Engine.h"

CMainGame g_MainGame;

void CMainGame::Init()
{
    m_bWorldActive = 0;
    g_CommandMgr.LoadKeys();
    g_Engine.RequestWorldChange(g_Options.runworld);
}

void CMainGame::Update()
{
    // A loaded world runs as a level from its first update.
    m_bWorldActive = g_Engine.m_bWorldLoaded;
    ++m_iLevelFrame;
    ++m_iFramesSinceLetterbox;
}
