#pragma once
// The DirectInput tests: the window-layer fixture, the DirectInput object and
// helpers that set devices up as the game does.

#include "win32_fixture.h"

#include "platform/dinput/DInput.h"
#include "platform/dinput/DInputHeadless.h"
#include "platform/win32/Input.h"

#include <vector>

class DInputTest : public Win32Test
{
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        TkDInputResetHeadless();
        void* out = nullptr;
        ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8, &out, nullptr), DI_OK);
        m_input = static_cast<LPDIRECTINPUT8>(out);
        m_hwnd = MakeWindow();
        ASSERT_NE(m_hwnd, nullptr);
    }

    void TearDown() override
    {
        for (LPDIRECTINPUTDEVICE8 device : m_devices)
            device->Release();
        m_devices.clear();
        if (m_input)
            m_input->Release();
        EXPECT_EQ(TkDInputLiveDevices(), 0u);
        TkDInputResetHeadless();
        Win32Test::TearDown();
    }

    LPDIRECTINPUTDEVICE8 Create(REFGUID kind)
    {
        LPDIRECTINPUTDEVICE8 device = nullptr;
        EXPECT_EQ(m_input->CreateDevice(kind, &device, nullptr), DI_OK);
        if (device)
            m_devices.push_back(device);
        return device;
    }

    // The keyboard as the key commands set it up: format, foreground and
    // exclusive, acquired.
    LPDIRECTINPUTDEVICE8 Keyboard()
    {
        LPDIRECTINPUTDEVICE8 k = Create(GUID_SysKeyboard);
        EXPECT_EQ(k->SetDataFormat(&c_dfDIKeyboard), DI_OK);
        EXPECT_EQ(k->SetCooperativeLevel(m_hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DI_OK);
        EXPECT_EQ(k->Acquire(), DI_OK);
        return k;
    }

    static DIPROPDWORD BufferSize(DWORD events)
    {
        DIPROPDWORD p = {};
        p.diph.dwSize = sizeof p;
        p.diph.dwHeaderSize = sizeof p.diph;
        p.diph.dwHow = DIPH_DEVICE;
        p.dwData = events;
        return p;
    }

    // The mouse as the game sets it up, with a buffer of `events`.
    LPDIRECTINPUTDEVICE8 Mouse(DWORD events = 1024)
    {
        LPDIRECTINPUTDEVICE8 m = Create(GUID_SysMouse);
        EXPECT_EQ(m->SetDataFormat(&c_dfDIMouse), DI_OK);
        EXPECT_EQ(m->SetCooperativeLevel(m_hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DI_OK);
        DIPROPDWORD size = BufferSize(events);
        EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
        EXPECT_EQ(m->Acquire(), DI_OK);
        return m;
    }

    // Everything the mouse's buffer holds now.
    static std::vector<DIDEVICEOBJECTDATA> ReadAll(LPDIRECTINPUTDEVICE8 mouse, HRESULT* result = nullptr)
    {
        std::vector<DIDEVICEOBJECTDATA> data(1024);
        DWORD count = static_cast<DWORD>(data.size());
        HRESULT hr = mouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data.data(), &count, 0);
        if (result)
            *result = hr;
        data.resize(SUCCEEDED(hr) ? count : 0);
        return data;
    }

    LPDIRECTINPUT8 m_input = nullptr;
    HWND m_hwnd = nullptr;
    std::vector<LPDIRECTINPUTDEVICE8> m_devices;
};
