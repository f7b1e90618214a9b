// The river objects: "scripts\rzeka.txt", objects taken onto the path
// "rzeka" with their side and distance, their drift speed, the loop at the
// path's end, the static ones' bobbing and rocking, and deletions.

#include "environment/RiverMgr.h"
#include "game/BezierMgr.h"
#include "world/world_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace worldtest;

namespace
{
constexpr double kLength = 1000.0;

class RiverTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        g_BezierMgr.DeleteAll();
        g_RiverMgr.Reset();
        std::srand(9);
    }
    void TearDown() override
    {
        g_RiverMgr.Reset();
        g_RiverMgr.m_bEnabled = 0;
        g_RiverMgr.m_iNameCount = 0;
        g_BezierMgr.DeleteAll();
        WorldTest::TearDown();
    }
    // The river "rzeka": a straight line 1000 long along +x, at height 2.
    void River()
    {
        char text[512];
        std::snprintf(text, sizeof text,
                      "bezier_node rzeka\r\nnr 1\r\npos 0 2 0\r\nksztalt1 %g 2 0\r\nksztalt2 %g 2 0\r\n"
                      "values 0 0 0 0 0\r\nnext_in_path_nr 2\r\n"
                      "bezier_node \r\nnr 2\r\npos %g 2 0\r\nksztalt1 %g 2 0\r\nksztalt2 %g 2 0\r\n"
                      "values 0 0 0 0 0\r\nnext_in_path_nr 99\r\n",
                      kLength / 3, 2 * kLength / 3, kLength, kLength, kLength);
        temp->Write("worlds/river.bzr", text);
        ASSERT_TRUE(g_BezierMgr.LoadNodes("worlds\\river.bzr"));
        ASSERT_NEAR(g_BezierMgr.GetPathLength("rzeka"), kLength, 0.01);
    }
    void Names(const std::string& text)
    {
        temp->Write("scripts/rzeka.txt", text);
        g_RiverMgr.LoadNames();
    }
    static HOBJECT Floating(const char* name, float x, float z)
    {
        HOBJECT o = Mesh(name);
        EXPECT_NE(o, nullptr);
        const D3DXVECTOR3 at(x, 2.0f, z);
        if (o)
            g_Engine.SetObjectPosition(o, &at, 1);
        return o;
    }
    static const strRiverObject* Record(HOBJECT o)
    {
        for (const strRiverObject& r : g_RiverMgr.m_Objects)
            if (r.m_bUsed && r.m_hObject == o)
                return &r;
        return nullptr;
    }
    static void Step(float seconds)
    {
        g_Engine.m_fDeltaTime = seconds;
        g_RiverMgr.Update();
    }
    // The right of the flow, which runs along +x.
    static D3DXVECTOR3 Right()
    {
        const D3DXVECTOR3 flow(1.0f, 0.0f, 0.0f);
        return EOrientation(&flow).Right;
    }
};

TEST_F(RiverTest, TheScriptListsMovingAndStaticNamesAndRefusesNamesThatDoNotFit)
{
    std::string text = "moving crate_a\r\nSTATIC  buoy \r\nfloating nope\r\n\r\nmoving " +
                       std::string(64, 'x') + "\rmoving " + std::string(63, 'y') + "\n";
    for (int i = 0; i < 130; ++i)
        text += "moving n" + std::to_string(i) + "\n";
    Names(text);
    ASSERT_EQ(g_RiverMgr.m_iNameCount, 128u);
    EXPECT_STREQ(g_RiverMgr.m_szNames[0], "crate_a");
    EXPECT_EQ(g_RiverMgr.m_bMoving[0], 1);
    EXPECT_STREQ(g_RiverMgr.m_szNames[1], "buoy");
    EXPECT_EQ(g_RiverMgr.m_bMoving[1], 0);
    EXPECT_EQ(std::string(g_RiverMgr.m_szNames[2]), std::string(63, 'y')) << "63 characters still fit";
    EXPECT_STREQ(g_RiverMgr.m_szNames[127], "n124");
    EXPECT_NE(ConsoleLog().find("Init Names"), std::string::npos);
    EXPECT_NE(ConsoleLog().find(std::string(64, 'x')), std::string::npos) << "the refusal names it";

    // No file: an empty list, quietly.
    std::remove("scripts/rzeka.txt");
    g_RiverMgr.LoadNames();
    EXPECT_EQ(g_RiverMgr.m_iNameCount, 0u);
}

