// The demo world's showcase of the sun-lit surfaces, in the whole game on the
// headless window and device, from the showcase marker: the pond, the fence,
// the windows, the tree and grass, the lamp's glow and shaft, the lava and the
// sun with its flare. In one frame every pass of those surfaces draws, none is
// skipped and the console says nothing of missing effects; the pond changes
// when its real-time reflection is switched off; the Fast order draws its own
// passes.
#include "game_fixture.h"

#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "render/LensFlare.h"
#include "render/Renderer.h"
#include "render/ShadowCubeMaps.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr DWORD kShownFrame = 230;

class ShowcaseWorld : public GameTest, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("ShowcaseWorldTest", kWidth, kHeight));
        g_Options.PostProcessOff = GetParam() ? 1 : 0;
        // Real-time water reflection and point-light shadows on.
        g_Options.VideoOptionD = 1;
        g_Options.VideoOptionA = 1;
    }

    void TearDown() override
    {
        CloseInProcessGame();
        GameTest::TearDown();
    }

    void StartLevel()
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
        HOBJECT marker = g_Engine.FindObject(worldgen::DEMO_SHOWCASE, 0);
        ASSERT_NE(marker, nullptr);
        g_Engine.ForceCameraToLook(marker, nullptr);
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        for (int guard = 0; g_MainGame.m_iLevelFrame + 1 < kShownFrame && guard < kGuard; ++guard)
            Pass();
        g_Panel.m_fCoverAlpha = 0.0f;
        g_Panel.m_fFadeAlpha = 0.0f;
        g_Panel.m_bFadeIn = 0;
        g_Objective.Clear();
        Pass();
        ASSERT_EQ(g_MainGame.m_bWorldActive, 1);
    }

    // The last presented picture as 0..255 RGB; written as a PPM file too when
    // TK_SHOWCASE_PICTURES names a folder, for a person to look at.
    std::vector<BYTE> Picture(const char* name)
    {
        TkSurfacePixels pixels = {};
        EXPECT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &pixels));
        std::vector<BYTE> out(size_t(kWidth) * kHeight * 3, 0);
        if (pixels.width != UINT(kWidth) || pixels.height != UINT(kHeight))
            return out;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const BYTE* p = pixels.bits + y * pixels.pitch + x * 4;
                BYTE* q = &out[(size_t(y) * kWidth + x) * 3];
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
            }
        if (const char* folder = std::getenv("TK_SHOWCASE_PICTURES"))
        {
            std::ofstream f(std::string(folder) + "/" + name + (GetParam() ? "_fast" : "_realistic") + ".ppm",
                            std::ios::binary);
            f << "P6\n" << kWidth << " " << kHeight << "\n255\n";
            f.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
        }
        return out;
    }

    // Where a world point shows; false off screen.
    static bool OnScreen(const D3DXVECTOR3& world, int* x, int* y)
    {
        D3DXMATRIX viewProj;
        D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &world, &viewProj);
        *x = int((ndc.x * 0.5f + 0.5f) * kWidth);
        *y = int((0.5f - ndc.y * 0.5f) * kHeight);
        return *x >= 0 && *y >= 0 && *x < kWidth && *y < kHeight && ndc.z > 0.0f && ndc.z < 1.0f;
    }

    // The techniques the last frame drew with, by effect file.
    static std::set<std::string> Techniques(const char* effect = nullptr)
    {
        std::set<std::string> out;
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
            if (r.effect && (!effect || r.effect->file.find(effect) != std::string::npos))
                out.insert(r.effect->technique);
        return out;
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, ShowcaseWorld, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? "Fast" : "Realistic"; });

