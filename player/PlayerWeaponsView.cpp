// CPlayerWeapons: the first-person view. Every rendered frame the hero's eye
// hands its position and frame here, and the held model of the weapon in hand
// (or, without one, the knife and the hand grenade) is placed in front of it:
// between the carried and the aimed pose, swayed by turning, lowered while a
// switch runs, pushed back by the recoil. The turn and sway values it reads
// are stepped by Update.
#include "player/PlayerWeapons.h"

#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Mouse.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace
{
constexpr float kTurnSpeed = 6.28318531f; // a full turn per second
constexpr float kSwayPerTurn = 0.05f;     // sway against each radian the view turned this frame
constexpr float kSwayLimit = 0.07f;
constexpr float kSteadyTurn = 0.04f; // a turn below this a frame counts as holding still
constexpr float kSteadyWait = 0.15f; // the sway settles after holding still this long
constexpr float kSwaySettle = 0.2f;  // per second
constexpr float kAimBob = 0.05f;     // what is left of the bob while aimed
constexpr float kSwitchDrop = 15.0f; // the model's drop at the lowest point of a switch
constexpr float kWobble = 0.01f;     // the idle wobble while turning
constexpr float kWobbleRate = 6.0f;
constexpr float kAimedKick = 0.5f; // above this aim blend the recoil push is cut
constexpr float kAimedKickShare = 0.5f;
constexpr float kAwayDrop = 200.0f;
// The ladder sway moves the model down, to the right and back.
constexpr float kLadderUp = -1.0f;
constexpr float kLadderRight = 3.0f;
constexpr float kLadderForward = -1.0f;
constexpr float kGrenadeHandDrop = 6.0f;
constexpr float kKnifeDrop = 10.0f;
// The knife and the hand grenade in front of the eye, along the camera's own axes.
constexpr float kKnifeForward = -0.4f;
constexpr float kKnifeRight = 0.1f;
constexpr float kKnifeUp = -10.4f;
constexpr float kGrenadeForward = 0.5f;
constexpr float kGrenadeRight = 1.03f;
constexpr float kGrenadeUp = -10.9f;
constexpr float kGrenadeRaiseUp = -6.0f;
// A wall closer to the eye than the weapon's reach: the weapon draws back
// from it (at most kMaxDrawBack) and lowers out of its way by the rest.
constexpr float kWeaponReach = 1.3f;
constexpr float kMaxDrawBack = 0.6f;
constexpr float kLowerPerUnit = 1.0f;
constexpr float kWallPullSpeed = 4.0f; // units a second, both ways
constexpr DWORD KNIFE_STATE_HIT = 2;
constexpr DWORD KNIFE_STATE_RETURN = 3;
constexpr DWORD VISIBLE_BIT = 1;

float MoveTowards(float value, float target, float step)
{
    if (value < target)
        return value + step > target ? target : value + step;
    return value - step < target ? target : value - step;
}

// On a mounted gun or a bezier walk the weapon in hand is out of the view.
bool ViewTakenAway()
{
    return Player.m_bOnGun || Player.m_bBezier;
}

// The ladder's sway moves the weapon as the hero climbs.
float LadderSway()
{
    return Player.m_fLadderSway;
}

// Everything but the hero and the model in his hands.
bool SkipHeroAndHeldModel(HOBJECT candidate, RayTestUser user)
{
    return candidate != Player.m_hObject && candidate != reinterpret_cast<HOBJECT>(user);
}

// How far ahead of the eye the first surface within the weapon's reach is.
float ClearAhead(const D3DXVECTOR3& eye, const D3DXVECTOR3& forward, HOBJECT heldModel)
{
    const D3DXVECTOR3 to = eye + forward * kWeaponReach;
    RayTestQuery query;
    query.pFrom = &eye.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipHeroAndHeldModel;
    query.dwUser = reinterpret_cast<RayTestUser>(heldModel);
    RayTestResult hit;
    if (!g_IntersectSegment.Test(&query, &hit) || !hit.bHit)
        return kWeaponReach;
    const D3DXVECTOR3 way = hit.vPoint - eye;
    return std::min(kWeaponReach, std::sqrt(way.x * way.x + way.y * way.y + way.z * way.z));
}

void Show(HOBJECT object, bool shown)
{
    if (object)
        g_Engine.SetObjectFlags(object, shown ? VISIBLE_BIT : 0, VISIBLE_BIT);
}

void Place(HOBJECT object, const D3DXVECTOR3& position, const EOrientation& orientation)
{
    if (!object)
        return;
    g_Engine.SetObjectPosition(object, &position, 0);
    g_Engine.SetObjectRotation(object, &orientation);
    if (object->Type == OT_SKINMESH)
        g_Engine.UpdateSkinMeshNodes(object);
}
} // namespace

void CPlayerWeapons::TurnStep()
{
    const EItemDesc* d = current ? current->m_pDesc : nullptr;
    const float targetYaw = d ? (aiming ? d->rotateY_aim : d->rotateY) : 0.0f;
    const float targetPitch = d ? (aiming ? d->rotateX_aim : d->rotateX) : 0.0f;
    turnYaw = MoveTowards(turnYaw, targetYaw, kTurnSpeed * frameTime);
    turnPitch = MoveTowards(turnPitch, targetPitch, kTurnSpeed * frameTime);
}

void CPlayerWeapons::WalkTimerStep()
{
    if (Player.m_bCanMove && !(Player.m_bRunning && Player.m_bMoving))
    {
        moveTimer += frameTime;
        stillTimer = 0.0f;
    }
    else
    {
        stillTimer += frameTime;
        moveTimer = 0.0f;
    }
}

