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
// The area whose sunlight is baked into bounce lights: a flat box over the
// town's roofs, never drawn (bit 0 clear) and out of segment tests (bit 7),
// so no sun ray starts on it and meets it at once.
constexpr const char* SKYLIGHT_OBJECT = "skylight";
constexpr float SKYLIGHT_HEIGHT = 35.0f, SKYLIGHT_WIDTH = 200.0f, SKYLIGHT_DEPTH = 60.0f;
constexpr int SKYLIGHT_FLAGS = 128;

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
    objects.push_back(MeshAt(SKYLIGHT_OBJECT, DEMO_MARKER_MESH, 0.0f, SKYLIGHT_HEIGHT, 0.0f,
                             {Line("scaling_axis", SKYLIGHT_WIDTH, 1.0f, SKYLIGHT_DEPTH),
                              "flags " + std::to_string(SKYLIGHT_FLAGS)}));
}
} // namespace worldgen
