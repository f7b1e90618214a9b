#pragma once
// EDebug: the engine's developer aid. Its main service is the allocation
// tracker: every heap record of the engine is announced under a short tag at
// allocation and released under the same tag, so a listing of the live counts
// shows leaks by name. The tracker works only while the setting "SystemDebug"
// is on. Beside it: 512 timing slots on the engine clock, the render-statistics
// counters with their overlay, and the picked-object overlay.
//
// g_Debug is constant-initialised, so constructors of other globals may
// announce allocations before any dynamic initialisation has run.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <mutex>
#include <string>
#include <vector>

class EDebug
{
public:
    static constexpr int MAX_ALLOCATION_TAGS = 1024;
    // Tags are stored cut to 63 characters.
    static constexpr int ALLOCATION_TAG_SIZE = 64;
    static constexpr int MAX_DEBUG_TIMERS = 512;
    static constexpr int RENDER_STATS_LINES = 10;
    static constexpr int RENDER_STATS_LINE_SIZE = 96;

    constexpr EDebug() = default;
    virtual ~EDebug() = default;

    // Count one allocation under tag (compared without regard to case). A new
    // tag takes the first free slot; with every slot taken it is not counted.
    void AddAllocation(const char* tag);
    // Uncount one; the slot is freed when its count reaches 0. A tag with no
    // live allocation prints "Remove <tag> nie ma odpowiednika!".
    void RemoveAllocation(const char* tag);
    // "*** Current memory allocations:", then "<tag>: <count>" per used slot.
    void PrintAllocations();

    // Slot n = the engine clock's absolute time; nothing for n >= 512.
    void StartTimer(unsigned slot);
    // Absolute time now minus slot n; 0.0 for n >= 512.
    double GetTimerElapsed(unsigned slot);

    // Forgets the picked object (after a world's meshes are loaded).
    void ResetCounters();
    // Zeroes the render-statistics counters (each frame of the statistics).
    void ResetRenderStats();

    // The ten lines of the render-statistics overlay, from the counters.
    void FormatRenderStats(char lines[RENDER_STATS_LINES][RENDER_STATS_LINE_SIZE]) const;
    void DrawRenderStats();
    // Clears the selection mark of the object marked last, then DrawObjectInfo.
    void RefreshObjectInfo();
    // The effect and light counts, then the picked object's block: the mesh
    // or skinned mesh the view's centre meets (40000 units out) is remembered
    // as the pick and marked.
    void DrawObjectInfo();
    void DrawPickedObjectInfo(HOBJECT obj);
    // What the overlay draws, for the checks of it.
    static std::vector<std::string> FormatObjectCounts();
    static std::vector<std::string> FormatPickedObjectInfo(HOBJECT obj);
    // The segment along the view: the mesh or skinned mesh it meets first, or null.
    HOBJECT PickObject();

    // Tracker slots.
    char m_szTags[MAX_ALLOCATION_TAGS][ALLOCATION_TAG_SIZE] = {};
    DWORD m_iCounts[MAX_ALLOCATION_TAGS] = {};
    BYTE m_bUsed[MAX_ALLOCATION_TAGS] = {};

    // The last pick of the object-info overlay.
    float m_vPickedPoint[3] = {};
    HOBJECT m_hPickedObject = nullptr;
    BYTE m_bPickValid = 0;

    double m_fTimers[MAX_DEBUG_TIMERS] = {};
    // While "DebugPerformance" is on, the main loop stores here each frame the
    // time since its measuring timer started, in seconds.
    double m_fMeasuredFrameTime = 0.0;

    // Render statistics of the frame, added to by the mesh drawing code.
    DWORD m_iVisibleMeshPolygons = 0;
    DWORD m_iRenderedMeshPolygons = 0;
    DWORD m_iVisibleMeshShadowPolygons = 0;
    DWORD m_iSwitchedSubsets = 0;
    DWORD m_iSubsetsBelow100 = 0;
    DWORD m_iSubsets100To499 = 0;
    DWORD m_iSubsets500To999 = 0;
    DWORD m_iTechniqueSwitches = 0;

    // The object whose selection mark the object-info overlay set last.
    HOBJECT m_hMarkedObject = nullptr;

private:
    int FindTag(const char* tag) const;
    // Tracker calls may come from the music thread too.
    std::mutex m_Lock;
};

extern EDebug g_Debug;
