#pragma once
// EObjectActionParams: what an object does when its scripted actions run.
// Every field is filled by the world-file key of the same name (where one key
// fills several fields, the field name carries the token's meaning after the
// key). Texts are zero-terminated and hold one character less than their
// size; a text counts as set when its first character is not zero.
//
// The record is copied in and out whole (EEngine::Get/SetObjectActionParams);
// save games store it field by field in a fixed 5608-byte layout
// (world/ObjectActionRecordIO.cpp).

#include "platform/win32/WinTypes.h"
#include "world/ShakeParams.h"

#include <cstddef>

constexpr int ACTION_NAME_SIZE = 32;
constexpr int ACTION_LONG_NAME_SIZE = 64;
constexpr int ACTION_PATH_SIZE = 128;
constexpr int ACTION_TEXT_SIZE = 256;
constexpr int ACTION_AMBIENT_SOUND_SIZE = 259;
constexpr int ACTION_MOVING_VALUES = 5;
constexpr int ACTION_ROTATION_VALUES = 4;
constexpr int ACTION_RENDER_STATES = 8;
constexpr int ACTION_SECTOR_LIST = 32;
constexpr int CAMERA_POSITIONING_VALUES = 6;

// The cinematic camera placement an object's actions can start.
struct ECameraPositioningParams
{
    BYTE on;
    float values[CAMERA_POSITIONING_VALUES];
    BYTE flag;
    BYTE motion_blur;
};

struct EObjectActionParams
{
    static constexpr int STORED_SIZE = 5608;

    EObjectActionParams();
    // Every field back to its default but the camera-positioning record.
    void Reset();
    void ResetCameraPositioning();

