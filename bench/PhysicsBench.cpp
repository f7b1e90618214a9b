// Stepping a world of 500 boxes resting on the ground and 50 falling, through
// the physics manager (with the copy back to the scene objects), and the same
// bodies in a bare Bullet world for the ratio between the two.
#include "bench/Harness.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsMgr.h"
#include "shell/GameOptions.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kResting = 500;
constexpr int kFalling = 50;
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kSpacing = 3.0f;
constexpr int kRow = 25;
constexpr float kDropHeight = 200.0f;
constexpr int kSettleFrames = 400; // long enough for the resting boxes to fall asleep
constexpr int kRefallFrames = 240; // the falling boxes go back up before they land

D3DXVECTOR3 RestingPlace(int i)
{
    return D3DXVECTOR3((i % kRow) * kSpacing - 40.0f, 0.5f, (i / kRow) * kSpacing - 40.0f);
}

D3DXVECTOR3 FallingPlace(int i)
{
    return D3DXVECTOR3((i % 10) * kSpacing, kDropHeight, (i / 10) * kSpacing);
}

HOBJECT MakeObject(int slot, const D3DXVECTOR3& position, const D3DXVECTOR3& half)
{
    strObject& o = g_Engine.m_Objects[slot];
    o = strObject{};
    o.bUsed = 1;
    o.iIndex = slot;
    o.Type = OT_MESH;
    o.fHealth = 100.0f;
    o.vPosition = position;
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

void BM_PhysicsMgrStep(benchmark::State& state)
{
    g_Options.UpdatePhysics = 1;
    g_PhysicsMgr.Init();
    const D3DXVECTOR3 unit(0.5f, 0.5f, 0.5f);
    HOBJECT ground = MakeObject(0, D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(200, 1, 200));
    g_PhysicsMgr.AddBoxBody(ground);
    std::vector<HOBJECT> falling;
    for (int i = 0; i < kResting; ++i)
        g_PhysicsMgr.CreateObjectBody(MakeObject(1 + i, RestingPlace(i), unit), nullptr);
    for (int i = 0; i < kSettleFrames; ++i)
        g_PhysicsMgr.Step(kFrame);
    for (int i = 0; i < kFalling; ++i)
    {
        falling.push_back(MakeObject(1 + kResting + i, FallingPlace(i), unit));
        g_PhysicsMgr.CreateObjectBody(falling.back(), nullptr);
    }
    int frame = 0;
    for (auto _ : state)
    {
        g_PhysicsMgr.Step(kFrame);
        if (++frame % kRefallFrames == 0)
        {
            state.PauseTiming();
            for (int i = 0; i < kFalling; ++i)
            {
                const D3DXVECTOR3 up = FallingPlace(i);
                g_Engine.SetObjectTransform(falling[i], &up, &falling[i]->Orientation, 1, 0);
                g_PhysicsMgr.CreateObjectBody(falling[i], nullptr);
            }
            state.ResumeTiming();
        }
    }
    state.counters["active"] = g_PhysicsMgr.m_iNumActivePhysicsObjects;
    g_PhysicsMgr.Shutdown();
    for (int slot = 0; slot <= kResting + kFalling; ++slot)
    {
        delete static_cast<EMesh*>(g_Engine.m_Objects[slot].Object);
        g_Engine.m_Objects[slot] = strObject{};
    }
    g_Engine.m_iHighMesh = FIRST_MESH_SLOT;
}
TK_BENCHMARK(BM_PhysicsMgrStep)->Unit(benchmark::kMillisecond);

// The same bodies in a world a bare program builds: Bullet's defaults, no objects.
void BM_BareBulletStep(benchmark::State& state)
{
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher(&configuration);
    btAxisSweep3 broadphase(btVector3(-2000, -1000, -1300), btVector3(2000, 1000, 1300),
                            PHYSICS_BROADPHASE_HANDLES);
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
    world.setGravity(btVector3(0, -10, 0));
    btBoxShape groundShape(btVector3(200, 1, 200));
    btBoxShape box(btVector3(0.5f, 0.5f, 0.5f));
    btVector3 inertia;
    box.calculateLocalInertia(8.0f, inertia);
    std::vector<std::unique_ptr<btDefaultMotionState>> states;
    std::vector<std::unique_ptr<btRigidBody>> bodies;
    auto add = [&](btCollisionShape* shape, float mass, const btVector3& at, const btVector3& inertiaOf)
    {
        states.push_back(
            std::make_unique<btDefaultMotionState>(btTransform(btQuaternion::getIdentity(), at)));
        bodies.push_back(std::make_unique<btRigidBody>(mass, states.back().get(), shape, inertiaOf));
        world.addRigidBody(bodies.back().get());
        return bodies.back().get();
    };
    add(&groundShape, 0.0f, btVector3(0, -1, 0), btVector3(0, 0, 0));
    for (int i = 0; i < kResting; ++i)
    {
        const D3DXVECTOR3 p = RestingPlace(i);
        add(&box, 8.0f, btVector3(p.x, p.y, p.z), inertia);
    }
    for (int i = 0; i < kSettleFrames; ++i)
        world.stepSimulation(kFrame, PHYSICS_MAX_SUBSTEPS, PHYSICS_FIXED_STEP);
    std::vector<btRigidBody*> falling;
    for (int i = 0; i < kFalling; ++i)
    {
        const D3DXVECTOR3 p = FallingPlace(i);
        falling.push_back(add(&box, 8.0f, btVector3(p.x, p.y, p.z), inertia));
    }
    int frame = 0;
    for (auto _ : state)
    {
        world.stepSimulation(kFrame, PHYSICS_MAX_SUBSTEPS, PHYSICS_FIXED_STEP);
        if (++frame % kRefallFrames == 0)
        {
            state.PauseTiming();
            for (int i = 0; i < kFalling; ++i)
            {
                const D3DXVECTOR3 p = FallingPlace(i);
                falling[i]->setWorldTransform(
                    btTransform(btQuaternion::getIdentity(), btVector3(p.x, p.y, p.z)));
                falling[i]->setLinearVelocity(btVector3(0, 0, 0));
                falling[i]->setAngularVelocity(btVector3(0, 0, 0));
                falling[i]->activate(true);
            }
            state.ResumeTiming();
        }
    }
    for (auto& body : bodies)
        world.removeRigidBody(body.get());
}
TK_BENCHMARK(BM_BareBulletStep)->Unit(benchmark::kMillisecond);
} // namespace
