// Reading a picture file into an Image: DDS by our own reader, every other
// format by stb_image, converted to A8R8G8B8 (X8R8G8B8 without alpha).

#include "platform/d3dx/ImageFile.h"

#include "platform/win32/Path.h"

#include <climits>
#include <cstdio>
#include <cstring>

#define STBI_MAX_DIMENSIONS 16384
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

static_assert(STBI_MAX_DIMENSIONS == tk::d3dx::kMaxImageEdge, "one limit for every reader");

namespace tk::d3dx
{
namespace
{
constexpr BYTE kDdsMagic[] = {'D', 'D', 'S', ' '};
constexpr BYTE kPngMagic[] = {0x89, 'P', 'N', 'G'};
constexpr BYTE kJpegMagic[] = {0xFF, 0xD8};
constexpr BYTE kBmpMagic[] = {'B', 'M'};
constexpr int kRgba = 4;
constexpr int kGreyAlpha = 2;

template <size_t N> bool StartsWith(const BYTE* data, size_t size, const BYTE (&magic)[N])
{
    return size >= N && std::memcmp(data, magic, N) == 0;
}

D3DXIMAGE_FILEFORMAT FileKind(const BYTE* data, size_t size)
{
    if (StartsWith(data, size, kPngMagic))
        return D3DXIFF_PNG;
    if (StartsWith(data, size, kJpegMagic))
        return D3DXIFF_JPG;
    if (StartsWith(data, size, kBmpMagic))
        return D3DXIFF_BMP;
    return D3DXIFF_TGA;
}

uint32_t Read16(const BYTE* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t Read32(const BYTE* p)
{
    return Read16(p) | Read16(p + 2) << 16;
}

// stb pads a short BMP with zeros rather than refusing it, so a few bytes could
// claim a picture of hundreds of millions of pixels: the file has to hold its
// rows. (stb reads no compressed BMP, so every accepted one has whole rows.)
constexpr size_t kBmpFileHeader = 14;
constexpr size_t kBmpCoreHeader = 12;
constexpr size_t kBmpInfoMinimum = 40;

bool CheckBmp(const BYTE* data, size_t size, UINT width, UINT height, std::string* why)
{
    if (size < kBmpFileHeader + 4 + kBmpCoreHeader)
        return *why = "BMP file shorter than its header", false;
    const size_t headerSize = Read32(data + kBmpFileHeader);
    const size_t pixelsAt = Read32(data + 10);
    size_t bits = 0;
    if (headerSize == kBmpCoreHeader)
        bits = Read16(data + kBmpFileHeader + 10);
    else if (headerSize >= kBmpInfoMinimum && size >= kBmpFileHeader + kBmpInfoMinimum)
        bits = Read16(data + kBmpFileHeader + 14);
    else
        return *why = "BMP file shorter than its header", false;
    const size_t rowBytes = (size_t(width) * bits + 31) / 32 * 4;
    if (pixelsAt > size || rowBytes * height > size - pixelsAt)
        return *why = "BMP file shorter than its pixels", false;
    return true;
}

// Deflate packs at most 1032 bytes into one, and each row of a PNG holds a
// filter byte and at least one bit a pixel: a file smaller than that bound
// cannot hold the picture its header claims.
constexpr size_t kDeflateMaxRatio = 1032;

bool CheckPng(size_t size, UINT width, UINT height, std::string* why)
{
    const size_t rowBytes = 1 + (size_t(width) + 7) / 8;
    if (rowBytes * height / kDeflateMaxRatio > size)
        return *why = "PNG file shorter than its pixels", false;
    return true;
}

// TGA is the one format stb reads leniently: a short file or a run that
// reaches past the picture is padded rather than refused. Walk the pixel data
// first so such files are refused as damaged.
constexpr size_t kTgaHeader = 18;
constexpr BYTE kTgaRunFlag = 0x80;
constexpr BYTE kTgaCountMask = 0x7F;
constexpr BYTE kTgaRleBit = 8;

bool CheckTga(const BYTE* data, size_t size, std::string* why)
{
    if (size < kTgaHeader)
        return *why = "TGA file shorter than its header", false;
    const size_t idLength = data[0];
    const size_t mapLength = size_t(data[5] | data[6] << 8);
    const size_t mapBytes = (size_t(data[7]) + 7) / 8 * mapLength;
    const BYTE type = data[2];
    const size_t width = size_t(data[12] | data[13] << 8), height = size_t(data[14] | data[15] << 8);
    const size_t pixelBytes = (size_t(data[16]) + 7) / 8;
    if (width == 0 || height == 0 || pixelBytes == 0)
        return *why = "TGA without pixels", false;
    size_t at = kTgaHeader + idLength + (data[1] ? mapBytes : 0);
    const size_t pixels = width * height;
    if (at > size)
        return *why = "TGA file shorter than its header", false;
    if (!(type & kTgaRleBit))
    {
        if (pixels * pixelBytes > size - at)
            return *why = "TGA file shorter than its pixels", false;
        return true;
    }
    size_t done = 0;
    while (done < pixels)
    {
        if (at >= size)
            return *why = "TGA file shorter than its pixels", false;
        const BYTE packet = data[at++];
        const size_t count = size_t(packet & kTgaCountMask) + 1;
        if (count > pixels - done)
            return *why = "TGA run longer than the picture", false;
        const size_t bytes = (packet & kTgaRunFlag) ? pixelBytes : count * pixelBytes;
        if (bytes > size - at)
            return *why = "TGA file shorter than its pixels", false;
        at += bytes;
        done += count;
    }
    return true;
}

// The format a TGA header describes: colour-mapped pictures are palettised,
// grey ones luminance (with alpha at 16 bits), true-colour ones by their bits.
constexpr BYTE kTgaTypeMask = 7;
constexpr BYTE kTgaColourMapped = 1, kTgaTrueColour = 2, kTgaGrey = 3;

D3DFORMAT TgaFormat(const BYTE* header)
{
    const BYTE bits = header[16];
    switch (header[2] & kTgaTypeMask)
    {
    case kTgaColourMapped:
        return D3DFMT_P8;
    case kTgaGrey:
        return bits == 16 ? D3DFMT_A8L8 : D3DFMT_L8;
    case kTgaTrueColour:
        switch (bits)
        {
        case 15:
            return D3DFMT_X1R5G5B5;
        case 16:
            return D3DFMT_A1R5G5B5;
        case 24:
            return D3DFMT_R8G8B8;
        default:
            return D3DFMT_A8R8G8B8;
        }
    default:
        return D3DFMT_UNKNOWN;
    }
}

bool FitsStb(size_t size, std::string* why)
{
    if (size == 0 || size > size_t(INT_MAX))
        return *why = "empty or oversized image file", false;
    return true;
}
} // namespace

bool ReadWholeFile(const char* path, ByteBuffer* out)
{
    if (!path || !path[0])
        return false;
    FILE* file = TkFopen(path, "rb");
    if (!file)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok)
    {
        out->resize(static_cast<size_t>(length));
        ok = length == 0 || std::fread(out->data(), 1, out->size(), file) == out->size();
    }
    std::fclose(file);
    return ok;
}

bool DecodeImageFile(ByteBuffer&& file, Image* out, std::string* why)
{
    if (StartsWith(file.data(), file.size(), kDdsMagic))
        return TakeDds(std::move(file), out, why);
    return DecodeImage(file.data(), file.size(), out, why);
}

bool ReadImageInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO* out, std::string* why)
{
    if (StartsWith(data, size, kDdsMagic))
        return ReadDdsInfo(data, size, out, why);
    if (!FitsStb(size, why))
        return false;
    if (FileKind(data, size) == D3DXIFF_JPG)
        return *why = "JPEG pictures are not read", false;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &comp) || w <= 0 || h <= 0 ||
        UINT(w) > kMaxImageEdge || UINT(h) > kMaxImageEdge)
        return *why = "unreadable image header", false;
    if (size_t(w) * size_t(h) > kMaxImagePixels)
        return *why = "picture too large", false;
    const D3DXIMAGE_FILEFORMAT kind = FileKind(data, size);
    D3DFORMAT format = comp == kRgba || comp == kGreyAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    // stb read the TGA header, so it is whole.
    if (kind == D3DXIFF_TGA && size >= kTgaHeader && TgaFormat(data) != D3DFMT_UNKNOWN)
        format = TgaFormat(data);
    *out = {UINT(w), UINT(h), 1, 1, format, D3DRTYPE_TEXTURE, kind};
    return true;
}

