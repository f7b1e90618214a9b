// The vehicle yard of the demo world, out on the green north-west of the town
// (inside the mission's area, far enough that its dust never reaches the town):
// a truck that drives north over a ramp when the hero steps onto the yard's
// landing spot and stops beside it, a helicopter hovering over the yard with
// its rotor whose downwash raises dust, and a helicopter on its pad that the
// hero boards by stepping onto the pad. Two markers, 64 units under the
// landing spot and the pad, are where the console's "Teleport" puts the hero.
#include "tools/worldgen/DemoWorld.h"

#include "platform/d3dx/XMesh.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* TRUCK_MESH = "prefabs\\vehicles\\demo_truck.x";
constexpr const char* WHEEL_MESH = "prefabs\\vehicles\\demo_wheel.x";
constexpr const char* RAMP_MESH = "meshes\\demo\\ramp.x";
constexpr const char* HELI_MESH = "prefabs\\vehicles\\demo_heli.x";
constexpr const char* FLY_HELI_MESH = "prefabs\\vehicles\\demo_heli_fly.x";
constexpr const char* ROTOR_MESH = "prefabs\\vehicles\\demo_rotor.x";
constexpr const char* STEP_MESH = "meshes\\demo\\yard_step.x";
constexpr const char* TRUCK_SOCKETS = "scripts\\mesh_sockets\\demo_truck.txt";
constexpr const char* HELI_SOCKETS = "scripts\\mesh_sockets\\demo_heli.txt";
constexpr const char* FLY_HELI_SOCKETS = "scripts\\mesh_sockets\\demo_heli_fly.txt";
constexpr const char* VEHICLES = "scripts\\vehicles\\demo.txt";
constexpr const char* HELICOPTERS = "scripts\\helicopters\\demo.txt";
constexpr const char* MARKER_MESH = "prefabs\\special\\start_point.x";
// The console's teleport puts the hero this far over a marker.
constexpr float TELEPORT_RISE = 64.0f;
constexpr float HERO_CENTRE = 1.2f;

// The truck starts south of the ramp and drives 34 units north.
constexpr float TRUCK_X = -100.0f, TRUCK_Z = 26.0f, TRUCK_RUN = 38.0f, TRUCK_SPEED = 3.0f;
constexpr float RAMP_Z = 40.0f, RAMP_RISE = 1.5f;
constexpr float LANDING_X = -95.5f, LANDING_Z = 65.0f;
constexpr float HOVER_X = -75.0f, HOVER_Y = 12.0f, HOVER_Z = 75.0f;
constexpr float HELI_FLOOR = 1.6f; // the skids' depth under the helicopter's centre
constexpr float PAD_HELI_X = -88.0f, PAD_HELI_Z = 40.0f;
constexpr float PAD_X = -83.5f, PAD_Z = 40.0f;

constexpr float kSteel[3] = {0.32f, 0.36f, 0.3f};
constexpr float kDark[3] = {0.12f, 0.12f, 0.12f};
constexpr float kOlive[3] = {0.3f, 0.34f, 0.2f};

DemoBox Box(float x0, float y0, float z0, float x1, float y1, float z1, const float* rgb, const char* texture)
{
    return {{x0, y0, z0}, {x1, y1, z1}, {rgb[0], rgb[1], rgb[2]}, texture};
}

// The truck, its origin at the bottom centre, facing +z: a bed and a cab.
std::vector<DemoBox> Truck()
{
    return {Box(-1.2f, 0.45f, -2.8f, 1.2f, 1.3f, 2.8f, kSteel, "demo_iron.tga"),
            Box(-1.15f, 1.3f, 1.1f, 1.15f, 2.6f, 2.75f, kOlive, "demo_iron.tga"),
            Box(-1.1f, 1.3f, -2.7f, 1.1f, 1.9f, 0.8f, kOlive, "demo_wood.tga")};
}

// A square wheel, so its turning shows: the axle along x.
std::vector<DemoBox> Wheel()
{
    return {Box(-0.2f, -0.5f, -0.5f, 0.2f, 0.5f, 0.5f, kDark, "demo_iron.tga"),
            Box(-0.22f, -0.15f, -0.15f, 0.22f, 0.15f, 0.15f, kSteel, "demo_iron.tga")};
}

