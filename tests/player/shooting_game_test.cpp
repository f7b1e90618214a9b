// The whole game, headless, on a copy of the data tree: the hero walks from
// his start to the rifle lying on the road, takes it up, turns to the barrel
// east of it and fires; the barrel blows up, and the pictures show the weapon
// in his hands and the barrel gone.
#include "support/Bitmap.h"
#include "hero_game_log.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using namespace herogame;

constexpr double kPi = 3.14159265358979;
// The mouse turns the look by this many radians a count at the default
// sensitivity; a vertical count turns twice as far.
constexpr double kYawPerCount = 0.004;
constexpr double kPitchPerCount = 0.008;
constexpr double kEyeAboveCentre = 0.9; // the eye stands this far above the body's centre
constexpr int kSniperKind = 3;
constexpr unsigned kSniperCartridges = 10; // a lying sniper rifle's magazine

struct WeaponLine
{
    std::string name;
    unsigned magazine = 0;
    std::vector<unsigned> reserve;
};

std::vector<WeaponLine> Weapons(const std::vector<std::string>& log)
{
    std::vector<WeaponLine> found;
    for (const std::string& line : log)
    {
        std::istringstream in(line);
        std::string hero, weapon, magazine, reserve;
        WeaponLine w;
        if (!(in >> hero >> weapon >> w.name >> magazine >> w.magazine >> reserve) || hero != "Hero" ||
            weapon != "weapon")
            continue;
        for (unsigned n; in >> n;)
            w.reserve.push_back(n);
        found.push_back(w);
    }
    return found;
}

// The mean of a region's pixels, channel by channel.
struct Mean
{
    double r = 0.0, g = 0.0, b = 0.0;
};

Mean MeanOf(const Bitmap& bmp, int x0, int y0, int x1, int y1)
{
    Mean m;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            const uint32_t p = bmp.Pixel(x, y);
            m.r += (p >> 16) & 0xFF;
            m.g += (p >> 8) & 0xFF;
            m.b += p & 0xFF;
            ++n;
        }
    if (n)
        m = {m.r / n, m.g / n, m.b / n};
    return m;
}

double Distance(const Mean& a, const Mean& b)
{
    return std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b));
}

TEST(ShootingGame, TheHeroTakesUpTheRifleTurnsToTheBarrelAndBlowsItUp)
{
    using namespace worldgen;
    // The hero starts looking north along the road, the rifle lies ahead of
    // him and the barrel due east of it: a quarter turn right, and down onto
    // the barrel's middle from the eye.
    const double eye = DEMO_START[1] + kEyeAboveCentre;
    const double down = std::atan2(eye - (DEMO_ROAD_TOP + DEMO_BARREL_HEIGHT / 2.0),
                                   DEMO_SHOOTING_BARREL_AT[0] - DEMO_SHOOTING_WEAPON_AT[0]);
    const long turn = std::lround(kPi / 2.0 / kYawPerCount);
    const long tilt = std::lround(down / kPitchPerCount);

    TempDir dir(false);
    CopyDataTree(dir.path());
    // From level frame 240 the hero takes the keys; 28 frames of walking
    // bring him the two and a half units to the rifle.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 240\n"
                         "frame 43: hero position\n"
                         "frame 44: hero weapon\n"
                         "frame 45: key down W\n"
                         "frame 46: wait level frame 268\n"
                         "frame 47: key up W\n"
                         "frame 48: wait level frame 300\n"
                         "frame 49: hero position\n"
                         "frame 50: hero weapon\n"
                         "frame 51: mouse move " +
                             std::to_string(turn) + " " + std::to_string(tilt) +
                             "\n"
                             "frame 52: wait level frame 340\n"
                             "frame 53: screenshot\n"
                             "frame 54: mouse down 0\n"
                             "frame 55: wait level frame 345\n"
                             "frame 56: mouse up 0\n"
                             "frame 57: wait level frame 440\n"
                             "frame 58: hero weapon\n"
                             "frame 59: screenshot\n"
                             "frame 61: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");

    // He walked onto the rifle and took it up: its cartridges went to the reserve of its kind.
    const auto at = Positions(log);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_NEAR(at[1].x, DEMO_SHOOTING_WEAPON_AT[0], 0.1f);
    EXPECT_NEAR(at[1].z, DEMO_SHOOTING_WEAPON_AT[1], 1.0f);
    const auto weapons = Weapons(log);
    ASSERT_EQ(weapons.size(), 3u);
    ASSERT_GT(weapons[0].reserve.size(), static_cast<size_t>(kSniperKind));
    ASSERT_GT(weapons[1].reserve.size(), static_cast<size_t>(kSniperKind));
    EXPECT_EQ(weapons[1].reserve[kSniperKind], weapons[0].reserve[kSniperKind] + kSniperCartridges);
    // The shot: one cartridge of the weapon in hand, and the barrel blew up.
    EXPECT_EQ(weapons[2].name, weapons[1].name);
    EXPECT_EQ(weapons[2].magazine + 1, weapons[1].magazine);
    EXPECT_TRUE(Contains(log, DEMO_SHOOTING_BLOWN));
    // The muzzle flash found its socket on the weapon in hand.
    EXPECT_FALSE(Contains(log, "FX nie czyta socketa"));

    ASSERT_TRUE(dir.Exists("tk_screen0000.bmp"));
    ASSERT_TRUE(dir.Exists("tk_screen0001.bmp"));
    const Bitmap before = ScreenshotIn(dir, 0);
    const Bitmap after = ScreenshotIn(dir, 1);
    const int w = before.width, h = before.height;
    ASSERT_EQ(after.width, w);
    ASSERT_EQ(after.height, h);
    // The weapon is held low and to the right in both pictures; the left of
    // the lower view, right of the HUD's minimap, is road only.
    for (const Bitmap* b : {&before, &after})
    {
        EXPECT_GT(IronShare(*b, w / 2, h * 3 / 4, w, h), 0.1);
        EXPECT_LT(IronShare(*b, w / 4, h * 3 / 4, w / 2, h), 0.005);
    }
    // The barrel stood in the middle of the view; the picture there changed
    // once it was gone, while the sky at the top right (clear of the console's
    // lines at the top left) stayed as it was.
    const int cx = w / 2, cy = h / 2, r = w / 40;
    EXPECT_GT(Distance(MeanOf(before, cx - r, cy, cx + r, cy + 2 * r),
                       MeanOf(after, cx - r, cy, cx + r, cy + 2 * r)),
              20.0);
    EXPECT_LT(Distance(MeanOf(before, w * 7 / 8, 0, w, h / 20), MeanOf(after, w * 7 / 8, 0, w, h / 20)),
              10.0);
}
} // namespace
