// CPostacMgr: walking a route point by point, scripted runs to a mesh
// (optionally along a bezier path first) that end in a named phase, riding
// another object, manning a mounted gun and following a bezier path.
#include "characters/PathMgr.h"
#include "characters/PostacGeometry.h"
#include "characters/PostacMgr.h"
#include "characters/PostacSockets.h"

#include "game/BezierCamera.h"
#include "game/BezierMgr.h"
#include "mesh/SequenceList.h"
#include "player/Player.h"
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

namespace
{
using namespace postacgeometry;
constexpr int kRouteDepth = 128;
constexpr float kMaxFrame = 0.5f;
constexpr float kBotMinStep = 0.005f;
constexpr float kMaxCarry = 0.3f;
constexpr float kInterruptAfter = 4.0f;
constexpr float kInterruptNear = 40.0f;
constexpr float kSeenLong = 2.0f;
constexpr float kSeenShort = 1.0f;
constexpr float kMeshNear = 10.0f;
constexpr float kBotNear = 20.0f;
constexpr float kBotSeen = 1.5f;
constexpr float kCloseMin = 1.0f;
constexpr float kCloseMax = 2.0f;
constexpr float kMinBezierLength = 1.0f;
constexpr float kBezierEndMargin = 1.0f;
constexpr float kBezierClampMargin = 4.0f;
constexpr float kStartBlend = 0.2f;
// A mounted gun: the socket its gunner looks from, and how far behind the gun
// the gunner stands when it has none.
constexpr const char* kGunEyeSocket = "kamera";
constexpr float kSeatBehindGun = 0.9f;
// Route points nearer than this to the character lie where it stands.
constexpr float kSameSpot = 0.01f;

// The object a mounted gun stands on: the one it is tied to, while that slot
// still holds it; null for a gun standing on its own.
HOBJECT GunBase(HOBJECT gun)
{
    if (!gun->bTied)
        return nullptr;
    HOBJECT base = gun->pTiedTo;
    if (base && base->bUsed && base != gun && base->PESEL[0] == gun->TiedToPesel[0] &&
        base->PESEL[1] == gun->TiedToPesel[1] && base->PESEL[2] == gun->TiedToPesel[2])
        return base;
    if (gun->szTieObject[0])
        if (HOBJECT named = g_Engine.FindObject(gun->szTieObject, 0); named && named != gun)
            return named;
    return nullptr;
}

D3DXVECTOR3 ObjectPosition(HOBJECT o)
{
    D3DVECTOR at;
    g_Engine.GetObjectPosition(o, &at);
    return D3DXVECTOR3(at.x, at.y, at.z);
}

bool Debug(int level)
{
    return g_Options.Debug > level;
}

// A random name of a phase list; "" for an empty one.
const char* RandomName(const strFazaList& list)
{
    if (!list.count)
        return "";
    const DWORD n = list.count < FAZA_LIST_SIZE ? list.count : FAZA_LIST_SIZE;
    return list.names[static_cast<DWORD>(std::rand()) % n];
}

// Moves the character from its position along the route by the step: true
// when it reached the last point. A step that reaches a point carries at most
// kMaxCarry past it; interrupted is asked each time a point is passed.
template <typename Interrupt> bool WalkRoute(strpostac* p, float step, bool* interrupted, Interrupt interrupt)
{
    if (p->path_index < 0)
        p->path_index = 0;
    while (static_cast<DWORD>(p->path_index) < p->path_point_count)
    {
        const D3DXVECTOR3 point = p->path_points[p->path_index];
        const float remaining = FlatDistance(point, p->position);
        if (remaining > step)
        {
            const D3DXVECTOR3 dir = Flat(point - p->position);
            const D3DXVECTOR3 from = p->position;
            p->position += dir * step;
            // The height follows the leg towards the point.
            const float t = remaining > 0.0f ? step / remaining : 1.0f;
            p->position.y = from.y + (point.y - from.y) * t;
            p->move_direction = dir;
            return false;
        }
        const float carry = std::min(step - remaining, kMaxCarry);
        p->position = point;
        p->segment_start = point;
        ++p->path_index;
        p->since_path_advance = 0.0f;
        if (Debug(2))
        {
            g_Console.Print2(p->name, " mija wezel sciezki");
            g_Console.PrintVector("pozycja ", p->position);
        }
        if (static_cast<DWORD>(p->path_index) >= p->path_point_count)
            return true;
        if (interrupt())
        {
            *interrupted = true;
            return true;
        }
        const D3DXVECTOR3 next = p->path_points[p->path_index];
        const D3DXVECTOR3 dir = Flat(next - p->position);
        if (D3DXVec3Length(&dir) > 0.0f)
        {
            p->move_direction = dir;
            p->look_direction = dir;
        }
        p->segment_length = FlatDistance(next, p->position);
        step = carry;
        if (step <= 0.0f)
            return false;
    }
    return true;
}
} // namespace

