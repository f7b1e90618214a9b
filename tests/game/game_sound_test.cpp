// The demo world as a player hears it: a headless run that records what the
// mixer plays holds the level's music and, once the level has begun, the
// wind the world starts there; the hero's footsteps and a barrel blowing up
// are heard through the listener at the camera.
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

struct Pcm
{
    int channels = 0;
    int rate = 0;
    std::vector<int16_t> samples; // interleaved
};

uint32_t U32(const std::string& b, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint16_t U16(const std::string& b, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// A 16-bit PCM wave file, chunk by chunk; empty when it is not one.
Pcm ReadWave(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr size_t kRiffHeader = 12, kChunkHeader = 8, kBitsAt = 14;
    constexpr int kBits = 16;
    Pcm pcm;
    if (b.size() < kRiffHeader || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0)
        return pcm;
    bool sixteen = false;
    for (size_t at = kRiffHeader; at + kChunkHeader <= b.size();)
    {
        const std::string id = b.substr(at, 4);
        const size_t size = U32(b, at + 4);
        const size_t body = at + kChunkHeader;
        const size_t kept = std::min(size, b.size() - body);
        if (id == "fmt " && kept > kBitsAt + 1)
        {
            pcm.channels = U16(b, body + 2);
            pcm.rate = static_cast<int>(U32(b, body + 4));
            sixteen = U16(b, body + kBitsAt) == kBits;
        }
        else if (id == "data" && sixteen)
        {
            pcm.samples.resize(kept / 2);
            for (size_t i = 0; i < pcm.samples.size(); ++i)
                pcm.samples[i] = static_cast<int16_t>(U16(b, body + 2 * i));
        }
        at = body + size + (size & 1);
    }
    return pcm;
}

// The channels mixed to one and averaged over blocks down to `rate`: a crude
// low-pass and a decimation in one, enough for a sound whose body lies below a
// few hundred hertz. Frames [from, to) of the source.
std::vector<double> Mono(const Pcm& p, int rate, size_t from, size_t to)
{
    const size_t block = static_cast<size_t>(p.rate / rate);
    std::vector<double> out;
    for (size_t f = from; f + block <= to; f += block)
    {
        double sum = 0.0;
        for (size_t i = f; i < f + block; ++i)
            for (int c = 0; c < p.channels; ++c)
                sum += p.samples[i * p.channels + c];
        out.push_back(sum / static_cast<double>(block * p.channels));
    }
    return out;
}

// The best normalised correlation of `part` with any stretch of the loop, read
// round its end as it plays: near 1 when the part is the loop, near 0 when it
// holds none of it.
double BestCorrelation(std::vector<double> part, const std::vector<double>& loop)
{
    const size_t n = part.size(), period = loop.size();
    double mean = 0.0;
    for (double v : part)
        mean += v / static_cast<double>(n);
    double partEnergy = 0.0;
    for (double& v : part)
    {
        v -= mean;
        partEnergy += v * v;
    }
    if (partEnergy <= 0.0 || period == 0)
        return 0.0;
    double best = 0.0;
    for (size_t lag = 0; lag < period; ++lag)
    {
        double sum = 0.0, loopSum = 0.0, loopEnergy = 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            const double w = loop[(lag + i) % period];
            sum += part[i] * w;
            loopSum += w;
            loopEnergy += w * w;
        }
        // The loop's stretch taken about its own mean.
        const double loopVar = loopEnergy - loopSum * loopSum / static_cast<double>(n);
        if (loopVar > 0.0)
            best = std::max(best, sum / std::sqrt(partEnergy * loopVar));
    }
    return best;
}

// The root mean square of left minus right over frames [from, to): what a
// sound placed in the middle never adds.
double SideLevel(const Pcm& p, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t f = from; f < to; ++f)
    {
        const double side = static_cast<double>(p.samples[2 * f]) - p.samples[2 * f + 1];
        sum += side * side;
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

TEST(GameSound, TheDemoWorldsRecordingHoldsItsWindFromTheLevelsStartAndItsMusic)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // The loading screen holds the level until a key is released; the run
    // then goes on a while in the town before it quits.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 205\n"
                         "frame 460: quit\n");
    const fs::path recording = dir.path() / "recording.wav";
    GameProcess game(dir.path(), {{"TK_FRAMES", "2000"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", recording.string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);

    const Pcm heard = ReadWave(recording);
    const Pcm wind = ReadWave(dir.path() / Slashes(worldgen::DEMO_AMBIENT_SOUND));
    ASSERT_EQ(heard.channels, 2);
    ASSERT_GT(wind.channels, 0);
    constexpr int kCommonRate = 2205;
    ASSERT_EQ(heard.rate % kCommonRate, 0);
    ASSERT_EQ(wind.rate % kCommonRate, 0);
    const size_t second = static_cast<size_t>(heard.rate);
    const size_t frames = heard.samples.size() / 2;
    // The first seconds are the loading screen's. The town's come last, but
    // how many of them the file holds before the game falls silent to quit
    // depends on the machine's pace: the stretch of the town where the wind
    // is found best is taken, looking back from the end a second at a time.
    constexpr size_t kWindowSeconds = 2, kLookBackSeconds = 6;
    ASSERT_GT(frames, (kWindowSeconds + kLookBackSeconds) * second);
    const std::vector<double> loop = Mono(wind, kCommonRate, 0, wind.samples.size() / wind.channels);
    const double before = BestCorrelation(Mono(heard, kCommonRate, 0, kWindowSeconds * second), loop);
    double after = 0.0;
    size_t afterFrom = 0;
    for (size_t back = kWindowSeconds; back <= kLookBackSeconds; ++back)
    {
        const size_t from = frames - back * second;
        const double found =
            BestCorrelation(Mono(heard, kCommonRate, from, from + kWindowSeconds * second), loop);
        if (found > after)
        {
            after = found;
            afterFrom = from;
        }
    }
    // The wind's own stretch of the loop stands out of the music far above
    // what chance finds in the loading screen's sound.
    constexpr double kWindHeard = 0.4, kWindAbsent = 0.25;
    EXPECT_LT(before, kWindAbsent) << "no wind before the level begins";
    EXPECT_GT(after, kWindHeard) << "the wind plays in the town";
    // The wind sits in the middle; the music is the one sound of the run
    // whose channels differ, and it plays along.
    constexpr double kMusicSide = 150.0;
    EXPECT_GT(SideLevel(heard, afterFrom, afterFrom + kWindowSeconds * second), kMusicSide)
        << "the music plays in the town";
}
} // namespace

namespace
{
// Frames [from, to) of the recording mixed to one channel and averaged in
// blocks of `block` samples, each value then less the one before it: the
// first difference keeps the crack of a footstep or a blast and leaves the
// music's slow tones and the wind's rush small.
std::vector<double> Edges(const Pcm& p, size_t block, size_t from, size_t to)
{
    std::vector<double> out;
    double last = 0.0;
    for (size_t f = from; f + block <= to; f += block)
    {
        double sum = 0.0;
        for (size_t i = f; i < f + block; ++i)
            for (int c = 0; c < p.channels; ++c)
                sum += p.samples[i * p.channels + c];
        const double v = sum / static_cast<double>(block * p.channels);
        out.push_back(f == from ? 0.0 : v - last);
        last = v;
    }
    return out;
}

// The best normalised correlation of `sound` with any stretch of `heard`.
double BestMatch(const std::vector<double>& heard, const std::vector<double>& sound)
{
    double soundEnergy = 0.0;
    for (double v : sound)
        soundEnergy += v * v;
    double best = 0.0;
    for (size_t lag = 0; lag + sound.size() <= heard.size(); ++lag)
    {
        double sum = 0.0, energy = 0.0;
        for (size_t i = 0; i < sound.size(); ++i)
        {
            sum += heard[lag + i] * sound[i];
            energy += heard[lag + i] * heard[lag + i];
        }
        if (energy > 0.0 && soundEnergy > 0.0)
            best = std::max(best, sum / std::sqrt(energy * soundEnergy));
    }
    return best;
}

// The frame of the strongest edge within [from, to), in blocks of `block`.
size_t LoudestEdge(const Pcm& p, size_t block, size_t from, size_t to)
{
    const std::vector<double> e = Edges(p, block, from, to);
    size_t at = 0;
    for (size_t i = 1; i < e.size(); ++i)
        if (std::fabs(e[i]) > std::fabs(e[at]))
            at = i;
    return from + at * block;
}

// How well the best of the bundled files `files` is found in the recording
// starting from `before` frames before frame `at` to `after` frames after it.
double Heard(const Pcm& heard, const fs::path& data, const std::vector<std::string>& files, size_t block,
             size_t at, size_t before, size_t after)
{
    const size_t frames = heard.samples.size() / 2;
    double best = 0.0;
    for (const std::string& file : files)
    {
        const Pcm sound = ReadWave(data / Slashes(file));
        EXPECT_GT(sound.channels, 0) << file;
        if (sound.channels == 0 || heard.rate % sound.rate != 0)
            continue;
        // The sound at the recording's rate, in the same blocks.
        const size_t stretch = static_cast<size_t>(heard.rate / sound.rate);
        const size_t soundBlock = block / stretch;
        const size_t length = sound.samples.size() / sound.channels;
        const std::vector<double> template_ = Edges(sound, soundBlock, 0, length);
        const size_t from = at > before ? at - before : 0;
        const size_t to = std::min(frames, at + after + length * stretch);
        best = std::max(best, BestMatch(Edges(heard, block, from, to), template_));
    }
    return best;
}

TEST(GameSound, TheHerosFootstepsAndABarrelBlowingUpAreHeardWhereTheCameraIs)
{
    using namespace worldgen;
    // The hero takes a few steps to the rifle, turns to the barrel east of
    // it and shoots it; once the blast has died away he walks back a while.
    constexpr double kPi = 3.14159265358979, kYawPerCount = 0.004, kPitchPerCount = 0.008;
    const double eye = DEMO_START[1] + 0.9;
    const double down = std::atan2(eye - (DEMO_ROAD_TOP + DEMO_BARREL_HEIGHT / 2.0),
                                   DEMO_SHOOTING_BARREL_AT[0] - DEMO_SHOOTING_WEAPON_AT[0]);
    TempDir dir(false);
    CopyDataTree(dir.path());
    // Without the town's people: the civilian's footsteps are not the hero's.
    std::string world = dir.Read("worlds/level01.w");
    for (size_t at; (at = world.find("action_respawn_character_name")) != std::string::npos;)
        world.replace(at, std::string("action_respawn_character_name").size(),
                      "action_respawn_character_none");
    dir.Write("worlds/level01.w", world);
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 40: key press Space\n"
                         "frame 42: wait level frame 240\n"
                         "frame 45: key down W\n"
                         "frame 46: wait level frame 268\n"
                         "frame 47: key up W\n"
                         "frame 48: wait level frame 300\n"
                         "frame 51: mouse move " +
                             std::to_string(std::lround(kPi / 2.0 / kYawPerCount)) + " " +
                             std::to_string(std::lround(down / kPitchPerCount)) +
                             "\n"
                             "frame 52: wait level frame 340\n"
                             "frame 54: mouse down 0\n"
                             "frame 55: wait level frame 345\n"
                             "frame 56: mouse up 0\n"
                             "frame 57: wait level frame 560\n"
                             "frame 58: key down S\n"
                             "frame 59: wait level frame 700\n"
                             "frame 60: key up S\n"
                             "frame 61: wait level frame 720\n"
                             "frame 62: quit\n");
    const fs::path recording = dir.path() / "recording.wav";
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", recording.string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_TRUE(std::any_of(log.begin(), log.end(),
                            [](const std::string& line)
                            { return line.find(DEMO_SHOOTING_BLOWN) != std::string::npos; }));

    const Pcm heard = ReadWave(recording);
    ASSERT_EQ(heard.channels, 2);
    ASSERT_EQ(heard.rate, 44100);
    const size_t second = static_cast<size_t>(heard.rate);
    const size_t frames = heard.samples.size() / 2;
    // The recording follows the game's clock: it ends at the quit, a level
    // frame being a sixtieth of a second.
    auto levelFrame = [&](int n) { return frames - static_cast<size_t>((720 - n) * heard.rate / 60); };
    ASSERT_GT(frames, 10 * second);

    // The blast: one of the five explosions, at the loudest edge after the
    // trigger (the shot is heard with it, in the middle; the explosion is a
    // 3D sound ten units away).
    std::vector<std::string> blasts;
    for (int k = 1; k <= 5; ++k)
        blasts.push_back("sounds\\weapons\\exp" + std::to_string(k) + ".wav");
    constexpr size_t kBlastBlock = 20; // 2205 samples a second: the blast's boom and roll
    const size_t shot = LoudestEdge(heard, kBlastBlock, levelFrame(330), levelFrame(420));
    // Found far above what the search finds in the town's sound before it.
    constexpr double kBlastFound = 0.25, kNothingFound = 0.15;
    EXPECT_GT(Heard(heard, dir.path(), blasts, kBlastBlock, shot, second / 2, second / 2), kBlastFound)
        << "the barrel blows up";
    EXPECT_LT(Heard(heard, dir.path(), blasts, kBlastBlock, levelFrame(250), second / 2, second / 2),
              kNothingFound)
        << "no blast before the shot";

    // The footsteps on the road while he walks back: each of the strongest
    // edges of the walk is one of the bundled steps.
    std::vector<std::string> steps;
    for (const char* foot : {"L", "R"})
        for (int k = 1; k <= 5; ++k)
            steps.push_back(std::string("sounds\\steps\\concrete") + foot + std::to_string(k) + ".wav");
    constexpr size_t kStepBlock = 2; // 22050 samples a second: the crunch of the sole
    constexpr double kStepFound = 0.5;
    int found = 0;
    size_t from = levelFrame(570);
    // Walking, a step sounds every 0.6 s; the loudest edge of a step is its
    // sole's crunch a little after its start.
    const size_t stride = second * 6 / 10;
    for (int n = 0; n < 3; ++n, from += stride)
    {
        const size_t edge = LoudestEdge(heard, kStepBlock, from, from + stride);
        found +=
            Heard(heard, dir.path(), steps, kStepBlock, edge, second / 10, second / 50) > kStepFound ? 1 : 0;
    }
    // Standing still before the walk, no step is found.
    const size_t still = LoudestEdge(heard, kStepBlock, levelFrame(480), levelFrame(520));
    EXPECT_LT(Heard(heard, dir.path(), steps, kStepBlock, still, second / 10, second / 50), kNothingFound);
    EXPECT_GE(found, 2) << "the footsteps of the walk";
}
} // namespace
