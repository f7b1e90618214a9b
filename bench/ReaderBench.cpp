// The readers of hostile files grow in step with their input: a "tk.cfg" of
// many unknown names (each becomes a console variable) and a text-key file of
// many copies of one key (each copy a duplicate to report).
#include "bench/Harness.h"
#include "shell/Console.h"
#include "shell/TextMgr.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
// A folder of its own for the files and the logs they cause.
struct BenchFolder
{
    std::filesystem::path path;
    BenchFolder()
    {
        path = std::filesystem::temp_directory_path() / ("tk-reader-bench-" + std::to_string(::getpid()));
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

void Write(const char* name, const std::string& bytes)
{
    if (FILE* f = std::fopen(name, "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

void BM_SettingsOfUnknownNames(benchmark::State& state)
{
    BenchFolder folder;
    std::string file;
    for (int i = 0; i < state.range(0); ++i)
        file += "UnknownName" + std::to_string(i) + " 1\n";
    Write("tk.cfg", file);
    for (auto _ : state)
    {
        g_Console.LoadConfig("tk.cfg");
        state.PauseTiming();
        g_Console.FreeVariables();
        std::filesystem::remove("!console.txt");
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
TK_BENCHMARK(BM_SettingsOfUnknownNames)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

void BM_TextKeysOfOneKeyCopied(benchmark::State& state)
{
    BenchFolder folder;
    std::string file;
    for (int i = 0; i < state.range(0); ++i)
        file += ">Same text\n";
    Write("scripts/text_keys.txt", file);
    for (auto _ : state)
    {
        ETextMgr table;
        benchmark::DoNotOptimize(table.GetText(">Same"));
        state.PauseTiming();
        std::filesystem::remove("!labels.txt");
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
TK_BENCHMARK(BM_TextKeysOfOneKeyCopied)->RangeMultiplier(4)->Range(1 << 8, 1 << 12)->Complexity();
} // namespace
