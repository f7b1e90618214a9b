// The post-process object: its creation, its render targets and their
// release, the settings and the calls the rest of the game makes.
#include "render/PostProcess.h"

#include "game/MainGame.h"
#include "player/Player.h"
#include "render/EffectMgr.h"
#include "render/Rect.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

EPostProcess PostProcess;

namespace
{
constexpr const char* kEffectName = "dof";
constexpr const char* kWhiteTexture = "bialy.tga";
constexpr const char* kNoiseTexture = "ao_noise.tga";
constexpr const char* kBloodOverlay = "hud_ekran_krwi_16.tga";
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kIntensityScale = 1000.0f;
// UpdateFocus's values while the camera looks through a scope.
constexpr float kScopeFocusA = 0.2f;
constexpr float kScopeFocalDist = 0.2f;
constexpr float kScopeFocusB = 30.0f;
constexpr DWORD kFirstPixelShader = D3DPS_VERSION(2, 0);
constexpr float kHurtRedScale = 1.0f / 40.0f; // a hit of 40 points flashes at full strength
constexpr float kRedMax = 1.5f;
constexpr DWORD kDeviceStages = 16;
constexpr DWORD kRenderTargets = 4;
// The AO debug view: a plain texture under the AO result, over the virtual screen.
constexpr const char* kAOSurfaceTexture = "czarne.tga";
constexpr float kVirtualWidth = 1024.0f;
constexpr float kVirtualHeight = 768.0f;
constexpr DWORD kOpaqueWhite = 0xFFFFFFFFu;

// The filter's Poisson points.
constexpr float kPoisson[EPostProcess::FILTER_TAPS][2] = {
    {-0.326212f, -0.405805f}, {-0.840144f, -0.07358f}, {-0.695914f, 0.457137f}, {-0.203345f, 0.620716f},
    {0.96234f, -0.194983f},   {0.473434f, -0.480026f}, {0.519456f, 0.767022f},  {0.185461f, -0.893124f},
    {0.507431f, 0.064425f},   {0.89642f, 0.412458f},   {-0.32194f, -0.932615f}, {-0.791559f, -0.597705f}};

// The 40-byte full-screen vertex of the chain.
const D3DVERTEXELEMENT9 kVert2DDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
    {0, 32, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// A size as a shift of the screen, or fixed.
struct TargetRow
{
    const char* texName;
    const char* surfName;
    IDirect3DTexture9* EPostProcess::*tex;
    IDirect3DSurface9* EPostProcess::*surf;
    int shift;  // screen size >> shift; -1 for the fixed size
    UINT fixed; // edge of a fixed-size target
    D3DFORMAT format;
};

// The HDR group, built as one: a failure leaves it empty.
const TargetRow kHDRRows[] = {
    {"HDRTex", "HDRSurf", &EPostProcess::m_pHDRTex, &EPostProcess::m_pHDRSurf, 0, 0, D3DFMT_A16B16G16R16F},
    {"HDR64Tex", "HDR64Surf", &EPostProcess::m_pHDR64Tex, &EPostProcess::m_pHDR64Surf, -1, 64,
     D3DFMT_A16B16G16R16F},
    {"HDR16Tex", "HDR16Surf", &EPostProcess::m_pHDR16Tex, &EPostProcess::m_pHDR16Surf, -1, 16,
     D3DFMT_A16B16G16R16F},
    {"HDR04Tex", "HDR04Surf", &EPostProcess::m_pHDR04Tex, &EPostProcess::m_pHDR04Surf, -1, 4,
     D3DFMT_A16B16G16R16F},
    {"HDR04Tex", "HDR04Surf", &EPostProcess::LastLumTex, &EPostProcess::LastLumSurf, -1, 1,
     D3DFMT_A16B16G16R16F},
    {"HDR04Tex", "HDR04Surf", &EPostProcess::AdaptedLumTex, &EPostProcess::AdaptedLumSurf, -1, 1,
     D3DFMT_A16B16G16R16F},
    {"HDR01Tex", "HDR01Surf", &EPostProcess::m_pHDR01Tex, &EPostProcess::m_pHDR01Surf, -1, 1,
     D3DFMT_A16B16G16R16F},
};

// The rest, in their order; the black-and-white depth surface follows "BWTex".
const TargetRow kMainRows[] = {
    {"MainTex", "MainSurf", &EPostProcess::m_pMainTex, &EPostProcess::m_pMainSurf, 0, 0, D3DFMT_A8R8G8B8},
    {"m_pSmallTex", "SmallSurf", &EPostProcess::m_pSmallTex, &EPostProcess::m_pSmallSurf, 3, 0,
     D3DFMT_A8R8G8B8},
    {"SunFlareTex", "SunFlareSurf", &EPostProcess::m_pSunFlareTex, &EPostProcess::m_pSunFlareSurf, 1, 0,
     D3DFMT_A8R8G8B8},
    {"BWTex", "BWSurf", &EPostProcess::m_pBWTex, &EPostProcess::m_pBWSurf, 2, 0, D3DFMT_A8R8G8B8},
    {"AOPositionTex", "AOPositionSurf", &EPostProcess::m_pAOPositionTex, &EPostProcess::m_pAOPositionSurf, 0,
     0, D3DFMT_R32F},
    {"AONormalTex", "AONormalSurf", &EPostProcess::m_pAONormalTex, &EPostProcess::m_pAONormalSurf, 0, 0,
     D3DFMT_A8R8G8B8},
    {"m_pSpecularTex", "m_pSpecularSurf", &EPostProcess::m_pSpecularTex, &EPostProcess::m_pSpecularSurf, 0, 0,
     D3DFMT_G16R16F},
};

const TargetRow kLateRows[] = {
    {"TargetTex", "TargetSurf", &EPostProcess::m_pTargetTex, &EPostProcess::m_pTargetSurf, 0, 0,
     D3DFMT_A8R8G8B8},
};

const TargetRow kTailRows[] = {
    {"BloomTex2", "BloomSurf2", &EPostProcess::m_pBloomTex2, &EPostProcess::m_pBloomSurf2, 0, 0,
     D3DFMT_A8R8G8B8},
    {"BloomTex3", "BloomSurf3", &EPostProcess::m_pBloomTex3, &EPostProcess::m_pBloomSurf3, 1, 0,
     D3DFMT_A8R8G8B8},
    {"MotionBlurTex", "MotionBlurSurf", &EPostProcess::m_pMotionBlurTex, &EPostProcess::m_pMotionBlurSurf, 1,
     0, D3DFMT_A8R8G8B8},
    {"DoFBlurTex", "DoFBlurSurf", &EPostProcess::m_pDoFBlurTex, &EPostProcess::m_pDoFBlurSurf, 1, 0,
     D3DFMT_A8R8G8B8},
};

template <class T> void Release(T*& p)
{
    if (p)
    {
        p->Release();
        p = nullptr;
    }
}

bool CreateTarget(UINT w, UINT h, D3DFORMAT format, IDirect3DTexture9** tex, IDirect3DSurface9** surf)
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d || w == 0 || h == 0)
        return false;
    if (FAILED(d->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, tex, nullptr)) ||
        !*tex)
    {
        *tex = nullptr;
        return false;
    }
    if (FAILED((*tex)->GetSurfaceLevel(0, surf)) || !*surf)
    {
        *surf = nullptr;
        return false;
    }
    return true;
}

