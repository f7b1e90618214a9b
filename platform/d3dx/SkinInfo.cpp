// Skin information and its conversion to indexed blended meshes.
#include "platform/d3dx/SkinInfo.h"
#include "platform/d3dx/MeshData.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace tk::d3dx
{
namespace
{
// Vertex blending keeps at most four influences per vertex.
constexpr DWORD kMaxInfluences = 4;
constexpr DWORD kMaxSkinBones = 1u << 16;
constexpr DWORD kMaxSkinVertices = 1u << 26;

struct Bone
{
    std::string name;
    D3DXMATRIX offset;
    std::vector<DWORD> vertices;
    std::vector<float> weights;
};

class SkinInfo final : public ID3DXSkinInfo
{
public:
    SkinInfo(DWORD vertices, std::vector<D3DVERTEXELEMENT9> decl, DWORD bones)
        : m_vertices(vertices), m_decl(std::move(decl)), m_bones(bones)
    {
        for (Bone& b : m_bones)
            D3DXMatrixIdentity(&b.offset);
    }

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (!left)
            delete this;
        return left;
    }

    HRESULT SetBoneInfluence(DWORD bone, DWORD count, const DWORD* vertices, const FLOAT* weights) override
    {
        if (bone >= m_bones.size() || (count && (!vertices || !weights)))
            return D3DERR_INVALIDCALL;
        for (DWORD i = 0; i < count; ++i)
            if (vertices[i] >= m_vertices)
                return D3DERR_INVALIDCALL;
        m_bones[bone].vertices.assign(vertices, vertices + count);
        m_bones[bone].weights.assign(weights, weights + count);
        return D3D_OK;
    }
    DWORD GetNumBoneInfluences(DWORD bone) override
    {
        return bone < m_bones.size() ? static_cast<DWORD>(m_bones[bone].vertices.size()) : 0;
    }
    HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) override
    {
        if (bone >= m_bones.size() || !vertices || !weights)
            return D3DERR_INVALIDCALL;
        std::copy(m_bones[bone].vertices.begin(), m_bones[bone].vertices.end(), vertices);
        std::copy(m_bones[bone].weights.begin(), m_bones[bone].weights.end(), weights);
        return D3D_OK;
    }
    HRESULT GetMaxVertexInfluences(DWORD* out) override
    {
        if (!out)
            return D3DERR_INVALIDCALL;
        std::vector<DWORD> counts(m_vertices, 0);
        for (const Bone& b : m_bones)
            for (size_t i = 0; i < b.vertices.size(); ++i)
                if (b.weights[i] > m_minInfluence)
                    ++counts[b.vertices[i]];
        *out = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
        return D3D_OK;
    }
    DWORD GetNumBones() override { return static_cast<DWORD>(m_bones.size()); }
    HRESULT SetMinBoneInfluence(FLOAT value) override
    {
        m_minInfluence = value;
        return D3D_OK;
    }
    FLOAT GetMinBoneInfluence() override { return m_minInfluence; }
    HRESULT SetBoneName(DWORD bone, LPCSTR name) override
    {
        if (bone >= m_bones.size() || !name)
            return D3DERR_INVALIDCALL;
        m_bones[bone].name = name;
        return D3D_OK;
    }
    LPCSTR GetBoneName(DWORD bone) override
    {
        return bone < m_bones.size() ? m_bones[bone].name.c_str() : nullptr;
    }
    HRESULT SetBoneOffsetMatrix(DWORD bone, const D3DXMATRIX* m) override
    {
        if (bone >= m_bones.size() || !m)
            return D3DERR_INVALIDCALL;
        m_bones[bone].offset = *m;
        return D3D_OK;
    }
    D3DXMATRIX* GetBoneOffsetMatrix(DWORD bone) override
    {
        return bone < m_bones.size() ? &m_bones[bone].offset : nullptr;
    }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE]) override
    {
        if (!out)
            return D3DERR_INVALIDCALL;
        std::copy(m_decl.begin(), m_decl.end(), out);
        out[m_decl.size()] = D3DDECL_END();
        return D3D_OK;
    }
    HRESULT ConvertToIndexedBlendedMesh(ID3DXMesh* pMesh, DWORD Options, DWORD paletteSize, const DWORD*,
                                        LPDWORD pAdjacencyOut, DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap,
                                        DWORD* pMaxVertexInfl, DWORD* pNumBoneCombinations,
                                        ID3DXBuffer** ppBoneCombinationTable, ID3DXMesh** ppMesh) override;

