#pragma once
// strpostac, one live character; strAlarm, one noise or sight the characters
// may perceive; strCzapki, the hats a model may wear.

#include "characters/PostacDesc.h"
#include "characters/PostacSaved.h"
#include "mesh/SequenceList.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct EItemInstance;
struct strSound;
struct strPath;
struct strPlace;

constexpr int MAX_POSTACI = 256;
constexpr int MAX_ALARMOW = 36;
constexpr int MAX_CZAPEK = 8; // hat records, and hats per record
constexpr int MAX_EXTRA_OBJECTS = 16;
constexpr int MAX_PRELOADED_MODELS = 8;
// Route points of a run: the start position and the points after it.
constexpr int MAX_ROUTE_POINTS = 388;
// Nodes of a character's node route.
constexpr int MAX_CHARACTER_ROUTE_NODES = 128;
constexpr float NO_TARGET_DISTANCE = 1e11f;
// Flag word 1 of a character's objects: drawn; the worn ones (hat, eyes,
// attachments) stay out of segment tests so shots and sight meet the body.
constexpr DWORD CHARACTER_OBJECT_SHOWN = 0x1;
constexpr DWORD CHARACTER_WORN_FLAGS = CHARACTER_OBJECT_SHOWN | 0x80;
// Flag word 2 of the worn objects and preloads: out of every segment table.
constexpr DWORD CHARACTER_WORN_FLAGS2 = 0x10000;

struct strpostac
{
    // ---- Life (records and creation) -----------------------------------------------------
    DWORD slot;
    BYTE used;
    strPostacDsc* desc;
    BYTE shotgun;
    BYTE partner;
    BYTE arab_voice;
    BYTE marine_voice;
    HOBJECT attachments[DSC_MAX_ATTACHMENTS];
    char attachment_sockets[DSC_MAX_ATTACHMENTS][POSTAC_NAME_SIZE];
    BYTE attachments_shown;
    DWORD attachment_count;
    char look_at[POSTAC_NAME_SIZE];
    HOBJECT eye_l;
    HOBJECT eye_r;
    BYTE sniper;
    BYTE immortal;
    BYTE RPG;
    HOBJECT extra_objects[MAX_EXTRA_OBJECTS];
    BYTE mark;
    BYTE player_record; // stands for the player ("fake_hero")
    BYTE civilian;
    BYTE armed;
    float anim_factor; // animation speed factor, 1.0 at creation
    float shot_factor; // shot factor, 1.0 at creation and at every look
    float camera_distance;
    strSound* loop_sound;
    float loop_sound_range;
    strSound* second_sound;
    BYTE fixed_model;
    char weapon_override[POSTAC_NAME_SIZE];
    float contact_distance;
    HOBJECT hat;
    char hat_socket[POSTAC_NAME_SIZE];
    BYTE model_made;
    D3DXVECTOR3 target_position;
    D3DXVECTOR3 eye_position;
    BYTE talk_look;
    D3DXVECTOR3 talk_look_point;
    BYTE talking;
    BYTE hero_keyword;
    BYTE dead;
    BYTE ghost;
    BYTE delete_request;
    float target_distance;
    char name[POSTAC_NAME_SIZE];
    D3DXVECTOR3 position;
    EOrientation orientation;
    EOrientation start_orientation;
    HOBJECT model;
    HOBJECT second_object;
    EItemInstance* weapon;
    strFaza* faza;
    float hit_points;
    DWORD far_count;

