#include "support/GameProcess.h"

#include "BuildPaths.h"

#include <gtest/gtest.h>

#include <string>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// With TK_GAME_TESTS set, every test that starts the game adds its name to that
// file. The game runs in a process of its own, so such a test shares nothing
// with the tests that ran before it in the test program: the shuffled run
// leaves these tests out (tools/shuffled.sh), as they only cost time there.
void NoteGameTest()
{
    const char* list = ::getenv("TK_GAME_TESTS");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!list || !*list || !test)
        return;
    const std::string line = std::string(test->test_suite_name()) + "." + test->name() + "\n";
    // One write of one short line: lines of tests running side by side do not mix.
    const int fd = ::open(list, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}
} // namespace

GameProcess::GameProcess(const fs::path& dir, const std::vector<std::pair<std::string, std::string>>& env,
                         const fs::path& errors)
{
    const std::string exe = tk::test::GameExe().string();
    NoteGameTest();
    m_pid = ::fork();
    if (m_pid == 0)
    {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        if (!errors.empty())
        {
            const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, 2) < 0)
                ::_exit(127);
            ::close(fd);
        }
        ::setenv("TK_VIDEO", "headless", 1);
        ::setenv("TK_LOCK_DIR", dir.c_str(), 1);
        ::unsetenv("TK_SCRIPT");
        ::unsetenv("TK_FRAMES");
        ::unsetenv("TK_DIALOG_SCRIPT");
        // The leak checker's stop of every thread at exit now and then crashes in a
        // whole game (Mesa, SDL and fontconfig threads), failing a run that was
        // sound. Address and undefined-behaviour checks stay on in the game;
        // leaks are checked in the test programs themselves.
        if (const char* asan = ::getenv("ASAN_OPTIONS"))
            ::setenv("ASAN_OPTIONS", (std::string(asan) + ":detect_leaks=0").c_str(), 1);
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

GameProcess::~GameProcess()
{
    if (!m_done)
        Kill();
}

bool GameProcess::Running()
{
    if (m_done || m_pid <= 0)
        return false;
    int status = 0;
    const int r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid)
    {
        m_status = status;
        m_done = true;
        return false;
    }
    return r == 0;
}

int GameProcess::Wait(double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (Running())
    {
        if (std::chrono::steady_clock::now() > end)
        {
            Kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!m_done || !WIFEXITED(m_status))
        return -1;
    return WEXITSTATUS(m_status);
}

void GameProcess::Kill()
{
    if (m_done || m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &m_status, 0);
    m_done = true;
}

void CopyDataTree(const fs::path& dir)
{
    fs::copy(tk::test::DataDir(), dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::vector<std::string> ReadLines(const fs::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& head, std::string* found)
{
    for (const std::string& line : lines)
        if (line.compare(0, head.size(), head) == 0)
        {
            if (found)
                *found = line;
            return true;
        }
    return false;
}
