// The grass: the script chosen by the world's name and its groups, the
// placement traced onto the group's own object, the "wipeout" rejection, the
// ".grs" cache (round trip, and every damaged form refused), the sectors and
// their reach, the tuft geometry, and the pass's switch.

#include "support/BuildPaths.h"
#include "environment/FxServices.h"
#include "environment/PlantMgr.h"
#include "mesh/MeshMgr.h"
#include "render/AmbientProbe.h"
#include "render/EffectMgr.h"
#include "support/BoxMesh.h"
#include "platform/win32/Win32.h"
#include "render/RenderStates.h"
#include "support/ImageFiles.h"
#include "world/world_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace worldtest;

namespace
{
int g_traces = 0;

bool CountingSegmentTest(const RayTestQuery* query, RayTestResult* result)
{
    ++g_traces;
    return g_IntersectSegment.Test(query, result);
}

std::string ReadFile(const std::string& name)
{
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class PlantMgrTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\Meadow.w");
        for (const char* t :
             {"textures/bush.tga", "textures/box.tga", "textures/meadow.tga", "textures/stone.tga"})
            temp->Write(t, TgaFile(2, 2, std::vector<DWORD>(4, 0xFF40A020), true));
        // The ambient probe's white and black.
        temp->Write("textures/misc/bialy.tga", TgaFile(2, 2, std::vector<DWORD>(4, 0xFFFFFFFF), true));
        temp->Write("textures/misc/czarne.tga", TgaFile(2, 2, std::vector<DWORD>(4, 0xFF000000), true));
        g_Renderer.ScanTextureDirectory();
        std::filesystem::create_directories("worlds");
        g_traces = 0;
        FxSetSegmentTest(CountingSegmentTest);
        std::srand(7);
        mgr = std::make_unique<EPlantMgr>();
    }
    void TearDown() override
    {
        // A release runs twice at the game's end.
        mgr->Release();
        mgr->Release();
        for (const char* tag : {EPlantMgr::PLANTS_TAG, EPlantMgr::TPLANTS_TAG, EPlantMgr::SECTORS_TAG,
                                EPlantMgr::SECTOR_PLANTS_TAG, EPlantMgr::VB_TAG, EPlantMgr::IB_TAG})
            EXPECT_EQ(Tracked(tag), 0u) << tag;
        mgr.reset();
        FxSetSegmentTest(nullptr);
        WorldTest::TearDown();
    }
    void Script(const std::string& name, const std::string& text)
    {
        temp->Write("scripts/grass/" + name, text);
    }
    // A box mesh object scaled to the size, its top face at y = top.
    static HOBJECT Box(const char* name, float x, float z, float top, const D3DXVECTOR3& size)
    {
        HOBJECT o = Mesh(name);
        EXPECT_NE(o, nullptr);
        if (!o)
            return nullptr;
        g_Engine.PrepareObject(o);
        g_Engine.SetObjectScale(o, &size);
        const D3DXVECTOR3 at(x, top - size.y / 2.0f, z);
        g_Engine.SetObjectPosition(o, &at, 1);
        return o;
    }
    // The meadow group: a 10 x 10 box, plants every 2 units, no jitter.
    void MeadowScript(const std::string& extra = "")
    {
        Script("meadow.txt", "world worlds\\meadow.w\nteren\ngrows bush.tga\nwidth 1.5\nheight 1.2\ndensity "
                             "2\nrandom_seed 0\nmesh meadow\n" +
                                 extra);
    }
    std::vector<BYTE> Bytes() const
    {
        std::vector<BYTE> b;
        mgr->CacheBytes(b);
        return b;
    }

    std::unique_ptr<EPlantMgr> mgr;
};

