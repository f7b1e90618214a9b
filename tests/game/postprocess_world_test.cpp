// The demo world through the post-process chain, in-process on the headless
// window and device: one frame's draw log holds the chain's passes in order,
// the picture is neither black nor saturated and shows the lamps' light, a
// hit flashes the screen red, and a device loss in play, or after a world
// change, ends with the device drawing again.
#include "game_fixture.h"

#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/win32/EventScript.h"
#include "player/Player.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/D3DMain.h"
#include "shell/Timer.h"
#include "tools/worldgen/DemoWorld.h"
#include "ui/LoadingScreen.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr DWORD kShownFrame = 215;

struct Picture
{
    std::vector<BYTE> rgb;
    double Mean(int channel) const
    {
        double sum = 0;
        for (size_t i = channel; i < rgb.size(); i += 3)
            sum += rgb[i];
        return sum / double(rgb.size() / 3);
    }
    double Brightness() const { return (Mean(0) + Mean(1) + Mean(2)) / 3.0; }
    // The share of pixels with every channel at 250 or more.
    double Saturated() const
    {
        size_t n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (rgb[i] >= 250 && rgb[i + 1] >= 250 && rgb[i + 2] >= 250)
                ++n;
        return double(n) / double(rgb.size() / 3);
    }
};

class PostProcessWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("PostProcessWorldTest", kWidth, kHeight));
        g_Options.PostProcessOff = 0;
    }

    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    void ShowLevel(DWORD frame)
    {
        ASSERT_NO_FATAL_FAILURE(StartLevel(frame - 1));
        g_Panel.m_fCoverAlpha = 0.0f;
        g_Panel.m_fFadeAlpha = 0.0f;
        g_Panel.m_bFadeIn = 0;
        g_Objective.Clear();
        Pass();
    }

    Picture Take(const char* name)
    {
        Picture p;
        TkSurfacePixels pixels = {};
        EXPECT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &pixels));
        p.rgb.assign(size_t(pixels.width) * pixels.height * 3, 0);
        for (UINT y = 0; y < pixels.height; ++y)
            for (UINT x = 0; x < pixels.width; ++x)
            {
                const BYTE* s = pixels.bits + y * pixels.pitch + x * 4;
                BYTE* q = &p.rgb[(size_t(y) * pixels.width + x) * 3];
                q[0] = s[2];
                q[1] = s[1];
                q[2] = s[0];
            }
        // For looking at: TK_TEST_PICTURES names a folder to keep the pictures in.
        if (const char* folder = std::getenv("TK_TEST_PICTURES"))
        {
            std::ofstream out(std::string(folder) + "/" + name + ".ppm", std::ios::binary);
            out << "P6\n" << pixels.width << " " << pixels.height << "\n255\n";
            out.write(reinterpret_cast<const char*>(p.rgb.data()), std::streamsize(p.rgb.size()));
        }
        return p;
    }

    // The technique names of the last frame's draws, in order, without repeats in a row.
    static std::vector<std::string> Techniques()
    {
        std::vector<std::string> names;
        for (const TkDrawRecord& draw : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
            if (draw.effect && (names.empty() || names.back() != draw.effect->technique))
                names.push_back(draw.effect->technique);
        return names;
    }

    static size_t IndexOf(const std::vector<std::string>& names, const std::string& name)
    {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return i;
        return names.size();
    }
};

