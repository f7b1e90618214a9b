#include "platform/win32/Path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace
{
bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Finds the entry of `dir` whose name equals `name` without regard to case.
// Several entries may differ only in case; the first in case-blind sorted order
// (then byte order) is taken so every run picks the same one.
bool FindNoCase(const std::string& dir, const std::string& name, std::string& found)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    bool any = false;
    while (dirent* e = ::readdir(d))
    {
        if (TkCompareNames(e->d_name, name.c_str()) != 0)
            continue;
        if (!any || std::strcmp(e->d_name, found.c_str()) < 0)
            found = e->d_name;
        any = true;
    }
    ::closedir(d);
    return any;
}
} // namespace

int TkCompareNames(const char* a, const char* b)
{
    for (;; ++a, ++b)
    {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

std::string TkResolvePath(const char* name)
{
    if (!name)
        return std::string();
    std::string in(name);
    for (char& c : in)
        if (c == '\\')
            c = '/';

    std::string out;
    size_t pos = 0;
    if (!in.empty() && in[0] == '/')
    {
        out = "/";
        pos = 1;
    }
    bool matching = true; // once a component is missing, the rest cannot exist
    while (pos <= in.size())
    {
        size_t next = in.find('/', pos);
        if (next == std::string::npos)
            next = in.size();
        std::string part = in.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty())
        {
            if (next == in.size())
                break;
            continue;
        }
        std::string candidate = out.empty() || out.back() == '/' ? out + part : out + "/" + part;
        if (matching && part != "." && part != ".." && !Exists(candidate))
        {
            std::string found;
            std::string dir = out.empty() ? std::string(".") : out;
            if (FindNoCase(dir, part, found))
                candidate = out.empty() || out.back() == '/' ? out + found : out + "/" + found;
            else
                matching = false;
        }
        out = candidate;
        if (next == in.size())
            break;
    }
    if (out.empty() && !in.empty())
        out = in;
    return out;
}

FILE* TkFopen(const char* name, const char* mode)
{
    if (!name || !mode)
        return nullptr;
    std::string path = TkResolvePath(name);
    int flags = 0;
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0])
    {
    case 'r':
        flags = update ? O_RDWR : O_RDONLY;
        break;
    case 'w':
        flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        break;
    case 'a':
        flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        break;
    default:
        errno = EINVAL;
        return nullptr;
    }
    // Opened without waiting, and only a regular file is taken: a named pipe
    // would block the game in the open, a device such as /dev/zero never ends
    // a line, and a folder (which opens for reading here but never on
    // Windows) would give a reader a nonsense size.
    constexpr mode_t kNewFileMode = 0644;
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
    if (fd < 0)
        return nullptr;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        errno = folder ? EISDIR : EINVAL;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* f = ::fdopen(fd, mode);
    if (!f)
        ::close(fd);
    return f;
}
