// The point lights' cube shadows and the water targets: which lights take the
// three slots, when a cube is drawn, what it holds, and the water targets'
// sizes and failures.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "mesh/MeshMgr.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/d3dx/XMesh.h"
#include "render/EffectMgr.h"
#include "render/ShadowCubeMaps.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Camera.h"

#include <cstring>
#include <filesystem>

namespace
{
constexpr DWORD kCaster = 0x10 | 0x1; // casts cube shadows, shown

class CubeShadowTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        g_Engine.DeleteAllObjects();
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        g_Options.VideoOptionA = 1;
        g_Options.DrawProjectors = 1;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.UpdateView();
        g_Engine.m_bWorldLoaded = 1;
    }

    void TearDown() override
    {
        g_ShadowCubeMaps.Release();
        g_Engine.DeleteAllObjects();
        g_MeshMgr.ReleaseAll();
        g_EffectMgr.Release();
        SAFE_RELEASE(g_pDeclMesh);
        RenderTest::TearDown();
    }

    static HOBJECT Light(float x, float range, DWORD flags = kCaster)
    {
        const float at[3] = {x, 0.0f, 0.0f};
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", flags, 0, at, nullptr);
        EXPECT_NE(o, nullptr);
        if (o)
        {
            o->dwFlags = flags;
            o->fRadius = range;
        }
        return o;
    }

    // meshes/box.x: a white unit box around its origin.
    void WriteBoxFile()
    {
        SkinModelDesc cube;
        const float lo[3] = {-0.5f, -0.5f, -0.5f}, hi[3] = {0.5f, 0.5f, 0.5f};
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        boxfigure::AddBox(&cube, identity, lo, hi, 0);
        cube.mesh.materials = {tk::xfile::XMaterialDesc()};
        cube.mesh.materials[0].texture = "box.tga";
        WriteTga("textures/box.tga", 0xFFFFFFFF);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        std::filesystem::create_directories("meshes");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes/box.x", cube.mesh, tk::xfile::XFormat::Text));
    }

    // The choice runs once its timer passes 0.2 s.
    static void Choose()
    {
        g_Engine.m_fDeltaTime = CShadowCubeMaps::CHOOSE_INTERVAL;
        g_ShadowCubeMaps.ChooseShadowLights();
    }
};

TEST_F(CubeShadowTest, TheThreeLightsNearestTheCameraTakeTheSlots)
{
    g_ShadowCubeMaps.Init();
    // Four equal lights: the first three in table order.
    HOBJECT equal[4];
    for (int i = 0; i < 4; ++i)
        equal[i] = Light(10.0f, 1.0f);
    Choose();
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(g_ShadowCubeMaps.m_pLight[i], equal[i]) << i;
        EXPECT_EQ(equal[i]->bHasShadowSlot, 1);
    }
    EXPECT_EQ(equal[3]->bHasShadowSlot, 0);
    g_Engine.DeleteAllObjects();

    // Keys 9, 1, 8, 2, 7 (distance less range): the three smallest, in key
    // order; the nearest is never pushed out. Lights without the caster bit
    // or switched off are not candidates.
    HOBJECT l9 = Light(10.0f, 1.0f), l1 = Light(2.0f, 1.0f), l8 = Light(9.0f, 1.0f), l2 = Light(3.0f, 1.0f),
            l7 = Light(8.0f, 1.0f);
    Light(0.5f, 1.0f, 0x1);
    Light(0.5f, 1.0f, 0x10);
    Choose();
    EXPECT_EQ(g_ShadowCubeMaps.m_pLight[0], l1);
    EXPECT_EQ(g_ShadowCubeMaps.m_pLight[1], l2);
    EXPECT_EQ(g_ShadowCubeMaps.m_pLight[2], l7);
    EXPECT_EQ(g_ShadowCubeMaps.SlotOf(l9), CShadowCubeMaps::NO_SLOT);
    EXPECT_EQ(g_ShadowCubeMaps.SlotOf(l8), CShadowCubeMaps::NO_SLOT);
    // Not before the timer comes round again.
    g_Engine.m_fDeltaTime = 0.05f;
    g_ShadowCubeMaps.RemoveLight(l1);
    g_ShadowCubeMaps.ChooseShadowLights();
    EXPECT_EQ(g_ShadowCubeMaps.SlotOf(l1), CShadowCubeMaps::NO_SLOT);
    EXPECT_EQ(l1->bHasShadowSlot, 0);
}

