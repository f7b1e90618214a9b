// EFxMgr: the pool of live effects, the ways to start one and to end it, and
// the level and device life cycle.
#include "environment/FxMgr.h"

#include "environment/FxHelpers.h"
#include "environment/FxServices.h"
#include "game/MainGame.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Engine.h"

#include <algorithm>
#include <cstring>

EFxMgr FX;

namespace
{
// A start whose definition may be replaced by a fresher one when the pool is full.
constexpr float kEvictableFraction = 1.1f;
constexpr float kMinEveryPeriod = 0.02f;
constexpr float kMinAnimFps = 0.0001f;
constexpr float kNoAnimFrameTime = 30.0f;
constexpr float kAnimFrames = 64.0f;
constexpr DWORD kExplosionFrames = 200;
constexpr float kExplosionPowerMin = 0.001f;
constexpr float kExplosionSoundDistance = 1000.0f;
constexpr const char* kExplosionSounds[] = {
    "sounds\\weapons\\exp1.wav", "sounds\\weapons\\exp2.wav", "sounds\\weapons\\exp3.wav",
    "sounds\\weapons\\exp4.wav", "sounds\\weapons\\exp5.wav",
};
constexpr int kExplosionSoundCount = sizeof kExplosionSounds / sizeof kExplosionSounds[0];
constexpr DWORD kMeshFlags = 0x100081;
constexpr DWORD kMeshFlags2 = 0x18010020;
constexpr DWORD kShellFlags2 = 0x100020;
constexpr DWORD kEffectObjectKind = 4;
constexpr DWORD kLightSpriteFlag = 0x800;
constexpr DWORD kRotatedSpriteFlag = 0x2;
constexpr DWORD kAdditiveBlend = 0x1;
constexpr DWORD kMultiplyBlend = 0x2;
constexpr DWORD kOpaqueAlpha = 0xFF000000;
constexpr float kChannelMax = 255.0f;
constexpr float kDegreesToRadians = fx::kPi / 180.0f;

DWORD Channel(float v)
{
    // Keys are 0 to 255; anything else would spill into the next channel.
    if (!(v > 0.0f))
        return 0;
    return static_cast<DWORD>(std::min(v, kChannelMax));
}

D3DXVECTOR3 SpreadVector(const D3DXVECTOR3& base, const D3DXVECTOR3& spread)
{
    D3DXVECTOR3 v;
    v.x = base.x + fx::Spread(spread.x);
    v.y = base.y + fx::Spread(spread.y);
    v.z = base.z + fx::Spread(spread.z);
    return v;
}

D3DXVECTOR3 MatrixPosition(const D3DXMATRIX& m)
{
    return D3DXVECTOR3(m._41, m._42, m._43);
}
} // namespace

// ---- Records -------------------------------------------------------------------------

EFxInstance::EFxInstance()
{
    ClearFxInstance(this);
}

void ClearFxInstance(EFxInstance* fx)
{
    std::memset(static_cast<void*>(fx), 0, sizeof *fx);
    fx->m_Orientation = EOrientation();
}

EFxMgr::EFxMgr()
{
    m_dwSparkFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    ClearAll();
}

void EFxMgr::ClearAll()
{
    for (EFxDef& d : m_Defs)
        ClearFxDef(&d);
    for (EFxInstance& fx : m_Fx)
        ClearFxInstance(&fx);
    for (EFxSpriteBatch& b : m_Batches)
    {
        std::memset(static_cast<void*>(&b), 0, sizeof b);
        b.m_iBlend = FX_BLEND_UNSET;
    }
    std::memset(m_iFreeSlots, 0, sizeof m_iFreeSlots);
    std::memset(m_BloodDrops, 0, sizeof m_BloodDrops);
    m_iEvictableCount = m_iSparkCount = m_iDrawnCount = m_iDecalCount = 0;
    m_bSparksLive = m_bMortarExplosion = 0;
    m_fFrameTime = 0.0f;
}

// ---- Starting --------------------------------------------------------------------------

