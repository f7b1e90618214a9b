// The hero's view in the whole game, headless, on a copy of the data tree:
// the weapon he holds is drawn in front of him, a mouse movement reaches the
// view in the frame it arrives, and input of any timing never breaks the
// controller or the view.
#include "support/Bitmap.h"
#include "hero_game_log.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using namespace herogame;

constexpr double kPitchLimit = 1.5358899;
constexpr double kPrinted = 5e-5; // the console line's rounding
// The script's start: the loading screen waits for a key, and from level
// frame 240 the hero stands and takes input.
constexpr const char* kStart = "frame 2: wait level frame 200\n"
                               "frame 40: key press Space\n"
                               "frame 42: wait level frame 240\n";

struct View
{
    unsigned frame = 0;
    double m[6] = {};
};

std::vector<View> Views(const std::vector<std::string>& log)
{
    std::vector<View> found;
    for (const std::string& line : log)
    {
        View v;
        if (std::sscanf(line.c_str(), "Camera view drawn by frame %u: %lf %lf %lf %lf %lf %lf", &v.frame,
                        &v.m[0], &v.m[1], &v.m[2], &v.m[3], &v.m[4], &v.m[5]) == 7)
            found.push_back(v);
    }
    return found;
}

double Difference(const View& a, const View& b)
{
    double d = 0.0;
    for (int i = 0; i < 6; ++i)
        d = std::max(d, std::abs(a.m[i] - b.m[i]));
    return d;
}

std::vector<std::string> RunGame(TempDir& dir, const std::string& script)
{
    CopyDataTree(dir.path());
    dir.Write("run.txt", script);
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    EXPECT_EQ(game.Wait(kGameSeconds), 0);
    return ReadLines(dir.path() / "!console.txt");
}

} // namespace

TEST(HeroViewGame, TheWeaponInHandIsDrawnAtTheLowerRightOfTheView)
{
    TempDir dir(false);
    // From level frame 301 the HUD's start-up fade from black is over.
    const auto log = RunGame(dir, std::string(kStart) + "frame 43: wait level frame 310\n"
                                                        "frame 44: screenshot\n"
                                                        "frame 46: quit\n");
    ASSERT_TRUE(dir.Exists("tk_screen0000.bmp"));
    const Bitmap b = ScreenshotIn(dir, 0);
    ASSERT_FALSE(::testing::Test::HasFailure());
    const int w = b.width, h = b.height;
    // The rifle of the level's standard set sits low and to the right; the
    // left half of the lower view, right of the HUD's minimap, is road and grass only.
    // (The light bounced off the town brightens some of its iron.)
    EXPECT_GT(IronShare(b, w / 2, h * 3 / 4, w, h), 0.05);
    EXPECT_LT(IronShare(b, w / 4, h * 3 / 4, w / 2, h), 0.005);
}

TEST(HeroViewGame, F4PutsATestSoldierInTheViewJustAheadOfTheHero)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    std::ofstream(dir.path() / "tk.cfg", std::ios::app) << "developer 1\n";
    dir.Write("run.txt", std::string(kStart) + "frame 43: wait level frame 310\n"
                                               "frame 44: screenshot\n"
                                               "frame 46: key down F4\n"
                                               "frame 49: key up F4\n"
                                               "frame 80: screenshot\n"
                                               "frame 82: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_FALSE(Contains(log, "SkinMesh Nie Created!"));
    ASSERT_TRUE(dir.Exists("tk_screen0000.bmp"));
    ASSERT_TRUE(dir.Exists("tk_screen0001.bmp"));
    const Bitmap before = ScreenshotIn(dir, 0);
    const Bitmap after = ScreenshotIn(dir, 1);
    ASSERT_EQ(before.width, after.width);
    ASSERT_EQ(before.height, after.height);
    // Three units ahead, he stands below the crosshair over the empty road,
    // between the HUD's minimap and the rifle in hand.
    const int w = after.width, h = after.height;
    int changed = 0, all = 0;
    for (int y = h * 3 / 4; y < h * 19 / 20; ++y)
        for (int x = w * 11 / 25; x < w * 14 / 25; ++x)
        {
            const uint32_t a = before.Pixel(x, y), b = after.Pixel(x, y);
            int d = 0;
            for (int shift : {0, 8, 16})
                d += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
            changed += d > 48 ? 1 : 0;
            ++all;
        }
    EXPECT_GT(static_cast<double>(changed) / all, 0.5)
        << "the soldier's figure covers the road below the view";
}

