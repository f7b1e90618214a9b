// CPostacMgr: the choice a fighting character makes every frame it stands in a
// bot phase: change stance, lean out, fire a rocket, throw a grenade, move to
// a firing place, take cover, rush the player or hold, with timers so it does
// not flip every frame, a crowding rule and a danger rule; and the stages of
// a bot's grenade throw.
#include "characters/PostacMgr.h"

#include "characters/PostacGeometry.h"
#include "characters/PostacSockets.h"
#include "mesh/SkinMesh.h"
#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/DeathParams.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr const char* kStand = "bot_stoi";
constexpr const char* kToShoot = "bot_do_strzalu";
constexpr const char* kCover = "bot_chowa_sie";
constexpr const char* kRush = "bot_do_gracza";

// Slowing a held pose.
constexpr float kSlowAfter = 0.2f;
constexpr float kSlowScale = 0.1f;

// Crowding.
constexpr float kCrowdEvery = 1.0f;
constexpr float kCrowdReach = 1.0f;

// The main choice's times (seconds) and distances.
constexpr float kChoiceReset = 10.0f;
constexpr float kNear = 8.0f;
constexpr float kMiddle = 15.0f;
constexpr float kWallShotsReach = 40.0f;
constexpr float kSniperWallShotsReach = 100.0f;
constexpr float kSniperFar = 32.0f;
constexpr float kRushFar = 1200.0f;

// The grenade throw.
constexpr float kGrenadeMade = 0.116f;
constexpr float kGrenadeReleased = 1.45f;
constexpr float kThrowLift = 0.2f;
constexpr float kThrowRaise = 0.1f;
constexpr float kThrowSpeedPerUnit = 2.4f;
constexpr float kThrowSpeedMin = 25.0f;
constexpr float kThrowSpeedMax = 80.0f;
constexpr float kFuse = 3.5f;
constexpr const char* kGrenadeModel = "prefabs\\bronie\\granat.x";
constexpr const char* kGrenadeSocket = "granat";
constexpr const char* kGrenadeName = "granat";
constexpr DWORD kGrenadeFlags = 0x181;
constexpr DWORD kGrenadeFlags2 = 0x18000020;
constexpr DWORD kGrenadeKind = 4096;
constexpr int kSphere = 3;
constexpr float kGrenadeMass = 1.0f;
constexpr float kGrenadeFriction = 0.35f;
constexpr float kGrenadeHealth = 5.0f;

bool OneIn(int n)
{
    return std::rand() % n == 0;
}

bool InBand(float d)
{
    return d > kNear && d < kMiddle;
}

// The grenade in the hand counts among the character's extra objects, so a
// deleted character takes it along.
void HoldAmongExtras(strpostac* p, HOBJECT object)
{
    for (HOBJECT& o : p->extra_objects)
        if (!o)
        {
            o = object;
            return;
        }
}

void ReleaseFromExtras(strpostac* p, HOBJECT object)
{
    for (HOBJECT& o : p->extra_objects)
        if (o == object)
            o = nullptr;
}
} // namespace

void CPostacMgr::AdvanceCombatTimers(strpostac* p, float frameTime)
{
    if (!p)
        return;
    p->lean_timer += frameTime;
    p->since_lean += frameTime;
    p->rocket_cooldown = std::max(0.0f, p->rocket_cooldown - frameTime);
}

void CPostacMgr::SnapBotToGround(strpostac* p)
{
    // The per-frame update's own snap: its segment test counts with the update's.
    SnapToGround(p);
}

void CPostacMgr::BotDoStrzalu(strpostac* p, bool snap)
{
    if (snap)
        SnapBotToGround(p);
    p->choice_timer = kChoiceReset;
    p->since_path_advance = kChoiceReset;
    SetFaza(p, kToShoot);
}

