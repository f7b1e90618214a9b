// EFont: glyph sheets built from the TrueType fonts, texts laid out into
// quads, text drawn onto a headless device's back buffer, and the device
// objects through a loss and reset.

#include "platform/d3dx/Font.h"
#include "render/Font.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct TextVertex
{
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};

bool Contains(const std::vector<std::string>& list, const std::string& part)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& s) { return s.find(part) != std::string::npos; });
}

class FontTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(dev.device, nullptr);
        FontGlobals::UseScreen(640, 480);
        // A size of 32 is then one sheet texel per pixel.
        g_Options.fScreenScaleY = 1.0f;
        dir.Write("misc/fonts/names.txt", "");
        dir.Write("misc/fonts/faces.txt", "DejaVu Sans\nDejaVu Sans\n");
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
        g_Font.CreateVB();
        ASSERT_NE(g_Font.m_pVB, nullptr);
        g_Font.CreateFonts();
        ASSERT_EQ(g_Font.m_iNumFonts, 2);
        // The sheets were drawn in this frame; tests look at the frames after.
        ASSERT_EQ(dev.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }

    void Draw(const char* text, float x, float y, DWORD color, float size, int font, bool centre = false,
              bool right = false)
    {
        ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
        g_Font.BeginText();
        g_Font.DrawText(text, x, y, color, size, font, centre, right);
        g_Font.EndText();
        ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    }

    void DrawKept(EText* text)
    {
        ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
        g_Font.BeginText();
        g_Font.DrawTextObject(text);
        g_Font.EndText();
        ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    }

    // The vertices of a text with a buffer of its own.
    std::vector<TextVertex> Vertices(EText* text)
    {
        std::vector<TextVertex> out(size_t(text->m_iNumChars) * 6);
        void* data = nullptr;
        EXPECT_EQ(text->m_pVB->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
        std::memcpy(out.data(), data, out.size() * sizeof(TextVertex));
        text->m_pVB->Unlock();
        return out;
    }

    // Where the pen stands after the text: each quad's left plus its width
    // less the overlap, cut to a whole pixel, as the layout steps.
    static float PenEnd(const std::vector<TextVertex>& v, float s)
    {
        float pen = v.empty() ? 0.0f : v[0].x;
        for (size_t q = 0; q < v.size(); q += 6)
            pen = std::trunc(v[q].x + (v[q + 2].x - v[q].x) - 2.0f * s);
        return pen;
    }

    TempDir dir;
    FontDevice dev{640, 480};
    FontGlobals globals{dir.path()};
};

TEST_F(FontTest, BitmapFontsZeroAndOneAreBuiltFromTrueTypeFontsOneAndTwo)
{
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const strfont* f = g_Font.GetFont(i);
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->bBuilt);
        EXPECT_EQ(f->iTTFont, i + 1);
        EXPECT_EQ(f->iHeight, EFont::SHEET_HEIGHT);
        ASSERT_NE(f->pTexture, nullptr);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(f->pTexture->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED) << "glyph sheets survive a reset";
        EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(int(desc.Width), f->iWidth);
        EXPECT_EQ(int(desc.Height), EFont::SHEET_HEIGHT);
        EXPECT_EQ(f->pTarget, nullptr) << "the objects used while building are gone";
        EXPECT_EQ(f->pDepth, nullptr);
        EXPECT_EQ(f->pSysMem, nullptr);

        for (int c = 0; c < 256; ++c)
            if (f->HasGlyph(static_cast<unsigned char>(c)))
            {
                SCOPED_TRACE(c);
                EXPECT_GE(f->uLeft[c], 0.0f);
                EXPECT_LE(f->uRight[c], 1.0f) << "no cell runs past the sheet's edge";
                EXPECT_LT(f->uLeft[c], f->uRight[c]);
                EXPECT_GE(f->vTop[c], 0.0f);
                EXPECT_LE(f->vBottom[c], 1.0f);
            }
        for (const int c : {0, 1, 9, 10, 0x7F, 0x81})
            EXPECT_FALSE(f->HasGlyph(static_cast<unsigned char>(c))) << "code " << c;
        for (const int c : {int('A'), int('g'), int('0'), 0xB9 /* a with ogonek */})
            EXPECT_TRUE(f->HasGlyph(static_cast<unsigned char>(c))) << "code " << c;
        EXPECT_EQ(f->iRight[' '] - f->iLeft[' '], 10) << "a space takes 10 pixels";
    }
    EXPECT_GT(g_Font.GetFont(0)->iRight['W'] - g_Font.GetFont(0)->iLeft['W'],
              g_Font.GetFont(1)->iRight['W'] - g_Font.GetFont(1)->iLeft['W'])
        << "bitmap font 0 comes from the larger TrueType font";
    EXPECT_FALSE(g_Font.GetFont(2)->bBuilt);
    EXPECT_EQ(g_TTFontMgr.m_iCurrent, 0) << "TrueType font 0 is current again";
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, g_TTFontMgr.m_pFonts[0]);
}

