#include "support/TempDir.h"

#include "shell/FileCache.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// A folder no other process has: named after our pid and a counter, and
// created here (an existing one, left by a dead process of that pid, is skipped).
fs::path FreshFolder(const char* kind)
{
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    for (;;)
    {
        fs::path path = base / ("tk-" + std::string(kind) + "-" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++));
        if (fs::create_directory(path, ec))
            return path;
    }
}

struct ProgramFolder
{
    fs::path path = FreshFolder("locks");
    pid_t owner = ::getpid();

    ProgramFolder() { ::setenv("TK_LOCK_DIR", path.c_str(), 1); }
    ~ProgramFolder()
    {
        // A forked child that returns through exit() must not take the
        // folder from its parent.
        if (::getpid() != owner)
            return;
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

ProgramFolder& Program()
{
    static ProgramFolder folder;
    return folder;
}

// Set before main, so even a test that never asks for it locks in there.
const bool g_programFolderMade = !Program().path.empty();
} // namespace

const fs::path& ProgramLockDir()
{
    return Program().path;
}

void RestoreProgramLockDir()
{
    ::setenv("TK_LOCK_DIR", ProgramLockDir().c_str(), 1);
}

namespace
{
// The file cache keeps files by the name they were read by, for the whole run;
// a test entering a folder of its own must not read what an earlier test's
// folder held under the same name.
void ForgetCachedFiles()
{
    for (const strCacheEntry& entry : g_FileCache.m_Cache)
        if (entry.bUsed && !entry.bOrphaned)
        {
            const std::string name = entry.szFileName;
            g_FileCache.RemoveFromCache(name.c_str());
        }
}
} // namespace

TempDir::TempDir(bool enter)
{
    m_path = FreshFolder("test");
    if (enter)
    {
        m_previous = fs::current_path();
        fs::current_path(m_path);
        m_entered = true;
        m_log = std::make_unique<ConsoleLogHere>();
        ForgetCachedFiles();
    }
}

TempDir::~TempDir()
{
    m_log.reset();
    std::error_code ec;
    if (m_entered)
    {
        fs::current_path(m_previous, ec);
        ForgetCachedFiles();
    }
    fs::remove_all(m_path, ec);
}

void TempDir::Write(const std::string& relative, const std::string& bytes) const
{
    const fs::path p = m_path / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(const std::string& relative) const
{
    std::ifstream in(m_path / relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempDir::Exists(const std::string& relative) const
{
    return fs::exists(m_path / relative);
}
