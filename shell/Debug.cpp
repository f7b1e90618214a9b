// STAND-IN: see Debug.h.
#include "shell/Debug.h"

EDebug g_Debug;

void EDebug::AddAllocation(const char*) {}
void EDebug::RemoveAllocation(const char*) {}
void EDebug::PrintAllocations() {}
void EDebug::StartTimer(unsigned) {}
double EDebug::GetTimerElapsed(unsigned) { return 0.0; }
void EDebug::ResetCounters() {}
void EDebug::DrawRenderStats() {}
