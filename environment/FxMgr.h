#pragma once
// EFxMgr: the particle-effect system.
// STAND-IN: only what the frame driver and the focus manager call; the
// particle-effect work replaces this file with the whole EFxMgr.

class EFxMgr
{
public:
    virtual ~EFxMgr() = default;
    // Before the scene: batches the visible sprite effects by texture.
    void UpdateSprites() {}
    void OnLostDevice() {}
    void OnResetDevice() {}
};

extern EFxMgr g_FxMgr;
