// EDeathParams: defaults, and its stored form in save games.
#include "world/DeathParams.h"

#include "shell/SaveFile.h"
#include "world/ObjectRecordIO.h"
#include "world/RecordWalk.h"

#include <cstring>
#include <vector>

namespace
{
constexpr float kDefaultHitPoints = 100.0f;
constexpr float kDefaultFallSpeedUp = 64.0f;

template <class IO, class P> void Walk(IO& io, P& p)
{
    io.U8(p.bEnabled);
    io.Chars(p.szHandleDeathIf);
    io.F32(p.fKillIfPlayerCloserThan);
    io.U8(p.bBulletHits);
    io.U8(p.bExplosions);
    io.U8(p.bFlag8);
    io.U8(p.bFlag12);
    io.F32(p.fHitPoints);
    io.Chars(p.death_params_SetWhenHit);
    io.Chars(p.death_params_UnsetWhenHit);
    io.Chars(p.death_params_SetWhenDead);
    io.Chars(p.death_params_UnsetWhenDead);
    io.U8(p.bDeleteOnDeath);
    io.U8(p.death_params_remove_joints_when_dead);
    io.U8(p.bPlaySound);
    io.Chars(p.death_params_SoundName);
    io.U8(p.bHitAnim);
    io.Chars(p.death_params_HitAnimName);
    io.U8(p.bDeadAnim);
    io.Chars(p.death_params_DeadAnimName);
    io.U8(p.bActivateObject);
    io.Chars(p.death_params_ActivateObjectName);
    io.U8(p.bDestroyObject);
    io.Chars(p.death_params_DestroyObjectName);
    io.Chars(p.szSpare);
    io.U8(p.bFalls);
    io.U8(p.bFlag2b);
    io.U8(p.bFlag2c);
    io.F32(p.death_params_ExplosionPowerCoef);
    io.Chars(p.death_params_CreateMeshOnDeath);
    io.Chars(p.death_params_CreateMeshOnGroundHit);
    io.U8(p.death_params_4);
    for (auto& v : p.death_params_AddSpeed)
        io.F32(v);
    io.U8(p.death_params_5);
    io.F32(p.death_params_DestroyOtherPause);
    io.U8(p.death_params_6);
    io.Chars(p.death_params_created_mesh_name);
    io.U8(p.death_params_6b);
    for (auto& v : p.death_params_6_values)
        io.F32(v);
    io.U8(p.death_params_created_mesh_disappears);
    io.F32(p.death_params_time_to_disappear_created_mesh);
    io.Chars(p.death_params_console_print);
    io.Chars(p.death_params_FX_On_Hit);
    io.Chars(p.death_params_FX_On_Death);
    io.Chars(p.death_params_FX_On_GroundHit);
    io.Chars(p.death_params_FX_In_HighestPoint);
    io.Chars(p.death_params_FX_Treshold);
    io.F32(p.death_params_FX_Treshold_value);
    io.U8(p.bThresholdFxAttached);
    io.Chars(p.death_params_kill_other_object_if_hp_less_than_object);
    io.F32(p.death_params_kill_other_object_if_hp_less_than_hp);
    io.U8(p.death_params_sound_when_hit);
    io.Chars(p.death_params_sound_name_when_hit);
    io.U8(p.death_params_teleport_objects_here_use);
    for (auto& name : p.death_params_teleport_objects_here_list)
        io.Chars(name);
    io.U8(p.death_params_teleport_objects_here_copy);
    io.U8(p.death_params_shake_screen);
    io.U8(p.ConstantShake.bEnabled);
    for (auto& v : p.ConstantShake.fValues)
        io.F32(v);
    io.F32(p.ConstantShake.fRange);
    io.U8(p.Shake.bEnabled);
    for (auto& v : p.Shake.fValues)
        io.F32(v);
    io.U32(p.Shake.dwNegative);
    io.Chars(p.death_params_activate_object_on_hit);
    io.U8(p.death_params_physics_hit_teleported_objects_on);
    for (auto& v : p.death_params_physics_hit_teleported_objects_hit_force)
        io.F32(v);
    io.Chars(p.death_params_move_to_object_before_death_object);
    io.F32(p.death_params_move_to_object_before_death_speed);
    io.U8(p.bMortarExplosion);
}
} // namespace

void EDeathParams::Reset()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    bBulletHits = bExplosions = bFlag8 = bFlag12 = 1;
    bDeleteOnDeath = 1;
    fHitPoints = kDefaultHitPoints;
    death_params_ExplosionPowerCoef = 1.0f;
    death_params_AddSpeed[1] = kDefaultFallSpeedUp;
    ConstantShake.Reset();
    Shake.Reset();
}

size_t DeathParamsStoredFieldsEnd()
{
    EDeathParams p;
    return MeasureWalkedRecord([&](RecordMeasure& m) { Walk(m, p); });
}

bool WriteDeathParamsRecord(FILE* file, const EDeathParams& p)
{
    return WriteWalkedRecord(file, DEATH_PARAMS_RECORD_SIZE, [&](RecordWriter& w) { Walk(w, p); });
}

bool ReadDeathParamsRecord(FILE* file, EDeathParams* p)
{
    return ReadWalkedRecord(file, DEATH_PARAMS_RECORD_SIZE,
                            [p](RecordReader& rd)
                            {
                                if (p)
                                    Walk(rd, *p);
                            });
}
