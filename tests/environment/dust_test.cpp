// The ground dust: the grid traced over the "grass" area and its ".dst"
// cache (sizes, a second start, damaged files), the points' climb out of
// walls and past the hero, the leaves' walk and deaths, and the releases.

#include "environment/Dust.h"
#include "fx_fixture.h"
#include "player/Player.h"
#include "world/world_fixture.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>

using namespace worldtest;

namespace
{
constexpr const char* kWorld = "worlds\\dusty.w";
constexpr const char* kCache = "worlds/dusty.w.dst";

std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string F32(float f)
{
    uint32_t d;
    std::memcpy(&d, &f, 4);
    return U32(d);
}

// A cache with these counts and points at height y, row-major.
std::string Cache(uint32_t columns, uint32_t rows, size_t points, float y = 5.0f)
{
    std::string s = U32(columns) + U32(rows);
    for (size_t i = 0; i < points; ++i)
        s += F32(static_cast<float>(i % 100) * 8.0f) + F32(y) + F32(static_cast<float>(i / 100) * 8.0f);
    return s;
}

class DustTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        fxtest::Planes().clear();
        fxtest::SegmentTests() = 0;
        FxSetSegmentTest(fxtest::PlaneWorldTest);
        std::filesystem::create_directories("worlds");
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", kWorld);
        g_Options.DrawDust = 1;
        std::srand(3);
        dust = std::make_unique<EDust>();
        ground.bUsed = 1;
        ground.Type = OT_MESH;
    }
    void TearDown() override
    {
        dust->Release();
        EXPECT_EQ(Tracked(EDust::GRID_TAG), 0u);
        EXPECT_EQ(Tracked(EDust::VB_TAG), 0u);
        dust.reset();
        FxSetSegmentTest(nullptr);
        fxtest::Planes().clear();
        WorldTest::TearDown();
    }
    // The unit box as the "grass" area, centred at the point and scaled.
    static void Grass(D3DXVECTOR3 at, D3DXVECTOR3 scale)
    {
        HOBJECT g = Mesh("grass");
        ASSERT_NE(g, nullptr);
        g_Engine.SetObjectPosition(g, &at, 1);
        g_Engine.SetObjectScale(g, &scale);
    }
    void Floor(float y)
    {
        fxtest::Planes().push_back({&ground, D3DXVECTOR3(0.0f, y, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f)});
    }
    int Alive() const
    {
        int n = 0;
        for (const strDustLeaf& l : dust->m_Leaves)
            n += l.m_bActive;
        return n;
    }

    std::unique_ptr<EDust> dust;
    strObject ground = {};
};

TEST_F(DustTest, TheGridCoversTheGrassAreaEveryEightUnitsAndIsCached)
{
    struct Case
    {
        float width, depth;
        int columns, rows; // 0: no dust
    };
    const Case cases[] = {
        {100.0f, 20.0f, 12, 2}, {7.0f, 100.0f, 0, 0}, {100.0f, 7.9f, 0, 0}, {8.0f, 8.0f, 1, 1}};
    Floor(0.0f);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.depth);
        g_Engine.DeleteAllObjects();
        std::filesystem::remove(kCache);
        ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(10.0f, 2.0f, 20.0f), D3DXVECTOR3(c.width, 4.0f, c.depth)));
        dust->Init();
        if (!c.columns)
        {
            EXPECT_FALSE(dust->m_bReady);
            EXPECT_FALSE(std::filesystem::exists(kCache)) << "no grid, no file";
            EXPECT_EQ(dust->m_pDustVB, nullptr);
            continue;
        }
        ASSERT_TRUE(dust->m_bReady);
        EXPECT_EQ(dust->m_iSzer, c.columns);
        EXPECT_EQ(dust->m_iDl, c.rows);
        // Corner at the area's west and south edges; every point a unit above the floor.
        EXPECT_FLOAT_EQ(dust->Point(0, 0).x, 10.0f - c.width / 2.0f);
        EXPECT_FLOAT_EQ(dust->Point(0, 0).z, 20.0f - c.depth / 2.0f);
        EXPECT_FLOAT_EQ(dust->Point(c.columns - 1, c.rows - 1).x,
                        10.0f - c.width / 2.0f + 8.0f * (c.columns - 1));
        for (int i = 0; i < c.columns * c.rows; ++i)
            EXPECT_FLOAT_EQ(dust->m_pvCoords[i].y, 1.0f);
        EXPECT_EQ(std::filesystem::file_size(kCache), 8u + 12u * c.columns * c.rows);
        EXPECT_FALSE(std::filesystem::exists(std::string(kCache) + ".tmp"));
        EXPECT_NE(dust->m_pDustVB, nullptr);
        dust->Release();
    }
}

