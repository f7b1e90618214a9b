// STAND-IN: see D3DMain.h.
#include "shell/D3DMain.h"

#include "platform/d3d9/D3D9.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Profiler.h"
#include "world/Engine.h"

D3DMain g_D3DMain;
IDirect3D9* g_pD3D = nullptr;
IDirect3DDevice9* g_pD3DInterface = nullptr;
IDirect3DSurface9* g_pBackBuffer = nullptr;
D3DPRESENT_PARAMETERS g_d3dpp;

void D3DMain::Create(HWND hwnd)
{
    m_pD3D = g_pD3D;
    if (!m_pD3D)
        return;
    g_d3dpp = D3DPRESENT_PARAMETERS{};
    g_d3dpp.BackBufferWidth = static_cast<UINT>(g_Options.screenwidth);
    g_d3dpp.BackBufferHeight = static_cast<UINT>(g_Options.screenheight);
    g_d3dpp.BackBufferFormat = D3DFMT_X8R8G8B8;
    g_d3dpp.BackBufferCount = 1;
    g_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    g_d3dpp.Windowed = g_Options.Windowed ? TRUE : FALSE;
    g_d3dpp.EnableAutoDepthStencil = TRUE;
    g_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
    g_d3dpp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                      &g_d3dpp, &m_pDevice);
    if (FAILED(hr))
        hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                  &g_d3dpp, &m_pDevice);
    if (FAILED(hr))
    {
        MessageBoxA(hwnd, "No usable display mode", "Tovak5", MB_OK);
        return;
    }
    g_pD3DInterface = m_pDevice;
    m_pDevice->GetRenderTarget(0, &g_pBackBuffer);
    g_Engine.Init(hwnd);
    g_Profiler.InitSections();
    m_bDeviceReady = 1;
}

void D3DMain::Render()
{
    if (!m_pDevice)
        return;
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    if (SUCCEEDED(m_pDevice->BeginScene()))
    {
        g_Profiler.DrawReport();
        m_pDevice->EndScene();
    }
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

LRESULT D3DMain::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (!g_FocusMgr.m_bOnFocus)
        return 0;
    switch (message)
    {
    case WM_KEYDOWN:
        g_Engine.OnKeyDown(wParam);
        break;
    case WM_KEYUP:
        g_Engine.OnKeyUp(wParam);
        break;
    case WM_TIMER:
        g_Input.Poll();
        break;
    default:
        break;
    }
    return 0;
}

void D3DMain::Shutdown()
{
    g_Engine.Shutdown();
    SAFE_RELEASE(g_pBackBuffer);
    if (m_pDevice)
    {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    g_pD3DInterface = nullptr;
    m_bDeviceReady = 0;
}