TEST_F(PlantMgrTest, TheFirstScriptNamingTheWorldWinsAndItsGroupsSplitOnePerMesh)
{
    Script("a_other.txt", "world worlds\\other.w\ngrows bush.tga\nmesh x\n");
    Script("b_meadow.txt", "world WORLDS\\MEADOW.W\r\ntexture ground.tga\r\ngrows bush.tga\r\nwidth 1.5\r\n"
                           "height 2\r\nmesh A\r\nmesh B\r\nmesh C\r\ngrows bush.tga\r\nmesh D\r\n");
    Script("c_meadow.txt", "world worlds\\meadow.w\ngrows bush.tga\nmesh late\n");
    EXPECT_STREQ(mgr->FindScript(), "scripts\\grass\\b_meadow.txt");
    mgr->Reset();
    ASSERT_EQ(mgr->m_dwGrass, 4u);
    const char* expected[] = {"A", "D", "C", "B"};
    for (DWORD i = 0; i < 4; ++i)
    {
        const strGrass& g = mgr->m_Grass[i];
        EXPECT_EQ(g.dwMeshes, 1u) << i;
        EXPECT_STREQ(g.szMeshes[0], expected[i]) << i;
        EXPECT_STREQ(g.szName, "bush.tga");
        // No "density" and no "random" line: both 1.0.
        EXPECT_FLOAT_EQ(g.fDensity, 1.0f);
        EXPECT_FLOAT_EQ(g.fRandom, 1.0f);
    }
    EXPECT_FLOAT_EQ(mgr->m_Grass[3].fHeight, 2.0f) << "a split group keeps its sizes";
    EXPECT_EQ(mgr->m_TGrass.dwTextures, 1u);
}

TEST_F(PlantMgrTest, OverlongNamesAndA65thGroupAreRefusedWithALine)
{
    std::string text =
        "world worlds\\meadow.w\ntexture " + std::string(64, 't') + "\nteren " + std::string(70, 'n') + "\n";
    for (int i = 0; i < MAX_GRASS + 1; ++i)
        text += "grows bush.tga\nmesh m" + std::to_string(i) + "\n";
    text += "mesh " + std::string(64, 'm') + "\nwidth 9\n";
    Script("meadow.txt", text);
    const size_t logged = ConsoleLog().size();
    mgr->Reset();
    EXPECT_EQ(mgr->m_dwGrass, static_cast<DWORD>(MAX_GRASS));
    EXPECT_EQ(mgr->m_TGrass.dwTextures, 0u);
    EXPECT_STREQ(mgr->m_TGrass.szTerrain, "");
    // The lines after the refused group belong to no group.
    EXPECT_STREQ(mgr->m_Grass[MAX_GRASS - 1].szMeshes[0], "m63");
    EXPECT_EQ(mgr->m_Grass[MAX_GRASS - 1].fWidth, 0.0f);
    const std::string log = ConsoleLog().substr(logged);
    EXPECT_NE(log.find("Too many grass groups"), std::string::npos) << log;
    EXPECT_NE(log.find("name too long in scripts\\grass\\meadow.txt"), std::string::npos) << log;
}

TEST_F(PlantMgrTest, PlantsStandOnTheGridOfTheirOwnObjectAndNotUnderARock)
{
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    MeadowScript();
    mgr->Reset();
    mgr->BuildGrass();
    const strGrass& g = mgr->m_Grass[0];
    EXPECT_EQ(g.m_Szer, 6u);
    EXPECT_EQ(g.m_Wys, 6u);
    ASSERT_EQ(g.dwPlants, 36u);
    EXPECT_TRUE(g.bHasPlants);
    for (DWORD i = 0; i < g.dwPlants; ++i)
    {
        const strPlant& p = g.pPlants[i];
        // Jitter 0: exactly on the grid, on the top face.
        EXPECT_FLOAT_EQ(p.vPosition.x, -5.0f + 2.0f * static_cast<float>(i % 6)) << i;
        EXPECT_FLOAT_EQ(p.vPosition.z, -5.0f + 2.0f * static_cast<float>(i / 6)) << i;
        EXPECT_NEAR(p.vPosition.y, 0.0f, 1e-4f);
        // The two quads: 1.5 x 1.2 give or take 5 %, crossing at a right angle.
        const D3DXVECTOR3 a = p.vCorners[1] - p.vCorners[0], b = p.vCorners[7] - p.vCorners[6];
        EXPECT_NEAR(D3DXVec3Length(&a), 1.5f, 0.08f);
        EXPECT_NEAR(D3DXVec3Dot(&a, &b), 0.0f, 1e-3f);
        EXPECT_NEAR(p.vCorners[5].y - p.vCorners[4].y, 1.2f, 0.07f);
        // u x 8 and v x 8 in the nibbles: corners 5 and 6 of quad 0, then the
        // foot of quad 1 at v 1.
        EXPECT_EQ(p.bTexCoord[4], 0x84);
        EXPECT_EQ(p.bTexCoord[5], 0x80);
        EXPECT_EQ(p.bTexCoord[6], 0x08);
    }
    mgr->Release();

    // A rock over a corner of the meadow: no plant under it.
    Box("rock", -4.0f, -4.0f, 1.0f, D3DXVECTOR3(3.0f, 2.0f, 3.0f));
    DeleteFileA(EPlantMgr::GetCacheFileName());
    mgr->Reset();
    mgr->BuildGrass();
    EXPECT_EQ(mgr->m_Grass[0].dwPlants, 36u - 4u);
}

