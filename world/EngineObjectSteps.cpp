// Per-object steps of the object pass beside the actions: physics culling,
// the periodic sound, the fall of a dead object, the crush step, the shooting
// step; and the frame steps after the pass: camera positioning and the lights
// that follow the meshes controlling them.
#include "world/EngineObject.h"

#include "characters/PostacMgr.h"
#include "game/CutScene.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

namespace
{
constexpr DWORD kShown = 0x1; // flag word 1

constexpr float kPeriodicNearest = 2.0f;
constexpr float kPeriodicByRadius = 1.2f;
constexpr float kPeriodicRange = 30.0f;

constexpr float kFallGravity = -10.0f; // as the physics world's
constexpr float kLongestFall = 10.0f;  // seconds; a fall that meets nothing ends here
constexpr float kGroundLift = 0.01f;

// The camera-positioning record's values.
enum CameraValue
{
    CAM_FOV_SCALE, // the field of view at the end, times the normal one
    CAM_DRIFT_X,   // the camera drifts by this much a second
    CAM_DRIFT_Y,
    CAM_DRIFT_Z,
    CAM_FLASH_AT, // seconds in when a screen flash starts (0: none)
    CAM_DURATION, // seconds the positioning lasts
};

bool NotSelf(HOBJECT candidate, RayTestUser user)
{
    return candidate && candidate != reinterpret_cast<HOBJECT>(user) && !candidate->bDead;
}
} // namespace

// Beyond "PhysicsDisableDistance" an object marked for it gives up its body
// (and is not shown); nearer it gets it back from its mesh's description.
// True while its body is off: the pass leaves the object there.
bool EEngineObject::StepPhysicsCulling(HOBJECT o)
{
    if (!o->bPhysicsCulling || o->Type != OT_MESH)
        return false;
    const bool far = o->fCameraDistance > g_Options.PhysicsDisableDistance;
    if (far && !o->bPhysicsOff)
    {
        if (o->pPhysicsBody)
            g_PhysicsMgr.RemoveObjectBody(o);
        g_Engine.SetObjectFlags(o, 0, kShown);
        o->bPhysicsOff = 1;
    }
    else if (!far && o->bPhysicsOff)
    {
        // A body from the mesh's description, else the static one its flags ask for.
        const EMesh* mesh = static_cast<const EMesh*>(o->Object);
        if (mesh && mesh->PhysicsDesc().iShape != PHYSICS_SHAPE_NONE)
        {
            const EPhysicsDesc desc = mesh->PhysicsDesc();
            g_PhysicsMgr.CreateObjectBody(o, &desc);
        }
        else
            g_PhysicsMgr.RebuildObjectBody(o);
        g_Engine.SetObjectFlags(o, kShown, kShown);
        o->bPhysicsOff = 0;
    }
    return o->bPhysicsOff != 0;
}

// The hero hears the small sounds around him on foot and alive; a cut-scene,
// a ride or the helicopter's cockpit takes him away from them.
static bool HeroHearsNearbySounds()
{
    return PlayerStats.m_fHealth > 0.0f && !PlayerStats.m_bDead && !g_CutScene.m_bPlaying &&
           !Player.m_bRiding && !g_PlayerHeli.m_bFlying;
}

// A sound record that does not loop plays once every interval (its value, in
// seconds) while the hero is near the object.
void EEngineObject::StepPeriodicSound(HOBJECT o)
{
    EObjectSound& s = *o->pSound;
    if (s.bLooping || !s.szFile[0])
        return;
    o->fSoundTimer += m_fFrameTime;
    if (o->fSoundTimer <= s.fValue)
        return;
    const float reach = std::max(kPeriodicNearest, o->fRadius * kPeriodicByRadius);
    if (o->fHeroDistance >= reach || !HeroHearsNearbySounds())
        return;
    o->fSoundTimer = 0.0f;
    g_SoundMgr.PlaySound3DOnce(s.szFile, &o->vPosition, kPeriodicRange);
}

// A dead object sent falling flies under gravity until it meets something
// (it comes to rest there) or has fallen for the longest fall.
void EEngineObject::StepFalling(HOBJECT o)
{
    const float dt = m_fFrameTime;
    o->fFallTimer[0] += dt;
    if (o->vFallVelocity.y > 0.0f && o->vFallVelocity.y + kFallGravity * dt <= 0.0f)
        o->fFallTimer[1] = o->fFallTimer[0]; // the highest point
    o->vFallVelocity.y += kFallGravity * dt;
    const D3DXVECTOR3 from = o->vPosition;
    D3DXVECTOR3 to = from + o->vFallVelocity * dt;
    RayTestQuery q;
    q.pFrom = &from.x;
    q.pTo = &to.x;
    q.pfnFilter = NotSelf;
    q.dwUser = reinterpret_cast<RayTestUser>(o);
    RayTestResult hit;
    const bool landed = o->vFallVelocity.y < 0.0f && g_IntersectSegment.Test(&q, &hit);
    if (landed)
        to = hit.vPoint + D3DXVECTOR3(0.0f, kGroundLift, 0.0f);
    g_Engine.SetObjectPosition(o, &to, 1);
    if (landed || o->fFallTimer[0] >= kLongestFall)
    {
        o->bFalling = 0;
        o->vFallVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    }
}

