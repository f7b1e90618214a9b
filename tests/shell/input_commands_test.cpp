// Key commands and the mouse on the 10 ms window timer, with input injected
// as SDL events and the event script inject it.
#include "input_fixture.h"

#include "platform/dinput/DInput.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Input.h"
#include "player/ItemMgr.h"

#include <cmath>

namespace
{
class InputCommandsTest : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        g_CommandMgr.SetDefaultKeys();
        g_CommandMgr.InitKeyboard(g_hWnd);
        ASSERT_TRUE(g_CommandMgr.m_bKeyboardReady);
        ASSERT_TRUE(g_Mouse.Create(g_hWnd));
        g_Options.MouseSensitivity = 1.0f;
        g_Options.Difficulty = 1;
        g_Options.MouseOption = 0;
    }

    static void Tick() { RunTimerTicks(1); }

    // Position y after one poll of `counts` along Y from a level view.
    static double PitchAfter(int counts)
    {
        g_Mouse.m_State = EMouseState();
        TkInjectMouseMove(0, counts);
        Tick();
        return g_Mouse.m_State.y;
    }

    static double TurnAfter(int counts)
    {
        g_Mouse.m_State = EMouseState();
        TkInjectMouseMove(counts, 0);
        Tick();
        return g_Mouse.m_State.x;
    }
};

TEST_F(InputCommandsTest, HeldKeyMakesItsCommandDownAtTheNextTimerTick)
{
    TkInjectKey('W', true);
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(3)); // not read before the tick
    Tick();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(3));
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(4));
    TkInjectKey('W', false);
    TkInjectKey(VK_DOWN, true); // the second key of command 4
    Tick();
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(3));
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(4));
}

TEST_F(InputCommandsTest, EventScriptKeysReachTheCommandsThroughTheKeyboardDevice)
{
    TkLoadScriptText("frame 2: key down Ctrl\nframe 4: key up Ctrl\nframe 4: key press C\n", "test");
    bool seen[8] = {};
    MSG msg;
    for (int pass = 0; pass < 200 && TkFrameCount() < 7; ++pass)
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            DispatchMessageA(&msg);
            if (msg.message == WM_TIMER && TkFrameCount() < 8)
                seen[TkFrameCount()] = g_CommandMgr.IsCommandDown(34);
        }
    EXPECT_FALSE(seen[1]);
    EXPECT_TRUE(seen[2]); // left Ctrl
    EXPECT_TRUE(seen[3]);
    EXPECT_TRUE(seen[4]);  // C, pressed as Ctrl went up
    EXPECT_FALSE(seen[5]); // released at the next frame
}

TEST_F(InputCommandsTest, MouseButtonOneIsCodeTwoFiftySeven)
{
    TkInjectMouseButton(1, true);
    Tick();
    EXPECT_EQ(g_CommandMgr.m_bKeyState[257], 1);
    EXPECT_EQ(g_CommandMgr.m_bKeyState[256], 0);
    EXPECT_EQ(g_CommandMgr.GetMouseButton(1), 1);
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(14));
    g_CommandMgr.m_dwBindings[40][1] = 257; // bound by the player
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(40));
    TkInjectMouseButton(1, false);
    Tick();
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(14));
    EXPECT_EQ(g_CommandMgr.GetMouseButton(1), 0);

    // The fourth button has a byte of its own but no key code.
    TkInjectMouseButton(3, true);
    Tick();
    EXPECT_EQ(g_CommandMgr.GetMouseButton(3), 1);
    EXPECT_EQ(g_CommandMgr.m_bKeyState[259], 0);
    EXPECT_EQ(g_CommandMgr.GetMouseButton(4), 0);
    EXPECT_EQ(g_CommandMgr.GetMouseButton(-1), 0);
}

