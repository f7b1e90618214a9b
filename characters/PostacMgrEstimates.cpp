// CPostacMgr: where a phase sends its character. Each estimate works out a
// goal on the waypoint graph and fills the character's node route; the run
// along it starts here too. Also the free-side and line-of-sight tests, the
// bump test of a running character and the suspension of far characters.
#include "characters/PathMgr.h"
#include "characters/PostacGeometry.h"
#include "characters/PostacMgr.h"

#include "game/MainGame.h"
#include "mesh/SequenceList.h"
#include "player/ItemDesc.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "ui/Panel.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
using namespace postacgeometry;
constexpr int kRouteDepth = 128;
constexpr float kFleeMin = 16.0f;
constexpr float kFleeMax = 32.0f;
constexpr float kRushMaxDistance = 200.0f;
constexpr float kRushStop = 2.0f;
constexpr float kRushStopStep = 1.5f;
constexpr float kEyeRaise = 1.5f;
constexpr float kWeaveDistance = 8.0f;
constexpr int kWeaveRings = 4;
constexpr int kSideRunLength = 26;
constexpr float kShotNear = 10.0f;
constexpr float kShotFar = 80.0f;
constexpr int kShotWalk = 64;
constexpr int kShotFirstNode = 5;
constexpr float kShotMin = 4.0f;
constexpr float kShotMax = 90.0f;
constexpr float kShotAwayFromSelf = 3.0f;
constexpr int kPatrolTries = 17;
constexpr float kPatrolLevel = 0.15f;
constexpr float kSideFreeDistance = 30.0f;
constexpr float kBumpAfter = 0.6f;
constexpr float kBumpReach = 2.0f;
constexpr float kBumpDot = 0.6f;
constexpr float kRunAnimationRefresh = 4.0f;
// The running animations: a plain run, and a walk with the weapon up while the
// aim lies along the route near its end.
constexpr const char* kRunAnimations[2] = {"bieg", "idzie_celuje"};
constexpr float kRunAimAgrees = 0.7f;
constexpr int kRunAimLastPoints = 4;
constexpr int kRunChoiceMax = 4;
constexpr float kRunBlend = 0.2f;

// The model plays the animation, under its own name or the held weapon's variant.
bool ModelHasAnimation(const strpostac* p, const char* name)
{
    if (g_Engine.HasAnimation(p->model, name))
        return true;
    if (!p->anim.pWeapon || !p->anim.pWeapon->anim_add_name[0])
        return false;
    char variant[POSTAC_NAME_SIZE + ITEM_TEXT_SIZE];
    std::snprintf(variant, sizeof variant, "%s%s", name, p->anim.pWeapon->anim_add_name);
    return g_Engine.HasAnimation(p->model, variant);
}
// Lines of sight one cover or firing-point search tests at most.
constexpr int kCandidateLines = 64;
// Common fall-backs of one character that may be under way at once.
constexpr int kFallbackDepth = 4;
constexpr const char* kStandPhase = "bot_stoi";

bool Debug(int level)
{
    return g_Options.Debug > level;
}

void Trace(int level, const char* text)
{
    if (Debug(level))
        g_Console.Print(text);
}

// The direction slot from the character towards its target; its move
// direction without a target.
int TargetSlot(const strpostac* p)
{
    D3DXVECTOR3 d = p->target ? p->target_position - p->position : p->move_direction;
    if (std::fabs(d.x) + std::fabs(d.z) < 1e-6f)
        d = p->orientation.Forward;
    return CPathMgr::DirectionSlot(d.x, d.z);
}

void SetSingleRoute(strpostac* p, strPlace* node)
{
    p->route_nodes[0] = node;
    p->route_node_count = 1;
    p->run_target = node;
    g_PathMgr.CreatePathPoints(p);
}
} // namespace

// ---- Simple goals: a character, ahead, away ----------------------------------------------

