#pragma once
// EIntersectSegment: which scene object a segment meets first, for shots,
// sight lines, the camera and placement code. It keeps its own tables of the
// objects that can be hit (static meshes by their collision triangles, skinned
// meshes by their hit zones), rejects most of them by sphere and box before
// any caller filter or triangle is looked at, and tests the rest nearest
// first, stopping at the first candidate that lies beyond the best hit.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstdint>
#include <vector>

constexpr int MAX_INTERSECT_SEGMENT_OBJECTS = 4096;
constexpr int MAX_INTERSECT_SEGMENT_SKIN_MESHES = 1024;

// The filter a caller hands in: false skips the candidate. The user value is
// wide enough to carry an object handle (usually the object to skip).
typedef UINT_PTR RayTestUser;
typedef bool (*RayTestFilter)(HOBJECT candidate, RayTestUser user);

// The default filter; the test never calls it.
bool RayTestAcceptAll(HOBJECT candidate, RayTestUser user);

struct RayTestQuery
{
    static constexpr float DEFAULT_MAX_DISTANCE = 5000.0f;

    RayTestQuery() { Init(); }
    void Init();

    const float* pFrom;
    const float* pTo;
    RayTestFilter pfnFilter;
    RayTestUser dwUser;
    BYTE bSeeThrough; // sight test: the see-through table, skinned meshes by flag word 2
    BYTE bOption;     // coarse mode for skinned meshes far from the start
    float fMaxDistance;
    BYTE bOption2;
    BYTE bNoSkinned; // the hero-stick table only, no skinned meshes
    BYTE bOption3;
};

// Body parts read from a hit zone's name.
enum RayTestBodyPart : DWORD
{
    BODY_PART_NONE = 0,
    BODY_PART_HEAD = 1,
    BODY_PART_LEFT_ARM = 2,
    BODY_PART_RIGHT_ARM = 3,
    BODY_PART_LEFT_LEG = 4,
    BODY_PART_RIGHT_LEG = 5,
};

constexpr int RAY_TEST_ZONE_NAME_SIZE = 128;
constexpr int RAY_TEST_SKIN_NAME_SIZE = 64;

// What the skinned-mesh test found, as the hit zones report it.
struct RayTestSkinnedPart
{
    HOBJECT pObject;
    D3DXVECTOR3 vPoint;
    D3DXVECTOR3 vNormal;
    float fDistance;
    char szZoneName[RAY_TEST_SKIN_NAME_SIZE];    // the element's name
    char szHitZoneName[RAY_TEST_SKIN_NAME_SIZE]; // the body part's name
};

struct RayTestResult
{
    RayTestResult();
    // Clears everything but the skinned part.
    void Reset();

    BYTE bHit;
    D3DXVECTOR3 vPoint;
    float fDistance;
    D3DXVECTOR3 vNormal;
    HOBJECT pObject;
    DWORD iFace;
    DWORD dwSubsetValue;
    D3DXVECTOR3 vFrom, vTo;
    BYTE bSkinnedHit;
    DWORD iBodyPart;
    char szZoneName[RAY_TEST_ZONE_NAME_SIZE];
    RayTestSkinnedPart Skinned;
};

// One object of a table: what it looked like at its last registration or refresh.
struct strIntersectEntry
{
    BYTE bUsed;
    HOBJECT hObject;
    D3DXVECTOR3 vCenter;
    float fRadius; // squared for meshes, plain for skinned meshes
    D3DXVECTOR3 vMin, vMax;
    DWORD dwFlags;
    DWORD dwFlags2;
};

// The entries' boxes alone, axis by axis, for the walk that rejects most entries.
struct strEntryBoxes
{
    alignas(16) float fMin[3][MAX_INTERSECT_SEGMENT_OBJECTS];
    alignas(16) float fMax[3][MAX_INTERSECT_SEGMENT_OBJECTS];

    // Whether box i overlaps the box lo..hi, without a branch per axis.
    bool Meets(DWORD i, const float lo[3], const float hi[3]) const
    {
        return (fMin[0][i] <= hi[0]) & (fMax[0][i] >= lo[0]) & (fMin[1][i] <= hi[1]) & (fMax[1][i] >= lo[1]) &
               (fMin[2][i] <= hi[2]) & (fMax[2][i] >= lo[2]);
    }
};

// A coarse grid over the ground plane that holds a table's entries by the
// cells their boxes cover, so a segment looks only at the entries near its
// own box rather than walking the whole table. Cells hash into a fixed set of
// buckets: two cells sharing one only cost a few more box tests. An entry too
// wide for the grid, or whose box is no box, waits in a list every search
// walks.
struct strEntryGrid
{
    static constexpr DWORD BUCKETS = 4096; // a power of two
    static constexpr DWORD BITS_PER_WORD = 64;

