#pragma once
// CShadowCubeMaps: point-light cube shadows and the water targets.
// STAND-IN: only the device-loss pair the focus manager calls; the point-light
// shadow work replaces this file with the whole CShadowCubeMaps.

class CShadowCubeMaps
{
public:
    virtual ~CShadowCubeMaps() = default;
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern CShadowCubeMaps g_ShadowCubeMaps;
