// The game object in the main loop, in-process on the headless window, clock
// and device, over a copy of the bundled data tree: the demo world's start-up
// milestones, the loading screen's hold, and a world change typed into the
// console with its fade.
#include "game_fixture.h"

#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "shell/D3DMain.h"
#include "shell/Input.h"
#include "shell/TextMgr.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "support/GameProcess.h"
#include "support/GameWindow.h"
#include "world/Object.h"

#include <algorithm>
#include <cstring>

using namespace gametest;

namespace
{
class GameRun : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ResetHeadlessGame();
        CopyDataTree(m_dir->path());
        m_dir->Write("worlds/level02.w", m_dir->Read("worlds/test.w"));
        m_dir->Write("worlds/level03.w", m_dir->Read("worlds/test.w"));
        ASSERT_NE(OpenGameWindow("GameRunTest", 64, 48), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\test.w");
    }

    void TearDown() override
    {
        // A menu the game opened gives back its items, puffs and backdrop.
        g_Menu.Close();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    // Passes until the requested world has started.
    void PassUntilWorldStarts()
    {
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_EQ(g_Engine.m_szNextWorld[0], 0);
    }
    void Type(const char* command)
    {
        std::snprintf(g_Console.m_szInput, sizeof g_Console.m_szInput, "%s", command);
        g_Console.m_iCursor = static_cast<DWORD>(std::strlen(g_Console.m_szInput));
        g_Console.ExecuteLine();
    }
    // The step notes (level start and end) from `from` on, milestones left out.
    static std::vector<std::string> StepNotesFrom(size_t from)
    {
        std::vector<std::string> notes;
        const auto& log = TkGameStepLog();
        for (size_t i = from; i < log.size(); ++i)
            if (log[i].empty() || log[i][0] < '0' || log[i][0] > '9')
                notes.push_back(log[i]);
        return notes;
    }
    static std::vector<std::string> StepNames(const GameStep* steps, size_t n)
    {
        std::vector<std::string> names;
        for (size_t i = 0; i < n; ++i)
            names.emplace_back(steps[i].name);
        return names;
    }
    UINT Presents() const { return TkD3D9GetPresentCount(g_pD3DInterface); }
};
} // namespace

TEST_F(GameRun, TheDemoWorldStepsThroughItsMilestonesAndWaitsOnTheLoadingScreen)
{
    g_MainGame.Init();
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\test.w");
    PassUntilWorldStarts();
    // The world started at the end of the first pass, and the level with it.
    ASSERT_EQ(g_Engine.m_bWorldLoaded, 1);
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\test.w");
    size_t n = 0;
    const GameStep* init = CMainGame::InitSteps(n);
    std::vector<std::string> expected = StepNames(init, n);
    const GameStep* initLevel = CMainGame::InitLevelSteps(n);
    const std::vector<std::string> levelSteps = StepNames(initLevel, n);
    expected.insert(expected.end(), levelSteps.begin(), levelSteps.end());
    EXPECT_EQ(StepNotesFrom(0), expected);
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1);

    // Every milestone before the hold runs while the loading screen is up.
    PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
    const UINT presentsWhileLoading = Presents();
    for (int i = 0; i < 30; ++i)
        Pass();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, CMainGame::FRAME_LOADING_HOLD);
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1);
    // The world is not shown yet.
    EXPECT_EQ(g_MainGame.m_bWorldActive, 0);
    // Only the loading screen presents, once a pass, while it waits.
    EXPECT_EQ(Presents(), presentsWhileLoading + 30);

    // The player continues: the start-up goes on from the hold.
    PressKey("Space");
    EXPECT_EQ(g_LoadingScreen.m_bActive, 0);
    PassUntilLevelFrame(230);
    std::vector<std::string> milestones;
    for (const std::string& note : TkGameStepLog())
        if (!note.empty() && note[0] >= '0' && note[0] <= '9')
            milestones.push_back(note);
    EXPECT_EQ(milestones, (std::vector<std::string>{"60 GeneratePaths", "100 EMeshMgr::SaveAllOpts",
                                                    "151 EConsole::DrawLoadingScreen 9", "199 Mewy::Init",
                                                    "201 LevelStarted", "202 StartMenu", "205 ShowWorld",
                                                    "220 ShowLevelStartDialog"}));
    // A level, not the menu's world: shown from 205, and drawn every frame since.
    EXPECT_EQ(g_Menu.m_bMenuActive, 0);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 1);
    const UINT presents = Presents();
    Pass();
    EXPECT_EQ(Presents(), presents + 1);
}

