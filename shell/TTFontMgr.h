#pragma once
// ETTFontMgr: the game's TrueType fonts. The console, the debug overlays and
// some screens draw with them directly, and the bitmap fonts (EFont) are
// rendered from them. The game's own font files, named in
// "misc\fonts\names.txt", are made available to this process for the run;
// "misc\fonts\faces.txt" names the faces (its second line the face of fonts
// 1 to 3).
//
// Fonts:  0: "Tahoma", 20 pixels, normal weight
//         1: the second face, 28 pixels
//         2: the second face, 18 x the vertical scale factor
//         3: the second face, 22 x the vertical scale factor
// (the scale factor in force when the fonts are created).

#include "platform/win32/WinTypes.h"

struct ID3DXFont;

class ETTFontMgr
{
public:
    static constexpr int MAX_FONTS = 8;       // font slots; 4 to 7 stay null
    static constexpr int CREATED_FONTS = 4;   // fonts 0 to 3
    static constexpr int NAME_CHARS = 256;    // one font file or face name, terminator included
    static constexpr int INSTALLED_FILES = 2; // font files added as resources

    // Fonts still held at exit are left to the process's end: the device
    // layer may already be gone.
    virtual ~ETTFontMgr() = default;
    // Reads the two list files.
    void ReadFontLists();
    // Reads the lists and adds the first two font files for this process;
    // run once before the device is created.
    void InstallFonts();
    // Removes the font files again; run at shutdown.
    void UninstallFonts();
    // Creates fonts 0 to 3 on the device (g_pD3DInterface); font 0 becomes current.
    void CreateFonts();
    void ReleaseFonts();
    void OnLostDevice();
    void OnResetDevice();
    // One line of text at (x, y) in screen pixels, in the current font;
    // centred on x, or ending at x, when asked.
    void DrawText(const char* text, float x, float y, DWORD color, BYTE centre, BYTE right);
    // As DrawText with x and y given on the 1024 x 768 layout.
    void DrawTextScaled(const char* text, float x, float y, DWORD color, BYTE centre, BYTE right);
    // Width in pixels of the text in the current font; 0 for a null text or
    // without a current font.
    int GetTextWidth(const char* text);
    // Makes font `index` current (none for an index out of range).
    void SetCurrentFont(int index);
    // The vertical scale factor a font's height was multiplied by when it
    // was made (1 for a font that keeps its size, or one not made).
    float GetCreatedScale(int index) const;

    int m_iCurrent = 0;
    ID3DXFont* m_pFonts[MAX_FONTS] = {};
    ID3DXFont* m_pCurrent = nullptr;
    char m_szFontNames[MAX_FONTS][NAME_CHARS] = {};
    char m_szFaceNames[MAX_FONTS][NAME_CHARS] = {};
    float m_fCreatedScale[CREATED_FONTS] = {}; // each made font's screen scale
};

extern ETTFontMgr g_TTFontMgr;