    // ---- Behaviour, movement and shooting state (the phase machine, the per-frame
    // update, shooting, wounds and the save section work on these) ----------------------
    D3DXVECTOR3 rest_position;
    D3DXVECTOR3 death_position;
    D3DXVECTOR3 look_direction;
    D3DXVECTOR3 look_direction_start;
    D3DXVECTOR3 move_direction;
    D3DXVECTOR3 aim_point;
    D3DXVECTOR3 turn_target;
    D3DXVECTOR3 exact_run_target;
    HOBJECT target; // the object the character fights
    BYTE engaged;
    BYTE sees_target;
    BYTE target_in_front;
    BYTE may_shoot;
    BYTE contact; // the player is within the contact distance and angle
    BYTE suspended;
    BYTE running;        // bBiegnie
    BYTE postac_running; // on a scripted run (bPostacRunning)
    BYTE holding_weapon;
    BYTE reloading;
    BYTE in_burst;
    DWORD burst_count;
    float sway_phase;
    float sway_amplitude;
    float active_time;       // seconds the character has been active
    float since_target_seen; // seconds since the target was last seen
    float engage_timer;
    float time_in_phase;
    BYTE has_shouted;
    float since_shout;
    float since_cry;
    float since_wound;
    BYTE stay_on_death;
    BYTE first_bot_shot;
    BYTE second_bot_shot;
    BYTE following_bezier;
    BYTE running_nodes;
    BYTE riding;
    DWORD bad_shots;
    int path_index; // the current route point, -1 for none
    DWORD path_point_count;
    D3DXVECTOR3 path_points[MAX_ROUTE_POINTS];
    DWORD node_point_count;
    D3DXVECTOR3 node_points[MAX_ROUTE_POINTS];
    DWORD movement_counters[2];
    char remembered_faza[POSTAC_NAME_SIZE];
    char run_to_mesh[POSTAC_NAME_SIZE];
    float bot_stand_time;
    HOBJECT respawner;   // the respawner that made the character
    BYTE alarmed;        // perceived an alarm in its last update
    float fire_interval; // the weapon's fire interval, kept per character

    // ---- Waypoint route and movement (the path manager, the estimates and the
    // route step work on these) ------------------------------------------------------------
    strPath* path;   // the graph the character runs on
    strPlace* place; // its current node (pActPlace)
    strPlace* route_nodes[MAX_CHARACTER_ROUTE_NODES];
    DWORD route_node_count;
    strPlace* run_target;      // the route's last node
    D3DXVECTOR3 segment_start; // where the current leg began
    float segment_length;
    float segment_run;
    float move_step;     // this frame's step
    float carried_step;  // carried past the last route point, at most 0.3
    float run_travelled; // the distance travelled this run
    float move_speed;    // the last step over the frame time
    BYTE running_to_player;
    BYTE run_mode; // 0 to the bezier's start, 1 along the bezier, 2 to the target mesh
    char run_bezier[POSTAC_NAME_SIZE];
    float bezier_length;
    float bezier_distance;
    char run_arrival_faza[POSTAC_NAME_SIZE];
    char run_animation[POSTAC_NAME_SIZE];
    BYTE run_allows_faza; // a phase change may come through during a scripted run
    BYTE run_blocked;     // another character stood in the way of a scripted run
    BYTE choose_again;
    BYTE bot;             // the current phase is a bot phase
    BYTE mounted;         // at a mounted gun
    BYTE ride_reported;   // the missing ride or gun was printed in this phase
    float run_timer;      // seconds of this run
    float run_anim_timer; // seconds since the run animation was chosen
    int run_counter;
    float since_path_advance;
    float turned; // a turn measure kept by the per-frame update
    float choice_timer;
    float suspend_timer;
    BYTE skip_bump;     // the per-frame update's byte that holds off the bump test
    int fallback_depth; // common fall-backs under way
    // Footsteps, speech and the model's placing.
    int footstep_state;
    DWORD ground_material;
    strSound* speech;
    BYTE head_variant;
    float yaw_offset;
    D3DXVECTOR3 model_offset;
    D3DXVECTOR3 model_position_set; // the last position given to the model
    D3DXVECTOR3 model_forward_set;  // the last forward axis given to the model
    BYTE model_placed;
    float detail_interval;
    BYTE skip_detail;
    BYTE look_requested;
    float turn_rate; // the turn-rate factor a phase entry sets

