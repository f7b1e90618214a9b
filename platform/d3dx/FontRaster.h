#pragma once
// The core of a D3DX font: a TrueType face at a pixel size, its glyphs
// rasterised (antialiased grey) and cached per text byte, one-line layout
// with the DrawText formats, and drawing into a 32-bit memory surface.
// Independent of any device: the ID3DXFont glue draws through it. A font is
// used by one thread at a time (its glyph cache fills as it draws).
//
// Measuring and drawing share one layout, so a text is drawn exactly as wide
// as it measures, and the width of a string is the sum of its characters'
// widths (no kerning: bitmap fonts are built a character at a time and their
// widths must add up to what the font measures).

#include "platform/d3d9/D3D9Types.h"
#include "platform/d3dx/FontFace.h"
#include "platform/d3dx/FontTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the font is created from; the fields of D3DXCreateFontA.
struct TkFontDesc
{
    int height = 0;         // > 0: cell height (ascent + descent); < 0: em height; 0: default
    unsigned width = 0;     // average character width; 0 keeps the face's proportions
    unsigned weight = 0;    // 0 (don't care) is normal (400); 700 and above bold
    unsigned mipLevels = 1; // kept for the glue's glyph textures
    bool italic = false;    // slanted when the face has no italic of its own
    BYTE charSet = DEFAULT_CHARSET;
    BYTE outputPrecision = OUT_DEFAULT_PRECIS;
    BYTE quality = DEFAULT_QUALITY; // NONANTIALIASED_QUALITY gives two-level glyphs
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::string faceName; // empty: the system's default face
};

// Cell height used for a height of 0, as GDI's default font is about that size.
constexpr int kTkDefaultFontCellHeight = 16;
// Fonts above this many pixels are refused (glyph bitmaps grow with its square).
constexpr int kTkMaxFontHeight = 1024;
// Coverage bitmaps are cut to this many pixels per side.
constexpr int kTkMaxCoverageSide = 8192;

// Text metrics in pixels, as GetTextMetrics reports them.
struct TkFontMetrics
{
    int height = 0; // line height: ascent + descent
    int ascent = 0; // baseline below the top of a line
    int descent = 0;
    int internalLeading = 0; // height less the em size
    int averageWidth = 0;
    int maxWidth = 0;
    int weight = 0; // as asked (0 reported as 400)
    bool italic = false;
};

// One character's glyph. The bitmap is placed with its top-left corner at
// (pen x + left, baseline - top).
struct TkGlyph
{
    int advance = 0; // pen step; 0 for control characters
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage; // width x height, rows top down, 0..255
};

// A glyph at its place in target pixels (top-left corner of its bitmap).
struct TkPlacedGlyph
{
    const TkGlyph* glyph = nullptr;
    int64_t x = 0;
    int64_t y = 0;
};

// A text laid out in a rectangle with DrawText formats.
struct TkTextLayout
{
    int64_t left = 0, top = 0, right = 0, bottom = 0; // the text's box as placed
    int64_t clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
    bool clipped = false;              // glyph pixels outside the clip box are dropped
    int lines = 0;                     // 0 for an empty text
    int width = 0;                     // widest line
    int height = 0;                    // lines x line height
    int result = 0;                    // what DrawText returns (see TkFontRaster::DrawText)
    std::vector<TkPlacedGlyph> glyphs; // only glyphs with pixels
};

// The pixels of a laid-out text: 8-bit coverage placed at (left, top).
struct TkTextCoverage
{
    int64_t left = 0;
    int64_t top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> alpha; // width x height, rows top down
};

// A locked 32-bit A8R8G8B8 surface: little-endian pixels, B, G, R, A in memory.
struct TkSurfaceView
{
    void* bits = nullptr;
    int pitch = 0; // bytes from one row to the next
    int width = 0;
    int height = 0;
};

class TkFontRaster
{
public:
    // A font, or null when no face exists or the size is out of range (one
    // line on stderr says which).
    static std::unique_ptr<TkFontRaster> Create(const TkFontDesc& desc);
    ~TkFontRaster();
    TkFontRaster(const TkFontRaster&) = delete;
    TkFontRaster& operator=(const TkFontRaster&) = delete;

    const TkFontDesc& Desc() const { return m_Desc; }
    const TkFontFace& Face() const { return m_Face; }
    const TkFontMetrics& Metrics() const { return m_Metrics; }

    // The glyph of a text byte (Windows-1250), rasterised on first use.
    const TkGlyph& Glyph(unsigned char byte);

    // Lays out `count` bytes of the text (all up to the terminator when
    // negative; a 0 byte always ends it) in the rectangle (null: an empty one
    // at the origin, not clipping). Without DT_SINGLELINE a line feed, a
    // carriage return or both together start a new line. Horizontal: DT_LEFT,
    // DT_CENTER, DT_RIGHT per line; vertical: DT_TOP, DT_VCENTER, DT_BOTTOM for
    // the block of lines. Clipped to the rectangle unless DT_NOCLIP. Other
    // formats (DT_WORDBREAK, DT_EXPANDTABS) are reported once and ignored.
    TkTextLayout Layout(const char* text, int count, const RECT* rect, DWORD format);

    // DT_CALCRECT: the rectangle's right and bottom become left + widest line
    // and top + height (right = left, bottom = top for an empty text). Returns
    // the height.
    int Measure(const char* text, int count, RECT* rect, DWORD format);

    // ID3DXFont::DrawText into a memory surface: with DT_CALCRECT as Measure;
    // otherwise draws the text in the colour, coverage x colour alpha blended
    // over the surface (source alpha, inverse source alpha, on all four
    // channels as the device's blend does), inside the rectangle unless
    // DT_NOCLIP and always inside the surface. Returns the text's height, or
    // with DT_VCENTER or DT_BOTTOM the offset from the rectangle's top to the
    // bottom of the text; 0 for an empty text.
    int DrawText(const TkSurfaceView& surface, const char* text, int count, RECT* rect, DWORD format,
                 D3DCOLOR color);

    // The coverage of a laid-out text, inside its clip box and, when given, the
    // limit rectangle (such as a target's bounds). False when nothing is left.
    static bool Coverage(const TkTextLayout& layout, const RECT* limit, TkTextCoverage* out);

    // Blends coverage x colour over a surface, as DrawText does.
    static void Blend(const TkTextCoverage& coverage, D3DCOLOR color, const TkSurfaceView& surface);

private:
    TkFontRaster() = default;
    bool Open(const TkFontDesc& desc);
    void Rasterise(unsigned char byte, TkGlyph& glyph);

    TkFontDesc m_Desc;
    TkFontFace m_Face;
    TkFontMetrics m_Metrics;
    FT_Face m_FtFace = nullptr;
    bool m_Embolden = false; // the face is lighter than asked
    bool m_Slant = false;    // italic asked, the face is upright
    bool m_Mono = false;     // two-level glyphs
    bool m_Symbol = false;   // a symbol face: bytes map to 0xF000 + byte
    std::array<TkGlyph, 256> m_Glyphs;
    std::array<bool, 256> m_Loaded{};
};
