#pragma once
// How a D3DX font puts a laid-out text on the device: the coverage of the
// text goes into a glyph texture (white, coverage in alpha) and one
// pre-transformed quad draws it in the text's colour, blended by source alpha.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/FontRaster.h"

// The part of the current render target that drawing reaches: the viewport,
// cut to the target. False when there is no colour target.
bool TkFontTargetBounds(IDirect3DDevice9* device, RECT* out);

// Draws the coverage in the colour through the device. `*texture` is the
// caller's glyph texture: made (default pool, dynamic, A8R8G8B8) or made
// larger as the coverage needs. The render, stage and sampler states, the
// vertex format and stream 0 are as before afterwards.
HRESULT TkFontDrawCoverage(IDirect3DDevice9* device, IDirect3DTexture9** texture,
                           const TkTextCoverage& coverage, D3DCOLOR color);

// Where a coverage was written: its place on the target and its size.
struct TkCoverageQuad
{
    int64_t left = 0, top = 0;
    int width = 0, height = 0;
};

// The two halves of TkFontDrawCoverage: writing the coverage into the
// caller's glyph texture (made or made larger as needed), and drawing a
// written coverage again in any colour without touching the texture.
HRESULT TkFontUploadCoverage(IDirect3DDevice9* device, IDirect3DTexture9** texture,
                             const TkTextCoverage& coverage);
HRESULT TkFontDrawQuad(IDirect3DDevice9* device, IDirect3DTexture9* texture, const TkCoverageQuad& quad,
                       D3DCOLOR color);
