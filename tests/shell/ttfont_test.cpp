// ETTFontMgr: the font lists, the game's own font files, the four fonts and
// text drawn with them on a headless device.

#include "platform/d3dx/Font.h"
#include "platform/d3dx/FontFace.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
std::string Face(ID3DXFont* font)
{
    D3DXFONT_DESCA desc = {};
    EXPECT_EQ(font->GetDesc(&desc), D3D_OK);
    return desc.FaceName;
}

D3DXFONT_DESCA Desc(ID3DXFont* font)
{
    D3DXFONT_DESCA desc = {};
    EXPECT_EQ(font->GetDesc(&desc), D3D_OK);
    return desc;
}

// ---- Font lists, without a device ----------------------------------------------

class TTFontListTest : public ::testing::Test
{
protected:
    TempDir dir;
    FontGlobals globals{dir.path()};
};

TEST_F(TTFontListTest, ReadsAtMostEightLinesOfEachListWhateverTheLineEnds)
{
    dir.Write("misc/fonts/names.txt", "first.ttf\r\nsecond.ttf  \r\n");
    dir.Write("misc/fonts/faces.txt", "One\rTwo Face\r3\r4\r5\r6\r7\r8\r9\r10\r");
    g_TTFontMgr.ReadFontLists();
    EXPECT_STREQ(g_TTFontMgr.m_szFontNames[0], "first.ttf");
    EXPECT_STREQ(g_TTFontMgr.m_szFontNames[1], "second.ttf") << "trailing blanks are no part of a name";
    EXPECT_STREQ(g_TTFontMgr.m_szFontNames[2], "");
    EXPECT_STREQ(g_TTFontMgr.m_szFaceNames[0], "One");
    EXPECT_STREQ(g_TTFontMgr.m_szFaceNames[1], "Two Face");
    EXPECT_STREQ(g_TTFontMgr.m_szFaceNames[7], "8");
}

TEST_F(TTFontListTest, ALineLongerThanItsBufferIsCutAndTerminated)
{
    const std::string longName(300, 'a');
    dir.Write("misc/fonts/names.txt", longName + "\nnext.ttf\n");
    dir.Write("misc/fonts/faces.txt", "A\nB\n");
    g_TTFontMgr.ReadFontLists();
    EXPECT_EQ(std::string(g_TTFontMgr.m_szFontNames[0]), std::string(ETTFontMgr::NAME_CHARS - 1, 'a'));
    EXPECT_STREQ(g_TTFontMgr.m_szFontNames[1], "next.ttf") << "the rest of the long line is skipped";
}

TEST_F(TTFontListTest, MissingListsPrintTheirLinesAndLeaveEmptyNames)
{
    std::snprintf(g_TTFontMgr.m_szFaceNames[1], ETTFontMgr::NAME_CHARS, "stale");
    g_Console.Print("");
    g_TTFontMgr.ReadFontLists();
    EXPECT_EQ(std::string(g_Console.GetLine(EConsole::RING_LINES - 2)), "font names can't be read!");
    EXPECT_EQ(FontGlobals::LastConsoleLine(), "font faces can't be read!");
    EXPECT_STREQ(g_TTFontMgr.m_szFontNames[0], "");
    EXPECT_STREQ(g_TTFontMgr.m_szFaceNames[1], "");
    // Adding and removing empty names fails without a word.
    g_TTFontMgr.InstallFonts();
    g_TTFontMgr.UninstallFonts();
}

TEST_F(TTFontListTest, InstallFontsAddsTheGameFontFilesForThisRun)
{
    // The game's font file: a copy of an installed face under the data tree.
    TkFontFace system;
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 400, false, &system));
    ASSERT_FALSE(system.application);
    std::filesystem::create_directories(dir.path() / "misc" / "fonts");
    std::filesystem::copy_file(system.file, dir.path() / "misc" / "fonts" / "Game.ttf");
    dir.Write("misc/fonts/names.txt", "misc\\fonts\\game.ttf\r\n\r\n");
    dir.Write("misc/fonts/faces.txt", "DejaVu Sans\r\nDejaVu Sans\r\n");

    g_TTFontMgr.InstallFonts();
    TkFontFace face;
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 400, false, &face));
    EXPECT_TRUE(face.application) << "the game's own file is found first";
    EXPECT_EQ(std::filesystem::path(face.file).filename(), "Game.ttf");

    g_TTFontMgr.UninstallFonts();
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 400, false, &face));
    EXPECT_FALSE(face.application);
}

