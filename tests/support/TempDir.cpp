#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir(bool enter)
{
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (;;)
    {
        m_path = base / ("tk-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(m_path, ec))
            break;
    }
    if (enter)
    {
        m_previous = fs::current_path();
        fs::current_path(m_path);
        m_entered = true;
        m_log = std::make_unique<ConsoleLogHere>();
    }
}

TempDir::~TempDir()
{
    m_log.reset();
    std::error_code ec;
    if (m_entered)
        fs::current_path(m_previous, ec);
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
