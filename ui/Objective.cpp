#include "ui/Objective.h"

#include "player/Player.h"
#include "render/Font.h"
#include "shell/D3DMain.h"
#include "shell/SaveFile.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/HudLayout.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

Objective g_Objective;

namespace
{
constexpr const char* kNewTaskSound = "sounds\\special\\new_task.wav";
constexpr float kCloseAfter = 7.0f;
constexpr float kOpenRate = 4.0f;
constexpr float kFrameAlpha = 128.0f;
constexpr float kBoxX = 24.0f, kBoxY = 80.0f, kBoxW = 280.0f, kBoxH = 80.0f, kFrameMargin = 12.0f;
constexpr float kTitleX = 12.0f, kTitleRise = 8.0f, kTitleSize = 21.0f;
constexpr float kLineX = 4.0f, kFirstLine = 18.0f, kLineStep = 16.0f, kLineSize = 18.0f;
constexpr int kLogShown = 4;
constexpr float kLogMargin = 32.0f, kLogBottom = 572.0f, kLogTop = 16.0f, kLogStep = 18.0f;
constexpr float kTextureSize = 64.0f;

void ReadFloatChecked(FILE* file, float* value)
{
    ReadFloat(file, value);
    *value = hud::Finite(*value);
}
} // namespace

Objective::~Objective()
{
    DeleteTexts();
}

void Objective::DeleteTexts()
{
    if (m_hTitle)
        g_Font.DeleteText(m_hTitle);
    m_hTitle = nullptr;
    for (EText*& line : m_hLines)
    {
        if (line)
            g_Font.DeleteText(line);
        line = nullptr;
    }
}

void Objective::Clear()
{
    DeleteTexts();
    static_cast<ObjectiveState&>(*this) = ObjectiveState();
}

void Objective::Init()
{
    std::memset(m_szTask, 0, TASK_LOG_LINE_SIZE);
    m_fReserved1 = m_fReserved2 = 0.0f;
    m_bLogOn = 0;
    m_bNewTask = 0;
    m_Frame.Create("hud_textframe.tga", 0.0f, 0.0f, kTextureSize, kTextureSize, hud::WHITE);
    m_fBoxX = kBoxX * hud::ScaleX();
    m_fBoxY = kBoxY * hud::ScaleY();
    m_fBoxW = kBoxW * hud::ScaleY();
    m_fBoxH = kBoxH * hud::ScaleY();
    g_Engine.PreloadFile(kNewTaskSound, EEngine::PRELOAD_SOUND);
}

void Objective::Release()
{
    m_Frame.Release();
    DeleteTexts();
}

void Objective::SetTask(const char* key)
{
    if (!key || !key[0])
        return;
    char full[TASK_TEXT_SIZE];
    std::snprintf(full, sizeof full, ">%s", key);
    CopyCut(m_szTask, sizeof m_szTask, g_TextMgr.GetText(full));
    m_bNewTask = 1;
    m_fShownTime = 0.0f;
    DeleteTexts();
    if (!m_bOpen)
    {
        m_bOpen = 1;
        m_iState = STATE_OPENING;
        m_fWidth = 0.0f;
        m_fOpenTime = 0.0f;
        g_SoundMgr.PlaySoundOnce(kNewTaskSound, 1.0f, 0.0f);
    }
}

void Objective::Update()
{
    const float dt = g_Engine.m_fDeltaTime;
    m_fShownTime += dt;
    m_fLogTime += dt;
    if ((m_bLogShown && m_fLogTime > kCloseAfter) || m_iLogCount == 0)
        m_bLogOn = 0;

    m_fOpenTime += dt;
    if (m_bOpen && m_iState != STATE_CLOSING && m_fOpenTime > kCloseAfter)
    {
        m_bNewTask = 0;
        m_iState = STATE_CLOSING;
    }

    if (m_bTaskKey)
    {
        if (++m_iTaskKeyFrames == 1)
        {
            if (m_bOpen)
                m_iState = STATE_CLOSING;
            else
            {
                m_bOpen = 1;
                m_iState = STATE_OPENING;
                m_fWidth = 0.0f;
                m_fOpenTime = 0.0f;
            }
        }
    }
    else
        m_iTaskKeyFrames = 0;

    if (m_bLogKey)
    {
        if (++m_iLogKeyFrames == 1)
        {
            m_bLogOn = !m_bLogOn;
            m_bLogShown = m_bLogOn;
            m_fLogTime = 0.0f;
        }
    }
    else
        m_iLogKeyFrames = 0;
    m_bTaskKey = 0;
    m_bLogKey = 0;
}

