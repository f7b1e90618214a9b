// The DDS container: a 128-byte header (magic, surface description, pixel
// format, capabilities) followed by every level of every face, largest first.
// Every count is checked against the file before anything is allocated.

#include "platform/d3d9/Formats.h"
#include "platform/d3dx/ImageFile.h"

#include <cstring>

namespace tk::d3dx
{
namespace
{
constexpr size_t kHeaderBytes = 128; // magic + the 124-byte description
constexpr DWORD kMagic = MAKEFOURCC('D', 'D', 'S', ' ');
constexpr DWORD kDescriptionSize = 124;
constexpr DWORD kPixelFormatSize = 32;

// Offsets of the fields we read, from the start of the file.
constexpr size_t kOffFlags = 8;
constexpr size_t kOffHeight = 12;
constexpr size_t kOffWidth = 16;
constexpr size_t kOffMipCount = 28;
constexpr size_t kOffPfSize = 76;
constexpr size_t kOffPfFlags = 80;
constexpr size_t kOffFourCC = 84;
constexpr size_t kOffBitCount = 88;
constexpr size_t kOffRMask = 92;
constexpr size_t kOffGMask = 96;
constexpr size_t kOffBMask = 100;
constexpr size_t kOffAMask = 104;
constexpr size_t kOffCaps2 = 112;

constexpr DWORD kFlagMipCount = 0x20000;
constexpr DWORD kPfAlphaPixels = 0x1;
constexpr DWORD kPfAlpha = 0x2;
constexpr DWORD kPfFourCC = 0x4;
constexpr DWORD kPfRgb = 0x40;
constexpr DWORD kPfLuminance = 0x20000;
constexpr DWORD kCaps2Cube = 0x200;
constexpr DWORD kCaps2AllFaces = 0xFC00;
constexpr DWORD kCaps2Volume = 0x200000;

constexpr UINT kCubeFaces = 6;

DWORD Read32(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

UINT FullChain(UINT width, UINT height)
{
    UINT levels = 1;
    while (width > 1 || height > 1)
    {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

enum class Channels
{
    Rgb,
    Luminance,
    Alpha,
};

// Uncompressed formats by their bit count and channel masks (luminance in the red mask).
struct MaskedFormat
{
    D3DFORMAT format;
    Channels kind;
    DWORD bits, r, g, b, a;
};

constexpr MaskedFormat kMaskedFormats[] = {
    {D3DFMT_R8G8B8, Channels::Rgb, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8R8G8B8, Channels::Rgb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
    {D3DFMT_X8R8G8B8, Channels::Rgb, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8B8G8R8, Channels::Rgb, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u},
    {D3DFMT_X8B8G8R8, Channels::Rgb, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_A2R10G10B10, Channels::Rgb, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u},
    {D3DFMT_A2B10G10R10, Channels::Rgb, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000u},
    {D3DFMT_G16R16, Channels::Rgb, 32, 0xFFFF, 0xFFFF0000u, 0, 0},
    {D3DFMT_R5G6B5, Channels::Rgb, 16, 0xF800, 0x7E0, 0x1F, 0},
    {D3DFMT_X1R5G5B5, Channels::Rgb, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {D3DFMT_A1R5G5B5, Channels::Rgb, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D3DFMT_A4R4G4B4, Channels::Rgb, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {D3DFMT_X4R4G4B4, Channels::Rgb, 16, 0xF00, 0xF0, 0xF, 0},
    {D3DFMT_A8R3G3B2, Channels::Rgb, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {D3DFMT_R3G3B2, Channels::Rgb, 8, 0xE0, 0x1C, 0x3, 0},
    {D3DFMT_L8, Channels::Luminance, 8, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, Channels::Luminance, 16, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, Channels::Luminance, 8, 0xF, 0, 0, 0xF0},
    {D3DFMT_L16, Channels::Luminance, 16, 0xFFFF, 0, 0, 0},
    {D3DFMT_A8, Channels::Alpha, 8, 0, 0, 0, 0xFF},
};

struct Layout
{
    D3DFORMAT format = D3DFMT_UNKNOWN; // as the file holds it
    D3DFORMAT held = D3DFMT_UNKNOWN;   // as the picture keeps it
    const MaskedFormat* masked = nullptr;
    D3DFORMAT blocks = D3DFMT_UNKNOWN; // the block layout of a premultiplied DXT format
    UINT width = 0, height = 0, levels = 0, faces = 0;
};

bool DeviceHolds(D3DFORMAT format)
{
    const tk::d3d9::FormatKind kind = tk::d3d9::GetFormatInfo(format).kind;
    return kind == tk::d3d9::FormatKind::Color || kind == tk::d3d9::FormatKind::Compressed;
}

// The pixel-format block: the file's format and the one the picture keeps
// (A8R8G8B8 or X8R8G8B8 for what the device does not take); false for what we
// do not read.
bool PixelFormat(const BYTE* file, Layout* out)
{
    const DWORD flags = Read32(file + kOffPfFlags);
    const DWORD bits = Read32(file + kOffBitCount);
    const DWORD r = Read32(file + kOffRMask), g = Read32(file + kOffGMask), b = Read32(file + kOffBMask),
                a = Read32(file + kOffAMask);
    if (flags & kPfFourCC)
    {
        const auto code = static_cast<D3DFORMAT>(Read32(file + kOffFourCC));
        if (code == D3DFMT_DXT1 || code == D3DFMT_DXT3 || code == D3DFMT_DXT5 || code == D3DFMT_G16R16F ||
            code == D3DFMT_A16B16G16R16F || code == D3DFMT_R32F)
        {
            out->format = out->held = code;
            return true;
        }
        if (code == D3DFMT_DXT2 || code == D3DFMT_DXT4)
        {
            out->format = code;
            out->blocks = code == D3DFMT_DXT2 ? D3DFMT_DXT3 : D3DFMT_DXT5;
            out->held = D3DFMT_A8R8G8B8;
            return true;
        }
        return false;
    }
    Channels kind;
    if (flags & kPfRgb)
        kind = Channels::Rgb;
    else if (flags & kPfLuminance)
        kind = Channels::Luminance;
    else if (flags & kPfAlpha)
        kind = Channels::Alpha;
    else
        return false;
    // An alpha mask counts only with its flag (an alpha-only format is nothing but its mask).
    const DWORD alpha = (kind == Channels::Alpha || (flags & kPfAlphaPixels)) ? a : 0;
    for (const MaskedFormat& m : kMaskedFormats)
    {
        if (m.kind != kind || m.bits != bits || m.a != alpha)
            continue;
        if (kind == Channels::Rgb && (m.r != r || m.g != g || m.b != b))
            continue;
        if (kind == Channels::Luminance && m.r != r)
            continue;
        out->format = m.format;
        out->masked = &m;
        out->held = DeviceHolds(m.format) ? m.format : (m.a ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
        return true;
    }
    return false;
}

bool ReadLayout(const BYTE* data, size_t size, Layout* out, std::string* why)
{
    if (size < kHeaderBytes || Read32(data) != kMagic)
        return *why = "not a DDS file", false;
    if (Read32(data + 4) != kDescriptionSize || Read32(data + kOffPfSize) != kPixelFormatSize)
        return *why = "damaged DDS header", false;
    out->width = Read32(data + kOffWidth);
    out->height = Read32(data + kOffHeight);
    if (out->width == 0 || out->height == 0 || out->width > kMaxImageEdge || out->height > kMaxImageEdge)
        return *why = "DDS size out of range", false;
    if (!PixelFormat(data, out))
        return *why = "unsupported DDS pixel format", false;
    const DWORD caps2 = Read32(data + kOffCaps2);
    if (caps2 & kCaps2Volume)
        return *why = "volume DDS files are not supported", false;
    out->faces = 1;
    if (caps2 & kCaps2Cube)
    {
        if ((caps2 & kCaps2AllFaces) != kCaps2AllFaces || out->width != out->height)
            return *why = "cube DDS without six square faces", false;
        out->faces = kCubeFaces;
    }
    out->levels = 1;
    if (Read32(data + kOffFlags) & kFlagMipCount)
    {
        const DWORD count = Read32(data + kOffMipCount);
        if (count > FullChain(out->width, out->height))
            return *why = "DDS mip count larger than the chain", false;
        out->levels = count ? count : 1;
    }
    return true;
}
} // namespace

size_t LevelBytes(D3DFORMAT format, UINT width, UINT height)
{
    return size_t(tk::d3d9::FormatRowPitch(format, width)) * tk::d3d9::FormatRowCount(format, height);
}

bool ReadDdsInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO* out, std::string* why)
{
    Layout layout;
    if (!ReadLayout(data, size, &layout, why))
        return false;
    *out = {
        layout.width,  layout.height, 1,
        layout.levels, layout.format, layout.faces == kCubeFaces ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE,
        D3DXIFF_DDS};
    return true;
}

namespace
{
// Bytes of one level as the file holds it.
size_t FileLevelBytes(const Layout& layout, UINT width, UINT height)
{
    if (layout.masked)
        return size_t(width) * (layout.masked->bits / 8) * height;
    return LevelBytes(layout.blocks != D3DFMT_UNKNOWN ? layout.blocks : layout.format, width, height);
}

// A channel scaled from its mask's range to 0..255.
DWORD Channel(DWORD pixel, DWORD mask)
{
    const int shift = __builtin_ctz(mask);
    const unsigned long long top = mask >> shift;
    return DWORD(((pixel & mask) >> shift) * 255ull + top / 2) / DWORD(top);
}

// One level of a masked format as A8R8G8B8 (X8R8G8B8 has its alpha set too).
void ConvertMasked(const MaskedFormat& m, const BYTE* src, size_t pixels, BYTE* out)
{
    const size_t bytes = m.bits / 8;
    for (size_t i = 0; i < pixels; ++i)
    {
        DWORD pixel = 0;
        for (size_t k = 0; k < bytes; ++k)
            pixel |= DWORD(src[i * bytes + k]) << (8 * k);
        // A colour channel the format lacks reads as full, as the device samples it.
        DWORD r = m.r ? Channel(pixel, m.r) : 0xFF, g = m.g ? Channel(pixel, m.g) : 0xFF,
              b = m.b ? Channel(pixel, m.b) : 0xFF;
        if (m.kind == Channels::Luminance)
            g = b = r;
        else if (m.kind == Channels::Alpha)
            r = g = b = 0;
        const DWORD a = m.a ? Channel(pixel, m.a) : 0xFF;
        const DWORD argb = a << 24 | r << 16 | g << 8 | b;
        std::memcpy(out + i * 4, &argb, 4);
    }
}

// The layout of every level, checked against the file: offsets into the bytes
// the picture keeps (the file's own when it keeps the file's format), and into
// the file.
bool PlanDds(const BYTE* data, size_t size, Image* out, Layout* layout, std::vector<size_t>* fileOffsets,
             std::string* why)
{
    if (!ReadLayout(data, size, layout, why))
        return false;
    // Sizes of every level, summed in 64 bits and checked against the file
    // before anything is allocated for them.
    const bool converted = layout->held != layout->format;
    std::vector<size_t> offsets;
    offsets.reserve(size_t(layout->faces) * layout->levels);
    fileOffsets->clear();
    unsigned long long total = 0, heldTotal = 0;
    for (UINT face = 0; face < layout->faces; ++face)
        for (UINT level = 0; level < layout->levels; ++level)
        {
            const UINT w = layout->width >> level ? layout->width >> level : 1;
            const UINT h = layout->height >> level ? layout->height >> level : 1;
            fileOffsets->push_back(static_cast<size_t>(kHeaderBytes + total));
            offsets.push_back(static_cast<size_t>(converted ? heldTotal : kHeaderBytes + total));
            total += FileLevelBytes(*layout, w, h);
            heldTotal += LevelBytes(layout->held, w, h);
        }
    if (total == 0 || total > size - kHeaderBytes)
        return *why = "DDS file shorter than its levels", false;
    out->format = layout->held;
    out->width = layout->width;
    out->height = layout->height;
    out->levels = layout->levels;
    out->faces = layout->faces;
    out->offsets = std::move(offsets);
    if (converted)
    {
        out->bytes.resize(static_cast<size_t>(heldTotal));
        for (size_t i = 0; i < fileOffsets->size(); ++i)
        {
            const UINT level = UINT(i % layout->levels);
            const UINT w = out->LevelWidth(level), h = out->LevelHeight(level);
            BYTE* pixels = out->bytes.data() + out->offsets[i];
            if (layout->masked)
                ConvertMasked(*layout->masked, data + (*fileOffsets)[i], size_t(w) * h, pixels);
            else
            {
                std::vector<DWORD> decoded(size_t(w) * h);
                DecodeDxt(layout->blocks, data + (*fileOffsets)[i], w, h, decoded.data());
                std::memcpy(pixels, decoded.data(), decoded.size() * 4);
            }
        }
    }
    return ReadDdsInfo(data, size, &out->info, why);
}
} // namespace

bool DecodeDds(const BYTE* data, size_t size, Image* out, std::string* why)
{
    Layout layout;
    std::vector<size_t> fileOffsets;
    if (!PlanDds(data, size, out, &layout, &fileOffsets, why))
        return false;
    if (layout.held == layout.format)
        out->bytes.assign(data, data + size);
    return true;
}

bool TakeDds(ByteBuffer&& file, Image* out, std::string* why)
{
    Layout layout;
    std::vector<size_t> fileOffsets;
    if (!PlanDds(file.data(), file.size(), out, &layout, &fileOffsets, why))
        return false;
    // Levels the picture keeps in the file's format stay where they are in the file's bytes: no copy.
    if (layout.held == layout.format)
        out->bytes = std::move(file);
    return true;
}

// ---- Block decoding ---------------------------------------------------------

namespace
{
constexpr UINT kBlockEdge = 4;

DWORD Expand565(WORD c)
{
    const DWORD r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

DWORD Mix(DWORD a, DWORD b, DWORD wa, DWORD wb, DWORD div)
{
    DWORD out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((a >> shift & 0xFF) * wa + (b >> shift & 0xFF) * wb) / div) << shift;
    return out;
}

// The four colours of a colour block; `threeColour` allows DXT1's mode with a
// transparent fourth entry.
void Palette(const BYTE* block, bool threeColour, DWORD colours[4])
{
    const WORD c0 = WORD(block[0] | block[1] << 8), c1 = WORD(block[2] | block[3] << 8);
    colours[0] = Expand565(c0);
    colours[1] = Expand565(c1);
    if (c0 > c1 || !threeColour)
    {
        colours[2] = Mix(colours[0], colours[1], 2, 1, 3);
        colours[3] = Mix(colours[0], colours[1], 1, 2, 3);
    }
    else
    {
        colours[2] = Mix(colours[0], colours[1], 1, 1, 2);
        colours[3] = 0;
    }
}

void DecodeBlock(D3DFORMAT format, const BYTE* block, DWORD pixels[16])
{
    const BYTE* colourBlock = format == D3DFMT_DXT1 ? block : block + 8;
    DWORD colours[4];
    Palette(colourBlock, format == D3DFMT_DXT1, colours);
    const DWORD indices = Read32(colourBlock + 4);
    for (int i = 0; i < 16; ++i)
        pixels[i] = colours[indices >> (2 * i) & 3];
    if (format == D3DFMT_DXT3)
    {
        for (int i = 0; i < 16; ++i)
        {
            const DWORD alpha = (block[i / 2] >> (4 * (i & 1))) & 0xF;
            pixels[i] = (pixels[i] & 0xFFFFFF) | (alpha * 17) << 24;
        }
    }
    else if (format == D3DFMT_DXT5)
    {
        DWORD alphas[8];
        alphas[0] = block[0];
        alphas[1] = block[1];
        if (alphas[0] > alphas[1])
            for (DWORD i = 1; i < 7; ++i)
                alphas[i + 1] = (alphas[0] * (7 - i) + alphas[1] * i) / 7;
        else
        {
            for (DWORD i = 1; i < 5; ++i)
                alphas[i + 1] = (alphas[0] * (5 - i) + alphas[1] * i) / 5;
            alphas[6] = 0;
            alphas[7] = 255;
        }
        unsigned long long bits = 0;
        for (int i = 0; i < 6; ++i)
            bits |= (unsigned long long)block[2 + i] << (8 * i);
        for (int i = 0; i < 16; ++i)
            pixels[i] = (pixels[i] & 0xFFFFFF) | alphas[bits >> (3 * i) & 7] << 24;
    }
}
} // namespace

void DecodeDxt(D3DFORMAT format, const BYTE* blocks, UINT width, UINT height, DWORD* out)
{
    const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
    const UINT across = (width + kBlockEdge - 1) / kBlockEdge;
    const UINT down = (height + kBlockEdge - 1) / kBlockEdge;
    DWORD pixels[16];
    for (UINT by = 0; by < down; ++by)
        for (UINT bx = 0; bx < across; ++bx)
        {
            DecodeBlock(format, blocks + (size_t(by) * across + bx) * blockBytes, pixels);
            for (UINT y = 0; y < kBlockEdge && by * kBlockEdge + y < height; ++y)
                for (UINT x = 0; x < kBlockEdge && bx * kBlockEdge + x < width; ++x)
                    out[size_t(by * kBlockEdge + y) * width + bx * kBlockEdge + x] =
                        pixels[y * kBlockEdge + x];
        }
}
} // namespace tk::d3dx
