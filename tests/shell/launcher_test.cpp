// The launcher and the video options: "save\video.cfg", the dialogs as the
// scripted clicks drive them, and the screen-size rewrite of "tk.cfg".
#include "input_fixture.h"

#include "platform/d3d9/D3D9.h"
#include "platform/win32/EventScript.h"
#include "shell/D3DMain.h"
#include "shell/Launcher.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace
{
const char* const kVideoFile = "save/video.cfg";

class LauncherTest : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        g_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(g_pD3D, nullptr);
        g_Options.Windowed = 0;
        g_Options.screenwidth = 1024;
        g_Options.screenheight = 768;
    }

    void TearDown() override
    {
        SAFE_RELEASE(g_pD3D);
        InputTest::TearDown();
    }

    std::string VideoFile() const { return m_dir->Read(kVideoFile); }
};

// ---- "save\video.cfg" --------------------------------------------------------------
TEST_F(LauncherTest, MissingOrOutdatedVideoFileGivesTheDefaultsAndIsWrittenAnew)
{
    std::string version8(29, '\0');
    version8[0] = 8;
    std::string cut(20, '\0');
    cut[0] = 9;
    const StoredFile cases[] = {
        {"missing", false, ""}, {"version 8", true, version8}, {"cut short", true, cut}, {"empty", true, ""}};
    for (const StoredFile& c : cases)
    {
        SCOPED_TRACE(c.name);
        Store(kVideoFile, c);
        g_Options.VideoOptionA = 0;
        g_Options.VideoOptionD = 0;
        g_Options.DrawNotImportant = 0;
        g_Options.VideoLevel2 = 2;
        Mark();
        EXPECT_FALSE(g_D3DMain.LoadVideoConfig());
        EXPECT_EQ(g_Options.VideoOptionA, 1);
        EXPECT_EQ(g_Options.VideoOptionD, 1);
        EXPECT_EQ(g_Options.DrawNotImportant, 1);
        EXPECT_EQ(g_Options.VideoLevel2, 0u);
        const std::string written = VideoFile();
        ASSERT_EQ(written.size(), 29u);
        EXPECT_EQ(written[0], 9);
        EXPECT_EQ(written[5], 1);
        EXPECT_EQ(Printed("save\\video.cfg"), c.present);
    }
}

TEST_F(LauncherTest, QualityLevelsOutsideTheirListsAreReportedAndTakeTheFirst)
{
    g_Options.VideoLevel2 = 1;
    g_D3DMain.SaveVideoConfig();
    std::string file = VideoFile();
    ASSERT_EQ(file.size(), 29u);
    file[16] = 3;          // world texture quality: one past the list
    file[20 + 3] = '\x80'; // water reflection quality: a huge number
    m_dir->Write(kVideoFile, file);
    Mark();
    EXPECT_TRUE(g_D3DMain.LoadVideoConfig());
    EXPECT_EQ(g_Options.VideoLevel2, 1u);
    EXPECT_EQ(g_Options.VideoLevel3, 0u);
    EXPECT_EQ(g_Options.VideoLevel4, 0u);
    EXPECT_TRUE(Printed("save\\video.cfg: world texture quality 3 out of range, 0 used"));
    EXPECT_TRUE(Printed("water reflection quality"));
}

