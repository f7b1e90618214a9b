// The placed objects of a world, "<world>.om", read from any bytes: a file
// whose counts do not fit its length is refused, and an accepted one goes
// through an instance pass and a sprite rebuild without reading past it.
#include "fuzz/FuzzInput.h"

#include "world/Engine.h"
#include "world/ObjectMgr.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("worlds/fuzz.w.om", data, size);
    if (g_ObjectMgr.LoadOm("worlds\\fuzz.w"))
    {
        // Once near everything (no mesh files exist, so no object is made) and once far.
        g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_ObjectMgr.PlaceCells();
        g_ObjectMgr.RebuildSprites(D3DXVECTOR3(1000.0f, 0.0f, 0.0f));
    }
    g_ObjectMgr.Reset();
    fuzzinput::RemoveLogs();
    return 0;
}
