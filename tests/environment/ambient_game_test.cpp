// The ambient layers in the running demo game, in-process on the headless
// window and device: the six gulls made at level frame 199 over the hero's
// start, circling as the level plays, seen close up, and gone with the level.
#include "game/game_fixture.h"

#include "environment/Mewy.h"
#include "environment/Opady.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/EventScript.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/Input.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kGuard = 5000;

class AmbientGame : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("AmbientGameTest", kWidth, kHeight));
    }
    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }
    void Pass()
    {
        const uint32_t end = TkFrameCount() + 1;
        for (int guard = 0; TkFrameCount() < end && guard < kGuard; ++guard)
            ASSERT_TRUE(RunLoopPass(m_msg));
    }
    void StartLevel(DWORD frame)
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        for (int guard = 0; g_MainGame.m_iLevelFrame < frame && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_MainGame.m_iLevelFrame, frame);
    }
    // The share of the pixels of the picture's middle (half its width and
    // height) that differ from its bottom-left corner (the sky).
    static float NotSky()
    {
        TkSurfacePixels pixels = {};
        EXPECT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &pixels));
        if (!pixels.bits)
            return 0.0f;
        const BYTE* sky = pixels.bits + (pixels.height - 1) * pixels.pitch;
        int differ = 0;
        for (UINT y = pixels.height / 4; y < pixels.height * 3 / 4; ++y)
            for (UINT x = pixels.width / 4; x < pixels.width * 3 / 4; ++x)
            {
                const BYTE* p = pixels.bits + y * pixels.pitch + x * 4;
                const int d = std::abs(p[0] - sky[0]) + std::abs(p[1] - sky[1]) + std::abs(p[2] - sky[2]);
                differ += d > 24;
            }
        return static_cast<float>(differ) / static_cast<float>(pixels.width * pixels.height / 4);
    }
    // The last picture as "<name>.ppm" in the folder TK_AMBIENT_PICTURES names, to look at.
    static void SavePicture(const char* name)
    {
        const char* dir = std::getenv("TK_AMBIENT_PICTURES");
        TkSurfacePixels pixels = {};
        if (!dir || !TkD3D9GetLastPresented(g_pD3DInterface, &pixels) || !pixels.bits)
            return;
        std::ofstream out(std::string(dir) + "/" + name + ".ppm", std::ios::binary);
        out << "P6\n" << pixels.width << " " << pixels.height << "\n255\n";
        for (UINT y = 0; y < pixels.height; ++y)
            for (UINT x = 0; x < pixels.width; ++x)
            {
                const BYTE* p = pixels.bits + y * pixels.pitch + x * 4;
                out.put(static_cast<char>(p[2])).put(static_cast<char>(p[1])).put(static_cast<char>(p[0]));
            }
    }
    MSG m_msg = {};
};

// The bundled town with an object named "Rain" added to its world file.
void AddRainToWorld(const std::filesystem::path& tree)
{
    std::ofstream world(tree / "worlds" / "level01.w", std::ios::binary | std::ios::app);
    world << "mesh meshes\\demo\\marker.x\r\nname Rain\r\nxpos 0\r\nypos 0\r\nzpos 0\r\nflags 128\r\n";
}

