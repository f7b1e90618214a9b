// The game object without a device: the fixed orders of the level's start and
// end, the start-up milestones on the level frame, the frame's guards, the
// world change with its fade, and the services scripts call.
#include "game_fixture.h"
#include "support/BoxMesh.h"
#include "support/HeadlessD3D.h"

#include "mesh/MeshMgr.h"
#include "shell/D3DMain.h"

#include "characters/KillCam.h"
#include "characters/PathMgr.h"
#include "game/GameConsole.h"
#include "shell/CommandMgr.h"
#include "shell/SaveFile.h"
#include "world/Camera.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <cmath>
#include <filesystem>
#include <limits>

using namespace gametest;

namespace
{
std::vector<std::string> Names(const GameStep* steps, size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.emplace_back(steps[i].name);
    return names;
}

// The notes of milestones ("201 LevelStarted") out of the step log.
std::vector<std::string> MilestoneNotes()
{
    std::vector<std::string> notes;
    for (const std::string& note : TkGameStepLog())
        if (!note.empty() && note[0] >= '0' && note[0] <= '9')
            notes.push_back(note);
    return notes;
}

class MainGame : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        g_MainGame = CMainGame();
        g_MainGame.active = 1;
        g_FocusMgr.m_bOnFocus = 1;
        g_Engine.m_fDeltaTime = kFrame;
        g_Options.GameplayRunning = 1;
        g_Options.Windowed = 0;
        m_worldLoaded = g_Engine.m_bWorldLoaded;
        std::snprintf(m_world, sizeof m_world, "%s", g_Engine.m_szWorld);
        static_cast<LoadingScreenState&>(g_LoadingScreen) = LoadingScreenState();
        static_cast<MenuState&>(g_Menu) = MenuState();
        m_dir->Write("worlds/level02.w", "\n");
        m_dir->Write("worlds/level03.w", "\n");
    }
    void TearDown() override
    {
        // A menu the game opened gives back its items, puffs and backdrop.
        g_Menu.Close();
        g_Engine.m_bWorldLoaded = m_worldLoaded;
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", m_world);
        g_Engine.DeleteAllObjects();
        GameTest::TearDown();
    }
    // Game updates until the level frame reaches `frame` (or a guard runs out).
    static void UpdateTo(DWORD frame)
    {
        for (int guard = 0; g_MainGame.m_iLevelFrame < frame && guard < 1000; ++guard)
            g_MainGame.Update();
    }
    static constexpr float kFrame = 1.0f / 60.0f;

private:
    BYTE m_worldLoaded = 0;
    char m_world[sizeof g_Engine.m_szWorld] = {};
};
} // namespace