// A helicopter round its centre, facing +z: the cabin, the tail boom, the skids.
std::vector<DemoBox> Helicopter(bool withRotor)
{
    std::vector<DemoBox> boxes = {
        Box(-1.2f, -1.0f, -2.0f, 1.2f, 1.2f, 2.6f, kOlive, "demo_iron.tga"),
        Box(-0.3f, 0.0f, -7.5f, 0.3f, 0.6f, -2.0f, kOlive, "demo_iron.tga"),
        Box(-0.15f, 0.0f, -7.8f, 0.15f, 1.6f, -7.2f, kOlive, "demo_iron.tga"),
        Box(-1.35f, -1.6f, -2.2f, -1.1f, -1.4f, 2.8f, kDark, "demo_iron.tga"),
        Box(1.1f, -1.6f, -2.2f, 1.35f, -1.4f, 2.8f, kDark, "demo_iron.tga"),
        Box(-0.25f, 1.2f, -0.25f, 0.25f, 1.5f, 0.25f, kDark, "demo_iron.tga"),
    };
    if (withRotor)
        for (const DemoBox& b :
             std::vector<DemoBox>{Box(-6.0f, 1.5f, -0.2f, 6.0f, 1.58f, 0.2f, kDark, "demo_iron.tga"),
                                  Box(-0.2f, 1.5f, -6.0f, 0.2f, 1.58f, 6.0f, kDark, "demo_iron.tga")})
            boxes.push_back(b);
    return boxes;
}

// Two crossed blades round the rotor's hub.
std::vector<DemoBox> Rotor()
{
    return {Box(-6.0f, -0.04f, -0.25f, 6.0f, 0.04f, 0.25f, kDark, "demo_iron.tga"),
            Box(-0.25f, -0.04f, -6.0f, 0.25f, 0.04f, 6.0f, kDark, "demo_iron.tga")};
}

// A hump across the truck's way: up over 8 units, flat for 3, down over 8.
tk::xfile::XMeshDesc Ramp()
{
    tk::xfile::XMeshDesc ramp;
    ramp.name = "ramp";
    const float z[4] = {0.0f, 8.0f, 11.0f, 19.0f};
    const float y[4] = {0.0f, RAMP_RISE, RAMP_RISE, 0.0f};
    for (int i = 0; i < 4; ++i)
        for (float x : {-2.5f, 2.5f})
        {
            ramp.positions.insert(ramp.positions.end(), {x, y[i], z[i]});
            ramp.texcoords.insert(ramp.texcoords.end(), {x < 0.0f ? 0.0f : 1.0f, z[i] / 4.0f});
        }
    for (uint32_t i = 0; i < 3; ++i)
    {
        const uint32_t a = 2 * i, b = a + 1, c = a + 2, d = a + 3;
        // Seen from above, and from below for traces that start under it.
        ramp.indices.insert(ramp.indices.end(), {a, c, d, a, d, b, a, d, c, a, b, d});
    }
    ramp.faceMaterials.assign(ramp.indices.size() / 3, 0);
    tk::xfile::XMaterialDesc stone;
    stone.texture = "demo_stone.tga";
    ramp.materials = {stone};
    return ramp;
}

std::string Socket(const char* name, float x, float y, float z)
{
    char line[128];
    std::snprintf(line, sizeof line, "socket %s %g %g %g\r\n", name, static_cast<double>(x),
                  static_cast<double>(y), static_cast<double>(z));
    return line;
}

std::string HeliSockets(const char* mesh)
{
    return std::string("mesh_filename ") + mesh + "\r\n" + Socket("rotor", 0.0f, 1.54f, 0.0f) +
           Socket("oko", 0.0f, 0.2f, 2.7f) + Socket("rakieta1", 1.6f, -0.6f, 0.8f) +
           Socket("rakieta2", -1.6f, -0.6f, 0.8f) + Socket("karabin1", 0.6f, -1.1f, 2.7f) +
           Socket("karabin2", -0.6f, -1.1f, 2.7f) + Socket("karabin3", 0.9f, -1.1f, 2.4f) +
           Socket("karabin4", -0.9f, -1.1f, 2.4f) + Socket("kamera", 0.0f, 3.5f, -12.0f) +
           Socket("exit", -3.5f, -1.2f, 0.0f);
}
} // namespace

