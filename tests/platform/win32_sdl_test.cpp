// The SDL backend on SDL's dummy video driver: real SDL windows and events,
// no display needed.
#include "win32_fixture.h"

#include "platform/win32/Input.h"

#include <SDL.h>

namespace
{
class Win32SdlTest : public Win32Test
{
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        TkSetBackend(TkBackend::Sdl);
    }

    void TearDown() override
    {
        Win32Test::TearDown();
        TkSetBackend(TkBackend::Headless);
    }

    static void PushKey(SDL_Scancode scancode, bool down)
    {
        SDL_Event e = {};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = scancode;
        SDL_PushEvent(&e);
    }

    static void PushText(const char* text)
    {
        SDL_Event e = {};
        e.type = SDL_TEXTINPUT;
        SDL_strlcpy(e.text.text, text, sizeof(e.text.text));
        SDL_PushEvent(&e);
    }
};

TEST_F(Win32SdlTest, WindowsAreRealSdlWindows)
{
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    SDL_Window* window = TkGetSdlWindow(hwnd);
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Duskmere 2");
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    RECT client;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    DestroyWindow(hwnd);
    EXPECT_EQ(TkGetSdlWindow(hwnd), nullptr);
}

TEST_F(Win32SdlTest, EventsBecomeMessagesWithEachCharacterOnce)
{
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    PushKey(SDL_SCANCODE_A, true);
    PushText("a");
    PushKey(SDL_SCANCODE_A, false);
    PushKey(SDL_SCANCODE_RETURN, true);
    PushKey(SDL_SCANCODE_AUDIOPLAY, true); // no Windows key: dropped
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(TkGetSdlWindow(hwnd));
    SDL_PushEvent(&close);

    MSG msg;
    std::vector<UINT> order;
    std::string typed;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
    {
        order.push_back(msg.message);
        if (msg.message == WM_CHAR)
            typed += static_cast<char>(msg.wParam);
        TranslateMessage(&msg);
        if (msg.message != WM_CLOSE)
            DispatchMessageA(&msg);
    }
    // Printable characters come from SDL's text; Enter's from the key.
    EXPECT_EQ(typed, "a\r");
    EXPECT_EQ(order, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_CLOSE}));
    EXPECT_FALSE(TkIsVirtualKeyDown('A'));
    EXPECT_TRUE(TkIsVirtualKeyDown(VK_RETURN));
}

TEST_F(Win32SdlTest, MouseEventsReachTheRawQueue)
{
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    TkFlushMouseEvents();
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 100;
    e.motion.y = 50;
    e.motion.xrel = 4;
    e.motion.yrel = -2;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = -1;
    SDL_PushEvent(&e);

    MSG msg;
    std::vector<UINT> order;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
        if (msg.message != WM_ACTIVATEAPP)
            order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_MOUSEWHEEL}));
    POINT cursor = TkGetCursorPosition();
    EXPECT_EQ(cursor.x, 100);
    EXPECT_EQ(cursor.y, 50);
    TkMouseEvent events[8];
    ASSERT_EQ(TkReadMouseEvents(events, 8), 4u);
    EXPECT_EQ(events[0].value, 4);
    EXPECT_EQ(events[1].value, -2);
    EXPECT_EQ(events[2].button, 1);
    EXPECT_EQ(events[3].value, -WHEEL_DELTA);
}
} // namespace
