#pragma once
// Starting the game's shell in-process on the headless backend, as WinMain
// does: the game's own window (its procedure is the game's) and then the
// Direct3D object and device. Header-only and free of the test framework, so
// that benchmarks can start the same way.

// Relative, so that benchmarks (outside the tests' include path) find it too.
#include "TestWindow.h"

#include "platform/d3d9/D3D9.h"
#include "platform/win32/Win32.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/WinMain.h"

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
