// The demo world under the sun, in-process on the headless window and device:
// what the picture shows once the level is up (the crate's shadow on the road,
// fog thickening with distance, the sky), in both render modes, and the same
// picture again after the device is lost and reset in the middle of play.
#include "game_fixture.h"

#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/D3DMain.h"
#include "shell/Input.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "mesh/SkinMesh.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"

#include <cmath>
#include <cstring>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr DWORD kShownFrame = 215;
constexpr int kPatch = 2; // patches are (2 kPatch + 1) pixels square
// The road's top and its colour's fog.
constexpr float kRoadTop = 0.25f;

struct Colour
{
    float r = 0, g = 0, b = 0;
    float Brightness() const { return (r + g + b) / 3.0f; }
    float DistanceTo(const Colour& o) const
    {
        return std::sqrt((r - o.r) * (r - o.r) + (g - o.g) * (g - o.g) + (b - o.b) * (b - o.b));
    }
};

class SunlitWorld : public GameTest, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ResetHeadlessGame();
        CopyDataTree(m_dir->path());
        ASSERT_NE(OpenGameWindow("SunlitWorldTest", kWidth, kHeight), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        g_Options.PostProcessOff = GetParam() ? 1 : 0;
        // The grass comes at level frame 219 and sways: the pictures compared
        // across frames leave it out.
        g_Options.DrawGrass = 0;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", worldgen::DEMO_WORLD_FILE);
    }

    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    // The level up to the given frame, through the loading screen's hold.
    void StartLevel(DWORD frame)
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
        // The hero's eye would take the camera: the pictures look from the
        // world's start camera, held there as the engine's forced look.
        HOBJECT start = g_Engine.FindObject("camera_start", 0);
        ASSERT_NE(start, nullptr);
        g_Engine.ForceCameraToLook(start, nullptr);
        g_Engine.PlaceStartCamera();
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        for (int guard = 0; g_MainGame.m_iLevelFrame + 1 < frame && guard < kGuard; ++guard)
            Pass();
        // The HUD's cover, the mission's fade from black after the level's
        // start and its first task opening in the task box are not what these
        // pictures look at: the last frame is drawn without them.
        g_Panel.m_fCoverAlpha = 0.0f;
        g_Panel.m_fFadeAlpha = 0.0f;
        g_Panel.m_bFadeIn = 0;
        g_Objective.Clear();
        Pass();
        ASSERT_EQ(g_MainGame.m_iLevelFrame, frame);
        ASSERT_EQ(g_MainGame.m_bWorldActive, 1);
    }

    // Every point light of the world dark, and one frame drawn so.
    void SwitchLightsOff()
    {
        for (int slot = FIRST_LIGHT_SLOT; slot < g_Engine.m_iHighLight && slot < MAX_OBJECTS; ++slot)
            g_Engine.m_Objects[slot].bLightOff = 1;
        Pass();
    }

    // The last presented picture, as 0..255 channels.
    void TakePicture(std::vector<BYTE>* out)
    {
        TkSurfacePixels pixels = {};
        ASSERT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &pixels));
        ASSERT_EQ(pixels.width, UINT(kWidth));
        ASSERT_EQ(pixels.height, UINT(kHeight));
        out->assign(size_t(kWidth) * kHeight * 3, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const BYTE* p = pixels.bits + y * pixels.pitch + x * 4;
                BYTE* q = &(*out)[(size_t(y) * kWidth + x) * 3];
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
            }
    }

    static Colour Patch(const std::vector<BYTE>& picture, int cx, int cy)
    {
        Colour c;
        int n = 0;
        for (int y = cy - kPatch; y <= cy + kPatch; ++y)
            for (int x = cx - kPatch; x <= cx + kPatch; ++x)
            {
                if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
                    continue;
                const BYTE* q = &picture[(size_t(y) * kWidth + x) * 3];
                c.r += q[0];
                c.g += q[1];
                c.b += q[2];
                ++n;
            }
        if (n)
        {
            c.r /= float(n);
            c.g /= float(n);
            c.b /= float(n);
        }
        return c;
    }

    // Where a world point shows on the screen; false when it is off screen.
    static bool OnScreen(const D3DXVECTOR3& world, int* x, int* y)
    {
        D3DXMATRIX viewProj;
        D3DXMatrixMultiply(&viewProj, &g_Camera.m_mView, &g_Camera.m_mProjection);
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &world, &viewProj);
        *x = int((ndc.x * 0.5f + 0.5f) * kWidth);
        *y = int((0.5f - ndc.y * 0.5f) * kHeight);
        return *x >= kPatch && *y >= kPatch && *x < kWidth - kPatch && *y < kHeight - kPatch &&
               ndc.z > 0.0f && ndc.z < 1.0f;
    }

    Colour GroundAt(const std::vector<BYTE>& picture, float x, float z)
    {
        int sx = 0, sy = 0;
        EXPECT_TRUE(OnScreen(D3DXVECTOR3(x, kRoadTop, z), &sx, &sy)) << x << ", " << z;
        return Patch(picture, sx, sy);
    }

    // Where the sun throws the top of the crate onto the road.
    static D3DXVECTOR3 CrateShadow()
    {
        D3DXVECTOR3 sun(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
        D3DXVec3Normalize(&sun, &sun);
        const D3DXVECTOR3 top(worldgen::DEMO_SHADOW_BOX_X, worldgen::DEMO_SHADOW_BOX_HEIGHT * 0.8f,
                              worldgen::DEMO_SHADOW_BOX_Z);
        const float t = (kRoadTop - top.y) / sun.y;
        return top + sun * t;
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, SunlitWorld, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? "Fast" : "Realistic"; });

