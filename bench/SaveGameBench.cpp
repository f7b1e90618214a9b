// Saving and loading the demo world mid-level (its characters made by the
// respawners, the mission running) against a bare fwrite and fread of the
// same bytes. The save is written to a temporary file and renamed over the
// old one, so the bare write pays for the same rename. The load stays in the
// running world (no world restart).
#include "bench/DemoGame.h"
#include "bench/Harness.h"
#include "game/SaveMgr.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace
{
using benchgame::DemoGame;

constexpr DWORD kMidLevelFrame = 400;
constexpr const char* kName = "bench";
constexpr const char* kPath = "save\\bench.sav";
constexpr const char* kBarePath = "save\\bare.sav";
constexpr int kRounds = 20;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The calling thread's processor time: the file system's own waits (the
// console log is appended line by line) are left out of it.
double ThreadSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<char> ReadAll(const char* path)
{
    std::vector<char> bytes;
    if (FILE* f = TkFopen(path, "rb"))
    {
        char chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

void BM_SaveAndLoadDemoWorld(benchmark::State& state)
{
    DemoGame game(320, 240, "tk-bench-save");
    for (int i = 0; g_MainGame.m_iLevelFrame < kMidLevelFrame && i < benchgame::kGuard; ++i)
        game.Pass();
    if (!g_SaveMgr.SaveGame(kName, false, nullptr))
    {
        state.SkipWithError("the demo world could not be saved");
        return;
    }
    const std::vector<char> bytes = ReadAll(kPath);
    double save = 0.0, load = 0.0, bareWrite = 0.0, bareRead = 0.0, saveCpu = 0.0, loadCpu = 0.0;
    int64_t rounds = 0;
    for (auto _ : state)
    {
        auto start = std::chrono::steady_clock::now();
        double cpu = ThreadSeconds();
        g_SaveMgr.SaveGame(kName, false, nullptr);
        save += Seconds(start);
        saveCpu += ThreadSeconds() - cpu;

        start = std::chrono::steady_clock::now();
        cpu = ThreadSeconds();
        g_SaveMgr.LoadGame(kName);
        load += Seconds(start);
        loadCpu += ThreadSeconds() - cpu;

        start = std::chrono::steady_clock::now();
        if (FILE* f = TkFopen("save\\bare.tmp", "wb"))
        {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fflush(f);
            std::fclose(f);
            MoveFileExA("save\\bare.tmp", kBarePath, MOVEFILE_REPLACE_EXISTING);
        }
        bareWrite += Seconds(start);

        start = std::chrono::steady_clock::now();
        std::vector<char> back(bytes.size());
        if (FILE* f = TkFopen(kBarePath, "rb"))
        {
            benchmark::DoNotOptimize(std::fread(back.data(), 1, back.size(), f));
            std::fclose(f);
        }
        bareRead += Seconds(start);
        ++rounds;
    }
    const double n = rounds > 0 ? static_cast<double>(rounds) : 1.0;
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["save_ms"] = save / n * 1e3;
    state.counters["load_ms"] = load / n * 1e3;
    state.counters["save_cpu_ms"] = saveCpu / n * 1e3;
    state.counters["load_cpu_ms"] = loadCpu / n * 1e3;
    state.counters["bare_write_ms"] = bareWrite / n * 1e3;
    state.counters["bare_read_ms"] = bareRead / n * 1e3;
    state.counters["save_to_bare"] = bareWrite > 0.0 ? save / bareWrite : 0.0;
    state.counters["load_to_bare"] = bareRead > 0.0 ? load / bareRead : 0.0;
}
TK_BENCHMARK(BM_SaveAndLoadDemoWorld)->Unit(benchmark::kMillisecond)->Iterations(kRounds);
} // namespace
