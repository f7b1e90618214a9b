#pragma once
// The message queue of the one UI thread, as the rest of the layer sees it.

#include "platform/win32/Win32.h"

// Whether a message for `msgHwnd` passes PeekMessageA's filter: a null filter
// takes every message, (HWND)-1 only messages without a window; a 0..0 range
// takes every message number.
bool TkMessagePassesFilter(HWND msgHwnd, UINT message, HWND filter, UINT filterMin, UINT filterMax);
// Keyboard and mouse messages go to the input window; dropped when there is none.
void TkPostInputMessage(UINT message, WPARAM wParam, LPARAM lParam);
// Posts a message ahead of those waiting (the character TranslateMessage makes).
void TkPostMessageFirst(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool TkMessageWaiting();
bool TkQuitPending();
bool TkMessageQueued(HWND hwnd, UINT message);
// The key state as of the last key message taken from the queue (what
// GetKeyState answers on Windows); TranslateMessage reads Shift and Ctrl here.
bool TkKeyDownAtMessage(int vk);
void TkResetMessageQueue();
