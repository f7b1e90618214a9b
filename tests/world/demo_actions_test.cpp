// The demo world's scripted corner, loaded headless from the bundled data and
// driven through the engine's frame: the hero (who walks with the camera) comes
// near the door, tries the switch and the lift before and after the level
// scripts switch the power on, and each object's state is read frame by frame.
#include "worldfile_fixture.h"

#include "game/GameAI.h"
#include "game/MainGame.h"
#include "mesh/MeshSocketsMgr.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "support/GameProcess.h"
#include "tools/worldgen/DemoWorld.h"
#include "game/BezierFollowState.h"
#include "world/EngineObject.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace worldtest
{
namespace
{
constexpr float kFrameSeconds = 0.1f;
constexpr float kEyeHeight = 1.6f;

class DemoActions : public WorldFile
{
protected:
    void SetUp() override
    {
        // The frame keeps console variables: made before the tracker is on.
        for (const char* v :
             {"NumTotalObjects", "NumTotalActiveObjects", "NumTotalUpdatedObjects", "NumTotalTooFarObjects"})
            g_Console.SetVariable(v, 0.0f, 0);
        WorldFile::SetUp();
        CopyDataTree(temp->path());
        g_GameAI.FreeVariables();
        g_EngineObject.Release();
        g_MeshSockets.LoadAll(); // as the engine does when it starts
        ASSERT_TRUE(g_WorldMgr.LoadWorld(worldgen::DEMO_WORLD_FILE));
        g_FocusMgr.m_bOnFocus = 1;
        g_Engine.m_bInitialised = 1;
        g_Engine.m_bWorldLoaded = 1;
        // The level's start-up is over: walk-in triggers are live.
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        PlaceHero(D3DXVECTOR3(0.0f, kEyeHeight, 0.0f));
        Frame();
    }
    void TearDown() override
    {
        g_GameAI.FreeVariables();
        g_MeshSockets.Clear();
        WorldFile::TearDown();
    }

    static void Frame()
    {
        g_Engine.m_fDeltaTime = kFrameSeconds;
        ASSERT_TRUE(g_Engine.Update());
    }
    // Walks the camera in steps of half a unit, one frame each.
    static void WalkTo(float x, float z, float y = kEyeHeight)
    {
        const D3DXVECTOR3 to(x, y, z);
        for (;;)
        {
            D3DXVECTOR3 d = to - g_Camera.GetPosition();
            const float length = D3DXVec3Length(&d);
            constexpr float kStep = 0.5f;
            if (length <= kStep)
            {
                PlaceHero(to);
                Frame();
                return;
            }
            PlaceHero(g_Camera.GetPosition() + d * (kStep / length));
            Frame();
        }
    }
    static bool LightOn(HOBJECT light) { return (light->dwFlags & OF_PHYSICS) != 0; }
};

TEST_F(DemoActions, TheDoorOpensWhenTheHeroComesNear)
{
    HOBJECT door = Find("demo_door");
    ASSERT_NE(door, nullptr);
    const D3DXVECTOR3 forward = door->Orientation.Forward;
    WalkTo(10.8f, -4.0f);
    EXPECT_EQ(door->fDoorSwing, 0.0f) << "still shut from the road";
    EXPECT_EQ(door->bActionRunning, 0);
    // Into the threshold: the threshold hands on to the door, which swings
    // away from the hero a little every frame until it stands open.
    WalkTo(10.8f, -7.5f);
    ASSERT_EQ(door->bActionRunning, 1);
    std::vector<float> swing;
    for (int i = 0; i < 15; ++i)
    {
        swing.push_back(std::fabs(door->fDoorSwing));
        Frame();
    }
    for (size_t i = 1; i < swing.size(); ++i)
        EXPECT_GE(swing[i], swing[i - 1]);
    EXPECT_LT(swing[0], 90.0f);
    EXPECT_FLOAT_EQ(std::fabs(door->fDoorSwing), 90.0f);
    EXPECT_EQ(door->bActionRunning, 0);
    EXPECT_EQ(door->bActionToggled, 1) << "the door is open";
    EXPECT_NEAR(D3DXVec3Dot(&door->Orientation.Forward, &forward), 0.0f, 1e-4f);
}

TEST_F(DemoActions, TheSwitchNeedsPowerThenLightsTheLampAndPowersTheLift)
{
    HOBJECT light = Find("demo_switch_light");
    HOBJECT lift = Find("demo_lift");
    ASSERT_NE(light, nullptr);
    ASSERT_NE(lift, nullptr);
    EXPECT_FALSE(LightOn(light)) << "the lamp starts dark";

    // Without power the switch and the lift do nothing.
    WalkTo(15.0f, -5.0f, 1.0f);
    WalkTo(15.0f, -9.0f, 1.0f);
    EXPECT_FALSE(LightOn(light));
    WalkTo(19.0f, -5.0f);
    WalkTo(19.0f, -10.0f);
    for (int i = 0; i < 5; ++i)
        Frame();
    EXPECT_EQ(lift->vPosition.y, 0.0f);

    // The level scripts switch the power on; the next press lights the lamp.
    g_GameAI.SetVariable("power_on", nullptr);
    WalkTo(15.0f, -5.0f, 1.0f);
    WalkTo(15.0f, -9.0f, 1.0f);
    EXPECT_TRUE(LightOn(light));
    EXPECT_EQ(light->bLightOff, 0);
    EXPECT_TRUE(g_GameAI.IsVariableOn("lift_power"));

    // Stepping out does not press it again; a press after the pause puts
    // the lamp out, and the next one lights it again.
    WalkTo(15.0f, -5.0f, 1.0f);
    EXPECT_TRUE(LightOn(light));
    for (int i = 0; i < 20; ++i)
        Frame();
    WalkTo(15.0f, -9.0f, 1.0f);
    EXPECT_FALSE(LightOn(light));
    WalkTo(15.0f, -5.0f, 1.0f);
    for (int i = 0; i < 20; ++i)
        Frame();
    WalkTo(15.0f, -9.0f, 1.0f);
    EXPECT_TRUE(LightOn(light));

    // Now the lift rises with the hero inside, 1.5 units a second up to 6.
    WalkTo(19.0f, -5.0f);
    WalkTo(19.0f, -10.0f);
    ASSERT_EQ(lift->bActionRunning, 1);
    float last = lift->vPosition.y;
    for (int i = 0; i < 45; ++i)
    {
        Frame();
        EXPECT_GE(lift->vPosition.y, last);
        EXPECT_LE(lift->vPosition.y - last, 1.5f * kFrameSeconds + 1e-4f);
        last = lift->vPosition.y;
    }
    EXPECT_FLOAT_EQ(lift->vPosition.y, 6.0f);
    EXPECT_EQ(lift->bActionRunning, 0);
    EXPECT_EQ(lift->vStartPosition.y, 0.0f);
}
} // namespace
} // namespace worldtest

