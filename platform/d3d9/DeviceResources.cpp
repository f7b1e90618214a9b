// Creation of the device's resources, each checked as the native runtime
// checks it before anything is allocated.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/CubeTexture.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <new>

namespace tk::d3d9
{
namespace
{
const DWORD kTextureUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                             D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_WRITEONLY;
const DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC | D3DUSAGE_SOFTWAREPROCESSING |
                            D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS;

bool IsPool(D3DPOOL pool)
{
    return pool <= D3DPOOL_SCRATCH;
}

HRESULT CheckShared(HANDLE* shared)
{
    if (!shared)
        return D3D_OK;
    LogOnce("Direct3D: shared resource handles are not supported");
    return D3DERR_INVALIDCALL;
}

// Every creation starts here: the result pointer is required and cleared
// first (a refused call leaves it null), and resources are never shared.
template <class T> HRESULT StartCreate(T** out, HANDLE* shared)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    return CheckShared(shared);
}

// A texture's or surface's size: at least one texel, at most the largest the
// device reports.
bool IsTextureSize(UINT width, UINT height)
{
    const UINT maxSize = MakeCaps(true).MaxTextureWidth;
    return width != 0 && height != 0 && width <= maxSize && height <= maxSize;
}

// Checks common to vertex and index buffers: not empty, a pool a buffer can
// live in, and only buffer usages (dynamic ones not managed).
bool IsBufferRequest(UINT length, DWORD usage, D3DPOOL pool)
{
    return length != 0 && IsPool(pool) && pool != D3DPOOL_SCRATCH && !(usage & ~kBufferUsages) &&
           !((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED);
}

// Checks common to textures and cube textures; `levels` becomes the final count.
HRESULT CheckTexture(UINT width, UINT height, UINT* levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                     D3DRESOURCETYPE type)
{
    if (!IsTextureSize(width, height) || !IsPool(pool) || (usage & ~kTextureUsages))
        return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_AUTOGENMIPMAP)
    {
        LogOnce("Direct3D: automatic mipmap generation is not supported");
        return D3DERR_INVALIDCALL;
    }
    const FormatInfo info = GetFormatInfo(format);
    const bool targetUsage = (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    if (info.kind != FormatKind::Color && info.kind != FormatKind::Compressed &&
        info.kind != FormatKind::Depth)
        return D3DERR_INVALIDCALL;
    if ((info.kind == FormatKind::Depth) != ((usage & D3DUSAGE_DEPTHSTENCIL) != 0))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && (usage & D3DUSAGE_DEPTHSTENCIL))
        return D3DERR_INVALIDCALL;
    if (targetUsage && pool != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && (pool == D3DPOOL_MANAGED || targetUsage))
        return D3DERR_INVALIDCALL;
    if (pool != D3DPOOL_SCRATCH &&
        FAILED(CheckFormat(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL), type, format)))
        return D3DERR_INVALIDCALL;
    const UINT full = FullMipCount(width, height);
    if (*levels == 0)
        *levels = full;
    if (*levels > full)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT CheckSurfaceSampling(D3DFORMAT format, D3DMULTISAMPLE_TYPE type, DWORD quality)
{
    DWORD levels = 0;
    if (type > D3DMULTISAMPLE_16_SAMPLES || FAILED(CheckMultiSample(format, type, &levels)) ||
        quality >= levels)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

UINT FvfVertexSize(DWORD fvf)
{
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK)
    {
    case D3DFVF_XYZ:
        size = 12;
        break;
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZW:
        size = 16;
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
        size = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
        break;
    default:
        break;
    }
    if (fvf & D3DFVF_NORMAL)
        size += 12;
    if (fvf & D3DFVF_PSIZE)
        size += 4;
    if (fvf & D3DFVF_DIFFUSE)
        size += 4;
    if (fvf & D3DFVF_SPECULAR)
        size += 4;
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    static const UINT kCoordBytes[4] = {8, 12, 16, 4};
    for (UINT i = 0; i < texCount && i < 8; ++i)
        size += kCoordBytes[(fvf >> (16 + 2 * i)) & 3];
    return size;
}

template <class T, class... Args> HRESULT Make(T** out, Args&&... args)
{
    try
    {
        *out = new T(std::forward<Args>(args)...);
        return D3D_OK;
    }
    catch (const std::bad_alloc&)
    {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}
} // namespace

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppTexture, pSharedHandle); FAILED(hr))
        return hr;
    if (HRESULT hr = CheckTexture(Width, Height, &Levels, Usage, Format, Pool, D3DRTYPE_TEXTURE); FAILED(hr))
        return hr;
    Texture* texture;
    HRESULT hr = Make(&texture, this, Width, Height, Levels, Usage, Format, Pool);
    *ppTexture = texture;
    return hr;
}