TEST_F(PostProcessWorld, OneFrameRunsTheChainInItsOrderAndShowsTheLitTown)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    ASSERT_EQ(PostProcess.m_bEnabled, 1);
    Pass();
    const std::vector<std::string> names = Techniques();
    std::string all;
    for (const std::string& n : names)
        all += n + " ";
    SCOPED_TRACE(all);
    // The chain in its order: the AO passes, the sun, the point lights, the
    // HDR reduction and tone mapping, the composite.
    const std::vector<std::string> order = {
        "AO",          "AOBloomHorizontal", "AOBloomVertical", "Deferred",
        "DeferredVPL", "DeferredLight",     "HDRScaleDown1",   "HDRToMain",
        "ToScreen"};
    // The town's baked sky lights near the camera each drew their volume.
    EXPECT_GT(g_SkyLights.m_dwPickedCount, 0u);
    size_t last = 0;
    for (const std::string& step : order)
    {
        const size_t at = IndexOf(names, step);
        ASSERT_LT(at, names.size()) << step;
        EXPECT_GE(at, last) << step;
        last = at;
    }
    // The light volumes are tested against the scene's depth, though the AO
    // and sun passes before them turn the test off.
    for (const TkDrawRecord& draw : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
    {
        if (draw.effect && (draw.effect->technique == "DeferredVPL" ||
                            draw.effect->technique.rfind("DeferredLight", 0) == 0))
        {
            EXPECT_EQ(draw.RenderState(D3DRS_ZENABLE), DWORD(TRUE)) << draw.effect->technique;
        }
    }
    // The scene wrote the G-buffer: every scene draw had the four targets bound.
    size_t sceneDraws = 0;
    for (const TkDrawRecord& draw : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
        if (draw.effect && draw.effect->technique.rfind("RenderScene", 0) == 0 &&
            draw.renderTargets[0] == PostProcess.m_pMainSurf)
        {
            ++sceneDraws;
            EXPECT_EQ(draw.renderTargets[1], PostProcess.m_pAOPositionSurf);
            EXPECT_EQ(draw.renderTargets[3], PostProcess.m_pSpecularSurf);
        }
    EXPECT_GT(sceneDraws, 0u);

    const Picture shown = Take("postprocess_town");
    EXPECT_GT(shown.Brightness(), 40.0);
    EXPECT_LT(shown.Brightness(), 220.0);
    EXPECT_LT(shown.Saturated(), 0.2);

    // The lamps light the town: with them switched off the picture is darker.
    std::vector<HOBJECT> lamps;
    for (int slot = FIRST_LIGHT_SLOT; slot < g_Engine.m_iHighLight; ++slot)
        if (g_Engine.m_Objects[slot].bUsed && (g_Engine.m_Objects[slot].dwFlags & 1))
            lamps.push_back(&g_Engine.m_Objects[slot]);
    ASSERT_FALSE(lamps.empty());
    for (HOBJECT lamp : lamps)
        lamp->bLightOff = 1;
    Pass();
    Pass();
    const Picture unlit = Take("postprocess_town_unlit");
    EXPECT_LT(unlit.Brightness(), shown.Brightness() - 0.5);
    for (HOBJECT lamp : lamps)
        lamp->bLightOff = 0;
}

TEST_F(PostProcessWorld, TheRedFadesWithFrameTimeAndHalfHealthDrainsTheColour)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    PostProcess.m_fRed = 1.5f;
    float elapsed = 0.0f;
    float expected = 1.5f;
    for (int guard = 0; PostProcess.m_fRed > 0.0f && guard < 2000; ++guard)
    {
        Pass();
        // The composite sends half the value it had before the frame's fade.
        EXPECT_NEAR(PostProcess.m_fLastRed, expected * 0.5f, 1e-4f);
        elapsed += g_Engine.m_fDeltaTime;
        expected = std::max(0.0f, expected - g_Engine.m_fDeltaTime);
        EXPECT_NEAR(PostProcess.m_fRed, expected, 1e-4f);
    }
    EXPECT_EQ(PostProcess.m_fRed, 0.0f);
    EXPECT_NEAR(elapsed, 1.5f, 0.5f);

    PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth * 0.5f;
    Pass();
    // (The hero heals a little within the frame.)
    EXPECT_NEAR(PostProcess.m_fLastBW, 0.6f, 0.005f);
    PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth;
    Pass();
    EXPECT_FLOAT_EQ(PostProcess.m_fLastBW, 1.0f);
}