TEST_F(FontTest, BuildingPutsTheRenderTargetAndViewportBack)
{
    g_Font.Release();
    g_Font.CreateVB();
    const D3DVIEWPORT9 viewport{10, 20, 300, 200, 0.0f, 1.0f};
    dev.device->SetViewport(&viewport);
    IDirect3DSurface9* before = nullptr;
    dev.device->GetRenderTarget(0, &before);
    ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
    g_Font.CreateFonts();
    ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    EXPECT_TRUE(g_Font.GetFont(0)->bBuilt) << "built inside the caller's scene";
    IDirect3DSurface9* after = nullptr;
    dev.device->GetRenderTarget(0, &after);
    EXPECT_EQ(after, before);
    D3DVIEWPORT9 now;
    dev.device->GetViewport(&now);
    EXPECT_EQ(now.X, 10u);
    EXPECT_EQ(now.Y, 20u);
    EXPECT_EQ(now.Width, 300u);
    EXPECT_EQ(now.Height, 200u);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box)) << "the glyphs went to the sheet, not the back buffer";
    after->Release();
    before->Release();
}

TEST_F(FontTest, GlyphsCarryASoftDarkHalo)
{
    const strfont* f = g_Font.GetFont(0);
    const int c = 'H';
    D3DLOCKED_RECT locked;
    ASSERT_EQ(f->pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto texel = [&](int x, int y)
    {
        uint32_t t;
        std::memcpy(&t, static_cast<BYTE*>(locked.pBits) + ptrdiff_t(y) * locked.Pitch + x * 4, 4);
        return t;
    };
    const int top = int(std::lround(f->vTop[c] * EFont::SHEET_HEIGHT));
    int solid = 0, halo = 0;
    for (int y = top; y < top + 32; ++y)
        for (int x = f->iLeft[c]; x < f->iRight[c] + 4; ++x)
        {
            const uint32_t t = texel(x, y);
            const uint32_t alpha = t >> 24, grey = t & 0xFF;
            EXPECT_EQ((t >> 16) & 0xFF, grey);
            EXPECT_EQ((t >> 8) & 0xFF, grey);
            solid += alpha == 255 && grey == 255;
            halo += alpha > 0 && grey < 64;
        }
    EXPECT_GT(solid, 20) << "the glyph itself is opaque white";
    EXPECT_GT(halo, 20) << "around it, a dark see-through halo";
    // Far from any glyph: the gap between rows is clear.
    const int gap = (c / 16) * EFont::ROW_HEIGHT + 38;
    for (int x = f->iLeft[c]; x < f->iRight[c]; ++x)
        EXPECT_EQ(texel(x, gap) >> 24, 0u);
    f->pTexture->UnlockRect(0);
}

TEST_F(FontTest, TextReachesTheBackBufferWhereItWasDrawnAndNowhereElse)
{
    const float width = g_Font.GetTextWidth("HELLO", 32.0f, 0);
    ASSERT_GT(width, 60.0f);
    Draw("HELLO", 20.0f, 30.0f, 0xFFFF0000, 32.0f, 0);
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));
    EXPECT_GE(box.left, 20);
    EXPECT_GE(box.top, 30);
    // The last quad reaches 2 pixels past the pen: the halo's overlap.
    EXPECT_LE(box.right, 20 + LONG(width) + 2);
    EXPECT_LE(box.bottom, 30 + 32);
    EXPECT_GT(box.right - box.left, LONG(width * 3 / 4));
    EXPECT_GT(box.bottom - box.top, 16);
    // Red text: the glyphs are red, the halo dark.
    int red = 0;
    for (LONG y = box.top; y < box.bottom; ++y)
        for (LONG x = box.left; x < box.right; ++x)
        {
            const uint32_t p = dev.Pixel(UINT(x), UINT(y));
            EXPECT_EQ(p & 0x00FFFF, 0u);
            red += (p >> 16) > 200;
        }
    EXPECT_GT(red, 40);
}

