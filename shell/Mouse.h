#pragma once
// EMouse: the buffered DirectInput mouse, polled on the 10 ms window timer it
// starts. The poll turns the buffered events into the mouse state: the view's
// turn and pitch, the wheel, and the buttons, which it also writes into the
// key-state table of the key commands as codes 256 to 258.

#include "platform/win32/WinTypes.h"

struct IDirectInputDevice8;

// The mouse state (88 bytes), also kept by the fly-through camera and the
// save manager.
struct EMouseState
{
    static constexpr int BUTTONS = 4;

    BYTE buttons[BUTTONS] = {};                // 1 while down
    double x = 0.0, y = 0.0, z = 0.0;          // position: turn and pitch in radians, wheel
    double rawX = 0.0, rawY = 0.0, rawZ = 0.0; // sensitivity-scaled counts, never cleared by the poll
    double dx = 0.0, dy = 0.0, dz = 0.0;       // this poll's movement
    double last = 0.005;

    // Clears the buttons, the position and this poll's movement and sets the
    // last value to 0.005; the raw movement stays.
    void Reset();
};

class EMouse
{
public:
    static constexpr DWORD BUFFER_EVENTS = 1024;
    static constexpr UINT_PTR TIMER_ID = 1;
    static constexpr UINT TIMER_MS = 10;
    // Acquire is asked again at most this often per poll after a failed read.
    static constexpr int ACQUIRE_TRIES = 8;
    // The pitch is held within this many radians of level (88 degrees, at
    // float precision) while playing.
    static constexpr double PITCH_LIMIT = 1.5358898639678955;
    // Before this level frame the buttons are dropped, before the second the
    // movement (while playing).
    static constexpr DWORD BUTTONS_FROM_LEVEL_FRAME = 150;
    static constexpr DWORD MOVEMENT_FROM_LEVEL_FRAME = 200;
    // After the letterbox view the pitch is held at 0 this many game frames.
    static constexpr DWORD LEVEL_PITCH_FRAMES = 5;
    static constexpr float MIN_SENSITIVITY = 0.01f;

    virtual ~EMouse();
    // Creates and acquires the mouse (window, foreground, exclusive, a buffer
    // of 1024 events) and starts the 10 ms timer; false when the device could
    // not be made (the timer runs all the same: it also reads the keyboard).
    bool Create(HWND hwnd);
    void Release();
    // On each WM_TIMER.
    void Poll();
    // Around a device loss.
    void SaveState();
    void RestoreState();

    IDirectInputDevice8* m_pDevice = nullptr;
    HWND m_hWnd = nullptr;
    EMouseState m_State;
    EMouseState m_SavedState;
    BYTE m_bCreated = 0;

private:
    void Reacquire();
    double ZoomDivisor() const;

    BYTE m_bToldAcquire = 0;
};

extern EMouse g_Mouse;
