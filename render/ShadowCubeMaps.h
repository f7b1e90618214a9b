#pragma once
// CShadowCubeMaps: point-light cube shadows and the water targets.
// STAND-IN: no shadow slots; the per-world and device-loss calls only. The
// point-light shadow work replaces this file with the whole CShadowCubeMaps.

#include "platform/d3d9/D3D9.h"
#include "world/ObjectHandle.h"

class CShadowCubeMaps
{
public:
    virtual ~CShadowCubeMaps() = default;
    void Init() {}
    void Release() {}
    // Gives a light's cube slot back.
    void ReleaseSlot(HOBJECT) {}
    void OnLostDevice() {}
    void OnResetDevice() {}
    // The water's reflection, refraction and third target.
    static constexpr int WATER_TARGETS = 3;
    IDirect3DTexture9* m_pWaterTexture[WATER_TARGETS] = {};
    bool WaterMapsReady() const { return false; }
};

extern CShadowCubeMaps g_ShadowCubeMaps;
