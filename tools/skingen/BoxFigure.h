// Figures of skinned boxes on a bone tree, shared by the generators that
// write the bundled skinned models: each bone carries one box, skinned wholly
// to it, so a pose moves the boxes rigidly.
#pragma once

#include "mesh/SkinModelFile.h"

#include <cstdint>
#include <vector>

namespace boxfigure
{
struct BoxBone
{
    const char* name;
    int parent;
    float x, y, z;      // bind offset from the parent
    float lo[3], hi[3]; // the bone's box in its own space (empty: no box)
};

// Six faces of four vertices each with their own normals, all skinned wholly to `bone`.
inline void AddBox(SkinModelDesc* desc, const D3DXMATRIX& bind, const float lo[3], const float hi[3],
                   int bone)
{
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    tk::xfile::XMeshDesc& mesh = desc->mesh;
    for (const auto& n : normals)
    {
        const int axis = n[0] != 0 ? 0 : n[1] != 0 ? 1 : 2;
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        const uint32_t base = static_cast<uint32_t>(mesh.positions.size() / 3);
        const float square[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (const auto& c : square)
        {
            float p[3];
            p[axis] = n[axis] > 0 ? hi[axis] : lo[axis];
            p[u] = c[0] ? hi[u] : lo[u];
            p[v] = c[1] ? hi[v] : lo[v];
            D3DXVECTOR3 local(p[0], p[1], p[2]), model;
            D3DXVec3TransformCoord(&model, &local, &bind);
            mesh.positions.insert(mesh.positions.end(), {model.x, model.y, model.z});
            mesh.normals.insert(mesh.normals.end(), {n[0], n[1], n[2]});
            mesh.texcoords.insert(mesh.texcoords.end(), {c[0], 1.0f - c[1]});
            desc->weights.push_back({{bone, 1.0f}});
        }
        // Outward-facing winding on both sides of the axis.
        const uint32_t order[2][6] = {{0, 1, 2, 0, 2, 3}, {0, 2, 1, 0, 3, 2}};
        for (uint32_t i : order[n[axis] > 0 ? 1 : 0])
            mesh.indices.push_back(base + i);
    }
}

// The skeleton of `bones` and their boxes; the caller gives the materials.
inline SkinModelDesc Model(const std::vector<BoxBone>& bones)
{
    SkinModelDesc desc;
    for (const BoxBone& b : bones)
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
        const BoxBone& b = bones[i];
        if (b.lo[0] != b.hi[0])
            AddBox(&desc, bind[i], b.lo, b.hi, static_cast<int>(i));
    }
    return desc;
}
} // namespace boxfigure
