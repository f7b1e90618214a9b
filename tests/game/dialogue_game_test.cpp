// The demo game's dialogues and combat music as a player hears them, headless
// with the sound recorded: the hero turns to the radio by the road and uses
// it, its two lines are heard one after the other and its last one marks the
// radio as heard; and, in the town without its level music, the soldier on
// guard who sees the hero come to the lookout near him engages him and starts
// a combat loop that gives way to the gong once the count of engaged enemies
// has been nil for two seconds (the letterbox view suspends the count).
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr double kLevelFrameSeconds = 1.0 / 60.0;

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

// The left channel of the recording (44.1 kHz 16-bit stereo).
std::vector<int16_t> Left(const fs::path& wave)
{
    const std::string b = Bytes(wave);
    std::vector<int16_t> left;
    for (size_t at = 12; at + 8 <= b.size();)
    {
        const size_t chunk = U32(b, at + 4);
        if (b.compare(at, 4, "data") == 0)
        {
            const size_t data = at + 8, size = std::min(chunk, b.size() - data);
            for (size_t i = 0; i + 4 <= size; i += 4)
                left.push_back(static_cast<int16_t>(static_cast<uint8_t>(b[data + i]) |
                                                    static_cast<uint8_t>(b[data + i + 1]) << 8));
            break;
        }
        at += 8 + chunk + (chunk & 1);
    }
    return left;
}

// The strongest tenth of a second of a tone within [from, to) samples (Goertzel).
double Strongest(const std::vector<int16_t>& s, double hertz, size_t from = 0, size_t to = SIZE_MAX)
{
    constexpr size_t kWindow = kRate / 10;
    to = std::min(to, s.size());
    const double step = 2.0 * std::cos(2.0 * 3.14159265358979 * hertz / kRate);
    double best = 0.0;
    for (size_t start = from; start + kWindow <= to; start += kWindow)
    {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = start; i < start + kWindow; ++i)
        {
            const double v = s[i] + step * s1 - s2;
            s2 = s1;
            s1 = v;
        }
        best = std::max(best, std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - step * s1 * s2)) / kWindow);
    }
    return best;
}

// Where the tone is first at least `level`; SIZE_MAX when never.
size_t FirstHeard(const std::vector<int16_t>& s, double hertz, double level)
{
    constexpr size_t kWindow = kRate / 10;
    for (size_t start = 0; start + kWindow <= s.size(); start += kWindow)
        if (Strongest(s, hertz, start, start + kWindow) >= level)
            return start;
    return SIZE_MAX;
}

std::vector<std::string> RunGame(const TempDir& dir, const std::vector<std::string>& lines,
                                 const fs::path& wave)
{
    std::string script;
    for (const std::string& line : lines)
        script += line + "\n";
    dir.Write("run.txt", script);
    GameProcess game(dir.path(), {{"TK_FRAMES", "5000"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", wave.string()}});
    EXPECT_EQ(game.Wait(kGameSeconds), 0);
    return ReadLines(dir.path() / "!console.txt");
}

size_t Count(const std::vector<std::string>& lines, const std::string& head)
{
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const std::string& l)
                                             { return l.compare(0, head.size(), head) == 0; }));
}

TEST(DialogueGame, TheRadioSpeaksItsTwoLinesWhenUsedAndMarksItselfHeard)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // A quarter turn to the left (the mouse's 0.004 a count) faces the radio.
    const long turn = std::lround(-3.14159265358979 / 2.0 / 0.004);
    const fs::path wave = dir.path() / "run.wav";
    const auto log = RunGame(dir,
                             {
                                 "frame 2: wait level frame 200",
                                 "frame 3: key press Space",
                                 "frame 5: wait level frame 300",
                                 "frame 6: mouse move " + std::to_string(turn) + " 0",
                                 "frame 8: wait level frame 330",
                                 "frame 9: key press Grave", // the variable before
                                 "frame 11: keys Variable " + std::string(worldgen::DEMO_RADIO_DONE),
                                 "frame 12: key press Enter",
                                 "frame 13: key press Grave",
                                 "frame 15: key press E",
                                 "frame 16: wait level frame 420",
                                 "frame 18: wait level frame 560",
                                 "frame 19: key press Grave",
                                 "frame 21: keys Variable " + std::string(worldgen::DEMO_RADIO_DONE),
                                 "frame 22: key press Enter",
                                 "frame 23: key press Grave",
                                 "frame 25: quit",
                             },
                             wave);
    EXPECT_EQ(Count(log, std::string("Variable ") + worldgen::DEMO_RADIO_DONE + ": bool, set 1"), 1u)
        << "set once, by the radio's last line";
    EXPECT_EQ(Count(log, "Dialogue "), 0u) << "no dialogue reported missing";
    const std::vector<int16_t> heard = Left(wave);
    ASSERT_GT(heard.size(), static_cast<size_t>(kRate));
    constexpr double kHeard = 300.0;
    const size_t first = FirstHeard(heard, worldgen::DEMO_RADIO_HERTZ[0], kHeard);
    const size_t second = FirstHeard(heard, worldgen::DEMO_RADIO_HERTZ[1], kHeard);
    ASSERT_NE(first, SIZE_MAX) << "the radio's first line";
    ASSERT_NE(second, SIZE_MAX) << "the radio's second line";
    // The second line follows the first, a line's length (1 s) later.
    EXPECT_GT(second, first + kRate * 8 / 10);
    EXPECT_LT(second, first + kRate * 2);
}

