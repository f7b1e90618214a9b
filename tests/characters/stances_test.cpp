// How fighting characters stand, crouch and lie, lean out of cover, fire
// their rocket launchers, glint through a sniper scope and notice a thrown
// grenade near them.
#include "fighters_fixture.h"

#include "shell/Console.h"

#include <set>
#include <string>
#include <vector>

using namespace chartest;

namespace
{
constexpr float kFrame = kFightFrame;
constexpr const char* kModel = kFighterModel;
using StancesTest = FightersTest;
} // namespace

TEST_F(StancesTest, StanceChangesTakeTheirTransitionThenTheirShootingPose)
{
    People();
    struct Case
    {
        const char* what;
        const char* desc;
        int stance;
        float timer;
        bool target;
        int stance_after; // -2: standing or crouching
        float timer_after;
        const char* change; // the animation the change starts
        const char* pose;   // the looped pose that follows
    };
    const Case cases[] = {
        {"standing holds under 6 s", "soldier", 0, 5.9f, true, 0, 5.9f, "stoi_strzela", "stoi_strzela"},
        {"crouching holds", "soldier", 1, 0.0f, true, 1, 0.0f, "kuca", "kuca_strzela"},
        {"lying holds", "soldier", 2, 3.0f, true, 2, 3.0f, "lezy", "lezy_strzela"},
        {"no stance yet counts as standing", "soldier", -1, 1.0f, true, 0, 1.0f, "stoi_strzela",
         "stoi_strzela"},
        {"standing, no room to lie: crouch", "soldier", 0, 6.0f, true, 1, 0.0f, "stoi_do_kuca",
         "kuca_strzela"},
        {"crouching, no room to lie: stand", "soldier", 1, 7.0f, true, 0, 0.0f, "kuca_do_stoi",
         "stoi_strzela"},
        {"lying: stand or crouch", "soldier", 2, 7.0f, true, -2, 0.0f, nullptr, nullptr},
        {"a sniper always crouches", "sniper", 2, 1.0f, true, 1, 0.0f, "stoi_do_kuca", "kuca_strzela"},
        {"a partner with nobody looks around", "partner", 1, 9.0f, false, 0, 9.0f, "stoi_celuje_lewo_prawo",
         nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        strpostac* p = Fighter(c.desc, D3DXVECTOR3(0, 0, 0));
        ASSERT_NE(p, nullptr);
        // The target is 10 away, too near for lying.
        const float at[3] = {0, 0, 10};
        p->target = c.target ? g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr) : nullptr;
        p->target_position = D3DXVECTOR3(0, 0, 10);
        p->target_distance = 10.0f;
        p->stance_index = c.stance;
        p->stance_timer = c.timer;
        PMgr.ChangeStance(p);
        EXPECT_TRUE(p->stance_change);
        EXPECT_TRUE(p->pose_started);
        EXPECT_EQ(p->stance_timer, c.timer_after);
        if (c.stance_after == -2)
        {
            EXPECT_TRUE((p->stance_index == 0 && std::string(p->anim.szAnimation) == "lezy_do_stoi") ||
                        (p->stance_index == 1 && std::string(p->anim.szAnimation) == "lezy_do_kuca"))
                << p->stance_index << " " << p->anim.szAnimation;
            PMgr.DeleteCharacter(p);
            continue;
        }
        EXPECT_EQ(p->stance_index, c.stance_after);
        EXPECT_STREQ(p->anim.szAnimation, c.change);
        EXPECT_EQ(p->anim.bLoop, std::string(c.change) == "stoi_celuje_lewo_prawo" ? 1 : 0);

        if (!c.pose)
        {
            PMgr.DeleteCharacter(p);
            continue;
        }
        // The pose waits for the change to finish.
        PMgr.StartShootingPose(p);
        EXPECT_TRUE(p->stance_change);
        EXPECT_STREQ(p->anim.szAnimation, c.change);
        Finish(p);
        PMgr.StartShootingPose(p);
        EXPECT_FALSE(p->stance_change);
        EXPECT_STREQ(p->anim.szAnimation, c.pose);
        EXPECT_EQ(p->anim.bLoop, 1);
        PMgr.DeleteCharacter(p);
    }

    // A partner already looking around is left alone.
    strpostac* partner = Fighter("partner", D3DXVECTOR3(0, 0, 0));
    PMgr.ChangeStance(partner);
    partner->stance_change = 0;
    partner->pose_started = 0;
    PMgr.ChangeStance(partner);
    EXPECT_FALSE(partner->stance_change);
    EXPECT_FALSE(partner->pose_started);
    // Its shooting pose, once a change has finished, is the plain "stoi2".
    PMgr.StartStanceAnimation(partner, "kuca_do_stoi", 0, 0.3f, 1.0f);
    partner->stance_change = 1;
    Finish(partner);
    PMgr.StartShootingPose(partner);
    EXPECT_STREQ(partner->anim.szAnimation, "stoi2");
}

