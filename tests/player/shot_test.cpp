// Firing a shot: the spread table, close hits settled at once against bullets
// that fly, the trigger's single shots and shotgun pellets, the marks bullets
// leave and when they do not, and who hears of a shot.
#include "player_fixture.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "game/BezierFollowState.h"
#include "game/BulletHit.h"
#include "game/QuestSystem.h"
#include "world/DeathParams.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <string>
#include <vector>

using namespace playertest;

namespace
{
// A wall across the view at z = `wallZ`, facing the hero at the origin who
// looks along +z: the segment tests of the shots meet it there.
struct Wall
{
    HOBJECT object = nullptr;
    float z = 0.0f;
};
Wall g_Wall;

bool WallTest(const RayTestQuery* q, RayTestResult* r)
{
    r->Reset();
    const D3DXVECTOR3 from(q->pFrom[0], q->pFrom[1], q->pFrom[2]);
    const D3DXVECTOR3 to(q->pTo[0], q->pTo[1], q->pTo[2]);
    if (!g_Wall.object || !(from.z < g_Wall.z && to.z >= g_Wall.z) ||
        (q->pfnFilter && !q->pfnFilter(g_Wall.object, q->dwUser)))
        return false;
    const float t = (g_Wall.z - from.z) / (to.z - from.z);
    r->bHit = 1;
    r->vPoint = D3DXVECTOR3(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t, g_Wall.z);
    const D3DXVECTOR3 way = r->vPoint - from;
    r->fDistance = D3DXVec3Length(&way);
    r->vNormal = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    r->pObject = g_Wall.object;
    r->vFrom = from;
    r->vTo = to;
    return true;
}

std::string Gun(const std::string& name, int kind, const std::string& extra)
{
    return Weapon(name, kind, 10, 100,
                  "Shoot_Socket muzzle\nHit 30\npredkosc 600\nShoot_Delay 0.1\nHitBack 0.4\n" + extra);
}

std::string ShotCatalogue()
{
    return Gun("rifle", 1, "") + Gun("pistol", 0, "Single_Shot\n") +
           Gun("shotgun", 2, "Shotgun\nSingle_Shot\n") + Gun("sniper", 4, "Single_Shot\nSnajper_Celownik\n") +
           Gun("quiet", 3, "silenced\n") + Gun("carbine", 5, "Shoot_Delay_Last 0.5\n") +
           Gun("smoker", 6, std::string("Held_Object ") + DROP_MESH + "\nPlayer_After_Shoot_FX puff\n");
}

int Bullets()
{
    int n = 0;
    for (int i = 1; i < MAX_FX; ++i)
        n += FX.m_Fx[i].m_bActive && FX.m_Fx[i].m_iType == FX_BULLET ? 1 : 0;
    return n;
}

int Marks()
{
    int n = 0;
    for (int i = 1; i < MAX_FX; ++i)
        n += FX.m_Fx[i].m_bActive && FX.m_Fx[i].m_bDecal ? 1 : 0;
    return n;
}

class ShotTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        FX.ReleaseAllFx();
        g_Options.DrawFX = 1;
        g_Options.AddFX = 1;
        PMgr.Forget();
        g_QuestSystem = QuestSystem();
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
        g_Mouse.m_State = EMouseState();
        const float at[3] = {0.0f, 0.0f, 10.0f};
        g_Wall.object = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
        ASSERT_NE(g_Wall.object, nullptr);
        FxSetSegmentTest(WallTest);
        // The after-shot smoke the catalogue names.
        temp->Write("afx/puff.afx", "Life_Time -1\n");
        FX.LoadAll();
        Catalogue(ShotCatalogue());
        Bronie.levelSetupCalled = 1;
        Bronie.levelWeaponsReady = 1;
        for (const char* name : {"rifle", "pistol", "shotgun", "sniper", "quiet", "carbine", "smoker"})
            ItemMgr.GiveItem(name, 50);
    }

    void TearDown() override
    {
        FxSetSegmentTest(nullptr);
        FX.ReleaseAllFx();
        g_Wall = Wall{};
        PlayerTest::TearDown();
    }

    // The weapon of that kind in hand, idle, the trigger let go.
    static EItemInstance* InHand(DWORD kind)
    {
        Bronie.SelectImmediate(kind);
        Bronie.triggerReleased = 1;
        return Bronie.current;
    }

    // The wall takes bullet hits and keeps count of them in its health.
    static void Breakable()
    {
        EDeathParams d;
        d.bEnabled = 1;
        d.bBulletHits = 1;
        g_Engine.SetObjectDeathParams(g_Wall.object, &d);
        g_Wall.object->fHealth = 1000.0f;
    }
};

