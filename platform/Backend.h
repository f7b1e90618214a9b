#pragma once
// Which backend the platform layer runs on, chosen once at start-up from
// TK_VIDEO=headless|sdl (default: sdl when a display is present, else headless).
// The headless backend is what tests and CI use: no display, no sound card,
// a clock that the frame loop advances, and input from tests or TK_SCRIPT.

#include "platform/win32/WinTypes.h"

struct SDL_Window;

enum class TkBackend
{
    Headless,
    Sdl,
};

// The backend in force; decided on first call from the environment.
TkBackend TkGetBackend();
// Tests pick the backend before anything creates a window.
void TkSetBackend(TkBackend backend);
inline bool TkIsHeadless()
{
    return TkGetBackend() == TkBackend::Headless;
}

// The SDL window behind a window handle; null when headless or unknown.
SDL_Window* TkGetSdlWindow(HWND hwnd);
// The window layer records the SDL window behind each handle (null to forget it).
void TkSetSdlWindow(HWND hwnd, SDL_Window* window);
// The device's window takes the device's mode: windowed, a drawable area of
// the back buffer's size; full screen, the window at that size filling the
// display in the closest display mode. False when the window is unknown or the
// display refused the mode (the window is then left as it was).
bool TkFitWindowToDevice(HWND hwnd, UINT width, UINT height, bool fullScreen);
