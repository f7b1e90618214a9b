#pragma once
// EMesh: the visual body of one static-mesh scene object. It borrows its geometry from the mesh table
// (EMeshMgr) and keeps per-instance materials, subset textures and flags, scale and rotation, world
// and inverse world matrices, bounds, the rigid-body description and the path-generation values.

#include "mesh/MeshMgr.h"
#include "physics/PhysicsDesc.h"
#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <memory>

// A subset's texture in the renderer's texture registry; 0 is none.
typedef DWORD MeshTextureIndex;

class EMesh
{
public:
    static constexpr int PATH_GEN_VALUES = 5;

    EMesh();
    virtual ~EMesh();

    void SetOwner(HOBJECT owner) { m_hObject = owner; }
    // Loads (or shares) the table entry and sets the instance up; false leaves it without a mesh.
    bool Create(const char* fileName);
    void ReleaseMaterials();
    const char* GetMeshFileName() const { return m_szFileName; }
    strmesh* GetMeshEntry() const { return m_pEntry; }
    float GetRadius() const { return m_fScaledRadius; }
    bool IsCreated() const { return m_bCreated != 0; }

    void UpdateTransform();
    void SetRotation(const D3DXQUATERNION* q);
    void SetScale(float x, float y, float z);
    // The scale and the radii it gives, leaving the transform to the next update
    // (a new instance is placed and scaled with one update).
    void SetScaleOnly(float x, float y, float z);
    void GetScale(float* out) const;
    void GetOrientation(EOrientation* out) const;
    void GetWorldMatrix(D3DXMATRIX* out) const;
    // The inverse of the world matrix, made at its first use after a move and
    // kept until the next one; null when the matrix has none (a mesh scaled to
    // nothing along an axis).
    const D3DXMATRIX* InverseWorld() const;
    bool Intersect(const D3DXVECTOR3* from, const D3DXVECTOR3* to) const;
    // Face and vertex counts of the subset's attribute range; false for subsets of 256 and more.
    bool GetSubsetSize(DWORD subset, DWORD* faces, DWORD* vertices) const;
    void ComputeFaceBounds();
    // The owner's three extra rotation angles in degrees (about forward, right and up).
    void SetExtraAngles(float forward, float right, float up);
    void SetFlagValue(BYTE flag, float value)
    {
        m_bSwitch = flag;
        m_fSwitchValue = value;
    }

    // The engine's object operations.
    void SetTransform(const D3DXVECTOR3* position, const EOrientation* orientation);
    void SetPosition(const D3DXVECTOR3* position);
    void SetRotation(const EOrientation* orientation);
    void SetScale(const D3DXVECTOR3* scale);
    void GetScale(D3DXVECTOR3* out) const;
    void RefreshTransform();
    void SetPhysicsDesc(const EPhysicsDesc* desc);
    void GetPhysicsDesc(EPhysicsDesc* out) const { *out = PhysicsDesc(); }
    // The rigid-body description: the defaults until one is set (most meshes keep them).
    const EPhysicsDesc& PhysicsDesc() const;
    void SetPathGenParams(const float values[PATH_GEN_VALUES]);
    void GetPathGenParams(float values[PATH_GEN_VALUES]) const;
    // The bush sound: a file played while the hero walks through the mesh.
    void SetBushSound(const char* fileName, float range);
    // The painted-texture state is built again from the object's record.
    void ClearTexturePaintState() {}

    D3DMATERIAL9* m_pMeshMaterials = nullptr;
    ID3DXBuffer* m_pMaterialBuffer = nullptr;
    D3DXMATRIX m_mLocal;
    ID3DXMesh* m_pBaseMesh = nullptr;
    float m_fPathGen[PATH_GEN_VALUES];
    BYTE m_bSwitch = 0;
    float m_fSwitchValue = 0.0f;
    BYTE m_bCreated = 0;
    // The per-subset tables below hold SubsetSlots() entries (the mesh's
    // materials, at most MAX_MESH_MATERIALS), all zero until its textures are
    // loaded, and are null before the mesh is created.
    DWORD SubsetSlots() const { return m_dwSubsetSlots; }
    // Makes the tables for `count` subsets, all zero (creation does; a test may too).
    void ReserveSubsets(DWORD count);
    // Per subset: the segment tests pass through it (its material's "no intersect").
    BYTE* m_FlagGroup1 = nullptr;
    // Per subset, from its material, for the passes: drawn; alpha-tested; left
    // to a special pass (additive, stain, translucent, ray of light, water, not
    // rendered); casts no shadow.
    BYTE* m_bSubsetDrawn = nullptr;
    BYTE* m_bSubsetAlphaTested = nullptr;
    BYTE* m_bSubsetSpecial = nullptr;
    BYTE* m_bSubsetNoShadow = nullptr;
    char m_szFileName[MESH_NAME_SIZE] = {};
    HOBJECT m_hObject = nullptr;
    int m_iMeshId = -1;
    // Which creation of any instance this one's is: lookups remembered for an
    // instance hold only for the same creation.
    DWORD m_dwSerial = 0;
    MeshTextureIndex* m_TextureIndex = nullptr;
    D3DXMATRIX m_mWorld;
    BYTE* m_bUsableSubset = nullptr;
    D3DXVECTOR3 m_vMin = {0, 0, 0};
    D3DXVECTOR3 m_vMax = {0, 0, 0};
    D3DXVECTOR3 m_vCenter = {0, 0, 0};
    float m_fScaledRadius = 0.0f;
    float m_fExtentSum = 0.0f;
    float m_fBaseRadius = 0.0f;
    D3DXVECTOR3 m_vWorldCorners[8] = {};
    D3DXVECTOR3 m_vWorldMin = {0, 0, 0};
    D3DXVECTOR3 m_vWorldMax = {0, 0, 0};
    float m_fFaceRadiusSq = 0.0f;
    float m_fFaceRadius = 0.0f;
    float m_fScaledFaceRadiusSq = 0.0f;
    DWORD m_dwNumMaterials = 0;
    D3DXVECTOR3 m_vPosition = {0, 0, 0};
    D3DXVECTOR3 m_vScale = {1, 1, 1};
    D3DXQUATERNION m_qBase;
    D3DXQUATERNION m_qFinal;
    strmesh* m_pEntry = nullptr;
    ID3DXMesh* m_pDrawMesh = nullptr; // the base mesh or a level of detail
    int m_iLodLevel = 0;              // 0 base, n + 1 for level n
    BYTE* m_SubsetRemap = nullptr;
    float m_fExtraAngles[3] = {0, 0, 0};

    char m_szBushSound[MESH_NAME_SIZE] = {};
    float m_fBushRange = 0.0f;
    float m_fBushValue = 0.0f;
    BYTE m_bBushSound = 0;
    int m_iRefreshes = 0; // transform refreshes asked for by flag changes

private:
    void PlaceCorners();

    mutable D3DXMATRIX m_mInvWorld;
    // Whether m_mInvWorld was made from the present world matrix, and whether
    // that matrix had one.
    mutable BYTE m_bInvWorldCurrent = 1;
    mutable BYTE m_bInvertible = 1;

    std::unique_ptr<EPhysicsDesc> m_pPhysicsDesc;
    // One block for every per-subset table.
    std::unique_ptr<DWORD[]> m_pSubsetBlock;
    DWORD m_dwSubsetSlots = 0;
};