TEST_F(PlantMgrTest, AGroupFartherFromWipeoutThanBothRadiiIsRejected)
{
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    HOBJECT wipeout = Box("wipeout", 0.0f, 0.0f, 100.0f, D3DXVECTOR3(20.0f, 20.0f, 20.0f));
    MeadowScript();
    mgr->Reset();
    const size_t logged = ConsoleLog().size();
    mgr->BuildGrass();
    EXPECT_NE(ConsoleLog().substr(logged).find("Outside wipeout - rejecting"), std::string::npos);
    EXPECT_EQ(mgr->m_Grass[0].dwPlants, 0u);
    EXPECT_EQ(mgr->m_Grass[0].pPlants, nullptr);
    mgr->Release();
    // Near enough (its box beside the meadow): generated.
    const D3DXVECTOR3 near(30.0f, 0.0f, 0.0f), wide(40.0f, 40.0f, 40.0f);
    g_Engine.SetObjectScale(wipeout, &wide);
    g_Engine.SetObjectPosition(wipeout, &near, 1);
    DeleteFileA(EPlantMgr::GetCacheFileName());
    mgr->Reset();
    mgr->BuildGrass();
    EXPECT_EQ(mgr->m_Grass[0].dwPlants, 36u);
}

TEST_F(PlantMgrTest, TheCacheRoundTripsAndASecondStartTracesNothing)
{
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    MeadowScript("random_seed 0.5\n");
    mgr->Reset();
    mgr->BuildGrass();
    ASSERT_GT(g_traces, 0);
    const std::vector<BYTE> first = Bytes();
    EXPECT_TRUE(ReadFile("worlds/Meadow.w.grs") == std::string(first.begin(), first.end()));
    // A same-world save load brings the build back: nothing is built twice.
    mgr->BuildGrass();
    EXPECT_EQ(Tracked(EPlantMgr::PLANTS_TAG), 1u);

    EPlantMgr again;
    again.Reset();
    g_traces = 0;
    again.BuildGrass();
    EXPECT_EQ(g_traces, 0);
    std::vector<BYTE> second;
    again.CacheBytes(second);
    EXPECT_TRUE(second == first);
    again.Release();
}

TEST_F(PlantMgrTest, GrowingLeavesTheGamesRandomSequenceAloneAndAWorldGrowsAlikeEveryTime)
{
    // With jitter, so every plant's place and quads come from random draws.
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    MeadowScript("random_seed 0.5\n");
    std::srand(3);
    mgr->Reset();
    mgr->BuildGrass();
    ASSERT_GT(g_traces, 0);
    const int afterTracing = std::rand();
    const std::vector<BYTE> first = Bytes();
    mgr->Release();

    // Whatever the game drew before, the same world grows the same plants.
    DeleteFileA(EPlantMgr::GetCacheFileName());
    std::srand(11);
    mgr->Reset();
    mgr->BuildGrass();
    EXPECT_TRUE(Bytes() == first);

    // A start that reads the cache leaves the game's sequence where a start
    // that traced did: the game plays on alike.
    std::srand(3);
    EPlantMgr again;
    again.Reset();
    g_traces = 0;
    again.BuildGrass();
    EXPECT_EQ(g_traces, 0);
    EXPECT_EQ(std::rand(), afterTracing);
    again.Release();
}

