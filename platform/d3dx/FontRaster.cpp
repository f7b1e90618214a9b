#include "platform/d3dx/FontRaster.h"

#include "platform/d3dx/CodePage.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Faces at or above this weight count as bold; a lighter face asked for bold
// is emboldened.
constexpr int kBoldWeight = 600;

// Centring halves the slack as integers do, toward zero: a text 41 pixels wide
// centred in an empty rectangle at x = 100 starts at 80.
int64_t Half(int64_t v)
{
    return v / 2;
}

LONG ToLong(int64_t v)
{
    return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int ToInt(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

int Scale(long units, long numerator, long denominator)
{
    if (denominator <= 0)
        return 0;
    return static_cast<int>(std::lround(double(units) * double(numerator) / double(denominator)));
}

size_t TextLength(const char* text, int count)
{
    if (!text)
        return 0;
    return count < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(count));
}

// The formats laid out here; any other is reported once and drawn without.
constexpr DWORD kSupportedFormats =
    DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP | DT_CALCRECT;

void ReportUnsupportedFormats(DWORD format)
{
    static std::atomic<DWORD> reported{0};
    const DWORD unsupported = format & ~kSupportedFormats;
    if (unsupported == 0 || (reported.fetch_or(unsupported) & unsupported) == unsupported)
        return;
    std::fprintf(stderr, "DrawText: format 0x%x is not supported; text is laid out without it\n",
                 unsigned(unsupported));
}

struct Line
{
    size_t begin = 0;
    size_t end = 0;
    int64_t width = 0;
};

// 8-bit coverage of a FreeType bitmap, whatever its pixel mode.
bool CopyBitmap(const FT_Bitmap& bm, TkGlyph& glyph)
{
    const int w = static_cast<int>(bm.width);
    const int h = static_cast<int>(bm.rows);
    if (w <= 0 || h <= 0 || !bm.buffer)
        return false;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO &&
        bm.pixel_mode != FT_PIXEL_MODE_BGRA)
        return false;
    glyph.width = w;
    glyph.height = h;
    glyph.coverage.assign(size_t(w) * size_t(h), 0);
    const int pitch = bm.pitch;
    const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int y = 0; y < h; ++y)
    {
        const unsigned char* row = pitch >= 0 ? bm.buffer + ptrdiff_t(y) * pitch
                                              : bm.buffer + ptrdiff_t(h - 1 - y) * -ptrdiff_t(pitch);
        uint8_t* out = glyph.coverage.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
        {
            switch (bm.pixel_mode)
            {
            case FT_PIXEL_MODE_MONO:
                out[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
                break;
            case FT_PIXEL_MODE_BGRA:
                out[x] = row[x * 4 + 3];
                break;
            default:
                out[x] = static_cast<uint8_t>(std::min(255, row[x] * 255 / grays));
                break;
            }
        }
    }
    return true;
}

// result = src x a + dst x (1 - a), rounded, with a in 0..255.
inline uint32_t Mix(uint32_t src, uint32_t dst, uint32_t a)
{
    return (src * a + dst * (255 - a) + 127) / 255;
}
} // namespace

std::unique_ptr<TkFontRaster> TkFontRaster::Create(const TkFontDesc& desc)
{
    std::unique_ptr<TkFontRaster> font(new TkFontRaster);
    if (!font->Open(desc))
        return nullptr;
    return font;
}

TkFontRaster::~TkFontRaster()
{
    TkCloseFontFace(m_FtFace);
}