TEST_F(InputCommandsTest, ZeroSensitivityIsRaisedAndHundredCountsTurnByAHundredth)
{
    g_Options.MouseSensitivity = 0.0f;
    EXPECT_NEAR(TurnAfter(100), 0.01, 1e-9);
    EXPECT_FLOAT_EQ(g_Options.MouseSensitivity, 0.01f);
    // At sensitivity 1.0 the same counts turn a hundred times as far.
    g_Options.MouseSensitivity = 1.0f;
    EXPECT_NEAR(TurnAfter(100), 1.0, 1e-9);
    EXPECT_NEAR(g_Mouse.m_State.rawX, 1.0, 1e-9);
}

TEST_F(InputCommandsTest, EasyDifficultyMovesThePitchHalfAsFar)
{
    g_Options.Difficulty = 0;
    const double easy = PitchAfter(50);
    g_Options.Difficulty = 1;
    const double normal = PitchAfter(50);
    EXPECT_NEAR(easy, 0.5, 1e-9);
    EXPECT_NEAR(normal, 1.0, 1e-9);
    // In the menu the difficulty does not matter.
    g_Menu.m_bMenuActive = 1;
    g_Options.Difficulty = 0;
    EXPECT_NEAR(PitchAfter(50), 1.0, 1e-9);
}

TEST_F(InputCommandsTest, PitchIsHeldAtEightyEightDegreesWhilePlayingOnly)
{
    EXPECT_DOUBLE_EQ(PitchAfter(500), 1.5358898639678955);
    EXPECT_DOUBLE_EQ(PitchAfter(-500), -1.5358898639678955);
    g_Menu.m_bMenuActive = 1;
    EXPECT_NEAR(PitchAfter(500), 10.0, 1e-9);
    g_Menu.m_bMenuActive = 0;
    g_LoadingScreen.m_bActive = 1;
    EXPECT_NEAR(PitchAfter(500), 10.0, 1e-9);
    // The turn has no bound.
    g_LoadingScreen.m_bActive = 0;
    EXPECT_NEAR(TurnAfter(5000), 50.0, 1e-9);
}

TEST_F(InputCommandsTest, InvertedMouseTurnsThePitchAroundWhilePlaying)
{
    g_Options.MouseOption = 1;
    EXPECT_NEAR(PitchAfter(40), -0.8, 1e-9);
    EXPECT_NEAR(g_Mouse.m_State.rawY, 0.4, 1e-9); // raw movement is never inverted
    g_Menu.m_bMenuActive = 1;
    EXPECT_NEAR(PitchAfter(40), 0.8, 1e-9);
}

TEST_F(InputCommandsTest, ClicksBeforeTheLevelStartUpThresholdAreDropped)
{
    g_MainGame.m_iLevelFrame = 100;
    TkInjectMouseButton(0, true);
    TkInjectMouseMove(100, 0);
    Tick();
    EXPECT_EQ(g_CommandMgr.m_bKeyState[256], 0);
    EXPECT_EQ(g_Mouse.m_State.buttons[0], 0);
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(19));
    EXPECT_EQ(g_Mouse.m_State.x, 0.0);
    // The dropped press does not come back later.
    g_MainGame.m_iLevelFrame = 150;
    Tick();
    EXPECT_EQ(g_CommandMgr.m_bKeyState[256], 0);
    // Clicks count from the threshold on; movement only from frame 200.
    TkInjectMouseButton(0, false);
    TkInjectMouseButton(0, true);
    TkInjectMouseMove(100, 0);
    Tick();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(19));
    EXPECT_EQ(g_Mouse.m_State.x, 0.0);
    EXPECT_NEAR(g_Mouse.m_State.rawX, 1.0, 1e-9);
    // In the menu the level frame does not matter.
    g_MainGame.m_iLevelFrame = 0;
    g_Menu.m_bMenuActive = 1;
    TkInjectMouseButton(2, true);
    Tick();
    EXPECT_EQ(g_CommandMgr.m_bKeyState[258], 1);
}

