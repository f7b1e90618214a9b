// Waypoint graphs: the graph file and its damaged forms, direction slots,
// places, route search and route points.
#include "characters_fixture.h"
#include "path_graph.h"

#include "shell/Console.h"
#include "world/ObjectActionCalls.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace chartest;

namespace
{
std::string ReadAll(const char* name)
{
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

int CountPaths()
{
    int n = 0;
    for (strPath* p = g_PathMgr.m_pPaths; p; p = p->next)
        ++n;
    return n;
}

// Three nodes in a row and one off to the side, a marker naming a missing
// object, CR LF line ends.
constexpr const char* kFixture =
    "1234\r\n\r\nm_pPath 7 8 9\r\nCenterPos 1 2 3\r\nRadius 30\r\n"
    "\r\nplace 0\r\nposx 0\r\nposy 0.86\r\nposz 0\r\nrealposx 0\r\nrealposy 0\r\n"
    "realposz 0\r\nidx2 1\r\n"
    "\r\nplace 1\r\nposx 2\r\nposy 0.86\r\nposz 0\r\nrealposx 2\r\nrealposy 0\r\n"
    "realposz 0\r\nidx6 0\r\nidx2 2\r\nidx0 3\r\n"
    "\r\nplace 2\r\nposx 4\rposy 0.86\rposz 0\rrealposx 4\rrealposy 0\rrealposz 0\r"
    "idx6 1\r\n"
    "\nplace 3\nrealposx 2\nrealposz 2\nidx4 1\n"
    " \r\nstick_markers 2\r\nstick 0 no_such_marker\r\nstick_left 0 1\r\n"
    "stick 1 wall\r\nstick_right 1 77\r\n";
} // namespace

class PathsTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        g_PathMgr.Release();
        std::remove("!error.txt");
    }
    void TearDown() override
    {
        g_PathMgr.Release();
        CharactersTest::TearDown();
    }
    void Parse(const std::string& text, const char* name = "worlds\\t.w.pth")
    {
        g_PathMgr.ParseText(text.data(), text.size(), name);
    }
};

TEST_F(PathsTest, TheFixtureGraphLinksItsNodesMarksEdgesAndReportsMissingMarkers)
{
    HOBJECT wall = Wall(D3DXVECTOR3(50, 0, 50), D3DXVECTOR3(1, 1, 1));
    g_Engine.SetObjectName(wall, "wall");
    Parse(kFixture);
    ASSERT_EQ(CountPaths(), 1);
    const int ids[3] = {7, 8, 9};
    strPath* path = g_PathMgr.FindPathById(ids);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->center, D3DXVECTOR3(1, 2, 3));
    EXPECT_FLOAT_EQ(path->radius, 30.0f);
    strPlace* middle = Node(path, 1);
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(middle->neighbours[6], Node(path, 0));
    EXPECT_EQ(middle->neighbours[2], Node(path, 2));
    EXPECT_EQ(middle->neighbours[0], Node(path, 3));
    EXPECT_EQ(Node(path, 2)->pos, D3DXVECTOR3(4, 0.86f, 0)); // CR-only lines
    EXPECT_EQ(middle->edge, 1);                              // slots 1, 3, 4, 5, 7 are empty
    EXPECT_EQ(middle->enabled, 1);
    EXPECT_EQ(Node(path, 4), nullptr);

    // The markers: the missing object and the missing right point are
    // reported, the present ones resolved, and the rest of the file loaded.
    EXPECT_EQ(path->marker_count, 2u);
    EXPECT_EQ(path->markers[0].object, nullptr);
    EXPECT_EQ(path->markers[0].leftPlace, middle);
    EXPECT_EQ(path->markers[1].object, wall);
    const std::string errors = ReadAll("!error.txt");
    EXPECT_NE(errors.find("Path marker no_such_marker doesn't exist! Recalculate paths!"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("Right path point no 77 for marker wall doesn't exist! Recalculate paths!"),
              std::string::npos);

    // Nearest node over all paths, and the respawner lookups.
    strPath* found = nullptr;
    EXPECT_EQ(g_PathMgr.FindNearestPathNode(D3DXVECTOR3(3.8f, 0, 0.3f), &found), Node(path, 2));
    EXPECT_EQ(found, path);
    EXPECT_TRUE(ActionCalls::PathFindPlace(ids, 3));
    EXPECT_FALSE(ActionCalls::PathFindPlace(ids, 9));
    const int other[3] = {7, 8, 0};
    EXPECT_FALSE(ActionCalls::PathFindById(other));
}

