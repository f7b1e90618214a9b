#include "shell/Console.h"

#include "game/CutScene.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/Font.h"
#include "render/Rect.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "world/Engine.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

namespace
{
// The open console's background: black at half strength over the upper half of the screen.
ERect& Background()
{
    static ERect rect;
    return rect;
}
constexpr DWORD kBackgroundColor = 0x80FFFFFF;
// The loading screen's picture and its progress bar.
ERect& LoadingPicture()
{
    static ERect rect;
    return rect;
}
ERect& ProgressBar()
{
    static ERect rect;
    return rect;
}
constexpr const char* kProgressBarTexture = "hud_progress_bar.tga";
constexpr float kBarLeft = 80.0f, kBarWidth = 300.0f, kBarTop = 728.0f, kBarBottom = 734.0f;
constexpr DWORD kBarBackColor = 0xFF606060, kBarFillColor = 0xFFA6A392;
constexpr DWORD kBarColor = 0xFF80FF80;
constexpr DWORD kBarVertices = 8;
constexpr DWORD kBarVertexSize = 20;

struct BarVertex
{
    float x, y, z, rhw;
    DWORD color;
};
static_assert(sizeof(BarVertex) == kBarVertexSize, "a bar vertex is 20 bytes");
} // namespace

// Constant-initialised: any constructor or destructor of another global may print.
constinit EConsole g_Console;

