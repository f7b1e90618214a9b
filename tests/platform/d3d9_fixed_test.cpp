// Drawing without shaders on the GPU: transforms, depth and stencil, the
// texture-stage operations, fog, compressed textures, copies between the GPU
// and memory, and the gamma ramp of the presented frame.
#include "d3d9_fixture.h"

#include "platform/d3dx/SurfaceSave.h"
#include "platform/d3dx/D3DXMath.h"
#include "support/Bitmap.h"
#include "support/TempDir.h"

#include <epoxy/gl.h>

using namespace d3d9test;

namespace
{
struct ColorVertex
{
    float x, y, z;
    DWORD color;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 2)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}

// A square of side 2 * half around (x, y) at depth z, wound clockwise.
std::vector<ColorVertex> Square(float x, float y, float z, float half, DWORD color)
{
    return {{x - half, y + half, z, color}, {x + half, y + half, z, color}, {x + half, y - half, z, color},
            {x - half, y + half, z, color}, {x + half, y - half, z, color}, {x - half, y - half, z, color}};
}
} // namespace

class FixedTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_EQ(
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0),
            D3D_OK);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    // Orthographic: x from -32 to 32, y from -24 to 24 (up), z from 0 to 10.
    void Orthographic()
    {
        D3DXMATRIX projection;
        D3DXMatrixOrthoLH(&projection, 64, 48, 0, 10);
        device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    void DrawColored(const std::vector<ColorVertex>& v)
    {
        device->SetFVF(kColorFvf);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(ColorVertex)),
            D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    void Draw2D(const std::vector<Vertex2D>& v)
    {
        device->SetFVF(kFvf2D);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(Vertex2D)),
                  D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
};

TEST_F(FixedTest, WorldViewAndProjectionPlaceUntransformedVertices)
{
    Orthographic();
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, -16, 12, 5);
    device->SetTransform(D3DTS_WORLD, &world);
    DrawColored(Square(0, 0, 0, 4, D3DCOLOR_XRGB(255, 0, 0)));
    // x -16 is pixel 16, y 12 (up) is pixel 12 from the top.
    EXPECT_EQ(BackPixel(16, 12), D3DCOLOR_XRGB(255, 0, 0));
    EXPECT_EQ(BackPixel(48, 36), D3DCOLOR_XRGB(0, 0, 0));
    // The view moves the camera: the square appears to the other side.
    D3DXMATRIX identity, view;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    D3DXMatrixTranslation(&view, 16, -12, 5);
    device->SetTransform(D3DTS_VIEW, &view);
    DrawColored(Square(0, 0, 0, 4, D3DCOLOR_XRGB(0, 255, 0)));
    EXPECT_EQ(BackPixel(48, 36), D3DCOLOR_XRGB(0, 255, 0));
}

TEST_F(FixedTest, TheNearerSurfaceWinsWhicheverIsDrawnFirst)
{
    Orthographic();
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    DrawColored(Square(0, 0, 3, 10, D3DCOLOR_XRGB(0, 0, 255)));   // near, drawn first
    DrawColored(Square(4, 0, 6, 10, D3DCOLOR_XRGB(255, 255, 0))); // far, overlapping on the right
    EXPECT_EQ(BackPixel(34, 24), D3DCOLOR_XRGB(0, 0, 255));
    EXPECT_EQ(BackPixel(44, 24), D3DCOLOR_XRGB(255, 255, 0));
    // With the test off, the last drawn covers.
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    DrawColored(Square(4, 0, 6, 10, D3DCOLOR_XRGB(255, 255, 0)));
    EXPECT_EQ(BackPixel(34, 24), D3DCOLOR_XRGB(255, 255, 0));
}

TEST_F(FixedTest, StencilMarksWhereTheLaterDrawMayGo)
{
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    Draw2D(Quad(0, 0, 32, 48, D3DCOLOR_XRGB(255, 255, 255)));
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xf);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    Draw2D(Quad(0, 0, 64, 48, D3DCOLOR_XRGB(0, 200, 0)));
    EXPECT_EQ(BackPixel(10, 10), D3DCOLOR_XRGB(0, 200, 0));
    EXPECT_EQ(BackPixel(50, 10), D3DCOLOR_XRGB(0, 0, 0));
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
}

// Each operation of a texture stage on the diffuse colour and the texture factor.
struct StageCase
{
    const char* name;
    DWORD op, arg1, arg2;
    D3DCOLOR expected;
};

class StageOperationTest : public FixedTest, public ::testing::WithParamInterface<StageCase>
{
};

