// The player's capsule in a small world of ground, a two-step stair, a ledge
// and a crate, driven through the manager's own calls.
#include "physics_fixture.h"

#include <cmath>

using namespace physicstest;

namespace
{
constexpr float kStand = 0.95f; // the capsule's centre above its feet
constexpr float kWalk = 0.05f;  // metres a sub-step
constexpr float kNear = 0.1f;

class ControllerTest : public PhysicsTest
{
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        // Ground with its top at 0; a stair of 0.3 and 0.6 from x 2 to 4;
        // a ledge with its top at 2 from x -12 to -8; a crate at z 6.
        m_ground = Make({0, -1, 0}, {30, 1, 30}, OF_STATIC_BODY);
        m_step1 = Make({2.5f, 0.15f, 0}, {0.5f, 0.15f, 2}, OF_STATIC_BODY);
        m_step2 = Make({3.5f, 0.3f, 0}, {0.5f, 0.3f, 2}, OF_STATIC_BODY);
        m_ledge = Make({-10, 1, 0}, {2, 1, 2}, OF_STATIC_BODY);
        for (HOBJECT o : {m_ground, m_step1, m_step2, m_ledge})
            ASSERT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(o), EBodyChoice::Box);
        m_crate = Make({0, 0.5f, 6}, {0.5f, 0.5f, 0.5f});
        g_PhysicsMgr.CreateObjectBody(m_crate, nullptr);
    }

    static D3DXVECTOR3 Player()
    {
        D3DXVECTOR3 p(0, 0, 0);
        g_PhysicsMgr.GetPlayerPosition(&p);
        return p;
    }

    static void Walk(float x, float z, int frames)
    {
        const D3DXVECTOR3 walk(x, 0, z);
        g_PhysicsMgr.SetWalkDirection(&walk);
        Run(frames);
        const D3DXVECTOR3 stop(0, 0, 0);
        g_PhysicsMgr.SetWalkDirection(&stop);
    }

    // Steps until the capsule stands (at most two seconds); false when it never does.
    static bool Settle()
    {
        for (int i = 0; i < 120; ++i)
        {
            g_PhysicsMgr.Step(kFrame);
            if (g_PhysicsMgr.PlayerOnGround())
            {
                Run(5);
                return true;
            }
        }
        return false;
    }

    HOBJECT m_ground = nullptr, m_step1 = nullptr, m_step2 = nullptr, m_ledge = nullptr, m_crate = nullptr;
};
} // namespace