void CPlayerWeapons::SwayStep()
{
    prevYaw = yaw;
    // A mouse state that is no number turns nothing.
    if (std::isfinite(g_Mouse.m_State.x))
        yaw = static_cast<float>(g_Mouse.m_State.x);
    const float turn = yaw - prevYaw;
    sway = std::clamp(sway - kSwayPerTurn * turn, -kSwayLimit, kSwayLimit);
    if (std::abs(turn) < kSteadyTurn)
    {
        if (steadyTimer > kSteadyWait)
            sway = MoveTowards(sway, 0.0f, kSwaySettle * frameTime);
        steadyTimer += frameTime;
        turnTimer = 0.0f;
    }
    else
    {
        steadyTimer = 0.0f;
        turnTimer += frameTime;
    }
}

void CPlayerWeapons::PlaceWeaponView(const D3DXVECTOR3* position, const EOrientation* orientation, float bobX,
                                     float bobY)
{
    if (!position || !orientation)
        return;
    cameraPosition = *position;
    cameraOrientation = *orientation;
    D3DXVECTOR3 p = *position;
    if (ViewTakenAway())
        p.y -= kAwayDrop;
    const D3DXVECTOR3 F = orientation->Forward;
    const D3DXVECTOR3 R = orientation->Right;
    const D3DXVECTOR3 U = orientation->Up;
    // The knife and the grenade keep to the camera's own axes.
    const EOrientation& camera = g_Camera.GetOrientation();
    const bool knifeOut = knifeState == KNIFE_STATE_HIT || knifeState == KNIFE_STATE_RETURN;
    const D3DXVECTOR3 knifeAt =
        p + kKnifeForward * camera.Forward + kKnifeRight * camera.Right + kKnifeUp * camera.Up;
    const D3DXVECTOR3 grenadeAt = p + kGrenadeForward * camera.Forward + kGrenadeRight * camera.Right +
                                  (kGrenadeUp + kGrenadeRaiseUp * grenadeRaise) * camera.Up;
    auto placeHandModels = [&]
    {
        if (knifeOut)
            Place(knifeObject, knifeAt, camera);
        Show(knifeObject, knifeOut);
        if (grenadeInHand)
            Place(grenadeObject, grenadeAt, camera);
        Show(grenadeObject, grenadeInHand != 0);
    };

    const EItemDesc* d = current ? current->m_pDesc : nullptr;
    m_pWeaponView = d ? &m_WeaponTuning : nullptr;
    if (!d)
    {
        placeHandModels();
        return;
    }

    // Between the carried and the aimed pose; the aimed pose keeps little of the bob.
    const D3DXVECTOR3& carried = current->m_vCarriedPos;
    const D3DXVECTOR3& aimed = current->m_vAimPos;
    const float movement = current->m_fMovement;
    const D3DXVECTOR3 C =
        p + R * (carried.x + movement * bobX) + U * (carried.y + movement * bobY) + F * carried.z;
    const D3DXVECTOR3 A = p + R * (aimed.x + kAimBob * bobX) + U * (aimed.y + kAimBob * bobY) + F * aimed.z;
    D3DXVECTOR3 at = C + aimProgress * (A - C);
    at -= kSwitchDrop * switchPhase * U;
    const WeaponView& tuning = m_WeaponTuning;
    at += R * tuning.offset[0] + U * tuning.offset[1] + F * tuning.offset[2];

    // The sway of turning fades out while aiming; the small wobble stays.
    EOrientation frame = *orientation;
    frame.RotateAxisAngle(&U, (1.0f - aimProgress) * sway + kWobble * std::sin(kWobbleRate * turnTimer));
    if (turnYaw != 0.0f)
        frame.RotateAxisAngle(&U, turnYaw);
    if (turnPitch != 0.0f)
        frame.RotateAxisAngle(&R, turnPitch);
    if (m_vSprintAngles.x != 0.0f)
        frame.RotateAxisAngle(&U, m_vSprintAngles.x);
    if (m_vSprintAngles.y != 0.0f)
        frame.RotateAxisAngle(&R, m_vSprintAngles.y);
    if (m_vSprintAngles.z != 0.0f)
        frame.RotateAxisAngle(&F, m_vSprintAngles.z);
    const D3DXVECTOR3* tuningAxes[] = {&R, &U, &F};
    for (size_t i = 0; i < std::size(tuningAxes); ++i)
        if (tuning.angle[i] != 0.0f)
            frame.RotateAxisAngle(tuningAxes[i], tuning.angle[i]);
    const D3DXVECTOR3 f = frame.Forward;
    const D3DXVECTOR3 r = frame.Right;
    const D3DXVECTOR3 u = frame.Up;

    recoilStrength = std::max(0.0f, recoilStrength - recoilDecay * frameTime);
    if (kickBack > 0.0f)
    {
        at -= f * (aimProgress > kAimedKick ? kAimedKickShare * kickBack : kickBack);
        kickBack = std::max(0.0f, kickBack - kickDecay * frameTime);
    }
    const float ladder = LadderSway();
    at += u * (kLadderUp * ladder) + r * (kLadderRight * ladder) + f * (kLadderForward * ladder);
    if (grenadeHandBlend != 0.0f)
        at -= u * (kGrenadeHandDrop * grenadeHandBlend);
    placeHandModels();
    at -= u * (kKnifeDrop * knifeProgress);
    // Never into a wall: drawn back, then lowered, eased as the eye comes and goes.
    const float pull = kWeaponReach - ClearAhead(p, F, current->m_hHeldModel);
    wallPull = MoveTowards(wallPull, pull, kWallPullSpeed * frameTime);
    at -=
        F * std::min(wallPull, kMaxDrawBack) + U * (kLowerPerUnit * std::max(0.0f, wallPull - kMaxDrawBack));

    m_vViewPosition = at;
    m_ViewOrientation = frame;
    Place(current->m_hHeldModel, at, frame);
}
