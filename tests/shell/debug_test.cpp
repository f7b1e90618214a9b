#include "support/ConsoleLog.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/Globals.h"
#include "support/TempDir.h"
// EDebug: the allocation tracker, its report, timers and render statistics.
#include "shell/Debug.h"

#include "shell/GameOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace
{
class Tracker : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The tracker's lines go to the console log; keep it in a folder of ours.
        globals = std::make_unique<GlobalsSnapshot>();
        temp = std::make_unique<TempDir>();
        g_Options.SystemDebug = 1;
        debug = std::make_unique<EDebug>();
    }
    void TearDown() override
    {
        temp.reset();
        globals.reset();
    }

    int UsedSlots() const
    {
        int n = 0;
        for (BYTE u : debug->m_bUsed)
            n += u ? 1 : 0;
        return n;
    }

    std::unique_ptr<EDebug> debug;
    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> temp;
};
} // namespace

TEST_F(Tracker, TagsAreComparedWithoutRegardToCase)
{
    debug->AddAllocation("abc");
    debug->AddAllocation("abc");
    debug->AddAllocation("ABC");
    EXPECT_EQ(UsedSlots(), 1);
    EXPECT_STREQ(debug->m_szTags[0], "abc");
    EXPECT_EQ(debug->m_iCounts[0], 3u);

    debug->AddAllocation("efekt");
    EXPECT_STREQ(debug->m_szTags[1], "efekt");
    EXPECT_EQ(debug->m_iCounts[1], 1u);
    debug->RemoveAllocation("Abc");
    EXPECT_EQ(debug->m_iCounts[0], 2u);
}

TEST_F(Tracker, LastReleaseFreesTheSlotForAnotherTag)
{
    debug->AddAllocation("abc");
    debug->AddAllocation("strtext");
    debug->RemoveAllocation("abc");
    EXPECT_FALSE(debug->m_bUsed[0]);
    debug->AddAllocation("m_Cache[i].pData");
    EXPECT_TRUE(debug->m_bUsed[0]);
    EXPECT_STREQ(debug->m_szTags[0], "m_Cache[i].pData");
    EXPECT_EQ(debug->m_iCounts[0], 1u);
    EXPECT_EQ(ConsoleLog().find("nie ma odpowiednika"), std::string::npos);
}

TEST_F(Tracker, UnmatchedReleaseIsReportedAndChangesNothing)
{
    debug->AddAllocation("abc");
    debug->RemoveAllocation("EText");
    EXPECT_NE(ConsoleLog().find("Remove EText nie ma odpowiednika!"), std::string::npos);
    EXPECT_EQ(UsedSlots(), 1);
    EXPECT_EQ(debug->m_iCounts[0], 1u);

    // Released once too often.
    debug->RemoveAllocation("abc");
    debug->RemoveAllocation("abc");
    EXPECT_NE(ConsoleLog().find("Remove abc nie ma odpowiednika!"), std::string::npos);
    EXPECT_EQ(UsedSlots(), 0);
}

TEST_F(Tracker, NothingHappensWhileSystemDebugIsOff)
{
    g_Options.SystemDebug = 0;
    debug->AddAllocation("abc");
    debug->RemoveAllocation("xyz");
    debug->PrintAllocations();
    EXPECT_EQ(UsedSlots(), 0);
    EXPECT_EQ(ConsoleLog(), "");

    // Counts taken while it was on stay as they were while it is off.
    g_Options.SystemDebug = 1;
    debug->AddAllocation("abc");
    g_Options.SystemDebug = 0;
    debug->RemoveAllocation("abc");
    EXPECT_EQ(debug->m_iCounts[0], 1u);
}

TEST_F(Tracker, LongTagsMatchWhatWasStored)
{
    const std::string longTag(100, 'q');
    debug->AddAllocation(longTag.c_str());
    debug->AddAllocation(longTag.c_str());
    EXPECT_EQ(UsedSlots(), 1);
    EXPECT_EQ(std::string(debug->m_szTags[0]), std::string(63, 'q'));
    EXPECT_EQ(debug->m_iCounts[0], 2u);
    debug->RemoveAllocation(longTag.c_str());
    debug->RemoveAllocation(longTag.c_str());
    EXPECT_EQ(UsedSlots(), 0);
    EXPECT_EQ(ConsoleLog().find("nie ma odpowiednika"), std::string::npos);

    // A 63-character tag is not the same as a 62-character prefix of it.
    debug->AddAllocation(std::string(63, 'q').c_str());
    debug->AddAllocation(std::string(62, 'q').c_str());
    EXPECT_EQ(UsedSlots(), 2);
}

