#include "shell/Timer.h"

#include "platform/win32/Win32.h"

namespace
{
// One clock for the whole program. Times are kept as counter ticks; without a
// high-resolution counter the millisecond clock serves, with 1000 ticks a second.
struct TimerState
{
    bool initialised = false;
    bool highResolution = false;
    LONGLONG frequency = 1000;
    LONGLONG stopTime = 0;
    LONGLONG lastElapsedTime = 0;
    LONGLONG baseTime = 0;
    DWORD stopped = 0;
};

TimerState g_timer;

LONGLONG CounterNow()
{
    if (g_timer.highResolution)
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    return static_cast<LONGLONG>(timeGetTime());
}

void InitialiseTimer()
{
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
    {
        g_timer.highResolution = true;
        g_timer.frequency = frequency.QuadPart;
    }
    else
    {
        g_timer.highResolution = false;
        g_timer.frequency = 1000;
    }
    g_timer.initialised = true;
}

double Seconds(LONGLONG ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(g_timer.frequency);
}
} // namespace

double Timer(int command)
{
    if (!g_timer.initialised)
        InitialiseTimer();

    const LONGLONG counter = CounterNow();
    // A stopped clock stands still for everything but start and absolute time.
    const LONGLONG now = (g_timer.stopped && command != TIMER_START && command != TIMER_GETABSOLUTETIME)
                             ? g_timer.stopTime
                             : counter;

    switch (command)
    {
    case TIMER_RESET:
        g_timer.baseTime = now;
        g_timer.lastElapsedTime = now;
        g_timer.stopTime = 0;
        g_timer.stopped = 0;
        return 0.0;
    case TIMER_START:
        if (g_timer.stopped)
            g_timer.baseTime += now - g_timer.stopTime;
        g_timer.stopTime = 0;
        g_timer.lastElapsedTime = now;
        g_timer.stopped = 0;
        return 0.0;
    case TIMER_STOP:
        if (!g_timer.stopped)
        {
            g_timer.stopTime = now;
            g_timer.lastElapsedTime = now;
            g_timer.stopped = 1;
        }
        return 0.0;
    case TIMER_ADVANCE:
        g_timer.stopTime += g_timer.frequency / 10;
        return 0.0;
    case TIMER_GETABSOLUTETIME:
        return Seconds(now);
    case TIMER_GETAPPTIME:
        return Seconds(now - g_timer.baseTime);
    case TIMER_GETELAPSEDTIME:
    {
        const double elapsed = Seconds(now - g_timer.lastElapsedTime);
        g_timer.lastElapsedTime = now;
        return elapsed;
    }
    default:
        return -1.0;
    }
}

void TimerForgetState()
{
    g_timer = TimerState{};
}
