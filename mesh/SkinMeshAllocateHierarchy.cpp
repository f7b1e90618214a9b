// Frames and skinned mesh containers of a model as the hierarchy loader builds them.
#include "mesh/SkinMeshAllocateHierarchy.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const D3DVERTEXELEMENT9 g_SkinVertexDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {0, 28, D3DDECLTYPE_UBYTE4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 56, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 68, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

namespace
{
constexpr size_t kWeightsOffset = 12;
constexpr int kWeights = 4;
constexpr float kGrey = 0.5f;
constexpr float kRigidMinInfluence = 0.0001f;
constexpr size_t kTextureNameChars = 254;
constexpr float kTangentThreshold = -1.01f;
constexpr DWORD kShader11 = D3DVS_VERSION(1, 1);

char* CopyString(const char* text)
{
    if (!text)
        return nullptr;
    const size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
}

template <class T> void SafeRelease(T*& p)
{
    if (p)
    {
        p->Release();
        p = nullptr;
    }
}

const char* BaseName(const ESkinMeshBase* base)
{
    return base ? base->m_szFileName : "";
}

std::vector<DWORD> Adjacency(ID3DXMesh* mesh)
{
    std::vector<DWORD> adjacency(size_t(mesh->GetNumFaces()) * 3 + 1);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    return adjacency;
}
} // namespace

HRESULT ESkinMeshAllocateHierarchy::CreateFrame(LPCSTR Name, D3DXFRAME** ppNewFrame)
{
    if (!ppNewFrame)
        return D3DERR_INVALIDCALL;
    *ppNewFrame = nullptr;
    auto* frame = new (std::nothrow) D3DXFRAME_DERIVED;
    if (!frame)
        return E_OUTOFMEMORY;
    std::memset(static_cast<D3DXFRAME*>(frame), 0, sizeof(D3DXFRAME));
    frame->Name = CopyString(Name);
    if (Name && !frame->Name)
    {
        delete frame;
        return E_OUTOFMEMORY;
    }
    D3DXMatrixIdentity(&frame->TransformationMatrix);
    D3DXMatrixIdentity(&frame->CombinedTransformationMatrix);
    *ppNewFrame = frame;
    return D3D_OK;
}

