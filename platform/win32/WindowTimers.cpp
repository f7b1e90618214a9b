#include "platform/win32/WindowTimers.h"

#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/WindowRegistry.h"

#include <vector>

namespace
{
// Windows raises shorter periods to this minimum.
constexpr UINT kMinimumPeriodMs = 10;
// Ids of timers without a window come from here, out of the way of small ids.
constexpr UINT_PTR kFirstThreadTimerId = 0x7F00;
constexpr int64_t kNsPerMs = 1000000;

struct WindowTimer
{
    HWND hwnd;
    UINT_PTR id;
    int64_t periodNs;
    TIMERPROC proc;
    int64_t dueNs;
};

std::vector<WindowTimer> g_timers;
UINT_PTR g_nextThreadTimerId = kFirstThreadTimerId;

WindowTimer* Find(HWND hwnd, UINT_PTR id)
{
    for (auto& t : g_timers)
        if (t.hwnd == hwnd && t.id == id)
            return &t;
    return nullptr;
}
} // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    if (hwnd && !TkFindWindowRecord(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (elapseMs < kMinimumPeriodMs)
        elapseMs = kMinimumPeriodMs;
    const int64_t now = TkClockNs();
    if (!hwnd)
    {
        // A timer without a window: a new id unless an existing one is named.
        if (!id || !Find(nullptr, id))
            id = g_nextThreadTimerId++;
    }
    else if (!id)
        id = 1; // Windows answers non-zero for a window timer set with id 0

    const int64_t period = static_cast<int64_t>(elapseMs) * kNsPerMs;
    if (WindowTimer* t = Find(hwnd, id))
    {
        t->periodNs = period;
        t->proc = proc;
        t->dueNs = now + period;
        return id;
    }
    g_timers.push_back(WindowTimer{hwnd, id, period, proc, now + period});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    for (auto it = g_timers.begin(); it != g_timers.end(); ++it)
        if (it->hwnd == hwnd && it->id == id)
        {
            g_timers.erase(it);
            return TRUE;
        }
    return FALSE;
}

bool TkTakeDueTimer(HWND filter, UINT filterMin, UINT filterMax, bool remove, MSG* out)
{
    const int64_t now = TkClockNs();
    WindowTimer* best = nullptr;
    for (auto& t : g_timers)
    {
        if (t.dueNs > now || !TkMessagePassesFilter(t.hwnd, WM_TIMER, filter, filterMin, filterMax))
            continue;
        if (!best || t.dueNs < best->dueNs)
            best = &t;
    }
    if (!best)
        return false;
    out->hwnd = best->hwnd;
    out->message = WM_TIMER;
    out->wParam = best->id;
    out->lParam = reinterpret_cast<LPARAM>(best->proc);
    out->time = static_cast<DWORD>(now / kNsPerMs);
    out->pt = TkGetCursorPosition();
    if (remove)
        best->dueNs = now + best->periodNs;
    return true;
}

bool TkAnyTimerDue()
{
    const int64_t now = TkClockNs();
    for (const auto& t : g_timers)
        if (t.dueNs <= now)
            return true;
    return false;
}

TIMERPROC TkTimerProc(HWND hwnd, UINT_PTR id, LPARAM claimed)
{
    const WindowTimer* t = Find(hwnd, id);
    if (!t || !t->proc || reinterpret_cast<LPARAM>(t->proc) != claimed)
        return nullptr;
    return t->proc;
}

void TkKillWindowTimers(HWND hwnd)
{
    std::erase_if(g_timers, [hwnd](const WindowTimer& t) { return t.hwnd == hwnd; });
}

void TkResetTimers()
{
    g_timers.clear();
    g_nextThreadTimerId = kFirstThreadTimerId;
}
