// The texture registry: names, slots, reports of missing and broken files,
// quality variants, companions with the first mesh, the frame lists and the
// flash lights.

#include "render_fixture.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "shell/Console.h"
#include "support/ConsoleLog.h"
#include "world/Object.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
constexpr DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

UINT TopEdge(const strtexture* t)
{
    D3DSURFACE_DESC desc = {};
    EXPECT_EQ(t->m_pTexture->GetLevelDesc(0, &desc), D3D_OK);
    return desc.Width;
}

TEST_F(RenderTest, NamesIgnoreFoldersAndExtensionsButNotTheFirstLettersCase)
{
    WriteDdsChain("textures/Wall.dds", 2, {kRed, kRed});
    g_Renderer.ScanTextureDirectory();

    const TextureIndex bmp = g_Renderer.GetTextureIndex("models\\parts\\Wall.bmp");
    ASSERT_NE(bmp, 0u);
    strtexture* t = g_Renderer.GetTexture(bmp);
    EXPECT_STREQ(t->m_szName, "Wall.dds");
    EXPECT_NE(t->m_pTexture, nullptr);
    EXPECT_EQ(t->m_iWidth, 2u);
    EXPECT_EQ(t->m_Format, DWORD(D3DFMT_A8R8G8B8));

    EXPECT_EQ(g_Renderer.GetTextureIndex("Wall.tga"), bmp);
    EXPECT_EQ(g_Renderer.GetTextureIndex("WALL.TGA"), bmp);
    const TextureIndex lower = g_Renderer.GetTextureIndex("wall.dds");
    EXPECT_NE(lower, bmp);
    EXPECT_NE(lower, 0u);
    EXPECT_EQ(g_Renderer.GetTextureIndex(""), 0u);
    EXPECT_EQ(g_Renderer.GetTextureIndex(nullptr), 0u);
    EXPECT_STREQ(StripTexturePath("a\\b\\pic.BMP"), "pic.dds");
    EXPECT_STREQ(StripTexturePath("pic.TGA"), "pic.TGA");
    EXPECT_STREQ(StripTexturePath("ab"), "ab");
}

TEST_F(RenderTest, ASecondRequestReturnsTheFirstRecordUnchanged)
{
    WriteTga("textures/crate.tga", kGreen);
    g_Renderer.ScanTextureDirectory();
    strtexture* first = g_Renderer.LoadTexture("crate.tga", 0, 0, 0, 0);
    ASSERT_NE(first, nullptr);
    strtexture* second = g_Renderer.LoadTexture("crate.tga", 1, 1, 1, 1);
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->m_bReducedQuality, 0);
    EXPECT_EQ(first->m_bCube, 0);
    EXPECT_TRUE(first->m_bTga);
}

TEST_F(RenderTest, SlotsRunOutAtMaxTexturesAndFreedSlotsAreReusedFromTheBottom)
{
    g_pD3DInterface = nullptr; // names only: nothing is created
    for (DWORD i = 1; i < MAX_TEXTURES; ++i)
        ASSERT_EQ(g_Renderer.GetTextureIndex(("t" + std::to_string(i) + ".tga").c_str()), i);
    EXPECT_EQ(g_Renderer.GetTextureIndex("onemore.tga"), 0u);
    EXPECT_NE(ConsoleLog().find("MAX_TEXTURES hit!"), std::string::npos);

    g_Renderer.FreeTexture(g_Renderer.GetTexture(500));
    g_Renderer.FreeTexture(g_Renderer.GetTexture(7));
    EXPECT_EQ(g_Renderer.GetTextureIndex("again.tga"), 7u);
    EXPECT_EQ(g_Renderer.GetTextureIndex("andagain.tga"), 500u);
    g_Renderer.ClearTextures();
    EXPECT_EQ(g_Renderer.m_pTextures, nullptr);
    EXPECT_EQ(g_Renderer.GetTextureIndex("fresh.tga"), 1u);
    EXPECT_EQ(g_Renderer.GetTexture(MAX_TEXTURES), nullptr);
}

