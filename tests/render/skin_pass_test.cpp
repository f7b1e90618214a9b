// The skinned figures on screen: the sun-lit passes draw a figure lit by the
// sun over the ambient light in both modes (translucent materials in their own
// pass), the figure casts into the dynamic sun cascade, two figures of
// different models drawn in one frame each show their own pose, and figures
// take their textures' variants in turn.
#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "mesh/BinaFile.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "support/ConsoleLog.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Camera.h"

#include <cstring>
#include <filesystem>

namespace
{
constexpr UINT kWidth = 160;
constexpr UINT kHeight = 120;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kBackground = 0xFF000000;
constexpr DWORD kAmbient = 0x202020;
constexpr DWORD kSunColour = 0xFFFFFF;
constexpr DWORD kDynamicCascade = 2;
constexpr float kFrame = 0.01f;
constexpr int kFirstSlot = FIRST_SKINMESH_SLOT;

// Legs and pelvis, trunk and head; `arm` adds a left arm (a second model).
std::vector<boxfigure::BoxBone> Parts(bool arm)
{
    std::vector<boxfigure::BoxBone> parts = {
        {"Bip01", -1, 0, 1, 0, {-0.3f, -1, -0.2f}, {0.3f, 0, 0.2f}},
        {"Bip01_Spine1", 0, 0, 0, 0, {-0.35f, 0, -0.2f}, {0.35f, 0.8f, 0.2f}},
        {"Bip01_Head", 1, 0, 0.8f, 0, {-0.2f, 0.05f, -0.2f}, {0.2f, 0.45f, 0.2f}},
    };
    if (arm)
        parts.push_back({"Bip01_L_UpperArm", 1, -0.5f, 0.7f, 0, {-0.1f, -0.6f, -0.1f}, {0.1f, 0, 0.1f}});
    return parts;
}

// Six faces with their own normals per box, each box skinned wholly to its bone.
SkinModelDesc Model(const std::vector<boxfigure::BoxBone>& parts, const char* texture)
{
    SkinModelDesc desc = boxfigure::Model(parts);
    desc.mesh.materials = {tk::xfile::XMaterialDesc()};
    desc.mesh.materials[0].texture = texture;
    return desc;
}

// Every bone at its bind translation, the head moved by `head` for the whole loop.
BinaContent HeadAside(const std::vector<boxfigure::BoxBone>& parts, D3DXVECTOR3 head)
{
    BinaContent c;
    c.dKeyTimeScale = 100.0;
    c.dLength = 1.0;
    for (const boxfigure::BoxBone& p : parts)
    {
        tNodeAnim track;
        std::snprintf(track.szName, sizeof track.szName, "%s", p.name);
        const D3DXVECTOR3 bind(p.x, p.y, p.z);
        const D3DXVECTOR3 at = std::strcmp(p.name, "Bip01_Head") == 0 ? bind + head : bind;
        track.fTimeTranslation = {0.0f, 100.0f};
        track.vTranslation = {at, at};
        track.fTimeRotation = {0.0f};
        track.qRotation = {{0.0f, 0.0f, 0.0f, 1.0f}};
        c.nodes.push_back(track);
    }
    return c;
}

class SkinPassTest : public RenderTest
{
protected:
    D3DPRESENT_PARAMETERS Params() override { return WindowedParams(kWidth, kHeight, D3DFMT_D24S8); }