TEST_F(CubeShadowTest, ACubeHoldsTheDistanceToItsCastersAndIsDrawnOnlyWhenNeeded)
{
    // A box caster 3 units along +x from the light, its near face at 2.5.
    ASSERT_NO_FATAL_FAILURE(WriteBoxFile());
    g_ShadowCubeMaps.Init();
    ASSERT_NE(g_ShadowCubeMaps.m_pCubeMap[0], nullptr);
    HOBJECT light = Light(0.0f, 10.0f);
    const D3DXVECTOR3 at(3.0f, 0.0f, 0.0f), scale(1.0f, 1.0f, 1.0f);
    HOBJECT box = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 1, 0, &at.x, &scale.x);
    ASSERT_TRUE(box);
    g_Engine.PrepareObject(box);
    box->dwFlags |= 1;
    box->dwFlags3 = 8;
    box->fRadius = 1.0f;
    g_Engine.m_fDeltaTime = CShadowCubeMaps::COLLECT_INTERVAL;
    g_ShadowCubeMaps.UpdateShadowMaps();
    ASSERT_EQ(g_ShadowCubeMaps.m_pLight[0], light);
    ASSERT_EQ(g_ShadowCubeMaps.m_iCasterCount[0], 1u);
    EXPECT_EQ(light->bLightCacheValid, 1);
    EXPECT_EQ(g_ShadowCubeMaps.m_iGenerated, 1u);
    UINT caster = 0;
    for (const TkDrawRecord& r : TkD3D9GetDrawLog(device, TkFrame::Current))
        caster += r.effect && r.effect->technique == "GenShadowMap";
    EXPECT_EQ(caster, 6u) << "each face draws the box";

    // The +x face sees the box's near side at 2.5 (plus the bias) of the
    // range 10; the -x face sees nothing and keeps the far value.
    auto centre = [&](D3DCUBEMAP_FACES face)
    {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(g_ShadowCubeMaps.m_pCubeMap[0]->GetCubeMapSurface(face, 0, &s), D3D_OK);
        TkSurfacePixels pixels{};
        float value = -1.0f;
        if (s && TkD3D9ReadSurface(s, &pixels))
            std::memcpy(&value, pixels.bits + (pixels.height / 2) * pixels.pitch + (pixels.width / 2) * 4, 4);
        SAFE_RELEASE(s);
        return value;
    };
    EXPECT_NEAR(centre(D3DCUBEMAP_FACE_POSITIVE_X), (2.5f + g_ShadowCubeMaps.m_fZBias[0]) / 10.0f, 0.002f);
    EXPECT_EQ(centre(D3DCUBEMAP_FACE_NEGATIVE_X), 1.0f);

    // The first frames after the light took its slot redraw; then only a
    // moved caster or a collection does.
    g_Engine.m_fDeltaTime = 0.01f;
    for (int i = 0; i < CShadowCubeMaps::FIRST_FRAMES + 2; ++i)
        g_ShadowCubeMaps.UpdateShadowMaps();
    const DWORD settled = g_ShadowCubeMaps.m_iGenerated;
    g_ShadowCubeMaps.UpdateShadowMaps();
    EXPECT_EQ(g_ShadowCubeMaps.m_iGenerated, settled);
    box->vPosition.x += 0.5f;
    g_ShadowCubeMaps.UpdateShadowMaps();
    EXPECT_EQ(g_ShadowCubeMaps.m_iGenerated, settled + 1);
    // Switched off: the slot stays, no shadow.
    light->bLightOff = 1;
    box->vPosition.x += 0.5f;
    g_ShadowCubeMaps.UpdateShadowMaps();
    EXPECT_EQ(g_ShadowCubeMaps.m_iGenerated, settled + 1);
    EXPECT_EQ(light->bLightCacheValid, 0);
    EXPECT_EQ(g_ShadowCubeMaps.m_pLight[0], light);
    // Point-light shadows off: lights still chosen, nothing drawn.
    light->bLightOff = 0;
    g_Options.DrawProjectors = 0;
    g_Engine.m_fDeltaTime = CShadowCubeMaps::COLLECT_INTERVAL;
    g_ShadowCubeMaps.UpdateShadowMaps();
    EXPECT_EQ(g_ShadowCubeMaps.m_pLight[0], light);
    EXPECT_EQ(g_ShadowCubeMaps.m_iGenerated, settled + 1);
}

