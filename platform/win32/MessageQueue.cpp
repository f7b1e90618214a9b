#include "platform/win32/MessageQueue.h"

#include "platform/win32/Clock.h"
#include "platform/win32/Frames.h"
#include "platform/win32/Input.h"
#include "platform/win32/SdlEvents.h"
#include "platform/win32/WindowRegistry.h"
#include "platform/win32/WindowTimers.h"

#include <deque>

namespace
{
// Windows refuses posts beyond this many waiting messages.
constexpr size_t kMaxQueuedMessages = 10000;
const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

std::deque<MSG> g_queue;
bool g_quitPending = false;
int g_quitCode = 0;
bool g_keyAtMessage[256] = {};

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    msg.pt = TkGetCursorPosition();
    return msg;
}

void NoteKeyMessage(const MSG& msg)
{
    const int vk = static_cast<int>(msg.wParam & 0xFF);
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
        g_keyAtMessage[vk] = true;
    else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)
        g_keyAtMessage[vk] = false;
}

bool TakePosted(MSG* out, HWND filter, UINT filterMin, UINT filterMax, bool remove)
{
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it)
    {
        if (!TkMessagePassesFilter(it->hwnd, it->message, filter, filterMin, filterMax))
            continue;
        *out = *it;
        if (remove)
        {
            g_queue.erase(it);
            NoteKeyMessage(*out);
        }
        return true;
    }
    return false;
}
} // namespace

bool TkMessagePassesFilter(HWND msgHwnd, UINT message, HWND filter, UINT filterMin, UINT filterMax)
{
    if (filter == kThreadMessagesOnly)
    {
        if (msgHwnd)
            return false;
    }
    else if (filter && msgHwnd != filter)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (!msg)
        return FALSE;
    TkPumpSdlEvents();
    const bool remove = (removeMsg & PM_REMOVE) != 0;
    // Only a plain look at the whole queue is a pass of the main loop; a
    // filtered peek (flushing keys, say) never starts a frame.
    const bool wholeQueue = hwnd == nullptr && filterMin == 0 && filterMax == 0;
    for (;;)
    {
        if (TakePosted(msg, hwnd, filterMin, filterMax, remove))
            return TRUE;
        // WM_QUIT comes once nothing else is posted, whatever window is asked for.
        if (g_quitPending && TkMessagePassesFilter(nullptr, WM_QUIT, nullptr, filterMin, filterMax))
        {
            *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0);
            if (remove)
                g_quitPending = false;
            return TRUE;
        }
        if (TkTakeDueTimer(hwnd, filterMin, filterMax, remove, msg))
            return TRUE;
        if (!wholeQueue || !TkIdlePass())
            return FALSE;
    }
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST)
    {
        for (HWND each : TkAllWindows())
            PostMessageA(each, message, wParam, lParam);
        return TRUE;
    }
    if (hwnd && !TkFindWindowRecord(hwnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (g_queue.size() >= kMaxQueuedMessages)
    {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    g_queue.push_back(MakeMessage(hwnd, message, wParam, lParam));
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST)
    {
        for (HWND each : TkAllWindows())
            SendMessageA(each, message, wParam, lParam);
        return 0;
    }
    const TkWindowRecord* record = TkFindWindowRecord(hwnd);
    if (!record || !record->proc)
        return 0;
    return record->proc(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    g_quitPending = true;
    g_quitCode = exitCode;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam)
    {
        // Only a procedure a live timer was set with is ever called.
        if (TIMERPROC proc = TkTimerProc(msg->hwnd, msg->wParam, msg->lParam))
            proc(msg->hwnd, WM_TIMER, msg->wParam, timeGetTime());
        return 0;
    }
    return msg->hwnd ? SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

void TkPostInputMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HWND target = TkInputWindow())
        PostMessageA(target, message, wParam, lParam);
}

void TkPostMessageFirst(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && !TkFindWindowRecord(hwnd))
        return;
    g_queue.push_front(MakeMessage(hwnd, message, wParam, lParam));
}

bool TkMessageWaiting()
{
    return !g_queue.empty();
}

bool TkQuitPending()
{
    return g_quitPending;
}

bool TkMessageQueued(HWND hwnd, UINT message)
{
    for (const MSG& m : g_queue)
        if (m.hwnd == hwnd && m.message == message)
            return true;
    return false;
}

bool TkKeyDownAtMessage(int vk)
{
    return vk >= 0 && vk < 256 && g_keyAtMessage[vk];
}

void TkResetMessageQueue()
{
    g_queue.clear();
    g_quitPending = false;
    g_quitCode = 0;
    for (bool& k : g_keyAtMessage)
        k = false;
}
