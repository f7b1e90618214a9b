// EWorldMgr: the death, object-light and bezier-start keys of world files.
// Each line that names one of them reads the object's record, sets the fields
// of that key and writes the record back; an object keeps a death or
// light-control record only while its first byte says it is on, and writing
// a death record back gives the object its hit points as health.
#include "world/WorldMgr.h"

#include "game/BezierFollowState.h"
#include "shell/Console.h"
#include "world/DeathParams.h"
#include "world/Engine.h"
#include "world/WorldMgrKeyIndex.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace
{
using D = EDeathParams;

struct Ctx
{
    EWorldMgr& L;
    D& p;
};

template <size_t N> void RestText(Ctx& c, char (&field)[N], unsigned maxChars, const char* label = nullptr)
{
    const unsigned capacity = maxChars + 1 < N ? maxChars + 1 : static_cast<unsigned>(N);
    c.L.CopyText(label ? label : c.L.m_szKeyword, capacity, field, c.L.GetValue(c.L.m_pLine));
}
template <size_t N> void Value1Text(Ctx& c, char (&field)[N], unsigned maxChars, const char* label = nullptr)
{
    const unsigned capacity = maxChars + 1 < N ? maxChars + 1 : static_cast<unsigned>(N);
    c.L.CopyText(label ? label : c.L.m_szKeyword, capacity, field, c.L.GetNthValue(c.L.m_pLine, 1));
}
BYTE Flag(Ctx& c, int n)
{
    return c.L.Flag(n) ? 1 : 0;
}

struct DeathKey
{
    const char* key;
    void (*set)(Ctx&);
};

// The keys in their compare order.
constexpr DeathKey kDeathKeys[] = {
    {"death_params_1",
     [](Ctx& c)
     {
         c.p.bEnabled = Flag(c, 1);
         c.p.bActivateObject = Flag(c, 2);
         c.p.bDeadAnim = Flag(c, 3);
         c.p.bHitAnim = Flag(c, 4);
         c.p.bDestroyObject = Flag(c, 5);
         c.p.bDeleteOnDeath = Flag(c, 6);
         c.p.bExplosions = Flag(c, 7);
         c.p.bFlag8 = Flag(c, 8);
         c.p.bBulletHits = Flag(c, 9);
         c.p.bPlaySound = Flag(c, 10);
         c.p.fHitPoints = c.L.Float(11);
         c.p.bFlag12 = Flag(c, 12);
     }},
    {"death_params_2",
     [](Ctx& c)
     {
         c.p.bFalls = Flag(c, 2);
         c.p.bFlag2b = Flag(c, 4);
         c.p.bFlag2c = Flag(c, 5);
     }},
    {"death_params_FX_Treshold",
     [](Ctx& c)
     {
         // The name is cut to its field; the threshold follows it.
         const char* name = c.L.GetNthValue(c.L.m_pLine, 1);
         std::memset(c.p.death_params_FX_Treshold, 0, sizeof c.p.death_params_FX_Treshold);
         std::strncpy(c.p.death_params_FX_Treshold, name, sizeof c.p.death_params_FX_Treshold - 1);
         c.p.death_params_FX_Treshold_value = c.L.Float(2);
     }},
    {"death_params_ActivateObjectName", [](Ctx& c) { RestText(c, c.p.death_params_ActivateObjectName, 31); }},
    {"death_params_DeadAnimName", [](Ctx& c) { RestText(c, c.p.death_params_DeadAnimName, 31); }},
    {"death_params_DestroyObjectName", [](Ctx& c) { RestText(c, c.p.death_params_DestroyObjectName, 31); }},
    {"death_params_HitAnimName", [](Ctx& c) { RestText(c, c.p.death_params_HitAnimName, 31); }},
    {"death_params_SetWhenDead", [](Ctx& c) { RestText(c, c.p.death_params_SetWhenDead, 31); }},
    {"death_params_SetWhenHit", [](Ctx& c) { RestText(c, c.p.death_params_SetWhenHit, 31); }},
    {"death_params_SoundName", [](Ctx& c) { RestText(c, c.p.death_params_SoundName, 255, "Sound Name"); }},
    {"death_params_UnsetWhenDead", [](Ctx& c) { RestText(c, c.p.death_params_UnsetWhenDead, 31); }},
    {"death_params_UnsetWhenHit", [](Ctx& c) { RestText(c, c.p.death_params_UnsetWhenHit, 31); }},
    {"death_params_CreateMeshOnDeath",
     [](Ctx& c) { RestText(c, c.p.death_params_CreateMeshOnDeath, 255, "Create Mesh On Death"); }},
    {"death_params_CreateMeshOnGroundHit",
     [](Ctx& c) { RestText(c, c.p.death_params_CreateMeshOnGroundHit, 255, "Create Mesh On Ground Hit"); }},
    {"death_params_4", [](Ctx& c) { c.p.death_params_4 = Flag(c, 1); }},
    {"death_params_5", [](Ctx& c) { c.p.death_params_5 = Flag(c, 1); }},
    {"death_params_AddSpeed",
     [](Ctx& c)
     {
         for (int i = 0; i < 3; ++i)
             c.p.death_params_AddSpeed[i] = c.L.Float(i + 1);
     }},
    {"death_params_DestroyOtherPause", [](Ctx& c) { c.p.death_params_DestroyOtherPause = c.L.Float(1); }},
    {"death_params_HandleDeathIf", [](Ctx& c) { RestText(c, c.p.szHandleDeathIf, 31); }},
    {"death_params_ExplosionPowerCoef", [](Ctx& c) { c.p.death_params_ExplosionPowerCoef = c.L.Float(1); }},
    {"death_params_6",
     [](Ctx& c)
     {
         c.p.death_params_6 = Flag(c, 1);
         c.p.death_params_6b = Flag(c, 2);
         for (int i = 0; i < 3; ++i)
             c.p.death_params_6_values[i] = c.L.Float(i + 3);
     }},
    {"death_params_created_mesh_name", [](Ctx& c) { RestText(c, c.p.death_params_created_mesh_name, 31); }},
    {"death_params_created_mesh_disappears",
     [](Ctx& c) { c.p.death_params_created_mesh_disappears = Flag(c, 1); }},
    {"death_params_time_to_disappear_created_mesh",
     [](Ctx& c) { c.p.death_params_time_to_disappear_created_mesh = c.L.Float(1); }},
    {"death_params_console_print",
     [](Ctx& c) { RestText(c, c.p.death_params_console_print, 254, "console_print"); }},
    {"death_params_FX_On_Hit", [](Ctx& c) { RestText(c, c.p.death_params_FX_On_Hit, 30); }},
    {"death_params_FX_On_Death", [](Ctx& c) { RestText(c, c.p.death_params_FX_On_Death, 30); }},
    {"death_params_FX_On_GroundHit", [](Ctx& c) { RestText(c, c.p.death_params_FX_On_GroundHit, 30); }},
    {"death_params_FX_In_HighestPoint", [](Ctx& c) { RestText(c, c.p.death_params_FX_In_HighestPoint, 30); }},
    {"death_params_remove_joints_when_dead", [](Ctx& c) { c.p.death_params_remove_joints_when_dead = 0; }},
    {"death_params_kill_if_player_closer_than", [](Ctx& c) { c.p.fKillIfPlayerCloserThan = c.L.Float(1); }},
    {"death_params_shake_screen", [](Ctx& c) { c.p.death_params_shake_screen = Flag(c, 1); }},
    {"death_params_kill_other_object_if_hp_less_than_object",
     [](Ctx& c) { Value1Text(c, c.p.death_params_kill_other_object_if_hp_less_than_object, 62); }},
    {"death_params_kill_other_object_if_hp_less_than_hp",
     [](Ctx& c) { c.p.death_params_kill_other_object_if_hp_less_than_hp = c.L.Float(1); }},
    {"death_params_sound_when_hit", [](Ctx& c) { c.p.death_params_sound_when_hit = Flag(c, 1); }},
    {"death_params_sound_name_when_hit",
     [](Ctx& c) { Value1Text(c, c.p.death_params_sound_name_when_hit, 253, "SoundWhenHitName"); }},
    {"death_params_activate_object_on_hit",
     [](Ctx& c) { Value1Text(c, c.p.death_params_activate_object_on_hit, 30, "ActivateObjectOnHit"); }},
    {"death_params_teleport_objects_here_use",
     [](Ctx& c) { c.p.death_params_teleport_objects_here_use = Flag(c, 1); }},
    {"death_params_teleport_objects_here_copy",
     [](Ctx& c) { c.p.death_params_teleport_objects_here_copy = Flag(c, 1); }},
    {"death_params_teleport_objects_here_list",
     [](Ctx& c)
     {
         const int index = c.L.Int(1);
         if (index < 0 || index >= DEATH_TELEPORT_LIST)
         {
             c.L.Refuse("teleport index out of 0..9", c.L.m_szKeyword);
             return;
         }
         c.L.CopyText("TeleportObjectsHere", 63, c.p.death_params_teleport_objects_here_list[index],
                      c.L.GetNthValue(c.L.m_pLine, 2));
     }},
    {"death_params_pane_crash_on", [](Ctx&) {}},
    {"death_params_physics_hit_teleported_objects_on",
     [](Ctx& c) { c.p.death_params_physics_hit_teleported_objects_on = Flag(c, 1); }},
    {"death_params_physics_hit_teleported_objects_hit_force",
     [](Ctx& c)
     {
         for (int i = 0; i < 3; ++i)
             c.p.death_params_physics_hit_teleported_objects_hit_force[i] = c.L.Float(i + 1);
     }},
    {"death_params_move_to_object_before_death_object",
     [](Ctx& c) { Value1Text(c, c.p.death_params_move_to_object_before_death_object, 62); }},
    {"death_params_move_to_object_before_death_speed",
     [](Ctx& c) { c.p.death_params_move_to_object_before_death_speed = c.L.Float(1); }},
};

constexpr std::string_view kDeathPrefix = "death_params_";

static_assert(AllKeysStartWith(kDeathKeys, kDeathPrefix));

// The table's entry for a keyword: one lookup instead of a compare with each
// key. Of two entries with the same key the first is found, as in the table.
const DeathKey* FindDeathKey(const char* keyword)
{
    static const std::unordered_map<std::string_view, const DeathKey*> byKey = []
    {
        std::unordered_map<std::string_view, const DeathKey*> keys;
        for (const DeathKey& k : kDeathKeys)
            keys.try_emplace(k.key, &k);
        return keys;
    }();
    const auto hit = byKey.find(keyword);
    return hit == byKey.end() ? nullptr : hit->second;
}
} // namespace