TEST_F(MainGame, TheLevelStartsAndEndsInItsFixedOrder)
{
    size_t n = 0;
    const GameStep* steps = CMainGame::InitLevelSteps(n);
    const std::vector<std::string> initLevel = Names(steps, n);
    EXPECT_EQ(initLevel, (std::vector<std::string>{
                             "worldPending = 0",
                             "UnsetStartVariables",
                             "RestoreFieldOfView",
                             "CCredits::Reset",
                             "QuestSystem::LoadScripts",
                             "CNpcChatter::Reset",
                             "GameMusic::ResetFlags",
                             "CDialogueMgr::LoadAll",
                             "CKillCam::Reset",
                             "CBattlefield::Reset",
                             "EFxMgr::Init",
                             "GameAI::PrepareActions",
                             "EItemMgr::Init",
                             "CAiMapData::Load",
                             "CPostacMgr::Init",
                             "CPathMgr::CreateProbe",
                             "CPlayerWeapons::Init",
                             "CPlayer::Init",
                             "LevelFrame = 0",
                             "Panel::Init",
                             "CMenu::ResetPageState",
                             "Objective::Init",
                             "EConsole::DrawLoadingScreen 7",
                             "CSaveMgr::ResetFlags",
                             "ERiverMgr::Init",
                             "Mewy::Reset",
                             "EConsole::DrawLoadingScreen 8",
                             "PreloadWeaponSounds",
                             "CHitStats::Reset",
                             "CCutScene::InitScreen",
                             "EDust::Init",
                             "halted = 0, cameraMoveOn = 0",
                         }));
    const GameStep* release = CMainGame::ReleaseLevelSteps(n);
    const std::vector<std::string> releaseLevel = Names(release, n);
    EXPECT_EQ(releaseLevel, (std::vector<std::string>{
                                "cameraMoveOn = 0",
                                "QuestSystem::Reset",
                                "CBattlefield::ReleaseUnits",
                                "Mewy::Release",
                                "CAiMapData::Clear",
                                "worldPending = 0",
                                "ERiverMgr::Reset",
                                "CNpcChatter::Release",
                                "GameMusic::StopAndReset",
                                "EDust::Release",
                                "CSaveMgr::ResetFlags",
                                "CBezierCamera::Stop",
                                "Objective::Release",
                                "CCutScene::ReleaseLevel",
                                "CHitStats::Release",
                                "CPathMgr::DeleteProbe",
                                "GameAI::ReleaseLevel",
                                "CMainGame::PlayMusic",
                                "CPostacMgr::Release",
                                "CPathMgr::Release",
                                "COpady::Release",
                                "CPlayer::Release",
                                "CPlayerWeapons::Release",
                                "EItemMgr::Release",
                                "Panel::Release",
                                "EFxMgr::Release",
                                "LoadedFromSave = 0",
                                "halted = 0, LevelFrame = 0",
                                "CDialogueMgr::FreeAll",
                                "UnsetCredits",
                            }));
    const GameStep* init = CMainGame::InitSteps(n);
    EXPECT_EQ(Names(init, n), (std::vector<std::string>{
                                  "CCommandMgr::SetDefaultKeys",
                                  "CCommandMgr::LoadKeys",
                                  "LevelFrame = 0",
                                  "active = 1",
                                  "GameAI::Init",
                                  "CPostacMgr::LoadDescriptions",
                                  "CSoundMgr::SetListenerPosition",
                                  "WorldActive = 0",
                                  "CCutScene::LoadAll",
                                  "Objective::Clear",
                              }));

    // Running them follows the tables step by step.
    g_MainGame.InitLevel();
    EXPECT_EQ(TkGameStepLog(), initLevel);
    TkRecordGameSteps(true);
    g_MainGame.ReleaseLevel();
    EXPECT_EQ(TkGameStepLog(), releaseLevel);
}

TEST_F(MainGame, MilestonesRunAtTheirFramesInOrder)
{
    size_t n = 0;
    const LevelMilestone* milestones = CMainGame::Milestones(n);
    std::vector<std::string> expected;
    for (size_t i = 0; i < n; ++i)
        expected.push_back(std::to_string(milestones[i].frame) + " " + milestones[i].name);
    EXPECT_EQ(expected, (std::vector<std::string>{"60 GeneratePaths", "100 EMeshMgr::SaveAllOpts",
                                                  "151 EConsole::DrawLoadingScreen 9", "199 Mewy::Init",
                                                  "201 LevelStarted", "202 StartMenu", "205 ShowWorld",
                                                  "220 ShowLevelStartDialog"}));
    g_Engine.m_bWorldLoaded = 1;
    g_MainGame.InitLevel();
    TkRecordGameSteps(true);
    UpdateTo(230);
    EXPECT_EQ(MilestoneNotes(), expected);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 230u);
}

