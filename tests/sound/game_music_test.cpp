// Combat music and the townsfolk's chatter on the headless sound sink: a
// second of engagement starts a combat loop, two seconds of calm in all bring
// the gong, the script variables forbid and force music, and failures of the
// loop's file leave later music free; idle characters at the right distances
// chat, and a letterbox or a busy speaker ends it.
#include "sound_fixture.h"

#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "player/ItemMgr.h"
#include "sound/GameMusic.h"
#include "sound/NpcChatter.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr float kFrame = 0.1f;

class GameMusicTest : public SoundTest
{
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        PMgr.Forget();
        g_GameAI.FreeVariables();
        g_Options.MusicOn = 1;
        g_Panel.WideScreen = 0;
        g_MainGame.m_iLevelFrame = 300;
        g_Engine.m_fDeltaTime = kFrame;
        std::srand(7);
        for (int k = 1; k <= GameMusic::COMBAT_LOOPS; ++k)
            m_dir.Write("music/loop/A" + std::to_string(k) + ".ogg", OggFile(2, 44100, 44100, 200.0f));
        m_dir.Write("music/gong_02.ogg", OggFile(2, 44100, 44100, 160.0f));
        m_dir.Write("music/level.ogg", OggFile(2, 44100, 44100, 300.0f));
        g_GameMusic.ResetFlags();
    }

    void TearDown() override
    {
        g_GameMusic.StopAndReset();
        g_NpcChatter.Release();
        PMgr.Forget();
        SoundTest::TearDown();
    }

    // A hostile soldier fighting within reach of the hero.
    static strpostac& Enemy(int slot)
    {
        strpostac& p = PMgr.m_Postacie[slot];
        p = strpostac{};
        p.slot = static_cast<DWORD>(slot);
        p.used = 1;
        p.engaged = 1;
        p.camera_distance = 30.0f;
        std::snprintf(p.name, sizeof p.name, "enemy%d", slot);
        return p;
    }

    // A weapon a character can carry, silenced or not.
    static EItemInstance* Gun(BYTE silenced)
    {
        static EItemInstance guns[2] = {};
        guns[silenced].m_bUsed = 1;
        guns[silenced].m_bSilenced = silenced;
        return &guns[silenced];
    }

    static void Frames(float seconds)
    {
        for (int i = 0, n = static_cast<int>(seconds / kFrame + 0.5f); i < n; ++i)
            g_GameMusic.Update();
    }

    static bool InCombatLoop()
    {
        return g_GameMusic.CombatLoopPlaying() &&
               std::strncmp(g_GameMusic.m_szCurrentFile, "music\\loop\\A", 12) == 0;
    }

    static bool GongPlays() { return std::strcmp(g_GameMusic.m_szCurrentFile, GameMusic::GONG) == 0; }
};

TEST_F(GameMusicTest, ASecondOfFightingStartsACombatLoopAndLessDoesNothing)
{
    strpostac& enemy = Enemy(0);
    Frames(0.9f);
    enemy.engaged = 0;
    g_GameMusic.Update();
    EXPECT_FALSE(g_GameMusic.m_bMusicActive);
    EXPECT_FLOAT_EQ(g_GameMusic.m_fStartDelay, GameMusic::START_DELAY);
    enemy.engaged = 1;
    Frames(0.9f);
    EXPECT_FALSE(g_GameMusic.m_bMusicActive);
    Frames(0.2f);
    EXPECT_TRUE(InCombatLoop());
    EXPECT_EQ(g_GameMusic.m_bLevelMusic, 0);
    EXPECT_TRUE(g_SoundMgr.Music_IsPlaying());

    // During the loop a level track asked for without force is held back,
    // unless music is forbidden.
    g_GameMusic.Start("music\\level.ogg", 1, 0);
    EXPECT_TRUE(InCombatLoop());
    g_GameAI.SetVariable(GameMusic::VAR_FORBIDDEN, nullptr);
    g_GameMusic.Start("music\\level.ogg", 1, 0);
    EXPECT_STREQ(g_GameMusic.m_szCurrentFile, "music\\level.ogg");
    EXPECT_EQ(g_GameMusic.m_bCombatLoop, 0);
}

TEST_F(GameMusicTest, NothingEngagesTheMusicBeforeLevelFrame280)
{
    Enemy(0);
    g_MainGame.m_iLevelFrame = GameMusic::FIRST_COMBAT_FRAME - 1;
    Frames(3.0f);
    EXPECT_FALSE(g_GameMusic.m_bMusicActive);
    g_MainGame.m_iLevelFrame = GameMusic::FIRST_COMBAT_FRAME;
    Frames(1.1f);
    EXPECT_TRUE(InCombatLoop());
}

