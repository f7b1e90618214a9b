// EEngine: the respawner data of a world, a text file beside the world file
// ("%s.gen") that keeps, for every respawner, the waypoint path and place its
// characters start from, so the path manager searches for them once per world.
#include "world/Engine.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <string>

namespace
{
constexpr int kLineChars = 256;
constexpr const char* kExtension = ".gen";

std::string DataFile()
{
    return std::string(g_Engine.m_szWorld) + kExtension;
}

bool IsRespawner(const strObject& o)
{
    return o.bUsed && o.pActionParams && o.pActionParams->action_respawn_character_name[0];
}

int Number(const char* text)
{
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

// A respawner with its path and its place cached; one without says what it misses.
bool CachedWhole(const strObject& o)
{
    if (!o.bRespawnCached)
        g_Console.Print2(o.szName, " nie skeszowal sciezek!");
    else if (o.iRespawnPlace < 0)
        g_Console.Print2(o.szName, "nie ma skeszowanego miejsca!");
    return o.bRespawnCached && o.iRespawnPlace >= 0;
}
} // namespace

bool EEngine::RespawnerDataExists()
{
    FILE* f = TkFopen(DataFile().c_str(), "r");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

void EEngine::CacheRespawners()
{
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = m_Objects[i];
        if (!IsRespawner(o))
            continue;
        ActionCalls::PreloadCharacterSounds(o.pActionParams->action_respawn_character_name);
        o.bRespawnCached = ActionCalls::PathCacheNearest(&o) ? 1 : 0;
    }
}

void EEngine::SaveRespawners()
{
    const std::string name = DataFile();
    // Without a record to keep, no file is written at all (the caching runs
    // again at the next start).
    bool any = false;
    for (int i = 0; i < NAMED_OBJECT_SLOTS && !any; ++i)
        any = IsRespawner(m_Objects[i]) && m_Objects[i].bRespawnCached && m_Objects[i].iRespawnPlace >= 0;
    if (!any)
    {
        for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
            if (IsRespawner(m_Objects[i]))
                CachedWhole(m_Objects[i]);
        return;
    }
    FILE* f = TkFopen(name.c_str(), "w");
    if (!f)
    {
        AppendLogLine("Failed to save respawner data!");
        return;
    }
    int written = 0;
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        const strObject& o = m_Objects[i];
        if (!IsRespawner(o) || !CachedWhole(o))
            continue;
        std::fprintf(f, "%.255s\n%i\n%i\n%i\n%i\n", o.szName, o.iRespawnPath[0], o.iRespawnPath[1],
                     o.iRespawnPath[2], o.iRespawnPlace);
        ++written;
    }
    std::fclose(f);
    // No record: no file, so the caching runs again at the next start.
    if (!written)
    {
        std::error_code error;
        std::filesystem::remove(TkResolvePath(name.c_str()), error);
    }
}

void EEngine::LoadRespawners()
{
    FILE* f = TkFopen(DataFile().c_str(), "r");
    if (!f)
    {
        AppendLogLine("Failed to load respawner data!");
        return;
    }
    constexpr int kRecordLines = 5;
    char lines[kRecordLines][kLineChars + 1];
    for (;;)
    {
        // A record cut short by the end of the file is not read.
        bool whole = true;
        for (int l = 0; l < kRecordLines && whole; ++l)
        {
            if (std::feof(f))
                whole = false;
            else
                ReadLine(f, lines[l], kLineChars);
        }
        if (!whole || (std::feof(f) && !lines[0][0]))
            break;
        HOBJECT o = FindObject(lines[0], 0);
        if (!o)
        {
            if (lines[0][0])
                g_Console.Print2("Nie znalazlem respawnera ", lines[0]);
            continue;
        }
        const int ids[3] = {Number(lines[1]), Number(lines[2]), Number(lines[3])};
        o->bRespawnCached = 0;
        if (!ActionCalls::PathFindById(ids))
        {
            g_Console.Print2(o->szName, " ma zapisany zly path respawnu!");
            continue;
        }
        if (!ActionCalls::PathFindPlace(ids, Number(lines[4])))
        {
            g_Console.Print2(o->szName, " ma zapisany zly place respawnu!");
            continue;
        }
        o->iRespawnPath[0] = ids[0];
        o->iRespawnPath[1] = ids[1];
        o->iRespawnPath[2] = ids[2];
        o->iRespawnPlace = Number(lines[4]);
        o->bRespawnCached = 1;
        if (o->pActionParams)
            ActionCalls::PreloadCharacterSounds(o->pActionParams->action_respawn_character_name);
    }
    std::fclose(f);
}

void EEngine::StepRespawnerData()
{
    if (RespawnerDataExists())
        LoadRespawners();
    else
    {
        CacheRespawners();
        SaveRespawners();
    }
}
