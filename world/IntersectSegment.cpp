// EIntersectSegment: the segment tests against scene objects.
#include "world/IntersectSegment.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshCollision.h"
#include "shell/Console.h"
#include "shell/Geometry.h"
#include "world/CollisionMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

EIntersectSegment g_IntersectSegment;

namespace
{
constexpr const char* kHeroStickFile = "prefabs\\special\\hero_stick.x";
constexpr const char* kCoarseZoneName = "Bip01";
constexpr const char* kCoarseHitZoneName = "tulow";
constexpr int kBoxPlanes = 6;
#if defined(__SSE2__)
constexpr DWORD kLanes = 4;
#endif

// The six face planes of a box given by its corners: a corner on the plane
// and the corner whose difference with it points outward.
constexpr int kPlanes[kBoxPlanes][2] = {{0, 4}, {4, 0}, {0, 1}, {1, 0}, {0, 3}, {3, 0}};

// Letters of a hit zone's name that tell the body part.
constexpr char kHeadLetter = 'g';
constexpr char kLeftLetter = 'l';
constexpr char kRightLetter = 'p';
constexpr size_t kLeftSideLetter = 5;  // sixth letter
constexpr size_t kRightSideLetter = 6; // seventh letter
constexpr char kArmLetter = 'r';
constexpr char kLegLetter = 'n';

const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);

bool Overlap(const D3DXVECTOR3& aMin, const D3DXVECTOR3& aMax, const D3DXVECTOR3& bMin,
             const D3DXVECTOR3& bMax)
{
    return aMin.x <= bMax.x && aMax.x >= bMin.x && aMin.y <= bMax.y && aMax.y >= bMin.y && aMin.z <= bMax.z &&
           aMax.z >= bMin.z;
}

bool Finite(const float* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

EMesh* MeshOf(HOBJECT o)
{
    return o && o->bUsed && o->Type == OT_MESH ? static_cast<EMesh*>(o->Object) : nullptr;
}

ESkinMesh* SkinOf(HOBJECT o)
{
    return o && o->bUsed && o->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(o->Object) : nullptr;
}

// A letter as the C locale's tolower gives it, without a library call: every
// mesh move asks whether the mesh is the hero stick.
char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
    {
        const char ca = *a == '/' ? '\\' : *a;
        const char cb = *b == '/' ? '\\' : *b;
        if (ca != cb && Folded(ca) != Folded(cb))
            return false;
    }
    return *a == *b;
}

void Copy(char* to, size_t size, const char* from)
{
    std::snprintf(to, size, "%s", from ? from : "");
}

// (0, 1, 0) for a vector without length.
D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    const float length = D3DXVec3Length(&v);
    return length > 0.0f && std::isfinite(length) ? v / length : kUp;
}
} // namespace

bool RayTestAcceptAll(HOBJECT, RayTestUser)
{
    return true;
}

void RayTestQuery::Init()
{
    pFrom = nullptr;
    pTo = nullptr;
    pfnFilter = RayTestAcceptAll;
    dwUser = 0;
    bSeeThrough = 0;
    bOption = 0;
    fMaxDistance = DEFAULT_MAX_DISTANCE;
    bOption2 = 0;
    bNoSkinned = 0;
    bOption3 = 0;
}

RayTestResult::RayTestResult()
{
    Reset();
    Skinned = RayTestSkinnedPart{};
}

void RayTestResult::Reset()
{
    bHit = 0;
    vPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    fDistance = 0.0f;
    vNormal = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    pObject = nullptr;
    iFace = 0;
    dwSubsetValue = 0;
    vFrom = vTo = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    bSkinnedHit = 0;
    iBodyPart = BODY_PART_NONE;
    szZoneName[0] = 0;
}

EIntersectSegment::EIntersectSegment()
{
    ClearTables();
}

// ---- Tables --------------------------------------------------------------------------------------------

strIntersectEntry* EIntersectSegment::Table(TableId id)
{
    switch (id)
    {
    case TABLE_INTERSECT:
        return m_Intersect;
    case TABLE_SEE_THROUGH:
        return m_CanSeeThru;
    default:
        return m_HeroStick;
    }
}

DWORD* EIntersectSegment::Count(TableId id)
{
    switch (id)
    {
    case TABLE_INTERSECT:
        return &m_Max_Intersect;
    case TABLE_SEE_THROUGH:
        return &m_Max_CanSeeThru;
    default:
        return &m_Max_HeroStick;
    }
}

int* EIntersectSegment::IndexOf(HOBJECT o, TableId id)
{
    switch (id)
    {
    case TABLE_INTERSECT:
        return &o->iIntersectIndex;
    case TABLE_SEE_THROUGH:
        return &o->iSeeThroughIndex;
    default:
        return &o->iHeroStickIndex;
    }
}

void EIntersectSegment::Sync(const strIntersectEntry* table, DWORD i)
{
    strEntryBoxes& boxes = table == m_Intersect    ? m_IntersectBoxes
                           : table == m_CanSeeThru ? m_CanSeeThruBoxes
                           : table == m_HeroStick  ? m_HeroStickBoxes
                                                   : m_SkinMeshBoxes;
    const strIntersectEntry& e = table[i];
    ++m_iChanges;
    // An unused entry gets a box no segment's box can overlap.
    const float inf = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 3; ++axis)
    {
        boxes.fMin[axis][i] = e.bUsed ? (&e.vMin.x)[axis] : inf;
        boxes.fMax[axis][i] = e.bUsed ? (&e.vMax.x)[axis] : -inf;
    }
    if (strEntryGrid* grid = GridOf(table))
        grid->Set(i, e.bUsed != 0, &e.vMin.x, &e.vMax.x);
}

