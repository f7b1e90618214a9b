// D3DX texture and surface loading from files, over the device's own textures.

#include "platform/d3dx/Texture.h"

#include "platform/d3d9/DeviceChild.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3dx/ImageFile.h"
#include "platform/d3dx/ImagePixels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
using tk::d3dx::Image;
using tk::d3dx::Pixels;

constexpr UINT kCubeFaces = 6;
constexpr DWORD kFilterKindMask = 0xFF;

bool IsCompressed(D3DFORMAT format)
{
    return tk::d3d9::GetFormatInfo(format).kind == tk::d3d9::FormatKind::Compressed;
}

void Report(const char* file, const std::string& why)
{
    std::fprintf(stderr, "D3DX: %s: %s\n", file ? file : "(null)", why.c_str());
}

// The picture of a file; D3DERR_NOTFOUND when it cannot be read, D3DXERR_INVALIDDATA
// when it is damaged; both name the file in the log.
HRESULT LoadImage(LPCSTR file, Image* image)
{
    tk::d3dx::ByteBuffer data;
    if (!tk::d3dx::ReadWholeFile(file, &data))
    {
        Report(file, "cannot be read");
        return D3DERR_NOTFOUND;
    }
    std::string why;
    if (!tk::d3dx::DecodeImageFile(std::move(data), image, &why))
    {
        Report(file, why);
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

UINT FullChain(UINT width, UINT height)
{
    UINT levels = 1;
    while (width > 1 || height > 1)
    {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

UINT NextPowerOfTwo(UINT value)
{
    UINT p = 1;
    while (p < value)
        p <<= 1;
    return p;
}

UINT PickEdge(UINT asked, UINT file)
{
    if (asked == 0 || asked == D3DX_DEFAULT)
        return NextPowerOfTwo(file);
    if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE)
        return file;
    return asked;
}

bool DeviceTakes(IDirect3DDevice9* device, D3DRESOURCETYPE type, DWORD usage, D3DFORMAT format)
{
    IDirect3D9* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d)
        return false;
    D3DDISPLAYMODE mode = {};
    const bool ok = SUCCEEDED(device->GetDisplayMode(0, &mode)) &&
                    SUCCEEDED(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                                     usage & ~D3DUSAGE_WRITEONLY, type, format));
    d3d->Release();
    return ok;
}

// Locks and unlocks one level of one face of a 2D or cube texture.
struct Target
{
    IDirect3DTexture9* texture = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;

    HRESULT Lock(UINT face, UINT level, D3DLOCKED_RECT* locked, DWORD flags)
    {
        return cube ? cube->LockRect(D3DCUBEMAP_FACES(face), level, locked, nullptr, flags)
                    : texture->LockRect(level, locked, nullptr, flags);
    }
    void Unlock(UINT face, UINT level)
    {
        if (cube)
            cube->UnlockRect(D3DCUBEMAP_FACES(face), level);
        else
            texture->UnlockRect(level);
    }
    HRESULT Desc(UINT level, D3DSURFACE_DESC* desc)
    {
        return cube ? cube->GetLevelDesc(level, desc) : texture->GetLevelDesc(level, desc);
    }
    UINT Faces() const { return cube ? kCubeFaces : 1; }
    UINT Levels() { return cube ? cube->GetLevelCount() : texture->GetLevelCount(); }
};

// Level `level` from the one above it, for every face.
HRESULT FilterLevel(Target& target, UINT face, UINT level, bool point)
{
    D3DSURFACE_DESC above = {}, below = {};
    if (FAILED(target.Desc(level - 1, &above)) || FAILED(target.Desc(level, &below)))
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT src = {}, dst = {};
    HRESULT hr = target.Lock(face, level - 1, &src, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    hr = target.Lock(face, level, &dst, 0);
    if (FAILED(hr))
    {
        target.Unlock(face, level - 1);
        return hr;
    }
    const bool ok = tk::d3dx::FilterDown(below.Format, static_cast<const BYTE*>(src.pBits), src.Pitch,
                                         above.Width, above.Height, static_cast<BYTE*>(dst.pBits), dst.Pitch,
                                         below.Width, below.Height, point);
    target.Unlock(face, level);
    target.Unlock(face, level - 1);
    if (!ok)
    {
        tk::d3d9::LogOnce("D3DX: mip levels of block-compressed textures are not filtered");
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

struct LoadRequest
{
    UINT width, height, levels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    DWORD filter, mipFilter;
    D3DCOLOR colorKey;
};

// The size, levels and format a texture of this picture gets; false (with the
// reason logged) when it would be larger than the loaders make.
bool Resolve(IDirect3DDevice9* device, const char* file, const Image& image, bool cube, UINT skip,
             LoadRequest* r)
{
    const UINT fileW = image.LevelWidth(skip), fileH = image.LevelHeight(skip);
    const UINT fileLevels = image.levels - skip;
    r->width = PickEdge(r->width, fileW);
    r->height = cube ? r->width : PickEdge(r->height, fileH);
    D3DCAPS9 caps = {};
    if (SUCCEEDED(device->GetDeviceCaps(&caps)))
    {
        if (caps.MaxTextureWidth)
            r->width = std::min<UINT>(r->width, caps.MaxTextureWidth);
        if (caps.MaxTextureHeight)
            r->height = std::min<UINT>(r->height, cube ? caps.MaxTextureWidth : caps.MaxTextureHeight);
    }
    // Every texel of the top level may be computed from the picture: the work is
    // bounded before any of it is done.
    if (size_t(r->width) * r->height * (cube ? kCubeFaces : 1) > tk::d3dx::kMaxImagePixels)
    {
        Report(file, "texture of " + std::to_string(r->width) + " x " + std::to_string(r->height) +
                         (cube ? " x 6 faces" : "") + " is too large");
        return false;
    }
    const UINT full = FullChain(r->width, r->height);
    if (r->levels == 0 || r->levels == D3DX_DEFAULT)
        r->levels = full;
    else if (r->levels == D3DX_FROM_FILE)
        r->levels = std::min(fileLevels, full);
    else
        r->levels = std::min(r->levels, full);

    if (r->format == D3DFMT_UNKNOWN || r->format == D3DFMT_FROM_FILE || r->format == D3DFORMAT(D3DX_DEFAULT))
        r->format = image.format;
    if (r->colorKey != 0 && r->format != D3DFMT_A8R8G8B8)
        r->format = D3DFMT_A8R8G8B8;
    // Compressed data is only ever copied: a texture that needs pixels the
    // file does not hold at its size (another size, missing levels) is made
    // of decoded pixels instead.
    const bool needsMips = r->levels > fileLevels && (r->mipFilter & kFilterKindMask) != D3DX_FILTER_NONE;
    if (IsCompressed(r->format) &&
        (r->format != image.format || r->width != fileW || r->height != fileH || needsMips))
        r->format = D3DFMT_A8R8G8B8;
    if (!DeviceTakes(device, cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE, r->usage, r->format))
        r->format = D3DFMT_A8R8G8B8;
    return true;
}

// Fills every face and level of a created texture from the picture.
HRESULT Fill(Target& target, const Image& image, UINT skip, const LoadRequest& r)
{
    const UINT fileLevels = image.levels - skip;
    const DWORD mipKind =
        (r.mipFilter == D3DX_DEFAULT || r.mipFilter == 0) ? D3DX_FILTER_BOX : (r.mipFilter & kFilterKindMask);
    for (UINT face = 0; face < target.Faces(); ++face)
    {
        const UINT srcFace = image.faces == kCubeFaces ? face : 0;
        for (UINT level = 0; level < r.levels; ++level)
        {
            D3DSURFACE_DESC desc = {};
            if (HRESULT hr = target.Desc(level, &desc); FAILED(hr))
                return hr;
            const UINT fileLevel = skip + level;
            const bool fromFile = level < fileLevels && image.LevelWidth(fileLevel) == desc.Width &&
                                  image.LevelHeight(fileLevel) == desc.Height;
            if (level > 0 && !fromFile)
            {
                if (mipKind == D3DX_FILTER_NONE)
                    continue;
                if (HRESULT hr = FilterLevel(target, face, level, mipKind == D3DX_FILTER_POINT); FAILED(hr))
                    return hr;
                continue;
            }
            // A level copied from the file replaces every byte of it.
            const bool copied = fromFile && image.format == desc.Format && r.colorKey == 0;
            D3DLOCKED_RECT locked = {};
            if (HRESULT hr = target.Lock(face, level, &locked, copied ? D3DLOCK_DISCARD : 0); FAILED(hr))
                return hr;
            bool ok = true;
            if (copied)
            {
                const BYTE* src = image.Level(srcFace, fileLevel);
                const UINT rowBytes = tk::d3d9::FormatRowPitch(desc.Format, desc.Width);
                const UINT rows = tk::d3d9::FormatRowCount(desc.Format, desc.Height);
                for (UINT y = 0; y < rows; ++y)
                    std::memcpy(static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch,
                                src + size_t(y) * rowBytes, rowBytes);
            }
            else
            {
                const UINT from = fromFile ? fileLevel : skip;
                const RECT whole = {0, 0, LONG(image.LevelWidth(from)), LONG(image.LevelHeight(from))};
                Pixels taken, scaled;
                tk::d3dx::TakePixels(image, srcFace, from, whole, &taken);
                tk::d3dx::ScalePixels(taken, desc.Width, desc.Height, r.filter, &scaled);
                tk::d3dx::ApplyColorKey(&scaled, r.colorKey);
                ok = tk::d3dx::StorePixels(scaled, desc.Format, locked);
            }
            target.Unlock(face, level);
            if (!ok)
                return D3DERR_INVALIDCALL;
        }
    }
    return D3D_OK;
}

UINT SkippedLevels(const Image& image, DWORD mipFilter)
{
    if (mipFilter == D3DX_DEFAULT || image.info.ImageFileFormat != D3DXIFF_DDS)
        return 0;
    const UINT skip = (mipFilter >> D3DX_SKIP_DDS_MIP_LEVELS_SHIFT) & D3DX_SKIP_DDS_MIP_LEVELS_MASK;
    return std::min(skip, image.levels - 1);
}
} // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcFile || !pSrcInfo)
        return D3DERR_INVALIDCALL;
    tk::d3dx::ByteBuffer data;
    if (!tk::d3dx::ReadWholeFile(pSrcFile, &data))
        return D3DERR_NOTFOUND;
    std::string why;
    if (!tk::d3dx::ReadImageInfo(data.data(), data.size(), pSrcInfo, &why))
    {
        Report(pSrcFile, why);
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                     DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*, IDirect3DTexture9** ppTexture)
{
    if (!pDevice || !pSrcFile || !ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    Image image;
    if (HRESULT hr = LoadImage(pSrcFile, &image); FAILED(hr))
        return hr;
    const UINT skip = SkippedLevels(image, MipFilter);
    LoadRequest r = {Width, Height, MipLevels, Usage, Format, Pool, Filter, MipFilter, ColorKey};
    if (!Resolve(pDevice, pSrcFile, image, false, skip, &r))
        return D3DXERR_INVALIDDATA;
    Target target;
    if (HRESULT hr = pDevice->CreateTexture(r.width, r.height, r.levels, r.usage, r.format, r.pool,
                                            &target.texture, nullptr);
        FAILED(hr))
        return hr;
    if (HRESULT hr = Fill(target, image, skip, r); FAILED(hr))
    {
        target.texture->Release();
        return hr;
    }
    if (pSrcInfo)
        *pSrcInfo = image.info;
    *ppTexture = target.texture;
    return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, IDirect3DTexture9** ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        nullptr, nullptr, ppTexture);
}

HRESULT D3DXCreateCubeTextureFromFileExA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile, UINT Size,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                         DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                         D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                         IDirect3DCubeTexture9** ppCubeTexture)
{
    if (!pDevice || !pSrcFile || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    Image image;
    if (HRESULT hr = LoadImage(pSrcFile, &image); FAILED(hr))
        return hr;
    // A flat picture becomes the same picture on all six faces.
    const UINT skip = SkippedLevels(image, MipFilter);
    LoadRequest r = {Size, Size, MipLevels, Usage, Format, Pool, Filter, MipFilter, ColorKey};
    if (!Resolve(pDevice, pSrcFile, image, true, skip, &r))
        return D3DXERR_INVALIDDATA;
    Target target;
    if (HRESULT hr =
            pDevice->CreateCubeTexture(r.width, r.levels, r.usage, r.format, r.pool, &target.cube, nullptr);
        FAILED(hr))
        return hr;
    if (HRESULT hr = Fill(target, image, skip, r); FAILED(hr))
    {
        target.cube->Release();
        return hr;
    }
    if (pSrcInfo)
        *pSrcInfo = image.info;
    *ppCubeTexture = target.cube;
    return D3D_OK;
}

HRESULT D3DXCreateCubeTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                       IDirect3DCubeTexture9** ppCubeTexture)
{
    return D3DXCreateCubeTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                            ppCubeTexture);
}

HRESULT D3DXLoadSurfaceFromFileA(IDirect3DSurface9* pDestSurface, const PALETTEENTRY*, const RECT* pDestRect,
                                 LPCSTR pSrcFile, const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                 D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pDestSurface || !pSrcFile)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    if (FAILED(pDestSurface->GetDesc(&desc)))
        return D3DERR_INVALIDCALL;
    RECT dest = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    if (pDestRect)
    {
        if (pDestRect->left < 0 || pDestRect->top < 0 || pDestRect->right > LONG(desc.Width) ||
            pDestRect->bottom > LONG(desc.Height) || pDestRect->left >= pDestRect->right ||
            pDestRect->top >= pDestRect->bottom)
            return D3DERR_INVALIDCALL;
        dest = *pDestRect;
    }
    if (tk::d3d9::GetFormatInfo(desc.Format).kind != tk::d3d9::FormatKind::Color)
        return D3DERR_INVALIDCALL;
    Image image;
    if (HRESULT hr = LoadImage(pSrcFile, &image); FAILED(hr))
        return hr;
    RECT src = {0, 0, LONG(image.width), LONG(image.height)};
    if (pSrcRect)
    {
        if (pSrcRect->left < 0 || pSrcRect->top < 0 || pSrcRect->right > src.right ||
            pSrcRect->bottom > src.bottom || pSrcRect->left >= pSrcRect->right ||
            pSrcRect->top >= pSrcRect->bottom)
            return D3DERR_INVALIDCALL;
        src = *pSrcRect;
    }
    Pixels taken, scaled;
    tk::d3dx::TakePixels(image, 0, 0, src, &taken);
    tk::d3dx::ScalePixels(taken, UINT(dest.right - dest.left), UINT(dest.bottom - dest.top), Filter, &scaled);
    tk::d3dx::ApplyColorKey(&scaled, ColorKey);
    D3DLOCKED_RECT locked = {};
    if (HRESULT hr = pDestSurface->LockRect(&locked, &dest, 0); FAILED(hr))
        return hr;
    const bool ok = tk::d3dx::StorePixels(scaled, desc.Format, locked);
    pDestSurface->UnlockRect();
    if (!ok)
        return D3DERR_INVALIDCALL;
    if (pSrcInfo)
        *pSrcInfo = image.info;
    return D3D_OK;
}

HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* pBaseTexture, const PALETTEENTRY*, UINT SrcLevel,
                          DWORD Filter)
{
    if (!pBaseTexture)
        return D3DERR_INVALIDCALL;
    Target target;
    if (pBaseTexture->GetType() == D3DRTYPE_TEXTURE)
        target.texture = static_cast<IDirect3DTexture9*>(pBaseTexture);
    else if (pBaseTexture->GetType() == D3DRTYPE_CUBETEXTURE)
        target.cube = static_cast<IDirect3DCubeTexture9*>(pBaseTexture);
    else
        return D3DERR_INVALIDCALL;
    const UINT first = SrcLevel == D3DX_DEFAULT ? 0 : SrcLevel;
    const UINT levels = target.Levels();
    if (first >= levels)
        return D3DERR_INVALIDCALL;
    const DWORD kind = Filter == D3DX_DEFAULT ? D3DX_FILTER_BOX : (Filter & kFilterKindMask);
    if (kind == D3DX_FILTER_NONE)
        return D3D_OK;
    for (UINT face = 0; face < target.Faces(); ++face)
        for (UINT level = first + 1; level < levels; ++level)
            if (HRESULT hr = FilterLevel(target, face, level, kind == D3DX_FILTER_POINT); FAILED(hr))
                return hr;
    return D3D_OK;
}