TEST_F(ControllerTest, ThePositionIsTheCapsulesCentre)
{
    const D3DXVECTOR3 start(0, 3, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    ASSERT_TRUE(Settle());
    EXPECT_NEAR(Player().y, kStand, kNear);
    EXPECT_TRUE(g_PhysicsMgr.PlayerCanJump());

    // A second controller in the same world changes nothing.
    const D3DXVECTOR3 elsewhere(5, 5, 5);
    btKinematicCharacterController* first = g_PhysicsMgr.m_character;
    g_PhysicsMgr.CreatePlayerController(&elsewhere);
    EXPECT_EQ(g_PhysicsMgr.m_character, first);
    EXPECT_NEAR(Player().x, 0.0f, kNear);
}

TEST_F(ControllerTest, WalksUpTheStairFallsOffTheLedgeAndJumps)
{
    const D3DXVECTOR3 start(0, 1, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    ASSERT_TRUE(Settle());

    // Up both steps: 0.3 each is under the step height.
    Walk(kWalk, 0, 75);
    ASSERT_TRUE(Settle());
    EXPECT_GT(Player().x, 3.0f);
    EXPECT_LT(Player().x, 4.0f);
    EXPECT_NEAR(Player().y, 0.6f + kStand, kNear);

    // Onto the ledge by warp, then off its edge: the capsule falls and lands.
    const D3DXVECTOR3 onLedge(-10, 2 + kStand + 0.05f, 0);
    g_PhysicsMgr.WarpPlayer(&onLedge);
    ASSERT_TRUE(Settle());
    EXPECT_NEAR(Player().y, 2 + kStand, kNear);
    bool fell = false;
    const D3DXVECTOR3 west(-kWalk, 0, 0);
    g_PhysicsMgr.SetWalkDirection(&west);
    for (int i = 0; i < 120 && Player().x > -13.0f; ++i)
    {
        g_PhysicsMgr.Step(kFrame);
        fell |= !g_PhysicsMgr.PlayerOnGround();
    }
    Walk(0, 0, 0);
    EXPECT_TRUE(fell);
    ASSERT_TRUE(Settle());
    EXPECT_NEAR(Player().y, kStand, kNear);
    EXPECT_LT(Player().x, -12.0f);

    // A jump rises and comes back down; in the air there is no second jump.
    g_PhysicsMgr.PlayerJump();
    Run(10);
    const float high = Player().y;
    EXPECT_GT(high, kStand + 0.5f);
    EXPECT_FALSE(g_PhysicsMgr.PlayerCanJump());
    g_PhysicsMgr.PlayerJump();
    Run(3);
    EXPECT_LT(Player().y, high + 0.5f);
    ASSERT_TRUE(Settle());
    EXPECT_NEAR(Player().y, kStand, kNear);
}

TEST_F(ControllerTest, APushedCrateMovesAndTheCapsuleStopsAtIt)
{
    const D3DXVECTOR3 start(0, 1, 3);
    g_PhysicsMgr.CreatePlayerController(&start);
    ASSERT_TRUE(Settle());
    Walk(0, kWalk, 90);
    // The crate stands in the way.
    EXPECT_LT(Player().z, 6.0f - 0.5f - 0.4f);

    const D3DXVECTOR3 before = m_crate->vPosition;
    const D3DXVECTOR3 push(0, 0, 30);
    g_PhysicsMgr.PushObject(m_crate, &push);
    Run(30);
    EXPECT_GT(m_crate->vPosition.z, before.z + 0.5f);
    EXPECT_NEAR(m_crate->vPosition.y, 0.5f, kNear);
}

TEST_F(ControllerTest, AWarpWhileFrozenIsIgnored)
{
    const D3DXVECTOR3 start(0, 1, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    ASSERT_TRUE(Settle());
    const D3DXVECTOR3 there(-5, 1, -5);
    g_PhysicsMgr.FreezePlayer();
    g_PhysicsMgr.WarpPlayer(&there);
    EXPECT_NEAR(Player().x, 0.0f, kNear);
    g_PhysicsMgr.UnfreezePlayerAt(&there);
    EXPECT_EQ(Player(), there);
    g_PhysicsMgr.WarpPlayer(nullptr);
    EXPECT_EQ(Player(), there);
}

TEST_F(ControllerTest, NoJumpFromAPlatformSwitchedToKinematic)
{
    const D3DXVECTOR3 start(-10, 2 + kStand + 0.05f, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    ASSERT_TRUE(Settle());
    g_PhysicsMgr.m_hStandObject = m_ledge;
    EXPECT_TRUE(g_PhysicsMgr.PlayerCanJump());

    // The game starts moving the ledge: its body is switched and no jump is allowed from it.
    const D3DXVECTOR3 moved(-10, 1.01f, 0);
    g_Engine.SetObjectTransform(m_ledge, &moved, &m_ledge->Orientation, 0, 1);
    EXPECT_TRUE(g_PhysicsMgr.PlayerOnGround());
    EXPECT_FALSE(g_PhysicsMgr.PlayerCanJump());
    // From other ground it is.
    g_PhysicsMgr.m_hStandObject = m_ground;
    EXPECT_TRUE(g_PhysicsMgr.PlayerCanJump());
}

TEST_F(ControllerTest, WithoutAControllerCallsDoNothing)
{
    const D3DXVECTOR3 v(1, 2, 3);
    D3DXVECTOR3 out(7, 7, 7);
    g_PhysicsMgr.SetWalkDirection(&v);
    g_PhysicsMgr.PlayerJump();
    g_PhysicsMgr.WarpPlayer(&v);
    g_PhysicsMgr.FreezePlayer();
    g_PhysicsMgr.UnfreezePlayerAt(&v);
    g_PhysicsMgr.GetPlayerPosition(&out);
    EXPECT_EQ(out, D3DXVECTOR3(7, 7, 7));
    EXPECT_FALSE(g_PhysicsMgr.PlayerCanJump());
    EXPECT_FALSE(g_PhysicsMgr.PlayerOnGround());
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 0);
}
