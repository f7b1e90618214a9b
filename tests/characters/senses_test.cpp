// What characters perceive and whom they fight: alarms heard, heard over an
// open line or seen, with and without walls; targets and sight lines; which
// fighters may fire and how their aim sways.
#include "characters_fixture.h"

#include "shell/Console.h"
#include "ui/Panel.h"

#include <functional>

#include <vector>

using namespace chartest;

namespace
{
constexpr float kFrame = 1.0f / 60.0f;

int UsedAlarms()
{
    int n = 0;
    for (const strAlarm& a : PMgr.m_Alarms)
        n += a.used ? 1 : 0;
    return n;
}
} // namespace

TEST_F(CharactersTest, TheAlarmTableHoldsThirtySixAndAgesThem)
{
    const D3DXVECTOR3 at(1, 2, 3);
    for (int i = 0; i < MAX_ALARMOW; ++i)
        PMgr.AddAlarm(&at, 1, 2, 0, 3, 5, 0, 0);
    EXPECT_EQ(UsedAlarms(), 36);
    EXPECT_EQ(Count(ConsoleLog(), "MAX_ALARMOW exceeded!"), 0u);
    PMgr.AddAlarm(&at, 1, 2, 0, 3, 5, 0, 0);
    EXPECT_EQ(UsedAlarms(), 36);
    EXPECT_EQ(Count(ConsoleLog(), "MAX_ALARMOW exceeded!"), 1u);

    PMgr.ClearAlarms();
    EXPECT_EQ(UsedAlarms(), 0);
    // Life 0 lasts until the next ageing; life 2 through two ageings.
    PMgr.AddAlarm(&at, 1, 2, 0, 3, 0, 0, 0);
    PMgr.AddAlarm(&at, 1, 2, 0, 3, 2, 1, 1);
    EXPECT_EQ(PMgr.m_Alarms[0].life, 1u);
    EXPECT_EQ(PMgr.m_Alarms[1].life, 3u);
    EXPECT_EQ(PMgr.m_Alarms[1].flagB, 1);
    PMgr.AgeAlarms();
    EXPECT_FALSE(PMgr.m_Alarms[0].used);
    EXPECT_TRUE(PMgr.m_Alarms[1].used);
    PMgr.AgeAlarms();
    EXPECT_TRUE(PMgr.m_Alarms[1].used);
    PMgr.AgeAlarms();
    EXPECT_FALSE(PMgr.m_Alarms[1].used);
}

