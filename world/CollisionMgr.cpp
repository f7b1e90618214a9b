// CollisionMgr: the collision geometry of static mesh objects.
#include "world/CollisionMgr.h"

#include "mesh/Mesh.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "world/Object.h"

#include <cstring>
#include <new>
#include <vector>

CollisionMgr g_CollisionMgr;

namespace
{
constexpr DWORD FLAG1_NO_COLLISION = 0x80; // out of segment and collision tests
constexpr DWORD FLAG1_WORLD_FACES = 0x4;   // keeps its world-space faces up to date
constexpr DWORD FLAG2_STATIC = 0x10000;    // never moves: no world-space faces
constexpr DWORD INDEX_BYTES = 2;
constexpr DWORD VECTOR_BYTES = sizeof(float) * 3;
constexpr DWORD FACE_INDEX_BYTES = INDEX_BYTES * 3;
constexpr DWORD PER_FACE_ARRAYS = 6;
constexpr DWORD MAX_INDEX = 0xFFFF;

// The allocation tracker's tag of each array.
constexpr const char* TAG_VERTICES_LOCAL = "CM_vVerticesLocal";
constexpr const char* TAG_VERTICES_WORLD = "CM_vVerticesWorld";
constexpr const char* TAG_FACES = "CM_dwFaces";
constexpr const char* TAG_FACES_MIN = "CM_vFacesDimMin";
constexpr const char* TAG_FACES_MAX = "CM_vFacesDimMax";
constexpr const char* TAG_LOCAL_NORMAL = "CM_vFaceLocalNormal";
constexpr const char* TAG_AABB_MIN = "CM_vFacesAABB_Min";
constexpr const char* TAG_AABB_MAX = "CM_vFacesAABB_Max";
constexpr const char* TAG_NORMAL = "CM_vFaceNormal";
constexpr const char* TAG_BOXES = "pBoxes";

template <class T> T* Allocate(DWORD n, const char* tag)
{
    T* p = new (std::nothrow) T[n ? n : 1]();
    if (p)
        g_Debug.AddAllocation(tag);
    return p;
}

template <class T> void Free(T*& p, const char* tag)
{
    if (!p)
        return;
    delete[] p;
    p = nullptr;
    g_Debug.RemoveAllocation(tag);
}

// Round one face, then round the opposite one with corner 4 across from
// corner 0: the order the box-face tests read.
constexpr bool kCornerHigh[8][3] = {{false, false, false}, {false, true, false}, {true, true, false},
                                    {true, false, false},  {false, false, true}, {false, true, true},
                                    {true, true, true},    {true, false, true}};

void Corners(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, D3DXVECTOR3* out)
{
    for (int i = 0; i < 8; ++i)
        out[i] = D3DXVECTOR3(kCornerHigh[i][0] ? hi.x : lo.x, kCornerHigh[i][1] ? hi.y : lo.y,
                             kCornerHigh[i][2] ? hi.z : lo.z);
}

// The world box of an object-space box under the matrix; the corners when asked.
void WorldBox(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, const D3DXMATRIX& m, D3DXVECTOR3* outMin,
              D3DXVECTOR3* outMax, D3DXVECTOR3* corners = nullptr)
{
    D3DXVECTOR3 c[8];
    Corners(lo, hi, c);
    for (int i = 0; i < 8; ++i)
    {
        D3DXVec3TransformCoord(&c[i], &c[i], &m);
        if (corners)
            corners[i] = c[i];
    }
    // The smaller and larger of each axis as fmin and fmax give them (a NaN loses
    // to a number), here without a library call for each: objects moved every
    // frame, a truck's wheels among them, come here for every box they have.
    auto lower = [](float a, float b) { return b < a || a != a ? b : a; };
    auto higher = [](float a, float b) { return b > a || a != a ? b : a; };
    D3DXVECTOR3 low = c[0], high = c[0];
    for (int i = 1; i < 8; ++i)
    {
        low = D3DXVECTOR3(lower(low.x, c[i].x), lower(low.y, c[i].y), lower(low.z, c[i].z));
        high = D3DXVECTOR3(higher(high.x, c[i].x), higher(high.y, c[i].y), higher(high.z, c[i].z));
    }
    *outMin = low;
    *outMax = high;
}

// Box and unit normal of a face; the normal is (b - a) x (c - a), zero for a
// face without area.
void Face(const D3DXVECTOR3* v, const WORD* f, D3DXVECTOR3* lo, D3DXVECTOR3* hi, D3DXVECTOR3* normal)
{
    const D3DXVECTOR3& a = v[f[0]];
    const D3DXVECTOR3& b = v[f[1]];
    const D3DXVECTOR3& c = v[f[2]];
    *lo = *hi = a;
    D3DXVec3Minimize(lo, lo, &b);
    D3DXVec3Minimize(lo, lo, &c);
    D3DXVec3Maximize(hi, hi, &b);
    D3DXVec3Maximize(hi, hi, &c);
    const D3DXVECTOR3 e1 = b - a, e2 = c - a;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    const float length = D3DXVec3Length(&n);
    *normal = length > 0.0f ? n / length : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

bool IsMeshObject(HOBJECT o)
{
    return o && o->bUsed && o->Type == OT_MESH && o->Object;
}
} // namespace

CollisionMgr::CollisionMgr() = default;

CollisionMgr::~CollisionMgr()
{
    FreeAll();
}

bool CollisionMgr::GetSource(HOBJECT object, CollisionSource* out)
{
    if (!IsMeshObject(object) || !out)
        return false;
    const auto* mesh = static_cast<const EMesh*>(object->Object);
    const strmesh* entry = mesh->GetMeshEntry();
    if (!entry || !entry->pMesh)
        return false;
    out->pMesh = entry->pMesh;
    out->vMin = entry->vMin;
    out->vMax = entry->vMax;
    out->pRanges = entry->AttribTable;
    out->iRanges =
        entry->dwAttribTableSize < MAX_MESH_MATERIALS ? entry->dwAttribTableSize : MAX_MESH_MATERIALS;
    out->pSubsetFlags = mesh->m_FlagGroup1;
    out->iSubsetFlags = mesh->SubsetSlots();
    mesh->GetWorldMatrix(&out->mWorld);
    return true;
}

CollisionRecord* CollisionMgr::Held(HOBJECT o)
{
    if (!o || !o->bCollisionRegistered || o->iCollisionRecord <= 0 ||
        o->iCollisionRecord >= MAX_OBJECTS_IN_COLLISION_MGR)
        return nullptr;
    CollisionRecord& r = m_Records[o->iCollisionRecord];
    return r.bUsed && r.hObject == o ? &r : nullptr;
}

const CollisionRecord* CollisionMgr::GetRecord(HOBJECT o)
{
    CollisionRecord* r = Held(o);
    if (r && r->bPlacePending)
    {
        r->bPlacePending = 0;
        PlaceBoxes(*r, r->mPendingWorld);
    }
    return r;
}

DWORD CollisionMgr::RecordBytes(const CollisionRecord& r)
{
    return r.iFaces * FACE_INDEX_BYTES +
           2 * (r.iFaces * PER_FACE_ARRAYS * VECTOR_BYTES / 2 + r.iVertices * VECTOR_BYTES) +
           r.iBoxes * BOX_BYTES;
}

void CollisionMgr::AddObject(HOBJECT o)
{
    CollisionSource source;
    if (GetSource(o, &source))
        AddObject(o, source);
}

void CollisionMgr::AddObject(HOBJECT o, const CollisionSource& s)
{
    if (!IsMeshObject(o) || (o->dwFlags & FLAG1_NO_COLLISION) || !s.pMesh)
        return;
    const DWORD faces = s.pMesh->GetNumFaces();
    const DWORD vertices = s.pMesh->GetNumVertices();
    const DWORD stride = s.pMesh->GetNumBytesPerVertex();
    if (faces == 0 || vertices == 0 || stride < VECTOR_BYTES)
        return;
    // Registered already (a culled object gets its body again): keep the
    // record and only bring it up to date.
    if (Held(o))
    {
        TransformObject(o, s.mWorld);
        return;
    }
    // 16-bit face indexes: a mesh with more vertices cannot be held.
    if (vertices > MAX_INDEX + 1)
    {
        g_Console.Print("ERROR in CollisionMgr.cpp: mesh has too many vertices for collision data");
        return;
    }

    int index = 0;
    for (int i = 1; i < MAX_OBJECTS_IN_COLLISION_MGR && !index; ++i)
        if (!m_Records[i].bUsed)
            index = i;
    if (!index)
    {
        g_Console.Print(" ");
        g_Console.Print("ERROR in CollisionMgr.cpp: MAX_OBJECTS_IN_COLLISION_MGR exceeded!");
        g_Console.Print(" ");
        return;
    }

    // The boxes: one per 100 faces of each subset, or one over everything.
    std::vector<CollisionBox> boxes;
    for (DWORD i = 0; s.pRanges && i < s.iRanges; ++i)
    {
        const D3DXATTRIBUTERANGE& a = s.pRanges[i];
        if (a.FaceStart > faces || a.FaceCount > faces - a.FaceStart)
            continue; // a damaged table never points past the faces
        for (DWORD first = 0; first < a.FaceCount; first += FACES_PER_BOX)
        {
            CollisionBox b = {};
            b.iFirstFace = a.FaceStart + first;
            b.iFaceCount = a.FaceCount - first < FACES_PER_BOX ? a.FaceCount - first : FACES_PER_BOX;
            b.iSubset = a.AttribId;
            b.bSubsetFlag = s.pSubsetFlags && a.AttribId < s.iSubsetFlags ? s.pSubsetFlags[a.AttribId] : 0;
            boxes.push_back(b);
        }
    }
    if (boxes.empty())
    {
        CollisionBox b = {};
        b.iFaceCount = faces;
        b.vMin = s.vMin;
        b.vMax = s.vMax;
        boxes.push_back(b);
    }

    CollisionRecord& r = m_Records[index];
    r = CollisionRecord{};
    r.hObject = o;
    r.iVertices = vertices;
    r.iFaces = faces;
    r.iBoxes = static_cast<DWORD>(boxes.size());
    r.CM_dwFaces = Allocate<WORD>(faces * 3, TAG_FACES);
    r.CM_vFacesDimMin = Allocate<D3DXVECTOR3>(faces, TAG_FACES_MIN);
    r.CM_vFacesDimMax = Allocate<D3DXVECTOR3>(faces, TAG_FACES_MAX);
    r.CM_vFaceLocalNormal = Allocate<D3DXVECTOR3>(faces, TAG_LOCAL_NORMAL);
    r.CM_vFacesAABB_Min = Allocate<D3DXVECTOR3>(faces, TAG_AABB_MIN);
    r.CM_vFacesAABB_Max = Allocate<D3DXVECTOR3>(faces, TAG_AABB_MAX);
    r.CM_vFaceNormal = Allocate<D3DXVECTOR3>(faces, TAG_NORMAL);
    r.CM_vVerticesLocal = Allocate<D3DXVECTOR3>(vertices, TAG_VERTICES_LOCAL);
    r.CM_vVerticesWorld = Allocate<D3DXVECTOR3>(vertices, TAG_VERTICES_WORLD);
    r.pBoxes = Allocate<CollisionBox>(r.iBoxes, TAG_BOXES);
    if (!r.CM_dwFaces || !r.CM_vFacesDimMin || !r.CM_vFacesDimMax || !r.CM_vFaceLocalNormal ||
        !r.CM_vFacesAABB_Min || !r.CM_vFacesAABB_Max || !r.CM_vFaceNormal || !r.CM_vVerticesLocal ||
        !r.CM_vVerticesWorld || !r.pBoxes)
    {
        FreeRecord(r);
        g_Console.Print("ERROR in CollisionMgr.cpp: no memory for collision data");
        return;
    }

    // Face indexes and positions, read whatever the index size and vertex stride.
    bool read = false;
    void* indexData = nullptr;
    if (SUCCEEDED(s.pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData)) && indexData)
    {
        read = true;
        const bool wide = (s.pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
        for (DWORD i = 0; i < faces * 3; ++i)
        {
            const DWORD v =
                wide ? static_cast<const DWORD*>(indexData)[i] : static_cast<const WORD*>(indexData)[i];
            // An index past the vertices would make every later read run off the array.
            if (v >= vertices)
                read = false;
            r.CM_dwFaces[i] = static_cast<WORD>(v < vertices ? v : 0);
        }
        s.pMesh->UnlockIndexBuffer();
    }
    void* vertexData = nullptr;
    if (read && SUCCEEDED(s.pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData)) && vertexData)
    {
        const BYTE* bytes = static_cast<const BYTE*>(vertexData);
        for (DWORD i = 0; i < vertices; ++i)
        {
            std::memcpy(&r.CM_vVerticesLocal[i], bytes + static_cast<size_t>(i) * stride, VECTOR_BYTES);
            r.CM_vVerticesWorld[i] = r.CM_vVerticesLocal[i];
        }
        s.pMesh->UnlockVertexBuffer();
    }
    else
        read = false;
    if (!read)
    {
        FreeRecord(r);
        g_Console.Print("ERROR in CollisionMgr.cpp: mesh buffers could not be read");
        return;
    }

