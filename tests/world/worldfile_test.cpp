// World files: objects and their keys, world-wide settings, line ends, and
// what the loader does with lines it cannot use.
#include "worldfile_fixture.h"

#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "shell/TextMgr.h"

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace worldtest
{
namespace
{
TEST_F(WorldFile, ObjectsTakeTheirKeys)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name crate",
        "xpos 10.5",
        "ypos -2",
        "zpos 300",
        "rotation_angles 0 90 0",
        "scaling_axis 2 3 4",
        "flags 4",
        "flag2 7",
        "terrain_mesh",
        "editor_display_radius 12",
        "is_it_tree 1",
        "skinmesh models\\soldier\\soldier.x",
        "name guard",
        "xpos 1",
        "light",
        "name lamp",
        "ypos 8",
        "range 25",
        "power 1.5",
        "diffuse 1 0.5 0.25",
        "light_linear_scatter 1",
        "sector_idx 3",
    }));
    EXPECT_EQ(g_WorldMgr.m_bError, 0);
    EXPECT_TRUE(PassedOver().empty());
    EXPECT_TRUE(Refused().empty());

    HOBJECT crate = Find("crate");
    ASSERT_NE(crate, nullptr);
    EXPECT_EQ(crate->Type, OT_MESH);
    EXPECT_EQ(crate->bFromWorldFile, 1);
    EXPECT_EQ(crate->vPosition, D3DXVECTOR3(10.5f, -2.0f, 300.0f));
    EXPECT_EQ(crate->vStartPosition, crate->vPosition);
    // Yaw of 90 degrees: forward turns from +Z to +X.
    EXPECT_NEAR(crate->Orientation.Forward.x, 1.0f, 1e-5f);
    EXPECT_NEAR(crate->StartOrientation.Forward.x, 1.0f, 1e-5f);
    EXPECT_EQ(crate->bRotationSet, 1);
    D3DXVECTOR3 scale;
    g_Engine.GetObjectScale(crate, &scale);
    EXPECT_EQ(scale, D3DXVECTOR3(2.0f, 3.0f, 4.0f));
    EXPECT_EQ(crate->dwFlags, 4u);
    EXPECT_EQ(crate->dwFlags2, 7u);
    EXPECT_EQ(crate->bTerrainMesh, 1);
    EXPECT_EQ(crate->iEditorDisplayRadius, 12);
    EXPECT_EQ(crate->bIsTree, 1);

    HOBJECT guard = Find("guard");
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(guard->Type, OT_SKINMESH);
    EXPECT_EQ(guard->vPosition.x, 1.0f);

    HOBJECT lamp = Find("lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->Type, OT_LIGHT);
    EXPECT_EQ(lamp->vPosition.y, 8.0f);
    EXPECT_EQ(lamp->fRadius, 25.0f);
    EXPECT_EQ(lamp->fLightValue, 1.5f);
    EXPECT_EQ(lamp->fLightValue2, 1.5f);
    EXPECT_EQ(lamp->vLightColor, D3DXVECTOR3(1.0f, 0.5f, 0.25f));
    EXPECT_EQ(lamp->bLinearScatter, 1);
    EXPECT_EQ(lamp->bSectorIndex, 3);
}

// The path-generation flag and node count are integers in their 32 bits,
// from the world key as from a fresh mesh; the three between are floats.
TEST_F(WorldFile, PathGenerationValuesKeepOneLayout)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name fresh", "mesh meshes\\box.x", "name keyed",
                      "path_generation 1 3 0.25 40 1500"}));
    auto ints = [](HOBJECT o)
    {
        float values[5] = {};
        g_Engine.GetObjectPathGenParams(o, values);
        int flag = 0, nodes = 0;
        std::memcpy(&flag, &values[0], sizeof flag);
        std::memcpy(&nodes, &values[4], sizeof nodes);
        return std::make_tuple(flag, values[1], values[2], values[3], nodes);
    };
    EXPECT_EQ(ints(g_Engine.FindObject("fresh", 0)), std::make_tuple(0, 2.0f, 0.5f, 30.0f, 2000));
    EXPECT_EQ(ints(g_Engine.FindObject("keyed", 0)), std::make_tuple(1, 3.0f, 0.25f, 40.0f, 1500));
}

