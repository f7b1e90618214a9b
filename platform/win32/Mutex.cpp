// Named mutexes across processes, and CloseHandle for them (the only kernel
// handles this layer hands out). A named mutex is a lock file every holder keeps
// a shared flock on; whoever finds an exclusive flock refused knows another
// holder exists, which is what ERROR_ALREADY_EXISTS tells a Windows caller.
// Ownership and waiting are not provided: the game only creates the mutex and
// keeps it open for the life of the process.
#include "platform/win32/Win32.h"

#include "platform/win32/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kSharedLockAttempts = 50;
constexpr useconds_t kSharedLockRetryUs = 1000;

struct MutexHandle
{
    int fd = -1;
};

std::vector<std::unique_ptr<MutexHandle>> g_mutexes;
} // namespace

HANDLE CreateMutexA(SECURITY_ATTRIBUTES*, BOOL, LPCSTR name)
{
    auto mutex = std::make_unique<MutexHandle>();
    DWORD error = ERROR_SUCCESS;
    if (name && *name)
    {
        std::string dir = TkLockDirectory();
        ::mkdir(dir.c_str(), 0700);
        std::string path =
            dir + "/tk-" + std::to_string(::getuid()) + "-mutex-" + TkSanitiseLockName(name, false) + ".lock";
        // Creators take turns on a guard file: the probe below and the change
        // from the exclusive probe to a shared hold (which flock does not
        // promise to make in one step) are never seen half done by another.
        int guard =
            ::open((path + ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (guard >= 0)
            while (::flock(guard, LOCK_EX) != 0 && errno == EINTR)
            {
            }
        // Never through a link another user planted in a shared folder.
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0)
        {
            if (guard >= 0)
                ::close(guard);
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            error = ERROR_ALREADY_EXISTS;
        // Turn our hold into a shared one so later openers see us. Without the
        // guard file another opener may hold the exclusive probe for an
        // instant; wait that out.
        for (int i = 0; i < kSharedLockAttempts && ::flock(fd, LOCK_SH | LOCK_NB) != 0; ++i)
            ::usleep(kSharedLockRetryUs);
        if (guard >= 0)
            ::close(guard);
        mutex->fd = fd;
    }
    HANDLE handle = mutex.get();
    g_mutexes.push_back(std::move(mutex));
    SetLastError(error);
    return handle;
}

BOOL CloseHandle(HANDLE handle)
{
    for (auto it = g_mutexes.begin(); it != g_mutexes.end(); ++it)
        if (it->get() == handle)
        {
            if ((*it)->fd >= 0)
                ::close((*it)->fd);
            g_mutexes.erase(it);
            return TRUE;
        }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// Tests start each case with no handles open.
void TkResetMutexes()
{
    for (auto& m : g_mutexes)
        if (m->fd >= 0)
            ::close(m->fd);
    g_mutexes.clear();
}
