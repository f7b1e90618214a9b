#pragma once
// Starting the game's shell in-process on the headless backend, as WinMain
// does: the game's own window (its procedure is the game's) and then the
// Direct3D object and device. Header-only and free of the test framework, so
// that benchmarks can start the same way.

// Relative, so that benchmarks (outside the tests' include path) find it too.
#include "TestWindow.h"

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "platform/win32/Win32.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "world/Engine.h"

// Asks the options for a windowed game of this size and opens g_hWnd of that
// size on a window class `name`; the window, or null when it could not open.
inline HWND OpenGameWindow(const char* name, int width, int height, DWORD style = WS_POPUP)
{
    g_Options.Windowed = 1;
    g_Options.screenwidth = width;
    g_Options.screenheight = height;
    g_hWnd = OpenWindow(name, WindowProc, width, height, style);
    return g_hWnd;
}

// Creates g_pD3D and, on g_hWnd, the game's device; false when there is no
// Direct3D object (the device's own success is g_D3DMain.m_bDeviceReady).
inline bool CreateGameDevice()
{
    g_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!g_pD3D)
        return false;
    g_D3DMain.Create(g_hWnd);
    return true;
}

// The headless backend, its clock and device, and the game's timer back at
// their start, so the next in-process game begins at frame 0.
inline void ResetHeadlessGame()
{
    TkSetBackend(TkBackend::Headless);
    TkHeadlessReset();
    TkD3D9ResetHeadless();
    TimerForgetState();
    g_Engine.m_fLastTime = 0;
}

// Ends an in-process game: its world, device, Direct3D object, input, focus
// and window, and the headless clock, so another game can start after it.
inline void CloseInProcessGame()
{
    if (g_Engine.m_bWorldLoaded)
        g_Engine.StartWorld("*");
    g_D3DMain.Shutdown();
    SAFE_RELEASE(g_pD3D);
    g_Input.Release();
    g_FocusMgr.m_bOnFocus = 0;
    if (g_hWnd)
        DestroyWindow(g_hWnd);
    g_hWnd = nullptr;
    g_bQuitting = 0;
    g_Engine.m_bWorldLoaded = 0;
    g_Engine.m_szWorld[0] = 0;
    TkHeadlessReset();
    TimerForgetState();
}

// Waits out the loading screen's hold and leaves it as a player does, with
// Space held over two frames; `pass` runs one frame of the game, at most
// `guard` of them are waited.
template <class Pass> void LeaveLoadingScreen(Pass pass, int guard)
{
    for (int i = 0; g_MainGame.m_iLevelFrame < CMainGame::FRAME_LOADING_HOLD && i < guard; ++i)
        pass();
    const TkKey space = TkKeyFromName("Space");
    TkInjectKeyScan(space.vk, space.scan, true);
    pass();
    pass();
    TkInjectKeyScan(space.vk, space.scan, false);
}