TEST_F(WorldFile, WorldWideKeysSetTheirManagers)
{
    ASSERT_TRUE(Load({
        "fog0 65793 0.75 0.5",
        "farz 1500",
        "global_ambient_light 197379",
        "sky_light_color 16711680",
        "sky_light_power 2.5",
        "sky_light_use 0",
        "bloom_params 3 0.6",
        "Dasaturation 0.4",
        "HDRTargetLuminance 0.2",
        "skinmesh_skylight_coef 0.7",
        "skinmesh_ambient_coef 0.3",
        "lens_flare_direction 30 90",
        "lensflare_script flares.txt",
        "background_color 255",
        "WorldTerrain hills",
    }));
    EXPECT_TRUE(PassedOver().empty());
    EXPECT_EQ(Env.m_dwFogColor, 65793u);
    EXPECT_EQ(g_Camera.m_dwFogColor, 65793u);
    EXPECT_EQ(PostProcess.FogDistCoef, 0.75f);
    EXPECT_EQ(Env.m_fFogMax, 0.5f);
    EXPECT_EQ(g_Camera.GetFarPlane(), 1500.0f);
    EXPECT_EQ(Env.m_dwAmbient, 197379u);
    EXPECT_EQ(Env.m_dwSkyLight, 16711680u);
    EXPECT_EQ(Env.SkyLightPower, 2.5f);
    EXPECT_EQ(Env.m_bUseSkyLight, 0);
    EXPECT_EQ(PostProcess.BloomCone, 3.0f);
    EXPECT_EQ(PostProcess.BloomPower, 0.6f);
    EXPECT_EQ(PostProcess.Desaturacja, 0.4f);
    EXPECT_EQ(PostProcess.HDRTargetLuminance, 0.2f);
    EXPECT_EQ(g_Options.SkinmeshLightCoef, 0.7f);
    EXPECT_EQ(g_Options.SkinmeshAmbientCoef, 0.3f);
    float pitch = 0.0f, rotation = 0.0f;
    ASSERT_TRUE(g_Console.GetVariable("LensFlarePitch", &pitch));
    ASSERT_TRUE(g_Console.GetVariable("LensFlareRotation", &rotation));
    EXPECT_EQ(pitch, 30.0f);
    EXPECT_EQ(rotation, 90.0f);
    // Yaw 90, pitch 30 (down): forward along +X, tilted down by 30 degrees.
    EXPECT_NEAR(Env.m_vLensFlareDir.x, std::cos(30.0f * 3.14159265f / 180.0f), 1e-5f);
    EXPECT_NEAR(Env.m_vLensFlareDir.y, -0.5f, 1e-5f);
    EXPECT_STREQ(g_LensFlare.m_szDefinitionFile, "flares.txt");
    EXPECT_EQ(g_Camera.m_dwBackground, 255u);
    EXPECT_STREQ(g_Renderer.m_szTerrainScript, "hills");
}

