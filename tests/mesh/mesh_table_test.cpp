// The mesh table: one entry per file in any letter case, the id limit, centring and rescaling of
// prefabs, the "!opt" cache, levels of detail, failures and what they leave behind.
#include "mesh_fixture.h"

#include "world/Engine.h"

#include <cmath>
#include <fstream>
#include <sstream>

using namespace meshtest;

namespace
{
void ExpectVec(const D3DXVECTOR3& a, float x, float y, float z)
{
    EXPECT_NEAR(a.x, x, 1e-5f);
    EXPECT_NEAR(a.y, y, 1e-5f);
    EXPECT_NEAR(a.z, z, 1e-5f);
}

std::string FileText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
} // namespace

TEST_F(MeshTest, OneEntryPerFileInAnyLetterCase)
{
    Write("meshes\\crate.x", Box(0, 0, 0, 1, 1, 1));
    const int id = g_MeshMgr.LoadMesh("Meshes\\Crate.X");
    ASSERT_GE(id, 0);
    EXPECT_EQ(g_MeshMgr.LoadMesh("meshes\\crate.x"), id);
    EXPECT_EQ(g_MeshMgr.LoadMesh("MESHES\\CRATE.X"), id);
    EXPECT_EQ(Tracked("strmesh"), 1u);
    strmesh* entry = g_MeshMgr.GetEntry(id);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->szFileName, "Meshes\\Crate.X") << "the name as first requested";
    EXPECT_EQ(g_MeshMgr.FindMesh("mEsHeS\\cRaTe.x"), entry);
    EXPECT_EQ(g_MeshMgr.GetMesh(id), entry->pMesh);
    EXPECT_EQ(entry->pMesh->GetNumBytesPerVertex(), 64u);
    EXPECT_EQ(entry->pMesh->GetOptions() & D3DXMESH_32BIT, 0u);
    EXPECT_EQ(g_MeshMgr.GetEntry(MAX_MESHES), nullptr);
    EXPECT_EQ(g_MeshMgr.GetMesh(-1), nullptr);
    // The draw range of material 0 covers the 12 faces; the radius is the farthest corner.
    EXPECT_EQ(entry->dwPrimitiveCount[0], 12u);
    EXPECT_EQ(entry->dwFirstIndex[0], 0u);
    EXPECT_NEAR(entry->fRadius, std::sqrt(3.0f), 1e-5f);
    ExpectVec(entry->vCenter, 0, 0, 0);
    EXPECT_EQ(g_MeshMgr.LoadMesh(""), -1);
    EXPECT_EQ(g_MeshMgr.LoadMesh(nullptr), -1);
}

TEST_F(MeshTest, CentringAndRescalingFollowTheName)
{
    Write("models\\prefabs\\a_nocenter.x", Box(2, 2, 2, 4, 6, 8));
    Write("prefabs\\b.x", Box(2, 2, 2, 4, 6, 8));
    Write("meshes\\c.x", Box(2, 2, 2, 4, 6, 8));
    Write("prefabs\\d_rescale.x", Box(0, 0, 0, 64, 128, 64));
    Write("meshes\\e_rescale.x", Box(0, 0, 0, 64, 128, 64));

    const strmesh* a = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("models\\prefabs\\a_nocenter.x"));
    ASSERT_NE(a, nullptr);
    ExpectVec(a->vMin, 2, 2, 2);
    ExpectVec(a->vMax, 4, 6, 8);
    EXPECT_EQ(a->bCentered, 0);
    const strmesh* b = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("prefabs\\b.x"));
    ASSERT_NE(b, nullptr);
    ExpectVec(b->vMin, -1, -2, -3);
    ExpectVec(b->vMax, 1, 2, 3);
    EXPECT_EQ(b->bCentered, 1);
    EXPECT_NEAR(b->fRadius, std::sqrt(14.0f), 1e-5f);
    const strmesh* c = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("meshes\\c.x"));
    ASSERT_NE(c, nullptr);
    ExpectVec(c->vMin, 2, 2, 2); // outside prefabs nothing moves

    const strmesh* d = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("prefabs\\d_rescale.x"));
    ASSERT_NE(d, nullptr);
    ExpectVec(d->vMin, -0.5f, -1, -0.5f);
    ExpectVec(d->vMax, 0.5f, 1, 0.5f);
    ASSERT_TRUE(temp->Exists("prefabs/d.x")) << "the rescaled copy is written beside it";
    EXPECT_EQ(temp->Read("prefabs/d.x").rfind("xof 0303txt ", 0), 0u);
    EXPECT_NE(ConsoleLog().find("Zapisuje przeskalowany do pliku prefabs\\d.x"), std::string::npos);

    const strmesh* e = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("meshes\\e_rescale.x"));
    ASSERT_NE(e, nullptr);
    ExpectVec(e->vMax, 64, 128, 64);
    EXPECT_FALSE(temp->Exists("meshes/e.x")) << "a mesh that was not rescaled writes no copy";
}