TEST_F(MainGame, LevelStartSetsWhatTheLevelNeedsAndClearsTheRest)
{
    for (const char* name : {"sniper_view", "lornetka", "credits", "mission_failed"})
        g_GameAI.SetVariable(name, nullptr);
    g_MainGame.worldPending = 1;
    g_MainGame.halted = 1;
    g_MainGame.cameraMoveOn = 1;
    g_MainGame.m_iLevelFrame = 77;
    g_Options.DrawWater = 0;
    g_Options.FOV = 0.5f;
    g_Options.FOV2 = 1.1f;
    g_MainGame.InitLevel();
    for (const char* name : {"sniper_view", "lornetka", "credits", "mission_failed"})
        EXPECT_FALSE(g_GameAI.IsVariableSet(name)) << name;
    EXPECT_EQ(g_MainGame.worldPending, 0);
    EXPECT_EQ(g_MainGame.halted, 0);
    EXPECT_EQ(g_MainGame.cameraMoveOn, 0);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 0u);
    EXPECT_EQ(g_Options.DrawWater, 1);
    EXPECT_FLOAT_EQ(g_Options.FOV, 1.1f);

    g_GameAI.SetVariable("credits", nullptr);
    g_SaveMgr.m_bLoadedFromSave = 1;
    g_MainGame.PlayMusic("music\\level.ogg", 1);
    g_MainGame.m_iLevelFrame = 300;
    g_MainGame.ReleaseLevel();
    EXPECT_FALSE(g_GameAI.IsVariableSet("credits"));
    EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 0);
    EXPECT_STREQ(g_MainGame.musicName, "");
    EXPECT_STREQ(g_GameMusic.m_szTrack, "");
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 0u);
}

TEST_F(MainGame, TheLoadingScreenHoldsTheLevelFrameAtItsMilestoneUntilItCloses)
{
    g_Engine.m_bWorldLoaded = 1;
    g_LoadingScreen.Start("worlds\\level02.w");
    g_MainGame.InitLevel();
    UpdateTo(195);
    // Still loading: the frame goes on counting up to the hold.
    for (int i = 0; i < 20; ++i)
        g_MainGame.Update();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 200u);
    g_LoadingScreen.LoadTextures();
    for (int i = 0; i < 20; ++i)
        g_MainGame.Update();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 200u);
    EXPECT_EQ(MilestoneNotes().back(), "199 Mewy::Init");

    // A key released ends the screen; the start-up goes on from the hold.
    constexpr int kSpaceScanCode = 0x39;
    g_CommandMgr.m_bKeyState[kSpaceScanCode] = 1;
    g_MainGame.Update();
    g_CommandMgr.m_bKeyState[kSpaceScanCode] = 0;
    g_MainGame.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 0);
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 201u);
    EXPECT_EQ(MilestoneNotes().back(), "201 LevelStarted");
    EXPECT_EQ(g_GameAI.m_bLevelStarted, 1);
    EXPECT_EQ(g_EngineObject.m_bStarted, 1);
}

TEST_F(MainGame, ARealLevelIsShownAtFrame205AndTheMenuWorldOpensTheStartMenuAt202)
{
    g_Engine.m_bWorldLoaded = 1;
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level_03.w");
    g_MainGame.InitLevel();
    ASSERT_EQ(g_Panel.m_fCoverAlpha, 0.0f);
    UpdateTo(204);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 0);
    EXPECT_EQ(g_Panel.m_fCoverAlpha, 1.0f) << "the level start blinked";
    UpdateTo(205);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 1);
    EXPECT_EQ(g_Menu.m_bMenuActive, 0);
    UpdateTo(220);
    EXPECT_EQ(MilestoneNotes().back(), "220 ShowLevelStartDialog");

    // Without a level: the start menu with the main theme.
    g_Engine.m_bWorldLoaded = 0;
    g_MainGame.ReleaseLevel();
    g_MainGame.m_bWorldActive = 0;
    UpdateTo(202);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 1);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
    EXPECT_EQ(g_Menu.m_bOpenedAtStart, 1);
    EXPECT_STREQ(g_GameMusic.m_szTrack, "music\\DuskmereMainTheme.ogg");
    // With the menu open the level frame stands still.
    for (int i = 0; i < 10; ++i)
        g_MainGame.Update();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 202u);
}

