#pragma once
// What tests can inject into the DirectInput layer beyond the input itself
// (which they inject through platform/win32/Input.h like every other source).

#include "platform/dinput/DInput.h"

// Every acquired device loses acquisition, as when the system takes the input
// away: its next read answers DIERR_INPUTLOST.
void TkDInputLoseDevices();
// The next `count` Acquire calls answer `result` without acquiring (a count
// below 0: every call until reset).
void TkDInputForceAcquireResult(HRESULT result, int count);
// Acquire calls made since the last reset, forced ones included.
unsigned TkDInputAcquireCalls();
// Devices that exist (created and not yet released).
unsigned TkDInputLiveDevices();
// Back to the defaults: nothing forced, the count at 0.
void TkDInputResetHeadless();