TEST_F(CharactersTest, AlarmsAreHeardThroughWallsHeardOverOpenLinesOrSeen)
{
    Scripts("postac hears\npostac deaf\ndeaf\npostac busy\nfaza busy\nnie_przerywaj\n");
    const D3DXVECTOR3 alarm(0.0f, 1.0f, 0.0f);
    struct Case
    {
        const char* what;
        const char* desc;
        float distance; // along +z from the alarm
        float hearing, openLine, sight;
        bool wall;
        bool perceived;
    };
    const Case cases[] = {
        {"heard through a wall", "hears", 10, 15, 0, 0, true, true},
        {"out of hearing", "hears", 10, 5, 0, 0, false, false},
        {"open line, clear", "hears", 10, 0, 15, 0, false, true},
        {"open line, walled", "hears", 10, 0, 15, 0, true, false},
        {"seen, clear", "hears", 10, 0, 0, 15, false, true},
        {"seen, walled", "hears", 10, 0, 0, 15, true, false},
        {"deaf does not hear", "deaf", 10, 15, 15, 0, false, false},
        {"deaf still sees", "deaf", 10, 0, 0, 15, false, true},
        {"deaf and walled", "deaf", 10, 15, 15, 15, true, false},
        {"radii of 0.01 and under count for nothing", "hears", 0.005f, 0, 0.01f, 0.01f, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PMgr.ClearAlarms();
        g_Engine.DeleteAllObjects();
        PMgr.DeleteAllCharacters();
        if (c.wall)
            Wall(D3DXVECTOR3(0.0f, 1.0f, c.distance / 2.0f), D3DXVECTOR3(20.0f, 20.0f, 0.5f));
        strpostac* p = Character(c.desc, D3DXVECTOR3(0.0f, 0.0f, c.distance));
        PMgr.AddAlarm(&alarm, c.hearing, c.openLine, 0, c.sight, 1, 0, 0);
        EXPECT_EQ(PMgr.PerceivesAlarm(p, false), c.perceived);
    }

    // Nothing before level frame 150, nothing during "nie_przerywaj", and
    // flagged-only passes over alarms without flag C.
    PMgr.ClearAlarms();
    PMgr.DeleteAllCharacters();
    strpostac* p = Character("hears", D3DXVECTOR3(0.0f, 0.0f, 5.0f));
    PMgr.AddAlarm(&alarm, 15, 0, 0, 0, 1, 0, 0);
    EXPECT_TRUE(PMgr.PerceivesAlarm(p, false));
    EXPECT_FALSE(PMgr.PerceivesAlarm(p, true));
    g_MainGame.m_iLevelFrame = 149;
    EXPECT_FALSE(PMgr.PerceivesAlarm(p, false));
    g_MainGame.m_iLevelFrame = 1000;
    strpostac* busy = Character("busy", D3DXVECTOR3(0.0f, 0.0f, 5.0f));
    busy->faza = CPostacMgr::FindFaza(busy->desc, "busy");
    EXPECT_FALSE(PMgr.PerceivesAlarm(busy, false));
}

TEST_F(CharactersTest, AnIdleCharacterWithATargetTurnsToAFlaggedAlarm)
{
    Scripts("postac a\n");
    strpostac* p = Character("a", D3DXVECTOR3(0.0f, 0.0f, 5.0f));
    const float at[3] = {0, 0, 0};
    p->target = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    const D3DXVECTOR3 unflagged(1.0f, 0.0f, 0.0f), flagged(2.0f, 0.0f, 0.0f);
    PMgr.AddAlarm(&unflagged, 50, 0, 0, 0, 1, 0, 0);
    PMgr.AddAlarm(&flagged, 50, 0, 0, 0, 1, 1, 0);
    g_MainGame.m_iLevelFrame = 239;
    PMgr.InvestigateAlarms(p);
    EXPECT_EQ(p->target_position, D3DXVECTOR3(0, 0, 0)) << "not before level frame 240";
    g_MainGame.m_iLevelFrame = 240;
    p->engaged = 1;
    PMgr.InvestigateAlarms(p);
    EXPECT_EQ(p->target_position, D3DXVECTOR3(0, 0, 0)) << "a fighting character does not turn";
    p->engaged = 0;
    PlayerStats.m_bDead = 1;
    PMgr.InvestigateAlarms(p);
    EXPECT_EQ(p->target_position, D3DXVECTOR3(0, 0, 0)) << "not once the hero is dead";
    PlayerStats.m_bDead = 0;
    PMgr.InvestigateAlarms(p);
    EXPECT_EQ(p->target_position, flagged);
}

TEST_F(CharactersTest, EnemiesPreferTheHeroAndPartnersTheNearestEnemy)
{
    Scripts("postac enemy\npostac partner\npartner\npostac civilian\ncivilian\n");
    const float at[3] = {0, 0, 0};
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    auto withModel = [&](const char* desc, float x, const char* name)
    {
        strpostac* p = Character(desc, D3DXVECTOR3(x, 0.0f, 0.0f), name);
        const float pos[3] = {x, 0, 0};
        p->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, pos, nullptr);
        return p;
    };
    strpostac* enemy = withModel("enemy", 100.0f, "enemy");
    strpostac* partner = withModel("partner", 20.0f, "partner");
    strpostac* civilian = withModel("civilian", -10.0f, "civilian");
    PMgr.ChooseTarget(enemy);
    EXPECT_EQ(enemy->target, Player.m_hObject) << "the partner 80 away is not under 0.7 of the hero's 100";
    partner->position.x = 75.0f;
    PMgr.ChooseTarget(enemy);
    EXPECT_EQ(enemy->target, partner->model) << "25 is under 70";
    PMgr.ChooseTarget(partner);
    EXPECT_EQ(partner->target, enemy->model) << "the civilian at 85 is farther";
    partner->position.x = 0.0f;
    PMgr.ChooseTarget(partner);
    EXPECT_EQ(partner->target, enemy->model) << "a civilian is no one's target, however near";
    PMgr.ChooseTarget(civilian);
    EXPECT_EQ(civilian->target, Player.m_hObject) << "10 from the partner is not under 0.7 of 10";
    partner->position.x = -8.0f;
    PMgr.ChooseTarget(civilian);
    EXPECT_EQ(civilian->target, partner->model);
    civilian->dead = 1;
    enemy->ghost = 1;
    PMgr.ChooseTarget(partner);
    EXPECT_EQ(partner->target, nullptr) << "the dead and ghosts are nobody's target";
}

TEST_F(CharactersTest, TheAimPointIsTheCameraForTheHeroAndTheBodyForOthers)
{
    Scripts("postac a\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    const float at[3] = {3, 0, 4};
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
    g_Camera.SetPosition(D3DXVECTOR3(3.0f, 1.7f, 4.0f));
    p->target = Player.m_hObject;
    PMgr.UpdateTargetPoint(p);
    EXPECT_EQ(p->aim_point, D3DXVECTOR3(3.0f, 1.7f, 4.0f));
    const float other[3] = {-2, 0, 1};
    p->target = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, other, nullptr);
    PMgr.UpdateTargetPoint(p);
    EXPECT_EQ(p->aim_point, D3DXVECTOR3(-2.0f, 1.0f, 1.0f));
}