TEST_F(StancesTest, AMissingAnimationIsNamedAndTheOldOneKeepsPlaying)
{
    People("stoi_do_kuca");
    strpostac* p = Fighter("sniper", D3DXVECTOR3(0, 0, 0), "snip");
    PMgr.StartStanceAnimation(p, "kuca", 1, 0.2f, 1.0f);
    PMgr.ChangeStance(p);
    EXPECT_EQ(p->stance_index, 1);
    EXPECT_STREQ(p->anim.szAnimation, "kuca");
    EXPECT_STREQ(p->model->szAnimation, "kuca");
    EXPECT_NE(ConsoleLog().find("snip - brak animacji \"stoi_do_kuca\""), std::string::npos) << ConsoleLog();
}

TEST_F(StancesTest, LyingDownNeedsDistanceLevelGroundAndAClearLine)
{
    People();
    const float targetAt[3] = {0, 0, 25};
    HOBJECT target = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, targetAt, nullptr);
    g_Engine.PrepareObject(target);
    struct Case
    {
        const char* what;
        float distance;
        float heroHeight;
        bool wall;
        int least, most; // lying stances out of 200 changes from standing
    };
    const Case cases[] = {
        {"15 units: never", 15.0f, 0.0f, false, 0, 0},
        {"25 units on level ground: about half", 25.0f, 0.0f, false, 80, 120},
        {"the hero 2.5 higher: never", 25.0f, 2.5f, false, 0, 0},
        {"the hero 2.4 lower: about half", 25.0f, -2.4f, false, 80, 120},
        {"a wall between: never", 25.0f, 0.0f, true, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        HOBJECT wall = c.wall ? Wall(D3DXVECTOR3(0, 0.5f, 12), D3DXVECTOR3(10, 3, 0.5f)) : nullptr;
        strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 25.0f - c.distance));
        p->target = target;
        p->target_position = D3DXVECTOR3(0, 0, 25);
        p->target_distance = c.distance;
        Player.m_vPosition = {0.0f, c.heroHeight, 25.0f};
        int lying = 0;
        for (int i = 0; i < 200; ++i)
        {
            p->stance_index = 0;
            p->stance_timer = 6.5f;
            PMgr.ChangeStance(p);
            ASSERT_NE(p->stance_index, 0) << "standing always changes after 6 s";
            lying += p->stance_index == 2 ? 1 : 0;
        }
        EXPECT_GE(lying, c.least);
        EXPECT_LE(lying, c.most);
        PMgr.DeleteCharacter(p);
        if (wall)
            g_Engine.DeleteObject(wall);
    }
}

TEST_F(StancesTest, ASniperCrouchesAtEveryChange)
{
    People();
    strpostac* p = Fighter("sniper", D3DXVECTOR3(0, 0, 0));
    p->target_distance = 50.0f;
    for (int stance : {0, 1, 2, -1})
        for (float timer : {0.0f, 7.0f})
        {
            p->stance_index = stance;
            p->stance_timer = timer;
            PMgr.ChangeStance(p);
            EXPECT_EQ(p->stance_index, 1);
            EXPECT_STREQ(p->anim.szAnimation, "stoi_do_kuca");
            EXPECT_EQ(p->stance_timer, 0.0f);
        }
}

