// The menus in the whole game, headless, as a player clicks through them:
// the start menu over its backdrop, New Game at the middle difficulty through
// the loading screen into the level, and Escape and Quit ending the game.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// The mouse moves in counts: at the default sensitivity a count is 0.004 of
// the cursor's range of pi across the screen (0.008 down it in the menu).
constexpr const char* kNewGame = "frame 250: screenshot\n"
                                 // to "New game", then "Normal"
                                 "frame 260: mouse move -285 -69\n"
                                 "frame 265: mouse down 0\n"
                                 "frame 267: mouse up 0\n"
                                 "frame 285: mouse move 0 56\n"
                                 "frame 290: mouse down 0\n"
                                 "frame 292: mouse up 0\n"
                                 "frame 300: screenshot\n"
                                 "frame 305: wait level frame 200\n"
                                 "frame 306: key press Space\n"
                                 "frame 310: wait level frame 300\n"
                                 "frame 311: screenshot\n"
                                 "frame 312: quit\n";
// Escape on the start menu asks whether to quit; "Quit" ends the game.
constexpr const char* kQuit = "frame 250: key press Escape\n"
                              "frame 300: screenshot\n"
                              "frame 310: mouse move -179 -28\n"
                              "frame 315: mouse down 0\n"
                              "frame 317: mouse up 0\n";

// In play: Escape opens the menu and holds the level; "Back to the game"
// returns to it; the console then tells the level frame. Keys the game reads
// through its keyboard poll are held a few frames.
constexpr const char* kInGame = "frame 250: mouse move -285 -69\n"
                                "frame 255: mouse down 0\n"
                                "frame 257: mouse up 0\n"
                                "frame 270: mouse move 0 56\n"
                                "frame 275: mouse down 0\n"
                                "frame 277: mouse up 0\n"
                                "frame 280: wait level frame 200\n"
                                "frame 281: key press Space\n"
                                "frame 285: wait level frame 300\n"
                                "frame 286: screenshot\n"
                                "frame 290: key down Escape\n"
                                "frame 296: key up Escape\n"
                                "frame 390: screenshot\n"
                                "frame 400: mouse move -285 -69\n"
                                "frame 405: mouse down 0\n"
                                "frame 407: mouse up 0\n"
                                "frame 410: key press Grave\n"
                                "frame 412: keys LevelFrame\n"
                                "frame 414: key press Enter\n"
                                "frame 416: key press Grave\n"
                                "frame 420: screenshot\n"
                                "frame 422: quit\n";

TEST(MenuGame, NewGameAtNormalStartsTheFirstLevelThroughItsLoadingScreen)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nStartMenu 1\n");
    dir.Write("run.txt", kNewGame);
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_TRUE(HasLineStarting(log, "SetupDialog 1")) << "the first level's briefing";
    EXPECT_TRUE(HasLineStarting(log, "QS comment: start")) << "the level's mission runs under the new name";
    ASSERT_TRUE(dir.Exists("tk_screen0002.bmp"));

    // The start menu: the dusk picture, the figure.
    const Bitmap menu = ScreenshotIn(dir, 0);
    ASSERT_GT(menu.width, 0);
    const int w = menu.width, h = menu.height;
    EXPECT_FALSE(DaylightSky(menu.Pixel(w * 7 / 8, h / 6)));
    EXPECT_GT(Brightness(menu.Pixel(w * 7 / 8, h / 6)), 40) << "the picture, not black";
    EXPECT_GT(Brightness(menu.Pixel(w * 72 / 100, h * 3 / 4)), 300) << "the figure's legs";
    // The loading screen shows the first level's night picture, then the level in daylight.
    const uint32_t loadingSky = ScreenshotIn(dir, 1).Pixel(w / 2, h / 6);
    EXPECT_FALSE(DaylightSky(loadingSky));
    EXPECT_GT(static_cast<int>(loadingSky & 0xFF), static_cast<int>((loadingSky >> 16) & 0xFF) + 20);
    EXPECT_TRUE(DaylightSky(ScreenshotIn(dir, 2).Pixel(w * 7 / 8, h / 6)));
}

TEST(MenuGame, EscapeOnTheStartMenuAsksAndQuitEndsTheGameWithCodeZero)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nStartMenu 1\n");
    dir.Write("run.txt", kQuit);
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    EXPECT_TRUE(dir.Exists("tk_screen0000.bmp"));
    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
    EXPECT_FALSE(HasLineStarting(log, "SetupDialog")) << "no world was started";
}

TEST(MenuGame, EscapeInPlayHoldsTheLevelUnderTheMenuAndBackReturnsToIt)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nStartMenu 1\n");
    dir.Write("run.txt", kInGame);
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    std::string line;
    ASSERT_TRUE(HasLineStarting(log, "LevelFrame == ", &line));
    // About a hundred frames of menu did not move the level on.
    const int levelFrame = std::stoi(line.substr(14));
    EXPECT_GE(levelFrame, 300);
    EXPECT_LT(levelFrame, 340);
    ASSERT_TRUE(dir.Exists("tk_screen0002.bmp"));
    const Bitmap level = ScreenshotIn(dir, 0);
    const int w = level.width, h = level.height;
    EXPECT_TRUE(DaylightSky(level.Pixel(w * 7 / 8, h / 6)));
    EXPECT_FALSE(DaylightSky(ScreenshotIn(dir, 1).Pixel(w * 7 / 8, h / 6)))
        << "the menu in place of the world";
    EXPECT_TRUE(DaylightSky(ScreenshotIn(dir, 2).Pixel(w * 7 / 8, h / 6))) << "back in the level";
}
} // namespace
