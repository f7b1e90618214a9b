#pragma once
// Working pixels of the texture loaders: A8R8G8B8 values in rows, taken from a
// picture's level, scaled, colour-keyed and stored into a locked level of any
// colour format.

#include "platform/d3dx/ImageFile.h"

#include <vector>

namespace tk::d3dx
{
struct Pixels
{
    UINT width = 0;
    UINT height = 0;
    std::vector<DWORD> argb;
};

// The part `rect` of one level of a picture (every format the reader holds).
void TakePixels(const Image& image, UINT face, UINT level, const RECT& rect, Pixels* out);
// Scales to the given size: a box over each destination pixel's footprint,
// or the nearest pixel for D3DX_FILTER_POINT and D3DX_FILTER_NONE.
void ScalePixels(const Pixels& src, UINT width, UINT height, DWORD filter, Pixels* out);
// Pixels equal to a non-zero key become transparent black.
void ApplyColorKey(Pixels* pixels, D3DCOLOR key);
// Into locked memory of a colour format; false for formats without per-pixel colour.
bool StorePixels(const Pixels& pixels, D3DFORMAT format, const D3DLOCKED_RECT& locked);
// One box-filtered level (half size, at least 1) from the level above; POINT
// takes each 2 x 2 group's first pixel. False for formats without per-pixel colour.
bool FilterDown(D3DFORMAT format, const BYTE* src, INT srcPitch, UINT srcWidth, UINT srcHeight, BYTE* dst,
                INT dstPitch, UINT dstWidth, UINT dstHeight, bool point);
} // namespace tk::d3dx
