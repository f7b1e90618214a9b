// The last-error code and COM start-up. COM itself is not used by this layer
// (the game's COM-shaped interfaces are plain objects); the calls keep the
// counts Windows keeps so callers' pairing works the same.
#include "platform/win32/Win32.h"

namespace
{
thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local int t_comInitialised = 0;
} // namespace

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD error)
{
    t_lastError = error;
}

HRESULT CoInitializeEx(LPVOID, DWORD)
{
    return t_comInitialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (t_comInitialised > 0)
        --t_comInitialised;
}
