#pragma once
// The one adapter the layer offers: its display modes, the formats and
// multisample types it supports (shaped by the headless controls), and its caps.
// Shared by the Direct3D object and the device so that both answer alike.

#include "platform/d3d9/D3D9.h"

#include <vector>

namespace tk::d3d9
{
class Device;

// What the headless controls set; see HeadlessDevice.h for the defaults.
struct AdapterSettings
{
    int createFailures = 0;
    bool hardwareVertexProcessing = true;
    DWORD vertexShaderVersion = D3DVS_VERSION(3, 0);
    DWORD pixelShaderVersion = D3DPS_VERSION(3, 0);
    std::vector<D3DFORMAT> depthFormats;
    std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes;

    AdapterSettings();
};

AdapterSettings& Settings();

// Display modes of a format, ascending; only X8R8G8B8 has modes. With SDL the
// desktop's modes, headless a fixed list of common ones.
std::vector<D3DDISPLAYMODE> AdapterModes(D3DFORMAT format);
D3DDISPLAYMODE DesktopMode();

bool IsDisplayFormat(D3DFORMAT format);
bool IsBackBufferFormat(D3DFORMAT format);
bool IsDepthFormatSupported(D3DFORMAT format);
// D3D_OK or D3DERR_NOTAVAILABLE, as CheckDeviceFormat answers.
HRESULT CheckFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);
HRESULT CheckMultiSample(D3DFORMAT format, D3DMULTISAMPLE_TYPE type, DWORD* qualityLevels);
HRESULT CheckDepthMatch(D3DFORMAT renderTargetFormat, D3DFORMAT depthFormat);
D3DCAPS9 MakeCaps(bool hardwareVertexProcessing);
// The most primitives one draw call may ask for (the caps' MaxPrimitiveCount).
constexpr DWORD kMaxPrimitiveCount = 0xFFFFFF;

// Every live device, oldest first; device loss reaches all of them.
std::vector<Device*>& LiveDevices();
} // namespace tk::d3d9
