#pragma once
// CSaveMgr: save games and checkpoints. One file per save in "save\", with a
// thumbnail bitmap beside it: a header, the managers' sections in one fixed
// order (the step table in SaveMgr.cpp), then the final data.
//
// A save never destroys a good save: the file is written under a temporary
// name in the same folder, flushed, and renamed over the old one only when
// every write succeeded. A load validates the file before it changes
// anything; once it has torn the running game down, a failed section ends in
// a fresh start of the saved world with a console line, never a half-read game.
//
// The members live in SaveMgr.cpp (saving, loading, the sections, the screen
// after a load) and SaveMgrFiles.cpp (the save list, checkpoints, the
// thumbnail and the notice).

#include "platform/win32/WinTypes.h"
#include "render/Surface.h"
#include "shell/Mouse.h"

#include <cstddef>
#include <cstdio>

// One listed save file (the menu's Load page).
struct SaveFileRecord
{
    char path[256];          // "save\" and the file name
    char thumbnailPath[256]; // the path with ".bmp" in place of ".sav"
    char name[40];           // the file name without ".sav" (cut to fit)
    char description[40];    // the header's description (cut to fit)
    char dateText[40];
    char difficultyText[40];
    SYSTEMTIME time;
    SaveFileRecord* next;
    SaveFileRecord* prev;
};

// One section of a save: its console name and its writer and reader.
struct SaveSection
{
    const char* name;
    bool (*save)(FILE* file);
    bool (*load)(FILE* file);
};

// What a save file's header holds.
struct SaveHeader
{
    DWORD version = 0;
    DWORD difficulty = 0;
    char world[256] = {};
    char description[128] = {};
    SYSTEMTIME time = {};
};

class CSaveMgr
{
public:
    static constexpr DWORD SAVE_VERSION = 20;
    static constexpr int MAX_CHECKPOINTS = 1000;
    static constexpr const char* SAVE_FOLDER = "save\\";
    static constexpr const char* QUICK_DESCRIPTION = "Quick save";
    static constexpr UINT THUMBNAIL_WIDTH = 640;
    static constexpr UINT THUMBNAIL_HEIGHT = 480;
    // The screen after a load waits for this key command (fire).
    static constexpr int CMD_CONTINUE = 19;
    static constexpr DWORD TIME_SINCE_LOAD_FROM_FRAME = 4;

    CSaveMgr() = default;
    virtual ~CSaveMgr();
    CSaveMgr(const CSaveMgr&) = delete;
    CSaveMgr& operator=(const CSaveMgr&) = delete;

    // ---- Save games ------------------------------------------------------------------
    // False when nothing was saved (refused, or a write failed: the old file stays).
    bool SaveGame(const char* name, bool quick, const char* description);
    // False when the load failed; see the file comment for what is left then.
    bool LoadGame(const char* name);
    // A ".sav" of that name opens and holds this version.
    bool CheckSaveFile(const char* name);
    // Reads the header of a save file; false (and a console line) when it
    // cannot be opened or read. The version is not checked here.
    static bool ReadHeader(const char* path, SaveHeader* header);
    static void SavePath(const char* name, char* out, size_t size);

    // ---- The save list ---------------------------------------------------------------
    int BuildFileList();
    void ClearFileList();

    // ---- Checkpoints ----------------------------------------------------------------
    void SaveCheckpoint();
    void LoadLastCheckpoint();
    void DoPendingCheckpoint();
    // The mission command and the object action ask for a checkpoint; it is
    // written once no letterbox, cut-scene or kill camera holds the view.
    void RequestCheckpoint() { pendingCheckpoint = 1; }
    // The name of the valid checkpoint written last (by its header's time,
    // the higher number on a tie); false when there is none.
    bool FindLastCheckpoint(char* name, size_t size);

    // ---- Frame ----------------------------------------------------------------------
    void Update();
    void UpdateScreen();
    void RenderScreen();
    void ResetFlags();

    // ---- Thumbnail and notice ----------------------------------------------------------
    void CaptureThumbnail();
    void ReleaseThumbnail();
    void ShowNotice(bool loading);

    // The sections in file order, for the tests that pin it.
    static const SaveSection* Sections(size_t& count);

    // ---- State ------------------------------------------------------------------------
    DWORD version = SAVE_VERSION;
    BYTE saveScreen = 0; // the screen after a load is up
    DWORD highestNumber = 0;
    BYTE pendingCheckpoint = 0;
    BYTE loadingWorld = 0;
    EMouseState mouseState;
    BYTE loadInProgress = 0;
    BYTE saveInProgress = 0;
    BYTE m_bLoadedFromSave = 0; // the level was restored from a save game
    float timeSinceLoad = 0.0f;
    DWORD m_iFramesSinceLevelStart = 0;
    SaveFileRecord* m_pFileList = nullptr;
    ESurface thumbnail;
    BYTE m_bThumbnail = 0; // the thumbnail holds a captured screen

private:
    bool WriteSaveFile(const char* path, const char* description);
    bool ReadSections(FILE* file, const char* path);
    bool LoadFinalData(FILE* file);
    void FailAfterTearDown(const char* world);
    void ClearGameForLoad();
    void FinishLoad();
    void AddRecord(SaveFileRecord* record);
    void SortFileList();
};

extern CSaveMgr g_SaveMgr;
