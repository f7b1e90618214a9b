// EEngine: the object operations. Each takes the handle first, does nothing
// (or gives its neutral value) for null, and does only what applies to the
// object's Type.
#include "world/Engine.h"

#include "environment/FxMgr.h"
#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "game/CutScene.h"
#include "game/MainGame.h"
#include "mesh/Mesh.h"
#include "mesh/MeshSocketsMgr.h"
#include "mesh/SkinMesh.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "render/SpriteMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionParams.h"
#include "world/ObjectMgr.h"
#include "world/TrackedAlloc.h"

#include <cstdio>
#include <cstring>

namespace
{
// Level frames after which a physics description creates the body at once.
constexpr DWORD PHYSICS_DESC_BODY_FRAME = 220;
// Level frame from which an attached effect starts at once.
constexpr DWORD FX_START_FRAME = 150;
constexpr size_t TIE_NAME_REPORT_LIMIT = 30;

EMesh* MeshOf(HOBJECT o)
{
    return o->Type == OT_MESH ? static_cast<EMesh*>(o->Object) : nullptr;
}

ESkinMesh* SkinOf(HOBJECT o)
{
    return o->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(o->Object) : nullptr;
}

DWORD Masked(DWORD old, DWORD value, DWORD mask)
{
    return (old & ~mask) | (value & mask);
}

void CopyName(char* out, size_t size, const char* in)
{
    std::snprintf(out, size, "%s", in ? in : "");
}
} // namespace

// ---- Transform ------------------------------------------------------------------------------------

void EEngine::SetObjectPosition(HOBJECT o, const D3DXVECTOR3* position, BYTE keepStart)
{
    if (!o || !position)
        return;
    // A truck follows the ground: its orientation changes with the move.
    if (o->Type == OT_MESH && g_PhysicsMgr.GetTruck(o))
    {
        const EOrientation orientation = o->Orientation;
        SetObjectTransform(o, position, &orientation, keepStart, 1);
        return;
    }
    o->vPosition = *position;
    if (!keepStart)
        o->vStartPosition = *position;
    if (EFxInstance* fx = HeldFx(o))
        fx->m_vPos = fx->m_vAnchor = *position;
    switch (o->Type)
    {
    case OT_MESH:
        if (o->bPlacedObject)
            g_ObjectMgr.SyncPosition(o);
        if (o->pPhysicsBody)
            g_PhysicsMgr.MoveObjectBody(o, position, &o->Orientation);
        if (EMesh* mesh = MeshOf(o))
            mesh->SetPosition(position);
        break;
    case OT_LIGHT:
        o->bLightCacheValid = 0;
        break;
    case OT_SKINMESH:
        if (ESkinMesh* skin = SkinOf(o))
            skin->SetPosition(position);
        break;
    case OT_SPRITE:
        g_SpriteMgr.SetSpritePosition(o, position);
        break;
    default:
        break;
    }
}

void EEngine::SetObjectTransform(HOBJECT o, const D3DXVECTOR3* position, const EOrientation* orientation,
                                 BYTE keepStart, BYTE moveBody)
{
    if (!o || !position || !orientation)
        return;
    // A truck is fitted to the ground first, turning from where it stands now.
    D3DXVECTOR3 fittedPosition;
    EOrientation fittedOrientation;
    if (moveBody && o->Type == OT_MESH && g_PhysicsMgr.GetTruck(o))
    {
        fittedPosition = *position;
        fittedOrientation = *orientation;
        g_PhysicsMgr.DriveTruck(o, &fittedPosition, &fittedOrientation);
        position = &fittedPosition;
        orientation = &fittedOrientation;
    }
    o->vPosition = *position;
    if (!keepStart)
        o->vStartPosition = *position;
    o->Orientation = *orientation;
    if (EFxInstance* fx = HeldFx(o))
        fx->m_vPos = fx->m_vAnchor = *position;
    switch (o->Type)
    {
    case OT_MESH:
        if (o->bPlacedObject)
        {
            g_ObjectMgr.SyncPosition(o);
            g_ObjectMgr.SyncOrientation(o);
        }
        if (moveBody && o->pPhysicsBody)
            g_PhysicsMgr.MoveObjectBody(o, position, orientation);
        if (EMesh* mesh = MeshOf(o))
            mesh->SetTransform(position, orientation);
        for (HOBJECT light : o->apLights)
            if (light)
                light->bLightCacheValid = 0;
        if (moveBody && o->pPhysicsBody)
            g_PhysicsMgr.UpdateTruckWheels(o);
        break;
    case OT_LIGHT:
        o->bLightCacheValid = 0;
        break;
    case OT_SKINMESH:
        if (ESkinMesh* skin = SkinOf(o))
        {
            skin->SetPosition(position);
            skin->SetOrientation(orientation);
        }
        break;
    case OT_SPRITE:
        g_SpriteMgr.SetSpritePosition(o, position);
        g_SpriteMgr.SetSpriteOrientation(o, orientation);
        break;
    default:
        break;
    }
}

