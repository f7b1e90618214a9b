#pragma once
// CCredits: the scrolling credits. While the level-script variable "credits"
// is set, the HUD's render darkens the screen and scrolls a fixed list of
// centred lines upwards at 18 virtual pixels a second.

#include "platform/win32/WinTypes.h"

constexpr int CREDITS_LINES = 200;
constexpr int CREDITS_LINE_SIZE = 128;

class CCredits
{
public:
    static constexpr DWORD MAX_LINES = CREDITS_LINES - 1;

    virtual ~CCredits() = default;
    // Per level: the list is built again at the next draw.
    void Reset() { m_bBuilt = 0; }
    void Render();
    // The lines alone at a scroll position, between the font's BeginText and
    // EndText (the menu's information page scrolls its own).
    void RenderLines(float scroll, DWORD color);
    // Appends a line (cut to 127 characters) while fewer than 199 are in use.
    void AddLine(const char* text);
    void Build();

    BYTE m_bBuilt = 0;
    DWORD m_iLines = 0;
    char m_aszLines[CREDITS_LINES][CREDITS_LINE_SIZE] = {};
    float m_fScroll = 0.0f;
};

extern CCredits g_Credits;