void CPostacMgr::EstimateDoPostaci(strpostac* p)
{
    if (!p || !p->faza)
        return;
    CPathMgr::ClearRoute(p);
    if (Debug(1))
        g_Console.Print2("Estimate do postaci ", p->faza->estimate_do_postaci);
    strpostac* target = nullptr;
    for (int i = 0; i < MAX_POSTACI && !target; ++i)
    {
        strpostac& o = m_Postacie[i];
        if (o.used && !o.ghost && CompareNoCase(o.name, p->faza->estimate_do_postaci) == 0)
            target = &o;
    }
    if (!target)
        return;
    D3DXVECTOR3 goal = target->position;
    if (target->model)
    {
        D3DVECTOR at;
        g_Engine.GetObjectPosition(target->model, &at);
        goal = D3DXVECTOR3(at.x, at.y, at.z);
    }
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
}

void CPostacMgr::EstimatePrzod(strpostac* p)
{
    if (!p || !p->faza)
        return;
    CPathMgr::ClearRoute(p);
    Trace(1, "EstimatePrzod");
    D3DXVECTOR3 forward = p->orientation.Forward;
    const float len = D3DXVec3Length(&forward);
    if (len > 0.0f)
        forward /= len;
    const D3DXVECTOR3 goal = p->position + forward * p->faza->estimate_przod;
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
}

void CPostacMgr::EstimateOdGracza(strpostac* p)
{
    if (!p || !p->target)
        return;
    CPathMgr::ClearRoute(p);
    Trace(1, "EstimateOdGracza");
    D3DXVECTOR3 away = p->position - p->target_position;
    const float length = std::clamp(D3DXVec3Length(&away), kFleeMin, kFleeMax);
    away = Flat(away);
    const D3DXVECTOR3 goal = p->position + away * length;
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
}

// ---- The path estimates --------------------------------------------------------------------------

void CPostacMgr::EstimateDoGracza(strpostac* p)
{
    if (!p || !p->target)
        return;
    CPathMgr::ClearRoute(p);
    Trace(1, "EstimateDoGracza");
    if (p->target_distance > kRushMaxDistance)
        return;
    const int k = std::rand() % 3;
    const float run = p->target_distance - (kRushStop + kRushStopStep * static_cast<float>(k));
    D3DXVECTOR3 towards = p->target_position - p->position;
    const float len = D3DXVec3Length(&towards);
    if (len > 0.0f)
        towards /= len;
    const D3DXVECTOR3 goal = OnGround(p->position + towards * run, p->model);
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
}

void CPostacMgr::EstimateDoMesha(strpostac* p)
{
    if (!p || !p->faza || !p->faza->estimate_do_mesha[0])
        return;
    CPathMgr::ClearRoute(p);
    if (Debug(1))
        g_Console.Print2("Estimate do mesha ", p->faza->estimate_do_mesha);
    HOBJECT mesh = g_Engine.FindObject(p->faza->estimate_do_mesha, 0);
    if (!mesh)
        return;
    D3DVECTOR at;
    g_Engine.GetObjectPosition(mesh, &at);
    const D3DXVECTOR3 goal(at.x, at.y, at.z);
    if (Debug(1))
        g_Console.PrintFloat("Jest, odleglosc wynosi ", Distance(goal, p->position));
    if (!p->path || !p->place)
    {
        Trace(1, "Nie mial sciezki, szukam");
        g_PathMgr.FindPlaceFor(p);
        if (!p->place)
        {
            Trace(1, "dalej nie ma sciezki!!!");
            return;
        }
    }
    if (p->faza->estimate_exact)
        p->exact_run_target = goal;
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
}

void CPostacMgr::EstimateKroczek(strpostac* p, int side)
{
    if (!p)
        return;
    Trace(1, "EstimateKroczek");
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return;
    const int slot = CPathMgr::WrapSlot(TargetSlot(p) + 2 * side);
    if (strPlace* n = p->place->neighbours[slot])
        SetSingleRoute(p, n);
    else
        EstimateKluczy(p);
}

