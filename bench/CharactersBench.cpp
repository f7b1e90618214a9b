// The characters' costs: reading a generated tree of 128 descriptions of 30
// phases against a bare read of the same lines (first word only), and one
// frame of alarms, targets, sight and attack permission for 64 characters,
// with the segment tests they make counted.
#include "characters/PostacMgr.h"
#include "game/MainGame.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
constexpr int kDescriptions = 127; // with the fake hero, the table's 128
constexpr int kPhases = 30;
constexpr int kCharacters = 64;

struct BenchFolder
{
    std::filesystem::path path;
    BenchFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-characters-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "scripts");
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
        g_Console.BackupConsoleAtStart();
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(path.parent_path(), ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

// About 20 lines a phase: the kinds of keyword a real description uses.
std::string Tree()
{
    std::string t;
    for (int d = 0; d < kDescriptions; ++d)
    {
        t += "postac kind" + std::to_string(d) +
             "\nmodel models\\soldier\\soldier.x\nweapon AW\nHP 100\n"
             "odleglosc_kontaktu 15\nkat_kontaktu 60\ndefault_faza f0\n";
        for (int f = 0; f < kPhases; ++f)
            t += "faza f" + std::to_string(f) +
                 "\nanimacja idle\nanimacja_dn crouch\nloop\nbot\nshow_weapon\nobrot_do_gracza\n"
                 "on_koniec f1\non_koniec f2\non_postrzal0 hurt 0.5\non_free_left left 0.3\nsound steps.wav "
                 "30\n"
                 "strzal 0.2 burst\nestimate_do_strzalu\nczas_trwania 4\nstrzal_hero 0.5\nvel 1.5\nrun_to a "
                 "b c d\n"
                 "say_s hello\n";
    }
    return t;
}

void Write(const char* name, const std::string& bytes)
{
    if (FILE* f = std::fopen(name, "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

void BM_DescriptionsParsed(benchmark::State& state)
{
    BenchFolder folder;
    Write("scripts/postacie.txt", Tree());
    for (auto _ : state)
    {
        PMgr.LoadDescriptions();
        state.PauseTiming();
        PMgr.FreeDescriptions();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DescriptionsParsed)->Unit(benchmark::kMillisecond);

// The same lines read and their first word taken, nothing filled.
void BM_DescriptionsBareRead(benchmark::State& state)
{
    BenchFolder folder;
    Write("scripts/postacie.txt", Tree());
    char line[CPostacMgr::LINE_CHARS + 1];
    for (auto _ : state)
    {
        FILE* f = std::fopen("scripts/postacie.txt", "rb");
        size_t words = 0;
        while (f && !std::feof(f))
        {
            ReadLine(f, line, CPostacMgr::LINE_CHARS);
            TrimRight(line);
            words += GetToken(line, 0)[0] != 0;
        }
        if (f)
            std::fclose(f);
        benchmark::DoNotOptimize(words);
    }
}
BENCHMARK(BM_DescriptionsBareRead)->Unit(benchmark::kMillisecond);

// 64 characters around the hero in an empty world, half of them engaged, a
// few alarms in the air: the senses and the permission of one frame.
void BM_SensesOf64Characters(benchmark::State& state)
{
    BenchFolder folder;
    Write("scripts/postacie.txt", "postac enemy\nfaza f\npostac partner\npartner\nfaza f\n");
    PMgr.LoadDescriptions();
    g_MainGame.m_iLevelFrame = 1000;
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    const EOrientation facing;
    for (int i = 0; i < kCharacters; ++i)
    {
        const D3DXVECTOR3 at(static_cast<float>(i % 8) * 5.0f, 0.0f, static_cast<float>(i / 8) * 5.0f + 5.0f);
        strpostac* p = PMgr.SpawnCharacter(i % 4 == 0 ? "partner" : "enemy", &at, &facing);
        p->faza = p->desc->newest;
        p->active_time = 5.0f;
        p->engaged = static_cast<BYTE>(i % 2);
        p->eye_position = at + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    }
    const D3DXVECTOR3 noise(10.0f, 1.0f, 10.0f);
    PMgr.m_iSegmentTests = 0;
    for (auto _ : state)
    {
        PMgr.AddAlarm(&noise, 5.0f, 30.0f, 0, 50.0f, 2, 1, 1);
        PMgr.AgeAlarms();
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            strpostac& p = PMgr.m_Postacie[i];
            if (!p.used)
                continue;
            PMgr.ChooseTarget(&p);
            PMgr.UpdateTargetPoint(&p);
            PMgr.UpdateVision(&p);
            benchmark::DoNotOptimize(PMgr.PerceivesAlarm(&p, false));
            PMgr.InvestigateAlarms(&p);
            PMgr.UpdateAimSway(&p, 1.0f / 60.0f);
        }
        PMgr.AssignShooters();
    }
    state.counters["segment_tests_per_frame"] = benchmark::Counter(static_cast<double>(PMgr.m_iSegmentTests) /
                                                                   static_cast<double>(state.iterations()));
    PMgr.DeleteAllCharacters();
    PMgr.Forget();
}
BENCHMARK(BM_SensesOf64Characters)->Unit(benchmark::kMicrosecond);
} // namespace
