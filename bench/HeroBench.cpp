// The hero's frame on flat ground with a movement key held, walking in a
// circle through the character controller, against the bare physics step the
// frame makes (the ratio shows what the hero's own logic costs).
#include "bench/Harness.h"
#include "game/MainGame.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsMgr.h"
#include "player/Player.h"
#include "shell/CommandMgr.h"
#include "shell/GameOptions.h"
#include "shell/Mouse.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kGroundHalf = 500.0f;
constexpr DWORD kRunningFrame = 300;
constexpr double kTurnPerFrame = 0.01;

void MakeGround()
{
    strObject& o = g_Engine.m_Objects[FIRST_MESH_SLOT];
    o = strObject{};
    o.bUsed = 1;
    o.iIndex = FIRST_MESH_SLOT;
    o.Type = OT_MESH;
    o.vPosition = D3DXVECTOR3(0, -1, 0);
    EMesh* mesh = new EMesh;
    mesh->SetOwner(&o);
    mesh->m_vMin = D3DXVECTOR3(-kGroundHalf, -1, -kGroundHalf);
    mesh->m_vMax = D3DXVECTOR3(kGroundHalf, 1, kGroundHalf);
    o.Object = mesh;
    mesh->SetTransform(&o.vPosition, &o.Orientation);
    if (g_Engine.m_iHighMesh < FIRST_MESH_SLOT + 1)
        g_Engine.m_iHighMesh = FIRST_MESH_SLOT + 1;
    g_PhysicsMgr.AddBoxBody(&o);
}

void ReleaseGround()
{
    strObject& o = g_Engine.m_Objects[FIRST_MESH_SLOT];
    delete static_cast<EMesh*>(o.Object);
    o = strObject{};
}

void Setup()
{
    g_Options.UpdatePhysics = 1;
    g_Options.GameplayRunning = 1;
    g_PhysicsMgr.Init();
    MakeGround();
    const D3DXVECTOR3 start(0, 1, 0);
    g_PhysicsMgr.CreatePlayerController(&start);
    Player = CPlayer();
    PlayerStats = EPlayerStats();
    Player.m_vPosition = start;
    g_MainGame.m_iLevelFrame = kRunningFrame;
    g_MainGame.m_bWorldActive = 1;
    g_Engine.m_fDeltaTime = kFrame;
    g_CommandMgr.SetDefaultKeys();
    g_CommandMgr.m_bKeyState[g_CommandMgr.m_dwBindings[CPlayer::CMD_FORWARD][0]] = 1;
}

void Teardown()
{
    g_CommandMgr.m_bKeyState[g_CommandMgr.m_dwBindings[CPlayer::CMD_FORWARD][0]] = 0;
    g_PhysicsMgr.Shutdown();
    ReleaseGround();
}

void BM_HeroFrame(benchmark::State& state)
{
    Setup();
    for (auto _ : state)
    {
        g_Mouse.m_State.x += kTurnPerFrame;
        Player.UpdateLook();
        Player.Update();
        benchmark::DoNotOptimize(Player.m_vPosition);
    }
    Teardown();
}
TK_BENCHMARK(BM_HeroFrame);

void BM_HeroPhysicsStepAlone(benchmark::State& state)
{
    Setup();
    const D3DXVECTOR3 walk(0.0f, 0.0f, 0.09f);
    for (auto _ : state)
    {
        g_PhysicsMgr.SetWalkDirection(&walk);
        g_PhysicsMgr.Step();
        D3DXVECTOR3 p;
        g_PhysicsMgr.GetPlayerPosition(&p);
        benchmark::DoNotOptimize(p);
    }
    Teardown();
}
TK_BENCHMARK(BM_HeroPhysicsStepAlone);
} // namespace
