// Key names of the event script. One table; letters, digits and function keys
// are made from their ranges.
#include "platform/win32/Keys.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace
{
struct NamedKey
{
    const char* name;
    BYTE vk;
    BYTE scan;
};

const NamedKey kNamedKeys[] = {
    {"Escape", VK_ESCAPE, 0x01},
    {"Esc", VK_ESCAPE, 0x01},
    {"Enter", VK_RETURN, 0x1C},
    {"Return", VK_RETURN, 0x1C},
    {"Space", VK_SPACE, 0x39},
    {"Tab", VK_TAB, 0x0F},
    {"Backspace", VK_BACK, 0x0E},
    {"Up", VK_UP, 0xC8},
    {"Down", VK_DOWN, 0xD0},
    {"Left", VK_LEFT, 0xCB},
    {"Right", VK_RIGHT, 0xCD},
    {"Shift", VK_LSHIFT, 0x2A},
    {"LShift", VK_LSHIFT, 0x2A},
    {"RShift", VK_RSHIFT, 0x36},
    {"Ctrl", VK_LCONTROL, 0x1D},
    {"Control", VK_LCONTROL, 0x1D},
    {"LCtrl", VK_LCONTROL, 0x1D},
    {"RCtrl", VK_RCONTROL, 0x9D},
    {"Alt", VK_LMENU, 0x38},
    {"LAlt", VK_LMENU, 0x38},
    {"RAlt", VK_RMENU, 0xB8},
    {"Grave", VK_OEM_3, 0x29},
    {"Insert", VK_INSERT, 0xD2},
    {"Delete", VK_DELETE, 0xD3},
    {"Home", VK_HOME, 0xC7},
    {"End", VK_END, 0xCF},
    {"PageUp", VK_PRIOR, 0xC9},
    {"PageDown", VK_NEXT, 0xD1},
    {"Minus", VK_OEM_MINUS, 0x0C},
    {"Equals", VK_OEM_PLUS, 0x0D},
    {"LBracket", VK_OEM_4, 0x1A},
    {"RBracket", VK_OEM_6, 0x1B},
    {"Semicolon", VK_OEM_1, 0x27},
    {"Apostrophe", VK_OEM_7, 0x28},
    {"Backslash", VK_OEM_5, 0x2B},
    {"Comma", VK_OEM_COMMA, 0x33},
    {"Period", VK_OEM_PERIOD, 0x34},
    {"Slash", VK_OEM_2, 0x35},
    {"CapsLock", VK_CAPITAL, 0x3A},
    {"NumLock", VK_NUMLOCK, 0x45},
    {"ScrollLock", VK_SCROLL, 0x46},
    {"Pause", VK_PAUSE, 0xC5},
    {"PrintScreen", VK_SNAPSHOT, 0xB7},
    {"NumEnter", VK_RETURN, 0x9C},
    {"NumPlus", VK_ADD, 0x4E},
    {"NumMinus", VK_SUBTRACT, 0x4A},
    {"NumMultiply", VK_MULTIPLY, 0x37},
    {"NumDivide", VK_DIVIDE, 0xB5},
    {"NumDecimal", VK_DECIMAL, 0x53},
    {"Num0", VK_NUMPAD0, 0x52},
    {"Num1", VK_NUMPAD1, 0x4F},
    {"Num2", VK_NUMPAD2, 0x50},
    {"Num3", VK_NUMPAD3, 0x51},
    {"Num4", VK_NUMPAD4, 0x4B},
    {"Num5", VK_NUMPAD5, 0x4C},
    {"Num6", VK_NUMPAD6, 0x4D},
    {"Num7", VK_NUMPAD7, 0x47},
    {"Num8", VK_NUMPAD8, 0x48},
    {"Num9", VK_NUMPAD9, 0x49},
    {"LWin", VK_LWIN, 0xDB},
    {"RWin", VK_RWIN, 0xDC},
    {"Apps", VK_APPS, 0xDD},
};

// Scan codes of the letters in alphabetical order and of the digits 1..9, 0.
const BYTE kLetterScans[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                               0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
const BYTE kFunctionScans[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58};
} // namespace

TkKey TkKeyFromName(const char* name)
{
    if (!name || !*name)
        return TkKey{0, 0};
    const size_t length = std::strlen(name);
    if (length == 1)
    {
        int c = std::toupper(static_cast<unsigned char>(name[0]));
        if (c >= 'A' && c <= 'Z')
            return TkKey{static_cast<BYTE>(c), kLetterScans[c - 'A']};
        if (c >= '0' && c <= '9')
            return TkKey{static_cast<BYTE>(c), static_cast<BYTE>(c == '0' ? 0x0B : 0x02 + (c - '1'))};
    }
    if ((name[0] == 'F' || name[0] == 'f') && (length == 2 || length == 3) &&
        std::isdigit(static_cast<unsigned char>(name[1])) &&
        (length == 2 || std::isdigit(static_cast<unsigned char>(name[2]))))
    {
        int n = std::atoi(name + 1);
        if (n >= 1 && n <= 12)
            return TkKey{static_cast<BYTE>(VK_F1 + n - 1), kFunctionScans[n - 1]};
    }
    for (const NamedKey& k : kNamedKeys)
        if (TkCompareNames(k.name, name) == 0)
            return TkKey{k.vk, k.scan};
    return TkKey{0, 0};
}

BYTE TkScanFromVk(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return kLetterScans[vk - 'A'];
    if (vk >= '0' && vk <= '9')
        return static_cast<BYTE>(vk == '0' ? 0x0B : 0x02 + (vk - '1'));
    if (vk >= VK_F1 && vk <= VK_F12)
        return kFunctionScans[vk - VK_F1];
    switch (vk)
    {
    case VK_SHIFT:
        return 0x2A;
    case VK_CONTROL:
        return 0x1D;
    case VK_MENU:
        return 0x38;
    }
    // The first entry of the name table for a virtual key is its usual key.
    for (const NamedKey& k : kNamedKeys)
        if (k.vk == vk)
            return k.scan;
    return 0;
}

int TkMessageVk(int vk)
{
    switch (vk)
    {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    }
    return vk;
}

UINT MapVirtualKeyA(UINT code, UINT mapType)
{
    switch (mapType)
    {
    case MAPVK_VK_TO_VSC:
    case MAPVK_VK_TO_VSC_EX:
    {
        const BYTE scan = code < 256 ? TkScanFromVk(static_cast<int>(code)) : 0;
        if (mapType == MAPVK_VK_TO_VSC_EX && (scan & 0x80))
            return 0xE000u | (scan & 0x7Fu);
        return scan & 0x7Fu;
    }
    case MAPVK_VSC_TO_VK:
    {
        const unsigned wanted = (code & 0x7Fu) | ((code & 0xFF00u) == 0xE000u ? 0x80u : 0u);
        if (wanted == 0 || (code & 0xFF00u && (code & 0xFF00u) != 0xE000u))
            return 0;
        for (int vk = 1; vk < 256; ++vk)
            if (TkScanFromVk(vk) == wanted)
                return static_cast<UINT>(vk);
        return 0;
    }
    }
    return 0;
}
