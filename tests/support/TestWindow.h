#pragma once
// A window for tests: its class is registered on first use with the given
// procedure (a second registration fails harmlessly and keeps the first),
// then a window of that class opens at the top-left corner. Header-only and
// free of the test framework, so that benchmarks can use it too.

#include "platform/win32/Win32.h"

// The window, or null when it could not open. Without a title the window is
// named after its class.
inline HWND OpenWindow(const char* className, WNDPROC proc, int width, int height, DWORD style,
                       const char* title = nullptr)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return CreateWindowExA(0, className, title ? title : className, style, 0, 0, width, height, nullptr,
                           nullptr, nullptr, nullptr);
}
