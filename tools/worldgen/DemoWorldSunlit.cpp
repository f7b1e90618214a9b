// The showcase west of the town, beyond the crates' yard: the sun-lit
// surfaces that are not plain opaque geometry, seen from one marker. A pond
// named "water" that mirrors the fence and the tree, a fence cut out by its
// texture's alpha, windows of two kinds of glass, a tree whose leaves sway,
// grass tufts, a lamp with a glowing pane, a shaft of light under it and a
// light whose shadows fall in every direction, and a trough of lava. The
// marker looks north-west, so the sun (and its lens flare) is in view.
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* FENCE = "meshes\\demo\\showcase_fence.x";
constexpr const char* WINDOWS = "meshes\\demo\\showcase_windows.x";
constexpr const char* TREE = "meshes\\demo\\showcase_tree.x";
constexpr const char* GRASS = "meshes\\demo\\showcase_grass.x";
constexpr const char* POND = "meshes\\demo\\showcase_pond.x";
constexpr const char* LAVA = "meshes\\demo\\showcase_lava.x";
constexpr const char* LAMP = "meshes\\demo\\showcase_lamp.x";
constexpr const char* SHAFT = "meshes\\demo\\showcase_shaft.x";
constexpr const char* FLARES = "scripts\\lensflare\\demo.txt";
// The centre of the showcase and the pond's surface.
constexpr float CX = -76.0f, CZ = 2.0f;
constexpr float POND_TOP = 0.3f;
// Flag word 1: the default 13, reflected in the water (0x400000); the pond
// bed's refracted flag (0x800000); a light that casts cube shadows (0x10).
constexpr int REFLECTED = 13 | 0x400000;
constexpr int REFRACTED = 13 | 0x800000;
constexpr int SHADOW_LIGHT = 29;
constexpr int HIDDEN = 12;

std::string Flags(int flags)
{
    return "flags " + std::to_string(flags);
}

std::string Line(const char* key, float a, float b, float c)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s %g %g %g", key, static_cast<double>(a), static_cast<double>(b),
                  static_cast<double>(c));
    return text;
}

// One flare: texture, brightness, place on the axis (twentieths), scale (x 128), additive.
struct Flare
{
    const char* texture;
    float brightness;
    float axis;
    float scale;
    int additive;
};
constexpr Flare FLARE_LIST[] = {
    {"flare_disc.tga", 0.5f, 4.0f, 0.02f, 1},    {"flare_ring.tga", 0.4f, 8.0f, 0.015f, 1},
    {"flare_ghost.tga", 0.35f, 2.0f, 0.01f, 1},  {"flare_sun.tga", 0.9f, 0.0f, 0.06f, 1},
    {"flare_disc.tga", 0.45f, 6.0f, 0.012f, 1},  {"flare_ghost.tga", 0.35f, 9.0f, 0.02f, 1},
    {"flare_ring.tga", 0.3f, 12.0f, 0.03f, 1},   {"flare_disc.tga", 0.4f, 15.0f, 0.01f, 1},
    {"flare_ghost.tga", 0.3f, 18.0f, 0.025f, 1}, {"flare_ring.tga", 0.35f, 20.0f, 0.04f, 1},
    {"flare_halo.tga", 0.6f, 0.0f, 0.12f, 1},
};
} // namespace

void AddDemoSunlit(std::vector<DemoObject>& objects)
{
    // The pond and its bed, the refracted floor under the water.
    objects.push_back(MeshAt("water", POND, CX, 0.0f, CZ, {Flags(13)}));
    objects.push_back(MeshAt("showcase_pond_bed", POND, CX, -0.6f, CZ, {Flags(REFRACTED)}));
    // Behind the pond: the fence, the windows' frame, the tree and grass.
    objects.push_back(MeshAt("showcase_fence", FENCE, CX - 1.0f, 0.0f, CZ + 6.0f, {Flags(REFLECTED)}));
    objects.push_back(MeshAt("showcase_windows", WINDOWS, CX + 5.0f, 0.0f, CZ + 5.0f, {Flags(REFLECTED)}));
    objects.push_back(
        MeshAt("showcase_tree", TREE, CX - 5.0f, 0.0f, CZ + 3.0f, {Flags(REFLECTED), "is_it_tree 1"}));
    const float tufts[][2] = {{-2.5f, -3.5f}, {-1.0f, -4.0f}, {1.5f, -3.8f}, {3.0f, -3.2f}, {-4.0f, -1.5f}};
    int n = 0;
    for (const auto& t : tufts)
        objects.push_back(MeshAt("showcase_grass_" + std::to_string(++n), GRASS, CX + t[0], 0.0f, CZ + t[1]));
    // The lamp east of the pond, its glow and the shaft of light under it.
    // The lamp names its light as its own: it is among the casters of the
    // light's cube, so its post throws a shadow across the ground.
    objects.push_back(MeshAt("showcase_lamp", LAMP, CX + 6.0f, 0.0f, CZ - 1.0f,
                             {Flags(REFLECTED), "object_light_control_params 1 0",
                              "object_light_control2_light 0 showcase_light"}));
    objects.push_back(MeshAt("showcase_shaft", SHAFT, CX + 6.0f, 0.0f, CZ - 1.0f));
    DemoObject light;
    light.kind = DemoObject::Light;
    light.name = "showcase_light";
    light.x = CX + 6.0f;
    light.y = 3.2f;
    light.z = CZ - 1.0f;
    light.range = 12.0f;
    light.power = 1.2f;
    light.color[0] = 1.0f;
    light.color[1] = 0.8f;
    light.color[2] = 0.5f;
    light.keys = {Flags(SHADOW_LIGHT)};
    objects.push_back(light);
    // The lava trough between the marker and the pond.
    objects.push_back(MeshAt("showcase_lava", LAVA, CX + 2.5f, 0.0f, CZ - 6.0f));
    // The marker the whole-game checks hold the camera at.
    objects.push_back(
        MeshAt(DEMO_SHOWCASE, DEMO_MARKER_MESH, DEMO_SHOWCASE_AT[0], DEMO_SHOWCASE_AT[1], DEMO_SHOWCASE_AT[2],
               {Line("rotation_angles", DEMO_SHOWCASE_PITCH, DEMO_SHOWCASE_YAW, 0.0f), Flags(HIDDEN)}));
}

