// CPlayerWeapons: the hero's two close actions, which work with or without a
// weapon in hand. The hand grenade: the pin comes out, the arm swings, and
// 0.39 s into the throw a physics grenade leaves the hand and blows up 3 s
// later. The knife: a quick stab with a shake of the view that kills a
// character right in front of the camera, found with six short traces.
#include "player/PlayerWeapons.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "physics/PhysicsDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>

namespace
{
constexpr const char* PIN_SOUND = "sounds\\weapons\\granat_wyjecie_zawleczki.wav";
constexpr const char* KNIFE_SOUND = "sounds\\weapons\\knife_stab.wav";
constexpr const char* THROW_ANIMATION = "rzut_granat";
constexpr const char* STAB_ANIMATION = "dziabie";
constexpr const char* KNIFE_CARRY_ANIMATION = "niesie";
constexpr const char* THROWN_GRENADE_MESH = "prefabs\\bronie\\m67_low.x";
constexpr const char* THROWN_GRENADE_NAME = "granat";
constexpr const char* KNIFE_BLOOD[] = {"z_E_krew", "z_E_krew_1"};

// The throw.
constexpr float kReleaseAt = 0.39f; // seconds into the throw the grenade leaves the hand
constexpr float kRaiseSpeed = 8.0f; // the weapon comes back up, per second
constexpr float kThrowLift = 0.1f;  // added to the camera's forward axis before normalising
constexpr float kThrowForce = 30.0f;
constexpr float kThrowRight = 0.3f;
constexpr float kThrowForward = 0.4f;
constexpr DWORD kThrownFlags = 0x181;
constexpr DWORD kThrownFlags2 = 0x18000020;
constexpr DWORD kThrownFlags3 = 4096;
constexpr int kSphere = 3;
constexpr float kThrownMass = 1.0f;
constexpr float kThrownFriction = 0.35f;
constexpr float kThrownHealth = 5.0f;
constexpr float kFuse = 3.0f;

// The knife.
constexpr float kStabSpeed = 12.0f; // progress per second, out and back
constexpr float kKnifeReach = 1.5f;
constexpr float kKnifeSide = 0.25f;
constexpr float kKnifeLow = 0.125f;
constexpr float kKnifeLower = 0.25f;
constexpr float kKnifeTraceDistance = 1.0f; // the segment test's distance field
constexpr float kKnifeShake[SHAKE_VALUES] = {8.0f, 0.8f, 30.6f, 3.5f, 0.0f, 0.0f, 1000.0f, 0.5f};
constexpr DWORD KNIFE_NONE = 0;
constexpr DWORD KNIFE_OUT = 1;
constexpr DWORD KNIFE_HIT = 2;
constexpr DWORD KNIFE_BACK = 3;
constexpr DWORD KIND_CHARACTER = 2; // flag word 3 of a character's model

bool CombatMode()
{
    return PlayerStats.m_bCombatMode != 0;
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.0f && std::isfinite(l) ? v / l : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
}

// The stroke names its victim on the console and kills the character whose
// model it met.
void KillByKnife(HOBJECT victim)
{
    g_Console.Print2("CPostacMgr::KillByKnife ", victim ? victim->szName : "");
    PMgr.KillByKnife(victim);
}

// What the knife may meet: no hero, only meshes and skinned meshes, nothing dead
// or letting bullets through.
bool KnifeFilter(HOBJECT o, RayTestUser user)
{
    if (!o || o == reinterpret_cast<HOBJECT>(user))
        return false;
    if (o->Type != OT_MESH && o->Type != OT_SKINMESH)
        return false;
    return !(o->pActionParams && (FxObjectDead(o) || FxObjectLetsBulletsThrough(o)));
}
} // namespace

// ---- The hand grenade ----------------------------------------------------------------------

