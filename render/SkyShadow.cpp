#include "render/SkyShadow.h"

#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstdio>

ESkyShadow g_SkyShadow;

namespace
{
// Until the first CreateRenderTextures.
constexpr float kStartBias = 0.76f;
constexpr DWORD kStartExtent[ESkyShadow::CASCADES] = {40, 500, 40};
constexpr DWORD kStartDepthRange = 200;
constexpr DWORD kStartSize[ESkyShadow::CASCADES] = {2048, 1024, 2048};

// The working volume.
constexpr DWORD kDepthRange = 800;
constexpr DWORD kExtent[ESkyShadow::CASCADES] = {80, 500, 60};

struct QualityRow
{
    DWORD size0, size1;
    float bias0, bias1;
};
// By the shadow-quality video option: 0, 1 and anything else. Cascade 2 takes
// cascade 0's size and an eighth of its bias.
constexpr QualityRow kQuality[] = {
    {2048, 2048, 0.05f, 0.6f},
    {1024, 512, 0.3f, 1.5f},
    {512, 256, 0.8f, 2.7f},
};
constexpr DWORD kQualityRows = sizeof kQuality / sizeof kQuality[0];
constexpr float kDynamicBiasScale = 0.125f;

// A cached eye that any real one is far from, so the next update rebuilds.
constexpr float kForgottenEye = -1e8f;
// How far the eye moves before cascades 0 and 1 are rebuilt.
constexpr float kStep0 = 4.0f;
constexpr float kStep1 = 16.0f;
// Every cascade is rebuilt once at this engine frame of a world.
constexpr DWORD kRebuildFrame = 240;
constexpr float kNearPlane = 1.0f;
constexpr D3DCOLOR kFarthestDepth = 0xFFFFFFFF;
} // namespace

ESkyShadow::ESkyShadow()
{
    for (DWORD i = 0; i < CASCADES; ++i)
    {
        m_pTexture[i] = nullptr;
        m_pDepth[i] = nullptr;
        m_iSize[i] = kStartSize[i];
        m_iExtent[i] = kStartExtent[i];
        m_fBias[i] = kStartBias;
        m_vEye[i] = D3DXVECTOR3(kForgottenEye, kForgottenEye, kForgottenEye);
        D3DXMatrixIdentity(&m_mProj[i]);
        D3DXMatrixIdentity(&m_mView[i]);
        m_bRendered[i] = 0;
    }
    m_pSavedTarget = nullptr;
    m_pSavedDepth = nullptr;
    m_SavedViewport = {};
    m_bViewportSaved = 0;
    m_iDepthRange = kStartDepthRange;
    m_vLightDir = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
    m_bEnabled = 0;
    m_bCreateFailed = 0;
}

ESkyShadow::~ESkyShadow()
{
    // The device may be gone at program end; whatever is left is the device's.
}

void ESkyShadow::GetCascade(DWORD i, DWORD* size, DWORD* extent, DWORD* depthRange, float* bias) const
{
    if (i >= CASCADES)
        i = CASCADES - 1;
    if (size)
        *size = m_iSize[i];
    if (extent)
        *extent = m_iExtent[i];
    if (depthRange)
        *depthRange = m_iDepthRange;
    if (bias)
        *bias = m_fBias[i];
}

void ESkyShadow::CreateRenderTextures()
{
    if (!Env.m_bUseSkyLight)
        return;
    ReleaseRenderTextures();
    m_iDepthRange = kDepthRange;
    for (DWORD i = 0; i < CASCADES; ++i)
        m_iExtent[i] = kExtent[i];
    const DWORD quality = g_Options.VideoLevel2 < kQualityRows ? g_Options.VideoLevel2 : kQualityRows - 1;
    const QualityRow& q = kQuality[quality];
    m_iSize[0] = q.size0;
    m_iSize[1] = q.size1;
    m_iSize[2] = q.size0;
    m_fBias[0] = q.bias0;
    m_fBias[1] = q.bias1;
    m_fBias[2] = q.bias0 * kDynamicBiasScale;

    IDirect3DDevice9* device = g_pD3DInterface;
    for (DWORD i = 0; i < CASCADES && device; ++i)
    {
        if (FAILED(device->CreateTexture(m_iSize[i], m_iSize[i], 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F,
                                         D3DPOOL_DEFAULT, &m_pTexture[i], nullptr)))
        {
            m_pTexture[i] = nullptr;
            g_Console.PrintInt("CreateRenderTextures failed: ", static_cast<int>(i));
        }
        if (!m_pTexture[i])
        {
            g_Console.Print("Shadow texture not created");
            break;
        }
        SAFE_RELEASE(m_pDepth[i]);
        if (FAILED(device->CreateDepthStencilSurface(m_iSize[i], m_iSize[i],
                                                     static_cast<D3DFORMAT>(g_Options.DepthStencilFormat),
                                                     D3DMULTISAMPLE_NONE, 0, TRUE, &m_pDepth[i], nullptr)))
        {
            m_pDepth[i] = nullptr;
            g_Console.Print("Sky CreateRenderTextures 2 failed");
        }
        if (!m_pDepth[i])
        {
            g_Console.Print("Sky Shadow depth not created");
            SAFE_RELEASE(m_pTexture[i]);
            break;
        }
        m_bRendered[i] = 0;
    }
    UpdateMatrices();
    for (DWORD i = 0; i < CASCADES; ++i)
        m_vEye[i] = D3DXVECTOR3(kForgottenEye, kForgottenEye, kForgottenEye);
}

