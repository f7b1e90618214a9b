#pragma once
// BezierFollowState: how an object follows a bezier path (world keys
// "bezier_moving_____start_node_name", "bezier_moving_____params0" and
// "bezier_moving_____params1"). Every scene object owns one; saves store it as
// a 160-byte record in this order.

#include "platform/win32/WinTypes.h"

constexpr int BEZIER_NODE_NAME_SIZE = 130;

struct BezierFollowState
{
    BezierFollowState() { Init(); }
    // The defaults: not following, start at load, stop at blockers, place at load.
    void Init();

    BYTE bOn;             // the object travels on a path
    BYTE bOption1;        // start moving when the world loads
    BYTE bOption2;        // kept and saved; nothing reads it
    BYTE bStopAtBlockers; // what the move's own stop-at-blockers byte returns to after a blocker
    char szStartNode[BEZIER_NODE_NAME_SIZE];
    DWORD iValue;            // how often the object may pass its start node; 0 without limit
    BYTE bFlag1;             // the path's rotations are applied on top of the object's own
    BYTE bFlag2;             // put the object at its path start when the world loads
    double dFirstVisitPause; // seconds waited at the start node the first time
    double dLaterVisitPause; // and on every later visit
};