// The crush step: every live character within reach whose position, one unit
// up, lies inside the object's body dies under it.
void EEngineObject::StepCrush(HOBJECT o)
{
    constexpr float kCrushReach = 300.0f;
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    if (!o || o->Type != OT_MESH || !o->Object)
        return;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (!p.used || p.dead || p.player_record)
            continue;
        const D3DXVECTOR3 away = p.position - o->vPosition;
        if (!(D3DXVec3Length(&away) < kCrushReach))
            continue;
        const D3DXVECTOR3 at = p.position + up;
        if (g_PhysicsMgr.IsPointInsideObject(o, &at))
            PMgr.Zabij(&p, &o->vPosition, &p.position, nullptr, false, false, false);
    }
}

// The shooting step. The target and the weapon are looked up by name at each
// shot, as the actions named them: a weapon or a target object that has gone,
// or a target that died, stops the shooting, and so does the shooter's own
// death; the hero, while dead or without his object, is simply not shot at.
// The shot leaves the object's centre (the segment tests skip the shooter)
// toward the target, scattered by the weapon's dispersion as a character's is.
void EEngineObject::StepShooting(HOBJECT o)
{
    constexpr float kDegrees = 3.14159265f / 180.0f;
    constexpr float kSpreadPerDispersion = 0.4f * kDegrees;
    if (!o || !o->bShooting)
        return;
    const EObjectActionParams* p = o->pActionParams;
    if (!p || o->bDead)
    {
        o->bShooting = 0;
        return;
    }
    o->fShotTimer += m_fFrameTime;
    const float interval = static_cast<float>(std::max(o->iShotInterval, 1)) * SHOT_INTERVAL_UNIT;
    if (!(o->fShotTimer >= interval))
        return;
    // One shot a frame at most, however long the frame was.
    o->fShotTimer = 0.0f;
    const bool atHero = strcasecmp(p->action_shoot_target, "hero") == 0;
    const HOBJECT target =
        atHero ? ActionCalls::HeroObject() : g_Engine.FindObject(p->action_shoot_target, 0);
    const EItemDesc* weapon = ItemMgr.FindDescription(p->action_shoot_weapon);
    if (!weapon || (!atHero && (!target || target->bDead)))
    {
        o->bShooting = 0;
        return;
    }
    if (atHero && (!target || ActionCalls::HeroIsDead()))
        return;
    const D3DXVECTOR3 aim = atHero ? HeroPosition() : target->vPosition;
    D3DXVECTOR3 direction = aim - o->vPosition;
    const float length = D3DXVec3Length(&direction);
    if (!(length > 1e-4f) || !std::isfinite(length))
        return;
    direction /= length;
    const float spread = weapon->dispersion * kSpreadPerDispersion;
    EOrientation facing(&direction);
    const D3DXVECTOR3 up = facing.Up, right = facing.Right;
    facing.RotateAxisAngle(&up, (RandomFloat(2.0f) - 1.0f) * spread);
    facing.RotateAxisAngle(&right, (RandomFloat(2.0f) - 1.0f) * spread);
    const D3DXVECTOR3 muzzle = o->vPosition;
    FireWeaponShot(weapon, &muzzle, &facing, o, 0, 1.0f);
    ++o->iShotCount;
}

// The camera follows the record copied when the positioning started: it
// drifts, its field of view eases toward the end value, a flash may start on
// the way, and at the end the normal view comes back.
void EEngineObject::StepCameraPositioning()
{
    if (!m_bCameraPositioning)
        return;
    const float* v = m_CameraPositioning.values;
    const float duration = v[CAM_DURATION];
    const float before = m_fCameraPositioningTime;
    m_fCameraPositioningTime += m_fFrameTime;
    const float t = m_fCameraPositioningTime;
    const D3DXVECTOR3 drift(v[CAM_DRIFT_X], v[CAM_DRIFT_Y], v[CAM_DRIFT_Z]);
    g_Camera.SetPosition(g_Camera.GetPosition() + drift * m_fFrameTime);
    const float share = duration > 0.0f ? std::min(t / duration, 1.0f) : 1.0f;
    const float scale = v[CAM_FOV_SCALE] > 0.0f ? v[CAM_FOV_SCALE] : 1.0f;
    g_Options.FOV = g_Options.FOV2 * (1.0f + (scale - 1.0f) * share);
    g_Camera.UpdateProjection();
    if (v[CAM_FLASH_AT] > 0.0f && before < v[CAM_FLASH_AT] && t >= v[CAM_FLASH_AT])
        g_Panel.StartFlash();
    if (t >= duration)
        StopCameraPositioning();
}

void EEngineObject::StopCameraPositioning()
{
    if (m_bCameraPositioning && m_CameraPositioning.motion_blur)
        ActionCalls::PostMotionBlurAmount(0.0f);
    m_bCameraPositioning = 0;
    m_fCameraPositioningTime = 0.0f;
    g_Options.FOV = g_Options.FOV2;
    g_Camera.UpdateProjection();
}

// The lights a mesh controls go out when the mesh dies (a shot lamp); then
// every character's eyes are put back on their sockets, so that they follow
// the head as this frame's animation left it.
void EEngineObject::StepLighting()
{
    for (int i = FIRST_MESH_SLOT; i < FIRST_LIGHT_SLOT; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (!o.bUsed || !o.iNumLights || !o.bDead)
            continue;
        for (HOBJECT light : o.apLights)
        {
            if (!light || !light->bUsed || !(light->dwFlags & kShown))
                continue;
            light->bLightOff = 1;
            g_Engine.SetObjectFlags(light, 0, kShown);
            light->bLightCacheValid = 0;
        }
    }
    if (!PMgr.m_Postacie)
        return;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (p.used && !p.ghost && p.model && (p.eye_l || p.eye_r))
            PMgr.PlaceEyes(&p);
    }
}
