#include "platform/d3d9/DeviceChild.h"

#include "platform/d3d9/Device.h"

#include <cstdio>
#include <set>

namespace tk::d3d9
{
Tracked::Tracked(Device* device, D3DPOOL pool, Ownership ownership)
    : m_device(device), m_pool(pool), m_ownership(ownership),
      m_publicRefs(ownership == Ownership::Owned ? 1 : 0)
{
    if (m_ownership == Ownership::Contained)
        return;
    m_device->RegisterObject(this);
    if (m_ownership == Ownership::Owned)
        m_device->AddRefPrivate();
}

Tracked::~Tracked()
{
    if (m_ownership == Ownership::Contained)
        return;
    m_device->UnregisterObject(this);
    if (m_ownership == Ownership::Owned)
        m_device->ReleasePrivate();
}

ULONG Tracked::AddRefPublic()
{
    if (m_publicRefs++ == 0 && m_ownership == Ownership::Implicit)
        m_device->AddRefPrivate();
    return m_publicRefs;
}

ULONG Tracked::ReleasePublic()
{
    if (m_publicRefs == 0)
    {
        LogOnce("Direct3D: an object was released more often than it was referenced");
        return 0;
    }
    const ULONG left = --m_publicRefs;
    if (left == 0 && m_ownership == Ownership::Implicit)
        m_device->ReleasePrivate(); // may free the device, which frees this surface
    else if (left == 0)
        DestroyIfUnused();
    return left;
}

void Tracked::AddRefPrivate()
{
    ++m_privateRefs;
}

void Tracked::ReleasePrivate()
{
    if (m_privateRefs == 0)
        return;
    --m_privateRefs;
    DestroyIfUnused();
}

void Tracked::DestroyIfUnused()
{
    if (m_ownership == Ownership::Owned && m_publicRefs == 0 && m_privateRefs == 0)
        delete this;
}

HRESULT GetOwnerDevice(Device* device, IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}

void LogOnce(const char* message)
{
    static std::set<std::string> logged;
    if (logged.insert(message).second)
        std::fprintf(stderr, "%s\n", message);
}

Tracked* AsTracked(IUnknown* object)
{
    return object ? dynamic_cast<Tracked*>(object) : nullptr;
}
} // namespace tk::d3d9
