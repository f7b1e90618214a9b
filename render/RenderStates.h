#pragma once
// ERenderStates: the cached render-state changes every pass goes through.
// STAND-IN: only the culling call of the default render states, set straight on
// the device; the renderer work replaces this file with the whole state cache.

#include "platform/win32/WinTypes.h"

class ERenderStates
{
public:
    virtual ~ERenderStates() = default;
    // Counter-clockwise culling on the device; culling is remembered as on.
    void SetCullCCW();

    BYTE m_bCulling = 0;
};

extern ERenderStates g_RenderStates;
