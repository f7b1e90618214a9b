// Collision geometry: triangles, normals and boxes in object and world
// space, boxes of at most 100 faces per subset, flags, the table's limit, and
// what registering, refreshing and freeing do to memory.
#include "world_fixture.h"

#include "platform/d3dx/Mesh.h"
#include "world/CollisionMgr.h"

#include <cmath>
#include <vector>

namespace worldtest
{
namespace
{
constexpr float PI = 3.14159265358979f;

struct Vertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class Collision : public WorldTest
{
protected:
    void TearDown() override
    {
        g_CollisionMgr.FreeAll();
        for (ID3DXMesh* m : meshes)
            m->Release();
        for (const char* tag :
             {"CM_vVerticesLocal", "CM_vVerticesWorld", "CM_dwFaces", "CM_vFacesDimMin", "CM_vFacesDimMax",
              "CM_vFaceLocalNormal", "CM_vFacesAABB_Min", "CM_vFacesAABB_Max", "CM_vFaceNormal", "pBoxes"})
            EXPECT_EQ(Tracked(tag), 0u) << tag;
        EXPECT_EQ(g_CollisionMgr.GetMemoryTotal(), CollisionMgr::TABLE_BYTES);
        WorldTest::TearDown();
    }

    // A mesh of the given vertices and 16-bit faces (or 32-bit with wide).
    ID3DXMesh* MakeMesh(const std::vector<D3DXVECTOR3>& points, const std::vector<DWORD>& faces,
                        bool wide = false)
    {
        ID3DXMesh* mesh = nullptr;
        const DWORD options = D3DXMESH_SYSTEMMEM | (wide ? D3DXMESH_32BIT : 0);
        EXPECT_EQ(D3DXCreateMeshFVF(static_cast<DWORD>(faces.size() / 3), static_cast<DWORD>(points.size()),
                                    options, VERTEX_FVF, device, &mesh),
                  D3D_OK);
        if (!mesh)
            return nullptr;
        meshes.push_back(mesh);
        void* data = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
        auto* v = static_cast<Vertex*>(data);
        for (size_t i = 0; i < points.size(); ++i)
            v[i] = {points[i].x, points[i].y, points[i].z, 0, 0, 0, 0, 0};
        mesh->UnlockVertexBuffer();
        EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
        for (size_t i = 0; i < faces.size(); ++i)
            if (wide)
                static_cast<DWORD*>(data)[i] = faces[i];
            else
                static_cast<WORD*>(data)[i] = static_cast<WORD>(faces[i]);
        mesh->UnlockIndexBuffer();
        return mesh;
    }

    // A strip of n small triangles along x.
    ID3DXMesh* Strip(DWORD n)
    {
        std::vector<D3DXVECTOR3> p;
        std::vector<DWORD> f;
        for (DWORD i = 0; i < n; ++i)
        {
            const float x = static_cast<float>(i);
            const DWORD b = static_cast<DWORD>(p.size());
            p.insert(p.end(), {{x, 0, 0}, {x, 1, 0}, {x + 1, 0, 0}});
            f.insert(f.end(), {b, b + 1, b + 2});
        }
        return MakeMesh(p, f);
    }

    static CollisionSource Source(ID3DXMesh* mesh, D3DXVECTOR3 lo, D3DXVECTOR3 hi)
    {
        CollisionSource s;
        s.pMesh = mesh;
        s.vMin = lo;
        s.vMax = hi;
        D3DXMatrixIdentity(&s.mWorld);
        return s;
    }

