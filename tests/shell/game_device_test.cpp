// The game itself losing its device and getting it back, run headless.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
int IndexOf(const std::vector<std::string>& lines, const std::string& line)
{
    const auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

// The engine's frame counter lines ("Debug" above 3), in log order.
std::vector<int> FrameNumbers(const std::vector<std::string>& lines, size_t from, size_t to)
{
    const std::string prefix = "*** Klatka: ";
    std::vector<int> frames;
    for (size_t i = from; i < to && i < lines.size(); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0)
            frames.push_back(std::atoi(lines[i].c_str() + prefix.size()));
    return frames;
}

TEST(GameDevice, DeviceLostAndRestoredTheGameResetsAndGoesOnDrawing)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The engine's frame counter shows which frames ran.
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nDebug 4\n");
    dir.Write("loss.txt", "frame 30: device lost\nframe 40: device restored\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "80"}, {"TK_SCRIPT", (dir.path() / "loss.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    const int trying = IndexOf(log, "Probuje FocusMgr::GainFocus");
    const int reset = IndexOf(log, "g_pD3DInterface->Reset(&g_d3dpp) succeeded!");
    const int gained = IndexOf(log, "Focus gained");
    ASSERT_GE(trying, 0);
    EXPECT_GT(reset, trying);
    EXPECT_GT(gained, reset);
    EXPECT_EQ(IndexOf(log, "Reset failed!"), -1);
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");

    // Frames run before the loss and again after the reset, numbered on.
    const auto before = FrameNumbers(log, 0, static_cast<size_t>(trying));
    const auto after = FrameNumbers(log, static_cast<size_t>(gained), log.size());
    ASSERT_FALSE(before.empty());
    ASSERT_GE(after.size(), 30u);
    EXPECT_EQ(after.front(), before.back() + 1);
    // None ran from the loss at frame 30 to the reset after frame 40.
    EXPECT_LE(before.size() + after.size(), 80u - 10u);
}

TEST(GameDevice, ScreenshotOfAHeadlessRunShowsTheConsoleGreeting)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // Enough recent lines on screen for everything printed since the start.
    constexpr int kShown = 40;
    // Neither the world nor its effects are drawn, so only text shows over black.
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nnumconsolelines " + std::to_string(kShown) +
                            "\nDrawSkylightLitObjects 0\nDrawSky 0\nDrawFX 0\n");
    // The loading screen waits for a key once the world has loaded; the world
    // is drawn once the level's start-up shows it.
    dir.Write(
        "shot.txt",
        "frame 3: key press Space\nframe 5: wait level frame 206\nframe 6: screenshot\nframe 8: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "400"}, {"TK_SCRIPT", (dir.path() / "shot.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    Bitmap shot;
    ASSERT_TRUE(shot.Parse(dir.Read("tk_screen0000.bmp")));
    EXPECT_EQ(shot.width, 800);
    EXPECT_EQ(shot.height, 600);
    EXPECT_FALSE(dir.Exists("tk_screen0001.bmp"));

    // Everything but the farewell was printed before the screenshot; the
    // recent lines are drawn 14 pixels apart, newest at the bottom, so the
    // greeting, the first line of all, is the topmost line of text.
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_GE(log.size(), 2u);
    ASSERT_EQ(log.front(), "Welcome to Duskmere 2.");
    // The mission script's first lines (from level frame 209), the physics
    // world's teardown lines and the farewell come after it.
    const auto teardown =
        std::find_if(log.begin(), log.end(),
                     [](const std::string& line)
                     { return line == "  m_constraintSolver clear" || line.rfind("QS ", 0) == 0; });
    const int printed =
        teardown == log.end() ? static_cast<int>(log.size()) - 1 : static_cast<int>(teardown - log.begin());
    ASSERT_LT(printed, kShown);
    const int greetingTop = 14 * (kShown - printed);

    int greenInGreeting = 0, inkAbove = 0, inkBelowText = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
        {
            const uint32_t p = shot.Pixel(x, y);
            if (p == 0)
                continue;
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
            if (y < greetingTop)
                ++inkAbove;
            else if (y < greetingTop + 14 && g > r)
                ++greenInGreeting;
            else if (y >= 14 * kShown + 8)
                ++inkBelowText;
        }
    EXPECT_GT(greenInGreeting, 100);
    EXPECT_EQ(inkAbove, 0);
    // The rest of an empty world stays black.
    EXPECT_EQ(inkBelowText, 0);
}
} // namespace
