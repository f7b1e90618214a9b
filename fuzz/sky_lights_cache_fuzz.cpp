// The baked sky lights' cache "<world>.def", read from any bytes: a cache is
// taken only whole, and what it brings is picked near the camera without
// reading past the tables.
#include "fuzz/FuzzInput.h"

#include "render/SkyLights.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("worlds/fuzz.w.def", data, size);
    g_Options.DrawVPL = 1;
    // Remembers the world's name; no "skylight" object exists, so a refused
    // cache is replaced by empty tables.
    g_SkyLights.LoadForWorld("worlds\\fuzz.w");
    if (g_SkyLights.m_dwCountA >= MAX_MERGED_SKY_LIGHTS || g_SkyLights.m_dwCountB >= MAX_MERGED_SKY_LIGHTS)
        std::abort();
    if (g_SkyLights.m_dwCountA)
        g_Camera.SetPosition(g_SkyLights.m_LightsA[0].vPosition);
    g_SkyLights.PickLights();
    if (g_SkyLights.m_dwPickedCount > MAX_PICKED_SKY_LIGHTS)
        std::abort();
    g_SkyLights.Release();
    fuzzinput::RemoveLogs();
    return 0;
}