strEntryGrid* EIntersectSegment::GridOf(const strIntersectEntry* table)
{
    return table == m_Intersect    ? &m_IntersectGrid
           : table == m_CanSeeThru ? &m_CanSeeThruGrid
           : table == m_HeroStick  ? &m_HeroStickGrid
                                   : nullptr;
}

namespace
{
// After an entry is cleared the count drops past the unused entries at its end.
void Shrink(const strIntersectEntry* table, DWORD* count)
{
    while (*count > 0 && !table[*count - 1].bUsed)
        --*count;
}
} // namespace

void EIntersectSegment::ClearHolding(HOBJECT o, TableId id)
{
    strIntersectEntry* table = Table(id);
    DWORD* count = Count(id);
    for (DWORD i = 0; i < *count; ++i)
        if (table[i].bUsed && table[i].hObject == o)
        {
            table[i] = strIntersectEntry{};
            Sync(table, i);
        }
    Shrink(table, count);
}

bool EIntersectSegment::Holds(HOBJECT o, TableId id)
{
    const int i = *IndexOf(o, id);
    const strIntersectEntry* table = Table(id);
    return i >= 0 && static_cast<DWORD>(i) < *Count(id) && table[i].bUsed && table[i].hObject == o;
}

void EIntersectSegment::ClearAt(HOBJECT o, TableId id)
{
    if (!o || *Count(id) == 0 || !Holds(o, id))
        return;
    Table(id)[*IndexOf(o, id)] = strIntersectEntry{};
    Sync(Table(id), static_cast<DWORD>(*IndexOf(o, id)));
    Shrink(Table(id), Count(id));
}

bool EIntersectSegment::HasRoom(TableId id) const
{
    const DWORD count = const_cast<EIntersectSegment*>(this)->Count(id)[0];
    if (count < static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS))
        return true;
    const strIntersectEntry* table = const_cast<EIntersectSegment*>(this)->Table(id);
    for (DWORD i = 0; i < count; ++i)
        if (!table[i].bUsed)
            return true;
    return false;
}

void EIntersectSegment::FillMeshEntry(strIntersectEntry& e, HOBJECT o) const
{
    const EMesh* mesh = static_cast<const EMesh*>(o->Object);
    e.hObject = o;
    e.vCenter = mesh->m_vPosition;
    e.fRadius = mesh->m_fScaledFaceRadiusSq;
    if (!(e.fRadius > 0.0f))
    {
        // No face told the mesh its size: the sphere through the far
        // corner of its world box holds it whatever it is.
        const D3DXVECTOR3 a = mesh->m_vWorldMin - e.vCenter, b = mesh->m_vWorldMax - e.vCenter;
        const D3DXVECTOR3 far(std::max(std::fabs(a.x), std::fabs(b.x)),
                              std::max(std::fabs(a.y), std::fabs(b.y)),
                              std::max(std::fabs(a.z), std::fabs(b.z)));
        e.fRadius = D3DXVec3LengthSq(&far);
    }
    e.vMin = mesh->m_vWorldMin;
    e.vMax = mesh->m_vWorldMax;
    e.dwFlags = o->dwFlags;
    e.dwFlags2 = o->dwFlags2;
}

void EIntersectSegment::FillSkinEntry(strIntersectEntry& e, HOBJECT o) const
{
    const ESkinMesh* skin = static_cast<const ESkinMesh*>(o->Object);
    e.hObject = o;
    e.vCenter = skin->m_vPosition;
    e.fRadius = skin->m_fRadius;
    e.vMin = skin->m_vBoxMin;
    e.vMax = skin->m_vBoxMax;
    e.dwFlags = o->dwFlags;
    e.dwFlags2 = o->dwFlags2;
}

// The first unused entry below the count, else a new one at the end; the
// caller has made sure there is room.
void EIntersectSegment::Enter(HOBJECT o, TableId id)
{
    strIntersectEntry* table = Table(id);
    DWORD* count = Count(id);
    DWORD i = 0;
    while (i < *count && table[i].bUsed)
        ++i;
    if (i == *count)
    {
        if (*count >= static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS))
            return;
        ++*count;
    }
    table[i] = strIntersectEntry{};
    table[i].bUsed = 1;
    FillMeshEntry(table[i], o);
    Sync(table, i);
    *IndexOf(o, id) = static_cast<int>(i);
}

bool EIntersectSegment::IsHeroStick(HOBJECT o)
{
    const EMesh* mesh = MeshOf(o);
    return mesh && SameNameNoCase(mesh->GetMeshFileName(), kHeroStickFile);
}

