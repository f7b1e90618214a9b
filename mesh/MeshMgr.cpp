// The static-mesh table: loading, processing, the "!opt" cache, levels of detail and release.
#include "mesh/MeshMgr.h"
#include "mesh/Mesh.h"

#include "platform/win32/Path.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

const D3DVERTEXELEMENT9 g_MeshVertexDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 28, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 40, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 52, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 60, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 1},
    D3DDECL_END(),
};

namespace
{
constexpr DWORD kLoadOptions = D3DXMESH_SYSTEMMEM; // 0x110
constexpr DWORD kCloneOptions = D3DXMESH_MANAGED;  // 0x220
constexpr float kWeldEpsilon = 0.1f;
constexpr float kRescale = 1.0f / 64.0f;
constexpr float kHalf = 0.5f;
constexpr float kPartialEdgeThreshold = -1.01f;
constexpr float kSingularPointThreshold = -0.01f;
constexpr float kNormalEdgeThreshold = -1.01f;
constexpr size_t kOptPrefixLength = 5;      // "!opt\"
constexpr size_t kRescaleSuffixLength = 10; // "_rescale.x"
constexpr DWORD kFormatBinary = D3DXF_FILEFORMAT_BINARY;
constexpr DWORD kFormatText = D3DXF_FILEFORMAT_TEXT;
constexpr int kShortestOptName = 2;
constexpr size_t kShortestLodName = 3;
constexpr const char* kTagEntry = "strmesh";
constexpr const char* kTagEntryLong = "EMeshMgr::strmesh";
constexpr const char* kTagMaterials = "m_pMeshMaterials ";
constexpr DWORD kTkVertexSize = 64;

template <class T> void SafeRelease(T*& p)
{
    if (p)
    {
        p->Release();
        p = nullptr;
    }
}

void CopyName(char* out, size_t size, const char* name)
{
    CopyCut(out, size, name);
}

void PrintLoadFailure(const char* name, HRESULT hr)
{
    g_Console.Print3("D3DXLoadMeshFromX ", name, " failed");
    if (hr == D3DERR_INVALIDCALL)
        g_Console.Print("D3DERR_INVALIDCALL");
    else if (hr == E_OUTOFMEMORY)
        g_Console.Print("E_OUTOFMEMORY");
}

std::vector<DWORD> Adjacency(ID3DXMesh* mesh, float epsilon)
{
    std::vector<DWORD> adjacency(size_t(mesh->GetNumFaces()) * 3 + 1);
    mesh->GenerateAdjacency(epsilon, adjacency.data());
    return adjacency;
}

// Adjacency, then attribute sorting, then attribute sorting with vertex-cache order.
void OptimizeTwice(ID3DXMesh* mesh)
{
    const std::vector<DWORD> adjacency = Adjacency(mesh, 0.0f);
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr, nullptr);
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, adjacency.data(), nullptr, nullptr,
                          nullptr);
}

HRESULT TangentFrames(ID3DXMesh* mesh)
{
    return D3DXComputeTangentFrameEx(mesh, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0,
                                     D3DDECLUSAGE_BINORMAL, 0, D3DX_DEFAULT, 0, D3DXTANGENT_GENERATE_IN_PLACE,
                                     nullptr, kPartialEdgeThreshold, kSingularPointThreshold,
                                     kNormalEdgeThreshold, nullptr, nullptr);
}

// Bounds of a locked engine-vertex mesh.
void MeshBounds(ID3DXMesh* mesh, strmesh* entry)
{
    void* vertices = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return;
    EMeshMgr::ComputeBoundingBox(vertices, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(), &entry->vMin,
                                 &entry->vMax);
    EMeshMgr::ComputeBoundingRadius(vertices, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(),
                                    &entry->vCenter, &entry->fRadius);
    mesh->UnlockVertexBuffer();
}

void CopyMaterials(strmesh* entry)
{
    const DWORD count = entry->dwNumMaterials;
    if (count && entry->pMaterialBuffer)
    {
        entry->m_pMeshMaterials = new D3DMATERIAL9[count]();
        g_Debug.AddAllocation(kTagMaterials);
    }
    entry->dwNumMaterials = std::min(count, MAX_MESH_MATERIALS);
    if (!entry->m_pMeshMaterials)
        return;
    const auto* materials = static_cast<const D3DXMATERIAL*>(entry->pMaterialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < entry->dwNumMaterials; ++i)
    {
        entry->m_pMeshMaterials[i] = materials[i].MatD3D;
        entry->m_pMeshMaterials[i].Ambient = materials[i].MatD3D.Diffuse;
    }
}

