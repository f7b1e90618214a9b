// A mission script "scripts\quests\*.txt" as the game reads it at a level
// start: the same bytes are also the file its "#include" lines name, so the
// include path and the refused nested include run too. Every command's text
// fields must end inside their record, the ordinals must follow the file, and
// the state must go through the save section and back.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "game/QuestSystem.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{
template <size_t N> void CheckEnded(const char (&field)[N])
{
    if (strnlen(field, N) >= N)
        __builtin_trap();
}

void CheckCommand(const QuestCommand& c, DWORD index)
{
    if (c.code >= QuestSystem::COMMAND_COUNT || c.index != index)
        __builtin_trap();
    for (const auto* f : {&c.arg1, &c.arg2, &c.text, &c.comment, &c.objective, &c.waypoint,
                          &c.explosiveTarget, &c.bezier, &c.gotoTarget})
        CheckEnded(*f);
    for (const auto* f : {&c.cameraStart, &c.cameraDest, &c.cameraTarget, &c.phaseOnTarget, &c.movingAnim,
                          &c.arg3, &c.arg4, &c.arg5})
        CheckEnded(*f);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("scripts/quests/level.txt", data, size);
    fuzzinput::WriteInput("scripts/quests/inc.txt", data, size);
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\fuzz.w");
    g_QuestSystem.LoadScripts();
    g_QuestSystem.FreeCommands();
    g_QuestSystem.ReadFile("scripts\\quests\\level.txt");
    DWORD index = 0;
    for (const QuestCommand& c : g_QuestSystem.m_Commands)
        CheckCommand(c, index++);
    if (!g_QuestSystem.m_Commands.empty())
        g_QuestSystem.m_iCurrent = static_cast<int>(g_QuestSystem.m_Commands.size()) - 1;
    if (FILE* section = std::tmpfile())
    {
        const int current = g_QuestSystem.m_iCurrent;
        const bool saved = g_QuestSystem.Save(section);
        std::rewind(section);
        if (saved && (!g_QuestSystem.Load(section) || g_QuestSystem.m_iCurrent != current))
            __builtin_trap();
        std::fclose(section);
    }
    g_QuestSystem.Reset();
    std::error_code ignored;
    for (const char* log : {"!QSErrors.txt", "QSErrors.txt"})
        std::filesystem::remove(log, ignored);
    fuzzinput::RemoveLogs();
    return 0;
}
