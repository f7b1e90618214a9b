// tk_meshgen DATA_FOLDER: writes the bundled static meshes through the .x writer.
//   meshes\box.x            a unit box with split normals, one textured material (text)
//   meshes\ground_tile.x    a 16 x 16 ground tile of 8 x 8 quads, normals up, uv over the tile (binary)
//   prefabs\hut.x           a hut: walls and a roof on two materials (compressed text)
//   meshes\lod_tower.x      a 12-sided tower, with a 4-sided first level of detail in !opt (binary)
// Every mesh is built from its measurements here; nothing is typed in by hand.
#include "platform/d3dx/XMesh.h"

#include <cmath>
#include <cstdio>
#include <utility>
#include <filesystem>
#include <string>

using namespace tk::xfile;

namespace
{
constexpr int kFaces = 6;
constexpr int kCorners = 4;
constexpr float kHalf = 0.5f;
constexpr int kRoundSides = 12;
constexpr int kLodSides = 4;

// An axis-aligned box from lo to hi, each face with its own four vertices and outward normal, two
// clockwise triangles seen from outside, on material `material`.
void AddBox(XMeshDesc* mesh, const float lo[3], const float hi[3], uint32_t material)
{
    const float normals[kFaces][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (const auto& n : normals)
    {
        const int axis = n[0] != 0 ? 0 : n[1] != 0 ? 1 : 2;
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        const uint32_t base = static_cast<uint32_t>(mesh->positions.size() / 3);
        const float square[kCorners][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (const auto& c : square)
        {
            float p[3];
            p[axis] = n[axis] > 0 ? hi[axis] : lo[axis];
            p[u] = c[0] ? hi[u] : lo[u];
            p[v] = c[1] ? hi[v] : lo[v];
            mesh->positions.insert(mesh->positions.end(), {p[0], p[1], p[2]});
            mesh->normals.insert(mesh->normals.end(), {n[0], n[1], n[2]});
            mesh->texcoords.insert(mesh->texcoords.end(), {c[0], 1.0f - c[1]});
        }
        // (u, v) runs counter-clockwise seen from +axis: flip for faces looking along +axis.
        const bool flip = n[axis] > 0;
        const uint32_t order[2][6] = {{0, 1, 2, 0, 2, 3}, {0, 2, 1, 0, 3, 2}};
        for (uint32_t i : order[flip ? 1 : 0])
            mesh->indices.push_back(base + i);
        mesh->faceMaterials.insert(mesh->faceMaterials.end(), {material, material});
    }
}

XMaterialDesc Material(const char* texture, float grey)
{
    XMaterialDesc m;
    m.diffuse[0] = m.diffuse[1] = m.diffuse[2] = grey;
    m.texture = texture;
    return m;
}

XMeshDesc Box()
{
    XMeshDesc box;
    box.name = "box";
    const float lo[3] = {-kHalf, -kHalf, -kHalf}, hi[3] = {kHalf, kHalf, kHalf};
    AddBox(&box, lo, hi, 0);
    box.materials = {Material("crate.tga", 1.0f)};
    return box;
}

XMeshDesc GroundTile()
{
    constexpr int kCells = 8;
    constexpr float kSize = 16.0f;
    XMeshDesc tile;
    tile.name = "ground_tile";
    for (int z = 0; z <= kCells; ++z)
        for (int x = 0; x <= kCells; ++x)
        {
            const float fx = static_cast<float>(x) / kCells, fz = static_cast<float>(z) / kCells;
            tile.positions.insert(tile.positions.end(), {(fx - kHalf) * kSize, 0.0f, (fz - kHalf) * kSize});
            tile.normals.insert(tile.normals.end(), {0.0f, 1.0f, 0.0f});
            tile.texcoords.insert(tile.texcoords.end(), {fx, 1.0f - fz});
        }
    for (int z = 0; z < kCells; ++z)
        for (int x = 0; x < kCells; ++x)
        {
            const uint32_t a = static_cast<uint32_t>(z * (kCells + 1) + x);
            const uint32_t b = a + 1, c = a + kCells + 1, d = c + 1;
            // Seen from above (+y), clockwise.
            tile.indices.insert(tile.indices.end(), {a, c, d, a, d, b});
        }
    tile.materials = {Material("grass.tga", 1.0f)};
    return tile;
}

XMeshDesc Hut()
{
    XMeshDesc hut;
    hut.name = "hut";
    const float lo[3] = {-2, 0, -2}, hi[3] = {2, 3, 2};
    AddBox(&hut, lo, hi, 0);
    // A four-sided roof: a pyramid over the walls, its own vertices per side.
    const float top[3] = {0, 5, 0};
    const float eaves[4][3] = {{-2.5f, 3, -2.5f}, {-2.5f, 3, 2.5f}, {2.5f, 3, 2.5f}, {2.5f, 3, -2.5f}};
    for (int side = 0; side < 4; ++side)
    {
        const float* a = eaves[side];
        const float* b = eaves[(side + 1) % 4];
        const uint32_t base = static_cast<uint32_t>(hut.positions.size() / 3);
        for (const float* p : {a, top, b})
        {
            hut.positions.insert(hut.positions.end(), {p[0], p[1], p[2]});
            hut.normals.insert(hut.normals.end(), {0, 1, 0});
        }
        hut.texcoords.insert(hut.texcoords.end(), {0, 1, kHalf, 0, 1, 1});
        // Clockwise seen from outside: eave, next eave, top.
        hut.indices.insert(hut.indices.end(), {base, base + 2, base + 1});
        hut.faceMaterials.push_back(1);
    }
    hut.materials = {Material("walls.tga", 0.9f), Material("roof.tga", 0.7f)};
    return hut;
}

// A column of `sides` flat sides around the y axis, radius 1 and height 8, with a flat top: the
// round tower and, with 4 sides, its level of detail.
XMeshDesc Tower(int sides)
{
    constexpr float kHeight = 8.0f;
    constexpr float kTurn = 6.28318530718f;
    XMeshDesc tower;
    tower.name = "tower";
    auto corner = [&](int i)
    {
        const float a = kTurn * static_cast<float>(i) / static_cast<float>(sides);
        return std::pair<float, float>(std::sin(a), std::cos(a));
    };
    for (int i = 0; i < sides; ++i)
    {
        const auto [x0, z0] = corner(i);
        const auto [x1, z1] = corner(i + 1);
        const float mid = kTurn * (static_cast<float>(i) + kHalf) / static_cast<float>(sides);
        const uint32_t base = static_cast<uint32_t>(tower.positions.size() / 3);
        const float u0 = static_cast<float>(i) / static_cast<float>(sides);
        const float u1 = static_cast<float>(i + 1) / static_cast<float>(sides);
        tower.positions.insert(tower.positions.end(),
                               {x0, 0, z0, x0, kHeight, z0, x1, kHeight, z1, x1, 0, z1});
        for (int k = 0; k < kCorners; ++k)
            tower.normals.insert(tower.normals.end(), {std::sin(mid), 0.0f, std::cos(mid)});
        tower.texcoords.insert(tower.texcoords.end(), {u0, 1, u0, 0, u1, 0, u1, 1});
        // Seen from outside, corner i + 1 lies to the left of corner i: clockwise is bottom, top-left, top.
        tower.indices.insert(tower.indices.end(), {base, base + 2, base + 1, base, base + 3, base + 2});
        tower.faceMaterials.insert(tower.faceMaterials.end(), {0, 0});
    }
    // The top: a fan around its centre.
    const uint32_t centre = static_cast<uint32_t>(tower.positions.size() / 3);
    tower.positions.insert(tower.positions.end(), {0, kHeight, 0});
    tower.normals.insert(tower.normals.end(), {0, 1, 0});
    tower.texcoords.insert(tower.texcoords.end(), {kHalf, kHalf});
    for (int i = 0; i <= sides; ++i)
    {
        const auto [x, z] = corner(i);
        tower.positions.insert(tower.positions.end(), {x, kHeight, z});
        tower.normals.insert(tower.normals.end(), {0, 1, 0});
        tower.texcoords.insert(tower.texcoords.end(), {kHalf + kHalf * x, kHalf - kHalf * z});
    }
    for (int i = 0; i < sides; ++i)
    {
        const uint32_t a = centre + 1 + static_cast<uint32_t>(i);
        tower.indices.insert(tower.indices.end(), {centre, a, a + 1});
        tower.faceMaterials.push_back(1);
    }
    tower.materials = {Material("stone.tga", 1.0f), Material("slate.tga", 0.8f)};
    return tower;
}

bool Write(const std::filesystem::path& root, const char* relative, const XMeshDesc& mesh, XFormat format)
{
    const std::filesystem::path path = root / relative;
    std::filesystem::create_directories(path.parent_path());
    const bool ok = XWriteMeshFile(path.string().c_str(), mesh, format);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.string().c_str());
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: tk_meshgen DATA_FOLDER\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    bool ok = Write(root, "meshes/box.x", Box(), XFormat::Text);
    ok = Write(root, "meshes/ground_tile.x", GroundTile(), XFormat::Binary) && ok;
    ok = Write(root, "prefabs/hut.x", Hut(), XFormat::TextZip) && ok;
    ok = Write(root, "meshes/lod_tower.x", Tower(kRoundSides), XFormat::Binary) && ok;
    // The level of detail lies where the mesh table looks for it: !opt\<cache name>0.x.
    ok = Write(root, "!opt/meshes_lod_tower.xvx0.x", Tower(kLodSides), XFormat::Binary) && ok;
    return ok ? 0 : 1;
}