    DWORD dwEnabled;          // action_general_opt t1: the record is active
    DWORD action_general_opt; // t2: the hero may trigger the actions
    DWORD action_partner_can_use;
    char action_ifset[ACTION_NAME_SIZE];
    char action_default_set[ACTION_NAME_SIZE];
    char action_default_unset[ACTION_NAME_SIZE];
    char action_dest_set[ACTION_NAME_SIZE];
    char action_dest_unset[ACTION_NAME_SIZE];
    char action_sounds_activate[ACTION_TEXT_SIZE];
    char action_sounds_deactivate[ACTION_TEXT_SIZE];
    float action_sounds_range;
    DWORD action_camera_position_mesh; // t1: turn the camera to an object
    char action_camera_position_mesh_name[ACTION_NAME_SIZE];
    float action_moving[ACTION_MOVING_VALUES];
    float action_rotation[ACTION_ROTATION_VALUES];
    char action_give_action_to___mesh[ACTION_NAME_SIZE];
    float action_give_action_to___delay;
    DWORD action_switch_moving_on_action;
    DWORD action_can_be_held_up;
    char action_target_name[ACTION_NAME_SIZE];
    char action_set_if_pickedup[ACTION_NAME_SIZE];
    char action_set_if_ontarget[ACTION_NAME_SIZE];
    DWORD action_general_2;      // t1: walking into the object triggers it
    DWORD action_general_2_once; // t2: the actions run once in the object's life
    char action_respawn_character_name[ACTION_NAME_SIZE];
    int action_respawn_params_count; // t2
    float action_respawn_params;     // t1
    char action_respawn_character_phase0[ACTION_NAME_SIZE];
    char action_respawn_character_phase1[ACTION_NAME_SIZE];
    char action_respawn_character_do_not_respawn_if[ACTION_NAME_SIZE];
    char action_respawn_character_action_after_last_respawn[ACTION_NAME_SIZE];
    DWORD action_general_3;            // t1: shots pass through the object
    DWORD action_general_3_kills_hero; // t2
    BYTE action_general_3_kills_hero2; // t3
    float action_take_health_away;
    char action_kill_object[ACTION_NAME_SIZE];
    char action_push_object[ACTION_NAME_SIZE];
    float action_push_obj_force;
    DWORD action_switch_light;
    float action_kill_delay;
    char action_set_phase_for[ACTION_NAME_SIZE];
    char action_phase_name[ACTION_NAME_SIZE];
    DWORD action_teleport_player_here;
    char action_allow_passing_blockers[ACTION_NAME_SIZE];
    char action_forbid_passing_blockers[ACTION_NAME_SIZE];
    char action_action_if_not_set[ACTION_NAME_SIZE];
    char action_activate_ai_action[ACTION_NAME_SIZE];
    char action_play_music[ACTION_PATH_SIZE];
    float action_rotation_acceleration;
    char action_start_world[ACTION_PATH_SIZE];
    char action_run_script[ACTION_TEXT_SIZE];
    char action_console_print[ACTION_TEXT_SIZE];
    DWORD action_door;           // t1: the object is a door
    DWORD action_door_away;      // t2: it swings away from the hero
    float action_door_angle;     // t3: opening angle, degrees
    float action_door_speed;     // t4: swing speed, degrees a second
    float action_door_knob_turn; // t5
    DWORD action_knob_general;   // t1
    char action_knob_object[ACTION_NAME_SIZE];
    char action_knob_socket[ACTION_NAME_SIZE];
    float action_knob_values[2]; // t2, t3
    DWORD action_2door_enemy_can_open_this_door;
    char action_default_set_fx[ACTION_NAME_SIZE];
    char action_default_unset_fx[ACTION_NAME_SIZE];
    DWORD action_shoot_general; // t1
    char action_shoot_target[ACTION_NAME_SIZE];
    char action_shoot_weapon[ACTION_NAME_SIZE];
    int action_shoot_interval; // t2
    int action_shoot_random;   // t3
    char action_default_set_animation[ACTION_NAME_SIZE];
    char action_destination_set_animation[ACTION_NAME_SIZE];
    DWORD action_ladder;
    char action_teleport_character_here[ACTION_LONG_NAME_SIZE];
    char action_set_anim_for_object_name[ACTION_LONG_NAME_SIZE];
    char action_set_anim_for_animation_name[ACTION_LONG_NAME_SIZE];
    char action_make_object_move_on_bezier_object_name[ACTION_LONG_NAME_SIZE];
    char action_make_object_move_on_bezier_bezier_name[ACTION_LONG_NAME_SIZE];
    char action_voice_hero0[ACTION_LONG_NAME_SIZE];
    char action_voice_hero1[ACTION_LONG_NAME_SIZE];
    char action_voice_other[ACTION_LONG_NAME_SIZE];
    DWORD action_switch_blinking;
    ECameraPositioningParams action_camera_positioning;
    char action_kill_character[ACTION_LONG_NAME_SIZE];
    char action_teleport_object_here[ACTION_LONG_NAME_SIZE];
    DWORD action_teleport_with_my_rotation;
    DWORD action_set_default_animation_loop;
    DWORD action_set_destination_animation_loop;
    DWORD action_make_object_move_on_bezier_loop;
    char action_voice_enemy[ACTION_LONG_NAME_SIZE];
    BYTE action_hide_icon_if_action_invalid;
    BYTE action_multi_check_point;
    BYTE action_action_on_look;
    BYTE action_shake_screen;
    EConstantShakeParams action_constant_shake;
    EShakeParams action_short_shake;
    float action_render_params_farz;
    BYTE action_render_params_states[ACTION_RENDER_STATES];
    BYTE action_default_set_fx_tie_to_me;
    BYTE action_default_unset_fx_tie_to_me;
    char action_character_name_runs_to[ACTION_LONG_NAME_SIZE];
    char action_character_runs_to_target[ACTION_LONG_NAME_SIZE];
    char action_character_uses_bezier[ACTION_LONG_NAME_SIZE];
    char action_character_set_phase_on_target[ACTION_LONG_NAME_SIZE];
    char action_character_runs_to_animation_name[ACTION_LONG_NAME_SIZE];
    char action_move_camera_to_object_name[ACTION_LONG_NAME_SIZE];
    float action_move_camera_to_object_time;
    int action_render_params_show_sectors[ACTION_SECTOR_LIST];
    int action_render_params_hide_sectors[ACTION_SECTOR_LIST];
    BYTE action_render_params_use_render_params;
    BYTE action_crouching_teleport_player_here;
    BYTE action_respawn_obe_after_death;
    BYTE action_switch_to_peaceful_mode;
    BYTE action_switch_to_combat_mode;
    float action_global_time_speed;
    BYTE action_respawn_forbid_obe_after_death;
    char action_camera_look_from_object[ACTION_LONG_NAME_SIZE];
    char action_camera_look_from_socket[ACTION_LONG_NAME_SIZE];
    float action_camera_look_from_time;
    BYTE action_loop_anim_for;
    char action_sound_ambient_sound[ACTION_AMBIENT_SOUND_SIZE];
    float action_sound_volume_ambient_sound;
    char action_respawn_on_alert_action[ACTION_LONG_NAME_SIZE];
    char action_respawn_enemy_type[ACTION_LONG_NAME_SIZE];
    int action_respawn_num_enemies;
    BYTE action_character_allow_sprint;
    BYTE action_character_forbid_sprint;
    float action_next_run_after;
    char action_start_hero_dialogue[ACTION_LONG_NAME_SIZE];
    char action_start_dialogue0[ACTION_LONG_NAME_SIZE];
    char action_start_dialogue_actor0[ACTION_LONG_NAME_SIZE];
    char action_start_dialogue_actor1[ACTION_LONG_NAME_SIZE];
    char action_start_dialogue_actor2[ACTION_LONG_NAME_SIZE];
    BYTE action_character_high_jump_on;
    BYTE action_character_high_jump_off;
    BYTE action_character_allow_jumping;
    BYTE action_character_forbid_jumping;
    BYTE action_camera_look_from_character_not_object;
    BYTE action_respawn_forbid_models_other_than_first;
    char action_respawn_force_weapon[ACTION_LONG_NAME_SIZE];
    BYTE action_respawn_can_throw_grenades;
    int action_respawn_agression_mode;
    BYTE action_player_move_and_view_turn_on_movement_radius;
    BYTE action_player_move_and_view_turn_off_movement_radius;
    float action_player_move_and_view_movement_radius;
    BYTE action_player_move_and_view_turn_on_panoramic_screen;
    BYTE action_player_move_and_view_turn_off_panoramic_screen;
    BYTE action_player_move_and_view_turn_on_bezier_walk;
    char action_player_move_and_view_bezier_to_walk_on[ACTION_LONG_NAME_SIZE];
    BYTE action_player_move_and_view_turn_off_bezier_walk;
    BYTE action_player_move_and_view_turn_on_look_at;
    char action_player_move_and_view_object_to_look_at[ACTION_LONG_NAME_SIZE];
    BYTE action_player_move_and_view_turn_off_look_at;
    float action_player_move_and_view_look_at_angle_degrees;
    BYTE action_player_move_and_view_turn_on_bw_postprocess;
    BYTE action_player_move_and_view_turn_off_bw_postprocess;
    char action_player_move_and_view_add_object_to_bw_postprocess[ACTION_LONG_NAME_SIZE];
    char action_player_move_and_view_add_character_to_bw_postprocess[ACTION_LONG_NAME_SIZE];
    int action_render_params_delete_sector;
    float action_fov_multiplier;
    BYTE action_checkpoint_checkpoint;
    char action_after_pickup[ACTION_LONG_NAME_SIZE];
    BYTE action_respawn_shoots_only_above;
    BYTE action_fade_in;        // action_player_move_and_view_fades t1
    float action_fade_in_time;  // t2
    DWORD action_fade_out;      // t3
    float action_fade_out_time; // t4
    BYTE action_motion_blur_on; // action_player_move_and_view_motion_blur t1
    BYTE action_motion_blur_off;
    BYTE action_mouse_inertia_on; // action_player_move_and_view_mouse_inertia t1
    float action_mouse_inertia;   // t2
    BYTE action_mouse_inertia_off;
    BYTE action_player_move_and_view_turn_on_monochromatic;
    BYTE action_player_move_and_view_turn_off_monochromatic;
    BYTE action_full_ammo;
    BYTE action_end_game;
    BYTE action_respawn_ragdoll_physics_on_death;
    BYTE action_respawn_forbid_hat;
    BYTE action_player_move_and_view_turn_on_bezier2_walk_use_running_mode;
    BYTE action_countdown_turn_on;
    float action_countdown_time_in_seconds;
    char action_countdown_action_on_finish[ACTION_LONG_NAME_SIZE];
    BYTE action_countdown_turn_off;
    char action_respawn_force_skinmesh[ACTION_TEXT_SIZE];
    BYTE action_gamefail;
    BYTE mount_gun;          // set by the weapon racks, no key
    float mounted_gun_value; // given by a weapon rack
    BYTE m4_gun;             // the rack's gun is the M4
    BYTE action_fly_heli;
    BYTE mount_gun_forbidden; // a mission script keeps the hero off the gun
};

// Where the stored fields end (the rest of the stored record is zero).
size_t ActionParamsStoredFieldsEnd();
