#pragma once
// A temporary data folder for tests of the text, console and settings code:
// it becomes the current folder and the console's start-up directory (where
// the logs go), and the global records the tests change are put back after.

#include "characters/PostacMgr.h"
#include "game/BezierCamera.h"
#include "game/CutScene.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Profiler.h"
#include "shell/TextMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static std::atomic<int> counter{0};
        m_dir = std::filesystem::temp_directory_path() /
                ("tk_text_console_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "scripts");
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        m_oldStartup = g_Console.GetStartupDirectory();
        g_Console.SetStartupDirectory(m_dir.string().c_str());

        m_options = g_Options;
        m_postProcess = PostProcess;
        m_instancesBoundary = g_Renderer.m_iInstancesBoundary;
        m_skyLights = g_SkyLights;
        m_env = Env;
        m_camera = g_Camera;
        m_profiler = g_Profiler;
        m_player = Player;
        m_items = ItemMgr;
        m_cutScene = g_CutScene;
        m_bezier = g_BezierCamera;
        m_characters = PMgr;
        m_panel = g_Panel;
        m_recentLines = g_Console.m_iRecentLines;
        g_Engine.m_bQuit = 0;
        g_Engine.m_bWorldChange = 0;
        g_Engine.m_szNextWorld[0] = 0;
    }

    void TearDown() override
    {
        g_Options = m_options;
        PostProcess = m_postProcess;
        g_Renderer.m_iInstancesBoundary = m_instancesBoundary;
        g_SkyLights = m_skyLights;
        Env = m_env;
        g_Camera = m_camera;
        g_Profiler = m_profiler;
        Player = m_player;
        ItemMgr = m_items;
        g_CutScene = m_cutScene;
        g_BezierCamera = m_bezier;
        PMgr = m_characters;
        g_Panel = m_panel;
        Bronie.m_pWeaponView = nullptr;
        g_Console.m_iRecentLines = m_recentLines;
        g_Console.m_pszSettingSource = nullptr;
        g_Console.m_bOpen = 0;
        g_Console.FreeVariables();
        g_Engine.m_bQuit = 0;
        g_Engine.m_bWorldChange = 0;
        g_Engine.m_szNextWorld[0] = 0;

        g_Console.SetStartupDirectory(m_oldStartup.c_str());
        std::filesystem::current_path(m_oldCwd);
        // The table as the program read it at start-up.
        g_TextMgr.Load("scripts\\text_keys.txt");
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }

    // Writes a file of the data folder byte for byte.
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(m_dir / name, std::ios::binary);
        out << bytes;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(m_dir / name); }

    // The newest ring line, or the one `back` lines before it.
    static std::string Line(int back = 0) { return g_Console.GetLine(EConsole::RING_LINES - 1 - back); }

    // True when one of the newest `lines` ring lines contains the text.
    static bool Printed(const std::string& text, int lines = 8)
    {
        for (int i = 0; i < lines; ++i)
            if (Line(i).find(text) != std::string::npos)
                return true;
        return false;
    }

    std::filesystem::path m_dir;

private:
    std::filesystem::path m_oldCwd;
    std::string m_oldStartup;
    GameOptions m_options;
    EPostProcess m_postProcess;
    int m_instancesBoundary = 0;
    CSkyLights m_skyLights;
    ESkyLight m_env;
    ECamera m_camera;
    EProfiler m_profiler;
    CPlayer m_player;
    EItemMgr m_items;
    CCutScene m_cutScene;
    CBezierCamera m_bezier;
    CPostacMgr m_characters;
    Panel m_panel;
    DWORD m_recentLines = 0;
};
