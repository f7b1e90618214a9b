// The demo world's bezier paths in a running game, in-process on the headless
// window and device: the cart waits at its start, runs its loop, stops at its
// blocker and passes once its gate has been stepped into; the fly-through
// puts the camera on its marker, looks at the target marker, and jump ends it.
#include "game_fixture.h"

#include "game/BezierCamera.h"
#include "game/BezierMgr.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "shell/Input.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <cmath>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;

class BezierWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("BezierWorldTest", kWidth, kHeight));
    }

    void TearDown() override
    {
        g_BezierCamera.Stop();
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    // On the cart's rectangle: x 28 to 34, z -15 to -11, on the ground.
    static bool OnCartLoop(const D3DXVECTOR3& p)
    {
        const float e = 0.05f;
        const bool inside = p.x > 28.0f - e && p.x < 34.0f + e && p.z > -15.0f - e && p.z < -11.0f + e;
        const bool onEdge = std::fabs(p.x - 28.0f) < e || std::fabs(p.x - 34.0f) < e ||
                            std::fabs(p.z + 11.0f) < e || std::fabs(p.z + 15.0f) < e;
        return inside && onEdge && std::fabs(p.y) < e;
    }
};

TEST_F(BezierWorld, TheCartWaitsRunsItsLoopStopsAtItsBlockerAndPassesAfterTheGate)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(210));
    HOBJECT cart = g_Engine.FindObject(worldgen::DEMO_CART, 0);
    ASSERT_NE(cart, nullptr);
    ASSERT_TRUE(g_Engine.IsMovingOnBezier(cart));
    // Waiting at the start through its first-visit pause.
    const D3DXVECTOR3 start = Position(cart);
    EXPECT_NEAR(start.x, 28.0f, 1e-3);
    EXPECT_NEAR(start.z, -11.0f, 1e-3);
    ASSERT_GT(cart->pBezierMove->dValue2, 0.0) << "the first-visit pause runs";
    // Then it moves, staying on its loop.
    ASSERT_TRUE(RunUntil([&] { return Position(cart).x > 29.0f; }, 600));
    int samples = 0;
    ASSERT_TRUE(RunUntil(
        [&]
        {
            EXPECT_TRUE(OnCartLoop(Position(cart))) << Position(cart).x << ", " << Position(cart).z;
            ++samples;
            return cart->pBezierMove->bFlag2 != 0;
        },
        1200))
        << "the cart reaches its blocker";
    EXPECT_GT(samples, 10);
    EXPECT_TRUE(g_GameAI.IsVariableSet("cart_lap")) << "the far corner sets the lap variable";
    // It holds at the blocker node.
    const D3DXVECTOR3 held = Position(cart);
    EXPECT_NEAR(held.x, 28.0f, 1e-3);
    EXPECT_NEAR(held.z, -15.0f, 1e-3);
    for (int i = 0; i < 30; ++i)
        ASSERT_NO_FATAL_FAILURE(Pass());
    EXPECT_NEAR(Position(cart).z, -15.0f, 1e-3);
    // The gate lets it pass, and it heads back to its start.
    g_Engine.RunObjectAction(worldgen::DEMO_CART_GATE, 0);
    ASSERT_TRUE(RunUntil([&] { return Position(cart).z > -14.0f; }, 300));
    EXPECT_TRUE(OnCartLoop(Position(cart)));
}

TEST_F(BezierWorld, TheFlyThroughCarriesTheCameraUntilJump)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(210));
    g_BezierCamera.Start(
        (std::string(worldgen::DEMO_FLYBY_PATH) + " " + worldgen::DEMO_FLYBY_TARGET_PATH).c_str());
    ASSERT_EQ(g_BezierCamera.m_bRunning, 1);
    ASSERT_NE(g_BezierCamera.m_hCamera, nullptr);
    ASSERT_NE(g_BezierCamera.m_hTarget, nullptr);
    // The first frame starts the markers; the object pass moves them after.
    ASSERT_NO_FATAL_FAILURE(Pass());
    ASSERT_NO_FATAL_FAILURE(Pass());
    std::vector<float> xs;
    for (int i = 0; i < 60; ++i)
    {
        ASSERT_NO_FATAL_FAILURE(Pass());
        const D3DXVECTOR3 marker = Position(g_BezierCamera.m_hCamera);
        const D3DXVECTOR3 camera = g_Camera.GetPosition();
        EXPECT_NEAR(camera.x, marker.x, 1e-3);
        EXPECT_NEAR(camera.y, marker.y, 1e-3);
        xs.push_back(camera.x);
        // Looking at the target marker.
        D3DXVECTOR3 look = Position(g_BezierCamera.m_hTarget) - camera;
        D3DXVec3Normalize(&look, &look);
        const D3DXVECTOR3 forward = g_Camera.GetOrientation().Forward;
        EXPECT_GT(D3DXVec3Dot(&look, &forward), 0.99f);
    }
    EXPECT_GT(xs.back(), xs.front() + 1.0f) << "the camera flies east along its path";
    EXPECT_GT(g_Camera.GetPosition().y, 10.0f) << "over the town";

    const TkKey space = TkKeyFromName("Space");
    TkInjectKeyScan(space.vk, space.scan, true);
    ASSERT_TRUE(RunUntil([] { return g_BezierCamera.m_bRunning == 0; }, 10));
    TkInjectKeyScan(space.vk, space.scan, false);
    EXPECT_EQ(g_BezierCamera.m_hCamera, nullptr);
    EXPECT_EQ(g_Engine.FindObject("Bezier camera", 0), nullptr) << "the markers are gone";
}
} // namespace
