// CPostacMgr: whom a character fights and whether it sees him: the target
// choice and aim point, the sight line from the eyes or the muzzle, the eye
// objects; then which fighters may fire this update and the sway of their aim.
#include "characters/PostacMgr.h"

#include "characters/PostacSockets.h"
#include "game/MainGame.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"

#include <cstdlib>

namespace
{
constexpr float kHeroPreference = 0.7f;
constexpr float kPartnerStartDistance = 999999.0f;
constexpr float kBodyHeight = 1.0f;
constexpr float kSightMaxDistance = 10.0f;
constexpr float kLookRange = 450.0f;
constexpr float kHeroSightDrop = 0.1f;
constexpr DWORD KIND_CHARACTER = 2;
constexpr DWORD KIND_HERO = 128;
constexpr float kActiveToShoot = 3.0f;
constexpr float kUnseenToShoot = 1.0f;
constexpr float kEngageToShootHero = 0.9f;
constexpr int kShooterPlaces = 3;
constexpr float kSwayGrowth = 10.0f;
constexpr float kSwayLimit = 0.2f;
constexpr float kTwoPi = 6.2831853f;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

bool SkipSelf(HOBJECT candidate, RayTestUser user)
{
    return candidate != reinterpret_cast<HOBJECT>(user);
}

D3DXVECTOR3 ObjectPosition(HOBJECT o)
{
    D3DVECTOR v = {0.0f, 0.0f, 0.0f};
    g_Engine.GetObjectPosition(o, &v);
    return D3DXVECTOR3(v.x, v.y, v.z);
}

bool IsHero(HOBJECT o)
{
    return o && (g_Engine.GetObjectFlags3(o) & KIND_HERO) != 0;
}

float RandomUnder(float limit)
{
    return static_cast<float>(std::rand() % 32768) / 32768.0f * limit;
}
} // namespace

// ---- Targets --------------------------------------------------------------------------------

void CPostacMgr::ChooseTarget(strpostac* p)
{
    if (!p)
        return;
    HOBJECT target = nullptr;
    float best = kPartnerStartDistance;
    if (!p->partner)
    {
        target = Player.m_hObject;
        const D3DXVECTOR3 hero(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        best = kHeroPreference * Distance(p->position, hero);
    }
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& o = m_Postacie[i];
        // A civilian is no one's target.
        if (!o.used || o.dead || o.ghost || o.player_record || o.civilian || o.partner == p->partner ||
            !o.model)
            continue;
        const float d = Distance(p->position, o.position);
        if (d < best)
        {
            best = d;
            target = o.model;
        }
    }
    p->target = target;
}

void CPostacMgr::UpdateTargetPoint(strpostac* p)
{
    if (!p || !p->target || p->player_record)
        return;
    if (IsHero(p->target))
    {
        p->aim_point = g_Camera.GetPosition();
        return;
    }
    p->aim_point = ObjectPosition(p->target);
    p->aim_point.y += kBodyHeight;
    D3DXVECTOR3 spine;
    if (p->target->Type == OT_SKINMESH && g_Engine.GetSkinMeshNodePosition(p->target, "Bip01_Spine1", &spine))
        p->aim_point = spine;
}

// ---- Sight ----------------------------------------------------------------------------------------

bool CPostacMgr::CanSee(strpostac* p, const D3DXVECTOR3* target, HOBJECT targetObject, const D3DXVECTOR3* eye)
{
    if (!p || !target || g_MainGame.m_iLevelFrame < SENSES_FRAME || g_Engine.m_bBlockCharacterSight)
        return false;
    D3DXVECTOR3 from = p->position;
    from.y += kBodyHeight;
    if (eye)
        from = *eye;
    else
    {
        const EItemDesc* weapon = p->weapon ? p->weapon->m_pDesc : nullptr;
        if (weapon && weapon->Shoot_Socket_Enemy[0])
        {
            if (!SocketTransform(p->weapon->m_hHeldModel, weapon->Shoot_Socket_Enemy, &from, nullptr))
                g_Console.Print4("Postac ", p->name,
                                 " nie czyta socketa strzalu (do patrzenia): ", weapon->Shoot_Socket_Enemy);
        }
        else if (p->desc && p->desc->socket_eyes[0])
        {
            if (!SocketTransform(p->model, p->desc->socket_eyes, &from, nullptr))
                g_Console.Print4("Postac ", p->name, " nie czyta socketa oczu: ", p->desc->socket_eyes);
        }
    }
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &target->x;
    query.pfnFilter = SkipSelf;
    query.dwUser = reinterpret_cast<RayTestUser>(p->model);
    query.bSeeThrough = 1;
    query.bOption = 1;
    query.fMaxDistance = kSightMaxDistance;
    RayTestResult result;
    ++m_iSegmentTests;
    if (!g_IntersectSegment.Test(&query, &result) || !result.bHit)
        return true;
    return result.pObject == targetObject;
}

