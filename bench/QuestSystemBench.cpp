// The mission scripts' frame: 32 armed warzones the hero is outside of (every
// one is tested) and a goto waiting on a far object, with every light slot
// holding a named light. The whole frame must stay under 0.1 ms; the bare
// side is the 32 distance tests alone.
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
constexpr int kObjects = MAX_LIGHT_OBJECTS;

struct MissionFolder
{
    std::filesystem::path path;
    std::filesystem::path previous = std::filesystem::current_path();
    MissionFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-mission-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "scripts" / "quests");
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
    }
    ~MissionFolder()
    {
        g_QuestSystem.Reset();
        g_Engine.DeleteAllObjects();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        g_Console.SetStartupDirectory(previous.c_str());
        std::filesystem::remove_all(path, ignored);
    }
};

void BM_MissionFrameWithWarzones(benchmark::State& state)
{
    MissionFolder folder;
    for (int i = 0; i < kObjects; ++i)
    {
        const D3DXVECTOR3 at(static_cast<float>(i), 0.0f, 0.0f);
        if (HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr))
            g_Engine.SetObjectName(o, ("zone_" + std::to_string(i)).c_str());
    }
    std::string script = "world worlds\\bench.w\n";
    for (int z = 0; z < QuestSystem::MAX_WARZONES; ++z)
        script += "set_warzone zone_" + std::to_string(kObjects - 1 - z) + " -distance 5\n";
    script += "goto zone_" + std::to_string(kObjects - 1) + " -distance 2\n";
    if (FILE* out = std::fopen("scripts/quests/bench.txt", "wb"))
    {
        std::fwrite(script.data(), 1, script.size(), out);
        std::fclose(out);
    }
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\bench.w");
    g_QuestSystem.LoadScripts();
    g_MainGame.m_iLevelFrame = QuestSystem::FIRST_FRAME;
    Player.m_vPosition = {-100.0f, 0.0f, 0.0f};
    // A frame time of zero: the hero stays outside without failing.
    g_Engine.m_fDeltaTime = 0.0f;
    g_QuestSystem.Update();
    if (g_QuestSystem.ArmedWarzones() != QuestSystem::MAX_WARZONES)
        state.SkipWithError("the warzones were not armed");
    for (auto _ : state)
    {
        g_QuestSystem.Update();
        benchmark::DoNotOptimize(g_QuestSystem.m_fOutsideTime);
    }
}
BENCHMARK(BM_MissionFrameWithWarzones)->Unit(benchmark::kMicrosecond);

void BM_MissionBareDistances(benchmark::State& state)
{
    D3DXVECTOR3 centres[QuestSystem::MAX_WARZONES];
    for (int z = 0; z < QuestSystem::MAX_WARZONES; ++z)
        centres[z] = D3DXVECTOR3(static_cast<float>(kObjects - 1 - z), 0.0f, 0.0f);
    const D3DXVECTOR3 hero(-100.0f, 0.0f, 0.0f);
    for (auto _ : state)
    {
        int inside = 0;
        for (const D3DXVECTOR3& c : centres)
        {
            const D3DXVECTOR3 d = c - hero;
            inside += D3DXVec3Length(&d) < 5.0f ? 1 : 0;
        }
        benchmark::DoNotOptimize(inside);
    }
}
BENCHMARK(BM_MissionBareDistances)->Unit(benchmark::kMicrosecond);
} // namespace
