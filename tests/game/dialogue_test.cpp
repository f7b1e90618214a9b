// Dialogues: the scripts of both kinds read into their records, names cut to
// their fields; lines played one after another with their speakers and
// subtitles; the slots' cap, random dialogues, stops with and without
// success, hero lines in "intro" worlds, and the save section that restarts
// running dialogues at their first line. No sound device: every line's voice
// counts as ended at once, so each frame moves a dialogue on by one line.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "game/DialogueMgr.h"
#include "mesh/SequenceList.h"
#include "shell/SaveFile.h"
#include "shell/TextMgr.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <cstdio>
#include <cstring>
#include <string>

extern ETextMgr g_TextMgr;

namespace
{
using gametest::Contains;

class Dialogues : public gametest::GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        PMgr.Forget();
        PlayerStats.m_bDead = 0;
        PlayerStats.m_bMissionFailed = 0;
        g_Options.SubtitlesOn = 1;
        g_Options.Debug = 0;
        g_Engine.m_fDeltaTime = 0.1f;
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level01.w");
        m_dir->Write("scripts/text_keys.txt", ">l1 First line\n>l2 Second line\n>l3 Third line\n"
                                              ">h1 Hero speaks\n>Hero0 Marek\n");
        g_TextMgr.Load("scripts\\text_keys.txt");
        std::memset(g_Panel.m_szMessage, 0, sizeof g_Panel.m_szMessage);
    }

    void TearDown() override
    {
        g_DialogueMgr.Forget();
        g_TextMgr.Free();
        PMgr.Forget();
        GameTest::TearDown();
    }

    void Script(const std::string& text, const std::string& file = "a.txt")
    {
        m_dir->Write("scripts/dialogues/" + file, text);
    }

    // A live character in the record slot, near the camera.
    static strpostac* Actor(int slot, const char* name)
    {
        strpostac& p = PMgr.m_Postacie[slot];
        p = strpostac{};
        p.slot = static_cast<DWORD>(slot);
        p.used = 1;
        p.camera_distance = 10.0f;
        std::snprintf(p.name, sizeof p.name, "%s", name);
        return &p;
    }

    static int Running()
    {
        int n = 0;
        for (const strActiveDialogue& a : g_DialogueMgr.m_ActiveDialogues)
            n += a.active ? 1 : 0;
        return n;
    }

    static const strActiveDialogue* SlotOf(const char* name)
    {
        for (const strActiveDialogue& a : g_DialogueMgr.m_ActiveDialogues)
            if (a.active && a.pDialogue && std::strcmp(a.pDialogue->name, name) == 0)
                return &a;
        return nullptr;
    }
};

TEST_F(Dialogues, ScriptsFillTheirRecordsAndCutLongNamesToTheirFields)
{
    const std::string longName(500, 'n');
    Script("dialogue talk\r\n"
           "random\r\nno_subtitle\r\nhero_subtitle\r\n"
           "volume 0.5\r\nrange 42\r\n"
           "actor0 l1   \r\n"
           "actor2 l2\r\n"
           "actor1 " +
           longName +
           "\r\n"
           "on_end_actor1_phase idzie\r\n"
           "on_end_action talk_done\r\n"
           "actor7 ignored\r\n"
           "dialogue " +
           longName + "\r\n");
    // A file without its own "dialogue" line adds to the newest record.
    Script("actor0 l3\n", "b.txt");
    m_dir->Write("scripts/hero_dialogues/h.txt",
                 "hero_dialogue mine\nhero4 h1\nvoice_position4 radio and more\n"
                 "hero9 nothing\non_end_action mine_done\n");
    g_DialogueMgr.LoadAll();

    const strDialogue* talk = g_DialogueMgr.FindDialogue("TALK");
    ASSERT_NE(talk, nullptr);
    EXPECT_EQ(talk->random, 1);
    EXPECT_EQ(talk->noSubtitle, 1);
    EXPECT_EQ(talk->heroSubtitle, 1);
    EXPECT_FLOAT_EQ(talk->volume, 0.5f);
    EXPECT_FLOAT_EQ(talk->range, 42.0f);
    EXPECT_STREQ(talk->onEndPhase[1], "idzie");
    EXPECT_STREQ(talk->onEndAction, "talk_done");
    ASSERT_EQ(talk->lineCount, 3u);
    const strDialogueLine* first = CDialogueMgr::FirstLine(talk);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->label, "l1") << "trailing blanks cut";
    EXPECT_EQ(first->number, 0u);
    ASSERT_NE(first->newer, nullptr);
    EXPECT_EQ(first->newer->speaker, 2u);
    EXPECT_EQ(std::strlen(first->newer->newer->label), DIALOGUE_NAME_SIZE - 1);

    // The long-named record is the newest, and it took the other file's line.
    const strDialogue* cut = g_DialogueMgr.m_pDialogues;
    EXPECT_EQ(std::strlen(cut->name), DIALOGUE_NAME_SIZE - 1);
    EXPECT_FLOAT_EQ(cut->volume, CDialogueMgr::DEFAULT_VOLUME);
    EXPECT_FLOAT_EQ(cut->range, CDialogueMgr::DEFAULT_RANGE);
    EXPECT_EQ(cut->lineCount, 1u);

    const strHeroDialogue* mine = g_DialogueMgr.FindHeroDialogue("mine");
    ASSERT_NE(mine, nullptr);
    EXPECT_STREQ(mine->voicePosition[4], "radio");
    EXPECT_STREQ(mine->onEndAction, "mine_done");
    ASSERT_NE(mine->lines, nullptr);
    EXPECT_EQ(mine->lines->hero, 4u);
    EXPECT_EQ(mine->lines->older, nullptr);
}

