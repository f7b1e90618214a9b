#pragma once
// EConsole: the engine's one log and its drop-down developer console. Every
// subsystem prints through Print and its wrappers: each line goes into a ring
// of on-screen lines and is appended to "!console.txt" in the start-up
// directory. The console keeps the console variables, edits and runs typed
// commands, applies settings (Settings.cpp), shows the newest lines during play
// and counts the loading screen's progress.
//
// The global is constant-initialised, so printing is safe from any other
// global's constructor or destructor.

#include "platform/win32/WinTypes.h"

#include <string>
#include <unordered_map>

struct D3DVECTOR;

// One named value. Names are compared without regard to case.
struct EConsoleVariable
{
    static constexpr int NAME_CHARS = 128; // terminator included

    char name[NAME_CHARS] = {};
    float value = 0.0f;
    BYTE fromConfig = 0; // created from "tk.cfg"
    EConsoleVariable* next = nullptr;
    EConsoleVariable* prev = nullptr;
    BYTE tracked = 0; // counted by the allocation tracker
};

class EConsole
{
public:
    static constexpr int HISTORY_LINES = 64; // slot 0 is the line being typed
    static constexpr int LINE_CHARS = 160;   // one ring, history or input line
    static constexpr int RING_LINES = 128;   // on-screen lines; the last is the newest
    static constexpr int INPUT_MAX = 79;     // characters the editor takes
    static constexpr int PRINT_MAX = 1023;   // characters of one printed text
    static constexpr int STARTUP_DIR_CHARS = 512;
    static constexpr int DRAWN_LINES = 25;    // ring lines shown by the open console
    static constexpr int SETTINGS_LINE = 256; // characters of a settings-file line
    static constexpr DWORD LOADING_BASE_TOTAL = 321;
    static constexpr DWORD BAR_FVF = 68; // XYZRHW | DIFFUSE

    constexpr EConsole() = default;
    virtual ~EConsole();

    // ---- Log ---------------------------------------------------------------
    // One log line; an empty or null text adds an empty line to the screen only.
    void Print(const char* text);
    void PrintVector(const char* text, const D3DVECTOR& v);
    void Print2(const char* a, const char* b);
    void Print3(const char* a, const char* b, const char* c);
    void Print4(const char* a, const char* b, const char* c, const char* d);
    void PrintFloat(const char* text, float value);
    void PrintFloatA(const char* text, double value);
    void PrintFloatB(const char* text, int value);
    void PrintInt(const char* text, int value);
    void PrintInt2(const char* text, int value);
    void Print2Int(const char* a, const char* b, int value);

    // Ring line i (0 the oldest, RING_LINES - 1 the newest).
    const char* GetLine(int i) const;

    // The folder that was current when the console was constructed; logs go there.
    const char* GetStartupDirectory();
    void SetStartupDirectory(const char* directory);

    // Log rotation, by the console variable "BackupConsole". The rotation at
    // start carries the lines this run printed before it (the settings' and
    // text keys' errors) over into the fresh log, in order.
    void BackupConsoleAtStart();
    void BackupConsoleAtExit();

    // ---- Variables ---------------------------------------------------------
    void SetVariable(const char* name, float value, BYTE fromConfig);
    // True and the value when the variable exists, else false and 0.
    bool GetVariable(const char* name, float* value);
    EConsoleVariable* FindVariable(const char* name);
    EConsoleVariable* NewVariable();
    void FreeVariables();

    // ---- Editor and commands -----------------------------------------------
    // A command other layers add (the game's): its name is compared without
    // regard to case, and it gets the rest of the typed line. A name already
    // known is taken over; beyond MAX_COMMANDS the command is refused.
    static constexpr int MAX_COMMANDS = 32;
    typedef void (*Command)(const char* value);
    bool RegisterCommand(const char* name, Command command);
    // A virtual-key code of a key press while the console is open.
    void OnKey(WPARAM key);
    void ExecuteLine();
    void CompleteInput();
    void Open();
    void Close();
    void Init();
    // The input line with "|" at the cursor, as the console shows it.
    void GetInputWithCursor(char* out, size_t size) const;

    // ---- Drawing -----------------------------------------------------------
    void Render();
    void DrawConsole();
    void DrawRecentLines();
    void CreateDeviceObjects();
    void ReleaseDeviceObjects();

    // ---- Loading screen ----------------------------------------------------
    void StartLoadingScreen(const char* worldFile);
    void AddLoadingTotal(int n);
    void StepLoading();
    void AdvanceLoading(int n);
    void DrawLoadingScreen(int eighth);
    void DrawProgressBar();
    void DrawLoadingText();
    // The loading picture over the whole screen (also under the loading screen's own frames).
    void DrawLoadingPicture();
    void EndLoadingScreen();
    void ReleaseLoadingPicture();

    // ---- Settings (Settings.cpp) -------------------------------------------
    // Applies one setting; a null name or value does nothing.
    void ApplySetting(const char* name, const char* value, BYTE fromConfig);
    // Applies every line of a settings file, then derives the screen size.
    void LoadConfig(const char* fileName);
    // The console command "exec".
    void ExecFile(const char* fileName);
    // One line "name value", applied as typed.
    void ExecuteSetting(const char* line);

    char m_szHistory[HISTORY_LINES][LINE_CHARS] = {};
    DWORD m_iHistoryIndex = 0;
    float m_fLoadingProgress = 0.0f;
    DWORD m_dwLoadingAlpha = 0;
    DWORD m_dwBarFVF = BAR_FVF;
    DWORD m_dwLoadingTotal = LOADING_BASE_TOTAL;
    DWORD m_dwLoadingDone = 0;
    void* m_pBarVertices = nullptr; // the bar's vertex buffer, made with the device objects
    EConsoleVariable* m_pZmienne = nullptr;
    char m_szLines[RING_LINES][LINE_CHARS] = {};
    char m_szInput[LINE_CHARS] = {};
    DWORD m_iCursor = 0;
    DWORD m_iRecentLines = 5; // lines shown during play, setting "numconsolelines"
    DWORD m_iRecentOffset = 0;
    BYTE m_bLoading = 0;
    DWORD m_iMeshLines = 0;
    int m_iLoadingEighth = -1;
    DWORD m_dwLoadingSpare = 0;
    DWORD m_dwLoadingFrames = 0; // frames since the loading screen came up; its briefing waits for them
    BYTE m_bOpen = 0;
    char m_szStartupDir[STARTUP_DIR_CHARS] = {};
    char m_szLoadingPicture[32] = {}; // "loading01.tga" to "loading14.tga"
    int m_iVariableCount = 0;
    // The settings file being read, named by the settings' error lines.
    const char* m_pszSettingSource = nullptr;
    struct RegisteredCommand
    {
        const char* name;
        Command run;
    };
    RegisteredCommand m_Commands[MAX_COMMANDS] = {};
    int m_iCommands = 0;

private:
    void ScrollRing();
    void RotateLog();
    // Keeps a line printed before the rotation at start, for the fresh log.
    void HoldEarlyLine(const char* text);
    void ForgetEarlyLines();

    // Lines of this run printed before the rotation at start, and the length
    // the log had before the first of them (-1: nothing held yet).
    std::string* m_pEarlyLines = nullptr;
    // The variables by their lower-cased name, so a lookup does not walk the
    // list (a settings file may create thousands); made with the first one.
    std::unordered_map<std::string, EConsoleVariable*>* m_pVariableIndex = nullptr;
    long long m_llLogLengthBeforeRun = -1;
    BYTE m_bRotatedAtStart = 0;
};

extern EConsole g_Console;