TEST_F(LauncherTest, VideoFileHoldsEachOptionAtItsPlaceAndReadsBackTheSame)
{
    g_Options.DrawNotImportant = 0;
    g_Options.VideoOptionA = 1;
    g_Options.VideoOptionC = 0;
    g_Options.VideoOptionD = 1;
    g_Options.VideoLevel1 = 2;
    g_Options.VideoLevel2 = 1;
    g_Options.VideoLevel3 = 1;
    g_Options.VideoLevel4 = 2;
    g_Options.DrawGrass = 0;
    g_Options.DrawBirds = 1;
    g_Options.DrawDust = 0;
    g_Options.AOEnable = 1;
    g_Options.PostProcessOff = 1;
    g_D3DMain.SaveVideoConfig();
    const std::string expected("\x09\0\0\0"
                               "\x00\x01\x00\x01"
                               "\x02\0\0\0"
                               "\x01\0\0\0"
                               "\x01\0\0\0"
                               "\x02\0\0\0"
                               "\x00\x01\x00\x01\x01",
                               29);
    EXPECT_EQ(VideoFile(), expected);

    const GameOptions saved = g_Options;
    g_Options = GameOptions();
    EXPECT_TRUE(g_D3DMain.LoadVideoConfig());
    EXPECT_EQ(g_Options.DrawNotImportant, saved.DrawNotImportant);
    EXPECT_EQ(g_Options.VideoOptionA, saved.VideoOptionA);
    EXPECT_EQ(g_Options.VideoOptionC, 1); // always set after reading
    EXPECT_EQ(g_Options.VideoOptionD, saved.VideoOptionD);
    EXPECT_EQ(g_Options.VideoLevel1, saved.VideoLevel1);
    EXPECT_EQ(g_Options.VideoLevel2, saved.VideoLevel2);
    EXPECT_EQ(g_Options.VideoLevel3, saved.VideoLevel3);
    EXPECT_EQ(g_Options.VideoLevel4, saved.VideoLevel4);
    EXPECT_EQ(g_Options.DrawGrass, saved.DrawGrass);
    EXPECT_EQ(g_Options.DrawBirds, saved.DrawBirds);
    EXPECT_EQ(g_Options.DrawDust, saved.DrawDust);
    EXPECT_EQ(g_Options.AOEnable, saved.AOEnable);
    EXPECT_EQ(g_Options.PostProcessOff, saved.PostProcessOff);
    // Reading leaves the file alone.
    EXPECT_EQ(VideoFile(), expected);
}

// ---- The launcher -----------------------------------------------------------------------
TEST_F(LauncherTest, StartRewritesOnlyTheScreenSizeLines)
{
    const std::string before = "Windowed 0\r\n"
                               "screenwidth 640\r\n"
                               "# a comment line, kept as it is\n"
                               "ScreenWidthX 5\n"
                               "   ScreenHeight 10\r"
                               "runworld worlds\\test.w\n"
                               "\n"
                               "SCREENHEIGHT 480";
    m_dir->Write("tk.cfg", before);
    ASSERT_TRUE(TkQueueDialogAction("select 1007 2")); // 1280x720
    RunLauncherDialog();
    const std::string after = "Windowed 0\r\n"
                              "ScreenWidth 1280\r\n"
                              "# a comment line, kept as it is\n"
                              "ScreenWidthX 5\n"
                              "   ScreenHeight 10\r"
                              "runworld worlds\\test.w\n"
                              "\n"
                              "ScreenHeight 720";
    EXPECT_EQ(m_dir->Read("tk.cfg"), after);
    EXPECT_FALSE(m_dir->Exists("tk.bak"));
    EXPECT_EQ(g_Options.screenwidth, 1280);
    EXPECT_EQ(g_Options.screenheight, 720);
    EXPECT_FLOAT_EQ(g_Options.fScreenScaleX, 1280.0f / 1024.0f);
    EXPECT_FLOAT_EQ(g_Options.fScreenScaleY, 720.0f / 768.0f);
    EXPECT_EQ(g_bLauncherExit, 0);
    EXPECT_EQ(g_bShowVideoOptions, 0);
    EXPECT_EQ(g_bShowLauncher, 0);
    // The launcher read the key bindings on its way up.
    EXPECT_EQ(m_dir->Read("save/keys.cfg").size(), 2114u);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[19][0], 256u);
}

