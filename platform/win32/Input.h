#pragma once
// The one way keyboard and mouse input enters the game. SDL events and the
// event script (and tests) both call the injectors; each injector posts the
// window messages Windows would (to the focus window, else the main window)
// and keeps the state the DirectInput layer reads:
//   - the keyboard: which keys are down, by virtual key and by scan code
//     (TkGetKeyboardState gives the 256 bytes of a DirectInput keyboard);
//   - the mouse: a queue of raw events (movement counts, wheel, buttons) in
//     the order they happened, as a buffered DirectInput mouse reports them.
// Nothing but these injectors changes that state, so a scripted run and a
// player at the keyboard look the same to the game.

#include "platform/win32/WinTypes.h"

#include <cstddef>

// ---- Injection --------------------------------------------------------------
// A key by virtual key (VK_LSHIFT, 'A', VK_F1, ...), with its usual scan code.
void TkInjectKey(int vk, bool down);
// A key by virtual key and scan code (numeric-pad Enter is VK_RETURN, 0x9C).
void TkInjectKeyScan(int vk, int scan, bool down);
// Typed text, UTF-8: one WM_CHAR per character (characters beyond Latin-1 are
// dropped, as the game's text is single-byte).
void TkInjectText(const char* utf8);
// Typed text as key strokes: for each character the key a US keyboard types it
// with is pressed and let go (Shift held around it where needed), so the key
// messages reach a window that reads keys rather than characters (the
// console). Characters no key types are skipped.
void TkInjectKeyStrokes(const char* text);
// Relative mouse movement in counts; the message cursor moves with it, held
// inside the input window's client area.
void TkInjectMouseMove(int dx, int dy);
// As TkInjectMouseMove, with the cursor placed at (x, y) in the client area
// (SDL reports both).
void TkInjectMouseMoveTo(int x, int y, int dx, int dy);
// Buttons 0 left, 1 right, 2 middle, 3 fourth (no message, state only).
void TkInjectMouseButton(int button, bool down);
// Wheel movement in notches (positive away from the player); messages and
// raw events carry WHEEL_DELTA (120) per notch.
void TkInjectMouseWheel(int notches);
// All keys and buttons up without messages (the window lost the focus).
void TkReleaseAllInput();

// ---- State for the DirectInput layer ------------------------------------------
constexpr int kMouseButtonCount = 4;
// The raw mouse queue holds as many events as a DirectInput mouse buffer.
constexpr size_t kMouseEventCapacity = 1024;

enum class TkMouseEventKind
{
    MoveX,  // value: counts
    MoveY,  // value: counts, positive towards the player (down the screen)
    Wheel,  // value: WHEEL_DELTA per notch
    Button, // button: 0..3; value: 0x80 pressed, 0 released
};

struct TkMouseEvent
{
    TkMouseEventKind kind;
    int button;
    int value;
    DWORD timeMs;   // timeGetTime when it happened
    DWORD sequence; // rising number, one per event
};

bool TkIsVirtualKeyDown(int vk);
bool TkIsScanKeyDown(int scan);
// 256 bytes indexed by scan code, 0x80 while down.
void TkGetKeyboardState(BYTE state[256]);
bool TkIsMouseButtonDown(int button);
// Takes up to `max` events, oldest first; returns how many.
size_t TkReadMouseEvents(TkMouseEvent* out, size_t max);
size_t TkPendingMouseEvents();
// True when events were lost because the queue was full (cleared by a read).
bool TkMouseEventsOverflowed();
// Drops waiting events (a device being acquired starts with an empty buffer).
void TkFlushMouseEvents();
// The cursor position in the input window's client area (stamped on messages).
POINT TkGetCursorPosition();

// Everything back to rest: keys and buttons up, no events, cursor at 0, 0.
void TkResetInput();
