#pragma once
// BezierMgr: the bezier paths of the current world. Carts, boats, flying
// markers and the fly-through camera travel along them; characters, the hero
// and rivers ask them for points and lengths.
//
// A path is a chain of nodes read from the world's ".bzr" file. Each node holds
// a cubic segment to its successor, sampled once at load, plus the speed,
// rotations, pauses, blockers and script effects that apply while an object
// travels through it. An object's progress lives in its BezierMoveState; the
// start and current node are kept there as node numbers so that the record
// can be saved and re-linked after a load.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

#include <string>
#include <unordered_map>
#include <vector>

constexpr int BEZIER_NAME_SIZE = 112;
constexpr int BEZIER_SCRIPT_NAME_SIZE = 128;
constexpr int BEZIER_SAMPLES = 200;
// A node file holding more nodes than this has the rest ignored (a runaway
// file would otherwise take all memory).
constexpr int BEZIER_MAX_NODES = 65536;
// Frames longer than this are cut so that a slow frame skips no node.
constexpr double BEZIER_MAX_STEP = 0.08;

struct BezierNode
{
    char name[BEZIER_NAME_SIZE];
    D3DXVECTOR3 position;
    D3DXVECTOR3 fixedRotation;         // degrees: x pitch, y yaw, z roll
    D3DXVECTOR3 interpolationRotation; // degrees, moved toward the successor's
    D3DXVECTOR3 shape1;
    D3DXVECTOR3 shape2;
    float values[5]; // 0 speed (units/s), 1 bank (degrees); 2 to 4 kept only
    BYTE dontFollow;
    BYTE emitBomb;
    char setVariable[BEZIER_SCRIPT_NAME_SIZE];
    char unsetVariable[BEZIER_SCRIPT_NAME_SIZE];
    char actionsObject[BEZIER_SCRIPT_NAME_SIZE];
    BYTE blocker;
    double length;
    DWORD numPoints; // BEZIER_SAMPLES, or 2 for a node without a successor
    D3DXVECTOR3 points[BEZIER_SAMPLES + 1];
    BYTE pauseInNode;
    double pauseTime;
    D3DXVECTOR3 entryDirection; // how the previous node's segment arrives here
    BezierNode* next;           // the following node of the path
    BezierNode* listNext;       // newer nodes first
    mutable BYTE visited;       // loop guard of the queries
    int nr;
    int nextNr;
};

class BezierMgr
{
public:
    BezierMgr() = default;
    BezierMgr(const BezierMgr&) = delete;
    BezierMgr& operator=(const BezierMgr&) = delete;
    virtual ~BezierMgr();

    // Reads a world's node file, links and samples the nodes, and starts or
    // places every object that follows a path. False when the file cannot be
    // opened (the world then has no paths).
    bool LoadNodes(const char* fileName);
    void DeleteAll();

    // The first node of the list with this name (case-blind); null for "".
    BezierNode* FindPath(const char* name) const;
    BezierNode* FindNodeById(int nr) const;
    const BezierNode* GetNodes() const { return m_pNodes; }

    void EnterNode(HOBJECT object, BezierNode* node);
    void UpdateObjectsOnBezier();
    void MoveObject(HOBJECT object, double dt);

    // Position and unit direction at a distance along a path; nothing is
    // written for a path that does not exist.
    void GetPointAt(const char* path, double distance, D3DXVECTOR3* position, D3DXVECTOR3* direction) const;
    double GetPathLength(const char* path) const;
    // The sampled point of the path nearest to p and its distance along it.
    void ProjectPointOnPath(const char* path, const D3DXVECTOR3* p, D3DXVECTOR3* nearest,
                            double* along) const;

private:
    void ReadNodes(FILE* file, const char* fileName);
    void LinkAndSample(const char* fileName);
    void StartFollowers();
    void ClearVisits() const;
    void ReportInternal(HOBJECT object, const char* what, const BezierNode* start) const;

    BezierNode* m_pNodes = nullptr;
    std::vector<BezierNode*> m_Order; // file order
    std::unordered_map<int, BezierNode*> m_ById;
    std::unordered_map<std::string, BezierNode*> m_ByName;
};

extern BezierMgr g_BezierMgr;
