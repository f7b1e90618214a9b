// The whole game, headless, on a copy of the data tree: the soldier between
// the two covers runs his phases, each run's end entering the next, and is
// moved every frame along his route; the soldier on guard at the east end of
// the town keeps his post on the graph while the hero stays at his start.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// One "routes" line of a character: its phase, place and position.
struct RouteLine
{
    std::string phase;
    int place = -1;
    double x = 0, z = 0;
};

std::vector<RouteLine> Routes(const std::vector<std::string>& log, const std::string& name)
{
    std::vector<RouteLine> lines;
    const std::string head = "Route " + name + " ";
    for (const std::string& line : log)
    {
        if (line.rfind(head, 0) != 0)
            continue;
        std::istringstream in(line.substr(head.size()));
        RouteLine r;
        for (std::string key, value; in >> key >> value;)
        {
            if (key == "phase")
                r.phase = value;
            else if (key == "place")
                r.place = std::stoi(value);
            else if (key == "x")
                r.x = std::stod(value);
            else if (key == "z")
                r.z = std::stod(value);
        }
        lines.push_back(r);
    }
    return lines;
}

// The phases the character entered, in order, from the "Debug" traces.
std::vector<std::string> EnteredPhases(const std::vector<std::string>& log, const std::string& name)
{
    std::vector<std::string> phases;
    const std::string head = name + " - PMgr.SetFaza(";
    for (const std::string& line : log)
        if (line.rfind(head, 0) == 0 && line.back() == ')')
            phases.push_back(line.substr(head.size(), line.size() - head.size() - 1));
    return phases;
}
} // namespace

TEST(PhasesGame, TheCoverSoldierRunsHisPhasesAndMovesEveryFrameAlongHisRoute)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\r\nDebug 1\r\n");
    std::string script = "frame 2: wait level frame 200\nframe 3: key press Space\n";
    int frame = 5;
    for (int level = 300; level <= 900; level += 100)
    {
        script += "frame " + std::to_string(frame++) + ": wait level frame " + std::to_string(level) + "\n";
        script += "frame " + std::to_string(frame++) + ": routes\n";
    }
    script += "frame " + std::to_string(frame + 1) + ": quit\n";
    dir.Write("run.txt", script);
    GameProcess game(
        dir.path(),
        {{"TK_FRAMES", "4000"}, {"TK_FRAME_MS", "50"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_TRUE(std::none_of(log.begin(), log.end(),
                             [](const std::string& l)
                             { return l.find("Nie znaleziono fazy") != std::string::npos; }));

    // Each run's end enters the next cover phase, and they alternate.
    const std::vector<std::string> phases = EnteredPhases(log, worldgen::DEMO_COVER_SOLDIER_SPAWN);
    ASSERT_GE(phases.size(), 3u);
    EXPECT_EQ(phases[0], worldgen::DEMO_COVER_PHASE);
    for (size_t i = 1; i < phases.size(); ++i)
        EXPECT_NE(phases[i], phases[i - 1]) << i;

    // He keeps moving from node to node, well over 4 units. (Running to a
    // cover and back, two looks 5 s apart may by chance find him near one
    // place, so one such pair is allowed.)
    const std::vector<RouteLine> cover = Routes(log, worldgen::DEMO_COVER_SOLDIER_SPAWN);
    ASSERT_EQ(cover.size(), 7u);
    double walked = 0;
    int moves = 0;
    for (size_t i = 0; i < cover.size(); ++i)
    {
        EXPECT_GE(cover[i].place, 0) << i;
        if (!i)
            continue;
        const double step = std::hypot(cover[i].x - cover[i - 1].x, cover[i].z - cover[i - 1].z);
        moves += step > 0.05 ? 1 : 0;
        walked += step;
    }
    EXPECT_GE(moves, 5);
    EXPECT_GT(walked, 4.0);

    // The soldier on guard, far from the hero's start, keeps his post on the
    // graph at every look.
    const std::vector<RouteLine> standing = Routes(log, worldgen::DEMO_SOLDIER_SPAWN);
    ASSERT_EQ(standing.size(), 7u);
    for (const RouteLine& r : standing)
    {
        EXPECT_EQ(r.phase, worldgen::DEMO_SOLDIER_GUARD_PHASE);
        EXPECT_GE(r.place, 0);
        EXPECT_LT(std::hypot(r.x - worldgen::DEMO_SOLDIER_AT[0], r.z - worldgen::DEMO_SOLDIER_AT[1]), 1.5);
    }
}
