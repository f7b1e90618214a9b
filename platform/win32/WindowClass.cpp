// Window classes, icons and cursors. Icons and cursors are never drawn by the
// game itself, so they are handles that only need to be distinct and non-null.
#include "platform/win32/Win32.h"

#include "platform/win32/WindowRegistry.h"

namespace
{
constexpr uintptr_t kIconHandleBase = 0x7E0000;
constexpr uintptr_t kCursorHandleBase = 0x7F0000;

bool IsResourceNumber(LPCSTR name)
{
    return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

uintptr_t ResourceNumber(LPCSTR name)
{
    // Named resources all share one handle; numbered ones get their own.
    return name && IsResourceNumber(name) ? reinterpret_cast<uintptr_t>(name) : 0xFFFF;
}
} // namespace

WORD RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || !wc->lpszClassName ||
        IsResourceNumber(wc->lpszClassName) || !*wc->lpszClassName)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (TkFindWindowClass(wc->lpszClassName))
    {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    TkWindowClass added;
    added.name = wc->lpszClassName;
    added.style = wc->style;
    added.proc = wc->lpfnWndProc;
    added.instance = wc->hInstance;
    return TkAddWindowClass(added);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (!className || IsResourceNumber(className) || !TkFindWindowClass(className))
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (TkClassHasWindows(className))
    {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    return TkRemoveWindowClass(className) ? TRUE : FALSE;
}

HICON LoadIconA(HINSTANCE, LPCSTR name)
{
    return reinterpret_cast<HICON>(kIconHandleBase + ResourceNumber(name));
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name)
{
    return reinterpret_cast<HCURSOR>(kCursorHandleBase + ResourceNumber(name));
}