void CPlayerWeapons::ThrowGrenade()
{
    if (aiming)
        StopAiming();
    const bool armed = current != nullptr;
    if (armed && (state == WS_SWITCHING || state == WS_FIRING || state == WS_DRAWING))
        return;
    if (!CombatMode() || knifeState != KNIFE_NONE || grenades == 0)
        return;
    // A reload gives way to the throw; the weapon is idle again.
    if (state == WS_RELOADING)
    {
        StopWeaponSound();
        PlayIdleAnim();
        state = WS_IDLE;
    }
    if (state == WS_GRENADE_THROW || state == WS_GRENADE_RAISE)
        return;
    if (state != WS_IDLE && (armed || state != WS_SWITCHING))
        return;
    grenadeInHand = 1;
    g_SoundMgr.PlaySoundOnce(PIN_SOUND, 1.0f, 0.0f);
    --grenades;
    grenadeRaise = 0.0f;
    grenadeHandBlend = 1.0f;
    throwTimer = 0.0f;
    grenadeReleased = 0;
    aiming = 0;
    aimProgress = 0.0f;
    if (armed)
        PlayIdleAnim();
    g_Options.FOV = g_Options.FOV2;
    g_Camera.UpdateProjection();
    state = WS_GRENADE_THROW;
    if (grenadeObject)
        g_Engine.SetObjectAnimation(grenadeObject, THROW_ANIMATION, 0, 0.0f, 1.0f);
}

void CPlayerWeapons::UpdateGrenadeThrow()
{
    if (state == WS_GRENADE_THROW)
    {
        throwTimer += frameTime;
        if (throwTimer >= kReleaseAt && !grenadeReleased)
        {
            CreateThrownGrenade();
            grenadeReleased = 1;
        }
        // Without its model the throw ends once the grenade is away.
        const bool animationDone =
            grenadeObject ? g_Engine.CanAnimationBeInterrupted(grenadeObject) : grenadeReleased != 0;
        if (animationDone && grenadeReleased)
            state = WS_GRENADE_RAISE;
        return;
    }
    if (state != WS_GRENADE_RAISE)
        return;
    if (grenadeRaise < 1.0f)
    {
        grenadeRaise = std::fmin(1.0f, grenadeRaise + kRaiseSpeed * frameTime);
        return;
    }
    grenadeInHand = 0;
    if (current)
    {
        grenadeHandBlend -= kRaiseSpeed * frameTime;
        if (grenadeHandBlend > 0.0f)
            return;
    }
    state = WS_IDLE;
    grenadeHandBlend = 0.0f;
}

void CPlayerWeapons::CreateThrownGrenade()
{
    const EOrientation& view = g_Camera.GetOrientation();
    const D3DXVECTOR3 d = Normalised(view.Forward + D3DXVECTOR3(0.0f, kThrowLift, 0.0f));
    const D3DXVECTOR3 force = d * kThrowForce;
    const D3DXVECTOR3 at = g_Camera.GetPosition() + view.Right * kThrowRight + view.Forward * kThrowForward;
    HOBJECT g =
        g_Engine.CreateObject(OT_MESH, THROWN_GRENADE_MESH, kThrownFlags, kThrownFlags2, &at.x, nullptr);
    if (!g)
    {
        g_Console.Print("Nie dodalem granatu!");
        return;
    }
    g_Engine.SetObjectName(g, THROWN_GRENADE_NAME);
    g_Engine.SetObjectFlags3(g, kThrownFlags3, ~0u);
    EPhysicsDesc body;
    body.iShape = kSphere;
    body.fMassOrSize = kThrownMass;
    body.bSmallBody = 1;
    body.fFriction = kThrownFriction;
    g_Engine.SetObjectPhysicsDesc(g, &body);
    g_Engine.PutForceToObject(g, &force, 1.0f);
    EDeathParams death;
    death.bEnabled = 1;
    death.fHitPoints = kThrownHealth;
    death.bMortarExplosion = 1;
    g_Engine.SetObjectDeathParams(g, &death);
    // The fuse: the object pass counts the delayed kill down, near or far.
    g->bKeepUpdated = 1;
    g->fDeathWait = kFuse;
    g->bUpdatableComputed = 0;
    g_EngineObject.RandomiseOffsets();
}

// ---- The knife -----------------------------------------------------------------------------

