// CPostacMgr: the characters' frame. Every live character keeps its place on
// the waypoint graph, sees and hears, turns, walks its route, snaps to the
// ground, ends its phase and picks the next; far characters are suspended and
// woken again. Characters in bot phases take the bot variant of the step.
#include "characters/PathMgr.h"
#include "characters/PostacGeometry.h"
#include "characters/PostacMgr.h"
#include "characters/PostacSockets.h"

#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "mesh/SequenceList.h"
#include "mesh/SkinMesh.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
using namespace postacgeometry;
constexpr const char* kEstimatePhase = "estimate";
constexpr DWORD kLoadedAnimateFrames = 200;
constexpr DWORD kContactFrame = 240;
constexpr float kEyeRaise = 1.5f;
constexpr float kVisRefresh = 0.2f;
constexpr float kMinSight = 2.0f;
constexpr float kFightSight = 500.0f;
constexpr float kSniperSight = 800.0f;
constexpr float kWakeCheck = 0.3f;
constexpr float kGroundDrop = 8.0f;
constexpr float kNearContact = 2.0f;
constexpr float kNearerMin = 0.25f;
constexpr float kWoundReset = 10.0f;
constexpr float kBotWoundEnd = 4.0f;
constexpr float kBotShotAfter = 0.4f;
constexpr float kShotCone = 0.5f; // 60 degrees
constexpr float kShotNear = 4.0f;
constexpr float kDegrees = 3.14159265f / 180.0f;

bool Debug(int level)
{
    return g_Options.Debug > level;
}

void Trace(const char* text)
{
    if (Debug(3))
        g_Console.Print(text);
}

float Random01()
{
    return static_cast<float>(std::rand() % 32768) / 32768.0f;
}

const char* RandomName(const strFazaList& list)
{
    if (!list.count)
        return "";
    const DWORD n = list.count < FAZA_LIST_SIZE ? list.count : FAZA_LIST_SIZE;
    return list.names[static_cast<DWORD>(std::rand()) % n];
}

D3DXVECTOR3 HeroPosition()
{
    return D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
}

void SetShown(HOBJECT o, bool shown)
{
    if (o)
        g_Engine.SetObjectFlags(o, shown ? CHARACTER_OBJECT_SHOWN : 0, CHARACTER_OBJECT_SHOWN);
}

// Where the character's target stands now; the remembered point without one.
D3DXVECTOR3 TargetNow(const strpostac* p)
{
    if (!p->target || !p->target->bUsed)
        return p->target_position;
    D3DVECTOR at;
    g_Engine.GetObjectPosition(p->target, &at);
    return D3DXVECTOR3(at.x, at.y, at.z);
}

} // namespace

// ---- The frame ------------------------------------------------------------------------------------

void CPostacMgr::Update()
{
    if (!g_Options.UpdateModels)
        return;
    if (!g_Options.UpdatePMgr)
    {
        for (int i = 0; i < MAX_POSTACI; ++i)
            if (m_Postacie[i].used)
                UpdateAnimationDetail(&m_Postacie[i], false);
        return;
    }
    // Characters act once the level has settled.
    if (g_MainGame.m_iLevelFrame < SENSES_FRAME)
        return;
    m_fFrameTime = g_Engine.m_fDeltaTime;
    m_bBars = g_Panel.LetterboxOn();
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (p.used && !p.ghost)
            UpdateSlot(&p);
    }
    AssignShooters();
    AgeAlarms();
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = m_Postacie[i];
        if (!p.used || !p.delete_request)
            continue;
        // The deletion stops the chat the character speaks in, and its
        // dialogues, before anything of it goes.
        DeleteCharacter(&p);
    }
}

