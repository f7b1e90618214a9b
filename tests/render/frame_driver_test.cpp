// The scene frame driver and the services its passes share: the clocks, the
// level's first frames, the cascades each mode draws, the frame texture
// lists, a missing effect, and a material's maps on their stages.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "platform/d3dx/XMesh.h"
#include "support/BoxMesh.h"
#include "render/EffectMgr.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/Debug.h"
#include "render/SkyShadow.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"

#include <filesystem>

namespace
{
constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kWhite = 0xFFFFFFFF;

class FrameDriverTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        Env.m_bUseSkyLight = 1;
        g_Options.DepthStencilFormat = D3DFMT_D16;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 10.0f, 0.0f));
        g_SaveMgr.m_iFramesSinceLevelStart = 0;
    }
    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        for (strobjectframe& f : g_Renderer.m_ObjectFrame)
            f = strobjectframe{};
        g_MeshMgr.ReleaseAll();
        SAFE_RELEASE(g_pDeclMesh);
        g_SkyShadow.Release();
        g_EffectMgr.Release();
        RenderTest::TearDown();
    }
    // A box in front of the camera, shown and in view: a scene the passes
    // draw whenever they run.
    void PlaceBox()
    {
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        WriteTga("textures/box.tga", kRed);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        std::filesystem::create_directories(dir.path() / "meshes");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\box.x", BoxMesh(), tk::xfile::XFormat::Text));
        const float at[3] = {0.0f, 10.0f, 5.0f};
        HOBJECT box = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 1, 0, at, nullptr);
        ASSERT_NE(box, nullptr);
        g_Engine.PrepareObject(box);
        strobjectframe& f = g_Renderer.ObjectFrame(box);
        f.m_bVisible = f.m_bInView = 1;
        g_Camera.UpdateView();
    }
    void LoadShippedEffects()
    {
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        ASSERT_NE(g_EffectMgr.FindEffect("SkyDepth"), nullptr);
        ASSERT_NE(g_EffectMgr.FindEffect("skylight"), nullptr);
        ASSERT_NE(g_EffectMgr.FindEffect("skylightF"), nullptr);
    }
    static std::vector<int> Rendered()
    {
        return {g_SkyShadow.m_bRendered[0], g_SkyShadow.m_bRendered[1], g_SkyShadow.m_bRendered[2]};
    }
};

TEST_F(FrameDriverTest, ClocksWrapAndThePointLightShadowsFollowTheVideoOptions)
{
    g_Renderer.InitAmbient();
    for (DWORD k = 0; k < ERenderer::SWAY_PHASES; ++k)
    {
        EXPECT_GE(g_Renderer.m_fSwaySpeed[k], 1.0f);
        EXPECT_LT(g_Renderer.m_fSwaySpeed[k], 2.0f);
    }
    g_Engine.m_fDeltaTime = 0.5f;
    float last = 0.0f;
    bool wrapped = false;
    for (int i = 0; i < 250; ++i)
    {
        g_Renderer.UpdateTime();
        EXPECT_GE(g_Renderer.m_fCzas01, 0.0f);
        EXPECT_LT(g_Renderer.m_fCzas01, 1.0f);
        wrapped |= g_Renderer.m_fCzas01 < last;
        last = g_Renderer.m_fCzas01;
        EXPECT_GE(g_Renderer.m_fPulse, 0.0f);
        EXPECT_LE(g_Renderer.m_fPulse, 0.7f);
    }
    EXPECT_TRUE(wrapped);
    EXPECT_FLOAT_EQ(g_Renderer.m_fFrameTime, 0.5f);

    // The video options decide; a console change lasts one frame.
    const struct
    {
        DWORD quality;
        BYTE pointShadows, expected;
    } cases[] = {{0, 1, 1}, {2, 1, 1}, {3, 1, 0}, {0, 0, 0}};
    for (const auto& c : cases)
    {
        g_Options.VideoLevel2 = c.quality;
        g_Options.VideoOptionA = c.pointShadows;
        g_Options.DrawProjectors = c.expected ? 0 : 1;
        g_Renderer.UpdateTime();
        EXPECT_EQ(g_Options.DrawProjectors, c.expected) << c.quality << " " << int(c.pointShadows);
    }
}

