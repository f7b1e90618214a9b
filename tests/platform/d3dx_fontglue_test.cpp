// ID3DXFont on the headless device: text reaches the render target exactly as
// the font core draws it into memory, inside the viewport, with the device's
// states left as they were; a font blocks Reset until OnLostDevice.

#include "platform/d3dx/Font.h"
#include "platform/d3dx/FontRaster.h"
#include "support/FontDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
constexpr UINT kWidth = 320;
constexpr UINT kHeight = 96;
constexpr int kFontHeight = 20;
const char* const kFace = "DejaVu Sans";

bool Contains(const std::vector<std::string>& list, const std::string& part)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& s) { return s.find(part) != std::string::npos; });
}

class FontGlueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(dev.device, nullptr);
        ASSERT_EQ(D3DXCreateFontA(dev.device, kFontHeight, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFace,
                                  &font),
                  D3D_OK);
        ASSERT_NE(font, nullptr);
    }

    void TearDown() override { SAFE_RELEASE(font); }

    // Draws inside a scene of its own; returns what DrawText returned.
    INT Draw(const char* text, RECT rect, DWORD format, D3DCOLOR color, INT count = -1)
    {
        EXPECT_EQ(dev.device->BeginScene(), D3D_OK);
        const INT result = font->DrawText(nullptr, text, count, &rect, format, color);
        EXPECT_EQ(dev.device->EndScene(), D3D_OK);
        return result;
    }

    // The same text drawn by the font core into memory over black.
    std::vector<uint32_t> Reference(const char* text, RECT rect, DWORD format, D3DCOLOR color)
    {
        TkFontDesc desc;
        desc.height = kFontHeight;
        desc.weight = FW_NORMAL;
        desc.faceName = kFace;
        auto raster = TkFontRaster::Create(desc);
        EXPECT_NE(raster, nullptr);
        std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0xFF000000u);
        if (raster)
            raster->DrawText(TkSurfaceView{pixels.data(), int(kWidth * 4), int(kWidth), int(kHeight)}, text,
                             -1, &rect, format, color);
        for (uint32_t& p : pixels)
            p &= 0x00FFFFFFu;
        return pixels;
    }

    FontDevice dev{kWidth, kHeight};
    ID3DXFont* font = nullptr;
};