TEST_F(RiverTest, AWorldWithoutTheRiverLeavesListedObjectsAlone)
{
    Names("moving crate\n");
    HOBJECT crate = Floating("crate", 100.0f, 0.0f);
    g_RiverMgr.Init();
    EXPECT_FALSE(g_RiverMgr.m_bEnabled);
    Step(1.0f);
    EXPECT_EQ(crate->vPosition, D3DXVECTOR3(100.0f, 2.0f, 0.0f));
    EXPECT_EQ(Record(crate), nullptr);
}

TEST_F(RiverTest, ObjectsDriftSlowerFartherFromTheLineAndKeepTheirSide)
{
    ASSERT_NO_FATAL_FAILURE(River());
    Names("moving centre\nmoving far\nmoving right\nmoving left\nmoving Centre\n");
    const D3DXVECTOR3 right = Right();
    struct Case
    {
        const char* name;
        float along, offset; // offset along the right axis
        float speed;
    };
    const Case cases[] = {
        {"centre", 100.0f, 0.0f, 50.0f},
        {"far", 200.0f, -350.0f, 16.0f},
        {"right", 300.0f, 3.0f, 49.5f},
        {"left", 400.0f, -3.0f, 49.5f},
    };
    for (const Case& c : cases)
    {
        const D3DXVECTOR3 at = D3DXVECTOR3(c.along, 2.0f, 0.0f) + right * c.offset;
        Floating(c.name, at.x, at.z);
    }
    g_RiverMgr.Init();
    ASSERT_TRUE(g_RiverMgr.m_bEnabled);
    // The path is sampled every 5 units: the nearest sample stands for the
    // nearest point, so places and offsets are within half a sample.
    double startedAt[4] = {};
    for (size_t k = 0; k < std::size(cases); ++k)
    {
        const Case& c = cases[k];
        SCOPED_TRACE(c.name);
        HOBJECT o = g_Engine.FindObject(c.name, 0);
        const strRiverObject* r = Record(o);
        ASSERT_NE(r, nullptr);
        EXPECT_NEAR(r->m_dDistance, c.along, 3.0);
        EXPECT_NEAR(r->m_fOffset, std::fabs(c.offset), 1.0f);
        EXPECT_NEAR(r->m_fSpeed, c.speed, 0.2f);
        EXPECT_EQ(r->m_bRightSide, c.offset > 0.0f ? 1 : 0);
        EXPECT_EQ(o->dwFlags & 0x84, 0x80u);
        EXPECT_EQ(o->dwFlags2 & 0x18000000u, 0x18000000u);
        startedAt[k] = r->m_dDistance;
    }
    // An object listed twice (in any case) is taken once.
    int records = 0;
    for (const strRiverObject& r : g_RiverMgr.m_Objects)
        records += r.m_bUsed;
    EXPECT_EQ(records, 4);
    // A second start of the level without its reset between takes them once.
    g_RiverMgr.Init();
    records = 0;
    for (const strRiverObject& r : g_RiverMgr.m_Objects)
        records += r.m_bUsed;
    EXPECT_EQ(records, 4);
    for (size_t k = 0; k < std::size(cases); ++k)
        startedAt[k] = Record(g_Engine.FindObject(cases[k].name, 0))->m_dDistance;

    for (int frame = 0; frame < 10; ++frame)
        Step(0.1f);
    for (size_t k = 0; k < std::size(cases); ++k)
    {
        const Case& c = cases[k];
        SCOPED_TRACE(c.name);
        HOBJECT o = g_Engine.FindObject(c.name, 0);
        const strRiverObject* r = Record(o);
        EXPECT_NEAR(r->m_dDistance, startedAt[k] + r->m_fSpeed, 1e-3);
        const D3DXVECTOR3 off = o->vPosition - D3DXVECTOR3(o->vPosition.x, 2.0f, 0.0f);
        const float side = D3DXVec3Dot(&off, &right);
        // The same side of the line, at the same distance from it.
        EXPECT_NEAR(side, c.offset > 0.0f ? r->m_fOffset : -r->m_fOffset, 0.01f);
        EXPECT_LE(std::fabs(o->vPosition.y - 2.0f), 3.0f + 1e-4f);
    }
}

