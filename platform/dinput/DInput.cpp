#include "platform/dinput/DInput.h"

#include <cstdio>
#include <cstring>

const GUID IID_IDirectInput8A = {
    0x746b0001, 0x0001, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x01}};
const GUID GUID_SysKeyboard = {0x746b0001, 0x0002, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x02}};
const GUID GUID_SysMouse = {0x746b0001, 0x0003, 0x4449, {0x54, 0x4b, 0x44, 0x49, 0x38, 0x00, 0x00, 0x03}};

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
    HRESULT QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (!SameGuid(riid, IID_IDirectInput8A))
        {
            *out = nullptr;
            return DIERR_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IDirectInput8*>(this);
        return S_OK;
    }

    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8* out, void*) override
    {
        if (!out)
            return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (!SameGuid(device, GUID_SysKeyboard) && !SameGuid(device, GUID_SysMouse))
            return DIERR_DEVICENOTREG;
        // STAND-IN: the keyboard and mouse devices come with the input work;
        // until then the game runs without DirectInput input.
        static bool told = false;
        if (!told)
        {
            told = true;
            std::fprintf(stderr, "DirectInput: CreateDevice is not available yet\n");
        }
        return DIERR_DEVICENOTREG;
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