private:
    ~SkinInfo() = default;
    std::atomic<ULONG> m_refs{1};
    DWORD m_vertices;
    std::vector<D3DVERTEXELEMENT9> m_decl;
    std::vector<Bone> m_bones;
    float m_minInfluence = 0.0f;
};

struct Influence
{
    DWORD bone;
    float weight;
};

HRESULT SkinInfo::ConvertToIndexedBlendedMesh(ID3DXMesh* pMesh, DWORD Options, DWORD paletteSize,
                                              const DWORD*, LPDWORD pAdjacencyOut, DWORD* pFaceRemap,
                                              ID3DXBuffer** ppVertexRemap, DWORD* pMaxVertexInfl,
                                              DWORD* pNumBoneCombinations,
                                              ID3DXBuffer** ppBoneCombinationTable, ID3DXMesh** ppMesh)
{
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (ppBoneCombinationTable)
        *ppBoneCombinationTable = nullptr;
    if (ppVertexRemap)
        *ppVertexRemap = nullptr;
    Mesh* mesh = pMesh ? AsMesh(pMesh) : nullptr;
    MeshData data;
    if (!mesh || !mesh->Read(&data) || !data.IndicesValid() || data.VertexCount() != m_vertices ||
        paletteSize == 0)
        return D3DERR_INVALIDCALL;

    // Each vertex's strongest influences, strongest first.
    std::vector<std::vector<Influence>> influences(m_vertices);
    for (DWORD b = 0; b < m_bones.size(); ++b)
        for (size_t i = 0; i < m_bones[b].vertices.size(); ++i)
            if (m_bones[b].weights[i] > m_minInfluence)
                influences[m_bones[b].vertices[i]].push_back({b, m_bones[b].weights[i]});
    DWORD maxInfluences = 1;
    for (auto& list : influences)
    {
        std::stable_sort(list.begin(), list.end(),
                         [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        if (list.size() > kMaxInfluences)
            list.resize(kMaxInfluences);
        maxInfluences = std::max<DWORD>(maxInfluences, static_cast<DWORD>(list.size()));
    }

    // Faces packed into palettes, attribute by attribute, in face order.
    struct Combination
    {
        DWORD attribute;
        std::vector<DWORD> bones; // in order of first use
        std::vector<DWORD> faces;
    };
    std::vector<Combination> combinations;
    std::map<DWORD, std::vector<DWORD>> byAttribute;
    for (DWORD f = 0; f < data.FaceCount(); ++f)
        byAttribute[data.attributes[f]].push_back(f);
    for (const auto& [attribute, faces] : byAttribute)
    {
        size_t first = combinations.size();
        for (DWORD f : faces)
        {
            std::vector<DWORD> need;
            for (DWORD c = 0; c < kCorners; ++c)
                for (const Influence& in : influences[data.indices[f * kCorners + c]])
                    if (std::find(need.begin(), need.end(), in.bone) == need.end())
                        need.push_back(in.bone);
            if (need.size() > paletteSize)
                return D3DXERR_TOOMANYINFLUENCES;
            bool placed = false;
            for (size_t k = first; k < combinations.size() && !placed; ++k)
            {
                Combination& combo = combinations[k];
                std::vector<DWORD> added;
                for (DWORD b : need)
                    if (std::find(combo.bones.begin(), combo.bones.end(), b) == combo.bones.end())
                        added.push_back(b);
                if (combo.bones.size() + added.size() <= paletteSize)
                {
                    combo.bones.insert(combo.bones.end(), added.begin(), added.end());
                    combo.faces.push_back(f);
                    placed = true;
                }
            }
            if (!placed)
                combinations.push_back({attribute, need, {f}});
        }
        (void)first;
    }

    // The new mesh: faces by combination, vertices copied per combination, with blend weights and
    // palette indices.
    MeshData out;
    out.decl = data.decl;
    out.decl.erase(std::remove_if(out.decl.begin(), out.decl.end(),
                                  [](const D3DVERTEXELEMENT9& e) {
                                      return e.Usage == D3DDECLUSAGE_BLENDWEIGHT ||
                                             e.Usage == D3DDECLUSAGE_BLENDINDICES;
                                  }),
                   out.decl.end());
    out.stride = 0;
    for (const D3DVERTEXELEMENT9& e : out.decl)
        out.stride = std::max<DWORD>(out.stride, e.Offset + DeclTypeSize(e.Type));
    const DWORD weightCount = maxInfluences - 1;
    D3DVERTEXELEMENT9 weights = {0,
                                 static_cast<WORD>(out.stride),
                                 static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weightCount - 1),
                                 D3DDECLMETHOD_DEFAULT,
                                 D3DDECLUSAGE_BLENDWEIGHT,
                                 0};
    if (weightCount)
    {
        out.decl.push_back(weights);
        out.stride += DeclTypeSize(weights.Type);
    }
    const D3DVERTEXELEMENT9 indices = {0,
                                       static_cast<WORD>(out.stride),
                                       D3DDECLTYPE_UBYTE4,
                                       D3DDECLMETHOD_DEFAULT,
                                       D3DDECLUSAGE_BLENDINDICES,
                                       0};
    out.decl.push_back(indices);
    out.stride += DeclTypeSize(indices.Type);

    std::vector<DWORD> faceRemap, vertexRemap;
    const size_t paletteBytes = size_t(paletteSize) * sizeof(DWORD);
    std::vector<D3DXBONECOMBINATION> table(combinations.size());
    for (size_t k = 0; k < combinations.size(); ++k)
    {
        const Combination& combo = combinations[k];
        std::map<DWORD, DWORD> local; // old vertex -> new vertex within this combination
        // The combination names its faces' material; the converted mesh numbers its faces by
        // combination, so DrawSubset(k) draws combination k.
        table[k].AttribId = combo.attribute;
        table[k].FaceStart = static_cast<DWORD>(faceRemap.size());
        table[k].FaceCount = static_cast<DWORD>(combo.faces.size());
        table[k].VertexStart = static_cast<DWORD>(vertexRemap.size());
        for (DWORD f : combo.faces)
        {
            faceRemap.push_back(f);
            out.attributes.push_back(static_cast<DWORD>(k));
            for (DWORD c = 0; c < kCorners; ++c)
            {
                const DWORD v = data.indices[f * kCorners + c];
                auto it = local.find(v);
                if (it == local.end())
                {
                    it = local.emplace(v, static_cast<DWORD>(vertexRemap.size())).first;
                    vertexRemap.push_back(v);
                    std::vector<uint8_t> vertex(out.stride, 0);
                    for (const D3DVERTEXELEMENT9& e : out.decl)
                    {
                        const D3DVERTEXELEMENT9* src = data.Find(e.Usage, e.UsageIndex);
                        if (src && e.Usage != D3DDECLUSAGE_BLENDWEIGHT &&
                            e.Usage != D3DDECLUSAGE_BLENDINDICES)
                            std::memcpy(vertex.data() + e.Offset, data.Vertex(v) + src->Offset,
                                        DeclTypeSize(e.Type));
                    }
                    float w[4] = {0, 0, 0, 0};
                    uint8_t slots[4] = {0, 0, 0, 0};
                    const auto& list = influences[v];
                    for (size_t i = 0; i < list.size(); ++i)
                    {
                        w[i] = list[i].weight;
                        slots[i] = static_cast<uint8_t>(
                            std::find(combo.bones.begin(), combo.bones.end(), list[i].bone) -
                            combo.bones.begin());
                    }
                    if (weightCount)
                        std::memcpy(vertex.data() + weights.Offset, w, weightCount * sizeof(float));
                    std::memcpy(vertex.data() + indices.Offset, slots, sizeof slots);
                    out.vertices.insert(out.vertices.end(), vertex.begin(), vertex.end());
                }
                out.indices.push_back(it->second);
            }
        }
        table[k].VertexCount = static_cast<DWORD>(vertexRemap.size()) - table[k].VertexStart;
    }
    out.table.clear();
    for (size_t k = 0; k < table.size(); ++k)
    {
        const D3DXBONECOMBINATION& c = table[k];
        out.table.push_back({static_cast<DWORD>(k), c.FaceStart, c.FaceCount, c.VertexStart, c.VertexCount});
    }

    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    Mesh* result = nullptr;
    const HRESULT hr = Mesh::Create(device,
                                    Options & ~(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_ATTRSORT |
                                                D3DXMESHOPT_COMPACT | D3DXMESHOPT_STRIPREORDER),
                                    out, &result);
    device->Release();
    if (FAILED(hr))
        return hr;
    if (ppBoneCombinationTable)
    {
        const size_t head = table.size() * sizeof(D3DXBONECOMBINATION);
        auto* buffer = new Buffer(head + table.size() * paletteBytes);
        auto* base = static_cast<uint8_t*>(buffer->GetBufferPointer());
        for (size_t k = 0; k < table.size(); ++k)
        {
            auto* ids = reinterpret_cast<DWORD*>(base + head + k * paletteBytes);
            for (DWORD i = 0; i < paletteSize; ++i)
                ids[i] = i < combinations[k].bones.size() ? combinations[k].bones[i] : UINT32_MAX;
            table[k].BoneId = ids;
        }
        if (!table.empty())
            std::memcpy(base, table.data(), head);
        *ppBoneCombinationTable = buffer;
    }
    if (pNumBoneCombinations)
        *pNumBoneCombinations = static_cast<DWORD>(table.size());
    if (pMaxVertexInfl)
        *pMaxVertexInfl = maxInfluences;
    if (pFaceRemap)
        std::copy(faceRemap.begin(), faceRemap.end(), pFaceRemap);
    if (ppVertexRemap)
    {
        auto* buffer = new Buffer(vertexRemap.size() * sizeof(DWORD));
        if (!vertexRemap.empty())
            std::memcpy(buffer->GetBufferPointer(), vertexRemap.data(), vertexRemap.size() * sizeof(DWORD));
        *ppVertexRemap = buffer;
    }
    if (pAdjacencyOut)
        result->GenerateAdjacency(0.0f, pAdjacencyOut);
    *ppMesh = result;
    return D3D_OK;
}
} // namespace
} // namespace tk::d3dx