TEST_F(FontTest, SizeScalesTheText)
{
    Draw("HELLO", 10.0f, 10.0f, 0xFFFFFFFF, 16.0f, 0);
    RECT small;
    ASSERT_TRUE(dev.Ink(&small));
    dev.Clear();
    Draw("HELLO", 10.0f, 10.0f, 0xFFFFFFFF, 64.0f, 0);
    RECT large;
    ASSERT_TRUE(dev.Ink(&large));
    EXPECT_GT(large.right - large.left, 3 * (small.right - small.left));
    EXPECT_GT(large.bottom - large.top, 3 * (small.bottom - small.top));
    EXPECT_LE(large.bottom, 10 + 64);
}

TEST_F(FontTest, LayoutWidthMatchesGetTextWidthSoRightAlignedTextEndsAtX)
{
    for (const float size : {32.0f, 18.0f, 14.0f})
    {
        SCOPED_TRACE(size);
        const float s = size / 32.0f;
        const char* text = "Right-aligned, with ogonek: \xb9\xea";
        EText* plain = g_Font.CreateText(text, 100.0f, 0.0f, 0xFFFFFFFF, size, 0, false, false, false);
        ASSERT_NE(plain, nullptr);
        const auto v = Vertices(plain);
        EXPECT_EQ(v[0].x, 100.0f);
        EXPECT_EQ(PenEnd(v, s) - 100.0f, g_Font.GetTextWidth(text, size, 0));
        g_Font.DeleteText(plain);

        EText* right = g_Font.CreateText(text, 500.0f, 0.0f, 0xFFFFFFFF, size, 0, false, true, false);
        ASSERT_NE(right, nullptr);
        EXPECT_EQ(PenEnd(Vertices(right), s), 500.0f);
        g_Font.DeleteText(right);

        EText* centred = g_Font.CreateText(text, 300.0f, 0.0f, 0xFFFFFFFF, size, 0, true, false, false);
        ASSERT_NE(centred, nullptr);
        EXPECT_EQ(Vertices(centred)[0].x, 300.0f - g_Font.GetTextWidth(text, size, 0) / 2.0f);
        g_Font.DeleteText(centred);
    }
}

