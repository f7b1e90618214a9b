// CPlayerWeapons: the trigger, the hero's bullets with their kick and spread,
// the shots of every other shooter, and the marks bullets leave.
//
// A shot is not a ray through the whole world: a short segment test near the
// muzzle settles close hits at once, and anything farther becomes a fast
// bullet effect that the effect system moves and tests each frame. Both end
// in HandleBulletHit.
#include "player/PlayerWeapons.h"

#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "game/BezierFollowState.h"
#include "game/BulletHit.h"
#include "game/QuestSystem.h"
#include "physics/PhysicsMgr.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "platform/win32/EventScript.h"
#include "shell/Console.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace
{
constexpr float kPi = 3.14159265358979f;
constexpr float kFullVolume = 1.0f;
constexpr float kCentre = 0.0f;

// The trigger.
constexpr float kScopeAimed = 0.2f;     // aim blend above which a scope is looked through
constexpr float kLastDelayFloor = 0.1f; // a last-cartridge delay counts above this

// The hero's bullet.
constexpr float kHeroReach = 1000.0f;
constexpr float kHeroNearHit = 4.0f; // closer hits are settled at once, without a bullet
constexpr float kHeroDamageFactor = 1.0f;
constexpr float kMaxRecoil = 1.0f;
constexpr float kRecoilDecay = 1.0f;
constexpr float kKickDecay = 2.0f;
constexpr float kKickBackByKind[] = {0.024f, 0.002f, 0.02f}; // kinds 0 to 2
constexpr float kKickBackOther = 0.016f;
constexpr float kKickPerPitch = 0.2f;
constexpr float kKickAimed = 0.95f;
constexpr float kKickAimFrom = 0.05f;
constexpr float kKickScale = 0.01f;
constexpr float kKickScopeMachineGun = 0.3f;
constexpr float kKickScope = 0.2f;
constexpr float kKickYaw = 0.1f;

// Spread, before the division by 65536 that turns a random number into a stray.
constexpr float kSpreadShotgun = 0.03f;
constexpr float kSpreadRifleScoped = 0.03f;
constexpr DWORD kRifleKind = 1;
constexpr DWORD kShotgunKind = 2;
constexpr DWORD kLastLightKind = 2; // kinds 0 to 2 are pistols, rifles and shotguns
constexpr float kSpreadPistol = 0.02f;
constexpr float kSpreadLight = 0.05f;
constexpr float kSpreadAimFrom = 0.5f;
constexpr float kSpreadAimed = 0.5f;
constexpr float kSpreadCrouched = 0.6f;
constexpr float kSpreadShotgunMoving = 0.12f;
constexpr float kSpreadHeavy = 0.06f;
constexpr float kSpreadFirstShot = 0.35f;
constexpr float kSpreadUnit = 65536.0f;

// The bullet effect: a long thin streak without sprite or mesh.
constexpr float kBulletLife = 5.0f;
constexpr float kBulletWidth = 1.8f;
constexpr float kBulletLength = 32.0f;
constexpr DWORD kBulletObjectFlags = 0x81;

// Muzzle flash: a short-lived light.
constexpr float kFlashAhead = 0.5f;
constexpr float kFlashRange = 3.0f;
constexpr float kFlashHero = 3.0f;
constexpr float kFlashOther = 2.0f;
constexpr float kFlashLife = 0.08f;
const D3DXVECTOR3 kFlashColour(1.0f, 0.8f, 0.4f);

// Launchers: the camera kick, and the far end of the aim.
constexpr float kLauncherKickAimed = 0.5f;
constexpr float kLauncherKickCrouched = 0.6f;
constexpr float kLauncherKickScale = 0.04f;
constexpr float kLauncherReach = 10000.0f;
constexpr const char* ROCKET_EFFECT = "rakieta";
constexpr const char* LAUNCHED_GRENADE_EFFECT = "granat_pocisk";
// The impact list of a launcher's shot by surface kind (0 and kinds above 8: concrete's first entry).
constexpr int kNoLauncherList = -1;
constexpr int LAUNCHER_LIST_BY_SURFACE[] = {
    kNoLauncherList, SURFACE_METAL, SURFACE_WOOD,  SURFACE_SAND,    SURFACE_SNOW,
    SURFACE_WATER,   SURFACE_COAL,  SURFACE_GLASS, SURFACE_PLASTIC,
};

// Other shooters.
constexpr float kOtherReach = 2000.0f;
constexpr float kOtherNearHit = 16.0f;

// Bullet marks.
constexpr const char* MARK_TEXTURE = "spr_slad_kuli.tga";
constexpr float kMarkFlatNormal = 0.95f; // a steeper normal is a floor or a ceiling
constexpr float kMarkLift = 0.3f;
constexpr float kMarkJitter = 0.2f; // times rand / 65536: under 0.1 either way
constexpr float kMarkScale = 6.0f;
constexpr float kMarkLife = 22.0f;
constexpr float kWhite = 255.0f;
// Alpha keys count to 255 like the colour keys: a key of 1.0 would leave the
// mark all but invisible.
constexpr float kOpaque = 255.0f;
constexpr DWORD kMarkKeys = 2;
constexpr DWORD kWaterSurface = 5;

// The object kind code of the hero's own object.
constexpr DWORD KIND_HERO = 128;

// The trigger pull's alarms.
constexpr BulletHit::AlarmSize kLoudShot = {20.0f, 40.0f, 0, 80.0f, 2, 1, 1};
constexpr BulletHit::AlarmSize kQuietShot = {1.0f, 2.0f, 0, 16.0f, 2, 1, 1};

// The hero walking a bezier path does not fire.
bool HeroRidesBezier()
{
    return Player.m_bBezier != 0;
}

// The HUD's third view byte: the machine-gun sight, which the scope step sets
// from the weapon in hand.
bool MachineGunSight()
{
    return g_Panel.m_bMPView != 0;
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    const float l = Length(v);
    return l > 0.0f && std::isfinite(l) ? v / l : D3DXVECTOR3(0.0f, 0.0f, 1.0f);
}

// Up to `scale` times 0.5 either way: a random number over 65536 with a random sign.
float Stray(float scale)
{
    const float c = static_cast<float>(std::rand() & 0x7FFF);
    const float sign = (std::rand() & 1) ? -1.0f : 1.0f;
    return c * scale * sign;
}

// What the hero's shots pass through: himself, his own kind of object, the
// dead and whatever lets bullets through.
bool HeroShotFilter(HOBJECT o, RayTestUser user)
{
    return o && o != reinterpret_cast<HOBJECT>(user) && o->dwFlags3 != KIND_HERO && !FxObjectDead(o) &&
           !FxObjectLetsBulletsThrough(o);
}

bool OtherShotFilter(HOBJECT o, RayTestUser user)
{
    return o && o != reinterpret_cast<HOBJECT>(user) && !FxObjectDead(o) && !FxObjectLetsBulletsThrough(o);
}

// The segment test of a shot; true with the hit in `hit` when it met something.
bool ShotTest(const D3DXVECTOR3& from, const D3DXVECTOR3& to, RayTestFilter filter, HOBJECT skip,
              RayTestResult* hit)
{
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = filter;
    query.dwUser = reinterpret_cast<RayTestUser>(skip);
    return FxSegmentTest(&query, hit) && hit->bHit && hit->pObject;
}

void StartBullet(const EItemDesc& weapon, const D3DXVECTOR3& from, const D3DXVECTOR3& direction,
                 HOBJECT shooter, BYTE powerful, BYTE silenced, float damageFactor)
{
    EFxDef def;
    def.Reset();
    def.Type = FX_BULLET;
    def.Pos = from;
    def.Vel = direction * weapon.predkosc;
    def.Orientation = EOrientation(&direction);
    def.Move = 1;
    def.Use_Rotation = 0;
    def.Life_Time = kBulletLife;
    def.Life_Time_Rand = 0.0f;
    def.Gravity = 0.0f;
    def.Scale = D3DXVECTOR3(kBulletWidth, kBulletWidth, kBulletLength);
    def.DamageFactor = damageFactor;
    def.BigExplosion = powerful;
    def.BrightTrail = weapon.Bright_Bullet;
    def.HitFlag = silenced;
    def.Weapon = &weapon;
    def.Shooter = shooter;
    def.ObjectFlags = kBulletObjectFlags;
    FX.CreateFx(&def, nullptr, nullptr, 0);
}

// An action record that moves, turns or swings its object.
bool ActionMoves(const EObjectActionParams& p)
{
    for (float v : p.action_moving)
        if (v != 0.0f)
            return true;
    for (float v : p.action_rotation)
        if (v != 0.0f)
            return true;
    return p.action_door != 0;
}

DWORD LiveEffects()
{
    DWORD n = 0;
    for (int i = 1; i < MAX_FX; ++i)
        n += FX.m_Fx[i].m_bActive ? 1 : 0;
    return n;
}

const char* RandomSound(const ItemSoundList& list)
{
    const DWORD n = list.count < ITEM_LIST_ENTRIES ? list.count : ITEM_LIST_ENTRIES;
    return n > 1 ? list.names[static_cast<DWORD>(std::rand()) % n] : list.names[0];
}

const EFxDef* RandomFx(const ItemFxList& list)
{
    const DWORD n = list.count < ITEM_LIST_ENTRIES ? list.count : ITEM_LIST_ENTRIES;
    return n ? list.defs[static_cast<DWORD>(std::rand()) % n] : list.defs[0];
}
} // namespace

