#include "shell/D3DMain.h"

#include "mesh/MeshMgr.h"

#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "platform/win32/Win32.h"
#include "player/Player.h"
#include "render/Font.h"
#include "render/PostProcess.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SpriteMgr.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/DeviceCallLog.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "shell/Profiler.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "ui/Menu.h"
#include "world/Engine.h"

#include <cstdio>

D3DMain g_D3DMain;
IDirect3D9* g_pD3D = nullptr;
IDirect3DDevice9* g_pD3DInterface = nullptr;
IDirect3DSurface9* g_pBackBuffer = nullptr;
D3DPRESENT_PARAMETERS g_d3dpp = {};
float g_fScreenScaleX = 1.0f;
float g_fScreenScaleY = 1.0f;
IDirect3DVertexDeclaration9* g_pDeclMesh = nullptr;
IDirect3DVertexDeclaration9* g_pDeclMeshInstanced = nullptr;
IDirect3DVertexDeclaration9* g_pDeclSimple = nullptr;
IDirect3DVertexDeclaration9* g_pDeclSkin = nullptr;

namespace
{
// The depth-stencil formats the search tries, in order, and the requests that
// allow each (depth bits under, or at most for D32; stencil bits under).
struct StencilCandidate
{
    D3DFORMAT format;
    DWORD depthLimit; // the minimum depth bits must be below this
    DWORD stencilLimit;
};
const StencilCandidate kStencilOrder[] = {
    {D3DFMT_D16, 17, 1},   {D3DFMT_D15S1, 16, 2},   {D3DFMT_D24X8, 25, 1},
    {D3DFMT_D24S8, 25, 9}, {D3DFMT_D24X4S4, 25, 5}, {D3DFMT_D32, 33, 1},
};

// Formats CheckDepthFormats asks about, in its order.
const D3DFORMAT kDepthFormats[] = {D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8,
                                   D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24X4S4};

bool HasStencil(D3DFORMAT format)
{
    return format == D3DFMT_D15S1 || format == D3DFMT_D24S8 || format == D3DFMT_D24X4S4;
}

const D3DVERTEXELEMENT9 kDeclMeshInstanced[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 28, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 40, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 52, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 60, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TESSFACTOR, 0},
    {1, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    {1, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 2},
    {1, 32, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 3},
    D3DDECL_END(),
};

const D3DVERTEXELEMENT9 kDeclSimple[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 28, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

const D3DVERTEXELEMENT9 kDeclSkin[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {0, 28, D3DDECLTYPE_UBYTE4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 56, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 68, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

struct DeclarationSlot
{
    const D3DVERTEXELEMENT9* elements;
    IDirect3DVertexDeclaration9** out;
    const char* name;
};
const DeclarationSlot kDeclarations[] = {
    {g_MeshVertexDecl, &g_pDeclMesh, "g_pDeclMesh"},
    {kDeclMeshInstanced, &g_pDeclMeshInstanced, "g_pDeclMeshInstanced"},
    {kDeclSimple, &g_pDeclSimple, "g_pDeclSimple"},
    {kDeclSkin, &g_pDeclSkin, "g_pDeclSkin"},
};

void CreateDeclarations(IDirect3DDevice9* device)
{
    for (const DeclarationSlot& slot : kDeclarations)
        if (FAILED(device->CreateVertexDeclaration(slot.elements, slot.out)))
            g_Console.Print2("ERROR in D3DMain::Create(): CreateVertexDeclaration failed for ", slot.name);
}

void ReleaseDeclarations()
{
    for (const DeclarationSlot& slot : kDeclarations)
        SAFE_RELEASE(*slot.out);
}

HRESULT CreateWithProcessing(IDirect3D9* d3d, HWND hwnd, DWORD processing, D3DPRESENT_PARAMETERS* pp,
                             IDirect3DDevice9** device)
{
    return d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, processing, pp, device);
}
} // namespace

// ---- Creation ---------------------------------------------------------------------

void D3DMain::Create(HWND hwnd)
{
    m_pD3D = g_pD3D;
    if (!m_pD3D)
    {
        MessageBoxA(hwnd, "DX9.0c or newer could not have been found!", "Tk message", MB_OK);
        return;
    }
    D3DDISPLAYMODE mode = {};
    if (FAILED(m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return;
    LogAdapter();

    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = static_cast<UINT>(g_Options.screenwidth);
    pp.BackBufferHeight = static_cast<UINT>(g_Options.screenheight);
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = nullptr;
    pp.Windowed = g_Options.Windowed ? TRUE : FALSE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    g_Options.DepthStencilFormat = D3DFMT_D16;
    pp.Flags = 0;
    pp.FullScreen_RefreshRateInHz = 0;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    g_Options.Multisample4xAvailable = Supports4xMultisample(D3DFMT_X8R8G8B8) ? 1 : 0;

    // Three identical hardware attempts: some drivers refuse the first ones
    // while the mode switch settles.
    HRESULT hr = CreateWithProcessing(m_pD3D, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &m_pDevice);
    if (FAILED(hr))
    {
        g_Console.Print("First Create failed, checking for different format");
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        hr = CreateWithProcessing(m_pD3D, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &m_pDevice);
    }
    if (FAILED(hr))
    {
        g_Console.Print("Second Create failed, checking for last different format");
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        hr = CreateWithProcessing(m_pD3D, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &m_pDevice);
    }
    if (FAILED(hr))
    {
        g_Console.Print("Switching to no light mode");
        g_Console.Print("Your video hardware seems to be not compatible with hardware TnL");
        g_Console.Print("You will not have light in the game, sorry.");
        g_Options.NoLight = 1;
        hr = CreateWithProcessing(m_pD3D, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &m_pDevice);
        if (FAILED(hr))
        {
            m_pDevice = nullptr;
            AppendLogLine("First CreateDevice failed");
            MessageBoxA(hwnd, g_TextMgr.GetText(">NoMode"), "Tovak5", MB_OK);
            return;
        }
    }
    g_Console.Print("CreateDevice OK");
    g_pD3DInterface = m_pDevice;

    // Stencil shadows want 4 stencil bits; one will do.
    D3DFORMAT depthFormat = D3DFMT_D16;
    m_dwMinDepthBits = 15;
    m_dwMinStencilBits = 4;
    if (!FindStencilFormat(mode.Format, &depthFormat))
    {
        AppendLogLine("4-bit stencil failed");
        m_dwMinStencilBits = 1;
        if (!FindStencilFormat(mode.Format, &depthFormat))
        {
            AppendLogLine("Second FindStencilFormat failed");
            g_Console.Print("Running game WITHOUT stencil shadows!");
            depthFormat = D3DFMT_D16;
        }
    }

    pp.AutoDepthStencilFormat = depthFormat;
    g_Options.DepthStencilFormat = depthFormat;
    if (g_Options.Multisample4xAvailable && g_Options.EnableAntialiasing)
        pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    if (FAILED(m_pDevice->Reset(&pp)))
    {
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        g_Options.DepthStencilFormat = D3DFMT_D16;
        if (FAILED(m_pDevice->Reset(&pp)))
        {
            // Nothing can use a device that was never reset into a mode.
            g_Console.Print("ERROR in D3DMain::Create(): Reset failed");
            m_pDevice->Release();
            m_pDevice = nullptr;
            g_pD3DInterface = nullptr;
            return;
        }
    }

    CreateDeclarations(m_pDevice);
    m_bDeviceReady = 1;
    SAFE_RELEASE(g_pBackBuffer);
    m_pDevice->GetRenderTarget(0, &g_pBackBuffer);
    g_d3dpp = pp;
    g_fScreenScaleX = g_Options.fScreenScaleX;
    g_fScreenScaleY = g_Options.fScreenScaleY;

    g_TTFontMgr.CreateFonts();
    RenderStartupFrame();
    InitCaps();
    g_Engine.Init(hwnd);
    SetDefaultRenderStates();
    Env.SetFogColor(0);
}

bool D3DMain::FindStencilFormat(D3DFORMAT adapterFormat, D3DFORMAT* out)
{
    if (!m_pD3D || !out)
        return false;
    for (const StencilCandidate& c : kStencilOrder)
    {
        if (m_dwMinDepthBits >= c.depthLimit || m_dwMinStencilBits >= c.stencilLimit)
            continue;
        if (FAILED(m_pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, adapterFormat,
                                             D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, c.format)))
            continue;
        if (FAILED(m_pD3D->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, adapterFormat,
                                                  adapterFormat, c.format)))
            continue;
        *out = c.format;
        return true;
    }
    return false;
}

bool D3DMain::Supports4xMultisample(D3DFORMAT format)
{
    if (!m_pD3D)
        return false;
    return SUCCEEDED(m_pD3D->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, format,
                                                        g_Options.Windowed ? TRUE : FALSE,
                                                        D3DMULTISAMPLE_4_SAMPLES, nullptr));
}

void D3DMain::LogAdapter()
{
    D3DADAPTER_IDENTIFIER9 id = {};
    if (!m_pD3D || FAILED(m_pD3D->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &id)))
        return;
    char line[600];
    std::snprintf(line, sizeof line, "> Driver: %s", id.Driver);
    g_Console.Print(line);
    std::snprintf(line, sizeof line, "> Description: %s", id.Description);
    g_Console.Print(line);
}

