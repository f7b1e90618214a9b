// EDebug: see Debug.h.
#include "shell/Debug.h"

#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "shell/Timer.h"

#include <cstdio>
#include <cstring>

constinit EDebug g_Debug;

namespace
{
char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A stored tag is the announced one cut to 63 characters, so a tag matches
// when its first 63 characters equal the stored ones; comparing whole would
// make a long tag never match its own slot.
bool SameTag(const char* stored, const char* tag)
{
    for (int i = 0; i < EDebug::ALLOCATION_TAG_SIZE - 1; ++i)
    {
        if (Fold(stored[i]) != Fold(tag[i]))
            return false;
        if (tag[i] == 0)
            return true;
    }
    return true;
}

// One overlay line in TrueType font 0: first in black 2 x scale-x pixels right
// and down, then in 0xFFFFFFD0 at (x, y). The font current before stays current.
void DrawShadowedLine(float x, float y, const char* text)
{
    const int previous = g_TTFontMgr.m_iCurrent;
    g_TTFontMgr.SetCurrentFont(0);
    const float shadow = 2.0f * g_Options.fScreenScaleX;
    g_TTFontMgr.DrawText(text, x + shadow, y + shadow, 0xFF000000, 0, 0);
    g_TTFontMgr.DrawText(text, x, y, 0xFFFFFFD0, 0, 0);
    g_TTFontMgr.SetCurrentFont(previous);
}
} // namespace

int EDebug::FindTag(const char* tag) const
{
    for (int i = 0; i < MAX_ALLOCATION_TAGS; ++i)
        if (m_bUsed[i] && SameTag(m_szTags[i], tag))
            return i;
    return -1;
}

void EDebug::AddAllocation(const char* tag)
{
    if (!g_Options.SystemDebug || !tag)
        return;
    std::lock_guard<std::mutex> lock(m_Lock);
    const int found = FindTag(tag);
    if (found >= 0)
    {
        ++m_iCounts[found];
        return;
    }
    for (int i = 0; i < MAX_ALLOCATION_TAGS; ++i)
    {
        if (m_bUsed[i])
            continue;
        std::snprintf(m_szTags[i], ALLOCATION_TAG_SIZE, "%s", tag);
        m_bUsed[i] = 1;
        m_iCounts[i] = 1;
        return;
    }
    // Every slot is taken by another tag: the allocation goes uncounted.
}

void EDebug::RemoveAllocation(const char* tag)
{
    if (!g_Options.SystemDebug || !tag)
        return;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        const int found = FindTag(tag);
        if (found >= 0)
        {
            if (--m_iCounts[found] == 0)
            {
                m_bUsed[found] = 0;
                m_szTags[found][0] = 0;
            }
            return;
        }
    }
    g_Console.Print3("Remove ", tag, " nie ma odpowiednika!");
}

void EDebug::PrintAllocations()
{
    if (!g_Options.SystemDebug)
        return;
    g_Console.Print("*** Current memory allocations:");
    std::lock_guard<std::mutex> lock(m_Lock);
    for (int i = 0; i < MAX_ALLOCATION_TAGS; ++i)
    {
        if (!m_bUsed[i])
            continue;
        char line[ALLOCATION_TAG_SIZE + 16];
        std::snprintf(line, sizeof line, "%s: %i", m_szTags[i], static_cast<int>(m_iCounts[i]));
        g_Console.Print(line);
    }
}

void EDebug::StartTimer(unsigned slot)
{
    if (slot < MAX_DEBUG_TIMERS)
        m_fTimers[slot] = Timer(TIMER_GETABSOLUTETIME);
}

double EDebug::GetTimerElapsed(unsigned slot)
{
    if (slot >= MAX_DEBUG_TIMERS)
        return 0.0;
    return Timer(TIMER_GETABSOLUTETIME) - m_fTimers[slot];
}

void EDebug::ResetCounters()
{
    m_hPickedObject = nullptr;
    m_bPickValid = 0;
}