// The rest of the world-wide keys: the world's own values, and the ones that
// reach the last object made (a key of both lists acts in both).
TEST_F(WorldFile, WorldWideKeysReachTheWorldAndTheLastObject)
{
    ASSERT_TRUE(Load({
        "ambient_occlusion_depth 12.5",
        "ambient_occlusion_intensity 0.25",
        "global_ambient_light0 4096",
        "sky_light_direction 90 0",
        "sky_light_projector 1 2 3 4.5",
        "mesh meshes\\box.x",
        "name crate",
        "pesel 1 2 3",
        "container_pesel 4 5 6",
        "ignore_calculating_player_visibility 1", // lights only
        "disappear_range 40",
        "light",
        "name lamp",
        "ignore_calculating_player_visibility 1",
    }));
    EXPECT_TRUE(PassedOver().empty());
    EXPECT_TRUE(Refused().empty());
    EXPECT_EQ(PostProcess.AODepth, 12.5f);
    EXPECT_EQ(PostProcess.AOIntensity, 250.0f);
    EXPECT_EQ(Env.m_dwAmbient, 4096u);
    float pitch = 0.0f;
    ASSERT_TRUE(g_Console.GetVariable("SkyLightPitch", &pitch));
    EXPECT_EQ(pitch, 90.0f);
    // Pitched down a quarter turn: the sun shines straight down.
    EXPECT_NEAR(Env.m_vSkyLightDir.y, -1.0f, 1e-5f);

    HOBJECT crate = Find("crate");
    ASSERT_NE(crate, nullptr);
    EXPECT_EQ(crate->PESEL[0], 1u);
    EXPECT_EQ(crate->PESEL[2], 3u);
    EXPECT_EQ(crate->ContainerPESEL[0], 4u);
    EXPECT_EQ(crate->ContainerPESEL[2], 6u);
    EXPECT_FALSE(crate->bIgnorePlayerVisibility);
    EXPECT_EQ(crate->iDisappearRange, 40);
    HOBJECT lamp = Find("lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_TRUE(lamp->bIgnorePlayerVisibility);
}

// Every line end a text editor writes reads the same; a lone CR no longer
// eats the next line's first character.
TEST_F(WorldFile, LineEndsOfEveryKindEndOneLine)
{
    for (const char* end : {"\r\n", "\n", "\r"})
    {
        g_Engine.DeleteAllObjects();
        ASSERT_TRUE(Load({"mesh meshes\\box.x", "name crate", "xpos 5", "light", "name lamp"}, end));
        HOBJECT crate = Find("crate");
        ASSERT_NE(crate, nullptr) << "line end " << static_cast<int>(end[0]);
        EXPECT_EQ(crate->vPosition.x, 5.0f);
        EXPECT_NE(Find("lamp"), nullptr);
        EXPECT_TRUE(PassedOver().empty());
    }
    // Mixed ends in one file, blank lines and TABs between values.
    g_Engine.DeleteAllObjects();
    temp->Write("worlds/m.w", "mesh\tmeshes\\box.x\r\n\r\nname crate\rxpos\t\t7\n\n");
    ASSERT_TRUE(g_WorldMgr.LoadWorld("worlds\\m.w"));
    ASSERT_NE(Find("crate"), nullptr);
    EXPECT_EQ(Find("crate")->vPosition.x, 7.0f);
}

// A line of exactly the longest length is read; one character more refuses
// it (and only it), with every kind of line end and at the end of the file.
TEST_F(WorldFile, TheLongestLineIsReadAndOneMoreCharacterIsRefused)
{
    const auto padded = [](std::string text, int length)
    {
        text.resize(static_cast<size_t>(length), ' ');
        return text;
    };
    for (const char* end : {"\r\n", "\n", "\r"})
    {
        SCOPED_TRACE(static_cast<int>(end[0]));
        g_Engine.DeleteAllObjects();
        // The last line has no end at all.
        temp->Write("worlds/edge.w", std::string("mesh meshes\\box.x") + end + "name edge" + end +
                                         padded("xpos 1", EWorldMgr::LINE_CHARS) + end +
                                         padded("ypos 2", EWorldMgr::LINE_CHARS + 1) + end + "zpos 3" + end +
                                         padded("\tflags\t4", EWorldMgr::LINE_CHARS + 1));
        ASSERT_TRUE(g_WorldMgr.LoadWorld("worlds\\edge.w"));
        HOBJECT edge = Find("edge");
        ASSERT_NE(edge, nullptr);
        EXPECT_EQ(edge->vPosition, D3DXVECTOR3(1.0f, 0.0f, 3.0f));
        EXPECT_EQ(Refused(), (std::vector<std::string>{"4:line too long", "6:line too long"}));
        EXPECT_TRUE(PassedOver().empty());
    }
}

TEST_F(WorldFile, KeysEndTheCurrentObjectOrReachTheLastOne)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name a",
        "sky_light_color 5", // world-wide, but keeps the current object
        "xpos 3",
        "fog0 0 1 1", // ends the current object
        "xpos 9",
        "world_general_properties",
        "disappear_range 77", // still reaches the last object
        "link_by_socket 1 b hand",
    }));
    HOBJECT a = Find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->vPosition.x, 3.0f);
    EXPECT_EQ(a->iDisappearRange, 77);
    ASSERT_NE(a->pPendingTieObject, nullptr);
    EXPECT_STREQ(a->pPendingTieObject, "b");
    EXPECT_STREQ(a->pPendingTieSocket, "hand");
    // The "xpos 9" line belonged to no object.
    EXPECT_EQ(PassedOver(), std::vector<std::string>{"6:xpos"});
}

