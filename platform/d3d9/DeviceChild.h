#pragma once
// Reference counting shared by every object a device creates.
//
// An object has two counts, as the native runtime keeps them: the public count
// that AddRef/Release change, and a private count the device holds while the
// object is bound (texture stage, stream, index buffer, render target, depth
// surface). The object is freed when both reach zero. Only the public count
// makes an object "alive" for Reset: a default-pool texture the game released
// but left bound does not block a reset, one it still holds does.
//
// Three kinds of ownership:
// - Owned: created by the game; holds the device until it is freed.
// - Implicit: back buffers and the automatic depth surface; the device frees
//   them, and a public reference from GetBackBuffer and the like holds the device.
// - Contained: the level surfaces of a texture; their counts are the texture's.

#include "platform/d3d9/D3D9.h"

#include <string>

namespace tk::d3d9
{
class Device;

enum class Ownership
{
    Owned,
    Implicit,
    Contained,
};

class Tracked
{
public:
    Tracked(Device* device, D3DPOOL pool, Ownership ownership);
    virtual ~Tracked();
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;

    ULONG AddRefPublic();
    ULONG ReleasePublic();
    void AddRefPrivate();
    void ReleasePrivate();

    // The object whose counts this one shares (a texture for its level surfaces).
    virtual Tracked* RefHolder() { return this; }
    // What a test sees in the list of live objects.
    virtual std::string Describe() const = 0;
    // A lost device takes the GL objects of its default-pool resources: their
    // contents are gone and they refuse locks until they are released.
    virtual void DropGl() {}
    virtual bool HoldsGl() const { return false; }
    void MarkLost() { m_lost = true; }
    bool IsLost() const { return m_lost; }

    Device* OwnerDevice() const { return m_device; }
    D3DPOOL Pool() const { return m_pool; }
    Ownership GetOwnership() const { return m_ownership; }
    bool IsAlive() const { return m_publicRefs > 0; }
    ULONG PublicRefs() const { return m_publicRefs; }
    ULONG PrivateRefs() const { return m_privateRefs; }
    const std::string& Name() const { return m_name; }
    void SetName(const char* name) { m_name = name ? name : ""; }

private:
    void DestroyIfUnused();

    Device* m_device;
    D3DPOOL m_pool;
    Ownership m_ownership;
    ULONG m_publicRefs;
    ULONG m_privateRefs = 0;
    bool m_lost = false;
    std::string m_name;
};

// The GetDevice of every child: the owning device with a public reference.
HRESULT GetOwnerDevice(Device* device, IDirect3DDevice9** ppDevice);

template <class Interface> class DeviceChild : public Interface, public Tracked
{
public:
    DeviceChild(Device* device, D3DPOOL pool, Ownership ownership) : Tracked(device, pool, ownership) {}

    ULONG AddRef() override { return RefHolder()->AddRefPublic(); }
    ULONG Release() override { return RefHolder()->ReleasePublic(); }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return GetOwnerDevice(OwnerDevice(), ppDevice);
    }
};

// Logs a line once per distinct message: calls the layer does not support, and
// misuse worth a warning, without flooding the console every frame.
void LogOnce(const char* message);

// The object behind an interface pointer, or null for a foreign or null one.
Tracked* AsTracked(IUnknown* object);
} // namespace tk::d3d9
