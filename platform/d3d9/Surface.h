#pragma once
// A surface: a block of pixels with its description. Stand-alone surfaces
// (render targets, depth surfaces, offscreen plain surfaces, back buffers) and
// the levels and faces of textures are the same class.
//
// Every surface keeps its pixels in memory in the Direct3D layout. Surfaces
// the GPU reads or draws into also have an OpenGL image (a level of a GL
// texture, or a face of one); two flags say which copy is newer, and each
// side brings the other up to date just before it needs the pixels: a lock
// or a read-back downloads what the GPU drew, a draw or a sample uploads
// what the game wrote.

#include "platform/d3d9/DeviceChild.h"

#include <epoxy/gl.h>

#include <memory>

namespace tk::d3d9
{
// A clear of a whole image that has not reached the GPU yet: the values of
// the channels it sets.
struct PendingClear
{
    bool color = false;
    bool depth = false;
    bool stencil = false;
    float rgba[4] = {};
    float z = 0.0f;
    GLint stencilValue = 0;
    bool Any() const { return color || depth || stencil; }
};

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
    // The pixels in memory, brought up to date with what the GPU drew.
    // WriteBits also marks the GL image as older than memory.
    const BYTE* ReadBits();
    BYTE* WriteBits();
    // The first byte of pixel (x, y); only for formats with per-pixel data.
    const BYTE* ReadPixelAt(UINT x, UINT y) { return ReadBits() + Offset(x, y); }
    BYTE* WritePixelAt(UINT x, UINT y) { return WriteBits() + Offset(x, y); }
    UINT BytesPerPixel() const { return m_bytesPerPixel; }

    // ---- The OpenGL image -------------------------------------------------------
    // `texture` is owned by the container, or by this surface when it has none.
    void AttachGl(GLuint texture, GLenum target, GLint level, GLint face);
    GLuint GlTexture() const { return m_glTexture; }
    GLint GlLevel() const { return m_glLevel; }
    GLint GlFace() const { return m_glFace; }
    bool HasGl() const { return m_glTexture != 0; }
    // Uploads what the game wrote since the last upload.
    void PrepareForGpu();
    // The GPU drew into the image: memory is older now.
    void MarkGpuWritten()
    {
        m_cpuStale = HasGl();
        m_downloadFrom = 0;
    }
    // Memory and image hold the same pixels (a fresh, cleared surface).
    void MarkInSync() { m_cpuStale = m_gpuStale = false; }
    // A clear of the whole image, kept until something uses the image: a
    // later whole clear replaces it, a draw into the surface makes it on the
    // framebuffer it draws into, and any other use (a sample, a copy, a
    // read-back) makes it first on its own.
    void DeferClear(const PendingClear& clear);
    bool HasPendingClear() const { return m_pendingClear.Any(); }
    // The clear kept, handed to the caller who makes it now.
    PendingClear TakePendingClear();
    // A stand-alone surface takes another image of its size and format; the
    // caller owns the one it gives back, which memory still reads from until
    // something is drawn into the new one.
    GLuint ExchangeGl(GLuint texture);

    void DropGl() override;
    bool HoldsGl() const override { return m_glTexture != 0 && !m_container; }

    ~Surface() override;

private:
    size_t Offset(UINT x, UINT y) const { return size_t(y) * m_pitch + size_t(x) * m_bytesPerPixel; }
    void Download();
    void MakePendingClear();

    D3DSURFACE_DESC m_desc;
    Tracked* m_container;
    bool m_lockable;
    bool m_locked = false;
    UINT m_pitch;
    UINT m_bytesPerPixel;
    BYTE* Bits();

    std::unique_ptr<BYTE[]> m_bits;
    size_t m_bitsSize = 0;
    bool m_blank = true; // reads as zeros; memory not cleared yet

    GLuint m_glTexture = 0;
    GLuint m_downloadFrom = 0; // the image memory is brought up to date from, when not m_glTexture
    GLenum m_glTarget = 0;
    GLint m_glLevel = 0;
    GLint m_glFace = 0;
    bool m_decodeBlocks = false; // DXT blocks in memory, 32-bit texels on the GPU
    bool m_cpuStale = false;     // the GPU drew since memory was last updated
    bool m_gpuStale = false;     // the game wrote since the image was last updated
    PendingClear m_pendingClear;
};

// A rectangle inside a surface of the given size (null means all of it);
// false when it is empty, inverted or reaches outside.
bool ResolveRect(const RECT* rect, UINT width, UINT height, RECT* out);
// Whether a rectangle of a block-compressed surface lies on block edges.
bool IsBlockAligned(const RECT& rect, UINT width, UINT height);
} // namespace tk::d3d9
