#pragma once
// Pure translations of surface formats: sizes, channel layouts, and packing of
// colours and depth values into the bytes of one pixel. Every unknown format
// maps to "unknown" with zero size, which callers refuse.

#include "platform/d3d9/D3D9Types.h"

namespace tk::d3d9
{
enum class FormatKind
{
    Unknown,
    Color,
    Depth,
    Compressed,
    Index,
    VertexData,
};

struct FormatInfo
{
    FormatKind kind;
    // Bytes of one pixel; for block-compressed formats the bytes of one 4 x 4 block.
    UINT bytes;
    BYTE depthBits;
    BYTE stencilBits;
    bool renderTarget; // can be a render target
    bool floatChannels;
    const char* name;
};

FormatInfo GetFormatInfo(D3DFORMAT format);

// Bytes of one row of pixels (or of one row of 4 x 4 blocks) and the number of
// such rows, for a surface of the given size.
UINT FormatRowPitch(D3DFORMAT format, UINT width);
UINT FormatRowCount(D3DFORMAT format, UINT height);

// A colour in floats; normalised formats keep 0..1, float formats any value.
struct Color4
{
    float r, g, b, a;
};

Color4 ColorFromArgb(D3DCOLOR color);
D3DCOLOR ArgbFromColor(const Color4& color);

// Reads or writes one pixel of a colour format; false for formats without
// per-pixel colour (depth, compressed, unknown). Channels a format lacks read
// as 1 (alpha and the colours of float formats) or 0 (the colours of A8).
bool UnpackColor(D3DFORMAT format, const BYTE* pixel, Color4* out);
bool PackColor(D3DFORMAT format, const Color4& color, BYTE* pixel);

// Writes depth and/or stencil into one pixel of a depth format.
bool PackDepthStencil(D3DFORMAT format, bool writeDepth, float depth, bool writeStencil, DWORD stencil,
                      BYTE* pixel);
// Reads the depth (0..1) of one pixel of a depth format.
bool UnpackDepth(D3DFORMAT format, const BYTE* pixel, float* depth);

uint16_t FloatToHalf(float value);
float HalfToFloat(uint16_t half);
} // namespace tk::d3d9

namespace tk::d3d9
{
// Decodes the 4 x 4 blocks of a DXT1, DXT3 or DXT5 surface into 32-bit
// A8R8G8B8 texels (`out` holds width x height texels, `outPitch` bytes a
// row); false for other formats. `blocks` holds the surface's whole rows of
// blocks.
bool DecodeBlocks(D3DFORMAT format, const BYTE* blocks, UINT width, UINT height, BYTE* out, UINT outPitch);
} // namespace tk::d3d9
