// Segment tests against a generated world of 4,000 objects: 3,400 static meshes of five shapes
// (as many as the mesh slots hold; the first 2,999, all the collision table holds, with their
// triangles), 64 figures with 20 hit zones each, 236 animated props without zones and 300 lights
// (as many as their slots hold), spread over a square kilometre.
// 10,000 random segments of up to 200 units, mostly level like shots and sight lines, go through
// EIntersectSegment::Test. The report gives the time per segment, the share of table entries that
// their boxes rejected (and the shares of the other pre-tests), and, for a sample of the segments,
// a plain test of every triangle and every figure's zones as the ratio the pre-tests buy, with the
// number of segments on which the two disagree.
#include "bench/Harness.h"
#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshCollision.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "bench/BenchDevice.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "shell/D3DMain.h"
#include "shell/Geometry.h"
#include "world/CollisionMgr.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
constexpr int kMeshes = 3400;
constexpr int kFigures = 64;
constexpr int kProps = 236;
constexpr int kLights = 300;
constexpr int kSegments = 10000;
constexpr int kBruteSegments = 200;
constexpr int kRuns = 3;
constexpr float kHalfWorld = 500.0f;
constexpr float kMaxLength = 200.0f;
constexpr float kMaxPitch = 0.3f; // radians either way
constexpr float kLowestShot = 0.5f;
constexpr float kHighestShot = 12.0f;
constexpr float kSameDistance = 1e-2f;
constexpr unsigned kSeed = 19;

struct Device : BenchDevice
{
    ~Device()
    {
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
    }
};

struct Folder
{
    Folder()
    {
        previous = std::filesystem::current_path();
        path = std::filesystem::temp_directory_path() / ("tk_intersectbench" + std::to_string(getpid()));
        std::filesystem::create_directories(path / "meshes");
        std::filesystem::create_directories(path / "models" / "figure" / "animations");
        std::filesystem::current_path(path);
    }
    ~Folder()
    {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path, previous;
};

// A box standing on its base, each face cut into n x n quads.
tk::xfile::XMeshDesc Block(float sx, float sy, float sz, int n)
{
    tk::xfile::XMeshDesc mesh;
    const float half[3] = {sx / 2.0f, sy, sz / 2.0f};
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side)
        {
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            const uint32_t first = static_cast<uint32_t>(mesh.positions.size() / 3);
            for (int i = 0; i <= n; ++i)
                for (int j = 0; j <= n; ++j)
                {
                    float p[3];
                    const float lo[3] = {-half[0], 0.0f, -half[2]};
                    const float hi[3] = {half[0], half[1], half[2]};
                    p[axis] = side ? hi[axis] : lo[axis];
                    p[u] = lo[u] + (hi[u] - lo[u]) * static_cast<float>(i) / static_cast<float>(n);
                    p[v] = lo[v] + (hi[v] - lo[v]) * static_cast<float>(j) / static_cast<float>(n);
                    mesh.positions.insert(mesh.positions.end(), {p[0], p[1], p[2]});
                }
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                {
                    const uint32_t a = first + static_cast<uint32_t>(i * (n + 1) + j);
                    const uint32_t b = a + 1, c = a + static_cast<uint32_t>(n + 1), d = c + 1;
                    if (side)
                        mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
                    else
                        mesh.indices.insert(mesh.indices.end(), {a, b, c, b, d, c});
                }
        }
    mesh.materials = {tk::xfile::XMaterialDesc()};
    return mesh;
}

struct Shape
{
    const char* file;
    float sx, sy, sz;
    int cuts;
};
// A crate, a wall, a house, a pillar and a low barrier.
const Shape kShapes[] = {
    {"meshes\\crate.x", 2.0f, 2.0f, 2.0f, 1},   {"meshes\\wall.x", 12.0f, 4.0f, 0.6f, 4},
    {"meshes\\house.x", 10.0f, 7.0f, 9.0f, 6},  {"meshes\\pillar.x", 1.0f, 8.0f, 1.0f, 2},
    {"meshes\\barrier.x", 4.0f, 1.0f, 0.8f, 2},
};