void EIntersectSegment::AddObject(HOBJECT o)
{
    if (!o)
        return;
    if (IsHeroStick(o))
    {
        ClearHolding(o, TABLE_HERO_STICK);
        // A full hero-stick table leaves the stick out rather than write past it.
        if (HasRoom(TABLE_HERO_STICK))
            Enter(o, TABLE_HERO_STICK);
        return;
    }
    ClearHolding(o, TABLE_INTERSECT);
    ClearHolding(o, TABLE_SEE_THROUGH);
    if (!o->Object || o->Type != OT_MESH || (o->dwFlags2 & FLAG2_NO_SEGMENT) ||
        ((o->dwFlags & FLAG1_NO_SEGMENT) && (o->dwFlags2 & FLAG2_SEE_THROUGH)))
        return;
    const bool shots = !(o->dwFlags & FLAG1_NO_SEGMENT);
    const bool sight = !(o->dwFlags2 & FLAG2_SEE_THROUGH);
    if (shots && !HasRoom(TABLE_INTERSECT))
    {
        g_Console.Print(
            "ERROR: EIntersectSegment::AddObject() ---> m_Max_Intersect>=MAX_INTERSECT_SEGMENT_OBJECTS");
        return;
    }
    if (sight && !HasRoom(TABLE_SEE_THROUGH))
    {
        g_Console.Print(
            "ERROR: EIntersectSegment::AddObject() ---> m_Max_CanSeeThru>=MAX_INTERSECT_SEGMENT_OBJECTS");
        return;
    }
    if (shots)
        Enter(o, TABLE_INTERSECT);
    if (sight)
        Enter(o, TABLE_SEE_THROUGH);
}

void EIntersectSegment::AddSkinMesh(HOBJECT o)
{
    if (!SkinOf(o) || (o->dwFlags2 & FLAG2_NO_SEGMENT))
        return;
    // Entered twice, the object would keep an entry after its deletion.
    for (DWORD i = 0; i < m_Max_SkinMeshes; ++i)
        if (m_SkinMeshes[i].bUsed && m_SkinMeshes[i].hObject == o)
        {
            m_SkinMeshes[i] = strIntersectEntry{};
            Sync(m_SkinMeshes, i);
        }
    Shrink(m_SkinMeshes, &m_Max_SkinMeshes);
    DWORD i = 0;
    if (m_Max_SkinMeshes > 0)
    {
        i = 1;
        while (i < m_Max_SkinMeshes && m_SkinMeshes[i].bUsed)
            ++i;
    }
    if (i >= static_cast<DWORD>(MAX_INTERSECT_SEGMENT_SKIN_MESHES))
    {
        g_Console.Print("ERROR: EIntersectSegment::AddSkinMesh() ---> "
                        "m_Max_SkinMeshes>=MAX_INTERSECT_SEGMENT_SKIN_MESHES");
        return;
    }
    if (i >= m_Max_SkinMeshes)
        m_Max_SkinMeshes = i + 1;
    m_SkinMeshes[i] = strIntersectEntry{};
    m_SkinMeshes[i].bUsed = 1;
    FillSkinEntry(m_SkinMeshes[i], o);
    Sync(m_SkinMeshes, i);
    o->iIntersectIndex = static_cast<int>(i);
}

void EIntersectSegment::RegisterObject(HOBJECT o)
{
    if (!o || !o->bUsed || !o->Object)
        return;
    // The object takes part from now on: a later refresh enters it once its
    // flags allow, say when the camera stops looking from it.
    o->bSegmentRegistered = 1;
    if (o->dwFlags & FLAG1_NO_SEGMENT)
        return;
    if (o->Type == OT_MESH)
        AddObject(o);
    else if (o->Type == OT_SKINMESH)
        AddSkinMesh(o);
}

void EIntersectSegment::RefreshObject(HOBJECT o)
{
    // Runs whatever bit 7 of flag word 1 says: setting it must take a mesh
    // out of the tables, which only the refresh does.
    if (!o || !o->bUsed || !o->Object || !o->bSegmentRegistered)
        return;
    if (o->Type == OT_MESH)
        UpdateObject(o);
    else if (o->Type == OT_SKINMESH)
        UpdateSkinMesh(o);
}

void EIntersectSegment::UpdateObject(HOBJECT o)
{
    if (!MeshOf(o))
        return;
    if (IsHeroStick(o))
    {
        if (Holds(o, TABLE_HERO_STICK))
        {
            FillMeshEntry(m_HeroStick[o->iHeroStickIndex], o);
            Sync(m_HeroStick, static_cast<DWORD>(o->iHeroStickIndex));
        }
        return;
    }
    if ((o->dwFlags2 & FLAG2_NO_SEGMENT) ||
        ((o->dwFlags & FLAG1_NO_SEGMENT) && (o->dwFlags2 & FLAG2_SEE_THROUGH)))
    {
        RemoveFromIntersect(o);
        RemoveFromSeeThrough(o);
        return;
    }
    if (o->dwFlags & FLAG1_NO_SEGMENT)
        RemoveFromIntersect(o);
    if (o->dwFlags2 & FLAG2_SEE_THROUGH)
        RemoveFromSeeThrough(o);
    for (TableId id : {TABLE_INTERSECT, TABLE_SEE_THROUGH})
    {
        if (id == TABLE_INTERSECT && (o->dwFlags & FLAG1_NO_SEGMENT))
            continue;
        if (id == TABLE_SEE_THROUGH && (o->dwFlags2 & FLAG2_SEE_THROUGH))
            continue;
        if (!Holds(o, id))
        {
            // Not there yet (a flag that kept it out was cleared): enter it.
            AddObject(o);
            if (!Holds(o, id))
            {
                g_Console.Print("ERROR: EIntersectSegment::UpdateObject() BLAD W TABLICY OBIEKTOW!");
                return;
            }
        }
        FillMeshEntry(Table(id)[*IndexOf(o, id)], o);
        Sync(Table(id), static_cast<DWORD>(*IndexOf(o, id)));
    }
}

