#pragma once
// ESkinMesh: one skinned-mesh instance of a scene object.
// STAND-IN: keeps the transform and the last animation asked for, has no
// animations and no nodes, and is "created" when its model path exists. The
// skinned-mesh work replaces it, including its saved state.

#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

#include <cstdio>

class ESkinMesh
{
public:
    static constexpr float STAND_IN_RADIUS = 32.0f;

    void SetOwner(HOBJECT owner) { m_hObject = owner; }
    bool Create(const char* path);
    void Destroy() { m_bCreated = 0; }
    float GetRadius() const { return STAND_IN_RADIUS; }

    void SetPosition(const D3DXVECTOR3* position) { m_vPosition = *position; }
    void GetPosition(D3DXVECTOR3* out) const { *out = m_vPosition; }
    void SetOrientation(const EOrientation* orientation) { m_Orientation = *orientation; }
    void GetOrientation(EOrientation* out) const { *out = m_Orientation; }
    void SetScale(const D3DXVECTOR3* scale) { m_vScale = *scale; }
    void GetScale(D3DXVECTOR3* out) const { *out = m_vScale; }

    bool HasAnimation(const char*) const { return false; }
    // Slot 0 is the main slot; false when the animation is not found.
    bool SetAnimation(int, const char*, BYTE, float, float) { return false; }
    bool CanAnimationBeInterrupted() const { return true; }
    bool GetNodePosition(const char*, D3DXVECTOR3*) const { return false; }
    void UpdateNodes() {}
    void ComputeBoneMatrices() {}
    bool GetSocket(const char*, D3DXMATRIX*) const { return false; }

    // The instance's own part of a save game; nothing until the real one exists.
    bool SaveState(FILE*) { return true; }
    bool LoadState(FILE*) { return true; }
    // Reads past a stored state that no instance takes.
    static bool SkipState(FILE*) { return true; }

    HOBJECT m_hObject = nullptr;
    BYTE m_bCreated = 0;
    D3DXVECTOR3 m_vPosition = {0.0f, 0.0f, 0.0f};
    EOrientation m_Orientation;
    D3DXVECTOR3 m_vScale = {1.0f, 1.0f, 1.0f};
};