TEST(HeroViewGame, AMouseMovementReachesTheViewInTheFrameItArrives)
{
    TempDir dir(false);
    // The lines of a frame run at its start, before its update: the view
    // printed at frame N is the one frame N - 1 drew.
    const auto log = RunGame(dir, std::string(kStart) + "frame 43: wait level frame 260\n"
                                                        "frame 50: camera view\n"
                                                        "frame 51: camera view\n"
                                                        "frame 51: mouse move 60 0\n"
                                                        "frame 52: camera view\n"
                                                        "frame 54: quit\n");
    const auto views = Views(log);
    ASSERT_EQ(views.size(), 3u);
    ASSERT_EQ(views[1].frame, views[0].frame + 1);
    ASSERT_EQ(views[2].frame, views[1].frame + 1);
    EXPECT_LT(Difference(views[0], views[1]), 1e-5) << "the hero stands still before the movement";
    EXPECT_GT(Difference(views[1], views[2]), 0.05)
        << "frame " << views[2].frame << " got the movement and drew with it";
}

struct BadInput
{
    const char* name;
    std::string script; // after the start, from frame 44
};

void PrintTo(const BadInput& bad, std::ostream* out)
{
    *out << bad.name;
}

std::string AllKeys(const char* upOrDown)
{
    // Every key a player can reach but the menu's, the console's and the
    // system's own (Escape, the grave key, Alt).
    std::vector<std::string> keys = {
        "Space",  "Tab",    "Enter", "Backspace", "Up",        "Down",  "Left", "Right",    "LShift",
        "RShift", "LCtrl",  "RCtrl", "Insert",    "Delete",    "Home",  "End",  "PageUp",   "PageDown",
        "Minus",  "Equals", "Comma", "Period",    "Semicolon", "Slash", "Num0", "NumEnter", "NumPlus"};
    for (char c = 'A'; c <= 'Z'; ++c)
        keys.push_back(std::string(1, c));
    for (char c = '0'; c <= '9'; ++c)
        keys.push_back(std::string(1, c));
    for (int f = 1; f <= 12; ++f)
        keys.push_back("F" + std::to_string(f));
    std::string lines;
    for (const std::string& k : keys)
        lines += std::string(upOrDown) + " " + k + "\n";
    return lines;
}

std::string Prefixed(const std::string& frame, const std::string& lines)
{
    std::string out;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);)
        out += "frame " + frame + ": " + line + "\n";
    return out;
}

std::string ManyMouseEvents()
{
    std::string lines;
    for (int i = 0; i < 10000; ++i)
        lines += "frame 45: mouse move " + std::to_string(i % 2 ? 997 : -1013) + " " +
                 std::to_string(i % 3 ? -2000 : 1500) + "\n";
    return lines;
}

class HeroViewBadInput : public ::testing::TestWithParam<BadInput>
{
};

TEST_P(HeroViewBadInput, NeverBreaksTheControllerOrTheView)
{
    const BadInput& bad = GetParam();
    TempDir dir(false);
    // Everything is let go at frame 120; two thirds of a second later the hero
    // stands and the view is still.
    const auto log = RunGame(dir, std::string(kStart) + "frame 43: hero position\n" + bad.script +
                                      "frame 120: mouse up 0\nframe 120: mouse up 1\n" +
                                      Prefixed("120", AllKeys("key up")) +
                                      "frame 160: hero position\nframe 160: camera view\nframe 162: quit\n");
    const auto at = Positions(log);
    ASSERT_EQ(at.size(), 2u);
    const HeroAt& start = at[0];
    const HeroAt& end = at[1];
    for (double v : {end.x, end.y, end.z, end.yaw, end.pitch})
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_LE(std::abs(end.pitch), kPitchLimit + kPrinted);
    // Standing on the ground again, never below the road he started on (the
    // demo town is flat around the start).
    EXPECT_GT(end.y, start.y - 0.1);
    EXPECT_LT(end.y, start.y + 2.0);
    const auto views = Views(log);
    ASSERT_EQ(views.size(), 1u);
    for (double v : views[0].m)
        EXPECT_TRUE(std::isfinite(v));
    // The view's forward column: never steeper than the pitch limit.
    EXPECT_LE(std::abs(views[0].m[1]), std::sin(kPitchLimit) + 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Input, HeroViewBadInput,
    ::testing::Values(BadInput{"AllKeysAtOnce", Prefixed("44", AllKeys("key down")) +
                                                    "frame 44: mouse down 0\nframe 44: mouse down 1\n"},
                      BadInput{"TenThousandMouseEventsInOneFrame", ManyMouseEvents()},
                      BadInput{"FocusLostMidJump", "frame 44: key down W\nframe 44: key press Space\n"
                                                   "frame 50: device lost\nframe 110: device restored\n"
                                                   "frame 115: key up W\n"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });
