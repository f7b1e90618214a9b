// Placed objects: the wildcard file, the ".om" reader with damaged files,
// instances crossing their switch distance both ways, an instance whose
// object others deleted, the setters keeping the instance in step, the
// sprites' distance limits and the atlas cells running out.
#include "world_fixture.h"

#include "game/MainGame.h"
#include "render/SkyLight.h"
#include "shell/RecordBytes.h"
#include "world/ObjectMgr.h"

#include <cstring>
#include <string>
#include <vector>

using namespace worldtest;

namespace
{
struct TestInstance
{
    std::string name;
    D3DXVECTOR3 position;
    float size = 6.0f;
    BYTE farVisible = 0;
};

struct TestGroup
{
    std::string mesh;
    std::vector<TestInstance> instances;
    float distance = 50.0f;
    DWORD sprites = 1;
    float u = 0.0f, v = 0.0f;
};

// A ".om" file written field by field, as the world tools write it.
std::vector<BYTE> OmBytes(const std::vector<TestGroup>& groups)
{
    std::vector<BYTE> out(4);
    RecordOut(out.data(), 4).U32(0, static_cast<DWORD>(groups.size()));
    for (const TestGroup& g : groups)
    {
        std::vector<BYTE> rec(OM_GROUP_RECORD_SIZE);
        RecordOut r(rec.data(), rec.size());
        r.Chars(0, g.mesh.c_str(), 255);
        r.U32(256, 0xDEADBEEF); // a pointer slot: never trusted
        r.U32(260, static_cast<DWORD>(g.instances.size()));
        r.F32(264, g.distance);
        r.U32(268, g.sprites);
        r.F32(272, g.u);
        r.F32(276, g.v);
        out.insert(out.end(), rec.begin(), rec.end());
        for (const TestInstance& i : g.instances)
        {
            std::vector<BYTE> in(OM_INSTANCE_RECORD_SIZE);
            RecordOut w(in.data(), in.size());
            w.U32(0, 0xDEADBEEF);
            w.Chars(4, i.name.c_str(), 64);
            w.Vec3(68, i.position);
            w.Orientation(80, EOrientation());
            w.Vec3(196, D3DXVECTOR3(1, 1, 1));
            w.U32(208, 13);
            w.F32(220, i.size);
            w.U8(224, i.farVisible);
            out.insert(out.end(), in.begin(), in.end());
        }
    }
    return out;
}

std::string LogSince(size_t from)
{
    const std::string log = ConsoleLog();
    return from < log.size() ? log.substr(from) : std::string();
}

class ObjectMgrTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_ObjectMgr.Reset();
        g_ObjectMgr.m_iWildcards = 0;
    }
    void TearDown() override
    {
        g_ObjectMgr.Reset();
        g_ObjectMgr.m_iWildcards = 0;
        WorldTest::TearDown();
    }
    static bool Read(const std::vector<TestGroup>& groups)
    {
        const std::vector<BYTE> bytes = OmBytes(groups);
        return g_ObjectMgr.ReadOm(bytes.data(), bytes.size(), "worlds\\test.w.om");
    }
    static EPlacedInstance& Instance(DWORD group, size_t i) { return g_ObjectMgr.Group(group)->Instances[i]; }
};
} // namespace

