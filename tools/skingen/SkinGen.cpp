// tk_skingen DATA_FOLDER: writes the bundled skinned figure and its animations.
//   models\hero\hero.x                      a 24-bone "Bip01" figure of skinned boxes (text)
//   models\hero\sockets.txt                 a weapon socket on the right hand, one over the head
//   models\hero\collisions.txt              hit zones: head, body, arms and legs
//   models\hero\animations\animations_desc.txt, *.txt   the animations' parameters
//   models\hero\animations\idle_DEFAULT.bin, walk.bin, run.bin, die.bin   BINA animations
// Every bone, box and key is computed here from the figure's measurements (inches, y up).
#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "tools/skingen/BoxFigure.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr float kPi = 3.14159265f;
constexpr double kTicksPerSecond = 4800.0;
constexpr int kKeysPerSecond = 30;

using BoneSpec = boxfigure::BoxBone;

// The figure: root at the hips, spine up, arms hanging from the clavicles, legs down to the toes.
const std::vector<BoneSpec>& Figure()
{
    static const std::vector<BoneSpec> bones = {
        {"Bip01", -1, 0, 38, 0, {0, 0, 0}, {0, 0, 0}},
        {"Bip01_Pelvis", 0, 0, 0, 0, {-7, -4, -4}, {7, 2, 4}},
        {"Bip01_Spine", 1, 0, 3, 0, {-6.5f, 0, -3.5f}, {6.5f, 8, 3.5f}},
        {"Bip01_Spine1", 2, 0, 8, 0, {-7, 0, -4}, {7, 8, 4}},
        {"Bip01_Spine2", 3, 0, 8, 0, {-8, 0, -4.5f}, {8, 7, 4.5f}},
        {"Bip01_Neck", 4, 0, 7, 0, {-1.5f, 0, -1.5f}, {1.5f, 3, 1.5f}},
        {"Bip01_Head", 5, 0, 3, 0, {-3.5f, 0, -4}, {3.5f, 9, 4}},
        {"Bip01_HeadNub", 6, 0, 9, 0, {0, 0, 0}, {0, 0, 0}},
        {"Bip01_L_Clavicle", 5, -2, 0, 0, {-6, -1.5f, -1.5f}, {0, 1.5f, 1.5f}},
        {"Bip01_L_UpperArm", 8, -7, 0, 0, {-2, -11, -2}, {2, 0, 2}},
        {"Bip01_L_Forearm", 9, 0, -11, 0, {-1.75f, -10, -1.75f}, {1.75f, 0, 1.75f}},
        {"Bip01_L_Hand", 10, 0, -10, 0, {-1.5f, -6, -1}, {1.5f, 0, 1}},
        {"Bip01_R_Clavicle", 5, 2, 0, 0, {0, -1.5f, -1.5f}, {6, 1.5f, 1.5f}},
        {"Bip01_R_UpperArm", 12, 7, 0, 0, {-2, -11, -2}, {2, 0, 2}},
        {"Bip01_R_Forearm", 13, 0, -11, 0, {-1.75f, -10, -1.75f}, {1.75f, 0, 1.75f}},
        {"Bip01_R_Hand", 14, 0, -10, 0, {-1.5f, -6, -1}, {1.5f, 0, 1}},
        {"Bip01_L_Thigh", 1, -4, -2, 0, {-2.75f, -17, -2.75f}, {2.75f, 0, 2.75f}},
        {"Bip01_L_Calf", 16, 0, -17, 0, {-2.25f, -16, -2.25f}, {2.25f, 0, 2.25f}},
        {"Bip01_L_Foot", 17, 0, -16, 0, {-2, -3, -2.5f}, {2, 0, 5}},
        {"Bip01_L_Toe0", 18, 0, -2, 5, {-2, -1, 0}, {2, 0, 3}},
        {"Bip01_R_Thigh", 1, 4, -2, 0, {-2.75f, -17, -2.75f}, {2.75f, 0, 2.75f}},
        {"Bip01_R_Calf", 20, 0, -17, 0, {-2.25f, -16, -2.25f}, {2.25f, 0, 2.25f}},
        {"Bip01_R_Foot", 21, 0, -16, 0, {-2, -3, -2.5f}, {2, 0, 5}},
        {"Bip01_R_Toe0", 22, 0, -2, 5, {-2, -1, 0}, {2, 0, 3}},
    };
    return bones;
}

