// The launcher in whole-game runs: the executable started headless on a copy
// of the data tree, its dialogs driven by TK_DIALOG_SCRIPT or the event script.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
const char* const kFarewell = "Tovak 5 engine out, good bye!";

// A valid "save\video.cfg": the launcher comes first.
std::string VideoFile(bool fast)
{
    std::string s("\x09\0\0\0\x01\x01\x01\x01", 8);
    s += std::string(16, '\0');
    s += std::string("\x01\x01\x01\x01", 4);
    s += static_cast<char>(fast ? 1 : 0);
    return s;
}

bool Logged(const std::filesystem::path& dir, const std::string& line)
{
    const auto log = ReadLines(dir / "!console.txt");
    return std::find(log.begin(), log.end(), line) != log.end();
}

TEST(LauncherGame, ExitEndsWithoutADeviceAndWithoutTheShutdownLines)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("save/video.cfg", VideoFile(false));
    const std::string settings = dir.Read("tk.cfg");
    // No frame limit: only a program that never reaches its main loop ends by itself.
    GameProcess game(dir.path(), {{"TK_DIALOG_SCRIPT", "select 1007 3; click 1000"}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Welcome to Duskmere 2.");
    EXPECT_FALSE(Logged(dir.path(), kFarewell));
    EXPECT_EQ(dir.Read("tk.cfg"), settings);
    // The launcher was up: it read the key bindings, writing the defaults.
    EXPECT_EQ(dir.Read("save/keys.cfg").size(), 2114u);
}

TEST(LauncherGame, StartRewritesOnlyTheScreenSizeLinesAndLeavesNoCopy)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("save/video.cfg", VideoFile(false));
    dir.Write("tk.cfg", "Windowed 0\r\n"
                        "ScreenWidth 1024\r\n"
                        "ScreenHeight 768\r\n"
                        "runworld worlds\\test.w\r\n"
                        "BackupConsole 0\r\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "5"}, {"TK_DIALOG_SCRIPT", "select 1007 2"}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    EXPECT_EQ(dir.Read("tk.cfg"), "Windowed 0\r\n"
                                  "ScreenWidth 1280\r\n"
                                  "ScreenHeight 720\r\n"
                                  "runworld worlds\\test.w\r\n"
                                  "BackupConsole 0\r\n");
    EXPECT_FALSE(dir.Exists("tk.bak"));
    EXPECT_TRUE(Logged(dir.path(), kFarewell));
}

TEST(LauncherGame, MissingOrOutdatedVideoFileOpensTheVideoOptionsFirst)
{
    for (bool present : {false, true})
    {
        SCOPED_TRACE(present ? "outdated" : "missing");
        TempDir dir(false);
        CopyDataTree(dir.path());
        if (present)
        {
            std::string outdated = VideoFile(false);
            outdated[0] = 8;
            dir.Write("save/video.cfg", outdated);
        }
        // Fast and OK in the video options, then Exit in the launcher; were
        // the launcher first, the first two would find no such controls.
        GameProcess game(dir.path(), {{"TK_DIALOG_SCRIPT", "click 1053; click 1; click 1000"}});
        ASSERT_EQ(game.Wait(kGameSeconds), 0);
        const std::string video = dir.Read("save/video.cfg");
        ASSERT_EQ(video.size(), 29u);
        EXPECT_EQ(video[0], 9);
        EXPECT_EQ(video[28], 1);
        EXPECT_FALSE(Logged(dir.path(), kFarewell));
    }
}

TEST(LauncherGame, EventScriptClicksTheLauncherAndTheVideoDialog)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("save/video.cfg", VideoFile(false));
    dir.Write("clicks.txt", "frame 1: dialog click 1002\n"
                            "frame 2: dialog click 1053\n"
                            "frame 2: dialog select 1010 2\n"
                            "frame 3: dialog click 1\n"
                            "frame 4: dialog click 1001\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "10"}, {"TK_SCRIPT", (dir.path() / "clicks.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const std::string video = dir.Read("save/video.cfg");
    ASSERT_EQ(video.size(), 29u);
    EXPECT_EQ(video[28], 1); // Fast
    EXPECT_EQ(video[20], 2); // water reflection quality
    EXPECT_TRUE(Logged(dir.path(), kFarewell));
}
} // namespace
