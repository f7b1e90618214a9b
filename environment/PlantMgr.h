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
    // STAND-IN: builds the grass of the level (once its world has settled).
    void BuildGrass() {}
};

inline EPlantMgr g_PlantMgr;