TEST_F(RiverTest, TheRiverLoopsAtItsEnd)
{
    ASSERT_NO_FATAL_FAILURE(River());
    Names("moving crate\n");
    HOBJECT crate = Floating("crate", 500.0f, 0.0f);
    g_RiverMgr.Init();
    strRiverObject& r = g_RiverMgr.m_Objects[0];
    ASSERT_EQ(r.m_hObject, crate);
    g_RiverMgr.m_dPathLength = kLength;
    r.m_fSpeed = 20.0f;
    struct Case
    {
        double from;
        float dt;
        double to;
    };
    const Case cases[] = {{990.0, 1.0f, 10.0},
                          {980.0, 1.0f, 1000.0},
                          {1000.0, 0.0f, 1000.0},
                          {999.0, 0.1f, 1.0},
                          // A frame longer than the whole river still lands on it.
                          {500.0, 101.0f, 520.0}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.from);
        r.m_dDistance = c.from;
        Step(c.dt);
        EXPECT_NEAR(r.m_dDistance, c.to, 1e-6);
        EXPECT_NEAR(crate->vPosition.x, static_cast<float>(c.to), 0.5f);
    }
}

TEST_F(RiverTest, AStaticObjectKeepsItsPlaceButBobsAndRocks)
{
    ASSERT_NO_FATAL_FAILURE(River());
    Names("static buoy\n");
    HOBJECT buoy = Floating("buoy", 250.0f, 0.0f);
    const EOrientation start = buoy->Orientation;
    g_RiverMgr.Init();
    const strRiverObject* r = Record(buoy);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->m_fSpeed, 0.0f);
    const double along = r->m_dDistance;
    Step(0.1f);
    const float x = buoy->vPosition.x;
    EXPECT_NEAR(x, 250.0f, 3.0f);
    float low = 0.0f, high = 0.0f, rock = 0.0f;
    for (int frame = 0; frame < 80; ++frame)
    {
        Step(0.1f);
        EXPECT_EQ(r->m_dDistance, along);
        EXPECT_FLOAT_EQ(buoy->vPosition.x, x);
        low = std::min(low, buoy->vPosition.y - 2.0f);
        high = std::max(high, buoy->vPosition.y - 2.0f);
        const float dot = std::fabs(D3DXQuaternionDot(&start.Quaternion, &buoy->Orientation.Quaternion));
        rock = std::max(rock, 2.0f * std::acos(std::min(dot, 1.0f)));
    }
    EXPECT_LE(high, 3.0f + 1e-4f);
    EXPECT_GE(low, -3.0f - 1e-4f);
    EXPECT_GT(high - low, 5.0f) << "it bobs";
    EXPECT_LE(rock, 0.1f + 1e-3f);
    EXPECT_GT(rock, 0.05f) << "it rocks";
}

TEST_F(RiverTest, ADeletedObjectFreesItsRecordOnce)
{
    ASSERT_NO_FATAL_FAILURE(River());
    Names("moving a\nmoving b\n");
    HOBJECT a = Floating("a", 100.0f, 0.0f);
    HOBJECT b = Floating("b", 200.0f, 0.0f);
    g_RiverMgr.Init();
    ASSERT_NE(Record(a), nullptr);
    g_Engine.DeleteObject(a);
    EXPECT_EQ(Record(a), nullptr);
    // The slot is free; a later removal of the same handle changes nothing.
    g_RiverMgr.RemoveObject(a);
    EXPECT_NE(Record(b), nullptr);
    Step(0.1f);
    EXPECT_GT(b->vPosition.x, 200.0f);
    // The level's end drops every record.
    g_RiverMgr.Reset();
    EXPECT_EQ(Record(b), nullptr);
}
} // namespace
