#include "shell/Profiler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
TEST(Profiler, SetSectionIgnoresIdsOutsideTheTable)
{
    EProfiler p;
    p.SetSection(511, "last", 2);
    p.SetSection(512, "past the end", 1);
    p.SetSection(-1, "before the start", 1);
    EXPECT_TRUE(p.m_Sections[511].bRegistered);
    EXPECT_STREQ(p.m_Sections[511].szName, "last");
    EXPECT_EQ(p.m_Sections[511].iLevel, 2);
    int registered = 0;
    for (const auto& s : p.m_Sections)
        registered += s.bRegistered;
    EXPECT_EQ(registered, 1);
}

TEST(Profiler, ReportIsEmptyWhileSwitchedOff)
{
    EProfiler p;
    p.InitSections();
    EXPECT_TRUE(p.BuildReport(1.0f, 1.0f, 0).empty());
}

TEST(Profiler, ReportListsEveryRegisteredSectionInIdOrder)
{
    EProfiler p;
    p.InitSections();
    p.m_iReport = 1;
    const auto lines = p.BuildReport(1.0f, 1.0f, 7);
    // Two lines per section (name, then time and share) and the object count.
    ASSERT_EQ(lines.size(), 46u * 2 + 1);
    EXPECT_EQ(lines[0].text, "Engine Update:  ");
    EXPECT_FLOAT_EQ(lines[0].x, 512.0f);
    EXPECT_FLOAT_EQ(lines[0].y, 32.0f);
    EXPECT_EQ(lines[2].text, "EU: MainGame Pre:  ");
    EXPECT_FLOAT_EQ(lines[3].x, 512.0f + 12.0f); // level 1 indents the figures
    EXPECT_FLOAT_EQ(lines[2].y, 46.0f);
    EXPECT_EQ(lines[2 * 45].text, "MainGame Render:  ");
    EXPECT_EQ(lines.back().text, "Objects updated: 7:  ");
    EXPECT_FLOAT_EQ(lines.back().y, 32.0f + 46 * 14.0f);
}

TEST(Profiler, ReportNeverShowsGarbageWithoutAFrameTotal)
{
    EProfiler p;
    p.InitSections();
    p.m_iReport = 1;
    p.m_Sections[0].fTime = 0.25;
    auto lines = p.BuildReport(1.0f, 1.0f, 0);
    EXPECT_EQ(lines[1].text, "  0.250000 - 0.00%");
    p.m_fFrameTotal = 1.0;
    lines = p.BuildReport(1.0f, 1.0f, 0);
    EXPECT_EQ(lines[1].text, "  0.250000 - 25.00%");
}

TEST(Profiler, ReportIsScaledToTheScreen)
{
    EProfiler p;
    p.SetSection(3, "a", 2);
    p.m_iReport = 1;
    const auto lines = p.BuildReport(0.5f, 2.0f, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FLOAT_EQ(lines[0].x, 256.0f);
    EXPECT_FLOAT_EQ(lines[0].y, 64.0f);
    EXPECT_FLOAT_EQ(lines[1].x, 256.0f + 24.0f * 0.5f);
    EXPECT_FLOAT_EQ(lines[2].y, 64.0f + 28.0f);
}

TEST(Profiler, ResetSwitchesTheReportOff)
{
    EProfiler p;
    p.m_iReport = 3;
    p.Reset();
    EXPECT_EQ(p.m_iReport, 0);
    EXPECT_DOUBLE_EQ(p.EndSection(0), 0.0);
}
} // namespace
