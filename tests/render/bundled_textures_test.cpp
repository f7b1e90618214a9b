// The textures of the bundled data tree load through the registry with their
// script properties, and no script line names a file that is not there.

#include "render_fixture.h"

#include "support/ConsoleLog.h"

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
            fs::copy(fs::path(TK_DATA_DIR) / folder, dir.path() / folder, fs::copy_options::recursive);
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
} // namespace
