// Modal dialogs: the dialog procedure, the control calls, scripted choices
// and, on SDL's dummy driver, a player's mouse and keys.
#include "win32_fixture.h"

#include "platform/win32/Dialog.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Input.h"

#include <SDL.h>

#include <functional>

namespace
{
constexpr int kDialog = 900;

struct Command
{
    int id;
    int notification;
    uint32_t frame;
};

std::vector<Command> g_commands;
std::function<void(HWND)> g_onInit;
// Commands from these controls end the dialog with their id.
std::vector<int> g_endingIds = {11, 12};
HWND g_dialog = nullptr;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        g_dialog = dialog;
        EXPECT_EQ(lParam, 77);
        for (const char* item : {"first", "second", "third"})
            SendDlgItemMessageA(dialog, 50, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        if (g_onInit)
            g_onInit(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wParam);
    g_commands.push_back(Command{id, HIWORD(wParam), TkFrameCount()});
    if (lParam)
    {
        EXPECT_EQ(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), id);
    }
    for (int ending : g_endingIds)
        if (id == ending)
            EndDialog(dialog, id);
    return TRUE;
}

class Win32DialogTest : public Win32Test
{
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        ::unsetenv("TK_DIALOG_SCRIPT");
        g_commands.clear();
        g_onInit = nullptr;
        g_endingIds = {11, 12};
        g_dialog = nullptr;
        using K = TkControlKind;
        TkRegisterDialogTemplate(kDialog,
                                 TkDialogTemplate{"Test",
                                                  300,
                                                  260,
                                                  {
                                                      {10, K::Text, "Label", 10, 10, 200, 20, false},
                                                      {11, K::Button, "Other", 10, 220, 80, 24, false},
                                                      {12, K::DefaultButton, "OK", 200, 220, 80, 24, false},
                                                      {20, K::CheckBox, "Check", 10, 40, 200, 20, false},
                                                      {30, K::RadioButton, "A", 10, 70, 60, 20, true},
                                                      {31, K::RadioButton, "B", 80, 70, 60, 20, false},
                                                      {32, K::RadioButton, "C", 150, 70, 60, 20, false},
                                                      {40, K::RadioButton, "X", 10, 100, 60, 20, true},
                                                      {41, K::RadioButton, "Y", 80, 100, 60, 20, false},
                                                      {50, K::ComboBox, "", 10, 130, 150, 22, false},
                                                      {60, K::GroupBox, "Group", 170, 130, 120, 60, false},
                                                  }});
        m_main = MakeWindow();
    }

    void TearDown() override
    {
        g_onInit = nullptr;
        ::unsetenv("TK_DIALOG_SCRIPT");
        Win32Test::TearDown();
    }

    INT_PTR Run() { return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), m_main, TestDialogProc, 77); }

    HWND m_main = nullptr;
};

TEST_F(Win32DialogTest, ScriptedChoicesThenTheDefaultButton)
{
    ASSERT_TRUE(TkQueueDialogAction("click 20"));
    ASSERT_TRUE(TkQueueDialogAction("31"));
    ASSERT_TRUE(TkQueueDialogAction("select 50 2"));
    ASSERT_TRUE(TkQueueDialogAction("click 41"));
    EXPECT_EQ(Run(), 12);
    ASSERT_EQ(g_commands.size(), 5u);
    const Command expected[] = {{20, BN_CLICKED, 0},
                                {31, BN_CLICKED, 0},
                                {50, CBN_SELCHANGE, 0},
                                {41, BN_CLICKED, 0},
                                {12, BN_CLICKED, 0}};
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(g_commands[i].id, expected[i].id) << i;
        EXPECT_EQ(g_commands[i].notification, expected[i].notification) << i;
    }
    // Headless and without event-script choices the dialog takes no frames.
    EXPECT_EQ(TkFrameCount(), 0u);
    EXPECT_EQ(TkOpenDialog(), nullptr);
    EXPECT_FALSE(IsWindow(g_dialog));
    EXPECT_EQ(GetFocus(), m_main);
}

