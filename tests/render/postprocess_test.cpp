// The post-process object on a headless device with the bundled "dof"
// effect: its targets' sizes, the effect-object list, the save section (with
// vanished objects and with a list too long), the overlay name, the sun's
// place on the screen, the camera-inside test and the routing of lights to
// the deferred passes with their depth and cull switches.
#include "render_fixture.h"

#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "game/MainGame.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "support/ConsoleLog.h"
#include "support/GameProcess.h"
#include "ui/LoadingScreen.h"
#include "world/Camera.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace
{
class PostProcessTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        CopyDataTree(dir.path());
        g_Renderer.ScanTextureDirectory();
        g_EffectMgr.Init();
        PostProcess = EPostProcess{};
        g_d3dpp = params;
    }

    void TearDown() override
    {
        PostProcess.OnDeviceLost();
        PostProcess = EPostProcess{};
        g_EffectMgr.Release();
        RenderTest::TearDown();
    }

    static void Size(IDirect3DTexture9* t, UINT* w, UINT* h)
    {
        ASSERT_NE(t, nullptr);
        D3DSURFACE_DESC d = {};
        ASSERT_EQ(t->GetLevelDesc(0, &d), D3D_OK);
        *w = d.Width;
        *h = d.Height;
    }

    bool CreateAt(int w, int h)
    {
        g_Options.screenwidth = w;
        g_Options.screenheight = h;
        return PostProcess.Create();
    }
};

TEST_F(PostProcessTest, TargetsAreHalvesQuartersAndEighthsOfTheScreenRoundedDown)
{
    struct Case
    {
        int w, h;
        UINT half[2], quarter[2], eighth[2];
    };
    for (const Case& c : {Case{1024, 768, {512, 384}, {256, 192}, {128, 96}},
                          Case{1023, 767, {511, 383}, {255, 191}, {127, 95}}})
    {
        SCOPED_TRACE(c.w);
        ASSERT_TRUE(CreateAt(c.w, c.h));
        UINT w = 0, h = 0;
        Size(PostProcess.m_pMainTex, &w, &h);
        EXPECT_EQ(w, UINT(c.w));
        EXPECT_EQ(h, UINT(c.h));
        for (IDirect3DTexture9* t :
             {PostProcess.m_pSunFlareTex, PostProcess.m_pAOTex[0], PostProcess.m_pBloomTex3})
        {
            Size(t, &w, &h);
            EXPECT_EQ(w, c.half[0]);
            EXPECT_EQ(h, c.half[1]);
        }
        Size(PostProcess.m_pBWTex, &w, &h);
        EXPECT_EQ(w, c.quarter[0]);
        EXPECT_EQ(h, c.quarter[1]);
        Size(PostProcess.m_pSmallTex, &w, &h);
        EXPECT_EQ(w, c.eighth[0]);
        EXPECT_EQ(h, c.eighth[1]);
        Size(PostProcess.m_pHDR64Tex, &w, &h);
        EXPECT_EQ(w, 64u);
        Size(PostProcess.m_pHDR01Tex, &w, &h);
        EXPECT_EQ(w, 1u);
    }
    // Every creation released what the one before held: a reset goes through.
    PostProcess.OnDeviceLost();
    g_EffectMgr.OnLostDevice();
    TkD3D9LoseDevices();
    TkD3D9RestoreDevices();
    D3DPRESENT_PARAMETERS pp = params;
    EXPECT_EQ(device->Reset(&pp), D3D_OK);
    g_EffectMgr.OnResetDevice();
}

TEST_F(PostProcessTest, TheEffectListTakesEightObjectsAndTheForcedEffectStays)
{
    for (int i = 0; i < 9; ++i)
        g_Engine.m_Objects[i].bUsed = 1;
    for (int i = 0; i < 9; ++i)
        PostProcess.AddEffectObject(&g_Engine.m_Objects[i]);
    EXPECT_EQ(PostProcess.m_iEffectObjects, 8u);
    EXPECT_EQ(PostProcess.m_aEffectObjects[7], &g_Engine.m_Objects[7]);
    PostProcess.AddEffectObject(nullptr);
    EXPECT_EQ(PostProcess.m_iEffectObjects, 8u);

    PostProcess.EnableObjectEffect(1);
    PostProcess.DisableObjectEffect(0);
    EXPECT_EQ(PostProcess.m_bBW, 1);
    PostProcess.DisableObjectEffect(1);
    EXPECT_EQ(PostProcess.m_bBW, 0);
    EXPECT_EQ(PostProcess.m_bBWForced, 0);

    PostProcess.SetAOIntensity(0.15f);
    EXPECT_FLOAT_EQ(PostProcess.AOIntensity, 150.0f);
    const std::string tooLong(EPostProcess::OVERLAY_NAME_SIZE, 'a');
    EXPECT_FALSE(PostProcess.SetOverlayName(tooLong.c_str()));
    EXPECT_EQ(PostProcess.m_szOverlay[0], 0);
    EXPECT_TRUE(PostProcess.SetOverlayName("blood.tga"));
    EXPECT_STREQ(PostProcess.m_szOverlay, "blood.tga");
}

