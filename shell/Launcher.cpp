#include "shell/Launcher.h"

#include "game/MainGame.h"
#include "platform/d3d9/D3D9.h"
#include "platform/win32/Dialog.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "shell/WinMain.h"

#include <cstdio>
#include <cstring>
#include <string>

char g_szResolutions[MAX_RESOLUTIONS][RESOLUTION_TEXT_CHARS] = {};
int g_iResolutionWidth[MAX_RESOLUTIONS] = {};
int g_iResolutionHeight[MAX_RESOLUTIONS] = {};
int g_iResolutionCount = 0;

namespace
{
const char* const kConfigFile = "tk.cfg";
const char* const kConfigCopy = "tk.bak";
// A settings file is a few hundred bytes; anything this large is no settings file.
constexpr long kMaxConfigBytes = 1024 * 1024;

struct Size
{
    int width;
    int height;
};

// The sizes offered, in this order, when the adapter has them.
const Size kOfferedSizes[] = {{800, 600},   {1024, 768},  {1280, 720},  {1280, 1024},
                              {1380, 720},  {1366, 768},  {1440, 900},  {1600, 1200},
                              {1680, 1050}, {1920, 1080}, {1920, 1200}, {2048, 1536}};

struct ControlText
{
    int id;
    const char* textKey;
};

const ControlText kLauncherTexts[] = {
    {IDC_GAME_NAME, ">GameName"},    {IDC_TRANSLATION, ">Trans"}, {IDC_VIDEO_SETTINGS, ">MOVideo"},
    {IDC_RESOLUTION_LABEL, ">Lt01"}, {IDC_START, ">Lt09"},        {IDC_EXIT, ">Lt11"},
};

// Whether adapter 0 offers this exact X8R8G8B8 mode.
bool AdapterHasMode(int width, int height)
{
    if (!g_pD3D)
        return false;
    const UINT count = g_pD3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < count; ++i)
    {
        D3DDISPLAYMODE mode;
        if (SUCCEEDED(g_pD3D->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode)) &&
            static_cast<int>(mode.Width) == width && static_cast<int>(mode.Height) == height)
            return true;
    }
    return false;
}

void FillLauncherDialog(HWND dialog)
{
    g_iResolutionCount = 0;
    for (const Size& size : kOfferedSizes)
        AddResolution(size.width, size.height);
    g_CommandMgr.LoadKeys();
    for (const ControlText& t : kLauncherTexts)
        SetDlgItemTextA(dialog, t.id, g_TextMgr.GetText(t.textKey));
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < g_iResolutionCount; ++i)
    {
        SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(g_szResolutions[i]));
        if (g_iResolutionWidth[i] == g_Options.screenwidth &&
            g_iResolutionHeight[i] == g_Options.screenheight)
            SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
}

// The chosen size into the options and "tk.cfg". With nothing chosen (an
// adapter without any of the sizes) the sizes of "tk.cfg" stay.
void TakeChosenSize(HWND dialog)
{
    const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0);
    if (chosen >= 0 && chosen < g_iResolutionCount)
    {
        g_Options.screenwidth = g_iResolutionWidth[chosen];
        g_Options.screenheight = g_iResolutionHeight[chosen];
    }
    SettleScreenSize();
    SaveScreenSizeToConfig();
}

// The game's first level, when it names one, is the world to start.
void TakeFirstLevel()
{
    const char* level = g_MainGame.m_szLevelNames[0];
    const size_t length = strnlen(level, CMainGame::LEVEL_NAME_CHARS);
    if (!length)
        return;
    if (length >= sizeof g_Options.runworld)
        g_Console.Print2("ERROR in LauncherDlgProc(): the level name is too long for runworld and is cut: ",
                         level);
    std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%.*s", static_cast<int>(length), level);
}

// Takes what is waiting for the window; true when the quit message came.
bool PumpUntilQuit(HWND window)
{
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            // Left for the main loop, which ends on it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return false;
}

