// CPathMgr: graphs, places, routes, the one-node generation and the debug
// drawing of the graphs.
#include "characters/PathMgr.h"

#include "characters/Postac.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"

#include <cmath>
#include <cstdio>
#include <cstring>

CPathMgr g_PathMgr;

namespace
{
constexpr const char* TAG_PATH = "strPath";
constexpr const char* TAG_PLACE = "strPlace";
constexpr float kFarStart = 1e8f;
constexpr float kGoalSearchStart = 99999.0f;
constexpr float kExactTargetMin = 0.1f;
constexpr float kCornerLegMin = 0.04f;
constexpr float kCornerDot = 0.1f;
constexpr float kCornerKeepDot = -0.2f;
constexpr float kCornerRaise = 32.0f;
constexpr float kSmoothSelf = 0.5f;
constexpr float kSmoothNear = 0.28f;
constexpr float kSmoothFar = 0.11f;
constexpr float kFloorFrom = 1.0f;
constexpr float kFloorDepth = 20.0f;
constexpr float kFloorGap = 0.02f;
constexpr DWORD kMaterialWater = 5;
constexpr DWORD kGraphColor = 0xff4080ff;
constexpr DWORD kPathGeneratedFlag1 = 0x80;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

bool SkipObject(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}

// The probe and the generator take no part in the floor tests.
struct SkipPair
{
    HOBJECT a, b;
};

bool SkipBoth(HOBJECT candidate, RayTestUser user)
{
    const SkipPair* skip = reinterpret_cast<const SkipPair*>(user);
    return candidate != skip->a && candidate != skip->b;
}

D3DXVECTOR3 CharacterPosition(const strpostac* p)
{
    if (p->model)
    {
        D3DVECTOR at;
        g_Engine.GetObjectPosition(p->model, &at);
        return D3DXVECTOR3(at.x, at.y, at.z);
    }
    return p->position;
}

// The point on the line through a and b nearest to p (a when they coincide).
D3DXVECTOR3 NearestOnLine(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p)
{
    const D3DXVECTOR3 ab = b - a;
    const float len2 = D3DXVec3Dot(&ab, &ab);
    if (len2 < 1e-8f)
        return a;
    const D3DXVECTOR3 ap = p - a;
    return a + ab * (D3DXVec3Dot(&ap, &ab) / len2);
}
} // namespace

// The nodes and graphs go with their owners; the allocation counts were
// settled by Release at the world's end.
CPathMgr::~CPathMgr() = default;

// ---- Graphs and places ---------------------------------------------------------------------

strPath* CPathMgr::AddPath(const int (&ids)[3], const D3DXVECTOR3& center, float radius)
{
    auto path = std::make_unique<strPath>();
    strPath* p = path.get();
    p->ids[0] = ids[0];
    p->ids[1] = ids[1];
    p->ids[2] = ids[2];
    p->center = center;
    p->radius = radius;
    p->places = nullptr;
    p->marker_count = 0;
    p->node_count = 0;
    for (strStickMarker& m : p->markers)
    {
        m = strStickMarker{};
        m.left = -1;
        m.right = -1;
    }
    p->next = m_pPaths;
    m_pPaths = p;
    m_Store.push_back(std::move(path));
    g_Debug.AddAllocation(TAG_PATH);
    return p;
}

strPlace* CPathMgr::AddPlace(strPath* path, DWORD number, const D3DXVECTOR3& pos, const D3DXVECTOR3& realpos)
{
    if (!path)
        return nullptr;
    auto place = std::make_unique<strPlace>();
    strPlace* n = place.get();
    *n = strPlace{};
    n->pos = pos;
    n->realpos = realpos;
    for (DWORD& id : n->neighbour_ids)
        id = NO_NEIGHBOUR;
    n->enabled = 1;
    n->free = 1;
    n->number = number;
    n->next = path->places;
    if (path->places)
        path->places->previous = n;
    path->places = n;
    path->store.push_back(std::move(place));
    ++path->node_count;
    g_Debug.AddAllocation(TAG_PLACE);
    return n;
}

void CPathMgr::Link(strPlace* a, int slot, strPlace* b)
{
    if (!a || !b || slot < 0 || slot >= PATH_NEIGHBOURS)
        return;
    const int back = WrapSlot(slot + 4);
    a->neighbours[slot] = b;
    a->neighbour_ids[slot] = b->number;
    b->neighbours[back] = a;
    b->neighbour_ids[back] = a->number;
}