    r.bUsed = 1;
    o->iCollisionRecord = index;
    o->bCollisionRegistered = 1;
    r.vMin = s.vMin;
    r.vMax = s.vMax;
    for (DWORD f = 0; f < faces; ++f)
        Face(r.CM_vVerticesLocal, &r.CM_dwFaces[f * 3], &r.CM_vFacesDimMin[f], &r.CM_vFacesDimMax[f],
             &r.CM_vFaceLocalNormal[f]);
    for (DWORD i = 0; i < r.iBoxes; ++i)
    {
        CollisionBox& b = r.pBoxes[i];
        b = boxes[i];
        if (s.pRanges && s.iRanges)
        {
            const WORD* first = &r.CM_dwFaces[b.iFirstFace * 3];
            b.vMin = b.vMax = r.CM_vVerticesLocal[first[0]];
            for (DWORD k = 0; k < b.iFaceCount * 3; ++k)
            {
                D3DXVec3Minimize(&b.vMin, &b.vMin, &r.CM_vVerticesLocal[first[k]]);
                D3DXVec3Maximize(&b.vMax, &b.vMax, &r.CM_vVerticesLocal[first[k]]);
            }
        }
    }
    TransformObject(o, s.mWorld);
    m_iMemory += RecordBytes(r);
}

