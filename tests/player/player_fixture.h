#pragma once
// Item and weapon tests: a temporary data folder with a box mesh for the items'
// drop models and the marker, a catalogue a test writes, a headless device for
// the mesh objects, the hero in combat mode, and an empty object table, item
// table and weapon state before and after each test.

#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "platform/d3dx/XMesh.h"
#include "player/ItemCatalogue.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "ui/Panel.h"
#include "shell/SaveFile.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace playertest
{
constexpr const char* DROP_MESH = "meshes\\crate.x";
constexpr float kFrame = 1.0f / 60.0f;

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A weapon entry of a catalogue.
inline std::string Weapon(const std::string& name, int kind, int ammo, int maxAmmo,
                          const std::string& extra = "")
{
    return "item " + name + "\nName " + name + "\nWeapon\nUnique_Id " + std::to_string(kind) + "\nAmmo " +
           std::to_string(ammo) + "\nMax_Ammo_Carried " + std::to_string(maxAmmo) + "\nDrop_Object " +
           DROP_MESH + "\n" + extra;
}

// The weapons of the standard sets, a grenade and a few more.
inline std::string StandardCatalogue()
{
    return Weapon("p99", 0, 15, 150) + Weapon("AW", 1, 30, 300) + Weapon("saiga", 2, 8, 80, "Shotgun\n") +
           Weapon("dragunov", 3, 10, 100, "Snajper_Celownik\n") +
           Weapon("barrett", 4, 5, 50, "Snajper_Celownik\n") + Weapon("ammo_aw", 1, 30, 300) +
           Weapon("granat", 7, 1, 6, "Grenade\n") + "item medkit\nName medkit\nPainkiller\nDrop_Object " +
           DROP_MESH + "\n";
}

class PlayerTest : public ::testing::Test
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
        std::filesystem::create_directories("prefabs/special");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(DROP_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        ASSERT_TRUE(
            tk::xfile::XWriteMeshFile("prefabs\\special\\marker.x", BoxMesh(), tk::xfile::XFormat::Text));
        ItemMgr.Forget();
        FreshWeapons();
        PlayerStats.m_bCombatMode = 1;
        Player.m_vPosition = {0.0f, 0.0f, 0.0f};
        Player.m_hObject = nullptr;
        g_SaveMgr.loadInProgress = 0;
        g_MainGame.m_iLevelFrame = 0;
        g_Engine.m_fDeltaTime = kFrame;
        // Pick-ups and pushes draw random numbers: every test starts the same sequence.
        std::srand(1);
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level03.w");
    }

    void TearDown() override
    {
        ItemMgr.Release();
        Bronie = CPlayerWeapons();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_Renderer.ClearTextures();
        ReleaseHeadlessDevice(d3d, device);
        temp.reset();
        globals.reset();
    }

    // Empty weapons, as after the level's start-up.
    static void FreshWeapons()
    {
        Bronie = CPlayerWeapons();
        Bronie.m_bLevelInitialised = 1;
    }

    // Writes the catalogue and reads it (without the world's placed items).
    void Catalogue(const std::string& text)
    {
        temp->Write("scripts/items.txt", text);
        ItemMgr.LoadDescriptions();
    }

    // Reads a catalogue and starts the level's items and weapons.
    void StartLevel(const std::string& text)
    {
        temp->Write("scripts/items.txt", text);
        ItemMgr.Init();
        Bronie.Init();
    }

    static EItemInstance* Lying(const char* name, const D3DXVECTOR3& at)
    {
        const EOrientation identity;
        return ItemMgr.CreateItem(ItemMgr.FindDescription(name), &at, &identity);
    }

    // One frame of the items and the weapons.
    static void Frame(float dt = kFrame)
    {
        g_Engine.m_fDeltaTime = dt;
        ItemMgr.Update();
        Bronie.Update();
    }

    static int UsedItems()
    {
        int n = 0;
        for (const EItemInstance& i : ItemMgr.items)
            n += i.m_bUsed ? 1 : 0;
        return n;
    }

    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> temp;
    D3DPRESENT_PARAMETERS d3dParams = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace playertest
