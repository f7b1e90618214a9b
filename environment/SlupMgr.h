#pragma once
// ESlupMgr: the power lines between poles.
// STAND-IN: the per-frame and per-world calls of the engine; the environment work replaces it.

class ESlupMgr
{
public:
    virtual ~ESlupMgr() = default;
    void Update() {}
    void Reset() {}
    void Load() {}
    void Release() {}
};

inline ESlupMgr g_SlupMgr;
