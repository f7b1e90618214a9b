#include "platform/Backend.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
bool g_backendChosen = false;
TkBackend g_backend = TkBackend::Headless;

TkBackend ChooseFromEnvironment()
{
    const char* video = std::getenv("TK_VIDEO");
    if (video && std::strcmp(video, "headless") == 0)
        return TkBackend::Headless;
    if (video && std::strcmp(video, "sdl") == 0)
        return TkBackend::Sdl;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display && *display) || (wayland && *wayland))
        return TkBackend::Sdl;
    return TkBackend::Headless;
}
} // namespace

TkBackend TkGetBackend()
{
    if (!g_backendChosen)
    {
        g_backend = ChooseFromEnvironment();
        g_backendChosen = true;
    }
    return g_backend;
}

void TkSetBackend(TkBackend backend)
{
    g_backend = backend;
    g_backendChosen = true;
}

namespace
{
struct SdlWindowEntry
{
    HWND hwnd;
    SDL_Window* window;
};
// One entry per window handle, however many windows there are.
std::vector<SdlWindowEntry> g_sdlWindows;
} // namespace

void TkSetSdlWindow(HWND hwnd, SDL_Window* window)
{
    if (!hwnd)
        return;
    for (auto it = g_sdlWindows.begin(); it != g_sdlWindows.end(); ++it)
        if (it->hwnd == hwnd)
        {
            if (window)
                it->window = window;
            else
                g_sdlWindows.erase(it);
            return;
        }
    if (window)
        g_sdlWindows.push_back(SdlWindowEntry{hwnd, window});
}

SDL_Window* TkGetSdlWindow(HWND hwnd)
{
    for (const auto& e : g_sdlWindows)
        if (e.hwnd == hwnd)
            return e.window;
    return nullptr;
}
