#pragma once
// ELaserMgr: laser sights.
// STAND-IN: no beams; the weapons work replaces it.

class ELaserMgr
{
public:
    virtual ~ELaserMgr() = default;
    void Update() {}
    void Render() {}
    void Release() {}
    void CreateDeviceObjects() {}
};

inline ELaserMgr g_LaserMgr;
