#pragma once
// The keyboard and mouse devices behind IDirectInputDevice8.

#include "platform/dinput/DInput.h"

namespace tk::dinput
{
enum class DeviceKind
{
    Keyboard,
    Mouse,
};

// A new device with one reference.
IDirectInputDevice8* CreateInputDevice(DeviceKind kind);
} // namespace tk::dinput