void EIntersectSegment::UpdateSkinMesh(HOBJECT o)
{
    if (!SkinOf(o))
        return;
    const int i = o->iIntersectIndex;
    if (i >= 0 && i < MAX_INTERSECT_SEGMENT_SKIN_MESHES && m_SkinMeshes[i].bUsed &&
        m_SkinMeshes[i].hObject == o)
    {
        FillSkinEntry(m_SkinMeshes[i], o);
        Sync(m_SkinMeshes, static_cast<DWORD>(i));
    }
}

void EIntersectSegment::RemoveFromIntersect(HOBJECT o)
{
    ClearAt(o, TABLE_INTERSECT);
}

void EIntersectSegment::RemoveFromSeeThrough(HOBJECT o)
{
    ClearAt(o, TABLE_SEE_THROUGH);
}

void EIntersectSegment::RemoveHeroStick(HOBJECT o)
{
    if (IsHeroStick(o))
        ClearAt(o, TABLE_HERO_STICK);
}

void EIntersectSegment::RemoveSkinMesh(HOBJECT o)
{
    if (!SkinOf(o))
        return;
    const int i = o->iIntersectIndex;
    if (m_Max_SkinMeshes > 0 && i >= 0 && static_cast<DWORD>(i) < m_Max_SkinMeshes && m_SkinMeshes[i].bUsed &&
        m_SkinMeshes[i].hObject == o)
    {
        m_SkinMeshes[i] = strIntersectEntry{};
        Sync(m_SkinMeshes, static_cast<DWORD>(i));
        Shrink(m_SkinMeshes, &m_Max_SkinMeshes);
    }
    o->iIntersectIndex = 0;
    o->iSeeThroughIndex = 0;
}

void EIntersectSegment::RemoveObject(HOBJECT o)
{
    if (!o)
        return;
    // A skinned object's entry index lives where a mesh's intersect index
    // does: only the removal of its own kind may read it.
    if (o->Type != OT_SKINMESH)
    {
        RemoveFromIntersect(o);
        RemoveFromSeeThrough(o);
    }
    RemoveHeroStick(o);
    RemoveSkinMesh(o);
    o->bSegmentRegistered = 0;
}

void EIntersectSegment::RebuildAll()
{
    ClearTables();
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed)
            RegisterObject(&o);
}

void EIntersectSegment::ClearTables()
{
    for (TableId id : {TABLE_INTERSECT, TABLE_SEE_THROUGH, TABLE_HERO_STICK})
    {
        strIntersectEntry* table = Table(id);
        for (DWORD i = 0; i < static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS); ++i)
        {
            table[i] = strIntersectEntry{};
            Sync(table, i);
        }
        *Count(id) = 0;
    }
    for (DWORD i = 0; i < static_cast<DWORD>(MAX_INTERSECT_SEGMENT_SKIN_MESHES); ++i)
    {
        m_SkinMeshes[i] = strIntersectEntry{};
        Sync(m_SkinMeshes, i);
    }
    m_Max_SkinMeshes = 0;
    m_iCandidates = 0;
}

// ---- The test ------------------------------------------------------------------------------------------

DWORD EIntersectSegment::BodyPartOf(const char* name)
{
    if (!name || !name[0])
        return BODY_PART_NONE;
    const size_t n = std::strlen(name);
    auto at = [name, n](size_t i) { return i < n ? std::tolower(static_cast<unsigned char>(name[i])) : 0; };
    switch (at(0))
    {
    case kHeadLetter:
        return BODY_PART_HEAD;
    case kLeftLetter:
        if (at(kLeftSideLetter) == kArmLetter)
            return BODY_PART_LEFT_ARM;
        if (at(kLeftSideLetter) == kLegLetter)
            return BODY_PART_LEFT_LEG;
        return BODY_PART_NONE;
    case kRightLetter:
        if (at(kRightSideLetter) == kArmLetter)
            return BODY_PART_RIGHT_ARM;
        if (at(kRightSideLetter) == kLegLetter)
            return BODY_PART_RIGHT_LEG;
        return BODY_PART_NONE;
    default:
        return BODY_PART_NONE;
    }
}

