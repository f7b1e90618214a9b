#pragma once
// The root of the COM-shaped interfaces (Direct3D, D3DX, DirectInput, DirectSound): reference counting only.
// An object deletes itself when its last reference is released; nothing in the game asks an object for
// another interface, so there is no QueryInterface.

#include "platform/win32/WinTypes.h"

struct IUnknown
{
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
