// soundgen OUT_DIR [SEED_DIR]: makes the game's own sounds from tones and
// noise, and its music loop encoded with libvorbis, under OUT_DIR
// ("sounds/..." and "music/..."). With SEED_DIR it also writes the small
// seed files of the wave and Ogg fuzz targets there ("wave/", "ogg/").
// The same run always writes the same bytes.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr int kFxRate = 22050;
constexpr int kMusicRate = 44100;
constexpr float kOggQuality = 0.3f;
constexpr int kEncodeChunk = 1024;
constexpr int kNoiseBits = 24;
constexpr int kNoiseShift = 32 - kNoiseBits;

// A fixed linear congruential sequence, so the noise is the same every run.
// Its top 24 bits spread evenly over [-1, 1): noise centred on silence, so a
// filtered loop is heard as sound and not as an offset that only clicks.
struct Noise
{
    uint32_t state;
    float Next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> kNoiseShift) / static_cast<float>(1u << kNoiseBits) * 2.0f - 1.0f;
    }
};

// One-pole low-pass filter.
struct LowPass
{
    float a, y = 0.0f;
    LowPass(float cutoff, int rate) : a(1.0f - std::exp(static_cast<float>(-2.0 * kPi * cutoff / rate))) {}
    float Step(float x) { return y += a * (x - y); }
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

int16_t ToSample(float v)
{
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

// A 16-bit PCM wave file (interleaved when stereo).
std::string Wave(const std::vector<float>& s, int channels, int rate)
{
    std::string data;
    for (float v : s)
        PutU16(data, static_cast<uint16_t>(ToSample(v)));
    std::string out = "RIFF";
    PutU32(out, static_cast<uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    PutU32(out, 16);
    PutU16(out, 1);
    PutU16(out, static_cast<uint16_t>(channels));
    PutU32(out, static_cast<uint32_t>(rate));
    PutU32(out, static_cast<uint32_t>(rate * channels * 2));
    PutU16(out, static_cast<uint16_t>(channels * 2));
    PutU16(out, 16);
    out += "data";
    PutU32(out, static_cast<uint32_t>(data.size()));
    return out + data;
}

bool Save(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f)
    {
        std::fprintf(stderr, "soundgen: cannot write %s\n", path.string().c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void AppendPage(std::string& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}

// Ogg Vorbis of interleaved samples.
std::string Vorbis(const std::vector<float>& s, int channels, int rate, const char* title)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, kOggQuality) != 0)
        return {};
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", title);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x44554b32); // fixed serial: the same bytes every run
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    std::string out;
    ogg_page page;
    while (ogg_stream_flush(&os, &page))
        AppendPage(out, page);

    const size_t frames = s.size() / channels;
    bool done = false;
    for (size_t at = 0; !done;)
    {
        const size_t n = std::min<size_t>(kEncodeChunk, frames - at);
        if (n > 0)
        {
            float** in = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    in[c][i] = s[(at + i) * channels + c];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            at += n;
        }
        else
            vorbis_analysis_wrote(&vd, 0);
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op))
            {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &page))
                {
                    AppendPage(out, page);
                    done = done || ogg_page_eos(&page);
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

// Scales the samples so their loudest one reaches `peak`.
std::vector<float> Normalised(std::vector<float> s, float peak)
{
    float most = 0.0f;
    for (float v : s)
        most = std::max(most, std::fabs(v));
    if (most > 0.0f)
        for (float& v : s)
            v *= peak / most;
    return s;
}

// A gunshot: a crack of bright noise over a falling low thump.
std::vector<float> Shot()
{
    const int n = kFxRate * 35 / 100;
    std::vector<float> s(n);
    Noise noise{0x5107u};
    LowPass body(1800.0f, kFxRate);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const float t = static_cast<float>(i) / kFxRate;
        const float crack = noise.Next() * std::exp(-t * 60.0f);
        const float rumble = body.Step(noise.Next()) * std::exp(-t * 9.0f) * 1.6f;
        phase += 2.0 * kPi * (90.0 - 50.0 * t / 0.35) / kFxRate;
        const float thump = static_cast<float>(std::sin(phase)) * std::exp(-t * 14.0f);
        s[i] = 0.9f * (0.55f * crack + 0.45f * rumble + 0.6f * thump);
    }
    return s;
}

// A footstep on gravel: a soft heel, then the crunch of the sole.
// A heel and a sole: the crunch's cut-off gives the surface its colour.
std::vector<float> Step(uint32_t seed = 0x57e9u, float crunchHz = 2500.0f)
{
    const int n = kFxRate * 15 / 100;
    std::vector<float> s(n);
    Noise noise{seed};
    LowPass crunch(crunchHz, kFxRate);
    LowPass heel(300.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const float t = static_cast<float>(i) / kFxRate;
        const float heelEnv = std::exp(-t * 70.0f);
        const float soleT = std::max(0.0f, t - 0.035f);
        const float soleEnv = t < 0.035f ? 0.0f : std::exp(-soleT * 45.0f) * std::min(1.0f, soleT * 400.0f);
        s[i] = 0.8f * (heel.Step(noise.Next()) * 3.0f * heelEnv + crunch.Step(noise.Next()) * 0.9f * soleEnv);
    }
    return s;
}

// Wind for a level's background: filtered noise that swells and settles,
// its swell periodic and its ends cross-faded so the loop has no seam.
std::vector<float> Wind()
{
    const int n = kFxRate * 4;
    const int fade = kFxRate / 4;
    std::vector<float> raw(n + fade);
    Noise noise{0xa11bu};
    // A dull rush: flat up to a few hundred hertz, falling away above.
    LowPass low(1000.0f, kFxRate);
    LowPass lower(300.0f, kFxRate);
    for (int i = 0; i < n + fade; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        const float swell = static_cast<float>(0.65 + 0.25 * std::sin(2.0 * kPi * t / 4.0) +
                                               0.1 * std::sin(2.0 * kPi * t * 3.0 / 4.0));
        raw[i] = (lower.Step(low.Step(noise.Next())) * 4.0f) * swell;
    }
    std::vector<float> s(raw.begin(), raw.begin() + n);
    // The tail past the loop's end fades into its beginning.
    for (int i = 0; i < fade; ++i)
    {
        const float w = static_cast<float>(i) / fade;
        s[i] = s[i] * w + raw[n + i] * (1.0f - w);
    }
    return s;
}

// A rotor's beat: a low noise rush chopped by the blades, four beats a second
// over two seconds, which loops seamlessly (a whole number of beats).
std::vector<float> Rotor()
{
    const int n = kFxRate * 2;
    std::vector<float> s(n);
    Noise noise{0x4e11u};
    LowPass low(600.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        const double beat = std::fmod(t * 4.0, 1.0);
        const float chop = static_cast<float>(0.25 + 0.75 * std::exp(-beat * 9.0));
        s[i] = low.Step(noise.Next()) * 3.0f * chop +
               0.2f * static_cast<float>(std::sin(2.0 * kPi * 48.0 * t)) * chop;
    }
    return s;
}

// Metal on metal: a short bright tick for each time given (seconds), over
// `seconds` in all. Magazines, bolts and pick-ups are made of these.
std::vector<float> Clicks(std::initializer_list<double> times, double seconds, uint32_t seed)
{
    const int n = static_cast<int>(kFxRate * seconds);
    std::vector<float> s(n);
    Noise noise{seed};
    LowPass dull(3500.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        float v = 0.0f;
        int k = 0;
        for (double at : times)
        {
            const double dt = t - at;
            if (dt >= 0.0)
            {
                // Each tick rings at its own pitch, the later ones lower.
                const double ring = std::sin(2.0 * kPi * (2400.0 - 300.0 * k) * dt);
                v += static_cast<float>((0.6 * noise.Next() + 0.5 * ring) * std::exp(-dt * 90.0));
            }
            ++k;
        }
        s[i] = dull.Step(v) * 1.5f + v * 0.3f;
    }
    return s;
}

// A blade through the air: band-limited noise that rises and cuts off.
std::vector<float> Swish()
{
    const int n = kFxRate * 25 / 100;
    std::vector<float> s(n);
    Noise noise{0x5a15u};
    LowPass low(2200.0f, kFxRate);
    LowPass lower(600.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const float t = static_cast<float>(i) / kFxRate;
        const float env = std::sin(static_cast<float>(kPi) * t / 0.25f) * std::exp(-t * 4.0f);
        const float x = low.Step(noise.Next());
        s[i] = (x - lower.Step(x)) * 3.0f * env;
    }
    return s;
}

// An explosion: a blast of noise over a deep boom that rolls away; the seed
// gives each of the five its own grain.
std::vector<float> Explosion(uint32_t seed)
{
    const int n = kFxRate * 18 / 10;
    std::vector<float> s(n);
    Noise noise{seed};
    LowPass blast(900.0f + 150.0f * static_cast<float>(seed % 5), kFxRate);
    LowPass rumble(160.0f, kFxRate);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const float t = static_cast<float>(i) / kFxRate;
        const float attack = std::min(1.0f, t * 300.0f);
        const float crack = blast.Step(noise.Next()) * std::exp(-t * 6.0f) * 2.0f;
        const float roll = rumble.Step(noise.Next()) * std::exp(-t * 2.2f) * 5.0f;
        phase += 2.0 * kPi * (55.0 - 25.0 * t / 1.8) / kFxRate;
        const float boom = static_cast<float>(std::sin(phase)) * std::exp(-t * 4.0f);
        s[i] = attack * (0.4f * crack + 0.5f * roll + 0.7f * boom);
    }
    return s;
}

