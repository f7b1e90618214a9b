// The baked sky lights: the bake over the demo town (started headless, so
// the segment tables and textures are the game's own), and the merge of
// 400,000 raw lights by cell hash, with the walk over every kept light on a
// sample for the ratio the hash buys.
#include "bench/DemoGame.h"
#include "bench/Harness.h"
#include "render/SkyLights.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <vector>

using benchgame::DemoGame;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr DWORD kRawLights = 400000;
constexpr DWORD kWalkSample = 50000;
constexpr float kSpread = 2000.0f; // raw lights over a town of this many units a side
constexpr unsigned kSeed = 21;

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The whole bake of the demo world's "skylight" object: trace, then merge.
void BM_SkyLightsBakeDemoWorld(benchmark::State& state)
{
    DemoGame game(kWidth, kHeight, "tk-bench-skylights");
    for (auto _ : state)
        g_SkyLights.BuildSkyLights();
    state.counters["raw_lights"] = static_cast<double>(g_SkyLights.m_dwRawCount);
    state.counters["lights_a"] = static_cast<double>(g_SkyLights.m_dwCountA);
    state.counters["lights_b"] = static_cast<double>(g_SkyLights.m_dwCountB);
}
TK_BENCHMARK(BM_SkyLightsBakeDemoWorld)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SkyLightsMerge400k(benchmark::State& state)
{
    std::mt19937 random(kSeed);
    std::uniform_real_distribution<float> place(-kSpread / 2, kSpread / 2), colour(0.0f, 1.0f);
    std::vector<SkyLight> raw(kRawLights);
    for (SkyLight& l : raw)
        l = SkyLight{{place(random), place(random) * 0.05f, place(random)},
                     {colour(random), colour(random), colour(random)}};
    std::vector<SkyLight> a(MAX_MERGED_SKY_LIGHTS), b(MAX_MERGED_SKY_LIGHTS);
    const SkyLightMergeRule ruleA = {36.0f, 1.0f, 0.6f, false};
    const SkyLightMergeRule ruleB = {80.0f, 2.0f, 0.3f, true};
    DWORD keptA = 0, keptB = 0;
    for (auto _ : state)
    {
        keptA = MergeSkyLights(raw.data(), kRawLights, ruleA, a.data(), MAX_MERGED_SKY_LIGHTS);
        keptB = MergeSkyLights(raw.data(), kRawLights, ruleB, b.data(), MAX_MERGED_SKY_LIGHTS);
        benchmark::DoNotOptimize(a.data());
    }
    state.counters["kept_a"] = static_cast<double>(keptA);
    state.counters["kept_b"] = static_cast<double>(keptB);
    // Both tables over a sample, hash against walk.
    auto start = std::chrono::steady_clock::now();
    MergeSkyLights(raw.data(), kWalkSample, ruleA, a.data(), MAX_MERGED_SKY_LIGHTS);
    MergeSkyLights(raw.data(), kWalkSample, ruleB, b.data(), MAX_MERGED_SKY_LIGHTS);
    const double hashMs = MsSince(start);
    start = std::chrono::steady_clock::now();
    MergeSkyLightsByWalk(raw.data(), kWalkSample, ruleA, a.data(), MAX_MERGED_SKY_LIGHTS);
    MergeSkyLightsByWalk(raw.data(), kWalkSample, ruleB, b.data(), MAX_MERGED_SKY_LIGHTS);
    const double walkMs = MsSince(start);
    state.counters["sample_hash_ms"] = hashMs;
    state.counters["sample_walk_ms"] = walkMs;
    state.counters["walk_over_hash"] = hashMs > 0.0 ? walkMs / hashMs : 0.0;
}
TK_BENCHMARK(BM_SkyLightsMerge400k)->Unit(benchmark::kMillisecond)->Iterations(5);
} // namespace