TEST_F(ObjectMgrTest, WildcardsMatchBySubstringInAnyCaseAndTheFirstLineWins)
{
    std::string text = "// pattern distance sprites flag-bits\r\n\r\nhouse 0 2 0\rHouse_big 50 0 1\n"
                       "rock\t60\t1\t1\r\n";
    text += std::string(130, 'p') + " 30 1 1\n";
    temp->Write("scripts/multiple_objects.txt", text);
    const size_t from = ConsoleLog().size();
    g_ObjectMgr.LoadWildcards();
    ASSERT_EQ(g_ObjectMgr.m_iWildcards, 3);
    EXPECT_NE(LogSince(from).find("pattern too long"), std::string::npos);

    const EObjectWildcard* w = g_ObjectMgr.FindWildcard("prefabs\\House_big.x");
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->szPattern, "house");
    EXPECT_FLOAT_EQ(w->fDistance, 100.0f) << "a distance below 1 becomes 100";
    EXPECT_EQ(w->bSprites, 1) << "a non-zero flag becomes 1";
    EXPECT_EQ(w->bFlagBits, 0);
    const EObjectWildcard* rock = g_ObjectMgr.FindWildcard("meshes\\ROCKS\\a.x");
    ASSERT_NE(rock, nullptr);
    EXPECT_FLOAT_EQ(rock->fDistance, 60.0f);
    EXPECT_EQ(rock->bFlagBits, 1);
    EXPECT_EQ(g_ObjectMgr.FindWildcard("meshes\\tree.x"), nullptr);
    EXPECT_EQ(g_ObjectMgr.FindWildcard(""), nullptr);
    EXPECT_EQ(g_ObjectMgr.FindWildcard(nullptr), nullptr);

    // The groups of a file take the values of their wildcard.
    TestGroup house{"prefabs\\house_big.x", {{"h", {0, 0, 0}}}, 10.0f, 0};
    TestGroup other{"meshes\\tree.x", {{"t", {0, 0, 0}}}, 33.0f, 0};
    ASSERT_TRUE(Read({house, other}));
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(0)->fDistance, 100.0f);
    EXPECT_EQ(g_ObjectMgr.Group(0)->bSprites, 1u);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(1)->fDistance, 33.0f);

    // More lines than the table holds: reading stops with the line.
    std::string many;
    for (int i = 0; i < MAX_OBJECTMGR_WILDCARDS + 5; ++i)
        many += "pattern" + std::to_string(i) + " 10 0 0\n";
    temp->Write("scripts/multiple_objects.txt", many);
    const size_t before = ConsoleLog().size();
    g_ObjectMgr.LoadWildcards();
    EXPECT_EQ(g_ObjectMgr.m_iWildcards, MAX_OBJECTMGR_WILDCARDS);
    EXPECT_NE(LogSince(before).find("MAX_OBJECTMGR_WILDCARDS exceeded!"), std::string::npos);
}

TEST_F(ObjectMgrTest, AnOmFileIsReadFieldByFieldAndADamagedOneIsRefusedWithItsName)
{
    TestGroup crates{MESH_FILE, {{"crate_a", {1, 2, 3}, 1.5f, 1}, {"crate_b", {4, 5, 6}}}, 70.0f, 1, 0.25f,
                     0.5f};
    TestGroup empty{"meshes\\none.x", {}, 20.0f, 0};
    const std::vector<BYTE> bytes = OmBytes({crates, empty});
    ASSERT_TRUE(g_ObjectMgr.ReadOm(bytes.data(), bytes.size(), "worlds\\test.w.om"));
    ASSERT_EQ(g_ObjectMgr.GroupCount(), 2u);
    const EPlacedGroup& g = *g_ObjectMgr.Group(0);
    EXPECT_STREQ(g.szName, MESH_FILE);
    EXPECT_FLOAT_EQ(g.fDistance, 70.0f);
    EXPECT_FLOAT_EQ(g.fAtlasU, 0.25f);
    EXPECT_FLOAT_EQ(g.fAtlasV, 0.5f);
    ASSERT_EQ(g.Instances.size(), 2u);
    const EPlacedInstance& a = g.Instances[0];
    EXPECT_EQ(a.hObject, nullptr) << "the stored pointer slot is never taken";
    EXPECT_STREQ(a.szName, "crate_a");
    EXPECT_FLOAT_EQ(a.vPosition.z, 3.0f);
    EXPECT_FLOAT_EQ(a.fSize, 1.5f);
    EXPECT_EQ(a.bFarVisible, 1);
    EXPECT_EQ(a.dwFlags, 13u);
    EXPECT_EQ(g_ObjectMgr.FindGroup("MESHES\\BOX.X"), &g);

    // Cut at every length: refused, nothing kept, never a read past the bytes.
    for (size_t n = 0; n < bytes.size(); ++n)
    {
        std::vector<BYTE> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        const size_t from = ConsoleLog().size();
        ASSERT_FALSE(g_ObjectMgr.ReadOm(cut.data(), cut.size(), "worlds\\cut.w.om")) << n;
        EXPECT_EQ(g_ObjectMgr.GroupCount(), 0u);
        EXPECT_NE(LogSince(from).find("worlds\\cut.w.om"), std::string::npos) << n;
    }

    // Counts the file cannot hold, and a mesh name no object can carry.
    struct Damage
    {
        size_t at;
        DWORD value;
    };
    const Damage damages[] = {
        {0, 0xFFFFFFFF}, {0, MAX_OBJECTMGR_GROUPS + 1}, {0, 3}, {4 + 260, 0x7FFFFFFF}, {4 + 260, 3}};
    for (const Damage& d : damages)
    {
        std::vector<BYTE> bad = bytes;
        RecordOut(bad.data() + d.at, 4).U32(0, d.value);
        const size_t from = ConsoleLog().size();
        EXPECT_FALSE(g_ObjectMgr.ReadOm(bad.data(), bad.size(), "worlds\\bad.w.om"))
            << d.at << " " << d.value;
        EXPECT_EQ(g_ObjectMgr.GroupCount(), 0u);
        EXPECT_NE(LogSince(from).find("worlds\\bad.w.om"), std::string::npos);
    }
    // A mesh name no object can carry: that group is dropped, the others stay.
    TestGroup longName{"meshes\\" + std::string(130, 'n') + ".x", {{"x", {0, 0, 0}}}};
    const size_t longFrom = ConsoleLog().size();
    EXPECT_TRUE(Read({longName, crates}));
    EXPECT_NE(LogSince(longFrom).find("AddObject FileName>126"), std::string::npos);
    ASSERT_EQ(g_ObjectMgr.GroupCount(), 1u);
    EXPECT_STREQ(g_ObjectMgr.Group(0)->szName, MESH_FILE);
    // An unterminated instance name is ended within its field.
    std::vector<BYTE> unterminated = bytes;
    std::memset(unterminated.data() + 4 + OM_GROUP_RECORD_SIZE + 4, 'b', 64);
    ASSERT_TRUE(g_ObjectMgr.ReadOm(unterminated.data(), unterminated.size(), "worlds\\long.w.om"));
    ASSERT_EQ(g_ObjectMgr.Group(0)->Instances.size(), 2u);
    EXPECT_EQ(std::strlen(g_ObjectMgr.Group(0)->Instances[0].szName), 63u);

    // A world without its file says so and has no placed objects.
    const size_t from = ConsoleLog().size();
    EXPECT_FALSE(g_ObjectMgr.LoadOm("worlds\\missing.w"));
    EXPECT_NE(LogSince(from).find("Nie moge otworzyc pliku do odczytu: worlds\\missing.w.om"),
              std::string::npos);
    EXPECT_EQ(g_ObjectMgr.GroupCount(), 0u);
}

