#pragma once
// BezierFollowState: how an object follows a bezier path (world keys
// "bezier_moving_____start_node_name", "bezier_moving_____params0" and
// "bezier_moving_____params1"). Every scene object owns one.
// STAND-IN (in part): the fields the world keys set, with zero defaults; the
// bezier-path work gives Init its own defaults and the fields their use.

#include "platform/win32/WinTypes.h"

constexpr int BEZIER_NODE_NAME_SIZE = 130;

struct BezierFollowState
{
    BezierFollowState() { Init(); }
    void Init();

    BYTE bOn;
    BYTE bOption1;
    BYTE bOption2;
    BYTE bPaused; // the move starts paused
    char szStartNode[BEZIER_NODE_NAME_SIZE];
    int iValue;
    BYTE bFlag1;
    BYTE bFlag2;
    float fValue1;
    float fValue2;
};