void AddDemoVehicles(std::vector<DemoObject>& objects)
{
    objects.push_back(MeshAt("demo_ramp", RAMP_MESH, TRUCK_X, 0.0f, RAMP_Z));
    // The truck drives north when the hero first steps onto the landing spot.
    objects.push_back(MeshAt("demo_truck", TRUCK_MESH, TRUCK_X, 0.0f, TRUCK_Z,
                             {"action_general_opt 1 0", "action_moving 0 0 1 " + std::to_string(TRUCK_SPEED) +
                                                            " " + std::to_string(TRUCK_RUN)}));
    objects.push_back(MeshAt("demo_truck_step", STEP_MESH, LANDING_X, 0.0f, LANDING_Z,
                             {"flags 0", "action_general_opt 1 1", "action_general_2 1 1",
                              "action_give_action_to___mesh demo_truck"}));
    objects.push_back(MeshAt(DEMO_YARD_MARKER, MARKER_MESH, LANDING_X, HERO_CENTRE - TELEPORT_RISE, LANDING_Z,
                             {"flags 0"}));
    // The hovering helicopter: its rotor and sound come from its definition.
    objects.push_back(MeshAt("demo_heli", HELI_MESH, HOVER_X, HOVER_Y, HOVER_Z));
    // The helicopter on its pad: stepping onto the pad boards it.
    objects.push_back(MeshAt(DEMO_FLY_HELI, FLY_HELI_MESH, PAD_HELI_X, HELI_FLOOR, PAD_HELI_Z,
                             {"action_general_opt 1 0", "action_fly_heli 1"}));
    objects.push_back(MeshAt("demo_heli_pad_step", STEP_MESH, PAD_X, 0.0f, PAD_Z,
                             {"flags 0", "action_general_opt 1 1", "action_general_2 1 1",
                              std::string("action_give_action_to___mesh ") + DEMO_FLY_HELI}));
    objects.push_back(
        MeshAt(DEMO_PAD_MARKER, MARKER_MESH, PAD_X, HERO_CENTRE - TELEPORT_RISE, PAD_Z, {"flags 0"}));
}

bool WriteDemoVehicles(const std::filesystem::path& root)
{
    bool ok = WriteBoxMesh(root, TRUCK_MESH, "demo_truck", Truck());
    ok = WriteBoxMesh(root, WHEEL_MESH, "demo_wheel", Wheel()) && ok;
    ok = WriteBoxMesh(root, HELI_MESH, "demo_heli", Helicopter(false)) && ok;
    ok = WriteBoxMesh(root, FLY_HELI_MESH, "demo_heli_fly", Helicopter(true)) && ok;
    ok = WriteBoxMesh(root, ROTOR_MESH, "demo_rotor", Rotor()) && ok;
    ok = WriteBoxMesh(root, STEP_MESH, "yard_step",
                      {Box(-1.5f, 0.0f, -1.5f, 1.5f, 2.5f, 1.5f, kSteel, "demo_iron.tga")}) &&
         ok;
    {
        const std::filesystem::path path = root / Slashes(RAMP_MESH);
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        ok = tk::xfile::XWriteMeshFile(path.string().c_str(), Ramp(), tk::xfile::XFormat::Text) && ok;
    }
    ok = WriteTextFile(root, TRUCK_SOCKETS,
                       std::string("mesh_filename ") + TRUCK_MESH + "\r\n" +
                           Socket("wheel_fl", -1.3f, 0.5f, 1.9f) + Socket("wheel_fr", 1.3f, 0.5f, 1.9f) +
                           Socket("wheel_rl", -1.3f, 0.5f, -1.9f) + Socket("wheel_rr", 1.3f, 0.5f, -1.9f)) &&
         ok;
    ok = WriteTextFile(root, HELI_SOCKETS, HeliSockets(HELI_MESH)) && ok;
    ok = WriteTextFile(root, FLY_HELI_SOCKETS, HeliSockets(FLY_HELI_MESH)) && ok;
    ok = WriteTextFile(root, VEHICLES,
                       std::string("Vehicle demo_truck\r\nprefab ") + TRUCK_MESH + "\r\nfront_wheel " +
                           WHEEL_MESH + " wheel_fl\r\nfront_wheel " + WHEEL_MESH + " wheel_fr\r\nwheel " +
                           WHEEL_MESH + " wheel_rl\r\nwheel " + WHEEL_MESH + " wheel_rr\r\n") &&
         ok;
    ok = WriteTextFile(root, HELICOPTERS,
                       std::string("helicopter ") + HELI_MESH + "\r\nattachment " + ROTOR_MESH +
                           " rotor\r\n") &&
         ok;
    return ok;
}

std::vector<DemoBox> DemoHelicopterBoxes()
{
    return Helicopter(true);
}

std::vector<std::string> DemoVehicleFiles()
{
    std::vector<std::string> files = {TRUCK_MESH,   WHEEL_MESH,       HELI_MESH, FLY_HELI_MESH,
                                      ROTOR_MESH,   STEP_MESH,        RAMP_MESH, TRUCK_SOCKETS,
                                      HELI_SOCKETS, FLY_HELI_SOCKETS, VEHICLES,  HELICOPTERS};
    for (std::string& f : files)
        f = Slashes(f);
    return files;
}
} // namespace worldgen
