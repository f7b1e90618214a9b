#pragma once
// The dialogs of the window layer as its own files see them: each open
// dialog's controls and state, shared by the dialog calls, the modal loop,
// the scripted choices and the drawing.

#include "platform/win32/Dialog.h"

#include <string>
#include <vector>

namespace tk::dialog
{
struct Control
{
    int id = 0;
    TkControlKind kind = TkControlKind::Text;
    std::string text;
    RECT rect = {0, 0, 0, 0};
    bool groupStart = false;
    HWND handle = nullptr;
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> items; // combo boxes
    int selection = CB_ERR;         // combo boxes
};

struct Dialog
{
    HWND hwnd = nullptr;
    int resource = 0;
    DLGPROC proc = nullptr;
    int width = 0;
    int height = 0;
    std::vector<Control> controls;
    bool ended = false;
    INT_PTR result = 0;
    int openCombo = 0; // the id of the combo whose list is down, 0 for none
    int pressed = 0;   // the id of the button held down by the mouse
    bool dirty = true; // to be drawn again
};

// Combo lists show this many pixels per entry below their box.
constexpr int kComboItemHeight = 18;

Dialog* FindDialog(HWND hwnd);
// The control and its dialog for a control handle.
Control* FindControlByHandle(HWND handle, Dialog** dialog);
Control* FindControl(Dialog& dialog, int id);

// A click as the player makes it: check boxes toggle, radio buttons take the
// check from their group, then the procedure gets WM_COMMAND with BN_CLICKED.
// Disabled controls and texts take no clicks (false).
bool ClickControl(Dialog& dialog, Control& control);
// A combo entry chosen from the list: selection, then CBN_SELCHANGE.
bool ChooseItem(Dialog& dialog, Control& control, int index);
// What the procedure would get from the system for a command.
void SendCommand(Dialog& dialog, int id, WORD notification, HWND control);

// The next scripted choice, if any, played on the dialog: true when one was taken.
bool PlayNextAction(Dialog& dialog);

// Draws the dialog when it changed (a display only).
void PresentDialog(Dialog& dialog);
} // namespace tk::dialog
