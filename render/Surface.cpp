#include "render/Surface.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/TextUtils.h"

namespace
{
constexpr INT kRefused = -1;
// Opaque black in the picture becomes transparent black.
constexpr D3DCOLOR kBlackKey = 0xFF000000u;
} // namespace

ESurface::ESurface()
    : m_pSurface(nullptr), m_ImageInfo{}, m_SourceRect{0, 0, DEFAULT_SOURCE_EDGE, DEFAULT_SOURCE_EDGE},
      m_Position{0, 0}
{
}

ESurface::~ESurface()
{
    Release();
}

void ESurface::Release()
{
    if (m_pSurface)
    {
        m_pSurface->Release();
        m_pSurface = nullptr;
    }
}

INT ESurface::LoadFromFile(const char* path, bool useBackBufferSize, UINT width, UINT height)
{
    if (!path || !IsPlainName(path))
    {
        AppendLogLine(path ? path : "");
        return kRefused;
    }
    if (!g_pD3DInterface)
        return kRefused;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(g_pD3DInterface->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back)
        return kRefused;
    D3DSURFACE_DESC desc = {};
    const HRESULT described = back->GetDesc(&desc);
    back->Release();
    if (FAILED(described))
        return described;
    Release();
    const UINT w = useBackBufferSize ? desc.Width : width;
    const UINT h = useBackBufferSize ? desc.Height : height;
    if (HRESULT hr = g_pD3DInterface->CreateOffscreenPlainSurface(w, h, desc.Format, D3DPOOL_SYSTEMMEM,
                                                                  &m_pSurface, nullptr);
        FAILED(hr))
    {
        m_pSurface = nullptr;
        return hr;
    }
    return D3DXLoadSurfaceFromFileA(m_pSurface, nullptr, nullptr, path, nullptr, D3DX_DEFAULT, kBlackKey,
                                    &m_ImageInfo);
}

void ESurface::SetPosition(LONG x, LONG y)
{
    m_Position = {x, y};
}

void ESurface::Draw(IDirect3DSurface9* source)
{
    IDirect3DSurface9* from = source ? source : m_pSurface;
    if (!from || !g_pD3DInterface)
        return;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(g_pD3DInterface->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back)
        return;
    g_pD3DInterface->UpdateSurface(from, &m_SourceRect, back, &m_Position);
    back->Release();
}

void ESurface::SetPositionAndDraw(LONG x, LONG y)
{
    SetPosition(x, y);
    Draw(nullptr);
}

void ESurface::SaveToFile(const char* path)
{
    if (!m_pSurface)
        return;
    if (SUCCEEDED(D3DXSaveSurfaceToFileA(path, D3DXIFF_BMP, m_pSurface, nullptr, nullptr)))
        g_Console.Print("Save OK");
    else
        g_Console.Print("Save failed");
}
