// The per-object logic's fields of the stored object record.
#include "world/ObjectLogicIO.h"

#include "shell/RecordBytes.h"

namespace
{
enum LogicOffsets : size_t
{
    L_HIDDEN = OBJECT_LOGIC_STORED_AT,
    L_RUNNING = L_HIDDEN + 1,
    L_HAS_RUN = L_HIDDEN + 2,
    L_TOGGLED = L_HIDDEN + 3,
    L_SINCE_LAST = L_HIDDEN + 4,
    L_RUN_TIME = L_HIDDEN + 8,
    L_HAND_ON = L_HIDDEN + 12,
    L_CAMERA_TURNED = L_HIDDEN + 13,
    L_SHOOTING = L_HIDDEN + 14,
    L_KNOB = L_HIDDEN + 15,
    L_HAND_ON_TIMER = L_HIDDEN + 16,
    L_SHOT_INTERVAL = L_HIDDEN + 20,
    L_SHOT_COUNT = L_HIDDEN + 24,
    L_SHOT_TIMER = L_HIDDEN + 28,
    L_DEATH_WAIT = L_HIDDEN + 32,
    L_DOOR_ANGLE = L_HIDDEN + 36,
    L_DOOR_SWING = L_HIDDEN + 40,
    L_KNOB_TIMER = L_HIDDEN + 44,
    L_MOVE_OFFSET = L_HIDDEN + 48,
    L_MOVE_DISTANCE = L_HIDDEN + 60,
    L_ROTATION = L_HIDDEN + 64,
    L_LIFETIME = L_HIDDEN + 76,
    L_GENERAL_TIMER = L_HIDDEN + 80,
    L_LIGHT_OFF = L_HIDDEN + 84,
    L_PASS_BLOCKERS = L_HIDDEN + 85,
    L_BASE_SET = L_HIDDEN + 86,
    L_BASE_ORIENTATION = L_HIDDEN + 88,
    L_DEAD = L_BASE_ORIENTATION + 116,
    L_EXPLODED = L_DEAD + 1,
    L_FALLING = L_DEAD + 2,
    L_CREATED_ON_DEATH = L_DEAD + 3,
    L_FALL_VELOCITY = L_DEAD + 4,
    L_FALL_TIMERS = L_DEAD + 16,
    L_RESPAWN_COUNT = L_DEAD + 24,
    L_RESPAWN_TIMER = L_DEAD + 28,
    L_END = L_DEAD + 32,
};
static_assert(L_END - OBJECT_LOGIC_STORED_AT <= OBJECT_LOGIC_STORED_SIZE);
} // namespace

void WriteObjectLogicFields(RecordOut& r, const strObject& o)
{
    r.U8(L_HIDDEN, o.bHidden);
    r.U8(L_RUNNING, o.bActionRunning);
    r.U8(L_HAS_RUN, o.bActionHasRun);
    r.U8(L_TOGGLED, o.bActionToggled);
    r.F32(L_SINCE_LAST, o.fSinceLastAction);
    r.F32(L_RUN_TIME, o.fActionRunTime);
    r.U8(L_HAND_ON, o.bHandOnPending);
    r.U8(L_CAMERA_TURNED, o.bCameraTurned);
    r.U8(L_SHOOTING, o.bShooting);
    r.U8(L_KNOB, o.bKnob);
    r.F32(L_HAND_ON_TIMER, o.fHandOnTimer);
    r.I32(L_SHOT_INTERVAL, o.iShotInterval);
    r.I32(L_SHOT_COUNT, o.iShotCount);
    r.F32(L_SHOT_TIMER, o.fShotTimer);
    r.F32(L_DEATH_WAIT, o.fDeathWait);
    r.F32(L_DOOR_ANGLE, o.fDoorAngle);
    r.F32(L_DOOR_SWING, o.fDoorSwing);
    r.F32(L_KNOB_TIMER, o.fKnobTimer);
    r.Vec3(L_MOVE_OFFSET, o.vMoveOffset);
    r.F32(L_MOVE_DISTANCE, o.fMoveDistance);
    for (int i = 0; i < 3; ++i)
        r.F32(L_ROTATION + 4 * i, o.fRotation[i]);
    r.F32(L_LIFETIME, o.fLifetime);
    r.F32(L_GENERAL_TIMER, o.fGeneralTimer);
    r.U8(L_LIGHT_OFF, o.bLightOff);
    r.U8(L_PASS_BLOCKERS, o.bPassBlockers);
    r.U8(L_BASE_SET, o.bActionBaseSet);
    if (o.bActionBaseSet)
        r.Orientation(L_BASE_ORIENTATION, o.ActionBaseOrientation);
    r.U8(L_DEAD, o.bDead);
    r.U8(L_EXPLODED, o.bExploded);
    r.U8(L_FALLING, o.bFalling);
    r.U8(L_CREATED_ON_DEATH, o.bCreatedOnDeath);
    r.Vec3(L_FALL_VELOCITY, o.vFallVelocity);
    r.F32(L_FALL_TIMERS, o.fFallTimer[0]);
    r.F32(L_FALL_TIMERS + 4, o.fFallTimer[1]);
    r.I32(L_RESPAWN_COUNT, o.iRespawnCount);
    r.F32(L_RESPAWN_TIMER, o.fRespawnTimer);
}

