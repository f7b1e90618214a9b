#pragma once
// Key translations, all pure tables. A key is named twice: by its Windows
// virtual-key code (what WM_KEYDOWN carries) and by its keyboard scan code as
// DirectInput numbers keys (set 1, with 0x80 added for the extended keys:
// 0x01 Escape, 0x1E A, 0x9D right Ctrl, 0xC8 Up).

#include "platform/win32/WinTypes.h"

struct TkKey
{
    BYTE vk;   // 0: no such key
    BYTE scan; // 0: no scan code
};

// SDL scancode to key; unknown scancodes give {0, 0} and are dropped.
TkKey TkKeyFromSdlScancode(int sdlScancode);
// Script key names ("A", "F1", "Escape", "PageUp", "Grave", "NumEnter", ...),
// without regard to case; {0, 0} for an unknown name. "Shift", "Ctrl" and
// "Alt" are the left-hand keys.
TkKey TkKeyFromName(const char* name);
// The scan code of the usual key for a virtual key (left-hand modifiers, main
// Enter); 0 when there is none.
BYTE TkScanFromVk(int vk);
// The virtual key a window message names for this key: Windows reports the
// left and right Shift, Ctrl and Alt keys as VK_SHIFT, VK_CONTROL and VK_MENU.
int TkMessageVk(int vk);
// The character a US keyboard types for a virtual key; 0 for none. With Ctrl
// a letter gives its control character (Ctrl+A is 1).
int TkCharFromVk(int vk, bool shift, bool ctrl);
// The key a US keyboard types a character with, and whether Shift is held
// for it; {0, 0} for a character no key types.
TkKey TkKeyFromChar(int ch, bool* shift);
