#pragma once
// ETTFontMgr: the game's TrueType fonts.
// STAND-IN: installing and removing the font resource and drawing do nothing
// until the font work.

#include "platform/win32/WinTypes.h"

class ETTFontMgr
{
public:
    virtual ~ETTFontMgr() = default;
    void InstallFonts() {}
    void UninstallFonts() {}
    // One line of text at (x, y) in screen pixels, in the current font.
    void DrawText(const char*, float, float, DWORD, BYTE, BYTE) {}
};

extern ETTFontMgr g_TTFontMgr;