// A fire for looping: crackles over a soft roar, its ends cross-faded.
std::vector<float> FireLoop()
{
    const int n = kFxRate * 3;
    const int fade = kFxRate / 5;
    std::vector<float> raw(n + fade);
    Noise noise{0xf1a3u};
    Noise pops{0x0c0cu};
    LowPass roar(500.0f, kFxRate);
    float crackle = 0.0f;
    for (int i = 0; i < n + fade; ++i)
    {
        // Now and then a short pop, dying in a few milliseconds.
        if (pops.Next() > 0.9985f)
            crackle = 1.0f;
        crackle *= 0.992f;
        raw[i] = roar.Step(noise.Next()) * 2.5f + noise.Next() * crackle * 0.8f;
    }
    std::vector<float> s(raw.begin(), raw.begin() + n);
    for (int i = 0; i < fade; ++i)
    {
        const float w = static_cast<float>(i) / fade;
        s[i] = s[i] * w + raw[n + i] * (1.0f - w);
    }
    return s;
}

// A cartridge case on hard ground: two bright ringing partials, quickly gone.
std::vector<float> Clink()
{
    const int n = kFxRate * 12 / 100;
    std::vector<float> s(n);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        s[i] =
            static_cast<float>((std::sin(2.0 * kPi * 3100.0 * t) + 0.6 * std::sin(2.0 * kPi * 4730.0 * t)) *
                               std::exp(-t * 45.0) * std::min(1.0, t * 2000.0));
    }
    return s;
}

