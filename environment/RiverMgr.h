#pragma once
// ERiverMgr: objects drifting on rivers.
// STAND-IN: no river objects; the environment work replaces it.

#include "world/ObjectHandle.h"

class ERiverMgr
{
public:
    virtual ~ERiverMgr() = default;
    void RemoveObject(HOBJECT) {}
};

inline ERiverMgr g_RiverMgr;
