// Loading a generated world of 4,000 objects over 300 distinct meshes (after
// one load has warmed the mesh cache), against a bare loop that reads the same
// files and parses every number in them, reported as a ratio.
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Path.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "tests/support/GameWindow.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "world/Engine.h"
#include "world/WorldMgr.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int DISTINCT_MESHES = 300;
constexpr int MESH_OBJECTS = MAX_MESH_OBJECTS;
constexpr int LIGHT_OBJECTS = MAX_LIGHT_OBJECTS;
constexpr int SKIN_OBJECTS = 4000 - MESH_OBJECTS - LIGHT_OBJECTS;
constexpr int DISTINCT_MODELS = 10;
constexpr int DISTINCT_TEXTURES = 10;
constexpr int TEXTURE_SIZE = 4;
constexpr const char* WORLD = "worlds\\bench.w";

std::string MeshName(int i)
{
    return "meshes\\bench\\m" + std::to_string(i) + ".x";
}

std::string ModelFolder(int i)
{
    return "models\\bench" + std::to_string(i);
}

std::string ModelName(int i)
{
    return ModelFolder(i) + "\\bench" + std::to_string(i) + ".x";
}

std::string TextureName(int i)
{
    return "textures\\bench\\t" + std::to_string(i) + ".tga";
}

// An uncompressed 32-bit TGA of one colour.
void WriteTexture(const std::string& path, unsigned char shade)
{
    unsigned char header[18] = {};
    header[2] = 2;             // true-colour, uncompressed
    header[12] = TEXTURE_SIZE; // width
    header[14] = TEXTURE_SIZE; // height
    header[16] = 32;           // bits a pixel
    header[17] = 8;            // alpha bits
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    for (int p = 0; p < TEXTURE_SIZE * TEXTURE_SIZE; ++p)
        bytes +=
            std::string{static_cast<char>(shade), static_cast<char>(shade), static_cast<char>(shade), '\xff'};
    std::ofstream(path, std::ios::binary) << bytes;
}

tk::xfile::XMeshDesc BoxMesh(float s, const std::string& texture = std::string())
{
    tk::xfile::XMeshDesc box;
    box.positions = {-s, 0, -s, -s, s, -s, s, s, -s, s, 0, -s, -s, 0, s, -s, s, s, s, s, s, s, 0, s};
    box.indices = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1,
                   3, 2, 6, 3, 6, 7, 1, 5, 6, 1, 6, 2, 0, 3, 7, 0, 7, 4};
    box.materials.resize(1);
    box.materials[0].texture = texture;
    return box;
}

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

