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
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

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

// Sizes of the level-script records' text fields.
constexpr int AI_NAME_SIZE = 64;
constexpr int AI_LONG_SIZE = 128;
constexpr int AI_PATH_SIZE = 256;

struct strakcje;

// One "level" block of the level scripts; the list keeps the newest first.
struct strai
{
    char name[AI_LONG_SIZE] = {};
    char loadingScreen[AI_LONG_SIZE] = "misc\\loading\\loading1.bmp";
    BYTE exIntro = 0;
    char displayName[AI_LONG_SIZE] = {};
    char lensFlare[AI_LONG_SIZE] = {};
    char levelMusic[AI_PATH_SIZE] = {};
    strakcje* actions = nullptr; // newest first
    char shotDisplay[AI_NAME_SIZE] = {};
    BYTE noClip = 0, noStats = 0, clearWeapons = 0, highAutoMap = 0;
    float sightMultiplier = 1.0f;
    BYTE reverb = 0, noWaterSpecular = 0;
    char map[AI_LONG_SIZE] = {};
    float lightPowerMultiplier = 1.0f;
    BYTE winter = 0, rain = 0;
    strai* newer = nullptr;
    strai* older = nullptr;
};

// One record of a level action: the head carries the action's name, and each
// further condition or command line of the action adds one record, linked
// through `next` in file order. A field is in use when it is non-empty or
// non-zero.
struct strakcje
{
    char name[AI_NAME_SIZE] = {};
    BYTE editorOnly = 0, once = 0, done = 0;
    char ifSet[AI_NAME_SIZE] = {}, ifNotSet[AI_NAME_SIZE] = {}, ifAlive[AI_NAME_SIZE] = {},
         ifDead[AI_NAME_SIZE] = {}, ifShot[AI_NAME_SIZE] = {}, ifHit[AI_NAME_SIZE] = {},
         ifAction[AI_NAME_SIZE] = {}, ifPlayerSeenBy[AI_NAME_SIZE] = {}, ifPlayerHas[AI_NAME_SIZE] = {},
         ifPrimaryObjective[AI_NAME_SIZE] = {}, ifNotPrimaryObjective[AI_NAME_SIZE] = {},
         ifSecondaryObjective[AI_NAME_SIZE] = {}, ifNotSecondaryObjective[AI_NAME_SIZE] = {},
         ifObjectiveCompleted[AI_NAME_SIZE] = {}, ifObjectiveNotCompleted[AI_NAME_SIZE] = {};
    BYTE ifActionHostile = 0, ifSeenByHostile = 0, ifWeaponDrawn = 0, ifWeaponHidden = 0;
    BYTE killEmAll = 0, deleteEmAll = 0;
    float playerNearerThan = 0.0f, playerFartherThan = 0.0f, hostileNearerThan = 0.0f;
    char distanceCharacter[AI_LONG_SIZE] = {};
    float meshNearerThan = 0.0f, meshFartherThan = 0.0f;
    char distanceMesh[AI_NAME_SIZE] = {};
    float counterGreater = 0.0f, counterLess = 0.0f;
    char counterName[AI_NAME_SIZE] = {};
    int intLess = 0, intGreater = 0;
    char intName[AI_NAME_SIZE] = {};
    strakcje* next = nullptr;
    char startWorld[AI_LONG_SIZE] = {};
    BYTE hostileAttack = 0, trimItems = 0, outro = 0;
    char setName[AI_NAME_SIZE] = {}, unsetName[AI_NAME_SIZE] = {};
    int incAmount = 0;
    char incName[AI_NAME_SIZE] = {};
    int decAmount = 0;
    char decName[AI_NAME_SIZE] = {};
    char deactivateName[AI_NAME_SIZE] = {}, activateName[AI_NAME_SIZE] = {},
         explosiveTarget[AI_NAME_SIZE] = {};
    char phase[AI_NAME_SIZE] = {}, phaseCharacter[AI_NAME_SIZE] = {};
    char allPhase[AI_NAME_SIZE] = {}, allPhaseCharacter[AI_NAME_SIZE] = {};
    char cutscene[AI_NAME_SIZE] = {};
    char printText[AI_LONG_SIZE] = {};
    float health = 0.0f;
    char addPrimaryObjective[AI_NAME_SIZE] = {}, addSecondaryObjective[AI_NAME_SIZE] = {},
         addHint[AI_NAME_SIZE] = {}, completeObjective[AI_NAME_SIZE] = {}, removeObjective[AI_NAME_SIZE] = {},
         objectAction[AI_NAME_SIZE] = {};
    char sound[AI_PATH_SIZE] = {}, ambientSound[AI_PATH_SIZE] = {}, music[AI_PATH_SIZE] = {};
    char killObject[AI_NAME_SIZE] = {}, killCharacter[AI_NAME_SIZE] = {};
    char corpseCharacter[AI_NAME_SIZE] = {};
    float corpseTime = 0.0f;
    char subtitle0[AI_LONG_SIZE] = {}, subtitle1[AI_LONG_SIZE] = {};
    char animObject[AI_NAME_SIZE] = {}, animName[AI_NAME_SIZE] = {};
    BYTE animLoop = 0;
    char stopDialogueCharacter[AI_NAME_SIZE] = {};
    char rocketLauncher[AI_NAME_SIZE] = {}, rocketTarget[AI_NAME_SIZE] = {};
    float rocketSpeed = 0.0f;
    char attachObject[AI_NAME_SIZE] = {}, attachTarget[AI_NAME_SIZE] = {}, attachSocket[AI_NAME_SIZE] = {};
    strakcje* newer = nullptr;
    strakcje* older = nullptr;
    // The object of `distanceMesh` as last found, kept while its slot still
    // holds that object.
    HOBJECT meshFound = nullptr;
    DWORD meshPesel[3] = {};
};

