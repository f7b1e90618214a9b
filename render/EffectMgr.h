#pragma once
// EEffectMgr: the compiled effects of the folder "fx" and their handles.
// STAND-IN: the engine's start and end calls and the device-loss pair; the
// effect work replaces this file with the whole EEffectMgr.

class EEffectMgr
{
public:
    virtual ~EEffectMgr() = default;
    void Init() {}
    void Release() {}
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern EEffectMgr g_EffectMgr;