TEST(Spread, TheTableByWeaponStanceAndBurst)
{
    using Case = CPlayerWeapons::SpreadCase;
    struct Row
    {
        const char* what;
        Case c;
        float s;
    };
    auto kind = [](DWORD k)
    {
        Case c;
        c.kind = k;
        return c;
    };
    auto with = [](Case c, auto change)
    {
        change(c);
        return c;
    };
    const Row rows[] = {
        {"pistol", kind(0), 0.02f},
        {"rifle", kind(1), 0.05f},
        {"shotgun kind", kind(2), 0.05f},
        {"shotgun item, even moving", with(kind(2), [](Case& c) { c.shotgun = c.moving = true; }), 0.03f},
        {"rifle through a scope", with(kind(1), [](Case& c) { c.scoped = true; }), 0.03f},
        {"rifle aimed past half", with(kind(1), [](Case& c) { c.aimProgress = 0.6f; }), 0.025f},
        {"rifle aimed to half", with(kind(1), [](Case& c) { c.aimProgress = 0.5f; }), 0.05f},
        {"rifle crouched", with(kind(1), [](Case& c) { c.crouched = true; }), 0.03f},
        {"rifle aimed and crouched",
         with(kind(1),
              [](Case& c)
              {
                  c.aimProgress = 1.0f;
                  c.crouched = true;
              }),
         0.015f},
        {"kind 2 on the move", with(kind(2), [](Case& c) { c.moving = true; }), 0.12f},
        {"kind 2 moving crouched",
         with(kind(2),
              [](Case& c)
              {
                  c.moving = true;
                  c.crouched = true;
              }),
         0.03f},
        {"kind 2 moving while aiming",
         with(kind(2),
              [](Case& c)
              {
                  c.moving = true;
                  c.aiming = true;
              }),
         0.05f},
        {"pistol on the move", with(kind(0), [](Case& c) { c.moving = true; }), 0.02f},
        {"sniper through the scope", with(kind(3), [](Case& c) { c.scoped = true; }), 0.0f},
        {"sniper from the hip", kind(3), 0.06f},
        {"launcher", kind(5), 0.06f},
        {"a burst's first bullet", with(kind(1), [](Case& c) { c.firstShot = true; }), 0.05f * 0.35f},
        {"a single shot's first bullet",
         with(kind(0),
              [](Case& c)
              {
                  c.firstShot = true;
                  c.singleShot = true;
              }),
         0.02f},
    };
    for (const Row& r : rows)
        EXPECT_FLOAT_EQ(CPlayerWeapons::SpreadScale(r.c), r.s) << r.what;
}

TEST_F(ShotTest, AHitNearerThanFourUnitsIsSettledAtOnceAndAFartherOneFlies)
{
    Breakable();
    struct Row
    {
        float wall;
        bool atOnce;
    };
    for (const Row& r : {Row{3.9f, true}, Row{4.0f, false}, Row{4.1f, false}, Row{0.5f, true}})
    {
        SCOPED_TRACE(r.wall);
        FX.ReleaseAllFx();
        g_Wall.z = r.wall;
        const float health = g_Wall.object->fHealth;
        // Looking through a scope, the heavy rifle's bullet goes straight down the view.
        g_Panel.m_bSniperScope = 1;
        InHand(4);
        Bronie.FireBullet();
        g_Panel.m_bSniperScope = 0;
        EXPECT_EQ(Bullets(), r.atOnce ? 0 : 1);
        EXPECT_EQ(g_Wall.object->fHealth, r.atOnce ? health - 30.0f : health);
    }
}

