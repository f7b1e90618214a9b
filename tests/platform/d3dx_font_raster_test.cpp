// The font core: metrics, measuring, layout with the DrawText formats, and
// drawing into a memory surface exactly where the text measures.

#include "platform/d3dx/CodePage.h"
#include "platform/d3dx/FontRaster.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{
std::unique_ptr<TkFontRaster> MakeFont(int height, unsigned weight = 0, const char* face = "DejaVu Sans",
                                       BYTE quality = DEFAULT_QUALITY)
{
    TkFontDesc desc;
    desc.height = height;
    desc.weight = weight;
    desc.quality = quality;
    desc.faceName = face;
    return TkFontRaster::Create(desc);
}

// A 32-bit surface cleared to one colour.
struct Surface
{
    Surface(int w, int h, uint32_t fill = 0xFF000000u) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    TkSurfaceView View() { return TkSurfaceView{pixels.data(), width * 4, width, height}; }
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
    // The bounding box of pixels that differ from `background`; false when none do.
    bool Ink(RECT* box, uint32_t background = 0xFF000000u) const
    {
        bool any = false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (At(x, y) != background)
                {
                    if (!any)
                        *box = RECT{x, y, x + 1, y + 1};
                    box->left = std::min<LONG>(box->left, x);
                    box->top = std::min<LONG>(box->top, y);
                    box->right = std::max<LONG>(box->right, x + 1);
                    box->bottom = std::max<LONG>(box->bottom, y + 1);
                    any = true;
                }
        return any;
    }
    int width, height;
    std::vector<uint32_t> pixels;
};

int Width(TkFontRaster& font, const char* text, int count = -1)
{
    RECT r{0, 0, 0, 0};
    font.Measure(text, count, &r, DT_SINGLELINE);
    return r.right - r.left;
}

TEST(FontCodePage, PolishLettersAndLatinBytesMapToUnicode)
{
    const struct
    {
        unsigned char byte;
        uint32_t cp;
    } table[] = {
        {0x41, 0x41},   {0x7A, 0x7A},   {0x20, 0x20},   {0xA5, 0x0104}, {0xB9, 0x0105},
        {0xC6, 0x0106}, {0xE6, 0x0107}, {0xCA, 0x0118}, {0xEA, 0x0119}, {0xA3, 0x0141},
        {0xB3, 0x0142}, {0xD1, 0x0143}, {0xF1, 0x0144}, {0xD3, 0x00D3}, {0xF3, 0x00F3},
        {0x8C, 0x015A}, {0x9C, 0x015B}, {0x8F, 0x0179}, {0x9F, 0x017A}, {0xAF, 0x017B},
        {0xBF, 0x017C}, {0x80, 0x20AC}, {0x96, 0x2013}, {0xFF, 0x02D9}, {0x81, 0x81},
    };
    for (const auto& c : table)
        EXPECT_EQ(TkCp1250ToUnicode(c.byte), c.cp) << "byte " << int(c.byte);
    EXPECT_TRUE(TkIsControlCodePoint(TkCp1250ToUnicode(0x81))) << "an undefined byte draws nothing";
    EXPECT_FALSE(TkIsControlCodePoint(TkCp1250ToUnicode(0xB9)));
}

TEST(FontRaster, HeightIsTheCellWhenPositiveAndTheEmWhenNegative)
{
    for (int h : {8, 13, 20, 28, 57})
    {
        auto cell = MakeFont(h);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->Metrics().height, h);
        EXPECT_EQ(cell->Metrics().ascent + cell->Metrics().descent, h);
        EXPECT_GT(cell->Metrics().internalLeading, 0) << "the em is smaller than the cell";

        auto em = MakeFont(-h);
        ASSERT_TRUE(em);
        EXPECT_GT(em->Metrics().height, h) << "the cell is larger than the em";
        EXPECT_EQ(em->Metrics().height - em->Metrics().internalLeading, h);
    }
    auto byDefault = MakeFont(0);
    ASSERT_TRUE(byDefault);
    EXPECT_EQ(byDefault->Metrics().height, kTkDefaultFontCellHeight);
}

