// The rain: its pool of drops round the camera, the floors the drops fall to,
// the per-frame step that moves them and fills the two buffers, the additive
// draw, and the buffers' life across level starts and releases.

#include "environment/Opady.h"
#include "fx_fixture.h"
#include "game/MainGame.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "shell/Debug.h"

#include <cstdlib>

using namespace fxtest;

namespace
{
DWORD TrackedRain()
{
    for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
        if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], COpady::ALLOCATION_TAG) == 0)
            return g_Debug.m_iCounts[i];
    return 0;
}

class RainTest : public FxTest
{
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        g_Options.SystemDebug = 1;
        rain = std::make_unique<COpady>();
        g_MainGame.m_iLevelFrame = COpady::FIRST_FRAME;
    }
    void TearDown() override
    {
        rain->Release();
        rain.reset();
        FxTest::TearDown();
    }

    // An object the rain looks for by name (a light needs no file).
    static void Marker(const char* name)
    {
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        ASSERT_NE(o, nullptr);
        g_Engine.SetObjectName(o, name);
    }
    void StartRain()
    {
        ASSERT_NO_FATAL_FAILURE(Marker("Rain"));
        rain->Init();
        ASSERT_TRUE(rain->m_bActive);
    }
    DWORD ActiveDrops() const
    {
        DWORD n = 0;
        for (const strKropla& d : rain->m_Drops)
            n += d.bActive;
        return n;
    }
    // Flat ground owned by a static mesh (the rain's floors see static meshes only).
    void Ground(float height)
    {
        ground.bUsed = 1;
        ground.Type = OT_MESH;
        Planes().push_back({&ground, D3DXVECTOR3(0.0f, height, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f)});
    }
    // A skinned mesh in the way: the drops fall through it.
    void SkinnedRoof(float height)
    {
        roof.bUsed = 1;
        roof.Type = OT_SKINMESH;
        Planes().push_back({&roof, D3DXVECTOR3(0.0f, height, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f)});
    }

    std::unique_ptr<COpady> rain;
    strObject ground = {};
    strObject roof = {};
};

TEST_F(RainTest, WorldWithoutRainMakesNoBuffersAndDrawsNothing)
{
    ASSERT_NO_FATAL_FAILURE(Marker("Drizzle"));
    rain->Init();
    EXPECT_FALSE(rain->m_bActive);
    EXPECT_EQ(rain->m_pDropVB, nullptr);
    EXPECT_EQ(rain->m_pSheetVB, nullptr);
    EXPECT_EQ(TrackedRain(), 0u);

    rain->Update();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    rain->Render();
    EXPECT_TRUE(TkD3D9GetDrawLog(device, TkFrame::Current).empty());
    device->EndScene();
    rain->Release();
    EXPECT_EQ(TrackedRain(), 0u);
}

TEST_F(RainTest, StartActivatesAtMost119DropsAroundThisCamera)
{
    // The camera of the level being started, not the one of an earlier start.
    const D3DXVECTOR3 cam(1000.0f, 50.0f, -300.0f);
    g_Camera.SetPosition(cam);
    ASSERT_NO_FATAL_FAILURE(StartRain());
    EXPECT_EQ(rain->m_iActiveDrops, COpady::MAX_ACTIVE_DROPS);
    EXPECT_EQ(ActiveDrops(), COpady::MAX_ACTIVE_DROPS);
    EXPECT_EQ(rain->m_vCameraPos, cam);
    EXPECT_EQ(TrackedRain(), 1u);
    for (const strKropla& d : rain->m_Drops)
    {
        EXPECT_LT(std::fabs(d.vPos.x - cam.x), 2000.0f);
        EXPECT_LT(std::fabs(d.vPos.z - cam.z), 2000.0f);
        EXPECT_GE(d.vPos.y, cam.y + 450.0f);
        EXPECT_LT(d.vPos.y, cam.y + 1350.0f);
    }
    // A drop placed anew starts lower: between 450 and 900 above the camera.
    for (DWORD i = 0; i < COpady::MAX_DROPS; ++i)
    {
        rain->ResetDrop(i, false);
        EXPECT_GE(rain->m_Drops[i].vPos.y, cam.y + 450.0f);
        EXPECT_LE(rain->m_Drops[i].vPos.y, cam.y + 900.0f);
    }
    EXPECT_EQ(rain->m_iActiveDrops, COpady::MAX_ACTIVE_DROPS);
    EXPECT_EQ(ActiveDrops(), COpady::MAX_ACTIVE_DROPS);
}

TEST_F(RainTest, BoxWithoutWidthKeepsEveryDropOnTheCameraX)
{
    g_Camera.SetPosition(D3DXVECTOR3(12.5f, 0.0f, 0.0f));
    rain->m_vBox.x = 0.0f;
    ASSERT_NO_FATAL_FAILURE(StartRain());
    for (const strKropla& d : rain->m_Drops)
        EXPECT_EQ(d.vPos.x, 12.5f);
}

