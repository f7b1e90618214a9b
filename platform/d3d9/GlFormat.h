#pragma once
// How each surface format lives in OpenGL: the internal format, the layout
// of the bytes the layer keeps in memory (so uploads and read-backs need no
// conversion), and the swizzle that makes sampling read what Direct3D reads
// (X8R8G8B8 and L8 read alpha 1, A8 reads black, one- and two-channel float
// formats read 1 in the channels they lack).

#include "platform/d3d9/D3D9Types.h"

#include <epoxy/gl.h>

namespace tk::d3d9
{
struct GlFormat
{
    GLenum internal = 0;
    GLenum format = 0; // pixel transfer format, or 0 for compressed data
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    bool compressed = false;   // memory holds 4 x 4 blocks
    bool decodeBlocks = false; // ... which the GPU copy holds as 32-bit texels
    bool depth = false;
    bool stencil = false;
    // 8-bit colour kept in an sRGB format, so that sampler and target states
    // can switch the conversion on and off per draw.
    bool srgbCapable = false;
};

// False for formats OpenGL cannot hold as the layer keeps them.
bool GlFormatOf(D3DFORMAT format, GlFormat* out);

// Whether textures made from now on keep DXT blocks compressed on the GPU
// (the default where the context can sample them) rather than decoded to
// 32-bit at upload. On the software rasteriser a compressed load is about
// 1.5 times faster and takes a quarter of the memory, while sampling decoded
// texels is a few per cent faster; loads weigh more.
void SetCompressedUpload(bool compressed);
// Whether the context samples DXT blocks (told once a context exists).
void SetCompressedSampling(bool available);
} // namespace tk::d3d9
