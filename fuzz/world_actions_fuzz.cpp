// Object actions on arbitrary world files: the bytes are a world file in the
// current folder, beside one small mesh the file may name ("m.x"), loaded on
// the headless device; then every object's actions are run, by the scripts
// and by the hero, and a few frames of the object logic carry the runs on
// (moves, turns, door swings, hand-ons, delayed deaths). Every object is
// deleted again before the next input.
#include "fuzz/WorldFuzz.h"
#include "render/SkyLight.h"
#include "game/MainGame.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/WorldMgr.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr const char* WORLD = "f.w";
constexpr int FRAMES = 8;
constexpr float FRAME_SECONDS = 0.25f;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartWorldFuzzDevice("WorldActionsFuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteFuzzWorld(WORLD, data, size);
    if (g_WorldMgr.LoadWorld(WORLD))
    {
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
        {
            HOBJECT o = g_Engine.GetObjectBySlot(i);
            if (o && o->bUsed)
            {
                g_EngineObject.RunActions(o, 0);
                g_EngineObject.RunActions(o, 1);
            }
        }
        for (int frame = 0; frame < FRAMES; ++frame)
        {
            g_Engine.m_fDeltaTime = FRAME_SECONDS;
            g_EngineObject.Update();
            g_Engine.DeletePendingObjects();
        }
        g_Engine.m_bWorldLoaded = 0;
    }
    g_EngineObject.Release();
    Env.DeleteSkyMesh();
    g_Engine.DeleteAllObjects();
    if (g_Engine.GetObjectCount() != 0)
        std::abort();
    return 0;
}
