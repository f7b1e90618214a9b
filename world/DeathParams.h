#pragma once
// EDeathParams: how an object takes damage and what its death does. The
// world's "death_params_" keys fill it (fields bear the key names, with the
// token's meaning after a key that fills several). The record is copied in
// and out whole (EEngine::Get/SetObjectDeathParams); save games store it
// field by field in a fixed 2784-byte layout (world/DeathParams.cpp).

#include "platform/win32/WinTypes.h"
#include "world/ShakeParams.h"

#include <cstddef>

constexpr int DEATH_NAME_SIZE = 32;
constexpr int DEATH_LONG_NAME_SIZE = 64;
constexpr int DEATH_TEXT_SIZE = 256;
constexpr int DEATH_TELEPORT_LIST = 10;

struct EDeathParams
{
    static constexpr int STORED_SIZE = 2784;

    EDeathParams() { Reset(); }
    void Reset();

    BYTE bEnabled; // death_params_1 t1
    char szHandleDeathIf[DEATH_NAME_SIZE];
    float fKillIfPlayerCloserThan;
    BYTE bBulletHits; // t9
    BYTE bExplosions; // t7
    BYTE bFlag8;      // t8
    BYTE bFlag12;     // t12
    float fHitPoints; // t11: becomes the object's health
    char death_params_SetWhenHit[DEATH_NAME_SIZE];
    char death_params_UnsetWhenHit[DEATH_NAME_SIZE];
    char death_params_SetWhenDead[DEATH_NAME_SIZE];
    char death_params_UnsetWhenDead[DEATH_NAME_SIZE];
    BYTE bDeleteOnDeath; // t6
    BYTE death_params_remove_joints_when_dead;
    BYTE bPlaySound; // t10
    char death_params_SoundName[DEATH_TEXT_SIZE];
    BYTE bHitAnim; // t4
    char death_params_HitAnimName[DEATH_NAME_SIZE];
    BYTE bDeadAnim; // t3
    char death_params_DeadAnimName[DEATH_NAME_SIZE];
    BYTE bActivateObject; // t2
    char death_params_ActivateObjectName[DEATH_NAME_SIZE];
    BYTE bDestroyObject; // t5
    char death_params_DestroyObjectName[DEATH_NAME_SIZE];
    char szSpare[DEATH_NAME_SIZE];
    BYTE bFalls;  // death_params_2 t2
    BYTE bFlag2b; // death_params_2 t4
    BYTE bFlag2c; // death_params_2 t5
    float death_params_ExplosionPowerCoef;
    char death_params_CreateMeshOnDeath[DEATH_TEXT_SIZE];
    char death_params_CreateMeshOnGroundHit[DEATH_TEXT_SIZE];
    BYTE death_params_4;
    float death_params_AddSpeed[3];
    BYTE death_params_5;
    float death_params_DestroyOtherPause;
    BYTE death_params_6;
    char death_params_created_mesh_name[DEATH_NAME_SIZE];
    BYTE death_params_6b;
    float death_params_6_values[3];
    BYTE death_params_created_mesh_disappears;
    float death_params_time_to_disappear_created_mesh;
    char death_params_console_print[DEATH_TEXT_SIZE];
    char death_params_FX_On_Hit[DEATH_NAME_SIZE];
    char death_params_FX_On_Death[DEATH_NAME_SIZE];
    char death_params_FX_On_GroundHit[DEATH_NAME_SIZE];
    char death_params_FX_In_HighestPoint[DEATH_NAME_SIZE];
    char death_params_FX_Treshold[DEATH_NAME_SIZE];
    float death_params_FX_Treshold_value;
    BYTE bThresholdFxAttached;
    char death_params_kill_other_object_if_hp_less_than_object[DEATH_LONG_NAME_SIZE];
    float death_params_kill_other_object_if_hp_less_than_hp;
    BYTE death_params_sound_when_hit;
    char death_params_sound_name_when_hit[DEATH_TEXT_SIZE];
    BYTE death_params_teleport_objects_here_use;
    char death_params_teleport_objects_here_list[DEATH_TELEPORT_LIST][DEATH_LONG_NAME_SIZE];
    BYTE death_params_teleport_objects_here_copy;
    BYTE death_params_shake_screen;
    EConstantShakeParams ConstantShake;
    EShakeParams Shake;
    char death_params_activate_object_on_hit[DEATH_NAME_SIZE];
    BYTE death_params_physics_hit_teleported_objects_on;
    float death_params_physics_hit_teleported_objects_hit_force[3];
    char death_params_move_to_object_before_death_object[DEATH_LONG_NAME_SIZE];
    float death_params_move_to_object_before_death_speed;
    BYTE bMortarExplosion; // no key: set by code
};

// Where the stored fields end (the rest of the stored record is zero).
size_t DeathParamsStoredFieldsEnd();
