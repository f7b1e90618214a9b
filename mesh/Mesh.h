#pragma once
// EMesh: one static-mesh instance of a scene object.
// STAND-IN: keeps the transform, scale, rigid-body description and
// path-generation values the object operations hand it, and "creates" a mesh
// when its file can be opened. The mesh work replaces it with the real
// instance over the mesh table.

#include "physics/PhysicsDesc.h"
#include "platform/d3dx/D3DXMath.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct strmesh;

class EMesh
{
public:
    static constexpr float STAND_IN_RADIUS = 8.0f;

    void SetOwner(HOBJECT owner) { m_hObject = owner; }
    // True when the file opens; the mesh table's name becomes the file name.
    bool Create(const char* fileName);
    const char* GetMeshFileName() const { return m_szFileName; }
    strmesh* GetMeshEntry() const { return nullptr; }
    float GetRadius() const { return STAND_IN_RADIUS; }
    void ReleaseMaterials() {}

    void SetTransform(const D3DXVECTOR3* position, const EOrientation* orientation);
    void SetPosition(const D3DXVECTOR3* position) { m_vPosition = *position; }
    void SetRotation(const EOrientation* orientation) { m_Orientation = *orientation; }
    void GetOrientation(EOrientation* out) const { *out = m_Orientation; }
    void RefreshTransform() { ++m_iRefreshes; }
    void SetScale(const D3DXVECTOR3* scale) { m_vScale = *scale; }
    void GetScale(D3DXVECTOR3* out) const { *out = m_vScale; }

    void SetPhysicsDesc(const EPhysicsDesc* desc) { m_PhysicsDesc = *desc; }
    void GetPhysicsDesc(EPhysicsDesc* out) const { *out = m_PhysicsDesc; }
    void SetPathGenParams(const float values[5]);
    void GetPathGenParams(float values[5]) const;
    // The bush sound: a file played while the hero walks through the mesh.
    void SetBushSound(const char* fileName, float range);
    // The painted-texture state is built again from the object's record.
    void ClearTexturePaintState() {}

    HOBJECT m_hObject = nullptr;
    char m_szFileName[128] = {};
    D3DXVECTOR3 m_vPosition = {0.0f, 0.0f, 0.0f};
    EOrientation m_Orientation;
    D3DXVECTOR3 m_vScale = {1.0f, 1.0f, 1.0f};
    EPhysicsDesc m_PhysicsDesc;
    float m_fPathGen[5] = {};
    char m_szBushSound[256] = {};
    float m_fBushRange = 0.0f;
    float m_fBushValue = 0.0f;
    BYTE m_bBushSound = 0;
    int m_iRefreshes = 0; // transform refreshes asked for by flag changes
};