TEST_F(ObjectMgrTest, AnInstanceCrossingItsSwitchDistanceBecomesAnObjectAndASpriteAgain)
{
    TestGroup g{MESH_FILE, {{"placed_box", {0, 0, 100}}}, 50.0f, 1};
    ASSERT_TRUE(Read({g}));
    EPlacedInstance& i = Instance(0, 0);
    // Exactly at the switch distance: not an object.
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 50));
    EXPECT_EQ(i.hObject, nullptr);
    EXPECT_EQ(g_ObjectMgr.SpriteCount(), 1u);
    EXPECT_EQ(g_ObjectMgr.SpriteVertices().size(), OBJECTMGR_SPRITE_VERTICES);

    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 51));
    ASSERT_NE(i.hObject, nullptr);
    HOBJECT o = i.hObject;
    EXPECT_STREQ(o->szName, "placed_box");
    EXPECT_EQ(o->bPlacedObject, 1);
    EXPECT_EQ(g_ObjectMgr.FindInstance(o), &i);
    EXPECT_EQ(g_ObjectMgr.SpriteCount(), 0u);

    // Moved and killed while an object: the instance keeps both.
    const D3DXVECTOR3 moved(0, 0, 95);
    g_Engine.SetObjectPosition(o, &moved, 0);
    EXPECT_FLOAT_EQ(i.vPosition.z, 95.0f);
    o->bDead = 1;
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(i.hObject, nullptr);
    EXPECT_FALSE(o->bUsed);
    EXPECT_EQ(i.dwState, 1u);
    EXPECT_EQ(g_ObjectMgr.SpriteCount(), 1u);
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 60));
    ASSERT_NE(i.hObject, nullptr);
    EXPECT_FLOAT_EQ(i.hObject->vPosition.z, 95.0f);
    EXPECT_EQ(i.hObject->bDead, 1);
    EXPECT_EQ(g_ObjectMgr.m_iCreated, 2u);
    EXPECT_EQ(g_ObjectMgr.m_iDeleted, 1u);

    // The level's reset takes the objects with the groups.
    g_ObjectMgr.Reset();
    EXPECT_EQ(g_Engine.FindObject("placed_box", 0), nullptr);
}

TEST_F(ObjectMgrTest, AnObjectDeletedByOthersIsNotDeletedAgainAndComesBackAfterLeavingRange)
{
    TestGroup g{MESH_FILE, {{"placed_box", {0, 0, 10}}}, 50.0f, 0};
    ASSERT_TRUE(Read({g}));
    EPlacedInstance& i = Instance(0, 0);
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 0));
    HOBJECT o = i.hObject;
    ASSERT_NE(o, nullptr);
    g_Engine.DeleteObject(o); // a script's self_delete
    HOBJECT other = Mesh("bystander");
    ASSERT_EQ(other, o) << "the freed slot is taken again";
    EXPECT_EQ(g_ObjectMgr.FindInstance(other), nullptr);
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 5));
    EXPECT_EQ(i.hObject, nullptr) << "not made again while still in range";
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 200));
    EXPECT_TRUE(other->bUsed);
    EXPECT_STREQ(other->szName, "bystander");
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(0, 0, 0));
    EXPECT_NE(i.hObject, nullptr);
    EXPECT_NE(i.hObject, other);
}

