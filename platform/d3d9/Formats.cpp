#include "platform/d3d9/Formats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tk::d3d9
{
namespace
{
struct FormatRow
{
    D3DFORMAT format;
    FormatInfo info;
};

// clang-format off
const FormatRow kFormats[] = {
    {D3DFMT_A8R8G8B8,      {FormatKind::Color,      4,  0, 0, true,  false, "A8R8G8B8"}},
    {D3DFMT_X8R8G8B8,      {FormatKind::Color,      4,  0, 0, true,  false, "X8R8G8B8"}},
    {D3DFMT_R5G6B5,        {FormatKind::Color,      2,  0, 0, true,  false, "R5G6B5"}},
    {D3DFMT_A8,            {FormatKind::Color,      1,  0, 0, false, false, "A8"}},
    {D3DFMT_L8,            {FormatKind::Color,      1,  0, 0, false, false, "L8"}},
    {D3DFMT_R32F,          {FormatKind::Color,      4,  0, 0, true,  true,  "R32F"}},
    {D3DFMT_G16R16F,       {FormatKind::Color,      4,  0, 0, true,  true,  "G16R16F"}},
    {D3DFMT_A16B16G16R16F, {FormatKind::Color,      8,  0, 0, true,  true,  "A16B16G16R16F"}},
    {D3DFMT_DXT1,          {FormatKind::Compressed, 8,  0, 0, false, false, "DXT1"}},
    {D3DFMT_DXT3,          {FormatKind::Compressed, 16, 0, 0, false, false, "DXT3"}},
    {D3DFMT_DXT5,          {FormatKind::Compressed, 16, 0, 0, false, false, "DXT5"}},
    {D3DFMT_D16,           {FormatKind::Depth,      2,  16, 0, false, false, "D16"}},
    {D3DFMT_D15S1,         {FormatKind::Depth,      2,  15, 1, false, false, "D15S1"}},
    {D3DFMT_D24S8,         {FormatKind::Depth,      4,  24, 8, false, false, "D24S8"}},
    {D3DFMT_D24X8,         {FormatKind::Depth,      4,  24, 0, false, false, "D24X8"}},
    {D3DFMT_D24X4S4,       {FormatKind::Depth,      4,  24, 4, false, false, "D24X4S4"}},
    {D3DFMT_D32,           {FormatKind::Depth,      4,  32, 0, false, false, "D32"}},
    {D3DFMT_INDEX16,       {FormatKind::Index,      2,  0, 0, false, false, "INDEX16"}},
    {D3DFMT_INDEX32,       {FormatKind::Index,      4,  0, 0, false, false, "INDEX32"}},
    {D3DFMT_VERTEXDATA,    {FormatKind::VertexData, 1,  0, 0, false, false, "VERTEXDATA"}},
};
// clang-format on

const FormatInfo kUnknown = {FormatKind::Unknown, 0, 0, 0, false, false, "UNKNOWN"};

BYTE ToByte(float v)
{
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<BYTE>(std::lround(v * 255.0f));
}

DWORD ToBits(float v, int bits)
{
    const double max = static_cast<double>((uint64_t(1) << bits) - 1);
    const double c = std::clamp(static_cast<double>(v), 0.0, 1.0);
    return static_cast<DWORD>(std::llround(c * max));
}

float FromBits(DWORD value, int bits)
{
    return static_cast<float>(static_cast<double>(value) / static_cast<double>((uint64_t(1) << bits) - 1));
}

DWORD Read32(const BYTE* p)
{
    DWORD v;
    std::memcpy(&v, p, 4);
    return v;
}

void Write32(BYTE* p, DWORD v)
{
    std::memcpy(p, &v, 4);
}

uint16_t Read16(const BYTE* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void Write16(BYTE* p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}
} // namespace

FormatInfo GetFormatInfo(D3DFORMAT format)
{
    for (const auto& row : kFormats)
        if (row.format == format)
            return row.info;
    return kUnknown;
}

UINT FormatRowPitch(D3DFORMAT format, UINT width)
{
    const FormatInfo info = GetFormatInfo(format);
    if (info.kind == FormatKind::Compressed)
        return std::max(1u, (width + 3) / 4) * info.bytes;
    return width * info.bytes;
}

UINT FormatRowCount(D3DFORMAT format, UINT height)
{
    if (GetFormatInfo(format).kind == FormatKind::Compressed)
        return std::max(1u, (height + 3) / 4);
    return height;
}

Color4 ColorFromArgb(D3DCOLOR c)
{
    return {((c >> 16) & 0xff) / 255.0f, ((c >> 8) & 0xff) / 255.0f, (c & 0xff) / 255.0f, (c >> 24) / 255.0f};
}

D3DCOLOR ArgbFromColor(const Color4& c)
{
    return (DWORD(ToByte(c.a)) << 24) | (DWORD(ToByte(c.r)) << 16) | (DWORD(ToByte(c.g)) << 8) | ToByte(c.b);
}

bool UnpackColor(D3DFORMAT format, const BYTE* p, Color4* out)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        *out = ColorFromArgb(Read32(p));
        return true;
    case D3DFMT_X8R8G8B8:
        *out = ColorFromArgb(Read32(p) | 0xff000000u);
        return true;
    case D3DFMT_R5G6B5:
    {
        const uint16_t v = Read16(p);
        *out = {FromBits(v >> 11, 5), FromBits((v >> 5) & 0x3f, 6), FromBits(v & 0x1f, 5), 1.0f};
        return true;
    }
    case D3DFMT_A8:
        *out = {0.0f, 0.0f, 0.0f, p[0] / 255.0f};
        return true;
    case D3DFMT_L8:
        *out = {p[0] / 255.0f, p[0] / 255.0f, p[0] / 255.0f, 1.0f};
        return true;
    case D3DFMT_R32F:
    {
        float r;
        std::memcpy(&r, p, 4);
        *out = {r, 1.0f, 1.0f, 1.0f};
        return true;
    }
    case D3DFMT_G16R16F:
        *out = {HalfToFloat(Read16(p)), HalfToFloat(Read16(p + 2)), 1.0f, 1.0f};
        return true;
    case D3DFMT_A16B16G16R16F:
        *out = {HalfToFloat(Read16(p)), HalfToFloat(Read16(p + 2)), HalfToFloat(Read16(p + 4)),
                HalfToFloat(Read16(p + 6))};
        return true;
    default:
        return false;
    }
}

