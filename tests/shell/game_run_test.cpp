// Whole-game runs: the executable started headless on a copy of the data tree.
#include "platform/win32/Win32.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Every file under the folder (relative names) with its bytes.
std::map<std::string, std::string> FilesIn(const std::filesystem::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
        {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files[std::filesystem::relative(entry.path(), dir).string()] = bytes.str();
        }
    return files;
}

std::vector<std::string> KeysOf(const std::map<std::string, std::string>& files)
{
    std::vector<std::string> keys;
    for (const auto& entry : files)
        keys.push_back(entry.first);
    return keys;
}

TEST(GameRun, HeadlessRunEndsByItselfAndLogsGreetingAndFarewell)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    GameProcess game(dir.path(), {{"TK_FRAMES", "20"}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

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
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    for (const char* report :
         {"!error.txt", "!anims.txt", "!subsets.txt", "!techs.txt", "!textures.txt", "!variables.txt"})
        EXPECT_NE(dir.Read(report), "old\n") << report;
}

TEST(GameRun, SecondInstanceLeavesAtOnceWhileTheFirstRuns)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The lock files live apart, so the data folder holds only what the games write.
    TempDir locks(false);
    const std::pair<std::string, std::string> lockDir = {"TK_LOCK_DIR", locks.path().string()};
    // The first instance runs until it is told to stop.
    GameProcess first(dir.path(), {{"TK_FRAMES", "100000000"}, lockDir});
    // Wait until its window exists, looking for it as the second instance will,
    // and until its world has started (its start-up writes are then done).
    ::setenv("TK_LOCK_DIR", locks.path().c_str(), 1);
    bool up = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kGameSeconds);
    while (!up && first.Running() && std::chrono::steady_clock::now() < deadline)
    {
        up = FindWindowA("Duskmere 2", "Duskmere 2") != nullptr &&
             dir.Read("!console.txt").find("Meshes loaded:") != std::string::npos;
        if (!up)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    RestoreProgramLockDir();
    ASSERT_TRUE(up);

    const std::map<std::string, std::string> before = FilesIn(dir.path());
    GameProcess second(dir.path(), {{"TK_FRAMES", "100000000"}, lockDir});
    EXPECT_EQ(second.Wait(kGameSeconds), 0);
    EXPECT_TRUE(first.Running());
    const std::map<std::string, std::string> after = FilesIn(dir.path());
    first.Kill();
    // The second instance wrote nothing: it left before reading its settings
    // and never rotated the first one's log, which only the first added to.
    ASSERT_EQ(KeysOf(after), KeysOf(before));
    for (const auto& [name, bytes] : before)
        if (name == "!console.txt")
            EXPECT_EQ(after.at(name).substr(0, bytes.size()), bytes)
                << "the first instance's log was touched";
        else
            EXPECT_EQ(after.at(name), bytes) << name;
}

// What "tk.cfg" and the text keys report is printed before the log of the
// last run is rotated away; it must be in this run's log all the same.
TEST(GameRun, StartUpErrorsReachTheRunsLog)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nScreenWidth abc\nBackupConsole 0\n");
    dir.Write("scripts/text_keys.txt", dir.Read("scripts/text_keys.txt") + "\n>BrokenKey\n");
    dir.Write("!console.txt", "the last run\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "5"}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    const auto at = [&](const std::string& line)
    { return std::find(log.begin(), log.end(), line) - log.begin(); };
    const auto keyError = at("ERROR: scripts\\text_keys.txt: no text for >BrokenKey");
    const auto settingError = at("tk.cfg: setting ScreenWidth: \"abc\" is no number, ignored");
    const auto end = static_cast<long>(log.size());
    EXPECT_LT(keyError, end);
    EXPECT_LT(settingError, end);
    EXPECT_LT(keyError, settingError); // in the order they were printed
    EXPECT_EQ(at("the last run"), end);
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}

TEST(GameRun, ClosingTheWindowEndsTheProgramInOrder)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("close.txt", "frame 5: close\n");
    GameProcess game(dir.path(),
                     {{"TK_FRAMES", "100000"}, {"TK_SCRIPT", (dir.path() / "close.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}
} // namespace
