#include "platform/win32/Path.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{
bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Folded(const char* name)
{
    std::string s(name);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Of several entries that differ only in case the first in byte order is
// taken, so every run picks the same one.
void Keep(std::string& found, bool& any, const char* entry)
{
    if (!any || std::strcmp(entry, found.c_str()) < 0)
        found = entry;
    any = true;
}

// Finds the entry of `dir` whose name equals `name` without regard to case,
// reading the whole folder.
bool ScanNoCase(const std::string& dir, const std::string& name, std::string& found)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return false;
    bool any = false;
    while (dirent* e = ::readdir(d))
        if (TkCompareNames(e->d_name, name.c_str()) == 0)
            Keep(found, any, e->d_name);
    ::closedir(d);
    return any;
}

// The case-blind names of the folders already read, and the names already
// resolved, so a name asked for again (a file probed for at every object of a
// world) costs a lookup instead of reading folders each time. A folder's index
// is kept by its device and inode, so a folder reached by another path, or a
// path that now leads to another folder, never reads the wrong index. The
// kernel reports every change to a folder that has an index (files made,
// removed or renamed by this program, another program or a library); before
// each lookup the reports are read and every index and name they touch is
// dropped, so a file made a moment ago is always found. Without change
// reports (no instance left) every lookup reads the folders, as it always did.
class FolderIndex;
FolderIndex& Index();

class FolderIndex
{
public:
    // Resolves `in` (slashes only) into `out`; `complete` tells that every
    // component was found. False when the index cannot serve (the caller then
    // resolves component by component).
    bool Resolve(const std::string& in, std::string& out, bool& complete)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!Ready())
            return false;
        // A relative name depends on the current folder, which may have
        // changed. Its path is enough: a folder put in place of the one a
        // relative name went through was reported when the old one went.
        // Within a batch both were read once, and again after each file
        // this program made.
        if (!(m_batches > 0 && m_batchChecked))
        {
            if (!::getcwd(m_cwdNow, sizeof m_cwdNow))
                return false;
            if (std::strcmp(m_cwdNow, m_cwd) != 0)
            {
                ForgetNames();
                std::memcpy(m_cwd, m_cwdNow, sizeof m_cwd);
            }
            TakeReports();
            m_batchChecked = m_batches > 0;
        }
        if (const auto hit = m_names.find(in); hit != m_names.end())
        {
            out = hit->second.path;
            complete = hit->second.complete;
            return true;
        }
        m_passed.clear();
        if (!Walk(in, out, complete))
            return false;
        if (in.size() > kMaxNameLength)
            return true;
        if (m_names.size() >= kMaxNames || m_namesByWatch.size() + m_passed.size() > kMaxNameRefs)
            ForgetNames();
        m_names.emplace(in, Resolved{out, complete});
        for (const int watch : m_passed)
            m_namesByWatch.emplace(watch, in);
        return true;
    }

    void BeginBatch()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_batches++ == 0)
        {
            m_batchChecked = false;
            NextEpoch();
        }
    }

    void EndBatch()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_batches > 0)
            --m_batches;
    }

    // A file was opened for writing, or the current folder changed: the next
    // lookup reads the reports and the current folder again.
    void Changed()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_batchChecked = false;
        NextEpoch();
    }

    unsigned Epoch()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_batches > 0 ? m_epoch : 0;
    }