TEST_F(RenderTest, MissingBrokenAndMisnamedFilesAreReportedAndStillGetASlot)
{
    dir.Write("textures/broken.tga", std::string(40, '\x01'));
    dir.Write("textures/photo.png", "\x89PNG");
    g_Renderer.ScanTextureDirectory();

    const struct
    {
        const char* name;
        const char* line;
    } cases[] = {{"missing.tga", "Texture does not exist!"},
                 {"broken.tga", "Texture could not be loaded!"},
                 {"textures\\photo.png", "Bad Format!"}};
    for (const auto& c : cases)
    {
        g_Engine.m_bQuit = 0;
        strtexture* t = g_Renderer.LoadTexture(c.name, 0, 0, 0, 0);
        ASSERT_NE(t, nullptr) << c.name;
        EXPECT_NE(t->m_iIndex, 0u);
        EXPECT_EQ(t->m_pTexture, nullptr);
        EXPECT_EQ(g_Engine.m_bQuit, 1) << c.name;
        const std::string errors = dir.Read("!error.txt");
        EXPECT_NE(errors.find(std::string(t->m_szPath) + "\n" + c.line), std::string::npos) << errors;
    }
    EXPECT_NE(ConsoleLog().find("Texture could not be loaded: .\\textures\\broken.tga"), std::string::npos);
}

TEST_F(RenderTest, TheTwoTextureSwitchesListAndCopyWhatIsLoaded)
{
    WriteTga("textures/used.tga", kRed);
    WriteTga("textures/misc/bialy.tga", kWhite);
    WriteDdsChain("textures/stone.dds", 2, {kRed, kRed});
    dir.Write("scripts/textures.txt", "");
    g_Renderer.ScanTextureDirectory();
    g_Options.raporttextures = 1;
    g_Options.extractusedtextures = 1;
    g_Renderer.GetTextureIndex("used.tga");
    g_Renderer.GetTextureIndex("bialy.tga");
    g_Renderer.GetTextureIndex("models\\stone.bmp");
    EXPECT_EQ(dir.Read("!textures.txt"), "texture used.tga\ntexture bialy.tga\ntexture stone.dds\n");
    EXPECT_EQ(dir.Read("!textures/used.tga"), dir.Read("textures/used.tga"));
    EXPECT_EQ(dir.Read("!textures/stone.dds"), dir.Read("textures/stone.dds"));
    EXPECT_FALSE(dir.Exists("!textures/bialy.tga")); // nothing from a "misc" folder
}

TEST_F(RenderTest, NamesTooLongForTheRecordAreRefused)
{
    const std::string longName = std::string(300, 'x') + ".tga";
    EXPECT_EQ(g_Renderer.GetTextureIndex(longName.c_str()), 0u);
    EXPECT_NE(dir.Read("!error.txt").find("Texture name too long!"), std::string::npos);
    EXPECT_EQ(g_Renderer.m_pTextures, nullptr);
}

TEST_F(RenderTest, BadMeshTextureNamesAreReportedAndTakeNoSlot)
{
    // A mesh file's names: one too long for the record, one that names a
    // folder only. Each is refused with its line in "!error.txt", however
    // often it is asked for, and no slot is taken.
    strObject object = {};
    EMesh mesh;
    mesh.m_hObject = &object;
    const std::string longName = "textures\\" + std::string(300, 'x') + ".tga";
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(g_Renderer.LoadMeshTextures(longName.c_str(), &mesh, 0), 0u);
        EXPECT_EQ(g_Renderer.LoadMeshTextures("textures\\walls\\", &mesh, 1), 0u);
        EXPECT_EQ(g_Renderer.GetTextureIndex("walls\\"), 0u);
    }
    const std::string errors = dir.Read("!error.txt");
    EXPECT_NE(errors.find("Texture name too long!"), std::string::npos);
    EXPECT_NE(errors.find("textures\\walls\\"), std::string::npos);
    EXPECT_NE(errors.find("Texture name empty!"), std::string::npos);
    EXPECT_EQ(g_Renderer.m_pTextures, nullptr);
    g_Renderer.RemoveMeshTextureRefs(&mesh);
}

