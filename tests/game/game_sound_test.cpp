// The demo world as a player hears it: a headless run that records what the
// mixer plays holds the level's music and, once the level has begun, the
// wind the world starts there.
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
