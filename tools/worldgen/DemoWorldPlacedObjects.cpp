// The demo world's placed objects: groups of trees in bands south and north
// of the town and out on the far green, and stacks of crates among them,
// written as "worlds\level01.w.om"; and "scripts\multiple_objects.txt", which
// gives the groups their switch distances and impostors.
#include "tools/worldgen/DemoWorld.h"

#include "shell/Orientation.h"
#include "shell/RecordBytes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace worldgen
{
namespace
{
constexpr const char* TREE_MESH = "meshes\\demo\\placed_tree.x";
constexpr const char* CRATE_MESH = "meshes\\demo\\crate.x";
constexpr const char* WILDCARDS = "scripts\\multiple_objects.txt";
constexpr size_t GROUP_RECORD = 280, INSTANCE_RECORD = 252;
constexpr DWORD kMeshFlags = 13;

struct Placed
{
    std::string name;
    float x, y, z;
    float yaw;
    float scale;
    float size; // limits how far its impostor is drawn
    bool farVisible;
};

// A fixed sequence, so the file is the same every run.
struct Scatter
{
    uint32_t state;
    float Next() // [0, 1)
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

std::string Numbered(const char* stem, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s_%03d", stem, n);
    return name;
}

// Trees in a band, a row every `step` units with some jitter.
void Band(std::vector<Placed>& out, Scatter& r, float x0, float x1, float z0, float z1, float step, bool far)
{
    for (float z = z0; z <= z1; z += step)
        for (float x = x0; x <= x1; x += step)
        {
            const float s = 0.8f + 0.5f * r.Next();
            out.push_back({Numbered("placed_tree", static_cast<int>(out.size()) + 1),
                           x + (r.Next() - 0.5f) * step * 0.6f, 0.0f, z + (r.Next() - 0.5f) * step * 0.6f,
                           r.Next() * 6.2831853f, s, 6.0f * s, far});
        }
}

std::vector<Placed> Trees()
{
    std::vector<Placed> t;
    Scatter r{0x7eeu};
    Band(t, r, -140.0f, 140.0f, -90.0f, -66.0f, 12.0f, false);  // south of the town
    Band(t, r, -40.0f, 140.0f, 100.0f, 124.0f, 12.0f, false);   // north, past the vehicle yard
    Band(t, r, -180.0f, 180.0f, -190.0f, -170.0f, 20.0f, true); // the far green
    return t;
}

std::vector<Placed> Crates()
{
    std::vector<Placed> c;
    Scatter r{0xc7a7u};
    // Stacks along the south band and one far out east.
    for (float x : {-95.0f, -30.0f, 35.0f, 100.0f, 165.0f})
    {
        const float z = x > 150.0f ? -120.0f : -62.0f;
        // Three on the ground and one on top of the first.
        const float offsets[4][3] = {
            {0.0f, 0.0f, 0.0f}, {2.2f, 0.0f, 0.0f}, {0.0f, 0.0f, 2.2f}, {0.0f, 1.5f, 0.0f}};
        for (const auto& o : offsets)
            c.push_back({Numbered("placed_crate", static_cast<int>(c.size()) + 1), x + o[0], o[1], z + o[2],
                         r.Next() * 0.3f, 1.0f, 1.8f, false});
    }
    return c;
}

void PutGroup(std::string& out, const char* mesh, const std::vector<Placed>& list, float distance,
              DWORD sprites)
{
    BYTE g[GROUP_RECORD];
    RecordOut group(g, sizeof g);
    group.Chars(0, mesh, 255);
    group.U32(260, static_cast<DWORD>(list.size()));
    group.F32(264, distance);
    group.U32(268, sprites);
    out.append(reinterpret_cast<const char*>(g), sizeof g);
    for (const Placed& p : list)
    {
        BYTE b[INSTANCE_RECORD];
        RecordOut i(b, sizeof b);
        i.Chars(4, p.name.c_str(), 64);
        i.Vec3(68, D3DXVECTOR3(p.x, p.y, p.z));
        i.Orientation(80, EOrientation(p.yaw, 0.0f, 0.0f));
        i.Vec3(196, D3DXVECTOR3(p.scale, p.scale, p.scale));
        i.U32(208, kMeshFlags);
        i.U32(212, 0);
        i.F32(220, p.size);
        i.U8(224, p.farVisible ? 1 : 0);
        out.append(reinterpret_cast<const char*>(b), sizeof b);
    }
}

std::string OmFile()
{
    std::string out(4, '\0');
    RecordOut count(reinterpret_cast<BYTE*>(out.data()), 4);
    count.U32(0, 2);
    // The file's own settings; the wildcards replace them.
    PutGroup(out, TREE_MESH, Trees(), 100.0f, 1);
    PutGroup(out, CRATE_MESH, Crates(), 100.0f, 1);
    return out;
}

std::string OmName()
{
    return std::string(DEMO_WORLD_FILE) + ".om";
}
} // namespace

bool WriteDemoPlacedObjects(const std::filesystem::path& root)
{
    const float wood[3] = {0.35f, 0.24f, 0.14f};
    const float leaves[3] = {0.20f, 0.42f, 0.16f};
    bool ok = WriteBoxMesh(
        root, TREE_MESH, "placed_tree",
        {{{-0.3f, 0.0f, -0.3f}, {0.3f, 3.0f, 0.3f}, {wood[0], wood[1], wood[2]}, "demo_wood.tga"},
         {{-2.2f, 2.6f, -2.2f}, {2.2f, 5.2f, 2.2f}, {leaves[0], leaves[1], leaves[2]}, "demo_grass.tga"},
         {{-1.4f, 5.2f, -1.4f}, {1.4f, 7.0f, 1.4f}, {leaves[0], leaves[1], leaves[2]}, "demo_grass.tga"}});
    ok = WriteDataFile(root, Slashes(OmName()), OmFile()) && ok;
    ok = WriteTextFile(root, WILDCARDS,
                       "// pattern, switch distance, impostors far away, flag bits\r\n"
                       "placed_tree 70 1 0\r\n"
                       "crate 60 1 0\r\n") &&
         ok;
    return ok;
}

std::vector<std::string> DemoPlacedObjectFiles()
{
    return {Slashes(TREE_MESH), Slashes(OmName()), Slashes(WILDCARDS)};
}
} // namespace worldgen
