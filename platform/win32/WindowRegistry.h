#pragma once
// The window classes and windows of this process, as the rest of the window
// layer sees them. Game code uses the Win32 calls; this is their shared table.

#include "platform/win32/Win32.h"

#include <string>
#include <vector>

struct SDL_Window;

struct TkWindowClass
{
    WORD atom = 0;
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
};

struct TkWindowRecord
{
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
    DWORD style = 0;
    RECT rect = {0, 0, 0, 0}; // screen position and size of the drawable area
    WNDPROC proc = nullptr;
    bool visible = false;
    bool destroying = false; // inside DestroyWindow: WM_DESTROY is being sent
    SDL_Window* sdl = nullptr;
    int lockId = -1; // the single-instance lock held for this window
};

// Classes are looked up without regard to case, as Windows does.
const TkWindowClass* TkFindWindowClass(const char* name);
const TkWindowClass* TkFindWindowClassByAtom(WORD atom);
WORD TkAddWindowClass(const TkWindowClass& wc);
bool TkRemoveWindowClass(const char* name);
bool TkClassHasWindows(const char* name);

// A new record with a fresh handle (handles are never reused in a process).
TkWindowRecord* TkAddWindowRecord();
TkWindowRecord* TkFindWindowRecord(HWND hwnd);
void TkRemoveWindowRecord(HWND hwnd);
// Live windows in creation order (a copy: window procedures may change the table).
std::vector<HWND> TkAllWindows();
HWND TkWindowFromSdl(SDL_Window* window);

// The first live window: the game's one window.
HWND TkMainWindow();
// Where keyboard and mouse messages go: the focus window, else the main window.
HWND TkInputWindow();
HWND TkFocusWindow();
void TkSetFocusWindow(HWND hwnd);

// Drops every window and class without sending messages (tests start clean).
void TkResetWindows();