EFxInstance* EFxMgr::CreateFx(const EFxDef* def, HOBJECT object, const char* socket, BYTE userFlag)
{
    if (!def)
        return nullptr;
    EFxInstance* reserved = Reserved();
    if ((!g_Options.AddFX && def->Type != FX_BULLET) || !g_Options.DrawFX || def->DistortionNormal[0] ||
        (def->Type == FX_MESH && def->Apply_Physics_To_Mesh) ||
        (def->Type == FX_SPRITE && !def->Filename[0][0]) || (def->IsDecal && m_iDecalCount >= FX_MAX_DECALS))
        return reserved;

    // The slot: the free list first, then the first idle slot, then the
    // evictable effect nearest its end.
    DWORD slot = 0;
    for (DWORD& entry : m_iFreeSlots)
        if (entry)
        {
            slot = entry;
            entry = 0;
            break;
        }
    if (!slot || m_Fx[slot].m_bActive)
    {
        slot = 0;
        EFxInstance* evict = nullptr;
        for (DWORD i = 1; i < static_cast<DWORD>(MAX_FX); ++i)
        {
            EFxInstance& c = m_Fx[i];
            if (!c.m_bActive)
            {
                slot = i;
                break;
            }
            if (c.m_bEvictable && c.m_fLifeFraction < kEvictableFraction &&
                (!evict || c.m_fLifeFraction < evict->m_fLifeFraction))
                evict = &c;
        }
        if (!slot)
        {
            if (!evict)
                return reserved;
            slot = evict->m_iSlot;
            ReleaseFx(evict);
        }
    }
    if (def->IsDecal)
        ++m_iDecalCount;

    EFxInstance* fx = &m_Fx[slot];
    ClearFxInstance(fx);
    fx->m_iSlot = slot;
    if (++m_iStarts == 0)
        m_iStarts = 1;
    fx->m_iStart = m_iStarts;
    std::snprintf(fx->m_szName, sizeof fx->m_szName, "%s", def->Name);
    fx->m_hObject = object;
    if (socket)
        std::snprintf(fx->m_szSocket, sizeof fx->m_szSocket, "%s", socket);
    fx->m_bUserFlag = userFlag;
    fx->m_bFire = def->Fire;
    fx->m_bActive = 1;
    fx->m_bVisible = 1;
    fx->m_bMove = def->Move;
    fx->m_bAdditive = def->Additive;
    fx->m_bMultiply = def->Multiply;
    fx->m_bLightSprite = def->Light_Sprite;
    fx->m_bDecal = def->IsDecal;
    fx->m_bNoCollision = def->NoCollision;
    fx->m_bBigExplosion = def->BigExplosion;
    fx->m_bHitFlag = def->HitFlag;
    fx->m_iHitParam = def->HitParam;
    fx->m_bFlatRotation = def->Flat_Rotation;
    fx->m_bApplyPhysics = def->Apply_Physics_To_Mesh;
    fx->m_bAnimated = def->Animated_Sprite_Texture;
    fx->m_bBlueSpark = def->BlueSpark;
    fx->m_bWideSpark = def->WideSpark;
    fx->m_bBomb = def->IsBomb;
    fx->m_bBrightTrail = def->BrightTrail;
    fx->m_bUseRotation = def->Use_Rotation;
    fx->m_bSpinning = def->Spinning_Sprite;
    fx->m_fHurtPlayer = def->Hurt_Player;
    fx->m_fExplosionPower = def->Explosion_Power;
    fx->m_fAccelerateAfter = def->Accelerate_After;
    fx->m_fAccelerateCoef = def->Accelerate_Coef;
    fx->m_fAccelerateFor = def->Accelerate_For;
    fx->m_fDisappearDistance = def->Disappear_Distance;
    fx->m_fGravity = def->Gravity;
    fx->m_fGrow = def->Grow;
    fx->m_fDamageFactor = def->DamageFactor;
    fx->m_pWeapon = def->Weapon;
    fx->m_hShooter = def->Shooter;
    fx->m_iAfterCount = std::min<DWORD>(def->AfterCount, FX_CHILDREN);
    fx->m_iEveryCount = std::min<DWORD>(def->EveryCount, FX_CHILDREN);
    fx->m_iColorKeys = std::min<DWORD>(def->dwColor, FX_KEYS);
    fx->m_iAlphaKeys = std::min<DWORD>(def->dwAlpha, FX_KEYS);
    std::memcpy(fx->m_vColor, def->Color, sizeof fx->m_vColor);
    std::memcpy(fx->m_fAlpha, def->Alpha, sizeof fx->m_fAlpha);
    std::memcpy(fx->m_fColorTime, def->Color_Time, sizeof fx->m_fColorTime);
    std::memcpy(fx->m_fAlphaTime, def->Alpha_Time, sizeof fx->m_fAlphaTime);
    fx->m_vAimPoint = def->AimPoint;
    fx->m_bHasAimPoint = def->HasAimPoint;
    fx->m_Orientation = def->Orientation;

    fx->m_fLifeTotal = fx->m_fLifeLeft = def->Life_Time + RandomFloat(def->Life_Time_Rand);
    if (fx->m_bSpinning)
        fx->m_fSpinSpeed = (def->Spinning_Speed + RandomFloat(def->Spinning_Speed_Rand)) * kDegreesToRadians;
    fx->m_fAnimFrameTime =
        def->Animated_Sprite_FPS > kMinAnimFps ? 1.0f / def->Animated_Sprite_FPS : kNoAnimFrameTime;
    fx->m_fAnimLength = kAnimFrames * fx->m_fAnimFrameTime;

    fx->m_vPos = SpreadVector(def->Pos, def->Pos_Rand);
    fx->m_vTail = fx->m_vPos;
    for (D3DXVECTOR3& h : fx->m_vHistory)
        h = fx->m_vPos;
    fx->m_vScale = SpreadVector(def->Scale, def->Scale_Rand);
    fx->m_vDrawScale = fx->m_vScale;
    fx->m_vVel = SpreadVector(def->Vel, def->Vel_Rand);

    if (fx->m_bUseRotation && def->Type != FX_SHELL)
    {
        const float s = fx::Length(fx->m_vVel);
        if (s > 0.0f)
        {
            EOrientation v = fx::Facing(fx->m_vVel);
            v.Multiply(&fx->m_Orientation.Quaternion);
            fx->m_vVel = v.Forward * s;
        }
    }
    if (fx->m_bHasAimPoint)
    {
        const EOrientation aim = fx::Facing(fx->m_vAimPoint - fx->m_vPos);
        fx->m_vAimForward = aim.Forward;
        fx->m_vAimUp = aim.Up;
        fx->m_vAimRight = aim.Right;
    }
    fx->m_iType = def->Type;

    if (fx->m_bMove && object)
    {
        const float s = fx::Length(fx->m_vVel);
        EOrientation o = object->Orientation;
        if (s != 0.0f)
        {
            const EOrientation v = fx::Facing(fx->m_vVel);
            o.Multiply(&v.Quaternion);
        }
        fx->m_vVel = o.Forward * s;
        if (fx->m_szSocket[0])
        {
            D3DXMATRIX m;
            D3DXMatrixTranslation(&m, object->vPosition.x, object->vPosition.y, object->vPosition.z);
            g_Engine.GetObjectSocket(object, fx->m_szSocket, &m, nullptr);
            fx->m_vPos = fx->m_vAnchor = MatrixPosition(m);
        }
    }
    else if (!fx->m_bMove && object && fx->m_szSocket[0])
    {
        D3DXMATRIX m;
        D3DXMatrixTranslation(&m, object->vPosition.x, object->vPosition.y, object->vPosition.z);
        EOrientation s = object->Orientation;
        if (!g_Engine.GetObjectSocket(object, fx->m_szSocket, &m, &s))
            g_Console.Print2("FX nie czyta socketa ", fx->m_szSocket);
        D3DXVECTOR3 p = MatrixPosition(m);
        if (!fx::IsZero(fx->m_vPos))
        {
            const float d = fx::Length(fx->m_vPos);
            EOrientation w = fx::Facing(fx->m_vPos);
            w.Multiply(&s.Quaternion);
            p += w.Forward * d;
        }
        fx->m_vPos = fx->m_vAnchor = p;
        fx->m_Orientation = s;
    }

    for (int k = 0; k < FX_CHILDREN; ++k)
    {
        if (!def->AfterName[k][0] && !def->EveryName[k][0])
            continue;
        fx->m_fAfterTime[k] = def->AfterTime[k] + RandomFloat(def->AfterTimeRand[k]);
        fx->m_pAfterDef[k] = def->AfterDef[k];
        fx->m_fEveryTime[k] = def->EveryTime[k];
        if (def->EveryDef[k] && fx->m_fEveryTime[k] < kMinEveryPeriod)
            fx->m_fEveryTime[k] = kMinEveryPeriod;
        fx->m_fEveryRand[k] = def->EveryTimeRand[k];
        fx->m_fEveryTimer[k] = -RandomFloat(fx->m_fEveryRand[k]);
        fx->m_pEveryDef[k] = def->EveryDef[k];
    }

    if (fx->m_fExplosionPower > kExplosionPowerMin && g_MainGame.m_iLevelFrame > kExplosionFrames)
    {
        FxApplyExplosion(fx->m_vPos, fx->m_fExplosionPower);
        g_SoundMgr.PlaySound3DOnce(kExplosionSounds[fx::Draw() % kExplosionSoundCount], &fx->m_vPos,
                                   kExplosionSoundDistance);
        g_Renderer.AddFlashLight(&fx->m_vPos.x);
    }

    fx->m_dwColor = kOpaqueAlpha | Channel(fx->m_vColor[0].x) << 16 | Channel(fx->m_vColor[0].y) << 8 |
                    Channel(fx->m_vColor[0].z);
    fx->m_vAnchor = fx->m_vPos;

    if (def->Type == FX_SPRITE || def->Type == FX_BLOODDROP)
    {
        const DWORD count = std::min<DWORD>(def->FilenameCount, FX_FILENAMES);
        const DWORD k = count > 1 ? static_cast<DWORD>(fx::Draw()) % count : 0;
        fx->m_iTexture = g_Renderer.GetTextureIndex(def->Filename[k]);
        fx->m_dwSpriteFlags = def->ObjectFlags | (def->Light_Sprite ? kLightSpriteFlag : 0) |
                              ((fx->m_bUseRotation || fx->m_bSpinning) ? kRotatedSpriteFlag : 0);
        fx->m_dwBlend =
            (def->Additive ? kAdditiveBlend : 0) | (def->Multiply ? kMultiplyBlend : 0) | def->ObjectFlags2;
    }
    else if (def->Type == FX_MESH || def->Type == FX_SHELL)
    {
        const bool shell = def->Type == FX_SHELL;
        EObjectDesc desc;
        desc.Type = OT_MESH;
        if (!def->Filename[0][0])
            g_Console.Print2(def->Name,
                             shell ? " tworzy bullet shell bez nazwy!" : " tworzy mesha bez nazwy!");
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", def->Filename[0]);
        desc.dwFlags = shell ? kMeshFlags : (def->ObjectFlags | kMeshFlags);
        desc.dwFlags2 = shell ? kShellFlags2 : (def->ObjectFlags2 | kMeshFlags2);
        desc.dwFlags3 = kEffectObjectKind;
        desc.vPosition = fx->m_vPos;
        desc.vScale = fx->m_vScale;
        if (shell || fx->m_bUseRotation)
            desc.Orientation = fx->m_Orientation;
        fx->m_hMesh = g_Engine.AddObject(&desc);
        g_Engine.SetObjectScale(fx->m_hMesh, &fx->m_vScale);
        if (fx->m_hMesh && !shell)
            fx->m_hMesh->bEffectObject = 1;
    }
    return fx;
}

