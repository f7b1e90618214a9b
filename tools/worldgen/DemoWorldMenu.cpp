// What the menu needs from the data tree: the figure that stands behind the
// menu pages ("models\postacie\hero\hero.x", a box figure in metres with the
// looping stance "stoi_slucha2" and the hand socket "ak47_prawa"), the rifle
// it holds ("prefabs\bronie_static\ak_low.x"), and the demo world under the
// name New Game starts ("worlds\l01.w", with its paths and its level and
// mission scripts bound to that name).
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "platform/win32/Path.h"
#include "tools/skingen/BoxFigure.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace worldgen
{
namespace
{
constexpr const char* kFolder = "models/postacie/hero";
constexpr const char* kModel = "models/postacie/hero/hero.x";
constexpr const char* kDesc = "models/postacie/hero/animations/animations_desc.txt";
constexpr const char* kStance = "models/postacie/hero/animations/stoi_slucha2_DEFAULT.bin";
constexpr const char* kStanceParams = "models/postacie/hero/animations/stoi_slucha2.txt";
constexpr const char* kSockets = "models/postacie/hero/sockets.txt";
constexpr const char* kCollisions = "models/postacie/hero/collisions.txt";
constexpr const char* kRifle = "prefabs/bronie_static/ak_low.x";
constexpr const char* kNewGameWorld = "worlds/l01.w";
constexpr const char* kNewGamePaths = "worlds/l01.bzr";
constexpr const char* kNewGameGraph = "worlds/l01.w.pth";
constexpr const char* kNewGameGenerators = "worlds/l01.w.gen";
constexpr const char* kNewGameLevelScript = "scripts/ai/l01.txt";
constexpr const char* kNewGameMission = "scripts/quests/l01.txt";
constexpr double kKeysPerSecond = 30.0;
constexpr double kBreath = 3.0;
constexpr float kPi = 3.14159265f;

const std::vector<boxfigure::BoxBone>& Bones()
{
    static const std::vector<boxfigure::BoxBone> bones = {
        {"Bip01", -1, 0, 0.95f, 0, {-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f}},
        {"Bip01_Pelvis", 0, 0, 0, 0, {-0.17f, -0.1f, -0.1f}, {0.17f, 0.05f, 0.1f}},
        {"Bip01_Spine", 1, 0, 0.05f, 0, {-0.16f, 0, -0.09f}, {0.16f, 0.2f, 0.09f}},
        {"Bip01_Spine1", 2, 0, 0.2f, 0, {-0.19f, 0, -0.11f}, {0.19f, 0.26f, 0.11f}},
        {"Bip01_Neck", 3, 0, 0.26f, 0, {-0.05f, 0, -0.05f}, {0.05f, 0.06f, 0.05f}},
        {"Bip01_Head", 4, 0, 0.06f, 0, {-0.1f, 0, -0.11f}, {0.1f, 0.24f, 0.11f}},
        {"Bip01_L_UpperArm", 3, -0.25f, 0.23f, 0, {-0.05f, -0.3f, -0.05f}, {0.05f, 0, 0.05f}},
        {"Bip01_L_Forearm", 6, 0, -0.3f, 0, {-0.045f, -0.28f, -0.045f}, {0.045f, 0, 0.045f}},
        {"Bip01_L_Hand", 7, 0, -0.28f, 0, {-0.04f, -0.09f, -0.025f}, {0.04f, 0, 0.025f}},
        {"Bip01_R_UpperArm", 3, 0.25f, 0.23f, 0, {-0.05f, -0.3f, -0.05f}, {0.05f, 0, 0.05f}},
        {"Bip01_R_Forearm", 9, 0, -0.3f, 0, {-0.045f, -0.28f, -0.045f}, {0.045f, 0, 0.045f}},
        {"Bip01_R_Hand", 10, 0, -0.28f, 0, {-0.04f, -0.09f, -0.025f}, {0.04f, 0, 0.025f}},
        {"Bip01_L_Thigh", 1, -0.1f, -0.05f, 0, {-0.07f, -0.42f, -0.07f}, {0.07f, 0, 0.07f}},
        {"Bip01_L_Calf", 12, 0, -0.42f, 0, {-0.06f, -0.4f, -0.06f}, {0.06f, 0, 0.06f}},
        {"Bip01_L_Foot", 13, 0, -0.4f, 0, {-0.05f, -0.08f, -0.06f}, {0.05f, 0, 0.16f}},
        {"Bip01_R_Thigh", 1, 0.1f, -0.05f, 0, {-0.07f, -0.42f, -0.07f}, {0.07f, 0, 0.07f}},
        {"Bip01_R_Calf", 15, 0, -0.42f, 0, {-0.06f, -0.4f, -0.06f}, {0.06f, 0, 0.06f}},
        {"Bip01_R_Foot", 16, 0, -0.4f, 0, {-0.05f, -0.08f, -0.06f}, {0.05f, 0, 0.16f}},
    };
    return bones;
}

// A bone's turn in the stance at time t: pitch (about x; negative swings a
// hanging limb forward), roll (about z) and yaw.
struct Turn
{
    float pitch = 0.0f, roll = 0.0f, yaw = 0.0f;
};

// Standing at ease, listening: the rifle held low across the body in both
// hands, the weight on one leg, breathing, the head turning a little.
Turn Stance(const char* bone, double t)
{
    const float s = static_cast<float>(std::sin(2.0 * kPi * t / kBreath));
    const float slow = static_cast<float>(std::sin(kPi * t / kBreath));
    Turn turn;
    const auto is = [bone](const char* name) { return std::strcmp(bone, name) == 0; };
    if (is("Bip01_Pelvis"))
        turn.roll = 0.04f;
    else if (is("Bip01_Spine1"))
        turn.pitch = 0.03f * s;
    else if (is("Bip01_Head"))
    {
        turn.yaw = 0.18f * slow;
        turn.pitch = 0.05f;
    }
    else if (is("Bip01_R_UpperArm"))
    {
        turn.pitch = -0.3f - 0.02f * s;
        turn.roll = 0.12f;
    }
    else if (is("Bip01_R_Forearm"))
        turn.pitch = -1.15f;
    else if (is("Bip01_L_UpperArm"))
    {
        turn.pitch = -0.55f - 0.02f * s;
        turn.roll = 0.35f;
    }
    else if (is("Bip01_L_Forearm"))
    {
        turn.pitch = -1.0f;
        turn.yaw = 0.5f;
    }
    else if (is("Bip01_L_Thigh"))
        turn.roll = -0.06f;
    else if (is("Bip01_R_Thigh"))
        turn.pitch = -0.08f;
    return turn;
}

BinaContent StanceAnimation()
{
    BinaContent c;
    c.dKeyTimeScale = kKeysPerSecond;
    c.dLength = kBreath * 2.0;
    const int keys = static_cast<int>(std::lround(c.dLength * kKeysPerSecond));
    for (const boxfigure::BoxBone& b : Bones())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        for (int k = 0; k <= keys; ++k)
        {
            const double t = static_cast<double>(k) / kKeysPerSecond;
            const Turn turn = Stance(b.name, t);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, turn.yaw, turn.pitch, turn.roll);
            track.fTimeTranslation.push_back(static_cast<float>(k));
            track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y, b.z));
            track.fTimeRotation.push_back(static_cast<float>(k));
            track.qRotation.push_back(q);
        }
        c.nodes.push_back(track);
    }
    return c;
}

