// D3DXSaveSurfaceToFileA: BMP files written field by field from surfaces of
// the colour formats, whole or in part; other requests refused.
#include "d3d9_fixture.h"

#include "platform/d3dx/SurfaceSave.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>

using namespace d3d9test;

namespace
{
uint32_t Le32(const std::string& b, size_t at)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint16_t Le16(const std::string& b, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1])
                                                                         << 8);
}

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
    const std::string b = temp->Read("shot.bmp");
    const uint32_t row = 16; // 15 bytes of pixels and one of padding
    ASSERT_EQ(b.size(), 54u + row * 3);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le32(b, 6), 0u);
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 5u);
    EXPECT_EQ(Le32(b, 22), 3u);
    EXPECT_EQ(Le16(b, 26), 1);
    EXPECT_EQ(Le16(b, 28), 24);
    EXPECT_EQ(Le32(b, 30), 0u);
    EXPECT_EQ(Le32(b, 34), row * 3);
    // Pixel (x, y) sits in stored row height - 1 - y, as blue, green, red.
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 5; ++x)
        {
            const size_t at = 54 + (2 - y) * row + x * 3;
            EXPECT_EQ(static_cast<unsigned char>(b[at]), 7);
            EXPECT_EQ(static_cast<unsigned char>(b[at + 1]), y * 50);
            EXPECT_EQ(static_cast<unsigned char>(b[at + 2]), x * 40);
        }
    EXPECT_EQ(b[54 + 15], '\0');
}

TEST_F(SurfaceSave, A8R8G8B8KeepsItsAlphaIn32Bits)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_A8R8G8B8, 2, 2);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("alpha.bmp", D3DXIFF_BMP, s, nullptr, nullptr), D3D_OK);
    s->Release();
    const std::string b = temp->Read("alpha.bmp");
    ASSERT_EQ(b.size(), 54u + 8 * 2);
    EXPECT_EQ(Le16(b, 28), 32);
    // Top-right pixel (1, 0) is in the last stored row.
    EXPECT_EQ(b.substr(54 + 8 + 4, 4), std::string("\x07\x00\x28\xc8", 4));
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
    const std::string b = temp->Read("part.bmp");
    EXPECT_EQ(Le32(b, 18), 2u);
    EXPECT_EQ(Le32(b, 22), 3u);
    // The rectangle's top-left is surface pixel (2, 1), in the last stored row.
    const size_t at = 54 + 2 * 8;
    EXPECT_EQ(static_cast<unsigned char>(b[at + 1]), 50);
    EXPECT_EQ(static_cast<unsigned char>(b[at + 2]), 80);
}

TEST_F(SurfaceSave, R5G6B5IsWidenedTo24Bits)
{
    IDirect3DSurface9* s = Gradient(D3DFMT_R5G6B5, 2, 1);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("565.bmp", D3DXIFF_BMP, s, nullptr, nullptr), D3D_OK);
    s->Release();
    const std::string b = temp->Read("565.bmp");
    EXPECT_EQ(Le16(b, 28), 24);
    EXPECT_EQ(static_cast<unsigned char>(b[54]), 255); // full blue
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 2]), 0);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 3 + 2]), 8); // red 1 of 31
}

TEST_F(SurfaceSave, TheBackBufferIsSavedWithoutBeingLockable)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0);
    IDirect3DSurface9* back = BackBuffer();
    D3DLOCKED_RECT locked;
    EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("back.bmp", D3DXIFF_BMP, back, nullptr, nullptr), D3D_OK);
    back->Release();
    const std::string b = temp->Read("back.bmp");
    EXPECT_EQ(Le32(b, 18), params.BackBufferWidth);
    EXPECT_EQ(b.substr(54, 3), std::string("\x03\x02\x01", 3));
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
