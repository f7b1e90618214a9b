#include "game/BezierMgr.h"

#include "environment/FxMgr.h"
#include "game/BezierFollowState.h"
#include "game/GameAI.h"
#include "game/SaveMgr.h"
#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/TrackedAlloc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

BezierMgr g_BezierMgr;

namespace
{
constexpr const char* TAG_BEZIER_NODE = "BezierNode";
constexpr int LINE_SIZE = 256;
constexpr double DEG_TO_RAD = 3.1415927 / 180.0;
// A step that crosses more segments than this ends its travel for the frame
// (absurd speeds from a node file would otherwise spin for a long time).
constexpr int MAX_CROSSINGS = 20000;
// Nodes a step may enter without covering any distance before it stops.
constexpr int MAX_ZERO_ENTRIES = 64;

// Case-blind key of a name (A-Z folded, as the text helpers compare).
std::string NameKey(const char* name)
{
    std::string key(name ? name : "");
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// The leading number of a word in the C locale; 0 for no number, and 0 for a
// value that is not finite or does not fit a float.
double Number(const char* word)
{
    if (!word)
        return 0.0;
    if (*word == '+')
        ++word;
    double v = 0.0;
    const auto r = std::from_chars(word, word + std::strlen(word), v);
    if (r.ec != std::errc() || !std::isfinite(v) || std::fabs(v) > 3.0e38)
        return 0.0;
    return v;
}

int Integer(const char* word)
{
    const double v = Number(word);
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

D3DXVECTOR3 Vector(const char* line)
{
    const float x = static_cast<float>(Number(GetToken(line, 1)));
    const float y = static_cast<float>(Number(GetToken(line, 2)));
    const float z = static_cast<float>(Number(GetToken(line, 3)));
    return D3DXVECTOR3(x, y, z);
}

void CopyField(char* out, size_t size, const char* value)
{
    std::snprintf(out, size, "%s", value ? value : "");
}

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, double r)
{
    return a + (b - a) * static_cast<float>(r);
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// Where along the node the object is, 0 to 1; 0 for a node of length 0.
double NodeFraction(const BezierNode& node, double along)
{
    return node.length > 0.0 ? std::clamp(along / node.length, 0.0, 1.0) : 0.0;
}

double LerpToNext(const BezierNode& node, double mine, double next, double along)
{
    return node.next ? mine + (next - mine) * NodeFraction(node, along) : mine;
}

// The point and the travel direction at a spot of a node's segment i, r of
// the way to its next point (the points a and b of the travel direction).
void PointAndDirection(const BezierNode& node, DWORD i, double r, D3DXVECTOR3* point, D3DXVECTOR3* direction)
{
    const D3DXVECTOR3* p = node.points;
    *point = Lerp(p[i], p[i + 1], r);
    const D3DXVECTOR3 a = i == 0 ? Lerp(p[0] - node.entryDirection, p[0], r) : Lerp(p[i - 1], p[i], r);
    D3DXVECTOR3 b;
    if (i + 2 < node.numPoints)
        b = Lerp(p[i + 1], p[i + 2], r);
    else if (node.next)
        b = Lerp(node.next->points[0], node.next->points[1], r);
    else
        b = node.position;
    *direction = b - a;
    if (Length(*direction) <= 0.0f)
        *direction = p[i + 1] - p[i];
}
} // namespace

BezierMgr::~BezierMgr()
{
    DeleteAll();
}

// ---- Loading ------------------------------------------------------------------------------------

bool BezierMgr::LoadNodes(const char* fileName)
{
    DeleteAll();
    FILE* file = fileName ? TkFopen(fileName, "rb") : nullptr;
    if (!file)
        return false;
    ReadNodes(file, fileName);
    std::fclose(file);
    LinkAndSample(fileName);
    StartFollowers();
    return true;
}

void BezierMgr::ReadNodes(FILE* file, const char* fileName)
{
    char line[LINE_SIZE + 1];
    BezierNode* node = nullptr;
    bool full = false;
    while (!std::feof(file) && !std::ferror(file))
    {
        line[0] = 0;
        ReadLine(file, line, LINE_SIZE);
        if (IsKeyword(line, "bezier_node"))
        {
            if (static_cast<int>(m_Order.size()) >= BEZIER_MAX_NODES)
            {
                if (!full)
                    g_Console.Print2(fileName, ": too many bezier nodes, the rest are ignored");
                full = true;
                node = nullptr;
                continue;
            }
            node = NewTracked<BezierNode>(TAG_BEZIER_NODE);
            std::memset(node, 0, sizeof *node);
            CopyField(node->name, sizeof node->name, GetLineValue(line));
            node->listNext = m_pNodes;
            m_pNodes = node;
            m_Order.push_back(node);
            continue;
        }
        if (!node)
            continue;
        if (IsKeyword(line, "nr"))
            node->nr = Integer(GetToken(line, 1));
        else if (IsKeyword(line, "pos"))
            node->position = Vector(line);
        else if (IsKeyword(line, "ksztalt1"))
            node->shape1 = Vector(line);
        else if (IsKeyword(line, "ksztalt2"))
            node->shape2 = Vector(line);
        else if (IsKeyword(line, "fixed_rotation"))
            node->fixedRotation = Vector(line);
        else if (IsKeyword(line, "interpolation_rotation"))
            node->interpolationRotation = Vector(line);
        else if (IsKeyword(line, "values"))
        {
            for (int i = 0; i < 5; ++i)
                node->values[i] = static_cast<float>(Number(GetToken(line, i + 1)));
            if (node->values[0] < 0.0f)
            {
                // Backwards travel would slide the object off its curve for ever.
                g_Console.Print4(fileName, ": negative bezier speed read as 0 in node ", node->name, "");
                node->values[0] = 0.0f;
            }
        }
        else if (IsKeyword(line, "dont_follow"))
            node->dontFollow = Integer(GetToken(line, 1)) != 0;
        else if (IsKeyword(line, "emit_bomb"))
            node->emitBomb = Integer(GetToken(line, 1)) != 0;
        else if (IsKeyword(line, "gameai_set"))
            CopyField(node->setVariable, sizeof node->setVariable, GetLineValue(line));
        else if (IsKeyword(line, "gameai_unset"))
            CopyField(node->unsetVariable, sizeof node->unsetVariable, GetLineValue(line));
        else if (IsKeyword(line, "give_action_to_mesh"))
            CopyField(node->actionsObject, sizeof node->actionsObject, GetLineValue(line));
        else if (IsKeyword(line, "blocker"))
            node->blocker = Integer(GetToken(line, 1)) != 0;
        else if (IsKeyword(line, "pause_in_node"))
            node->pauseInNode = Integer(GetToken(line, 1)) != 0;
        else if (IsKeyword(line, "pause_pause_time"))
            node->pauseTime = std::max(Number(GetToken(line, 1)), 0.0);
        else if (IsKeyword(line, "next_in_path_nr"))
            node->nextNr = Integer(GetToken(line, 1));
    }
}

void BezierMgr::LinkAndSample(const char* fileName)
{
    // Lookups answer the first node of the list (the newest) for a number or name.
    for (BezierNode* n = m_pNodes; n; n = n->listNext)
    {
        if (!m_ById.emplace(n->nr, n).second)
        {
            char text[64];
            std::snprintf(text, sizeof text, ": bezier node number %d is used twice", n->nr);
            g_Console.Print2(fileName, text);
        }
        m_ByName.emplace(NameKey(n->name), n);
    }
    for (BezierNode* n : m_Order)
        n->next = FindNodeById(n->nextNr);
    for (BezierNode* n : m_Order)
    {
        if (!n->next)
        {
            n->numPoints = 2;
            n->points[0] = n->points[1] = n->position;
            n->length = 0.0;
            continue;
        }
        n->numPoints = BEZIER_SAMPLES;
        const D3DXVECTOR3 p0 = n->position, p1 = n->shape1, p2 = n->shape2, p3 = n->next->position;
        double length = 0.0;
        for (int i = 0; i < BEZIER_SAMPLES; ++i)
        {
            // De Casteljau: coinciding controls give exactly their point.
            const double s = static_cast<double>(i) / (BEZIER_SAMPLES - 1);
            const D3DXVECTOR3 a = Lerp(p0, p1, s), b = Lerp(p1, p2, s), c = Lerp(p2, p3, s);
            n->points[i] = Lerp(Lerp(a, b, s), Lerp(b, c, s), s);
            if (i > 0)
                length += Length(n->points[i] - n->points[i - 1]);
        }
        n->length = length;
        if (!(length > 0.0))
        {
            g_Console.Print("ERROR in BezierMgr.cpp: Bezier Node length is zero!");
            g_Console.Print4(fileName, ": node ", n->name, "");
        }
        n->next->entryDirection = n->points[BEZIER_SAMPLES - 1] - n->points[BEZIER_SAMPLES - 2];
    }
}

void BezierMgr::StartFollowers()
{
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject* o = &g_Engine.m_Objects[slot];
        if (!o->bUsed || !o->pBezierFollow || !o->pBezierMove || !o->pBezierFollow->bOn)
            continue;
        if (o->pBezierFollow->bOption1)
        {
            g_Engine.StartBezierMoving(o);
            continue;
        }
        if (!o->pBezierFollow->bFlag2)
            continue;
        BezierMoveState& move = *o->pBezierMove;
        g_Engine.GetObjectPosition(o, &move.vVelocity);
        g_Engine.GetObjectOrientation(o, &move.Orientation);
        move.qRotation = move.Orientation.Quaternion;
        if (const BezierNode* start = FindPath(o->pBezierFollow->szStartNode))
            move.iNode = move.iNextNode = static_cast<DWORD>(start->nr);
        MoveObject(o, 0.0);
        g_Engine.SetObjectTransform(o, &move.vVelocity, &move.Orientation, 0, 1);
    }
}

void BezierMgr::DeleteAll()
{
    while (m_pNodes)
    {
        BezierNode* n = m_pNodes;
        m_pNodes = n->listNext;
        DeleteTracked(n, TAG_BEZIER_NODE);
    }
    m_Order.clear();
    m_ById.clear();
    m_ByName.clear();
}

BezierNode* BezierMgr::FindPath(const char* name) const
{
    if (!name || !name[0])
        return nullptr;
    const auto it = m_ByName.find(NameKey(name));
    return it == m_ByName.end() ? nullptr : it->second;
}

BezierNode* BezierMgr::FindNodeById(int nr) const
{
    const auto it = m_ById.find(nr);
    return it == m_ById.end() ? nullptr : it->second;
}

// ---- Travel -------------------------------------------------------------------------------------

void BezierMgr::EnterNode(HOBJECT o, BezierNode* node)
{
    if (!o || !node || !o->pBezierMove || !o->pBezierFollow)
        return;
    BezierMoveState& m = *o->pBezierMove;
    const BezierFollowState& f = *o->pBezierFollow;
    m.iSegment = 0;
    m.iNextNode = static_cast<DWORD>(node->nr);
    m.dTime = 0.0;
    m.dParam = 0.0;
    m.dDistance = node->values[0];
    if (node == FindPath(f.szStartNode))
    {
        ++m.iCount;
        const double pause = m.iCount == 1 ? f.dFirstVisitPause : f.dLaterVisitPause;
        if (pause > 0.0)
        {
            m.bFlag3 = 1;
            m.dValue2 = pause;
        }
    }
    m.bFlag1 = node->pauseInNode;
    m.dValue = node->pauseTime;
    if (node->blocker && m.bRunning)
        m.bFlag2 = 1;
    if (node->emitBomb)
    {
        D3DXVECTOR3 down = node->points[1] - node->points[0];
        if (Length(down) <= 0.0f)
            down = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        g_FxMgr.CreateBombFx(&node->position, &down);
    }
    if (node->setVariable[0])
        g_GameAI.SetVariable(node->setVariable, o);
    if (node->unsetVariable[0])
        g_GameAI.UnsetVariable(node->unsetVariable, o);
    if (node->actionsObject[0])
        g_Engine.RunObjectAction(node->actionsObject, 0);
}

void BezierMgr::UpdateObjectsOnBezier()
{
    if (g_Menu.m_bMenuActive || g_LoadingScreen.m_bActive || g_SaveMgr.loadInProgress)
        return;
    const double dt = g_Engine.m_fDeltaTime;
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject* o = &g_Engine.m_Objects[slot];
        if (!o->bUsed || !o->pBezierMove || !o->pBezierMove->bActive)
            continue;
        BezierMoveState& m = *o->pBezierMove;
        g_Engine.GetObjectPosition(o, &m.vVelocity);
        g_Engine.GetObjectOrientation(o, &m.Orientation);
        MoveObject(o, dt);
        g_Engine.SetObjectTransform(o, &m.vVelocity, &m.Orientation, 0, 1);
    }
}

