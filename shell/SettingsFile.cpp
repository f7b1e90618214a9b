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
    FILE* f = TkFopen(name, "wb");
    bool written = f && std::fwrite(data, 1, size, f) == size;
    if (f && std::fclose(f) != 0)
        written = false;
    return written;
}
