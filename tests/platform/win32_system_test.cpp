#include "win32_fixture.h"

#include "platform/dinput/DInput.h"

#include <thread>

namespace
{
using Win32SystemTest = Win32Test;

TEST_F(Win32SystemTest, HeadlessMessageBoxIsPrintedAndRecorded)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "DX9.0c or newer\ncould not have been found!", "Tk message", MB_OK), IDOK);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "Message box \"Tk message\": DX9.0c or newer could not have been found!\n");
    EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "Tovak5", MB_YESNO), IDYES);
    const auto& boxes = TkHeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Tk message");
    EXPECT_EQ(boxes[0].text, "DX9.0c or newer\ncould not have been found!");
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_YESNO));
    TkHeadlessReset();
    EXPECT_TRUE(TkHeadlessMessageBoxes().empty());
}

TEST_F(Win32SystemTest, ClocksReadTheVirtualClock)
{
    LARGE_INTEGER frequency, count;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10000000);
    TkHeadlessSetClockMs(1500.25);
    ASSERT_TRUE(QueryPerformanceCounter(&count));
    EXPECT_EQ(count.QuadPart, 15002500);
    EXPECT_EQ(timeGetTime(), 1500u);
    EXPECT_EQ(GetTickCount(), 1500u);

    // Sleep on the UI thread moves the clock instead of waiting.
    Sleep(250);
    EXPECT_EQ(timeGetTime(), 1750u);
    // Other threads really sleep and leave the clock alone.
    std::thread([] { Sleep(1); }).join();
    EXPECT_EQ(timeGetTime(), 1750u);

    // No high-resolution counter: both calls fail, the millisecond clock runs on.
    TkHeadlessSetHighResolutionCounter(false);
    EXPECT_FALSE(QueryPerformanceFrequency(&frequency));
    EXPECT_FALSE(QueryPerformanceCounter(&count));
    TkHeadlessAdvanceClockMs(5);
    EXPECT_EQ(timeGetTime(), 1755u);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST_F(Win32SystemTest, WallClockTimesAreUniversalAndLocal)
{
    // A zone three hours east of Greenwich, with no daylight saving.
    const char* oldZone = std::getenv("TZ");
    std::string saved = oldZone ? oldZone : "";
    ::setenv("TZ", "TKT-3", 1);
    ::tzset();
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    if (oldZone)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();

    EXPECT_GE(utc.wYear, 2024);
    EXPECT_GE(utc.wMonth, 1);
    EXPECT_LE(utc.wMonth, 12);
    EXPECT_LE(utc.wDayOfWeek, 6);
    EXPECT_LE(utc.wMilliseconds, 999);
    const int utcMinute = utc.wHour * 60 + utc.wMinute;
    const int localMinute = local.wHour * 60 + local.wMinute;
    // Three hours apart on the clock face (a minute may tick between the calls).
    const int apart = ((localMinute - utcMinute) % 1440 + 1440) % 1440;
    EXPECT_TRUE(apart == 180 || apart == 181) << apart;
}

TEST_F(Win32SystemTest, ComStartsOncePerThread)
{
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    CoUninitialize();
    SetLastError(1234);
    std::thread([] { EXPECT_EQ(GetLastError(), 0u); }).join();
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST_F(Win32SystemTest, DirectInputObjectIsCreatedForItsOwnVersionOnly)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8, &out, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, GUID_SysMouse, &out, nullptr),
              DIERR_NOINTERFACE);
    ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8, &out, nullptr), DI_OK);
    LPDIRECTINPUT8 input = static_cast<LPDIRECTINPUT8>(out);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->AddRef(), 2u);
    EXPECT_EQ(input->Release(), 1u);
    EXPECT_EQ(input->Release(), 0u);
}
} // namespace

namespace
{
HWND FakeWindow(uintptr_t n)
{
    return reinterpret_cast<HWND>(0x900000 + n * 0x10);
}

SDL_Window* FakeSdl(uintptr_t n)
{
    return reinterpret_cast<SDL_Window*>(0xA00000 + n * 0x10);
}

TEST(Win32Backend, SdlWindowTableKeepsOneEntryPerHandleWithoutALimit)
{
    constexpr uintptr_t kWindows = 20;
    for (uintptr_t i = 0; i < kWindows; ++i)
        TkSetSdlWindow(FakeWindow(i), FakeSdl(i));
    for (uintptr_t i = 0; i < kWindows; ++i)
        EXPECT_EQ(TkGetSdlWindow(FakeWindow(i)), FakeSdl(i)) << i;

    // A handle set again after an earlier one was forgotten is still one
    // entry: forgetting it leaves nothing behind.
    TkSetSdlWindow(FakeWindow(0), nullptr);
    TkSetSdlWindow(FakeWindow(1), FakeSdl(100));
    EXPECT_EQ(TkGetSdlWindow(FakeWindow(1)), FakeSdl(100));
    TkSetSdlWindow(FakeWindow(1), nullptr);
    EXPECT_EQ(TkGetSdlWindow(FakeWindow(1)), nullptr);
    EXPECT_EQ(TkGetSdlWindow(FakeWindow(0)), nullptr);
    EXPECT_EQ(TkGetSdlWindow(nullptr), nullptr);

    for (uintptr_t i = 0; i < kWindows; ++i)
        TkSetSdlWindow(FakeWindow(i), nullptr);
    EXPECT_EQ(TkGetSdlWindow(FakeWindow(kWindows - 1)), nullptr);
}
} // namespace
