#pragma once
// The launcher (dialog 130: screen resolution, Video settings, Start, Exit)
// and the video options (dialog 135), shown before the device exists. They
// hand over to each other through g_bShowLauncher and g_bShowVideoOptions;
// Exit sets g_bLauncherExit (WinMain.h). The video options are kept in
// "save\video.cfg" (D3DMain::LoadVideoConfig and SaveVideoConfig, in
// VideoConfig.cpp), the chosen resolution in the screen-size lines of "tk.cfg".

#include "platform/win32/WinTypes.h"

// ---- Dialog resources and their controls ---------------------------------------
constexpr int IDD_LAUNCHER = 130;
constexpr int IDD_VIDEO_OPTIONS = 135;

constexpr int IDC_EXIT = 1000;
constexpr int IDC_START = 1001;
constexpr int IDC_VIDEO_SETTINGS = 1002;
constexpr int IDC_GAME_NAME = 1003;
constexpr int IDC_TRANSLATION = 1005;
constexpr int IDC_RESOLUTION_LABEL = 1006;
constexpr int IDC_RESOLUTION = 1007;

constexpr int IDC_VIDEO_OK = 1;
constexpr int IDC_SHADOW_QUALITY = 1007;
constexpr int IDC_ANIMATED_TEXTURE_QUALITY = 1008;
constexpr int IDC_WORLD_TEXTURE_QUALITY = 1009;
constexpr int IDC_WATER_QUALITY = 1010;
constexpr int IDC_QUALITY_LABEL = 1021;
constexpr int IDC_AMBIENT_OCCLUSION = 1024;
constexpr int IDC_POINT_LIGHT_SHADOWS = 1025;
constexpr int IDC_WATER_REFLECTION = 1038;
constexpr int IDC_GRASS = 1041;
constexpr int IDC_BIRDS = 1042;
constexpr int IDC_DUST = 1045;
constexpr int IDC_SHADOW_QUALITY_LABEL = 1047;
constexpr int IDC_WORLD_TEXTURE_QUALITY_LABEL = 1048;
constexpr int IDC_ANIMATED_TEXTURE_QUALITY_LABEL = 1049;
constexpr int IDC_WATER_QUALITY_LABEL = 1050;
constexpr int IDC_REALISTIC = 1052;
constexpr int IDC_FAST = 1053;

// ---- The resolution list -----------------------------------------------------------
constexpr int MAX_RESOLUTIONS = 64;
constexpr int RESOLUTION_TEXT_CHARS = 64;
extern char g_szResolutions[MAX_RESOLUTIONS][RESOLUTION_TEXT_CHARS]; // "%ix%i"
extern int g_iResolutionWidth[MAX_RESOLUTIONS];
extern int g_iResolutionHeight[MAX_RESOLUTIONS];
extern int g_iResolutionCount;

// ---- Calls ----------------------------------------------------------------------------
// Show the dialog modally over the window (null: the game's window), then
// take the window's waiting messages. A quit request meanwhile counts as Exit.
void RunLauncherDialog(HWND window = nullptr);
void RunVideoOptionsDialog(HWND window = nullptr);
INT_PTR CALLBACK LauncherDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK VideoOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Appends the size when the list has room and adapter 0 offers an X8R8G8B8
// display mode of exactly that size; true when appended.
bool AddResolution(int width, int height);
void FillVideoOptionsDialog(HWND dialog);
// Rewrites the screen-size lines of "tk.cfg" through the copy "tk.bak"; when
// "tk.cfg" cannot be written the copy is put back. False when nothing was
// rewritten.
bool SaveScreenSizeToConfig();
// The dialog resources 130 and 135 (done by the Run calls).
void RegisterLauncherDialogs();
