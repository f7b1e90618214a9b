#pragma once
// CCommandMgr: the key commands and their bindings.
// STAND-IN: the interface the device code calls; the input work fills it in.

#include "platform/win32/WinTypes.h"

class CCommandMgr
{
public:
    virtual ~CCommandMgr() = default;
    void ReadKeyboard() {}
    // Creates and acquires the keyboard device; releases it.
    void InitKeyboard(HWND) {}
    void ReleaseKeyboard() {}
};

extern CCommandMgr g_CommandMgr;
