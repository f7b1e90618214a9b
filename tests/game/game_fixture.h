#pragma once
// The game layer's tests: a temporary folder that takes the logs and files,
// an empty variable list, and the game object, options and the state of the
// managers it drives put back afterwards.

#include "support/ConsoleLog.h"
#include "support/Globals.h"
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
        m_globals = std::make_unique<GlobalsSnapshot>();
        m_dir = std::make_unique<TempDir>();
        g_GameAI.Init();
        m_logStart = ConsoleLog().size();
        TkRecordGameSteps(true);
    }

    void TearDown() override
    {
        TkRecordGameSteps(false);
        m_dir.reset();
        m_globals.reset();
    }

    std::vector<std::string> Log() const { return LogLinesSince(m_logStart); }

    std::unique_ptr<TempDir> m_dir;
    size_t m_logStart = 0;

private:
    std::unique_ptr<GlobalsSnapshot> m_globals;
};
} // namespace gametest