float CPostacMgr::RouteStep(strpostac* p)
{
    const float frame = g_Engine.m_fDeltaTime;
    if (!p || !p->faza || g_Engine.m_bSkipCutscene || frame > kMaxFrame || frame <= 0.0f)
    {
        if (p)
            p->move_step = 0.0f;
        return 0.0f;
    }
    float step;
    if (p->faza->force_speed > 0.01f)
        step = frame * p->faza->force_speed;
    else if (p->anim.pSequence && p->anim.fSpeed > 0.0f)
        step = frame * p->anim.fSpeed;
    else
        step = GetMoveStep(p);
    if (p->bot)
        step = std::max(step, frame * kBotMinStep);
    p->move_step = step;
    p->move_speed = step / frame;
    p->run_travelled += step;
    if (p->bot)
    {
        p->look_direction = p->move_direction;
        p->choice_timer = 0.0f;
    }
    return step;
}

void CPostacMgr::EndRun(strpostac* p)
{
    p->running = 0;
    p->running_nodes = 0;
    p->running_to_player = 0;
    CPathMgr::ClearRoute(p);
    p->place = nullptr;
    g_PathMgr.FindPlaceFor(p);
    if (!p->faza)
        return;
    const char* next = p->sees_target && p->faza->on_koniec_widzi.count ? RandomName(p->faza->on_koniec_widzi)
                                                                        : RandomName(p->faza->on_koniec);
    if (next[0])
        SetFaza(p, next);
    else
        GoToStandPhase(p);
}

void CPostacMgr::UpdateBiegPostaci(strpostac* p)
{
    if (!p || p->dead || !p->desc || !p->running_nodes)
        return;
    if (!p->place)
    {
        g_PathMgr.FindPlaceFor(p);
        p->running_nodes = 0;
        return;
    }
    if (!p->faza)
    {
        GoToStandPhase(p);
        return;
    }
    const float step = RouteStep(p);
    strFaza* f = p->faza;
    auto interrupt = [this, p, f]
    {
        if (p->run_travelled <= kInterruptAfter || g_Engine.m_pLookFrom || f->nie_przerywaj)
            return false;
        if (p->postac_running && p->path_point_count - static_cast<DWORD>(p->path_index) < 2)
            return false;
        if (f->estimate_kluczy && std::rand() % 4 != 0)
            return false;
        const bool sees = p->sees_target != 0;
        const float seen = sees ? p->engage_timer : 0.0f;
        if (p->target_distance < kInterruptNear)
        {
            if (f->estimate_do_strzalu && seen > kSeenLong)
            {
                g_Console.Print("Do strzalu, widze gracza - przerywam!");
                return true;
            }
            if (f->estimate_kryjowka && !f->bot && sees && p->target_in_front)
            {
                g_Console.Print("EstimateKryjowka, widze gracza - przerywam!");
                return true;
            }
        }
        if (f->bot && ((seen > kSeenShort && !p->target_in_front) || seen > kSeenLong))
        {
            g_Console.Print("bot - biegnie widoczny plecami do gracza - przerywam!");
            return true;
        }
        if (!g_Panel.LetterboxOn() && !g_Engine.m_pLookFrom && !g_BezierCamera.m_bRunning)
        {
            if ((f->estimate_do_mesha[0] && p->target_distance < kMeshNear && sees && p->target_in_front) ||
                (f->bot && p->target_distance < kBotNear && seen > kBotSeen && p->target_in_front))
            {
                g_Console.Print("EstimateDoMesha, blisko gracza - przerywam!");
                return true;
            }
        }
        if (!f->bot && (p->running_to_player || f->estimate_do_strzalu || f->estimate_od_gracza) &&
            p->target_distance < std::clamp(f->do_gracza, kCloseMin, kCloseMax))
        {
            g_Console.Print("Blisko gracza - przerywam!");
            return true;
        }
        return false;
    };
    bool interrupted = false;
    if (WalkRoute(p, step, &interrupted, interrupt))
        EndRun(p);
}

