// EFxMgr: effects that are more than particles: bullets, cartridge cases,
// rockets, grenades, bombs, mortar explosions, blood drops, light sprites,
// spinning sprites, fire sounds, and the colour of a sprite over its life.
#include "environment/FxMgr.h"

#include "environment/FxHelpers.h"
#include "environment/FxServices.h"
#include "render/Renderer.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>

namespace
{
constexpr float kTailNear = 10.0f;
constexpr float kTailLagNear = 0.3f;
constexpr float kTailLagFar = 0.5f;
constexpr float kBulletDrop = 15.0f;
constexpr float kBulletReach = 100.0f;
constexpr float kProjectileReach = 2000.0f;
constexpr float kLightReach = 1.0f;

constexpr float kSteepFall = 0.55f;
constexpr float kProbeAbove = 0.3f;
constexpr float kProbeDepth = 20.0f;
constexpr float kGroundLift = 0.02f;
constexpr float kNoGround = 100.0f;
constexpr float kRestSpeed = -1.5f;
constexpr float kBounceLift = 0.03f;
constexpr float kBounce = -0.35f;
constexpr const char* kShellSound = "sounds\\weapons\\luska1.wav";
constexpr float kShellSoundDistance = 20.0f;

constexpr DWORD kProjectileMeshFlag = 0x80;
constexpr float kRocketWobbleA = 13.0f;
constexpr float kRocketWobbleB = 11.0f;
constexpr float kRocketWobble = 0.8f;
constexpr float kTrailStep = 0.5f;
constexpr const char* kRocketTrail[] = {"rakieta_blik", "rakieta_ogien", "rakieta_dym"};
constexpr float kGrenadeGravity = 296.0f;
constexpr float kBombGravity = 400.0f;
constexpr float kBombFastest = -900.0f;
constexpr float kBombTilt = 0.5f;
constexpr const char* kBombExplosion = "r_e_wybuch_duzy";
constexpr const char* kBombMesh = "prefabs\\special\\bomba.x";
constexpr float kBombScale = 0.7f;
constexpr float kBombLife = 10.0f;
constexpr float kBombSpeed = 220.0f;
constexpr float kBombDrop = -80.0f;

constexpr float kMortarProbe = 3.0f;
constexpr DWORD kMaterialSand = 3;
constexpr DWORD kMaterialCoal = 6;
constexpr const char* kMortarBig = "z_wybuch_mozdzierz_big";
constexpr const char* kMortarAir = "z_wybuch_mozdzierz_powietrze";
constexpr const char* kMortarSand = "z_wybuch_mozdzierz_piasek";
constexpr const char* kMortarCement = "z_wybuch_mozdzierz_cement_caly";

constexpr float kStainFlatness = 0.75f;
constexpr float kStainProbe = 0.25f;
constexpr float kStainProbeHeight = 0.6f;
constexpr float kStainTolerance = 0.1f;
constexpr const char* kStain = "krew_na_ziemi";

constexpr float kLightRetest = 100.0f;
constexpr float kFireSoundRange = 1200.0f;
constexpr const char* kFireSound = "sounds\\special\\ogien.wav";
constexpr float kFireSoundDistance = 30.0f;

constexpr DWORD kKindCharacter = 2;
constexpr DWORD kKindNoBlood = 8;
constexpr DWORD kKind16 = 16;
constexpr DWORD kKindBit8 = 8;

HOBJECT User(RayTestUser user)
{
    return reinterpret_cast<HOBJECT>(user);
}

bool BulletFilter(HOBJECT o, RayTestUser user)
{
    return o && o != User(user) && !FxObjectDead(o) && !FxObjectLetsBulletsThrough(o);
}

bool ProjectileFilter(HOBJECT o, RayTestUser user)
{
    return o && o != User(user) && !FxObjectDead(o);
}

bool LightFilter(HOBJECT o, RayTestUser user)
{
    return o && o != User(user) && o != FxPlayerObject() && (o->Type == OT_MESH || o->Type == OT_SKINMESH) &&
           !FxObjectDead(o);
}

bool BloodFilter(HOBJECT o, RayTestUser user)
{
    return o && o != User(user) && o != FxPlayerObject() && o->Type != OT_SKINMESH &&
           o->dwFlags3 != kKindNoBlood && !FxObjectDead(o);
}

bool MortarFilter(HOBJECT o, RayTestUser user)
{
    return o && o != User(user) && o != FxPlayerObject() && o->Type == OT_MESH &&
           o->dwFlags3 != kKindCharacter && o->dwFlags3 != kKind16 && !(o->dwFlags3 & kKindBit8) &&
           !FxObjectDead(o);
}

bool Segment(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestFilter filter, HOBJECT user, BYTE option1,
             BYTE option2, float reach, RayTestResult* result)
{
    RayTestQuery query;
    query.Init();
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = filter;
    query.dwUser = reinterpret_cast<RayTestUser>(user);
    query.bSeeThrough = option1;
    query.bOption = option2;
    query.fMaxDistance = reach;
    return FxSegmentTest(&query, result) && result->bHit;
}

void ShiftHistory(EFxInstance* fx)
{
    fx->m_vHistory[2] = fx->m_vHistory[1];
    fx->m_vHistory[1] = fx->m_vHistory[0];
    fx->m_vHistory[0] = fx->m_vPos;
}

// Sets the projectile mark on the mesh; false without an effect mesh.
bool MarkProjectile(EFxInstance* fx)
{
    if (!fx || !fx->m_hMesh)
        return false;
    if (!(fx->m_hMesh->dwFlags & kProjectileMeshFlag))
        g_Engine.SetObjectFlags(fx->m_hMesh, kProjectileMeshFlag, kProjectileMeshFlag);
    return true;
}

D3DXVECTOR3 Up(float d)
{
    return D3DXVECTOR3(0.0f, d, 0.0f);
}
} // namespace

