#pragma once
// The game layer's tests: a temporary folder that takes the logs and files,
// an empty variable list, and the game object, options and the state of the
// managers it drives put back afterwards.

#include "support/ConsoleLog.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "support/Globals.h"
#include "support/TempDir.h"

#include "game/GameAI.h"
#include "game/GameTrace.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/WinMain.h"
#include "sound/GameMusic.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Keys.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
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
        // The game draws its chances from the C library's sequence: each test
        // starts it where a fresh program does, whatever the tests before drew.
        std::srand(1);
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

    // The in-process whole game on a copy of the bundled data: its window and
    // device made, started without the menu straight into the demo world.
    void OpenDemoGame(const char* window, int width, int height)
    {
        ResetHeadlessGame();
        CopyDataTree(m_dir->path());
        ASSERT_NE(OpenGameWindow(window, width, height), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", worldgen::DEMO_WORLD_FILE);
    }

    // ---- Running the in-process game ------------------------------------------------------
    static constexpr int kGuard = 5000;

    // Passes of the main loop until one more frame has been drawn.
    void Pass()
    {
        const uint32_t end = TkFrameCount() + 1;
        for (int guard = 0; TkFrameCount() < end && guard < kGuard; ++guard)
            ASSERT_TRUE(RunLoopPass(m_msg));
    }

    // The configured world started, its loading screen left, and the level run to the frame.
    void StartLevel(DWORD frame)
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        for (int guard = 0; g_MainGame.m_iLevelFrame < frame && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_MainGame.m_bWorldActive, 1);
    }

    // Passes until the level frame reaches the given one.
    void PassUntilLevelFrame(DWORD frame)
    {
        for (int guard = 0; g_MainGame.m_iLevelFrame < frame && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_MainGame.m_iLevelFrame, frame);
    }

    // A key pressed for two passes and let go for two, as a player taps it.
    void PressKey(const char* name)
    {
        const TkKey key = TkKeyFromName(name);
        TkInjectKeyScan(key.vk, key.scan, true);
        Pass();
        Pass();
        TkInjectKeyScan(key.vk, key.scan, false);
        Pass();
        Pass();
    }

    // Runs frames until the condition holds; false when it never did.
    template <class Condition> bool RunUntil(Condition done, int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            if (done())
                return true;
            Pass();
            if (::testing::Test::HasFatalFailure())
                return false;
        }
        return done();
    }

    // Frames with the camera held at `from`, looking at `at`, from an eye
    // object of the test's own (made at the first call of each world).
    void LookFrom(const D3DXVECTOR3& from, const D3DXVECTOR3& at, int frames)
    {
        if (!m_eye)
            m_eye = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        ASSERT_NE(m_eye, nullptr);
        for (int frame = 0; frame < frames; ++frame)
        {
            g_Engine.SetObjectPosition(m_eye, &from, 1);
            if (g_Engine.m_pLookFrom != m_eye)
                g_Engine.ForceCameraToLook(m_eye, nullptr);
            const D3DXVECTOR3 look = at - from;
            g_Camera.SetPosition(from);
            g_Camera.SetOrientation(EOrientation(&look));
            ASSERT_NO_FATAL_FAILURE(Pass());
        }
    }

    static D3DXVECTOR3 Position(HOBJECT o)
    {
        D3DXVECTOR3 p(0, 0, 0);
        g_Engine.GetObjectPosition(o, &p);
        return p;
    }

    MSG m_msg = {};
    HOBJECT m_eye = nullptr;

    std::unique_ptr<TempDir> m_dir;
    size_t m_logStart = 0;

private:
    std::unique_ptr<GlobalsSnapshot> m_globals;
};
} // namespace gametest