// A ricochet: a sharp tick, then a whine that falls in pitch as the bullet
// tumbles away; each seed starts at its own pitch.
std::vector<float> Ricochet(uint32_t seed)
{
    const int n = kFxRate * 45 / 100;
    std::vector<float> s(n);
    Noise noise{seed};
    const double start = 2600.0 + 180.0 * (seed % 7);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        phase += 2.0 * kPi * start * (1.0 - 0.55 * t / 0.45) / kFxRate;
        const double whine = std::sin(phase) * std::exp(-t * 7.0) * std::min(1.0, t * 300.0);
        const double tick = noise.Next() * std::exp(-t * 250.0);
        s[i] = static_cast<float>(0.5 * whine + 0.8 * tick);
    }
    return s;
}

// A breath through the mouth: noise shaped by two broad resonances, rising
// into an inhale or falling away in an exhale, over `seconds`.
std::vector<float> Breath(double seconds, bool inhale, uint32_t seed)
{
    const int n = static_cast<int>(kFxRate * seconds);
    std::vector<float> s(n);
    Noise noise{seed};
    LowPass low(1400.0f, kFxRate);
    LowPass lower(350.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / n;
        const double shape = inhale ? std::sin(kPi * std::pow(t, 0.7)) : std::sin(kPi * std::pow(t, 1.6));
        const float x = low.Step(noise.Next());
        s[i] = static_cast<float>((x - 0.6f * lower.Step(x)) * 3.0 * shape);
    }
    return s;
}

