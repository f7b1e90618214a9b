#pragma once
// A whole triangle mesh for the .x writer (stable; data generators build on it):
//
//   XMeshDesc box;
//   box.positions = {...};   // 3 floats per vertex
//   box.normals = {...};     // 3 per vertex, or empty
//   box.texcoords = {...};   // 2 per vertex, or empty
//   box.indices = {...};     // 3 per triangle, clockwise seen from the front (left-handed)
//   box.faceMaterials = {...}; // one material index per triangle, or empty for material 0
//   box.materials = {{...}};   // at least one
//   XWriteMeshFile("data\\box.x", box, XFormat::Text);
//
// The file holds one top-level "Mesh" with MeshNormals, MeshTextureCoords, MeshVertexColors and a
// MeshMaterialList whose Materials carry their TextureFilename.

#include "platform/d3dx/XFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tk::xfile
{
struct XMaterialDesc
{
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f}; // r, g, b, a
    float power = 0.0f;
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float emissive[3] = {0.0f, 0.0f, 0.0f};
    std::string texture; // empty: no TextureFilename
};

struct XMeshDesc
{
    std::string name;
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> texcoords;
    std::vector<uint32_t> colors; // D3DCOLOR (ARGB) per vertex, or empty
    std::vector<uint32_t> indices;
    std::vector<uint32_t> faceMaterials;
    std::vector<XMaterialDesc> materials;
};

// Adds the Mesh object (and its children) under parent (-1: top level); returns its index.
int XAddMesh(XDocument* doc, int parent, const XMeshDesc& mesh);
// Adds a Material object with its TextureFilename under parent; returns its index.
int XAddMaterial(XDocument* doc, int parent, const XMaterialDesc& material, const std::string& name = {});
bool XWriteMeshFile(const char* path, const XMeshDesc& mesh, XFormat format);
} // namespace tk::xfile
