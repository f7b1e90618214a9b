// CPostacMgr: characters firing their weapons, bullets and blasts that wound
// or kill them, deaths, the knife, and characters brought back by respawners.
#include "characters/PostacMgr.h"

#include "characters/KillCam.h"
#include "characters/PathMgr.h"
#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "game/DialogueMgr.h"
#include "game/QuestSystem.h"
#include "game/SaveMgr.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/HitStats.h"
#include "shell/TextUtils.h"
#include "sound/NpcChatter.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr float kPi = 3.14159265f;
constexpr DWORD HERO_KIND = 128;
constexpr DWORD CHARACTER_KIND = 2;
constexpr DWORD DEAD_KIND = 0x10;
constexpr DWORD DEAD_FLAGS2 = 0x1000;
constexpr DWORD SHOWN_BIT = 0x4;
// Shots.
constexpr DWORD SHOT_FRAME_AFTER_LOAD = 200;
constexpr float kShotAlarmLow = 1.0f;
constexpr float kShotAlarmHigh = 3.5f;
constexpr float kShotHearing = 20.0f;
constexpr float kShotOpenLine = 30.0f;
constexpr float kShotSight = 50.0f;
constexpr DWORD kShotAlarmLife = 2;
constexpr float kNamedTargetLift = 0.8f;
constexpr float kDeadAimReach = 10.0f;
constexpr float kAimSpread = 1.5f;
constexpr float kBurstAimSpread = 1.0f;
constexpr float kNoWeaponAim = -0.1f;
constexpr float kExplosionShaken = 5.0f;
constexpr float kWallMinPlayer = 1.5f;
constexpr float kWallBack = 0.25f;
constexpr float kWallReach = 0.8f;
constexpr float kWallNear = 0.4f;
constexpr float kShotSoundRange = 250.0f;
constexpr float kSniperShotSoundRange = 500.0f;
constexpr int kPellets = 10;
constexpr int kCrouchingStance = 1;
constexpr int kLyingStance = 2;
constexpr float kCrouchingSpread = 0.8f;
constexpr float kLyingSpread = 0.5f;
constexpr float kPelletAngle = 0.05f;
constexpr float kMuzzleLight = 1.0f;
// Hits.
constexpr float kHitHearing = 50.0f, kHitOpenLine = 30.0f, kHitSight = 10.0f;
constexpr float kQuietHearing = 8.0f, kQuietOpenLine = 3.0f, kQuietSight = 2.0f;
constexpr float kBodyHitRange = 40.0f;
constexpr float kSpareReach = 16.0f;
constexpr float kWoundBodyFactor = 0.45f;
constexpr float kArmFactor = 0.9f;
constexpr float kLegFactor = 0.85f;
constexpr float kPartnerNear = 5.0f;
constexpr float kPartnerFactor = 5.0f;
constexpr float kArmouredFactor = 0.6f;
constexpr float kHeroRidingFactor = 3.0f;
constexpr float kHeroHeadFactor = 10.0f;
constexpr float kHardMinimum = 50.0f;
constexpr DWORD kWoundKillHits = 6;
constexpr DWORD kWoundHitLimit = 4;
constexpr float kArmouredWoundPause = 3.0f;
// Explosions.
constexpr float kExplosionReachFactor = 30.0f;
constexpr float kExplosionDamageFactor = 400.0f;
constexpr float kCoverClearRange = 30.0f;
constexpr float kShieldMin = 2.0f;
constexpr float kBlastLowLift = 0.5f;
constexpr float kBlastHighLift = 1.0f;
constexpr float kBodyLift = 1.5f;
// Deaths.
constexpr float kDeathAlarmHearing = 1.0f, kDeathAlarmOpenLine = 2.0f, kDeathAlarmSight = 50.0f;
constexpr DWORD kDeathAlarmLife = 4;
constexpr float kFallLift = 0.2f;
constexpr float kFarBelow = 8.0f;
constexpr float kFarFall = 9.0f;
constexpr float kBodyFallRange = 20.0f;
constexpr float kBodyFallHeard = 40.0f;
constexpr int kCorpseDisappear = 500;
constexpr float kStayOnDeathBlend = 0.2f;
constexpr float kAttachedPush = 5.0f;
// Respawns.
constexpr float kRespawnTimers = 10.0f;
constexpr const char* kLauncherModel = "prefabs\\bronie\\rpg7.x";
constexpr float kLauncherScale = 0.9f;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