void EEngine::SetObjectRotation(HOBJECT o, const EOrientation* orientation)
{
    if (!o || !orientation)
        return;
    o->Orientation = *orientation;
    switch (o->Type)
    {
    case OT_MESH:
        if (o->pPhysicsBody)
            g_PhysicsMgr.MoveObjectBody(o, &o->vPosition, orientation);
        if (o->bPlacedObject)
            g_ObjectMgr.SyncOrientation(o);
        if (EMesh* mesh = MeshOf(o))
            mesh->SetRotation(orientation);
        break;
    case OT_LIGHT:
        o->bLightCacheValid = 0;
        break;
    case OT_SPRITE:
        g_SpriteMgr.SetSpriteOrientation(o, orientation);
        break;
    case OT_SKINMESH:
        if (ESkinMesh* skin = SkinOf(o))
            skin->SetOrientation(orientation);
        break;
    default:
        break;
    }
}

void EEngine::GetObjectPosition(HOBJECT o, D3DVECTOR* out)
{
    if (!o || !out)
        return;
    if (ESkinMesh* skin = SkinOf(o))
        skin->GetPosition(&o->vPosition);
    else if (o->Type == OT_SPRITE)
        ESpriteMgr::GetSpritePosition(o, &o->vPosition);
    *out = o->vPosition;
}

void EEngine::GetObjectOrientation(HOBJECT o, EOrientation* out)
{
    if (!o || !out)
        return;
    if (EMesh* mesh = MeshOf(o))
        mesh->GetOrientation(out);
    else if (o->Type == OT_SPRITE && o->pSprite)
        ESpriteMgr::GetSpriteOrientation(o, out);
    else if (ESkinMesh* skin = SkinOf(o))
        skin->GetOrientation(out);
}

void EEngine::SetObjectScale(HOBJECT o, const D3DXVECTOR3* scale)
{
    if (!o || !scale)
        return;
    if (EMesh* mesh = MeshOf(o))
        mesh->SetScale(scale);
    else if (o->Type == OT_SPRITE)
        ESpriteMgr::SetSpriteScale(o, scale);
    else if (ESkinMesh* skin = SkinOf(o))
        skin->SetScale(scale);
    if (o->bPlacedObject)
        g_ObjectMgr.SyncScale(o);
}

void EEngine::GetObjectScale(HOBJECT o, D3DXVECTOR3* out)
{
    if (!o || !out)
        return;
    if (EMesh* mesh = MeshOf(o))
        mesh->GetScale(out);
    else if (o->Type == OT_SPRITE && o->pSprite)
    {
        // A sprite has a width and a height.
        D3DXVECTOR3 size = *out;
        ESpriteMgr::GetSpriteScale(o, &size);
        out->x = size.x;
        out->y = size.y;
    }
    else if (ESkinMesh* skin = SkinOf(o))
        skin->GetScale(out);
}

void EEngine::SetLightRange(HOBJECT o, float range)
{
    if (!o || o->Type != OT_LIGHT)
        return;
    o->fRadius = range;
    o->bLightCacheValid = 0;
}

// ---- Flags ------------------------------------------------------------------------------------------