// Writes the entry's mesh with its materials (a file without a material list leaves no buffer).
bool SaveMesh(const strmesh* entry, const char* file, DWORD format)
{
    const auto* materials = entry->pMaterialBuffer
                                ? static_cast<const D3DXMATERIAL*>(entry->pMaterialBuffer->GetBufferPointer())
                                : nullptr;
    return SUCCEEDED(D3DXSaveMeshToXA(file, entry->pMesh, nullptr, materials, nullptr,
                                      materials ? entry->dwNumMaterials : 0, format));
}
} // namespace

EMeshMgr::~EMeshMgr()
{
    // Only the object is reset: entries hold device objects and go with ReleaseAll.
    m_pHead = nullptr;
}

namespace
{
char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

// Names are told apart without regard to case, and looked up without a copy.
size_t EMeshMgr::NoCaseHash::operator()(std::string_view name) const
{
    constexpr size_t kOffset = 14695981039346656037ull, kPrime = 1099511628211ull;
    size_t h = kOffset;
    for (const char c : name)
        h = (h ^ static_cast<unsigned char>(Folded(c))) * kPrime;
    return h;
}

bool EMeshMgr::NoCaseEqual::operator()(std::string_view a, std::string_view b) const
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Folded(a[i]) != Folded(b[i]))
            return false;
    return true;
}

strmesh* EMeshMgr::FindMesh(const char* name) const
{
    const auto it = m_ByName.find(std::string_view(name ? name : ""));
    return it != m_ByName.end() ? it->second : nullptr;
}

strmesh* EMeshMgr::GetEntry(int id) const
{
    return id >= 0 && id < MAX_MESHES ? m_pIds[id] : nullptr;
}

ID3DXMesh* EMeshMgr::GetMesh(int id) const
{
    const strmesh* e = GetEntry(id);
    return e ? e->pMesh : nullptr;
}

int EMeshMgr::LoadMesh(const char* name)
{
    if (!name || !name[0])
        return -1;
    if (const strmesh* found = FindMesh(name))
        return found->id;
    int id = 0;
    while (id < MAX_MESHES && m_pIds[id])
        ++id;
    if (id == MAX_MESHES)
    {
        g_Console.Print("Too many different meshes!");
        return -1;
    }
    auto* entry = new strmesh();
    g_Debug.AddAllocation(kTagEntry);
    g_Debug.AddAllocation(kTagEntryLong);
    entry->id = id;
    CopyName(entry->szFileName, sizeof entry->szFileName, name);
    strmesh* oldHead = m_pHead;
    entry->next = oldHead;
    if (oldHead)
        oldHead->prev = entry;
    m_pHead = entry;
    m_ByName[entry->szFileName] = entry;
    if (LoadFile(name))
        return id;

    // Everything the attempt took goes back.
    if (const auto it = m_ByName.find(std::string_view(entry->szFileName)); it != m_ByName.end())
        m_ByName.erase(it);
    ReleaseContents(entry);
    m_pHead = oldHead;
    if (oldHead)
        oldHead->prev = nullptr;
    m_pIds[id] = nullptr;
    delete entry;
    g_Debug.RemoveAllocation(kTagEntry);
    g_Debug.RemoveAllocation(kTagEntryLong);
    char line[MESH_NAME_SIZE + 32];
    std::snprintf(line, sizeof line, "*** Mesh %s failed!", name);
    g_Console.Print(line);
    AppendLogLine(line, nullptr, sizeof line);
    return -1;
}

bool EMeshMgr::LoadFile(const char* name)
{
    if (!name || !name[0])
        return false;
    // The name is lower-cased by the search, so cache files get lower-case names.
    char lowered[MESH_NAME_SIZE];
    CopyName(lowered, sizeof lowered, name);
    char nocenter[] = "_nocenter";
    const bool centre = !FindNoCase(lowered, nocenter);
    if (g_Options.UseOPT && FileExists(GetOptFileName(lowered)))
        return LoadFromOpt(lowered);
    return LoadFromX(lowered, centre);
}

