// CPostacMgr: the phase machine. SetFaza switches a character to a named
// phase of its description and carries out everything entering it does, in a
// fixed order; the end of a phase picks the next one from its lists.
#include "characters/PathMgr.h"
#include "characters/PostacGeometry.h"
#include "characters/PostacMgr.h"

#include "characters/KillCam.h"
#include "characters/PostacSockets.h"

#include "environment/FxMgr.h"
#include "game/BezierMgr.h"
#include "game/DialogueMgr.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "mesh/SequenceList.h"
#include "mesh/SkinMesh.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
using namespace postacgeometry;
constexpr const char* kStandPhase = "bot_stoi";
constexpr const char* kEstimatePhase = "estimate";
constexpr float kTurnRate = 7.0f;
constexpr float kShotDelayLong = 15.0f;
constexpr float kRedirectPathAge = 4.0f;
constexpr float kRedirectWoundAge = 1.0f;
constexpr float kFxRaise = 0.5f;
constexpr float kSayReach = 5.0f;
constexpr float kSayRaise = 1.5f;
constexpr float kSayHeard = 100.0f;
constexpr float kStartBlend = 0.2f;
constexpr float kMinBezierLength = 1.0f;
constexpr float kGroundFrom = 8.0f;
// Restarts of one entry (the bot redirect and the patrol fall-back).
constexpr int kMaxRestarts = 3;
// Entries of one character that may be nested in each other (phases that
// set off further entries of the same character as they are entered).
constexpr int kMaxNesting = 8;
// A bot phase lasts at least this long by its animation.
constexpr float kBotPhaseSeen = 6.0f;
constexpr float kBotPhaseUnseen = 3.0f;
constexpr float kBotEndGrace = 1.0f;
constexpr float kMinCloser = 1.0f;
constexpr DWORD kTraceFrame = 150;
// Flag bits a phase sets on the character's object and on an attached one.
constexpr DWORD kForceDisplayBits = 0x21;
constexpr DWORD kDisplayForcedBit = 0x20;
constexpr DWORD kAttachedBit = 0x1000000;
constexpr DWORD kAttachedBits2 = 0x211000;

bool Debug(int level)
{
    return g_Options.Debug > level;
}

bool LateDebug(int level)
{
    return Debug(level) && g_MainGame.m_iLevelFrame > kTraceFrame;
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

bool HasEstimate(const strFaza* f)
{
    return f->estimate_do_gracza || f->estimate_do_strzalu || f->estimate_kryjowka || f->estimate_od_gracza ||
           f->estimate_kluczy || f->estimate_bok || f->estimate_left || f->estimate_right ||
           f->estimate_do_mesha[0] || f->estimate_do_postaci[0] || f->estimate_przod != 0.0f;
}

D3DXVECTOR3 ObjectPosition(HOBJECT o)
{
    D3DVECTOR at;
    g_Engine.GetObjectPosition(o, &at);
    return D3DXVECTOR3(at.x, at.y, at.z);
}

// Snaps a point to the ground under it (a segment 8 units down); the point
// itself without ground.
D3DXVECTOR3 GroundBelow(const D3DXVECTOR3& at, HOBJECT skip)
{
    constexpr float kAbove = 0.5f;
    return postacgeometry::OnGround(at, skip, kAbove, kGroundFrom);
}

void UpdateSkin(HOBJECT model)
{
    if (model && model->bUsed && model->Type == OT_SKINMESH && model->Object)
        static_cast<ESkinMesh*>(model->Object)->UpdateNodeTransforms();
}

// Counts one entry of a character for as long as it runs.
struct EntryScope
{
    explicit EntryScope(strpostac* p) : p(p) { ++p->entering_faza; }
    ~EntryScope() { --p->entering_faza; }
    EntryScope(const EntryScope&) = delete;
    EntryScope& operator=(const EntryScope&) = delete;
    strpostac* p;
};
} // namespace

// ---- Entering a phase -----------------------------------------------------------------------------

