// The player's keys and mouse reach DirectInput the same way whether they come
// as SDL events from a window or from the event script.
#include "dinput_fixture.h"

#include "platform/win32/EventScript.h"

#include <SDL.h>

namespace
{
struct Reading
{
    std::vector<std::pair<DWORD, DWORD>> mouse; // offset, data
    std::vector<int> keysDown;
};

class DInputSourcesTest : public DInputTest
{
protected:
    void TearDown() override
    {
        DInputTest::TearDown();
        TkSetBackend(TkBackend::Headless);
    }

    Reading Read(LPDIRECTINPUTDEVICE8 keyboard, LPDIRECTINPUTDEVICE8 mouse)
    {
        Reading r;
        for (const auto& d : ReadAll(mouse))
            r.mouse.emplace_back(d.dwOfs, d.dwData);
        BYTE state[256];
        EXPECT_EQ(keyboard->GetDeviceState(sizeof state, state), DI_OK);
        for (int code = 0; code < 256; ++code)
            if (state[code] & 0x80)
                r.keysDown.push_back(code);
        return r;
    }

    // Passes of the main loop up to the frame.
    static void RunToFrame(uint32_t frame)
    {
        MSG msg;
        for (int pass = 0; pass < 1000 && TkFrameCount() < frame; ++pass)
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
    }

    static void Push(SDL_Event e) { SDL_PushEvent(&e); }
};

TEST_F(DInputSourcesTest, ScriptAndSdlEventsGiveTheSameDeviceData)
{
    // The event script, headless.
    LPDIRECTINPUTDEVICE8 keyboard = Keyboard();
    LPDIRECTINPUTDEVICE8 mouse = Mouse();
    TkLoadScriptText("frame 1: key down W\n"
                     "frame 1: key down Shift\n"
                     "frame 1: mouse move 5 -3\n"
                     "frame 1: mouse down 1\n"
                     "frame 1: mouse wheel -1\n"
                     "frame 1: mouse up 1\n"
                     "frame 1: key up Shift\n",
                     "test");
    RunToFrame(1);
    const Reading scripted = Read(keyboard, mouse);

    // A real window with SDL's dummy driver.
    for (auto* device : m_devices)
        device->Release();
    m_devices.clear();
    TkHeadlessReset();
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    TkSetBackend(TkBackend::Sdl);
    m_hwnd = MakeWindow();
    ASSERT_NE(m_hwnd, nullptr);
    keyboard = Keyboard();
    mouse = Mouse();
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_W;
    Push(e);
    e.key.keysym.scancode = SDL_SCANCODE_LSHIFT;
    Push(e);
    e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 5;
    e.motion.y = 0;
    e.motion.xrel = 5;
    e.motion.yrel = -3;
    Push(e);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    Push(e);
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = -1;
    Push(e);
    e = {};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_RIGHT;
    Push(e);
    e = {};
    e.type = SDL_KEYUP;
    e.key.keysym.scancode = SDL_SCANCODE_LSHIFT;
    Push(e);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // takes SDL's events
    const Reading fromSdl = Read(keyboard, mouse);

    const std::vector<std::pair<DWORD, DWORD>> expectedMouse = {{DIMOFS_X, 5u},
                                                                {DIMOFS_Y, static_cast<DWORD>(-3)},
                                                                {DIMOFS_BUTTON1, 0x80u},
                                                                {DIMOFS_Z, static_cast<DWORD>(-120)},
                                                                {DIMOFS_BUTTON1, 0u}};
    EXPECT_EQ(scripted.mouse, expectedMouse);
    EXPECT_EQ(scripted.keysDown, std::vector<int>{DIK_W});
    EXPECT_EQ(fromSdl.mouse, scripted.mouse);
    EXPECT_EQ(fromSdl.keysDown, scripted.keysDown);
}
} // namespace