// ---- Capabilities and states ---------------------------------------------------------

void D3DMain::InitCaps()
{
    CheckPixelShaders();
    CheckDepthFormats();
    if (!g_Options.PixelShader30)
        SaveVideoConfig();
    D3DCAPS9 caps = {};
    if (m_pDevice)
        m_pDevice->GetDeviceCaps(&caps);
}

void D3DMain::CheckPixelShaders()
{
    D3DCAPS9 caps = {};
    if (!m_pDevice || FAILED(m_pDevice->GetDeviceCaps(&caps)))
        return;
    if (caps.PixelShaderVersion < D3DPS_VERSION(2, 0))
    {
        g_Console.Print("PixelShader model 2.0 not supported!");
        g_Options.PixelShader20 = 0;
        g_Options.PixelShader30 = 0;
    }
    else if (caps.PixelShaderVersion < D3DPS_VERSION(3, 0))
    {
        g_Console.Print("PixelShader model 3.0 not supported!");
        g_Console.Print("PixelShader model 2.0 detected.");
        g_Options.PixelShader20 = 1;
        g_Options.PixelShader30 = 0;
    }
    else
    {
        g_Options.PixelShader20 = 1;
        g_Options.PixelShader30 = 1;
        g_Console.Print("PixelShader model 3.0 detected.");
    }
}