bool Objective::Hidden() const
{
    return PlayerStats.m_bDead || PlayerStats.m_bMissionFailed;
}

void Objective::RenderFrame()
{
    if (Hidden() || !m_bOpen)
        return;
    const float step = kOpenRate * g_Engine.m_fDeltaTime;
    if (m_iState == STATE_OPENING)
    {
        m_fWidth = std::min(1.0f, m_fWidth + step);
        if (m_fWidth >= 1.0f)
            m_iState = STATE_OPEN;
    }
    else if (m_iState == STATE_CLOSING)
    {
        m_fWidth = std::max(0.0f, m_fWidth - step);
        if (m_fWidth <= 0.0f)
        {
            m_bOpen = 0;
            return;
        }
    }
    const DWORD alpha = static_cast<DWORD>(std::min(1.0f, 2.0f * m_fWidth) * kFrameAlpha);
    const float sy = hud::ScaleY();
    m_Frame.SetRect(m_fBoxX, m_fBoxY - kFrameMargin * sy, m_fBoxX + m_fBoxW * m_fWidth,
                    m_fBoxY + m_fBoxH + kFrameMargin * sy);
    m_Frame.SetColor(hud::WithAlpha(g_Panel.m_dwMainColor, alpha));
    ERect::SetBlendMode(false);
    m_Frame.Render(true);
}

int Objective::WrapTask(const char* text, char (*lines)[TASK_LINE_CHARS + 1])
{
    int count = 0;
    const char* rest = text ? text : "";
    while (*rest && count < TASK_LINES)
    {
        const int length = static_cast<int>(std::strlen(rest));
        int cut = length;
        const char* next = rest + length;
        if (length > TASK_LINE_CHARS)
        {
            cut = TASK_LINE_CHARS;
            next = rest + TASK_LINE_CHARS;
            for (int i = TASK_LINE_CHARS; i >= 0; --i)
                if (rest[i] == ' ')
                {
                    cut = i;
                    next = rest + i + 1; // the blank is dropped
                    break;
                }
        }
        std::memcpy(lines[count], rest, static_cast<size_t>(cut));
        lines[count][cut] = 0;
        ++count;
        rest = next;
    }
    return count;
}

void Objective::RenderText()
{
    if (Hidden())
        return;
    if (m_bLogOn && g_Panel.LetterboxClosed())
        RenderLog();
    if (!m_bOpen || m_iState != STATE_OPEN || !g_Panel.LetterboxClosed())
        return;
    const float sx = hud::ScaleX(), sy = hud::ScaleY();
    const float top = m_fBoxY - kTitleRise * sy;
    if (!m_hTitle)
    {
        m_hTitle = g_Font.CreateText(g_TextMgr.GetText(m_bNewTask ? ">G24" : ">G25"), m_fBoxX + kTitleX * sx,
                                     top, g_Panel.m_dwMainColor, kTitleSize, 0, false, false, false);
        char lines[TASK_LINES][TASK_LINE_CHARS + 1] = {};
        const int count = WrapTask(m_szTask, lines);
        for (int i = 0; i < count; ++i)
            m_hLines[i] =
                g_Font.CreateText(lines[i], m_fBoxX + kLineX * sx, top + (kFirstLine + kLineStep * i) * sy,
                                  g_Panel.m_dwMainColor, kLineSize, 0, false, false, false);
    }
    ERect::SetBlendMode(true);
    if (m_hTitle)
        g_Font.DrawTextObject(m_hTitle);
    for (EText* line : m_hLines)
        if (line)
            g_Font.DrawTextObject(line);
    ERect::SetBlendMode(false);
}

