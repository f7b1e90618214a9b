// What characters say and who hears it: a phase's dialogues (stopped first,
// then started with the actors its line names, and the hero's), a phase's line
// of speech with its subtitle, and the chat of two idle characters, which ends
// when one of them is deleted.
#include "characters_fixture.h"

#include "game/DialogueMgr.h"
#include "shell/TextMgr.h"
#include "sound/NpcChatter.h"
#include "ui/Panel.h"

#include <cstring>
#include <string>

using namespace chartest;

class PhasesTalkTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        g_Options.SubtitlesOn = 1;
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        temp->Write("scripts/text_keys.txt", ">l1 First line\n>l2 Second line\n>hail Halt there\n"
                                             ">h1 Hero speaks\n");
        g_TextMgr.Load("scripts\\text_keys.txt");
        temp->Write("scripts/dialogues/a.txt", "dialogue talk\nactor0 l1\nactor1 l2\n"
                                               "dialogue other\nactor0 l2\n");
        temp->Write("scripts/hero_dialogues/h.txt", "hero_dialogue mine\nhero0 h1\n");
        g_DialogueMgr.LoadAll();
        ClearHud();
    }
    void TearDown() override
    {
        g_NpcChatter.m_bActive = 0;
        g_NpcChatter.m_pSpeakerA = nullptr;
        g_NpcChatter.m_pSpeakerB = nullptr;
        g_DialogueMgr.Forget();
        g_TextMgr.Free();
        ClearHud();
        g_Options.SubtitlesOn = 1;
        CharactersTest::TearDown();
    }

    static void ClearHud()
    {
        for (PanelSubtitle& s : g_Panel.m_Subtitles)
            s = PanelSubtitle{};
        std::memset(g_Panel.m_szMessage, 0, sizeof g_Panel.m_szMessage);
    }

    // A character with a small box for its model (phases are entered only by
    // a character with an engine object).
    static strpostac* Live(const char* name, const D3DXVECTOR3& at)
    {
        strpostac* p = Character("a", at, name);
        if (!p)
            return nullptr;
        const float where[3] = {at.x, at.y, at.z};
        const float scale[3] = {0.1f, 0.1f, 0.1f};
        p->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, where, scale);
        EXPECT_NE(p->model, nullptr);
        p->model_made = 1;
        return p;
    }

    static const strActiveDialogue* Running(const char* name)
    {
        for (const strActiveDialogue& a : g_DialogueMgr.m_ActiveDialogues)
            if (a.active && a.pDialogue && std::strcmp(a.pDialogue->name, name) == 0)
                return &a;
        return nullptr;
    }

    static std::string SubtitleOf(const strpostac* p)
    {
        for (const PanelSubtitle& s : g_Panel.m_Subtitles)
            if (s.speaker == p && s.lines)
                return s.text[0];
        return "";
    }
};

TEST_F(PhasesTalkTest, APhaseStopsTheCharactersTalkThenStartsItsDialoguesWithTheNamedActors)
{
    Scripts("postac a\nfaza stoi\nloop\n"
            "faza gada\nloop\nstop_dialogue\ndialogue talk kate nobody\nhero_dialogue mine\n"
            "faza milczy\nloop\nstop_dialogue\n");
    strpostac* bob = Live("bob", D3DXVECTOR3(1, 0, 0));
    strpostac* kate = Live("kate", D3DXVECTOR3(2, 0, 0));
    ASSERT_NE(bob, nullptr);
    ASSERT_NE(kate, nullptr);
    PMgr.SetFaza(bob, "stoi");
    g_DialogueMgr.StartDialogue("other", bob, nullptr, nullptr);
    ASSERT_NE(Running("other"), nullptr);

    PMgr.SetFaza(bob, "gada");
    EXPECT_EQ(Running("other"), nullptr) << "the talk the character was in stops";
    const strActiveDialogue* talk = Running("talk");
    ASSERT_NE(talk, nullptr) << "stopping comes first, so the new dialogue survives it";
    EXPECT_EQ(talk->actors[0], bob);
    EXPECT_EQ(talk->actors[1], kate) << "found by the line's second word";
    EXPECT_EQ(talk->actors[2], nullptr) << "a name of no character";
    EXPECT_TRUE(g_DialogueMgr.IsHeroDialogueActive());
    EXPECT_EQ(SubtitleOf(bob), "First line");

    PMgr.SetFaza(bob, "milczy");
    EXPECT_EQ(Running("talk"), nullptr);
    EXPECT_EQ(SubtitleOf(bob), "") << "the stopped speaker's subtitle goes";
}

TEST_F(PhasesTalkTest, ALineOfSpeechStopsTheDialoguesAndIsSubtitledNearTheCamera)
{
    Scripts("postac a\nfaza stoi\nloop\n"
            "faza mowi\nloop\nsay hail\n"
            "faza oglasza\nloop\nsay_s hail\n");
    strpostac* near = Live("near", D3DXVECTOR3(3, 0, 0));
    strpostac* far = Live("far", D3DXVECTOR3(30, 0, 0));
    ASSERT_NE(near, nullptr);
    ASSERT_NE(far, nullptr);
    PMgr.SetFaza(near, "stoi");
    g_DialogueMgr.StartDialogue("other", near, nullptr, nullptr);
    ASSERT_NE(Running("other"), nullptr);

    // Without a recording the line is still shown, above the speaker.
    PMgr.SetFaza(near, "mowi");
    EXPECT_EQ(Running("other"), nullptr);
    EXPECT_EQ(SubtitleOf(near), "Halt there");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "");

    // A "say_s" line goes to the message box, with no speaker.
    ClearHud();
    PMgr.SetFaza(near, "oglasza");
    EXPECT_EQ(SubtitleOf(near), "");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Halt there");

    // Out of the camera's reach, or with subtitles off, nothing is shown.
    ClearHud();
    PMgr.SetFaza(far, "mowi");
    EXPECT_EQ(SubtitleOf(far), "");
    g_Options.SubtitlesOn = 0;
    PMgr.SetFaza(near, "mowi");
    EXPECT_EQ(SubtitleOf(near), "");
}

TEST_F(PhasesTalkTest, ACharacterDeletedWhileChattingEndsTheChat)
{
    Scripts("postac a\nfaza stoi\nloop\n");
    strpostac* a = Live("a1", D3DXVECTOR3(1, 0, 0));
    strpostac* b = Live("b1", D3DXVECTOR3(2, 0, 0));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    g_NpcChatter.m_bActive = 1;
    g_NpcChatter.m_pSpeakerA = a;
    g_NpcChatter.m_pSpeakerB = b;
    b->delete_request = 1;
    PMgr.Update();
    EXPECT_EQ(b->used, 0);
    EXPECT_EQ(g_NpcChatter.m_bActive, 0u) << "the chat never names a freed record";
}
