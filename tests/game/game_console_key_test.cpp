// The drop-down console in the running game, as a player opens it: the bound
// console key of the event script's keys opens it, typed commands and settings
// take effect, and the same key closes it again.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
size_t CountLines(const std::vector<std::string>& lines, const std::string& head)
{
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const std::string& line)
                                             { return line.compare(0, head.size(), head) == 0; }));
}

TEST(GameConsoleKey, TheConsoleKeyOpensTheConsoleForCommandsAndSettingsAndClosesIt)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 5: wait level frame 206\n"
                         "frame 6: key press Grave\n"
                         "frame 8: keys SetVariable probe\n"
                         "frame 9: key press Enter\n"
                         "frame 11: keys Variable probe\n"
                         "frame 12: key press Enter\n"
                         "frame 14: keys numconsolelines 2\n"
                         "frame 15: key press Enter\n"
                         "frame 17: key press Grave\n"
                         // Closed again: these keys reach the game, not the console.
                         "frame 19: keys Variable probe\n"
                         "frame 20: key press Enter\n"
                         "frame 22: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "2000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    // The command ran once, while the console was open, and saw the variable set.
    EXPECT_EQ(CountLines(log, "Variable probe: bool, set 1"), 1u);
    EXPECT_EQ(CountLines(log, "No variable "), 0u);
    // The setting was applied as typed: the line is printed back.
    EXPECT_EQ(CountLines(log, "numconsolelines 2"), 1u);
}
} // namespace