void CPlayerWeapons::KnifeAttack()
{
    if (!CombatMode() || knifeState != KNIFE_NONE)
        return;
    if (state == WS_GRENADE_THROW || state == WS_GRENADE_RAISE)
        return;
    if (current && state != WS_IDLE && state != WS_RELOADING && state != WS_FIRING && state != WS_SPRINTING)
        return;
    if (state == WS_RELOADING)
    {
        StopWeaponSound();
        PlayIdleAnim();
        state = WS_IDLE;
    }
    knifeProgress = 0.0f;
    knifeState = KNIFE_OUT;
    knifeHitDone = 0;
    if (aiming)
        StopAiming();
    EShakeParams shake;
    shake.bEnabled = 1;
    for (int i = 0; i < SHAKE_VALUES; ++i)
        shake.fValues[i] = kKnifeShake[i];
    g_Camera.StartShake(shake, g_Camera.GetPosition());
    g_SoundMgr.PlaySoundOnce(KNIFE_SOUND, 1.0f, 0.0f);
}

void CPlayerWeapons::UpdateKnife()
{
    switch (knifeState)
    {
    case KNIFE_OUT:
        knifeProgress += kStabSpeed * frameTime;
        if (knifeProgress > 1.0f)
        {
            knifeProgress = 1.0f;
            knifeState = KNIFE_HIT;
            if (knifeObject)
                g_Engine.SetObjectAnimation(knifeObject, STAB_ANIMATION, 0, 0.0f, 1.0f);
        }
        break;
    case KNIFE_HIT:
        // One kill a stroke, however long the stab lasts.
        if (!knifeObject || g_Engine.CanAnimationBeInterrupted(knifeObject))
            knifeState = KNIFE_BACK;
        else if (!knifeHitDone)
            KnifeHit();
        break;
    case KNIFE_BACK:
        knifeProgress -= kStabSpeed * frameTime;
        if (knifeProgress < 0.0f)
        {
            knifeProgress = 0.0f;
            knifeState = KNIFE_NONE;
            if (knifeObject)
                g_Engine.SetObjectAnimation(knifeObject, KNIFE_CARRY_ANIMATION, 1, 0.0f, 1.0f);
        }
        break;
    default:
        knifeState = KNIFE_NONE;
        break;
    }
}

bool CPlayerWeapons::KnifeHit()
{
    if (!knifeObject || knifeObject->Type != OT_SKINMESH || !knifeObject->Object)
        return false;
    g_Engine.UpdateSkinMeshNodes(knifeObject);
    const EOrientation& view = g_Camera.GetOrientation();
    const D3DXVECTOR3 from = g_Camera.GetPosition();
    const D3DXVECTOR3 base = from + Normalised(view.Forward) * kKnifeReach;
    const D3DXVECTOR3 ends[] = {
        base,
        base + view.Right * kKnifeSide,
        base - view.Right * kKnifeSide,
        base + view.Up * kKnifeSide,
        D3DXVECTOR3(base.x, base.y - kKnifeLow, base.z),
        D3DXVECTOR3(base.x, base.y - kKnifeLower, base.z),
    };
    for (D3DXVECTOR3 end : ends)
    {
        HOBJECT victim = KnifeTrace(from, &end);
        if (!victim)
            continue;
        knifeHitDone = 1;
        KillByKnife(victim);
        for (const char* blood : KNIFE_BLOOD)
            FX.CreateFxByName(blood, &end, nullptr);
        return true;
    }
    return false;
}

HOBJECT CPlayerWeapons::KnifeTrace(const D3DXVECTOR3& from, D3DXVECTOR3* to)
{
    if (!to)
        return nullptr;
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to->x;
    query.pfnFilter = KnifeFilter;
    query.dwUser = reinterpret_cast<RayTestUser>(Player.m_hObject);
    query.fMaxDistance = kKnifeTraceDistance;
    RayTestResult hit;
    if (!g_IntersectSegment.Test(&query, &hit) || !hit.bHit || !hit.pObject)
        return nullptr;
    const HOBJECT o = hit.pObject;
    if (o->Type != OT_SKINMESH || o->dwFlags3 != KIND_CHARACTER)
        return nullptr;
    *to = hit.vPoint;
    return o;
}
