#include "platform/d3d9/GlslShaders.h"

#include "platform/d3d9/Adapter.h"
#include "platform/d3d9/Device.h"

#include <algorithm>

namespace
{
tk::d3d9::Device* AsLiveDevice(IDirect3DDevice9* device)
{
    auto* own = device ? dynamic_cast<tk::d3d9::Device*>(device) : nullptr;
    const auto& live = tk::d3d9::LiveDevices();
    return own && std::find(live.begin(), live.end(), own) != live.end() ? own : nullptr;
}
} // namespace

HRESULT TkSetShaderUniform(IDirect3DDevice9* device, const char* name, TkUniformType type, const void* data,
                           UINT count)
{
    tk::d3d9::Device* own = AsLiveDevice(device);
    if (!own)
        return D3DERR_INVALIDCALL;
    return own->SetUniform(name, type, data, count);
}

std::string TkGetLastShaderLog(IDirect3DDevice9* device)
{
    tk::d3d9::Device* own = AsLiveDevice(device);
    return own ? own->LastShaderLog() : std::string();
}