namespace worldtest
{
namespace
{
TEST_F(DemoActions, TheBarrelExplodesAndTheCrateBesideItBreaksIntoAWreck)
{
    WalkTo(25.0f, -4.0f);
    HOBJECT barrel = Find("demo_barrel");
    HOBJECT crate = Find("demo_crate");
    ASSERT_NE(barrel, nullptr);
    ASSERT_NE(crate, nullptr);
    const D3DXVECTOR3 crateAt = crate->vPosition;
    const D3DXVECTOR3 shot(0.0f, 0.0f, -1.0f);
    EXPECT_EQ(g_Engine.OnObjectHit(barrel, &barrel->vPosition, &shot, 12.0f), 0);
    EXPECT_FLOAT_EQ(barrel->fHealth, 8.0f);
    Frame();
    EXPECT_EQ(g_Engine.OnObjectHit(barrel, &barrel->vPosition, &shot, 12.0f), 1);
    EXPECT_TRUE(g_GameAI.IsVariableOn("barrel_blown"));
    Frame(); // the engine update takes the barrel away
    EXPECT_EQ(Find("demo_barrel"), nullptr);
    EXPECT_EQ(Find("demo_crate_wreck"), nullptr) << "the crate waits for the blast to reach it";
    for (int i = 0; i < 4; ++i)
        Frame();
    HOBJECT wreck = Find("demo_crate_wreck");
    ASSERT_NE(wreck, nullptr);
    EXPECT_EQ(Find("demo_crate"), nullptr);
    EXPECT_EQ(wreck->vPosition, crateAt);
    EXPECT_STREQ(wreck->szFileName, "meshes\\demo\\crate_wreck.x");
    EXPECT_EQ(wreck->bCreatedOnDeath, 1);
}

TEST_F(DemoActions, TheWarningLampBlinks)
{
    HOBJECT lamp = Find("demo_blink_light");
    ASSERT_NE(lamp, nullptr);
    int flips = 0;
    BYTE last = lamp->bBlinkOn;
    float brightest = 0.0f, dimmest = 10.0f;
    for (int i = 0; i < 30; ++i)
    {
        Frame();
        flips += lamp->bBlinkOn != last;
        last = lamp->bBlinkOn;
        brightest = std::max(brightest, lamp->fLightValue);
        dimmest = std::min(dimmest, lamp->fLightValue);
    }
    // Three seconds of half-second (to 0.6 s) periods.
    EXPECT_GE(flips, 5);
    EXPECT_LE(flips, 7);
    EXPECT_GE(brightest, 1.5f);
    EXPECT_LE(dimmest, 0.25f);
}

TEST_F(DemoActions, TheCartWaitsAtTheStartOfItsPath)
{
    HOBJECT cart = Find("demo_bezier_cart");
    ASSERT_NE(cart, nullptr);
    BezierFollowState s;
    g_Engine.GetObjectBezierFollowState(cart, &s);
    EXPECT_STREQ(s.szStartNode, "demo_cart_path");
    EXPECT_EQ(s.bOn, 1);
    EXPECT_FLOAT_EQ(s.fValue1, 4.0f);
    EXPECT_FLOAT_EQ(s.fValue2, 8.0f);
    EXPECT_EQ(s.bOption1, 1);
    EXPECT_EQ(s.bPaused, 1);
    EXPECT_EQ(s.bFlag1, 1);
}
} // namespace
} // namespace worldtest

