#pragma once
// CShadowCubeMaps: point-light cube shadows and the water targets.
// STAND-IN: no shadow slots; the shadow work replaces it.

#include "world/ObjectHandle.h"

class CShadowCubeMaps
{
public:
    virtual ~CShadowCubeMaps() = default;
    void Init() {}
    void Release() {}
    // Gives a light's cube slot back.
    void ReleaseSlot(HOBJECT) {}
};

inline CShadowCubeMaps g_ShadowCubeMaps;
