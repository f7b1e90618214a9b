// The whole game as a player starts it, headless, on a copy of the bundled
// data: the loading screen with its voiced briefing and its wait for a key,
// then the running level with the HUD: the crosshair at the centre, the
// ammunition panel, the minimap and the level's caption; and in play the
// waypoint marker, the credits, the letterbox and the death screen.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

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
    const Bitmap loading = ScreenshotIn(dir, 0);
    EXPECT_GT(CountIn(loading, 200, 10, 824, 50, Bright), 50) << "the briefing line";
    EXPECT_GT(CountIn(loading, 80, 690, 300, 730, Bright), 20) << "the cache line";
    // The first level's picture fills the screen: a night sky, blue over red.
    const auto nightSky = [](uint32_t c) { return B(c) > R(c) + 20 && NotBlack(c); };
    EXPECT_GT(CountIn(loading, 300, 100, 724, 250, nightSky), 200 * 100) << "the loading picture";
    // The progress bar under the caption: grey and its lighter fill.
    EXPECT_GT(CountIn(loading, 80, 728, 380, 734, NotBlack), 300) << "the progress bar";

    // Loaded: ">StartLevel" on its bar, waiting for a key.
    const Bitmap waiting = ScreenshotIn(dir, 1);
    EXPECT_GT(CountIn(waiting, 292, 708, 732, 738, NotBlack), 1000) << "the bar";

    // In play: crosshair at the centre, the ammunition panel at the lower
    // right, the minimap at the lower left, the caption above the centre.
    const Bitmap play = ScreenshotIn(dir, 2);
    EXPECT_GT(CountIn(play, 482, 354, 542, 414, Cyanish), 8) << "the crosshair";
    EXPECT_GT(CountIn(play, 788, 691, 1008, 746, Cyan), 40) << "the ammunition panel and its bullets";
    EXPECT_GT(CountIn(play, 22, 584, 182, 746, Cyan), 100) << "the minimap";
    EXPECT_GT(CountIn(play, 312, 266, 712, 300, Cyan), 30) << "the level's caption";
}
} // namespace

namespace
{
// A mission of its own over the demo world: a waypoint on the switch, the
// letterbox for two seconds, then a failed mission; the credits come from the
// console between.
// The waypoint marker's cyan, strong enough that the blue sky is not taken for it.
bool Marker(uint32_t c)
{
    return G(c) > R(c) + 50 && B(c) > R(c) + 50 && G(c) > 200;
}
// The credits' pale yellow text, which the grey road and the brown houses are not.
bool CreditsText(uint32_t c)
{
    return G(c) >= R(c) && R(c) > B(c) + 30 && R(c) > 90;
}

constexpr const char* kScreensMission = "world worlds\\level01.w\n"
                                        "wait 4 -waypoint demo_switch\n"
                                        "panoramic_on\n"
                                        "wait 2\n"
                                        "panoramic_off\n"
                                        "mission_failed\n";

TEST(HudGame, WaypointCreditsLetterboxAndTheDeathScreenInPlay)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("scripts/quests/level01.txt", kScreensMission);
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 5: wait level frame 300\n"
                         "frame 6: screenshot\n"
                         "frame 8: key press Grave\n"
                         "frame 10: keys SetVariable credits\n"
                         "frame 11: key press Enter\n"
                         "frame 13: key press Grave\n"
                         "frame 15: wait level frame 440\n"
                         "frame 16: screenshot\n"
                         "frame 18: key press Grave\n"
                         "frame 20: keys UnsetVariable credits\n"
                         "frame 21: key press Enter\n"
                         "frame 23: key press Grave\n"
                         "frame 25: wait level frame 520\n"
                         "frame 26: screenshot\n"
                         "frame 27: wait level frame 700\n"
                         "frame 28: screenshot\n"
                         "frame 30: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    EXPECT_FALSE(dir.Exists("!error.txt")) << dir.Read("!error.txt");
    const std::vector<std::string> log = ReadLines(dir.path() / "!console.txt");
    EXPECT_NE(std::find(log.begin(), log.end(), "QS odpala GameFailed"), log.end());
    // Every file the running level loads is in the bundled data: no loader reports one missing.
    for (const std::string& line : log)
        for (const char* miss : {"ERROR", "not found", "NOT found", "Sound loading problem", "doesn't exist"})
            EXPECT_EQ(line.find(miss), std::string::npos) << line;

    // The waypoint marker on the switch, right of the crosshair, before the credits.
    const Bitmap waypoint = ScreenshotIn(dir, 0);
    EXPECT_GT(CountIn(waypoint, 560, 360, 660, 420, Marker), 100) << "the waypoint marker";
    EXPECT_EQ(CountIn(waypoint, 300, 690, 724, 768, CreditsText), 0) << "no credits yet";

    // The credits darken the picture and scroll in from the bottom.
    const Bitmap credits = ScreenshotIn(dir, 1);
    EXPECT_GT(CountIn(credits, 300, 690, 724, 768, CreditsText), 100) << "the first credits line";
    auto skyLight = [](const Bitmap& b)
    {
        int64_t sum = 0;
        CountIn(b, 600, 120, 1000, 200,
                [&sum](uint32_t c)
                {
                    sum += R(c) + G(c) + B(c);
                    return true;
                });
        return sum;
    };

    // The letterbox's black bars with the world between, the credits gone.
    const Bitmap letterbox = ScreenshotIn(dir, 2);
    EXPECT_EQ(CountIn(letterbox, 0, 680, 1024, 768, NotBlack), 0) << "the lower bar";
    EXPECT_GT(CountIn(credits, 0, 680, 1024, 768, NotBlack), 1000) << "no bar without the letterbox";
    EXPECT_GT(CountIn(letterbox, 0, 120, 1024, 660, NotBlack), 100000) << "the world between the bars";
    EXPECT_LT(skyLight(credits) * 10, skyLight(letterbox) * 7) << "the credits darken the world";
    EXPECT_EQ(CountIn(letterbox, 560, 360, 660, 420, Marker), 0) << "no waypoint marker in the letterbox";

    // The failed mission's death screen: black, with its red title in the middle.
    const Bitmap death = ScreenshotIn(dir, 3);
    EXPECT_GT(
        CountIn(death, 400, 340, 630, 390, [](uint32_t c) { return R(c) > 150 && G(c) < 60 && B(c) < 60; }),
        50)
        << "the death title";
    EXPECT_EQ(CountIn(death, 0, 420, 1024, 768, NotBlack), 0) << "the world is covered";
}
} // namespace