// A voice without words: a buzz at the pitch `hz` (gliding by `glide` over
// the sound) through the two resonances of an open vowel, under an envelope
// that opens fast and closes over `seconds`.
std::vector<float> Grunt(double seconds, double hz, double glide, double breathiness, uint32_t seed)
{
    const int n = static_cast<int>(kFxRate * seconds);
    std::vector<float> s(n);
    Noise noise{seed};
    // Two resonators (the first two formants of "ah").
    struct Resonator
    {
        double a1, a2, y1 = 0.0, y2 = 0.0;
        Resonator(double f, double bw)
        {
            const double r = std::exp(-kPi * bw / kFxRate);
            a1 = 2.0 * r * std::cos(2.0 * kPi * f / kFxRate);
            a2 = -r * r;
        }
        double Step(double x)
        {
            const double y = x + a1 * y1 + a2 * y2;
            y2 = y1;
            y1 = y;
            return y;
        }
    };
    Resonator f1(700.0, 110.0), f2(1150.0, 140.0);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        const double u = t / seconds;
        phase += (hz * (1.0 + glide * u)) / kFxRate;
        phase -= std::floor(phase);
        // A glottal pulse: a short falling ramp each period.
        const double pulse = phase < 0.15 ? 1.0 - phase / 0.15 : 0.0;
        const double source = pulse + breathiness * noise.Next();
        const double env = std::min(1.0, t * 60.0) * std::pow(1.0 - u, 1.5);
        s[i] = static_cast<float>((f1.Step(source) * 0.6 + f2.Step(source) * 0.4) * env);
    }
    return s;
}

// A body landing or struck: a dull low thump with a little noise on top.
std::vector<float> Thud(double seconds, double hz, uint32_t seed)
{
    const int n = static_cast<int>(kFxRate * seconds);
    std::vector<float> s(n);
    Noise noise{seed};
    LowPass dull(500.0f, kFxRate);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        phase += 2.0 * kPi * hz * (1.0 - 0.4 * t / seconds) / kFxRate;
        const double attack = std::min(1.0, t * 800.0);
        s[i] = static_cast<float>(attack * (std::sin(phase) * std::exp(-t * 18.0) +
                                            dull.Step(noise.Next()) * 1.5 * std::exp(-t * 30.0)));
    }
    return s;
}

// A heartbeat for looping: "lub-dub" once a period, silent between.
std::vector<float> Heartbeat(double period)
{
    const int n = static_cast<int>(kFxRate * period);
    std::vector<float> s(n);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        double v = 0.0;
        for (const double at : {0.0, 0.28})
        {
            const double dt = t - at;
            if (dt >= 0.0)
                v += std::sin(2.0 * kPi * (at == 0.0 ? 48.0 : 62.0) * dt) * std::exp(-dt * 22.0) *
                     std::min(1.0, dt * 400.0) * (at == 0.0 ? 1.0 : 0.7);
        }
        s[i] = static_cast<float>(v);
    }
    return s;
}

