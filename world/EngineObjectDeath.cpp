// EEngineObject: damage, death and respawn. Health lives in the object and
// may go below zero; an object with a death record dies once, when its health
// reaches zero or something kills it, and its death can leave a wreck, start
// effects, sounds and shakes, set variables and reach other objects.
#include "world/EngineObject.h"

#include "environment/FxMgr.h"
#include "game/GameAI.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr float kDeathSoundRange = 2000.0f;
constexpr DWORD kDeadFlag = 0x80;             // flag word 1 of a dead object
constexpr DWORD kWreckClearFlags2 = 0x400000; // flag word 2 bit a wreck does not take
constexpr float kWreckBoxSize = 12.0f;
constexpr float kRespawnSeenRange = 15.0f;

bool Set(const char* text)
{
    return text && text[0];
}

void DebugLine(const char* a, const char* b = "", const char* c = "")
{
    if (g_Options.Debug)
        g_Console.Print3(a, b, c);
}

HOBJECT Find(const char* name)
{
    return Set(name) ? g_Engine.FindObject(name, 0) : nullptr;
}

bool ConditionHolds(const EDeathParams& d)
{
    return !Set(d.szHandleDeathIf) || g_GameAI.IsVariableOn(d.szHandleDeathIf);
}
} // namespace

void EEngineObject::ReportBadValue(const char* what, float value)
{
    if (m_bBadValueReported)
        return;
    m_bBadValueReported = 1;
    char text[128];
    std::snprintf(text, sizeof text, "Refused %s %g (reported once per world)", what, value);
    g_Console.Print(text);
}

void EEngineObject::ChangeHealth(HOBJECT o, float amount)
{
    if (!o || !o->bUsed)
        return;
    if (!std::isfinite(amount))
    {
        ReportBadValue("health change", amount);
        return;
    }
    o->fHealth += amount;
    if (!o->pDeathParams || !o->pDeathParams->bEnabled)
        return;
    EDeathParams& d = *o->pDeathParams;
    if (o->fHealth <= 0.0f)
    {
        HandleDeath(o);
        return;
    }
    if (!d.bThresholdFxAttached && Set(d.death_params_FX_Treshold) && d.death_params_FX_Treshold_value > 0.0f)
    {
        d.bThresholdFxAttached = 1;
        g_Engine.SetObjectFx(o, d.death_params_FX_Treshold);
    }
}