// The device blends in floating point, the core in integers: a channel may
// differ by a step of rounding.
::testing::AssertionResult SamePicture(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (size_t i = 0; i < got.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
        {
            const int a = int((got[i] >> shift) & 0xFF), b = int((want[i] >> shift) & 0xFF);
            if (std::abs(a - b) > 2)
                return ::testing::AssertionFailure()
                       << "pixel " << i % kWidth << "," << i / kWidth << " is " << std::hex << got[i]
                       << ", the font core drew " << want[i];
        }
    return ::testing::AssertionSuccess();
}

bool AnyInk(const std::vector<uint32_t>& picture)
{
    return std::any_of(picture.begin(), picture.end(), [](uint32_t p) { return p != 0; });
}

TEST(FontGlueCreate, RefusesMissingDeviceOrOutPointerAndUnusableSizes)
{
    FontDevice dev(64, 32);
    ID3DXFont* font = reinterpret_cast<ID3DXFont*>(uintptr_t(1));
    EXPECT_EQ(D3DXCreateFontA(nullptr, 20, 0, 0, 1, FALSE, 0, 0, 0, 0, kFace, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontA(dev.device, 20, 0, 0, 1, FALSE, 0, 0, 0, 0, kFace, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(dev.device, kTkMaxFontHeight + 1, 0, 0, 1, FALSE, 0, 0, 0, 0, kFace, &font),
              E_FAIL);
    EXPECT_EQ(font, nullptr);
}

TEST(FontGlueCreate, AMissingFaceFallsBackToTheDefaultFaceAndStillDraws)
{
    FontDevice dev(200, 40);
    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontA(dev.device, 20, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma", &font),
              D3D_OK);
    D3DXFONT_DESCA desc;
    ASSERT_EQ(font->GetDesc(&desc), D3D_OK);
    EXPECT_STREQ(desc.FaceName, "Tahoma") << "the font reports the face it was asked for";
    dev.device->BeginScene();
    RECT rect{2, 2, 0, 0};
    EXPECT_EQ(font->DrawText(nullptr, "Tahoma", -1, &rect, DT_NOCLIP, 0xFFFFFFFF), 20);
    dev.device->EndScene();
    RECT box;
    EXPECT_TRUE(dev.Ink(&box));
    font->Release();
}

TEST_F(FontGlueTest, DescriptionMetricsAndDevice)
{
    D3DXFONT_DESCA desc;
    ASSERT_EQ(font->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Height, kFontHeight);
    EXPECT_EQ(desc.Weight, UINT(FW_NORMAL));
    EXPECT_EQ(desc.MipLevels, 1u);
    EXPECT_FALSE(desc.Italic);
    EXPECT_STREQ(desc.FaceName, kFace);

    TEXTMETRICA tm;
    ASSERT_TRUE(font->GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, kFontHeight) << "a positive height is the cell height";
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_GT(tm.tmAveCharWidth, 0);

    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(font->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, dev.device);
    owner->Release();

    EXPECT_EQ(font->PreloadCharacters(32, 300), D3D_OK);
    EXPECT_EQ(font->PreloadText("abc", -1), D3D_OK);
    EXPECT_EQ(font->PreloadCharacters(10, 5), D3DERR_INVALIDCALL);
}

TEST_F(FontGlueTest, TextReachesTheBackBufferInsideItsMeasuredBoxAndNowhereElse)
{
    RECT measured{10, 20, 10, 20};
    ASSERT_EQ(font->DrawText(nullptr, "Hello, world", -1, &measured, DT_CALCRECT | DT_SINGLELINE, 0xFFFFFFFF),
              kFontHeight);
    EXPECT_GT(measured.right, measured.left + 60);
    EXPECT_EQ(measured.bottom, 20 + kFontHeight);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box)) << "measuring draws nothing";

    EXPECT_EQ(Draw("Hello, world", RECT{10, 20, 10, 20}, DT_SINGLELINE | DT_NOCLIP, 0xFFFFFFFF), kFontHeight);
    ASSERT_TRUE(dev.Ink(&box));
    EXPECT_GE(box.left, measured.left);
    EXPECT_GE(box.top, measured.top);
    EXPECT_LE(box.right, measured.right);
    EXPECT_LE(box.bottom, measured.bottom);
    // Most of the box is covered: the text is really there, not a stray pixel.
    EXPECT_GT(box.right - box.left, (measured.right - measured.left) * 3 / 4);
    EXPECT_GT(box.bottom - box.top, kFontHeight / 2);
}

TEST_F(FontGlueTest, DrawnPixelsMatchTheFontCoreForEveryFormat)
{
    const struct
    {
        const char* text;
        RECT rect;
        DWORD format;
        D3DCOLOR color;
    } cases[] = {
        {"Left top", {4, 4, 200, 40}, DT_LEFT | DT_TOP, 0xFFFFFFFF},
        {"Centred", {0, 10, 320, 40}, DT_CENTER | DT_SINGLELINE, 0xFF80FF80},
        {"Right", {0, 10, 300, 40}, DT_RIGHT | DT_SINGLELINE, 0xFFFF0000},
        {"Middle", {0, 0, 320, 96}, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0xFFFFFFFF},
        {"Bottom", {0, 0, 320, 90}, DT_BOTTOM | DT_SINGLELINE, 0xFF00FFFF},
        {"Two\nlines", {8, 8, 200, 90}, DT_LEFT, 0xFFFFFFFF},
        {"Clipped to a small box", {20, 10, 80, 22}, DT_LEFT, 0xFFFFFFFF},
        {"Not clipped at all", {20, 10, 80, 22}, DT_LEFT | DT_NOCLIP, 0xFFFFFFFF},
        {"Off the left edge", {-40, 30, -40, 30}, DT_NOCLIP, 0xFFFFFFFF},
        {"Half seen", {10, 50, 10, 50}, DT_NOCLIP, 0x80FFFFFF},
        {"Za\xbf\xf3\xb3\xe6 g\xea\x9c\x6c\xb9 ja\x9f\xf1", {4, 60, 4, 60}, DT_NOCLIP, 0xFFFFFFFF},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        dev.Clear();
        const auto want = Reference(c.text, c.rect, c.format, c.color);
        ASSERT_TRUE(AnyInk(want));
        Draw(c.text, c.rect, c.format, c.color);
        EXPECT_TRUE(SamePicture(dev.Picture(), want));
    }
}

TEST_F(FontGlueTest, ClippingKeepsInkInsideTheRectangle)
{
    const RECT rect{30, 10, 90, 24};
    Draw("Clipped to a small box", rect, DT_LEFT, 0xFFFFFFFF);
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));
    EXPECT_GE(box.left, rect.left);
    EXPECT_GE(box.top, rect.top);
    EXPECT_LE(box.right, rect.right);
    EXPECT_LE(box.bottom, rect.bottom);
}

