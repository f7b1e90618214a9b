// Windows of the game: with SDL each is a real SDL window; headless a record
// with the same size, visibility and focus. The window and client rectangles
// are both the drawable area: the frame belongs to the window manager.
#include "platform/win32/Win32.h"

#include "platform/Backend.h"
#include "platform/d3d9/GlContext.h"
#include "platform/win32/SdlEvents.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/WindowRegistry.h"
#include "platform/win32/WindowTimers.h"

#include <SDL.h>

#include <cstdio>

namespace
{
constexpr uintptr_t kPaintDc = 0x7D0001;
// Handles answered for windows of other processes: this base plus their pid.
constexpr uintptr_t kForeignWindowBase = 0x40000000;

bool IsResourceNumber(LPCSTR name)
{
    return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

SDL_Window* CreateSdlWindow(const char* title, DWORD style, int x, int y, int width, int height)
{
    if (!TkStartSdlVideo())
        return nullptr;
    Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if ((style & WS_CAPTION) != WS_CAPTION)
        flags |= SDL_WINDOW_BORDERLESS;
    int sx = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
    int sy = y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
    // The device draws through an OpenGL context of the window; a video
    // driver without OpenGL still gives a window, shown through SDL's renderer.
    tk::d3d9::GlContext::ReleaseHeadlessOnThisThread();
    SDL_Window* window = SDL_CreateWindow(title, sx, sy, width > 0 ? width : 1, height > 0 ? height : 1,
                                          flags | SDL_WINDOW_OPENGL);
    if (!window)
        window = SDL_CreateWindow(title, sx, sy, width > 0 ? width : 1, height > 0 ? height : 1, flags);
    if (!window)
        std::fprintf(stderr, "SDL window could not be created: %s\n", SDL_GetError());
    return window;
}

// Live position and size of an SDL window (the player may move or resize it).
void RefreshRect(TkWindowRecord& w)
{
    if (!w.sdl)
        return;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(w.sdl, &x, &y);
    SDL_GetWindowSize(w.sdl, &width, &height);
    w.rect = RECT{x, y, x + width, y + height};
}
} // namespace

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    const TkWindowClass* wc = nullptr;
    if (className && IsResourceNumber(className))
        wc = TkFindWindowClassByAtom(static_cast<WORD>(reinterpret_cast<uintptr_t>(className)));
    else
        wc = TkFindWindowClass(className);
    if (!wc)
    {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const char* title = windowName ? windowName : "";
    // Pop-ups at the default place go to the corner, as on Windows.
    if (x == CW_USEDEFAULT)
        x = 0;
    if (y == CW_USEDEFAULT)
        y = 0;
    if (width == CW_USEDEFAULT || width < 0)
        width = 0;
    if (height == CW_USEDEFAULT || height < 0)
        height = 0;

    SDL_Window* sdl = nullptr;
    if (!TkIsHeadless())
    {
        sdl = CreateSdlWindow(title, style, x, y, width, height);
        if (!sdl)
            return nullptr;
    }
    // Copy what we need of the class before the table grows.
    const std::string name = wc->name;
    const WNDPROC proc = wc->proc;

    TkWindowRecord* w = TkAddWindowRecord();
    w->className = name;
    w->title = title;
    w->style = style;
    w->rect = RECT{x, y, x + width, y + height};
    w->proc = proc;
    w->visible = (style & WS_VISIBLE) != 0;
    w->sdl = sdl;
    w->lockId = TkTakeWindowLock(name.c_str(), title);
    if (sdl)
    {
        TkSetSdlWindow(w->hwnd, sdl);
        RefreshRect(*w);
    }
    if (!TkFocusWindow())
        TkSetFocusWindow(w->hwnd);
    return w->hwnd;
}

bool TkFitWindowToDevice(HWND hwnd, UINT width, UINT height, bool fullScreen)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w || width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF)
        return false;
    const int cx = static_cast<int>(width), cy = static_cast<int>(height);
    if (!w->sdl)
    {
        // Headless: the record alone, full screen at the display's corner.
        const LONG left = fullScreen ? 0 : w->rect.left, top = fullScreen ? 0 : w->rect.top;
        w->rect = RECT{left, top, left + cx, top + cy};
        if (fullScreen)
            w->visible = true;
        return true;
    }
    if (fullScreen)
    {
        int display = SDL_GetWindowDisplayIndex(w->sdl);
        if (display < 0)
            display = 0;
        const SDL_DisplayMode wanted = {SDL_PIXELFORMAT_UNKNOWN, cx, cy, 0, nullptr};
        SDL_DisplayMode closest;
        if (!SDL_GetClosestDisplayMode(display, &wanted, &closest) ||
            SDL_SetWindowDisplayMode(w->sdl, &closest) != 0)
        {
            std::fprintf(stderr, "No display mode for a full screen of %dx%d: %s\n", cx, cy, SDL_GetError());
            return false;
        }
        SDL_SetWindowSize(w->sdl, cx, cy);
        SDL_ShowWindow(w->sdl);
        w->visible = true;
        if (SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN) != 0)
        {
            std::fprintf(stderr, "The window could not go full screen: %s\n", SDL_GetError());
            return false;
        }
    }
    else
    {
        if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(w->sdl, 0);
        int current = 0, currentHeight = 0;
        SDL_GetWindowSize(w->sdl, &current, &currentHeight);
        if (current != cx || currentHeight != cy)
            SDL_SetWindowSize(w->sdl, cx, cy);
    }
    RefreshRect(*w);
    return true;
}

