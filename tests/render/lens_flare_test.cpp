// The sun's lens flare: its definition file, where the eleven sprites go and
// how bright they are, and when they hide (the sun behind the camera, far
// off the view, or behind a wall).
#include "render_fixture.h"

#include "mesh/MeshMgr.h"
#include "render/LensFlare.h"
#include "render/SkyLight.h"
#include "render/SpriteMgr.h"
#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"

#include <cmath>
#include <filesystem>
#include <string>

namespace
{
// Entry i: texture, brightness, axis position, scale, additive flag.
std::string Definition(int entries = ELensFlare::FLARES)
{
    std::string text;
    for (int i = 0; i < entries; ++i)
    {
        const int axis = i < 3 ? i * 2 : (i == 4 ? 20 : (i == 3 || i == 10 ? 0 : i));
        const char* brightness = i == 5 ? "0" : "0.8";
        text += "flare" + std::to_string(i % 3) + ".tga\r\n" + brightness + "\r\n" + std::to_string(axis) +
                "\r\n0.25\r\n" + (i == 3 ? "1" : "0") + "\r\n";
    }
    return text;
}

class LensFlareTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        g_Engine.DeleteAllObjects();
        for (int i = 0; i < 3; ++i)
            WriteTga("textures/flares/flare" + std::to_string(i) + ".tga", 0xFFFFFFFF);
        WriteTga("textures/box.tga", 0xFF808080);
        dir.Write("scripts/textures.txt", "");
        g_Renderer.ScanTextureDirectory();
        dir.Write("scripts/lensflare/demo.txt", Definition());
        // The sun straight ahead along +z; the camera looks a little to its right.
        const D3DVECTOR away = {0.0f, 0.0f, -1.0f};
        Env.SetLensFlareDirection(&away);
        Look(D3DXVECTOR3(0.3f, 0.0f, 1.0f));
        g_Engine.m_fDeltaTime = 0.02f;
    }

    void TearDown() override
    {
        g_LensFlare.Release();
        g_Engine.DeleteAllObjects();
        g_SpriteMgr.Release();
        g_MeshMgr.ReleaseAll();
        RenderTest::TearDown();
    }

    static void Look(D3DXVECTOR3 forward)
    {
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 2.0f, 0.0f));
        EOrientation look;
        D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXVec3Normalize(&forward, &forward);
        look.SetDirectionAndUp(&forward, &up);
        g_Camera.SetOrientation(look);
        g_Camera.UpdateView();
    }

    static void Load(const char* file = "scripts\\lensflare\\demo.txt")
    {
        std::snprintf(g_LensFlare.m_szDefinitionFile, sizeof g_LensFlare.m_szDefinitionFile, "%s", file);
        g_LensFlare.Load();
    }

    static bool Visible(int i)
    {
        HOBJECT o = g_LensFlare.m_hFlares[i];
        return o && (o->dwFlags & 1);
    }

    static DWORD Colour(int i)
    {
        return static_cast<const ESprite*>(g_LensFlare.m_hFlares[i]->pSprite)->dwColor;
    }

    static float Distance(int i)
    {
        const D3DXVECTOR3 d = g_LensFlare.m_hFlares[i]->vPosition - g_Camera.GetPosition();
        return D3DXVec3Length(&d);
    }
};

TEST_F(LensFlareTest, TheFlaresLineUpFromTheSunToAheadOfTheCamera)
{
    Load();
    ASSERT_EQ(g_LensFlare.m_bLoaded, 1);
    for (int i = 0; i < ELensFlare::FLARES; ++i)
    {
        ASSERT_NE(g_LensFlare.m_hFlares[i], nullptr) << i;
        EXPECT_FALSE(Visible(i)) << "hidden until the first update";
    }
    // Flare 4 is forty times its stored scale (0.25 x 128).
    const ESprite* disc = static_cast<const ESprite*>(g_LensFlare.m_hFlares[3]->pSprite);
    EXPECT_FLOAT_EQ(disc->vScale.x, 0.25f * 128.0f * 40.0f);
    g_LensFlare.Update();
    for (int i = 0; i < ELensFlare::FLARES; ++i)
        EXPECT_TRUE(Visible(i)) << i;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR3 p0 = eye + D3DXVECTOR3(0.0f, 0.0f, 32.0f);
    const D3DXVECTOR3 p1 = eye + g_Camera.m_vForward * 32.0f;
    auto near = [](const D3DXVECTOR3& a, const D3DXVECTOR3& b)
    {
        const D3DXVECTOR3 d = a - b;
        return D3DXVec3Length(&d) < 0.01f;
    };
    EXPECT_TRUE(near(g_LensFlare.m_hFlares[0]->vPosition, p0)) << "axis position 0 sits at P0";
    EXPECT_TRUE(near(g_LensFlare.m_hFlares[4]->vPosition, p1)) << "axis position 20 sits at P1";
    EXPECT_TRUE(near(g_LensFlare.m_hFlares[10]->vPosition, p0));
    EXPECT_NEAR(Distance(3), 1536.0f, 0.5f);
    // The fade: the sun 0.287 (the x-z offset) off the view's axis.
    const float fade = (1.1309734582901f - 0.3f / std::sqrt(1.09f)) / 1.1309734582901f;
    const DWORD c = static_cast<DWORD>(std::sqrt(std::sqrt(0.8f * fade)) * 255.0f);
    EXPECT_EQ(Colour(0), c << 24 | c << 16 | c << 8 | c);
    EXPECT_EQ(Colour(5), 0u) << "brightness 0: transparent black";
    EXPECT_NEAR(g_LensFlare.m_fOverlayFade, 0.75f * (0.8f * fade) * (0.8f * fade), 1e-4f);
}

