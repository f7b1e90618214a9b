#pragma once
// Modal dialogs of the window: a dialog resource (a template registered by the
// code that owns it, as a resource script would hold it) is shown with a
// dialog procedure that gets WM_INITDIALOG and WM_COMMAND, and its controls
// are driven by identifier: static texts, push buttons, check boxes, radio
// buttons and drop-down combo boxes.
//
// With a display the dialog is a window of its own, drawn by the layer and
// used with the mouse (Enter presses the default button, Escape and the close
// box send IDCANCEL). Headless nobody is there to click, so the dialog runs
// a scripted list of choices and then presses its default button:
//   - TK_DIALOG_SCRIPT, read when the first dialog opens: choices separated by
//     ';' or ',': "click ID" (or just "ID"), "select ID INDEX" (a combo entry),
//     "close" (the close box: IDCANCEL);
//   - the event script's verbs "dialog click ID", "dialog select ID INDEX" and
//     "dialog close",
//     played at their frames: while such lines are still ahead, a dialog lets
//     frames pass (one per idle pass, as the main loop would);
//   - tests: TkQueueDialogAction.
// Scripted choices are taken in both backends before the player's.

#include "platform/win32/Win32.h"

#include <cstdint>
#include <string>
#include <vector>

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// ---- Notifications and control messages -------------------------------------
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E

// ---- Dialog calls ---------------------------------------------------------------
// Shows the dialog resource modally over `parent` and returns what EndDialog
// was given; -1 when there is no such resource or no window could be made.
// When WM_QUIT arrives meanwhile the dialog ends with IDCANCEL without telling
// its procedure, and the quit message is posted again.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam);
#define DialogBoxA(instance, templateName, parent, proc)                                                     \
    DialogBoxParamA(instance, templateName, parent, proc, 0)
BOOL EndDialog(HWND dialog, INT_PTR result);

// Control handles answer only the calls below; they are not windows.
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int max);
// Combo boxes take the CB_* messages; buttons BM_GETCHECK and BM_SETCHECK.
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and clears the other radio buttons from `first` to `last`.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
// Controls only: a disabled control is greyed and takes no clicks.
BOOL EnableWindow(HWND control, BOOL enable);
BOOL IsWindowEnabled(HWND control);

// ---- Dialog resources ---------------------------------------------------------------
enum class TkControlKind
{
    Text,          // static text
    Button,        // push button
    DefaultButton, // the push button Enter (and, headless, the end of the script) presses
    CheckBox,      // toggles when clicked
    RadioButton,   // checked when clicked; clears the others of its group
    ComboBox,      // a drop-down list
    GroupBox,      // a frame with a caption
};

struct TkControlTemplate
{
    int id;
    TkControlKind kind;
    const char* text;
    int x, y, width, height; // pixels in the dialog's client area
    bool groupStart;         // a radio group runs from here to the next group start
};

struct TkDialogTemplate
{
    const char* caption;
    int width, height;
    std::vector<TkControlTemplate> controls;
};

void TkRegisterDialogTemplate(int resource, const TkDialogTemplate& dialogTemplate);
// Forgets a template (a test's own; the game's stay for the life of the process).
void TkUnregisterDialogTemplate(int resource);
bool TkHasDialogTemplate(int resource);

// ---- Scripted choices ---------------------------------------------------------------
// Adds "click ID" (or "ID"), "select ID INDEX" or "close" to the choices still
// to come; false (nothing added) when the text is none of these.
bool TkQueueDialogAction(const std::string& action);
size_t TkPendingDialogActions();
void TkClearDialogActions();
// The dialog being shown, or null.
HWND TkOpenDialog();
// The resource number of a dialog window; 0 for anything else.
int TkDialogResource(HWND dialog);
// Choices dropped; TK_DIALOG_SCRIPT is read again when the next dialog opens.
void TkResetDialogs();

// ---- Drawing ----------------------------------------------------------------------------
// The dialog as it looks now, 32-bit A8R8G8B8 rows of its client width
// (texts are left out when the system has no font); false for anything but
// an open dialog.
bool TkRenderDialog(HWND dialog, std::vector<uint32_t>& pixels, int& width, int& height);
