#pragma once
// EFont: the game's bitmap fonts for 2D text.
// STAND-IN: the whole interface, doing nothing; the font work builds the glyph
// textures and the text quads.

#include "platform/win32/WinTypes.h"

class EText;

class EFont
{
public:
    virtual ~EFont() = default;
    void CreateVB() {}
    void CreateFonts() {}
    void BeginText();
    void EndText();
    void DrawText(const char* text, float x, float y, DWORD color, float size, int font, bool centre, bool right);
    float GetTextWidth(const char* text, float size, int font);
    EText* CreateText(const char*, float, float, DWORD, float, int, bool, bool, bool) { return nullptr; }
    void DrawTextObject(EText*) {}
    void DeleteText(EText*) {}
    void OnLostDevice() {}
    void OnResetDevice() {}
    void Release() {}
};

extern EFont g_Font;