TEST_P(SunlitWorld, TheCrateShadowsTheRoadFogThickensWithDistanceAndTheSkyIsDrawn)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(kShownFrame));
    // The street lamps' light (drawn by the Realistic chain) is not what this
    // picture measures: the road is looked at in the sun and the fog alone.
    SwitchLightsOff();
    // The camera stands where the world put it, and the sun comes from above.
    EXPECT_FLOAT_EQ(g_Camera.GetPosition().x, worldgen::DEMO_CAMERA_X);
    ASSERT_LT(Env.m_vSkyLightDir.y, 0.0f);
    std::vector<BYTE> picture;
    ASSERT_NO_FATAL_FAILURE(TakePicture(&picture));

    // The road in the crate's shadow against the same road in the sun, at
    // the same distance from the camera.
    const D3DXVECTOR3 shade = CrateShadow();
    const Colour inShadow = GroundAt(picture, shade.x, shade.z);
    const Colour inSun = GroundAt(picture, shade.x - 12.0f, shade.z);
    EXPECT_LT(inShadow.Brightness(), inSun.Brightness() * 0.7f)
        << "shadow " << inShadow.Brightness() << " sun " << inSun.Brightness();
    EXPECT_GT(inShadow.Brightness(), 5.0f) << "the ambient light still reaches the shade";

    // Sunlit road ever farther along: ever closer to the fog's colour.
    DWORD fogPacked = 0;
    Env.GetFogColor(&fogPacked);
    const Colour fog{float((fogPacked >> 16) & 0xFF), float((fogPacked >> 8) & 0xFF),
                     float(fogPacked & 0xFF)};
    const Colour nearRoad = GroundAt(picture, 0.0f, -3.0f);
    const Colour farRoad = GroundAt(picture, 22.0f, -3.5f);
    const Colour farthestRoad = GroundAt(picture, 45.0f, -4.0f);
    EXPECT_LT(farRoad.DistanceTo(fog), nearRoad.DistanceTo(fog) - 3.0f);
    EXPECT_LT(farthestRoad.DistanceTo(fog), farRoad.DistanceTo(fog) - 3.0f);

    // The sky above the houses: bright and blue, where nothing else was drawn.
    // The console's latest lines are drawn over the top of the picture, as
    // many as were printed: of a few patches down the sky, the brightest is
    // one the text missed.
    Colour sky = Patch(picture, kWidth * 3 / 4, kHeight / 20);
    for (const int y : {kHeight / 40, kHeight / 12, kHeight / 8, kHeight / 6})
        if (const Colour other = Patch(picture, kWidth * 3 / 4, y); other.Brightness() > sky.Brightness())
            sky = other;
    EXPECT_GT(sky.b, sky.r);
    EXPECT_GT(sky.Brightness(), 150.0f);

    // Only the modes' own cascades were drawn: Fast the wide one alone.
    EXPECT_EQ(g_SkyShadow.m_bRendered[1], 1);
    EXPECT_EQ(g_SkyShadow.m_bRendered[0], GetParam() ? 0 : 1);

    // A frame that rebuilds the cascades draws the wide one first, then the
    // near one, then the dynamic one (the townsfolk cast into it), then the scene.
    g_Options.RecalculateSkyLightEveryFrame = 1;
    Pass();
    g_Options.RecalculateSkyLightEveryFrame = 0;
    IDirect3DSurface9* levels[ESkyShadow::CASCADES] = {};
    for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
        if (g_SkyShadow.m_pTexture[i])
            g_SkyShadow.m_pTexture[i]->GetSurfaceLevel(0, &levels[i]);
    std::vector<int> order;
    for (const TkDrawRecord& draw : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
    {
        int target = -1;
        for (int i = 0; i < int(ESkyShadow::CASCADES); ++i)
            if (levels[i] && draw.renderTargets[0] == levels[i])
                target = i;
        if (order.empty() || order.back() != target)
            order.push_back(target);
    }
    for (IDirect3DSurface9* level : levels)
        SAFE_RELEASE(level);
    ASSERT_GE(order.size(), GetParam() ? 2u : 4u);
    if (GetParam())
        EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 2), (std::vector<int>{1, -1}));
    else
        EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 4), (std::vector<int>{1, 0, 2, -1}));
}

