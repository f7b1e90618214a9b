#pragma once
// CShadowCubeMaps: all-round shadows of up to three point lights, and the
// water's reflection and refraction images.
//
// Each of three slots holds a 256-texel R32F cube map of the distances from
// its light to the nearest surfaces, drawn with "CubeDepth". The slots go to
// the shadow-casting lights (flag word 1 bit 0x10, shown) nearest to the
// camera, chosen every 0.2 s; each slot keeps the objects that can throw a
// shadow into its cube (gathered every 0.5 s) and draws its cube again only
// when one of them may have changed. The water targets are drawn before the
// scene by the renderer's water step; the Realistic water pass blends them.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

struct EEffect;
struct ID3DXEffect;

class CShadowCubeMaps
{
public:
    static constexpr int SLOTS = 3;
    static constexpr int NO_SLOT = 3;
    static constexpr int MAX_CASTERS = 256;
    static constexpr DWORD CUBE_SIZE = 256;
    static constexpr int WATER_TARGETS = 3;
    static constexpr float CHOOSE_INTERVAL = 0.2f;
    static constexpr float COLLECT_INTERVAL = 0.5f;
    static constexpr int FIRST_FRAMES = 5;

    virtual ~CShadowCubeMaps() = default;

    void Init();
    void CreateCubeMaps();
    void CreateCubeMap(int slot);
    void CreateWaterTargets();
    void OnLostDevice();
    void OnResetDevice();
    void Release();
    // Object deletion and hidden sectors give a light's slot back.
    void RemoveLight(HOBJECT light);
    void UpdateShadowMaps();
    void ChooseShadowLights();
    void CollectCasters();
    void GenerateCubeShadow(int slot);
    bool SetCubeFace(int face, int slot);
    void ClearCubeFaces(int slot);
    void RenderWaterReflection();
    void RenderWaterRefraction();
    void RenderWaterScene(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask, bool reflection,
                          bool refraction);
    void SaveRenderTarget();
    void RestoreRenderTarget();

    // The slot of a light, NO_SLOT without one.
    int SlotOf(HOBJECT light) const;
    // Both drawn water maps exist (the Realistic water blends them).
    bool WaterMapsReady() const;
    // The edge of the water targets by the water-quality option.
    static UINT WaterSize();

    EEffect* m_pDepthEffect = nullptr;
    ID3DXEffect* m_pDepth = nullptr;
    float m_fNearPlane = 0.01f;
    float m_fZBias[SLOTS] = {0.05f, 0.05f, 0.05f};
    D3DXVECTOR3 m_vWaterPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    BYTE m_bForceRegeneration = 0;
    IDirect3DCubeTexture9* m_pCubeMap[SLOTS] = {};
    IDirect3DSurface9* m_pFaceSurface = nullptr;
    IDirect3DSurface9* m_pCubeDepth[SLOTS] = {};
    D3DVIEWPORT9 m_CubeViewport = {0, 0, CUBE_SIZE, CUBE_SIZE, 0.0f, 1.0f};
    HOBJECT m_pLight[SLOTS] = {};
    int m_iCountdown[SLOTS] = {FIRST_FRAMES, FIRST_FRAMES, FIRST_FRAMES};
    HOBJECT m_pCasters[SLOTS][MAX_CASTERS] = {};
    D3DXVECTOR3 m_vCasterPositions[SLOTS][MAX_CASTERS] = {};
    DWORD m_iCasterCount[SLOTS] = {};
    // 0 the reflection, 1 the refraction, 2 a target that is only cleared.
    IDirect3DTexture9* m_pWaterTexture[WATER_TARGETS] = {};
    IDirect3DSurface9* m_pWaterDepth[WATER_TARGETS] = {};
    D3DVIEWPORT9 m_WaterViewport = {0, 0, 0, 0, 0.0f, 1.0f};
    IDirect3DSurface9* m_pSavedTarget = nullptr;
    IDirect3DSurface9* m_pSavedDepth = nullptr;
    D3DVIEWPORT9 m_SavedViewport = {};
    float m_fCasterTimer = 0.0f;
    float m_fLightTimer = 0.0f;
    // Cubes drawn since the maps were made, for the tests and the benchmark.
    DWORD m_iGenerated = 0;

private:
    void ReleaseCubeMaps();
    void ReleaseWaterTargets();
    bool WaterTargetReady(int target) const;
    void DrawStaticCasters(int slot, bool* skinned);
    void DrawSkinnedCasters(int slot);
    void DrawWaterStatic(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask, bool reflection,
                         bool refraction);
    void DrawWaterSkinned(const D3DXMATRIX& view, const D3DXMATRIX& projection, DWORD mask, bool reflection);
    HOBJECT WaterObject();
};

extern CShadowCubeMaps g_ShadowCubeMaps;