void ReadObjectLogicFields(const RecordIn& r, strObject* o)
{
    if (!o)
        return;
    o->bHidden = r.U8(L_HIDDEN);
    o->bActionRunning = r.U8(L_RUNNING);
    o->bActionHasRun = r.U8(L_HAS_RUN);
    o->bActionToggled = r.U8(L_TOGGLED);
    o->fSinceLastAction = r.F32(L_SINCE_LAST);
    o->fActionRunTime = r.F32(L_RUN_TIME);
    o->bHandOnPending = r.U8(L_HAND_ON);
    o->bCameraTurned = r.U8(L_CAMERA_TURNED);
    o->bShooting = r.U8(L_SHOOTING);
    o->bKnob = r.U8(L_KNOB);
    o->fHandOnTimer = r.F32(L_HAND_ON_TIMER);
    o->iShotInterval = r.I32(L_SHOT_INTERVAL);
    o->iShotCount = r.I32(L_SHOT_COUNT);
    o->fShotTimer = r.F32(L_SHOT_TIMER);
    o->fDeathWait = r.F32(L_DEATH_WAIT);
    o->fDoorAngle = r.F32(L_DOOR_ANGLE);
    o->fDoorSwing = r.F32(L_DOOR_SWING);
    o->fKnobTimer = r.F32(L_KNOB_TIMER);
    o->vMoveOffset = r.Vec3(L_MOVE_OFFSET);
    o->fMoveDistance = r.F32(L_MOVE_DISTANCE);
    for (int i = 0; i < 3; ++i)
        o->fRotation[i] = r.F32(L_ROTATION + 4 * i);
    o->fLifetime = r.F32(L_LIFETIME);
    o->fGeneralTimer = r.F32(L_GENERAL_TIMER);
    o->bLightOff = r.U8(L_LIGHT_OFF);
    o->bPassBlockers = r.U8(L_PASS_BLOCKERS);
    o->bActionBaseSet = r.U8(L_BASE_SET);
    if (o->bActionBaseSet)
        o->ActionBaseOrientation = r.Orientation(L_BASE_ORIENTATION);
    o->bDead = r.U8(L_DEAD);
    o->bExploded = r.U8(L_EXPLODED);
    o->bFalling = r.U8(L_FALLING);
    o->bCreatedOnDeath = r.U8(L_CREATED_ON_DEATH);
    o->vFallVelocity = r.Vec3(L_FALL_VELOCITY);
    o->fFallTimer[0] = r.F32(L_FALL_TIMERS);
    o->fFallTimer[1] = r.F32(L_FALL_TIMERS + 4);
    o->iRespawnCount = r.I32(L_RESPAWN_COUNT);
    o->fRespawnTimer = r.F32(L_RESPAWN_TIMER);
}

void CopyObjectLogicFields(strObject* to, const strObject& from)
{
    if (!to)
        return;
    to->bHidden = from.bHidden;
    to->bActionRunning = from.bActionRunning;
    to->bActionHasRun = from.bActionHasRun;
    to->bActionToggled = from.bActionToggled;
    to->fSinceLastAction = from.fSinceLastAction;
    to->fActionRunTime = from.fActionRunTime;
    to->bHandOnPending = from.bHandOnPending;
    to->bCameraTurned = from.bCameraTurned;
    to->bShooting = from.bShooting;
    to->bKnob = from.bKnob;
    to->fHandOnTimer = from.fHandOnTimer;
    to->iShotInterval = from.iShotInterval;
    to->iShotCount = from.iShotCount;
    to->fShotTimer = from.fShotTimer;
    to->fDeathWait = from.fDeathWait;
    to->fDoorAngle = from.fDoorAngle;
    to->fDoorSwing = from.fDoorSwing;
    to->fKnobTimer = from.fKnobTimer;
    to->vMoveOffset = from.vMoveOffset;
    to->fMoveDistance = from.fMoveDistance;
    for (int i = 0; i < 3; ++i)
        to->fRotation[i] = from.fRotation[i];
    to->fLifetime = from.fLifetime;
    to->fGeneralTimer = from.fGeneralTimer;
    to->bLightOff = from.bLightOff;
    to->bPassBlockers = from.bPassBlockers;
    to->bActionBaseSet = from.bActionBaseSet;
    if (from.bActionBaseSet)
        to->ActionBaseOrientation = from.ActionBaseOrientation;
    to->bDead = from.bDead;
    to->bExploded = from.bExploded;
    to->bFalling = from.bFalling;
    to->bCreatedOnDeath = from.bCreatedOnDeath;
    to->vFallVelocity = from.vFallVelocity;
    to->fFallTimer[0] = from.fFallTimer[0];
    to->fFallTimer[1] = from.fFallTimer[1];
    to->iRespawnCount = from.iRespawnCount;
    to->fRespawnTimer = from.fRespawnTimer;
    to->bUpdatableComputed = 0;
}