void EEngine::SetObjectFlags(HOBJECT o, DWORD value, DWORD mask)
{
    if (!o)
        return;
    const DWORD old = o->dwFlags;
    o->dwFlags = Masked(old, value, mask);
    o->bFlag0 = static_cast<BYTE>(o->dwFlags & OF_PHYSICS);
    if (EMesh* mesh = MeshOf(o); mesh && !(old & OF_REFRESH_MESH) && (o->dwFlags & OF_REFRESH_MESH))
        mesh->RefreshTransform();
    if (o->Type == OT_SPRITE)
        g_SpriteMgr.SetSpriteFlags(o, o->dwFlags);
    g_IntersectSegment.RefreshObject(o);
    if (o->bPlacedObject)
        g_ObjectMgr.SyncFlags(o);
}

DWORD EEngine::GetObjectFlags(HOBJECT o)
{
    return o ? o->dwFlags : 0;
}

void EEngine::SetObjectFlags2(HOBJECT o, DWORD value, DWORD mask)
{
    if (!o)
        return;
    o->dwFlags2 = Masked(o->dwFlags2, value, mask);
    if (o->Type == OT_SPRITE)
        g_SpriteMgr.SetSpriteFlags2(o, o->dwFlags2);
    g_IntersectSegment.RefreshObject(o);
    if (o->bPlacedObject)
        g_ObjectMgr.SyncFlags2(o);
}

DWORD EEngine::GetObjectFlags2(HOBJECT o)
{
    return o ? o->dwFlags2 : 0;
}

HOBJECT EEngine::SetObjectFlags3(HOBJECT o, DWORD value, DWORD mask)
{
    if (o)
        o->dwFlags3 = Masked(o->dwFlags3, value, mask);
    return o;
}

DWORD EEngine::GetObjectFlags3(HOBJECT o)
{
    return o ? o->dwFlags3 : 0;
}

void EEngine::SetObjectDisappearRange(HOBJECT o, int range)
{
    if (o)
        o->iDisappearRange = range;
}

int EEngine::GetObjectDisappearRange(HOBJECT o)
{
    return o ? o->iDisappearRange : 0;
}

// ---- Animation --------------------------------------------------------------------------------------

bool EEngine::SetObjectAnimation(HOBJECT o, const char* name, BYTE loop, float blendTime, float speed)
{
    if (!o || !name)
        return false;
    ESkinMesh* skin = SkinOf(o);
    if (!skin || !skin->HasAnimation(name))
        g_Console.Print3(o->szName, " - NO ANIMATION ", name);
    CopyName(o->szAnimation, sizeof o->szAnimation, name);
    o->bAnimationLoop = loop;
    if (skin)
    {
        // Cut-scenes cut from pose to pose.
        if (g_CutScene.m_bPlaying)
            blendTime = 0.0f;
        skin->SetAnimation(0, name, loop, blendTime, speed);
    }
    return false;
}

bool EEngine::SetSkinMeshAnimation(HOBJECT o, const char* name, BYTE flag, float speed)
{
    if (!o || !name)
        return false;
    CopyName(o->szAnimation, sizeof o->szAnimation, name);
    o->bAnimationLoop = flag;
    if (ESkinMesh* skin = SkinOf(o))
        skin->SetAnimation(1, name, flag, 0.0f, speed);
    return false;
}

bool EEngine::SetSkinMeshAnimationSlot2(HOBJECT o, const char* name, BYTE flag, float speed)
{
    if (!o || !name)
        return false;
    CopyName(o->szAnimation, sizeof o->szAnimation, name);
    o->bAnimationLoop = flag;
    if (ESkinMesh* skin = SkinOf(o))
        skin->SetAnimation(2, name, flag, 0.0f, speed);
    return false;
}

bool EEngine::SetObjectFaceAnimation(HOBJECT, const char*, BYTE, float)
{
    return false;
}

bool EEngine::IsObjectHit(HOBJECT)
{
    return false;
}

bool EEngine::CanAnimationBeInterrupted(HOBJECT o)
{
    ESkinMesh* skin = o ? SkinOf(o) : nullptr;
    return skin ? skin->CanAnimationBeInterrupted() : true;
}

bool EEngine::HasAnimation(HOBJECT o, const char* name)
{
    if (!o)
        return false;
    ESkinMesh* skin = SkinOf(o);
    if (o->Type != OT_SKINMESH)
        return true;
    return skin && name && skin->HasAnimation(name);
}

bool EEngine::GetSkinMeshNodePosition(HOBJECT o, const char* node, D3DXVECTOR3* out)
{
    ESkinMesh* skin = o ? SkinOf(o) : nullptr;
    return skin && node && out && skin->GetNodePosition(node, out);
}