    std::vector<ID3DXMesh*> meshes;
};

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}

// One quad facing -Z (clockwise seen from the front), turned and moved.
TEST_F(Collision, TrianglesNormalsAndBoxesInObjectAndWorldSpace)
{
    ID3DXMesh* quad = MakeMesh({{0, 0, 0}, {0, 2, 0}, {2, 2, 0}, {2, 0, 0}}, {0, 1, 2, 0, 2, 3});
    HOBJECT o = Mesh("wall");
    o->dwFlags |= 0x4;
    CollisionSource s = Source(quad, {0, 0, 0}, {2, 2, 0});
    D3DXMATRIX turn, move;
    D3DXMatrixRotationY(&turn, PI / 2.0f);
    D3DXMatrixTranslation(&move, 10.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&s.mWorld, &turn, &move);
    const DWORD before = g_CollisionMgr.GetMemoryTotal();
    g_CollisionMgr.AddObject(o, s);

    const CollisionRecord* r = g_CollisionMgr.GetRecord(o);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(o->bCollisionRegistered, 1);
    EXPECT_EQ(r->iFaces, 2u);
    EXPECT_EQ(r->iVertices, 4u);
    EXPECT_EQ(r->CM_dwFaces[4], 2);
    for (DWORD f = 0; f < 2; ++f)
        ExpectNear(r->CM_vFaceLocalNormal[f], {0, 0, -1});
    ExpectNear(r->CM_vFacesDimMin[1], {0, 0, 0});
    ExpectNear(r->CM_vFacesDimMax[1], {2, 2, 0});
    // A quarter turn about Y takes -Z to -X, then the move by 10 along X.
    ExpectNear(r->CM_vFaceNormal[0], {-1, 0, 0});
    ExpectNear(r->CM_vVerticesWorld[2], {10, 2, -2});
    ExpectNear(r->CM_vFacesAABB_Min[1], {10, 0, -2});
    ExpectNear(r->CM_vFacesAABB_Max[1], {10, 2, 0});
    ExpectNear(r->vWorldMin, {10, 0, -2});
    ExpectNear(r->vWorldMax, {10, 2, 0});
    ExpectNear(r->pBoxes[0].vWorldMin, {10, 0, -2});
    EXPECT_EQ(r->iUpdates, 1u);
    EXPECT_EQ(g_CollisionMgr.GetMemoryTotal(), before + 2 * 6 + 2 * (2 * 36 + 4 * 12) + 1 * 64);

    g_Engine.DeleteObject(o);
    EXPECT_EQ(g_CollisionMgr.GetMemoryTotal(), before);
}

TEST_F(Collision, SubsetsAreCutIntoBoxesOfAtMostAHundredFaces)
{
    ID3DXMesh* strip = Strip(350);
    const D3DXATTRIBUTERANGE ranges[] = {{0, 0, 250, 0, 750}, {1, 250, 100, 750, 300}};
    const BYTE flags[] = {0, 7};
    CollisionSource s = Source(strip, {0, 0, 0}, {350, 1, 0});
    s.pRanges = ranges;
    s.iRanges = 2;
    s.pSubsetFlags = flags;
    s.iSubsetFlags = 2;
    HOBJECT o = Mesh("strip");
    g_CollisionMgr.AddObject(o, s);
    const CollisionRecord* r = g_CollisionMgr.GetRecord(o);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->iBoxes, 4u);
    struct Expected
    {
        DWORD first, count, subset;
        BYTE flag;
        float lo, hi;
    };
    const Expected expected[] = {{0, 100, 0, 0, 0, 100},
                                 {100, 100, 0, 0, 100, 200},
                                 {200, 50, 0, 0, 200, 250},
                                 {250, 100, 1, 7, 250, 350}};
    for (DWORD i = 0; i < 4; ++i)
    {
        const CollisionBox& b = r->pBoxes[i];
        EXPECT_EQ(b.iFirstFace, expected[i].first) << i;
        EXPECT_EQ(b.iFaceCount, expected[i].count) << i;
        EXPECT_EQ(b.iSubset, expected[i].subset) << i;
        EXPECT_EQ(b.bSubsetFlag, expected[i].flag) << i;
        EXPECT_EQ(b.vMin.x, expected[i].lo) << i;
        EXPECT_EQ(b.vMax.x, expected[i].hi) << i;
    }

    // Without an attribute table: one box over every face, with the mesh's bounds.
    HOBJECT plain = Mesh("plain");
    g_CollisionMgr.AddObject(plain, Source(strip, {-1, -1, -1}, {351, 2, 1}));
    const CollisionRecord* p = g_CollisionMgr.GetRecord(plain);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->iBoxes, 1u);
    EXPECT_EQ(p->pBoxes[0].iFaceCount, 350u);
    ExpectNear(p->pBoxes[0].vMin, {-1, -1, -1});
}

