#pragma once
// A small software rasteriser for pre-transformed (XYZRHW) triangles: the 2D
// layer's text, rectangles and fades reach the render target through it, so
// tests can read them back. Fixed-function only: texture stages with
// point-sampled textures, diffuse colour, alpha test, alpha blending and the
// colour write mask. Depth, stencil, fog and specular are not applied.

#include "platform/d3d9/Formats.h"
#include "platform/d3d9/HeadlessDevice.h"

#include <vector>

namespace tk::d3d9
{
class Surface;

constexpr UINT kMaxTexCoords = 8;

// Where the parts of one pre-transformed vertex lie.
struct VertexLayout
{
    UINT positionOffset = 0;
    int diffuseOffset = -1;
    UINT texCount = 0;
    UINT texOffset[kMaxTexCoords] = {};
    UINT texFloats[kMaxTexCoords] = {}; // 1 to 4; only u is read from a 1-float set
    UINT size = 0;                      // bytes the fields above reach
};

// False when the vertex format is not pre-transformed.
bool LayoutFromFvf(DWORD fvf, VertexLayout* out);
// From a declaration with POSITIONT (FLOAT4) in stream 0.
bool LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements, VertexLayout* out);

struct RasterVertex
{
    float x, y, z, rhw;
    Color4 diffuse;
    float u[kMaxTexCoords];
    float v[kMaxTexCoords];
};

// `vertex` holds at least layout.size bytes.
RasterVertex ReadVertex(const VertexLayout& layout, const BYTE* vertex);

struct PixelPipeline
{
    Surface* target;
    RECT clip; // the viewport, inside the target
    const DWORD* renderStates;
    const DWORD (*stageStates)[TK_D3D_STAGE_STATES];
    const DWORD (*samplerStates)[TK_D3D_SAMPLER_STATES];
    Surface* textures[TK_D3D_TEXTURE_STAGES]; // level 0 of each stage's 2D texture, or null
    UINT texCount;
};

void DrawTriangle(const PixelPipeline& pipeline, const RasterVertex& a, const RasterVertex& b,
                  const RasterVertex& c);
} // namespace tk::d3d9