void RunDialog(int resource, DLGPROC proc, HWND window)
{
    RegisterLauncherDialogs();
    if (!window)
        window = g_hWnd;
    if (DialogBoxParamA(g_hInst, MAKEINTRESOURCEA(resource), window, proc, 0) < 0)
        g_Console.PrintInt("ERROR: the launcher could not show its dialog ", resource);
    if (PumpUntilQuit(window))
    {
        // The player closed the program while the dialog was up: leave as
        // Exit does, without a device.
        g_bLauncherExit = 1;
        g_bShowLauncher = 0;
        g_bShowVideoOptions = 0;
    }
}

// Lines of a text with their own line ends (LF, CRLF or CR; the last may have none).
struct Line
{
    std::string text;
    std::string end;
};

std::vector<Line> SplitLines(const std::string& all)
{
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < all.size())
    {
        size_t cut = all.find_first_of("\r\n", pos);
        Line line;
        if (cut == std::string::npos)
        {
            line.text = all.substr(pos);
            pos = all.size();
        }
        else
        {
            line.text = all.substr(pos, cut - pos);
            size_t after = cut + 1;
            if (all[cut] == '\r' && after < all.size() && all[after] == '\n')
                ++after;
            line.end = all.substr(cut, after - cut);
            pos = after;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool ReadWhole(const char* name, std::string& out)
{
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    char buffer[4096];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    {
        out.append(buffer, n);
        if (out.size() > static_cast<size_t>(kMaxConfigBytes))
        {
            ok = false;
            break;
        }
    }
    if (std::ferror(f))
        ok = false;
    std::fclose(f);
    return ok;
}
} // namespace

bool AddResolution(int width, int height)
{
    if (g_iResolutionCount >= MAX_RESOLUTIONS || !AdapterHasMode(width, height))
        return false;
    std::snprintf(g_szResolutions[g_iResolutionCount], RESOLUTION_TEXT_CHARS, "%ix%i", width, height);
    g_iResolutionWidth[g_iResolutionCount] = width;
    g_iResolutionHeight[g_iResolutionCount] = height;
    ++g_iResolutionCount;
    return true;
}

bool SaveScreenSizeToConfig()
{
    // No "tk.cfg", nothing to rewrite.
    if (!CopyFileA(kConfigFile, kConfigCopy, FALSE))
        return false;
    std::string all;
    if (!ReadWhole(kConfigCopy, all))
    {
        g_Console.Print3("ERROR in SaveScreenSizeToConfig(): ", kConfigFile,
                         " could not be read; left as it was");
        DeleteFileA(kConfigCopy);
        return false;
    }

    std::string rewritten;
    std::vector<std::string> applied;
    for (const Line& line : SplitLines(all))
    {
        std::string text = line.text;
        if (IsKeyword(line.text.c_str(), "screenwidth"))
            text = "ScreenWidth " + std::to_string(g_Options.screenwidth);
        else if (IsKeyword(line.text.c_str(), "screenheight"))
            text = "ScreenHeight " + std::to_string(g_Options.screenheight);
        if (text != line.text)
            applied.push_back(text);
        rewritten += text + line.end;
    }

    FILE* out = TkFopen(kConfigFile, "wb");
    bool written = out && std::fwrite(rewritten.data(), 1, rewritten.size(), out) == rewritten.size();
    if (out && std::fclose(out) != 0)
        written = false;
    if (!written)
    {
        // Whatever part of it was written, the copy is the file as it was.
        if (CopyFileA(kConfigCopy, kConfigFile, FALSE))
        {
            DeleteFileA(kConfigCopy);
            g_Console.Print3("ERROR in SaveScreenSizeToConfig(): ", kConfigFile,
                             " could not be written; put back as it was");
        }
        else
            g_Console.Print4("ERROR in SaveScreenSizeToConfig(): ", kConfigFile,
                             " could not be written; its old lines are kept in ", kConfigCopy);
        return false;
    }
    for (const std::string& line : applied)
        g_Console.ExecuteSetting(line.c_str());
    DeleteFileA(kConfigCopy);
    return true;
}

INT_PTR CALLBACK LauncherDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        g_bLauncherExit = 0;
        FillLauncherDialog(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam))
    {
    case IDC_EXIT:
    case IDCANCEL: // the close box
        g_bLauncherExit = 1;
        EndDialog(dialog, IDC_EXIT);
        return TRUE;
    case IDC_START:
        TakeChosenSize(dialog);
        TakeFirstLevel();
        EndDialog(dialog, IDC_START);
        return TRUE;
    case IDC_VIDEO_SETTINGS:
        TakeChosenSize(dialog);
        g_bShowVideoOptions = 1;
        EndDialog(dialog, IDC_VIDEO_SETTINGS);
        return TRUE;
    default:
        return FALSE;
    }
}