TEST_F(RainTest, FloorsComeFromTheGroundOrFromTheCamera)
{
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 100.0f, 0.0f));
    // Nothing below: the drops end 340 below the camera.
    ASSERT_NO_FATAL_FAILURE(StartRain());
    for (DWORD i = 0; i < COpady::MAX_DROPS; ++i)
        EXPECT_FLOAT_EQ(rain->m_fFloor[i], 100.0f - 340.0f);

    // Ground at 20 under a skinned roof at 40: active drops end 620 below the
    // ground, the others on it.
    Ground(20.0f);
    SkinnedRoof(40.0f);
    for (DWORD i = 0; i < COpady::MAX_DROPS; ++i)
    {
        rain->ResetDrop(i, true);
        EXPECT_NEAR(rain->m_fFloor[i], rain->m_Drops[i].bActive ? 20.0f - 620.0f : 20.0f, 1e-3f) << i;
    }
}

TEST_F(RainTest, StepMovesDropsAndFillsBothBuffers)
{
    ASSERT_NO_FATAL_FAILURE(StartRain());
    std::vector<D3DXVECTOR3> before;
    for (const strKropla& d : rain->m_Drops)
        before.push_back(d.vPos);

    // Before level frame 120 nothing moves and nothing is filled.
    g_MainGame.m_iLevelFrame = COpady::FIRST_FRAME - 1;
    rain->Update();
    EXPECT_EQ(rain->m_iDropQuads, 0u);
    EXPECT_EQ(rain->m_Drops[0].vPos, before[0]);

    g_MainGame.m_iLevelFrame = COpady::FIRST_FRAME;
    // The box follows the camera.
    g_Camera.SetPosition(D3DXVECTOR3(5.0f, 0.0f, 5.0f));
    rain->Update();
    EXPECT_EQ(rain->m_vCameraPos, D3DXVECTOR3(5.0f, 0.0f, 5.0f));
    EXPECT_EQ(rain->m_iDropQuads, COpady::MAX_ACTIVE_DROPS);
    EXPECT_GT(rain->m_iSheetQuads, 0u);
    EXPECT_LE(rain->m_iSheetQuads, COpady::MAX_SHEET_QUADS);
    for (DWORD i = 0; i < COpady::MAX_DROPS; ++i)
    {
        const strKropla& d = rain->m_Drops[i];
        if (!d.bActive)
            EXPECT_EQ(d.vPos, before[i]) << "an inactive drop stays put";
        else
            EXPECT_NEAR(d.vPos.y, before[i].y - 932.0f * kStep, 1e-3f) << i;
    }

    // A drop that falls past its floor is placed anew above the camera.
    rain->m_fFloor[0] = rain->m_Drops[0].vPos.y + 1.0f;
    ASSERT_TRUE(rain->m_Drops[0].bActive);
    rain->Update();
    EXPECT_GE(rain->m_Drops[0].vPos.y, 450.0f);
    EXPECT_EQ(rain->m_iActiveDrops, COpady::MAX_ACTIVE_DROPS);
}

TEST_F(RainTest, DrawIsAdditiveAndPutsTheStatesBack)
{
    Texture("textures/tankowiec_deszcz_kropla.tga");
    Texture("textures/tankowiec_deszcz.tga");
    g_Renderer.ScanTextureDirectory();
    ASSERT_NO_FATAL_FAILURE(StartRain());
    rain->Update();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    rain->Render();
    device->EndScene();

    const std::vector<TkDrawRecord>& log = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].primitiveCount, 2 * rain->m_iDropQuads);
    EXPECT_EQ(log[1].primitiveCount, 2 * rain->m_iSheetQuads);
    for (const TkDrawRecord& r : log)
    {
        EXPECT_EQ(r.fvf, COpady::FVF);
        EXPECT_EQ(r.primitiveType, D3DPT_TRIANGLELIST);
        EXPECT_EQ(r.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
        EXPECT_EQ(r.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCCOLOR));
        EXPECT_EQ(r.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(r.RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(FALSE));
        EXPECT_NE(r.textures[0], nullptr);
    }
    EXPECT_NE(log[0].textures[0], log[1].textures[0]);

    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE));
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ZERO));
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(RainTest, NoQuadsChangesStatesButDrawsNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartRain());
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    rain->Render();
    device->EndScene();
    EXPECT_TRUE(TkD3D9GetDrawLog(device, TkFrame::Current).empty());
    DWORD cull = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(RainTest, StartsAndReleasesInAnyOrderLeaveOneAllocationAtMost)
{
    ASSERT_NO_FATAL_FAILURE(StartRain());
    // The same world started again without a release keeps one pair of buffers.
    rain->Init();
    EXPECT_TRUE(rain->m_bActive);
    EXPECT_EQ(TrackedRain(), 1u);
    rain->Release();
    EXPECT_EQ(TrackedRain(), 0u);
    EXPECT_EQ(rain->m_pDropVB, nullptr);
    EXPECT_EQ(rain->m_pSheetVB, nullptr);
    // The game's end releases the level twice.
    rain->Release();
    EXPECT_EQ(TrackedRain(), 0u);
    EXPECT_FALSE(rain->m_bActive);
}
} // namespace