bool PackColor(D3DFORMAT format, const Color4& c, BYTE* p)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        Write32(p, ArgbFromColor(c));
        return true;
    case D3DFMT_X8R8G8B8:
        // The unused byte is written as 0xff so that dumps of the back buffer
        // read as opaque pictures.
        Write32(p, ArgbFromColor(c) | 0xff000000u);
        return true;
    case D3DFMT_R5G6B5:
        Write16(p, static_cast<uint16_t>((ToBits(c.r, 5) << 11) | (ToBits(c.g, 6) << 5) | ToBits(c.b, 5)));
        return true;
    case D3DFMT_A8:
        p[0] = ToByte(c.a);
        return true;
    case D3DFMT_L8:
        // Luminance takes the red channel, as a clear colour's red reaches an L8 target.
        p[0] = ToByte(c.r);
        return true;
    case D3DFMT_R32F:
        std::memcpy(p, &c.r, 4);
        return true;
    case D3DFMT_G16R16F:
        Write16(p, FloatToHalf(c.r));
        Write16(p + 2, FloatToHalf(c.g));
        return true;
    case D3DFMT_A16B16G16R16F:
        Write16(p, FloatToHalf(c.r));
        Write16(p + 2, FloatToHalf(c.g));
        Write16(p + 4, FloatToHalf(c.b));
        Write16(p + 6, FloatToHalf(c.a));
        return true;
    default:
        return false;
    }
}

