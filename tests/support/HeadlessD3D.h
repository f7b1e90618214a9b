#pragma once
// The headless Direct3D 9 device most drawing tests start from: the headless
// backend with a fresh Direct3D state, a windowed X8R8G8B8 back buffer on a
// made-up window, and on the way out a check that nothing still holds the
// device or the Direct3D object.

#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"

#include <gtest/gtest.h>

#include <cstdint>

// Any non-null handle: the headless device only needs a window to name.
inline HWND FakeWindow()
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
}

// One X8R8G8B8 back buffer of this size (0 by 0: the window's size) with a
// depth surface of `depth`, presented at once.
inline D3DPRESENT_PARAMETERS WindowedParams(UINT width = 64, UINT height = 48, D3DFORMAT depth = D3DFMT_D24S8)
{
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = depth;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

// The headless backend with a fresh Direct3D state, and the Direct3D object.
// A fatal failure when there is none: call through ASSERT_NO_FATAL_FAILURE.
inline void StartHeadlessD3D(IDirect3D9** d3d)
{
    TkSetBackend(TkBackend::Headless);
    TkD3D9ResetHeadless();
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(*d3d, nullptr);
}

// StartHeadlessD3D, then a device on FakeWindow() with `pp` (which the
// device may fill in). A fatal failure when either is missing.
inline void CreateHeadlessDevice(D3DPRESENT_PARAMETERS& pp, IDirect3D9** d3d, IDirect3DDevice9** device)
{
    StartHeadlessD3D(d3d);
    if (!*d3d)
        return;
    ASSERT_EQ((*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                   device),
              D3D_OK);
}

// Lets go of the device and the Direct3D object (either may be null), failing
// the test when something still holds one of them, and forgets the headless
// Direct3D state.
inline void ReleaseHeadlessDevice(IDirect3D9*& d3d, IDirect3DDevice9*& device)
{
    if (device)
    {
        EXPECT_EQ(device->Release(), 0u) << "something still holds the device";
        device = nullptr;
    }
    if (d3d)
    {
        EXPECT_EQ(d3d->Release(), 0u) << "something still holds the Direct3D object";
        d3d = nullptr;
    }
    TkD3D9ResetHeadless();
}