TEST_F(TTFontListTest, WithoutADeviceEveryFontFailsAndNothingDraws)
{
    IDirect3DDevice9* saved = g_pD3DInterface;
    g_pD3DInterface = nullptr;
    g_TTFontMgr.CreateFonts();
    g_pD3DInterface = saved;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::string(g_Console.GetLine(EConsole::RING_LINES - 4 + i)),
                  "TTFont[" + std::to_string(i) + "] creation failed!");
    for (ID3DXFont* font : g_TTFontMgr.m_pFonts)
        EXPECT_EQ(font, nullptr);
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, nullptr);
    EXPECT_EQ(g_TTFontMgr.GetTextWidth("abc"), 0);
    g_TTFontMgr.DrawText("abc", 10, 10, 0xFFFFFFFF, 1, 0);
}

// ---- Fonts on a device -----------------------------------------------------------

class TTFontTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(dev.device, nullptr);
        FontGlobals::UseScreen(800, 600);
        dir.Write("misc/fonts/names.txt", "");
        dir.Write("misc/fonts/faces.txt", "DejaVu Sans\r\nDejaVu Serif\r\n");
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
        ASSERT_NE(g_TTFontMgr.m_pCurrent, nullptr);
    }

    void Draw(const char* text, float x, float y, DWORD color, BYTE centre, BYTE right)
    {
        ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
        g_TTFontMgr.DrawText(text, x, y, color, centre, right);
        ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    }

    TempDir dir;
    FontDevice dev{320, 120};
    FontGlobals globals{dir.path()};
};

TEST_F(TTFontTest, CreatesFourFontsOfTheirSizesAndFacesWithFontZeroCurrent)
{
    const struct
    {
        INT height;
        UINT weight;
        const char* face;
    } want[4] = {
        {20, 400, "Tahoma"},
        {28, 0, "DejaVu Serif"},
        {14, 0, "DejaVu Serif"}, // 18 x 600 / 768 = 14.06
        {17, 0, "DejaVu Serif"}, // 22 x 600 / 768 = 17.19
    };
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_NE(g_TTFontMgr.m_pFonts[i], nullptr);
        const D3DXFONT_DESCA d = Desc(g_TTFontMgr.m_pFonts[i]);
        EXPECT_EQ(d.Height, want[i].height);
        EXPECT_EQ(d.Weight, want[i].weight);
        EXPECT_EQ(d.Width, 0u);
        EXPECT_EQ(d.MipLevels, 1u);
        EXPECT_FALSE(d.Italic);
        EXPECT_STREQ(d.FaceName, want[i].face);
    }
    for (int i = 4; i < ETTFontMgr::MAX_FONTS; ++i)
        EXPECT_EQ(g_TTFontMgr.m_pFonts[i], nullptr);
    EXPECT_EQ(g_TTFontMgr.m_iCurrent, 0);
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, g_TTFontMgr.m_pFonts[0]);
}

TEST_F(TTFontTest, AFacesFileWithOneLineLeavesFontsOneToThreeWithoutAFaceName)
{
    dir.Write("misc/fonts/faces.txt", "Only line\n");
    g_TTFontMgr.ReadFontLists();
    EXPECT_STREQ(g_TTFontMgr.m_szFaceNames[1], "");
    g_TTFontMgr.CreateFonts();
    EXPECT_EQ(Face(g_TTFontMgr.m_pFonts[0]), "Tahoma");
    for (int i = 1; i < 4; ++i)
    {
        ASSERT_NE(g_TTFontMgr.m_pFonts[i], nullptr) << "an empty face takes the default face";
        EXPECT_EQ(Face(g_TTFontMgr.m_pFonts[i]), "");
    }
}

TEST_F(TTFontTest, TextWidthIsTheMeasuredWidthInTheCurrentFont)
{
    EXPECT_EQ(g_TTFontMgr.GetTextWidth(""), 0);
    EXPECT_EQ(g_TTFontMgr.GetTextWidth(nullptr), 0);
    RECT r{0, 0, 0, 0};
    g_TTFontMgr.m_pFonts[0]->DrawText(nullptr, "Duskmere", -1, &r, DT_CALCRECT | DT_SINGLELINE, 0);
    EXPECT_GT(r.right, 40);
    EXPECT_EQ(g_TTFontMgr.GetTextWidth("Duskmere"), r.right);
    g_TTFontMgr.SetCurrentFont(1);
    EXPECT_GT(g_TTFontMgr.GetTextWidth("Duskmere"), r.right) << "font 1 is larger";
    g_TTFontMgr.SetCurrentFont(5);
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, nullptr) << "fonts 4 to 7 do not exist";
    EXPECT_EQ(g_TTFontMgr.GetTextWidth("Duskmere"), 0);
    Draw("Duskmere", 10, 10, 0xFFFFFFFF, 0, 0);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(TTFontTest, TextReachesTheBackBufferWhereItWasDrawnAndNowhereElse)
{
    const int width = g_TTFontMgr.GetTextWidth("Duskmere");
    Draw("Duskmere", 40.7f, 30.9f, 0xFF80FF80, 0, 0);
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));
    // Whole pixels: (40.7, 30.9) is drawn at (40, 30).
    EXPECT_GE(box.left, 40);
    EXPECT_LT(box.left, 44);
    EXPECT_GE(box.top, 30);
    EXPECT_LE(box.right, 40 + width);
    EXPECT_GT(box.right, 40 + width - 4);
    EXPECT_LE(box.bottom, 30 + 20);
    EXPECT_EQ(dev.InkCount(RECT{0, 0, 320, 30}), 0);
    EXPECT_EQ(dev.InkCount(RECT{0, 50, 320, 120}), 0);
    // The colour asked for, where the glyphs cover whole pixels.
    int exact = 0;
    for (LONG y = box.top; y < box.bottom; ++y)
        for (LONG x = box.left; x < box.right; ++x)
            exact += dev.Pixel(UINT(x), UINT(y)) == 0x80FF80u;
    EXPECT_GT(exact, 20);
}

