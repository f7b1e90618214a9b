// EDebug: see Debug.h.
#include "shell/Debug.h"

#include "environment/FxMgr.h"
#include "mesh/Mesh.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "shell/Timer.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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
    if (m_hMarkedObject && m_hMarkedObject->bUsed)
        m_hMarkedObject->bSelected = 0;
    m_hMarkedObject = nullptr;
    DrawObjectInfo();
}

std::vector<std::string> EDebug::FormatObjectCounts()
{
    int lights = 0;
    for (int i = FIRST_LIGHT_SLOT; i < NAMED_OBJECT_SLOTS; ++i)
    {
        const strObject& o = g_Engine.m_Objects[i];
        lights += o.bUsed && o.Type == OT_LIGHT && o.bDrawn;
    }
    char line[96];
    std::vector<std::string> lines;
    std::snprintf(line, sizeof line, "Total FX rendered: %i", static_cast<int>(FX.m_iDrawnCount));
    lines.push_back(line);
    std::snprintf(line, sizeof line, "Total lights rendered: %i", lights);
    lines.push_back(line);
    return lines;
}

HOBJECT EDebug::PickObject()
{
    constexpr float kPickLength = 40000.0f;
    const D3DXVECTOR3 from = g_Camera.GetPosition();
    D3DXVECTOR3 forward = g_Camera.GetOrientation().Forward;
    if (D3DXVec3LengthSq(&forward) > 0.0f)
        D3DXVec3Normalize(&forward, &forward);
    const D3DXVECTOR3 to = from + forward * kPickLength;
    RayTestQuery q;
    q.Init();
    q.pFrom = &from.x;
    q.pTo = &to.x;
    q.pfnFilter = RayTestAcceptAll;
    RayTestResult hit;
    m_bPickValid = 0;
    m_hPickedObject = nullptr;
    if (!g_IntersectSegment.Test(&q, &hit) || !hit.pObject ||
        (hit.pObject->Type != OT_MESH && hit.pObject->Type != OT_SKINMESH))
        return nullptr;
    m_hPickedObject = hit.pObject;
    m_vPickedPoint[0] = hit.vPoint.x;
    m_vPickedPoint[1] = hit.vPoint.y;
    m_vPickedPoint[2] = hit.vPoint.z;
    m_bPickValid = 1;
    return hit.pObject;
}

void EDebug::DrawObjectInfo()
{
    const std::vector<std::string> counts = FormatObjectCounts();
    for (size_t i = 0; i < counts.size(); ++i)
        DrawShadowedLine(520.0f * g_Options.fScreenScaleX,
                         (260.0f + 20.0f * static_cast<float>(i)) * g_Options.fScreenScaleY,
                         counts[i].c_str());
    if (HOBJECT picked = PickObject())
        DrawPickedObjectInfo(picked);
}

std::vector<std::string> EDebug::FormatPickedObjectInfo(HOBJECT obj)
{
    std::vector<std::string> lines;
    if (!obj)
        return lines;
    char line[320];
    std::snprintf(line, sizeof line, "Name: %s (radius == %i)", obj->szName, static_cast<int>(obj->fRadius));
    lines.push_back(line);
    int lod = 0, faces = 0;
    if (obj->Type == OT_MESH && obj->Object)
    {
        const EMesh* mesh = static_cast<const EMesh*>(obj->Object);
        lod = mesh->m_iLodLevel;
        for (DWORD s = 0; s < mesh->SubsetSlots(); ++s)
        {
            DWORD f = 0;
            if (mesh->m_bSubsetDrawn && mesh->m_bSubsetDrawn[s] && mesh->GetSubsetSize(s, &f, nullptr))
                faces += static_cast<int>(f);
        }
    }
    std::snprintf(line, sizeof line, "LOD set: %i, displayed faces: %i", lod, faces);
    lines.push_back(line);
    const bool forced = obj->pLightControl && obj->pLightControl->bEnabled;
    std::snprintf(line, sizeof line, forced ? "Lights: %i (bForceLightControl)" : "Lights: %i",
                  static_cast<int>(obj->iNumLights));
    lines.push_back(line);
    lines.push_back(obj->bHidden ? "Sector disabled!" : "Sector enabled!");
    lines.push_back((obj->dwFlags & OF_PHYSICS) ? "FLAG_VISIBLE on!" : "FLAG_VISIBLE off!");
    for (DWORD i = 0; i < obj->iNumLights && i < static_cast<DWORD>(OBJECT_MAX_LIGHTS); ++i)
    {
        const HOBJECT light = obj->apLights[i];
        if (!light)
        {
            lines.push_back("null light object");
            continue;
        }
        const char* state = !light->bUsed                    ? "light object not used"
                            : light->Type != OT_LIGHT        ? "NOT light!"
                            : !light->bDrawn                 ? "!bRender"
                            : !(light->dwFlags & OF_PHYSICS) ? "turned off"
                                                             : "";
        std::snprintf(line, sizeof line, "%s (radius == %i%s) %s %s (%i)", light->szName,
                      static_cast<int>(light->fRadius), light->bHasShadowSlot ? ", shadowcaster" : "", state,
                      light->bHasShadowSlot ? "HasDepthBuffer" : "No depth buffer", static_cast<int>(i));
        lines.push_back(line);
    }
    return lines;
}

void EDebug::DrawPickedObjectInfo(HOBJECT obj)
{
    if (!obj)
        return;
    const std::vector<std::string> lines = FormatPickedObjectInfo(obj);
    for (size_t i = 0; i < lines.size(); ++i)
        DrawShadowedLine(520.0f * g_Options.fScreenScaleX,
                         (320.0f + 20.0f * static_cast<float>(i)) * g_Options.fScreenScaleY,
                         lines[i].c_str());
    if (m_hMarkedObject && m_hMarkedObject != obj && m_hMarkedObject->bUsed)
        m_hMarkedObject->bSelected = 0;
    obj->bSelected = 1;
    m_hMarkedObject = obj;
}