bool EFxMgr::UpdateBullet(EFxInstance* fx)
{
    const float dt = m_fFrameTime;
    const float lag =
        fx::Length(fx->m_vTail - g_Camera.GetPosition()) < kTailNear ? kTailLagNear : kTailLagFar;
    fx->m_vTail += fx->m_vVel * (dt * lag);
    if (fx->m_bHit)
        return true;
    const D3DXVECTOR3 old = fx->m_vPos;
    fx->m_vPos += fx->m_vVel * dt;
    if (fx->m_bNoCollision)
        return false;
    RayTestResult hit;
    if (!Segment(old, fx->m_vPos, BulletFilter, fx->m_hShooter, 0, 1, kBulletReach, &hit))
    {
        fx->m_vVel.y -= kBulletDrop * dt;
        return false;
    }
    const float d = fx::Dot(hit.vNormal, fx::Normalised(hit.vPoint - old));
    // A back face (a bullet leaving a hollow object) passes without an impact.
    if (d <= 0.0f || FxObjectTakesEveryHit(hit.pObject))
        FxHandleBulletHit(fx->m_pWeapon, hit, fx->m_hShooter, fx->m_iHitParam, fx->m_bHitFlag,
                          fx->m_fDamageFactor);
    fx->m_bHit = 1;
    return true;
}

void EFxMgr::UpdateShell(EFxInstance* fx)
{
    if (fx->m_iType != FX_SHELL || !fx->m_bMove)
        return;
    const float dt = m_fFrameTime;
    D3DXVECTOR3 tentative = fx->m_vPos + fx->m_vVel * dt;
    fx->m_vVel.y -= fx->m_fGravity * dt;
    D3DXVECTOR3 base = fx->m_vPos;
    if (!fx->m_bLanded)
    {
        const bool steep = fx->m_vVel.y < 0.0f && kSteepFall * std::fabs(fx->m_vVel.y) >
                                                      std::fabs(fx->m_vVel.x) + std::fabs(fx->m_vVel.z);
        if (!steep)
        {
            D3DXVECTOR3 from = base;
            D3DXVECTOR3 to = tentative;
            if (!TraceSegment(&from, &to, nullptr, 1, nullptr, 1, 0, 0))
            {
                fx->m_vPos = tentative;
                g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
                return;
            }
            base = from;
        }
        D3DXVECTOR3 from = fx->m_vPos + Up(kProbeAbove);
        D3DXVECTOR3 to = from - Up(kProbeDepth);
        const D3DXVECTOR3 lower = to;
        if (TraceSegment(&from, &to, nullptr, 1, nullptr, 1, 1, 0))
            fx->m_fGroundY = from.y + kGroundLift;
        else
            fx->m_fGroundY = lower.y - kNoGround;
        fx->m_vVel.x = fx->m_vVel.z = 0.0f;
        fx->m_bLanded = 1;
    }
    tentative = base + fx->m_vVel * dt;
    if (tentative.y > fx->m_fGroundY)
    {
        fx->m_vPos = tentative;
        g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
        return;
    }
    if (fx->m_vVel.y >= kRestSpeed)
    {
        fx->m_vPos = base;
        fx->m_vPos.y = fx->m_fGroundY;
        g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
        fx->m_bMove = 0;
        return;
    }
    fx->m_vPos = base + Up(kBounceLift);
    g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
    fx->m_vVel.y *= kBounce;
    g_SoundMgr.PlaySound3DOnce(kShellSound, &fx->m_vPos, kShellSoundDistance);
}

bool EFxMgr::UpdateRocket(EFxInstance* fx)
{
    if (!MarkProjectile(fx))
        return false;
    const float dt = m_fFrameTime;
    fx->m_vVel.y -= fx->m_fGravity * dt;
    const D3DXVECTOR3 old = fx->m_vPos;
    fx->m_vPos += fx->m_vVel * dt;
    fx->m_vPos += fx->m_Orientation.Forward * dt;
    fx->m_fRocketClock += kRocketWobbleA * dt;
    fx->m_fRocketSmokeClock += kRocketWobbleB * dt;
    if (fx->m_fRocketClock > fx::kTwoPi)
        fx->m_fRocketClock -= fx::kTwoPi;
    if (fx->m_fRocketSmokeClock > fx::kTwoPi)
        fx->m_fRocketSmokeClock -= fx::kTwoPi;
    fx->m_vPos += fx->m_Orientation.Right * (kRocketWobble * std::sin(fx->m_fRocketClock) * dt) +
                  fx->m_Orientation.Up * (kRocketWobble * std::sin(fx->m_fRocketSmokeClock) * dt);
    ShiftHistory(fx);

    // Copies: a trail start may evict and so clear this very record.
    const D3DXVECTOR3 head = fx->m_vPos;
    const D3DXVECTOR3 d = fx->m_vHistory[1] - head;
    const float length = fx::Length(d);
    const D3DXVECTOR3 dir = fx::Normalised(d);
    const HOBJECT mesh = fx->m_hMesh;
    const HOBJECT shooter = fx->m_hShooter;
    const D3DXVECTOR3 previous = fx->m_vHistory[1];
    const bool big = fx->m_bBigExplosion != 0;
    for (float t = 0.0f; t < length; t += kTrailStep)
    {
        const D3DXVECTOR3 p = head + dir * t;
        for (const char* name : kRocketTrail)
            CreateFxByName(name, &p, nullptr);
    }
    RayTestResult hit;
    if (Segment(old, head, ProjectileFilter, shooter, 0, 1, kProjectileReach, &hit))
    {
        CreateMortarExplosion(mesh, &previous, big);
        return true;
    }
    g_Engine.SetObjectPosition(mesh, &head, 0);
    return false;
}

bool EFxMgr::UpdateGrenade(EFxInstance* fx)
{
    if (!MarkProjectile(fx))
        return false;
    const float dt = m_fFrameTime;
    fx->m_vVel.y -= kGrenadeGravity * dt;
    const D3DXVECTOR3 old = fx->m_vPos;
    fx->m_vPos += fx->m_vVel * dt;
    ShiftHistory(fx);
    RayTestResult hit;
    if (Segment(old, fx->m_vPos, ProjectileFilter, fx->m_hShooter, 0, 1, kProjectileReach, &hit))
    {
        const D3DXVECTOR3 previous = fx->m_vHistory[1];
        CreateMortarExplosion(fx->m_hMesh, &previous, false);
        return true;
    }
    g_Engine.SetObjectPosition(fx->m_hMesh, &fx->m_vPos, 0);
    return false;
}

bool EFxMgr::UpdateBomb(EFxInstance* fx)
{
    if (!MarkProjectile(fx))
        return false;
    const float dt = m_fFrameTime;
    fx->m_vVel.y -= kBombGravity * dt;
    if (fx->m_vVel.y < kBombFastest)
        fx->m_vVel.y = kBombFastest;
    const D3DXVECTOR3 old = fx->m_vPos;
    fx->m_vPos += fx->m_vVel * dt;
    ShiftHistory(fx);
    RayTestResult hit;
    if (Segment(old, fx->m_vPos, ProjectileFilter, fx->m_hShooter, 0, 1, kProjectileReach, &hit))
    {
        const D3DXVECTOR3 previous = fx->m_vHistory[1];
        CreateFxByName(kBombExplosion, &previous, nullptr);
        return true;
    }
    EOrientation a = fx::Facing(D3DXVECTOR3(fx->m_vVel.x, 0.0f, fx->m_vVel.z));
    const EOrientation b = fx::Facing(fx->m_vVel);
    a.Slerp(&b.Quaternion, kBombTilt);
    g_Engine.SetObjectTransform(fx->m_hMesh, &fx->m_vPos, &a, 0, 0);
    return false;
}

