// The Win32 clocks. Headless they read the virtual clock (see Headless.h);
// with SDL they read the monotonic clock. The counter runs at 10 MHz as it does
// on current Windows.
#include "platform/win32/Clock.h"

#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Win32.h"

#include <errno.h>
#include <sched.h>
#include <time.h>

#include <thread>

namespace
{
constexpr LONGLONG kCounterFrequency = 10000000;
constexpr int64_t kNsPerCounterTick = 1000000000 / kCounterFrequency;
constexpr int64_t kNsPerMs = 1000000;

// The thread that ran the static initialisers is the UI thread.
const std::thread::id g_mainThread = std::this_thread::get_id();

int64_t MonotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void FillSystemTime(SYSTEMTIME* out, bool local)
{
    if (!out)
        return;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts;
    if (local)
        localtime_r(&ts.tv_sec, &parts);
    else
        gmtime_r(&ts.tv_sec, &parts);
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    out->wSecond = static_cast<WORD>(parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(ts.tv_nsec / kNsPerMs);
}
} // namespace

int64_t TkClockNs()
{
    return TkVirtualClock() ? TkHeadlessClockNs() : MonotonicNs();
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count)
        return FALSE;
    if (TkIsHeadless() && !TkHighResolutionCounterAvailable())
    {
        count->QuadPart = 0;
        return FALSE;
    }
    count->QuadPart = TkClockNs() / kNsPerCounterTick;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency)
        return FALSE;
    if (TkIsHeadless() && !TkHighResolutionCounterAvailable())
    {
        frequency->QuadPart = 0;
        return FALSE;
    }
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

DWORD timeGetTime()
{
    // Wraps after 49.7 days, as on Windows.
    return static_cast<DWORD>(static_cast<uint64_t>(TkClockNs() / kNsPerMs));
}

DWORD GetTickCount()
{
    return timeGetTime();
}

void GetLocalTime(SYSTEMTIME* time)
{
    FillSystemTime(time, true);
}

void GetSystemTime(SYSTEMTIME* time)
{
    FillSystemTime(time, false);
}

// On the virtual clock, a Sleep on the UI thread moves the virtual clock instead of
// waiting: a wait for time to pass then ends at once and every run sees the
// same times. Other threads (music) really sleep and leave the clock alone.
void Sleep(DWORD ms)
{
    if (TkVirtualClock() && std::this_thread::get_id() == g_mainThread)
    {
        TkHeadlessAdvanceClockNs(static_cast<int64_t>(ms) * kNsPerMs);
        return;
    }
    if (ms == 0)
    {
        sched_yield();
        return;
    }
    timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * kNsPerMs;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR)
    {
    }
}