// The hero's own sounds and voice, under OUT_DIR.
bool HeroSounds(const std::filesystem::path& out)
{
    const std::filesystem::path hero = out / "sounds" / "hero";
    const std::filesystem::path voice = out / "voices" / "Hero";
    auto fx = [](const std::vector<float>& s, float peak) { return Wave(Normalised(s, peak), 1, kFxRate); };
    bool ok = Save(hero / "chep.wav", fx(Breath(0.6, true, 0xc4e9u), 0.5f));
    ok = Save(hero / "wydech.wav", fx(Breath(0.9, false, 0x3dec4u), 0.5f)) && ok;
    ok = Save(hero / "skok.wav", fx(Thud(0.25, 90.0, 0x5c0cu), 0.6f)) && ok;
    ok = Save(hero / "spad.wav", fx(Thud(0.45, 60.0, 0x59adu), 0.8f)) && ok;
    ok = Save(hero / "SERDUCHO.wav", fx(Heartbeat(0.85), 0.7f)) && ok;
    // The Geiger counter's loop: uneven ticks over a second.
    ok = Save(out / "sounds" / "special" / "geiger01.wav",
              fx(Clicks({0.03, 0.11, 0.16, 0.3, 0.42, 0.47, 0.61, 0.7, 0.88, 0.93}, 1.0, 0x6e16u), 0.6f)) &&
         ok;
    for (uint32_t k = 1; k <= 3; ++k)
        ok = Save(hero / ("wcialo" + std::to_string(k) + ".wav"),
                  fx(Thud(0.2, 120.0 + 25.0 * k, 0xb0d0u + k), 0.7f)) &&
             ok;
    // A body falling to the ground.
    ok = Save(out / "sounds" / "special" / "body_fall.wav", fx(Thud(0.5, 55.0, 0xb0f1u), 0.8f)) && ok;
    // The ladder: a rung creaks under each hand, and a long rasp while sliding down.
    for (uint32_t k = 1; k <= 5; ++k)
    {
        ok = Save(hero / ("drabinaL" + std::to_string(k) + ".wav"),
                  fx(Thud(0.12, 220.0 + 15.0 * k, 0xd1a0u + k), 0.4f)) &&
             ok;
        ok = Save(hero / ("drabinaR" + std::to_string(k) + ".wav"),
                  fx(Thud(0.12, 200.0 + 15.0 * k, 0xd2b0u + k), 0.4f)) &&
             ok;
    }
    ok = Save(hero / "drabina_zjazd.wav", fx(Breath(1.0, false, 0xd3c0u), 0.35f)) && ok;
    // The grenade's pin: two clicks.
    ok = Save(out / "sounds" / "weapons" / "granat_wyjecie_zawleczki.wav",
              fx(Clicks({0.0, 0.09}, 0.25, 0x9e1au), 0.6f)) &&
         ok;
    // Out of breath: a long exhale, and a harder one after running dry.
    ok = Save(voice / "hero0breath2.wav", fx(Breath(1.2, false, 0xb2e2u), 0.45f)) && ok;
    ok = Save(voice / "hero0breath3.wav", fx(Breath(1.6, false, 0xb3e3u), 0.55f)) && ok;
    for (uint32_t k = 0; k < 3; ++k)
        ok = Save(voice / ("hero0jump" + std::to_string(k) + ".wav"),
                  fx(Grunt(0.22, 140.0 + 12.0 * k, 0.1, 0.3, 0x1ae0u + k), 0.5f)) &&
             ok;
    for (uint32_t k = 0; k < 4; ++k)
        ok = Save(voice / ("hero0fall" + std::to_string(k) + ".wav"),
                  fx(Grunt(0.35, 120.0 + 10.0 * k, -0.25, 0.4, 0xfa10u + k), 0.6f)) &&
             ok;
    for (uint32_t k = 0; k < 5; ++k)
        ok = Save(voice / ("hero0ouch" + std::to_string(k) + ".wav"),
                  fx(Grunt(0.3, 170.0 + 15.0 * k, -0.35, 0.2, 0x0c40u + k), 0.6f)) &&
             ok;
    return ok;
}

using Chord = double[3];