HRESULT Device::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DCubeTexture9** ppCubeTexture, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppCubeTexture, pSharedHandle); FAILED(hr))
        return hr;
    if (HRESULT hr = CheckTexture(EdgeLength, EdgeLength, &Levels, Usage, Format, Pool, D3DRTYPE_CUBETEXTURE);
        FAILED(hr))
        return hr;
    if (Usage & D3DUSAGE_DEPTHSTENCIL)
        return D3DERR_INVALIDCALL;
    CubeTexture* cube;
    HRESULT hr = Make(&cube, this, EdgeLength, Levels, Usage, Format, Pool);
    *ppCubeTexture = cube;
    return hr;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppVertexBuffer, pSharedHandle); FAILED(hr))
        return hr;
    if (!IsBufferRequest(Length, Usage, Pool))
        return D3DERR_INVALIDCALL;
    if (FVF != 0 && Length < FvfVertexSize(FVF))
        return D3DERR_INVALIDCALL;
    VertexBuffer* buffer;
    HRESULT hr = Make(&buffer, this, Length, Usage, FVF, Pool);
    *ppVertexBuffer = buffer;
    return hr;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppIndexBuffer, pSharedHandle); FAILED(hr))
        return hr;
    if (!IsBufferRequest(Length, Usage, Pool) || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    IndexBuffer* buffer;
    HRESULT hr = Make(&buffer, this, Length, Usage, Format, Pool);
    *ppIndexBuffer = buffer;
    return hr;
}

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                                   HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppSurface, pSharedHandle); FAILED(hr))
        return hr;
    if (!IsTextureSize(Width, Height) ||
        FAILED(CheckFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, Format)) ||
        FAILED(CheckSurfaceSampling(Format, MultiSample, MultisampleQuality)) ||
        (Lockable && MultiSample != D3DMULTISAMPLE_NONE))
        return D3DERR_INVALIDCALL;
    const SurfaceSetup setup = {Width,
                                Height,
                                Format,
                                D3DUSAGE_RENDERTARGET,
                                D3DPOOL_DEFAULT,
                                MultiSample,
                                MultisampleQuality,
                                Lockable != FALSE};
    Surface* surface;
    HRESULT hr = Make(&surface, this, setup, Ownership::Owned, nullptr);
    *ppSurface = surface;
    return hr;
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                          D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL,
                                          IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppSurface, pSharedHandle); FAILED(hr))
        return hr;
    if (!IsTextureSize(Width, Height) ||
        FAILED(CheckFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, Format)) ||
        FAILED(CheckSurfaceSampling(Format, MultiSample, MultisampleQuality)))
        return D3DERR_INVALIDCALL;
    const SurfaceSetup setup = {
        Width, Height, Format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, MultiSample, MultisampleQuality,
        false};
    Surface* surface;
    HRESULT hr = Make(&surface, this, setup, Ownership::Owned, nullptr);
    *ppSurface = surface;
    return hr;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle)
{
    if (HRESULT hr = StartCreate(ppSurface, pSharedHandle); FAILED(hr))
        return hr;
    const FormatKind kind = GetFormatInfo(Format).kind;
    // Offscreen plain surfaces cannot be managed, and hold colour or blocks only.
    if (!IsTextureSize(Width, Height) || !IsPool(Pool) || Pool == D3DPOOL_MANAGED ||
        (kind != FormatKind::Color && kind != FormatKind::Compressed))
        return D3DERR_INVALIDCALL;
    const SurfaceSetup setup = {Width, Height, Format, 0, Pool, D3DMULTISAMPLE_NONE, 0, true};
    Surface* surface;
    HRESULT hr = Make(&surface, this, setup, Ownership::Owned, nullptr);
    *ppSurface = surface;
    return hr;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                        IDirect3DVertexDeclaration9** ppDecl)
{
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = nullptr;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!VertexDeclaration::Validate(pVertexElements, &elements))
        return D3DERR_INVALIDCALL;
    VertexDeclaration* declaration;
    HRESULT hr = Make(&declaration, this, std::move(elements));
    *ppDecl = declaration;
    return hr;
}
} // namespace tk::d3d9