SkinModelDesc Model()
{
    SkinModelDesc desc = boxfigure::Model(Figure());
    desc.mesh.name = "hero";
    tk::xfile::XMaterialDesc material;
    material.diffuse[0] = 0.55f;
    material.diffuse[1] = 0.5f;
    material.diffuse[2] = 0.45f;
    // A texture of the bundled data: a figure whose texture is missing would stop the game.
    material.texture = "demo_plaster.tga";
    desc.mesh.materials = {material};
    return desc;
}

// The turn of a bone at time t (seconds): angles about X, Y and Z in radians.
using Pose = std::function<D3DXVECTOR3(const char* bone, double t)>;

BinaContent Animation(double length, const Pose& pose, const std::function<D3DXVECTOR3(double)>& rootOffset)
{
    BinaContent c;
    c.dKeyTimeScale = kTicksPerSecond;
    c.dLength = length;
    const int keys = static_cast<int>(std::ceil(length * kKeysPerSecond)) + 1;
    for (const BoneSpec& b : Figure())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        track.vDefaultTranslation = D3DXVECTOR3(b.x, b.y, b.z);
        const bool root = track.szName == std::string("Bip01");
        for (int k = 0; k < keys; ++k)
        {
            const double t = std::min(length, static_cast<double>(k) / kKeysPerSecond);
            const float time = static_cast<float>(t * kTicksPerSecond);
            const D3DXVECTOR3 a = pose(b.name, t);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, a.y, a.x, a.z);
            track.fTimeRotation.push_back(time);
            track.qRotation.push_back(q);
            if (root || k == 0)
            {
                track.fTimeTranslation.push_back(time);
                track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y, b.z) +
                                             (root ? rootOffset(t) : D3DXVECTOR3(0, 0, 0)));
            }
        }
        c.nodes.push_back(track);
    }
    return c;
}

bool Is(const char* a, const char* b)
{
    return std::string(a) == b;
}

// A walking or running cycle: legs and arms swing in opposite phases, knees bend on the way forward.
Pose Gait(double period, float swing, float bend)
{
    return [=](const char* bone, double t)
    {
        const float phase = static_cast<float>(2.0 * kPi * t / period);
        const float s = std::sin(phase);
        if (Is(bone, "Bip01_L_Thigh"))
            return D3DXVECTOR3(swing * s, 0, 0);
        if (Is(bone, "Bip01_R_Thigh"))
            return D3DXVECTOR3(-swing * s, 0, 0);
        if (Is(bone, "Bip01_L_Calf"))
            return D3DXVECTOR3(-bend * std::max(0.0f, -std::cos(phase)), 0, 0);
        if (Is(bone, "Bip01_R_Calf"))
            return D3DXVECTOR3(-bend * std::max(0.0f, std::cos(phase)), 0, 0);
        if (Is(bone, "Bip01_L_UpperArm"))
            return D3DXVECTOR3(-swing * 0.8f * s, 0, 0);
        if (Is(bone, "Bip01_R_UpperArm"))
            return D3DXVECTOR3(swing * 0.8f * s, 0, 0);
        if (Is(bone, "Bip01_L_Forearm") || Is(bone, "Bip01_R_Forearm"))
            return D3DXVECTOR3(-bend * 0.5f, 0, 0);
        return D3DXVECTOR3(0, 0, 0);
    };
}