void EWorldMgr::ParseDeathParams(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    // Every death key has the prefix: other lines need no lookup.
    if (loader->m_iKeywordLength < kDeathPrefix.size() ||
        std::memcmp(loader->m_szKeyword, kDeathPrefix.data(), kDeathPrefix.size()) != 0)
        return;
    if (const DeathKey* found = FindDeathKey(loader->m_szKeyword))
    {
        const DeathKey& k = *found;
        loader->Key(k.key);
        D p;
        g_Engine.GetObjectDeathParams(object, &p);
        Ctx c{*loader, p};
        k.set(c);
        g_Engine.SetObjectDeathParams(object, &p);
        return;
    }
    loader->m_bMatch = 1;
    char detail[EWorldMgr::NOTE_TEXT_SIZE];
    std::snprintf(detail, sizeof detail, "%.40s of %.40s", loader->m_szKeyword, object->szName);
    loader->Refuse("unknown death key", detail);
}

void EWorldMgr::ParseObjectLights(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    const bool params = loader->Key("object_light_control_params");
    if (!params && !loader->Key("object_light_control2_light"))
        return;
    ELightControlParams r;
    g_Engine.GetObjectLightControl(object, &r);
    if (params)
    {
        r.bEnabled = loader->Flag(1) ? 1 : 0;
        r.bFlag2 = loader->Flag(2) ? 1 : 0;
    }
    else
    {
        const int index = loader->Int(1);
        if (index < 0 || index >= LIGHT_CONTROL_NAMES)
        {
            g_Console.Print("ERROR: blad w pliku *.w, zly numer swiatla na obiekt...");
            loader->Refuse("light number out of range", loader->m_szKeyword);
            return;
        }
        // A name of exactly 32 characters fills its slot without a terminator;
        // readers take each name as at most 32 characters.
        std::memset(r.szLights[index], 0, LIGHT_CONTROL_NAME_SIZE);
        std::strncpy(r.szLights[index], loader->GetNthValue(loader->m_pLine, 2), LIGHT_CONTROL_NAME_SIZE);
    }
    g_Engine.SetObjectLightControl(object, &r);
}

