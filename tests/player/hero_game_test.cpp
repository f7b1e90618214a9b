// The whole game, headless, on a copy of the data tree: the hero appears at
// the demo world's start marker and walks north while the forward key is held.
#include "hero_game_log.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace herogame;

TEST(HeroGame, TheHeroStartsAtTheMarkerAndWalksForwardWhileTheKeyIsHeld)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The loading screen holds the level at 200 until a key is released; from
    // level frame 220 the keys move the hero.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 240\n"
                         "frame 43: hero position\n"
                         "frame 44: key down W\n"
                         "frame 45: wait level frame 300\n"
                         "frame 46: key up W\n"
                         "frame 47: wait level frame 330\n"
                         "frame 48: hero position\n"
                         "frame 50: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_FALSE(Contains(log, "FATAL - brak Player.m_hObject"));
    // His footsteps are bundled sounds.
    EXPECT_FALSE(Contains(log, "Sound loading problem"));
    const auto at = Positions(log);
    ASSERT_EQ(at.size(), 2u);
    // Standing on the road at the marker (-25, 1.2, -3), the body's centre
    // about 0.95 above the road's top.
    EXPECT_NEAR(at[0].x, -25.0f, 0.1f);
    EXPECT_NEAR(at[0].z, -3.0f, 0.1f);
    EXPECT_NEAR(at[0].y, 1.15f, 0.1f);
    // About a second of walking north, the marker's look, on level ground.
    EXPECT_GT(at[1].z - at[0].z, 1.0f);
    EXPECT_NEAR(at[1].x, at[0].x, 0.2f);
    EXPECT_NEAR(at[1].y, at[0].y, 0.1f);
}
} // namespace

namespace
{
TEST(HeroGame, InFlyModeTheWKeyFliesTheHeroUpWhereHeLooks)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // Fly mode from the settings, at ten units a second.
    std::ofstream(dir.path() / "tk.cfg", std::ios::app) << "mucha 1\nMuchaSpeed 10\n";
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 240\n"
                         "frame 43: hero position\n"
                         "frame 44: mouse move 0 -100\n"
                         "frame 45: wait level frame 260\n"
                         "frame 46: key down W\n"
                         "frame 47: wait level frame 320\n"
                         "frame 48: key up W\n"
                         "frame 49: hero position\n"
                         "frame 50: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto at = Positions(ReadLines(dir.path() / "!console.txt"));
    ASSERT_EQ(at.size(), 2u);
    // A second of flight looking up steeply: up into the air and on north.
    EXPECT_GT(at[1].y - at[0].y, 5.0);
    EXPECT_GT(at[1].z - at[0].z, 1.0);
    EXPECT_LT(at[1].pitch, -0.5) << "looking up";
}
} // namespace
