// Modal dialogs: the dialog window, its procedure and the modal loop.
#include "platform/win32/Dialog.h"

#include "platform/Backend.h"
#include "platform/win32/DialogState.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/WindowRegistry.h"

#include <SDL.h>

#include <cstdio>
#include <map>
#include <memory>

namespace tk::dialog
{
namespace
{
const char* const kDialogClass = "#32770";
// Control handles are not windows; their values never meet a window's
// (those step by 16 from 0x10010).
constexpr uintptr_t kFirstControlHandle = 0x20000008;
constexpr uintptr_t kControlHandleStep = 0x10;
// A player's dialog waits this long between looks at the queue.
constexpr Uint32 kIdleWaitMs = 10;

std::map<int, TkDialogTemplate>& Templates()
{
    static std::map<int, TkDialogTemplate> templates;
    return templates;
}

// Open dialogs, the newest last (a dialog may open another).
std::vector<std::unique_ptr<Dialog>>& OpenDialogs()
{
    static std::vector<std::unique_ptr<Dialog>> dialogs;
    return dialogs;
}

uintptr_t g_nextControlHandle = kFirstControlHandle;

bool Inside(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

RECT ComboListRect(const Control& c)
{
    const int rows = static_cast<int>(c.items.size());
    return RECT{c.rect.left, c.rect.bottom, c.rect.right, c.rect.bottom + rows * kComboItemHeight};
}

bool Clickable(const Control& c)
{
    return c.kind != TkControlKind::Text && c.kind != TkControlKind::GroupBox;
}

Control* ControlAt(Dialog& d, int x, int y)
{
    for (Control& c : d.controls)
        if (Clickable(c) && Inside(c.rect, x, y))
            return &c;
    return nullptr;
}

Control* DefaultButton(Dialog& d)
{
    for (Control& c : d.controls)
        if (c.kind == TkControlKind::DefaultButton)
            return &c;
    return FindControl(d, IDOK);
}

void MouseDown(Dialog& d, int x, int y)
{
    if (d.openCombo)
    {
        // The open list takes the click: an entry is chosen, anywhere else
        // only closes it.
        Control* combo = FindControl(d, d.openCombo);
        d.openCombo = 0;
        d.dirty = true;
        if (combo && Inside(ComboListRect(*combo), x, y))
            ChooseItem(d, *combo, (y - combo->rect.bottom) / kComboItemHeight);
        return;
    }
    Control* c = ControlAt(d, x, y);
    if (!c || !c->enabled)
        return;
    if (c->kind == TkControlKind::ComboBox)
    {
        if (!c->items.empty())
            d.openCombo = c->id;
    }
    else
        d.pressed = c->id;
    d.dirty = true;
}

void MouseUp(Dialog& d, int x, int y)
{
    const int pressed = d.pressed;
    d.pressed = 0;
    d.dirty = true;
    Control* c = pressed ? FindControl(d, pressed) : nullptr;
    if (c && Inside(c->rect, x, y))
        ClickControl(d, *c);
}

void KeyDown(Dialog& d, WPARAM key)
{
    if (key == VK_RETURN)
    {
        if (Control* c = DefaultButton(d))
            ClickControl(d, *c);
    }
    else if (key == VK_ESCAPE)
    {
        if (d.openCombo)
        {
            d.openCombo = 0;
            d.dirty = true;
        }
        else
            SendCommand(d, IDCANCEL, BN_CLICKED, nullptr);
    }
}

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* d = FindDialog(hwnd);
    if (!d)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    // The procedure sees every message first, as under the system's dialog manager.
    if (d->proc && message != WM_INITDIALOG && d->proc(hwnd, message, wParam, lParam))
        return 0;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message)
    {
    case WM_LBUTTONDOWN:
        MouseDown(*d, x, y);
        break;
    case WM_LBUTTONUP:
        MouseUp(*d, x, y);
        break;
    case WM_KEYDOWN:
        KeyDown(*d, wParam);
        break;
    case WM_CLOSE:
        SendCommand(*d, IDCANCEL, BN_CLICKED, nullptr);
        break;
    default:
        break;
    }
    return 0;
}

void RegisterDialogClass()
{
    if (TkFindWindowClass(kDialogClass))
        return;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DialogWindowProc;
    wc.lpszClassName = kDialogClass;
    RegisterClassExA(&wc);
}

std::unique_ptr<Dialog> MakeDialog(int resource, const TkDialogTemplate& t, DLGPROC proc)
{
    auto d = std::make_unique<Dialog>();
    d->resource = resource;
    d->proc = proc;
    d->width = t.width;
    d->height = t.height;
    for (const TkControlTemplate& ct : t.controls)
    {
        Control c;
        c.id = ct.id;
        c.kind = ct.kind;
        c.text = ct.text ? ct.text : "";
        c.rect = RECT{ct.x, ct.y, ct.x + ct.width, ct.y + ct.height};
        c.groupStart = ct.groupStart;
        c.handle = reinterpret_cast<HWND>(g_nextControlHandle);
        g_nextControlHandle += kControlHandleStep;
        d->controls.push_back(std::move(c));
    }
    return d;
}

// On a display the dialog goes over the middle of its parent, or of the
// screen when the parent is smaller; headless at the corner.
POINT Placement(HWND parent, int width, int height)
{
    if (TkIsHeadless())
        return POINT{0, 0};
    RECT r;
    if (parent && GetWindowRect(parent, &r) && r.right - r.left > width && r.bottom - r.top > height)
        return POINT{r.left + (r.right - r.left - width) / 2, r.top + (r.bottom - r.top - height) / 2};
    return POINT{static_cast<LONG>(SDL_WINDOWPOS_CENTERED), static_cast<LONG>(SDL_WINDOWPOS_CENTERED)};
}

enum class Delivered
{
    Nothing,
    Message,
    Quit, // WM_QUIT, posted again for the loop that owns it
};

// Takes the next message, if any, and hands it to its window.
Delivered DeliverOne()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return Delivered::Nothing;
    if (msg.message == WM_QUIT)
    {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return Delivered::Quit;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return Delivered::Message;
}

// Delivers the messages already waiting without starting a frame. False when
// WM_QUIT was among them.
bool DeliverWaiting(Dialog& d)
{
    while (!d.ended && (TkMessageWaiting() || TkQuitPending()))
    {
        const Delivered delivered = DeliverOne();
        if (delivered == Delivered::Quit)
            return false;
        if (delivered == Delivered::Nothing)
            break;
    }
    return true;
}

// One pass of the modal loop. False once the dialog must end without its
// procedure's say (WM_QUIT, or a headless script that never closed it).
bool ModalPass(Dialog& d, bool& pressedDefault)
{
    if (!DeliverWaiting(d))
        return false;
    if (d.ended)
        return true;
    if (PlayNextAction(d))
        return true;
    const bool headless = TkIsHeadless();
    if (headless && !TkScriptHasActionAfter(TkFrameCount(), "dialog"))
    {
        if (!pressedDefault)
        {
            pressedDefault = true;
            Control* c = DefaultButton(d);
            if (c && ClickControl(d, *c))
                return true;
        }
        std::fprintf(stderr, "Dialog %d: the scripted choices did not close it; closing it\n", d.resource);
        return false;
    }
    // Let a frame pass: the event script plays it, a player's events arrive.
    switch (DeliverOne())
    {
    case Delivered::Quit:
        return false;
    case Delivered::Message:
        return true;
    case Delivered::Nothing:
        break;
    }
    if (!headless)
    {
        PresentDialog(d);
        SDL_Delay(kIdleWaitMs);
    }
    return true;
}
} // namespace