D3DXVECTOR3 HeroPosition()
{
    return D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
}

bool IsHeroObject(HOBJECT o)
{
    return o && (o == Player.m_hObject || o->dwFlags3 == HERO_KIND);
}

int BurstCounter(const strpostac* p)
{
    return static_cast<int>(p->burst_count);
}

void SetBurstCounter(strpostac* p, int value)
{
    p->burst_count = static_cast<DWORD>(value);
}

float FireInterval(const strpostac* p)
{
    if (p->fire_interval > 0.0f)
        return p->fire_interval;
    return p->weapon && p->weapon->m_pDesc ? p->weapon->m_pDesc->Shoot_Delay : 0.0f;
}

const EFxDef* RandomFx(const ItemFxList& list)
{
    const DWORD n = list.count < ITEM_LIST_ENTRIES ? list.count : ITEM_LIST_ENTRIES;
    return n ? list.defs[static_cast<DWORD>(std::rand()) % n] : nullptr;
}

// A segment from a to b is blocked by anything but the skipped object.
bool Blocked(const D3DXVECTOR3& a, const D3DXVECTOR3& b, HOBJECT skip, D3DXVECTOR3* hitPoint = nullptr)
{
    D3DXVECTOR3 from = a, to = b;
    if (TraceSegment(&from, &to, skip, 0, nullptr, 0, 0, 0) == 0)
        return false;
    if (hitPoint)
        *hitPoint = from;
    return true;
}

// Turns a direction by an angle about an axis.
D3DXVECTOR3 Turned(const D3DXVECTOR3& v, const D3DXVECTOR3& axis, float angle)
{
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, angle);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &v, &m);
    return out;
}
} // namespace

// ---- Firing ------------------------------------------------------------------------------------

void CPostacMgr::UpdateStrzal(strpostac* p)
{
    if (!p || p->dead || !p->faza)
        return;
    const strFaza* f = p->faza;
    const float dt = g_Engine.m_fDeltaTime;
    if (!(f->shot_value > 0.0f) && !f->bot)
        return;
    // An engaged character holds its fire until its new stance's shooting pose has started.
    if (p->engaged && p->stance_change)
        return;
    if (f->bot && p->running_nodes && p->last_bot_choice != 1)
        return;
    if (p->engaged && !p->sees_target)
        return;
    if (!p->may_shoot || p->reloading)
        return;
    const bool debug = g_Options.Debug > 3;
    if (debug)
        g_Console.Print(" - UpdateStrzal po pierwszych sprawdzeniach");
    // 1.
    if (p->saved.shot_countdown > 0.0f)
    {
        p->saved.shot_countdown -= dt;
        if (!p->saved.fired_in_phase && !f->strzal_mesh[0] && !f->force_shot && !f->bot)
        {
            if (debug)
                g_Console.Print("wychodze 0");
            return;
        }
    }
    // 2.
    p->saved.aim_timer += dt;
    if (p->saved.aim_timer < 0.0f)
    {
        if (debug)
            g_Console.Print("wychodze 1");
        return;
    }
    // 3.
    const bool burst = p->desc && p->desc->burst;
    if (burst && p->saved.burst_timer > 0.0f)
    {
        p->saved.burst_timer -= dt;
        if (debug)
            g_Console.Print("wychodze -burst wait");
        return;
    }
    // 4.
    p->saved.aim_timer =
        p->weapon ? FireInterval(p) * (burst ? -kBurstAimSpread : -kAimSpread) : kNoWeaponAim;
    // 5.
    if (f->bot && p->saved.enemy_runs_away)
    {
        if (debug)
            g_Console.Print("wychodze - wrog ucieka");
        return;
    }
    if (PlayerStats.m_bDead || PlayerStats.m_bMissionFailed)
        return;
    StrzalWlasciwy(p, false);
}

