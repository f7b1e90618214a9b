// STAND-IN: see Font.h.
#include "render/Font.h"

EFont g_Font;

void EFont::BeginText() {}
void EFont::EndText() {}
void EFont::DrawText(const char*, float, float, DWORD, float, int, bool, bool) {}
float EFont::GetTextWidth(const char*, float, int)
{
    return 0.0f;
}