TEST_P(SunlitWorld, TheTownsfolkStandInTheSunAndPlayTheirAnimations)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(kShownFrame));
    // The world's figures: every skinned object its file placed.
    std::vector<HOBJECT> figures;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.bFromWorldFile && o.Type == OT_SKINMESH && o.Object)
            figures.push_back(&o);
    ASSERT_FALSE(figures.empty());
    std::vector<BYTE> shown;
    ASSERT_NO_FATAL_FAILURE(TakePicture(&shown));
    // Each figure's chest, against the same spot with the figures hidden.
    std::vector<std::pair<int, int>> spots;
    for (HOBJECT o : figures)
    {
        const ESkinMesh* skin = static_cast<const ESkinMesh*>(o->Object);
        D3DXVECTOR3 chest(0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(skin->GetNodePosition("Bip01_Spine1", &chest)) << o->szName;
        int x = 0, y = 0;
        ASSERT_TRUE(OnScreen(chest, &x, &y)) << o->szName;
        spots.emplace_back(x, y);
        o->dwFlags &= ~DWORD(1);
        // Walkers walk, the others stand: each model's default animation, running.
        const strAnimationSlot& slot = skin->m_Slots[0];
        ASSERT_GE(slot.iAnimation, 0) << o->szName;
        EXPECT_GT(slot.dTime, 0.0) << o->szName;
        const bool walker = std::strncmp(o->szName, "walker", 6) == 0;
        EXPECT_STREQ(skin->m_pBase->m_pAnimations[slot.iAnimation]->szName, walker ? "walk" : "idle");
    }
    Pass();
    Pass();
    std::vector<BYTE> hidden;
    ASSERT_NO_FATAL_FAILURE(TakePicture(&hidden));
    for (size_t i = 0; i < figures.size(); ++i)
    {
        SCOPED_TRACE(figures[i]->szName);
        const Colour figure = Patch(shown, spots[i].first, spots[i].second);
        const Colour behind = Patch(hidden, spots[i].first, spots[i].second);
        EXPECT_GT(figure.DistanceTo(behind), 20.0f);
        // The figures' red cloth, not a dark silhouette.
        EXPECT_GT(figure.r, figure.g + 20.0f);
        EXPECT_GT(figure.r, 30.0f);
    }
}

TEST_P(SunlitWorld, ADeviceLostInPlayComesBackWithTheSamePicture)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(kShownFrame));
    // What moves by itself between the two frames stays out of the picture:
    // the blinking light among the point lights (the Realistic chain draws
    // them) and the townsfolk playing their animations.
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.Type == OT_SKINMESH && o.bFromWorldFile)
            o.dwFlags &= ~DWORD(1);
    SwitchLightsOff();
    std::vector<BYTE> before;
    ASSERT_NO_FATAL_FAILURE(TakePicture(&before));

    const uint32_t now = TkFrameCount();
    const std::string script = "frame " + std::to_string(now + 1) + ": device lost\n" + "frame " +
                               std::to_string(now + 4) + ": device restored\n";
    TkLoadScriptText(script, "loss.txt");
    for (int i = 0; i < 12; ++i)
        Pass();
    EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::Ok);
    for (DWORD i = 0; i < ESkyShadow::CASCADES; ++i)
    {
        EXPECT_NE(g_SkyShadow.m_pTexture[i], nullptr) << "cascade " << i;
        EXPECT_NE(g_SkyShadow.m_pDepth[i], nullptr) << "cascade " << i;
    }
    std::vector<BYTE> after;
    ASSERT_NO_FATAL_FAILURE(TakePicture(&after));
    ASSERT_EQ(after.size(), before.size());
    // The scene below the console's lines (which report the loss) is unchanged.
    const size_t sceneStart = size_t(kHeight) * 2 / 5 * kWidth * 3;
    size_t differing = 0;
    for (size_t i = sceneStart; i < before.size(); ++i)
        if (std::abs(int(before[i]) - int(after[i])) > 2)
            ++differing;
    EXPECT_LT(differing, (before.size() - sceneStart) / 200) << "channels that changed across the reset";
}
} // namespace
