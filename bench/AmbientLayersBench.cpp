// The ambient layers' cost a frame in the demo game: the ground dust's 48
// leaves, the power lines (wind, and the rebuild test), the rain (added to
// the town with a "Rain" object) and the six gulls, updated together; and
// the cables' rebuild after a 10-unit move at full capacity set against a
// bare loop writing the same vertices, both timed in the same run.
#include "BenchDevice.h"
#include "DemoGame.h"
#include "environment/Dust.h"
#include "environment/Mewy.h"
#include "environment/Opady.h"
#include "environment/SlupMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void BM_AmbientLayersFrame(benchmark::State& state)
{
    benchgame::DemoGame game(320, 240, "tk-bench-ambient");
    HOBJECT rain = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    g_Engine.SetObjectName(rain, "Rain");
    g_Opady.Init();
    if (!g_Dust.m_bReady || !g_SlupMgr.m_pLinie || !g_Opady.m_bActive || !g_Mewy.GetObject(0))
    {
        state.SkipWithError("a layer is missing from the demo game");
        return;
    }
    g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    for (auto _ : state)
    {
        g_Dust.Update();
        g_SlupMgr.Update();
        g_Opady.Update();
        g_Mewy.Update();
    }
    state.counters["leaf_triangles"] = g_Dust.m_iDustTriangles;
    state.counters["cable_triangles"] = g_SlupMgr.m_dwTriangles;
    state.counters["drop_quads"] = g_Opady.m_iDropQuads;
    g_Opady.Release();
}
BENCHMARK(BM_AmbientLayersFrame)->Unit(benchmark::kMicrosecond);

// One line of 86 poles 30 units apart with three cables: 255 spans, 30,600
// vertices, all within reach of the camera at the line's start.
struct FullLine : BenchDevice
{
    static constexpr int kPoles = 86;
    FullLine()
    {
        g_Camera.SetFarPlane(3000.0f);
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 2.0f, 0.0f));
        line = new strLinia{};
        line->fThickness = 0.06f;
        line->dwSockets = 3;
        for (int i = 0; i < kPoles; ++i)
        {
            strSlup* pole = new strSlup{};
            pole->bFound = 1;
            pole->vPosition = D3DXVECTOR3(30.0f * static_cast<float>(i), 0.0f, 0.0f);
            for (int k = 0; k < 3; ++k)
            {
                pole->vSockets[k] =
                    pole->vPosition + D3DXVECTOR3(0.0f, 8.9f, 1.4f * static_cast<float>(k - 1));
                pole->bSocketRead[k] = 1;
                pole->fSag[k] = 1.1f;
                pole->fPhase[k] = 0.5f * static_cast<float>(k);
            }
            pole->pNext = line->pSlupy;
            line->pSlupy = pole;
        }
        cables.m_pLinie = line;
    }
    ~FullLine() { cables.Release(); }
    ESlupMgr cables;
    strLinia* line = nullptr;
};