void CPostacMgr::PostacUpdateRuchPostaci(strpostac* p)
{
    if (!p || !p->running_nodes)
        return;
    const float step = RouteStep(p);
    if (Debug(2))
        g_Console.PrintFloat("PostacUpdateRuchPostaci w wezle biegu, speed = ", p->move_speed);
    bool interrupted = false;
    if (!WalkRoute(p, step, &interrupted, [] { return false; }))
        return;
    if (p->run_mode == 0)
    {
        p->run_mode = 1;
        p->bezier_distance = 0.0f;
        p->running_nodes = 0;
        return;
    }
    // At the target mesh: the run ends in its arrival phase.
    CPathMgr::ClearRoute(p);
    p->postac_running = 0;
    p->running_nodes = 0;
    p->running = 0;
    p->choose_again = 1;
    p->place = nullptr;
    g_PathMgr.FindPlaceFor(p);
    char arrival[POSTAC_NAME_SIZE];
    CopyCut(arrival, sizeof arrival, p->run_arrival_faza);
    SetFaza(p, arrival);
}

void CPostacMgr::PartnerUpdateRunTo(strpostac* p)
{
    if (!p || !p->postac_running)
        return;
    if (p->run_mode != 1)
    {
        PostacUpdateRuchPostaci(p);
        return;
    }
    const float step = RouteStep(p);
    p->bezier_distance += step;
    if (p->bezier_distance >= p->bezier_length - kBezierEndMargin)
    {
        if (g_Options.Debug > 0)
            g_Console.Print2(p->name, " koniec ruchu po bezierze");
        HOBJECT mesh = g_Engine.FindObject(p->run_to_mesh, 0);
        if (!mesh)
        {
            g_Console.Print3("Nie ma mesha docelowego ", p->run_to_mesh, " dla biegania postaci!");
            p->postac_running = 0;
            p->running = 0;
            p->running_nodes = 0;
            CPathMgr::ClearRoute(p);
            return;
        }
        p->run_mode = 2;
        p->place = nullptr;
        g_PathMgr.FindPlaceFor(p);
        const D3DXVECTOR3 goal = ObjectPosition(mesh);
        g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
        if (p->path_point_count < static_cast<DWORD>(MAX_ROUTE_POINTS))
            p->path_points[p->path_point_count++] = goal;
        p->path_index = 0;
        p->segment_start = p->position;
        p->running_nodes = 1;
        p->running = 1;
        if (g_Options.Debug > 0)
            g_Console.Print2(p->name, " - Odpalam dobieganie do docelowego mesha");
        return;
    }
    D3DXVECTOR3 at = p->position;
    D3DXVECTOR3 dir = p->move_direction;
    g_BezierMgr.GetPointAt(p->run_bezier, p->bezier_distance, &at, &dir);
    p->position = OnGround(at, p->model);
    const D3DXVECTOR3 flat = Flat(dir);
    if (D3DXVec3Length(&flat) > 0.0f)
    {
        p->move_direction = flat;
        p->look_direction = flat;
    }
}

