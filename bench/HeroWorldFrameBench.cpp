// The game's frame with the hero in the demo world: from his start he walks
// in a wide circle with the rifle in hand, the trigger held (bullets, impacts,
// marks and reloads), while the world is drawn. What is asked of it is the CPU
// the frame costs outside the GL calls on one core: the engine's and the
// game's update (hero, physics, weapons, bullets, effects, objects) and the
// renderer's lists, each timed on the calling thread. The whole frame's thread
// CPU (GL calls included, the rasteriser's own threads not) and wall time are
// reported beside them, with the share of the frame the update takes.
#include "bench/Harness.h"
#include "bench/DemoGame.h"
#include "game/QuestSystem.h"
#include "player/Player.h"
#include "render/LensFlare.h"
#include "render/Renderer.h"
#include "shell/Mouse.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "world/Camera.h"

#include <benchmark/benchmark.h>

#include <ctime>

namespace
{
using benchgame::DemoGame;
constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr DWORD kInputFrame = 245; // the hero takes input from level frame 240
constexpr double kTurnPerFrame = 0.01;
constexpr double kGoalMs = 3.0;

double ThreadSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The frame loop's pass, split: the update half and the drawing half timed apart.
struct Split
{
    double update = 0.0;
    double render = 0.0;
};

Split Frame(MSG& msg)
{
    Split s;
    const uint32_t end = TkFrameCount() + 1;
    for (int i = 0; TkFrameCount() < end && i < benchgame::kGuard; ++i)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (!g_FocusMgr.Check() || !g_Engine.Tick())
            continue;
        const double t0 = ThreadSeconds();
        g_Engine.Update();
        g_MainGame.Update();
        g_LensFlare.Update();
        const double t1 = ThreadSeconds();
        if (g_MainGame.m_bWorldActive || g_Menu.m_bMenuActive)
            g_D3DMain.Render();
        if (g_LoadingScreen.m_bActive)
            g_LoadingScreen.Render();
        s.update += t1 - t0;
        s.render += ThreadSeconds() - t1;
    }
    return s;
}

// The renderer's CPU share of a frame: the visibility and shadow lists, the
// frame texture lists and the lighting constants, without drawing.
double ListSeconds()
{
    const double t0 = ThreadSeconds();
    g_Renderer.ResetViewCache();
    g_Engine.BuildSkyShadowLists();
    g_Renderer.BuildRenderLists();
    g_Renderer.UpdateLightingConstants();
    benchmark::DoNotOptimize(g_Renderer.m_pMeshTextures[0]);
    return ThreadSeconds() - t0;
}

void BM_HeroDemoWorldFrame(benchmark::State& state)
{
    DemoGame game(kWidth, kHeight, "tk-bench-hero");
    for (int i = 0; g_MainGame.m_iLevelFrame < kInputFrame && i < benchgame::kGuard; ++i)
        game.Pass();
    const TkKey forward = TkKeyFromName("W");
    TkInjectKeyScan(forward.vk, forward.scan, true);
    TkInjectMouseButton(0, true);
    const int shotsBefore = g_QuestSystem.m_iPlayerShots;
    double update = 0.0, render = 0.0, lists = 0.0, wall = 0.0;
    int64_t frames = 0;
    for (auto _ : state)
    {
        g_Mouse.m_State.x += kTurnPerFrame;
        const auto start = std::chrono::steady_clock::now();
        const Split s = Frame(game.msg);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        update += s.update;
        render += s.render;
        lists += ListSeconds();
        ++frames;
    }
    TkInjectMouseButton(0, false);
    TkInjectKeyScan(forward.vk, forward.scan, false);
    game.Pass();
    const double n = frames > 0 ? static_cast<double>(frames) : 1.0;
    const double outsideGl = (update + lists) / n * 1e3;
    state.counters["update_cpu_ms"] = update / n * 1e3;
    state.counters["render_lists_cpu_ms"] = lists / n * 1e3;
    state.counters["outside_gl_cpu_ms"] = outsideGl;
    state.counters["outside_gl_to_goal"] = outsideGl / kGoalMs;
    state.counters["frame_thread_cpu_ms"] = (update + render) / n * 1e3;
    state.counters["update_share_of_frame"] = update + render > 0.0 ? update / (update + render) : 0.0;
    state.counters["frame_wall_ms"] = wall / n * 1e3;
    state.counters["bullets_fired"] = double(g_QuestSystem.m_iPlayerShots - shotsBefore);
    state.counters["hero_moved"] = Player.m_vPosition.x != worldgen::DEMO_START[0] ? 1.0 : 0.0;
}
TK_BENCHMARK(BM_HeroDemoWorldFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
} // namespace