// A short-lived light at a muzzle.
void MuzzleFlash(const D3DXVECTOR3& at, float lightValue)
{
    EObjectDesc desc;
    desc.Type = OT_LIGHT;
    desc.dwFlags = 1;
    desc.vPosition = at;
    desc.fRadius = kFlashRange;
    desc.fLightValue = lightValue;
    const HOBJECT light = g_Engine.AddObject(&desc);
    if (!light)
        return;
    light->vLightColor = kFlashColour;
    light->bUpdatable = 1;
    light->bUpdatableComputed = 1;
    light->fLifetime = kFlashLife;
}

// ---- The trigger -------------------------------------------------------------------------

void CPlayerWeapons::TriggerDown()
{
    EItemInstance* w = current;
    if (!w || !w->m_pDesc || holstered || switchDirection != 0.0f || sprinting || knifeState != 0)
        return;
    const EItemDesc& d = *w->m_pDesc;
    if ((d.Single_Shot && !triggerReleased) || HeroRidesBezier())
        return;
    // 1.
    triggerHeld = 1;
    triggerReleased = 0;
    if (state == WS_RELOADING || state == WS_DRAWING || state == WS_GRENADE_THROW ||
        state == WS_GRENADE_RAISE)
        return;
    // 2. A burst under way waits for the weapon's delay; a single-shot weapon
    // also for its shoot animation, unless it is aimed.
    if (state == WS_FIRING)
    {
        if (d.Single_Shot && !currentAnimLoop && aimProgress <= kScopeAimed &&
            !g_Engine.CanAnimationBeInterrupted(w->m_hHeldModel))
            return;
        const float delay =
            d.Shoot_Delay_Last > kLastDelayFloor && w->m_iMagazine == 0 ? d.Shoot_Delay_Last : d.Shoot_Delay;
        if (w->m_fShotTimer < delay)
            return;
    }
    // 3.
    if (!d.Shoot_Socket[0])
        return;
    if (w->m_iMagazine == 0)
    {
        state = WS_IDLE;
        Reload();
        return;
    }
    // 4.
    if (aimProgress <= kScopeAimed)
    {
        const bool last = w->m_iMagazine == 1 && d.Anim[ANIM_LAST_BULLET_SHOOT][0];
        const BYTE loop = d.Single_Shot || d.Rocket_Launcher ? 0 : 1;
        PlayWeaponAnim(d.Anim[last ? ANIM_LAST_BULLET_SHOOT : ANIM_SHOOT], loop, 1.0f, 0.0f);
    }
    // 5.
    firstShot = state == WS_IDLE ? 1 : 0;
    state = WS_FIRING;
    --w->m_iMagazine;
    // 6.
    if (const char* sound = RandomSound(d.Shoot_Sound); sound[0])
        g_SoundMgr.PlaySoundOnce(sound, kFullVolume, kCentre);
    // 7.
    if (!(d.Snajper_Celownik && aiming) && w->m_hHeldModel)
        if (const EFxDef* fx = RandomFx(d.Player_Shoot_FX))
            FX.CreateFx(fx, w->m_hHeldModel, d.Shoot_Socket, 1);
    // 8, 9.
    const D3DXVECTOR3 flash = g_Camera.GetPosition() + g_Camera.GetOrientation().Forward * kFlashAhead;
    MuzzleFlash(flash, kFlashHero);
    BulletHit::RaiseAlarm(flash, w->m_bSilenced ? kQuietShot : kLoudShot);
    // 10.
    if (w->m_bShotgun)
        for (int i = 0; i < SHOTGUN_PELLETS; ++i)
            FireBullet();
    else if (d.Rocket_Launcher || d.Grenade_Launcher)
        FireLauncher();
    else
        FireBullet();
}