TEST_F(FrameDriverTest, TheFirstFiveFramesDrawNothingThenEachModeDrawsItsCascades)
{
    ASSERT_NO_FATAL_FAILURE(LoadShippedEffects());
    g_Renderer.InitAmbient();
    ASSERT_NO_FATAL_FAILURE(PlaceBox());
    for (DWORD frames = 0; frames < 5; ++frames)
    {
        g_SaveMgr.m_iFramesSinceLevelStart = frames;
        g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        g_Renderer.UpdateTime();
        g_Renderer.PreRenderScene();
        g_Renderer.m_iRenderedOpaqueSubsets = 7;
        g_Renderer.RenderScene();
        EXPECT_EQ(Rendered(), (std::vector<int>{0, 0, 0})) << frames;
        EXPECT_EQ(g_Renderer.m_iRenderedOpaqueSubsets, 0u) << "the counters are cleared all the same";
        EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
        EXPECT_EQ(g_SkyShadow.m_pTexture[1], nullptr) << "no map is made before the scene runs";
    }
    g_SaveMgr.m_iFramesSinceLevelStart = 5;
    g_Options.PostProcessOff = 1;
    g_Renderer.PreRenderScene();
    EXPECT_EQ(Rendered(), (std::vector<int>{0, 1, 0})) << "Fast: the wide cascade alone";
    // From the fifth frame the same scene is drawn.
    g_Renderer.m_bFrameHasSkyLitMeshes = 1;
    g_Renderer.RenderScene();
    EXPECT_GT(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
    EXPECT_GT(g_Renderer.m_iRenderedOpaqueSubsets, 0u);
    g_Options.PostProcessOff = 0;
    g_Renderer.PreRenderScene();
    EXPECT_EQ(Rendered(), (std::vector<int>{1, 1, 1}));
    // Without the sky light no cascade is drawn at all.
    g_SkyShadow.ResetLightCache();
    Env.m_bUseSkyLight = 0;
    g_Renderer.PreRenderScene();
    EXPECT_EQ(Rendered(), (std::vector<int>{0, 0, 0}));
}

TEST_F(FrameDriverTest, CalmWindHoldsTheGrassStraightUntilTheWindBlowsAgain)
{
    g_Renderer.InitAmbient();
    g_SaveMgr.m_iFramesSinceLevelStart = 5;
    g_Engine.m_fDeltaTime = 0.1f;
    g_Renderer.UpdateTime();
    auto still = []
    {
        for (DWORD k = 0; k < ERenderer::SWAY_PHASES; ++k)
            if (g_Renderer.m_fSwayPhase[k] != 0.0f)
                return false;
        return true;
    };
    g_Renderer.RenderScene();
    EXPECT_FALSE(still()) << "the wind blows";
    Env.m_bWindCalm = 1;
    for (int frame = 0; frame < 3; ++frame)
    {
        g_Renderer.RenderScene();
        EXPECT_TRUE(still()) << frame;
    }
    Env.m_bWindCalm = 0;
    g_Renderer.RenderScene();
    EXPECT_FALSE(still()) << "it blows again";
    // A new world starts with its wind.
    Env.m_bWindCalm = 1;
    Env.InitForWorld();
    EXPECT_EQ(Env.m_bWindCalm, 0);
}

TEST_F(FrameDriverTest, AMissingEffectSkipsItsPassWithOneLine)
{
    // No effects at all: every pass and the cascades find nothing, and say
    // so once, however many frames run; the box before the camera is not drawn.
    g_Renderer.InitAmbient();
    ASSERT_NO_FATAL_FAILURE(PlaceBox());
    g_SaveMgr.m_iFramesSinceLevelStart = 10;
    g_Renderer.m_bFrameHasSkyLitMeshes = 1;
    g_Renderer.m_bFrameHasTerrain = 1;
    const size_t from = ConsoleLog().size();
    for (int i = 0; i < 3; ++i)
        for (BYTE fast : {BYTE(0), BYTE(1)})
        {
            g_Options.PostProcessOff = fast;
            g_Renderer.m_bFrameHasSkyLitMeshes = 1;
            g_Renderer.m_bFrameHasTerrain = 1;
            g_Renderer.UpdateTime();
            g_Renderer.PreRenderScene();
            g_Renderer.RenderScene();
            ASSERT_NE(g_Renderer.m_pMeshTextures[0], nullptr) << "the box is in the frame's lists";
        }
    const std::string log = ConsoleLog().substr(from);
    for (const char* line : {"No skylight HEFFECT", "No SkyDepth effect: the sun casts no shadows"})
    {
        EXPECT_NE(log.find(line), std::string::npos) << line;
        EXPECT_EQ(log.find(line), log.rfind(line)) << line;
    }
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
    // The water pass runs and, without its effect, draws nothing.
    g_Renderer.m_bFrameHasWater = 1;
    g_Renderer.RenderScene();
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 0u);
}