TEST_F(LauncherTest, ListOffersTheAdaptersModesAndSelectsTheCurrentSize)
{
    g_Options.screenwidth = 1366;
    g_Options.screenheight = 768;
    m_dir->Write("tk.cfg", "ScreenWidth 1366\nScreenHeight 768\n");
    RunLauncherDialog();
    // The offered sizes the headless adapter has, in their order.
    const char* const expected[] = {"800x600",  "1024x768",  "1280x720",  "1280x1024", "1366x768",
                                    "1440x900", "1600x1200", "1680x1050", "1920x1080", "1920x1200"};
    ASSERT_EQ(g_iResolutionCount, static_cast<int>(std::size(expected)));
    for (int i = 0; i < g_iResolutionCount; ++i)
        EXPECT_STREQ(g_szResolutions[i], expected[i]);
    EXPECT_EQ(g_iResolutionWidth[4], 1366);
    EXPECT_EQ(g_iResolutionHeight[4], 768);
    // Start without a choice keeps the selected current size.
    EXPECT_EQ(g_Options.screenwidth, 1366);
    EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 1366\nScreenHeight 768\n");
}

TEST_F(LauncherTest, WindowedModeAlwaysStoresEightHundredBySixHundred)
{
    g_Options.Windowed = 1;
    m_dir->Write("tk.cfg", "Windowed 1\nScreenWidth 1920\nScreenHeight 1080\n");
    TkQueueDialogAction("select 1007 9");
    RunLauncherDialog();
    EXPECT_EQ(m_dir->Read("tk.cfg"), "Windowed 1\nScreenWidth 800\nScreenHeight 600\n");
    EXPECT_EQ(g_Options.screenwidth, 800);
    EXPECT_EQ(g_Options.screenheight, 600);
}

TEST_F(LauncherTest, EmptyResolutionListKeepsTheSizesOfTheSettings)
{
    SAFE_RELEASE(g_pD3D); // an adapter without any of the sizes
    g_Options.screenwidth = 1000;
    g_Options.screenheight = 700;
    m_dir->Write("tk.cfg", "ScreenWidth 1000\nScreenHeight 700\n");
    TkQueueDialogAction("select 1007 0");
    testing::internal::CaptureStderr();
    RunLauncherDialog();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_iResolutionCount, 0);
    EXPECT_EQ(g_Options.screenwidth, 1000);
    EXPECT_EQ(g_Options.screenheight, 700);
    EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 1000\nScreenHeight 700\n");
}

TEST_F(LauncherTest, SizeNotOfferedLeavesNothingSelectedAndIsKept)
{
    g_Options.screenwidth = 1000;
    g_Options.screenheight = 700;
    m_dir->Write("tk.cfg", "ScreenWidth 640\n");
    RunLauncherDialog();
    EXPECT_EQ(g_Options.screenwidth, 1000);
    EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 1000\n");
}

TEST_F(LauncherTest, MissingSettingsFileIsNotMade)
{
    RunLauncherDialog();
    EXPECT_FALSE(m_dir->Exists("tk.cfg"));
    EXPECT_FALSE(m_dir->Exists("tk.bak"));
    EXPECT_EQ(g_bLauncherExit, 0);
}

TEST_F(LauncherTest, ExitAndTheCloseBoxLeaveEverythingAsItWas)
{
    for (const char* choice : {"click 1000", "close"})
    {
        SCOPED_TRACE(choice);
        m_dir->Write("tk.cfg", "ScreenWidth 640\nScreenHeight 480\n");
        TkQueueDialogAction("select 1007 3");
        TkQueueDialogAction(choice);
        g_bLauncherExit = 0;
        RunLauncherDialog();
        EXPECT_EQ(g_bLauncherExit, 1);
        EXPECT_EQ(g_bShowVideoOptions, 0);
        EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 640\nScreenHeight 480\n");
        EXPECT_EQ(g_Options.screenwidth, 1024);
    }
}

TEST_F(LauncherTest, VideoSettingsTakesTheSizeAndHandsOver)
{
    m_dir->Write("tk.cfg", "ScreenWidth 640\nScreenHeight 480\n");
    TkQueueDialogAction("select 1007 0");
    TkQueueDialogAction("click 1002");
    RunLauncherDialog();
    EXPECT_EQ(g_bShowVideoOptions, 1);
    EXPECT_EQ(g_bLauncherExit, 0);
    EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 800\nScreenHeight 600\n");
}

