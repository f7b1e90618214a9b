// The device in a real SDL window with an OpenGL context, under a virtual X
// server of the test's own (skipped where Xvfb is not installed): the window
// shows what the device drew, through the gamma ramp, and the whole game
// starts its device in one.
#include "d3d9_fixture.h"

#include "platform/win32/Win32.h"
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "support/VirtualDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace d3d9test;

namespace
{
// SDL's start-up on X11 leaves buffers of the system's X and D-Bus libraries
// to the end of the process; leak checks of sanitizer builds skip what is
// allocated while a window test runs (the headless tests check the device).
struct IgnoreSystemLeaks
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler disabler;
#endif
};

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

DWORD FrontPixel(IDirect3DSurface9* surface, UINT x, UINT y)
{
    D3DLOCKED_RECT locked;
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return 0;
    DWORD p;
    std::memcpy(&p, static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
    surface->UnlockRect();
    return p & 0xffffff;
}
} // namespace

TEST(D3D9Window, TheWindowShowsWhatTheDeviceDrewThroughItsGammaRamp)
{
    // SDL's video driver is chosen once per process: after another test started
    // the dummy driver, no window here can have an OpenGL context. CTest runs
    // every test in a process of its own, where this never happens.
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver && std::string(driver) != "x11")
        GTEST_SKIP() << "SDL video already runs the \"" << driver << "\" driver in this process";
    IgnoreSystemLeaks ignore;
    VirtualDisplay display;
    if (display.Name().empty())
        GTEST_SKIP() << "no virtual X server (Xvfb) to open a window on";
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    TkSetBackend(TkBackend::Sdl);
    TkD3D9ResetHeadless();
    const HWND hwnd = OpenWindow("D3D9Window", PlainProc, 64, 48, WS_POPUP | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    SDL_Window* sdl = TkGetSdlWindow(hwnd);
    ASSERT_NE(sdl, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)
        << "the device draws through the window's own context";

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = WindowedParams(0, 0);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    ASSERT_EQ(pp.BackBufferWidth, 64u);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 100, 50), 1.0f, 0), D3D_OK);
    device->SetFVF(kFvf2D);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    const std::vector<Vertex2D> quad = Quad(0, 0, 16, 8, D3DCOLOR_XRGB(0, 255, 0));
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad.data(), sizeof(Vertex2D)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    IDirect3DSurface9* front = nullptr;
    ASSERT_EQ(
        device->CreateOffscreenPlainSurface(64, 48, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &front, nullptr),
        D3D_OK);
    ASSERT_EQ(device->GetFrontBufferData(0, front), D3D_OK);
    // Upper-left stays upper-left in the window.
    EXPECT_EQ(FrontPixel(front, 3, 3), 0x00ff00u);
    EXPECT_EQ(FrontPixel(front, 40, 30), 0xc86432u);

    D3DGAMMARAMP inverted;
    for (int i = 0; i < 256; ++i)
        inverted.red[i] = inverted.green[i] = inverted.blue[i] = static_cast<WORD>((255 - i) * 257);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &inverted);
    // A discarding Present leaves the back buffer undefined: the frame is drawn anew.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 100, 50), 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(device->GetFrontBufferData(0, front), D3D_OK);
    EXPECT_EQ(FrontPixel(front, 40, 30), 0x379bcdu);

    front->Release();
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    DestroyWindow(hwnd);
    TkSetBackend(TkBackend::Headless);
    SDL_Quit();
}