void EFxMgr::CreateBombFx(const D3DXVECTOR3* pos, const D3DXVECTOR3* dir)
{
    if (!pos || !dir)
        return;
    EFxDef def;
    def.Type = FX_MESH;
    std::snprintf(def.Filename[0], sizeof def.Filename[0], "%s", kBombMesh);
    def.FilenameCount = 1;
    def.Scale = D3DXVECTOR3(kBombScale, kBombScale, kBombScale);
    def.IsBomb = 1;
    def.Pos = *pos;
    def.Orientation = EOrientation(dir);
    def.Life_Time = kBombLife;
    def.Vel = D3DXVECTOR3(kBombSpeed * dir->x, kBombDrop, kBombSpeed * dir->z);
    CreateFx(&def, nullptr, nullptr, 0);
}

void EFxMgr::CreateMortarExplosion(HOBJECT skip, const D3DXVECTOR3* point, bool big)
{
    if (!skip || !point)
        return;
    RayTestResult hit;
    const bool ground = Segment(*point, *point - Up(kMortarProbe), MortarFilter, skip, 0, 0,
                                RayTestQuery::DEFAULT_MAX_DISTANCE, &hit);
    const char* name = kMortarBig;
    if (!big)
    {
        const DWORD index = ground ? FxHitTexture(hit) : 0;
        const strtexture* texture = index ? g_Renderer.GetTexture(index) : nullptr;
        if (!texture)
            name = kMortarAir;
        else if (texture->m_iMaterial == kMaterialSand || texture->m_iMaterial == kMaterialCoal)
            name = kMortarSand;
        else
            name = kMortarCement;
    }
    m_bMortarExplosion = 1;
    CreateFxByName(name, point, nullptr);
    m_bMortarExplosion = 0;
}

bool EFxMgr::UpdateBloodDrop(EFxInstance* fx)
{
    const float dt = m_fFrameTime;
    fx->m_vVel.y -= fx->m_fGravity * dt;
    const D3DXVECTOR3 old = fx->m_vPos;
    fx->m_vPos += fx->m_vVel * dt;
    RayTestResult hit;
    if (!Segment(old, fx->m_vPos, BloodFilter, nullptr, 0, 0, RayTestQuery::DEFAULT_MAX_DISTANCE, &hit))
        return false;
    if (fx::Normalised(hit.vNormal).y < kStainFlatness || !m_BloodDrops[1].m_iCount)
        return true;
    if (hit.pObject && (FxObjectOnBezierPath(hit.pObject) || !FxObjectTakesStains(hit.pObject)))
        return true;
    const D3DXVECTOR3 h = hit.vPoint + Up(kGroundLift);
    const float offsets[4][2] = {{kStainProbe, kStainProbe},
                                 {-kStainProbe, kStainProbe},
                                 {kStainProbe, -kStainProbe},
                                 {-kStainProbe, -kStainProbe}};
    for (const auto& o : offsets)
    {
        D3DXVECTOR3 from = h + D3DXVECTOR3(o[0], kStainProbeHeight, o[1]);
        D3DXVECTOR3 to = h + D3DXVECTOR3(o[0], -kStainProbeHeight, o[1]);
        if (!TraceSegment(&from, &to, nullptr, 1, nullptr, 1, 1, 0) ||
            std::fabs(from.y - h.y) > kStainTolerance)
            return true;
    }
    CreateFxByName(kStain, &h, nullptr);
    return true;
}

void EFxMgr::UpdateLightSprite(EFxInstance* fx)
{
    fx->m_fLightTimer -= m_fFrameTime;
    if (fx->m_fLightTimer > 0.0f)
        return;
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    fx->m_fLightTimer = fx::Length(camera - fx->m_vPos) / kLightRetest;
    RayTestResult hit;
    fx->m_bLightVisible =
        Segment(camera, fx->m_vPos, LightFilter, FxPlayerObject(), 1, 0, kLightReach, &hit) ? 0 : 1;
}