void CPostacMgr::StrzalWlasciwy(strpostac* p, bool single)
{
    if (!p || !p->faza)
        return;
    const strFaza* f = p->faza;
    const bool debug = g_Options.Debug > 3;
    // 1.
    if (!p->target && !f->strzal[0] && !f->strzal_mesh[0] && !g_Engine.m_pLookFrom && !single)
        return;
    EItemInstance* weapon = p->weapon;
    if (!weapon || !weapon->m_hHeldModel || !weapon->m_pDesc)
        return;
    if (g_SaveMgr.m_bLoadedFromSave && g_MainGame.m_iLevelFrame < SHOT_FRAME_AFTER_LOAD)
        return;
    const EItemDesc& d = *weapon->m_pDesc;
    // 2. An empty magazine refills; the refill costs a shot unless it is single.
    if (weapon->m_iMagazine == 0)
    {
        if (p->bot && p->place && debug)
            g_Console.Print("wychodze - reload!");
        weapon->m_iMagazine = d.Ammo;
        if (!single)
            return;
    }
    // 3.
    if (debug)
        g_Console.Print2(p->name, " strzela");
    for (float lift : {kShotAlarmLow, kShotAlarmHigh})
    {
        D3DXVECTOR3 at = p->position;
        at.y += lift;
        AddAlarm(&at, kShotHearing, kShotOpenLine, 1, kShotSight, kShotAlarmLife, 0, 1);
    }
    D3DXVECTOR3 muzzle = p->position;
    if (p->muzzle_known)
        muzzle = p->muzzle_position;
    else
    {
        D3DXMATRIX m;
        EOrientation o;
        if (d.Shoot_Socket_Enemy[0] &&
            g_Engine.GetObjectSocket(weapon->m_hHeldModel, d.Shoot_Socket_Enemy, &m, &o))
            muzzle = D3DXVECTOR3(m._41, m._42, m._43);
        else
        {
            char line[256];
            std::snprintf(line, sizeof line, "Postac %s nie czyta socketa strzalu: %s", p->name,
                          d.Shoot_Socket_Enemy);
            g_Console.Print(line);
        }
    }
    // 4.
    if (!p->sees_target && !f->strzal[0] && !f->strzal_mesh[0] && !g_Engine.m_pLookFrom && !single)
    {
        if (debug)
            g_Console.Print(" wychodzi ze strzalu (nie widzi gracza)");
        return;
    }
    // 5. The aim point.
    D3DXVECTOR3 aim = p->aim_point;
    if (single)
        aim = HeroPosition();
    if (p->dead)
        aim = p->position + p->look_direction * kDeadAimReach;
    if (f->strzal[0])
    {
        if (const strpostac* named = FindCharacterByName(f->strzal, true))
        {
            aim = named->position;
            aim.y += kNamedTargetLift;
        }
    }
    else if (f->strzal_mesh[0])
    {
        if (const HOBJECT o = g_Engine.FindObject(f->strzal_mesh, 0))
            aim = o->vPosition;
    }
    const bool sniper = f->sniper || p->sniper;
    if (sniper)
        aim = g_Camera.GetPosition();
    // 6. The spread.
    const float spread = ShotSpread(p, d);
    D3DXVECTOR3 direction = aim - muzzle;
    const float aimDistance = D3DXVec3Length(&direction);
    if (!(aimDistance > 1e-6f) || !std::isfinite(aimDistance))
        direction = p->look_direction;
    else
        direction /= aimDistance;
    const EOrientation facing(&direction);
    direction = Turned(direction, facing.Up, (RandomFloat(2.0f) - 1.0f) * 0.6f * spread);
    direction = Turned(direction, facing.Right, p->sway_phase * 0.6f * spread * 2.0f);
    // 7. A shot into a wall right in front of the muzzle is not fired.
    const float heroDistance = Distance(p->position, HeroPosition());
    if (!single && heroDistance > kWallMinPlayer)
    {
        const D3DXVECTOR3 from = muzzle - p->look_direction * kWallBack;
        D3DXVECTOR3 toTarget = aim - from;
        if (D3DXVec3Length(&toTarget) > 1e-6f)
            D3DXVec3Normalize(&toTarget, &toTarget);
        const D3DXVECTOR3 to = from + toTarget * (kWallReach * heroDistance);
        D3DXVECTOR3 hit;
        if (Blocked(from, to, p->model, &hit) && Distance(hit, from) < kWallNear)
        {
            ++p->bad_shots;
            if (debug)
                g_Console.Print(" - Wychodze bo strzal w sciane");
            return;
        }
        p->bad_shots = 0;
    }
    // 8. Fire.
    const float marker[3] = {muzzle.x, muzzle.y, muzzle.z};
    g_Panel.AddHitMarker(marker);
    p->fired_this_frame = 1;
    if (p->bot)
        ShoutAlarm(p);
    if (d.Shoot_Sound_Enemy.count)
    {
        const DWORD n =
            d.Shoot_Sound_Enemy.count < ITEM_LIST_ENTRIES ? d.Shoot_Sound_Enemy.count : ITEM_LIST_ENTRIES;
        const char* sound = d.Shoot_Sound_Enemy.names[static_cast<DWORD>(std::rand()) % n];
        g_SoundMgr.PlaySound3DOnce(sound, &muzzle, sniper ? kSniperShotSoundRange : kShotSoundRange);
    }
    const EOrientation shotFrame(&direction);
    if (const EFxDef* fx = RandomFx(d.Enemy_Shoot_FX))
        FX.CreateFxFromDef(fx, &muzzle, &shotFrame);
    MuzzleFlash(muzzle, kMuzzleLight);
    const bool blank = f->strzal_slepy || g_Panel.WideScreen || g_Panel.m_bPanoramic;
    if (!blank)
    {
        const int pellets = weapon->m_bShotgun ? kPellets : 1;
        for (int i = 0; i < pellets; ++i)
        {
            D3DXVECTOR3 pellet = direction;
            if (pellets > 1)
            {
                pellet = Turned(pellet, shotFrame.Up, (RandomFloat(2.0f) - 1.0f) * kPelletAngle);
                pellet = Turned(pellet, shotFrame.Right, (RandomFloat(2.0f) - 1.0f) * kPelletAngle);
            }
            const EOrientation o(&pellet);
            FireItemShot(weapon, &muzzle, &o, p->model, weapon->m_bSilenced, 1.0f);
        }
    }
    EjectCasing(p);
    // The count never goes below 0, whatever the magazine size.
    if (weapon->m_iMagazine > 0)
        --weapon->m_iMagazine;
    // 9. Bursts.
    if (p->desc && p->desc->burst)
    {
        SetBurstCounter(p, BurstCounter(p) - 1);
        if (BurstCounter(p) < 0)
            NewBurst(p);
    }
    if (p->sniper)
        SetBurstCounter(p, -1);
    if (p->dead)
        SetBurstCounter(p, 10);
    if (debug)
        g_Console.Print(" oddal strzal.");
}

