// EWorldMgr: the object-action keys of world files. Each line that names an
// action key reads the object's action record, sets the fields of that key
// and writes the record back; the object keeps the record only while its
// first word says it has actions. Keys beginning with "action_" that name
// nothing, and values no field can hold, are reported with their line and
// object. Names of objects the actions reach are checked once the whole world
// is read, when every object exists.
#include "world/WorldMgr.h"

#include "shell/Console.h"
#include "world/Engine.h"
#include "world/ObjectActionParams.h"
#include "world/WorldMgrKeyIndex.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace
{
using P = EObjectActionParams;

constexpr std::string_view kActionPrefix = "action_";

bool HasPrefix(const EWorldMgr& loader, std::string_view prefix)
{
    return loader.m_iKeywordLength >= prefix.size() &&
           std::memcmp(loader.m_szKeyword, prefix.data(), prefix.size()) == 0;
}

struct Ctx
{
    EWorldMgr& L;
    P& p;
};

// "rest" and "value 1" texts of at most `maxChars` characters.
template <size_t N> void RestText(Ctx& c, char (&field)[N], unsigned maxChars)
{
    static_assert(N > 0);
    const unsigned capacity = maxChars + 1 < N ? maxChars + 1 : static_cast<unsigned>(N);
    c.L.CopyText(c.L.m_szKeyword, capacity, field, c.L.GetValue(c.L.m_pLine));
}
template <size_t N> void Value1Text(Ctx& c, char (&field)[N], unsigned maxChars)
{
    const unsigned capacity = maxChars + 1 < N ? maxChars + 1 : static_cast<unsigned>(N);
    c.L.CopyText(c.L.m_szKeyword, capacity, field, c.L.GetNthValue(c.L.m_pLine, 1));
}
DWORD Flag32(Ctx& c, int n)
{
    return c.L.Flag(n) ? 1u : 0u;
}
BYTE Flag8(Ctx& c, int n)
{
    return c.L.Flag(n) ? 1 : 0;
}
DWORD RestFlag(Ctx& c)
{
    return c.L.RestInt() != 0 ? 1u : 0u;
}

// A sector list entry: index 0 to 31, then the sector. Other indices are
// refused and the line changes nothing.
void SectorEntry(Ctx& c, int (&list)[ACTION_SECTOR_LIST])
{
    const int index = c.L.Int(1);
    const int sector = c.L.Int(2);
    if (index < 0 || index >= ACTION_SECTOR_LIST)
    {
        c.L.Refuse("sector index out of 0..31", c.L.m_szKeyword);
        return;
    }
    list[index] = sector;
}

// Shot intervals are counts; a negative one is refused and read as 0.
int Count(Ctx& c, int n)
{
    const int v = c.L.Int(n);
    if (v >= 0)
        return v;
    c.L.Refuse("negative count", c.L.m_szKeyword);
    return 0;
}

struct ActionKey
{
    const char* key;
    void (*set)(Ctx&);
};

// The keys in their compare order.
constexpr ActionKey kActionKeys[] = {
    {"action_general_opt",
     [](Ctx& c)
     {
         c.p.dwEnabled = Flag32(c, 1);
         c.p.action_general_opt = Flag32(c, 2);
     }},
    {"action_ifset", [](Ctx& c) { RestText(c, c.p.action_ifset, 31); }},
    {"action_default_set", [](Ctx& c) { RestText(c, c.p.action_default_set, 31); }},
    {"action_default_unset", [](Ctx& c) { RestText(c, c.p.action_default_unset, 31); }},
    {"action_dest_set", [](Ctx& c) { RestText(c, c.p.action_dest_set, 31); }},
    {"action_dest_unset", [](Ctx& c) { RestText(c, c.p.action_dest_unset, 31); }},
    {"action_moving",
     [](Ctx& c)
     {
         for (int i = 0; i < ACTION_MOVING_VALUES; ++i)
             c.p.action_moving[i] = c.L.Float(i + 1);
     }},
    {"action_rotation",
     [](Ctx& c)
     {
         for (int i = 0; i < ACTION_ROTATION_VALUES; ++i)
             c.p.action_rotation[i] = c.L.Float(i + 1);
     }},
    {"action_give_action_to___mesh", [](Ctx& c) { RestText(c, c.p.action_give_action_to___mesh, 31); }},
    {"action_give_action_to___delay", [](Ctx& c) { c.p.action_give_action_to___delay = c.L.RestFloat(); }},
    {"action_sounds_activate", [](Ctx& c) { RestText(c, c.p.action_sounds_activate, 255); }},
    {"action_sounds_deactivate", [](Ctx& c) { RestText(c, c.p.action_sounds_deactivate, 255); }},
    {"action_sounds_range", [](Ctx& c) { c.p.action_sounds_range = c.L.RestFloat(); }},
    {"action_camera_position_mesh",
     [](Ctx& c)
     {
         c.p.action_camera_position_mesh = Flag32(c, 1);
         c.L.CopyText(c.L.m_szKeyword, 32, c.p.action_camera_position_mesh_name, c.L.GetNthValue(c.L.m_pLine, 2));
     }},
    {"action_switch_moving_on_action", [](Ctx& c) { c.p.action_switch_moving_on_action = RestFlag(c); }},
    {"action_can_be_held_up", [](Ctx& c) { c.p.action_can_be_held_up = RestFlag(c); }},
    {"action_target_name", [](Ctx& c) { RestText(c, c.p.action_target_name, 31); }},
    {"action_set_if_pickedup", [](Ctx& c) { RestText(c, c.p.action_set_if_pickedup, 31); }},
    {"action_set_if_ontarget", [](Ctx& c) { RestText(c, c.p.action_set_if_ontarget, 31); }},
    {"action_respawn_character_name", [](Ctx& c) { RestText(c, c.p.action_respawn_character_name, 31); }},
    {"action_respawn_character_phase0", [](Ctx& c) { RestText(c, c.p.action_respawn_character_phase0, 31); }},
    {"action_respawn_character_phase1", [](Ctx& c) { RestText(c, c.p.action_respawn_character_phase1, 31); }},
    {"action_general_2",
     [](Ctx& c)
     {
         c.p.action_general_2 = Flag32(c, 1);
         c.p.action_general_2_once = Flag32(c, 2);
     }},
    {"action_respawn_params",
     [](Ctx& c)
     {
         c.p.action_respawn_params = c.L.Float(1);
         const float count = c.L.Float(2);
         // Held at the ends an int holds, so the conversion is always defined.
         constexpr float kIntLimit = 2147483520.0f;
         c.p.action_respawn_params_count =
             static_cast<int>(count > kIntLimit ? kIntLimit : count < -kIntLimit ? -kIntLimit : count);
     }},
    {"action_respawn_character_do_not_respawn_if",
     [](Ctx& c) { RestText(c, c.p.action_respawn_character_do_not_respawn_if, 31); }},
    {"action_respawn_character_action_after_last_respawn",
     [](Ctx& c) { RestText(c, c.p.action_respawn_character_action_after_last_respawn, 31); }},
    {"action_respawn_obe_after_death", [](Ctx& c) { c.p.action_respawn_obe_after_death = Flag8(c, 1); }},
    {"action_respawn_forbid_obe_after_death",
     [](Ctx& c) { c.p.action_respawn_forbid_obe_after_death = Flag8(c, 1); }},
    {"action_respawn_on_alert_action", [](Ctx& c) { RestText(c, c.p.action_respawn_on_alert_action, 63); }},
    {"action_respawn_enemy_type", [](Ctx& c) { RestText(c, c.p.action_respawn_enemy_type, 63); }},
    {"action_respawn_num_enemies", [](Ctx& c) { c.p.action_respawn_num_enemies = c.L.Int(1); }},
    {"action_respawn_forbid_models_other_than_first",
     [](Ctx& c) { c.p.action_respawn_forbid_models_other_than_first = Flag8(c, 1); }},
    {"action_respawn_force_weapon", [](Ctx& c) { RestText(c, c.p.action_respawn_force_weapon, 63); }},
    {"action_respawn_can_throw_grenades", [](Ctx& c) { c.p.action_respawn_can_throw_grenades = Flag8(c, 1); }},
    {"action_respawn_agression_mode", [](Ctx& c) { c.p.action_respawn_agression_mode = c.L.Int(1); }},
    {"action_respawn_shoots_only_above", [](Ctx& c) { c.p.action_respawn_shoots_only_above = Flag8(c, 1); }},
    {"action_respawn_ragdoll_physics_on_death",
     [](Ctx& c) { c.p.action_respawn_ragdoll_physics_on_death = Flag8(c, 1); }},
    {"action_respawn_forbid_hat", [](Ctx& c) { c.p.action_respawn_forbid_hat = Flag8(c, 1); }},
    {"action_respawn_force_skinmesh", [](Ctx& c) { RestText(c, c.p.action_respawn_force_skinmesh, 254); }},
    {"action_general_3",
     [](Ctx& c)
     {
         c.p.action_general_3 = Flag32(c, 1);
         c.p.action_general_3_kills_hero = Flag32(c, 2);
         c.p.action_general_3_kills_hero2 = Flag8(c, 3);
     }},
    {"action_take_health_away", [](Ctx& c) { c.p.action_take_health_away = c.L.RestFloat(); }},
    {"action_kill_object", [](Ctx& c) { RestText(c, c.p.action_kill_object, 31); }},
    {"action_push_object", [](Ctx& c) { RestText(c, c.p.action_push_object, 31); }},
    {"action_push_obj_force", [](Ctx& c) { c.p.action_push_obj_force = c.L.RestFloat(); }},
    {"action_kill_delay", [](Ctx& c) { c.p.action_kill_delay = c.L.RestFloat(); }},
    {"action_set_phase_for", [](Ctx& c) { RestText(c, c.p.action_set_phase_for, 31); }},
    {"action_phase_name", [](Ctx& c) { RestText(c, c.p.action_phase_name, 31); }},
    {"action_teleport_character_here", [](Ctx& c) { RestText(c, c.p.action_teleport_character_here, 62); }},
    {"action_teleport_player_here", [](Ctx& c) { c.p.action_teleport_player_here = RestFlag(c); }},
    {"action_switch_light", [](Ctx& c) { c.p.action_switch_light = RestFlag(c); }},
    {"action_allow_passing_blockers", [](Ctx& c) { RestText(c, c.p.action_allow_passing_blockers, 31); }},
    {"action_forbid_passing_blockers", [](Ctx& c) { RestText(c, c.p.action_forbid_passing_blockers, 31); }},
    {"action_action_if_not_set", [](Ctx& c) { RestText(c, c.p.action_action_if_not_set, 31); }},
    {"action_activate_ai_action", [](Ctx& c) { RestText(c, c.p.action_activate_ai_action, 31); }},
    {"action_play_music", [](Ctx& c) { RestText(c, c.p.action_play_music, 127); }},
    {"action_rotation_acceleration", [](Ctx& c) { c.p.action_rotation_acceleration = c.L.Float(1); }},
    {"action_start_world", [](Ctx& c) { RestText(c, c.p.action_start_world, 127); }},
    {"action_run_script", [](Ctx& c) { RestText(c, c.p.action_run_script, 254); }},
    {"action_console_print", [](Ctx& c) { RestText(c, c.p.action_console_print, 254); }},
    {"action_door",
     [](Ctx& c)
     {
         c.p.action_door = Flag32(c, 1);
         c.p.action_door_away = Flag32(c, 2);
         c.p.action_door_angle = c.L.Float(3);
         c.p.action_door_speed = c.L.Float(4);
         c.p.action_door_knob_turn = c.L.Float(5);
     }},
    {"action_2door_enemy_can_open_this_door",
     [](Ctx& c) { c.p.action_2door_enemy_can_open_this_door = Flag32(c, 1); }},
    {"action_knob_general",
     [](Ctx& c)
     {
         c.p.action_knob_general = Flag32(c, 1);
         c.p.action_knob_values[0] = c.L.Float(2);
         c.p.action_knob_values[1] = c.L.Float(3);
     }},
    {"action_knob_object", [](Ctx& c) { Value1Text(c, c.p.action_knob_object, 30); }},
    {"action_knob_socket", [](Ctx& c) { Value1Text(c, c.p.action_knob_socket, 30); }},
    {"action_default_set_fx", [](Ctx& c) { Value1Text(c, c.p.action_default_set_fx, 30); }},
    {"action_default_unset_fx", [](Ctx& c) { Value1Text(c, c.p.action_default_unset_fx, 30); }},
    {"action_default_set_animation", [](Ctx& c) { Value1Text(c, c.p.action_default_set_animation, 30); }},
    {"action_destination_set_animation", [](Ctx& c) { Value1Text(c, c.p.action_destination_set_animation, 30); }},
    {"action_shoot_general",
     [](Ctx& c)
     {
         c.p.action_shoot_general = Flag32(c, 1);
         c.p.action_shoot_interval = Count(c, 2);
         c.p.action_shoot_random = Count(c, 3);
     }},
    {"action_shoot_target", [](Ctx& c) { Value1Text(c, c.p.action_shoot_target, 30); }},
    {"action_shoot_weapon", [](Ctx& c) { Value1Text(c, c.p.action_shoot_weapon, 30); }},
    {"action_partner_can_use", [](Ctx& c) { c.p.action_partner_can_use = Flag32(c, 1); }},
    {"action_ladder", [](Ctx& c) { c.p.action_ladder = Flag32(c, 1); }},
    {"action_set_anim_for_object_name", [](Ctx& c) { Value1Text(c, c.p.action_set_anim_for_object_name, 62); }},
    {"action_set_anim_for_animation_name",
     [](Ctx& c) { Value1Text(c, c.p.action_set_anim_for_animation_name, 62); }},
    {"action_make_object_move_on_bezier_object_name",
     [](Ctx& c) { Value1Text(c, c.p.action_make_object_move_on_bezier_object_name, 62); }},
    {"action_make_object_move_on_bezier_bezier_name",
     [](Ctx& c) { Value1Text(c, c.p.action_make_object_move_on_bezier_bezier_name, 62); }},
    {"action_voice_hawke", [](Ctx& c) { Value1Text(c, c.p.action_voice_hero0, 62); }},
    {"action_voice_hero0", [](Ctx& c) { Value1Text(c, c.p.action_voice_hero0, 62); }},
    {"action_voice_fletch", [](Ctx& c) { Value1Text(c, c.p.action_voice_hero1, 62); }},
    {"action_voice_hero1", [](Ctx& c) { Value1Text(c, c.p.action_voice_hero1, 62); }},
    {"action_voice_other", [](Ctx& c) { Value1Text(c, c.p.action_voice_other, 62); }},
    {"action_voice_enemy", [](Ctx& c) { Value1Text(c, c.p.action_voice_enemy, 62); }},
    {"action_switch_blinking", [](Ctx& c) { c.p.action_switch_blinking = Flag32(c, 1); }},
    {"action_camera_positioning",
     [](Ctx& c)
     {
         // A fresh record replaces the whole one, motion-blur flag included.
         c.p.ResetCameraPositioning();
         ECameraPositioningParams& r = c.p.action_camera_positioning;
         r.on = Flag8(c, 1);
         for (int i = 0; i < CAMERA_POSITIONING_VALUES; ++i)
             r.values[i] = c.L.Float(i + 2);
         r.flag = Flag8(c, CAMERA_POSITIONING_VALUES + 2);
     }},
    {"action_camera1_positioning_motion_blur",
     [](Ctx& c) { c.p.action_camera_positioning.motion_blur = Flag8(c, 1); }},
    {"action_kill_character", [](Ctx& c) { Value1Text(c, c.p.action_kill_character, 62); }},
    {"action_teleport_object_here", [](Ctx& c) { Value1Text(c, c.p.action_teleport_object_here, 62); }},
    {"action_teleport_with_my_rotation", [](Ctx& c) { c.p.action_teleport_with_my_rotation = Flag32(c, 1); }},
    {"action_set_default_animation_loop", [](Ctx& c) { c.p.action_set_default_animation_loop = Flag32(c, 1); }},
    {"action_set_destination_animation_loop",
     [](Ctx& c) { c.p.action_set_destination_animation_loop = Flag32(c, 1); }},
    {"action_make_object_move_on_bezier_loop",
     [](Ctx& c) { c.p.action_make_object_move_on_bezier_loop = RestFlag(c); }},
    {"action_hide_icon_if_action_invalid",
     [](Ctx& c) { c.p.action_hide_icon_if_action_invalid = static_cast<BYTE>(RestFlag(c)); }},
    {"action_multi_check_point", [](Ctx& c) { c.p.action_multi_check_point = static_cast<BYTE>(RestFlag(c)); }},
    {"action_action_on_look", [](Ctx& c) { c.p.action_action_on_look = static_cast<BYTE>(RestFlag(c)); }},
    {"action_shake_screen", [](Ctx& c) { c.p.action_shake_screen = Flag8(c, 1); }},
    {"action_constant_shake_screen", [](Ctx& c) { c.p.action_constant_shake.bEnabled = Flag8(c, 1); }},
    {"action_constant_shake_params",
     [](Ctx& c)
     {
         for (int i = 0; i < CONSTANT_SHAKE_VALUES; ++i)
             c.p.action_constant_shake.fValues[i] = c.L.Float(i + 1);
     }},
    {"action_constant_shake_range", [](Ctx& c) { c.p.action_constant_shake.fRange = c.L.Float(1); }},
    {"action_short_shake_screen", [](Ctx& c) { c.p.action_short_shake.bEnabled = Flag8(c, 1); }},
    {"action_short_shake_params",
     [](Ctx& c)
     {
         for (int i = 0; i < SHAKE_VALUES; ++i)
             c.p.action_short_shake.fValues[i] = c.L.Float(i + 1);
     }},
    {"action_render_params_farz", [](Ctx& c) { c.p.action_render_params_farz = c.L.Float(1); }},
    {"action_render_params_states",
     [](Ctx& c)
     {
         for (int i = 0; i < ACTION_RENDER_STATES; ++i)
             c.p.action_render_params_states[i] = Flag8(c, i + 1);
     }},
    {"action_render_params_use_render_params",
     [](Ctx& c) { c.p.action_render_params_use_render_params = Flag8(c, 1); }},
    {"action_render_params_show_sectors",
     [](Ctx& c) { SectorEntry(c, c.p.action_render_params_show_sectors); }},
    {"action_render_params_hide_sectors",
     [](Ctx& c) { SectorEntry(c, c.p.action_render_params_hide_sectors); }},
    {"action_render_params_delete_sector", [](Ctx& c) { c.p.action_render_params_delete_sector = c.L.Int(1); }},
    {"action_default_set_fx_tie_to_me", [](Ctx& c) { c.p.action_default_set_fx_tie_to_me = Flag8(c, 1); }},
    {"action_default_unset_fx_tie_to_me", [](Ctx& c) { c.p.action_default_unset_fx_tie_to_me = Flag8(c, 1); }},
    {"action_character_name_runs_to", [](Ctx& c) { Value1Text(c, c.p.action_character_name_runs_to, 62); }},
    {"action_character_runs_to_target", [](Ctx& c) { Value1Text(c, c.p.action_character_runs_to_target, 62); }},
    {"action_character_uses_bezier", [](Ctx& c) { Value1Text(c, c.p.action_character_uses_bezier, 62); }},
    {"action_character_set_phase_on_target",
     [](Ctx& c) { Value1Text(c, c.p.action_character_set_phase_on_target, 62); }},
    {"action_character_runs_to_animation_name",
     [](Ctx& c) { Value1Text(c, c.p.action_character_runs_to_animation_name, 62); }},
    {"action_switch_to_peaceful_mode", [](Ctx& c) { c.p.action_switch_to_peaceful_mode = Flag8(c, 1); }},
    {"action_switch_to_combat_mode", [](Ctx& c) { c.p.action_switch_to_combat_mode = Flag8(c, 1); }},
    {"action_character_allow_sprint", [](Ctx& c) { c.p.action_character_allow_sprint = Flag8(c, 1); }},
    {"action_character_forbid_sprint", [](Ctx& c) { c.p.action_character_forbid_sprint = Flag8(c, 1); }},
    {"action_character_high_jump_on", [](Ctx& c) { c.p.action_character_high_jump_on = Flag8(c, 1); }},
    {"action_character_high_jump_off", [](Ctx& c) { c.p.action_character_high_jump_off = Flag8(c, 1); }},
    {"action_character_allow_jumping", [](Ctx& c) { c.p.action_character_allow_jumping = Flag8(c, 1); }},
    {"action_character_forbid_jumping", [](Ctx& c) { c.p.action_character_forbid_jumping = Flag8(c, 1); }},
    {"action_move_camera_to_object_name",
     [](Ctx& c) { Value1Text(c, c.p.action_move_camera_to_object_name, 62); }},
    {"action_move_camera_to_object_time", [](Ctx& c) { c.p.action_move_camera_to_object_time = c.L.Float(1); }},
    {"action_crouching_teleport_player_here",
     [](Ctx& c) { c.p.action_crouching_teleport_player_here = Flag8(c, 1); }},
    {"action_global_time_speed", [](Ctx& c) { c.p.action_global_time_speed = c.L.Float(1); }},
    {"action_camera_look_from_object", [](Ctx& c) { Value1Text(c, c.p.action_camera_look_from_object, 62); }},
    {"action_camera_look_from_socket", [](Ctx& c) { Value1Text(c, c.p.action_camera_look_from_socket, 62); }},
    {"action_camera_look_from_time", [](Ctx& c) { c.p.action_camera_look_from_time = c.L.Float(1); }},
    {"action_loop_anim_for", [](Ctx& c) { c.p.action_loop_anim_for = Flag8(c, 1); }},
    {"action_sound_ambient_sound", [](Ctx& c) { Value1Text(c, c.p.action_sound_ambient_sound, 253); }},
    {"action_sound_volume_ambient_sound", [](Ctx& c) { c.p.action_sound_volume_ambient_sound = c.L.Float(1); }},
    {"action_next_run_after", [](Ctx& c) { c.p.action_next_run_after = c.L.Float(1); }},
    {"action_start_hero_dialogue", [](Ctx& c) { Value1Text(c, c.p.action_start_hero_dialogue, 62); }},
    {"action_start_dialogue0", [](Ctx& c) { Value1Text(c, c.p.action_start_dialogue0, 62); }},
    {"action_start_dialogue_actor0", [](Ctx& c) { Value1Text(c, c.p.action_start_dialogue_actor0, 62); }},
    {"action_start_dialogue_actor1", [](Ctx& c) { Value1Text(c, c.p.action_start_dialogue_actor1, 62); }},
    {"action_start_dialogue_actor2", [](Ctx& c) { Value1Text(c, c.p.action_start_dialogue_actor2, 62); }},
    {"action_camera_look_from_character_not_object",
     [](Ctx& c) { c.p.action_camera_look_from_character_not_object = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_movement_radius",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_movement_radius = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_movement_radius",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_movement_radius = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_panoramic_screen",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_panoramic_screen = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_panoramic_screen",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_panoramic_screen = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_bezier_walk",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_bezier_walk = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_bezier2_walk_use_running_mode",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_bezier2_walk_use_running_mode = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_bezier_walk",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_bezier_walk = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_look_at",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_look_at = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_look_at",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_look_at = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_on_bw_postprocess",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_bw_postprocess = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_bw_postprocess",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_bw_postprocess = Flag8(c, 1); }},
    {"action_player_move_and_view_movement_radius",
     [](Ctx& c) { c.p.action_player_move_and_view_movement_radius = c.L.Float(1); }},
    {"action_player_move_and_view_look_at_angle_degrees",
     [](Ctx& c) { c.p.action_player_move_and_view_look_at_angle_degrees = c.L.Float(1); }},
    {"action_player_move_and_view_bezier_to_walk_on",
     [](Ctx& c) { Value1Text(c, c.p.action_player_move_and_view_bezier_to_walk_on, 62); }},
    {"action_player_move_and_view_object_to_look_at",
     [](Ctx& c) { Value1Text(c, c.p.action_player_move_and_view_object_to_look_at, 62); }},
    {"action_player_move_and_view_add_object_to_bw_postprocess",
     [](Ctx& c) { Value1Text(c, c.p.action_player_move_and_view_add_object_to_bw_postprocess, 62); }},
    {"action_player_move_and_view_add_character_to_bw_postprocess",
     [](Ctx& c) { Value1Text(c, c.p.action_player_move_and_view_add_character_to_bw_postprocess, 62); }},
    {"action_player_move_and_view_fades",
     [](Ctx& c)
     {
         c.p.action_fade_in = Flag8(c, 1);
         c.p.action_fade_in_time = c.L.Float(2);
         c.p.action_fade_out = Flag32(c, 3);
         c.p.action_fade_out_time = c.L.Float(4);
     }},
    {"action_player_move_and_view_motion_blur",
     [](Ctx& c)
     {
         c.p.action_motion_blur_on = Flag8(c, 1);
         c.p.action_motion_blur_off = Flag8(c, 2);
     }},
    {"action_player_move_and_view_mouse_inertia",
     [](Ctx& c)
     {
         c.p.action_mouse_inertia_on = Flag8(c, 1);
         c.p.action_mouse_inertia = c.L.Float(2);
         c.p.action_mouse_inertia_off = Flag8(c, 3);
     }},
    {"action_player_move_and_view_turn_on_monochromatic",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_on_monochromatic = Flag8(c, 1); }},
    {"action_player_move_and_view_turn_off_monochromatic",
     [](Ctx& c) { c.p.action_player_move_and_view_turn_off_monochromatic = Flag8(c, 1); }},
    {"action_fov_multiplier", [](Ctx& c) { c.p.action_fov_multiplier = c.L.Float(1); }},
    {"action_checkpoint_checkpoint", [](Ctx& c) { c.p.action_checkpoint_checkpoint = Flag8(c, 1); }},
    {"action_gamefail", [](Ctx& c) { c.p.action_gamefail = Flag8(c, 1); }},
    {"action_after_pickup", [](Ctx& c) { Value1Text(c, c.p.action_after_pickup, 62); }},
    {"action_full_ammo", [](Ctx& c) { c.p.action_full_ammo = Flag8(c, 1); }},
    {"action_end_game", [](Ctx& c) { c.p.action_end_game = Flag8(c, 1); }},
    {"action_fly_heli", [](Ctx& c) { c.p.action_fly_heli = Flag8(c, 1); }},
    {"action_countdown_time_in_seconds", [](Ctx& c) { c.p.action_countdown_time_in_seconds = c.L.Float(1); }},
    {"action_countdown_turn_on", [](Ctx& c) { c.p.action_countdown_turn_on = Flag8(c, 1); }},
    {"action_countdown_turn_off", [](Ctx& c) { c.p.action_countdown_turn_off = Flag8(c, 1); }},
    {"action_countdown_action_on_finish",
     [](Ctx& c) { Value1Text(c, c.p.action_countdown_action_on_finish, 62); }},
};

static_assert(AllKeysStartWith(kActionKeys, kActionPrefix));

// The names of other objects an action record reaches, checked when the
// world has been read.
struct Reference
{
    HOBJECT object;
    DWORD pesel[3];
    int line;
    std::string key;
    std::string name;
};
std::vector<Reference> g_References;

const char* const kReferenceKeys[] = {
    "action_give_action_to___mesh",
    "action_kill_object",
    "action_push_object",
    "action_teleport_object_here",
    "action_set_anim_for_object_name",
    "action_make_object_move_on_bezier_object_name",
    "action_camera_position_mesh",
    "action_move_camera_to_object_name",
    "action_allow_passing_blockers",
    "action_forbid_passing_blockers",
    "action_countdown_action_on_finish",
    "action_player_move_and_view_object_to_look_at",
};
constexpr size_t kMaxReferences = 65536;

void NoteReference(EWorldMgr* loader, HOBJECT o, const char* key, const P& p)
{
    const char* name = nullptr;
    if (std::strcmp(key, "action_give_action_to___mesh") == 0)
        name = p.action_give_action_to___mesh;
    else if (std::strcmp(key, "action_kill_object") == 0)
        name = p.action_kill_object;
    else if (std::strcmp(key, "action_push_object") == 0)
        name = p.action_push_object;
    else if (std::strcmp(key, "action_teleport_object_here") == 0)
        name = p.action_teleport_object_here;
    else if (std::strcmp(key, "action_set_anim_for_object_name") == 0)
        name = p.action_set_anim_for_object_name;
    else if (std::strcmp(key, "action_make_object_move_on_bezier_object_name") == 0)
        name = p.action_make_object_move_on_bezier_object_name;
    else if (std::strcmp(key, "action_camera_position_mesh") == 0)
        name = p.action_camera_position_mesh_name;
    else if (std::strcmp(key, "action_move_camera_to_object_name") == 0)
        name = p.action_move_camera_to_object_name;
    else if (std::strcmp(key, "action_allow_passing_blockers") == 0)
        name = p.action_allow_passing_blockers;
    else if (std::strcmp(key, "action_forbid_passing_blockers") == 0)
        name = p.action_forbid_passing_blockers;
    else if (std::strcmp(key, "action_countdown_action_on_finish") == 0)
        name = p.action_countdown_action_on_finish;
    else if (std::strcmp(key, "action_player_move_and_view_object_to_look_at") == 0)
        name = p.action_player_move_and_view_object_to_look_at;
    if (!name || !name[0] || g_References.size() >= kMaxReferences)
        return;
    g_References.push_back({o, {o->PESEL[0], o->PESEL[1], o->PESEL[2]}, loader->GetLine(), key, name});
}

bool IsReferenceKey(const char* key)
{
    for (const char* k : kReferenceKeys)
        if (std::strcmp(k, key) == 0)
            return true;
    return false;
}
} // namespace

namespace
{
// The table's entry for a keyword: one lookup instead of a compare with each
// key. Of two entries with the same key the first is found, as in the table.
const ActionKey* FindActionKey(const char* keyword)
{
    static const std::unordered_map<std::string_view, const ActionKey*> byKey = []
    {
        std::unordered_map<std::string_view, const ActionKey*> keys;
        for (const ActionKey& k : kActionKeys)
            keys.try_emplace(k.key, &k);
        return keys;
    }();
    const auto hit = byKey.find(keyword);
    return hit == byKey.end() ? nullptr : hit->second;
}
} // namespace

void EWorldMgr::ParseObjectActionParams(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    // Every action key has the prefix: other lines need no lookup.
    if (!HasPrefix(*loader, kActionPrefix))
        return;
    if (const ActionKey* found = FindActionKey(loader->m_szKeyword))
    {
        const ActionKey& k = *found;
        loader->Key(k.key);
        P p;
        g_Engine.GetObjectActionParams(object, &p);
        Ctx c{*loader, p};
        k.set(c);
        g_Engine.SetObjectActionParams(object, &p);
        if (IsReferenceKey(k.key))
            NoteReference(loader, object, k.key, p);
        return;
    }
    loader->m_bMatch = 1;
    char detail[EWorldMgr::NOTE_TEXT_SIZE];
    std::snprintf(detail, sizeof detail, "%.40s of %.40s", loader->m_szKeyword, object->szName);
    loader->Refuse("unknown action key", detail);
}

void EWorldMgr::BeginActionReferences()
{
    g_References.clear();
}

void EWorldMgr::CheckActionReferences()
{
    for (const Reference& r : g_References)
    {
        // The object may have gone while the world was read (a later failed line).
        HOBJECT o = r.object;
        if (!o->bUsed || o->PESEL[0] != r.pesel[0] || o->PESEL[1] != r.pesel[1] || o->PESEL[2] != r.pesel[2])
            continue;
        // Only references still in the record count: a later line may have changed them.
        if (!o->pActionParams)
            continue;
        if (g_Engine.FindObject(r.name.c_str(), 0))
            continue;
        char what[ERROR_LINE_SIZE * 2];
        std::snprintf(what, sizeof what, "object %.60s: %s names no object \"%.64s\"", o->szName,
                      r.key.c_str(), r.name.c_str());
        char text[ERROR_LINE_SIZE * 3];
        std::snprintf(text, sizeof text, "World %.80s line %d: %s", m_pFileName, r.line, what);
        g_Console.Print(text);
        AddNote(NoteKind::Refused, what, r.line);
    }
    g_References.clear();
}
