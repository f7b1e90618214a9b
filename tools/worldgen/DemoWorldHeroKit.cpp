// The hero's kit corner, beside the physics corner's ledge: a ladder up the
// ledge's far end, a barrel with grenades lying by it, the two launchers, a
// weapon rack whose mounted gun the hero can man, a riding platform with its
// socket and a hide zone. Also the catalogue's launchers and the mounted
// guns' two descriptions, and the sockets of their models.
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* LADDER_MESH = "meshes\\demo\\ladder.x";
constexpr const char* BARREL_MESH = "meshes\\demo\\barrel.x";
constexpr const char* GRENADE_ITEM = "prefabs\\bronie\\grenade.x";
constexpr const char* ROCKET_LAUNCHER = "prefabs\\bronie\\rocket_launcher.x";
constexpr const char* GRENADE_LAUNCHER = "prefabs\\bronie\\grenade_launcher.x";
constexpr const char* GRENADE_LAUNCHER_HELD = "prefabs\\bronie\\held\\grenade_launcher.x";
constexpr const char* GRENADE_LAUNCHER_SOCKETS = "scripts\\mesh_sockets\\held_grenade_launcher.txt";
// The rack is found by its file name; the gun it carries is the engine's own choice.
constexpr const char* RACK_MESH = "prefabs\\bronie_static\\stojak_pkm.x";
constexpr const char* RACK_SOCKETS = "scripts\\mesh_sockets\\stojak_pkm.txt";
constexpr const char* GUN_MESH = "prefabs\\bronie_static\\pkm_nocenter.x";
constexpr const char* GUN_SOCKETS = "scripts\\mesh_sockets\\pkm_nocenter.txt";
constexpr const char* PLATFORM_MESH = "meshes\\demo\\riding_platform.x";
constexpr const char* PLATFORM_SOCKETS = "scripts\\mesh_sockets\\riding_platform.txt";
constexpr const char* HIDE_ZONE_MESH = "meshes\\demo\\hide_zone.x";

constexpr float kLadderHalfHeight = 0.9f; // reaches a little above the ledge
constexpr float kRackGunHeight = 1.0f;    // the rack's "pkm" socket
constexpr float kHeldScale = 30.0f;       // held models: 0.3 of the drop model, in hundredths

const float kIron[3] = {0.35f, 0.36f, 0.38f};
const float kWood[3] = {0.55f, 0.38f, 0.2f};
const float kOlive[3] = {0.3f, 0.34f, 0.2f};

std::string SocketLines(const char* mesh, std::initializer_list<std::pair<const char*, DemoBox>> sockets)
{
    std::string t = std::string("mesh_filename ") + mesh + "\r\n";
    for (const auto& s : sockets)
    {
        char line[160];
        std::snprintf(line, sizeof line, "socket %s %g %g %g\r\n", s.first,
                      static_cast<double>(s.second.lo[0]), static_cast<double>(s.second.lo[1]),
                      static_cast<double>(s.second.lo[2]));
        t += line;
    }
    return t;
}

DemoBox At(float x, float y, float z)
{
    return {{x, y, z}, {x, y, z}, {0.0f, 0.0f, 0.0f}, nullptr};
}
} // namespace

