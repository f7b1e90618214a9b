#include "platform/d3d9/Surface.h"

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/GlFormat.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace tk::d3d9
{
namespace
{
const char* PoolName(D3DPOOL pool)
{
    switch (pool)
    {
    case D3DPOOL_DEFAULT:
        return "DEFAULT";
    case D3DPOOL_MANAGED:
        return "MANAGED";
    case D3DPOOL_SYSTEMMEM:
        return "SYSTEMMEM";
    case D3DPOOL_SCRATCH:
        return "SCRATCH";
    default:
        return "?";
    }
}
} // namespace

Surface::Surface(Device* device, const SurfaceSetup& setup, Ownership ownership, Tracked* container)
    : DeviceChild(device, setup.pool, ownership), m_container(container), m_lockable(setup.lockable)
{
    m_desc.Format = setup.format;
    m_desc.Type = D3DRTYPE_SURFACE;
    m_desc.Usage = setup.usage;
    m_desc.Pool = setup.pool;
    m_desc.MultiSampleType = setup.multiSample;
    m_desc.MultiSampleQuality = setup.multiSampleQuality;
    m_desc.Width = setup.width;
    m_desc.Height = setup.height;
    const FormatInfo info = GetFormatInfo(setup.format);
    m_bytesPerPixel = info.kind == FormatKind::Compressed ? 0 : info.bytes;
    m_pitch = FormatRowPitch(setup.format, setup.width);
    // Not written yet: memory reads as zeros once first used, unless a lock
    // that replaces every byte comes first (a loader filling a level).
    m_bitsSize = size_t(m_pitch) * FormatRowCount(setup.format, setup.height);
    m_bits.reset(new BYTE[m_bitsSize ? m_bitsSize : 1]);
    // Stand-alone targets and depth surfaces are drawn into: they get an image
    // of their own, cleared as memory is.
    if (!container && (setup.usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)))
    {
        const GLuint texture =
            device->CreateGlTexture(GL_TEXTURE_2D, setup.format, setup.width, setup.height, 1, true);
        if (texture)
        {
            AttachGl(texture, GL_TEXTURE_2D, 0, 0);
            MarkInSync();
        }
    }
}

