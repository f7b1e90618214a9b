// The demo world's intro cut-scene in a running game, in-process on the
// headless window and device: the camera rides the guide's socket, the actor
// made for the scene and the borrowed crate take their places, the voice,
// subtitle, tracer and effect fire at their times, the overlay covers the
// screen while it fades in, and the end gives everything back and runs the
// scene's on-end action. The skip keys wait 5 s; a skip still runs the end.
#include "game_fixture.h"

#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "game/CutScene.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "shell/Input.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/CommandMgr.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <string>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;

class CutSceneWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("CutSceneWorldTest", kWidth, kHeight));
    }

    void TearDown() override
    {
        g_CutScene.End(false);
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    // Bullets in flight started after the given start number.
    static int BulletsSince(DWORD start)
    {
        int n = 0;
        for (int i = 1; i < MAX_FX; ++i)
            n += FX.m_Fx[i].m_bActive && FX.m_Fx[i].m_iStart > start && FX.m_Fx[i].m_iType == FX_BULLET ? 1
                                                                                                        : 0;
        return n;
    }

    // The default keys of the two skip commands: E (use) and Escape (menu).
    static void HoldKey(const char* name, bool down)
    {
        const TkKey key = TkKeyFromName(name);
        TkInjectKeyScan(key.vk, key.scan, down);
    }
};

TEST_F(CutSceneWorld, TheIntroPlaysItsPhasesAndGivesEverythingBackAtItsEnd)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(210));
    HOBJECT crate = g_Engine.FindObject(worldgen::DEMO_INTRO_CRATE, 0);
    ASSERT_NE(crate, nullptr);
    const D3DXVECTOR3 crateAt = Position(crate);
    ASSERT_FALSE(g_GameAI.IsVariableSet(worldgen::DEMO_INTRO_DONE));
    const BYTE wideScreen = g_Panel.WideScreen;

    g_CutScene.Start(worldgen::DEMO_INTRO_SCENE);
    ASSERT_TRUE(g_CutScene.Running());
    EXPECT_EQ(g_CutScene.m_bPlaying, 1);
    EXPECT_EQ(Bronie.holstered, Bronie.current ? 1 : 0) << "the hero's weapon is put away";
    EXPECT_EQ(g_Panel.WideScreen, 1) << "the letterbox is up";
    ASSERT_NE(g_CutScene.m_hGuide, nullptr);
    EXPECT_STREQ(g_CutScene.m_hGuide->szName, "prowadnica");
    HOBJECT actor = g_CutScene.m_hActors[0];
    ASSERT_NE(actor, nullptr);
    EXPECT_STREQ(actor->szName, "aktor0");
    EXPECT_EQ(g_CutScene.m_hActors[1], crate);
    EXPECT_EQ(g_CutScene.m_bBorrowed[1], 1);

    // The first frames: the fade from black covers the screen.
    ASSERT_NO_FATAL_FAILURE(Pass());
    const CutSceneOverlay first = CCutScene::PlanOverlay(*g_CutScene.m_pPhase, g_CutScene.m_fPhaseTime);
    EXPECT_EQ(first.black, 1);
    EXPECT_GT(first.color >> 24, 200u) << "mostly black";

    // The camera sits on the guide's camera socket and moves with its animation.
    D3DXMATRIX socket;
    EOrientation turn;
    ASSERT_TRUE(g_Engine.GetObjectSocket(g_CutScene.m_hGuide, "kamera", &socket, &turn));
    const D3DXVECTOR3 start = g_Camera.GetPosition();
    EXPECT_NEAR(start.x, socket._41, 1e-3);
    EXPECT_NEAR(start.z, socket._43, 1e-3);
    EXPECT_LT(g_Camera.GetOrientation().Forward.z, -0.9f) << "looking back along -z at the actors";
    // The actor stands on its socket of the guide.
    ASSERT_TRUE(g_Engine.GetObjectSocket(g_CutScene.m_hGuide, "aktor0", &socket, &turn));
    EXPECT_NEAR(Position(actor).x, socket._41, 1e-3);
    EXPECT_NEAR(Position(actor).z, socket._43, 1e-3);

    // The voice and the subtitle at 0.3 s.
    ASSERT_TRUE(RunUntil([] { return g_CutScene.m_fPhaseTime > 0.35f; }, 60));
    EXPECT_EQ(g_CutScene.m_Voices[0].active, 1);
    EXPECT_EQ(g_CutScene.m_pPhase->subtitles[0].fired, 1);
    EXPECT_GT(std::fabs(g_Camera.GetPosition().x - start.x), 0.1f) << "the camera slides along";

    // The second phase: the tracer at 0.5 s and the jump to the second camera.
    ASSERT_TRUE(RunUntil(
        [] { return g_CutScene.m_pPhase && std::string(g_CutScene.m_pPhase->name) == "talk"; }, 240));
    ASSERT_TRUE(RunUntil([] { return g_CutScene.m_fPhaseTime > 0.4f; }, 60));
    EXPECT_EQ(g_CutScene.m_pPhase->shots[0].fired, 0);
    // The shot's own step, before the effects move: a tracer this fast may
    // meet a wall within the frame.
    const DWORD starts = FX.m_iStarts;
    g_Engine.m_fDeltaTime = 0.15f;
    g_CutScene.RunPhase();
    EXPECT_EQ(g_CutScene.m_pPhase->shots[0].fired, 1);
    EXPECT_EQ(BulletsSince(starts), 1) << "one tracer from the rifle";
    ASSERT_TRUE(RunUntil([] { return g_CutScene.m_fPhaseTime > 1.55f; }, 90));
    EXPECT_STREQ(g_CutScene.m_pPhase->currentCameraSocket, "kamera2");

    // The end.
    ASSERT_TRUE(RunUntil([] { return !g_CutScene.Running(); }, 240));
    EXPECT_EQ(g_CutScene.m_bPlaying, 0);
    EXPECT_TRUE(g_GameAI.IsVariableSet(worldgen::DEMO_INTRO_DONE)) << "the on-end action ran";
    EXPECT_EQ(Bronie.holstered, 0) << "the weapon is back in hand";
    EXPECT_EQ(g_Panel.WideScreen, wideScreen);
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    EXPECT_EQ(g_Engine.FindObject("prowadnica", 0), nullptr);
    EXPECT_EQ(g_Engine.FindObject("aktor0", 0), nullptr);
    EXPECT_EQ(Position(crate).x, crateAt.x) << "the borrowed crate is put back";
    EXPECT_EQ(Position(crate).z, crateAt.z);
    EXPECT_EQ(g_Engine.GetObjectFlags(crate), 0x80u);
    for (const CutSceneVoice& v : g_CutScene.m_Voices)
        EXPECT_EQ(v.active, 0);
}

