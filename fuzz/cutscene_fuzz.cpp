// The cut-scene scripts, read from any bytes: the read must end, keep every
// list within its room and every slot within 0 to 31, and free all it made.
// Each scene read is then played for a few frames without a world, as the
// console would start it: playback reads every list, slot and time.
#include "fuzz/FuzzInput.h"

#include "game/CutScene.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("scripts/cutscenes/fuzz.txt", data, size);
    g_CutScene.LoadAll();
    for (const strscene* s = g_CutScene.m_pScenes; s; s = s->next)
    {
        g_CutScene.FindScene(s->name);
        for (const strphase* p = s->phases; p; p = p->next)
        {
            CCutScene::FindPhase(s, p->name);
            if (p->actorFxCount > CUTSCENE_ACTOR_FX_USED || p->shotCount > CUTSCENE_SHOTS_USED)
                std::abort();
            for (int i = 0; i < p->actorFxCount; ++i)
                if (p->actorFx[i].actor < 0 || p->actorFx[i].actor >= CUTSCENE_ACTORS)
                    std::abort();
            for (int i = 0; i < p->killCount; ++i)
                if (p->kills[i].victim < 0 || p->kills[i].killer >= CUTSCENE_ACTORS)
                    std::abort();
        }
    }
    constexpr int kFrames = 8;
    constexpr float kFrameTime = 0.7f;
    for (const strscene* s = g_CutScene.m_pScenes; s; s = s->next)
    {
        g_CutScene.Start(s->name);
        for (int frame = 0; frame < kFrames && g_CutScene.Running(); ++frame)
        {
            g_Engine.m_fDeltaTime = kFrameTime;
            g_CutScene.RunPhase();
            if (g_CutScene.Running())
                CCutScene::PlanOverlay(*g_CutScene.m_pPhase, g_CutScene.m_fPhaseTime);
        }
        g_CutScene.ReleaseLevel();
    }
    g_Engine.m_bQuit = 0;
    g_Engine.m_bWorldChange = 0;
    g_Engine.m_szNextWorld[0] = 0;
    g_CutScene.FreeScenes();
    fuzzinput::RemoveLogs();
    return 0;
}
