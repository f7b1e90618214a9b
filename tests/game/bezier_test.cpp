// Bezier paths: the node file, objects travelling along paths (visits,
// pauses, blockers, scripts, frame clamp) and the path queries, plus the
// fly-through camera's start and stop.
#include "game_fixture.h"

#include "game/BezierCamera.h"
#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "shell/Mouse.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{
using gametest::Contains;

struct Node
{
    std::string name;
    int nr;
    float x, y, z;
    int next; // -1: no next_in_path_nr line
    float speed = 10.0f;
    std::string extra; // further lines
};

// A node whose shape controls lie a third and two thirds of the way to the
// next node, so that its segment is the straight line between them.
std::string NodeFile(const std::vector<Node>& nodes)
{
    std::string text = "; nodes\r\n";
    for (const Node& n : nodes)
    {
        const Node* next = nullptr;
        for (const Node& m : nodes)
            if (m.nr == n.next)
                next = &m;
        const float nx = next ? next->x : n.x, ny = next ? next->y : n.y, nz = next ? next->z : n.z;
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "bezier_node %s\r\nnr %d\r\npos %g %g %g\r\nksztalt1 %g %g %g\r\nksztalt2 %g %g %g\r\n"
                      "values %g 0 0 0 0\r\n",
                      n.name.c_str(), n.nr, n.x, n.y, n.z, n.x + (nx - n.x) / 3, n.y + (ny - n.y) / 3,
                      n.z + (nz - n.z) / 3, n.x + 2 * (nx - n.x) / 3, n.y + 2 * (ny - n.y) / 3,
                      n.z + 2 * (nz - n.z) / 3, n.speed);
        text += buf;
        if (n.next >= 0)
            text += "next_in_path_nr " + std::to_string(n.next) + "\n";
        text += n.extra;
    }
    return text;
}

// A to B to C along x, 10 units each; C ends the path.
std::vector<Node> OpenPath()
{
    return {{"open", 1, 0, 0, 0, 2}, {"", 2, 10, 0, 0, 3}, {"", 3, 20, 0, 0, 99}};
}
// A to B and back, 20 units a lap.
std::vector<Node> ClosedPath()
{
    return {{"loop", 1, 0, 0, 0, 2}, {"", 2, 10, 0, 0, 1}};
}

class Bezier : public gametest::GameTest
{
protected:
    void TearDown() override
    {
        g_BezierCamera.Stop();
        g_Engine.DeleteAllObjects();
        g_BezierMgr.DeleteAll();
        GameTest::TearDown();
    }

    void Load(const std::vector<Node>& nodes, const std::string& more = "")
    {
        m_dir->Write("worlds/test.bzr", NodeFile(nodes) + more);
        ASSERT_TRUE(g_BezierMgr.LoadNodes("worlds\\test.bzr"));
    }

    // A light following the path, started.
    HOBJECT Follower(const char* path, DWORD maxVisits = 0, double firstPause = 0.0, double laterPause = 0.0)
    {
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        EXPECT_NE(o, nullptr);
        if (!o)
            return nullptr;
        g_Engine.SetObjectName(o, "mover");
        BezierFollowState s;
        s.bOn = 1;
        s.iValue = maxVisits;
        s.dFirstVisitPause = firstPause;
        s.dLaterVisitPause = laterPause;
        std::snprintf(s.szStartNode, sizeof s.szStartNode, "%s", path);
        g_Engine.SetObjectBezierFollowState(o, &s);
        g_Engine.StartBezierMoving(o);
        return o;
    }

    // Runs the object for the time in 0.04 s steps.
    static void Run(HOBJECT o, double seconds)
    {
        for (double t = 0.0; t < seconds - 1e-9; t += 0.04)
            g_BezierMgr.MoveObject(o, 0.04);
    }
    static D3DXVECTOR3 At(HOBJECT o) { return o->pBezierMove->vVelocity; }
};

