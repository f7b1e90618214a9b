// The object name prefixes ("save\NamePrefixes.cfg"), on any bytes: each
// prefix read is a terminated string that fits its field.
#include "FuzzInput.h"

#include "world/Engine.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("save/NamePrefixes.cfg", data, size);
    g_Engine.LoadNamePrefixes();
    for (BYTE type : {OT_MESH, OT_SKINMESH, OT_LIGHT, OT_SPRITE})
        if (strnlen(g_Engine.GetNamePrefix(type), EEngine::NAME_PREFIX_SIZE) >= EEngine::NAME_PREFIX_SIZE)
            __builtin_trap();
    fuzzinput::RemoveLogs();
    return 0;
}
