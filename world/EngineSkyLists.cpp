// The visibility pass: which objects are drawn this frame, which get detailed
// sky shadows, and (from those) the renderer's per-frame object table with
// the view-volume test, what moves and what casts into the dynamic sun
// cascade. Visibility is decided anew every 0.3 seconds, and every frame for
// an object that moved or was switched.
#include "world/Engine.h"

#include "game/CutScene.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "physics/PhysicsMgr.h"
#include "render/Renderer.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/EngineObject.h"

#include <cstdlib>

namespace
{
constexpr DWORD kShown = 0x1;              // flag word 1
constexpr DWORD kLeftAlone = 0x400;        // flag word 1: the passes skip it
constexpr DWORD kMarkedForPhysics = 0x4;   // flag word 1: drawn by the marking pass
constexpr DWORD kAlwaysVisible = 0x20;     // flag word 2
constexpr DWORD kNoSunShadow = 0x10000000; // flag word 2
constexpr DWORD kKindHiddenInWideScreen = 256;

constexpr float kVisibilityPeriod = 0.3f;
constexpr float kLodPeriod = 0.4f;
constexpr float kLodRandom = 0.2f;
constexpr int kBaseMesh = -1;
constexpr float kSkinTimerPeriod = 1.0f;

constexpr float kSmallRadius = 1.4f;
constexpr float kSmallFar = 100.0f;
constexpr float kMovedFar = 0.02f;
constexpr float kAlwaysNear = 20.0f;
constexpr float kNearByRadius = 1.6f;
constexpr float kLightRangesAway = 2.0f;
constexpr float kLightPlaneLimit = -0.5f;
constexpr float kLightFarPlane = 20000.0f;

constexpr float kDetailedShadowReach = 100.0f;
constexpr float kSkinDetailedShadowLimit = 30.0f;

constexpr int kPlanes = 6;
constexpr DWORD kDynamicCascade = 2;
constexpr const char* kCameraStart = "camera_start";

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

float RandomBelow(float range)
{
    return range * static_cast<float>(std::rand() & 0xFFFF) / 65536.0f;
}

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

bool Moving(strObject& o)
{
    return o.Type == OT_SKINMESH || CPhysicsMgr::HasMovingBody(&o);
}

bool DetailedShadowWanted(const strObject& o, float limit)
{
    return g_Renderer.m_bDetailedSkyShadows && !(o.dwFlags2 & kNoSunShadow) && o.bDetailedShadowRequest &&
           o.fCameraDistance < kDetailedShadowReach && o.fCameraDistance < limit;
}

// The per-frame table of the renderer: the view-volume test of each drawable
// object, on top of the visible byte decided above.
void FillRendererFrame()
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
        strObject& o = g_Engine.m_Objects[slot];
        strobjectframe& f = g_Renderer.m_ObjectFrame[slot];
        const bool drawable = o.bUsed && o.Object && (o.Type == OT_MESH || o.Type == OT_SKINMESH);
        // Only what the pass found visible is tested against the view (the
        // detailed shadows are among them).
        if (!drawable || !o.bVisible)
        {
            f.m_bVisible = f.m_bInView = f.m_bDynamicShadow = 0;
            f.m_bMoving = drawable && Moving(o) ? 1 : 0;
            continue;
        }
        D3DXVECTOR3 centre;
        float radius = 0.0f;
        Bounds(o, &centre, &radius);
        f.m_bInView = frustum.Sees(centre, radius) ? 1 : 0;
        const bool shown = (o.dwFlags & kShown) && !o.bDeletePending;
        f.m_bVisible = (f.m_bInView && shown) ? 1 : 0;
        f.m_bMoving = Moving(o) ? 1 : 0;
        const D3DXVECTOR3 away = centre - eye;
        f.m_bDynamicShadow =
            (o.bDetailedShadow && shown && D3DXVec3Length(&away) < dynamicReach + radius) ? 1 : 0;
    }
}
} // namespace

float EEngine::DetailedShadowLimit(float radius)
{
    constexpr float kSmall = 4.0f, kSmallLimit = 35.0f;
    constexpr float kMiddle = 10.0f, kMiddleLimit = 50.0f;
    constexpr float kBeyondRadius = 40.0f;
    if (radius < kSmall)
        return kSmallLimit;
    if (radius < kMiddle)
        return kMiddleLimit;
    return radius + kBeyondRadius;
}

