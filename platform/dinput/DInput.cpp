// The DirectInput object: creates the system keyboard and mouse.
#include "platform/dinput/DInput.h"

#include "platform/dinput/InputDevice.h"

#include <cstring>

const GUID IID_IDirectInput8A = {
    0x746b0001, 0x0001, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x01}};
const GUID GUID_SysKeyboard = {0x746b0001, 0x0002, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x02}};
const GUID GUID_SysMouse = {0x746b0001, 0x0003, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x03}};
const GUID DIPROP_BUFFERSIZE_GUID = {
    0x746b0001, 0x0004, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x04}};

// The layouts behind the two formats are fixed by the devices; the records
// only name them.
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 16, 0, 256, 256, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 16, DIDF_RELAXIS, sizeof(DIMOUSESTATE), 7, nullptr};

namespace
{
bool SameGuid(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

class DirectInput final : public IDirectInput8
{
public:
    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8* out, void* outer) override
    {
        if (!out)
            return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (outer)
            return DIERR_NOINTERFACE;
        if (SameGuid(device, GUID_SysKeyboard))
            *out = tk::dinput::CreateInputDevice(tk::dinput::DeviceKind::Keyboard);
        else if (SameGuid(device, GUID_SysMouse))
            *out = tk::dinput::CreateInputDevice(tk::dinput::DeviceKind::Mouse);
        else
            return DIERR_DEVICENOTREG;
        return DI_OK;
    }

private:
    ULONG m_refs = 1;
};
} // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID riid, void** out, void*)
{
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version < DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (version > DIRECTINPUT_VERSION)
        return DIERR_BETADIRECTINPUTVERSION;
    if (!SameGuid(riid, IID_IDirectInput8A))
        return DIERR_NOINTERFACE;
    *out = static_cast<IDirectInput8*>(new DirectInput());
    return DI_OK;
}
