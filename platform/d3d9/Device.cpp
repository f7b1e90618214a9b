#include "platform/d3d9/Device.h"

#include "platform/Backend.h"
#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/GlRenderer.h"
#include "platform/d3d9/Shader.h"
#include "platform/d3d9/IndexBuffer.h"
#include "platform/d3d9/StateDefaults.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/VertexBuffer.h"
#include "platform/d3d9/VertexDeclaration.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace tk::d3d9
{
namespace
{
// The client size a windowed device takes when the parameters give none and
// no SDL window tells it.
const UINT kDefaultWindowWidth = 640;
const UINT kDefaultWindowHeight = 480;

D3DMATRIX Identity()
{
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

bool IsIntervalAllowed(UINT interval, bool windowed)
{
    switch (interval)
    {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case D3DPRESENT_INTERVAL_IMMEDIATE:
        return true;
    case D3DPRESENT_INTERVAL_TWO:
    case D3DPRESENT_INTERVAL_THREE:
    case D3DPRESENT_INTERVAL_FOUR:
        return !windowed;
    default:
        return false;
    }
}

HRESULT CheckSampling(D3DFORMAT format, D3DMULTISAMPLE_TYPE type, DWORD quality)
{
    DWORD levels = 0;
    if (FAILED(CheckMultiSample(format, type, &levels)) || quality >= levels)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}
} // namespace

HRESULT Device::CompletePresentParameters(HWND focusWindow, D3DPRESENT_PARAMETERS* p)
{
    if (p->BackBufferCount == 0)
        p->BackBufferCount = 1;
    if (p->BackBufferCount > kMaxBackBuffers)
        return D3DERR_INVALIDCALL;
    if (p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (p->SwapEffect == D3DSWAPEFFECT_COPY && p->BackBufferCount != 1)
        return D3DERR_INVALIDCALL;
    if (!IsIntervalAllowed(p->PresentationInterval, p->Windowed != FALSE))
        return D3DERR_INVALIDCALL;
    const HWND window = p->hDeviceWindow ? p->hDeviceWindow : focusWindow;
    if (!window)
        return D3DERR_INVALIDCALL;

    if (p->Windowed)
    {
        if (p->FullScreen_RefreshRateInHz != 0)
            return D3DERR_INVALIDCALL;
        if (p->BackBufferFormat == D3DFMT_UNKNOWN)
            p->BackBufferFormat = DesktopMode().Format;
        if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0)
        {
            // As the native runtime does, a zero size takes the window's client size.
            int w = 0, h = 0;
            if (SDL_Window* sdl = TkGetSdlWindow(window))
                SDL_GetWindowSize(sdl, &w, &h);
            if (p->BackBufferWidth == 0)
                p->BackBufferWidth = w > 0 ? UINT(w) : kDefaultWindowWidth;
            if (p->BackBufferHeight == 0)
                p->BackBufferHeight = h > 0 ? UINT(h) : kDefaultWindowHeight;
        }
    }
    else
    {
        const auto modes = AdapterModes(D3DFMT_X8R8G8B8);
        const bool listed = std::any_of(
            modes.begin(), modes.end(),
            [&](const D3DDISPLAYMODE& m)
            {
                return m.Width == p->BackBufferWidth && m.Height == p->BackBufferHeight &&
                       (p->FullScreen_RefreshRateInHz == 0 || m.RefreshRate == p->FullScreen_RefreshRateInHz);
            });
        if (!listed)
            return D3DERR_INVALIDCALL;
    }
    if (!IsBackBufferFormat(p->BackBufferFormat))
        return D3DERR_INVALIDCALL;
    const UINT maxSize = MakeCaps(true).MaxTextureWidth;
    if (p->BackBufferWidth > maxSize || p->BackBufferHeight > maxSize)
        return D3DERR_INVALIDCALL;

    if (p->MultiSampleType != D3DMULTISAMPLE_NONE)
    {
        if (p->SwapEffect != D3DSWAPEFFECT_DISCARD || (p->Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER))
            return D3DERR_INVALIDCALL;
        if (FAILED(CheckSampling(p->BackBufferFormat, p->MultiSampleType, p->MultiSampleQuality)))
            return D3DERR_INVALIDCALL;
        if (p->EnableAutoDepthStencil &&
            FAILED(CheckSampling(p->AutoDepthStencilFormat, p->MultiSampleType, p->MultiSampleQuality)))
            return D3DERR_INVALIDCALL;
    }
    else if (p->MultiSampleQuality != 0)
        return D3DERR_INVALIDCALL;
    if (p->EnableAutoDepthStencil && FAILED(CheckDepthMatch(p->BackBufferFormat, p->AutoDepthStencilFormat)))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

Device::Device(Direct3D9* d3d, HWND focusWindow, DWORD behaviorFlags, const D3DPRESENT_PARAMETERS& params,
               std::unique_ptr<GlContext> context)
    : m_d3d(d3d), m_focusWindow(focusWindow), m_behaviorFlags(behaviorFlags), m_params(params),
      m_gl(std::make_unique<GlRenderer>())
{
    m_gl->context = std::move(context);
    InitGl();
    m_d3d->AddRef();
    LiveDevices().push_back(this);
    for (int i = 0; i < 256; ++i)
        m_gamma.red[i] = m_gamma.green[i] = m_gamma.blue[i] = static_cast<WORD>(i * 257);
    CreateImplicitSurfaces();
    ResetStates();
}

Device::~Device()
{
    DestroyImplicitSurfaces();
    ShutdownGl();
    auto& devices = LiveDevices();
    devices.erase(std::remove(devices.begin(), devices.end(), this), devices.end());
    m_d3d->Release();
}

ULONG Device::AddRef()
{
    if (m_publicRefs++ == 0 && !m_renderTargets[0])
    {
        // Taken again through a surface after its last public release, which
        // unbound everything: back to the swap chain's own surfaces, so that
        // render target 0 is never missing (SetViewport and Clear rely on it).
        BindSurface(m_renderTargets[0], m_backBuffers[0]);
        BindSurface(m_depthStencil, m_autoDepthStencil);
        FullViewport();
    }
    return m_publicRefs;
}

ULONG Device::Release()
{
    if (m_publicRefs == 0)
    {
        LogOnce("Direct3D: the device was released more often than it was referenced");
        return 0;
    }
    const ULONG left = --m_publicRefs;
    if (left == 0)
    {
        // Unbinding may free objects the game already let go, and each of
        // those releases the device; hold it until the unbinding is done.
        AddRefPrivate();
        UnbindAll();
        m_presenter.reset();
        ReleasePrivate();
    }
    return left;
}

void Device::ReleasePrivate()
{
    if (m_privateRefs > 0)
        --m_privateRefs;
    if (m_privateRefs == 0 && m_publicRefs == 0)
        delete this;
}

void Device::UnregisterObject(Tracked* object)
{
    m_objects.erase(std::remove(m_objects.begin(), m_objects.end(), object), m_objects.end());
}

void Device::CreateImplicitSurfaces()
{
    const SurfaceSetup back = {m_params.BackBufferWidth,
                               m_params.BackBufferHeight,
                               m_params.BackBufferFormat,
                               D3DUSAGE_RENDERTARGET,
                               D3DPOOL_DEFAULT,
                               m_params.MultiSampleType,
                               m_params.MultiSampleQuality,
                               (m_params.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0};
    for (UINT i = 0; i < m_params.BackBufferCount; ++i)
        m_backBuffers.push_back(new Surface(this, back, Ownership::Implicit, nullptr));
    if (m_params.EnableAutoDepthStencil)
    {
        const SurfaceSetup depth = {m_params.BackBufferWidth,
                                    m_params.BackBufferHeight,
                                    m_params.AutoDepthStencilFormat,
                                    D3DUSAGE_DEPTHSTENCIL,
                                    D3DPOOL_DEFAULT,
                                    m_params.MultiSampleType,
                                    m_params.MultiSampleQuality,
                                    false};
        m_autoDepthStencil = new Surface(this, depth, Ownership::Implicit, nullptr);
    }
    BindSurface(m_renderTargets[0], m_backBuffers[0]);
    BindSurface(m_depthStencil, m_autoDepthStencil);
}

void Device::DestroyImplicitSurfaces()
{
    for (Surface* surface : m_backBuffers)
        delete surface;
    m_backBuffers.clear();
    delete m_autoDepthStencil;
    m_autoDepthStencil = nullptr;
}

void Device::UnbindAll()
{
    for (auto& target : m_renderTargets)
        BindSurface(target, nullptr);
    BindSurface(m_depthStencil, nullptr);
    for (auto& slot : m_textures)
        BindTexture(slot, nullptr, nullptr);
    for (auto& stream : m_streams)
        BindStream(stream, nullptr, 0, 0);
    BindIndices(nullptr);
    BindDeclaration(nullptr);
    m_fvf = 0;
    SetVertexShader(nullptr);
    SetPixelShader(nullptr);
}

void Device::ResetStates()
{
    DefaultRenderStates(m_renderStates, m_params.EnableAutoDepthStencil != FALSE);
    for (auto& sampler : m_samplerStates)
        DefaultSamplerStates(sampler);
    for (DWORD stage = 0; stage < TK_D3D_TEXTURE_STAGES; ++stage)
        DefaultStageStates(stage, m_stageStates[stage]);
    m_view = m_projection = Identity();
    for (auto& m : m_textureTransforms)
        m = Identity();
    for (auto& m : m_world)
        m = Identity();
    FullViewport();
}

void Device::FullViewport()
{
    const Surface* target = m_renderTargets[0];
    m_viewport = {0, 0, target ? target->Width() : 0, target ? target->Height() : 0, 0.0f, 1.0f};
}

// ---- Loss and reset ------------------------------------------------------------------
void Device::Lose()
{
    if (m_state == TkDeviceState::Ok)
    {
        // Video memory is gone: every default-pool resource loses its GL
        // object (and its contents) until the game releases it and resets.
        for (Tracked* object : m_objects)
            if (object->Pool() == D3DPOOL_DEFAULT)
            {
                object->DropGl();
                object->MarkLost();
            }
    }
    m_state = TkDeviceState::Lost;
}

void Device::Restore()
{
    if (m_state == TkDeviceState::Lost)
        m_state = TkDeviceState::NotReset;
}

HRESULT Device::TestCooperativeLevel()
{
    switch (m_state)
    {
    case TkDeviceState::Lost:
        return D3DERR_DEVICELOST;
    case TkDeviceState::NotReset:
        return D3DERR_DEVICENOTRESET;
    default:
        return D3D_OK;
    }
}

std::vector<std::string> Device::GlBackedObjects() const
{
    std::vector<std::string> held;
    for (const Tracked* object : m_objects)
        if (object->HoldsGl())
            held.push_back(object->Describe());
    return held;
}

std::vector<std::string> Device::LiveDefaultPoolObjects() const
{
    std::vector<std::string> live;
    for (const Tracked* object : m_objects)
        if (object->Pool() == D3DPOOL_DEFAULT && object->IsAlive())
            live.push_back(object->Describe());
    for (const auto& hold : m_external)
        live.push_back(hold.description);
    return live;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters)
        return D3DERR_INVALIDCALL;
    if (m_state == TkDeviceState::Lost)
        return D3DERR_DEVICELOST;
    // A failed reset leaves the device waiting for a good one, as natively.
    D3DPRESENT_PARAMETERS params = *pPresentationParameters;
    if (FAILED(CompletePresentParameters(m_focusWindow, &params)))
    {
        m_state = TkDeviceState::NotReset;
        return D3DERR_INVALIDCALL;
    }
    const auto live = LiveDefaultPoolObjects();
    if (!live.empty())
    {
        std::string message = "Direct3D: Reset refused while default-pool objects are alive:";
        for (const auto& description : live)
            message += "\n  " + description;
        LogOnce(message.c_str());
        m_state = TkDeviceState::NotReset;
        return D3DERR_INVALIDCALL;
    }
    m_inScene = false;
    UnbindAll();
    DestroyImplicitSurfaces();
    m_params = params;
    *pPresentationParameters = params;
    TkFitWindowToDevice(params.hDeviceWindow ? params.hDeviceWindow : m_focusWindow, params.BackBufferWidth,
                        params.BackBufferHeight, !params.Windowed);
    CreateImplicitSurfaces();
    ResetStates();
    m_state = TkDeviceState::Ok;
    return D3D_OK;
}

void Device::HoldExternal(const void* owner, const char* description)
{
    ReleaseExternal(owner);
    m_external.push_back({owner, description ? description : "external default-pool object"});
}

void Device::ReleaseExternal(const void* owner)
{
    m_external.erase(std::remove_if(m_external.begin(), m_external.end(),
                                    [owner](const ExternalHold& hold) { return hold.owner == owner; }),
                     m_external.end());
}

// ---- Presentation -----------------------------------------------------------------------
HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const RGNDATA* pDirtyRegion)
{
    if (pSourceRect || pDestRect || pDirtyRegion)
    {
        if (m_params.SwapEffect == D3DSWAPEFFECT_DISCARD)
            return D3DERR_INVALIDCALL;
        LogOnce("Direct3D: Present with rectangles or a dirty region is not supported");
        return D3DERR_INVALIDCALL;
    }
    if (m_state != TkDeviceState::Ok)
        return D3DERR_DEVICELOST;
    ++m_presentCount;
    PresentGl();
    m_lastLog.swap(m_currentLog);
    m_currentLog.clear();
    m_lastDrawCount = m_currentDrawCount;
    m_currentDrawCount = 0;
    if (!TkIsHeadless() && !m_gl->context->Window())
    {
        // A window without a GL context of its own: the frame drawn on the
        // surfaceless context is shown through SDL's renderer.
        HWND window = hDestWindowOverride ? hDestWindowOverride
                                          : (m_params.hDeviceWindow ? m_params.hDeviceWindow : m_focusWindow);
        if (SDL_Window* sdl = TkGetSdlWindow(window))
        {
            if (!m_presenter)
                m_presenter = std::make_unique<SdlPresenter>();
            ReadPresented();
            D3DGAMMARAMP identity;
            for (int i = 0; i < 256; ++i)
                identity.red[i] = identity.green[i] = identity.blue[i] = static_cast<WORD>(i * 257);
            m_presenter->Show(sdl, m_lastPresented.data(), m_lastPresentedDesc.pitch,
                              m_lastPresentedDesc.width, m_lastPresentedDesc.height, identity);
        }
    }
    return D3D_OK;
}

bool Device::LastPresented(TkSurfacePixels* out) const
{
    if (m_presentCount == 0)
        return false;
    ReadPresented();
    *out = m_lastPresentedDesc;
    return true;
}

const std::vector<TkDrawRecord>& Device::DrawLog(TkFrame frame) const
{
    return frame == TkFrame::Current ? m_currentLog : m_lastLog;
}

UINT Device::DrawCount(TkFrame frame) const
{
    return frame == TkFrame::Current ? m_currentDrawCount : m_lastDrawCount;
}

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                              IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer)
        return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer >= m_backBuffers.size() || Type != D3DBACKBUFFER_TYPE_MONO)
        return D3DERR_INVALIDCALL;
    m_backBuffers[iBackBuffer]->AddRef();
    *ppBackBuffer = m_backBuffers[iBackBuffer];
    return D3D_OK;
}