void ESkyShadow::ReleaseRenderTextures()
{
    for (DWORD i = 0; i < CASCADES; ++i)
    {
        SAFE_RELEASE(m_pDepth[i]);
        SAFE_RELEASE(m_pTexture[i]);
        m_bRendered[i] = 0;
    }
}

void ESkyShadow::ResetLightCache()
{
    m_bCreateFailed = 0;
    for (DWORD i = 0; i < CASCADES; ++i)
    {
        m_bRendered[i] = 0;
        m_vEye[i] = D3DXVECTOR3(kForgottenEye, kForgottenEye, kForgottenEye);
    }
    m_bEnabled = 1;
}

void ESkyShadow::Update()
{
    if (m_bEnabled)
        UpdateMatrices();
}

void ESkyShadow::UpdateMatrices()
{
    if (!Env.m_bUseSkyLight)
        return;
    D3DXVECTOR3 light(Env.m_vSkyLightDir.x, Env.m_vSkyLightDir.y, Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&light, &light);
    m_vLightDir = light;
    const float d = static_cast<float>(m_iDepthRange);
    const D3DXVECTOR3 centre = g_Camera.GetPosition();
    const D3DXVECTOR3 eye = centre - light * (d / 2.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const bool forced = g_Options.RecalculateSkyLightEveryFrame || g_Engine.m_iFrame == kRebuildFrame;
    const float steps[CASCADES] = {kStep0, kStep1, 0.0f};
    for (DWORD i = 0; i < CASCADES; ++i)
    {
        const D3DXVECTOR3 moved = eye - m_vEye[i];
        // Cascade 2 has no step: it is rebuilt on every call.
        if (i != CASCADES - 1 && !forced && !(D3DXVec3Length(&moved) > steps[i]))
            continue;
        m_bRendered[i] = 0;
        const float extent = static_cast<float>(m_iExtent[i]);
        D3DXMatrixOrthoLH(&m_mProj[i], extent, extent, kNearPlane, d);
        D3DXMatrixLookAtLH(&m_mView[i], &eye, &centre, &up);
        m_vEye[i] = eye;
    }
}

bool ESkyShadow::BeginCascade(DWORD i)
{
    if (!m_bEnabled || i >= CASCADES)
        return false;
    if (i < CASCADES - 1 && !Env.m_bUseSkyLight)
        return false;
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
        return false;
    if (!m_pTexture[i] || !m_pDepth[i])
    {
        // A failed creation is not tried again every frame (nor said again)
        // until the device is reset or a world starts.
        if (m_bCreateFailed)
            return false;
        CreateRenderTextures();
        if (!m_pTexture[i] || !m_pDepth[i])
        {
            m_bCreateFailed = 1;
            g_Console.Print("Dalej nie ma, wychodze");
            g_Console.Print("Sun shadows are off");
            return false;
        }
    }
    IDirect3DSurface9* level = nullptr;
    if (FAILED(m_pTexture[i]->GetSurfaceLevel(0, &level)) || !level)
    {
        g_Console.Print("GetSurfaceLevel[1] failed!");
        return false;
    }
    device->GetViewport(&m_SavedViewport);
    m_bViewportSaved = 1;
    if (FAILED(device->GetRenderTarget(0, &m_pSavedTarget)))
        m_pSavedTarget = nullptr;
    device->SetRenderTarget(0, level);
    level->Release();
    const D3DVIEWPORT9 viewport = {0, 0, m_iSize[i], m_iSize[i], 0.0f, 1.0f};
    device->SetViewport(&viewport);
    if (FAILED(device->GetDepthStencilSurface(&m_pSavedDepth)))
        m_pSavedDepth = nullptr;
    device->SetDepthStencilSurface(m_pDepth[i]);
    // A depth format without stencil bits refuses the whole clear when asked
    // for stencil too, which would leave last frame's map (or garbage) in place.
    const D3DFORMAT format = static_cast<D3DFORMAT>(g_Options.DepthStencilFormat);
    const bool stencil = format == D3DFMT_D24S8 || format == D3DFMT_D24X4S4 || format == D3DFMT_D15S1;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | (stencil ? D3DCLEAR_STENCIL : 0),
                  kFarthestDepth, 1.0f, 0);
    return true;
}

void ESkyShadow::EndCascade()
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (m_pSavedDepth)
    {
        if (device)
            device->SetDepthStencilSurface(m_pSavedDepth);
        m_pSavedDepth->Release();
        m_pSavedDepth = nullptr;
    }
    if (m_pSavedTarget)
    {
        if (device)
            device->SetRenderTarget(0, m_pSavedTarget);
        m_pSavedTarget->Release();
        m_pSavedTarget = nullptr;
    }
    if (m_bViewportSaved && device)
        device->SetViewport(&m_SavedViewport);
    m_bViewportSaved = 0;
}

void ESkyShadow::Release()
{
    ReleaseRenderTextures();
    m_bEnabled = 0;
}
