// The texture definitions: the start-up scan, the scripts' keywords, the
// .dds/.tga twins, the substitutes, the terrain lists and the reports.

#include "render_fixture.h"

#include "shell/Console.h"
#include "support/ConsoleLog.h"

#include <cstring>
#include <filesystem>

namespace
{
class TextureScriptTest : public RenderTest
{
protected:
    // An empty file of that name is enough for a definition.
    void Touch(const std::string& path) { dir.Write(path, "x"); }
};

TEST_F(TextureScriptTest, TheScanDefinesEveryTgaAndDdsFileWithItsDefaults)
{
    Touch("textures/walls/brick.tga");
    Touch("textures/sky.DDS");
    Touch("textures/readme.txt");
    Touch("abc");
    g_Renderer.ScanTextureDirectory();

    strtexturepaths* brick = g_Renderer.FindTexturePath("BRICK.dds");
    ASSERT_NE(brick, nullptr);
    EXPECT_STREQ(brick->m_szFileName, "brick.tga");
    EXPECT_STREQ(brick->m_szFullPath, ".\\textures\\walls\\brick.tga");
    EXPECT_STREQ(brick->m_szKey, "brick");
    EXPECT_FALSE(brick->m_bDds);
    EXPECT_FLOAT_EQ(brick->m_fWaterHeight, 16.0f);
    EXPECT_FLOAT_EQ(brick->m_fSpecularPower, 1.05f);
    EXPECT_FLOAT_EQ(brick->m_fDetailDensity, 16.0f);
    EXPECT_FLOAT_EQ(brick->m_fWaterFogFar, 20000.0f);
    ASSERT_NE(g_Renderer.FindTexturePath("sky.tga"), nullptr);
    EXPECT_TRUE(g_Renderer.FindTexturePath("sky.tga")->m_bDds);
    EXPECT_EQ(g_Renderer.FindTexturePath("readme.txt"), nullptr);
}

TEST_F(TextureScriptTest, AFileNameThatIsNotPlainStopsTheGame)
{
    Touch("textures/bad name.tga");
    g_Renderer.ScanTextureDirectory();
    EXPECT_EQ(g_Engine.m_bQuit, 1);
    EXPECT_NE(dir.Read("!error.txt").find(".\\textures\\bad name.tga"), std::string::npos);
    EXPECT_EQ(g_Renderer.FindTexturePath("bad name.tga"), nullptr);
}

TEST_F(TextureScriptTest, KeywordsSetTheirFieldsAndBothScriptsApply)
{
    Touch("textures/pool.tga");
    Touch("textures/pane.dds");
    dir.Write("scripts/textures.txt", "transparent\n"
                                      "texture pool.tga\n"
                                      "water\n"
                                      "water_color 255 0 51\n"
                                      "water_height 3.5\n"
                                      "metal\n"
                                      "specular\n"
                                      "Multitexture_G grass.tga\n"
                                      "Multitexture_Density_G 4\n"
                                      "add_water_param 7\n"
                                      "texture pane.tga\n"
                                      "translucent\n"
                                      "specular 2 8\n"
                                      "2_sided\n"
                                      "glass\n");
    dir.Write("scripts/textures/more.txt", "texture pool.dds\ntexture_density 0.5\n");
    dir.Write("scripts/textures/.hidden.txt", "texture pool.tga\nadditive\n");
    g_Renderer.ScanTextureDirectory();

    strtexturepaths* pool = g_Renderer.FindTexturePath("pool.tga");
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->m_bWater, 1u);
    EXPECT_EQ(pool->m_iMaterial, DWORD(MATERIAL_METAL)); // "metal" after "water" changes only the material
    EXPECT_FLOAT_EQ(pool->m_vWaterColor[0], 1.0f);
    EXPECT_FLOAT_EQ(pool->m_vWaterColor[2], 0.2f);
    EXPECT_FLOAT_EQ(pool->m_fWaterHeight, 3.5f);
    EXPECT_TRUE(pool->m_bSpecular);
    EXPECT_FLOAT_EQ(pool->m_fSpecularPower, 1.05f);
    EXPECT_FLOAT_EQ(pool->m_fSpecularCone, 24.0f);
    EXPECT_STREQ(pool->Names().m_szMultitexture[1], "grass.tga");
    EXPECT_FLOAT_EQ(pool->m_fMultitextureDensity[1], 4.0f);
    EXPECT_FLOAT_EQ(pool->m_fAddWaterHeight, 7.0f);
    EXPECT_FLOAT_EQ(pool->m_fTextureDensity, 0.5f);
    EXPECT_FALSE(pool->m_bTransparent); // the line before any texture line belongs to none
    EXPECT_FALSE(pool->m_bAdditive);    // hidden scripts are not read
    EXPECT_NE(ConsoleLog().find("pool.tga - Kolejny wpis (scripts\\textures\\more.txt)"), std::string::npos);

