// The demo world's intro cut-scene: an invisible guide figure whose bones
// carry the camera, the actors' places and the voice; the scene script with
// two phases (a fade from black while the voice speaks its subtitle, then a
// pan during which the townsman fires a tracer and the screen fades out);
// the crate it borrows from the world, the object whose actions mark the
// scene as seen, the voice tone and the townsman's muzzle socket.
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "tools/skingen/BoxFigure.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace worldgen
{
namespace
{
constexpr float kPi = 3.14159265f;
constexpr double kKeysPerSecond = 30.0;
constexpr const char* kGuideFolder = "models/demo_guide";
constexpr const char* kGuideModel = "models/demo_guide/demo_guide.x";
constexpr const char* kScript = "scripts/cutscenes/demo_intro.txt";
constexpr const char* kVoice = "voices/dialogues/demo_intro_01.wav";
constexpr const char* kTownsmanSockets = "models/demo_townsman/sockets.txt";
constexpr const char* kCrateMesh = "meshes\\demo\\crate.x";
// Where the guide stands: on the ground between the hero's start and the townsfolk.
constexpr float kGuideAt[3] = {-18.0f, 0.25f, -4.0f};
constexpr float kCrateAt[3] = {-19.0f, 0.0f, -8.0f};
constexpr double kPhaseSeconds = 3.0;

// The guide: a root with a speck of a box (a model needs a mesh), and one
// bone per socket. The camera bones face back along -z, at the actors.
const std::vector<boxfigure::BoxBone>& GuideBones()
{
    static const std::vector<boxfigure::BoxBone> bones = {
        {"guide_root", -1, 0, 0, 0, {-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f}},
        {"guide_camera", 0, 0, 1.7f, 3.0f, {0, 0, 0}, {0, 0, 0}},
        {"guide_camera2", 0, -3.0f, 2.5f, 0.5f, {0, 0, 0}, {0, 0, 0}},
        {"guide_actor0", 0, 2.0f, 0, -3.0f, {0, 0, 0}, {0, 0, 0}},
        {"guide_actor1", 0, -1.0f, 0, -4.0f, {0, 0, 0}, {0, 0, 0}},
        {"guide_voice", 0, 2.0f, 1.6f, -3.0f, {0, 0, 0}, {0, 0, 0}},
    };
    return bones;
}

// A bone's place and turn (yaw about y) at time t.
struct Key
{
    float x, y, z, yaw;
};
using Motion = std::function<Key(const boxfigure::BoxBone& bone, double t)>;

BinaContent Animate(double length, const Motion& motion)
{
    BinaContent c;
    c.dKeyTimeScale = kKeysPerSecond;
    c.dLength = length;
    const int keys = static_cast<int>(std::lround(length * kKeysPerSecond));
    for (const boxfigure::BoxBone& b : GuideBones())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        for (int k = 0; k <= keys; ++k)
        {
            const Key key = motion(b, static_cast<double>(k) / kKeysPerSecond);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, key.yaw, 0.0f, 0.0f);
            track.fTimeTranslation.push_back(static_cast<float>(k));
            track.vTranslation.push_back(D3DXVECTOR3(key.x, key.y, key.z));
            track.fTimeRotation.push_back(static_cast<float>(k));
            track.qRotation.push_back(q);
        }
        c.nodes.push_back(track);
    }
    return c;
}

bool IsCamera(const boxfigure::BoxBone& b)
{
    return std::string(b.name).rfind("guide_camera", 0) == 0;
}

// The first phase: the camera slides across, left to right, facing the actors.
BinaContent Fly()
{
    return Animate(kPhaseSeconds,
                   [](const boxfigure::BoxBone& b, double t)
                   {
                       const float u = static_cast<float>(t / kPhaseSeconds);
                       if (std::string(b.name) == "guide_camera")
                           return Key{b.x - 1.5f + 3.0f * u, b.y, b.z, kPi};
                       return Key{b.x, b.y, b.z, IsCamera(b) ? kPi * 0.8f : 0.0f};
                   });
}

// The second: the camera comes closer and turns toward the townsman.
BinaContent Pan()
{
    return Animate(kPhaseSeconds,
                   [](const boxfigure::BoxBone& b, double t)
                   {
                       const float u = static_cast<float>(t / kPhaseSeconds);
                       if (std::string(b.name) == "guide_camera")
                           return Key{b.x + 1.5f * u, b.y, b.z - 1.5f * u, kPi - 0.35f * u};
                       return Key{b.x, b.y, b.z, IsCamera(b) ? kPi * 0.8f : 0.0f};
                   });
}

SkinModelDesc GuideModel()
{
    SkinModelDesc desc = boxfigure::Model(GuideBones());
    desc.mesh.materials = {tk::xfile::XMaterialDesc()};
    desc.mesh.materials[0].texture = "demo_roof.tga";
    return desc;
}

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string ScriptText()
{
    const std::string eol = "\r\n";
    std::string s;
    for (const std::string& line : {
             std::string("// The demo level's intro: typed as \"CutScene intro\" into the console."),
             std::string("scene ") + DEMO_INTRO_SCENE,
             std::string("model models\\demo_guide\\demo_guide.x"),
             std::string("actor0 models\\demo_townsman\\demo_townsman.x"),
             std::string("actor1 ") + DEMO_INTRO_CRATE,
             std::string("bron0 AW"),
             std::string("first_phase start"),
             std::string("action_on_end ") + DEMO_INTRO_END,
             std::string("phase start"),
             std::string("anim fly"),
             "pos_x " + Number(kGuideAt[0]),
             "pos_y " + Number(kGuideAt[1]),
             "pos_z " + Number(kGuideAt[2]),
             std::string("socket_camera kamera"),
             std::string("socket_actor0 aktor0"),
             std::string("socket_actor1 aktor1"),
             std::string("anim_actor0 idle"),
             std::string("fade_in 0 1.5"),
             std::string("voice voices\\Dialogues\\demo_intro_01.wav glos 0.3"),
             std::string("subtitle demo_intro_01 0.3"),
             "time " + Number(static_cast<float>(kPhaseSeconds)),
             std::string("next_phase talk"),
             std::string("phase talk"),
             std::string("anim pan"),
             "pos_x " + Number(kGuideAt[0]),
             "pos_y " + Number(kGuideAt[1]),
             "pos_z " + Number(kGuideAt[2]),
             std::string("socket_camera kamera"),
             std::string("socket_actor0 aktor0"),
             std::string("anim_actor0 walk"),
             std::string("shoot 0 0.5 muzzle"),
             std::string("AFX smoke_puff aktor1 0.2"),
             std::string("camera_jump_to kamera2 1.5"),
             std::string("fade_out 2 1"),
             "time " + Number(static_cast<float>(kPhaseSeconds)),
         })
        s += line + eol;
    return s;
}

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

