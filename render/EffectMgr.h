#pragma once
// EEffectMgr: the compiled effects of the folder "fx" and their handles.
// STAND-IN: the engine's start and end calls and the device-loss pair; the
// effect work replaces this file with the whole EEffectMgr.

#include "platform/d3dx/Effect.h"

// One loaded compiled effect.
// STAND-IN: only the effect itself, which the render-state cache begins and
// ends; the effect work adds the parameter and technique handles.
struct EEffect
{
    ID3DXEffect* m_pEffect = nullptr; // null when the file failed to load
};

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
