// The rain's frame: 640 drops (119 active) moved, those past their floor
// placed anew, and both buffers refilled (119 drop quads, the sheets round
// the camera), set against a bare loop that moves the same drops and writes
// the same number of vertices into an array. The ratio is reported as a
// counter of the second benchmark's run against the first.
#include "BenchDevice.h"
#include "environment/Opady.h"
#include "game/MainGame.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{
constexpr float kStep = 1.0f / 60.0f;

struct RainBench : BenchDevice
{
    RainBench()
    {
        HOBJECT marker = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        g_Engine.SetObjectName(marker, "Rain");
        std::srand(1);
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 10.0f, 0.0f));
        g_MainGame.m_iLevelFrame = COpady::FIRST_FRAME;
        g_Engine.m_fDeltaTime = kStep;
        rain.Init();
    }
    ~RainBench()
    {
        rain.Release();
        g_Engine.DeleteAllObjects();
    }
    COpady rain;
};

void BM_RainFrame(benchmark::State& state)
{
    RainBench bench;
    if (!bench.rain.m_bActive)
    {
        state.SkipWithError("no rain");
        return;
    }
    for (auto _ : state)
        bench.rain.Update();
    state.counters["drop_quads"] = bench.rain.m_iDropQuads;
    state.counters["sheet_quads"] = bench.rain.m_iSheetQuads;
}
BENCHMARK(BM_RainFrame)->Unit(benchmark::kMicrosecond);

// The same drops moved and 6 vertices of 24 bytes written for each of the
// 119 drops and the 24 sheets, into plain memory.
void BM_RainFrameBareLoop(benchmark::State& state)
{
    struct Vertex
    {
        float x, y, z;
        unsigned colour;
        float u, v;
    };
    std::vector<D3DXVECTOR3> drops(COpady::MAX_DROPS, D3DXVECTOR3(1.0f, 900.0f, 2.0f));
    std::vector<Vertex> out((COpady::MAX_ACTIVE_DROPS + 24) * 6);
    const D3DXVECTOR3 fall(0.0f, -932.0f, 0.0f);
    for (auto _ : state)
    {
        for (DWORD i = 0; i < COpady::MAX_ACTIVE_DROPS; ++i)
        {
            drops[i] += fall * kStep;
            if (drops[i].y < -340.0f)
                drops[i].y += 1240.0f;
        }
        size_t n = 0;
        for (DWORD i = 0; i < COpady::MAX_ACTIVE_DROPS + 24; ++i)
        {
            const D3DXVECTOR3& p = drops[i % COpady::MAX_ACTIVE_DROPS];
            for (int k = 0; k < 6; ++k)
                out[n++] = Vertex{p.x + k, p.y, p.z, 0xFFFFFFFFu, 0.0f, static_cast<float>(k & 1)};
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RainFrameBareLoop)->Unit(benchmark::kMicrosecond);
} // namespace