void CPostacMgr::EstimateBok(strpostac* p)
{
    if (!p)
        return;
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return;
    const int first = TargetSlot(p);
    for (int s = 0; s < PATH_NEIGHBOURS; ++s)
    {
        const int slot = CPathMgr::WrapSlot(first + s);
        strPlace* n = p->place->neighbours[slot];
        if (!n || !n->neighbours[slot])
            continue;
        strPlace* at = p->place;
        DWORD count = 0;
        while (count < static_cast<DWORD>(kSideRunLength))
        {
            strPlace* next = at->neighbours[slot];
            if (!next || !next->enabled)
                break;
            p->route_nodes[count++] = next;
            at = next;
        }
        if (!count)
            continue;
        p->route_node_count = count;
        p->run_target = at;
        g_PathMgr.CreatePathPoints(p);
        return;
    }
    EstimateKluczy(p);
}

bool CPostacMgr::EstimateKluczy(strpostac* p)
{
    if (!p)
        return false;
    Trace(1, "EstimateKluczy");
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return false;
    const int side = (std::rand() & 1) ? 1 : -1;
    const int first = CPathMgr::WrapSlot(TargetSlot(p) + side);
    // Ring by ring from the place, each node's neighbours from the turned slot
    // on, until a node at least the weave distance away turns up.
    struct Visit
    {
        strPlace* node;
        int parent;
    };
    std::vector<Visit> visits{{p->place, -1}};
    size_t ringStart = 0;
    int found = -1;
    for (int ring = 0; ring < kWeaveRings && found < 0; ++ring)
    {
        const size_t ringEnd = visits.size();
        for (size_t v = ringStart; v < ringEnd && found < 0; ++v)
            for (int s = 0; s < PATH_NEIGHBOURS && found < 0; ++s)
            {
                strPlace* n = visits[v].node->neighbours[CPathMgr::WrapSlot(first + side * s)];
                if (!n || !n->enabled)
                    continue;
                bool seen = false;
                for (const Visit& w : visits)
                    seen = seen || w.node == n;
                if (seen)
                    continue;
                visits.push_back({n, static_cast<int>(v)});
                if (Distance(n->realpos, p->place->realpos) >= kWeaveDistance)
                    found = static_cast<int>(visits.size()) - 1;
            }
        ringStart = ringEnd;
    }
    if (found < 0)
        return false;
    // The route: the chain of nodes from the place to the node found.
    strPlace* chain[kWeaveRings + 1];
    int length = 0;
    for (int v = found; v > 0; v = visits[static_cast<size_t>(v)].parent)
        chain[length++] = visits[static_cast<size_t>(v)].node;
    for (int i = 0; i < length; ++i)
        p->route_nodes[i] = chain[length - 1 - i];
    p->route_node_count = static_cast<DWORD>(length);
    p->run_target = chain[0];
    g_PathMgr.CreatePathPoints(p);
    StartPathRun(p, false, true);
    return true;
}

