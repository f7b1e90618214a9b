// The demo world's grass: its script under "scripts\grass", which grows
// terrain-grass tufts on the green's texture over the "grass" marker, and a
// plant group of bushes on a low patch of meadow north of the road.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* PATCH_MESH = "meshes\\demo\\grass_patch.x";
constexpr const char* EOL = "\r\n";

std::string GrassScript()
{
    std::string s;
    for (const char* line : {"// The green of the demo town: tufts on the meadow, bushes on the patch.",
                             "world worlds\\level01.w", "texture demo_grass.tga", "grows demo_bush.tga",
                             "width 1.5", "height 1.2", "density 2", "random_seed 0.5"})
        s += std::string(line) + EOL;
    return s + "mesh " + DEMO_GRASS_PATCH + EOL;
}
} // namespace

void AddDemoGrass(std::vector<DemoObject>& objects)
{
    objects.push_back(
        MeshAt(DEMO_GRASS_PATCH, PATCH_MESH, DEMO_GRASS_PATCH_AT[0], 0.0f, DEMO_GRASS_PATCH_AT[1]));
}

bool WriteDemoGrass(const std::filesystem::path& root)
{
    bool ok =
        WriteBoxMesh(root, PATCH_MESH, "grass_patch",
                     {{{-6.0f, 0.0f, -4.0f}, {6.0f, 0.1f, 4.0f}, {0.32f, 0.52f, 0.22f}, "demo_grass.tga"}});
    ok = WriteDataFile(root, Slashes(DEMO_GRASS_SCRIPT), GrassScript()) && ok;
    return ok;
}

std::vector<std::string> DemoGrassFiles()
{
    return {Slashes(PATCH_MESH), Slashes(DEMO_GRASS_SCRIPT)};
}
} // namespace worldgen
