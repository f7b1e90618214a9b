#pragma once
// The process: entry, window procedure, main loop and shutdown.

#include "platform/win32/Win32.h"

extern HINSTANCE g_hInst;
extern HWND g_hWnd;
extern RECT g_rcWindow;
extern SYSTEMTIME g_stStart;
extern BYTE g_bQuitting;
extern BYTE g_bLauncherExit;
extern BYTE g_bShowLauncher;
extern BYTE g_bShowVideoOptions;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCode);
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void QuitApplication();
// Ends the game because something it cannot run without failed: the reason
// (`what` and the file's name) goes to standard error as well as the log, and
// the process ends with a non-zero exit code.
void QuitOnError(const char* what, const char* name);

// One pass of the main loop: dispatch one waiting message, or run one frame.
// Returns false once the loop is to end (quit requested or WM_QUIT taken);
// `msg` holds the last message taken.
bool RunLoopPass(MSG& msg);