TEST_F(Tracker, FullTableIgnoresNewTagsSilently)
{
    char tag[32];
    for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
    {
        std::snprintf(tag, sizeof tag, "tag%d", i);
        debug->AddAllocation(tag);
    }
    EXPECT_EQ(UsedSlots(), EDebug::MAX_ALLOCATION_TAGS);
    debug->AddAllocation("one too many");
    EXPECT_EQ(UsedSlots(), EDebug::MAX_ALLOCATION_TAGS);
    EXPECT_EQ(ConsoleLog(), "");
    // Known tags still count.
    debug->AddAllocation("tag5");
    EXPECT_EQ(debug->m_iCounts[5], 2u);
    debug->RemoveAllocation("one too many");
    EXPECT_NE(ConsoleLog().find("Remove one too many nie ma odpowiednika!"), std::string::npos);
}

TEST_F(Tracker, PrintAllocationsListsUsedSlotsInOrder)
{
    debug->AddAllocation("strtext");
    debug->AddAllocation("efekt");
    debug->AddAllocation("efekt");
    debug->AddAllocation("gone");
    debug->RemoveAllocation("gone");
    debug->PrintAllocations();
    const std::string log = ConsoleLog();
    const size_t head = log.find("*** Current memory allocations:");
    const size_t a = log.find("strtext: 1");
    const size_t b = log.find("efekt: 2");
    ASSERT_NE(head, std::string::npos);
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(head, a);
    EXPECT_LT(a, b);
    EXPECT_EQ(log.find("gone"), std::string::npos);
}

TEST_F(Tracker, NullTagIsIgnored)
{
    debug->AddAllocation(nullptr);
    debug->RemoveAllocation(nullptr);
    EXPECT_EQ(UsedSlots(), 0);
    EXPECT_EQ(ConsoleLog(), "");
}

TEST(DebugTimers, SlotsOutOfRangeGiveZero)
{
    auto debug = std::make_unique<EDebug>();
    EXPECT_EQ(debug->GetTimerElapsed(512), 0.0);
    EXPECT_EQ(debug->GetTimerElapsed(100000), 0.0);
    debug->StartTimer(512); // nothing, no crash
    debug->StartTimer(3);
    const double e = debug->GetTimerElapsed(3);
    EXPECT_GE(e, 0.0);
    EXPECT_LT(e, 5.0);
}

TEST(DebugCounters, ResetForgetsThePick)
{
    auto debug = std::make_unique<EDebug>();
    HOBJECT fake = reinterpret_cast<HOBJECT>(debug.get());
    debug->m_hPickedObject = fake;
    debug->m_bPickValid = 1;
    debug->ResetCounters();
    EXPECT_EQ(debug->m_hPickedObject, nullptr);
    EXPECT_EQ(debug->m_bPickValid, 0);

    debug->DrawPickedObjectInfo(fake);
    EXPECT_EQ(debug->m_hMarkedObject, fake);
    debug->RefreshObjectInfo();
    EXPECT_EQ(debug->m_hMarkedObject, nullptr);
}