TEST_F(StancesTest, ALeanShootsOneSecondOrFourWhileSeeingItsTarget)
{
    People();
    for (const bool sees : {false, true})
        for (const int stance : {0, 1, 2})
        {
            SCOPED_TRACE(std::string(sees ? "seeing, " : "unseen, ") + std::to_string(stance));
            strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
            p->stance_index = stance;
            p->sees_target = sees ? 1 : 0;
            PMgr.StartLean(p, stance == 1 ? -1 : 1);
            const char* side = stance == 1 ? "lewo" : "prawo";
            std::vector<std::string> played = {p->anim.szAnimation};
            float shooting = -1.0f;
            float outAt = 0.0f;
            for (int frame = 0; frame < 2000 && p->lean_side != 0; ++frame)
            {
                Step(p);
                PMgr.UpdateLean(p);
                if (played.back() != p->anim.szAnimation)
                {
                    played.push_back(p->anim.szAnimation);
                    const float now = static_cast<float>(frame) * kFrame;
                    if (played.back().find("_strzela") != std::string::npos &&
                        played.back().find("wychyl") == 0)
                        outAt = now;
                    if (played.back().find("_od") != std::string::npos)
                        shooting = now - outAt;
                }
            }
            EXPECT_EQ(p->lean_side, 0);
            EXPECT_EQ(p->since_lean, 0.0f);
            EXPECT_TRUE(p->pose_started);
            const float hold = sees ? 4.0f : 1.0f;
            EXPECT_GE(shooting, hold - kFrame);
            EXPECT_LT(shooting, hold + 2.0f * kFrame);
            std::vector<std::string> expected;
            if (stance == 0)
                expected.push_back("stoi_do_kuca");
            if (stance == 2)
                expected.push_back("lezy_do_kuca");
            for (const char* part : {"_do", "_strzela", "_od"})
                expected.push_back(std::string("wychyl_kuca_") + side + part);
            if (stance == 0)
                expected.insert(expected.end(), {"kuca_do_stoi", "stoi_strzela"});
            else if (stance == 2)
                expected.insert(expected.end(), {"kuca_do_lezy", "lezy_strzela"});
            else
                expected.push_back("kuca_strzela");
            EXPECT_EQ(played, expected);
            PMgr.DeleteCharacter(p);
        }
}

TEST_F(StancesTest, ALeanSideIsChosenByClearLinesToTheHero)
{
    People();
    const float heroAt[3] = {0, 1, 20};
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, heroAt, nullptr);
    g_Engine.PrepareObject(Player.m_hObject);
    Player.m_vPosition = {0.0f, 1.0f, 20.0f};
    // Draw leans until one is chosen; the result is kept each time it is not 0.
    auto sides = [](strpostac* p)
    {
        std::set<int> seen;
        for (int i = 0; i < 80; ++i)
        {
            p->since_lean = 0.5f;
            seen.insert(PMgr.ChooseLeanSide(p));
            EXPECT_EQ(p->since_lean, 0.0f);
        }
        return seen;
    };
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    p->target = Player.m_hObject;
    EXPECT_EQ(sides(p), (std::set<int>{0, 1})) << "both lines clear: the right side";
    const D3DXVECTOR3 right = CPostacMgr::LeanPoint(p, 1);
    HOBJECT wall = Wall(D3DXVECTOR3(right.x, 1.0f, 2.0f), D3DXVECTOR3(0.8f, 4.0f, 0.5f));
    EXPECT_EQ(sides(p), (std::set<int>{0, -1})) << "the right blocked: the left";
    const D3DXVECTOR3 left = CPostacMgr::LeanPoint(p, -1);
    Wall(D3DXVECTOR3(left.x, 1.0f, 2.0f), D3DXVECTOR3(0.8f, 4.0f, 0.5f));
    EXPECT_EQ(sides(p), (std::set<int>{0})) << "both blocked";
    g_Engine.DeleteObject(wall);

    // No lean too soon after the last, with a pose pending, while running, dead or without a target.
    for (auto spoil :
         std::vector<std::function<void(strpostac*)>>{
             [](strpostac* q) { q->since_lean = 0.49f; }, [](strpostac* q) { q->stance_change = 1; },
             [](strpostac* q) { q->running = 1; }, [](strpostac* q) { q->dead = 1; },
             [](strpostac* q) { q->target = nullptr; }, [](strpostac* q) { q->lean_side = 1; }})
    {
        strpostac* q = Fighter("soldier", D3DXVECTOR3(0, 0, 0), "q");
        q->target = Player.m_hObject;
        q->since_lean = 1.0f;
        spoil(q);
        const float before = q->since_lean;
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(PMgr.ChooseLeanSide(q), 0);
        EXPECT_EQ(q->since_lean, before) << "nothing was considered";
        PMgr.DeleteCharacter(q);
    }
}