TEST_F(CutSceneWorld, TheSkipKeysWaitFiveSecondsAndTheSkipStillRunsTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(StartLevel(210));
    for (const char* key : {"E", "Escape"})
    {
        SCOPED_TRACE(key);
        g_GameAI.UnsetVariable(worldgen::DEMO_INTRO_DONE, nullptr);
        g_CutScene.Start(worldgen::DEMO_INTRO_SCENE);
        ASSERT_TRUE(g_CutScene.Running());
        HoldKey(key, true);
        ASSERT_TRUE(RunUntil([] { return g_CutScene.m_fSceneTime > 4.5f; }, 600));
        EXPECT_TRUE(g_CutScene.Running()) << "held through the first 5 s";
        ASSERT_TRUE(RunUntil([] { return !g_CutScene.Running(); }, 60));
        EXPECT_LT(g_CutScene.m_fSceneTime, 5.5f) << "skipped, not played out";
        EXPECT_TRUE(g_GameAI.IsVariableSet(worldgen::DEMO_INTRO_DONE));
        // The menu key that skipped does not open the menu as well.
        ASSERT_NO_FATAL_FAILURE(Pass());
        EXPECT_EQ(g_Menu.m_bMenuActive, 0);
        HoldKey(key, false);
        EXPECT_TRUE(RunUntil([] { return g_CutScene.m_bMenuKeyLatched == 0; }, 5))
            << "the menu key is free again once let go";
    }
}

TEST_F(CutSceneWorld, EndlessEffectsGoWithTheirPhaseBloodStartsOnceAndActorsTakeShots)
{
    m_dir->Write("scripts/cutscenes/zz_effects.txt",
                 "scene effects\nfirst_phase a\n"
                 "actor0 models\\demo_townsman\\demo_townsman.x\n"
                 "phase a\ntime 1\nnext_phase b\n"
                 "FX 0 0 muzzle smoke_column\nFX 0 0 muzzle smoke_column\n"
                 "FX 0 0 muzzle smoke_puff\nblood 0 0 muzzle\n"
                 "phase b\ntime 1\n");
    ASSERT_NO_FATAL_FAILURE(StartLevel(210));
    g_CutScene.Start("effects");
    ASSERT_TRUE(g_CutScene.Running());
    HOBJECT actor = g_CutScene.m_hActors[0];
    ASSERT_NE(actor, nullptr);
    const DWORD starts = FX.m_iStarts;
    for (int i = 0; i < 5; ++i)
        ASSERT_NO_FATAL_FAILURE(Pass());
    // The two never-ending smokes are kept; the puff ends by itself.
    ASSERT_EQ(g_CutScene.m_iEndlessFx, 2);
    const CutSceneEndlessFx kept[2] = {g_CutScene.m_EndlessFx[0], g_CutScene.m_EndlessFx[1]};
    for (const CutSceneEndlessFx& e : kept)
    {
        ASSERT_NE(e.fx, nullptr);
        EXPECT_TRUE(e.fx->m_bActive);
        EXPECT_STREQ(e.fx->m_szName, "smoke_column");
    }
    EXPECT_EQ(g_CutScene.m_pPhase->blood[0].fired, 1);
    int emitters = 0;
    for (int i = 1; i < MAX_FX; ++i)
        emitters += FX.m_Fx[i].m_iStart > starts && std::string(FX.m_Fx[i].m_szName) == "z_emiter_dymek_krew";
    EXPECT_EQ(emitters, 1) << "one blood emitter, not one a frame";

    // A bullet that meets an actor is the scene's; any other object is not.
    RayTestResult hit;
    hit.pObject = actor;
    hit.vPoint = Position(actor);
    const DWORD before = FX.m_iStarts;
    EXPECT_TRUE(g_CutScene.OnBulletHit(nullptr, &hit));
    EXPECT_GT(FX.m_iStarts, before) << "the body-hit effect";
    hit.pObject = g_Engine.FindObject(worldgen::DEMO_INTRO_CRATE, 0);
    EXPECT_FALSE(g_CutScene.OnBulletHit(nullptr, &hit));

    // The phase's end releases its endless effects and empties the list.
    ASSERT_TRUE(
        RunUntil([] { return g_CutScene.m_pPhase && std::string(g_CutScene.m_pPhase->name) == "b"; }, 120));
    EXPECT_EQ(g_CutScene.m_iEndlessFx, 0);
    for (const CutSceneEndlessFx& e : kept)
        EXPECT_FALSE(e.fx->m_bActive && e.fx->m_iStart == e.start) << "released";
}
} // namespace
