#pragma once
// PAutoMap: the automap.
// STAND-IN: the per-world calls; the screens work replaces it.

class PAutoMap
{
public:
    virtual ~PAutoMap() = default;
    void CreateDeviceObjects() {}
    void ReleaseDeviceObjects() {}
};

inline PAutoMap g_AutoMap;