TEST_F(DustTest, ASecondStartReadsTheCacheAndTracesNothing)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 2.0f, 0.0f), D3DXVECTOR3(40.0f, 4.0f, 24.0f)));
    dust->Init();
    ASSERT_TRUE(dust->m_bReady);
    EXPECT_GE(fxtest::SegmentTests(), 5 * 3 * 5) << "one down and four side traces a point";
    std::vector<DV> first(dust->m_pvCoords, dust->m_pvCoords + 15);
    dust->Release();
    // The ground has moved since, but the cache is the grid.
    fxtest::Planes().clear();
    Floor(-3.0f);
    fxtest::SegmentTests() = 0;
    dust->Init();
    ASSERT_TRUE(dust->m_bReady);
    EXPECT_EQ(fxtest::SegmentTests(), 0);
    ASSERT_EQ(dust->m_iSzer * dust->m_iDl, 15);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(std::memcmp(&first[i], &dust->m_pvCoords[i], sizeof(DV)), 0) << i;

    // A hand-made cache of 3 x 2 points is 80 bytes, and is used as it is.
    dust->Release();
    temp->Write(kCache, Cache(3, 2, 6, 7.5f));
    ASSERT_EQ(std::filesystem::file_size(kCache), 80u);
    dust->Init();
    EXPECT_EQ(dust->m_iSzer, 3);
    EXPECT_EQ(dust->m_iDl, 2);
    EXPECT_FLOAT_EQ(dust->Point(2, 1).y, 7.5f);
    EXPECT_EQ(fxtest::SegmentTests(), 0);
}

TEST_F(DustTest, ADamagedCacheIsBuiltAgainFromTheSceneAndWrittenWhole)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 2.0f, 0.0f), D3DXVECTOR3(24.0f, 4.0f, 16.0f)));
    const std::string good = Cache(3, 2, 6);
    const std::string cases[] = {
        Cache(0, 2, 0),
        Cache(3, 0, 0),
        Cache(0xFFFFFFFFu, 0xFFFFFFFFu, 6),
        Cache(0x40000000u, 4, 6), // the product overflows 32 bits
        good.substr(0, good.size() - 1),
        good + "x",
        good.substr(0, 8),
        good.substr(0, 5),
        std::string(),
        U32(1) + U32(1) + F32(std::nanf("")) + F32(1.0f) + F32(2.0f),
    };
    for (size_t k = 0; k < std::size(cases); ++k)
    {
        SCOPED_TRACE(k);
        temp->Write(kCache, cases[k]);
        fxtest::SegmentTests() = 0;
        dust->Init();
        ASSERT_TRUE(dust->m_bReady);
        EXPECT_GT(fxtest::SegmentTests(), 0) << "built from the scene";
        EXPECT_EQ(dust->m_iSzer, 3);
        EXPECT_EQ(dust->m_iDl, 2);
        EXPECT_EQ(std::filesystem::file_size(kCache), 80u) << "written again";
        dust->Release();
    }
}

TEST_F(DustTest, PointsClimbOutOfWallsAndPassThroughTheHero)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 5.0f, 0.0f), D3DXVECTOR3(8.0f, 10.0f, 8.0f)));
    // The hero stands over the only point: his body is a plane 1.8 up.
    strObject hero = {};
    hero.bUsed = 1;
    hero.Type = OT_SKINMESH;
    fxtest::Planes().push_back({&hero, D3DXVECTOR3(0.0f, 1.8f, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f)});
    HOBJECT savedHero = Player.m_hObject;
    Player.m_hObject = &hero;
    dust->Init();
    Player.m_hObject = savedHero;
    ASSERT_TRUE(dust->m_bReady);
    EXPECT_FLOAT_EQ(dust->Point(0, 0).y, 1.0f) << "on the ground, not on the hero";
    dust->Release();

    // A wall two units east of the point: it climbs to the start height and stops.
    std::filesystem::remove(kCache);
    fxtest::Planes().clear();
    Floor(0.0f);
    fxtest::Planes().push_back({&ground, D3DXVECTOR3(-2.0f, 0.0f, 0.0f), D3DXVECTOR3(1.0f, 0.0f, 0.0f)});
    dust->Init();
    ASSERT_TRUE(dust->m_bReady);
    EXPECT_FLOAT_EQ(dust->Point(0, 0).y, 10.0f);

    // Nothing under the area: the point keeps its place at the area's height.
    dust->Release();
    std::filesystem::remove(kCache);
    fxtest::Planes().clear();
    dust->Init();
    EXPECT_FLOAT_EQ(dust->Point(0, 0).y, 5.0f);
    EXPECT_FLOAT_EQ(dust->Point(0, 0).x, -4.0f);
}