EFxInstance* EFxMgr::CreateFxFromDef(const EFxDef* def, const D3DXVECTOR3* pos,
                                     const EOrientation* orientation)
{
    if (!def)
        return nullptr;
    if (def != &m_FromDef)
        m_FromDef = *def;
    if (pos)
        m_FromDef.Pos += *pos;
    if (orientation)
        m_FromDef.Orientation = *orientation;
    return CreateFx(&m_FromDef, nullptr, nullptr, 0);
}

EFxInstance* EFxMgr::CreateFxByName(const char* name, const D3DXVECTOR3* pos, const EOrientation* orientation)
{
    if (!name || !name[0])
        return nullptr;
    const EFxDef* def = FindFxDef(name);
    if (!def)
    {
        g_Console.Print3("Effect ", name, " not found");
        return nullptr;
    }
    return CreateFxFromDef(def, pos, orientation);
}

EFxInstance* EFxMgr::CreateFxByNameOnObject(const char* name, HOBJECT object, const char* socket,
                                            BYTE userFlag)
{
    if (!name || !name[0])
        return nullptr;
    const EFxDef* def = FindFxDef(name);
    if (!def)
    {
        g_Console.Print3("Effect ", name, " not found");
        return nullptr;
    }
    return CreateFx(def, object, socket, userFlag);
}