TEST_F(MeshTest, CacheNames)
{
    EXPECT_STREQ(EMeshMgr::GetOptFileName("a"), "");
    EXPECT_STREQ(EMeshMgr::GetOptFileName(nullptr), "");
    EXPECT_STREQ(EMeshMgr::GetOptFileName("x\\y.x"), "!opt\\x_y.xvx.x");
    EXPECT_STREQ(EMeshMgr::GetOptFileName("prefabs\\houses\\barn.x"), "!opt\\prefabs_houses_barn.xvx.x");
    strObject o = {};
    o.bUsed = 1;
    std::snprintf(o.szFileName, sizeof o.szFileName, "prefabs\\houses\\barn.x");
    EXPECT_STREQ(EMeshMgr::GetLodFileName(&o, 0), "!opt\\prefabs_houses_barn.xvx0.x");
    EXPECT_STREQ(EMeshMgr::GetLodFileName(&o, 2), "!opt\\prefabs_houses_barn.xvx2.x");
    EXPECT_STREQ(EMeshMgr::GetObjectOptFileName(nullptr), "");
    o.bUsed = 0;
    EXPECT_STREQ(EMeshMgr::GetObjectOptFileName(&o), "");
}

TEST_F(MeshTest, CacheWrittenThenLoadedGivesEqualBoundsAndRanges)
{
    g_Options.UseOPT = 1;
    std::filesystem::create_directories("!opt");
    XMeshDesc two = Box(-1, 0, -1, 1, 2, 1);
    two.faceMaterials = {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
    XMaterialDesc second;
    second.texture = "roof.tga";
    two.materials.push_back(second);
    Write("prefabs\\Hut.x", two);
    const int id = g_MeshMgr.LoadMesh("prefabs\\Hut.x");
    ASSERT_GE(id, 0);
    const std::string cache = "!opt/prefabs_hut.xvx.x";
    ASSERT_TRUE(temp->Exists(cache)) << "written with a lower-case name";
    const std::string firstBytes = temp->Read(cache);
    const strmesh before = *g_MeshMgr.GetEntry(id);

    g_MeshMgr.ReleaseAll();
    std::filesystem::remove("prefabs/Hut.x"); // the cache alone now
    const int again = g_MeshMgr.LoadMesh("prefabs\\Hut.x");
    ASSERT_GE(again, 0);
    const strmesh* after = g_MeshMgr.GetEntry(again);
    EXPECT_EQ(after->vMin, before.vMin);
    EXPECT_EQ(after->vMax, before.vMax);
    EXPECT_EQ(after->fRadius, before.fRadius);
    EXPECT_EQ(after->dwNumMaterials, 2u);
    EXPECT_EQ(after->bCentered, 1);
    for (int m = 0; m < 2; ++m)
    {
        EXPECT_EQ(after->dwFirstVertex[m], before.dwFirstVertex[m]);
        EXPECT_EQ(after->dwVertexCount[m], before.dwVertexCount[m]);
        EXPECT_EQ(after->dwFirstIndex[m], before.dwFirstIndex[m]);
        EXPECT_EQ(after->dwPrimitiveCount[m], before.dwPrimitiveCount[m]);
    }
    EXPECT_EQ(after->dwPrimitiveCount[0] + after->dwPrimitiveCount[1], 12u);
    const auto* materials = static_cast<D3DXMATERIAL*>(after->pMaterialBuffer->GetBufferPointer());
    EXPECT_STREQ(materials[1].pTextureFilename, "roof.tga");

    // Written again from the loaded cache: the same bytes.
    g_MeshMgr.SaveAllOpts();
    EXPECT_EQ(temp->Read(cache), firstBytes);
    EXPECT_NE(ConsoleLog().find("  !opt\\prefabs_Hut.xvx.x - OK"), std::string::npos) << ConsoleLog();
}

TEST_F(MeshTest, FailuresLeaveNoEntryAndAreReported)
{
    temp->Write("meshes/broken.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }\n");
    EXPECT_EQ(g_MeshMgr.LoadMesh("meshes\\broken.x"), -1);
    EXPECT_EQ(g_MeshMgr.LoadMesh("meshes\\missing.x"), -1);
    EXPECT_EQ(g_MeshMgr.m_pHead, nullptr);
    EXPECT_EQ(g_MeshMgr.m_pIds[0], nullptr);
    EXPECT_EQ(Tracked("strmesh"), 0u);
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("D3DXLoadMeshFromX meshes\\broken.x failed"), std::string::npos) << log;
    EXPECT_NE(log.find("*** Mesh meshes\\broken.x failed!"), std::string::npos);
    EXPECT_NE(temp->Read("!error.txt").find("*** Mesh meshes\\missing.x failed!"), std::string::npos);

    // A name with a blank ends the program after logging the name.
    g_Engine.m_bQuit = 0;
    Write("meshes\\with blank.x", Box(0, 0, 0, 1, 1, 1));
    EXPECT_EQ(g_MeshMgr.LoadMesh("meshes\\with blank.x"), -1);
    EXPECT_EQ(g_Engine.m_bQuit, 1);
    EXPECT_NE(temp->Read("!error.txt").find("meshes\\with blank.x"), std::string::npos);
    g_Engine.m_bQuit = 0;

    // The next mesh takes the lowest free id.
    Write("meshes\\ok.x", Box(0, 0, 0, 1, 1, 1));
    EXPECT_EQ(g_MeshMgr.LoadMesh("meshes\\ok.x"), 0);
}