TEST_P(StageOperationTest, CombinesDiffuseAndFactor)
{
    const StageCase& c = GetParam();
    device->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_ARGB(64, 100, 50, 200));
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    Draw2D(Quad(0, 0, 64, 48, D3DCOLOR_ARGB(128, 200, 100, 40)));
    EXPECT_TRUE(Near(BackPixel(20, 20), c.expected)) << c.name << " " << std::hex << BackPixel(20, 20);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, StageOperationTest,
    ::testing::Values(
        StageCase{"modulate", D3DTOP_MODULATE, D3DTA_DIFFUSE, D3DTA_TFACTOR, D3DCOLOR_XRGB(78, 20, 31)},
        StageCase{"modulate2x", D3DTOP_MODULATE2X, D3DTA_DIFFUSE, D3DTA_TFACTOR, D3DCOLOR_XRGB(157, 39, 63)},
        StageCase{"add", D3DTOP_ADD, D3DTA_DIFFUSE, D3DTA_TFACTOR, D3DCOLOR_XRGB(255, 150, 240)},
        StageCase{"subtract", D3DTOP_SUBTRACT, D3DTA_DIFFUSE, D3DTA_TFACTOR, D3DCOLOR_XRGB(100, 50, 0)},
        StageCase{"select factor", D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_TFACTOR,
                  D3DCOLOR_XRGB(100, 50, 200)},
        StageCase{"complement", D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_TFACTOR,
                  D3DCOLOR_XRGB(55, 155, 215)},
        StageCase{"alpha replicate", D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE,
                  D3DCOLOR_XRGB(64, 64, 64)},
        StageCase{"blend by diffuse alpha", D3DTOP_BLENDDIFFUSEALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR,
                  D3DCOLOR_XRGB(150, 75, 120)}),
    [](const ::testing::TestParamInfo<StageCase>& info)
    {
        std::string name = info.param.name;
        for (char& ch : name)
            if (ch == ' ')
                ch = '_';
        return name;
    });

TEST_F(FixedTest, LinearFogFadesTowardsItsColourWithDistance)
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 64.0f / 48.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, D3DCOLOR_XRGB(0, 0, 255));
    const float start = 10.0f, end = 30.0f;
    DWORD bits;
    std::memcpy(&bits, &start, 4);
    device->SetRenderState(D3DRS_FOGSTART, bits);
    std::memcpy(&bits, &end, 4);
    device->SetRenderState(D3DRS_FOGEND, bits);
    // Halfway into the fog, a square far to the left; past its end, one to the right.
    DrawColored(Square(-20, 0, 20, 10, D3DCOLOR_XRGB(255, 0, 0)));
    DrawColored(Square(60, 0, 40, 20, D3DCOLOR_XRGB(255, 0, 0)));
    EXPECT_TRUE(Near(BackPixel(12, 24), D3DCOLOR_XRGB(128, 0, 128))) << std::hex << BackPixel(12, 24);
    EXPECT_EQ(BackPixel(60, 24), D3DCOLOR_XRGB(0, 0, 255));
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
}

