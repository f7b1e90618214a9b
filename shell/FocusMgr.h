#pragma once
// EFocusMgr: watches the device every loop pass. When the device is lost it
// releases the default-pool resources of every manager that owns some; when
// the device can be reset it resets it and has every manager recreate them,
// in one fixed order. No frame runs in between.

#include "platform/win32/WinTypes.h"

class EFocusMgr
{
public:
    virtual ~EFocusMgr() = default;
    // From now on the window procedure forwards messages.
    void Activate() { m_bOnFocus = 1; }
    // True when a frame may run.
    bool Check();
    void LoseFocus();
    // Releases, resets and recreates; m_bOnFocus is set again only when the
    // reset succeeded.
    void GainFocus();

    DWORD m_dwSavedFogColor = 0;
    // The device is usable and the window procedure forwards messages.
    BYTE m_bOnFocus = 0;
};

extern EFocusMgr g_FocusMgr;