TEST_F(RenderTest, ATextureNamedAsACompanionStillDrawsOnItsOwnMeshes)
{
    // "sign" animates through frames that name "sign" itself, and "plate"
    // names "metal" as its detail map: "sign" and "metal" are still the
    // surface textures of their own meshes, listed and drawn.
    WriteTga("textures/sign.tga", kRed);
    WriteTga("textures/sign2.tga", kGreen);
    WriteTga("textures/plate.tga", kBlue);
    WriteTga("textures/metal.tga", kWhite);
    dir.Write("scripts/textures.txt",
              "texture sign.tga\nanimation_frame sign2.tga\nanimation_frame sign.tga\n"
              "texture plate.tga\ndetail metal.tga\n");
    g_Renderer.ScanTextureDirectory();
    EMesh signs, plates, metals;
    signs.SetOwner(&g_Engine.m_Objects[5]);
    plates.SetOwner(&g_Engine.m_Objects[6]);
    metals.SetOwner(&g_Engine.m_Objects[7]);
    for (int slot : {5, 6, 7})
        g_Renderer.ObjectFrame(&g_Engine.m_Objects[slot]).m_bVisible = 1;
    strtexture* metal = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("metal.tga", &metals, 0));
    strtexture* sign = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("sign.tga", &signs, 0));
    strtexture* plate = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("plate.tga", &plates, 0));
    ASSERT_TRUE(metal && sign && plate);
    EXPECT_EQ(plate->m_pDetail, metal);
    EXPECT_EQ(sign->m_pAnimFrames[1], sign);
    g_Renderer.CollectFrameTextures();
    std::vector<const strtexture*> listed;
    for (DWORD i = 0; i < MAX_TEXTURES && g_Renderer.m_pMeshTextures[i]; ++i)
        listed.push_back(g_Renderer.m_pMeshTextures[i]);
    for (const strtexture* t : {metal, sign, plate})
        EXPECT_NE(std::find(listed.begin(), listed.end(), t), listed.end()) << t->m_szName;
    // A script's own "do_not_render" still hides a texture.
    metal->m_bDoNotRender = 1;
    g_Renderer.CollectFrameTextures();
    EXPECT_NE(g_Renderer.m_pMeshTextures[0], metal);
    EXPECT_NE(g_Renderer.m_pMeshTextures[1], metal);
    for (EMesh* m : {&signs, &plates, &metals})
        g_Renderer.RemoveMeshTextureRefs(m);
    for (int slot : {5, 6, 7})
        g_Renderer.m_ObjectFrame[slot] = strobjectframe{};
}