bool WriteDemoSunlit(const std::filesystem::path& root)
{
    const float white[3] = {1.0f, 1.0f, 1.0f};
    auto box = [&](float x0, float y0, float z0, float x1, float y1, float z1, const char* texture) {
        return DemoBox{{x0, y0, z0}, {x1, y1, z1}, {white[0], white[1], white[2]}, texture};
    };
    bool ok = WriteBoxMesh(root, POND, "showcase_pond",
                           {box(-4.5f, POND_TOP - 0.02f, -3.0f, 4.5f, POND_TOP, 3.0f, "sun_water.tga")});
    // Pickets on a long panel: the texture's alpha cuts the gaps.
    ok = WriteBoxMesh(root, FENCE, "showcase_fence",
                      {box(-4.0f, 0.0f, -0.03f, 4.0f, 1.4f, 0.03f, "sun_fence.tga")}) &&
         ok;
    // A wall with two panes: plain glass and glass that shows the sky box.
    ok = WriteBoxMesh(root, WINDOWS, "showcase_windows",
                      {box(-2.6f, 0.0f, 0.2f, 2.6f, 3.2f, 0.6f, "demo_stone.tga"),
                       box(-2.1f, 0.8f, -0.05f, -0.3f, 2.4f, 0.05f, "sun_glass.tga"),
                       box(0.3f, 0.8f, -0.05f, 2.1f, 2.4f, 0.05f, "sun_glass_env.tga")}) &&
         ok;
    // A trunk and two crossed cards of leaves.
    ok = WriteBoxMesh(root, TREE, "showcase_tree",
                      {box(-0.2f, 0.0f, -0.2f, 0.2f, 2.6f, 0.2f, "demo_wood.tga"),
                       box(-1.8f, 1.6f, -0.02f, 1.8f, 5.0f, 0.02f, "sun_leaves.tga"),
                       box(-0.02f, 1.6f, -1.8f, 0.02f, 5.0f, 1.8f, "sun_leaves.tga")}) &&
         ok;
    ok = WriteBoxMesh(root, GRASS, "showcase_grass",
                      {box(-0.6f, 0.0f, -0.02f, 0.6f, 0.8f, 0.02f, "sun_grass.tga"),
                       box(-0.02f, 0.0f, -0.6f, 0.02f, 0.8f, 0.6f, "sun_grass.tga")}) &&
         ok;
    // The post stands beside the light and holds the glowing head on an arm.
    ok = WriteBoxMesh(root, LAMP, "showcase_lamp",
                      {box(-0.78f, 0.0f, -0.08f, -0.62f, 3.62f, 0.08f, "demo_wood.tga"),
                       box(-0.62f, 3.5f, -0.05f, 0.0f, 3.62f, 0.05f, "demo_wood.tga"),
                       box(-0.3f, 3.0f, -0.3f, 0.3f, 3.5f, 0.3f, "sun_glow.tga")}) &&
         ok;
    ok = WriteBoxMesh(root, SHAFT, "showcase_shaft",
                      {box(-0.9f, 0.3f, -0.9f, 0.9f, 2.95f, 0.9f, "sun_shaft.tga")}) &&
         ok;
    ok = WriteBoxMesh(root, LAVA, "showcase_lava",
                      {box(-2.5f, 0.0f, -0.6f, 2.5f, 0.35f, 0.6f, "sun_lava.tga"),
                       box(-2.8f, 0.0f, -0.9f, 2.8f, 0.6f, -0.6f, "demo_stone.tga"),
                       box(-2.8f, 0.0f, 0.6f, 2.8f, 0.6f, 0.9f, "demo_stone.tga")}) &&
         ok;
    std::string flares;
    for (const Flare& f : FLARE_LIST)
    {
        char entry[160];
        std::snprintf(entry, sizeof entry, "%s\r\n%g\r\n%g\r\n%g\r\n%d\r\n", f.texture,
                      static_cast<double>(f.brightness), static_cast<double>(f.axis),
                      static_cast<double>(f.scale), f.additive);
        flares += entry;
    }
    ok = WriteDataFile(root, Slashes(FLARES), flares) && ok;
    return ok;
}

std::vector<std::string> DemoSunlitFiles()
{
    return {FENCE, WINDOWS, TREE, GRASS, POND, LAVA, LAMP, SHAFT, FLARES};
}
} // namespace worldgen
