// Where bullets and blasts land: the impact effect by surface with its
// fallback, the far plane, the ricochet's reach, the hero claiming a hit and
// the reach of a blast.
#include "player_fixture.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "game/BulletHit.h"
#include "physics/PhysicsMgr.h"
#include "world/DeathParams.h"

#include <btBulletDynamicsCommon.h>

#include <utility>

using namespace playertest;

namespace
{
class BulletHitTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        FX.ReleaseAllFx();
        g_Options.DrawFX = 1;
        g_Options.AddFX = 1;
        PMgr.Forget();
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetFarPlane(1000.0f);
        Catalogue(Weapon("rifle", 1, 30, 300, "Hit 25\n"));
        weapon = *ItemMgr.FindDescription("rifle");
        impact.Type = FX_TYPE_NONE;
        impact.Life_Time = -1.0f;
        weapon.HitFx[SURFACE_CONCRETE].defs[0] = &impact;
        weapon.HitFx[SURFACE_CONCRETE].count = 1;
        const float at[3] = {0.0f, 0.0f, 30.0f};
        target = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, at, nullptr);
        ASSERT_NE(target, nullptr);
        EDeathParams d;
        d.bEnabled = 1;
        d.bBulletHits = 1;
        d.fHitPoints = 100.0f;
        g_Engine.SetObjectDeathParams(target, &d);
    }

    void TearDown() override
    {
        FX.ReleaseAllFx();
        PlayerTest::TearDown();
    }

    RayTestResult HitAt(const D3DXVECTOR3& point, HOBJECT object) const
    {
        RayTestResult hit;
        hit.bHit = 1;
        hit.vPoint = point;
        hit.vNormal = D3DXVECTOR3(0.0f, 0.0f, -2.0f);
        hit.pObject = object;
        hit.vFrom = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        hit.vTo = point;
        return hit;
    }

    static std::vector<const EFxInstance*> Live()
    {
        std::vector<const EFxInstance*> live;
        for (int i = 1; i < MAX_FX; ++i)
            if (FX.m_Fx[i].m_bActive)
                live.push_back(&FX.m_Fx[i]);
        return live;
    }

    EItemDesc weapon = {};
    EFxDef impact;
    HOBJECT target = nullptr;
};

TEST(ImpactList, EachSurfaceTurnsToItsOwnListAndAnEmptyListKeepsConcrete)
{
    EFxDef concrete, metal, wood, snow, coal, plastic, glass;
    EItemDesc w = {};
    const std::pair<ItemSurface, EFxDef*> lists[] = {
        {SURFACE_CONCRETE, &concrete}, {SURFACE_METAL, &metal}, {SURFACE_WOOD, &wood},
        {SURFACE_SNOW, &snow},         {SURFACE_COAL, &coal},   {SURFACE_GLASS, &glass},
        {SURFACE_PLASTIC, &plastic},
    };
    for (const auto& [surface, def] : lists)
    {
        w.HitFx[surface].defs[0] = def;
        w.HitFx[surface].count = 1;
    }
    // Sand (3) and water (5) have empty lists here.
    struct Row
    {
        DWORD kind;
        const EFxDef* fx;
    };
    const Row rows[] = {
        {0, &concrete}, {1, &metal}, {2, &wood},    {3, &concrete}, {4, &snow},       {5, &concrete},
        {6, &coal},     {7, &metal}, {8, &plastic}, {9, &concrete}, {255, &concrete},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BulletHit::ImpactFx(w, r.kind), r.fx) << "surface kind " << r.kind;

    // Without even a concrete entry there is no effect to start.
    EItemDesc bare = {};
    EXPECT_EQ(BulletHit::ImpactFx(bare, 1), nullptr);
}

