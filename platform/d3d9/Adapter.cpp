#include "platform/d3d9/Adapter.h"

#include "platform/Backend.h"
#include "platform/d3d9/Formats.h"

#include <SDL.h>

#include <algorithm>

namespace tk::d3d9
{
namespace
{
// The headless desktop and the modes it offers.
const D3DDISPLAYMODE kHeadlessDesktop = {1920, 1080, 60, D3DFMT_X8R8G8B8};
const SIZE kHeadlessModes[] = {{640, 480},   {800, 600},  {1024, 768},  {1152, 864},  {1280, 720},
                               {1280, 800},  {1280, 960}, {1280, 1024}, {1360, 768},  {1366, 768},
                               {1440, 900},  {1600, 900}, {1600, 1200}, {1680, 1050}, {1920, 1080},
                               {1920, 1200}, {2560, 1440}};

bool SdlVideoReady()
{
    return !TkIsHeadless() && SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool ModeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    if (a.Width != b.Width)
        return a.Width < b.Width;
    if (a.Height != b.Height)
        return a.Height < b.Height;
    return a.RefreshRate < b.RefreshRate;
}

bool ModeEqual(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate;
}
} // namespace

AdapterSettings::AdapterSettings()
    : depthFormats{D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D32},
      multiSampleTypes{D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_NONMASKABLE, D3DMULTISAMPLE_2_SAMPLES,
                       D3DMULTISAMPLE_4_SAMPLES}
{
}

AdapterSettings& Settings()
{
    static AdapterSettings settings;
    return settings;
}

std::vector<D3DDISPLAYMODE> AdapterModes(D3DFORMAT format)
{
    std::vector<D3DDISPLAYMODE> modes;
    if (format != D3DFMT_X8R8G8B8)
        return modes;
    if (SdlVideoReady())
    {
        const int count = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < count; ++i)
        {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > 0 && mode.h > 0)
                modes.push_back({UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8});
        }
    }
    if (modes.empty())
        for (const SIZE& size : kHeadlessModes)
            modes.push_back({UINT(size.cx), UINT(size.cy), kHeadlessDesktop.RefreshRate, D3DFMT_X8R8G8B8});
    std::sort(modes.begin(), modes.end(), ModeLess);
    modes.erase(std::unique(modes.begin(), modes.end(), ModeEqual), modes.end());
    return modes;
}

D3DDISPLAYMODE DesktopMode()
{
    SDL_DisplayMode mode;
    if (SdlVideoReady() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0)
        return {UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8};
    return kHeadlessDesktop;
}

bool IsDisplayFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8;
}

bool IsBackBufferFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

bool IsDepthFormatSupported(D3DFORMAT format)
{
    const auto& formats = Settings().depthFormats;
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

HRESULT CheckFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    const FormatInfo info = GetFormatInfo(format);
    const DWORD known = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                        D3DUSAGE_WRITEONLY | D3DUSAGE_QUERY_FILTER | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING;
    if (usage & ~known)
        return D3DERR_NOTAVAILABLE;
    if (type != D3DRTYPE_SURFACE && type != D3DRTYPE_TEXTURE && type != D3DRTYPE_CUBETEXTURE)
        return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        return info.kind == FormatKind::Depth && IsDepthFormatSupported(format) ? D3D_OK
                                                                                : D3DERR_NOTAVAILABLE;
    if (info.kind == FormatKind::Depth)
        return D3DERR_NOTAVAILABLE;
    if (info.kind != FormatKind::Color && info.kind != FormatKind::Compressed)
        return D3DERR_NOTAVAILABLE;
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)) && !info.renderTarget)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT CheckMultiSample(D3DFORMAT format, D3DMULTISAMPLE_TYPE type, DWORD* qualityLevels)
{
    const FormatInfo info = GetFormatInfo(format);
    // Without multisampling every colour format qualifies (float targets
    // included); with it only the integer render-target formats.
    const bool colorOk = info.kind == FormatKind::Color &&
                         (type == D3DMULTISAMPLE_NONE || (info.renderTarget && !info.floatChannels));
    const bool renderable = colorOk || (info.kind == FormatKind::Depth && IsDepthFormatSupported(format));
    const auto& types = Settings().multiSampleTypes;
    const bool supported = std::find(types.begin(), types.end(), type) != types.end();
    if (!renderable || !supported)
    {
        if (qualityLevels)
            *qualityLevels = 0;
        return D3DERR_NOTAVAILABLE;
    }
    if (qualityLevels)
        *qualityLevels = type == D3DMULTISAMPLE_NONMASKABLE ? 4 : 1;
    return D3D_OK;
}

HRESULT CheckDepthMatch(D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat)
{
    const FormatInfo target = GetFormatInfo(renderTargetFormat);
    if (target.kind != FormatKind::Color || !target.renderTarget)
        return D3DERR_NOTAVAILABLE;
    return IsDepthFormatSupported(depthFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

D3DCAPS9 MakeCaps(bool hardwareVertexProcessing)
{
    D3DCAPS9 caps = {};
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = 0;
    caps.DevCaps = hardwareVertexProcessing ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
    caps.MaxTextureWidth = 8192;
    caps.MaxTextureHeight = 8192;
    caps.MaxAnisotropy = 16;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxPointSize = 256.0f;
    caps.MaxPrimitiveCount = kMaxPrimitiveCount;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = 16;
    caps.MaxStreamStride = 508;
    caps.VertexShaderVersion = Settings().vertexShaderVersion;
    caps.MaxVertexShaderConst = 256;
    caps.PixelShaderVersion = Settings().pixelShaderVersion;
    caps.NumSimultaneousRTs = 4;
    return caps;
}

std::vector<Device*>& LiveDevices()
{
    static std::vector<Device*> devices;
    return devices;
}
} // namespace tk::d3d9
