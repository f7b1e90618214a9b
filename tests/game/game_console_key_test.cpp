// The drop-down console in the running game, as a player opens it: the bound
// console key of the event script's keys opens it, typed commands and settings
// take effect, and the same key closes it again.
#include "support/Bitmap.h"
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
                         "frame 5: wait level frame 300\n"
                         "frame 6: screenshot\n"
                         "frame 7: key press Grave\n"
                         "frame 8: keys SetVariable probe\n"
                         "frame 9: key press Enter\n"
                         "frame 11: keys Variable probe\n"
                         "frame 12: key press Enter\n"
                         "frame 14: keys numconsolelines 2\n"
                         "frame 15: key press Enter\n"
                         "frame 16: screenshot\n"
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

    // Open, the console darkens the upper half of the picture and rules its lower edge in green;
    // the lower half is left as it was.
    Bitmap closed, open;
    ASSERT_TRUE(closed.Parse(dir.Read("tk_screen0000.bmp")));
    ASSERT_TRUE(open.Parse(dir.Read("tk_screen0001.bmp")));
    auto light = [](const Bitmap& b, int top, int bottom)
    {
        int64_t sum = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = b.width / 2; x < b.width; ++x)
            {
                const uint32_t c = b.Pixel(x, y);
                sum += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
            }
        return sum;
    };
    const int half = open.height / 2;
    EXPECT_LT(light(open, half / 4, half / 2) * 10, light(closed, half / 4, half / 2) * 6)
        << "the upper half";
    const double below = static_cast<double>(light(closed, half + 20, open.height));
    EXPECT_NEAR(static_cast<double>(light(open, half + 20, open.height)), below, below * 0.01)
        << "the lower half";
    const uint32_t rule = open.Pixel(open.width * 3 / 4, half - 1);
    EXPECT_EQ(rule & 0xFFFFFF, 0x80FF80u) << std::hex << rule;
}
} // namespace