TEST_F(FrameDriverTest, TheRealisticFrameCountsItsOwnPolygonsAndUpdatesTheSkyLightGrid)
{
    ASSERT_NO_FATAL_FAILURE(LoadShippedEffects());
    g_Renderer.InitAmbient();
    ASSERT_NO_FATAL_FAILURE(PlaceBox());
    g_SaveMgr.m_iFramesSinceLevelStart = 10;
    g_Options.PrintPolygonCount = 1;
    g_Debug.m_iRenderedMeshPolygons = 1000;
    g_Debug.m_iSwitchedSubsets = 1000;
    const DWORD updates = g_SkyLights.m_iUpdates;
    const auto frame = [&]
    {
        g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        g_Renderer.UpdateTime();
        g_Renderer.PreRenderScene();
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Renderer.RenderScene();
        device->EndScene();
    };
    // The box's twelve faces in one subset, the same in every frame.
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_NO_FATAL_FAILURE(frame());
        EXPECT_EQ(g_Debug.m_iRenderedMeshPolygons, 12u) << i;
        EXPECT_EQ(g_Debug.m_iSwitchedSubsets, 1u) << i;
    }
    EXPECT_EQ(g_SkyLights.m_iUpdates, updates + 3) << "the grid follows the camera each frame";
    g_Options.RecalculateCamera = 0;
    ASSERT_NO_FATAL_FAILURE(frame());
    g_Options.RecalculateCamera = 1;
    g_Options.PostProcessOff = 1;
    ASSERT_NO_FATAL_FAILURE(frame());
    EXPECT_EQ(g_SkyLights.m_iUpdates, updates + 3)
        << "neither with the camera switch off nor in the Fast order";
}

TEST_F(FrameDriverTest, AnObjectsVariantDrawsItsRemappedSubsetsAndAnUnpreparedObjectIsNotListed)
{
    // A box of three materials whose middle one has no faces: the variant's
    // subsets count only the materials that have faces, so material 2 is
    // subset 1 there.
    ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
    for (const char* name : {"a.tga", "b.tga", "c.tga"})
        WriteTga(std::string("textures/") + name, kRed);
    dir.Write("scripts/textures.txt", "");
    g_Renderer.ScanTextureDirectory();
    g_Renderer.InitAmbient();
    tk::xfile::XMeshDesc box = BoxMesh();
    box.materials.resize(3);
    box.materials[0].texture = "a.tga";
    box.materials[1].texture = "b.tga";
    box.materials[2].texture = "c.tga";
    for (size_t f = 0; f < box.indices.size() / 3; ++f)
        box.faceMaterials.push_back(f < 6 ? 0 : 2);
    std::filesystem::create_directories(dir.path() / "meshes");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\three.x", box, tk::xfile::XFormat::Text));
    HOBJECT o = g_Engine.CreateObject(OT_MESH, "meshes\\three.x", 1, 0, nullptr, nullptr);
    ASSERT_NE(o, nullptr);
    strtexture* c = g_Renderer.FindTexture("c.tga");
    ASSERT_TRUE(c && c->m_pMeshList);
    EXPECT_EQ(c->m_pMeshList->m_iSubset, 2u);
    g_MeshMgr.UpdateObject(o);
    g_Renderer.m_pMeshTextures[0] = c;
    g_Renderer.m_pMeshTextures[1] = nullptr;
    g_Renderer.SetMeshSubsetTextures(o, 1);
    EXPECT_EQ(c->m_pMeshList->m_iSubset, 1u);
    // Back to the base mesh: the base subsets again.
    g_MeshMgr.SelectVariant(o, -1);
    EXPECT_EQ(c->m_pMeshList->m_iSubset, 2u);

    // Shown but not yet set up for drawing: its textures leave the frame's lists.
    g_Renderer.BuildRenderLists();
    EXPECT_EQ(g_Renderer.m_pFrameTextures[0], nullptr);
    g_Engine.PrepareObject(o);
    g_Renderer.m_pMeshTextures[0] = c;
    g_Renderer.BuildRenderLists();
    EXPECT_EQ(g_Renderer.m_pFrameTextures[0], c);
}

