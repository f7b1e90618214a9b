#pragma once
// ESkinMeshBase: one skinned model loaded once and shared by every instance that shows it: the frame
// hierarchy with its skinned mesh containers, the model's animation names and loaded animations, its
// sockets, animation descriptions and hit zones.

#include "mesh/SkinMeshAnimation.h"
#include "mesh/SkinMeshCollision.h"
#include "platform/d3dx/Frame.h"

#include <string>
#include <vector>

constexpr int MAX_ANIMATIONS_IN_SKINMESHBASE = 1000;
// Bone matrices one draw call takes.
constexpr DWORD MAX_PALETTE_MATRICES = 64;
constexpr int TEXTURE_VARIANT_COUNTERS = 20;

struct D3DXFRAME_DERIVED : D3DXFRAME
{
    D3DXMATRIX CombinedTransformationMatrix;
    int iFrameIdx = 0;
};

struct D3DXMESHCONTAINER_DERIVED : D3DXMESHCONTAINER
{
    static constexpr size_t TEXTURE_NAME_SIZE = 256;
    DWORD NumTextureNames = 0;
    char (*pTextureNames)[TEXTURE_NAME_SIZE] = nullptr;
    ID3DXMesh* pOrigMesh = nullptr;
    DWORD NumAttributeGroups = 0;
    DWORD NumInfl = 0;
    ID3DXBuffer* pBoneCombinationBuf = nullptr;
    D3DXBONECOMBINATION* pBoneCombination = nullptr;
    D3DXMATRIX* pBoneOffsetMatrices = nullptr;
    DWORD NumPaletteEntries = 0;
    DWORD NumBones = 0;
    int* tBonesIndexes = nullptr;
    BYTE bRigid = 0;
};

struct strSkinNode;

struct strSkinMeshSocket
{
    static constexpr size_t NAME_SIZE = 64;
    static constexpr size_t NODE_NAME_SIZE = 128;
    char szName[NAME_SIZE] = {};
    char szNodeName[NODE_NAME_SIZE] = {};
    int iNode = -1; // the instance's node; resolved on first use, never in the base
    D3DXVECTOR3 vOffset = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vAngles = {0.0f, 0.0f, 0.0f}; // degrees about X, Y and Z
    strSkinMeshSocket* pNext = nullptr;
};

struct strAnimationDesc
{
    static constexpr size_t NAME_SIZE = 128;
    char szName[NAME_SIZE] = {};
    strAnimationParams Params;
};

// The 76-byte vertex of converted skinned meshes.
extern const D3DVERTEXELEMENT9 g_SkinVertexDecl[];
constexpr DWORD SKIN_VERTEX_SIZE = 76;

class ESkinMeshBase
{
public:
    static constexpr size_t PATH_SIZE = 1024;
    static constexpr size_t FILE_NAME_SIZE = 256;
    static constexpr size_t FOLDER_SIZE = 768;

    ESkinMeshBase();
    virtual ~ESkinMeshBase();
    ESkinMeshBase(const ESkinMeshBase&) = delete;
    ESkinMeshBase& operator=(const ESkinMeshBase&) = delete;

    bool Create(const char* path);
    void Destroy();

    void AddSocket(const strSkinMeshSocket& socket);
    void RemoveSocket(const char* name);
    void RemoveAllSockets();

    // The index of the loaded animation of that name in the table, or -1.
    int FindAnimation(const char* name) const;
    bool HasAnimationName(const char* name) const;
    // A side file of the model: the model folder followed by `relative` ("\sockets.txt").
    std::string SideFile(const char* relative) const;

    DWORD m_dwBehaviorFlags = 0;
    DWORD m_iFrameCounter = 0;
    BYTE m_bCreated = 0;
    int m_iTextureVariantCounters[TEXTURE_VARIANT_COUNTERS] = {};
    BYTE m_bLowPoly = 0;
    char m_szPath[PATH_SIZE] = {};
    char m_szFileName[FILE_NAME_SIZE] = {};
    char m_szFolder[FOLDER_SIZE] = {};
    D3DXFRAME_DERIVED* m_pFrameRoot = nullptr;
    ID3DXAnimationController* m_pAnimController = nullptr;
    int m_iReferenceCount = 0;
    int m_iNumAnimations = 0;
    ESkinMeshAnimation* m_pAnimations[MAX_ANIMATIONS_IN_SKINMESHBASE] = {};
    std::vector<std::string> m_szAnimationNames;
    std::vector<strAnimationDesc> m_Descriptions;
    char m_szDefaultAnimation[strAnimationDesc::NAME_SIZE] = {};
    strSkinMeshSocket* m_pSockets = nullptr;
    strSkinCollisionElements m_Collisions;

private:
    bool SetupBoneMatrixPointers(D3DXFRAME_DERIVED* frame);
    void FreeHierarchy();
    void ReadDescriptions();
    void ReadSockets();
    void ReadHitZones();
};

// Every frame of a hierarchy in `iFrameIdx` order.
void CollectFrames(D3DXFRAME_DERIVED* root, std::vector<D3DXFRAME_DERIVED*>* frames);
