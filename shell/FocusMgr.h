#pragma once
// EFocusMgr: watches the device every frame and decides whether a frame may run.
// STAND-IN (in part): a lost device only pauses the frames; releasing and
// recreating the managers' device objects comes with the device work.

#include "platform/win32/WinTypes.h"

class EFocusMgr
{
public:
    virtual ~EFocusMgr() = default;
    // From now on the window procedure forwards messages.
    void Activate() { m_bOnFocus = 1; }
    // True when a frame may run.
    bool Check();

    DWORD m_dwSavedFogColor = 0;
    BYTE m_bOnFocus = 0;
};

extern EFocusMgr g_FocusMgr;
