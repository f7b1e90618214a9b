// Files and folders by the game's names, through the path resolver. Failures
// set the Win32 error a Windows caller would see.
#include "platform/win32/Win32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr size_t kCopyChunk = 64 * 1024;

DWORD ErrorFromErrno(int error)
{
    switch (error)
    {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_ACCESS_DENIED;
}

// A missing file whose folder is missing too is "path not found" on Windows.
DWORD MissingError(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return ERROR_FILE_NOT_FOUND;
    struct stat st;
    return ::stat(path.substr(0, slash).c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// Copies into a temporary file beside the destination and renames it over, so
// a failed copy never leaves half a file under the destination's name.
bool CopyContents(const std::string& from, const std::string& to, mode_t mode)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::string temp = to + ".tkcopy" + std::to_string(::getpid());
    int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode & 0777);
    if (out < 0)
    {
        ::close(in);
        return false;
    }
    bool ok = true;
    static thread_local char buffer[kCopyChunk];
    for (;;)
    {
        ssize_t n = ::read(in, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;)
        {
            ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
            {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), to.c_str()) != 0)
        ok = false;
    if (!ok)
    {
        int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
    }
    return ok;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where a new name goes: its folder resolved, its last part as asked.
std::string AskedCasePath(const char* name)
{
    std::string asked = name;
    size_t cut = asked.find_last_of("\\/");
    if (cut == std::string::npos)
        return asked;
    std::string folder = TkResolvePath(asked.substr(0, cut + 1).c_str());
    return (folder.empty() ? std::string() : folder + "/") + asked.substr(cut + 1);
}
} // namespace

BOOL DeleteFileA(LPCSTR name)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER);
    std::string path = TkResolvePath(name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Fail(MissingError(path));
    if (S_ISDIR(st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    if (::unlink(path.c_str()) != 0)
        return Fail(ErrorFromErrno(errno));
    return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists)
{
    if (!existing || !newName)
        return Fail(ERROR_INVALID_PARAMETER);
    std::string from = TkResolvePath(existing);
    std::string to = TkResolvePath(newName);
    struct stat source, target;
    if (::stat(from.c_str(), &source) != 0)
        return Fail(MissingError(from));
    if (S_ISDIR(source.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    if (::stat(to.c_str(), &target) == 0)
    {
        if (failIfExists)
            return Fail(ERROR_FILE_EXISTS);
        // Copying a file onto itself would only destroy it.
        if (S_ISDIR(target.st_mode) || SameFile(source, target))
            return Fail(ERROR_ACCESS_DENIED);
    }
    if (!CopyContents(from, to, source.st_mode))
        return Fail(errno == ENOENT ? MissingError(to) : ErrorFromErrno(errno));
    return TRUE;
}

BOOL MoveFileA(LPCSTR existing, LPCSTR newName)
{
    return MoveFileExA(existing, newName, 0);
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags)
{
    if (!existing || !newName || (flags & ~MOVEFILE_REPLACE_EXISTING))
        return Fail(ERROR_INVALID_PARAMETER);
    std::string from = TkResolvePath(existing);
    std::string to = TkResolvePath(newName);
    struct stat source, target;
    if (::lstat(from.c_str(), &source) != 0)
        return Fail(MissingError(from));
    if (::lstat(to.c_str(), &target) == 0)
    {
        if (SameFile(source, target))
            // The same file under another case: a rename to the asked-for case.
            to = AskedCasePath(newName);
        else if (!(flags & MOVEFILE_REPLACE_EXISTING))
            return Fail(ERROR_ALREADY_EXISTS);
        else if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode))
            // Windows replaces files only; rename() would take an empty folder.
            return Fail(ERROR_ACCESS_DENIED);
    }
    if (::rename(from.c_str(), to.c_str()) == 0)
        return TRUE;
    if (errno == EXDEV && S_ISREG(source.st_mode))
    {
        // Another file system: copy, then remove the original.
        if (!CopyContents(from, to, source.st_mode))
            return Fail(ErrorFromErrno(errno));
        ::unlink(from.c_str());
        return TRUE;
    }
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
}

BOOL CreateDirectoryA(LPCSTR name, SECURITY_ATTRIBUTES*)
{
    if (!name || !*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    std::string path = TkResolvePath(name);
    if (::mkdir(path.c_str(), 0755) != 0)
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR name)
{
    if (!name)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = TkResolvePath(name);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
    {
        SetLastError(MissingError(path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (::access(path.c_str(), W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer)
{
    std::string cwd;
    for (size_t size = 256;; size *= 2)
    {
        cwd.resize(size);
        if (::getcwd(cwd.data(), size))
        {
            cwd.resize(std::strlen(cwd.c_str()));
            break;
        }
        if (errno != ERANGE || size > (1u << 20))
        {
            SetLastError(ErrorFromErrno(errno));
            return 0;
        }
    }
    // Too small a buffer gets nothing and learns the size needed, terminator
    // included; otherwise the length without it.
    if (!buffer || bufferLength < cwd.size() + 1)
        return static_cast<DWORD>(cwd.size() + 1);
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return static_cast<DWORD>(cwd.size());
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    if (!path || !*path)
        return Fail(ERROR_INVALID_PARAMETER);
    std::string resolved = TkResolvePath(path);
    if (::chdir(resolved.c_str()) != 0)
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    TkPathCurrentFolderChanged();
    return TRUE;
}
