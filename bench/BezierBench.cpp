// Bezier paths: a frame of followers (objects travelling closed paths of 50
// nodes through the engine's per-frame pass), and sampling a path by distance
// against a bare lookup in the same table of sampled points.
#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "shell/Console.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
constexpr int NODES = 50;

// A folder of its own holding a node file of one closed path per follower.
struct BezierFolder
{
    std::filesystem::path path;
    explicit BezierFolder(int paths)
    {
        path = std::filesystem::temp_directory_path() / ("tk-bezier-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
        g_Console.BackupConsoleAtStart();
        std::string text;
        char line[256];
        for (int p = 0; p < paths; ++p)
            for (int n = 0; n < NODES; ++n)
            {
                const double a = 6.2831853 * n / NODES, b = 6.2831853 * (n + 1) / NODES;
                const double r = 40.0 + p;
                std::snprintf(line, sizeof line,
                              "bezier_node %s\nnr %d\npos %f 0 %f\nksztalt1 %f 1 %f\nksztalt2 %f 1 %f\n"
                              "values 5 10 0 0 0\ninterpolation_rotation 0 %d 0\nnext_in_path_nr %d\n",
                              n == 0 ? ("path" + std::to_string(p)).c_str() : "", p * NODES + n,
                              r * std::cos(a), r * std::sin(a), r * std::cos(a * 0.67 + b * 0.33),
                              r * std::sin(a * 0.67 + b * 0.33), r * std::cos(a * 0.33 + b * 0.67),
                              r * std::sin(a * 0.33 + b * 0.67), n * 7, p * NODES + (n + 1) % NODES);
                text += line;
            }
        if (FILE* f = std::fopen("bench.bzr", "wb"))
        {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        g_BezierMgr.LoadNodes("bench.bzr");
    }
    ~BezierFolder()
    {
        g_BezierMgr.DeleteAll();
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

void BM_BezierFollowersFrame(benchmark::State& state)
{
    const int followers = static_cast<int>(state.range(0));
    BezierFolder folder(followers);
    for (int i = 0; i < followers; ++i)
    {
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        BezierFollowState s;
        s.bOn = 1;
        std::snprintf(s.szStartNode, sizeof s.szStartNode, "path%d", i);
        g_Engine.SetObjectBezierFollowState(o, &s);
        g_Engine.StartBezierMoving(o);
    }
    g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    for (auto _ : state)
        g_BezierMgr.UpdateObjectsOnBezier();
    g_Engine.DeleteAllObjects();
}
BENCHMARK(BM_BezierFollowersFrame)->Arg(100)->Unit(benchmark::kMicrosecond);

// Sampling by distance through the query...
void BM_BezierPointAt(benchmark::State& state)
{
    BezierFolder folder(1);
    const double length = g_BezierMgr.GetPathLength("path0");
    D3DXVECTOR3 p, d;
    double at = 0.0;
    for (auto _ : state)
    {
        at = std::fmod(at + 0.37, length / NODES);
        g_BezierMgr.GetPointAt("path0", at, &p, &d);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_BezierPointAt);

// ...against the bare walk over the same node's sampled points.
void BM_BezierBareLookup(benchmark::State& state)
{
    BezierFolder folder(1);
    const BezierNode* node = g_BezierMgr.FindPath("path0");
    double at = 0.0;
    for (auto _ : state)
    {
        at = std::fmod(at + 0.37, node->length);
        double d = at;
        DWORD i = 0;
        for (; i + 2 < node->numPoints; ++i)
        {
            const D3DXVECTOR3 s = node->points[i + 1] - node->points[i];
            const double ls = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
            if (ls >= d)
                break;
            d -= ls;
        }
        D3DXVECTOR3 p = node->points[i] + (node->points[i + 1] - node->points[i]) * 0.5f;
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_BezierBareLookup);
} // namespace