TEST_F(MainGame, StartCaptionsAcceptEverySpellingOfALevelsWorld)
{
    struct Case
    {
        const char* world;
        const char* key;
    };
    const Case cases[] = {
        {"worlds\\level01.w", ">L1S01"},
        {"WORLDS\\LEVEL_01.W", ">L1S01"},
        {"worlds\\l01.w", ">L1S01"},
        {"worlds\\test.w", ">L1S01"},
        {"worlds\\level07.w", ">L7S01"},
        {"worlds\\l10.w", ">L10S01"},
        {"worlds\\level_10.w", ">L10S01"},
        {"worlds\\level11.w", nullptr},
        {"", nullptr},
        {nullptr, nullptr},
    };
    for (const Case& c : cases)
    {
        const char* key = CMainGame::StartCaptionKey(c.world);
        if (c.key)
            EXPECT_STREQ(key, c.key) << c.world;
        else
            EXPECT_EQ(key, nullptr) << (c.world ? c.world : "(null)");
    }
}

TEST_F(MainGame, ScriptFlagsStopTheGameOrFreezeIt)
{
    g_MainGame.Update();
    const DWORD frame = g_MainGame.m_iLevelFrame;
    for (const char* freeze : {"end_game", "end_demo"})
    {
        g_GameAI.SetVariable(freeze, nullptr);
        for (int i = 0; i < 5; ++i)
            g_MainGame.Update();
        EXPECT_EQ(g_MainGame.m_iLevelFrame, frame) << freeze;
        g_GameAI.UnsetVariable(freeze, nullptr);
    }
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, frame + 1);

    // "quit" ends the game even with the menu open.
    g_Menu.m_bMenuActive = 1;
    g_GameAI.SetVariable("quit", nullptr);
    g_MainGame.Update();
    EXPECT_EQ(g_Engine.m_bQuit, 1);

    // Nothing at all before the game has started.
    g_Engine.m_bQuit = 0;
    g_MainGame.active = 0;
    g_MainGame.Update();
    EXPECT_EQ(g_Engine.m_bQuit, 0);
}

TEST_F(MainGame, AMissionFailedByAScriptFailsOnceThroughTheOneEntry)
{
    UpdateTo(10);
    PlayerStats = EPlayerStats();
    g_GameAI.SetVariable("mission_failed", nullptr);
    g_MainGame.Update();
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_EQ(PlayerStats.m_iFailReason, 0);
    EXPECT_FALSE(g_GameAI.IsVariableSet("mission_failed"));
    EXPECT_TRUE(Contains(Log(), "AI odpala GameFailed"));
    EXPECT_EQ(GameFailed(4), 4);
    EXPECT_EQ(PlayerStats.m_iFailReason, 4);
}

TEST_F(MainGame, TheLevelTimeAdvancesOnlyWhileGameplayRuns)
{
    PlayerStats.m_fLevelTime = 0.0f;
    for (int i = 0; i < 30; ++i)
        g_MainGame.Update();
    EXPECT_NEAR(PlayerStats.m_fLevelTime, 30 * kFrame, 1e-4f);
    g_Options.GameplayRunning = 0;
    g_MainGame.Update();
    EXPECT_NEAR(PlayerStats.m_fLevelTime, 30 * kFrame, 1e-4f);
}

TEST_F(MainGame, LetterboxFramesCountUpAndRestartWhenTheLetterboxEnds)
{
    g_MainGame.letterboxFrames = 0;
    g_Panel.WideScreen = 1;
    for (int i = 0; i < 4; ++i)
        g_MainGame.Update();
    EXPECT_EQ(g_MainGame.letterboxFrames, 4u);
    g_Panel.WideScreen = 0;
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.letterboxFrames, 0u);
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.letterboxFrames, 1u);
}