TEST_F(GameRun, AWorldChangeFromTheConsoleFadesReleasesTheLevelInOrderAndStartsTheNewWorld)
{
    g_MainGame.Init();
    PassUntilWorldStarts();
    PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
    PressKey("Space");
    PassUntilLevelFrame(210);
    ASSERT_EQ(g_MainGame.m_bWorldActive, 1);

    // 20 ms frames: half a second of fade, then a second request restarts it.
    TkHeadlessSetFrameStepMs(20.0);
    Type("StartWorld worlds\\level02.w");
    EXPECT_EQ(g_MainGame.worldPending, 1);
    const UINT presents = Presents();
    for (int i = 0; i < 25; ++i)
        Pass();
    EXPECT_NEAR(g_MainGame.pendingTimer, 0.5f, 0.03f);
    EXPECT_GT(CMainGame::FadeAlpha(g_MainGame.pendingTimer), 100);
    EXPECT_LT(CMainGame::FadeAlpha(g_MainGame.pendingTimer), 155);
    // The fade is drawn every frame, over a level that stands still.
    EXPECT_EQ(Presents(), presents + 25);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 210u);
    Type("StartWorld worlds\\level03.w");
    EXPECT_FLOAT_EQ(g_MainGame.pendingTimer, 0.0f);

    const size_t before = TkGameStepLog().size();
    int passes = 0;
    while (std::strcmp(g_Engine.m_szWorld, "worlds\\level03.w") != 0 && passes < 200)
    {
        Pass();
        ++passes;
    }
    // A second of fade (50 frames of 20 ms), and the change at the end of the
    // pass that passed it.
    EXPECT_GE(passes, 50);
    EXPECT_LE(passes, 52);
    ASSERT_STREQ(g_Engine.m_szWorld, "worlds\\level03.w");
    size_t n = 0;
    const GameStep* release = CMainGame::ReleaseLevelSteps(n);
    std::vector<std::string> expected = StepNames(release, n);
    const GameStep* init = CMainGame::InitLevelSteps(n);
    const std::vector<std::string> initLevel = StepNames(init, n);
    expected.insert(expected.end(), initLevel.begin(), initLevel.end());
    EXPECT_EQ(StepNotesFrom(before), expected);
    EXPECT_EQ(g_MainGame.worldPending, 0);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 0);
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1);
    Pass();
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 1u);
}

TEST_F(GameRun, AConfiguredWorldThatIsMissingOpensTheMenuInstead)
{
    std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\nowhere.w");
    g_MainGame.Init();
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
    EXPECT_TRUE(
        Contains(Log(), "ERROR: the world \"worlds\\nowhere.w\" does not exist; the menu opens instead"));
    PassUntilLevelFrame(CMainGame::FRAME_START_MENU);
    EXPECT_EQ(g_Engine.m_bWorldLoaded, 0);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
    EXPECT_EQ(g_Menu.m_bOpenedAtStart, 1);
    EXPECT_EQ(g_MainGame.m_bWorldActive, 1);
}

TEST_F(GameRun, TheFadeBlendsBlackOverTheFrameByItsTimer)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    ASSERT_NE(device, nullptr);
    g_MainGame.active = 1;
    g_MainGame.worldPending = 1;
    struct Case
    {
        float seconds;
        int grey; // of a white frame after the fade
    };
    for (const Case c : {Case{0.0f, 255}, Case{0.5f, 128}, Case{1.2f, 0}})
    {
        g_MainGame.pendingTimer = c.seconds;
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        g_MainGame.Render();
        ASSERT_EQ(device->EndScene(), D3D_OK);

        // The frame read back as a player's screenshot would be.
        IDirect3DSurface9* target = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &target), D3D_OK);
        D3DSURFACE_DESC desc = {};
        target->GetDesc(&desc);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                      &back, nullptr),
                  D3D_OK);
        ASSERT_EQ(device->GetRenderTargetData(target, back), D3D_OK);
        target->Release();
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{32, 24}, std::pair{63, 47}})
        {
            const auto* row = static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch;
            const DWORD pixel = reinterpret_cast<const DWORD*>(row)[x];
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), c.grey, 2)
                    << c.seconds << " at " << x << "," << y;
        }
        back->UnlockRect();
        back->Release();
    }
}

