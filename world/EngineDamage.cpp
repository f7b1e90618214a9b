// EEngine: bullet hits, explosions and object copies.
#include "world/Engine.h"

#include "game/GameAI.h"
#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace
{
constexpr float kHitSoundCameraRange = 2000.0f;
constexpr float kHitSoundRange = 3000.0f;
constexpr float kExplosionHeroRange = 90.0f;
constexpr float kExplosionRadius = 20.0f;
constexpr float kExplosionPushScale = 100.0f;
constexpr float kExplosionDamageScale = 200.0f;
constexpr float kExplosionDeathDelay = 0.1f;

// A blast far beyond any a level sets off still hurts and pushes by a finite
// amount: the product of a huge power overflows to infinity, which the
// health change would refuse and the physics world would spread as NaN.
float Bounded(float value)
{
    return std::fmin(value, std::numeric_limits<float>::max());
}

bool Set(const char* text)
{
    return text && text[0];
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}

// The other object that dies when this one's health falls below a value.
void KillOtherBelow(HOBJECT o, const EDeathParams& d)
{
    const char* other = d.death_params_kill_other_object_if_hp_less_than_object;
    if (!Set(other) || !(d.death_params_kill_other_object_if_hp_less_than_hp > o->fHealth))
        return;
    if (g_Options.Debug)
    {
        char text[256];
        std::snprintf(text, sizeof text, "%.100s zabija %.64s bo HP ponizej progu %f", o->szName, other,
                      d.death_params_kill_other_object_if_hp_less_than_hp);
        g_Console.Print(text);
    }
    g_EngineObject.HandleDeath(g_Engine.FindObject(other, 0));
}
} // namespace

BYTE EEngine::OnObjectHit(HOBJECT o, const D3DXVECTOR3*, const D3DXVECTOR3*, float damage)
{
    // 1 - 3.
    if (!o || !o->bUsed)
        return 0;
    ActionCalls::LevelRegisterHit(o->szName);
    if (!std::isfinite(damage) || damage < 0.0f)
    {
        g_EngineObject.ReportBadValue("hit damage", damage);
        return 0;
    }
    if (!o->pDeathParams || !o->pDeathParams->bEnabled || !o->pDeathParams->bBulletHits || o->bDead)
        return 0;
    const EDeathParams d = *o->pDeathParams;
    if (Set(d.szHandleDeathIf) && !g_GameAI.IsVariableOn(d.szHandleDeathIf))
        return 0;
    // 4, 5.
    if (Set(d.death_params_SetWhenHit))
        g_GameAI.SetVariable(d.death_params_SetWhenHit, o);
    if (d.bHitAnim)
        SetObjectAnimation(o, d.death_params_HitAnimName, 0, 0.0f, 1.0f);
    if (d.death_params_sound_when_hit && Set(d.death_params_sound_name_when_hit) &&
        Distance(o->vPosition, g_Camera.GetPosition()) < kHitSoundCameraRange)
        g_SoundMgr.PlaySound3DOnce(d.death_params_sound_name_when_hit, &o->vPosition, kHitSoundRange);
    if (Set(d.death_params_activate_object_on_hit))
    {
        if (g_Options.Debug > 1)
            g_Console.Print3(o->szName, " ActivateObjectOnHit ", d.death_params_activate_object_on_hit);
        RunObjectAction(d.death_params_activate_object_on_hit, 0);
    }
    // 6 - 9.
    g_EngineObject.ChangeHealth(o, -damage);
    if (!o->bUsed)
        return 1;
    KillOtherBelow(o, d);
    if (Set(d.death_params_FX_On_Hit) && !o->bDead)
    {
        if (g_Options.Debug)
            g_Console.Print3(o->szName, " wlacza FX ", d.death_params_FX_On_Hit);
        SetObjectFx(o, d.death_params_FX_On_Hit);
    }
    return o->fHealth <= 0.0f ? 1 : 0;
}

