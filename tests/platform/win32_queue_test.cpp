#include "win32_fixture.h"

#include "platform/win32/EventScript.h"
#include "platform/win32/Input.h"

namespace
{
using Win32QueueTest = Win32Test;

std::vector<UINT> MessagesOf(const std::vector<RecordedMessage>& recorded)
{
    std::vector<UINT> out;
    for (const auto& m : recorded)
        out.push_back(m.message);
    return out;
}

TEST_F(Win32QueueTest, DeliversPostedMessagesInOrderThenQuit)
{
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    PostMessageA(hwnd, WM_USER + 1, 1, 0);
    PostQuitMessage(7);
    PostMessageA(hwnd, WM_USER + 2, 2, 0);
    PostMessageA(nullptr, WM_USER + 3, 3, 0); // a message for the thread

    MSG msg;
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT)
        {
            EXPECT_EQ(msg.wParam, 7u);
            EXPECT_EQ(msg.hwnd, nullptr);
            break;
        }
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_QUIT}));
    EXPECT_EQ(MessagesOf(Recorded()), (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    // WM_QUIT is taken once.
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
}

TEST_F(Win32QueueTest, PeekFiltersAndLeavesMessagesWhenAskedTo)
{
    HWND first = MakeWindow("First", "first");
    HWND second = MakeWindow("Second", "second");
    PostMessageA(first, WM_KEYDOWN, 'A', 0);
    PostMessageA(second, WM_USER, 0, 0);
    PostMessageA(first, WM_MOUSEMOVE, 0, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, second, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, first);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, first, WM_USER, WM_USER, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    // Filtered looks at an empty queue are not frames.
    EXPECT_FALSE(PeekMessageA(&msg, first, 0, 0, PM_REMOVE));
    EXPECT_EQ(TkFrameCount(), 0u);
}

TEST_F(Win32QueueTest, WindowLifetimeMessages)
{
    HWND hwnd = MakeWindow();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetFocus(), hwnd);
    RECT rect;
    ASSERT_TRUE(GetClientRect(hwnd, &rect));
    EXPECT_EQ(rect.right, 800);
    EXPECT_EQ(rect.bottom, 600);

    EXPECT_TRUE(UpdateWindow(hwnd));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 5, 0, 0), 0);
    EXPECT_EQ(MessagesOf(Recorded()), (std::vector<UINT>{WM_PAINT, WM_USER + 5}));

    // WM_CLOSE through the default procedure destroys the window, which gets
    // WM_DESTROY while it still exists.
    Recorded().clear();
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(RunLoop(3), -1);
    EXPECT_EQ(MessagesOf(Recorded()), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Win32QueueTest, ClassesAndBadCalls)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Tovak";
    WORD atom = RegisterClassExA(&wc);
    EXPECT_NE(atom, 0);
    wc.lpszClassName = "TOVAK";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    HWND byAtom = CreateWindowExA(0, MAKEINTRESOURCEA(atom), "by atom", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, nullptr, nullptr);
    EXPECT_TRUE(IsWindow(byAtom));
    EXPECT_FALSE(UnregisterClassA("tovak", nullptr));
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassA("tovak", nullptr));

    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0), 0);
    EXPECT_NE(LoadIconA(nullptr, MAKEINTRESOURCEA(141)), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

TEST_F(Win32QueueTest, TimersFireWhenDueOnTheVirtualClock)
{
    HWND hwnd = MakeWindow();
    ASSERT_EQ(SetTimer(hwnd, 3, 10, nullptr), 3u);
    MSG msg;
    // Filtered looks, so no frame moves the clock.
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    TkHeadlessAdvanceClockMs(9.9);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    TkHeadlessAdvanceClockMs(0.1);

    // A due timer waits behind posted messages.
    PostMessageA(hwnd, WM_USER, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.time, 10u);

    // Missed periods make one WM_TIMER, and the next period starts at delivery.
    TkHeadlessAdvanceClockMs(35);
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    TkHeadlessAdvanceClockMs(10);
    EXPECT_TRUE(PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));

    EXPECT_TRUE(KillTimer(hwnd, 3));
    EXPECT_FALSE(KillTimer(hwnd, 3));
    TkHeadlessAdvanceClockMs(100);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
}

int g_timerProcCalls = 0;
void CALLBACK CountingTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_timerProcCalls;
}

