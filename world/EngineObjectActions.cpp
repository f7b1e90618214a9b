// EEngineObject: the object-action interpreter. An object's actions run once
// per trigger, in a fixed order of steps, each reading the object's action
// record; a missing object, character or weapon is reported and its step
// skipped, and the rest still run.
#include "world/EngineObject.h"

#include "game/CutScene.h"
#include "game/GameAI.h"
#include "game/BezierFollowState.h"
#include "game/MainGame.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace
{
constexpr float kLowestTimeSpeed = 0.01f;
constexpr float kLowestFarPlane = 90.0f;
constexpr float kHeroKillDamage = -1000.0f;
constexpr float kPushLift = 0.1f;
constexpr float kBezierSwitchSpeed = 2.0f;
constexpr float kHeroDeadHealth = -1.0f;
constexpr BYTE kCrouchStance = 3;

bool Set(const char* text)
{
    return text && text[0];
}

bool Debug()
{
    return g_Options.Debug != 0;
}

void DebugLine(const char* a, const char* b = "", const char* c = "", const char* d = "")
{
    if (Debug())
        g_Console.Print4(a, b, c, d);
}

HOBJECT Find(const char* name)
{
    return Set(name) ? g_Engine.FindObject(name, 0) : nullptr;
}
} // namespace

void EEngineObject::RunObjectActions(HOBJECT o, BYTE heroTriggered)
{
    if (o)
        RunActions(o, heroTriggered);
}

void EEngineObject::RunObjectActionsByName(const char* name)
{
    RunObjectActions(g_Engine.FindObject(name, 0), 0);
}

void EEngineObject::RunActions(HOBJECT o, int heroTriggered)
{
    // 1. Objects without an active record, or with a run under way, do nothing.
    if (!o || !o->bUsed || o->bActionRunning || !o->pActionParams || !o->pActionParams->dwEnabled)
        return;
    const EObjectActionParams& p = *o->pActionParams;
    // 2. The hero triggers only what he may; once-only records run once.
    if (heroTriggered && (!p.action_general_opt || ActionCalls::HeroIsDead()))
        return;
    if (p.action_general_2_once && o->bActionHasRun)
        return;
    // 3, 4. The variable conditions.
    if (Set(p.action_ifset) && !g_GameAI.IsVariableOn(p.action_ifset))
    {
        DebugLine("Jest ActionIf ", o->szName, " a zmienna nie ustawiona, wychodze!");
        return;
    }
    if (Set(p.action_action_if_not_set) && g_GameAI.IsVariableOn(p.action_action_if_not_set))
    {
        DebugLine("Jest ActionIfNot ", o->szName, " a zmienna ustawiona, wychodze!");
        return;
    }
    // 5. The pause between two runs.
    if (p.action_next_run_after > 0.0f && p.action_next_run_after > o->fSinceLastAction)
    {
        if (Debug())
        {
            char text[128];
            std::snprintf(text, sizeof text, "Czas od ost. uruchomienia: %f; wymagany: %f",
                          o->fSinceLastAction, p.action_next_run_after);
            g_Console.Print(text);
        }
        return;
    }
    // Chains of objects that hand on to each other without a pause are cut
    // here, so one frame never runs for ever.
    if (m_iActionRuns >= MAX_ACTION_RUNS_PER_FRAME || m_iActionDepth >= MAX_ACTION_DEPTH)
    {
        if (!m_bChainReported)
        {
            char text[256];
            std::snprintf(text, sizeof text,
                          "Object actions cut at %.120s: %d runs this frame, %d hand-ons deep; the rest run "
                          "next frame",
                          o->szName, m_iActionRuns, m_iActionDepth);
            g_Console.Print(text);
            m_bChainReported = 1;
        }
        DeferRun(o, static_cast<BYTE>(heroTriggered != 0));
        return;
    }
    ++m_iActionRuns;
    ++m_iActionDepth;
    // The steps may change the record (through other objects' runs reaching
    // back, or a set of the record): they work on a copy.
    const EObjectActionParams copy = p;
    RunSteps(o, copy, static_cast<BYTE>(heroTriggered != 0));
    --m_iActionDepth;
}