void Objective::RenderLog()
{
    const DWORD count = std::min<DWORD>(m_iLogCount, TASK_LOG_LINES);
    if (count == 0)
    {
        m_bLogOn = 0;
        return;
    }
    const DWORD first = count > kLogShown ? count - kLogShown : 0;
    int widest = 0;
    g_TTFontMgr.SetCurrentFont(1);
    for (DWORD i = first; i < count; ++i)
        widest = std::max(widest, g_TTFontMgr.GetTextWidth(m_szLog[i]));
    const float sx = hud::ScaleX(), sy = hud::ScaleY();
    const float width = static_cast<float>(widest) + kLogMargin * sx;
    const float height = (kLogTop + kLogStep * static_cast<float>(count - first)) * sy;
    m_fLogX = hud::X(hud::CENTRE_X) - width / 2.0f;
    m_fLogY = kLogBottom * sy - height;
    m_Frame.SetRect(m_fLogX, m_fLogY, m_fLogX + width, m_fLogY + height);
    m_Frame.SetColor(hud::WithAlpha(g_Panel.m_dwMainColor, static_cast<DWORD>(kFrameAlpha)));
    m_Frame.RenderWithStates(true, true);
    for (DWORD i = first; i < count; ++i)
        g_TTFontMgr.DrawText(m_szLog[i], hud::X(hud::CENTRE_X),
                             m_fLogY + (kLogTop + kLogStep * static_cast<float>(i - first)) * sy,
                             g_Panel.m_dwSecondColor, 1, 0);
}

void Objective::Save(FILE* file)
{
    if (!file)
        return;
    WriteLine(file, m_szTask, TASK_TEXT_SIZE);
    WriteBytes(file, m_szLog, sizeof m_szLog);
    WriteDword(file, m_iLogCount);
    WriteDword(file, m_iLogReserved);
    WriteFloat(file, m_fReserved1);
    WriteFloat(file, m_fReserved2);
    WriteBool(file, m_bNewTask != 0);
    WriteFloat(file, m_fShownTime);
    WriteBool(file, m_bOpen != 0);
    WriteDword(file, m_iTaskKeyFrames);
    WriteDword(file, m_iState);
    WriteFloat(file, m_fOpenTime);
    WriteFloat(file, m_fWidth);
    WriteDword(file, m_iLogKeyFrames);
    WriteBool(file, m_bLogShown != 0);
    WriteFloat(file, m_fLogTime);
    WriteBool(file, m_bLogOn != 0);
}

void Objective::Load(FILE* file)
{
    if (!file)
        return;
    std::memset(m_szLog, 0, sizeof m_szLog);
    ReadLine(file, m_szTask, TASK_TEXT_SIZE);
    ReadBytes(file, m_szLog, sizeof m_szLog);
    for (char* line : m_szLog)
        line[TASK_LOG_LINE_SIZE - 1] = 0;
    ReadDword(file, &m_iLogCount);
    m_iLogCount = std::min<DWORD>(m_iLogCount, TASK_LOG_LINES);
    ReadDword(file, &m_iLogReserved);
    ReadFloatChecked(file, &m_fReserved1);
    ReadFloatChecked(file, &m_fReserved2);
    ReadBool(file, &m_bNewTask);
    ReadFloatChecked(file, &m_fShownTime);
    ReadBool(file, &m_bOpen);
    ReadDword(file, &m_iTaskKeyFrames);
    ReadDword(file, &m_iState);
    if (m_iState > STATE_CLOSING)
    {
        m_iState = STATE_OPENING;
        m_bOpen = 0;
    }
    ReadFloatChecked(file, &m_fOpenTime);
    ReadFloatChecked(file, &m_fWidth);
    m_fWidth = std::clamp(m_fWidth, 0.0f, 1.0f);
    ReadDword(file, &m_iLogKeyFrames);
    ReadBool(file, &m_bLogShown);
    ReadFloatChecked(file, &m_fLogTime);
    ReadBool(file, &m_bLogOn);
    DeleteTexts();
}