// Found by fuzzing: a file without a material list crashed the table when a rescaled prefab was
// written back. Such a mesh draws with one default material, and its copy is written.
TEST_F(MeshTest, AMeshWithoutAMaterialListLoadsWithOneMaterial)
{
    const std::string bare =
        "xof 0303txt 0032\nMesh {\n 3;\n 0.0;0.0;0.0;,\n 64.0;0.0;0.0;,\n 0.0;128.0;0.0;;\n"
        " 1;\n 3;0,1,2;;\n}\n";
    temp->Write("prefabs/bare_rescale.x", bare);
    temp->Write("meshes/bare.x", bare);
    for (const char* name : {"prefabs\\bare_rescale.x", "meshes\\bare.x"})
    {
        const strmesh* e = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh(name));
        ASSERT_NE(e, nullptr) << name << ConsoleLog();
        EXPECT_EQ(e->dwNumMaterials, 1u) << name;
        EXPECT_EQ(e->dwAttribTableSize, 1u) << name;
        EXPECT_EQ(e->dwPrimitiveCount[0], 1u) << name;
    }
    ASSERT_TRUE(temp->Exists("prefabs/bare.x")) << "the rescaled copy is written";
    EXPECT_EQ(temp->Read("prefabs/bare.x").rfind("xof 0303txt ", 0), 0u);
}

