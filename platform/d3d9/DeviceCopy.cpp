// Clearing and copying between surfaces: real pixel work, point-sampled where
// sizes differ, converting between colour formats through floats.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/Formats.h"
#include "platform/d3d9/Surface.h"

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
namespace
{
RECT Intersect(const RECT& a, const RECT& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    return !IsEmpty(Intersect(a, b));
}

void FillColor(Surface* surface, const RECT& rect, D3DCOLOR color)
{
    const RECT r = Intersect(rect, {0, 0, LONG(surface->Width()), LONG(surface->Height())});
    if (IsEmpty(r))
        return;
    BYTE pixel[16];
    PackColor(surface->Format(), ColorFromArgb(color), pixel);
    const UINT bpp = surface->BytesPerPixel();
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            std::memcpy(surface->WritePixelAt(UINT(x), UINT(y)), pixel, bpp);
}

void FillDepth(Surface* surface, const RECT& rect, bool depth, float z, bool stencil, DWORD value)
{
    const RECT r = Intersect(rect, {0, 0, LONG(surface->Width()), LONG(surface->Height())});
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            PackDepthStencil(surface->Format(), depth, z, stencil, value,
                             surface->WritePixelAt(UINT(x), UINT(y)));
}

// Copies whole rows of bytes (blocks for compressed formats) between surfaces
// of one format.
void CopyBytes(Surface* src, const RECT& from, Surface* dst, LONG toX, LONG toY)
{
    const FormatInfo info = GetFormatInfo(src->Format());
    const bool blocks = info.kind == FormatKind::Compressed;
    const LONG unit = blocks ? 4 : 1;
    const size_t rowBytes = size_t((from.right - from.left + unit - 1) / unit) * info.bytes;
    const LONG rows = (from.bottom - from.top + unit - 1) / unit;
    for (LONG row = 0; row < rows; ++row)
    {
        const BYTE* s = src->ReadBits() + size_t(from.top / unit + row) * src->Pitch() +
                        size_t(from.left / unit) * info.bytes;
        BYTE* d =
            dst->WriteBits() + size_t(toY / unit + row) * dst->Pitch() + size_t(toX / unit) * info.bytes;
        std::memmove(d, s, rowBytes);
    }
}
} // namespace

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil)
{
    const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (Flags == 0 || (Flags & ~known))
        return D3DERR_INVALIDCALL;
    // A count without rectangles clears the whole viewport, as natively;
    // rectangles with a count of zero clear nothing (below).
    if (!pRects)
        Count = 0;
    const bool depth = (Flags & D3DCLEAR_ZBUFFER) != 0;
    const bool stencil = (Flags & D3DCLEAR_STENCIL) != 0;
    // Depth or stencil without a depth surface, or stencil on a depth format
    // without stencil bits, is refused natively.
    if ((depth || stencil) && !m_depthStencil)
        return D3DERR_INVALIDCALL;
    if (stencil && GetFormatInfo(m_depthStencil->Format()).stencilBits == 0)
        return D3DERR_INVALIDCALL;
    if (m_state != TkDeviceState::Ok || (pRects && Count == 0))
        return D3D_OK;
    const float z = std::clamp(Z, 0.0f, 1.0f);
    if (ClearGl(Count, pRects, Flags, Color, z, Stencil))
        return D3D_OK;
    const RECT viewport = {LONG(m_viewport.X), LONG(m_viewport.Y), LONG(m_viewport.X + m_viewport.Width),
                           LONG(m_viewport.Y + m_viewport.Height)};
    const DWORD rectCount = pRects ? Count : 1;
    for (DWORD i = 0; i < rectCount; ++i)
    {
        RECT area = viewport;
        if (pRects)
            area = Intersect(viewport, {pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2});
        if (IsEmpty(area))
            continue;
        if (Flags & D3DCLEAR_TARGET)
            for (Surface* target : m_renderTargets)
                if (target)
                    FillColor(target, area, Color);
        if (depth || stencil)
            FillDepth(m_depthStencil, area, depth, z, stencil, Stencil);
    }
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color)
{
    Surface* surface = OwnSurface(pSurface);
    if (!surface || surface->Pool() != D3DPOOL_DEFAULT || surface->IsLocked())
        return D3DERR_INVALIDCALL;
    // Only render targets and offscreen plain surfaces: not the levels of
    // ordinary textures, nor depth or compressed formats.
    if ((surface->Container() && !surface->IsRenderTarget()) || surface->IsDepthStencil() ||
        GetFormatInfo(surface->Format()).kind != FormatKind::Color)
        return D3DERR_INVALIDCALL;
    RECT rect;
    if (!ResolveRect(pRect, surface->Width(), surface->Height(), &rect))
        return D3DERR_INVALIDCALL;
    if (m_state == TkDeviceState::Ok)
        FillColor(surface, rect, color);
    return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                            IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                            D3DTEXTUREFILTERTYPE Filter)
{
    Surface* src = OwnSurface(pSourceSurface);
    Surface* dst = OwnSurface(pDestSurface);
    if (!src || !dst || src->Pool() != D3DPOOL_DEFAULT || dst->Pool() != D3DPOOL_DEFAULT || src->IsLocked() ||
        dst->IsLocked())
        return D3DERR_INVALIDCALL;
    if (Filter != D3DTEXF_NONE && Filter != D3DTEXF_POINT && Filter != D3DTEXF_LINEAR)
        return D3DERR_INVALIDCALL;
    RECT from, to;
    if (!ResolveRect(pSourceRect, src->Width(), src->Height(), &from) ||
        !ResolveRect(pDestRect, dst->Width(), dst->Height(), &to))
        return D3DERR_INVALIDCALL;
    if (src == dst && Overlap(from, to))
        return D3DERR_INVALIDCALL;

    if (src->IsDepthStencil() || dst->IsDepthStencil())
    {
        // Depth copies: whole surfaces of one format and size, outside a scene.
        if (!src->IsDepthStencil() || !dst->IsDepthStencil() || pSourceRect || pDestRect || m_inScene ||
            src->Format() != dst->Format() || src->Width() != dst->Width() || src->Height() != dst->Height())
            return D3DERR_INVALIDCALL;
        if (m_state == TkDeviceState::Ok)
            std::memcpy(dst->WriteBits(), src->ReadBits(), size_t(src->Pitch()) * src->Height());
        return D3D_OK;
    }
    // The destination is a render target; the source a render target or an
    // offscreen plain surface, not the level of an ordinary texture.
    if (!dst->IsRenderTarget() || (src->Container() && !src->IsRenderTarget()))
        return D3DERR_INVALIDCALL;
    if (GetFormatInfo(src->Format()).kind != FormatKind::Color ||
        GetFormatInfo(dst->Format()).kind != FormatKind::Color)
        return D3DERR_INVALIDCALL;
    if (m_state != TkDeviceState::Ok)
        return D3D_OK;

    if (BlitGl(src, from, dst, to, Filter == D3DTEXF_LINEAR))
        return D3D_OK;
    const LONG sw = from.right - from.left, sh = from.bottom - from.top;
    const LONG dw = to.right - to.left, dh = to.bottom - to.top;
    if (src->Format() == dst->Format() && sw == dw && sh == dh)
    {
        CopyBytes(src, from, dst, to.left, to.top);
        return D3D_OK;
    }
    // Point sampling at each destination pixel's centre.
    for (LONG y = 0; y < dh; ++y)
    {
        const LONG sy = from.top + LONG((int64_t(y) * 2 + 1) * sh / (int64_t(dh) * 2));
        for (LONG x = 0; x < dw; ++x)
        {
            const LONG sx = from.left + LONG((int64_t(x) * 2 + 1) * sw / (int64_t(dw) * 2));
            Color4 color;
            UnpackColor(src->Format(), src->ReadPixelAt(UINT(sx), UINT(sy)), &color);
            PackColor(dst->Format(), color, dst->WritePixelAt(UINT(to.left + x), UINT(to.top + y)));
        }
    }
    return D3D_OK;
}

