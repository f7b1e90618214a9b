#include "win32_fixture.h"

#include "platform/win32/EventScript.h"
#include "platform/win32/Input.h"

namespace
{
using Win32ScriptTest = Win32Test;

TEST(Win32ScriptParse, ReadsLinesAndRefusesMalformedOnes)
{
    struct Case
    {
        const char* line;
        TkScriptLineKind kind;
        uint32_t frame;
        const char* verb;
        const char* args;
    };
    const Case cases[] = {
        {"frame 3: key down A", TkScriptLineKind::Event, 3, "key down", "A"},
        {"  FRAME 12 :Key Press escape", TkScriptLineKind::Event, 12, "key press", "escape"},
        {"frame 1:\tkey up Grave", TkScriptLineKind::Event, 1, "key up", "Grave"},
        {"frame 4: type hello world ", TkScriptLineKind::Event, 4, "type", "hello world "},
        {"frame 4: Keys StartWorld worlds\\level02.w", TkScriptLineKind::Event, 4, "keys",
         "StartWorld worlds\\level02.w"},
        {"frame 5: mouse move -10 7", TkScriptLineKind::Event, 5, "mouse move", "-10 7"},
        {"frame 6: mouse down 2", TkScriptLineKind::Event, 6, "mouse down", "2"},
        {"frame 6: mouse wheel -3", TkScriptLineKind::Event, 6, "mouse wheel", "-3"},
        {"frame 7: close", TkScriptLineKind::Event, 7, "close", ""},
        {"frame 8: quit", TkScriptLineKind::Event, 8, "quit", ""},
        // Verbs of other layers are kept whole and looked up when played.
        {"frame 9: device   lost", TkScriptLineKind::Event, 9, "", "device lost"},
        {"frame 9: wait  level frame 201", TkScriptLineKind::Event, 9, "wait", "level frame"},
        {"frame 9: WAIT level 0", TkScriptLineKind::Event, 9, "wait", "level"},
        {"", TkScriptLineKind::Nothing, 0, "", ""},
        {"   \t ", TkScriptLineKind::Nothing, 0, "", ""},
        {"# frame 1: quit", TkScriptLineKind::Nothing, 0, "", ""},
        {"   # indented comment", TkScriptLineKind::Nothing, 0, "", ""},
        {"frame: key down A", TkScriptLineKind::Error, 0, "", ""},
        {"frame x: key down A", TkScriptLineKind::Error, 0, "", ""},
        {"frame 0: key down A", TkScriptLineKind::Error, 0, "", ""},
        {"frame -2: quit", TkScriptLineKind::Error, 0, "", ""},
        {"frame 99999999999999999999: quit", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3 key down A", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3:", TkScriptLineKind::Error, 0, "", ""},
        {"frame3: quit", TkScriptLineKind::Error, 0, "", ""},
        {"key down A", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: key down NoSuchKey", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: key down", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: key hold A", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: key down A B", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse move 5", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse move 5 y", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse move 99999999999 1", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse down 3", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse up -1", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse wheel", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: mouse jump 1", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: type", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: keys", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: close now", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: quit 1", TkScriptLineKind::Error, 0, "", ""},
        {"fr\x01me 3: quit", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: wait 5", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: wait level frame", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: wait level frame -1", TkScriptLineKind::Error, 0, "", ""},
        {"frame 3: wait level frame 99999999999", TkScriptLineKind::Error, 0, "", ""},
    };
    for (const Case& c : cases)
    {
        TkScriptEvent event;
        std::string error;
        TkScriptLineKind kind = TkParseScriptLine(c.line, event, error);
        EXPECT_EQ(kind, c.kind) << "line: " << c.line;
        if (kind == TkScriptLineKind::Error)
        {
            EXPECT_FALSE(error.empty()) << "line: " << c.line;
        }
        if (kind != TkScriptLineKind::Event || c.kind != TkScriptLineKind::Event)
            continue;
        EXPECT_EQ(event.frame, c.frame) << "line: " << c.line;
        EXPECT_EQ(event.verb, c.verb) << "line: " << c.line;
        EXPECT_EQ(event.args, c.args) << "line: " << c.line;
    }
}

uint32_t g_waitedValue = 0;
uint32_t g_playingFrame = 0;
std::vector<std::pair<std::string, uint32_t>> g_notes;

TEST_F(Win32ScriptTest, WaitHoldsTheScriptUntilTheValueReachesItsNumber)
{
    TkRegisterScriptValue("test value", [] { return g_waitedValue; });
    TkRegisterScriptAction("note",
                           [](const std::string& args)
                           {
                               g_notes.emplace_back(args, g_playingFrame);
                               return true;
                           });
    g_waitedValue = 0;
    g_notes.clear();
    TkLoadScriptText("frame 1: note one\n"
                     "frame 2: wait test value 3\n"
                     "frame 2: note two\n"
                     "frame 3: note three\n"
                     "frame 5: wait no such value 1\n"
                     "frame 5: note four\n",
                     "wait.script");
    testing::internal::CaptureStderr();
    for (g_playingFrame = 1; g_playingFrame <= 12; ++g_playingFrame)
    {
        // The value reaches its number at the sixth frame of the loop.
        if (g_playingFrame == 6)
            g_waitedValue = 3;
        TkPlayScriptFrame(g_playingFrame);
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    // The frames spent waiting do not count: the script goes on four frames late.
    EXPECT_EQ(g_notes, (std::vector<std::pair<std::string, uint32_t>>{
                           {"one", 1}, {"two", 6}, {"three", 7}, {"four", 9}}));
    // A name nothing publishes is reported, and the script goes on.
    EXPECT_NE(errors.find("wait.script:5: no value \"no such value\" to wait for"), std::string::npos)
        << errors;
}

TEST_F(Win32ScriptTest, ReportsBadLinesByFileAndLineAndKeepsTheRest)
{
    testing::internal::CaptureStderr();
    TkLoadScriptText(
        "# test\r\nframe 2: key down A\r\nframe x: oops\rframe 3: key down Nope\n\nframe 4: quit\n",
        "bad.script");
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(TkScriptEventCount(), 2u);
    EXPECT_NE(errors.find("bad.script:3:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("bad.script:4:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Nope"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
}

TEST_F(Win32ScriptTest, OverlongLinesAreRefusedWhole)
{
    // A line of exactly 1024 characters is still read; one more is refused
    // before its words are looked at, however many it holds.
    const std::string head = "frame 1: type ";
    const std::string longest = head + std::string(1024 - head.size(), 'x');
    std::string runaway = "frame 2: unknown";
    for (int i = 0; i < 200000; ++i)
        runaway += " w";
    testing::internal::CaptureStderr();
    TkLoadScriptText(longest + "\n" + head + std::string(1025 - head.size(), 'y') + "\n" + runaway + "\n",
                     "long.script");
    TkPlayScriptFrame(1);
    TkPlayScriptFrame(2);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(TkScriptEventCount(), 1u);
    EXPECT_NE(errors.find("long.script:2: the line is longer than 1024 characters"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("long.script:3: the line is longer"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
}

TEST_F(Win32ScriptTest, PlaysKeysTextAndMouseAtTheirFrames)
{
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    TkLoadScriptText("frame 2: key down Shift\n"
                     "frame 2: key press A\n"
                     "frame 3: key up shift\n"
                     "frame 4: type Hi!\n"
                     "frame 5: mouse move 15 -4\n"
                     "frame 5: mouse down 0\n"
                     "frame 6: mouse up 0\n"
                     "frame 6: mouse wheel 2\n"
                     "frame 8: quit\n",
                     "play.script");
    EXPECT_EQ(RunLoop(), 0);
    EXPECT_EQ(TkFrameCount(), 8u);

    auto downs = RecordedOf(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].wParam, static_cast<WPARAM>(VK_SHIFT));
    EXPECT_EQ(downs[0].frame, 2u);
    EXPECT_EQ(downs[1].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(downs[1].frame, 2u);
    auto ups = RecordedOf(WM_KEYUP);
    ASSERT_EQ(ups.size(), 2u);
    // The pressed key is released at the next frame, before that frame's lines.
    EXPECT_EQ(ups[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(ups[0].frame, 3u);
    EXPECT_EQ(ups[1].wParam, static_cast<WPARAM>(VK_SHIFT));
    EXPECT_EQ(ups[1].frame, 3u);

    std::string typed;
    for (const auto& m : RecordedOf(WM_CHAR))
        typed += static_cast<char>(m.wParam);
    EXPECT_EQ(typed, "AHi!"); // the A with Shift held, then the typed text
    EXPECT_EQ(RecordedOf(WM_CHAR).back().frame, 4u);

    auto moves = RecordedOf(WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].frame, 5u);
    EXPECT_EQ(RecordedOf(WM_LBUTTONDOWN).at(0).frame, 5u);
    EXPECT_EQ(RecordedOf(WM_LBUTTONUP).at(0).frame, 6u);
    auto wheel = RecordedOf(WM_MOUSEWHEEL);
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), 2 * WHEEL_DELTA);

    // The raw mouse queue kept the same story for the DirectInput layer.
    TkMouseEvent events[16];
    size_t n = TkReadMouseEvents(events, 16);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(events[0].kind, TkMouseEventKind::MoveX);
    EXPECT_EQ(events[0].value, 15);
    EXPECT_EQ(events[1].kind, TkMouseEventKind::MoveY);
    EXPECT_EQ(events[1].value, -4);
    EXPECT_EQ(events[2].kind, TkMouseEventKind::Button);
    EXPECT_EQ(events[2].value, 0x80);
    EXPECT_EQ(events[3].value, 0);
    EXPECT_EQ(events[4].kind, TkMouseEventKind::Wheel);
    EXPECT_EQ(events[4].value, 240);
}

TEST_F(Win32ScriptTest, ScriptMessagesDoNotCountAsExtraFrames)
{
    MakeWindow();
    TkLoadScriptText("frame 1: type abc\nframe 2: type d\n", "frames.script");
    MSG msg;
    std::vector<std::pair<UINT, uint32_t>> seen; // message (0 for an idle pass), frame
    for (int i = 0; i < 8; ++i)
        seen.push_back({PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? msg.message : 0, TkFrameCount()});
    const std::vector<std::pair<UINT, uint32_t>> expected = {
        {WM_CHAR, 1}, {WM_CHAR, 1}, {WM_CHAR, 1}, {0, 1}, {WM_CHAR, 2}, {0, 2}, {0, 3}, {0, 4}};
    EXPECT_EQ(seen, expected);
    EXPECT_NEAR(TkHeadlessClockMs(), 4 * 1000.0 / 60.0, 1e-6); // held to the nanosecond
}

TEST_F(Win32ScriptTest, CloseAsksTheMainWindow)
{
    HWND hwnd = MakeWindow();
    TkLoadScriptText("frame 3: close\n", "close.script");
    EXPECT_EQ(RunLoop(50), -1);
    EXPECT_EQ(RecordedOf(WM_CLOSE).at(0).frame, 3u);
    EXPECT_FALSE(IsWindow(hwnd));
}

std::string g_lastDeviceArgs;
int g_deviceCalls = 0;
bool DeviceLost(const std::string& args)
{
    ++g_deviceCalls;
    g_lastDeviceArgs = args;
    return args != "refuse";
}

TEST_F(Win32ScriptTest, OtherVerbsGoToTheRegistry)
{
    TkRegisterScriptAction("test device lost", DeviceLost);
    g_deviceCalls = 0;
    TkLoadScriptText("frame 1: Test Device Lost  for 3 frames\n"
                     "frame 2: test device lost refuse\n"
                     "frame 3: test nothing here\n",
                     "verbs.script");
    testing::internal::CaptureStderr();
    TkPlayScriptFrame(1);
    EXPECT_EQ(g_deviceCalls, 1);
    EXPECT_EQ(g_lastDeviceArgs, "for 3 frames");
    TkPlayScriptFrame(2);
    TkPlayScriptFrame(3);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_deviceCalls, 2);
    EXPECT_NE(errors.find("verbs.script:2:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("verbs.script:3: unknown action"), std::string::npos) << errors;
}

TEST_F(Win32ScriptTest, EnvironmentScriptIsReadThroughTheResolver)
{
    WriteFile("Scripts/Run.TXT", "frame 2: quit\n");
    EnterTempDir();
    ::setenv("TK_SCRIPT", "scripts\\run.txt", 1);
    TkHeadlessReset();
    EXPECT_EQ(RunLoop(), 0);
    EXPECT_EQ(TkFrameCount(), 2u);

    ::setenv("TK_SCRIPT", "scripts\\missing.txt", 1);
    TkHeadlessReset();
    TkSetFrameLimit(3);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunLoop(), 0);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("scripts\\missing.txt"), std::string::npos) << errors;
    EXPECT_EQ(TkFrameCount(), 3u);
}
} // namespace
