// Present shows the back buffer in the device's SDL window. SDL's "dummy"
// video driver gives a real window surface without a display.
#include "d3d9_fixture.h"

#include <SDL.h>

using namespace d3d9test;

TEST(D3D9SdlPresent, BackBufferReachesTheWindow)
{
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        GTEST_SKIP() << "SDL video unavailable: " << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("d3d9 test", 0, 0, 32, 16, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
    TkSetSdlWindow(hwnd, window);
    TkSetBackend(TkBackend::Sdl);
    TkD3D9ResetHeadless();

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = WindowedParams(0, 0); // the window's size
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 32u);
    EXPECT_EQ(pp.BackBufferHeight, 16u);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 100, 50), 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    SDL_Renderer* renderer = SDL_GetRenderer(window);
    ASSERT_NE(renderer, nullptr);
    Uint32 pixel = 0;
    const SDL_Rect one = {5, 5, 1, 1};
    ASSERT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0) << SDL_GetError();
    EXPECT_EQ(pixel & 0xffffff, 0xc86432u);
    EXPECT_EQ(TkD3D9GetPresentCount(device), 1u);

    // The gamma ramp applies to what the window shows, not to the back buffer.
    D3DGAMMARAMP inverted;
    for (int i = 0; i < 256; ++i)
        inverted.red[i] = inverted.green[i] = inverted.blue[i] = static_cast<WORD>((255 - i) * 257);
    device->SetGammaRamp(0, D3DSGR_CALIBRATE, &inverted);
    // A discarding Present leaves the back buffer undefined: the frame is drawn anew.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 100, 50), 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0) << SDL_GetError();
    EXPECT_EQ(pixel & 0xffffff, 0x379bcdu);

    EXPECT_EQ(device->Release(), 0u); // also drops the renderer it made
    EXPECT_EQ(d3d->Release(), 0u);
    TkSetSdlWindow(hwnd, nullptr);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    TkSetBackend(TkBackend::Headless);
}
