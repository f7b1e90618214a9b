#pragma once
// The engine clock: one call with a command, on the high-resolution counter
// (or the millisecond clock when there is none).

enum TIMER_COMMAND
{
    TIMER_RESET = 0,           // base and last-query time become now; the clock runs
    TIMER_START = 1,           // resume after a stop
    TIMER_STOP = 2,            // freeze "now" at the stop time
    TIMER_ADVANCE = 3,         // move the stop time on by a tenth of a second
    TIMER_GETABSOLUTETIME = 4, // the counter now, in seconds (runs even while stopped)
    TIMER_GETAPPTIME = 5,      // seconds since the base, less the stopped intervals
    TIMER_GETELAPSEDTIME = 6,  // seconds since the previous command 6
};

double Timer(int command);
// Forget the clock's state so the next call initialises it again (tests).
void TimerForgetState();
