#pragma once
// Objective: the HUD's current-task box. A new task opens a framed box at the
// upper left with its title and the task's text over up to four lines, plays
// a sound and closes after 7 seconds; the task key opens or closes it, and the
// log key toggles a centred panel with the last four lines of the task log.
// Its save section is "Objective".

#include "platform/win32/WinTypes.h"
#include "render/Rect.h"

#include <cstdio>

class EText;

constexpr int TASK_TEXT_SIZE = 256;
constexpr int TASK_LOG_LINES = 64;
constexpr int TASK_LOG_LINE_SIZE = 64;
constexpr int TASK_LINES = 4;
constexpr int TASK_LINE_CHARS = 36;

// Everything of the task box but its device objects (a test snapshot copies it).
struct ObjectiveState
{
    char m_szTask[TASK_TEXT_SIZE] = {};
    char m_szLog[TASK_LOG_LINES][TASK_LOG_LINE_SIZE] = {};
    float m_fReserved1 = 0.0f, m_fReserved2 = 0.0f;
    BYTE m_bNewTask = 0;
    float m_fShownTime = 0.0f;
    BYTE m_bTaskKey = 0;
    BYTE m_bOpen = 0;
    DWORD m_iTaskKeyFrames = 0;
    DWORD m_iState = 0; // 0 opening, 1 open, 2 closing
    float m_fOpenTime = 0.0f;
    float m_fWidth = 0.0f; // opening factor 0..1
    float m_fBoxX = 0.0f, m_fBoxY = 0.0f, m_fBoxW = 0.0f, m_fBoxH = 0.0f;
    BYTE m_bLogKey = 0;
    DWORD m_iLogKeyFrames = 0;
    BYTE m_bLogShown = 0;
    float m_fLogTime = 0.0f;
    DWORD m_iLogCount = 0;
    DWORD m_iLogReserved = 0;
    BYTE m_bLogOn = 0;
    float m_fLogX = 0.0f, m_fLogY = 0.0f;
};

class Objective : public ObjectiveState
{
public:
    static constexpr DWORD STATE_OPENING = 0;
    static constexpr DWORD STATE_OPEN = 1;
    static constexpr DWORD STATE_CLOSING = 2;

    Objective() { Clear(); }
    virtual ~Objective();
    Objective(const Objective&) = delete;
    Objective& operator=(const Objective&) = delete;

    void Clear();
    void Init();
    void Release();
    // A task by its text key without the ">".
    void SetTask(const char* key);
    void PressTaskKey() { m_bTaskKey = 1; }
    void PressToggleKey() { m_bLogKey = 1; }
    void Update();
    void RenderFrame();
    void RenderText();
    void Save(FILE* file);
    void Load(FILE* file);

    // Cuts a task text into at most four lines of at most 36 characters;
    // the number of lines.
    static int WrapTask(const char* text, char (*lines)[TASK_LINE_CHARS + 1]);

    EText* m_hTitle = nullptr;
    EText* m_hLines[TASK_LINES] = {};
    ERect m_Frame;

private:
    void DeleteTexts();
    void RenderLog();
    bool Hidden() const;
};

extern Objective g_Objective;
