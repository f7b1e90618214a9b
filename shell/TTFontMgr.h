#pragma once
// ETTFontMgr: the game's TrueType fonts.
// STAND-IN: installing and removing the font resource do nothing until the
// font work.

class ETTFontMgr
{
public:
    virtual ~ETTFontMgr() = default;
    void InstallFonts() {}
    void UninstallFonts() {}
};

extern ETTFontMgr g_TTFontMgr;