void CPostacMgr::UpdateSlot(strpostac* p)
{
    const float dt = m_fFrameTime;
    // 1. The player's record only follows the camera.
    if (p->player_record)
    {
        p->position = g_Camera.GetPosition();
        if (!p->model_made)
            CreateCharacterModel(p, nullptr);
        if (p->model)
            g_Engine.SetObjectPosition(p->model, &p->position, 0);
        return;
    }
    if (!p->model_made)
        CreateCharacterModel(p, nullptr);
    // 2.
    p->ladder_jump = p->faza && p->faza->skok_na_drabinke[0] && !p->dead ? 1 : 0;
    p->aimed_this_frame = 0;
    p->hit_this_frame = 0;
    const bool ridingPhase = p->faza && (p->faza->jedzie_na[0] || p->faza->mount[0]);
    // 3. No place on the graph: look for one, or sit the frame out.
    if (!p->place && !p->ladder_jump && !p->riding && !ridingPhase)
    {
        g_PathMgr.FindPlaceFor(p);
        if (!p->place)
            return;
    }
    // 4.
    if (p->loop_sound)
        UpdateLoopSoundVolume(p);
    if (!p->model)
        return;
    if (!p->faza && !p->ladder_jump)
    {
        SetFaza(p, kEstimatePhase);
        return;
    }
    // 5.
    ShareModelValues(p);
    if (g_SaveMgr.m_bLoadedFromSave && g_MainGame.m_iLevelFrame < kLoadedAnimateFrames && !p->ladder_jump &&
        !p->riding)
    {
        UpdateAnimationDetail(p, false);
        return;
    }
    // 6. The cut-scene bars hide fighters.
    bool updating = true;
    if (m_bBars && !p->dead && !p->ladder_jump && p->bot)
    {
        SetShown(p->model, false);
        SetShown(p->second_object, false);
        SetShown(p->weapon ? p->weapon->m_hHeldModel : nullptr, false);
        p->hidden_by_bars = 1;
        updating = false;
    }
    else if (p->hidden_by_bars)
    {
        SetShown(p->model, true);
        SetShown(p->second_object, true);
        SetShown(p->weapon ? p->weapon->m_hHeldModel : nullptr, true);
        p->hidden_by_bars = 0;
    }
    // 7.
    if (p->model->Type == OT_SKINMESH && p->model->Object)
        static_cast<ESkinMesh*>(p->model->Object)->SetTimeScale(1.0);
    // 8.
    if (updating)
    {
        p->blend_timer += dt;
        p->choice_timer += dt;
        p->since_wound += dt;
        p->run_timer += dt;
        p->run_anim_timer += dt;
        if (p->wait_then_estimate)
        {
            if (CanInterrupt(p))
            {
                p->wait_then_estimate = 0;
                SetFaza(p, kEstimatePhase);
            }
        }
        else if (p->bot)
            BotUpdatePostac(p);
        else
            UpdatePostac(p);
        if (!p->used)
            return;
        PlaceHat(p);
        if (p->eye_l || p->eye_r)
            PlaceEyes(p);
        UpdateAttachments(p);
        if (p->RPG)
            PlaceLauncher(p);
        if (p->faza && !p->dead)
            for (DWORD k = 0; k < p->faza->strzal_hero_count && k < sizeof p->strzal_hero_fired; ++k)
                if (!p->strzal_hero_fired[k] && p->faza->strzal_hero[k] <= p->time_in_phase)
                {
                    p->strzal_hero_fired[k] = 1;
                    StrzalWlasciwy(p, true);
                }
    }
    // 9.
    if (p->desc && p->desc->debug_position)
        g_Console.PrintVector((std::string(p->name) + " position: ").c_str(), p->position);
    if (p->anim.pSequence && !p->dead && !p->ladder_jump)
        g_SequenceList.AdvanceCharacterSequence(&p->anim);
}

bool CPostacMgr::CanInterrupt(const strpostac* p) const
{
    return !p->faza || !p->faza->nie_przerywaj || g_SequenceList.IsCharacterAnimationFinished(&p->anim);
}

// ---- Senses ---------------------------------------------------------------------------------------