void EEngine::ApplyExplosion(const D3DXVECTOR3* point, float power)
{
    if (!point)
        return;
    if (!std::isfinite(power) || power < 0.0f || !std::isfinite(point->x) || !std::isfinite(point->y) ||
        !std::isfinite(point->z))
    {
        g_EngineObject.ReportBadValue("explosion power", power);
        return;
    }
    if (Distance(*point, EEngineObject::HeroPosition()) > kExplosionHeroRange)
        return;
    for (int i = 0; i < m_iHighLight && i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = m_Objects[i];
        if (!o.bUsed || o.bDeletePending)
            continue;
        const float d = Distance(*point, o.vPosition);
        if (!(d < kExplosionRadius))
            continue;
        // a. A push away from the point.
        if (o.Type == OT_MESH && o.pPhysicsBody && d > 0.0f)
        {
            D3DXVECTOR3 away = o.vPosition - *point;
            away /= d;
            away *= Bounded(power * kExplosionPushScale);
            PutForceToObject(&o, &away, power);
        }
        // b. Damage that falls off with the distance.
        if (o.pDeathParams && o.pDeathParams->bEnabled && o.pDeathParams->bExplosions && !o.bDead &&
            ActionCalls::SegmentClear(*point, o.vPosition, &o))
        {
            const float f = d / kExplosionRadius;
            const EDeathParams params = *o.pDeathParams;
            g_EngineObject.ChangeHealth(&o, -Bounded((1.0f - f) * power * kExplosionDamageScale));
            if (!o.bUsed)
                continue;
            KillOtherBelow(&o, params);
            if (o.fHealth <= 0.0f)
            {
                o.bExploded = 1;
                o.fDeathWait = f + kExplosionDeathDelay;
            }
        }
    }
    ActionCalls::GameExplosionNearPlayer(*point, power);
}

HOBJECT EEngine::CopyObject(HOBJECT o)
{
    if (!o || !o->bUsed)
        return nullptr;
    EObjectDesc desc;
    desc.Type = o->Type;
    std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", o->szFileName);
    desc.dwFlags = o->dwFlags;
    desc.dwFlags2 = o->dwFlags2;
    desc.dwFlags3 = o->dwFlags3;
    desc.vPosition = o->vPosition;
    desc.Orientation = o->Orientation;
    GetObjectScale(o, &desc.vScale);
    if (o->Type == OT_LIGHT)
    {
        desc.fRadius = o->fRadius;
        desc.fLightValue = o->fLightValue;
    }
    HOBJECT copy = AddObject(&desc);
    if (!copy)
    {
        g_Console.Print3("Copy creation of ", o->szName, " FAILED");
        return nullptr;
    }
    // The copy takes the records that say what it does: actions, death,
    // blinking and the looping FX.
    if (o->pActionParams)
        SetObjectActionParams(copy, o->pActionParams);
    if (o->pDeathParams)
        SetObjectDeathParams(copy, o->pDeathParams);
    if (o->pBlinking)
        SetObjectBlinking(copy, o->pBlinking);
    if (o->pFxName)
        SetObjectFx(copy, o->pFxName);
    copy->iDisappearRange = o->iDisappearRange;
    copy->bSaved = 1;
    return copy;
}

BYTE EEngine::CanUseObject(HOBJECT o)
{
    enum : BYTE
    {
        NOT_USABLE = 0,
        USABLE = 1,
        NOT_YET = 2,
    };
    if (!o || !o->bUsed || !o->pActionParams)
        return NOT_USABLE;
    const EObjectActionParams& p = *o->pActionParams;
    if (!p.dwEnabled || !p.action_general_opt || (p.action_general_2_once && o->bActionHasRun))
        return NOT_USABLE;
    if (o->bActionRunning)
        return NOT_YET;
    if (Set(p.action_ifset) && !g_GameAI.IsVariableOn(p.action_ifset))
        return NOT_YET;
    if (Set(p.action_action_if_not_set) && g_GameAI.IsVariableOn(p.action_action_if_not_set))
        return NOT_YET;
    if (p.action_next_run_after > 0.0f && p.action_next_run_after > o->fSinceLastAction)
        return NOT_YET;
    return USABLE;
}
