#pragma once
// ESkinMesh: one animated model in the world, the visual of a skinned-mesh scene object. It copies the
// model's bone hierarchy into a flat node table, plays up to four animation slots over it (slot 0 the
// whole body, slots 1 to 3 the nodes of their masks) with blends between animations, carries the
// model's sockets and hit zones, and builds the bone palettes the renderer draws it with.

#include "mesh/SkinMeshBase.h"
#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

constexpr int MAX_NUM_ATTRIBUTE_GROUPS = 50;
constexpr int SKIN_ANIMATION_SLOTS = 4;
// Texture variants one instance remembers (original name, the variant chosen for it).
constexpr int MAX_TEXTURE_SUBSTITUTIONS = 32;

struct EEffect;

enum SkinSlotState : int
{
    SLOT_IDLE = 0,
    SLOT_PLAYING = 1,
    SLOT_BLENDING = 4,
    SLOT_STOPPED = 5,
};

struct strSkinNode
{
    char szName[tNodeAnim::NAME_SIZE] = {};
    int iParent = -1;
    int iNextSibling = -1;
    int iFirstChild = -1;
    int iNumChildren = 0;
    int iIndex = 0;
    D3DXFRAME_DERIVED* pFrame = nullptr;
    D3DXMESHCONTAINER_DERIVED* pMeshContainer = nullptr;
    int iDepth = 0;
    BYTE bMask[3] = {}; // membership in the masks of slots 1, 2 and 3
    D3DXFRAME_DERIVED* pFrameLowPoly = nullptr;
    D3DXMESHCONTAINER_DERIVED* pMeshContainerLowPoly = nullptr;
    std::vector<int> pTextureIDs;
    // Body-frame reference data, kept for the ragdoll.
    D3DXVECTOR3 vReference[4] = {};
    DWORD iAxis = 0;
    BYTE bReference = 0;
    D3DXMATRIX mReference[3];
    D3DXMATRIX mBind;
    D3DXVECTOR3 vBlendStartT = {0.0f, 0.0f, 0.0f};
    D3DXQUATERNION qBlendStartR = {0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vBlendStartS = {1.0f, 1.0f, 1.0f};
    D3DXVECTOR3 vBlendTargetT = {0.0f, 0.0f, 0.0f};
    D3DXQUATERNION qBlendTargetR = {0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vBlendTargetS = {1.0f, 1.0f, 1.0f};
    D3DXMATRIX mLocal;
    D3DXMATRIX mWorld;
    D3DXVECTOR3 vTranslation = {0.0f, 0.0f, 0.0f};
    D3DXQUATERNION qRotation = {0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vScale = {1.0f, 1.0f, 1.0f};
    strLinkField* pLink = nullptr;
};

struct strSkinMeshRecord
{
    DWORD iNode = 0;
    D3DXMESHCONTAINER_DERIVED* pMeshContainer = nullptr;
    DWORD iNumPalettes = 0; // attribute groups given palettes, at most MAX_NUM_ATTRIBUTE_GROUPS
    std::vector<D3DXMATRIX> pBoneMatrices[MAX_NUM_ATTRIBUTE_GROUPS];
    std::vector<int> pTextureIDs; // low-poly records: texture index per material (full ones use the node's)
};

class ESkinMesh
{
public:
    static constexpr float DEFAULT_RADIUS = 64.0f;
    static constexpr size_t SAVED_HEADER_SIZE = 1367;
    static constexpr size_t SAVED_NODE_SIZE = 493;
    // Kind codes of the owner's flag word 3.
    static constexpr DWORD KIND_BACKGROUND = 256;
    static constexpr DWORD KIND_NEVER_ANIMATED = 1024;
    // Level frames after which background figures stop animating.
    static constexpr DWORD BACKGROUND_FRAMES = 350;

    ESkinMesh();
    virtual ~ESkinMesh();
    ESkinMesh(const ESkinMesh&) = delete;
    ESkinMesh& operator=(const ESkinMesh&) = delete;

    void SetOwner(HOBJECT owner) { m_hObject = owner; }
    bool Create(const char* path);
    void Destroy();
    float GetRadius() const { return m_fRadius; }

    void SetPosition(const D3DXVECTOR3* position);
    void GetPosition(D3DXVECTOR3* out) const { *out = m_vPosition; }
    void SetOrientation(const EOrientation* orientation);
    void GetOrientation(EOrientation* out) const { *out = m_Orientation; }
    void SetScale(const D3DXVECTOR3* scale);
    void GetScale(D3DXVECTOR3* out) const { *out = m_vScale; }

    // ---- Animation -------------------------------------------------------------------------------
    bool SetAnimation(const char* name, BYTE loop, double blendTime, double speed);
    bool SetAnimationSlot1(const char* name, BYTE loop, double blendTime);
    bool SetAnimationSlot2(const char* name, BYTE loop, double blendTime);
    bool SetAnimationNoBlend(const char* name, BYTE loop);
    // The engine's form: slot 0 with blend and speed, slots 1 and 2 with their blend.
    bool SetAnimation(int slot, const char* name, BYTE loop, float blendTime, float speed);
    bool HasAnimation(const char* name, bool ownOnly = false) const;
    bool CanBeInterrupted() const;
    bool CanAnimationBeInterrupted() const { return CanBeInterrupted(); }
    double GetAnimationTime() const;
    bool HasAnimationWrapped() const;
    bool IsRootMotionAnimation() const;
    void GetRootPosition(D3DXVECTOR3* out) const;
    void SetTimeScale(double scale) { m_dTimeScale = scale; }
    void SetUseBindPose(BYTE on) { m_bUseBindPose = on; }

    // ---- Per frame -------------------------------------------------------------------------------
    void Update(float frameTime);
    void UpdateNodeTransforms();
    void UpdateNodes() { UpdateNodeTransforms(); }
    // Every palette entry: the bone's offset matrix times the world matrix of the node driving it.
    void ComputeBoneMatrices();
    // Draws the attribute groups of material `part` whose texture is `texture`, each with its bone
    // palette and influence count set on the effect. The caller has begun the technique's pass.
    void Render(DWORD texture, DWORD part, EEffect* effect);

    // ---- Nodes and sockets -----------------------------------------------------------------------
    int FindNode(const char* name) const;
    // The bones the game asks for by name, found once when the instance is
    // made (case-blind; a bone the model lacks is -1). The head is
    // "Bip01_Head", or "Bip01_glowa" in models without it.
    static constexpr int NAMED_BONES = 54;
    static const char* const NAMED_BONE_NAMES[NAMED_BONES];
    // The node of a named bone: -1 when the model lacks it or the name is not one of them.
    int NamedBone(const char* name) const;
    bool GetNodePosition(const char* name, D3DXVECTOR3* out) const;
    bool GetSocketMatrix(const char* name, D3DXVECTOR3* position, EOrientation* orientation);
    bool GetSocket(const char* name, D3DXMATRIX* out);
    // Every node takes the shared pose record of its name again.
    void LinkNodes();

    // ---- Saves -----------------------------------------------------------------------------------
    bool SaveState(FILE* file);
    bool LoadState(FILE* file);
    // A stored state that no instance takes: its node part cannot be measured without the model, so
    // the load reads the fixed part and reports failure rather than read the rest out of step.
    static bool SkipState(FILE* file);

    HOBJECT m_hObject = nullptr;
    BYTE m_bLowPolyDrawing = 0;
    float m_fFrameTime = 0.0f;
    float m_fCountdown = 0.0f;
    BYTE m_bTrunkTurn = 0;
    double m_dTrunkTurn[6] = {0.0, 0.0, 1.0, 0.0, 0.0, 1.0};
    double m_dReserved[16] = {};
    ESkinMeshBase* m_pBase = nullptr;
    ESkinMeshBase* m_pBaseLowPoly = nullptr;
    strAnimationSlot m_Slots[SKIN_ANIMATION_SLOTS];
    int m_iSlotState[SKIN_ANIMATION_SLOTS] = {};
    std::vector<strSkinNode> m_pNodes;
    std::vector<strSkinMeshRecord> m_pMeshes;
    std::vector<strSkinMeshRecord> m_pMeshes_LowPoly;
    // The node of each frame of the low-poly model (by its frame index), -1 for a frame the full
    // skeleton lacks: the low-poly skin is posed by the instance's own nodes.
    std::vector<int> m_LowPolyNodes;
    strSkinCollisionInstance m_Collision;
    strSkinMeshSocket* m_pSockets = nullptr;
    D3DXVECTOR3 m_vPosition = {0.0f, 0.0f, 0.0f};
    EOrientation m_Orientation;
    D3DXVECTOR3 m_vScale = {1.0f, 1.0f, 1.0f};
    BYTE m_bCreated = 0;
    float m_fRadius = DEFAULT_RADIUS;
    float m_fCameraDistance = 0.0f;
    float m_fSpare = 0.0f;
    D3DXVECTOR3 m_vSpare = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vBoxMin = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vBoxMax = {0.0f, 0.0f, 0.0f};
    BYTE m_bVisible = 1;
    DWORD m_dwOwnerFlags = 0;
    DWORD m_dwOwnerFlags2 = 0;
    D3DXMATRIX m_mWorld;
    double m_dLookAngles[4] = {};
    BYTE m_bReserved = 1;
    BYTE m_bReserved2 = 0;
    double m_dTimeScale = 1.0;
    BYTE m_bUseBindPose = 0;
    int m_iHeadNode = -1;
    int m_iNamedBones[NAMED_BONES] = {};
    std::vector<std::pair<std::string, std::string>> m_TextureSubstitutions;

private:
    void FindNamedBones();
    void UpdateCameraDistance();
    bool FillNodes();
    void SetMasks();
    void BuildMeshRecords();
    void BuildLowPolyRecords(int* textureCounter);
    void ResetSlots();
    void CopySockets();
    // Registers every material's texture (or its chosen variant) with the renderer.
    void AssignTextures();
    const char* ChooseTexture(const char* name, int* counter);
    void RebuildWorld();
    bool InSlot(const strSkinNode& node, int slot) const;
    // Puts the shared records of the nodes the slot drives to the rest pose and marks them for the
    // sampling pass it returns.
    DWORD MarkSlotLinks(int slot);
    // Finds the animation in the model's table, loading it on first use: its index or -1.
    int ResolveAnimation(const char* name);
    bool StartSlot(int slot, const char* name, BYTE loop, double blendTime, double speed, int state);
    void BeginBlend(int slot);
    void Advance(int slot);
    void Apply(int slot);
    void PoseHook();
    ESkinMeshAnimation* SlotAnimation(int slot) const;
};
