#pragma once
// A headless device for the Direct3D 9 tests: a small windowed X8R8G8B8 back
// buffer with a D24S8 depth surface. Every test must release what it creates;
// the fixture checks that the device goes away with its last reference.

#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "support/HeadlessD3D.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace d3d9test
{
// The pre-transformed vertex of the 2D layer: XYZRHW | DIFFUSE | TEX1.
struct Vertex2D
{
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
constexpr DWORD kFvf2D = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Two clockwise triangles covering [left, right) x [top, bottom).
inline std::vector<Vertex2D> Quad(float left, float top, float right, float bottom, DWORD color)
{
    return {{left, top, 0, 1, color, 0, 0},     {right, top, 0, 1, color, 1, 0},
            {right, bottom, 0, 1, color, 1, 1}, {left, top, 0, 1, color, 0, 0},
            {right, bottom, 0, 1, color, 1, 1}, {left, bottom, 0, 1, color, 0, 1}};
}

class DeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
    }

    void TearDown() override { ReleaseHeadlessDevice(d3d, device); }

    IDirect3DSurface9* BackBuffer()
    {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        return back;
    }

    D3DCOLOR Pixel(IDirect3DSurface9* surface, UINT x, UINT y)
    {
        D3DCOLOR color = 0;
        EXPECT_TRUE(TkD3D9ReadPixel(surface, x, y, &color));
        return color;
    }

    D3DCOLOR BackPixel(UINT x, UINT y)
    {
        IDirect3DSurface9* back = BackBuffer();
        const D3DCOLOR color = Pixel(back, x, y);
        back->Release();
        return color;
    }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params = {};
};
} // namespace d3d9test
