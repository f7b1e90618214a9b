// EFxMgr: the frame update of the live effects: following objects and
// sockets, moving, accelerating, growing, hurting, starting their timed
// children and ending.
#include "environment/FxMgr.h"

#include "environment/FxHelpers.h"
#include "environment/FxServices.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/Engine.h"

#include <algorithm>

namespace
{
constexpr DWORD kMinFrames = 3;
constexpr float kBelowCameraGap = 1.0f;
constexpr float kDisappearMin = 1.0f;
constexpr float kHurtRange = 3.0f;
constexpr float kHurtRangeCrouched = 2.0f;
constexpr float kNearObjectRange = 512.0f;
// Growth is exponential; sizes are held below this so they stay finite.
constexpr float kMaxScale = 1.0e6f;

D3DXVECTOR3 ObjectPosition(HOBJECT o)
{
    return o->vPosition;
}
} // namespace

void EFxMgr::Update()
{
    if (!g_Options.DrawFX || g_Menu.m_bMenuActive)
        return;
    m_fFrameTime = g_Options.UpdateModels ? g_Engine.m_fDeltaTime : 0.0f;
    m_bSparksLive = 0;
    m_iDrawnCount = 0;
    m_iEvictableCount = 0;
    for (EFxSpriteBatch& b : m_Batches)
        b.m_iCount = 0;
    for (EFxInstance& fx : m_Fx)
    {
        if (!fx.m_bActive)
            continue;
        UpdateFx(&fx);
        if (!fx.m_bActive)
            continue;
        if (fx.m_fLifeTotal >= 0.0f)
        {
            fx.m_fLifeLeft -= m_fFrameTime;
            if (fx.m_fLifeLeft <= 0.0f && fx.m_iFrames >= kMinFrames)
            {
                ReleaseFx(&fx);
                continue;
            }
        }
        ++fx.m_iFrames;
        ++m_iDrawnCount;
        if (fx.m_bEvictable)
            ++m_iEvictableCount;
    }
    if (m_bSparksLive)
        BuildSparks();
    else
        m_iSparkCount = 0;
    RefillFreeList();
}

bool EFxMgr::ChildrenHeldBack(const EFxInstance* fx) const
{
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    const float farPlane = g_Camera.GetFarPlane();
    if (fx->m_hObject)
    {
        const float d = fx::Length(ObjectPosition(fx->m_hObject) - camera);
        return d > farPlane || (d > kNearObjectRange && !FxObjectSeenFromAfar(fx->m_hObject));
    }
    return fx->m_fCameraDistance > farPlane ||
           (fx->m_fDisappearDistance > kDisappearMin && fx->m_fCameraDistance > fx->m_fDisappearDistance);
}

EFxInstance* EFxMgr::PlaceChild(const EFxInstance* parent, EFxDef* s)
{
    if (parent->m_hObject && s->Move)
    {
        const float d = fx::Length(s->Pos);
        if (d != 0.0f)
        {
            EOrientation o = fx::Facing(s->Pos);
            o.Multiply(&parent->m_hObject->Orientation.Quaternion);
            s->Pos = o.Forward * d;
        }
    }
    if (s->Move || !parent->m_hObject)
        s->Pos += parent->m_vPos;
    s->Orientation = parent->m_Orientation;
    if (parent->m_hObject)
        return CreateFx(s, parent->m_hObject, parent->m_szSocket[0] ? parent->m_szSocket : nullptr,
                        parent->m_bUserFlag);
    return CreateFx(s, nullptr, nullptr, 0);
}

