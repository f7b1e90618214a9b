// The demo world's vehicle yard in a running game, in-process on the headless
// window and device: the truck climbs the ramp tilted with turning wheels and
// stops beside the hero; under the hovering helicopter the dust rises and the
// view shakes; the hero boards the helicopter on its pad, climbs with W, and
// after two seconds gets out at its exit and walks.
#include "game_fixture.h"

#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "player/Player.h"
#include "shell/Input.h"
#include "shell/WinMain.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "mesh/MeshSocketsMgr.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <cmath>
#include <string>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Where the console's teleport puts the hero over the yard's markers.
constexpr float kTeleportRise = 64.0f;

class VehicleWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("VehicleWorldTest", kWidth, kHeight));
    }
    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }
    void Run(int frames)
    {
        for (int i = 0; i < frames; ++i)
            ASSERT_NO_FATAL_FAILURE(Pass());
    }
    // The hero taken to a marker of the yard, as the console's "Teleport" does.
    static void TeleportTo(const char* marker)
    {
        HOBJECT o = g_Engine.FindObject(marker, 0);
        ASSERT_NE(o, nullptr) << marker;
        D3DVECTOR at = {o->vPosition.x, o->vPosition.y + kTeleportRise, o->vPosition.z};
        Player.TeleportTo(&at);
    }
    // A key held from the next frame for the given frames.
    static void Hold(const char* key, int frames)
    {
        const uint32_t now = TkFrameCount();
        TkLoadScriptText("frame " + std::to_string(now + 1) + ": key down " + key + "\nframe " +
                             std::to_string(now + 1 + frames) + ": key up " + key + "\n",
                         "hold.txt");
    }
};

TEST_F(VehicleWorld, TheTruckClimbsTheRampTiltedWithTurningWheelsAndStopsTheHeroAtItsSide)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(245));
    HOBJECT truck = g_Engine.FindObject("demo_truck", 0);
    ASSERT_NE(truck, nullptr);
    const ETruck* t = g_PhysicsMgr.GetTruck(truck);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->iNumWheels, 4u);
    const float startZ = truck->vPosition.z;
    const float angle = t->fWheelAngle[2];
    // The hero steps onto the landing spot: the truck sets off.
    ASSERT_NO_FATAL_FAILURE(TeleportTo(worldgen::DEMO_YARD_MARKER));
    ASSERT_TRUE(RunUntil([&] { return truck->vPosition.z > startZ + 1.0f; }, 600)) << "the truck drives";
    EXPECT_NE(t->fWheelAngle[2], angle) << "its wheels turn";
    // On the ramp's rising half it stands on the slope, nose up.
    float tilt = 0.0f, lift = 0.0f;
    ASSERT_TRUE(RunUntil(
        [&]
        {
            tilt = std::max(tilt, -truck->Orientation.Up.z);
            lift = std::max(lift, truck->vPosition.y);
            return truck->vPosition.z > 47.0f;
        },
        1200));
    EXPECT_GT(tilt, 0.1f) << "tilted toward the slope's normal";
    EXPECT_GT(lift, 0.5f) << "carried up the ramp";
    // It ends beside the landing spot, level again.
    ASSERT_TRUE(RunUntil([&] { return truck->vPosition.z > 63.9f; }, 1200));
    Run(30);
    EXPECT_NEAR(truck->Orientation.Up.y, 1.0f, 1e-3f);
    EXPECT_NEAR(truck->vPosition.y, 0.0f, 0.3f);
    for (DWORD i = 0; i < t->iNumWheels; ++i)
        EXPECT_NEAR(t->hWheel[i]->vPosition.z, t->vWheelPosition[i].z, 1e-3f);

    // The hero, put on its east side and pushed west into it, stops at the chassis.
    D3DVECTOR beside = {truck->vPosition.x + 4.0f, 1.2f, truck->vPosition.z};
    Player.TeleportTo(&beside);
    Run(60);
    for (int i = 0; i < 90; ++i)
    {
        const D3DXVECTOR3 west(-0.12f, 0.0f, 0.0f);
        g_PhysicsMgr.SetWalkDirection(&west);
        g_PhysicsMgr.Step(1.0f / 60.0f);
    }
    D3DXVECTOR3 hero;
    g_PhysicsMgr.GetPlayerPosition(&hero);
    EXPECT_GT(hero.x, truck->vPosition.x + t->vHalf.x) << "the capsule stays outside the chassis";
    EXPECT_LT(hero.x, truck->vPosition.x + t->vHalf.x + 1.0f) << "and reached it";
}

