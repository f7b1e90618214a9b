#pragma once
// D3DX textures and surfaces from image files: .dds (with its mip chain and
// cube faces), .tga, .bmp and .png. The loaders fill the device's own
// textures through LockRect/UnlockRect. Block-compressed DDS data is kept
// compressed when the device takes the format, and decoded to A8R8G8B8 when it
// does not; mip levels a file lacks are box-filtered from the level above.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/SurfaceSave.h"

// Formats a picture file may hold that the device does not take: reported by
// the image information as the file has them, and converted to A8R8G8B8 (or
// X8R8G8B8 without alpha) when loaded.
constexpr D3DFORMAT D3DFMT_R8G8B8 = D3DFORMAT(20);
constexpr D3DFORMAT D3DFMT_X1R5G5B5 = D3DFORMAT(24);
constexpr D3DFORMAT D3DFMT_A1R5G5B5 = D3DFORMAT(25);
constexpr D3DFORMAT D3DFMT_A4R4G4B4 = D3DFORMAT(26);
constexpr D3DFORMAT D3DFMT_R3G3B2 = D3DFORMAT(27);
constexpr D3DFORMAT D3DFMT_A8R3G3B2 = D3DFORMAT(29);
constexpr D3DFORMAT D3DFMT_X4R4G4B4 = D3DFORMAT(30);
constexpr D3DFORMAT D3DFMT_A2B10G10R10 = D3DFORMAT(31);
constexpr D3DFORMAT D3DFMT_A8B8G8R8 = D3DFORMAT(32);
constexpr D3DFORMAT D3DFMT_X8B8G8R8 = D3DFORMAT(33);
constexpr D3DFORMAT D3DFMT_G16R16 = D3DFORMAT(34);
constexpr D3DFORMAT D3DFMT_A2R10G10B10 = D3DFORMAT(35);
constexpr D3DFORMAT D3DFMT_P8 = D3DFORMAT(41);
constexpr D3DFORMAT D3DFMT_A8L8 = D3DFORMAT(51);
constexpr D3DFORMAT D3DFMT_A4L4 = D3DFORMAT(52);
constexpr D3DFORMAT D3DFMT_L16 = D3DFORMAT(81);
constexpr D3DFORMAT D3DFMT_DXT2 = D3DFORMAT(MAKEFOURCC('D', 'X', 'T', '2'));
constexpr D3DFORMAT D3DFMT_DXT4 = D3DFORMAT(MAKEFOURCC('D', 'X', 'T', '4'));

// "Take it from the file" / "the usual choice" markers of the size, level and
// format arguments.
#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DX_FILTER_NONE 0x00000001
#define D3DX_FILTER_POINT 0x00000002
#define D3DX_FILTER_LINEAR 0x00000003
#define D3DX_FILTER_TRIANGLE 0x00000004
#define D3DX_FILTER_BOX 0x00000005
#define D3DX_FILTER_MIRROR_U 0x00010000
#define D3DX_FILTER_MIRROR_V 0x00020000
#define D3DX_FILTER_MIRROR_W 0x00040000
#define D3DX_FILTER_MIRROR 0x00070000
#define D3DX_FILTER_DITHER 0x00080000

// A mip filter may ask to drop the largest levels of a DDS file.
#define D3DX_SKIP_DDS_MIP_LEVELS_MASK 0x1F
#define D3DX_SKIP_DDS_MIP_LEVELS_SHIFT 26
#define D3DX_SKIP_DDS_MIP_LEVELS(levels, filter)                                                             \
    ((((levels)&D3DX_SKIP_DDS_MIP_LEVELS_MASK) << D3DX_SKIP_DDS_MIP_LEVELS_SHIFT) |                          \
     ((filter) == D3DX_DEFAULT ? D3DX_FILTER_BOX : (filter)))

// The same definition as the mesh header gives, so either may come first.
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)

struct D3DXIMAGE_INFO
{
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, IDirect3DTexture9** ppTexture);
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                     DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                     IDirect3DTexture9** ppTexture);

HRESULT D3DXCreateCubeTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                       IDirect3DCubeTexture9** ppCubeTexture);
HRESULT D3DXCreateCubeTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Size,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                         DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                         D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                         IDirect3DCubeTexture9** ppCubeTexture);

// Fills `pDestRect` of the surface (null: all of it) from `pSrcRect` of the
// file's picture (null: all of it), scaled by the filter; pixels equal to a
// non-zero colour key become transparent black.
HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY* pDestPalette,
                                 const RECT* pDestRect, LPCSTR pSrcFile, const RECT* pSrcRect, DWORD Filter,
                                 D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);

// Fills every level below `SrcLevel` (D3DX_DEFAULT: level 0) from the one above
// it, for 2D and cube textures of colour formats.
HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* pBaseTexture, const PALETTEENTRY* pPalette, UINT SrcLevel,
                          DWORD Filter);
