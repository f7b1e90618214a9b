// The townsfolk of the demo world: skinned figures of boxes on a "Bip01"
// skeleton (in metres, feet at the origin) that stand breathing or walk on
// the spot near the camera's start. A model starts the animation whose file
// ends in "_DEFAULT.bin", so the standing and the walking figure are two
// models with the same skeleton and boxes.
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "tools/skingen/BoxFigure.h"
#include "platform/win32/Path.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace worldgen
{
namespace
{
constexpr float kPi = 3.14159265f;
constexpr double kKeysPerSecond = 30.0;
constexpr const char* kTexture = "demo_roof.tga";
// Where the figures stand: on the ground between the camera's start and the crate.
constexpr float kGroundTop = 0.25f;

using FigureBone = boxfigure::BoxBone;

const std::vector<FigureBone>& Bones()
{
    static const std::vector<FigureBone> bones = {
        {"Bip01", -1, 0, 0.95f, 0, {-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f}},
        {"Bip01_Pelvis", 0, 0, 0, 0, {-0.17f, -0.1f, -0.1f}, {0.17f, 0.05f, 0.1f}},
        {"Bip01_Spine", 1, 0, 0.05f, 0, {-0.16f, 0, -0.09f}, {0.16f, 0.2f, 0.09f}},
        {"Bip01_Spine1", 2, 0, 0.2f, 0, {-0.19f, 0, -0.1f}, {0.19f, 0.26f, 0.1f}},
        {"Bip01_Neck", 3, 0, 0.26f, 0, {-0.05f, 0, -0.05f}, {0.05f, 0.06f, 0.05f}},
        {"Bip01_Head", 4, 0, 0.06f, 0, {-0.1f, 0, -0.11f}, {0.1f, 0.24f, 0.11f}},
        {"Bip01_L_UpperArm", 3, -0.25f, 0.23f, 0, {-0.05f, -0.3f, -0.05f}, {0.05f, 0, 0.05f}},
        {"Bip01_L_Forearm", 6, 0, -0.3f, 0, {-0.045f, -0.28f, -0.045f}, {0.045f, 0, 0.045f}},
        {"Bip01_R_UpperArm", 3, 0.25f, 0.23f, 0, {-0.05f, -0.3f, -0.05f}, {0.05f, 0, 0.05f}},
        {"Bip01_R_Forearm", 8, 0, -0.3f, 0, {-0.045f, -0.28f, -0.045f}, {0.045f, 0, 0.045f}},
        {"Bip01_L_Thigh", 1, -0.1f, -0.05f, 0, {-0.07f, -0.42f, -0.07f}, {0.07f, 0, 0.07f}},
        {"Bip01_L_Calf", 10, 0, -0.42f, 0, {-0.06f, -0.4f, -0.06f}, {0.06f, 0, 0.06f}},
        {"Bip01_L_Foot", 11, 0, -0.4f, 0, {-0.05f, -0.08f, -0.06f}, {0.05f, 0, 0.16f}},
        {"Bip01_R_Thigh", 1, 0.1f, -0.05f, 0, {-0.07f, -0.42f, -0.07f}, {0.07f, 0, 0.07f}},
        {"Bip01_R_Calf", 13, 0, -0.42f, 0, {-0.06f, -0.4f, -0.06f}, {0.06f, 0, 0.06f}},
        {"Bip01_R_Foot", 14, 0, -0.4f, 0, {-0.05f, -0.08f, -0.06f}, {0.05f, 0, 0.16f}},
    };
    return bones;
}

SkinModelDesc Model()
{
    SkinModelDesc desc = boxfigure::Model(Bones());
    desc.mesh.materials = {tk::xfile::XMaterialDesc()};
    desc.mesh.materials[0].texture = kTexture;
    return desc;
}

// A bone's turn (pitch about x, roll about z, in radians) and the root's lift at time t.
struct Turn
{
    float pitch = 0.0f, roll = 0.0f, lift = 0.0f;
};
using Pose = std::function<Turn(const char* bone, double t)>;

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

bool WriteText(const std::filesystem::path& root, const std::string& relative, const std::string& text)
{
    FILE* f = TkFopen((root / relative).string().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool Is(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

BinaContent Animate(double length, const Pose& pose)
{
    BinaContent c;
    c.dKeyTimeScale = kKeysPerSecond;
    c.dLength = length;
    const int keys = static_cast<int>(std::lround(length * kKeysPerSecond));
    for (const FigureBone& b : Bones())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        for (int k = 0; k <= keys; ++k)
        {
            const double t = static_cast<double>(k) / kKeysPerSecond;
            const Turn turn = pose(b.name, t);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, turn.pitch, turn.roll);
            track.fTimeTranslation.push_back(static_cast<float>(k));
            track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y + turn.lift, b.z));
            track.fTimeRotation.push_back(static_cast<float>(k));
            track.qRotation.push_back(q);
        }
        c.nodes.push_back(track);
    }
    return c;
}

BinaContent Idle()
{
    constexpr double kBreath = 2.0;
    return Animate(kBreath,
                   [](const char* bone, double t)
                   {
                       const float s = static_cast<float>(std::sin(2.0 * kPi * t / kBreath));
                       Turn turn;
                       if (Is(bone, "Bip01_Spine1"))
                           turn.pitch = 0.04f * s;
                       else if (Is(bone, "Bip01_Head"))
                           turn.roll = 0.08f * s;
                       else if (Is(bone, "Bip01_L_UpperArm"))
                           turn.roll = -0.05f - 0.03f * s;
                       else if (Is(bone, "Bip01_R_UpperArm"))
                           turn.roll = 0.05f + 0.03f * s;
                       return turn;
                   });
}

BinaContent Walk()
{
    constexpr double kStride = 1.0;
    return Animate(kStride,
                   [](const char* bone, double t)
                   {
                       const float phase = static_cast<float>(2.0 * kPi * t / kStride);
                       const float s = std::sin(phase);
                       Turn turn;
                       if (Is(bone, "Bip01"))
                           turn.lift = 0.03f * std::fabs(std::cos(phase));
                       else if (Is(bone, "Bip01_L_Thigh"))
                           turn.pitch = -0.45f * s;
                       else if (Is(bone, "Bip01_R_Thigh"))
                           turn.pitch = 0.45f * s;
                       else if (Is(bone, "Bip01_L_Calf"))
                           turn.pitch = 0.5f * std::max(0.0f, s);
                       else if (Is(bone, "Bip01_R_Calf"))
                           turn.pitch = 0.5f * std::max(0.0f, -s);
                       else if (Is(bone, "Bip01_L_UpperArm"))
                           turn.pitch = 0.4f * s;
                       else if (Is(bone, "Bip01_R_UpperArm"))
                           turn.pitch = -0.4f * s;
                       else if (Is(bone, "Bip01_L_Forearm") || Is(bone, "Bip01_R_Forearm"))
                           turn.pitch = -0.3f;
                       return turn;
                   });
}

struct FigureModel
{
    const char* folder;      // under the data tree, with slashes
    const char* file;        // the model, as the world file names it
    const char* defaultName; // the animation each figure of the model starts
    const char* otherName;   // the model's other animation
};

constexpr FigureModel kStanding = {"models/demo_townsman", "models\\demo_townsman\\demo_townsman.x", "idle",
                                   "walk"};
constexpr FigureModel kWalking = {"models/demo_walker", "models\\demo_walker\\demo_walker.x", "walk", "idle"};

// Where a shot hits a figure; they also give the figure its bounds.
constexpr const char* kHitZones =
    "sphere head\nnode_name Bip01_Head\nradius 0.14\nhit_zone_name head\n"
    "cylinder torso\nstart_node_name Bip01_Pelvis\nfinish_node_name Bip01_Neck\n"
    "thickness 0.2\nhit_zone_name body\n"
    "cylinder arm_l\nstart_node_name Bip01_L_UpperArm\n"
    "finish_node_name Bip01_L_Forearm\nthickness 0.06\nhit_zone_name arm_l\n"
    "cylinder arm_r\nstart_node_name Bip01_R_UpperArm\n"
    "finish_node_name Bip01_R_Forearm\nthickness 0.06\nhit_zone_name arm_r\n"
    "cylinder leg_l\nstart_node_name Bip01_L_Thigh\nfinish_node_name Bip01_L_Foot\n"
    "thickness 0.08\nhit_zone_name leg_l\n"
    "cylinder leg_r\nstart_node_name Bip01_R_Thigh\nfinish_node_name Bip01_R_Foot\n"
    "thickness 0.08\nhit_zone_name leg_r\n";

BinaContent AnimationNamed(const char* name)
{
    return Is(name, "walk") ? Walk() : Idle();
}

std::string Folder(const FigureModel& m, const char* file)
{
    return std::string(m.folder) + "/" + file;
}

std::vector<std::string> ModelFiles(const FigureModel& m)
{
    const std::string name = std::strrchr(m.folder, '/') + 1;
    return {Folder(m, (name + ".x").c_str()),
            Folder(m, "collisions.txt"),
            Folder(m, "animations/animations_desc.txt"),
            Folder(m, (std::string("animations/") + m.defaultName + "_DEFAULT.bin").c_str()),
            Folder(m, (std::string("animations/") + m.otherName + ".bin").c_str()),
            Folder(m, (std::string("animations/") + m.defaultName + ".txt").c_str()),
            Folder(m, (std::string("animations/") + m.otherName + ".txt").c_str())};
}

// Each animation's own parameters, read when the model loads it: plain playback.
constexpr const char* kAnimationParams = "standard_params 0 0 0 1 0 0\n";

bool WriteModel(const std::filesystem::path& root, const FigureModel& m)
{
    const std::vector<std::string> files = ModelFiles(m);
    std::error_code ec;
    std::filesystem::create_directories(root / m.folder / "animations", ec);
    bool ok = WriteSkinModelFile((root / files[0]).string().c_str(), Model(), tk::xfile::XFormat::Text);
    ok = WriteText(root, files[1], kHitZones) && ok;
    const std::string desc = std::string(m.defaultName) + " 0 0 0 1 0 0\n" + m.otherName + " 0 0 0 1 0 0\n";
    ok = WriteText(root, files[2], desc) && ok;
    ok = bina::WriteFile((root / files[3]).string().c_str(), AnimationNamed(m.defaultName)) && ok;
    ok = bina::WriteFile((root / files[4]).string().c_str(), AnimationNamed(m.otherName)) && ok;
    ok = WriteText(root, files[5], kAnimationParams) && ok;
    ok = WriteText(root, files[6], kAnimationParams) && ok;
    return ok;
}

struct Placed
{
    const char* name;
    const FigureModel* model;
    float x, z;
    float yaw; // degrees
};

const Placed kFigures[] = {
    {"townsman_01", &kStanding, -15.0f, -8.0f, 200.0f},
    {"townsman_02", &kStanding, -13.8f, -8.6f, 250.0f},
    {"walker_01", &kWalking, -14.2f, -5.5f, 90.0f},
};
} // namespace

void AddDemoFigures(std::vector<DemoObject>& objects)
{
    for (const Placed& p : kFigures)
    {
        DemoObject o;
        o.kind = DemoObject::SkinMesh;
        o.name = p.name;
        o.file = p.model->file;
        o.x = p.x;
        o.y = kGroundTop;
        o.z = p.z;
        o.keys = {"rotation_angles 0 " + Number(p.yaw) + " 0"};
        objects.push_back(o);
    }
}

bool WriteDemoFigures(const std::filesystem::path& root)
{
    return WriteModel(root, kStanding) && WriteModel(root, kWalking);
}

std::vector<std::string> DemoFigureFiles()
{
    std::vector<std::string> files = ModelFiles(kStanding);
    for (const std::string& f : ModelFiles(kWalking))
        files.push_back(f);
    return files;
}
} // namespace worldgen