// A text of the given width in the current font, from two letters repeated.
std::string TextOfWidth(int width)
{
    const char letters[] = "ilIjtfr1.:-mnoWM";
    for (const char a : std::string(letters))
        for (const char b : std::string(letters))
            for (int n = 1; n <= 12; ++n)
                for (int m = 0; m <= 12; ++m)
                {
                    const std::string text = std::string(size_t(n), a) + std::string(size_t(m), b);
                    if (g_TTFontMgr.GetTextWidth(text.c_str()) == width)
                        return text;
                }
    return "";
}

TEST_F(TTFontTest, ACentredTextAtHundredWithWidth41StartsAt80)
{
    const std::string text = TextOfWidth(41);
    ASSERT_FALSE(text.empty()) << "no text measures 41 pixels";
    Draw(text.c_str(), 80, 10, 0xFFFFFFFF, 0, 0);
    const auto left = dev.Picture();
    RECT box;
    ASSERT_TRUE(dev.Ink(&box));

    dev.Clear();
    Draw(text.c_str(), 100, 10, 0xFFFFFFFF, 1, 0);
    EXPECT_EQ(dev.Picture(), left) << "centred at 100: starts at 100 - 41 / 2 = 80";

    dev.Clear();
    Draw(text.c_str(), 121, 10, 0xFFFFFFFF, 0, 1);
    EXPECT_EQ(dev.Picture(), left) << "right-aligned at 121: starts at 80";

    dev.Clear();
    Draw(text.c_str(), 100, 10, 0xFFFFFFFF, 1, 1);
    EXPECT_EQ(dev.Picture(), left) << "centring wins over right alignment";
}

TEST_F(TTFontTest, ScaledTextIsPlacedOnTheVirtualScreen)
{
    g_Options.fScreenScaleX = 0.5f;
    g_Options.fScreenScaleY = 0.25f;
    Draw("Scaled", 100, 20, 0xFFFFFFFF, 0, 0);
    const auto direct = dev.Picture();
    dev.Clear();
    ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
    g_TTFontMgr.DrawTextScaled("Scaled", 201.0f, 83.0f, 0xFFFFFFFF, 0, 0);
    ASSERT_EQ(dev.device->EndScene(), D3D_OK);
    EXPECT_EQ(dev.Picture(), direct) << "(201, 83) scaled and truncated is (100, 20)";
}

TEST_F(TTFontTest, FontsLetTheDeviceResetOnlyAfterOnLostDevice)
{
    EXPECT_EQ(dev.LoseAndReset(), D3DERR_INVALIDCALL);
    g_TTFontMgr.OnLostDevice();
    EXPECT_TRUE(dev.LiveDefaultPool().empty());
    ASSERT_EQ(dev.Reset(), D3D_OK);
    g_TTFontMgr.OnResetDevice();
    Draw("Back again", 10, 10, 0xFFFFFFFF, 0, 0);
    RECT box;
    EXPECT_TRUE(dev.Ink(&box));
}

TEST_F(TTFontTest, ReleaseFontsClearsEveryFontAndTheCurrentOne)
{
    g_TTFontMgr.ReleaseFonts();
    for (ID3DXFont* font : g_TTFontMgr.m_pFonts)
        EXPECT_EQ(font, nullptr);
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, nullptr);
    EXPECT_TRUE(dev.LiveDefaultPool().empty());
    Draw("Released", 10, 10, 0xFFFFFFFF, 0, 0);
    EXPECT_EQ(g_TTFontMgr.GetTextWidth("Released"), 0);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(TTFontTest, CreatingAgainReplacesTheFonts)
{
    g_TTFontMgr.CreateFonts();
    g_TTFontMgr.CreateFonts();
    // The device's release at the end checks that no font was left behind.
    EXPECT_NE(g_TTFontMgr.m_pCurrent, nullptr);
}
} // namespace