void EEngine::UpdateSkinMeshNodes(HOBJECT o)
{
    if (ESkinMesh* skin = o ? SkinOf(o) : nullptr)
        skin->UpdateNodes();
}

// ---- Physics hand-over ------------------------------------------------------------------------------

void EEngine::SetObjectPhysicsDesc(HOBJECT o, const EPhysicsDesc* desc)
{
    EMesh* mesh = o ? MeshOf(o) : nullptr;
    if (!mesh || !desc)
        return;
    mesh->SetPhysicsDesc(desc);
    if (g_MainGame.m_iLevelFrame > PHYSICS_DESC_BODY_FRAME && !o->pPhysicsBody && !o->bSaved)
        g_PhysicsMgr.CreateObjectBody(o, desc);
}

void EEngine::GetObjectPhysicsDesc(HOBJECT o, EPhysicsDesc* out)
{
    EMesh* mesh = o ? MeshOf(o) : nullptr;
    if (mesh && out)
        mesh->GetPhysicsDesc(out);
}

void EEngine::PutForceToObject(HOBJECT o, const D3DXVECTOR3* force, float)
{
    if (!o || !o->bUsed || !force)
        return;
    if (!o->pPhysicsBody)
    {
        EPhysicsDesc desc;
        if (EMesh* mesh = MeshOf(o))
        {
            mesh->GetPhysicsDesc(&desc);
            g_PhysicsMgr.CreateObjectBody(o, &desc);
        }
    }
    if (!o->pPhysicsBody)
    {
        if (g_Options.Debug)
            g_Console.Print3("PutForceToObject: ", o->szName, " nie ma fizyki!");
        return;
    }
    if (g_Options.Debug)
        g_Console.Print2("PutForceToObject ", o->szName);
    g_PhysicsMgr.PushObject(o, force);
}

void EEngine::RemoveObjectBody(HOBJECT o)
{
    if (!o)
        return;
    g_PhysicsMgr.RemoveObjectBody(o);
    o->pPhysicsBody = nullptr;
}

void EEngine::SetObjectPathGenParams(HOBJECT o, const float values[5])
{
    if (EMesh* mesh = o ? MeshOf(o) : nullptr; mesh && values)
        mesh->SetPathGenParams(values);
}

void EEngine::GetObjectPathGenParams(HOBJECT o, float values[5])
{
    if (EMesh* mesh = o ? MeshOf(o) : nullptr; mesh && values)
        mesh->GetPathGenParams(values);
}

// ---- Sub-records --------------------------------------------------------------------------------------

void EEngine::SetObjectDeathParams(HOBJECT o, const EDeathParams* params)
{
    if (!o)
        return;
    if (!params || !params->bEnabled)
    {
        DeleteTracked(o->pDeathParams, TAG_DEATH);
        return;
    }
    if (!o->pDeathParams)
        o->pDeathParams = NewTracked<EDeathParams>(TAG_DEATH);
    *o->pDeathParams = *params;
    o->fHealth = params->fHitPoints;
}

void EEngine::GetObjectDeathParams(HOBJECT o, EDeathParams* out)
{
    if (!o || !out)
        return;
    if (o->pDeathParams)
        *out = *o->pDeathParams;
    else
        out->Reset();
}

void EEngine::SetObjectActionParams(HOBJECT o, const EObjectActionParams* params)
{
    if (!o)
        return;
    if (!params || !params->dwEnabled)
    {
        DeleteTracked(o->pActionParams, TAG_ACTION);
        return;
    }
    if (!o->pActionParams)
        o->pActionParams = NewTracked<EObjectActionParams>(TAG_ACTION);
    *o->pActionParams = *params;
}

void EEngine::GetObjectActionParams(HOBJECT o, EObjectActionParams* out)
{
    if (!o || !out)
        return;
    if (o->pActionParams)
        *out = *o->pActionParams;
    else
        out->Reset();
}

void EEngine::SetObjectRoadParams(HOBJECT o, const ERoadParams* params)
{
    if (!o || !o->bUsed)
        return;
    if (!params)
    {
        DeleteTracked(o->pRoadParams, TAG_ROAD);
        return;
    }
    if (!o->pRoadParams)
        o->pRoadParams = NewTracked<ERoadParams>(TAG_ROAD);
    *o->pRoadParams = *params;
}