    void SetUp() override
    {
        RenderTest::SetUp();
        Env.m_bUseSkyLight = 1;
        Env.SetFogMax(0.0f);
        Env.m_dwAmbient = kAmbient;
        Env.SetSkyLightColor(kSunColour);
        Env.SkyLightPower = 1.0f;
        // From behind the camera and above: the figures' fronts face the sun.
        const D3DVECTOR sun = {0.0f, -0.5f, 1.0f};
        Env.SetSkyLightDirection(&sun);
        g_Options.DepthStencilFormat = D3DFMT_D24S8;
        std::filesystem::copy(tk::test::DataDir() / "fx", dir.path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        ASSERT_NE(g_EffectMgr.FindEffect("SkyLightSkinmesh"), nullptr);
        ASSERT_NE(g_EffectMgr.FindEffect("SkyLightSkinmeshF"), nullptr);
        WriteTga("textures/misc/bialy.tga", kWhite);
        WriteTga("textures/plain.tga", kWhite);
        WriteTga("textures/armed.tga", kWhite);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        g_Renderer.InitAmbient();

        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 1.5f, -8.0f));
        EOrientation look;
        const D3DXVECTOR3 forward(0.0f, 0.0f, 1.0f), up(0.0f, 1.0f, 0.0f);
        look.SetDirectionAndUp(&forward, &up);
        g_Camera.SetOrientation(look);
        g_Camera.UpdateView();
        g_SkyShadow.ResetLightCache();
    }

    void TearDown() override
    {
        for (int i = 0; i < 2; ++i)
        {
            m_Skins[i].Destroy();
            strObject& o = g_Engine.m_Objects[kFirstSlot + i];
            o.bUsed = 0;
            o.Object = nullptr;
            o.dwFlags = 0;
            g_Renderer.m_ObjectFrame[kFirstSlot + i] = strobjectframe{};
        }
        g_SkinMeshMgr.Release();
        g_SkyShadow.Release();
        g_EffectMgr.Release();
        RenderTest::TearDown();
    }

    // Writes models\<name>\<name>.x with one animation "pose" and places an
    // instance of it at `x`, playing the pose, as the engine's slot `i`.
    ESkinMesh& Place(int i, const char* name, bool arm, const char* texture, D3DXVECTOR3 head, float x)
    {
        const std::string folder = std::string("models/") + name;
        std::filesystem::create_directories(folder + "/animations");
        const std::string path = std::string("models\\") + name + "\\" + name + ".x";
        EXPECT_TRUE(WriteSkinModelFile(path.c_str(), Model(Parts(arm), texture), tk::xfile::XFormat::Text));
        EXPECT_TRUE(bina::WriteFile((std::string("models\\") + name + "\\animations\\pose.bin").c_str(),
                                    HeadAside(Parts(arm), head)));
        strObject& o = g_Engine.m_Objects[kFirstSlot + i];
        o.bUsed = 1;
        o.Type = OT_SKINMESH;
        o.dwFlags = 1; // shown
        o.Object = &m_Skins[i];
        ESkinMesh& skin = m_Skins[i];
        skin.SetOwner(&o);
        EXPECT_TRUE(skin.Create(path.c_str()));
        const D3DXVECTOR3 at(x, 0.0f, 0.0f);
        skin.SetPosition(&at);
        EXPECT_TRUE(skin.SetAnimationNoBlend("pose", 1));
        skin.Update(kFrame);
        skin.ComputeBoneMatrices();
        strobjectframe& f = g_Renderer.m_ObjectFrame[kFirstSlot + i];
        f.m_bInView = f.m_bVisible = f.m_bMoving = f.m_bDynamicShadow = 1;
        return skin;
    }

    // One frame of the given pass into a black back buffer.
    void Draw(void (ERenderer::*pass)())
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_Renderer.CollectFrameTextures();
        g_Renderer.UpdateLightingConstants();
        (g_Renderer.*pass)();
        device->EndScene();
    }

    // The back-buffer pixel a world point falls on.
    static void Project(const D3DXVECTOR3& p, UINT* x, UINT* y)
    {
        D3DXMATRIX viewProj;
        D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &p, &viewProj);
        *x = static_cast<UINT>((clip.x * 0.5f + 0.5f) * kWidth);
        *y = static_cast<UINT>((0.5f - clip.y * 0.5f) * kHeight);
    }

    D3DCOLOR At(const D3DXVECTOR3& p)
    {
        UINT x = 0, y = 0;
        Project(p, &x, &y);
        EXPECT_LT(x, kWidth);
        EXPECT_LT(y, kHeight);
        return BackPixel(x, y);
    }

    static int Green(D3DCOLOR c) { return static_cast<int>((c >> 8) & 0xFF); }

    // Where a node's box is centred now.
    static D3DXVECTOR3 BoxCentre(const ESkinMesh& skin, const char* node, const D3DXVECTOR3& centre)
    {
        const int n = skin.FindNode(node);
        EXPECT_GE(n, 0);
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &centre, &skin.m_pNodes[n].mWorld);
        return out;
    }

    ESkinMesh m_Skins[2];
};

