#pragma once
// CPathMgr: the waypoint graphs the characters run on. A graph (strPath) is
// grown on a 2.0-unit grid from a generator mesh and kept beside the world as
// the text file "%s.pth"; its nodes (strPlace) link to up to eight
// neighbours. Characters take a node as their place, and a greedy
// depth-first search fills their node route towards a goal, which
// CreatePathPoints turns into a smoothed polyline.
//
// The members live in PathMgr.cpp (graphs, places, routes, generation) and
// PathMgrFile.cpp (the "%s.pth" file).

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <memory>
#include <vector>

struct strpostac;
struct IDirect3DVertexBuffer9;

constexpr int PATH_NEIGHBOURS = 8;
constexpr int MAX_STICK_MARKERS = 128;
// Node numbers a graph can resolve (0 to 4095).
constexpr int MAX_PATH_NODE_NUMBERS = 4096;
// Graphs one file may hold; far above any level.
constexpr int MAX_PATHS = 256;
// Nodes of one route.
constexpr int MAX_ROUTE_NODES = 128;
constexpr DWORD NO_NEIGHBOUR = 999999;
constexpr size_t PATH_MARKER_NAME_SIZE = 64;

struct strPlace
{
    D3DXVECTOR3 pos;     // grid position, at eye height
    D3DXVECTOR3 realpos; // the floor point
    strPlace* neighbours[PATH_NEIGHBOURS];
    DWORD neighbour_ids[PATH_NEIGHBOURS];
    strPlace* next;
    strPlace* previous;
    BYTE free;      // the route search has not used it yet
    BYTE edge;      // a neighbour slot is empty
    BYTE enabled;   // 1 when made or read; nothing clears it
    BYTE generated; // grown by the generator
    DWORD material; // floor material
    DWORD number;
    // A patrol does not leave the node in this slot; 0, set by nothing.
    BYTE blocked[PATH_NEIGHBOURS];
};

struct strStickMarker
{
    char name[PATH_MARKER_NAME_SIZE];
    int left;  // node number, -1 when unset
    int right; // node number, -1 when unset
    HOBJECT object;
    strPlace* leftPlace;
    strPlace* rightPlace;
};

struct strPath
{
    int ids[3];
    D3DXVECTOR3 center;
    float radius;
    strPlace* places; // newest first
    strPath* next;
    strStickMarker markers[MAX_STICK_MARKERS];
    DWORD marker_count;
    DWORD node_count;
    // Owns the nodes; the list above and the number table point into it.
    std::vector<std::unique_ptr<strPlace>> store;
    std::vector<strPlace*> by_number; // MAX_PATH_NODE_NUMBERS entries once resolved
};

class CPathMgr
{
public:
    static constexpr const char* PROBE_MODEL = "prefabs\\special\\postac.x";
    static constexpr int LINE_CHARS = 256;
    // Nodes the generator grows at most, whatever the node limit.
    static constexpr DWORD GENERATOR_NODE_CAP = 3200;
    static constexpr float PROBE_HALF[3] = {0.375f, 0.86f, 0.375f};

    CPathMgr() = default;
    virtual ~CPathMgr();
    CPathMgr(const CPathMgr&) = delete;
    CPathMgr& operator=(const CPathMgr&) = delete;

    // ---- The world's file ---------------------------------------------------------------
    // "%s.pth" of the running world; false when the name does not fit.
    bool PathFileName(char* out, size_t size) const;
    bool PathFileExists() const;
    void LoadPaths();
    void SavePaths();
    // Reads a graph file; false when it cannot be opened.
    bool LoadFile(const char* name);
    // Reads graph text (the file's name for the messages); what cannot be
    // placed is refused with a console line naming the file and line.
    void ParseText(const char* data, size_t size, const char* name);
    // Largest graph file read.
    static constexpr size_t MAX_FILE_BYTES = 64u << 20;
    // Writes every graph; false when the file cannot be written whole.
    bool WriteFile(const char* name) const;

    // ---- Generation ----------------------------------------------------------------------
    // The generator's parameters: a byte, grid step, a height, radius and node limit.
    void SetGeneratorParams(BYTE flag, float step, float height, float radius, int nodes)
    {
        m_bGeneratorFlag = flag;
        m_fGridStep = step;
        m_fGeneratorHeight = height;
        m_fRadius = radius;
        m_iNodeLimit = nodes > 0 ? static_cast<DWORD>(nodes) : 0;
    }
    void AddMeshNodes(HOBJECT generator);
    void CreateProbe();
    void DeleteProbe();
    void DeleteAllProbes();

    // ---- Graphs and places ---------------------------------------------------------------
    strPath* AddPath(const int (&ids)[3], const D3DXVECTOR3& center, float radius);
    // A new node at the head of the path's list, with no neighbours.
    strPlace* AddPlace(strPath* path, DWORD number, const D3DXVECTOR3& pos, const D3DXVECTOR3& realpos);
    static void Link(strPlace* a, int slot, strPlace* b);
    // Numbers to pointers, edges, markers: once a graph is complete.
    void ResolvePath(strPath* path, const char* fileName);
    strPath* FindPathById(const int (&ids)[3]) const;
    static strPlace* FindNodeByIndex(const strPath* path, int number);
    strPlace* FindNearestPathNode(const D3DXVECTOR3& position, strPath** pathOut) const;
    void FindPlaceFor(strpostac* p);
    // The neighbour slot of a vector's horizontal direction.
    static int DirectionSlot(float x, float z);
    static int WrapSlot(int slot) { return ((slot % PATH_NEIGHBOURS) + PATH_NEIGHBOURS) % PATH_NEIGHBOURS; }
    static void SlotStep(int slot, int* dx, int* dz);

    // ---- Routes ----------------------------------------------------------------------------
    void FillPathTo(strPlace* start, const D3DXVECTOR3& goal, strpostac* p, int maxDepth);
    void CreatePathPoints(strpostac* p);
    // Clears the character's node route, its points and its run target.
    static void ClearRoute(strpostac* p);

    // ---- Debug drawing and release ----------------------------------------------------------
    void RenderDebug();
    void Release();

    // ---- State -------------------------------------------------------------------------------
    strPath* m_pPaths = nullptr; // newest first
    BYTE m_bGenerated = 0;
    BYTE m_bGeneratorFlag = 0;
    float m_fGridStep = 2.0f;
    float m_fGeneratorHeight = 0.5f;
    float m_fRadius = 30.0f;
    DWORD m_iNodeLimit = 2000;
    HOBJECT m_hProbe = nullptr;
    HOBJECT m_hGenerator = nullptr; // while its graph grows
    D3DXVECTOR3 m_vCenter = {0.0f, 0.0f, 0.0f};
    // Turns the generator's trace lines on; cleared after each generation.
    BYTE m_bDebugGenerator = 0;
    // Counted for the tests and the console's traces.
    int m_iSaves = 0;
    int m_iMeshesAdded = 0;
    DWORD m_iSegmentTests = 0;

private:
    bool FillRec(strPlace* node, strPlace* goal, strpostac* p, int depth, int maxDepth);
    bool ProbeCollides(const D3DXVECTOR3& at) const;
    bool NodeInProbeBox(const strPath* path, const D3DXVECTOR3& at) const;
    bool FindFloor(const D3DXVECTOR3& from, float depth, D3DXVECTOR3* floor, DWORD* material) const;
    void GrowFrom(strPath* path, strPlace* start);
    bool SegmentBlocked(const D3DXVECTOR3& a, const D3DXVECTOR3& b);

    std::vector<std::unique_ptr<strPath>> m_Store;
};

extern CPathMgr g_PathMgr;
