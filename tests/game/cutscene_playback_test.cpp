// Cut-scene playback without a world: what the overlay draws at a time, the
// starts that do nothing or give the weapon back, and the timing of phases
// and entries (camera jumps and subtitles need no guide to fire).
#include "game_fixture.h"

#include "game/CutScene.h"
#include "player/PlayerWeapons.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{
using gametest::Contains;

class CutScenePlayback : public gametest::GameTest
{
protected:
    void TearDown() override
    {
        g_CutScene.End(false);
        g_CutScene.FreeScenes();
        GameTest::TearDown();
    }

    void Load(const std::string& text)
    {
        m_dir->Write("scripts/cutscenes/test.txt", text);
        g_CutScene.LoadAll();
    }

    static void Frame(float dt)
    {
        g_Engine.m_fDeltaTime = dt;
        g_CutScene.RunPhase();
    }

    size_t Count(const std::string& line) const
    {
        const std::vector<std::string> lines = Log();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    static std::string PhaseName() { return g_CutScene.m_pPhase ? g_CutScene.m_pPhase->name : ""; }
};

DWORD Gray(DWORD a)
{
    return a << 24 | a << 16 | a << 8 | a;
}

TEST(CutSceneOverlay, CoversAndColoursFollowTheFadesInTheirOrder)
{
    struct Row
    {
        const char* what;
        strCutFade fadeIn, fadeOut, flashIn, flashOut;
        BYTE black;
        float t;
        BYTE drawBlack, drawWhite;
        DWORD color;
    };
    const strCutFade off = {0, 0.0f, 0.0f};
    const Row rows[] = {
        {"fade in before its start: covered", {1, 1.0f, 2.0f}, off, off, off, 0, 0.5f, 1, 0, 0xFFFFFFFF},
        {"fade in half way", {1, 0.0f, 2.0f}, off, off, off, 0, 1.0f, 1, 0, Gray(127)},
        {"fade in over", {1, 0.0f, 2.0f}, off, off, off, 0, 2.0f, 0, 0, 0xFFFFFFFF},
        {"fade out before its start", off, {1, 1.0f, 2.0f}, off, off, 0, 1.0f, 0, 0, 0xFFFFFFFF},
        {"fade out a quarter", off, {1, 1.0f, 2.0f}, off, off, 0, 1.5f, 1, 0, Gray(63)},
        {"fade out past its end stays black", off, {1, 1.0f, 2.0f}, off, off, 0, 9.0f, 1, 0, Gray(255)},
        {"a zero-length fade out is black at once", off, {1, 1.0f, 0.0f}, off, off, 0, 1.5f, 1, 0, Gray(255)},
        {"a negative fade out is held at clear", off, {1, 1.0f, -1.0f}, off, off, 0, 2.0f, 1, 0, Gray(0)},
        {"fade out and flash in: both in the flash's colour",
         off,
         {1, 0.0f, 4.0f},
         {1, 0.5f, 1.0f},
         off,
         0,
         1.0f,
         1,
         1,
         Gray(127)},
        {"flash out", off, off, off, {1, 0.0f, 1.0f}, 0, 0.5f, 0, 1, Gray(127)},
        {"black wins in opaque white", off, {1, 0.0f, 4.0f}, off, off, 1, 1.0f, 1, 0, 0xFFFFFFFF},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.what);
        strphase p = {};
        p.fadeIn = r.fadeIn;
        p.fadeOut = r.fadeOut;
        p.flashIn = r.flashIn;
        p.flashOut = r.flashOut;
        p.black = r.black;
        const CutSceneOverlay o = CCutScene::PlanOverlay(p, r.t);
        EXPECT_EQ(o.black, r.drawBlack);
        EXPECT_EQ(o.white, r.drawWhite);
        EXPECT_EQ(o.color, r.color);
    }
}

TEST_F(CutScenePlayback, StartsThatCannotRunLeaveTheWeaponInHand)
{
    Load("scene nofirst\nfirst_phase missing\nphase other\ntime 1\n");
    Bronie.holstered = 1;
    g_CutScene.Start("unknown");
    EXPECT_FALSE(g_CutScene.Running());
    EXPECT_EQ(Bronie.holstered, 0);
    EXPECT_TRUE(Contains(Log(), "No cut-scene named unknown"));

    Bronie.holstered = 1;
    g_CutScene.Start("nofirst");
    EXPECT_FALSE(g_CutScene.Running());
    EXPECT_EQ(g_CutScene.m_pScene, nullptr);
    EXPECT_EQ(Bronie.holstered, 0);
    EXPECT_TRUE(Contains(Log(), "Nie ma fazy startowej!"));

    // A dead hero starts nothing, a scene that exists included.
    PlayerStats.m_bDead = 1;
    g_CutScene.Start("nofirst");
    g_CutScene.Start(nullptr);
    EXPECT_EQ(Count("Nie ma fazy startowej!"), 1u);
}

