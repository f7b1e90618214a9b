#include "platform/d3d9/Texture.h"

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Formats.h"

#include <algorithm>
#include <cstdio>

namespace tk::d3d9
{
UINT FullMipCount(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1)
        ++levels;
    return levels;
}

bool TextureLevelLockable(D3DPOOL pool, DWORD usage)
{
    // Default-pool textures live in video memory: only dynamic ones can be
    // locked, and never render targets or depth textures.
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))
        return false;
    return pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
}

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                 D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned)
{
    for (UINT level = 0; level < levels; ++level)
    {
        SurfaceSetup setup{std::max(1u, width >> level),
                           std::max(1u, height >> level),
                           format,
                           usage,
                           pool,
                           D3DMULTISAMPLE_NONE,
                           0,
                           TextureLevelLockable(pool, usage)};
        m_levels.push_back(std::make_unique<Surface>(device, setup, Ownership::Contained, this));
    }
    if (pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH)
        return;
    // A managed texture takes its GL image when it is first drawn with: a
    // load does not wait for the driver to make (and clear) one.
    m_glPending = true;
    if (pool != D3DPOOL_MANAGED)
        CreateGl();
}

void Texture::CreateGl()
{
    m_glPending = false;
    const D3DSURFACE_DESC& d = m_levels[0]->Desc();
    const UINT levels = UINT(m_levels.size());
    const bool drawnInto = (d.Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    m_gl = OwnerDevice()->CreateGlTexture(GL_TEXTURE_2D, d.Format, d.Width, d.Height, levels, drawnInto);
    if (!m_gl)
        return;
    for (UINT level = 0; level < levels; ++level)
    {
        m_levels[level]->AttachGl(m_gl, GL_TEXTURE_2D, GLint(level), 0);
        if (drawnInto)
            m_levels[level]->MarkInSync();
    }
}

Texture::~Texture()
{
    if (m_gl)
    {
        OwnerDevice()->MakeCurrent();
        OwnerDevice()->ForgetGlTexture(m_gl);
        glDeleteTextures(1, &m_gl);
    }
}

void Texture::DropGl()
{
    if (!m_gl)
        return;
    OwnerDevice()->MakeCurrent();
    OwnerDevice()->ForgetGlTexture(m_gl);
    glDeleteTextures(1, &m_gl);
    m_gl = 0;
    for (auto& level : m_levels)
        level->AttachGl(0, GL_TEXTURE_2D, 0, 0);
}

GLuint Texture::PrepareGl()
{
    if (m_glPending)
        CreateGl();
    for (auto& level : m_levels)
        level->PrepareForGpu();
    return m_gl;
}

std::string Texture::Describe() const
{
    const D3DSURFACE_DESC& d = m_levels[0]->Desc();
    char text[160];
    std::snprintf(text, sizeof text, "texture %ux%u %s%s%s levels %u", d.Width, d.Height,
                  GetFormatInfo(d.Format).name, (d.Usage & D3DUSAGE_RENDERTARGET) ? " RENDERTARGET" : "",
                  (d.Usage & D3DUSAGE_DEPTHSTENCIL) ? " DEPTHSTENCIL" : "", unsigned(m_levels.size()));
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    Surface* surface = this->Level(Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->GetDesc(pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    Surface* surface = this->Level(Level);
    if (!surface || !ppSurfaceLevel)
        return D3DERR_INVALIDCALL;
    surface->AddRef();
    *ppSurfaceLevel = surface;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    Surface* surface = this->Level(Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->LockRect(pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level)
{
    Surface* surface = this->Level(Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->UnlockRect();
}
} // namespace tk::d3d9