TEST_F(GameRun, TheDemoLevelScriptPowersTheSwitchAndTheLiftAndAnswersTheRangeBarrel)
{
    std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\level01.w");
    // The texts of the script's keys, as the game reads them when it starts.
    g_TextMgr.Load("scripts\\text_keys.txt");
    struct FreeKeys
    {
        ~FreeKeys() { g_TextMgr.Free(); }
    } freeKeys;
    g_MainGame.Init();
    PassUntilWorldStarts();
    ASSERT_NE(g_GameAI.m_pCurrentLevel, nullptr);
    EXPECT_STREQ(g_GameAI.m_szLevelDisplayName, "Duskmere town");
    PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
    PressKey("Space");
    TkHeadlessSetFrameStepMs(50.0);
    PassUntilLevelFrame(CMainGame::FRAME_INPUT_SETTLED);
    EXPECT_FALSE(g_GameAI.IsVariableSet("power_on"));

    // Five seconds of the level's clock switch the power on.
    for (int guard = 0; !g_GameAI.IsVariableSet("power_on") && guard < 400; ++guard)
        Pass();
    ASSERT_TRUE(g_GameAI.IsVariableSet("power_on"));
    const strzmienne* clock = g_GameAI.FindVariable("town_clock");
    ASSERT_NE(clock, nullptr);
    EXPECT_GT(clock->seconds, 5.0f);
    EXPECT_LT(clock->seconds, 5.2f);
    EXPECT_TRUE(Contains(Log(), "Level script: the power is on"));
    // The blinking lamp rests from the fourth second to the sixth.
    HOBJECT lamp = g_Engine.FindObject("demo_blink_light", 0);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->dwFlags, 128u);
    EXPECT_EQ(lamp->bVisible, 0);
    for (int i = 0; i < 25; ++i)
        Pass();
    EXPECT_NE(lamp->dwFlags, 128u);
    EXPECT_LT(g_GameAI.FindVariable("lamp_clock")->seconds, 1.0f);

    // The hero steps onto the switch: the lamp lights, the lift has power and
    // the panel calls the script's named action.
    HOBJECT light = g_Engine.FindObject("demo_switch_light", 0);
    HOBJECT lift = g_Engine.FindObject("demo_lift", 0);
    ASSERT_TRUE(light && lift);
    EXPECT_EQ(light->dwFlags & OF_PHYSICS, 0u);
    const D3DVECTOR atSwitch = {15.0f, 1.2f, -9.0f};
    Player.TeleportTo(&atSwitch);
    for (int i = 0; i < 10; ++i)
        Pass();
    EXPECT_NE(light->dwFlags & OF_PHYSICS, 0u);
    EXPECT_TRUE(g_GameAI.IsVariableSet("lift_power"));
    const strzmienne* presses = g_GameAI.FindVariable("panel_presses");
    ASSERT_NE(presses, nullptr);
    EXPECT_EQ(presses->value, 1);
    EXPECT_TRUE(Contains(Log(), "Level script: the switch panel was used"));

    // Then into the lift, which rises.
    const D3DVECTOR inLift = {19.0f, 1.2f, -10.0f};
    Player.TeleportTo(&inLift);
    float highest = 0.0f;
    for (int i = 0; i < 100; ++i)
    {
        Pass();
        highest = std::max(highest, lift->vPosition.y);
    }
    EXPECT_FLOAT_EQ(highest, 6.0f);

    // Shots at the range barrel: each hit is answered, and its end too.
    HOBJECT barrel = g_Engine.FindObject("range_barrel", 0);
    ASSERT_NE(barrel, nullptr);
    const D3DXVECTOR3 shot(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 at = barrel->vPosition;
    g_Engine.OnObjectHit(barrel, &at, &shot, 12.0f);
    Pass();
    EXPECT_TRUE(Contains(Log(), "Level script: the range barrel was hit"));
    EXPECT_FALSE(Contains(Log(), "Level script: the range barrel is gone"));
    g_Engine.OnObjectHit(barrel, &at, &shot, 12.0f);
    for (int i = 0; i < 5; ++i)
        Pass();
    EXPECT_TRUE(Contains(Log(), "Level script: the range barrel is gone"));
    const strzmienne* barrels = g_GameAI.FindVariable("barrels_down");
    ASSERT_NE(barrels, nullptr);
    EXPECT_EQ(barrels->value, 1);
}