TEST_F(Dialogues, LinesFollowEachOtherToTheEndAndASeventhDialogueIsRefused)
{
    g_Options.Debug = 1;
    Script("dialogue talk\nactor0 l1\nactor1 l2\nactor2 l3\n");
    g_DialogueMgr.LoadAll();
    strpostac* actors[7];
    for (int i = 0; i < 7; ++i)
        actors[i] = Actor(i, ("man" + std::to_string(i)).c_str());
    for (int i = 0; i < 6; ++i)
        g_DialogueMgr.StartDialogue("talk", actors[i], nullptr, nullptr);
    EXPECT_EQ(Running(), MAX_ACTIVE_DIALOGUES);
    EXPECT_FALSE(Contains(Log(), "MAX_ACTIVE_DIALOGUES used!"));
    g_DialogueMgr.StartDialogue("talk", actors[6], nullptr, nullptr);
    EXPECT_EQ(Running(), MAX_ACTIVE_DIALOGUES);
    EXPECT_TRUE(Contains(Log(), "MAX_ACTIVE_DIALOGUES used!"));

    // Lines of missing actors 1 and 2 are spoken by actor 0, who is then the speaker.
    const strActiveDialogue& a = g_DialogueMgr.m_ActiveDialogues[0];
    EXPECT_EQ(a.pDialogueLine->number, 0u);
    EXPECT_EQ(actors[0]->talking, 1);
    g_DialogueMgr.Update();
    ASSERT_TRUE(a.active);
    EXPECT_EQ(a.pDialogueLine->number, 1u);
    EXPECT_EQ(a.pDialogueLine->chosenSpeaker, 0u);
    g_DialogueMgr.UpdateSoundsAndListeners();
    g_DialogueMgr.Update();
    EXPECT_EQ(a.pDialogueLine->number, 2u);
    g_DialogueMgr.Update();
    EXPECT_EQ(Running(), 0) << "after the last line every slot stopped";
    EXPECT_EQ(actors[0]->talking, 0);
    EXPECT_TRUE(Contains(Log(), "Dialog zakonczony sukcesem, odpala fazytalk"));

    // The scripts' own failures.
    g_DialogueMgr.StartDialogue("nothing", actors[0], nullptr, nullptr);
    EXPECT_TRUE(Contains(Log(), "Dialogue nothing NOT found!"));
    g_DialogueMgr.StartDialogue("talk", nullptr, actors[1], nullptr);
    EXPECT_EQ(Running(), 0);
}

