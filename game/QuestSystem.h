#pragma once
// QuestSystem: the mission script of the running world. At each level start
// the first "scripts\quests\*.txt" whose "world" line names the world is read
// (with one level of "#include") into a list of commands; from level frame 209
// the commands run one after another until one has to wait. Beside the list it
// keeps the mission's fail conditions: 32 warzones the hero must stay in, fail
// on shooting, and fail when an enemy reaches a guarded object.
//
// Parse errors go to "!QSErrors.txt" (deleted at each level start) with the
// line number, counted through included files; include errors go to
// "QSErrors.txt".

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstdio>
#include <string>
#include <vector>

// Sizes of a mission command's text fields.
constexpr int QS_TEXT_SIZE = 256;
constexpr int QS_SHORT_SIZE = 64;

// One command line of a mission script.
struct QuestCommand
{
    DWORD code = 0;  // the command's row in the command table
    DWORD index = 0; // its ordinal in the script, from 0; save games name it
    char arg1[QS_TEXT_SIZE] = {};
    char arg2[QS_TEXT_SIZE] = {};
    char text[QS_TEXT_SIZE] = {};
    float value = 0.0f;
    int number = 0;
    char comment[QS_TEXT_SIZE] = {};
    char cameraStart[QS_SHORT_SIZE] = {};
    char cameraDest[QS_SHORT_SIZE] = {};
    char cameraTarget[QS_SHORT_SIZE] = {};
    char objective[QS_TEXT_SIZE] = {};
    char waypoint[QS_TEXT_SIZE] = {};
    char explosiveTarget[QS_TEXT_SIZE] = {};
    char bezier[QS_TEXT_SIZE] = {};
    char gotoTarget[QS_TEXT_SIZE] = {};
    BYTE dontInterrupt = 0, alwaysInSight = 0;
    char phaseOnTarget[QS_SHORT_SIZE] = {};
    char movingAnim[QS_SHORT_SIZE] = "bieg";
    BYTE eyesOnly = 0;
    float distance = 10.0f;
    char arg3[QS_SHORT_SIZE] = {};
    char arg4[QS_SHORT_SIZE] = {};
    char arg5[QS_SHORT_SIZE] = {};
    float burst = 0.0f;
    float burstInterval = 0.0f;
    BYTE display = 0, loop = 0, stopRunningWhenShot = 0;
};

// An object found by name once and kept while its slot still holds that
// object (the same PESEL); looked up again only when it is gone.
struct QuestObjectRef
{
    HOBJECT found = nullptr;
    DWORD pesel[3] = {};
    HOBJECT Get(const char* name);
};

// One armed (or free) warzone.
struct QuestWarzone
{
    static constexpr int NAME_SIZE = 512;
    BYTE active = 0;
    char name[NAME_SIZE] = {};
    float radius = 0.0f;
    QuestObjectRef object;
};

class QuestSystem
{
public:
    static constexpr int MAX_WARZONES = 32;
    static constexpr int COMMAND_COUNT = 94;
    static constexpr DWORD FIRST_FRAME = 209;
    static constexpr float WARZONE_FAIL_SECONDS = 7.0f;
    static constexpr float WARZONE_WARN_SECONDS = 2.0f;
    static constexpr int REACH_NAME_SIZE = 259;
    // Bytes of one warzone and of the fail-on-reach block in a save section.
    static constexpr int WARZONE_RECORD_BYTES = 520;
    static constexpr int REACH_RECORD_BYTES = 264;
    // The longest line a script may have; the rest of a longer one is skipped.
    static constexpr int LINE_CHARS = 256;

    // The command word of a code ("" for none).
    static const char* CommandWord(DWORD code);

    // ---- Loading and parsing (QuestSystem.cpp) --------------------------------
    // At each level start: deletes "!QSErrors.txt", reads the world's script
    // and clears the run state.
    void LoadScripts();
    // The script of the current world, "" when none names it.
    std::string FindScript() const;
    // Reads the script found into the command list.
    void ReadFile(const char* path);
    // One line of a script with its number.
    void ParseLine(const char* line, int lineNumber);
    // Frees the list; the ordinals start again from 0.
    void FreeCommands();

    // ---- Running (QuestSystemRun.cpp) -------------------------------------------
    void Update();
    // Runs from that command on (-1: the end of the list).
    void ExecuteCommand(int command);
    void UpdateWaiting();
    void OnObjectUsed(HOBJECT object);
    void OnEnemyDead(const char* character, const D3DVECTOR& position);
    // A shot of the hero's (his weapons or a gun he mans).
    void OnPlayerShot();
    void ResetShotTrigger();
    // The engine's pre-render step: the field of view the script set.
    void ApplyFov();
    // From the game's drawing: the warzone countdown and the enemies left.
    void DrawDebug();
    void PrintActiveWarzones();
    // At level release: the list freed, the warzones disarmed.
    void Reset();
    // The "QuestSystem" section. Load is false when the section ends early.
    bool Save(FILE* file) const;
    bool Load(FILE* file);

    // The command being run or waited on, or null.
    const QuestCommand* Current() const;
    int ArmedWarzones() const;

    std::vector<QuestCommand> m_Commands; // in file order
    int m_iCurrent = -1;                  // index into m_Commands; -1 none
    BYTE m_bStarted = 0;
    DWORD m_iLoadedCount = 0;
    int m_iEnemiesLeft = 0;
    BYTE m_bFailOnShot = 0;
    float m_fFailOnShotDelay = 0.0f;
    BYTE m_bShotTriggered = 0;
    float m_fShotTimer = 0.0f;
    QuestWarzone m_Warzones[MAX_WARZONES];
    float m_fOutsideTime = 0.0f;
    char m_szWarningText[QS_TEXT_SIZE] = {};
    BYTE m_bFailOnReach = 0;
    char m_szReachObject[REACH_NAME_SIZE] = {};
    float m_fReachRadius = 0.0f;
    float m_fWaitTime = 0.0f;
    float m_fFrameTime = 0.0f;
    double m_dStartSeconds = 0.0;
    BYTE m_bFovSet = 0;
    float m_fFovValue = 0.0f;
    // The object the current command waits on.
    QuestObjectRef m_WaitObject;
    // The hero's shots counted (the weapon code's own record of them).
    int m_iPlayerShots = 0;

private:
    void ReadLines(FILE* file, int* lineNumber, bool included);
    void ParseArguments(QuestCommand& c, const char* line, int lineNumber);
    // One command's action; true when it waits (or stays current).
    bool Run(QuestCommand& c);
    void SetWarzone(const QuestCommand& c);
    void CheckWarzones();
    void CheckReach();
    void CheckShot();
    void Finish();
};

extern QuestSystem g_QuestSystem;
