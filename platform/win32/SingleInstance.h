#pragma once
// Single instance across processes: every window holds a lock file named after
// its class, in the folder TK_LOCK_DIR, else XDG_RUNTIME_DIR, else /tmp. Its
// flock shows the owner is alive, and the kernel drops the flock when the owner
// dies, so a killed game never blocks the next start (the finder removes such
// stale files). The class and title sit beside it in a ".title" file that is
// replaced whole by rename, so a finder never reads half a retitle.
// FindWindowA and CreateMutexA are built on these.

#include <string>

// Takes the lock of a new window; -1 when no lock file could be made (the
// window still works, only other processes cannot see it).
int TkTakeWindowLock(const char* className, const char* title);
// Rewrites the recorded title (SetWindowTextA).
void TkUpdateWindowLock(int lockId, const char* className, const char* title);
// Removes the file and drops the lock; -1 is ignored.
void TkReleaseWindowLock(int lockId);

// True when another live process of this user holds a window of that class and
// title (null matches any; both compared without regard to case).
bool TkFindForeignWindow(const char* className, const char* title, int* ownerPid);

// The folder the lock files live in.
std::string TkLockDirectory();
// The file-name part derived from a name: letters and digits kept (lower-cased
// when `foldCase`), every other byte as "_xx" in hex; long names end in a hash.
std::string TkSanitiseLockName(const char* name, bool foldCase);

// Closes every mutex handle (tests start each case clean).
void TkResetMutexes();