void BezierMgr::ReportInternal(HOBJECT o, const char* what, const BezierNode* start) const
{
    g_Console.Print(" ");
    g_Console.Print(what);
    g_Console.Print("Problematic object name:");
    g_Console.Print(o->szName);
    if (start)
    {
        g_Console.Print("Bezier start node name:");
        g_Console.Print(start->name);
    }
    g_Console.Print(" ");
}

namespace
{
// A pause of the move state (node pause or visit pause) spending travel time;
// true while it still holds the object.
bool SpendPause(BYTE& on, double& left, double& t)
{
    if (!on)
        return false;
    if (left >= t)
    {
        left -= t;
        return true;
    }
    t -= left;
    left = 0.0;
    on = 0;
    return false;
}
} // namespace

void BezierMgr::MoveObject(HOBJECT o, double dt)
{
    if (!o || !o->pBezierMove || !o->pBezierFollow)
        return;
    BezierMoveState& m = *o->pBezierMove;
    const BezierFollowState& f = *o->pBezierFollow;
    dt = std::isfinite(dt) ? std::clamp(dt, 0.0, BEZIER_MAX_STEP) : 0.0;

    BezierNode* start = FindPath(f.szStartNode);
    if (!start && f.szStartNode[0])
    {
        g_Console.Print(" ");
        g_Console.Print("ERROR: Start bezier node not found!");
        g_Console.Print("Bad node name:");
        g_Console.Print(f.szStartNode);
        g_Console.Print("Bad object name:");
        g_Console.Print(o->szName);
        g_Console.Print(" ");
        return;
    }
    if (start)
        m.iNode = static_cast<DWORD>(start->nr);
    BezierNode* node = FindNodeById(static_cast<int>(m.iNextNode));
    if (!node)
        node = start;
    if (!node)
    {
        ReportInternal(o, "BezierMgr.cpp: Internal ERROR: pNode is NULL", start);
        return;
    }
    if (m.iSegment + 1 >= node->numPoints)
        m.iSegment = node->numPoints - 2;

    // Speed ramps.
    double t = dt;
    if (m.iSpeedMode == 1 || m.iSpeedMode == 2)
    {
        t = dt * m.dSpeed;
        const double change = m.dTargetSpeed > 0.0 ? dt / m.dTargetSpeed : 1.0;
        if (m.iSpeedMode == 1)
            m.dSpeed = std::max(m.dSpeed - change, 0.0);
        else if ((m.dSpeed += change) >= 1.0)
        {
            m.dSpeed = 1.0;
            m.iSpeedMode = 0;
        }
    }
    if (!std::isfinite(t) || t < 0.0)
        t = 0.0;

    // Travel. Nodes entered without covering any distance are remembered, so
    // that a one-node path or a loop of zero-length nodes ends the step.
    const BezierNode* zeroEntries[MAX_ZERO_ENTRIES];
    int zeroCount = 0;
    double covered = 0.0, coveredAtEntries = 0.0;
    auto mayEnter = [&](const BezierNode* n)
    {
        if (covered > coveredAtEntries)
        {
            zeroCount = 0;
            coveredAtEntries = covered;
        }
        for (int k = 0; k < zeroCount; ++k)
            if (zeroEntries[k] == n)
                return false;
        if (zeroCount == MAX_ZERO_ENTRIES)
            return false;
        zeroEntries[zeroCount++] = n;
        return true;
    };
    mayEnter(node);
    for (int crossings = 0; t > 0.0 && crossings < MAX_CROSSINGS && m.bActive; ++crossings)
    {
        if (SpendPause(m.bFlag3, m.dValue2, t))
            break;
        if (m.bFlag2)
        {
            if (m.bRunning)
                break;
            m.bFlag2 = 0;
            m.bRunning = f.bStopAtBlockers;
        }
        if (SpendPause(m.bFlag1, m.dValue, t))
            break;
        const double speed = m.dDistance;
        if (!(speed > 0.0) || !(t > 0.0))
            break;
        const DWORD i = m.iSegment;
        const double ls = Length(node->points[i + 1] - node->points[i]);
        const double step = speed * t;
        if (m.dTime + step <= ls)
        {
            m.dTime += step;
            m.dParam = std::min(m.dParam + step, node->length);
            break;
        }
        const double r = std::clamp(ls - m.dTime, 0.0, ls);
        t = std::max(t - r / speed, 0.0);
        m.dParam = std::min(m.dParam + r, node->length);
        covered += r;
        m.iSegment = i + 1;
        m.dTime = 0.0;
        m.dDistance = LerpToNext(*node, node->values[0], node->next ? node->next->values[0] : 0.0, m.dParam);
        if (m.iSegment + 1 < node->numPoints)
            continue;
        // Past the node's last segment.
        if (node->next)
        {
            if (!mayEnter(node->next))
            {
                m.iSegment = node->numPoints - 2;
                m.dTime = ls;
                break;
            }
            node = node->next;
            EnterNode(o, node);
            if (node == start && f.iValue && m.iCount > f.iValue)
            {
                g_Engine.StopBezierMoving(o);
                break;
            }
            continue;
        }
        m.iSegment = 0;
        m.dTime = 0.0;
        if (!start || (f.iValue && m.iCount >= f.iValue))
        {
            g_Engine.StopBezierMoving(o);
            break;
        }
        if (!mayEnter(start))
            break;
        node = start;
        EnterNode(o, node);
    }

    if (m.iSegment + 1 >= node->numPoints)
        m.iSegment = node->numPoints - 2;
    const DWORD i = m.iSegment;
    const double ls = Length(node->points[i + 1] - node->points[i]);
    // A segment of length 0 gives its first point and keeps the last direction.
    const double r = ls > 0.0 ? std::clamp(m.dTime / ls, 0.0, 1.0) : 0.0;
    D3DXVECTOR3 direction;
    PointAndDirection(*node, i, r, &m.vVelocity, &direction);
    if (node->dontFollow || Length(direction) <= 0.0f)
        return;

    const BezierNode* next = node->next;
    D3DXQUATERNION q(0.0f, 0.0f, 0.0f, 1.0f);
    if (f.bFlag1)
        q = m.qRotation;
    D3DXQUATERNION fixed, turn;
    D3DXQuaternionRotationYawPitchRoll(&fixed, static_cast<float>(node->fixedRotation.y * DEG_TO_RAD),
                                       static_cast<float>(node->fixedRotation.x * DEG_TO_RAD),
                                       static_cast<float>(node->fixedRotation.z * DEG_TO_RAD));
    const D3DXVECTOR3& ir = node->interpolationRotation;
    const D3DXVECTOR3& nr = next ? next->interpolationRotation : ir;
    auto angle = [&](float mine, float theirs)
    { return static_cast<float>(LerpToNext(*node, mine, theirs, m.dParam) * DEG_TO_RAD); };
    D3DXQuaternionRotationYawPitchRoll(&turn, angle(ir.y, nr.y), angle(ir.x, nr.x), angle(ir.z, nr.z));
    const EOrientation facing(&direction);
    D3DXQuaternionMultiply(&q, &q, &fixed);
    D3DXQuaternionMultiply(&q, &q, &turn);
    D3DXQuaternionMultiply(&q, &q, &facing.Quaternion);
    m.Orientation.SetQuaternion(&q);
    const float bank = angle(node->values[1], next ? next->values[1] : node->values[1]);
    if (bank != 0.0f)
    {
        D3DXVECTOR3 axis = direction / Length(direction);
        m.Orientation.RotateAxisAngle(&axis, bank);
    }
}

