#pragma once
// EPlantMgr: the plants and grass.
// STAND-IN: the per-frame and per-world calls of the engine; the environment work replaces it.

class EPlantMgr
{
public:
    virtual ~EPlantMgr() = default;
    void Update() {}
    void Reset() {}
    void Load() {}
    void Release() {}
};

inline EPlantMgr g_PlantMgr;
