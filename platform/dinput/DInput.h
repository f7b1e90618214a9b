#pragma once
// DirectInput 8 as the game uses it: the DirectInput object, a keyboard read as
// a 256-byte immediate state in DIK_* scan codes, and a buffered mouse whose
// events carry DIMOFS_* offsets. Both devices read what platform/win32/Input.h
// keeps, so SDL events, the event script and tests reach them alike.
//
// Acquisition follows DirectInput: a FOREGROUND device can only be acquired
// while its window has the focus, and loses acquisition when the focus leaves
// it (the next read answers DIERR_INPUTLOST, later ones DIERR_NOTACQUIRED).

#include "platform/win32/Unknown.h"
#include "platform/win32/WinTypes.h"

#define DIRECTINPUT_VERSION 0x0800

// ---- Results ------------------------------------------------------------------
#define DI_OK S_OK
#define DI_NOEFFECT S_FALSE
#define DI_PROPNOEFFECT S_FALSE
#define DI_BUFFEROVERFLOW S_FALSE
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE ((HRESULT)0x80004002)
#define DIERR_UNSUPPORTED E_NOTIMPL
#define DIERR_DEVICENOTREG ((HRESULT)0x80040154)
#define DIERR_NOTBUFFERED ((HRESULT)0x80040207)
#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047E)
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481)
#define DIERR_OTHERAPPHASPRIO ((HRESULT)0x80070005)
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000C)
#define DIERR_NOTINITIALIZED ((HRESULT)0x80070015)
#define DIERR_INPUTLOST ((HRESULT)0x8007001E)
#define DIERR_ACQUIRED ((HRESULT)0x800700AA)
#define E_HANDLE ((HRESULT)0x80070006)

// ---- Identifiers (values of this layer's own; only their identity matters) -----
extern const GUID IID_IDirectInput8A;
#define IID_IDirectInput8 IID_IDirectInput8A
extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;
extern const GUID DIPROP_BUFFERSIZE_GUID;
#define DIPROP_BUFFERSIZE DIPROP_BUFFERSIZE_GUID

// ---- Cooperative levels ---------------------------------------------------------
#define DISCL_EXCLUSIVE 0x00000001
#define DISCL_NONEXCLUSIVE 0x00000002
#define DISCL_FOREGROUND 0x00000004
#define DISCL_BACKGROUND 0x00000008
#define DISCL_NOWINKEY 0x00000010

// ---- Data formats -----------------------------------------------------------------
// The two formats the game sets; a device takes only the one of its kind.
struct DIDATAFORMAT
{
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize; // bytes of the immediate state
    DWORD dwNumObjs;
    const void* rgodf;
};
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;
#define DIDF_ABSAXIS 0x00000001
#define DIDF_RELAXIS 0x00000002
extern const DIDATAFORMAT c_dfDIKeyboard; // 256 bytes, one per DIK_* code
extern const DIDATAFORMAT c_dfDIMouse;    // DIMOUSESTATE

struct DIMOUSESTATE
{
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};

// Object offsets of the mouse's buffered events (offsets into DIMOUSESTATE).
#define DIMOFS_X 0
#define DIMOFS_Y 4
#define DIMOFS_Z 8
#define DIMOFS_BUTTON0 12
#define DIMOFS_BUTTON1 13
#define DIMOFS_BUTTON2 14
#define DIMOFS_BUTTON3 15

// ---- Properties -------------------------------------------------------------------
struct DIPROPHEADER
{
    DWORD dwSize;       // of the whole property record
    DWORD dwHeaderSize; // sizeof(DIPROPHEADER)
    DWORD dwObj;        // 0 with DIPH_DEVICE
    DWORD dwHow;
};
typedef const DIPROPHEADER* LPCDIPROPHEADER;
#define DIPH_DEVICE 0

struct DIPROPDWORD
{
    DIPROPHEADER diph;
    DWORD dwData;
};

// ---- Buffered data ------------------------------------------------------------------
struct DIDEVICEOBJECTDATA
{
    DWORD dwOfs;       // DIMOFS_* of the mouse
    DWORD dwData;      // movement in counts (signed), or 0x80 / 0 for a button
    DWORD dwTimeStamp; // milliseconds, as timeGetTime
    DWORD dwSequence;  // rising
    UINT_PTR uAppData;
};
typedef DIDEVICEOBJECTDATA* LPDIDEVICEOBJECTDATA;
#define DIGDD_PEEK 0x00000001
#define INFINITE 0xFFFFFFFF