Dialog* FindDialog(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    for (auto& d : OpenDialogs())
        if (d->hwnd == hwnd)
            return d.get();
    return nullptr;
}

Control* FindControlByHandle(HWND handle, Dialog** dialog)
{
    if (!handle)
        return nullptr;
    for (auto& d : OpenDialogs())
        for (Control& c : d->controls)
            if (c.handle == handle)
            {
                if (dialog)
                    *dialog = d.get();
                return &c;
            }
    return nullptr;
}

Control* FindControl(Dialog& dialog, int id)
{
    for (Control& c : dialog.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

void SendCommand(Dialog& dialog, int id, WORD notification, HWND control)
{
    if (dialog.proc && !dialog.ended)
        dialog.proc(dialog.hwnd, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control));
}

bool ClickControl(Dialog& d, Control& c)
{
    if (!Clickable(c) || !c.enabled || c.kind == TkControlKind::ComboBox)
        return false;
    if (c.kind == TkControlKind::CheckBox)
        c.checked = !c.checked;
    else if (c.kind == TkControlKind::RadioButton)
    {
        // The group: back to its start, forward to the next start.
        size_t self = static_cast<size_t>(&c - d.controls.data());
        size_t first = self;
        while (first > 0 && !d.controls[first].groupStart)
            --first;
        for (size_t i = first; i < d.controls.size() && (i == first || !d.controls[i].groupStart); ++i)
            if (d.controls[i].kind == TkControlKind::RadioButton)
                d.controls[i].checked = i == self;
    }
    d.dirty = true;
    SendCommand(d, c.id, BN_CLICKED, c.handle);
    return true;
}

bool ChooseItem(Dialog& d, Control& c, int index)
{
    if (c.kind != TkControlKind::ComboBox || !c.enabled || index < 0 ||
        index >= static_cast<int>(c.items.size()))
        return false;
    c.selection = index;
    d.dirty = true;
    SendCommand(d, c.id, CBN_SELCHANGE, c.handle);
    return true;
}
} // namespace tk::dialog