struct Zone
{
    const char* bone;
    const char* parent;
    float x, y, z;
    const char* kind; // "sphere" or "cylinder" to the next bone
    float size;
    const char* hitZone;
};
// A standing figure of 20 bones; every bone carries a zone.
const Zone kZones[] = {
    {"Bip01", nullptr, 0.0f, 1.0f, 0.0f, "sphere", 0.25f, "tulow"},
    {"Bip01_Spine", "Bip01", 0.0f, 0.2f, 0.0f, "sphere", 0.2f, "tulow"},
    {"Bip01_Spine1", "Bip01_Spine", 0.0f, 0.2f, 0.0f, "sphere", 0.2f, "tulow"},
    {"Bip01_Spine2", "Bip01_Spine1", 0.0f, 0.2f, 0.0f, "sphere", 0.22f, "tulow"},
    {"Bip01_Neck", "Bip01_Spine2", 0.0f, 0.15f, 0.0f, "sphere", 0.08f, "tulow"},
    {"Bip01_Head", "Bip01_Neck", 0.0f, 0.15f, 0.0f, "sphere", 0.12f, "glowa"},
    {"Bip01_L_UpperArm", "Bip01_Spine2", -0.25f, 0.1f, 0.0f, "cylinder", 0.06f, "lewa_reka"},
    {"Bip01_L_Forearm", "Bip01_L_UpperArm", -0.3f, 0.0f, 0.0f, "cylinder", 0.05f, "lewa_reka"},
    {"Bip01_L_Hand", "Bip01_L_Forearm", -0.25f, 0.0f, 0.0f, "sphere", 0.05f, "lewa_reka"},
    {"Bip01_R_UpperArm", "Bip01_Spine2", 0.25f, 0.1f, 0.0f, "cylinder", 0.06f, "prawa_reka"},
    {"Bip01_R_Forearm", "Bip01_R_UpperArm", 0.3f, 0.0f, 0.0f, "cylinder", 0.05f, "prawa_reka"},
    {"Bip01_R_Hand", "Bip01_R_Forearm", 0.25f, 0.0f, 0.0f, "sphere", 0.05f, "prawa_reka"},
    {"Bip01_L_Thigh", "Bip01", -0.12f, -0.05f, 0.0f, "cylinder", 0.09f, "lewa_noga"},
    {"Bip01_L_Calf", "Bip01_L_Thigh", 0.0f, -0.45f, 0.0f, "cylinder", 0.07f, "lewa_noga"},
    {"Bip01_L_Foot", "Bip01_L_Calf", 0.0f, -0.45f, 0.0f, "sphere", 0.06f, "lewa_noga"},
    {"Bip01_R_Thigh", "Bip01", 0.12f, -0.05f, 0.0f, "cylinder", 0.09f, "prawa_noga"},
    {"Bip01_R_Calf", "Bip01_R_Thigh", 0.0f, -0.45f, 0.0f, "cylinder", 0.07f, "prawa_noga"},
    {"Bip01_R_Foot", "Bip01_R_Calf", 0.0f, -0.45f, 0.0f, "sphere", 0.06f, "prawa_noga"},
    {"Bip01_Pelvis", "Bip01", 0.0f, -0.05f, 0.0f, "sphere", 0.2f, "tulow"},
    {"Bip01_Ponytail", "Bip01_Head", 0.0f, 0.0f, -0.12f, "sphere", 0.05f, "glowa"},
};

int BoneIndex(const char* name)
{
    for (size_t i = 0; i < std::size(kZones); ++i)
        if (name && std::string(kZones[i].bone) == name)
            return static_cast<int>(i);
    return -1;
}

// The figure's bones, a small box for a body, and its zones: a cylinder runs
// from its bone to the first bone that hangs from it.
bool WriteFigure()
{
    SkinModelDesc model;
    for (const Zone& z : kZones)
    {
        SkinModelBone bone;
        bone.name = z.bone;
        bone.parent = BoneIndex(z.parent);
        D3DXMatrixTranslation(&bone.local, z.x, z.y, z.z);
        model.bones.push_back(bone);
    }
    model.mesh = Block(0.4f, 1.8f, 0.3f, 1);
    model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
    if (!WriteSkinModelFile("models\\figure\\figure.x", model, tk::xfile::XFormat::Binary))
        return false;
    std::ofstream zones("models/figure/collisions.txt");
    for (const Zone& z : kZones)
    {
        const std::string kind = z.kind;
        if (kind == "sphere")
            zones << "sphere " << z.bone << "_zone\nnode_name " << z.bone << "\nradius " << z.size << "\n";
        else
        {
            const char* child = z.bone;
            for (const Zone& c : kZones)
                if (c.parent && std::string(c.parent) == z.bone)
                {
                    child = c.bone;
                    break;
                }
            zones << "cylinder " << z.bone << "_zone\nstart_node_name " << z.bone << "\nfinish_node_name "
                  << child << "\nthickness " << z.size << "\n";
        }
        zones << "hit_zone_name " << z.hitZone << "\n";
    }
    std::ofstream("models/figure/animations/animations_desc.txt") << "\n";
    std::filesystem::create_directories("models/prop/animations");
    std::ofstream("models/prop/animations/animations_desc.txt") << "\n";
    SkinModelDesc prop;
    prop.bones = {model.bones[0]};
    prop.mesh = Block(1.0f, 1.0f, 1.0f, 1);
    prop.weights.assign(prop.mesh.positions.size() / 3, {{0, 1.0f}});
    return static_cast<bool>(zones) &&
           WriteSkinModelFile("models\\prop\\prop.x", prop, tk::xfile::XFormat::Binary);
}

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Segment
{
    D3DXVECTOR3 from, to;
};