SkinModelDesc Figure()
{
    SkinModelDesc desc = boxfigure::Model(Bones());
    desc.mesh.name = "hero";
    tk::xfile::XMaterialDesc material;
    material.diffuse[0] = 0.42f;
    material.diffuse[1] = 0.45f;
    material.diffuse[2] = 0.36f;
    // A texture of the bundled data: a figure whose texture is missing would stop the game.
    material.texture = "demo_plaster.tga";
    desc.mesh.materials = {material};
    return desc;
}

constexpr const char* kHitZones =
    "sphere head\nnode_name Bip01_Head\nradius 0.14\nhit_zone_name head\n"
    "cylinder torso\nstart_node_name Bip01_Pelvis\nfinish_node_name Bip01_Neck\n"
    "thickness 0.2\nhit_zone_name body\n";

// The rifle lies along the hand's -y (the way the forearm points), the
// magazine under it (-z), the grip at the origin.
std::vector<DemoBox> Rifle()
{
    const float metal[3] = {0.18f, 0.18f, 0.2f};
    const float wood[3] = {0.45f, 0.28f, 0.14f};
    return {
        {{-0.025f, -0.42f, -0.03f}, {0.025f, 0.0f, 0.035f}, {metal[0], metal[1], metal[2]}, "demo_iron.tga"},
        {{-0.012f, -0.78f, -0.0f}, {0.012f, -0.42f, 0.025f}, {metal[0], metal[1], metal[2]}, "demo_iron.tga"},
        {{-0.02f, -0.36f, -0.19f}, {0.02f, -0.27f, -0.03f}, {metal[0], metal[1], metal[2]}, "demo_iron.tga"},
        {{-0.022f, 0.0f, -0.06f}, {0.022f, 0.26f, 0.03f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
        {{-0.022f, -0.58f, -0.035f}, {0.022f, -0.42f, 0.03f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
    };
}

bool ReadWhole(const std::filesystem::path& file, std::string* out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    *out = text.str();
    return true;
}

// The demo world's file, copied under another name, with every mention of
// the demo world's name in it replaced.
bool CopyRenamed(const std::filesystem::path& root, const char* from, const char* to,
                 const std::string& oldName, const std::string& newName)
{
    std::string text;
    if (!ReadWhole(root / from, &text))
        return false;
    for (size_t at = text.find(oldName); at != std::string::npos;
         at = text.find(oldName, at + newName.size()))
        text.replace(at, oldName.size(), newName);
    return WriteTextFile(root, to, text);
}

// The level script under the second name without its variable declarations:
// the variables are the game's, not a level's, and are already declared by the
// first name's script (a counter or an integer declared twice would be two).
bool CopyLevelScriptActions(const std::filesystem::path& root, const char* from, const char* to,
                            const std::string& oldName, const std::string& newName)
{
    if (!CopyRenamed(root, from, to, oldName, newName))
        return false;
    std::string text, kept;
    if (!ReadWhole(root / to, &text))
        return false;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        const std::string word = line.substr(0, line.find_first_of(" \t\r\n"));
        if (word != "bool" && word != "counter" && word != "licznik" && word != "int")
            kept += line;
        start = end;
    }
    return WriteTextFile(root, to, kept);
}
} // namespace

bool WriteMenuFiles(const std::filesystem::path& root)
{
    std::error_code ec;
    std::filesystem::create_directories(root / kFolder / "animations", ec);
    bool ok = WriteSkinModelFile((root / kModel).string().c_str(), Figure(), tk::xfile::XFormat::Text);
    ok = WriteTextFile(root, kDesc, "stoi_slucha2 0 0 0 1 0 0\n") && ok;
    ok = WriteTextFile(root, kStanceParams, "standard_params 0 0 0 1 0 0\n") && ok;
    ok = bina::WriteFile((root / kStance).string().c_str(), StanceAnimation()) && ok;
    ok = WriteTextFile(root, kSockets, "ak47_prawa Bip01_R_Hand 0 -0.05 0 0 0 0\n") && ok;
    ok = WriteTextFile(root, kCollisions, kHitZones) && ok;
    ok = WriteBoxMesh(root, kRifle, "ak_low", Rifle()) && ok;

    // New Game starts "worlds\l01.w": the demo world under that name, with
    // its own companion files.
    const std::string oldWorld = "worlds\\level01.w", newWorld = "worlds\\l01.w";
    ok = CopyRenamed(root, "worlds/level01.w", kNewGameWorld, oldWorld, newWorld) && ok;
    ok = CopyRenamed(root, "worlds/level01.bzr", kNewGamePaths, oldWorld, newWorld) && ok;
    ok = CopyRenamed(root, "worlds/level01.w.pth", kNewGameGraph, oldWorld, newWorld) && ok;
    ok = CopyRenamed(root, "worlds/level01.w.gen", kNewGameGenerators, oldWorld, newWorld) && ok;
    ok =
        CopyLevelScriptActions(root, "scripts/ai/level01.txt", kNewGameLevelScript, oldWorld, newWorld) && ok;
    ok = CopyRenamed(root, "scripts/quests/level01.txt", kNewGameMission, oldWorld, newWorld) && ok;
    return ok;
}

std::vector<std::string> MenuFiles()
{
    return {
        kModel,         kDesc,         kStance,       kStanceParams, kSockets,           kCollisions,
        kRifle,         kNewGameWorld, kNewGamePaths, kNewGameGraph, kNewGameGenerators, kNewGameLevelScript,
        kNewGameMission};
}
} // namespace worldgen
