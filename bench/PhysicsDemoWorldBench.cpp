// Stepping the demo world (its static bodies as a world start gives them)
// with 500 dynamic boxes resting on its green and 50 falling onto it, through
// the physics manager with the copy back to the scene objects. The same
// bodies in a bare Bullet world are BM_BareBulletStep (PhysicsBench.cpp).
#include "support/BuildPaths.h"
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "tests/support/GameWindow.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "physics/PhysicsMgr.h"
#include "render/SkyLight.h"
#include "shell/GameOptions.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/WorldMgr.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kResting = 500;
constexpr int kFalling = 50;
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kSpacing = 3.0f;
constexpr int kRow = 25;
constexpr float kDropHeight = 200.0f;
constexpr int kSettleFrames = 400;
constexpr int kRefallFrames = 240;
// A stretch of the green far from the town, where nothing else stands.
constexpr float kFieldX = -40.0f;
constexpr float kFieldZ = -190.0f;

D3DXVECTOR3 RestingPlace(int i)
{
    return D3DXVECTOR3((i % kRow) * kSpacing + kFieldX, 0.5f, (i / kRow) * kSpacing + kFieldZ);
}

D3DXVECTOR3 FallingPlace(int i)
{
    return D3DXVECTOR3((i % 10) * kSpacing + kFieldX, kDropHeight, (i / 10) * kSpacing + kFieldZ);
}

HOBJECT MakeBox(int slot, const D3DXVECTOR3& position)
{
    const D3DXVECTOR3 half(0.5f, 0.5f, 0.5f);
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

void BM_PhysicsDemoWorldStep(benchmark::State& state)
{
    const fs::path dir = fs::temp_directory_path() / ("tk-physicsbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy(tk::test::DataDir(), dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    TkSetBackend(TkBackend::Headless);
    TkHeadlessReset();
    TkD3D9ResetHeadless();
    OpenGameWindow("PhysicsDemoBench", 320, 240);
    CreateGameDevice();

    g_Options.UpdatePhysics = 1;
    if (!g_WorldMgr.LoadWorld("worlds\\level01.w"))
        state.SkipWithError("the demo world did not load");
    g_PhysicsMgr.Init();
    g_Engine.RespawnObjects();
    const int first = g_Engine.m_iHighMesh;
    for (int i = 0; i < kResting; ++i)
        g_PhysicsMgr.CreateObjectBody(MakeBox(first + i, RestingPlace(i)), nullptr);
    for (int i = 0; i < kSettleFrames; ++i)
        g_PhysicsMgr.Step(kFrame);
    std::vector<HOBJECT> falling;
    for (int i = 0; i < kFalling; ++i)
    {
        falling.push_back(MakeBox(first + kResting + i, FallingPlace(i)));
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
    state.counters["bodies"] = g_PhysicsMgr.m_iNumPhysicsObjects;
    state.counters["active"] = g_PhysicsMgr.m_iNumActivePhysicsObjects;

    g_PhysicsMgr.Shutdown();
    for (int slot = first; slot < first + kResting + kFalling; ++slot)
    {
        delete static_cast<EMesh*>(g_Engine.m_Objects[slot].Object);
        g_Engine.m_Objects[slot] = strObject{};
    }
    g_Engine.m_iHighMesh = first;
    Env.DeleteSkyMesh();
    g_Engine.DeleteAllObjects();
    g_MeshMgr.ReleaseAll();
    g_D3DMain.Shutdown();
    SAFE_RELEASE(g_pD3D);
    DestroyWindow(g_hWnd);
    fs::current_path(previous);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
TK_BENCHMARK(BM_PhysicsDemoWorldStep)->Unit(benchmark::kMillisecond);
} // namespace
