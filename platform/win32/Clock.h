#pragma once
// The layer's one clock, in nanoseconds: the virtual clock when headless, the
// monotonic clock with SDL. Timers, message times and the Win32 clocks read it.

#include <cstdint>

int64_t TkClockNs();
bool TkHighResolutionCounterAvailable();

// The virtual clock itself (Headless.h has the millisecond controls for tests).
int64_t TkHeadlessClockNs();
void TkHeadlessAdvanceClockNs(int64_t ns);