float CPostacMgr::ShotSpread(const strpostac* p, const EItemDesc& weapon) const
{
    if (!p)
        return 0.0f;
    float spread = weapon.dispersion * 0.4f * kPi / 180.0f;
    if (Player.m_fTimeSinceExplosion < kExplosionShaken)
        spread *= 4.0f;
    const int counter = BurstCounter(p);
    if (counter < 5)
        spread *= 2.0f;
    else if (counter == 8)
        spread = 0.0f;
    else if (counter > 8)
        spread *= 0.7f;
    if (p->faza && p->faza->sniper)
        spread = 0.0f;
    if (p->sniper)
        spread *= 0.01f;
    if (p->bot)
    {
        if (p->stance_index == kCrouchingStance)
            spread *= kCrouchingSpread;
        else if (p->stance_index == kLyingStance)
            spread *= kLyingSpread;
    }
    return spread;
}

// ---- Hits ---------------------------------------------------------------------------------------

bool CPostacMgr::SparesNearby(HOBJECT shooter, const D3DXVECTOR3& at)
{
    return shooter && shooter->bUsed && shooter->bSpareNearby &&
           Distance(shooter->vPosition, at) <= kSpareReach;
}

float CPostacMgr::HitDamageFactor(const strpostac* p, HOBJECT shooter, DWORD part,
                                  const EItemDesc* weapon) const
{
    if (!p)
        return 0.0f;
    const bool wound = p->wound_reaction != 0;
    float factor = 1.0f;
    if (!p->armoured && part == BODY_PART_HEAD)
        factor = p->desc ? p->desc->head_shot_multiplier : DEFAULT_HEAD_SHOT_MULTIPLIER;
    else if (wound)
        factor = kWoundBodyFactor;
    if (g_Options.Difficulty > 0)
    {
        if (part == BODY_PART_LEFT_ARM || part == BODY_PART_RIGHT_ARM)
            factor *= kArmFactor;
        else if (part == BODY_PART_LEFT_LEG || part == BODY_PART_RIGHT_LEG)
            factor *= kLegFactor;
    }
    if (p->running_nodes)
        factor *= 2.0f;
    if (wound)
        factor *= 2.0f;
    if (shooter && shooter != p->model)
    {
        const strpostac* s = const_cast<CPostacMgr*>(this)->FindCharacterByObject(shooter);
        if (s && s->partner && !s->player_record && Distance(s->position, p->position) < kPartnerNear)
            factor *= kPartnerFactor;
    }
    if (p->armoured && part == BODY_PART_NONE)
        factor *= kArmouredFactor;
    if (Player.m_bRiding || Player.m_bOnGun)
        factor *= kHeroRidingFactor;
    if (shooter && shooter->dwFlags3 == HERO_KIND && weapon && weapon->Lethal && part == BODY_PART_NONE)
        factor *= kHeroHeadFactor;
    return factor;
}

