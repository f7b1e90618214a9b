// A level script "scripts\ai\*.txt" as the game reads it at its start, then
// the level chosen for the newest world it names, its actions prepared, and
// the script state written and read back as a save section. Every text field
// must end inside its record and every action chain must end.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "game/GameAI.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
template <size_t N> void CheckEnded(const char (&field)[N])
{
    if (strnlen(field, N) >= N)
        __builtin_trap();
}

void CheckRecord(const strakcje& r)
{
    for (const char* f : {r.name,
                          r.ifSet,
                          r.ifNotSet,
                          r.ifAlive,
                          r.ifDead,
                          r.ifShot,
                          r.ifHit,
                          r.ifAction,
                          r.ifPlayerSeenBy,
                          r.ifPlayerHas,
                          r.distanceMesh,
                          r.counterName,
                          r.intName,
                          r.setName,
                          r.unsetName,
                          r.incName,
                          r.decName,
                          r.phase,
                          r.phaseCharacter,
                          r.allPhase,
                          r.allPhaseCharacter,
                          r.cutscene,
                          r.killObject,
                          r.killCharacter,
                          r.corpseCharacter,
                          r.animObject,
                          r.animName,
                          r.rocketLauncher,
                          r.rocketTarget,
                          r.attachObject,
                          r.attachTarget,
                          r.attachSocket,
                          r.objectAction})
        if (strnlen(f, AI_NAME_SIZE) >= AI_NAME_SIZE)
            __builtin_trap();
    CheckEnded(r.distanceCharacter);
    CheckEnded(r.startWorld);
    CheckEnded(r.printText);
    CheckEnded(r.subtitle0);
    CheckEnded(r.subtitle1);
    CheckEnded(r.sound);
    CheckEnded(r.ambientSound);
    CheckEnded(r.music);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("scripts/ai/level.txt", data, size);
    g_GameAI.Init();
    int records = 0;
    for (const strai* l = g_GameAI.m_pLevels; l; l = l->older)
    {
        CheckEnded(l->name);
        CheckEnded(l->displayName);
        CheckEnded(l->levelMusic);
        CheckEnded(l->loadingScreen);
        for (const strakcje* a = l->actions; a; a = a->older, ++records)
            CheckRecord(*a);
    }
    // Chains follow the file: none is longer than the records there are.
    for (const strai* l = g_GameAI.m_pLevels; l; l = l->older)
        for (const strakcje* a = l->actions; a; a = a->older)
        {
            int steps = 0;
            for (const strakcje* r = a; r; r = r->next)
                if (++steps > records)
                    __builtin_trap();
        }
    if (g_GameAI.m_pLevels)
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", g_GameAI.m_pLevels->name);
    g_GameAI.SelectLevel();
    g_GameAI.PrepareActions();
    g_GameAI.HasAIEntry("guard");
    if (FILE* section = std::tmpfile())
    {
        const bool saved = g_GameAI.Save(section);
        std::rewind(section);
        if (saved && !g_GameAI.Load(section))
            __builtin_trap();
        std::fclose(section);
    }
    g_GameAI.FreeScripts();
    g_GameAI.FreeVariables();
    g_Engine.m_szWorld[0] = 0;
    fuzzinput::RemoveLogs();
    return 0;
}
