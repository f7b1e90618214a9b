#pragma once
// Controls of the headless backend for tests (and the frame counter, which both
// backends keep). Headless, the clocks (QueryPerformanceCounter, timeGetTime,
// GetTickCount, window timers) read a virtual clock that starts at 0 and moves
// only by frames, by Sleep on the main thread, and by these calls.
//
// Environment, read when first needed and again after TkHeadlessReset:
//   TK_FRAME_MS  the frame step in milliseconds (default 1000/60)
//   TK_FRAMES    run this many frames, then WM_QUIT (default: no limit)
//   TK_SCRIPT    the event script played at its frames (see EventScript.h)
//   TK_CLOCK     "frames": with a window too, the clocks read the virtual clock
//                that frames move (a window run that must see the times of a
//                headless one, frame for frame)

#include "platform/win32/WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// Whether the clocks read the virtual clock: always headless, and in a window
// with TK_CLOCK=frames.
bool TkVirtualClock();

// The virtual clock, in milliseconds (held to the nanosecond).
double TkHeadlessClockMs();
void TkHeadlessSetClockMs(double ms);
void TkHeadlessAdvanceClockMs(double ms);
// The step each frame adds to the virtual clock.
void TkHeadlessSetFrameStepMs(double ms);
double TkHeadlessFrameStepMs();
// Without a high-resolution counter QueryPerformanceFrequency and
// QueryPerformanceCounter answer FALSE and callers fall back to timeGetTime.
void TkHeadlessSetHighResolutionCounter(bool available);

// Frames run so far (idle passes of the main loop); both backends count them.
uint32_t TkFrameCount();
// After this many frames the next idle pass posts WM_QUIT (0: no limit).
void TkSetFrameLimit(uint32_t frames);

// Message boxes shown so far (headless prints each as one stderr line).
struct TkMessageBoxRecord
{
    std::string caption;
    std::string text;
    UINT type;
};
const std::vector<TkMessageBoxRecord>& TkHeadlessMessageBoxes();

// Back to the state of a fresh process: no windows, classes, timers, queued
// messages, input, script, message boxes or open mutexes; frame 0; clock 0;
// the environment read again when next needed.
void TkHeadlessReset();

// Used by the frame loop: one frame step on the virtual clock.
void TkHeadlessAdvanceFrameClock();
// Used by MessageBoxA.
void TkRecordMessageBox(const char* caption, const char* text, UINT type);