TEST_F(GameMusicTest, CalmSpellsAddUpToTheGongAndForcedMusicHoldsItBack)
{
    strpostac& enemy = Enemy(0);
    Frames(1.1f);
    ASSERT_TRUE(InCombatLoop());
    enemy.engaged = 0;
    Frames(1.5f);
    EXPECT_TRUE(InCombatLoop());
    enemy.engaged = 1;
    Frames(1.0f);
    EXPECT_TRUE(InCombatLoop()) << "renewed fighting keeps the calm time";
    EXPECT_NEAR(g_GameMusic.m_fCalmTime, 1.5f, 0.01f);
    enemy.engaged = 0;
    Frames(0.4f);
    EXPECT_TRUE(InCombatLoop());
    Frames(0.2f);
    EXPECT_TRUE(GongPlays());
    EXPECT_EQ(g_GameMusic.m_bCombatLoop, 0);
    EXPECT_EQ(g_GameMusic.m_bMusicActive, 1);

    // With "wymus_muzyke" the calm never adds up.
    g_GameMusic.StopAndReset();
    enemy.engaged = 1;
    Frames(1.1f);
    ASSERT_TRUE(InCombatLoop());
    g_GameAI.SetVariable(GameMusic::VAR_FORCED, nullptr);
    enemy.engaged = 0;
    Frames(5.0f);
    EXPECT_TRUE(InCombatLoop());
    EXPECT_FLOAT_EQ(g_GameMusic.m_fCalmTime, 0.0f);
    // The level's reset clears both variables.
    g_GameAI.SetVariable(GameMusic::VAR_FORBIDDEN, nullptr);
    g_GameMusic.ResetFlags();
    EXPECT_FALSE(g_GameAI.IsVariableSet(GameMusic::VAR_FORCED));
    EXPECT_FALSE(g_GameAI.IsVariableSet(GameMusic::VAR_FORBIDDEN));
}

TEST_F(GameMusicTest, AMissingLoopBlocksNothingAndTheLevelsReleaseStopsALoop)
{
    strpostac& enemy = Enemy(0);
    for (int k = 1; k <= GameMusic::COMBAT_LOOPS; ++k)
        std::remove(("music/loop/A" + std::to_string(k) + ".ogg").c_str());
    Frames(1.1f);
    EXPECT_EQ(g_GameMusic.m_bCombatLoop, 0);
    EXPECT_FALSE(g_GameMusic.m_bMusicActive);
    EXPECT_GT(g_GameMusic.m_fStartDelay, 0.5f) << "tried again a second later, not every frame";
    g_GameMusic.Start("music\\level.ogg", 1, 0);
    EXPECT_STREQ(g_GameMusic.m_szCurrentFile, "music\\level.ogg");

    // A loop playing when the level is released stops with it.
    m_dir.Write("music/loop/A1.ogg", OggFile(2, 44100, 44100, 200.0f));
    g_GameMusic.StopAndReset();
    for (int k = 2; k <= GameMusic::COMBAT_LOOPS; ++k)
        m_dir.Write("music/loop/A" + std::to_string(k) + ".ogg", OggFile(2, 44100, 44100, 200.0f));
    enemy.engaged = 1;
    Frames(1.1f);
    ASSERT_TRUE(InCombatLoop());
    g_GameMusic.StopAndReset();
    EXPECT_FALSE(g_GameMusic.m_bMusicActive);
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());
    EXPECT_STREQ(g_GameMusic.m_szCurrentFile, "");
}

TEST_F(GameMusicTest, OnlyHostileEngagedCharactersInReachCount)
{
    strFaza quiet = {};
    quiet.ignore_music = 1;
    struct Case
    {
        const char* what;
        void (*change)(strpostac&, strFaza*);
        int result;  // without include-all
        int withAll; // with it
    };
    const Case cases[] = {
        {"engaged", [](strpostac&, strFaza*) {}, 1, 1},
        {"alarmed", [](strpostac& p, strFaza*) { p.alarmed = 1; }, 2, 2},
        {"dead", [](strpostac& p, strFaza*) { p.dead = 1; }, 0, 0},
        {"calm", [](strpostac& p, strFaza*) { p.engaged = 0; }, 0, 0},
        {"civilian", [](strpostac& p, strFaza*) { p.civilian = 1; }, 0, 0},
        {"partner", [](strpostac& p, strFaza*) { p.partner = 1; }, 0, 0},
        {"far", [](strpostac& p, strFaza*) { p.camera_distance = 100.5f; }, 0, 0},
        {"at the edge", [](strpostac& p, strFaza*) { p.camera_distance = 100.0f; }, 1, 1},
        {"not for music", [](strpostac& p, strFaza* f) { p.faza = f; }, 0, 1},
        {"loud weapon", [](strpostac& p, strFaza*) { p.weapon = Gun(0); }, 1, 1},
        {"silenced weapon", [](strpostac& p, strFaza*) { p.weapon = Gun(1); }, 0, 0},
    };
    for (const Case& c : cases)
    {
        strpostac& p = Enemy(3);
        c.change(p, &quiet);
        DWORD count = 99;
        EXPECT_EQ(GameMusic::CountEngagedEnemies(GameMusic::ENGAGE_RADIUS, &count, false), c.result)
            << c.what;
        EXPECT_EQ(count, c.result ? 1u : 0u) << c.what;
        EXPECT_EQ(GameMusic::CountEngagedEnemies(GameMusic::ENGAGE_RADIUS, nullptr, true), c.withAll)
            << c.what;
    }
    // A fight with the stand-in hero is no fight of the hero's.
    strpostac& fake = Enemy(5);
    fake.engaged = 0;
    std::snprintf(fake.name, sizeof fake.name, "%s", CPostacMgr::FAKE_HERO_NAME);
    strObject& model = g_Engine.m_Objects[FIRST_MESH_SLOT + 2];
    const strObject kept = model;
    model.bUsed = 1;
    fake.model = &model;
    PMgr.m_Postacie[3].target = &model;
    EXPECT_EQ(GameMusic::CountEngagedEnemies(GameMusic::ENGAGE_RADIUS, nullptr, true), 0);
    PMgr.m_Postacie[3].target = nullptr;
    model = kept;
    // A letterbox view counts nobody.
    g_Panel.m_bPanoramic = 1;
    EXPECT_EQ(GameMusic::CountEngagedEnemies(GameMusic::ENGAGE_RADIUS, nullptr, true), 0);
    g_Panel.m_bPanoramic = 0;
}