TEST_F(FontGlueTest, DrawingStaysInsideTheViewport)
{
    const D3DVIEWPORT9 viewport{100, 10, 60, 30, 0.0f, 1.0f};
    ASSERT_EQ(dev.device->SetViewport(&viewport), D3D_OK);
    Draw("A long line of text across the whole target", RECT{0, 0, 0, 0}, DT_NOCLIP, 0xFFFFFFFF);
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));
    EXPECT_GE(box.left, 100);
    EXPECT_GE(box.top, 10);
    EXPECT_LE(box.right, 160);
    EXPECT_LE(box.bottom, 40);
}

TEST_F(FontGlueTest, DrawsIntoTheCurrentRenderTarget)
{
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(dev.device->CreateTexture(128, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        &target, nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* back = nullptr;
    target->GetSurfaceLevel(0, &surface);
    dev.device->GetRenderTarget(0, &back);
    ASSERT_EQ(dev.device->SetRenderTarget(0, surface), D3D_OK);
    dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Draw("Target", RECT{2, 2, 2, 2}, DT_NOCLIP, 0xFFFFFFFF);
    int lit = 0;
    for (UINT y = 0; y < 32; ++y)
        for (UINT x = 0; x < 128; ++x)
        {
            D3DCOLOR c = 0;
            ASSERT_TRUE(TkD3D9ReadPixel(surface, x, y, &c));
            lit += (c & 0x00FFFFFF) != 0;
        }
    EXPECT_GT(lit, 20);
    dev.device->SetRenderTarget(0, back);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box)) << "the back buffer was not the target";
    back->Release();
    surface->Release();
    target->Release();
}

TEST_F(FontGlueTest, StatesAndBindingsAreAsBeforeAfterDrawing)
{
    IDirect3DDevice9* d = dev.device;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(d->CreateVertexBuffer(256, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    d->SetTexture(0, texture);
    d->SetStreamSource(0, vb, 16, 12);
    d->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);

    Draw("States", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF);
    RECT box;
    EXPECT_TRUE(dev.Ink(&box));

    // The draw itself ran with the font's texture and blending.
    const auto& log = TkD3D9GetDrawLog(d, TkFrame::Current);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].textures[0], texture);
    EXPECT_EQ(log[0].RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(log[0].RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(log[0].RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));

    DWORD v = 0;
    d->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    d->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, DWORD(D3DBLEND_ONE));
    d->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, DWORD(D3DCULL_CCW));
    d->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    d->GetRenderState(D3DRS_ALPHATESTENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    d->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG2));
    d->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    d->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_LINEAR));
    d->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    d->GetFVF(&v);
    EXPECT_EQ(v, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));

    IDirect3DBaseTexture9* bound = nullptr;
    d->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    SAFE_RELEASE(bound);
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 0, stride = 0;
    d->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, vb);
    EXPECT_EQ(offset, 16u);
    EXPECT_EQ(stride, 12u);
    SAFE_RELEASE(stream);

    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0, 0);
    texture->Release();
    vb->Release();
}