TEST_F(Win32DialogTest, ClicksChangeTheControlsAsAPlayerWould)
{
    struct Seen
    {
        UINT check20, check30, check31, check32, check40;
        LRESULT selection;
    } seen = {};
    TkQueueDialogAction("click 20");
    TkQueueDialogAction("click 32");
    TkQueueDialogAction("select 50 1");
    TkQueueDialogAction("click 11");
    // The command of 11 looks at the controls, then ends the dialog.
    g_endingIds = {};
    g_onInit = [](HWND dialog)
    {
        CheckRadioButton(dialog, 30, 32, 30);
        CheckDlgButton(dialog, 40, BST_CHECKED);
    };
    struct Hook
    {
        static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
        {
            INT_PTR r = TestDialogProc(dialog, message, wParam, lParam);
            if (message == WM_COMMAND && LOWORD(wParam) == 11)
            {
                Seen& s = *Instance();
                s.check20 = IsDlgButtonChecked(dialog, 20);
                s.check30 = IsDlgButtonChecked(dialog, 30);
                s.check31 = IsDlgButtonChecked(dialog, 31);
                s.check32 = IsDlgButtonChecked(dialog, 32);
                s.check40 = IsDlgButtonChecked(dialog, 40);
                s.selection = SendDlgItemMessageA(dialog, 50, CB_GETCURSEL, 0, 0);
                EndDialog(dialog, 11);
            }
            return r;
        }
        static Seen*& Instance()
        {
            static Seen* s = nullptr;
            return s;
        }
    };
    Hook::Instance() = &seen;
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), m_main, Hook::Proc, 77), 11);
    EXPECT_EQ(seen.check20, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(seen.check30, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(seen.check31, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(seen.check32, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(seen.check40, static_cast<UINT>(BST_CHECKED)); // another group
    EXPECT_EQ(seen.selection, 1);
}

TEST_F(Win32DialogTest, ChoicesOnDisabledUnknownOrWrongControlsAreSkippedWithALine)
{
    g_onInit = [](HWND dialog) { EnableWindow(GetDlgItem(dialog, 11), FALSE); };
    for (const char* action : {"click 11", "click 99", "select 20 0", "select 50 7", "click 10", "click 50"})
        ASSERT_TRUE(TkQueueDialogAction(action)) << action;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), 12);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].id, 12);
    for (const char* reason : {"the control is disabled", "no such control", "not a combo box",
                               "no such entry", "not a control that takes clicks"})
        EXPECT_NE(said.find(reason), std::string::npos) << reason;
    for (const char* bad : {"", "click", "click x", "select 50", "press 12", "click -1", "click 12 13"})
        EXPECT_FALSE(TkQueueDialogAction(bad)) << bad;
    EXPECT_EQ(TkPendingDialogActions(), 0u);
}

TEST_F(Win32DialogTest, ControlCallsKeepTheControlsState)
{
    g_onInit = [](HWND dialog)
    {
        // Combo boxes.
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_SETCURSEL, 2, 0), 2);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_SETCURSEL, 3, 0), CB_ERR);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
        char text[16];
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETLBTEXTLEN, 1, 0), 6);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 6);
        EXPECT_STREQ(text, "second");
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(text)), CB_ERR);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("fourth")), 3);
        SendDlgItemMessageA(dialog, 50, CB_SETCURSEL, 0, 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_RESETCONTENT, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 50, CB_GETCURSEL, 0, 0), CB_ERR);

        // Texts.
        EXPECT_TRUE(SetDlgItemTextA(dialog, 10, "A longer label"));
        char label[8];
        EXPECT_EQ(GetDlgItemTextA(dialog, 10, label, sizeof label), 7u);
        EXPECT_STREQ(label, "A longe");
        EXPECT_FALSE(SetDlgItemTextA(dialog, 99, "x"));
        EXPECT_EQ(GetDlgItemTextA(dialog, 99, label, sizeof label), 0u);
        EXPECT_STREQ(label, "");

        // Buttons.
        EXPECT_TRUE(CheckDlgButton(dialog, 20, BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 20), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(SendDlgItemMessageA(dialog, 20, BM_GETCHECK, 0, 0), BST_CHECKED);
        SendDlgItemMessageA(dialog, 20, BM_SETCHECK, BST_UNCHECKED, 0);
        EXPECT_EQ(IsDlgButtonChecked(dialog, 20), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_FALSE(CheckDlgButton(dialog, 11, BST_CHECKED)); // a push button has no check
        EXPECT_TRUE(CheckRadioButton(dialog, 30, 32, 31));
        EXPECT_TRUE(CheckRadioButton(dialog, 30, 32, 32));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 31), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 32), static_cast<UINT>(BST_CHECKED));
        EXPECT_FALSE(CheckRadioButton(dialog, 30, 32, 40));

        // Handles and enabling.
        HWND combo = GetDlgItem(dialog, 50);
        ASSERT_NE(combo, nullptr);
        EXPECT_NE(combo, GetDlgItem(dialog, 20));
        EXPECT_EQ(GetDlgCtrlID(combo), 50);
        EXPECT_EQ(GetDlgItem(dialog, 99), nullptr);
        EXPECT_FALSE(IsWindow(combo));
        EXPECT_TRUE(IsWindowEnabled(combo));
        EXPECT_FALSE(EnableWindow(combo, FALSE)); // was enabled
        EXPECT_FALSE(IsWindowEnabled(combo));
        EXPECT_TRUE(EnableWindow(combo, TRUE));    // was disabled
        EXPECT_FALSE(EnableWindow(dialog, FALSE)); // not a control
    };
    EXPECT_EQ(Run(), 12);
}

