// Where phases send characters and how they get there: the estimates' goal
// rules, the side run, the patrol, movement speed, footsteps, turning, the
// route step and scripted runs.
#include "characters_fixture.h"
#include "path_graph.h"

#include "game/BezierMgr.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

using namespace chartest;

class RoutesTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        g_PathMgr.Release();
    }
    void TearDown() override
    {
        g_BezierMgr.DeleteAll();
        g_PathMgr.Release();
        CharactersTest::TearDown();
    }

    // A character of description "a" on the graph, with a target at a point.
    strpostac* OnGraph(const D3DXVECTOR3& at, const char* faza = nullptr)
    {
        strpostac* p = Character("a", at, "runner");
        if (!p)
            return nullptr;
        g_PathMgr.FindPlaceFor(p);
        if (faza)
            p->faza = CPostacMgr::FindFaza(p->desc, faza);
        return p;
    }
    static void Aim(strpostac* p, const D3DXVECTOR3& target, HOBJECT object)
    {
        p->target = object;
        p->target_position = target;
        const D3DXVECTOR3 d = target - p->position;
        p->target_distance = D3DXVec3Length(&d);
    }
    // Phases are entered only by a character with an engine object: a small
    // box outside the segment tables stands in for its model.
    static void GiveModel(strpostac* p)
    {
        const float at[3] = {p->position.x, p->position.y, p->position.z};
        const float scale[3] = {0.1f, 0.1f, 0.1f};
        p->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, scale);
        ASSERT_NE(p->model, nullptr);
        g_Engine.SetObjectFlags2(p->model, CHARACTER_WORN_FLAGS2, CHARACTER_WORN_FLAGS2);
    }
    static float GoalX(const strpostac* p) { return p->run_target ? p->run_target->realpos.x : -1e9f; }
};

TEST_F(RoutesTest, GoalDistanceRulesOfTheEstimates)
{
    Scripts("postac a\nfaza stoi\n");
    Grid(60, 3, -20, -2); // x from -20 to 98
    HOBJECT marker = Wall(D3DXVECTOR3(0, 50, 0), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(p, nullptr);

    // Away from the target: 16 units when it is 5 away, 32 when it is 40 away,
    // on the character's own level.
    struct Away
    {
        float targetX, goalX;
    };
    for (const Away& a : {Away{-5.0f, 16.0f}, Away{-40.0f, 32.0f}, Away{-20.0f, 20.0f}})
    {
        Aim(p, D3DXVECTOR3(a.targetX, 3.0f, 0.0f), marker);
        PMgr.EstimateOdGracza(p);
        EXPECT_FLOAT_EQ(GoalX(p), a.goalX) << a.targetX;
        EXPECT_FLOAT_EQ(p->run_target ? p->run_target->realpos.y : -1.0f, 0.0f);
    }

    // Towards the target: nothing beyond 200; within, 2.0, 3.5 or 5.0 short.
    Aim(p, D3DXVECTOR3(250.0f, 0, 0), marker);
    PMgr.EstimateDoGracza(p);
    EXPECT_EQ(p->route_node_count, 0u);
    for (int i = 0; i < 12; ++i)
    {
        Aim(p, D3DXVECTOR3(40.0f, 0, 0), marker);
        PMgr.EstimateDoGracza(p);
        const float x = GoalX(p);
        EXPECT_TRUE(std::fabs(x - 38.0f) < 1.01f || std::fabs(x - 36.5f) < 1.01f ||
                    std::fabs(x - 35.0f) < 1.01f)
            << x;
    }

    // Straight ahead by "estimate_przod" 0: the character's own node.
    p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
    PMgr.EstimatePrzod(p);
    EXPECT_EQ(p->run_target, p->place);

    // A named character that does not exist builds no route.
    std::snprintf(p->faza->estimate_do_postaci, sizeof p->faza->estimate_do_postaci, "%s", "nobody");
    PMgr.EstimateDoPostaci(p);
    EXPECT_EQ(p->route_node_count, 0u);
    p->faza->estimate_do_postaci[0] = 0;
}

TEST_F(RoutesTest, FiringPointsHaveAClearLineAndCoverHasNone)
{
    Scripts("postac a\n");
    Grid(21, 11, -20, -10);
    // A wall north of the character hides the target behind it.
    Wall(D3DXVECTOR3(0, 1.5f, 5), D3DXVECTOR3(12, 3, 1));
    HOBJECT target = Wall(D3DXVECTOR3(0, 0.5f, 8), D3DXVECTOR3(0.2f, 0.2f, 0.2f));
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(p, nullptr);
    Aim(p, D3DXVECTOR3(0, 0, 8), target);

    // Nearer than 10: the search over the whole path, to a node with a clear line.
    PMgr.EstimateDoStrzalu(p);
    ASSERT_NE(p->run_target, nullptr);
    D3DXVECTOR3 eye = p->run_target->realpos + D3DXVECTOR3(0, 1.5f, 0);
    EXPECT_FALSE(PMgr.IsSegmentBlocked(&eye, target, &p->target_position));

    // Cover: an edge node whose eye point cannot see the target.
    PMgr.EstimateKryjowka(p);
    ASSERT_NE(p->run_target, nullptr);
    EXPECT_EQ(p->run_target->edge, 1);
    eye = p->run_target->realpos + D3DXVECTOR3(0, 1.5f, 0);
    EXPECT_TRUE(PMgr.IsSegmentBlocked(&eye, target, &p->target_position));

    // The free sides: false under 30 from the target whatever the graph says.
    p->target_distance = 29.9f;
    EXPECT_FALSE(PMgr.IsLeftFree(p));
    p->target_distance = 30.0f;
    EXPECT_TRUE(PMgr.IsLeftFree(p));
    p->place = nullptr;
    EXPECT_FALSE(PMgr.IsSideFree(p, 1));
}

TEST_F(RoutesTest, SideRunsStepsAndWeavesFollowTheGraph)
{
    Scripts("postac a\nfaza stoi\n");
    strPath* line = Grid(40, 1);
    HOBJECT marker = Wall(D3DXVECTOR3(0, 50, 0), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0), "stoi");
    ASSERT_NE(p, nullptr);
    Aim(p, D3DXVECTOR3(0, 0, 30), marker); // north: slot 0 has no neighbour, slot 2 (east) runs on
    PMgr.EstimateBok(p);
    EXPECT_EQ(p->route_node_count, 26u);
    EXPECT_EQ(p->run_target, Node(line, 26));

    // A step to the right of a target due north is east: the one neighbour.
    PMgr.EstimateKroczek(p, 1);
    EXPECT_EQ(p->route_node_count, 1u);
    EXPECT_EQ(p->run_target, Node(line, 1));

    // The weave finds a node at least 8 away within four rings, and runs.
    p->place = Node(line, 10);
    p->position = p->place->realpos;
    EXPECT_TRUE(PMgr.EstimateKluczy(p));
    ASSERT_NE(p->run_target, nullptr);
    D3DXVECTOR3 d = p->run_target->realpos - p->place->realpos;
    EXPECT_GE(D3DXVec3Length(&d), 8.0f);
    EXPECT_EQ(p->running_nodes, 1);
    // A place whose neighbourhood holds nothing that far fails.
    g_PathMgr.Release();
    strPath* small = Grid(3, 1);
    p->path = small;
    p->place = Node(small, 0);
    EXPECT_FALSE(PMgr.EstimateKluczy(p));
    // The step left of the lone node has no neighbour: it weaves (and fails).
    PMgr.EstimateKroczek(p, -1);
    EXPECT_EQ(p->route_node_count, 0u);
}