void CPostacMgr::HealthDetect(strpostac* p, float before)
{
    if (!p || !p->desc)
        return;
    const float now = p->hit_points;
    if (const strFaza* f = p->faza)
        for (DWORD i = 0; i < f->health_detect_count && i < FAZA_LIST_SIZE; ++i)
            if (before > f->health_detect_health[i] && now < f->health_detect_health[i])
            {
                SetFaza(p, f->health_detect_faza[i]);
                break;
            }
    const strPostacDsc& d = *p->desc;
    for (DWORD i = 0; i < d.global_health_detect_count && i < DSC_MAX_HEALTH_PHASES; ++i)
        if (before > d.global_health_detect_health[i] && now < d.global_health_detect_health[i])
        {
            SetFaza(p, d.global_health_detect_faza[i]);
            break;
        }
}

void CPostacMgr::OnBulletHit(strpostac* p, HOBJECT shooter, const D3DXVECTOR3* point,
                             const RayTestResult* hit, const EItemDesc* weapon, bool quiet)
{
    if (!p || !p->used || !point)
        return;
    const DWORD part = hit ? hit->iBodyPart : BODY_PART_NONE;
    // 1.
    const float hearing = quiet ? kQuietHearing : kHitHearing;
    const float openLine = quiet ? kQuietOpenLine : kHitOpenLine;
    const float sight = quiet ? kQuietSight : kHitSight;
    if (!p->dead)
    {
        if ((p->faza && p->faza->ignore_shots) || p->immortal || SparesNearby(shooter, p->position))
            return;
        AddAlarm(point, hearing, openLine, 0, sight, kShotAlarmLife, 0, 0);
    }
    // 2.
    ++p->hit_count;
    g_HitStats.OnBulletHit();
    if (p->armoured && part == BODY_PART_NONE)
        FX.CreateFxByName("afx_hit_metal", point, nullptr);
    else
    {
        const ItemFxList* body = weapon ? &weapon->HitFx[SURFACE_BODY] : nullptr;
        for (int i = 0; i < 3; ++i)
        {
            if (const EFxDef* fx = body ? RandomFx(*body) : nullptr)
                FX.CreateFxFromDef(fx, point, nullptr);
            else
                FX.CreateFxByName("krew0", point, nullptr);
        }
    }
    char sound[64];
    std::snprintf(sound, sizeof sound, "sounds\\hero\\wcialo%i.wav", 1 + std::rand() % 3);
    g_SoundMgr.PlaySound3DOnce(sound, point, kBodyHitRange);
    const bool fromHero = IsHeroObject(shooter);
    // 7. A dead character only shows the hit.
    if (p->dead)
    {
        // A lying bot that shot at a body gets up (or to its knees).
        strpostac* s = shooter && !fromHero ? FindCharacterByObject(shooter) : nullptr;
        if (s && s != p && !s->dead && s->bot && s->stance_index == kLyingStance)
            ChangeStance(s);
        return;
    }
    // 3.
    const float factor = HitDamageFactor(p, shooter, part, weapon);
    float damage = (weapon ? (fromHero ? weapon->Hit : weapon->Enemy_Hit) : 0.0f) * factor;
    if (!std::isfinite(damage))
        damage = 0.0f;
    if (g_Options.Difficulty > 2 && damage < kHardMinimum)
        damage = kHardMinimum;
    // A partner is hurt by nobody but the hero.
    if (p->partner && !fromHero)
        damage = 0.0f;
    // 4.
    const float before = p->hit_points;
    p->hit_points -= damage;
    if (p->faza && p->faza->immortal && p->hit_points < 1.0f)
        p->hit_points = 1.0f;
    HealthDetect(p, before);
    if (p->dead || !p->used)
        return;
    // 6.
    if (p->faza && p->faza->on_any_hit[0])
    {
        if (p->model)
            p->position = p->model->vPosition;
        ClearPath(p);
        SetFaza(p, p->faza->on_any_hit);
        return;
    }
    // 5.
    if (p->hit_points <= 0.0f || (p->wound_reaction && p->hit_count > kWoundKillHits))
    {
        const D3DXVECTOR3 from = shooter ? shooter->vPosition : *point;
        Zabij(p, &from, point, hit, weapon && weapon->Big_Gun, false, quiet);
        if (fromHero)
            ++m_iPlayerKills;
        return;
    }
    if (p->postac_running && p->run_allows_faza)
    {
        p->postac_running = 0;
        ClearPath(p);
        SetFaza(p, StandPhaseName(p));
        return;
    }
    bool mayWound = !p->wound_reaction && !p->saved.estimate_pending && p->hit_count <= kWoundHitLimit;
    if (p->faza && p->faza->wylacz_postrzal)
        mayWound = false;
    if (p->armoured && p->since_wound < kArmouredWoundPause)
        mayWound = false;
    if (p->rocket_firing || p->throwing)
        mayWound = false;
    if (mayWound && p->bot && std::rand() % 3 == 0)
        mayWound = false;
    if (!mayWound)
        return;
    if (!p->sees_target && shooter)
    {
        D3DXVECTOR3 toShooter = shooter->vPosition - p->position;
        toShooter.y = 0.0f;
        if (D3DXVec3Length(&toShooter) > 1e-6f)
        {
            D3DXVec3Normalize(&toShooter, &toShooter);
            p->look_direction = toShooter;
        }
        p->target_position = shooter->vPosition;
    }
    if (PlayCrouchWound(p, 1 + std::rand() % 2))
    {
        p->wound_reaction = 1;
        p->since_wound = 0.0f;
        CryWounded(p, false);
    }
}

