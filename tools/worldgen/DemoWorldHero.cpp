// The hero's body mesh and the demo world's start marker: the hero begins on
// the road west of the square, looking north along the street.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* HERO_MESH = "prefabs\\special\\hero.x";
constexpr const char* START_MESH = "prefabs\\special\\start_point.x";
constexpr float kHeroHalfWidth = 0.25f;
constexpr float kHeroHeight = 1.84f;
constexpr float kMarkerHalf = 0.12f;
} // namespace

void AddDemoHero(std::vector<DemoObject>& objects)
{
    // The marker is the centre of the hero's body, not his feet; it is not drawn.
    objects.push_back(
        MeshAt(DEMO_START_MARKER, START_MESH, DEMO_START[0], DEMO_START[1], DEMO_START[2], {"flags 0"}));
}

bool WriteDemoHero(const std::filesystem::path& root)
{
    const float skin[3] = {0.6f, 0.5f, 0.4f};
    const float red[3] = {0.8f, 0.1f, 0.1f};
    bool ok = WriteBoxMesh(root, HERO_MESH, "hero",
                           {{{-kHeroHalfWidth, -kHeroHeight / 2.0f, -kHeroHalfWidth},
                             {kHeroHalfWidth, kHeroHeight / 2.0f, kHeroHalfWidth},
                             {skin[0], skin[1], skin[2]},
                             "demo_plaster.tga"}});
    ok = WriteBoxMesh(root, START_MESH, "start_point",
                      {{{-kMarkerHalf, -kMarkerHalf, -kMarkerHalf},
                        {kMarkerHalf, kMarkerHalf, kMarkerHalf},
                        {red[0], red[1], red[2]},
                        "demo_roof.tga"}}) &&
         ok;
    return ok;
}

std::vector<std::string> DemoHeroFiles()
{
    return {HERO_MESH, START_MESH};
}
} // namespace worldgen
