#pragma once
// ERenderStates: the one place where passes switch culling, alpha testing and
// alpha blending and begin and end their effect technique. It remembers which
// mode is on, so the modes exclude each other, and tells the shaders through
// "g_bDrawTransparent" and "g_bDrawTranslucent".

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/Effect.h"

struct EEffect;

class ERenderStates
{
public:
    static constexpr DWORD MAX_SAMPLERS = 16;

    virtual ~ERenderStates() = default;

    void SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    void SetTexture2(DWORD stage, IDirect3DBaseTexture9* texture);
    void SetCullCCW();
    void EnableCulling(bool on);
    void AlphaTestOn(EEffect* effect);
    void AlphaTestOff(EEffect* effect);
    void AlphaBlendOn(EEffect* effect);
    void AlphaBlendOff(EEffect* effect);
    void SetSamplerDefaults(DWORD count);
    bool BeginEffect(ID3DXEffect* effect, D3DXHANDLE technique, bool reset);
    bool BeginEffectByName(ID3DXEffect* effect, const char* technique, bool reset);
    void EndEffect(ID3DXEffect* effect);

    D3DXHANDLE m_hTechnique = nullptr;
    BYTE m_bEffectActive = 0;
    BYTE m_bCulling = 1;
    BYTE m_bAlphaTest = 0;
    BYTE m_bAlphaBlend = 0;
    // The effect whose pass is open: the one EndEffect ends.
    ID3DXEffect* m_pActiveEffect = nullptr;
};

extern ERenderStates g_RenderStates;
