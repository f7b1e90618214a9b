#pragma once
// Character tests: a temporary data folder the test writes its scripts into, a
// box mesh for walls, markers, eyes and hats, a headless device for the mesh
// objects, and an empty character manager, object table and item table before
// and after each test.

#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "characters/PostacMgr.h"
#include "game/MainGame.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "mesh/SkinMeshMgr.h"
#include "platform/d3dx/XMesh.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace chartest
{
constexpr const char* BOX_MESH = "meshes\\box.x";

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class CharactersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_Engine.DeleteAllObjects();
        globals = std::make_unique<GlobalsSnapshot>();
        d3dParams = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(d3dParams, &d3d, &device));
        g_pD3DInterface = device;
        temp = std::make_unique<TempDir>();
        std::filesystem::create_directories("meshes");
        std::filesystem::create_directories("!opt");
        std::filesystem::create_directories("prefabs/special");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(BOX_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(CPostacMgr::MARKER_MODEL, BoxMesh(), tk::xfile::XFormat::Text));
        PMgr.Forget();
        ItemMgr.Forget();
        Player.m_vPosition = {0.0f, 0.0f, 0.0f};
        Player.m_hObject = nullptr;
        PlayerStats.m_bDead = 0;
        PlayerStats.m_bMissionFailed = 0;
        g_MainGame.m_iLevelFrame = 1000;
        g_Engine.m_fDeltaTime = 1.0f / 60.0f;
        g_Engine.m_bBlockCharacterSight = 0;
        g_Options.Debug = 0;
        std::srand(1);
    }

    void TearDown() override
    {
        PMgr.DeleteAllCharacters();
        PMgr.Forget();
        ItemMgr.Release();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_Renderer.ClearTextures();
        ReleaseHeadlessDevice(d3d, device);
        temp.reset();
        globals.reset();
    }

    // Writes "scripts\postacie.txt" and reads the descriptions.
    void Scripts(const std::string& text, const std::string& folderFile = "",
                 const std::string& folderText = "")
    {
        temp->Write("scripts/postacie.txt", text);
        if (!folderFile.empty())
            temp->Write("scripts/postacie/" + folderFile, folderText);
        PMgr.LoadDescriptions();
    }

    // A small skinned figure in centimetres ("models\\<name>\\<name>.x") with a
    // head socket for hats and two eye sockets.
    void Figure(const std::string& name)
    {
        const std::vector<boxfigure::BoxBone> bones = {
            {"Bip01", -1, 0, 100, 0, {-30, -100, -20}, {30, 0, 20}},
            {"Bip01_Spine1", 0, 0, 0, 0, {-35, 0, -20}, {35, 70, 20}},
            {"Bip01_Neck", 1, 0, 70, 0, {-5, 0, -5}, {5, 8, 5}},
            {"Bip01_Head", 2, 0, 8, 0, {-12, 0, -12}, {12, 25, 12}},
        };
        SkinModelDesc desc = boxfigure::Model(bones);
        desc.mesh.materials = {tk::xfile::XMaterialDesc()};
        const std::string folder = "models/" + name;
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(WriteSkinModelFile((folder + "/" + name + ".x").c_str(), desc, tk::xfile::XFormat::Text));
        temp->Write(folder + "/sockets.txt", "hat Bip01_Head 0 25 0 0 0 0\n"
                                             "oko_l Bip01_Head -4 15 10 0 0 0\n"
                                             "oko_p Bip01_Head 4 15 10 0 0 0\n");
    }

    // The only description a one-description script made.
    static strPostacDsc& Desc(const char* name = "a")
    {
        strPostacDsc* d = PMgr.FindDescription(name);
        EXPECT_NE(d, nullptr) << name;
        static strPostacDsc empty = {};
        return d ? *d : empty;
    }

    // A wall of boxes between two points, in the segment tables.
    static HOBJECT Wall(const D3DXVECTOR3& at, const D3DXVECTOR3& size)
    {
        const float position[3] = {at.x, at.y, at.z};
        const float scale[3] = {size.x, size.y, size.z};
        HOBJECT wall = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, position, scale);
        EXPECT_NE(wall, nullptr);
        g_Engine.PrepareObject(wall);
        return wall;
    }

    // A character of the description at a point, without a model.
    static strpostac* Character(const char* desc, const D3DXVECTOR3& at, const char* name = "")
    {
        const EOrientation identity;
        strpostac* p = PMgr.SpawnCharacter(desc, &at, &identity);
        EXPECT_NE(p, nullptr) << desc;
        if (p)
        {
            CopyCut(p->name, sizeof p->name, name);
            p->eye_position = at + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        }
        return p;
    }

    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> temp;
    D3DPRESENT_PARAMETERS d3dParams = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace chartest
