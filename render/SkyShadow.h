#pragma once
// ESkyShadow: the sun's three shadow cascades. Each cascade is an R32F render
// texture with its own depth surface and an orthographic light view centred
// on the camera: cascade 0 small and sharp, cascade 1 wide, cascade 2 a second
// small map re-centred every frame for the casters that move. Cascades 0 and 1
// follow the camera in steps (4 and 16 units) so their texels stay fixed in
// the world between steps and their maps are only drawn again after a step.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"

class ESkyShadow
{
public:
    static constexpr DWORD CASCADES = 3;

    ESkyShadow();
    virtual ~ESkyShadow();
    ESkyShadow(const ESkyShadow&) = delete;
    ESkyShadow& operator=(const ESkyShadow&) = delete;

    // Values of cascade i (an index above 2 reads cascade 2); null outs are skipped.
    void GetCascade(DWORD i, DWORD* size, DWORD* extent, DWORD* depthRange, float* bias) const;
    void CreateRenderTextures();
    void ReleaseRenderTextures();
    void ResetLightCache();
    void UpdateMatrices();
    void Update();
    // Makes the cascade's map the render target. True only when it did: the
    // caller draws casters and calls EndCascade only then.
    bool BeginCascade(DWORD i);
    void EndCascade();
    void Release();
    void OnLostDevice() { ReleaseRenderTextures(); }
    void OnResetDevice()
    {
        m_bCreateFailed = 0;
        CreateRenderTextures();
    }

    IDirect3DTexture9* m_pTexture[CASCADES];
    IDirect3DSurface9* m_pDepth[CASCADES];
    IDirect3DSurface9* m_pSavedTarget;
    IDirect3DSurface9* m_pSavedDepth;
    D3DVIEWPORT9 m_SavedViewport;
    BYTE m_bViewportSaved;
    DWORD m_iSize[CASCADES];
    DWORD m_iExtent[CASCADES];
    DWORD m_iDepthRange;
    float m_fBias[CASCADES];
    D3DXVECTOR3 m_vEye[CASCADES];
    D3DXVECTOR3 m_vLightDir;
    D3DXMATRIX m_mProj[CASCADES];
    D3DXMATRIX m_mView[CASCADES];
    BYTE m_bEnabled;
    BYTE m_bRendered[CASCADES];
    BYTE m_bCreateFailed; // the maps could not be made; shadows are off until a reset or a new world
};

extern ESkyShadow g_SkyShadow;