void CPostacMgr::UpdateTargetsAndVisParams(strpostac* p, bool onPhaseChange)
{
    if (!p || p->player_record)
        return;
    if (!p->target)
        ChooseTarget(p);
    if (!onPhaseChange && p->vis_timer > 0.0f)
        return;
    p->vis_timer = kVisRefresh + Random01() * kVisRefresh;
    UpdateTargetPoint(p);
    // The eye point.
    p->eye_position = p->position;
    p->eye_position.y += kEyeRaise;
    if (p->desc && p->desc->socket_eyes[0])
        SocketTransform(p->model, p->desc->socket_eyes, &p->eye_position, nullptr);
    // Whether the target itself is in sight (the fighting byte).
    UpdateVision(p);
    const bool engaged = p->target && (p->sees_target || p->alarmed) && !p->civilian;
    if (engaged && !p->engaged)
        p->engage_timer = 0.0f;
    p->engaged = engaged ? 1 : 0;
    // The player, within the sight range and the view cone.
    const strFaza* f = p->faza;
    float range = std::max(kMinSight, p->contact_distance);
    if (f && (f->bot || f->strzal_raz || f->shot_value > 0.0f))
        range = p->sniper ? kSniperSight : kFightSight;
    bool sees = false;
    const D3DXVECTOR3 hero = g_Camera.GetPosition();
    const D3DXVECTOR3 to = hero - p->eye_position;
    const float distance = D3DXVec3Length(&to);
    if (Player.m_hObject && !PlayerStats.m_bDead && distance <= range)
    {
        const D3DXVECTOR3 flat = Flat(to);
        const D3DXVECTOR3 forward = Flat(p->orientation.Forward);
        const float dot = D3DXVec3Dot(&flat, &forward);
        const float cone = std::cos(p->desc ? p->desc->kat_kontaktu * 0.5f * kDegrees : 0.0f);
        if (Debug(3))
        {
            g_Console.PrintFloat("fDot == ", dot);
            g_Console.PrintFloat("cos(fKatKontaktu) == ", cone);
        }
        const bool inCone =
            distance < kNearContact || dot >= cone || (p->desc && p->desc->kat_kontaktu >= 360.0f);
        sees = inCone && CanSee(p, &hero, Player.m_hObject, &p->eye_position);
    }
    else if (Debug(3))
        g_Console.Print("Za dystansem");
    if (sees)
    {
        p->target_position = HeroPosition();
        if (!p->sees_player && p->bot)
            p->shout_pending = 1;
        p->sees_player = 1;
        p->since_player_seen = 0.0f;
    }
    else
        p->sees_player = 0;
}

void CPostacMgr::AlarmCharacter(const char* name)
{
    strpostac* p = FindCharacterByName(name, true);
    if (!p || !p->desc)
        return;
    if (p->faza && (p->faza->bot || p->faza->faza_estimate))
        return;
    SetFaza(p, kEstimatePhase);
}

// ---- Suspension -----------------------------------------------------------------------------------

void CPostacMgr::UpdateSuspended(strpostac* p)
{
    // It keeps facing its target.
    D3DXVECTOR3 to = Flat(TargetNow(p) - p->position);
    if (D3DXVec3Length(&to) > 0.0f)
    {
        p->orientation.SetDirection(&to);
        p->look_direction = to;
        if (p->model)
            g_Engine.SetObjectRotation(p->model, &p->orientation);
    }
    p->wake_timer += m_fFrameTime;
    if (p->wake_timer < kWakeCheck)
        return;
    p->wake_timer = 0.0f;
    p->vis_timer = 0.0f;
    UpdateTargetsAndVisParams(p, false);
    if (p->target_distance >= static_cast<float>(m_iFarLimit))
        return;
    if (p->sees_player)
    {
        if (Debug(0))
            g_Console.Print2(p->name, " budzi sie z bSuspended");
        StopSuspended(p);
    }
    else if (std::rand() % 4 == 0)
    {
        if (Debug(0))
            g_Console.Print2(p->name, " budzi sie z bSuspended - los");
        StopSuspended(p);
    }
}

void CPostacMgr::StopSuspended(strpostac* p)
{
    if (!p || !p->suspended || p->target_distance >= static_cast<float>(m_iFarLimit))
        return;
    p->far_count = 0;
    p->suspended = 0;
    char faza[POSTAC_NAME_SIZE];
    CopyCut(faza, sizeof faza, p->remembered_faza);
    p->remembered_faza[0] = 0;
    if (!faza[0])
    {
        if (Debug(0))
            g_Console.Print2(p->name, " StopSuspended ustawia estimate");
        CopyCut(faza, sizeof faza, kEstimatePhase);
    }
    SetFaza(p, faza);
}

// ---- One character --------------------------------------------------------------------------------

