#pragma once
// EDebug: the allocation tracker, timing slots and debug overlays.
// STAND-IN: declarations only, with empty bodies; the allocation-tracker work
// replaces this file and Debug.cpp.

class EDebug
{
public:
    virtual ~EDebug() = default;
    void AddAllocation(const char* tag);
    void RemoveAllocation(const char* tag);
    void PrintAllocations();
    void StartTimer(unsigned slot);
    double GetTimerElapsed(unsigned slot);
    void ResetCounters();
    void DrawRenderStats();
};

extern EDebug g_Debug;