TEST_F(PathsTest, DamagedFilesAreRefusedLineByLineWithoutWritingOutsideTheTables)
{
    struct Case
    {
        const char* what;
        std::string text;
        int paths;
        int nodes;
        const char* line; // a refusal line, or null
    };
    const Case cases[] = {
        {"empty", "", 0, 0, nullptr},
        {"no path", "0\nplace 1\nposx 3\n", 0, 0, "worlds\\t.w.pth(2): place before any path"},
        {"value before place", "0\nm_pPath 1 2 3\nposx 4\nplace 0\n", 1, 1,
         "worlds\\t.w.pth(3): place value before any place"},
        {"path value before path", "Radius 3\n", 0, 0, "worlds\\t.w.pth(1): path value before any path"},
        {"negative node", "0\nm_pPath 1 2 3\nplace -5\nidx0 -1\n", 1, 1, nullptr},
        {"neighbour 5000", "0\nm_pPath 1 2 3\nplace 0\nidx3 5000\n", 1, 1, nullptr},
        {"negative marker", "0\nm_pPath 1 2 3\nstick_markers 300\nstick -1 x\nstick_left 200 1\n", 1, 0,
         "worlds\\t.w.pth(4): marker index outside the table"},
        {"bad slot", "0\nm_pPath 1 2 3\nplace 0\nidx9 1\n", 1, 1,
         "worlds\\t.w.pth(4): neighbour slot outside 0 to 7"},
        {"huge numbers", "0\nm_pPath 99999999999999999999 -9 1e9\nplace 99999999999999\nstick_markers -4\n",
         1, 1, nullptr},
    };
    for (const Case& c : cases)
    {
        g_PathMgr.Release();
        Parse(c.text);
        EXPECT_EQ(CountPaths(), c.paths) << c.what;
        DWORD nodes = 0;
        for (strPath* p = g_PathMgr.m_pPaths; p; p = p->next)
        {
            nodes += p->node_count;
            EXPECT_LE(p->marker_count, static_cast<DWORD>(MAX_STICK_MARKERS)) << c.what;
            for (strPlace* n = p->places; n; n = n->next)
            {
                EXPECT_EQ(n->edge, 1) << c.what; // no neighbour resolved
                for (strPlace* m : n->neighbours)
                    EXPECT_EQ(m, nullptr) << c.what;
            }
        }
        EXPECT_EQ(nodes, static_cast<DWORD>(c.nodes)) << c.what;
        if (c.line)
            EXPECT_NE(ConsoleLog().find(c.line), std::string::npos) << c.what << "\n" << ConsoleLog();
    }
    // A graph of more than 4,096 nodes keeps the first 4,096 only.
    g_PathMgr.Release();
    std::string big = "0\nm_pPath 1 1 1\n";
    for (int i = 0; i < 4100; ++i)
        big += "place " + std::to_string(i) + "\n";
    Parse(big);
    EXPECT_EQ(g_PathMgr.m_pPaths->node_count, static_cast<DWORD>(MAX_PATH_NODE_NUMBERS));
}

TEST_F(PathsTest, DirectionSlotsFollowTheCompassSectors)
{
    struct Case
    {
        float x, z;
        int slot;
    };
    // A direction on a sector's border belongs to the sector before it
    // (clockwise from north): due east is slot 1, due south slot 3.
    const Case cases[] = {{0, 1, 0},     {1, 1, 1},     {1, 0, 1},      {1, -1, 3},    {0, -1, 3},
                          {-1, -1, 5},   {-1, 0, 6},    {-1, 1, 6},     {0.2f, 1, 0},  {1, 0.2f, 1},
                          {1, -0.2f, 2}, {-0.2f, 1, 7}, {-1, -0.2f, 5}, {-0.2f, -1, 4}};
    for (const Case& c : cases)
        EXPECT_EQ(CPathMgr::DirectionSlot(c.x, c.z), c.slot) << c.x << " " << c.z;
    // Every slot steps towards its own sector, and wrapping handles negatives.
    for (int slot = 0; slot < PATH_NEIGHBOURS; ++slot)
    {
        int dx = 0, dz = 0;
        CPathMgr::SlotStep(slot, &dx, &dz);
        EXPECT_EQ(CPathMgr::DirectionSlot(static_cast<float>(dx) + 0.01f * static_cast<float>(dz),
                                          static_cast<float>(dz) - 0.01f * static_cast<float>(dx)),
                  slot);
    }
    EXPECT_EQ(CPathMgr::WrapSlot(-2), 6);
    EXPECT_EQ(CPathMgr::WrapSlot(9), 1);
}