void EEngineObject::HandleDeath(HOBJECT o)
{
    // 1, 2.
    if (!o || !o->bUsed || o->bDead || !o->pDeathParams)
        return;
    DebugLine("EEngineObject::HandleDeath ", o->szName);
    const EDeathParams d = *o->pDeathParams;
    if (!ConditionHolds(d))
    {
        DebugLine("Wymagana zmienna ", d.szHandleDeathIf, " ale nie ustawiona!");
        return;
    }
    // 3, 4.
    if (Set(d.death_params_console_print))
        g_Console.Print(d.death_params_console_print);
    o->bDead = 1;
    o->fDeathWait = 0.0f;
    ++m_iDeaths;
    if (o->pSound && o->pSound->pSound)
        g_SoundMgr.StopSound(o->pSound->pSound);
    g_Engine.SetObjectFlags(o, kDeadFlag, kDeadFlag);
    g_Engine.SetObjectFx(o, nullptr);
    // 5 - 9. Effects, animation, sound and shakes.
    if (Set(d.death_params_FX_On_Death))
        g_FxMgr.CreateFxByName(d.death_params_FX_On_Death, &o->vPosition, &o->Orientation);
    if (d.bMortarExplosion)
        ActionCalls::FxMortarExplosion(o, o->vPosition);
    if (d.bDeadAnim)
    {
        DebugLine("Wlaczam anim ", d.death_params_DeadAnimName);
        g_Engine.SetObjectAnimation(o, d.death_params_DeadAnimName, 0, 0.0f, 1.0f);
    }
    if (d.bPlaySound && Set(d.death_params_SoundName))
        g_SoundMgr.PlaySound3DOnce(d.death_params_SoundName, &o->vPosition, kDeathSoundRange);
    if (d.death_params_shake_screen)
    {
        if (d.ConstantShake.bEnabled)
            g_Camera.StartConstantShake(d.ConstantShake, o);
        if (d.Shake.bEnabled)
            g_Camera.StartShake(d.Shake, o->vPosition);
    }
    // 10, 11. Falling, when no wreck takes the object's place.
    const bool wreck = Set(d.death_params_CreateMeshOnDeath);
    if (d.bFalls && !wreck)
    {
        o->bFalling = 1;
        D3DXVECTOR3 forward = o->Orientation.Forward;
        D3DXVec3Normalize(&forward, &forward);
        // The bezier move's speed (units/s) times its ramp factor.
        const float speed = g_Engine.IsMovingOnBezier(o)
                                ? static_cast<float>(o->pBezierMove->dDistance * o->pBezierMove->dSpeed)
                                : 0.0f;
        o->vFallVelocity =
            forward * speed +
            D3DXVECTOR3(d.death_params_AddSpeed[0], d.death_params_AddSpeed[1], d.death_params_AddSpeed[2]);
        o->fFallTimer[0] = o->fFallTimer[1] = 0.0f;
    }
    g_Engine.StopBezierMoving(o);
    // 12 - 14.
    HOBJECT other = d.bDestroyObject ? Find(d.death_params_DestroyObjectName) : nullptr;
    if (d.bActivateObject)
    {
        DebugLine("Przekazuje akcje na ", d.death_params_ActivateObjectName);
        g_Engine.RunObjectAction(d.death_params_ActivateObjectName, 0);
    }
    if (Set(d.death_params_SetWhenDead))
        g_GameAI.SetVariable(d.death_params_SetWhenDead, nullptr);
    // 15. The wreck.
    if (wreck)
    {
        DebugLine("Podmieniam na mesha ", d.death_params_CreateMeshOnDeath);
        EObjectDesc desc;
        desc.Type = OT_MESH;
        std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", d.death_params_CreateMeshOnDeath);
        desc.dwFlags = o->dwFlags & ~kDeadFlag;
        desc.dwFlags2 = o->dwFlags2 & ~kWreckClearFlags2;
        desc.dwFlags3 = o->dwFlags3;
        desc.vPosition = o->vPosition;
        desc.Orientation = o->Orientation;
        g_Engine.GetObjectScale(o, &desc.vScale);
        HOBJECT w = std::strlen(d.death_params_CreateMeshOnDeath) < sizeof desc.szFileName
                        ? g_Engine.AddObject(&desc)
                        : nullptr;
        if (w)
        {
            w->bCreatedOnDeath = 1;
            w->bSaved = 1;
            w->iDisappearRange = o->iDisappearRange;
            g_Engine.SetObjectFlags(w, o->dwFlags & ~kDeadFlag, 0xFFFFFFFFu);
            g_Engine.SetObjectFlags2(w, o->dwFlags2 & ~kWreckClearFlags2, 0xFFFFFFFFu);
            DebugLine("Flagi ustawione");
            if (Set(d.death_params_created_mesh_name))
            {
                g_Engine.SetObjectName(w, d.death_params_created_mesh_name);
                DebugLine("Podmieniony mesh ma name ", d.death_params_created_mesh_name);
            }
            if (o->bTied)
            {
                DebugLine("Ustawiono tie socket params");
                TieToSocket(w, o->szTieSocket, o->szTieObject);
            }
            g_Engine.SetObjectScale(w, &desc.vScale);
            EMesh* mesh = static_cast<EMesh*>(w->Object);
            if (d.bFalls && mesh)
            {
                DebugLine("Ustawiam opadanie z fizyka");
                EPhysicsDesc body;
                body.iShape = PHYSICS_SHAPE_BOX;
                body.fMassOrSize = kWreckBoxSize;
                body.bRigidBody = 1;
                g_Engine.SetObjectPhysicsDesc(w, &body);
                g_PhysicsMgr.CreateObjectBody(w, &body);
                const D3DXVECTOR3 push(d.death_params_AddSpeed[0], d.death_params_AddSpeed[1],
                                       d.death_params_AddSpeed[2]);
                g_Engine.PutForceToObject(w, &push, 1.0f);
            }
            else if (o->Type == OT_MESH)
                g_PhysicsMgr.CreateTriangleMeshBody(o);
            if (d.death_params_created_mesh_disappears && mesh)
            {
                if (g_Options.Debug)
                    g_Console.PrintFloat("Ustawiam czas znikniecia na ",
                                         d.death_params_time_to_disappear_created_mesh);
                mesh->SetFlagValue(1, d.death_params_time_to_disappear_created_mesh);
                w->fLifetime = d.death_params_time_to_disappear_created_mesh;
            }
        }
        else
            g_Console.Print("Failed to create mesh");
    }
    // 16, 17.
    if (d.death_params_teleport_objects_here_use)
        TeleportObjectHereOnDeath(o);
    if (d.bDeleteOnDeath)
        o->bDeletePending = 1;
    // 18. The other object dies now or after its pause.
    if (other)
    {
        if (d.death_params_DestroyOtherPause <= 0.0f)
        {
            DebugLine("Zabijam obiekt ", other->szName);
            HandleDeath(other);
        }
        else
        {
            DebugLine("Wlaczam oczekiwanie na smierc dla ", other->szName);
            other->fDeathWait = d.death_params_DestroyOtherPause;
        }
    }
}

