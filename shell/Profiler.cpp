#include "shell/Profiler.h"

#include "render/Font.h"
#include "shell/GameOptions.h"
#include "world/EngineObject.h"

#include <cstdio>
#include <cstring>

EProfiler g_Profiler;

namespace
{
struct SectionName
{
    int id;
    const char* name;
    int level;
};

// The frame's sections as the report lists them. 244 and 260 share a name.
constexpr SectionName kSections[] = {
    {0, "Engine Update", 0},
    {10, "EU: MainGame Pre", 1},
    {20, "EU: Env Update", 1},
    {30, "EU: EngineObjects Update", 1},
    {32, "EO: Camera Collision Finder", 2},
    {34, "EO: AmbientSound", 2},
    {36, "EO: UpdateObjects", 2},
    {37, "EO: U ObjectsOnBezier", 3},
    {38, "EO: U ObjectLoop", 3},
    {45, "EO: UO Startup", 5},
    {46, "EO: UO FX i drobnica", 5},
    {58, "EO: UO UpdateALS", 5},
    {60, "EO: UO UpdateSkinmesh", 5},
    {62, "EO: UO UpdateSuicide", 5},
    {64, "EO: UO UpdateAction", 5},
    {141, "EO: U WaitingToDie", 4},
    {144, "EO: U LinkedUpdate", 3},
    {145, "EO: U SkinmeshUpdate", 3},
    {200, "MainGame Update", 0},
    {202, "MU Startup", 1},
    {204, "MU Tamsel Update", 1},
    {206, "MU Cutscene Update", 1},
    {208, "MU Camera Update", 1},
    {210, "MU Player Update", 1},
    {214, "MU GameAI Update", 1},
    {220, "MU PostacMgr Update", 1},
    {240, "MU ItemMgr Update", 1},
    {244, "MU Bronie Update", 1},
    {248, "MU FX Update", 1},
    {250, "MU Dialogue Update", 1},
    {252, "MU Objective Update", 1},
    {256, "MU Mewy Update", 1},
    {258, "MU Dust Update", 1},
    {260, "MU Bronie Update", 1},
    {262, "MU Panel Update", 1},
    {264, "MU RigidBodySimulation Update", 1},
    {280, "MU SoundMgr Update", 1},
    {300, "D3DMain Prerender", 0},
    {320, "Renderer PreRenderScene", 1},
    {328, "Renderer UpdateInstances", 2},
    {330, "FX UpdateSprites", 1},
    {400, "D3DMain Render", 0},
    {430, "Engine Render", 1},
    {440, "Renderer.Render", 2},
    {450, "PostProcess.Render", 2},
    {460, "MainGame Render", 1},
};
} // namespace

void EProfiler::SetSection(int id, const char* name, int level)
{
    if (id < 0 || id >= MAX_SECTIONS)
        return;
    Section& s = m_Sections[id];
    s.bRegistered = 1;
    std::snprintf(s.szName, sizeof s.szName, "%s", name ? name : "");
    s.iLevel = level;
}

void EProfiler::InitSections()
{
    for (const SectionName& s : kSections)
        SetSection(s.id, s.name, s.level);
}

void EProfiler::BeginSection(int) {}

double EProfiler::EndSection(int)
{
    return 0.0;
}

void EProfiler::Reset()
{
    m_iReport = 0;
}

std::vector<EProfiler::ReportLine> EProfiler::BuildReport(float scaleX, float scaleY,
                                                          int objectsUpdated) const
{
    std::vector<ReportLine> lines;
    if (m_iReport == 0)
        return lines;
    const float x = 512.0f * scaleX;
    float y = 32.0f * scaleY;
    char text[320];
    for (const Section& s : m_Sections)
    {
        if (!s.bRegistered)
            continue;
        std::snprintf(text, sizeof text, "%s:  ", s.szName);
        lines.push_back({x, y, text});
        // The frame total is only known once sections are timed; until then
        // the share is shown as 0 rather than a division by zero.
        const double percent = m_fFrameTotal > 0.0 ? s.fTime / m_fFrameTotal * 100.0 : 0.0;
        std::snprintf(text, sizeof text, "  %f - %.2f%%", s.fTime, percent);
        lines.push_back({x + 12.0f * static_cast<float>(s.iLevel) * scaleX, y, text});
        y += 14.0f * scaleY;
    }
    std::snprintf(text, sizeof text, "Objects updated: %i:  ", objectsUpdated);
    lines.push_back({x, y, text});
    return lines;
}

std::vector<EProfiler::ReportLine> EProfiler::FrameReport() const
{
    return BuildReport(g_Options.fScreenScaleX, g_Options.fScreenScaleY,
                       static_cast<int>(g_EngineObject.m_iUpdatedObjects));
}

void EProfiler::DrawReport()
{
    if (m_iReport == 0)
        return;
    const auto lines = FrameReport();
    g_Font.BeginText();
    for (const ReportLine& l : lines)
        g_Font.DrawText(l.text.c_str(), l.x, l.y, 0xFFFFFFFF, 14.0f, 0, false, false);
    g_Font.EndText();
}
