// The grass: generating the demo world's grass (traces and ground tests of
// the first start), loading a large ".grs" cache against a bare read of the
// same file, and drawing the terrain grass within reach against bare draws of
// the same buffers, each pair timed in the same run.
#include "DemoGame.h"
#include "Harness.h"
#include "environment/PlantMgr.h"
#include "platform/win32/Win32.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The demo game past the level frame that builds the grass, looking over the
// green north of the road.
void ToGrassFrame(benchgame::DemoGame& game)
{
    for (int i = 0; g_MainGame.m_iLevelFrame < 230 && i < benchgame::kGuard; ++i)
        game.Pass();
    g_Camera.SetPosition(D3DXVECTOR3(-38.0f, 2.0f, 32.0f));
}

void BM_GrassGenerateDemoWorld(benchmark::State& state)
{
    benchgame::DemoGame game(320, 240, "tk-bench-grass");
    ToGrassFrame(game);
    double ms = 0.0;
    for (auto _ : state)
    {
        g_PlantMgr.Release();
        g_PlantMgr.Reset();
        DeleteFileA(EPlantMgr::GetCacheFileName());
        const auto start = Clock::now();
        g_PlantMgr.BuildGrass();
        ms += Ms(start);
    }
    state.counters["seconds"] = ms / 1000.0 / double(state.iterations());
    state.counters["tufts"] = g_PlantMgr.m_TGrass.dwTPlants;
}
TK_BENCHMARK(BM_GrassGenerateDemoWorld)->Unit(benchmark::kMillisecond)->Iterations(2);

// 64 groups of plants (100,032 in all) and 50,000 tufts, written as the game
// writes its cache.
void WriteLargeCache()
{
    EPlantMgr big;
    big.m_dwGrass = MAX_GRASS;
    for (int g = 0; g < MAX_GRASS; ++g)
    {
        strGrass& group = big.m_Grass[g];
        std::snprintf(group.szName, sizeof group.szName, "%s", "bench_bush.tga");
        std::snprintf(group.szMeshes[0], GRASS_MESH_NAME_SIZE, "patch_%d", g);
        group.dwMeshes = 1;
        group.dwPlants = 1563;
        group.pPlants = new strPlant[group.dwPlants]();
        for (DWORD p = 0; p < group.dwPlants; ++p)
            group.pPlants[p].vPosition = D3DXVECTOR3(float(p), 0.0f, float(g));
    }
    big.m_TGrass.fMaxX = 300.0f;
    big.m_TGrass.fMaxZ = 300.0f;
    big.m_TGrass.dwTPlants = 50000;
    big.m_TGrass.pTPlants = new strTPlant[big.m_TGrass.dwTPlants]();
    big.SaveCache();
    for (int g = 0; g < MAX_GRASS; ++g)
    {
        delete[] big.m_Grass[g].pPlants;
        big.m_Grass[g].pPlants = nullptr;
    }
    delete[] big.m_TGrass.pTPlants;
    big.m_TGrass.pTPlants = nullptr;
}

void BM_GrassCacheLoadAgainstBareRead(benchmark::State& state)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tk-bench-grass-cache-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "worlds");
    std::filesystem::current_path(dir);
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\bench.w");
    WriteLargeCache();
    const std::string file = (dir / "worlds" / "bench.w.grs").string();
    std::vector<char> bytes(std::filesystem::file_size(file));
    double load = 0.0, bare = 0.0;
    EPlantMgr plants;
    for (auto _ : state)
    {
        auto start = Clock::now();
        const bool ok = plants.LoadCache();
        load += Ms(start);
        if (!ok)
        {
            state.SkipWithError("the cache was refused");
            break;
        }
        plants.Release();
        start = Clock::now();
        FILE* f = std::fopen(file.c_str(), "rb");
        const size_t n = f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
        if (f)
            std::fclose(f);
        bare += Ms(start);
        benchmark::DoNotOptimize(n);
    }
    state.counters["load_ms"] = load / double(state.iterations());
    state.counters["bare_read_ms"] = bare / double(state.iterations());
    state.counters["ratio"] = bare > 0.0 ? load / bare : 0.0;
    state.counters["megabytes"] = double(bytes.size()) / (1024.0 * 1024.0);
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
    std::filesystem::remove_all(dir, ec);
}
TK_BENCHMARK(BM_GrassCacheLoadAgainstBareRead)->Unit(benchmark::kMillisecond)->Iterations(20);

// The draws finish before the clock stops: a pixel of the back buffer is read.
void Finish(IDirect3DDevice9* d)
{
    IDirect3DSurface9* back = nullptr;
    if (SUCCEEDED(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back)
    {
        D3DCOLOR c = 0;
        TkD3D9ReadPixel(back, 0, 0, &c);
        back->Release();
    }
}

void BM_TerrainGrassDrawAgainstBareDraws(benchmark::State& state)
{
    benchgame::DemoGame game(320, 240, "tk-bench-grass-draw");
    ToGrassFrame(game);
    game.Pass();
    EEffect* effect = g_EffectMgr.FindEffect("skylightF");
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!effect || !effect->m_pEffect || !g_PlantMgr.m_dwTSectors)
    {
        state.SkipWithError("no grass or no effect in the demo game");
        return;
    }
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    double pass = 0.0, bare = 0.0;
    DWORD drawn = 0;
    ID3DXEffect* fx = effect->m_pEffect;
    auto runPass = [&]
    {
        g_PlantMgr.RenderTGrass();
        drawn = g_PlantMgr.m_dwDrawnSectors;
    };
    auto runBare = [&]
    {
        // The states the grass is drawn in: the blades are cut out.
        g_RenderStates.BeginEffectByName(fx, "RenderTGrass", true);
        g_RenderStates.AlphaTestOn(effect);
        d->SetRenderState(D3DRS_ALPHAREF, 96);
        d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        d->SetVertexDeclaration(g_pDeclSimple);
        fx->CommitChanges();
        for (DWORD i = 0; i < g_PlantMgr.m_dwTSectors; ++i)
        {
            const strTSector& s = g_PlantMgr.m_pTSectors[i];
            if (!s.pVB || !g_PlantMgr.m_pTGrassIB[i] || !EPlantMgr::SectorInReach(s, eye))
                continue;
            d->SetStreamSource(0, s.pVB, 0, EPlantMgr::VERTEX_SIZE);
            d->SetIndices(g_PlantMgr.m_pTGrassIB[i]);
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, s.dwTriangles * 3 / 2, 0, s.dwTriangles);
        }
        g_RenderStates.AlphaTestOff(effect);
        g_RenderStates.EndEffect(fx);
    };
    // Each timed from a finished device to a finished device; the order
    // alternates, so neither always runs on a warm pipeline.
    auto timed = [&](auto&& draw)
    {
        Finish(d);
        const auto start = Clock::now();
        draw();
        Finish(d);
        return Ms(start);
    };
    bool passFirst = true;
    for (auto _ : state)
    {
        d->BeginScene();
        if (passFirst)
        {
            pass += timed(runPass);
            bare += timed(runBare);
        }
        else
        {
            bare += timed(runBare);
            pass += timed(runPass);
        }
        passFirst = !passFirst;
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["pass_ms"] = pass / double(state.iterations());
    state.counters["bare_ms"] = bare / double(state.iterations());
    state.counters["ratio"] = bare > 0.0 ? pass / bare : 0.0;
    state.counters["sectors"] = drawn;
}
TK_BENCHMARK(BM_TerrainGrassDrawAgainstBareDraws)->Unit(benchmark::kMillisecond)->Iterations(30);
} // namespace