// ---- Explosions ----------------------------------------------------------------------------------

void CPostacMgr::ApplyExplosion(const D3DXVECTOR3* position, float power)
{
    if (!position || !std::isfinite(power))
        return;
    const float reach = power * kExplosionReachFactor;
    // A blast of no power reaches nobody (and divides by nothing).
    if (!(reach > 0.0f))
        return;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (!p.used || p.dead || !p.desc || !p.model || p.ghost || p.player_record)
            continue;
        const float distance = Distance(p.position, *position);
        if (distance <= kCoverClearRange)
            p.choice_timer = 0.0f;
        if (distance > reach)
            continue;
        if (distance > kShieldMin)
        {
            D3DXVECTOR3 body = p.position;
            body.y += kBodyLift;
            D3DXVECTOR3 low = *position, high = *position;
            low.y += kBlastLowLift;
            high.y += kBlastHighLift;
            if (Blocked(low, body, p.model) && Blocked(high, body, p.model))
                continue;
        }
        const float damage = (reach - distance) * (power * kExplosionDamageFactor) / reach;
        const float before = p.hit_points;
        p.hit_points -= damage;
        if (p.faza && p.faza->immortal && p.hit_points < 1.0f)
            p.hit_points = 1.0f;
        if (p.hit_points < 1.0f)
        {
            if (p.desc->destroy_on_death)
                p.delete_request = 1;
            else
                Zabij(&p, position, position, nullptr, true, false, false);
        }
        else
            HealthDetect(&p, before);
    }
    AddAlarm(position, 30.0f, 50.0f, 0, 150.0f, 2, 0, 0);
}

// ---- Deaths ----------------------------------------------------------------------------------------

void CPostacMgr::DropAttachedObject(strpostac* p)
{
    HOBJECT o = p->attached_object;
    p->attached_object = nullptr;
    p->attached_name[0] = 0;
    if (!o || !o->bUsed)
        return;
    if (g_Options.Debug > 0)
        g_Console.Print("Wyrzucam attached object");
    if (o->Type != OT_SKINMESH)
    {
        g_Engine.DeleteObject(o);
        return;
    }
    o->bTied = 0;
    o->pTiedTo = nullptr;
    D3DXVECTOR3 away = o->vPosition - p->position;
    if (D3DXVec3Length(&away) > 1e-6f)
        D3DXVec3Normalize(&away, &away);
    else
        away = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 push = away * kAttachedPush;
    g_Engine.PutForceToObject(o, &push, 1.0f);
    if (g_Options.Debug > 0)
        g_Console.Print("Wyrzucony");
}