TEST_F(Win32QueueTest, TimerProceduresAreCalledByDispatch)
{
    g_timerProcCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, CountingTimerProc);
    ASSERT_NE(id, 0u);
    TkHeadlessAdvanceClockMs(50);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(static_cast<intptr_t>(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    DispatchMessageA(&msg);
    EXPECT_EQ(g_timerProcCalls, 1);
    // A posted WM_TIMER naming some procedure is never called through.
    MSG forged = msg;
    forged.lParam = reinterpret_cast<LPARAM>(&g_timerProcCalls);
    DispatchMessageA(&forged);
    EXPECT_EQ(g_timerProcCalls, 1);
}

TEST_F(Win32QueueTest, FrameLimitQuitsAfterThatManyFrames)
{
    ::setenv("TK_FRAMES", "5", 1);
    ::setenv("TK_FRAME_MS", "20", 1);
    TkHeadlessReset();
    HWND hwnd = MakeWindow();
    SetTimer(hwnd, 1, 10, nullptr);

    int frames = 0;
    MSG msg;
    for (int pass = 0; pass < 1000; ++pass)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                break;
            DispatchMessageA(&msg);
        }
        else
        {
            ++frames;
            EXPECT_EQ(TkFrameCount(), static_cast<uint32_t>(frames));
            EXPECT_DOUBLE_EQ(TkHeadlessClockMs(), 20.0 * frames);
        }
    }
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    // One timer message per frame: each frame's step makes the timer due once.
    EXPECT_EQ(RecordedOf(WM_TIMER).size(), 5u);
    for (size_t i = 0; i < RecordedOf(WM_TIMER).size(); ++i)
        EXPECT_EQ(RecordedOf(WM_TIMER)[i].frame, i + 1);
}

TEST_F(Win32QueueTest, DefaultFrameStepKeepsSixtyFramesToTheSecond)
{
    TkSetFrameLimit(60);
    EXPECT_EQ(RunLoop(), 0);
    EXPECT_EQ(TkFrameCount(), 60u);
    EXPECT_DOUBLE_EQ(TkHeadlessClockMs(), 1000.0);
    EXPECT_EQ(timeGetTime(), 1000u);
}

TEST_F(Win32QueueTest, TranslateMakesCharactersWithShiftAsItWasAtTheKey)
{
    HWND hwnd = MakeWindow();
    TkInjectKey('A', true);
    TkInjectKey('A', false);
    TkInjectKey(VK_LSHIFT, true);
    TkInjectKey('1', true);
    TkInjectKey(VK_LSHIFT, false); // released before the '1' is translated
    TkInjectKey(VK_OEM_3, true);
    TkInjectKey(VK_RETURN, true);
    TkInjectKey(VK_F1, true);
    EXPECT_EQ(RunLoop(20), -1);

    std::string typed;
    for (const auto& m : RecordedOf(WM_CHAR))
    {
        EXPECT_EQ(m.hwnd, hwnd);
        typed += static_cast<char>(m.wParam);
    }
    EXPECT_EQ(typed, "a!`\r");
    // Each character follows its own key-down.
    auto all = Recorded();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].message == WM_CHAR)
        {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(all[i - 1].message, static_cast<UINT>(WM_KEYDOWN));
        }
}

TEST_F(Win32QueueTest, BroadcastReachesEveryWindow)
{
    HWND a = MakeWindow("One", "one");
    HWND b = MakeWindow("Two", "two");
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    auto sent = RecordedOf(WM_FONTCHANGE);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].hwnd, a);
    EXPECT_EQ(sent[1].hwnd, b);
}
} // namespace

namespace
{
int g_gameTimerTicks = 0;
LRESULT CALLBACK GameWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DESTROY:
        PostQuitMessage(3);
        return 0;
    case WM_TIMER:
        ++g_gameTimerTicks;
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT paint;
        EXPECT_NE(BeginPaint(hwnd, &paint), nullptr);
        EXPECT_EQ(paint.rcPaint.right, 800);
        EndPaint(hwnd, &paint);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The start-up and loop of the game, ended by the player closing the window.
TEST_F(Win32QueueTest, GameStyleLoopEndsWhenThePlayerClosesTheWindow)
{
    g_gameTimerTicks = 0;
    ASSERT_EQ(FindWindowA("Duskmere 2", "Duskmere 2"), nullptr);
    CreateMutexA(nullptr, FALSE, "Duskmere2");
    HWND hwnd = MakeWindow("Duskmere 2", "Duskmere 2", GameWindowProc);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    ASSERT_NE(SetTimer(hwnd, 1, 10, nullptr), 0u);
    TkLoadScriptText("frame 30: close\n", "close.script");

    int frames = 0;
    MSG msg = {};
    for (int pass = 0; pass < 10000; ++pass)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        ++frames;
    }
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    // Frame 30 closed the window before its idle pass, so 29 frames ran.
    EXPECT_EQ(frames, 29);
    EXPECT_EQ(g_gameTimerTicks, 29); // one per frame; the last went with the window
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(FindWindowA("Duskmere 2", "Duskmere 2"), nullptr);
}
} // namespace
