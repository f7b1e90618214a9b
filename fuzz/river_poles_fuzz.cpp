// "scripts\rzeka.txt" and a power-line script under "scripts\slupy", both
// read from the same bytes (the pole script with a "world" line naming this
// world put in front): unknown words, missing poles and sockets, long names
// and damaged numbers must end in lines on the console, never in a read past
// a field, a cable to the origin or a hang.
#include "fuzz/FuzzInput.h"
#include "fuzz/WorldFuzz.h"

#include "environment/RiverMgr.h"
#include "environment/SlupMgr.h"
#include "game/BezierMgr.h"
#include "mesh/MeshSocketsMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace
{
void Start()
{
    fuzzinput::StartLogging();
    StartWorldFuzzDevice("river_poles_fuzz");
    // The river "rzeka", 300 units along x, and two cable sockets on the mesh.
    const char river[] = "bezier_node rzeka\nnr 1\npos 0 0 0\nksztalt1 100 0 0\nksztalt2 200 0 0\n"
                         "next_in_path_nr 2\nbezier_node \nnr 2\npos 300 0 0\nksztalt1 300 0 0\n"
                         "ksztalt2 300 0 0\nnext_in_path_nr 99\n";
    fuzzinput::WriteInput("worlds/fuzzriver.bzr", reinterpret_cast<const uint8_t*>(river), sizeof river - 1);
    const char sockets[] = "mesh_filename m.x\nsocket a 0 5 0\nsocket b 1 4 0\n";
    fuzzinput::WriteInput("scripts/mesh_sockets/m.txt", reinterpret_cast<const uint8_t*>(sockets),
                          sizeof sockets - 1);
    g_MeshSockets.LoadFile("scripts\\mesh_sockets\\m.txt");
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\fuzz.w");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (Start(), true);
    (void)started;
    g_BezierMgr.LoadNodes("worlds\\fuzzriver.bzr");
    fuzzinput::WriteInput("scripts/rzeka.txt", data, size);
    std::string poles = "world fuzz\n";
    poles.append(reinterpret_cast<const char*>(data), size);
    fuzzinput::WriteInput("scripts/slupy/fuzz.txt", reinterpret_cast<const uint8_t*>(poles.data()),
                          poles.size());

    // Poles and river objects the scripts may name.
    const char* names[] = {"p1", "p2", "p3", "crate"};
    for (int i = 0; i < 4; ++i)
        if (HOBJECT o = g_Engine.CreateObject(OT_MESH, "m.x", 0, 0, nullptr, nullptr))
        {
            g_Engine.SetObjectName(o, names[i]);
            const D3DXVECTOR3 at(30.0f * static_cast<float>(i), 0.0f, 4.0f * static_cast<float>(i % 2));
            g_Engine.SetObjectPosition(o, &at, 1);
        }
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 2.0f, 0.0f));
    g_Engine.m_fDeltaTime = 0.5f;

    ERiverMgr& river = g_RiverMgr;
    river.LoadNames();
    river.Init();
    ESlupMgr poleMgr;
    poleMgr.Load();
    for (int frame = 0; frame < 3; ++frame)
    {
        river.Update();
        poleMgr.Update();
        g_Camera.SetPosition(D3DXVECTOR3(20.0f * static_cast<float>(frame + 1), 2.0f, 0.0f));
    }
    poleMgr.Release();
    river.Reset();
    g_Engine.DeleteAllObjects();
    g_BezierMgr.DeleteAll();
    fuzzinput::RemoveLogs();
    return 0;
}