TEST_F(RenderTest, MeshesLeaveTheTextureListsWhateverOrderTheyAndTheirTexturesGo)
{
    // Many meshes over many textures, each mesh on a few of them: removing a
    // mesh takes exactly its entries, and freeing a texture first leaves the
    // meshes nothing dangling to remove later.
    constexpr int kTextures = 12, kMeshes = 30;
    for (int t = 0; t < kTextures; ++t)
        WriteTga("textures/t" + std::to_string(t) + ".tga", kRed);
    g_Renderer.ScanTextureDirectory();
    strObject object = {};
    std::vector<EMesh> meshes(kMeshes);
    for (int m = 0; m < kMeshes; ++m)
    {
        meshes[m].m_hObject = &object;
        for (int k = 0; k < 3; ++k)
            g_Renderer.LoadMeshTextures(("t" + std::to_string((m * 5 + k * 7) % kTextures) + ".tga").c_str(),
                                        &meshes[m], DWORD(k));
    }
    const auto entries = [](const EMesh* mesh)
    {
        int n = 0;
        for (strtexture* t = g_Renderer.m_pTextures; t; t = t->m_pNext)
            for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
            {
                EXPECT_EQ(e->m_pNext ? e->m_pNext->m_pPrev : e, e);
                n += (!mesh || e->m_pMesh == mesh) ? 1 : 0;
            }
        return n;
    };
    EXPECT_EQ(entries(nullptr), kMeshes * 3);
    for (int m = 0; m < kMeshes; m += 2)
    {
        g_Renderer.RemoveMeshTextureRefs(&meshes[m]);
        EXPECT_EQ(entries(&meshes[m]), 0);
        g_Renderer.RemoveMeshTextureRefs(&meshes[m]); // a second time does nothing
    }
    EXPECT_EQ(entries(nullptr), kMeshes / 2 * 3);
    EXPECT_EQ(entries(&meshes[1]), 3);
    // A texture freed under its meshes.
    strtexture* first = g_Renderer.FindTexture("t5.tga");
    ASSERT_NE(first, nullptr);
    g_Renderer.FreeTexture(first);
    for (int m = 1; m < kMeshes; m += 2)
        g_Renderer.RemoveMeshTextureRefs(&meshes[m]);
    EXPECT_EQ(entries(nullptr), 0);
}

TEST_F(RenderTest, BestQualityTakesTheHighVariantAndReducedQualityDropsTwoLevels)
{
    WriteTga("textures/stone.tga", kRed, 2);
    WriteTga("textures/stone_high.tga", kRed, 8);
    WriteDdsChain("textures/floor.dds", 8, {kRed, kGreen, kBlue, kWhite});
    WriteDdsChain("textures/keep.dds", 8, {kRed, kGreen, kBlue, kWhite});
    dir.Write("scripts/textures.txt", "texture keep.dds\npriority\n");
    g_Renderer.ScanTextureDirectory();
    EMesh mesh;

    g_Options.VideoLevel3 = 0;
    strtexture* stone = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("stone.tga", &mesh, 0));
    ASSERT_NE(stone, nullptr);
    EXPECT_EQ(TopEdge(stone), 8u);

    g_Options.VideoLevel3 = 1;
    strtexture* floor = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("floor.dds", &mesh, 0));
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(TopEdge(floor), 2u);
    strtexture* keep = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("keep.dds", &mesh, 0));
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(TopEdge(keep), 8u);
    g_Renderer.RemoveMeshTextureRefs(&mesh);
}