// Music in whole bars, so it loops on the beat: a slow chord pad swelling
// within each bar and a bass that falls away after each beat.
std::vector<float> Bars(const Chord* chords, int bars, double barSeconds)
{
    const int n = static_cast<int>(kMusicRate * barSeconds * bars);
    std::vector<float> s(static_cast<size_t>(n) * 2);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kMusicRate;
        const int bar = static_cast<int>(t / barSeconds) % bars;
        const double inBar = t - bar * barSeconds;
        // Each chord swells in and out within its bar, so bars join softly.
        const double env = std::sin(kPi * inBar / barSeconds);
        double left = 0.0, right = 0.0;
        for (int v = 0; v < 3; ++v)
        {
            const double f = chords[bar][v];
            const double tone = std::sin(2.0 * kPi * f * t) + 0.3 * std::sin(2.0 * kPi * 2.0 * f * t);
            left += tone * (v == 2 ? 0.6 : 1.0);
            right += tone * (v == 0 ? 0.6 : 1.0);
        }
        const double beat = std::fmod(inBar, barSeconds / 4.0);
        const double bass = std::sin(2.0 * kPi * chords[bar][0] / 2.0 * t) * std::exp(-beat * 6.0) *
                            std::min(1.0, beat * 200.0); // a 5 ms attack: no click
        s[2 * i] = static_cast<float>(0.12 * env * left + 0.35 * bass);
        s[2 * i + 1] = static_cast<float>(0.12 * env * right + 0.35 * bass);
    }
    return s;
}

// Eight seconds: A minor, F, C and G (roots, thirds and fifths in Hz).
std::vector<float> Theme()
{
    static const Chord chords[] = {
        {220.0, 261.63, 329.63}, {174.61, 220.0, 261.63}, {261.63, 329.63, 392.0}, {196.0, 246.94, 293.66}};
    return Bars(chords, 4, 2.0);
}

// Four seconds for the loading screen: D minor and A minor.
std::vector<float> Loading()
{
    static const Chord chords[] = {{146.83, 174.61, 220.0}, {220.0, 261.63, 329.63}};
    return Bars(chords, 2, 2.0);
}
// ---- Combat music ---------------------------------------------------------------------------

// A combat loop: two bars of drums at 120 beats a minute (a kick on every
// beat, a snare on the second and fourth) over a bass riff on the loop's own
// root, so the five loops are told apart by their pitch.
std::vector<float> CombatLoop(double root, uint32_t seed)
{
    constexpr double kBeat = 0.5;
    constexpr int kBeats = 8;
    const int n = static_cast<int>(kMusicRate * kBeat * kBeats);
    std::vector<float> s(static_cast<size_t>(n) * 2);
    Noise noise{seed};
    LowPass snareTone(3500.0f, kMusicRate);
    static const double riff[kBeats] = {1.0, 1.0, 1.5, 1.0, 1.2, 1.0, 1.5, 1.33};
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kMusicRate;
        const int beat = static_cast<int>(t / kBeat);
        const double inBeat = t - beat * kBeat;
        const double attack = std::min(1.0, inBeat * 200.0);
        const double kick = std::sin(2.0 * kPi * (55.0 + 60.0 * std::exp(-inBeat * 30.0)) * inBeat) *
                            std::exp(-inBeat * 9.0) * attack;
        const double snare = beat % 2 == 1 ? snareTone.Step(noise.Next()) * std::exp(-inBeat * 14.0) * attack
                                           : snareTone.Step(0.0f);
        const double bass =
            std::sin(2.0 * kPi * root * riff[beat % kBeats] * t) * std::exp(-inBeat * 3.0) * attack;
        s[2 * i] = static_cast<float>(0.5 * kick + 0.8 * snare + 0.3 * bass);
        s[2 * i + 1] = static_cast<float>(0.5 * kick + 0.6 * snare + 0.35 * bass);
    }
    return s;
}