TEST_F(SkinPassTest, BothModesDrawTheFigureLitByTheSunOverTheAmbientLight)
{
    ESkinMesh& skin = Place(0, "plain", false, "plain.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    const D3DXVECTOR3 chest = BoxCentre(skin, "Bip01_Spine1", D3DXVECTOR3(0, 0.4f, 0));
    const D3DXVECTOR3 beside = chest + D3DXVECTOR3(2.0f, 0.0f, 0.0f);
    for (auto pass : {&ERenderer::RenderSkinMeshesSkyLightF, &ERenderer::RenderSkinMeshesSkyLight})
    {
        g_Options.UseSkyLight = 1;
        Draw(pass);
        const D3DCOLOR sunlit = At(chest);
        EXPECT_EQ(At(beside), kBackground) << "nothing drawn beside the figure";
        g_Options.UseSkyLight = 0;
        Draw(pass);
        const D3DCOLOR ambient = At(chest);
        // The white texture under the ambient light alone, then with the
        // sun's share on the front that faces it.
        EXPECT_NEAR(Green(ambient), (kAmbient >> 8) & 0xFF, 3);
        EXPECT_GT(Green(sunlit), Green(ambient) + 100) << std::hex << sunlit << " " << ambient;
    }
    g_Options.UseSkyLight = 1;
    // All opaque: the translucent pass has nothing to do.
    g_Renderer.m_bFrameHasTranslucentSkin = 0;
    Draw(&ERenderer::RenderSkinMeshesSkyLightF);
    EXPECT_EQ(g_Renderer.m_bFrameHasTranslucentSkin, 0);
    Draw(&ERenderer::RenderSkinMeshesSkyLightTransl);
    EXPECT_EQ(At(chest), kBackground);
    // A translucent material is left to the translucent pass, which blends it in.
    g_Renderer.FindTexture("plain.tga")->m_bTranslucent = 1;
    Draw(&ERenderer::RenderSkinMeshesSkyLight);
    EXPECT_EQ(At(chest), kBackground);
    EXPECT_EQ(g_Renderer.m_bFrameHasTranslucentSkin, 1);
    Draw(&ERenderer::RenderSkinMeshesSkyLightTransl);
    EXPECT_NE(At(chest), kBackground);
    g_Renderer.FindTexture("plain.tga")->m_bTranslucent = 0;
    // With the models switched off the pass draws nothing.
    g_Options.DrawModels = 0;
    Draw(&ERenderer::RenderSkinMeshesSkyLightF);
    EXPECT_EQ(At(chest), kBackground);
}

// The dynamic cascade's depth where a world point falls; the map is copied
// to memory as the GPU drew it.
float CascadeDepth(IDirect3DDevice9* device, const D3DXVECTOR3& p)
{
    IDirect3DSurface9* level = nullptr;
    EXPECT_EQ(g_SkyShadow.m_pTexture[kDynamicCascade]->GetSurfaceLevel(0, &level), D3D_OK);
    D3DSURFACE_DESC desc = {};
    level->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_R32F);
    IDirect3DSurface9* copy = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                  &copy, nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetRenderTargetData(level, copy), D3D_OK);
    level->Release();
    D3DXMATRIX lightViewProj;
    D3DXMatrixMultiply(&lightViewProj, &g_SkyShadow.m_mView[kDynamicCascade],
                       &g_SkyShadow.m_mProj[kDynamicCascade]);
    D3DXVECTOR3 c;
    D3DXVec3TransformCoord(&c, &p, &lightViewProj);
    const UINT x = static_cast<UINT>((c.x * 0.5f + 0.5f) * desc.Width);
    const UINT y = static_cast<UINT>((0.5f - c.y * 0.5f) * desc.Height);
    float d = -1.0f;
    D3DLOCKED_RECT locked = {};
    if (x < desc.Width && y < desc.Height && SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        std::memcpy(&d, static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * sizeof(float),
                    sizeof d);
        copy->UnlockRect();
    }
    copy->Release();
    return d;
}