BOOL DestroyWindow(HWND hwnd)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w || w->destroying)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->destroying = true;
    // The window is still valid while its procedure handles WM_DESTROY.
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    TkKillWindowTimers(hwnd);
    w = TkFindWindowRecord(hwnd); // the procedure may have changed the table
    if (!w)
        return TRUE;
    TkReleaseWindowLock(w->lockId);
    if (w->sdl)
    {
        TkSetSdlWindow(hwnd, nullptr);
        SDL_DestroyWindow(w->sdl);
    }
    TkRemoveWindowRecord(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    return TkFindWindowRecord(hwnd) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int showCode)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w)
        return FALSE;
    const BOOL wasVisible = w->visible ? TRUE : FALSE;
    w->visible = showCode != SW_HIDE;
    if (w->sdl)
    {
        if (w->visible)
            SDL_ShowWindow(w->sdl);
        else
            SDL_HideWindow(w->sdl);
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd)
{
    if (!TkFindWindowRecord(hwnd))
        return FALSE;
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w)
        return FALSE;
    if (w->sdl)
        SDL_RaiseWindow(w->sdl);
    SetFocus(hwnd);
    return TRUE;
}

HWND SetFocus(HWND hwnd)
{
    if (hwnd && !TkFindWindowRecord(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = TkFocusWindow();
    if (previous == hwnd)
        return previous;
    TkSetFocusWindow(hwnd);
    if (previous)
        SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd)
        SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus()
{
    return TkFocusWindow();
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w || !rect)
        return FALSE;
    RefreshRect(*w);
    *rect = w->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w || !rect)
        return FALSE;
    RefreshRect(*w);
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    TkWindowRecord* w = TkFindWindowRecord(hwnd);
    if (!w)
        return FALSE;
    w->title = text ? text : "";
    if (w->sdl)
        SDL_SetWindowTitle(w->sdl, w->title.c_str());
    TkUpdateWindowLock(w->lockId, w->className.c_str(), w->title.c_str());
    return TRUE;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    if (className && IsResourceNumber(className))
        return nullptr; // class atoms name classes of this process only; none is asked for
    for (HWND hwnd : TkAllWindows())
    {
        const TkWindowRecord* w = TkFindWindowRecord(hwnd);
        if (className && TkCompareNames(w->className.c_str(), className) != 0)
            continue;
        if (windowName && TkCompareNames(w->title.c_str(), windowName) != 0)
            continue;
        return hwnd;
    }
    // A window of another process gets a handle of its own kind: it answers
    // "found" but no call here can act on it.
    int pid = 0;
    if (TkFindForeignWindow(className, windowName, &pid))
        return reinterpret_cast<HWND>(kForeignWindowBase + static_cast<uintptr_t>(pid));
    return nullptr;
}

int ShowCursor(BOOL show)
{
    static int count = 0;
    count += show ? 1 : -1;
    if (!TkIsHeadless())
        SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return count;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    // Closing a window destroys it, as the default procedure does on Windows;
    // everything else needs no default action here.
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    return 0;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint)
{
    if (!paint || !TkFindWindowRecord(hwnd))
        return nullptr;
    *paint = PAINTSTRUCT{};
    paint->hdc = reinterpret_cast<HDC>(kPaintDc);
    GetClientRect(hwnd, &paint->rcPaint);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*)
{
    return TRUE;
}
