// The one-off preparation of every object once the world's objects exist (or
// when one is made during play): its place in the collision and segment
// tables, the gun of a weapon rack, an empty action record let go, what its
// actions will play loaded ahead, and the distances it disappears at. Also the
// light list of a mesh that switches lights.
#include "world/Engine.h"

#include "game/DialogueMgr.h"
#include "physics/HeliMgr.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/CollisionMgr.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionParams.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace
{
struct WeaponRack
{
    const char* rackFile; // found anywhere in the rack's file name, without regard to case
    const char* gunFile;
    const char* socket;
    BYTE m4;
};

const WeaponRack kWeaponRacks[] = {
    {"stojak_pkm.x", "prefabs\\bronie_static\\pkm_nocenter.x", "pkm", 0},
    {"stojak_hum_m4.x", "prefabs\\bronie_static\\m4_hum_nocenter.x", "m4", 1},
    {"stojak_hilux_pkm.x", "prefabs\\bronie_static\\pkm_hilux_nocenter.x", "pkm", 0},
};

constexpr const char* kGunNamePattern = "%s_g";
constexpr float kMountedGunValue = 1.0995574f;
constexpr const char* kVoiceFilePattern = "voices\\Dialogues\\%s.wav";

// Lights that would otherwise never disappear.
constexpr int kLightDisappearBelow = 2;
constexpr int kLightDisappearRange = 60;

// Small props with a body disappear by their size.
struct PropRange
{
    float radiusBelow;
    int range;
};
const PropRange kPropRanges[] = {{0.4f, 80}, {1.0f, 120}, {2.0f, 280}};

bool ActiveActions(const strObject& o)
{
    return o.pActionParams && o.pActionParams->dwEnabled;
}

bool ActiveDeath(const strObject& o)
{
    return o.pDeathParams && o.pDeathParams->bEnabled;
}

void AddRackGun(HOBJECT rack, const WeaponRack& kind)
{
    char name[OBJECT_NAME_SIZE];
    std::snprintf(name, sizeof name, kGunNamePattern, rack->szName);
    // A save game brings its racks back with their guns: one gun a rack.
    if (rack->szName[0] && g_Engine.FindObject(name, 0))
        return;
    const float position[3] = {rack->vPosition.x, rack->vPosition.y, rack->vPosition.z};
    HOBJECT gun = g_Engine.CreateObject(OT_MESH, kind.gunFile, OF_PHYSICS, 0, position, nullptr);
    if (!gun)
    {
        g_Console.Print4("Failed to add ", kind.gunFile, " for ", rack->szName);
        return;
    }
    if (rack->szName[0])
        g_Engine.SetObjectName(gun, name);
    EObjectActionParams p;
    p.dwEnabled = 1;
    p.action_general_opt = 1;
    p.mount_gun = 1;
    p.mounted_gun_value = kMountedGunValue;
    p.m4_gun = kind.m4;
    g_Engine.SetObjectActionParams(gun, &p);
    g_EngineObject.TieToSocket(gun, kind.socket, rack->szName);
}

void PreloadActionFiles(const EObjectActionParams& p)
{
    const char* sounds[] = {p.action_sounds_activate, p.action_sounds_deactivate};
    for (const char* s : sounds)
        if (s[0])
            g_Engine.PreloadFile(s, EEngine::PRELOAD_SOUND);
    const char* voices[] = {p.action_voice_hero0, p.action_voice_hero1};
    for (const char* v : voices)
    {
        if (!v[0])
            continue;
        char file[ACTION_LONG_NAME_SIZE + sizeof kVoiceFilePattern];
        std::snprintf(file, sizeof file, kVoiceFilePattern, v);
        g_Engine.PreloadFile(file, EEngine::PRELOAD_SOUND);
    }
    // The voices of the dialogues the record starts are loaded ahead.
    g_DialogueMgr.LoadDialogueVoices(p.action_start_dialogue0);
    g_DialogueMgr.LoadHeroDialogueVoices(p.action_start_hero_dialogue);
}
} // namespace

void EEngine::PrepareObject(HOBJECT o)
{
    if (!o || !o->bUsed || o->bPrepared)
        return;
    o->bPrepared = 1;
    // 1. The body came with the world's set-up (RespawnObjects); the tables
    // of the segment and collision tests take the object here.
    if (o->Type == OT_MESH)
        g_CollisionMgr.AddObject(o);
    if (o->Type == OT_MESH || o->Type == OT_SKINMESH)
        g_IntersectSegment.RegisterObject(o);
    // 2.
    if (o->Type == OT_MESH)
        for (const WeaponRack& rack : kWeaponRacks)
            if (ContainsNoCase(o->szFileName, rack.rackFile))
            {
                AddRackGun(o, rack);
                break;
            }
    // 3.
    if (o->pActionParams && !o->pActionParams->dwEnabled)
    {
        g_Console.Print2("Usuwam pusta akcje ", o->szName);
        SetObjectActionParams(o, nullptr);
    }
    else if (o->pActionParams)
        o->bSectorIndex = 0;
    // 4. Objects whose file names a helicopter definition become helicopters.
    g_HeliMgr.CreateHeli(o);
    if (o->pActionParams)
        PreloadActionFiles(*o->pActionParams);
    // 5.
    if (o->Type == OT_LIGHT && o->iDisappearRange < kLightDisappearBelow)
        o->iDisappearRange = kLightDisappearRange;
    if (o->Type == OT_MESH && o->pPhysicsBody && (o->dwFlags & OF_PHYSICS) && !ActiveActions(*o) &&
        !ActiveDeath(*o))
        for (const PropRange& r : kPropRanges)
            if (o->fRadius < r.radiusBelow)
            {
                o->iDisappearRange = r.range;
                break;
            }
    if (o->Type != OT_LIGHT && o->pLightControl)
        LinkControlledLights(o);
}

void EEngine::PrepareObjects()
{
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
        PrepareObject(&m_Objects[i]);
    // Objects that were prepared before (a save game read over a running
    // world) keep their collision record; the segment tables start afresh.
    for (strObject& o : m_Objects)
        if (o.bUsed && o.Type == OT_MESH)
            g_CollisionMgr.AddObject(&o);
    g_IntersectSegment.RebuildAll();
}

void EEngine::LinkControlledLights(HOBJECT o)
{
    if (!o || !o->bUsed || o->Type == OT_LIGHT)
        return;
    o->iNumLights = 0;
    for (HOBJECT& light : o->apLights)
        light = nullptr;
    const ELightControlParams* c = o->pLightControl;
    if (!c || !c->bEnabled)
        return;
    for (const auto& stored : c->szLights)
    {
        if (o->iNumLights >= static_cast<DWORD>(OBJECT_MAX_LIGHTS))
            break;
        // A name may fill its field without a terminator.
        char name[LIGHT_CONTROL_NAME_SIZE + 1] = {};
        std::memcpy(name, stored, LIGHT_CONTROL_NAME_SIZE);
        if (!name[0])
            continue;
        HOBJECT light = FindObject(name, 0);
        if (light && light->bUsed && light->Type == OT_LIGHT)
            o->apLights[o->iNumLights++] = light;
    }
}