// The drawn mesh stands where its object's position lines put it, however
// they are split by other lines and wherever the file ends.
TEST_F(WorldFile, PositionLinesMoveTheDrawnMesh)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name a",
        "xpos 1",
        "flags 4",
        "ypos 2",
        "mesh meshes\\box.x",
        "name b",
        "zpos 5",
        "xpos -4",
    }));
    for (const auto& [name, x, y, z] :
         {std::tuple{"a", 1.0f, 2.0f, 0.0f}, std::tuple{"b", -4.0f, 0.0f, 5.0f}})
    {
        HOBJECT o = Find(name);
        ASSERT_NE(o, nullptr) << name;
        ASSERT_NE(o->Object, nullptr) << name;
        D3DXMATRIX world;
        static_cast<const EMesh*>(o->Object)->GetWorldMatrix(&world);
        EXPECT_EQ(D3DXVECTOR3(world._41, world._42, world._43), D3DXVECTOR3(x, y, z)) << name;
        EXPECT_EQ(o->vStartPosition, D3DXVECTOR3(x, y, z)) << name;
    }
}

TEST_F(WorldFile, TextKeysInALineAreReplacedBeforeItIsRead)
{
    temp->Write("scripts/keys.txt", ">CrateName crate_from_key\n>Far 1234\n");
    g_TextMgr.Load("scripts\\keys.txt");
    const bool loaded = Load({"mesh meshes\\box.x", "name >CrateName", "farz >Far"});
    g_TextMgr.Free();
    ASSERT_TRUE(loaded);
    EXPECT_NE(Find("crate_from_key"), nullptr);
    EXPECT_EQ(g_Camera.GetFarPlane(), 1234.0f);
}

TEST_F(WorldFile, KeysAreComparedExactly)
{
    ASSERT_TRUE(Load({"Mesh meshes\\box.x", "MESH meshes\\box.x", "mesh x", "name lonely", "mesh"}));
    EXPECT_EQ(g_Engine.GetObjectCount(), 0u);
    EXPECT_EQ(PassedOver(), (std::vector<std::string>{"1:Mesh", "2:MESH", "4:name"}));
}