TEST_F(PlantMgrTest, ADamagedCacheIsRefusedWithALineAndTheScriptGroupsKept)
{
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    MeadowScript();
    mgr->Reset();
    mgr->BuildGrass();
    // Tufts make the tail of the file: two, by hand.
    std::vector<BYTE> good = Bytes();
    const size_t tail = good.size() - 4;
    good[tail] = 2;
    good.insert(good.end(), 2 * EPlantMgr::TPLANT_RECORD, 0);
    mgr->Release();

    auto refused = [&](const std::vector<BYTE>& bytes, const char* what)
    {
        mgr->Reset();
        EXPECT_FALSE(mgr->ReadCache(bytes.data(), bytes.size())) << what;
        EXPECT_EQ(mgr->m_dwGrass, 1u) << what;
        EXPECT_STREQ(mgr->m_Grass[0].szMeshes[0], "meadow") << what;
        EXPECT_EQ(mgr->m_Grass[0].pPlants, nullptr) << what;
    };
    mgr->Reset();
    ASSERT_TRUE(mgr->ReadCache(good.data(), good.size()));
    EXPECT_EQ(mgr->m_TGrass.dwTPlants, 2u);
    mgr->Release();
    for (size_t n = 0; n < good.size(); n += (n < 8 || n + 300 > good.size()) ? 1 : 97)
        refused(std::vector<BYTE>(good.begin(), good.begin() + static_cast<long>(n)), "cut");
    std::vector<BYTE> bad = good;
    bad[0] = 5;
    refused(bad, "version 5");
    bad = good;
    bad[4] = 65;
    refused(bad, "65 groups");
    bad = good;
    std::memset(&bad[8 + 2384], 0xFF, 4);
    refused(bad, "a huge plant count");
    bad = good;
    bad[tail] = 0xFF;
    bad[tail + 3] = 0x7F;
    refused(bad, "a huge tuft count");
    bad = good;
    std::memset(&bad[8], 'x', GRASS_NAME_SIZE);
    refused(bad, "an unterminated name");
    bad = good;
    bad.push_back(0);
    refused(bad, "a byte too many");

    // Through the file: generation runs again and says which file it refused.
    {
        std::ofstream f("worlds/Meadow.w.grs", std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(good.data()), 100);
    }
    mgr->Reset();
    const size_t logged = ConsoleLog().size();
    g_traces = 0;
    mgr->BuildGrass();
    EXPECT_NE(ConsoleLog().substr(logged).find("worlds\\Meadow.w.grs"), std::string::npos);
    EXPECT_GT(g_traces, 0);
    EXPECT_EQ(mgr->m_Grass[0].dwPlants, 36u);
}

TEST_F(PlantMgrTest, ADensityOfZeroOrNoScriptMakesNoPlants)
{
    Box("meadow", 0.0f, 0.0f, 0.0f, D3DXVECTOR3(10.0f, 1.0f, 10.0f));
    mgr->Reset();
    size_t logged = ConsoleLog().size();
    mgr->BuildGrass();
    EXPECT_NE(ConsoleLog().substr(logged).find("!m_dwGrass, exiting"), std::string::npos);
    EXPECT_EQ(g_traces, 0);

    MeadowScript("density 0\n");
    mgr->Reset();
    logged = ConsoleLog().size();
    mgr->BuildGrass();
    EXPECT_NE(ConsoleLog().substr(logged).find("Grass density too small"), std::string::npos);
    EXPECT_EQ(mgr->m_Grass[0].pPlants, nullptr);
}

