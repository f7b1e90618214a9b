// EObjectActionParams: defaults, and its stored form in save games.
#include "world/ObjectActionParams.h"

#include "shell/RecordBytes.h"
#include "world/RecordWalk.h"
#include "shell/SaveFile.h"
#include "world/ObjectRecordIO.h"

#include <cstring>
#include <vector>

namespace
{
constexpr float kCameraPositioningDefaults[CAMERA_POSITIONING_VALUES] = {1.2f, 0.0f, 1.0f, 0.0f, 0.0f, 6.0f};
constexpr int kDefaultRespawns = 1;
constexpr float kDefaultDoorAngle = 80.0f;
constexpr float kDefaultKnobTurn = 45.0f;
constexpr int kDefaultShotInterval = 10;
constexpr int kDefaultShotRandom = 5;
constexpr float kDefaultFadeSeconds = 1.0f;
constexpr float kDefaultMouseInertia = 0.3f;
constexpr float kDefaultCountdownSeconds = 60.0f;

void SetText(char* field, size_t size, const char* text)
{
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}
} // namespace

EObjectActionParams::EObjectActionParams()
{
    ResetCameraPositioning();
    action_constant_shake.Reset();
    action_short_shake.Reset();
    Reset();
}

void EObjectActionParams::ResetCameraPositioning()
{
    action_camera_positioning.on = 0;
    for (int i = 0; i < CAMERA_POSITIONING_VALUES; ++i)
        action_camera_positioning.values[i] = kCameraPositioningDefaults[i];
    action_camera_positioning.flag = 0;
    action_camera_positioning.motion_blur = 0;
}

void EObjectActionParams::Reset()
{
    const ECameraPositioningParams keep = action_camera_positioning;
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    action_camera_positioning = keep;
    action_respawn_params_count = kDefaultRespawns;
    SetText(action_respawn_character_phase0, sizeof action_respawn_character_phase0, "estimate");
    SetText(action_respawn_character_phase1, sizeof action_respawn_character_phase1, "estimate");
    action_door_away = 1;
    action_door_angle = kDefaultDoorAngle;
    action_door_speed = kDefaultDoorAngle;
    action_knob_values[0] = action_knob_values[1] = kDefaultKnobTurn;
    SetText(action_shoot_weapon, sizeof action_shoot_weapon, "ColtM4");
    action_shoot_interval = kDefaultShotInterval;
    action_shoot_random = kDefaultShotRandom;
    SetText(action_character_runs_to_animation_name, sizeof action_character_runs_to_animation_name, "idzie");
    action_sound_volume_ambient_sound = 1.0f;
    action_fade_in_time = action_fade_out_time = kDefaultFadeSeconds;
    action_mouse_inertia = kDefaultMouseInertia;
    action_countdown_time_in_seconds = kDefaultCountdownSeconds;
    action_constant_shake.Reset();
    action_short_shake.Reset();
}

