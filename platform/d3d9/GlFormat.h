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

// How DXT textures given their GL image from now on hold their blocks there:
// compressed, or decoded to 32-bit texels at upload. By default they stay
// compressed on a GPU; on the software rasteriser they are decoded, as
// sampling decoded texels is about twice as fast there (a full-screen quad of
// a 1024 x 1024 DXT1 texture: 2 ms against 4), while the upload (at the
// first draw) takes about twice as long and four times the memory.
enum class DxtUpload
{
    Auto,
    Compressed,
    Decoded,
};
void SetDxtUpload(DxtUpload upload);
// What the context can do (told once a context exists).
void SetDxtSampling(bool compressedSampling, bool softwareRasteriser);
} // namespace tk::d3d9