HRESULT ESkinMeshAllocateHierarchy::CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData,
                                                        const D3DXMATERIAL* pMaterials,
                                                        const D3DXEFFECTINSTANCE*, DWORD NumMaterials,
                                                        const DWORD* pAdjacency, ID3DXSkinInfo* pSkinInfo,
                                                        D3DXMESHCONTAINER** ppNewMeshContainer)
{
    if (!ppNewMeshContainer)
        return D3DERR_INVALIDCALL;
    *ppNewMeshContainer = nullptr;
    if (!m_pBase)
        return D3D_OK;
    if (!pMeshData || pMeshData->Type != D3DXMESHTYPE_MESH)
    {
        g_Console.Print("pMeshData->Type != D3DXMESHTYPE_MESH");
        return E_FAIL;
    }
    ID3DXMesh* mesh = pMeshData->pMesh;
    if (!mesh)
    {
        g_Console.Print("ERROR in SkinMeshAllocateHierarchy: pMesh is NULL!");
        return E_FAIL;
    }
    auto* c = new (std::nothrow) D3DXMESHCONTAINER_DERIVED;
    if (!c)
        return E_OUTOFMEMORY;
    std::memset(static_cast<D3DXMESHCONTAINER*>(c), 0, sizeof(D3DXMESHCONTAINER));
    c->Name = CopyString(Name);
    c->MeshData.Type = D3DXMESHTYPE_MESH;
    c->MeshData.pMesh = mesh;
    mesh->AddRef();

    const DWORD faces = mesh->GetNumFaces();
    c->NumMaterials = NumMaterials > 0 ? NumMaterials : 1;
    c->pMaterials = new D3DXMATERIAL[c->NumMaterials]();
    c->pAdjacency = new DWORD[size_t(faces) * 3]();
    if (pAdjacency)
        std::memcpy(c->pAdjacency, pAdjacency, sizeof(DWORD) * faces * 3);
    c->pTextureNames = new char[c->NumMaterials][D3DXMESHCONTAINER_DERIVED::TEXTURE_NAME_SIZE]();
    if (NumMaterials == 0 || !pMaterials)
    {
        c->pMaterials[0].MatD3D.Diffuse = {kGrey, kGrey, kGrey, 0.0f};
        c->pMaterials[0].MatD3D.Ambient = {kGrey, kGrey, kGrey, 0.0f};
    }
    else
        for (DWORD m = 0; m < NumMaterials; ++m)
        {
            c->pMaterials[m] = pMaterials[m];
            c->pMaterials[m].pTextureFilename = nullptr;
            if (const char* texture = pMaterials[m].pTextureFilename)
            {
                const char* slash = std::strrchr(texture, '\\');
                const char* slash2 = std::strrchr(texture, '/');
                if (slash2 > slash)
                    slash = slash2;
                std::snprintf(c->pTextureNames[m], kTextureNameChars + 1, "%s", slash ? slash + 1 : texture);
                ++c->NumTextureNames;
            }
        }

    HRESULT hr = D3D_OK;
    if (pSkinInfo)
    {
        c->pSkinInfo = pSkinInfo;
        pSkinInfo->AddRef();
    }
    else
    {
        // A mesh without bones is skinned to its own frame with one full-weight bone.
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        mesh->GetDeclaration(decl);
        const DWORD vertices = mesh->GetNumVertices();
        if (SUCCEEDED(D3DXCreateSkinInfo(vertices, decl, 1, &c->pSkinInfo)))
        {
            std::vector<DWORD> index(vertices);
            std::vector<float> weight(vertices, 1.0f);
            for (DWORD v = 0; v < vertices; ++v)
                index[v] = v;
            c->pSkinInfo->SetBoneInfluence(0, vertices, index.data(), weight.data());
            c->pSkinInfo->SetBoneName(0, Name ? Name : "");
            c->pSkinInfo->SetMinBoneInfluence(kRigidMinInfluence);
            D3DXMATRIX identity;
            D3DXMatrixIdentity(&identity);
            c->pSkinInfo->SetBoneOffsetMatrix(0, &identity);
            c->bRigid = 1;
        }
        else
        {
            g_Console.Print("ERROR in SkinMeshAllocateHierarchy: pLinkedSkinInfo is NULL!");
            hr = E_FAIL;
        }
    }
    if (SUCCEEDED(hr))
    {
        c->pOrigMesh = mesh;
        mesh->AddRef();
        c->NumBones = c->pSkinInfo->GetNumBones();
        c->pBoneOffsetMatrices = new (std::nothrow) D3DXMATRIX[c->NumBones ? c->NumBones : 1];
        if (!c->pBoneOffsetMatrices)
        {
            g_Console.Print("pMeshContainer->pBoneOffsetMatrices == NULL");
            hr = E_OUTOFMEMORY;
        }
        else
            for (DWORD b = 0; b < c->NumBones; ++b)
                c->pBoneOffsetMatrices[b] = *c->pSkinInfo->GetBoneOffsetMatrix(b);
    }
    if (SUCCEEDED(hr))
    {
        hr = GenerateSkinnedMesh(m_pBase, c);
        if (FAILED(hr))
            g_Console.Print("GenerateSkinnedMesh failed");
    }
    if (FAILED(hr))
    {
        DestroyMeshContainer(c);
        return hr;
    }
    *ppNewMeshContainer = c;
    return D3D_OK;
}

HRESULT ESkinMeshAllocateHierarchy::DestroyFrame(D3DXFRAME* pFrameToFree)
{
    if (!pFrameToFree)
        return D3D_OK;
    std::free(pFrameToFree->Name);
    delete static_cast<D3DXFRAME_DERIVED*>(pFrameToFree);
    return D3D_OK;
}

HRESULT ESkinMeshAllocateHierarchy::DestroyMeshContainer(D3DXMESHCONTAINER* pMeshContainerToFree)
{
    auto* c = static_cast<D3DXMESHCONTAINER_DERIVED*>(pMeshContainerToFree);
    if (!c)
        return D3D_OK;
    std::free(c->Name);
    delete[] c->pAdjacency;
    delete[] c->pMaterials;
    delete[] c->pBoneOffsetMatrices;
    delete[] c->tBonesIndexes;
    delete[] c->pTextureNames;
    SafeRelease(c->MeshData.pMesh);
    SafeRelease(c->pOrigMesh);
    SafeRelease(c->pSkinInfo);
    SafeRelease(c->pBoneCombinationBuf);
    delete c;
    return D3D_OK;
}

