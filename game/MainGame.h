#pragma once
// CMainGame: the game layer over the engine.
// STAND-IN: only what the frame loop calls; the game-flow work replaces it.

#include "platform/win32/WinTypes.h"

class CMainGame
{
public:
    virtual ~CMainGame() = default;
    // Once after the device exists: starts "runworld" (the menu comes later).
    void Init();
    void PreUpdate() {}
    void Update();
    void PreRender() {}
    void Render() {}
    void Release() {}

    BYTE m_bWorldActive = 0; // a level runs: the frame is rendered
    DWORD m_iLevelFrame = 0;
    // STAND-IN: the game-flow work keeps these; the mouse poll and the
    // launcher read them.
    DWORD m_iFramesSinceLetterbox = 0; // game updates since the letterbox view ended
    static constexpr int MAX_LEVEL_NAMES = 16;
    static constexpr int LEVEL_NAME_CHARS = 512;
    char m_szLevelNames[MAX_LEVEL_NAMES][LEVEL_NAME_CHARS] = {}; // the launcher takes entry 0
};

extern CMainGame g_MainGame;