void CPathMgr::ResolvePath(strPath* path, const char* fileName)
{
    if (!path)
        return;
    path->by_number.assign(MAX_PATH_NODE_NUMBERS, nullptr);
    for (strPlace* n = path->places; n; n = n->next)
        if (n->number < static_cast<DWORD>(MAX_PATH_NODE_NUMBERS) && !path->by_number[n->number])
            path->by_number[n->number] = n;
    for (strPlace* n = path->places; n; n = n->next)
    {
        n->edge = 0;
        for (int i = 0; i < PATH_NEIGHBOURS; ++i)
        {
            const DWORD id = n->neighbour_ids[i];
            n->neighbours[i] = id < static_cast<DWORD>(MAX_PATH_NODE_NUMBERS) ? path->by_number[id] : nullptr;
            if (!n->neighbours[i])
                n->edge = 1;
        }
    }
    char line[LINE_CHARS + 64];
    for (DWORD i = 0; i < path->marker_count && i < static_cast<DWORD>(MAX_STICK_MARKERS); ++i)
    {
        strStickMarker& m = path->markers[i];
        m.object = m.name[0] ? g_Engine.FindObject(m.name, 0) : nullptr;
        if (!m.object)
        {
            std::snprintf(line, sizeof line, "Path marker %s doesn't exist! Recalculate paths!", m.name);
            AppendLogLine(line);
        }
        m.leftPlace = FindNodeByIndex(path, m.left);
        if (m.left != -1 && !m.leftPlace)
        {
            std::snprintf(line, sizeof line,
                          "Left path point no %i for marker %s doesn't exist! Recalculate paths!", m.left,
                          m.name);
            AppendLogLine(line);
        }
        m.rightPlace = FindNodeByIndex(path, m.right);
        if (m.right != -1 && !m.rightPlace)
        {
            std::snprintf(line, sizeof line,
                          "Right path point no %i for marker %s doesn't exist! Recalculate paths!", m.right,
                          m.name);
            AppendLogLine(line);
        }
    }
    (void)fileName;
}

strPath* CPathMgr::FindPathById(const int (&ids)[3]) const
{
    for (strPath* p = m_pPaths; p; p = p->next)
        if (p->ids[0] == ids[0] && p->ids[1] == ids[1] && p->ids[2] == ids[2])
            return p;
    return nullptr;
}

strPlace* CPathMgr::FindNodeByIndex(const strPath* path, int number)
{
    if (!path || number < 0 || number >= MAX_PATH_NODE_NUMBERS ||
        path->by_number.size() != static_cast<size_t>(MAX_PATH_NODE_NUMBERS))
        return nullptr;
    return path->by_number[static_cast<size_t>(number)];
}

strPlace* CPathMgr::FindNearestPathNode(const D3DXVECTOR3& position, strPath** pathOut) const
{
    strPlace* best = nullptr;
    strPath* bestPath = nullptr;
    float bestDistance = kFarStart;
    for (strPath* path = m_pPaths; path; path = path->next)
        for (strPlace* n = path->places; n; n = n->next)
        {
            const float d = Distance(n->realpos, position);
            if (d < bestDistance)
            {
                bestDistance = d;
                best = n;
                bestPath = path;
            }
        }
    if (pathOut)
        *pathOut = bestPath;
    return best;
}

void CPathMgr::FindPlaceFor(strpostac* p)
{
    if (!p)
        return;
    const D3DXVECTOR3 at = CharacterPosition(p);
    strPlace* best = nullptr;
    float bestDistance = kFarStart;
    if (p->path)
    {
        for (strPlace* n = p->path->places; n; n = n->next)
        {
            const float d = Distance(n->realpos, at);
            if (d < bestDistance)
            {
                bestDistance = d;
                best = n;
            }
        }
    }
    else
    {
        strPath* path = nullptr;
        best = FindNearestPathNode(at, &path);
        p->path = path;
    }
    p->place = best;
}

