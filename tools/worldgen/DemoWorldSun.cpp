// The sun's share of the demo world: until the hero stands in it, the world
// places the camera itself, looking east along the road at a large crate
// whose shadow the afternoon sun throws onto the road.
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* CRATE_MESH = "meshes\\demo\\crate.x";
// Flag word 1 with the shown bit clear: the marker is never drawn.
constexpr int HIDDEN_FLAGS = 12;

std::string Line(const char* key, float a, float b, float c)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s %g %g %g", key, static_cast<double>(a), static_cast<double>(b),
                  static_cast<double>(c));
    return text;
}
} // namespace

void AppendSunObjects(std::vector<DemoObject>& objects)
{
    DemoObject box;
    box.kind = DemoObject::Mesh;
    box.name = DEMO_SHADOW_BOX;
    box.file = CRATE_MESH;
    box.x = DEMO_SHADOW_BOX_X;
    box.z = DEMO_SHADOW_BOX_Z;
    box.keys.push_back(
        Line("scaling_axis", DEMO_SHADOW_BOX_SCALE, DEMO_SHADOW_BOX_SCALE, DEMO_SHADOW_BOX_SCALE));
    objects.push_back(box);

    DemoObject camera;
    camera.kind = DemoObject::Mesh;
    camera.name = DEMO_CAMERA_START;
    camera.file = CRATE_MESH;
    camera.x = DEMO_CAMERA_X;
    camera.y = DEMO_CAMERA_Y;
    camera.z = DEMO_CAMERA_Z;
    camera.keys.push_back(Line("rotation_angles", DEMO_CAMERA_PITCH, DEMO_CAMERA_YAW, 0.0f));
    camera.keys.push_back("flags " + std::to_string(HIDDEN_FLAGS));
    objects.push_back(camera);
}
} // namespace worldgen