TEST_F(PostProcessWorld, AHitFlashesTheScreenRed)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    const Picture before = Take("postprocess_before_hit");
    Player.ChangeHealth(-30.0f, 0.0f, 0, 1);
    EXPECT_GT(PostProcess.m_fRed, 0.0f);
    Pass();
    const Picture hit = Take("postprocess_hit");
    EXPECT_GT(PostProcess.m_fLastRed, 0.0f);
    // Redder than before, the other channels darker.
    EXPECT_GT(hit.Mean(0) - hit.Mean(1), before.Mean(0) - before.Mean(1) + 20.0);
}

// The share of pixels whose three channels lie within `spread` of each other.
double GreyShare(const Picture& p, int spread)
{
    size_t n = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3)
    {
        const int r = p.rgb[i], g = p.rgb[i + 1], b = p.rgb[i + 2];
        if (std::max({r, g, b}) - std::min({r, g, b}) <= spread)
            ++n;
    }
    return double(n) / double(p.rgb.size() / 3);
}

// The draws of the last frame that showed the AO result on the back buffer
// through the fixed-function 2D path.
std::vector<TkDrawRecord> AOViewDraws()
{
    std::vector<TkDrawRecord> found;
    for (const TkDrawRecord& draw : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
        if (!draw.effect && draw.textures[0] == PostProcess.m_pAOTex[0])
            found.push_back(draw);
    return found;
}

TEST_F(PostProcessWorld, TheAODebugViewShowsTheOcclusionOverTheWholeScreenOnlyWhenBothSwitchesAreOn)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    g_Options.AOEnable = 1;
    g_Options.AODrawSurface = 0;
    Pass();
    EXPECT_TRUE(AOViewDraws().empty());
    const Picture town = Take("postprocess_ao_off");

    g_Options.AODrawSurface = 1;
    Pass();
    const std::vector<TkDrawRecord> draws = AOViewDraws();
    ASSERT_EQ(draws.size(), 1u);
    const TkDrawRecord& view = draws[0];
    EXPECT_EQ(view.fvf, DWORD(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    EXPECT_EQ(view.RenderState(D3DRS_ZENABLE), DWORD(FALSE));
    // Drawn onto the presented picture, not into a target of the chain.
    EXPECT_NE(view.renderTargets[0], PostProcess.m_pMainSurf);
    EXPECT_NE(view.renderTargets[0], PostProcess.m_pAOSurf[0]);
    // The stage lets the target go: a reset must find no reference left.
    IDirect3DBaseTexture9* stage0 = nullptr;
    g_pD3DInterface->GetTexture(0, &stage0);
    EXPECT_NE(stage0, static_cast<IDirect3DBaseTexture9*>(PostProcess.m_pAOTex[0]));
    if (stage0)
        stage0->Release();

    // The coloured town gives way to the grey occlusion term: open sky and
    // walls light, corners darker, the HUD still drawn on top.
    const Picture ao = Take("postprocess_ao_view");
    EXPECT_LT(GreyShare(town, 4), 0.5);
    EXPECT_GT(GreyShare(ao, 4), 0.85);
    EXPECT_GT(ao.Brightness(), 100.0);
    size_t darker = 0;
    for (size_t i = 0; i < ao.rgb.size(); i += 3)
        if (ao.rgb[i] < 230)
            ++darker;
    EXPECT_GT(darker, 0u) << "some corner is occluded";

    // Without the AO pass there is no view, whatever the other switch says.
    g_Options.AOEnable = 0;
    Pass();
    EXPECT_TRUE(AOViewDraws().empty());
    EXPECT_LT(GreyShare(Take("postprocess_ao_disabled"), 4), 0.5);
    g_Options.AOEnable = 1;

    // A device loss while the view is up ends with it drawing again.
    const uint32_t now = TkFrameCount();
    TkLoadScriptText("frame " + std::to_string(now + 1) + ": device lost\nframe " + std::to_string(now + 4) +
                         ": device restored\n",
                     "loss.txt");
    for (int i = 0; i < 12; ++i)
        Pass();
    TkClearScript();
    EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::Ok);
    Pass();
    EXPECT_EQ(AOViewDraws().size(), 1u);
    g_Options.AODrawSurface = 0;
}

// The brightest channel of the sun-flare target.
int BrightestFlareChannel()
{
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc = {};
    PostProcess.m_pSunFlareSurf->GetDesc(&desc);
    EXPECT_EQ(g_pD3DInterface->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                           D3DPOOL_SYSTEMMEM, &copy, nullptr),
              D3D_OK);
    int brightest = -1;
    D3DLOCKED_RECT locked = {};
    if (copy && g_pD3DInterface->GetRenderTargetData(PostProcess.m_pSunFlareSurf, copy) == D3D_OK &&
        copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
    {
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
            {
                const BYTE* p = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * 4;
                brightest = std::max({brightest, int(p[0]), int(p[1]), int(p[2])});
            }
        copy->UnlockRect();
    }
    if (copy)
        copy->Release();
    return brightest;
}

TEST_F(PostProcessWorld, TheSunsFlareIsDrawnWhileItsDiscReachesTheScreenAndLeftBlackOtherwise)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    const D3DXVECTOR3 light = Env.m_vSkyLightDir;
    const D3DXVECTOR3 forward = g_Camera.GetViewFrame().Forward;
    auto drawsFlare = [] { return IndexOf(Techniques(), "SunFlare") < Techniques().size(); };

    // The light comes towards the camera: the sun stands before it, over the sky.
    Env.m_vSkyLightDir = -forward;
    Pass();
    EXPECT_TRUE(drawsFlare());
    // Last frame's glow, as a sun in view would leave it.
    ASSERT_EQ(
        g_pD3DInterface->ColorFill(PostProcess.m_pSunFlareSurf, nullptr, D3DCOLOR_ARGB(255, 255, 255, 255)),
        D3D_OK);
    ASSERT_EQ(BrightestFlareChannel(), 255);

    // The sun behind the camera: no pass, and last frame's glow is gone.
    Env.m_vSkyLightDir = forward;
    Pass();
    EXPECT_EQ(PostProcess.m_vSunPosition.x, 10.0f);
    EXPECT_FALSE(drawsFlare());
    EXPECT_EQ(BrightestFlareChannel(), 0);
    EXPECT_LT(IndexOf(Techniques(), "ToScreen"), Techniques().size());
    Env.m_vSkyLightDir = light;
}

