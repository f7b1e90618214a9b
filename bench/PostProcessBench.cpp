// The post-process chain's cost. The demo world at 1280 x 720, whole frames
// through the main loop: the Realistic order with the chain against the Fast
// order in the same run, the chain's stages split by running the same frame
// without each (AO, the deferred point lights, the whole chain); and the
// chain against twelve blended full-screen quads drawn with bare GL on the
// same device at the same size.
#include "bench/DemoGame.h"
#include "bench/Harness.h"
#include "platform/d3d9/BareGl.h"
#include "render/PostProcess.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace
{
using benchgame::DemoGame;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrames = 12;
constexpr int kQuads = 12;

void SetLamps(bool on)
{
    for (int slot = FIRST_LIGHT_SLOT; slot < g_Engine.m_iHighLight && slot < MAX_OBJECTS; ++slot)
        g_Engine.m_Objects[slot].bLightOff = on ? 0 : 1;
}

void BM_PostProcessRealisticAgainstFast(benchmark::State& state)
{
    DemoGame game(kWidth, kHeight, "tk-bench-postprocess");
    double fast = 0, realistic = 0, forward = 0, noAO = 0, noLights = 0, quads = 0;
    for (auto _ : state)
    {
        g_Options.PostProcessOff = 1;
        game.FrameMs(2, false);
        fast = game.FrameMs(kFrames, false);
        g_Options.PostProcessOff = 0;
        game.FrameMs(2, false);
        realistic = game.FrameMs(kFrames, false);
        // The same Realistic frame with parts of the chain left out.
        g_Options.AOEnable = 0;
        noAO = game.FrameMs(kFrames, false);
        g_Options.AOEnable = 1;
        SetLamps(false);
        noLights = game.FrameMs(kFrames, false);
        SetLamps(true);
        PostProcess.m_bEnabled = 0;
        forward = game.FrameMs(kFrames, false);
        PostProcess.m_bEnabled = 1;

        // The yardstick: twelve blended full-screen quads of bare GL.
        TkBareGlScene* bare = TkBareGlCreate(g_pD3DInterface, kWidth, kHeight);
        if (bare)
        {
            TkBareGlBlendedQuad(bare);
            TkBareGlFinish(g_pD3DInterface);
            const auto start = std::chrono::steady_clock::now();
            for (int f = 0; f < kFrames; ++f)
            {
                for (int q = 0; q < kQuads; ++q)
                    TkBareGlBlendedQuad(bare);
                TkBareGlFinish(g_pD3DInterface);
            }
            quads =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
                kFrames;
            TkBareGlDestroy(bare);
        }
    }
    const double chain = realistic - forward;
    state.counters["fast_frame_ms"] = fast;
    state.counters["realistic_frame_ms"] = realistic;
    state.counters["ratio_realistic_to_fast"] = fast > 0.0 ? realistic / fast : 0.0;
    state.counters["chain_ms"] = chain;
    state.counters["ao_ms"] = realistic - noAO;
    state.counters["deferred_lights_ms"] = realistic - noLights;
    // The G-buffer, the sun pass, HDR, flare and composite together.
    state.counters["gbuffer_sun_hdr_flare_composite_ms"] =
        chain - (realistic - noAO) - (realistic - noLights);
    state.counters["twelve_bare_quads_ms"] = quads;
    state.counters["ratio_chain_to_twelve_quads"] = quads > 0.0 ? chain / quads : 0.0;
}
TK_BENCHMARK(BM_PostProcessRealisticAgainstFast)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace
