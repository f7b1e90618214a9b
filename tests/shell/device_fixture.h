#pragma once
// In-process set-up of the device tests: the headless backend, a fresh
// platform and Direct3D state, a temporary folder that takes the logs, the
// game's window (its procedure is the game's), and the globals the device
// code changes put back afterwards. The device's calls around loss are
// recorded (DeviceCallLog.h).

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Win32.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/DeviceCallLog.h"
#include "shell/FocusMgr.h"
#include "shell/Mouse.h"
#include "shell/GameOptions.h"
#include "shell/WinMain.h"
#include "support/GameWindow.h"
#include "support/Globals.h"
#include "support/TempDir.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace devicetest
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

inline int Count(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// Index of the first occurrence, or -1.
inline int IndexOf(const std::vector<std::string>& lines, const std::string& line)
{
    const auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

class DeviceShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        m_globals = std::make_unique<GlobalsSnapshot>();
        m_dir = std::make_unique<TempDir>();
        // The virtual clock starts again at 0: so does the engine's frame clock.
        g_Engine.m_fLastTime = 0.0;
        g_Console.m_bOpen = 0;
        g_FocusMgr = EFocusMgr{};
        g_bQuitting = 0;

        ASSERT_NE(OpenGameWindow("DeviceTestWindow", 320, 240, WS_POPUP | WS_VISIBLE), nullptr);
        m_logStart = ConsoleLog().size();
        TkRecordDeviceCalls(true);
    }

    void TearDown() override
    {
        g_D3DMain.Shutdown();
        EXPECT_EQ(TkD3D9CurrentDevice(), nullptr) << "the device outlived the shutdown";
        TkRecordDeviceCalls(false);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        m_dir.reset();
        m_globals.reset();
    }

    // Creates the Direct3D object and the device as WinMain does.
    void CreateDevice() { ASSERT_TRUE(CreateGameDevice()); }

    // A created device with the focus manager active, as the main loop starts.
    void StartRunning()
    {
        CreateDevice();
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        // A loaded world is drawn every frame.
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_bWorldActive = 1;
        TkRecordDeviceCalls(true);
    }

    // Main-loop passes until `frames` more frames (idle passes) have gone by.
    void RunFrames(uint32_t frames)
    {
        const uint32_t until = TkFrameCount() + frames;
        MSG msg = {};
        for (int guard = 0; TkFrameCount() < until && guard < 100000; ++guard)
        {
            // The tests post the 10 ms input timer themselves, one per frame;
            // the mouse sets the real one again whenever it is created.
            KillTimer(g_hWnd, EMouse::TIMER_ID);
            ASSERT_TRUE(RunLoopPass(msg));
        }
    }

    std::vector<std::string> Log() const { return LogLinesSince(m_logStart); }
    const std::vector<std::string>& Calls() const { return TkDeviceCallLog(); }

    std::unique_ptr<TempDir> m_dir;
    size_t m_logStart = 0;

private:
    std::unique_ptr<GlobalsSnapshot> m_globals;
};
} // namespace devicetest
