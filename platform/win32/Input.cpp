#include "platform/win32/Input.h"

#include "platform/win32/Keys.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/Win32.h"
#include "platform/win32/WindowRegistry.h"

#include <deque>

namespace
{
struct InputState
{
    bool vkDown[256] = {};
    bool scanDown[256] = {};
    bool buttons[kMouseButtonCount] = {};
    POINT cursor = {0, 0};
    std::deque<TkMouseEvent> mouseEvents;
    bool overflowed = false;
    DWORD sequence = 0;
};

InputState g_input;

void UpdateModifier(int generic, int left, int right)
{
    g_input.vkDown[generic] = g_input.vkDown[left] || g_input.vkDown[right];
}

void AddMouseEvent(TkMouseEventKind kind, int button, int value)
{
    if (g_input.mouseEvents.size() >= kMouseEventCapacity)
    {
        // A full DirectInput buffer keeps the old events and loses the new.
        g_input.overflowed = true;
        return;
    }
    g_input.mouseEvents.push_back(TkMouseEvent{kind, button, value, timeGetTime(), ++g_input.sequence});
}

WPARAM MouseKeyFlags()
{
    WPARAM flags = 0;
    if (g_input.buttons[0])
        flags |= MK_LBUTTON;
    if (g_input.buttons[1])
        flags |= MK_RBUTTON;
    if (g_input.buttons[2])
        flags |= MK_MBUTTON;
    if (g_input.vkDown[VK_SHIFT])
        flags |= MK_SHIFT;
    if (g_input.vkDown[VK_CONTROL])
        flags |= MK_CONTROL;
    return flags;
}

LPARAM CursorParam()
{
    return MAKELPARAM(g_input.cursor.x, g_input.cursor.y);
}

// Without a window the cursor still stays where message coordinates (16 bits)
// can carry it, however far the mouse is moved.
constexpr int kCursorMin = -32768;
constexpr int kCursorMax = 32767;

int CursorSum(int from, int delta)
{
    const long long sum = static_cast<long long>(from) + delta;
    return static_cast<int>(sum < kCursorMin ? kCursorMin : sum > kCursorMax ? kCursorMax : sum);
}

void ClampCursor()
{
    g_input.cursor.x = CursorSum(g_input.cursor.x, 0);
    g_input.cursor.y = CursorSum(g_input.cursor.y, 0);
    RECT client;
    HWND target = TkInputWindow();
    if (!target || !GetClientRect(target, &client))
        return;
    if (g_input.cursor.x >= client.right)
        g_input.cursor.x = client.right - 1;
    if (g_input.cursor.y >= client.bottom)
        g_input.cursor.y = client.bottom - 1;
    if (g_input.cursor.x < 0)
        g_input.cursor.x = 0;
    if (g_input.cursor.y < 0)
        g_input.cursor.y = 0;
}

// Decodes one UTF-8 sequence; a byte that starts no valid sequence stands for
// itself (Latin-1), so any text can be typed.
unsigned NextCodePoint(const unsigned char*& p)
{
    unsigned c = *p++;
    int extra = c >= 0xF8 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c < 0x80 || !extra)
        return c;
    unsigned cp = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i)
    {
        if ((p[i] & 0xC0) != 0x80)
            return c;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return cp;
}
} // namespace

void TkInjectKey(int vk, bool down)
{
    TkInjectKeyScan(vk, TkScanFromVk(vk), down);
}

void TkInjectKeyScan(int vk, int scan, bool down)
{
    vk &= 0xFF;
    scan &= 0xFF;
    if (!vk)
        return;
    // The either-hand codes stand for the left-hand key, so that the
    // either-hand state below stays the sum of the two hands.
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        vk = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    const bool wasDown = g_input.vkDown[vk];
    g_input.vkDown[vk] = down;
    if (scan)
        g_input.scanDown[scan] = down;
    UpdateModifier(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    UpdateModifier(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    UpdateModifier(VK_MENU, VK_LMENU, VK_RMENU);

    // Windows sends Alt, F10 and keys pressed with Alt held as system keys.
    const int messageVk = TkMessageVk(vk);
    const bool altHeld = g_input.vkDown[VK_MENU] || messageVk == VK_MENU;
    const bool system = altHeld || messageVk == VK_F10;
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan & 0x7F) << 16);
    if (scan & 0x80)
        lParam |= 1 << 24; // extended key
    if (g_input.vkDown[VK_MENU])
        lParam |= 1 << 29; // Alt held
    if (wasDown || !down)
        lParam |= 1 << 30; // was down before (auto-repeat, or any release)
    if (!down)
        lParam |= static_cast<LPARAM>(1u << 31);
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    TkPostInputMessage(message, static_cast<WPARAM>(messageVk),
                       static_cast<LPARAM>(static_cast<DWORD>(lParam)));
}

