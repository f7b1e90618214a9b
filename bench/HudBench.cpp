// The HUD's frame with every element on (crosshair, ammunition bars and
// numbers, the minimap with 20 markers, the waypoint marker, 10 subtitle
// slots, the message box, the caption and both faders) against drawing the
// same number of rectangles and texts through ERect and EFont alone. Thread
// CPU time, so the GL driver's own threads do not count; the ratio shows what
// the HUD's own logic costs.
#include "support/BuildPaths.h"
#include "BenchDevice.h"

#include "game/MainGame.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Font.h"
#include "render/Renderer.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>

namespace
{
constexpr int kMarkers = 20;
constexpr int kTexts = 5; // ammunition numbers (3), the message and the caption

double ThreadSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct HudScene : BenchDevice
{
    HudScene() : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(tk::test::DataDir());
        g_Options.screenwidth = 64;
        g_Options.screenheight = 48;
        g_Options.fScreenScaleX = 64.0f / 1024.0f;
        g_Options.fScreenScaleY = 48.0f / 768.0f;
        g_Renderer.ScanTextureDirectory();
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
        g_Font.CreateVB();
        g_Font.CreateFonts();
        // The glyph sheets are drawn in a frame of their own.
        device->Present(nullptr, nullptr, nullptr, nullptr);
        g_Panel.Init();
        g_MainGame.m_iLevelFrame = 300;
        g_Engine.m_fDeltaTime = 1.0f / 60.0f;
        desc.Ammo = 30;
        desc.Unique_Id = 1;
        weapon.m_bUsed = 1;
        weapon.m_pDesc = &desc;
        weapon.m_iMagazine = 30;
        Bronie.current = &weapon;
        PlayerStats.m_bCombatMode = 1;
        target.bUsed = 1;
        target.vPosition = D3DXVECTOR3(40.0f, 0.0f, -30.0f); // behind: the edge arrow
        g_EngineObject.m_hDirectionPointerTarget = &target;
    }
    ~HudScene()
    {
        g_EngineObject.m_hDirectionPointerTarget = nullptr;
        Bronie.current = nullptr;
        g_Panel.Release();
        g_Font.Release();
        g_TTFontMgr.ReleaseFonts();
        g_Renderer.ClearTextures();
        g_Renderer.FreeTexturePaths();
        std::filesystem::current_path(previous);
    }
    // The services a busy moment sets again each frame.
    void Busy()
    {
        for (PanelHitMarker& marker : g_Panel.m_HitMarkers)
            marker.active = 0;
        for (int i = 0; i < kMarkers; ++i)
        {
            const float at[3] = {static_cast<float>(i), 0.0f, 5.0f};
            g_Panel.AddHitMarker(at);
        }
        for (int i = 0; i < MAX_SUBTITLES; ++i)
            g_Panel.ShowSubtitle("a line of subtitle over a speaker's head that wraps twice or more",
                                 reinterpret_cast<strpostac*>(speakers + i));
        g_Panel.ShowMessage("the first line of the message", "the second line", nullptr);
        g_Panel.SetCaption("Duskmere, the old town");
        g_Panel.FadeOut(100.0f);
        g_Panel.Fader2In(100.0f);
    }
    std::filesystem::path previous;
    EItemDesc desc = {};
    EItemInstance weapon = {};
    strObject target = {};
    char speakers[MAX_SUBTITLES] = {};
};

void BM_HudFrameEveryElement(benchmark::State& state)
{
    HudScene scene;
    UINT draws = 0;
    for (auto _ : state)
    {
        scene.Busy();
        const double t0 = ThreadSeconds();
        scene.device->BeginScene();
        g_Panel.Update();
        g_Panel.Render();
        scene.device->EndScene();
        state.SetIterationTime(ThreadSeconds() - t0);
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
        draws = TkD3D9GetDrawCount(scene.device, TkFrame::Last);
    }
    state.counters["draws"] = draws;
}
BENCHMARK(BM_HudFrameEveryElement)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same number of rectangles and texts through ERect and EFont alone.
void BM_HudSameDrawsAlone(benchmark::State& state)
{
    HudScene scene;
    for (int warm = 0; warm < 2; ++warm)
    {
        scene.Busy();
        scene.device->BeginScene();
        g_Panel.Update();
        g_Panel.Render();
        scene.device->EndScene();
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    const UINT draws = TkD3D9GetDrawCount(scene.device, TkFrame::Last);
    const int rects = draws > kTexts ? static_cast<int>(draws) - kTexts : 0;
    for (auto _ : state)
    {
        const double t0 = ThreadSeconds();
        scene.device->BeginScene();
        g_Panel.m_Crosshair.Begin2D(false);
        for (int i = 0; i < rects; ++i)
        {
            g_Panel.m_Crosshair.SetRect(1.0f, 1.0f, 10.0f + static_cast<float>(i % 7), 10.0f);
            g_Panel.m_Crosshair.Render(true);
        }
        g_Panel.m_Crosshair.Restore2D();
        g_Font.BeginText();
        for (int i = 0; i < kTexts; ++i)
            g_Font.DrawText("the first line of the message", 2.0f, 2.0f, 0xFFFFFFFF, 20.0f, 0, true, false);
        g_Font.EndText();
        scene.device->EndScene();
        state.SetIterationTime(ThreadSeconds() - t0);
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["draws"] = draws;
}
BENCHMARK(BM_HudSameDrawsAlone)->UseManualTime()->Unit(benchmark::kMicrosecond);
} // namespace
