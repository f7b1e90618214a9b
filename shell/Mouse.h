#pragma once
// EMouse: the buffered DirectInput mouse.
// STAND-IN: the interface the device code calls; the input work fills it in.

#include "platform/win32/WinTypes.h"

class EMouse
{
public:
    virtual ~EMouse() = default;
    bool Create(HWND) { return true; }
    void Poll() {}
    void Release() {}
    // Around a device loss.
    void SaveState() {}
    void RestoreState() {}
};

extern EMouse g_Mouse;