std::vector<Segment> Segments(std::mt19937& random)
{
    std::uniform_real_distribution<float> ground(-kHalfWorld, kHalfWorld);
    std::uniform_real_distribution<float> height(kLowestShot, kHighestShot);
    std::uniform_real_distribution<float> yaw(0.0f, 2.0f * std::acos(-1.0f));
    std::uniform_real_distribution<float> pitch(-kMaxPitch, kMaxPitch);
    std::uniform_real_distribution<float> length(0.0f, kMaxLength);
    std::vector<Segment> out(kSegments);
    for (Segment& s : out)
    {
        s.from = D3DXVECTOR3(ground(random), height(random), ground(random));
        const float a = yaw(random), b = pitch(random), l = length(random);
        s.to = s.from + D3DXVECTOR3(std::cos(b) * std::sin(a), std::sin(b), std::cos(b) * std::cos(a)) * l;
    }
    return out;
}

// The world: meshes turned at random on the ground, figures among them, lights above.
bool BuildWorld(std::mt19937& random)
{
    for (const Shape& s : kShapes)
        if (!tk::xfile::XWriteMeshFile(s.file, Block(s.sx, s.sy, s.sz, s.cuts), tk::xfile::XFormat::Text))
            return false;
    if (!WriteFigure())
        return false;
    std::uniform_real_distribution<float> ground(-kHalfWorld, kHalfWorld);
    std::uniform_real_distribution<float> yaw(0.0f, 2.0f * std::acos(-1.0f));
    for (int i = 0; i < kMeshes; ++i)
    {
        const float at[3] = {ground(random), 0.0f, ground(random)};
        HOBJECT o = g_Engine.CreateObject(OT_MESH, kShapes[i % std::size(kShapes)].file, 0, 0, at, nullptr);
        if (!o)
            return false;
        EOrientation turn;
        turn.SetYawPitchRoll(yaw(random), 0.0f, 0.0f);
        g_Engine.SetObjectRotation(o, &turn);
    }
    for (int i = 0; i < kFigures; ++i)
    {
        const float at[3] = {ground(random), 0.0f, ground(random)};
        HOBJECT o = g_Engine.CreateObject(OT_SKINMESH, "models\\figure\\figure.x", 0, 0, at, nullptr);
        if (!o)
            return false;
        g_Engine.UpdateSkinMeshNodes(o);
    }
    for (int i = 0; i < kProps; ++i)
    {
        const float at[3] = {ground(random), 3.0f, ground(random)};
        HOBJECT o = g_Engine.CreateObject(OT_SKINMESH, "models\\prop\\prop.x", 0, 0, at, nullptr);
        if (!o)
            return false;
        g_Engine.UpdateSkinMeshNodes(o);
    }
    for (int i = 0; i < kLights; ++i)
    {
        const float at[3] = {ground(random), 6.0f, ground(random)};
        if (!g_Engine.CreateObject(OT_LIGHT, "", 0, 0, at, nullptr))
            return false;
    }
    g_Engine.PrepareObjects();
    return true;
}

// Every triangle of every mesh with triangles, in world space.
std::vector<D3DXVECTOR3> WorldTriangles()
{
    std::vector<D3DXVECTOR3> out;
    for (int i = 0; i < MAX_MESH_OBJECTS; ++i)
    {
        strObject& o = g_Engine.m_Objects[FIRST_MESH_SLOT + i];
        const CollisionRecord* r = g_CollisionMgr.GetRecord(&o);
        if (!o.bUsed || !r)
            continue;
        const EMesh* mesh = static_cast<const EMesh*>(o.Object);
        for (DWORD f = 0; f < r->iFaces * 3; ++f)
        {
            D3DXVECTOR3 v;
            D3DXVec3TransformCoord(&v, &r->CM_vVerticesLocal[r->CM_dwFaces[f]], &mesh->m_mWorld);
            out.push_back(v);
        }
    }
    return out;
}

