#pragma once
// The segment tests the items ask before a pick-up: is anything between the
// camera and the hero, or between the camera and the item? Both go through
// the scene's segment test with a filter of their own.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

struct ItemTraceFilter
{
    HOBJECT skip1 = nullptr;
    HOBJECT skip2 = nullptr;
    // The item's own sight line: skinned objects and objects of the items'
    // kind code do not block it.
    bool skipItems = false;
};

// True when an object the filter does not skip lies on the segment.
bool ItemSegmentBlocked(const D3DXVECTOR3& from, const D3DXVECTOR3& to, const ItemTraceFilter& filter);
