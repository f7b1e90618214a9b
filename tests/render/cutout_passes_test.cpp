// The passes after the opaque sun-lit geometry, as the frame driver runs
// them: cut-out fences, grass and tree leaves, glass, glows and light shafts,
// water and lava. Each case places boxes whose one material carries the
// texture-script flags under test and reads the frame's draw log: which
// technique drew what, and in which states.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "game/SaveMgr.h"
#include "mesh/MeshMgr.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/d3dx/XMesh.h"
#include "render/EffectMgr.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "support/ConsoleLog.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Camera.h"

#include <filesystem>
#include <map>
#include <string>

namespace
{
constexpr DWORD kWhite = 0xFFFFFFFF;

class LatePassTest : public RenderTest, public ::testing::WithParamInterface<bool>
{
protected:
    D3DPRESENT_PARAMETERS Params() override { return WindowedParams(96, 72, D3DFMT_D24S8); }

    void SetUp() override
    {
        RenderTest::SetUp();
        g_Engine.DeleteAllObjects();
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        Env.m_bUseSkyLight = 1;
        Env.m_dwAmbient = 0x404040;
        Env.SetSkyLightColor(0xFFFFFF);
        Env.SkyLightPower = 1.0f;
        const D3DVECTOR sun = {0.3f, -1.0f, 0.4f};
        Env.SetSkyLightDirection(&sun);
        g_Options.DepthStencilFormat = D3DFMT_D24S8;
        g_Options.PostProcessOff = GetParam() ? 1 : 0;
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        WriteTga("textures/misc/bialy.tga", kWhite);
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 4.0f, -12.0f));
        EOrientation look;
        D3DXVECTOR3 forward(0.0f, -0.3f, 1.0f), up(0.0f, 1.0f, 0.0f);
        D3DXVec3Normalize(&forward, &forward);
        look.SetDirectionAndUp(&forward, &up);
        g_Camera.SetOrientation(look);
        g_Camera.UpdateView();
        g_SaveMgr.m_iFramesSinceLevelStart = 10;
    }

    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        for (strobjectframe& f : g_Renderer.m_ObjectFrame)
            f = strobjectframe{};
        g_MeshMgr.ReleaseAll();
        g_SkyShadow.Release();
        g_EffectMgr.Release();
        SAFE_RELEASE(g_pDeclMesh);
        RenderTest::TearDown();
    }

    // The texture script, then the registry and the renderer's world start.
    void Materials(const std::string& script, const std::vector<std::string>& textures)
    {
        for (const std::string& t : textures)
            WriteTga("textures/" + t, 0x80C08040);
        dir.Write("scripts/textures.txt", script);
        g_Renderer.ScanTextureDirectory();
        g_Renderer.InitAmbient();
        g_SkyShadow.ResetLightCache();
    }

    // A box at x whose one material is `texture`.
    HOBJECT Box(const std::string& texture, float x, BYTE tree = 0)
    {
        const std::string file = "meshes\\" + texture + ".x";
        if (!std::filesystem::exists("meshes/" + texture + ".x"))
        {
            SkinModelDesc cube;
            const float lo[3] = {-0.5f, 0.0f, -0.5f}, hi[3] = {0.5f, 1.0f, 0.5f};
            D3DXMATRIX identity;
            D3DXMatrixIdentity(&identity);
            boxfigure::AddBox(&cube, identity, lo, hi, 0);
            cube.mesh.materials = {tk::xfile::XMaterialDesc()};
            cube.mesh.materials[0].texture = texture;
            std::filesystem::create_directories("meshes");
            EXPECT_TRUE(tk::xfile::XWriteMeshFile(("meshes/" + texture + ".x").c_str(), cube.mesh,
                                                  tk::xfile::XFormat::Text));
        }
        const D3DXVECTOR3 at(x, 0.0f, 0.0f), scale(1.0f, 1.0f, 1.0f);
        HOBJECT o = g_Engine.CreateObject(OT_MESH, file.c_str(), 1, 0, &at.x, &scale.x);
        EXPECT_NE(o, nullptr) << texture;
        if (!o)
            return nullptr;
        o->bIsTree = tree;
        g_Engine.PrepareObject(o);
        strobjectframe& f = g_Renderer.ObjectFrame(o);
        f.m_bVisible = f.m_bInView = 1;
        return o;
    }

    // One frame of the driver; the draw log then holds this frame's draws only.
    void Frame()
    {
        device->Present(nullptr, nullptr, nullptr, nullptr);
        g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        g_Renderer.UpdateTime();
        g_Renderer.PreRenderScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Renderer.RenderScene();
        g_Renderer.RenderLateForwardPasses();
        device->EndScene();
    }

    // The draws of this frame by technique.
    std::map<std::string, std::vector<const TkDrawRecord*>> Draws()
    {
        std::map<std::string, std::vector<const TkDrawRecord*>> out;
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(device, TkFrame::Current))
            out[r.effect ? r.effect->technique : std::string("(none)")].push_back(&r);
        return out;
    }

    size_t Count(const char* technique) { return Draws()[technique].size(); }
};