void CPostacMgr::Zabij(strpostac* p, const D3DXVECTOR3* killer, const D3DXVECTOR3* point,
                       const RayTestResult*, bool, bool knife, bool quiet)
{
    // One death a life: a blast set off by this death cannot kill it again.
    if (!p || !p->used || p->dead || p->death_handled || !p->desc || p->player_record)
        return;
    if (!p->model || p->model->Type != OT_SKINMESH)
        return;
    const HOBJECT model = p->model;
    // 1.
    p->death_handled = 1;
    if (!OBE.m_bRunning && !knife && !quiet)
        CryDeath(p);
    // Its dialogues stop (which also clears it as the HUD's speaker), and so
    // does a chat it takes part in.
    g_DialogueMgr.StopDialoguesOf(p, false);
    g_NpcChatter.StopIfSpeaker(p);
    g_QuestSystem.OnEnemyDead(p->name, p->position);
    if (g_Options.Debug > 0)
        g_Console.Print2(p->name, " umiera!");
    p->far_count = 0;
    p->suspended = 0;
    if (p->speech)
    {
        g_SoundMgr.StopSound(p->speech);
        g_SoundMgr.DeleteSound(p->speech);
        p->speech = nullptr;
    }
    g_Panel.ClearSpeaker(p);
    p->anim.pSequence = nullptr;
    p->anim.pStep = nullptr;
    p->death_position = p->position;
    // The laser sight goes dark. A character never carries a rider of its own
    // (a ridden object belongs to the world and stays).
    RemoveLaserBeam(p);
    p->saved.has_laser = 0;
    // 2.
    DropAttachedObject(p);
    if (p->following_bezier)
    {
        g_Engine.StopBezierMoving(model);
        p->following_bezier = 0;
    }
    // 3.
    auto deathActions = [](const char* activate, const char* destroy)
    {
        if (activate && activate[0])
            g_EngineObject.RunObjectActionsByName(activate);
        if (destroy && destroy[0])
            if (const HOBJECT o = g_Engine.FindObject(destroy, 0))
                g_EngineObject.HandleDeath(o);
    };
    if (p->faza)
        deathActions(p->faza->on_death_activate, p->faza->on_death_destroy);
    if (!p->used || p->dead)
        return;
    deathActions(p->desc->global_on_death_activate, p->desc->global_on_death_destroy);
    if (!p->used || p->dead)
        return;
    // 4.
    for (float lift : {1.0f, 2.0f})
    {
        D3DXVECTOR3 at = p->position;
        at.y += lift;
        AddAlarm(&at, kDeathAlarmHearing, kDeathAlarmOpenLine, 0, kDeathAlarmSight, kDeathAlarmLife, 0, 0);
    }
    // 5.
    p->dead = 1;
    p->corpse_time = 0.0f;
    p->death_settling = 1;
    const D3DXVECTOR3 from = killer ? *killer : p->position;
    D3DXVECTOR3 fall = p->position - from;
    fall.y = 0.0f;
    if (D3DXVec3Length(&fall) > 1e-6f)
        D3DXVec3Normalize(&fall, &fall);
    fall.y += kFallLift;
    fall *= 0.6f + RandomFloat(0.6f) - RandomFloat(0.5f);
    if (std::fabs(p->position.y - Player.m_vPosition.y) > kFarBelow)
        fall *= kFarFall;
    // 6.
    const char* stay = p->faza ? p->faza->stay_on_death : "";
    if (stay[0])
    {
        const char* anim = p->faza->anim_on_death[0] ? p->faza->anim_on_death : p->faza->stay_on_death_anim;
        g_SequenceList.SetCharacterAnimation(&p->anim, anim, 0, kStayOnDeathBlend, 1.0f);
        CopyCut(p->anim.szAnimation, sizeof p->anim.szAnimation, anim);
        p->anim.bLoop = 0;
        p->stay_on_death = 1;
    }
    else
        PlayDeathAnimation(p);
    AddDeathMarker(p, &fall);
    g_Engine.SetObjectFlags2(model, DEAD_FLAGS2, ~0u);
    g_Engine.SetObjectFlags3(model, DEAD_KIND, ~0u);
    g_Engine.SetObjectFlags(model, 0, SHOWN_BIT);
    // 7.
    if (Distance(p->position, g_Camera.GetPosition()) <= kBodyFallRange)
        g_SoundMgr.PlaySound3DOnce("sounds\\special\\body_fall.wav", &p->position, kBodyFallHeard);
    if (g_Options.Debug > 3)
        g_Console.Print("przed bronia");
    DropWeapon(p);
    g_Engine.SetObjectDisappearRange(model, kCorpseDisappear);
    OBE.OnNpcDeath(model);
    // 8.
    if (p->partner)
    {
        if (g_Options.Debug > 0)
            g_Console.Print("zabicie partnera odpala GameFailed");
        GameFailed(0);
    }
    if (g_Options.Debug > 3)
        g_Console.Print("Wychodze z ::Zabij");
}