TEST(DialogueGame, AFightStartsACombatLoopThatGivesWayToTheGong)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // Without the level's own music: combat music starts only over silence.
    std::string world = dir.Read("worlds/level01.w");
    const std::string music = std::string("action_play_music ") + worldgen::DEMO_LEVEL_MUSIC;
    const size_t at = world.find(music);
    ASSERT_NE(at, std::string::npos);
    world.replace(at, music.size(), "action_play_music_none");
    dir.Write("worlds/level01.w", world);

    constexpr int kCalmFrom = 420, kQuit = 640;
    const fs::path wave = dir.path() / "run.wav";
    const auto log = RunGame(dir,
                             {
                                 "frame 2: wait level frame 200",
                                 "frame 3: key press Space",
                                 "frame 4: key press Grave",
                                 "frame 5: keys Teleport " + std::string(worldgen::DEMO_LOOKOUT),
                                 "frame 6: key press Enter",
                                 "frame 7: key press Grave",
                                 "frame 9: wait level frame 270",
                                 "frame 10: music",
                                 "frame 11: wait level frame " + std::to_string(kCalmFrom),
                                 "frame 12: music",
                                 "frame 13: characters",
                                 "frame 14: key press Grave",
                                 "frame 16: keys WideScreen 1",
                                 "frame 17: key press Enter",
                                 "frame 18: key press Grave",
                                 "frame 19: wait level frame 470",
                                 "frame 20: music",
                                 "frame 21: wait level frame 600",
                                 "frame 22: music",
                                 "frame 23: wait level frame " + std::to_string(kQuit),
                                 "frame 24: quit",
                             },
                             wave);
    std::vector<std::string> states;
    for (const std::string& l : log)
        if (l.compare(0, 6, "Music ") == 0)
            states.push_back(l);
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[0].compare(0, 8, "Music - "), 0) << "nothing before frame 280: " << states[0];
    EXPECT_EQ(states[1].find("Music music\\loop\\A"), 0u) << states[1];
    EXPECT_NE(states[1].find("combat 1"), std::string::npos) << states[1];
    EXPECT_EQ(states[2].find("Music music\\loop\\A"), 0u) << "calm for less than 2 s: " << states[2];
    EXPECT_EQ(states[3], "Music music\\gong_02.ogg level 1 active 1 combat 0 calm 0.00");
    EXPECT_GE(Count(log, "Character soldier_spawn"), 1u);

    // Heard: the loop's bass over the quiet town, then the gong's ring over the loop.
    const std::vector<int16_t> heard = Left(wave);
    const auto sampleAt = [&](int levelFrame)
    {
        const double back = (kQuit - levelFrame) * kLevelFrameSeconds * kRate;
        return heard.size() > back ? heard.size() - static_cast<size_t>(back) : size_t{0};
    };
    // The roots of "A1" to "A5" and a partial of the gong far above any loop's notes, as the
    // sound generator writes them.
    const double roots[] = {110.0, 98.0, 123.47, 130.81, 146.83};
    constexpr double kGong = 381.0;
    const auto loudestRoot = [&](int from, int to)
    {
        double best = 0.0;
        for (double r : roots)
            best = std::max(best, Strongest(heard, r, sampleAt(from), sampleAt(to)));
        return best;
    };
    const double quiet = loudestRoot(215, 265);
    const double loop = loudestRoot(360, kCalmFrom);
    EXPECT_GT(loop, 5.0 * quiet) << "the combat loop is heard";
    const double gong = Strongest(heard, kGong, sampleAt(570), sampleAt(kQuit));
    // (The town's own noises, wind, rotor and far fire, keep some of every pitch in the mix.)
    EXPECT_GT(gong, 2.5 * Strongest(heard, kGong, sampleAt(360), sampleAt(kCalmFrom))) << "then the gong";
}
} // namespace
