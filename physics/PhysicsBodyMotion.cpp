// Whether an object's body can move: the renderer keeps such objects out of
// the sun's static cascades and draws them into the dynamic one.
#include "physics/PhysicsMgr.h"

#include "world/Object.h"

#include <btBulletDynamicsCommon.h>

bool CPhysicsMgr::HasMovingBody(HOBJECT object)
{
    if (!object || !object->pPhysicsBody)
        return false;
    const auto* body = static_cast<const btRigidBody*>(object->pPhysicsBody);
    return !body->isStaticObject();
}