TEST_F(Win32DialogTest, EndingDuringInitialisationReturnsAtOnce)
{
    g_onInit = [](HWND dialog) { EndDialog(dialog, 5); };
    TkQueueDialogAction("click 20");
    EXPECT_EQ(Run(), 5);
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(TkPendingDialogActions(), 1u); // left for the next dialog
    g_onInit = nullptr;
    EXPECT_EQ(Run(), 12);
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[0].id, 20);
}

TEST_F(Win32DialogTest, UnknownResourceOrNoProcedureGivesMinusOne)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(901), m_main, TestDialogProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "named", m_main, TestDialogProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), m_main, nullptr, 0), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(EndDialog(m_main, 1), FALSE);
    EXPECT_EQ(TkDialogResource(m_main), 0);
}

TEST_F(Win32DialogTest, DialogScriptFromTheEnvironment)
{
    ::setenv("TK_DIALOG_SCRIPT", "click 20; 32 ,select 50 2;\nbogus;;", 1);
    TkResetDialogs();
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), 12);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("\"bogus\""), std::string::npos);
    ASSERT_EQ(g_commands.size(), 4u);
    EXPECT_EQ(g_commands[0].id, 20);
    EXPECT_EQ(g_commands[1].id, 32);
    EXPECT_EQ(g_commands[2].id, 50);
    EXPECT_EQ(g_commands[3].id, 12);
    // Read once: the next dialog has only its default button.
    g_commands.clear();
    EXPECT_EQ(Run(), 12);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(Win32DialogTest, EventScriptChoicesPlayAtTheirFramesWhileTheDialogWaits)
{
    TkLoadScriptText("frame 3: dialog click 20\nframe 5: dialog click 11\nframe 9: key down A\n", "test");
    EXPECT_EQ(Run(), 11);
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[0].id, 20);
    EXPECT_EQ(g_commands[0].frame, 3u);
    EXPECT_EQ(g_commands[1].id, 11);
    EXPECT_EQ(g_commands[1].frame, 5u);
    EXPECT_EQ(TkFrameCount(), 5u); // no frame beyond the last choice
}

TEST_F(Win32DialogTest, CloseChoiceIsTheCloseBox)
{
    g_endingIds = {IDCANCEL};
    TkLoadScriptText("frame 2: dialog close\n", "test");
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].id, IDCANCEL);
    EXPECT_EQ(g_commands[0].frame, 2u);
    ASSERT_TRUE(TkQueueDialogAction("close"));
    EXPECT_EQ(Run(), IDCANCEL);
}

TEST_F(Win32DialogTest, EventScriptChoiceWithoutADialogIsReported)
{
    TkLoadScriptText("frame 1: dialog click 20\nframe 1: dialog select 50\n", "test");
    testing::internal::CaptureStderr();
    RunLoop(5);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no dialog open"), std::string::npos);
    EXPECT_NE(said.find("refused its arguments"), std::string::npos);
    EXPECT_EQ(TkPendingDialogActions(), 0u);
}

TEST_F(Win32DialogTest, QuitWhileOpenEndsWithCancelAndKeepsTheQuit)
{
    g_onInit = [](HWND) { PostQuitMessage(3); };
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_TRUE(g_commands.empty());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(Win32DialogTest, DialogThatNeverEndsIsClosedAfterItsDefaultButton)
{
    g_endingIds = {};
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("did not close it"), std::string::npos);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].id, 12);
}

TEST_F(Win32DialogTest, PictureShowsTheCheckMarks)
{
    std::vector<uint32_t> unchecked, checked;
    int width = 0, height = 0;
    g_onInit = [&](HWND dialog)
    {
        ASSERT_TRUE(TkRenderDialog(dialog, unchecked, width, height));
        CheckDlgButton(dialog, 20, BST_CHECKED);
        ASSERT_TRUE(TkRenderDialog(dialog, checked, width, height));
    };
    EXPECT_EQ(Run(), 12);
    ASSERT_EQ(width, 300);
    ASSERT_EQ(height, 260);
    ASSERT_EQ(checked.size(), 300u * 260u);
    // The middle of the check box: 13 pixels at the left of its row 40 to 60.
    const size_t middle = static_cast<size_t>(50 * width + 16);
    EXPECT_NE(checked[middle], unchecked[middle]);
    // Elsewhere nothing changed.
    EXPECT_EQ(checked[static_cast<size_t>(250 * width + 150)],
              unchecked[static_cast<size_t>(250 * width + 150)]);
    std::vector<uint32_t> none;
    EXPECT_FALSE(TkRenderDialog(m_main, none, width, height));
}

