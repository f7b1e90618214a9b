#pragma once
// CAmbientProbe: measures the light reaching a point of the world.
// STAND-IN: the per-world and device-loss calls; the ambient-probe work
// replaces this file with the whole CAmbientProbe.

class CAmbientProbe
{
public:
    virtual ~CAmbientProbe() = default;
    void Init() {}
    void Release() {}
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern CAmbientProbe g_AmbientProbe;