void EEngineObject::DeferRun(HOBJECT o, BYTE heroTriggered)
{
    for (const DeferredRun& d : m_DeferredRuns)
        if (d.object == o)
            return;
    m_DeferredRuns.push_back({o, {o->PESEL[0], o->PESEL[1], o->PESEL[2]}, heroTriggered});
}

void EEngineObject::RunDeferredActions()
{
    if (m_DeferredRuns.empty())
        return;
    std::vector<DeferredRun> runs;
    runs.swap(m_DeferredRuns);
    for (const DeferredRun& d : runs)
    {
        HOBJECT o = d.object;
        if (o->bUsed && !o->bDeletePending && o->PESEL[0] == d.pesel[0] && o->PESEL[1] == d.pesel[1] &&
            o->PESEL[2] == d.pesel[2])
            RunActions(o, d.heroTriggered);
    }
}

void EEngineObject::RunSteps(HOBJECT o, const EObjectActionParams& p, BYTE heroTriggered)
{
    // 6.
    ActionCalls::QuestObjectUsed(o);
    DebugLine(o->szName, " w srodku, uruchamiam akcje");
    // 7. The object counts as running from here, so a chain that comes back
    // to it does nothing.
    const bool destination = o->bActionToggled != 0;
    o->bActionHasRun = 1;
    o->bActionRunning = 1;
    o->fSinceLastAction = 0.0f;
    o->fActionRunTime = 0.0f;
    // 8. Variables.
    if (!destination)
    {
        if (Set(p.action_default_set))
            g_GameAI.SetVariable(p.action_default_set, o);
        if (Set(p.action_default_unset))
            g_GameAI.UnsetVariable(p.action_default_unset, o);
    }
    else
    {
        if (Set(p.action_dest_set))
            g_GameAI.SetVariable(p.action_dest_set, o);
        if (Set(p.action_dest_unset))
            g_GameAI.UnsetVariable(p.action_dest_unset, o);
    }
    // 9 - 14. The hero's mounted gun, countdown, the end of the game, the
    // helicopter, ammunition.
    if (p.mount_gun && !p.mount_gun_forbidden)
        ActionCalls::HeroMountGun(o->szName);
    if (p.action_countdown_turn_on)
    {
        DebugLine("Starting countdown with target ", p.action_countdown_action_on_finish);
        ActionCalls::HeroStartCountdown(o);
    }
    if (p.action_countdown_turn_off)
    {
        DebugLine("Stopping countdown");
        ActionCalls::HeroStopCountdown();
    }
    if (p.action_end_game)
    {
        DebugLine("End game");
        ActionCalls::GameEndGame();
    }
    if (p.action_fly_heli)
    {
        DebugLine("Fly Helicopter ", o->szName);
        ActionCalls::HeroFlyHelicopter(o);
    }
    if (p.action_full_ammo)
    {
        DebugLine("Full ammo");
        ActionCalls::HeroFullAmmo();
    }
    // 15 - 18. Fades, motion blur, view inertia, monochrome: on, then off.
    if (p.action_fade_in)
        ActionCalls::PanelFadeIn(p.action_fade_in_time);
    if (p.action_fade_out)
        ActionCalls::PanelFadeOut(p.action_fade_out_time);
    if (p.action_motion_blur_on)
        ActionCalls::PostMotionBlur(1);
    if (p.action_motion_blur_off)
        ActionCalls::PostMotionBlur(0);
    if (p.action_mouse_inertia_on)
        ActionCalls::HeroSetHeartbeatLevel(p.action_mouse_inertia);
    if (p.action_mouse_inertia_off)
        ActionCalls::HeroSetHeartbeatLevel(0.0f);
    if (p.action_player_move_and_view_turn_on_monochromatic)
        ActionCalls::PostMonochrome(1);
    if (p.action_player_move_and_view_turn_off_monochromatic)
        ActionCalls::PostMonochrome(0);
    // 19.
    if (p.action_render_params_delete_sector != 0)
        DeleteSector(p.action_render_params_delete_sector);
    // 20 - 23. Letterbox, movement radius, held view, bezier walk.
    if (p.action_player_move_and_view_turn_on_panoramic_screen)
        g_Panel.m_bPanoramic = 1;
    if (p.action_player_move_and_view_turn_off_panoramic_screen)
        g_Panel.m_bPanoramic = 0;
    if (p.action_player_move_and_view_turn_on_movement_radius)
        ActionCalls::HeroMovementRadiusOn(p.action_player_move_and_view_movement_radius);
    if (p.action_player_move_and_view_turn_off_movement_radius)
        ActionCalls::HeroMovementRadiusOff();
    if (p.action_player_move_and_view_turn_on_look_at)
        g_Camera.LookFrom(p.action_player_move_and_view_object_to_look_at,
                          p.action_player_move_and_view_look_at_angle_degrees);
    if (p.action_player_move_and_view_turn_off_look_at)
        g_Camera.LookFrom(nullptr, 0.0f);
    if (p.action_player_move_and_view_turn_on_bezier_walk)
        ActionCalls::HeroStartBezier(p.action_player_move_and_view_bezier_to_walk_on,
                                     p.action_player_move_and_view_turn_on_bezier2_walk_use_running_mode);
    if (p.action_player_move_and_view_turn_off_bezier_walk)
        ActionCalls::HeroStopBezier();
    // 24. Black-and-white object effect.
    if (p.action_player_move_and_view_turn_on_bw_postprocess)
        ActionCalls::PostObjectEffect(1);
    if (p.action_player_move_and_view_turn_off_bw_postprocess)
        ActionCalls::PostObjectEffect(0);
    if (HOBJECT bw = Find(p.action_player_move_and_view_add_object_to_bw_postprocess))
        ActionCalls::PostAddEffectObject(bw);
    if (Set(p.action_player_move_and_view_add_character_to_bw_postprocess))
        ActionCalls::PostAddEffectCharacter(p.action_player_move_and_view_add_character_to_bw_postprocess);
    // 25.
    if (p.action_fov_multiplier > 0.0f)
        g_Options.FOV = g_Options.FOV2 = p.action_fov_multiplier;
    // 26, 27.
    if (p.action_checkpoint_checkpoint)
    {
        DebugLine("Checkpoint");
        ActionCalls::SaveCheckpoint();
    }
    if (p.action_gamefail)
    {
        DebugLine("Game fail");
        g_Console.Print2(o->szName, " odpala GameFailed z akcji");
        GameFailed(0);
    }
    // 28. Dialogue.
    if (Set(p.action_start_dialogue0) && Set(p.action_start_dialogue_actor0))
    {
        DebugLine("Start dialogue ", p.action_start_dialogue0);
        if (!ActionCalls::CharacterExists(p.action_start_dialogue_actor0))
        {
            if (HOBJECT actor = Find(p.action_start_dialogue_actor0))
                ActionCalls::DialogueStartByName(p.action_start_dialogue0, actor);
            else
                g_Console.Print2("MeshDialogue failed to find ", p.action_start_dialogue_actor0);
        }
        else
            ActionCalls::DialogueStart(p.action_start_dialogue0, p.action_start_dialogue_actor0,
                                       p.action_start_dialogue_actor1, p.action_start_dialogue_actor2);
    }
    // 29. The hero's permissions, each on then off.
    if (p.action_character_allow_sprint)
        ActionCalls::HeroSetRunAllowed(1);
    if (p.action_character_forbid_sprint)
        ActionCalls::HeroSetRunAllowed(0);
    if (p.action_character_allow_jumping)
        ActionCalls::HeroSetJumpAllowed(1);
    if (p.action_character_forbid_jumping)
        ActionCalls::HeroSetJumpAllowed(0);
    if (p.action_character_high_jump_on)
        ActionCalls::HeroSetHighJump(1);
    if (p.action_character_high_jump_off)
        ActionCalls::HeroSetHighJump(0);
    // 30, 31.
    if (Set(p.action_sound_ambient_sound))
    {
        DebugLine("Ambient Sound ", p.action_sound_ambient_sound);
        SetAmbientSound(p.action_sound_ambient_sound, p.action_sound_volume_ambient_sound);
    }
    if (Set(p.action_start_hero_dialogue))
    {
        ActionCalls::DialogueStartHero(p.action_start_hero_dialogue);
        DebugLine("Starting hero dialogue: ", p.action_start_hero_dialogue);
    }
    // 32. Render switches.
    if (p.action_render_params_use_render_params)
    {
        if (p.action_render_params_farz != 0.0f)
            g_Camera.SetFarPlane(p.action_render_params_farz < kLowestFarPlane ? kLowestFarPlane
                                                                               : p.action_render_params_farz);
        const BYTE* s = p.action_render_params_states;
        enum
        {
            SKY_ON,
            SKY_OFF,
            AMBIENT_ON,
            AMBIENT_OFF,
            WATER_ON,
            WATER_OFF,
        };
        if (s[WATER_OFF])
            g_Options.DrawWater = 0;
        if (s[WATER_ON])
            g_Options.DrawWater = 1;
        if (s[AMBIENT_OFF])
        {
            g_Options.DrawAmbientLitObjects = 0;
            DebugLine(o->szName, " wylacza render obiektow Shadowcasted");
        }
        if (s[AMBIENT_ON])
        {
            g_Options.DrawAmbientLitObjects = 1;
            DebugLine(o->szName, " wlacza render obiektow Shadowcasted");
        }
        if (s[SKY_OFF])
        {
            g_Options.DrawSkylightLitObjects = 0;
            DebugLine(o->szName, " wylacza render obiektow SkyLight");
        }
        if (s[SKY_ON])
        {
            g_Options.DrawSkylightLitObjects = 1;
            DebugLine(o->szName, " wlacza render obiektow Skylight");
        }
        if (p.action_render_params_show_sectors[0] != 0)
            ShowSectors(p.action_render_params_show_sectors);
        if (p.action_render_params_hide_sectors[0] != 0)
            HideSectors(p.action_render_params_hide_sectors);
    }
    // 33. Combat, then peaceful.
    if (p.action_switch_to_combat_mode)
        Player.SetCombatMode(true);
    if (p.action_switch_to_peaceful_mode)
        Player.SetCombatMode(false);
    // 34.
    if (p.action_global_time_speed > kLowestTimeSpeed)
    {
        if (Debug())
            g_Console.PrintFloat("Setting GlobalTimeSpeed to ", p.action_global_time_speed);
        g_Options.GlobalTimeSpeed = p.action_global_time_speed;
        g_Console.SetVariable("GlobalTimeSpeed", p.action_global_time_speed, 0);
    }
    // 35. A light goes off or on: bit 0 of its flags says whether it shines.
    if (p.action_switch_light && o->Type == OT_LIGHT)
    {
        const bool on = (o->dwFlags & OF_PHYSICS) != 0;
        o->bLightOff = on ? 1 : 0;
        g_Engine.SetObjectFlags(o, on ? 0 : OF_PHYSICS, OF_PHYSICS);
        o->bLightCacheValid = 0;
    }
    // 36. Blinking.
    if (p.action_switch_blinking && o->pBlinking)
    {
        o->pBlinking->bEnabled = o->pBlinking->bEnabled ? 0 : 1;
        if (!o->pBlinking->bEnabled)
        {
            o->fLightValue = o->fLightValue2;
            o->dwLightColor = 0xFFFFFFFF;
        }
    }
    // 37.
    if (Set(p.action_voice_hero0) || Set(p.action_voice_hero1) || Set(p.action_voice_other) ||
        Set(p.action_voice_enemy))
        PlayActionVoice(o);
    // 38. Another object moved here.
    if (Set(p.action_teleport_object_here))
    {
        DebugLine("Chce teleportowac tu obiekt ", p.action_teleport_object_here);
        if (HOBJECT t = Find(p.action_teleport_object_here))
        {
            DebugLine("Obiekt znaleziony");
            if (g_Engine.IsMovingOnBezier(t))
                g_Engine.StopBezierMoving(t);
            g_Engine.SetObjectPosition(t, &o->vPosition, 0);
            if (p.action_teleport_with_my_rotation)
                g_Engine.SetObjectRotation(t, &o->Orientation);
        }
        else
            DebugLine("Nie ma obiektu do teleportacji!");
    }
    // 39, 40. Camera moves.
    if (Set(p.action_move_camera_to_object_name))
    {
        DebugLine("Camera.MoveToObject ", p.action_move_camera_to_object_name);
        g_Camera.MoveToObject(p.action_move_camera_to_object_name, p.action_move_camera_to_object_time);
    }
    if (Set(p.action_camera_look_from_object) && Set(p.action_camera_look_from_socket))
    {
        DebugLine("Camera.LookFromObject ", p.action_camera_look_from_object, ", socket ",
                  p.action_camera_look_from_socket);
        g_Camera.LookFromObject(p.action_camera_look_from_object, p.action_camera_look_from_socket,
                                p.action_camera_look_from_time,
                                p.action_camera_look_from_character_not_object);
    }
    // 41.
    if (p.action_general_3_kills_hero2)
        ActionCalls::HeroChangeHealth(kHeroKillDamage);
    if (p.action_general_3_kills_hero)
        ActionCalls::HeroChangeHealth(kHeroKillDamage);
    // 42. One shake per object in a row.
    if (p.action_shake_screen && m_hLastShake != o)
    {
        DebugLine(o->szName, " ustawia shake screen.");
        if (p.action_constant_shake.bEnabled)
            g_Camera.StartConstantShake(p.action_constant_shake, o);
        if (p.action_short_shake.bEnabled)
            g_Camera.StartShake(p.action_short_shake, o->vPosition);
        m_hLastShake = o;
    }
    // 43.
    if (Set(p.action_teleport_character_here))
    {
        DebugLine("TeleportCharacterHere ", p.action_teleport_character_here);
        ActionCalls::CharacterTeleport(p.action_teleport_character_here, o->vPosition);
    }
    // 44. The object starts shooting.
    if (p.action_shoot_general)
    {
        const bool weapon = ActionCalls::ItemDescriptionExists(p.action_shoot_weapon);
        HOBJECT target = (strcasecmp(p.action_shoot_target, "hero") == 0) ? ActionCalls::HeroObject()
                                                                          : Find(p.action_shoot_target);
        if (weapon && target)
        {
            o->bShooting = 1;
            // In 64 bits and held to the int range: a huge interval from the
            // world file plus its random part must not wrap.
            const long long interval = static_cast<long long>(p.action_shoot_interval) +
                                       (p.action_shoot_random > 0 ? std::rand() % p.action_shoot_random : 0);
            o->iShotInterval = static_cast<int>(std::clamp<long long>(interval, INT_MIN, INT_MAX));
            o->iShotCount = 0;
            o->fShotTimer = 0.0f;
        }
        else
            o->bShooting = 0;
        if (!weapon)
            g_Console.Print3(o->szName, " nie moze znalezc broni ", p.action_shoot_weapon);
        if (!target)
            g_Console.Print3(o->szName, " nie moze znalezc targetu ", p.action_shoot_target);
    }
    // 45, 46. Animations.
    if (o->Type == OT_SKINMESH)
    {
        if (!destination && Set(p.action_default_set_animation))
            g_Engine.SetObjectAnimation(o, p.action_default_set_animation,
                                        static_cast<BYTE>(p.action_set_default_animation_loop), 0.0f, 1.0f);
        if (destination && Set(p.action_destination_set_animation))
            g_Engine.SetObjectAnimation(o, p.action_destination_set_animation,
                                        static_cast<BYTE>(p.action_set_destination_animation_loop), 0.0f,
                                        1.0f);
    }
    if (Set(p.action_set_anim_for_object_name) && Set(p.action_set_anim_for_animation_name))
    {
        HOBJECT t = Find(p.action_set_anim_for_object_name);
        if (!t)
            g_Console.Print3("SetAnimFor ", p.action_set_anim_for_object_name, " nie ma obiektu!");
        else if (t->Type != OT_SKINMESH)
            g_Console.Print3("SetAnimFor ", p.action_set_anim_for_object_name,
                             " - obiekt nie jest skinmeshem!");
        else
            g_Engine.SetObjectAnimation(t, p.action_set_anim_for_animation_name, p.action_loop_anim_for, 0.0f,
                                        1.0f);
    }
    // 47. Another object sent along a bezier path.
    if (Set(p.action_make_object_move_on_bezier_object_name) &&
        Set(p.action_make_object_move_on_bezier_bezier_name))
    {
        if (HOBJECT t = Find(p.action_make_object_move_on_bezier_object_name))
        {
            BezierFollowState s;
            g_Engine.GetObjectBezierFollowState(t, &s);
            std::snprintf(s.szStartNode, sizeof s.szStartNode, "%s",
                          p.action_make_object_move_on_bezier_bezier_name);
            s.bOn = 1;
            s.bOption1 = 1;
            s.bFlag1 = 1;
            s.bOption2 = p.action_make_object_move_on_bezier_loop ? 0 : 1;
            g_Engine.SetObjectBezierFollowState(t, &s);
            g_Engine.StartBezierMoving(t);
        }
        else
        {
            g_Console.Print("Zmuszenie obiektu do ruchu na bezierze failed - nie ma obiektu!");
            g_Console.Print(p.action_make_object_move_on_bezier_object_name);
        }
    }
    // 48 - 52.
    if (Set(p.action_character_name_runs_to))
        ActionCalls::CharacterRunTo(p.action_character_name_runs_to, p.action_character_runs_to_target,
                                    p.action_character_uses_bezier, p.action_character_set_phase_on_target,
                                    p.action_character_runs_to_animation_name);
    if (p.action_door)
        OpenDoor(o);
    if (p.action_ladder)
        ActionCalls::HeroGrabLadder(o);
    if (Set(p.action_console_print))
        g_Console.Print(p.action_console_print);
    if (Set(p.action_run_script))
    {
        DebugLine("RunScript ", p.action_run_script);
        g_Console.ExecFile(p.action_run_script);
    }
    // 53. A push along this object's forward axis, a little upward.
    if (Set(p.action_push_object))
    {
        HOBJECT t = Find(p.action_push_object);
        if (t && t->Type == OT_MESH)
        {
            DebugLine("Kopie obiekt ", p.action_push_object);
            D3DXVECTOR3 force = o->Orientation.Forward;
            D3DXVec3Normalize(&force, &force);
            force.y += kPushLift;
            force *= p.action_push_obj_force;
            g_Engine.PutForceToObject(t, &force, p.action_push_obj_force);
        }
        else if (!t)
            g_Console.Print3(o->szName, " nie znalazl obiektu do kopniecia ", p.action_push_object);
    }
    // 54. Kill, at once or after a delay.
    if (HOBJECT t = Find(p.action_kill_object))
    {
        if (p.action_kill_delay <= 0.0f)
        {
            DebugLine("Zabijam obiekt ", p.action_kill_object);
            HandleDeath(t);
        }
        else
        {
            DebugLine("Wlaczam oczekiwanie na smierc dla ", p.action_kill_object);
            t->fDeathWait = p.action_kill_delay;
        }
    }
    // 55. Looping FX.
    if (!destination)
    {
        g_Engine.SetObjectFx(o, nullptr);
        if (Set(p.action_default_set_fx))
            g_Engine.SetObjectFx(o, p.action_default_set_fx);
    }
    else if (Set(p.action_default_unset_fx))
        g_Engine.SetObjectFx(o, p.action_default_unset_fx);
    // 56. Sounds at the object.
    const char* sound = destination ? p.action_sounds_deactivate : p.action_sounds_activate;
    if (Set(sound))
        g_SoundMgr.PlaySound3DOnce(sound, &o->vPosition, p.action_sounds_range);
    // 57 - 60.
    if (Set(p.action_play_music))
        g_MainGame.PlayMusic(p.action_play_music, 1);
    if (Set(p.action_start_world))
    {
        DebugLine("Dodaje Engine.m_WorldToStart ", p.action_start_world);
        g_MainGame.ScheduleWorldStart(p.action_start_world);
    }
    if (Set(p.action_activate_ai_action))
    {
        DebugLine("ActivateAIAction ", p.action_activate_ai_action);
        ActionCalls::ActivateAIAction(p.action_activate_ai_action);
    }
    if (Set(p.action_respawn_character_name))
    {
        DebugLine("Respawnuje postac z id ", p.action_respawn_character_name);
        RespawnCharacter(o);
    }
    // 61. Kill a character; the hero too when named.
    if (Set(p.action_kill_character))
    {
        if (strcasecmp(p.action_kill_character, "hero") == 0)
        {
            DebugLine("Zabijam gracza!");
            Player.SetHealth(kHeroDeadHealth, 1);
            ActionCalls::HeroKill();
        }
        DebugLine("Zabijam postac ", p.action_kill_character);
        if (ActionCalls::CharacterKill(p.action_kill_character, o->vPosition))
            DebugLine("Znaleziona");
        else
            DebugLine("NIE znaleziona");
    }
    // 62. A bezier move started or turned back by a run that the hero did not trigger.
    if (!heroTriggered && p.action_switch_moving_on_action)
    {
        // Moving: active and not slowing down (an object slowed to a stop
        // stays active, and must speed up again at the next use). A stopped
        // one is sent along its path again, speeding up from rest.
        if (!g_Engine.IsMovingOnBezier(o))
        {
            g_Engine.StartBezierMoving(o);
            if (g_Engine.IsMovingOnBezier(o))
            {
                o->pBezierMove->dSpeed = 0.0;
                g_Engine.SetBezierSpeedMode2(o, kBezierSwitchSpeed);
            }
        }
        else if (o->pBezierMove->iSpeedMode == 1)
            g_Engine.SetBezierSpeedMode2(o, kBezierSwitchSpeed);
        else
            g_Engine.SetBezierSpeedMode1(o, kBezierSwitchSpeed);
    }
    // 63. Passing blockers.
    if (Set(p.action_allow_passing_blockers))
    {
        if (HOBJECT t = Find(p.action_allow_passing_blockers))
        {
            DebugLine("Wlaczam PassingThroughBlockers dla ", p.action_allow_passing_blockers);
            t->bPassBlockers = 1;
            // The bezier move's stop-at-blockers byte is what a blocker reads.
            g_Engine.SetBezierPaused(t, 1);
        }
        else
            DebugLine("Chce wlaczyc PassingThroughBlockers dla ", p.action_allow_passing_blockers,
                      " ale nie ma obiektu!");
    }
    if (Set(p.action_forbid_passing_blockers))
    {
        if (HOBJECT t = Find(p.action_forbid_passing_blockers))
        {
            DebugLine("Wylaczam PassingThroughBlockers dla ", p.action_forbid_passing_blockers);
            t->bPassBlockers = 0;
            g_Engine.SetBezierPaused(t, 0);
        }
        else
            DebugLine("Chce wylaczyc PassingThroughBlockers dla ", p.action_forbid_passing_blockers,
                      " ale nie ma obiektu!");
    }
    // 64.
    if (Set(p.action_set_phase_for) && Set(p.action_phase_name))
    {
        DebugLine("Wymuszam postaci ", p.action_set_phase_for, " faze o nazwie ", p.action_phase_name);
        ActionCalls::CharacterForcePhase(p.action_set_phase_for, p.action_phase_name);
    }
    // 65. The hero moved here, looking along this object's heading.
    if (p.action_teleport_player_here)
    {
        DebugLine("TeleportPlayerHere ", o->szName);
        m_hLastShake = nullptr;
        D3DXVECTOR3 heading = o->Orientation.Forward;
        heading.y = 0.0f;
        float yaw = 0.0f;
        if (D3DXVec3Length(&heading) > 0.0f)
        {
            D3DXVec3Normalize(&heading, &heading);
            const float z = heading.z > 1.0f ? 1.0f : heading.z < -1.0f ? -1.0f : heading.z;
            yaw = std::acos(z);
            if (heading.x < 0.0f)
                yaw = -yaw;
        }
        Player.TeleportTo(&o->vPosition);
        ActionCalls::HeroTeleport(o->vPosition, yaw,
                                  p.action_crouching_teleport_player_here ? kCrouchStance : BYTE(0));
        g_Camera.SetOrientation(o->Orientation);
    }
    // 66. Hand on, at once or after a pause.
    if (Set(p.action_give_action_to___mesh))
    {
        if (p.action_give_action_to___delay == 0.0f)
        {
            DebugLine("Mesh wola przekazanie akcji na ", p.action_give_action_to___mesh);
            g_Engine.RunObjectAction(p.action_give_action_to___mesh, 0);
        }
        else
        {
            DebugLine("Mesh wola spauzowane przekazanie akcji na ", p.action_give_action_to___mesh);
            if (Debug())
                g_Console.PrintFloat("Pauza: ", o->fHandOnTimer);
            o->fHandOnTimer = 0.0f;
            o->bHandOnPending = 1;
        }
    }
    // 67, 68. The camera.
    o->bCameraTurned = 0;
    if (p.action_camera_position_mesh)
    {
        if (HOBJECT t = Find(p.action_camera_position_mesh_name))
        {
            g_Engine.ForceCameraToLook(t, o);
            o->bCameraTurned = 1;
        }
        else
            g_Console.Print2("No object for camera positioning: ", p.action_camera_position_mesh_name);
    }
    if (p.action_camera_positioning.on)
        StartCameraPositioning(o);
    // 69.
    o->bActionRunning = 1;
    DebugLine(o->szName, " - wychodze z uruchomienia akcji OK.");
}