TEST_F(PathsTest, RoutesReachGoalsOnTheGraphAndFailedSearchesLeaveNothing)
{
    Scripts("postac a\n");
    // Two halves with a gap between them (column 5 left out).
    strPath* path = Grid(11, 5, 0, 0, [](int i, int) { return i != 5; });
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    g_PathMgr.FindPlaceFor(p);
    ASSERT_EQ(p->place, Node(path, 0));
    EXPECT_EQ(p->path, path);

    g_PathMgr.FillPathTo(p->place, D3DXVECTOR3(8.2f, 0, 7.9f), p, 128);
    ASSERT_GT(p->route_node_count, 0u);
    EXPECT_EQ(p->route_nodes[0], p->place);
    EXPECT_EQ(p->run_target, Node(path, 4 * 11 + 4));
    EXPECT_EQ(p->route_nodes[p->route_node_count - 1], p->run_target);
    for (DWORD i = 1; i < p->route_node_count; ++i)
    {
        bool linked = false;
        for (strPlace* n : p->route_nodes[i - 1]->neighbours)
            linked = linked || n == p->route_nodes[i];
        EXPECT_TRUE(linked) << i;
    }
    EXPECT_GE(p->path_point_count, 2u);
    EXPECT_EQ(p->path_index, 0);
    EXPECT_EQ(p->path_points[0], p->position);

    // Across the gap: no route, no points, no run target.
    g_PathMgr.FillPathTo(p->place, D3DXVECTOR3(20, 0, 0), p, 128);
    EXPECT_EQ(p->route_node_count, 0u);
    EXPECT_EQ(p->path_point_count, 0u);
    EXPECT_EQ(p->run_target, nullptr);
    // Without a place there is no route either.
    g_PathMgr.FillPathTo(nullptr, D3DXVECTOR3(2, 0, 0), p, 128);
    EXPECT_EQ(p->route_node_count, 0u);
}

TEST_F(PathsTest, TheLongestRouteFitsTheRoutePointsAndOneNodeMoreIsOutOfReach)
{
    Scripts("postac a\n");
    strPath* path = Grid(200, 1);
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    g_PathMgr.FindPlaceFor(p);
    p->exact_run_target = D3DXVECTOR3(254.5f, 0, 0.2f);
    g_PathMgr.FillPathTo(p->place, Node(path, 127)->realpos, p, 128);
    ASSERT_EQ(p->route_node_count, 128u);
    EXPECT_LE(p->path_point_count, static_cast<DWORD>(MAX_ROUTE_POINTS));
    EXPECT_EQ(p->path_point_count, 3u * 128u + 1u + 1u);
    EXPECT_EQ(p->path_points[p->path_point_count - 1], p->exact_run_target);
    g_PathMgr.FillPathTo(p->place, Node(path, 128)->realpos, p, 128);
    EXPECT_EQ(p->route_node_count, 0u);
    EXPECT_EQ(p->path_point_count, 0u);
}

TEST_F(PathsTest, SharpCornersAreCutAndGentleOnesSmoothed)
{
    Scripts("postac a\n");
    // An L: along x, then a right angle up z.
    strPath* path = Grid(4, 4, 0, 0, [](int i, int k) { return k == 0 || i == 3; });
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    g_PathMgr.FindPlaceFor(p);
    g_PathMgr.FillPathTo(p->place, Node(path, 15)->realpos, p, 128);
    ASSERT_GT(p->route_node_count, 0u);
    // No point is left where the route turns by 90 degrees or more.
    for (DWORD i = 1; i + 1 < p->path_point_count; ++i)
    {
        D3DXVECTOR3 in = p->path_points[i] - p->path_points[i - 1];
        D3DXVECTOR3 out = p->path_points[i + 1] - p->path_points[i];
        const float li = D3DXVec3Length(&in), lo = D3DXVec3Length(&out);
        if (li >= 0.04f && lo >= 0.04f)
            EXPECT_GT(D3DXVec3Dot(&in, &out) / (li * lo), 0.1f) << i;
    }
    EXPECT_EQ(p->path_points[p->path_point_count - 1], Node(path, 15)->realpos);
}