void CPostacMgr::EstimateKryjowka(strpostac* p)
{
    if (!p)
        return;
    Trace(1, "EstimateKryjowka");
    if (!p->place)
    {
        g_Console.Print2("EstimateKryjowka - nie ma pActPlace postaci ", p->name);
        return;
    }
    CPathMgr::ClearRoute(p);
    // Edge nodes nearest the character first; the first whose eye point has no
    // clear line to the target is the cover.
    std::vector<std::pair<float, strPlace*>> candidates;
    for (strPlace* n = p->path ? p->path->places : nullptr; n; n = n->next)
        if (n->edge && n->enabled && n != p->place)
            candidates.emplace_back(Distance(n->realpos, p->position), n);
    std::sort(candidates.begin(), candidates.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    int tested = 0;
    for (const auto& [distance, n] : candidates)
    {
        if (++tested > kCandidateLines)
            break;
        D3DXVECTOR3 eye = n->realpos;
        eye.y += kEyeRaise;
        if (IsSegmentBlocked(&eye, p->target ? p->target : p->model, &p->target_position))
        {
            g_PathMgr.FillPathTo(p->place, n->realpos, p, kRouteDepth);
            if (p->route_node_count)
                return;
        }
    }
    EstimateKluczy(p);
}

void CPostacMgr::EstimateDoStrzalu(strpostac* p)
{
    if (!p)
        return;
    Trace(1, "EstimateDoStrzalu");
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return;
    if (p->target_distance < kShotNear)
    {
        EstimateDoStrzaluSciezkami(p);
        return;
    }
    const int side = (std::rand() & 1) ? 1 : -1;
    strPlace* at = p->place;
    DWORD count = 0;
    bool found = false;
    while (count < static_cast<DWORD>(kShotWalk) && !found)
    {
        const D3DXVECTOR3 d = p->target_position - at->realpos;
        const int slot = CPathMgr::DirectionSlot(d.x, d.z);
        strPlace* next = at->neighbours[slot];
        if (!next || !next->enabled)
            next = at->neighbours[CPathMgr::WrapSlot(slot + side)];
        if (!next || !next->enabled)
            break;
        bool again = false;
        for (DWORD i = 0; i < count; ++i)
            again = again || p->route_nodes[i] == next;
        if (again || next == p->place)
            break;
        p->route_nodes[count++] = next;
        at = next;
        if (count >= static_cast<DWORD>(kShotFirstNode))
        {
            D3DXVECTOR3 eye = next->realpos;
            eye.y += kEyeRaise;
            if (!IsSegmentBlocked(&eye, p->target ? p->target : p->model, &p->target_position))
            {
                Trace(1, "EstimateDoStrzalu znalazlo punkt!");
                found = true;
            }
        }
    }
    if (Debug(1))
        g_Console.PrintInt("Bot do strzalu znalazl knotsow ", static_cast<int>(count));
    if (found)
    {
        p->route_node_count = count;
        p->run_target = at;
        g_PathMgr.CreatePathPoints(p);
        return;
    }
    CPathMgr::ClearRoute(p);
    if (p->target_distance < kShotFar)
        EstimateDoStrzaluSciezkami(p);
}

void CPostacMgr::EstimateDoStrzaluSciezkami(strpostac* p)
{
    if (!p)
        return;
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return;
    // Nodes nearest the character first; the first with a clear line wins.
    std::vector<std::pair<float, strPlace*>> candidates;
    for (strPlace* n = p->path ? p->path->places : nullptr; n; n = n->next)
    {
        if (!n->free || !n->enabled)
            continue;
        const float toTarget = Distance(n->realpos, p->target_position);
        if (toTarget < kShotMin || toTarget > kShotMax)
            continue;
        const float toSelf = Distance(n->realpos, p->position);
        if (toSelf < kShotAwayFromSelf)
            continue;
        candidates.emplace_back(toSelf, n);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    int tested = 0;
    for (const auto& [distance, n] : candidates)
    {
        if (++tested > kCandidateLines)
            break;
        D3DXVECTOR3 eye = n->realpos;
        eye.y += kEyeRaise;
        if (!IsSegmentBlocked(&eye, p->target ? p->target : p->model, &p->target_position))
        {
            Trace(1, "EstimateDoStrzaluSciezkami ma punkt, fill path to!");
            g_PathMgr.FillPathTo(p->place, n->realpos, p, kRouteDepth);
            return;
        }
    }
    Trace(1, "EstimateDoStrzaluSciezkami nie ma kandydata");
    EstimateKluczy(p);
}

void CPostacMgr::EstimatePatrol(strpostac* p)
{
    if (!p)
        return;
    p->running = 0;
    p->running_nodes = 0;
    CPathMgr::ClearRoute(p);
    if (!p->place)
        return;
    strPlace* here = p->place;
    const D3DXVECTOR3 d = p->move_direction;
    const int from = std::fabs(d.x) + std::fabs(d.z) > 1e-6f
                         ? CPathMgr::DirectionSlot(d.x, d.z)
                         : CPathMgr::DirectionSlot(p->orientation.Forward.x, p->orientation.Forward.z);
    auto usable = [here](int slot, bool blockTest)
    {
        strPlace* n = here->neighbours[slot];
        return n && n->enabled && std::fabs(n->realpos.y - here->realpos.y) <= kPatrolLevel &&
               !(blockTest && here->blocked[slot]);
    };
    int chosen = -1;
    for (int t = 0; t < kPatrolTries && chosen < 0; ++t)
    {
        const int a = (std::rand() & 1) - (std::rand() & 1);
        const int b = std::rand() % 3 - std::rand() % 3;
        const int turns[3] = {from + a, from + b, std::rand() % PATH_NEIGHBOURS};
        for (int turn : turns)
            if (chosen < 0 && usable(CPathMgr::WrapSlot(turn), true))
                chosen = CPathMgr::WrapSlot(turn);
    }
    for (int s = 0; s < PATH_NEIGHBOURS && chosen < 0; ++s)
        if (usable(CPathMgr::WrapSlot(from + s), false))
            chosen = CPathMgr::WrapSlot(from + s);
    if (chosen < 0)
        return;
    strPlace* n = here->neighbours[chosen];
    p->route_nodes[0] = here;
    p->route_nodes[1] = n;
    p->route_node_count = 2;
    p->run_target = n;
    g_PathMgr.CreatePathPoints(p);
    StartPathRun(p, false, true);
}

// ---- The run ----------------------------------------------------------------------------------

void CPostacMgr::StartPathRun(strpostac* p, bool checkDirection, bool restartHere)
{
    if (!p || !p->place || !p->route_node_count || !p->faza)
        return;
    if (!p->path_point_count)
    {
        p->running = 0;
        p->running_nodes = 0;
        return;
    }
    p->look_at[0] = 0;
    p->turn_target = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    p->turned = 0.0f;
    if (restartHere)
        p->segment_start = p->position;
    D3DXVECTOR3 direction = p->path_points[0] - p->segment_start;
    float length = D3DXVec3Length(&direction);
    if (length < 0.01f)
        direction = p->look_direction;
    p->position = p->segment_start;
    p->segment_length = length;
    p->segment_run = 0.0f;
    const float dl = D3DXVec3Length(&direction);
    if (dl > 0.0f)
        direction /= dl;
    p->far_count = 0;
    p->run_counter = 0;
    p->move_direction = direction;
    p->look_direction = direction;
    p->look_direction_start = direction;
    p->running = 1;
    p->running_nodes = 1;
    p->run_timer = 0.0f;
    p->run_anim_timer = 0.0f;
    p->run_travelled = 0.0f;
    p->carried_step = 0.0f;
    if (checkDirection && p->faza->bot && p->turned < 3.0f && CompareNoCase(p->faza->name, kStandPhase) != 0)
    {
        if (D3DXVec3Dot(&direction, &p->orientation.Forward) < 0.0f)
            SetFaza(p, StandPhaseName(p));
    }
}

bool CPostacMgr::IsSegmentBlocked(const D3DXVECTOR3* point, HOBJECT ignore, const D3DXVECTOR3* target)
{
    if (!ignore || !point || !target)
        return true;
    D3DXVECTOR3 end = *target;
    if (!(g_Engine.GetObjectFlags3(ignore) & 128))
        end.y += kEyeRaise;
    RayTestQuery query;
    query.pFrom = &point->x;
    query.pTo = &end.x;
    query.pfnFilter = SkipObject;
    query.dwUser = reinterpret_cast<RayTestUser>(ignore);
    query.bOption2 = 1;
    query.fMaxDistance = 1.0f;
    RayTestResult result;
    ++m_iSegmentTests;
    return g_IntersectSegment.Test(&query, &result) && result.bHit;
}

bool CPostacMgr::IsSideFree(strpostac* p, int side)
{
    if (!p || !p->target || !p->place)
        return false;
    const D3DXVECTOR3 d = p->target_position - p->position;
    const int slot = CPathMgr::WrapSlot(CPathMgr::DirectionSlot(d.x, d.z) + side * 2);
    return p->place->neighbours[slot] != nullptr;
}

bool CPostacMgr::IsLeftFree(strpostac* p)
{
    return p && p->target_distance >= kSideFreeDistance && IsSideFree(p, -1);
}

bool CPostacMgr::IsRightFree(strpostac* p)
{
    return p && p->target_distance >= kSideFreeDistance && IsSideFree(p, 1);
}

void CPostacMgr::SuspendCharacter(strpostac* p)
{
    if (!p || p->ghost || p->dead || g_Panel.LetterboxOn() || p->suspended || p->civilian || p->partner)
        return;
    if (p->faza && p->faza->skok_na_drabinke[0])
        return;
    p->suspended = 1;
    if (p->faza)
    {
        p->anim.hObject = p->model;
        g_SequenceList.SetupPhaseAnimation(&p->anim, p->faza->animacja[0], p->faza->loop, 0.0f);
    }
    if (g_Options.Debug > 0)
        g_Console.Print2(p->name, " przechodzi do bSuspended");
    CopyCut(p->remembered_faza, sizeof p->remembered_faza, p->faza ? p->faza->name : "");
    p->suspend_timer = 0.0f;
}

const char* CPostacMgr::StandPhaseName(const strpostac* p) const
{
    if (p && p->desc && FindFaza(p->desc, kStandPhase))
        return kStandPhase;
    return p && p->desc ? p->desc->default_faza : "";
}

bool CPostacMgr::GoToStandPhase(strpostac* p)
{
    if (!p || !p->desc)
        return false;
    if (!g_Panel.LetterboxOn() && p->far_count > m_iFarCountLimit)
    {
        SuspendCharacter(p);
        return true;
    }
    const bool stand = FindFaza(p->desc, kStandPhase) != nullptr;
    // A fall-back that would ask for a route again ends here instead of recursing.
    if (p->fallback_depth >= kFallbackDepth)
        return stand;
    ++p->fallback_depth;
    SetFaza(p, stand ? kStandPhase : p->desc->default_faza);
    --p->fallback_depth;
    return stand;
}

bool CPostacMgr::CheckRunBlocked(strpostac* p, bool force)
{
    if (!p || !p->faza)
        return false;
    if (!p->target && !p->postac_running && !force)
        return false;
    D3DXVECTOR3 heading = p->target ? Flat(p->position - p->target_position) : Flat(p->look_direction);
    if (D3DXVec3Length(&heading) == 0.0f)
        heading = Flat(p->look_direction);
    D3DXVECTOR3 run = p->move_direction;
    if (!p->postac_running && p->path_index >= 0 && static_cast<DWORD>(p->path_index) < p->path_point_count)
        run = p->path_points[p->path_index] - p->position;
    run = Flat(run);
    if (p->run_timer > kBumpAfter && !p->skip_bump && !p->postac_running && p->path_index > 0)
    {
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            strpostac& o = m_Postacie[i];
            if (&o == p || !o.used || o.dead || o.ghost)
                continue;
            const D3DXVECTOR3 to = o.position - p->position;
            if (D3DXVec3Length(&to) > kBumpReach)
                continue;
            const D3DXVECTOR3 dir = Flat(to);
            if (D3DXVec3Dot(&dir, &run) >= kBumpDot)
            {
                p->running = 0;
                p->running_nodes = 0;
                g_PathMgr.FindPlaceFor(p);
                SetFaza(p, StandPhaseName(p));
                return true;
            }
        }
    }
    else if (p->postac_running)
    {
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            strpostac& o = m_Postacie[i];
            if (&o == p || !o.used || o.dead || o.ghost || Distance(o.position, p->position) > kBumpReach)
                continue;
            const D3DXVECTOR3 dir = Flat(o.position - p->position);
            if (D3DXVec3Dot(&run, &dir) >= kBumpDot)
                p->run_blocked = 1;
        }
    }
    if (p->run_counter > 4)
        p->run_counter = -1;
    if (force || p->path_index < 1 || p->run_anim_timer >= kRunAnimationRefresh || p->run_counter < 0)
    {
        ChooseRunAnimation(p, force);
        p->run_anim_timer = 0.0f;
    }
    return false;
}

