// Pre-transformed 2D triangles reach the render target: what the text and
// rectangle drawing of the 2D layer relies on to be read back.
#include "d3d9_fixture.h"

#include <limits>

using namespace d3d9test;

namespace
{
const D3DCOLOR kBlack = D3DCOLOR_XRGB(0, 0, 0);

bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 1)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}
} // namespace

class RasterTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->SetFVF(kFvf2D), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, FALSE), D3D_OK);
    }

    void Draw(const std::vector<Vertex2D>& vertices)
    {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(),
                                          sizeof(Vertex2D)),
                  D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    // Counts back-buffer pixels that are not black, and their bounding box.
    int Covered(RECT* box)
    {
        IDirect3DSurface9* back = BackBuffer();
        int count = 0;
        *box = {1000, 1000, -1, -1};
        for (UINT y = 0; y < 48; ++y)
            for (UINT x = 0; x < 64; ++x)
                if ((Pixel(back, x, y) & 0xffffff) != 0)
                {
                    ++count;
                    box->left = std::min<LONG>(box->left, x);
                    box->top = std::min<LONG>(box->top, y);
                    box->right = std::max<LONG>(box->right, x + 1);
                    box->bottom = std::max<LONG>(box->bottom, y + 1);
                }
        back->Release();
        return count;
    }
};

TEST_F(RasterTest, ColouredQuadCoversExactlyItsPixels)
{
    // No texture: the stage reads white, so the diffuse colour is drawn.
    Draw(Quad(8, 4, 20, 14, D3DCOLOR_XRGB(10, 200, 30)));
    RECT box;
    EXPECT_EQ(Covered(&box), 12 * 10); // the shared diagonal is drawn once, the right and bottom edges not
    EXPECT_EQ(box.left, 8);
    EXPECT_EQ(box.top, 4);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 14);
    EXPECT_EQ(BackPixel(8, 4), D3DCOLOR_XRGB(10, 200, 30));
    EXPECT_EQ(BackPixel(19, 13), D3DCOLOR_XRGB(10, 200, 30));
}

TEST_F(RasterTest, HalfTransparentQuadBlendsOverTheTarget)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 200), 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    // Alpha from the diffuse colour.
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    Draw(Quad(0, 0, 16, 16, D3DCOLOR_ARGB(128, 200, 0, 0)));
    // 200 * 128/255 = 100.4 red; 200 * 127/255 = 99.6 blue.
    EXPECT_TRUE(Near(BackPixel(5, 5), D3DCOLOR_XRGB(100, 0, 100))) << std::hex << BackPixel(5, 5);
    // Each pixel is blended once, also along the diagonal the two triangles share.
    EXPECT_TRUE(Near(BackPixel(7, 7), D3DCOLOR_XRGB(100, 0, 100))) << std::hex << BackPixel(7, 7);
    EXPECT_EQ(BackPixel(16, 5), D3DCOLOR_XRGB(0, 0, 200));
}

TEST_F(RasterTest, AlphaTestDropsPixelsBelowTheReference)
{
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 6);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    Draw(Quad(0, 0, 8, 8, D3DCOLOR_ARGB(5, 255, 255, 255)));
    Draw(Quad(10, 0, 18, 8, D3DCOLOR_ARGB(6, 255, 255, 255)));
    EXPECT_EQ(BackPixel(3, 3), kBlack);
    EXPECT_EQ(BackPixel(13, 3), D3DCOLOR_XRGB(255, 255, 255));
}

