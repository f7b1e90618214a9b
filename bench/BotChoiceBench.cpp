// The bots' combat choice at full strength: 64 soldiers in bot phases stand on
// a 45 x 45 graph (2,025 nodes) in a generated world of 3,400 box meshes, each
// making its choice every frame (stance changes, shooting poses, leans with
// their sight lines, rockets, moves to a firing place with their estimates,
// cover, the crowding and danger tests) and stepping its skinned model. The
// same run times a bare loop over the same 64 models doing only their
// animation update; reported per frame, with the ratio and the segment tests
// a frame makes. The second benchmark runs the whole characters' frame,
// CPostacMgr::Update, with the 64 bots armed and fighting the hero: sight,
// choices, routes, stances and their fire with its bullets, against the same
// bare loop.
#include "bench/BenchDevice.h"
#include "bench/Harness.h"
#include "characters/PathMgr.h"
#include "characters/PostacMgr.h"
#include "game/MainGame.h"
#include "mesh/BinaFile.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "platform/d3dx/XMesh.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "tools/skingen/BoxFigure.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kBots = 64;
constexpr int kGrid = 45; // nodes a side, 2.0 apart
constexpr float kStep = 2.0f;
constexpr int kBoxes = 3400;
constexpr float kSpread = 400.0f;
constexpr int kFrames = 300;
constexpr float kFrameTime = 1.0f / 60.0f;