float CPlayerWeapons::KickBackOf(DWORD kind)
{
    return kind < sizeof kKickBackByKind / sizeof kKickBackByKind[0] ? kKickBackByKind[kind] : kKickBackOther;
}

float CPlayerWeapons::SpreadScale(const SpreadCase& c)
{
    float s = 0.0f;
    if (c.shotgun)
        s = kSpreadShotgun;
    else if (c.kind == kRifleKind && c.scoped)
        s = kSpreadRifleScoped;
    else if (c.kind <= kLastLightKind)
    {
        s = c.kind == 0 ? kSpreadPistol : kSpreadLight;
        if (c.aimProgress > kSpreadAimFrom)
            s *= kSpreadAimed;
        if (c.crouched)
            s *= kSpreadCrouched;
        if (!c.aiming && !c.crouched && c.moving && c.kind == kShotgunKind)
            s = kSpreadShotgunMoving;
    }
    else if (c.scoped)
        s = 0.0f;
    else
        s = kSpreadHeavy;
    if (c.firstShot && !c.singleShot)
        s *= kSpreadFirstShot;
    return s;
}

void CPlayerWeapons::FireBullet()
{
    EItemInstance* w = current;
    if (!w || !w->m_pDesc || holstered)
        return;
    const EItemDesc& d = *w->m_pDesc;
    // 1.
    g_QuestSystem.OnPlayerShot();
    // 2. The model's recoil.
    recoilStrength = d.HitBack < kMaxRecoil ? d.HitBack : kMaxRecoil;
    recoilDecay = kRecoilDecay;
    kickBack = KickBackOf(d.Unique_Id);
    kickDecay = kKickDecay;
    w->m_fShotTimer = 0.0f;
    // 3. The camera's kick: more the higher the hero looks.
    EMouseState& mouse = g_Mouse.m_State;
    float k = kKickPerPitch * (static_cast<float>(mouse.y) + kPi / 2.0f);
    if (aimProgress > kKickAimFrom)
        k *= kKickAimed;
    float r = RandomFloat(k) * kKickScale;
    const bool scoped = g_Panel.m_bSniperScope != 0;
    if (scoped)
        r *= MachineGunSight() ? kKickScopeMachineGun : kKickScope;
    mouse.y -= r;
    mouse.x += (std::rand() % 2 == 0 ? 1.0f : -1.0f) * kKickYaw * r;
    // 4. Spread about the camera's aim.
    SpreadCase c;
    c.kind = d.Unique_Id;
    c.shotgun = w->m_bShotgun != 0;
    c.singleShot = d.Single_Shot != 0;
    c.scoped = scoped;
    c.aiming = aiming != 0;
    c.aimProgress = aimProgress;
    c.crouched = Player.m_bCrouched != 0;
    c.moving = Player.m_bMoving != 0;
    c.firstShot = firstShot != 0;
    const float s = SpreadScale(c) / kSpreadUnit;
    const D3DXVECTOR3 stray(Stray(s), Stray(s), Stray(s));
    const D3DXVECTOR3 direction = Normalised(g_Camera.GetOrientation().Forward + stray);
    // 5. A close hit is settled at once.
    const D3DXVECTOR3 from = g_Camera.GetPosition();
    RayTestResult hit;
    if (ShotTest(from, from + direction * kHeroReach, HeroShotFilter, Player.m_hObject, &hit) &&
        Length(hit.vPoint - from) < kHeroNearHit)
    {
        HandleBulletHit(&d, &hit, Player.m_hObject, 0, w->m_bSilenced, kHeroDamageFactor);
        return;
    }
    // 6.
    StartBullet(d, from, direction, Player.m_hObject, d.powerful_bullet, w->m_bSilenced, kHeroDamageFactor);
}