TEST_F(FixedTest, CompressedTexturesSampleTheirDecodedTexels)
{
    // The software rasteriser this runs on can sample DXT blocks itself; the
    // device may also decode them at upload. Both give the same texels.
    EXPECT_TRUE(epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc"));
    for (const bool compressed : {true, false})
    {
        SCOPED_TRACE(compressed ? "compressed on the GPU" : "decoded at upload");
        TkD3D9SetCompressedUpload(compressed);
        // One DXT1 block: red and blue end points, rows of indices 0, 1, 2, 3.
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const BYTE block[8] = {0x00, 0xf8, 0x1f, 0x00, 0x00, 0x55, 0xaa, 0xff};
        std::memcpy(locked.pBits, block, sizeof block);
        texture->UnlockRect(0);
        device->SetTexture(0, texture);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        // Each texel drawn as a 4 x 4 square of pixels.
        Draw2D(Quad(0, 0, 16, 16, D3DCOLOR_XRGB(255, 255, 255)));
        EXPECT_EQ(BackPixel(1, 1), D3DCOLOR_XRGB(255, 0, 0));
        EXPECT_EQ(BackPixel(1, 5), D3DCOLOR_XRGB(0, 0, 255));
        EXPECT_TRUE(Near(BackPixel(1, 9), D3DCOLOR_XRGB(170, 0, 85))) << std::hex << BackPixel(1, 9);
        EXPECT_TRUE(Near(BackPixel(1, 13), D3DCOLOR_XRGB(85, 0, 170))) << std::hex << BackPixel(1, 13);
        // The blocks stay as they were written; written again, the GPU sees the new ones.
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(std::memcmp(locked.pBits, block, sizeof block), 0);
        texture->UnlockRect(0);
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const BYTE swapped[8] = {0x1f, 0x00, 0x00, 0xf8, 0x00, 0x55, 0xaa, 0xff};
        std::memcpy(locked.pBits, swapped, sizeof swapped);
        texture->UnlockRect(0);
        Draw2D(Quad(0, 0, 16, 16, D3DCOLOR_XRGB(255, 255, 255)));
        EXPECT_EQ(BackPixel(1, 1), D3DCOLOR_XRGB(0, 0, 255));
        EXPECT_EQ(BackPixel(1, 5), D3DCOLOR_XRGB(255, 0, 0));
        device->SetTexture(0, nullptr);
        texture->Release();
    }
    TkD3D9ResetHeadless();
}

TEST_F(FixedTest, WhatTheGpuDrewReachesMemoryAndWhatMemoryHoldsReachesTheGpu)
{
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(
        device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
        D3D_OK);
    IDirect3DSurface9* copy = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    Draw2D(Quad(0, 0, 8, 16, D3DCOLOR_ARGB(255, 1, 2, 3)));
    ASSERT_EQ(device->GetRenderTargetData(target, copy), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    DWORD left, right;
    std::memcpy(&left, static_cast<BYTE*>(locked.pBits) + 5 * locked.Pitch + 2 * 4, 4);
    std::memcpy(&right, static_cast<BYTE*>(locked.pBits) + 5 * locked.Pitch + 12 * 4, 4);
    copy->UnlockRect();
    EXPECT_EQ(left, D3DCOLOR_ARGB(255, 1, 2, 3));
    EXPECT_EQ(right, 0u);

    // Written in memory, sent to a texture, then drawn from it.
    ASSERT_EQ(copy->LockRect(&locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
        {
            const DWORD c = D3DCOLOR_XRGB(x * 16, y * 16, 77);
            std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
        }
    copy->UnlockRect();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device->UpdateSurface(copy, nullptr, level, nullptr), D3D_OK);
    level->Release();
    IDirect3DSurface9* back = BackBuffer();
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    back->Release();
    device->SetTexture(0, texture);
    Draw2D(Quad(0, 0, 16, 16, D3DCOLOR_XRGB(255, 255, 255)));
    EXPECT_EQ(BackPixel(3, 9), D3DCOLOR_XRGB(48, 144, 77));
    device->SetTexture(0, nullptr);
    texture->Release();
    copy->Release();
    target->Release();
}

TEST_F(FixedTest, TheGammaRampReachesThePresentedFrameButNotTheBackBuffer)
{
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    Draw2D(Quad(0, 0, 64, 48, D3DCOLOR_XRGB(10, 100, 250)));
    D3DGAMMARAMP inverse;
    for (int i = 0; i < 256; ++i)
        inverse.red[i] = inverse.green[i] = inverse.blue[i] = WORD((255 - i) * 257);
    device->SetGammaRamp(0, 0, &inverse);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    TkSurfacePixels shown;
    ASSERT_TRUE(TkD3D9GetLastPresented(device, &shown));
    ASSERT_EQ(shown.width, 64u);
    DWORD pixel;
    std::memcpy(&pixel, shown.bits + 20 * shown.pitch + 30 * 4, 4);
    EXPECT_EQ(pixel & 0xffffff, DWORD(D3DCOLOR_XRGB(245, 155, 5)) & 0xffffff);
    EXPECT_EQ(BackPixel(30, 20), D3DCOLOR_XRGB(10, 100, 250));
    // A screenshot of the back buffer saves what the player saw.
    TempDir dir;
    const std::string file = (dir.path() / "shot.bmp").string();
    IDirect3DSurface9* back = BackBuffer();
    ASSERT_EQ(D3DXSaveSurfaceToFileA(file.c_str(), D3DXIFF_BMP, back, nullptr, nullptr), D3D_OK);
    back->Release();
    Bitmap shot;
    ASSERT_TRUE(shot.Parse(dir.Read("shot.bmp")));
    EXPECT_EQ(shot.Pixel(30, 20) & 0xffffff, DWORD(D3DCOLOR_XRGB(245, 155, 5)) & 0xffffff);

    // An identity ramp shows the frame as drawn.
    D3DGAMMARAMP identity;
    for (int i = 0; i < 256; ++i)
        identity.red[i] = identity.green[i] = identity.blue[i] = WORD(i * 257);
    device->SetGammaRamp(0, 0, &identity);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(TkD3D9GetLastPresented(device, &shown));
    std::memcpy(&pixel, shown.bits + 20 * shown.pitch + 30 * 4, 4);
    EXPECT_EQ(pixel & 0xffffff, DWORD(D3DCOLOR_XRGB(10, 100, 250)) & 0xffffff);
}