TEST(FontRaster, CreationFailsOnlyForSizesOutOfRange)
{
    EXPECT_FALSE(MakeFont(kTkMaxFontHeight + 1));
    EXPECT_FALSE(MakeFont(-kTkMaxFontHeight - 1));
    auto fallback = MakeFont(20, 400, "Tahoma");
    ASSERT_TRUE(fallback) << "a missing face falls back to the default";
    EXPECT_TRUE(fallback->Face().fallback);
    auto unnamed = MakeFont(20, 0, "");
    ASSERT_TRUE(unnamed);
    EXPECT_FALSE(unnamed->Face().fallback);
}

TEST(FontRaster, EmptyTextMeasuresNothing)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    RECT r{5, 7, 5, 7};
    EXPECT_EQ(font->Measure("", -1, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(r.bottom, 7);
    EXPECT_EQ(font->Measure(nullptr, -1, &r, 0), 0);
    EXPECT_EQ(font->Measure("ABC", 0, &r, 0), 0);
    EXPECT_EQ(r.right, 5);
}

TEST(FontRaster, StringWidthIsTheSumOfItsCharacterWidths)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const char* texts[] = {
        "AB",         "AV",          "To", "Hello, World!", "fi ff", "\xB9\xEA\x9C\xE6\xBF\x9F\xF3\xB3 Zolc",
        "0123456789", "WAWAWA...   "};
    for (const char* t : texts)
    {
        int sum = 0;
        for (const char* p = t; *p; ++p)
            sum += Width(*font, std::string(1, *p).c_str());
        EXPECT_EQ(Width(*font, t), sum) << t;
        EXPECT_GT(sum, 0) << t;
    }
    EXPECT_GT(Width(*font, "Hello World"), Width(*font, "Hello"));
    EXPECT_GT(Width(*font, "W"), Width(*font, "i"));
}

TEST(FontRaster, ControlCharactersTakeNoRoomAndZeroEndsTheText)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const int ab = Width(*font, "AB");
    EXPECT_EQ(Width(*font, "A\x01\x1F\x7F\x81\x90"
                           "B"),
              ab);
    EXPECT_EQ(Width(*font, "A\tB"), ab);
    EXPECT_EQ(Width(*font, "A\nB"), ab) << "one line: a line feed is a control";
    EXPECT_EQ(Width(*font, "AB\0CD", 5), ab);
    EXPECT_EQ(Width(*font, "ABCD", 2), ab);
    EXPECT_EQ(Width(*font, "\x01\x02"), 0);
}

TEST(FontRaster, CalcRectExtendsFromLeftAndTop)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const int w = Width(*font, "Hello");
    for (DWORD format : {DWORD(DT_SINGLELINE), DWORD(DT_SINGLELINE | DT_CENTER | DT_VCENTER),
                         DWORD(DT_NOCLIP | DT_RIGHT | DT_BOTTOM)})
    {
        RECT r{100, 50, 100, 50};
        EXPECT_EQ(font->Measure("Hello", -1, &r, format), 20);
        EXPECT_EQ(r.left, 100);
        EXPECT_EQ(r.top, 50);
        EXPECT_EQ(r.right, 100 + w);
        EXPECT_EQ(r.bottom, 70);
    }
    // Through DrawText with DT_CALCRECT nothing is drawn.
    Surface s(64, 32);
    RECT r{0, 0, 0, 0};
    EXPECT_EQ(font->DrawText(s.View(), "Hello", -1, &r, DT_CALCRECT | DT_SINGLELINE, 0xFFFFFFFFu), 20);
    EXPECT_EQ(r.right, w);
    RECT none;
    EXPECT_FALSE(s.Ink(&none));
}

TEST(FontRaster, LinesBreakWithoutSingleLine)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const int a = Width(*font, "AAA"), b = Width(*font, "B");
    for (const char* text : {"AAA\nB", "AAA\r\nB", "AAA\rB"})
    {
        RECT r{0, 0, 0, 0};
        EXPECT_EQ(font->Measure(text, -1, &r, 0), 40) << text;
        EXPECT_EQ(r.right, std::max(a, b));
        EXPECT_EQ(r.bottom, 40);
    }
    const TkTextLayout l = font->Layout("AAA\nB", -1, nullptr, 0);
    EXPECT_EQ(l.lines, 2);
}

