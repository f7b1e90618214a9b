// The dialogues' and the combat music's share of a frame. Dialogues: six
// character dialogues and the hero's running with their voices playing on the
// headless sound sink, `Update` and `UpdateSoundsAndListeners` per frame
// (budget 20 us). Music and chatter: all 256 character records in use and
// idle, none two within 800 units of each other (the chatter's worst search),
// with `GameMusic::Update` counting the engaged ones, against a bare nested
// loop over the same positions (budget 50 us, ratio 2; thread CPU time).
#include "bench/Harness.h"

#include "characters/PostacMgr.h"
#include "game/DialogueMgr.h"
#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "shell/GameOptions.h"
#include "sound/GameMusic.h"
#include "sound/NpcChatter.h"
#include "sound/SoundMgr.h"
#include "shell/Console.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr int kSpeakers = MAX_ACTIVE_DIALOGUES * DIALOGUE_ACTORS;

// A folder of its own for the scripts, voices and logs.
struct BenchFolder
{
    std::filesystem::path path;
    BenchFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-dialogue-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
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
    void Write(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path file = path / relative;
        std::filesystem::create_directories(file.parent_path());
        if (FILE* f = std::fopen(file.string().c_str(), "wb"))
        {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
};

void PutU32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
}

// A long mono wave, so every voice plays through the measured frames.
std::string LongVoice()
{
    constexpr uint32_t kRate = 11025, kSamples = kRate * 60;
    std::string w = "RIFF";
    PutU32(w, 36 + kSamples * 2);
    w += "WAVEfmt ";
    PutU32(w, 16);
    PutU32(w, 1 | 1u << 16);
    PutU32(w, kRate);
    PutU32(w, kRate * 2);
    PutU32(w, 2 | 16u << 16);
    w += "data";
    PutU32(w, kSamples * 2);
    w.append(kSamples * 2, '\x10');
    return w;
}

void DialoguesFrame(benchmark::State& state)
{
    BenchFolder dir;
    TkSetBackend(TkBackend::Headless);
    TkSoundResetHeadless();
    g_Options.sound = 1;
    g_MainGame.m_iLevelFrame = CSoundMgr::SILENT_3D_FRAMES;
    g_SoundMgr.Initialize(reinterpret_cast<HWND>(&dir));
    dir.Write("voices/Dialogues/line.wav", LongVoice());
    std::string script;
    for (int d = 0; d < MAX_ACTIVE_DIALOGUES; ++d)
        script += "dialogue talk" + std::to_string(d) + "\nactor0 line\nactor1 line\nactor2 line\n";
    dir.Write("scripts/dialogues/bench.txt", script);
    dir.Write("scripts/hero_dialogues/bench.txt", "hero_dialogue mine\nhero0 line\nhero0 line\n");
    PMgr.Forget();
    g_DialogueMgr.LoadAll();
    for (int i = 0; i < kSpeakers; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        p.used = 1;
        p.slot = static_cast<DWORD>(i);
        p.camera_distance = 20.0f;
        p.position = D3DXVECTOR3(static_cast<float>(i), 0.0f, 5.0f);
        std::snprintf(p.name, sizeof p.name, "man%d", i);
    }
    for (int d = 0; d < MAX_ACTIVE_DIALOGUES; ++d)
        g_DialogueMgr.StartDialogue(("talk" + std::to_string(d)).c_str(), &PMgr.m_Postacie[3 * d],
                                    &PMgr.m_Postacie[3 * d + 1], &PMgr.m_Postacie[3 * d + 2]);
    g_DialogueMgr.StartHeroDialogue("mine");
    g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    for (auto _ : state)
    {
        g_DialogueMgr.Update();
        g_DialogueMgr.UpdateSoundsAndListeners();
    }
    state.counters["running"] = g_DialogueMgr.IsAnyActive() && g_DialogueMgr.IsHeroDialogueActive() ? 1 : 0;
    g_DialogueMgr.FreeAll();
    PMgr.Forget();
    g_SoundMgr.Release();
    TkSoundResetHeadless();
}
TK_BENCHMARK(DialoguesFrame);

// The same pair search and count the music and the chatter make, over plain arrays.
int BareFrame(const D3DXVECTOR3* positions, const float* fromHero, const BYTE* engaged)
{
    int found = 0;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        found += engaged[i] && fromHero[i] <= GameMusic::ENGAGE_RADIUS ? 1 : 0;
        if (fromHero[i] < CNpcChatter::NEAREST || fromHero[i] > CNpcChatter::FARTHEST)
            continue;
        for (int j = i + 1; j < MAX_POSTACI; ++j)
        {
            const D3DXVECTOR3 d = positions[i] - positions[j];
            if (fromHero[j] >= CNpcChatter::NEAREST && fromHero[j] <= CNpcChatter::FARTHEST &&
                d.x * d.x + d.y * d.y + d.z * d.z <= CNpcChatter::MOST_APART * CNpcChatter::MOST_APART)
                ++found;
        }
    }
    return found;
}

void MusicAndChatterFrame(benchmark::State& state)
{
    PMgr.Forget();
    static D3DXVECTOR3 positions[MAX_POSTACI];
    static float fromHero[MAX_POSTACI];
    static BYTE engaged[MAX_POSTACI];
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        p.used = 1;
        // Round the hero, each 900 units above the last: no two within 800.
        const float a = 6.2831853f * static_cast<float>(i) / MAX_POSTACI;
        p.position =
            D3DXVECTOR3(1500.0f * std::cos(a), 900.0f * static_cast<float>(i), 1500.0f * std::sin(a));
        p.camera_distance = 1500.0f;
        positions[i] = p.position;
        fromHero[i] = p.camera_distance;
        engaged[i] = 0;
    }
    g_MainGame.m_iLevelFrame = 1000;
    g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    g_NpcChatter.Reset();
    double ours = 0.0, bare = 0.0;
    int sink = 0;
    for (auto _ : state)
    {
        const double t0 = ThreadSeconds();
        g_GameMusic.Update();
        g_NpcChatter.Update();
        const double t1 = ThreadSeconds();
        sink += BareFrame(positions, fromHero, engaged);
        const double t2 = ThreadSeconds();
        ours += t1 - t0;
        bare += t2 - t1;
        benchmark::DoNotOptimize(sink);
    }
    state.counters["chatting"] = g_NpcChatter.m_bActive;
    state.counters["ratio"] = bare > 0.0 ? ours / bare : 0.0;
    state.counters["ours_us"] = ours * 1e6 / static_cast<double>(state.iterations());
    g_NpcChatter.Reset();
    PMgr.Forget();
}
TK_BENCHMARK(MusicAndChatterFrame);
} // namespace