TEST_F(Dialogues, ANewDialogueOfAnActorStopsItsOldOneWithoutItsEnd)
{
    g_Options.Debug = 1;
    Script("dialogue first\nactor0 l1\nactor1 l2\non_end_action first_end\n"
           "dialogue second\nactor0 l3\n");
    g_DialogueMgr.LoadAll();
    strpostac* bob = Actor(0, "bob");
    strpostac* ann = Actor(1, "ann");
    g_DialogueMgr.StartDialogue("first", bob, ann, nullptr);
    ASSERT_NE(SlotOf("first"), nullptr);
    g_DialogueMgr.StartDialogue("second", ann, nullptr, nullptr);
    EXPECT_EQ(SlotOf("first"), nullptr) << "ann's running dialogue stopped";
    ASSERT_NE(SlotOf("second"), nullptr);
    EXPECT_FALSE(Contains(Log(), "Dialog zakonczony sukcesem, odpala fazyfirst"));
    g_DialogueMgr.Update();
    EXPECT_TRUE(Contains(Log(), "Dialog zakonczony sukcesem, odpala fazysecond"));
    EXPECT_FALSE(Contains(Log(), "Dialog zakonczony sukcesem, odpala fazyfirst"));

    // A dead actor's dialogue still runs, with its line.
    bob->dead = 1;
    g_DialogueMgr.StartDialogue("second", bob, nullptr, nullptr);
    EXPECT_TRUE(Contains(Log(), "Dialogue halted - bob is dead!"));
    EXPECT_NE(SlotOf("second"), nullptr);
    // Nothing starts for a dead hero.
    g_DialogueMgr.StopAll();
    PlayerStats.m_bDead = 1;
    g_DialogueMgr.StartDialogue("second", ann, nullptr, nullptr);
    EXPECT_EQ(Running(), 0);
}

TEST_F(Dialogues, AnAnimationStepsDialogueStartsWithTheCharacterWhoseModelPlaysIt)
{
    Script("dialogue greet\nactor0 l1\n");
    g_DialogueMgr.LoadAll();
    m_dir->Write("scripts/animations/s.txt", "sequence hail\nfaza wave\nanimacja wave\ndialogue greet\n");
    SequenceList list;
    list.LoadAll();
    strSequence* hail = list.FindSequence("hail");
    ASSERT_NE(hail, nullptr);
    const float at[3] = {0.0f, 0.0f, 0.0f};
    HOBJECT model = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, at, nullptr);
    HOBJECT other = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, at, nullptr);
    ASSERT_NE(model, nullptr);
    ASSERT_NE(other, nullptr);
    strpostac* bob = Actor(0, "bob");
    bob->model = model;
    // A figure that is no character's plays the step without its dialogue.
    strSequenceCharacter stranger;
    stranger.hObject = other;
    list.StartStep(&stranger, hail, hail->pFirstStep);
    EXPECT_EQ(Running(), 0);
    strSequenceCharacter figure;
    figure.hObject = model;
    list.StartStep(&figure, hail, hail->pFirstStep);
    const strActiveDialogue* greet = SlotOf("greet");
    ASSERT_NE(greet, nullptr);
    EXPECT_EQ(greet->actors[0], bob);
    g_Engine.DeleteAllObjects();
}

TEST_F(Dialogues, RandomDialoguesDrawLinesAfterAPauseAndOneLineCannotGoOn)
{
    Script("dialogue lone\nrandom\nactor0 l1\n"
           "dialogue pair\nrandom\nactor0 l1\nactor0 l2\n");
    g_DialogueMgr.LoadAll();
    strpostac* bob = Actor(0, "bob");
    strpostac* ann = Actor(1, "ann");
    g_DialogueMgr.StartDialogue("lone", bob, nullptr, nullptr);
    g_DialogueMgr.StartDialogue("pair", ann, nullptr, nullptr);
    const strActiveDialogue* lone = SlotOf("lone");
    const strActiveDialogue* pair = SlotOf("pair");
    ASSERT_NE(lone, nullptr);
    ASSERT_NE(pair, nullptr);
    const strDialogueLine* pairFirst = pair->pDialogueLine;
    // The pause: 3 s of 0.1 s frames before the next line is drawn.
    for (int i = 0; i < 29; ++i)
        g_DialogueMgr.Update();
    EXPECT_FALSE(Contains(Log(), "FATAL: NIE znaleziono nowej linii!"));
    EXPECT_EQ(pair->pDialogueLine, pairFirst);
    for (int i = 0; i < 2; ++i)
        g_DialogueMgr.Update();
    EXPECT_TRUE(Contains(Log(), "FATAL: NIE znaleziono nowej linii!"));
    EXPECT_EQ(SlotOf("lone"), nullptr);
    // One actor with two lines goes on speaking them in turn, for ever.
    ASSERT_EQ(SlotOf("pair"), pair);
    EXPECT_NE(pair->pDialogueLine, pairFirst);
    EXPECT_EQ(pair->pDialogueLine->chosenSpeaker, 0u);
    for (int i = 0; i < 200; ++i)
        g_DialogueMgr.Update();
    EXPECT_EQ(SlotOf("pair"), pair);
    g_DialogueMgr.UpdateSoundsAndListeners();
}