void D3DMain::CheckDepthFormats()
{
    g_Options.DepthFormatsAvailable = 0;
    if (!m_pD3D)
        return;
    for (D3DFORMAT format : kDepthFormats)
        if (SUCCEEDED(m_pD3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)))
        {
            g_Options.DepthFormatsAvailable = 1;
            return;
        }
}

void D3DMain::SetDefaultRenderStates()
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
        return;
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    g_RenderStates.SetCullCCW();
    device->SetRenderState(D3DRS_FILLMODE, g_Options.WireFrame ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_RANGEFOGENABLE, FALSE);
}

DWORD D3DMain::FullClearFlags()
{
    DWORD flags = D3DCLEAR_TARGET;
    if (g_d3dpp.EnableAutoDepthStencil)
    {
        flags |= D3DCLEAR_ZBUFFER;
        if (HasStencil(g_d3dpp.AutoDepthStencilFormat))
            flags |= D3DCLEAR_STENCIL;
    }
    return flags;
}

// ---- Frames ------------------------------------------------------------------------

void D3DMain::RenderStartupFrame()
{
    if (!m_pDevice)
        return;
    m_pDevice->Clear(0, nullptr, FullClearFlags(), D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    if (SUCCEEDED(m_pDevice->BeginScene()))
    {
        g_Font.CreateFonts();
        g_Console.DrawLoadingText();
        m_pDevice->EndScene();
    }
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

void D3DMain::Render()
{
    if (!m_pDevice || FAILED(m_pDevice->TestCooperativeLevel()) || !g_FocusMgr.m_bOnFocus)
        return;

    g_Profiler.BeginSection(PS_D3DMAIN_PRERENDER);
    g_MainGame.PreRender();
    g_Engine.PreRender();
    Player.UpdateCamera();
    g_Profiler.BeginSection(PS_RENDERER_PRERENDER);
    g_Renderer.PreRenderScene();
    g_Profiler.EndSection(PS_RENDERER_PRERENDER);
    g_SpriteMgr.Update();
    g_Profiler.BeginSection(PS_FX_SPRITES);
    g_FxMgr.UpdateSprites();
    g_Profiler.EndSection(PS_FX_SPRITES);
    g_Profiler.EndSection(PS_D3DMAIN_PRERENDER);

    g_Profiler.BeginSection(PS_D3DMAIN_RENDER);
    if (!g_Options.PostProcessOff && !g_Menu.m_bMenuActive)
        PostProcess.BeginScene();
    m_pDevice->Clear(0, nullptr, FullClearFlags(), D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    if (SUCCEEDED(m_pDevice->BeginScene()))
    {
        if (g_Menu.m_bMenuActive || g_MainGame.m_bWorldActive)
        {
            if (!g_Menu.m_bMenuActive)
            {
                g_Profiler.BeginSection(PS_ENGINE_RENDER);
                g_Engine.Render();
                g_Profiler.EndSection(PS_ENGINE_RENDER);
            }
            g_Profiler.BeginSection(PS_MAINGAME_RENDER);
            if (g_Menu.m_bMenuActive)
                g_Menu.Render();
            else
                g_MainGame.Render();
            g_Profiler.EndSection(PS_MAINGAME_RENDER);
        }
        g_Console.Render();
        g_Profiler.DrawReport();
        m_pDevice->EndScene();
    }
    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    g_Profiler.EndSection(PS_D3DMAIN_RENDER);

    if (g_Engine.m_bScreenshot)
        g_Engine.SaveScreenshot();
}

// ---- Messages ------------------------------------------------------------------------

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
        TkNoteDeviceCall("EMouse::Poll");
        g_Mouse.Poll();
        TkNoteDeviceCall("CCommandMgr::ReadKeyboard");
        g_CommandMgr.ReadKeyboard();
        break;
    default:
        break;
    }
    return 0;
}

// ---- Shutdown ------------------------------------------------------------------------

void D3DMain::Shutdown()
{
    g_Engine.ResetWorld();
    g_MainGame.Release();
    g_Engine.Shutdown();
    SAFE_RELEASE(g_pBackBuffer);
    // The declarations hold the device; let them go with it.
    ReleaseDeclarations();
    SAFE_RELEASE(m_pDevice);
    g_pD3DInterface = nullptr;
    if (m_pD3D)
    {
        m_pD3D->Release();
        m_pD3D = nullptr;
        g_pD3D = nullptr;
    }
    else
        SAFE_RELEASE(g_pD3D);
    m_bDeviceReady = 0;
}
