// CPostacMgr: how a fighting character moves between standing, crouching and
// lying, leans out of cover to shoot and back, starts a grenade throw, fires
// its rocket launcher (a wind-up, then a long cool-down) and, as a sniper,
// shows a scope glint now and then.
#include "characters/PostacMgr.h"

#include "characters/PostacGeometry.h"
#include "characters/PostacSockets.h"
#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "mesh/SequenceList.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
// Stances.
constexpr int kStanding = 0;
constexpr int kCrouching = 1;
constexpr int kLying = 2;
constexpr float kStanceHold = 6.0f;   // seconds a stance lasts at least
constexpr float kLieDistance = 20.0f; // lying only when the target is farther
constexpr float kLieStep = 2.5f;      // and the hero's height is within this of the character's
constexpr float kLieLineRaise = 0.1f;
constexpr float kStanceBlend = 0.3f;
constexpr float kPoseBlend = 0.2f;
constexpr float kLeanBlend = 0.1f;

// Leans.
constexpr float kLeanShoot = 1.0f;
constexpr float kLeanShootSeeing = 4.0f;
constexpr float kLeanPause = 0.5f;
constexpr float kLeanSideOffset = 1.0f;
constexpr float kLeanHeight = 1.25f;

// Grenades.
constexpr float kThrowBlend = 0.2f;
constexpr float kThrowSpeed = 2.0f;

// Rockets.
constexpr float kRocketCooldown = 15.0f;
constexpr float kRocketWindUp = 3.0f;
constexpr float kRocketEngaged = 0.4f;
constexpr float kRocketNearCamera = 40.0f;
constexpr float kRocketAhead = 1.5f;
constexpr float kRocketSpreadSide = 0.5f;
constexpr float kRocketSpreadUp = 0.25f;
constexpr float kRocketSpreadDepth = 0.5f;
constexpr float kRocketSoundDistance = 220.0f;
constexpr float kRocketSpeed = 25.0f;
constexpr const char* kRocketEffect = "rakieta_pocisk";
constexpr const char* kPhaseRocketEffect = "rakieta";
constexpr const char* kRocketSound = "sounds\\weapons\\rocket.wav";
constexpr const char* kRocketItem = "glauncher";
constexpr const char* kPhaseRocketItem = "rlauncher";
constexpr const char* kLauncherSocket = "rpg";

// The sniper's glint.
constexpr float kGlintEvery = 10.0f;
constexpr float kGlintNear = 30.0f;
constexpr const char* kGlintEffect = "snajper_blysk";

// The danger test.
constexpr float kDangerEvery = 0.2f;
constexpr float kDangerActive = 6.0f;
constexpr float kDangerChoice = 2.0f;
constexpr float kDangerPhase = 1.0f;
constexpr float kDangerReach = 8.0f;
constexpr DWORD kThrownGrenadeKind = 4096;

// A random fraction in [0, 1) from the seeded C runtime.
float Fraction()
{
    return static_cast<float>(std::rand()) / (static_cast<float>(RAND_MAX) + 1.0f);
}

float Signed(float reach)
{
    const float sign = (std::rand() & 1) ? 1.0f : -1.0f;
    return sign * Fraction() * reach;
}
} // namespace

// ---- Animations -----------------------------------------------------------------------------

void CPostacMgr::StartStanceAnimation(strpostac* p, const char* name, BYTE loop, float blend, float speed)
{
    if (!p || !name)
        return;
    p->anim.hObject = p->model;
    char resolved[POSTAC_NAME_SIZE];
    CopyCut(resolved, sizeof resolved, g_SequenceList.GetCharacterAnimationName(&p->anim, name));
    // A missing animation has been named on the console; the one playing stays.
    if (!p->model || !resolved[0] || !g_Engine.HasAnimation(p->model, resolved))
        return;
    g_SequenceList.SetCharacterAnimation(&p->anim, resolved, loop, blend, speed);
    CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, resolved);
    CopyCut(p->stance_animation, sizeof p->stance_animation, resolved);
    p->anim.bLoop = loop;
    p->blend_timer = 0.0f;
}

// ---- Stances --------------------------------------------------------------------------------