// The same vertices, written into plain memory by a bare loop: eleven points
// a span, and for each segment the two ribbons' twelve corners with their
// colour words, anchor and texture coordinates (the ribbon's right axis is
// one for the whole span, which is straight seen from above).
void BareRebuild(const strLinia* line, std::vector<BYTE>& out)
{
    static constexpr float kAlong[11] = {0.0f,   0.05f,  0.125f, 0.225f, 0.375f, 0.5f,
                                         0.625f, 0.775f, 0.875f, 0.95f,  1.0f};
    static constexpr float kDepth[11] = {0.0f, 0.2f, 0.4f, 0.6f, 0.75f, 0.8f, 0.75f, 0.6f, 0.4f, 0.2f, 0.0f};
    static constexpr float kSway[11] = {0.0f, 0.1f, 0.2f, 0.3f, 0.375f, 0.4f, 0.375f, 0.3f, 0.2f, 0.1f, 0.0f};
    static constexpr int kCorner[12] = {0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 1}; // 0: p0, 1: p1
    static constexpr float kR[12] = {-1, -1, 1, 1, -1, 1, 0, 0, 0, 0, 0, 0};
    static constexpr float kE[12] = {0, 0, 0, 0, 0, 0, -1, 1, -1, 1, 1, -1};
    static constexpr float kU[12] = {0, 0, 1, 1, 0, 1, 1, 0, 1, 0, 0, 1};
    static constexpr float kV[12] = {1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 0, 0};
    static constexpr DWORD kUpper[12] = {0, 0, 0, 0, 0, 0, 0, 0xFF0000, 0, 0xFF0000, 0xFF0000, 0};
    BYTE* p = out.data();
    for (const strSlup* a = line->pSlupy; a && a->pNext; a = a->pNext)
        for (DWORD k = 0; k < line->dwSockets; ++k)
        {
            const D3DXVECTOR3 from = a->vSockets[k], ab = a->pNext->vSockets[k] - from;
            const float sag = D3DXVec3Length(&ab) * 0.03f * a->fSag[k];
            D3DXVECTOR3 right(ab.z, 0.0f, -ab.x);
            D3DXVec3Normalize(&right, &right);
            const D3DXVECTOR3 r = right * (0.7f * line->fThickness), e(0.0f, 0.5f * line->fThickness, 0.0f);
            D3DXVECTOR3 pts[11];
            DWORD colour[11];
            for (int j = 0; j < 11; ++j)
            {
                pts[j] = from + ab * kAlong[j];
                pts[j].y -= sag * kDepth[j];
                colour[j] = static_cast<DWORD>(kSway[j] * 255.0f) | static_cast<DWORD>(a->fPhase[k] * 255.0f)
                                                                        << 8;
            }
            for (int j = 0; j < 10; ++j)
                for (int v = 0; v < 12; ++v)
                {
                    const D3DXVECTOR3 q = pts[j + kCorner[v]] + r * kR[v] + e * kE[v];
                    const DWORD c = colour[j + kCorner[v]] | kUpper[v];
                    const float uv[2] = {kU[v], kV[v]};
                    std::memcpy(p, &q, 12);
                    std::memcpy(p + 12, &c, 4);
                    std::memcpy(p + 16, &pts[j], 12);
                    std::memcpy(p + 52, uv, 8);
                    p += 64;
                }
        }
}

void BM_CableRebuildAgainstBareLoop(benchmark::State& state)
{
    FullLine full;
    std::vector<BYTE> bare(static_cast<size_t>(ESlupMgr::CAPACITY) * ESlupMgr::VERTEX_SIZE);
    double rebuildUs = 0.0, bareUs = 0.0;
    float step = 10.01f;
    for (auto _ : state)
    {
        // The camera moves just past the rebuild distance each time.
        g_Camera.SetPosition(g_Camera.m_vPosition + D3DXVECTOR3(step, 0.0f, 0.0f));
        step = -step;
        const Clock::time_point t0 = Clock::now();
        full.cables.Update();
        const Clock::time_point t1 = Clock::now();
        BareRebuild(full.line, bare);
        benchmark::DoNotOptimize(bare.data());
        benchmark::ClobberMemory();
        const Clock::time_point t2 = Clock::now();
        rebuildUs += Micros(t1 - t0);
        bareUs += Micros(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["vertices"] = full.cables.m_dwVertices;
    // The bare loop wrote what the rebuild wrote: the positions compared.
    double largest = 0.0;
    void* bytes = nullptr;
    if (SUCCEEDED(full.cables.m_pCableVB->Lock(0, 0, &bytes, D3DLOCK_READONLY)) && bytes)
    {
        for (DWORD i = 0; i < full.cables.m_dwVertices; ++i)
            for (int c = 0; c < 3; ++c)
            {
                float a, b;
                std::memcpy(&a, static_cast<const BYTE*>(bytes) + 64 * i + 4 * c, 4);
                std::memcpy(&b, bare.data() + 64 * i + 4 * c, 4);
                largest = std::max(largest, static_cast<double>(std::fabs(a - b)));
            }
        full.cables.m_pCableVB->Unlock();
    }
    state.counters["largest_difference"] = largest;
    state.counters["rebuild_us"] = rebuildUs / n;
    state.counters["bare_us"] = bareUs / n;
    state.counters["ratio"] = bareUs > 0.0 ? rebuildUs / bareUs : 0.0;
}
BENCHMARK(BM_CableRebuildAgainstBareLoop)->Unit(benchmark::kMicrosecond);
} // namespace
