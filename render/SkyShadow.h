#pragma once
// ESkyShadow: the sun-shadow cascades.
// STAND-IN: only the device-loss pair the focus manager calls; the sun-shadow
// work replaces this file with the whole ESkyShadow.

class ESkyShadow
{
public:
    virtual ~ESkyShadow() = default;
    void OnLostDevice() {}
    void OnResetDevice() {}
    void Release() {}
};

extern ESkyShadow g_SkyShadow;
