// The sun's shadow cascades: their values by shadow quality, how they follow
// the camera, their maps as render targets, and what happens when the maps
// cannot be made.
#include "render_fixture.h"

#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"

#include <cstring>

namespace
{
class SkyShadowTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        Env.m_bUseSkyLight = 1;
        g_Options.DepthStencilFormat = D3DFMT_D16;
        g_Engine.m_iFrame = 1;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 10.0f, 0.0f));
        g_SkyShadow.ResetLightCache();
    }
    void TearDown() override
    {
        g_SkyShadow.Release();
        RenderTest::TearDown();
    }
    static void MarkAllRendered()
    {
        for (BYTE& r : g_SkyShadow.m_bRendered)
            r = 1;
    }
    static std::vector<int> Rendered()
    {
        return {g_SkyShadow.m_bRendered[0], g_SkyShadow.m_bRendered[1], g_SkyShadow.m_bRendered[2]};
    }
};

TEST_F(SkyShadowTest, QualitySetsSizesAndBiasesAndAnIndexAboveTwoReadsCascadeTwo)
{
    struct Case
    {
        DWORD quality;
        DWORD size0, size1;
        float bias0, bias1;
    };
    const Case cases[] = {
        {0, 2048, 2048, 0.05f, 0.6f},
        {1, 1024, 512, 0.3f, 1.5f},
        {2, 512, 256, 0.8f, 2.7f},
        {7, 512, 256, 0.8f, 2.7f},
    };
    for (const Case& c : cases)
    {
        g_Options.VideoLevel2 = c.quality;
        g_SkyShadow.CreateRenderTextures();
        DWORD size = 0, extent = 0, depth = 0;
        float bias = 0.0f;
        g_SkyShadow.GetCascade(0, &size, &extent, &depth, &bias);
        EXPECT_EQ(size, c.size0);
        EXPECT_EQ(extent, 80u);
        EXPECT_EQ(depth, 800u);
        EXPECT_FLOAT_EQ(bias, c.bias0);
        g_SkyShadow.GetCascade(1, &size, &extent, nullptr, &bias);
        EXPECT_EQ(size, c.size1);
        EXPECT_EQ(extent, 500u);
        EXPECT_FLOAT_EQ(bias, c.bias1);
        // Cascade 2: cascade 0's size, an eighth of its bias; 7 reads it too.
        for (DWORD index : {2u, 7u})
        {
            g_SkyShadow.GetCascade(index, &size, &extent, nullptr, &bias);
            EXPECT_EQ(size, c.size0);
            EXPECT_EQ(extent, 60u);
            EXPECT_FLOAT_EQ(bias, c.bias0 * 0.125f);
        }
        for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
        {
            ASSERT_NE(g_SkyShadow.m_pTexture[i], nullptr);
            D3DSURFACE_DESC desc = {};
            g_SkyShadow.m_pTexture[i]->GetLevelDesc(0, &desc);
            EXPECT_EQ(desc.Format, D3DFMT_R32F);
            EXPECT_EQ(desc.Width, i == 1 ? c.size1 : c.size0);
            EXPECT_EQ(desc.Usage & D3DUSAGE_RENDERTARGET, DWORD(D3DUSAGE_RENDERTARGET));
        }
    }
    // The bias of the best quality's dynamic cascade, as the receivers read it.
    g_Options.VideoLevel2 = 0;
    g_SkyShadow.CreateRenderTextures();
    float bias = 0.0f;
    g_SkyShadow.GetCascade(2, nullptr, nullptr, nullptr, &bias);
    EXPECT_FLOAT_EQ(bias, 0.00625f);
}

TEST_F(SkyShadowTest, CascadesFollowTheCameraInStepsOfFourAndSixteenUnits)
{
    g_SkyShadow.CreateRenderTextures();
    g_SkyShadow.Update();
    MarkAllRendered();
    const D3DXMATRIX view1 = g_SkyShadow.m_mView[1];
    // Three units a frame: cascade 0 waits until it is more than 4 away,
    // cascade 1 until 16, cascade 2 is rebuilt every time.
    std::vector<std::vector<int>> seen;
    for (int step = 1; step <= 6; ++step)
    {
        g_Camera.SetPosition(D3DXVECTOR3(3.0f * float(step), 10.0f, 0.0f));
        g_SkyShadow.Update();
        seen.push_back(Rendered());
        MarkAllRendered();
    }
    EXPECT_EQ(seen, (std::vector<std::vector<int>>{
                        {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 0}}));
    EXPECT_NE(std::memcmp(&view1, &g_SkyShadow.m_mView[1], sizeof view1), 0);
    // The light looks at the camera from the sun's side, half the volume away.
    D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&sun, &sun);
    const D3DXVECTOR3 expected = g_Camera.GetPosition() - sun * 400.0f;
    EXPECT_NEAR(g_SkyShadow.m_vEye[2].x, expected.x, 1e-3f);
    EXPECT_NEAR(g_SkyShadow.m_vEye[2].y, expected.y, 1e-3f);
    EXPECT_NEAR(g_SkyShadow.m_vEye[2].z, expected.z, 1e-3f);
}

