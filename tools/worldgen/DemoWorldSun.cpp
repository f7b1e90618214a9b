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
    objects.push_back(
        MeshAt(DEMO_SHADOW_BOX, CRATE_MESH, DEMO_SHADOW_BOX_X, 0.0f, DEMO_SHADOW_BOX_Z,
               {Line("scaling_axis", DEMO_SHADOW_BOX_SCALE, DEMO_SHADOW_BOX_SCALE, DEMO_SHADOW_BOX_SCALE)}));
    objects.push_back(MeshAt(DEMO_CAMERA_START, CRATE_MESH, DEMO_CAMERA_X, DEMO_CAMERA_Y, DEMO_CAMERA_Z,
                             {Line("rotation_angles", DEMO_CAMERA_PITCH, DEMO_CAMERA_YAW, 0.0f),
                              "flags " + std::to_string(HIDDEN_FLAGS)}));
}
} // namespace worldgen
