// Clear and the surface copies do real pixel work.
#include "d3d9_fixture.h"

using namespace d3d9test;

namespace
{
const D3DCOLOR kRed = D3DCOLOR_XRGB(255, 0, 0);
const D3DCOLOR kBlue = D3DCOLOR_XRGB(0, 0, 255);
const D3DCOLOR kBlack = D3DCOLOR_XRGB(0, 0, 0);
} // namespace

TEST_F(DeviceTest, ClearFillsOnlyTheViewport)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT9 viewport = {10, 5, 20, 8, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    EXPECT_EQ(BackPixel(10, 5), kRed);
    EXPECT_EQ(BackPixel(29, 12), kRed);
    EXPECT_EQ(BackPixel(9, 5), kBlack);
    EXPECT_EQ(BackPixel(30, 12), kBlack);
    EXPECT_EQ(BackPixel(10, 13), kBlack);
    EXPECT_EQ(BackPixel(10, 4), kBlack);
}

TEST_F(DeviceTest, ClearRectsAreCutToTheViewport)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0), D3D_OK);
    const D3DVIEWPORT9 viewport = {0, 0, 32, 48, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    const D3DRECT rects[] = {{2, 2, 4, 4}, {30, 0, 40, 1}};
    ASSERT_EQ(device->Clear(2, rects, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    EXPECT_EQ(BackPixel(2, 2), kBlue);
    EXPECT_EQ(BackPixel(3, 3), kBlue);
    EXPECT_EQ(BackPixel(4, 4), kBlack);
    EXPECT_EQ(BackPixel(31, 0), kBlue);
    EXPECT_EQ(BackPixel(32, 0), kBlack); // outside the viewport
    // A count without rectangles clears the whole viewport, as a null list does.
    ASSERT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0), D3D_OK);
    EXPECT_EQ(BackPixel(0, 47), kRed);
    EXPECT_EQ(BackPixel(31, 0), kRed);
    EXPECT_EQ(BackPixel(32, 0), kBlack);
    // Rectangles with a count of zero clear nothing.
    ASSERT_EQ(device->Clear(0, rects, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
    EXPECT_EQ(BackPixel(2, 2), kRed);
}

TEST_F(DeviceTest, ClearWritesDepthAndRefusesStencilWithoutStencilBits)
{
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 0x3c), D3D_OK);
    TkSurfacePixels pixels;
    ASSERT_TRUE(TkD3D9ReadSurface(depth, &pixels));
    DWORD value;
    std::memcpy(&value, pixels.bits, 4);
    EXPECT_EQ(value & 0xff, 0x3cu);                    // stencil in the low byte of D24S8
    EXPECT_NEAR((value >> 8) / 16777215.0, 0.5, 1e-6); // depth in the upper 24 bits
    depth->Release();

    IDirect3DSurface9* noStencil = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(64, 48, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                &noStencil, nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(noStencil), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(nullptr), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    noStencil->Release();
}

TEST_F(DeviceTest, StretchRectCopiesAndScales)
{
    IDirect3DSurface9* source = nullptr;
    ASSERT_EQ(
        device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &source, nullptr),
        D3D_OK);
    ASSERT_EQ(device->ColorFill(source, nullptr, kBlue), D3D_OK);
    const RECT corner = {0, 0, 2, 2};
    ASSERT_EQ(device->ColorFill(source, &corner, kRed), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0), D3D_OK);

    IDirect3DSurface9* back = BackBuffer();
    // 1:1 copy of the whole source to (10, 10).
    const RECT to = {10, 10, 14, 14};
    ASSERT_EQ(device->StretchRect(source, nullptr, back, &to, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(Pixel(back, 10, 10), kRed);
    EXPECT_EQ(Pixel(back, 11, 11), kRed);
    EXPECT_EQ(Pixel(back, 12, 12), kBlue);
    EXPECT_EQ(Pixel(back, 14, 14), kBlack);
    // Doubled: the red quarter covers 4 x 4 pixels.
    const RECT big = {20, 20, 28, 28};
    ASSERT_EQ(device->StretchRect(source, nullptr, back, &big, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(Pixel(back, 23, 23), kRed);
    EXPECT_EQ(Pixel(back, 24, 23), kBlue);
    EXPECT_EQ(Pixel(back, 27, 27), kBlue);
    EXPECT_EQ(Pixel(back, 28, 28), kBlack);
    // Rectangles outside a surface and copies to a non-target are refused.
    const RECT outside = {60, 40, 70, 50};
    EXPECT_EQ(device->StretchRect(source, nullptr, back, &outside, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->StretchRect(back, nullptr, source, nullptr, D3DTEXF_NONE), D3D_OK);
    IDirect3DSurface9* plain = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &plain, nullptr),
              D3D_OK);
    EXPECT_EQ(device->StretchRect(source, nullptr, plain, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    plain->Release();
    back->Release();
    source->Release();
}

TEST_F(DeviceTest, UpdateSurfaceAndGetRenderTargetDataMoveExactBytes)
{
    IDirect3DSurface9* system = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &system, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(system->LockRect(&locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                D3DCOLOR_XRGB(x * 60, y * 60, 7);
    system->UnlockRect();

    IDirect3DSurface9* back = BackBuffer();
    const RECT part = {1, 1, 3, 3};
    const POINT at = {50, 40};
    ASSERT_EQ(device->UpdateSurface(system, &part, back, &at), D3D_OK);
    EXPECT_EQ(Pixel(back, 50, 40), D3DCOLOR_XRGB(60, 60, 7));
    EXPECT_EQ(Pixel(back, 51, 41), D3DCOLOR_XRGB(120, 120, 7));
    const POINT tooFar = {63, 47};
    EXPECT_EQ(device->UpdateSurface(system, &part, back, &tooFar), D3DERR_INVALIDCALL);
    // Points whose far corner lies beyond the LONG range, or before the surface.
    const POINT hostile[] = {{0x7fffffff, 0}, {0, 0x7fffffff}, {0x7ffffffe, 0x7ffffffe}, {-1, 0}, {0, -2}};
    for (const POINT& point : hostile)
        EXPECT_EQ(device->UpdateSurface(system, &part, back, &point), D3DERR_INVALIDCALL)
            << point.x << "," << point.y;
    // The wrong direction (default pool to system memory) is refused.
    EXPECT_EQ(device->UpdateSurface(back, nullptr, system, nullptr), D3DERR_INVALIDCALL);

    IDirect3DSurface9* readBack = nullptr;
    ASSERT_EQ(
        device->CreateOffscreenPlainSurface(64, 48, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &readBack, nullptr),
        D3D_OK);
    ASSERT_EQ(device->GetRenderTargetData(back, readBack), D3D_OK);
    ASSERT_EQ(readBack->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const DWORD copied = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + 41 * locked.Pitch)[51];
    EXPECT_EQ(copied & 0xffffff, D3DCOLOR_XRGB(120, 120, 7) & 0xffffff);
    readBack->UnlockRect();
    // Size must match.
    EXPECT_EQ(device->GetRenderTargetData(back, system), D3DERR_INVALIDCALL);
    readBack->Release();
    back->Release();
    system->Release();
}