TEST_F(LauncherTest, QuitWhileTheLauncherIsUpCountsAsExit)
{
    m_dir->Write("tk.cfg", "ScreenWidth 640\n");
    TkLoadScriptText("frame 2: quit\nframe 9: dialog click 1001\n", "test");
    RunLauncherDialog();
    EXPECT_EQ(g_bLauncherExit, 1);
    EXPECT_EQ(m_dir->Read("tk.cfg"), "ScreenWidth 640\n");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(LauncherTest, StartTakesTheFirstLevelNameCutToTheWorldName)
{
    std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\test.w");
    RunLauncherDialog();
    EXPECT_STREQ(g_Options.runworld, "worlds\\test.w"); // an empty list changes nothing

    std::snprintf(g_MainGame.m_szLevelNames[0], CMainGame::LEVEL_NAME_CHARS, "%s", "worlds\\level01.w");
    RunLauncherDialog();
    EXPECT_STREQ(g_Options.runworld, "worlds\\level01.w");

    const std::string longName = "worlds\\" + std::string(400, 'x') + ".w";
    std::snprintf(g_MainGame.m_szLevelNames[0], CMainGame::LEVEL_NAME_CHARS, "%s", longName.c_str());
    RunLauncherDialog();
    EXPECT_EQ(std::string(g_Options.runworld), longName.substr(0, sizeof g_Options.runworld - 1));
    EXPECT_TRUE(Printed("too long for runworld"));
}

TEST_F(LauncherTest, SettingsFileThatCannotBeWrittenIsPutBack)
{
    const std::string before = "Windowed 0\nScreenWidth 800\nScreenHeight 600\nBackupConsole 0\n";
    m_dir->Write("tk.cfg", before);
    g_Options.screenwidth = 1024; // one character longer than the file can grow
    g_Options.screenheight = 600;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Files may grow to the size the settings have now, not a byte more.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(before.size()), static_cast<rlim_t>(before.size())};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(SaveScreenSizeToConfig() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the rewrite should have failed";
    EXPECT_EQ(m_dir->Read("tk.cfg"), before);
    EXPECT_FALSE(m_dir->Exists("tk.bak"));

    // Without the limit the same rewrite goes through.
    EXPECT_TRUE(SaveScreenSizeToConfig());
    EXPECT_EQ(m_dir->Read("tk.cfg"), "Windowed 0\nScreenWidth 1024\nScreenHeight 600\nBackupConsole 0\n");
}

// ---- The video options ----------------------------------------------------------------------
struct DialogPicture
{
    UINT checks[6] = {};
    BOOL enabled[3] = {};
    UINT realistic = 0, fast = 0;
    LRESULT selections[4] = {};
};

std::vector<DialogPicture> g_pictures;

DialogPicture Picture(HWND dialog)
{
    DialogPicture p;
    const int checks[] = {
        IDC_POINT_LIGHT_SHADOWS, IDC_AMBIENT_OCCLUSION, IDC_WATER_REFLECTION, IDC_GRASS, IDC_BIRDS, IDC_DUST};
    for (int i = 0; i < 6; ++i)
        p.checks[i] = IsDlgButtonChecked(dialog, checks[i]);
    for (int i = 0; i < 3; ++i)
        p.enabled[i] = IsWindowEnabled(GetDlgItem(dialog, checks[i]));
    p.realistic = IsDlgButtonChecked(dialog, IDC_REALISTIC);
    p.fast = IsDlgButtonChecked(dialog, IDC_FAST);
    const int combos[] = {IDC_SHADOW_QUALITY, IDC_WORLD_TEXTURE_QUALITY, IDC_ANIMATED_TEXTURE_QUALITY,
                          IDC_WATER_QUALITY};
    for (int i = 0; i < 4; ++i)
        p.selections[i] = SendDlgItemMessageA(dialog, combos[i], CB_GETCURSEL, 0, 0);
    return p;
}

// The game's procedure, with a picture of the controls after each message.
INT_PTR CALLBACK WatchedVideoOptions(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool ok = message == WM_COMMAND && LOWORD(wParam) == IDC_VIDEO_OK;
    if (!ok && (message == WM_INITDIALOG || message == WM_COMMAND))
    {
        const INT_PTR r = VideoOptionsDlgProc(dialog, message, wParam, lParam);
        g_pictures.push_back(Picture(dialog));
        return r;
    }
    return VideoOptionsDlgProc(dialog, message, wParam, lParam);
}

class VideoOptionsTest : public LauncherTest
{
protected:
    void SetUp() override
    {
        LauncherTest::SetUp();
        g_pictures.clear();
        RegisterLauncherDialogs();
    }

    INT_PTR Run()
    {
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_VIDEO_OPTIONS), g_hWnd, WatchedVideoOptions, 0);
    }
};