TEST_F(WorldFile, TextsTooLongForTheirFieldsAreRefused)
{
    const std::string longName(32, 'n');
    const std::string longFile = "meshes\\" + std::string(130, 'f') + ".x";
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name first",
        "name " + longName,
        "mesh " + longFile,
        "xpos 4",
        "light",
        "name " + std::string(31, 'k'),
    }));
    // A name of 32 characters is reported and empties the name.
    HOBJECT mesh = g_Engine.GetObjectBySlot(FIRST_MESH_SLOT);
    ASSERT_NE(mesh, nullptr);
    EXPECT_STREQ(mesh->szName, "");
    // A file name too long for the description fails the line like a mesh
    // that does not load: no object, and its property lines go nowhere.
    EXPECT_EQ(g_Engine.GetHighWaterMark(OT_MESH), FIRST_MESH_SLOT + 1);
    EXPECT_EQ(mesh->vPosition.x, 0.0f);
    EXPECT_EQ(g_WorldMgr.m_bError, 1);
    EXPECT_STREQ(g_WorldMgr.m_szErrors[0], "Mesh loading failed:");
    EXPECT_EQ(std::string(g_WorldMgr.m_szErrors[1]), longFile.substr(0, EWorldMgr::ERROR_LINE_SIZE - 1));
    EXPECT_NE(Find(std::string(31, 'k').c_str()), nullptr);

    const auto refused = Refused();
    ASSERT_GE(refused.size(), 2u);
    EXPECT_EQ(refused[0], "3:text too long: name");
    EXPECT_NE(ConsoleLog().find("ERROR: safe_string_copy() Source String Too Long!"), std::string::npos);
    EXPECT_NE(ConsoleLog().find("World worlds\\t.w line 4: Mesh loading failed:"), std::string::npos);
}

TEST_F(WorldFile, MissingMeshesFailTheirLineAndTheRestLoads)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\missing.x",
        "name ghost",
        "skinmesh models\\nobody",
        "mesh meshes\\box.x",
        "name real",
    }));
    EXPECT_EQ(g_WorldMgr.m_bError, 1);
    EXPECT_EQ(g_WorldMgr.m_iErrorCount, 6);
    EXPECT_STREQ(g_WorldMgr.m_szErrors[0], "Mesh loading failed:");
    EXPECT_STREQ(g_WorldMgr.m_szErrors[1], "meshes\\missing.x");
    EXPECT_STREQ(g_WorldMgr.m_szErrors[3], "SkinMesh loading failed:");
    EXPECT_EQ(Find("ghost"), nullptr);
    EXPECT_NE(Find("real"), nullptr);
    EXPECT_EQ(g_Engine.GetObjectCount(), 1u);
    EXPECT_EQ(Refused(), (std::vector<std::string>{"1:Mesh loading failed: meshes\\missing.x",
                                                   "3:SkinMesh loading failed: models\\nobody"}));
}

TEST_F(WorldFile, NumbersOutOfRangeAreRefusedAndReadAsZero)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name a",
        "xpos 1e60",
        "ypos 12abc",
        "zpos -.5",
        "flags 99999999999999999999",
        "disappear_range nan",
        "farz inf",
    }));
    HOBJECT a = Find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->vPosition, D3DXVECTOR3(0.0f, 12.0f, -0.5f));
    EXPECT_EQ(a->iDisappearRange, 0);
    EXPECT_EQ(g_Camera.GetFarPlane(), 0.0f);
    EXPECT_EQ(Refused(),
              (std::vector<std::string>{"3:number out of range: xpos", "6:number out of range: flags",
                                        "8:number out of range: farz"}));
    EXPECT_NE(ConsoleLog().find("World worlds\\t.w line 3: number out of range: xpos"), std::string::npos);
}

TEST_F(WorldFile, UnreadableFilesAreRefused)
{
    EXPECT_FALSE(g_WorldMgr.LoadWorld("worlds\\none.w"));
    EXPECT_EQ(g_WorldMgr.m_bError, 1);
    temp->Write("worlds/empty.w", "");
    EXPECT_FALSE(g_WorldMgr.LoadWorld("worlds\\empty.w"));
    EXPECT_FALSE(g_WorldMgr.LoadWorld(nullptr));
}