TEST_F(LensFlareTest, TheSunBehindTheCameraHidesThem)
{
    Load();
    g_LensFlare.Update();
    ASSERT_TRUE(Visible(0));
    Look(D3DXVECTOR3(0.0f, 0.0f, -1.0f));
    g_LensFlare.Update();
    for (int i = 0; i < ELensFlare::FLARES; ++i)
        EXPECT_FALSE(Visible(i)) << i;
    EXPECT_EQ(g_LensFlare.m_fOverlayFade, 0.0f);
    Look(D3DXVECTOR3(0.3f, 0.0f, 1.0f));
    g_LensFlare.Update();
    EXPECT_TRUE(Visible(0));
}

TEST_F(LensFlareTest, AWallBetweenCameraAndSunHidesThemWithinTheTestInterval)
{
    std::filesystem::create_directories("meshes");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes/box.x", BoxMesh(), tk::xfile::XFormat::Text));
    Load();
    g_LensFlare.Update();
    ASSERT_TRUE(Visible(0));
    const float at[3] = {0.0f, 2.0f, 20.0f}, scale[3] = {20.0f, 20.0f, 1.0f};
    HOBJECT wall = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 1, 0, at, scale);
    ASSERT_TRUE(wall);
    g_Engine.PrepareObject(wall);
    float waited = 0.0f;
    while (Visible(0) && waited < 1.0f)
    {
        g_LensFlare.Update();
        waited += g_Engine.m_fDeltaTime;
    }
    EXPECT_FALSE(Visible(0));
    // The test runs every 0.2 s, so the frame that passes that time hides them.
    EXPECT_LE(waited, ELensFlare::TEST_INTERVAL + g_Engine.m_fDeltaTime + 0.001f);
}

TEST_F(LensFlareTest, ADamagedOrMissingDefinitionLeavesTheWorldWithoutFlares)
{
    const size_t from = ConsoleLog().size();
    dir.Write("scripts/lensflare/short.txt", "flare0.tga\n0.5\n3\n");
    Load("scripts\\lensflare\\short.txt");
    EXPECT_EQ(g_LensFlare.m_bLoaded, 0);
    for (HOBJECT o : g_LensFlare.m_hFlares)
        EXPECT_EQ(o, nullptr);
    g_LensFlare.Update();
    Load("scripts\\lensflare\\none.txt");
    EXPECT_EQ(g_LensFlare.m_bLoaded, 0);
    const std::string log = ConsoleLog().substr(from);
    EXPECT_NE(log.find("short.txt"), std::string::npos) << log;
    EXPECT_NE(log.find("none.txt"), std::string::npos) << log;
    // A flare whose texture is missing is left out; the others work.
    std::string oneMissing = Definition();
    oneMissing.replace(oneMissing.find("flare1.tga"), 10, "absent.tga");
    dir.Write("scripts/lensflare/gap.txt", oneMissing);
    Load("scripts\\lensflare\\gap.txt");
    EXPECT_EQ(g_LensFlare.m_bLoaded, 1);
    EXPECT_EQ(g_LensFlare.m_hFlares[1], nullptr);
    EXPECT_NE(g_LensFlare.m_hFlares[2], nullptr);
    EXPECT_EQ(g_Engine.m_bQuit, 0);
    // The world reset forgets the file: the next world has flares only when it names one.
    g_LensFlare.Release();
    EXPECT_EQ(g_LensFlare.m_szDefinitionFile[0], 0);
    EXPECT_EQ(g_LensFlare.m_hFlares[2], nullptr);
    g_LensFlare.Load();
    EXPECT_EQ(g_LensFlare.m_bLoaded, 0);
}
} // namespace
