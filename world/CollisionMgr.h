#pragma once
// CollisionMgr: for static mesh objects, a copy of their triangles in object
// and world space, with per-face boxes and normals and boxes of at most 100
// faces of one subset each, so collision and hit tests read plain arrays
// instead of locked buffers. The engine registers a mesh object when it gives
// it its body, refreshes the world-space data after a move and frees the
// record when the object is deleted. An object that keeps no world-space
// faces has its world boxes placed when its record is next asked for rather
// than at every move: a wheel turned each frame and seldom tested pays once.

#include "platform/d3dx/D3DXMath.h"
#include "platform/d3dx/Mesh.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

// What the manager reads from a static mesh object: its mesh, the mesh's
// bounds and subsets, a flag byte per subset, and where the object stands.
struct CollisionSource
{
    ID3DXMesh* pMesh = nullptr;
    D3DXVECTOR3 vMin = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vMax = {0.0f, 0.0f, 0.0f};
    const D3DXATTRIBUTERANGE* pRanges = nullptr;
    DWORD iRanges = 0;
    const BYTE* pSubsetFlags = nullptr; // one byte per attribute id, or null
    DWORD iSubsetFlags = 0;
    D3DXMATRIX mWorld;
};

// One box of faces: object- and world-space bounds, the faces it covers, and
// the subset they belong to. 64 bytes in the engine's records.
struct CollisionBox
{
    D3DXVECTOR3 vMin, vMax;
    D3DXVECTOR3 vWorldMin, vWorldMax;
    DWORD iFirstFace;
    DWORD iFaceCount;
    BYTE bSubsetFlag;
    DWORD iSubset;
};

struct CollisionRecord
{
    BYTE bUsed;
    HOBJECT hObject;
    D3DXVECTOR3 vMin, vMax;
    D3DXVECTOR3 vCorners[8];
    D3DXVECTOR3 vWorldMin, vWorldMax;
    DWORD iVertices;
    D3DXVECTOR3* CM_vVerticesLocal;
    D3DXVECTOR3* CM_vVerticesWorld;
    DWORD iFaces;
    WORD* CM_dwFaces; // three per face
    D3DXVECTOR3* CM_vFacesDimMin;
    D3DXVECTOR3* CM_vFacesDimMax;
    D3DXVECTOR3* CM_vFaceLocalNormal;
    D3DXVECTOR3* CM_vFacesAABB_Min;
    D3DXVECTOR3* CM_vFacesAABB_Max;
    D3DXVECTOR3* CM_vFaceNormal;
    DWORD iBoxes;
    CollisionBox* pBoxes;
    DWORD iUpdates;
    // The world boxes wait for this matrix: the object moved since they were placed.
    BYTE bPlacePending;
    D3DXMATRIX mPendingWorld;
};

class CollisionMgr
{
public:
    static constexpr int MAX_OBJECTS_IN_COLLISION_MGR = 3000;
    static constexpr DWORD FACES_PER_BOX = 100;
    static constexpr DWORD TABLE_BYTES = 744000;
    static constexpr DWORD BOX_BYTES = 64;

    CollisionMgr();
    virtual ~CollisionMgr();
    CollisionMgr(const CollisionMgr&) = delete;
    CollisionMgr& operator=(const CollisionMgr&) = delete;

    // Registers a mesh object from its mesh; an object already registered
    // only has its world-space data refreshed.
    void AddObject(HOBJECT object);
    void AddObject(HOBJECT object, const CollisionSource& source);
    // Refreshes the world-space data of a registered mesh object.
    void UpdateObject(HOBJECT object);
    void TransformObject(HOBJECT object, const D3DXMATRIX& world);
    void FreeObject(HOBJECT object);
    void RemoveObject(HOBJECT object) { FreeObject(object); }
    // The per-subset bounds of the object's mesh in mesh space, into out
    // (one min and max per attribute range, at most n ranges); the count.
    DWORD ComputeSubsetBounds(HOBJECT object, D3DXVECTOR3* outMin, D3DXVECTOR3* outMax, DWORD n);
    // Frees every record (program end).
    void FreeAll();

    // The object's record, or null when it has none; its world boxes are
    // placed where the object last moved to.
    const CollisionRecord* GetRecord(HOBJECT object);
    DWORD GetMemoryTotal() const { return m_iMemory; }

    // What a mesh object gives the manager; false when it has no mesh to give.
    static bool GetSource(HOBJECT object, CollisionSource* out);

private:
    // The registered record of the object, as it stands.
    CollisionRecord* Held(HOBJECT object);
    static void PlaceBoxes(CollisionRecord& r, const D3DXMATRIX& world);
    void FreeRecord(CollisionRecord& r);
    static DWORD RecordBytes(const CollisionRecord& r);

    DWORD m_iMemory = TABLE_BYTES;
    CollisionRecord m_Records[MAX_OBJECTS_IN_COLLISION_MGR] = {};
};

extern CollisionMgr g_CollisionMgr;