TEST_F(WorldFile, GarbageAndOverlongLinesLoadWhatTheyCan)
{
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 7919) & 0xFF);
    bytes += "\nmesh meshes\\box.x\nname after\n";
    bytes += "xpos " + std::string(EWorldMgr::LINE_CHARS + 10, '1') + "\n";
    bytes += "ypos 2\n";
    bytes += std::string(1, '\0') + "name nul\n";
    temp->Write("worlds/g.w", bytes);
    ASSERT_TRUE(g_WorldMgr.LoadWorld("worlds\\g.w"));
    HOBJECT a = Find("after");
    ASSERT_NE(a, nullptr);
    // The long line is refused whole; its tail is not read as a line of its own.
    EXPECT_EQ(a->vPosition.x, 0.0f);
    EXPECT_EQ(a->vPosition.y, 2.0f);
    bool longLine = false;
    for (const auto& r : Refused())
        longLine = longLine || r.find(":line too long") != std::string::npos;
    EXPECT_TRUE(longLine);
}

TEST_F(WorldFile, MoreObjectsThanTheTableHoldsAreRefused)
{
    std::vector<std::string> lines;
    for (int i = 0; i <= MAX_LIGHT_OBJECTS; ++i)
        lines.push_back("light");
    lines.push_back("name overflow");
    ASSERT_TRUE(Load(lines));
    EXPECT_EQ(g_Engine.GetObjectCount(), static_cast<DWORD>(MAX_LIGHT_OBJECTS));
    EXPECT_EQ(g_WorldMgr.m_bError, 1);
    EXPECT_STREQ(g_WorldMgr.m_szErrors[0], "Light failed!");
    EXPECT_EQ(Find("overflow"), nullptr);
    EXPECT_NE(ConsoleLog().find("*** Over Objects Limit!"), std::string::npos);
}

TEST_F(WorldFile, MeshLightNamesAndTheirNumbers)
{
    const std::string full(32, 'L');
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name early",
        "mesh_light_control_light3 lamp3", // before the record is switched on: dropped
        "mesh meshes\\box.x",
        "name lit",
        "mesh_light_control_params 1 0",
        "mesh_light_control2_light 31 " + full,
        "mesh_light_control2_light 32 lost",
        "mesh_light_control_light0 first lamp",
    }));
    EXPECT_EQ(Find("early")->pLightControl, nullptr);
    HOBJECT lit = Find("lit");
    ASSERT_NE(lit->pLightControl, nullptr);
    EXPECT_EQ(std::string(lit->pLightControl->szLights[31], LIGHT_CONTROL_NAME_SIZE), full);
    EXPECT_STREQ(lit->pLightControl->szLights[0], "first lamp");
    EXPECT_NE(ConsoleLog().find("ERROR: blad w pliku *.w, zly numer swiatla na mesha..."), std::string::npos);
}

TEST_F(WorldFile, MeshRecordsAreChangedAndWrittenBack)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "name fence",
        "plotek_use 1 0 3.5 4.5 0 1",
        "plotek_prefab 1 2 posts.x",
        "plotek_prefab 1 10 ignored.x",
        "plotek_road 1 0 1 2 3 4 road.tga",
        "texture_paint_slot_used 1 1",
        "texture_paint_texture_name 2 grass.tga",
        "texture_paint_subset_used 3 5",
        "texture_paint_texture_density 1 2 3",
        "rigid_body_physics_general 2 9.5 1",
        "rigid_body_physics_disable_collision_with_list 24 wall",
        "rigid_body_physics_disable_collision_with_list 25 never",
        "sound_for_mesh 40 sounds\\hum.wav",
        "sound_for_mes_ifset power_on",
    }));
    HOBJECT f = Find("fence");
    ASSERT_NE(f, nullptr);
    const ERoadParams* road = g_Engine.GetObjectRoadParams(f);
    ASSERT_NE(road, nullptr);
    EXPECT_EQ(road->bLeftUsed, 1);
    EXPECT_EQ(road->fRightWidth, 4.5f);
    EXPECT_EQ(road->bRightFlag2, 1);
    EXPECT_STREQ(road->szRightPrefabs[2], "posts.x");
    EXPECT_EQ(road->fRoadValues[3], 4.0f);
    EXPECT_STREQ(road->szRoadTexture, "road.tga");

    ETexturePaintParams paint;
    ASSERT_TRUE(g_Engine.GetObjectTexturePaint(f, &paint));
    EXPECT_EQ(paint.bUsed[1], 1);
    EXPECT_STREQ(paint.szTextures[2], "grass.tga");
    EXPECT_EQ(paint.bSubsetUsed[3][0], 1);
    EXPECT_EQ(paint.bSubsetUsed[3][1], 0);
    EXPECT_EQ(paint.bSubsetUsed[3][2], 1);
    EXPECT_EQ(paint.fDensity[2], 3.0f);

    EPhysicsDesc body;
    g_Engine.GetObjectPhysicsDesc(f, &body);
    EXPECT_EQ(body.iShape, 2);
    EXPECT_EQ(body.fMassOrSize, 9.5f);
    EXPECT_EQ(body.bRigidBody, 1);
    EXPECT_STREQ(body.szNoCollision[24], "wall");

    char file[OBJECT_SOUND_FILE_SIZE], condition[OBJECT_SOUND_CONDITION_SIZE];
    float range = 0.0f;
    g_Engine.GetObjectSound(f, file, &range, condition);
    EXPECT_STREQ(file, "sounds\\hum.wav");
    EXPECT_EQ(range, 40.0f);
    EXPECT_STREQ(condition, "power_on");
}

