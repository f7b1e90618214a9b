#include "platform/win32/SingleInstance.h"

#include "platform/win32/OneLine.h"
#include "platform/win32/Path.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
constexpr size_t kMaxSanitisedName = 96;
constexpr size_t kMaxLockFileBytes = 4096;
constexpr size_t kCheckLineBytes = 16;
constexpr int kTakeAttempts = 8;
constexpr const char* kLockSuffix = ".lock";
constexpr const char* kTitleSuffix = ".title";
constexpr const char* kScratchSuffix = ".new";

void RemoveTitle(const std::string& lockPath);

struct HeldLock
{
    int fd = -1;
    pid_t owner = 0;
    std::string path;
};

// Locks held by this process. A forked child must neither keep its parent's
// locks alive nor remove its parent's files, so it forgets them at fork.
struct HeldLocks
{
    std::vector<HeldLock> locks;
    unsigned serial = 0;

    ~HeldLocks()
    {
        // Normal exit: remove our own files; the kernel drops the flocks anyway.
        for (auto& l : locks)
            if (l.fd >= 0 && l.owner == ::getpid())
            {
                ::unlink(l.path.c_str());
                RemoveTitle(l.path);
                ::close(l.fd);
            }
    }
};

HeldLocks& Held()
{
    static HeldLocks held;
    return held;
}

void ForgetLocksInChild()
{
    for (auto& l : Held().locks)
        if (l.fd >= 0)
        {
            ::close(l.fd);
            l.fd = -1;
        }
}

void InstallForkHandler()
{
    static bool installed = false;
    if (!installed)
    {
        installed = true;
        ::pthread_atfork(nullptr, nullptr, ForgetLocksInChild);
    }
}

uint32_t Fnv1a(const char* s)
{
    uint32_t h = 2166136261u;
    for (; *s; ++s)
    {
        h ^= static_cast<unsigned char>(*s);
        h *= 16777619u;
    }
    return h;
}

std::string WindowFilePrefix(const char* className)
{
    std::string prefix = "tk-" + std::to_string(::getuid()) + "-win-";
    if (className)
        prefix += TkSanitiseLockName(className, true) + "-";
    return prefix;
}

// Class and title go into the title file one per line (line breaks inside them
// become blanks), then a check line: the FNV-1a hash of the two lines, so a
// damaged or foreign file is never taken for a window.
std::string TitleContent(const char* className, const char* title)
{
    std::string lines = TkOneLine(className) + "\n" + TkOneLine(title) + "\n";
    char check[kCheckLineBytes];
    std::snprintf(check, sizeof(check), "%08x\n", Fnv1a(lines.c_str()));
    return lines + check;
}

// The title file of a window's lock file: same name, ".title" for ".lock".
std::string TitlePath(const std::string& lockPath)
{
    return lockPath.substr(0, lockPath.size() - std::strlen(kLockSuffix)) + kTitleSuffix;
}

// The title goes into a file of its own, written whole beside it and then
// renamed over it: a finder opens either the old file or the new one, never a
// mix, however busy the machine is. The lock file itself never changes.
bool WriteTitle(const std::string& lockPath, const char* className, const char* title)
{
    const std::string path = TitlePath(lockPath);
    const std::string scratch = path + kScratchSuffix;
    ::unlink(scratch.c_str());
    int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return false;
    const std::string content = TitleContent(className, title);
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(fd);
    if (!written || ::rename(scratch.c_str(), path.c_str()) != 0)
    {
        ::unlink(scratch.c_str());
        return false;
    }
    return true;
}

void RemoveTitle(const std::string& lockPath)
{
    const std::string path = TitlePath(lockPath);
    ::unlink(path.c_str());
    ::unlink((path + kScratchSuffix).c_str());
}

// Lock files live in a folder other users may write to (/tmp): only a
// regular file owned by this user is one of ours.
bool OurPlainFile(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid();
}

// The class and title a window's title file holds; false when it is missing,
// no plain file of ours, or does not check out.
bool ReadTitle(const std::string& lockPath, std::string& className, std::string& title)
{
    int fd = ::open(TitlePath(lockPath).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    char buffer[kMaxLockFileBytes];
    ssize_t n = OurPlainFile(fd) ? ::pread(fd, buffer, sizeof(buffer) - 1, 0) : -1;
    ::close(fd);
    if (n <= 0)
        return false;
    buffer[n] = 0;
    char* firstEnd = std::strchr(buffer, '\n');
    char* secondEnd = firstEnd ? std::strchr(firstEnd + 1, '\n') : nullptr;
    if (!secondEnd)
        return false;
    const std::string lines(buffer, static_cast<size_t>(secondEnd + 1 - buffer));
    char check[kCheckLineBytes];
    std::snprintf(check, sizeof(check), "%08x\n", Fnv1a(lines.c_str()));
    if (std::strcmp(secondEnd + 1, check) != 0)
        return false;
    className.assign(buffer, firstEnd);
    title.assign(firstEnd + 1, secondEnd);
    return true;
}

// The pid from a window lock file name "<prefix><class>-<pid>-<serial>.lock".
int PidFromFileName(const std::string& name)
{
    const size_t suffix = std::strlen(kLockSuffix);
    size_t dot = name.rfind(kLockSuffix);
    if (dot == std::string::npos || dot + suffix != name.size())
        return -1;
    size_t serialDash = name.rfind('-', dot);
    if (serialDash == std::string::npos || serialDash == 0)
        return -1;
    size_t pidDash = name.rfind('-', serialDash - 1);
    if (pidDash == std::string::npos)
        return -1;
    std::string pid = name.substr(pidDash + 1, serialDash - pidDash - 1);
    if (pid.empty() || pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::atoi(pid.c_str());
}
} // namespace

std::string TkLockDirectory()
{
    const char* dir = std::getenv("TK_LOCK_DIR");
    if (!dir || !*dir)
        dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir)
        dir = "/tmp";
    return dir;
}

