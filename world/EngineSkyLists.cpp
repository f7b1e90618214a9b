// The engine's per-frame lists for drawing: what the camera sees, what moves,
// what casts into the dynamic sun cascade.
#include "world/Engine.h"

#include "mesh/Mesh.h"
#include "physics/PhysicsMgr.h"
#include "render/Renderer.h"
#include "render/SkyShadow.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"

namespace
{
constexpr DWORD kShown = 0x1;
constexpr int kPlanes = 6;
constexpr DWORD kDynamicCascade = 2;
constexpr const char* kCameraStart = "camera_start";

struct Frustum
{
    D3DXPLANE planes[kPlanes];

    explicit Frustum(const D3DXMATRIX& m)
    {
        // The view volume's planes of a row-vector view-projection, facing in.
        const float rows[kPlanes][4] = {
            {m._14 + m._11, m._24 + m._21, m._34 + m._31, m._44 + m._41},
            {m._14 - m._11, m._24 - m._21, m._34 - m._31, m._44 - m._41},
            {m._14 + m._12, m._24 + m._22, m._34 + m._32, m._44 + m._42},
            {m._14 - m._12, m._24 - m._22, m._34 - m._32, m._44 - m._42},
            {m._13, m._23, m._33, m._43},
            {m._14 - m._13, m._24 - m._23, m._34 - m._33, m._44 - m._43},
        };
        for (int i = 0; i < kPlanes; ++i)
        {
            D3DXPLANE p(rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
            D3DXPlaneNormalize(&planes[i], &p);
        }
    }

    bool Sees(const D3DXVECTOR3& centre, float radius) const
    {
        for (const D3DXPLANE& p : planes)
            if (D3DXPlaneDotCoord(&p, &centre) < -radius)
                return false;
        return true;
    }
};

// The object's bounding sphere in the world.
void Bounds(const strObject& o, D3DXVECTOR3* centre, float* radius)
{
    if (o.Type == OT_MESH && o.Object)
    {
        const EMesh* mesh = static_cast<const EMesh*>(o.Object);
        *centre = (mesh->m_vWorldMin + mesh->m_vWorldMax) * 0.5f;
        const D3DXVECTOR3 half = (mesh->m_vWorldMax - mesh->m_vWorldMin) * 0.5f;
        *radius = D3DXVec3Length(&half);
        return;
    }
    *centre = o.vPosition;
    *radius = o.fRadius;
}
} // namespace

void EEngine::BuildSkyShadowLists()
{
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
    const Frustum frustum(viewProj);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    DWORD dynamicExtent = 0;
    g_SkyShadow.GetCascade(kDynamicCascade, nullptr, &dynamicExtent, nullptr, nullptr);
    const float dynamicReach = static_cast<float>(dynamicExtent);
    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = m_Objects[slot];
        strobjectframe& f = g_Renderer.m_ObjectFrame[slot];
        const bool drawable = o.bUsed && o.Object && (o.Type == OT_MESH || o.Type == OT_SKINMESH);
        if (!drawable)
        {
            f.m_bVisible = f.m_bInView = f.m_bMoving = f.m_bDynamicShadow = 0;
            continue;
        }
        D3DXVECTOR3 centre;
        float radius = 0.0f;
        Bounds(o, &centre, &radius);
        f.m_bInView = frustum.Sees(centre, radius) ? 1 : 0;
        f.m_bVisible = (f.m_bInView && (o.dwFlags & kShown) && !o.bDeletePending) ? 1 : 0;
        f.m_bMoving = (o.Type == OT_SKINMESH || CPhysicsMgr::HasMovingBody(&o)) ? 1 : 0;
        const D3DXVECTOR3 away = centre - eye;
        f.m_bDynamicShadow =
            (f.m_bMoving && (o.dwFlags & kShown) && D3DXVec3Length(&away) < dynamicReach + radius) ? 1 : 0;
        if (o.Type == OT_MESH)
        {
            g_Renderer.m_bFrameHasSkyLitMeshes |= f.m_bVisible;
            g_Renderer.m_bDetailedShadowMeshes |= f.m_bDynamicShadow;
        }
        else
        {
            g_Renderer.m_bFrameHasSkyLitSkinMeshes |= f.m_bVisible;
            g_Renderer.m_bDetailedShadowSkinMeshes |= f.m_bDynamicShadow;
        }
    }
}

void EEngine::PlaceStartCamera()
{
    HOBJECT marker = FindObject(kCameraStart, 0);
    if (!marker)
        return;
    g_Camera.SetPosition(marker->vPosition);
    g_Camera.SetOrientation(marker->Orientation);
}