class GameAI
{
public:
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
    // The same clearing (a level ends).
    void ReleaseLevel();
    // A declaration of the level scripts: "bool" makes a variable only when
    // none of that name exists; counters and integers always make a new one.
    strzmienne* DeclareVariable(const char* name, DWORD type);
    // Deletes every variable.
    void FreeVariables();
    // Counters grow by the frame time.
    void AdvanceCounters(float seconds);
    // The variables' part of the "GameAI" save section. Load is false when the
    // file ends before the closing byte.
    bool SaveVariables(FILE* file);
    // A variable read back that already exists takes the place the file
    // gives it, so a loaded list keeps the saved order.
    bool LoadVariables(FILE* file);
    void MoveToFront(strzmienne* v);

    // ---- Level scripts: files and parser (GameAIScript.cpp) ----------------------
    // Empties the variables and the levels and reads every level script; the
    // level-started flag is cleared.
    void Init();
    // Every "scripts\ai\*.txt" in the listing's (case-blind sorted) order.
    void LoadScripts();
    // One script file; a file that does not open is skipped.
    void ParseScript(const char* path);
    // One line as read from a script (text keys already replaced).
    void ParseLine(char* line);
    // Frees every level and action record.
    void FreeScripts();

    // ---- Level scripts: execution (GameAIRun.cpp) --------------------------------
    // Chooses the level record of the world about to start.
    void SelectLevel();
    // Readies the actions of the level (at level start).
    void PrepareActions();
    // The level scripts' frame: the counters advance, the actions run.
    void Update(float frameTime);
    // Evaluates one action chain from its record; true when it reached its end.
    bool ExecuteCommand(strakcje* record);
    // Runs every action of the current level with that name (object actions).
    void ActivateAIAction(const char* name);
    // True when an action of the current level waits on that character's death.
    bool HasAIEntry(const char* name);
    // An object was hit this frame.
    void RegisterHit(const char* name);
    bool WasHit(const char* name) const;
    // The "GameAI" section: the variables, then the `once` actions. Load is
    // false when the section ends early.
    bool Save(FILE* file);
    bool Load(FILE* file);
    // Writes the pending lines of "!variables.txt" (at most once a frame).
    void FlushReport();

    BYTE m_bLevelStarted = 0;
    BYTE m_bCharacterFlashes = 0; // "blyski_postaci": accepted, read by nothing
    strai* m_pLevels = nullptr;   // newest first
    strai* m_pCurrentLevel = nullptr;
    // The display name ("level_d") of the running world's level, empty without one.
    char m_szLevelDisplayName[AI_LONG_SIZE] = {};
    strai* m_pParseLevel = nullptr;      // the level the parser fills
    strakcje* m_pParseCurrent = nullptr; // the record the next line links after
    float m_fFrameTime = 0.0f;
    static constexpr int MAX_HITS = 32;
    char m_szHits[MAX_HITS][strzmienne::NAME_SIZE] = {};
    // Objects the scripts deactivated, with the flag word they had.
    static constexpr int MAX_DEACTIVATED = 256;
    struct Deactivated
    {
        HOBJECT object;
        DWORD pesel[3];
        DWORD flags;
    };
    Deactivated m_Deactivated[MAX_DEACTIVATED] = {};
    int m_iDeactivated = 0;
    int FindDeactivated(HOBJECT object) const;

    // ---- State ------------------------------------------------------------------------
    strzmienne* m_pVariables = nullptr; // newest first
    // The newest record of each name, by the name's lookup form (its first
    // character as written, the rest in small letters).
    struct KeyHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };
    std::unordered_map<std::string, strzmienne*, KeyHash, std::equal_to<>> m_Index;
    BYTE m_bReportFull = 0; // "!variables.txt" reached its limit
    // The report's whole text and whether it changed since it was written.
    std::string m_sReport;
    BYTE m_bReportLoaded = 0;
    BYTE m_bReportDirty = 0;

private:
    strzmienne* NewVariable(const char* name, DWORD type);
    void ClearValues();
    // The report line of a set or unset, appended to "!variables.txt".
    void ReportChange(const char* name, HOBJECT object, bool set);
    bool RunCommands(strakcje* record);
    bool TestCondition(strakcje* record, bool* isCondition);
    void Deactivate(const char* name);
    void Activate(const char* name);
    void LaunchRocket(const strakcje* record);
    void NewRecord(); // the record rule of conditions and commands
};

extern GameAI g_GameAI;

// The name as a record stores it: cut to strzmienne::NAME_SIZE - 1 characters.
// True when it had to be cut.
bool CutVariableName(const char* name, char (&out)[strzmienne::NAME_SIZE]);
