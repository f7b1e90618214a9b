#pragma once
// What a .x Mesh object holds once read: the vertices in a declaration built from its children, the
// triangles and their materials, the materials with texture names and effects, and skin weights.

#include "platform/d3dx/MeshData.h"
#include "platform/d3dx/XFile.h"

#include <string>
#include <vector>

namespace tk::d3dx
{
struct EffectParamContent
{
    std::string name;
    D3DXEFFECTDEFAULTTYPE type = D3DXEDT_DWORD;
    std::vector<uint8_t> value;
};

struct MaterialContent
{
    D3DMATERIAL9 material = {};
    bool hasTexture = false;
    std::string texture;
    bool hasEffect = false;
    std::string effect;
    std::vector<EffectParamContent> params;
};

struct SkinContent
{
    std::string bone;
    std::vector<DWORD> vertices; // output vertices
    std::vector<float> weights;
    D3DXMATRIX offset;
};

struct MeshContent
{
    MeshData data;
    std::vector<MaterialContent> materials;
    std::vector<SkinContent> skins;
};

// Reads the Mesh object `mesh` of the document; D3DXERR_INVALIDDATA for anything damaged.
HRESULT ReadMeshContent(const xfile::XDocument& doc, int mesh, MeshContent* out);
// Appends `more` to `into` (declarations joined, material ids moved past into's materials).
void AppendMeshContent(MeshContent* into, const MeshContent& more);
// Moves positions and turns normals by the matrix.
void TransformMeshContent(MeshContent* content, const D3DXMATRIX& m);
// The D3DX material and effect-instance buffers of a material list (null buffers for none).
void PackMaterials(const std::vector<MaterialContent>& materials, ID3DXBuffer** ppMaterials,
                   ID3DXBuffer** ppEffects);
// Builds the Mesh object of a mesh's data and materials into the document.
void WriteMeshContent(xfile::XDocument* doc, int parent, const std::string& name, const MeshData& data,
                      const D3DXMATERIAL* materials, const D3DXEFFECTINSTANCE* effects, DWORD count);
} // namespace tk::d3dx