HRESULT GenerateSkinnedMesh(ESkinMeshBase* base, D3DXMESHCONTAINER_DERIVED* c)
{
    if (!c || !c->pSkinInfo || !c->pOrigMesh)
        return D3D_OK;
    IDirect3DDevice9* device = g_pD3DInterface;
    D3DCAPS9 caps = {};
    if (device)
        device->GetDeviceCaps(&caps);
    const DWORD options = D3DXMESH_MANAGED | D3DXMESHOPT_VERTEXCACHE;
    const DWORD fallbackOptions = D3DXMESH_SYSTEMMEM | D3DXMESHOPT_VERTEXCACHE;
    const DWORD meshOptions = caps.VertexShaderVersion >= kShader11 ? options : fallbackOptions;

    SafeRelease(c->MeshData.pMesh);
    SafeRelease(c->pBoneCombinationBuf);
    c->pBoneCombination = nullptr;

    const DWORD bones = c->pSkinInfo->GetNumBones();
    if (bones > MAX_PALETTE_MATRICES)
    {
        char line[128];
        g_Console.Print("ATTENTION in GenerateSkinnedMesh()");
        g_Console.Print2("skinmesh: ", BaseName(base));
        std::snprintf(line, sizeof line, "NumBones=%lu > MaxMatrices=%lu", static_cast<unsigned long>(bones),
                      static_cast<unsigned long>(MAX_PALETTE_MATRICES));
        g_Console.Print(line);
    }
    c->NumPaletteEntries = bones < MAX_PALETTE_MATRICES ? bones : MAX_PALETTE_MATRICES;
    if (c->NumPaletteEntries == 0)
        c->NumPaletteEntries = 1;

    ID3DXMesh* blended = nullptr;
    HRESULT hr = c->pSkinInfo->ConvertToIndexedBlendedMesh(
        c->pOrigMesh, meshOptions, c->NumPaletteEntries, c->pAdjacency, nullptr, nullptr, nullptr,
        &c->NumInfl, &c->NumAttributeGroups, &c->pBoneCombinationBuf, &blended);
    ID3DXMesh* mesh = nullptr;
    if (SUCCEEDED(hr))
    {
        c->pBoneCombination = static_cast<D3DXBONECOMBINATION*>(c->pBoneCombinationBuf->GetBufferPointer());
        hr = blended->CloneMesh(blended->GetOptions(), g_SkinVertexDecl, device, &mesh);
        SafeRelease(blended);
        if (FAILED(hr))
            g_Console.Print("SkinMesh vertex declaration FAILED!");
    }
    if (FAILED(hr))
    {
        SafeRelease(blended);
        g_Console.Print("ERROR: GenerateSkinnedMesh() Failed...");
        return hr;
    }

    // Four weights that add up to one, as the skinning shaders expect.
    BYTE* vertices = nullptr;
    if (SUCCEEDED(mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices))))
    {
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        {
            float w[kWeights];
            BYTE* at = vertices + size_t(v) * SKIN_VERTEX_SIZE + kWeightsOffset;
            std::memcpy(w, at, sizeof w);
            if (c->NumInfl >= 2)
            {
                const float rest = 1.0f - (w[0] + w[1] + w[2]);
                w[3] = rest < 0.0f ? 0.0f : (rest > 1.0f ? 1.0f : rest);
            }
            else
            {
                w[0] = 1.0f;
                w[1] = w[2] = w[3] = 0.0f;
            }
            std::memcpy(at, w, sizeof w);
        }
        mesh->UnlockVertexBuffer();
    }

    std::vector<DWORD> adjacency = Adjacency(mesh);
    std::vector<DWORD> cleanAdjacency(adjacency.size());
    ID3DXMesh* cleaned = nullptr;
    if (SUCCEEDED(D3DXCleanMesh(D3DXCLEAN_SIMPLIFICATION, mesh, adjacency.data(), &cleaned,
                                cleanAdjacency.data(), nullptr)) &&
        cleaned)
    {
        if (cleaned != mesh)
        {
            mesh->Release();
            mesh = cleaned;
        }
        else
            cleaned->Release();
    }
    else
        g_Console.Print("skinmesh CleanMesh failed");

    D3DXWELDEPSILONS epsilons = {};
    D3DXWeldVertices(mesh, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &epsilons, nullptr, nullptr, nullptr,
                     nullptr);

    adjacency = Adjacency(mesh);
    if (FAILED(D3DXValidMesh(mesh, adjacency.data(), nullptr)))
    {
        g_Console.Print(" ");
        g_Console.Print("D3DXValidMesh failed! SkinMesh:");
        g_Console.Print(BaseName(base));
        g_Console.Print(" ");
    }
    // The check only reads the mesh: its adjacency still holds.
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr, nullptr);
    adjacency = Adjacency(mesh);
    mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr,
                          nullptr);
    if (!g_Options.PostProcessOff)
    {
        // The V derivative goes into the tangent channel: the skinned effects read it there.
        if (FAILED(D3DXComputeTangentFrameEx(mesh, D3DDECLUSAGE_TEXCOORD, 0, D3DX_DEFAULT, 0,
                                             D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                             D3DXTANGENT_GENERATE_IN_PLACE, nullptr, kTangentThreshold,
                                             kTangentThreshold, kTangentThreshold, nullptr, nullptr)))
            g_Console.Print("skinmesh D3DXComputeTangentFrameEx failed!");
    }
    c->MeshData.pMesh = mesh;
    return D3D_OK;
}