TEST_F(MeshTest, ThreeHundredMaterialsKeep256)
{
    XMeshDesc many;
    for (int i = 0; i < 300; ++i)
    {
        many.positions.insert(many.positions.end(), {float(i), 0, 0, float(i), 1, 0, float(i) + 1, 0, 0});
        many.indices.insert(many.indices.end(), {uint32_t(3 * i), uint32_t(3 * i + 1), uint32_t(3 * i + 2)});
        many.faceMaterials.push_back(static_cast<uint32_t>(i));
        XMaterialDesc m;
        m.texture = "t" + std::to_string(i) + ".tga";
        many.materials.push_back(m);
    }
    Write("meshes\\many.x", many, XFormat::Binary);
    const strmesh* e = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("meshes\\many.x"));
    ASSERT_NE(e, nullptr) << ConsoleLog();
    EXPECT_EQ(e->dwNumMaterials, 256u);
    EXPECT_EQ(e->dwAttribTableSize, 256u);
    EXPECT_EQ(e->dwPrimitiveCount[255], 1u);
    EXPECT_EQ(e->m_pMeshMaterials[255].Ambient.r, e->m_pMeshMaterials[255].Diffuse.r);
}

TEST_F(MeshTest, The1025thFileGivesMinusOne)
{
    XMeshDesc tri;
    tri.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    tri.indices = {0, 1, 2};
    tri.materials = {XMaterialDesc()};
    std::vector<uint8_t> bytes;
    tk::xfile::XDocument doc;
    tk::xfile::XAddMesh(&doc, -1, tri);
    ASSERT_TRUE(tk::xfile::XWriteMemory(doc, XFormat::Binary, &bytes));
    std::filesystem::create_directories("m");
    for (int i = 0; i <= MAX_MESHES; ++i)
        temp->Write("m/" + std::to_string(i) + ".x", std::string(bytes.begin(), bytes.end()));
    for (int i = 0; i < MAX_MESHES; ++i)
        ASSERT_EQ(g_MeshMgr.LoadMesh(("m\\" + std::to_string(i) + ".x").c_str()), i);
    EXPECT_EQ(g_MeshMgr.LoadMesh("m\\1024.x"), -1);
    EXPECT_NE(ConsoleLog().find("Too many different meshes!"), std::string::npos);
    EXPECT_EQ(g_MeshMgr.LoadMesh("m\\7.x"), 7) << "a known file is still found";
}

TEST_F(MeshTest, LevelsOfDetailLoadAndSelect)
{
    g_Options.UseOPT = 1;
    std::filesystem::create_directories("!opt");
    Write("meshes\\tower.x", Box(0, 0, 0, 1, 4, 1));
    Write("!opt\\meshes_tower.xvx0.x", Box(0, 0, 0, 1, 4, 1), XFormat::Binary);
    Write("!opt\\meshes_tower.xvx2.x", Box(0, 0, 0, 1, 4, 1), XFormat::Binary);
    strObject o;
    EMesh mesh;
    ASSERT_TRUE(MakeMeshObject(o, mesh, "meshes\\tower.x"));
    g_MeshMgr.UpdateObject(&o);
    strmesh* e = o.pMeshEntry;
    ASSERT_NE(e->pLod[0], nullptr);
    EXPECT_EQ(e->pLod[1], nullptr) << "a missing level is skipped";
    ASSERT_NE(e->pLod[2], nullptr);
    EXPECT_EQ(e->pLod[0]->GetNumBytesPerVertex(), 64u);
    EXPECT_EQ(e->bRemapBuilt, 1);
    EXPECT_EQ(mesh.m_SubsetRemap[0], 0);

    g_MeshMgr.SelectVariant(&o, 2);
    EXPECT_EQ(mesh.m_pDrawMesh, e->pLod[2]);
    EXPECT_EQ(mesh.m_iLodLevel, 3);
    g_MeshMgr.SelectVariant(&o, 1);
    EXPECT_EQ(mesh.m_pDrawMesh, e->pMesh) << "a level that is not loaded draws the base mesh";
    EXPECT_EQ(mesh.m_iLodLevel, 0);
    g_MeshMgr.SelectVariant(&o, -1);
    EXPECT_EQ(mesh.m_pDrawMesh, e->pMesh);
    EXPECT_TRUE(g_MeshMgr.LoadLods(&o));
    mesh.ReleaseMaterials();
}