TEST(D3D9Window, TheGameInAWindowShowsWhatAHeadlessRunShows)
{
    VirtualDisplay display;
    if (display.Name().empty())
        GTEST_SKIP() << "no virtual X server (Xvfb) to open a window on";
    // The same run twice, headless and in a window on the same virtual clock:
    // past the loading screen with a key, the hero's look raised off the
    // ground, then a picture of the world shown.
    const std::string run = "wait level frame 200\n"
                            "frame 40: key press Space\n"
                            "frame 41: mouse move 0 -60\n"
                            "frame 42: wait level frame 205\n"
                            "frame 43: screenshot\n"
                            "frame 45: quit\n";
    TempDir headless(false), window(false);
    CopyDataTree(headless.path());
    CopyDataTree(window.path());
    headless.Write("run.txt", "frame 2: " + run);
    // With a display the dialogs wait for the player: OK and Start are pressed for it.
    window.Write("run.txt", "frame 1: dialog click 1\nframe 2: dialog click 1001\nframe 3: " + run);
    {
        GameProcess game(headless.path(),
                         {{"TK_FRAMES", "2000"}, {"TK_SCRIPT", (headless.path() / "run.txt").string()}});
        ASSERT_EQ(game.Wait(kGameSeconds), 0);
    }
    {
        // SDL's start-up on X11 leaves buffers of the system's libraries to the
        // end of the process: leak checks of sanitizer builds stay off in it.
        GameProcess game(window.path(), {{"TK_VIDEO", "sdl"},
                                         {"TK_CLOCK", "frames"},
                                         {"ASAN_OPTIONS", "detect_leaks=0"},
                                         {"DISPLAY", display.Name()},
                                         {"SDL_VIDEODRIVER", "x11"},
                                         {"TK_FRAMES", "2000"},
                                         {"TK_SCRIPT", (window.path() / "run.txt").string()}});
        ASSERT_EQ(game.Wait(kGameSeconds), 0);
    }
    const auto log = ReadLines(window.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Welcome to Duskmere 2.");
    EXPECT_NE(std::find(log.begin(), log.end(), "CreateDevice OK"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "> Driver: tovak_sdl"), log.end())
        << "a window, not headless";
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");

    // The window's picture, read from its framebuffer, is the headless one.
    Bitmap seen, expected;
    ASSERT_TRUE(seen.Parse(window.Read("tk_screen0000.bmp")));
    ASSERT_TRUE(expected.Parse(headless.Read("tk_screen0000.bmp")));
    ASSERT_EQ(seen.width, expected.width);
    ASSERT_EQ(seen.height, expected.height);
    int differ = 0, ink = 0;
    for (int y = 0; y < seen.height; ++y)
        for (int x = 0; x < seen.width; ++x)
        {
            differ += seen.Pixel(x, y) != expected.Pixel(x, y);
            ink += seen.Pixel(x, y) != 0;
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(ink, 1000) << "the console's text is on the picture";
}

// The game opens its window 1 x 1 for full screen: the device's full-screen
// mode makes it a full-screen window of the chosen size, and a windowed reset
// gives it back as a window of the back buffer's size.
TEST(D3D9Window, FullScreenOpensTheWindowAtTheChosenSizeOnTheDisplay)
{
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver && std::string(driver) != "x11")
        GTEST_SKIP() << "SDL video already runs the \"" << driver << "\" driver in this process";
    IgnoreSystemLeaks ignore;
    VirtualDisplay display;
    if (display.Name().empty())
        GTEST_SKIP() << "no virtual X server (Xvfb) to open a window on";
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    TkSetBackend(TkBackend::Sdl);
    TkD3D9ResetHeadless();
    const HWND hwnd = OpenWindow("D3D9FullScreen", PlainProc, 1, 1, WS_POPUP | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);
    SDL_Window* sdl = TkGetSdlWindow(hwnd);
    ASSERT_NE(sdl, nullptr);

    // The virtual display has one mode, its own size.
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = WindowedParams(1024, 768);
    pp.Windowed = FALSE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    RECT client = {};
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 1024);
    EXPECT_EQ(client.bottom, 768);

    D3DPRESENT_PARAMETERS windowed = WindowedParams(320, 200);
    ASSERT_EQ(device->Reset(&windowed), D3D_OK);
    EXPECT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
    SDL_GetWindowSize(sdl, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);

    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
    DestroyWindow(hwnd);
    TkSetBackend(TkBackend::Headless);
    SDL_Quit();
}
