#pragma once
// EEffectMgr: the compiled effects.
// STAND-IN: the engine's start and end calls; the effect work replaces it.

class EEffectMgr
{
public:
    virtual ~EEffectMgr() = default;
    void Init() {}
    void Release() {}
};

inline EEffectMgr g_EffectMgr;