void TkInjectText(const char* utf8)
{
    if (!utf8)
        return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p)
    {
        unsigned cp = NextCodePoint(p);
        if (cp > 0 && cp < 256)
            TkPostInputMessage(WM_CHAR, cp, 1);
    }
}

void TkInjectKeyStrokes(const char* text)
{
    if (!text)
        return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    {
        bool shift = false;
        const TkKey key = TkKeyFromChar(*p, &shift);
        if (!key.vk)
            continue;
        const bool shiftWasDown = g_input.vkDown[VK_LSHIFT];
        if (shift && !shiftWasDown)
            TkInjectKey(VK_LSHIFT, true);
        TkInjectKeyScan(key.vk, key.scan, true);
        TkInjectKeyScan(key.vk, key.scan, false);
        if (shift && !shiftWasDown)
            TkInjectKey(VK_LSHIFT, false);
    }
}

void TkInjectMouseMove(int dx, int dy)
{
    TkInjectMouseMoveTo(CursorSum(g_input.cursor.x, dx), CursorSum(g_input.cursor.y, dy), dx, dy);
}

void TkInjectMouseMoveTo(int x, int y, int dx, int dy)
{
    g_input.cursor.x = x;
    g_input.cursor.y = y;
    ClampCursor();
    if (dx)
        AddMouseEvent(TkMouseEventKind::MoveX, 0, dx);
    if (dy)
        AddMouseEvent(TkMouseEventKind::MoveY, 0, dy);
    if (dx || dy)
        TkPostInputMessage(WM_MOUSEMOVE, MouseKeyFlags(), CursorParam());
}

void TkInjectMouseButton(int button, bool down)
{
    if (button < 0 || button >= kMouseButtonCount)
        return;
    g_input.buttons[button] = down;
    AddMouseEvent(TkMouseEventKind::Button, button, down ? 0x80 : 0);
    static const UINT kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    if (button < 3)
        TkPostInputMessage(down ? kDown[button] : kUp[button], MouseKeyFlags(), CursorParam());
}

void TkInjectMouseWheel(int notches)
{
    if (!notches)
        return;
    const int delta = notches * WHEEL_DELTA;
    AddMouseEvent(TkMouseEventKind::Wheel, 0, delta);
    // The wheel message carries screen coordinates.
    POINT screen = g_input.cursor;
    RECT window;
    if (HWND target = TkInputWindow(); target && GetWindowRect(target, &window))
    {
        screen.x += window.left;
        screen.y += window.top;
    }
    TkPostInputMessage(WM_MOUSEWHEEL, MAKEWPARAM(MouseKeyFlags(), delta), MAKELPARAM(screen.x, screen.y));
}

void TkReleaseAllInput()
{
    for (bool& k : g_input.vkDown)
        k = false;
    for (bool& k : g_input.scanDown)
        k = false;
    for (bool& b : g_input.buttons)
        b = false;
}

bool TkIsVirtualKeyDown(int vk)
{
    return vk >= 0 && vk < 256 && g_input.vkDown[vk];
}

bool TkIsScanKeyDown(int scan)
{
    return scan >= 0 && scan < 256 && g_input.scanDown[scan];
}

void TkGetKeyboardState(BYTE state[256])
{
    if (!state)
        return;
    for (int i = 0; i < 256; ++i)
        state[i] = g_input.scanDown[i] ? 0x80 : 0;
}

bool TkIsMouseButtonDown(int button)
{
    return button >= 0 && button < kMouseButtonCount && g_input.buttons[button];
}

size_t TkReadMouseEvents(TkMouseEvent* out, size_t max)
{
    size_t n = 0;
    while (out && n < max && !g_input.mouseEvents.empty())
    {
        out[n++] = g_input.mouseEvents.front();
        g_input.mouseEvents.pop_front();
    }
    g_input.overflowed = false;
    return n;
}

size_t TkPendingMouseEvents()
{
    return g_input.mouseEvents.size();
}

bool TkMouseEventsOverflowed()
{
    return g_input.overflowed;
}

void TkFlushMouseEvents()
{
    g_input.mouseEvents.clear();
    g_input.overflowed = false;
}

POINT TkGetCursorPosition()
{
    return g_input.cursor;
}

void TkResetInput()
{
    g_input = InputState();
}
