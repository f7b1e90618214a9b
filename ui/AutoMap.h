#pragma once
// PAutoMap: the automap's off-screen target, a 256 x 256 render-target
// texture with its surface and a matching depth-stencil surface. It is made
// when a world starts and after a device reset, and released when the world
// is cleared and when the device is lost. Nothing draws into it yet, and its
// update, scene pass and HUD draw do nothing.

#include "platform/d3d9/D3D9.h"

class PAutoMap
{
public:
    static constexpr UINT TARGET_SIZE = 256;

    virtual ~PAutoMap() = default;
    HRESULT CreateDeviceObjects();
    void ReleaseDeviceObjects();
    // The device-loss and reset lists call these.
    static void CreateDeviceObjectsThunk();
    static void ReleaseDeviceObjectsThunk();

    void Update() {}
    void RenderScenePass() {}
    void RenderHud() {}

    IDirect3DSurface9* m_pSurf = nullptr;
    IDirect3DSurface9* m_pDepthStencil = nullptr;
    void* m_pReserved1 = nullptr;
    void* m_pReserved2 = nullptr;
    IDirect3DTexture9* m_pTex = nullptr;
};

extern PAutoMap g_AutoMap;
