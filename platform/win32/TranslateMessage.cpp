// TranslateMessage: a key-down of a character key posts WM_CHAR, reading Shift
// and Ctrl as they were when the key message was taken. With SDL, printable
// characters come from SDL's text input instead (keyboard layouts, dead keys),
// so only the control characters (Enter, Backspace, Tab, Escape, Ctrl+letter)
// are made here; each character thus arrives once.
#include "platform/win32/Win32.h"

#include "platform/Backend.h"
#include "platform/win32/Keys.h"
#include "platform/win32/MessageQueue.h"

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    switch (msg->message)
    {
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_SYSKEYDOWN:
        return TRUE;
    case WM_KEYDOWN:
        break;
    default:
        return FALSE;
    }
    const int vk = static_cast<int>(msg->wParam & 0xFF);
    const int ch = TkCharFromVk(vk, TkKeyDownAtMessage(VK_SHIFT), TkKeyDownAtMessage(VK_CONTROL));
    if (ch == 0 || (ch >= 0x20 && !TkIsHeadless()))
        return TRUE;
    // The character is the next message taken, ahead of keys already waiting.
    TkPostMessageFirst(msg->hwnd, WM_CHAR, static_cast<WPARAM>(ch), msg->lParam);
    return TRUE;
}
