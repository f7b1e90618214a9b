#pragma once
// DirectInput 8 as the game uses it: the DirectInput object, from which the
// keyboard and the buffered mouse are created. The devices come with the input
// work and will read the state kept by platform/win32/Input.h; until then
// CreateDevice answers that no such device is registered.

#include "platform/win32/WinTypes.h"

#define DIRECTINPUT_VERSION 0x0800

#define DI_OK S_OK
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE ((HRESULT)0x80004002)
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154)
#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047E)
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481)

// Interface and device identifiers (values of this layer's own; only their
// identity matters).
extern const GUID IID_IDirectInput8A;
#define IID_IDirectInput8 IID_IDirectInput8A
extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;

struct IDirectInputDevice8;
typedef IDirectInputDevice8 IDirectInputDevice8A;
typedef IDirectInputDevice8* LPDIRECTINPUTDEVICE8;
typedef IDirectInputDevice8* LPDIRECTINPUTDEVICE8A;

struct IDirectInput8
{
    virtual HRESULT QueryInterface(REFIID riid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8* out, void* outer) = 0;

protected:
    ~IDirectInput8() = default;
};
typedef IDirectInput8 IDirectInput8A;
typedef IDirectInput8* LPDIRECTINPUT8;
typedef IDirectInput8* LPDIRECTINPUT8A;

// Creates the DirectInput object; `version` must be DIRECTINPUT_VERSION and
// `riid` IID_IDirectInput8. The caller releases it.
HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, void** out, void* outer);
