// The textures of the bundled data tree load through the registry with their
// script properties, and no script line names a file that is not there.

#include "support/BuildPaths.h"
#include "render_fixture.h"

#include "support/ConsoleLog.h"

#include "platform/d3dx/MeshContent.h"
#include "platform/d3dx/XFile.h"

#include <cmath>
#include <filesystem>

namespace
{
class BundledTexturesTest : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        namespace fs = std::filesystem;
        for (const char* folder : {"textures", "scripts"})
            fs::copy(tk::test::DataDir() / folder, dir.path() / folder, fs::copy_options::recursive);
        g_Renderer.ScanTextureDirectory();
    }
};

TEST_F(BundledTexturesTest, EveryNamedTextureLoadsWithItsProperties)
{
    EXPECT_EQ(ConsoleLog().find("tekstury nie ma"), std::string::npos) << ConsoleLog();
    for (const char* name : {"ground.tga", "wall.tga", "crate.tga", "sky.tga", "floor.dds", "checker.tga",
                             "bialy.tga", "ter_sand_grass001.tga", "ter_stone001.tga"})
    {
        strtexture* t = g_Renderer.LoadTexture(name, 0, 0, 0, 1);
        ASSERT_NE(t, nullptr) << name;
        EXPECT_NE(t->m_pTexture, nullptr) << name;
        EXPECT_GT(t->m_iWidth, 0u) << name;
    }
    EXPECT_EQ(g_Renderer.FindTexture("wall.tga")->m_pNormalMap, g_Renderer.FindTexture("wall_normal.tga"));
    EXPECT_EQ(g_Renderer.FindTexture("crate.tga")->m_iMaterial, DWORD(MATERIAL_WOOD));
    EXPECT_TRUE(g_Renderer.FindTexture("sky.tga")->m_bNoLight);

    strtexture* skybox = g_Renderer.LoadTexture("skybox.dds", 0, 0, 1, 0);
    ASSERT_NE(skybox, nullptr);
    EXPECT_NE(skybox->m_pCubeTexture, nullptr);
    strtexture* ambient = g_Renderer.LoadTexture("sys_ambient.tga", 0, 0, 1, 0);
    EXPECT_NE(ambient->m_pCubeTexture, nullptr);
    EXPECT_FALSE(dir.Exists("!error.txt")) << dir.Read("!error.txt");
    EXPECT_EQ(g_Engine.m_bQuit, 0);
}
TEST(BundledGround, TheRoadAndTheGreenRepeatTheirTexturesUnstretched)
{
    // On the top of the road and of the green, one unit of texture space
    // spans the same world distance along both axes, and a few units of it:
    // the texture repeats instead of being drawn out over a face 400 long.
    tk::xfile::XDocument doc;
    ASSERT_EQ(tk::xfile::XReadFile((tk::test::DataDir() / "meshes/demo/ground.x").string().c_str(), &doc),
              tk::xfile::XResult::Ok);
    int meshIndex = -1;
    for (size_t i = 0; i < doc.objects.size() && meshIndex < 0; ++i)
        if (doc.objects[i].type == "Mesh")
            meshIndex = static_cast<int>(i);
    ASSERT_GE(meshIndex, 0);
    tk::d3dx::MeshContent content;
    ASSERT_EQ(tk::d3dx::ReadMeshContent(doc, meshIndex, &content), D3D_OK);
    const tk::d3dx::MeshData& m = content.data;
    const D3DVERTEXELEMENT9* uv = m.Find(D3DDECLUSAGE_TEXCOORD);
    const D3DVERTEXELEMENT9* normal = m.Find(D3DDECLUSAGE_NORMAL);
    ASSERT_TRUE(uv && normal);
    int tops = 0;
    for (DWORD f = 0; f < m.FaceCount(); ++f)
    {
        float n[4];
        tk::d3dx::ReadElement(m.Vertex(m.indices[f * 3]), *normal, n);
        if (n[1] < 0.99f)
            continue;
        ++tops;
        // Texture space per world unit, from the triangle's corners.
        D3DXVECTOR3 p[3];
        float t[3][4];
        for (int k = 0; k < 3; ++k)
        {
            p[k] = m.Position(m.indices[f * 3 + k]);
            tk::d3dx::ReadElement(m.Vertex(m.indices[f * 3 + k]), *uv, t[k]);
        }
        for (int k = 1; k < 3; ++k)
        {
            const float dx = p[k].x - p[0].x, dz = p[k].z - p[0].z;
            const float du = t[k][0] - t[0][0], dv = t[k][1] - t[0][1];
            const float world = std::sqrt(dx * dx + dz * dz), texture = std::sqrt(du * du + dv * dv);
            ASSERT_GT(world, 1.0f);
            EXPECT_GT(texture / world, 1.0f / 16.0f) << "face " << f << ": stretched";
            EXPECT_LT(texture / world, 1.0f) << "face " << f;
            // The same scale along x and z.
            if (std::fabs(dx) > 1.0f && std::fabs(dz) > 1.0f)
                EXPECT_NEAR(std::fabs(du / dx), std::fabs(dv / dz), 1e-3f) << "face " << f;
        }
    }
    EXPECT_EQ(tops, 4) << "the green's top and the road's, two triangles each";
}
} // namespace