TEST_F(MainGame, AWorldChangeFadesOverItsSecondAndASecondRequestRestartsIt)
{
    ASSERT_TRUE(g_MainGame.ScheduleWorldStart("worlds\\level02.w"));
    EXPECT_EQ(g_MainGame.worldPending, 1);
    const DWORD frame = g_MainGame.m_iLevelFrame;
    for (int i = 0; i < 30; ++i)
        g_MainGame.Update();
    EXPECT_NEAR(g_MainGame.pendingTimer, 30 * kFrame, 1e-4f);
    // The level stands still while it fades.
    EXPECT_EQ(g_MainGame.m_iLevelFrame, frame);
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);

    ASSERT_TRUE(g_MainGame.ScheduleWorldStart("worlds\\level03.w"));
    EXPECT_FLOAT_EQ(g_MainGame.pendingTimer, 0.0f);
    int updates = 0;
    while (!g_Engine.m_szNextWorld[0] && updates < 200)
    {
        g_MainGame.Update();
        ++updates;
    }
    // Just past the second, with the newer name.
    EXPECT_GE(updates, 60);
    EXPECT_LE(updates, 61);
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\level03.w");
    EXPECT_EQ(g_MainGame.m_bWorldActive, 0);
    // The request is made once; the flag stays until the level is released.
    g_Engine.m_szNextWorld[0] = 0;
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.worldPending, 1);
    g_MainGame.ReleaseLevel();
    EXPECT_EQ(g_MainGame.worldPending, 0);
}