void EFxMgr::UpdateSpin(EFxInstance* fx)
{
    const D3DXVECTOR3 d = fx::Normalised(fx->m_vPos - g_Camera.GetPosition());
    EOrientation o = fx::Facing(d);
    fx->m_fSpinAngle += m_fFrameTime * fx->m_fSpinSpeed;
    if (fx->m_fSpinAngle > fx::kTwoPi)
        fx->m_fSpinAngle -= fx::kTwoPi;
    if (fx->m_fSpinAngle < -fx::kTwoPi)
        fx->m_fSpinAngle += fx::kTwoPi;
    o.RotateAxisAngle(&d, fx->m_fSpinAngle);
    if (fx->m_iType == FX_MESH && !fx->m_bApplyPhysics)
        g_Engine.SetObjectRotation(fx->m_hMesh, &o);
    fx->m_Orientation = o;
    fx->m_vAimForward = o.Forward;
    fx->m_vAimUp = o.Up;
    fx->m_vAimRight = o.Right;
}

void EFxMgr::UpdateFireSound(EFxInstance* fx)
{
    if (fx->m_fCameraDistance > kFireSoundRange)
    {
        if (fx->m_pSound)
        {
            g_SoundMgr.StopSound(fx->m_pSound);
            g_SoundMgr.DeleteSound(fx->m_pSound);
            fx->m_pSound = nullptr;
        }
        return;
    }
    if (!fx->m_pSound)
        fx->m_pSound = g_SoundMgr.CreateSound3DAt(kFireSound, &fx->m_vPos, kFireSoundDistance, true, true);
}

namespace
{
// The key pair around t and the factor between them.
template <typename Times> void PickKeys(const Times& times, DWORD count, float t, DWORD* k, float* u)
{
    DWORD i = 0;
    while (i < count - 1 && !(times[i + 1] > t))
        ++i;
    if (i >= count - 1)
    {
        // Past the last key time: the last pair at its end.
        *k = count - 2;
        *u = 1.0f;
        return;
    }
    *k = i;
    const float span = times[i + 1] - times[i];
    *u = span != 0.0f ? (t - times[i]) / span : 0.0f;
}

DWORD AlphaByte(float a)
{
    return a > 0.0f ? static_cast<DWORD>(std::fmin(a, 255.0f)) : 0;
}
} // namespace

DWORD EFxMgr::GetSpriteAlpha(const EFxInstance* fx) const
{
    const DWORD count = fx->m_iAlphaKeys < FX_KEYS ? fx->m_iAlphaKeys : FX_KEYS;
    const float t = 1.0f - fx->m_fLifeFraction;
    float a = fx->m_fAlpha[0];
    if (count == 2)
        a = LerpFloat(fx->m_fAlpha[0], fx->m_fAlpha[1], t);
    else if (count > 2)
    {
        DWORD k = 0;
        float u = 0.0f;
        PickKeys(fx->m_fAlphaTime, count, t, &k, &u);
        a = LerpFloat(fx->m_fAlpha[k], fx->m_fAlpha[k + 1], u);
    }
    return AlphaByte(a) << 24;
}

DWORD EFxMgr::GetSpriteColorPart(const EFxInstance* fx) const
{
    const DWORD count = fx->m_iColorKeys < FX_KEYS ? fx->m_iColorKeys : FX_KEYS;
    auto pack = [](const D3DXVECTOR3& c)
    {
        const float rgb[3] = {std::fmin(std::fmax(c.x, 0.0f), 255.0f),
                              std::fmin(std::fmax(c.y, 0.0f), 255.0f),
                              std::fmin(std::fmax(c.z, 0.0f), 255.0f)};
        return PackColor(rgb, false) & 0x00FFFFFFu;
    };
    if (count < 2)
        return pack(fx->m_vColor[0]);
    const float t = 1.0f - fx->m_fLifeFraction;
    DWORD k = 0;
    float u = t;
    if (count > 2)
        PickKeys(fx->m_fColorTime, count, t, &k, &u);
    return LerpColor(pack(fx->m_vColor[k]), pack(fx->m_vColor[k + 1]), u) & 0x00FFFFFFu;
}

DWORD EFxMgr::GetSpriteColor(const EFxInstance* fx) const
{
    return GetSpriteColorPart(fx) | GetSpriteAlpha(fx);
}