void CPostacMgr::SetFaza(strpostac* p, const char* requested)
{
    if (!p || !requested)
        return;
    if (p->entering_faza >= kMaxNesting)
    {
        g_Console.Print3(p->name, " - zbyt wiele zagniezdzonych zmian fazy: ", requested);
        return;
    }
    EntryScope scope(p);
    char name[POSTAC_NAME_SIZE];
    CopyCut(name, sizeof name, requested);
    for (int restarts = 0;; ++restarts)
    {
        const EnterResult result = EnterFaza(p, name);
        if (result.restart[0] == 0 || restarts >= kMaxRestarts)
            return;
        CopyCut(name, sizeof name, result.restart);
    }
}

CPostacMgr::EnterResult CPostacMgr::EnterFaza(strpostac* p, const char* name)
{
    EnterResult out;
    // 1. Who may change phase at all.
    if (!p->desc || p->dead || p->player_record || p->ladder_jump)
        return out;
    // 2. The per-phase state.
    p->stance_index = -1;
    p->last_bot_choice = -1;
    p->wait_then_estimate = 0;
    p->root_motion = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    p->anim.pSequence = nullptr;
    p->anim.pStep = nullptr;
    p->stance_change = 0;
    p->second_bot_shot = 0;
    p->phase_timer = 0.0f;
    p->shot_delay = 1.0f + Random01();
    p->shot_delay_long = kShotDelayLong;
    if (Debug(0))
        g_Console.Print4(p->name, " - PMgr.SetFaza(", name, ")");
    // 3. A wound reaction holds the phase.
    if (p->wound_reaction)
    {
        g_Console.Print3("Przechwycono probe ustawienia fazy ", p->name, " podczas postrzalu.");
        return out;
    }
    // 4.
    if (p->running_nodes)
        p->segment_start = p->position;
    // 5.
    if (!p->model)
        return out;
    p->phase_finished = 0;
    // 6. The phase itself.
    strFaza* f = FindFaza(p->desc, name);
    if (!f)
    {
        // Printed once per character and name: a description without the
        // phase asked for every frame would otherwise fill the log.
        if (CompareNoCase(p->missing_faza, name) != 0)
        {
            char line[POSTAC_NAME_SIZE * 2 + 48];
            std::snprintf(line, sizeof line, "Nie znaleziono fazy \"%.63s\" u postaci %.63s", name,
                          p->desc->name);
            g_Console.Print(line);
            CopyCut(p->missing_faza, sizeof p->missing_faza, name);
        }
        SuspendCharacter(p);
        return out;
    }
    // 7. Phases that only end the character.
    if (f->self_delete)
    {
        p->delete_request = 1;
        return out;
    }
    if (f->zabij)
    {
        Zabij(p, nullptr, nullptr, nullptr, false, false, false);
        return out;
    }
    // 8. A bot that has just moved or been hit stands first.
    if (p->faza && p->faza->bot &&
        (p->since_path_advance < kRedirectPathAge || p->since_wound < kRedirectWoundAge) && f->bot &&
        !f->faza_estimate && CompareNoCase(f->name, kStandPhase) != 0)
    {
        CopyCut(out.restart, sizeof out.restart, kStandPhase);
        return out;
    }
    // 9. The death pose the phase asks for.
    if (f->stay_on_death[0])
    {
        CopyCut(p->stay_on_death_names[0], sizeof p->stay_on_death_names[0], f->stay_on_death);
        CopyCut(p->stay_on_death_names[1], sizeof p->stay_on_death_names[1], f->stay_on_death2);
        CopyCut(p->stay_on_death_names[2], sizeof p->stay_on_death_names[2], f->stay_on_death_anim);
    }
    if (f->unset_stay_on_death)
    {
        p->stay_on_death_names[0][0] = 0;
        p->stay_on_death_names[1][0] = 0;
    }
    // 10.
    p->turn_rate = kTurnRate;
    const bool fromSave = m_bEnteringFromSave;
    if (f->start_OBE && !fromSave && p->model)
        OBE.Start(p->model);
    if (f->strzal_hero_count)
        std::memset(p->strzal_hero_fired, 0, sizeof p->strzal_hero_fired);
    if (f->print[0])
        g_Console.Print(f->print);
    if (f->push[0] && !fromSave)
        PushObject(p, f->push);
    // 11.
    if (f->faza_estimate || f->bot)
        p->estimate_pending = 1;
    if (!f->bot)
        p->last_bot_choice = -1;
    // 12. Variables and object actions.
    if (f->set[0] && !fromSave)
        g_GameAI.SetVariable(f->set, p->model);
    if (f->unset[0] && !fromSave)
        g_GameAI.UnsetVariable(f->unset, p->model);
    if (f->action[0] && !fromSave)
        g_Engine.RunObjectAction(f->action, 0);
    // 13. A scripted run holds the phase unless it lets changes through.
    if (p->postac_running && !p->run_allows_faza)
    {
        if (Debug(0))
            g_Console.Print2(p->name, " - wychodze z SetFaza bo bPostacRunning");
        return out;
    }
    // 14. Leave the old phase.
    p->time_in_phase = 0.0f;
    p->riding = 0;
    p->mounted = 0;
    p->ride_reported = 0;
    if (p->faza && !p->faza->bot)
        p->fired_last_phase = p->faza->strzal_raz || p->faza->shot_value != 0.0f ? 1 : 0;
    // 15.
    if (LateDebug(1))
        g_Console.Print4("SetFaza: ", p->name, " ", f->name);
    // 16.
    const bool wasOnBezier = p->following_bezier != 0;
    if (p->suspended)
    {
        if (LateDebug(0))
            g_Console.Print("wychodze z SetFaza, bo Suspended");
        return out;
    }
    // 17. The far count.
    if (f->on_kontakt.count || g_Panel.LetterboxOn() || p->partner || p->civilian)
        p->far_count = 0;
    if (p->far_count > m_iFarCountLimit)
    {
        g_Console.Print2("suspend postaci ", p->name);
        SuspendCharacter(p);
        return out;
    }
    // 18. The object's display flags.
    if (f->force_display)
        g_Engine.SetObjectFlags(p->model, kForceDisplayBits, kForceDisplayBits);
    else
        g_Engine.SetObjectFlags(p->model, 0, kDisplayForcedBit);
    // 19. Requests carried out at the end.
    const bool wantsBezier = f->bezier[0] != 0;
    const bool wantsRide = f->jedzie_na[0] != 0;
    const bool wantsMount = f->mount[0] != 0;
    if (wasOnBezier && !f->bezier_continue)
    {
        p->following_bezier = 0;
        g_Engine.StopBezierMoving(p->model);
    }
    // 20. Senses, place and route.
    p->running_to_player = 0;
    UpdateTargetsAndVisParams(p, true);
    if (!p->place && !wantsRide && !wantsMount)
        g_PathMgr.FindPlaceFor(p);
    CPathMgr::ClearRoute(p);
    p->running = 0;
    p->running_nodes = 0;
    // 21.
    if (f->notice_player && p->target)
        p->target_position = ObjectPosition(p->target);
    // 22. The new phase is current.
    if (!p->bot)
        p->last_bot_choice = -1;
    p->bot = f->bot;
    p->faza = f;
    p->no_interpolation = f->go_to_center;
    p->estimate_phase = f->faza_estimate;
    // 23. Moving the character to its model's centre or to a socket.
    if (f->go_to_center || f->go_to_socket[0])
    {
        D3DXVECTOR3 at;
        bool found = false;
        UpdateSkin(p->model);
        if (f->go_to_center)
        {
            found = g_Engine.GetSkinMeshNodePosition(p->model, "Bip01", &at);
            if (!found)
                g_Console.Print2("Go to center: nie znalazlem Bip01 dla ", p->name);
        }
        else
        {
            found = SocketTransform(p->model, f->go_to_socket, &at, nullptr);
            if (!found)
                g_Console.Print("Socketa nie znaleziono!");
            else if (Debug(1))
                g_Console.Print("Jest socket OK");
        }
        // Without the node or socket the character stays where it is.
        if (found)
        {
            p->position = GroundBelow(at, p->model);
            CPathMgr::ClearRoute(p);
            p->place = nullptr;
            SetPosition(p, p->position, p->orientation);
            UpdateSkin(p->model);
            g_PathMgr.FindPlaceFor(p);
        }
    }
    // 24. The phase's animation.
    if (!f->bot && !f->faza_estimate)
    {
        p->anim.hObject = p->model;
        CopyCut(p->anim.szName, sizeof p->anim.szName, p->name);
        if (f->animacja[0][0])
            g_SequenceList.SetupPhaseAnimation(&p->anim, f->animacja[0], f->loop,
                                               f->no_interpolation || f->go_to_center ? 0.0f : kStartBlend);
        UpdateSkin(p->model);
    }
    else if (Debug(0))
        g_Console.Print2(p->name, " - omijam ustawienie animacji z setfaza");
    // 25.
    if (f->reset_sciezki)
        ClearPath(p);
    // 26.
    if (f->obrot_do_mesha[0])
        if (HOBJECT o = g_Engine.FindObject(f->obrot_do_mesha, 0))
            p->turn_target = ObjectPosition(o);
    // 27. The held weapon shows unless the phase hides it.
    if (p->weapon && p->weapon->m_hHeldModel)
        g_Engine.SetObjectFlags(p->weapon->m_hHeldModel, f->hide_weapon ? 0 : CHARACTER_OBJECT_SHOWN,
                                CHARACTER_OBJECT_SHOWN);
    // 28. An object held at a socket.
    if (f->attach[0])
        AttachPhaseObject(p, f);
    // 29. Shots on entry and the character's fire interval.
    p->aim_timer = 0.0f;
    if (f->strzal_raz && !f->bot && !fromSave)
        StrzalWlasciwy(p, true);
    if ((f->shot_value > 0.0f || f->bot) && p->weapon && p->weapon->m_pDesc)
        p->fire_interval = p->weapon->m_pDesc->Shoot_Delay;
    // 30.
    if (f->FX[0])
    {
        D3DXVECTOR3 at = p->position;
        at.y += kFxRaise;
        if (f->FX_rest[0] && !SocketTransform(p->model, f->FX_rest, &at, nullptr))
            g_Console.Print4(p->name, " - brak socketa efektu ", f->FX_rest, "");
        FX.CreateFxByName(f->FX, &at, nullptr);
    }
    // 31. A patrol without a usable neighbour falls back to the default phase once.
    if (f->patrol && !fromSave)
    {
        EstimatePatrol(p);
        if (p->faza != f)
            return out;
        if (!p->running_nodes && CompareNoCase(name, p->desc->default_faza) != 0)
        {
            CopyCut(out.restart, sizeof out.restart, p->desc->default_faza);
            return out;
        }
    }
    // 32.
    if (f->rakieta[0] && !fromSave)
        FirePhaseRocket(p);
    // 33. The estimate the phase asks for.
    if (HasEstimate(f) && !fromSave)
    {
        LaunchEstimated(p);
        if (p->faza != f)
            return out; // a fall-back entered another phase
        if (p->suspended)
        {
            if (!f->bot)
            {
                if (Debug(0))
                    g_Console.Print3("Wychodze z SetFaza: ", p->name, " bo Suspended.");
                return out;
            }
            if (p->running_nodes)
            {
                if (Debug(0))
                    g_Console.Print3("Wychodze z SetFaza: ", p->name, " bo BotUpdateWWezleBiegu.");
                BotUpdate(p);
                return out;
            }
        }
    }
    // 34.
    if (f->odepchnij_gracza && !fromSave)
        HitPlayer(p);
    // 35. Sounds.
    if (f->sound[0])
        SetLoopSound(p, f->sound, f->sound_range);
    else if (!f->preserve_sound)
        SetLoopSound(p, "", 0.0f);
    if (f->sound_2D[0])
        g_SoundMgr.PlaySoundOnce(f->sound_2D, 1.0f, 0.0f);
    if (fromSave)
    {
        FinishEntryFromSave(p, f, wantsRide, wantsMount, wantsBezier);
        return out;
    }
    // 36. Phases of other characters.
    SetOtherFaza(p, f->setfaza0, f->setfaza0_rest);
    if (p->faza != f)
        return out;
    SetOtherFaza(p, f->setfaza1, f->setfaza1_rest);
    if (p->faza != f)
        return out;
    // 37. A line of speech.
    if (f->say[0])
        SayPhaseLine(p, f);
    // 38.
    if (f->dialogue[0][0] || f->hero_dialogue[0] || f->stop_dialogue)
        StartPhaseDialogues(p, f);
    // 39. Riding, mounting, the bezier path.
    if (wantsRide)
        UpdateJazde(p);
    if (wantsMount && p->faza == f)
        UpdateMount(p);
    if (p->faza != f)
        return out;
    if (wantsBezier)
    {
        if (f->bezier_flight)
            g_Engine.StartBezierMoving(p->model);
        else if (g_BezierMgr.GetPathLength(f->bezier) < kMinBezierLength)
        {
            g_Console.Print3("Bezier ", f->bezier, " za krotki!");
            p->following_bezier = 0;
        }
        else
        {
            p->following_bezier = 1;
            if (!wasOnBezier || !f->bezier_continue)
                p->bezier_distance = 0.0f;
        }
    }
    // 40. The ground under the character.
    p->position = GroundBelow(p->position, p->model);
    // 41.
    if (f->run_to[0][0])
    {
        if (Debug(0))
            g_Console.Print2("Odpalam PostacRunTo ", f->run_to[0]);
        PostacRunTo(p, f->run_to[0], f->run_to[1], f->run_to[2], f->run_to[3]);
    }
    // 42.
    if (f->zabij_z_fizyka)
        Zabij(p, nullptr, nullptr, nullptr, true, false, false);
    // 43.
    if (LateDebug(1))
        g_Console.Print2("Wychodze z SetFaza ", p->name);
    return out;
}

