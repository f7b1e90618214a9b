#include "platform/win32/WindowRegistry.h"

#include "platform/Backend.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/WindowTimers.h"

#include <SDL.h>

#include <memory>

namespace
{
// Handles start well above zero and step by 16 so that a stale or made-up
// small number is never taken for a window.
constexpr uintptr_t kFirstWindowHandle = 0x10010;
constexpr uintptr_t kWindowHandleStep = 0x10;
constexpr WORD kFirstClassAtom = 0xC000;

std::vector<TkWindowClass> g_classes;
std::vector<std::unique_ptr<TkWindowRecord>> g_windows;
uintptr_t g_nextHandle = kFirstWindowHandle;
WORD g_nextAtom = kFirstClassAtom;
HWND g_focus = nullptr;
} // namespace

const TkWindowClass* TkFindWindowClass(const char* name)
{
    if (!name)
        return nullptr;
    for (const auto& c : g_classes)
        if (TkCompareNames(c.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

const TkWindowClass* TkFindWindowClassByAtom(WORD atom)
{
    for (const auto& c : g_classes)
        if (c.atom == atom)
            return &c;
    return nullptr;
}

WORD TkAddWindowClass(const TkWindowClass& wc)
{
    TkWindowClass added = wc;
    added.atom = g_nextAtom++;
    if (g_nextAtom == 0)
        g_nextAtom = kFirstClassAtom;
    g_classes.push_back(added);
    return added.atom;
}

bool TkRemoveWindowClass(const char* name)
{
    for (auto it = g_classes.begin(); it != g_classes.end(); ++it)
        if (TkCompareNames(it->name.c_str(), name) == 0)
        {
            g_classes.erase(it);
            return true;
        }
    return false;
}

bool TkClassHasWindows(const char* name)
{
    for (const auto& w : g_windows)
        if (TkCompareNames(w->className.c_str(), name) == 0)
            return true;
    return false;
}

TkWindowRecord* TkAddWindowRecord()
{
    auto record = std::make_unique<TkWindowRecord>();
    record->hwnd = reinterpret_cast<HWND>(g_nextHandle);
    g_nextHandle += kWindowHandleStep;
    g_windows.push_back(std::move(record));
    return g_windows.back().get();
}

TkWindowRecord* TkFindWindowRecord(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    for (const auto& w : g_windows)
        if (w->hwnd == hwnd)
            return w.get();
    return nullptr;
}

void TkRemoveWindowRecord(HWND hwnd)
{
    for (auto it = g_windows.begin(); it != g_windows.end(); ++it)
        if ((*it)->hwnd == hwnd)
        {
            g_windows.erase(it);
            break;
        }
    if (g_focus == hwnd)
        g_focus = nullptr;
}

std::vector<HWND> TkAllWindows()
{
    std::vector<HWND> all;
    all.reserve(g_windows.size());
    for (const auto& w : g_windows)
        all.push_back(w->hwnd);
    return all;
}

HWND TkWindowFromSdl(SDL_Window* window)
{
    if (!window)
        return nullptr;
    for (const auto& w : g_windows)
        if (w->sdl == window)
            return w->hwnd;
    return nullptr;
}

HWND TkMainWindow()
{
    return g_windows.empty() ? nullptr : g_windows.front()->hwnd;
}

HWND TkFocusWindow()
{
    return g_focus;
}

HWND TkInputWindow()
{
    return g_focus ? g_focus : TkMainWindow();
}

void TkSetFocusWindow(HWND hwnd)
{
    g_focus = hwnd;
}

void TkResetWindows()
{
    for (const auto& w : g_windows)
    {
        TkReleaseWindowLock(w->lockId);
        TkKillWindowTimers(w->hwnd);
        if (w->sdl)
        {
            TkSetSdlWindow(w->hwnd, nullptr);
            SDL_DestroyWindow(w->sdl);
        }
    }
    g_windows.clear();
    g_classes.clear();
    g_focus = nullptr;
}
