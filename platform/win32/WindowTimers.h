#pragma once
// Window timers (SetTimer/KillTimer). As on Windows a due timer does not queue
// a message: WM_TIMER is made when the queue is otherwise empty, once however
// many periods have passed, and the next period starts at that delivery.

#include "platform/win32/Win32.h"

#include <cstdint>

// The earliest due timer that passes the filter (see PeekMessageA), as a
// WM_TIMER message; with `remove` its next period starts now.
bool TkTakeDueTimer(HWND filter, UINT filterMin, UINT filterMax, bool remove, MSG* out);
// True when any timer is due.
bool TkAnyTimerDue();
// The procedure of a live timer, when it is the one given (DispatchMessageA
// calls only procedures it handed out itself).
TIMERPROC TkTimerProc(HWND hwnd, UINT_PTR id, LPARAM claimed);
void TkKillWindowTimers(HWND hwnd);
void TkResetTimers();