void EWorldMgr::ParseBezierStart(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    const bool name = loader->Key("bezier_moving_____start_node_name");
    const bool params0 = !name && loader->Key("bezier_moving_____params0");
    const bool params1 = !name && !params0 && loader->Key("bezier_moving_____params1");
    if (!name && !params0 && !params1)
        return;
    BezierFollowState s;
    g_Engine.GetObjectBezierFollowState(object, &s);
    if (name)
        loader->CopyText("start_bezier_node_name", BEZIER_NODE_NAME_SIZE, s.szStartNode,
                         loader->GetValue(loader->m_pLine));
    else if (params0)
    {
        s.iValue = static_cast<DWORD>(std::max(loader->Int(1), 0));
        s.bOn = loader->Flag(2) ? 1 : 0;
        s.dFirstVisitPause = loader->Float(3);
        s.dLaterVisitPause = loader->Float(4);
        // Each option byte is on only for exactly 1.
        s.bOption1 = loader->Int(5) == 1 ? 1 : 0;
        s.bOption2 = loader->Int(6) == 1 ? 1 : 0;
        s.bStopAtBlockers = loader->Int(7) == 1 ? 1 : 0;
    }
    else
    {
        s.bFlag1 = loader->Flag(1) ? 1 : 0;
        s.bFlag2 = loader->Flag(2) ? 1 : 0;
    }
    g_Engine.SetObjectBezierFollowState(object, &s);
}