TEST_F(FontGlueTest, NothingIsDrawnOutsideAScene)
{
    RECT rect{4, 4, 4, 4};
    EXPECT_EQ(font->DrawText(nullptr, "No scene", -1, &rect, DT_NOCLIP, 0xFFFFFFFF), kFontHeight);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(FontGlueTest, EmptyNullAndTransparentTextsDrawNothing)
{
    EXPECT_EQ(Draw("", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF), 0);
    EXPECT_EQ(Draw("abc", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF, 0), 0);
    dev.device->BeginScene();
    RECT rect{4, 4, 4, 4};
    EXPECT_EQ(font->DrawText(nullptr, nullptr, -1, &rect, DT_NOCLIP, 0xFFFFFFFF), 0);
    dev.device->EndScene();
    EXPECT_EQ(Draw("Invisible", RECT{4, 4, 4, 4}, DT_NOCLIP, 0x00FFFFFF), kFontHeight);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(FontGlueTest, AFontBlocksResetUntilItsDeviceObjectsAreLetGo)
{
    EXPECT_TRUE(Contains(dev.LiveDefaultPool(), "ID3DXFont")) << "a new font already counts";
    Draw("Before", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF);
    EXPECT_TRUE(Contains(dev.LiveDefaultPool(), "ID3DXFont glyphs"));

    EXPECT_EQ(dev.LoseAndReset(), D3DERR_INVALIDCALL);
    EXPECT_EQ(TkD3D9GetDeviceState(dev.device), TkDeviceState::NotReset);

    ASSERT_EQ(font->OnLostDevice(), D3D_OK);
    EXPECT_TRUE(dev.LiveDefaultPool().empty());
    // While lost the font measures but makes and draws nothing.
    dev.Clear();
    EXPECT_EQ(Draw("While lost", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF), kFontHeight);
    EXPECT_TRUE(dev.LiveDefaultPool().empty());

    ASSERT_EQ(dev.Reset(), D3D_OK);
    ASSERT_EQ(font->OnResetDevice(), D3D_OK);
    EXPECT_TRUE(Contains(dev.LiveDefaultPool(), "ID3DXFont"));
    dev.Clear();
    const RECT at{6, 30, 6, 30};
    const auto want = Reference("After the reset", at, DT_NOCLIP, 0xFFFFFFFF);
    Draw("After the reset", at, DT_NOCLIP, 0xFFFFFFFF);
    EXPECT_TRUE(SamePicture(dev.Picture(), want));

    // A second loss and reset go the same way.
    font->OnLostDevice();
    EXPECT_EQ(dev.LoseAndReset(), D3D_OK);
    font->OnResetDevice();
}

TEST_F(FontGlueTest, ReleasingTheFontLetsTheDeviceReset)
{
    Draw("Gone", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF);
    SAFE_RELEASE(font);
    EXPECT_TRUE(dev.LiveDefaultPool().empty());
    EXPECT_EQ(dev.LoseAndReset(), D3D_OK);
}

TEST_F(FontGlueTest, AGrowingTextGetsALargerGlyphTexture)
{
    Draw("i", RECT{4, 4, 4, 4}, DT_NOCLIP, 0xFFFFFFFF);
    dev.Clear();
    const char* wide = "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
    const RECT at{0, 40, 0, 40};
    const auto want = Reference(wide, at, DT_NOCLIP, 0xFFFFFFFF);
    Draw(wide, at, DT_NOCLIP, 0xFFFFFFFF);
    EXPECT_TRUE(SamePicture(dev.Picture(), want));
}
} // namespace