TEST_F(RenderTest, CompanionsLoadWithTheFirstMeshOnly)
{
    WriteTga("textures/rock.tga", kRed);
    WriteTga("textures/rock_n.tga", kBlue);
    WriteTga("textures/grain.tga", kWhite);
    WriteTga("textures/rock_normal.tga", kGreen);
    dir.Write("scripts/textures.txt", "texture rock.tga\nnormal rock_n.tga\ndetail grain.tga\n"
                                      "texture rock_n.tga\ntexture grain.tga\n");
    g_Renderer.ScanTextureDirectory();
    EMesh first, second;
    strObject object = {};
    first.m_hObject = &object;
    second.m_hObject = &object;

    const TextureIndex index = g_Renderer.LoadMeshTextures("rock.tga", &first, 3);
    strtexture* rock = g_Renderer.GetTexture(index);
    ASSERT_NE(rock, nullptr);
    ASSERT_NE(rock->m_pNormalMap, nullptr);
    EXPECT_STREQ(rock->m_pNormalMap->m_szName, "rock_n.tga"); // the script's name wins over rock_normal
    ASSERT_NE(rock->m_pDetail, nullptr);
    // Companions keep their own definitions: nothing hides them from a mesh
    // that names one as its own texture.
    EXPECT_FALSE(rock->m_pNormalMap->m_bDoNotRender);
    EXPECT_FALSE(rock->m_pDetail->m_bDoNotRender);
    EXPECT_FALSE(rock->m_bDoNotRender);

    rock->m_pDetail = nullptr;
    EXPECT_EQ(g_Renderer.LoadMeshTextures("rock.tga", &second, 1), index);
    EXPECT_EQ(rock->m_pDetail, nullptr);
    ASSERT_NE(rock->m_pMeshList, nullptr);
    EXPECT_EQ(rock->m_pMeshList->m_pMesh, &second);
    EXPECT_EQ(rock->m_pMeshList->m_iBaseSubset, 1u);
    ASSERT_NE(rock->m_pMeshList->m_pNext, nullptr);
    EXPECT_EQ(rock->m_pMeshList->m_pNext->m_pMesh, &first);

    g_Renderer.RemoveMeshTextureRefs(&second);
    ASSERT_NE(rock->m_pMeshList, nullptr);
    EXPECT_EQ(rock->m_pMeshList->m_pMesh, &first);
    EXPECT_EQ(rock->m_pMeshList->m_pNext, nullptr);
    g_Renderer.RemoveMeshTextureRefs(&first);
    EXPECT_EQ(rock->m_pMeshList, nullptr);
}

TEST_F(RenderTest, AMeshWithoutObjectIsNamedAndKeptButNeverKeepsItsTextureInTheFrame)
{
    WriteTga("textures/lonely.tga", kRed);
    g_Renderer.ScanTextureDirectory();
    EMesh mesh;
    std::strcpy(mesh.m_szFileName, "meshes\\lonely.x");
    strtexture* t = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("lonely.tga", &mesh, 0));
    ASSERT_NE(t, nullptr);
    EXPECT_NE(ConsoleLog().find("No mesh m_hObject! meshes\\lonely.x"), std::string::npos);
    ASSERT_NE(t->m_pMeshList, nullptr);
    g_Renderer.m_pMeshTextures[0] = t;
    g_Renderer.m_pMeshTextures[1] = nullptr;
    g_Renderer.BuildRenderLists();
    EXPECT_EQ(g_Renderer.m_pFrameTextures[0], nullptr);
    g_Renderer.RemoveMeshTextureRefs(&mesh);
}

TEST_F(RenderTest, AnimationFramesFillTheArrayOnceWhateverMeshesComeAndGo)
{
    WriteTga("textures/fire.tga", kRed);
    std::string script = "texture fire.tga\nanimation_speed 0.25\n";
    for (int i = 0; i < 3; ++i)
    {
        WriteTga("textures/fire" + std::to_string(i) + ".tga", kRed);
        script += "animation_frame fire" + std::to_string(i) + ".tga\n";
    }
    dir.Write("scripts/textures.txt", script);
    g_Renderer.ScanTextureDirectory();
    EMesh mesh;
    for (int round = 0; round < 3; ++round)
    {
        strtexture* t = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("fire.tga", &mesh, 0));
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->m_bAnimated);
        EXPECT_EQ(t->m_iAnimFrameCount, 3u);
        EXPECT_FLOAT_EQ(t->m_fAnimSpeed, 0.25f);
        for (int i = 0; i < 3; ++i)
        {
            ASSERT_NE(t->m_pAnimFrames[i], nullptr);
            EXPECT_STREQ(t->m_pAnimFrames[i]->m_szName, ("fire" + std::to_string(i) + ".tga").c_str());
            EXPECT_FALSE(t->m_pAnimFrames[i]->m_bDoNotRender);
        }
        EXPECT_EQ(t->m_pAnimFrames[3], nullptr);
        g_Renderer.RemoveMeshTextureRefs(&mesh);
    }
}