ERoadParams* EEngine::GetObjectRoadParams(HOBJECT o)
{
    return o && o->bUsed ? o->pRoadParams : nullptr;
}

void EEngine::SetObjectTexturePaint(HOBJECT o, const ETexturePaintParams* params)
{
    if (!o)
        return;
    if (!params)
    {
        DeleteTracked(o->pTexturePaint, TAG_TEXTURE_PAINT);
        return;
    }
    if (!o->pTexturePaint)
        o->pTexturePaint = NewTracked<ETexturePaintParams>(TAG_TEXTURE_PAINT);
    *o->pTexturePaint = *params;
    if (EMesh* mesh = MeshOf(o))
        mesh->ClearTexturePaintState();
}

bool EEngine::GetObjectTexturePaint(HOBJECT o, ETexturePaintParams* out)
{
    if (!o || !o->pTexturePaint)
        return false;
    if (out)
        *out = *o->pTexturePaint;
    return true;
}

void EEngine::SetObjectBlinking(HOBJECT o, const EBlinkingParams* params)
{
    if (!o)
        return;
    if (!params)
    {
        DeleteTracked(o->pBlinking, TAG_BLINKING);
        return;
    }
    if (!o->pBlinking)
        o->pBlinking = NewTracked<EBlinkingParams>(TAG_BLINKING);
    *o->pBlinking = *params;
}

bool EEngine::GetObjectBlinking(HOBJECT o, EBlinkingParams* out)
{
    if (!o || !o->pBlinking)
        return false;
    if (out)
        *out = *o->pBlinking;
    return true;
}

void EEngine::SetObjectLightControl(HOBJECT o, const ELightControlParams* params)
{
    if (!o || o->Type == OT_LIGHT)
        return;
    if (!params || !params->bEnabled)
    {
        DeleteTracked(o->pLightControl, TAG_LIGHT_CONTROL);
        LinkControlledLights(o);
        return;
    }
    if (!o->pLightControl)
        o->pLightControl = NewTracked<ELightControlParams>(TAG_LIGHT_CONTROL);
    *o->pLightControl = *params;
    LinkControlledLights(o);
}

void EEngine::GetObjectLightControl(HOBJECT o, ELightControlParams* out)
{
    if (!o || !out)
        return;
    if (o->pLightControl)
        *out = *o->pLightControl;
    else
        out->Reset();
}

void EEngine::SetObjectSound(HOBJECT o, const char* file, float value, const char* condition, BYTE looping)
{
    if (!o)
        return;
    if (o->pSound)
    {
        g_SoundMgr.StopSound(o->pSound->pSound);
        g_SoundMgr.DeleteSound(o->pSound->pSound);
        DeleteTracked(o->pSound, TAG_SOUND);
    }
    if (!file || !file[0])
        return;
    o->pSound = NewTracked<EObjectSound>(TAG_SOUND);
    CopyName(o->pSound->szFile, sizeof o->pSound->szFile, file);
    o->pSound->fValue = value;
    CopyName(o->pSound->szCondition, sizeof o->pSound->szCondition, condition);
    o->pSound->bLooping = looping;
}

void EEngine::GetObjectSound(HOBJECT o, char* file, float* value, char* condition)
{
    if (!o)
        return;
    const EObjectSound* s = o->pSound;
    if (file)
        CopyName(file, OBJECT_SOUND_FILE_SIZE, s ? s->szFile : "");
    if (condition)
        CopyName(condition, OBJECT_SOUND_CONDITION_SIZE, s ? s->szCondition : "");
    if (value)
        *value = s ? s->fValue : 0.0f;
}

