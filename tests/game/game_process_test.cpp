// The whole game as a player starts it, headless, on a copy of the data tree:
// an event script that waits for the level's start-up.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& head)
{
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.compare(0, head.size(), head) == 0)
            found.push_back(line);
    return found;
}

TEST(GameProcess, AScriptWaitsOnTheLoadingScreenAndForTheLevelToStart)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nDebug 1\n");
    // The loading screen holds the level at 200 until a key is released; the
    // script then waits for the world to be shown and takes its picture.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 205\n"
                         "frame 43: screenshot\n"
                         "frame 45: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "2000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(60.0), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_EQ(LinesStartingWith(log, "Level frame "),
              (std::vector<std::string>{
                  "Level frame 60 GeneratePaths", "Level frame 100 EMeshMgr::SaveAllOpts",
                  "Level frame 151 EConsole::DrawLoadingScreen 9", "Level frame 199 Mewy::Init",
                  "Level frame 201 LevelStarted", "Level frame 202 StartMenu", "Level frame 205 ShowWorld"}));
    // The picture was taken once the world was shown, before the script quit.
    EXPECT_TRUE(dir.Exists("tk_screen0000.bmp"));
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}
} // namespace