// ---- Keyboard scan codes (set 1; extended keys have 0x80 added) ------------------------
#define DIK_ESCAPE 0x01
#define DIK_1 0x02
#define DIK_2 0x03
#define DIK_3 0x04
#define DIK_4 0x05
#define DIK_5 0x06
#define DIK_6 0x07
#define DIK_7 0x08
#define DIK_8 0x09
#define DIK_9 0x0A
#define DIK_0 0x0B
#define DIK_MINUS 0x0C
#define DIK_EQUALS 0x0D
#define DIK_BACK 0x0E
#define DIK_TAB 0x0F
#define DIK_Q 0x10
#define DIK_W 0x11
#define DIK_E 0x12
#define DIK_R 0x13
#define DIK_T 0x14
#define DIK_Y 0x15
#define DIK_U 0x16
#define DIK_I 0x17
#define DIK_O 0x18
#define DIK_P 0x19
#define DIK_LBRACKET 0x1A
#define DIK_RBRACKET 0x1B
#define DIK_RETURN 0x1C
#define DIK_LCONTROL 0x1D
#define DIK_A 0x1E
#define DIK_S 0x1F
#define DIK_D 0x20
#define DIK_F 0x21
#define DIK_G 0x22
#define DIK_H 0x23
#define DIK_J 0x24
#define DIK_K 0x25
#define DIK_L 0x26
#define DIK_SEMICOLON 0x27
#define DIK_APOSTROPHE 0x28
#define DIK_GRAVE 0x29
#define DIK_LSHIFT 0x2A
#define DIK_BACKSLASH 0x2B
#define DIK_Z 0x2C
#define DIK_X 0x2D
#define DIK_C 0x2E
#define DIK_V 0x2F
#define DIK_B 0x30
#define DIK_N 0x31
#define DIK_M 0x32
#define DIK_COMMA 0x33
#define DIK_PERIOD 0x34
#define DIK_SLASH 0x35
#define DIK_RSHIFT 0x36
#define DIK_MULTIPLY 0x37
#define DIK_LMENU 0x38
#define DIK_SPACE 0x39
#define DIK_CAPITAL 0x3A
#define DIK_F1 0x3B
#define DIK_F2 0x3C
#define DIK_F3 0x3D
#define DIK_F4 0x3E
#define DIK_F5 0x3F
#define DIK_F6 0x40
#define DIK_F7 0x41
#define DIK_F8 0x42
#define DIK_F9 0x43
#define DIK_F10 0x44
#define DIK_NUMLOCK 0x45
#define DIK_SCROLL 0x46
#define DIK_NUMPAD7 0x47
#define DIK_NUMPAD8 0x48
#define DIK_NUMPAD9 0x49
#define DIK_SUBTRACT 0x4A
#define DIK_NUMPAD4 0x4B
#define DIK_NUMPAD5 0x4C
#define DIK_NUMPAD6 0x4D
#define DIK_ADD 0x4E
#define DIK_NUMPAD1 0x4F
#define DIK_NUMPAD2 0x50
#define DIK_NUMPAD3 0x51
#define DIK_NUMPAD0 0x52
#define DIK_DECIMAL 0x53
#define DIK_F11 0x57
#define DIK_F12 0x58
#define DIK_NUMPADENTER 0x9C
#define DIK_RCONTROL 0x9D
#define DIK_DIVIDE 0xB5
#define DIK_RMENU 0xB8
#define DIK_HOME 0xC7
#define DIK_UP 0xC8
#define DIK_PRIOR 0xC9
#define DIK_LEFT 0xCB
#define DIK_RIGHT 0xCD
#define DIK_END 0xCF
#define DIK_DOWN 0xD0
#define DIK_NEXT 0xD1
#define DIK_INSERT 0xD2
#define DIK_DELETE 0xD3

// ---- Interfaces -------------------------------------------------------------------------
struct IDirectInputDevice8 : IUnknown
{
    virtual HRESULT SetDataFormat(LPCDIDATAFORMAT format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) = 0;
    // DIPROP_BUFFERSIZE only: the number of events the buffered device keeps.
    virtual HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    // The keyboard's 256-byte state: 0x80 for each key down.
    virtual HRESULT GetDeviceState(DWORD size, LPVOID data) = 0;
    // The mouse's buffered events, oldest first: `*inOut` is the room in
    // `data` (records of `objectSize` bytes) and becomes the count taken. A
    // null `data` drops up to `*inOut` events (INFINITE drops all).
    virtual HRESULT GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut,
                                  DWORD flags) = 0;

protected:
    ~IDirectInputDevice8() = default;
};
typedef IDirectInputDevice8 IDirectInputDevice8A;
typedef IDirectInputDevice8* LPDIRECTINPUTDEVICE8;
typedef IDirectInputDevice8* LPDIRECTINPUTDEVICE8A;

struct IDirectInput8 : IUnknown
{
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
