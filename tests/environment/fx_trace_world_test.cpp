// The effects' segment traces against the scene's own segment test: cubes
// loaded as mesh objects, no stand-in world.
#include "world/world_fixture.h"

#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "world/Camera.h"
#include "world/DeathParams.h"
#include "world/IntersectSegment.h"

namespace
{
class FxTraceWorld : public worldtest::WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        FxSetSegmentTest(nullptr);
        g_IntersectSegment.RebuildAll();
        FX.Release();
        g_FxServiceCounts = FxServiceCounts{};
        g_Camera.SetPosition(D3DXVECTOR3(0, 0, 0));
        g_Camera.SetFarPlane(1000.0f);
        g_Engine.m_fDeltaTime = 0.05f;
    }
    void TearDown() override
    {
        FX.Release();
        WorldTest::TearDown();
    }
    static HOBJECT Cube(D3DXVECTOR3 at)
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, worldtest::MESH_FILE, 0, 0, &at.x, nullptr);
        g_Engine.PrepareObject(o);
        return o;
    }
    // A lasting, unseen effect that hurts 10 a second, burning for four frames.
    static void BurnFourFrames(const D3DXVECTOR3& at)
    {
        EFxDef fire;
        fire.Type = FX_TYPE_NONE;
        fire.Life_Time = -1.0f;
        fire.Hurt_Player = 10.0f;
        fire.Pos = at;
        FX.CreateFx(&fire, nullptr, nullptr, 0);
        for (int i = 0; i < 4; ++i)
            FX.Update();
    }
    static EFxInstance* Shoot(const D3DXVECTOR3& from, const D3DXVECTOR3& vel)
    {
        EFxDef d;
        d.Type = FX_BULLET;
        d.Move = 1;
        d.Life_Time = 5.0f;
        d.Pos = from;
        d.Vel = vel;
        d.Shooter = nullptr;
        return FX.CreateFx(&d, nullptr, nullptr, 0);
    }
};
} // namespace

TEST_F(FxTraceWorld, TracesMeetTheNearestCubeUnlessItIsSkipped)
{
    HOBJECT near = Cube({0, 0, 3});
    HOBJECT far = Cube({0, 0, 6});
    ASSERT_TRUE(near && far);
    D3DXVECTOR3 from(0, 0, 0), to(0, 0, 10);
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 0, 0, 0), 1);
    EXPECT_NEAR(from.z, 2.5f, 1e-4f);
    EXPECT_NEAR(to.z, -1.0f, 1e-4f);
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, near, 0, nullptr, 0, 0, 0), 1);
    EXPECT_NEAR(from.z, 5.5f, 1e-4f);
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, near, 0, far, 0, 0, 0), 0);
    EXPECT_EQ(to.z, 10.0f);
}

TEST_F(FxTraceWorld, BulletsStrikeTheFrontOfACubeAndLeaveItsInsideUnmarked)
{
    HOBJECT near = Cube({0, 0, 3});
    HOBJECT far = Cube({0, 0, 6});
    ASSERT_TRUE(near && far);
    EFxInstance* shot = Shoot({0, 0, 0}, {0, 0, 100});
    for (int i = 0; i < 3; ++i)
        FX.Update();
    EXPECT_EQ(shot->m_bActive, 0);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 1);
    EXPECT_EQ(g_FxServiceCounts.hLastBulletHit, near);

    // Fired from inside the far cube: it leaves through the back of a face.
    EFxInstance* inside = Shoot({0, 0, 6}, {0, 0, 100});
    for (int i = 0; i < 3; ++i)
        FX.Update();
    EXPECT_EQ(inside->m_bActive, 0);
    EXPECT_EQ(g_FxServiceCounts.iBulletHits, 1);
}

TEST_F(FxTraceWorld, AHurtingEffectWearsDownObjectsThatTakeDamageFromIt)
{
    HOBJECT crate = Cube({0, 0, 3});
    HOBJECT wall = Cube({0, 0, 3.2f});
    HOBJECT away = Cube({10, 0, 3});
    ASSERT_TRUE(crate && wall && away);
    EDeathParams hurt;
    hurt.bEnabled = 1;
    hurt.fHitPoints = 50.0f;
    for (HOBJECT o : {crate, away})
        g_Engine.SetObjectDeathParams(o, &hurt);
    hurt.bExplosions = 0; // takes no damage from effects
    g_Engine.SetObjectDeathParams(wall, &hurt);

    BurnFourFrames(D3DXVECTOR3(0, 0.2f, 3));
    EXPECT_NEAR(crate->fHealth, 50.0f - 4 * 0.05f * 10.0f, 1e-4f); // per second of exposure
    EXPECT_EQ(wall->fHealth, 50.0f);
    EXPECT_EQ(away->fHealth, 50.0f);
}

TEST_F(FxTraceWorld, TracesPassDeadAndSeeThroughObjects)
{
    HOBJECT near = Cube({0, 0, 3});
    HOBJECT far = Cube({0, 0, 6});
    ASSERT_TRUE(near && far);
    near->bDead = 1;
    D3DXVECTOR3 from(0, 0, 0), to(0, 0, 10);
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 0, 0, 0), 1);
    EXPECT_NEAR(from.z, 5.5f, 1e-4f) << "the dead cube lets the trace through";
    far->dwFlags2 |= EIntersectSegment::FLAG2_SEE_THROUGH;
    from = {0, 0, 0};
    to = {0, 0, 10};
    EXPECT_EQ(TraceSegment(&from, &to, nullptr, 0, nullptr, 0, 0, 0), 0);
}

TEST_F(FxTraceWorld, AHurtingEffectKillsAnObjectThroughItsDeath)
{
    HOBJECT crate = Cube({0, 0, 3});
    ASSERT_TRUE(crate);
    EDeathParams hurt;
    hurt.bEnabled = 1;
    hurt.fHitPoints = 1.0f;
    g_Engine.SetObjectDeathParams(crate, &hurt);
    BurnFourFrames(D3DXVECTOR3(0, 0.2f, 3));
    EXPECT_EQ(crate->bDead, 1);
    EXPECT_TRUE(FxObjectDead(crate));
}
