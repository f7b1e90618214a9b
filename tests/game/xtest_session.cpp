#include "xtest_session.h"

#if TK_HAVE_XTEST

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>

#include <cstring>

namespace
{
// X's default handler ends the process on an error, leaving the game and the
// virtual server running: an error fails the wait instead.
int g_xErrors = 0;
int CountError(Display*, XErrorEvent*)
{
    ++g_xErrors;
    return 0;
}
} // namespace

struct XTestSession::Connection
{
    XErrorHandler previousHandler = nullptr;
    Display* display = nullptr;
    Window window = 0;
    Damage damage = 0;
    int damageEvent = 0;
};

XTestSession::XTestSession(const std::string& display) : m_x(std::make_unique<Connection>())
{
    m_x->previousHandler = XSetErrorHandler(CountError);
    m_x->display = XOpenDisplay(display.c_str());
    if (!m_x->display)
    {
        m_problem = "cannot connect to the X display " + display;
        return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_x->display, &event, &error, &major, &minor))
        m_problem = "the X server has no XTEST extension";
    else if (!XDamageQueryExtension(m_x->display, &m_x->damageEvent, &error))
        m_problem = "the X server has no DAMAGE extension";
    if (!m_problem.empty())
        return;
    // A key is held for frames the game shows, not for a time. The server's
    // own repeat starts on a wall-clock delay: on a slow machine a key held
    // for a few frames would come to the game as many presses (the console
    // key closing the console again, Escape leaving the menu it opened).
    XAutoRepeatOff(m_x->display);
    XKeyboardState keyboard;
    XGetKeyboardControl(m_x->display, &keyboard);
    if (keyboard.global_auto_repeat != AutoRepeatModeOff)
        m_problem = "the X server's key repeat cannot be turned off";
}

XTestSession::~XTestSession()
{
    if (m_x->display)
    {
        if (m_x->damage)
            XDamageDestroy(m_x->display, m_x->damage);
        XCloseDisplay(m_x->display);
    }
    XSetErrorHandler(m_x->previousHandler);
}

bool XTestSession::Watch(const char* title, int* width, int* height)
{
    if (!m_problem.empty())
        return false;
    Display* d = m_x->display;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return false;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
    {
        XWindowAttributes attributes;
        char* name = nullptr;
        if (!XGetWindowAttributes(d, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        if (XFetchName(d, children[i], &name) && name)
        {
            if (std::strcmp(name, title) == 0)
            {
                found = children[i];
                *width = attributes.width;
                *height = attributes.height;
            }
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    if (!found)
        return false;
    if (m_x->damage)
        XDamageDestroy(d, m_x->damage);
    m_x->window = found;
    // Every drawing into the window is reported, however late the reports
    // are read, so none is merged into another.
    m_x->damage = XDamageCreate(d, found, XDamageReportRawRectangles);
    m_shown = 0;
    Sent();
    return true;
}

bool XTestSession::Picture(int* width, int* height, std::vector<uint32_t>* pixels)
{
    Display* d = m_x->display;
    XWindowAttributes attributes;
    if (!m_x->window || !XGetWindowAttributes(d, m_x->window, &attributes))
        return false;
    XImage* image = XGetImage(d, m_x->window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    *width = attributes.width;
    *height = attributes.height;
    pixels->resize(static_cast<size_t>(attributes.width) * static_cast<size_t>(attributes.height));
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
            (*pixels)[static_cast<size_t>(y) * static_cast<size_t>(attributes.width) +
                      static_cast<size_t>(x)] = static_cast<uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return true;
}

void XTestSession::MoveBy(int dx, int dy)
{
    XTestFakeRelativeMotionEvent(m_x->display, dx, dy, CurrentTime);
    Sent();
}

void XTestSession::Button(int button, bool down)
{
    XTestFakeButtonEvent(m_x->display, static_cast<unsigned>(button), down ? True : False, CurrentTime);
    Sent();
}

bool XTestSession::Key(const char* name, bool down)
{
    const KeySym symbol = XStringToKeysym(name);
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(m_x->display, symbol);
    if (!code)
        return false;
    // Without a window manager nobody gives the window the keyboard (the
    // game, starting, may give it away again): the player's click on it would.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_x->display, &focus, &revert);
    if (m_x->window && focus != m_x->window)
        XSetInputFocus(m_x->display, m_x->window, RevertToPointerRoot, CurrentTime);
    XTestFakeKeyEvent(m_x->display, code, down ? True : False, CurrentTime);
    Sent();
    return true;
}

void XTestSession::Sent()
{
    // The round trip returns once the server has handled the input; reports
    // it sent before that are in the queue now and show frames drawn before.
    XSync(m_x->display, False);
    ReadReports();
    m_mark = m_shown;
}

void XTestSession::ReadReports()
{
    Display* d = m_x->display;
    while (XEventsQueued(d, QueuedAfterReading) > 0)
    {
        XEvent event;
        XNextEvent(d, &event);
        if (!m_x->damage || event.type != m_x->damageEvent + XDamageNotify)
            continue;
        // A frame the game shows covers the whole window; anything smaller
        // is the server uncovering a part of it.
        const XDamageNotifyEvent& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
        if (damage.area.x == 0 && damage.area.y == 0 && damage.area.width == damage.geometry.width &&
            damage.area.height == damage.geometry.height)
            ++m_shown;
    }
}

bool XTestSession::WaitFrames(int frames, Clock::time_point until, const std::function<bool()>& alive)
{
    if (!m_x->damage)
        return false;
    for (;;)
    {
        ReadReports();
        if (g_xErrors)
            return false;
        if (m_shown - m_mark >= frames)
        {
            m_mark = m_shown;
            return true;
        }
        if (Clock::now() > until || !alive())
            return false;
        pollfd p = {ConnectionNumber(m_x->display), POLLIN, 0};
        poll(&p, 1, 50);
    }
}

#else

struct XTestSession::Connection
{
};

XTestSession::XTestSession(const std::string&) : m_x(std::make_unique<Connection>())
{
    m_problem = "built without libXtst and libXdamage";
}
XTestSession::~XTestSession() = default;
bool XTestSession::Watch(const char*, int*, int*)
{
    return false;
}
bool XTestSession::Picture(int*, int*, std::vector<uint32_t>*)
{
    return false;
}
void XTestSession::MoveBy(int, int) {}
void XTestSession::Button(int, bool) {}
bool XTestSession::Key(const char*, bool)
{
    return false;
}
bool XTestSession::WaitFrames(int, Clock::time_point, const std::function<bool()>&)
{
    return false;
}
void XTestSession::Sent() {}
void XTestSession::ReadReports() {}

#endif