void CPostacMgr::FinishEntryFromSave(strpostac* p, strFaza* f, bool ride, bool mount, bool bezier)
{
    // 39 and 40 only: the requests the phase makes of the character itself.
    if (ride)
        UpdateJazde(p);
    if (mount && p->faza == f)
        UpdateMount(p);
    if (p->faza != f)
        return;
    if (bezier)
    {
        if (f->bezier_flight)
            g_Engine.StartBezierMoving(p->model);
        else
            p->following_bezier = g_BezierMgr.GetPathLength(f->bezier) >= kMinBezierLength ? 1 : 0;
    }
    p->position = GroundBelow(p->position, p->model);
}

void CPostacMgr::SetOtherFaza(strpostac* p, const char* faza, const char* character)
{
    if (!faza || !faza[0] || !character || !character[0])
        return;
    if (Debug(0))
        g_Console.Print4("Ustawiam postaci ", character, " faze ", faza);
    // A character that is entering a phase already (this one, or one whose
    // phase set this one's) is left as it is: phases that set each other end.
    const strpostac* other = FindCharacterByName(character, true);
    if (other && other->entering_faza > 0)
    {
        if (Debug(0))
            g_Console.Print3(character, " zmienia juz faze - pomijam ", faza);
        return;
    }
    (void)p;
    ForceFazaByName(character, faza);
}