BYTE EEngine::TestObjectVisibility(HOBJECT o, bool recompute)
{
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    o->fCameraDistance = Distance(o->vPosition, camera);
    o->fHeroDistance = Distance(o->vPosition, g_EngineObject.m_vHero);
    const D3DXVECTOR3 toCamera = camera - o->vPosition;
    const D3DXVECTOR3& forward = g_Camera.GetViewFrame().Forward;
    o->bInFront = D3DXVec3Dot(&toCamera, &forward) <= 0.0f ? 1 : 0;
    if (o->bHidden)
        return 0;
    if (o->dwFlags3 == kKindHiddenInWideScreen && g_Panel.LetterboxOn())
        return 0;
    ++g_EngineObject.m_iVisibilityTested;
    if (o->fRadius < kSmallRadius && o->fCameraDistance > kSmallFar && !o->bKeepVisible)
        return 0;
    const BYTE flag0 = (o->dwFlags & kShown) ? 1 : 0;
    const bool changed = flag0 != o->bLastFlag0 || g_Options.DrawPhysics ||
                         Distance(o->vPosition, o->vLastPosition) > kMovedFar;
    o->bLastFlag0 = flag0;
    o->vLastPosition = o->vPosition;
    if (o->dwFlags2 & kAlwaysVisible)
        return 1;
    if (!recompute && !changed)
        return o->bVisible;
    const bool mesh = o->Type == OT_MESH;
    if ((mesh && (!o->Object || !o->pMeshEntry)) || !flag0)
        return 0;
    if (o->fCameraDistance < kAlwaysNear || o->fCameraDistance < o->fRadius * kNearByRadius)
        return 1;
    const float beyond = o->fCameraDistance - o->fRadius;
    if (o->iDisappearRange > 1 && beyond > static_cast<float>(o->iDisappearRange))
        return 0;
    if (mesh && beyond > g_Camera.GetFarPlane())
        return 0;
    return o->bInFront;
}

BYTE EEngine::TestLightVisibility(HOBJECT o)
{
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    o->fCameraDistance = Distance(o->vPosition, camera);
    if (o->iDisappearRange > 1 && o->fCameraDistance > static_cast<float>(o->iDisappearRange))
        return 0;
    ++g_EngineObject.m_iVisibilityTested;
    if (!(o->dwFlags & kShown))
        return 0;
    const float range = o->fRadius;
    if (o->fCameraDistance >= kLightRangesAway * range && o->fCameraDistance > 0.0f)
    {
        // How far the light's sphere reaches ahead of the camera, against its
        // distance: a light beside or behind the camera lights nothing seen.
        const D3DXVECTOR3 toCamera = camera - o->vPosition;
        const D3DXVECTOR3& forward = g_Camera.GetViewFrame().Forward;
        const float plane = (D3DXVec3Dot(&toCamera, &forward) - range) / o->fCameraDistance;
        if (plane > kLightPlaneLimit)
            return 0;
        const float farPlane = (o->dwFlags2 & kAlwaysVisible) ? kLightFarPlane : g_Camera.GetFarPlane();
        if (o->fCameraDistance - range > farPlane)
            return 0;
    }
    return 1;
}

void EEngine::BuildSkyShadowLists()
{
    EEngineObject& logic = g_EngineObject;
    const float dt = logic.m_fFrameTime;
    // 1.
    if (g_CutScene.m_bPlaying)
        logic.m_bRecomputeVisibility = 1;
    if (!g_Options.RecalculateCamera)
        return;
    // 2.
    logic.m_fVisibilityTimer -= dt;
    if (logic.m_fVisibilityTimer < 0.0f)
    {
        logic.m_fVisibilityTimer = kVisibilityPeriod;
        logic.m_bRecomputeVisibility = 1;
    }
    const bool recompute = logic.m_bRecomputeVisibility != 0;
    logic.m_iVisibilityTested = 0;
    if (g_Options.DrawPhysics)
        MarkPhysicsObjects();
    else
    {
        VisibilityOfMeshes(recompute);
        VisibilityOfSkinsAndLights(recompute);
    }
    logic.m_bRecomputeVisibility = 0;
    FillRendererFrame();
}