TEST_F(CharactersTest, SightRunsFromTheEyesAndStopsAtTheFirstObject)
{
    Scripts("postac plain\npostac eyed\nsocket_eyes no_such_socket\n");
    strpostac* p = Character("plain", D3DXVECTOR3(0.0f, 0.0f, 0.0f), "looker");
    const float targetAt[3] = {0.0f, 1.0f, 8.0f};
    HOBJECT target = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, targetAt, nullptr);
    g_Engine.PrepareObject(target);
    const D3DXVECTOR3 point(0.0f, 1.0f, 8.0f);
    EXPECT_TRUE(PMgr.CanSee(p, &point, target, nullptr)) << "the segment meets the target itself";
    // From 1.0 above the position: a low wall under that line hides nothing.
    HOBJECT low = Wall(D3DXVECTOR3(0.0f, 0.25f, 4.0f), D3DXVECTOR3(4.0f, 0.5f, 0.5f));
    EXPECT_TRUE(PMgr.CanSee(p, &point, target, nullptr));
    g_Engine.DeleteObject(low);
    Wall(D3DXVECTOR3(0.0f, 1.0f, 4.0f), D3DXVECTOR3(4.0f, 4.0f, 0.5f));
    EXPECT_FALSE(PMgr.CanSee(p, &point, target, nullptr)) << "a wall comes first";
    const D3DXVECTOR3 over(0.0f, 5.0f, 0.0f), overTarget(0.0f, 5.0f, 8.0f);
    EXPECT_TRUE(PMgr.CanSee(p, &overTarget, target, &over)) << "from a given eye point over the wall";

    g_MainGame.m_iLevelFrame = 149;
    EXPECT_FALSE(PMgr.CanSee(p, &overTarget, target, &over)) << "nothing before level frame 150";
    g_MainGame.m_iLevelFrame = 1000;
    g_Engine.m_bBlockCharacterSight = 1;
    EXPECT_FALSE(PMgr.CanSee(p, &overTarget, target, &over));
    g_Engine.m_bBlockCharacterSight = 0;
    EXPECT_FALSE(PMgr.CanSee(nullptr, &overTarget, target, &over));

    // A missing eye socket is named, and the look comes from 1.0 above.
    strpostac* eyed = Character("eyed", D3DXVECTOR3(0.0f, 4.0f, 0.0f), "eyed");
    EXPECT_TRUE(PMgr.CanSee(eyed, &overTarget, target, nullptr));
    EXPECT_EQ(Count(ConsoleLog(), "Postac eyed nie czyta socketa oczu: no_such_socket"), 1u);
}

TEST_F(CharactersTest, VisionSeesTheHeroOnlyWhenItMayLook)
{
    Scripts("postac a\npostac blind\nnie_patrz_na_gracza\n");
    const float heroAt[3] = {0.0f, 0.0f, 20.0f};
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, heroAt, nullptr);
    g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 1.7f, 20.0f));
    auto looker = [&](const char* desc)
    {
        strpostac* p = Character(desc, D3DXVECTOR3(0.0f, 0.0f, 0.0f), desc);
        const float at[3] = {0, 0, 0};
        p->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
        p->target = Player.m_hObject;
        p->look_direction = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
        p->engaged = 1;
        PMgr.UpdateTargetPoint(p);
        return p;
    };
    strpostac* p = looker("a");
    PMgr.UpdateVision(p);
    EXPECT_EQ(p->sees_target, 1);
    EXPECT_EQ(p->target_in_front, 1);
    EXPECT_EQ(p->engaged, 1);
    p->look_direction = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    PMgr.UpdateVision(p);
    EXPECT_EQ(p->target_in_front, 0);

    struct Case
    {
        const char* what;
        std::function<void()> set;
    };
    const Case cases[] = {
        {"the hero is dead", [] { PlayerStats.m_bDead = 1; }},
        {"the mission failed", [] { PlayerStats.m_bMissionFailed = 1; }},
        {"the letterbox is shown", [] { g_Panel.WideScreen = 1; }},
        {"a scripted run", [&] { p->postac_running = 1; }},
        {"too far", [&] { p->aim_point.z = 500.0f; }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        c.set();
        p->engaged = 1;
        PMgr.UpdateVision(p);
        EXPECT_EQ(p->engaged, 0);
        PlayerStats.m_bDead = 0;
        PlayerStats.m_bMissionFailed = 0;
        g_Panel.WideScreen = 0;
        p->postac_running = 0;
        PMgr.UpdateTargetPoint(p);
    }
    strpostac* blind = looker("blind");
    PMgr.UpdateVision(blind);
    EXPECT_EQ(blind->engaged, 0);
    EXPECT_EQ(blind->sees_target, 0);
}