TEST_F(ShotTest, AScopedBulletFliesAlongTheViewAtTheWeaponsSpeed)
{
    g_Wall.z = 100.0f;
    g_Panel.m_bSniperScope = 1;
    InHand(4);
    Bronie.FireBullet();
    ASSERT_EQ(Bullets(), 1);
    for (int i = 1; i < MAX_FX; ++i)
        if (FX.m_Fx[i].m_bActive)
        {
            EXPECT_NEAR(FX.m_Fx[i].m_vVel.x, 0.0f, 1e-4f);
            EXPECT_NEAR(FX.m_Fx[i].m_vVel.y, 0.0f, 1e-4f);
            EXPECT_NEAR(FX.m_Fx[i].m_vVel.z, 600.0f, 1e-2f);
            EXPECT_EQ(FX.m_Fx[i].m_hShooter, Player.m_hObject);
        }
    // The model's recoil and the view's kick upward (the pitch falls).
    EXPECT_FLOAT_EQ(Bronie.recoilStrength, 0.4f);
    EXPECT_FLOAT_EQ(Bronie.kickBack, CPlayerWeapons::KickBackOf(4));
    EXPECT_LE(g_Mouse.m_State.y, 0.0);
}

TEST_F(ShotTest, ASingleShotWeaponFiresOncePerPullAndAShotgunSpendsOneCartridgeOnSixPellets)
{
    g_Wall.z = 100.0f;
    EXPECT_NE(InHand(0), nullptr);
    const DWORD full = Bronie.current->m_iMagazine;
    for (int frame = 0; frame < 30; ++frame)
    {
        Bronie.TriggerDown(); // held down
        Frame();
    }
    EXPECT_EQ(Bronie.current->m_iMagazine, full - 1) << "held, it does not repeat";
    Bronie.triggerReleased = 1;
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.current->m_iMagazine, full - 2) << "let go and pulled again";

    FX.ReleaseAllFx();
    InHand(2);
    const DWORD shells = Bronie.current->m_iMagazine;
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.current->m_iMagazine, shells - 1);
    EXPECT_EQ(Bullets(), SHOTGUN_PELLETS);
}

TEST_F(ShotTest, ABurstWaitsForTheWeaponsDelayAndAnEmptyMagazineReloads)
{
    g_Wall.z = 100.0f;
    EItemInstance* rifle = InHand(1);
    const DWORD full = rifle->m_iMagazine;
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.state, WS_FIRING);
    EXPECT_EQ(Bronie.firstShot, 1);
    Bronie.TriggerDown(); // the same instant: the delay of 0.1 s has not passed
    EXPECT_EQ(rifle->m_iMagazine, full - 1);
    rifle->m_fShotTimer = 0.1f;
    Bronie.TriggerDown();
    EXPECT_EQ(rifle->m_iMagazine, full - 2);
    EXPECT_EQ(Bronie.firstShot, 0) << "the burst goes on";

    rifle->m_iMagazine = 0;
    rifle->m_fShotTimer = 1.0f;
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.state, WS_RELOADING);
}

TEST_F(ShotTest, TheLastCartridgesDelayHoldsTheNextPullBeforeTheReload)
{
    g_Wall.z = 100.0f;
    EItemInstance* carbine = InHand(5);
    ASSERT_NE(carbine, nullptr);
    carbine->m_iMagazine = 1;
    Bronie.TriggerDown();
    EXPECT_EQ(carbine->m_iMagazine, 0u);
    EXPECT_EQ(Bronie.state, WS_FIRING);
    carbine->m_fShotTimer = 0.3f; // past the burst's delay, short of the last cartridge's
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.state, WS_FIRING);
    carbine->m_fShotTimer = 0.5f;
    Bronie.TriggerDown();
    EXPECT_EQ(Bronie.state, WS_RELOADING);
}

TEST_F(ShotTest, ABurstEndsWithSmokeAtTheMuzzleOfTheWeaponInHand)
{
    g_Wall.z = 100.0f;
    EItemInstance* smoker = InHand(6);
    ASSERT_NE(smoker, nullptr);
    ASSERT_NE(smoker->m_hHeldModel, nullptr);
    auto smoke = [&]
    {
        int n = 0;
        for (int i = 1; i < MAX_FX; ++i)
            n += FX.m_Fx[i].m_bActive && FX.m_Fx[i].m_hObject == smoker->m_hHeldModel &&
                         std::string(FX.m_Fx[i].m_szSocket) == "muzzle"
                     ? 1
                     : 0;
        return n;
    };
    Bronie.TriggerDown();
    Frame(); // the trigger still held
    EXPECT_EQ(smoke(), 0);
    for (int i = 0; i < 10 && Bronie.state == WS_FIRING; ++i)
        Frame();
    EXPECT_EQ(Bronie.state, WS_IDLE);
    EXPECT_EQ(smoke(), 1);
}