TEST_F(VideoOptionsTest, DialogShowsTheOptionsAndFastGreysOutTheExpensiveEffects)
{
    g_Options.PostProcessOff = 0;
    g_Options.VideoOptionA = 1;
    g_Options.AOEnable = 1;
    g_Options.VideoOptionD = 1;
    g_Options.DrawGrass = 0;
    g_Options.DrawBirds = 1;
    g_Options.DrawDust = 1;
    g_Options.VideoLevel2 = 1;
    g_Options.VideoLevel3 = 2;
    g_Options.VideoLevel1 = 0;
    g_Options.VideoLevel4 = 7; // from an edited file: nothing shown
    g_Options.VideoOptionC = 0;
    for (const char* click : {"click 1053", "click 1025", "click 1052", "click 1041"})
        TkQueueDialogAction(click);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), IDC_VIDEO_OK);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(g_pictures.size(), 4u); // the init, Fast, Realistic, grass; 1025 is greyed out
    EXPECT_NE(said.find("\"click 1025\": the control is disabled"), std::string::npos);

    const DialogPicture& init = g_pictures[0];
    const UINT on = BST_CHECKED, off = BST_UNCHECKED;
    EXPECT_EQ(init.realistic, on);
    EXPECT_EQ(init.fast, off);
    const UINT initChecks[] = {on, on, on, off, on, on};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(init.checks[i], initChecks[i]) << i;
    EXPECT_TRUE(init.enabled[0] && init.enabled[1] && init.enabled[2]);
    EXPECT_EQ(init.selections[0], 1);
    EXPECT_EQ(init.selections[1], 2);
    EXPECT_EQ(init.selections[2], 0);
    EXPECT_EQ(init.selections[3], CB_ERR);

    const DialogPicture& fast = g_pictures[1];
    EXPECT_EQ(fast.fast, on);
    EXPECT_EQ(fast.realistic, off);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(fast.checks[i], off) << i;
        EXPECT_FALSE(fast.enabled[i]) << i;
    }
    EXPECT_EQ(fast.checks[4], on); // birds are not expensive

    const DialogPicture& back = g_pictures[2];
    EXPECT_EQ(back.realistic, on);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(back.checks[i], off) << i; // they stay off
        EXPECT_TRUE(back.enabled[i]) << i;
    }
    EXPECT_EQ(g_pictures[3].checks[3], on);

    EXPECT_EQ(g_Options.PostProcessOff, 0);
    EXPECT_EQ(g_Options.VideoOptionA, 0);
    EXPECT_EQ(g_Options.AOEnable, 0);
    EXPECT_EQ(g_Options.VideoOptionD, 0);
    EXPECT_EQ(g_Options.DrawGrass, 1);
    EXPECT_EQ(g_Options.VideoOptionC, 1);
    EXPECT_EQ(g_Options.VideoLevel4, 7u);
}

