// The bundled meshes load through the mesh table with the answers their generator builds them to.
#include "support/BuildPaths.h"
#include "mesh_fixture.h"

#include <cmath>

using namespace meshtest;

namespace
{
class DataTest : public MeshTest
{
protected:
    // The bundled file copied into the test's folder under the same relative name.
    void Bundle(const std::string& relative)
    {
        const std::filesystem::path from = tk::test::DataDir() / relative;
        ASSERT_TRUE(std::filesystem::exists(from)) << from;
        std::filesystem::create_directories(std::filesystem::path(relative).parent_path());
        std::filesystem::copy_file(from, relative, std::filesystem::copy_options::overwrite_existing);
    }

    const strmesh* Load(const char* name) { return g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh(name)); }
};

void ExpectVec(const D3DXVECTOR3& a, float x, float y, float z)
{
    EXPECT_NEAR(a.x, x, 1e-4f);
    EXPECT_NEAR(a.y, y, 1e-4f);
    EXPECT_NEAR(a.z, z, 1e-4f);
}
} // namespace

TEST_F(DataTest, BoxKeepsItsSplitNormals)
{
    ASSERT_NO_FATAL_FAILURE(Bundle("meshes/box.x"));
    const strmesh* box = Load("meshes\\box.x");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->pMesh->GetNumVertices(), 24u) << "welding keeps corners whose normals differ";
    EXPECT_EQ(box->pMesh->GetNumFaces(), 12u);
    ExpectVec(box->vMin, -0.5f, -0.5f, -0.5f);
    ExpectVec(box->vMax, 0.5f, 0.5f, 0.5f);
    ASSERT_EQ(box->dwNumMaterials, 1u);
    EXPECT_STREQ(static_cast<D3DXMATERIAL*>(box->pMaterialBuffer->GetBufferPointer())->pTextureFilename,
                 "crate.tga");
    // Every face faces outwards: its normal agrees with its winding (clockwise from the front).
    void* vb = nullptr;
    void* ib = nullptr;
    box->pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vb);
    box->pMesh->LockIndexBuffer(D3DLOCK_READONLY, &ib);
    for (DWORD f = 0; f < 12; ++f)
    {
        const auto* v = static_cast<TK_VERTEX*>(vb);
        const auto* i = static_cast<uint16_t*>(ib) + f * 3;
        const D3DXVECTOR3 p0(v[i[0]].x, v[i[0]].y, v[i[0]].z), p1(v[i[1]].x, v[i[1]].y, v[i[1]].z),
            p2(v[i[2]].x, v[i[2]].y, v[i[2]].z);
        D3DXVECTOR3 a = p1 - p0, b = p2 - p0, n;
        D3DXVec3Cross(&n, &a, &b);
        const D3DXVECTOR3 stored(v[i[0]].nx, v[i[0]].ny, v[i[0]].nz);
        EXPECT_GT(D3DXVec3Dot(&n, &stored), 0.0f) << "face " << f;
        // The tangent frame lies in the face.
        const D3DXVECTOR3 t(v[i[0]].tx, v[i[0]].ty, v[i[0]].tz);
        EXPECT_NEAR(D3DXVec3Dot(&t, &stored), 0.0f, 1e-4f);
        EXPECT_NEAR(D3DXVec3Length(&t), 1.0f, 1e-4f);
    }
    box->pMesh->UnlockIndexBuffer();
    box->pMesh->UnlockVertexBuffer();
}

TEST_F(DataTest, GroundTileIsAFlatGridThatStaysWhereItIs)
{
    ASSERT_NO_FATAL_FAILURE(Bundle("meshes/ground_tile.x"));
    const strmesh* tile = Load("meshes\\ground_tile.x");
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->pMesh->GetNumVertices(), 81u);
    EXPECT_EQ(tile->pMesh->GetNumFaces(), 128u);
    ExpectVec(tile->vMin, -8, 0, -8);
    ExpectVec(tile->vMax, 8, 0, 8);
    EXPECT_NEAR(tile->fRadius, std::sqrt(128.0f), 1e-4f);
    EXPECT_EQ(tile->dwPrimitiveCount[0], 128u);
}

TEST_F(DataTest, HutHasTwoSubsetsAndIsCentred)
{
    ASSERT_NO_FATAL_FAILURE(Bundle("prefabs/hut.x"));
    const strmesh* hut = Load("prefabs\\hut.x");
    ASSERT_NE(hut, nullptr);
    ASSERT_EQ(hut->dwNumMaterials, 2u);
    EXPECT_EQ(hut->dwPrimitiveCount[0], 12u);
    EXPECT_EQ(hut->dwPrimitiveCount[1], 4u);
    EXPECT_EQ(hut->dwFirstIndex[1], 36u);
    // The roof's eaves reach 2.5 out and its top 5 up: centred on the box's middle.
    ExpectVec(hut->vMin, -2.5f, -2.5f, -2.5f);
    ExpectVec(hut->vMax, 2.5f, 2.5f, 2.5f);
    const auto* materials = static_cast<D3DXMATERIAL*>(hut->pMaterialBuffer->GetBufferPointer());
    EXPECT_STREQ(materials[0].pTextureFilename, "walls.tga");
    EXPECT_STREQ(materials[1].pTextureFilename, "roof.tga");
}

TEST_F(DataTest, TowerComesWithItsLevelOfDetail)
{
    ASSERT_NO_FATAL_FAILURE(Bundle("meshes/lod_tower.x"));
    ASSERT_NO_FATAL_FAILURE(Bundle("!opt/meshes_lod_tower.xvx0.x"));
    strObject o;
    EMesh mesh;
    ASSERT_TRUE(MakeMeshObject(o, mesh, "meshes\\lod_tower.x"));
    g_MeshMgr.UpdateObject(&o);
    const strmesh* tower = o.pMeshEntry;
    ASSERT_NE(tower->pLod[0], nullptr);
    EXPECT_EQ(tower->pMesh->GetNumFaces(), 12u * 2 + 12);
    EXPECT_EQ(tower->pLod[0]->GetNumFaces(), 4u * 2 + 4);
    EXPECT_NEAR(tower->vMax.y, 8.0f, 1e-4f);
    EXPECT_NEAR(tower->fRadius, std::sqrt(65.0f), 1e-4f);
    mesh.ReleaseMaterials();
}