bool WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::string GamePath(const std::filesystem::path& root, const std::string& relative)
{
    std::string path = (root / relative).string();
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: tk_skingen DATA_FOLDER\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::filesystem::path hero = root / "models" / "hero";
    std::filesystem::create_directories(hero / "animations");
    bool ok =
        WriteSkinModelFile(GamePath(root, "models/hero/hero.x").c_str(), Model(), tk::xfile::XFormat::Text);

    const float breath = 0.03f;
    const Pose idle = [=](const char* bone, double t)
    {
        const float s = static_cast<float>(std::sin(kPi * t));
        if (Is(bone, "Bip01_Spine1"))
            return D3DXVECTOR3(breath * s, 0, 0);
        if (Is(bone, "Bip01_Head"))
            return D3DXVECTOR3(0, 2 * breath * s, 0);
        return D3DXVECTOR3(0, 0, 0);
    };
    const auto still = [](double) { return D3DXVECTOR3(0, 0, 0); };
    const double walkPeriod = 1.0, runPeriod = 0.6, dieLength = 1.2;
    const auto bob = [](double period, float height)
    {
        return [=](double t) {
            return D3DXVECTOR3(0, height * static_cast<float>(std::fabs(std::sin(2.0 * kPi * t / period))),
                               0);
        };
    };
    const Pose die = [=](const char* bone, double t)
    {
        const float u = static_cast<float>(std::min(1.0, t / dieLength));
        if (Is(bone, "Bip01"))
            return D3DXVECTOR3(-0.5f * kPi * u, 0, 0);
        if (Is(bone, "Bip01_L_UpperArm"))
            return D3DXVECTOR3(0, 0, -1.2f * u);
        if (Is(bone, "Bip01_R_UpperArm"))
            return D3DXVECTOR3(0, 0, 1.2f * u);
        return D3DXVECTOR3(0, 0, 0);
    };
    const auto fall = [=](double t)
    {
        const float u = static_cast<float>(std::min(1.0, t / dieLength));
        return D3DXVECTOR3(0, -30.0f * u, 0);
    };
    const struct
    {
        const char* file;
        BinaContent content;
    } animations[] = {
        {"animations/idle_DEFAULT.bin", Animation(2.0, idle, still)},
        {"animations/walk.bin", Animation(walkPeriod, Gait(walkPeriod, 0.45f, 0.7f), bob(walkPeriod, 1.0f))},
        {"animations/run.bin", Animation(runPeriod, Gait(runPeriod, 0.8f, 1.4f), bob(runPeriod, 2.0f))},
        {"animations/die.bin", Animation(dieLength, die, fall)},
    };
    for (const auto& a : animations)
        ok = bina::WriteFile(GamePath(hero, a.file).c_str(), a.content) && ok;

    ok = WriteText(hero / "animations" / "animations_desc.txt",
                   "idle 0 0 0 1 0 0\nwalk 0 0 0 1 0 0\nrun 0 0 0 1.2 0 0\ndie 0 0 0 1 0 0\n") &&
         ok;
    for (const char* name : {"idle", "walk", "die"})
        ok = WriteText(hero / "animations" / (std::string(name) + ".txt"), "standard_params 0 0 0 1 0 0\n") &&
             ok;
    ok = WriteText(hero / "animations" / "run.txt", "standard_params 0 0 0 1.2 0 0\n") && ok;
    ok = WriteText(hero / "sockets.txt",
                   "weapon Bip01_R_Hand 0 -4 1 0 0 0\nhat Bip01_HeadNub 0 0 0 0 0 0\n") &&
         ok;
    ok = WriteText(hero / "collisions.txt",
                   "sphere head\nnode_name Bip01_Head\nradius 4.5\nhit_zone_name head\n"
                   "cylinder torso\nstart_node_name Bip01_Pelvis\n"
                   "finish_node_name Bip01_Neck\nthickness 7\nhit_zone_name body\n"
                   "cylinder arm_l\nstart_node_name Bip01_L_UpperArm\n"
                   "finish_node_name Bip01_L_Hand\nthickness 2.5\nhit_zone_name arm_l\n"
                   "cylinder arm_r\nstart_node_name Bip01_R_UpperArm\n"
                   "finish_node_name Bip01_R_Hand\nthickness 2.5\nhit_zone_name arm_r\n"
                   "cylinder leg_l\nstart_node_name Bip01_L_Thigh\n"
                   "finish_node_name Bip01_L_Foot\nthickness 3\nhit_zone_name leg_l\n"
                   "cylinder leg_r\nstart_node_name Bip01_R_Thigh\n"
                   "finish_node_name Bip01_R_Foot\nthickness 3\nhit_zone_name leg_r\n") &&
         ok;
    return ok ? 0 : 1;
}