// The box's three pairs of faces as slabs: each face plane by a corner on it
// and the edge from the opposite face, whose direction points outward. The
// segment lies inside between its last crossing into a slab and its first
// crossing out of one. A crossing computed in floats may lie a little off the
// true one, by no more than the rounding of the two distances it comes from:
// the entry is moved back and the way out forward by that much, so a segment
// through an edge or a corner is never lost and the key is never past the
// true entry.
bool EIntersectSegment::BoxEntry(const D3DXVECTOR3* c, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                                 float* key)
{
    // Bounds the rounding of a distance (two differences, three products,
    // two sums) and of the crossing's division, in units of the float's epsilon.
    constexpr float kDistanceRounding = 8.0f * std::numeric_limits<float>::epsilon();
    constexpr float kDivisionRounding = 4.0f * std::numeric_limits<float>::epsilon();
    const auto magnitude = [](const D3DXVECTOR3& a, const D3DXVECTOR3& n)
    { return std::fabs(a.x * n.x) + std::fabs(a.y * n.y) + std::fabs(a.z * n.z); };
    bool startOut = false;
    float enter = 0.0f, leave = 1.0f;
    for (const auto& plane : kPlanes)
    {
        const D3DXVECTOR3& p = c[plane[0]];
        const D3DXVECTOR3 n = c[plane[0]] - c[plane[1]];
        const D3DXVECTOR3 a = from - p, b = to - p;
        const float da = D3DXVec3Dot(&a, &n), db = D3DXVec3Dot(&b, &n);
        const bool aOut = da > 0.0f, bOut = db > 0.0f;
        if (aOut && bOut)
            return false;
        if (!aOut && !bOut)
            continue;
        // One end out, the other in or on the plane: da and db differ.
        const float across = da - db;
        const float t = da / across;
        const float slack =
            kDistanceRounding * (magnitude(a, n) + magnitude(b, n)) / std::fabs(across) + kDivisionRounding;
        if (aOut)
        {
            startOut = true;
            enter = std::max(enter, t - slack);
        }
        else
            leave = std::min(leave, t + slack);
    }
    if (!startOut)
    {
        *key = 0.0f;
        return true;
    }
    if (enter > leave)
        return false;
    *key = enter;
    return true;
}

// Where the segment first meets the mesh's turned box, as a segment parameter.
bool EIntersectSegment::BoxKey(HOBJECT o, float* key) const
{
    const EMesh* mesh = MeshOf(o);
    return mesh && BoxEntry(mesh->m_vWorldCorners, m_vStart, m_vEnd, key);
}

// The object's own triangles, in object space; fills the result when the hit
// is not farther than the one it holds.
bool EIntersectSegment::ExactTest(HOBJECT o, RayTestResult* r) const
{
    const EMesh* mesh = MeshOf(o);
    const CollisionRecord* record = mesh ? g_CollisionMgr.GetRecord(o) : nullptr;
    if (!record || !record->CM_vVerticesLocal || !record->CM_dwFaces || !record->pBoxes)
        return false;
    // A mesh scaled to nothing along an axis has no inverse and no volume a
    // segment could meet.
    const D3DXMATRIX* inverse = mesh->InverseWorld();
    if (!inverse)
        return false;
    float a[3], b[3];
    Geom::TransformPoint(a, &m_vStart.x, inverse);
    Geom::TransformPoint(b, &m_vEnd.x, inverse);
    const D3DXVECTOR3 va(a[0], a[1], a[2]), vb(b[0], b[1], b[2]);
    D3DXVECTOR3 lo, hi;
    D3DXVec3Minimize(&lo, &va, &vb);
    D3DXVec3Maximize(&hi, &va, &vb);

    bool found = false;
    float bestT = 0.0f;
    DWORD bestFace = 0;
    float bestPoint[3] = {};
    for (DWORD i = 0; i < record->iBoxes; ++i)
    {
        const CollisionBox& box = record->pBoxes[i];
        if (box.bSubsetFlag != 0 || !Overlap(box.vMin, box.vMax, lo, hi) ||
            !Geom::IntersectBox(a, b, &box.vMin.x, &box.vMax.x))
            continue;
        const DWORD last = box.iFirstFace + box.iFaceCount;
        for (DWORD f = box.iFirstFace; f < last && f < record->iFaces; ++f)
        {
            if (!Overlap(record->CM_vFacesDimMin[f], record->CM_vFacesDimMax[f], lo, hi))
                continue;
            const WORD* v = &record->CM_dwFaces[f * 3];
            float point[3], t = 0.0f;
            if (!Geom::IntersectTriangle(a, b, &record->CM_vVerticesLocal[v[0]].x,
                                         &record->CM_vVerticesLocal[v[1]].x,
                                         &record->CM_vVerticesLocal[v[2]].x, point, &t))
                continue;
            if (found && !(t < bestT))
                continue;
            found = true;
            bestT = t;
            bestFace = f;
            std::memcpy(bestPoint, point, sizeof bestPoint);
        }
    }
    if (!found)
        return false;
    const float distance = m_fLength * bestT;
    if (r->bHit && distance > r->fDistance)
        return false;
    const D3DXVECTOR3& n = record->CM_vFaceLocalNormal[bestFace];
    const float tip[3] = {bestPoint[0] + n.x, bestPoint[1] + n.y, bestPoint[2] + n.z};
    float world[3], worldTip[3];
    Geom::TransformPoint(world, bestPoint, &mesh->m_mWorld);
    Geom::TransformPoint(worldTip, tip, &mesh->m_mWorld);
    r->bHit = 1;
    r->vPoint = D3DXVECTOR3(world[0], world[1], world[2]);
    r->vNormal = D3DXVECTOR3(worldTip[0] - world[0], worldTip[1] - world[1], worldTip[2] - world[2]);
    r->fDistance = distance;
    r->pObject = mesh->m_hObject;
    r->iFace = bestFace;
    return true;
}

