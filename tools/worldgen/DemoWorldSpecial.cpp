// The game's own prefabs of "prefabs\special" that no world names: the
// hidden marker the items and the characters' deaths use, and the bomb a
// bomber drops.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
constexpr const char* MARKER_MESH = "prefabs\\special\\marker.x";
constexpr const char* BOMB_MESH = "prefabs\\special\\bomba.x";
constexpr float kMarkerHalf = 0.1f;
} // namespace

bool WriteSpecialPrefabs(const std::filesystem::path& root)
{
    const float red[3] = {0.8f, 0.1f, 0.1f};
    const float iron[3] = {0.2f, 0.22f, 0.2f};
    bool ok = WriteBoxMesh(root, MARKER_MESH, "marker",
                           {{{-kMarkerHalf, -kMarkerHalf, -kMarkerHalf},
                             {kMarkerHalf, kMarkerHalf, kMarkerHalf},
                             {red[0], red[1], red[2]},
                             "demo_roof.tga"}});
    // A body with fins at its tail (the tail points back along -z).
    ok = WriteBoxMesh(
             root, BOMB_MESH, "bomba",
             {{{-0.2f, -0.2f, -0.6f}, {0.2f, 0.2f, 0.6f}, {iron[0], iron[1], iron[2]}, "demo_iron.tga"},
              {{-0.35f, -0.02f, -0.8f}, {0.35f, 0.02f, -0.55f}, {iron[0], iron[1], iron[2]}, "demo_iron.tga"},
              {{-0.02f, -0.35f, -0.8f},
               {0.02f, 0.35f, -0.55f},
               {iron[0], iron[1], iron[2]},
               "demo_iron.tga"}}) &&
         ok;
    return ok;
}

std::vector<std::string> SpecialPrefabFiles()
{
    return {MARKER_MESH, BOMB_MESH};
}
} // namespace worldgen
