// The world-file reader on arbitrary bytes: the bytes are a world file in the
// current folder, beside one small mesh the file may name ("m.x"), loaded on
// the headless device. Every object it makes is deleted again before the next
// input.
#include "fuzz/WorldFuzz.h"
#include "render/SkyLight.h"
#include "world/Engine.h"
#include "world/WorldMgr.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr const char* WORLD = "f.w";
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartWorldFuzzDevice("WorldFuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzWorld(WORLD, data, size);
    g_WorldMgr.LoadWorld(WORLD);
    if (g_WorldMgr.m_iErrorCount < 0 || g_WorldMgr.m_iErrorCount > EWorldMgr::MAX_ERROR_LINES)
        std::abort();
    Env.DeleteSkyMesh();
    g_Engine.DeleteAllObjects();
    if (g_Engine.GetObjectCount() != 0)
        std::abort();
    return 0;
}
