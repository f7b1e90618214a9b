#pragma once
// EObjectMgr: the placed-object groups of a world ("%s.om").
// STAND-IN: no groups; the placed-object work replaces it.

#include "world/ObjectHandle.h"

class EObjectMgr
{
public:
    virtual ~EObjectMgr() = default;
    void Update() {}
    // Reads the placed-object file of a world.
    bool Load(const char*) { return true; }
    void Setup() {}
    void Release() {}
    // A member object moved, turned, was scaled or changed its flags.
    void UpdateObjectEntry(HOBJECT) {}
};

inline EObjectMgr g_ObjectMgr;
