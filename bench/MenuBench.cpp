// The menu: opening it (the backdrop's textures, the figure and the rifle,
// 20 puffs and the main page) and closing it again, in wall time; and one
// menu frame on the main page (the update with its puffs and mouse step, the
// drawing of the picture, the puffs, the sun-lit figure and rifle, the items
// and the cursor) in thread CPU time, so the GL driver's own threads do not
// count. The frame's draw calls are reported.
#include "support/BuildPaths.h"
#include "BenchDevice.h"

#include "mesh/MeshMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "render/EffectMgr.h"
#include "render/Font.h"
#include "render/Renderer.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "ui/Menu.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace
{
constexpr UINT kWidth = 1280;
constexpr UINT kHeight = 720;

double ThreadSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Closing the menu saves the key bindings into "save\keys.cfg" of the
// current folder: the scene runs in a folder of its own holding a copy of the
// data it reads, never in the bundled data tree.
std::filesystem::path SceneFolder()
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("tk-bench-menu-" + std::to_string(::getpid()));
    for (const char* part :
         {"textures", "models/postacie", "prefabs/bronie_static", "fx", "misc", "sounds/special"})
    {
        fs::create_directories(folder / part);
        fs::copy(tk::test::DataDir() / part, folder / part,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    return folder;
}

struct MenuScene : BenchDevice
{
    MenuScene()
        : BenchDevice(true, kWidth, kHeight), previous(std::filesystem::current_path()), folder(SceneFolder())
    {
        std::filesystem::current_path(folder);
        g_Options.screenwidth = static_cast<int>(kWidth);
        g_Options.screenheight = static_cast<int>(kHeight);
        g_Options.fScreenScaleX = static_cast<float>(kWidth) / 1024.0f;
        g_Options.fScreenScaleY = static_cast<float>(kHeight) / 768.0f;
        g_Renderer.ScanTextureDirectory();
        g_EffectMgr.Init();
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
        g_Font.CreateVB();
        g_Font.CreateFonts();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    }
    ~MenuScene()
    {
        g_Menu.Close();
        g_Menu.ReleaseBackdrop();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_EffectMgr.Release();
        g_Font.Release();
        g_TTFontMgr.ReleaseFonts();
        g_Renderer.ClearTextures();
        g_Renderer.FreeTexturePaths();
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    void Frame()
    {
        g_Menu.Update();
        device->BeginScene();
        g_Menu.Render();
        device->EndScene();
    }
    std::filesystem::path previous;
    std::filesystem::path folder;
};

void BM_MenuOpenAndClose(benchmark::State& state)
{
    MenuScene scene;
    // The first opening loads the model and textures from the files.
    g_Menu.Open(1, CMenu::PAGE_MAIN);
    scene.Frame();
    g_Menu.Close();
    for (auto _ : state)
    {
        g_Menu.Open(1, CMenu::PAGE_MAIN);
        g_Menu.BuildPage();
        g_Menu.Close();
    }
}
BENCHMARK(BM_MenuOpenAndClose)->Unit(benchmark::kMillisecond);

void BM_MenuFrameMainPage(benchmark::State& state)
{
    MenuScene scene;
    g_Menu.Open(1, CMenu::PAGE_MAIN);
    for (int warm = 0; warm < 3; ++warm)
    {
        scene.Frame();
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    UINT draws = 0;
    for (auto _ : state)
    {
        const double t0 = ThreadSeconds();
        scene.Frame();
        state.SetIterationTime(ThreadSeconds() - t0);
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
        draws = TkD3D9GetDrawCount(scene.device, TkFrame::Last);
    }
    state.counters["draws"] = draws;
    state.counters["puffs"] = g_Menu.PuffCount();
}
BENCHMARK(BM_MenuFrameMainPage)->UseManualTime()->Unit(benchmark::kMicrosecond);
} // namespace
