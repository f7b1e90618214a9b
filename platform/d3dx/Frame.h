#pragma once
// D3DX frame hierarchies: .x frames with their meshes built through the caller's allocator, frame
// search and destruction, and the file's animation sets handed over in a controller.

#include "platform/d3dx/Mesh.h"
#include "platform/d3dx/SkinInfo.h"

enum D3DXMESHDATATYPE
{
    D3DXMESHTYPE_MESH = 0x001,
    D3DXMESHTYPE_PMESH = 0x002,
    D3DXMESHTYPE_PATCHMESH = 0x003,
    D3DXMESHTYPE_FORCE_DWORD = 0x7fffffff,
};

struct D3DXMESHDATA
{
    D3DXMESHDATATYPE Type;
    ID3DXMesh* pMesh;
};

struct D3DXMESHCONTAINER
{
    LPSTR Name;
    D3DXMESHDATA MeshData;
    D3DXMATERIAL* pMaterials;
    D3DXEFFECTINSTANCE* pEffects;
    DWORD NumMaterials;
    DWORD* pAdjacency;
    ID3DXSkinInfo* pSkinInfo;
    D3DXMESHCONTAINER* pNextMeshContainer;
};
typedef D3DXMESHCONTAINER* LPD3DXMESHCONTAINER;

struct D3DXFRAME
{
    LPSTR Name;
    D3DXMATRIX TransformationMatrix;
    D3DXMESHCONTAINER* pMeshContainer;
    D3DXFRAME* pFrameSibling;
    D3DXFRAME* pFrameFirstChild;
};
typedef D3DXFRAME* LPD3DXFRAME;

// The caller builds and frees every frame and mesh container; the loader hands over what it read and
// releases its own references afterwards (a container keeps what it AddRefs).
struct ID3DXAllocateHierarchy
{
    virtual HRESULT CreateFrame(LPCSTR Name, D3DXFRAME** ppNewFrame) = 0;
    virtual HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData,
                                        const D3DXMATERIAL* pMaterials,
                                        const D3DXEFFECTINSTANCE* pEffectInstances, DWORD NumMaterials,
                                        const DWORD* pAdjacency, ID3DXSkinInfo* pSkinInfo,
                                        D3DXMESHCONTAINER** ppNewMeshContainer) = 0;
    virtual HRESULT DestroyFrame(D3DXFRAME* pFrameToFree) = 0;
    virtual HRESULT DestroyMeshContainer(D3DXMESHCONTAINER* pMeshContainerToFree) = 0;

protected:
    ~ID3DXAllocateHierarchy() = default;
};
typedef ID3DXAllocateHierarchy* LPD3DXALLOCATEHIERARCHY;

// Never given by the game: user data objects of a file are skipped.
struct ID3DXLoadUserData;

// The key types of an animation: a rotation quaternion (w, x, y, z), a scale, a position or a matrix.
enum D3DXANIMATIONKEYTYPE
{
    D3DXKEY_ROTATION = 0,
    D3DXKEY_SCALE = 1,
    D3DXKEY_POSITION = 2,
    D3DXKEY_MATRIX = 4,
};

// One animation set of the file, read-only.
struct ID3DXAnimationSet : IUnknown
{
    virtual LPCSTR GetName() = 0;
    // Ticks of the file's AnimTicksPerSecond (4800 when the file gives none).
    virtual double GetSourceTicksPerSecond() = 0;
    virtual UINT GetNumAnimations() = 0;
    virtual HRESULT GetAnimationNameByIndex(UINT Index, LPCSTR* ppName) = 0;
    // Keys of one type of an animation: times (ticks) and values (4, 3, 3 or 16 floats per key).
    virtual UINT GetNumKeys(UINT Animation, D3DXANIMATIONKEYTYPE Type) = 0;
    virtual HRESULT GetKey(UINT Animation, D3DXANIMATIONKEYTYPE Type, UINT Key, DWORD* pTime,
                           FLOAT* pValues) = 0;
};

struct ID3DXAnimationController : IUnknown
{
    virtual UINT GetNumAnimationSets() = 0;
    virtual HRESULT GetAnimationSet(UINT Index, ID3DXAnimationSet** ppAnimationSet) = 0;
    virtual HRESULT GetAnimationSetByName(LPCSTR szName, ID3DXAnimationSet** ppAnimationSet) = 0;
};
typedef ID3DXAnimationController* LPD3DXANIMATIONCONTROLLER;

HRESULT D3DXLoadMeshHierarchyFromXA(LPCSTR Filename, DWORD MeshOptions, IDirect3DDevice9* pDevice,
                                    ID3DXAllocateHierarchy* pAlloc, ID3DXLoadUserData* pUserDataLoader,
                                    D3DXFRAME** ppFrameHierarchy,
                                    ID3DXAnimationController** ppAnimController);
HRESULT D3DXLoadMeshHierarchyFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD MeshOptions,
                                           IDirect3DDevice9* pDevice, ID3DXAllocateHierarchy* pAlloc,
                                           ID3DXLoadUserData* pUserDataLoader, D3DXFRAME** ppFrameHierarchy,
                                           ID3DXAnimationController** ppAnimController);
#define D3DXLoadMeshHierarchyFromX D3DXLoadMeshHierarchyFromXA
LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* pFrameRoot, LPCSTR Name);
HRESULT D3DXFrameDestroy(D3DXFRAME* pFrameRoot, ID3DXAllocateHierarchy* pAlloc);
