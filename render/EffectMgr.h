#pragma once
// EEffectMgr: the compiled effects of the folder "fx" and their handles.
// STAND-IN: only the device-loss pair the focus manager calls; the effect work
// replaces this file with the whole EEffectMgr.

class EEffectMgr
{
public:
    virtual ~EEffectMgr() = default;
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern EEffectMgr g_EffectMgr;