TEST_F(Dialogues, SubtitlesFollowTheDialoguesKeysAndIntroWorldsDropTheHerosName)
{
    Script("dialogue plain\nactor0 l1\n"
           "dialogue quiet\nno_subtitle\nactor0 l2\n"
           "dialogue anonymous\nhero_subtitle\nactor0 l3\n");
    m_dir->Write("scripts/hero_dialogues/h.txt", "hero_dialogue mine\nhero0 h1\n");
    g_DialogueMgr.LoadAll();
    strpostac* bob = Actor(0, "bob");
    auto shownFor = [](const strpostac* p)
    {
        for (const PanelSubtitle& s : g_Panel.m_Subtitles)
            if (s.speaker == p && s.lines)
                return std::string(s.text[0]);
        return std::string();
    };
    g_DialogueMgr.StartDialogue("plain", bob, nullptr, nullptr);
    EXPECT_EQ(shownFor(bob), "First line");
    g_Panel.ClearSpeaker(bob);
    g_DialogueMgr.StartDialogue("quiet", bob, nullptr, nullptr);
    EXPECT_EQ(shownFor(bob), "");
    g_DialogueMgr.StartDialogue("anonymous", bob, nullptr, nullptr);
    EXPECT_EQ(shownFor(bob), "") << "shown without a speaker";
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Third line");

    g_DialogueMgr.StartHeroDialogue("mine");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Marek: Hero speaks");
    EXPECT_TRUE(g_DialogueMgr.IsHeroDialogueActive());
    g_DialogueMgr.Update();
    EXPECT_FALSE(g_DialogueMgr.IsHeroDialogueActive()) << "its only line has ended";
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\Town_INTRO.w");
    g_DialogueMgr.StartHeroDialogue("mine");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Hero speaks");
    // The hero's silence grows only while he says nothing.
    g_DialogueMgr.Update();
    EXPECT_FLOAT_EQ(g_DialogueMgr.m_fHeroSilence, 0.0f);
    g_DialogueMgr.Update();
    EXPECT_NEAR(g_DialogueMgr.m_fHeroSilence, 0.1f, 1e-5f);
}

TEST_F(Dialogues, AnObjectsHeroVoiceLineShowsItsSubtitleAndLeavesTheHeroDialogueGoing)
{
    m_dir->Write("scripts/hero_dialogues/h.txt", "hero_dialogue mine\nhero0 h1\nhero0 l2\n");
    g_DialogueMgr.LoadAll();
    g_DialogueMgr.StartHeroDialogue("mine");
    const strHeroDialogueLine* line = g_DialogueMgr.m_ActiveHeroDialogue.pDialogueLine;
    ASSERT_NE(line, nullptr);

    ActionCalls::HeroSpeak(0, "voices\\Dialogues\\l1.wav", ">l1");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Marek: First line");
    EXPECT_TRUE(g_DialogueMgr.IsHeroDialogueActive());
    EXPECT_EQ(g_DialogueMgr.m_ActiveHeroDialogue.pDialogueLine, line);

    // No subtitle with subtitles off, nor anything once the hero is dead or
    // the mission failed.
    struct Case
    {
        BYTE subtitles, dead, failed;
    };
    for (const Case c : {Case{0, 0, 0}, Case{1, 1, 0}, Case{1, 0, 1}})
    {
        std::memset(g_Panel.m_szMessage, 0, sizeof g_Panel.m_szMessage);
        g_Options.SubtitlesOn = c.subtitles;
        PlayerStats.m_bDead = c.dead;
        PlayerStats.m_bMissionFailed = c.failed;
        ActionCalls::HeroSpeak(0, "voices\\Dialogues\\l1.wav", ">l1");
        EXPECT_STREQ(g_Panel.m_szMessage[0], "") << int(c.subtitles) << int(c.dead) << int(c.failed);
    }
}

