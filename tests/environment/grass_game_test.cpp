// The grass in the running demo game, in-process on the headless window and
// device: generated at level frame 219 on the green and cached, drawn near
// the camera, kept through a device loss, read back from the cache at the
// next start with the same tufts, and gone with the world.
#include "game/game_fixture.h"

#include "environment/PlantMgr.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/EffectDrawLog.h"
#include "platform/win32/EventScript.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "support/ConsoleLog.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;

class GrassGame : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("GrassGameTest", kWidth, kHeight));
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
    // The triangles of the last frame's terrain-grass draws: technique
    // "RenderTGrass", the 36-byte vertex and 32-bit indices.
    static UINT GrassTriangles()
    {
        UINT n = 0;
        for (const TkDrawRecord& r : TkD3D9GetDrawLog(g_pD3DInterface, TkFrame::Last))
            if (r.effect && r.effect->technique == "RenderTGrass" &&
                r.streams[0].stride == EPlantMgr::VERTEX_SIZE && r.indexFormat == D3DFMT_INDEX32 &&
                r.call == TkDrawCall::IndexedPrimitive)
                n += r.primitiveCount;
        return n;
    }
    static DWORD Tracked(const char* tag)
    {
        for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
            if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], tag) == 0)
                return g_Debug.m_iCounts[i];
        return 0;
    }
    // The last picture as "<name>.ppm" in the folder TK_GRASS_PICTURES names, to look at.
    static void SavePicture(const char* name)
    {
        const char* dir = std::getenv("TK_GRASS_PICTURES");
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
};

TEST_F(GrassGame, GrassGrowsOnTheGreenIsCachedSurvivesADeviceLossAndGoesWithTheWorld)
{
    g_Options.SystemDebug = 1;
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    std::string log = ConsoleLog();
    for (const char* line : {"Przeliczam trawe #0", "m_TGrass.dwSzer == 86", "Znaleziono poprawnych trawek "})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    for (const char* line : {"!m_dwGrass", "No skylight", "Error - NO grass marker", "Nie znaleziono "})
        EXPECT_EQ(log.find(line), std::string::npos) << line;
    const DWORD tufts = g_PlantMgr.m_TGrass.dwTPlants;
    ASSERT_GT(tufts, 0u);
    ASSERT_GT(g_PlantMgr.m_Grass[0].dwPlants, 0u) << "bushes on the patch";
    // Only the green's texture carries tufts: none on the road.
    for (DWORD i = 0; i < tufts; ++i)
        EXPECT_FALSE(std::fabs(g_PlantMgr.m_TGrass.pTPlants[i].vPosition.z) < 5.5f) << i;
    const std::filesystem::path cache = m_dir->path() / "worlds" / "level01.w.grs";
    ASSERT_TRUE(std::filesystem::exists(cache));
    std::vector<BYTE> bytes;
    g_PlantMgr.CacheBytes(bytes);
    EXPECT_EQ(std::filesystem::file_size(cache), bytes.size());

    // On the green north of the road, looking over the bush patch.
    const D3DXVECTOR3 from(-38.0f, 2.0f, 32.0f), at(-46.0f, 0.5f, 16.0f);
    ASSERT_NO_FATAL_FAILURE(LookFrom(from, at, 60));
    EXPECT_GT(GrassTriangles(), 0u);
    SavePicture("grass");

    // A lost and restored device: the managed buffers stay and draw.
    const uint32_t now = TkFrameCount();
    TkLoadScriptText("frame " + std::to_string(now + 1) + ": device lost\nframe " + std::to_string(now + 4) +
                         ": device restored\n",
                     "loss.txt");
    ASSERT_NO_FATAL_FAILURE(LookFrom(from, at, 12));
    EXPECT_EQ(TkD3D9GetDeviceState(g_pD3DInterface), TkDeviceState::Ok);
    EXPECT_GT(GrassTriangles(), 0u);
    SavePicture("grass_after_reset");
    // The other render mode draws it too, with its own sun-lit effect.
    g_Options.PostProcessOff = g_Options.PostProcessOff ? 0 : 1;
    ASSERT_NO_FATAL_FAILURE(LookFrom(from, at, 3));
    EXPECT_GT(GrassTriangles(), 0u);
    SavePicture("grass_other_mode");

    // The same world again: read from the cache, the same tufts.
    std::vector<strTPlant> first(g_PlantMgr.m_TGrass.pTPlants, g_PlantMgr.m_TGrass.pTPlants + tufts);
    const size_t logged = ConsoleLog().size();
    m_eye = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartLevel(230));
    log = ConsoleLog().substr(logged);
    EXPECT_EQ(log.find("Przeliczam trawe"), std::string::npos);
    ASSERT_EQ(g_PlantMgr.m_TGrass.dwTPlants, tufts);
    for (DWORD i = 0; i < tufts; ++i)
    {
        const strTPlant& t = g_PlantMgr.m_TGrass.pTPlants[i];
        EXPECT_TRUE(t.vPosition == first[i].vPosition && t.vNormal == first[i].vNormal && t.bUsed) << i;
    }
    EXPECT_EQ(std::filesystem::file_size(cache), bytes.size());

    // The game's end: the "*" world, then the reset the shutdown runs again.
    g_Engine.StartWorld("*");
    g_Engine.ResetWorld();
    for (const char* tag : {EPlantMgr::PLANTS_TAG, EPlantMgr::TPLANTS_TAG, EPlantMgr::SECTORS_TAG,
                            EPlantMgr::SECTOR_PLANTS_TAG, EPlantMgr::VB_TAG, EPlantMgr::IB_TAG})
        EXPECT_EQ(Tracked(tag), 0u) << tag;
    EXPECT_EQ(g_PlantMgr.m_pTSectors, nullptr);
}
} // namespace
