// The gulls over the demo world: the "grass" marker that gives the flock (and
// the ground layers) their area round the hero's start, and the gull model,
// a skinned body with two wings that flap ("leci") or are held out
// ("szybuje"). The game makes the birds itself; the model is drawn about 33
// times life size (a 50-unit wingspan) and scaled down by the flock.
#include "tools/worldgen/DemoWorld.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinModelFile.h"
#include "tools/skingen/BoxFigure.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace worldgen
{
namespace
{
constexpr float kPi = 3.14159265f;
constexpr double kKeysPerSecond = 30.0;
constexpr const char* kFolder = "models/postacie/mewa";

const std::vector<boxfigure::BoxBone>& Bones()
{
    static const std::vector<boxfigure::BoxBone> bones = {
        {"Bip01", -1, 0, 0, 0, {-4, -3, -12}, {4, 3, 14}},
        {"Bip01_Head", 0, 0, 3, 14, {-2.5f, -2, 0}, {2.5f, 3, 6}},
        {"Bip01_L_Wing", 0, -4, 1.5f, 0, {-22, -0.5f, -6}, {0, 0.5f, 5}},
        {"Bip01_R_Wing", 0, 4, 1.5f, 0, {0, -0.5f, -6}, {22, 0.5f, 5}},
        {"Bip01_Tail", 0, 0, 0.5f, -12, {-4, -0.5f, -7}, {4, 0.5f, 0}},
    };
    return bones;
}

// The wings' lift about the body's length axis (radians) at time t.
BinaContent Animate(double length, const std::function<float(double)>& wing)
{
    BinaContent c;
    c.dKeyTimeScale = kKeysPerSecond;
    c.dLength = length;
    const int keys = static_cast<int>(std::lround(length * kKeysPerSecond));
    for (const boxfigure::BoxBone& b : Bones())
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        const float side = b.x < 0.0f ? -1.0f : 1.0f;
        const bool isWing = std::string(b.name).find("Wing") != std::string::npos;
        for (int k = 0; k <= keys; ++k)
        {
            const double t = static_cast<double>(k) / kKeysPerSecond;
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, 0.0f, isWing ? side * wing(t) : 0.0f);
            track.fTimeTranslation.push_back(static_cast<float>(k));
            track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y, b.z));
            track.fTimeRotation.push_back(static_cast<float>(k));
            track.qRotation.push_back(q);
        }
        c.nodes.push_back(track);
    }
    return c;
}

// Two beats a second, up past level and down again.
BinaContent Flap()
{
    return Animate(0.5, [](double t) { return 0.15f + 0.6f * static_cast<float>(std::sin(4.0 * kPi * t)); });
}

// Wings held just above level, with a slow give.
BinaContent Glide()
{
    return Animate(2.0, [](double t) { return 0.12f + 0.04f * static_cast<float>(std::sin(kPi * t)); });
}

std::string Path(const char* file)
{
    return std::string(kFolder) + "/" + file;
}

constexpr const char* kParams = "standard_params 0 0 0 1 0 0\n";
} // namespace

void AddDemoGulls(std::vector<DemoObject>& objects)
{
    // Not drawn (bit 0 clear) and out of segment tests (bit 7), so shots,
    // sight lines and ground traces pass through it.
    objects.push_back(MeshAt(DEMO_GRASS_AREA, DEMO_MARKER_MESH, DEMO_START[0], DEMO_START[1], DEMO_START[2],
                             {"scaling_axis 120 4 120", "flags 128"}));
}

bool WriteDemoGulls(const std::filesystem::path& root)
{
    const float grey[3] = {0.6f, 0.6f, 0.65f};
    bool ok = WriteBoxMesh(
        root, DEMO_MARKER_MESH, "marker",
        {{{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, {grey[0], grey[1], grey[2]}, "demo_stone.tga"}});
    std::error_code ec;
    std::filesystem::create_directories(root / kFolder / "animations", ec);
    SkinModelDesc gull = boxfigure::Model(Bones());
    gull.mesh.name = "mewa";
    gull.mesh.materials = {tk::xfile::XMaterialDesc()};
    gull.mesh.materials[0].texture = "demo_plaster.tga";
    const std::vector<std::string> files = DemoGullFiles();
    ok = WriteSkinModelFile((root / files[1]).string().c_str(), gull, tk::xfile::XFormat::Text) && ok;
    ok = WriteDataFile(root, files[2], "sphere body\nnode_name Bip01\nradius 14\nhit_zone_name body\n") && ok;
    ok = WriteDataFile(root, files[3], "leci 0 0 0 1 0 0\nszybuje 0 0 0 1 0 0\n") && ok;
    ok = bina::WriteFile((root / files[4]).string().c_str(), Flap()) && ok;
    ok = bina::WriteFile((root / files[5]).string().c_str(), Glide()) && ok;
    ok = WriteDataFile(root, files[6], kParams) && ok;
    ok = WriteDataFile(root, files[7], kParams) && ok;
    return ok;
}

std::vector<std::string> DemoGullFiles()
{
    return {Slashes(DEMO_MARKER_MESH),
            Path("mewa.x"),
            Path("collisions.txt"),
            Path("animations/animations_desc.txt"),
            Path("animations/leci_DEFAULT.bin"),
            Path("animations/szybuje.bin"),
            Path("animations/leci.txt"),
            Path("animations/szybuje.txt")};
}
} // namespace worldgen