TEST_F(RasterTest, TexturedQuadSamplesTexelsAndModulates)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    DWORD* row0 = static_cast<DWORD*>(locked.pBits);
    DWORD* row1 = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + locked.Pitch);
    row0[0] = D3DCOLOR_ARGB(255, 255, 0, 0);
    row0[1] = D3DCOLOR_ARGB(255, 0, 255, 0);
    row1[0] = D3DCOLOR_ARGB(255, 0, 0, 255);
    row1[1] = D3DCOLOR_ARGB(255, 255, 255, 255);
    texture->UnlockRect(0);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    // Default stage 0: texture x diffuse; a half-grey diffuse halves the texels.
    Draw(Quad(0, 0, 20, 20, D3DCOLOR_XRGB(128, 128, 128)));
    EXPECT_TRUE(Near(BackPixel(2, 2), D3DCOLOR_XRGB(128, 0, 0)));
    EXPECT_TRUE(Near(BackPixel(17, 2), D3DCOLOR_XRGB(0, 128, 0)));
    EXPECT_TRUE(Near(BackPixel(2, 17), D3DCOLOR_XRGB(0, 0, 128)));
    EXPECT_TRUE(Near(BackPixel(17, 17), D3DCOLOR_XRGB(128, 128, 128)));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(RasterTest, CounterClockwiseTrianglesAreCulledByDefault)
{
    std::vector<Vertex2D> quad = Quad(0, 0, 10, 10, D3DCOLOR_XRGB(255, 255, 0));
    for (size_t i = 0; i < quad.size(); i += 3)
        std::swap(quad[i + 1], quad[i + 2]);
    Draw(quad);
    RECT box;
    EXPECT_EQ(Covered(&box), 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    Draw(quad);
    EXPECT_EQ(Covered(&box), 100);
}

TEST_F(RasterTest, DrawingStopsAtTheViewport)
{
    const D3DVIEWPORT9 viewport = {0, 0, 10, 10, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    Draw(Quad(-50, -50, 500, 500, D3DCOLOR_XRGB(1, 2, 3)));
    RECT box;
    EXPECT_EQ(Covered(&box), 100);
    EXPECT_EQ(box.right, 10);
    EXPECT_EQ(box.bottom, 10);
}

TEST_F(RasterTest, StripFromVertexBufferDrawsIntoARenderTargetTexture)
{
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                    nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    const D3DCOLOR c = D3DCOLOR_ARGB(255, 9, 9, 9);
    const Vertex2D strip[] = {
        {0, 0, 0, 1, c, 0, 0}, {4, 0, 0, 1, c, 0, 0}, {0, 4, 0, 1, c, 0, 0}, {4, 4, 0, 1, c, 0, 0}};
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(
        device->CreateVertexBuffer(sizeof strip, D3DUSAGE_WRITEONLY, kFvf2D, D3DPOOL_MANAGED, &vb, nullptr),
        D3D_OK);
    void* data;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, strip, sizeof strip);
    vb->Unlock();
    ASSERT_EQ(device->SetStreamSource(0, vb, 0, sizeof(Vertex2D)), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(Pixel(surface, 0, 0), c);
    EXPECT_EQ(Pixel(surface, 3, 3), c);
    EXPECT_EQ(Pixel(surface, 4, 4), 0u);
    IDirect3DSurface9* back = BackBuffer();
    device->SetRenderTarget(0, back);
    back->Release();
    device->SetStreamSource(0, nullptr, 0, 0);
    vb->Release();
    surface->Release();
    target->Release();
}

TEST_F(RasterTest, HostileCountsAndCoordinatesStayInsideTheirData)
{
    const D3DCOLOR c = D3DCOLOR_XRGB(40, 50, 60);
    const Vertex2D triangle[] = {{0, 0, 0, 1, c, 0, 0}, {8, 0, 0, 1, c, 0, 0}, {0, 8, 0, 1, c, 0, 0}};
    const WORD indices[] = {0, 1, 2};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // 0x55555556 triangles need 2^32 + 2 indices: the count must not wrap to 2
    // and send the rasteriser past the three indices given.
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 0x55555556u, indices, D3DFMT_INDEX16,
                                             triangle, sizeof(Vertex2D)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 0xFFFFFFFFu, triangle, sizeof(Vertex2D)),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    RECT box;
    EXPECT_EQ(Covered(&box), 0);

    // Coordinates that are not numbers read the first texel.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0, size_t(locked.Pitch) * 2);
    static_cast<DWORD*>(locked.pBits)[0] = D3DCOLOR_XRGB(200, 100, 50);
    texture->UnlockRect(0);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const D3DCOLOR white = D3DCOLOR_XRGB(255, 255, 255);
    const std::vector<Vertex2D> odd = {
        {0, 0, 0, 1, white, nan, nan}, {8, 0, 0, 1, white, nan, nan}, {0, 8, 0, 1, white, nan, nan}};
    Draw(odd);
    EXPECT_EQ(BackPixel(1, 1), D3DCOLOR_XRGB(200, 100, 50));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(RasterTest, OneFloatTextureCoordinatesReadOnlyTheirOwnBytes)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[0] = D3DCOLOR_XRGB(255, 0, 0);
    static_cast<DWORD*>(locked.pBits)[1] = D3DCOLOR_XRGB(0, 255, 0);
    texture->UnlockRect(0);
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    ASSERT_EQ(device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(0)), D3D_OK);
    // Exactly three 20-byte vertices on the heap: the last one's coordinate
    // ends the data, so reading a second float would run past it.
    std::vector<float> data = {0, 0, 0, 1, 0.75f, 8, 0, 0, 1, 0.75f, 0, 8, 0, 1, 0.75f};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, data.data(), 5 * sizeof(float)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(BackPixel(1, 1), D3DCOLOR_XRGB(0, 255, 0));
    device->SetTexture(0, nullptr);
    texture->Release();
}