TEST_F(RenderTest, AnimationCallsFindTheRecordOrSayWhatIsMissing)
{
    WriteTga("textures/screen.tga", kRed);
    dir.Write("scripts/textures.txt", "texture screen.tga\n");
    g_Renderer.ScanTextureDirectory();
    strtexture* t = g_Renderer.LoadTexture("screen.tga", 0, 0, 0, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->m_bAnimPlaying);
    g_Renderer.AnimationPause("screen.tga");
    EXPECT_FALSE(t->m_bAnimPlaying);
    g_Renderer.AnimationPlay("screen.dds");
    EXPECT_TRUE(t->m_bAnimPlaying);
    t->m_iAnimFrame = 2;
    t->m_fAnimTime = 0.5f;
    g_Renderer.AnimationStop("screen.tga");
    EXPECT_FALSE(t->m_bAnimPlaying);
    EXPECT_EQ(t->m_iAnimFrame, 0u);
    EXPECT_EQ(t->m_fAnimTime, 0.0f);
    g_Renderer.AnimationPlay(nullptr);
    g_Renderer.AnimationStop("nothing.tga");
    EXPECT_NE(ConsoleLog().find("AnimationStop: not found nothing.tga"), std::string::npos);
}

TEST_F(RenderTest, FrameListsKeepShownAndBlendedTexturesAndPutTranslucentOnesLast)
{
    g_pD3DInterface = nullptr;
    strObject shown = {}, hidden = {};
    shown.bUsed = hidden.bUsed = 1;
    shown.bPrepared = hidden.bPrepared = 1; // set up for drawing
    shown.dwFlags = 1;
    EMesh shownMesh, hiddenMesh;
    shownMesh.m_hObject = &shown;
    hiddenMesh.m_hObject = &hidden;

    strtexture* a = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("a.tga", &shownMesh, 0));
    strtexture* b = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("b.tga", &hiddenMesh, 0));
    strtexture* glass = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("glass.tga", &hiddenMesh, 0));
    strtexture* c = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("c.tga", &shownMesh, 0));
    strtexture* water = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("water.tga", &shownMesh, 0));
    glass->m_bTranslucent = 1;
    water->m_bWater = 1;
    strtexture* mesh[] = {a, b, glass, c, water};
    for (int i = 0; i < 5; ++i)
        g_Renderer.m_pMeshTextures[i] = mesh[i];
    g_Renderer.BuildRenderLists();

    // b goes (its object is hidden); glass stays though hidden, and goes last.
    EXPECT_EQ(g_Renderer.m_pMeshTextures[0], a);
    EXPECT_EQ(g_Renderer.m_pMeshTextures[1], glass);
    EXPECT_EQ(g_Renderer.m_pMeshTextures[2], c);
    EXPECT_EQ(g_Renderer.m_pMeshTextures[3], water);
    EXPECT_EQ(g_Renderer.m_pMeshTextures[4], nullptr);
    EXPECT_EQ(g_Renderer.m_pFrameTextures[0], a);
    EXPECT_EQ(g_Renderer.m_pFrameTextures[1], water);
    EXPECT_EQ(g_Renderer.m_pFrameTextures[2], c);
    EXPECT_EQ(g_Renderer.m_pFrameTextures[3], glass);
    EXPECT_EQ(g_Renderer.m_pFrameTextures[4], nullptr);
    EXPECT_TRUE(g_Renderer.m_bFrameHasWater);
    EXPECT_TRUE(g_Renderer.m_bFrameHasWaterMesh);
    EXPECT_FALSE(g_Renderer.m_bFrameHasAdditive);

    g_Options.DrawPhysics = 1;
    g_Renderer.m_pMeshTextures[4] = b;
    g_Renderer.BuildRenderLists();
    EXPECT_EQ(g_Renderer.m_pMeshTextures[4], b);
    g_Renderer.RemoveMeshTextureRefs(&shownMesh);
    g_Renderer.RemoveMeshTextureRefs(&hiddenMesh);
}

