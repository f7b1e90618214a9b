#include "shell/WinMain.h"

#include "game/MainGame.h"
#include "render/LensFlare.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Launcher.h"
#include "shell/Profiler.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "shell/Timer.h"
#include "platform/d3d9/D3D9.h"
#include "platform/win32/EventScript.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <string>

HINSTANCE g_hInst = nullptr;
HWND g_hWnd = nullptr;
RECT g_rcWindow = {};
SYSTEMTIME g_stStart = {};
BYTE g_bQuitting = 0;
BYTE g_bLauncherExit = 0;
BYTE g_bShowLauncher = 0;
BYTE g_bShowVideoOptions = 0;

namespace
{
// Reports of the previous run; each run writes its own.
const char* const kReportFiles[] = {"!error.txt", "!anims.txt",    "!subsets.txt",
                                    "!techs.txt", "!textures.txt", "!variables.txt"};

// The window's name when the text keys do not give one.
const char* const kDefaultGameName = "Duskmere 2";

// Debug timers of the frame measurement (the engine update is timed from 401).
constexpr unsigned kFrameTimer = 401;
constexpr unsigned kMeasuredTimer = 407;

void BringToTop()
{
    SetForegroundWindow(g_hWnd);
}

// The event script's "screenshot": asks for one, as the screenshot key does;
// the next rendered frame saves it.
bool ScriptScreenshot(const std::string& args)
{
    if (!args.empty())
        return false;
    g_Engine.m_bScreenshot = 1;
    return true;
}

// Leaves without a device: the launcher's Exit, or no usable device.
int ShortExit()
{
    g_TTFontMgr.UninstallFonts();
    g_Input.Release();
    PostQuitMessage(0);
    return 0;
}
} // namespace

namespace
{
// The process's exit code once the loop ends: non-zero after QuitOnError.
int g_iErrorExitCode = 0;
} // namespace

void QuitOnError(const char* what, const char* name)
{
    std::fprintf(stderr, "Duskmere 2 stops: %s%s\n", what ? what : "", name ? name : "");
    g_iErrorExitCode = 1;
    g_Engine.RequestQuit();
}