// ---- Marks -------------------------------------------------------------------------------

void CPlayerWeapons::SpawnImpactEffect(const EItemDesc*, const RayTestResult* hit)
{
    if (!hit)
        return;
    const HOBJECT o = hit->pObject;
    // Marks stay only on still, lasting meshes: nothing that breaks, moves by
    // its actions or a path, has a body that can move, or is water. A static
    // body (a wall the hero cannot walk through) never moves and takes marks.
    if (!o || !o->bUsed || o->Type != OT_MESH || CPhysicsMgr::HasMovingBody(o) || o->pDeathParams)
        return;
    if (o->pActionParams && ActionMoves(*o->pActionParams))
        return;
    if ((o->pBezierFollow && o->pBezierFollow->bOn) || g_Engine.IsMovingOnBezier(o))
        return;
    if (BulletHit::SurfaceOf(*hit) == kWaterSurface)
        return;
    SpawnBulletMark(&hit->vPoint, &hit->vNormal);
}

void SpawnBulletMark(const D3DXVECTOR3* point, const D3DXVECTOR3* normal)
{
    if (!point || !normal || LiveEffects() >= MARK_LIVE_EFFECT_LIMIT)
        return;
    const D3DXVECTOR3 n = Normalised(*normal);
    EFxDef def;
    def.Reset();
    if (std::fabs(n.y) <= kMarkFlatNormal)
    {
        def.Orientation = EOrientation(&n);
        def.Use_Rotation = 1;
    }
    else
        def.Flat_Rotation = 1;
    const float jitter = kMarkJitter / kSpreadUnit;
    def.Pos = *point + n * kMarkLift + D3DXVECTOR3(Stray(jitter), Stray(jitter), Stray(jitter));
    def.Type = FX_SPRITE;
    std::snprintf(def.Filename[0], sizeof def.Filename[0], "%s", MARK_TEXTURE);
    def.FilenameCount = 1;
    def.Scale = D3DXVECTOR3(kMarkScale, kMarkScale, kMarkScale);
    def.Life_Time = kMarkLife;
    def.Move = 0;
    def.dwColor = def.dwAlpha = kMarkKeys;
    for (DWORD k = 0; k < kMarkKeys; ++k)
    {
        def.Color[k] = D3DXVECTOR3(kWhite, kWhite, kWhite);
        def.Alpha[k] = kOpaque;
        def.Color_Time[k] = def.Alpha_Time[k] = static_cast<float>(k);
    }
    def.IsDecal = 1;
    FX.CreateFx(&def, nullptr, nullptr, 0);
}

