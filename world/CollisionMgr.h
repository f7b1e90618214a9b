#pragma once
// CollisionMgr: per-object collision geometry.
// STAND-IN: keeps none; the collision work replaces it.

#include "world/ObjectHandle.h"

class CollisionMgr
{
public:
    virtual ~CollisionMgr() = default;
    void RemoveObject(HOBJECT) {}
};

inline CollisionMgr g_CollisionMgr;
