#include "platform/d3dx/ImagePixels.h"

#include "platform/d3d9/Formats.h"

#include <algorithm>
#include <cstring>

namespace tk::d3dx
{
namespace
{
using tk::d3d9::Color4;
using tk::d3d9::FormatKind;

constexpr DWORD kOpaque = 0xFF000000u;
constexpr DWORD kRoundHalf = 2; // added before dividing a sum of four by four

bool IsArgb8(D3DFORMAT format)
{
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

bool IsCompressed(D3DFORMAT format)
{
    return tk::d3d9::GetFormatInfo(format).kind == FormatKind::Compressed;
}

DWORD Average4(DWORD a, DWORD b, DWORD c, DWORD d)
{
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8)
    {
        const DWORD sum =
            (a >> shift & 0xFF) + (b >> shift & 0xFF) + (c >> shift & 0xFF) + (d >> shift & 0xFF);
        out |= ((sum + kRoundHalf) / 4) << shift;
    }
    return out;
}
} // namespace

void TakePixels(const Image& image, UINT face, UINT level, const RECT& rect, Pixels* out)
{
    const UINT w = image.LevelWidth(level), h = image.LevelHeight(level);
    const BYTE* bits = image.Level(face, level);
    out->width = UINT(rect.right - rect.left);
    out->height = UINT(rect.bottom - rect.top);
    out->argb.resize(size_t(out->width) * out->height);

    std::vector<DWORD> decoded;
    if (IsCompressed(image.format))
    {
        decoded.resize(size_t(w) * h);
        DecodeDxt(image.format, bits, w, h, decoded.data());
    }
    const UINT pitch = tk::d3d9::FormatRowPitch(image.format, w);
    const UINT bpp = tk::d3d9::GetFormatInfo(image.format).bytes;
    for (UINT y = 0; y < out->height; ++y)
    {
        const UINT sy = UINT(rect.top) + y;
        DWORD* row = out->argb.data() + size_t(y) * out->width;
        if (!decoded.empty())
        {
            std::memcpy(row, decoded.data() + size_t(sy) * w + rect.left, size_t(out->width) * 4);
            continue;
        }
        const BYTE* src = bits + size_t(sy) * pitch + size_t(rect.left) * bpp;
        if (IsArgb8(image.format))
        {
            std::memcpy(row, src, size_t(out->width) * 4);
            if (image.format == D3DFMT_X8R8G8B8)
                for (UINT x = 0; x < out->width; ++x)
                    row[x] |= kOpaque;
            continue;
        }
        for (UINT x = 0; x < out->width; ++x)
        {
            Color4 c = {0, 0, 0, 1};
            tk::d3d9::UnpackColor(image.format, src + size_t(x) * bpp, &c);
            row[x] = tk::d3d9::ArgbFromColor(c);
        }
    }
}

void ScalePixels(const Pixels& src, UINT width, UINT height, DWORD filter, Pixels* out)
{
    out->width = width;
    out->height = height;
    if (src.width == width && src.height == height)
    {
        out->argb = src.argb;
        return;
    }
    out->argb.assign(size_t(width) * height, 0);
    const DWORD kind = filter & 0xFF;
    const bool point = kind == D3DX_FILTER_POINT || kind == D3DX_FILTER_NONE;
    for (UINT y = 0; y < height; ++y)
    {
        const UINT y0 = UINT((unsigned long long)y * src.height / height);
        const UINT y1 = std::max(y0 + 1, UINT((unsigned long long)(y + 1) * src.height / height));
        for (UINT x = 0; x < width; ++x)
        {
            const UINT x0 = UINT((unsigned long long)x * src.width / width);
            const UINT x1 = std::max(x0 + 1, UINT((unsigned long long)(x + 1) * src.width / width));
            if (point)
            {
                out->argb[size_t(y) * width + x] = src.argb[size_t(y0) * src.width + x0];
                continue;
            }
            unsigned long long sum[4] = {};
            for (UINT sy = y0; sy < y1; ++sy)
                for (UINT sx = x0; sx < x1; ++sx)
                {
                    const DWORD c = src.argb[size_t(sy) * src.width + sx];
                    for (int i = 0; i < 4; ++i)
                        sum[i] += c >> (8 * i) & 0xFF;
                }
            const unsigned long long n = (unsigned long long)(y1 - y0) * (x1 - x0);
            DWORD c = 0;
            for (int i = 0; i < 4; ++i)
                c |= DWORD((sum[i] + n / 2) / n) << (8 * i);
            out->argb[size_t(y) * width + x] = c;
        }
    }
}

void ApplyColorKey(Pixels* pixels, D3DCOLOR key)
{
    if (key == 0)
        return;
    for (DWORD& c : pixels->argb)
        if (c == key)
            c = 0;
}

bool StorePixels(const Pixels& pixels, D3DFORMAT format, const D3DLOCKED_RECT& locked)
{
    const tk::d3d9::FormatInfo info = tk::d3d9::GetFormatInfo(format);
    if (info.kind != FormatKind::Color)
        return false;
    BYTE* base = static_cast<BYTE*>(locked.pBits);
    for (UINT y = 0; y < pixels.height; ++y)
    {
        BYTE* dst = base + size_t(y) * locked.Pitch;
        const DWORD* src = pixels.argb.data() + size_t(y) * pixels.width;
        if (IsArgb8(format))
        {
            std::memcpy(dst, src, size_t(pixels.width) * 4);
            continue;
        }
        for (UINT x = 0; x < pixels.width; ++x)
            tk::d3d9::PackColor(format, tk::d3d9::ColorFromArgb(src[x]), dst + size_t(x) * info.bytes);
    }
    return true;
}

bool FilterDown(D3DFORMAT format, const BYTE* src, INT srcPitch, UINT srcWidth, UINT srcHeight, BYTE* dst,
                INT dstPitch, UINT dstWidth, UINT dstHeight, bool point)
{
    const tk::d3d9::FormatInfo info = tk::d3d9::GetFormatInfo(format);
    if (info.kind != FormatKind::Color)
        return false;
    for (UINT y = 0; y < dstHeight; ++y)
    {
        const UINT y0 = std::min(2 * y, srcHeight - 1), y1 = point ? y0 : std::min(2 * y + 1, srcHeight - 1);
        const BYTE* row0 = src + size_t(y0) * srcPitch;
        const BYTE* row1 = src + size_t(y1) * srcPitch;
        BYTE* out = dst + size_t(y) * dstPitch;
        for (UINT x = 0; x < dstWidth; ++x)
        {
            const UINT x0 = std::min(2 * x, srcWidth - 1),
                       x1 = point ? x0 : std::min(2 * x + 1, srcWidth - 1);
            if (IsArgb8(format))
            {
                DWORD a, b, c, d;
                std::memcpy(&a, row0 + size_t(x0) * 4, 4);
                std::memcpy(&b, row0 + size_t(x1) * 4, 4);
                std::memcpy(&c, row1 + size_t(x0) * 4, 4);
                std::memcpy(&d, row1 + size_t(x1) * 4, 4);
                const DWORD avg = Average4(a, b, c, d);
                std::memcpy(out + size_t(x) * 4, &avg, 4);
                continue;
            }
            Color4 p[4] = {};
            tk::d3d9::UnpackColor(format, row0 + size_t(x0) * info.bytes, &p[0]);
            tk::d3d9::UnpackColor(format, row0 + size_t(x1) * info.bytes, &p[1]);
            tk::d3d9::UnpackColor(format, row1 + size_t(x0) * info.bytes, &p[2]);
            tk::d3d9::UnpackColor(format, row1 + size_t(x1) * info.bytes, &p[3]);
            const Color4 avg = {
                (p[0].r + p[1].r + p[2].r + p[3].r) / 4, (p[0].g + p[1].g + p[2].g + p[3].g) / 4,
                (p[0].b + p[1].b + p[2].b + p[3].b) / 4, (p[0].a + p[1].a + p[2].a + p[3].a) / 4};
            tk::d3d9::PackColor(format, avg, out + size_t(x) * info.bytes);
        }
    }
    return true;
}
} // namespace tk::d3dx