bool TkFontRaster::Open(const TkFontDesc& desc)
{
    m_Desc = desc;
    const char* name = desc.faceName.c_str();
    if (desc.height < -kTkMaxFontHeight || desc.height > kTkMaxFontHeight ||
        desc.width > unsigned(kTkMaxFontHeight))
    {
        std::fprintf(stderr, "font \"%s\": size %d x %u is out of range\n", name, desc.height, desc.width);
        return false;
    }
    const int weight = desc.weight == 0 ? kTkFontWeightNormal : int(std::min(desc.weight, 1000u));
    if (!TkFindFontFace(name, weight, desc.italic, &m_Face))
    {
        std::fprintf(stderr, "font \"%s\": no font face is available\n", name);
        return false;
    }
    m_FtFace = TkOpenFontFace(m_Face.file, m_Face.index);
    if (!m_FtFace)
    {
        std::fprintf(stderr, "font \"%s\": font file \"%s\" cannot be opened\n", name, m_Face.file.c_str());
        return false;
    }
    FT_Face face = m_FtFace;
    // Symbol faces have no Unicode map; Windows reaches their glyphs at
    // 0xF000 + the byte.
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 &&
        FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0)
        m_Symbol = true;

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool haveOs2 = os2 && os2->version != 0xFFFF;
    int faceWeight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? kTkFontWeightBold : kTkFontWeightNormal;
    if (haveOs2 && os2->usWeightClass >= 1 && os2->usWeightClass <= 1000)
        faceWeight = os2->usWeightClass;
    m_Embolden = weight >= kBoldWeight && faceWeight < kBoldWeight;
    m_Slant = desc.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    m_Mono = desc.quality == NONANTIALIASED_QUALITY;
    m_Metrics.weight = weight;
    m_Metrics.italic = desc.italic;

    if (FT_IS_SCALABLE(face))
    {
        const long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
        // Windows sizes a cell by the face's Windows ascent and descent.
        long ascentUnits = haveOs2 ? long(os2->usWinAscent) : long(face->ascender);
        long descentUnits = haveOs2 ? long(os2->usWinDescent) : -long(face->descender);
        if (ascentUnits + descentUnits <= 0)
        {
            ascentUnits = face->ascender > 0 ? face->ascender : upem * 4 / 5;
            descentUnits = face->descender < 0 ? -face->descender : upem / 5;
        }
        const long cellUnits = ascentUnits + descentUnits;
        int ppem = 0;
        if (desc.height >= 0)
        {
            const int cell = desc.height > 0 ? desc.height : kTkDefaultFontCellHeight;
            ppem = std::max(1, Scale(cell, upem, cellUnits));
            m_Metrics.ascent = Scale(cell, ascentUnits, cellUnits);
            m_Metrics.descent = cell - m_Metrics.ascent;
        }
        else
        {
            ppem = -desc.height;
            m_Metrics.ascent = Scale(ppem, ascentUnits, upem);
            m_Metrics.descent = Scale(ppem, descentUnits, upem);
        }
        int xppem = ppem;
        if (desc.width > 0)
        {
            const long average = haveOs2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
            xppem = std::clamp(Scale(long(desc.width), upem, average), 1, 4 * kTkMaxFontHeight);
        }
        if (FT_Set_Pixel_Sizes(face, FT_UInt(xppem), FT_UInt(ppem)) != 0)
        {
            std::fprintf(stderr, "font \"%s\": face \"%s\" cannot be sized to %d pixels\n", name,
                         m_Face.family.c_str(), ppem);
            return false;
        }
        m_Metrics.height = m_Metrics.ascent + m_Metrics.descent;
        m_Metrics.internalLeading = std::max(0, m_Metrics.height - ppem);
        const long average = haveOs2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
        m_Metrics.averageWidth = Scale(average, xppem, upem);
        m_Metrics.maxWidth = Scale(face->max_advance_width, xppem, upem);
    }
    else
    {
        // A bitmap-only face: the strike nearest the height asked.
        if (face->num_fixed_sizes <= 0)
            return false;
        const int want = desc.height == 0 ? kTkDefaultFontCellHeight : std::abs(desc.height);
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i)
            if (std::abs(face->available_sizes[i].height - want) <
                std::abs(face->available_sizes[best].height - want))
                best = i;
        if (FT_Select_Size(face, best) != 0)
            return false;
        const FT_Size_Metrics& sm = face->size->metrics;
        m_Metrics.ascent = int((sm.ascender + 32) >> 6);
        m_Metrics.descent = int((-sm.descender + 32) >> 6);
        m_Metrics.height = m_Metrics.ascent + m_Metrics.descent;
        m_Metrics.averageWidth = int((sm.max_advance + 32) >> 6) / 2;
        m_Metrics.maxWidth = int((sm.max_advance + 32) >> 6);
    }
    return true;
}

const TkGlyph& TkFontRaster::Glyph(unsigned char byte)
{
    if (!m_Loaded[byte])
    {
        Rasterise(byte, m_Glyphs[byte]);
        m_Loaded[byte] = true;
    }
    return m_Glyphs[byte];
}

