// The console: its log and ring of lines, variables, line editor, commands,
// log rotation and the loading screen's counting.
#include "shell/console_fixture.h"

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Win32.h"

#include <string>
#include <vector>

namespace
{
class Console : public DataFolderTest
{
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        g_Console.m_szInput[0] = 0;
        g_Console.m_iCursor = 0;
        g_Console.m_iHistoryIndex = 0;
        for (auto& line : g_Console.m_szHistory)
            line[0] = 0;
    }

    // Presses the keys of a text as a player would: letters, digits, blank, ".", "-", "\".
    static void Type(const std::string& text)
    {
        for (char c : text)
        {
            WPARAM key = 0;
            if (c >= 'a' && c <= 'z')
                key = static_cast<WPARAM>(c - 'a' + 'A');
            else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
                key = static_cast<WPARAM>(c);
            else if (c == '.')
                key = VK_OEM_PERIOD;
            else if (c == '-')
                key = VK_OEM_MINUS;
            else if (c == '\\')
                key = VK_OEM_5;
            ASSERT_NE(key, 0u) << "no key types " << c;
            g_Console.OnKey(key);
        }
    }

    static void Enter(const std::string& text)
    {
        Type(text);
        g_Console.OnKey(VK_RETURN);
    }

    static std::string Input() { return g_Console.m_szInput; }

    std::vector<std::string> DatedCopies() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        {
            const std::string name = entry.path().filename().string();
            if (name.rfind("!Console ", 0) == 0 && name.find(" at ") != std::string::npos)
                names.push_back(name);
        }
        return names;
    }
};

TEST_F(Console, PrintAddsARingLineAndALogLine)
{
    g_Console.Print("first");
    g_Console.Print("second");
    EXPECT_EQ(Line(0), "second");
    EXPECT_EQ(Line(1), "first");
    EXPECT_EQ(ReadFile("!console.txt"), "first\nsecond\n");
}

TEST_F(Console, EmptyTextScrollsTheScreenButIsNotLogged)
{
    g_Console.Print("kept");
    g_Console.Print("");
    g_Console.Print(nullptr);
    EXPECT_EQ(Line(0), "");
    EXPECT_EQ(Line(1), "");
    EXPECT_EQ(Line(2), "kept");
    EXPECT_EQ(ReadFile("!console.txt"), "kept\n");
}

TEST_F(Console, LongTextContinuesOnTheNextLinesAndIsLoggedOnce)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += static_cast<char>('a' + i % 26);
    g_Console.Print(text.c_str());
    EXPECT_EQ(Line(1), text.substr(0, 159));
    EXPECT_EQ(Line(0), text.substr(159));
    EXPECT_EQ(ReadFile("!console.txt"), text + "\n");
}

TEST_F(Console, VeryLongTextIsCutAtItsLimit)
{
    // Empty lines first, so the ring's last eight lines hold nothing older.
    for (int i = 0; i < 8; ++i)
        g_Console.Print("");
    const std::string text(5000, 'z');
    g_Console.Print(text.c_str());
    EXPECT_EQ(ReadFile("!console.txt"), std::string(EConsole::PRINT_MAX, 'z') + "\n");
    size_t shown = 0;
    for (int i = 0; i < 8; ++i)
        shown += Line(i).size();
    EXPECT_EQ(shown, static_cast<size_t>(EConsole::PRINT_MAX));
}

TEST_F(Console, FormattingWrappers)
{
    g_Console.PrintVector("at ", D3DVECTOR{1.0f, -2.5f, 0.0f});
    EXPECT_EQ(Line(), "at (1.000000, -2.500000, 0.000000)");
    g_Console.Print2Int("a", "b", -7);
    EXPECT_EQ(Line(), "ab-7");
    g_Console.PrintFloatB("n=", 3);
    EXPECT_EQ(Line(), "n=3.000000");
    g_Console.Print4("1", nullptr, "3", "4");
    EXPECT_EQ(Line(), "134");
    g_Console.PrintInt2(nullptr, 5);
    EXPECT_EQ(Line(), "5");
}

TEST_F(Console, VariablesAreFoundWithoutRegardToCase)
{
    float value = -1.0f;
    EXPECT_FALSE(g_Console.GetVariable("Speed", &value));
    EXPECT_EQ(value, 0.0f);
    g_Console.SetVariable("Speed", 2.5f, 1);
    g_Console.SetVariable("SPEED", 4.0f, 0);
    EXPECT_TRUE(g_Console.GetVariable("speed", &value));
    EXPECT_EQ(value, 4.0f);
    const EConsoleVariable* variable = g_Console.FindVariable("sPeEd");
    ASSERT_NE(variable, nullptr);
    EXPECT_STREQ(variable->name, "Speed");
    EXPECT_EQ(variable->fromConfig, 1); // kept from its creation
    EXPECT_EQ(g_Console.FindVariable(nullptr), nullptr);
}

