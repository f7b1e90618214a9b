// The main loop's passes in-process, on the headless window, clock and device.
#include "support/BuildPaths.h"
#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "support/GameWindow.h"
#include "support/Globals.h"
#include "support/TempDir.h"
#include "ui/AutoMap.h"
#include "ui/LoadingScreen.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace
{
class MainLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_globals = std::make_unique<GlobalsSnapshot>();
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        TimerForgetState();
        // The virtual clock starts again at 0: so does the engine's frame clock.
        g_Engine.m_fLastTime = 0;
        ASSERT_NE(OpenGameWindow("LoopTest", 64, 48), nullptr);
        g_bQuitting = 0;
        // A world start loads the HUD's and the effects' pictures, and a missing one stops the game.
        for (const char* folder : {"hud", "misc"})
        {
            std::filesystem::create_directories(m_dir.path() / "textures" / folder);
            std::filesystem::copy(tk::test::DataDir() / "textures" / folder,
                                  m_dir.path() / "textures" / folder,
                                  std::filesystem::copy_options::recursive);
        }
        ASSERT_TRUE(CreateGameDevice());
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        g_Engine.m_iFrame = 0;
    }

    void TearDown() override
    {
        // A world start makes the automap's target, the loading screen's bar
        // and the HUD's and task box's rectangles.
        g_AutoMap.ReleaseDeviceObjects();
        g_LoadingScreen.m_Bar.Release();
        g_Panel.Release();
        g_Objective.Release();
        g_D3DMain.Shutdown();
        SAFE_RELEASE(g_pD3D);
        g_FocusMgr.m_bOnFocus = 0;
        if (g_hWnd)
            DestroyWindow(g_hWnd);
        TkHeadlessReset();
        TimerForgetState();
        m_globals.reset();
    }

    // Runs loop passes until `frames` idle passes have happened.
    void RunIdlePasses(uint32_t frames)
    {
        const uint32_t end = TkFrameCount() + frames;
        while (TkFrameCount() < end)
        {
            // No input here: without the mouse's 10 ms timer every pass that
            // counts a frame is the one that runs it.
            KillTimer(g_hWnd, EMouse::TIMER_ID);
            ASSERT_TRUE(RunLoopPass(m_msg));
        }
    }

    std::unique_ptr<GlobalsSnapshot> m_globals;
    TempDir m_dir;
    MSG m_msg = {};
};

TEST_F(MainLoop, PassesLessThanAMillisecondApartRunOneFrame)
{
    TkHeadlessSetFrameStepMs(0.6);
    RunIdlePasses(10);
    EXPECT_EQ(g_Engine.m_iFrame, 5u);
    EXPECT_NEAR(g_Engine.m_fDeltaTime, 0.0012f, 1e-5f);
}

TEST_F(MainLoop, FrameStepsStayFineAfterADayOfUptime)
{
    // The counter runs from boot: a day in, seconds no longer fit a float to
    // the millisecond, and the frame steps must not be rounded to its grid.
    TkHeadlessSetClockMs(86400.0 * 1000.0);
    TimerForgetState();
    g_Engine.Tick();
    TkHeadlessSetFrameStepMs(5.0);
    RunIdlePasses(20);
    EXPECT_EQ(g_Engine.m_iFrame, 20u);
    EXPECT_NEAR(g_Engine.m_fDeltaTime, 0.005f, 1e-4f);
}

TEST_F(MainLoop, DebugPerformanceKeepsTheFrameTimeItMeasures)
{
    constexpr unsigned kMeasuredTimer = 407;
    TkHeadlessSetFrameStepMs(5.0);
    RunIdlePasses(1);
    g_Debug.m_fMeasuredFrameTime = -1.0;
    RunIdlePasses(1);
    EXPECT_EQ(g_Debug.m_fMeasuredFrameTime, -1.0) << "measured while the option is off";

    g_Options.DebugPerformance = 1;
    g_Debug.StartTimer(kMeasuredTimer);
    RunIdlePasses(2);
    EXPECT_NEAR(g_Debug.m_fMeasuredFrameTime, 0.010, 1e-6);
}

TEST_F(MainLoop, FrameTimeIsClampedAndScaledByGlobalTimeSpeed)
{
    TkHeadlessSetFrameStepMs(2000.0);
    RunIdlePasses(1);
    EXPECT_FLOAT_EQ(g_Engine.m_fDeltaTime, 0.5f);
    g_Options.GlobalTimeSpeed = 0.5f;
    RunIdlePasses(1);
    EXPECT_FLOAT_EQ(g_Engine.m_fDeltaTime, 0.25f);
    TkHeadlessSetFrameStepMs(100.0);
    RunIdlePasses(1);
    EXPECT_NEAR(g_Engine.m_fDeltaTime, 0.05f, 1e-4f);
}

TEST_F(MainLoop, WorldRequestedDuringAFrameStartsAtTheEndOfThatPass)
{
    TkHeadlessSetFrameStepMs(20.0);
    m_dir.Write("worlds/first.w", "world_general_properties\n");
    m_dir.Write("worlds/second.w", "world_general_properties\n");
    g_Engine.StartWorld("worlds\\first.w");
    RunIdlePasses(3);
    // Shown, as the level's start-up shows it.
    g_MainGame.m_bWorldActive = 1;
    const UINT presents = TkD3D9GetPresentCount(g_pD3DInterface);
    const DWORD frames = g_Engine.m_iFrame;
    ASSERT_GT(frames, 0u);

    // Asked for while the frame is under way (as a script or the console would).
    g_Engine.RequestWorldChange("worlds\\second.w");
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\first.w");
    // The old world is no longer shown once another is asked for.
    EXPECT_EQ(g_MainGame.m_bWorldActive, 0);
    RunIdlePasses(1);

    // That pass updated the old world without drawing it, then started the new
    // one: the only pictures shown are the new world's loading screen, drawn
    // as its loading moves on.
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1);
    EXPECT_GT(TkD3D9GetPresentCount(g_pD3DInterface), presents);
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\second.w");
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
    EXPECT_EQ(g_Engine.m_iFrame, 0u);
}

TEST_F(MainLoop, NoFrameRunsWhileTheFocusCheckFails)
{
    TkHeadlessSetFrameStepMs(20.0);
    RunIdlePasses(2);
    const DWORD frames = g_Engine.m_iFrame;
    TkD3D9LoseDevices();
    RunIdlePasses(5);
    EXPECT_EQ(g_Engine.m_iFrame, frames);
}

TEST_F(MainLoop, QuitFlagEndsTheLoop)
{
    RunIdlePasses(1);
    g_Engine.RequestQuit();
    EXPECT_FALSE(RunLoopPass(m_msg));
}
} // namespace
