#pragma once
// A virtual X server of a test's own: Xvfb picks a free display number itself
// and tells it through a pipe. Where Xvfb is not installed (or does not start)
// the name stays empty and the test skips. Header-only and free of the test
// framework.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

class VirtualDisplay
{
public:
    static constexpr int kServerStartMs = 20000;

    VirtualDisplay()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",        "-displayfd", fd.c_str(), "-screen", "0",
                              "1024x768x24", "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const int spawned =
            posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0)
        {
            m_pid = 0;
            close(fds[0]);
            return;
        }
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd p = {fds[0], POLLIN, 0};
        while (poll(&p, 1, kServerStartMs) > 0)
        {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty())
            m_display = ":" + number;
    }
    ~VirtualDisplay()
    {
        if (m_pid > 0)
        {
            kill(m_pid, SIGTERM);
            int status;
            waitpid(m_pid, &status, 0);
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when there is no server.
    const std::string& Name() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};