TEST_F(Console, LongNamesFindTheirCutCopy)
{
    const std::string name(300, 'n');
    g_Console.SetVariable(name.c_str(), 1.0f, 0);
    const int count = g_Console.m_iVariableCount;
    g_Console.SetVariable(name.c_str(), 2.0f, 0);
    EXPECT_EQ(g_Console.m_iVariableCount, count);
    float value = 0.0f;
    EXPECT_TRUE(g_Console.GetVariable(name.c_str(), &value));
    EXPECT_EQ(value, 2.0f);
    EXPECT_EQ(std::string(g_Console.FindVariable(name.c_str())->name).size(), 127u);
}

TEST_F(Console, TypingEditsTheInputLine)
{
    Type("Abc");
    EXPECT_EQ(Input(), "abc");
    g_Console.OnKey(VK_LEFT);
    g_Console.OnKey(VK_LEFT);
    Type("x");
    EXPECT_EQ(Input(), "axbc");
    char shown[200];
    g_Console.GetInputWithCursor(shown, sizeof shown);
    EXPECT_STREQ(shown, "ax|bc");
    g_Console.OnKey(VK_DELETE); // removes the character at the cursor
    EXPECT_EQ(Input(), "axc");
    g_Console.OnKey(VK_BACK); // removes the one before it
    EXPECT_EQ(Input(), "ac");
    g_Console.OnKey(VK_RIGHT);
    g_Console.OnKey(VK_RIGHT);
    Type(" 1.5-\\");
    EXPECT_EQ(Input(), "ac 1.5-\\");
    g_Console.OnKey(VK_INSERT); // no character of its own
    g_Console.OnKey(VK_F1);
    EXPECT_EQ(Input(), "ac 1.5-\\");
}

TEST_F(Console, EditingAtTheEdgesDoesNothing)
{
    g_Console.OnKey(VK_BACK);
    g_Console.OnKey(VK_DELETE);
    g_Console.OnKey(VK_LEFT);
    g_Console.OnKey(VK_RIGHT);
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(g_Console.m_iCursor, 0u);
}

TEST_F(Console, TheEditorTakesAt79Characters)
{
    for (int i = 0; i < 100; ++i)
        g_Console.OnKey('A' + i % 26);
    EXPECT_EQ(Input().size(), 79u);
    g_Console.OnKey(VK_BACK);
    Type("q");
    EXPECT_EQ(Input().size(), 79u);
    EXPECT_EQ(Input().back(), 'q');
}

TEST_F(Console, HistoryRecallsEarlierLines)
{
    Enter("one");
    Enter("two");
    Enter("three");
    g_Console.OnKey(VK_UP);
    EXPECT_EQ(Input(), "three");
    EXPECT_EQ(g_Console.m_iCursor, 5u);
    g_Console.OnKey(VK_UP);
    g_Console.OnKey(VK_UP);
    EXPECT_EQ(Input(), "one");
    g_Console.OnKey(VK_UP); // nothing older
    EXPECT_EQ(Input(), "one");
    g_Console.OnKey(VK_DOWN);
    EXPECT_EQ(Input(), "two");
    g_Console.OnKey(VK_DOWN);
    g_Console.OnKey(VK_DOWN);
    EXPECT_EQ(Input(), "");
}

TEST_F(Console, HistoryKeepsAtMost63Lines)
{
    for (int i = 0; i < 70; ++i)
        Enter("line " + std::to_string(i));
    for (int i = 0; i < 80; ++i)
        g_Console.OnKey(VK_UP);
    EXPECT_EQ(Input(), "line 7");
}

TEST_F(Console, TabCompletesOrListsVariables)
{
    g_Console.SetVariable("DrawFPS", 1.0f, 0);
    g_Console.SetVariable("DrawSky", 0.0f, 0);
    g_Console.SetVariable("Gamma", 1.5f, 0);
    Type("draw");
    g_Console.OnKey(VK_TAB);
    EXPECT_EQ(Input(), "draw");
    EXPECT_TRUE(Printed("DrawFPS 1.000000", 2));
    EXPECT_TRUE(Printed("DrawSky 0.000000", 2));
    g_Console.OnKey(VK_BACK);
    g_Console.OnKey(VK_BACK);
    g_Console.OnKey(VK_BACK);
    g_Console.OnKey(VK_BACK);
    Type("gam");
    g_Console.OnKey(VK_TAB);
    EXPECT_EQ(Input(), "Gamma");
    EXPECT_EQ(g_Console.m_iCursor, 5u);
}

