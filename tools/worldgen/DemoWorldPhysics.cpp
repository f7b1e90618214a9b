// The demo world's physics: crates with dynamic bodies (one dropped from
// above, so it falls and settles), a stair that climbs onto a ledge with a
// drop at its far end, and the unit shapes the game draws bodies with.
#include "tools/worldgen/DemoWorld.h"

#include "platform/d3dx/XMesh.h"
#include "platform/win32/Path.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <system_error>

namespace worldgen
{
namespace
{
using tk::xfile::XMaterialDesc;
using tk::xfile::XMeshDesc;

struct P3
{
    float x, y, z;
};

P3 Minus(P3 a, P3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

P3 CrossOf(P3 a, P3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float DotOf(P3 a, P3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

XMaterialDesc Textured(const char* texture, float r, float g, float b)
{
    XMaterialDesc m;
    m.texture = texture;
    m.diffuse[0] = r;
    m.diffuse[1] = g;
    m.diffuse[2] = b;
    m.diffuse[3] = 1.0f;
    return m;
}

// A mesh of one material built from boxes and triangles; every triangle is
// wound so that (b - a) x (c - a) points along its outward normal.
class Shape
{
public:
    Shape(const char* name, const XMaterialDesc& material)
    {
        m_mesh.name = name;
        m_mesh.materials.push_back(material);
    }

    uint32_t Vertex(P3 p, P3 n, float u, float v)
    {
        m_mesh.positions.insert(m_mesh.positions.end(), {p.x, p.y, p.z});
        m_mesh.normals.insert(m_mesh.normals.end(), {n.x, n.y, n.z});
        m_mesh.texcoords.insert(m_mesh.texcoords.end(), {u, v});
        return static_cast<uint32_t>(m_mesh.positions.size() / 3 - 1);
    }

    void Triangle(uint32_t a, uint32_t b, uint32_t c, P3 outward)
    {
        if (DotOf(CrossOf(Minus(At(b), At(a)), Minus(At(c), At(a))), outward) < 0.0f)
            std::swap(b, c);
        m_mesh.indices.insert(m_mesh.indices.end(), {a, b, c});
        m_mesh.faceMaterials.push_back(0);
    }

    void Box(P3 lo, P3 hi)
    {
        const P3 faces[6][5] = {
            {{1, 0, 0}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}},
            {{-1, 0, 0}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, hi.y, lo.z}, {lo.x, lo.y, lo.z}},
            {{0, 1, 0}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}},
            {{0, -1, 0}, {lo.x, lo.y, hi.z}, {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}},
            {{0, 0, 1}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}},
            {{0, 0, -1}, {lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z}},
        };
        static constexpr float UV[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        for (const auto& f : faces)
        {
            uint32_t q[4];
            for (int i = 0; i < 4; ++i)
                q[i] = Vertex(f[i + 1], f[0], UV[i][0], UV[i][1]);
            Triangle(q[0], q[1], q[2], f[0]);
            Triangle(q[0], q[2], q[3], f[0]);
        }
    }

    const XMeshDesc& Desc() const { return m_mesh; }

private:
    P3 At(uint32_t i) const
    {
        return {m_mesh.positions[i * 3], m_mesh.positions[i * 3 + 1], m_mesh.positions[i * 3 + 2]};
    }
    XMeshDesc m_mesh;
};

// ---- Where things stand ---------------------------------------------------------------------

// An open patch east of the houses, off the road.
constexpr float AREA_X = 70.0f;
constexpr float AREA_Z = -10.0f;
constexpr int STEPS = 5;
constexpr float STEP_RISE = 0.3f; // below the character's step height
constexpr float STEP_RUN = 0.6f;
constexpr float STAIR_HALF_WIDTH = 1.5f;
// Neighbouring steps differ in width, so no two keep a corner at one place.
constexpr float STEP_WIDTH_CHANGE = 0.25f;
constexpr float LEDGE_LENGTH = 4.0f;
constexpr float LEDGE_HEIGHT = STEPS * STEP_RISE;
constexpr float CRATE_HALF = 0.6f;
constexpr float DROP_HEIGHT = 4.0f;

constexpr const char* STAIR = "meshes\\demo\\stair.x";
constexpr const char* LEDGE = "meshes\\demo\\ledge.x";
// Centred on its origin (a prefab), as a dynamic body is.
constexpr const char* PHYSICS_CRATE = "prefabs\\demo\\physics_crate.x";
constexpr const char* RIGIDBODY_BOX = "prefabs\\special\\rigidbody_box.x";
constexpr const char* RIGIDBODY_SPHERE = "prefabs\\special\\rigidbody_sphere.x";
constexpr const char* RIGIDBODY_CYLINDER = "prefabs\\special\\rigidbody_cylinder.x";

// Dynamic boxes of the default mass; crates take hits and blasts.
constexpr const char* CRATE_BODY = "rigid_body_physics_general 1 8 1";

Shape Stair()
{
    Shape m("stair", Textured("demo_stone.tga", 0.55f, 0.56f, 0.58f));
    for (int i = 0; i < STEPS; ++i)
    {
        const float half = STAIR_HALF_WIDTH + static_cast<float>(i % 2) * STEP_WIDTH_CHANGE;
        m.Box({static_cast<float>(i) * STEP_RUN, 0.0f, -half},
              {static_cast<float>(i + 1) * STEP_RUN, static_cast<float>(i + 1) * STEP_RISE, half});
    }
    return m;
}

Shape Ledge()
{
    Shape m("ledge", Textured("demo_stone.tga", 0.45f, 0.46f, 0.48f));
    m.Box({0.0f, 0.0f, -STAIR_HALF_WIDTH - STEP_WIDTH_CHANGE * 2},
          {LEDGE_LENGTH, LEDGE_HEIGHT, STAIR_HALF_WIDTH + STEP_WIDTH_CHANGE * 2});
    return m;
}

Shape CentredBox(const char* name, float half)
{
    Shape m(name, Textured("demo_wood.tga", 0.60f, 0.42f, 0.22f));
    m.Box({-half, -half, -half}, {half, half, half});
    return m;
}

// The mesh loader welds corners closer than a tenth of a unit along every
// axis: neighbours on the sphere's first ring around each pole stay farther
// apart than that along one axis at least.
constexpr int ROUND_SEGMENTS = 8;
constexpr int SPHERE_RINGS = 6;
constexpr float UNIT_HALF = 0.5f;

// A sphere of radius 0.5 around the origin.
Shape Sphere()
{
    Shape m("rigidbody_sphere", Textured("demo_iron.tga", 0.8f, 0.8f, 0.8f));
    const float pi = std::numbers::pi_v<float>;
    std::vector<uint32_t> grid;
    for (int r = 0; r <= SPHERE_RINGS; ++r)
        for (int s = 0; s <= ROUND_SEGMENTS; ++s)
        {
            const float theta = pi * static_cast<float>(r) / SPHERE_RINGS;
            const float phi = 2.0f * pi * static_cast<float>(s) / ROUND_SEGMENTS;
            const P3 n = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            grid.push_back(m.Vertex({n.x * UNIT_HALF, n.y * UNIT_HALF, n.z * UNIT_HALF}, n,
                                    static_cast<float>(s) / ROUND_SEGMENTS,
                                    static_cast<float>(r) / SPHERE_RINGS));
        }
    const int row = ROUND_SEGMENTS + 1;
    for (int r = 0; r < SPHERE_RINGS; ++r)
        for (int s = 0; s < ROUND_SEGMENTS; ++s)
        {
            const uint32_t a = grid[r * row + s], b = grid[r * row + s + 1];
            const uint32_t c = grid[(r + 1) * row + s], d = grid[(r + 1) * row + s + 1];
            const float theta = std::numbers::pi_v<float> * (static_cast<float>(r) + 0.5f) / SPHERE_RINGS;
            const float phi =
                2.0f * std::numbers::pi_v<float> * (static_cast<float>(s) + 0.5f) / ROUND_SEGMENTS;
            const P3 out = {std::sin(theta) * std::cos(phi), std::cos(theta),
                            std::sin(theta) * std::sin(phi)};
            // The rings at the poles shrink to a point: one triangle there.
            if (r != 0)
                m.Triangle(a, b, c, out);
            if (r != SPHERE_RINGS - 1)
                m.Triangle(b, d, c, out);
        }
    return m;
}

// An upright cylinder of radius 0.5 and height 1 around the origin.
Shape Cylinder()
{
    Shape m("rigidbody_cylinder", Textured("demo_iron.tga", 0.8f, 0.8f, 0.8f));
    const float pi = std::numbers::pi_v<float>;
    const P3 up = {0, 1, 0}, down = {0, -1, 0};
    const uint32_t top = m.Vertex({0, UNIT_HALF, 0}, up, 0.5f, 0.5f);
    const uint32_t bottom = m.Vertex({0, -UNIT_HALF, 0}, down, 0.5f, 0.5f);
    for (int s = 0; s < ROUND_SEGMENTS; ++s)
    {
        const float a0 = 2.0f * pi * static_cast<float>(s) / ROUND_SEGMENTS;
        const float a1 = 2.0f * pi * static_cast<float>(s + 1) / ROUND_SEGMENTS;
        const P3 n0 = {std::cos(a0), 0, std::sin(a0)}, n1 = {std::cos(a1), 0, std::sin(a1)};
        const float u0 = static_cast<float>(s) / ROUND_SEGMENTS,
                    u1 = static_cast<float>(s + 1) / ROUND_SEGMENTS;
        const uint32_t s0 = m.Vertex({n0.x * UNIT_HALF, -UNIT_HALF, n0.z * UNIT_HALF}, n0, u0, 1);
        const uint32_t s1 = m.Vertex({n1.x * UNIT_HALF, -UNIT_HALF, n1.z * UNIT_HALF}, n1, u1, 1);
        const uint32_t s2 = m.Vertex({n1.x * UNIT_HALF, UNIT_HALF, n1.z * UNIT_HALF}, n1, u1, 0);
        const uint32_t s3 = m.Vertex({n0.x * UNIT_HALF, UNIT_HALF, n0.z * UNIT_HALF}, n0, u0, 0);
        const P3 out = {(n0.x + n1.x) * 0.5f, 0, (n0.z + n1.z) * 0.5f};
        m.Triangle(s0, s1, s2, out);
        m.Triangle(s0, s2, s3, out);
        const uint32_t t0 = m.Vertex({n0.x * UNIT_HALF, UNIT_HALF, n0.z * UNIT_HALF}, up, u0, 0);
        const uint32_t t1 = m.Vertex({n1.x * UNIT_HALF, UNIT_HALF, n1.z * UNIT_HALF}, up, u1, 0);
        m.Triangle(top, t0, t1, up);
        const uint32_t b0 = m.Vertex({n0.x * UNIT_HALF, -UNIT_HALF, n0.z * UNIT_HALF}, down, u0, 1);
        const uint32_t b1 = m.Vertex({n1.x * UNIT_HALF, -UNIT_HALF, n1.z * UNIT_HALF}, down, u1, 1);
        m.Triangle(bottom, b0, b1, down);
    }
    return m;
}

bool Write(const std::filesystem::path& root, const char* relative, const Shape& shape)
{
    const std::filesystem::path path = root / Slashes(relative);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    return tk::xfile::XWriteMeshFile(path.string().c_str(), shape.Desc(), tk::xfile::XFormat::Text);
}

} // namespace

const DemoPhysicsPlaces DEMO_PHYSICS = {
    AREA_X, AREA_Z, static_cast<float>(STEPS) * STEP_RUN, LEDGE_LENGTH, LEDGE_HEIGHT, CRATE_HALF,
};

void AddDemoPhysicsObjects(std::vector<DemoObject>& objects)
{
    objects.push_back(MeshAt("stair", STAIR, AREA_X, 0.0f, AREA_Z));
    objects.push_back(MeshAt("ledge", LEDGE, AREA_X + STEPS * STEP_RUN, 0.0f, AREA_Z));
    // Two crates resting on the ground past the ledge, one dropped beside them.
    const float x = AREA_X + STEPS * STEP_RUN + LEDGE_LENGTH;
    objects.push_back(MeshAt("physics_crate_01", PHYSICS_CRATE, x + 6.0f, CRATE_HALF, AREA_Z - 3.0f));
    objects.push_back(MeshAt("physics_crate_02", PHYSICS_CRATE, x + 8.0f, CRATE_HALF, AREA_Z - 3.0f));
    objects.push_back(MeshAt("physics_crate_03", PHYSICS_CRATE, x + 10.0f, DROP_HEIGHT, AREA_Z - 3.0f));
}

std::string DemoPhysicsKeys(const DemoObject& o)
{
    if (o.file == PHYSICS_CRATE)
        return std::string(CRATE_BODY) + "\r\n";
    return std::string();
}

std::vector<std::string> DemoPhysicsFiles()
{
    return {Slashes(STAIR),
            Slashes(LEDGE),
            Slashes(PHYSICS_CRATE),
            Slashes(RIGIDBODY_BOX),
            Slashes(RIGIDBODY_SPHERE),
            Slashes(RIGIDBODY_CYLINDER)};
}

bool WriteDemoPhysicsFiles(const std::filesystem::path& root)
{
    bool ok = Write(root, STAIR, Stair());
    ok = Write(root, LEDGE, Ledge()) && ok;
    ok = Write(root, PHYSICS_CRATE, CentredBox("physics_crate", CRATE_HALF)) && ok;
    ok = Write(root, RIGIDBODY_BOX, CentredBox("rigidbody_box", UNIT_HALF)) && ok;
    ok = Write(root, RIGIDBODY_SPHERE, Sphere()) && ok;
    ok = Write(root, RIGIDBODY_CYLINDER, Cylinder()) && ok;
    return ok;
}
} // namespace worldgen
