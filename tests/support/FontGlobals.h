#pragma once
// Puts back what font tests change in the game's globals: the settings
// record, the console's log folder and recent-line count, the TrueType fonts
// and the bitmap fonts. Declare it after the FontDevice, so that the fonts let
// go of the device before the device goes.

#include "render/Font.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"

#include <cstring>
#include <filesystem>
#include <string>

class FontGlobals
{
public:
    explicit FontGlobals(const std::filesystem::path& logFolder)
        : m_options(g_Options), m_startup(g_Console.GetStartupDirectory()),
          m_recentLines(g_Console.m_iRecentLines), m_open(g_Console.m_bOpen), m_loading(g_Console.m_bLoading)
    {
        g_Console.SetStartupDirectory(logFolder.string().c_str());
        Clean();
    }

    ~FontGlobals()
    {
        Clean();
        g_Options = m_options;
        g_Console.SetStartupDirectory(m_startup.c_str());
        g_Console.m_iRecentLines = m_recentLines;
        g_Console.m_bOpen = m_open;
        g_Console.m_bLoading = m_loading;
    }

    FontGlobals(const FontGlobals&) = delete;
    FontGlobals& operator=(const FontGlobals&) = delete;

    // A screen of this size for the 2D layer, whose layout is made for 1024 x 768.
    static void UseScreen(int width, int height)
    {
        g_Options.screenwidth = width;
        g_Options.screenheight = height;
        g_Options.fScreenScaleX = static_cast<float>(width) / 1024.0f;
        g_Options.fScreenScaleY = static_cast<float>(height) / 768.0f;
    }

    // The newest console line.
    static std::string LastConsoleLine() { return g_Console.GetLine(EConsole::RING_LINES - 1); }

private:
    static void Clean()
    {
        g_Font.EndText();
        g_Font.Release();
        g_TTFontMgr.ReleaseFonts();
        std::memset(g_TTFontMgr.m_szFontNames, 0, sizeof g_TTFontMgr.m_szFontNames);
        std::memset(g_TTFontMgr.m_szFaceNames, 0, sizeof g_TTFontMgr.m_szFaceNames);
        g_TTFontMgr.m_iCurrent = 0;
    }

    GameOptions m_options;
    std::string m_startup;
    DWORD m_recentLines;
    BYTE m_open;
    BYTE m_loading;
};
