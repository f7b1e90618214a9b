// The demo world's shooting corner by the hero's start: a sniper rifle lying
// on the road a few steps north of the start marker, and due east of it a
// barrel that blows up when shot, far enough away that its blast spares the
// hero. Also the muzzle sockets of the weapons in the hero's hands, where
// their flashes start.
#include "tools/worldgen/DemoWorld.h"

#include "platform/win32/Path.h"

#include <cstdio>
#include <system_error>

namespace worldgen
{
namespace
{
constexpr const char* SNIPER_RIFLE = "prefabs\\bronie\\sniper_rifle.x";
constexpr const char* BARREL_MESH = "meshes\\demo\\barrel.x";

// The held models are the drop models at 0.3 of their size, in the hundredths
// of a unit held models are drawn at; a muzzle is the tip of the barrel.
constexpr float kHeldScale = 30.0f;
struct Muzzle
{
    const char* held;    // the held model
    const char* sockets; // its socket file
    float y, z;          // the barrel's tip on the drop model
};
constexpr Muzzle MUZZLES[] = {
    {"prefabs\\bronie\\held\\pistol.x", "scripts\\mesh_sockets\\held_pistol.txt", 0.47f, 0.6f},
    {"prefabs\\bronie\\held\\rifle.x", "scripts\\mesh_sockets\\held_rifle.txt", 0.42f, 1.8f},
    {"prefabs\\bronie\\held\\shotgun.x", "scripts\\mesh_sockets\\held_shotgun.txt", 0.32f, 1.9f},
    {"prefabs\\bronie\\held\\sniper_rifle.x", "scripts\\mesh_sockets\\held_sniper_rifle.txt", 0.17f, 2.1f},
    {"prefabs\\bronie\\held\\heavy_sniper_rifle.x", "scripts\\mesh_sockets\\held_heavy_sniper_rifle.txt",
     0.17f, 2.6f},
    {"prefabs\\bronie\\held\\rocket_launcher.x", "scripts\\mesh_sockets\\held_rocket_launcher.txt", 0.6f,
     1.2f},
};
constexpr const char* MUZZLE_SOCKET = "muzzle";
constexpr const char* LASER_SOCKET = "laser";
// Casings leave through the ejection port, a little behind the muzzle, as a
// small brass mesh.
constexpr const char* CASING_SOCKET = "luska";
constexpr float kEjectionPort = 0.4f; // of the way from the grip to the muzzle
constexpr const char* CASING_MESH = "prefabs\\bronie_static\\luska.x";

} // namespace

void AddShootingObjects(std::vector<DemoObject>& objects)
{
    objects.push_back(MeshAt(DEMO_SHOOTING_WEAPON, SNIPER_RIFLE, DEMO_SHOOTING_WEAPON_AT[0], DEMO_ROAD_TOP,
                             DEMO_SHOOTING_WEAPON_AT[1]));
    // Twenty points of bullet damage blow it up; the blast is a small one.
    objects.push_back(
        MeshAt(DEMO_SHOOTING_BARREL, BARREL_MESH, DEMO_SHOOTING_BARREL_AT[0], DEMO_ROAD_TOP,
               DEMO_SHOOTING_BARREL_AT[1],
               {"death_params_1 1 0 0 0 1 1 1 1 1 0 20 1", "death_params_FX_On_Death barrel_blast",
                "death_params_shake_screen 1", "death_params_SetWhenDead range_barrel_blown",
                std::string("death_params_console_print ") + DEMO_SHOOTING_BLOWN}));
}

bool WriteShootingFiles(const std::filesystem::path& root)
{
    bool ok = true;
    for (const Muzzle& m : MUZZLES)
    {
        char text[256];
        std::snprintf(text, sizeof text, "mesh_filename %s\r\nsocket %s 0 %g %g\r\n", m.held, MUZZLE_SOCKET,
                      static_cast<double>(m.y * kHeldScale), static_cast<double>(m.z * kHeldScale));
        // The pistol's laser sight shines from its muzzle.
        if (m.held == MUZZLES[0].held)
        {
            const size_t used = std::char_traits<char>::length(text);
            std::snprintf(text + used, sizeof text - used, "socket %s 0 %g %g\r\n", LASER_SOCKET,
                          static_cast<double>(m.y * kHeldScale), static_cast<double>(m.z * kHeldScale));
        }
        {
            const size_t used = std::char_traits<char>::length(text);
            std::snprintf(text + used, sizeof text - used, "socket %s 0 %g %g\r\n", CASING_SOCKET,
                          static_cast<double>(m.y * kHeldScale),
                          static_cast<double>(m.z * kEjectionPort * kHeldScale));
        }
        const std::filesystem::path path = root / Slashes(m.sockets);
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        FILE* f = TkFopen(path.string().c_str(), "wb");
        if (!f)
        {
            ok = false;
            continue;
        }
        const size_t n = std::char_traits<char>::length(text);
        ok = std::fwrite(text, 1, n, f) == n && ok;
        ok = std::fclose(f) == 0 && ok;
    }
    // The casing: a brass cylinder of a unit's length, scaled down by its effect.
    const std::vector<DemoBox> casing = {
        {{-0.25f, -0.25f, -0.6f}, {0.25f, 0.25f, 0.6f}, {0.8f, 0.62f, 0.25f}, "demo_iron.tga"}};
    ok = WriteBoxMesh(root, Slashes(CASING_MESH), "luska", casing) && ok;
    return ok;
}

void AddShootingFiles(std::vector<std::string>* files)
{
    for (const Muzzle& m : MUZZLES)
        files->push_back(m.sockets);
    files->push_back(CASING_MESH);
}
} // namespace worldgen