TEST_F(PathsTest, WrittenGraphsReadBackTheSame)
{
    strPath* path = Grid(
        5, 3, -4, 6, [](int i, int k) { return !(i == 2 && k == 1); },
        [](int i, int) { return 0.25f * static_cast<float>(i); });
    path->marker_count = 1;
    std::snprintf(path->markers[0].name, sizeof path->markers[0].name, "%s", "gate");
    path->markers[0].left = 3;
    std::filesystem::create_directories("worlds");
    ASSERT_TRUE(g_PathMgr.WriteFile("worlds\\round.w.pth"));
    CPathMgr copy;
    ASSERT_TRUE(copy.LoadFile("worlds\\round.w.pth"));
    ASSERT_NE(copy.m_pPaths, nullptr);
    const strPath* back = copy.m_pPaths;
    EXPECT_EQ(back->node_count, path->node_count);
    EXPECT_EQ(back->marker_count, 1u);
    EXPECT_STREQ(back->markers[0].name, "gate");
    EXPECT_EQ(back->markers[0].left, 3);
    EXPECT_EQ(back->markers[0].right, -1);
    for (const strPlace* n = path->places; n; n = n->next)
    {
        const strPlace* m = CPathMgr::FindNodeByIndex(back, static_cast<int>(n->number));
        ASSERT_NE(m, nullptr) << n->number;
        EXPECT_NEAR(m->realpos.x, n->realpos.x, 1e-5f);
        EXPECT_NEAR(m->realpos.y, n->realpos.y, 1e-5f);
        EXPECT_NEAR(m->pos.z, n->pos.z, 1e-5f);
        EXPECT_EQ(m->edge, n->edge);
        for (int s = 0; s < PATH_NEIGHBOURS; ++s)
            EXPECT_EQ(m->neighbours[s] ? m->neighbours[s]->number : NO_NEIGHBOUR,
                      n->neighbours[s] ? n->neighbours[s]->number : NO_NEIGHBOUR);
    }
    copy.Release();

    // Reading a graph moves the loading bar 50 steps, shared among its paths.
    const std::string three = "m_pPath 1 0 0\r\nm_pPath 2 0 0\r\nm_pPath 3 0 0\r\n";
    const DWORD before = g_Console.m_dwLoadingDone;
    CPathMgr paths;
    paths.ParseText(three.data(), three.size(), "three.pth");
    EXPECT_EQ(g_Console.m_dwLoadingDone - before, 50u);
    paths.Release();
}

TEST_F(PathsTest, AWorldWithoutAGraphGrowsOneNodeAndWritesIt)
{
    std::filesystem::create_directories("worlds");
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\bare.w");
    g_Engine.m_bWorldLoaded = 1;
    EXPECT_FALSE(g_PathMgr.PathFileExists());
    // An empty file (a write cut short) counts as none.
    temp->Write("worlds/bare.w.pth", "");
    EXPECT_FALSE(g_PathMgr.PathFileExists());
    HOBJECT floor = Wall(D3DXVECTOR3(0, -0.5f, 0), D3DXVECTOR3(40, 1, 40));
    HOBJECT generator = Wall(D3DXVECTOR3(3, 0.5f, 4), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    const float params[5] = {0.0f, 2.0f, 0.5f, 30.0f, 0.0f};
    g_Engine.SetObjectPathGenParams(generator, params);
    g_PathMgr.AddMeshNodes(generator);
    ASSERT_EQ(CountPaths(), 1);
    EXPECT_EQ(g_PathMgr.m_pPaths->node_count, 1u);
    g_PathMgr.AddMeshNodes(generator);
    EXPECT_EQ(CountPaths(), 1);
    EXPECT_NE(ConsoleLog().find("Juz jest sciezka z meshem!"), std::string::npos);
    g_PathMgr.SavePaths();
    EXPECT_TRUE(g_PathMgr.PathFileExists());
    g_PathMgr.Release();
    g_PathMgr.LoadPaths();
    ASSERT_EQ(CountPaths(), 1);
    EXPECT_NEAR(g_PathMgr.m_pPaths->places->realpos.y, 0.0f, 1e-4f);
    EXPECT_NEAR(g_PathMgr.m_pPaths->places->realpos.x, 3.0f, 1e-4f);
    (void)floor;
}