TEST_F(SkyShadowTest, EngineFrame240AndTheSettingRebuildEveryCascadeWithoutMovement)
{
    g_SkyShadow.CreateRenderTextures();
    g_SkyShadow.Update();
    MarkAllRendered();
    g_Engine.m_iFrame = 239;
    g_SkyShadow.Update();
    EXPECT_EQ(Rendered(), (std::vector<int>{1, 1, 0}));
    MarkAllRendered();
    g_Engine.m_iFrame = 240;
    g_SkyShadow.Update();
    EXPECT_EQ(Rendered(), (std::vector<int>{0, 0, 0}));
    MarkAllRendered();
    g_Engine.m_iFrame = 241;
    g_Options.RecalculateSkyLightEveryFrame = 1;
    g_SkyShadow.Update();
    EXPECT_EQ(Rendered(), (std::vector<int>{0, 0, 0}));
}

TEST_F(SkyShadowTest, WithoutTheSkyLightNothingIsMadeAndTheMatricesStay)
{
    g_SkyShadow.CreateRenderTextures();
    g_SkyShadow.Update();
    const D3DXMATRIX view0 = g_SkyShadow.m_mView[0];
    g_SkyShadow.ReleaseRenderTextures();
    Env.m_bUseSkyLight = 0;
    g_SkyShadow.CreateRenderTextures();
    EXPECT_EQ(g_SkyShadow.m_pTexture[0], nullptr);
    g_Camera.SetPosition(D3DXVECTOR3(100.0f, 10.0f, 0.0f));
    g_SkyShadow.Update();
    EXPECT_EQ(std::memcmp(&view0, &g_SkyShadow.m_mView[0], sizeof view0), 0);
    EXPECT_FALSE(g_SkyShadow.BeginCascade(0));
}

TEST_F(SkyShadowTest, BeginAndEndSwitchTheTargetAndPutTheFrameBack)
{
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &back), D3D_OK);
    D3DVIEWPORT9 before = {};
    device->GetViewport(&before);
    // Made on first use.
    ASSERT_TRUE(g_SkyShadow.BeginCascade(1));
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &target), D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(g_SkyShadow.m_pTexture[1]->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(target, level);
    D3DVIEWPORT9 inside = {};
    device->GetViewport(&inside);
    EXPECT_EQ(inside.Width, g_SkyShadow.m_iSize[1]);
    level->Release();
    target->Release();
    g_SkyShadow.EndCascade();
    IDirect3DSurface9* after = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &after), D3D_OK);
    EXPECT_EQ(after, back);
    D3DVIEWPORT9 restored = {};
    device->GetViewport(&restored);
    EXPECT_EQ(restored.Width, before.Width);
    EXPECT_EQ(g_SkyShadow.m_pSavedTarget, nullptr);
    EXPECT_EQ(g_SkyShadow.m_pSavedDepth, nullptr);
    // A second end without a begin touches nothing.
    g_SkyShadow.EndCascade();
    IDirect3DSurface9* still = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &still), D3D_OK);
    EXPECT_EQ(still, back);
    still->Release();
    after->Release();
    back->Release();
}

TEST_F(SkyShadowTest, MapsThatCannotBeMadeTurnShadowsOffOnceUntilAReset)
{
    // A colour format is no depth format: the depth surface fails.
    g_Options.DepthStencilFormat = D3DFMT_A8R8G8B8;
    const size_t from = ConsoleLog().size();
    EXPECT_FALSE(g_SkyShadow.BeginCascade(0));
    EXPECT_FALSE(g_SkyShadow.BeginCascade(0));
    EXPECT_FALSE(g_SkyShadow.BeginCascade(1));
    const std::string log = ConsoleLog().substr(from);
    EXPECT_NE(log.find("Sky CreateRenderTextures 2 failed"), std::string::npos);
    EXPECT_NE(log.find("Sky Shadow depth not created"), std::string::npos);
    EXPECT_NE(log.find("Sun shadows are off"), std::string::npos);
    // Said once, not once a frame.
    EXPECT_EQ(log.find("Dalej nie ma, wychodze"), log.rfind("Dalej nie ma, wychodze"));
    for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
        EXPECT_EQ(g_SkyShadow.m_pTexture[i], nullptr) << "no texture is kept without its depth";

    g_Options.DepthStencilFormat = D3DFMT_D16;
    g_SkyShadow.OnResetDevice();
    EXPECT_TRUE(g_SkyShadow.BeginCascade(0));
    g_SkyShadow.EndCascade();
}

TEST_F(SkyShadowTest, LossReleasesTheMapsAndResetMakesThemAgainForRedrawing)
{
    g_SkyShadow.CreateRenderTextures();
    MarkAllRendered();
    g_SkyShadow.OnLostDevice();
    for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
    {
        EXPECT_EQ(g_SkyShadow.m_pTexture[i], nullptr);
        EXPECT_EQ(g_SkyShadow.m_pDepth[i], nullptr);
    }
    g_SkyShadow.OnResetDevice();
    for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
        EXPECT_NE(g_SkyShadow.m_pTexture[i], nullptr);
    EXPECT_EQ(Rendered(), (std::vector<int>{0, 0, 0}));
    // A world's end lets them go and switches the cascades off.
    g_SkyShadow.Release();
    EXPECT_EQ(g_SkyShadow.m_bEnabled, 0);
    EXPECT_EQ(g_SkyShadow.m_pTexture[0], nullptr);
}
} // namespace