TEST_F(FontTest, QuadsCarryTheColourTheGlyphsCoordinatesAndTheHeight)
{
    EText* text = g_Font.CreateText("Ag", 10.0f, 20.0f, 0x80123456, 32.0f, 1, false, false, false);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->m_iNumChars, 2);
    const strfont* f = g_Font.GetFont(1);
    const auto v = Vertices(text);
    for (const TextVertex& vertex : v)
    {
        EXPECT_EQ(vertex.color, 0x80123456u);
        EXPECT_EQ(vertex.z, 1.0f);
        EXPECT_EQ(vertex.rhw, 1.0f);
    }
    EXPECT_EQ(v[0].u, f->uLeft['A']);
    EXPECT_EQ(v[0].v, f->vTop['A']);
    EXPECT_EQ(v[2].u, f->uRight['A']);
    EXPECT_EQ(v[2].v, f->vBottom['A']);
    EXPECT_EQ(v[1].y - v[0].y, 32.0f);
    EXPECT_EQ(v[2].x - v[0].x, float(f->iRight['A'] - f->iLeft['A'] + 4));
    EXPECT_EQ(v[6].u, f->uLeft['g']);
    g_Font.DeleteText(text);
}

TEST_F(FontTest, AText300CharactersLongLaysOutItsFirst255)
{
    const std::string text(300, 'A');
    EText* t = g_Font.CreateText(text.c_str(), 0.0f, 0.0f, 0xFFFFFFFF, 8.0f, 1, false, false, false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->m_iNumChars, 255);
    const strfont* f = g_Font.GetFont(1);
    const float s = 8.0f / 32.0f;
    const float step = std::trunc(float(f->iRight['A'] - f->iLeft['A'] + 4) * s - 2.0f * s);
    EXPECT_EQ(g_Font.GetTextWidth(text.c_str(), 8.0f, 1), 254.0f * step)
        << "at the limit one glyph less counts";
    g_Font.DeleteText(t);

    // Drawn through the shared buffer: 255 quads in one call.
    Draw(text.c_str(), 0.0f, 0.0f, 0xFFFFFFFF, 8.0f, 1);
    const auto& log = TkD3D9GetDrawLog(dev.device, TkFrame::Current);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().primitiveCount, 2u * 255u);
}

TEST_F(FontTest, ACharacterWithoutGlyphTakesNoRoom)
{
    EXPECT_EQ(g_Font.GetTextWidth("A\x01"
                                  "B\tC",
                                  32.0f, 0),
              g_Font.GetTextWidth("ABC", 32.0f, 0));
    EText* t = g_Font.CreateText("A\x01"
                                 "B\tC",
                                 0.0f, 0.0f, 0xFFFFFFFF, 32.0f, 0, false, false, false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->m_iNumChars, 3);
    g_Font.DeleteText(t);
}

