#include "platform/d3d9/Direct3D9.h"

#include "platform/Backend.h"
#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/Device.h"
#include "platform/d3d9/GlContext.h"
#include "platform/d3d9/HeadlessDevice.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tk::d3d9
{
namespace
{
// Only the HAL of adapter 0 exists; the reference rasteriser is not installed.
HRESULT CheckAdapter(UINT adapter, D3DDEVTYPE type)
{
    if (adapter != 0)
        return D3DERR_INVALIDCALL;
    if (type == D3DDEVTYPE_HAL)
        return D3D_OK;
    return type == D3DDEVTYPE_REF || type == D3DDEVTYPE_SW || type == D3DDEVTYPE_NULLREF ? D3DERR_NOTAVAILABLE
                                                                                         : D3DERR_INVALIDCALL;
}
} // namespace

ULONG Direct3D9::AddRef()
{
    return ++m_refs;
}

ULONG Direct3D9::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Direct3D9::GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier)
{
    if (Adapter != 0 || !pIdentifier || (Flags & ~DWORD(D3DENUM_WHQL_LEVEL)))
        return D3DERR_INVALIDCALL;
    std::memset(pIdentifier, 0, sizeof *pIdentifier);
    const bool headless = TkIsHeadless();
    std::snprintf(pIdentifier->Driver, sizeof pIdentifier->Driver, "%s",
                  headless ? "tovak_headless" : "tovak_sdl");
    std::snprintf(pIdentifier->Description, sizeof pIdentifier->Description, "%s",
                  headless ? "Tovak headless Direct3D 9 device" : "Tovak Direct3D 9 device on SDL");
    std::snprintf(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName, "%s", "\\\\.\\DISPLAY1");
    pIdentifier->DriverVersion.QuadPart = 0x0009000000000001LL;
    pIdentifier->WHQLLevel = (Flags & D3DENUM_WHQL_LEVEL) ? 1 : 0;
    return D3D_OK;
}

UINT Direct3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format)
{
    if (Adapter != 0)
        return 0;
    return static_cast<UINT>(AdapterModes(Format).size());
}

HRESULT Direct3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    const auto modes = AdapterModes(Format);
    if (modes.empty())
        return D3DERR_NOTAVAILABLE;
    if (Mode >= modes.size())
        return D3DERR_INVALIDCALL;
    *pMode = modes[Mode];
    return D3D_OK;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    *pMode = DesktopMode();
    return D3D_OK;
}

HRESULT Direct3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT BackBufferFormat, BOOL)
{
    if (HRESULT hr = CheckAdapter(Adapter, DevType); FAILED(hr))
        return hr;
    if (!IsDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    return BackBufferFormat == D3DFMT_UNKNOWN || IsBackBufferFormat(BackBufferFormat) ? D3D_OK
                                                                                      : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                     DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat)
{
    if (HRESULT hr = CheckAdapter(Adapter, DeviceType); FAILED(hr))
        return hr;
    if (!IsDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    return tk::d3d9::CheckFormat(Usage, RType, CheckFormat);
}

HRESULT Direct3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                                              BOOL, D3DMULTISAMPLE_TYPE MultiSampleType,
                                              DWORD* pQualityLevels)
{
    if (HRESULT hr = CheckAdapter(Adapter, DeviceType); FAILED(hr))
        return hr;
    if (MultiSampleType > D3DMULTISAMPLE_16_SAMPLES)
        return D3DERR_INVALIDCALL;
    return CheckMultiSample(SurfaceFormat, MultiSampleType, pQualityLevels);
}

HRESULT Direct3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                          D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat)
{
    if (HRESULT hr = CheckAdapter(Adapter, DeviceType); FAILED(hr))
        return hr;
    if (!IsDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    return CheckDepthMatch(RenderTargetFormat, DepthStencilFormat);
}

HRESULT Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps)
{
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    if (HRESULT hr = CheckAdapter(Adapter, DeviceType); FAILED(hr))
        return hr;
    *pCaps = MakeCaps(Settings().hardwareVertexProcessing);
    return D3D_OK;
}

HRESULT Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                D3DPRESENT_PARAMETERS* pPresentationParameters,
                                IDirect3DDevice9** ppReturnedDeviceInterface)
{
    if (!ppReturnedDeviceInterface || !pPresentationParameters)
        return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (HRESULT hr = CheckAdapter(Adapter, DeviceType); FAILED(hr))
        return hr;
    const DWORD processing =
        BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                         D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING && processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if (!hFocusWindow && !pPresentationParameters->hDeviceWindow)
        return D3DERR_INVALIDCALL;
    if (Settings().createFailures > 0)
    {
        --Settings().createFailures;
        return D3DERR_NOTAVAILABLE;
    }
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && !Settings().hardwareVertexProcessing)
        return D3DERR_NOTAVAILABLE;
    D3DPRESENT_PARAMETERS params = *pPresentationParameters;
    if (HRESULT hr = Device::CompletePresentParameters(hFocusWindow, &params); FAILED(hr))
        return hr;
    // The GL context: the device window's own with a display, else the
    // surfaceless one (also when the window cannot give one).
    std::string error;
    std::unique_ptr<GlContext> context;
    if (!TkIsHeadless())
    {
        SDL_Window* window = TkGetSdlWindow(params.hDeviceWindow ? params.hDeviceWindow : hFocusWindow);
        if (window)
            context = GlContext::CreateForWindow(window, &error);
        if (!context && window)
            std::fprintf(stderr, "Direct3D: no OpenGL context for the window (%s); drawing off-screen\n",
                         error.c_str());
    }
    if (!context)
        context = GlContext::CreateHeadless(&error);
    if (!context)
    {
        std::fprintf(stderr, "Direct3D: no OpenGL 4.5 context: %s\n", error.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    *pPresentationParameters = params;
    TkFitWindowToDevice(params.hDeviceWindow ? params.hDeviceWindow : hFocusWindow, params.BackBufferWidth,
                        params.BackBufferHeight, !params.Windowed);
    Device* device = new Device(this, hFocusWindow, BehaviorFlags, params, std::move(context));
    *ppReturnedDeviceInterface = device;
    return D3D_OK;
}
} // namespace tk::d3d9

IDirect3D9* Direct3DCreate9(UINT SDKVersion)
{
    if (SDKVersion != D3D_SDK_VERSION)
        return nullptr;
    TkD3D9RegisterScriptActions();
    return new tk::d3d9::Direct3D9();
}
