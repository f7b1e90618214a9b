#pragma once
// ETTFontMgr: the game's TrueType fonts.
// STAND-IN: the whole interface, doing nothing; the font work fills it in.

#include "platform/win32/WinTypes.h"

struct ID3DXFont;

class ETTFontMgr
{
public:
    static constexpr int MAX_FONTS = 8;

    virtual ~ETTFontMgr() = default;
    void ReadFontLists() {}
    void InstallFonts() {}
    void UninstallFonts() {}
    void CreateFonts() {}
    void ReleaseFonts() {}
    void OnLostDevice() {}
    void OnResetDevice() {}
    // One line of text at (x, y) in screen pixels, in the current font.
    void DrawText(const char*, float, float, DWORD, BYTE, BYTE) {}
    void DrawTextScaled(const char*, float, float, DWORD, BYTE, BYTE) {}
    int GetTextWidth(const char*) { return 0; }

    int m_iCurrent = 0;
    ID3DXFont* m_pFonts[MAX_FONTS] = {};
    ID3DXFont* m_pCurrent = nullptr;
};

extern ETTFontMgr g_TTFontMgr;
