// STAND-IN: see PhysicsMgr.h.
#include "physics/PhysicsMgr.h"

#include "world/Object.h"

void CPhysicsMgr::RemoveObjectBody(HOBJECT object)
{
    if (object)
        object->pPhysicsBody = nullptr;
}
