// The dialogues' and the combat music's share of a frame. Dialogues: six
// character dialogues and the hero's running with their voices playing on the
// headless sound sink, `Update` and `UpdateSoundsAndListeners` per frame
// (budget 20 us). Music and chatter: all 256 character records in use and
// idle, none two within 800 units of each other (the chatter's worst search),
// with `GameMusic::Update` counting the engaged ones, against a bare nested
// loop over the same positions (budget 50 us, ratio 2; thread CPU time).
// And all of it together in the demo game (budget 100 us, thread CPU time):
// six object dialogues speaking, the battlefield on with its eight nests
// firing and three jets flying, the music and the chatter; the frame's other
// work, the effects and the sound manager, runs beside it unmeasured.
#include "bench/DemoGame.h"
#include "bench/Harness.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "game/Battlefield.h"
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
#include <vector>

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

void DialoguesBattlefieldMusicFrame(benchmark::State& state)
{
    benchgame::DemoGame game(64, 48, "tk-bench-war");
    // Six dialogues that speak on through the measured frames, each from an object of the town.
    const std::filesystem::path voice = game.dir / "voices" / "Dialogues" / "bench_line.wav";
    std::filesystem::create_directories(voice.parent_path());
    if (FILE* f = std::fopen(voice.string().c_str(), "wb"))
    {
        const std::string bytes = LongVoice();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string script;
    for (int d = 0; d < MAX_ACTIVE_DIALOGUES; ++d)
        script += "dialogue bench" + std::to_string(d) +
                  "\nvolume 1\nrange 60\nactor0 bench_line\nactor0 bench_line\n";
    if (FILE* f = std::fopen((game.dir / "scripts" / "dialogues" / "bench.txt").string().c_str(), "wb"))
    {
        std::fwrite(script.data(), 1, script.size(), f);
        std::fclose(f);
    }
    g_DialogueMgr.FreeAll();
    g_DialogueMgr.LoadAll();
    std::vector<HOBJECT> speakers;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && speakers.size() < static_cast<size_t>(MAX_ACTIVE_DIALOGUES))
            speakers.push_back(&o);
    for (size_t d = 0; d < speakers.size(); ++d)
        g_DialogueMgr.StartDialogueByName(("bench" + std::to_string(d)).c_str(), speakers[d]);
    // The war from the north; the first flight due at once, sent at the
    // level's start so that all three jets fly.
    g_Battlefield.Enable("n");
    g_Battlefield.Attack(worldgen::DEMO_LEVEL_START);
    g_Battlefield.m_fJetPause = 0.0f;
    g_Engine.m_fDeltaTime = 1.0f / 60.0f;
    int jets = 0, nests = 0, dialogueFrames = 0, frames = 0;
    double ours = 0.0;
    for (auto _ : state)
    {
        const double t0 = ThreadSeconds();
        g_GameMusic.Update();
        g_Battlefield.Update();
        g_NpcChatter.Update();
        g_DialogueMgr.Update();
        g_DialogueMgr.UpdateSoundsAndListeners();
        ours += ThreadSeconds() - t0;
        // The rest of the frame: the tracers and bombs age, the sounds move on.
        g_FxMgr.Update();
        g_SoundMgr.Update();
        TkHeadlessAdvanceClockMs(1000.0 / 60.0);
        ++frames;
        for (const BfJet& jet : g_Battlefield.m_Jets)
            jets += jet.bActive ? 1 : 0;
        for (const BfNest& nest : g_Battlefield.m_Nests)
            nests += nest.bActive ? 1 : 0;
        int talking = 0;
        for (int d = 0; d < MAX_ACTIVE_DIALOGUES; ++d)
            talking += g_DialogueMgr.m_ActiveDialogues[d].active ? 1 : 0;
        dialogueFrames += talking == MAX_ACTIVE_DIALOGUES ? 1 : 0;
        // A flight that has passed is followed by the next at once.
        if (!g_Battlefield.m_bJetsFlying)
        {
            g_Battlefield.Attack(worldgen::DEMO_LEVEL_START);
            g_Battlefield.m_fJetPause = 0.0f;
        }
    }
    state.counters["ours_us"] = ours * 1e6 / static_cast<double>(state.iterations());
    // The jets and nests in the air on the average frame (3 and 8 at most).
    state.counters["jets"] = frames ? static_cast<double>(jets) / frames : 0.0;
    state.counters["nests"] = frames ? static_cast<double>(nests) / frames : 0.0;
    state.counters["dialogues_share"] = frames ? static_cast<double>(dialogueFrames) / frames : 0.0;
    state.counters["shots"] = g_Battlefield.m_iShots;
    g_DialogueMgr.FreeAll();
    g_Battlefield.ReleaseUnits();
    g_Battlefield.Reset();
}
// A minute of the game's frames.
BENCHMARK(DialoguesBattlefieldMusicFrame)
    ->Iterations(3600)
    ->Setup(tkbench::SaveProcess)
    ->Teardown(tkbench::RestoreProcess);
} // namespace
