// The demo mission in the whole game, in-process on the headless window,
// clock and device, over a copy of the bundled data tree: the script found
// for the demo world starts at level frame 209, sets its first task, arms the
// town's warzone from its include, writes its checkpoint once the level
// script has switched the power on, and fails the mission when the hero
// stays outside the town for seven seconds.
#include "game_fixture.h"

#include "game/QuestSystem.h"
#include "game/QuestSystemCalls.h"
#include "platform/d3d9/D3D9.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "shell/D3DMain.h"
#include "shell/Input.h"
#include "shell/TextMgr.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "world/ObjectActionCalls.h"

#include <cstring>

using namespace gametest;

namespace
{
class MissionGame : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ResetHeadlessGame();
        CopyDataTree(m_dir->path());
        ASSERT_NE(OpenGameWindow("MissionGameTest", 64, 48), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\level01.w");
        g_TextMgr.Load("scripts\\text_keys.txt");
        QuestCalls::ClearJournal();
        ActionCalls::ClearJournal();
    }
    void TearDown() override
    {
        g_TextMgr.Free();
        CloseInProcessGame();
        g_QuestSystem.Reset();
        GameTest::TearDown();
    }
    static std::string CurrentWord()
    {
        const QuestCommand* c = g_QuestSystem.Current();
        return c ? QuestSystem::CommandWord(c->code) : "";
    }
};
} // namespace

TEST_F(MissionGame, TheDemoMissionStartsAtFrame209WritesItsCheckpointAndItsWarzoneFailsTheMission)
{
    g_MainGame.Init();
    for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
        Pass();
    ASSERT_STREQ(g_Engine.m_szWorld, "worlds\\level01.w");
    EXPECT_FALSE(Contains(Log(), "No QuestSystem script found!"));
    EXPECT_EQ(m_dir->Read("!QSErrors.txt"), "");
    ASSERT_FALSE(g_QuestSystem.m_Commands.empty());

    PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
    PressKey("Space");
    TkHeadlessSetFrameStepMs(50.0);
    PassUntilLevelFrame(QuestSystem::FIRST_FRAME - 1);
    EXPECT_EQ(g_QuestSystem.m_bStarted, 0);
    Pass();
    EXPECT_EQ(g_QuestSystem.m_bStarted, 1);
    EXPECT_EQ(CurrentWord(), "wait");
    EXPECT_TRUE(Contains(Log(), "QS comment: start"));
    EXPECT_TRUE(QuestCalls::Called("Objective::SetTask Q01"));

    // The include arms the town's warzone and shows its caption; the mission
    // then gives the level script the time it takes to switch the power on.
    for (int guard = 0; CurrentWord() != "goto" && guard < 400; ++guard)
        Pass();
    ASSERT_EQ(CurrentWord(), "goto");
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
    EXPECT_TRUE(ActionCalls::Called("CSaveMgr::Checkpoint"));
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 1);
    EXPECT_STREQ(g_Panel.m_szCaption, "Stay inside the town");
    EXPECT_TRUE(QuestCalls::Called("Objective::SetTask Q02"));
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);

    // Out of the town: the countdown is due after 2 s, the failure after 7 s.
    const D3DVECTOR outside = {180.0f, 1.2f, 0.0f};
    Player.TeleportTo(&outside);
    for (int i = 0; i < 60; ++i)
        Pass();
    EXPECT_GT(g_QuestSystem.m_fOutsideTime, QuestSystem::WARZONE_WARN_SECONDS);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
    for (int guard = 0; !PlayerStats.m_bMissionFailed && guard < 200; ++guard)
        Pass();
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_TRUE(Contains(Log(), "Warzone odpala GameFailed"));
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 0);
    EXPECT_EQ(CurrentWord(), "goto");
}