void CPostacMgr::UpdatePostac(strpostac* p)
{
    UpdateCharacter(p, false);
}

void CPostacMgr::BotUpdatePostac(strpostac* p)
{
    UpdateCharacter(p, true);
}

void CPostacMgr::UpdateCharacter(strpostac* p, bool botVariant)
{
    const float dt = m_fFrameTime;
    m_bBars = g_Panel.LetterboxOn();
    // 1.
    if (!p->model)
        return;
    bool maySuspend = !p->dead;
    // 2. Distances.
    p->camera_distance = Distance(p->position, g_Camera.GetPosition());
    p->player_distance = Distance(p->position, HeroPosition());
    if (p->target)
        p->target_distance = Distance(p->position, TargetNow(p));
    // 3.
    if (!p->desc || p->ghost || !p->faza)
    {
        if (botVariant && p->ghost)
            Trace("wychodze, bo !bGhost");
        return;
    }
    if (p->dead)
    {
        if (p->stay_on_death && p->faza && p->faza->stay_on_death[0])
            KeepCorpseOnObject(p);
        else
            UpdateCorpse(p);
        if (botVariant)
        {
            p->bot = 0;
            Trace("wychodze, bo martwy");
        }
        UpdateAnimationDetail(p, false);
        return;
    }
    // 4.
    if (Debug(3))
    {
        g_Console.Print2(botVariant ? "BotUpdatePostac " : "UpdatePostac ", p->name);
        if (p->postac_running)
            g_Console.Print("Character running");
    }
    if (botVariant && Debug(3) && p->postac_running)
    {
        g_Console.Print("Wychodze bo Character running");
        return;
    }
    // 5. Timers.
    p->time_in_phase += dt;
    p->active_time += dt;
    p->since_shout += dt;
    p->since_cry += dt;
    p->vis_timer -= dt;
    p->shot_delay -= dt;
    p->aim_timer += dt;
    p->phase_timer += dt;
    if (botVariant)
    {
        p->stance_timer += dt;
        p->bot_stand_time += dt;
        p->bot_choice_age += dt;
        p->bot_countdown -= dt;
    }
    // 6. The hide-in-cut-scenes byte has no keyword yet: nothing hides here.
    // 7. The far phase of the description, once.
    if (!botVariant && p->desc->global_on_gracz_dalej_niz[0] && !p->global_far_fired &&
        p->player_distance > p->desc->global_on_gracz_dalej_niz_distance)
    {
        p->global_far_fired = 1;
        SetFaza(p, p->desc->global_on_gracz_dalej_niz);
        return;
    }
    if (botVariant)
    {
        AdvanceCombatTimers(p, dt);
        // A rocket or a grenade under way keeps going before anything is chosen.
        if (p->rocket_firing)
        {
            UpdateRocket(p);
            Trace("wychodze, bo podczas strzalu RPG");
            return;
        }
        if (p->throwing)
        {
            UpdateGrenadeThrow(p);
            Trace("wychodze, bo podczas rzutu granatem");
            return;
        }
        if (!p->running_nodes)
        {
            BotUpdate(p);
            if (p->rocket_firing)
            {
                Trace("wychodze, bo drugie sprawdzenie strzalu RPG");
                return;
            }
        }
    }
    // 8. Speech, look and senses.
    if (p->speech)
        UpdateSpeechHead(p);
    if (p->talk_look)
        UpdateTalkLook(p);
    ChooseLookDirection(p);
    p->alarmed = PerceivesAlarm(p, false) ? 1 : 0;
    UpdateTargetsAndVisParams(p, false);
    if (botVariant && p->shout_pending)
    {
        p->shout_pending = 0;
        ShoutAlarm(p);
    }
    // 9.
    if (!p->sees_player)
    {
        p->player_seen_time = 0.0f;
        p->since_player_seen += dt;
        p->since_target_seen = p->sees_target ? 0.0f : p->since_target_seen + dt;
        InvestigateAlarms(p);
    }
    else
    {
        p->player_seen_time += dt;
        p->since_target_seen = 0.0f;
    }
    if (p->engaged)
        p->engage_timer += dt;
    if (!p->faza)
        return; // the senses may have changed the phase
    strFaza* f = p->faza;
    // 10. Snap to the ground.
    if (f->rownaj_do_podloza)
        SnapToGround(p);
    // 11. Shooting heard or seen.
    if (f->on_shooting.count && p->alarmed)
    {
        if (p->suspended)
            StopSuspended(p);
        SetFaza(p, RandomName(f->on_shooting));
        Trace(botVariant ? "wychodze, bo IleOnShooting" : "wychodze, bo on_shooting");
        return;
    }
    // 12. Suspended.
    if (p->suspended)
    {
        p->since_path_advance += dt;
        UpdateSuspended(p);
        UpdateAnimationDetail(p, false);
        Trace("wychodze, bo suspended");
        UpdatePozycjeGanow(p);
        return;
    }
    // 14. A wound reaction.
    if (p->wound_reaction)
    {
        const bool over = CanInterrupt(p) || (botVariant && p->since_wound >= kBotWoundEnd);
        if (!over)
        {
            p->since_path_advance += dt;
            UpdateAnimationDetail(p, false);
            UpdatePozycjeGanow(p);
            Trace("wychodze, bo w trakcie postrzalu");
            return;
        }
        p->last_bot_choice = -1;
        p->wound_reaction = 0;
        p->since_path_advance = botVariant ? 0.0f : kWoundReset;
        p->choice_timer = botVariant ? 0.0f : kWoundReset;
        p->bot_choice_age = kWoundReset;
        p->bot_countdown = kWoundReset;
        p->choose_again = 1;
        p->first_bot_shot = 0;
        p->second_bot_shot = 0;
        if (botVariant)
        {
            p->time_in_phase = 0.0f;
            p->since_wound = 0.0f;
        }
        if (botVariant)
            BotUpdate(p);
        SetFaza(p, StandPhaseName(p));
        if (botVariant)
            BotUpdate(p);
        Trace("wychodze, bo skonczyl postrzal");
        return;
    }
    // 15. The player coming nearer.
    if (!botVariant && f->on_gracz_blizej_niz_distance > 0.01f && f->on_gracz_blizej_niz[0] &&
        p->player_distance < f->on_gracz_blizej_niz_distance && p->player_distance > kNearerMin)
    {
        SetFaza(p, f->on_gracz_blizej_niz);
        UpdateAnimationDetail(p, false);
        return;
    }
    // 16. Scripted runs, riding, mounted guns, bezier paths; the place.
    Trace("przed BotUpdate");
    if (p->postac_running)
    {
        PartnerUpdateRunTo(p);
        maySuspend = false;
    }
    else
    {
        if (f->jedzie_na[0])
        {
            UpdateJazde(p);
            maySuspend = false;
        }
        else if (f->mount[0])
        {
            UpdateMount(p);
            maySuspend = false;
        }
        else if (p->following_bezier)
        {
            UpdateBezier(p);
            maySuspend = false;
        }
        if (p->faza != f)
            return;
        if (!p->place && !p->riding && !p->following_bezier && !p->mounted && !m_bBars)
        {
            g_PathMgr.FindPlaceFor(p);
            UpdateAnimationDetail(p, false);
            Trace("wychodze, bo !pActPlace");
            return;
        }
    }
    if (!p->used || p->faza != f)
        return;
    // 17.
    UpdateAimSway(p, dt);
    // 18. Contact.
    if (!botVariant && !p->postac_running && f->on_kontakt.count && !f->ignore_player &&
        g_MainGame.m_iLevelFrame >= kContactFrame && !PlayerStats.m_bDead && !PlayerStats.m_bMissionFailed)
    {
        bool contact = false;
        if (p->sees_player)
        {
            const D3DXVECTOR3 to = Flat(HeroPosition() - p->position);
            const D3DXVECTOR3 forward = Flat(p->orientation.Forward);
            const float cone = std::cos(p->desc->kat_kontaktu * 0.5f * kDegrees);
            contact = (D3DXVec3Dot(&to, &forward) >= cone && p->player_distance < p->contact_distance) ||
                      p->player_distance < std::min(p->contact_distance, kNearContact);
        }
        if (contact || p->alarmed)
        {
            p->contact = 1;
            // Phases have no contact voice list yet: no voice and no alarm.
            if (p->running_nodes)
            {
                CPathMgr::ClearRoute(p);
                p->running = 0;
                p->running_nodes = 0;
            }
            SetFaza(p, RandomName(f->on_kontakt));
            UpdateAnimationDetail(p, false);
            Trace("wychodze, bo bOnKontakt");
            return;
        }
    }
    // 19. Movement.
    Trace("przed ruchem");
    bool moved = false;
    if (p->running_nodes && !p->postac_running && !p->riding && !p->following_bezier && !p->mounted)
    {
        if (!(p->running && CheckRunBlocked(p, false)))
        {
            UpdateBiegPostaci(p);
            moved = true;
        }
    }
    if (!p->used || p->dead)
        return;
    UpdateFootsteps(p);
    if (moved)
        p->since_path_advance = 0.0f;
    else
        p->since_path_advance += dt;
    if (p->faza != f)
        return; // the run ended in another phase, entered already
    // 20. Turning and placing.
    Trace("przed obrotem");
    if (!p->riding && !p->following_bezier && !p->mounted)
    {
        if (!f->fixed_rotation && !p->player_record)
            TurnToLook(p);
        D3DXVECTOR3 at = p->position;
        at.y += f->mod_y;
        SetPosition(p, at, p->orientation);
    }
    // 21.
    UpdateAnimationDetail(p, false);
    // 22.
    Trace("przed ganami");
    UpdatePozycjeGanow(p);
    // 23. The shot decision.
    Trace("przed strzalem");
    p->fired_this_frame = 0;
    if (ShotAllowed(p, botVariant))
        UpdateStrzal(p);
    // 24.
    if (!f->loop && !p->postac_running)
    {
        CheckPhaseEnd(p);
        if (!p->used || p->faza != f)
            return;
    }
    // 25. The far count.
    const bool looked = g_Engine.m_pLookFrom != nullptr;
    if (looked || m_bBars)
    {
        p->far_count = 0;
        maySuspend = false;
    }
    if ((!botVariant && f->on_kontakt.count) || p->postac_running)
        maySuspend = false;
    const bool counts = botVariant ? !p->desc->debug_position : !p->civilian && !p->desc->debug_position;
    if (counts && maySuspend && p->target && p->target_distance > static_cast<float>(m_iFarLimit))
        ++p->far_count;
    if (botVariant && f->on_kontakt.count)
        maySuspend = false;
    if (maySuspend && p->far_count > m_iFarCountLimit)
    {
        SuspendCharacter(p);
        Trace("wychodze, bo StartSuspended");
        return;
    }
    if (Debug(3))
        g_Console.Print2("wychodze, z UpdatePostac ", p->name);
}

