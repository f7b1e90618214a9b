#include "platform/d3d9/GlContext.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>

namespace tk::d3d9
{
namespace
{
constexpr int kGlMajor = 4;
constexpr int kGlMinor = 5;

// One surfaceless display and context for the whole process: creating a
// software context costs a noticeable moment, and devices come and go often.
struct SharedEgl
{
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    bool tried = false;
    std::string error;
};

SharedEgl& Egl()
{
    static SharedEgl egl;
    return egl;
}

const void* g_current = nullptr;

// GLVND refuses to make a context of one API (GLX through SDL, or EGL) current
// on a thread where a context of the other still is, so whichever is current
// is let go first.
void ReleaseEglOnThisThread()
{
    if (Egl().context != EGL_NO_CONTEXT && eglGetCurrentContext() != EGL_NO_CONTEXT)
        eglMakeCurrent(Egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void ReleaseWindowContextOnThisThread()
{
    if (SDL_GL_GetCurrentContext())
        SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
}

bool OpenEgl(std::string* error)
{
    SharedEgl& egl = Egl();
    if (egl.tried)
    {
        *error = egl.error;
        return egl.context != EGL_NO_CONTEXT;
    }
    egl.tried = true;
    // Mesa's on-disk shader cache lives in the user's cache folder, outside
    // any run: with it the software rasteriser compiles each shader variant
    // once on a machine rather than on the first in-world frame of every run
    // (seconds of CPU). Under the address sanitizer it stays off: its writer
    // thread outlives every device and upsets the leak checker's stop at exit.
#if defined(__SANITIZE_ADDRESS__)
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
#endif
#endif
    auto fail = [&](const char* what)
    {
        char text[160];
        std::snprintf(text, sizeof text, "%s (EGL error 0x%x)", what, unsigned(eglGetError()));
        egl.error = text;
        *error = egl.error;
        return false;
    };
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless"))
    {
        egl.error = "EGL has no surfaceless platform (Mesa's EGL drivers are needed)";
        *error = egl.error;
        return false;
    }
    egl.display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (egl.display == EGL_NO_DISPLAY)
        return fail("no surfaceless EGL display");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(egl.display, &major, &minor))
        return fail("the surfaceless EGL display does not start");
    if (!eglBindAPI(EGL_OPENGL_API))
        return fail("EGL offers no desktop OpenGL");
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 kGlMajor,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 kGlMinor,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    egl.context = eglCreateContext(egl.display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (egl.context == EGL_NO_CONTEXT)
        return fail("no OpenGL 4.5 core context on the surfaceless display");
    if (!eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl.context))
    {
        eglDestroyContext(egl.display, egl.context);
        egl.context = EGL_NO_CONTEXT;
        return fail("the surfaceless context cannot be made current");
    }
    return true;
}

class HeadlessContext final : public GlContext
{
public:
    void MakeCurrent() override
    {
        if (g_current == &Egl())
            return;
        ReleaseWindowContextOnThisThread();
        eglMakeCurrent(Egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, Egl().context);
        g_current = &Egl();
    }
    SDL_Window* Window() const override { return nullptr; }
    void Swap() override {}
    void SetSwapInterval(int) override {}
    bool IsCurrent() const override { return g_current == &Egl(); }
};

class WindowContext final : public GlContext
{
public:
    WindowContext(SDL_Window* window, SDL_GLContext context) : m_window(window), m_context(context) {}
    ~WindowContext() override
    {
        if (g_current == this)
            g_current = nullptr;
        SDL_GL_MakeCurrent(m_window, nullptr);
        SDL_GL_DeleteContext(m_context);
    }
    void MakeCurrent() override
    {
        if (g_current == this)
            return;
        ReleaseEglOnThisThread();
        SDL_GL_MakeCurrent(m_window, m_context);
        g_current = this;
    }
    SDL_Window* Window() const override { return m_window; }
    void Swap() override { SDL_GL_SwapWindow(m_window); }
    void SetSwapInterval(int interval) override { SDL_GL_SetSwapInterval(interval); }
    bool IsCurrent() const override { return g_current == this; }

private:
    SDL_Window* m_window;
    SDL_GLContext m_context;
};
} // namespace

void GlContext::ReleaseHeadlessOnThisThread()
{
    ReleaseEglOnThisThread();
    if (g_current == &Egl())
        g_current = nullptr;
}

std::unique_ptr<GlContext> GlContext::CreateHeadless(std::string* error)
{
    if (!OpenEgl(error))
        return nullptr;
    if (eglGetCurrentContext() != Egl().context)
    {
        ReleaseWindowContextOnThisThread();
        eglMakeCurrent(Egl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, Egl().context);
    }
    g_current = &Egl();
    return std::make_unique<HeadlessContext>();
}

std::unique_ptr<GlContext> GlContext::CreateForWindow(SDL_Window* window, std::string* error)
{
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
    {
        *error = "the window was not made for OpenGL";
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, kGlMajor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, kGlMinor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    ReleaseEglOnThisThread();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
    {
        *error = std::string("SDL gives no OpenGL 4.5 core context: ") + SDL_GetError();
        return nullptr;
    }
    auto made = std::make_unique<WindowContext>(window, context);
    g_current = made.get();
    return made;
}
} // namespace tk::d3d9
