#pragma once
// Physics tests: a fresh physics world per test, and mesh objects placed by
// hand in the engine's table (a box of local bounds, a place and a scale), so
// bodies are built from exactly the sizes a test names. Everything made is
// taken back out at the end.

#include "support/ConsoleLog.h"
#include "support/TempDir.h"

#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "shell/GameOptions.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <BulletDynamics/Character/btKinematicCharacterController.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace physicstest
{
constexpr float kFrame = 1.0f / 60.0f;

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class PhysicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedHigh = g_Engine.m_iHighMesh;
        g_Options.UpdatePhysics = 1;
        g_SaveMgr.loadInProgress = 0;
        g_PhysicsMgr.Init();
        ASSERT_TRUE(g_PhysicsMgr.HasWorld());
    }

    void TearDown() override
    {
        g_PhysicsMgr.Shutdown();
        for (int slot : m_slots)
        {
            strObject& o = g_Engine.m_Objects[slot];
            delete static_cast<EMesh*>(o.Object);
            o = strObject{};
        }
        g_Engine.m_iHighMesh = m_savedHigh;
        g_Options.UpdatePhysics = 1;
        g_SaveMgr.loadInProgress = 0;
    }

    // A mesh object in the next free slot: centred box of the given half size at a place.
    HOBJECT Make(const D3DXVECTOR3& position, const D3DXVECTOR3& half, DWORD flags = 0, const char* name = "")
    {
        const int slot = m_nextSlot++;
        m_slots.push_back(slot);
        strObject& o = g_Engine.m_Objects[slot];
        o = strObject{};
        o.bUsed = 1;
        o.iIndex = slot;
        o.Type = OT_MESH;
        o.dwFlags = flags;
        o.fHealth = 100.0f;
        o.vPosition = position;
        std::snprintf(o.szName, sizeof o.szName, "%s",
                      name[0] ? name : ("object" + std::to_string(slot)).c_str());
        EMesh* mesh = new EMesh;
        mesh->SetOwner(&o);
        mesh->m_vMin = -half;
        mesh->m_vMax = half;
        o.Object = mesh;
        mesh->SetTransform(&position, &o.Orientation);
        if (g_Engine.m_iHighMesh < slot + 1)
            g_Engine.m_iHighMesh = slot + 1;
        return &o;
    }

    // A unit crate with a dynamic body on a wide static ground, after a
    // second to settle; the ground through `ground` when asked.
    HOBJECT CrateOnGround(HOBJECT* ground = nullptr)
    {
        HOBJECT floor = Make({0, -1, 0}, {20, 1, 20}, OF_STATIC_BODY);
        g_PhysicsMgr.AddBoxBody(floor);
        HOBJECT crate = Make({0, 0.5f, 0}, {0.5f, 0.5f, 0.5f});
        g_PhysicsMgr.CreateObjectBody(crate, nullptr);
        Run(60);
        if (ground)
            *ground = floor;
        return crate;
    }

    static EMesh* Mesh(HOBJECT o) { return static_cast<EMesh*>(o->Object); }
    static btRigidBody* Body(HOBJECT o) { return static_cast<btRigidBody*>(o->pPhysicsBody); }

    static void Run(int frames, float dt = kFrame)
    {
        for (int i = 0; i < frames; ++i)
            g_PhysicsMgr.Step(dt);
    }

    TempDir m_dir;

private:
    std::vector<int> m_slots;
    int m_nextSlot = FIRST_MESH_SLOT;
    int m_savedHigh = 0;
};
} // namespace physicstest