void TkFontRaster::Rasterise(unsigned char byte, TkGlyph& glyph)
{
    glyph = TkGlyph();
    const uint32_t cp = TkCp1250ToUnicode(byte);
    if (TkIsControlCodePoint(cp))
        return;
    FT_Face face = m_FtFace;
    FT_UInt index = FT_Get_Char_Index(face, m_Symbol ? 0xF000u | byte : cp);
    // Faces without a no-break space still have the space it stands for.
    if (index == 0 && cp == 0xA0)
        index = FT_Get_Char_Index(face, m_Symbol ? 0xF020u : 0x20u);
    // A character the face lacks draws its "missing" glyph (index 0), as Windows does.
    FT_Int32 flags = m_Mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_IS_SCALABLE(face))
        flags |= FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(face, index, flags) != 0)
        return;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE)
    {
        if (m_Embolden)
            FT_GlyphSlot_Embolden(slot);
        if (m_Slant)
            FT_GlyphSlot_Oblique(slot);
    }
    glyph.advance = std::max(0, int((slot->advance.x + 32) >> 6));
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, m_Mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return;
    if (CopyBitmap(slot->bitmap, glyph))
    {
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
    }
}

TkTextLayout TkFontRaster::Layout(const char* text, int count, const RECT* rect, DWORD format)
{
    ReportUnsupportedFormats(format);
    TkTextLayout layout;
    const size_t length = TextLength(text, count);
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    if (rect)
    {
        left = rect->left;
        top = rect->top;
        right = rect->right;
        bottom = rect->bottom;
    }
    layout.clipped = rect && !(format & DT_NOCLIP);
    layout.clipLeft = left;
    layout.clipTop = top;
    layout.clipRight = right;
    layout.clipBottom = bottom;
    layout.left = layout.right = left;
    layout.top = layout.bottom = top;
    if (length == 0)
        return layout;

    // Split into lines and measure each: the sum of the advances.
    std::vector<Line> lines(1);
    const bool single = (format & DT_SINGLELINE) != 0;
    for (size_t i = 0; i < length; ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!single && (c == '\n' || c == '\r'))
        {
            lines.back().end = i;
            if (c == '\r' && i + 1 < length && text[i + 1] == '\n')
                ++i;
            lines.push_back(Line{i + 1, i + 1, 0});
            continue;
        }
        lines.back().width += Glyph(c).advance;
    }
    lines.back().end = length;

    const int lineHeight = m_Metrics.height;
    const int64_t blockHeight = int64_t(lines.size()) * lineHeight;
    int64_t y = top;
    if (format & DT_BOTTOM)
        y = bottom - blockHeight;
    else if (format & DT_VCENTER)
        y = top + Half(bottom - top - blockHeight);

    int64_t widest = 0;
    int64_t boxLeft = INT64_MAX, boxRight = INT64_MIN;
    for (size_t n = 0; n < lines.size(); ++n)
    {
        const Line& line = lines[n];
        int64_t x = left;
        if (format & DT_CENTER)
            x = left + Half(right - left - line.width);
        else if (format & DT_RIGHT)
            x = right - line.width;
        widest = std::max(widest, line.width);
        boxLeft = std::min(boxLeft, x);
        boxRight = std::max(boxRight, x + line.width);
        const int64_t baseline = y + int64_t(n) * lineHeight + m_Metrics.ascent;
        for (size_t i = line.begin; i < line.end; ++i)
        {
            const TkGlyph& g = Glyph(static_cast<unsigned char>(text[i]));
            if (!g.coverage.empty())
                layout.glyphs.push_back(TkPlacedGlyph{&g, x + g.left, baseline - g.top});
            x += g.advance;
        }
    }
    layout.lines = int(lines.size());
    layout.width = ToInt(widest);
    layout.height = ToInt(blockHeight);
    layout.left = boxLeft;
    layout.right = boxRight;
    layout.top = y;
    layout.bottom = y + blockHeight;
    layout.result = (format & (DT_VCENTER | DT_BOTTOM)) ? ToInt(y + blockHeight - top) : layout.height;
    return layout;
}

int TkFontRaster::Measure(const char* text, int count, RECT* rect, DWORD format)
{
    const TkTextLayout layout = Layout(text, count, rect, format);
    if (rect)
    {
        rect->right = ToLong(int64_t(rect->left) + layout.width);
        rect->bottom = ToLong(int64_t(rect->top) + layout.height);
    }
    return layout.height;
}