    strtexturepaths* pane = g_Renderer.FindTexturePath("pane.dds");
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->m_bTranslucent);
    EXPECT_TRUE(pane->m_b2Sided);
    EXPECT_FLOAT_EQ(pane->m_fSpecularPower, 2.0f);
    EXPECT_FLOAT_EQ(pane->m_fSpecularCone, 8.0f);
    EXPECT_EQ(pane->m_iMaterial, DWORD(MATERIAL_GLASS));
}

TEST_F(TextureScriptTest, ATextureWithoutFileStopsItsScriptAndALastLineWithoutEndIsNotRead)
{
    Touch("textures/a.tga");
    Touch("textures/b.tga");
    dir.Write("scripts/textures.txt", "texture a.tga\nstain\ntexture ghost.tga\ntexture b.tga\nstain\n");
    dir.Write("scripts/textures/end.txt", "texture a.tga\nadditive");
    g_Renderer.ScanTextureDirectory();
    EXPECT_TRUE(g_Renderer.FindTexturePath("a.tga")->m_bStain);
    EXPECT_FALSE(g_Renderer.FindTexturePath("b.tga")->m_bStain);
    EXPECT_FALSE(g_Renderer.FindTexturePath("b.tga")->m_bDescribed);
    EXPECT_FALSE(g_Renderer.FindTexturePath("a.tga")->m_bAdditive);
    EXPECT_NE(ConsoleLog().find("ghost.tga - tekstury nie ma, a jest opis!"), std::string::npos);
}

TEST_F(TextureScriptTest, AnimationFramesStopAt127)
{
    Touch("textures/film.tga");
    std::string script = "texture film.tga\n";
    for (int i = 0; i < 130; ++i)
        script += "animation_frame frame" + std::to_string(i) + ".tga\n";
    dir.Write("scripts/textures.txt", script);
    g_Renderer.ScanTextureDirectory();
    strtexturepaths* film = g_Renderer.FindTexturePath("film.tga");
    EXPECT_EQ(film->m_iAnimFrameCount, MAX_ANIM_FRAMES);
    EXPECT_STREQ(film->m_pAnimFrameNames[126], "frame126.tga");
}

TEST_F(TextureScriptTest, ADdsWithAnOlderTgaTwinHandsItsFlagsToTheTgaWhichIsLoaded)
{
    WriteTga("a/wall.tga", 0xFFFF0000u);
    WriteDdsChain("b/wall.dds", 2, {0xFF00FF00u, 0xFF00FF00u});
    dir.Write("scripts/textures.txt", "texture wall.dds\nadditive\ntransparent\n");
    g_Renderer.ScanTextureDirectory();
    strtexturepaths* found = g_Renderer.FindTexturePath("wall.dds");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->m_szFileName, "wall.tga");
    EXPECT_TRUE(found->m_bAdditive);
    EXPECT_TRUE(found->m_bTransparent);
    strtexture* t = g_Renderer.LoadTexture("wall.dds", 0, 0, 0, 0);
    EXPECT_STREQ(t->m_szPath, ".\\a\\wall.tga");
    EXPECT_TRUE(t->m_bAdditive);
}

TEST_F(TextureScriptTest, SubstitutesBelongToTheTextureLineBeforeThem)
{
    dir.Write("scripts/texture_substitutes.txt", "substitute orphan.tga\n"
                                                 "texture coat.tga\n"
                                                 "substitute coat_red.tga\n"
                                                 "substitute coat_blue.tga\n"
                                                 "texture bare.tga\n"
                                                 "texture hat.tga\n"
                                                 "substitute hat_2.tga");
    g_Renderer.LoadTextureSubstitutes();
    strtexturesubstitutes* coat = g_Renderer.FindTextureSubstitutes("COAT.dds");
    ASSERT_NE(coat, nullptr);
    EXPECT_EQ(coat->m_iCount, 2u);
    EXPECT_STREQ(coat->m_szSubstitutes[1], "coat_blue.tga");
    EXPECT_EQ(g_Renderer.FindTextureSubstitutes("bare.tga"), nullptr);
    ASSERT_NE(g_Renderer.FindTextureSubstitutes("hat.tga"), nullptr); // the last line counts here
    EXPECT_EQ(g_Renderer.FindTextureSubstitutes("hat.tga")->m_iCount, 1u);
    EXPECT_EQ(g_Renderer.FindTextureSubstitutes("abc"), nullptr);
    EXPECT_EQ(g_Renderer.FindTextureSubstitutes(nullptr), nullptr);
}

