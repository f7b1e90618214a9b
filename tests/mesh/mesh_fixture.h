#pragma once
// Mesh tests: a temporary folder entered as the game's data folder, a headless device for the mesh
// table, meshes written through the .x writer, and the table emptied afterwards.

#include "support/ConsoleLog.h"
#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "platform/d3dx/XMesh.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "world/Object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace meshtest
{
using tk::xfile::XFormat;
using tk::xfile::XMaterialDesc;
using tk::xfile::XMeshDesc;

// Live allocations counted under the tag.
inline DWORD Tracked(const char* tag)
{
    for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
        if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], tag) == 0)
            return g_Debug.m_iCounts[i];
    return 0;
}

// A box from (x0, y0, z0) to (x1, y1, z1): 8 corners, 12 faces, every face on material 0.
inline XMeshDesc Box(float x0, float y0, float z0, float x1, float y1, float z1,
                     const char* texture = "box.tga")
{
    XMeshDesc box;
    for (int c = 0; c < 8; ++c)
        box.positions.insert(box.positions.end(), {(c & 1) ? x1 : x0, (c & 2) ? y1 : y0, (c & 4) ? z1 : z0});
    for (int c = 0; c < 8; ++c)
        box.texcoords.insert(box.texcoords.end(), {(c & 1) ? 1.0f : 0.0f, (c & 2) ? 0.0f : 1.0f});
    box.indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 4, 6, 0, 6, 2,
                   1, 3, 7, 1, 7, 5, 0, 1, 5, 0, 5, 4, 2, 6, 7, 2, 7, 3};
    XMaterialDesc material;
    if (texture)
        material.texture = texture;
    box.materials = {material};
    return box;
}

// An object record with an instance of the mesh file, linked both ways as the
// engine links them; false when the mesh cannot be created.
inline bool MakeMeshObject(strObject& o, EMesh& mesh, const char* file)
{
    o = strObject{};
    o.bUsed = 1;
    o.Type = OT_MESH;
    std::snprintf(o.szFileName, sizeof o.szFileName, "%s", file);
    mesh.SetOwner(&o);
    o.Object = &mesh;
    if (!mesh.Create(o.szFileName))
        return false;
    o.pMeshEntry = mesh.GetMeshEntry();
    return true;
}

class MeshTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        savedDevice = g_pD3DInterface;
        g_pD3DInterface = device;
        temp = std::make_unique<TempDir>();
        savedOptions = g_Options;
        g_Options.UseOPT = 0;
        g_Options.UseLod = 1;
        g_Options.PostProcessOff = 0;
        g_Options.raportsubsets = 0;
        g_Options.SystemDebug = 1; // the allocation tracker counts
    }
    void TearDown() override
    {
        g_MeshMgr.ReleaseAll();
        EXPECT_EQ(Tracked("strmesh"), 0u);
        EXPECT_EQ(Tracked("m_pMeshMaterials "), 0u);
        g_Options = savedOptions;
        g_pD3DInterface = savedDevice;
        ReleaseHeadlessDevice(d3d, device);
        temp.reset();
    }

    // Writes a mesh file (folders made as needed); path with backslashes as the game names it.
    static void Write(const std::string& path, const XMeshDesc& mesh, XFormat format = XFormat::Text)
    {
        std::string folder = path;
        for (char& c : folder)
            if (c == '\\')
                c = '/';
        const auto slash = folder.rfind('/');
        if (slash != std::string::npos)
            std::filesystem::create_directories(folder.substr(0, slash));
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(path.c_str(), mesh, format)) << path;
    }

    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DDevice9* savedDevice = nullptr;
    std::unique_ptr<TempDir> temp;
    GameOptions savedOptions;
};
} // namespace meshtest
