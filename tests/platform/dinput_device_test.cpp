// The DirectInput keyboard and buffered mouse.
#include "dinput_fixture.h"

#include "support/TestWindow.h"

namespace
{
TEST_F(DInputTest, CreatesTheSystemKeyboardAndMouseOnly)
{
    LPDIRECTINPUTDEVICE8 device = reinterpret_cast<LPDIRECTINPUTDEVICE8>(1);
    EXPECT_EQ(m_input->CreateDevice(IID_IDirectInput8, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(m_input->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_NE(Create(GUID_SysKeyboard), nullptr);
    EXPECT_NE(Create(GUID_SysMouse), nullptr);
    EXPECT_EQ(TkDInputLiveDevices(), 2u);
    m_devices.back()->AddRef();
    EXPECT_EQ(m_devices.back()->Release(), 1u);
}

TEST_F(DInputTest, SetUpCallsCheckTheirArguments)
{
    LPDIRECTINPUTDEVICE8 k = Create(GUID_SysKeyboard);
    LPDIRECTINPUTDEVICE8 m = Create(GUID_SysMouse);
    testing::internal::CaptureStderr();
    EXPECT_EQ(k->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(m->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(k->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    // Acquiring needs a data format.
    EXPECT_EQ(k->Acquire(), DIERR_INVALIDPARAM);

    struct Level
    {
        DWORD flags;
        HRESULT expected;
    };
    const Level levels[] = {
        {DISCL_FOREGROUND, DIERR_INVALIDPARAM},
        {DISCL_EXCLUSIVE, DIERR_INVALIDPARAM},
        {DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, DIERR_INVALIDPARAM},
        {DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_EXCLUSIVE, DIERR_INVALIDPARAM},
        {DISCL_BACKGROUND | DISCL_EXCLUSIVE, DIERR_UNSUPPORTED},
        {0x100 | DISCL_FOREGROUND | DISCL_EXCLUSIVE, DIERR_INVALIDPARAM},
        {DISCL_BACKGROUND | DISCL_NONEXCLUSIVE, DI_OK},
        {DISCL_FOREGROUND | DISCL_EXCLUSIVE | DISCL_NOWINKEY, DI_OK},
    };
    for (const Level& l : levels)
        EXPECT_EQ(k->SetCooperativeLevel(m_hwnd, l.flags), l.expected) << std::hex << l.flags;
    EXPECT_EQ(k->SetCooperativeLevel(reinterpret_cast<HWND>(0x1234), DISCL_FOREGROUND | DISCL_EXCLUSIVE),
              E_HANDLE);

    DIPROPDWORD size = BufferSize(16);
    EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, nullptr), DIERR_INVALIDPARAM);
    size.diph.dwHeaderSize = 4;
    EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_INVALIDPARAM);
    size = BufferSize(16);
    size.diph.dwHow = 1;
    EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_INVALIDPARAM);
    size = BufferSize(16);
    testing::internal::CaptureStderr();
    EXPECT_EQ(m->SetProperty(GUID_SysMouse, &size.diph), DIERR_UNSUPPORTED);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);

    // Nothing of the set-up changes while the device is acquired.
    EXPECT_EQ(m->SetDataFormat(&c_dfDIMouse), DI_OK);
    EXPECT_EQ(m->SetCooperativeLevel(m_hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DI_OK);
    EXPECT_EQ(m->Acquire(), DI_OK);
    EXPECT_EQ(m->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(m->SetDataFormat(&c_dfDIMouse), DIERR_ACQUIRED);
    EXPECT_EQ(m->SetCooperativeLevel(m_hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DIERR_ACQUIRED);
    EXPECT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_ACQUIRED);
    EXPECT_EQ(m->Unacquire(), DI_OK);
    EXPECT_EQ(m->Unacquire(), DI_NOEFFECT);
}

TEST_F(DInputTest, KeyboardStateHasTheHighBitOfEachKeyDown)
{
    LPDIRECTINPUTDEVICE8 k = Keyboard();
    TkInjectKey('W', true);
    TkInjectKey(VK_LSHIFT, true);
    TkInjectKeyScan(VK_RETURN, DIK_NUMPADENTER, true);
    BYTE state[256];
    ASSERT_EQ(k->GetDeviceState(sizeof state, state), DI_OK);
    for (int code = 0; code < 256; ++code)
    {
        const bool down = code == DIK_W || code == DIK_LSHIFT || code == DIK_NUMPADENTER;
        EXPECT_EQ(state[code], down ? 0x80 : 0) << code;
    }
    TkInjectKey('W', false);
    ASSERT_EQ(k->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_EQ(state[DIK_W], 0);
    EXPECT_EQ(k->GetDeviceState(255, state), DIERR_INVALIDPARAM);
    EXPECT_EQ(k->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    k->Unacquire();
    EXPECT_EQ(k->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
}

TEST_F(DInputTest, MouseBufferKeepsEventsInOrderWithTheirOffsets)
{
    LPDIRECTINPUTDEVICE8 m = Mouse();
    TkInjectMouseMove(5, -3);
    TkInjectMouseButton(1, true);
    TkInjectMouseWheel(-1);
    TkInjectMouseButton(1, false);
    TkInjectMouseButton(3, true);
    const auto data = ReadAll(m);
    struct Expected
    {
        DWORD offset;
        LONG value;
    };
    const Expected expected[] = {{DIMOFS_X, 5},    {DIMOFS_Y, -3},      {DIMOFS_BUTTON1, 0x80},
                                 {DIMOFS_Z, -120}, {DIMOFS_BUTTON1, 0}, {DIMOFS_BUTTON3, 0x80}};
    ASSERT_EQ(data.size(), std::size(expected));
    for (size_t i = 0; i < data.size(); ++i)
    {
        EXPECT_EQ(data[i].dwOfs, expected[i].offset) << i;
        EXPECT_EQ(static_cast<LONG>(data[i].dwData), expected[i].value) << i;
        if (i > 0)
        {
            EXPECT_GT(data[i].dwSequence, data[i - 1].dwSequence);
        }
    }
    EXPECT_TRUE(ReadAll(m).empty());
}

TEST_F(DInputTest, MouseReadsNeedABufferAndAnAcquiredDevice)
{
    LPDIRECTINPUTDEVICE8 m = Create(GUID_SysMouse);
    ASSERT_EQ(m->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(m->SetCooperativeLevel(m_hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DI_OK);
    DIDEVICEOBJECTDATA data[4];
    DWORD count = 4;
    EXPECT_EQ(m->GetDeviceData(sizeof data[0], data, &count, 0), DIERR_NOTBUFFERED);
    DIPROPDWORD size = BufferSize(8);
    ASSERT_EQ(m->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
    EXPECT_EQ(m->GetDeviceData(sizeof data[0], data, &count, 0), DIERR_NOTACQUIRED);
    EXPECT_EQ(m->GetDeviceData(16, data, &count, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(m->GetDeviceData(sizeof data[0], data, nullptr, 0), DIERR_INVALIDPARAM);
    testing::internal::CaptureStderr();
    BYTE state[16];
    EXPECT_EQ(m->GetDeviceState(sizeof state, state), DIERR_UNSUPPORTED);
    testing::internal::GetCapturedStderr();
}

TEST_F(DInputTest, AcquiringStartsWithAnEmptyBuffer)
{
    LPDIRECTINPUTDEVICE8 m = Mouse();
    m->Unacquire();
    TkInjectMouseMove(10, 0); // while not acquired: dropped at the next Acquire
    ASSERT_EQ(m->Acquire(), DI_OK);
    TkInjectMouseMove(0, 7);
    const auto data = ReadAll(m);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].dwOfs, static_cast<DWORD>(DIMOFS_Y));
    EXPECT_EQ(data[0].dwData, 7u);
}

TEST_F(DInputTest, ShortReadsLeaveTheRestAndNullDataDropsEvents)
{
    LPDIRECTINPUTDEVICE8 m = Mouse();
    for (int i = 1; i <= 5; ++i)
        TkInjectMouseMove(i, 0);
    DIDEVICEOBJECTDATA data[2];
    DWORD count = 2;
    ASSERT_EQ(m->GetDeviceData(sizeof data[0], data, &count, 0), DI_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(data[0].dwData, 1u);
    EXPECT_EQ(data[1].dwData, 2u);
    count = 1;
    ASSERT_EQ(m->GetDeviceData(sizeof data[0], nullptr, &count, 0), DI_OK);
    EXPECT_EQ(count, 1u); // the 3 is dropped
    TkInjectMouseMove(6, 0);
    const auto rest = ReadAll(m);
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].dwData, 4u);
    EXPECT_EQ(rest[2].dwData, 6u);
    count = INFINITE;
    TkInjectMouseMove(1, 1);
    ASSERT_EQ(m->GetDeviceData(sizeof data[0], nullptr, &count, 0), DI_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(ReadAll(m).empty());
}

TEST_F(DInputTest, FullBufferKeepsTheOldestEventsAndSaysSo)
{
    LPDIRECTINPUTDEVICE8 m = Mouse(4);
    for (int i = 1; i <= 6; ++i)
        TkInjectMouseMove(i, 0);
    HRESULT hr = DI_OK;
    const auto data = ReadAll(m, &hr);
    EXPECT_EQ(hr, DI_BUFFEROVERFLOW);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(data[0].dwData, 1u);
    EXPECT_EQ(data[3].dwData, 4u);
    TkInjectMouseMove(9, 0);
    const auto next = ReadAll(m, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].dwData, 9u);
}

TEST_F(DInputTest, ForegroundDevicesFollowTheFocus)
{
    LPDIRECTINPUTDEVICE8 k = Keyboard();
    LPDIRECTINPUTDEVICE8 m = Mouse();
    HWND other = OpenWindow("Other", RecordingProc, 10, 10, WS_POPUP | WS_VISIBLE);
    SetFocus(other);
    BYTE state[256];
    EXPECT_EQ(k->GetDeviceState(sizeof state, state), DIERR_INPUTLOST);
    EXPECT_EQ(k->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
    HRESULT hr = DI_OK;
    ReadAll(m, &hr);
    EXPECT_EQ(hr, DIERR_INPUTLOST);
    EXPECT_EQ(k->Acquire(), DIERR_OTHERAPPHASPRIO);
    // A background device does not care.
    LPDIRECTINPUTDEVICE8 b = Create(GUID_SysKeyboard);
    ASSERT_EQ(b->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(b->SetCooperativeLevel(m_hwnd, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE), DI_OK);
    EXPECT_EQ(b->Acquire(), DI_OK);
    EXPECT_EQ(b->GetDeviceState(sizeof state, state), DI_OK);

    SetFocus(m_hwnd);
    EXPECT_EQ(k->Acquire(), DI_OK);
    EXPECT_EQ(k->GetDeviceState(sizeof state, state), DI_OK);
    EXPECT_EQ(m->Acquire(), DI_OK);
}

TEST_F(DInputTest, LostInputAndForcedAcquireResultsForTests)
{
    LPDIRECTINPUTDEVICE8 m = Mouse();
    TkDInputLoseDevices();
    HRESULT hr = DI_OK;
    ReadAll(m, &hr);
    EXPECT_EQ(hr, DIERR_INPUTLOST);
    const unsigned before = TkDInputAcquireCalls();
    TkDInputForceAcquireResult(DIERR_INPUTLOST, 2);
    EXPECT_EQ(m->Acquire(), DIERR_INPUTLOST);
    EXPECT_EQ(m->Acquire(), DIERR_INPUTLOST);
    EXPECT_EQ(m->Acquire(), DI_OK);
    EXPECT_EQ(TkDInputAcquireCalls() - before, 3u);
    ReadAll(m, &hr);
    EXPECT_EQ(hr, DI_OK);
}
} // namespace