void EFxMgr::Hurt(EFxInstance* fx)
{
    const float dt = m_fFrameTime;
    const float amount = -(dt * fx->m_fHurtPlayer);
    const D3DXVECTOR3 player(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    const float range = FxPlayerCrouching() ? kHurtRangeCrouched : kHurtRange;
    if (fx::Length(fx->m_vPos - player) < range)
        FxChangePlayerHealth(amount);
    const int high = std::min(g_Engine.GetHighWaterMark(OT_MESH), MAX_MESH_OBJECTS);
    for (int i = FIRST_MESH_SLOT; i < high; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (!o.bUsed || o.Type != OT_MESH || !o.pDeathParams || !o.pDeathParams->bEnabled ||
            !o.pDeathParams->bExplosions)
            continue;
        if (fx::Length(o.vPosition - fx->m_vPos) <= o.fRadius)
            FxChangeObjectHealth(&o, amount);
    }
}

void EFxMgr::UpdateFx(EFxInstance* fx)
{
    if (!fx || !fx->m_bActive)
        return;
    const float dt = m_fFrameTime;
    if (fx->m_iType == FX_BULLET || fx->m_iType == FX_SPARK)
        m_bSparksLive = 1;
    if (!fx->m_bStarted)
        StartFxPhysics(fx);
    if (fx->m_hObject && !fx->m_hObject->bUsed)
        fx->m_hObject = nullptr;
    // The same for the effect's own mesh, should something have deleted it.
    if (fx->m_hMesh && !fx->m_hMesh->bUsed)
        fx->m_hMesh = nullptr;
    if (fx->m_bUseRotation)
    {
        fx->m_vAimUp = fx->m_Orientation.Up;
        fx->m_vAimRight = fx->m_Orientation.Right;
        fx->m_vAimForward = fx->m_Orientation.Forward;
    }
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    fx->m_fCameraDistance = fx::Length(fx->m_vAnchor - camera);
    const float farPlane = g_Camera.GetFarPlane();
    fx->m_fVisibleDistance = farPlane;
    if (fx->m_fDisappearDistance > kDisappearMin && fx->m_fDisappearDistance < farPlane)
        fx->m_fVisibleDistance = fx->m_fDisappearDistance;
    if (fx->m_bBelowCamera && fx->m_vPos.y > camera.y - kBelowCameraGap)
        fx->m_vPos.y = camera.y - kBelowCameraGap;

    // A life of 0 is used up from the start (its fraction would be 0 / 0).
    fx->m_fLifeFraction = fx->m_fLifeTotal != 0.0f ? fx->m_fLifeLeft / fx->m_fLifeTotal : 0.0f;
    bool afterPending = false;
    for (const EFxDef* after : fx->m_pAfterDef)
        afterPending = afterPending || after;
    fx->m_bEvictable = (fx->m_iType != FX_BULLET && !fx->m_bRocket && !fx->m_bGrenade &&
                        fx->m_fLifeTotal > 0.0f && !afterPending)
                           ? 1
                           : 0;
    if (fx->m_fCameraDistance > fx->m_fVisibleDistance && !fx->m_bRocket && !fx->m_bGrenade &&
        fx->m_bEvictable)
    {
        ReleaseFx(fx);
        return;
    }
    if (fx->m_bFire)
        UpdateFireSound(fx);

    if (fx->m_hObject && !fx->m_bMove && fx->m_bUserFlag)
    {
        D3DXVECTOR3 p = ObjectPosition(fx->m_hObject);
        if (fx->m_szSocket[0])
        {
            D3DXMATRIX m;
            D3DXMatrixTranslation(&m, p.x, p.y, p.z);
            if (g_Engine.GetObjectSocket(fx->m_hObject, fx->m_szSocket, &m, nullptr))
                p = D3DXVECTOR3(m._41, m._42, m._43);
            else
                g_Console.Print2("FX nie czyta socketa ", fx->m_szSocket);
        }
        if (fx->m_hMesh)
            g_Engine.SetObjectPosition(fx->m_hMesh, &p, 0);
        else
            fx->m_vAnchor = p;
    }

    if ((fx->m_bRocket && UpdateRocket(fx)) || (fx->m_bGrenade && UpdateGrenade(fx)) ||
        (fx->m_bBomb && UpdateBomb(fx)))
    {
        ReleaseFx(fx);
        return;
    }
    if (fx->m_iType == FX_SHELL)
    {
        UpdateShell(fx);
        return;
    }

    const bool moving = fx->m_bMove && !fx->m_bApplyPhysics;
    if (moving)
    {
        if (fx->m_fAccelerateCoef != 0.0f)
        {
            fx->m_fAccelerateAfter -= dt;
            if (fx->m_fAccelerateAfter <= 0.0f)
            {
                fx->m_fAccelerateAfter = 0.0f;
                fx->m_fAccelerateFor -= dt;
                if (fx->m_fAccelerateFor > 0.0f)
                {
                    const float speed = fx::Length(fx->m_vVel) - dt * fx->m_fAccelerateCoef;
                    fx->m_vVel =
                        speed > 0.0f ? fx::Normalised(fx->m_vVel) * speed : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
                }
                else
                    fx->m_fAccelerateCoef = 0.0f;
            }
        }
        fx->m_vHistory[2] = fx->m_vHistory[1];
        fx->m_vHistory[1] = fx->m_vHistory[0];
        fx->m_vHistory[0] = fx->m_vPos;
        const D3DXVECTOR3 forward = fx::Normalised(fx->m_vPos - fx->m_vHistory[1]);
        const EOrientation o = fx::Facing(forward);
        fx->m_vAimForward = forward;
        fx->m_vAimRight = o.Right;
        fx->m_vAimUp = o.Up;
        if (fx->m_iType == FX_BULLET)
        {
            if (UpdateBullet(fx))
            {
                ReleaseFx(fx);
                return;
            }
        }
        else if (fx->m_iType == FX_BLOODDROP)
        {
            if (UpdateBloodDrop(fx))
            {
                ReleaseFx(fx);
                return;
            }
        }
        else
        {
            fx->m_vVel.y -= fx->m_fGravity * dt;
            fx->m_vPos += fx->m_vVel * dt;
            fx->m_vAnchor = fx->m_vPos;
        }
    }

    if (fx->m_fHurtPlayer != 0.0f)
        Hurt(fx);
    if (fx->m_bSpinning)
        UpdateSpin(fx);
    if (fx->m_bLightSprite)
        UpdateLightSprite(fx);
    if (moving)
    {
        if (fx->m_hMesh)
            g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
        else
            fx->m_vAnchor = fx->m_vPos;
    }
    if (fx->m_fGrow != 0.0f)
    {
        const float g = dt * fx->m_fGrow;
        fx->m_vScale.x = std::clamp(fx->m_vScale.x + fx->m_vScale.x * g, -kMaxScale, kMaxScale);
        fx->m_vScale.y = std::clamp(fx->m_vScale.y + fx->m_vScale.y * g, -kMaxScale, kMaxScale);
        fx->m_vScale.z = std::clamp(fx->m_vScale.z + fx->m_vScale.z * g, -kMaxScale, kMaxScale);
        if (fx->m_hMesh)
            g_Engine.SetObjectScale(fx->m_hMesh, &fx->m_vScale);
        fx->m_vDrawScale = fx->m_vScale;
    }

    if (ChildrenHeldBack(fx))
        return;
    for (DWORD k = 0; k < fx->m_iEveryCount && k < static_cast<DWORD>(FX_CHILDREN); ++k)
    {
        if (!fx->m_pEveryDef[k])
            continue;
        fx->m_fEveryTimer[k] += dt;
        if (fx->m_fEveryTimer[k] < fx->m_fEveryTime[k])
            continue;
        fx->m_fEveryTimer[k] = -RandomFloat(fx->m_fEveryRand[k]);
        m_EveryDef = *fx->m_pEveryDef[k];
        // A child may have taken this effect's slot when the pool was full.
        if (PlaceChild(fx, &m_EveryDef) == fx)
            return;
    }
    for (DWORD k = 0; k < fx->m_iAfterCount && k < static_cast<DWORD>(FX_CHILDREN); ++k)
    {
        if (!fx->m_pAfterDef[k])
            continue;
        fx->m_fAfterTime[k] -= dt;
        if (fx->m_fAfterTime[k] > 0.0f)
            continue;
        m_AfterDef = *fx->m_pAfterDef[k];
        fx->m_pAfterDef[k] = nullptr;
        if (PlaceChild(fx, &m_AfterDef) == fx)
            return;
    }
}
