// The respawner data reader on arbitrary bytes: the bytes are the ".gen" file
// of a world with two respawners (lights, so no device is needed).
#include "platform/win32/Path.h"
#include "world/Engine.h"
#include "world/ObjectActionParams.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr const char* WORLD = "r.w";
constexpr const char* DATA = "r.w.gen";
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", WORLD);
    for (const char* name : {"spawner", "gate"})
    {
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        if (!o)
            std::abort();
        g_Engine.SetObjectName(o, name);
        EObjectActionParams p;
        p.dwEnabled = 1;
        std::snprintf(p.action_respawn_character_name, sizeof p.action_respawn_character_name, "%s",
                      "soldier");
        g_Engine.SetObjectActionParams(o, &p);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = TkFopen(DATA, "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    g_Engine.LoadRespawners();
    return 0;
}