void CPostacMgr::PostacRunTo(strpostac* p, const char* mesh, const char* bezier, const char* faza,
                             const char* animation)
{
    if (!p || !mesh || !bezier || !faza || !animation)
        return;
    if (!mesh[0] || !faza[0] || !animation[0])
    {
        g_Console.Print3("PostacRunTo ", p->name, ": brak celu, fazy albo animacji biegu!");
        return;
    }
    CPathMgr::ClearRoute(p);
    p->look_at[0] = 0;
    if (!p->place)
    {
        g_Console.Print("Nie znalazlem place dla postaci!");
        return;
    }
    HOBJECT target = g_Engine.FindObject(mesh, 0);
    if (!target)
    {
        char line[POSTAC_NAME_SIZE * 2 + 64];
        std::snprintf(line, sizeof line, "Nie ma mesha docelowego \"%s\" do biegania postaci!", mesh);
        g_Console.Print(line);
        return;
    }
    if (g_Options.Debug > 0)
        g_Console.Print2(" start running to ", p->name);
    p->exact_run_target = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    p->run_target = nullptr;
    p->running_nodes = 0;
    p->suspended = 0;
    p->far_count = 0;
    p->bot = 0;
    p->run_allows_faza = 0;
    p->run_blocked = 0;
    const D3DXVECTOR3 meshAt = ObjectPosition(target);
    p->target_distance = p->target ? Distance(p->position, p->target_position) : NO_TARGET_DISTANCE;
    CopyCut(p->run_to_mesh, sizeof p->run_to_mesh, mesh);
    CopyCut(p->run_arrival_faza, sizeof p->run_arrival_faza, faza);
    CopyCut(p->run_animation, sizeof p->run_animation, animation);
    D3DXVECTOR3 goal = meshAt;
    p->run_mode = 2;
    p->run_bezier[0] = 0;
    if (!bezier[0])
        g_Console.Print("No Bezier");
    else
    {
        g_Console.Print2("Bezier to use: ", bezier);
        const double length = g_BezierMgr.GetPathLength(bezier);
        if (length >= kMinBezierLength)
        {
            g_Console.Print("Do beziera.");
            D3DXVECTOR3 dir(0.0f, 0.0f, 1.0f);
            g_BezierMgr.GetPointAt(bezier, 0.0, &goal, &dir);
            p->run_mode = 0;
            CopyCut(p->run_bezier, sizeof p->run_bezier, bezier);
            p->bezier_length = static_cast<float>(length);
            p->bezier_distance = 0.0f;
        }
    }
    g_PathMgr.FillPathTo(p->place, goal, p, kRouteDepth);
    if (p->path_point_count < 2)
    {
        // No route over the graph: the character does not run through walls.
        g_Console.Print("Znalezienie sciezki do beziera FAILED!");
        CPathMgr::ClearRoute(p);
        return;
    }
    g_Console.PrintInt("Droga znaleziona, dwPathPoints == ", static_cast<int>(p->path_point_count));
    if (p->path_point_count < static_cast<DWORD>(MAX_ROUTE_POINTS))
        p->path_points[p->path_point_count++] = goal;
    p->path_index = 0;
    p->segment_start = p->position;
    p->run_travelled = 0.0f;
    p->running_nodes = 1;
    p->running = 1;
    p->postac_running = 1;
    if (p->model && g_Engine.HasAnimation(p->model, animation))
    {
        p->anim.hObject = p->model;
        CopyCut(p->anim.szName, sizeof p->anim.szName, p->name);
        g_SequenceList.SetupPhaseAnimation(&p->anim, animation, 1, kStartBlend);
    }
    // Its step in the run node: the runner faces its first leg at once. A
    // scripted run leaves the look step alone, so without this it would run
    // its first leg looking wherever it looked before.
    for (DWORD i = 0; i < p->path_point_count; ++i)
    {
        // The route may begin where the runner stands.
        if (FlatDistance(p->path_points[i], p->position) < kSameSpot)
            continue;
        const D3DXVECTOR3 leg = Flat(p->path_points[i] - p->position);
        p->move_direction = leg;
        p->look_direction = leg;
        break;
    }
}

void CPostacMgr::RunToByName(const char* name, const char* target, const char* bezier, const char* faza,
                             const char* animation)
{
    if (g_Options.Debug > 0)
        g_Console.Print4("Postac ", name ? name : "", " run to ", target ? target : "");
    strpostac* p = FindCharacterByName(name, true);
    if (!p)
    {
        char line[POSTAC_NAME_SIZE + 64];
        std::snprintf(line, sizeof line, "Nie znalazlem postaci \"%.63s\" do biegania!", name ? name : "");
        g_Console.Print(line);
        return;
    }
    PostacRunTo(p, target, bezier, faza, animation);
}

// ---- Riding, mounted guns, bezier following ---------------------------------------------------