TEST_F(FontTest, NoTextOrNoSuchFontDrawsNothing)
{
    for (const int font : {8, -1, 2, 7})
    {
        SCOPED_TRACE(font);
        EXPECT_EQ(g_Font.CreateText("text", 0, 0, 0xFFFFFFFF, 32.0f, font, false, false, false), nullptr);
        EXPECT_EQ(g_Font.GetTextWidth("text", 32.0f, font), 0.0f);
        Draw("text", 10.0f, 10.0f, 0xFFFFFFFF, 32.0f, font);
        EXPECT_EQ(TkD3D9GetDrawCount(dev.device, TkFrame::Current), 0u);
    }
    EXPECT_EQ(g_Font.CreateText(nullptr, 0, 0, 0xFFFFFFFF, 32.0f, 0, false, false, true), nullptr);
    EXPECT_EQ(g_Font.CreateText("", 0, 0, 0xFFFFFFFF, 32.0f, 0, false, false, true), nullptr);
    EXPECT_EQ(g_Font.GetTextWidth("", 32.0f, 0), 0.0f);
    EXPECT_EQ(g_Font.GetTextWidth(nullptr, 32.0f, 0), 0.0f);
    Draw(nullptr, 10.0f, 10.0f, 0xFFFFFFFF, 32.0f, 0);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(FontTest, SharedTextWithoutTheSharedBufferIsRefused)
{
    g_Font.OnLostDevice();
    EXPECT_EQ(g_Font.CreateText("text", 0, 0, 0xFFFFFFFF, 32.0f, 0, false, false, true), nullptr);
    EXPECT_EQ(FontGlobals::LastConsoleLine(), "EFont - !m_pVB!");
    EText* kept = g_Font.CreateText("text", 0, 0, 0xFFFFFFFF, 32.0f, 0, false, false, false);
    EXPECT_NE(kept, nullptr) << "a text with its own buffer does not need it";
    g_Font.DeleteText(kept);
}

TEST_F(FontTest, TextBlockSetsTheTextStatesAndPutsTheOldOnesBack)
{
    IDirect3DDevice9* d = dev.device;
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    d->SetRenderState(D3DRS_ALPHAREF, 99);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD);
    d->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetFVF(D3DFVF_XYZ);

    g_Font.BeginText();
    g_Font.BeginText(); // already open: nothing more is saved
    DWORD v = 0;
    d->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    d->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, DWORD(D3DBLEND_SRCALPHA));
    d->GetRenderState(D3DRS_DESTBLEND, &v);
    EXPECT_EQ(v, DWORD(D3DBLEND_INVSRCALPHA));
    d->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    d->GetRenderState(D3DRS_ZWRITEENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    d->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, DWORD(D3DCULL_NONE));
    d->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 6u);
    d->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    d->GetTextureStageState(0, D3DTSS_ALPHAARG1, &v);
    EXPECT_EQ(v, DWORD(D3DTA_TEXTURE));
    d->GetTextureStageState(2, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
    d->GetSamplerState(1, D3DSAMP_MAGFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_ANISOTROPIC));
    d->GetFVF(&v);
    EXPECT_EQ(v, g_Font.m_dwFVF);
    g_Font.EndText();

    d->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    d->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    d->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, DWORD(D3DCULL_CW));
    d->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(v, 99u);
    d->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    d->GetTextureStageState(2, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_ADD));
    d->GetSamplerState(1, D3DSAMP_MAGFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
    d->GetFVF(&v);
    EXPECT_EQ(v, DWORD(D3DFVF_XYZ));
}

TEST_F(FontTest, TextDrawnOutsideATextBlockGetsTheTextStatesForItsDrawOnly)
{
    dev.device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
    g_Font.DrawText("Alone", 10.0f, 10.0f, 0xFFFFFFFF, 32.0f, 0, false, false);
    ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    const auto& log = TkD3D9GetDrawLog(dev.device, TkFrame::Current);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(log[0].fvf, g_Font.m_dwFVF);
    EXPECT_EQ(log[0].textures[0], g_Font.GetFont(0)->pTexture);
    DWORD v = 0;
    dev.device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(FALSE));
    RECT box;
    EXPECT_TRUE(dev.Ink(&box));
}

TEST_F(FontTest, TheSharedBufferBlocksResetUntilOnLostDevice)
{
    g_TTFontMgr.OnLostDevice();
    EXPECT_EQ(dev.LoseAndReset(), D3DERR_INVALIDCALL);
    EXPECT_TRUE(Contains(dev.LiveDefaultPool(), "FontVB"));
    g_Font.OnLostDevice();
    EXPECT_TRUE(dev.LiveDefaultPool().empty()) << "glyph sheets are managed";
    EXPECT_EQ(dev.Reset(), D3D_OK);
    g_Font.OnResetDevice();
    g_TTFontMgr.OnResetDevice();
    EXPECT_NE(g_Font.m_pVB, nullptr);
}

TEST_F(FontTest, GlyphSheetsAndKeptTextsDrawTheSameAfterAReset)
{
    EText* kept = g_Font.CreateText("Kept text", 30.0f, 100.0f, 0xFF80FF80, 24.0f, 1, false, false, false);
    ASSERT_NE(kept, nullptr);
    DrawKept(kept);
    Draw("Drawn once", 30.0f, 20.0f, 0xFFFFFFFF, 32.0f, 0);
    const auto before = dev.Picture();
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));

    g_Font.OnLostDevice();
    g_TTFontMgr.OnLostDevice();
    ASSERT_EQ(dev.LoseAndReset(), D3D_OK);
    g_Font.OnResetDevice();
    g_TTFontMgr.OnResetDevice();

    dev.Clear();
    DrawKept(kept);
    Draw("Drawn once", 30.0f, 20.0f, 0xFFFFFFFF, 32.0f, 0);
    EXPECT_EQ(dev.Picture(), before);
    g_Font.DeleteText(kept);
}

