#include "platform/d3d9/HeadlessDevice.h"

#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/Device.h"
#include "platform/d3d9/Formats.h"
#include "platform/d3d9/GlFormat.h"
#include "platform/d3d9/Surface.h"
#include "platform/win32/EventScript.h"

#include <algorithm>

using namespace tk::d3d9;

namespace
{
Device* AsDevice(IDirect3DDevice9* device)
{
    Device* own = device ? dynamic_cast<Device*>(device) : nullptr;
    const auto& live = LiveDevices();
    return own && std::find(live.begin(), live.end(), own) != live.end() ? own : nullptr;
}

template <class T> void SetMember(std::vector<T>& list, T value, bool present)
{
    auto it = std::find(list.begin(), list.end(), value);
    if (present && it == list.end())
        list.push_back(value);
    if (!present && it != list.end())
        list.erase(it);
}

bool OnlyBlanks(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

bool ScriptDeviceLost(const std::string& args)
{
    if (!OnlyBlanks(args))
        return false;
    TkD3D9LoseDevices();
    return true;
}

bool ScriptDeviceRestored(const std::string& args)
{
    if (!OnlyBlanks(args))
        return false;
    TkD3D9RestoreDevices();
    return true;
}

const std::vector<TkDrawRecord> kNoDraws;
} // namespace

void TkD3D9ResetHeadless()
{
    Settings() = AdapterSettings();
    SetDxtUpload(DxtUpload::Auto);
}

void TkD3D9FailCreateDevice(int count)
{
    Settings().createFailures = std::max(0, count);
}

void TkD3D9SetHardwareVertexProcessing(bool available)
{
    Settings().hardwareVertexProcessing = available;
}

void TkD3D9SetShaderVersions(DWORD vertexShaderVersion, DWORD pixelShaderVersion)
{
    Settings().vertexShaderVersion = vertexShaderVersion;
    Settings().pixelShaderVersion = pixelShaderVersion;
}

void TkD3D9SetDepthFormatSupported(D3DFORMAT format, bool supported)
{
    if (GetFormatInfo(format).kind == FormatKind::Depth)
        SetMember(Settings().depthFormats, format, supported);
}

void TkD3D9SetMultiSampleSupported(D3DMULTISAMPLE_TYPE type, bool supported)
{
    if (type != D3DMULTISAMPLE_NONE)
        SetMember(Settings().multiSampleTypes, type, supported);
}

void TkD3D9SetCompressedUpload(bool compressed)
{
    SetDxtUpload(compressed ? DxtUpload::Compressed : DxtUpload::Decoded);
}

void TkD3D9LoseDevices()
{
    for (Device* device : LiveDevices())
        device->Lose();
}

void TkD3D9RestoreDevices()
{
    for (Device* device : LiveDevices())
        device->Restore();
}

void TkD3D9RegisterScriptActions()
{
    TkRegisterScriptAction("device lost", ScriptDeviceLost);
    TkRegisterScriptAction("device restored", ScriptDeviceRestored);
}

IDirect3DDevice9* TkD3D9CurrentDevice()
{
    const auto& live = LiveDevices();
    return live.empty() ? nullptr : live.back();
}

TkDeviceState TkD3D9GetDeviceState(IDirect3DDevice9* device)
{
    Device* own = AsDevice(device);
    return own ? own->State() : TkDeviceState::Ok;
}

UINT TkD3D9GetPresentCount(IDirect3DDevice9* device)
{
    Device* own = AsDevice(device);
    return own ? own->PresentCount() : 0;
}

const std::vector<TkDrawRecord>& TkD3D9GetDrawLog(IDirect3DDevice9* device, TkFrame frame)
{
    Device* own = AsDevice(device);
    return own ? own->DrawLog(frame) : kNoDraws;
}

UINT TkD3D9GetDrawCount(IDirect3DDevice9* device, TkFrame frame)
{
    Device* own = AsDevice(device);
    return own ? own->DrawCount(frame) : 0;
}

std::vector<std::string> TkD3D9GetGlBackedObjects(IDirect3DDevice9* device)
{
    Device* own = AsDevice(device);
    return own ? own->GlBackedObjects() : std::vector<std::string>();
}

std::vector<std::string> TkD3D9GetLiveDefaultPoolObjects(IDirect3DDevice9* device)
{
    Device* own = AsDevice(device);
    return own ? own->LiveDefaultPoolObjects() : std::vector<std::string>();
}

void TkD3D9SetObjectName(IUnknown* object, const char* name)
{
    if (Tracked* tracked = AsTracked(object))
        tracked->RefHolder()->SetName(name);
}

void TkD3D9HoldDefaultPoolObject(IDirect3DDevice9* device, const void* owner, const char* description)
{
    if (Device* own = AsDevice(device))
        own->HoldExternal(owner, description);
}

void TkD3D9ReleaseDefaultPoolObject(IDirect3DDevice9* device, const void* owner)
{
    if (Device* own = AsDevice(device))
        own->ReleaseExternal(owner);
}

bool TkD3D9ReadSurface(IDirect3DSurface9* surface, TkSurfacePixels* out)
{
    Surface* own = surface ? dynamic_cast<Surface*>(surface) : nullptr;
    if (!own || !out)
        return false;
    *out = {own->ReadBits(), static_cast<INT>(own->Pitch()), own->Width(), own->Height(), own->Format()};
    return true;
}

bool TkD3D9ReadShownSurface(IDirect3DSurface9* surface, TkSurfacePixels* out)
{
    Surface* own = surface ? dynamic_cast<Surface*>(surface) : nullptr;
    return own && out && own->OwnerDevice()->ShownPicture(own, out);
}

bool TkD3D9ReadPixel(IDirect3DSurface9* surface, UINT x, UINT y, D3DCOLOR* out)
{
    Surface* own = surface ? dynamic_cast<Surface*>(surface) : nullptr;
    if (!own || !out || x >= own->Width() || y >= own->Height() || own->BytesPerPixel() == 0)
        return false;
    Color4 color;
    if (!UnpackColor(own->Format(), own->ReadPixelAt(x, y), &color))
        return false;
    *out = ArgbFromColor(color);
    return true;
}

bool TkD3D9GetLastPresented(IDirect3DDevice9* device, TkSurfacePixels* out)
{
    Device* own = AsDevice(device);
    return own && out && own->LastPresented(out);
}