// ---- Stored form ---------------------------------------------------------------------------
// The fields in their order (world/RecordWalk.h); the rest of the 5608 bytes
// stays zero.
namespace
{
template <class IO, class P> void Walk(IO& io, P& p)
{
    io.U32(p.dwEnabled);
    io.U32(p.action_general_opt);
    io.U32(p.action_partner_can_use);
    io.Chars(p.action_ifset);
    io.Chars(p.action_default_set);
    io.Chars(p.action_default_unset);
    io.Chars(p.action_dest_set);
    io.Chars(p.action_dest_unset);
    io.Chars(p.action_sounds_activate);
    io.Chars(p.action_sounds_deactivate);
    io.F32(p.action_sounds_range);
    io.U32(p.action_camera_position_mesh);
    io.Chars(p.action_camera_position_mesh_name);
    for (auto& v : p.action_moving)
        io.F32(v);
    for (auto& v : p.action_rotation)
        io.F32(v);
    io.Chars(p.action_give_action_to___mesh);
    io.F32(p.action_give_action_to___delay);
    io.U32(p.action_switch_moving_on_action);
    io.U32(p.action_can_be_held_up);
    io.Chars(p.action_target_name);
    io.Chars(p.action_set_if_pickedup);
    io.Chars(p.action_set_if_ontarget);
    io.U32(p.action_general_2);
    io.U32(p.action_general_2_once);
    io.Chars(p.action_respawn_character_name);
    io.I32(p.action_respawn_params_count);
    io.F32(p.action_respawn_params);
    io.Chars(p.action_respawn_character_phase0);
    io.Chars(p.action_respawn_character_phase1);
    io.Chars(p.action_respawn_character_do_not_respawn_if);
    io.Chars(p.action_respawn_character_action_after_last_respawn);
    io.U32(p.action_general_3);
    io.U32(p.action_general_3_kills_hero);
    io.U8(p.action_general_3_kills_hero2);
    io.F32(p.action_take_health_away);
    io.Chars(p.action_kill_object);
    io.Chars(p.action_push_object);
    io.F32(p.action_push_obj_force);
    io.U32(p.action_switch_light);
    io.F32(p.action_kill_delay);
    io.Chars(p.action_set_phase_for);
    io.Chars(p.action_phase_name);
    io.U32(p.action_teleport_player_here);
    io.Chars(p.action_allow_passing_blockers);
    io.Chars(p.action_forbid_passing_blockers);
    io.Chars(p.action_action_if_not_set);
    io.Chars(p.action_activate_ai_action);
    io.Chars(p.action_play_music);
    io.F32(p.action_rotation_acceleration);
    io.Chars(p.action_start_world);
    io.Chars(p.action_run_script);
    io.Chars(p.action_console_print);
    io.U32(p.action_door);
    io.U32(p.action_door_away);
    io.F32(p.action_door_angle);
    io.F32(p.action_door_speed);
    io.F32(p.action_door_knob_turn);
    io.U32(p.action_knob_general);
    io.Chars(p.action_knob_object);
    io.Chars(p.action_knob_socket);
    io.F32(p.action_knob_values[0]);
    io.F32(p.action_knob_values[1]);
    io.U32(p.action_2door_enemy_can_open_this_door);
    io.Chars(p.action_default_set_fx);
    io.Chars(p.action_default_unset_fx);
    io.U32(p.action_shoot_general);
    io.Chars(p.action_shoot_target);
    io.Chars(p.action_shoot_weapon);
    io.I32(p.action_shoot_interval);
    io.I32(p.action_shoot_random);
    io.Chars(p.action_default_set_animation);
    io.Chars(p.action_destination_set_animation);
    io.U32(p.action_ladder);
    io.Chars(p.action_teleport_character_here);
    io.Chars(p.action_set_anim_for_object_name);
    io.Chars(p.action_set_anim_for_animation_name);
    io.Chars(p.action_make_object_move_on_bezier_object_name);
    io.Chars(p.action_make_object_move_on_bezier_bezier_name);
    io.Chars(p.action_voice_hero0);
    io.Chars(p.action_voice_hero1);
    io.Chars(p.action_voice_other);
    io.U32(p.action_switch_blinking);
    io.U8(p.action_camera_positioning.on);
    for (auto& v : p.action_camera_positioning.values)
        io.F32(v);
    io.U8(p.action_camera_positioning.flag);
    io.U8(p.action_camera_positioning.motion_blur);
    io.Chars(p.action_kill_character);
    io.Chars(p.action_teleport_object_here);
    io.U32(p.action_teleport_with_my_rotation);
    io.U32(p.action_set_default_animation_loop);
    io.U32(p.action_set_destination_animation_loop);
    io.U32(p.action_make_object_move_on_bezier_loop);
    io.Chars(p.action_voice_enemy);
    io.U8(p.action_hide_icon_if_action_invalid);
    io.U8(p.action_multi_check_point);
    io.U8(p.action_action_on_look);
    io.U8(p.action_shake_screen);
    io.U8(p.action_constant_shake.bEnabled);
    for (auto& v : p.action_constant_shake.fValues)
        io.F32(v);
    io.F32(p.action_constant_shake.fRange);
    io.U8(p.action_short_shake.bEnabled);
    for (auto& v : p.action_short_shake.fValues)
        io.F32(v);
    io.U32(p.action_short_shake.dwNegative);
    io.F32(p.action_render_params_farz);
    for (auto& v : p.action_render_params_states)
        io.U8(v);
    io.U8(p.action_default_set_fx_tie_to_me);
    io.U8(p.action_default_unset_fx_tie_to_me);
    io.Chars(p.action_character_name_runs_to);
    io.Chars(p.action_character_runs_to_target);
    io.Chars(p.action_character_uses_bezier);
    io.Chars(p.action_character_set_phase_on_target);
    io.Chars(p.action_character_runs_to_animation_name);
    io.Chars(p.action_move_camera_to_object_name);
    io.F32(p.action_move_camera_to_object_time);
    for (auto& v : p.action_render_params_show_sectors)
        io.I32(v);
    for (auto& v : p.action_render_params_hide_sectors)
        io.I32(v);
    io.U8(p.action_render_params_use_render_params);
    io.U8(p.action_crouching_teleport_player_here);
    io.U8(p.action_respawn_obe_after_death);
    io.U8(p.action_switch_to_peaceful_mode);
    io.U8(p.action_switch_to_combat_mode);
    io.F32(p.action_global_time_speed);
    io.U8(p.action_respawn_forbid_obe_after_death);
    io.Chars(p.action_camera_look_from_object);
    io.Chars(p.action_camera_look_from_socket);
    io.F32(p.action_camera_look_from_time);
    io.U8(p.action_loop_anim_for);
    io.Chars(p.action_sound_ambient_sound);
    io.F32(p.action_sound_volume_ambient_sound);
    io.Chars(p.action_respawn_on_alert_action);
    io.Chars(p.action_respawn_enemy_type);
    io.I32(p.action_respawn_num_enemies);
    io.U8(p.action_character_allow_sprint);
    io.U8(p.action_character_forbid_sprint);
    io.F32(p.action_next_run_after);
    io.Chars(p.action_start_hero_dialogue);
    io.Chars(p.action_start_dialogue0);
    io.Chars(p.action_start_dialogue_actor0);
    io.Chars(p.action_start_dialogue_actor1);
    io.Chars(p.action_start_dialogue_actor2);
    io.U8(p.action_character_high_jump_on);
    io.U8(p.action_character_high_jump_off);
    io.U8(p.action_character_allow_jumping);
    io.U8(p.action_character_forbid_jumping);
    io.U8(p.action_camera_look_from_character_not_object);
    io.U8(p.action_respawn_forbid_models_other_than_first);
    io.Chars(p.action_respawn_force_weapon);
    io.U8(p.action_respawn_can_throw_grenades);
    io.I32(p.action_respawn_agression_mode);
    io.U8(p.action_player_move_and_view_turn_on_movement_radius);
    io.U8(p.action_player_move_and_view_turn_off_movement_radius);
    io.F32(p.action_player_move_and_view_movement_radius);
    io.U8(p.action_player_move_and_view_turn_on_panoramic_screen);
    io.U8(p.action_player_move_and_view_turn_off_panoramic_screen);
    io.U8(p.action_player_move_and_view_turn_on_bezier_walk);
    io.Chars(p.action_player_move_and_view_bezier_to_walk_on);
    io.U8(p.action_player_move_and_view_turn_off_bezier_walk);
    io.U8(p.action_player_move_and_view_turn_on_look_at);
    io.Chars(p.action_player_move_and_view_object_to_look_at);
    io.U8(p.action_player_move_and_view_turn_off_look_at);
    io.F32(p.action_player_move_and_view_look_at_angle_degrees);
    io.U8(p.action_player_move_and_view_turn_on_bw_postprocess);
    io.U8(p.action_player_move_and_view_turn_off_bw_postprocess);
    io.Chars(p.action_player_move_and_view_add_object_to_bw_postprocess);
    io.Chars(p.action_player_move_and_view_add_character_to_bw_postprocess);
    io.I32(p.action_render_params_delete_sector);
    io.F32(p.action_fov_multiplier);
    io.U8(p.action_checkpoint_checkpoint);
    io.Chars(p.action_after_pickup);
    io.U8(p.action_respawn_shoots_only_above);
    io.U8(p.action_fade_in);
    io.F32(p.action_fade_in_time);
    io.U32(p.action_fade_out);
    io.F32(p.action_fade_out_time);
    io.U8(p.action_motion_blur_on);
    io.U8(p.action_motion_blur_off);
    io.U8(p.action_mouse_inertia_on);
    io.F32(p.action_mouse_inertia);
    io.U8(p.action_mouse_inertia_off);
    io.U8(p.action_player_move_and_view_turn_on_monochromatic);
    io.U8(p.action_player_move_and_view_turn_off_monochromatic);
    io.U8(p.action_full_ammo);
    io.U8(p.action_end_game);
    io.U8(p.action_respawn_ragdoll_physics_on_death);
    io.U8(p.action_respawn_forbid_hat);
    io.U8(p.action_player_move_and_view_turn_on_bezier2_walk_use_running_mode);
    io.U8(p.action_countdown_turn_on);
    io.F32(p.action_countdown_time_in_seconds);
    io.Chars(p.action_countdown_action_on_finish);
    io.U8(p.action_countdown_turn_off);
    io.Chars(p.action_respawn_force_skinmesh);
    io.U8(p.action_gamefail);
    io.U8(p.mount_gun);
    io.F32(p.mounted_gun_value);
    io.U8(p.m4_gun);
    io.U8(p.action_fly_heli);
    io.U8(p.mount_gun_forbidden);
}
} // namespace

size_t ActionParamsStoredFieldsEnd()
{
    EObjectActionParams p;
    return MeasureWalkedRecord([&](RecordMeasure& m) { Walk(m, p); });
}

bool WriteActionParamsRecord(FILE* file, const EObjectActionParams& p)
{
    return WriteWalkedRecord(file, ACTION_PARAMS_RECORD_SIZE, [&](RecordWriter& w) { Walk(w, p); });
}

bool ReadActionParamsRecord(FILE* file, EObjectActionParams* p)
{
    return ReadWalkedRecord(file, ACTION_PARAMS_RECORD_SIZE,
                            [p](RecordReader& rd)
                            {
                                if (p)
                                    Walk(rd, *p);
                            });
}
