// The laser beams' frame: 256 beams of 100 units with their 4,095 dust specks
// rebuilt into both vertex buffers (locks included), against a bare loop that
// writes the same vertices (the same rand draws, corners and colours) into a
// plain array. Reported per frame and as a ratio.
#include "bench/BenchDevice.h"
#include "bench/Harness.h"
#include "player/LaserMgr.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace
{
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Vertex
{
    float x, y, z;
    DWORD colour;
    float u, v;
};

DWORD Alpha(DWORD c)
{
    return (c & 0xFFFFFFu) | ((static_cast<DWORD>(std::rand()) % 63 + 64) << 24);
}

// The same beams written straight into an array: strips, then dust points and their quads.
void BareFrame(const std::vector<ELaserMgr::Beam>& beams, std::vector<Vertex>& strips,
               std::vector<D3DXVECTOR3>& dust, std::vector<Vertex>& quads, const D3DXVECTOR3& right,
               const D3DXVECTOR3& up)
{
    Vertex* v = strips.data();
    const D3DXVECTOR3 lift(0.0f, 0.4f, 0.0f);
    for (const ELaserMgr::Beam& b : beams)
    {
        const DWORD c = Alpha(b.colour);
        const D3DXVECTOR3 s = b.side * 0.4f;
        const D3DXVECTOR3 p[12] = {b.origin + lift, b.origin - lift, b.target + lift, b.target + lift,
                                   b.origin - lift, b.target - lift, b.origin + s,    b.origin - s,
                                   b.target + s,    b.target + s,    b.origin - s,    b.target - s};
        for (int i = 0; i < 12; ++i)
            *v++ = {p[i].x, p[i].y, p[i].z, c, static_cast<float>(i & 1), static_cast<float>(i / 6)};
    }
    size_t n = 0;
    for (const ELaserMgr::Beam& b : beams)
    {
        const D3DXVECTOR3 w = b.target - b.origin;
        const float l = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
        const D3DXVECTOR3 d = w / l;
        for (float s = 6.0f; s < l && n < dust.size(); s += 6.0f)
        {
            const float j0 = static_cast<float>(std::rand() & 0x7FFF) / 65536.0f;
            const float j1 = static_cast<float>(std::rand() & 0x7FFF) / 65536.0f;
            const float j2 = static_cast<float>(std::rand() & 0x7FFF) / 65536.0f;
            dust[n++] = b.origin + d * (s + RandomFloat(6.0f)) + D3DXVECTOR3(j0, j1, j2);
        }
    }
    Vertex* q = quads.data();
    for (size_t i = 0; i < n; ++i)
    {
        const float h = RandomFloat(0.6f) + 0.2f;
        const DWORD c = Alpha(0xFF5050);
        const D3DXVECTOR3 r = right * h, u = up * h, &p = dust[i];
        const D3DXVECTOR3 c6[6] = {p - r + u, p + r - u, p - r - u, p - r + u, p + r + u, p + r - u};
        for (const D3DXVECTOR3& k : c6)
            *q++ = {k.x, k.y, k.z, c, 0.0f, 1.0f};
    }
}

void BM_LaserBeamsFrameAgainstBareLoop(benchmark::State& state)
{
    BenchDevice device;
    ELaserMgr laser;
    laser.CreateDeviceObjects();
    for (DWORD i = 0; i < ELaserMgr::MAX_BEAMS; ++i)
    {
        const D3DXVECTOR3 from(static_cast<float>(i), 1.0f, 0.0f), to(static_cast<float>(i), 1.5f, 100.0f);
        laser.AddBeam(&from, &to, 0xFF2020, 0);
    }
    std::vector<ELaserMgr::Beam> beams(laser.m_Beams, laser.m_Beams + ELaserMgr::MAX_BEAMS);
    std::vector<Vertex> strips(ELaserMgr::MAX_BEAMS * ELaserMgr::BEAM_VERTICES);
    std::vector<D3DXVECTOR3> dust(ELaserMgr::MAX_DUST);
    std::vector<Vertex> quads(ELaserMgr::DUST_QUADS * ELaserMgr::DUST_VERTICES);
    double manager = 0.0, bare = 0.0;
    for (auto _ : state)
    {
        double start = ThreadSeconds();
        laser.Update();
        manager += ThreadSeconds() - start;
        start = ThreadSeconds();
        BareFrame(beams, strips, dust, quads, g_Camera.m_vRight, g_Camera.m_vUp);
        benchmark::DoNotOptimize(quads.data());
        benchmark::DoNotOptimize(strips.data());
        bare += ThreadSeconds() - start;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["beams"] = laser.m_iBeamsWritten;
    state.counters["specks"] = laser.m_iDustCount;
    state.counters["cpu_ms_per_frame"] = manager / frames * 1e3;
    state.counters["bare_ms_per_frame"] = bare / frames * 1e3;
    state.counters["ratio_to_bare_loop"] = bare > 0.0 ? manager / bare : 0.0;
    laser.Release();
}
TK_BENCHMARK(BM_LaserBeamsFrameAgainstBareLoop)->Unit(benchmark::kMillisecond);
} // namespace