private:
    // Folders, entries and names kept at most; beyond them names are resolved as before.
    static constexpr size_t kMaxFolders = 4096;
    static constexpr size_t kMaxEntries = 1 << 16;
    static constexpr size_t kMaxNames = 1 << 16;
    static constexpr size_t kMaxNameLength = 1024;        // longer names are resolved but not kept
    static constexpr size_t kMaxNameRefs = 4 * kMaxNames; // folder-to-name links kept at most
    static constexpr uint32_t kChanges =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

    struct Key
    {
        dev_t dev = 0;
        ino_t ino = 0;
        bool operator<(const Key& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
    };
    struct Folder
    {
        int watch = -1;
        bool valid = false;
        std::unordered_set<std::string> exact;               // every entry as it is written
        std::unordered_map<std::string, std::string> folded; // folded name -> first entry in byte order
    };
    struct Resolved
    {
        std::string path;
        bool complete = false;
    };

    // A child process has its own reports: the parent's queue is never read from here.
    bool Ready()
    {
        if (m_forked.exchange(false) || !m_started)
        {
            // A fork while another thread resolves would leave the child a held
            // lock: the fork waits for the lookup to end.
            if (!m_started)
                ::pthread_atfork([] { Index().m_mutex.lock(); }, [] { Index().m_mutex.unlock(); },
                                 []
                                 {
                                     Forked().store(true);
                                     Index().m_mutex.unlock();
                                 });
            m_started = true;
            if (m_fd >= 0)
                ::close(m_fd);
            m_folders.clear();
            m_watches.clear();
            ForgetNames();
            m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        }
        return m_fd >= 0;
    }

    static std::atomic<bool>& Forked();

    // Drops what the changes since the last lookup make stale.
    void TakeReports()
    {
        alignas(inotify_event) char buffer[4096];
        for (;;)
        {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;)
            {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if (e->mask & IN_Q_OVERFLOW)
                {
                    // Changes were lost: no index or name can be trusted.
                    for (auto& f : m_folders)
                        f.second.valid = false;
                    ForgetNames();
                    continue;
                }
                // A change may alter any resolved name that passes the folder;
                // names that pass only other folders stay.
                ForgetNamesThrough(e->wd);
                const auto w = m_watches.find(e->wd);
                if (w == m_watches.end())
                    continue;
                if (e->mask & IN_IGNORED)
                {
                    // The folder is gone (or its watch is): its inode may be used again.
                    m_folders.erase(w->second);
                    m_watches.erase(w);
                    continue;
                }
                if (auto f = m_folders.find(w->second); f != m_folders.end())
                    f->second.valid = false;
            }
        }
    }

    // The index of the folder, read when it has none; null when it cannot have one.
    const Folder* Get(const std::string& dir)
    {
        struct stat st;
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return nullptr;
        const Key key{st.st_dev, st.st_ino};
        auto it = m_folders.find(key);
        if (it != m_folders.end() && it->second.valid)
            return &it->second;
        if (it == m_folders.end())
        {
            if (m_folders.size() >= kMaxFolders)
                return nullptr;
            // The watch comes first, so a change made while the folder is read
            // is reported and drops the index again.
            const int watch = ::inotify_add_watch(m_fd, dir.c_str(), kChanges);
            if (watch < 0)
                return nullptr;
            it = m_folders.emplace(key, Folder{}).first;
            it->second.watch = watch;
            m_watches[watch] = key;
        }
        Folder& folder = it->second;
        folder.exact.clear();
        folder.folded.clear();
        DIR* d = ::opendir(dir.c_str());
        if (!d)
            return nullptr;
        // The path may have been swapped for another folder since it was looked at.
        bool same = ::fstat(::dirfd(d), &st) == 0 && st.st_dev == key.dev && st.st_ino == key.ino;
        while (same)
        {
            const dirent* e = ::readdir(d);
            if (!e)
                break;
            if (folder.exact.size() >= kMaxEntries)
            {
                same = false;
                break;
            }
            folder.exact.emplace(e->d_name);
            auto [entry, added] = folder.folded.try_emplace(Folded(e->d_name), e->d_name);
            if (!added && std::strcmp(e->d_name, entry->second.c_str()) < 0)
                entry->second = e->d_name;
        }
        ::closedir(d);
        if (!same)
        {
            folder.exact.clear();
            folder.folded.clear();
            return nullptr;
        }
        folder.valid = true;
        return &folder;
    }

    void NextEpoch()
    {
        if (++m_epoch == 0)
            m_epoch = 1;
    }

    void ForgetNames()
    {
        m_names.clear();
        m_namesByWatch.clear();
    }

    void ForgetNamesThrough(int watch)
    {
        const auto [first, last] = m_namesByWatch.equal_range(watch);
        for (auto it = first; it != last; ++it)
            m_names.erase(it->second);
        m_namesByWatch.erase(first, last);
    }

    // Resolves component by component through the indexes; false when a
    // folder on the way cannot have one. The watches of the folders read are
    // left in m_passed.
    bool Walk(const std::string& in, std::string& out, bool& complete)
    {
        out.clear();
        complete = true;
        size_t pos = 0;
        if (!in.empty() && in[0] == '/')
        {
            out = "/";
            pos = 1;
        }
        while (pos <= in.size())
        {
            size_t next = in.find('/', pos);
            if (next == std::string::npos)
                next = in.size();
            const std::string part = in.substr(pos, next - pos);
            pos = next + 1;
            if (part.empty())
            {
                if (next == in.size())
                    break;
                continue;
            }
            std::string name = part;
            if (complete && part != "." && part != "..")
            {
                const Folder* folder = Get(out.empty() ? std::string(".") : out);
                if (!folder)
                    return false;
                m_passed.push_back(folder->watch);
                if (!folder->exact.count(part))
                {
                    const auto hit = folder->folded.find(Folded(part.c_str()));
                    if (hit != folder->folded.end())
                        name = hit->second;
                    else
                        complete = false; // once a component is missing, the rest cannot exist
                }
            }
            out = out.empty() || out.back() == '/' ? out + name : out + "/" + name;
            if (next == in.size())
                break;
        }
        if (out.empty() && !in.empty())
            out = in;
        return true;
    }

    std::mutex m_mutex;
    int m_fd = -1;
    bool m_started = false;
    std::atomic<bool>& m_forked = Forked();
    int m_batches = 0;
    bool m_batchChecked = false;
    unsigned m_epoch = 0; // never 0 once a batch has begun
    char m_cwd[PATH_MAX] = {};
    char m_cwdNow[PATH_MAX] = {};
    std::map<Key, Folder> m_folders;
    std::unordered_map<int, Key> m_watches;
    std::unordered_map<std::string, Resolved> m_names;
    // The names resolved through each folder's watch (stale links only cost a lookup).
    std::unordered_multimap<int, std::string> m_namesByWatch;
    std::vector<int> m_passed;
};