void AddDemoHeroKit(std::vector<DemoObject>& objects)
{
    const float farEnd = DEMO_PHYSICS.x + DEMO_PHYSICS.stairLength + DEMO_PHYSICS.ledgeLength;
    // Against the ledge's far end, facing it: the climbing line is half a unit out.
    objects.push_back(MeshAt(DEMO_KIT_LADDER, LADDER_MESH, farEnd + DEMO_KIT_LADDER_OUT, kLadderHalfHeight,
                             DEMO_PHYSICS.z,
                             {"rotation_angles 0 -90 0", "action_general_opt 1 1", "action_ladder 1"}));
    // The barrel a throw from the road reaches, and grenades to throw at it.
    objects.push_back(
        MeshAt(DEMO_KIT_BARREL, BARREL_MESH, DEMO_KIT_BARREL_AT[0], 0.0f, DEMO_KIT_BARREL_AT[1],
               {"death_params_1 1 0 0 0 1 1 1 1 1 0 20 1", "death_params_FX_On_Death barrel_blast",
                std::string("death_params_console_print ") + DEMO_KIT_BARREL_BLOWN}));
    for (int i = 0; i < 3; ++i)
        objects.push_back(MeshAt("kit_grenade_" + std::to_string(i + 1), GRENADE_ITEM,
                                 DEMO_KIT_THROW_FROM[0] + 0.6f * static_cast<float>(i), 0.0f,
                                 DEMO_KIT_THROW_FROM[1] - 1.5f));
    objects.push_back(MeshAt("kit_rocket_launcher", ROCKET_LAUNCHER, DEMO_KIT_THROW_FROM[0] - 1.5f, 0.0f,
                             DEMO_KIT_THROW_FROM[1] - 1.5f));
    objects.push_back(MeshAt("kit_grenade_launcher", GRENADE_LAUNCHER, DEMO_KIT_THROW_FROM[0] - 2.5f, 0.0f,
                             DEMO_KIT_THROW_FROM[1] - 1.5f));
    // The rack; the world's start gives it its gun, named after it.
    objects.push_back(MeshAt(DEMO_KIT_RACK, RACK_MESH, DEMO_KIT_RACK_AT[0], 0.0f, DEMO_KIT_RACK_AT[1]));
    objects.push_back(
        MeshAt(DEMO_KIT_PLATFORM, PLATFORM_MESH, DEMO_KIT_PLATFORM_AT[0], 0.0f, DEMO_KIT_PLATFORM_AT[1]));
    // Not drawn: only where the hero is out of the helicopters' sight.
    objects.push_back(MeshAt(DEMO_KIT_HIDE_ZONE, HIDE_ZONE_MESH, DEMO_KIT_PLATFORM_AT[0] + 4.0f, 0.0f,
                             DEMO_KIT_PLATFORM_AT[1], {"flags 0"}));
}

std::string DemoHeroKitCatalogue()
{
    const std::string sounds =
        "\nShoot_Sound sounds\\weapons\\shot.wav\nShoot_Sound_Enemy sounds\\weapons\\shot.wav"
        "\nPlayer_Shoot_FX muzzle_flash\nEnemy_Shoot_FX muzzle_flash"
        "\nHit_Concrete_FX dust_puff\nHit_Metal_FX sparks\nHit_Body_FX krew\n";
    std::string t;
    t += std::string("item m79\nName Grenade launcher\nWeapon\nUnique_Id 5\nAmmo 1\nMax_Ammo_Carried 10\n"
                     "Drop_Object ") +
         GRENADE_LAUNCHER + "\nHeld_Object " + GRENADE_LAUNCHER_HELD + sounds +
         "Shoot_Socket muzzle\nShoot_Socket_Enemy muzzle\nGrenade_Launcher\nSingle_Shot\nHit 150\nHitBack "
         "0.8\n"
         "Shoot_Delay 1.5\nno_aim\nCarried_Pos 0.3 -0.35 0.5\nMovement 0.6\nScale 1\n\n";
    // The mounted guns' ballistics: the light one's and the heavy one's.
    t += std::string("item AK\nName Mounted machine gun\nWeapon\nUnique_Id 1\nAmmo 100\nMax_Ammo_Carried 0\n"
                     "predkosc 3000\nzasieg 150\nHit 35\nEnemy_Hit 25\nPartner_Hit 12") +
         sounds + "\n";
    t += std::string("item M2\nName Heavy machine gun\nWeapon\nUnique_Id 4\nAmmo 100\nMax_Ammo_Carried 0\n"
                     "predkosc 3500\nzasieg 300\nHit 80\nEnemy_Hit 60\nPartner_Hit 30\npowerful_bullet") +
         sounds + "\n";
    return t;
}