namespace worldtest
{
namespace
{
// The frame's visibility pass, decided now with the camera beside the object:
// ties follow only what is seen.
void SeenFromBeside(HOBJECT o)
{
    PlaceHero(o->vPosition + D3DXVECTOR3(0.0f, kEyeHeight, -5.0f));
    g_EngineObject.m_bRecomputeVisibility = 1;
    g_Engine.BuildSkyShadowLists();
}

TEST_F(DemoActions, TheLampsFollowTheirPostsAndANewPostOfTheSameName)
{
    g_Engine.MakePendingTies();
    HOBJECT post = Find("lamp_post_01");
    HOBJECT light = Find("lamp_light_01");
    ASSERT_NE(post, nullptr);
    ASSERT_NE(light, nullptr);
    ASSERT_EQ(light->bTied, 1);
    const D3DXVECTOR3 offset = light->vPosition - post->vPosition;
    const D3DXVECTOR3 moved = post->vPosition + D3DXVECTOR3(2.0f, 0.0f, 0.0f);
    g_Engine.SetObjectPosition(post, &moved, 0);
    SeenFromBeside(post);
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(light->vPosition.x, moved.x + offset.x, 1e-3f);
    // Neither the post nor its lamp seen: the lamp waits until one of them is.
    const D3DXVECTOR3 again = moved + D3DXVECTOR3(2.0f, 0.0f, 0.0f);
    g_Engine.SetObjectPosition(post, &again, 0);
    PlaceHero(D3DXVECTOR3(0.0f, 5000.0f, 0.0f));
    g_EngineObject.m_bRecomputeVisibility = 1;
    g_Engine.BuildSkyShadowLists();
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(light->vPosition.x, moved.x + offset.x, 1e-3f);
    SeenFromBeside(post);
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(light->vPosition.x, again.x + offset.x, 1e-3f);
    // The post is swapped for another of the same name: the lamp follows the new one.
    const std::string file = post->szFileName;
    g_Engine.DeleteObject(post);
    EXPECT_EQ(light->bTied, 0) << "deleting the post unties what hung on it";
    g_EngineObject.TieToSocket(light, "light_point", "lamp_post_01");
    const float at[3] = {30.0f, 0.0f, 30.0f};
    HOBJECT newPost = g_Engine.CreateObject(OT_MESH, file.c_str(), 13, 0, at, nullptr);
    ASSERT_NE(newPost, nullptr);
    g_Engine.SetObjectName(newPost, "lamp_post_01");
    SeenFromBeside(newPost);
    g_EngineObject.UpdateTies();
    EXPECT_NEAR(light->vPosition.x, 30.0f + offset.x, 1e-3f);
    EXPECT_NEAR(light->vPosition.z, 30.0f + offset.z, 1e-3f);
    EXPECT_EQ(light->pTiedTo, newPost);
}
} // namespace
} // namespace worldtest
