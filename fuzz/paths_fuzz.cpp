// The waypoint file "%s.pth" as a level start reads it: every node within
// the number table, every neighbour a node of its own path, every marker
// name ended inside its field, and a route search over what was read stays
// within the route's tables. Runs in a scratch folder of its own (see
// tools/fuzz.sh).

#include "FuzzInput.h"

#include "characters/PathMgr.h"
#include "characters/Postac.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    g_PathMgr.ParseText(reinterpret_cast<const char*>(data), size, "worlds\\fuzz.w.pth");
    int paths = 0;
    for (strPath* p = g_PathMgr.m_pPaths; p; p = p->next)
    {
        if (++paths > MAX_PATHS || p->node_count > static_cast<DWORD>(MAX_PATH_NODE_NUMBERS) ||
            p->marker_count > static_cast<DWORD>(MAX_STICK_MARKERS))
            __builtin_trap();
        for (DWORD i = 0; i < p->marker_count; ++i)
            if (!std::memchr(p->markers[i].name, 0, sizeof p->markers[i].name))
                __builtin_trap();
        for (strPlace* n = p->places; n; n = n->next)
            for (strPlace* m : n->neighbours)
                if (m && CPathMgr::FindNodeByIndex(p, static_cast<int>(m->number)) != m)
                    __builtin_trap();
    }
    if (g_PathMgr.m_pPaths && g_PathMgr.m_pPaths->places)
    {
        auto p = std::make_unique<strpostac>();
        p->path = g_PathMgr.m_pPaths;
        p->place = p->path->places;
        g_PathMgr.FillPathTo(p->place, D3DXVECTOR3(0.0f, 0.0f, 0.0f), p.get(), 128);
        if (p->route_node_count > static_cast<DWORD>(MAX_ROUTE_NODES) ||
            p->path_point_count > static_cast<DWORD>(MAX_ROUTE_POINTS))
            __builtin_trap();
    }
    g_PathMgr.Release();
    fuzzinput::RemoveLogs();
    return 0;
}