TEST_F(VideoOptionsTest, CombosStoreTheirChoiceAndOkHandsBackToTheLauncher)
{
    g_bShowVideoOptions = 1;
    g_bLauncherExit = 1;
    for (const char* choice :
         {"select 1007 2", "select 1009 1", "select 1008 2", "select 1010 1", "click 1042"})
        TkQueueDialogAction(choice);
    g_Options.DrawBirds = 1;
    EXPECT_EQ(Run(), IDC_VIDEO_OK);
    EXPECT_EQ(g_Options.VideoLevel2, 2u);
    EXPECT_EQ(g_Options.VideoLevel3, 1u);
    EXPECT_EQ(g_Options.VideoLevel1, 2u);
    EXPECT_EQ(g_Options.VideoLevel4, 1u);
    EXPECT_EQ(g_Options.DrawBirds, 0);
    EXPECT_EQ(g_bShowLauncher, 1);
    EXPECT_EQ(g_bShowVideoOptions, 0);
    EXPECT_EQ(g_bLauncherExit, 0);
    const std::string file = VideoFile();
    ASSERT_EQ(file.size(), 29u);
    EXPECT_EQ(file[8], 2);  // animated-model textures
    EXPECT_EQ(file[12], 2); // shadows
    EXPECT_EQ(file[16], 1); // world textures
    EXPECT_EQ(file[20], 1); // water
    EXPECT_EQ(file[25], 0); // birds
}

TEST_F(VideoOptionsTest, ControlsCarryTheResourceTextsUntilTheDialogFillsItself)
{
    struct ResourceText
    {
        int id;
        const char* text;
    };
    static const ResourceText kTexts[] = {
        {IDC_REALISTIC, "Realistic"},
        {IDC_FAST, "Fast"},
        {IDC_POINT_LIGHT_SHADOWS, "Draw point lights shadows"},
        {IDC_AMBIENT_OCCLUSION, "Screen Space Ambient Occlusion"},
        {IDC_WATER_REFLECTION, "Realtime water reflection"},
        {IDC_GRASS, "Draw grass"},
        {IDC_BIRDS, "Draw birds"},
        {IDC_DUST, "Draw floating leaves"},
        {IDC_SHADOW_QUALITY_LABEL, "Shadow quality:"},
        {IDC_WORLD_TEXTURE_QUALITY_LABEL, "World texture quality:"},
        {IDC_ANIMATED_TEXTURE_QUALITY_LABEL, "Animated models texture quality:"},
        {IDC_WATER_QUALITY_LABEL, "Water reflection quality:"},
    };
    struct Before
    {
        static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
        {
            if (message == WM_INITDIALOG)
                for (const ResourceText& t : kTexts)
                {
                    char text[64];
                    GetDlgItemTextA(dialog, t.id, text, sizeof text);
                    EXPECT_STREQ(text, t.text) << t.id;
                }
            return VideoOptionsDlgProc(dialog, message, wParam, lParam);
        }
    };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_VIDEO_OPTIONS), g_hWnd, Before::Proc, 0),
              IDC_VIDEO_OK);
}

TEST_F(VideoOptionsTest, TextsComeFromTheTextKeys)
{
    m_dir->Write("scripts/text_keys.txt",
                 ">MV23 Lifelike\n>MV24 Quick\n>MOVideo Pictures\n>Lv01 Best\n>G28 Shadows:\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    struct Texts
    {
        static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
        {
            const INT_PTR r = VideoOptionsDlgProc(dialog, message, wParam, lParam);
            if (message == WM_INITDIALOG)
            {
                char text[32];
                GetDlgItemTextA(dialog, IDC_REALISTIC, text, sizeof text);
                EXPECT_STREQ(text, "Lifelike");
                GetDlgItemTextA(dialog, IDC_FAST, text, sizeof text);
                EXPECT_STREQ(text, "Quick");
                GetDlgItemTextA(dialog, IDC_SHADOW_QUALITY_LABEL, text, sizeof text);
                EXPECT_STREQ(text, "Shadows:");
                SendDlgItemMessageA(dialog, IDC_SHADOW_QUALITY, CB_GETLBTEXT, 0,
                                    reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, "Best");
                EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_WATER_QUALITY, CB_GETCOUNT, 0, 0), 3);
            }
            return r;
        }
    };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_VIDEO_OPTIONS), g_hWnd, Texts::Proc, 0),
              IDC_VIDEO_OK);
}
} // namespace
