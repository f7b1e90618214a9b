#include "environment/FxServices.h"

#include "game/BezierFollowState.h"
#include "game/BulletHit.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "physics/PhysicsMgr.h"
#include "player/Player.h"
#include "world/Engine.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

FxServiceCounts g_FxServiceCounts;

namespace
{
FxSegmentTestFn g_pfnSegmentTest = nullptr;
} // namespace

bool FxSegmentTest(const RayTestQuery* query, RayTestResult* result)
{
    if (g_pfnSegmentTest)
        return g_pfnSegmentTest(query, result);
    return g_IntersectSegment.Test(query, result);
}

void FxSetSegmentTest(FxSegmentTestFn fn)
{
    g_pfnSegmentTest = fn;
}

HOBJECT FxPlayerObject()
{
    return Player.m_hObject;
}

bool FxPlayerCrouching()
{
    return Player.m_bCrouched != 0;
}

void FxChangePlayerHealth(float amount)
{
    g_FxServiceCounts.fPlayerDamage -= amount;
    Player.ChangeHealth(amount);
}

void FxChangeObjectHealth(HOBJECT object, float amount)
{
    g_EngineObject.ChangeHealth(object, amount);
}

void FxApplyExplosion(const D3DXVECTOR3& point, float power)
{
    ++g_FxServiceCounts.iExplosions;
    g_FxServiceCounts.fLastExplosionPower = power;
    g_Engine.ApplyExplosion(&point, power);
}

void FxHandleBulletHit(const void* weapon, const RayTestResult& hit, HOBJECT shooter, DWORD param, BYTE flag,
                       float damageFactor)
{
    ++g_FxServiceCounts.iBulletHits;
    g_FxServiceCounts.hLastBulletHit = hit.pObject;
    HandleBulletHit(static_cast<const EItemDesc*>(weapon), &hit, shooter, param, flag, damageFactor);
}

bool FxObjectDead(HOBJECT object)
{
    return object && object->bDead;
}

bool FxObjectSeeThrough(HOBJECT object)
{
    return object && (object->dwFlags2 & EIntersectSegment::FLAG2_SEE_THROUGH);
}

bool FxObjectLetsBulletsThrough(HOBJECT object)
{
    return object && object->pActionParams && object->pActionParams->action_general_3;
}

bool FxObjectTakesEveryHit(HOBJECT object)
{
    const EDeathParams* death = object ? object->pDeathParams : nullptr;
    return death && death->bEnabled && death->bBulletHits;
}

bool FxObjectTakesStains(HOBJECT object)
{
    if (!object)
        return true;
    return !object->bActionRunning && !object->bTied && !object->bFalling &&
           !CPhysicsMgr::HasMovingBody(object);
}

// The object follows a bezier path: the first byte of its follow state.
bool FxObjectOnBezierPath(HOBJECT object)
{
    return object && object->pBezierFollow && object->pBezierFollow->bOn;
}

bool FxObjectSeenFromAfar(HOBJECT object)
{
    constexpr DWORD kAlwaysVisible = 0x20; // flag word 2
    return object && (object->dwFlags2 & kAlwaysVisible);
}

DWORD FxHitTexture(const RayTestResult& hit)
{
    const HOBJECT o = hit.pObject;
    if (!o || o->Type != OT_MESH || !o->Object)
        return 0;
    const auto* mesh = static_cast<const EMesh*>(o->Object);
    return hit.dwSubsetValue < mesh->SubsetSlots() ? mesh->m_TextureIndex[hit.dwSubsetValue] : 0;
}