TEST_F(Bezier, NodeFileGivesPathsAndQueries)
{
    Load(OpenPath(), NodeFile({{"other", 7, 0, 5, 0, 8}, {"", 8, 0, 5, 4, -1}}));
    // A straight segment is as long as its ends are apart.
    EXPECT_NEAR(g_BezierMgr.GetPathLength("open"), 20.0, 1e-3);
    EXPECT_NEAR(g_BezierMgr.GetPathLength("OPEN"), 20.0, 1e-3) << "names are case-blind";
    EXPECT_EQ(g_BezierMgr.GetPathLength("nowhere"), 0.0);
    EXPECT_EQ(g_BezierMgr.FindPath(""), nullptr);
    ASSERT_NE(g_BezierMgr.FindNodeById(2), nullptr);
    EXPECT_EQ(g_BezierMgr.FindNodeById(2)->position.x, 10.0f);

    struct Row
    {
        double d;
        D3DXVECTOR3 position;
    };
    for (const Row& r :
         {Row{-5.0, {0, 0, 0}}, Row{5.0, {5, 0, 0}}, Row{15.0, {15, 0, 0}}, Row{500.0, {20, 0, 0}}})
    {
        SCOPED_TRACE(r.d);
        D3DXVECTOR3 p(-1, -1, -1), dir(0, 0, 0);
        g_BezierMgr.GetPointAt("open", r.d, &p, &dir);
        EXPECT_NEAR(p.x, r.position.x, 1e-3);
        EXPECT_NEAR(p.y, r.position.y, 1e-3);
        EXPECT_NEAR(dir.x, 1.0f, 1e-3) << "the path runs along +x";
    }
    D3DXVECTOR3 untouched(7, 7, 7);
    g_BezierMgr.GetPointAt("nowhere", 1.0, &untouched, nullptr);
    EXPECT_EQ(untouched.x, 7.0f);

    D3DXVECTOR3 nearest(0, 0, 0);
    double along = -1.0;
    const D3DXVECTOR3 p(12.0f, 3.0f, 0.0f);
    g_BezierMgr.ProjectPointOnPath("open", &p, &nearest, &along);
    EXPECT_NEAR(nearest.x, 12.0f, 0.1f);
    EXPECT_NEAR(along, 12.0, 0.1);
}

TEST_F(Bezier, LoopsEndTheQueries)
{
    // Two nodes pointing at each other: the length stops after both, and a
    // point far past it still comes back.
    Load(ClosedPath());
    EXPECT_NEAR(g_BezierMgr.GetPathLength("loop"), 20.0, 1e-3);
    D3DXVECTOR3 p(-1, -1, -1);
    g_BezierMgr.GetPointAt("loop", 1e9, &p, nullptr);
    EXPECT_TRUE(std::isfinite(p.x));
}

TEST_F(Bezier, VisitLimitStopsOpenAndClosedPaths)
{
    struct Row
    {
        const char* what;
        std::vector<Node> nodes;
        const char* path;
        float endX;
    };
    for (const Row& r : {Row{"open: twice, then stop at its end", OpenPath(), "open", 20.0f},
                         Row{"closed: stop on the third arrival at the start", ClosedPath(), "loop", 0.0f}})
    {
        SCOPED_TRACE(r.what);
        Load(r.nodes);
        HOBJECT o = Follower(r.path, 2);
        ASSERT_NE(o, nullptr);
        Run(o, 3.0);
        EXPECT_TRUE(g_Engine.IsMovingOnBezier(o)) << "second lap under way";
        EXPECT_EQ(o->pBezierMove->iCount, 2u);
        Run(o, 2.0);
        EXPECT_FALSE(g_Engine.IsMovingOnBezier(o));
        EXPECT_NEAR(At(o).x, r.endX, 1e-3);
        g_Engine.DeleteObject(o);
    }
}