// The gong that closes a fight: four inharmonic partials ringing out over four seconds.
std::vector<float> Gong()
{
    constexpr double kSeconds = 4.0;
    static const double partials[][2] = {{160.0, 1.0}, {237.0, 0.6}, {381.0, 0.4}, {512.0, 0.25}};
    const int n = static_cast<int>(kMusicRate * kSeconds);
    std::vector<float> s(static_cast<size_t>(n) * 2);
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kMusicRate;
        double v = 0.0;
        for (const auto& p : partials)
            v += p[1] * std::sin(2.0 * kPi * p[0] * t) * std::exp(-t * (0.8 + p[0] / 400.0));
        v *= std::min(1.0, t * 300.0) * 0.35;
        s[2 * i] = static_cast<float>(v);
        s[2 * i + 1] = static_cast<float>(v * 0.9);
    }
    return s;
}
// The background battle.
// A machine gun far away: the crack is lost, a dull thud and a rolling echo stay.
std::vector<float> FarShot()
{
    const int n = kFxRate * 6 / 10;
    std::vector<float> s(n);
    Noise noise{0xfa50u};
    LowPass dull(500.0f, kFxRate);
    LowPass duller(250.0f, kFxRate);
    for (int i = 0; i < n; ++i)
    {
        const float t = static_cast<float>(i) / kFxRate;
        const float attack = std::min(1.0f, t * 200.0f);
        const float echo = t > 0.18f ? 0.35f * std::exp(-(t - 0.18f) * 8.0f) : 0.0f;
        s[i] = duller.Step(dull.Step(noise.Next())) * attack * (std::exp(-t * 18.0f) + echo);
    }
    return s;
}

