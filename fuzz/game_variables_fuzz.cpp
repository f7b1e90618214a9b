// The variables' part of a save game, read from any bytes: it must end (at the
// closing byte or the end of the data), never read past what it was given and
// never keep more than the records it read.
#include "game/GameAI.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    g_GameAI.Init();
    g_GameAI.LoadVariables(file);
    std::fclose(file);
    // Whatever was read answers lookups.
    for (const strzmienne* v = g_GameAI.m_pVariables; v; v = v->older)
        g_GameAI.IsVariableSet(v->name);
    g_GameAI.FreeVariables();
    return 0;
}