TEST_F(PostProcessWorld, ADeviceLossInPlayAndAfterAWorldChangeEndsDrawingAgain)
{
    ASSERT_NO_FATAL_FAILURE(ShowLevel(kShownFrame));
    auto loseAndRestore = [this]
    {
        const uint32_t now = TkFrameCount();
        TkLoadScriptText("frame " + std::to_string(now + 1) + ": device lost\nframe " +
                             std::to_string(now + 4) + ": device restored\n",
                         "loss.txt");
        for (int i = 0; i < 12; ++i)
            Pass();
        TkClearScript();
        EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::Ok);
    };
    loseAndRestore();
    EXPECT_NE(PostProcess.m_pMainTex, nullptr);
    EXPECT_EQ(PostProcess.SavedTarget, nullptr);
    Pass();
    EXPECT_LT(IndexOf(Techniques(), "ToScreen"), Techniques().size()) << "the chain draws again";
    const Picture after = Take("postprocess_after_loss");
    EXPECT_GT(after.Brightness(), 40.0);

    // A world change: the loading screen is up while the level frames pass
    // 151; the frame goes to the back buffer and a loss there recovers too.
    g_Engine.StartWorld(worldgen::DEMO_WORLD_FILE);
    for (int guard = 0; !g_LoadingScreen.m_bActive && guard < 50; ++guard)
        Pass();
    for (int i = 0; i < 20; ++i)
        Pass();
    EXPECT_EQ(PostProcess.SavedTarget, nullptr);
    EXPECT_EQ(PostProcess.Redirected(), false);
    const Picture loading = Take("postprocess_loading");
    loseAndRestore();
    const Picture restored = Take("postprocess_loading_after_loss");
    EXPECT_NEAR(restored.Brightness(), loading.Brightness(), 2.0) << "the loading screen shows as before";
}
} // namespace
