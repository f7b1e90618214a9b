// Screen rectangles: textured rectangles from .tga and .dds drawn and read
// back, alpha, the vertex buffer's refills, and the 2D states saved and
// restored.

#include "render_fixture.h"

#include "render/Rect.h"

#include <cstdlib>
#include <cstring>

namespace
{
constexpr DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

// 16 x 16 texels: red, green / blue, white quadrants.
std::vector<DWORD> Quadrants()
{
    std::vector<DWORD> pixels(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            pixels[y * 16 + x] = y < 8 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kWhite);
    return pixels;
}

std::string QuadrantDds()
{
    std::string level;
    for (DWORD c : Quadrants())
        for (int i = 0; i < 4; ++i)
            level.push_back(char(c >> (8 * i)));
    return DdsFile(D3DFMT_A8R8G8B8, 16, 16, 1, false, level);
}

class RectTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        dir.Write("textures/quad.tga", TgaFile(16, 16, Quadrants(), true));
        dir.Write("textures/quad2.dds", QuadrantDds());
        WriteTga("textures/white.tga", kWhite);
        g_Renderer.ScanTextureDirectory();
    }

    // One frame: clear to black, the rectangle in the 2D state, present.
    void DrawFrame(ERect& rect)
    {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        rect.Begin2D(false);
        rect.Render(true);
        rect.Restore2D();
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    std::vector<float> Vertices(ERect& rect)
    {
        void* bits = nullptr;
        EXPECT_EQ(rect.m_pVB->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
        std::vector<float> v(ERect::VERTEX_COUNT * 7);
        std::memcpy(v.data(), bits, v.size() * 4);
        rect.m_pVB->Unlock();
        return v;
    }

    DWORD RS(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0;
        device->GetRenderState(state, &value);
        return value;
    }
    DWORD TSS(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
    {
        DWORD value = 0;
        device->GetTextureStageState(stage, type, &value);
        return value;
    }
};

TEST_F(RectTest, TexturedRectanglesFromTgaAndDdsShowTheirTexels)
{
    for (const char* name : {"quad.tga", "quad2.dds"})
    {
        ERect rect;
        rect.Create(name, 8, 8, 24, 24, 0xFFFFFFFFu);
        ASSERT_TRUE(rect.m_bCreated) << name;
        DrawFrame(rect);
        EXPECT_EQ(BackPixel(10, 10) & 0xFFFFFF, kRed & 0xFFFFFF) << name;
        EXPECT_EQ(BackPixel(21, 10) & 0xFFFFFF, kGreen & 0xFFFFFF) << name;
        EXPECT_EQ(BackPixel(10, 21) & 0xFFFFFF, kBlue & 0xFFFFFF) << name;
        EXPECT_EQ(BackPixel(21, 21) & 0xFFFFFF, kWhite & 0xFFFFFF) << name;
        EXPECT_EQ(BackPixel(30, 30) & 0xFFFFFF, 0u) << name;
        EXPECT_EQ(BackPixel(4, 12) & 0xFFFFFF, 0u) << name;
    }
}

TEST_F(RectTest, AlphaBlendsOverTheBackgroundAndTheNearlyClearIsDropped)
{
    ERect rect;
    rect.Create("white.tga", 0, 0, 32, 32, 0xFFFFFFFFu);
    rect.SetAlpha(0.5f);
    DrawFrame(rect);
    const DWORD half = BackPixel(16, 16) & 0xFF;
    EXPECT_NEAR(double(half), 127.0, 2.0);

    rect.SetAlpha(0.02f); // alpha 5, under the 2D alpha reference of 6
    DrawFrame(rect);
    EXPECT_EQ(BackPixel(16, 16) & 0xFFFFFF, 0u);

    rect.SetColor(0xFF00FF00u); // the colour modulates the texture
    DrawFrame(rect);
    EXPECT_EQ(BackPixel(16, 16) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(RectTest, AlphaIsClampedAndTruncated)
{
    ERect rect;
    const struct
    {
        float alpha;
        DWORD expected;
    } cases[] = {{1.5f, 255}, {-1.0f, 0}, {0.5f, 127}, {1.0f, 255}};
    for (const auto& c : cases)
    {
        rect.SetColor(0x00123456u);
        rect.SetAlpha(c.alpha);
        EXPECT_EQ(rect.m_dwColor >> 24, c.expected) << c.alpha;
        EXPECT_EQ(rect.m_dwColor & 0xFFFFFF, 0x123456u);
    }
}

TEST_F(RectTest, SetCallsBeforeCreateAndTheBuffersRefills)
{
    ERect rect;
    rect.SetRect(1, 2, 3, 4);
    EXPECT_EQ(rect.m_fRight, 0.0f);
    rect.Create("white.tga", 10, 20, 30, 40, 0x80FFFFFFu);
    rect.SetColor(0xFF112233u);
    rect.Render(false);
    std::vector<float> v = Vertices(rect);
    DWORD color = 0;
    std::memcpy(&color, &v[4], 4);
    EXPECT_EQ(color, 0xFF112233u);
    EXPECT_EQ(v[7 * 1 + 0], 10.0f); // second vertex: left, bottom, u 0, v 1
    EXPECT_EQ(v[7 * 1 + 1], 40.0f);
    EXPECT_EQ(v[7 * 1 + 6], 1.0f);
    EXPECT_EQ(v[3], 1.0f); // rhw

    rect.SetQuad(0, 0, 8, 1, 9, 9, 1, 8, 0.25f, 0.75f, 0.1f, 0.9f, 0.5f);
    rect.Render(false);
    v = Vertices(rect);
    EXPECT_EQ(v[7 * 1 + 0], 9.0f); // (P2, uR, vB)
    EXPECT_EQ(v[7 * 1 + 5], 0.75f);
    EXPECT_EQ(v[7 * 1 + 2], 0.5f);
    EXPECT_EQ(v[7 * 1 + 3], 0.5f);

    rect.SetRect(10, 20, 30, 40);
    rect.Render(false);
    v = Vertices(rect);
    EXPECT_EQ(v[7 * 1 + 0], 10.0f);
    EXPECT_EQ(v[7 * 1 + 1], 40.0f);
}

TEST_F(RectTest, Begin2DAndRestore2DPutBackTheSixteenSavedStates)
{
    ERect rect;
    rect.Create("white.tga", 0, 0, 4, 4, 0xFFFFFFFFu);
    device->SetRenderState(D3DRS_ALPHAREF, 77);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device->SetTextureStageState(3, D3DTSS_COLOROP, D3DTOP_MODULATE);

    rect.Begin2D(true);
    EXPECT_EQ(RS(D3DRS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(RS(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCCOLOR));
    EXPECT_EQ(RS(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(TSS(0, D3DTSS_COLORARG2), DWORD(D3DTA_CURRENT));
    EXPECT_EQ(RS(D3DRS_ALPHAREF), 6u);
    rect.Restore2D();

    EXPECT_EQ(RS(D3DRS_ALPHAREF), 77u);
    EXPECT_EQ(RS(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(RS(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(RS(D3DRS_SRCBLEND), DWORD(D3DBLEND_DESTCOLOR));
    EXPECT_EQ(TSS(0, D3DTSS_COLOROP), DWORD(D3DTOP_ADD));
    EXPECT_EQ(TSS(0, D3DTSS_ALPHAARG2), DWORD(D3DTA_TFACTOR));
    // What Begin2D sets beyond the sixteen stays.
    EXPECT_EQ(TSS(3, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    DWORD value = 0;
    device->GetSamplerState(1, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
    device->GetFVF(&value);
    EXPECT_EQ(value, rect.m_dwFVF);
}

TEST_F(RectTest, RenderWithStatesDrawsInItsOwnStatesAndRestoresThem)
{
    ERect rect;
    rect.Create("quad.tga", 8, 8, 24, 24, 0xFF000000u);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    rect.RenderWithStates(true, false);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    // SELECTARG1 of the texture: the black diffuse colour does not darken it.
    EXPECT_EQ(BackPixel(21, 21) & 0xFFFFFF, 0xFFFFFFu);
    const auto& draws = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].StageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(draws[0].RenderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(draws[0].primitiveType, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].primitiveCount, 2u);
    EXPECT_EQ(RS(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(TSS(0, D3DTSS_COLOROP), DWORD(D3DTOP_ADD));
}

TEST_F(RectTest, ARectangleWhoseFileIsMissingIsMadeAndDrawsInItsColour)
{
    // The registry gives a missing file a slot (and asks the game to quit),
    // so the rectangle is made and drawn, untextured, in its colour.
    ERect rect;
    rect.Create("nothing at all.tga", 4, 4, 28, 28, 0xFF00FF00u);
    ASSERT_TRUE(rect.m_bCreated);
    DrawFrame(rect);
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 1u);
    EXPECT_EQ(BackPixel(16, 16) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(g_Engine.m_bQuit, 1);
}

TEST_F(RectTest, ARectangleWithoutATextureNameIsNotMadeAndNeverDraws)
{
    ERect empty;
    empty.Create("", 0, 0, 8, 8, 0xFFFFFFFFu);
    EXPECT_FALSE(empty.m_bCreated);
    EXPECT_EQ(empty.m_pVB, nullptr);
    // Drawn in a frame where a real rectangle draws: only that one counts.
    ERect real;
    real.Create("white.tga", 0, 0, 8, 8, 0xFFFFFFFFu);
    ASSERT_TRUE(real.m_bCreated);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    real.Begin2D(false);
    real.Render(true);
    empty.Render(true);
    real.Restore2D();
    empty.RenderWithStates(true, true);
    device->EndScene();
    EXPECT_EQ(TkD3D9GetDrawCount(device, TkFrame::Current), 1u);
}

TEST_F(RectTest, ARectangleDestroyedWithoutReleaseGivesBackItsBuffer)
{
    {
        ERect rect;
        rect.Create("white.tga", 0, 0, 8, 8, 0xFFFFFFFFu);
        ASSERT_NE(rect.m_pVB, nullptr);
    }
    // The fixture's teardown fails when anything still holds the device.
}
} // namespace