TEST_F(TextureScriptTest, FolderLinksBackToThemselvesAreWalkedOnce)
{
    // Two links in one folder to the folder itself, and one to the tree's
    // root: without a guard the walk doubles at every level.
    Touch("textures/walls/brick.tga");
    Touch("textures/top.tga");
    std::filesystem::create_directory_symlink(".", dir.path() / "textures" / "walls" / "again");
    std::filesystem::create_directory_symlink(".", dir.path() / "textures" / "walls" / "more");
    std::filesystem::create_directory_symlink("../..", dir.path() / "textures" / "walls" / "up");
    g_Renderer.ScanTextureDirectory();
    int bricks = 0, tops = 0;
    for (strtexturepaths* d = g_Renderer.m_pTexturePaths; d; d = d->m_pNext)
    {
        bricks += std::strcmp(d->m_szFileName, "brick.tga") == 0;
        tops += std::strcmp(d->m_szFileName, "top.tga") == 0;
    }
    EXPECT_EQ(bricks, 1);
    EXPECT_EQ(tops, 1);
}

TEST_F(TextureScriptTest, TheTerrainListNamesSevenLayersAndForgetsTheirSlots)
{
    std::string list;
    for (int i = 0; i < 7; ++i)
        list += "layer" + std::to_string(i) + ".tga " + std::to_string(i + 1) + ".5\n";
    dir.Write("scripts/terrain/hills.txt", list);
    for (auto& layer : g_Renderer.m_Terrain)
        layer.m_iTexture = 9;
    std::snprintf(g_Renderer.m_szTerrainScript, sizeof g_Renderer.m_szTerrainScript, "Hills");
    g_Renderer.LoadTerrainScript();
    EXPECT_STREQ(g_Renderer.m_Terrain[6].m_szFile, "layer6.tga");
    EXPECT_FLOAT_EQ(g_Renderer.m_Terrain[6].m_fTiling, 7.5f);
    EXPECT_EQ(g_Renderer.m_Terrain[3].m_iTexture, 0u);

    // An empty line empties its layer; the others take their lines.
    dir.Write("scripts/terrain/bare.txt", "sand.tga 4\n\nrock.tga 2\n\n\n\n\n");
    std::snprintf(g_Renderer.m_szTerrainScript, sizeof g_Renderer.m_szTerrainScript, "bare");
    g_Renderer.LoadTerrainScript();
    EXPECT_STREQ(g_Renderer.m_Terrain[0].m_szFile, "sand.tga");
    EXPECT_STREQ(g_Renderer.m_Terrain[1].m_szFile, "");
    EXPECT_STREQ(g_Renderer.m_Terrain[2].m_szFile, "rock.tga");
    EXPECT_FLOAT_EQ(g_Renderer.m_Terrain[2].m_fTiling, 2.0f);
    EXPECT_STREQ(g_Renderer.m_Terrain[6].m_szFile, "");

    std::snprintf(g_Renderer.m_szTerrainScript, sizeof g_Renderer.m_szTerrainScript, "nowhere");
    g_Renderer.m_Terrain[0].m_iTexture = 4;
    g_Renderer.LoadTerrainScript();
    EXPECT_EQ(g_Renderer.m_Terrain[0].m_iTexture, 4u);
}

TEST_F(TextureScriptTest, ReportsListUndescribedAndDuplicatedTextures)
{
    Touch("x/dup.tga");
    Touch("y/dup.tga");
    Touch("y/plain.dds");
    dir.Write("scripts/textures.txt", "texture plain.dds\n");
    g_Renderer.ScanTextureDirectory();
    g_Options.RaportUndefinedTextures = 1;
    g_Options.RaportDoubleTextures = 1;
    g_Renderer.ReportUndefinedTextures();
    g_Renderer.ReportDoubleTextures();
    EXPECT_EQ(dir.Read("UndefinedTextures.txt"),
              "Textures not defined in scripts:\n \n.\\y\\dup.tga\n.\\x\\dup.tga\n");
    EXPECT_EQ(dir.Read("DoubleTextures.txt"),
              "Duplicated textures:\n \n \n0: Found duplicated texture:\n.\\y\\dup.tga\n.\\x\\dup.tga\n");
    EXPECT_EQ(g_Options.RaportUndefinedTextures, 0);
    EXPECT_EQ(g_Options.RaportDoubleTextures, 0);
}
} // namespace
