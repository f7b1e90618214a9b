// The demo world's bezier paths ("worlds\level01.bzr"): the cart's loop in
// the scripted corner, the fly-through path over the town with the path its
// camera looks along, and a short walk. Also the walk-in gate that lets the
// cart pass its blocker. The fly-through camera rides on the game's own marker
// ("prefabs\special\marker.x", DemoWorldSpecial.cpp).
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* GATE_MESH = "meshes\\demo\\threshold.x";

struct PathNode
{
    const char* name; // the path's name on its first node, "" on the others
    int nr;
    float x, y, z;
    int next; // the following node's number; -1 ends the path
    float speed;
    const char* extra; // further lines, each ended by "\r\n"
};

// Straight segments: the shape controls a third and two thirds of the way.
std::string NodeText(const std::vector<PathNode>& nodes)
{
    std::string text;
    for (const PathNode& n : nodes)
    {
        const PathNode* next = nullptr;
        for (const PathNode& m : nodes)
            if (m.nr == n.next)
                next = &m;
        const float nx = next ? next->x : n.x, ny = next ? next->y : n.y, nz = next ? next->z : n.z;
        char buf[768];
        std::snprintf(buf, sizeof buf,
                      "bezier_node %s\r\nnr %d\r\npos %g %g %g\r\nksztalt1 %g %g %g\r\nksztalt2 %g %g %g\r\n"
                      "fixed_rotation 0 0 0\r\ninterpolation_rotation 0 0 0\r\nvalues %g 0 0 0 0\r\n",
                      n.name, n.nr, n.x, n.y, n.z, n.x + (nx - n.x) / 3.0f, n.y + (ny - n.y) / 3.0f,
                      n.z + (nz - n.z) / 3.0f, n.x + 2.0f * (nx - n.x) / 3.0f, n.y + 2.0f * (ny - n.y) / 3.0f,
                      n.z + 2.0f * (nz - n.z) / 3.0f, n.speed);
        text += buf;
        // A path's last node names a number no node has: the path ends there.
        text += "next_in_path_nr " + std::to_string(next ? next->nr : 999) + "\r\n";
        text += n.extra;
    }
    return text;
}

std::vector<PathNode> DemoPaths()
{
    return {
        // The cart's loop east of the scripted corner: it waits at the start,
        // pauses at the far corner (setting cart_lap)
        // and stops at the blocker until the gate lets it pass.
        {DEMO_CART_PATH, 100, 28.0f, 0.0f, -11.0f, 101, 3.0f, ""},
        {"", 101, 34.0f, 0.0f, -11.0f, 102, 3.0f, ""},
        {"", 102, 34.0f, 0.0f, -15.0f, 103, 3.0f,
         "gameai_set cart_lap\r\npause_in_node 1\r\npause_pause_time 2\r\n"},
        {"", 103, 28.0f, 0.0f, -15.0f, 100, 3.0f, "blocker 1\r\n"},
        // The fly-through over the town, and what its camera looks at.
        {DEMO_FLYBY_PATH, 200, -40.0f, 20.0f, -24.0f, 201, 8.0f, ""},
        {"", 201, 0.0f, 22.0f, -28.0f, 202, 8.0f, ""},
        {"", 202, 40.0f, 20.0f, -24.0f, 203, 8.0f, ""},
        {"", 203, 60.0f, 20.0f, -10.0f, -1, 8.0f, ""},
        {DEMO_FLYBY_TARGET_PATH, 300, -30.0f, 1.0f, 0.0f, 301, 8.0f, ""},
        {"", 301, 0.0f, 1.0f, 0.0f, 302, 8.0f, ""},
        {"", 302, 30.0f, 1.0f, 0.0f, 303, 8.0f, ""},
        {"", 303, 50.0f, 1.0f, 0.0f, -1, 8.0f, ""},
        // A short walk along the road.
        {"demo_hero_walk", 400, 0.0f, 0.0f, 5.0f, 401, 2.0f, ""},
        {"", 401, 6.0f, 0.0f, 5.0f, -1, 2.0f, ""},
    };
}
} // namespace

void AddBezierObjects(std::vector<DemoObject>& objects)
{
    // Stepping into the gate south of the loop lets the cart pass its
    // blocker once.
    objects.push_back(MeshAt("demo_cart_gate", GATE_MESH, 26.0f, 0.0f, -16.5f,
                             {"flags 0", "action_general_opt 1 1", "action_general_2 1 1",
                              std::string("action_allow_passing_blockers ") + DEMO_CART}));
}

bool WriteDemoBezier(const std::filesystem::path& root)
{
    return WriteTextFile(root, DEMO_BEZIER_FILE, NodeText(DemoPaths()));
}

std::vector<std::string> DemoBezierFiles()
{
    return {Slashes(DEMO_BEZIER_FILE)};
}
} // namespace worldgen