void CollisionMgr::UpdateObject(HOBJECT o)
{
    CollisionSource source;
    if (IsMeshObject(o) && GetSource(o, &source))
        TransformObject(o, source.mWorld);
}

void CollisionMgr::PlaceBoxes(CollisionRecord& r, const D3DXMATRIX& world)
{
    WorldBox(r.vMin, r.vMax, world, &r.vWorldMin, &r.vWorldMax, r.vCorners);
    for (DWORD i = 0; i < r.iBoxes; ++i)
        WorldBox(r.pBoxes[i].vMin, r.pBoxes[i].vMax, world, &r.pBoxes[i].vWorldMin, &r.pBoxes[i].vWorldMax);
}

void CollisionMgr::TransformObject(HOBJECT o, const D3DXMATRIX& world)
{
    CollisionRecord* held = Held(o);
    if (!held)
        return;
    CollisionRecord& r = *held;
    if ((o->dwFlags & FLAG1_NO_COLLISION) || !(o->dwFlags & FLAG1_WORLD_FACES) ||
        (o->dwFlags2 & FLAG2_STATIC))
    {
        // No faces follow the object: the boxes wait until the record is read.
        r.bPlacePending = 1;
        r.mPendingWorld = world;
        return;
    }
    r.bPlacePending = 0;
    PlaceBoxes(r, world);
    for (DWORD i = 0; i < r.iVertices; ++i)
        D3DXVec3TransformCoord(&r.CM_vVerticesWorld[i], &r.CM_vVerticesLocal[i], &world);
    for (DWORD f = 0; f < r.iFaces; ++f)
        Face(r.CM_vVerticesWorld, &r.CM_dwFaces[f * 3], &r.CM_vFacesAABB_Min[f], &r.CM_vFacesAABB_Max[f],
             &r.CM_vFaceNormal[f]);
    ++r.iUpdates;
}

