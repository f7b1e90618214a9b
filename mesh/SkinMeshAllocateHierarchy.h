#pragma once
// ESkinMeshAllocateHierarchy: the callbacks the hierarchy loader builds a skinned model's frames and
// mesh containers through; each container is converted into an indexed, hardware-skinned mesh as it
// is built.

#include "mesh/SkinMeshBase.h"

class ESkinMeshAllocateHierarchy : public ID3DXAllocateHierarchy
{
public:
    // Containers are built for this base (its name goes into the messages); null builds frames only.
    explicit ESkinMeshAllocateHierarchy(ESkinMeshBase* base) : m_pBase(base) {}
    virtual ~ESkinMeshAllocateHierarchy() = default;

    HRESULT CreateFrame(LPCSTR Name, D3DXFRAME** ppNewFrame) override;
    HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData, const D3DXMATERIAL* pMaterials,
                                const D3DXEFFECTINSTANCE* pEffectInstances, DWORD NumMaterials,
                                const DWORD* pAdjacency, ID3DXSkinInfo* pSkinInfo,
                                D3DXMESHCONTAINER** ppNewMeshContainer) override;
    HRESULT DestroyFrame(D3DXFRAME* pFrameToFree) override;
    HRESULT DestroyMeshContainer(D3DXMESHCONTAINER* pMeshContainerToFree) override;

private:
    ESkinMeshBase* m_pBase;
};

// Converts the container's source mesh into the skinned vertex layout with bone palettes.
HRESULT GenerateSkinnedMesh(ESkinMeshBase* base, D3DXMESHCONTAINER_DERIVED* container);