HRESULT D3DXCreateSkinInfo(DWORD NumVertices, const D3DVERTEXELEMENT9* pDeclaration, DWORD NumBones,
                           ID3DXSkinInfo** ppSkinInfo)
{
    if (!ppSkinInfo)
        return D3DERR_INVALIDCALL;
    *ppSkinInfo = nullptr;
    std::vector<D3DVERTEXELEMENT9> decl;
    DWORD stride;
    if (!tk::d3dx::CopyDecl(pDeclaration, &decl, &stride))
        return D3DERR_INVALIDCALL;
    if (NumBones > tk::d3dx::kMaxSkinBones || NumVertices > tk::d3dx::kMaxSkinVertices)
        return E_OUTOFMEMORY;
    *ppSkinInfo = new tk::d3dx::SkinInfo(NumVertices, decl, NumBones);
    return D3D_OK;
}

HRESULT D3DXCreateSkinInfoFVF(DWORD NumVertices, DWORD FVF, DWORD NumBones, ID3DXSkinInfo** ppSkinInfo)
{
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    const HRESULT hr = D3DXDeclaratorFromFVF(FVF, decl);
    if (FAILED(hr))
        return hr;
    return D3DXCreateSkinInfo(NumVertices, decl, NumBones, ppSkinInfo);
}
