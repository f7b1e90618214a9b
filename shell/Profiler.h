#pragma once
// EProfiler: the frame's named sections and their on-screen report.

#include <string>
#include <vector>

// The sections the frame code times by id (their names and levels are in
// the table of Profiler.cpp; game code times the others).
enum EProfilerSection : int
{
    PS_ENGINE_UPDATE = 0,
    PS_MAINGAME_PRE = 10,
    PS_ENV_UPDATE = 20,
    PS_ENGINE_OBJECTS = 30,
    PS_MAINGAME_UPDATE = 200,
    PS_D3DMAIN_PRERENDER = 300,
    PS_RENDERER_PRERENDER = 320,
    PS_FX_SPRITES = 330,
    PS_D3DMAIN_RENDER = 400,
    PS_ENGINE_RENDER = 430,
    PS_RENDERER_RENDER = 440,
    PS_POSTPROCESS_RENDER = 450,
    PS_MAINGAME_RENDER = 460,
};

class EProfiler
{
public:
    static constexpr int MAX_SECTIONS = 512;

    struct Section
    {
        unsigned char bRegistered = 0;
        double fTime = 0.0;
        char szName[256] = {};
        int iLevel = 5;
    };

    virtual ~EProfiler() = default;

    void SetSection(int id, const char* name, int level);
    void InitSections();
    // Markers placed through the frame. They measure nothing: the report's
    // times stay at zero unless a caller fills them.
    void BeginSection(int id);
    double EndSection(int id);
    void Reset();
    void DrawReport();

    // One line of the report: where it goes on the 1024 x 768 layout and its text.
    struct ReportLine
    {
        float x;
        float y;
        std::string text;
    };
    // The report's lines, already scaled; empty while the report is off.
    std::vector<ReportLine> BuildReport(float scaleX, float scaleY, int objectsUpdated) const;
    // The report of this frame: the screen's scale and the objects the object
    // logic updated.
    std::vector<ReportLine> FrameReport() const;

    Section m_Sections[MAX_SECTIONS];
    double m_fFrameTotal = 0.0;
    int m_iReport = 0;
};

extern EProfiler g_Profiler;