std::string TkSanitiseLockName(const char* name, bool foldCase)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char* p = name ? name : ""; *p; ++p)
    {
        unsigned char c = static_cast<unsigned char>(*p);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += static_cast<char>(c);
        else if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(foldCase ? c - 'A' + 'a' : c);
        else
        {
            out += '_';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    if (out.size() > kMaxSanitisedName)
    {
        std::string folded = name;
        if (foldCase)
            for (char& c : folded)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
        char tail[16];
        std::snprintf(tail, sizeof(tail), "_%08x", Fnv1a(folded.c_str()));
        out = out.substr(0, kMaxSanitisedName - 9) + tail;
    }
    return out;
}

int TkTakeWindowLock(const char* className, const char* title)
{
    InstallForkHandler();
    HeldLocks& held = Held();
    std::string dir = TkLockDirectory();
    ::mkdir(dir.c_str(), 0700); // a TK_LOCK_DIR that does not exist yet
    // A finder may remove a stale file of the same name between our open and
    // our flock (a dead process that had our pid); then the lock would be on a
    // file nobody can see, so check the name still leads to our file.
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt)
    {
        std::string path = dir + "/" + WindowFilePrefix(className) + std::to_string(::getpid()) + "-" +
                           std::to_string(++held.serial) + kLockSuffix;
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0 && errno != ELOOP)
        {
            std::fprintf(stderr, "Window lock: cannot create \"%s\": %s\n", path.c_str(),
                         std::strerror(errno));
            return -1;
        }
        if (fd < 0 || !OurPlainFile(fd))
        {
            // Something else sits under our name (a link, a pipe, another
            // user's file): never write through it; take the next name.
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        // The title is in place before the lock is taken, so a locked window
        // always has one (an unlocked file is stale to a finder, and the check
        // below notices when one has removed it).
        struct stat byFd, byName;
        if (!WriteTitle(path, className, title) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
            ::fstat(fd, &byFd) != 0 || ::stat(path.c_str(), &byName) != 0 || byFd.st_ino != byName.st_ino ||
            byFd.st_dev != byName.st_dev)
        {
            ::close(fd);
            continue;
        }
        // A finder that took the file for stale just before our flock may have
        // removed the title after we wrote it: write it again now that the
        // lock keeps finders off.
        if (!WriteTitle(path, className, title))
        {
            ::unlink(path.c_str());
            ::close(fd);
            continue;
        }
        HeldLock lock;
        lock.fd = fd;
        lock.owner = ::getpid();
        lock.path = path;
        held.locks.push_back(lock);
        return static_cast<int>(held.locks.size() - 1);
    }
    return -1;
}

void TkUpdateWindowLock(int lockId, const char* className, const char* title)
{
    HeldLocks& held = Held();
    if (lockId < 0 || lockId >= static_cast<int>(held.locks.size()) || held.locks[lockId].fd < 0)
        return;
    WriteTitle(held.locks[lockId].path, className, title);
}

void TkReleaseWindowLock(int lockId)
{
    HeldLocks& held = Held();
    if (lockId < 0 || lockId >= static_cast<int>(held.locks.size()))
        return;
    HeldLock& lock = held.locks[lockId];
    if (lock.fd >= 0 && lock.owner == ::getpid())
    {
        // Unlink before unlocking so no finder sees an unlocked file of a live window.
        ::unlink(lock.path.c_str());
        RemoveTitle(lock.path);
        ::close(lock.fd);
    }
    lock.fd = -1;
    lock.path.clear();
}

bool TkFindForeignWindow(const char* className, const char* title, int* ownerPid)
{
    std::string dir = TkLockDirectory();
    std::string prefix = WindowFilePrefix(className);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return false;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d))
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
            names.push_back(e->d_name);
    ::closedir(d);

    const std::string wantClass = TkOneLine(className);
    const std::string wantTitle = TkOneLine(title);
    bool found = false;
    for (const std::string& name : names)
    {
        int pid = PidFromFileName(name);
        if (pid <= 0 || pid == ::getpid())
            continue; // our own windows are in the window table
        std::string path = dir + "/" + name;
        // Only a plain file of ours is a window: a pipe or a device under
        // such a name must not block the look or be taken for a window.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (!OurPlainFile(fd))
        {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        {
            // Nobody holds it: its owner died without cleaning up.
            ::unlink(path.c_str());
            RemoveTitle(path);
            ::close(fd);
            continue;
        }
        ::close(fd);
        std::string fileClass, fileTitle;
        if (!ReadTitle(path, fileClass, fileTitle))
            continue;
        if (className && TkCompareNames(fileClass.c_str(), wantClass.c_str()) != 0)
            continue;
        if (title && TkCompareNames(fileTitle.c_str(), wantTitle.c_str()) != 0)
            continue;
        if (ownerPid)
            *ownerPid = pid;
        found = true;
        break;
    }
    return found;
}
