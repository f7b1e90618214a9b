// The background battle's data: the jet with the socket its engine trail
// starts at, and the helicopter of the battle pairs (the vehicle yard's
// helicopter with its rotor). The hidden nests fire the item "AK".
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* JET_MESH = "prefabs\\vehicles\\yak_141.x";
constexpr const char* JET_SOCKETS = "scripts\\mesh_sockets\\yak_141.txt";
constexpr const char* BATTLE_HELI_MESH = "prefabs\\vehicles\\mi35\\mi35.x";

constexpr float kGrey[3] = {0.42f, 0.45f, 0.44f};
constexpr float kDarkGrey[3] = {0.2f, 0.21f, 0.22f};

DemoBox JetBox(float x0, float y0, float z0, float x1, float y1, float z1, const float* rgb)
{
    return {{x0, y0, z0}, {x1, y1, z1}, {rgb[0], rgb[1], rgb[2]}, "demo_iron.tga"};
}

// A jet round its centre, facing +z: fuselage, swept wings, tailplane, fin
// and the engine's nozzle at the tail.
std::vector<DemoBox> Jet()
{
    return {JetBox(-0.8f, -0.7f, -7.0f, 0.8f, 0.7f, 7.5f, kGrey),
            JetBox(-0.4f, 0.7f, 2.5f, 0.4f, 1.1f, 5.0f, kDarkGrey),
            JetBox(-5.5f, -0.15f, -2.5f, 5.5f, 0.15f, 1.5f, kGrey),
            JetBox(-2.8f, -0.1f, -7.0f, 2.8f, 0.1f, -5.2f, kGrey),
            JetBox(-0.1f, 0.7f, -7.0f, 0.1f, 3.2f, -4.8f, kGrey),
            JetBox(-0.6f, -0.6f, -7.6f, 0.6f, 0.6f, -7.0f, kDarkGrey)};
}
} // namespace

bool WriteDemoBattlefield(const std::filesystem::path& root)
{
    bool ok = WriteBoxMesh(root, JET_MESH, "yak_141", Jet());
    ok = WriteBoxMesh(root, BATTLE_HELI_MESH, "mi35", DemoHelicopterBoxes()) && ok;
    ok = WriteTextFile(root, JET_SOCKETS,
                       std::string("mesh_filename ") + JET_MESH + "\r\nsocket silnik 0 0 -7.8\r\n") &&
         ok;
    return ok;
}

std::vector<std::string> DemoBattlefieldFiles()
{
    return {Slashes(JET_MESH), Slashes(JET_SOCKETS), Slashes(BATTLE_HELI_MESH)};
}
} // namespace worldgen