// A clear of a whole surface may wait until the surface is next used; every
// use must still find it, whatever targets and states came in between.
TEST_F(RasterTest, WholeClearsReachEachSurfaceBeforeItsNextUse)
{
    IDirect3DTexture9* textures[2] = {};
    IDirect3DSurface9* surfaces[2] = {};
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        &textures[i], nullptr),
                  D3D_OK);
        ASSERT_EQ(textures[i]->GetSurfaceLevel(0, &surfaces[i]), D3D_OK);
    }
    const D3DCOLOR red = D3DCOLOR_ARGB(255, 255, 0, 0), green = D3DCOLOR_ARGB(255, 0, 255, 0),
                   blue = D3DCOLOR_ARGB(255, 0, 0, 255);
    ASSERT_EQ(device->SetRenderTarget(0, surfaces[0]), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, red, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, surfaces[1]), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, blue, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, green, 1.0f, 0), D3D_OK);
    // The first target, cleared and never drawn into, is sampled while the
    // second is drawn into through a smaller viewport.
    const D3DVIEWPORT9 viewport = {0, 0, 4, 4, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, textures[0]), D3D_OK);
    Draw(Quad(0, 0, 8, 8, D3DCOLOR_XRGB(255, 255, 255)));
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(Pixel(surfaces[1], 0, 0), red);
    EXPECT_EQ(Pixel(surfaces[1], 3, 3), red);
    EXPECT_EQ(Pixel(surfaces[1], 4, 4), green); // outside the viewport: the last clear
    EXPECT_EQ(Pixel(surfaces[1], 7, 0), green);
    EXPECT_EQ(Pixel(surfaces[0], 7, 7), red);
    // A clear through a viewport that leaves part out keeps what was there.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, blue, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(surfaces[1], 3, 3), blue);
    EXPECT_EQ(Pixel(surfaces[1], 4, 4), green);
    IDirect3DSurface9* back = BackBuffer();
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    back->Release();
    // A copy out of a target whose clear is still waiting copies the clear.
    ASSERT_EQ(device->SetRenderTarget(0, surfaces[0]), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, blue, 1.0f, 0), D3D_OK);
    back = BackBuffer();
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    const RECT to = {10, 10, 18, 18};
    ASSERT_EQ(device->StretchRect(surfaces[0], nullptr, back, &to, D3DTEXF_NONE), D3D_OK);
    back->Release();
    EXPECT_EQ(BackPixel(10, 10) & 0xffffff, blue & 0xffffff);
    EXPECT_EQ(BackPixel(9, 9), kBlack);
    for (int i = 0; i < 2; ++i)
    {
        surfaces[i]->Release();
        textures[i]->Release();
    }
}

TEST_F(RasterTest, AWaitingDepthClearKeepsTheStencilAndDecidesTheNextDraw)
{
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 0x3c), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.25f, 0x11), D3D_OK);
    TkSurfacePixels pixels;
    ASSERT_TRUE(TkD3D9ReadSurface(depth, &pixels));
    DWORD value;
    std::memcpy(&value, pixels.bits, 4);
    EXPECT_EQ(value & 0xff, 0x3cu);
    EXPECT_NEAR((value >> 8) / 16777215.0, 0.25, 1e-6);
    // Cleared to the near plane together with the colour, the depth hides a
    // quad drawn right after; cleared to the far plane it shows it.
    ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, TRUE), D3D_OK);
    RECT box;
    for (const float z : {0.0f, 1.0f})
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, z, 0), D3D_OK);
        std::vector<Vertex2D> quad = Quad(0, 0, 10, 10, D3DCOLOR_XRGB(200, 0, 0));
        for (Vertex2D& v : quad)
            v.z = 0.5f;
        Draw(quad);
        EXPECT_EQ(Covered(&box), z == 0.0f ? 0 : 100) << "depth cleared to " << z;
    }
    depth->Release();
}