void CPostacMgr::UpdateJazde(strpostac* p)
{
    if (!p || !p->faza || !p->faza->jedzie_na[0])
        return;
    p->riding = 0;
    CPathMgr::ClearRoute(p);
    p->path = nullptr;
    p->place = nullptr;
    const strFaza* f = p->faza;
    if (g_Options.Debug > 0 && !p->ride_reported)
        g_Console.Print3(p->name, " - update jazde na ", f->jedzie_na);
    HOBJECT o = g_Engine.FindObject(f->jedzie_na, 0);
    if (!o)
    {
        if (!p->ride_reported)
            g_Console.Print3(p->name, " - brak obiektu do jazdy ", f->jedzie_na);
        p->ride_reported = 1;
        if (f->on_brak_jedzie[0])
            SetFaza(p, f->on_brak_jedzie);
        return;
    }
    p->ride_reported = 1;
    p->riding = 1;
    D3DXVECTOR3 at = o->vPosition;
    EOrientation orientation = o->Orientation;
    if (f->jedzie_na_rest[0] && !SocketTransform(o, f->jedzie_na_rest, &at, &orientation))
    {
        // Without the socket the object's own place.
        at = o->vPosition;
        orientation = o->Orientation;
    }
    p->position = at;
    p->orientation = orientation;
    if (f->obrot_do_gracza)
    {
        const D3DXVECTOR3 d =
            Flat(D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z) - p->position);
        if (D3DXVec3Length(&d) > 0.0f)
            p->orientation.SetDirection(&d);
    }
    else if (f->obrot_do_mesha[0] && !p->running)
        if (HOBJECT look = g_Engine.FindObject(f->obrot_do_mesha, 0))
        {
            const D3DXVECTOR3 d = Flat(ObjectPosition(look) - p->position);
            if (D3DXVec3Length(&d) > 0.0f)
                p->orientation.SetDirection(&d);
        }
    p->look_direction = Flat(p->orientation.Forward);
    // The frame's own placing passes over a rider.
    SetPosition(p, p->position, p->orientation);
}

void CPostacMgr::UpdateMount(strpostac* p)
{
    if (!p || !p->faza || !p->faza->mount[0])
        return;
    HOBJECT gun = g_Engine.FindObject(p->faza->mount, 0);
    if (!gun)
    {
        if (!p->ride_reported)
            g_Console.Print3(p->name, " - brak obiektu do mount ", p->faza->mount);
        p->ride_reported = 1;
        return;
    }
    // The base is what the gun stands on (the rack it is tied to); its
    // orientation is the way the gun points at rest, and the gunner faces it.
    HOBJECT base = GunBase(gun);
    if (!base && !p->ride_reported)
        g_Console.Print3(p->name, " nie moze znalezc podstawy guna ", p->faza->mount);
    p->ride_reported = 1;
    p->mounted = 1;
    p->orientation = base ? base->Orientation : gun->Orientation;
    // The seat: on the ground under the gunner's eye point, or behind the gun.
    D3DXVECTOR3 seat;
    if (!SocketTransform(gun, kGunEyeSocket, &seat, nullptr))
        seat = gun->vPosition - Flat(p->orientation.Forward) * kSeatBehindGun;
    p->position = OnGround(seat, gun, 0.0f);
    p->look_direction = Flat(p->orientation.Forward);
    // The frame's own placing passes over a gunner.
    SetPosition(p, p->position, p->orientation);
}

void CPostacMgr::UpdateBezier(strpostac* p)
{
    if (!p || !p->faza || !p->following_bezier)
        return;
    UpdateVision(p);
    const strFaza* f = p->faza;
    if (f->bezier_flight)
    {
        if (p->model && g_Engine.IsMovingOnBezier(p->model))
            return;
        p->following_bezier = 0;
        p->bezier_distance = 0.0f;
        CPathMgr::ClearRoute(p);
        if (f->on_koniec_bezier[0])
            SetFaza(p, f->on_koniec_bezier);
        else if (f->on_koniec.count)
            SetFaza(p, f->on_koniec.names[0]);
        else
            GoToStandPhase(p);
        return;
    }
    const float length = static_cast<float>(g_BezierMgr.GetPathLength(f->bezier));
    const float clamp = std::max(length - kBezierClampMargin, 0.0f);
    p->bezier_distance = std::min(p->bezier_distance + GetMoveStep(p), clamp);
    D3DXVECTOR3 at = p->position;
    D3DXVECTOR3 dir = p->look_direction;
    g_BezierMgr.GetPointAt(f->bezier, p->bezier_distance, &at, &dir);
    p->position = OnGround(at, p->model);
    const D3DXVECTOR3 flat = Flat(dir);
    if (D3DXVec3Length(&flat) > 0.0f)
    {
        p->orientation.SetDirection(&flat);
        p->look_direction = flat;
    }
    if (p->bezier_distance >= clamp)
    {
        p->following_bezier = 0;
        if (f->on_koniec_bezier[0])
            SetFaza(p, f->on_koniec_bezier);
        else if (f->on_koniec.count)
            SetFaza(p, f->on_koniec.names[0]);
        else
            GoToStandPhase(p);
    }
}