TEST_F(CutScenePlayback, PhasesEndAfterTheirLengthAndEntriesFireOnceWhenDue)
{
    Load("scene s\nfirst_phase a\n"
         "phase a\ntime 0\nnext_phase b\ncamera_jump_to never 0.5\n"
         "phase b\ntime 1\nnext_phase c\n"
         "camera_jump_to cam0 0\nsubtitle line0 0\n"
         "camera_jump_to cam1 0.5\nsubtitle line1 0.95\nsubtitle late 1.5\n"
         "phase c\ntime 5\n");
    g_CutScene.Start("s");
    ASSERT_TRUE(g_CutScene.Running());
    EXPECT_EQ(g_Panel.WideScreen, 1);
    // A phase of length 0 ends on its first frame; its entries never fire.
    Frame(0.01f);
    EXPECT_EQ(PhaseName(), "b");
    strphase* b = g_CutScene.m_pPhase;
    EXPECT_EQ(g_CutScene.m_fPhaseTime, 0.0f);
    // Entries at time 0 fire on the first frame.
    Frame(0.01f);
    EXPECT_EQ(b->jumps[0].fired, 1);
    EXPECT_EQ(b->subtitles[0].fired, 1);
    EXPECT_STREQ(b->currentCameraSocket, "cam0");
    EXPECT_EQ(b->jumps[1].fired, 0);
    Frame(0.5f);
    EXPECT_EQ(b->jumps[1].fired, 1);
    EXPECT_STREQ(b->currentCameraSocket, "cam1");
    // A step past the length ends the phase before the entries due in it.
    Frame(0.6f);
    EXPECT_EQ(PhaseName(), "c");
    EXPECT_EQ(b->subtitles[1].fired, 0);
    EXPECT_EQ(b->subtitles[2].fired, 0);
    // The last phase ends the scene, and the next start clears the marks.
    Frame(5.1f);
    EXPECT_FALSE(g_CutScene.Running());
    EXPECT_EQ(g_CutScene.m_bPlaying, 0);
    EXPECT_EQ(g_Panel.WideScreen, 0);
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    g_CutScene.Start("s");
    Frame(0.01f);
    EXPECT_EQ(b->jumps[0].fired, 0);
}

TEST_F(CutScenePlayback, TheTimeFactorFollowsThePhaseAndClearingRunsNoEndChain)
{
    Load("scene s\nfirst_phase a\nscene_on_end other\nphase a\ntime 9\nTime_Speed 0.25\nblack_white\n"
         "scene other\nfirst_phase a\nphase a\ntime 9\n");
    g_CutScene.Start("s");
    ASSERT_TRUE(g_CutScene.Running());
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 0.25f);
    EXPECT_EQ(g_CutScene.m_bBlackWhite, 1);
    // A world start forgets the scene; the level's release then ends it
    // without starting the scene that follows.
    g_CutScene.Clear();
    EXPECT_EQ(g_CutScene.m_bPlaying, 0);
    g_CutScene.End(true);
    EXPECT_FALSE(g_CutScene.Running());
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    EXPECT_EQ(g_CutScene.m_bBlackWhite, 0);
    // The level's release neither: a scene would start in a world that is going.
    g_CutScene.Start("s");
    ASSERT_TRUE(g_CutScene.Running());
    g_CutScene.ReleaseLevel();
    EXPECT_FALSE(g_CutScene.Running());
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 1.0f);
    // Played to its end, the scene starts the one that follows it.
    g_CutScene.Start("s");
    Frame(9.5f);
    ASSERT_TRUE(g_CutScene.Running());
    EXPECT_STREQ(g_CutScene.m_pScene->name, "other");
    // Freeing the scripts forgets the running scene with them.
    g_CutScene.FreeScenes();
    EXPECT_EQ(g_CutScene.m_pScene, nullptr);
    EXPECT_EQ(g_CutScene.m_bPlaying, 0);
}
} // namespace