TEST_F(CharactersTest, TheThreeNearestEngagedEnemiesMayFire)
{
    Scripts("postac enemy\nfaza f\npostac partner\npartner\nfaza f\n");
    const float at[3] = {0, 0, 0};
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
    std::vector<strpostac*> enemies;
    // Visited in table order: 30, 50, 10, 40, 20.
    for (float d : {30.0f, 50.0f, 10.0f, 40.0f, 20.0f})
    {
        strpostac* p = Character("enemy", D3DXVECTOR3(d, 0, 0));
        p->faza = p->desc->newest;
        p->active_time = 5.0f;
        p->engaged = 1;
        p->engage_timer = 2.0f;
        p->target = Player.m_hObject;
        p->target_distance = d;
        enemies.push_back(p);
    }
    PMgr.AssignShooters();
    const BYTE expected[] = {1, 0, 1, 0, 1};
    for (size_t i = 0; i < enemies.size(); ++i)
        EXPECT_EQ(enemies[i]->may_shoot, expected[i]) << "enemy at " << enemies[i]->target_distance;

    // The nearest loses its place once it has not seen the hero for 1.5 s;
    // one just engaged with the hero waits 0.9 s.
    enemies[2]->since_target_seen = 1.5f;
    enemies[4]->engage_timer = 0.5f;
    PMgr.AssignShooters();
    const BYTE after[] = {1, 1, 0, 1, 0};
    for (size_t i = 0; i < enemies.size(); ++i)
        EXPECT_EQ(enemies[i]->may_shoot, after[i]) << "enemy at " << enemies[i]->target_distance;

    // Partners that see and characters not fighting fire freely; the fresh do not.
    strpostac* partner = Character("partner", D3DXVECTOR3(0, 0, 0));
    partner->faza = partner->desc->newest;
    partner->active_time = 5.0f;
    partner->engaged = 1;
    partner->since_target_seen = 0.9f;
    strpostac* calm = Character("enemy", D3DXVECTOR3(0, 0, 0));
    calm->faza = calm->desc->newest;
    calm->active_time = 3.0f;
    strpostac* fresh = Character("enemy", D3DXVECTOR3(0, 0, 0));
    fresh->faza = fresh->desc->newest;
    fresh->active_time = 2.9f;
    strpostac* phaseless = Character("enemy", D3DXVECTOR3(0, 0, 0));
    phaseless->active_time = 5.0f;
    PMgr.AssignShooters();
    EXPECT_EQ(partner->may_shoot, 1);
    EXPECT_EQ(calm->may_shoot, 1);
    EXPECT_EQ(fresh->may_shoot, 0);
    EXPECT_EQ(phaseless->may_shoot, 0);
    partner->since_target_seen = 1.1f;
    PMgr.AssignShooters();
    EXPECT_EQ(partner->may_shoot, 0);
}

TEST_F(CharactersTest, AimSwaysMoreThroughABurstAndNeverWithAShotgun)
{
    Scripts("postac a\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    p->in_burst = 1;
    PMgr.UpdateAimSway(p, 0.01f);
    EXPECT_FLOAT_EQ(p->sway_amplitude, 0.1f);
    EXPECT_FLOAT_EQ(p->sway_phase, 0.01f);
    for (int i = 0; i < 100; ++i)
    {
        PMgr.UpdateAimSway(p, kFrame);
        ASSERT_LE(p->sway_amplitude, 0.2f);
        ASSERT_GE(p->sway_amplitude, 0.0f);
        ASSERT_LE(p->sway_phase, 6.2831853f);
    }
    p->burst_count = 3;
    PMgr.UpdateAimSway(p, kFrame);
    EXPECT_FLOAT_EQ(p->sway_amplitude, 0.0f) << "the third shot of a burst goes straight";
    p->burst_count = 1;
    p->in_burst = 0;
    PMgr.UpdateAimSway(p, kFrame);
    EXPECT_FLOAT_EQ(p->sway_amplitude, 0.0f) << "out of a burst";
    p->shotgun = 1;
    p->in_burst = 1;
    for (int i = 0; i < 20; ++i)
    {
        PMgr.UpdateAimSway(p, kFrame);
        ASSERT_FLOAT_EQ(p->sway_amplitude, 0.0f);
        ASSERT_LT(p->sway_phase, 0.2f);
    }
}
