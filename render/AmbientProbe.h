#pragma once
// CAmbientProbe: a 16 x 16 view rendered from a point of the world and read
// back, answering with the colour of its centre pixel. The grass generation
// asks it whether a point shows one of the marked ground textures: marked
// textures draw white, everything else black.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

class CAmbientProbe
{
public:
    static constexpr UINT SIZE = 16;
    static constexpr UINT CENTRE = SIZE / 2;
    static constexpr size_t STATE_BYTES = 12;

    virtual ~CAmbientProbe() = default;

    // The engine's world-load row.
    void Init() { Create(); }
    // World load: the surfaces, the probe state and the active byte cleared.
    void Create();
    // Engine reset: the surfaces go and the probe is idle.
    void Release();
    // Before a device reset: a probe still bound is unwound first, so no
    // reference to the back buffer outlives it; then the surfaces go.
    void OnLostDevice();
    // After a device reset: the surfaces come back when the world had them.
    void OnResetDevice();
    // False when any of the four could not be made (the probe then answers 0).
    bool CreateSurfaces();
    void ReleaseSurfaces();

    // Binds the probe's target, depth surface and 16 x 16 viewport, keeping
    // what was bound. Calls nest: only the outermost pair binds and restores,
    // so the grass generation can wrap its many probes in one pair.
    void Begin();
    // Restores (and lets go of) what the outermost Begin kept, and the camera's frames.
    void End();
    // The target's centre pixel as 0x00RRGGBB, or 0 when it cannot be read.
    DWORD ReadColor();
    // The object seen from just above the point, straight down: marked
    // textures white, the rest black; the centre pixel's colour.
    DWORD RenderPlantProbe(const D3DXVECTOR3& point, HOBJECT object, DWORD option1, DWORD option2);
    // The same for a terrain object, whose first subset blends layers.
    DWORD RenderTerrainProbe(const D3DXVECTOR3& point, HOBJECT object, DWORD option1, DWORD option2);

    bool HasSurfaces() const { return m_pTargetSurf && m_pDepthSurf && m_pCalculateSurface; }
    DWORD Depth() const { return m_iDepth; }

    BYTE m_State[STATE_BYTES] = {};
    D3DVIEWPORT9 m_SavedViewport = {};
    IDirect3DSurface9* m_pSavedTarget = nullptr;
    IDirect3DSurface9* m_pSavedDepth = nullptr;
    IDirect3DSurface9* m_pTargetSurf = nullptr;
    IDirect3DTexture9* m_pTargetTexture = nullptr;
    IDirect3DSurface9* m_pDepthSurf = nullptr;
    IDirect3DSurface9* m_pCalculateSurface = nullptr;
    BYTE m_bActive = 0;

private:
    DWORD Probe(const D3DXVECTOR3& point, HOBJECT object, bool terrain);
    void DrawObject(const D3DXVECTOR3& point, HOBJECT object, bool terrain);
    void Unwind();
    DWORD m_iDepth = 0;   // Begin calls not yet ended
    BYTE m_bCreated = 0;  // between Create and Release: a device reset makes the surfaces again
    BYTE m_bSwitched = 0; // the outermost Begin bound the probe (and kept references)
};

extern CAmbientProbe g_AmbientProbe;
