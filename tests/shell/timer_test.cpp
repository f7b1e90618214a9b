#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "shell/Timer.h"

#include <gtest/gtest.h>

namespace
{
// The engine clock over the headless virtual clock, with and without the
// high-resolution counter.
class TimerTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkHeadlessSetHighResolutionCounter(GetParam());
        TkHeadlessSetClockMs(5000.0);
        TimerForgetState();
    }
    void TearDown() override
    {
        TkHeadlessReset();
        TimerForgetState();
    }
    static void Advance(double seconds) { TkHeadlessAdvanceClockMs(seconds * 1000.0); }
};

TEST_P(TimerTest, AbsoluteTimeIsTheCounterInSeconds)
{
    EXPECT_NEAR(Timer(TIMER_GETABSOLUTETIME), 5.0, 1e-6);
    Advance(0.25);
    EXPECT_NEAR(Timer(TIMER_GETABSOLUTETIME), 5.25, 1e-6);
}

TEST_P(TimerTest, ResetStartsApplicationTimeAtZero)
{
    EXPECT_DOUBLE_EQ(Timer(TIMER_RESET), 0.0);
    Advance(1.5);
    EXPECT_NEAR(Timer(TIMER_GETAPPTIME), 1.5, 1e-6);
}

TEST_P(TimerTest, StoppedClockStandsStillButAbsoluteTimeRuns)
{
    Timer(TIMER_RESET);
    Advance(1.0);
    EXPECT_DOUBLE_EQ(Timer(TIMER_STOP), 0.0);
    Advance(2.0);
    EXPECT_NEAR(Timer(TIMER_GETAPPTIME), 1.0, 1e-6);
    EXPECT_NEAR(Timer(TIMER_GETABSOLUTETIME), 8.0, 1e-6);
    EXPECT_NEAR(Timer(TIMER_GETELAPSEDTIME), 0.0, 1e-6);
}

TEST_P(TimerTest, StartExcludesTheStoppedInterval)
{
    Timer(TIMER_RESET);
    Advance(1.0);
    Timer(TIMER_STOP);
    Advance(3.0);
    Timer(TIMER_START);
    Advance(0.5);
    EXPECT_NEAR(Timer(TIMER_GETAPPTIME), 1.5, 1e-6);
}

TEST_P(TimerTest, AdvanceMovesTheStoppedClockByATenth)
{
    Timer(TIMER_RESET);
    Timer(TIMER_STOP);
    Timer(TIMER_ADVANCE);
    Timer(TIMER_ADVANCE);
    EXPECT_NEAR(Timer(TIMER_GETAPPTIME), 0.2, 1e-6);
}

TEST_P(TimerTest, ElapsedTimeIsSinceThePreviousQuery)
{
    Timer(TIMER_RESET);
    Advance(0.3);
    EXPECT_NEAR(Timer(TIMER_GETELAPSEDTIME), 0.3, 1e-6);
    Advance(0.2);
    EXPECT_NEAR(Timer(TIMER_GETELAPSEDTIME), 0.2, 1e-6);
    EXPECT_NEAR(Timer(TIMER_GETELAPSEDTIME), 0.0, 1e-6);
}

TEST_P(TimerTest, UnknownCommandsAnswerMinusOne)
{
    for (int command : {-1, 7, 100})
        EXPECT_DOUBLE_EQ(Timer(command), -1.0) << command;
}

INSTANTIATE_TEST_SUITE_P(Counters, TimerTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "HighResolution" : "Milliseconds"; });
} // namespace