TEST_F(RoutesTest, APatrolTakesOnlyLevelNeighbours)
{
    Scripts("postac a\nfaza chodzi\npatrol\n");
    // The centre of a 3 x 3 grid; every neighbour but the east one is 0.2 higher.
    strPath* path = Grid(3, 3, 0, 0, {},
                         [](int i, int k) { return (i == 1 && k == 1) || (i == 2 && k == 1) ? 0.0f : 0.2f; });
    strpostac* p = OnGraph(D3DXVECTOR3(2, 0, 2), "chodzi");
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->place, Node(path, 4));
    for (int i = 0; i < 20; ++i)
    {
        p->move_direction = D3DXVECTOR3(static_cast<float>(i % 3) - 1.0f, 0, 1);
        PMgr.EstimatePatrol(p);
        ASSERT_EQ(p->route_node_count, 2u);
        EXPECT_EQ(p->route_nodes[1], Node(path, 5));
        EXPECT_EQ(p->running_nodes, 1);
    }
    // With the east node 0.16 higher too, there is nowhere to go.
    Node(path, 5)->realpos.y = 0.16f;
    PMgr.EstimatePatrol(p);
    EXPECT_EQ(p->route_node_count, 0u);
    EXPECT_EQ(p->running_nodes, 0);
}

TEST_F(RoutesTest, SpeedFootstepsAndTurnsFollowTheAnimation)
{
    struct Speed
    {
        const char* animation;
        float speed;
    };
    const Speed speeds[] = {
        {"biegnie_zaalarmowany1", 5.0f},  {"stoi_strzela", 2.0f},   {"BIEG_BRON_2", 5.0f},
        {"chodzi_ambient_wolniej", 1.2f}, {"chodzi_ambient", 1.6f}, {"idzie2", 1.4f},
        {"czujny_idzie", 1.8f},           {"sprint2", 5.6f},        {"patrol_lewo", 1.6f}};
    // Asked again, in another order and after more other names than are
    // remembered, every name still gives its own speed.
    for (int pass = 0; pass < 3; ++pass)
    {
        for (size_t k = 0; k < std::size(speeds); ++k)
        {
            const Speed& s = speeds[pass == 1 ? std::size(speeds) - 1 - k : k];
            EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(s.animation), s.speed) << s.animation;
        }
        for (int n = 0; n < 20; ++n)
            EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(("stoi" + std::to_string(n)).c_str()), 2.0f);
    }
    // The speed follows the name a character's buffer holds now, and a name
    // too long to remember is read each time.
    char playing[strSequenceCharacter::NAME_SIZE] = "bieg";
    EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(playing), 5.0f);
    std::snprintf(playing, sizeof playing, "%s", "idzie");
    EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(playing), 1.8f);
    std::snprintf(playing, sizeof playing, "%s", "idzie2");
    EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(playing), 1.4f);
    const std::string longName = std::string(100, 'x') + "sprint";
    for (int i = 0; i < 2; ++i)
        EXPECT_FLOAT_EQ(CPostacMgr::AnimationSpeed(longName.c_str()), 5.6f);

    // Two steps per loop of a walk, none for a run named "bieg".
    float first = 0, second = 0;
    ASSERT_TRUE(CPostacMgr::FootstepTimes("civ_czujny_idzie", &first, &second));
    EXPECT_FLOAT_EQ(first, 0.77f);
    EXPECT_FALSE(CPostacMgr::FootstepTimes("bieg", &first, &second));
    ASSERT_TRUE(CPostacMgr::FootstepTimes("biegnie_zaalarmowany2", &first, &second));
    EXPECT_FLOAT_EQ(second, 1.68f);
    int state = 7; // out of range: starts as at the end of a loop
    int steps = 0;
    const float loop = 2.0f;
    for (int frame = 0; frame < 400; ++frame)
        steps +=
            CPostacMgr::FootstepDue(&state, std::fmod(0.05f * static_cast<float>(frame), loop), 0.3f, 1.68f)
                ? 1
                : 0;
    EXPECT_EQ(steps, 2 * 10); // ten loops
    EXPECT_STREQ(CPostacMgr::FootstepSet(3), "sounds\\steps\\sand");
    EXPECT_STREQ(CPostacMgr::FootstepSet(5), "sounds\\steps\\concrete");

    // The turn's share of a frame stays within 0.02 and 0.59.
    EXPECT_FLOAT_EQ(CPostacMgr::TurnBlend(0.0001f, false, 0.0f, true, false), 0.02f);
    EXPECT_FLOAT_EQ(CPostacMgr::TurnBlend(0.5f, false, 0.0f, true, false), 0.59f);
    EXPECT_NEAR(CPostacMgr::TurnBlend(0.01f, true, 2.0f, false, true), 0.0416f, 1e-5f);
    EXPECT_NEAR(CPostacMgr::TurnBlend(0.02f, false, 0.0f, false, false), 0.2496f, 1e-5f);
}