class ChatterTest : public GameMusicTest
{
protected:
    void SetUp() override
    {
        GameMusicTest::SetUp();
        for (int line = 1; line <= static_cast<int>(CNpcChatter::LINES); ++line)
            for (char take : {'a', 'b', 'c'})
            {
                char name[48];
                std::snprintf(name, sizeof name, "voices/Dialogues/DL%02d%c.wav", line, take);
                m_dir.Write(name, WaveFile(1, 11025, std::vector<int16_t>(2205, 1000)));
            }
        g_NpcChatter.Reset();
    }

    static strpostac& Idle(int slot, float fromHero, float x)
    {
        strpostac& p = Enemy(slot);
        p.engaged = 0;
        p.camera_distance = fromHero;
        p.position = D3DXVECTOR3(x, 0.0f, 0.0f);
        return p;
    }
};

TEST_F(ChatterTest, TwoIdleCharactersChatOnlyAtTheRightDistances)
{
    struct Case
    {
        const char* what;
        float fromHeroA, fromHeroB, apart;
        bool chat;
    };
    const Case cases[] = {
        {"next to the hero", 5.0f, 5.0f, 2.0f, false},
        {"far and far apart", 1500.0f, 1500.0f, 900.0f, false},
        {"beyond hearing", 2100.0f, 2100.0f, 10.0f, false},
        {"near each other", 50.0f, 60.0f, 20.0f, true},
        {"at the edges", 10.0f, 2000.0f, 800.0f, true},
    };
    for (const Case& c : cases)
    {
        g_NpcChatter.Release();
        PMgr.Forget();
        Idle(0, c.fromHeroA, 0.0f);
        Idle(1, c.fromHeroB, c.apart);
        g_NpcChatter.Update();
        EXPECT_EQ(g_NpcChatter.m_bActive != 0, c.chat) << c.what;
        if (c.chat)
        {
            EXPECT_NE(g_NpcChatter.m_pVoice, nullptr) << c.what;
            EXPECT_LT(g_NpcChatter.m_iLine, CNpcChatter::LINES);
        }
    }
    EXPECT_EQ(CNpcChatter::NextLineIndex(18, 4), 2u);
    EXPECT_EQ(CNpcChatter::NextLineIndex(19, 1), 0u);
}

TEST_F(ChatterTest, AChatStopsForALetterboxABusySpeakerAndADeletedOne)
{
    strpostac& a = Idle(0, 50.0f, 0.0f);
    strpostac& b = Idle(1, 60.0f, 20.0f);
    g_NpcChatter.Update();
    ASSERT_TRUE(g_NpcChatter.m_bActive);
    // The lines go on from speaker to speaker as each voice ends.
    const DWORD speaker = g_NpcChatter.m_iSpeaker;
    TkSoundSinkAdvance(11025);
    g_NpcChatter.Update();
    EXPECT_NE(g_NpcChatter.m_iSpeaker, speaker);

    g_Panel.WideScreen = 1;
    g_NpcChatter.Update();
    EXPECT_FALSE(g_NpcChatter.m_bActive);
    EXPECT_EQ(g_NpcChatter.m_pVoice, nullptr);
    g_NpcChatter.Update();
    EXPECT_FALSE(g_NpcChatter.m_bActive) << "no new chat under the letterbox";
    g_Panel.WideScreen = 0;

    g_NpcChatter.Update();
    ASSERT_TRUE(g_NpcChatter.m_bActive);
    b.engaged = 1;
    g_NpcChatter.Update();
    EXPECT_FALSE(g_NpcChatter.m_bActive);
    b.engaged = 0;

    g_NpcChatter.Update();
    ASSERT_TRUE(g_NpcChatter.m_bActive);
    g_NpcChatter.StopIfSpeaker(&a);
    EXPECT_FALSE(g_NpcChatter.m_bActive);
    EXPECT_EQ(g_NpcChatter.m_pSpeakerA, nullptr);
}
} // namespace
