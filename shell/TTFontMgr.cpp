#include "shell/TTFontMgr.h"

#include "platform/d3dx/Font.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"

#include <cstdio>
#include <cstring>

ETTFontMgr g_TTFontMgr;

namespace
{
// Reads at most MAX_FONTS lines of a list file into the name block, which is
// cleared first. Each line is cut to fit with its terminator.
void ReadList(const char* fileName, char (*names)[ETTFontMgr::NAME_CHARS], const char* missingLine)
{
    std::memset(names, 0, sizeof(char[ETTFontMgr::MAX_FONTS][ETTFontMgr::NAME_CHARS]));
    FILE* f = TkFopen(fileName, "r");
    if (!f)
    {
        g_Console.Print(missingLine);
        return;
    }
    for (int i = 0; i < ETTFontMgr::MAX_FONTS && !std::feof(f) && !std::ferror(f); ++i)
    {
        // A line too long for its buffer is cut, and the rest of it skipped.
        ReadLineOrSkip(f, names[i], ETTFontMgr::NAME_CHARS - 1);
        // Blanks after a name are no part of a file or face name.
        TrimRight(names[i]);
    }
    std::fclose(f);
}

void AnnounceFontChange()
{
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}
} // namespace

void ETTFontMgr::ReadFontLists()
{
    ReadList("misc\\fonts\\names.txt", m_szFontNames, "font names can't be read!");
    ReadList("misc\\fonts\\faces.txt", m_szFaceNames, "font faces can't be read!");
}

void ETTFontMgr::InstallFonts()
{
    ReadFontLists();
    // A missing list leaves empty names, which fail without a word.
    for (int i = 0; i < INSTALLED_FILES; ++i)
    {
        AddFontResourceA(m_szFontNames[i]);
        AnnounceFontChange();
    }
}

void ETTFontMgr::UninstallFonts()
{
    for (int i = 0; i < INSTALLED_FILES; ++i)
    {
        RemoveFontResourceA(m_szFontNames[i]);
        AnnounceFontChange();
    }
}

void ETTFontMgr::CreateFonts()
{
    const float sy = g_Options.fScreenScaleY;
    const char* face = m_szFaceNames[1];
    // Fonts 2 and 3 follow the screen's height; 0 and 1 keep their size.
    const struct
    {
        float height;
        float scale;
        UINT weight;
        const char* face;
    } fonts[CREATED_FONTS] = {
        {20.0f, 1.0f, FW_NORMAL, "Tahoma"},
        {28.0f, 1.0f, FW_DONTCARE, face},
        {18.0f, sy, FW_DONTCARE, face},
        {22.0f, sy, FW_DONTCARE, face},
    };
    for (int i = 0; i < CREATED_FONTS; ++i)
    {
        m_fCreatedScale[i] = fonts[i].scale;
        // Creating again replaces a font rather than leaking it.
        SAFE_RELEASE(m_pFonts[i]);
        if (!g_pD3DInterface ||
            FAILED(D3DXCreateFontA(g_pD3DInterface, static_cast<INT>(fonts[i].height * fonts[i].scale), 0,
                                   fonts[i].weight, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fonts[i].face,
                                   &m_pFonts[i])))
        {
            m_pFonts[i] = nullptr;
            char line[32];
            std::snprintf(line, sizeof line, "TTFont[%d] creation failed!", i);
            g_Console.Print(line);
        }
    }
    SetCurrentFont(0);
}

float ETTFontMgr::GetCreatedScale(int index) const
{
    return index >= 0 && index < CREATED_FONTS && m_fCreatedScale[index] > 0.0f ? m_fCreatedScale[index]
                                                                                : 1.0f;
}

void ETTFontMgr::ReleaseFonts()
{
    for (ID3DXFont*& font : m_pFonts)
        SAFE_RELEASE(font);
    // The current font was one of them.
    m_pCurrent = nullptr;
}

void ETTFontMgr::OnLostDevice()
{
    for (ID3DXFont* font : m_pFonts)
        if (font)
            font->OnLostDevice();
}

void ETTFontMgr::OnResetDevice()
{
    for (ID3DXFont* font : m_pFonts)
        if (font)
            font->OnResetDevice();
}

void ETTFontMgr::DrawText(const char* text, float x, float y, DWORD color, BYTE centre, BYTE right)
{
    if (!text || !m_pCurrent)
        return;
    RECT rect{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x), static_cast<LONG>(y)};
    if (centre || right)
    {
        RECT measured = rect;
        m_pCurrent->DrawText(nullptr, text, -1, &measured, DT_CALCRECT | DT_SINGLELINE, color);
        const LONG width = measured.right - measured.left;
        const LONG shift = centre ? width / 2 : width;
        rect.left -= shift;
        rect.right -= shift;
    }
    m_pCurrent->DrawText(nullptr, text, -1, &rect, DT_SINGLELINE | DT_NOCLIP, color);
}

void ETTFontMgr::DrawTextScaled(const char* text, float x, float y, DWORD color, BYTE centre, BYTE right)
{
    const float sx = static_cast<float>(static_cast<int>(x * g_Options.fScreenScaleX));
    const float sy = static_cast<float>(static_cast<int>(y * g_Options.fScreenScaleY));
    DrawText(text, sx, sy, color, centre, right);
}

int ETTFontMgr::GetTextWidth(const char* text)
{
    if (!text || !m_pCurrent)
        return 0;
    RECT rect{0, 0, 0, 0};
    m_pCurrent->DrawText(nullptr, text, -1, &rect, DT_CALCRECT | DT_SINGLELINE, 0xFFFFFFFF);
    return rect.right - rect.left;
}

void ETTFontMgr::SetCurrentFont(int index)
{
    if (index < 0 || index >= MAX_FONTS)
    {
        m_pCurrent = nullptr;
        return;
    }
    m_iCurrent = index;
    m_pCurrent = m_pFonts[index];
}