TEST_F(RenderTest, TranslucentReorderingMovesBehindTheOthers)
{
    strtexture a = {}, b = {}, c = {};
    b.m_bTranslucent = 1;
    strtexture* list[MAX_TEXTURES] = {&a, &b, &c};
    g_Renderer.MoveTranslucentLast(list);
    EXPECT_EQ(list[0], &a);
    EXPECT_EQ(list[1], &c);
    EXPECT_EQ(list[2], &b);
}

TEST_F(RenderTest, FlashLightsTakeTheWeakestSlotAndFade)
{
    const float p[3] = {1, 2, 3};
    for (float& intensity : g_Renderer.m_fFlashLightIntensity)
        intensity = 1.0f;
    g_Renderer.m_fFlashLightIntensity[3] = 0.5f;
    g_Renderer.m_fFlashLightIntensity[4] = 0.5f;
    g_Renderer.AddFlashLight(p);
    EXPECT_FLOAT_EQ(g_Renderer.m_fFlashLightIntensity[3], 0.08f);
    EXPECT_FLOAT_EQ(g_Renderer.m_vFlashLightPos[3][2], 3.0f);

    for (float& intensity : g_Renderer.m_fFlashLightIntensity)
        intensity = 2.0f;
    g_Renderer.AddFlashLight(p);
    EXPECT_FLOAT_EQ(g_Renderer.m_fFlashLightIntensity[0], 0.08f);

    g_Renderer.m_fFrameTime = 0.1f;
    g_Renderer.UpdateFlashLights();
    EXPECT_EQ(g_Renderer.m_fFlashLightIntensity[0], 0.0f);
    EXPECT_FLOAT_EQ(g_Renderer.m_vFlashLightPos[0][1], -1.0e9f);
    EXPECT_TRUE(g_Renderer.m_bFlashLightActive);
}

TEST_F(RenderTest, ClearingTexturesForgetsTheTerrainSlotsAndTheAmbientTextures)
{
    WriteTga("bialy.tga", kWhite);
    WriteTga("sys_ambient.tga", kBlue);
    strtexture* white = g_Renderer.GetTexture(g_Renderer.GetTextureIndex("bialy.tga"));
    strtexture* ambient = g_Renderer.LoadTexture("sys_ambient.tga", 0, 0, 1, 0);
    ASSERT_NE(white, nullptr);
    ASSERT_NE(ambient, nullptr);
    g_Renderer.m_pWhiteTexture = white->m_pTexture;
    g_Renderer.m_hAmbient = ambient->m_pCubeTexture;
    EXPECT_NE(g_Renderer.m_pWhiteTexture, nullptr);
    EXPECT_NE(g_Renderer.m_hAmbient, nullptr);
    for (auto& layer : g_Renderer.m_Terrain)
        layer.m_iTexture = 5;
    g_Renderer.ClearTextures();
    EXPECT_EQ(g_Renderer.m_pWhiteTexture, nullptr);
    EXPECT_EQ(g_Renderer.m_hAmbient, nullptr);
    for (const auto& layer : g_Renderer.m_Terrain)
        EXPECT_EQ(layer.m_iTexture, 0u);
    EXPECT_STREQ(g_Renderer.m_Terrain[0].m_szFile, "ter_sand_grass001.tga");
}

