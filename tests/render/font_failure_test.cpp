// Glyph sheets that cannot be made: the line naming the failed step, and
// nothing half made kept (a default-pool leftover would block every reset).
#include "render/Font.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
class FontFailure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(dev.device, nullptr);
        FontGlobals::UseScreen(640, 480);
        dir.Write("misc/fonts/names.txt", "");
        dir.Write("misc/fonts/faces.txt", "DejaVu Sans\nDejaVu Sans\n");
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
    }

    static std::string Newest() { return g_Console.GetLine(EConsole::RING_LINES - 1); }

    TempDir dir;
    FontDevice dev{640, 480};
    FontGlobals globals{dir.path()};
};

TEST_F(FontFailure, WithoutADeviceTheFirstStepFailsAndNothingIsKept)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    g_pD3DInterface = nullptr;
    const int before = g_Font.m_iNumFonts;
    g_Font.CreateFontTextures(1);
    g_pD3DInterface = device;
    EXPECT_EQ(Newest(), "failed 1");
    EXPECT_EQ(g_Font.m_iNumFonts, before);
    const strfont& slot = g_Font.m_Fonts[before];
    EXPECT_EQ(slot.pTarget, nullptr);
    EXPECT_EQ(slot.pTexture, nullptr);
    EXPECT_EQ(slot.pDepth, nullptr);
    EXPECT_EQ(slot.pSysMem, nullptr);
}

TEST_F(FontFailure, ANinthSheetIsRefusedWithTheOverflowLine)
{
    for (int i = g_Font.m_iNumFonts; i < EFont::MAX_FONTS; ++i)
        g_Font.CreateFontTextures(1);
    ASSERT_EQ(g_Font.m_iNumFonts, EFont::MAX_FONTS);
    g_Font.CreateFontTextures(1);
    EXPECT_EQ(Newest(), "Font not created - overflow!");
    EXPECT_EQ(g_Font.m_iNumFonts, EFont::MAX_FONTS);
}
} // namespace