namespace
{
// The indices of the bits set in the first `words` words, in table order,
// into `out`; their count.
DWORD SetBitIndices(const uint64_t* bits, DWORD words, DWORD* out)
{
    DWORD n = 0;
    for (DWORD w = 0; w < words; ++w)
        for (uint64_t b = bits[w]; b; b &= b - 1)
            out[n++] = w * strEntryGrid::BITS_PER_WORD + static_cast<DWORD>(__builtin_ctzll(b));
    return n;
}

ULONGLONG UsedEntries(const strIntersectEntry* table, DWORD count)
{
    ULONGLONG n = 0;
    for (DWORD i = 0; i < count; ++i)
        n += table[i].bUsed ? 1 : 0;
    return n;
}
} // namespace

bool EIntersectSegment::AreaHolds(const strIntersectEntry* table) const
{
    if (!m_pAreaTable || table != m_pAreaTable || m_iAreaChanges != m_iChanges)
        return false;
    const float lo[3] = {m_vSegMin.x, m_vSegMin.y, m_vSegMin.z};
    const float hi[3] = {m_vSegMax.x, m_vSegMax.y, m_vSegMax.z};
    for (int axis = 0; axis < 3; ++axis)
        if (!(lo[axis] >= m_fAreaMin[axis] && hi[axis] <= m_fAreaMax[axis]))
            return false;
    return true;
}

EIntersectSegment::MeshTable EIntersectSegment::MeshTableOf(const RayTestQuery& query) const
{
    if (query.bNoSkinned)
        return {m_HeroStick, &m_HeroStickBoxes, m_Max_HeroStick};
    if (query.bSeeThrough)
        return {m_CanSeeThru, &m_CanSeeThruBoxes, m_Max_CanSeeThru};
    return {m_Intersect, &m_IntersectBoxes, m_Max_Intersect};
}

void EIntersectSegment::GatherArea(const RayTestQuery* kind, const float lo[3], const float hi[3])
{
    m_pAreaTable = nullptr;
    if (!kind || !lo || !hi || !Finite(lo) || !Finite(hi))
        return;
    const auto [table, boxes, count] = MeshTableOf(*kind);
    DWORD n = 0;
    const DWORD words = (count + strEntryGrid::BITS_PER_WORD - 1) / strEntryGrid::BITS_PER_WORD;
    std::fill_n(m_OverlappingBits, words, uint64_t{0});
    if (const strEntryGrid* grid = GridOf(table);
        grid && grid->GatherBox(*boxes, count, lo, hi, m_OverlappingBits))
        n = SetBitIndices(m_OverlappingBits, words, m_AreaEntries);
    else
        for (DWORD i = 0; i < count; ++i)
            if (boxes->Meets(i, lo, hi))
                m_AreaEntries[n++] = i;
    m_iAreaEntries = n;
    std::copy_n(lo, 3, m_fAreaMin);
    std::copy_n(hi, 3, m_fAreaMax);
    m_iAreaChanges = m_iChanges;
    m_pAreaTable = table;
}

DWORD EIntersectSegment::Overlapping(const strIntersectEntry* table, const strEntryBoxes& boxes, DWORD count)
{
    const float lo[3] = {m_vSegMin.x, m_vSegMin.y, m_vSegMin.z};
    const float hi[3] = {m_vSegMax.x, m_vSegMax.y, m_vSegMax.z};
    DWORD n = 0;
    if (AreaHolds(table))
    {
        // The area's entries are every entry whose box overlaps the area's,
        // in table order: those overlapping the segment's box, kept in that
        // order, are the ones the walk below gives.
        for (DWORD k = 0; k < m_iAreaEntries; ++k)
            if (boxes.Meets(m_AreaEntries[k], lo, hi))
                m_Overlapping[n++] = m_AreaEntries[k];
        return n;
    }
    if (const strEntryGrid* grid = GridOf(table))
    {
        // The grid marks the overlapping entries near the segment; read in
        // word order they come out in table order, as the walk below gives
        // them.
        const DWORD words = (count + strEntryGrid::BITS_PER_WORD - 1) / strEntryGrid::BITS_PER_WORD;
        std::fill_n(m_OverlappingBits, words, uint64_t{0});
        if (grid->Gather(boxes, count, &m_vStart.x, &m_vEnd.x, lo, hi, m_OverlappingBits))
            return SetBitIndices(m_OverlappingBits, words, m_Overlapping);
    }
    DWORD i = 0;
#if defined(__SSE2__)
    // Four entries a step: a segment too long for the grid, and the skinned
    // table, see every entry here.
    const __m128 loX = _mm_set1_ps(lo[0]), loY = _mm_set1_ps(lo[1]), loZ = _mm_set1_ps(lo[2]);
    const __m128 hiX = _mm_set1_ps(hi[0]), hiY = _mm_set1_ps(hi[1]), hiZ = _mm_set1_ps(hi[2]);
    for (; i + kLanes <= count; i += kLanes)
    {
        __m128 m = _mm_and_ps(_mm_cmple_ps(_mm_load_ps(&boxes.fMin[0][i]), hiX),
                              _mm_cmpge_ps(_mm_load_ps(&boxes.fMax[0][i]), loX));
        m = _mm_and_ps(m, _mm_cmple_ps(_mm_load_ps(&boxes.fMin[1][i]), hiY));
        m = _mm_and_ps(m, _mm_cmpge_ps(_mm_load_ps(&boxes.fMax[1][i]), loY));
        m = _mm_and_ps(m, _mm_cmple_ps(_mm_load_ps(&boxes.fMin[2][i]), hiZ));
        m = _mm_and_ps(m, _mm_cmpge_ps(_mm_load_ps(&boxes.fMax[2][i]), loZ));
        int bits = _mm_movemask_ps(m);
        while (bits)
        {
            m_Overlapping[n++] = i + static_cast<DWORD>(__builtin_ctz(static_cast<unsigned>(bits)));
            bits &= bits - 1;
        }
    }
#endif
    for (; i < count; ++i)
        if (boxes.Meets(i, lo, hi))
            m_Overlapping[n++] = i;
    return n;
}