HRESULT Device::UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint)
{
    Surface* src = OwnSurface(pSourceSurface);
    Surface* dst = OwnSurface(pDestinationSurface);
    // From system memory to the default pool, one format, no depth, no
    // multisampling, no stretching.
    if (!src || !dst || src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT ||
        src->Format() != dst->Format() || src->IsDepthStencil() || dst->IsDepthStencil() ||
        dst->Desc().MultiSampleType != D3DMULTISAMPLE_NONE || src->IsLocked() || dst->IsLocked())
        return D3DERR_INVALIDCALL;
    RECT from;
    if (!ResolveRect(pSourceRect, src->Width(), src->Height(), &from))
        return D3DERR_INVALIDCALL;
    const LONG toX = pDestPoint ? pDestPoint->x : 0;
    const LONG toY = pDestPoint ? pDestPoint->y : 0;
    // In 64 bits: a point near the end of the LONG range must not wrap.
    if (toX < 0 || toY < 0 || int64_t(toX) + (from.right - from.left) > int64_t(dst->Width()) ||
        int64_t(toY) + (from.bottom - from.top) > int64_t(dst->Height()))
        return D3DERR_INVALIDCALL;
    const RECT to = {toX, toY, toX + (from.right - from.left), toY + (from.bottom - from.top)};
    if (GetFormatInfo(src->Format()).kind == FormatKind::Compressed &&
        (!IsBlockAligned(from, src->Width(), src->Height()) ||
         !IsBlockAligned(to, dst->Width(), dst->Height())))
        return D3DERR_INVALIDCALL;
    if (m_state == TkDeviceState::Ok)
        CopyBytes(src, from, dst, toX, toY);
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface)
{
    Surface* src = OwnSurface(pRenderTarget);
    Surface* dst = OwnSurface(pDestSurface);
    if (!src || !dst || !src->IsRenderTarget() || src->Desc().MultiSampleType != D3DMULTISAMPLE_NONE ||
        dst->Pool() != D3DPOOL_SYSTEMMEM || src->Format() != dst->Format() || src->Width() != dst->Width() ||
        src->Height() != dst->Height() || dst->IsLocked())
        return D3DERR_INVALIDCALL;
    if (m_state != TkDeviceState::Ok)
        return D3DERR_DEVICELOST;
    std::memcpy(dst->WriteBits(), src->ReadBits(), size_t(src->Pitch()) * src->Height());
    return D3D_OK;
}
} // namespace tk::d3d9