bool DecodeImage(const BYTE* data, size_t size, Image* out, std::string* why)
{
    if (StartsWith(data, size, kDdsMagic))
        return DecodeDds(data, size, out, why);
    if (!ReadImageInfo(data, size, &out->info, why))
        return false;
    // The header's size is checked against the file before stb allocates or
    // decodes anything for it.
    const UINT width = out->info.Width, height = out->info.Height;
    switch (out->info.ImageFileFormat)
    {
    case D3DXIFF_TGA:
        if (!CheckTga(data, size, why))
            return false;
        break;
    case D3DXIFF_BMP:
        if (!CheckBmp(data, size, width, height, why))
            return false;
        break;
    case D3DXIFF_PNG:
        if (!CheckPng(size, width, height, why))
            return false;
        break;
    default:
        return *why = "unknown picture format", false;
    }
    int w = 0, h = 0, comp = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &comp, kRgba);
    // The pixels are kept as A8R8G8B8, or X8R8G8B8 when the file has no alpha.
    const bool alpha = comp == kRgba || comp == kGreyAlpha;
    if (!pixels)
    {
        const char* reason = stbi_failure_reason();
        *why = reason ? reason : "undecodable image";
        return false;
    }
    if (UINT(w) != out->info.Width || UINT(h) != out->info.Height)
    {
        stbi_image_free(pixels);
        return *why = "image size differs from its header", false;
    }
    out->format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->width = UINT(w);
    out->height = UINT(h);
    out->levels = 1;
    out->faces = 1;
    out->offsets.assign(1, 0);
    const size_t count = size_t(w) * size_t(h);
    out->bytes.resize(count * 4);
    BYTE* dst = out->bytes.data();
    // stb gives R, G, B, A bytes; A8R8G8B8 keeps B, G, R, A in memory.
    for (size_t i = 0; i < count; ++i)
    {
        const stbi_uc* s = pixels + i * 4;
        dst[i * 4 + 0] = s[2];
        dst[i * 4 + 1] = s[1];
        dst[i * 4 + 2] = s[0];
        dst[i * 4 + 3] = alpha ? s[3] : 0xFF;
    }
    stbi_image_free(pixels);
    return true;
}
} // namespace tk::d3dx
