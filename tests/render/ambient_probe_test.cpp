// The ambient probe: the centre pixel of its 16 x 16 target read back, its
// Begin/End pairs nesting around many probes without keeping the back
// buffer, and a device reset it survives without a world reload.
#include "render_fixture.h"

#include "render/AmbientProbe.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"

#include <string>

namespace
{
constexpr D3DCOLOR kAround = 0xFF102030;
constexpr D3DCOLOR kCentre = 0xFFC08040;

class AmbientProbeTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        g_d3dpp = params;
        g_AmbientProbe.Create();
    }

    void TearDown() override
    {
        g_AmbientProbe.Release();
        RenderTest::TearDown();
    }

    // Inside a Begin: the whole target one colour and pixel (8, 8) another.
    void PaintTarget()
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kAround, 1.0f, 0), D3D_OK);
        const D3DRECT centre = {8, 8, 9, 9};
        ASSERT_EQ(device->Clear(1, &centre, D3DCLEAR_TARGET, kCentre, 1.0f, 0), D3D_OK);
    }

    IDirect3DSurface9* BoundTarget()
    {
        IDirect3DSurface9* target = nullptr;
        device->GetRenderTarget(0, &target);
        if (target)
            target->Release(); // only its identity is compared
        return target;
    }

    IDirect3DSurface9* BackBuffer()
    {
        IDirect3DSurface9* back = nullptr;
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
        if (back)
            back->Release();
        return back;
    }
};

TEST_F(AmbientProbeTest, ItAnswersWithTheCentrePixel)
{
    ASSERT_TRUE(g_AmbientProbe.HasSurfaces());
    g_AmbientProbe.Begin();
    EXPECT_EQ(g_AmbientProbe.m_bActive, 1);
    EXPECT_EQ(BoundTarget(), g_AmbientProbe.m_pTargetSurf);
    D3DVIEWPORT9 view = {};
    device->GetViewport(&view);
    EXPECT_EQ(view.Width, CAmbientProbe::SIZE);
    EXPECT_EQ(view.Height, CAmbientProbe::SIZE);
    PaintTarget();
    g_AmbientProbe.End();
    EXPECT_EQ(g_AmbientProbe.ReadColor(), kCentre & 0xFFFFFFu);
}

TEST_F(AmbientProbeTest, NestedPairsBindOnceAndLeaveTheBackBufferFree)
{
    D3DVIEWPORT9 before = {};
    device->GetViewport(&before);
    const D3DXVECTOR3 eye(3, 4, 5);
    g_Camera.SetPosition(eye);
    g_AmbientProbe.Begin();
    for (int i = 0; i < 50; ++i)
    {
        EXPECT_EQ(g_AmbientProbe.RenderTerrainProbe(D3DXVECTOR3(0, 0, 0), nullptr, 0, 0), 0u) << "black";
        EXPECT_EQ(g_AmbientProbe.Depth(), 1u);
        EXPECT_EQ(BoundTarget(), g_AmbientProbe.m_pTargetSurf) << "the inner End keeps the probe bound";
        EXPECT_EQ(g_AmbientProbe.m_bActive, 1);
    }
    PaintTarget();
    g_AmbientProbe.End();
    EXPECT_EQ(g_AmbientProbe.ReadColor(), kCentre & 0xFFFFFFu);
    EXPECT_EQ(g_AmbientProbe.m_bActive, 0);
    EXPECT_EQ(BoundTarget(), BackBuffer());
    D3DVIEWPORT9 after = {};
    device->GetViewport(&after);
    EXPECT_EQ(after.Width, before.Width);
    EXPECT_EQ(after.Height, before.Height);
    EXPECT_EQ(g_AmbientProbe.m_pSavedTarget, nullptr);
    EXPECT_EQ(g_AmbientProbe.m_pSavedDepth, nullptr);
    // An End too many changes nothing.
    g_AmbientProbe.End();
    EXPECT_EQ(BoundTarget(), BackBuffer());
    // Nothing of the probe's pairs holds the device: once the probe's own
    // surfaces go, a reset goes through.
    g_AmbientProbe.OnLostDevice();
    EXPECT_EQ(device->Reset(&params), D3D_OK);
}

TEST_F(AmbientProbeTest, ItWorksAgainAfterADeviceReset)
{
    // Lost in the middle of a generation: the probe is unwound with the rest.
    g_AmbientProbe.Begin();
    g_AmbientProbe.Begin();
    g_AmbientProbe.OnLostDevice();
    EXPECT_EQ(g_AmbientProbe.Depth(), 0u);
    EXPECT_FALSE(g_AmbientProbe.HasSurfaces());
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    g_AmbientProbe.OnResetDevice();
    ASSERT_TRUE(g_AmbientProbe.HasSurfaces());
    g_AmbientProbe.Begin();
    PaintTarget();
    g_AmbientProbe.End();
    EXPECT_EQ(g_AmbientProbe.ReadColor(), kCentre & 0xFFFFFFu);
    // After the world's reset nothing comes back with the device.
    g_AmbientProbe.Release();
    g_AmbientProbe.OnLostDevice();
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    g_AmbientProbe.OnResetDevice();
    EXPECT_FALSE(g_AmbientProbe.HasSurfaces());
}

TEST_F(AmbientProbeTest, WithoutItsTargetItAnswersBlackAndSaysSoOnce)
{
    g_AmbientProbe.Release();
    const size_t from = ConsoleLog().size();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(g_AmbientProbe.RenderPlantProbe(D3DXVECTOR3(0, 0, 0), nullptr, 0, 0), 0u);
    EXPECT_EQ(BoundTarget(), BackBuffer());
    const std::string log = ConsoleLog().substr(from);
    const size_t first = log.find("!m_pTargetSurf");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("!m_pTargetSurf", first + 1), std::string::npos) << log;
}
} // namespace
