// D3DXSaveSurfaceToFileA: BMP files written field by field from surfaces of
// the colour formats, whole or in part; other requests refused.
#include "d3d9_fixture.h"

#include "platform/d3dx/SurfaceSave.h"
#include "support/Bitmap.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>

using namespace d3d9test;

namespace
{
class SurfaceSave : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        temp = std::make_unique<TempDir>();
    }
    void TearDown() override
    {
        temp.reset();
        DeviceTest::TearDown();
    }

    // A system-memory surface whose pixel (x, y) is (x * 40, y * 50, 7) with alpha 200.
    IDirect3DSurface9* Gradient(D3DFORMAT format, UINT width, UINT height)
    {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(device->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM, &s, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(s->LockRect(&locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
            {
                BYTE* p = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
                if (format == D3DFMT_R5G6B5)
                {
                    const uint16_t v = static_cast<uint16_t>((x & 31) << 11 | (y & 63) << 5 | 31);
                    p[2 * x] = static_cast<BYTE>(v);
                    p[2 * x + 1] = static_cast<BYTE>(v >> 8);
                }
                else
                {
                    p[4 * x + 0] = 7;
                    p[4 * x + 1] = static_cast<BYTE>(y * 50);
                    p[4 * x + 2] = static_cast<BYTE>(x * 40);
                    p[4 * x + 3] = 200;
                }
            }
        s->UnlockRect();
        return s;
    }

    std::unique_ptr<TempDir> temp;
};
} // namespace

TEST_F(SurfaceSave, X8R8G8B8BecomesA24BitBottomUpBitmapWithPaddedRows)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_X8R8G8B8, 5, 3);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("shot.bmp", D3DXIFF_BMP, s, nullptr, nullptr), D3D_OK);
    s->Release();
    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("shot.bmp")));
    const uint32_t row = 16; // 15 bytes of pixels and one of padding
    ASSERT_EQ(bmp.bytes.size(), 54u + row * 3);
    EXPECT_EQ(bmp.Stride(), row);
    EXPECT_EQ(bmp.fileSize, bmp.bytes.size());
    EXPECT_EQ(bmp.reserved, 0u);
    EXPECT_EQ(bmp.offset, 54u);
    EXPECT_EQ(bmp.infoSize, 40u);
    EXPECT_EQ(bmp.width, 5);
    EXPECT_EQ(bmp.height, 3);
    EXPECT_EQ(bmp.planes, 1);
    EXPECT_EQ(bmp.bpp, 24);
    EXPECT_EQ(bmp.compression, 0u);
    EXPECT_EQ(bmp.imageSize, row * 3);
    // Pixel (x, y) sits in stored row height - 1 - y, as blue, green, red.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(bmp.Pixel(x, y), uint32_t(x * 40) << 16 | uint32_t(y * 50) << 8 | 7u)
                << "pixel " << x << "," << y;
    EXPECT_EQ(bmp.bytes[54 + 15], '\0');
}

TEST_F(SurfaceSave, A8R8G8B8KeepsItsAlphaIn32Bits)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_A8R8G8B8, 2, 2);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("alpha.bmp", D3DXIFF_BMP, s, nullptr, nullptr), D3D_OK);
    s->Release();
    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("alpha.bmp")));
    ASSERT_EQ(bmp.bytes.size(), 54u + 8 * 2);
    EXPECT_EQ(bmp.bpp, 32);
    // Top-right pixel (1, 0) is in the last stored row: 07 00 28 c8.
    EXPECT_EQ(bmp.Pixel(1, 0), 0x280007u);
    EXPECT_EQ(bmp.Alpha(1, 0), 0xc8);
}

TEST_F(SurfaceSave, ARectangleSavesThatPartOnly)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_X8R8G8B8, 6, 4);
    const RECT r = {2, 1, 4, 4};
    ASSERT_EQ(D3DXSaveSurfaceToFileA("part.bmp", D3DXIFF_BMP, s, nullptr, &r), D3D_OK);
    const RECT outside = {2, 1, 7, 4};
    EXPECT_EQ(D3DXSaveSurfaceToFileA("bad.bmp", D3DXIFF_BMP, s, nullptr, &outside), D3DERR_INVALIDCALL);
    s->Release();
    EXPECT_FALSE(temp->Exists("bad.bmp"));
    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("part.bmp")));
    EXPECT_EQ(bmp.width, 2);
    EXPECT_EQ(bmp.height, 3);
    // The rectangle's top-left is surface pixel (2, 1): red 80, green 50.
    EXPECT_EQ(bmp.Pixel(0, 0), 0x503207u);
}

TEST_F(SurfaceSave, R5G6B5IsWidenedTo24Bits)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_R5G6B5, 2, 1);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("565.bmp", D3DXIFF_BMP, s, nullptr, nullptr), D3D_OK);
    s->Release();
    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("565.bmp")));
    EXPECT_EQ(bmp.bpp, 24);
    EXPECT_EQ(bmp.Pixel(0, 0), 0x0000FFu); // full blue
    EXPECT_EQ(bmp.Pixel(1, 0), 0x0800FFu); // red 1 of 31
}

TEST_F(SurfaceSave, TheBackBufferIsSavedWithoutBeingLockable)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0);
    IDirect3DSurface9* back = BackBuffer();
    D3DLOCKED_RECT locked;
    EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("back.bmp", D3DXIFF_BMP, back, nullptr, nullptr), D3D_OK);
    back->Release();
    Bitmap bmp;
    ASSERT_TRUE(bmp.Parse(temp->Read("back.bmp")));
    EXPECT_EQ(UINT(bmp.width), params.BackBufferWidth);
    EXPECT_EQ(bmp.Pixel(0, bmp.height - 1), 0x010203u);
}

TEST_F(SurfaceSave, OtherFormatsAndSurfacesAreRefused)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_X8R8G8B8, 2, 2);
    for (D3DXIMAGE_FILEFORMAT f : {D3DXIFF_JPG, D3DXIFF_PNG, D3DXIFF_DDS, D3DXIFF_TGA})
        EXPECT_EQ(D3DXSaveSurfaceToFileA("x.img", f, s, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_FALSE(temp->Exists("x.img"));
    EXPECT_EQ(D3DXSaveSurfaceToFileA(nullptr, D3DXIFF_BMP, s, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXSaveSurfaceToFileA("missing\\folder\\x.bmp", D3DXIFF_BMP, s, nullptr, nullptr),
              D3DERR_INVALIDCALL);
    s->Release();
    EXPECT_EQ(D3DXSaveSurfaceToFileA("x.bmp", D3DXIFF_BMP, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);

    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(
        device->CreateDepthStencilSurface(4, 4, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
        D3D_OK);
    EXPECT_EQ(D3DXSaveSurfaceToFileA("depth.bmp", D3DXIFF_BMP, depth, nullptr, nullptr), D3DERR_INVALIDCALL);
    depth->Release();
    EXPECT_FALSE(temp->Exists("depth.bmp"));
}