bool EMeshMgr::LoadFromX(char* name, bool centre)
{
    strmesh* entry = m_pHead;
    char prefabs[] = "prefabs";
    const bool prefab = FindNoCase(name, prefabs);
    if (!IsPlainName(name))
    {
        AppendLogLine(name);
        g_Engine.RequestQuit();
        return false;
    }
    ID3DXMesh* loaded = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(name, kLoadOptions, g_pD3DInterface, nullptr, &entry->pMaterialBuffer,
                                    nullptr, &entry->dwNumMaterials, &loaded);
    if (FAILED(hr))
    {
        PrintLoadFailure(name, hr);
        return false;
    }
    char rescaleTag[] = "_rescale.x";
    const bool rescale = FindNoCase(name, rescaleTag);
    if (rescale)
        g_Console.Print2("Znalazlem obiekt do przeskalowania: ", name);
    m_pIds[entry->id] = entry;
    entry->bCentered = centre ? 1 : 0;

    ID3DXMesh* clone = nullptr;
    hr = loaded->CloneMesh(kCloneOptions, g_MeshVertexDecl, g_pD3DInterface, &clone);
    loaded->Release();
    if (FAILED(hr))
    {
        AppendLogLine(name);
        AppendLogLine("CloneMesh failed");
        g_Console.Print("CloneMesh failed");
        return false;
    }
    std::vector<DWORD> adjacency = Adjacency(clone, 0.0f);
    hr = D3DXCleanMesh(D3DXCLEAN_SIMPLIFICATION, clone, adjacency.data(), &entry->pMesh, nullptr, nullptr);
    clone->Release();
    if (FAILED(hr))
    {
        g_Console.Print("D3DXCleanMesh failed!");
        return false;
    }
    D3DXWELDEPSILONS eps = {};
    eps.Position = kWeldEpsilon;
    eps.Normal = kWeldEpsilon;
    D3DXWeldVertices(entry->pMesh, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr,
                     nullptr);
    adjacency = Adjacency(entry->pMesh, 0.0f);
    if (FAILED(D3DXValidMesh(entry->pMesh, adjacency.data(), nullptr)))
    {
        g_Console.Print3("D3DXValidMesh ", name, " failed");
        g_Console.Print(entry->szFileName);
        return false;
    }
    CopyMaterials(entry);

    void* data = nullptr;
    bool rescaled = false;
    if (SUCCEEDED(entry->pMesh->LockVertexBuffer(0, &data)))
    {
        const DWORD count = entry->pMesh->GetNumVertices();
        const DWORD stride = entry->pMesh->GetNumBytesPerVertex();
        ComputeBoundingBox(data, count, stride, &entry->vMin, &entry->vMax);
        ComputeBoundingRadius(data, count, stride, &entry->vCenter, &entry->fRadius);
        if (prefab)
        {
            const D3DXVECTOR3 middle = (entry->vMin + entry->vMax) * kHalf;
            for (DWORD v = 0; v < count; ++v)
            {
                D3DXVECTOR3 p;
                std::memcpy(&p, static_cast<uint8_t*>(data) + size_t(v) * stride, sizeof p);
                if (centre)
                    p -= middle;
                if (rescale)
                    p *= kRescale;
                std::memcpy(static_cast<uint8_t*>(data) + size_t(v) * stride, &p, sizeof p);
            }
            rescaled = rescale;
            ComputeBoundingBox(data, count, stride, &entry->vMin, &entry->vMax);
            ComputeBoundingRadius(data, count, stride, &entry->vCenter, &entry->fRadius);
        }
        entry->pMesh->UnlockVertexBuffer();
    }
    PrepareForDrawing(entry);
    SaveOpt(name);
    // The rescaled copy goes beside the file only when the mesh was rescaled.
    if (rescaled)
    {
        char copy[MESH_NAME_SIZE];
        CopyName(copy, sizeof copy, name);
        const size_t length = std::strlen(copy);
        if (length >= kRescaleSuffixLength)
        {
            std::snprintf(copy + length - kRescaleSuffixLength, kRescaleSuffixLength + 1, ".x");
            g_Console.Print2("Zapisuje przeskalowany do pliku ", copy);
            SaveMesh(entry, copy, kFormatText);
        }
    }
    return true;
}

