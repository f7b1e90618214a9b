// Building the standard Mesh object and its children from a plain triangle list.
#include "platform/d3dx/XMesh.h"

namespace tk::xfile
{
namespace
{
constexpr uint32_t kTriangleCorners = 3;
constexpr int kColorShiftA = 24;
constexpr int kColorShiftR = 16;
constexpr int kColorShiftG = 8;
constexpr float kColorScale = 1.0f / 255.0f;

uint32_t Count(size_t n)
{
    return static_cast<uint32_t>(n);
}

void Triangles(XObject& o, const std::vector<uint32_t>& indices)
{
    const size_t faces = indices.size() / kTriangleCorners;
    o.Int(Count(faces));
    for (size_t f = 0; f < faces; ++f)
    {
        o.Int(kTriangleCorners);
        for (uint32_t c = 0; c < kTriangleCorners; ++c)
            o.Int(indices[f * kTriangleCorners + c]);
    }
}
} // namespace

int XAddMaterial(XDocument* doc, int parent, const XMaterialDesc& material, const std::string& name)
{
    const int index = doc->Add(parent, "Material", name);
    XObject& o = doc->objects[index];
    o.Floats(material.diffuse, 4);
    o.Float(material.power);
    o.Floats(material.specular, 3);
    o.Floats(material.emissive, 3);
    if (!material.texture.empty())
    {
        const int texture = doc->Add(index, "TextureFilename");
        doc->objects[texture].String(material.texture);
    }
    return index;
}

int XAddMesh(XDocument* doc, int parent, const XMeshDesc& mesh)
{
    const size_t vertices = mesh.positions.size() / 3;
    const size_t faces = mesh.indices.size() / kTriangleCorners;
    const int index = doc->Add(parent, "Mesh", mesh.name);
    {
        XObject& o = doc->objects[index];
        o.Int(Count(vertices));
        o.Floats(mesh.positions.data(), vertices * 3);
        Triangles(o, mesh.indices);
    }
    if (mesh.normals.size() >= vertices * 3 && vertices)
    {
        const int n = doc->Add(index, "MeshNormals");
        XObject& o = doc->objects[n];
        o.Int(Count(vertices));
        o.Floats(mesh.normals.data(), vertices * 3);
        Triangles(o, mesh.indices);
    }
    if (mesh.texcoords.size() >= vertices * 2 && vertices)
    {
        const int t = doc->Add(index, "MeshTextureCoords");
        XObject& o = doc->objects[t];
        o.Int(Count(vertices));
        o.Floats(mesh.texcoords.data(), vertices * 2);
    }
    if (mesh.colors.size() >= vertices && vertices)
    {
        const int c = doc->Add(index, "MeshVertexColors");
        XObject& o = doc->objects[c];
        o.Int(Count(vertices));
        for (size_t v = 0; v < vertices; ++v)
        {
            const uint32_t argb = mesh.colors[v];
            o.Int(Count(v));
            o.Float(((argb >> kColorShiftR) & 0xFF) * kColorScale);
            o.Float(((argb >> kColorShiftG) & 0xFF) * kColorScale);
            o.Float((argb & 0xFF) * kColorScale);
            o.Float(((argb >> kColorShiftA) & 0xFF) * kColorScale);
        }
    }
    const int list = doc->Add(index, "MeshMaterialList");
    std::vector<XMaterialDesc> materials = mesh.materials;
    if (materials.empty())
        materials.emplace_back();
    {
        XObject& o = doc->objects[list];
        o.Int(Count(materials.size()));
        o.Int(Count(faces));
        for (size_t f = 0; f < faces; ++f)
            o.Int(f < mesh.faceMaterials.size() ? mesh.faceMaterials[f] : 0);
    }
    for (const XMaterialDesc& m : materials)
        XAddMaterial(doc, list, m);
    return index;
}

bool XWriteMeshFile(const char* path, const XMeshDesc& mesh, XFormat format)
{
    XDocument doc;
    XAddMesh(&doc, -1, mesh);
    return XWriteFile(path, doc, format);
}
} // namespace tk::xfile
