// The showcase of the demo world at 1280 x 720 in the Realistic order, from
// its marker: whole frames with the pond, fence, windows, tree, grass, glows,
// shaft, lava, the lamp's cube shadows and the real-time water images, against
// the same frames with the showcase's objects hidden and those options off,
// in one run. Then the late passes alone: the CPU cost of each per drawn
// subset (to set against BM_EffectSetMatrixCommitDraw's per-draw figure of
// the same run), and one cube shadow drawn again.
#include "bench/Harness.h"
#include "bench/DemoGame.h"
#include "render/Renderer.h"
#include "render/ShadowCubeMaps.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace
{
using benchgame::DemoGame;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrames = 12;
constexpr int kPassRuns = 50;

std::vector<HOBJECT> ShowcaseObjects()
{
    std::vector<HOBJECT> out;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && (std::strncmp(o.szName, "showcase", 8) == 0 || std::strcmp(o.szName, "water") == 0))
            out.push_back(&o);
    return out;
}

void HoldAtShowcase()
{
    if (HOBJECT marker = g_Engine.FindObject(worldgen::DEMO_SHOWCASE, 0))
        g_Engine.ForceCameraToLook(marker, nullptr);
}

double Ms(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_SunlitShowcaseFrame(benchmark::State& state)
{
    g_Options.PostProcessOff = 0;
    g_Options.VideoOptionD = 1;
    g_Options.VideoOptionA = 1;
    DemoGame game(kWidth, kHeight);
    // The demo game starts in the Fast order; the showcase is measured in the Realistic one.
    g_Options.PostProcessOff = 0;
    HoldAtShowcase();
    game.FrameMs(2, false);
    const std::vector<HOBJECT> showcase = ShowcaseObjects();
    double on = 0.0, off = 0.0;
    for (auto _ : state)
    {
        g_Options.VideoOptionD = g_Options.VideoOptionA = 1;
        for (HOBJECT o : showcase)
            o->dwFlags |= 1;
        // Every frame draws the lamp's cube again, as a moving caster would make it.
        g_ShadowCubeMaps.m_bForceRegeneration = 1;
        on += game.FrameMs(kFrames, false);
        g_Options.VideoOptionD = g_Options.VideoOptionA = 0;
        for (HOBJECT o : showcase)
            o->dwFlags &= ~DWORD(1);
        off += game.FrameMs(kFrames, false);
    }
    for (HOBJECT o : showcase)
        o->dwFlags |= 1;
    const double runs = double(state.iterations());
    state.counters["with_passes_ms"] = on / runs;
    state.counters["without_ms"] = off / runs;
    state.counters["ratio"] = off > 0.0 ? on / off : 0.0;

    // The late passes by themselves, inside a scene, per drawn subset; the
    // lights are chosen again meanwhile. Between frames the engine's view
    // marks are cleared, so the showcase's objects are marked in view again.
    g_Options.VideoOptionD = g_Options.VideoOptionA = 1;
    game.FrameMs(60, false);
    for (HOBJECT o : showcase)
        g_Renderer.ObjectFrame(o).m_bVisible = 1;
    IDirect3DDevice9* d = g_pD3DInterface;
    struct Timed
    {
        const char* name;
        void (ERenderer::*pass)();
    };
    const Timed passes[] = {{"cutout", &ERenderer::RenderSceneTransparentSkyLight},
                            {"grass", &ERenderer::RenderGrassSkyLight},
                            {"trees", &ERenderer::RenderTreesSkyLight},
                            {"translucent", &ERenderer::RenderTranslucentSkyLight},
                            {"additive", &ERenderer::RenderSceneAdditive},
                            {"water", &ERenderer::RenderSceneAmbientWaterReflection},
                            {"lava", &ERenderer::RenderSceneAmbientLava}};
    for (const Timed& t : passes)
    {
        d->BeginScene();
        const DWORD before = TkD3D9GetDrawCount(d, TkFrame::Current);
        (g_Renderer.*t.pass)();
        const DWORD subsets = TkD3D9GetDrawCount(d, TkFrame::Current) - before;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPassRuns; ++i)
            (g_Renderer.*t.pass)();
        const double ms = Ms(start);
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
        state.counters[std::string(t.name) + "_us_per_subset"] =
            subsets ? ms * 1000.0 / (double(kPassRuns) * double(subsets)) : 0.0;
    }
    // One cube shadow drawn again (six faces).
    if (HOBJECT light = g_Engine.FindObject("showcase_light", 0))
    {
        const int slot = g_ShadowCubeMaps.SlotOf(light);
        if (slot != CShadowCubeMaps::NO_SLOT)
        {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kPassRuns; ++i)
                g_ShadowCubeMaps.GenerateCubeShadow(slot);
            state.counters["cube_ms"] = Ms(start) / kPassRuns;
            state.counters["cube_casters"] = double(g_ShadowCubeMaps.m_iCasterCount[slot]);
        }
    }
}
TK_BENCHMARK(BM_SunlitShowcaseFrame)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
