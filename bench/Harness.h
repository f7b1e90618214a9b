#pragma once
// Every benchmark leaves the process as it found it: the current folder and
// the game's manager globals are saved before each run of a benchmark and put
// back after it, so a whole tk_bench run works in any order and no benchmark
// changes another's figure. Register benchmarks with TK_BENCHMARK.
#include "support/Globals.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace tkbench
{
struct ProcessState
{
    std::filesystem::path folder;
    std::unique_ptr<GlobalsSnapshot> globals;
};

inline std::optional<ProcessState>& Saved()
{
    static std::optional<ProcessState> saved;
    return saved;
}

inline void SaveProcess(const benchmark::State&)
{
    std::error_code ec;
    ProcessState state;
    state.folder = std::filesystem::current_path(ec);
    state.globals = std::make_unique<GlobalsSnapshot>();
    Saved() = std::move(state);
}

inline void RestoreProcess(const benchmark::State&)
{
    if (!Saved())
        return;
    std::error_code ec;
    std::filesystem::current_path(Saved()->folder, ec);
    Saved().reset(); // the snapshot puts the globals back as it goes
}
} // namespace tkbench

#define TK_BENCHMARK(fn) BENCHMARK(fn)->Setup(tkbench::SaveProcess)->Teardown(tkbench::RestoreProcess)
