// CPostacMgr: the characters' frame: alarms age, every character keeps its
// model, hat, eyes and attachments in place, picks its target, looks and
// listens; then the fighters that may fire are chosen.
#include "characters/PostacMgr.h"

#include "characters/PathMgr.h"

#include "characters/PostacSockets.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

namespace
{
constexpr float kEyeHeight = 1.0f;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

} // namespace

bool CPostacMgr::IsAliveFrom(HOBJECT respawner)
{
    if (!respawner)
        return false;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = m_Postacie[i];
        if (p.used && !p.dead && p.respawner == respawner)
            return true;
    }
    return false;
}

void CPostacMgr::Update()
{
    // STAND-IN: the per-frame character update with its phase machine, moves,
    // shots and deaths comes with those Parts; this frame keeps the senses,
    // the worn objects and the attack permission going.
    const float frameTime = g_Engine.m_fDeltaTime;
    AgeAlarms();
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (!p.used || p.ghost)
            continue;
        if (p.delete_request)
        {
            DeleteCharacter(&p);
            continue;
        }
        UpdatePostac(&p, frameTime);
    }
    AssignShooters();
}

void CPostacMgr::UpdateMovement(strpostac* p, float frameTime)
{
    // STAND-IN: the per-frame update's movement steps (root motion, ground
    // snap and ground material, the phase's end) come with it; until then a
    // character walks its route or scripted run, rides, follows a bezier,
    // turns to its look direction and makes its footsteps.
    p->since_path_advance += frameTime;
    p->run_timer += frameTime;
    p->run_anim_timer += frameTime;
    if (!p->faza || p->suspended)
        return;
    if (p->faza->jedzie_na[0] && p->riding)
        UpdateJazde(p);
    else if (p->following_bezier)
        UpdateBezier(p);
    else if (p->postac_running)
        PartnerUpdateRunTo(p);
    else if (p->running_nodes)
    {
        if (p->running && CheckRunBlocked(p, false))
            return;
        UpdateBiegPostaci(p);
    }
    if (!p->faza)
        return;
    ChooseLookDirection(p);
    TurnToLook(p);
    SetPosition(p, p->position, p->orientation);
    UpdateFootsteps(p);
    UpdateSpeechHead(p);
}

void CPostacMgr::UpdatePostac(strpostac* p, float frameTime)
{
    if (p->player_record)
    {
        // The player's record stands where the player stands.
        p->position = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        if (!p->model_made)
            CreateCharacterModel(p, nullptr);
        return;
    }
    if (!p->model_made)
        CreateCharacterModel(p, nullptr);
    if (!p->faza && p->desc && !p->suspended)
        SetFaza(p, p->desc->default_faza);
    p->camera_distance = Distance(p->position, g_Camera.GetPosition());
    p->eye_position = p->position;
    p->eye_position.y += kEyeHeight;
    if (p->dead)
    {
        if (p->stay_on_death && p->faza && p->faza->stay_on_death[0])
            KeepCorpseOnObject(p);
        else
            UpdateCorpse(p);
        return;
    }
    p->active_time += frameTime;
    p->time_in_phase += frameTime;
    p->since_shout += frameTime;
    p->since_cry += frameTime;

    ChooseTarget(p);
    UpdateTargetPoint(p);
    UpdateVision(p);
    if (p->sees_target)
        p->since_target_seen = 0.0f;
    else
        p->since_target_seen += frameTime;
    p->alarmed = PerceivesAlarm(p, false) ? 1 : 0;
    InvestigateAlarms(p);
    const bool engaged = p->target && (p->sees_target || p->alarmed) && !p->civilian;
    if (engaged && !p->engaged)
    {
        p->engage_timer = 0.0f;
        ShoutAlarm(p);
    }
    p->engaged = engaged ? 1 : 0;
    if (p->engaged)
        p->engage_timer += frameTime;
    p->target_distance = p->target ? Distance(p->position, p->aim_point) : NO_TARGET_DISTANCE;
    if (p->talk_look)
        UpdateTalkLook(p);
    UpdateMovement(p, frameTime);
    PlaceHat(p);
    PlaceEyes(p);
    UpdatePozycjeGanow(p);
    // STAND-IN: waits for the per-frame update, which decides each frame's
    // shot (UpdateStrzal) with the bot choice.
    p->fired_this_frame = 0;
    UpdateAttachments(p);
    UpdateLoopSoundVolume(p);
    UpdateAimSway(p, frameTime);
}