TEST_F(AmbientGame, SixGullsCircleOverTheStartAndGoWithTheLevel)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    HOBJECT start = g_Engine.FindObject(worldgen::DEMO_START_MARKER, 0);
    ASSERT_NE(start, nullptr);
    D3DXVECTOR3 before[Mewy::BIRDS];
    for (int i = 0; i < Mewy::BIRDS; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "mewa%d", i);
        HOBJECT bird = g_Engine.FindObject(name, 0);
        ASSERT_NE(bird, nullptr) << name;
        EXPECT_EQ(bird, g_Mewy.GetObject(i));
        EXPECT_EQ(bird->Type, OT_SKINMESH);
        EXPECT_NE(bird->Object, nullptr) << "the gull model loaded";
        EXPECT_NEAR(bird->vPosition.y, start->vPosition.y + 60.0f, 10.0f);
        before[i] = bird->vPosition;
    }
    EXPECT_FALSE(g_Opady.m_bActive) << "the demo town has no rain";

    // Look at the first gull from a few units behind it.
    HOBJECT eye = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    ASSERT_NE(eye, nullptr);
    for (int frame = 0; frame < 60; ++frame)
    {
        HOBJECT bird = g_Mewy.GetObject(0);
        ASSERT_NE(bird, nullptr);
        const D3DXVECTOR3 from = bird->vPosition + D3DXVECTOR3(3.0f, 1.0f, 3.0f);
        g_Engine.SetObjectPosition(eye, &from, 1);
        if (g_Engine.m_pLookFrom != eye)
            g_Engine.ForceCameraToLook(eye, nullptr);
        const D3DXVECTOR3 look = bird->vPosition - from;
        g_Camera.SetPosition(from);
        g_Camera.SetOrientation(EOrientation(&look));
        ASSERT_NO_FATAL_FAILURE(Pass());
    }
    for (int i = 0; i < Mewy::BIRDS; ++i)
    {
        const D3DXVECTOR3 d = g_Mewy.GetObject(i)->vPosition - before[i];
        EXPECT_GT(D3DXVec3Length(&d), 0.1f) << "gull " << i << " moved";
    }
    // The gull, three units off, stands out against the sky in the middle of the picture.
    EXPECT_GT(NotSky(), 0.04f);
    SavePicture("gull");

    // The level's end deletes the birds.
    g_MainGame.ReleaseLevel();
    EXPECT_EQ(g_Engine.FindObject("mewa0", 0), nullptr);
    for (int i = 0; i < Mewy::BIRDS; ++i)
        EXPECT_EQ(g_Mewy.GetObject(i), nullptr);
}

TEST_F(AmbientGame, RainFallsRoundTheCameraInAWorldWithRain)
{
    AddRainToWorld(m_dir->path());
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    ASSERT_TRUE(g_Opady.m_bActive);
    EXPECT_EQ(g_Opady.m_iActiveDrops, COpady::MAX_ACTIVE_DROPS);
    // Look up the street from the camera's start for a few frames.
    HOBJECT start = g_Engine.FindObject("camera_start", 0);
    ASSERT_NE(start, nullptr);
    g_Engine.ForceCameraToLook(start, nullptr);
    g_Engine.PlaceStartCamera();
    for (int frame = 0; frame < 10; ++frame)
        ASSERT_NO_FATAL_FAILURE(Pass());
    // The box follows the camera.
    EXPECT_EQ(g_Opady.m_vCameraPos, g_Camera.m_vPosition);

    // The last frame drew the drops and the sheets additively.
    const std::vector<TkDrawRecord>& log = TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last);
    ASSERT_EQ(g_Opady.m_iDropQuads, COpady::MAX_ACTIVE_DROPS);
    ASSERT_GT(g_Opady.m_iSheetQuads, 0u);
    bool drops = false, sheets = false;
    for (const TkDrawRecord& r : log)
    {
        if (r.fvf != COpady::FVF || r.RenderState(D3DRS_SRCBLEND) != D3DBLEND_SRCCOLOR ||
            r.RenderState(D3DRS_DESTBLEND) != D3DBLEND_ONE || r.streams[0].stride != COpady::VERTEX_SIZE)
            continue;
        drops = drops ||
                (r.streams[0].buffer == g_Opady.m_pDropVB && r.primitiveCount == 2 * g_Opady.m_iDropQuads);
        sheets = sheets ||
                 (r.streams[0].buffer == g_Opady.m_pSheetVB && r.primitiveCount == 2 * g_Opady.m_iSheetQuads);
    }
    EXPECT_TRUE(drops);
    EXPECT_TRUE(sheets);
    SavePicture("rain");

    // The level's end frees both buffers.
    g_MainGame.ReleaseLevel();
    EXPECT_FALSE(g_Opady.m_bActive);
    EXPECT_EQ(g_Opady.m_pDropVB, nullptr);
}
} // namespace
