// The cut-scene scripts: scenes and phases read from "scripts\cutscenes",
// later ones hiding earlier ones, lists kept within their caps, slots out of
// range dropped with a line naming the file, and values cut to their fields.
#include "game_fixture.h"

#include "game/CutScene.h"

#include <cstring>
#include <string>

namespace
{
using gametest::Contains;

class CutSceneScripts : public gametest::GameTest
{
protected:
    void TearDown() override
    {
        g_CutScene.FreeScenes();
        GameTest::TearDown();
    }

    void Script(const std::string& name, const std::string& text)
    {
        m_dir->Write("scripts/cutscenes/" + name, text);
    }

    static std::string Lines(const std::string& line, int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += line + "\n";
        return text;
    }
};

TEST_F(CutSceneScripts, ScenesAndPhasesAreReadWithTheirValues)
{
    Script("a_intro.txt", "scene intro\r\n"
                          "time 99\r\n" // before the first phase: ignored
                          "model models\\guide\\guide.x\r\n"
                          "actor0 models\\demo_townsman\\demo_townsman.x\r\n"
                          "actor31 sun_crate\r\n"
                          "bron0 AW\r\n"
                          "first_phase start\r\n"
                          "action_on_end intro_end\r\n"
                          "phase start\r\n"
                          "model models\\guide\\late.x\r\n" // a scene key after a phase still counts
                          "time 4.5\r\n"
                          "Time_Speed 0\r\n"
                          "camera_jump_to cam2 1.5\r\n"
                          "AFX smoke_puff fx_socket 2\r\n"
                          "FX 3 0.5 hand spark\r\n"
                          "blood 2 1.25 chest left\r\n"
                          "shoot 0 0 barrel\r\n"
                          "kill 1 0 3\r\n"
                          "attach 4 rifle right hand  \r\n"
                          "voice sounds\\voice.wav cam 0.2\r\n"
                          "subtitle intro_line 1\r\n"
                          "fade_in 0 1.5\r\n"
                          "anim_actor0_gora wave\r\n"
                          "anim_actor0 walk\r\n"
                          "socket_actor5 spot5\r\n"
                          "mesh crate_01 socket with blanks   \r\n"
                          "next_phase end\r\n"
                          "phase end\r\n"
                          "quit\r\n");
    g_CutScene.LoadAll();
    const strscene* s = g_CutScene.FindScene("INTRO");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->guideModel, "models\\guide\\late.x");
    EXPECT_STREQ(s->actorFiles[0], "models\\demo_townsman\\demo_townsman.x");
    EXPECT_STREQ(s->actorFiles[31], "sun_crate");
    EXPECT_STREQ(s->actorWeapons[0], "AW");
    EXPECT_STREQ(s->firstPhase, "start");
    EXPECT_STREQ(s->actionOnEnd, "intro_end");
    const strphase* p = CCutScene::FindPhase(s, "start");
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->length, 4.5f);
    EXPECT_FLOAT_EQ(p->speed, 0.1f) << "Time_Speed 0 reads as 0.1";
    ASSERT_EQ(p->jumpCount, 1);
    EXPECT_STREQ(p->jumps[0].socket, "cam2");
    EXPECT_FLOAT_EQ(p->jumps[0].time, 1.5f);
    ASSERT_EQ(p->guideFxCount, 1);
    EXPECT_STREQ(p->guideFx[0].effect, "smoke_puff");
    EXPECT_STREQ(p->guideFx[0].socket, "fx_socket");
    EXPECT_FLOAT_EQ(p->guideFx[0].time, 2.0f);
    ASSERT_EQ(p->actorFxCount, 1);
    EXPECT_EQ(p->actorFx[0].actor, 3);
    EXPECT_STREQ(p->actorFx[0].socket, "hand");
    EXPECT_STREQ(p->actorFx[0].effect, "spark");
    ASSERT_EQ(p->bloodCount, 1);
    EXPECT_STREQ(p->blood[0].socket, "chest left");
    ASSERT_EQ(p->shotCount, 1);
    EXPECT_STREQ(p->shots[0].socket, "barrel");
    ASSERT_EQ(p->killCount, 1);
    EXPECT_EQ(p->kills[0].victim, 1);
    EXPECT_FLOAT_EQ(p->kills[0].time, 3.0f);
    EXPECT_FLOAT_EQ(p->kills[1].time, 1.0e7f) << "unused kills wait for ever";
    ASSERT_EQ(p->attachmentCount, 1);
    EXPECT_STREQ(p->attachments[0].object, "rifle");
    EXPECT_STREQ(p->attachments[0].socket, "right hand");
    ASSERT_EQ(p->voiceCount, 1);
    EXPECT_STREQ(p->voices[0].wave, "sounds\\voice.wav");
    EXPECT_FLOAT_EQ(p->voices[0].time, 0.2f);
    ASSERT_EQ(p->subtitleCount, 1);
    EXPECT_STREQ(p->subtitles[0].key, "intro_line");
    EXPECT_EQ(p->fadeIn.on, 1);
    EXPECT_FLOAT_EQ(p->fadeIn.duration, 1.5f);
    EXPECT_EQ(p->fadeOut.on, 0);
    EXPECT_STREQ(p->animUpper[0], "wave");
    EXPECT_STREQ(p->animWhole[0], "walk");
    EXPECT_STREQ(p->actorSockets[5], "spot5");
    EXPECT_STREQ(p->meshes[0].socket, "socket with blanks");
    EXPECT_STREQ(p->nextPhase, "end");
    EXPECT_EQ(p->shadowDisabledActor, CUTSCENE_NO_ACTOR);
    const strphase* end = CCutScene::FindPhase(s, "end");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->quit, 1);
    EXPECT_FLOAT_EQ(end->speed, 1.0f);
    EXPECT_EQ(CCutScene::FindPhase(s, "none"), nullptr);
    EXPECT_EQ(CCutScene::FindPhase(nullptr, "end"), nullptr);
    EXPECT_EQ(g_CutScene.FindScene(nullptr), nullptr);
}