TEST_F(WorldFile, LaterKeysArePassedOverCleanly)
{
    ASSERT_TRUE(Load({
        "mesh meshes\\box.x",
        "action_general_opt 1 0",
        "death_params_1 1 0 0 0 0 1 1 1 1 1 50 0",
        "object_light_control_params 1 0",
        "bezier_moving_____params1 0 0",
        "set_fx smoke",
        "editor_undo_pesel 1 2 3",
    }));
    EXPECT_EQ(PassedOver(), std::vector<std::string>{"7:editor_undo_pesel"});
}

TEST_F(WorldFile, TheSkyMeshIsAddedFarAwayAndReplaced)
{
    ASSERT_TRUE(Load({"sky_mesh meshes\\box.x", "sky_mesh meshes\\box.x"}));
    ASSERT_NE(Env.m_hSkyMesh, nullptr);
    EXPECT_EQ(g_Engine.GetObjectCount(), 1u);
    EXPECT_EQ(Env.m_hSkyMesh->dwFlags, 128u);
    EXPECT_GT(Env.m_hSkyMesh->vPosition.x, 1e10f);
    ASSERT_TRUE(Load({"sky_mesh meshes\\none.x"}));
    EXPECT_EQ(Env.m_hSkyMesh, nullptr);
    EXPECT_NE(ConsoleLog().find("Failed adding sky mesh meshes\\none.x"), std::string::npos);
}

TEST(WorldNames, TheBezierFileTakesTheWorldsNameWithItsOwnExtension)
{
    const struct
    {
        const char* world;
        const char* bezier;
    } cases[] = {{"worlds\\level01.w", "worlds\\level01.bzr"},
                 {"worlds\\a.b.w", "worlds\\a.b.bzr"},
                 {"worlds\\plain", "worlds\\plain.bzr"},
                 {"old.worlds\\plain", "old.worlds\\plain.bzr"}};
    for (const auto& c : cases)
        EXPECT_EQ(BezierFileName(c.world), c.bezier) << c.world;
}

TEST(WorldNames, LevelsAreNumberedWithTwoDigits)
{
    char name[32];
    ASSERT_TRUE(MakeLevelWorldName(1, name, sizeof name));
    EXPECT_STREQ(name, "worlds\\level01.w");
    ASSERT_TRUE(MakeLevelWorldName(12, name, sizeof name));
    EXPECT_STREQ(name, "worlds\\level12.w");
    char small[8];
    EXPECT_FALSE(MakeLevelWorldName(1, small, sizeof small));
    EXPECT_STREQ(small, "");
}
} // namespace
} // namespace worldtest
