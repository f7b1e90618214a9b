// The control calls of dialogs: texts, check marks, enabling and combo boxes.
#include "platform/win32/Dialog.h"

#include "platform/win32/DialogState.h"

#include <cstring>

using namespace tk::dialog;

namespace
{
Control* Find(HWND dialog, int id, Dialog** owner = nullptr)
{
    Dialog* d = FindDialog(dialog);
    if (!d)
        return nullptr;
    if (owner)
        *owner = d;
    return FindControl(*d, id);
}

bool IsButton(const Control& c)
{
    return c.kind == TkControlKind::CheckBox || c.kind == TkControlKind::RadioButton;
}

// Copies at most max - 1 characters and the terminator; the count copied.
UINT CopyText(const std::string& text, LPSTR out, int max)
{
    if (!out || max <= 0)
        return 0;
    const size_t n = text.size() < static_cast<size_t>(max - 1) ? text.size() : static_cast<size_t>(max - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return static_cast<UINT>(n);
}

LRESULT ComboMessage(Dialog& d, Control& c, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int count = static_cast<int>(c.items.size());
    const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (message)
    {
    case CB_ADDSTRING:
    {
        const char* text = reinterpret_cast<const char*>(lParam);
        c.items.emplace_back(text ? text : "");
        d.dirty = true;
        return count;
    }
    case CB_RESETCONTENT:
        c.items.clear();
        c.selection = CB_ERR;
        if (d.openCombo == c.id)
            d.openCombo = 0;
        d.dirty = true;
        return 0;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return c.selection;
    case CB_SETCURSEL:
        // An index outside the list clears the selection and answers CB_ERR.
        d.dirty = true;
        if (index < 0 || index >= count)
        {
            c.selection = CB_ERR;
            return CB_ERR;
        }
        c.selection = index;
        return index;
    case CB_GETLBTEXTLEN:
        return index >= 0 && index < count ? static_cast<LRESULT>(c.items[static_cast<size_t>(index)].size())
                                           : CB_ERR;
    case CB_GETLBTEXT:
    {
        // As on Windows the buffer must hold the whole entry.
        if (index < 0 || index >= count || !lParam)
            return CB_ERR;
        const std::string& item = c.items[static_cast<size_t>(index)];
        std::memcpy(reinterpret_cast<char*>(lParam), item.c_str(), item.size() + 1);
        return static_cast<LRESULT>(item.size());
    }
    default:
        return 0;
    }
}
} // namespace

HWND GetDlgItem(HWND dialog, int id)
{
    Control* c = Find(dialog, id);
    return c ? c->handle : nullptr;
}

int GetDlgCtrlID(HWND control)
{
    Control* c = FindControlByHandle(control, nullptr);
    return c ? c->id : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    Dialog* d = nullptr;
    Control* c = Find(dialog, id, &d);
    if (!c)
        return FALSE;
    c->text = text ? text : "";
    d->dirty = true;
    return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int max)
{
    Control* c = Find(dialog, id);
    if (!c)
    {
        CopyText(std::string(), text, max);
        return 0;
    }
    return CopyText(c->text, text, max);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* d = nullptr;
    Control* c = Find(dialog, id, &d);
    if (!c)
        return 0;
    if (c->kind == TkControlKind::ComboBox)
        return ComboMessage(*d, *c, message, wParam, lParam);
    if (IsButton(*c) && message == BM_GETCHECK)
        return c->checked ? BST_CHECKED : BST_UNCHECKED;
    if (IsButton(*c) && message == BM_SETCHECK)
    {
        c->checked = wParam == BST_CHECKED;
        d->dirty = true;
    }
    return 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    Dialog* d = nullptr;
    Control* c = Find(dialog, id, &d);
    if (!c || !IsButton(*c))
        return FALSE;
    c->checked = check == BST_CHECKED;
    d->dirty = true;
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    Control* c = Find(dialog, id);
    return c && IsButton(*c) && c->checked ? BST_CHECKED : BST_UNCHECKED;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check)
{
    Dialog* d = FindDialog(dialog);
    if (!d || first > last || check < first || check > last)
        return FALSE;
    for (Control& c : d->controls)
        if (c.id >= first && c.id <= last && IsButton(c))
            c.checked = c.id == check;
    d->dirty = true;
    return TRUE;
}

BOOL EnableWindow(HWND control, BOOL enable)
{
    Dialog* d = nullptr;
    Control* c = FindControlByHandle(control, &d);
    if (!c)
        return FALSE;
    // Answers whether it was disabled before, as Windows does.
    const BOOL wasDisabled = c->enabled ? FALSE : TRUE;
    c->enabled = enable != FALSE;
    if (!c->enabled && d->openCombo == c->id)
        d->openCombo = 0;
    d->dirty = true;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND control)
{
    Control* c = FindControlByHandle(control, nullptr);
    return c && c->enabled ? TRUE : FALSE;
}
