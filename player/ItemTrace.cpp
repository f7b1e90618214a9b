// STAND-IN: see ItemTrace.h.
#include "player/ItemTrace.h"

#include "mesh/Mesh.h"
#include "player/ItemMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kCorners = 8;
constexpr float kParallel = 1e-12f; // a segment this flat along an axis never crosses its slabs

// The object's local box turned, scaled and moved into the world.
void WorldBox(HOBJECT o, const EMesh& mesh, D3DXVECTOR3* lo, D3DXVECTOR3* hi)
{
    D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
    g_Engine.GetObjectScale(o, &scale);
    const D3DXMATRIX& m = o->Orientation.Matrix;
    for (int i = 0; i < kCorners; ++i)
    {
        const D3DXVECTOR3 c((i & 1 ? mesh.m_vMax.x : mesh.m_vMin.x) * scale.x,
                            (i & 2 ? mesh.m_vMax.y : mesh.m_vMin.y) * scale.y,
                            (i & 4 ? mesh.m_vMax.z : mesh.m_vMin.z) * scale.z);
        const D3DXVECTOR3 w(c.x * m._11 + c.y * m._21 + c.z * m._31 + o->vPosition.x,
                            c.x * m._12 + c.y * m._22 + c.z * m._32 + o->vPosition.y,
                            c.x * m._13 + c.y * m._23 + c.z * m._33 + o->vPosition.z);
        if (i == 0)
            *lo = *hi = w;
        *lo = D3DXVECTOR3(std::min(lo->x, w.x), std::min(lo->y, w.y), std::min(lo->z, w.z));
        *hi = D3DXVECTOR3(std::max(hi->x, w.x), std::max(hi->y, w.y), std::max(hi->z, w.z));
    }
}

// The slab test of a segment against a box.
bool SegmentHitsBox(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const D3DXVECTOR3& lo,
                    const D3DXVECTOR3& hi)
{
    const float p[3] = {from.x, from.y, from.z};
    const float d[3] = {to.x - from.x, to.y - from.y, to.z - from.z};
    const float bmin[3] = {lo.x, lo.y, lo.z};
    const float bmax[3] = {hi.x, hi.y, hi.z};
    float t0 = 0.0f;
    float t1 = 1.0f;
    for (int a = 0; a < 3; ++a)
    {
        if (std::fabs(d[a]) < kParallel)
        {
            if (p[a] < bmin[a] || p[a] > bmax[a])
                return false;
            continue;
        }
        float ta = (bmin[a] - p[a]) / d[a];
        float tb = (bmax[a] - p[a]) / d[a];
        if (ta > tb)
            std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1)
            return false;
    }
    return true;
}
} // namespace

bool ItemSegmentBlocked(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const ItemTraceFilter& filter)
{
    const int end = std::min(g_Engine.GetHighWaterMark(OT_MESH), FIRST_MESH_SLOT + MAX_MESH_OBJECTS);
    for (int slot = FIRST_MESH_SLOT; slot < end; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!o.bUsed || o.bDeletePending || o.Type != OT_MESH || !o.Object)
            continue;
        if (&o == filter.skip1 || &o == filter.skip2 || (o.dwFlags & OF_NO_SEGMENT))
            continue;
        if (filter.skipItems && o.dwFlags3 == OBJECT_KIND_ITEM)
            continue;
        D3DXVECTOR3 lo, hi;
        WorldBox(&o, *static_cast<EMesh*>(o.Object), &lo, &hi);
        if (SegmentHitsBox(from, to, lo, hi))
            return true;
    }
    return false;
}