TEST_F(SkinPassTest, TranslucentFiguresAreFoggedAsOpaqueOnesAre)
{
    // A thick red fog: an opaque figure and the same figure drawn by the
    // translucent pass (its texture wholly opaque) take the same share of it.
    ESkinMesh& skin = Place(0, "plain", false, "plain.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    const D3DXVECTOR3 chest = BoxCentre(skin, "Bip01_Spine1", D3DXVECTOR3(0, 0.4f, 0));
    Env.SetFogColor(0xFF0000);
    Env.SetFogMax(1.0f);
    const float coef = PostProcess.FogDistCoef;
    PostProcess.FogDistCoef = 20.0f;
    Draw(&ERenderer::RenderSkinMeshesSkyLight);
    const D3DCOLOR opaque = At(chest);
    g_Renderer.FindTexture("plain.tga")->m_bTranslucent = 1;
    Draw(&ERenderer::RenderSkinMeshesSkyLightTransl);
    const D3DCOLOR translucent = At(chest);
    g_Renderer.FindTexture("plain.tga")->m_bTranslucent = 0;
    PostProcess.FogDistCoef = coef;
    EXPECT_LT(Green(opaque), 200) << "the fog shows";
    EXPECT_NEAR(Green(translucent), Green(opaque), 3) << std::hex << translucent << " " << opaque;
}

TEST_F(SkinPassTest, WithoutCharacterTexturesFiguresShowTheWhiteTexture)
{
    WriteTga("textures/red.tga", 0xFFFF0000);
    g_Renderer.ScanTextureDirectory();
    ESkinMesh& skin = Place(0, "rouge", false, "red.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    const D3DXVECTOR3 chest = BoxCentre(skin, "Bip01_Spine1", D3DXVECTOR3(0, 0.4f, 0));
    Draw(&ERenderer::RenderSkinMeshesSkyLightF);
    const D3DCOLOR textured = At(chest);
    EXPECT_GT(static_cast<int>((textured >> 16) & 0xFF), Green(textured) + 100) << std::hex << textured;
    g_Options.DrawCharacterTextures = 0;
    Draw(&ERenderer::RenderSkinMeshesSkyLightF);
    const D3DCOLOR white = At(chest);
    EXPECT_NEAR(static_cast<int>((white >> 16) & 0xFF), Green(white), 3) << std::hex << white;
    EXPECT_GT(Green(white), 100);
}

TEST_F(SkinPassTest, AMissingEffectIsNamedOnceAndNothingIsDrawn)
{
    ESkinMesh& skin = Place(0, "plain", false, "plain.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    const D3DXVECTOR3 chest = BoxCentre(skin, "Bip01_Spine1", D3DXVECTOR3(0, 0.4f, 0));
    g_EffectMgr.Release();
    const size_t from = ConsoleLog().size();
    for (int frame = 0; frame < 3; ++frame)
        for (auto pass : {&ERenderer::RenderSkinMeshesSkyLightF, &ERenderer::RenderSkinMeshesSkyLight})
        {
            Draw(pass);
            EXPECT_EQ(At(chest), kBackground);
        }
    const std::string log = ConsoleLog().substr(from);
    for (const char* line : {"No SkyLightSkinmeshF HEFFECT", "No SkyLightSkinmesh HEFFECT"})
    {
        EXPECT_NE(log.find(line), std::string::npos) << line;
        EXPECT_EQ(log.find(line), log.rfind(line)) << line;
    }
}

TEST_F(SkinPassTest, TheFigureCastsIntoTheDynamicCascadeWhateverTheDepthFormat)
{
    ESkinMesh& skin = Place(0, "plain", false, "plain.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    g_Renderer.CollectFrameTextures();
    g_Renderer.m_bDetailedShadowSkinMeshes = 1;
    // Without stencil bits too: the map is cleared all the same.
    for (DWORD format : {DWORD(D3DFMT_D24S8), DWORD(D3DFMT_D16)})
    {
        g_Options.DepthStencilFormat = format;
        g_SkyShadow.Release();
        g_SkyShadow.ResetLightCache();
        g_SkyShadow.CreateRenderTextures();
        for (float x : {0.0f, 6.0f})
        {
            const D3DXVECTOR3 at(x, 0.0f, 0.0f);
            skin.SetPosition(&at);
            skin.Update(kFrame);
            skin.ComputeBoneMatrices();
            g_SkyShadow.Update();
            g_Renderer.RenderSkyDepth(kDynamicCascade);
            ASSERT_EQ(g_SkyShadow.m_bRendered[kDynamicCascade], 1);
            const D3DXVECTOR3 chest = BoxCentre(skin, "Bip01_Spine1", D3DXVECTOR3(0, 0.4f, 0));
            const float caster = CascadeDepth(device, chest);
            EXPECT_GT(caster, 0.0f) << format;
            EXPECT_LT(caster, 0.99f) << format << ": the figure's depth is in the map";
            // Where it stood before (or beside it), the map is empty again.
            const D3DXVECTOR3 away(x == 0.0f ? 3.0f : -6.0f, 0.0f, 0.0f);
            EXPECT_GE(CascadeDepth(device, chest + away), 0.99f) << format << " at " << x;
        }
    }
}

TEST_F(SkinPassTest, TwoFiguresOfDifferentModelsEachShowTheirOwnPose)
{
    // The head of one is moved to its right, the other's to its left.
    const D3DXVECTOR3 aside(1.2f, 0.0f, 0.0f);
    ESkinMesh& plain = Place(0, "plain", false, "plain.tga", aside, -3.0f);
    ESkinMesh& armed = Place(1, "armed", true, "armed.tga", -aside, 3.0f);
    ASSERT_NE(plain.m_pBase, armed.m_pBase);
    // Updating one after the other leaves the first one's pose as it was.
    plain.Update(kFrame);
    armed.Update(kFrame);
    plain.ComputeBoneMatrices();
    armed.ComputeBoneMatrices();
    const D3DXVECTOR3 headCentre(0.0f, 0.25f, 0.0f);
    const D3DXVECTOR3 plainHead = BoxCentre(plain, "Bip01_Head", headCentre);
    const D3DXVECTOR3 armedHead = BoxCentre(armed, "Bip01_Head", headCentre);
    EXPECT_NEAR(plainHead.x, -3.0f + aside.x, 1e-3f);
    EXPECT_NEAR(armedHead.x, 3.0f - aside.x, 1e-3f);
    for (auto pass : {&ERenderer::RenderSkinMeshesSkyLightF, &ERenderer::RenderSkinMeshesSkyLight})
    {
        Draw(pass);
        EXPECT_NE(At(plainHead), kBackground);
        EXPECT_NE(At(armedHead), kBackground);
        // Where each head would be in the bind pose, nothing.
        EXPECT_EQ(At(plainHead - aside), kBackground);
        EXPECT_EQ(At(armedHead + aside), kBackground);
        // The second model's arm is its own.
        EXPECT_NE(At(BoxCentre(armed, "Bip01_L_UpperArm", D3DXVECTOR3(0, -0.3f, 0))), kBackground);
    }
}
TEST_F(SkinPassTest, AModelWithALowPolyVersionIsDrawnAsThatVersionInItsOwnPose)
{
    // The low-poly version of the armed figure has no arm.
    std::filesystem::create_directories("models/armed");
    ASSERT_TRUE(WriteSkinModelFile("models\\armed\\armed.x_lowpoly.x", Model(Parts(false), "armed.tga"),
                                   tk::xfile::XFormat::Text));
    const D3DXVECTOR3 aside(1.2f, 0.0f, 0.0f);
    ESkinMesh& armed = Place(0, "armed", true, "armed.tga", aside, 0.0f);
    ASSERT_NE(armed.m_pBaseLowPoly, nullptr);
    EXPECT_EQ(armed.m_bLowPolyDrawing, 1);
    ASSERT_EQ(armed.m_pMeshes_LowPoly.size(), 1u);
    const D3DXVECTOR3 head = BoxCentre(armed, "Bip01_Head", D3DXVECTOR3(0.0f, 0.25f, 0.0f));
    const D3DXVECTOR3 arm = BoxCentre(armed, "Bip01_L_UpperArm", D3DXVECTOR3(0, -0.3f, 0));
    for (auto pass : {&ERenderer::RenderSkinMeshesSkyLightF, &ERenderer::RenderSkinMeshesSkyLight})
    {
        Draw(pass);
        EXPECT_NE(At(head), kBackground) << "the low-poly head follows the instance's pose";
        EXPECT_EQ(At(head - aside), kBackground);
        EXPECT_EQ(At(arm), kBackground) << "the full model's arm is not drawn";
    }
    armed.m_bLowPolyDrawing = 0;
    Draw(&ERenderer::RenderSkinMeshesSkyLight);
    EXPECT_NE(At(arm), kBackground) << "without the byte the full model shows";
}

TEST_F(SkinPassTest, FiguresCycleThroughTheirTexturesVariantsAndLeaveTheListsWhenDestroyed)
{
    WriteTga("textures/red.tga", 0xFFFF0000);
    WriteTga("textures/blue.tga", 0xFF0000FF);
    dir.Write("scripts/texture_substitutes.txt",
              "texture plain.tga\nsubstitute red.tga\nsubstitute blue.tga\n");
    g_Renderer.ScanTextureDirectory();
    g_Renderer.LoadTextureSubstitutes();
    Place(0, "plain", false, "plain.tga", D3DXVECTOR3(0, 0, 0), 0.0f);
    std::vector<std::string> shown;
    {
        ESkinMesh more[2];
        for (ESkinMesh* skin : {&m_Skins[0], &more[0], &more[1]})
        {
            if (skin != &m_Skins[0])
                ASSERT_TRUE(skin->Create("models\\plain\\plain.x"));
            const strSkinNode* holder = nullptr;
            for (const strSkinNode& n : skin->m_pNodes)
                if (n.pMeshContainer)
                    holder = &n;
            ASSERT_NE(holder, nullptr);
            ASSERT_EQ(holder->pTextureIDs.size(), 1u);
            const strtexture* t = g_Renderer.GetTexture(static_cast<TextureIndex>(holder->pTextureIDs[0]));
            ASSERT_NE(t, nullptr);
            shown.push_back(t->m_szName);
        }
        const auto listed = [](const char* name, const ESkinMesh* skin)
        {
            for (const strlistaskinmeshy* e = g_Renderer.FindTexture(name)->m_pSkinMeshList; e;
                 e = e->m_pNext)
                if (e->m_pSkinMesh == skin)
                    return true;
            return false;
        };
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_TRUE(listed(shown[1].c_str(), &more[0]));
        more[0].Destroy();
        EXPECT_FALSE(listed(shown[1].c_str(), &more[0])) << "a destroyed figure leaves the frame lists";
        EXPECT_TRUE(listed(shown[2].c_str(), &more[1]));
    }
    // Successive figures of one model take the variants in turn, from
    // wherever the model's counter started.
    for (const std::string& name : shown)
        EXPECT_TRUE(name == "red.tga" || name == "blue.tga") << name;
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_EQ(shown[0], shown[2]);
}
} // namespace
