#pragma once
// CSaveMgr: save games and checkpoints.
// STAND-IN: the flags and the counter the game layer keeps and reads; nothing
// is saved. The save-game work replaces it.

#include "platform/win32/WinTypes.h"

class CSaveMgr
{
public:
    virtual ~CSaveMgr() = default;
    void ResetFlags() {}
    void Update() {}
    // The save screen's frame and drawing, while it is up.
    void UpdateScreen() {}
    void RenderScreen() {}

    BYTE m_bLoadedFromSave = 0; // the level was restored from a save game
    BYTE loadInProgress = 0;    // a save game is being read
    BYTE m_bScreenUp = 0;       // the save screen is up
    DWORD m_iFramesSinceLevelStart = 0;
};

inline CSaveMgr g_SaveMgr;