bool CPostacMgr::ShotAllowed(const strpostac* p, bool botVariant) const
{
    const strFaza* f = p->faza;
    if (!f || !p->target)
        return false;
    if (botVariant)
        return p->sees_player && p->time_in_phase > kBotShotAfter;
    D3DXVECTOR3 to = p->target_position - p->eye_position;
    const float length = D3DXVec3Length(&to);
    if (length > 0.0f)
        to /= length;
    const bool shotTarget = f->strzal[0] || f->strzal_mesh[0];
    if (D3DXVec3Dot(&p->orientation.Forward, &to) < kShotCone && !shotTarget &&
        p->target_distance >= kShotNear)
        return false;
    if (!(f->shot_value > 0.0f) && !f->bot)
        return false;
    if (!p->sees_player && !f->force_shot && !shotTarget && !m_bBars && !g_Engine.m_pLookFrom)
        return false;
    return true;
}

void CPostacMgr::SnapToGround(strpostac* p)
{
    const D3DXVECTOR3 from = p->position + D3DXVECTOR3(0.0f, 0.5f, 0.0f);
    const D3DXVECTOR3 to = p->position - D3DXVECTOR3(0.0f, kGroundDrop, 0.0f);
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = SkipObject;
    query.dwUser = reinterpret_cast<RayTestUser>(p->model);
    RayTestResult result;
    ++m_iSegmentTests;
    // The ground's material stays as the footsteps last knew it: the surface
    // kind of the face hit is not handed back by the segment test yet.
    if (g_IntersectSegment.Test(&query, &result) && result.bHit)
        p->position = result.vPoint;
}