TEST_F(ObjectMgrTest, TheUpdateWaitsForFrame120AndAFourUnitMove)
{
    TestGroup g{MESH_FILE, {{"placed_box", {0, 0, 10}}}, 50.0f, 0};
    ASSERT_TRUE(Read({g}));
    EPlacedInstance& i = Instance(0, 0);
    g_MainGame.m_iLevelFrame = OBJECTMGR_FIRST_FRAME - 1;
    g_Camera.SetPosition(D3DXVECTOR3(0, 0, 0));
    g_ObjectMgr.Update();
    EXPECT_EQ(i.hObject, nullptr);
    g_MainGame.m_iLevelFrame = OBJECTMGR_FIRST_FRAME;
    g_ObjectMgr.Update();
    ASSERT_NE(i.hObject, nullptr);
    // 3.9 units on, the instance now past its switch distance: no pass yet.
    i.vPosition.z = 46.5f;
    g_Camera.SetPosition(D3DXVECTOR3(0, 0, -3.9f));
    g_ObjectMgr.Update();
    EXPECT_NE(i.hObject, nullptr);
    g_Camera.SetPosition(D3DXVECTOR3(0, 0, -4.1f));
    g_ObjectMgr.Update();
    EXPECT_EQ(i.hObject, nullptr);
}

TEST_F(ObjectMgrTest, SpritesKeepToTheirSizeLimitsAndTheAtlasCellsRunOutAfter64)
{
    TestGroup g{MESH_FILE,
                {{"small_near", {0, 0, 130}, 1.5f},
                 {"small_far", {0, 0, -150}, 1.5f},
                 {"big_far", {600, 0, 0}, 12.0f},
                 {"big_far_seen", {0, 0, 600}, 12.0f, 1}},
                10.0f,
                1};
    ASSERT_TRUE(Read({g}));
    g_ObjectMgr.RebuildSprites(D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(g_ObjectMgr.SpriteCount(), 2u) << "the small one at 130 and the far-visible one at 600";

    // The quads face the sun across the ground, whichever way its light
    // travels; a sun straight overhead gives them +x.
    const D3DVECTOR sun = Env.m_vSkyLightDir;
    struct Case
    {
        D3DVECTOR light;
        D3DXVECTOR3 normal;
    };
    for (const Case& c :
         {Case{{0.6f, -0.7f, -0.8f}, {-0.6f, 0.0f, 0.8f}}, Case{{-1.0f, -0.2f, 0.0f}, {1.0f, 0.0f, 0.0f}},
          Case{{0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}})
    {
        Env.m_vSkyLightDir = c.light;
        g_ObjectMgr.RebuildSprites(D3DXVECTOR3(0, 0, 0));
        ASSERT_FALSE(g_ObjectMgr.SpriteVertices().empty());
        for (const EObjectSpriteVertex& v : g_ObjectMgr.SpriteVertices())
        {
            EXPECT_NEAR(v.vNormal.x, c.normal.x, 1e-5f);
            EXPECT_NEAR(v.vNormal.y, c.normal.y, 1e-5f);
            EXPECT_NEAR(v.vNormal.z, c.normal.z, 1e-5f);
        }
    }
    Env.m_vSkyLightDir = sun;

    std::vector<TestGroup> many;
    for (int k = 0; k < 66; ++k)
        many.push_back({"meshes\\g" + std::to_string(k) + ".x", {{"i", {0, 0, 0}}}, 10.0f, 1, 0.75f, 0.875f});
    ASSERT_TRUE(Read(many));
    const size_t from = ConsoleLog().size();
    EXPECT_FALSE(g_ObjectMgr.PlaceCells());
    EXPECT_NE(LogSince(from).find("TOO MANY objects to be rendered as sprites (>64)"), std::string::npos);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(0)->fAtlasU, 0.0f);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(9)->fAtlasU, 0.125f);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(9)->fAtlasV, 0.125f);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(63)->fAtlasV, 0.875f);
    EXPECT_FLOAT_EQ(g_ObjectMgr.Group(64)->fAtlasU, 0.75f) << "past the 64th: the file's cell";
}
