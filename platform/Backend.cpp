#include "platform/Backend.h"

#include <cstdlib>
#include <cstring>

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
SdlWindowEntry g_sdlWindows[8] = {};
} // namespace

void TkSetSdlWindow(HWND hwnd, SDL_Window* window)
{
    for (auto& e : g_sdlWindows)
        if (e.hwnd == hwnd || (!e.hwnd && window))
        {
            e.hwnd = window ? hwnd : nullptr;
            e.window = window;
            return;
        }
}

SDL_Window* TkGetSdlWindow(HWND hwnd)
{
    for (auto& e : g_sdlWindows)
        if (e.hwnd && e.hwnd == hwnd)
            return e.window;
    return nullptr;
}
