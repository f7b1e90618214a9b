#pragma once
// CPhysicsMgr: the physics world and the bodies of scene objects.
// STAND-IN: creates no bodies (so objects keep pPhysicsBody null) and counts
// the calls it gets; the physics work replaces it.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

struct EPhysicsDesc;
struct EOrientation;

class CPhysicsMgr
{
public:
    virtual ~CPhysicsMgr() = default;
    void Init() {}
    // STAND-IN: one step of the physics world by the frame time.
    void Step(float) {}
    void Shutdown() {}
    void CreateObjectBody(HOBJECT, const EPhysicsDesc*) { ++m_iBodyRequests; }
    void RemoveObjectBody(HOBJECT object);
    void MoveObjectBody(HOBJECT, const D3DXVECTOR3*, const EOrientation*) {}
    void OnObjectDeleted(HOBJECT) {}
    void PushObject(HOBJECT, const D3DXVECTOR3*) { ++m_iPushes; }
    void UpdateTruckWheels(HOBJECT) {}

    int m_iBodyRequests = 0;
    int m_iPushes = 0;
};

inline CPhysicsMgr g_PhysicsMgr;