TEST_F(StancesTest, RocketsWaitForTheirReasonsWindUpAndCoolDown)
{
    People();
    strpostac* p = Fighter("rpg", D3DXVECTOR3(0, 0, 0));
    const float at[3] = {0, 0, 0};
    HOBJECT launcher = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 1.7f, 60.0f));
    p->camera_distance = 60.0f;
    // A draw of the coin that lets the rocket go (reason 8 otherwise).
    auto reason = [&]()
    {
        int r = 8;
        for (int i = 0; i < 50 && r == 8; ++i)
            r = PMgr.CanFireRocket(p);
        return r;
    };
    EXPECT_EQ(PMgr.CanFireRocket(nullptr), 1);
    p->RPG = 0;
    EXPECT_EQ(reason(), 2);
    p->RPG = 1;
    p->rocket_firing = 1;
    p->rocket_cooldown = 5.0f;
    EXPECT_EQ(reason(), 3);
    p->rocket_firing = 0;
    EXPECT_EQ(reason(), 4);
    p->rocket_cooldown = 0.0f;
    EXPECT_EQ(reason(), 5);
    p->launcher = launcher;
    EXPECT_EQ(reason(), 6);
    p->engaged = 1;
    p->engage_timer = 0.39f;
    EXPECT_EQ(reason(), 7);
    p->engage_timer = 0.4f;
    std::set<int> draws;
    for (int i = 0; i < 40; ++i)
        draws.insert(PMgr.CanFireRocket(p));
    EXPECT_EQ(draws, (std::set<int>{0, 8})) << "one case in two";
    p->camera_distance = 39.9f;
    EXPECT_EQ(reason(), 9);
    p->camera_distance = 40.0f;
    EXPECT_EQ(reason(), 0);

    // The rocket leaves 3 s after the start; the next one waits 15 s.
    PMgr.StartRocket(p);
    EXPECT_TRUE(p->rocket_firing);
    EXPECT_STREQ(p->anim.szAnimation, "kuca_strzela_gora");
    EXPECT_EQ(p->anim.bLoop, 1);
    EXPECT_EQ(reason(), 3);
    float t = 0.0f;
    while (p->rocket_firing && t < 10.0f)
    {
        Step(p, 0.125f);
        PMgr.PlaceLauncher(p);
        EXPECT_EQ(launcher->vPosition, p->launcher_position) << "the launcher stays where it fired from";
        PMgr.UpdateRocket(p);
        t += 0.125f;
    }
    EXPECT_EQ(t, 3.0f);
    EXPECT_FALSE(p->pose_started);
    EXPECT_EQ(reason(), 4);
    for (int i = 0; i < 119; ++i)
        Step(p, 0.125f);
    EXPECT_EQ(reason(), 4) << "14.875 s";
    Step(p, 0.125f);
    EXPECT_EQ(reason(), 0) << "15 s";

    // Between shots the launcher sits at the "rpg" socket.
    g_Engine.UpdateSkinMeshNodes(p->model);
    PMgr.PlaceLauncher(p);
    EXPECT_NEAR(launcher->vPosition.y, 1.6f, 0.01f);
}

