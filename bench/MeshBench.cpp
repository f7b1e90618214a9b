// Mesh loading speed, each reported as a ratio within one run:
// - a 10 MB binary .x mesh through D3DXLoadMeshFromX against reading its bytes and parsing its floats
//   with a bare loop; the same mesh as text against reading it and parsing its numbers;
// - a world's 300 distinct meshes through the mesh table with a cold and with a warm "!opt" cache.
#include "bench/Harness.h"
#include "mesh/MeshMgr.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "bench/BenchDevice.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace
{
using tk::xfile::XFormat;
using tk::xfile::XMeshDesc;

constexpr int kGrid = 315;         // a 315 x 315 vertex grid: about 10 MB as binary
constexpr int kWorldMeshes = 300;  // distinct meshes of a world
constexpr int kWorldMeshGrid = 12; // vertices per side of each world mesh
constexpr int kRuns = 3;           // the best of a few runs of each side
constexpr int kLoadRuns = 8;       // runs of each side of the 10 MB load

struct Device : BenchDevice
{
    ~Device() { g_MeshMgr.ReleaseAll(); }
};

struct Folder
{
    explicit Folder(const char* name)
    {
        std::error_code ec;
        previous = std::filesystem::current_path(ec);
        if (ec)
            previous = std::filesystem::temp_directory_path();
        path = std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~Folder()
    {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path, previous;
};

// A wavy grid of n x n vertices with normals and texture coordinates, split into two materials.
XMeshDesc Grid(int n, float phase)
{
    XMeshDesc grid;
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
        {
            const float fx = static_cast<float>(x), fz = static_cast<float>(z);
            grid.positions.insert(grid.positions.end(),
                                  {fx, std::sin(fx * 0.3f + phase) * std::cos(fz * 0.2f), fz});
            grid.normals.insert(grid.normals.end(), {0, 1, 0});
            grid.texcoords.insert(grid.texcoords.end(), {fx / n, fz / n});
        }
    for (int z = 0; z + 1 < n; ++z)
        for (int x = 0; x + 1 < n; ++x)
        {
            const uint32_t a = static_cast<uint32_t>(z * n + x), b = a + 1, c = a + n, d = c + 1;
            grid.indices.insert(grid.indices.end(), {a, c, d, a, d, b});
            const uint32_t m = x < n / 2 ? 0 : 1;
            grid.faceMaterials.insert(grid.faceMaterials.end(), {m, m});
        }
    tk::xfile::XMaterialDesc a, b;
    a.texture = "a.tga";
    b.texture = "b.tga";
    grid.materials = {a, b};
    return grid;
}

std::vector<char> ReadAll(const char* path)
{
    std::vector<char> bytes;
    if (FILE* f = std::fopen(path, "rb"))
    {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    return bytes;
}

// The thread's processor time: other programs on the machine do not count.
double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class F> double BestSeconds(F&& f, int runs = 1)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
    {
        const double start = CpuSeconds();
        f();
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

// The bare loop over a binary file: its bytes, then every 4-byte word after the header as a float.
double BareBinary(const char* path)
{
    return BestSeconds(
        [&]
        {
            const std::vector<char> bytes = ReadAll(path);
            std::vector<float> floats(bytes.size() / sizeof(float));
            for (size_t i = 0; i < floats.size(); ++i)
                std::memcpy(&floats[i], bytes.data() + i * sizeof(float), sizeof(float));
            benchmark::DoNotOptimize(floats.data());
        });
}

// The bare loop over a text file: its bytes, then every number in it parsed as a float.
double BareText(const char* path)
{
    return BestSeconds(
        [&]
        {
            const std::vector<char> bytes = ReadAll(path);
            std::vector<float> floats;
            floats.reserve(bytes.size() / 4);
            const char* p = bytes.data();
            const char* end = p + bytes.size();
            while (p < end)
            {
                if ((*p >= '0' && *p <= '9') || *p == '-')
                {
                    float f;
                    const auto r = std::from_chars(p, end, f);
                    floats.push_back(f);
                    p = r.ptr > p ? r.ptr : p + 1;
                }
                else
                    ++p;
            }
            benchmark::DoNotOptimize(floats.data());
        });
}

double LoadSeconds(const char* path)
{
    return BestSeconds(
        [&]
        {
            ID3DXMesh* mesh = nullptr;
            D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, g_pD3DInterface, nullptr, nullptr,
                               nullptr, nullptr, &mesh);
            benchmark::DoNotOptimize(mesh);
            if (mesh)
                mesh->Release();
        });
}

// glibc serves a block from fresh zeroed pages or from its heap depending on the largest block freed
// so far (its mmap threshold grows with each one, up to 32 MB, and its trim threshold with it), so
// the bare loop's two 10 MB buffers cost page faults or not according to what ran earlier in the
// process: the figure moved from 1.6 to 4.6 with the benchmark before it. The thresholds are set to
// where glibc's own growth ends, the state any earlier large block leads to, so both sides are
// measured on reused memory whatever ran before.
void SettleAllocator()
{
    constexpr int kMmapThresholdMax = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, kMmapThresholdMax);
    mallopt(M_TRIM_THRESHOLD, 2 * kMmapThresholdMax);
}

void BM_LoadTenMegabyteMesh(benchmark::State& state)
{
    SettleAllocator();
    Folder folder("tk-bench-mesh");
    Device device;
    const XMeshDesc grid = Grid(kGrid, 0.0f);
    tk::xfile::XWriteMeshFile("big_bin.x", grid, XFormat::Binary);
    tk::xfile::XWriteMeshFile("big_txt.x", grid, XFormat::Text);
    for (auto _ : state)
    {
        // Each side's best of several runs, taken in turn so both meet the same machine load.
        double binary = 1e30, text = 1e30, bareBinary = 1e30, bareText = 1e30;
        for (int run = 0; run < kLoadRuns; ++run)
        {
            bareBinary = std::min(bareBinary, BareBinary("big_bin.x"));
            binary = std::min(binary, LoadSeconds("big_bin.x"));
            bareText = std::min(bareText, BareText("big_txt.x"));
            text = std::min(text, LoadSeconds("big_txt.x"));
        }
        state.counters["binary_MB"] = static_cast<double>(std::filesystem::file_size("big_bin.x")) / 1e6;
        state.counters["binary_ms"] = binary * 1e3;
        state.counters["bare_binary_ms"] = bareBinary * 1e3;
        state.counters["binary_ratio"] = binary / bareBinary;
        state.counters["text_ratio"] = text / bareText;
    }
}
TK_BENCHMARK(BM_LoadTenMegabyteMesh)->Iterations(1)->Unit(benchmark::kMillisecond);

double LoadWorld()
{
    const double start = CpuSeconds();
    for (int i = 0; i < kWorldMeshes; ++i)
        g_MeshMgr.LoadMesh(("meshes\\m" + std::to_string(i) + ".x").c_str());
    const double seconds = CpuSeconds() - start;
    g_MeshMgr.ReleaseAll();
    return seconds;
}

void BM_WorldMeshesColdAndWarmCache(benchmark::State& state)
{
    Folder folder("tk-bench-world");
    Device device;
    std::filesystem::create_directories("meshes");
    for (int i = 0; i < kWorldMeshes; ++i)
        tk::xfile::XWriteMeshFile(("meshes/m" + std::to_string(i) + ".x").c_str(),
                                  Grid(kWorldMeshGrid, static_cast<float>(i)), XFormat::Binary);
    const GameOptions saved = g_Options;
    g_Options.UseOPT = 1;
    for (auto _ : state)
    {
        double cold = 1e30, warm = 1e30;
        for (int run = 0; run < kRuns; ++run)
        {
            std::filesystem::remove_all("!opt");
            std::filesystem::create_directories("!opt");
            cold = std::min(cold, LoadWorld()); // loads the .x files and writes the cache
            warm = std::min(warm, LoadWorld()); // reads the cache
        }
        state.counters["cold_ms"] = cold * 1e3;
        state.counters["warm_ms"] = warm * 1e3;
        state.counters["cold_over_warm"] = cold / warm;
    }
    g_Options = saved;
}
TK_BENCHMARK(BM_WorldMeshesColdAndWarmCache)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