void EEngineObject::OpenDoor(HOBJECT o)
{
    if (!o || !o->pActionParams || !o->pActionParams->action_door || o->bActionToggled)
        return;
    const EObjectActionParams& p = *o->pActionParams;
    // A door that does not swing away keeps the angle's sign: its side.
    const float angle = std::fabs(p.action_door_angle);
    o->fDoorAngle = p.action_door_angle;
    if (p.action_door_away)
    {
        // Away from the hero: compare his distance to the door with his
        // distance to the point one unit along the door's forward axis.
        const D3DXVECTOR3 hero = HeroPosition();
        const D3DXVECTOR3 ahead = o->vPosition + o->Orientation.Forward;
        const D3DXVECTOR3 toDoor = hero - o->vPosition;
        const D3DXVECTOR3 toAhead = hero - ahead;
        o->fDoorAngle = D3DXVec3Length(&toDoor) > D3DXVec3Length(&toAhead) ? -angle : angle;
    }
    if (p.action_knob_general)
        o->bKnob = 1;
    o->fKnobTimer = 0.0f;
}

void EEngineObject::StartCameraPositioning(HOBJECT o)
{
    // A running cut-scene keeps the camera on its guide.
    if (!o || !o->pActionParams || g_CutScene.m_bPlaying)
        return;
    m_CameraPositioning = o->pActionParams->action_camera_positioning;
    if (m_CameraPositioning.motion_blur)
        ActionCalls::PostMotionBlurAmount(1.0f);
    g_Options.FOV = g_Options.FOV2;
    g_Camera.UpdateProjection();
    m_bCameraPositioning = 1;
    m_fCameraPositioningTime = 0.0f;
    if (g_Options.Debug > 2)
        g_Console.Print2("bUseCameraPositioning ", o->szName);
}

void EEngineObject::HideSectors(const int (&list)[ACTION_SECTOR_LIST])
{
    for (int s : list)
        if (s != 0)
            g_Engine.SetSectorHidden(static_cast<DWORD>(s), 1);
}

void EEngineObject::ShowSectors(const int (&list)[ACTION_SECTOR_LIST])
{
    for (int s : list)
        if (s != 0)
            g_Engine.SetSectorHidden(static_cast<DWORD>(s), 0);
}

void EEngineObject::DeleteSector(int sector)
{
    if (sector == 0)
        return;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.bSectorIndex == sector)
            o.bDeletePending = 1;
}