int CPathMgr::DirectionSlot(float x, float z)
{
    const float len = std::sqrt(x * x + z * z);
    if (len > 0.0f)
    {
        x /= len;
        z /= len;
    }
    if (x >= 0.0f && z >= 0.0f)
        return z > x ? 0 : 1;
    if (x >= 0.0f)
        return x > -z ? 2 : 3;
    if (z < 0.0f)
        return -z > -x ? 4 : 5;
    return z > -x ? 7 : 6;
}

void CPathMgr::SlotStep(int slot, int* dx, int* dz)
{
    static constexpr int kX[PATH_NEIGHBOURS] = {0, 1, 1, 1, 0, -1, -1, -1};
    static constexpr int kZ[PATH_NEIGHBOURS] = {1, 1, 0, -1, -1, -1, 0, 1};
    const int s = WrapSlot(slot);
    if (dx)
        *dx = kX[s];
    if (dz)
        *dz = kZ[s];
}

// ---- Routes ------------------------------------------------------------------------------------

void CPathMgr::ClearRoute(strpostac* p)
{
    if (!p)
        return;
    p->route_node_count = 0;
    p->run_target = nullptr;
    p->path_point_count = 0;
    p->node_point_count = 0;
    p->path_index = -1;
}

bool CPathMgr::FillRec(strPlace* node, strPlace* goal, strpostac* p, int depth, int maxDepth)
{
    node->free = 0;
    if (depth >= maxDepth || depth >= MAX_ROUTE_NODES)
        return false;
    if (node == goal)
    {
        p->route_node_count = static_cast<DWORD>(depth + 1);
        p->route_nodes[depth] = node;
        if (g_Options.Debug > 2)
            g_Console.Print("FillRec - osiagnalem cel");
        return true;
    }
    for (;;)
    {
        strPlace* best = nullptr;
        float bestDistance = 0.0f;
        for (strPlace* n : node->neighbours)
        {
            if (!n || !n->free || !n->enabled)
                continue;
            const float d = Distance(n->realpos, goal->realpos);
            if (!best || d < bestDistance)
            {
                best = n;
                bestDistance = d;
            }
        }
        if (!best)
            return false;
        if (FillRec(best, goal, p, depth + 1, maxDepth))
        {
            p->route_nodes[depth] = node;
            return true;
        }
    }
}

void CPathMgr::FillPathTo(strPlace* start, const D3DXVECTOR3& goal, strpostac* p, int maxDepth)
{
    if (!p)
        return;
    ClearRoute(p);
    if (!start)
        return;
    // The path the start node belongs to: the character's own, else the one holding it.
    strPath* path = p->path;
    bool owns = false;
    if (path)
        for (strPlace* n = path->places; n && !owns; n = n->next)
            owns = n == start;
    if (!owns)
    {
        path = nullptr;
        for (strPath* candidate = m_pPaths; candidate && !path; candidate = candidate->next)
            for (strPlace* n = candidate->places; n; n = n->next)
                if (n == start)
                {
                    path = candidate;
                    break;
                }
    }
    if (!path)
        return;
    strPlace* goalNode = nullptr;
    float best = kGoalSearchStart;
    for (strPlace* n = path->places; n; n = n->next)
    {
        const float d = Distance(n->realpos, goal);
        if (d < best)
        {
            best = d;
            goalNode = n;
        }
    }
    if (!goalNode)
    {
        g_Console.Print("Nie ma docelowego wezla!");
        return;
    }
    for (strPlace* n = path->places; n; n = n->next)
        n->free = 1;
    const bool found = FillRec(start, goalNode, p, 0, maxDepth);
    if (g_Options.Debug > 2)
    {
        g_Console.PrintVector("Wezel najblizszy celowi ma wspolrzedne ", goalNode->realpos);
        g_Console.PrintFloat("Odleglosc wezla docelowego od postaci: ",
                             Distance(goalNode->realpos, p->position));
        g_Console.PrintFloat("Odleglosc wezla docelowego od mesha: ", Distance(goalNode->realpos, goal));
        g_Console.PrintInt("Wrocilo wezlow ", found ? static_cast<int>(p->route_node_count) : 0);
    }
    if (!found)
    {
        // A search that fails leaves no route at all, never a run to nowhere.
        ClearRoute(p);
        return;
    }
    p->run_target = goalNode;
    CreatePathPoints(p);
}

