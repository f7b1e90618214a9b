// The scripted corner of the demo world, between the road and the southern
// houses: a door with a threshold that opens it when the hero steps near, a
// switch (live once the level scripts set "power_on") that turns a lamp on
// and powers a lift, and the lift, a cage that rises when the hero steps in;
// a barrel that explodes and breaks the crate beside it into a wreck, a
// blinking lamp, and a crate that loops on a bezier path.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* DOOR_MESH = "meshes\\demo\\door.x";
constexpr const char* THRESHOLD_MESH = "meshes\\demo\\threshold.x";
constexpr const char* SWITCH_MESH = "meshes\\demo\\switch.x";
constexpr const char* LIFT_MESH = "meshes\\demo\\lift.x";
constexpr const char* WRECK_MESH = "meshes\\demo\\crate_wreck.x";
// Meshes of the town that the scripted corner uses as well.
constexpr const char* CRATE_MESH = "meshes\\demo\\crate.x";
constexpr const char* BARREL_MESH = "meshes\\demo\\barrel.x";

// The door turns about its hinge, the object's position: the leaf reaches
// east from it.
constexpr float DOOR_WIDTH = 1.6f;
constexpr float DOOR_HEIGHT = 2.4f;
constexpr float DOOR_THICKNESS = 0.08f;

} // namespace

void AddActionObjects(std::vector<DemoObject>& objects)
{
    // The threshold is not drawn and has no body: the first time the hero
    // steps into it, it hands the run on to the door, which swings away from
    // him and stays open.
    objects.push_back(MeshAt("demo_door_threshold", THRESHOLD_MESH, 10.8f, 0.0f, -8.0f,
                             {"flags 0", "action_general_opt 1 1", "action_general_2 1 1",
                              "action_give_action_to___mesh demo_door"}));
    objects.push_back(MeshAt("demo_door", DOOR_MESH, 10.0f, 0.0f, -10.0f,
                             {"action_general_opt 1 0", "action_door 1 1 90 90 0"}));
    // The switch works only with the power on; it turns the lamp above it on
    // or off and gives the lift its power. Two seconds must pass between
    // presses, so stepping out of it does not press it again.
    objects.push_back(MeshAt("demo_switch", SWITCH_MESH, 15.0f, 0.0f, -9.0f,
                             {"action_general_opt 1 1", "action_general_2 1 0", "action_ifset power_on",
                              "action_next_run_after 2", "action_default_set lift_power",
                              "action_give_action_to___mesh demo_switch_light"}));
    DemoObject light;
    light.kind = DemoObject::Light;
    light.name = "demo_switch_light";
    light.x = 15.0f;
    light.y = 3.0f;
    light.z = -9.0f;
    light.range = 12.0f;
    light.power = 1.0f;
    light.keys = {"flags 12", "action_general_opt 1 0", "action_switch_light 1"};
    objects.push_back(light);
    // The lift rises six units at 1.5 a second when the hero steps in, and
    // comes down at the next step in.
    objects.push_back(MeshAt("demo_lift", LIFT_MESH, 19.0f, 0.0f, -10.0f,
                             {"action_general_opt 1 1", "action_general_2 1 0", "action_ifset lift_power",
                              "action_moving 0 1 0 1.5 6"}));
    // A barrel that blows up after 20 points of damage, and the crate beside
    // it that the blast breaks into a wreck a moment later.
    objects.push_back(
        MeshAt("demo_barrel", BARREL_MESH, 24.0f, 0.0f, -8.0f,
               {"death_params_1 1 0 0 0 1 1 1 1 1 0 20 1", "death_params_FX_On_Death explosion",
                "death_params_shake_screen 1", "death_params_SetWhenDead barrel_blown",
                "death_params_DestroyObjectName demo_crate", "death_params_DestroyOtherPause 0.3"}));
    objects.push_back(MeshAt("demo_crate", CRATE_MESH, 26.0f, 0.0f, -8.0f,
                             {"death_params_1 1 0 0 0 0 1 1 1 1 0 50 1",
                              std::string("death_params_CreateMeshOnDeath ") + WRECK_MESH,
                              "death_params_created_mesh_name demo_crate_wreck"}));
    // A warning lamp over them that blinks: half a second bright, a fifth dim.
    DemoObject blink;
    blink.kind = DemoObject::Light;
    blink.name = "demo_blink_light";
    blink.x = 25.0f;
    blink.y = 3.5f;
    blink.z = -8.0f;
    blink.range = 10.0f;
    blink.power = 1.5f;
    blink.color[1] = 0.4f;
    blink.color[2] = 0.1f;
    blink.keys = {"blinking1 1 0.5 0.1 1.5 0.2 0.2 0.05"};
    objects.push_back(blink);
    // A crate that loops on its bezier path (DemoWorldBezier.cpp): it starts at
    // load, waits 4 s at the start the first time and 8 s on later laps, and
    // stops at blockers.
    objects.push_back(MeshAt("demo_bezier_cart", CRATE_MESH, 28.0f, 0.0f, -10.0f,
                             {"bezier_moving_____start_node_name demo_cart_path",
                              "bezier_moving_____params0 0 1 4 8 1 0 1", "bezier_moving_____params1 1 0"}));
}

bool WriteActionMeshes(const std::filesystem::path& root)
{
    const float wood[3] = {0.35f, 0.22f, 0.12f};
    const float iron[3] = {0.25f, 0.25f, 0.28f};
    const float red[3] = {0.7f, 0.1f, 0.1f};
    bool ok = WriteBoxMesh(root, DOOR_MESH, "door",
                           {{{0.0f, 0.0f, -DOOR_THICKNESS},
                             {DOOR_WIDTH, DOOR_HEIGHT, DOOR_THICKNESS},
                             {wood[0], wood[1], wood[2]},
                             "demo_wood.tga"}});
    ok = WriteBoxMesh(
             root, THRESHOLD_MESH, "threshold",
             {{{-1.5f, 0.0f, -1.2f}, {1.5f, 2.5f, 1.2f}, {iron[0], iron[1], iron[2]}, "demo_iron.tga"}}) &&
         ok;
    ok = WriteBoxMesh(
             root, SWITCH_MESH, "switch",
             {{{-0.15f, 0.0f, -0.15f}, {0.15f, 1.2f, 0.15f}, {iron[0], iron[1], iron[2]}, "demo_iron.tga"},
              {{-0.25f, 1.45f, -0.25f}, {0.25f, 1.8f, 0.25f}, {red[0], red[1], red[2]}, "demo_iron.tga"}}) &&
         ok;
    ok = WriteBoxMesh(
             root, LIFT_MESH, "lift",
             {{{-1.5f, 0.0f, -1.5f}, {1.5f, 2.5f, 1.5f}, {iron[0], iron[1], iron[2]}, "demo_iron.tga"}}) &&
         ok;
    // The crate's wreck: broken planks on the ground.
    ok = WriteBoxMesh(
             root, WRECK_MESH, "crate_wreck",
             {{{-0.9f, 0.0f, -0.8f}, {0.9f, 0.12f, -0.4f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
              {{-0.7f, 0.0f, 0.2f}, {0.8f, 0.12f, 0.6f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
              {{-0.3f, 0.37f, -0.2f}, {0.2f, 0.6f, 0.9f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"}}) &&
         ok;
    return ok;
}

std::vector<std::string> ActionMeshFiles()
{
    return {DOOR_MESH, THRESHOLD_MESH, SWITCH_MESH, LIFT_MESH, WRECK_MESH};
}
} // namespace worldgen