void CPostacMgr::ChooseRunAnimation(strpostac* p, bool force)
{
    // Only a skinned model plays animations; a scripted run keeps the run
    // animation it was started with.
    if (!p->model || p->model->Type != OT_SKINMESH || (p->postac_running && p->run_animation[0]))
        return;
    strSequenceCharacter& anim = p->anim;
    if (anim.iRunChoice < 0 || anim.iRunChoice > kRunChoiceMax)
        force = true;
    // Aiming while walking only near the route's end, on about half the
    // frames, and only with a leg to compare the aim with.
    int choice = 0;
    const int index = p->path_index;
    const int last = static_cast<int>(p->path_point_count) - 1;
    if ((std::rand() & 1) == 0 && index > 0 && index < last && last - index <= kRunAimLastPoints)
    {
        D3DXVECTOR3 aim = p->aim_point - p->position;
        D3DXVECTOR3 leg = p->path_points[index] - p->path_points[index - 1];
        if (D3DXVec3Length(&aim) > 0.0f && D3DXVec3Length(&leg) > 0.0f)
        {
            D3DXVec3Normalize(&aim, &aim);
            D3DXVec3Normalize(&leg, &leg);
            if (D3DXVec3Dot(&aim, &leg) > kRunAimAgrees)
                choice = 1;
        }
    }
    if (!force && choice == anim.iRunChoice)
        return;
    // A model without the running animations keeps its phase's own.
    if (!ModelHasAnimation(p, kRunAnimations[choice]))
        choice = 0;
    if (!ModelHasAnimation(p, kRunAnimations[choice]))
        return;
    anim.hObject = p->model;
    CopyCut(anim.szName, sizeof anim.szName, p->name);
    g_SequenceList.SetupPhaseAnimation(&anim, kRunAnimations[choice], 1, kRunBlend);
    // Stored after the start, which forgets the last choice.
    anim.iRunChoice = choice;
}

