// The whole game as a player runs it, headless, on a copy of the data tree:
// the mission writes its checkpoint once the level script has switched the
// power on, F9 loads it in the running world with every section whole, the
// level's start-up steps on from 99, and the screen after the load waits for
// fire. (The console cannot type the "_" of "power_on": SaveGameTest checks
// the variable in-process.)
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace
{
const char* const kSections[] = {"Engine", "EngineObject", "MainGame", "ItemMgr",     "Bronie",
                                 "OBE",    "Player",       "Camera",   "PlantMgr",    "PostProcess",
                                 "PMgr",   "Dialogue",     "GameAI",   "QuestSystem", "FX",
                                 "Panel",  "Objective",    "Env",      "Final data"};

// The count after "NAME VERB: " on the first line that has it, "" when none does.
std::string CountOf(const std::vector<std::string>& log, const std::string& name, const char* verb)
{
    const std::string head = name + " " + verb + ": ";
    for (const std::string& line : log)
        if (line.rfind(head, 0) == 0)
            return line.substr(head.size());
    return "";
}

TEST(SaveProcess, TheMissionsCheckpointLoadsOnF9InTheRunningWorldWithEverySectionWhole)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nDebug 1\n");
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 5: wait level frame 215\n"
                         "frame 260: key press F9\n"
                         "frame 262: wait level frame 160\n"
                         "frame 263: mouse down 0\n"
                         "frame 266: mouse up 0\n"
                         "frame 268: wait level frame 215\n"
                         "frame 270: quit\n");
    // 50 ms a frame: the level script's five seconds pass in a hundred frames.
    GameProcess game(
        dir.path(),
        {{"TK_FRAMES", "6000"}, {"TK_FRAME_MS", "50"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    const auto loading = std::find(log.begin(), log.end(), "Loading save\\checkpoint0000.sav");
    ASSERT_NE(loading, log.end());
    const std::vector<std::string> before(log.begin(), loading), after(loading, log.end());
    for (const char* section : kSections)
    {
        SCOPED_TRACE(section);
        const std::string saved = CountOf(before, section, "saved");
        EXPECT_NE(saved, "");
        EXPECT_EQ(saved, CountOf(after, section, "loaded"));
    }
    // The level's start-up steps from 99 on: 100, 151, 199 and 201 again, not
    // the paths of 60 (the one at 220 skips its caption itself).
    std::vector<std::string> milestones;
    for (const std::string& line : after)
        if (line.rfind("Level frame ", 0) == 0)
            milestones.push_back(line.substr(12, line.find(' ', 12) - 12));
    for (const char* frame : {"100", "151", "199", "201"})
        EXPECT_NE(std::find(milestones.begin(), milestones.end(), frame), milestones.end()) << frame;
    EXPECT_EQ(std::find(milestones.begin(), milestones.end(), "60"), milestones.end());
    // The level script's once action is restored as done: the power is not switched on again.
    EXPECT_NE(std::find(after.begin(), after.end(), "Oznaczam akcje power_up jako executed."), after.end());
    EXPECT_EQ(std::find(after.begin(), after.end(), "zmienna power_on set!"), after.end());
    EXPECT_TRUE(dir.Exists("save/checkpoint0000.sav"));
    Bitmap thumbnail;
    ASSERT_TRUE(thumbnail.Parse(dir.Read("save/checkpoint0000.bmp")));
    EXPECT_EQ(thumbnail.width, 640);
    EXPECT_EQ(thumbnail.height, 480);
    EXPECT_FALSE(dir.Exists("save/checkpoint0000.sav.tmp"));
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
}
} // namespace
