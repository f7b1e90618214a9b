#pragma once
// CAmbientProbe: measures the light reaching a point of the world.
// STAND-IN: only the device-loss pair the focus manager calls; the ambient-probe
// work replaces this file with the whole CAmbientProbe.

class CAmbientProbe
{
public:
    virtual ~CAmbientProbe() = default;
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern CAmbientProbe g_AmbientProbe;