TEST_F(RenderTest, SetTextureBindsTheRecordsTextureOrNothing)
{
    WriteTga("textures/bind.tga", kRed);
    g_Renderer.ScanTextureDirectory();
    const TextureIndex index = g_Renderer.GetTextureIndex("bind.tga");
    EXPECT_EQ(g_Renderer.SetTexture(2, index), D3D_OK);
    IDirect3DBaseTexture9* bound = nullptr;
    ASSERT_EQ(device->GetTexture(2, &bound), D3D_OK);
    EXPECT_EQ(bound, g_Renderer.GetTexture(index)->m_pTexture);
    bound->Release();
    EXPECT_EQ(g_Renderer.SetTexture(2, 4000), D3D_OK);
    ASSERT_EQ(device->GetTexture(2, &bound), D3D_OK);
    EXPECT_NE(bound, nullptr);
    bound->Release();
}
TEST_F(RenderTest, SkinnedMeshesRegisterEachSubsetOnceAndLoadTheirOwnCompanions)
{
    WriteTga("textures/coat.tga", kRed);
    WriteTga("textures/coat_normal.tga", kBlue);
    WriteTga("textures/sea.tga", kGreen);
    dir.Write("scripts/textures.txt", "texture coat.tga\nadd_water sea.tga\n");
    g_Renderer.ScanTextureDirectory();
    strObject object = {};
    ESkinMesh body, orphan;
    body.m_hObject = &object;

    const TextureIndex index = g_Renderer.LoadSkinMeshTextures("models\\coat.tga", &body, 2);
    strtexture* coat = g_Renderer.GetTexture(index);
    ASSERT_NE(coat, nullptr);
    ASSERT_NE(coat->m_pNormalMap, nullptr);
    EXPECT_STREQ(coat->m_pNormalMap->m_szName, "coat_normal.tga");
    // The test's options are the best quality: the implicit normal map is
    // taken at its high variant, as the surface texture is.
    EXPECT_EQ(g_Options.VideoLevel1, 0u);
    EXPECT_TRUE(coat->m_pNormalMap->m_bHighVariant);
    ASSERT_NE(coat->m_pAddWater, nullptr);
    EXPECT_NE(coat->m_pAddWater->m_pCubeTexture, nullptr); // the skinned extra water map is a cube
    EXPECT_EQ(g_Renderer.LoadSkinMeshTextures("coat.tga", &body, 2), index);
    ASSERT_NE(coat->m_pSkinMeshList, nullptr);
    EXPECT_EQ(coat->m_pSkinMeshList->m_pNext, nullptr);

    EXPECT_EQ(g_Renderer.LoadSkinMeshTextures("coat.tga", &orphan, 0), index);
    EXPECT_NE(ConsoleLog().find("No skinmesh m_hObject!"), std::string::npos);
    EXPECT_EQ(g_Renderer.LoadSkinMeshTextures(nullptr, &body, 0), 0u);
    EXPECT_NE(ConsoleLog().find("CreateTexture failed"), std::string::npos);

    g_Renderer.RemoveSkinMeshTextureRefs(&orphan);
    ASSERT_NE(coat->m_pSkinMeshList, nullptr);
    EXPECT_EQ(coat->m_pSkinMeshList->m_pSkinMesh, &body);
    g_Renderer.RemoveSkinMeshTextureRefs(&body);
    EXPECT_EQ(coat->m_pSkinMeshList, nullptr);
    g_Renderer.RemoveSkinMeshTextureRefs(nullptr);
}

TEST_F(RenderTest, MeshSubsetsGoBackToTheirBaseSubsetForTheirObjectOnly)
{
    g_pD3DInterface = nullptr;
    strObject mine = {}, other = {};
    EMesh a, b;
    a.m_hObject = &mine;
    b.m_hObject = &other;
    strtexture* t = g_Renderer.GetTexture(g_Renderer.LoadMeshTextures("shared.tga", &a, 4));
    g_Renderer.LoadMeshTextures("shared.tga", &b, 6);
    ASSERT_NE(t, nullptr);
    for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        e->m_iSubset = 9;
    g_Renderer.m_pMeshTextures[0] = t;
    g_Renderer.SetMeshSubsetTextures(&mine, 0);
    for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
        EXPECT_EQ(e->m_iSubset, e->m_hObject == &mine ? 4u : 9u);
    g_Renderer.RemoveMeshTextureRefs(&a);
    g_Renderer.RemoveMeshTextureRefs(&b);
}
} // namespace