bool WriteDemoHeroKit(const std::filesystem::path& root)
{
    // Two rails and five rungs, centred on the ladder's middle, across its own x.
    std::vector<DemoBox> ladder;
    for (float x : {-0.3f, 0.3f})
        ladder.push_back({{x - 0.03f, -kLadderHalfHeight, -0.03f},
                          {x + 0.03f, kLadderHalfHeight, 0.03f},
                          {kWood[0], kWood[1], kWood[2]},
                          "demo_wood.tga"});
    for (int i = 0; i < 5; ++i)
    {
        const float y = -kLadderHalfHeight + 0.3f * static_cast<float>(i + 1);
        ladder.push_back({{-0.3f, y - 0.02f, -0.02f},
                          {0.3f, y + 0.02f, 0.02f},
                          {kWood[0], kWood[1], kWood[2]},
                          "demo_wood.tga"});
    }
    // A thin board behind the rungs: what the crosshair and the use key find.
    ladder.push_back({{-0.3f, -kLadderHalfHeight, 0.03f},
                      {0.3f, kLadderHalfHeight, 0.04f},
                      {kWood[0] * 0.7f, kWood[1] * 0.7f, kWood[2] * 0.7f},
                      "demo_wood.tga"});
    bool ok = WriteBoxMesh(root, LADDER_MESH, "ladder", ladder);
    const DemoBox tube = {
        {-0.06f, 0.0f, -0.5f}, {0.06f, 0.12f, 0.5f}, {kOlive[0], kOlive[1], kOlive[2]}, "demo_iron.tga"};
    ok = WriteBoxMesh(root, GRENADE_LAUNCHER, "grenade_launcher", {tube}) && ok;
    DemoBox held = tube;
    for (int i = 0; i < 3; ++i)
    {
        held.lo[i] *= kHeldScale;
        held.hi[i] *= kHeldScale;
    }
    ok = WriteBoxMesh(root, GRENADE_LAUNCHER_HELD, "grenade_launcher_held", {held}) && ok;
    ok = WriteTextFile(root, GRENADE_LAUNCHER_SOCKETS,
                       SocketLines(GRENADE_LAUNCHER_HELD,
                                   {{"muzzle", At(0.0f, 0.06f * kHeldScale, 0.5f * kHeldScale)}})) &&
         ok;
    // The rack: two legs and a cross bar carrying the gun at its "pkm" socket.
    ok = WriteBoxMesh(root, RACK_MESH, "stojak_pkm",
                      {{{-0.05f, 0.0f, -0.3f},
                        {0.05f, kRackGunHeight, -0.2f},
                        {kIron[0], kIron[1], kIron[2]},
                        "demo_iron.tga"},
                       {{-0.05f, 0.0f, 0.2f},
                        {0.05f, kRackGunHeight, 0.3f},
                        {kIron[0], kIron[1], kIron[2]},
                        "demo_iron.tga"},
                       {{-0.08f, kRackGunHeight - 0.1f, -0.3f},
                        {0.08f, kRackGunHeight, 0.3f},
                        {kIron[0], kIron[1], kIron[2]},
                        "demo_iron.tga"}}) &&
         ok;
    ok = WriteTextFile(root, RACK_SOCKETS,
                       SocketLines(RACK_MESH, {{"pkm", At(0.0f, kRackGunHeight, 0.0f)}})) &&
         ok;
    // The gun, pointing along its forward axis; the gunner's eye behind it, the flash at the muzzle.
    ok = WriteBoxMesh(
             root, GUN_MESH, "pkm",
             {{{-0.06f, 0.0f, -0.5f}, {0.06f, 0.14f, 0.3f}, {kIron[0], kIron[1], kIron[2]}, "demo_iron.tga"},
              {{-0.02f, 0.04f, 0.3f},
               {0.02f, 0.08f, 1.0f},
               {kIron[0], kIron[1], kIron[2]},
               "demo_iron.tga"}}) &&
         ok;
    ok = WriteTextFile(
             root, GUN_SOCKETS,
             SocketLines(GUN_MESH, {{"kamera", At(0.0f, 0.35f, -0.9f)}, {"blik", At(0.0f, 0.06f, 1.0f)}})) &&
         ok;
    ok = WriteBoxMesh(
             root, PLATFORM_MESH, "riding_platform",
             {{{-1.0f, 0.0f, -1.5f}, {1.0f, 0.4f, 1.5f}, {kWood[0], kWood[1], kWood[2]}, "demo_wood.tga"}}) &&
         ok;
    ok = WriteTextFile(root, PLATFORM_SOCKETS,
                       SocketLines(PLATFORM_MESH, {{"siedzisko", At(0.0f, 1.32f, 0.0f)}})) &&
         ok;
    ok = WriteBoxMesh(root, HIDE_ZONE_MESH, "hide_zone",
                      {{{-0.5f, 0.0f, -0.5f},
                        {0.5f, 1.0f, 0.5f},
                        {kOlive[0], kOlive[1], kOlive[2]},
                        "demo_iron.tga"}}) &&
         ok;
    return ok;
}

std::vector<std::string> DemoHeroKitFiles()
{
    return {LADDER_MESH,
            GRENADE_LAUNCHER,
            GRENADE_LAUNCHER_HELD,
            GRENADE_LAUNCHER_SOCKETS,
            RACK_MESH,
            RACK_SOCKETS,
            GUN_MESH,
            GUN_SOCKETS,
            PLATFORM_MESH,
            PLATFORM_SOCKETS,
            HIDE_ZONE_MESH};
}
} // namespace worldgen
