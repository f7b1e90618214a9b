#pragma once
// CSaveMgr: save games and checkpoints.
// STAND-IN: the flags and the counter the game layer keeps and reads; nothing
// is saved. The save-game work replaces it.

#include "platform/win32/WinTypes.h"

// STAND-IN: one save game of the list the menu's Load page shows; the
// save-game work brings the real record with the list it builds.
struct SaveFileRecord
{
    char path[256];
    char thumbnailPath[256];
    char name[40];
    char description[40];
    char dateText[40];
    char difficultyText[40];
    SYSTEMTIME time;
    SaveFileRecord* next;
    SaveFileRecord* prev;
};

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

    // STAND-IN: the save list and the load and save calls the menu uses; the
    // save-game work brings them. Until then the list stays empty, so the
    // menu's Load is disabled, and nothing is loaded or saved.
    SaveFileRecord* m_pFileList = nullptr;
    DWORD highestNumber = 0;
    int BuildFileList() { return 0; }
    void ClearFileList() {}
    bool CheckSaveFile(const char*) { return false; }
    bool LoadGame(const char*) { return false; }
    bool SaveGame(const char*, bool, const char*) { return false; }
};

inline CSaveMgr g_SaveMgr;
