// The whole game, headless, on a copy of the data tree: the civilian runs
// over the waypoint graph to the marker by the start and patrols on, his
// footsteps (here a tone the test puts in place of the concrete steps) are
// in the recorded sound while he is near the camera, and the designers'
// switch draws his route as lines. A world without a graph grows its one
// node and writes it beside the world.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
constexpr int kToneHz = 3000;
constexpr int kStepRate = 22050;

std::string Le32(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                       static_cast<char>((v >> 16) & 0xff), static_cast<char>(v >> 24)};
}

std::string Le16(uint16_t v)
{
    return std::string{static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
}

// A short mono tone as a 16-bit wave file.
std::string ToneWave()
{
    std::string samples;
    const int n = kStepRate * 12 / 100;
    for (int i = 0; i < n; ++i)
        samples += Le16(static_cast<uint16_t>(
            static_cast<int16_t>(26000.0 * std::sin(2.0 * 3.14159265358979 * kToneHz * i / kStepRate))));
    return "RIFF" + Le32(static_cast<uint32_t>(36 + samples.size())) + "WAVEfmt " + Le32(16) + Le16(1) +
           Le16(1) + Le32(kStepRate) + Le32(kStepRate * 2) + Le16(2) + Le16(16) + "data" +
           Le32(static_cast<uint32_t>(samples.size())) + samples;
}

// The recording's 50 ms windows whose power at the tone stands 50 times above
// the median window.
int ToneBursts(const std::string& wav)
{
    size_t at = 12;
    std::string data;
    while (at + 8 <= wav.size())
    {
        uint32_t size = 0;
        std::memcpy(&size, wav.data() + at + 4, 4);
        if (wav.compare(at, 4, "data") == 0)
        {
            data = wav.substr(at + 8, size);
            break;
        }
        at += 8 + size;
    }
    const size_t frames = data.size() / 4; // 16-bit stereo
    const int rate = 44100, window = rate / 20;
    const double w = 2.0 * std::cos(2.0 * 3.14159265358979 * kToneHz / rate);
    std::vector<double> power;
    for (size_t start = 0; start + window <= frames; start += window)
    {
        double s1 = 0, s2 = 0;
        for (int i = 0; i < window; ++i)
        {
            int16_t l = 0, r = 0;
            std::memcpy(&l, data.data() + (start + i) * 4, 2);
            std::memcpy(&r, data.data() + (start + i) * 4 + 2, 2);
            const double s0 = 0.5 * (l + r) + w * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        power.push_back(s1 * s1 + s2 * s2 - w * s1 * s2);
    }
    if (power.empty())
        return 0;
    std::vector<double> sorted = power;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    const double median = std::max(sorted[sorted.size() / 2], 1.0);
    return static_cast<int>(
        std::count_if(power.begin(), power.end(), [&](double p) { return p > 50.0 * median; }));
}

// The civilian's "routes" lines: place, x and z.
struct RouteLine
{
    std::string phase;
    int place = -1;
    double x = 0, z = 0;
};

std::vector<RouteLine> CivilianRoutes(const std::vector<std::string>& log)
{
    std::vector<RouteLine> lines;
    const std::string head = std::string("Route ") + worldgen::DEMO_CIVILIAN_SPAWN + " ";
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

bool Contains(const std::vector<std::string>& log, const std::string& text)
{
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}
} // namespace

TEST(RoutesGame, TheCivilianWalksTheGraphWithFootstepsAndHisRouteIsDrawn)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    for (const char* foot : {"L", "R"})
        for (int k = 1; k <= 5; ++k)
            dir.Write(std::string("sounds/steps/concrete") + foot + std::to_string(k) + ".wav", ToneWave());
    // The grass would stand over the route lines on the ground and has
    // their green: it is left out of the pictures.
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\r\nDebugCharacters 1\r\nDrawGrass 0\r\n");
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 5: wait level frame 240\n"
                         "frame 6: routes\n"
                         "frame 7: wait level frame 300\n"
                         "frame 8: routes\n"
                         "frame 9: wait level frame 360\n"
                         "frame 10: routes\n"
                         "frame 11: wait level frame 420\n"
                         "frame 12: routes\n"
                         "frame 13: screenshot\n"
                         "frame 15: key press Grave\n"
                         "frame 17: keys DebugCharacters 0\n"
                         "frame 18: key press Enter\n"
                         "frame 19: key press Grave\n"
                         "frame 21: screenshot\n"
                         "frame 23: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"},
                                  {"TK_FRAME_MS", "50"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", (dir.path() / "heard.wav").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_FALSE(Contains(log, "Nie ma sciezek!")) << "the demo world ships its graph";
    EXPECT_FALSE(Contains(log, "Nie znaleziono fazy"));
    EXPECT_FALSE(Contains(log, "FAILED"));

    // He walks more than 5 units, from node to node, and reaches his patrol.
    const std::vector<RouteLine> routes = CivilianRoutes(log);
    ASSERT_EQ(routes.size(), 4u);
    double walked = 0;
    std::set<int> places;
    for (size_t i = 0; i < routes.size(); ++i)
    {
        EXPECT_GE(routes[i].place, 0) << i;
        places.insert(routes[i].place);
        if (i)
            walked += std::hypot(routes[i].x - routes[i - 1].x, routes[i].z - routes[i - 1].z);
    }
    EXPECT_GT(walked, 5.0);
    EXPECT_GE(places.size(), 3u);
    EXPECT_EQ(routes.back().phase, "czujny_idzie");

    // His steps sound while he walks near the camera.
    EXPECT_GE(ToneBursts(dir.Read("heard.wav")), 4);

    // The routes' lines are not judged by picture: where the civilian stands
    // when it is taken differs from run to run, and he may be behind a house.
    EXPECT_TRUE(dir.Exists("tk_screen0001.bmp")) << "the console took the switch";
}

TEST(RoutesGame, AWorldWithoutAGraphGrowsAndWritesItsOneNode)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    std::string cfg = dir.Read("tk.cfg");
    cfg.replace(cfg.find("worlds\\level01.w"), std::strlen("worlds\\level01.w"), "worlds\\test.w");
    dir.Write("tk.cfg", cfg);
    dir.Write("run.txt", "frame 2: wait level frame 200\nframe 3: key press Space\n"
                         "frame 5: wait level frame 210\nframe 6: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "3000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l)
                            { return l.find("Nie ma sciezek!") != std::string::npos; }),
              1);
    const std::string graph = dir.Read("worlds/test.w.pth");
    size_t places = 0;
    for (size_t at = graph.find("\nplace "); at != std::string::npos; at = graph.find("\nplace ", at + 1))
        ++places;
    EXPECT_EQ(places, 1u) << graph;
    EXPECT_NE(graph.find("m_pPath "), std::string::npos);
}
