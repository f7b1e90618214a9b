// DXT1/3/5 blocks to 32-bit texels: the GPU copy of a compressed texture is
// decoded once when it is uploaded, since the software rasteriser samples
// 32-bit texels faster than it decodes blocks on every read.
#include "platform/d3d9/Formats.h"

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
namespace
{
DWORD Expand565(uint16_t c)
{
    const DWORD r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
}

DWORD Mix(DWORD a, DWORD b, DWORD wa, DWORD wb, DWORD d)
{
    DWORD out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((a >> shift) & 0xff) * wa + ((b >> shift) & 0xff) * wb) / d << shift;
    return out;
}

// The colour part of a block: four palette entries as RGB (alpha apart) and
// whether index 3 means transparent black (DXT1 with c0 <= c1).
void ColorPalette(const BYTE* block, bool dxt1, DWORD palette[4], bool* punchThrough)
{
    uint16_t c0, c1;
    std::memcpy(&c0, block, 2);
    std::memcpy(&c1, block + 2, 2);
    palette[0] = Expand565(c0);
    palette[1] = Expand565(c1);
    *punchThrough = dxt1 && c0 <= c1;
    if (!dxt1 || c0 > c1)
    {
        palette[2] = Mix(palette[0], palette[1], 2, 1, 3);
        palette[3] = Mix(palette[0], palette[1], 1, 2, 3);
    }
    else
    {
        palette[2] = Mix(palette[0], palette[1], 1, 1, 2);
        palette[3] = 0;
    }
}

// The sixteen alpha values of a DXT5 alpha block.
void AlphaPalette5(const BYTE* block, BYTE alpha[16])
{
    const DWORD a0 = block[0], a1 = block[1];
    DWORD values[8] = {a0, a1};
    if (a0 > a1)
        for (DWORD i = 1; i < 7; ++i)
            values[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    else
    {
        for (DWORD i = 1; i < 5; ++i)
            values[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        values[6] = 0;
        values[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        alpha[i] = BYTE(values[(bits >> (3 * i)) & 7]);
}
} // namespace

bool DecodeBlocks(D3DFORMAT format, const BYTE* blocks, UINT width, UINT height, BYTE* out, UINT outPitch)
{
    if (format != D3DFMT_DXT1 && format != D3DFMT_DXT3 && format != D3DFMT_DXT5)
        return false;
    const bool dxt1 = format == D3DFMT_DXT1;
    const UINT blockBytes = dxt1 ? 8 : 16;
    const UINT across = (width + 3) / 4, down = (height + 3) / 4;
    for (UINT by = 0; by < down; ++by)
        for (UINT bx = 0; bx < across; ++bx)
        {
            const BYTE* block = blocks + (size_t(by) * across + bx) * blockBytes;
            BYTE alpha[16];
            const BYTE* color = block;
            if (format == D3DFMT_DXT3)
            {
                for (int i = 0; i < 16; ++i)
                {
                    const BYTE nibble = (block[i / 2] >> ((i % 2) * 4)) & 0xf;
                    alpha[i] = BYTE(nibble * 17);
                }
                color = block + 8;
            }
            else if (format == D3DFMT_DXT5)
            {
                AlphaPalette5(block, alpha);
                color = block + 8;
            }
            else
                std::memset(alpha, 0xff, sizeof alpha);
            DWORD palette[4];
            bool punchThrough;
            ColorPalette(color, dxt1, palette, &punchThrough);
            uint32_t indices;
            std::memcpy(&indices, color + 4, 4);
            DWORD texels[16];
            for (UINT i = 0; i < 16; ++i)
            {
                const DWORD index = (indices >> (2 * i)) & 3;
                texels[i] = (punchThrough && index == 3) ? 0 : (palette[index] | (DWORD(alpha[i]) << 24));
            }
            // Whole rows of the block at once; the edges of odd sizes texel by texel.
            const UINT columns = std::min(4u, width - bx * 4);
            for (UINT y = 0; y < 4 && by * 4 + y < height; ++y)
                std::memcpy(out + size_t(by * 4 + y) * outPitch + size_t(bx) * 16, texels + y * 4,
                            columns * 4);
        }
    return true;
}
} // namespace tk::d3d9
