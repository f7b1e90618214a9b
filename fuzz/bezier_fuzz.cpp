// The bezier node file of a world, read from any bytes: the load must end,
// every path it gives must answer its queries, and an object sent along each
// path must move for a few frames without hanging or reading past a node.
#include "fuzz/FuzzInput.h"

#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("worlds/fuzz.bzr", data, size);
    g_BezierMgr.LoadNodes("worlds\\fuzz.bzr");
    int paths = 0;
    for (const BezierNode* n = g_BezierMgr.GetNodes(); n && paths < 8; n = n->listNext, ++paths)
    {
        g_BezierMgr.GetPathLength(n->name);
        D3DXVECTOR3 p, d;
        g_BezierMgr.GetPointAt(n->name, 3.5, &p, &d);
        g_BezierMgr.GetPointAt(n->name, 1e12, &p, &d);
        const D3DXVECTOR3 probe(1.0f, 2.0f, 3.0f);
        double along = 0.0;
        g_BezierMgr.ProjectPointOnPath(n->name, &probe, &p, &along);
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        if (!o)
            continue;
        BezierFollowState s;
        s.bOn = 1;
        s.iValue = 2;
        std::snprintf(s.szStartNode, sizeof s.szStartNode, "%s", n->name);
        g_Engine.SetObjectBezierFollowState(o, &s);
        g_Engine.StartBezierMoving(o);
        for (int frame = 0; frame < 20; ++frame)
            g_BezierMgr.MoveObject(o, frame % 3 ? 0.05 : 0.5);
        g_Engine.DeleteObject(o);
    }
    g_BezierMgr.DeleteAll();
    fuzzinput::RemoveLogs();
    return 0;
}
