// The flown helicopter: boarding, the control table, the lift's height factor,
// climbing on its bodies, the use key's two seconds, leaving at the exit
// socket, and a helicopter that goes mid-flight.
#include "vehicle_fixture.h"

#include "player/Player.h"
#include "shell/Mouse.h"
#include "world/Object.h"

using namespace vehicletest;

namespace
{
class PlayerHeliTest : public VehicleTest
{
protected:
    void SetUp() override
    {
        VehicleTest::SetUp();
        g_CommandMgr.SetDefaultKeys();
        g_Mouse.m_State = EMouseState();
        StartPhysics();
        Player.m_hObject = nullptr;
        const D3DXVECTOR3 start(20, 1, 0);
        g_PhysicsMgr.CreatePlayerController(&start);
    }

    // A helicopter standing 10 over the ground with a static body, and the hero on board.
    HOBJECT Board(const char* file = HELI)
    {
        HOBJECT ground = Ground();
        g_Engine.RespawnObject(ground);
        HOBJECT heli = Place(file, {0, 10, 0}, 1 | OF_STATIC_BODY);
        if (!heli)
            return nullptr;
        g_Engine.RespawnObject(heli);
        g_PlayerHeli.Enter(heli);
        return heli;
    }

    // Frames of the hero's flying branch.
    static void Fly(float seconds, float dt = kFrame)
    {
        g_Engine.m_fDeltaTime = dt;
        for (float t = 0.0f; t < seconds; t += dt)
        {
            g_PlayerHeli.Update();
            g_PhysicsMgr.Step(dt);
            g_PlayerHeli.UpdateCamera();
        }
    }
};
} // namespace

TEST_F(PlayerHeliTest, BoardingFreezesTheHeroAndBuildsTheHullWithSixJointedParts)
{
    HOBJECT heli = Board();
    ASSERT_TRUE(heli);
    EXPECT_TRUE(g_PlayerHeli.m_bFlying);
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 1);
    EXPECT_EQ(g_PlayerHeli.m_fThrottle, 0.3f);
    const EHeliPhysics* h = g_PhysicsMgr.GetHeliPhysics(heli);
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < HELI_PHYSICS_BODIES; ++i)
    {
        EXPECT_NE(h->pBody[i], nullptr);
        EXPECT_NE(h->pConstraint[i], nullptr);
    }
    auto* hull = static_cast<btRigidBody*>(heli->pPhysicsBody);
    ASSERT_NE(hull, nullptr);
    EXPECT_NEAR(1.0f / hull->getInvMass(), 1000.0f, 1e-2f);
    // The frozen hero stays where he was, not at the parking place the warp names.
    D3DXVECTOR3 hero;
    g_PhysicsMgr.GetPlayerPosition(&hero);
    EXPECT_NEAR(hero.x, 20.0f, 1e-3f);
    // The camera rides at the "kamera" socket.
    Fly(kFrame);
    EXPECT_NEAR(g_Camera.GetPosition().y, heli->vPosition.y + 1.0f, 1e-3f);
}

TEST_F(PlayerHeliTest, TheControlsKeepToTheirRanges)
{
    ASSERT_TRUE(Board());
    g_PlayerHeli.m_fFrameTime = 0.1f;
    Press(CPlayerHeli::CMD_FORWARD, true);
    for (int i = 0; i < 30; ++i)
        g_PlayerHeli.HandleInput();
    EXPECT_EQ(g_PlayerHeli.m_fThrottle, 1.0f);
    Press(CPlayerHeli::CMD_FORWARD, false);
    Press(CPlayerHeli::CMD_BACKWARD, true);
    g_PlayerHeli.HandleInput();
    EXPECT_NEAR(g_PlayerHeli.m_fThrottle, 0.94f, 1e-5f);
    for (int i = 0; i < 30; ++i)
        g_PlayerHeli.HandleInput();
    EXPECT_EQ(g_PlayerHeli.m_fThrottle, 0.3f);
    Press(CPlayerHeli::CMD_BACKWARD, false);

    struct Yaw
    {
        bool left, right;
        float yaw;
    };
    for (const Yaw& c :
         {Yaw{false, false, 0.0f}, Yaw{false, true, 1.0f}, Yaw{true, false, -1.0f}, Yaw{true, true, -1.0f}})
    {
        Press(CPlayerHeli::CMD_LEFT, c.left);
        Press(CPlayerHeli::CMD_RIGHT, c.right);
        g_PlayerHeli.HandleInput();
        EXPECT_EQ(g_PlayerHeli.m_fYaw, c.yaw) << c.left << c.right;
    }

    // A big mouse move saturates pitch and roll, and the move is used up.
    g_Mouse.m_State.dy = 2000.0;
    g_Mouse.m_State.dx = -2000.0;
    g_PlayerHeli.HandleInput();
    EXPECT_EQ(g_PlayerHeli.m_fPitch, 1.0f);
    EXPECT_EQ(g_PlayerHeli.m_fRoll, -1.0f);
    EXPECT_EQ(g_Mouse.m_State.dx, 0.0);
    EXPECT_EQ(g_Mouse.m_State.dy, 0.0);
    // Both return toward level by 0.25 a second, never past it.
    g_PlayerHeli.m_fFrameTime = 1.0f;
    g_PlayerHeli.m_fPitch = 0.1f;
    g_PlayerHeli.ApplyFlightForces();
    EXPECT_EQ(g_PlayerHeli.m_fPitch, 0.0f);
    EXPECT_EQ(g_PlayerHeli.m_fRoll, -0.75f);
}

