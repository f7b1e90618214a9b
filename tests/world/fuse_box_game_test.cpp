// The whole game, headless, on a copy of the data tree: the demo world's fuse
// box feeds two lamps through its light-control keys; the hero walks north
// through the trigger across the road, the box breaks and both lamps go out.
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// The states "light state" printed for the lamp, in order.
std::vector<std::string> States(const std::vector<std::string>& log, const std::string& lamp)
{
    std::vector<std::string> states;
    const std::string prefix = "Light " + lamp + " ";
    for (const std::string& line : log)
        if (line.rfind(prefix, 0) == 0)
            states.push_back(line.substr(prefix.size()));
    return states;
}

TEST(FuseBoxGame, TheLampsGoOutWhenTheHeroWalksThroughTheTrigger)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    const std::string a = worldgen::DEMO_FUSE_LAMPS[0], b = worldgen::DEMO_FUSE_LAMPS[1];
    // From level frame 220 the keys move the hero; he walks north for five
    // seconds, across the trigger four units ahead.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 240\n"
                         "frame 43: light state " +
                             a + "\nframe 44: light state " + b +
                             "\n"
                             "frame 45: key down W\n"
                             "frame 46: wait level frame 540\n"
                             "frame 47: key up W\n"
                             "frame 48: hero position\n"
                             "frame 49: light state " +
                             a + "\nframe 50: light state " + b +
                             "\n"
                             "frame 52: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    for (const std::string& lamp : {a, b})
    {
        SCOPED_TRACE(lamp);
        EXPECT_EQ(States(log, lamp), (std::vector<std::string>{"on", "off"}));
    }
}
} // namespace