TEST(FontRaster, UnsupportedFormatIsReportedOnceAndIgnored)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    RECT plain{0, 0, 0, 0}, tabs{0, 0, 0, 0};
    font->Measure("A\tB C", -1, &plain, DT_SINGLELINE);
    // Once per process: an earlier test may already have used the format.
    testing::internal::CaptureStderr();
    font->Measure("A\tB C", -1, &tabs, DT_SINGLELINE | DT_EXPANDTABS);
    const std::string first = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    font->Measure("A\tB C", -1, &tabs, DT_SINGLELINE | DT_EXPANDTABS);
    const std::string second = testing::internal::GetCapturedStderr();
    EXPECT_EQ(tabs.right, plain.right);
    if (!first.empty())
    {
        EXPECT_NE(first.find("0x40"), std::string::npos) << first;
        EXPECT_EQ(first.find('\n'), first.size() - 1) << first;
    }
    EXPECT_EQ(second, "");
}

TEST(FontRaster, AlignmentPlacesTheTextInTheRectangle)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const int w = Width(*font, "Hello");
    const RECT rect{10, 20, 210, 100};
    const struct
    {
        DWORD format;
        int64_t left, top;
        int result;
    } table[] = {
        {DT_LEFT | DT_TOP, 10, 20, 20},
        {DT_CENTER, 10 + (200 - w) / 2, 20, 20},
        {DT_RIGHT, 210 - w, 20, 20},
        {DT_VCENTER | DT_SINGLELINE, 10, 20 + 30, 50},
        {DT_BOTTOM | DT_RIGHT, 210 - w, 80, 80},
    };
    for (const auto& c : table)
    {
        const TkTextLayout l = font->Layout("Hello", -1, &rect, c.format);
        EXPECT_EQ(l.left, c.left) << c.format;
        EXPECT_EQ(l.right, c.left + w) << c.format;
        EXPECT_EQ(l.top, c.top) << c.format;
        EXPECT_EQ(l.bottom, c.top + 20) << c.format;
        EXPECT_EQ(l.result, c.result) << c.format;
    }
}

TEST(FontRaster, CentringInAnEmptyRectangleHalvesTowardZero)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    // Find a text of odd width to see how the half pixel falls.
    std::string text = "i";
    while (Width(*font, text.c_str()) % 2 == 0)
        text += "i";
    const int w = Width(*font, text.c_str());
    const RECT at{100, 0, 100, 0};
    const TkTextLayout l = font->Layout(text.c_str(), -1, &at, DT_CENTER | DT_NOCLIP);
    EXPECT_EQ(l.left, 100 - w / 2);
    EXPECT_EQ(l.right - l.left, w);
}

TEST(FontRaster, DrawnTextStaysInsideItsMeasuredRectangle)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    Surface s(200, 60);
    RECT measured{10, 10, 10, 10};
    font->Measure("Hello", -1, &measured, DT_SINGLELINE);
    RECT at{10, 10, 10, 10};
    EXPECT_EQ(font->DrawText(s.View(), "Hello", -1, &at, DT_SINGLELINE | DT_NOCLIP, 0xFFFFFFFFu), 20);
    RECT ink;
    ASSERT_TRUE(s.Ink(&ink));
    EXPECT_GE(ink.left, measured.left);
    EXPECT_GE(ink.top, measured.top);
    EXPECT_LE(ink.right, measured.right);
    EXPECT_LE(ink.bottom, measured.bottom);
    EXPECT_GT(ink.right - ink.left, (measured.right - measured.left) * 3 / 4);
    // White on black: grey levels, some of them full.
    bool full = false;
    for (uint32_t p : s.pixels)
    {
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        EXPECT_TRUE(r == g && g == b);
        full = full || p == 0xFFFFFFFFu;
    }
    EXPECT_TRUE(full);
}

