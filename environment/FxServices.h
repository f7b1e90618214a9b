#pragma once
// What the effects ask of the rest of the game: the hero, damage to the hero
// and to objects, explosions, bullet hits and a few bytes of the scene
// objects, plus the segment test every trace of the effects goes through.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/IntersectSegment.h"
#include "world/ObjectHandle.h"

// The segment test of the effects: the scene's EIntersectSegment::Test unless
// a test has put its own world in (FxSetSegmentTest).
typedef bool (*FxSegmentTestFn)(const RayTestQuery* query, RayTestResult* result);
bool FxSegmentTest(const RayTestQuery* query, RayTestResult* result);
// The texture of the face a segment test hit: its mesh's texture of the hit
// subset, 0 when there is none.
DWORD FxHitTexture(const RayTestResult& hit);
// Null brings back the scene's test.
void FxSetSegmentTest(FxSegmentTestFn fn);

// The hero's scene object, and whether he crouches.
HOBJECT FxPlayerObject();
bool FxPlayerCrouching();
// The hero's health changes by the amount (CPlayer::ChangeHealth).
void FxChangePlayerHealth(float amount);
// A signed change of an object's health, through the engine's damage and death.
void FxChangeObjectHealth(HOBJECT object, float amount);
// An explosion of the effects: the engine pushes and hurts the objects around
// it (and the explosion is counted for the tests).
void FxApplyExplosion(const D3DXVECTOR3& point, float power);
// A bullet effect met something: the game's HandleBulletHit, with the weapon
// description the bullet carries. The hits are also counted for the tests.
void FxHandleBulletHit(const void* weapon, const RayTestResult& hit, HOBJECT shooter, DWORD param, BYTE flag,
                       float damageFactor);

// Bytes of a scene object the effects test, read from its record: dead,
// see-through (flag word 2, as for the sight tests), following a bezier path,
// seen from afar (flag word 2's always-visible bit).
bool FxObjectDead(HOBJECT object);
bool FxObjectSeeThrough(HOBJECT object);
bool FxObjectOnBezierPath(HOBJECT object);
bool FxObjectSeenFromAfar(HOBJECT object);
// Shots pass through an object whose action record says so (the first value
// of its "action_general_3" key).
bool FxObjectLetsBulletsThrough(HOBJECT object);
// An object that bullets can destroy (an active death record whose bullet
// hits hurt) takes every hit, a back face's too: a shot at it always counts.
bool FxObjectTakesEveryHit(HOBJECT object);
// Blood stains lie only on what keeps still: not on an object with a moving
// physics body, one its actions are moving, one tied to another's socket, or
// one falling after its death (a stain would hang in the air behind it).
bool FxObjectTakesStains(HOBJECT object);

// What the calls above have been asked, for the tests.
struct FxServiceCounts
{
    int iExplosions = 0;
    float fLastExplosionPower = 0.0f;
    int iBulletHits = 0;
    HOBJECT hLastBulletHit = nullptr;
    float fPlayerDamage = 0.0f;
};
extern FxServiceCounts g_FxServiceCounts;