TEST_F(MainGame, TheFadeDarkensWithTheTimerAndStaysBlackPastTheSecond)
{
    struct Case
    {
        float seconds;
        int alpha;
    };
    const Case cases[] = {
        {0.0f, 0},    {0.5f, 127}, {0.999f, 254}, {1.0f, 255},
        {1.02f, 255}, {-1.0f, 0},  {1.0e9f, 255}, {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMainGame::FadeAlpha(c.seconds), c.alpha) << c.seconds;
}

TEST_F(MainGame, WorldChangesToNothingThatCanStartAreRefusedAndTheLevelGoesOn)
{
    const std::string tooLong = "worlds\\" + std::string(300, 'x') + ".w";
    for (const char* name : {"", "worlds\\missing.w", tooLong.c_str()})
    {
        EXPECT_FALSE(g_MainGame.ScheduleWorldStart(name)) << name;
        EXPECT_EQ(g_MainGame.worldPending, 0);
    }
    EXPECT_FALSE(g_MainGame.ScheduleWorldStart(nullptr));
    const auto log = Log();
    EXPECT_TRUE(Contains(log, "ERROR: the world \"worlds\\missing.w\" does not exist; the level goes on"));
    EXPECT_TRUE(Contains(log, "ERROR: world name too long, the world change is refused"));
    // A pending change keeps its name when a bad one comes after it.
    ASSERT_TRUE(g_MainGame.ScheduleWorldStart("worlds\\level02.w"));
    EXPECT_FALSE(g_MainGame.ScheduleWorldStart("worlds\\missing.w"));
    EXPECT_STREQ(g_MainGame.pendingWorld, "worlds\\level02.w");
}

TEST_F(MainGame, MusicNamesAreKeptWholeOrRefused)
{
    g_MainGame.PlayMusic("music\\level02.ogg", 1);
    EXPECT_STREQ(g_MainGame.musicName, "music\\level02.ogg");
    EXPECT_STREQ(g_GameMusic.m_szTrack, "music\\level02.ogg");
    EXPECT_EQ(g_GameMusic.m_bLoop, 1);
    const std::string tooLong(CMainGame::MUSIC_NAME_SIZE, 'm');
    g_MainGame.PlayMusic(tooLong.c_str(), 0);
    EXPECT_STREQ(g_MainGame.musicName, "music\\level02.ogg");
    EXPECT_TRUE(Contains(Log(), "ERROR: music file name too long, the music is not changed"));
    g_MainGame.PlayMusic(nullptr, 0);
    EXPECT_STREQ(g_MainGame.musicName, "");
    EXPECT_STREQ(g_GameMusic.m_szTrack, "");
}

TEST_F(MainGame, TheCameraMovesFromStartTowardsDestinationLookingAtItsTarget)
{
    const D3DXVECTOR3 from(0.0f, 0.0f, 0.0f), to(100.0f, 0.0f, 0.0f), at(50.0f, 0.0f, 100.0f);
    HOBJECT start = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &from.x, nullptr);
    HOBJECT dest = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &to.x, nullptr);
    HOBJECT target = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr);
    ASSERT_TRUE(start && dest && target);
    g_Engine.SetObjectName(start, "cam_start");
    g_Engine.SetObjectName(dest, "cam_end");
    g_Engine.SetObjectName(target, "cam_target");

    g_MainGame.CameraMove("cam_start", "nowhere", "cam_target", 10.0f);
    g_MainGame.CameraMove("gone", "cam_end", "cam_target", 10.0f);
    EXPECT_EQ(g_MainGame.cameraMoveOn, 0);
    auto log = Log();
    EXPECT_TRUE(Contains(log, "Error - CameraMove can't find dest object nowhere"));
    EXPECT_TRUE(Contains(log, "Error - CameraMove can't find start object gone"));

    g_MainGame.CameraMove("cam_start", "cam_end", "cam_target", 60.0f);
    ASSERT_EQ(g_MainGame.cameraMoveOn, 1);
    for (int i = 0; i < 60; ++i)
        g_MainGame.Update();
    // A second at 60 units a second along +x, looking at the target.
    EXPECT_NEAR(g_Camera.GetPosition().x, 60.0f, 0.01f);
    EXPECT_NEAR(g_Camera.GetPosition().z, 0.0f, 0.01f);
    EXPECT_NEAR(g_Camera.m_Orientation.Forward.x, -10.0f / std::sqrt(10100.0f), 1e-3f);
    EXPECT_NEAR(g_Camera.m_Orientation.Forward.z, 100.0f / std::sqrt(10100.0f), 1e-3f);

    g_Engine.DeleteObject(target);
    g_MainGame.Update();
    EXPECT_EQ(g_MainGame.cameraMoveOn, 0);
    EXPECT_TRUE(Contains(Log(), "No camera target - stopping movement."));
}

TEST_F(MainGame, AWorldThatFailsToStartEndsTheLoadingScreensAndTheStartMenuFollows)
{
    g_LoadingScreen.Start("worlds\\broken.w");
    g_Console.m_bLoading = 1;
    g_MainGame.m_iLevelFrame = 40;
    g_Engine.m_bWorldLoaded = 0;
    g_MainGame.WorldStartFailed("worlds\\broken.w");
    EXPECT_EQ(g_LoadingScreen.m_bActive, 0);
    EXPECT_EQ(g_Console.m_bLoading, 0);
    EXPECT_TRUE(Contains(
        Log(), "ERROR: the world \"worlds\\broken.w\" could not be started; the menu opens instead"));
    UpdateTo(CMainGame::FRAME_START_MENU);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
}

