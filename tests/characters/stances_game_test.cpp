// The whole game, headless, on a copy of the data tree: the soldier behind the
// hero, fighting him from his bot phase, takes his stance and his shooting
// pose with the demo model's own animations, and the hero, turned towards
// him, sees him in it.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <string>
#include <vector>

namespace
{
constexpr double kYawPerCount = 0.004; // radians a mouse count turns the look
// The soldier's part of the 800 x 600 picture when the hero looks at him.
constexpr int kFigure[4] = {380, 285, 430, 375};

bool Contains(const std::vector<std::string>& log, const std::string& text)
{
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// The hero, taken to the lookout, turns to the soldier on guard, who stands
// with his rifle raised, looking left and right.
TEST(StancesGame, TheSoldierOnGuardStandsInViewWithHisRifleRaised)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    using namespace worldgen;
    const double bearing =
        std::atan2(DEMO_SOLDIER_AT[0] - DEMO_LOOKOUT_AT[0], DEMO_SOLDIER_AT[1] - DEMO_LOOKOUT_AT[1]);
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 4: key press Grave\n"
                         "frame 5: keys Teleport " +
                             std::string(DEMO_LOOKOUT) +
                             "\n"
                             "frame 6: key press Enter\n"
                             "frame 7: key press Grave\n"
                             "frame 8: mouse move " +
                             std::to_string(std::lround(bearing / kYawPerCount)) +
                             " 0\n"
                             "frame 9: wait level frame 330\n"
                             "frame 10: characters\n"
                             "frame 11: screenshot\n"
                             "frame 13: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    for (const char* failure : {" - brak animacji", " - NO ANIMATION ", "Nie znaleziono fazy"})
        EXPECT_FALSE(Contains(log, failure)) << failure;
    EXPECT_TRUE(Contains(log, std::string("Character ") + DEMO_SOLDIER_SPAWN + " desc " + DEMO_SOLDIER +
                                  " phase " + DEMO_SOLDIER_GUARD_PHASE))
        << "the soldier is there, on guard";

    Bitmap picture;
    ASSERT_TRUE(picture.Parse(dir.Read("tk_screen0000.bmp")));
    ASSERT_EQ(picture.width, 800);
    // The soldier's dark uniform against the grass and the sky behind him.
    int dark = 0;
    for (int y = kFigure[1]; y < kFigure[3]; ++y)
        for (int x = kFigure[0]; x < kFigure[2]; ++x)
        {
            const uint32_t p = picture.Pixel(x, y);
            const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                      b = static_cast<int>(p & 0xFF);
            dark += (r + g + b < 200) ? 1 : 0;
        }
    EXPECT_GT(dark, 300) << "the soldier is in view";
}
} // namespace
