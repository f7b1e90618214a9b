#pragma once
// Frames of the main loop. A frame is one idle pass: a look at the whole queue
// (PeekMessageA without filter) that finds nothing to deliver. Each new idle
// pass advances the headless clock by one frame step, counts the frame, plays
// that frame's script actions and, past the frame limit, posts WM_QUIT.

#include <cstdint>

// One idle pass; true when it left messages (or due timers) to deliver first.
// Once those are taken the next empty look is the same frame's idle pass.
bool TkIdlePass();
void TkResetFrames();