TEST_F(MainGame, ConsoleCommandsReachTheWorldChangeTheVariablesAndTheLevelFrame)
{
    RegisterGameConsoleCommands();
    auto type = [](const char* line)
    {
        std::snprintf(g_Console.m_szInput, sizeof g_Console.m_szInput, "%s", line);
        g_Console.ExecuteLine();
    };
    type("SetVariable alarm");
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm"));
    type("unsetvariable alarm");
    EXPECT_FALSE(g_GameAI.IsVariableSet("alarm"));
    g_GameAI.DeclareVariable("timer", strzmienne::TYPE_COUNTER);
    g_GameAI.AdvanceCounters(1.5f);
    type("Variable timer");
    type("Variable nothing");
    g_MainGame.m_iLevelFrame = 321;
    type("LevelFrame");
    type("StartWorld worlds\\level02.w");
    EXPECT_EQ(g_MainGame.worldPending, 1);
    EXPECT_STREQ(g_MainGame.pendingWorld, "worlds\\level02.w");
    const auto log = Log();
    EXPECT_TRUE(Contains(log, "Variable timer: counter, set 0, seconds 1.50, value 0"));
    EXPECT_TRUE(Contains(log, "No variable nothing"));
    EXPECT_TRUE(Contains(log, "LevelFrame == 321"));
}

TEST_F(MainGame, TheSaveSectionKeepsTheMusicAndTheCameraMoveAndRefusesDamage)
{
    g_MainGame.PlayMusic("music\\level02.ogg", 1);
    g_Camera.SetFarPlane(4096.0f);
    g_MainGame.cameraMoveOn = 1;
    g_MainGame.moveDir = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    g_MainGame.moveStart = D3DXVECTOR3(5.0f, 6.0f, 7.0f);
    g_MainGame.moveSpeed = 12.5f;
    std::snprintf(g_MainGame.moveTarget, sizeof g_MainGame.moveTarget, "%s", "tower");
    const std::string path = (m_dir->path() / "main.sav").string();
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(g_MainGame.Save(out));
    ASSERT_TRUE(CloseSaveFile(out));

    g_MainGame = CMainGame();
    g_MainGame.halted = 1;
    g_GameMusic = GameMusic();
    g_Camera.SetFarPlane(100.0f);
    g_GameAI.SetVariable("mission_failed", nullptr);
    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(g_MainGame.Load(in));
    std::fclose(in);
    EXPECT_EQ(g_MainGame.halted, 0);
    EXPECT_FALSE(g_GameAI.IsVariableSet("mission_failed"));
    EXPECT_FLOAT_EQ(g_Camera.GetFarPlane(), 4096.0f);
    EXPECT_EQ(g_MainGame.cameraMoveOn, 1);
    EXPECT_FLOAT_EQ(g_MainGame.moveStart.z, 7.0f);
    EXPECT_FLOAT_EQ(g_MainGame.moveSpeed, 12.5f);
    EXPECT_STREQ(g_MainGame.moveTarget, "tower");
    EXPECT_STREQ(g_GameMusic.m_szTrack, "music\\level02.ogg");

    // Cut short, or a far plane that is no number: the load fails and the
    // camera keeps its far plane.
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 3);
    in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_FALSE(g_MainGame.Load(in));
    std::fclose(in);
    out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    WriteString(out, "");
    WriteFloat(out, std::numeric_limits<float>::quiet_NaN());
    ASSERT_TRUE(CloseSaveFile(out));
    g_Camera.SetFarPlane(300.0f);
    in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_FALSE(g_MainGame.Load(in));
    std::fclose(in);
    EXPECT_FLOAT_EQ(g_Camera.GetFarPlane(), 300.0f);
}

