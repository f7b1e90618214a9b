// The ground layers of the demo: the power line along the south side of the
// town (its poles with their cable sockets and the line's script), and the
// second world, "worlds\level02.w": the green by a river whose bezier path
// "rzeka" carries drifting crates and a barrel past an anchored buoy, in the
// rain. Its river objects are listed in "scripts\rzeka.txt".
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* POLE_MESH = "meshes\\demo\\pole.x";
constexpr const char* POLE_SOCKETS = "scripts\\mesh_sockets\\demo_pole.txt";
constexpr const char* BUOY_MESH = "meshes\\demo\\buoy.x";
constexpr const char* WATER_MESH = "meshes\\demo\\river_water.x";
constexpr const char* GROUND_MESH = "meshes\\demo\\ground.x";
constexpr const char* CRATE_MESH = "meshes\\demo\\crate.x";
constexpr const char* BARREL_MESH = "meshes\\demo\\barrel.x";
constexpr const char* START_MESH = "prefabs\\special\\start_point.x";
constexpr const char* RIVER_NODES = "worlds\\level02.bzr";
constexpr const char* EOL = "\r\n";
constexpr float kPoleHeight = 9.0f;
// Flag word 1 with the shown bit clear: the marker is never drawn.
constexpr int kHiddenFlags = 12;

// The poles along the south side of the green, the first across the street.
struct Place
{
    float x, z;
};
constexpr Place kPoles[] = {{-155.0f, 24.0f}, {-150.0f, -12.0f}, {-120.0f, -28.0f}, {-85.0f, -28.0f},
                            {-50.0f, -28.0f}, {-15.0f, -28.0f},  {20.0f, -28.0f},   {55.0f, -28.0f}};
// The sockets on the cross arm, which runs north to south.
struct Socket
{
    const char* name;
    float x, y, z;
};
constexpr Socket kSockets[] = {
    {"kabel_1", 0.0f, 8.9f, -1.4f}, {"kabel_2", 0.0f, 9.3f, 0.0f}, {"kabel_3", 0.0f, 8.9f, 1.4f}};

// The river: nodes of the path "rzeka" from west to east, a little above the green.
constexpr float kRiverY = 1.0f;
constexpr Place kRiver[] = {{-120.0f, 50.0f}, {-40.0f, 56.0f}, {40.0f, 48.0f}, {120.0f, 54.0f}};

struct Floating
{
    const char* name;
    const char* mesh;
    float x, z;
    bool moving;
};
// One crate 3 units right of the centre line (south of it, as the river runs east).
constexpr Floating kFloating[] = {
    {"river_crate_01", CRATE_MESH, -100.0f, 52.0f, true},
    {"river_crate_02", CRATE_MESH, -60.0f, 62.0f, true},
    {"river_crate_03", CRATE_MESH, 0.0f, 49.0f, true},
    {"river_barrel_04", BARREL_MESH, 60.0f, 42.0f, true},
    {"river_buoy", BUOY_MESH, 20.0f, 50.0f, false},
};

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string PoleName(int i)
{
    char text[16];
    std::snprintf(text, sizeof text, "pole_%02d", i + 1);
    return text;
}

// Straight segments between the nodes: the shape controls a third and two
// thirds of the way; the last node names a number no node has.
std::string RiverNodes()
{
    std::string text;
    const int n = static_cast<int>(sizeof kRiver / sizeof kRiver[0]);
    for (int i = 0; i < n; ++i)
    {
        const Place& a = kRiver[i];
        const Place& b = kRiver[i + 1 < n ? i + 1 : i];
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "bezier_node %s\r\nnr %d\r\npos %g %g %g\r\nksztalt1 %g %g %g\r\nksztalt2 %g %g %g\r\n"
                      "fixed_rotation 0 0 0\r\ninterpolation_rotation 0 0 0\r\nvalues 0 0 0 0 0\r\n"
                      "next_in_path_nr %d\r\n",
                      i == 0 ? DEMO_RIVER_PATH : "", 500 + i, a.x, kRiverY, a.z, a.x + (b.x - a.x) / 3.0f,
                      kRiverY, a.z + (b.z - a.z) / 3.0f, a.x + 2.0f * (b.x - a.x) / 3.0f, kRiverY,
                      a.z + 2.0f * (b.z - a.z) / 3.0f, i + 1 < n ? 501 + i : 999);
        text += buf;
    }
    return text;
}

void Object(std::string& w, const DemoObject& o)
{
    w += "mesh " + o.file + EOL;
    w += "name " + o.name + EOL;
    w += "xpos " + Number(o.x) + EOL;
    w += "ypos " + Number(o.y) + EOL;
    w += "zpos " + Number(o.z) + EOL;
    for (const std::string& key : o.keys)
        w += key + EOL;
}

// A grey, rainy afternoon over the river.
constexpr const char* kRiverSettings[] = {
    "world_general_properties",     "farz 3000",           "fog0 9474192 1.0 0.6",
    "global_ambient_light 5263440", "sky_light_use 1",     "sky_light_direction 55 150",
    "sky_light_color 13421772",     "sky_light_power 0.8", "skinmesh_skylight_coef 1",
    "skinmesh_ambient_coef 1",
};