struct BenchWorld
{
    BenchWorld()
    {
        dir = fs::temp_directory_path() / ("tk-worldbench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "meshes/bench");
        fs::create_directories(dir / "worlds");
        fs::create_directories(dir / "!opt");
        previous = fs::current_path();
        fs::current_path(dir);
        // The game starts in its data tree: textures are read from there.
        g_Console.SetStartupDirectory(dir.c_str());
        // Meshes load onto the headless device.
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        OpenGameWindow("WorldBench", 800, 600);
        CreateGameDevice();
        fs::create_directories(dir / "textures/bench");
        for (int i = 0; i < DISTINCT_TEXTURES; ++i)
        {
            WriteTexture(Slashes(TextureName(i)), static_cast<unsigned char>(100 + i * 10));
            files.push_back(Slashes(TextureName(i)));
        }
        // The game lists its textures at start-up; the meshes find theirs there.
        g_Renderer.ScanTextureDirectory();
        for (int i = 0; i < DISTINCT_MESHES; ++i)
        {
            const float s = 1.0f + static_cast<float>(i) * 0.01f;
            tk::xfile::XWriteMeshFile(MeshName(i).c_str(), BoxMesh(s, TextureName(i % DISTINCT_TEXTURES)),
                                      tk::xfile::XFormat::Text);
            files.push_back(Slashes(MeshName(i)));
        }
        for (int i = 0; i < DISTINCT_MODELS; ++i)
        {
            fs::create_directories(Slashes(ModelFolder(i)) + "/animations");
            std::ofstream(Slashes(ModelFolder(i)) + "/animations/animations_desc.txt") << "\n";
            // A one-bone skinned model: a box skinned to its root bone.
            SkinModelDesc model;
            model.bones.push_back({"Bip01", -1, {}});
            D3DXMatrixIdentity(&model.bones[0].local);
            model.mesh = BoxMesh(1.0f);
            model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
            WriteSkinModelFile(ModelName(i).c_str(), model, tk::xfile::XFormat::Text);
            files.push_back(Slashes(ModelName(i)));
        }
        std::ostringstream w;
        w << "world_general_properties\r\nfarz 3000\r\nfog0 8421504 1.0 0.5\r\n";
        for (int i = 0; i < MESH_OBJECTS; ++i)
            w << "mesh " << MeshName(i % DISTINCT_MESHES) << "\r\nname m" << i << "\r\nxpos "
              << (i % 60) * 7.5 << "\r\nypos 0\r\nzpos " << (i / 60) * 7.5 << "\r\nflags 4\r\n";
        for (int i = 0; i < SKIN_OBJECTS; ++i)
            w << "skinmesh " << ModelName(i % DISTINCT_MODELS) << "\r\nname s" << i << "\r\nxpos " << i
              << "\r\nzpos -20\r\n";
        for (int i = 0; i < LIGHT_OBJECTS; ++i)
            w << "light\r\nname l" << i << "\r\nxpos " << i * 3 << "\r\nypos 8\r\nrange 20\r\npower 1\r\n"
              << "diffuse 1 0.9 0.8\r\n";
        std::ofstream(Slashes(WORLD), std::ios::binary) << w.str();
        files.push_back(Slashes(WORLD));
    }
    ~BenchWorld()
    {
        Env.DeleteSkyMesh();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_D3DMain.Shutdown();
        SAFE_RELEASE(g_pD3D);
        DestroyWindow(g_hWnd);
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir, previous;
    std::vector<std::string> files;
};

// Reads every file of the world whole and parses each number in it.
double BareReadNanoseconds(const std::vector<std::string>& files)
{
    const auto start = std::chrono::steady_clock::now();
    double sum = 0.0;
    std::vector<char> bytes;
    for (const std::string& name : files)
    {
        FILE* f = TkFopen(name.c_str(), "rb");
        if (!f)
            continue;
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)) + 1);
        std::rewind(f);
        const size_t got = std::fread(bytes.data(), 1, bytes.size() - 1, f);
        std::fclose(f);
        bytes[got] = 0;
        for (const char* p = bytes.data(); *p;)
        {
            char* end = nullptr;
            if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.')
            {
                sum += std::strtod(p, &end);
                p = end > p ? end : p + 1;
            }
            else
                ++p;
        }
    }
    benchmark::DoNotOptimize(sum);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count();
}

void BM_WorldLoad4000Objects(benchmark::State& state)
{
    BenchWorld world;
    // The first load warms the mesh cache.
    g_WorldMgr.LoadWorld(WORLD);
    if (g_Engine.GetObjectCount() != static_cast<DWORD>(MESH_OBJECTS + SKIN_OBJECTS + LIGHT_OBJECTS))
        state.SkipWithError("the generated world did not load whole");
    double loadNs = 0.0, bareNs = 0.0;
    int64_t loads = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        g_Engine.DeleteAllObjects();
        bareNs += BareReadNanoseconds(world.files);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(g_WorldMgr.LoadWorld(WORLD));
        loadNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        ++loads;
    }
    state.counters["objects"] = static_cast<double>(g_Engine.GetObjectCount());
    state.counters["load_ms"] = loadNs / static_cast<double>(loads) / 1e6;
    state.counters["bare_read_ms"] = bareNs / static_cast<double>(loads) / 1e6;
    // The goal: at most 2.
    state.counters["load_over_bare_read"] = bareNs > 0.0 ? loadNs / bareNs : 0.0;
}
TK_BENCHMARK(BM_WorldLoad4000Objects)->Unit(benchmark::kMillisecond)->Iterations(10);
} // namespace
