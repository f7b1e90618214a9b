#pragma once
// EMeshMgr: the table of loaded static meshes.
// STAND-IN: counts what the engine asks of it; the mesh work replaces it.

#include "world/ObjectHandle.h"

class EMeshMgr
{
public:
    virtual ~EMeshMgr() = default;
    void ReleaseAll() { ++m_iReleases; }
    // Objects whose meshes the manager updates itself (trees, rubbish).
    void AddUpdateObject(HOBJECT) { ++m_iUpdateObjects; }

    // STAND-IN: saves every mesh's optimisation data (the game's "RepairMultiData" step).
    void SaveAllOpts() { ++m_iOptSaves; }

    int m_iReleases = 0;
    int m_iOptSaves = 0;
    int m_iUpdateObjects = 0;
};

inline EMeshMgr g_MeshMgr;
