// FindFirstFileA / FindNextFileA / FindClose. The folder part of the pattern
// goes through the path resolver; the last part is matched against the folder's
// entries. The listing is taken whole at FindFirstFileA and sorted without
// regard to case (then byte order), so every run and every machine sees the
// same order. "." and ".." are listed as Windows lists them for a subfolder.
#include "platform/win32/Win32.h"

#include "platform/win32/Wildcard.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
// FILETIME counts 100 ns steps from 1601; Unix time counts seconds from 1970.
constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;

struct FindEntry
{
    std::string name;
    WIN32_FIND_DATAA data;
};

struct FindHandle
{
    std::vector<FindEntry> entries;
    size_t next = 0;
};

std::vector<std::unique_ptr<FindHandle>> g_finds;

FILETIME ToFileTime(const timespec& t)
{
    uint64_t ticks = kFileTimeUnixEpoch;
    if (t.tv_sec > 0)
        ticks += static_cast<uint64_t>(t.tv_sec) * kFileTimeTicksPerSecond +
                 static_cast<uint64_t>(t.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool Describe(const std::string& folder, const char* name, WIN32_FIND_DATAA& data)
{
    // Names that do not fit are left out: a cut name would lead nowhere.
    if (std::strlen(name) >= MAX_PATH)
        return false;
    std::string path = folder + "/" + name;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    data = WIN32_FIND_DATAA{};
    data.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR))
        data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    data.ftCreationTime = ToFileTime(st.st_mtim);
    data.ftLastAccessTime = ToFileTime(st.st_atim);
    data.ftLastWriteTime = ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode))
    {
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    }
    std::memcpy(data.cFileName, name, std::strlen(name) + 1);
    return true;
}

FindHandle* Live(HANDLE find)
{
    for (const auto& f : g_finds)
        if (f.get() == find)
            return f.get();
    return nullptr;
}
} // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (!pattern || !data || !*pattern)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string asked = pattern;
    size_t cut = asked.find_last_of("\\/");
    std::string leaf = cut == std::string::npos ? asked : asked.substr(cut + 1);
    std::string folder =
        cut == std::string::npos ? std::string(".") : TkResolvePath(asked.substr(0, cut + 1).c_str());
    if (folder.empty())
        folder = "/";
    if (leaf.empty())
    {
        // "folder\" names no file; Windows answers file-not-found.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_unique<FindHandle>();
    const bool isRoot = folder == "/";
    while (dirent* e = ::readdir(dir))
    {
        const bool dots = std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0;
        if ((dots && isRoot) || !TkMatchWildcard(leaf.c_str(), e->d_name))
            continue;
        FindEntry entry;
        entry.name = e->d_name;
        if (Describe(folder, e->d_name, entry.data))
            find->entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    if (find->entries.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(find->entries.begin(), find->entries.end(),
              [](const FindEntry& a, const FindEntry& b)
              {
                  int c = TkCompareNames(a.name.c_str(), b.name.c_str());
                  return c != 0 ? c < 0 : a.name < b.name;
              });
    *data = find->entries[0].data;
    find->next = 1;
    HANDLE handle = find.get();
    g_finds.push_back(std::move(find));
    return handle;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data)
{
    FindHandle* f = Live(find);
    if (!f || !data)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (f->next >= f->entries.size())
    {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = f->entries[f->next++].data;
    return TRUE;
}

BOOL FindClose(HANDLE find)
{
    for (auto it = g_finds.begin(); it != g_finds.end(); ++it)
        if (it->get() == find)
        {
            g_finds.erase(it);
            return TRUE;
        }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
