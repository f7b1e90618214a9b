// The pick-up sight lines: see ItemTrace.h.
#include "player/ItemTrace.h"

#include "player/ItemMgr.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

namespace
{
// The item's sight line tests hits within this reach of a skinned mesh's zones
// in the coarse mode, as the pick-up asks for.
constexpr float kItemSightCoarseDistance = 1.0f;

bool Accept(HOBJECT candidate, RayTestUser user)
{
    const ItemTraceFilter& f = *reinterpret_cast<const ItemTraceFilter*>(user);
    if (!candidate || candidate == f.skip1 || candidate == f.skip2)
        return false;
    if (f.skipItems && (candidate->Type == OT_SKINMESH || candidate->dwFlags3 == OBJECT_KIND_ITEM))
        return false;
    return !candidate->bDead;
}
} // namespace

bool ItemSegmentBlocked(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const ItemTraceFilter& filter)
{
    RayTestQuery query;
    const float a[3] = {from.x, from.y, from.z};
    const float b[3] = {to.x, to.y, to.z};
    query.pFrom = a;
    query.pTo = b;
    query.pfnFilter = Accept;
    query.dwUser = reinterpret_cast<RayTestUser>(&filter);
    if (filter.skipItems)
    {
        query.bOption2 = 1;
        query.fMaxDistance = kItemSightCoarseDistance;
    }
    RayTestResult result;
    return g_IntersectSegment.Test(&query, &result);
}