TEST_F(Console, AVariableNameAlonePrintsItsValue)
{
    Enter("globaltimespeed 2");
    EXPECT_EQ(Line(), "globaltimespeed 2");
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 2.0f);
    Enter("globaltimespeed");
    EXPECT_EQ(Line(), "globaltimespeed == 2.000000");
    Enter("nosuchthing");
    EXPECT_EQ(Line(), "nosuchthing");
    EXPECT_EQ(g_Console.FindVariable("nosuchthing"), nullptr);
}

TEST_F(Console, QuitEndsTheProgramThroughTheEngine)
{
    g_Console.m_bOpen = 1;
    EXPECT_EQ(g_Engine.m_bQuit, 0);
    Enter("quit");
    EXPECT_EQ(g_Engine.m_bQuit, 1);
}

TEST_F(Console, ExecAppliesEveryLineOfTheFile)
{
    WriteFile("Extra.cfg", "DrawFPS 1\r\nFOV 0.9\r\nmyvalue 3.5\r\nrunworld worlds\\x.w\r\n");
    Enter("exec extra.cfg");
    EXPECT_EQ(g_Options.DrawFPS, 1);
    EXPECT_FLOAT_EQ(g_Options.FOV, 0.9f);
    float value = 0.0f;
    EXPECT_TRUE(g_Console.GetVariable("myvalue", &value));
    EXPECT_EQ(value, 3.5f);
    EXPECT_EQ(g_Console.FindVariable("myvalue")->fromConfig, 0);
    // Not "tk.cfg": the world starts too.
    EXPECT_STREQ(g_Options.runworld, "worlds\\x.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 1);
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\x.w");
}

TEST_F(Console, ExecOfAMissingOrUnnamedFileDoesNothing)
{
    for (const char* line : {"exec nothing.cfg", "exec"})
    {
        g_Console.Print("mark");
        Enter(line);
        EXPECT_EQ(Line(), "mark") << line;
        EXPECT_EQ(g_Console.FindVariable("fog"), nullptr) << line;
    }
}

TEST_F(Console, OtherCommands)
{
    Enter("versionfor");
    EXPECT_EQ(Line(0), "Final release RU.");
    EXPECT_EQ(Line(1), "");
    Enter("debugwarzones");
    EXPECT_EQ(Line(), "Active warzones: 0");
    g_Console.Open();
    Enter("close");
    EXPECT_EQ(g_Console.m_bOpen, 0);
}

TEST_F(Console, KeyPressesReachTheConsoleOnlyWhileItIsOpen)
{
    g_Engine.OnKeyDown('A');
    EXPECT_EQ(Input(), "");
    g_Console.Open();
    g_Engine.OnKeyDown('A');
    EXPECT_EQ(Input(), "a");
    g_Engine.OnKeyDown(VK_OEM_3); // back-quote closes
    EXPECT_EQ(g_Console.m_bOpen, 0);
    g_Engine.OnKeyDown('B');
    EXPECT_EQ(Input(), "a");
}

TEST_F(Console, BackupKeepsADatedCopyAndStartsAFreshLog)
{
    WriteFile("!console.txt", "previous run\n");
    g_Console.SetVariable("BackupConsole", 1.0f, 1);
    g_Console.BackupConsoleAtStart();
    EXPECT_FALSE(Exists("!console.txt"));
    std::vector<std::string> copies = DatedCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadFile(copies[0]), "previous run\n");

    g_Console.Print("this run");
    g_Console.BackupConsoleAtExit();
    EXPECT_FALSE(Exists("!console.txt"));
    copies = DatedCopies();
    ASSERT_EQ(copies.size(), 2u); // the same second must not overwrite the first copy
    EXPECT_NE(ReadFile(copies[0]), ReadFile(copies[1]));
}

TEST_F(Console, WithoutBackupTheLogIsDeletedAtStartAndKeptAtExit)
{
    WriteFile("!console.txt", "old\n");
    g_Console.BackupConsoleAtStart();
    EXPECT_FALSE(Exists("!console.txt"));
    g_Console.Print("new");
    g_Console.BackupConsoleAtExit();
    EXPECT_EQ(ReadFile("!console.txt"), "new\n");
    EXPECT_TRUE(DatedCopies().empty());
}

