// The console draws with the TrueType fonts: its greeting reaches the back
// buffer of a headless device and shows in the presented picture.

#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
class ConsoleTextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(dev.device, nullptr);
        FontGlobals::UseScreen(800, 600);
        dir.Write("misc/fonts/faces.txt", "DejaVu Sans\r\nDejaVu Sans\r\n");
        g_TTFontMgr.ReadFontLists();
        g_TTFontMgr.CreateFonts();
        // Only the greeting among the recent lines.
        for (int i = 0; i < 8; ++i)
            g_Console.Print("");
        g_Console.Print("Welcome to Duskmere 2.");
        g_Console.m_iRecentLines = 5;
        g_Console.m_bOpen = 0;
    }

    // One frame as the game draws it: clear, scene, console, present.
    void Frame(D3DCOLOR background)
    {
        dev.Clear(background);
        ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
        g_Console.Render();
        ASSERT_EQ(dev.device->EndScene(), D3D_OK);
        ASSERT_EQ(dev.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }

    // A pixel of the picture the last Present showed, as 0x00RRGGBB.
    uint32_t Shown(UINT x, UINT y)
    {
        TkSurfacePixels shown = {};
        EXPECT_TRUE(TkD3D9GetLastPresented(dev.device, &shown));
        if (!shown.bits || x >= shown.width || y >= shown.height)
            return 0;
        uint32_t p;
        std::memcpy(&p, shown.bits + size_t(y) * size_t(shown.pitch) + size_t(x) * 4, 4);
        return p & 0x00FFFFFFu;
    }

    TempDir dir;
    FontDevice dev{800, 600};
    FontGlobals globals{dir.path()};
};

TEST_F(ConsoleTextTest, TheGreetingShowsAmongTheRecentLinesOfThePresentedPicture)
{
    Frame(0xFF000000);
    // The newest of five lines 14 pixels apart: the fifth, at y = 56.
    const int width = g_TTFontMgr.GetTextWidth("Welcome to Duskmere 2.");
    ASSERT_GT(width, 100);
    int green = 0, elsewhere = 0;
    for (UINT y = 0; y < 600; ++y)
        for (UINT x = 0; x < 800; ++x)
        {
            const uint32_t p = Shown(x, y);
            const bool inLine = y >= 56 && y < 56 + 21 && x >= 2 && x < UINT(3 + width);
            if (!inLine)
                elsewhere += p != 0;
            else
                green += p == 0x80FF80u;
        }
    EXPECT_GT(green, 100) << "the greeting in the console's green";
    EXPECT_EQ(elsewhere, 0) << "nothing outside the greeting's line";
}

TEST_F(ConsoleTextTest, EachLineHasABlackShadowOnePixelRightAndDown)
{
    Frame(0xFF808080);
    int shadow = 0, green = 0;
    for (UINT y = 56; y < 56 + 22; ++y)
        for (UINT x = 2; x < 300; ++x)
        {
            shadow += Shown(x, y) == 0;
            green += Shown(x, y) == 0x80FF80u;
        }
    EXPECT_GT(shadow, 20);
    EXPECT_GT(green, 100);
    // Above the recent lines the background is untouched.
    for (UINT x = 0; x < 300; ++x)
        EXPECT_EQ(Shown(x, 40), 0x808080u);
}

TEST_F(ConsoleTextTest, RecentLinesThatDidNotChangeAreNotWrittenAgain)
{
    Frame(0xFF000000);
    // The greeting and its shadow, each from a glyph texture of its own.
    std::vector<IDirect3DBaseTexture9*> first;
    for (const TkDrawRecord& d : TkD3D9GetDrawLog(dev.device, TkFrame::Last))
        first.push_back(d.textures[0]);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_NE(first[0], first[1]);
    // Clear the green line's glyphs behind the font's back: a frame that
    // wrote the unchanged text again would bring them back.
    IDirect3DTexture9* green = static_cast<IDirect3DTexture9*>(first[1]);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(green->GetLevelDesc(0, &desc), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(green->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memset(static_cast<BYTE*>(locked.pBits) + size_t(y) * size_t(locked.Pitch), 0, desc.Width * 4);
    green->UnlockRect(0);

    Frame(0xFF000000);
    std::vector<IDirect3DBaseTexture9*> second;
    for (const TkDrawRecord& d : TkD3D9GetDrawLog(dev.device, TkFrame::Last))
        second.push_back(d.textures[0]);
    EXPECT_EQ(second, first) << "the same textures, drawn again";
    int shownGreen = 0;
    for (UINT y = 56; y < 56 + 22; ++y)
        for (UINT x = 2; x < 300; ++x)
            shownGreen += Shown(x, y) == 0x80FF80u;
    EXPECT_EQ(shownGreen, 0) << "the unchanged line was not laid out again";

    // A new line is written and shown at once.
    g_Console.Print("A second greeting.");
    Frame(0xFF000000);
    shownGreen = 0;
    for (UINT y = 56; y < 56 + 22; ++y)
        for (UINT x = 2; x < 300; ++x)
            shownGreen += Shown(x, y) == 0x80FF80u;
    EXPECT_GT(shownGreen, 50);
}

TEST_F(ConsoleTextTest, NoRecentLinesDrawNothing)
{
    g_Console.m_iRecentLines = 0;
    Frame(0xFF000000);
    RECT box;
    EXPECT_FALSE(dev.Ink(&box));
}

TEST_F(ConsoleTextTest, TheOpenConsoleShowsItsLinesThePromptAndTheInput)
{
    g_Console.m_bOpen = 1;
    g_Console.m_szInput[0] = 0;
    std::strcpy(g_Console.m_szInput, "fog 1");
    g_Console.m_iCursor = 5;
    Frame(0xFF000000);
    // Ring lines 103 to 127 from y = 8, 10 pixels apart at 600 lines; the
    // greeting is the last of them.
    const int step = int(14.0f * g_Options.fScreenScaleY);
    const LONG greetingY = 8 + 24 * step;
    RECT box;
    const RECT greetingRow{10, greetingY, 400, greetingY + step};
    EXPECT_TRUE(dev.Ink(&box, &greetingRow));
    // The prompt row below it holds ">" and the input with its cursor.
    const LONG promptY = 8 + 25 * step;
    const RECT prompt{10, promptY + 2, 17, promptY + 18};
    EXPECT_GT(dev.InkCount(prompt), 0);
    const RECT input{17, promptY + 2, 200, promptY + 18};
    EXPECT_GT(dev.InkCount(input), 0);
    g_Console.m_szInput[0] = 0;
    g_Console.m_iCursor = 0;
}
} // namespace
