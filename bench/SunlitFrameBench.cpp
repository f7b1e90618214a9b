// The sun-lit world's frame. The demo world at 1280 x 720 in the Fast order,
// whole frames through the main loop (frames per second), with the frame's
// time split between the cascade, the scene passes and the present by running
// the same frame without each part. Then the engine's own work per frame for
// a world filled with mesh objects: the visibility lists, the frame texture
// lists and the objects' matrices and effect constants, without drawing.
#include "bench/Harness.h"
#include "bench/DemoGame.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "render/Renderer.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "tests/support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "ui/LoadingScreen.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace
{
using benchgame::DemoGame;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kSplitFrames = 20;

void BM_SunlitDemoWorldFastFrame(benchmark::State& state)
{
    DemoGame game(kWidth, kHeight);
    int64_t frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        // The camera walking: the wide cascade is drawn again every frame.
        g_SkyShadow.m_bRendered[1] = 0;
        game.Pass();
        ++frames;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
        double(frames);
    // The split: the same frame with the cascade kept, then without the scene.
    const double still = game.FrameMs(kSplitFrames, false);
    g_Options.DrawSky = 0;
    const double noSky = game.FrameMs(kSplitFrames, false);
    g_Options.DrawTerrain = 0;
    const double noTerrain = game.FrameMs(kSplitFrames, false);
    g_Options.DrawTerrain = 1;
    g_Options.DrawSkylightLitObjects = 0;
    const double bare = game.FrameMs(kSplitFrames, false);
    g_Options.DrawSkylightLitObjects = 1;
    g_Options.DrawSky = 1;
    state.counters["sky_ms"] = still - noSky;
    state.counters["terrain_ms"] = noSky - noTerrain;
    state.counters["frames_per_second"] = ms > 0.0 ? 1000.0 / ms : 0.0;
    state.counters["frame_ms"] = ms;
    state.counters["cascade_ms"] = ms - still;
    state.counters["scene_passes_ms"] = still - bare;
    state.counters["present_and_rest_ms"] = bare;
}
TK_BENCHMARK(BM_SunlitDemoWorldFastFrame)->Unit(benchmark::kMillisecond)->Iterations(60);

// The engine's CPU work per frame over a table full of mesh objects: the
// visibility and shadow lists, the frame texture lists and the objects'
// matrices and effect constants.
void BM_SunlitFrameCpuFullTable(benchmark::State& state)
{
    DemoGame game(kWidth / 4, kHeight / 4);
    const char* const meshes[] = {"meshes\\demo\\crate.x", "meshes\\demo\\barrel.x", "meshes\\demo\\house.x"};
    constexpr float kSpacing = 6.0f;
    constexpr int kRow = 60;
    int added = 0;
    for (int i = 0; g_Engine.GetObjectCount() < DWORD(MAX_MESH_OBJECTS) && i < MAX_MESH_OBJECTS; ++i)
    {
        const float position[3] = {float(i % kRow - kRow / 2) * kSpacing, 0.0f, float(i / kRow) * kSpacing};
        if (g_Engine.CreateObject(OT_MESH, meshes[i % 3], 13, 0, position, nullptr))
            ++added;
    }
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 8.0f, -20.0f));
    g_Camera.UpdateView();
    for (auto _ : state)
    {
        g_Renderer.ResetViewCache();
        g_Engine.BuildSkyShadowLists();
        g_Renderer.UpdateTime();
        g_Renderer.BuildRenderLists();
        g_Renderer.UpdateLightingConstants();
        benchmark::DoNotOptimize(g_Renderer.m_pMeshTextures[0]);
    }
    state.counters["objects"] = double(g_Engine.GetObjectCount());
    state.counters["added"] = double(added);
}
TK_BENCHMARK(BM_SunlitFrameCpuFullTable)->Unit(benchmark::kMillisecond);
} // namespace