    enum : BYTE
    {
        NOWHERE,
        IN_CELLS,
        IN_WIDE_LIST,
    };
    struct Place
    {
        int x0 = 0, z0 = 0, x1 = 0, z1 = 0;
        BYTE where = NOWHERE;
    };

    // Files entry i under the box it now has; an unused entry is filed nowhere.
    void Set(DWORD i, bool used, const float min[3], const float max[3]);
    // Sets the bit of every entry below the count whose box overlaps lo..hi,
    // the box of the segment from..to, in a cell the segment passes near:
    // the entries left out are ones the segment cannot meet. False, with no
    // bit set, when the segment passes more cells than walking the whole
    // table would cost.
    bool Gather(const strEntryBoxes& boxes, DWORD count, const float from[3], const float to[3],
                const float lo[3], const float hi[3], uint64_t* bits) const;
    // The same for every cell the box lo..hi covers; false, with no bit set,
    // when it covers more cells than walking the whole table would cost.
    bool GatherBox(const strEntryBoxes& boxes, DWORD count, const float lo[3], const float hi[3],
                   uint64_t* bits) const;

private:
    static DWORD Bucket(int x, int z);
    // Marks the entries of the wide list and of cells first[r]..last[r] of
    // each row z0 + r whose boxes overlap lo..hi.
    void Mark(const strEntryBoxes& boxes, DWORD count, const float lo[3], const float hi[3], int z0, int rows,
              const int* first, const int* last, uint64_t* bits) const;
    void Insert(DWORD i, const Place& place);
    void Remove(DWORD i);

    std::vector<DWORD> m_Buckets[BUCKETS];
    std::vector<DWORD> m_Wide;
    Place m_Places[MAX_INTERSECT_SEGMENT_OBJECTS];
};

struct strIntersectCandidate
{
    float fKey; // segment parameter where the segment first meets the object's box
    HOBJECT hObject;
    BYTE bVisited;
};

// Counts of one or more tests, for measuring how well the pre-tests reject.
struct IntersectSegmentStats
{
    ULONGLONG iEntries;     // table entries looked at
    ULONGLONG iBoxRejected; // dropped by the box overlap or the segment-box test
    ULONGLONG iSphereRejected;
    ULONGLONG iFiltered;     // refused by the caller's filter
    ULONGLONG iCandidates;   // passed the mesh-level box test
    ULONGLONG iExactTests;   // reached the triangles
    ULONGLONG iSkinnedTests; // reached the hit zones
};

class EIntersectSegment
{
public:
    static constexpr DWORD FLAG1_NO_SEGMENT = 0x80;
    static constexpr DWORD FLAG2_SEE_THROUGH = 0x1000;
    static constexpr DWORD FLAG2_NO_SEGMENT = 0x10000;

    EIntersectSegment();
    virtual ~EIntersectSegment() = default;
    EIntersectSegment(const EIntersectSegment&) = delete;
    EIntersectSegment& operator=(const EIntersectSegment&) = delete;

    // True on a hit; the result says what was hit.
    bool Test(const RayTestQuery* query, RayTestResult* result);

    void RegisterObject(HOBJECT object);
    void RefreshObject(HOBJECT object);
    void RemoveObject(HOBJECT object);
    void RebuildAll();

    void AddObject(HOBJECT object);
    void AddSkinMesh(HOBJECT object);
    void UpdateObject(HOBJECT object);
    void UpdateSkinMesh(HOBJECT object);
    void RemoveFromIntersect(HOBJECT object);
    void RemoveFromSeeThrough(HOBJECT object);
    void RemoveHeroStick(HOBJECT object);
    void RemoveSkinMesh(HOBJECT object);

    // Where the segment from..to first meets the box of the given corners
    // (the order of EMesh::m_vWorldCorners: corners 1, 3 and 4 lie one edge
    // from corner 0), as a parameter of the segment: false when it misses the
    // box, 0 when it starts inside, else a value never past its entry, short
    // of it by no more than the rounding of the box's faces. An edge of no
    // length leaves its axis unbounded.
    static bool BoxEntry(const D3DXVECTOR3* corners, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                         float* key);

    static bool IsHeroStick(HOBJECT object);
    // The body part a hit zone's name stands for.
    static DWORD BodyPartOf(const char* hitZoneName);

    DWORD GetIntersectCount() const { return m_Max_Intersect; }
    DWORD GetSeeThroughCount() const { return m_Max_CanSeeThru; }
    DWORD GetHeroStickCount() const { return m_Max_HeroStick; }
    DWORD GetSkinMeshCount() const { return m_Max_SkinMeshes; }
    const strIntersectEntry& GetIntersectEntry(int i) const { return m_Intersect[i]; }
    const strIntersectEntry& GetSeeThroughEntry(int i) const { return m_CanSeeThru[i]; }
    const strIntersectEntry& GetHeroStickEntry(int i) const { return m_HeroStick[i]; }
    const strIntersectEntry& GetSkinMeshEntry(int i) const { return m_SkinMeshes[i]; }

    // Counting costs a few additions per test; it is off unless asked for.
    void SetStats(IntersectSegmentStats* stats) { m_pStats = stats; }

    // Segments tested in a row inside one box (a truck's ground traces) can
    // share one walk of the table: this gathers the entries, of the table a
    // query like the given one reads, whose boxes overlap lo..hi. Until an
    // entry of any table changes, a test of such a query whose segment lies
    // in the box looks at these entries alone, and finds what the whole
    // table gives.
    void GatherArea(const RayTestQuery* kind, const float lo[3], const float hi[3]);

private:
    enum TableId
    {
        TABLE_INTERSECT,
        TABLE_SEE_THROUGH,
        TABLE_HERO_STICK,
    };
    strIntersectEntry* Table(TableId id);
    DWORD* Count(TableId id);
    int* IndexOf(HOBJECT object, TableId id);
    void ClearTables();
    // The indices of the entries whose boxes overlap the segment's, into
    // m_Overlapping, in table order; their count. With a grid, entries the
    // segment passes far from are left out. A gathered area that holds the
    // segment gives them from its own entries.
    DWORD Overlapping(const strIntersectEntry* table, const strEntryBoxes& boxes, DWORD count);
    bool AreaHolds(const strIntersectEntry* table) const;
    // The grid of a mesh table; the skinned table is short and has none.
    strEntryGrid* GridOf(const strIntersectEntry* table);
    // Brings the packed box of entry i up to date after the entry changed.
    void Sync(const strIntersectEntry* table, DWORD i);
    void ClearHolding(HOBJECT object, TableId id);
    void ClearAt(HOBJECT object, TableId id);
    bool Holds(HOBJECT object, TableId id);
    bool HasRoom(TableId id) const;
    void Enter(HOBJECT object, TableId id);
    void FillMeshEntry(strIntersectEntry& e, HOBJECT object) const;
    void FillSkinEntry(strIntersectEntry& e, HOBJECT object) const;
    // The mesh table a query reads: the hero stick's, the see-through one or the plain one.
    struct MeshTable
    {
        const strIntersectEntry* table;
        const strEntryBoxes* boxes;
        DWORD count;
    };
    MeshTable MeshTableOf(const RayTestQuery& query) const;
    void TestMeshes(const strIntersectEntry* table, const strEntryBoxes& boxes, DWORD count,
                    const RayTestQuery& q, RayTestResult* r);
    void TestSkinMeshes(const RayTestQuery& q, RayTestResult* r);
    bool BoxKey(HOBJECT object, float* key) const;
    bool ExactTest(HOBJECT object, RayTestResult* r) const;

    DWORD m_Max_Intersect = 0;
    strIntersectEntry m_Intersect[MAX_INTERSECT_SEGMENT_OBJECTS];
    DWORD m_Max_CanSeeThru = 0;
    strIntersectEntry m_CanSeeThru[MAX_INTERSECT_SEGMENT_OBJECTS];
    DWORD m_Max_HeroStick = 0;
    strIntersectEntry m_HeroStick[MAX_INTERSECT_SEGMENT_OBJECTS];
    DWORD m_Max_SkinMeshes = 0;
    strIntersectEntry m_SkinMeshes[MAX_INTERSECT_SEGMENT_SKIN_MESHES];

    strEntryBoxes m_IntersectBoxes;
    strEntryBoxes m_CanSeeThruBoxes;
    strEntryBoxes m_HeroStickBoxes;
    strEntryBoxes m_SkinMeshBoxes;
    strEntryGrid m_IntersectGrid;
    strEntryGrid m_CanSeeThruGrid;
    strEntryGrid m_HeroStickGrid;

    // The segment under test.
    D3DXVECTOR3 m_vStart, m_vEnd, m_vDir;
    float m_fLength = 0.0f;
    D3DXVECTOR3 m_vSegMin, m_vSegMax;

    DWORD m_Overlapping[MAX_INTERSECT_SEGMENT_OBJECTS];
    uint64_t m_OverlappingBits[MAX_INTERSECT_SEGMENT_OBJECTS / strEntryGrid::BITS_PER_WORD];
    DWORD m_iCandidates = 0;
    strIntersectCandidate m_Candidates[MAX_INTERSECT_SEGMENT_OBJECTS];

    IntersectSegmentStats* m_pStats = nullptr;

    // Changes of any entry so far; the gathered area holds while it stays.
    ULONGLONG m_iChanges = 0;
    const strIntersectEntry* m_pAreaTable = nullptr;
    ULONGLONG m_iAreaChanges = 0;
    float m_fAreaMin[3] = {}, m_fAreaMax[3] = {};
    DWORD m_iAreaEntries = 0;
    DWORD m_AreaEntries[MAX_INTERSECT_SEGMENT_OBJECTS];
};

extern EIntersectSegment g_IntersectSegment;