TEST_F(PostProcessTest, TheSaveSectionKeepsItsCountWhenObjectsVanishAndRefusesALongList)
{
    strObject& a = g_Engine.m_Objects[10];
    strObject& b = g_Engine.m_Objects[11];
    a.bUsed = b.bUsed = 1;
    const DWORD pa[3] = {101, 202, 10}, pb[3] = {303, 404, 11};
    std::memcpy(a.PESEL, pa, sizeof pa);
    std::memcpy(b.PESEL, pb, sizeof pb);
    PostProcess.AddEffectObject(&a);
    PostProcess.AddEffectObject(&b);
    PostProcess.m_fRed = 0.75f;
    PostProcess.EnableObjectEffect(1);
    const std::string path = (dir.path() / "pp.sav").string();
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(PostProcess.SaveState(f));
    std::fclose(f);

    b.bUsed = 0; // gone before the load
    PostProcess = EPostProcess{};
    f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(PostProcess.LoadState(f));
    std::fclose(f);
    EXPECT_EQ(PostProcess.m_iEffectObjects, 2u);
    EXPECT_EQ(PostProcess.m_aEffectObjects[0], &a);
    EXPECT_EQ(PostProcess.m_aEffectObjects[1], nullptr);
    EXPECT_FLOAT_EQ(PostProcess.m_fRed, 0.75f);
    EXPECT_EQ(PostProcess.m_bBWForced, 1);

    // A section that lists nine objects: refused with a line, nothing taken.
    f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < 5; ++i)
        WriteBool(f, false);
    WriteDword(f, 9);
    for (int i = 0; i < 6; ++i)
        WriteFloat(f, 1.0f);
    for (int i = 0; i < 9; ++i)
        WritePesel(f, &a);
    std::fclose(f);
    const std::string log = ConsoleLog();
    f = std::fopen(path.c_str(), "rb");
    EXPECT_FALSE(PostProcess.LoadState(f));
    std::fclose(f);
    EXPECT_NE(ConsoleLog().find("too many effect objects", log.size()), std::string::npos);
    EXPECT_EQ(PostProcess.m_iEffectObjects, 2u);
    EXPECT_FLOAT_EQ(PostProcess.m_fRed, 0.75f);
}

TEST_F(PostProcessTest, TheSunBehindTheCameraIsOffTheScreen)
{
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EOrientation ahead;
    ahead.SetYawPitchRoll(0.0f, 0.0f, 0.0f);
    g_Camera.SetOrientation(ahead);
    g_Camera.UpdateView();
    // The light comes towards the camera from ahead: the sun is in front.
    Env.m_vSkyLightDir = {0.0f, 0.0f, -1.0f};
    PostProcess.ComputeSunScreenPosition();
    EXPECT_NEAR(PostProcess.m_vSunPosition.x, 0.5f, 0.01f);
    EXPECT_NEAR(PostProcess.m_vSunPosition.y, 0.5f, 0.01f);
    Env.m_vSkyLightDir = {0.0f, -0.2f, 1.0f};
    PostProcess.ComputeSunScreenPosition();
    EXPECT_EQ(PostProcess.m_vSunPosition.x, 10.0f);
    EXPECT_EQ(PostProcess.m_vSunPosition.y, 10.0f);
}

