#pragma once
// Scene-object tests: a temporary data folder with one mesh file, one
// skinned-model folder and one sprite texture, an empty table before and after
// each test, and the allocation tracker switched on so leaks show by tag.

#include "support/BoxMesh.h"
#include "support/ConsoleLog.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "game/CutScene.h"
#include "mesh/MeshMgr.h"
#include "render/AmbientProbe.h"
#include "shell/Console.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SpriteMgr.h"
#include "environment/FxMgr.h"
#include "player/LaserMgr.h"
#include "render/ViewLines.h"
#include "platform/d3dx/XMesh.h"
#include "shell/D3DMain.h"

#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "player/Player.h"
#include "ui/AutoMap.h"
#include "ui/LoadingScreen.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace worldtest
{
constexpr const char* MESH_FILE = "meshes\\box.x";
constexpr const char* SKIN_FOLDER = "models\\soldier\\soldier.x";
constexpr const char* SPRITE_FILE = "sprites\\spark.tga";

// The hero stands at the point and looks from it.
inline void PlaceHero(const D3DXVECTOR3& at)
{
    Player.m_vPosition = at;
    g_Camera.SetPosition(at);
}

// Live allocations counted under the tag.
inline DWORD Tracked(const char* tag)
{
    for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
        if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], tag) == 0)
            return g_Debug.m_iCounts[i];
    return 0;
}

// Live allocations of every tag the object table uses.
inline DWORD TrackedObjectRecords()
{
    DWORD n = 0;
    for (const char* tag :
         {"BezierFollowState", "BezierMoveState", "ERoadParams", "ETexturePaintParams", "EBlinkingParams",
          "ELightControlParams", "EObjectSound", "EObjectActionParams", "EDeathParams", "pFxName",
          "pPendingTieSocket", "pPendingTieObject", "EMesh", "ESkinMesh"})
        n += Tracked(tag);
    return n;
}

class WorldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The table is emptied first: a snapshot of objects whose records
        // a test then frees would bring back dangling pointers.
        g_Engine.DeleteAllObjects();
        globals = std::make_unique<GlobalsSnapshot>();
        // Mesh objects load their files onto a device.
        d3dParams = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(d3dParams, &d3d, &device));
        g_pD3DInterface = device;
        temp = std::make_unique<TempDir>();
        g_Options.SystemDebug = 1;
        std::filesystem::create_directories("meshes");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\box.x", BoxMesh(), tk::xfile::XFormat::Text));
        temp->Write("models/soldier/animations/animations_desc.txt", "\n");
        // A one-bone skinned model: the box skinned to "Bip01".
        SkinModelDesc soldier;
        soldier.bones.push_back({"Bip01", -1, {}});
        D3DXMatrixIdentity(&soldier.bones[0].local);
        soldier.mesh = BoxMesh();
        soldier.weights.assign(soldier.mesh.positions.size() / 3, {{0, 1.0f}});
        ASSERT_TRUE(WriteSkinModelFile("models\\soldier\\soldier.x", soldier, tk::xfile::XFormat::Text));
        temp->Write("sprites/spark.tga", "tga");
    }
    void TearDown() override
    {
        g_Engine.DeleteAllObjects();
        EXPECT_EQ(TrackedObjectRecords(), 0u) << "a heap record of an object outlived it";
        // The skinned models, the mesh table, the texture registry and the view-line buffer hold
        // the device's resources: they go before the device does.
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_Renderer.ClearTextures();
        g_ViewLines.Release();
        g_LaserMgr.Release();
        g_SpriteMgr.Release();
        FX.Release();
        // A world start makes the automap's target, the loading screen's bar,
        // the HUD's and task box's rectangles and the console's background.
        g_AutoMap.ReleaseDeviceObjects();
        g_LoadingScreen.m_Bar.Release();
        g_Panel.Release();
        g_Objective.Release();
        g_Console.ReleaseDeviceObjects();
        g_CutScene.m_BlackCover.Release();
        g_CutScene.m_WhiteCover.Release();
        // A world start makes the ambient probe's surfaces too.
        g_AmbientProbe.Release();
        // The post-process chain's declaration and targets from the world start.
        PostProcess.ReleaseWorld();
        ReleaseHeadlessDevice(d3d, device);
        temp.reset();
        globals.reset();
    }

    static HOBJECT Add(BYTE type, const char* file, const char* name = nullptr)
    {
        HOBJECT o = g_Engine.CreateObject(type, file, 0, 0, nullptr, nullptr);
        if (o && name)
            g_Engine.SetObjectName(o, name);
        return o;
    }
    static HOBJECT Mesh(const char* name = nullptr) { return Add(OT_MESH, MESH_FILE, name); }
    static HOBJECT Skin(const char* name = nullptr) { return Add(OT_SKINMESH, SKIN_FOLDER, name); }
    static HOBJECT Light(const char* name = nullptr) { return Add(OT_LIGHT, "", name); }
    static HOBJECT Sprite(const char* name = nullptr) { return Add(OT_SPRITE, SPRITE_FILE, name); }

    static int Slot(HOBJECT o) { return o ? static_cast<int>(o - g_Engine.m_Objects) : -1; }

    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> temp;
    D3DPRESENT_PARAMETERS d3dParams = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace worldtest