void CPostacMgr::AttachPhaseObject(strpostac* p, const strFaza* f)
{
    if (p->attached_object && CompareNoCase(p->attached_name, f->attach) != 0)
    {
        HOBJECT old = p->attached_object;
        if (old->bUsed)
        {
            old->bTied = 0;
            old->pTiedTo = nullptr;
        }
        p->attached_object = nullptr;
        p->attached_name[0] = 0;
    }
    if (!f->attach_rest[0])
        return;
    HOBJECT o = g_Engine.FindObject(f->attach, 0);
    if (!o)
    {
        g_Console.Print2(f->attach, " nie istnieje!");
        return;
    }
    o->bTied = 1;
    o->pTiedTo = p->model;
    g_Engine.SetObjectFlags(o, kAttachedBit, kAttachedBit);
    g_Engine.SetObjectFlags2(o, kAttachedBits2, kAttachedBits2);
    CopyCut(o->szTieSocket, sizeof o->szTieSocket, f->attach_rest);
    p->attached_object = o;
    CopyCut(p->attached_name, sizeof p->attached_name, f->attach);
}

void CPostacMgr::SayPhaseLine(strpostac* p, const strFaza* f)
{
    if (p->speech)
    {
        g_SoundMgr.StopSound(p->speech);
        g_SoundMgr.DeleteSound(p->speech);
        p->speech = nullptr;
    }
    g_DialogueMgr.StopDialoguesOf(p, false);
    if (Distance(p->position, g_Camera.GetPosition()) > kSayReach)
        return;
    const int counter = static_cast<int>(p->slot);
    const char* wav = FindDialogueWav(&counter, f->say, !p->desc->hero);
    if (wav && wav[0])
    {
        D3DXVECTOR3 at = p->position;
        at.y += kSayRaise;
        p->speech = g_SoundMgr.CreateSound3DAt(wav, &at, kSayHeard, true, false);
    }
    // The line is shown even when its recording is missing, so a level can be
    // played before its voices are in. A "say_s" line has no speaker above a
    // head: it goes to the message box.
    if (!g_Options.SubtitlesOn)
        return;
    char key[POSTAC_NAME_SIZE + 2];
    std::snprintf(key, sizeof key, ">%s", f->say);
    g_Panel.ShowSubtitle(g_TextMgr.GetText(key), f->say_subtitled ? nullptr : p);
}