// ---- Ending ------------------------------------------------------------------------------

void EFxMgr::ReleaseFx(EFxInstance* fx)
{
    if (!fx || !fx->m_bActive)
        return;
    // Only the effect's own object: one deleted under it may have left its slot to another.
    if (fx->m_hMesh && fx->m_hMesh->bUsed && fx->m_hMesh->dwFlags3 == kEffectObjectKind)
        g_Engine.DeleteObject(fx->m_hMesh);
    if (fx->m_pSound)
    {
        g_SoundMgr.StopSound(fx->m_pSound);
        g_SoundMgr.DeleteSound(fx->m_pSound);
        fx->m_pSound = nullptr;
    }
    if (fx->m_bDecal && m_iDecalCount > 0)
        --m_iDecalCount;
    ClearFxInstance(fx);
}

void EFxMgr::ReleaseAllFx()
{
    for (EFxInstance& fx : m_Fx)
        ReleaseFx(&fx);
}

void EFxMgr::StartFxPhysics(EFxInstance* fx)
{
    if (fx && fx->m_bActive)
        fx->m_bStarted = 1;
}

// ---- Level and device ------------------------------------------------------------------

void EFxMgr::CreateSparkBuffer()
{
    if (m_pSparkVB || !g_pD3DInterface)
        return;
    m_dwSparkFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    if (FAILED(g_pD3DInterface->CreateVertexBuffer(FX_SPARK_VB_SIZE, D3DUSAGE_WRITEONLY, m_dwSparkFVF,
                                                   D3DPOOL_MANAGED, &m_pSparkVB, nullptr)))
        m_pSparkVB = nullptr;
}

void EFxMgr::ReleaseDeviceObjects()
{
    if (m_pSparkVB)
    {
        m_pSparkVB->Release();
        m_pSparkVB = nullptr;
    }
    for (EFxSpriteBatch& b : m_Batches)
    {
        if (b.m_pVB)
        {
            b.m_pVB->Release();
            b.m_pVB = nullptr;
        }
        b.m_iCount = 0;
        b.m_iQuads = 0;
        b.m_iBlend = FX_BLEND_UNSET;
    }
    m_iSparkCount = 0;
}

void EFxMgr::Init()
{
    // The previous level's objects and sounds went with Release.
    ReleaseDeviceObjects();
    ClearAll();
    LoadAll();
    CheckTextureBlend();
    CreateSparkBuffer();
    LoadBloodDropTextures();
    for (int i = 0; i < FX_FREE_SLOTS; ++i)
        m_iFreeSlots[i] = static_cast<DWORD>(i + 1);
    m_bMortarExplosion = 0;
}

void EFxMgr::Release()
{
    ReleaseAllFx();
    ReleaseDeviceObjects();
}

void EFxMgr::OnLostDevice()
{
    ReleaseDeviceObjects();
}

void EFxMgr::OnResetDevice()
{
    CreateSparkBuffer();
}