bool EMeshMgr::LoadFromOpt(char* name)
{
    strmesh* entry = m_pHead;
    if (!IsPlainName(name))
    {
        AppendLogLine(name);
        g_Engine.RequestQuit();
        return false;
    }
    char opt[MESH_NAME_SIZE + 16];
    CopyName(opt, sizeof opt, GetOptFileName(name));
    ID3DXMesh* loaded = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(opt, kLoadOptions, g_pD3DInterface, nullptr, &entry->pMaterialBuffer,
                                    nullptr, &entry->dwNumMaterials, &loaded);
    if (FAILED(hr))
    {
        PrintLoadFailure(name, hr);
        return false;
    }
    hr = loaded->CloneMesh(kCloneOptions, g_MeshVertexDecl, g_pD3DInterface, &entry->pMesh);
    loaded->Release();
    if (FAILED(hr))
    {
        AppendLogLine(name);
        AppendLogLine("CloneMesh failed");
        g_Console.Print("CloneMesh failed");
        return false;
    }
    m_pIds[entry->id] = entry;
    char nocenter[] = "_nocenter";
    entry->bCentered = FindNoCase(opt, nocenter) ? 0 : 1;
    CopyMaterials(entry);
    MeshBounds(entry->pMesh, entry);
    PrepareForDrawing(entry);
    ReadAttributeTable(entry);
    return true;
}

void EMeshMgr::ReadAttributeTable(strmesh* entry)
{
    // The table's size first: at most 256 ranges are kept, as the materials are clamped.
    DWORD size = 0;
    entry->pMesh->GetAttributeTable(nullptr, &size);
    std::vector<D3DXATTRIBUTERANGE> table(size + 1);
    entry->pMesh->GetAttributeTable(table.data(), &size);
    entry->dwAttribTableSize = std::min(size, MAX_MESH_MATERIALS);
    std::memset(entry->AttribTable, 0, sizeof entry->AttribTable);
    std::copy(table.begin(), table.begin() + entry->dwAttribTableSize, entry->AttribTable);
}

void EMeshMgr::PrepareForDrawing(strmesh* entry)
{
    void* data = nullptr;
    const bool locked = SUCCEEDED(entry->pMesh->LockVertexBuffer(0, &data));
    OptimizeTwice(entry->pMesh);
    if (locked)
        entry->pMesh->UnlockVertexBuffer();
    ReadAttributeTable(entry);
    SafeRelease(entry->pIB);
    SafeRelease(entry->pVB);
    if (!g_Options.PostProcessOff && FAILED(TangentFrames(entry->pMesh)))
        g_Console.Print2("D3DXComputeTangentFrameEx failed: ", entry->szFileName);
    OptimizeTwice(entry->pMesh);
    entry->pMesh->GetIndexBuffer(&entry->pIB);
    entry->pMesh->GetVertexBuffer(&entry->pVB);
    ReadAttributeTable(entry);
    std::memset(entry->dwFirstVertex, 0, sizeof entry->dwFirstVertex);
    std::memset(entry->dwVertexCount, 0, sizeof entry->dwVertexCount);
    std::memset(entry->dwFirstIndex, 0, sizeof entry->dwFirstIndex);
    std::memset(entry->dwPrimitiveCount, 0, sizeof entry->dwPrimitiveCount);
    for (DWORD i = 0; i < entry->dwNumMaterials; ++i)
    {
        const D3DXATTRIBUTERANGE* range = nullptr;
        if (i < entry->dwAttribTableSize && entry->AttribTable[i].AttribId == i)
            range = &entry->AttribTable[i];
        for (DWORD r = 0; !range && r < entry->dwAttribTableSize; ++r)
            if (entry->AttribTable[r].AttribId == i)
                range = &entry->AttribTable[r];
        if (!range)
            continue;
        entry->dwFirstVertex[i] = range->VertexStart;
        entry->dwVertexCount[i] = range->VertexCount;
        entry->dwFirstIndex[i] = range->FaceStart * 3;
        entry->dwPrimitiveCount[i] = range->FaceCount;
    }
}

const char* EMeshMgr::GetOptFileName(const char* name)
{
    static char buffer[MESH_NAME_SIZE + 32];
    if (!name || std::strlen(name) < static_cast<size_t>(kShortestOptName))
    {
        buffer[0] = 0;
        return buffer;
    }
    char formatted[MESH_NAME_SIZE + 16];
    std::snprintf(formatted, sizeof formatted, "!opt\\%s", name);
    for (size_t i = kOptPrefixLength; formatted[i]; ++i)
        if (formatted[i] == '\\')
            formatted[i] = '_';
    std::snprintf(buffer, sizeof buffer, "%svx.x", formatted);
    return buffer;
}

