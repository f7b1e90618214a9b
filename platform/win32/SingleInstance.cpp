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
// A live window's file that does not read whole is being rewritten; it is
// read again for up to this many times this long.
constexpr int kLockReadAttempts = 50;
constexpr useconds_t kLockReadRetryUs = 200;

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

// Class and title go into the file one per line (line breaks inside them
// become blanks), then a check line: the FNV-1a hash of the two lines. A
// finder reading while the owner rewrites the title may catch a mix of old and
// new text; the check tells it to read again.
std::string LockContent(const char* className, const char* title)
{
    std::string lines = TkOneLine(className) + "\n" + TkOneLine(title) + "\n";
    char check[16];
    std::snprintf(check, sizeof(check), "%08x\n", Fnv1a(lines.c_str()));
    return lines + check;
}

// The new text is written over the old before the file is cut to its length,
// so the file is never empty while its window lives.
bool WriteContent(int fd, const char* className, const char* title)
{
    const std::string content = LockContent(className, title);
    if (::pwrite(fd, content.data(), content.size(), 0) != static_cast<ssize_t>(content.size()))
        return false;
    return ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
}

bool ReadContentOnce(int fd, std::string& className, std::string& title)
{
    char buffer[kMaxLockFileBytes];
    ssize_t n = ::pread(fd, buffer, sizeof(buffer) - 1, 0);
    if (n <= 0)
        return false;
    buffer[n] = 0;
    char* firstEnd = std::strchr(buffer, '\n');
    char* secondEnd = firstEnd ? std::strchr(firstEnd + 1, '\n') : nullptr;
    if (!secondEnd)
        return false;
    const std::string lines(buffer, static_cast<size_t>(secondEnd + 1 - buffer));
    char check[16];
    std::snprintf(check, sizeof(check), "%08x\n", Fnv1a(lines.c_str()));
    if (std::strcmp(secondEnd + 1, check) != 0)
        return false;
    className.assign(buffer, firstEnd);
    title.assign(firstEnd + 1, secondEnd);
    return true;
}

bool ReadContent(int fd, std::string& className, std::string& title)
{
    for (int attempt = 0; attempt < kLockReadAttempts; ++attempt)
    {
        if (ReadContentOnce(fd, className, title))
            return true;
        ::usleep(kLockReadRetryUs);
    }
    return false;
}

// Lock files live in a folder other users may write to (/tmp): only a
// regular file owned by this user is one of ours.
bool OurPlainFile(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid();
}

// The pid from a window lock file name "<prefix><class>-<pid>-<serial>.lock".
int PidFromFileName(const std::string& name)
{
    size_t dot = name.rfind(".lock");
    if (dot == std::string::npos || dot + 5 != name.size())
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
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        std::string path = dir + "/" + WindowFilePrefix(className) + std::to_string(::getpid()) + "-" +
                           std::to_string(++held.serial) + ".lock";
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
        // Written before the lock is taken, so a locked file is always a whole
        // one (an unlocked file is stale to a finder, and the check below
        // notices when one has removed it).
        WriteContent(fd, className, title);
        struct stat byFd, byName;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &byFd) != 0 ||
            ::stat(path.c_str(), &byName) != 0 || byFd.st_ino != byName.st_ino ||
            byFd.st_dev != byName.st_dev)
        {
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
    WriteContent(held.locks[lockId].fd, className, title);
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
            ::close(fd);
            continue;
        }
        std::string fileClass, fileTitle;
        bool readable = ReadContent(fd, fileClass, fileTitle);
        ::close(fd);
        if (!readable)
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