TEST_P(ShowcaseWorld, EverySurfaceOfTheShowcaseDrawsInOneFrame)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel());
    const bool fast = GetParam();
    std::vector<BYTE> shown = Picture("showcase");
    const std::set<std::string> all = Techniques();
    std::string drawn;
    for (const std::string& t : all)
        drawn += t + " ";
    const std::set<std::string> lit = Techniques(fast ? "skylightF" : "skylight.");
    for (const char* t : {"RenderSceneT", "RenderGrass", "RenderTrees"})
        EXPECT_TRUE(lit.count(t)) << t << " among: " << drawn;
    for (const char* t : {"RenderSceneTransl10", "RenderSceneTransl11", "Additive", "RayOfLight"})
        EXPECT_TRUE(all.count(t)) << t << " among: " << drawn;
    if (fast)
        EXPECT_TRUE(all.count("RenderSceneAmbientWater")) << drawn;
    else
    {
        EXPECT_TRUE(all.count("RenderSceneAmbientWaterReflection")) << drawn;
        EXPECT_TRUE(all.count("RenderSceneAmbientLava")) << drawn;
        // The lamp's cube shadow, all six faces, and the water images.
        const int slot = g_ShadowCubeMaps.SlotOf(g_Engine.FindObject("showcase_light", 0));
        ASSERT_NE(slot, CShadowCubeMaps::NO_SLOT);
        // The lamp itself throws the shadow of its post.
        HOBJECT lamp = g_Engine.FindObject("showcase_lamp", 0);
        bool lampCasts = false;
        for (DWORD c = 0; c < g_ShadowCubeMaps.m_iCasterCount[slot]; ++c)
            lampCasts |= g_ShadowCubeMaps.m_pCasters[slot][c] == lamp;
        EXPECT_TRUE(lampCasts);
        EXPECT_GT(g_ShadowCubeMaps.m_iGenerated, 0u);
    }
    // The sun's flare is up: flare 4 far out towards the sun.
    ASSERT_EQ(g_LensFlare.m_bLoaded, 1);
    EXPECT_EQ(g_LensFlare.m_bShown, 1);
    if (HOBJECT disc = g_LensFlare.m_hFlares[3])
    {
        const D3DXVECTOR3 d = disc->vPosition - g_Camera.GetPosition();
        EXPECT_NEAR(D3DXVec3Length(&d), 1536.0f, 1.0f);
    }
    // No effect, creation or texture trouble in the console.
    for (const std::string& line : Log())
        for (const char* bad : {"HEFFECT", "ID3DXEffect", "FAILED", "Unable to create", "No water object!",
                                "brak normala", "Nieznana tekstura", "No lens flare", "Lens flare"})
            EXPECT_EQ(line.find(bad), std::string::npos) << line;

    // A picture that is neither black nor washed out.
    double sum = 0.0;
    for (BYTE b : shown)
        sum += b;
    const double mean = sum / double(shown.size());
    EXPECT_GT(mean, 40.0);
    EXPECT_LT(mean, 220.0);

    // The pond: with real-time reflection switched off it shows the
    // environment picture instead of the water maps (Realistic), and its
    // waves run at the Fast pace: its pixels change.
    HOBJECT pond = g_Engine.FindObject("water", 0);
    ASSERT_NE(pond, nullptr);
    int px = 0, py = 0;
    ASSERT_TRUE(OnScreen(pond->vPosition + D3DXVECTOR3(0.0f, 0.3f, 0.0f), &px, &py));
    g_Options.VideoOptionD = 0;
    Pass();
    std::vector<BYTE> plain = Picture("showcase_no_reflection");
    if (!fast)
    {
        double change = 0.0;
        int n = 0;
        for (int y = py - 6; y <= py + 6; ++y)
            for (int x = px - 12; x <= px + 12; ++x)
                if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
                    for (int c = 0; c < 3; ++c, ++n)
                        change += std::abs(int(shown[(size_t(y) * kWidth + x) * 3 + c]) -
                                           int(plain[(size_t(y) * kWidth + x) * 3 + c]));
        EXPECT_GT(change / n, 4.0) << "the pond around " << px << ", " << py;
    }
}
} // namespace