// A lamp whose light-control record names the light is among the light's
// casters whatever its kind; a plain prop beside it is not.
TEST_F(CubeShadowTest, AnObjectThatNamesTheLightAsItsOwnCastsIntoItsCube)
{
    ASSERT_NO_FATAL_FAILURE(WriteBoxFile());
    g_ShadowCubeMaps.Init();
    HOBJECT light = Light(0.0f, 10.0f);
    ASSERT_TRUE(light);
    g_Engine.SetObjectName(light, "lamp_light");
    const D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
    HOBJECT boxes[2] = {};
    for (int i = 0; i < 2; ++i)
    {
        const D3DXVECTOR3 at(1.0f, -1.0f + float(i), 0.0f);
        boxes[i] = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 1, 0, &at.x, &scale.x);
        ASSERT_TRUE(boxes[i]);
        g_Engine.PrepareObject(boxes[i]);
        boxes[i]->dwFlags |= 1;
        boxes[i]->dwFlags3 = 0;
        boxes[i]->fRadius = 1.0f;
    }
    ELightControlParams own;
    own.bEnabled = 1;
    std::strcpy(own.szLights[0], "lamp_light");
    g_Engine.SetObjectLightControl(boxes[0], &own);
    ASSERT_EQ(boxes[0]->iNumLights, 1u);

    g_Engine.m_fDeltaTime = CShadowCubeMaps::COLLECT_INTERVAL;
    g_ShadowCubeMaps.UpdateShadowMaps();
    ASSERT_EQ(g_ShadowCubeMaps.m_pLight[0], light);
    ASSERT_EQ(g_ShadowCubeMaps.m_iCasterCount[0], 1u);
    EXPECT_EQ(g_ShadowCubeMaps.m_pCasters[0][0], boxes[0]);

    // The next choice keeps the light in its slot, and the slot its casters
    // until the next gathering.
    Choose();
    g_Engine.m_fDeltaTime = 0.01f;
    g_ShadowCubeMaps.UpdateShadowMaps();
    ASSERT_EQ(g_ShadowCubeMaps.m_pLight[0], light);
    EXPECT_EQ(g_ShadowCubeMaps.m_iCasterCount[0], 1u);
    // A nearer light pushes it to the next slot: the lists follow at once.
    HOBJECT nearer = Light(0.5f, 20.0f);
    Choose();
    g_Engine.m_fDeltaTime = 0.01f;
    g_ShadowCubeMaps.UpdateShadowMaps();
    ASSERT_EQ(g_ShadowCubeMaps.m_pLight[0], nearer);
    ASSERT_EQ(g_ShadowCubeMaps.m_pLight[1], light);
    EXPECT_EQ(g_ShadowCubeMaps.m_iCasterCount[0], 0u);
    ASSERT_EQ(g_ShadowCubeMaps.m_iCasterCount[1], 1u);
    EXPECT_EQ(g_ShadowCubeMaps.m_pCasters[1][0], boxes[0]);
}

TEST_F(CubeShadowTest, CubeMapsFollowTheOptionAndWaterTargetsTheQuality)
{
    g_Options.VideoOptionA = 0;
    g_Options.VideoLevel4 = 2;
    g_ShadowCubeMaps.Init();
    for (IDirect3DCubeTexture9* cube : g_ShadowCubeMaps.m_pCubeMap)
        EXPECT_EQ(cube, nullptr);
    ASSERT_TRUE(g_ShadowCubeMaps.WaterMapsReady());
    D3DSURFACE_DESC desc{};
    g_ShadowCubeMaps.m_pWaterTexture[0]->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 128u);
    g_Options.VideoLevel4 = 0;
    g_ShadowCubeMaps.CreateWaterTargets();
    g_ShadowCubeMaps.m_pWaterTexture[2]->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 512u);
    // A device loss releases everything default-pool; the reset brings it back.
    g_ShadowCubeMaps.OnLostDevice();
    EXPECT_FALSE(g_ShadowCubeMaps.WaterMapsReady());
    // Without targets the water steps draw nothing and do not fail.
    const UINT before = TkD3D9GetDrawCount(device, TkFrame::Current);
    g_ShadowCubeMaps.RenderWaterReflection();
    g_ShadowCubeMaps.RenderWaterRefraction();
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), before);
    g_ShadowCubeMaps.OnResetDevice();
    EXPECT_TRUE(g_ShadowCubeMaps.WaterMapsReady());
}
} // namespace
