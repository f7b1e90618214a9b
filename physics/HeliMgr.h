#pragma once
// EHeliMgr: the scripted helicopters.
// STAND-IN: no helicopters yet; the vehicle work replaces it.

#include "world/ObjectHandle.h"

class EHeliMgr
{
public:
    virtual ~EHeliMgr() = default;
    void ReleaseHeliOfObject(HOBJECT) {}
    void Update() {}
    void UpdateAttachments() {}
    void Reset() {}
    void Release() {}
};

inline EHeliMgr g_HeliMgr;