TEST(FontRaster, StringDrawsAsItsCharactersSideBySide)
{
    // What the bitmap fonts rely on: a character drawn at the sum of the widths
    // before it gives the same pixels as the whole string.
    auto font = MakeFont(28);
    ASSERT_TRUE(font);
    const char* text = "Hello \xB3\xF3\xBF";
    Surface whole(200, 40), oneByOne(200, 40);
    RECT r{4, 4, 4, 4};
    font->DrawText(whole.View(), text, -1, &r, DT_NOCLIP, 0xFFFFFFFFu);
    int x = 4;
    for (const char* p = text; *p; ++p)
    {
        RECT at{x, 4, x, 4};
        font->DrawText(oneByOne.View(), p, 1, &at, DT_NOCLIP, 0xFFFFFFFFu);
        x += Width(*font, p, 1);
    }
    EXPECT_EQ(x - 4, Width(*font, text));
    EXPECT_EQ(whole.pixels, oneByOne.pixels);
}

TEST(FontRaster, ClippingKeepsToTheRectangleUnlessNoClip)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const int w = Width(*font, "Hello");
    const RECT half{10, 10, 10 + w / 2, 30};

    Surface clipped(200, 60);
    RECT r = half;
    font->DrawText(clipped.View(), "Hello", -1, &r, DT_SINGLELINE, 0xFFFFFFFFu);
    RECT ink;
    ASSERT_TRUE(clipped.Ink(&ink));
    EXPECT_LE(ink.right, half.right);
    EXPECT_GE(ink.left, half.left);

    Surface free(200, 60);
    r = half;
    font->DrawText(free.View(), "Hello", -1, &r, DT_SINGLELINE | DT_NOCLIP, 0xFFFFFFFFu);
    ASSERT_TRUE(free.Ink(&ink));
    EXPECT_GT(ink.right, half.right + w / 4);

    // A rectangle of no size clips everything away.
    Surface empty(200, 60);
    r = RECT{10, 10, 10, 10};
    font->DrawText(empty.View(), "Hello", -1, &r, DT_SINGLELINE, 0xFFFFFFFFu);
    EXPECT_FALSE(empty.Ink(&ink));
}

TEST(FontRaster, SurfaceEdgesClipWithoutTouchingMemoryOutside)
{
    auto font = MakeFont(28);
    ASSERT_TRUE(font);
    // A surface inside a larger block: the guard rows and columns must stay.
    const int w = 40, h = 20, pitchPixels = 48;
    const uint32_t guard = 0x12345678u;
    std::vector<uint32_t> block(size_t(pitchPixels) * (h + 2), guard);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            block[size_t(y + 1) * pitchPixels + x] = 0xFF000000u;
    const TkSurfaceView view{block.data() + pitchPixels, pitchPixels * 4, w, h};
    const RECT places[] = {{-30, -15, 0, 0}, {20, 5, 20, 5}, {-5000, 3, 0, 0}, {35, -10, 35, -10}};
    for (RECT at : places)
        font->DrawText(view, "WMW\xB9", -1, &at, DT_NOCLIP, 0xFFFFFFFFu);
    bool drawn = false;
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < pitchPixels; ++x)
        {
            const uint32_t p = block[size_t(y) * pitchPixels + x];
            if (y == 0 || y == h + 1 || x >= w)
                EXPECT_EQ(p, guard) << x << "," << y;
            else
                drawn = drawn || p != 0xFF000000u;
        }
    EXPECT_TRUE(drawn);
}