TEST_F(InputCommandsTest, ViewStaysStillInTheLetterboxViewAndWhileFadedOut)
{
    struct Case
    {
        const char* name;
        BYTE panoramic;
        float fade;
        BYTE lookFrom;
        bool moves;
    };
    const Case cases[] = {
        {"playing", 0, 0.0f, 0, true},
        {"letterbox", 1, 0.0f, 0, false},
        {"faded out", 0, 0.5f, 0, false},
        {"fader at the limit", 0, 0.3f, 0, true},
        {"view held on an object", 1, 1.0f, 1, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_Panel.m_bPanoramic = c.panoramic;
        g_Panel.m_fFadeAlpha = c.fade;
        g_Camera.m_bLookFrom = c.lookFrom;
        EXPECT_EQ(TurnAfter(100) != 0.0, c.moves);
        EXPECT_NEAR(g_Mouse.m_State.rawX, 1.0, 1e-9);
    }
}

TEST_F(InputCommandsTest, PitchIsLevelForTheFirstFramesAfterTheLetterboxView)
{
    g_MainGame.letterboxFrames = 4;
    g_Mouse.m_State = EMouseState();
    g_Mouse.m_State.y = 0.7;
    g_Mouse.m_State.rawY = 3.0;
    TkInjectMouseMove(30, 30);
    Tick();
    EXPECT_EQ(g_Mouse.m_State.y, 0.0);
    EXPECT_EQ(g_Mouse.m_State.dy, 0.0);
    EXPECT_EQ(g_Mouse.m_State.rawY, 0.0);
    EXPECT_NEAR(g_Mouse.m_State.x, 0.3, 1e-9);
    g_MainGame.letterboxFrames = 5;
    EXPECT_NEAR(PitchAfter(30), 0.6, 1e-9);
}

TEST_F(InputCommandsTest, ZoomAndSightsSlowTheView)
{
    EItemDesc desc{};
    EItemInstance weapon{};
    weapon.m_pDesc = &desc;
    struct Case
    {
        const char* name;
        float zoom;
        BYTE scope;
        BYTE sniper, launcher, machineGun;
        bool menu;
        double divisor;
    };
    const Case cases[] = {
        {"no zoom", 0.0f, 0, 0, 0, 0, false, 1.0},
        {"aiming", 0.5f, 0, 0, 0, 0, false, 2.0},
        {"sniper sight", 0.5f, 0, 1, 0, 0, false, 5.0},
        {"sniper and launcher sight", 0.5f, 0, 1, 1, 0, false, 2.0},
        {"sniper and machine-gun sight", 0.5f, 0, 1, 0, 1, false, 2.0},
        {"scope on", 0.5f, 1, 1, 0, 0, false, 7.0},
        {"menu open", 0.5f, 0, 1, 0, 0, true, 1.0},
    };
    Bronie.current = &weapon;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Bronie.aimProgress = c.zoom;
        g_Panel.m_bSniperScope = c.scope;
        desc.Snajper_Celownik = c.sniper;
        desc.GLauncher_Celownik = c.launcher;
        desc.MP_Celownik = c.machineGun;
        g_Menu.m_bMenuActive = c.menu ? 1 : 0;
        EXPECT_NEAR(TurnAfter(70), 0.7 / c.divisor, 1e-9);
    }
    Bronie.current = nullptr;
}

TEST_F(InputCommandsTest, WheelMovesByWholeNotches)
{
    g_Mouse.m_State = EMouseState();
    TkInjectMouseWheel(2);
    Tick();
    EXPECT_EQ(g_Mouse.m_State.dz, 240.0);
    EXPECT_NEAR(g_Mouse.m_State.z, 2.4, 1e-9);
    EXPECT_NEAR(g_Mouse.m_State.rawZ, 2.4, 1e-9);
    // The next poll starts its own movement at 0.
    Tick();
    EXPECT_EQ(g_Mouse.m_State.dz, 0.0);
}

