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
#include "support/Globals.h"
#include "support/TempDir.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_globals = std::make_unique<GlobalsSnapshot>();
        // Each test starts with no console variables, as the program does.
        g_Console.FreeVariables();
        m_temp = std::make_unique<TempDir>();
        m_dir = m_temp->path();
        std::filesystem::create_directories(m_dir / "scripts");
        g_Engine.m_bQuit = 0;
        g_Engine.m_bWorldChange = 0;
        g_Engine.m_szNextWorld[0] = 0;
    }

    void TearDown() override
    {
        Bronie.m_pWeaponView = nullptr;
        m_temp.reset();
        m_globals.reset();
        // The table as the program read it at start-up.
        g_TextMgr.Load("scripts\\text_keys.txt");
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
    std::unique_ptr<GlobalsSnapshot> m_globals;
    std::unique_ptr<TempDir> m_temp;
};
