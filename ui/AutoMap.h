#pragma once
// PAutoMap: the automap and its render target.
// STAND-IN: the per-world and device-object calls; the screens work replaces
// this file with the whole PAutoMap.

class PAutoMap
{
public:
    virtual ~PAutoMap() = default;
    void CreateDeviceObjects() {}
    void ReleaseDeviceObjects() {}
    static void CreateDeviceObjectsThunk() {}
    static void ReleaseDeviceObjectsThunk() {}
};

extern PAutoMap g_AutoMap;