// ---- Other shooters ----------------------------------------------------------------------

void FireWeaponShot(const EItemDesc* weapon, const D3DXVECTOR3* muzzle, const EOrientation* orientation,
                    HOBJECT shooter, BYTE silenced, float damageFactor)
{
    if (!weapon || !muzzle || !orientation)
        return;
    // 1. The mission scripts hear of the hero's shots only: a character, a
    // helicopter or a scripted gun firing must not fail a mission that forbids
    // the hero to shoot.
    if (shooter && Player.IsHeroObject(shooter))
        g_QuestSystem.OnPlayerShot();
    // 2.
    MuzzleFlash(*muzzle, kFlashOther);
    // 3.
    const D3DXVECTOR3 forward = Normalised(orientation->Forward);
    RayTestResult hit;
    if (ShotTest(*muzzle, *muzzle + forward * kOtherReach, OtherShotFilter, shooter, &hit) &&
        Length(hit.vPoint - *muzzle) < kOtherNearHit)
    {
        HandleBulletHit(weapon, &hit, shooter, 0, silenced, damageFactor);
        return;
    }
    // 4.
    StartBullet(*weapon, *muzzle, forward, shooter, 1, silenced, damageFactor);
}

void FireItemShot(const EItemInstance* weapon, const D3DXVECTOR3* muzzle, const EOrientation* orientation,
                  HOBJECT shooter, BYTE silenced, float damageFactor)
{
    if (!weapon)
        return;
    FireWeaponShot(weapon->m_pDesc, muzzle, orientation, shooter, silenced, damageFactor);
}

// ---- Launchers ---------------------------------------------------------------------------