TEST_F(RoutesTest, TheRouteStepCarriesAtMostAThirdPastAPointAndEndsInTheEndPhase)
{
    Scripts("postac a\nfaza idzie\nforce_speed 1\non_koniec stoi\nfaza stoi\n");
    Grid(10, 1);
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0), "idzie");
    ASSERT_NE(p, nullptr);
    GiveModel(p);
    p->path_points[0] = D3DXVECTOR3(0, 0, 0);
    p->path_points[1] = D3DXVECTOR3(1, 0, 0);
    p->path_points[2] = D3DXVECTOR3(1, 0, 10);
    p->path_point_count = 3;
    p->path_index = 1;
    p->route_nodes[0] = p->place;
    p->route_node_count = 1;
    p->running_nodes = 1;
    p->running = 1;
    // A step of 2.0 passes the point at x 1 by 1.0, of which 0.3 is carried.
    g_Engine.m_fDeltaTime = 2.0f / 5.0f;
    p->faza->force_speed = 5.0f;
    PMgr.UpdateBiegPostaci(p);
    EXPECT_EQ(p->path_index, 2);
    EXPECT_NEAR(p->position.x, 1.0f, 1e-5f);
    EXPECT_NEAR(p->position.z, 0.3f, 1e-5f);
    // No step at all while a cut-scene stop is asked for or a frame is too long.
    g_Engine.m_bSkipCutscene = 1;
    PMgr.UpdateBiegPostaci(p);
    EXPECT_NEAR(p->position.z, 0.3f, 1e-5f);
    g_Engine.m_bSkipCutscene = 0;
    g_Engine.m_fDeltaTime = 0.6f;
    PMgr.UpdateBiegPostaci(p);
    EXPECT_NEAR(p->position.z, 0.3f, 1e-5f);
    // Walking on reaches the last point, ends the run and enters "stoi".
    g_Engine.m_fDeltaTime = 0.1f;
    for (int i = 0; i < 100 && p->running_nodes; ++i)
        PMgr.UpdateBiegPostaci(p);
    EXPECT_EQ(p->running_nodes, 0);
    EXPECT_NEAR(p->position.z, 10.0f, 1e-4f);
    ASSERT_NE(p->faza, nullptr);
    EXPECT_STREQ(p->faza->name, "stoi");
    EXPECT_NE(p->place, nullptr);
}