TEST_F(PostProcessTest, LightsGoToTheirPassesAndTheCameraInsideAVolumeStillLightsIt)
{
    ASSERT_TRUE(CreateAt(320, 240));
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EOrientation ahead;
    ahead.SetYawPitchRoll(0.0f, 0.0f, 0.0f);
    g_Camera.SetOrientation(ahead);
    g_Camera.UpdateView();
    struct Light
    {
        D3DXVECTOR3 at;
        float range, value;
        BYTE linear;
    };
    // The near plane cuts away a box's near faces when the camera is on them
    // or nearer than the plane's corners: such a box counts as around the
    // camera, or its light would be lost straight ahead.
    ASSERT_GT(g_Camera.m_fNearPlane, 0.0f);
    const float justOutside = 4.0f + g_Camera.m_fNearPlane * 0.5f;
    const float clearOfTheNearPlane = 4.0f + g_Camera.m_fNearPlane * 3.0f;
    const Light lights[] = {{{0, 0, 20}, 5, 1, 0},                  // ahead: outside
                            {{1, 0, 1}, 4, 1, 0},                   // around the camera
                            {{0, 0, 4}, 4, 1, 0},                   // the camera exactly on its face
                            {{0, 0, justOutside}, 4, 1, 0},         // its face within the near plane
                            {{0, 0, clearOfTheNearPlane}, 4, 1, 0}, // its face beyond the near plane
                            {{0, 0, 30}, 5, -1, 0},                 // darkening
                            {{3, 0, 30}, 5, 1, 1}};                 // linear
    const int count = static_cast<int>(std::size(lights));
    for (int i = 0; i < count; ++i)
    {
        strObject& o = g_Engine.m_Objects[FIRST_LIGHT_SLOT + i];
        o.bUsed = 1;
        o.Type = OT_LIGHT;
        o.dwFlags = 1;
        o.vPosition = lights[i].at;
        o.fRadius = lights[i].range;
        o.fLightValue = lights[i].value;
        o.bLinearScatter = lights[i].linear;
        o.vLightColor = D3DXVECTOR3(1, 1, 1);
    }
    g_Engine.m_iHighLight = FIRST_LIGHT_SLOT + count;
    PostProcess.MarkCameraInsideLights();
    EXPECT_EQ(PostProcess.m_bCameraInside[0], 0);
    EXPECT_EQ(PostProcess.m_bCameraInside[1], 1);
    EXPECT_EQ(PostProcess.m_bCameraInside[2], 1) << "on the face";
    EXPECT_EQ(PostProcess.m_bCameraInside[3], 1) << "the face within the near plane";
    EXPECT_EQ(PostProcess.m_bCameraInside[4], 0) << "the face beyond the near plane";

    device->SetRenderTarget(0, PostProcess.m_pHDRSurf);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    PostProcess.m_bLinearLights = 0;
    EXPECT_TRUE(PostProcess.RenderDeferredLights()) << "a darkening light was met";
    EXPECT_EQ(PostProcess.m_bLinearLights, 1);
    PostProcess.RenderDeferredMinusLights();
    PostProcess.RenderDeferredLinearLights();
    device->EndScene();

    std::vector<std::pair<std::string, std::pair<DWORD, DWORD>>> draws;
    for (const TkDrawRecord& d : TkD3D9GetDrawLog(device, TkFrame::Current))
        if (d.effect)
            draws.push_back(
                {d.effect->technique, {d.RenderState(D3DRS_ZFUNC), d.RenderState(D3DRS_CULLMODE)}});
    using S = std::pair<DWORD, DWORD>;
    const S outside(D3DCMP_LESSEQUAL, D3DCULL_CCW), inside(D3DCMP_GREATER, D3DCULL_CW);
    ASSERT_EQ(draws.size(), 7u);
    EXPECT_EQ(draws[0], (std::pair<std::string, S>{"DeferredLight", outside}));
    EXPECT_EQ(draws[1], (std::pair<std::string, S>{"DeferredLight", inside}));
    EXPECT_EQ(draws[2], (std::pair<std::string, S>{"DeferredLight", inside}));
    EXPECT_EQ(draws[3], (std::pair<std::string, S>{"DeferredLight", inside}));
    EXPECT_EQ(draws[4], (std::pair<std::string, S>{"DeferredLight", outside}));
    EXPECT_EQ(draws[5].first, "DeferredMinusLight");
    EXPECT_EQ(draws[6].first, "DeferredLinearLight");
}

