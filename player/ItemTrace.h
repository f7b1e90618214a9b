#pragma once
// The segment tests the items and weapons ask before a pick-up: is anything
// between two points?
// STAND-IN: until the scene's segment tests are built this tests the segment
// against the world boxes of static mesh objects; the segment-test work
// replaces the body with its own trace and keeps the call.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

struct ItemTraceFilter
{
    HOBJECT skip1 = nullptr;
    HOBJECT skip2 = nullptr;
    bool skipItems = false; // objects of the items' kind code
};

// True when a static mesh object (other than those the filter skips, and
// other than objects kept out of segment tests) lies on the segment.
bool ItemSegmentBlocked(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const ItemTraceFilter& filter);