TEST_F(Bezier, VisitPausesHoldAtTheStartNode)
{
    Load(ClosedPath());
    HOBJECT o = Follower("loop", 0, 3.0, 1.0);
    Run(o, 2.96);
    EXPECT_NEAR(At(o).x, 0.0f, 1e-3) << "the first-visit pause";
    Run(o, 0.52);
    EXPECT_NEAR(At(o).x, 5.0f, 0.5f);
    // Back at the start at 5 s, then a 1 s later-visit pause.
    Run(o, 1.52 + 0.8);
    EXPECT_NEAR(At(o).x, 0.0f, 1e-3);
    Run(o, 0.6);
    EXPECT_GT(At(o).x, 1.0f);
}

TEST_F(Bezier, LongFramesAreClamped)
{
    Load(OpenPath());
    HOBJECT slow = Follower("open");
    HOBJECT fast = Follower("open");
    g_BezierMgr.MoveObject(slow, 0.08);
    g_BezierMgr.MoveObject(fast, 0.5);
    EXPECT_NEAR(At(slow).x, 0.8f, 1e-3);
    EXPECT_NEAR(At(fast).x, At(slow).x, 1e-5);
}

TEST_F(Bezier, BlockersHoldUntilPassingIsAllowed)
{
    std::vector<Node> nodes = OpenPath();
    nodes[1].extra = "blocker 1\n";
    Load(nodes);
    HOBJECT o = Follower("open");
    Run(o, 2.0);
    EXPECT_NEAR(At(o).x, 10.0f, 1e-3) << "waiting at the blocker";
    Run(o, 1.0);
    EXPECT_NEAR(At(o).x, 10.0f, 1e-3);
    g_Engine.SetBezierPaused(o, 1); // passing allowed
    Run(o, 0.52);
    EXPECT_NEAR(At(o).x, 15.0f, 0.5f);
    EXPECT_EQ(o->pBezierMove->bRunning, 1) << "back to stopping at the next blocker";
}

TEST_F(Bezier, TheSwitchActionSlowsToAStopAndStartsAgain)
{
    std::vector<Node> nodes = ClosedPath();
    Load(nodes);
    HOBJECT o = Follower("loop");
    EObjectActionParams p;
    p.dwEnabled = 1;
    p.action_next_run_after = 0.0f;
    p.action_general_2_once = 0;
    p.action_switch_moving_on_action = 1;
    g_Engine.SetObjectActionParams(o, &p);
    Run(o, 0.4);
    // A moving object slows down over two seconds and stays put, still active.
    g_Engine.RunObjectAction("mover", 0);
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 1u);
    Run(o, 2.2);
    const float stopped = At(o).x;
    Run(o, 1.0);
    EXPECT_EQ(At(o).x, stopped);
    EXPECT_TRUE(g_Engine.IsMovingOnBezier(o));
    // The next use speeds it up again (the object pass would have ended the
    // first run by now).
    o->bActionRunning = 0;
    g_Engine.RunObjectAction("mover", 0);
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 2u);
    Run(o, 3.0);
    EXPECT_NE(At(o).x, stopped);
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 0u) << "the ramp ends at full speed";
    // A stopped object is sent along its path again, from rest.
    g_Engine.StopBezierMoving(o);
    o->bActionRunning = 0;
    g_Engine.RunObjectAction("mover", 0);
    EXPECT_TRUE(g_Engine.IsMovingOnBezier(o));
    EXPECT_EQ(o->pBezierMove->iSpeedMode, 2u);
    EXPECT_EQ(o->pBezierMove->dSpeed, 0.0);
}

TEST_F(Bezier, EnteringANodeRunsItsScripts)
{
    std::vector<Node> nodes = ClosedPath();
    nodes[1].extra = "gameai_set cart_lap\ngameai_unset cart_home\n";
    nodes[0].extra = "gameai_set cart_home\n";
    Load(nodes);
    HOBJECT o = Follower("loop");
    EXPECT_TRUE(g_GameAI.IsVariableSet("cart_home"));
    EXPECT_FALSE(g_GameAI.IsVariableSet("cart_lap"));
    Run(o, 1.2);
    EXPECT_TRUE(g_GameAI.IsVariableSet("cart_lap"));
    EXPECT_FALSE(g_GameAI.IsVariableSet("cart_home"));
}