TEST_F(PostProcessTest, EachBakedLightDrawsItsOwnVolumeTestedAgainstTheScenesDepth)
{
    ASSERT_TRUE(CreateAt(320, 240));
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Camera.UpdateView();
    const SkyLightInstance picked[] = {{1, {2, 0, 3}, {1, 0.5f, 0.25f}, 30.0f},
                                       {0, {0, 0, 80}, {0.2f, 0.4f, 0.6f}, 30.0f},
                                       {0, {10, 0, 90}, {0.3f, 0.3f, 0.3f}, 30.0f}};
    g_SkyLights.m_dwPickedCount = 3;
    for (int i = 0; i < 3; ++i)
        g_SkyLights.m_Picked[i] = picked[i];

    device->SetRenderTarget(0, PostProcess.m_pHDRSurf);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // As the AO and sun passes before it leave the device.
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    PostProcess.RenderDeferredSkyLights();
    device->EndScene();
    g_SkyLights.m_dwPickedCount = 0;

    std::vector<const TkDrawRecord*> draws;
    for (const TkDrawRecord& d : TkD3D9GetDrawLog(device, TkFrame::Current))
        if (d.effect && d.effect->technique == "DeferredVPL")
            draws.push_back(&d);
    ASSERT_EQ(draws.size(), 3u);
    for (size_t i = 0; i < draws.size(); ++i)
    {
        SCOPED_TRACE(i);
        const TkDrawRecord& d = *draws[i];
        EXPECT_EQ(d.RenderState(D3DRS_ZENABLE), DWORD(TRUE));
        EXPECT_EQ(d.RenderState(D3DRS_ZFUNC),
                  DWORD(picked[i].bCameraInside ? D3DCMP_GREATER : D3DCMP_LESSEQUAL));
        const std::vector<float> at = d.effect->Floats("g_DefPos");
        const std::vector<float> colour = d.effect->Floats("g_DefCol");
        ASSERT_GE(at.size(), 3u);
        ASSERT_GE(colour.size(), 3u);
        EXPECT_FLOAT_EQ(at[0], picked[i].vPosition.x);
        EXPECT_FLOAT_EQ(at[2], picked[i].vPosition.z);
        EXPECT_FLOAT_EQ(colour[1], picked[i].vColor.y);
    }
}

TEST_F(PostProcessTest, TheSceneIsRedirectedFromLevelFrame151OnlyWhenTheWorldIsDrawn)
{
    ASSERT_TRUE(CreateAt(320, 240));
    g_MainGame.m_bWorldActive = 1;
    g_Engine.m_bInitialised = 1;
    g_LoadingScreen.m_bActive = 0;
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &back), D3D_OK);
    auto target0 = [this]
    {
        IDirect3DSurface9* t = nullptr;
        device->GetRenderTarget(0, &t);
        if (t)
            t->Release();
        return t;
    };
    struct Case
    {
        DWORD frame;
        BYTE loading;
        bool redirected;
    };
    for (const Case& c : {Case{150, 0, false}, Case{151, 0, true}, Case{151, 1, false}})
    {
        SCOPED_TRACE(c.frame);
        g_MainGame.m_iLevelFrame = c.frame;
        g_LoadingScreen.m_bActive = c.loading;
        PostProcess.BeginScene();
        EXPECT_EQ(PostProcess.Redirected(), c.redirected);
        EXPECT_EQ(target0(), c.redirected ? PostProcess.m_pMainSurf : back);
        // A second BeginScene without EndScene takes no second reference.
        PostProcess.BeginScene();
        PostProcess.EndScene();
        EXPECT_EQ(target0(), back);
        EXPECT_EQ(PostProcess.SavedTarget, nullptr);
        PostProcess.m_bRedirected = 0;
    }
    back->Release();
    g_Engine.m_bInitialised = 0;
}

TEST_F(PostProcessTest, EveryTechniqueTheChainNamesIsInTheEffect)
{
    EEffect* e = g_EffectMgr.FindEffect("dof");
    ASSERT_NE(e, nullptr);
    ASSERT_NE(e->m_pEffect, nullptr);
    for (const char* t : {"AO",
                          "AOBloomHorizontal",
                          "AOBloomVertical",
                          "Deferred",
                          "DeferredNormalOnly",
                          "DeferredVPL",
                          "DeferredLight",
                          "DeferredLightS",
                          "DeferredLinearLight",
                          "DeferredMinusLight",
                          "HDRScaleDown1",
                          "HDRScaleDown",
                          "HDRToMain",
                          "HDRMeasureLuminance",
                          "SunFlare",
                          "BloomHorizontal",
                          "BloomVertical",
                          "ToScreen",
                          "DownFilter",
                          "BrightPass",
                          "Combine",
                          "MotionBlur",
                          "FilterDoF"})
        EXPECT_EQ(e->m_pEffect->ValidateTechnique(t), D3D_OK) << t;
}
} // namespace