TEST_F(InputCommandsTest, AcquireRetryEndsWhileTheInputStaysLost)
{
    TkDInputLoseDevices();
    TkDInputForceAcquireResult(DIERR_INPUTLOST, -1);
    const unsigned before = TkDInputAcquireCalls();
    g_Mouse.Poll();
    const unsigned tries = TkDInputAcquireCalls() - before;
    EXPECT_GE(tries, 1u);
    EXPECT_LE(tries, static_cast<unsigned>(EMouse::ACQUIRE_TRIES));
    EXPECT_TRUE(Printed("input lost"));
    g_Mouse.Poll(); // and again the next time, without end
    EXPECT_LE(TkDInputAcquireCalls() - before, 2u * EMouse::ACQUIRE_TRIES);

    // Once the system lets go, the mouse is back; what came meanwhile is lost.
    TkInjectMouseMove(100, 0);
    TkDInputForceAcquireResult(DI_OK, 0);
    g_Mouse.m_State = EMouseState();
    g_Mouse.Poll();
    TkInjectMouseMove(50, 0);
    g_Mouse.Poll();
    EXPECT_NEAR(g_Mouse.m_State.x, 0.5, 1e-9);
}

TEST_F(InputCommandsTest, KeyboardLostWithTheFocusComesBackWhenTheEngineAsks)
{
    HWND other = OpenWindow("Other", DefWindowProcA, 100, 100, WS_POPUP | WS_VISIBLE);
    TkInjectKey('A', true);
    g_CommandMgr.ReadKeyboard();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(5));
    SetFocus(other);
    TkInjectKey('A', false);
    g_CommandMgr.ReadKeyboard(); // lost: the table keeps what it had
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(5));
    g_CommandMgr.AcquireKeyboard(g_hWnd); // not while another window has the focus
    g_CommandMgr.ReadKeyboard();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(5));
    SetFocus(g_hWnd);
    g_CommandMgr.AcquireKeyboard(g_hWnd);
    g_CommandMgr.ReadKeyboard();
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(5));
    DestroyWindow(other);
}

TEST_F(InputCommandsTest, EscapeStateIsClearedAtEveryReadEvenWithoutAKeyboard)
{
    g_CommandMgr.ReleaseKeyboard();
    g_CommandMgr.m_bKeyState[DIK_ESCAPE] = 1;
    g_CommandMgr.m_bKeyState[DIK_A] = 1;
    g_CommandMgr.ReadKeyboard();
    EXPECT_EQ(g_CommandMgr.m_bKeyState[DIK_ESCAPE], 0);
    EXPECT_EQ(g_CommandMgr.m_bKeyState[DIK_A], 1);
}

TEST_F(InputCommandsTest, FireLatchHoldsTheFireCommandUntilItsKeysAreUp)
{
    TkInjectMouseButton(0, true);
    Tick();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(19));
    g_CommandMgr.SetFireLatch();
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(19));
    Tick(); // still held: the latch stays
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(19));
    TkInjectMouseButton(0, false);
    Tick();
    EXPECT_EQ(g_CommandMgr.m_bFireLatch, 0);
    TkInjectMouseButton(0, true);
    Tick();
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(19));
}

TEST_F(InputCommandsTest, NothingIsReadWhileTheDeviceIsNotInFocus)
{
    g_FocusMgr.m_bOnFocus = 0;
    TkInjectMouseMove(100, 0);
    TkInjectMouseButton(0, true);
    g_Mouse.Poll();
    EXPECT_EQ(g_Mouse.m_State.rawX, 0.0);
    EXPECT_EQ(g_CommandMgr.m_bKeyState[256], 0);
}

TEST_F(InputCommandsTest, StateIsSavedAndRestoredAroundADeviceLoss)
{
    TkInjectMouseMove(20, 10);
    TkInjectMouseButton(0, true);
    Tick();
    const EMouseState before = g_Mouse.m_State;
    g_Mouse.SaveState();
    g_Mouse.m_State = EMouseState();
    g_Mouse.RestoreState();
    EXPECT_EQ(std::memcmp(&g_Mouse.m_State, &before, sizeof before), 0);
}

