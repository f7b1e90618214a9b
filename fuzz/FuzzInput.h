#pragma once
// Shared by the fuzz targets of the game's readers: each input becomes the
// file the reader opens, in the current folder (tools/fuzz.sh runs every
// target in a scratch folder of its own), and the logs the readers append to
// are removed after each input so they never grow without bound.

#include "shell/Console.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fuzzinput
{
// Writes the input as the file `relative` (folders made as needed).
inline void WriteInput(const char* relative, const uint8_t* data, size_t size)
{
    const std::filesystem::path path(relative);
    std::error_code ignored;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ignored);
    if (FILE* f = std::fopen(relative, "wb"))
    {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// Once per target: the console logs into the current folder and is past its
// start-up rotation (so it holds no start-up lines in memory).
inline void StartLogging()
{
    g_Console.SetStartupDirectory(std::filesystem::current_path().c_str());
    g_Console.BackupConsoleAtStart();
}

inline void RemoveLogs()
{
    std::error_code ignored;
    for (const char* log : {"!console.txt", "!labels.txt", "!error.txt"})
        std::filesystem::remove(log, ignored);
}
} // namespace fuzzinput
