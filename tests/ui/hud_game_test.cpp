// The whole game as a player starts it, headless, on a copy of the bundled
// data: the loading screen with its voiced briefing and its wait for a key,
// then the running level with the HUD: the crosshair at the centre, the
// ammunition panel, the minimap and the level's caption.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
Bitmap Shot(const TempDir& dir, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "tk_screen%04d.bmp", n);
    Bitmap b;
    EXPECT_TRUE(b.Parse(dir.Read(name))) << name;
    return b;
}

// Pixels in a box of the virtual 1024 x 768 screen that pass a test.
template <typename Test>
int CountIn(const Bitmap& b, float left, float top, float right, float bottom, Test test)
{
    const float sx = b.width / 1024.0f, sy = b.height / 768.0f;
    int n = 0;
    for (int y = static_cast<int>(top * sy); y < static_cast<int>(bottom * sy); ++y)
        for (int x = static_cast<int>(left * sx); x < static_cast<int>(right * sx); ++x)
            if (test(b.Pixel(x, y)))
                ++n;
    return n;
}

int R(uint32_t c)
{
    return (c >> 16) & 0xFF;
}
int G(uint32_t c)
{
    return (c >> 8) & 0xFF;
}
int B(uint32_t c)
{
    return c & 0xFF;
}
// The HUD's cyan (0xA2FAFF) tint, over any background.
bool Cyan(uint32_t c)
{
    return B(c) > 200 && G(c) > 190 && R(c) + 40 < B(c);
}
// Shifted toward cyan from a grey or brown background: a thin tinted line.
bool Cyanish(uint32_t c)
{
    return G(c) > R(c) + 20 && B(c) > R(c) + 20;
}
bool Bright(uint32_t c)
{
    return R(c) + G(c) + B(c) > 300;
}
bool NotBlack(uint32_t c)
{
    return R(c) + G(c) + B(c) > 60;
}

TEST(HudGame, TheLoadingScreenBriefsAndWaitsThenTheLevelShowsItsHud)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("run.txt", "frame 2: wait level frame 100\n"
                         "frame 3: screenshot\n"
                         "frame 5: wait level frame 200\n"
                         "frame 30: screenshot\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 300\n"
                         "frame 43: screenshot\n"
                         "frame 45: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const std::vector<std::string> log = ReadLines(dir.path() / "!console.txt");
    EXPECT_NE(std::find(log.begin(), log.end(), "SetupDialog 1"), log.end());
    EXPECT_FALSE(dir.Exists("!error.txt")) << dir.Read("!error.txt");

    // Loading: the briefing's first line at the top, ">Cache" at the lower left.
    const Bitmap loading = Shot(dir, 0);
    EXPECT_GT(CountIn(loading, 200, 10, 824, 50, Bright), 50) << "the briefing line";
    EXPECT_GT(CountIn(loading, 80, 690, 300, 730, Bright), 20) << "the cache line";
    EXPECT_EQ(CountIn(loading, 200, 300, 824, 600, NotBlack), 0);

    // Loaded: ">StartLevel" on its bar, waiting for a key.
    const Bitmap waiting = Shot(dir, 1);
    EXPECT_GT(CountIn(waiting, 292, 708, 732, 738, NotBlack), 1000) << "the bar";

    // In play: crosshair at the centre, the ammunition panel at the lower
    // right, the minimap at the lower left, the caption above the centre.
    const Bitmap play = Shot(dir, 2);
    EXPECT_GT(CountIn(play, 482, 354, 542, 414, Cyanish), 8) << "the crosshair";
    EXPECT_GT(CountIn(play, 788, 691, 1008, 746, Cyan), 40) << "the ammunition panel and its bullets";
    EXPECT_GT(CountIn(play, 22, 584, 182, 746, Cyan), 100) << "the minimap";
    EXPECT_GT(CountIn(play, 312, 266, 712, 300, Cyan), 30) << "the level's caption";
}
} // namespace
