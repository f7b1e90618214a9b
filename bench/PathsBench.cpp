// The waypoint graphs' costs: reading a 2,000-node graph file against a bare
// pass of fgets and sscanf over the same file (ratio at most 2), and a route
// search with its route points on a 45 x 45 grid for 1,000 random pairs of
// start and goal (under 200 microseconds a call), beside a bare breadth-first
// search over the same nodes.
#include "bench/Harness.h"
#include "characters/PathMgr.h"
#include "characters/Postac.h"
#include "shell/Console.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr const char* kFile = "graph.pth";
constexpr int kPairs = 1000;

struct BenchFolder
{
    std::filesystem::path path;
    BenchFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-paths-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
        g_Console.BackupConsoleAtStart();
    }
    ~BenchFolder()
    {
        g_PathMgr.Release();
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

// An n x m grid of nodes 2.0 apart, linked eight ways.
strPath* Grid(int n, int m)
{
    const int ids[3] = {1, 2, 3};
    strPath* path = g_PathMgr.AddPath(ids, D3DXVECTOR3(0, 0, 0), 1000.0f);
    std::vector<strPlace*> cells(static_cast<size_t>(n * m));
    for (int k = 0; k < m; ++k)
        for (int i = 0; i < n; ++i)
        {
            const D3DXVECTOR3 floor(2.0f * static_cast<float>(i), 0.0f, 2.0f * static_cast<float>(k));
            cells[static_cast<size_t>(k * n + i)] = g_PathMgr.AddPlace(
                path, static_cast<DWORD>(k * n + i), floor + D3DXVECTOR3(0, 0.86f, 0), floor);
        }
    for (int k = 0; k < m; ++k)
        for (int i = 0; i < n; ++i)
            for (int slot = 0; slot < PATH_NEIGHBOURS; ++slot)
            {
                int dx = 0, dz = 0;
                CPathMgr::SlotStep(slot, &dx, &dz);
                if (i + dx >= 0 && i + dx < n && k + dz >= 0 && k + dz < m)
                    CPathMgr::Link(cells[static_cast<size_t>(k * n + i)], slot,
                                   cells[static_cast<size_t>((k + dz) * n + i + dx)]);
            }
    g_PathMgr.ResolvePath(path, nullptr);
    return path;
}

void BM_PathsFileRead2000Nodes(benchmark::State& state)
{
    BenchFolder folder;
    Grid(50, 40);
    g_PathMgr.WriteFile(kFile);
    g_PathMgr.Release();
    for (auto _ : state)
    {
        g_PathMgr.LoadFile(kFile);
        state.PauseTiming();
        g_PathMgr.Release();
        state.ResumeTiming();
    }
}
TK_BENCHMARK(BM_PathsFileRead2000Nodes)->Unit(benchmark::kMillisecond);

// The same file read with fgets and each line's keyword and number taken by sscanf.
void BM_PathsFileBareScan2000Nodes(benchmark::State& state)
{
    BenchFolder folder;
    Grid(50, 40);
    g_PathMgr.WriteFile(kFile);
    g_PathMgr.Release();
    char line[CPathMgr::LINE_CHARS + 2];
    char word[CPathMgr::LINE_CHARS + 2];
    for (auto _ : state)
    {
        FILE* f = std::fopen(kFile, "rb");
        double sum = 0.0;
        while (f && std::fgets(line, sizeof line, f))
        {
            float value = 0.0f;
            if (std::sscanf(line, "%256s %f", word, &value) == 2)
                sum += value;
        }
        if (f)
            std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
}
TK_BENCHMARK(BM_PathsFileBareScan2000Nodes)->Unit(benchmark::kMillisecond);

struct Pairs
{
    std::vector<int> from, to;
    Pairs()
    {
        std::srand(7);
        for (int i = 0; i < kPairs; ++i)
        {
            from.push_back(std::rand() % (45 * 45));
            to.push_back(std::rand() % (45 * 45));
        }
    }
};

void BM_FillPathToOn45x45(benchmark::State& state)
{
    BenchFolder folder;
    strPath* path = Grid(45, 45);
    const Pairs pairs;
    auto p = std::make_unique<strpostac>();
    p->path = path;
    size_t points = 0;
    for (auto _ : state)
        for (int i = 0; i < kPairs; ++i)
        {
            strPlace* start = CPathMgr::FindNodeByIndex(path, pairs.from[static_cast<size_t>(i)]);
            p->position = start->realpos;
            g_PathMgr.FillPathTo(start,
                                 CPathMgr::FindNodeByIndex(path, pairs.to[static_cast<size_t>(i)])->realpos,
                                 p.get(), 128);
            points += p->path_point_count;
        }
    benchmark::DoNotOptimize(points);
    state.SetItemsProcessed(state.iterations() * kPairs);
    // Seconds a call.
    state.counters["per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kPairs),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
TK_BENCHMARK(BM_FillPathToOn45x45)->Unit(benchmark::kMillisecond);

// A bare breadth-first search between the same pairs over the same nodes.
void BM_BareBreadthFirstOn45x45(benchmark::State& state)
{
    BenchFolder folder;
    strPath* path = Grid(45, 45);
    const Pairs pairs;
    std::vector<int> seen(45 * 45);
    std::deque<strPlace*> queue;
    size_t reached = 0;
    int mark = 0;
    for (auto _ : state)
        for (int i = 0; i < kPairs; ++i)
        {
            ++mark;
            strPlace* goal = CPathMgr::FindNodeByIndex(path, pairs.to[static_cast<size_t>(i)]);
            queue.assign(1, CPathMgr::FindNodeByIndex(path, pairs.from[static_cast<size_t>(i)]));
            seen[queue.front()->number] = mark;
            while (!queue.empty())
            {
                strPlace* n = queue.front();
                queue.pop_front();
                if (n == goal)
                {
                    ++reached;
                    break;
                }
                for (strPlace* m : n->neighbours)
                    if (m && seen[m->number] != mark)
                    {
                        seen[m->number] = mark;
                        queue.push_back(m);
                    }
            }
        }
    benchmark::DoNotOptimize(reached);
    state.SetItemsProcessed(state.iterations() * kPairs);
}
TK_BENCHMARK(BM_BareBreadthFirstOn45x45)->Unit(benchmark::kMillisecond);
} // namespace
