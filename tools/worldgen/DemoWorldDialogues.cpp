// The demo world's dialogues: a radio by the road that speaks two lines when
// the hero uses it and then marks itself as heard, a talk between the partner
// and the townsman, the hero's own lines, and the twenty lines of the
// townsfolk's idle chatter in three takes each. Every voice is a short tone
// whose pitch tells it apart in a recording.
#include "tools/worldgen/DemoWorld.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace worldgen
{
namespace
{
constexpr const char* kRadioMesh = "meshes\\demo\\radio.x";
constexpr const char* kDialogues = "scripts/dialogues/demo.txt";
constexpr const char* kHeroDialogues = "scripts/hero_dialogues/demo.txt";
constexpr const char* kVoiceFolder = "voices/dialogues/";
constexpr int kRate = 11025;
constexpr double kPi = 3.14159265358979323846;
constexpr double kLineSeconds = 1.0;
constexpr double kChatterSeconds = 0.3;
// The radio stands by the road's west edge, level with the hero's start, its
// loudspeaker at his eye height.
constexpr float kRadioAt[3] = {DEMO_START[0] - DEMO_RADIO_DISTANCE, DEMO_ROAD_TOP, DEMO_START[2]};
constexpr float kRadioRange = 60.0f;

struct Voice
{
    const char* label;
    double hertz;
};

// The radio's two lines are the ones a test listens for.
const Voice kVoices[] = {
    {DEMO_RADIO_LINES[0], DEMO_RADIO_HERTZ[0]},
    {DEMO_RADIO_LINES[1], DEMO_RADIO_HERTZ[1]},
    {"town_01", 380.0},
    {"town_02", 450.0},
    {"town_03", 410.0},
    {"hero_01", 620.0},
    {"hero_02", 660.0},
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

// A mono 16-bit tone of the pitch, with a slow wobble so it sounds spoken,
// faded in and out so it does not click.
std::string Tone(double hertz, double seconds, double wobble)
{
    const int samples = static_cast<int>(kRate * seconds);
    std::string data;
    double phase = 0.0;
    for (int i = 0; i < samples; ++i)
    {
        const double t = static_cast<double>(i) / samples;
        phase += 2.0 * kPi * hertz * (1.0 + wobble * std::sin(2.0 * kPi * 3.0 * t)) / kRate;
        const double fade = std::fmin(1.0, std::fmin(t, 1.0 - t) * 12.0);
        PutU16(data,
               static_cast<uint16_t>(static_cast<int16_t>(std::lround(14000.0 * fade * std::sin(phase)))));
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

std::string ChatterFile(int line, char take)
{
    char name[32];
    std::snprintf(name, sizeof name, "DL%02d%c.wav", line, take);
    return std::string(kVoiceFolder) + name;
}

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

std::string DialogueScript()
{
    return Lines({"// The demo level's dialogues. Written by tk_worldgen.",
                  "// The radio by the road: used by the hero, it speaks its two lines.",
                  std::string("dialogue ") + DEMO_RADIO_DIALOGUE, "volume 1",
                  "range " + std::to_string(static_cast<int>(kRadioRange)),
                  std::string("actor0 ") + DEMO_RADIO_LINES[0], std::string("actor0 ") + DEMO_RADIO_LINES[1],
                  std::string("on_end_action ") + DEMO_RADIO_END, "",
                  "// The partner and the townsman: each goes back to his own business afterwards.",
                  std::string("dialogue ") + DEMO_TOWNSFOLK_DIALOGUE, "actor0 town_01", "actor1 town_02",
                  "actor0 town_03", "on_end_actor0_phase stoi",
                  std::string("on_end_actor1_phase ") + DEMO_CIVILIAN_FIRST_PHASE});
}

std::string HeroDialogueScript()
{
    return Lines({"// The hero's own lines. Written by tk_worldgen.",
                  std::string("hero_dialogue ") + DEMO_HERO_DIALOGUE, "hero0 hero_01",
                  std::string("voice_position1 ") + DEMO_PARTNER_SPAWN, "hero1 hero_02"});
}
} // namespace

void AddDemoDialogues(std::vector<DemoObject>& objects)
{
    // The use key on the radio starts its dialogue; it answers once.
    objects.push_back(MeshAt(DEMO_RADIO, kRadioMesh, kRadioAt[0], kRadioAt[1], kRadioAt[2],
                             {"action_general_opt 1 1", "action_general_2 0 1",
                              std::string("action_start_dialogue0 ") + DEMO_RADIO_DIALOGUE,
                              std::string("action_start_dialogue_actor0 ") + DEMO_RADIO}));
    // Run at the radio's last line: it marks the radio as heard. The hero cannot use it.
    objects.push_back(
        MeshAt(DEMO_RADIO_END, DEMO_MARKER_MESH, kRadioAt[0], -5.0f, kRadioAt[2],
               {"flags 0", "action_general_opt 1 0", std::string("action_default_set ") + DEMO_RADIO_DONE,
                std::string("action_dest_set ") + DEMO_RADIO_DONE}));
}

bool WriteDemoDialogues(const std::filesystem::path& root)
{
    const float post[3] = {0.6f, 0.6f, 0.62f};
    const float body[3] = {0.55f, 0.62f, 0.4f};
    const float grille[3] = {0.3f, 0.3f, 0.3f};
    // A radio cabinet on a post: the cabinet spans the hero's eye height.
    bool ok = WriteBoxMesh(
        root, Slashes(kRadioMesh), "radio",
        {{{-0.06f, 0.0f, -0.06f}, {0.06f, 1.3f, 0.06f}, {post[0], post[1], post[2]}, "demo_wood.tga"},
         {{-0.2f, 1.3f, -0.25f}, {0.2f, 1.9f, 0.25f}, {body[0], body[1], body[2]}, "demo_wood.tga"},
         {{0.2f, 1.45f, -0.18f}, {0.22f, 1.75f, 0.18f}, {grille[0], grille[1], grille[2]}, "demo_wood.tga"}});
    ok = WriteTextFile(root, kDialogues, DialogueScript()) && ok;
    ok = WriteTextFile(root, kHeroDialogues, HeroDialogueScript()) && ok;
    for (const Voice& v : kVoices)
        ok = WriteDataFile(root, std::string(kVoiceFolder) + v.label + ".wav",
                           Tone(v.hertz, kLineSeconds, 0.02)) &&
             ok;
    // The chatter: line n in the low voices' range, each take a little apart.
    const char takes[] = {'a', 'b', 'c'};
    for (int line = 1; line <= DEMO_CHATTER_LINES; ++line)
        for (int t = 0; t < 3; ++t)
            ok = WriteDataFile(root, ChatterFile(line, takes[t]),
                               Tone(DEMO_CHATTER_HERTZ + 10.0 * line + 3.0 * t, kChatterSeconds, 0.08)) &&
                 ok;
    return ok;
}

std::vector<std::string> DemoDialogueFiles()
{
    std::vector<std::string> files = {kRadioMesh, kDialogues, kHeroDialogues};
    for (const Voice& v : kVoices)
        files.push_back(std::string(kVoiceFolder) + v.label + ".wav");
    const char takes[] = {'a', 'b', 'c'};
    for (int line = 1; line <= DEMO_CHATTER_LINES; ++line)
        for (char t : takes)
            files.push_back(ChatterFile(line, t));
    return files;
}
} // namespace worldgen