void CollisionMgr::FreeRecord(CollisionRecord& r)
{
    Free(r.CM_dwFaces, TAG_FACES);
    Free(r.CM_vFacesDimMin, TAG_FACES_MIN);
    Free(r.CM_vFacesDimMax, TAG_FACES_MAX);
    Free(r.CM_vFaceLocalNormal, TAG_LOCAL_NORMAL);
    Free(r.CM_vFacesAABB_Min, TAG_AABB_MIN);
    Free(r.CM_vFacesAABB_Max, TAG_AABB_MAX);
    Free(r.CM_vFaceNormal, TAG_NORMAL);
    Free(r.CM_vVerticesLocal, TAG_VERTICES_LOCAL);
    Free(r.CM_vVerticesWorld, TAG_VERTICES_WORLD);
    Free(r.pBoxes, TAG_BOXES);
    r = CollisionRecord{};
}

void CollisionMgr::FreeObject(HOBJECT o)
{
    if (!Held(o))
    {
        if (o)
            o->bCollisionRegistered = 0;
        return;
    }
    CollisionRecord& r = m_Records[o->iCollisionRecord];
    m_iMemory -= RecordBytes(r);
    FreeRecord(r);
    o->bCollisionRegistered = 0;
    o->iCollisionRecord = 0;
}