INSTANTIATE_TEST_SUITE_P(Orders, LatePassTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? "Fast" : "Realistic"; });

TEST_P(LatePassTest, CutOutsFindTheGrassTreesAndGlassThatTheirOwnPassesDraw)
{
    Materials("texture fence.tga\ntransparent\n"
              "texture leaves.tga\ntransparent\n2sided\n"
              "texture tuft.tga\ntransparent\ngrass_texture\n"
              "texture turf.tga\ngrass_texture\n"
              "texture frosted.tga\ntransparent\ntranslucent\n",
              {"fence.tga", "leaves.tga", "tuft.tga", "turf.tga", "frosted.tga"});
    Box("fence.tga", -4.0f);
    Box("leaves.tga", -2.0f, 1);
    HOBJECT bush = Box("leaves.tga", 0.0f, 0);
    Box("tuft.tga", 2.0f);
    Box("turf.tga", 3.0f);
    Box("frosted.tga", 4.0f);
    ASSERT_TRUE(bush);
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_EQ(g_Renderer.m_bFrameHasTrees, 1);
    EXPECT_EQ(g_Renderer.m_bFrameHasGrass, 1);
    EXPECT_EQ(g_Renderer.m_bFrameHasTranslucent, 1);
    // The fence and the bush (leaves, but not marked a tree) are cut out.
    EXPECT_EQ(Count("RenderSceneT"), 2u);
    EXPECT_EQ(Count("RenderTrees"), 1u) << "only the object marked as a tree";
    EXPECT_EQ(Count("RenderGrass"), 1u) << "the cut-out tuft; opaque turf stays with the static pass";
    EXPECT_EQ(Count("RenderSceneTransl10"), 1u) << "a cut-out that is also glass is drawn exactly once";
    auto draws = Draws();
    for (const TkDrawRecord* r : draws["RenderSceneT"])
        EXPECT_EQ(r->RenderState(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    for (const TkDrawRecord* r : draws["RenderTrees"])
    {
        EXPECT_EQ(r->RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
        EXPECT_EQ(r->RenderState(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
        ASSERT_FALSE(r->effect->Floats("g_fGrassDist0").empty());
        EXPECT_EQ(r->effect->Floats("g_fGrassDist0")[0], 1000.0f);
    }
    const char* opaque = GetParam() ? "RenderScene" : "RenderScene00";
    const size_t opaqueDraws = Count(opaque);
    EXPECT_GE(opaqueDraws, 1u);

    // Switched off: no cut-outs, no flags, so no grass, tree or glass pass;
    // the opaque grass still shows.
    g_Options.DrawTransparent = 0;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_EQ(g_Renderer.m_bFrameHasTrees, 0);
    EXPECT_EQ(g_Renderer.m_bFrameHasGrass, 0);
    for (const char* t : {"RenderSceneT", "RenderTrees", "RenderGrass"})
        EXPECT_EQ(Count(t), 0u) << t;
    EXPECT_EQ(Count(opaque), opaqueDraws);
    // The tree and grass passes called by themselves keep to the switch too.
    g_Renderer.m_bFrameHasGrass = g_Renderer.m_bFrameHasTrees = 1;
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const UINT before = TkD3D9GetDrawCount(device, TkFrame::Current);
    if (GetParam())
        g_Renderer.RenderTreesSkyLightF(), g_Renderer.RenderGrassSkyLightF();
    else
        g_Renderer.RenderTreesSkyLight(), g_Renderer.RenderGrassSkyLight();
    device->EndScene();
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), before);
}

TEST_P(LatePassTest, GlassSwitchesItsTechniqueByItsEnvironmentMapOnly)
{
    Materials("texture pane.tga\ntranslucent\n"
              "texture pane2.tga\ntranslucent\n"
              "texture mirror.tga\ntranslucent\nenvironmental sky.tga\n",
              {"pane.tga", "pane2.tga", "mirror.tga", "sky.tga"});
    Box("pane.tga", -2.0f);
    Box("pane2.tga", 0.0f);
    Box("mirror.tga", 2.0f);
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_EQ(Count("RenderSceneTransl10"), 2u);
    EXPECT_EQ(Count("RenderSceneTransl11"), 1u);
    auto draws = Draws();
    for (const TkDrawRecord* r : draws["RenderSceneTransl11"])
    {
        EXPECT_EQ(r->RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
        EXPECT_EQ(r->RenderState(D3DRS_ZWRITEENABLE), DWORD(FALSE));
        EXPECT_NE(r->textures[8], nullptr) << "the environment cube";
    }
}

TEST_P(LatePassTest, GlowsAndShaftsAddOntoTheSceneWithoutWritingDepth)
{
    Materials("texture glow.tga\nadditive\n2sided\n"
              "texture glow1.tga\nadditive\n"
              "texture shaft.tga\nadditive\nray_of_light\nappear_distance 6\n"
              "texture spill.tga\nadditive\nwater\n",
              {"glow.tga", "glow1.tga", "shaft.tga", "spill.tga"});
    Box("glow.tga", -3.0f);
    Box("glow1.tga", -1.0f);
    Box("shaft.tga", 1.0f);
    Box("spill.tga", 3.0f);
    ASSERT_NO_FATAL_FAILURE(Frame());
    auto draws = Draws();
    ASSERT_EQ(draws["Additive"].size(), 2u) << "the shaft and the water are not glows";
    ASSERT_EQ(draws["RayOfLight"].size(), 1u);
    std::vector<DWORD> culling;
    for (const char* t : {"Additive", "RayOfLight"})
        for (const TkDrawRecord* r : draws[t])
        {
            EXPECT_EQ(r->RenderState(D3DRS_ZWRITEENABLE), DWORD(FALSE)) << t;
            EXPECT_EQ(r->RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE)) << t;
            EXPECT_EQ(r->RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCCOLOR)) << t;
            EXPECT_EQ(r->RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE)) << t;
            culling.push_back(r->RenderState(D3DRS_CULLMODE));
        }
    // The two-sided glow without culling, the next one culled again.
    ASSERT_EQ(culling.size(), 3u);
    EXPECT_EQ(culling[0], DWORD(D3DCULL_NONE));
    EXPECT_EQ(culling[1], DWORD(D3DCULL_CCW));
    ASSERT_FALSE(draws["RayOfLight"][0]->effect->Floats("g_fAppearDistance").empty());
    EXPECT_EQ(draws["RayOfLight"][0]->effect->Floats("g_fAppearDistance")[0], 6.0f);
}

TEST_P(LatePassTest, WaterRipplesUnlessAnimatedOrSwitchedOff)
{
    WriteTga("textures/env_miasto2.tga", 0xFF6080A0);
    Materials("texture pond.tga\nwater\nwater_height 1\nwater_transparent 0.7\n"
              "texture still.tga\nwater\nanimation_frame pond.tga\n",
              {"pond.tga", "still.tga"});
    Box("pond.tga", -1.0f);
    Box("still.tga", 1.0f);
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_EQ(g_Renderer.m_bFrameHasWater, 1);
    auto draws = Draws();
    ASSERT_EQ(draws["RenderSceneAmbientWater"].size(), 1u) << "animated water is drawn by neither pass";
    const TkDrawRecord* pond = draws["RenderSceneAmbientWater"][0];
    EXPECT_NE(pond->textures[6], nullptr) << "the environment cube";
    ASSERT_FALSE(pond->effect->Floats("g_WaterTransparent").empty());
    EXPECT_NEAR(pond->effect->Floats("g_WaterTransparent")[0], 0.7f, 1e-6f);
    ASSERT_FALSE(pond->effect->Floats("g_WaterHeight").empty());
    EXPECT_EQ(pond->effect->Floats("g_WaterHeight")[0], 1.0f);

    // "DrawWater" off: nothing drawn, not even the declaration set.
    g_Options.DrawWater = 0;
    IDirect3DVertexDeclaration9* other = nullptr;
    const D3DVERTEXELEMENT9 only[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    ASSERT_EQ(device->CreateVertexDeclaration(only, &other), D3D_OK);
    device->SetVertexDeclaration(other);
    GetParam() ? g_Renderer.RenderSceneAmbientWater() : g_Renderer.RenderSceneAmbientWaterReflection();
    IDirect3DVertexDeclaration9* now = nullptr;
    device->GetVertexDeclaration(&now);
    EXPECT_EQ(now, other);
    SAFE_RELEASE(now);
    device->SetVertexDeclaration(nullptr);
    other->Release();
}

TEST_P(LatePassTest, WaterWithoutItsEnvironmentTextureStillDrawsAndSaysSo)
{
    Materials("texture pond.tga\nwater\n", {"pond.tga"});
    Box("pond.tga", 0.0f);
    const size_t from = ConsoleLog().size();
    ASSERT_NO_FATAL_FAILURE(Frame());
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_EQ(g_Engine.m_bQuit, 0);
    auto draws = Draws();
    ASSERT_EQ(draws["RenderSceneAmbientWater"].size(), 1u);
    EXPECT_EQ(draws["RenderSceneAmbientWater"][0]->textures[6], nullptr);
    const std::string log = ConsoleLog().substr(from);
    const std::string line = "env_miasto2.tga";
    EXPECT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find(line), log.rfind(line)) << "once per world:\n" << log;
}

TEST_P(LatePassTest, TheFirstLavaEntryDecidesTheFogOfTheTexture)
{
    if (GetParam())
        GTEST_SKIP() << "the Fast order draws no lava";
    Materials("texture magma.tga\nlava flow.tga\nwater_fog_far 30\nwater_fog_near 5\nlava_speed_up 2\n",
              {"magma.tga", "flow.tga"});
    Box("magma.tga", -1.0f);
    Box("magma.tga", 1.0f);
    // The entry the pass meets first carries the no-fog bit, the other not.
    strtexture* magma = g_Renderer.FindTexture("magma.tga");
    ASSERT_TRUE(magma && magma->m_pMeshList && magma->m_pMeshList->m_hObject);
    magma->m_pMeshList->m_hObject->dwFlags2 |= 0x40000;
    ASSERT_NO_FATAL_FAILURE(Frame());
    auto draws = Draws();
    ASSERT_EQ(draws["RenderSceneAmbientLava"].size(), 2u);
    for (const TkDrawRecord* r : draws["RenderSceneAmbientLava"])
    {
        ASSERT_FALSE(r->effect->Floats("g_WaterFogFar").empty());
        EXPECT_EQ(r->effect->Floats("g_WaterFogFar")[0], 80008.0f);
        EXPECT_EQ(r->effect->Floats("g_WaterFogNear")[0], 80000.0f);
        EXPECT_EQ(r->effect->Floats("g_fLavaSpeedUp")[0], 2.0f);
        EXPECT_NE(r->textures[8], nullptr) << "the flow map";
    }
}
} // namespace
