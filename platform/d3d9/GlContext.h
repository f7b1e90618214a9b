#pragma once
// The OpenGL 4.5 core context a device draws through: the SDL window's own
// context when there is a window to show frames in, else one surfaceless EGL
// context the process shares between its devices (Mesa's software rasteriser
// on a machine without a GPU). Everything below the context is the same.

#include <memory>
#include <string>

struct SDL_Window;

namespace tk::d3d9
{
class GlContext
{
public:
    virtual ~GlContext() = default;

    // The process's surfaceless context; null with the reason in `error`
    // when EGL or the driver cannot give one.
    static std::unique_ptr<GlContext> CreateHeadless(std::string* error);
    // A context of the window (made with SDL_WINDOW_OPENGL); null with the
    // reason when SDL cannot give one.
    static std::unique_ptr<GlContext> CreateForWindow(SDL_Window* window, std::string* error);

    virtual void MakeCurrent() = 0;
    // The window this context shows frames in, or null for the surfaceless one.
    virtual SDL_Window* Window() const = 0;
    // Shows the window's default framebuffer (nothing for the surfaceless one).
    virtual void Swap() = 0;
    virtual void SetSwapInterval(int interval) = 0;
    // Whether this context is the one GL calls go to now.
    virtual bool IsCurrent() const = 0;

    // Lets go of the surfaceless context on this thread. SDL makes GLX
    // contexts current of its own when it creates an OpenGL window, which
    // GLVND refuses while an EGL context is current.
    static void ReleaseHeadlessOnThisThread();
};
} // namespace tk::d3d9
