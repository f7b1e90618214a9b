#pragma once
// Skinned-model tests: a small figure with named bones written through the .x writer into the test's
// folder, its animations as BINA files, and the shared models released after each test.

#include "mesh_fixture.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"

#include <string>
#include <vector>

namespace skintest
{
struct Bone
{
    const char* name;
    int parent;
    float x, y, z; // bind translation from the parent
};

// Root, spine, neck, head and two upper arms: enough for every mask rule.
inline const std::vector<Bone>& Figure()
{
    static const std::vector<Bone> bones = {
        {"Bip01", -1, 0.0f, 1.0f, 0.0f},
        {"Bip01_Spine1", 0, 0.0f, 0.5f, 0.0f},
        {"Bip01_Neck", 1, 0.0f, 0.5f, 0.0f},
        {"Bip01_Head", 2, 0.0f, 0.2f, 0.0f},
        {"Bip01_L_UpperArm", 2, -0.3f, 0.0f, 0.0f},
        {"Bip01_R_UpperArm", 2, 0.3f, 0.0f, 0.0f},
    };
    return bones;
}

// A small box at every bone, each skinned wholly to its bone.
inline SkinModelDesc FigureModel(const std::vector<Bone>& bones = Figure())
{
    SkinModelDesc desc;
    for (const Bone& b : bones)
    {
        SkinModelBone bone;
        bone.name = b.name;
        bone.parent = b.parent;
        D3DXMatrixTranslation(&bone.local, b.x, b.y, b.z);
        desc.bones.push_back(bone);
    }
    const std::vector<D3DXMATRIX> bind = SkinModelBindPose(desc);
    for (size_t i = 0; i < bones.size(); ++i)
    {
        const float x = bind[i]._41, y = bind[i]._42, z = bind[i]._43, h = 0.05f;
        tk::xfile::XMeshDesc box = meshtest::Box(x - h, y - h, z - h, x + h, y + h, z + h);
        const uint32_t first = static_cast<uint32_t>(desc.mesh.positions.size() / 3);
        desc.mesh.positions.insert(desc.mesh.positions.end(), box.positions.begin(), box.positions.end());
        desc.mesh.texcoords.insert(desc.mesh.texcoords.end(), box.texcoords.begin(), box.texcoords.end());
        for (uint32_t index : box.indices)
            desc.mesh.indices.push_back(first + index);
        for (size_t v = 0; v < box.positions.size() / 3; ++v)
            desc.weights.push_back({{static_cast<int>(i), 1.0f}});
    }
    desc.mesh.materials = {tk::xfile::XMaterialDesc()};
    desc.mesh.materials[0].texture = "figure.tga";
    return desc;
}

// An animation of the figure: every bone holds its bind translation; `bone` moves from its bind
// translation plus `start` by `travel` over `length` seconds (keys in 1/100 s).
inline BinaContent Motion(const std::vector<Bone>& bones, const char* bone, D3DXVECTOR3 travel, double length,
                          D3DXVECTOR3 start = D3DXVECTOR3(0.0f, 0.0f, 0.0f))
{
    BinaContent c;
    c.dKeyTimeScale = 100.0;
    c.dLength = length;
    const float end = static_cast<float>(length * c.dKeyTimeScale);
    for (const Bone& b : bones)
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
        const D3DXVECTOR3 at(b.x, b.y, b.z);
        track.fTimeTranslation = {0.0f, end};
        const bool moves = std::string(b.name) == bone;
        track.vTranslation = {moves ? at + start : at, moves ? at + start + travel : at};
        track.fTimeRotation = {0.0f};
        track.qRotation = {{0.0f, 0.0f, 0.0f, 1.0f}};
        c.nodes.push_back(track);
    }
    return c;
}

class SkinTest : public meshtest::MeshTest
{
protected:
    void TearDown() override
    {
        g_SkinMeshMgr.Release();
        meshtest::MeshTest::TearDown();
    }

    // Writes the figure as models\<folder>\<folder>.x with the given animations (name, content).
    static std::string WriteFigure(const std::string& folder,
                                   const std::vector<std::pair<std::string, BinaContent>>& animations,
                                   const std::vector<Bone>& bones = Figure())
    {
        std::filesystem::create_directories("models/" + folder + "/animations");
        const std::string path = "models\\" + folder + "\\" + folder + ".x";
        EXPECT_TRUE(WriteSkinModelFile(path.c_str(), FigureModel(bones), tk::xfile::XFormat::Text));
        for (const auto& a : animations)
            EXPECT_TRUE(bina::WriteFile(("models\\" + folder + "\\animations\\" + a.first + ".bin").c_str(),
                                        a.second));
        return path;
    }
};
} // namespace skintest
