// The demo world's shooting corner by the hero's start: a sniper rifle lying
// on the road a few steps north of the start marker, and due east of it a
// barrel that blows up when shot, far enough away that its blast spares the
// hero.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* SNIPER_RIFLE = "prefabs\\bronie\\sniper_rifle.x";
constexpr const char* BARREL_MESH = "meshes\\demo\\barrel.x";

DemoObject Placed(const char* name, const char* file, float x, float z, std::vector<std::string> keys)
{
    DemoObject o;
    o.kind = DemoObject::Mesh;
    o.name = name;
    o.file = file;
    o.x = x;
    o.y = DEMO_ROAD_TOP;
    o.z = z;
    o.keys = std::move(keys);
    return o;
}
} // namespace

void AddShootingObjects(std::vector<DemoObject>& objects)
{
    objects.push_back(Placed(DEMO_SHOOTING_WEAPON, SNIPER_RIFLE, DEMO_SHOOTING_WEAPON_AT[0],
                             DEMO_SHOOTING_WEAPON_AT[1], {}));
    // Twenty points of bullet damage blow it up; the blast is a small one.
    objects.push_back(
        Placed(DEMO_SHOOTING_BARREL, BARREL_MESH, DEMO_SHOOTING_BARREL_AT[0], DEMO_SHOOTING_BARREL_AT[1],
               {"death_params_1 1 0 0 0 1 1 1 1 1 0 20 1", "death_params_FX_On_Death barrel_blast",
                "death_params_shake_screen 1", "death_params_SetWhenDead range_barrel_blown",
                std::string("death_params_console_print ") + DEMO_SHOOTING_BLOWN}));
}
} // namespace worldgen
