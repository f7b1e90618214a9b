#include "platform/win32/SdlEvents.h"

#include "platform/Backend.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/WindowRegistry.h"

#include <SDL.h>

#include <cstdio>

namespace
{
bool g_videoStarted = false;

HWND WindowOfEvent(Uint32 windowId)
{
    HWND hwnd = TkWindowFromSdl(SDL_GetWindowFromID(windowId));
    return hwnd ? hwnd : TkMainWindow();
}

int ButtonIndex(Uint8 sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    }
    return -1;
}

void HandleWindowEvent(const SDL_WindowEvent& e)
{
    HWND hwnd = WindowOfEvent(e.windowID);
    if (!hwnd)
        return;
    switch (e.event)
    {
    case SDL_WINDOWEVENT_CLOSE:
        // The player closing the window: the window procedure decides.
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        PostMessageA(hwnd, WM_ACTIVATEAPP, TRUE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Keys held while the focus left would stay down for ever.
        TkReleaseAllInput();
        PostMessageA(hwnd, WM_ACTIVATEAPP, FALSE, 0);
        break;
    }
}

void HandleEvent(const SDL_Event& e)
{
    switch (e.type)
    {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    {
        TkKey key = TkKeyFromSdlScancode(e.key.keysym.scancode);
        if (key.vk)
            TkInjectKeyScan(key.vk, key.scan, e.type == SDL_KEYDOWN);
        break;
    }
    case SDL_TEXTINPUT:
        TkInjectText(e.text.text);
        break;
    case SDL_MOUSEMOTION:
        TkInjectMouseMoveTo(e.motion.x, e.motion.y, e.motion.xrel, e.motion.yrel);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (int button = ButtonIndex(e.button.button); button >= 0)
            TkInjectMouseButton(button, e.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEWHEEL:
    {
        int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        TkInjectMouseWheel(notches);
        break;
    }
    case SDL_WINDOWEVENT:
        HandleWindowEvent(e.window);
        break;
    case SDL_QUIT:
        // SDL_QUIT follows the close of the last window, and also comes from
        // Ctrl+C in the terminal; the main window is asked to close once.
        if (HWND main = TkMainWindow(); main && !TkMessageQueued(main, WM_CLOSE))
            PostMessageA(main, WM_CLOSE, 0, 0);
        break;
    }
}
} // namespace

bool TkStartSdlVideo()
{
    if (g_videoStarted)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return false;
    }
    g_videoStarted = true;
    return true;
}

void TkPumpSdlEvents()
{
    if (!g_videoStarted || TkIsHeadless())
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e))
        HandleEvent(e);
}
