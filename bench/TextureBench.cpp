// Texture start-up and loading costs, each against its bare baseline in the
// same run, reported as ratios:
// - the start-up scan of 5,000 texture files in 200 folders against a bare
//   recursive listing of the same tree;
// - a 2048 x 2048 DXT5 .dds with its mip chain against reading the file;
// - a 2048 x 2048 TGA with a generated mip chain against decoding it with
//   stb_image alone.
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "bench/BenchDevice.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/Texture.h"
#include "render/Renderer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace
{
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 25;
constexpr unsigned kEdge = 2048;

struct BenchFolder
{
    explicit BenchFolder(const char* name)
    {
        previous = fs::current_path();
        path = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
        fs::current_path(path);
    }
    ~BenchFolder()
    {
        std::error_code ec;
        fs::current_path(previous, ec);
        fs::remove_all(path, ec);
    }
    fs::path path, previous;
};

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadBytes(const char* path)
{
    std::string bytes;
    if (FILE* f = std::fopen(path, "rb"))
    {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(size_t(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
            bytes.clear();
        std::fclose(f);
    }
    return bytes;
}

void Put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(char(v >> (8 * i)));
}

// A 2048 x 2048 DXT5 file with its twelve levels of varied blocks.
std::string Dxt5File()
{
    std::string s = "DDS ";
    const uint32_t levels = 12;
    Put32(s, 124);
    Put32(s, 0x21007);
    Put32(s, kEdge);
    Put32(s, kEdge);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, levels);
    for (int i = 0; i < 11; ++i)
        Put32(s, 0);
    Put32(s, 32);
    Put32(s, 0x4);
    Put32(s, 0x35545844); // "DXT5"
    for (int i = 0; i < 5; ++i)
        Put32(s, 0);
    Put32(s, 0x401008);
    for (int i = 0; i < 4; ++i)
        Put32(s, 0);
    uint32_t state = 1;
    for (unsigned e = kEdge, l = 0; l<levels; e = e> 1 ? e / 2 : 1, ++l)
    {
        const unsigned blocks = ((e + 3) / 4) * ((e + 3) / 4);
        for (unsigned b = 0; b < blocks * 4; ++b)
        {
            state = state * 1103515245u + 12345u;
            Put32(s, state);
        }
    }
    return s;
}

std::string TgaFile()
{
    std::string s;
    s.push_back(0);
    s.push_back(0);
    s.push_back(2);
    s.append(9, '\0');
    s.push_back(char(kEdge & 0xFF));
    s.push_back(char(kEdge >> 8));
    s.push_back(char(kEdge & 0xFF));
    s.push_back(char(kEdge >> 8));
    s.push_back(32);
    s.push_back(0x28);
    s.reserve(s.size() + size_t(kEdge) * kEdge * 4);
    for (unsigned y = 0; y < kEdge; ++y)
        for (unsigned x = 0; x < kEdge; ++x)
        {
            s.push_back(char(x));
            s.push_back(char(y));
            s.push_back(char(x ^ y));
            s.push_back(char(255));
        }
    return s;
}

struct HeadlessDevice : BenchDevice
{
    HeadlessDevice() : BenchDevice(false) {}
};

template <class F> double Seconds(F&& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The tree is made once for every run of the benchmark: making 5,000 files
// costs far more than listing them.
struct ScanTree
{
    ScanTree() : folder("tk-bench-scan")
    {
        for (int d = 0; d < kFolders; ++d)
        {
            const fs::path sub = folder.path / ("folder" + std::to_string(d));
            fs::create_directories(sub);
            for (int f = 0; f < kFilesPerFolder; ++f)
                WriteBytes(sub / ("tex" + std::to_string(d) + "_" + std::to_string(f) + ".tga"), "x");
        }
    }
    BenchFolder folder;
};

void BM_TextureScanAgainstBareListing(benchmark::State& state)
{
    static ScanTree tree;
    fs::current_path(tree.folder.path);
    double scan = 0, bare = 0;
    for (auto _ : state)
    {
        bare += Seconds(
            []
            {
                size_t files = 0;
                for (const auto& entry : fs::recursive_directory_iterator("."))
                    files += entry.is_regular_file();
                benchmark::DoNotOptimize(files);
            });
        scan += Seconds(
            []
            {
                g_Renderer.FreeTexturePaths();
                g_Renderer.ScanTextureDirectory();
            });
    }
    g_Renderer.FreeTexturePaths();
    state.counters["ratio_to_bare_listing"] = bare > 0 ? scan / bare : 0;
}
TK_BENCHMARK(BM_TextureScanAgainstBareListing)->Unit(benchmark::kMillisecond);

void BM_Dxt5LoadAgainstFileRead(benchmark::State& state)
{
    BenchFolder folder("tk-bench-dds");
    WriteBytes(folder.path / "big.dds", Dxt5File());
    HeadlessDevice d;
    double load = 0, read = 0;
    for (auto _ : state)
    {
        read += Seconds([] { benchmark::DoNotOptimize(ReadBytes("big.dds")); });
        load += Seconds(
            [&]
            {
                IDirect3DTexture9* texture = nullptr;
                if (SUCCEEDED(D3DXCreateTextureFromFileA(d.device, "big.dds", &texture)))
                    texture->Release();
            });
    }
    state.counters["ratio_to_file_read"] = read > 0 ? load / read : 0;
}
TK_BENCHMARK(BM_Dxt5LoadAgainstFileRead)->Unit(benchmark::kMillisecond);

void BM_TgaLoadAgainstStbDecode(benchmark::State& state)
{
    BenchFolder folder("tk-bench-tga");
    WriteBytes(folder.path / "big.tga", TgaFile());
    HeadlessDevice d;
    double load = 0, decode = 0;
    for (auto _ : state)
    {
        decode += Seconds(
            []
            {
                const std::string bytes = ReadBytes("big.tga");
                int w = 0, h = 0, comp = 0;
                stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                                        int(bytes.size()), &w, &h, &comp, 4);
                benchmark::DoNotOptimize(pixels);
                stbi_image_free(pixels);
            });
        load += Seconds(
            [&]
            {
                IDirect3DTexture9* texture = nullptr;
                if (SUCCEEDED(D3DXCreateTextureFromFileA(d.device, "big.tga", &texture)))
                    texture->Release();
            });
    }
    state.counters["ratio_to_stb_decode"] = decode > 0 ? load / decode : 0;
}
TK_BENCHMARK(BM_TgaLoadAgainstStbDecode)->Unit(benchmark::kMillisecond);
} // namespace