void EEngineObject::TeleportObjectHereOnDeath(HOBJECT o)
{
    if (!o || !o->bUsed || !o->pDeathParams || !o->pDeathParams->death_params_teleport_objects_here_use)
        return;
    const EDeathParams& d = *o->pDeathParams;
    const D3DXVECTOR3 force(d.death_params_physics_hit_teleported_objects_hit_force[0],
                            d.death_params_physics_hit_teleported_objects_hit_force[1],
                            d.death_params_physics_hit_teleported_objects_hit_force[2]);
    for (const auto& entry : d.death_params_teleport_objects_here_list)
    {
        char name[DEATH_LONG_NAME_SIZE];
        std::snprintf(name, sizeof name, "%.*s", DEATH_LONG_NAME_SIZE - 1, entry);
        if (!name[0])
            continue;
        HOBJECT t = Find(name);
        if (!t)
        {
            g_Console.Print4("TeleportObjectHereOnDeath from ", o->szName, " can't find ", name);
            continue;
        }
        if (d.death_params_teleport_objects_here_copy)
        {
            HOBJECT copy = g_Engine.CopyObject(t);
            if (!copy)
            {
                g_Console.Print("Copy object failed!");
                continue;
            }
            g_Engine.SetObjectRotation(copy, &o->Orientation);
            g_Engine.SetObjectPosition(copy, &o->vPosition, 0);
            copy->bRefresh = 1;
            if (d.death_params_physics_hit_teleported_objects_on)
            {
                DebugLine("Applying physics to object teleported (copied) here");
                g_Engine.PutForceToObject(copy, &force, 1.0f);
            }
        }
        else
        {
            g_Console.Print2("Teleporting object ", name);
            g_Engine.SetObjectTransform(t, &o->vPosition, &o->Orientation, 0, 1);
            t->bRefresh = 1;
            if (d.death_params_physics_hit_teleported_objects_on)
            {
                DebugLine("Applying physics to object teleported (moved) here");
                g_Engine.PutForceToObject(t, &force, 1.0f);
            }
        }
    }
}

void EEngineObject::RespawnCharacter(HOBJECT o)
{
    if (!o || !o->bUsed || !o->pActionParams)
        return;
    const EObjectActionParams& p = *o->pActionParams;
    if (!Set(p.action_respawn_character_name))
    {
        g_Console.Print("EEngineObject::RespawnCharacter nie ma name!");
        return;
    }
    DebugLine("EngineObject.RespawnCharacter ", p.action_respawn_character_name);
    const char* phase =
        (std::rand() & 1) ? p.action_respawn_character_phase0 : p.action_respawn_character_phase1;
    DebugLine("Respawn phase randomised to ", phase);
    ActionCalls::CharacterRespawn(p.action_respawn_character_name, o->vPosition, phase, o);
    ++o->iRespawnCount;
}

void EEngineObject::UpdateRespawner(HOBJECT o)
{
    if (!o || !o->bUsed || !o->pActionParams)
        return;
    const EObjectActionParams& p = *o->pActionParams;
    const int last = p.action_respawn_params_count;
    // 1, 2.
    if (o->iRespawnCount > last)
        return;
    if (Set(p.action_respawn_character_do_not_respawn_if) &&
        g_GameAI.IsVariableOn(p.action_respawn_character_do_not_respawn_if))
        return;
    if (ActionCalls::CharacterAliveFrom(o))
        return;
    // 3, 4. The pause between two characters.
    if (o->fRespawnTimer <= 0.0f)
    {
        o->fRespawnTimer = p.action_respawn_params;
        return;
    }
    o->fRespawnTimer -= m_fFrameTime;
    if (o->fRespawnTimer > 0.0f)
        return;
    // 5. A respawner the hero sees ends its run of characters.
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    const D3DXVECTOR3 toObject = o->vPosition - camera;
    const D3DXVECTOR3 above = o->vPosition + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 forward = g_Camera.GetOrientation().Forward;
    const D3DXVECTOR3 toHero = o->vPosition - HeroPosition();
    const bool seen = D3DXVec3Length(&toHero) < kRespawnSeenRange ||
                      (D3DXVec3Dot(&toObject, &forward) > 0.0f &&
                       ActionCalls::SegmentClear(above, camera, ActionCalls::HeroObject()));
    if (seen)
        o->iRespawnCount = last;
    // 6.
    if (o->iRespawnCount != last)
        RespawnCharacter(o);
    else
    {
        if (Set(p.action_respawn_character_action_after_last_respawn))
            g_Engine.RunObjectAction(p.action_respawn_character_action_after_last_respawn, 0);
        ++o->iRespawnCount;
    }
}
