#include "platform/d3d9/CubeTexture.h"

#include "platform/d3d9/Device.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/Texture.h"

#include <algorithm>
#include <cstdio>

namespace tk::d3d9
{
CubeTexture::CubeTexture(Device* device, UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : DeviceChild(device, pool, Ownership::Owned), m_levelCount(levels)
{
    for (UINT face = 0; face < kFaces; ++face)
        for (UINT level = 0; level < levels; ++level)
        {
            const UINT size = std::max(1u, edgeLength >> level);
            SurfaceSetup setup{
                size, size, format, usage, pool, D3DMULTISAMPLE_NONE, 0, TextureLevelLockable(pool, usage)};
            m_surfaces.push_back(std::make_unique<Surface>(device, setup, Ownership::Contained, this));
        }
    if (pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH)
        return;
    // Managed: the GL image is made when the texture is first drawn with.
    m_glPending = true;
    if (pool != D3DPOOL_MANAGED)
        CreateGl();
}

void CubeTexture::CreateGl()
{
    m_glPending = false;
    const D3DSURFACE_DESC& d = m_surfaces[0]->Desc();
    const bool drawnInto = (d.Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    m_gl = OwnerDevice()->CreateGlTexture(GL_TEXTURE_CUBE_MAP, d.Format, d.Width, d.Width, m_levelCount,
                                          drawnInto);
    if (!m_gl)
        return;
    for (UINT face = 0; face < kFaces; ++face)
        for (UINT level = 0; level < m_levelCount; ++level)
        {
            Surface* surface = m_surfaces[size_t(face) * m_levelCount + level].get();
            surface->AttachGl(m_gl, GL_TEXTURE_CUBE_MAP, GLint(level), GLint(face));
            if (drawnInto)
                surface->MarkInSync();
        }
}

CubeTexture::~CubeTexture()
{
    if (m_gl)
    {
        OwnerDevice()->MakeCurrent();
        OwnerDevice()->ForgetGlTexture(m_gl);
        glDeleteTextures(1, &m_gl);
    }
}

void CubeTexture::DropGl()
{
    if (!m_gl)
        return;
    OwnerDevice()->MakeCurrent();
    OwnerDevice()->ForgetGlTexture(m_gl);
    glDeleteTextures(1, &m_gl);
    m_gl = 0;
    for (auto& surface : m_surfaces)
        surface->AttachGl(0, GL_TEXTURE_CUBE_MAP, 0, 0);
}

GLuint CubeTexture::PrepareGl()
{
    if (m_glPending)
        CreateGl();
    for (auto& surface : m_surfaces)
        surface->PrepareForGpu();
    return m_gl;
}

Surface* CubeTexture::FaceLevel(D3DCUBEMAP_FACES face, UINT level)
{
    if (static_cast<UINT>(face) >= kFaces || level >= m_levelCount)
        return nullptr;
    return m_surfaces[size_t(face) * m_levelCount + level].get();
}

std::string CubeTexture::Describe() const
{
    const D3DSURFACE_DESC& d = m_surfaces[0]->Desc();
    char text[160];
    std::snprintf(text, sizeof text, "cube texture %u %s%s levels %u", d.Width, GetFormatInfo(d.Format).name,
                  (d.Usage & D3DUSAGE_RENDERTARGET) ? " RENDERTARGET" : "", m_levelCount);
    return Name().empty() ? std::string(text) : Name() + ": " + text;
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    Surface* surface = FaceLevel(D3DCUBEMAP_FACE_POSITIVE_X, Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->GetDesc(pDesc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                       IDirect3DSurface9** ppCubeMapSurface)
{
    Surface* surface = FaceLevel(FaceType, Level);
    if (!surface || !ppCubeMapSurface)
        return D3DERR_INVALIDCALL;
    surface->AddRef();
    *ppCubeMapSurface = surface;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                              const RECT* pRect, DWORD Flags)
{
    Surface* surface = FaceLevel(FaceType, Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->LockRect(pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level)
{
    Surface* surface = FaceLevel(FaceType, Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->UnlockRect();
}
} // namespace tk::d3d9