int TkFontRaster::DrawText(const TkSurfaceView& surface, const char* text, int count, RECT* rect,
                           DWORD format, D3DCOLOR color)
{
    if (format & DT_CALCRECT)
        return Measure(text, count, rect, format);
    const TkTextLayout layout = Layout(text, count, rect, format);
    if (layout.lines == 0)
        return 0;
    if ((color >> 24) != 0 && surface.bits && surface.width > 0 && surface.height > 0)
    {
        const RECT bounds{0, 0, surface.width, surface.height};
        TkTextCoverage coverage;
        if (Coverage(layout, &bounds, &coverage))
            Blend(coverage, color, surface);
    }
    return layout.result;
}

bool TkFontRaster::Coverage(const TkTextLayout& layout, const RECT* limit, TkTextCoverage* out)
{
    if (!out)
        return false;
    *out = TkTextCoverage();
    if (layout.glyphs.empty())
        return false;
    int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    for (const TkPlacedGlyph& p : layout.glyphs)
    {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x + p.glyph->width);
        y1 = std::max(y1, p.y + p.glyph->height);
    }
    if (layout.clipped)
    {
        x0 = std::max(x0, layout.clipLeft);
        y0 = std::max(y0, layout.clipTop);
        x1 = std::min(x1, layout.clipRight);
        y1 = std::min(y1, layout.clipBottom);
    }
    if (limit)
    {
        x0 = std::max<int64_t>(x0, limit->left);
        y0 = std::max<int64_t>(y0, limit->top);
        x1 = std::min<int64_t>(x1, limit->right);
        y1 = std::min<int64_t>(y1, limit->bottom);
    }
    x1 = std::min(x1, x0 + kTkMaxCoverageSide);
    y1 = std::min(y1, y0 + kTkMaxCoverageSide);
    if (x1 <= x0 || y1 <= y0)
        return false;

    out->left = x0;
    out->top = y0;
    out->width = int(x1 - x0);
    out->height = int(y1 - y0);
    out->alpha.assign(size_t(out->width) * size_t(out->height), 0);
    for (const TkPlacedGlyph& p : layout.glyphs)
    {
        const TkGlyph& g = *p.glyph;
        const int64_t gx0 = std::max(p.x, x0), gx1 = std::min(p.x + g.width, x1);
        const int64_t gy0 = std::max(p.y, y0), gy1 = std::min(p.y + g.height, y1);
        for (int64_t y = gy0; y < gy1; ++y)
        {
            const uint8_t* src = g.coverage.data() + size_t(y - p.y) * size_t(g.width);
            uint8_t* dst = out->alpha.data() + size_t(y - y0) * size_t(out->width);
            for (int64_t x = gx0; x < gx1; ++x)
            {
                // Overlapping glyphs combine as one drawn over the other.
                const uint32_t a = src[x - p.x];
                const uint32_t b = dst[x - x0];
                dst[x - x0] = static_cast<uint8_t>(a + b - (a * b + 127) / 255);
            }
        }
    }
    return true;
}

void TkFontRaster::Blend(const TkTextCoverage& coverage, D3DCOLOR color, const TkSurfaceView& surface)
{
    const uint32_t alpha = color >> 24;
    if (alpha == 0 || !surface.bits || coverage.alpha.empty())
        return;
    const int64_t x0 = std::max<int64_t>(coverage.left, 0);
    const int64_t y0 = std::max<int64_t>(coverage.top, 0);
    const int64_t x1 = std::min<int64_t>(coverage.left + coverage.width, surface.width);
    const int64_t y1 = std::min<int64_t>(coverage.top + coverage.height, surface.height);
    const uint32_t r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    for (int64_t y = y0; y < y1; ++y)
    {
        uint8_t* row = static_cast<uint8_t*>(surface.bits) + ptrdiff_t(y) * surface.pitch;
        const uint8_t* src = coverage.alpha.data() + size_t(y - coverage.top) * size_t(coverage.width);
        for (int64_t x = x0; x < x1; ++x)
        {
            const uint32_t a = (src[x - coverage.left] * alpha + 127) / 255;
            if (a == 0)
                continue;
            uint32_t d;
            std::memcpy(&d, row + x * 4, 4);
            // The device blends every channel, alpha included, by source alpha.
            const uint32_t outA = Mix(a, d >> 24, a);
            const uint32_t outR = Mix(r, (d >> 16) & 0xFF, a);
            const uint32_t outG = Mix(g, (d >> 8) & 0xFF, a);
            const uint32_t outB = Mix(b, d & 0xFF, a);
            d = (outA << 24) | (outR << 16) | (outG << 8) | outB;
            std::memcpy(row + x * 4, &d, 4);
        }
    }
}
