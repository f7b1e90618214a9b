// The per-frame object logic of a generated world of 4,000 objects (3,400
// meshes, 300 skinned meshes and 300 lights): 500 objects carry scripts (walk-in triggers, lifts that move,
// doors that swing, blinking lights and delayed deaths that never come due),
// the rest are plain props. The frame is the whole object-logic update: the
// object pass, the visibility pass and the lights. Reported per frame, beside a bare walk over the
// same table that only reads each object's position, as a ratio.
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "platform/win32/Headless.h"
#include "tests/support/GameWindow.h"
#include "game/MainGame.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "shell/D3DMain.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/ObjectActionParams.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace
{
namespace fs = std::filesystem;

constexpr int MESHES = MAX_MESH_OBJECTS;
constexpr int LIGHTS = MAX_LIGHT_OBJECTS;
constexpr int SKINS = 4000 - MESHES - LIGHTS;
constexpr int SCRIPTED = 500;
constexpr float FRAME_SECONDS = 1.0f / 60.0f;
constexpr float SPREAD = 400.0f;

struct LogicWorld
{
    LogicWorld()
    {
        dir = fs::temp_directory_path() / ("tk-logicbench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        previous = fs::current_path();
        fs::current_path(dir);
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkD3D9ResetHeadless();
        OpenGameWindow("LogicBench", 800, 600);
        CreateGameDevice();
        tk::xfile::XMeshDesc box;
        box.positions = {-1, 0, -1, -1, 2, -1, 1, 2, -1, 1, 0, -1, -1, 0, 1, -1, 2, 1, 1, 2, 1, 1, 0, 1};
        box.indices = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1,
                       3, 2, 6, 3, 6, 7, 1, 5, 6, 1, 6, 2, 0, 3, 7, 0, 7, 4};
        box.materials.resize(1);
        tk::xfile::XWriteMeshFile("box.x", box, tk::xfile::XFormat::Text);
        fs::create_directories("models/logic/animations");
        std::FILE* desc = std::fopen("models/logic/animations/animations_desc.txt", "w");
        if (desc)
        {
            std::fputs("\n", desc);
            std::fclose(desc);
        }
        // A one-bone skinned model: the box skinned to "Bip01".
        SkinModelDesc model;
        model.bones.push_back({"Bip01", -1, {}});
        D3DXMatrixIdentity(&model.bones[0].local);
        model.mesh = box;
        model.weights.assign(box.positions.size() / 3, {{0, 1.0f}});
        WriteSkinModelFile("models\\logic\\logic.x", model, tk::xfile::XFormat::Text);
        for (int i = 0; i < SKINS; ++i)
        {
            const float position[3] = {static_cast<float>(i), 0.0f, -20.0f};
            g_Engine.CreateObject(OT_SKINMESH, "models\\logic\\logic.x", 0, 0, position, nullptr);
        }
        int scripted = 0;
        for (int i = 0; i < MESHES + LIGHTS; ++i)
        {
            const bool light = i >= MESHES;
            const float position[3] = {static_cast<float>(i % 64) * SPREAD / 64.0f, 0.0f,
                                       static_cast<float>(i / 64) * SPREAD / 64.0f};
            HOBJECT o = g_Engine.CreateObject(light ? OT_LIGHT : OT_MESH, light ? "" : "box.x", 0, 0,
                                              position, nullptr);
            if (!o)
                continue;
            char name[32];
            std::snprintf(name, sizeof name, "o%d", i);
            g_Engine.SetObjectName(o, name);
            // Every seventh object carries a script, up to the count.
            if (i % 7 != 0 || scripted >= SCRIPTED)
                continue;
            ++scripted;
            if (light)
            {
                EBlinkingParams b;
                b.bEnabled = 1;
                b.fValues[0] = 0.3f;
                b.fValues[2] = 1.5f;
                b.fValues[4] = 0.2f;
                g_Engine.SetObjectBlinking(o, &b);
                continue;
            }
            EObjectActionParams p;
            p.dwEnabled = 1;
            p.action_general_opt = 1;
            p.action_general_2 = 1;
            switch (scripted % 3)
            {
            case 0:
                p.action_moving[1] = 1.0f; // a lift that keeps going up and down
                p.action_moving[3] = 0.5f;
                p.action_moving[4] = 1000.0f;
                break;
            case 1:
                p.action_door = 1; // a door that swings slowly
                p.action_door_speed = 0.01f;
                break;
            default:
                o->fDeathWait = 1.0e9f; // a death that never comes due
                break;
            }
            g_Engine.SetObjectActionParams(o, &p);
            g_EngineObject.RunActions(o, 0);
        }
        // As the world's set-up does once its objects exist.
        g_Engine.PrepareObjects();
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        g_Camera.SetPosition(D3DXVECTOR3(SPREAD / 2.0f, 1.6f, SPREAD / 2.0f));
        g_Engine.m_fDeltaTime = FRAME_SECONDS;
        scriptedCount = scripted;
    }
    ~LogicWorld()
    {
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        g_D3DMain.Shutdown();
        SAFE_RELEASE(g_pD3D);
        DestroyWindow(g_hWnd);
        fs::current_path(previous);
        std::error_code error;
        fs::remove_all(dir, error);
    }
    fs::path dir;
    fs::path previous;
    int scriptedCount = 0;
};

void BM_ObjectLogic4000Objects(benchmark::State& state)
{
    LogicWorld world;
    using Clock = std::chrono::steady_clock;
    double logicNs = 0.0, bareNs = 0.0;
    long frames = 0;
    float sink = 0.0f;
    for (auto _ : state)
    {
        const auto a = Clock::now();
        g_EngineObject.Update();
        const auto b = Clock::now();
        for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
            if (g_Engine.m_Objects[i].bUsed)
                sink += g_Engine.m_Objects[i].vPosition.x;
        const auto c = Clock::now();
        logicNs += std::chrono::duration<double, std::nano>(b - a).count();
        bareNs += std::chrono::duration<double, std::nano>(c - b).count();
        ++frames;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["objects"] = static_cast<double>(g_Engine.GetObjectCount());
    state.counters["scripted"] = world.scriptedCount;
    state.counters["logic_ms"] = logicNs / static_cast<double>(frames) / 1e6;
    state.counters["bare_walk_ms"] = bareNs / static_cast<double>(frames) / 1e6;
    state.counters["logic_over_bare_walk"] = bareNs > 0.0 ? logicNs / bareNs : 0.0;
}
} // namespace

TK_BENCHMARK(BM_ObjectLogic4000Objects)->Unit(benchmark::kMicrosecond)->Iterations(600);
