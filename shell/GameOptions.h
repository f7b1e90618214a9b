#pragma once
// STAND-IN: the least of the settings record the start-up and frame loop read.
// The settings work replaces this file with the whole record and its setter.

#include "platform/win32/WinTypes.h"

struct GameOptions
{
    BYTE Windowed = 0;
    int Debug = 0;
    int SystemDebug = 0;
    BYTE DebugPerformance = 0;
    int screenwidth = 1024;
    int screenheight = 768;
    float fScreenScaleX = 1.0f;
    float fScreenScaleY = 1.0f;
    float GlobalTimeSpeed = 1.0f;
    char runworld[80] = "worlds\\test.w";
};

extern GameOptions g_Options;