TEST_F(FontTest, ReleaseLetsGoOfEverythingAndFontsCanBeBuiltAgain)
{
    g_Font.CreateFonts();
    EXPECT_EQ(g_Font.m_iNumFonts, 2) << "built once per run";
    g_Font.Release();
    EXPECT_EQ(g_Font.m_bCreated, 0);
    EXPECT_EQ(g_Font.m_pVB, nullptr);
    EXPECT_EQ(g_Font.m_iNumFonts, 0);
    for (int i = 0; i < EFont::MAX_FONTS; ++i)
    {
        EXPECT_FALSE(g_Font.GetFont(i)->bBuilt);
        EXPECT_EQ(g_Font.GetFont(i)->pTexture, nullptr);
    }
    Draw("Released", 10.0f, 10.0f, 0xFFFFFFFF, 32.0f, 0);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));

    g_Font.CreateVB();
    g_Font.CreateFonts();
    Draw("Again", 10.0f, 10.0f, 0xFFFFFFFF, 32.0f, 0);
    EXPECT_TRUE(dev.Ink(&box));
}

// Both bitmap fonts grow with the screen's height: the small one's
// TrueType font was already made at the screen's scale, and is not scaled by
// it a second time. Half the lines, about half the height (the smaller
// TrueType font rounds its own way), never a quarter.
TEST_F(FontTest, TextsGrowWithTheScreenHeightNotItsSquare)
{
    const auto inkHeight = [&](int font)
    {
        dev.Clear();
        Draw("HEH", 10.0f, 10.0f, 0xFFFFFFFF, 96.0f, font);
        RECT box{};
        EXPECT_TRUE(dev.Ink(&box));
        // The glyphs' bright rows; the dark halo around them is left out.
        LONG top = box.bottom, bottom = box.top;
        for (LONG y = box.top; y < box.bottom; ++y)
            for (LONG x = box.left; x < box.right; ++x)
                if (((dev.Pixel(UINT(x), UINT(y)) >> 16) & 0xFF) > 160)
                {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y + 1);
                }
        return bottom - top;
    };
    const LONG full[2] = {inkHeight(0), inkHeight(1)};
    g_Font.Release();
    g_Options.fScreenScaleY = 0.5f;
    g_TTFontMgr.CreateFonts();
    g_Font.CreateVB();
    g_Font.CreateFonts();
    ASSERT_EQ(g_Font.m_iNumFonts, 2);
    for (int font = 0; font < 2; ++font)
    {
        const LONG half = inkHeight(font);
        EXPECT_NEAR(double(half), double(full[font]) / 2.0, 3.0) << "font " << font << ", " << full[font];
    }
}

TEST_F(FontTest, TheLoadingCaptionIsDrawnWithTheBitmapFont)
{
    FontGlobals::UseScreen(640, 480);
    // The caption's words are text keys.
    dir.Write("scripts/text_keys.txt", ">LD Loading\r\n>S22 the level\r\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    ASSERT_STREQ(g_TextMgr.GetText(">LD"), "Loading");
    g_Console.m_bLoading = 1;
    ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
    g_Console.DrawLoadingText();
    ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));
    // At (80, 698) of the 1024 x 768 layout, 18 high there.
    EXPECT_GE(box.left, 50);
    EXPECT_LT(box.left, 60);
    EXPECT_GE(box.top, 436);
    EXPECT_LE(box.bottom, 436 + 12);
    g_TextMgr.Free();
}
} // namespace