// ---- Queries ------------------------------------------------------------------------------------

void BezierMgr::ClearVisits() const
{
    for (BezierNode* n = m_pNodes; n; n = n->listNext)
        n->visited = 0;
}

void BezierMgr::GetPointAt(const char* path, double d, D3DXVECTOR3* position, D3DXVECTOR3* direction) const
{
    const BezierNode* node = FindPath(path);
    if (!node)
        return;
    d = std::isfinite(d) ? std::max(d, 0.0) : 0.0;
    ClearVisits();
    D3DXVECTOR3 point, dir;
    for (;;)
    {
        node->visited = 1;
        if (!node->next)
        {
            point = node->position;
            dir = node->entryDirection;
            break;
        }
        if (node->length < d && !node->next->visited)
        {
            d -= node->length;
            node = node->next;
            continue;
        }
        // Within this node (or the walk came back to a node already passed:
        // the answer is this node's last point).
        DWORD i = 0;
        double r = 1.0;
        for (; i + 1 < node->numPoints; ++i)
        {
            const double ls = Length(node->points[i + 1] - node->points[i]);
            if (ls >= d)
            {
                r = ls > 0.0 ? d / ls : 0.0;
                break;
            }
            d -= ls;
        }
        if (i + 1 >= node->numPoints)
        {
            i = node->numPoints - 2;
            r = 1.0;
        }
        PointAndDirection(*node, i, r, &point, &dir);
        break;
    }
    const float len = Length(dir);
    if (len > 0.0f)
        dir /= len;
    if (position)
        *position = point;
    if (direction)
        *direction = dir;
}

