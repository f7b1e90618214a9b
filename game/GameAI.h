#pragma once
// GameAI: the level-script system. It owns the named script variables, the
// blackboard that level scripts, mission scripts, object actions, bezier nodes,
// character phases, the HUD, the music and the game layer read and write.
//
// Names are compared with the first character exactly and the rest without
// regard to case (ASCII letters folded). Names longer than a record holds are
// cut to NAME_SIZE - 1 characters before every lookup, so a long name always
// finds the record it made.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstdio>

// One named script variable; the list keeps the newest first.
struct strzmienne
{
    static constexpr int NAME_SIZE = 64;
    enum : DWORD
    {
        TYPE_BOOL = 0,
        TYPE_COUNTER = 1,
        TYPE_INT = 2,
    };

    char name[NAME_SIZE] = {};
    DWORD type = TYPE_BOOL;
    BYTE isSet = 0;
    float seconds = 0.0f;
    int value = 0;
    HOBJECT setBy = nullptr;
    HOBJECT unsetBy = nullptr;
    strzmienne* older = nullptr;
    strzmienne* newer = nullptr;
};

class GameAI
{
public:
    static constexpr int MAX_VARIABLE_CACHE = 256;
    // "!variables.txt" stops growing here (one console line says so).
    static constexpr long MAX_VARIABLE_REPORT_BYTES = 4L * 1024 * 1024;

    GameAI() = default;
    GameAI(const GameAI&) = delete;
    GameAI& operator=(const GameAI&) = delete;
    virtual ~GameAI();

    // ---- Variables -------------------------------------------------------------
    strzmienne* FindVariable(const char* name);
    // False for a missing or empty name, a missing variable or a clear set
    // flag; else true, and `setter` (when given) receives the setting object.
    bool IsVariableSet(const char* name, HOBJECT* setter = nullptr);
    BYTE IsVariableOn(const char* name);
    void SetVariable(const char* name, HOBJECT setter);
    void UnsetVariable(const char* name, HOBJECT object);
    // Every variable back to clear, 0 and no setter (a new game).
    void ResetVariables();
    // The same clearing, and the lookup cache emptied (a level ends).
    void ReleaseLevel();
    // A declaration of the level scripts: "bool" makes a variable only when
    // none of that name exists; counters and integers always make a new one.
    strzmienne* DeclareVariable(const char* name, DWORD type);
    // Deletes every variable and empties the cache.
    void FreeVariables();
    // Counters grow by the frame time.
    void AdvanceCounters(float seconds);
    // The variables' part of the "GameAI" save section. Load is false when the
    // file ends before the closing byte.
    bool SaveVariables(FILE* file);
    bool LoadVariables(FILE* file);

    // ---- Level scripts ------------------------------------------------------------
    // STAND-IN: the level scripts (their files, levels, actions and conditions)
    // are not built; these are the calls the game layer makes of them. The
    // level-script work replaces them and keeps the variable code above.
    // Empties the variables and the current level and reads every level
    // script; the level-started flag is cleared.
    void Init();
    // Chooses the level record of the world about to start.
    void SelectLevel() {}
    // Readies the actions of the level (at level start).
    void PrepareActions() {}
    // The level scripts' frame: the counters advance, the actions run.
    void Update(float frameTime);
    BYTE m_bLevelStarted = 0;

    // ---- State ------------------------------------------------------------------------
    strzmienne* m_pVariables = nullptr; // newest first
    struct CacheEntry
    {
        char name[strzmienne::NAME_SIZE];
        strzmienne* variable;
    };
    CacheEntry m_Cache[MAX_VARIABLE_CACHE] = {};
    int m_iCacheCount = 0;
    BYTE m_bReportFull = 0; // "!variables.txt" reached its limit

private:
    strzmienne* NewVariable(const char* name, DWORD type);
    void ClearValues();
    // The report line of a set or unset, appended to "!variables.txt".
    void ReportChange(const char* name, HOBJECT object, bool set);
};

extern GameAI g_GameAI;

// The name as a record stores it: cut to strzmienne::NAME_SIZE - 1 characters.
// True when it had to be cut.
bool CutVariableName(const char* name, char (&out)[strzmienne::NAME_SIZE]);
// The lookup rule: first characters equal exactly, the rest without regard to case.
bool SameVariableName(const char* a, const char* b);