TEST_F(InputCommandsTest, StateResetKeepsTheRawMovement)
{
    EMouseState s;
    s.buttons[2] = 1;
    s.x = s.y = s.z = 1.0;
    s.rawX = s.rawY = s.rawZ = 2.0;
    s.dx = s.dy = s.dz = 3.0;
    s.last = 4.0;
    s.Reset();
    EXPECT_EQ(s.buttons[2], 0);
    EXPECT_EQ(s.x + s.y + s.z + s.dx + s.dy + s.dz, 0.0);
    EXPECT_EQ(s.rawX + s.rawY + s.rawZ, 6.0);
    EXPECT_EQ(s.last, 0.005);
}

TEST_F(InputCommandsTest, WithoutDirectInputTheTimerStillRunsAndInputIsSilent)
{
    g_Mouse.Release();
    g_CommandMgr.ReleaseKeyboard();
    g_Input.Release();
    ASSERT_EQ(g_pDirectInput, nullptr);
    g_CommandMgr.InitKeyboard(g_hWnd);
    EXPECT_FALSE(g_CommandMgr.m_bKeyboardReady);
    EXPECT_FALSE(g_Mouse.Create(g_hWnd));
    TkInjectKey('W', true);
    TkInjectMouseButton(0, true);
    int ticks = 0;
    MSG msg;
    for (int pass = 0; pass < 100; ++pass)
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_TIMER)
        {
            ++ticks;
            DispatchMessageA(&msg);
        }
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(3));
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(19));
}
} // namespace

namespace
{
// A key message names a key by its virtual key; the bindings hold DirectInput
// codes, extended keys with 0x80: the arrow keys are not the numeric pad's.
TEST_F(InputCommandsTest, KeyMessagesAreMatchedToTheCommandsBoundKeys)
{
    struct Case
    {
        int command;
        WPARAM vk;
        bool bound;
    };
    const Case cases[] = {
        {CCommandMgr::CONSOLE_COMMAND, VK_OEM_3, true},
        {CCommandMgr::CONSOLE_COMMAND, 'W', false},
        {3, 'W', true},
        {3, VK_UP, true},
        {3, VK_NUMPAD8, false},
        {4, VK_DOWN, true},
        {4, VK_NUMPAD2, false},
        {34, VK_CONTROL, true},
        {CCommandMgr::FIRE_COMMAND, VK_SPACE, false},
        {-1, VK_OEM_3, false},
        {CCommandMgr::MAX_COMMANDS, VK_OEM_3, false},
        {CCommandMgr::CONSOLE_COMMAND, 0, false},
        {CCommandMgr::CONSOLE_COMMAND, 0x1C0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(g_CommandMgr.IsCommandKey(c.command, c.vk), c.bound) << c.command << " " << c.vk;

    // Bound elsewhere, the console key moves with its binding.
    g_CommandMgr.m_dwBindings[CCommandMgr::CONSOLE_COMMAND][0] = DIK_F2;
    EXPECT_TRUE(g_CommandMgr.IsCommandKey(CCommandMgr::CONSOLE_COMMAND, VK_F2));
    EXPECT_FALSE(g_CommandMgr.IsCommandKey(CCommandMgr::CONSOLE_COMMAND, VK_OEM_3));
}

TEST_F(InputCommandsTest, ClearingTheKeyboardStateLetsHeldKeysGoButKeepsTheMouseButtons)
{
    TkInjectKey('W', true);
    TkInjectMouseButton(0, true);
    g_MainGame.m_iLevelFrame = 300;
    Tick();
    ASSERT_TRUE(g_CommandMgr.IsCommandDown(3));
    ASSERT_TRUE(g_CommandMgr.IsCommandDown(CCommandMgr::FIRE_COMMAND));
    g_CommandMgr.ClearKeyboardState();
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(3));
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(CCommandMgr::FIRE_COMMAND));
}
} // namespace