TEST_F(Console, BackupConsoleFromTkCfgRotatesAtStart)
{
    WriteFile("!console.txt", "last run's log\n");
    WriteFile("tk.cfg", "BackupConsole 1\n");
    g_Console.LoadConfig("tk.cfg");
    g_Console.BackupConsoleAtStart();
    const std::vector<std::string> copies = DatedCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(ReadFile(copies[0]).find("last run's log"), std::string::npos);
    EXPECT_FALSE(Exists("!console.txt"));
}

// Lines printed before the rotation at start (the settings' and text keys'
// errors) are this run's: they go into the fresh log, in order, and not into
// the last run's copy.
TEST_F(Console, LinesBeforeTheRotationAtStartReachTheFreshLog)
{
    for (const bool keep : {false, true})
    {
        SCOPED_TRACE(keep ? "kept" : "deleted");
        g_Console.SetStartupDirectory(m_dir.c_str()); // a new run
        for (const std::string& copy : DatedCopies())
            std::filesystem::remove(m_dir / copy);
        WriteFile("!console.txt", "last run\n");
        g_Console.Print("bad setting one");
        g_Console.Print("bad setting two");
        g_Console.SetVariable("BackupConsole", keep ? 1.0f : 0.0f, 1);
        g_Console.BackupConsoleAtStart();
        g_Console.Print("after the rotation");
        EXPECT_EQ(ReadFile("!console.txt"), "bad setting one\nbad setting two\nafter the rotation\n");
        const std::vector<std::string> copies = DatedCopies();
        ASSERT_EQ(copies.size(), keep ? 1u : 0u);
        if (keep)
            EXPECT_EQ(ReadFile(copies[0]), "last run\n");
    }
}

TEST_F(Console, RecentLinesStayInsideTheRing)
{
    g_Console.ExecuteSetting("numconsolelines 500");
    EXPECT_EQ(g_Console.m_iRecentLines, static_cast<DWORD>(EConsole::RING_LINES));
    g_Console.Render();
    g_Console.ExecuteSetting("numconsolelines -3");
    EXPECT_EQ(g_Console.m_iRecentLines, 0u);
    g_Console.Open();
    g_Console.Render();
}

TEST_F(Console, LoadingScreenCountsMeshLinesAndPicksThePicture)
{
    std::filesystem::create_directories(m_dir / "worlds");
    WriteFile("worlds/level03.w", "mesh a.x\r\nmesh\tb.x\nMesh c.x\n mesh d.x\nmeshes e.x\nlight\nmesh f.x");
    g_Console.StartLoadingScreen("worlds\\level03.w");
    EXPECT_EQ(g_Console.m_iMeshLines, 3u);
    EXPECT_EQ(g_Console.m_dwLoadingTotal, EConsole::LOADING_BASE_TOTAL + 3);
    EXPECT_STREQ(g_Console.m_szLoadingPicture, "loading03.tga");
    EXPECT_EQ(g_Console.m_bLoading, 1);

    g_Console.AdvanceLoading(162);
    EXPECT_EQ(g_Console.m_iLoadingEighth, 4);
    EXPECT_NEAR(g_Console.m_fLoadingProgress, 0.6f, 1e-5f);
    g_Console.AdvanceLoading(1000);
    EXPECT_EQ(g_Console.m_dwLoadingDone, g_Console.m_dwLoadingTotal);
    EXPECT_EQ(g_Console.m_fLoadingProgress, 1.0f);
    g_Console.EndLoadingScreen();
    EXPECT_EQ(g_Console.m_bLoading, 0);
}

TEST_F(Console, LoadingScreenOfAMissingWorldUsesTheBaseTotal)
{
    g_Console.StartLoadingScreen("worlds\\level_12_of_03.w");
    EXPECT_EQ(g_Console.m_dwLoadingTotal, EConsole::LOADING_BASE_TOTAL);
    EXPECT_STREQ(g_Console.m_szLoadingPicture, "loading12.tga");
    // No such picture in the tree: the screen stays black and says so.
    EXPECT_STREQ(g_Console.GetLine(EConsole::RING_LINES - 1), "No loading picture loading12.tga");
    g_Console.StartLoadingScreen(nullptr);
    EXPECT_STREQ(g_Console.m_szLoadingPicture, "loading01.tga");
    g_Console.EndLoadingScreen();
}
} // namespace