// ---- The launch of an estimate -------------------------------------------------------------------

void CPostacMgr::LaunchEstimated(strpostac* p)
{
    if (!p || !p->faza)
        return;
    strFaza* f = p->faza;
    if (g_Options.Debug > 0)
        g_Console.Print2("Launch estimated ", p->name);
    p->move_speed = 0.0f;
    CPathMgr::ClearRoute(p);
    p->running_nodes = 0;
    p->target_distance = p->target ? Distance(p->position, p->target_position) : NO_TARGET_DISTANCE;
    if (f->estimate_przod != 0.0f)
        EstimatePrzod(p);
    else if (f->estimate_do_mesha[0])
        EstimateDoMesha(p);
    else if (f->estimate_do_postaci[0])
        EstimateDoPostaci(p);
    else if (f->estimate_do_gracza)
        EstimateDoGracza(p);
    else if (f->estimate_kryjowka)
        EstimateKryjowka(p);
    else if (f->estimate_bok)
        EstimateBok(p);
    else if (f->estimate_od_gracza)
        EstimateOdGracza(p);
    else if (f->estimate_do_strzalu)
        EstimateDoStrzalu(p);
    else if (f->estimate_kluczy)
        EstimateKluczy(p);
    else if (f->estimate_right)
        EstimateKroczek(p, 1);
    else if (f->estimate_left)
        EstimateKroczek(p, -1);
    if (Debug(1))
    {
        char line[96];
        std::snprintf(line, sizeof line, "Wrocilo %i wezlow - %i punktow",
                      static_cast<int>(p->route_node_count), static_cast<int>(p->path_point_count));
        g_Console.Print(line);
    }
    if (p->faza != f || p->running_nodes)
        return; // the weave started its own run, or a phase change came through
    if (!f->bot && !f->estimate_do_strzalu && (!p->place || !p->run_target))
    {
        Trace(1, "Odpalam awaryjny EstimateDoGracza");
        EstimateDoGracza(p);
    }
    const bool result = p->path_point_count && p->place && p->run_target;
    if (!(f->estimate_left || f->estimate_right) && !result)
    {
        ++p->far_count;
        if (Debug(1) && g_MainGame.m_iLevelFrame > 150)
        {
            char line[POSTAC_NAME_SIZE + 96];
            std::snprintf(line, sizeof line, "Odpalam awaryjny estimate postaci %s, ilosc sciezek wyszla %i",
                          p->name, static_cast<int>(p->route_node_count));
            g_Console.Print(line);
        }
        GoToStandPhase(p);
        return;
    }
    if (!result)
        return;
    if (f->estimate_do_gracza)
        p->running_to_player = 1;
    if (g_Options.Debug > 0)
    {
        g_Console.Print("Puszczam na sciezke");
        g_Console.Print2("Wychodze z LaunchEstimated ", p->name);
    }
    StartPathRun(p, true, true);
}
