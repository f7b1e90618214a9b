// The text and texture-list costs the frame pays:
// - the console's five recent lines (each with its shadow) drawn as every
//   frame draws them, against the same lines changing every frame, which
//   lays out and uploads each text again;
// - every mesh object of a full world leaving the texture lists, as a world
//   reset deletes them (per mesh, with many textures in the registry).
#include "bench/BenchDevice.h"
#include "mesh/Mesh.h"
#include "platform/d3dx/Font.h"
#include "render/Renderer.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr int kLines = 5;

// One frame of the console's recent lines: shadow, then the green text.
void DrawLines(ID3DXFont* font, IDirect3DDevice9* device, const std::vector<std::string>& lines)
{
    device->BeginScene();
    for (int i = 0; i < kLines; ++i)
    {
        RECT shadow = {3, 14 * i + 1, 640, 14 * i + 21};
        RECT text = {2, 14 * i, 640, 14 * i + 20};
        font->DrawTextA(nullptr, lines[i].c_str(), -1, &shadow, DT_LEFT | DT_TOP | DT_NOCLIP, 0xFF000000);
        font->DrawTextA(nullptr, lines[i].c_str(), -1, &text, DT_LEFT | DT_TOP | DT_NOCLIP, 0xFF80FF80);
    }
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void BM_ConsoleRecentLines(benchmark::State& state)
{
    const bool changing = state.range(0) != 0;
    BenchDevice bench(true, 1280, 720);
    ID3DXFont* font = nullptr;
    if (FAILED(D3DXCreateFontA(bench.device, 20, 0, 400, 1, FALSE, 0, 0, 0, 0, "DejaVu Sans", &font)))
    {
        state.SkipWithError("no font");
        return;
    }
    std::vector<std::string> lines;
    for (int i = 0; i < kLines; ++i)
        lines.push_back("Meshes loaded: " + std::to_string(60 + i) + " - textures and sounds are ready");
    long frame = 0;
    for (auto _ : state)
    {
        if (changing)
            lines[kLines - 1] = "Frame " + std::to_string(frame) + " of the level";
        DrawLines(font, bench.device, lines);
        ++frame;
    }
    font->Release();
    state.counters["frames_per_second"] = benchmark::Counter(double(frame), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConsoleRecentLines)->Arg(0)->Arg(1)->ArgNames({"changing"})->Unit(benchmark::kMillisecond);

void BM_RemoveEveryMeshFromTheTextureLists(benchmark::State& state)
{
    const int textures = static_cast<int>(state.range(0));
    constexpr int kMeshes = 3000;
    constexpr int kSubsets = 3;
    strObject object = {};
    for (auto _ : state)
    {
        state.PauseTiming();
        // Records without files: the registry lists them all the same.
        g_pD3DInterface = nullptr;
        std::vector<EMesh> meshes(kMeshes);
        char name[32];
        for (int m = 0; m < kMeshes; ++m)
        {
            meshes[m].m_hObject = &object;
            for (int s = 0; s < kSubsets; ++s)
            {
                std::snprintf(name, sizeof name, "t%d.tga", (m * 7 + s * 13) % textures);
                g_Renderer.LoadMeshTextures(name, &meshes[m], DWORD(s));
            }
        }
        state.ResumeTiming();
        for (EMesh& mesh : meshes)
            g_Renderer.RemoveMeshTextureRefs(&mesh);
        state.PauseTiming();
        g_Renderer.ClearTextures();
        state.ResumeTiming();
    }
    state.counters["meshes"] = kMeshes;
}
BENCHMARK(BM_RemoveEveryMeshFromTheTextureLists)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
} // namespace