void EIntersectSegment::TestMeshes(const strIntersectEntry* table, const strEntryBoxes& boxes, DWORD count,
                                   const RayTestQuery& q, RayTestResult* r)
{
    const bool filtered = q.pfnFilter && q.pfnFilter != RayTestAcceptAll;
    const float lengthSq = m_fLength * m_fLength;
    ULONGLONG overlapping = 0, boxRejected = 0, sphereRejected = 0, refused = 0;
    m_iCandidates = 0;
    // The three pre-tests only reject, so the cheapest goes first, over the
    // entries the grid holds near the segment (or the whole table in one
    // tight pass for a long one); an unused entry's box overlaps nothing.
    const DWORD overlaps = Overlapping(table, boxes, count);
    overlapping = overlaps;
    for (DWORD k = 0; k < overlaps; ++k)
    {
        const strIntersectEntry& e = table[m_Overlapping[k]];
        const D3DXVECTOR3 toCentre = e.vCenter - m_vStart;
        float u = D3DXVec3Dot(&toCentre, &m_vDir) / lengthSq;
        u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
        const D3DXVECTOR3 gap = toCentre - m_vDir * u;
        if (D3DXVec3LengthSq(&gap) > e.fRadius)
        {
            ++sphereRejected;
            continue;
        }
        if (!Geom::IntersectBox(&m_vStart.x, &m_vEnd.x, &e.vMin.x, &e.vMax.x))
        {
            ++boxRejected;
            continue;
        }
        if (filtered && !q.pfnFilter(e.hObject, q.dwUser))
        {
            ++refused;
            continue;
        }
        float key = 0.0f;
        if (!BoxKey(e.hObject, &key) || m_iCandidates >= static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS))
            continue;
        // Kept in key order as they come; equal keys stay in table order.
        DWORD at = m_iCandidates++;
        while (at > 0 && m_Candidates[at - 1].fKey > key)
        {
            m_Candidates[at] = m_Candidates[at - 1];
            --at;
        }
        m_Candidates[at] = {key, e.hObject, 0};
    }
    ULONGLONG exact = 0;
    for (DWORD i = 0; i < m_iCandidates; ++i)
    {
        strIntersectCandidate& c = m_Candidates[i];
        if (r->bHit && c.fKey > r->fDistance / m_fLength)
            break;
        c.bVisited = 1;
        ++exact;
        ExactTest(c.hObject, r);
    }
    if (m_pStats)
    {
        const ULONGLONG entries = UsedEntries(table, count);
        m_pStats->iEntries += entries;
        m_pStats->iBoxRejected += entries - overlapping + boxRejected;
        m_pStats->iSphereRejected += sphereRejected;
        m_pStats->iFiltered += refused;
        m_pStats->iCandidates += m_iCandidates;
        m_pStats->iExactTests += exact;
    }
}

