#include "win32_fixture.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <thread>

namespace
{
using Win32SingleInstanceTest = Win32Test;

// A second process holding what the test asks for, until it is killed as a
// crashing game would be.
class Helper
{
public:
    // Runs `body` in a child, which then reports ready and waits to be killed.
    template <typename Body> explicit Helper(Body body)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
        {
            ::close(ready[0]);
            char ok = body() ? 'y' : 'n';
            if (::write(ready[1], &ok, 1) != 1)
                ::_exit(2);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char answer = 0;
        m_ready = m_pid > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }

    ~Helper() { Kill(); }

    bool Ready() const { return m_ready; }

    void Kill()
    {
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

TEST_F(Win32SingleInstanceTest, FindsOwnWindowsUntilDestroyed)
{
    HWND hwnd = MakeWindow("Duskmere 2", "Duskmere 2");
    EXPECT_EQ(FindWindowA("duskmere 2", "DUSKMERE 2"), hwnd);
    EXPECT_EQ(FindWindowA("Duskmere 2", nullptr), hwnd);
    EXPECT_EQ(FindWindowA(nullptr, "Duskmere 2"), hwnd);
    EXPECT_EQ(FindWindowA("Duskmere 2", "Other title"), nullptr);
    SetWindowTextA(hwnd, "Other title");
    EXPECT_EQ(FindWindowA("Duskmere 2", "Other title"), hwnd);
    DestroyWindow(hwnd);
    EXPECT_EQ(FindWindowA("Duskmere 2", nullptr), nullptr);
}

TEST_F(Win32SingleInstanceTest, FindsTheWindowOfAnotherProcessUntilItDies)
{
    EXPECT_EQ(FindWindowA("Duskmere 2", "Duskmere 2"), nullptr);
    Helper game([this] { return MakeWindow("Duskmere 2", "Duskmere 2") != nullptr; });
    ASSERT_TRUE(game.Ready());

    HWND found = FindWindowA("DUSKMERE 2", "duskmere 2");
    EXPECT_NE(found, nullptr);
    EXPECT_FALSE(IsWindow(found)); // not a window this process can act on
    EXPECT_EQ(FindWindowA("Duskmere 2", "Another game"), nullptr);
    EXPECT_EQ(FindWindowA("Duskmere", nullptr), nullptr);
    EXPECT_NE(FindWindowA(nullptr, "Duskmere 2"), nullptr);

    // A window of our own of that class does not hide or stand for the other.
    HWND own = MakeWindow("Duskmere 2", "Editor");
    EXPECT_EQ(FindWindowA("Duskmere 2", "Editor"), own);
    EXPECT_NE(FindWindowA("Duskmere 2", "Duskmere 2"), nullptr);

    // Killed without cleaning up: its lock is gone with it, and its file too
    // once someone looks.
    game.Kill();
    EXPECT_EQ(FindWindowA("Duskmere 2", "Duskmere 2"), nullptr);
    const std::string ours = "-" + std::to_string(::getpid()) + "-";
    for (const auto& entry : std::filesystem::directory_iterator(m_dir / "locks"))
    {
        const std::string name = entry.path().filename().string();
        if (name.find("-win-") != std::string::npos)
            EXPECT_NE(name.find(ours), std::string::npos) << name << " outlived its process";
    }
}

TEST_F(Win32SingleInstanceTest, NamedMutexExistsWhileAnyProcessHoldsIt)
{
    HANDLE first = CreateMutexA(nullptr, FALSE, "Duskmere2");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateMutexA(nullptr, FALSE, "Duskmere2");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    // Names are case-sensitive, as Windows kernel object names are.
    HANDLE other = CreateMutexA(nullptr, FALSE, "duskmere2");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(other));
    EXPECT_FALSE(CloseHandle(first));

    {
        Helper holder([] { return CreateMutexA(nullptr, FALSE, "Duskmere2") != nullptr; });
        ASSERT_TRUE(holder.Ready());
        HANDLE mine = CreateMutexA(nullptr, FALSE, "Duskmere2");
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        CloseHandle(mine);
    }
    HANDLE again = CreateMutexA(nullptr, FALSE, "Duskmere2");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(again);
}
} // namespace

namespace
{
// Many processes create the same mutex at the same moment: exactly one of them
// may be told it was first, however their steps interleave.
TEST_F(Win32SingleInstanceTest, OnlyOneOfManySimultaneousCreatorsIsFirst)
{
    constexpr int kRounds = 30;
    constexpr int kProcesses = 6;
    for (int round = 0; round < kRounds; ++round)
    {
        const std::string name = "Race" + std::to_string(round);
        int go[2], results[2], hold[2];
        ASSERT_EQ(::pipe(go), 0);
        ASSERT_EQ(::pipe(results), 0);
        ASSERT_EQ(::pipe(hold), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < kProcesses; ++i)
        {
            pid_t pid = ::fork();
            if (pid == 0)
            {
                ::close(go[1]);
                ::close(results[0]);
                ::close(hold[1]);
                char start;
                if (::read(go[0], &start, 1) != 0) // released when the pipe closes
                    ::_exit(3);
                HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
                char first = h && GetLastError() == ERROR_SUCCESS ? 'f' : 'e';
                if (::write(results[1], &first, 1) != 1)
                    ::_exit(2);
                // Each keeps its handle until every answer is in.
                char wait;
                (void)!::read(hold[0], &wait, 1);
                ::_exit(0);
            }
            children.push_back(pid);
        }
        ::close(go[0]);
        ::close(results[1]);
        ::close(hold[0]);
        ::close(go[1]); // every child starts now
        int firsts = 0, answers = 0;
        char c;
        while (answers < kProcesses && ::read(results[0], &c, 1) == 1)
        {
            ++answers;
            firsts += c == 'f';
        }
        ::close(results[0]);
        ::close(hold[1]);
        for (pid_t pid : children)
            ::waitpid(pid, nullptr, 0);
        EXPECT_EQ(answers, kProcesses);
        EXPECT_EQ(firsts, 1) << "round " << round;
    }
}
} // namespace

namespace
{
// Another process renames its window over and over: a look for its class must
// find it every time, never a file caught between two writes.
TEST_F(Win32SingleInstanceTest, AWindowBeingRetitledIsAlwaysFound)
{
    Helper game(
        [this]
        {
            HWND hwnd = MakeWindow("Duskmere 2", "Duskmere 2");
            if (!hwnd)
                return false;
            // A thread of the other process keeps retitling it until the
            // test kills that process.
            std::thread(
                [hwnd]
                {
                    for (int i = 0;; ++i)
                        SetWindowTextA(hwnd,
                                       i % 2 ? "Duskmere 2 - loading a much longer title" : "Duskmere 2");
                })
                .detach();
            return true;
        });
    ASSERT_TRUE(game.Ready());
    int missed = 0;
    for (int i = 0; i < 3000; ++i)
        missed += FindWindowA("Duskmere 2", nullptr) == nullptr;
    EXPECT_EQ(missed, 0);
}
} // namespace

namespace
{
// The lock folder may be shared with other users (/tmp): what sits there under
// a window file's name but is no plain file of ours is never written through,
// never waited on and never taken for a window.
TEST_F(Win32SingleInstanceTest, StrangeEntriesInTheLockFolderAreLeftAlone)
{
    const std::filesystem::path locks = m_dir / "locks";
    const std::string prefix = "tk-" + std::to_string(::getuid()) + "-win-duskmere_202-";
    // A pipe as the window of a process that exists (opening it for reading
    // would wait for a writer for ever).
    const std::string pipeName = prefix + std::to_string(::getppid()) + "-1.lock";
    ASSERT_EQ(::mkfifo((locks / pipeName).c_str(), 0600), 0);
    EXPECT_EQ(FindWindowA("Duskmere 2", nullptr), nullptr);
    EXPECT_TRUE(std::filesystem::exists(locks / pipeName));

    // Links under every name this process could take for its next windows.
    WriteFile("victim.txt", "keep me");
    for (int serial = 1; serial <= 64; ++serial)
        std::filesystem::create_symlink(
            m_dir / "victim.txt",
            locks / (prefix + std::to_string(::getpid()) + "-" + std::to_string(serial) + ".lock"));
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(MakeWindow("Duskmere 2", "Duskmere 2"), nullptr);
    EXPECT_EQ(ReadFile("victim.txt"), "keep me");
}
} // namespace
