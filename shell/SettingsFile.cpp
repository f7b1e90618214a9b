#include "shell/SettingsFile.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"

#include <cstdio>

namespace
{
const char* const kSaveFolder = "save";
} // namespace

bool ReadSettingsFile(const char* name, BYTE* data, size_t capacity, size_t* size)
{
    *size = 0;
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    *size = std::fread(data, 1, capacity, f);
    std::fclose(f);
    return true;
}

bool WriteSettingsFile(const char* name, const BYTE* data, size_t size)
{
    CreateDirectoryA(kSaveFolder, nullptr);
    // Written whole beside the file, then put in its place in one step: a
    // write that fails half-way leaves the old settings as they were.
    char temporary[MAX_PATH];
    if (std::snprintf(temporary, sizeof temporary, "%s.tmp", name) >= static_cast<int>(sizeof temporary))
        return false;
    FILE* f = TkFopen(temporary, "wb");
    bool written = f && std::fwrite(data, 1, size, f) == size;
    if (f && std::fclose(f) != 0)
        written = false;
    if (written && MoveFileExA(temporary, name, MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileA(temporary);
    return false;
}