void CPathMgr::CreatePathPoints(strpostac* p)
{
    if (!p)
        return;
    // The node points: the start, then the route's nodes.
    D3DXVECTOR3 nodes[MAX_ROUTE_NODES + 1];
    int count = 0;
    nodes[count++] = p->position;
    const DWORD first = p->postac_running && p->route_node_count > 1 ? 1 : 0;
    for (DWORD i = first; i < p->route_node_count && count < MAX_ROUTE_NODES + 1; ++i)
        nodes[count++] = p->route_nodes[i]->realpos;
    p->node_point_count = 0;
    for (DWORD i = 0; i < p->route_node_count && i < static_cast<DWORD>(MAX_ROUTE_POINTS); ++i)
        p->node_points[p->node_point_count++] = p->route_nodes[i]->realpos;

    // Each leg becomes its start and the points at a third and two thirds.
    D3DXVECTOR3* out = p->path_points;
    int n = 0;
    for (int k = 0; k + 1 < count; ++k)
    {
        const D3DXVECTOR3 a = nodes[k];
        const D3DXVECTOR3 b = nodes[k + 1];
        out[n++] = a;
        out[n++] = a + (b - a) * 0.33f;
        out[n++] = a + (b - a) * 0.67f;
    }
    out[n++] = nodes[count - 1];
    const int created = n;

    // Smoothing: each interior node point, and its neighbours less, towards the
    // line through the node points around it.
    for (int k = 1; k + 1 < count; ++k)
    {
        const int at = 3 * k;
        const D3DXVECTOR3 offset = NearestOnLine(nodes[k - 1], nodes[k + 1], out[at]) - out[at];
        out[at] += offset * kSmoothSelf;
        out[at - 1] += offset * kSmoothNear;
        out[at + 1] += offset * kSmoothNear;
        out[at - 2] += offset * kSmoothFar;
        out[at + 2] += offset * kSmoothFar;
    }
    if (D3DXVec3Length(&p->exact_run_target) > kExactTargetMin && n < MAX_ROUTE_POINTS)
        out[n++] = p->exact_run_target;

    // Sharp corners are cut, unless the line between the points around them is
    // blocked high above (and the corner is not a turn back).
    for (int i = 1; i + 1 < n;)
    {
        D3DXVECTOR3 in = out[i] - out[i - 1];
        D3DXVECTOR3 on = out[i + 1] - out[i];
        const float li = D3DXVec3Length(&in);
        const float lo = D3DXVec3Length(&on);
        if (li >= kCornerLegMin && lo >= kCornerLegMin)
        {
            const float dot = D3DXVec3Dot(&in, &on) / (li * lo);
            if (dot <= kCornerDot)
            {
                bool keep = false;
                if (dot > kCornerKeepDot)
                {
                    D3DXVECTOR3 a = out[i - 1];
                    D3DXVECTOR3 b = out[i + 1];
                    a.y += kCornerRaise;
                    b.y += kCornerRaise;
                    keep = SegmentBlocked(a, b);
                }
                if (!keep)
                {
                    for (int j = i; j + 1 < n; ++j)
                        out[j] = out[j + 1];
                    --n;
                    continue;
                }
            }
        }
        ++i;
    }
    if (g_Options.Debug > 2)
    {
        g_Console.PrintInt(" CreatePathPoints stworzylo punktow ", created);
        g_Console.PrintInt(" CreatePathPoints - po wygladzeniu zostalo punktow ", n);
    }
    p->path_point_count = static_cast<DWORD>(n);
    p->path_index = 0;
}

bool CPathMgr::SegmentBlocked(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    RayTestQuery query;
    query.pFrom = &a.x;
    query.pTo = &b.x;
    query.pfnFilter = SkipObject;
    query.dwUser = reinterpret_cast<RayTestUser>(m_hProbe);
    RayTestResult result;
    ++m_iSegmentTests;
    return g_IntersectSegment.Test(&query, &result) && result.bHit;
}

// ---- Generation ---------------------------------------------------------------------------------

bool CPathMgr::ProbeCollides(const D3DXVECTOR3&) const
{
    // The probe asks the painted-vertex data about the probe box; that query
    // answers "no collision" in this engine, so a grown graph keeps its first
    // node and usable graphs come from stored files.
    return false;
}