void CPostacMgr::ChangeStance(strpostac* p)
{
    if (!p)
        return;
    const char* animation = nullptr;
    BYTE loop = 0;
    int stance = p->stance_index;
    if (p->partner && !p->target)
    {
        // A partner with nobody to fight looks around, standing.
        animation = "stoi_celuje_lewo_prawo";
        if (CompareNoCase(p->anim.szAnimation,
                          g_SequenceList.GetCharacterAnimationName(&p->anim, animation)) == 0)
            return;
        stance = kStanding;
        loop = 1;
    }
    else if (p->sniper)
    {
        stance = kCrouching;
        animation = "stoi_do_kuca";
        p->stance_timer = 0.0f;
    }
    else if (p->stance_timer < kStanceHold)
    {
        // The stance stays; a stance not yet chosen counts as standing.
        if (stance == kCrouching)
            animation = "kuca";
        else if (stance == kLying)
            animation = "lezy";
        else
        {
            stance = kStanding;
            animation = "stoi_strzela";
        }
    }
    else
    {
        bool lyingAllowed = false;
        const float rise = Player.m_vPosition.y - p->position.y;
        if (p->target_distance > kLieDistance && rise > -kLieStep && rise < kLieStep)
        {
            const D3DXVECTOR3 from = p->position + D3DXVECTOR3(0.0f, kLieLineRaise, 0.0f);
            lyingAllowed = !IsSegmentBlocked(&from, p->target ? p->target : p->model, &p->target_position);
        }
        const bool heads = (std::rand() & 1) != 0;
        p->stance_timer = 0.0f;
        switch (stance)
        {
        case kStanding:
            if (lyingAllowed && heads)
                stance = kLying, animation = "stoi_do_lezy";
            else
                stance = kCrouching, animation = "stoi_do_kuca";
            break;
        case kCrouching:
            if (lyingAllowed && heads)
                stance = kLying, animation = "kuca_do_lezy";
            else
                stance = kStanding, animation = "kuca_do_stoi";
            break;
        case kLying:
            if (heads)
                stance = kStanding, animation = "lezy_do_stoi";
            else
                stance = kCrouching, animation = "lezy_do_kuca";
            break;
        default:
        {
            const int draw = lyingAllowed ? std::rand() % 3 : std::rand() % 2;
            if (draw == 0)
                stance = kStanding, animation = "stoi_strzela";
            else if (draw == 1)
                stance = kCrouching, animation = "stoi_do_kuca";
            else
                stance = kLying, animation = "stoi_do_lezy";
            break;
        }
        }
    }
    p->stance_index = stance;
    StartStanceAnimation(p, animation, loop, kStanceBlend, 1.0f);
    p->pose_started = 1;
    p->stance_change = 1;
}

void CPostacMgr::StartShootingPose(strpostac* p)
{
    if (!p || !p->stance_change || !g_Engine.CanAnimationBeInterrupted(p->model))
        return;
    p->stance_change = 0;
    const char* animation = "stoi_strzela";
    if (p->partner && !p->target && p->stance_index == kStanding)
        animation = "stoi2";
    else if (p->stance_index == kLying)
        animation = "lezy_strzela";
    else if (p->stance_index == kCrouching)
        animation = "kuca_strzela";
    StartStanceAnimation(p, animation, 1, kPoseBlend, 1.0f);
    p->pose_started = 1;
}

// ---- Leaning out of cover -------------------------------------------------------------------

void CPostacMgr::StartLean(strpostac* p, int side)
{
    if (!p)
        return;
    p->lean_side = side;
    const bool right = side >= 1;
    if (p->stance_index == kLying)
    {
        p->lean_step = 0;
        StartStanceAnimation(p, "lezy_do_kuca", 0, kLeanBlend, 1.0f);
    }
    else if (p->stance_index == kCrouching)
    {
        p->lean_step = 1;
        StartStanceAnimation(p, right ? "wychyl_kuca_prawo_do" : "wychyl_kuca_lewo_do", 0, kLeanBlend, 1.0f);
    }
    else
    {
        p->lean_step = 0;
        StartStanceAnimation(p, "stoi_do_kuca", 0, kLeanBlend, 1.0f);
    }
}

void CPostacMgr::UpdateLean(strpostac* p)
{
    if (!p || p->lean_side == 0)
        return;
    const bool right = p->lean_side >= 1;
    auto endLean = [p]()
    {
        p->lean_side = 0;
        p->since_lean = 0.0f;
        p->pose_started = 1;
    };
    if (p->lean_step == 2)
    {
        const float hold = p->sees_target ? kLeanShootSeeing : kLeanShoot;
        if (p->lean_timer < hold)
            return;
        StartStanceAnimation(p, right ? "wychyl_kuca_prawo_od" : "wychyl_kuca_lewo_od", 0, kLeanBlend, 1.0f);
        p->lean_step = 3;
        p->lean_timer = 0.0f;
        return;
    }
    if (!g_Engine.CanAnimationBeInterrupted(p->model))
        return;
    switch (p->lean_step)
    {
    case 0:
        StartStanceAnimation(p, right ? "wychyl_kuca_prawo_do" : "wychyl_kuca_lewo_do", 0, kLeanBlend, 1.0f);
        p->lean_step = 1;
        break;
    case 1:
        StartStanceAnimation(p, right ? "wychyl_kuca_prawo_strzela" : "wychyl_kuca_lewo_strzela", 1,
                             kLeanBlend, 1.0f);
        p->lean_step = 2;
        p->lean_timer = 0.0f;
        break;
    case 3:
        if (p->stance_index == kStanding || p->stance_index == kLying)
        {
            StartStanceAnimation(p, p->stance_index == kStanding ? "kuca_do_stoi" : "kuca_do_lezy", 0,
                                 kLeanBlend, 1.0f);
            p->lean_step = 4;
            p->lean_timer = 0.0f;
        }
        else
        {
            StartStanceAnimation(p, "kuca_strzela", 1, kPoseBlend, 1.0f);
            endLean();
        }
        break;
    default:
        StartStanceAnimation(p, p->stance_index == kLying ? "lezy_strzela" : "stoi_strzela", 1, kPoseBlend,
                             1.0f);
        endLean();
        break;
    }
}

