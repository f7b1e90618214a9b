#pragma once
// D3DX skin information: bones with names, offset matrices and vertex influences, and the conversion
// of a mesh into an indexed blended mesh whose faces are grouped by bone palettes.

#include "platform/d3dx/Mesh.h"

struct D3DXBONECOMBINATION
{
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId; // palette entries; UINT_MAX for an unused one
};
typedef D3DXBONECOMBINATION* LPD3DXBONECOMBINATION;

struct ID3DXSkinInfo : IUnknown
{
    virtual HRESULT SetBoneInfluence(DWORD Bone, DWORD NumInfluences, const DWORD* vertices,
                                     const FLOAT* weights) = 0;
    virtual DWORD GetNumBoneInfluences(DWORD Bone) = 0;
    virtual HRESULT GetBoneInfluence(DWORD Bone, DWORD* vertices, FLOAT* weights) = 0;
    virtual HRESULT GetMaxVertexInfluences(DWORD* maxVertexInfluences) = 0;
    virtual DWORD GetNumBones() = 0;
    virtual HRESULT SetMinBoneInfluence(FLOAT MinInfl) = 0;
    virtual FLOAT GetMinBoneInfluence() = 0;
    virtual HRESULT SetBoneName(DWORD Bone, LPCSTR pName) = 0;
    virtual LPCSTR GetBoneName(DWORD Bone) = 0;
    virtual HRESULT SetBoneOffsetMatrix(DWORD Bone, const D3DXMATRIX* pBoneTransform) = 0;
    virtual D3DXMATRIX* GetBoneOffsetMatrix(DWORD Bone) = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual HRESULT ConvertToIndexedBlendedMesh(ID3DXMesh* pMesh, DWORD Options, DWORD paletteSize,
                                                const DWORD* pAdjacencyIn, LPDWORD pAdjacencyOut,
                                                DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap,
                                                DWORD* pMaxVertexInfl, DWORD* pNumBoneCombinations,
                                                ID3DXBuffer** ppBoneCombinationTable, ID3DXMesh** ppMesh) = 0;
};
typedef ID3DXSkinInfo* LPD3DXSKININFO;

HRESULT D3DXCreateSkinInfo(DWORD NumVertices, const D3DVERTEXELEMENT9* pDeclaration, DWORD NumBones,
                           ID3DXSkinInfo** ppSkinInfo);
HRESULT D3DXCreateSkinInfoFVF(DWORD NumVertices, DWORD FVF, DWORD NumBones, ID3DXSkinInfo** ppSkinInfo);
