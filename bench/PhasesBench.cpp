// The phase machine's and the characters' frame costs on a 45 x 45 waypoint
// grid (2,025 nodes): entering a bot phase whose estimate runs the character
// towards the hero (microseconds a call), and one frame of 64 characters
// patrolling the grid, with the segment tests of a frame counted.
#include "bench/Harness.h"
#include "characters/PathMgr.h"
#include "characters/PostacMgr.h"
#include "characters/path_graph.h"
#include "game/MainGame.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
constexpr int kGrid = 45;
constexpr int kCharacters = 64;

struct BenchFolder
{
    std::filesystem::path path;
    BenchFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-phases-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "scripts");
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
        g_Console.BackupConsoleAtStart();
        g_MainGame.m_iLevelFrame = 1000;
        g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    }
    ~BenchFolder()
    {
        PMgr.DeleteAllCharacters();
        PMgr.Forget();
        g_PathMgr.Release();
        g_Engine.DeleteAllObjects();
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

void Write(const char* name, const std::string& bytes)
{
    if (FILE* f = std::fopen(name, "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// A character with a light for its engine object (phases are entered only by
// characters that have one; a light needs no mesh).
strpostac* Placed(const char* desc, const D3DXVECTOR3& at)
{
    const EOrientation facing;
    strpostac* p = PMgr.SpawnCharacter(desc, &at, &facing);
    if (!p)
        return nullptr;
    const float where[3] = {at.x, at.y, at.z};
    p->model = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, where, nullptr);
    p->model_made = 1;
    g_PathMgr.FindPlaceFor(p);
    return p;
}

void BM_PhaseEntryIntoABotRun(benchmark::State& state)
{
    BenchFolder folder;
    Write("scripts/postacie.txt", "postac a\ndefault_faza bot_stoi\nfaza bot_stoi\nbot\nloop\n"
                                  "faza bot_do_gracza\nbot\nestimate_do_gracza\non_koniec bot_stoi\n");
    PMgr.LoadDescriptions();
    chartest::Grid(kGrid, kGrid);
    const float far = chartest::GRID_STEP * static_cast<float>(kGrid - 1);
    Player.m_vPosition = {far, 0.0f, far};
    const float heroAt[3] = {far, 0.0f, far};
    HOBJECT hero = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, heroAt, nullptr);
    const D3DXVECTOR3 start(0.0f, 0.0f, 0.0f);
    strpostac* p = Placed("a", start);
    strFaza* stand = CPostacMgr::FindFaza(p->desc, "bot_stoi");
    int runs = 0;
    for (auto _ : state)
    {
        p->faza = stand;
        p->bot = 1;
        p->since_path_advance = 10.0f;
        p->since_wound = 10.0f;
        p->position = start;
        p->target = hero;
        p->target_position = D3DXVECTOR3(far, 0.0f, far);
        PMgr.SetFaza(p, "bot_do_gracza");
        runs += p->running_nodes;
    }
    state.counters["runs_started"] =
        benchmark::Counter(static_cast<double>(runs) / static_cast<double>(state.iterations()));
}
TK_BENCHMARK(BM_PhaseEntryIntoABotRun)->Unit(benchmark::kMicrosecond);

void BM_FrameOf64PatrollingCharacters(benchmark::State& state)
{
    BenchFolder folder;
    Write("scripts/postacie.txt", "postac a\ndefault_faza patrol\nfaza patrol\nloop\nestimate_patrol\n"
                                  "on_koniec patrol\nforce_speed 3\n");
    PMgr.LoadDescriptions();
    chartest::Grid(kGrid, kGrid);
    for (int i = 0; i < kCharacters; ++i)
    {
        const D3DXVECTOR3 at(static_cast<float>(i % 8) * 10.0f, 0.0f, static_cast<float>(i / 8) * 10.0f);
        if (strpostac* p = Placed("a", at))
            PMgr.SetFaza(p, "patrol");
    }
    PMgr.m_iSegmentTests = 0;
    for (auto _ : state)
        PMgr.Update();
    state.counters["segment_tests_per_frame"] = benchmark::Counter(static_cast<double>(PMgr.m_iSegmentTests) /
                                                                   static_cast<double>(state.iterations()));
}
TK_BENCHMARK(BM_FrameOf64PatrollingCharacters)->Unit(benchmark::kMicrosecond);
} // namespace