TEST_F(VehicleWorld, UnderTheHoveringHelicopterTheDustRisesAndTheViewShakes)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(245));
    HOBJECT heli = g_Engine.FindObject("demo_heli", 0);
    ASSERT_NE(heli, nullptr);
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->hParts[0], nullptr);
    D3DXVECTOR3 rotor;
    ASSERT_TRUE(g_MeshSockets.GetSocket(heli, "rotor", &rotor));
    EXPECT_NEAR(h->hParts[0]->vPosition.y, rotor.y, 1e-3f) << "the rotor sits at its socket";
    ASSERT_TRUE(heli->pSound);
    EXPECT_STREQ(heli->pSound->szFile, "sounds\\vehicles\\heli_01.wav");
    // Far from the town's start nothing rose.
    EXPECT_EQ(g_HeliMgr.m_iDust, 0u);
    ASSERT_NO_FATAL_FAILURE(TeleportTo(worldgen::DEMO_YARD_MARKER));
    ASSERT_TRUE(RunUntil([&] { return g_HeliMgr.m_iShakes > 0; }, 600));
    EXPECT_GT(g_HeliMgr.m_iDust, 0u);
    EXPECT_EQ(g_Camera.m_bShake, 1);
}

TEST_F(VehicleWorld, TheHeroBoardsTheHelicopterClimbsWithWAndGetsOutAtItsExit)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(245));
    HOBJECT heli = g_Engine.FindObject(worldgen::DEMO_FLY_HELI, 0);
    ASSERT_NE(heli, nullptr);
    ASSERT_NO_FATAL_FAILURE(TeleportTo(worldgen::DEMO_PAD_MARKER));
    ASSERT_TRUE(RunUntil([&] { return g_PlayerHeli.m_bFlying != 0; }, 600))
        << "stepping on the pad boards it";
    EXPECT_EQ(g_PlayerHeli.m_hObject, heli);
    Run(2);
    D3DXVECTOR3 camera;
    ASSERT_TRUE(g_MeshSockets.GetSocket(heli, "kamera", &camera));
    const D3DXVECTOR3 off = g_Camera.GetPosition() - camera;
    EXPECT_LT(D3DXVec3Length(&off), 0.5f) << "the camera rides at its socket";
    EXPECT_NEAR(g_PlayerHeli.m_fThrottle, 0.3f, 1e-5f);

    const float ground = heli->vPosition.y;
    Hold("W", 150);
    Run(160);
    EXPECT_EQ(g_PlayerHeli.m_fThrottle, 1.0f);
    EXPECT_GT(heli->vPosition.y, ground + 0.5f) << "full throttle lifts it";
    ASSERT_TRUE(g_PlayerHeli.m_bFlying);
    ASSERT_GT(g_PlayerHeli.m_fFlightTime, 2.0f);

    Hold("E", 2);
    ASSERT_TRUE(RunUntil([&] { return g_PlayerHeli.m_bFlying == 0; }, 30));
    D3DXVECTOR3 exit;
    ASSERT_TRUE(g_MeshSockets.GetSocket(heli, "exit", &exit));
    EXPECT_NEAR(Player.m_vPosition.x, exit.x, 0.2f);
    EXPECT_NEAR(Player.m_vPosition.z, exit.z, 0.2f);
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 0);
    EXPECT_EQ(g_PhysicsMgr.GetHeliPhysics(heli), nullptr);
    Run(120);
    const D3DXVECTOR3 landed(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    Hold("W", 60);
    Run(70);
    const D3DXVECTOR3 walked(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    const D3DXVECTOR3 moved = walked - landed;
    EXPECT_GT(D3DXVec3Length(&moved), 1.0f) << "and he walks";
}
} // namespace