TEST_F(PlantMgrTest, TuftsFallIntoHundredUnitSectorsAndAreBuiltIntoBuffers)
{
    // 250 units wide: three columns; a tuft exactly on a sector's maximum X
    // belongs to the next one.
    mgr->m_dwGrass = 1;
    strTGrass& t = mgr->m_TGrass;
    t.fMinX = 0.0f;
    t.fMaxX = 250.0f;
    t.fMinZ = 0.0f;
    t.fMaxZ = 50.0f;
    t.dwTPlants = 3;
    t.pTPlants = new strTPlant[3]();
    g_Debug.AddAllocation(EPlantMgr::TPLANTS_TAG);
    const float xs[3] = {10.0f, 100.0f, 240.0f};
    for (int i = 0; i < 3; ++i)
        t.pTPlants[i] = strTPlant{{xs[i], 0.0f, 10.0f}, {0.0f, 1.0f, 0.0f}, 0, 1};
    mgr->CreateAndFillTSectors();
    ASSERT_EQ(mgr->m_dwTSectors, 3u);
    for (DWORD i = 0; i < 3; ++i)
    {
        EXPECT_EQ(mgr->m_pTSectors[i].dwTPlants, 1u) << i;
        EXPECT_FLOAT_EQ(mgr->m_pTSectors[i].vCentre.x, 50.0f + 100.0f * static_cast<float>(i));
    }
    EXPECT_FLOAT_EQ(mgr->m_pTSectors[1].pTPlants[0].vPosition.x, 100.0f);

    mgr->CreateTSectorBuffers();
    EXPECT_EQ(Tracked(EPlantMgr::VB_TAG), 3u);
    EXPECT_EQ(Tracked(EPlantMgr::IB_TAG), 3u);
    for (DWORD i = 0; i < 3; ++i)
        EXPECT_EQ(mgr->m_pTSectors[i].dwTriangles, 12u);

    // Each variant from its vertices: height, width and lean.
    struct Variant
    {
        int index;
        float height, width, lean;
    };
    for (const Variant& v :
         {Variant{0, 1.0f, 2.0f, 0.4f}, Variant{1, 1.0f, 2.0f, 0.6f}, Variant{2, 1.2f, 1.6f, 0.1f}})
    {
        strTSector& s = mgr->m_pTSectors[0];
        s.dwTriangles = 0;
        std::vector<BYTE> vertices(EPlantMgr::TUFT_VERTICES * EPlantMgr::VERTEX_SIZE);
        std::vector<DWORD> indices(EPlantMgr::TUFT_INDICES);
        mgr->FillTSectorTuft(0, 0, v.index, vertices.data(), indices.data());
        EXPECT_EQ(s.dwTriangles, 12u);
        auto at = [&](int k)
        {
            D3DXVECTOR3 p;
            std::memcpy(&p, &vertices[static_cast<size_t>(k) * EPlantMgr::VERTEX_SIZE], 12);
            return p;
        };
        D3DXVECTOR3 forward[3];
        for (int blade = 0; blade < 3; ++blade)
        {
            const D3DXVECTOR3 left = at(blade * 6), right = at(blade * 6 + 1), top = at(blade * 6 + 4);
            const D3DXVECTOR3 across = right - left;
            EXPECT_NEAR(D3DXVec3Length(&across), v.width, 1e-4f) << v.index;
            EXPECT_NEAR(top.y - left.y, v.height, 1e-4f) << v.index;
            const D3DXVECTOR3 lean(top.x - left.x, 0.0f, top.z - left.z);
            EXPECT_NEAR(D3DXVec3Length(&lean), v.lean, 1e-4f) << v.index;
            forward[blade] = lean / v.lean;
            EXPECT_EQ(indices[static_cast<size_t>(blade) * 12 + 11], static_cast<DWORD>(blade * 6 + 5));
        }
        // The blades about 2.0923 rad apart.
        EXPECT_NEAR(std::acos(D3DXVec3Dot(&forward[0], &forward[1])), 2.0923009f, 1e-3f);
    }
    // Nothing outside the sector table.
    mgr->FillTSectorTuft(3, 0, 0, nullptr, nullptr);
}