void EDebug::ResetRenderStats()
{
    m_iVisibleMeshPolygons = 0;
    m_iRenderedMeshPolygons = 0;
    m_iVisibleMeshShadowPolygons = 0;
    m_iSwitchedSubsets = 0;
    m_iSubsetsBelow100 = 0;
    m_iSubsets100To499 = 0;
    m_iSubsets500To999 = 0;
    m_iTechniqueSwitches = 0;
}

void EDebug::FormatRenderStats(char lines[RENDER_STATS_LINES][RENDER_STATS_LINE_SIZE]) const
{
    const long long subsets = m_iSwitchedSubsets;
    // With no subsets switched there is nothing to divide by: show 0.
    auto percent = [subsets](long long count)
    { return subsets ? static_cast<int>(count * 100 / subsets) : 0; };
    const long long big = subsets - m_iSubsetsBelow100 - m_iSubsets100To499 - m_iSubsets500To999;
    const int n = RENDER_STATS_LINE_SIZE;
    std::snprintf(lines[0], n, "Visible mesh polygons: %i", static_cast<int>(m_iVisibleMeshPolygons));
    std::snprintf(lines[1], n, "Rendered mesh polygons: %i", static_cast<int>(m_iRenderedMeshPolygons));
    std::snprintf(lines[2], n, "Visible mesh shadow polygons: %i",
                  static_cast<int>(m_iVisibleMeshShadowPolygons));
    std::snprintf(lines[3], n, "Switched subsets: %i", static_cast<int>(m_iSwitchedSubsets));
    std::snprintf(lines[4], n, "Average faces per subset: %i",
                  subsets ? static_cast<int>(m_iRenderedMeshPolygons / subsets) : 0);
    std::snprintf(lines[5], n, "Subsets with less than 100 faces: %i (%i%%)",
                  static_cast<int>(m_iSubsetsBelow100), percent(m_iSubsetsBelow100));
    std::snprintf(lines[6], n, "Subsets 100-499 faces: %i (%i%%)", static_cast<int>(m_iSubsets100To499),
                  percent(m_iSubsets100To499));
    std::snprintf(lines[7], n, "Subsets 500-999 faces: %i (%i%%)", static_cast<int>(m_iSubsets500To999),
                  percent(m_iSubsets500To999));
    std::snprintf(lines[8], n, "Subsets 1000 faces and above: %i (%i%%)", static_cast<int>(big),
                  percent(big));
    std::snprintf(lines[9], n, "Technique switches: %i", static_cast<int>(m_iTechniqueSwitches));
}

void EDebug::DrawRenderStats()
{
    char lines[RENDER_STATS_LINES][RENDER_STATS_LINE_SIZE];
    FormatRenderStats(lines);
    const float x = 504.0f * g_Options.fScreenScaleX;
    for (int i = 0; i < RENDER_STATS_LINES; ++i)
        DrawShadowedLine(x, (390.0f + 20.0f * i) * g_Options.fScreenScaleY, lines[i]);
}

void EDebug::RefreshObjectInfo()
{
    // STAND-IN: clearing the marked object's selection mark needs the scene
    // object record; the scene-object work clears it here before forgetting it.
    m_hMarkedObject = nullptr;
    DrawObjectInfo();
}

void EDebug::DrawObjectInfo()
{
    // STAND-IN: the overlay needs the particle system's drawn-effect count, the
    // light slots of the object table, the camera and the scene segment query.
    // The scene-object and renderer work fill it in: "Total FX rendered: %i"
    // and "Total lights rendered: %i" at (520, 260) scaled, then a segment of
    // 40000 units along the view; a hit on a mesh or skinned mesh is shown by
    // DrawPickedObjectInfo and remembered as the pick.
}

void EDebug::DrawPickedObjectInfo(HOBJECT obj)
{
    if (!obj)
        return;
    // STAND-IN: the text block ("Name: %s (radius == %i)" and the light lines)
    // and setting the object's selection mark come with the scene-object work.
    m_hMarkedObject = obj;
}