using namespace tk::dialog;

void TkRegisterDialogTemplate(int resource, const TkDialogTemplate& dialogTemplate)
{
    Templates()[resource] = dialogTemplate;
}

void TkUnregisterDialogTemplate(int resource)
{
    Templates().erase(resource);
}

bool TkHasDialogTemplate(int resource)
{
    return Templates().count(resource) != 0;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam)
{
    const uintptr_t name = reinterpret_cast<uintptr_t>(templateName);
    const int resource = (name >> 16) == 0 ? static_cast<int>(name) : 0;
    auto found = Templates().find(resource);
    if (!resource || found == Templates().end() || !proc)
    {
        std::fprintf(stderr, "DialogBoxParamA: no dialog resource %d\n", resource);
        return -1;
    }
    RegisterDialogClass();
    const TkDialogTemplate& t = found->second;
    const POINT at = Placement(parent, t.width, t.height);
    HWND hwnd =
        CreateWindowExA(0, kDialogClass, t.caption ? t.caption : "", WS_POPUP | WS_CAPTION | WS_SYSMENU, at.x,
                        at.y, t.width, t.height, parent, nullptr, nullptr, nullptr);
    if (!hwnd)
        return -1;
    OpenDialogs().push_back(MakeDialog(resource, t, proc));
    Dialog* d = OpenDialogs().back().get();
    d->hwnd = hwnd;

    const HWND previousFocus = GetFocus();
    proc(hwnd, WM_INITDIALOG, 0, initParam);
    if (!d->ended)
    {
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
    bool pressedDefault = false;
    while (!d->ended)
        if (!ModalPass(*d, pressedDefault))
        {
            d->ended = true;
            d->result = IDCANCEL;
        }
    const INT_PTR result = d->result;

    auto& open = OpenDialogs();
    for (auto it = open.begin(); it != open.end(); ++it)
        if (it->get() == d)
        {
            open.erase(it);
            break;
        }
    DestroyWindow(hwnd);
    if (previousFocus && IsWindow(previousFocus))
        SetFocus(previousFocus);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    Dialog* d = FindDialog(dialog);
    if (!d)
        return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

HWND TkOpenDialog()
{
    auto& open = OpenDialogs();
    return open.empty() ? nullptr : open.back()->hwnd;
}

int TkDialogResource(HWND dialog)
{
    Dialog* d = FindDialog(dialog);
    return d ? d->resource : 0;
}
