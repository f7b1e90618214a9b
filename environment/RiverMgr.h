#pragma once
// ERiverMgr: objects drifting on rivers.
// STAND-IN: no river objects; the environment work replaces it.

#include "world/ObjectHandle.h"

class ERiverMgr
{
public:
    virtual ~ERiverMgr() = default;
    void Init() {}
    void Update() {}
    void Reset() {}
    void RemoveObject(HOBJECT) {}
};

inline ERiverMgr g_RiverMgr;