void CPostacMgr::StartPhaseDialogues(strpostac* p, const strFaza* f)
{
    // Stopping comes first: a phase that both stops and starts a dialogue
    // replaces the character's talk rather than silencing the new one.
    if (f->stop_dialogue)
    {
        if (Debug(0))
            g_Console.Print("Stopping dialogue");
        g_DialogueMgr.StopDialoguesOf(p, false);
        if (Debug(0))
            g_Console.Print("Dialogue stopped");
    }
    if (f->dialogue[0][0])
    {
        if (Debug(0))
        {
            char line[POSTAC_NAME_SIZE + 32];
            std::snprintf(line, sizeof line, "Uruchamiam dialog \"%.63s\"", f->dialogue[0]);
            g_Console.Print(line);
        }
        // The second and third words name the other actors ("hero" is the
        // player's record); one not found leaves its lines to the first actor,
        // and a dead one is the dialogue's to report.
        strpostac* second = FindCharacterByName(f->dialogue[1], false);
        strpostac* third = FindCharacterByName(f->dialogue[2], false);
        g_DialogueMgr.StartDialogue(f->dialogue[0], p, second, third);
    }
    if (f->hero_dialogue[0])
        g_DialogueMgr.StartHeroDialogue(f->hero_dialogue);
}

// ---- The end of a phase ---------------------------------------------------------------------------