TEST_F(DustTest, LeavesWalkTowardsLaterRowsNearTheCameraAndDieOffTheGrid)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 2.0f, 0.0f), D3DXVECTOR3(160.0f, 4.0f, 160.0f)));
    dust->Init();
    ASSERT_TRUE(dust->m_bReady);
    PlaceHero(D3DXVECTOR3(0.0f, 2.0f, 10.0f));
    g_Engine.m_fDeltaTime = 0.1f;
    for (int frame = 0; frame < 50; ++frame)
    {
        dust->Update();
        for (const strDustLeaf& l : dust->m_Leaves)
        {
            if (!l.m_bActive)
                continue;
            EXPECT_EQ(l.m_iNextRow, l.m_iRow + 1);
            EXPECT_LE(std::abs(l.m_iNextCol - l.m_iCol), 1);
            const float dx = l.m_vDrawPos.x, dz = l.m_vDrawPos.z - 10.0f;
            EXPECT_LE(dx * dx + dz * dz, 80.0f * 80.0f);
            EXPECT_GE(l.m_iFrame, 0);
            EXPECT_LT(l.m_iFrame, 16);
        }
    }
    EXPECT_EQ(Alive(), EDust::LEAVES);
    EXPECT_EQ(dust->m_iDustTriangles, 2u * EDust::LEAVES);

    // A leaf on the last row dies at its next target and is born again.
    strDustLeaf& leaf = dust->m_Leaves[0];
    leaf.m_iRow = dust->m_iDl - 1;
    dust->NextTarget(leaf);
    EXPECT_FALSE(leaf.m_bActive);
    dust->Update();
    EXPECT_TRUE(leaf.m_bActive || leaf.m_iRow < dust->m_iDl - 1);

    // The camera far from every cell: every leaf dies each frame, none sticks.
    PlaceHero(D3DXVECTOR3(5000.0f, 2.0f, 5000.0f));
    for (int frame = 0; frame < 3; ++frame)
    {
        dust->Update();
        EXPECT_EQ(Alive(), 0);
        EXPECT_EQ(dust->m_iDustTriangles, 0u);
    }
    PlaceHero(D3DXVECTOR3(0.0f, 2.0f, 10.0f));
    dust->Update();
    EXPECT_GT(Alive(), 0);
}

TEST_F(DustTest, AOneRowGridKeepsSpawningAndNeverMovesALeaf)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 2.0f, -30.0f), D3DXVECTOR3(160.0f, 4.0f, 12.0f)));
    dust->Init();
    ASSERT_TRUE(dust->m_bReady);
    ASSERT_EQ(dust->m_iDl, 1);
    for (int frame = 0; frame < 3; ++frame)
    {
        dust->Update();
        EXPECT_EQ(Alive(), 0);
        EXPECT_EQ(dust->m_iDustTriangles, 0u);
    }
}

TEST_F(DustTest, ReleaseTwiceAndALevelWithoutGrassFreeNothingTwice)
{
    Floor(0.0f);
    ASSERT_NO_FATAL_FAILURE(Grass(D3DXVECTOR3(0.0f, 2.0f, 0.0f), D3DXVECTOR3(40.0f, 4.0f, 40.0f)));
    dust->Init();
    ASSERT_NE(dust->m_pvCoords, nullptr);
    ASSERT_NE(dust->m_pDustVB, nullptr);
    EXPECT_EQ(Tracked(EDust::GRID_TAG), 1u);
    EXPECT_EQ(Tracked(EDust::VB_TAG), 1u);
    dust->Release();
    EXPECT_EQ(dust->m_pvCoords, nullptr);
    EXPECT_EQ(dust->m_pDustVB, nullptr);
    EXPECT_FALSE(dust->m_bReady);
    dust->Release();
    // The next level has no grass area: nothing is made, and its release frees nothing.
    g_Engine.DeleteAllObjects();
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\bare.w");
    dust->Init();
    EXPECT_FALSE(dust->m_bReady);
    dust->Update();
    dust->Release();
    EXPECT_EQ(Tracked(EDust::GRID_TAG), 0u);

    // "DrawDust" off at the start: the grid is made, but no buffer and no leaves.
    g_Options.DrawDust = 0;
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", kWorld);
    dust->Init();
    EXPECT_TRUE(dust->m_bReady);
    EXPECT_EQ(dust->m_pDustVB, nullptr);
    dust->Update();
    EXPECT_EQ(Alive(), 0);
}
} // namespace