UINT Edge(DWORD screen, const TargetRow& row)
{
    return row.shift < 0 ? row.fixed : static_cast<UINT>(screen >> row.shift);
}

void PrintFailed(const char* name)
{
    g_Console.Print2("PostProcess: Failed creating ", name);
}
} // namespace

// ---- Life cycle ------------------------------------------------------------------------------

bool EPostProcess::Create()
{
    NormalOnly = 0;
    m_bScripted = 0;
    m_bDark = 0;
    IDirect3DDevice9* d = g_pD3DInterface;
    if (!d)
        return false;
    if (!m_bCreated)
    {
        D3DCAPS9 caps = {};
        d->GetDeviceCaps(&caps);
        if (caps.PixelShaderVersion < kFirstPixelShader)
        {
            g_Console.Print("EPostProcess::Create error - PS 2.0 not supported!");
            return false;
        }
        m_bCreated = 1;
    }
    if (!m_pVertDecl && (FAILED(d->CreateVertexDeclaration(kVert2DDecl, &m_pVertDecl)) || !m_pVertDecl))
    {
        m_pVertDecl = nullptr;
        g_Console.Print("FAILED to CreateVertexDeclaration(vert2DDecl, &m_pVertDecl) for EPostProcess");
        return false;
    }
    CreateResources();
    if (!m_pTargetTex || !m_pTargetSurf || !m_pMotionBlurTex)
    {
        m_bEnabled = 0;
        return false;
    }
    if (m_pEffect)
        SetupTexelOffsets(m_pEffect);
    m_bEnabled = 1;
    return true;
}