bool PackDepthStencil(D3DFORMAT format, bool writeDepth, float depth, bool writeStencil, DWORD stencil,
                      BYTE* p)
{
    switch (format)
    {
    case D3DFMT_D16:
        if (writeDepth)
            Write16(p, static_cast<uint16_t>(ToBits(depth, 16)));
        return true;
    case D3DFMT_D15S1:
    {
        uint16_t v = Read16(p);
        if (writeDepth)
            v = static_cast<uint16_t>((v & 1u) | (ToBits(depth, 15) << 1));
        if (writeStencil)
            v = static_cast<uint16_t>((v & ~1u) | (stencil & 1u));
        Write16(p, v);
        return true;
    }
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    {
        DWORD v = Read32(p);
        if (writeDepth)
            v = (v & 0xffu) | (ToBits(depth, 24) << 8);
        if (writeStencil && format == D3DFMT_D24S8)
            v = (v & ~0xffu) | (stencil & 0xffu);
        if (writeStencil && format == D3DFMT_D24X4S4)
            v = (v & ~0xfu) | (stencil & 0xfu);
        Write32(p, v);
        return true;
    }
    case D3DFMT_D32:
        if (writeDepth)
            Write32(p, ToBits(depth, 32));
        return true;
    default:
        return false;
    }
}

bool UnpackDepth(D3DFORMAT format, const BYTE* p, float* depth)
{
    switch (format)
    {
    case D3DFMT_D16:
        *depth = FromBits(Read16(p), 16);
        return true;
    case D3DFMT_D15S1:
        *depth = FromBits(Read16(p) >> 1, 15);
        return true;
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
        *depth = FromBits(Read32(p) >> 8, 24);
        return true;
    case D3DFMT_D32:
        *depth = FromBits(Read32(p), 32);
        return true;
    default:
        return false;
    }
}

uint16_t FloatToHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint32_t sign = (bits >> 16) & 0x8000u;
    const uint32_t exponent = (bits >> 23) & 0xffu;
    uint32_t mantissa = bits & 0x7fffffu;
    if (exponent == 0xff) // infinity or NaN
        return static_cast<uint16_t>(sign | 0x7c00u | (mantissa ? 0x200u : 0u));
    const int e = static_cast<int>(exponent) - 127 + 15;
    if (e >= 31)
        return static_cast<uint16_t>(sign | 0x7c00u);
    if (e <= 0)
    {
        if (e < -10)
            return static_cast<uint16_t>(sign);
        mantissa |= 0x800000u;
        const uint32_t shift = static_cast<uint32_t>(14 - e);
        uint32_t half = mantissa >> shift;
        const uint32_t rest = mantissa & ((1u << shift) - 1);
        const uint32_t halfway = 1u << (shift - 1);
        if (rest > halfway || (rest == halfway && (half & 1u)))
            ++half;
        return static_cast<uint16_t>(sign | half);
    }
    uint32_t half = (static_cast<uint32_t>(e) << 10) | (mantissa >> 13);
    const uint32_t rest = mantissa & 0x1fffu;
    if (rest > 0x1000u || (rest == 0x1000u && (half & 1u)))
        ++half; // may carry into the exponent, which rounds up correctly
    return static_cast<uint16_t>(sign | half);
}

float HalfToFloat(uint16_t half)
{
    const uint32_t sign = (half & 0x8000u) << 16;
    const uint32_t exponent = (half >> 10) & 0x1fu;
    const uint32_t mantissa = half & 0x3ffu;
    uint32_t bits;
    if (exponent == 0)
    {
        if (mantissa == 0)
            bits = sign;
        else
        {
            const float v = std::ldexp(static_cast<float>(mantissa), -24);
            return sign ? -v : v;
        }
    }
    else if (exponent == 31)
        bits = sign | 0x7f800000u | (mantissa << 13);
    else
        bits = sign | ((exponent - 15 + 127) << 23) | (mantissa << 13);
    float out;
    std::memcpy(&out, &bits, 4);
    return out;
}
} // namespace tk::d3d9
