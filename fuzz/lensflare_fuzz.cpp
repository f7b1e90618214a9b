// The lens flare's definition file as a world start reads it: any bytes as
// "scripts\lensflare\demo.txt", then a few frames of the flare looking at the
// sun and a world reset. The flares' textures are missing here, so every
// entry takes the missing-texture path after its lines are read.

#include "FuzzInput.h"

#include "render/LensFlare.h"
#include "render/SkyLight.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace
{
constexpr const char* kFile = "scripts/lensflare/demo.txt";
constexpr int kFrames = 3;

bool Prepare()
{
    fuzzinput::StartLogging();
    const D3DVECTOR away = {0.2f, -0.3f, -1.0f};
    Env.SetLensFlareDirection(&away);
    g_Engine.m_fDeltaTime = 0.1f;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Prepare();
    (void)ready;
    fuzzinput::WriteInput(kFile, data, size);
    std::snprintf(g_LensFlare.m_szDefinitionFile, sizeof g_LensFlare.m_szDefinitionFile, "%s",
                  "scripts\\lensflare\\demo.txt");
    g_LensFlare.Load();
    for (int i = 0; i < kFrames; ++i)
    {
        g_LensFlare.Update();
        if (!std::isfinite(g_LensFlare.m_fOverlayFade))
            __builtin_trap();
    }
    g_LensFlare.Release();
    fuzzinput::RemoveLogs();
    return 0;
}