void CPlayerWeapons::FireLauncher()
{
    EItemInstance* w = current;
    if (!w || !w->m_pDesc || holstered)
        return;
    const EItemDesc& d = *w->m_pDesc;
    HOBJECT held = w->m_hHeldModel;
    // 1.
    if (held)
        if (const EFxDef* fx = RandomFx(d.Player_Shoot_FX))
            FX.CreateFx(fx, held, d.Shoot_Socket, 1);
    // 2.
    recoilStrength = d.HitBack < kMaxRecoil ? d.HitBack : kMaxRecoil;
    recoilDecay = kRecoilDecay;
    kickBack = 0.5f;
    kickDecay = kKickDecay;
    w->m_fShotTimer = 0.0f;
    // 3.
    EMouseState& mouse = g_Mouse.m_State;
    float k = kKickPerPitch * (static_cast<float>(mouse.y) + kPi / 2.0f);
    if (aimProgress > kKickAimFrom)
        k *= kLauncherKickAimed;
    if (Player.m_bCrouched)
        k *= kLauncherKickCrouched;
    const float r = RandomFloat(k) * kLauncherKickScale;
    mouse.y -= r;
    mouse.x += (std::rand() % 2 == 0 ? 1.0f : -1.0f) * r;
    // 4. From the muzzle towards what the camera aims at; a model without its
    // muzzle socket launches nothing.
    D3DXMATRIX socket;
    if (!held || !g_Engine.GetObjectSocket(held, d.Shoot_Socket, &socket, nullptr))
    {
        g_Console.Print2("Launcher without its Shoot_Socket: ", d.name);
        return;
    }
    const D3DXVECTOR3 S(socket._41, socket._42, socket._43);
    const D3DXVECTOR3 far = g_Camera.GetPosition() + g_Camera.GetOrientation().Forward * kLauncherReach;
    RayTestResult hit;
    const bool met = ShotTest(S, far, HeroShotFilter, Player.m_hObject, &hit);
    // 5. Too close for the projectile: only the impact.
    if (met && Length(hit.vPoint - S) < LAUNCHER_DEAD_ZONE)
    {
        const DWORD kind = BulletHit::SurfaceOf(hit);
        const int list =
            kind < std::size(LAUNCHER_LIST_BY_SURFACE) ? LAUNCHER_LIST_BY_SURFACE[kind] : kNoLauncherList;
        const EFxDef* fx = d.HitFx[SURFACE_CONCRETE].defs[0];
        if (list != kNoLauncherList && d.HitFx[list].count != 0)
            fx = RandomFx(d.HitFx[list]);
        const D3DXVECTOR3 at = S + (hit.vPoint - S) * LAUNCHER_IMPACT_SHARE;
        if (fx)
            FX.CreateFxFromDef(fx, &at, nullptr);
        return;
    }
    // 6.
    const D3DXVECTOR3 direction = Normalised(far - S);
    const EOrientation orientation(&direction);
    const D3DXVECTOR3 start = S + direction * LAUNCHER_DEAD_ZONE;
    if (d.Grenade_Launcher)
        LaunchGrenade(w, &start, &orientation, Player.m_hObject);
    else
        LaunchRocket(w, &start, &orientation, Player.m_hObject);
}

namespace
{
// The projectile effect at the start, turned along the orientation; null when
// it could not be started.
EFxInstance* StartProjectile(const char* effect, const EItemInstance* weapon, const D3DXVECTOR3* start,
                             const EOrientation* orientation, HOBJECT owner)
{
    if (!weapon || !start || !orientation)
        return nullptr;
    EFxInstance* fx = FX.CreateFxByName(effect, start, orientation);
    if (!fx || fx == FX.Reserved())
        return nullptr;
    fx->m_hShooter = owner;
    fx->m_vPos = *start;
    fx->m_Orientation = *orientation;
    if (fx->m_hMesh)
        g_Engine.SetObjectRotation(fx->m_hMesh, orientation);
    fx->m_pWeapon = weapon->m_pDesc;
    return fx;
}
} // namespace

void CPlayerWeapons::LaunchRocket(const EItemInstance* weapon, const D3DXVECTOR3* start,
                                  const EOrientation* orientation, HOBJECT owner)
{
    if (EFxInstance* fx = StartProjectile(ROCKET_EFFECT, weapon, start, orientation, owner))
        fx->m_bRocket = 1;
}

void CPlayerWeapons::LaunchGrenade(const EItemInstance* weapon, const D3DXVECTOR3* start,
                                   const EOrientation* orientation, HOBJECT owner)
{
    EFxInstance* fx = StartProjectile(LAUNCHED_GRENADE_EFFECT, weapon, start, orientation, owner);
    if (!fx)
    {
        g_Console.Print("granat_pocisk nie dodany!");
        return;
    }
    fx->m_bGrenade = 1;
    fx->m_vVel = fx->m_Orientation.Forward * LAUNCHED_GRENADE_SPEED;
}

// ---- The event script ----------------------------------------------------------------------

void CPlayerWeapons::RegisterScriptActions()
{
    TkRegisterScriptAction("hero weapon",
                           [](const std::string& args)
                           {
                               if (!args.empty())
                                   return false;
                               const EItemInstance* w = Bronie.current;
                               std::string line = "Hero weapon ";
                               line += w && w->m_pDesc ? w->m_pDesc->name : "none";
                               line += " magazine " + std::to_string(w ? w->m_iMagazine : 0) + " reserve";
                               for (DWORD counter : Bronie.counters)
                                   line += " " + std::to_string(counter);
                               g_Console.Print(line.c_str());
                               return true;
                           });
}