void CPostacMgr::BotUpdate(strpostac* p)
{
    if (!p || !p->faza || p->rocket_firing || p->throwing || p->wound_reaction)
        return;
    ++m_iBotChoices;
    p->second_bot_shot = 0;
    if (!p->first_bot_shot)
        p->choose_again = 1;
    p->last_bot_choice = -1;

    // 1. A stance change ends in its shooting pose; a lean takes its step.
    if (p->stance_change)
    {
        SnapBotToGround(p);
        StartShootingPose(p);
        return;
    }
    if (p->lean_side != 0)
    {
        UpdateLean(p);
        return;
    }

    // 2. A new request, or no stance yet: one stance change. The first
    // bot-shot byte keeps the following calls from asking again.
    if (p->choose_again || !p->stance_animation[0] || p->stance_index < 0)
    {
        SnapBotToGround(p);
        ChangeStance(p);
        p->choose_again = 0;
        p->first_bot_shot = 1;
        return;
    }

    // 3. A pose held for a while is slowed nearly to a stop.
    SnapBotToGround(p);
    if (p->blend_timer > kSlowAfter && !p->wound_reaction && !p->suspended)
        if (ESkinMesh* skin = p->model && p->model->Type == OT_SKINMESH
                                  ? static_cast<ESkinMesh*>(p->model->Object)
                                  : nullptr)
        {
            skin->SetTimeScale(kSlowScale);
            p->anim.fBlendTime = kSlowScale;
        }

    // 4. Leaning out of cover.
    if (!p->sniper)
        if (const int side = ChooseLeanSide(p))
        {
            StartLean(p, side);
            return;
        }

    const strFaza* f = p->faza;
    const bool stay = f->nie_odbiegaj != 0;

    // 5. Crowding: two bots never stand in one spot.
    p->crowd_timer -= g_Engine.m_fDeltaTime;
    if (p->crowd_timer < 0.0f)
    {
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            const strpostac& o = m_Postacie[i];
            if (&o == p || !o.used || o.dead || o.player_record || o.ghost || o.suspended || !o.faza)
                continue;
            if (postacgeometry::Distance(o.position, p->position) < kCrowdReach)
            {
                SetFaza(p, kCover);
                return;
            }
        }
        p->crowd_timer = kCrowdEvery;
    }

    // 6. A grenade lands near: take cover.
    if (IsNearKind4096(p) && !stay && p->choice_timer > 3.0f)
    {
        SetFaza(p, kCover);
        return;
    }

    // 7. The main choice.
    const float T = p->stance_timer;
    const float C = p->choice_timer;
    const float S = p->since_target_seen;
    const float D = p->camera_distance;
    const DWORD N = p->bad_shots;
    if (!p->sniper)
    {
        if (T > 2.0f && !stay && C > 3.0f && ((S > 1.2f && InBand(D)) || (S > 0.4f && D <= kNear)))
        {
            BotDoStrzalu(p, true);
            return;
        }
    }
    else if (T > 2.0f && !stay && C > 6.0f && ((S > 2.2f && InBand(D)) || (S > 0.4f && D <= kNear)))
    {
        BotDoStrzalu(p, true);
        return;
    }
    if ((!p->sniper && T > 2.0f && C > 3.0f && N > 2 && D < kWallShotsReach && !stay) ||
        (p->sniper && T > 2.0f && C > 20.0f && N > 2 && D < kSniperWallShotsReach && !stay))
    {
        BotDoStrzalu(p, false);
        return;
    }

    const float least = (p->sniper && p->target_distance > kSniperFar) ? 10.0f : 2.0f;
    if (p->time_in_phase > least)
    {
        SnapBotToGround(p);
        const float hold = p->partner ? 16.0f : 6.0f;
        if (T > hold)
        {
            // The stance is drawn before the timer restarts: the change
            // restarts it itself, and one that found it at 0 would keep the
            // stance it has.
            if (OneIn(4))
                ChangeStance(p);
            p->stance_timer = 0.0f;
            return;
        }
        if (p->RPG && CanFireRocket(p) == 0)
        {
            StartRocket(p);
            return;
        }
        // No character carries grenades: there is no check that lets one throw.
        if (!stay && !p->sniper && !p->has_shouted)
        {
            BotDoStrzalu(p, false);
            return;
        }
        if (p->shotgun && !stay && C > 3.0f && p->target_distance > kRushFar && OneIn(2))
        {
            p->choice_timer = kChoiceReset;
            p->since_path_advance = kChoiceReset;
            SetFaza(p, kRush);
            return;
        }
        if (!stay && C > 3.0f &&
            ((S > 4.0f && InBand(D)) || (S > 2.5f && D <= kNear) || (N > 3 && D < kWallShotsReach)))
        {
            BotDoStrzalu(p, false);
            return;
        }
        if (!stay && C > 3.0f && S > 4.0f && OneIn(2))
        {
            BotDoStrzalu(p, false);
            return;
        }
        const bool sniperSees = !p->sniper || S >= 0.5f;
        if (!p->been_hit && !stay && C > 12.0f && sniperSees && OneIn(2))
        {
            p->choice_timer = kChoiceReset;
            p->since_path_advance = kChoiceReset;
            SetFaza(p, kCover);
            return;
        }
        if (p->been_hit && S > 1.0f && C > 3.0f)
        {
            BotDoStrzalu(p, false);
            return;
        }
        if (sniperSees && S > 1.0f && C > 3.0f && OneIn(2))
        {
            EndPhase(p);
            return;
        }
        p->time_in_phase = 0.0f;
    }
    if (p->sniper)
        UpdateSniperGlint(p);
}