void CPostacMgr::UpdateVision(strpostac* p)
{
    if (!p || !p->target || p->player_record)
        return;
    p->shot_factor = 1.0f;
    const bool looks = !g_Engine.m_bBlockCharacterSight && p->model && p->desc &&
                       !p->desc->nie_patrz_na_gracza && !PlayerStats.m_bDead && !g_Panel.WideScreen &&
                       !g_Panel.m_bPanoramic && g_MainGame.m_iLevelFrame >= SENSES_FRAME &&
                       !p->postac_running && Distance(p->position, p->aim_point) <= kLookRange &&
                       !PlayerStats.m_bMissionFailed;
    if (!looks)
    {
        p->engaged = 0;
        return;
    }
    const D3DXVECTOR3 ahead = p->eye_position + p->look_direction;
    p->target_in_front = Distance(ahead, p->aim_point) < Distance(p->eye_position, p->aim_point) ? 1 : 0;
    D3DXVECTOR3 sight = ObjectPosition(p->target);
    const DWORD kind = g_Engine.GetObjectFlags3(p->target);
    if (kind & KIND_HERO)
    {
        sight = g_Camera.GetPosition();
        sight.y -= kHeroSightDrop;
    }
    else if (kind & KIND_CHARACTER)
        sight.y += kBodyHeight;
    p->sees_target = CanSee(p, &sight, p->target, nullptr) ? 1 : 0;
}

void CPostacMgr::PlaceEyes(strpostac* p)
{
    if (!p || !p->desc || !p->model)
        return;
    struct Eye
    {
        HOBJECT object;
        const char* socket;
        const char* message;
    };
    const Eye eyes[] = {{p->eye_l, p->desc->oko_l_socket, "Failed to read OkoL Socket for "},
                        {p->eye_r, p->desc->oko_p_socket, "Failed to read OkoP Socket for "}};
    for (const Eye& e : eyes)
    {
        if (!e.object)
            continue;
        D3DXVECTOR3 at;
        EOrientation orientation;
        if (!SocketTransform(p->model, e.socket, &at, &orientation))
        {
            g_Console.Print2(e.message, p->name);
            continue;
        }
        g_Engine.SetObjectTransform(e.object, &at, &orientation, 0, 0);
    }
}

void CPostacMgr::UpdateTalkLook(strpostac* p)
{
    if (!p || p->player_record || !p->model)
        return;
    // The direction is worked out and left unused: characters turn neither
    // eyes nor head towards whom they talk to.
    D3DXVECTOR3 eyes;
    if (!SocketTransform(p->model, "oczy", &eyes, nullptr))
        return;
    D3DXVECTOR3 direction = p->talk_look_point - eyes;
    D3DXVec3Normalize(&direction, &direction);
}

// ---- Attack permission and aim sway ---------------------------------------------------------------

void CPostacMgr::AssignShooters()
{
    strpostac* places[kShooterPlaces] = {};
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        p.may_shoot = 0;
        if (!p.used || p.dead || p.ghost || !p.faza || p.active_time < kActiveToShoot)
            continue;
        if (!p.engaged)
        {
            p.may_shoot = 1;
            continue;
        }
        if (p.since_target_seen > kUnseenToShoot)
            continue;
        if (IsHero(p.target) && p.engage_timer < kEngageToShootHero)
            continue;
        if (p.partner)
        {
            p.may_shoot = 1;
            continue;
        }
        int farthest = -1;
        bool placed = false;
        for (int k = 0; k < kShooterPlaces && !placed; ++k)
        {
            if (!places[k])
            {
                places[k] = &p;
                placed = true;
            }
            else if (farthest < 0 || places[k]->target_distance > places[farthest]->target_distance)
                farthest = k;
        }
        if (!placed && farthest >= 0 && p.target_distance < places[farthest]->target_distance)
            places[farthest] = &p;
    }
    for (strpostac* p : places)
        if (p)
            p->may_shoot = 1;
}

void CPostacMgr::UpdateAimSway(strpostac* p, float frameTime)
{
    if (!p)
        return;
    p->sway_amplitude = p->in_burst ? p->sway_amplitude + kSwayGrowth * frameTime : 0.0f;
    if (p->burst_count == 3)
        p->sway_amplitude = 0.0f;
    p->sway_phase += frameTime;
    if (p->sway_amplitude > kSwayLimit)
        p->sway_amplitude = RandomUnder(kSwayLimit);
    if (p->sway_phase > kTwoPi)
        p->sway_phase -= kTwoPi;
    if (p->shotgun)
    {
        p->sway_amplitude = 0.0f;
        p->sway_phase = RandomUnder(kSwayLimit);
    }
}