namespace
{
const char* const LOG_FILE = "!console.txt";
const char* const ROTATED_LOG_FILE = "!Console.txt";
// Start-up lines carried over into the fresh log at most; a flood of errors
// beyond this stays in the old log only.
constexpr size_t kMaxEarlyLogBytes = 1 << 20;

// The part of construction that cannot be constant: the start-up directory and
// the first console variable. It runs during static initialisation, while the
// current folder is still the one the game started in.
struct ConsoleStartup
{
    ConsoleStartup()
    {
        g_Console.GetStartupDirectory();
        g_Console.SetVariable("quit", 0.0f, 0);
    }
} s_consoleStartup;

const EConsole::RegisteredCommand* FindCommand(const EConsole::RegisteredCommand* commands, int count,
                                               const char* word)
{
    for (int i = 0; i < count; ++i)
        if (CompareNoCase(commands[i].name, word) == 0)
            return &commands[i];
    return nullptr;
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

// The Print variants: one line formatted as printf does, cut at PRINT_MAX
// characters.
[[gnu::format(printf, 2, 3)]] void PrintFormatted(EConsole& console, const char* format, ...)
{
    char line[EConsole::PRINT_MAX + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    console.Print(line);
}

// The key code as the editor takes it: a character, the delete code, or 0.
enum : int
{
    EDIT_DELETE = -1,
};

int TranslateKey(WPARAM key)
{
    if (key >= 'A' && key <= 'Z')
        return static_cast<int>(key - 'A' + 'a');
    if (key >= '0' && key <= '9')
        return static_cast<int>(key);
    switch (key)
    {
    case VK_SPACE:
        return ' ';
    case VK_OEM_PERIOD:
        return '.';
    case VK_OEM_MINUS:
        return '-';
    case VK_OEM_5:
        return '\\';
    case VK_DELETE:
        return EDIT_DELETE;
    default:
        return 0;
    }
}

bool StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (!*text || !CharEqualNoCase(*text, *prefix))
            return false;
    return true;
}

// Names are compared without regard to case: the index keeps them folded.
std::string IndexKey(const char* name)
{
    std::string key = name;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::string JoinPath(const char* directory, const char* name)
{
    std::string path = OrEmpty(directory);
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + name;
}
} // namespace

EConsole::~EConsole()
{
    delete m_pEarlyLines;
    m_pEarlyLines = nullptr;
    delete m_pVariableIndex;
    m_pVariableIndex = nullptr;
    // At exit the tracker may already be destroyed (globals of other files go
    // in no set order), so what the shutdown left is freed without it.
    while (EConsoleVariable* variable = m_pZmienne)
    {
        m_pZmienne = variable->next;
        delete variable;
    }
}

// ---- Log -------------------------------------------------------------------

void EConsole::ScrollRing()
{
    std::memmove(m_szLines[0], m_szLines[1], sizeof m_szLines - sizeof m_szLines[0]);
    std::memset(m_szLines[RING_LINES - 1], 0, sizeof m_szLines[0]);
}

void EConsole::Print(const char* text)
{
    ScrollRing();
    if (!text || !*text)
        return;
    if (!m_bRotatedAtStart)
        HoldEarlyLine(text);
    AppendLogLine(text, LOG_FILE, PRINT_MAX);

    // A text too long for one ring line continues on the next ones, so the
    // screen loses nothing; the log has it once, whole.
    const size_t length = strnlen(text, PRINT_MAX);
    const size_t chunk = LINE_CHARS - 1;
    for (size_t pos = 0; pos < length; pos += chunk)
    {
        if (pos > 0)
            ScrollRing();
        const size_t n = length - pos < chunk ? length - pos : chunk;
        std::memcpy(m_szLines[RING_LINES - 1], text + pos, n);
        m_szLines[RING_LINES - 1][n] = 0;
    }
}

void EConsole::PrintVector(const char* text, const D3DVECTOR& v)
{
    PrintFormatted(*this, "%s(%f, %f, %f)", OrEmpty(text), v.x, v.y, v.z);
}

void EConsole::Print2(const char* a, const char* b)
{
    PrintFormatted(*this, "%s%s", OrEmpty(a), OrEmpty(b));
}

void EConsole::Print3(const char* a, const char* b, const char* c)
{
    PrintFormatted(*this, "%s%s%s", OrEmpty(a), OrEmpty(b), OrEmpty(c));
}

void EConsole::Print4(const char* a, const char* b, const char* c, const char* d)
{
    PrintFormatted(*this, "%s%s%s%s", OrEmpty(a), OrEmpty(b), OrEmpty(c), OrEmpty(d));
}

void EConsole::PrintFloat(const char* text, float value)
{
    PrintFormatted(*this, "%s%f", OrEmpty(text), static_cast<double>(value));
}

void EConsole::PrintFloatA(const char* text, double value)
{
    PrintFormatted(*this, "%s%f", OrEmpty(text), value);
}

void EConsole::PrintFloatB(const char* text, int value)
{
    PrintFormatted(*this, "%s%f", OrEmpty(text), static_cast<double>(value));
}

void EConsole::PrintInt(const char* text, int value)
{
    PrintFormatted(*this, "%s%d", OrEmpty(text), value);
}

void EConsole::PrintInt2(const char* text, int value)
{
    PrintFormatted(*this, "%s%i", OrEmpty(text), value);
}

void EConsole::Print2Int(const char* a, const char* b, int value)
{
    PrintFormatted(*this, "%s%s%i", OrEmpty(a), OrEmpty(b), value);
}

const char* EConsole::GetLine(int i) const
{
    if (i < 0 || i >= RING_LINES)
        return "";
    return m_szLines[i];
}

const char* EConsole::GetStartupDirectory()
{
    if (!m_szStartupDir[0])
    {
        if (!::getcwd(m_szStartupDir, sizeof m_szStartupDir))
            std::snprintf(m_szStartupDir, sizeof m_szStartupDir, ".");
    }
    return m_szStartupDir;
}

void EConsole::SetStartupDirectory(const char* directory)
{
    std::snprintf(m_szStartupDir, sizeof m_szStartupDir, "%s", OrEmpty(directory));
    // Another folder has another log, rotated on its own.
    ForgetEarlyLines();
    m_bRotatedAtStart = 0;
}

// ---- Log rotation ------------------------------------------------------------

void EConsole::RotateLog()
{
    float keep = 0.0f;
    GetVariable("BackupConsole", &keep);
    const std::string log = TkResolvePath(JoinPath(GetStartupDirectory(), ROTATED_LOG_FILE).c_str());
    std::error_code error;
    if (!std::filesystem::exists(log, error))
        return;
    if (keep == 0.0f)
    {
        std::filesystem::remove(log, error);
        return;
    }

    const std::time_t now = std::time(nullptr);
    std::tm t = {};
    ::localtime_r(&now, &t);
    char name[128];
    std::snprintf(name, sizeof name, "!Console %i-%i-%i at %i-%i-%i", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    // Two rotations within one second (a very short run) must not overwrite
    // the first copy.
    std::string copy = JoinPath(GetStartupDirectory(), (std::string(name) + ".txt").c_str());
    for (int n = 2; std::filesystem::exists(TkResolvePath(copy.c_str()), error) && n < 1000; ++n)
        copy =
            JoinPath(GetStartupDirectory(), (std::string(name) + " (" + std::to_string(n) + ").txt").c_str());
    std::filesystem::rename(log, TkResolvePath(copy.c_str()), error);
    if (error)
        Print2("ERROR in EConsole::BackupConsole(): the log could not be kept as ", copy.c_str());
}

void EConsole::HoldEarlyLine(const char* text)
{
    const std::string log = TkResolvePath(JoinPath(GetStartupDirectory(), LOG_FILE).c_str());
    std::error_code error;
    if (m_llLogLengthBeforeRun < 0)
    {
        const bool exists = std::filesystem::exists(log, error);
        const auto length = exists ? std::filesystem::file_size(log, error) : 0;
        m_llLogLengthBeforeRun = error ? 0 : static_cast<long long>(length);
        m_pEarlyLines = new std::string();
    }
    if (m_pEarlyLines->size() < kMaxEarlyLogBytes)
        m_pEarlyLines->append(text, strnlen(text, PRINT_MAX)).push_back('\n');
}

void EConsole::ForgetEarlyLines()
{
    delete m_pEarlyLines;
    m_pEarlyLines = nullptr;
    m_llLogLengthBeforeRun = -1;
}

// The log of the last run still has this run's first lines at its end: they
// are cut off before it is rotated (so a dated copy holds the last run only)
// and written again into the fresh log.
void EConsole::BackupConsoleAtStart()
{
    m_bRotatedAtStart = 1;
    std::string early;
    if (m_pEarlyLines)
    {
        early.swap(*m_pEarlyLines);
        const std::string log = TkResolvePath(JoinPath(GetStartupDirectory(), LOG_FILE).c_str());
        std::error_code error;
        if (m_llLogLengthBeforeRun > 0)
            std::filesystem::resize_file(log, static_cast<std::uintmax_t>(m_llLogLengthBeforeRun), error);
        else
            std::filesystem::remove(log, error);
    }
    ForgetEarlyLines();
    RotateLog();
    size_t start = 0;
    while (start < early.size())
    {
        const size_t end = early.find('\n', start);
        AppendLogLine(early.substr(start, end - start).c_str(), LOG_FILE, PRINT_MAX);
        start = end + 1;
    }
}

void EConsole::BackupConsoleAtExit()
{
    float keep = 0.0f;
    GetVariable("BackupConsole", &keep);
    if (keep != 0.0f)
        RotateLog();
}

// ---- Variables -----------------------------------------------------------------

EConsoleVariable* EConsole::NewVariable()
{
    EConsoleVariable* variable = new EConsoleVariable();
    if (g_Options.SystemDebug)
    {
        g_Debug.AddAllocation("zmienna konsoli");
        variable->tracked = 1;
    }
    variable->next = m_pZmienne;
    if (m_pZmienne)
        m_pZmienne->prev = variable;
    m_pZmienne = variable;
    ++m_iVariableCount;
    return variable;
}

void EConsole::FreeVariables()
{
    while (EConsoleVariable* variable = m_pZmienne)
    {
        m_pZmienne = variable->next;
        // Released under the tag it was counted with, so the tracker's
        // listing balances.
        if (variable->tracked)
            g_Debug.RemoveAllocation("zmienna konsoli");
        delete variable;
    }
    m_iVariableCount = 0;
    if (m_pVariableIndex)
        m_pVariableIndex->clear();
}

EConsoleVariable* EConsole::FindVariable(const char* name)
{
    if (!name)
        return nullptr;
    // Names are kept cut to the field; a longer name must find its cut copy.
    char key[EConsoleVariable::NAME_CHARS];
    CopyCut(key, sizeof key, name);
    if (!m_pVariableIndex)
        return nullptr;
    const auto found = m_pVariableIndex->find(IndexKey(key));
    return found == m_pVariableIndex->end() ? nullptr : found->second;
}

void EConsole::SetVariable(const char* name, float value, BYTE fromConfig)
{
    if (!name)
        return;
    if (EConsoleVariable* variable = FindVariable(name))
    {
        variable->value = value;
        return;
    }
    EConsoleVariable* variable = NewVariable();
    CopyCut(variable->name, sizeof variable->name, name);
    if (!m_pVariableIndex)
        m_pVariableIndex = new std::unordered_map<std::string, EConsoleVariable*>();
    (*m_pVariableIndex)[IndexKey(variable->name)] = variable;
    variable->value = value;
    variable->fromConfig = fromConfig;
}

bool EConsole::GetVariable(const char* name, float* value)
{
    const EConsoleVariable* variable = FindVariable(name);
    if (value)
        *value = variable ? variable->value : 0.0f;
    return variable != nullptr;
}

// ---- Editor and commands -------------------------------------------------------

void EConsole::OnKey(WPARAM key)
{
    if (key == VK_OEM_3)
        Close();
    if (key == VK_F8)
        g_Engine.SaveScreenshot();

    size_t length = std::strlen(m_szInput);
    if (m_iCursor > length)
        m_iCursor = static_cast<DWORD>(length);

    const int c = TranslateKey(key);
    if (c > 0)
    {
        if (length >= static_cast<size_t>(INPUT_MAX))
            return;
        std::memmove(m_szInput + m_iCursor + 1, m_szInput + m_iCursor, length - m_iCursor + 1);
        m_szInput[m_iCursor++] = static_cast<char>(c);
        return;
    }
    if (c == EDIT_DELETE)
    {
        if (m_iCursor < length)
            std::memmove(m_szInput + m_iCursor, m_szInput + m_iCursor + 1, length - m_iCursor);
        return;
    }

    switch (key)
    {
    case VK_BACK:
        if (m_iCursor > 0)
        {
            std::memmove(m_szInput + m_iCursor - 1, m_szInput + m_iCursor, length - m_iCursor + 1);
            --m_iCursor;
        }
        break;
    case VK_LEFT:
        if (m_iCursor > 0)
            --m_iCursor;
        break;
    case VK_RIGHT:
        if (m_iCursor < length)
            ++m_iCursor;
        break;
    case VK_UP:
        if (m_iHistoryIndex + 1 < static_cast<DWORD>(HISTORY_LINES) && m_szHistory[m_iHistoryIndex + 1][0])
        {
            ++m_iHistoryIndex;
            CopyCut(m_szInput, static_cast<size_t>(INPUT_MAX) + 1, m_szHistory[m_iHistoryIndex]);
            m_iCursor = static_cast<DWORD>(std::strlen(m_szInput));
        }
        break;
    case VK_DOWN:
        if (m_iHistoryIndex > 0)
        {
            --m_iHistoryIndex;
            CopyCut(m_szInput, static_cast<size_t>(INPUT_MAX) + 1, m_szHistory[m_iHistoryIndex]);
            m_iCursor = static_cast<DWORD>(std::strlen(m_szInput));
        }
        break;
    case VK_TAB:
        CompleteInput();
        break;
    case VK_RETURN:
        ExecuteLine();
        break;
    default:
        break;
    }
}

void EConsole::CompleteInput()
{
    if (!m_szInput[0])
        return;
    int matches = 0;
    const EConsoleVariable* match = nullptr;
    for (const EConsoleVariable* variable = m_pZmienne; variable; variable = variable->next)
        if (StartsWithNoCase(variable->name, m_szInput))
        {
            ++matches;
            match = variable;
        }
    if (matches == 1)
    {
        CopyCut(m_szInput, static_cast<size_t>(INPUT_MAX) + 1, match->name);
        m_iCursor = static_cast<DWORD>(std::strlen(m_szInput));
        return;
    }
    if (matches > 1)
        for (const EConsoleVariable* variable = m_pZmienne; variable; variable = variable->next)
            if (StartsWithNoCase(variable->name, m_szInput))
            {
                char line[EConsoleVariable::NAME_CHARS + 64];
                std::snprintf(line, sizeof line, "%s %f", variable->name,
                              static_cast<double>(variable->value));
                Print(line);
            }
}

void EConsole::ExecuteLine()
{
    char line[LINE_CHARS];
    std::snprintf(line, sizeof line, "%s", m_szInput);
    char word[LINE_CHARS];
    std::snprintf(word, sizeof word, "%s", line);
    CutAtBlank(word);
    char value[TEXT_LINE_LIMIT];
    std::snprintf(value, sizeof value, "%s", GetLineValue(line));

    if (line[0])
    {
        for (int k = HISTORY_LINES - 1; k > 1; --k)
            std::memcpy(m_szHistory[k], m_szHistory[k - 1], sizeof m_szHistory[k]);
        m_szHistory[0][0] = 0;
        std::snprintf(m_szHistory[1], sizeof m_szHistory[1], "%s", line);
    }
    m_iHistoryIndex = 0;
    m_szInput[0] = 0;
    m_iCursor = 0;

    if (CompareNoCase(word, "quit") == 0)
        g_Engine.RequestQuit();
    else if (CompareNoCase(word, "VersionFor") == 0)
    {
        Print("");
        Print("Final release RU.");
    }
    else if (CompareNoCase(word, "exec") == 0)
        ExecFile(value);
    else if (CompareNoCase(word, "close") == 0)
        Close();
    else if (CompareNoCase(word, "DebugWarzones") == 0)
        g_QuestSystem.PrintActiveWarzones();
    else if (const RegisteredCommand* command = FindCommand(m_Commands, m_iCommands, word))
    {
        Print(line);
        command->run(value);
    }
    else if (value[0])
    {
        Print(line);
        ApplySetting(word, value, 0);
    }
    else if (const EConsoleVariable* variable = FindVariable(word))
    {
        char text[EConsoleVariable::NAME_CHARS + 64];
        std::snprintf(text, sizeof text, "%s == %f", variable->name, static_cast<double>(variable->value));
        Print(text);
    }
    else
        Print(line);
}

bool EConsole::RegisterCommand(const char* name, Command command)
{
    if (!name || !name[0] || !command)
        return false;
    for (int i = 0; i < m_iCommands; ++i)
        if (CompareNoCase(m_Commands[i].name, name) == 0)
        {
            m_Commands[i].run = command;
            return true;
        }
    if (m_iCommands >= MAX_COMMANDS)
        return false;
    m_Commands[m_iCommands++] = RegisteredCommand{name, command};
    return true;
}

void EConsole::Open()
{
    m_bOpen = 1;
}

void EConsole::Close()
{
    m_bOpen = 0;
    g_Engine.AcquireInput();
}

void EConsole::Init()
{
    m_bLoading = 0;
    m_szInput[0] = 0;
    m_iCursor = 0;
}

void EConsole::GetInputWithCursor(char* out, size_t size) const
{
    if (!out || size == 0)
        return;
    const size_t length = strnlen(m_szInput, sizeof m_szInput);
    const size_t cursor = m_iCursor < length ? m_iCursor : length;
    std::snprintf(out, size, "%.*s|%s", static_cast<int>(cursor), m_szInput, m_szInput + cursor);
}

// ---- Drawing -------------------------------------------------------------------

void EConsole::Render()
{
    if (m_bOpen)
        DrawConsole();
    else
        DrawRecentLines();
}

void EConsole::DrawConsole()
{
    ERect& background = Background();
    if (background.m_bCreated)
    {
        background.Begin2D(false);
        background.Render(true);
        background.Restore2D();
    }
    if (auto* vb = static_cast<IDirect3DVertexBuffer9*>(m_pBarVertices); vb && g_pD3DInterface)
    {
        g_pD3DInterface->SetRenderState(D3DRS_LIGHTING, FALSE);
        g_pD3DInterface->SetRenderState(D3DRS_FOGENABLE, FALSE);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        g_pD3DInterface->SetTransform(D3DTS_WORLD, &identity);
        g_pD3DInterface->SetStreamSource(0, vb, 0, kBarVertexSize);
        g_pD3DInterface->SetVertexShader(nullptr);
        g_pD3DInterface->SetPixelShader(nullptr);
        g_pD3DInterface->SetFVF(m_dwBarFVF);
        g_pD3DInterface->SetTexture(0, nullptr);
        g_pD3DInterface->DrawPrimitive(D3DPT_LINELIST, 0, kBarVertices / 2);
    }
    const float sx = g_Options.fScreenScaleX;
    const float sy = g_Options.fScreenScaleY;
    const int step = static_cast<int>(14.0f * sy);
    const float x = static_cast<float>(static_cast<int>(14.0f * sx));
    const DWORD green = 0xFF80FF80;
    g_TTFontMgr.SetCurrentFont(0);
    for (int i = 0; i < DRAWN_LINES; ++i)
        g_TTFontMgr.DrawText(m_szLines[RING_LINES - DRAWN_LINES + i], x, static_cast<float>(8 + i * step),
                             green, 0, 0);
    const float promptY = static_cast<float>(8 + DRAWN_LINES * step);
    g_TTFontMgr.DrawText(">", x, promptY, green, 0, 0);
    char input[LINE_CHARS + 2];
    GetInputWithCursor(input, sizeof input);
    g_TTFontMgr.DrawText(input, static_cast<float>(static_cast<int>(22.0f * sx)), promptY, green, 0, 0);
    const float versionY =
        static_cast<float>(static_cast<int>(static_cast<float>(g_Options.screenheight) * 0.5f - 16.0f * sy));
    g_TTFontMgr.DrawText(" ver 1.17, 12 X 2012.", 840.0f * sx, versionY, 0x80408040, 0, 0);
}

void EConsole::DrawRecentLines()
{
    const DWORD count = m_iRecentLines < static_cast<DWORD>(RING_LINES) ? m_iRecentLines : RING_LINES;
    if (count)
        g_TTFontMgr.SetCurrentFont(0);
    for (DWORD i = 0; i < count; ++i)
    {
        const char* line = m_szLines[RING_LINES - count + i];
        const float y = static_cast<float>(14 * i);
        g_TTFontMgr.DrawText(line, 3.0f, y + 1.0f, 0xFF000000, 0, 0);
        g_TTFontMgr.DrawText(line, 2.0f, y, 0xFF80FF80, 0, 0);
    }
}

// The background rectangle and the bar's four lines: the lower edge of the
// background twice (a 2-pixel rule), the rule above the prompt, and the left
// edge of the text column.
void EConsole::CreateDeviceObjects()
{
    if (!g_pD3DInterface)
        return;
    const float w = static_cast<float>(g_Options.screenwidth);
    const float half = static_cast<float>(g_Options.screenheight) * 0.5f;
    Background().Release();
    Background().Create("czarne.tga", 0.0f, 0.0f, w, half, kBackgroundColor);

    auto* vb = static_cast<IDirect3DVertexBuffer9*>(m_pBarVertices);
    if (!vb && (FAILED(g_pD3DInterface->CreateVertexBuffer(kBarVertices * kBarVertexSize, D3DUSAGE_WRITEONLY,
                                                           m_dwBarFVF, D3DPOOL_MANAGED, &vb, nullptr)) ||
                !vb))
    {
        m_pBarVertices = nullptr;
        Print("Failed to create the console bar's vertex buffer");
        return;
    }
    m_pBarVertices = vb;
    const float sx = g_Options.fScreenScaleX, sy = g_Options.fScreenScaleY;
    const float step = static_cast<float>(static_cast<int>(14.0f * sy));
    const float rule = 8.0f + static_cast<float>(DRAWN_LINES) * step - 2.0f;
    const float left = static_cast<float>(static_cast<int>(10.0f * sx));
    const BarVertex v[kBarVertices] = {
        {0.0f, half - 1.0f, 0.0f, 1.0f, kBarColor}, {w, half - 1.0f, 0.0f, 1.0f, kBarColor},
        {0.0f, half - 2.0f, 0.0f, 1.0f, kBarColor}, {w, half - 2.0f, 0.0f, 1.0f, kBarColor},
        {0.0f, rule, 0.0f, 1.0f, kBarColor},        {w, rule, 0.0f, 1.0f, kBarColor},
        {left, 0.0f, 0.0f, 1.0f, kBarColor},        {left, rule, 0.0f, 1.0f, kBarColor}};
    void* bits = nullptr;
    if (FAILED(vb->Lock(0, 0, &bits, 0)) || !bits)
        return;
    std::memcpy(bits, v, sizeof v);
    vb->Unlock();
}

void EConsole::ReleaseDeviceObjects()
{
    Background().Release();
    LoadingPicture().Release();
    ProgressBar().Release();
    if (auto* vb = static_cast<IDirect3DVertexBuffer9*>(m_pBarVertices))
        vb->Release();
    m_pBarVertices = nullptr;
}

// ---- Loading screen ------------------------------------------------------------

void EConsole::StartLoadingScreen(const char* worldFile)
{
    m_iMeshLines = 0;
    m_dwLoadingTotal = LOADING_BASE_TOTAL;
    m_dwLoadingDone = 0;
    m_fLoadingProgress = 0.0f;
    m_dwLoadingAlpha = 255;
    m_dwLoadingSpare = 0;
    m_dwLoadingFrames = 0;
    if (FILE* f = worldFile ? TkFopen(worldFile, "r") : nullptr)
    {
        char line[1024];
        while (!std::feof(f) && !std::ferror(f))
        {
            ReadLineOrSkip(f, line, sizeof line - 1);
            CutAtBlank(line);
            // World-file keywords match exactly, case included.
            if (std::strcmp(line, "mesh") == 0)
            {
                ++m_iMeshLines;
                ++m_dwLoadingTotal;
            }
        }
        std::fclose(f);
    }
    m_bLoading = 1;
    m_iLoadingEighth = -1;

    // The picture whose number appears in the world's file name; the highest wins.
    int picture = 1;
    for (int n = 1; n <= 14; ++n)
    {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02d", n);
        char name[TEXT_LINE_LIMIT];
        std::snprintf(name, sizeof name, "%s", OrEmpty(worldFile));
        if (FindNoCase(name, digits))
            picture = n;
    }
    std::snprintf(m_szLoadingPicture, sizeof m_szLoadingPicture, "loading%02d.tga", picture);
    const float w = static_cast<float>(g_Options.screenwidth), h = static_cast<float>(g_Options.screenheight);
    // A world whose picture is missing loads over black rather than asking
    // the texture loader for a file that is not there.
    LoadingPicture().Release();
    if (g_Renderer.FindTexturePath(m_szLoadingPicture))
        LoadingPicture().Create(m_szLoadingPicture, 0.0f, 0.0f, w, h, 0xFFFFFFFF);
    else
        Print2("No loading picture ", m_szLoadingPicture);
    ProgressBar().Release();
    if (g_Renderer.FindTexturePath(kProgressBarTexture))
        ProgressBar().Create(kProgressBarTexture, 0.0f, 0.0f, w, h, kBarFillColor);
    DrawLoadingScreen(m_iLoadingEighth);
}

void EConsole::AddLoadingTotal(int n)
{
    const long long total = static_cast<long long>(m_dwLoadingTotal) + n;
    m_dwLoadingTotal = total > 0 ? static_cast<DWORD>(total) : 0;
}

void EConsole::StepLoading()
{
    ++m_dwLoadingDone;
    if (m_dwLoadingTotal)
        m_iLoadingEighth =
            static_cast<int>(static_cast<unsigned long long>(m_dwLoadingDone) * 8 / m_dwLoadingTotal);
}

void EConsole::AdvanceLoading(int n)
{
    const long long done = static_cast<long long>(m_dwLoadingDone) + n;
    m_dwLoadingDone = done > 0 ? static_cast<DWORD>(done) : 0;
    if (!m_bLoading || !m_dwLoadingTotal)
        return;
    const int eighth =
        static_cast<int>(static_cast<unsigned long long>(m_dwLoadingDone) * 8 / m_dwLoadingTotal);
    if (eighth != m_iLoadingEighth)
    {
        m_iLoadingEighth = eighth;
        DrawLoadingScreen(eighth);
    }
}

void EConsole::DrawLoadingScreen(int)
{
    if (!m_bLoading || g_CutScene.m_bPlaying || g_MainGame.m_iLevelFrame >= 199)
        return;
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
    {
        DrawProgressBar();
        DrawLoadingText();
        g_LoadingScreen.Update();
        return;
    }
    device->Clear(0, nullptr, D3DMain::FullClearFlags(), D3DCOLOR_ARGB(0xFF, 0, 0, 0), 1.0f, 0);
    // Inside a scene someone else opened nothing is drawn: the next frame's
    // loading screen shows the same progress.
    if (FAILED(device->BeginScene()))
        return;
    DrawLoadingPicture();
    DrawProgressBar();
    DrawLoadingText();
    g_LoadingScreen.Update();
    g_LoadingScreen.RenderBriefingLines();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void EConsole::DrawLoadingPicture()
{
    g_Menu.DrawBackground(&LoadingPicture());
}

void EConsole::DrawProgressBar()
{
    if (m_dwLoadingDone > m_dwLoadingTotal)
        m_dwLoadingDone = m_dwLoadingTotal;
    float progress = 0.0f;
    if (m_dwLoadingTotal)
        progress = 1.0f - static_cast<float>(m_dwLoadingTotal - m_dwLoadingDone) /
                              static_cast<float>(m_dwLoadingTotal);
    progress *= 1.2f;
    if (progress < 0.0f)
        progress = 0.0f;
    if (progress > 1.0f)
        progress = 1.0f;
    m_fLoadingProgress = progress;
    ERect& bar = ProgressBar();
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!bar.m_bCreated || !device)
        return;
    DWORD lighting = FALSE, fog = FALSE;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    const float sx = g_Options.fScreenScaleX, sy = g_Options.fScreenScaleY;
    bar.Begin2D(false);
    bar.SetRect(kBarLeft * sx, kBarTop * sy, (kBarLeft + kBarWidth) * sx, kBarBottom * sy);
    bar.SetColor(kBarBackColor);
    bar.Render(true);
    bar.SetRect(kBarLeft * sx, kBarTop * sy, kBarLeft * sx + progress * kBarWidth * sx, kBarBottom * sy);
    bar.SetColor(kBarFillColor);
    bar.Render(true);
    bar.Restore2D();
    device->SetRenderState(D3DRS_LIGHTING, lighting);
    device->SetRenderState(D3DRS_FOGENABLE, fog);
}

void EConsole::DrawLoadingText()
{
    if (!m_bLoading)
        return;
    // The caption names the level being loaded by its display name (its level
    // script's "level_d"); a level without one says ">S22".
    const char* level = g_GameAI.m_szLevelDisplayName;
    char caption[TEXT_LINE_LIMIT];
    std::snprintf(caption, sizeof caption, "%s %s", g_TextMgr.GetText(">LD"),
                  level[0] ? level : g_TextMgr.GetText(">S22"));
    g_Font.DrawText(caption, 80.0f * g_Options.fScreenScaleX, 698.0f * g_Options.fScreenScaleY, 0xFFD9D5BF,
                    18.0f, 0, false, false);
}

void EConsole::EndLoadingScreen()
{
    ReleaseLoadingPicture();
    ProgressBar().Release();
    m_bLoading = 0;
}

void EConsole::ReleaseLoadingPicture()
{
    m_szLoadingPicture[0] = 0;
    LoadingPicture().Release();
}