// ---- The grenade throw ------------------------------------------------------------------------

void CPostacMgr::UpdateGrenadeThrow(strpostac* p)
{
    if (!p || !p->throwing)
        return;
    if (p->dead)
    {
        // A grenade never hangs in the air of a dead hand.
        if (p->grenade)
        {
            ReleaseFromExtras(p, p->grenade);
            g_Engine.DeleteObject(p->grenade);
            p->grenade = nullptr;
        }
        p->throwing = 0;
        return;
    }
    p->throw_timers[0] += g_Engine.m_fDeltaTime;
    const float t = p->throw_timers[0];
    switch (p->throw_stage)
    {
    case 0:
        if (t < kGrenadeMade)
            return;
        p->grenade = g_Engine.CreateObject(OT_MESH, kGrenadeModel, kGrenadeFlags, kGrenadeFlags2,
                                           &p->position.x, nullptr);
        if (p->grenade)
        {
            g_Engine.SetObjectName(p->grenade, kGrenadeName);
            HoldAmongExtras(p, p->grenade);
        }
        p->throw_stage = 1;
        return;
    case 1:
    {
        if (!p->grenade)
        {
            p->throw_stage = 2;
            return;
        }
        D3DXVECTOR3 hand = p->grenade->vPosition;
        EOrientation handTurn;
        if (SocketTransform(p->model, kGrenadeSocket, &hand, &handTurn))
            g_Engine.SetObjectTransform(p->grenade, &hand, &handTurn, 0, 0);
        else if (p->throw_timers[1] == 0.0f)
        {
            g_Console.Print("Failed to read socket granat");
            p->throw_timers[1] = 1.0f;
        }
        if (t < kGrenadeReleased)
            return;
        D3DXVECTOR3 direction = postacgeometry::Flat(p->target_position - hand);
        direction.y += kThrowLift;
        D3DXVec3Normalize(&direction, &direction);
        const D3DXVECTOR3 start = hand + D3DXVECTOR3(0.0f, kThrowRaise, 0.0f);
        g_Engine.SetObjectPosition(p->grenade, &start, 0);
        const float speed =
            std::clamp(kThrowSpeedPerUnit * postacgeometry::Distance(hand, p->target_position),
                       kThrowSpeedMin, kThrowSpeedMax);
        const D3DXVECTOR3 velocity = direction * speed;
        g_Engine.SetObjectFlags3(p->grenade, kGrenadeKind, ~0u);
        EPhysicsDesc body;
        body.iShape = kSphere;
        body.fMassOrSize = kGrenadeMass;
        body.bSmallBody = 1;
        body.fFriction = kGrenadeFriction;
        g_Engine.SetObjectPhysicsDesc(p->grenade, &body);
        g_Engine.PutForceToObject(p->grenade, &velocity, 1.0f);
        EDeathParams death;
        death.bEnabled = 1;
        death.fHitPoints = kGrenadeHealth;
        death.bMortarExplosion = 1;
        g_Engine.SetObjectDeathParams(p->grenade, &death);
        // The fuse: the object pass counts the delayed kill down, near or far.
        p->grenade->bKeepUpdated = 1;
        p->grenade->fDeathWait = kFuse;
        p->grenade->bUpdatableComputed = 0;
        g_EngineObject.RandomiseOffsets();
        ReleaseFromExtras(p, p->grenade);
        p->grenade = nullptr;
        p->throw_speed = speed;
        p->throw_stage = 2;
        return;
    }
    default:
        if (!g_Engine.CanAnimationBeInterrupted(p->model))
            return;
        p->throwing = 0;
        p->choose_again = 1;
        p->choice_timer = 0.0f;
        BotUpdate(p);
        return;
    }
}