void QuitApplication()
{
    if (g_bQuitting)
        return;
    g_bQuitting = 1;
    g_D3DMain.Shutdown();
    PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_FocusMgr.m_bOnFocus)
    {
        // Before the device is up and while it is lost the engine gets no
        // messages, but closing the window must still end the program.
        // Before the device exists there is no engine to shut down: start-up
        // sees the flag and takes its short way out.
        if (message == WM_DESTROY)
        {
            if (g_D3DMain.m_bDeviceReady)
                QuitApplication();
            else if (!g_bQuitting)
            {
                g_bQuitting = 1;
                PostQuitMessage(0);
            }
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    g_D3DMain.HandleMessage(hwnd, message, wParam, lParam);
    switch (message)
    {
    case WM_DESTROY:
        QuitApplication();
        return 0;
    case WM_PAINT:
    case WM_COMMAND:
    {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_APP + 1:
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RunLoopPass(MSG& msg)
{
    if (g_Engine.m_bQuit || msg.message == WM_QUIT)
        return false;

    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        return !g_Engine.m_bQuit;
    }

    if (!g_FocusMgr.Check())
        return true;
    if (!g_Engine.Tick())
        return true;

    g_Profiler.BeginSection(PS_ENGINE_UPDATE);
    g_Engine.Update();
    g_Profiler.EndSection(PS_ENGINE_UPDATE);

    if (g_Options.DebugPerformance)
    {
        g_Debug.m_fMeasuredFrameTime = g_Debug.GetTimerElapsed(kMeasuredTimer);
        g_Debug.StartTimer(kFrameTimer);
    }

    g_Profiler.BeginSection(PS_MAINGAME_UPDATE);
    g_MainGame.Update();
    g_Profiler.EndSection(PS_MAINGAME_UPDATE);

    g_LensFlare.Update();

    if (g_MainGame.m_bWorldActive || g_Menu.m_bMenuActive)
        g_D3DMain.Render();

    if (g_LoadingScreen.m_bActive)
        g_LoadingScreen.Render();

    // A world requested during the frame starts only now, after it was drawn.
    if (g_Engine.m_szNextWorld[0])
    {
        char world[sizeof g_Engine.m_szNextWorld];
        std::snprintf(world, sizeof world, "%s", g_Engine.m_szNextWorld);
        if (g_Options.Debug)
            g_Console.Print2("Starting world ", world);
        g_Engine.StartWorld(world);
    }
    return !g_Engine.m_bQuit;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCode)
{
    g_iErrorExitCode = 0;
    TkRegisterScriptAction("screenshot", ScriptScreenshot);

    // The window class and the title are both the game's name.
    // Without the text-key file there is no name, and a window class needs
    // one: the game's own name stands in, and the log says why.
    char name[256];
    std::snprintf(name, sizeof name, "%s", g_TextMgr.GetText(">GameName"));
    const bool nameMissing = name[0] == 0;
    if (nameMissing)
        std::snprintf(name, sizeof name, "%s", kDefaultGameName);
    if (FindWindowA(name, name))
        return 0;
    CreateMutexA(nullptr, FALSE, "Duskmere2");

    g_pD3D = nullptr;
    g_pD3DInterface = nullptr;
    for (const char* report : kReportFiles)
        DeleteFileA(report);
    g_bQuitting = 0;

    CoInitializeEx(nullptr, 0);

    g_Console.LoadConfig("tk.cfg");
    g_Console.BackupConsoleAtStart();
    g_Console.Print("Welcome to Duskmere 2.");
    g_Console.Print("Tovak 5 engine starting.");
    if (nameMissing)
        g_Console.Print("ERROR: no text for >GameName in scripts\\text_keys.txt");

    std::srand(static_cast<unsigned>(100.0 * Timer(TIMER_GETABSOLUTETIME)));

    g_hInst = instance;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(141));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(141));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
    wc.lpszMenuName = name;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);

    if (g_Options.Windowed)
        g_hWnd = CreateWindowExA(0, name, name, WS_POPUP | WS_VISIBLE | WS_CAPTION, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
    else
        g_hWnd = CreateWindowExA(0, name, name, WS_POPUP | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1, 1,
                                 nullptr, nullptr, instance, nullptr);
    if (!g_hWnd)
    {
        g_bQuitting = 1;
        PostQuitMessage(0);
        return 0;
    }
    GetWindowRect(g_hWnd, &g_rcWindow);
    ShowWindow(g_hWnd, showCode);
    UpdateWindow(g_hWnd);
    BringToTop();
    GetSystemTime(&g_stStart);

    g_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!g_pD3D)
    {
        MessageBoxA(g_hWnd, "DX9.0c or newer could not have been found!", "Tk message", MB_OK);
        return 0;
    }

    g_Input.Create();

    g_bLauncherExit = 0;
    if (g_D3DMain.LoadVideoConfig())
        g_bShowLauncher = 1;
    else
        g_bShowVideoOptions = 1;
    for (;;)
    {
        if (g_bShowLauncher)
        {
            g_bShowLauncher = 0;
            RunLauncherDialog();
        }
        else if (g_bShowVideoOptions)
        {
            g_bShowVideoOptions = 0;
            RunVideoOptionsDialog();
        }
        else
            break;
    }

    g_TTFontMgr.InstallFonts();

    // The window closed during the launcher ends the program as Exit does.
    if (g_bLauncherExit || g_bQuitting)
    {
        g_bQuitting = 1;
        SAFE_RELEASE(g_pD3D);
        return ShortExit();
    }

    for (int i = 0; i < 2; ++i)
    {
        BringToTop();
        SetFocus(g_hWnd);
    }
    g_D3DMain.Create(g_hWnd);
    if (!g_D3DMain.m_bDeviceReady)
    {
        // D3DMain has shown why; the Direct3D object is no longer needed.
        g_D3DMain.m_pD3D = nullptr;
        SAFE_RELEASE(g_pD3D);
        return ShortExit();
    }

    BringToTop();
    g_FocusMgr.Activate();
    BringToTop();
    g_D3DMain.Render();
    g_MainGame.Init();
    BringToTop();

    MSG msg = {};
    while (RunLoopPass(msg))
    {
    }

    QuitApplication();
    g_Console.Print("Tovak 5 engine out, good bye!");
    g_Console.BackupConsoleAtExit();
    g_Console.FreeVariables();
    CoUninitialize();
    g_TTFontMgr.UninstallFonts();
    g_Input.Release();
    // The loop can also end on the engine's quit flag, with some other message
    // last taken: only WM_QUIT carries an exit code.
    if (g_iErrorExitCode)
        return g_iErrorExitCode;
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