TEST_F(PlayerHeliTest, LiftWeakensWithHeightDownToHalf)
{
    struct Case
    {
        float height, factor;
    };
    for (const Case& c : {Case{0, 1.0f}, Case{-50, 1.0f}, Case{100, 0.75f}, Case{200, 0.5f}, Case{500, 0.5f}})
        EXPECT_FLOAT_EQ(CPlayerHeli::HeightFactor(c.height), c.factor) << c.height;
}

TEST_F(PlayerHeliTest, HoldingForwardClimbsAndTheUseKeyWaitsTwoSecondsThenPutsTheHeroAtTheExit)
{
    HOBJECT heli = Board();
    ASSERT_TRUE(heli);
    Press(CPlayerHeli::CMD_FORWARD, true);
    Press(CPlayerHeli::CMD_USE, true);
    Fly(1.9f);
    EXPECT_TRUE(g_PlayerHeli.m_bFlying) << "the use key does nothing in the first two seconds";
    Press(CPlayerHeli::CMD_USE, false);
    const float low = heli->vPosition.y;
    Fly(3.0f);
    ASSERT_TRUE(g_PlayerHeli.m_bFlying);
    EXPECT_GT(heli->vPosition.y, low + 0.5f) << "full throttle lifts the helicopter";
    EXPECT_NEAR(g_PlayerHeli.m_fThrottle, 1.0f, 1e-5f);

    Press(CPlayerHeli::CMD_USE, true);
    Fly(kFrame);
    EXPECT_FALSE(g_PlayerHeli.m_bFlying);
    EXPECT_EQ(g_PlayerHeli.m_hObject, nullptr);
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 0);
    EXPECT_EQ(g_PhysicsMgr.GetHeliPhysics(heli), nullptr);
    auto* body = static_cast<btRigidBody*>(heli->pPhysicsBody);
    ASSERT_NE(body, nullptr) << "the static body comes back";
    EXPECT_TRUE(body->isStaticOrKinematicObject());
    D3DXVECTOR3 exit;
    ASSERT_TRUE(g_MeshSockets.GetSocket(heli, "exit", &exit));
    EXPECT_NEAR(Player.m_vPosition.x, exit.x, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.y, exit.y, 1e-3f);
    D3DXVECTOR3 hero;
    g_PhysicsMgr.GetPlayerPosition(&hero);
    EXPECT_NEAR(hero.x, exit.x, 1e-3f);
}

TEST_F(PlayerHeliTest, AHelicopterDeletedMidFlightLetsTheHeroWalkAgain)
{
    HOBJECT heli = Board();
    ASSERT_TRUE(heli);
    Fly(0.5f);
    g_Engine.DeleteObject(heli);
    EXPECT_FALSE(g_PlayerHeli.m_bFlying);
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 0);
    EXPECT_TRUE(Finite(Player.m_vPosition));
    Fly(0.5f);

    // Gone without the engine's deletion (its slot taken by another object): the same.
    HOBJECT second = Board();
    ASSERT_TRUE(second);
    second->PESEL[0] ^= 1;
    Fly(kFrame);
    EXPECT_FALSE(g_PlayerHeli.m_bFlying);
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 0);
}

TEST_F(PlayerHeliTest, AHelicopterWithoutCameraOrExitSocketsGivesNoNaN)
{
    HOBJECT heli = Board(ROTOR);
    ASSERT_TRUE(heli);
    ConsoleSince log;
    Fly(2.5f);
    EXPECT_TRUE(Finite(g_Camera.GetPosition()));
    Press(CPlayerHeli::CMD_USE, true);
    Fly(kFrame);
    EXPECT_FALSE(g_PlayerHeli.m_bFlying);
    EXPECT_TRUE(Finite(Player.m_vPosition));
    EXPECT_NEAR(Player.m_vPosition.x, heli->vPosition.x, 1e-3f);
    EXPECT_EQ(Count(log.Text(), "without socket kamera"), 1u);
    EXPECT_EQ(Count(log.Text(), "without socket exit"), 1u);
}