TEST_F(Win32DialogTest, PictureOfControlsOutsideOrNarrowerThanTheirFramesStaysInside)
{
    // A resource may place a control past the dialog's edge or make it a
    // pixel wide; drawing it must stay within the picture.
    constexpr int kOdd = 901;
    struct Forget
    {
        ~Forget() { TkUnregisterDialogTemplate(kOdd); }
    } forget;
    using K = TkControlKind;
    TkRegisterDialogTemplate(kOdd, TkDialogTemplate{"Odd",
                                                    120,
                                                    80,
                                                    {
                                                        {12, K::DefaultButton, "OK", 10, 10, 1, 1, false},
                                                        {11, K::Button, "Far", 400, 10, 40, 20, false},
                                                        {20, K::CheckBox, "Far", -300, 40, 40, 20, false},
                                                        {50, K::ComboBox, "", 200, 50, 60, 20, false},
                                                        {60, K::GroupBox, "", 10, 30, 0, 0, false},
                                                    }});
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    g_onInit = [&](HWND dialog) { ASSERT_TRUE(TkRenderDialog(dialog, pixels, width, height)); };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kOdd), m_main, TestDialogProc, 77), 12);
    ASSERT_EQ(width, 120);
    ASSERT_EQ(height, 80);
    EXPECT_EQ(pixels.size(), 120u * 80u);
}

class Win32DialogSdlTest : public Win32DialogTest
{
protected:
    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        Win32DialogTest::SetUp();
        DestroyWindow(m_main);
        TkSetBackend(TkBackend::Sdl);
        m_main = MakeWindow();
        // Should the player's events go astray, the run still ends.
        TkSetFrameLimit(400);
    }

    void TearDown() override
    {
        Win32DialogTest::TearDown();
        TkSetBackend(TkBackend::Headless);
    }

    static void Click(int x, int y)
    {
        SDL_Event e = {};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        SDL_PushEvent(&e);
        e = {};
        e.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = SDL_BUTTON_LEFT;
        SDL_PushEvent(&e);
        e.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&e);
    }

    static void Key(SDL_Scancode scancode)
    {
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.keysym.scancode = scancode;
        SDL_PushEvent(&e);
        e.type = SDL_KEYUP;
        SDL_PushEvent(&e);
    }
};

TEST_F(Win32DialogSdlTest, PlayersMouseClicksControlsAndChoosesFromTheList)
{
    Click(15, 50);   // the check box
    Click(20, 140);  // opens the combo's list
    Click(20, 160);  // its second entry: 130 + 22 + 18 / 2
    Click(300, 300); // nowhere
    Click(40, 230);  // "Other" ends the dialog
    EXPECT_EQ(Run(), 11);
    ASSERT_EQ(g_commands.size(), 3u);
    EXPECT_EQ(g_commands[0].id, 20);
    EXPECT_EQ(g_commands[1].id, 50);
    EXPECT_EQ(g_commands[1].notification, CBN_SELCHANGE);
    EXPECT_EQ(g_commands[2].id, 11);
}

TEST_F(Win32DialogSdlTest, EnterPressesTheDefaultButtonAndEscapeCancels)
{
    Key(SDL_SCANCODE_RETURN);
    EXPECT_EQ(Run(), 12);
    g_commands.clear();
    g_endingIds = {11, 12, IDCANCEL};
    Key(SDL_SCANCODE_ESCAPE);
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].id, IDCANCEL);
}

TEST_F(Win32DialogSdlTest, ClosingTheDialogWindowSendsCancel)
{
    g_endingIds = {IDCANCEL};
    g_onInit = [](HWND dialog)
    {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        e.window.windowID = SDL_GetWindowID(TkGetSdlWindow(dialog));
        SDL_PushEvent(&e);
    };
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].id, IDCANCEL);
}
} // namespace

namespace
{
// Dark pixels (text ink on the light face) inside a rectangle of a picture.
int InkIn(const std::vector<uint32_t>& picture, int width, int left, int top, int right, int bottom)
{
    int ink = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            ink += (picture[static_cast<size_t>(y * width + x)] & 0xFF) < 0x80;
    return ink;
}
} // namespace

TEST_F(Win32DialogTest, PictureShowsTheTextsOfTheControls)
{
    std::vector<uint32_t> picture;
    int width = 0, height = 0;
    g_onInit = [&](HWND dialog) { ASSERT_TRUE(TkRenderDialog(dialog, picture, width, height)); };
    EXPECT_EQ(Run(), 12);
    ASSERT_EQ(picture.size(), static_cast<size_t>(width) * static_cast<size_t>(height));
    // "Label" at (10, 10) and the check box's "Check" beside its box.
    EXPECT_GT(InkIn(picture, width, 10, 10, 210, 30), 20);
    EXPECT_GT(InkIn(picture, width, 30, 40, 210, 60), 20);
    // The face below the controls stays plain.
    EXPECT_EQ(InkIn(picture, width, 10, 195, 160, 215), 0);
}
