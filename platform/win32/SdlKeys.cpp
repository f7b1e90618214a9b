// SDL scancodes (physical key positions) to Windows virtual keys and scan codes.
#include "platform/win32/Keys.h"

#include "platform/win32/Win32.h"

#include <SDL_scancode.h>

namespace
{
struct SdlKey
{
    SDL_Scancode sdl;
    BYTE vk;
    BYTE scan;
};

const SdlKey kSdlKeys[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0xB7},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0xC5},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0xD2},
    {SDL_SCANCODE_HOME, VK_HOME, 0xC7},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0xC9},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0xD3},
    {SDL_SCANCODE_END, VK_END, 0xCF},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0xD1},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0xCD},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0xCB},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0xD0},
    {SDL_SCANCODE_UP, VK_UP, 0xC8},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0xB5},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x9C},
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, 0x4F},
    {SDL_SCANCODE_KP_2, VK_NUMPAD2, 0x50},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, 0x51},
    {SDL_SCANCODE_KP_4, VK_NUMPAD4, 0x4B},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x4C},
    {SDL_SCANCODE_KP_6, VK_NUMPAD6, 0x4D},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, 0x47},
    {SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, 0x49},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0xDD},
    {SDL_SCANCODE_LCTRL, VK_LCONTROL, 0x1D},
    {SDL_SCANCODE_LSHIFT, VK_LSHIFT, 0x2A},
    {SDL_SCANCODE_LALT, VK_LMENU, 0x38},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0xDB},
    {SDL_SCANCODE_RCTRL, VK_RCONTROL, 0x9D},
    {SDL_SCANCODE_RSHIFT, VK_RSHIFT, 0x36},
    {SDL_SCANCODE_RALT, VK_RMENU, 0xB8},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0xDC},
};
} // namespace

TkKey TkKeyFromSdlScancode(int sdlScancode)
{
    if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z)
    {
        const int vk = 'A' + (sdlScancode - SDL_SCANCODE_A);
        return TkKey{static_cast<BYTE>(vk), TkScanFromVk(vk)};
    }
    if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_0)
    {
        // SDL orders the digit row 1..9, 0 as the keyboard does.
        const int vk = sdlScancode == SDL_SCANCODE_0 ? '0' : '1' + (sdlScancode - SDL_SCANCODE_1);
        return TkKey{static_cast<BYTE>(vk), TkScanFromVk(vk)};
    }
    if (sdlScancode >= SDL_SCANCODE_F1 && sdlScancode <= SDL_SCANCODE_F12)
    {
        const int vk = VK_F1 + (sdlScancode - SDL_SCANCODE_F1);
        return TkKey{static_cast<BYTE>(vk), TkScanFromVk(vk)};
    }
    for (const SdlKey& k : kSdlKeys)
        if (k.sdl == sdlScancode)
            return TkKey{k.vk, k.scan};
    return TkKey{0, 0};
}