// The voice: two rising notes over a second, mono 16-bit, faded at the ends.
std::string VoiceTone()
{
    constexpr int kRate = 11025;
    constexpr int kSamples = kRate;
    std::string data;
    double phase = 0.0;
    for (int i = 0; i < kSamples; ++i)
    {
        const double t = static_cast<double>(i) / kSamples;
        const double hertz = t < 0.5 ? DEMO_INTRO_VOICE_HERTZ : DEMO_INTRO_VOICE_HERTZ * 1.5;
        phase += 2.0 * 3.14159265358979 * hertz / kRate;
        const double fade = std::fmin(1.0, std::fmin(t, 1.0 - t) * 20.0);
        PutU16(data,
               static_cast<uint16_t>(static_cast<int16_t>(std::lround(16000.0 * fade * std::sin(phase)))));
    }
    std::string wave = "RIFF";
    PutU32(wave, static_cast<uint32_t>(36 + data.size()));
    wave += "WAVEfmt ";
    PutU32(wave, 16);
    PutU16(wave, 1);
    PutU16(wave, 1);
    PutU32(wave, kRate);
    PutU32(wave, kRate * 2);
    PutU16(wave, 2);
    PutU16(wave, 16);
    wave += "data";
    PutU32(wave, static_cast<uint32_t>(data.size()));
    return wave + data;
}

constexpr const char* kAnimationParams = "standard_params 0 0 0 1 0 0\n";
} // namespace

void AddDemoCutScene(std::vector<DemoObject>& objects)
{
    // The prop the intro borrows: it stays hidden once the scene is over.
    objects.push_back(MeshAt(DEMO_INTRO_CRATE, kCrateMesh, kCrateAt[0], kCrateAt[1], kCrateAt[2]));
    // Run at the intro's end: it marks the intro as seen. The hero cannot use it.
    objects.push_back(
        MeshAt(DEMO_INTRO_END, DEMO_MARKER_MESH, kGuideAt[0], -5.0f, kGuideAt[2],
               {"flags 0", "action_general_opt 1 0", std::string("action_default_set ") + DEMO_INTRO_DONE,
                // Every other run takes the destination's keys.
                std::string("action_dest_set ") + DEMO_INTRO_DONE}));
}

bool WriteDemoCutScene(const std::filesystem::path& root)
{
    const std::vector<std::string> files = DemoCutSceneFiles();
    std::error_code ec;
    std::filesystem::create_directories(root / kGuideFolder / "animations", ec);
    bool ok =
        WriteSkinModelFile((root / kGuideModel).string().c_str(), GuideModel(), tk::xfile::XFormat::Text);
    ok = bina::WriteFile((root / kGuideFolder / "animations/fly_DEFAULT.bin").string().c_str(), Fly()) && ok;
    ok = bina::WriteFile((root / kGuideFolder / "animations/pan.bin").string().c_str(), Pan()) && ok;
    ok = WriteTextFile(root, std::string(kGuideFolder) + "/animations/animations_desc.txt",
                       "fly 0 0 0 1 0 0\npan 0 0 0 1 0 0\n") &&
         ok;
    ok = WriteTextFile(root, std::string(kGuideFolder) + "/animations/fly.txt", kAnimationParams) && ok;
    ok = WriteTextFile(root, std::string(kGuideFolder) + "/animations/pan.txt", kAnimationParams) && ok;
    ok = WriteTextFile(root, std::string(kGuideFolder) + "/sockets.txt",
                       "kamera guide_camera 0 0 0 0 0 0\nkamera2 guide_camera2 0 0 0 0 0 0\n"
                       "aktor0 guide_actor0 0 0 0 0 0 0\naktor1 guide_actor1 0 0 0 0 0 0\n"
                       "glos guide_voice 0 0 0 0 0 0\n") &&
         ok;
    // The townsman's right hand, where a cut-scene's shots leave from.
    ok = WriteTextFile(root, kTownsmanSockets, "muzzle Bip01_R_Forearm 0 -0.3 0.05 0 0 0\n") && ok;
    ok = WriteTextFile(root, kScript, ScriptText()) && ok;
    ok = WriteDataFile(root, kVoice, VoiceTone()) && ok;
    return ok;
}

std::vector<std::string> DemoCutSceneFiles()
{
    const std::string g = kGuideFolder;
    return {kGuideModel,
            g + "/animations/fly_DEFAULT.bin",
            g + "/animations/pan.bin",
            g + "/animations/animations_desc.txt",
            g + "/animations/fly.txt",
            g + "/animations/pan.txt",
            g + "/sockets.txt",
            kTownsmanSockets,
            kScript,
            kVoice};
}
} // namespace worldgen