TEST_F(MainGame, PathGenerationTakesTheMarkedMeshesAndTheGeneratorsGo)
{
    // Mesh objects load their file onto a device.
    struct MeshDevice
    {
        D3DPRESENT_PARAMETERS params = WindowedParams();
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* device = nullptr;
        IDirect3DDevice9* previous = g_pD3DInterface;
        ~MeshDevice()
        {
            // The mesh table holds the device's buffers: it goes first.
            g_Engine.DeleteAllObjects();
            g_MeshMgr.ReleaseAll();
            if (device)
                ReleaseHeadlessDevice(d3d, device);
            g_pD3DInterface = previous;
        }
    } meshDevice;
    ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(meshDevice.params, &meshDevice.d3d, &meshDevice.device));
    g_pD3DInterface = meshDevice.device;
    std::filesystem::create_directories("meshes");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\box.x", BoxMesh(), tk::xfile::XFormat::Text));
    auto mesh = [](const char* name)
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, "meshes\\box.x", 0, 0, nullptr, nullptr);
        if (o)
            g_Engine.SetObjectName(o, name);
        return o;
    };
    HOBJECT marked = mesh("ground");
    HOBJECT plain = mesh("house");
    HOBJECT generator = mesh("Generator_Sciezek_02");
    HOBJECT hiddenGenerator = mesh("generator_sciezek_03");
    ASSERT_TRUE(marked && plain && generator && hiddenGenerator);
    const float params[5] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    g_Engine.SetObjectPathGenParams(marked, params);
    g_Engine.SetObjectFlags(generator, 0x1, 0x1);
    g_Engine.SetObjectFlags(hiddenGenerator, 0, 0x1);
    const int saves = g_PathMgr.m_iSaves;
    const int added = g_PathMgr.m_iMeshesAdded;

    g_MainGame.GeneratePaths();
    EXPECT_TRUE(Contains(Log(), "Nie ma sciezek!"));
    EXPECT_EQ(g_PathMgr.m_iMeshesAdded, added + 1);
    EXPECT_EQ(g_PathMgr.m_iSaves, saves + 1);
    EXPECT_EQ(g_PathMgr.m_iNodeLimit, 2000u);
    EXPECT_EQ(marked->bUsed, 0);
    EXPECT_EQ(plain->bUsed, 1);
    EXPECT_EQ(generator->bUsed, 0);
    EXPECT_EQ(hiddenGenerator->bUsed, 1);
}

TEST_F(MainGame, TheFrameBeforeTheCaptionDeletesTheSelfDeletingObjects)
{
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    HOBJECT gone = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr);
    HOBJECT kept = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr);
    ASSERT_TRUE(gone && kept);
    g_Engine.SetObjectName(gone, "SELF_DELETE");
    g_Engine.SetObjectName(kept, "self_deleted_later");
    g_MainGame.m_iLevelFrame = CMainGame::FRAME_GRASS - 1;
    g_MainGame.Render();
    EXPECT_EQ(gone->bUsed, 1);
    g_MainGame.m_iLevelFrame = CMainGame::FRAME_GRASS;
    g_MainGame.Render();
    EXPECT_EQ(gone->bUsed, 0);
    EXPECT_EQ(kept->bUsed, 1);
}

TEST_F(MainGame, CountersFollowTheFrameTimeOnceTheLevelScriptsRun)
{
    // The running world's level script declares the counter.
    m_dir->Write("scripts/ai/clock.txt", "level worlds\\clock.w\ncounter since_start\n");
    g_GameAI.Init();
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\clock.w");
    g_Engine.m_bWorldLoaded = 1; // a level, so no start menu opens at 202
    g_MainGame.PrepareWorldStart();
    strzmienne* counter = g_GameAI.FindVariable("since_start");
    ASSERT_NE(counter, nullptr);
    g_MainGame.InitLevel();
    UpdateTo(CMainGame::FRAME_GAMEPLAY);
    EXPECT_FLOAT_EQ(counter->seconds, 0.0f);
    // The level scripts run once the level has started.
    UpdateTo(CMainGame::FRAME_LEVEL_STARTED - 1);
    EXPECT_FLOAT_EQ(counter->seconds, 0.0f);
    UpdateTo(CMainGame::FRAME_LEVEL_STARTED + 29);
    EXPECT_NEAR(counter->seconds, 30 * kFrame, 1e-4f);
    // Not while gameplay is stopped.
    g_Options.GameplayRunning = 0;
    UpdateTo(CMainGame::FRAME_LEVEL_STARTED + 40);
    EXPECT_NEAR(counter->seconds, 30 * kFrame, 1e-4f);
}
