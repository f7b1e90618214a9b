// The level scripts: reading 100 files of 500 lines against a bare read of
// the same bytes split into lines and words (the parser may cost at most three
// times as much), and one frame of 200 actions of five records each (under
// 0.1 ms).
#include "bench/Harness.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "shell/Console.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
constexpr int kFiles = 100;
constexpr int kLinesPerFile = 500;
constexpr int kActions = 200;

// A folder of its own holding "scripts/ai", entered for the benchmark's run.
struct ScriptFolder
{
    std::filesystem::path path;
    std::filesystem::path previous = std::filesystem::current_path();
    explicit ScriptFolder(const char* name)
    {
        path = std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "scripts" / "ai");
        std::filesystem::current_path(path);
        g_Console.SetStartupDirectory(path.c_str());
    }
    ~ScriptFolder()
    {
        g_GameAI.FreeScripts();
        g_GameAI.FreeVariables();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        g_Console.SetStartupDirectory(previous.c_str());
        std::filesystem::remove_all(path, ignored);
    }
};

// One file: its level, then actions of a condition, a counter test and
// three commands, and declarations between them, up to the line count.
std::string ScriptFile(int file)
{
    std::string text = "level worlds\\bench" + std::to_string(file) + ".w\nlevel_d Bench level\n";
    int lines = 2;
    for (int a = 0; lines < kLinesPerFile; ++a)
    {
        const std::string n = std::to_string(file) + "_" + std::to_string(a);
        text += "int count" + n + "\naction act" + n + "\nif ready" + n + "\nif_counter_greater 2.5 clock" +
                n + "\ninc 2 count" + n + "\nset done" + n + "\nprint Action " + n + " ran\n";
        lines += 7;
    }
    return text;
}

void WriteScripts()
{
    for (int f = 0; f < kFiles; ++f)
    {
        char name[64];
        std::snprintf(name, sizeof name, "scripts/ai/bench%03d.txt", f);
        if (FILE* out = std::fopen(name, "wb"))
        {
            const std::string text = ScriptFile(f);
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
        }
    }
}

void BM_LevelScriptsRead(benchmark::State& state)
{
    ScriptFolder folder("tk-levelscript-bench-");
    WriteScripts();
    for (auto _ : state)
    {
        // The records of the previous round are freed outside the timing.
        state.PauseTiming();
        g_GameAI.FreeScripts();
        g_GameAI.FreeVariables();
        state.ResumeTiming();
        g_GameAI.LoadScripts();
        benchmark::DoNotOptimize(g_GameAI.m_pLevels);
    }
}
TK_BENCHMARK(BM_LevelScriptsRead)->Unit(benchmark::kMillisecond);

// The bare side: the same files listed, opened and split into lines and words.
void BM_LevelScriptsBareSplit(benchmark::State& state)
{
    ScriptFolder folder("tk-levelscript-bare-");
    WriteScripts();
    for (auto _ : state)
    {
        size_t words = 0;
        for (const auto& entry : std::filesystem::directory_iterator("scripts/ai"))
        {
            FILE* in = std::fopen(entry.path().c_str(), "rb");
            if (!in)
                continue;
            char line[512];
            while (std::fgets(line, sizeof line, in))
                for (char* w = std::strtok(line, " \t\r\n"); w; w = std::strtok(nullptr, " \t\r\n"))
                    ++words;
            std::fclose(in);
        }
        benchmark::DoNotOptimize(words);
    }
}
TK_BENCHMARK(BM_LevelScriptsBareSplit)->Unit(benchmark::kMillisecond);

void BM_LevelScriptsFrame(benchmark::State& state)
{
    ScriptFolder folder("tk-levelscript-frame-");
    std::string text = "level worlds\\frame.w\n";
    for (int a = 0; a < kActions; ++a)
    {
        const std::string n = std::to_string(a);
        text += "bool ready" + n + "\ncounter clock" + n + "\nint count" + n + "\naction act" + n +
                "\nif ready" + n + "\nif_counter_greater 0.5 clock" + n + "\nifnot stop" + n + "\ninc count" +
                n + "\nset seen" + n + "\n";
    }
    if (FILE* out = std::fopen("scripts/ai/frame.txt", "wb"))
    {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    g_GameAI.Init();
    char world[] = "worlds\\frame.w";
    std::memcpy(g_Engine.m_szWorld, world, sizeof world);
    g_GameAI.SelectLevel();
    g_GameAI.PrepareActions();
    for (int a = 0; a < kActions; ++a)
    {
        g_GameAI.SetVariable(("ready" + std::to_string(a)).c_str(), nullptr);
        g_GameAI.UnsetVariable(("stop" + std::to_string(a)).c_str(), nullptr);
    }
    g_GameAI.AdvanceCounters(1.0f);
    g_GameAI.m_bLevelStarted = 1;
    const DWORD frame = g_MainGame.m_iLevelFrame;
    g_MainGame.m_iLevelFrame = CMainGame::FRAME_LEVEL_STARTED;
    for (auto _ : state)
        g_GameAI.Update(1.0f / 60.0f);
    g_MainGame.m_iLevelFrame = frame;
    g_GameAI.m_bLevelStarted = 0;
    g_Engine.m_szWorld[0] = 0;
}
TK_BENCHMARK(BM_LevelScriptsFrame)->Unit(benchmark::kMicrosecond);
} // namespace
