#pragma once
// D3DXSaveSurfaceToFileA: writes a surface (or a rectangle of it) to an image
// file. BMP is the one format written: 32 bits per pixel for surfaces with
// alpha (A8R8G8B8), 24 bits for every other colour format; rows bottom-up, as
// every image viewer reads them. Other file formats and surfaces without
// per-pixel colour (depth, unknown) are refused with D3DERR_INVALIDCALL and a
// log line.

#include "platform/d3d9/D3D9.h"

enum D3DXIMAGE_FILEFORMAT : DWORD
{
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff,
};

struct PALETTEENTRY
{
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// The surface is read through a read-only lock. A null rect saves the whole
// surface; the palette is not used (no palettised formats exist here).
HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat,
                               IDirect3DSurface9* srcSurface, const PALETTEENTRY* srcPalette,
                               const RECT* srcRect);