TEST_F(StancesTest, APhaseRocketNeedsItsSocketAndItsTarget)
{
    People();
    temp->Write("scripts/postacie.txt", std::string("postac gunner\nmodel ") + kModel +
                                            "\nfaza bez_socketu\nrakieta lufa hero\n"
                                            "faza bez_celu\nrakieta rpg nikt\n");
    PMgr.LoadDescriptions();
    strpostac* p = Fighter("gunner", D3DXVECTOR3(0, 0, 0), "gunner");
    p->faza = CPostacMgr::FindFaza(p->desc, "bez_socketu");
    PMgr.FirePhaseRocket(p);
    EXPECT_NE(ConsoleLog().find("gunner - rakieta: brak socketa lufa"), std::string::npos) << ConsoleLog();
    p->faza = CPostacMgr::FindFaza(p->desc, "bez_celu");
    PMgr.FirePhaseRocket(p);
    EXPECT_NE(ConsoleLog().find("gunner - rakieta: brak celu \"nikt\""), std::string::npos) << ConsoleLog();
    EXPECT_EQ(ConsoleLog().find("Nie ma efektu!"), std::string::npos) << "nothing was started";
}

TEST_F(StancesTest, ASniperGlintsEveryTenSecondsOfSightFromAfar)
{
    People();
    strpostac* p = Fighter("sniper", D3DXVECTOR3(0, 0, 0));
    p->sees_target = 1;
    p->target_in_front = 1;
    p->camera_distance = 29.9f;
    g_Engine.m_fDeltaTime = 0.5f;
    for (int i = 0; i < 40; ++i)
        PMgr.UpdateSniperGlint(p);
    EXPECT_EQ(p->glint_timer, 0.0f) << "too near the camera";
    p->camera_distance = 30.0f;
    for (int i = 0; i < 19; ++i)
        PMgr.UpdateSniperGlint(p);
    EXPECT_FLOAT_EQ(p->glint_timer, 9.5f);
    PMgr.UpdateSniperGlint(p);
    EXPECT_EQ(p->glint_timer, 0.0f) << "the glint at exactly 10 s";
    p->target_in_front = 0;
    PMgr.UpdateSniperGlint(p);
    EXPECT_EQ(p->glint_timer, 0.0f) << "only while the target is seen in front";
}

TEST_F(StancesTest, AThrownGrenadeWithinEightUnitsIsNoticedEveryFifthOfASecond)
{
    People();
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    const float at[3] = {7.9f, 0, 0};
    HOBJECT grenade = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectFlags3(grenade, 4096, ~0u);
    p->active_time = 6.1f;
    p->choice_timer = 2.1f;
    p->time_in_phase = 1.1f;
    g_Engine.m_fDeltaTime = 0.1f;
    EXPECT_FALSE(PMgr.IsNearKind4096(p)) << "0.1 s gathered";
    EXPECT_TRUE(PMgr.IsNearKind4096(p)) << "0.2 s";
    EXPECT_TRUE(PMgr.IsNearKind4096(p)) << "the timer is kept while it lies there";
    const D3DXVECTOR3 far(8.1f, 0, 0);
    g_Engine.SetObjectPosition(grenade, &far, 0);
    EXPECT_FALSE(PMgr.IsNearKind4096(p));
    EXPECT_EQ(p->danger_timer, 0.0f);
    g_Engine.SetObjectPosition(grenade, &far, 0);
    const D3DXVECTOR3 near(0, 0, 3);
    g_Engine.SetObjectPosition(grenade, &near, 0);
    p->danger_timer = 0.2f;
    p->choice_timer = 2.0f;
    EXPECT_FALSE(PMgr.IsNearKind4096(p)) << "the choice timer must exceed 2 s";
    p->choice_timer = 2.1f;
    p->danger_timer = 0.2f;
    g_Engine.SetObjectFlags3(grenade, 8, ~0u);
    EXPECT_FALSE(PMgr.IsNearKind4096(p)) << "an item is no grenade";
}