TEST_F(CutSceneScripts, LaterScenesOfOneNameWin)
{
    Script("a.txt", "scene twin\nfirst_phase from_a\n");
    Script("B.txt", "scene TWIN\nfirst_phase from_b\n");
    Script(".hidden.txt", "scene hidden\n");
    m_dir->Write("scripts/cutscenes/folder.txt/inner.txt", "scene inner\n");
    g_CutScene.LoadAll();
    ASSERT_NE(g_CutScene.FindScene("twin"), nullptr);
    EXPECT_STREQ(g_CutScene.FindScene("twin")->firstPhase, "from_b");
    EXPECT_EQ(g_CutScene.FindScene("hidden"), nullptr);
    EXPECT_EQ(g_CutScene.FindScene("inner"), nullptr);
}

TEST_F(CutSceneScripts, ListsKeepTheirCaps)
{
    struct Row
    {
        const char* line;
        int last; // how many are kept
        int strphase::*count;
    };
    const Row rows[] = {
        {"mesh crate socket", 9, &strphase::meshCount},
        {"camera_jump_to cam 1", 8, &strphase::jumpCount},
        {"AFX smoke socket 1", 16, &strphase::guideFxCount},
        {"blood 0 1 chest", 7, &strphase::bloodCount},
        {"shoot 0 1 barrel", 63, &strphase::shotCount},
        {"FX 0 1 socket fx", 127, &strphase::actorFxCount},
        {"kill 0 1 2", 15, &strphase::killCount},
        {"attach 0 obj socket", 15, &strphase::attachmentCount},
        {"subtitle key 1", 15, &strphase::subtitleCount},
        {"show_sector 3", 8, &strphase::shownCount},
        {"hide_sector 3", 8, &strphase::hiddenCount},
        {"animation_play tex", 7, &strphase::playCount},
        {"animation_pause tex", 7, &strphase::pauseCount},
        {"animation_stop tex", 7, &strphase::stopCount},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.line);
        g_CutScene.FreeScenes();
        Script("caps.txt", "scene caps\nphase p\n" + Lines(r.line, r.last + 3));
        g_CutScene.LoadScript("scripts\\cutscenes\\caps.txt");
        const strphase* p = CCutScene::FindPhase(g_CutScene.FindScene("caps"), "p");
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->*r.count, r.last);
    }
}

TEST_F(CutSceneScripts, ActorSlotsOutOfRangeAreDroppedWithALine)
{
    Script("slots.txt", "scene slots\nphase p\n"
                        "FX 32 1 socket fx\nFX -1 1 socket fx\nFX 31 1 socket fx\n"
                        "shoot 32 1 barrel\nblood -1 1 chest\nkill 0 40 1\nattach 99 obj socket\n"
                        "disable_shadow_for 77\n");
    g_CutScene.LoadAll();
    const strphase* p = CCutScene::FindPhase(g_CutScene.FindScene("slots"), "p");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->actorFxCount, 1);
    EXPECT_EQ(p->actorFx[0].actor, 31);
    EXPECT_EQ(p->shotCount, 0);
    EXPECT_EQ(p->bloodCount, 0);
    EXPECT_EQ(p->killCount, 0);
    EXPECT_EQ(p->attachmentCount, 0);
    EXPECT_EQ(p->shadowDisabledActor, CUTSCENE_NO_ACTOR);
    EXPECT_TRUE(
        Contains(Log(), "scripts\\cutscenes\\slots.txt: FX for actor slot 32 dropped (slots are 0 to 31)"));
}

TEST_F(CutSceneScripts, LongValuesAreCutAndBadFilesAreHarmless)
{
    const std::string longName(300, 'n');
    Script("long.txt", "scene " + longName + "\nmodel " + longName + "\nphase p\nmusic " + longName +
                           "\nvoice " + longName + " " + longName + " 1\n");
    Script("junk.txt", std::string("\0\xff\r\r\nscene\nphase\ntime nan\nFX\nkill\n", 33));
    Script("orphan.txt", "phase lost\ntime 3\n");
    g_CutScene.LoadAll();
    ASSERT_NE(g_CutScene.m_pScenes, nullptr);
    for (const strscene* s = g_CutScene.m_pScenes; s; s = s->next)
    {
        EXPECT_LT(std::strlen(s->name), size_t(CUTSCENE_NAME_SIZE));
        EXPECT_LT(std::strlen(s->guideModel), size_t(CUTSCENE_FILE_SIZE));
    }
    const strscene* empty = g_CutScene.FindScene("");
    ASSERT_NE(empty, nullptr) << "the junk file's nameless scene";
    ASSERT_NE(empty->phases, nullptr);
    EXPECT_EQ(empty->phases->length, 0.0f);
    // Missing numbers read as 0: a bare "FX" line is slot 0 at time 0.
    ASSERT_EQ(empty->phases->actorFxCount, 1);
    EXPECT_EQ(empty->phases->actorFx[0].actor, 0);
    EXPECT_STREQ(empty->phases->actorFx[0].effect, "");
    EXPECT_EQ(g_CutScene.FindScene("lost"), nullptr);
    g_CutScene.LoadScript("scripts\\cutscenes\\missing.txt");
    g_CutScene.LoadScript(nullptr);
}
} // namespace
