#pragma once
// strPostacSaved: the values of a character that its save record carries but
// that no behaviour of the character reads yet (the phase machine, the runs,
// shooting and the estimates fill them in). They are kept per character so a
// save loaded and saved again gives the same record, and each keeps its place
// in the file.

#include "characters/PostacDesc.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"

struct strPostacSaved
{
    BYTE run_to_player;
    BYTE path_run;
    BYTE ai_byte;
    BYTE shot_byte_a;
    BYTE has_laser;
    BYTE shot_byte_b;
    BYTE phase_held;
    BYTE fired_in_phase;
    BYTE enemy_runs_away;
    DWORD ground_material;
    DWORD node_count;
    DWORD path_value;
    float carried_step;
    float run_node_timer;
    float burst_timer;
    float shot_countdown;
    float timer_a;
    float shot_value_a;
    float run_anim_timer;
    float shot_value_b;
    float run_speed;
    float aim_timer;
    float timer_b;
    float wake_timer;
    float death_value;
    DWORD last_bot_choice;
    char name_block[POSTAC_NAME_SIZE];
    EOrientation weapon_orientation;
    D3DXVECTOR3 weapon_position;
    D3DXVECTOR3 path_vector;
    D3DXVECTOR3 run_vector_a;
    D3DXVECTOR3 run_vector_b;
    D3DXVECTOR3 look_vector;
    BYTE far_phase_fired;
    BYTE death_byte;
    BYTE keep_fixed_model;
    BYTE estimate_pending;
    BYTE choose_again;
    BYTE estimate_phase;
    DWORD respawn_value;
    BYTE grenade_byte;
    float speed;
    float third_value;
    BYTE blend_byte;
    float anim_step_timer;
    char ground_surface[POSTAC_NAME_SIZE];
    DWORD record_value;
    float timers[3];
    float sight_timer;
    float value_c;
    BYTE third_talk;
    BYTE weapon_byte;
    float timer_c;
    char bezier_name[POSTAC_PATH_SIZE];
    BYTE bezier_byte;
    double bezier_time;
    double bezier_length;
    float distance_travelled;
    float run_value_a;
    BYTE phase_change_in_run;
    float run_value_b;
    char run_to_word2[POSTAC_NAME_SIZE];
    char run_to_word3[POSTAC_NAME_SIZE];
    double run_timer;
    DWORD run_mode;
    char run_anim_name[POSTAC_NAME_SIZE];
    BYTE shot_byte_c;
    BYTE wait_interruptible;
    BYTE estimate_flag;
};