void CollisionMgr::FreeAll()
{
    for (CollisionRecord& r : m_Records)
        if (r.bUsed)
        {
            m_iMemory -= RecordBytes(r);
            if (r.hObject)
                r.hObject->bCollisionRegistered = 0;
            FreeRecord(r);
        }
}

DWORD CollisionMgr::ComputeSubsetBounds(HOBJECT o, D3DXVECTOR3* outMin, D3DXVECTOR3* outMax, DWORD n)
{
    CollisionSource s;
    if (!IsMeshObject(o) || (o->dwFlags & FLAG1_NO_COLLISION) || !GetSource(o, &s) || !s.pMesh || !outMin ||
        !outMax)
        return 0;
    const DWORD faces = s.pMesh->GetNumFaces();
    const DWORD vertices = s.pMesh->GetNumVertices();
    const DWORD stride = s.pMesh->GetNumBytesPerVertex();
    if (stride < VECTOR_BYTES)
        return 0;
    const bool wide = (s.pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    void* indexData = nullptr;
    void* vertexData = nullptr;
    if (FAILED(s.pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData)) || !indexData)
        return 0;
    if (FAILED(s.pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData)) || !vertexData)
    {
        s.pMesh->UnlockIndexBuffer();
        return 0;
    }
    const BYTE* bytes = static_cast<const BYTE*>(vertexData);
    DWORD done = 0;
    for (DWORD i = 0; i < s.iRanges && done < n; ++i)
    {
        const D3DXATTRIBUTERANGE& a = s.pRanges[i];
        if (a.FaceStart > faces || a.FaceCount > faces - a.FaceStart)
            continue;
        bool any = false;
        for (DWORD k = a.FaceStart * 3; k < (a.FaceStart + a.FaceCount) * 3; ++k)
        {
            const DWORD v =
                wide ? static_cast<const DWORD*>(indexData)[k] : static_cast<const WORD*>(indexData)[k];
            if (v >= vertices)
                continue;
            D3DXVECTOR3 p;
            std::memcpy(&p, bytes + static_cast<size_t>(v) * stride, VECTOR_BYTES);
            if (!any)
                outMin[done] = outMax[done] = p;
            D3DXVec3Minimize(&outMin[done], &outMin[done], &p);
            D3DXVec3Maximize(&outMax[done], &outMax[done], &p);
            any = true;
        }
        if (!any)
            outMin[done] = outMax[done] = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        ++done;
    }
    s.pMesh->UnlockVertexBuffer();
    s.pMesh->UnlockIndexBuffer();
    return done;
}
