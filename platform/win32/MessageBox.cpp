// Message boxes. With SDL a real dialog; headless one stderr line, recorded for
// tests. Either way the answer is the default button (OK, or Yes for Yes/No),
// as a player who just acknowledges it would give.
#include "platform/win32/Win32.h"

#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "platform/win32/OneLine.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace
{
Uint32 SdlFlags(UINT type)
{
    switch (type & 0xF0)
    {
    case MB_ICONERROR:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
        return SDL_MESSAGEBOX_WARNING;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}
} // namespace

int MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type)
{
    TkRecordMessageBox(caption, text, type);
    const char* shownCaption = caption ? caption : "Error";
    if (TkIsHeadless() ||
        SDL_ShowSimpleMessageBox(SdlFlags(type), shownCaption, text ? text : "", TkGetSdlWindow(hwnd)) != 0)
    {
        std::fprintf(stderr, "Message box \"%s\": %s\n", TkOneLine(shownCaption).c_str(),
                     TkOneLine(text).c_str());
    }
    return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
}