TEST_F(PlantMgrTest, ASectorIsInReachAtOneHundredUnitsAcrossTheGroundWhateverTheHeight)
{
    strTSector s = {};
    s.vCentre = D3DXVECTOR3(100.0f, 0.0f, 0.0f);
    EXPECT_TRUE(EPlantMgr::SectorInReach(s, D3DXVECTOR3(0.0f, 500.0f, 0.0f)));
    s.vCentre.x = 100.01f;
    EXPECT_FALSE(EPlantMgr::SectorInReach(s, D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}

TEST_F(PlantMgrTest, WithDrawGrassOffThePassTouchesNothing)
{
    mgr->m_dwGrass = 1;
    g_Options.DrawGrass = 0;
    const ERenderStates before = g_RenderStates;
    const size_t logged = ConsoleLog().size();
    mgr->RenderTGrass();
    mgr->RenderGrass();
    EXPECT_EQ(ConsoleLog().substr(logged), "");
    EXPECT_EQ(g_RenderStates.m_bAlphaTest, before.m_bAlphaTest);
    EXPECT_EQ(g_RenderStates.m_bAlphaBlend, before.m_bAlphaBlend);
    EXPECT_EQ(g_RenderStates.m_hTechnique, before.m_hTechnique);
    // Switched on, the pass looks for its effect (none in this tree).
    g_Options.DrawGrass = 1;
    mgr->RenderTGrass();
    EXPECT_NE(ConsoleLog().substr(logged).find("No skylight HEFFECT"), std::string::npos);
}
} // namespace

// The terrain grass asks the ambient probe what the ground under each traced
// point shows: a meadow whose texture the script lists and a stone floor
// beside it that it does not, both under one "grass" marker.
class PlantProbeTest : public PlantMgrTest
{
protected:
    void SetUp() override
    {
        PlantMgrTest::SetUp();
        g_d3dpp = d3dParams;
        ASSERT_EQ(device->CreateVertexDeclaration(g_MeshVertexDecl, &g_pDeclMesh), D3D_OK);
        std::filesystem::copy(tk::test::DataDir() / "fx", temp->path() / "fx",
                              std::filesystem::copy_options::recursive);
        g_EffectMgr.Init();
        g_AmbientProbe.Create();
        for (const char* name : {"meadow", "stone"})
        {
            tk::xfile::XMeshDesc box = BoxMesh();
            box.materials[0].texture = std::string(name) + ".tga";
            ASSERT_TRUE(tk::xfile::XWriteMeshFile(("meshes/" + std::string(name) + ".x").c_str(), box,
                                                  tk::xfile::XFormat::Text));
        }
    }
    void TearDown() override
    {
        // Everything on the device goes before the device does.
        g_AmbientProbe.Release();
        g_Engine.DeleteAllObjects();
        g_MeshMgr.ReleaseAll();
        g_EffectMgr.Release();
        SAFE_RELEASE(g_pDeclMesh);
        PlantMgrTest::TearDown();
    }
    // A 20 x 20 slab of the mesh, its top at y = 0, from x0 to x0 + 20.
    static HOBJECT Slab(const char* mesh, const char* name, float x0)
    {
        const float at[3] = {x0 + 10.0f, -0.5f, 10.0f}, scale[3] = {20.0f, 1.0f, 20.0f};
        HOBJECT o = g_Engine.CreateObject(OT_MESH, mesh, 1, 0, at, scale);
        if (o)
        {
            g_Engine.SetObjectName(o, name);
            g_Engine.PrepareObject(o);
        }
        return o;
    }
};

TEST_F(PlantProbeTest, TuftsGrowOnlyWhereTheProbeSeesAListedGroundTexture)
{
    HOBJECT meadow = Slab("meshes\\meadow.x", "meadow", 0.0f);
    HOBJECT stone = Slab("meshes\\stone.x", "stone", 20.0f);
    ASSERT_TRUE(meadow && stone);
    // The marker over both, out of the traces.
    HOBJECT marker = Box("grass", 20.0f, 10.0f, 4.0f, D3DXVECTOR3(40.0f, 1.0f, 20.0f));
    ASSERT_TRUE(marker);
    g_Engine.SetObjectFlags(marker, EIntersectSegment::FLAG1_NO_SEGMENT, EIntersectSegment::FLAG1_NO_SEGMENT);
    Script("meadow.txt", "world worlds\\meadow.w\ntexture meadow.tga\ngrows bush.tga\nwidth 1.5\nheight "
                         "1.2\ndensity 2\nrandom_seed 0\nmesh meadow\n");
    mgr->Reset();
    const size_t logged = ConsoleLog().size();
    mgr->BuildGrass();
    const std::string log = ConsoleLog().substr(logged);
    EXPECT_NE(log.find("Generuje Ttrawe"), std::string::npos) << log;
    EXPECT_EQ(log.find("NOT found"), std::string::npos) << log;
    const strTGrass& t = mgr->m_TGrass;
    ASSERT_GT(t.dwTPlants, 20u);
    for (DWORD i = 0; i < t.dwTPlants; ++i)
        EXPECT_LT(t.pTPlants[i].vPosition.x, 20.0f) << "on the stone: " << i;
    // The probe is let go of and the marks cleared.
    EXPECT_EQ(g_AmbientProbe.Depth(), 0u);
    for (const char* name : {"meadow.tga", "stone.tga"})
        EXPECT_EQ(g_Renderer.FindTexture(name)->m_bProbeMark, 0) << name;

    // Listed both, the stone grows tufts as well.
    mgr->Release();
    Script("meadow.txt",
           "world worlds\\meadow.w\ntexture meadow.tga\ntexture stone.tga\ngrows bush.tga\nwidth "
           "1.5\nheight 1.2\ndensity 2\nrandom_seed 0\nmesh meadow\n");
    std::filesystem::remove("worlds/Meadow.w.grs");
    std::filesystem::remove("worlds/meadow.w.grs");
    mgr->Reset();
    mgr->BuildGrass();
    DWORD onStone = 0;
    for (DWORD i = 0; i < mgr->m_TGrass.dwTPlants; ++i)
        onStone += mgr->m_TGrass.pTPlants[i].vPosition.x > 20.0f;
    EXPECT_GT(onStone, 10u);
}
