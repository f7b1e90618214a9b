// The keyboard and the buffered mouse. Both read the input state the window
// layer keeps (platform/win32/Input.h); they only add what DirectInput adds
// on top: a data format, a cooperative level, acquisition and the buffer.
#include "platform/dinput/InputDevice.h"

#include "platform/Backend.h"
#include "platform/dinput/DInputHeadless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Win32.h"
#include "platform/win32/WindowRegistry.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace tk::dinput
{
namespace
{
constexpr DWORD kKeyboardStateBytes = 256;

struct Controls
{
    HRESULT forcedAcquire = DI_OK;
    int forcedCount = 0;
    unsigned acquireCalls = 0;
};
Controls g_controls;

// Says once per process that a call the game does not make was made.
void Unsupported(const char* what)
{
    static auto& told = *new std::vector<std::string>();
    if (std::find(told.begin(), told.end(), what) != told.end())
        return;
    told.emplace_back(what);
    std::fprintf(stderr, "DirectInput: %s is not supported\n", what);
}

bool SameGuid(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

DWORD OffsetOf(const TkMouseEvent& e)
{
    switch (e.kind)
    {
    case TkMouseEventKind::MoveX:
        return DIMOFS_X;
    case TkMouseEventKind::MoveY:
        return DIMOFS_Y;
    case TkMouseEventKind::Wheel:
        return DIMOFS_Z;
    case TkMouseEventKind::Button:
        return static_cast<DWORD>(DIMOFS_BUTTON0 + e.button);
    }
    return DIMOFS_X;
}

class InputDevice;
// Never destroyed: devices held by globals are released after every other
// static is gone.
std::vector<InputDevice*>& LiveDevices()
{
    static auto* devices = new std::vector<InputDevice*>();
    return *devices;
}

class InputDevice final : public IDirectInputDevice8
{
public:
    explicit InputDevice(DeviceKind kind) : m_kind(kind) { LiveDevices().push_back(this); }

    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
        {
            Unacquire();
            auto& live = LiveDevices();
            live.erase(std::remove(live.begin(), live.end(), this), live.end());
            delete this;
        }
        return left;
    }

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override
    {
        if (!format)
            return DIERR_INVALIDPARAM;
        if (m_acquired)
            return DIERR_ACQUIRED;
        const DIDATAFORMAT* own = m_kind == DeviceKind::Keyboard ? &c_dfDIKeyboard : &c_dfDIMouse;
        if (format != own)
        {
            Unsupported("a data format other than c_dfDIKeyboard or c_dfDIMouse for its device");
            return DIERR_INVALIDPARAM;
        }
        m_format = format;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override
    {
        if (m_acquired)
            return DIERR_ACQUIRED;
        const DWORD exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD ground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if (flags &
            ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY))
            return DIERR_INVALIDPARAM;
        if ((exclusive != DISCL_EXCLUSIVE && exclusive != DISCL_NONEXCLUSIVE) ||
            (ground != DISCL_FOREGROUND && ground != DISCL_BACKGROUND))
            return DIERR_INVALIDPARAM;
        // Exclusive background access is refused by DirectInput as well.
        if (exclusive == DISCL_EXCLUSIVE && ground == DISCL_BACKGROUND)
            return DIERR_UNSUPPORTED;
        if (!IsWindow(hwnd))
            return E_HANDLE;
        m_hwnd = hwnd;
        m_flags = flags;
        return DI_OK;
    }

    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override
    {
        if (!header)
            return DIERR_INVALIDPARAM;
        if (!SameGuid(property, DIPROP_BUFFERSIZE))
        {
            Unsupported("SetProperty with a property other than DIPROP_BUFFERSIZE");
            return DIERR_UNSUPPORTED;
        }
        if (header->dwHeaderSize != sizeof(DIPROPHEADER) || header->dwSize != sizeof(DIPROPDWORD) ||
            header->dwHow != DIPH_DEVICE || header->dwObj != 0)
            return DIERR_INVALIDPARAM;
        if (m_acquired)
            return DIERR_ACQUIRED;
        m_bufferSize = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        return DI_OK;
    }

    HRESULT Acquire() override
    {
        ++g_controls.acquireCalls;
        if (g_controls.forcedCount != 0)
        {
            if (g_controls.forcedCount > 0)
                --g_controls.forcedCount;
            return g_controls.forcedAcquire;
        }
        if (!m_format)
            return DIERR_INVALIDPARAM;
        if (m_acquired && !Lost())
            return DI_NOEFFECT;
        m_acquired = false;
        if (m_hwnd && !IsWindow(m_hwnd))
            return E_HANDLE;
        // A foreground device waits for its window to have the focus.
        if (Foreground() && TkFocusWindow() != m_hwnd)
            return DIERR_OTHERAPPHASPRIO;
        m_acquired = true;
        m_lost = false;
        if (m_kind == DeviceKind::Mouse)
        {
            // A device starts with an empty buffer.
            TkFlushMouseEvents();
            m_buffer.clear();
            m_overflow = false;
            Capture(true);
        }
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        if (!m_acquired)
            return DI_NOEFFECT;
        m_acquired = false;
        m_lost = false;
        Capture(false);
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, LPVOID data) override
    {
        if (!data)
            return DIERR_INVALIDPARAM;
        if (m_kind == DeviceKind::Mouse)
        {
            Unsupported("GetDeviceState of the mouse (the game reads its buffer)");
            return DIERR_UNSUPPORTED;
        }
        if (size != kKeyboardStateBytes)
            return DIERR_INVALIDPARAM;
        if (HRESULT hr = CheckReadable(); FAILED(hr))
            return hr;
        TkGetKeyboardState(static_cast<BYTE*>(data));
        return DI_OK;
    }

    HRESULT GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags) override
    {
        if (!inOut || objectSize != sizeof(DIDEVICEOBJECTDATA) || (flags & ~DIGDD_PEEK))
            return DIERR_INVALIDPARAM;
        if (!m_bufferSize)
            return DIERR_NOTBUFFERED;
        if (m_kind == DeviceKind::Keyboard)
        {
            Unsupported("buffered keyboard data");
            return DIERR_UNSUPPORTED;
        }
        if (flags & DIGDD_PEEK)
        {
            Unsupported("GetDeviceData with DIGDD_PEEK");
            return DIERR_UNSUPPORTED;
        }
        if (HRESULT hr = CheckReadable(); FAILED(hr))
            return hr;

        Collect();
        const size_t taken = std::min<size_t>(*inOut, m_buffer.size());
        for (size_t i = 0; i < taken; ++i)
        {
            const TkMouseEvent& e = m_buffer.front();
            if (data)
                data[i] =
                    DIDEVICEOBJECTDATA{OffsetOf(e), static_cast<DWORD>(e.value), e.timeMs, e.sequence, 0};
            m_buffer.pop_front();
        }
        *inOut = static_cast<DWORD>(taken);
        const bool overflow = m_overflow;
        m_overflow = false;
        return overflow ? DI_BUFFEROVERFLOW : DI_OK;
    }

    void MarkLost()
    {
        if (m_acquired)
            m_lost = true;
    }

private:
    bool Foreground() const { return (m_flags & DISCL_FOREGROUND) != 0; }
    bool Exclusive() const { return (m_flags & DISCL_EXCLUSIVE) != 0; }

    // An acquired foreground device is lost once its window no longer has the focus.
    bool Lost()
    {
        if (m_acquired && Foreground() && (!IsWindow(m_hwnd) || TkFocusWindow() != m_hwnd))
            m_lost = true;
        return m_lost;
    }

    HRESULT CheckReadable()
    {
        if (!m_acquired)
            return DIERR_NOTACQUIRED;
        if (Lost())
        {
            m_acquired = false;
            m_lost = false;
            Capture(false);
            return DIERR_INPUTLOST;
        }
        return DI_OK;
    }

    // Moves what happened since the last read into the device's buffer; it
    // keeps the oldest events and loses the rest, as a full buffer does.
    void Collect()
    {
        std::vector<TkMouseEvent> events(TkPendingMouseEvents());
        if (TkMouseEventsOverflowed())
            m_overflow = true;
        events.resize(TkReadMouseEvents(events.data(), events.size()));
        for (const TkMouseEvent& e : events)
        {
            if (m_buffer.size() >= m_bufferSize)
            {
                m_overflow = true;
                break;
            }
            m_buffer.push_back(e);
        }
    }

    // An exclusive mouse owns the pointer: with a window on screen the
    // pointer is hidden and held, and movement keeps coming at the edges.
    void Capture(bool on)
    {
        if (m_kind != DeviceKind::Mouse || !Exclusive() || TkIsHeadless())
            return;
        SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
    }

    ULONG m_refs = 1;
    DeviceKind m_kind;
    const DIDATAFORMAT* m_format = nullptr;
    HWND m_hwnd = nullptr;
    DWORD m_flags = 0;
    DWORD m_bufferSize = 0;
    bool m_acquired = false;
    bool m_lost = false;
    std::deque<TkMouseEvent> m_buffer; // the mouse's events not yet read
    bool m_overflow = false;           // events were lost since the last read
};
} // namespace

IDirectInputDevice8* CreateInputDevice(DeviceKind kind)
{
    return new InputDevice(kind);
}
} // namespace tk::dinput

void TkDInputLoseDevices()
{
    for (auto* device : tk::dinput::LiveDevices())
        device->MarkLost();
}

void TkDInputForceAcquireResult(HRESULT result, int count)
{
    tk::dinput::g_controls.forcedAcquire = result;
    tk::dinput::g_controls.forcedCount = count;
}

unsigned TkDInputAcquireCalls()
{
    return tk::dinput::g_controls.acquireCalls;
}

unsigned TkDInputLiveDevices()
{
    return static_cast<unsigned>(tk::dinput::LiveDevices().size());
}

void TkDInputResetHeadless()
{
    tk::dinput::g_controls = tk::dinput::Controls();
}
