// The sun-lit scene of static meshes as the frame driver draws it: a block
// over a wide floor under the sun, in both orders. The block's shadow falls
// on the floor and goes with the block (hidden with its sector, deleted);
// painted surfaces read the cascades too; a moving block throws its shadow
// through the moving casters' cascade; a world without the sky light keeps
// the sun's light and loses only its shadows; the depth passes leave no
// tree's sway on the casters after them.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "shell/D3DMain.h"
#include "platform/d3dx/XMesh.h"
#include "render/EffectMgr.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Camera.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace
{
constexpr UINT kWidth = 200;
constexpr UINT kHeight = 150;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kBackground = 0xFF000000;
constexpr DWORD kAmbient = 0x303030;
constexpr const char* kBoxFile = "meshes\\block.x";
// The sun comes from above, a little from behind the block, towards the camera.
const D3DVECTOR kSun = {0.3f, -1.0f, -0.4f};
// The block: a cube of edge 2 whose centre stands 3 above the floor.
const D3DXVECTOR3 kBlockAt(0.0f, 3.0f, 0.0f);
// The middle of its shadow on the floor, and a floor point in the sun.
const D3DXVECTOR3 kShadowed(0.9f, 0.0f, -1.2f);
const D3DXVECTOR3 kSunlit(-6.0f, 0.0f, -3.0f);

int Brightness(D3DCOLOR c)
{
    return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
}

class SunlitSceneTest : public RenderTest, public ::testing::WithParamInterface<bool>
{
protected:
    D3DPRESENT_PARAMETERS Params() override { return WindowedParams(kWidth, kHeight, D3DFMT_D24S8); }

    void SetUp() override
    {
        RenderTest::SetUp();
        g_Engine.DeleteAllObjects();
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        Env.m_bUseSkyLight = 1;
        Env.SetFogMax(0.0f);
        Env.m_dwAmbient = kAmbient;
        Env.SetSkyLightColor(0xFFFFFF);
        Env.SkyLightPower = 1.0f;
        Env.SetSkyLightDirection(&kSun);
        g_Options.DepthStencilFormat = D3DFMT_D24S8;
        g_Options.PostProcessOff = GetParam() ? 1 : 0;
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        ASSERT_NE(g_EffectMgr.FindEffect("skylight"), nullptr);
        WriteTga("textures/misc/bialy.tga", kWhite);
        WriteTga("textures/block.tga", kWhite);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        g_Renderer.InitAmbient();
        // A unit cube with its own normal per face.
        SkinModelDesc cube;
        const float lo[3] = {-0.5f, -0.5f, -0.5f}, hi[3] = {0.5f, 0.5f, 0.5f};
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        boxfigure::AddBox(&cube, identity, lo, hi, 0);
        cube.mesh.materials = {tk::xfile::XMaterialDesc()};
        cube.mesh.materials[0].texture = "block.tga";
        std::filesystem::create_directories("meshes");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(kBoxFile, cube.mesh, tk::xfile::XFormat::Text));

        floor = Place(D3DXVECTOR3(0.0f, -0.5f, 0.0f), D3DXVECTOR3(40.0f, 1.0f, 40.0f));
        block = Place(kBlockAt, D3DXVECTOR3(2.0f, 2.0f, 2.0f));
        ASSERT_TRUE(floor && block);

        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 12.0f, -16.0f));
        EOrientation look;
        D3DXVECTOR3 forward(0.0f, -0.6f, 1.0f), up(0.0f, 1.0f, 0.0f);
        D3DXVec3Normalize(&forward, &forward);
        look.SetDirectionAndUp(&forward, &up);
        g_Camera.SetOrientation(look);
        g_Camera.UpdateView();
        g_SkyShadow.ResetLightCache();
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

    static HOBJECT Place(const D3DXVECTOR3& at, const D3DXVECTOR3& scale)
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, kBoxFile, 1, 0, &at.x, &scale.x);
        if (!o)
            return nullptr;
        g_Engine.PrepareObject(o);
        strobjectframe& f = g_Renderer.ObjectFrame(o);
        f.m_bVisible = f.m_bInView = 1;
        return o;
    }

    // One frame of the driver: the cascades, then the scene into a black back buffer.
    void Frame()
    {
        g_Renderer.m_bFrameHasSkyLitMeshes = 1;
        g_Renderer.UpdateTime();
        g_Renderer.PreRenderScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Renderer.RenderScene();
        device->EndScene();
    }

    // Where a world point shows; false off screen.
    static bool OnScreen(const D3DXVECTOR3& p, UINT* x, UINT* y)
    {
        D3DXMATRIX viewProj;
        D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &p, &viewProj);
        if (clip.x <= -1.0f || clip.x >= 1.0f || clip.y <= -1.0f || clip.y >= 1.0f)
            return false;
        *x = static_cast<UINT>((clip.x * 0.5f + 0.5f) * kWidth);
        *y = static_cast<UINT>((0.5f - clip.y * 0.5f) * kHeight);
        return *x < kWidth && *y < kHeight;
    }

    int At(const D3DXVECTOR3& p)
    {
        UINT x = 0, y = 0;
        EXPECT_TRUE(OnScreen(p, &x, &y)) << p.x << ", " << p.y << ", " << p.z;
        return Brightness(BackPixel(x, y));
    }

    // The floor under the block is darker than the floor in the sun.
    bool Shadowed()
    {
        const int in = At(kShadowed), out = At(kSunlit);
        EXPECT_GT(out, Brightness(kAmbient) + 40) << "the sun lights the floor";
        return in + 40 < out;
    }

    HOBJECT floor = nullptr;
    HOBJECT block = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Orders, SunlitSceneTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? "Fast" : "Realistic"; });