void EEngine::SetObjectFx(HOBJECT o, const char* name)
{
    if (!o)
        return;
    if (!name || !name[0])
    {
        if (EFxInstance* fx = HeldFx(o))
            g_FxMgr.ReleaseFx(fx);
        o->pFx = nullptr;
        DeleteTrackedName(o->pFxName, TAG_FX_NAME);
        return;
    }
    if (std::strlen(name) >= static_cast<size_t>(OBJECT_FX_NAME_SIZE))
        g_Console.Print2("ERROR in EEngine::SetObjectFx(): effect name too long, cut: ", name);
    if (!o->pFxName)
        o->pFxName = NewTrackedName(OBJECT_FX_NAME_SIZE, TAG_FX_NAME);
    CopyName(o->pFxName, OBJECT_FX_NAME_SIZE, name);
    if (g_MainGame.m_iLevelFrame < FX_START_FRAME)
        return;
    if (EFxInstance* fx = HeldFx(o))
        g_FxMgr.ReleaseFx(fx);
    o->pFx = g_FxMgr.CreateFxByName(o->pFxName, &o->vPosition, &o->Orientation);
    o->iFxStart = o->pFx ? o->pFx->m_iStart : 0;
}

EFxInstance* EEngine::HeldFx(HOBJECT o)
{
    if (!o || !o->pFx)
        return nullptr;
    if (!o->pFx->m_bActive || o->pFx->m_iStart != o->iFxStart)
    {
        o->pFx = nullptr;
        o->iFxStart = 0;
    }
    return o->pFx;
}

void EEngine::SetObjectBushSound(HOBJECT o, const char* file, float range)
{
    if (EMesh* mesh = o ? MeshOf(o) : nullptr)
        mesh->SetBushSound(file, range);
}

void EEngine::SetPendingTie(HOBJECT o, const char* socket, const char* target)
{
    if (!o)
        return;
    if (!o->pPendingTieSocket)
        o->pPendingTieSocket = NewTrackedName(OBJECT_TIE_NAME_SIZE, TAG_TIE_SOCKET);
    if (!o->pPendingTieObject)
        o->pPendingTieObject = NewTrackedName(OBJECT_TIE_NAME_SIZE, TAG_TIE_OBJECT);
    CopyName(o->pPendingTieSocket, OBJECT_TIE_NAME_SIZE, socket);
    CopyName(o->pPendingTieObject, OBJECT_TIE_NAME_SIZE, target);
}

BYTE EEngine::GetTieInfo(HOBJECT o, char* socket, char* target)
{
    if (!o)
        return 0;
    if (std::strlen(o->szTieSocket) > TIE_NAME_REPORT_LIMIT)
        g_Console.Print("!!! 3");
    if (std::strlen(o->szTieObject) > TIE_NAME_REPORT_LIMIT)
        g_Console.Print("!!! 4");
    if (socket)
        CopyName(socket, OBJECT_TIE_NAME_SIZE, o->szTieSocket);
    if (target)
        CopyName(target, OBJECT_TIE_NAME_SIZE, o->szTieObject);
    return o->bTied;
}

// ---- Bezier movement --------------------------------------------------------------------------------

void EEngine::SetObjectBezierFollowState(HOBJECT o, const BezierFollowState* state)
{
    if (o && state && o->pBezierFollow)
        *o->pBezierFollow = *state;
}

void EEngine::GetObjectBezierFollowState(HOBJECT o, BezierFollowState* out)
{
    if (o && out && o->pBezierFollow)
        *out = *o->pBezierFollow;
}

void EEngine::StartBezierMoving(HOBJECT o)
{
    if (!o || !o->pBezierFollow || !o->pBezierMove || !o->pBezierFollow->szStartNode[0])
        return;
    BezierMoveState& move = *o->pBezierMove;
    move.Reset();
    BezierNode* node = g_BezierMgr.FindPath(o->pBezierFollow->szStartNode);
    if (!node)
    {
        char line[256];
        g_Console.Print("ERROR with Bezier Moving: Start node doesn't exist!");
        std::snprintf(line, sizeof line, "object name: %s", o->szName);
        g_Console.Print(line);
        std::snprintf(line, sizeof line, "bad node name: %s", o->pBezierFollow->szStartNode);
        g_Console.Print(line);
        return;
    }
    move.qRotation = o->Orientation.Quaternion;
    move.Orientation = o->Orientation;
    move.bActive = 1;
    move.bRunning = o->pBezierFollow->bStopAtBlockers;
    move.iNode = move.iNextNode = static_cast<DWORD>(node->nr);
    g_BezierMgr.EnterNode(o, node);
}

void EEngine::StopBezierMoving(HOBJECT o)
{
    if (o && o->pBezierMove)
        o->pBezierMove->bActive = 0;
}