std::string RiverWorld()
{
    std::string w;
    for (const char* line : kRiverSettings)
        w += std::string(line) + EOL;
    w += std::string("sky_mesh ") + DEMO_SKY_MESH + EOL;
    Object(w, MeshAt("ground", GROUND_MESH, 0.0f, 0.0f, 0.0f, {"terrain_mesh"}));
    Object(w, MeshAt("river_water", WATER_MESH, 0.0f, 0.0f, 0.0f));
    for (const Floating& f : kFloating)
        Object(w, MeshAt(f.name, f.mesh, f.x, kRiverY, f.z));
    // The hero starts on the bank south of the river, the camera looks at it.
    Object(w, MeshAt(DEMO_START_MARKER, START_MESH, -30.0f, 1.2f, 28.0f, {"flags 0"}));
    Object(w, MeshAt("camera_start", CRATE_MESH, -45.0f, 8.0f, 24.0f,
                     {"rotation_angles 12 60 0", "flags " + std::to_string(kHiddenFlags)}));
    // The rain's marker: not drawn, out of segment tests.
    Object(w, MeshAt("Rain", DEMO_MARKER_MESH, 0.0f, 0.0f, 0.0f, {"flags 128"}));
    return w;
}

std::string PoleScript()
{
    std::string s = std::string("world level01") + EOL + "linia" + EOL + "grubosc_kabla 0.06" + EOL;
    for (const Socket& k : kSockets)
        s += std::string("socket ") + k.name + EOL;
    for (int i = 0; i < static_cast<int>(sizeof kPoles / sizeof kPoles[0]); ++i)
        s += "slup " + PoleName(i) + EOL;
    return s;
}

std::string RiverScript()
{
    std::string s;
    for (const Floating& f : kFloating)
        s += std::string(f.moving ? "moving " : "static ") + f.name + EOL;
    return s;
}

std::string PoleSocketFile()
{
    std::string s = std::string("mesh_filename ") + POLE_MESH + EOL;
    for (const Socket& k : kSockets)
        s +=
            std::string("socket ") + k.name + " " + Number(k.x) + " " + Number(k.y) + " " + Number(k.z) + EOL;
    return s;
}
} // namespace

void AddDemoPoles(std::vector<DemoObject>& objects)
{
    for (int i = 0; i < static_cast<int>(sizeof kPoles / sizeof kPoles[0]); ++i)
        objects.push_back(MeshAt(PoleName(i), POLE_MESH, kPoles[i].x, 0.0f, kPoles[i].z));
}

std::vector<std::string> DemoRiverObjects(bool moving)
{
    std::vector<std::string> names;
    for (const Floating& f : kFloating)
        if (f.moving == moving)
            names.push_back(f.name);
    return names;
}

bool WriteDemoLayers(const std::filesystem::path& root)
{
    const float wood[3] = {0.35f, 0.25f, 0.15f};
    bool ok = WriteBoxMesh(
        root, POLE_MESH, "pole",
        {{{-0.15f, 0.0f, -0.15f}, {0.15f, kPoleHeight, 0.15f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
         {{-0.1f, 8.4f, -1.6f}, {0.1f, 8.65f, 1.6f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"}});
    ok = WriteBoxMesh(
             root, BUOY_MESH, "buoy",
             {{{-0.8f, -0.5f, -0.8f}, {0.8f, 0.8f, 0.8f}, {0.8f, 0.15f, 0.1f}, "demo_plaster.tga"},
              {{-0.15f, 1.1f, -0.15f}, {0.15f, 3.0f, 0.15f}, {0.9f, 0.9f, 0.85f}, "demo_plaster.tga"}}) &&
         ok;
    ok = WriteBoxMesh(
             root, WATER_MESH, "river_water",
             {{{-130.0f, 0.0f, 30.0f}, {130.0f, 0.4f, 74.0f}, {0.15f, 0.3f, 0.4f}, "demo_water.tga"}}) &&
         ok;
    ok = WriteDataFile(root, Slashes(POLE_SOCKETS), PoleSocketFile()) && ok;
    ok = WriteDataFile(root, Slashes(DEMO_POLE_SCRIPT), PoleScript()) && ok;
    ok = WriteDataFile(root, Slashes(DEMO_RIVER_SCRIPT), RiverScript()) && ok;
    ok = WriteDataFile(root, Slashes(RIVER_NODES), RiverNodes()) && ok;
    ok = WriteDataFile(root, Slashes(DEMO_RIVER_WORLD), RiverWorld()) && ok;
    return ok;
}

std::vector<std::string> DemoLayerFiles()
{
    std::vector<std::string> files;
    for (const char* f : {POLE_MESH, BUOY_MESH, WATER_MESH, POLE_SOCKETS, DEMO_POLE_SCRIPT, DEMO_RIVER_SCRIPT,
                          RIVER_NODES, DEMO_RIVER_WORLD})
        files.push_back(Slashes(f));
    return files;
}
} // namespace worldgen
