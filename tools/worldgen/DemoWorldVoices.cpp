// The demo characters' voices: the alarm shouts, wounded cries and death
// cries of the common voice set ("voices\Enemies\"), each a short tone whose
// pitch tells the set and the number apart: shouts high and rising, wounded
// cries in the middle, death cries low and falling.
#include "tools/worldgen/DemoWorld.h"

#include "platform/win32/Path.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace worldgen
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 11025;
constexpr double kSeconds = 0.25;
constexpr double kLoudness = 0.5;

struct VoiceSet
{
    const char* pattern; // with the number
    int first, last;
    double hertz; // the first number's pitch
    double step;  // added per number
    double slide; // the pitch's change over the voice, as a factor
};

const VoiceSet kSets[] = {
    {"voices/Enemies/alarm%d.wav", 0, 15, 900.0, 25.0, 1.25},
    {"voices/Enemies/ranny%d.wav", 0, 11, 500.0, 20.0, 1.0},
    {"voices/Enemies/dead%d.wav", 0, 20, 300.0, 8.0, 0.6},
};

void PutU32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
}

void PutU16(std::string& s, uint16_t v)
{
    s += static_cast<char>(v);
    s += static_cast<char>(v >> 8);
}

// A mono 16-bit wave of a tone sliding from `hertz` to `hertz * slide`, faded
// in and out so it does not click.
std::string Tone(double hertz, double slide)
{
    const int samples = static_cast<int>(kRate * kSeconds);
    std::string data;
    double phase = 0.0;
    for (int i = 0; i < samples; ++i)
    {
        const double t = static_cast<double>(i) / samples;
        phase += 2.0 * kPi * hertz * (1.0 + (slide - 1.0) * t) / kRate;
        const double fade = std::fmin(1.0, std::fmin(t, 1.0 - t) * 10.0);
        PutU16(data, static_cast<uint16_t>(
                         static_cast<int16_t>(std::lround(32767.0 * kLoudness * fade * std::sin(phase)))));
    }
    std::string wave = "RIFF";
    PutU32(wave, static_cast<uint32_t>(36 + data.size()));
    wave += "WAVEfmt ";
    PutU32(wave, 16);
    PutU16(wave, 1); // PCM
    PutU16(wave, 1); // mono
    PutU32(wave, kRate);
    PutU32(wave, kRate * 2);
    PutU16(wave, 2);
    PutU16(wave, 16);
    wave += "data";
    PutU32(wave, static_cast<uint32_t>(data.size()));
    return wave + data;
}

std::string FileName(const VoiceSet& set, int number)
{
    char name[64];
    std::snprintf(name, sizeof name, set.pattern, number);
    return name;
}
} // namespace

double DemoVoiceHertz(const char* set, int number)
{
    for (const VoiceSet& s : kSets)
        if (std::string(s.pattern).find(set) != std::string::npos)
            return s.hertz + s.step * number;
    return 0.0;
}

bool WriteDemoVoices(const std::filesystem::path& root)
{
    bool ok = true;
    for (const VoiceSet& s : kSets)
        for (int i = s.first; i <= s.last; ++i)
        {
            const std::filesystem::path path = root / FileName(s, i);
            std::error_code ec;
            std::filesystem::create_directories(path.parent_path(), ec);
            const std::string wave = Tone(s.hertz + s.step * i, s.slide);
            FILE* f = TkFopen(path.string().c_str(), "wb");
            if (!f)
            {
                ok = false;
                continue;
            }
            ok = std::fwrite(wave.data(), 1, wave.size(), f) == wave.size() && ok;
            ok = std::fclose(f) == 0 && ok;
        }
    return ok;
}

std::vector<std::string> DemoVoiceFiles()
{
    std::vector<std::string> files;
    for (const VoiceSet& s : kSets)
        for (int i = s.first; i <= s.last; ++i)
            files.push_back(FileName(s, i));
    return files;
}
} // namespace worldgen
