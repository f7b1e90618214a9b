#pragma once
// A 2D texture: a chain of level surfaces that share its reference counts.

#include "platform/d3d9/Surface.h"

#include <memory>
#include <vector>

namespace tk::d3d9
{
class Texture final : public DeviceChild<IDirect3DTexture9>
{
public:
    // Arguments are validated by the device; `levels` is the final count.
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
            D3DPOOL pool);

    std::string Describe() const override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(m_levels.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    Surface* Level(UINT level) { return level < m_levels.size() ? m_levels[level].get() : nullptr; }

    void DropGl() override;
    bool HoldsGl() const override { return m_gl != 0; }

    ~Texture() override;
    // The GL texture with every level the game wrote uploaded; 0 when the
    // texture lives in memory only (system memory, scratch).
    GLuint PrepareGl();

private:
    void CreateGl();

    std::vector<std::unique_ptr<Surface>> m_levels;
    GLuint m_gl = 0;
    bool m_glPending = false;
};

// The number of levels of a full chain down to 1 x 1.
UINT FullMipCount(UINT width, UINT height);
// Whether a texture level of this pool and usage can be locked.
bool TextureLevelLockable(D3DPOOL pool, DWORD usage);
} // namespace tk::d3d9
