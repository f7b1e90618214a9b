#include "platform/d3d9/GlFormat.h"

namespace tk::d3d9
{
namespace
{
DxtUpload g_upload = DxtUpload::Auto;
bool g_compressedSampling = false;
bool g_softwareRasteriser = false;
} // namespace

void SetDxtUpload(DxtUpload upload)
{
    g_upload = upload;
}

void SetDxtSampling(bool compressedSampling, bool softwareRasteriser)
{
    g_compressedSampling = compressedSampling;
    g_softwareRasteriser = softwareRasteriser;
}

bool GlFormatOf(D3DFORMAT format, GlFormat* out)
{
    GlFormat f;
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        // Bytes B, G, R, A in memory.
        f.internal = GL_SRGB8_ALPHA8;
        f.format = GL_BGRA;
        f.type = GL_UNSIGNED_BYTE;
        f.srgbCapable = true;
        break;
    case D3DFMT_X8R8G8B8:
        f.internal = GL_SRGB8_ALPHA8;
        f.format = GL_BGRA;
        f.type = GL_UNSIGNED_BYTE;
        f.swizzle[3] = GL_ONE;
        f.srgbCapable = true;
        break;
    case D3DFMT_R5G6B5:
        f.internal = GL_RGB565;
        f.format = GL_RGB;
        f.type = GL_UNSIGNED_SHORT_5_6_5;
        break;
    case D3DFMT_A8:
        f.internal = GL_R8;
        f.format = GL_RED;
        f.type = GL_UNSIGNED_BYTE;
        f.swizzle[0] = f.swizzle[1] = f.swizzle[2] = GL_ZERO;
        f.swizzle[3] = GL_RED;
        break;
    case D3DFMT_L8:
        f.internal = GL_R8;
        f.format = GL_RED;
        f.type = GL_UNSIGNED_BYTE;
        f.swizzle[1] = f.swizzle[2] = GL_RED;
        f.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_R32F:
        f.internal = GL_R32F;
        f.format = GL_RED;
        f.type = GL_FLOAT;
        f.swizzle[1] = f.swizzle[2] = f.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_G16R16F:
        f.internal = GL_RG16F;
        f.format = GL_RG;
        f.type = GL_HALF_FLOAT;
        f.swizzle[2] = f.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_A16B16G16R16F:
        f.internal = GL_RGBA16F;
        f.format = GL_RGBA;
        f.type = GL_HALF_FLOAT;
        break;
    case D3DFMT_DXT1:
        f.internal = GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT;
        f.compressed = true;
        f.srgbCapable = true;
        break;
    case D3DFMT_DXT3:
        f.internal = GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT;
        f.compressed = true;
        f.srgbCapable = true;
        break;
    case D3DFMT_DXT5:
        f.internal = GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT;
        f.compressed = true;
        f.srgbCapable = true;
        break;
    case D3DFMT_D16:
        f.internal = GL_DEPTH_COMPONENT16;
        f.format = GL_DEPTH_COMPONENT;
        f.type = GL_UNSIGNED_SHORT;
        f.depth = true;
        break;
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
        // Depth in the upper 24 bits, stencil in the lowest byte, as both keep it.
        f.internal = GL_DEPTH24_STENCIL8;
        f.format = GL_DEPTH_STENCIL;
        f.type = GL_UNSIGNED_INT_24_8;
        f.depth = true;
        f.stencil = true;
        break;
    case D3DFMT_D32:
        f.internal = GL_DEPTH_COMPONENT32;
        f.format = GL_DEPTH_COMPONENT;
        f.type = GL_UNSIGNED_INT;
        f.depth = true;
        break;
    default:
        return false;
    }
    const bool keepBlocks = g_compressedSampling && (g_upload == DxtUpload::Compressed ||
                                                     (g_upload == DxtUpload::Auto && !g_softwareRasteriser));
    if (f.compressed && !keepBlocks)
    {
        f.internal = GL_SRGB8_ALPHA8;
        f.format = GL_BGRA;
        f.type = GL_UNSIGNED_BYTE;
        f.decodeBlocks = true;
    }
    *out = f;
    return true;
}
} // namespace tk::d3d9
