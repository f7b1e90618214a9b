#pragma once
// EFont: the game's bitmap fonts for 2D text.
// STAND-IN: the drawing calls exist and do nothing; the font work builds the
// glyph textures and the text quads.

#include "platform/win32/WinTypes.h"

class EFont
{
public:
    virtual ~EFont() = default;
    void BeginText();
    void EndText();
    void DrawText(const char* text, float x, float y, DWORD color, float size, int font, bool centre, bool right);
    float GetTextWidth(const char* text, float size, int font);
};

extern EFont g_Font;
