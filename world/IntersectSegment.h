#pragma once
// EIntersectSegment: segment tests against scene objects.
// STAND-IN: keeps no tables; the segment-test work replaces it.

#include "world/ObjectHandle.h"

class EIntersectSegment
{
public:
    virtual ~EIntersectSegment() = default;
    void RemoveObject(HOBJECT) {}
    void RefreshObject(HOBJECT) {}
    void Rebuild() {}
};

inline EIntersectSegment g_IntersectSegment;