void EPostProcess::CreateResources()
{
    // Whatever a previous call built goes first: a retry every frame must not leak.
    ReleaseDeviceObjects();
    m_fBlood = 0.0f;

    // A device reset keeps the kernel, so the picture comes back unchanged.
    EOrientation o;
    o.SetYawPitchRoll(0.0f, 0.0f, 0.0f);
    if (!m_bKeepKernel)
        for (D3DXVECTOR4& k : m_avAOKernel)
        {
            const D3DXVECTOR3 forward = o.Forward;
            o.RotateAxisAngle(&forward, RandomFloat(kTwoPi));
            const D3DXVECTOR3 right = o.Right;
            o.RotateAxisAngle(&right, RandomFloat(kTwoPi));
            const D3DXVECTOR3 up = o.Up;
            o.RotateAxisAngle(&up, RandomFloat(kTwoPi));
            k = D3DXVECTOR4(o.Forward.x, o.Forward.y, o.Forward.z, 1.0f);
        }

    m_iWidth = static_cast<DWORD>(std::max(g_Options.screenwidth, 0));
    m_iHeight = static_cast<DWORD>(std::max(g_Options.screenheight, 0));

    m_pNoiseTexture = g_Renderer.FindTexturePath(kNoiseTexture)
                          ? g_Renderer.LoadTexture(kNoiseTexture, 0, 0, 0, 0)
                          : nullptr;
    EEffect* effect = g_EffectMgr.FindEffect(kEffectName);
    m_pEffect = effect ? effect->m_pEffect : nullptr;
    if (!m_pEffect)
        return;
    m_pWhiteTexture = nullptr;
    if (g_Renderer.FindTexturePath(kWhiteTexture))
        if (strtexture* white = g_Renderer.LoadTexture(kWhiteTexture, 0, 0, 0, 0))
            m_pWhiteTexture = white->m_pTexture;
    // The composite looks the overlay up by name; it is loaded here once.
    if (g_Renderer.FindTexturePath(kBloodOverlay))
        g_Renderer.LoadTexture(kBloodOverlay, 0, 0, 0, 0);

    ID3DXEffect* fx = m_pEffect;
    m_hBloomCone = fx->GetParameterByName(nullptr, "g_fBloomCone");
    m_hBloomPower = fx->GetParameterByName(nullptr, "g_fBloomPower");
    m_hDownFilter = fx->GetTechniqueByName("DownFilter");
    m_hSunFlare = fx->GetTechniqueByName("SunFlare");
    m_htSceneColor = fx->GetParameterByName(nullptr, "tSceneColor");
    m_htBW = fx->GetParameterByName(nullptr, "tBW");
    m_hBrightPass = fx->GetTechniqueByName("BrightPass");
    m_hBloomHorizontal = fx->GetTechniqueByName("BloomHorizontal");
    m_hBloomVertical = fx->GetTechniqueByName("BloomVertical");
    m_hCombine = fx->GetTechniqueByName("Combine");
    m_htBloomBlur = fx->GetParameterByName(nullptr, "tBloomBlur");
    m_hMotionBlur = fx->GetTechniqueByName("MotionBlur");
    m_hMotionBlurCoef = fx->GetParameterByName(nullptr, "fMotionBlurCoef");
    m_hToScreen = fx->GetTechniqueByName("ToScreen");
    m_hFilterDoF = fx->GetTechniqueByName("FilterDoF");
    m_htBlurDepth = fx->GetParameterByName(nullptr, "tBlurDepth");
    m_hMaxCoC = fx->GetParameterByName(nullptr, "maxCoC");
    m_hFocalRange = fx->GetParameterByName(nullptr, "g_FocalRange");
    m_hFocalDist = fx->GetParameterByName(nullptr, "g_FocalDist");
    m_hViewportScale = fx->GetParameterByName(nullptr, "viewportScale");
    m_hViewportBias = fx->GetParameterByName(nullptr, "viewportBias");
    m_hFilterTaps = fx->GetParameterByName(nullptr, "filterTaps");
    m_htDistortionNormal = fx->GetParameterByName(nullptr, "tDistortionNormal");
    SetFilterTaps();
    SetViewportParams();

    const float right = static_cast<float>(m_iWidth) - 0.5f, bottom = static_cast<float>(m_iHeight) - 0.5f;
    m_aQuad[0] = {-0.5f, bottom, 0.0f, 1.0f, 0, 0, 0, 0, 0.0f, 1.0f};
    m_aQuad[1] = {right, bottom, 0.0f, 1.0f, 0, 0, 0, 0, 1.0f, 1.0f};
    m_aQuad[2] = {-0.5f, -0.5f, 0.0f, 1.0f, 0, 0, 0, 0, 0.0f, 0.0f};
    m_aQuad[3] = {right, -0.5f, 0.0f, 1.0f, 0, 0, 0, 0, 1.0f, 0.0f};
    const float aoPos[QUAD_VERTICES][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    const float aoTex[QUAD_VERTICES][2] = {{1, 0}, {1, 1}, {0, 0}, {0, 1}};
    for (int i = 0; i < QUAD_VERTICES; ++i)
    {
        m_aAOQuad[i] = {};
        m_aAOQuad[i].x = aoPos[i][0];
        m_aAOQuad[i].y = aoPos[i][1];
        m_aAOQuad[i].u = aoTex[i][0];
        m_aAOQuad[i].v = aoTex[i][1];
    }

    for (const TargetRow& row : kHDRRows)
        if (!CreateTarget(Edge(m_iWidth, row), Edge(m_iHeight, row), row.format, &(this->*row.tex),
                          &(this->*row.surf)))
        {
            PrintFailed(row.texName);
            for (const TargetRow& r : kHDRRows)
            {
                Release(this->*r.surf);
                Release(this->*r.tex);
            }
            break;
        }

    auto build = [this](const TargetRow& row)
    {
        if (CreateTarget(Edge(m_iWidth, row), Edge(m_iHeight, row), row.format, &(this->*row.tex),
                         &(this->*row.surf)))
            return true;
        PrintFailed(this->*row.tex ? row.surfName : row.texName);
        return false;
    };
    for (const TargetRow& row : kMainRows)
    {
        if (!build(row))
            return;
        if (row.tex == &EPostProcess::m_pBWTex)
        {
            IDirect3DDevice9* d = g_pD3DInterface;
            if (FAILED(d->CreateDepthStencilSurface(m_iWidth >> 2, m_iHeight >> 2,
                                                    g_d3dpp.AutoDepthStencilFormat, D3DMULTISAMPLE_NONE, 0,
                                                    TRUE, &m_pBWDepth, nullptr)) ||
                !m_pBWDepth)
            {
                m_pBWDepth = nullptr;
                g_Console.Print("Failed to create BW Depth Stencil");
                return;
            }
        }
    }
    for (int i = 0; i < 2; ++i)
        if (!CreateTarget(m_iWidth >> 1, m_iHeight >> 1, D3DFMT_A8R8G8B8, &m_pAOTex[i], &m_pAOSurf[i]))
        {
            PrintFailed(i ? "AOTex[1]" : "AOTex[0]");
            return;
        }
    for (const TargetRow& row : kLateRows)
        if (!build(row))
            return;
    for (int i = 0; i < 2; ++i)
        if (!CreateTarget(m_iWidth >> 3, m_iHeight >> 3, D3DFMT_A8R8G8B8, &m_pBloomTex[i], &m_pBloomSurf[i]))
        {
            g_Console.PrintFloatB("PostProcess: Failed creating BloomTex", i);
            return;
        }
    for (const TargetRow& row : kTailRows)
        if (!build(row))
            return;
    ++m_iCreations;
}

void EPostProcess::ReleaseDeviceObjects()
{
    IDirect3DDevice9* d = g_pD3DInterface;
    if (d && m_bRedirected)
        UnbindGBufferTargets();
    m_bRedirected = 0;
    // The effect's texture parameters and the device's stages hold
    // references to the targets; a reset is refused while any is alive.
    if (m_pEffect)
        for (UINT i = 0;; ++i)
        {
            D3DXHANDLE p = m_pEffect->GetParameter(nullptr, i);
            if (!p)
                break;
            D3DXPARAMETER_DESC desc = {};
            if (SUCCEEDED(m_pEffect->GetParameterDesc(p, &desc)) && desc.Type >= D3DXPT_TEXTURE &&
                desc.Type <= D3DXPT_TEXTURECUBE)
                m_pEffect->SetTexture(p, nullptr);
        }
    if (d)
    {
        for (DWORD s = 0; s < kDeviceStages; ++s)
            d->SetTexture(s, nullptr);
        for (DWORD t = 1; t < kRenderTargets; ++t)
            d->SetRenderTarget(t, nullptr);
    }
    Release(SavedTarget);
    SourceTexture = nullptr;
    for (const TargetRow& r : kHDRRows)
    {
        Release(this->*r.surf);
        Release(this->*r.tex);
    }
    for (const TargetRow& r : kMainRows)
    {
        Release(this->*r.surf);
        Release(this->*r.tex);
    }
    Release(m_pBWDepth);
    for (int i = 0; i < 2; ++i)
    {
        Release(m_pAOSurf[i]);
        Release(m_pAOTex[i]);
        Release(m_pBloomSurf[i]);
        Release(m_pBloomTex[i]);
    }
    for (const TargetRow& r : kLateRows)
    {
        Release(this->*r.surf);
        Release(this->*r.tex);
    }
    for (const TargetRow& r : kTailRows)
    {
        Release(this->*r.surf);
        Release(this->*r.tex);
    }
    ReleaseVPL();
}

void EPostProcess::ReleaseVPL()
{
    m_bHasVPL = 0;
}

void EPostProcess::InitWorld()
{
    Create();
}

void EPostProcess::ReleaseWorld()
{
    ReleaseDeviceObjects();
    // The declaration holds the device too; the next world's Create makes it again.
    Release(m_pVertDecl);
    // The effect belongs to the effect manager, which may free it before the
    // next world (the engine's shutdown does): the next Create looks it up again.
    m_pEffect = nullptr;
    m_bEnabled = 0;
}

void EPostProcess::OnDeviceLost()
{
    ReleaseDeviceObjects();
    Release(m_pVertDecl);
}

void EPostProcess::Recreate()
{
    // Only a world that had the chain gets it back.
    if (!m_bEnabled)
        return;
    m_bKeepKernel = 1;
    Create();
    m_bKeepKernel = 0;
}

// ---- Settings --------------------------------------------------------------------------------

void EPostProcess::SetAODepth(float depth)
{
    AODepth = depth;
}

void EPostProcess::SetAOIntensity(float intensity)
{
    AOIntensity = intensity * kIntensityScale;
}

bool EPostProcess::SetOverlayName(const char* name)
{
    m_szOverlay[0] = 0;
    if (!name || !name[0])
        return true;
    if (std::strlen(name) >= sizeof m_szOverlay)
    {
        g_Console.Print("EPostProcess::SetOverlayName: the name is too long, no overlay");
        return false;
    }
    std::memcpy(m_szOverlay, name, std::strlen(name) + 1);
    return true;
}

void EPostProcess::EnableObjectEffect(BYTE mode)
{
    m_bBW = 1;
    m_bBWForced = mode;
}

void EPostProcess::DisableObjectEffect(BYTE force)
{
    if (m_bBW && m_bBWForced && !force)
        return;
    m_bBW = 0;
    m_bBWForced = 0;
}

void EPostProcess::AddEffectObject(HOBJECT object)
{
    if (!object || !object->bUsed || m_iEffectObjects >= MAX_EFFECT_OBJECTS)
        return;
    m_aEffectObjects[m_iEffectObjects++] = object;
}

void EPostProcess::ClearEffectObjects()
{
    m_iEffectObjects = 0;
    for (HOBJECT& o : m_aEffectObjects)
        o = nullptr;
}

void EPostProcess::OnHeroHealth(float damage, float health, float maxHealth)
{
    if (damage > 0.0f && std::isfinite(damage))
        m_fRed = std::min(kRedMax, m_fRed + damage * kHurtRedScale);
    m_fHurt = (maxHealth > 0.0f && health < maxHealth) ? 1.0f - std::max(health, 0.0f) / maxHealth : 0.0f;
}

void EPostProcess::UpdateActive()
{
    if (!m_bEnabled)
        return;
    // Nothing of the program reads the result but the save section.
    m_bWanted =
        (m_fHurt > 0.0f || m_bScripted || PlayerStats.m_bDead || PlayerStats.m_bMissionFailed) ? 1 : 0;
}

void EPostProcess::UpdateFocus()
{
    if (!m_bEnabled)
        return;
    // The scope view is the camera state that focuses close.
    if (g_Camera.m_bZoomIn && g_Camera.m_fZoomBlend >= 1.0f)
    {
        m_fFocusA = kScopeFocusA;
        m_fFocalDist = kScopeFocalDist;
        m_fFocusB = kScopeFocusB;
    }
}

void EPostProcess::SetFocusParams(ID3DXEffect* effect)
{
    if (!effect || !m_bEnabled)
        return;
    if (m_fFocusB == 0.0f)
        m_fFocusB = 1.0f;
    effect->SetFloat("g_FocalRange", m_fFocalRange);
    effect->SetFloat("g_FocalDist", m_fFocalDist);
}

void EPostProcess::DrawAOSurface()
{
    if (!g_Options.AOEnable || !g_Options.AODrawSurface)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    // Before the chain first ran (or after a loss) there is nothing to show.
    if (!d || !m_pAOTex[0])
        return;
    // The rectangle covers the virtual 1024 x 768 screen; its own texture
    // only makes it drawable, the AO result takes stage 0.
    ERect rect;
    rect.Create(kAOSurfaceTexture, 0.0f, 0.0f, kVirtualWidth * g_Options.fScreenScaleX,
                kVirtualHeight * g_Options.fScreenScaleY, kOpaqueWhite);
    if (!rect.m_bCreated)
        return;
    rect.Begin2D(false);
    d->SetTexture(0, m_pAOTex[0]);
    rect.Render(false);
    // The stage keeps no reference to the target: a reset must not find one.
    d->SetTexture(0, nullptr);
    rect.Restore2D();
    rect.Release();
}

void EPostProcess::SetFilterTaps()
{
    if (!m_pEffect || !m_iWidth || !m_iHeight)
        return;
    D3DXVECTOR4 taps[FILTER_TAPS];
    for (int i = 0; i < FILTER_TAPS; ++i)
        taps[i] = D3DXVECTOR4(kPoisson[i][0] / static_cast<float>(m_iWidth),
                              kPoisson[i][1] / static_cast<float>(m_iHeight), 0.0f, 0.0f);
    m_pEffect->SetVectorArray("filterTaps", taps, FILTER_TAPS);
}

void EPostProcess::SetViewportParams()
{
    if (!m_pEffect || !m_iWidth || !m_iHeight)
        return;
    const float w = static_cast<float>(m_iWidth), h = static_cast<float>(m_iHeight);
    const D3DXVECTOR4 scale(2.0f / w, -2.0f / h, 1.0f, 1.0f), bias(-1.0f, 1.0f, 0.0f, 0.0f);
    m_pEffect->SetVector("viewportScale", &scale);
    m_pEffect->SetVector("viewportBias", &bias);
    m_pEffect->SetFloat("viewportWidth1", 1.0f / w);
    m_pEffect->SetFloat("viewportHeight1", 1.0f / h);
}
