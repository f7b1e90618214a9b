#pragma once
// A surface: a block of pixels with its description. Stand-alone surfaces
// (render targets, depth surfaces, offscreen plain surfaces, back buffers) and
// the levels and faces of textures are the same class.

#include "platform/d3d9/DeviceChild.h"

#include <vector>

namespace tk::d3d9
{
struct SurfaceSetup
{
    UINT width;
    UINT height;
    D3DFORMAT format;
    DWORD usage;
    D3DPOOL pool;
    D3DMULTISAMPLE_TYPE multiSample;
    DWORD multiSampleQuality;
    bool lockable;
};

class Surface final : public DeviceChild<IDirect3DSurface9>
{
public:
    // `container` is the texture a level belongs to (null for stand-alone ones).
    Surface(Device* device, const SurfaceSetup& setup, Ownership ownership, Tracked* container);

    Tracked* RefHolder() override { return m_container ? m_container : this; }
    std::string Describe() const override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    const D3DSURFACE_DESC& Desc() const { return m_desc; }
    UINT Width() const { return m_desc.Width; }
    UINT Height() const { return m_desc.Height; }
    D3DFORMAT Format() const { return m_desc.Format; }
    bool IsRenderTarget() const { return (m_desc.Usage & D3DUSAGE_RENDERTARGET) != 0; }
    bool IsDepthStencil() const { return (m_desc.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
    bool IsLocked() const { return m_locked; }
    Tracked* Container() const { return m_container; }
    UINT Pitch() const { return m_pitch; }
    BYTE* Bits() { return m_bits.data(); }
    const BYTE* Bits() const { return m_bits.data(); }
    // The first byte of pixel (x, y); only for formats with per-pixel data.
    BYTE* PixelAt(UINT x, UINT y)
    {
        return m_bits.data() + size_t(y) * m_pitch + size_t(x) * m_bytesPerPixel;
    }
    UINT BytesPerPixel() const { return m_bytesPerPixel; }

private:
    D3DSURFACE_DESC m_desc;
    Tracked* m_container;
    bool m_lockable;
    bool m_locked = false;
    UINT m_pitch;
    UINT m_bytesPerPixel;
    std::vector<BYTE> m_bits;
};

// A rectangle inside a surface of the given size (null means all of it);
// false when it is empty, inverted or reaches outside.
bool ResolveRect(const RECT* rect, UINT width, UINT height, RECT* out);
// Whether a rectangle of a block-compressed surface lies on block edges.
bool IsBlockAligned(const RECT& rect, UINT width, UINT height);
} // namespace tk::d3d9