TEST_F(RoutesTest, ScriptedRunsReachTheirArrivalPhaseDirectlyAndOverABezier)
{
    Scripts("postac a\nfaza stoi\nforce_speed 3\nfaza przybyl\n");
    Grid(20, 10, -10, -10);
    HOBJECT mesh = Wall(D3DXVECTOR3(12, 0.5f, 4), D3DXVECTOR3(0.2f, 0.2f, 0.2f));
    g_Engine.SetObjectName(mesh, "cel");
    std::filesystem::create_directories("worlds");
    temp->Write("worlds/run.bzr",
                "bezier_node droga\r\nnr 1\r\npos -6 0 -6\r\nksztalt1 -6 0 -4\r\n"
                "ksztalt2 -6 0 -2\r\nvalues 1 0 0 0 0\r\nnext_in_path_nr 2\r\n"
                "bezier_node \r\nnr 2\r\npos -6 0 0\r\nksztalt1 -6 0 0\r\nksztalt2 -6 0 0\r\n"
                "values 1 0 0 0 0\r\nnext_in_path_nr 99\r\n");
    ASSERT_TRUE(g_BezierMgr.LoadNodes("worlds\\run.bzr"));
    ASSERT_GE(g_BezierMgr.GetPathLength("droga"), 1.0);

    // A missing mesh starts nothing.
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0), "stoi");
    ASSERT_NE(p, nullptr);
    GiveModel(p);
    PMgr.PostacRunTo(p, "nic", "", "przybyl", "bieg");
    EXPECT_EQ(p->postac_running, 0);
    EXPECT_NE(ConsoleLog().find("Nie ma mesha docelowego \"nic\" do biegania postaci!"), std::string::npos);

    struct Case
    {
        const char* bezier;
        BYTE mode;
    };
    for (const Case& c : {Case{"", 2}, Case{"droga", 0}, Case{"no_such_path", 2}})
    {
        p->faza = CPostacMgr::FindFaza(p->desc, "stoi");
        p->position = D3DXVECTOR3(0, 0, 0);
        g_PathMgr.FindPlaceFor(p);
        PMgr.PostacRunTo(p, "cel", c.bezier, "przybyl", "bieg");
        ASSERT_EQ(p->postac_running, 1) << c.bezier;
        EXPECT_EQ(p->run_mode, c.mode) << c.bezier;
        g_Engine.m_fDeltaTime = 0.05f;
        bool wasOnBezier = false;
        for (int i = 0; i < 2000 && p->postac_running; ++i)
        {
            PMgr.PartnerUpdateRunTo(p);
            wasOnBezier = wasOnBezier || p->run_mode == 1;
            if (p->postac_running)
                EXPECT_STREQ(p->faza->name, "stoi"); // held until the arrival
        }
        EXPECT_EQ(p->postac_running, 0) << c.bezier;
        EXPECT_EQ(wasOnBezier, c.mode == 0) << c.bezier;
        EXPECT_STREQ(p->faza->name, "przybyl") << c.bezier;
        EXPECT_NEAR(p->position.x, 12.0f, 0.01f) << c.bezier;
        EXPECT_NEAR(p->position.z, 4.0f, 0.01f) << c.bezier;
    }
}

TEST_F(RoutesTest, AFallBackThatWouldAskForARouteAgainEnds)
{
    // The standing phase weaves, and there is nowhere to weave to.
    Scripts("postac a\npartner\ndefault_faza bot_stoi\nfaza bot_stoi\nestimate_kluczy\n");
    Grid(2, 1);
    strpostac* p = OnGraph(D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(p, nullptr);
    GiveModel(p);
    PMgr.SetFaza(p, "bot_stoi");
    ASSERT_NE(p->faza, nullptr);
    EXPECT_STREQ(p->faza->name, "bot_stoi");
    EXPECT_EQ(p->fallback_depth, 0);
    EXPECT_EQ(p->running_nodes, 0);
    EXPECT_EQ(p->suspended, 0); // a partner is never suspended
}