void Device::SetGammaRamp(UINT iSwapChain, DWORD, const D3DGAMMARAMP* pRamp)
{
    if (iSwapChain != 0 || !pRamp)
        return;
    m_gamma = *pRamp;
}

void Device::GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp)
{
    if (iSwapChain != 0 || !pRamp)
        return;
    *pRamp = m_gamma;
}

// ---- Queries ------------------------------------------------------------------------------
UINT Device::GetAvailableTextureMem()
{
    // A fixed figure: the game only logs it.
    return 512u * 1024u * 1024u;
}

HRESULT Device::GetDirect3D(IDirect3D9** ppD3D9)
{
    if (!ppD3D9)
        return D3DERR_INVALIDCALL;
    m_d3d->AddRef();
    *ppD3D9 = m_d3d;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    const bool hardware = (m_behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) == 0;
    *pCaps = MakeCaps(hardware && Settings().hardwareVertexProcessing);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    if (iSwapChain != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    if (m_params.Windowed)
        *pMode = DesktopMode();
    else
        *pMode = {m_params.BackBufferWidth, m_params.BackBufferHeight,
                  m_params.FullScreen_RefreshRateInHz ? m_params.FullScreen_RefreshRateInHz
                                                      : DesktopMode().RefreshRate,
                  D3DFMT_X8R8G8B8};
    return D3D_OK;
}

Surface* Device::OwnSurface(IDirect3DSurface9* surface) const
{
    Surface* own = surface ? dynamic_cast<Surface*>(surface) : nullptr;
    return own && own->OwnerDevice() == this ? own : nullptr;
}
} // namespace tk::d3d9
