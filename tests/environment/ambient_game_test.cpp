// The ambient layers in the running demo game, in-process on the headless
// window and device: the six gulls made at level frame 199 over the hero's
// start, circling as the level plays, seen close up, and gone with the level;
// the leaves on the road and the power line over the street; in the river
// world the drifting objects and the rain; and nothing of them left once the
// game has ended.
#include "game/game_fixture.h"

#include "environment/Dust.h"
#include "environment/Mewy.h"
#include "environment/Opady.h"
#include "environment/RiverMgr.h"
#include "environment/SlupMgr.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/EventScript.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
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
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;

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
    static DWORD Tracked(const char* tag)
    {
        for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
            if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], tag) == 0)
                return g_Debug.m_iCounts[i];
        return 0;
    }
    // Ends the game's world as the program's end does: the "*" world, then
    // the reset the shutdown runs again. The layers leave nothing behind.
    void ExpectNothingLeftAtTheEnd()
    {
        g_Engine.StartWorld("*");
        g_Engine.ResetWorld();
        for (const char* tag : {EDust::GRID_TAG, EDust::VB_TAG, ESlupMgr::VB_TAG, COpady::ALLOCATION_TAG})
            EXPECT_EQ(Tracked(tag), 0u) << tag;
        EXPECT_EQ(g_Dust.m_pDustVB, nullptr);
        EXPECT_EQ(g_SlupMgr.m_pLinie, nullptr);
        EXPECT_EQ(g_Opady.m_pDropVB, nullptr);
        for (int i = 0; i < Mewy::BIRDS; ++i)
            EXPECT_EQ(g_Mewy.GetObject(i), nullptr);
        EXPECT_EQ(g_Engine.FindObject("mewa0", 0), nullptr);
    }
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
TEST_F(AmbientGame, LeavesBlowAlongTheRoadAndCablesHangOverTheStreet)
{
    g_Options.SystemDebug = 1;
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    // The grid over the 120 x 120 "grass" area, traced once and cached whole.
    ASSERT_TRUE(g_Dust.m_bReady);
    EXPECT_EQ(g_Dust.m_iSzer, 15);
    EXPECT_EQ(g_Dust.m_iDl, 15);
    const std::filesystem::path cache = m_dir->path() / "worlds" / "level01.w.dst";
    ASSERT_TRUE(std::filesystem::exists(cache));
    EXPECT_EQ(std::filesystem::file_size(cache), 8u + 12u * 15u * 15u);
    const std::string log = ConsoleLog();
    for (const char* line : {"Brak slupa", "brak socketa", "No skylight", "Brak tekstury"})
        EXPECT_EQ(log.find(line), std::string::npos) << line;

    // Look south over the road from the green: the leaves are born on the
    // camera's south side and blow north.
    ASSERT_NO_FATAL_FAILURE(LookFrom(D3DXVECTOR3(-45.0f, 2.0f, 28.0f), D3DXVECTOR3(-45.0f, 0.0f, 0.0f), 60));
    int alive = 0;
    for (const strDustLeaf& leaf : g_Dust.m_Leaves)
        alive += leaf.m_bActive;
    EXPECT_GT(alive, 0);
    const std::vector<TkDrawRecord>& leaves = TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last);
    bool leafDraw = false;
    for (const TkDrawRecord& r : leaves)
        leafDraw = leafDraw || (r.fvf == EDust::FVF && r.streams[0].buffer == g_Dust.m_pDustVB &&
                                r.primitiveCount == g_Dust.m_iDustTriangles && r.primitiveCount >= 2 &&
                                r.primitiveCount <= 2u * EDust::LEAVES && r.textures[0] &&
                                r.RenderState(D3DRS_SRCBLEND) == D3DBLEND_SRCALPHA);
    EXPECT_TRUE(leafDraw) << "the leaves drawn from their buffer with the atlas";
    SavePicture("leaves");
    // A close look at a leaf on the road, to see it.
    for (const strDustLeaf& leaf : g_Dust.m_Leaves)
        if (leaf.m_bActive && std::fabs(leaf.m_vDrawPos.z) < 5.0f)
        {
            ASSERT_NO_FATAL_FAILURE(
                LookFrom(leaf.m_vDrawPos + D3DXVECTOR3(0.0f, 0.3f, 1.2f), leaf.m_vDrawPos, 1));
            SavePicture("leaf_on_the_road");
            break;
        }

    // The line of eight poles: seven spans of three cables, ten segments of
    // four triangles each, all within reach of the camera.
    ASSERT_NO_FATAL_FAILURE(LookFrom(D3DXVECTOR3(-135.0f, 4.0f, 2.0f), D3DXVECTOR3(-152.0f, 8.0f, 6.0f), 10));
    EXPECT_EQ(g_SlupMgr.m_dwTriangles, 840u);
    EXPECT_EQ(g_SlupMgr.m_vLastCamera, D3DXVECTOR3(-135.0f, 4.0f, 2.0f)) << "rebuilt where the camera went";
    // The effect file of the frame's RenderCable draw; "" for none.
    auto cableEffect = []
    {
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
            if (r.effect && r.effect->technique == ESlupMgr::TECHNIQUE &&
                r.streams[0].buffer == g_SlupMgr.m_pCableVB && r.streams[0].stride == ESlupMgr::VERTEX_SIZE &&
                r.primitiveCount == 840u)
                return r.effect->file;
        return std::string();
    };
    const std::string drawnBy = cableEffect();
    EXPECT_NE(drawnBy, "") << "the cables drawn by RenderCable";
    SavePicture("cables");
    // The other render mode draws them with its own sun-lit effect.
    g_Options.PostProcessOff = g_Options.PostProcessOff ? 0 : 1;
    ASSERT_NO_FATAL_FAILURE(LookFrom(D3DXVECTOR3(-135.0f, 4.0f, 2.0f), D3DXVECTOR3(-152.0f, 8.0f, 6.0f), 3));
    const std::string otherMode = cableEffect();
    EXPECT_NE(otherMode, "");
    EXPECT_NE(otherMode, drawnBy);

    ExpectNothingLeftAtTheEnd();
}