const char* const kAnimations[] = {"stoi_strzela",
                                   "kuca",
                                   "lezy",
                                   "stoi_do_kuca",
                                   "stoi_do_lezy",
                                   "kuca_do_stoi",
                                   "kuca_do_lezy",
                                   "lezy_do_stoi",
                                   "lezy_do_kuca",
                                   "kuca_strzela",
                                   "lezy_strzela",
                                   "wychyl_kuca_prawo_do",
                                   "wychyl_kuca_prawo_strzela",
                                   "wychyl_kuca_prawo_od",
                                   "wychyl_kuca_lewo_do",
                                   "wychyl_kuca_lewo_strzela",
                                   "wychyl_kuca_lewo_od",
                                   "kuca_strzela_gora",
                                   "rpg_strzela1",
                                   "bieg"};

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Write(const char* name, const std::string& bytes)
{
    if (FILE* f = std::fopen(name, "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

struct BotWorld : BenchDevice
{
    // Armed, each soldier carries a rifle.
    explicit BotWorld(bool armed = false)
    {
        previous = fs::current_path();
        dir = fs::temp_directory_path() / ("tk-botbench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "scripts");
        fs::create_directories(dir / "models" / "bot" / "animations");
        fs::current_path(dir);
        g_Console.SetStartupDirectory(dir.c_str());
        g_Console.BackupConsoleAtStart();
        WriteModel();
        tk::xfile::XMeshDesc box;
        box.positions = {-1, 0, -1, -1, 2, -1, 1, 2, -1, 1, 0, -1, -1, 0, 1, -1, 2, 1, 1, 2, 1, 1, 0, 1};
        box.indices = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1,
                       3, 2, 6, 3, 6, 7, 1, 5, 6, 1, 6, 2, 0, 3, 7, 0, 7, 4};
        box.materials.resize(1);
        tk::xfile::XWriteMeshFile("box.x", box, tk::xfile::XFormat::Text);
        // The hero first, before the props fill the meshes' slots.
        const float centre = kGrid * kStep / 2.0f;
        Player.m_vPosition = {centre, 0.0f, centre};
        const float heroAt[3] = {centre, 0.0f, centre};
        Player.m_hObject = g_Engine.CreateObject(OT_MESH, "box.x", 0, 0, heroAt, nullptr);
        g_Engine.SetObjectFlags3(Player.m_hObject, 128, ~0u);
        // The props: a scatter over the whole world, with a tenth of them among
        // the graph's nodes as cover.
        std::srand(7);
        // Armed, the held rifles take meshes' slots of their own.
        const int boxes = armed ? kBoxes - 2 * kBots : kBoxes;
        for (int i = 0; i < boxes; ++i)
        {
            const bool cover = i % 10 == 0;
            const float reach = cover ? kGrid * kStep : kSpread;
            const float position[3] = {static_cast<float>(std::rand() % 1000) * reach / 1000.0f, 0.0f,
                                       static_cast<float>(std::rand() % 1000) * reach / 1000.0f};
            g_Engine.CreateObject(OT_MESH, "box.x", 0, 0, position, nullptr);
        }
        g_Engine.PrepareObjects();
        Graph();
        const std::string weapon = armed ? "weapon Rifle\nkat_kontaktu 360\n" : "";
        if (armed)
        {
            Write("scripts/items.txt", "item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nHit 100\nEnemy_Hit 2\n"
                                       "Ammo 30\nShoot_Delay 0.1\ndispersion 2\nDrop_Object box.x\n"
                                       "Held_Object box.x\n");
            ItemMgr.LoadDescriptions();
        }
        Write("scripts/postacie.txt",
              "postac soldier\nmodel models\\bot\\bot.x\nHP 100\ndefault_faza bot_stoi\n" + weapon +
                  "faza bot_stoi\nbot\nloop\n"
                  "faza bot_do_strzalu\nbot\nestimate_do_strzalu\non_koniec bot_stoi\n"
                  "faza bot_chowa_sie\nbot\nestimate_kryjowka\non_koniec bot_stoi\n"
                  "faza bot_do_gracza\nbot\nestimate_do_gracza\non_koniec bot_stoi\n"
                  "postac rpg\nRPG\nmodel models\\bot\\bot.x\nHP 100\ndefault_faza bot_stoi\n" +
                  weapon +
                  "faza bot_stoi\nbot\nloop\n"
                  "faza bot_do_strzalu\nbot\nestimate_do_strzalu\non_koniec bot_stoi\n"
                  "faza bot_chowa_sie\nbot\nestimate_kryjowka\non_koniec bot_stoi\n");
        PMgr.LoadDescriptions();
        g_MainGame.m_iLevelFrame = 1000;
        g_Engine.m_fDeltaTime = kFrameTime;
        g_Camera.SetPosition(D3DXVECTOR3(centre, 1.7f, centre));
        const EOrientation facing;
        for (int i = 0; i < kBots; ++i)
        {
            // In a ring 10 to 40 units from the hero.
            const float angle = static_cast<float>(i) * 0.7f;
            const float radius = 10.0f + static_cast<float>(i % 16) * 2.0f;
            const D3DXVECTOR3 at(centre + radius * std::cos(angle), 0.0f, centre + radius * std::sin(angle));
            strpostac* p = PMgr.SpawnCharacter(i % 8 == 0 ? "rpg" : "soldier", &at, &facing);
            if (!p)
                continue;
            std::snprintf(p->name, sizeof p->name, "bot%d", i);
            PMgr.CreateCharacterModel(p, nullptr);
            PMgr.PlaceModel(p);
            g_PathMgr.FindPlaceFor(p);
            if (p->RPG)
                p->launcher = g_Engine.CreateObject(OT_MESH, "box.x", 0, 0, &at.x, nullptr);
            bots.push_back(p);
        }
    }
    ~BotWorld()
    {
        PMgr.DeleteAllCharacters();
        PMgr.Forget();
        g_PathMgr.Release();
        g_Engine.DeleteAllObjects();
        g_SkinMeshMgr.Release();
        g_MeshMgr.ReleaseAll();
        Player.m_hObject = nullptr;
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    static void WriteModel()
    {
        // The demo soldier's sixteen bones, in centimetres.
        const std::vector<boxfigure::BoxBone> bones = {
            {"Bip01", -1, 0, 95, 0, {-1, -1, -1}, {1, 1, 1}},
            {"Bip01_Pelvis", 0, 0, 0, 0, {-17, -10, -10}, {17, 5, 10}},
            {"Bip01_Spine", 1, 0, 5, 0, {-16, 0, -9}, {16, 20, 9}},
            {"Bip01_Spine1", 2, 0, 20, 0, {-19, 0, -10}, {19, 26, 10}},
            {"Bip01_Neck", 3, 0, 26, 0, {-5, 0, -5}, {5, 6, 5}},
            {"Bip01_Head", 4, 0, 6, 0, {-10, 0, -11}, {10, 24, 11}},
            {"Bip01_L_UpperArm", 3, -25, 23, 0, {-5, -30, -5}, {5, 0, 5}},
            {"Bip01_L_Forearm", 6, 0, -30, 0, {-4.5f, -28, -4.5f}, {4.5f, 0, 4.5f}},
            {"Bip01_R_UpperArm", 3, 25, 23, 0, {-5, -30, -5}, {5, 0, 5}},
            {"Bip01_R_Forearm", 8, 0, -30, 0, {-4.5f, -28, -4.5f}, {4.5f, 0, 4.5f}},
            {"Bip01_L_Thigh", 1, -10, -5, 0, {-7, -42, -7}, {7, 0, 7}},
            {"Bip01_L_Calf", 10, 0, -42, 0, {-6, -40, -6}, {6, 0, 6}},
            {"Bip01_L_Foot", 11, 0, -40, 0, {-5, -8, -6}, {5, 0, 16}},
            {"Bip01_R_Thigh", 1, 10, -5, 0, {-7, -42, -7}, {7, 0, 7}},
            {"Bip01_R_Calf", 13, 0, -42, 0, {-6, -40, -6}, {6, 0, 6}},
            {"Bip01_R_Foot", 14, 0, -40, 0, {-5, -8, -6}, {5, 0, 16}},
        };
        SkinModelDesc desc = boxfigure::Model(bones);
        desc.mesh.materials = {tk::xfile::XMaterialDesc()};
        WriteSkinModelFile("models\\bot\\bot.x", desc, tk::xfile::XFormat::Binary);
        Write("models/bot/sockets.txt", "rpg Bip01_Spine1 20 40 0 0 0 0\n");
        for (const char* name : kAnimations)
        {
            BinaContent c;
            c.dKeyTimeScale = 30.0;
            c.dLength = 0.8;
            for (const auto& b : bones)
            {
                tNodeAnim track;
                std::snprintf(track.szName, sizeof track.szName, "%s", b.name);
                for (int k = 0; k <= 24; ++k)
                {
                    D3DXQUATERNION q;
                    D3DXQuaternionRotationYawPitchRoll(&q, 0.0f, 0.02f * static_cast<float>(k), 0.0f);
                    track.fTimeTranslation.push_back(static_cast<float>(k));
                    track.vTranslation.push_back(D3DXVECTOR3(b.x, b.y, b.z));
                    track.fTimeRotation.push_back(static_cast<float>(k));
                    track.qRotation.push_back(q);
                }
                c.nodes.push_back(track);
            }
            bina::WriteFile((std::string("models\\bot\\animations\\") + name + ".bin").c_str(), c);
        }
    }

    static void Graph()
    {
        const int ids[3] = {1, 2, 3};
        strPath* path = g_PathMgr.AddPath(ids, D3DXVECTOR3(0, 0, 0), 1000.0f);
        std::vector<strPlace*> cells(static_cast<size_t>(kGrid * kGrid));
        for (int k = 0; k < kGrid; ++k)
            for (int i = 0; i < kGrid; ++i)
            {
                const D3DXVECTOR3 floor(kStep * static_cast<float>(i), 0.0f, kStep * static_cast<float>(k));
                cells[static_cast<size_t>(k * kGrid + i)] = g_PathMgr.AddPlace(
                    path, static_cast<DWORD>(k * kGrid + i), floor + D3DXVECTOR3(0, 0.86f, 0), floor);
            }
        for (int k = 0; k < kGrid; ++k)
            for (int i = 0; i < kGrid; ++i)
                for (int slot = 0; slot < PATH_NEIGHBOURS; ++slot)
                {
                    int dx = 0, dz = 0;
                    CPathMgr::SlotStep(slot, &dx, &dz);
                    if (i + dx >= 0 && i + dx < kGrid && k + dz >= 0 && k + dz < kGrid)
                        CPathMgr::Link(cells[static_cast<size_t>(k * kGrid + i)], slot,
                                       cells[static_cast<size_t>((k + dz) * kGrid + i + dx)]);
                }
        g_PathMgr.ResolvePath(path, nullptr);
    }

    // The senses the choice reads, as the per-frame update would leave them.
    void Senses(strpostac* p, int frame) const
    {
        const D3DXVECTOR3 hero(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
        const D3DXVECTOR3 d = p->position - g_Camera.GetPosition();
        p->camera_distance = D3DXVec3Length(&d);
        p->target = Player.m_hObject;
        p->target_position = hero;
        p->aim_point = g_Camera.GetPosition();
        const D3DXVECTOR3 t = p->position - hero;
        p->target_distance = D3DXVec3Length(&t);
        p->sees_target = static_cast<BYTE>(((frame / 90) + static_cast<int>(p->slot)) % 3 != 0);
        p->since_target_seen = p->sees_target ? 0.0f : p->since_target_seen + kFrameTime;
        p->engaged = 1;
        p->engage_timer += kFrameTime;
        p->time_in_phase += kFrameTime;
        p->active_time += kFrameTime;
    }

    // A bot that left to run comes back to stand (outside the timing).
    static void BackToStand(strpostac* p)
    {
        if (p->running_nodes || (p->faza && CompareNoCase(p->faza->name, "bot_stoi") != 0))
        {
            CPathMgr::ClearRoute(p);
            p->running = 0;
            p->running_nodes = 0;
            p->faza = CPostacMgr::FindFaza(p->desc, "bot_stoi");
        }
        p->rocket_firing = 0;
    }

    fs::path dir, previous;
    std::vector<strpostac*> bots;
};

ESkinMesh* SkinOf(const strpostac* p)
{
    return p->model && p->model->Type == OT_SKINMESH ? static_cast<ESkinMesh*>(p->model->Object) : nullptr;
}

void BM_BotChoiceOf64Bots(benchmark::State& state)
{
    BotWorld world;
    if (world.bots.size() != static_cast<size_t>(kBots))
    {
        state.SkipWithError("the bots were not made");
        return;
    }
    for (strpostac* p : world.bots)
        PMgr.SetFaza(p, "bot_stoi");
    double choice = 1e30, bare = 1e30;
    DWORD segments = 0, choices = 0, estimateRuns = 0;
    long frames = 0;
    for (auto _ : state)
    {
        const DWORD before = PMgr.m_iBotSegmentTests + PMgr.m_iSegmentTests + g_PathMgr.m_iSegmentTests;
        const DWORD choicesBefore = PMgr.m_iBotChoices;
        double spent = 0.0;
        for (int f = 0; f < kFrames; ++f)
        {
            for (strpostac* p : world.bots)
            {
                world.Senses(p, f);
                BotWorld::BackToStand(p);
            }
            const double start = CpuSeconds();
            for (strpostac* p : world.bots)
            {
                p->stance_timer += kFrameTime;
                p->blend_timer += kFrameTime;
                p->choice_timer += kFrameTime;
                PMgr.AdvanceCombatTimers(p, kFrameTime);
                PMgr.BotUpdate(p);
                if (p->rocket_firing)
                    PMgr.UpdateRocket(p);
                PMgr.PlaceLauncher(p);
                if (ESkinMesh* skin = SkinOf(p))
                {
                    skin->Update(kFrameTime);
                    skin->UpdateNodeTransforms();
                }
            }
            spent += CpuSeconds() - start;
            for (strpostac* p : world.bots)
                estimateRuns += p->running_nodes ? 1 : 0;
        }
        choice = std::min(choice, spent / kFrames);
        segments += PMgr.m_iBotSegmentTests + PMgr.m_iSegmentTests + g_PathMgr.m_iSegmentTests - before;
        choices += PMgr.m_iBotChoices - choicesBefore;
        frames += kFrames;

        const double start = CpuSeconds();
        for (int f = 0; f < kFrames; ++f)
            for (strpostac* p : world.bots)
                if (ESkinMesh* skin = SkinOf(p))
                {
                    skin->Update(kFrameTime);
                    skin->UpdateNodeTransforms();
                }
        bare = std::min(bare, (CpuSeconds() - start) / kFrames);
    }
    state.counters["ms_per_frame"] = choice * 1e3;
    state.counters["bare_ms_per_frame"] = bare * 1e3;
    state.counters["over_bare"] = choice / bare;
    state.counters["segment_tests_per_frame"] = static_cast<double>(segments) / static_cast<double>(frames);
    state.counters["choices_per_frame"] = static_cast<double>(choices) / static_cast<double>(frames);
    state.counters["runs_started_per_frame"] =
        static_cast<double>(estimateRuns) / static_cast<double>(frames);
}
TK_BENCHMARK(BM_BotChoiceOf64Bots)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_UpdateOf64BotsFighting(benchmark::State& state)
{
    BotWorld world(true);
    if (world.bots.size() != static_cast<size_t>(kBots))
    {
        state.SkipWithError("the bots were not made");
        return;
    }
    int armed = 0;
    for (strpostac* p : world.bots)
    {
        PMgr.SetFaza(p, "bot_stoi");
        armed += p->weapon ? 1 : 0;
    }
    if (armed != kBots)
    {
        state.SkipWithError("the bots were not armed");
        return;
    }
    g_Options.UpdateModels = 1;
    g_Options.UpdatePMgr = 1;
    int objects = 0;
    for (int i = 0; i < MAX_OBJECTS; ++i)
        objects += g_Engine.m_Objects[i].bUsed ? 1 : 0;
    double update = 1e30, bare = 1e30;
    DWORD segments = 0;
    long frames = 0, shots = 0, alive = 0;
    for (auto _ : state)
    {
        const DWORD before = PMgr.m_iBotSegmentTests + PMgr.m_iSegmentTests + g_PathMgr.m_iSegmentTests;
        double spent = 0.0;
        for (int f = 0; f < kFrames; ++f)
        {
            // The hero stands his ground: he neither dies nor fails.
            PlayerStats.m_bDead = 0;
            PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth;
            g_Engine.m_fDeltaTime = kFrameTime;
            ++g_MainGame.m_iLevelFrame;
            const double start = CpuSeconds();
            PMgr.Update();
            spent += CpuSeconds() - start;
            for (strpostac* p : world.bots)
                shots += p->used && p->fired_this_frame ? 1 : 0;
        }
        update = std::min(update, spent / kFrames);
        segments += PMgr.m_iBotSegmentTests + PMgr.m_iSegmentTests + g_PathMgr.m_iSegmentTests - before;
        frames += kFrames;

        const double start = CpuSeconds();
        for (int f = 0; f < kFrames; ++f)
            for (strpostac* p : world.bots)
                if (ESkinMesh* skin = SkinOf(p))
                {
                    skin->Update(kFrameTime);
                    skin->UpdateNodeTransforms();
                }
        bare = std::min(bare, (CpuSeconds() - start) / kFrames);
    }
    for (strpostac* p : world.bots)
        alive += p->used && !p->dead ? 1 : 0;
    state.counters["ms_per_frame"] = update * 1e3;
    state.counters["bare_ms_per_frame"] = bare * 1e3;
    state.counters["over_bare"] = update / bare;
    state.counters["segment_tests_per_frame"] = static_cast<double>(segments) / static_cast<double>(frames);
    state.counters["shots_per_frame"] = static_cast<double>(shots) / static_cast<double>(frames);
    state.counters["bots_alive"] = static_cast<double>(alive);
    state.counters["objects"] = static_cast<double>(objects);
}
TK_BENCHMARK(BM_UpdateOf64BotsFighting)->Iterations(3)->Unit(benchmark::kMillisecond);
} // namespace