// The nearest hit of the segment without any pre-test; infinity for none.
float Plain(const Segment& s, const std::vector<D3DXVECTOR3>& triangles)
{
    float nearest = std::numeric_limits<float>::infinity();
    const D3DXVECTOR3 d = s.to - s.from;
    const float length = D3DXVec3Length(&d);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
    {
        float point[3], t = 0.0f;
        if (Geom::IntersectTriangle(&s.from.x, &s.to.x, &triangles[i].x, &triangles[i + 1].x,
                                    &triangles[i + 2].x, point, &t))
            nearest = std::min(nearest, t * length);
    }
    for (int i = 0; i < MAX_SKINMESH_OBJECTS; ++i)
    {
        strObject& o = g_Engine.m_Objects[FIRST_SKINMESH_SLOT + i];
        strSkinZoneHit hit;
        if (o.bUsed && o.Object &&
            ESkinMeshCollision::IntersectSegment(static_cast<const ESkinMesh*>(o.Object), s.from, s.to, &hit))
            nearest = std::min(nearest, hit.fDistance);
    }
    return nearest;
}

void BM_SegmentsThroughFourThousandObjects(benchmark::State& state)
{
    Folder folder;
    Device device;
    std::mt19937 random(kSeed);
    if (!BuildWorld(random))
    {
        state.SkipWithError("the world could not be built");
        return;
    }
    const std::vector<Segment> segments = Segments(random);
    RayTestQuery query;
    query.Init();
    RayTestResult result;
    IntersectSegmentStats stats = {};
    double best = std::numeric_limits<double>::infinity();
    int hits = 0;
    for (auto _ : state)
        for (int run = 0; run < kRuns; ++run)
        {
            hits = 0;
            const double start = CpuSeconds();
            for (const Segment& s : segments)
            {
                query.pFrom = &s.from.x;
                query.pTo = &s.to.x;
                hits += g_IntersectSegment.Test(&query, &result) ? 1 : 0;
            }
            best = std::min(best, CpuSeconds() - start);
        }

    // Once more with the counts, and a sample against the plain test.
    g_IntersectSegment.SetStats(&stats);
    for (const Segment& s : segments)
    {
        query.pFrom = &s.from.x;
        query.pTo = &s.to.x;
        g_IntersectSegment.Test(&query, &result);
    }
    g_IntersectSegment.SetStats(nullptr);
    const std::vector<D3DXVECTOR3> triangles = WorldTriangles();
    int disagree = 0;
    const double plainStart = CpuSeconds();
    for (int i = 0; i < kBruteSegments; ++i)
    {
        const Segment& s = segments[static_cast<size_t>(i)];
        const float plain = Plain(s, triangles);
        query.pFrom = &s.from.x;
        query.pTo = &s.to.x;
        const bool hit = g_IntersectSegment.Test(&query, &result);
        if (hit != std::isfinite(plain) || (hit && std::fabs(result.fDistance - plain) > kSameDistance))
            ++disagree;
    }
    const double plainPerSegment = (CpuSeconds() - plainStart) / kBruteSegments;

    const double entries = static_cast<double>(stats.iEntries);
    const double perSegment = best / kSegments;
    state.counters["us_per_segment"] = perSegment * 1e6;
    state.counters["box_rejected_share"] = static_cast<double>(stats.iBoxRejected) / entries;
    state.counters["sphere_rejected_share"] = static_cast<double>(stats.iSphereRejected) / entries;
    state.counters["candidates_per_segment"] = static_cast<double>(stats.iCandidates) / kSegments;
    state.counters["exact_tests_per_segment"] = static_cast<double>(stats.iExactTests) / kSegments;
    state.counters["zone_tests_per_segment"] = static_cast<double>(stats.iSkinnedTests) / kSegments;
    state.counters["hit_share"] = static_cast<double>(hits) / kSegments;
    state.counters["plain_us_per_segment"] = plainPerSegment * 1e6;
    state.counters["plain_over_test"] = plainPerSegment / perSegment;
    state.counters["disagreements"] = disagree;
    state.counters["table_entries"] =
        static_cast<double>(g_IntersectSegment.GetIntersectCount() + g_IntersectSegment.GetSkinMeshCount());
    state.counters["triangles"] = static_cast<double>(triangles.size() / 3);
}
TK_BENCHMARK(BM_SegmentsThroughFourThousandObjects)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