TEST(FontRaster, ColourAndAlphaBlendOverTheSurface)
{
    auto font = MakeFont(28);
    ASSERT_TRUE(font);
    const RECT at{2, 2, 2, 2};

    Surface transparent(120, 40);
    RECT r = at;
    font->DrawText(transparent.View(), "Hello", -1, &r, DT_NOCLIP, 0x00FFFFFFu);
    RECT ink;
    EXPECT_FALSE(transparent.Ink(&ink)) << "alpha 0 draws nothing";

    Surface red(120, 40);
    r = at;
    font->DrawText(red.View(), "Hello", -1, &r, DT_NOCLIP, 0xFFFF0000u);
    uint32_t brightest = 0;
    for (uint32_t p : red.pixels)
    {
        EXPECT_EQ(p & 0x0000FFFFu, 0u) << "no green or blue in red text";
        brightest = std::max(brightest, p);
    }
    EXPECT_EQ(brightest, 0xFFFF0000u);

    Surface half(120, 40, 0x00000000u);
    r = at;
    font->DrawText(half.View(), "Hello", -1, &r, DT_NOCLIP, 0x80FFFFFFu);
    uint32_t maxRed = 0, maxAlpha = 0;
    for (uint32_t p : half.pixels)
    {
        maxRed = std::max(maxRed, (p >> 16) & 0xFF);
        maxAlpha = std::max(maxAlpha, p >> 24);
    }
    EXPECT_EQ(maxRed, 0x80u);
    EXPECT_EQ(maxAlpha, (0x80u * 0x80u + 127) / 255) << "alpha blends by source alpha too";
}

TEST(FontRaster, CoverageMatchesWhatIsDrawn)
{
    auto font = MakeFont(20);
    ASSERT_TRUE(font);
    const RECT rect{3, 5, 90, 30};
    const TkTextLayout layout = font->Layout("Hello", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    TkTextCoverage cov;
    ASSERT_TRUE(TkFontRaster::Coverage(layout, nullptr, &cov));
    EXPECT_GE(cov.left, layout.left);
    EXPECT_LE(cov.left + cov.width, layout.right);
    EXPECT_GE(cov.top, layout.top);
    EXPECT_LE(cov.top + cov.height, layout.bottom);

    Surface s(100, 40);
    RECT r = rect;
    font->DrawText(s.View(), "Hello", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0xFFFFFFFFu);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
        {
            uint32_t expected = 0;
            if (x >= cov.left && x < cov.left + cov.width && y >= cov.top && y < cov.top + cov.height)
                expected = cov.alpha[size_t(y - cov.top) * cov.width + (x - cov.left)];
            ASSERT_EQ(s.At(x, y) & 0xFF, expected) << x << "," << y;
        }
}

TEST(FontRaster, PolishByteDrawsItsLetter)
{
    auto font = MakeFont(28);
    ASSERT_TRUE(font);
    const TkGlyph& a = font->Glyph('a');
    const TkGlyph& aOgonek = font->Glyph(0xB9);
    ASSERT_FALSE(aOgonek.coverage.empty());
    EXPECT_GT(aOgonek.advance, 0);
    // The ogonek hangs below the baseline where a plain 'a' (and the Latin-1
    // superscript one of the same byte) does not.
    EXPECT_LE(a.top - a.height, 0);
    EXPECT_LT(aOgonek.top - aOgonek.height, a.top - a.height);
    EXPECT_LE(aOgonek.top, a.top + 1);

    Surface s(60, 40);
    RECT r{5, 5, 5, 5};
    font->DrawText(s.View(), "\xB9", -1, &r, DT_NOCLIP, 0xFFFFFFFFu);
    RECT ink;
    EXPECT_TRUE(s.Ink(&ink));
}

TEST(FontRaster, BoldIsWiderAndNonAntialiasedIsTwoLevel)
{
    auto normal = MakeFont(20, 400);
    auto bold = MakeFont(20, 700);
    ASSERT_TRUE(normal && bold);
    EXPECT_GT(Width(*bold, "Hello World"), Width(*normal, "Hello World"));

    auto mono = MakeFont(20, 0, "DejaVu Sans", NONANTIALIASED_QUALITY);
    ASSERT_TRUE(mono);
    Surface s(120, 30);
    RECT r{0, 0, 0, 0};
    mono->DrawText(s.View(), "Hello", -1, &r, DT_NOCLIP, 0xFFFFFFFFu);
    bool any = false;
    for (uint32_t p : s.pixels)
    {
        EXPECT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu);
        any = any || p == 0xFFFFFFFFu;
    }
    EXPECT_TRUE(any);
}
} // namespace
