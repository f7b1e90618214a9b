#pragma once
// BezierMgr: the bezier paths objects and cameras move along.
// STAND-IN: knows no paths; the game-flow work replaces it.

#include "world/ObjectHandle.h"

struct BezierNode;

class BezierMgr
{
public:
    virtual ~BezierMgr() = default;
    // The node a path starts at, by name; null when there is none.
    BezierNode* FindPath(const char*) { return nullptr; }
    void EnterNode(HOBJECT, BezierNode*) {}
    bool LoadNodes(const char*) { return true; }
    void UpdateObjectsOnBezier() {}
    void DeleteAll() {}
};

inline BezierMgr g_BezierMgr;
