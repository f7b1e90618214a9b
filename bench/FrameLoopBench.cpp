// One pass of the frame loop with an empty world, against a bare message loop
// (the same PeekMessageA pass with no frame behind it), reported as a ratio.
#include "bench/Harness.h"
#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/WinMain.h"
#include "tests/support/GameWindow.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
struct HeadlessGame
{
    HeadlessGame()
    {
        previous = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() / ("tk-frameloop-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        OpenGameWindow("Bench", 800, 600);
        CreateGameDevice();
        g_FocusMgr.Activate();
        g_Engine.StartWorld("worlds\\empty.w");
        TkHeadlessSetFrameStepMs(16.0);
    }
    ~HeadlessGame()
    {
        g_D3DMain.Shutdown();
        SAFE_RELEASE(g_pD3D);
        DestroyWindow(g_hWnd);
        // Out of the folder before it goes.
        std::error_code ec;
        std::filesystem::current_path(previous, ec);
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path previous;
    std::filesystem::path dir;
};

// Runs loop passes until one frame (idle pass) has gone by.
void OneFramePass(MSG& msg)
{
    const uint32_t frame = TkFrameCount();
    while (TkFrameCount() == frame)
        RunLoopPass(msg);
}

double BareLoopNanoseconds()
{
    MSG msg = {};
    constexpr int kPasses = 200000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPasses; ++i)
        benchmark::DoNotOptimize(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / kPasses;
}

void BM_FrameLoopPassEmptyWorld(benchmark::State& state)
{
    HeadlessGame game;
    MSG msg = {};
    const double bare = BareLoopNanoseconds();
    int64_t passes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        OneFramePass(msg);
        ++passes;
    }
    const auto end = std::chrono::steady_clock::now();
    const double pass =
        std::chrono::duration<double, std::nano>(end - start).count() / static_cast<double>(passes);
    state.counters["bare_loop_ns"] = bare;
    state.counters["ratio_to_bare_loop"] = bare > 0.0 ? pass / bare : 0.0;
}
TK_BENCHMARK(BM_FrameLoopPassEmptyWorld);
} // namespace

BENCHMARK_MAIN();
