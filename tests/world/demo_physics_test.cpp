// The demo world with physics: loaded headless, its objects get their bodies
// as a world start gives them; a dropped crate falls and settles on the
// ground, a pushed crate moves, and the character controller walks up the
// stair onto the ledge, falls off its far end, lands and jumps.
#include "worldfile_fixture.h"

#include "physics/PhysicsMgr.h"
#include "support/GameProcess.h"
#include "tools/worldgen/DemoWorld.h"

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace worldtest
{
namespace
{
constexpr float kFrame = 1.0f / 60.0f;
// The capsule's centre stands this far above its feet (half its height and its radius).
constexpr float kCentreAboveFeet = 0.95f;
constexpr float kTolerance = 0.1f;

class DemoPhysics : public WorldFile
{
protected:
    void SetUp() override
    {
        WorldFile::SetUp();
        CopyDataTree(temp->path());
        g_Options.UpdatePhysics = 1;
        ASSERT_TRUE(g_WorldMgr.LoadWorld(worldgen::DEMO_WORLD_FILE));
        // What a world start does once the world file is read.
        g_PhysicsMgr.Init();
        ASSERT_TRUE(g_PhysicsMgr.HasWorld());
        g_Engine.RespawnObjects();
    }
    void TearDown() override
    {
        g_PhysicsMgr.Shutdown();
        WorldFile::TearDown();
    }
    static void Run(int frames)
    {
        for (int i = 0; i < frames; ++i)
            g_PhysicsMgr.Step(kFrame);
    }
    static D3DXVECTOR3 Player()
    {
        D3DXVECTOR3 p(0, 0, 0);
        g_PhysicsMgr.GetPlayerPosition(&p);
        return p;
    }
    static btRigidBody* Body(const char* name)
    {
        HOBJECT o = Find(name);
        return o ? static_cast<btRigidBody*>(o->pPhysicsBody) : nullptr;
    }
};

TEST_F(DemoPhysics, EveryObjectGetsItsBodyAtWorldStart)
{
    for (const char* solid : {"ground", "house_01", "stair", "ledge", "crate_01"})
    {
        SCOPED_TRACE(solid);
        ASSERT_NE(Body(solid), nullptr);
        EXPECT_TRUE(Body(solid)->isStaticOrKinematicObject());
        EXPECT_EQ(Find(solid)->dwFlags & OF_DYNAMIC_BODY, 0u);
    }
    for (const char* crate : {"physics_crate_01", "physics_crate_02", "physics_crate_03"})
    {
        SCOPED_TRACE(crate);
        ASSERT_NE(Body(crate), nullptr);
        EXPECT_FALSE(Body(crate)->isStaticOrKinematicObject());
        EXPECT_NE(Find(crate)->dwFlags & OF_DYNAMIC_BODY, 0u);
        EXPECT_EQ(Find(crate)->dwFlags & OF_STATIC_BODY, 0u);
        EXPECT_FLOAT_EQ(1.0f / Body(crate)->getInvMass(), 8.0f);
    }
    // Lights have no bodies.
    EXPECT_EQ(Find("lamp_light_01")->pPhysicsBody, nullptr);
}

TEST_F(DemoPhysics, ADroppedCrateFallsAndSettlesOnTheGroundAndAPushedOneMoves)
{
    HOBJECT dropped = Find("physics_crate_03");
    ASSERT_NE(dropped, nullptr);
    const float start = dropped->vPosition.y;
    Run(20);
    EXPECT_LT(dropped->vPosition.y, start - 0.1f) << "the crate falls";
    Run(600);
    EXPECT_NEAR(dropped->vPosition.y, worldgen::DEMO_PHYSICS.crateHalf, 0.05f) << "it rests on the ground";
    EXPECT_LT(Body("physics_crate_03")->getLinearVelocity().length(), 0.05f);
    const float rested = dropped->vPosition.y;
    Run(60);
    EXPECT_NEAR(dropped->vPosition.y, rested, 0.01f) << "and stays there";

    HOBJECT pushed = Find("physics_crate_01");
    const D3DXVECTOR3 before = pushed->vPosition;
    // West, away from the other crates; the push lands a little off the
    // centre (a random spin), so the crate is left to come to rest first.
    const D3DXVECTOR3 impulse(-30.0f, 0.0f, 0.0f);
    std::srand(1); // the same spin in every run, whatever ran before
    g_PhysicsMgr.PushObject(pushed, &impulse);
    Run(300);
    EXPECT_GT(before.x - pushed->vPosition.x, 0.15f) << "the pushed crate moved";
    EXPECT_NEAR(pushed->vPosition.y, worldgen::DEMO_PHYSICS.crateHalf, 0.05f) << "and rests on the ground";
    // The other crate was not touched.
    EXPECT_NEAR(Find("physics_crate_02")->vPosition.x, Find("physics_crate_02")->vStartPosition.x, 0.01f);
}

TEST_F(DemoPhysics, TheControllerClimbsTheStairFallsOffTheLedgeLandsAndJumps)
{
    const auto& at = worldgen::DEMO_PHYSICS;
    const D3DXVECTOR3 start(at.x - 2.0f, kCentreAboveFeet + 0.05f, at.z);
    g_PhysicsMgr.CreatePlayerController(&start);
    Run(30);
    ASSERT_TRUE(g_PhysicsMgr.PlayerOnGround());
    EXPECT_NEAR(Player().y, kCentreAboveFeet, kTolerance) << "it stands on the ground";

    // Walk east, 3 units a second, until past the middle of the ledge.
    const D3DXVECTOR3 walk(3.0f * PHYSICS_FIXED_STEP, 0.0f, 0.0f);
    g_PhysicsMgr.SetWalkDirection(&walk);
    const float ledgeMiddle = at.x + at.stairLength + at.ledgeLength * 0.5f;
    for (int i = 0; i < 600 && Player().x < ledgeMiddle; ++i)
        Run(1);
    ASSERT_GE(Player().x, ledgeMiddle) << "the stair stopped the walk";
    EXPECT_NEAR(Player().y, at.ledgeHeight + kCentreAboveFeet, kTolerance) << "it is up on the ledge";

    // On past the far end: it falls and lands on the ground below.
    const float beyond = at.x + at.stairLength + at.ledgeLength + 1.5f;
    bool fell = false;
    for (int i = 0; i < 600 && Player().x < beyond; ++i)
    {
        Run(1);
        fell = fell || !g_PhysicsMgr.PlayerOnGround();
    }
    const D3DXVECTOR3 stop(0.0f, 0.0f, 0.0f);
    g_PhysicsMgr.SetWalkDirection(&stop);
    Run(90);
    EXPECT_TRUE(fell);
    EXPECT_TRUE(g_PhysicsMgr.PlayerOnGround());
    EXPECT_NEAR(Player().y, kCentreAboveFeet, kTolerance) << "it landed";

    // A jump lifts it and it comes down again.
    g_PhysicsMgr.PlayerJump();
    float highest = Player().y;
    for (int i = 0; i < 30; ++i)
    {
        Run(1);
        highest = std::max(highest, Player().y);
    }
    EXPECT_GT(highest, kCentreAboveFeet + 1.0f);
    Run(120);
    EXPECT_TRUE(g_PhysicsMgr.PlayerOnGround());
    EXPECT_NEAR(Player().y, kCentreAboveFeet, kTolerance);
}
// The shapes the game preloads at level start to draw bodies with: each loads,
// spans a unit around its centre and turns the front of every face outward
// (wound as the engine's other meshes are).
TEST_F(DemoPhysics, TheBodyShapesTheGamePreloadsLoad)
{
    for (const char* shape : {"prefabs\\special\\rigidbody_box.x", "prefabs\\special\\rigidbody_sphere.x",
                              "prefabs\\special\\rigidbody_cylinder.x"})
    {
        SCOPED_TRACE(shape);
        const int id = g_MeshMgr.LoadMesh(shape);
        ASSERT_GE(id, 0);
        const strmesh* entry = g_MeshMgr.GetEntry(id);
        ASSERT_NE(entry, nullptr);
        for (int axis = 0; axis < 3; ++axis)
        {
            EXPECT_NEAR((&entry->vMin.x)[axis], -0.5f, 1e-3f);
            EXPECT_NEAR((&entry->vMax.x)[axis], 0.5f, 1e-3f);
        }
        ID3DXMesh* mesh = entry->pMesh;
        ASSERT_GT(mesh->GetNumFaces(), 0u);
        void* vertices = nullptr;
        void* indices = nullptr;
        ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
        ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices), D3D_OK);
        const DWORD stride = mesh->GetNumBytesPerVertex();
        const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
        auto corner = [&](DWORD face, int k)
        {
            const DWORD at = face * 3 + k;
            const DWORD v =
                wide ? static_cast<const DWORD*>(indices)[at] : static_cast<const WORD*>(indices)[at];
            D3DXVECTOR3 p;
            std::memcpy(&p, static_cast<const BYTE*>(vertices) + v * stride, sizeof p);
            return p;
        };
        int inward = 0;
        for (DWORD f = 0; f < mesh->GetNumFaces(); ++f)
        {
            const D3DXVECTOR3 a = corner(f, 0), b = corner(f, 1), c = corner(f, 2);
            D3DXVECTOR3 n;
            const D3DXVECTOR3 ab = b - a, ac = c - a, middle = (a + b + c) / 3.0f;
            D3DXVec3Cross(&n, &ab, &ac);
            inward += D3DXVec3Dot(&n, &middle) <= 0.0f;
        }
        mesh->UnlockIndexBuffer();
        mesh->UnlockVertexBuffer();
        EXPECT_EQ(inward, 0);
    }
}
} // namespace
} // namespace worldtest