TEST_F(FrameDriverTest, OncePerWorldLinesStayOnceWhenTheTableIsFull)
{
    // More distinct lines than the table holds, each asked for every frame:
    // none is printed twice, the full table says so once, and a new world
    // starts an empty table.
    g_Renderer.InitAmbient();
    const size_t from = ConsoleLog().size();
    for (int frame = 0; frame < 3; ++frame)
        for (int i = 0; i < 80; ++i)
            g_Renderer.PrintOncePerWorld(("missing effect " + std::to_string(i)).c_str());
    const std::string log = ConsoleLog().substr(from);
    for (int i : {0, 63, 64, 79})
    {
        const std::string line = "missing effect " + std::to_string(i) + "\n";
        if (i < 64)
            EXPECT_NE(log.find(line), std::string::npos) << line;
        EXPECT_EQ(log.find(line), log.rfind(line)) << line;
    }
    const std::string full = "Too many renderer messages";
    ASSERT_NE(log.find(full), std::string::npos);
    EXPECT_EQ(log.find(full), log.rfind(full));
    g_Renderer.InitAmbient();
    const size_t again = ConsoleLog().size();
    g_Renderer.PrintOncePerWorld("missing effect 70");
    EXPECT_NE(ConsoleLog().find("missing effect 70", again), std::string::npos);
}

TEST_F(FrameDriverTest, FrameListsHoldTheVisibleTexturesWithEnvironmentMapsTogether)
{
    for (const char* name : {"a.tga", "b.tga", "c.tga", "d.tga", "hidden.tga"})
        WriteTga(std::string("textures/") + name, kRed);
    dir.Write("scripts/textures.txt", "");
    g_Renderer.ScanTextureDirectory();
    EMesh shown, hidden;
    shown.SetOwner(&g_Engine.m_Objects[3]);
    hidden.SetOwner(&g_Engine.m_Objects[4]);
    for (const char* name : {"a.tga", "b.tga", "c.tga", "d.tga"})
        g_Renderer.LoadMeshTextures(name, &shown, 0);
    g_Renderer.LoadMeshTextures("hidden.tga", &hidden, 0);
    strtexture* a = g_Renderer.FindTexture("a.tga");
    strtexture* c = g_Renderer.FindTexture("c.tga");
    ASSERT_TRUE(a && c);
    a->m_pEnvironment = c->m_pEnvironment = g_Renderer.FindTexture("hidden.tga");
    g_Renderer.ObjectFrame(&g_Engine.m_Objects[3]).m_bVisible = 1;
    g_Renderer.ObjectFrame(&g_Engine.m_Objects[4]).m_bVisible = 0;
    g_Renderer.CollectFrameTextures();
    std::vector<std::string> listed;
    for (DWORD i = 0; i < MAX_TEXTURES && g_Renderer.m_pMeshTextures[i]; ++i)
        listed.push_back(g_Renderer.m_pMeshTextures[i]->m_szName);
    ASSERT_EQ(listed.size(), 4u);
    // Those with an environment map stand next to each other.
    const auto at = [&](const char* n)
    { return std::find(listed.begin(), listed.end(), n) - listed.begin(); };
    EXPECT_EQ(std::abs(at("a.tga") - at("c.tga")), 1);
    EXPECT_EQ(std::abs(at("b.tga") - at("d.tga")), 1);
    EXPECT_EQ(g_Renderer.FindTexture("hidden.tga")->m_bListed, 0);
    EXPECT_EQ(a->m_bListed, 1);
    g_Renderer.RemoveMeshTextureRefs(&shown);
    g_Renderer.RemoveMeshTextureRefs(&hidden);
}