bool CPathMgr::NodeInProbeBox(const strPath* path, const D3DXVECTOR3& at) const
{
    for (const strPlace* n = path ? path->places : nullptr; n; n = n->next)
        if (std::fabs(n->pos.x - at.x) <= PROBE_HALF[0] && std::fabs(n->pos.y - at.y) <= PROBE_HALF[1] &&
            std::fabs(n->pos.z - at.z) <= PROBE_HALF[2])
            return true;
    return false;
}

bool CPathMgr::FindFloor(const D3DXVECTOR3& from, float depth, D3DXVECTOR3* floor, DWORD* material) const
{
    const D3DXVECTOR3 to(from.x, from.y - depth, from.z);
    const SkipPair skip = {m_hProbe, m_hGenerator};
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipBoth;
    query.dwUser = reinterpret_cast<RayTestUser>(&skip);
    RayTestResult result;
    if (!g_IntersectSegment.Test(&query, &result) || !result.bHit)
        return false;
    if (floor)
        *floor = result.vPoint;
    if (material)
        *material = result.dwSubsetValue;
    return true;
}

void CPathMgr::GrowFrom(strPath* path, strPlace* start)
{
    // Depth-first in the order of the recursive search, on an explicit stack.
    std::vector<strPlace*> stack{start};
    const DWORD limit = m_iNodeLimit < GENERATOR_NODE_CAP ? m_iNodeLimit : GENERATOR_NODE_CAP;
    while (!stack.empty())
    {
        strPlace* node = stack.back();
        stack.pop_back();
        if (node->number >= limit)
            continue;
        if (Distance(node->pos, path->center) > path->radius)
        {
            if (m_bDebugGenerator)
                g_Console.Print("Za daleko, wychodze!");
            continue;
        }
        for (int i = 0; i < PATH_NEIGHBOURS; ++i)
        {
            if (node->neighbours[i])
                continue;
            int dx = 0, dz = 0;
            SlotStep(i, &dx, &dz);
            D3DXVECTOR3 candidate = node->pos + D3DXVECTOR3(dx * m_fGridStep, 0.0f, dz * m_fGridStep);
            if (ProbeCollides(candidate))
            {
                candidate.y += m_fGridStep;
                if (ProbeCollides(candidate))
                    continue;
            }
            else
            {
                D3DXVECTOR3 lower = candidate;
                lower.y -= m_fGridStep;
                if (!ProbeCollides(lower))
                {
                    candidate = lower;
                    lower.y -= m_fGridStep;
                    if (!ProbeCollides(lower))
                    {
                        if (m_bDebugGenerator)
                            g_Console.Print("Mozna jeszcze bardziej w dol, przepasc, spadam! ");
                        continue;
                    }
                }
            }
            D3DXVECTOR3 floor;
            DWORD material = 0;
            const D3DXVECTOR3 eye(candidate.x, candidate.y - kFloorGap, candidate.z);
            if (!FindFloor(eye, kFloorDepth, &floor, &material) &&
                !FindFloor(eye - D3DXVECTOR3(0, 1, 0), kFloorDepth, &floor, &material))
                continue;
            if (material == kMaterialWater)
                continue;
            if (SegmentBlocked(node->pos, candidate) || SegmentBlocked(candidate, node->pos))
                continue;
            strPlace* existing = nullptr;
            for (strPlace* n = path->places; n; n = n->next)
                if (std::fabs(n->pos.x - candidate.x) <= PROBE_HALF[0] &&
                    std::fabs(n->pos.y - candidate.y) <= PROBE_HALF[1] &&
                    std::fabs(n->pos.z - candidate.z) <= PROBE_HALF[2])
                    existing = n;
            if (existing)
            {
                Link(node, i, existing);
                continue;
            }
            strPlace* added = AddPlace(path, path->node_count, candidate, floor);
            added->generated = 1;
            added->material = material;
            Link(node, i, added);
            stack.push_back(added);
        }
    }
}

