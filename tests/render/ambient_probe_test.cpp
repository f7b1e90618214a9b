// The ambient probe: the centre pixel of its 16 x 16 target read back, its
// Begin/End pairs nesting around many probes without keeping the back
// buffer, and a device reset it survives without a world reload.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "render/AmbientProbe.h"
#include "render/EffectMgr.h"
#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <filesystem>
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

// A floor seen from above: the probe draws the given object with its
// textures' marks, white for a marked ground texture, black for any other.
class AmbientProbeScene : public AmbientProbeTest
{
protected:
    void SetUp() override
    {
        AmbientProbeTest::SetUp();
        g_Engine.DeleteAllObjects();
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        WriteTga("textures/misc/bialy.tga", 0xFFFFFFFF);
        WriteTga("textures/misc/czarne.tga", 0xFF000000);
        WriteTga("textures/box.tga", 0xFF7F9F3F);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        std::filesystem::create_directories("meshes");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes/box.x", BoxMesh(), tk::xfile::XFormat::Text));
        const float at[3] = {0.0f, -0.5f, 0.0f}, scale[3] = {40.0f, 1.0f, 40.0f};
        floor = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 1, 0, at, scale);
        ASSERT_TRUE(floor);
        g_Engine.PrepareObject(floor);
    }

    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        g_MeshMgr.ReleaseAll();
        g_EffectMgr.Release();
        SAFE_RELEASE(g_pDeclMesh);
        AmbientProbeTest::TearDown();
    }

    HOBJECT floor = nullptr;
};

TEST_F(AmbientProbeScene, AMarkedGroundShowsWhiteAndAnyOtherBlack)
{
    strtexture* ground = g_Renderer.FindTexture("box.tga");
    ASSERT_TRUE(ground);
    const D3DXVECTOR3 onFloor(3.0f, 0.0f, 2.0f);
    const size_t from = ConsoleLog().size();
    EXPECT_EQ(g_AmbientProbe.RenderPlantProbe(onFloor, floor, 0, 0), 0u);
    ground->m_bProbeMark = 1;
    EXPECT_EQ(g_AmbientProbe.RenderPlantProbe(onFloor, floor, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(g_AmbientProbe.RenderTerrainProbe(onFloor, floor, 0, 0), 0xFFFFFFu);
    // Within one Begin/End pair, as the grass generation asks.
    g_AmbientProbe.Begin();
    EXPECT_EQ(g_AmbientProbe.RenderTerrainProbe(onFloor, floor, 0, 0), 0xFFFFFFu);
    ground->m_bProbeMark = 0;
    EXPECT_EQ(g_AmbientProbe.RenderTerrainProbe(onFloor, floor, 0, 0), 0u);
    g_AmbientProbe.End();
    EXPECT_EQ(BoundTarget(), BackBuffer());
    // Beside the floor there is nothing to see.
    ground->m_bProbeMark = 1;
    EXPECT_EQ(g_AmbientProbe.RenderPlantProbe(D3DXVECTOR3(90.0f, 0.0f, 0.0f), floor, 0, 0), 0u);
    const std::string log = ConsoleLog().substr(from);
    EXPECT_EQ(log.find("NOT found"), std::string::npos) << log;
    EXPECT_EQ(log.find("No "), std::string::npos) << log;
}
} // namespace
