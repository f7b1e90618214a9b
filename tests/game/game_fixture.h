#pragma once
// The game layer's tests: a temporary folder that takes the logs and files,
// an empty variable list, and the game object, options and the state of the
// managers it drives put back afterwards.

#include "support/ConsoleLog.h"
#include "support/TempDir.h"

#include "game/GameAI.h"
#include "game/GameTrace.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "sound/GameMusic.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace gametest
{
// Lines of the console log written since `from` characters.
inline std::vector<std::string> LogLinesSince(size_t from)
{
    const std::string log = ConsoleLog();
    std::vector<std::string> lines;
    std::istringstream in(from < log.size() ? log.substr(from) : std::string());
    for (std::string line; std::getline(in, line);)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class GameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::make_unique<TempDir>();
        m_options = g_Options;
        m_game = std::make_unique<CMainGame>(g_MainGame);
        m_player = Player;
        m_stats = PlayerStats;
        m_menu = g_Menu;
        m_panel = g_Panel;
        m_loading = g_LoadingScreen;
        m_save = g_SaveMgr;
        m_music = g_GameMusic;
        m_focus = g_FocusMgr.m_bOnFocus;
        g_GameAI.Init();
        m_logStart = ConsoleLog().size();
        TkRecordGameSteps(true);
    }

    void TearDown() override
    {
        TkRecordGameSteps(false);
        g_GameAI.Init();
        g_Options = m_options;
        g_MainGame = *m_game;
        Player = m_player;
        PlayerStats = m_stats;
        g_Menu = m_menu;
        g_Panel = m_panel;
        g_LoadingScreen = m_loading;
        g_SaveMgr = m_save;
        g_GameMusic = m_music;
        g_FocusMgr.m_bOnFocus = m_focus;
        g_Engine.m_szNextWorld[0] = 0;
        g_Engine.m_bWorldChange = 0;
        g_Engine.m_bQuit = 0;
        m_dir.reset();
    }

    std::vector<std::string> Log() const { return LogLinesSince(m_logStart); }

    std::unique_ptr<TempDir> m_dir;
    size_t m_logStart = 0;

private:
    GameOptions m_options;
    // On the heap: the game object holds the recorder's samples.
    std::unique_ptr<CMainGame> m_game;
    CPlayer m_player;
    EPlayerStats m_stats;
    CMenu m_menu;
    Panel m_panel;
    CLoadingScreen m_loading;
    CSaveMgr m_save;
    GameMusic m_music;
    BYTE m_focus = 0;
};
} // namespace gametest
