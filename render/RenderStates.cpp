#include "render/RenderStates.h"

#include "render/EffectMgr.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

#include <cstring>

ERenderStates g_RenderStates;

namespace
{
constexpr DWORD kAlphaTestRef = 128;
constexpr DWORD kMaxAnisotropy = 8;
constexpr DWORD kBestQuality = 0;

void State(D3DRENDERSTATETYPE state, DWORD value)
{
    if (g_pD3DInterface)
        g_pD3DInterface->SetRenderState(state, value);
}

void Flag(EEffect* effect, const char* name, BOOL value)
{
    if (effect && effect->m_pEffect)
        effect->m_pEffect->SetBool(name, value);
}
} // namespace

void ERenderStates::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage < MAX_SAMPLERS && g_pD3DInterface)
        g_pD3DInterface->SetTexture(stage, texture);
}

void ERenderStates::SetTexture2(DWORD stage, IDirect3DBaseTexture9* texture)
{
    SetTexture(stage, texture);
}

void ERenderStates::SetCullCCW()
{
    State(D3DRS_CULLMODE, D3DCULL_CCW);
    m_bCulling = 1;
}

void ERenderStates::EnableCulling(bool on)
{
    if (on && !m_bCulling)
        State(D3DRS_CULLMODE, D3DCULL_CCW);
    else if (!on && m_bCulling)
        State(D3DRS_CULLMODE, D3DCULL_NONE);
    m_bCulling = on ? 1 : 0;
}

void ERenderStates::AlphaTestOn(EEffect* effect)
{
    if (m_bAlphaBlend)
        AlphaBlendOff(effect);
    State(D3DRS_ALPHABLENDENABLE, TRUE);
    State(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    State(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    State(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    State(D3DRS_ALPHAREF, kAlphaTestRef);
    State(D3DRS_ALPHATESTENABLE, TRUE);
    State(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    Flag(effect, "g_bDrawTransparent", TRUE);
    m_bAlphaTest = 1;
}

void ERenderStates::AlphaTestOff(EEffect* effect)
{
    State(D3DRS_ALPHABLENDENABLE, FALSE);
    State(D3DRS_ALPHATESTENABLE, FALSE);
    Flag(effect, "g_bDrawTransparent", FALSE);
    State(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    m_bAlphaTest = 0;
}

void ERenderStates::AlphaBlendOn(EEffect* effect)
{
    if (m_bAlphaTest)
        AlphaTestOff(effect);
    State(D3DRS_ALPHABLENDENABLE, TRUE);
    State(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    State(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    State(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    State(D3DRS_ALPHAREF, 0);
    State(D3DRS_ALPHATESTENABLE, FALSE);
    State(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    Flag(effect, "g_bDrawTranslucent", TRUE);
    State(D3DRS_ZWRITEENABLE, FALSE);
    m_bAlphaBlend = 1;
}

void ERenderStates::AlphaBlendOff(EEffect* effect)
{
    State(D3DRS_ALPHABLENDENABLE, FALSE);
    State(D3DRS_ALPHATESTENABLE, FALSE);
    Flag(effect, "g_bDrawTranslucent", FALSE);
    State(D3DRS_ZWRITEENABLE, TRUE);
    m_bAlphaBlend = 0;
}

void ERenderStates::SetSamplerDefaults(DWORD count)
{
    if (!g_pD3DInterface)
        return;
    const DWORD n = count < MAX_SAMPLERS ? count : MAX_SAMPLERS;
    const DWORD filter = g_Options.VideoLevel3 != kBestQuality && g_Options.VideoLevel1 != kBestQuality
                             ? D3DTEXF_LINEAR
                             : D3DTEXF_ANISOTROPIC;
    const float noBias = 0.0f;
    DWORD biasBits = 0;
    static_assert(sizeof noBias == sizeof biasBits, "the bias travels as its bit pattern");
    std::memcpy(&biasBits, &noBias, sizeof biasBits);
    for (DWORD s = 0; s < n; ++s)
    {
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MIPMAPLODBIAS, biasBits);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MAGFILTER, filter);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MINFILTER, filter);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MIPFILTER, filter);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_MAXANISOTROPY, kMaxAnisotropy);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        g_pD3DInterface->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    }
}

bool ERenderStates::BeginEffect(ID3DXEffect* effect, D3DXHANDLE technique, bool reset)
{
    if (!effect)
        return false;
    if (m_bEffectActive)
        EndEffect(effect);
    if (g_pD3DInterface)
    {
        g_pD3DInterface->SetVertexShader(nullptr);
        g_pD3DInterface->SetPixelShader(nullptr);
        g_pD3DInterface->SetFVF(0);
    }
    if (FAILED(effect->SetTechnique(technique)))
        return false;
    m_hTechnique = technique;
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0)))
        return false;
    if (FAILED(effect->BeginPass(0)))
    {
        // The effect was begun: end it here, as no EndEffect will.
        effect->End();
        m_hTechnique = nullptr;
        return false;
    }
    m_bEffectActive = 1;
    m_pActiveEffect = effect;
    // A technique that starts without alpha testing: the device and the
    // shader's flag follow the record, so a cut-out material drawn before
    // leaves nothing behind for the opaque ones after it.
    if (reset && m_bAlphaTest)
    {
        State(D3DRS_ALPHATESTENABLE, FALSE);
        State(D3DRS_ALPHABLENDENABLE, FALSE);
        State(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
        effect->SetBool("g_bDrawTransparent", FALSE);
        m_bAlphaTest = 0;
    }
    return true;
}

bool ERenderStates::BeginEffectByName(ID3DXEffect* effect, const char* technique, bool reset)
{
    if (!effect)
        return false;
    return BeginEffect(effect, effect->GetTechniqueByName(technique), reset);
}

void ERenderStates::EndEffect(ID3DXEffect* effect)
{
    if (!effect || !m_bEffectActive)
        return;
    // The pass that is open belongs to the effect that began it, whichever
    // effect the caller names.
    ID3DXEffect* open = m_pActiveEffect ? m_pActiveEffect : effect;
    open->EndPass();
    open->End();
    m_hTechnique = nullptr;
    m_bEffectActive = 0;
    m_pActiveEffect = nullptr;
}
