#pragma once
// PAutoMap: the automap and its render target.
// STAND-IN: only the device-object pair the focus manager calls; the screens
// work replaces this file with the whole PAutoMap.

class PAutoMap
{
public:
    virtual ~PAutoMap() = default;
    static void CreateDeviceObjectsThunk() {}
    static void ReleaseDeviceObjectsThunk() {}
};

extern PAutoMap g_AutoMap;
