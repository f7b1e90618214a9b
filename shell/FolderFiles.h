#pragma once
// The files of a data folder, one by one: each file matching the pattern
// ("*.txt"), as "folder\name", in the layer's case-blind order; names that
// start with "." and sub-folders are skipped.

#include "platform/win32/Win32.h"

#include <cstdio>

template <class Visit> void ForEachFileIn(const char* folder, const char* pattern, Visit visit)
{
    char search[MAX_PATH];
    std::snprintf(search, sizeof search, "%s\\%s", folder, pattern);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(search, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // A path too long for the layer is passed over, never cut.
        char path[2 * MAX_PATH];
        const int length = std::snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName);
        if (length > 0 && length < MAX_PATH)
            visit(static_cast<const char*>(path));
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