std::atomic<bool>& FolderIndex::Forked()
{
    static std::atomic<bool> forked{false};
    return forked;
}

// Never destroyed: files are still opened by destructors that run at program end.
FolderIndex& Index()
{
    static FolderIndex* index = new FolderIndex;
    return *index;
}

// Without the index: each component that does not exist with the exact case
// is matched case-blind by reading its folder.
std::string ResolveByReading(const std::string& in, bool& complete)
{
    std::string out;
    size_t pos = 0;
    if (!in.empty() && in[0] == '/')
    {
        out = "/";
        pos = 1;
    }
    complete = true; // once a component is missing, the rest cannot exist
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
        if (complete && part != "." && part != ".." && !Exists(candidate))
        {
            std::string found;
            std::string dir = out.empty() ? std::string(".") : out;
            if (ScanNoCase(dir, part, found))
                candidate = out.empty() || out.back() == '/' ? out + found : out + "/" + found;
            else
                complete = false;
        }
        out = candidate;
        if (next == in.size())
            break;
    }
    if (out.empty() && !in.empty())
        out = in;
    return out;
}

std::string Resolve(const char* name, bool& complete)
{
    complete = false;
    if (!name)
        return std::string();
    std::string in(name);
    for (char& c : in)
        if (c == '\\')
            c = '/';
    std::string out;
    if (Index().Resolve(in, out, complete))
        return out;
    return ResolveByReading(in, complete);
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
    bool complete = false;
    return Resolve(name, complete);
}

FILE* TkFopen(const char* name, const char* mode)
{
    if (!name || !mode)
        return nullptr;
    bool complete = false;
    const std::string path = Resolve(name, complete);
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
    // A name with a missing component cannot be read: no need to ask.
    if (mode[0] == 'r' && !complete)
    {
        errno = ENOENT;
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
    if (mode[0] != 'r' || update)
        Index().Changed();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* f = ::fdopen(fd, mode);
    if (!f)
        ::close(fd);
    return f;
}

TkPathBatch::TkPathBatch()
{
    Index().BeginBatch();
}

TkPathBatch::~TkPathBatch()
{
    Index().EndBatch();
}

void TkPathCurrentFolderChanged()
{
    Index().Changed();
}

unsigned TkPathBatchEpoch()
{
    return Index().Epoch();
}
