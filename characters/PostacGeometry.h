#pragma once
// The small geometry the characters' movement, estimates and routes share:
// distances, a direction flattened to the ground plane, the segment-test
// filter that skips one object, and the ground under a point.

#include "platform/d3dx/D3DXMath.h"
#include "world/IntersectSegment.h"
#include "world/ObjectHandle.h"

#include <cmath>

namespace postacgeometry
{
inline float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

// The distance on the ground plane.
inline float FlatDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const float dx = a.x - b.x;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dz * dz);
}

// The direction on the ground plane, of length 1; zero for a vertical one.
inline D3DXVECTOR3 Flat(D3DXVECTOR3 v)
{
    v.y = 0.0f;
    const float len = D3DXVec3Length(&v);
    return len > 0.0f ? v / len : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

// A segment-test filter that takes every object but the one in the user value.
inline bool SkipObject(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}

// The ground under a point: the first hit from `above` units above it to
// `below` under it (2 and 50 unless asked), past the skipped object; the
// point itself when there is none.
inline D3DXVECTOR3 OnGround(const D3DXVECTOR3& at, HOBJECT skip, float above = 2.0f, float below = 50.0f)
{
    const D3DXVECTOR3 from(at.x, at.y + above, at.z);
    const D3DXVECTOR3 to(at.x, at.y - below, at.z);
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipObject;
    query.dwUser = reinterpret_cast<RayTestUser>(skip);
    RayTestResult result;
    if (g_IntersectSegment.Test(&query, &result) && result.bHit)
        return result.vPoint;
    return at;
}
} // namespace postacgeometry
