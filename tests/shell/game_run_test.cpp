// Whole-game runs: the executable started headless on a copy of the data tree.
#include "platform/win32/Win32.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{
TEST(GameRun, HeadlessRunEndsByItselfAndLogsGreetingAndFarewell)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    GameProcess game(dir.path(), {{"TK_FRAMES", "120"}});
    ASSERT_EQ(game.Wait(60.0), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Welcome to Duskmere 2.");
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}

TEST(GameRun, ReportFilesOfTheLastRunAreDeletedAtStart)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    for (const char* report :
         {"!error.txt", "!anims.txt", "!subsets.txt", "!techs.txt", "!textures.txt", "!variables.txt"})
        dir.Write(report, "old\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "10"}});
    ASSERT_EQ(game.Wait(60.0), 0);
    for (const char* report :
         {"!error.txt", "!anims.txt", "!subsets.txt", "!techs.txt", "!textures.txt", "!variables.txt"})
        EXPECT_NE(dir.Read(report), "old\n") << report;
}

TEST(GameRun, SecondInstanceLeavesAtOnceWhileTheFirstRuns)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The first instance runs until it is told to stop.
    GameProcess first(dir.path(), {{"TK_FRAMES", "100000000"}});
    // Wait until its window exists, looking for it as the second instance will.
    ::setenv("TK_LOCK_DIR", dir.path().c_str(), 1);
    bool up = false;
    for (int i = 0; i < 3000 && !up && first.Running(); ++i)
    {
        up = FindWindowA("Duskmere 2", "Duskmere 2") != nullptr;
        if (!up)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    RestoreProgramLockDir();
    ASSERT_TRUE(up);

    const auto before = ReadLines(dir.path() / "!console.txt");
    GameProcess second(dir.path(), {{"TK_FRAMES", "100000000"}});
    EXPECT_EQ(second.Wait(10.0), 0);
    EXPECT_TRUE(first.Running());
    // The second instance wrote nothing: it left before reading its settings.
    const auto after = ReadLines(dir.path() / "!console.txt");
    EXPECT_EQ(after.front(), before.front());
    first.Kill();
}

TEST(GameRun, ClosingTheWindowEndsTheProgramInOrder)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("close.txt", "frame 5: close\n");
    GameProcess game(dir.path(),
                     {{"TK_FRAMES", "100000"}, {"TK_SCRIPT", (dir.path() / "close.txt").string()}});
    ASSERT_EQ(game.Wait(60.0), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}
} // namespace