TEST_P(SunlitSceneTest, TheBlocksShadowGoesWithTheBlockWhileTheCameraStays)
{
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_TRUE(Shadowed());
    // Hidden with its sector: not drawn, and no shadow either.
    block->bHidden = 1;
    g_Renderer.ObjectFrame(block).m_bVisible = 0;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_FALSE(Shadowed()) << "a block in a hidden sector casts no shadow";
    block->bHidden = 0;
    g_Renderer.ObjectFrame(block).m_bVisible = 1;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_TRUE(Shadowed()) << "shown again, it casts again";
    // Deleted: its shadow goes in the next frame, not when the camera next moves.
    g_Engine.DeleteObject(block);
    block = nullptr;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_FALSE(Shadowed());
}

TEST_P(SunlitSceneTest, APaintedFloorIsLitBySunAndShadowedByTheBlock)
{
    ETexturePaintParams paint;
    paint.bSubsetUsed[0][0] = 1;
    g_Engine.SetObjectTexturePaint(floor, &paint);
    g_Options.DrawMultitextures = 1;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_TRUE(Shadowed());
    if (!GetParam())
        EXPECT_EQ(g_Renderer.m_bFrameHasMultitexture, 1) << "the floor went through the painted pass";
}

TEST_P(SunlitSceneTest, AMovingBlockThrowsItsShadowInTheRealisticOrder)
{
    // Driven by a body: out of the kept cascades, drawn into the moving
    // casters' cascade, which the Realistic passes read.
    strobjectframe& f = g_Renderer.ObjectFrame(block);
    f.m_bMoving = f.m_bDynamicShadow = 1;
    g_Renderer.m_bDetailedShadowMeshes = 1;
    ASSERT_NO_FATAL_FAILURE(Frame());
    if (GetParam())
        EXPECT_FALSE(Shadowed()) << "the Fast order draws the wide cascade alone";
    else
    {
        EXPECT_EQ(g_SkyShadow.m_bRendered[2], 1);
        EXPECT_TRUE(Shadowed());
    }
}

TEST_P(SunlitSceneTest, AWorldWithoutTheSkyLightKeepsTheSunsLightButNotItsShadows)
{
    Env.m_bUseSkyLight = 0;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_FALSE(Shadowed());
    // The console's switch turns the sun itself off.
    g_Options.UseSkyLight = 0;
    ASSERT_NO_FATAL_FAILURE(Frame());
    EXPECT_LT(At(kSunlit), Brightness(kAmbient) + 20);
}

TEST_P(SunlitSceneTest, ALowSunLightsTheFloorEvenly)
{
    // A low sun from behind the camera: the floor takes it at a slant, which
    // a shadow test without the surface's slope covers with dark teeth.
    // Every point of the floor in the sun shows alike.
    const D3DVECTOR low = {0.35f, -0.35f, 1.0f};
    Env.SetSkyLightDirection(&low);
    for (DWORD quality : {0u, 2u})
    {
        SCOPED_TRACE(quality);
        g_Options.VideoLevel2 = quality;
        g_SkyShadow.ReleaseRenderTextures();
        g_SkyShadow.ResetLightCache();
        ASSERT_NO_FATAL_FAILURE(Frame());
        std::vector<int> floorLight;
        UINT sx = 0, sy = 0;
        for (float x = -9.0f; x <= -3.0f; x += 0.37f)
            for (float z = -7.0f; z <= -2.0f; z += 0.41f)
                if (OnScreen(D3DXVECTOR3(x, 0.0f, z), &sx, &sy))
                    floorLight.push_back(Brightness(BackPixel(sx, sy)));
        ASSERT_GT(floorLight.size(), 50u);
        const auto [least, most] = std::minmax_element(floorLight.begin(), floorLight.end());
        EXPECT_GT(*most, Brightness(kAmbient) + 40) << "in the sun";
        EXPECT_GE(*least * 10, *most * 9) << "no shadowed teeth: " << *least << " against " << *most;
    }
}

TEST_P(SunlitSceneTest, StaticCastersAreNotBentByATreesSway)
{
    EEffect* depth = g_EffectMgr.FindEffect("SkyDepth");
    ASSERT_TRUE(depth && depth->m_pEffect);
    // What a swaying tree's cut-out pass leaves on the effect.
    depth->m_pEffect->SetFloat(depth->g_fDrzewoLiscie, 0.5f);
    ASSERT_NO_FATAL_FAILURE(Frame());
    float sway = -1.0f;
    ASSERT_EQ(depth->m_pEffect->GetFloat(depth->g_fDrzewoLiscie, &sway), D3D_OK);
    EXPECT_EQ(sway, 0.0f);
    EXPECT_TRUE(Shadowed());
}
} // namespace