void CPathMgr::AddMeshNodes(HOBJECT generator)
{
    ++m_iMeshesAdded;
    if (!generator)
        return;
    // Bodies take part in the floor and probe tests as meshes.
    std::vector<std::pair<HOBJECT, DWORD>> marked;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.Type == OT_MESH && o.pPhysicsBody && !(o.dwFlags & kPathGeneratedFlag1))
        {
            marked.emplace_back(&o, o.dwFlags);
            o.dwFlags |= kPathGeneratedFlag1;
        }
    float values[5] = {};
    g_Engine.GetObjectPathGenParams(generator, values);
    if (values[1] > 0.0f)
        m_fGridStep = values[1];
    if (values[3] > 0.0f)
        m_fRadius = values[3];
    m_vCenter = generator->vPosition;
    m_hGenerator = generator;
    D3DXVECTOR3 start = m_vCenter;
    D3DXVECTOR3 floor = start;
    const D3DXVECTOR3 from(start.x, start.y + kFloorFrom, start.z);
    if (FindFloor(from, kFloorFrom + kFloorDepth, &floor, nullptr))
        g_Console.PrintVector("Walnalem w podloge w ", floor);
    else
    {
        g_Console.Print("Nie ma podlogi!");
        floor = start;
    }
    start = floor;
    start.y += PROBE_HALF[1] + kFloorGap;
    bool exists = false;
    for (strPath* p = m_pPaths; p && !exists; p = p->next)
        exists = NodeInProbeBox(p, start);
    if (exists)
        g_Console.Print("Juz jest sciezka z meshem!");
    else
    {
        g_Console.Print("Jeden wezel dodany");
        const int ids[3] = {static_cast<int>(generator->PESEL[0]), static_cast<int>(generator->PESEL[1]),
                            static_cast<int>(generator->PESEL[2])};
        strPath* path = AddPath(ids, start, m_fRadius);
        strPlace* first = AddPlace(path, 0, start, floor);
        GrowFrom(path, first);
        ResolvePath(path, nullptr);
        m_bGenerated = 1;
    }
    for (auto& [o, flags] : marked)
        o->dwFlags = flags;
    m_hGenerator = nullptr;
    m_bDebugGenerator = 0;
}

void CPathMgr::CreateProbe()
{
    if (m_hProbe)
        return;
    EObjectDesc desc;
    desc.Type = OT_MESH;
    CopyCut(desc.szFileName, sizeof desc.szFileName, PROBE_MODEL);
    desc.dwFlags = EIntersectSegment::FLAG1_NO_SEGMENT;
    desc.dwFlags2 = EIntersectSegment::FLAG2_NO_SEGMENT;
    m_hProbe = g_Engine.AddObject(&desc);
}

void CPathMgr::DeleteProbe()
{
    if (m_hProbe && m_hProbe->bUsed)
        g_Engine.DeleteObject(m_hProbe);
    m_hProbe = nullptr;
}

void CPathMgr::DeleteAllProbes()
{
    DeleteProbe();
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && CompareNoCase(o.szFileName, PROBE_MODEL) == 0)
        {
            g_Engine.DeleteObject(&o);
            g_Console.Print("postac.x deleted!");
        }
}

// ---- Debug drawing and release -------------------------------------------------------------------

void CPathMgr::RenderDebug()
{
    if (!g_pD3DInterface || !m_pPaths)
        return;
    struct LineVertex
    {
        float x, y, z;
        DWORD color;
    };
    std::vector<LineVertex> lines;
    for (const strPath* path = m_pPaths; path; path = path->next)
        for (const strPlace* n = path->places; n; n = n->next)
            for (int i = 0; i < PATH_NEIGHBOURS / 2; ++i)
                if (const strPlace* m = n->neighbours[i])
                {
                    lines.push_back({n->pos.x, n->pos.y, n->pos.z, kGraphColor});
                    lines.push_back({m->pos.x, m->pos.y, m->pos.z, kGraphColor});
                }
    if (lines.empty())
        return;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    g_pD3DInterface->SetTransform(D3DTS_WORLD, &identity);
    g_pD3DInterface->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    g_pD3DInterface->DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(lines.size() / 2), lines.data(),
                                     sizeof(LineVertex));
}

void CPathMgr::Release()
{
    for (const auto& path : m_Store)
    {
        for (size_t i = 0; i < path->store.size(); ++i)
            g_Debug.RemoveAllocation(TAG_PLACE);
        g_Debug.RemoveAllocation(TAG_PATH);
    }
    m_Store.clear();
    m_pPaths = nullptr;
    m_bGenerated = 0;
}