TEST_F(ShotTest, MarksStopWhileTheEffectPoolIsBusyAndComeBackWhenItDrains)
{
    const D3DXVECTOR3 point(0.0f, 1.0f, 5.0f), normal(0.0f, 0.0f, -1.0f);
    EFxDef filler;
    filler.Type = FX_TYPE_NONE;
    filler.Life_Time = -1.0f;
    std::vector<EFxInstance*> fillers;
    while (fillers.size() < MARK_LIVE_EFFECT_LIMIT - 1)
        fillers.push_back(FX.CreateFx(&filler, nullptr, nullptr, 0));
    SpawnBulletMark(&point, &normal); // the 240th live effect
    EXPECT_EQ(Marks(), 1);
    SpawnBulletMark(&point, &normal);
    EXPECT_EQ(Marks(), 1) << "240 effects live: no mark";
    FX.ReleaseFx(fillers.back());
    SpawnBulletMark(&point, &normal);
    EXPECT_EQ(Marks(), 2);
}

TEST_F(ShotTest, AMarkLiesOffTheSurfaceAndFacesAlongItsNormal)
{
    const D3DXVECTOR3 wall(0.0f, 1.0f, 5.0f), wallNormal(0.0f, 0.0f, -2.0f);
    SpawnBulletMark(&wall, &wallNormal);
    const D3DXVECTOR3 floor(3.0f, 0.0f, 5.0f), up(0.0f, 1.0f, 0.0f);
    SpawnBulletMark(&floor, &up);
    std::vector<const EFxInstance*> marks;
    for (int i = 1; i < MAX_FX; ++i)
        if (FX.m_Fx[i].m_bActive && FX.m_Fx[i].m_bDecal)
            marks.push_back(&FX.m_Fx[i]);
    ASSERT_EQ(marks.size(), 2u);
    for (const EFxInstance* m : marks)
    {
        const bool onFloor = m->m_vPos.x > 1.0f;
        const D3DXVECTOR3 expected = onFloor ? floor + up * 0.3f : wall + D3DXVECTOR3(0.0f, 0.0f, -0.3f);
        const D3DXVECTOR3 off = m->m_vPos - expected;
        EXPECT_LT(D3DXVec3Length(&off), 0.1f * std::sqrt(3.0f));
        EXPECT_EQ(m->m_bFlatRotation, onFloor ? 1 : 0);
        EXPECT_EQ(m->m_bUseRotation, onFloor ? 0 : 1);
        EXPECT_FLOAT_EQ(m->m_fLifeTotal, 22.0f);
        EXPECT_EQ(m->m_bMove, 0);
        EXPECT_EQ(FX.GetSpriteAlpha(m) >> 24, 255u) << "a mark is seen";
    }
}

TEST_F(ShotTest, MarksStayOnlyOnStillLastingMeshes)
{
    RayTestResult hit;
    hit.bHit = 1;
    hit.vPoint = D3DXVECTOR3(0.0f, 1.0f, 10.0f);
    hit.vNormal = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    hit.pObject = g_Wall.object;
    struct Row
    {
        const char* what;
        void (*make)(HOBJECT);
        int marks;
    };
    const Row rows[] = {
        {"a plain wall", [](HOBJECT) {}, 1},
        {"something that breaks",
         [](HOBJECT o)
         {
             EDeathParams d;
             d.bEnabled = 1;
             g_Engine.SetObjectDeathParams(o, &d);
         },
         0},
        {"a door",
         [](HOBJECT o)
         {
             EObjectActionParams p;
             p.dwEnabled = 1;
             p.action_door = 1;
             g_Engine.SetObjectActionParams(o, &p);
         },
         0},
        {"an object with actions that do not move it",
         [](HOBJECT o)
         {
             EObjectActionParams p;
             p.dwEnabled = 1;
             g_Engine.SetObjectActionParams(o, &p);
         },
         1},
        {"a crate on a path",
         [](HOBJECT o)
         {
             BezierFollowState f;
             f.bOn = 1;
             g_Engine.SetObjectBezierFollowState(o, &f);
         },
         0},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.what);
        FX.ReleaseAllFx();
        g_Engine.DeleteObject(g_Wall.object);
        const float at[3] = {0.0f, 0.0f, 10.0f};
        g_Wall.object = hit.pObject = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
        r.make(g_Wall.object);
        Bronie.SpawnImpactEffect(nullptr, &hit);
        EXPECT_EQ(Marks(), r.marks);
    }
}