TEST_F(Dialogues, ObjectDialoguesNeedAPositiveVolumeAndRangeAndStopWithTheirObject)
{
    Script("dialogue radio\nactor0 l1\nactor0 l2\n"
           "dialogue mute\nvolume 0\nactor0 l1\n"
           "dialogue nowhere\nrange -1\nactor0 l1\n");
    g_DialogueMgr.LoadAll();
    strObject& radio = g_Engine.m_Objects[FIRST_MESH_SLOT + 1];
    const strObject kept = radio;
    radio.bUsed = 1;
    radio.PESEL[0] = 77;
    radio.fCameraDistance = 5.0f;
    g_DialogueMgr.StartDialogueByName("mute", &radio);
    EXPECT_TRUE(Contains(Log(), "Error! Dialogue Volume must be positive!"));
    g_DialogueMgr.StartDialogueByName("nowhere", &radio);
    EXPECT_TRUE(Contains(Log(), "Error! Dialogue Range must be positive!"));
    EXPECT_EQ(Running(), 0);
    g_DialogueMgr.StartDialogueByName("radio", &radio);
    EXPECT_EQ(Running(), 1);
    EXPECT_STREQ(g_Panel.m_szMessage[0], "First line");
    // The same object starts again: one slot, back at the first line.
    g_DialogueMgr.Update();
    g_DialogueMgr.StartDialogueByName("radio", &radio);
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(SlotOf("radio")->pDialogueLine->number, 0u);
    // A slot whose object went away and came back as another stops at its next line.
    radio.PESEL[0] = 78;
    g_DialogueMgr.UpdateSoundsAndListeners();
    g_DialogueMgr.Update();
    EXPECT_EQ(Running(), 0);
    g_DialogueMgr.StopDialogueOf(&radio);
    radio = kept;
}

TEST_F(Dialogues, TheSaveSectionRestartsRunningDialoguesAtTheirFirstLine)
{
    Script("dialogue talk\nactor0 l1\nactor1 l2\nactor0 l3\n");
    m_dir->Write("scripts/hero_dialogues/h.txt", "hero_dialogue mine\nhero0 h1\nhero0 h1\n");
    g_DialogueMgr.LoadAll();
    strpostac* bob = Actor(0, "bob");
    strpostac* ann = Actor(1, "ann");
    g_DialogueMgr.StartDialogue("talk", bob, ann, nullptr);
    g_DialogueMgr.StartHeroDialogue("mine");
    g_DialogueMgr.Update();
    ASSERT_EQ(SlotOf("talk")->pDialogueLine->number, 1u);

    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(g_DialogueMgr.Save(file));
    const long size = std::ftell(file);
    g_DialogueMgr.StopAll();
    std::rewind(file);
    ASSERT_TRUE(g_DialogueMgr.Load(file));
    EXPECT_EQ(std::ftell(file), size);
    const strActiveDialogue* talk = SlotOf("talk");
    ASSERT_NE(talk, nullptr);
    EXPECT_EQ(talk->pDialogueLine->number, 0u);
    EXPECT_EQ(talk->actors[0], bob);
    EXPECT_EQ(talk->actors[1], ann);
    EXPECT_TRUE(g_DialogueMgr.IsHeroDialogueActive());

    // Every cut of the section fails its load, never reading past what is there.
    std::rewind(file);
    std::string bytes(static_cast<size_t>(size), '\0');
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    for (size_t cut = 0; cut < bytes.size(); ++cut)
    {
        FILE* part = std::tmpfile();
        ASSERT_NE(part, nullptr);
        std::fwrite(bytes.data(), 1, cut, part);
        std::rewind(part);
        g_DialogueMgr.StopAll();
        EXPECT_FALSE(g_DialogueMgr.Load(part)) << cut;
        std::fclose(part);
    }
    ResetSaveFileErrors();

    // A dialogue whose speakers are all gone is reported, not started.
    ann->used = 0;
    bob->used = 0;
    file = std::tmpfile();
    g_DialogueMgr.StopAll();
    g_DialogueMgr.StartDialogue("talk", Actor(2, "zed"), nullptr, nullptr);
    ASSERT_TRUE(g_DialogueMgr.Save(file));
    PMgr.m_Postacie[2].used = 0;
    g_DialogueMgr.StopAll();
    std::rewind(file);
    ASSERT_TRUE(g_DialogueMgr.Load(file));
    std::fclose(file);
    EXPECT_EQ(Running(), 0);
    EXPECT_TRUE(Contains(Log(), "Dialogue load - no actors nor object for dialogue talk!"));
}
} // namespace