TEST(Ricochet, OnlyNearerThanTwentyUnitsAndInThreeCasesOfFour)
{
    struct Row
    {
        float distance;
        int random;
        bool heard;
    };
    const Row rows[] = {
        {19.99f, 1, true}, {19.99f, 2, true}, {19.99f, 3, true},  {0.0f, 4, false},
        {0.0f, 8, false},  {20.0f, 1, false}, {20.01f, 3, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BulletHit::Ricochets(r.distance, r.random), r.heard) << r.distance << " " << r.random;
}

TEST_F(BulletHitTest, AWorldHitHurtsTheObjectAndThrowsUpItsImpactOffTheSurface)
{
    const RayTestResult hit = HitAt(D3DXVECTOR3(0.0f, 1.0f, 29.5f), target);
    HandleBulletHit(&weapon, &hit, nullptr, 0, 0, 1.0f);
    EXPECT_FLOAT_EQ(target->fHealth, 75.0f);
    const auto live = Live();
    ASSERT_EQ(live.size(), 1u);
    EXPECT_NEAR(live[0]->m_vPos.z, 29.5f - 0.36f, 1e-4f) << "lifted off along the unit normal";
    EXPECT_NEAR(live[0]->m_vPos.y, 1.0f, 1e-4f);
    EXPECT_EQ(PMgr.m_iAlarms, 1);
}

TEST_F(BulletHitTest, ALooseBodyIsPushedAlongTheShotAndTakesNoMarkWhileAWallWithAStaticBodyDoes)
{
    g_PhysicsMgr.Init();
    const float crateAt[3] = {0.0f, 0.0f, 20.0f};
    const float wallAt[3] = {5.0f, 0.0f, 20.0f};
    HOBJECT crate = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, crateAt, nullptr);
    HOBJECT wall = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, wallAt, nullptr);
    ASSERT_NE(crate, nullptr);
    ASSERT_NE(wall, nullptr);
    g_PhysicsMgr.CreateObjectBody(crate, nullptr);
    g_PhysicsMgr.AddBoxBody(wall);
    ASSERT_TRUE(CPhysicsMgr::HasMovingBody(crate));
    ASSERT_NE(wall->pPhysicsBody, nullptr);
    ASSERT_FALSE(CPhysicsMgr::HasMovingBody(wall));

    const RayTestResult onCrate = HitAt(D3DXVECTOR3(0.0f, 0.0f, 19.5f), crate);
    HandleBulletHit(&weapon, &onCrate, nullptr, 0, 0, 1.0f);
    const btVector3 v = static_cast<btRigidBody*>(crate->pPhysicsBody)->getLinearVelocity();
    EXPECT_GT(v.z(), 0.0f) << "pushed away from the shooter";
    EXPECT_NEAR(v.x(), 0.0f, 1e-4f);
    const RayTestResult onWall = HitAt(D3DXVECTOR3(5.0f, 0.0f, 19.5f), wall);
    FX.ReleaseAllFx();
    Bronie.SpawnImpactEffect(&weapon, &onCrate);
    EXPECT_TRUE(Live().empty()) << "no mark on a body that moves";
    Bronie.SpawnImpactEffect(&weapon, &onWall);
    ASSERT_EQ(Live().size(), 1u);
    EXPECT_EQ(Live()[0]->m_bDecal, 1);
    g_PhysicsMgr.Shutdown();
}

TEST_F(BulletHitTest, BeyondTheFarPlaneAHitStillHurtsButShowsNothing)
{
    g_Camera.SetFarPlane(20.0f);
    const RayTestResult hit = HitAt(D3DXVECTOR3(0.0f, 1.0f, 29.5f), target);
    HandleBulletHit(&weapon, &hit, nullptr, 0, 0, 1.0f);
    EXPECT_FLOAT_EQ(target->fHealth, 75.0f);
    EXPECT_TRUE(Live().empty());
}

TEST_F(BulletHitTest, NothingHappensWithoutAWeaponAHitOrAnObject)
{
    RayTestResult hit = HitAt(D3DXVECTOR3(0.0f, 1.0f, 29.5f), target);
    HandleBulletHit(nullptr, &hit, nullptr, 0, 0, 1.0f);
    HandleBulletHit(&weapon, nullptr, nullptr, 0, 0, 1.0f);
    hit.pObject = nullptr;
    HandleBulletHit(&weapon, &hit, nullptr, 0, 0, 1.0f);
    EXPECT_EQ(PMgr.m_iAlarms, 0);
    EXPECT_FLOAT_EQ(target->fHealth, 100.0f);
    EXPECT_TRUE(Live().empty());
}

TEST_F(BulletHitTest, TheHeroClaimsABulletThatMeetsHim)
{
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_UPDATE;
    Player.m_fTimeSinceInit = 10.0f;
    Player.m_hObject = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    const float health = PlayerStats.m_fHealth;
    const RayTestResult hit = HitAt(D3DXVECTOR3(0.0f, 1.0f, 1.0f), Player.m_hObject);
    HandleBulletHit(&weapon, &hit, target, 0, 0, 1.0f);
    EXPECT_LT(PlayerStats.m_fHealth, health);
    EXPECT_TRUE(Live().empty()) << "no impact thrown up off the hero";
    EXPECT_FLOAT_EQ(target->fHealth, 100.0f);
}

TEST_F(BulletHitTest, ABlastReachesTheHeroUpToNinetyUnitsAway)
{
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_UPDATE;
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    struct Row
    {
        float distance;
        bool reaches;
    };
    for (const Row& r : {Row{90.0f, true}, Row{90.01f, false}, Row{120.0f, false}, Row{10.0f, true}})
    {
        SCOPED_TRACE(r.distance);
        Player.m_fTimeSinceExplosion = 5.0f;
        const D3DXVECTOR3 point(r.distance, 0.0f, 0.0f);
        g_MainGame.ExplosionNearPlayer(&point, 20.0f);
        EXPECT_EQ(Player.m_fTimeSinceExplosion == 0.0f, r.reaches);
    }
    g_MainGame.ExplosionNearPlayer(nullptr, 20.0f);
}
} // namespace