TEST_F(ShotTest, OnlyTheHerosShotsReachTheMissionScripts)
{
    g_Wall.z = 100.0f;
    const EItemDesc* rifle = ItemMgr.FindDescription("rifle");
    const D3DXVECTOR3 muzzle(0.0f, 1.0f, 0.0f);
    const EOrientation ahead;
    const float at[3] = {5.0f, 0.0f, 0.0f};
    HOBJECT soldier = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
    FireWeaponShot(rifle, &muzzle, &ahead, soldier, 0, 1.0f);
    FireWeaponShot(rifle, &muzzle, &ahead, nullptr, 0, 1.0f);
    EXPECT_EQ(g_QuestSystem.m_iPlayerShots, 0);
    EXPECT_EQ(Bullets(), 2) << "the shots themselves fly";

    Player.m_hObject = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    FireWeaponShot(rifle, &muzzle, &ahead, Player.m_hObject, 0, 1.0f); // a gun the hero mans
    EXPECT_EQ(g_QuestSystem.m_iPlayerShots, 1);
    InHand(1);
    Bronie.TriggerDown();
    EXPECT_EQ(g_QuestSystem.m_iPlayerShots, 2);
}

TEST_F(ShotTest, AnotherShootersCloseHitIsSettledWithinSixteenUnits)
{
    Breakable();
    const EItemDesc* rifle = ItemMgr.FindDescription("rifle");
    const EOrientation ahead;
    for (const auto& [wall, atOnce] : {std::pair{15.9f, true}, std::pair{16.0f, false}})
    {
        SCOPED_TRACE(wall);
        FX.ReleaseAllFx();
        g_Wall.z = wall;
        const D3DXVECTOR3 muzzle(0.0f, 0.0f, 0.0f);
        const float health = g_Wall.object->fHealth;
        FireWeaponShot(rifle, &muzzle, &ahead, nullptr, 0, 1.0f);
        EXPECT_EQ(Bullets(), atOnce ? 0 : 1);
        EXPECT_EQ(g_Wall.object->fHealth, atOnce ? health - 30.0f : health);
    }
    FX.ReleaseAllFx();
    const D3DXVECTOR3 muzzle(0.0f, 0.0f, 0.0f);
    FireItemShot(nullptr, &muzzle, &ahead, nullptr, 0, 1.0f);
    FireWeaponShot(nullptr, &muzzle, &ahead, nullptr, 0, 1.0f);
    EXPECT_EQ(Bullets(), 0) << "nothing fires without a weapon";
}

TEST_F(ShotTest, ASilencedWeaponRaisesTheSmallerAlarmsAtTheMuzzleAndWhereItHits)
{
    Breakable();
    g_Wall.z = 2.0f;
    auto fire = [](DWORD kind)
    {
        InHand(kind);
        Bronie.TriggerDown();
        // The trigger's alarm, then the close hit's.
        EXPECT_EQ(PMgr.m_iAlarms, 2);
        const float hit = PMgr.m_LastAlarm.fHearing + PMgr.m_LastAlarm.fOpenLine + PMgr.m_LastAlarm.fSight;
        PMgr.Forget();
        return hit;
    };
    const float loud = fire(1);
    const float quiet = fire(3);
    EXPECT_LT(quiet, loud);
    const BulletHit::AlarmSize& small = BulletHit::HitAlarm(1);
    const BulletHit::AlarmSize& large = BulletHit::HitAlarm(0);
    EXPECT_LT(small.hearing, large.hearing);
    EXPECT_LT(small.openLine, large.openLine);
    EXPECT_LT(small.sight, large.sight);
}
} // namespace
