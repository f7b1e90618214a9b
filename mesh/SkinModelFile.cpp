// Skinned .x models from a bone list and one mesh.
#include "mesh/SkinModelFile.h"

#include "platform/d3dx/XFile.h"

#include <algorithm>

namespace
{
constexpr int kMatrixFloats = 16;

void Matrix(tk::xfile::XObject& object, const D3DXMATRIX& m)
{
    object.Floats(&m._11, kMatrixFloats);
}
} // namespace

std::vector<D3DXMATRIX> SkinModelBindPose(const SkinModelDesc& desc)
{
    std::vector<D3DXMATRIX> world(desc.bones.size());
    for (size_t b = 0; b < desc.bones.size(); ++b)
    {
        const int parent = desc.bones[b].parent;
        if (parent >= 0 && static_cast<size_t>(parent) < b)
            D3DXMatrixMultiply(&world[b], &desc.bones[b].local, &world[parent]);
        else
            world[b] = desc.bones[b].local;
    }
    return world;
}

bool WriteSkinModelFile(const char* path, const SkinModelDesc& desc, tk::xfile::XFormat format)
{
    using namespace tk::xfile;
    XDocument doc;
    std::vector<int> frames(desc.bones.size(), -1);
    for (size_t b = 0; b < desc.bones.size(); ++b)
    {
        const int parent = desc.bones[b].parent;
        const int under = parent >= 0 && static_cast<size_t>(parent) < b ? frames[parent] : -1;
        frames[b] = doc.Add(under, "Frame", desc.bones[b].name);
        const int matrix = doc.Add(frames[b], "FrameTransformMatrix");
        Matrix(doc.objects[matrix], desc.bones[b].local);
    }
    const int meshFrame = desc.meshFrame >= 0 && static_cast<size_t>(desc.meshFrame) < frames.size()
                              ? frames[desc.meshFrame]
                              : -1;
    const int mesh = XAddMesh(&doc, meshFrame, desc.mesh);
    if (!desc.weights.empty())
    {
        const std::vector<D3DXMATRIX> bind = SkinModelBindPose(desc);
        std::vector<std::vector<std::pair<uint32_t, float>>> perBone(desc.bones.size());
        size_t maxPerVertex = 0;
        for (size_t v = 0; v < desc.weights.size(); ++v)
        {
            maxPerVertex = std::max(maxPerVertex, desc.weights[v].size());
            for (const SkinModelInfluence& i : desc.weights[v])
                if (i.bone >= 0 && static_cast<size_t>(i.bone) < perBone.size())
                    perBone[i.bone].push_back({static_cast<uint32_t>(v), i.weight});
        }
        const size_t used =
            std::count_if(perBone.begin(), perBone.end(), [](const auto& l) { return !l.empty(); });
        const int header = doc.Add(mesh, "XSkinMeshHeader");
        doc.objects[header].Int(static_cast<uint32_t>(maxPerVertex));
        doc.objects[header].Int(static_cast<uint32_t>(maxPerVertex * 3));
        doc.objects[header].Int(static_cast<uint32_t>(used));
        for (size_t b = 0; b < perBone.size(); ++b)
        {
            if (perBone[b].empty())
                continue;
            const int weights = doc.Add(mesh, "SkinWeights");
            XObject& w = doc.objects[weights];
            w.String(desc.bones[b].name);
            w.Int(static_cast<uint32_t>(perBone[b].size()));
            for (const auto& p : perBone[b])
                w.Int(p.first);
            for (const auto& p : perBone[b])
                w.Float(p.second);
            // Model space into the bone's space.
            D3DXMATRIX offset;
            D3DXMatrixInverse(&offset, nullptr, &bind[b]);
            Matrix(w, offset);
        }
    }
    return XWriteFile(path, doc, format);
}