TEST_F(Bezier, TheFramePassMovesObjectsUnlessTheMenuIsOpen)
{
    Load(OpenPath());
    HOBJECT o = Follower("open");
    g_Engine.m_fDeltaTime = 0.05f;
    g_Menu.m_bMenuActive = 1;
    g_BezierMgr.UpdateObjectsOnBezier();
    D3DXVECTOR3 p(-1, -1, -1);
    g_Engine.GetObjectPosition(o, &p);
    EXPECT_NE(p.x, 0.5f);
    g_Menu.m_bMenuActive = 0;
    g_BezierMgr.UpdateObjectsOnBezier();
    g_Engine.GetObjectPosition(o, &p);
    EXPECT_NEAR(p.x, 0.5f, 1e-4);
}

TEST_F(Bezier, FollowersStartOrArePlacedAtLoad)
{
    HOBJECT started = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    HOBJECT placed = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
    for (HOBJECT o : {started, placed})
    {
        BezierFollowState s;
        s.bOn = 1;
        s.bOption1 = o == started;
        std::snprintf(s.szStartNode, sizeof s.szStartNode, "%s", "loop");
        g_Engine.SetObjectBezierFollowState(o, &s);
    }
    const D3DXVECTOR3 away(50.0f, 50.0f, 50.0f);
    g_Engine.SetObjectPosition(placed, &away, 0);
    std::vector<Node> nodes = ClosedPath();
    nodes[0].x = 3.0f;
    Load(nodes);
    EXPECT_TRUE(g_Engine.IsMovingOnBezier(started));
    EXPECT_FALSE(g_Engine.IsMovingOnBezier(placed));
    D3DXVECTOR3 p(0, 0, 0);
    g_Engine.GetObjectPosition(placed, &p);
    EXPECT_NEAR(p.x, 3.0f, 1e-4);
    EXPECT_NEAR(p.y, 0.0f, 1e-4);
}

TEST_F(Bezier, BadNodeFilesNeitherHangNorGiveNaN)
{
    struct Row
    {
        const char* what;
        std::string file;
        const char* line; // a console line the load prints, or ""
    };
    const std::vector<Row> rows = {
        {"one node pointing at itself",
         "bezier_node one\nnr 0\npos 1 2 3\nksztalt1 1 2 3\nksztalt2 1 2 3\nvalues 5 0 0 0 0\n",
         "ERROR in BezierMgr.cpp: Bezier Node length is zero!"},
        {"a loop of zero length",
         "bezier_node one\nnr 0\npos 1 2 3\nksztalt1 1 2 3\nksztalt2 1 2 3\nnext_in_path_nr 1\nvalues 5 0 0 "
         "0 0\nbezier_node\nnr 1\npos 1 2 3\nksztalt1 1 2 3\nksztalt2 1 2 3\nnext_in_path_nr 0\nvalues 5 0 0 "
         "0 0\n",
         "ERROR in BezierMgr.cpp: Bezier Node length is zero!"},
        {"a negative speed", NodeFile({{"one", 0, 0, 0, 0, 1, -4.0f}, {"", 1, 5, 0, 0, 0}}),
         "worlds\\test.bzr: negative bezier speed read as 0 in node one"},
        {"a successor that does not exist", NodeFile({{"one", 0, 0, 0, 0, 12}}), ""},
        {"numbers that are not numbers", "bezier_node one\nnr x\npos nan inf 1e999\nvalues -nan 1e40\n", ""},
        {"a truncated line", "bezier_node one\nnr 0\npos 1 2", ""},
        {"a name too long", "bezier_node " + std::string(600, 'n') + "\npos 1 1 1\n", ""},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.what);
        const size_t from = ConsoleLog().size();
        m_dir->Write("worlds/test.bzr", r.file);
        ASSERT_TRUE(g_BezierMgr.LoadNodes("worlds\\test.bzr"));
        if (*r.line)
            EXPECT_TRUE(Contains(gametest::LogLinesSince(from), r.line)) << ConsoleLog().substr(from);
        const BezierNode* first = g_BezierMgr.GetNodes();
        ASSERT_NE(first, nullptr);
        while (first->listNext)
            first = first->listNext;
        HOBJECT o = Follower(first->name);
        Run(o, 2.0);
        EXPECT_TRUE(std::isfinite(At(o).x) && std::isfinite(At(o).y) && std::isfinite(At(o).z));
        const EOrientation& q = o->pBezierMove->Orientation;
        EXPECT_TRUE(std::isfinite(q.Quaternion.x) && std::isfinite(q.Quaternion.w));
        D3DXVECTOR3 p(0, 0, 0);
        g_BezierMgr.GetPointAt(first->name, 1e6, &p, nullptr);
        EXPECT_TRUE(std::isfinite(p.x));
        g_BezierMgr.GetPathLength(first->name);
        g_Engine.DeleteObject(o);
    }
    EXPECT_FALSE(g_BezierMgr.LoadNodes("worlds\\missing.bzr"));
    EXPECT_EQ(g_BezierMgr.GetNodes(), nullptr);
}

