#include "ui/AutoMap.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

PAutoMap g_AutoMap;

HRESULT PAutoMap::CreateDeviceObjects()
{
    if (!g_pD3DInterface)
        return D3DERR_INVALIDCALL;
    // A second call (world start after a reset) makes no second set.
    ReleaseDeviceObjects();
    HRESULT hr = g_pD3DInterface->CreateTexture(TARGET_SIZE, TARGET_SIZE, 1, D3DUSAGE_RENDERTARGET,
                                                D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_pTex, nullptr);
    if (FAILED(hr) || !m_pTex)
    {
        m_pTex = nullptr;
        g_Console.Print("PAutoMap: Failed creating pTex");
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    }
    hr = m_pTex->GetSurfaceLevel(0, &m_pSurf);
    if (FAILED(hr) || !m_pSurf)
    {
        m_pSurf = nullptr;
        g_Console.Print("PAutoMap: Failed creating m_pSurf");
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    }
    hr = g_pD3DInterface->CreateDepthStencilSurface(TARGET_SIZE, TARGET_SIZE,
                                                    static_cast<D3DFORMAT>(g_Options.DepthStencilFormat),
                                                    D3DMULTISAMPLE_NONE, 0, TRUE, &m_pDepthStencil, nullptr);
    if (FAILED(hr) || !m_pDepthStencil)
    {
        m_pDepthStencil = nullptr;
        g_Console.Print("Failed to create AutoMap Depth Stencil");
    }
    return hr;
}

void PAutoMap::ReleaseDeviceObjects()
{
    if (m_pDepthStencil)
    {
        m_pDepthStencil->Release();
        m_pDepthStencil = nullptr;
    }
    if (m_pSurf)
    {
        m_pSurf->Release();
        m_pSurf = nullptr;
    }
    if (m_pTex)
    {
        m_pTex->Release();
        m_pTex = nullptr;
    }
}

void PAutoMap::CreateDeviceObjectsThunk()
{
    g_AutoMap.CreateDeviceObjects();
}

void PAutoMap::ReleaseDeviceObjectsThunk()
{
    g_AutoMap.ReleaseDeviceObjects();
}
