#pragma once
// EFxMgr: the particle effects.
// STAND-IN: every start hands out the one reserved record and nothing is
// drawn; the particle-effect work replaces this file with the whole EFxMgr.

#include "platform/d3dx/D3DXMath.h"

struct EOrientation;

// One live effect.
struct EFx
{
    D3DXVECTOR3 vPosition = {0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 vStartPosition = {0.0f, 0.0f, 0.0f};
};

class EFxMgr
{
public:
    virtual ~EFxMgr() = default;
    EFx* CreateFxByName(const char*, const D3DXVECTOR3* position, const EOrientation*)
    {
        if (position)
            m_Reserved.vPosition = m_Reserved.vStartPosition = *position;
        ++m_iStarted;
        return &m_Reserved;
    }
    // STAND-IN: the pool's level start, frame and level end.
    void Init() {}
    void Update() {}
    void Release() {}
    void ReleaseFx(EFx*) {}
    void Render() {}
    // Before the scene: batches the visible sprite effects by texture.
    void UpdateSprites() {}
    void OnLostDevice() {}
    void OnResetDevice() {}

    EFx m_Reserved;
    int m_iStarted = 0;
};

extern EFxMgr g_FxMgr;
