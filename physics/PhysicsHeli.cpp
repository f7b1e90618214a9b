// The bodies of the helicopter the player flies: a heavy hull (the object's
// own body) and six small part bodies jointed to it, which the flight
// controller pushes.
#include "physics/PhysicsMgr.h"

#include "mesh/Mesh.h"
#include "shell/Console.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstring>

namespace
{
constexpr float kHullMass = 1000.0f;
constexpr float kHullLinearDamping = 0.01f;
constexpr float kHullAngularDamping = 0.14f;
constexpr float kPartHalf = 0.25f;
constexpr float kPartMass = 50.0f;
constexpr float kSmallestHalf = 0.05f;
const btVector3 kPartOffsets[HELI_PHYSICS_BODIES] = {
    {0.0f, 1.0f, 4.0f},  {0.0f, 1.0f, -4.0f}, {2.0f, 1.0f, 0.0f},
    {-2.0f, 1.0f, 0.0f}, {0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, 4.0f},
};
} // namespace

EHeliPhysics* CPhysicsMgr::GetHeliPhysics(HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    return p ? p->pHeli : nullptr;
}

void CPhysicsMgr::FreeHeliPhysics(EObjectPhysics& p)
{
    EHeliPhysics* h = p.pHeli;
    if (!h)
        return;
    for (int i = 0; i < HELI_PHYSICS_BODIES; ++i)
    {
        if (h->pConstraint[i])
        {
            if (m_dynamicsWorld)
                m_dynamicsWorld->removeConstraint(h->pConstraint[i]);
            delete h->pConstraint[i];
        }
        if (h->pBody[i])
        {
            if (m_dynamicsWorld)
                m_dynamicsWorld->removeRigidBody(h->pBody[i]);
            delete h->pBody[i];
        }
        delete h->pMotionState[i];
        delete h->pShape[i];
    }
    delete h;
    p.pHeli = nullptr;
}

void CPhysicsMgr::AddHelicopter(HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    EMesh* mesh =
        object && object->bUsed && object->Type == OT_MESH ? static_cast<EMesh*>(object->Object) : nullptr;
    if (!p || !mesh)
        return;
    if (!m_dynamicsWorld)
    {
        g_Console.Print("!m_dynamicsWorld");
        return;
    }
    RemoveObjectBody(object);
    p->pHeli = new EHeliPhysics;
    std::memset(p->pHeli, 0, sizeof *p->pHeli);
    EHeliPhysics& h = *p->pHeli;

    // The hull: half the object's scale.
    btVector3 half(0.5f * std::fabs(mesh->m_vScale.x), 0.5f * std::fabs(mesh->m_vScale.y),
                   0.5f * std::fabs(mesh->m_vScale.z));
    for (int axis = 0; axis < 3; ++axis)
        if (!std::isfinite(half[axis]) || half[axis] < kSmallestHalf)
            half[axis] = kSmallestHalf;
    const D3DXQUATERNION& q = object->Orientation.Quaternion;
    btQuaternion rotation(q.x, q.y, q.z, q.w);
    if (!std::isfinite(rotation.length2()) || rotation.length2() <= SIMD_EPSILON)
        rotation = btQuaternion::getIdentity();
    const btVector3 origin(object->vPosition.x, object->vPosition.y, object->vPosition.z);
    if (!std::isfinite(origin.length2()))
    {
        g_Console.Print("!mRigidBody");
        return;
    }
    const btTransform hullAt(rotation.normalized(), origin);
    p->pShape = new btBoxShape(half);
    p->pMotionState = new btDefaultMotionState(hullAt);
    btVector3 inertia(0, 0, 0);
    p->pShape->calculateLocalInertia(kHullMass, inertia);
    btRigidBody::btRigidBodyConstructionInfo info(kHullMass, p->pMotionState, p->pShape, inertia);
    btRigidBody* hull = new btRigidBody(info);
    if (!hull)
    {
        g_Console.Print("!mRigidBody");
        return;
    }
    hull->setUserPointer(object);
    hull->setActivationState(DISABLE_DEACTIVATION);
    hull->setDamping(kHullLinearDamping, kHullAngularDamping);
    m_dynamicsWorld->addRigidBody(hull);
    object->pPhysicsBody = hull;
    p->bKinematic = 0;
    p->bSwitchedKinematic = 0;

    for (int i = 0; i < HELI_PHYSICS_BODIES; ++i)
    {
        const btTransform partAt = hullAt * btTransform(btQuaternion::getIdentity(), kPartOffsets[i]);
        h.pShape[i] = new btBoxShape(btVector3(kPartHalf, kPartHalf, kPartHalf));
        h.pMotionState[i] = new btDefaultMotionState(partAt);
        btVector3 partInertia(0, 0, 0);
        h.pShape[i]->calculateLocalInertia(kPartMass, partInertia);
        btRigidBody::btRigidBodyConstructionInfo partInfo(kPartMass, h.pMotionState[i], h.pShape[i],
                                                          partInertia);
        h.pBody[i] = new btRigidBody(partInfo);
        if (!h.pBody[i])
        {
            g_Console.Print("!h->pHeliPhysics->btSmiglo ");
            continue;
        }
        h.pBody[i]->setActivationState(DISABLE_DEACTIVATION);
        m_dynamicsWorld->addRigidBody(h.pBody[i]);
        // Locked in every axis to the hull, at the part's place.
        btTransform inHull(btQuaternion::getIdentity(), kPartOffsets[i]);
        btTransform inPart;
        inPart.setIdentity();
        auto* joint = new btGeneric6DofConstraint(*hull, *h.pBody[i], inHull, inPart, true);
        joint->setLinearLowerLimit(btVector3(0, 0, 0));
        joint->setLinearUpperLimit(btVector3(0, 0, 0));
        joint->setAngularLowerLimit(btVector3(0, 0, 0));
        joint->setAngularUpperLimit(btVector3(0, 0, 0));
        h.pConstraint[i] = joint;
        m_dynamicsWorld->addConstraint(joint, true);
    }
}
