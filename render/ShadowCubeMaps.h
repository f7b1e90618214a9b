#pragma once
// CShadowCubeMaps: point-light cube shadows and the water targets.
// STAND-IN: no shadow slots; the per-world and device-loss calls only. The
// point-light shadow work replaces this file with the whole CShadowCubeMaps.

#include "world/ObjectHandle.h"

class CShadowCubeMaps
{
public:
    virtual ~CShadowCubeMaps() = default;
    void Init() {}
    void Release() {}
    // Gives a light's cube slot back.
    void ReleaseSlot(HOBJECT) {}
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern CShadowCubeMaps g_ShadowCubeMaps;