TEST_F(Collision, FlagsDecideWhatIsKept)
{
    ID3DXMesh* quad = MakeMesh({{0, 0, 0}, {0, 2, 0}, {2, 2, 0}}, {0, 1, 2});
    CollisionSource s = Source(quad, {0, 0, 0}, {2, 2, 0});
    D3DXMatrixTranslation(&s.mWorld, 0.0f, 5.0f, 0.0f);

    HOBJECT hidden = Mesh("hidden");
    hidden->dwFlags = 0x80;
    g_CollisionMgr.AddObject(hidden, s);
    EXPECT_EQ(g_CollisionMgr.GetRecord(hidden), nullptr);

    // Without bit 0x4 the world box follows the object, the faces do not.
    HOBJECT still = Mesh("still");
    still->dwFlags = 0;
    g_CollisionMgr.AddObject(still, s);
    const CollisionRecord* r = g_CollisionMgr.GetRecord(still);
    ASSERT_NE(r, nullptr);
    ExpectNear(r->vWorldMin, {0, 5, 0});
    ExpectNear(r->CM_vVerticesWorld[1], {0, 2, 0});
    EXPECT_EQ(r->iUpdates, 0u);

    // Registering again only refreshes: no second record, no more memory.
    const DWORD memory = g_CollisionMgr.GetMemoryTotal();
    still->dwFlags = 0x4;
    D3DXMatrixTranslation(&s.mWorld, 0.0f, 9.0f, 0.0f);
    g_CollisionMgr.AddObject(still, s);
    EXPECT_EQ(g_CollisionMgr.GetRecord(still), r);
    EXPECT_EQ(g_CollisionMgr.GetMemoryTotal(), memory);
    EXPECT_EQ(Tracked("CM_dwFaces"), 1u);
    ExpectNear(r->CM_vVerticesWorld[1], {0, 11, 0});
    EXPECT_EQ(r->iUpdates, 1u);
}

TEST_F(Collision, MeshesOfOtherLayoutsAndDamagedOnes)
{
    // 32-bit indexes are read as such.
    ID3DXMesh* wide = MakeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2}, true);
    HOBJECT a = Mesh("wide");
    g_CollisionMgr.AddObject(a, Source(wide, {0, 0, 0}, {1, 1, 0}));
    const CollisionRecord* r = g_CollisionMgr.GetRecord(a);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->CM_dwFaces[1], 1);
    ExpectNear(r->CM_vVerticesLocal[2], {1, 0, 0});

    // An index past the vertices: the mesh gets no record and nothing leaks.
    ID3DXMesh* broken = MakeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 9});
    HOBJECT b = Mesh("broken");
    g_CollisionMgr.AddObject(b, Source(broken, {0, 0, 0}, {1, 1, 0}));
    EXPECT_EQ(g_CollisionMgr.GetRecord(b), nullptr);
    EXPECT_EQ(b->bCollisionRegistered, 0);
    EXPECT_EQ(Tracked("CM_dwFaces"), 1u);

    // Not a mesh object, or no mesh: nothing.
    HOBJECT light = Light("lamp");
    g_CollisionMgr.AddObject(light, Source(wide, {0, 0, 0}, {1, 1, 0}));
    EXPECT_EQ(g_CollisionMgr.GetRecord(light), nullptr);
    g_CollisionMgr.AddObject(Mesh("empty"), Source(nullptr, {0, 0, 0}, {0, 0, 0}));
    g_CollisionMgr.AddObject(nullptr, Source(wide, {0, 0, 0}, {1, 1, 0}));
}

// A mesh object registers from its own mesh, and its record follows the object.
TEST_F(Collision, AMeshObjectRegistersAndFollowsItsMoves)
{
    HOBJECT box = Mesh("box");
    box->dwFlags |= 0x4;
    g_CollisionMgr.AddObject(box);
    const CollisionRecord* r = g_CollisionMgr.GetRecord(box);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->iFaces, 12u);
    ExpectNear(r->vMin, {-0.5f, -0.5f, -0.5f});
    ExpectNear(r->vMax, {0.5f, 0.5f, 0.5f});
    const D3DXVECTOR3 there(100.0f, 5.0f, -20.0f);
    g_Engine.SetObjectPosition(box, &there, 0);
    ExpectNear(r->vWorldMin, {99.5f, 4.5f, -20.5f});
    ExpectNear(r->vWorldMax, {100.5f, 5.5f, -19.5f});
    for (DWORD i = 0; i < r->iVertices; ++i)
    {
        EXPECT_NEAR(std::fabs(r->CM_vVerticesWorld[i].x - 100.0f), 0.5f, 1e-4f);
        EXPECT_NEAR(std::fabs(r->CM_vVerticesWorld[i].z + 20.0f), 0.5f, 1e-4f);
    }
    EXPECT_GT(r->iUpdates, 1u);
    // Every face normal of a box is a unit axis.
    for (DWORD f = 0; f < r->iFaces; ++f)
        EXPECT_NEAR(D3DXVec3Length(&r->CM_vFaceNormal[f]), 1.0f, 1e-5f);
}

