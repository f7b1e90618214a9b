// Message boxes. With SDL a real dialog; headless one stderr line, recorded for
// tests. Either way the answer is the default button (OK, or Yes for Yes/No),
// as a player who just acknowledges it would give.
#include "platform/win32/Win32.h"

#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "platform/win32/OneLine.h"

#include <SDL.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
Uint32 SdlFlags(UINT type)
{
    switch (type & 0xF0)
    {
    case MB_ICONERROR:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING:
        return SDL_MESSAGEBOX_WARNING;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}
// SDL shows an X11 box from a child process and waits for it, retrying the
// wait when a signal breaks it: a SIGTERM or SIGINT to the game would push
// SDL's quit event and leave the box up for good. While a box is up these
// signals also close it, and the quit they ask for stays for the game.
std::atomic<int> g_boxSignal{0};
struct sigaction g_previousTerm = {};
struct sigaction g_previousInt = {};

void OnSignalDuringBox(int number)
{
    g_boxSignal.store(number);
    const struct sigaction& previous = number == SIGTERM ? g_previousTerm : g_previousInt;
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL &&
        previous.sa_handler != SIG_IGN && previous.sa_handler != nullptr)
        previous.sa_handler(number);
}

// Ends the processes this one started (the box's): their parent is us.
void EndChildProcesses()
{
    DIR* proc = opendir("/proc");
    if (!proc)
        return;
    const pid_t self = getpid();
    while (dirent* entry = readdir(proc))
    {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end)
            continue;
        const std::string statPath = std::string("/proc/") + entry->d_name + "/stat";
        FILE* f = std::fopen(statPath.c_str(), "r");
        if (!f)
            continue;
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, f) != nullptr;
        std::fclose(f);
        // "pid (name) state ppid ...": the name may hold blanks, so read after its ')'.
        const char* close = read ? std::strrchr(line, ')') : nullptr;
        char state = 0;
        long parent = 0;
        if (close && std::sscanf(close + 1, " %c %ld", &state, &parent) == 2 && parent == self)
            kill(static_cast<pid_t>(pid), SIGTERM);
    }
    closedir(proc);
}

// Shows the box; a SIGTERM or SIGINT meanwhile closes it.
int ShowSdlBoxUntilSignalled(Uint32 flags, const char* caption, const char* text, SDL_Window* window)
{
    g_boxSignal.store(0);
    struct sigaction ours = {};
    ours.sa_handler = OnSignalDuringBox;
    sigemptyset(&ours.sa_mask);
    sigaction(SIGTERM, &ours, &g_previousTerm);
    sigaction(SIGINT, &ours, &g_previousInt);
    std::atomic<bool> shown{false};
    std::thread watcher(
        [&shown]
        {
            while (!shown.load())
            {
                if (g_boxSignal.load())
                {
                    EndChildProcesses();
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    const int result = SDL_ShowSimpleMessageBox(flags, caption, text, window);
    shown.store(true);
    watcher.join();
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    sigaction(SIGINT, &g_previousInt, nullptr);
    // Nobody else handles it: the signal's own ending, now that the box is gone.
    if (const int number = g_boxSignal.load())
        if ((number == SIGTERM ? g_previousTerm : g_previousInt).sa_handler == SIG_DFL)
            raise(number);
    return result;
}
} // namespace

int MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type)
{
    TkRecordMessageBox(caption, text, type);
    const char* shownCaption = caption ? caption : "Error";
    if (TkIsHeadless() ||
        ShowSdlBoxUntilSignalled(SdlFlags(type), shownCaption, text ? text : "", TkGetSdlWindow(hwnd)) != 0)
    {
        std::fprintf(stderr, "Message box \"%s\": %s\n", TkOneLine(shownCaption).c_str(),
                     TkOneLine(text).c_str());
    }
    return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
}
