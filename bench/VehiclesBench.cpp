// Eight trucks and four helicopters in the demo world: each frame every truck
// is moved a step along its track (ground traces, the slope's tilt, the
// chassis body and four wheels), every helicopter runs its downwash and places
// its rotor, and the physics world steps. Against it, the same eight chassis
// boxes moved as bare kinematic Bullet bodies and the same world stepped: the
// vehicles' own cost is the difference, and the ratio of the two is reported.
#include "bench/Harness.h"
#include "bench/DemoGame.h"
#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "shell/Orientation.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <chrono>
#include <vector>

namespace
{
using benchgame::DemoGame;
constexpr int kTrucks = 8;
constexpr int kHelis = 4;
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kStep = 0.05f;
constexpr int kTrackFrames = 300; // the trucks turn back after this many frames
constexpr const char* kTruck = "prefabs\\vehicles\\demo_truck.x";
constexpr const char* kHeli = "prefabs\\vehicles\\demo_heli.x";
constexpr double kBudgetMs = 0.3;

struct Yard
{
    std::vector<HOBJECT> trucks;
    std::vector<HOBJECT> helis;
};

// Trucks in a row across the ramp's track, helicopters hovering near them.
Yard MakeYard()
{
    Yard yard;
    for (int i = 0; i < kTrucks; ++i)
    {
        const D3DXVECTOR3 at(-120.0f + 6.0f * i, 0.0f, 30.0f);
        HOBJECT o = g_Engine.CreateObject(OT_MESH, kTruck, 1, 0, &at.x, nullptr);
        g_Engine.RespawnObject(o);
        yard.trucks.push_back(o);
    }
    for (int i = 0; i < kHelis; ++i)
    {
        const D3DXVECTOR3 at(-110.0f + 8.0f * i, 12.0f, 45.0f);
        HOBJECT o = g_Engine.CreateObject(OT_MESH, kHeli, 1, 0, &at.x, nullptr);
        g_Engine.PrepareObject(o);
        yard.helis.push_back(o);
    }
    // The camera under them, so the downwash does all it can.
    g_Camera.SetPosition(D3DXVECTOR3(-100.0f, 2.0f, 45.0f));
    return yard;
}

D3DXVECTOR3 Along(HOBJECT o, int frame)
{
    const int leg = frame % (2 * kTrackFrames);
    const float sign = leg < kTrackFrames ? 1.0f : -1.0f;
    return o->vPosition + D3DXVECTOR3(0.0f, 0.0f, sign * kStep);
}

void BM_VehiclesFrame(benchmark::State& state)
{
    DemoGame game(320, 180, "tk-bench-vehicles");
    Yard yard = MakeYard();
    g_Engine.m_fDeltaTime = kFrame;
    int frame = 0;
    for (auto _ : state)
    {
        for (HOBJECT t : yard.trucks)
        {
            const D3DXVECTOR3 to = Along(t, frame);
            const EOrientation facing = t->Orientation;
            g_Engine.SetObjectTransform(t, &to, &facing, 1, 1);
        }
        g_HeliMgr.Update();
        g_HeliMgr.UpdateAttachments();
        g_PhysicsMgr.Step(kFrame);
        ++frame;
    }
    int trucks = 0;
    for (HOBJECT t : yard.trucks)
        trucks += g_PhysicsMgr.GetTruck(t) ? 1 : 0;
    int helis = 0;
    for (HOBJECT h : yard.helis)
        helis += g_HeliMgr.FindHeli(h) ? 1 : 0;
    state.counters["trucks"] = trucks;
    state.counters["helis"] = helis;
}
TK_BENCHMARK(BM_VehiclesFrame)->Unit(benchmark::kMillisecond);

// The same chassis bodies moved as bare kinematic bodies, and the same world stepped.
void BM_VehiclesBareBodies(benchmark::State& state)
{
    DemoGame game(320, 180, "tk-bench-vehicles");
    Yard yard = MakeYard();
    std::vector<btRigidBody*> bodies;
    for (HOBJECT t : yard.trucks)
        bodies.push_back(static_cast<btRigidBody*>(t->pPhysicsBody));
    std::vector<float> z(bodies.size(), 30.0f);
    int frame = 0;
    for (auto _ : state)
    {
        const float sign = frame % (2 * kTrackFrames) < kTrackFrames ? 1.0f : -1.0f;
        for (size_t i = 0; i < bodies.size(); ++i)
        {
            if (!bodies[i])
                continue;
            z[i] += sign * kStep;
            btTransform at = bodies[i]->getWorldTransform();
            at.setOrigin(btVector3(at.getOrigin().x(), at.getOrigin().y(), z[i]));
            bodies[i]->getMotionState()->setWorldTransform(at);
            bodies[i]->setWorldTransform(at);
        }
        g_PhysicsMgr.m_dynamicsWorld->stepSimulation(kFrame, PHYSICS_MAX_SUBSTEPS, PHYSICS_FIXED_STEP);
        ++frame;
    }
    state.counters["budget_ms"] = kBudgetMs;
}
TK_BENCHMARK(BM_VehiclesBareBodies)->Unit(benchmark::kMillisecond);
} // namespace