bool CPostacMgr::PhaseHasEnded(const strpostac* p) const
{
    const strFaza* f = p->faza;
    if (!f || p->dead || p->phase_held)
        return false;
    if (f->czas_trwania > 0.0f)
        return p->time_in_phase > f->czas_trwania;
    if (CompareNoCase(f->name, kEstimatePhase) == 0)
        return true;
    if (f->faza_estimate && !f->bot)
        return true;
    if (f->loop)
        return false;
    if (f->bot && p->time_in_phase < (p->sees_player ? kBotPhaseSeen : kBotPhaseUnseen))
        return false;
    return g_SequenceList.IsCharacterAnimationFinished(&p->anim) || !p->anim.szAnimation[0];
}

void CPostacMgr::CheckPhaseEnd(strpostac* p)
{
    if (!PhaseHasEnded(p))
        return;
    if (LateDebug(2))
        g_Console.Print2("Koniec animacji postaci ", p->name);
    EndPhase(p);
}

void CPostacMgr::EndPhase(strpostac* p)
{
    const strFaza* f = p->faza;
    if (!f)
        return;
    if (Debug(0))
        g_Console.Print2(p->name, " odpala koniec fazy");
    const float r1 = Random01();
    const float r2 = Random01();
    // The first step that sets a phase ends the choice.
    if (f->on_free_left[0] && f->on_free_left_value > r2 && IsLeftFree(p))
    {
        SetFaza(p, f->on_free_left);
        return;
    }
    if (f->on_free_right[0] && f->on_free_right_value > r1 && IsRightFree(p))
    {
        SetFaza(p, f->on_free_right);
        return;
    }
    if (p->bot && p->choice_timer < kBotEndGrace)
    {
        g_Console.Print2(p->name, " - przechwycono koniec biegu bota!");
        SetFaza(p, StandPhaseName(p));
        return;
    }
    if (f->do_gracza > kMinCloser && f->do_gracza >= p->target_distance &&
        ((p->sees_player && f->on_closer_widzi.count) || f->on_closer.count))
    {
        SetFaza(p, p->sees_player && f->on_closer_widzi.count ? RandomName(f->on_closer_widzi)
                                                              : RandomName(f->on_closer));
        return;
    }
    if (p->sees_player && f->on_koniec_widzi.count)
        SetFaza(p, RandomName(f->on_koniec_widzi));
    else if (!f->on_koniec.count)
        GoToStandPhase(p);
    else
        SetFaza(p, RandomName(f->on_koniec));
}