D3DXVECTOR3 CPostacMgr::LeanPoint(const strpostac* p, int side)
{
    const D3DXVECTOR3 right = postacgeometry::Flat(p->orientation.Right);
    return p->position + right * (kLeanSideOffset * static_cast<float>(side)) +
           D3DXVECTOR3(0.0f, kLeanHeight, 0.0f);
}

int CPostacMgr::ChooseLeanSide(strpostac* p)
{
    if (!p || p->lean_side != 0 || p->stance_change || p->running || p->dead || !p->target ||
        p->since_lean < kLeanPause)
        return 0;
    p->since_lean = 0.0f;
    if (std::rand() % 4 != 0)
        return 0;
    for (int side : {1, -1})
    {
        D3DXVECTOR3 from = LeanPoint(p, side);
        D3DXVECTOR3 to(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        ++m_iBotSegmentTests;
        // The hero's own object is no wall between them.
        if (TraceSegment(&from, &to, p->model, 0, Player.m_hObject, 0, 0, 0) == 0)
            return side;
    }
    return 0;
}

// ---- Grenades -------------------------------------------------------------------------------

void CPostacMgr::StartGrenadeThrow(strpostac* p)
{
    if (!p)
        return;
    StartStanceAnimation(p, "rzut_granatem_01", 0, kThrowBlend, kThrowSpeed);
    for (float& t : p->throw_timers)
        t = 0.0f;
    p->throw_stage = 0;
    p->throwing = 1;
}

// ---- Rockets --------------------------------------------------------------------------------

int CPostacMgr::CanFireRocket(strpostac* p)
{
    if (!p)
        return 1;
    if (!p->RPG)
        return 2;
    if (p->rocket_firing)
        return 3;
    if (p->rocket_cooldown > 0.0f)
        return 4;
    if (!p->launcher)
        return 5;
    if (!p->engaged)
        return 6;
    if (p->engage_timer < kRocketEngaged)
        return 7;
    if (std::rand() & 1)
        return 8;
    if (p->camera_distance < kRocketNearCamera)
        return 9;
    return 0;
}

void CPostacMgr::StartRocket(strpostac* p)
{
    if (!p || !p->RPG)
        return;
    StartStanceAnimation(p, "kuca_strzela_gora", 1, kPoseBlend, 1.0f);
    if (p->model)
        g_Engine.SetSkinMeshAnimation(p->model, "rpg_strzela1", 0, 1.0f);
    // The launcher keeps the place it was fired from until the rocket leaves.
    if (p->launcher)
    {
        p->launcher_position = p->launcher->vPosition;
        p->launcher_orientation = p->launcher->Orientation;
    }
    else
    {
        p->launcher_position = p->position + D3DXVECTOR3(0.0f, kLeanHeight, 0.0f);
        p->launcher_orientation = p->orientation;
    }
    p->rocket_cooldown = kRocketCooldown;
    p->rocket_firing = 1;
    p->rocket_timer = 0.0f;
}

void CPostacMgr::UpdateRocket(strpostac* p)
{
    if (!p || !p->rocket_firing)
        return;
    UpdateAnimationDetail(p, false);
    p->rocket_timer += g_Engine.m_fDeltaTime;
    if (p->rocket_timer < kRocketWindUp)
        return;
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    D3DXVECTOR3 aim = camera - p->launcher_position;
    if (D3DXVec3Length(&aim) > 0.0f)
        D3DXVec3Normalize(&aim, &aim);
    else
        aim = p->launcher_orientation.Forward;
    const D3DXVECTOR3 origin = p->launcher_position + aim * kRocketAhead;
    const D3DXVECTOR3 target =
        camera + D3DXVECTOR3(Signed(kRocketSpreadSide), Signed(kRocketSpreadUp), Signed(kRocketSpreadDepth));
    D3DXVECTOR3 direction = target - origin;
    if (D3DXVec3Length(&direction) > 0.0f)
        D3DXVec3Normalize(&direction, &direction);
    else
        direction = aim;
    EOrientation orientation;
    orientation.SetDirection(&direction);
    EFxInstance* fx = g_FxMgr.CreateFxByName(kRocketEffect, &origin, &orientation);
    if (fx && fx != g_FxMgr.Reserved())
    {
        fx->m_bRocket = 1;
        fx->m_hShooter = p->model;
        fx->m_vPos = origin;
        fx->m_Orientation = orientation;
        if (fx->m_hMesh)
            g_Engine.SetObjectRotation(fx->m_hMesh, &orientation);
        fx->m_pSound = g_SoundMgr.CreateSound3DAt(kRocketSound, &origin, kRocketSoundDistance, true, true);
        fx->m_vVel = direction * kRocketSpeed;
        fx->m_pWeapon = ItemMgr.FindDescription(kRocketItem);
    }
    p->rocket_cooldown = kRocketCooldown;
    p->rocket_firing = 0;
    p->pose_started = 0;
    p->turned = 0.0f;
}

void CPostacMgr::PlaceLauncher(strpostac* p)
{
    if (!p || !p->RPG || !p->launcher)
        return;
    if (p->rocket_firing)
    {
        g_Engine.SetObjectTransform(p->launcher, &p->launcher_position, &p->launcher_orientation, 0, 0);
        return;
    }
    D3DXVECTOR3 at;
    EOrientation orientation;
    if (SocketTransform(p->model, kLauncherSocket, &at, &orientation))
        g_Engine.SetObjectTransform(p->launcher, &at, &orientation, 0, 0);
}

void CPostacMgr::FirePhaseRocket(strpostac* p)
{
    if (!p || !p->faza || !p->faza->rakieta[0])
        return;
    const char* socket = p->faza->rakieta;
    const char* targetName = p->faza->rakieta_rest;
    D3DXVECTOR3 from;
    EOrientation ignored;
    if (!SocketTransform(p->model, socket, &from, &ignored))
    {
        g_Console.Print4(p->name, " - rakieta: brak socketa ", socket, "");
        return;
    }
    bool found = false;
    D3DXVECTOR3 to;
    if (CompareNoCase(targetName, "hero") == 0)
    {
        to = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        found = true;
    }
    else if (strpostac* other = FindCharacterByName(targetName, false))
    {
        to = other->position;
        found = true;
    }
    else if (HOBJECT object = targetName[0] ? g_Engine.FindObject(targetName, 0) : nullptr)
    {
        to = object->vPosition;
        found = true;
    }
    D3DXVECTOR3 direction = found ? to - from : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (!found || !(D3DXVec3Length(&direction) > 0.0f))
    {
        g_Console.Print4(p->name, " - rakieta: brak celu \"", targetName, "\"");
        return;
    }
    D3DXVec3Normalize(&direction, &direction);
    EOrientation orientation;
    orientation.SetDirection(&direction);
    EFxInstance* fx = g_FxMgr.CreateFxByName(kPhaseRocketEffect, &from, &orientation);
    if (!fx || fx == g_FxMgr.Reserved())
    {
        g_Console.Print("Nie ma efektu!");
        return;
    }
    fx->m_bRocket = 1;
    fx->m_hShooter = p->model;
    fx->m_vPos = from;
    fx->m_Orientation = orientation;
    fx->m_pWeapon = ItemMgr.FindDescription(kPhaseRocketItem);
}

// ---- The sniper's glint and the danger test -------------------------------------------------

void CPostacMgr::UpdateSniperGlint(strpostac* p)
{
    if (!p || !p->sniper || !p->sees_target || !p->target_in_front || p->camera_distance < kGlintNear)
        return;
    p->glint_timer += g_Engine.m_fDeltaTime;
    if (p->glint_timer < kGlintEvery)
        return;
    p->glint_timer = 0.0f;
    const D3DXVECTOR3 at = WeaponPoint(p);
    EOrientation orientation = p->orientation;
    g_FxMgr.CreateFxByName(kGlintEffect, &at, &orientation);
}

bool CPostacMgr::IsNearKind4096(strpostac* p)
{
    if (!p)
        return false;
    p->danger_timer += g_Engine.m_fDeltaTime;
    if (p->danger_timer < kDangerEvery)
        return false;
    if (p->active_time > kDangerActive && p->choice_timer > kDangerChoice && p->time_in_phase > kDangerPhase)
    {
        const float reach2 = kDangerReach * kDangerReach;
        for (const strObject& o : g_Engine.m_Objects)
        {
            if (!o.bUsed || o.dwFlags3 != kThrownGrenadeKind)
                continue;
            const D3DXVECTOR3 d = o.vPosition - p->position;
            if (D3DXVec3LengthSq(&d) < reach2)
                return true;
        }
    }
    p->danger_timer = 0.0f;
    return false;
}