TEST_F(FrameDriverTest, AMaterialsMapsGoOnStagesZeroAndOneAndItsAnimationSteps)
{
    WriteTga("textures/wall.tga", kRed);
    WriteTga("textures/wall_normal.tga", kWhite);
    WriteTga("textures/misc/bialy.tga", kWhite);
    WriteTga("textures/f1.tga", kRed);
    WriteTga("textures/f2.tga", kRed);
    WriteTga("textures/f3.tga", kRed);
    dir.Write("scripts/textures.txt", "");
    g_Renderer.ScanTextureDirectory();
    g_Renderer.InitAmbient();
    strtexture* wall = g_Renderer.GetTexture(g_Renderer.GetTextureIndex("wall.tga"));
    strtexture* normal = g_Renderer.GetTexture(g_Renderer.GetTextureIndex("wall_normal.tga"));
    ASSERT_TRUE(wall && normal && g_Renderer.m_pWhiteTexture);
    wall->m_pNormalMap = normal;
    const auto stage = [&](DWORD s)
    {
        IDirect3DBaseTexture9* t = nullptr;
        device->GetTexture(s, &t);
        if (t)
            t->Release();
        return t;
    };

    g_Renderer.BindSubsetTextures(wall, true);
    EXPECT_EQ(stage(0), wall->m_pTexture);
    EXPECT_EQ(stage(1), normal->m_pTexture);
    // Fast: stage 0 only; stage 1 keeps what it had.
    device->SetTexture(1, nullptr);
    g_Options.PostProcessOff = 1;
    g_Renderer.BindSubsetTextures(wall, true);
    EXPECT_EQ(stage(1), nullptr);
    g_Options.PostProcessOff = 0;
    // Textures off: the white one.
    g_Options.DrawTextures = 0;
    g_Renderer.BindSubsetTextures(wall, true);
    EXPECT_EQ(stage(0), g_Renderer.m_pWhiteTexture);
    g_Options.DrawTextures = 1;

    // Three frames at a tenth of a second: states 0, 1, 2, 3, 0 as the frame
    // time adds up, frames shown even with textures off.
    strtexture* frames[] = {g_Renderer.GetTexture(g_Renderer.GetTextureIndex("f1.tga")),
                            g_Renderer.GetTexture(g_Renderer.GetTextureIndex("f2.tga")),
                            g_Renderer.GetTexture(g_Renderer.GetTextureIndex("f3.tga"))};
    wall->m_bAnimated = wall->m_bAnimPlaying = 1;
    wall->m_iAnimFrameCount = 3;
    wall->m_fAnimSpeed = 0.1f;
    for (int i = 0; i < 3; ++i)
        wall->m_pAnimFrames[i] = frames[i];
    g_Renderer.m_fFrameTime = 0.06f;
    g_Options.DrawTextures = 0;
    std::vector<DWORD> states;
    for (int i = 0; i < 9; ++i)
    {
        g_Renderer.BindSubsetTextures(wall, false);
        states.push_back(wall->m_iAnimFrame);
        if (wall->m_iAnimFrame)
            EXPECT_EQ(stage(0), frames[wall->m_iAnimFrame - 1]->m_pTexture);
        else
            EXPECT_EQ(stage(0), g_Renderer.m_pWhiteTexture);
    }
    EXPECT_EQ(states, (std::vector<DWORD>{0, 1, 1, 2, 2, 3, 3, 0, 0}));
    g_Options.DrawTextures = 1;
}
} // namespace