// 3 and 4: the meshes.
void EEngine::VisibilityOfMeshes(bool recompute)
{
    DWORD detailed = 0;
    const int high = m_iHighMesh < MAX_MESH_OBJECTS ? m_iHighMesh : MAX_MESH_OBJECTS;
    for (int i = FIRST_MESH_SLOT; i < high; ++i)
    {
        strObject& o = m_Objects[i];
        if (!o.bUsed)
            continue;
        if (recompute)
            o.bVisible = 0;
        if (o.bHidden || o.bDeletePending)
            continue;
        PrepareObject(&o);
        if ((o.dwFlags & kShown) && !(o.dwFlags & kLeftAlone))
            o.bVisible = TestObjectVisibility(&o, recompute);
        if (!o.bVisible)
            continue;
        if (g_Options.UseLod)
        {
            o.fLodTimer -= g_EngineObject.m_fFrameTime;
            if (o.fLodTimer <= 0.0f)
            {
                o.fLodTimer = kLodPeriod + RandomBelow(kLodRandom);
                g_MeshMgr.SelectVariant(&o, kBaseMesh);
            }
        }
        if (o.Type == OT_MESH)
            g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        else
            g_Renderer.m_bFrameHasSkyLitSkinMeshes = 1;
        o.bDrawn = 1;
        o.bDetailedShadow = 0;
        if (Moving(o))
            o.bDetailedShadowRequest = 1; // once it moved, it keeps asking
        if (DetailedShadowWanted(o, DetailedShadowLimit(o.fRadius)))
        {
            o.bDetailedShadow = 1;
            ++detailed;
            g_Renderer.m_bDetailedShadowMeshes = 1;
        }
    }
    g_EngineObject.m_iDetailedShadowMeshes = detailed;
    g_Console.SetVariable("NumDetailedSkyShadowMeshes", static_cast<float>(detailed), 0);
}

// 5 and 6: the skinned meshes and the lights.
void EEngine::VisibilityOfSkinsAndLights(bool recompute)
{
    DWORD detailed = 0;
    const float dt = g_EngineObject.m_fFrameTime;
    for (int i = FIRST_SKINMESH_SLOT; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = m_Objects[i];
        if (!o.bUsed)
            continue;
        if (o.bHidden || o.bDeletePending)
        {
            o.bVisible = o.bDrawn = 0;
            continue;
        }
        if (o.dwFlags & kLeftAlone)
            continue;
        if (!(o.dwFlags & kShown))
        {
            o.bVisible = o.bDrawn = 0;
            continue;
        }
        o.fSecondTimer -= dt;
        const bool unimportantOff = (o.dwFlags & OF_NOT_IMPORTANT) && !g_Options.DrawNotImportant;
        if (o.Type == OT_LIGHT)
        {
            if (unimportantOff)
                o.bVisible = 0;
            else if (recompute)
                o.bVisible = TestLightVisibility(&o);
        }
        else if (unimportantOff)
            o.bVisible = 0;
        else
        {
            // Between decisions the test keeps the byte, but a skinned mesh
            // that was just made, switched or moved is decided at once.
            o.bVisible = TestObjectVisibility(&o, recompute);
        }
        o.bDrawn = o.bVisible;
        if (o.Type == OT_SKINMESH)
        {
            o.bDetailedShadow = 0;
            o.bDetailedShadowRequest = 1;
            if (o.bVisible)
            {
                g_Renderer.m_bFrameHasSkyLitSkinMeshes = 1;
                if (DetailedShadowWanted(o, kSkinDetailedShadowLimit))
                {
                    o.bDetailedShadow = 1;
                    ++detailed;
                    g_Renderer.m_bDetailedShadowSkinMeshes = 1;
                }
            }
        }
        PrepareObject(&o);
        if (o.fSecondTimer < 0.0f)
            o.fSecondTimer = kSkinTimerPeriod;
    }
    g_EngineObject.m_iDetailedShadowSkins = detailed;
    g_Console.SetVariable("NumDetailedSkyShadowSkinmeshes", static_cast<float>(detailed), 0);
}

// While "DrawPhysics" is on the objects marked for it are drawn instead.
void EEngine::MarkPhysicsObjects()
{
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = m_Objects[i];
        if (!o.bUsed)
            continue;
        o.bVisible = (o.dwFlags & kMarkedForPhysics) ? 1 : 0;
        o.bDrawn = 1;
        if (!o.bVisible)
            continue;
        if (o.Type == OT_MESH)
            g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        else if (o.Type == OT_SKINMESH)
            g_Renderer.m_bFrameHasSkyLitSkinMeshes = 1;
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
