// The characters TranslateMessage makes from key-down messages, for a US
// keyboard layout (the layout the game's key names assume).
#include "platform/win32/Keys.h"

#include "platform/win32/Win32.h"

namespace
{
struct CharKey
{
    BYTE vk;
    char plain;
    char shifted;
};

const CharKey kCharKeys[] = {
    {VK_SPACE, ' ', ' '},     {VK_RETURN, '\r', '\r'},   {VK_BACK, '\b', '\b'},   {VK_TAB, '\t', '\t'},
    {VK_ESCAPE, 27, 27},      {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},
    {VK_OEM_4, '[', '{'},     {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
    {VK_MULTIPLY, '*', '*'},  {VK_ADD, '+', '+'},        {VK_SUBTRACT, '-', '-'}, {VK_DECIMAL, '.', '.'},
    {VK_DIVIDE, '/', '/'},
};

const char kShiftedDigits[] = ")!@#$%^&*(";
} // namespace

int TkCharFromVk(int vk, bool shift, bool ctrl)
{
    if (vk >= 'A' && vk <= 'Z')
    {
        if (ctrl)
            return vk - 'A' + 1;
        return shift ? vk : vk - 'A' + 'a';
    }
    if (ctrl)
        return 0;
    if (vk >= '0' && vk <= '9')
        return shift ? kShiftedDigits[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return '0' + (vk - VK_NUMPAD0);
    for (const CharKey& k : kCharKeys)
        if (k.vk == vk)
            return shift ? k.shifted : k.plain;
    return 0;
}

TkKey TkKeyFromChar(int ch, bool* shift)
{
    if (shift)
        *shift = false;
    if (ch <= 0 || ch > 0x7F)
        return TkKey{0, 0};
    // Unshifted first, so a character both hands type ('-', '.') takes the main key.
    for (bool shifted : {false, true})
        for (int vk = 1; vk < 256; ++vk)
            if (vk != VK_MULTIPLY && vk != VK_ADD && vk != VK_SUBTRACT && vk != VK_DECIMAL &&
                vk != VK_DIVIDE && !(vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) &&
                TkCharFromVk(vk, shifted, false) == ch)
            {
                if (shift)
                    *shift = shifted;
                return TkKey{static_cast<BYTE>(vk), TkScanFromVk(vk)};
            }
    return TkKey{0, 0};
}
