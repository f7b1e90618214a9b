#pragma once
// Vehicle tests: the scene-object fixture with a physics world, a flat ground
// slab (its top at y = 0) and a ramp that rises 5 units over 20 along +z, a
// truck mesh (its origin at the bottom centre) with four wheel sockets, wheel
// meshes, and a helicopter mesh with the sockets its parts, guns, camera and
// exit use. Definitions are written by each test.

#include "world/world_fixture.h"

#include "mesh/Mesh.h"
#include "mesh/MeshSocketsMgr.h"
#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "shell/CommandMgr.h"
#include "shell/Orientation.h"
#include "world/IntersectSegment.h"

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <string>

namespace vehicletest
{
constexpr const char* TRUCK = "prefabs\\vehicles\\truck.x";
constexpr const char* WHEEL = "prefabs\\vehicles\\wheel.x";
constexpr const char* FLAT_WHEEL = "prefabs\\vehicles\\flat_wheel.x";
constexpr const char* RAMP = "meshes\\ramp.x";
constexpr const char* HELI = "prefabs\\vehicles\\heli.x";
constexpr const char* ROTOR = "prefabs\\vehicles\\rotor.x";
constexpr float kFrame = 1.0f / 60.0f;

// A box mesh between two corners.
inline tk::xfile::XMeshDesc Box(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi)
{
    tk::xfile::XMeshDesc box = BoxMesh();
    for (size_t i = 0; i < box.positions.size(); i += 3)
        for (int a = 0; a < 3; ++a)
            box.positions[i + a] = box.positions[i + a] < 0.0f ? (&lo.x)[a] : (&hi.x)[a];
    return box;
}

// The ramp's slope, both windings, so a trace from either side meets it.
inline tk::xfile::XMeshDesc Ramp()
{
    tk::xfile::XMeshDesc ramp = BoxMesh();
    ramp.positions = {-5, 0, 0, 5, 0, 0, -5, 5, 20, 5, 5, 20};
    ramp.indices = {0, 2, 3, 0, 3, 1, 0, 3, 2, 0, 1, 3};
    return ramp;
}

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// What the console printed since the object was made.
class ConsoleSince
{
public:
    ConsoleSince() : m_before(ConsoleLog().size()) {}
    std::string Text() const
    {
        const std::string all = ConsoleLog();
        return all.size() > m_before ? all.substr(m_before) : std::string();
    }

private:
    size_t m_before;
};

inline bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

class VehicleTest : public worldtest::WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        using tk::xfile::XFormat;
        using tk::xfile::XWriteMeshFile;
        std::filesystem::create_directories("prefabs/vehicles");
        ASSERT_TRUE(XWriteMeshFile(TRUCK, Box({-1, 0, -2}, {1, 1.5f, 2}), XFormat::Text));
        ASSERT_TRUE(XWriteMeshFile(WHEEL, Box({-0.15f, -0.4f, -0.4f}, {0.15f, 0.4f, 0.4f}), XFormat::Text));
        ASSERT_TRUE(XWriteMeshFile(FLAT_WHEEL, Box({-0.15f, 0, -0.4f}, {0.15f, 0, 0.4f}), XFormat::Text));
        ASSERT_TRUE(XWriteMeshFile(RAMP, Ramp(), XFormat::Text));
        ASSERT_TRUE(XWriteMeshFile(HELI, Box({-1, -1, -3}, {1, 1, 3}), XFormat::Text));
        ASSERT_TRUE(XWriteMeshFile(ROTOR, Box({-3, -0.05f, -0.2f}, {3, 0.05f, 0.2f}), XFormat::Text));
        temp->Write("scripts/mesh_sockets/truck.txt", std::string("mesh_filename ") + TRUCK +
                                                          "\nsocket wfl -1 0.4 1.4\nsocket wfr 1 0.4 1.4\n"
                                                          "socket wrl -1 0.4 -1.4\nsocket wrr 1 0.4 -1.4\n");
        temp->Write("scripts/mesh_sockets/heli.txt",
                    std::string("mesh_filename ") + HELI +
                        "\nsocket rotor 0 2 0\nsocket oko 0 0 3\nsocket rakieta1 1 -0.5 2\n"
                        "socket rakieta2 -1 -0.5 2\nsocket karabin1 0.5 -1 3\nsocket karabin2 -0.5 -1 3\n"
                        "socket karabin3 0.3 -1 3\nsocket karabin4 -0.3 -1 3\nsocket kamera 0 1 1\n"
                        "socket exit 4 -1 0\n");
        g_MeshSockets.Clear();
        g_MeshSockets.LoadAll();
        g_Options.UpdatePhysics = 1;
        g_Engine.m_fDeltaTime = kFrame;
        g_Camera.SetFarPlane(1000.0f);
        g_IntersectSegment.RebuildAll();
    }

    void TearDown() override
    {
        g_PlayerHeli.Release();
        g_HeliMgr.ReleaseAll();
        for (BYTE& key : g_CommandMgr.m_bKeyState)
            key = 0;
        g_Engine.DeleteAllObjects();
        g_PhysicsMgr.Shutdown();
        g_MeshSockets.Clear();
        g_IntersectSegment.RebuildAll();
        WorldTest::TearDown();
    }

    // The physics world, with whatever vehicle definitions a test wrote.
    static void StartPhysics() { g_PhysicsMgr.Init(); }

    // A mesh object of the file at a place, scaled, prepared as the engine prepares world objects.
    static HOBJECT Place(const char* file, const D3DXVECTOR3& at, DWORD flags = 1,
                         const D3DXVECTOR3& scale = {1, 1, 1})
    {
        HOBJECT o = g_Engine.CreateObject(OT_MESH, file, flags, 0, &at.x, &scale.x);
        if (o)
            g_Engine.PrepareObject(o);
        return o;
    }

    // The ground slab, 400 by 400, its top at y = 0 (a static body once the physics world is there).
    static HOBJECT Ground()
    {
        return Place(worldtest::MESH_FILE, {0, -0.5f, 0}, 1 | OF_STATIC_BODY, {400, 1, 400});
    }

    static void Press(int command, bool down)
    {
        g_CommandMgr.m_bKeyState[g_CommandMgr.m_dwBindings[command][0]] = down ? 1 : 0;
    }
};
} // namespace vehicletest