TEST(DebugRenderStats, LinesWithAndWithoutSubsets)
{
    auto debug = std::make_unique<EDebug>();
    char lines[EDebug::RENDER_STATS_LINES][EDebug::RENDER_STATS_LINE_SIZE];
    debug->FormatRenderStats(lines);
    EXPECT_STREQ(lines[4], "Average faces per subset: 0");
    EXPECT_STREQ(lines[5], "Subsets with less than 100 faces: 0 (0%)");
    EXPECT_STREQ(lines[8], "Subsets 1000 faces and above: 0 (0%)");

    debug->m_iVisibleMeshPolygons = 5000;
    debug->m_iRenderedMeshPolygons = 4000;
    debug->m_iVisibleMeshShadowPolygons = 700;
    debug->m_iSwitchedSubsets = 8;
    debug->m_iSubsetsBelow100 = 3;
    debug->m_iSubsets100To499 = 2;
    debug->m_iSubsets500To999 = 1;
    debug->m_iTechniqueSwitches = 4;
    debug->FormatRenderStats(lines);
    EXPECT_STREQ(lines[0], "Visible mesh polygons: 5000");
    EXPECT_STREQ(lines[1], "Rendered mesh polygons: 4000");
    EXPECT_STREQ(lines[2], "Visible mesh shadow polygons: 700");
    EXPECT_STREQ(lines[3], "Switched subsets: 8");
    EXPECT_STREQ(lines[4], "Average faces per subset: 500");
    EXPECT_STREQ(lines[5], "Subsets with less than 100 faces: 3 (37%)");
    EXPECT_STREQ(lines[6], "Subsets 100-499 faces: 2 (25%)");
    EXPECT_STREQ(lines[7], "Subsets 500-999 faces: 1 (12%)");
    EXPECT_STREQ(lines[8], "Subsets 1000 faces and above: 2 (25%)");
    EXPECT_STREQ(lines[9], "Technique switches: 4");

    debug->ResetRenderStats();
    debug->FormatRenderStats(lines);
    EXPECT_STREQ(lines[0], "Visible mesh polygons: 0");
    EXPECT_STREQ(lines[3], "Switched subsets: 0");
}

// The overlay on a headless device: ten lines in font 0 from (504, 390) on
// the 1024 x 768 layout, 20 apart, text in 0xFFFFFFD0 over a black shadow.
TEST(DebugRenderStats, OverlayIsDrawnInFontZeroAtItsPlace)
{
    TempDir dir;
    FontDevice dev{640, 480};
    FontGlobals globals{dir.path()};
    ASSERT_NE(dev.device, nullptr);
    FontGlobals::UseScreen(640, 480);
    dir.Write("misc/fonts/names.txt", "");
    dir.Write("misc/fonts/faces.txt", "DejaVu Sans\r\nDejaVu Serif\r\n");
    g_TTFontMgr.ReadFontLists();
    g_TTFontMgr.CreateFonts();
    ASSERT_NE(g_TTFontMgr.m_pFonts[0], nullptr);
    g_TTFontMgr.SetCurrentFont(2);

    // A grey background, so that the black shadow shows.
    dev.Clear(0xFF404040);
    auto debug = std::make_unique<EDebug>();
    ASSERT_EQ(dev.device->BeginScene(), D3D_OK);
    debug->DrawRenderStats();
    ASSERT_EQ(dev.device->EndScene(), D3D_OK);

    // 504 x 0.625 and 390 x 0.625; the lines are 12.5 pixels apart.
    const LONG left = 315, top = 243, lastLineTop = 243 + 112;
    int text = 0, shadow = 0, outside = 0;
    LONG textTop = 480, textBottom = 0, textLeft = 640;
    for (LONG y = 0; y < 480; ++y)
        for (LONG x = 0; x < 640; ++x)
        {
            const uint32_t p = dev.Pixel(UINT(x), UINT(y));
            if (p == 0xFFFFD0u)
            {
                ++text;
                textTop = std::min(textTop, y);
                textBottom = std::max(textBottom, y + 1);
                textLeft = std::min(textLeft, x);
            }
            shadow += p == 0u;
            // A glyph's edge may spill a pixel or so before its pen position.
            outside += (x < left - 2 || y < top - 2) && p != 0x404040u;
        }
    EXPECT_GT(text, 200);
    EXPECT_GT(shadow, 200);
    EXPECT_EQ(outside, 0);
    EXPECT_GE(textLeft, left);
    EXPECT_LT(textLeft, left + 4);
    EXPECT_GE(textTop, top);
    EXPECT_LT(textTop, top + 20);
    // The tenth line is there, and nothing below it.
    EXPECT_GT(textBottom, lastLineTop);
    EXPECT_LE(textBottom, lastLineTop + 21);
    // The font that was current stays current.
    EXPECT_EQ(g_TTFontMgr.m_iCurrent, 2);
    EXPECT_EQ(g_TTFontMgr.m_pCurrent, g_TTFontMgr.m_pFonts[2]);
}
