// The fuse box on the road behind the hero's start: it feeds two lamps
// through its light-control keys, and the lamps go out when it dies. A walk-in
// trigger across the road, a few steps north of the start, breaks it the first
// time the hero walks through.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* FUSE_BOX_MESH = "meshes\\demo\\fuse_box.x";
constexpr const char* FUSE_TRIGGER_MESH = "meshes\\demo\\fuse_trigger.x";
constexpr float FUSE_BOX_X = -27.5f;
constexpr float FUSE_BOX_Z = -5.2f; // behind the hero at his start
constexpr float LAMP_HEIGHT = 2.5f;
constexpr float LAMP_RANGE = 8.0f;
} // namespace

void AddDemoFuseBox(std::vector<DemoObject>& objects)
{
    // Enabled, not deleted on death, hurt by explosions and bullets, 30 points.
    objects.push_back(MeshAt(DEMO_FUSE_BOX, FUSE_BOX_MESH, FUSE_BOX_X, DEMO_ROAD_TOP, FUSE_BOX_Z,
                             {"death_params_1 1 0 0 0 0 0 1 1 1 0 30 1", "object_light_control_params 1 0",
                              std::string("object_light_control2_light 0 ") + DEMO_FUSE_LAMPS[0],
                              std::string("object_light_control2_light 1 ") + DEMO_FUSE_LAMPS[1]}));
    const float lampX[2] = {FUSE_BOX_X - 1.0f, DEMO_START[0] + 3.5f};
    for (int i = 0; i < 2; ++i)
    {
        DemoObject lamp;
        lamp.kind = DemoObject::Light;
        lamp.name = DEMO_FUSE_LAMPS[i];
        lamp.x = lampX[i];
        lamp.y = LAMP_HEIGHT;
        lamp.z = FUSE_BOX_Z;
        lamp.range = LAMP_RANGE;
        lamp.power = 1.0f;
        lamp.color[0] = 1.0f;
        lamp.color[1] = 0.9f;
        lamp.color[2] = 0.7f;
        objects.push_back(lamp);
    }
    // Not drawn and without a body: it only notices the hero passing.
    objects.push_back(MeshAt("demo_fuse_trigger", FUSE_TRIGGER_MESH, DEMO_START[0], DEMO_ROAD_TOP,
                             DEMO_FUSE_TRIGGER_Z,
                             {"flags 0", "action_general_opt 1 1", "action_general_2 1 1",
                              std::string("action_kill_object ") + DEMO_FUSE_BOX}));
}

bool WriteDemoFuseBox(const std::filesystem::path& root)
{
    const float grey[3] = {0.45f, 0.47f, 0.5f};
    const float yellow[3] = {0.85f, 0.7f, 0.1f};
    bool ok = WriteBoxMesh(
        root, FUSE_BOX_MESH, "fuse_box",
        {{{-0.3f, 0.0f, -0.2f}, {0.3f, 1.2f, 0.2f}, {grey[0], grey[1], grey[2]}, "demo_iron.tga"},
         {{-0.2f, 0.8f, -0.22f}, {0.2f, 1.0f, -0.2f}, {yellow[0], yellow[1], yellow[2]}, "demo_iron.tga"}});
    ok = WriteBoxMesh(
             root, FUSE_TRIGGER_MESH, "fuse_trigger",
             {{{-1.5f, 0.0f, -0.3f}, {1.5f, 2.5f, 0.3f}, {grey[0], grey[1], grey[2]}, "demo_iron.tga"}}) &&
         ok;
    return ok;
}

std::vector<std::string> DemoFuseBoxFiles()
{
    return {FUSE_BOX_MESH, FUSE_TRIGGER_MESH};
}
} // namespace worldgen
