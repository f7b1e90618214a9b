#pragma once
// A cube texture: six faces, each a chain of level surfaces sharing the cube's
// reference counts.

#include "platform/d3d9/Surface.h"

#include <memory>
#include <vector>

namespace tk::d3d9
{
class CubeTexture final : public DeviceChild<IDirect3DCubeTexture9>
{
public:
    static constexpr UINT kFaces = 6;

    // Arguments are validated by the device; `levels` is the final count.
    CubeTexture(Device* device, UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    std::string Describe() const override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return m_levelCount; }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                              IDirect3DSurface9** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;

    Surface* FaceLevel(D3DCUBEMAP_FACES face, UINT level);

    void DropGl() override;
    bool HoldsGl() const override { return m_gl != 0; }

    ~CubeTexture() override;
    // The GL cube map with every face and level the game wrote uploaded; 0
    // when the texture lives in memory only.
    GLuint PrepareGl();

private:
    UINT m_levelCount;
    void CreateGl();

    GLuint m_gl = 0;
    bool m_glPending = false;
    std::vector<std::unique_ptr<Surface>> m_surfaces; // face-major
};
} // namespace tk::d3d9
