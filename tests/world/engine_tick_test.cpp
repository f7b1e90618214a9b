// The engine's frame clock: the time step of each tick, its limits, the
// cut-scene skip, "GlobalTimeSpeed", the frames-per-second figure and the
// game clock, on the headless virtual clock.
#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "shell/GameOptions.h"
#include "shell/Timer.h"
#include "support/Globals.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
class EngineTick : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedBackend = TkGetBackend();
        globals = std::make_unique<GlobalsSnapshot>();
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TimerForgetState();
        g_Options.GlobalTimeSpeed = 1.0f;
        g_Engine.m_bSkipCutscene = 0;
        g_Engine.m_bGameClock = 0;
        g_Engine.m_fGameClock = 0.0f;
        // A first accepted tick at 10 s, with the figure's counters empty.
        TkHeadlessSetClockMs(10000.0);
        g_Engine.m_fLastTime = 0.0;
        ASSERT_TRUE(g_Engine.Tick());
        g_Engine.m_fFpsTime = 0.0f;
        g_Engine.m_iFpsFrames = 0;
        g_Engine.m_fFps = 0.0f;
    }
    void TearDown() override
    {
        globals.reset();
        TkHeadlessReset();
        TimerForgetState();
        TkSetBackend(savedBackend);
    }

    // Moves the virtual clock on and ticks once.
    static bool TickAfter(double ms)
    {
        TkHeadlessAdvanceClockMs(ms);
        return g_Engine.Tick();
    }

    TkBackend savedBackend = TkBackend::Headless;
    std::unique_ptr<GlobalsSnapshot> globals;
};
} // namespace

TEST_F(EngineTick, ATickLessThanAMillisecondAfterTheLastRunsNoFrameAndKeepsItsTime)
{
    g_Engine.m_fDeltaTime = 0.25f;
    EXPECT_FALSE(TickAfter(0.5));
    EXPECT_EQ(g_Engine.m_fDeltaTime, 0.25f) << "a refused tick leaves the step alone";
    EXPECT_EQ(g_Engine.m_iFpsFrames, 0u);
    // The next step counts from the last accepted tick, not from the refused one.
    EXPECT_TRUE(TickAfter(0.7));
    EXPECT_NEAR(g_Engine.m_fDeltaTime, 0.0012f, 1e-6f);
    EXPECT_EQ(g_Engine.m_iFpsFrames, 1u);
}

TEST_F(EngineTick, StepsAreCappedThenSkippedCutscenesRunAHundredTimesFasterThenTheSpeedScales)
{
    struct Case
    {
        double ms;
        BYTE skip;
        float speed;
        float step;
    };
    for (const Case& c :
         {Case{20.0, 0, 1.0f, 0.02f}, Case{2000.0, 0, 1.0f, 0.5f}, Case{2000.0, 0, 0.5f, 0.25f},
          Case{20.0, 1, 1.0f, 2.0f}, Case{2000.0, 1, 1.0f, 50.0f}, Case{20.0, 1, 0.5f, 1.0f}})
    {
        SCOPED_TRACE(testing::Message() << c.ms << " ms, skip " << int(c.skip) << ", speed " << c.speed);
        g_Engine.m_bSkipCutscene = c.skip;
        g_Options.GlobalTimeSpeed = c.speed;
        ASSERT_TRUE(TickAfter(c.ms));
        EXPECT_NEAR(g_Engine.m_fDeltaTime, c.step, c.step * 1e-4f);
    }
}

TEST_F(EngineTick, TheFrameRateCountsSkippedTimeButNotTheGlobalSpeed)
{
    struct Case
    {
        BYTE skip;
        float speed;
        float fps;
    };
    // Ten frames of 10 ms: the figure is taken once 0.05 s have gathered.
    for (const Case& c :
         {Case{0, 1.0f, 100.0f}, Case{0, 0.5f, 100.0f}, Case{0, 3.0f, 100.0f}, Case{1, 1.0f, 1.0f}})
    {
        SCOPED_TRACE(testing::Message() << "skip " << int(c.skip) << ", speed " << c.speed);
        g_Engine.m_bSkipCutscene = c.skip;
        g_Options.GlobalTimeSpeed = c.speed;
        g_Engine.m_fFps = 0.0f;
        g_Engine.m_fFpsTime = 0.0f;
        g_Engine.m_iFpsFrames = 0;
        for (int i = 0; i < 10 && g_Engine.m_fFps == 0.0f; ++i)
            ASSERT_TRUE(TickAfter(10.0));
        EXPECT_NEAR(g_Engine.m_fFps, c.fps, c.fps * 1e-3f);
        EXPECT_EQ(g_Engine.m_iFpsFrames, 0u);
        EXPECT_EQ(g_Engine.m_fFpsTime, 0.0f);
    }
}

TEST_F(EngineTick, TheGameClockGathersScaledStepsOnlyWhileItRuns)
{
    g_Options.GlobalTimeSpeed = 2.0f;
    ASSERT_TRUE(TickAfter(100.0));
    EXPECT_EQ(g_Engine.m_fGameClock, 0.0f);
    g_Engine.StartGameClock();
    ASSERT_TRUE(TickAfter(100.0));
    ASSERT_TRUE(TickAfter(100.0));
    EXPECT_NEAR(g_Engine.m_fGameClock, 0.4f, 1e-5f);
    g_Engine.StopGameClock();
    ASSERT_TRUE(TickAfter(100.0));
    EXPECT_NEAR(g_Engine.m_fGameClock, 0.4f, 1e-5f);
}