const char* EMeshMgr::GetObjectOptFileName(HOBJECT object)
{
    if (!object || !object->bUsed)
        return GetOptFileName(nullptr);
    return GetOptFileName(object->szFileName);
}

const char* EMeshMgr::GetLodFileName(HOBJECT object, int n)
{
    static char buffer[MESH_NAME_SIZE + 32];
    CopyName(buffer, sizeof buffer, GetObjectOptFileName(object));
    const size_t length = std::strlen(buffer);
    if (length <= kShortestLodName)
        return buffer;
    // The digits go before the last ".x".
    char* dot = nullptr;
    for (char* p = buffer; (p = std::strstr(p, ".x")) != nullptr; ++p)
        dot = p;
    if (!dot)
        return buffer;
    char tail[MESH_NAME_SIZE + 32];
    CopyName(tail, sizeof tail, dot);
    std::snprintf(dot, sizeof buffer - static_cast<size_t>(dot - buffer), "%d%s", n, tail);
    return buffer;
}

bool EMeshMgr::SaveEntry(strmesh* entry, const char* file)
{
    if (!entry || !entry->pMesh)
        return false;
    return SaveMesh(entry, file, kFormatBinary);
}

bool EMeshMgr::SaveOpt(const char* name)
{
    if (!g_Options.UseOPT)
        return true;
    char file[MESH_NAME_SIZE + 16];
    CopyName(file, sizeof file, GetOptFileName(name));
    if (!SaveEntry(m_pHead, file))
        g_Console.Print2("Failed to save ", file);
    return true;
}

void EMeshMgr::SaveAllOpts()
{
    g_Console.Print("EMeshMgr::SaveAllOpts");
    for (strmesh* e = m_pHead; e; e = e->next)
    {
        char file[MESH_NAME_SIZE + 16];
        CopyName(file, sizeof file, GetOptFileName(e->szFileName));
        const bool ok = SaveEntry(e, file);
        g_Console.Print3("  ", file, ok ? " - OK" : " - FAILED");
    }
}

bool EMeshMgr::LoadLod(HOBJECT object, int n)
{
    strmesh* entry = object ? object->pMeshEntry : nullptr;
    if (!entry || n < 0 || n >= MESH_LOD_LEVELS)
        return false;
    char file[MESH_NAME_SIZE + 32];
    CopyName(file, sizeof file, GetLodFileName(object, n));
    if (!FileExists(file))
        return false;
    if (!IsPlainName(file))
    {
        AppendLogLine(file);
        g_Engine.RequestQuit();
        return false;
    }
    ID3DXMesh* loaded = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXA(file, kLoadOptions, g_pD3DInterface, nullptr, &materials, nullptr, &count,
                                    &loaded);
    if (FAILED(hr))
    {
        PrintLoadFailure(file, hr);
        return false;
    }
    SafeRelease(entry->pLod[n]);
    hr = loaded->CloneMesh(kCloneOptions, g_MeshVertexDecl, g_pD3DInterface, &entry->pLod[n]);
    loaded->Release();
    SafeRelease(materials);
    if (FAILED(hr))
    {
        AppendLogLine(file);
        AppendLogLine("CloneMesh failed");
        g_Console.Print("CloneMesh failed");
        return false;
    }
    OptimizeTwice(entry->pLod[n]);
    if (FAILED(TangentFrames(entry->pLod[n])))
        g_Console.Print("D3DXComputeTangentFrameEx failed!");
    OptimizeTwice(entry->pLod[n]);
    return true;
}

bool EMeshMgr::LoadLods(HOBJECT object)
{
    strmesh* entry = object ? object->pMeshEntry : nullptr;
    if (!entry)
        return false;
    if (entry->pLod[0])
        return true;
    const unsigned epoch = TkPathBatchEpoch();
    if (epoch && entry->uLodsMissingEpoch == epoch)
        return false;
    if (!LoadLod(object, 0))
    {
        entry->uLodsMissingEpoch = epoch;
        return false;
    }
    for (int n = 1; n < MESH_LOD_LEVELS; ++n)
        LoadLod(object, n);
    return true;
}