void CPostacMgr::KillByKnife(HOBJECT object)
{
    strpostac* p = FindCharacterByObject(object);
    if (!p || p->dead || (p->faza && p->faza->immortal) || p->armoured || p->immortal)
        return;
    const bool partner = p->partner;
    const D3DXVECTOR3 hero = HeroPosition();
    // The knife's own partner line replaces the death's.
    p->partner = 0;
    Zabij(p, &hero, &p->position, nullptr, false, true, false);
    p->partner = partner ? 1 : 0;
    if (partner && p->dead)
    {
        if (g_Options.Debug > 0)
            g_Console.Print("nozem zabity partner odpala GameFailed");
        GameFailed(1);
    }
}

// ---- Respawns ----------------------------------------------------------------------------------------

strpostac* CPostacMgr::RespawnCharacter(const char* name, const D3DXVECTOR3* position,
                                        const EOrientation* orientation, const char* faza, HOBJECT respawner)
{
    if (g_Options.Debug > 0)
    {
        g_Console.Print2("Respawnuje postac ", name ? name : "");
        if (position)
            g_Console.PrintVector("Respawn pos: ", *position);
    }
    strpostac* p = SpawnCharacter(name, position, orientation);
    if (!p)
    {
        g_Console.Print3("RespawnCharacter ", name ? name : "", " failed!");
        return nullptr;
    }
    p->respawner = respawner;
    CopyCut(p->name, sizeof p->name, respawner ? respawner->szName : (name ? name : ""));
    if (respawner && respawner->pActionParams)
    {
        const EObjectActionParams& a = *respawner->pActionParams;
        if (a.action_respawn_force_weapon[0])
            CopyCut(p->weapon_override, sizeof p->weapon_override, a.action_respawn_force_weapon);
        p->forced_kill_camera = a.action_respawn_obe_after_death;
    }
    p->saved.timers[0] = kRespawnTimers;
    p->saved.timers[1] = kRespawnTimers;
    CreateCharacterModel(p, nullptr);
    if (p->model)
        p->model->bHidden = 0;
    // A rocket carrier holds its launcher; it goes with the character's other objects.
    if (p->RPG && !p->launcher)
    {
        const float scale[3] = {kLauncherScale, kLauncherScale, kLauncherScale};
        p->launcher = g_Engine.CreateObject(OT_MESH, kLauncherModel, CHARACTER_WORN_FLAGS,
                                            CHARACTER_WORN_FLAGS2, &p->position.x, scale);
        HOBJECT* slot = std::find(std::begin(p->extra_objects), std::end(p->extra_objects), nullptr);
        if (slot != std::end(p->extra_objects))
            *slot = p->launcher;
        else if (p->launcher)
        {
            g_Engine.DeleteObject(p->launcher);
            p->launcher = nullptr;
        }
    }
    PlaceModel(p);
    p->target_position = HeroPosition();
    p->segment_start = p->position;
    g_PathMgr.FindPlaceFor(p);
    if (faza && faza[0])
    {
        if (g_Options.Debug > 0)
            g_Console.Print2("Setting phase to ", faza);
        SetFaza(p, faza);
    }
    // A weapon with a laser socket shines its beam.
    if (HasLaserSight(p))
    {
        p->saved.has_laser = 1;
        if (p->faza)
            UpdatePozycjeGanow(p);
        else
            UpdateLaserBeam(p);
    }
    if (m_szForcedRunTarget[0])
    {
        if (g_Options.Debug > 0)
            g_Console.Print2("Wymuszam RunTo do ", m_szForcedRunTarget);
        PostacRunTo(p, m_szForcedRunTarget, "", StandPhaseName(p), "bieg");
    }
    if (g_Options.Debug > 0)
        g_Console.Print2("Koniec respawnu postaci ", p->name);
    return p;
}