TEST_F(Bezier, AMissingStartNodeIsReportedAndNothingMoves)
{
    Load(OpenPath());
    HOBJECT o = Follower("open");
    std::snprintf(o->pBezierFollow->szStartNode, BEZIER_NODE_NAME_SIZE, "%s", "gone");
    const D3DXVECTOR3 before = At(o);
    g_BezierMgr.MoveObject(o, 0.04);
    EXPECT_EQ(At(o).x, before.x);
    const auto lines = Log();
    EXPECT_TRUE(Contains(lines, "ERROR: Start bezier node not found!"));
    EXPECT_TRUE(Contains(lines, "gone"));
    EXPECT_TRUE(Contains(lines, "mover"));
}

// ---- The fly-through ------------------------------------------------------------------------

TEST_F(Bezier, FlyThroughTakesOneOrTwoNamesAndRefusesLongOnes)
{
    g_BezierCamera.Start("  flight  ");
    EXPECT_EQ(g_BezierCamera.m_bRunning, 1);
    EXPECT_STREQ(g_BezierCamera.m_szPath, "flight");
    EXPECT_STREQ(g_BezierCamera.m_szTarget, "");
    // No marker mesh in this folder: reported, and the flight is still on.
    EXPECT_TRUE(Contains(Log(), "Camera mesh not created!"));
    g_BezierCamera.Start("flight  the target");
    EXPECT_STREQ(g_BezierCamera.m_szPath, "flight");
    EXPECT_STREQ(g_BezierCamera.m_szTarget, "the target");
    g_BezierCamera.Start(std::string(64, 'p').c_str());
    EXPECT_EQ(g_BezierCamera.m_bRunning, 0) << "a name that does not fit starts nothing";
    g_BezierCamera.Start("");
    EXPECT_EQ(g_BezierCamera.m_bRunning, 0);
}

TEST_F(Bezier, FlyThroughWaitsForTheConsoleAndGivesTheMouseBack)
{
    g_Mouse.m_State.x = 1.25;
    g_Mouse.m_State.y = -0.5;
    g_BezierCamera.Start("flight");
    g_Console.m_bOpen = 1;
    g_BezierCamera.Update();
    EXPECT_EQ(g_BezierCamera.m_bStarted, 0) << "the console is open";
    EXPECT_EQ(g_Mouse.m_State.x, 1.25);
    g_Console.m_bOpen = 0;
    g_BezierCamera.Update();
    EXPECT_EQ(g_BezierCamera.m_bStarted, 1);
    EXPECT_EQ(g_Mouse.m_State.x, 0.0);
    g_Mouse.m_State.x = 0.3; // turned during the flight
    g_BezierCamera.Stop();
    EXPECT_EQ(g_BezierCamera.m_bRunning, 0);
    EXPECT_EQ(g_Mouse.m_State.x, 1.25);
    EXPECT_EQ(g_Mouse.m_State.y, -0.5);
}
} // namespace