bool EEngine::IsMovingOnBezier(HOBJECT o)
{
    return o && o->pBezierMove && o->pBezierMove->bActive;
}

void EEngine::SetBezierSpeedMode1(HOBJECT o, double target)
{
    if (o && o->pBezierMove)
    {
        o->pBezierMove->iSpeedMode = 1;
        o->pBezierMove->dTargetSpeed = target;
    }
}

void EEngine::SetBezierSpeedMode2(HOBJECT o, double target)
{
    if (o && o->pBezierMove)
    {
        o->pBezierMove->iSpeedMode = 2;
        o->pBezierMove->dTargetSpeed = target;
    }
}

void EEngine::SetBezierPaused(HOBJECT o, BYTE paused)
{
    if (o && o->pBezierMove)
        o->pBezierMove->bRunning = paused ? 0 : 1;
}

// ---- Sprites, sockets, actions, look -------------------------------------------------------------

void EEngine::SetSpriteColor(HOBJECT o, DWORD color)
{
    if (o && o->Type == OT_SPRITE)
        g_SpriteMgr.SetSpriteColor(o, color);
}

void EEngine::SetSpriteColorF(HOBJECT o, float a, float b, float c, float d)
{
    // Values outside 0 to 1 (script arithmetic overshooting) are held at the
    // ends: wrapped into the byte, 1.2 would come out nearly dark.
    auto channel = [](float v) -> DWORD
    {
        if (!(v > 0.0f))
            return 0;
        if (v >= 1.0f)
            return 255;
        return static_cast<DWORD>(v * 255.0f);
    };
    SetSpriteColor(o, channel(a) << 24 | channel(b) << 16 | channel(c) << 8 | channel(d));
}

bool EEngine::GetObjectSocket(HOBJECT o, const char* socket, D3DXMATRIX* out, EOrientation* orientation,
                              MeshSocketRef* ref)
{
    if (!o || !socket || !out)
        return false;
    if (o->Type == OT_MESH)
    {
        D3DXVECTOR3 position;
        const bool found = g_MeshSockets.GetSocket(o, socket, &position, ref);
        if (found)
            D3DXMatrixTranslation(out, position.x, position.y, position.z);
        if (orientation)
            *orientation = o->Orientation;
        return found;
    }
    if (ESkinMesh* skin = SkinOf(o))
    {
        if (!skin->GetSocket(socket, out))
            return false;
        // The socket's own turn (its node's axes and the socket's angles).
        if (orientation)
            skin->GetSocketMatrix(socket, nullptr, orientation);
        return true;
    }
    return false;
}

void EEngine::RunActions(HOBJECT o, int argument)
{
    if (o)
        g_EngineObject.RunActions(o, argument);
}

void EEngine::RunObjectAction(const char* name, BYTE)
{
    HOBJECT o = FindObject(name, 1);
    if (!o)
    {
        if (g_Options.Debug)
            g_Console.Print2("EEngine chce akcje, ale nie znaleziono obiektu ", name ? name : "");
        return;
    }
    if (g_Options.Debug)
        g_Console.Print2("EEngine: Odpalam akcje na ", name);
    RunActions(o, 0);
}

void EEngine::ForceCameraToLook(HOBJECT from, HOBJECT at)
{
    if (g_Options.Debug > 2)
    {
        g_Console.Print("EEngine::ForceCameraToLook");
        if (from)
            g_Console.Print("Jest from");
        if (at)
            g_Console.Print("Jest at");
    }
    // Through SetObjectFlags, so the flag byte, the sprite and placed-object
    // copies and the segment-test state follow the word.
    constexpr DWORD kWholeWord = 0xFFFFFFFF;
    if (m_pLookFrom && m_pLookFrom->bUsed)
        SetObjectFlags(m_pLookFrom, m_dwLookFromFlags, kWholeWord);
    m_pLookFrom = from;
    m_pLookAt = at;
    if (from)
    {
        m_dwLookFromFlags = from->dwFlags;
        SetObjectFlags(from, OF_NO_SEGMENT, kWholeWord);
        g_Camera.StartLookFrom(from);
        g_Camera.SetPosition(&from->vPosition);
    }
    else
        g_Camera.EndLook();
}