TEST_F(AmbientGame, InTheRiverWorldObjectsDriftDownTheRiverInTheRain)
{
    g_Options.SystemDebug = 1;
    std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", worldgen::DEMO_RIVER_WORLD);
    g_RiverMgr.LoadNames(); // the game read the names at its start, from another folder
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    ASSERT_TRUE(g_RiverMgr.m_bEnabled);
    ASSERT_TRUE(g_Opady.m_bActive) << "the river world rains";
    struct Watched
    {
        HOBJECT object;
        const strRiverObject* record;
        double distance;
        bool moving;
    };
    std::vector<Watched> watched;
    // Every object "scripts\rzeka.txt" lists, in its order.
    ASSERT_EQ(g_RiverMgr.m_iNameCount, 5u);
    for (DWORD i = 0; i < g_RiverMgr.m_iNameCount; ++i)
    {
        const std::string name = g_RiverMgr.m_szNames[i];
        const bool moving = g_RiverMgr.m_bMoving[i] != 0;
        HOBJECT o = g_Engine.FindObject(name.c_str(), 0);
        ASSERT_NE(o, nullptr) << name;
        const strRiverObject* record = nullptr;
        for (const strRiverObject& r : g_RiverMgr.m_Objects)
            if (r.m_bUsed && r.m_hObject == o)
                record = &r;
        ASSERT_NE(record, nullptr) << name << " is on the river";
        watched.push_back({o, record, record->m_dDistance, moving});
    }
    // The crate put 3 units right of the centre line stays on the right.
    const strRiverObject* right = watched[2].record;
    EXPECT_EQ(right->m_bRightSide, 1);

    HOBJECT start = g_Engine.FindObject("camera_start", 0);
    ASSERT_NE(start, nullptr);
    g_Engine.ForceCameraToLook(start, nullptr);
    g_Engine.PlaceStartCamera();
    double seconds = 0.0;
    for (int frame = 0; frame < 30; ++frame)
    {
        ASSERT_NO_FATAL_FAILURE(Pass());
        seconds += g_Engine.m_fDeltaTime;
    }
    const double length = g_RiverMgr.m_dPathLength;
    for (const Watched& w : watched)
    {
        SCOPED_TRACE(w.object->szName);
        const double expected = std::fmod(w.distance + w.record->m_fSpeed * seconds, length);
        if (w.moving)
        {
            EXPECT_GT(w.record->m_fSpeed, 15.0f);
            EXPECT_NEAR(w.record->m_dDistance, expected, 0.05 * w.record->m_fSpeed * seconds + 0.5);
        }
        else
            EXPECT_NEAR(w.record->m_dDistance, w.distance, 0.1);
    }
    EXPECT_EQ(right->m_bRightSide, 1);

    // The last frame drew the drops additively.
    bool drops = false;
    for (const TkDrawRecord& r : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
        drops = drops || (r.streams[0].buffer == g_Opady.m_pDropVB &&
                          r.RenderState(D3DRS_SRCBLEND) == D3DBLEND_SRCCOLOR &&
                          r.RenderState(D3DRS_DESTBLEND) == D3DBLEND_ONE && r.primitiveCount > 0 &&
                          r.primitiveCount == 2 * g_Opady.m_iDropQuads);
    EXPECT_TRUE(drops);
    SavePicture("river");

    ExpectNothingLeftAtTheEnd();
}
} // namespace