double BezierMgr::GetPathLength(const char* path) const
{
    ClearVisits();
    double total = 0.0;
    for (const BezierNode* n = FindPath(path); n && !n->visited; n = n->next)
    {
        n->visited = 1;
        total += n->length;
    }
    return total;
}

void BezierMgr::ProjectPointOnPath(const char* path, const D3DXVECTOR3* p, D3DXVECTOR3* nearest,
                                   double* along) const
{
    const BezierNode* node = FindPath(path);
    if (!node || !p)
        return;
    if (!node->next)
    {
        if (nearest)
            *nearest = node->position;
        if (along)
            *along = 0.0;
        return;
    }
    ClearVisits();
    double total = 0.0, best = 9999999.0, bestAlong = 0.0;
    bool first = true;
    D3DXVECTOR3 bestPoint = node->position;
    for (; node && node->next && !node->visited; node = node->next)
    {
        node->visited = 1;
        double walked = total;
        D3DXVECTOR3 previous = node->position;
        for (DWORD k = 1; k <= BEZIER_SAMPLES; ++k)
        {
            const DWORD index = std::min(node->numPoints - 1, k * (node->numPoints - 1) / BEZIER_SAMPLES);
            const double distance = Length(previous - *p);
            if (first || distance < best)
            {
                first = false;
                best = distance;
                bestPoint = previous;
                bestAlong = walked;
            }
            walked += Length(node->points[index] - previous);
            previous = node->points[index];
        }
        total += node->length;
    }
    if (nearest)
        *nearest = bestPoint;
    if (along)
        *along = bestAlong;
}