void EIntersectSegment::TestSkinMeshes(const RayTestQuery& q, RayTestResult* r)
{
    const bool filtered = q.pfnFilter && q.pfnFilter != RayTestAcceptAll;
    bool have = false;
    RayTestSkinnedPart best = {};
    ULONGLONG overlapping = 0, boxRejected = 0, sphereRejected = 0, refused = 0, tests = 0;
    const DWORD overlaps = Overlapping(m_SkinMeshes, m_SkinMeshBoxes, m_Max_SkinMeshes);
    overlapping = overlaps;
    for (DWORD k = 0; k < overlaps; ++k)
    {
        const strIntersectEntry& e = m_SkinMeshes[m_Overlapping[k]];
        if (q.bSeeThrough ? (e.dwFlags2 & FLAG2_SEE_THROUGH) : (e.dwFlags & FLAG1_NO_SEGMENT))
            continue;
        if (e.dwFlags2 & FLAG2_NO_SEGMENT)
            continue;
        if (!Geom::SphereTest(&m_vStart.x, &m_vEnd.x, &e.vCenter.x, e.fRadius))
        {
            ++sphereRejected;
            continue;
        }
        if (!Geom::IntersectBox(&m_vStart.x, &m_vEnd.x, &e.vMin.x, &e.vMax.x))
        {
            ++boxRejected;
            continue;
        }
        if (filtered && !q.pfnFilter(e.hObject, q.dwUser))
        {
            ++refused;
            continue;
        }
        const ESkinMesh* skin = SkinOf(e.hObject);
        if (!skin)
            continue;
        const D3DXVECTOR3 toCentre = e.vCenter - m_vStart;
        const float centreDistance = D3DXVec3Length(&toCentre);
        if (q.bOption && centreDistance > q.fMaxDistance)
        {
            // Far away a character is hit at its centre, without its zones.
            if (!have || centreDistance < best.fDistance)
            {
                have = true;
                best = RayTestSkinnedPart{};
                best.pObject = e.hObject;
                best.vPoint = e.vCenter;
                best.vNormal = Normalised(-m_vDir);
                best.fDistance = centreDistance;
                Copy(best.szZoneName, sizeof best.szZoneName, kCoarseZoneName);
                Copy(best.szHitZoneName, sizeof best.szHitZoneName, kCoarseHitZoneName);
            }
            continue;
        }
        ++tests;
        strSkinZoneHit zone;
        if (!ESkinMeshCollision::IntersectSegment(skin, m_vStart, m_vEnd, &zone))
            continue;
        if (have && !(zone.fDistance < best.fDistance))
            continue;
        have = true;
        best.pObject = e.hObject;
        best.vPoint = zone.vPoint;
        best.vNormal = zone.vNormal;
        best.fDistance = zone.fDistance;
        Copy(best.szZoneName, sizeof best.szZoneName, zone.szZoneName);
        Copy(best.szHitZoneName, sizeof best.szHitZoneName, zone.szHitZoneName);
    }
    if (m_pStats)
    {
        const ULONGLONG entries = UsedEntries(m_SkinMeshes, m_Max_SkinMeshes);
        m_pStats->iEntries += entries;
        m_pStats->iBoxRejected += entries - overlapping + boxRejected;
        m_pStats->iSphereRejected += sphereRejected;
        m_pStats->iFiltered += refused;
        m_pStats->iSkinnedTests += tests;
    }
    if (!have || (r->bHit && !(best.fDistance < r->fDistance)))
        return;
    r->Skinned = best;
    r->bHit = 1;
    r->bSkinnedHit = 1;
    r->vPoint = best.vPoint;
    r->vNormal = best.vNormal;
    r->fDistance = best.fDistance;
    r->pObject = best.pObject;
    // The face of a farther static hit says nothing about this one.
    r->iFace = 0;
    r->dwSubsetValue = 0;
    Copy(r->szZoneName, sizeof r->szZoneName, best.szZoneName);
    r->iBodyPart = BodyPartOf(best.szHitZoneName);
}

bool EIntersectSegment::Test(const RayTestQuery* query, RayTestResult* result)
{
    if (!query || !result)
        return false;
    result->Reset();
    // Without both points, or with points no arithmetic can place, there is no segment.
    if (!query->pFrom || !query->pTo || !Finite(query->pFrom) || !Finite(query->pTo))
        return false;
    m_vStart = D3DXVECTOR3(query->pFrom[0], query->pFrom[1], query->pFrom[2]);
    m_vEnd = D3DXVECTOR3(query->pTo[0], query->pTo[1], query->pTo[2]);
    m_vDir = m_vEnd - m_vStart;
    m_fLength = D3DXVec3Length(&m_vDir);
    D3DXVec3Minimize(&m_vSegMin, &m_vStart, &m_vEnd);
    D3DXVec3Maximize(&m_vSegMax, &m_vStart, &m_vEnd);
    result->vFrom = m_vStart;
    result->vTo = m_vEnd;
    // A point is not a segment: nothing lies along it, and the hit zones'
    // cylinders would otherwise claim any point inside them.
    if (!(m_fLength > 0.0f) || !std::isfinite(m_fLength))
        return false;

    const MeshTable meshes = MeshTableOf(*query);
    TestMeshes(meshes.table, *meshes.boxes, meshes.count, *query, result);

    if (!query->bNoSkinned)
    {
        TestSkinMeshes(*query, result);
        if (result->bSkinnedHit)
            return true;
    }
    if (!result->bHit)
        return false;

    result->vNormal = Normalised(result->vNormal);
    HOBJECT hit = result->pObject;
    if (!hit || hit->Type != OT_MESH)
    {
        g_Console.Print(
            "ERROR in EIntersectSegment: bylo trafienie i trafiony HOBJECT nie jest meshem a powinien!");
        result->bHit = 0;
        return false;
    }
    const EMesh* mesh = static_cast<const EMesh*>(hit->Object);
    if (!mesh)
    {
        g_Console.Print("ERROR: EIntersectSegment, bylo trafienie i trafiony EMesh to NULL");
        result->dwSubsetValue = 0;
        return true;
    }
    const strmesh* entry = mesh->GetMeshEntry();
    if (!entry || entry->dwAttribTableSize == 0)
    {
        g_Console.Print(" *** Fizyka *** EMeshMgr::strmesh nie posiada tablicy subsetow!");
        return true;
    }
    const DWORD ranges =
        entry->dwAttribTableSize < MAX_MESH_MATERIALS ? entry->dwAttribTableSize : MAX_MESH_MATERIALS;
    for (DWORD i = 0; i < ranges; ++i)
    {
        const D3DXATTRIBUTERANGE& a = entry->AttribTable[i];
        if (result->iFace >= a.FaceStart && result->iFace - a.FaceStart < a.FaceCount)
        {
            result->dwSubsetValue = a.AttribId;
            break;
        }
    }
    return true;
}