std::string Surface::Describe() const
{
    const char* kind = "offscreen surface";
    if (GetOwnership() == Ownership::Implicit)
        kind = IsDepthStencil() ? "automatic depth-stencil surface" : "back buffer";
    else if (IsRenderTarget())
        kind = "render target";
    else if (IsDepthStencil())
        kind = "depth-stencil surface";
    char text[160];
    std::snprintf(text, sizeof text, "%s %ux%u %s %s", kind, m_desc.Width, m_desc.Height,
                  GetFormatInfo(m_desc.Format).name, PoolName(m_desc.Pool));
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

Surface::~Surface()
{
    if (m_glTexture && !m_container)
    {
        OwnerDevice()->MakeCurrent();
        OwnerDevice()->ForgetGlTexture(m_glTexture);
        glDeleteTextures(1, &m_glTexture);
    }
}

void Surface::DropGl()
{
    // Level surfaces go with their texture.
    if (!m_glTexture || m_container)
        return;
    m_pendingClear = PendingClear{};
    OwnerDevice()->MakeCurrent();
    OwnerDevice()->ForgetGlTexture(m_glTexture);
    glDeleteTextures(1, &m_glTexture);
    AttachGl(0, GL_TEXTURE_2D, 0, 0);
}

void Surface::AttachGl(GLuint texture, GLenum target, GLint level, GLint face)
{
    m_glTexture = texture;
    m_downloadFrom = 0;
    m_glTarget = target;
    m_glLevel = level;
    m_glFace = face;
    m_pendingClear = PendingClear{};
    GlFormat gl;
    m_decodeBlocks = GlFormatOf(m_desc.Format, &gl) && gl.decodeBlocks;
    m_cpuStale = false;
    // Whatever memory holds reaches the image before its first use.
    m_gpuStale = texture != 0;
}

BYTE* Surface::Bits()
{
    if (m_blank)
    {
        std::memset(m_bits.get(), 0, m_bitsSize);
        m_blank = false;
    }
    return m_bits.get();
}

GLuint Surface::ExchangeGl(GLuint texture)
{
    // Until something is drawn into the new image, a read of memory still
    // finds the picture drawn before (the one given back).
    MakePendingClear();
    const GLuint old = m_glTexture;
    m_glTexture = texture;
    m_downloadFrom = old;
    return old;
}

const BYTE* Surface::ReadBits()
{
    if (m_cpuStale)
        Download();
    return Bits();
}

BYTE* Surface::WriteBits()
{
    if (m_cpuStale)
        Download();
    m_gpuStale = HasGl();
    return Bits();
}

void Surface::DeferClear(const PendingClear& clear)
{
    if (!m_glTexture)
        return;
    // What the game wrote reaches the image first: a clear may leave some
    // channels as they are. (Nothing written can wait behind a kept clear:
    // a write reads the image back, which makes the clear.)
    if (m_gpuStale)
        PrepareForGpu();
    if (clear.color)
    {
        m_pendingClear.color = true;
        std::memcpy(m_pendingClear.rgba, clear.rgba, sizeof clear.rgba);
    }
    if (clear.depth)
        m_pendingClear.depth = true, m_pendingClear.z = clear.z;
    if (clear.stencil)
        m_pendingClear.stencil = true, m_pendingClear.stencilValue = clear.stencilValue;
    MarkGpuWritten();
}

PendingClear Surface::TakePendingClear()
{
    const PendingClear clear = m_pendingClear;
    m_pendingClear = PendingClear{};
    return clear;
}

void Surface::MakePendingClear()
{
    if (m_pendingClear.Any())
        OwnerDevice()->ClearSurfaceNow(this, TakePendingClear());
}

void Surface::Download()
{
    MakePendingClear();
    m_cpuStale = false;
    GlFormat gl;
    if (!GlFormatOf(m_desc.Format, &gl) || gl.compressed)
        return;
    OwnerDevice()->MakeCurrent();
    OwnerDevice()->FlushGl();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, m_bytesPerPixel ? GLint(m_pitch / m_bytesPerPixel) : 0);
    const GLuint from = m_downloadFrom ? m_downloadFrom : m_glTexture;
    m_downloadFrom = 0;
    glGetTextureSubImage(from, m_glLevel, 0, 0, m_glFace, GLsizei(m_desc.Width), GLsizei(m_desc.Height), 1,
                         gl.format, gl.type, GLsizei(m_bitsSize), Bits());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

void Surface::PrepareForGpu()
{
    MakePendingClear();
    if (!m_gpuStale || !m_glTexture)
        return;
    m_gpuStale = false;
    GlFormat gl;
    if (!GlFormatOf(m_desc.Format, &gl))
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (m_decodeBlocks)
    {
        // Not zeroed: every texel is written.
        std::unique_ptr<BYTE[]> texels(new BYTE[size_t(m_desc.Width) * m_desc.Height * 4]);
        DecodeBlocks(m_desc.Format, Bits(), m_desc.Width, m_desc.Height, texels.get(), m_desc.Width * 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        if (m_glTarget == GL_TEXTURE_CUBE_MAP)
            glTextureSubImage3D(m_glTexture, m_glLevel, 0, 0, m_glFace, GLsizei(m_desc.Width),
                                GLsizei(m_desc.Height), 1, GL_BGRA, GL_UNSIGNED_BYTE, texels.get());
        else
            glTextureSubImage2D(m_glTexture, m_glLevel, 0, 0, GLsizei(m_desc.Width), GLsizei(m_desc.Height),
                                GL_BGRA, GL_UNSIGNED_BYTE, texels.get());
        return;
    }
    if (gl.compressed)
    {
        if (m_glTarget == GL_TEXTURE_CUBE_MAP)
            glCompressedTextureSubImage3D(m_glTexture, m_glLevel, 0, 0, m_glFace, GLsizei(m_desc.Width),
                                          GLsizei(m_desc.Height), 1, gl.internal, GLsizei(m_bitsSize),
                                          Bits());
        else
            glCompressedTextureSubImage2D(m_glTexture, m_glLevel, 0, 0, GLsizei(m_desc.Width),
                                          GLsizei(m_desc.Height), gl.internal, GLsizei(m_bitsSize), Bits());
        return;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, m_bytesPerPixel ? GLint(m_pitch / m_bytesPerPixel) : 0);
    if (m_glTarget == GL_TEXTURE_CUBE_MAP)
        glTextureSubImage3D(m_glTexture, m_glLevel, 0, 0, m_glFace, GLsizei(m_desc.Width),
                            GLsizei(m_desc.Height), 1, gl.format, gl.type, Bits());
    else
        glTextureSubImage2D(m_glTexture, m_glLevel, 0, 0, GLsizei(m_desc.Width), GLsizei(m_desc.Height),
                            gl.format, gl.type, Bits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    if (!pLockedRect || m_locked || !m_lockable || RefHolder()->IsLost())
        return D3DERR_INVALIDCALL;
    RECT rect;
    if (!ResolveRect(pRect, m_desc.Width, m_desc.Height, &rect))
        return D3DERR_INVALIDCALL;
    const FormatInfo info = GetFormatInfo(m_desc.Format);
    size_t offset;
    if (info.kind == FormatKind::Compressed)
    {
        if (!IsBlockAligned(rect, m_desc.Width, m_desc.Height))
            return D3DERR_INVALIDCALL;
        offset = size_t(rect.top / 4) * m_pitch + size_t(rect.left / 4) * info.bytes;
    }
    else
        offset = size_t(rect.top) * m_pitch + size_t(rect.left) * info.bytes;
    // Every byte is to be replaced: nothing needs clearing first.
    if ((Flags & D3DLOCK_DISCARD) && !(Flags & D3DLOCK_READONLY) && !m_cpuStale && rect.left == 0 &&
        rect.top == 0 && UINT(rect.right) == m_desc.Width && UINT(rect.bottom) == m_desc.Height)
        m_blank = false;
    m_locked = true;
    pLockedRect->Pitch = static_cast<INT>(m_pitch);
    BYTE* bits = (Flags & D3DLOCK_READONLY) ? const_cast<BYTE*>(ReadBits()) : WriteBits();
    pLockedRect->pBits = bits + offset;
    return D3D_OK;
}

HRESULT Surface::UnlockRect()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

bool ResolveRect(const RECT* rect, UINT width, UINT height, RECT* out)
{
    if (!rect)
    {
        *out = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        return true;
    }
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        rect->right > static_cast<LONG>(width) || rect->bottom > static_cast<LONG>(height))
        return false;
    *out = *rect;
    return true;
}

bool IsBlockAligned(const RECT& rect, UINT width, UINT height)
{
    auto edge = [](LONG v, UINT size) { return v % 4 == 0 || v == static_cast<LONG>(size); };
    return rect.left % 4 == 0 && rect.top % 4 == 0 && edge(rect.right, width) && edge(rect.bottom, height);
}
} // namespace tk::d3d9