void EMeshMgr::UpdateObject(HOBJECT object)
{
    if (!object || !g_Options.UseLod)
        return;
    strmesh* entry = object->pMeshEntry;
    if (!entry)
        return;
    LoadLods(object);
    if (!entry->bRemapBuilt)
    {
        BYTE usable = 0;
        for (DWORD i = 0; i < entry->dwNumMaterials; ++i)
        {
            entry->SubsetRemap[i] = 0;
            if (entry->dwPrimitiveCount[i] && entry->dwVertexCount[i])
                entry->SubsetRemap[i] = usable++;
        }
        entry->bRemapBuilt = 1;
    }
    if (object->Type == OT_MESH && object->Object)
    {
        auto* mesh = static_cast<EMesh*>(object->Object);
        if (mesh->m_SubsetRemap)
            std::memcpy(mesh->m_SubsetRemap, entry->SubsetRemap, mesh->SubsetSlots());
    }
}

void EMeshMgr::SelectVariant(HOBJECT object, int n)
{
    if (!object || object->Type != OT_MESH || !object->Object || !object->pMeshEntry)
        return;
    auto* mesh = static_cast<EMesh*>(object->Object);
    strmesh* entry = object->pMeshEntry;
    if (n >= 0 && n < MESH_LOD_LEVELS && entry->pLod[n])
    {
        mesh->m_pDrawMesh = entry->pLod[n];
        mesh->m_iLodLevel = n + 1;
    }
    else
    {
        mesh->m_pDrawMesh = entry->pMesh;
        mesh->m_iLodLevel = 0;
    }
    // The renderer's lists draw the variant's subsets, or the base ones again.
    g_Renderer.SetMeshSubsetTextures(object, mesh->m_iLodLevel != 0 ? 1 : 0);
}

void EMeshMgr::ReleaseContents(strmesh* entry)
{
    if (entry->m_pMeshMaterials)
    {
        delete[] entry->m_pMeshMaterials;
        entry->m_pMeshMaterials = nullptr;
        g_Debug.RemoveAllocation(kTagMaterials);
    }
    SafeRelease(entry->pIB);
    SafeRelease(entry->pVB);
    SafeRelease(entry->pMesh);
    for (ID3DXMesh*& lod : entry->pLod)
        SafeRelease(lod);
    SafeRelease(entry->pMaterialBuffer);
}

void EMeshMgr::ReleaseEntry(strmesh* entry)
{
    if (!entry)
        return;
    if (entry->prev)
        entry->prev->next = entry->next;
    if (entry->next)
        entry->next->prev = entry->prev;
    if (m_pHead == entry)
        m_pHead = entry->next;
    if (const auto it = m_ByName.find(std::string_view(entry->szFileName));
        it != m_ByName.end() && it->second == entry)
        m_ByName.erase(it);
    ReleaseContents(entry);
    if (entry->id >= 0 && entry->id < MAX_MESHES && m_pIds[entry->id] == entry)
        m_pIds[entry->id] = nullptr;
    delete entry;
    g_Debug.RemoveAllocation(kTagEntry);
    g_Debug.RemoveAllocation(kTagEntryLong);
}

void EMeshMgr::ReleaseAll()
{
    while (m_pHead)
        ReleaseEntry(m_pHead);
}

void EMeshMgr::ComputeBoundingBox(const void* vertices, DWORD count, DWORD stride, D3DXVECTOR3* min,
                                  D3DXVECTOR3* max)
{
    if (!vertices || !count || !min || !max)
        return;
    D3DXComputeBoundingBox(static_cast<const D3DXVECTOR3*>(vertices), count, stride, min, max);
}

void EMeshMgr::ComputeBoundingRadius(const void* vertices, DWORD count, DWORD stride, D3DXVECTOR3* centre,
                                     float* radius)
{
    if (!centre || !radius)
        return;
    *centre = D3DXVECTOR3(0, 0, 0);
    *radius = 0.0f;
    if (!vertices)
        return;
    const auto* bytes = static_cast<const uint8_t*>(vertices);
    for (DWORD v = 0; v < count; ++v)
    {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes + size_t(v) * stride, sizeof p);
        *radius = std::max(*radius, D3DXVec3Length(&p));
    }
}

static_assert(sizeof(TK_VERTEX) == kTkVertexSize, "the engine vertex is the cloned declaration's size");