void RunLauncherDialog(HWND window)
{
    RunDialog(IDD_LAUNCHER, LauncherDlgProc, window);
}

void RunVideoOptionsDialog(HWND window)
{
    RunDialog(IDD_VIDEO_OPTIONS, VideoOptionsDlgProc, window);
}

void RegisterLauncherDialogs()
{
    // The video dialog's controls carry their own texts, as its resource
    // does; the text keys replace them when the dialog fills itself.
    if (TkHasDialogTemplate(IDD_LAUNCHER) && TkHasDialogTemplate(IDD_VIDEO_OPTIONS))
        return;
    using K = TkControlKind;
    TkRegisterDialogTemplate(
        IDD_LAUNCHER, TkDialogTemplate{"Duskmere 2",
                                       340,
                                       360,
                                       {
                                           {IDC_GAME_NAME, K::Text, "", 20, 14, 300, 24, false},
                                           {IDC_TRANSLATION, K::Text, "", 20, 38, 300, 20, false},
                                           {IDC_RESOLUTION_LABEL, K::Text, "", 20, 76, 140, 22, false},
                                           {IDC_RESOLUTION, K::ComboBox, "", 170, 76, 150, 22, false},
                                           {IDC_VIDEO_SETTINGS, K::Button, "", 20, 250, 300, 28, false},
                                           {IDC_START, K::DefaultButton, "", 20, 306, 140, 30, false},
                                           {IDC_EXIT, K::Button, "", 180, 306, 140, 30, false},
                                       }});
    TkRegisterDialogTemplate(
        IDD_VIDEO_OPTIONS,
        TkDialogTemplate{
            "Video settings",
            440,
            420,
            {
                {IDC_QUALITY_LABEL, K::Text, "", 20, 10, 400, 22, false},
                {IDC_REALISTIC, K::RadioButton, "Realistic", 30, 36, 180, 22, true},
                {IDC_FAST, K::RadioButton, "Fast", 230, 36, 180, 22, false},
                {IDC_POINT_LIGHT_SHADOWS, K::CheckBox, "Draw point lights shadows", 20, 70, 400, 22, true},
                {IDC_AMBIENT_OCCLUSION, K::CheckBox, "Screen Space Ambient Occlusion", 20, 94, 400, 22,
                 false},
                {IDC_WATER_REFLECTION, K::CheckBox, "Realtime water reflection", 20, 118, 400, 22, false},
                {IDC_GRASS, K::CheckBox, "Draw grass", 20, 142, 400, 22, false},
                {IDC_BIRDS, K::CheckBox, "Draw birds", 20, 166, 400, 22, false},
                {IDC_DUST, K::CheckBox, "Draw floating leaves", 20, 190, 400, 22, false},
                {IDC_SHADOW_QUALITY_LABEL, K::Text, "Shadow quality:", 20, 226, 240, 22, false},
                {IDC_SHADOW_QUALITY, K::ComboBox, "", 270, 226, 150, 22, false},
                {IDC_WORLD_TEXTURE_QUALITY_LABEL, K::Text, "World texture quality:", 20, 256, 240, 22, false},
                {IDC_WORLD_TEXTURE_QUALITY, K::ComboBox, "", 270, 256, 150, 22, false},
                {IDC_ANIMATED_TEXTURE_QUALITY_LABEL, K::Text, "Animated models texture quality:", 20, 286,
                 240, 22, false},
                {IDC_ANIMATED_TEXTURE_QUALITY, K::ComboBox, "", 270, 286, 150, 22, false},
                {IDC_WATER_QUALITY_LABEL, K::Text, "Water reflection quality:", 20, 316, 240, 22, false},
                {IDC_WATER_QUALITY, K::ComboBox, "", 270, 316, 150, 22, false},
                {IDC_VIDEO_OK, K::DefaultButton, "", 160, 372, 120, 30, false},
            }});
}