    // ---- Combat stances, leans, rockets, grenades and the bots' choice ----------------------
    // Also kept by the phase machine and the per-frame update (a phase entry
    // makes the stance index -1 and clears the stance-change byte; the update
    // advances the two timers).
    int stance_index;    // 0 standing, 1 crouching, 2 lying; negative: none chosen yet
    BYTE stance_change;  // a stance change waits for its shooting pose
    BYTE wound_reaction; // a hit's wound reaction is running
    int last_bot_choice;
    float stance_timer; // seconds in the current stance
    float blend_timer;  // restarted by every stance, pose or lean animation
    // Only the stances and the choice use these.
    BYTE pose_started;                       // a pose or stance animation has been started
    char stance_animation[POSTAC_NAME_SIZE]; // the last stance or pose animation started
    int lean_side;                           // 0 not leaning, below 1 left, otherwise right
    int lean_step;                           // 0 to 4
    float lean_timer;
    float since_lean; // seconds since the last lean ended (or was considered)
    HOBJECT launcher; // the rocket launcher a rocket carrier holds
    BYTE rocket_firing;
    float rocket_cooldown;
    float rocket_timer;
    D3DXVECTOR3 launcher_position; // where the launcher stays while a rocket is fired
    EOrientation launcher_orientation;
    BYTE grenade_carrier; // carries grenades for the bots' throw (set by nothing yet)
    BYTE throwing;        // a grenade throw is under way
    float throw_timers[3];
    int throw_stage;
    HOBJECT grenade;   // the grenade held in the hand until its release
    float throw_speed; // the speed the last grenade left the hand with
    float glint_timer;
    float crowd_timer;  // counts down to the next crowding test
    float danger_timer; // frame time gathered towards the next danger test
    BYTE been_hit;      // the character has been hit since it was made
    // ---- The phase machine and the per-frame update --------------------------------------
    int entering_faza;                   // entries of a phase under way for this character
    char missing_faza[POSTAC_NAME_SIZE]; // the missing phase last reported
    BYTE phase_finished;
    BYTE phase_held;         // the phase does not end by itself
    BYTE wait_then_estimate; // "estimate" once the animation may be interrupted
    BYTE estimate_pending;
    BYTE estimate_phase; // the current phase is a faza_estimate phase
    BYTE no_interpolation;
    D3DXVECTOR3 root_motion;
    BYTE fired_last_phase;
    BYTE ladder_jump;
    BYTE aimed_this_frame;
    BYTE hit_this_frame;
    BYTE hidden_by_bars;
    BYTE global_far_fired;
    BYTE sees_player;
    BYTE shout_pending; // first sight of the player: the alarm shout
    BYTE strzal_hero_fired[32];
    char stay_on_death_names[3][POSTAC_NAME_SIZE];
    HOBJECT attached_object;
    char attached_name[POSTAC_NAME_SIZE];
    float phase_timer;
    float shot_delay;      // 1.0 plus a random fraction at each entry
    float shot_delay_long; // 15.0 at each entry
    float aim_timer;
    float player_distance;
    float player_seen_time; // while the player is seen
    float since_player_seen;
    float vis_timer; // seconds to the next sight refresh
    float wake_timer;
    float bot_choice_age;
    float bot_countdown;
    // ---- Shooting, wounds, weapon placement and death -----------------------------------
    BYTE death_handled;      // the death of this life has run; a second one does nothing
    BYTE forced_kill_camera; // this death starts the kill camera whatever its conditions
    BYTE armoured;           // hit as armoured (set by nothing yet)
    DWORD hit_count;         // hits taken in this life
    BYTE fired_this_frame;
    float corpse_time; // seconds since death
    HOBJECT death_marker;
    DWORD death_marker_pesel[3]; // the marker's object while its slot still holds it
    BYTE death_settling;         // the body follows its marker until the death animation may be cut
    EOrientation weapon_orientation;
    D3DXVECTOR3 weapon_position;
    char weapon_socket[POSTAC_NAME_SIZE];
    D3DXVECTOR3 muzzle_position;
    D3DXVECTOR3 muzzle_direction;
    BYTE muzzle_known;
    BYTE weapon_placed;
    BYTE socket_reported; // the missing weapon socket was printed for this character
    float burst_pause;
    // ---- The weapon's laser sight ----------------------------------------------------------
    BYTE laser_shown; // the character's weapon draws a beam
    DWORD laser_beam; // its slot in the laser manager while laser_shown is set

    // The animation state the sequence list works on.
    strSequenceCharacter anim;
    // Values only the save record carries yet.
    strPostacSaved saved;
};

struct strAlarm
{
    BYTE used;
    D3DXVECTOR3 position;
    float hearing;  // perceived within it through walls
    float openLine; // perceived within it over a clear line to the eyes
    float sight;    // perceived within it over a clear line to the position
    BYTE flagA;
    BYTE flagB;
    BYTE flagC;
    DWORD life;
};

struct strCzapki
{
    char model[POSTAC_PATH_SIZE];
    char socket[POSTAC_NAME_SIZE];
    char hats[MAX_CZAPEK][POSTAC_PATH_SIZE];
    DWORD hat_count;
};
