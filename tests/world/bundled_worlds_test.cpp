// The worlds of the data tree: every one loads with no line refused or passed
// over, the demo world puts every object where its generator placed it, and
// the bundled files are what the generator writes.
#include "support/BuildPaths.h"
#include "worldfile_fixture.h"

#include "mesh/Mesh.h"
#include "support/ConsoleLog.h"
#include "support/GameProcess.h"
#include "tools/worldgen/DemoWorld.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace worldtest
{
namespace
{
namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void ExpectBox(const D3DXVECTOR3& got, const D3DXVECTOR3& expected)
{
    EXPECT_NEAR(got.x, expected.x, 1e-3f);
    EXPECT_NEAR(got.y, expected.y, 1e-3f);
    EXPECT_NEAR(got.z, expected.z, 1e-3f);
}

class BundledWorlds : public WorldFile
{
protected:
    void SetUp() override
    {
        WorldFile::SetUp();
        CopyDataTree(temp->path());
    }
    void Clear()
    {
        Env.DeleteSkyMesh();
        g_Engine.DeleteAllObjects();
    }
};

TEST_F(BundledWorlds, EveryWorldLoadsWithNoRefusedOrPassedOverLine)
{
    std::vector<std::string> worlds;
    for (const auto& entry : fs::directory_iterator(temp->path() / "worlds"))
        if (entry.path().extension() == ".w")
            worlds.push_back(entry.path().filename().string());
    std::sort(worlds.begin(), worlds.end());
    ASSERT_FALSE(worlds.empty());
    ConsoleLogHere log;
    for (const std::string& name : worlds)
    {
        SCOPED_TRACE(name);
        Clear();
        const size_t printedBefore = ConsoleLog().size();
        ASSERT_TRUE(g_WorldMgr.LoadWorld(("worlds\\" + name).c_str()));
        EXPECT_EQ(g_WorldMgr.m_bError, 0);
        // Every file a bundled world names is there: no loader of its meshes,
        // figures, animations or textures reports one missing.
        const std::string printed = ConsoleLog().substr(printedBefore);
        EXPECT_EQ(printed.find("not found"), std::string::npos) << printed;
        EXPECT_EQ(printed.find("ERROR"), std::string::npos) << printed;
        for (int i = 0; i < g_WorldMgr.GetNoteCount(); ++i)
        {
            const auto& n = g_WorldMgr.GetNote(i);
            ADD_FAILURE() << "line " << n.line
                          << (n.kind == EWorldMgr::NoteKind::Refused ? " refused: " : " passed over: ")
                          << n.text;
        }
        EXPECT_EQ(g_WorldMgr.GetPassedOverCount() + g_WorldMgr.GetRefusedCount(), 0);
        EXPECT_GT(g_Engine.GetObjectCount(), 0u);
    }
}

TEST_F(BundledWorlds, TheDemoWorldPutsEveryObjectInPlace)
{
    ASSERT_TRUE(g_WorldMgr.LoadWorld(worldgen::DEMO_WORLD_FILE));
    const auto objects = worldgen::DemoObjects();

    DWORD fromWorld = 0;
    int meshes = 0, lights = 0, figures = 0;
    for (const strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.bFromWorldFile)
        {
            ++fromWorld;
            meshes += o.Type == OT_MESH;
            lights += o.Type == OT_LIGHT;
            figures += o.Type == OT_SKINMESH;
        }
    EXPECT_EQ(fromWorld, objects.size());
    // The sky is the one object the world file adds through a world-wide line.
    EXPECT_EQ(g_Engine.GetObjectCount(), objects.size() + 1);
    ASSERT_NE(Env.m_hSkyMesh, nullptr);
    EXPECT_STREQ(Env.m_hSkyMesh->szFileName, worldgen::DEMO_SKY_MESH);

    int expectedMeshes = 0, expectedFigures = 0;
    for (const auto& d : objects)
    {
        SCOPED_TRACE(d.name);
        HOBJECT o = g_Engine.FindObject(d.name.c_str(), 0);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->vPosition, D3DXVECTOR3(d.x, d.y, d.z));
        if (d.kind == worldgen::DemoObject::Mesh || d.kind == worldgen::DemoObject::SkinMesh)
        {
            const bool figure = d.kind == worldgen::DemoObject::SkinMesh;
            ++(figure ? expectedFigures : expectedMeshes);
            EXPECT_EQ(o->Type, figure ? OT_SKINMESH : OT_MESH);
            EXPECT_EQ(o->szFileName, d.file);
            continue;
        }
        EXPECT_EQ(o->Type, OT_LIGHT);
        EXPECT_EQ(o->fRadius, d.range);
        EXPECT_EQ(o->fLightValue, d.power);
        EXPECT_EQ(o->vLightColor, D3DXVECTOR3(d.color[0], d.color[1], d.color[2]));
        if (!d.tiedTo.empty())
        {
            ASSERT_NE(o->pPendingTieObject, nullptr);
            EXPECT_EQ(o->pPendingTieObject, d.tiedTo);
            EXPECT_EQ(o->pPendingTieSocket, d.tiedSocket);
            EXPECT_NE(g_Engine.FindObject(d.tiedTo.c_str(), 0), nullptr);
        }
    }
    EXPECT_EQ(meshes, expectedMeshes);
    EXPECT_EQ(figures, expectedFigures);
    EXPECT_EQ(lights, static_cast<int>(objects.size()) - expectedMeshes - expectedFigures);

    // A few facts stated by hand, so the description cannot drift with the file.
    EXPECT_EQ(g_Engine.FindObject("house_01", 0)->vPosition, D3DXVECTOR3(-60.0f, 0.0f, -18.0f));
    EXPECT_NE(g_Engine.FindObject("tower_02", 0), nullptr);
    EXPECT_NE(g_Engine.FindObject("lamp_light_04", 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject("ground", 0)->bTerrainMesh, 1);
    EXPECT_EQ(g_Camera.GetFarPlane(), 3000.0f);
    EXPECT_EQ(Env.m_bUseSkyLight, 1);

    // The meshes stand upright where they are placed: a house spans its
    // footprint around its position, from the ground to its chimney.
    const auto* house = static_cast<const EMesh*>(g_Engine.FindObject("house_01", 0)->Object);
    ASSERT_NE(house, nullptr);
    ExpectBox(house->m_vWorldMin, {-66.5f, 0.0f, -23.5f});
    ExpectBox(house->m_vWorldMax, {-53.5f, 11.0f, -12.5f});
    const auto* ground = static_cast<const EMesh*>(g_Engine.FindObject("ground", 0)->Object);
    EXPECT_NEAR(ground->m_vWorldMax.y, 0.25f, 1e-4f);
    EXPECT_NEAR(ground->m_vWorldMin.y, -1.0f, 1e-4f);
    const auto* stacked = static_cast<const EMesh*>(g_Engine.FindObject("crate_04", 0)->Object);
    EXPECT_NEAR(stacked->m_vWorldMin.y, 1.5f, 1e-4f);
}

TEST(DemoWorldData, TheBundledFilesAreWhatTheGeneratorWrites)
{
    TempDir dir(false);
    ASSERT_TRUE(worldgen::WriteDemoWorld(dir.path()));
    for (const std::string& file : worldgen::DemoWorldFiles())
    {
        SCOPED_TRACE(file);
        const std::string made = ReadBytes(dir.path() / file);
        ASSERT_FALSE(made.empty());
        EXPECT_TRUE(made == ReadBytes(tk::test::DataDir() / file))
            << "run tk_worldgen on the data tree and commit what it writes";
    }
}

TEST(DemoWorldData, TheBundledSettingsStartTheDemoWorld)
{
    const std::string cfg = ReadBytes(tk::test::DataDir() / "tk.cfg");
    EXPECT_NE(cfg.find(std::string("runworld ") + worldgen::DEMO_WORLD_FILE), std::string::npos);
}
} // namespace
} // namespace worldtest
