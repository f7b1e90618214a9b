// The ground dust's grid cache "<world>.dst", read from any bytes: a cache
// is used only when its counts fit its length, and the leaves then walk the
// grid for a few frames without reading past it.
#include "fuzz/FuzzInput.h"

#include "environment/Dust.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\fuzz.w");
    fuzzinput::WriteInput("worlds/fuzz.w.dst", data, size);
    g_Options.DrawDust = 1;
    EDust dust;
    dust.Init();
    if (dust.m_bReady && dust.m_iSzer > 0)
    {
        // The camera over the grid's first point, so that leaves are born on it.
        const DV& p = dust.Point(0, 0);
        g_Camera.SetPosition(D3DXVECTOR3(p.x, p.y + 2.0f, p.z + 30.0f));
        g_Engine.m_fDeltaTime = 0.25f;
        for (int frame = 0; frame < 8; ++frame)
            dust.Update();
    }
    dust.Release();
    fuzzinput::RemoveLogs();
    return 0;
}