// Whether or not the faces follow, the record read after moves has its
// boxes where the last move put the object, and again after a later move.
TEST_F(Collision, TheRecordReadAfterMovesHasItsBoxesWhereTheLastMovePutThem)
{
    struct Case
    {
        const char* name;
        DWORD flags, flags2;
    };
    const Case cases[] = {
        {"plain", 0, 0}, {"faces", 0x4, 0}, {"static", 0, 0x10000}, {"static faces", 0x4, 0x10000}};
    for (const Case& c : cases)
    {
        HOBJECT box = Mesh(c.name);
        box->dwFlags = (box->dwFlags & ~0x80u) | c.flags;
        box->dwFlags2 = c.flags2;
        g_CollisionMgr.AddObject(box);
        ASSERT_NE(g_CollisionMgr.GetRecord(box), nullptr) << c.name;
        for (const D3DXVECTOR3& step : {D3DXVECTOR3(40.0f, 3.0f, -7.0f), D3DXVECTOR3(-12.0f, 8.0f, 25.0f)})
        {
            const D3DXVECTOR3 first = step * 0.5f;
            g_Engine.SetObjectPosition(box, &first, 0);
            g_Engine.SetObjectPosition(box, &step, 0);
            const CollisionRecord* r = g_CollisionMgr.GetRecord(box);
            ASSERT_NE(r, nullptr) << c.name;
            const D3DXVECTOR3 half(0.5f, 0.5f, 0.5f);
            ExpectNear(r->vWorldMin, step - half);
            ExpectNear(r->vWorldMax, step + half);
            ExpectNear(r->vCorners[0], step - half);
            ExpectNear(r->vCorners[6], step + half);
            ASSERT_GE(r->iBoxes, 1u) << c.name;
            for (DWORD i = 0; i < r->iBoxes; ++i)
            {
                ExpectNear(r->pBoxes[i].vWorldMin, r->pBoxes[i].vMin + step);
                ExpectNear(r->pBoxes[i].vWorldMax, r->pBoxes[i].vMax + step);
            }
        }
    }
}

TEST_F(Collision, TheTableHoldsTwoThousandNineHundredAndNinetyNineObjects)
{
    ID3DXMesh* tri = MakeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2});
    const CollisionSource s = Source(tri, {0, 0, 0}, {1, 1, 0});
    std::vector<HOBJECT> objects;
    for (int i = 0; i < CollisionMgr::MAX_OBJECTS_IN_COLLISION_MGR; ++i)
    {
        objects.push_back(Mesh());
        ASSERT_NE(objects.back(), nullptr);
        g_CollisionMgr.AddObject(objects.back(), s);
    }
    for (int i = 0; i + 1 < CollisionMgr::MAX_OBJECTS_IN_COLLISION_MGR; ++i)
        ASSERT_NE(g_CollisionMgr.GetRecord(objects[i]), nullptr) << i;
    EXPECT_EQ(g_CollisionMgr.GetRecord(objects.back()), nullptr);
    EXPECT_NE(ConsoleLog().find("ERROR in CollisionMgr.cpp: MAX_OBJECTS_IN_COLLISION_MGR exceeded!"),
              std::string::npos);
    // A freed record is taken again.
    g_Engine.DeleteObject(objects.front());
    g_CollisionMgr.AddObject(objects.back(), s);
    EXPECT_NE(g_CollisionMgr.GetRecord(objects.back()), nullptr);
}
} // namespace
} // namespace worldtest
