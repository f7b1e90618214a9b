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
    // Level start after a world is read, and its release at the world reset.
    void InitLevel() {}
    void ReleaseLevel() {}
    void StopMusic() {}
    // Key presses that neither the console nor the menu took.
    void OnKeyDown(WPARAM key) { m_LastKeyDown = key; }
    void OnKeyUp(WPARAM key) { m_LastKeyUp = key; }

    BYTE m_bWorldActive = 0; // a level runs: the frame is rendered
    DWORD m_iLevelFrame = 0;
    WPARAM m_LastKeyDown = 0; // the last key press the game took
    WPARAM m_LastKeyUp = 0;
    // STAND-IN: the game-flow work keeps these; the mouse poll and the
    // launcher read them.
    DWORD m_iFramesSinceLetterbox = 0; // game updates since the letterbox view ended
    static constexpr int MAX_LEVEL_NAMES = 16;
    static constexpr int LEVEL_NAME_CHARS = 512;
    char m_szLevelNames[MAX_LEVEL_NAMES][LEVEL_NAME_CHARS] = {}; // the launcher takes entry 0
};

extern CMainGame g_MainGame;
