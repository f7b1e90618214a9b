#pragma once
// EWorldMgr: reads world files.
// STAND-IN: reads nothing, so every world starts empty; the world-file work
// replaces it.

class EWorldMgr
{
public:
    virtual ~EWorldMgr() = default;
    // False when the world file failed.
    bool LoadWorld(const char*) { return true; }
};

inline EWorldMgr g_WorldMgr;