// A jet passing: a roar that swells as it comes and fades as it goes, its
// whine falling through the pass.
std::vector<float> JetFlyby()
{
    const int n = kFxRate * 6;
    std::vector<float> s(n);
    Noise noise{0x1e7bu};
    LowPass roar(900.0f, kFxRate);
    double phase = 0.0;
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / kFxRate;
        const double near = (t - 2.4) / 1.1;
        const float swell = static_cast<float>(1.0 / (1.0 + near * near)) *
                            std::min(1.0f, static_cast<float>(t) * 4.0f) *
                            std::min(1.0f, static_cast<float>(6.0 - t) * 4.0f);
        const double whine = 1400.0 - 500.0 * std::tanh(near);
        phase += 2.0 * kPi * whine / kFxRate;
        s[i] = swell * (roar.Step(noise.Next()) * 3.0f + 0.15f * static_cast<float>(std::sin(phase)));
    }
    return s;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: soundgen OUT_DIR [SEED_DIR]\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    bool ok = Save(out / "sounds" / "weapons" / "shot.wav", Wave(Normalised(Shot(), 0.9f), 1, kFxRate));
    ok = Save(out / "sounds" / "steps" / "step.wav", Wave(Normalised(Step(), 0.6f), 1, kFxRate)) && ok;
    // The hero's footsteps: five of each foot on every surface he can walk on.
    struct Surface
    {
        const char* name;
        float crunchHz;
    };
    static const Surface surfaces[] = {
        {"concrete", 2500.0f}, {"metal", 6000.0f}, {"wood", 1200.0f}, {"sand", 1800.0f}, {"glass", 8000.0f}};
    constexpr int kStepsPerFoot = 5;
    uint32_t stepSeed = 0x57eau;
    for (const Surface& surface : surfaces)
        for (const char* foot : {"L", "R"})
            for (int k = 1; k <= kStepsPerFoot; ++k)
                ok = Save(out / "sounds" / "steps" /
                              (surface.name + std::string(foot) + std::to_string(k) + ".wav"),
                          Wave(Normalised(Step(stepSeed++, surface.crunchHz), 0.6f), 1, kFxRate)) &&
                     ok;
    ok = Save(out / "sounds" / "ambient" / "wind_loop.wav", Wave(Normalised(Wind(), 0.5f), 1, kFxRate)) && ok;
    ok = Save(out / "sounds" / "weapons" / "reload.wav",
              Wave(Normalised(Clicks({0.05, 0.3, 0.55}, 0.7, 0x7e10u), 0.7f), 1, kFxRate)) &&
         ok;
    ok = Save(out / "sounds" / "weapons" / "draw.wav",
              Wave(Normalised(Clicks({0.02, 0.12}, 0.3, 0xd4a3u), 0.6f), 1, kFxRate)) &&
         ok;
    ok = Save(out / "sounds" / "pickup" / "ammo.wav",
              Wave(Normalised(Clicks({0.0, 0.06}, 0.25, 0xa440u), 0.6f), 1, kFxRate)) &&
         ok;
    ok = Save(out / "sounds" / "weapons" / "knife_stab.wav", Wave(Normalised(Swish(), 0.7f), 1, kFxRate)) &&
         ok;
    for (uint32_t k = 1; k <= 5; ++k)
        ok = Save(out / "sounds" / "weapons" / ("exp" + std::to_string(k) + ".wav"),
                  Wave(Normalised(Explosion(0xb00u + k), 0.95f), 1, kFxRate)) &&
             ok;
    ok = Save(out / "sounds" / "special" / "ogien.wav", Wave(Normalised(FireLoop(), 0.5f), 1, kFxRate)) && ok;
    ok = Save(out / "sounds" / "weapons" / "luska1.wav", Wave(Normalised(Clink(), 0.5f), 1, kFxRate)) && ok;
    // Ricochets: "ryko0" to "ryko4".
    for (uint32_t k = 0; k < 5; ++k)
        ok = Save(out / "sounds" / "weapons" / ("ryko" + std::to_string(k) + ".wav"),
                  Wave(Normalised(Ricochet(0x51c0u + k), 0.6f), 1, kFxRate)) &&
             ok;
    ok = HeroSounds(out) && ok;
    ok = Save(out / "sounds" / "vehicles" / "heli_01.wav", Wave(Normalised(Rotor(), 0.6f), 1, kFxRate)) && ok;
    ok = Save(out / "sounds" / "weapons" / "far.wav", Wave(Normalised(FarShot(), 0.8f), 1, kFxRate)) && ok;
    ok =
        Save(out / "sounds" / "vehicles" / "jet_flyby.wav", Wave(Normalised(JetFlyby(), 0.8f), 1, kFxRate)) &&
        ok;
    ok = Save(out / "sounds" / "weapons" / "rocket.wav", Wave(Normalised(Wind(), 0.7f), 1, kFxRate)) && ok;
    ok = Save(out / "music" / "DuskmereMainTheme.ogg",
              Vorbis(Theme(), 2, kMusicRate, "Duskmere main theme")) &&
         ok;
    ok = Save(out / "music" / "LoadingLevel.ogg", Vorbis(Loading(), 2, kMusicRate, "Loading")) && ok;
    // Combat music: "music\loop\A1.ogg" to "A5.ogg" and the gong after a fight.
    static const double combatRoots[] = {110.0, 98.0, 123.47, 130.81, 146.83};
    for (uint32_t k = 0; k < 5; ++k)
        ok = Save(out / "music" / "loop" / ("A" + std::to_string(k + 1) + ".ogg"),
                  Vorbis(CombatLoop(combatRoots[k], 0xc0b0u + k), 2, kMusicRate, "Combat loop")) &&
             ok;
    ok = Save(out / "music" / "gong_02.ogg", Vorbis(Gong(), 2, kMusicRate, "Gong")) && ok;
    if (argc > 2)
    {
        const std::filesystem::path seeds = argv[2];
        std::vector<float> blip(kFxRate / 50);
        for (size_t i = 0; i < blip.size(); ++i)
            blip[i] = 0.5f * static_cast<float>(std::sin(2.0 * kPi * 440.0 * i / kFxRate));
        ok = Save(seeds / "wave" / "mono16.wav", Wave(blip, 1, kFxRate)) && ok;
        std::vector<float> stereo;
        for (float v : blip)
        {
            stereo.push_back(v);
            stereo.push_back(-v);
        }
        ok = Save(seeds / "wave" / "stereo16.wav", Wave(stereo, 2, kFxRate)) && ok;
        std::vector<float> tone(kMusicRate / 10);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = 0.5f * static_cast<float>(std::sin(2.0 * kPi * 440.0 * i / kMusicRate));
        ok = Save(seeds / "ogg" / "mono.ogg", Vorbis(tone, 1, kMusicRate, "seed")) && ok;
        std::vector<float> pair;
        for (float v : tone)
        {
            pair.push_back(v);
            pair.push_back(v * 0.5f);
        }
        ok = Save(seeds / "ogg" / "stereo22k.ogg", Vorbis(pair, 2, kFxRate, "seed")) && ok;
    }
    return ok ? 0 : 1;
}
