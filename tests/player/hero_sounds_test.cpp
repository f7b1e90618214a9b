// The hero's sounds on the bundled data tree: each sound and voice his
// breath, jumps, falls and wounds play is there, so none of them prints a
// loading problem over the view.
#include "hero_fixture.h"

#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "environment/FxMgr.h"
#include "game/CutScene.h"
#include "render/PostProcess.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "support/GameProcess.h"
#include "world/IntersectSegment.h"

using namespace playertest;

namespace
{
class HeroSounds : public HeroTest
{
protected:
    void SetUp() override
    {
        HeroTest::SetUp();
        CopyDataTree(temp->path());
        TkSetBackend(TkBackend::Headless);
        TkSoundResetHeadless();
        g_Options.sound = 1;
        ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    }

    void TearDown() override
    {
        g_SoundMgr.Release();
        TkSoundResetHeadless();
        HeroTest::TearDown();
    }

    // Sounds created so far that the sound manager could not load.
    static size_t Problems() { return Count(ConsoleLog(), "Sound loading problem"); }
};

TEST_F(HeroSounds, BreathJumpsFallsAndWoundsPlayBundledFiles)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    // Running until out of breath: the half-way breath, then the exhausted one.
    Key(CPlayer::CMD_RUN, true);
    Key(CPlayer::CMD_FORWARD, true);
    for (int i = 0; i < 300 && !Player.m_bExhausted; ++i)
        Frames(1);
    Key(CPlayer::CMD_RUN, false);
    Key(CPlayer::CMD_FORWARD, false);
    EXPECT_TRUE(Player.m_bExhausted);
    Frames(600);
    // Jumps, each with its sound and one of the jump voices.
    for (int jump = 0; jump < 20; ++jump)
    {
        Player.m_fStamina = 1.0f;
        Key(CPlayer::CMD_JUMP, true);
        Frames(1);
        Key(CPlayer::CMD_JUMP, false);
        Frames(90);
    }
    EXPECT_LT(Player.m_fTimeSinceJump, 2.0f) << "the jumps were made";
    // Falls and bullet wounds, with their voices.
    Player.m_fTimeSinceInit = 10.0f;
    RayTestResult hit;
    hit.Reset();
    hit.bHit = 1;
    hit.pObject = Player.m_hObject;
    hit.vPoint = Player.m_vPosition;
    EItemDesc weapon{};
    weapon.Hit = 0.0f;
    const float shooterAt[3] = {5.0f, 0.0f, 5.0f};
    HOBJECT shooter = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, shooterAt, nullptr);
    ASSERT_NE(shooter, nullptr);
    for (int i = 0; i < 30; ++i)
    {
        PlayerStats.m_fHealth = 100.0f;
        Player.FallDamage(10.0f, 0.0f);
        Player.m_fOuchTimer = 10.0f;
        EXPECT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
        g_SoundMgr.Update();
    }
    EXPECT_EQ(Problems(), 0u) << ConsoleLog();
}

TEST_F(HeroSounds, ABreathPlaysOnceAndGoesWhenItEndsOrTheViewIsTakenAway)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    // Runs until the half-way breath starts.
    auto breathe = []
    {
        Player.m_fStamina = 0.55f;
        Player.m_fBreathTimer = 10.0f;
        Key(CPlayer::CMD_RUN, true);
        Key(CPlayer::CMD_FORWARD, true);
        for (int i = 0; i < 60 && !Player.m_hBreathSound; ++i)
            Frames(1);
        Key(CPlayer::CMD_RUN, false);
        Key(CPlayer::CMD_FORWARD, false);
        return Player.m_hBreathSound != nullptr && g_SoundMgr.IsPlaying(Player.m_hBreathSound);
    };
    struct Case
    {
        const char* why;
        void (*stop)();
        void (*undo)();
    };
    const Case cases[] = {
        {"played to its end", [] { TkSoundSinkAdvance(TK_SOUND_RATE * 10); }, [] {}},
        {"letterbox", [] { g_Panel.WideScreen = 1; }, [] { g_Panel.WideScreen = 0; }},
        {"cut-scene", [] { g_CutScene.m_bPlaying = 1; }, [] { g_CutScene.m_bPlaying = 0; }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(breathe());
        c.stop();
        Frames(1);
        c.undo();
        EXPECT_EQ(Player.m_hBreathSound, nullptr);
    }
    // A world change takes the breath with the hero.
    ASSERT_TRUE(breathe());
    Player.Release();
    EXPECT_EQ(Player.m_hBreathSound, nullptr);
}
} // namespace

namespace
{
TEST_F(HeroSounds, TheGeigerCounterClicksWhileTheHeroIsHurtAndCountsTheTime)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Frames(2);
    EXPECT_EQ(Player.m_Geiger.sound, nullptr);
    EXPECT_EQ(Player.m_fRadiation, 0.0f);
    // Hurt each frame for half a second: the loop plays and the time counts.
    for (int i = 0; i < 30; ++i)
    {
        Player.m_fTimeSinceHurt = 0.0f;
        Frames(1);
    }
    ASSERT_NE(Player.m_Geiger.sound, nullptr);
    EXPECT_TRUE(g_SoundMgr.IsPlaying(Player.m_Geiger.sound));
    EXPECT_NEAR(Player.m_fRadiation, 30 * kFrame, 1e-4f);
    // Half a second after the last hurt it stops, and the count goes back to 0.
    Frames(40);
    EXPECT_EQ(Player.m_Geiger.sound, nullptr);
    EXPECT_EQ(Player.m_fRadiation, 0.0f);
    EXPECT_EQ(Problems(), 0u) << ConsoleLog();
}

TEST_F(HeroSounds, AGeigerLoopThatCannotBeMadeIsAskedForOncePerSpellOfHurt)
{
    std::filesystem::remove(temp->path() / "sounds" / "special" / "geiger01.wav");
    Start();
    g_MainGame.m_iLevelFrame = 300;
    for (int i = 0; i < 30; ++i)
    {
        Player.m_fTimeSinceHurt = 0.0f;
        Frames(1);
    }
    EXPECT_EQ(Player.m_Geiger.sound, nullptr);
    EXPECT_EQ(Problems(), 1u);
    Frames(40);
    Player.m_fTimeSinceHurt = 0.0f;
    Frames(1);
    EXPECT_EQ(Problems(), 2u);
}
} // namespace

namespace
{
TEST_F(HeroSounds, TheHeartbeatLoopsWhileHealthIsLowAndStopsAtDeath)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Player.m_fTimeSinceInit = 10.0f;
    PlayerStats.m_fHealth = 60.0f;
    Frames(2);
    EXPECT_EQ(Player.m_Heartbeat.sound, nullptr);
    PlayerStats.m_fHealth = 30.0f;
    Player.m_fTimeSinceHurt = 0.0f; // no regeneration in these frames
    Frames(2);
    ASSERT_NE(Player.m_Heartbeat.sound, nullptr);
    EXPECT_TRUE(g_SoundMgr.IsPlaying(Player.m_Heartbeat.sound));
    strSound* loop = Player.m_Heartbeat.sound;
    Player.m_fTimeSinceHurt = 0.0f;
    Frames(1);
    EXPECT_EQ(Player.m_Heartbeat.sound, loop) << "made once";
    // The letterbox view silences it.
    g_Panel.WideScreen = 1;
    Player.m_fTimeSinceHurt = 0.0f;
    Frames(1);
    EXPECT_EQ(Player.m_Heartbeat.sound, nullptr);
    g_Panel.WideScreen = 0;
    Player.m_fTimeSinceHurt = 0.0f;
    Frames(1);
    ASSERT_NE(Player.m_Heartbeat.sound, nullptr);
    // Death stops it.
    Player.ChangeHealth(-100.0f);
    EXPECT_TRUE(PlayerStats.m_bDead);
    EXPECT_EQ(Player.m_Heartbeat.sound, nullptr);
    EXPECT_EQ(Problems(), 0u) << ConsoleLog();
}

TEST_F(HeroSounds, InFocusTheHeartBeatsAtFullHealthAndTheHeroGoesQuietly)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Player.m_fTimeSinceInit = 10.0f;
    PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth;
    struct Row
    {
        BYTE mode;       // the object effect's forced mode (0: on, not forced)
        float heartbeat; // the heartbeat level
        bool focus;
    };
    for (const Row& r : {Row{1, 0.5f, true}, Row{0, 0.5f, false}, Row{1, 0.0f, false}})
    {
        SCOPED_TRACE(testing::Message() << int(r.mode) << " " << r.heartbeat);
        PostProcess.EnableObjectEffect(r.mode);
        Player.SetHeartbeatLevel(r.heartbeat);
        Frames(1);
        EXPECT_EQ(Player.m_bFocusMode, r.focus ? 1 : 0);
        EXPECT_EQ(Player.m_Heartbeat.sound != nullptr, r.focus) << "full health beats only in focus";
        PostProcess.DisableObjectEffect(1);
    }
    Player.SetHeartbeatLevel(0.0f);
    Frames(1);
    EXPECT_EQ(Player.m_bFocusMode, 0);
    EXPECT_EQ(Player.m_Heartbeat.sound, nullptr);
}

TEST_F(HeroSounds, ABulletHitThrowsUpBloodUnlessTheHeroIsShielded)
{
    FX.LoadAll();
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Player.m_fTimeSinceInit = 10.0f;
    RayTestResult hit;
    hit.Reset();
    hit.bHit = 1;
    hit.pObject = Player.m_hObject;
    hit.vPoint = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    EItemDesc weapon{};
    weapon.Hit = 1.0f;
    const float shooterAt[3] = {5.0f, 0.0f, 5.0f};
    HOBJECT shooter = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, shooterAt, nullptr);
    ASSERT_NE(shooter, nullptr);
    auto blood = []
    {
        int n = 0;
        for (const EFxInstance& fx : FX.m_Fx)
            n += fx.m_bActive && std::string(fx.m_szName) == "afx_hit_blood01";
        return n;
    };
    ASSERT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
    EXPECT_EQ(blood(), 1);
    // Standing in a cage shields him.
    FX.ReleaseAllFx();
    g_Engine.SetObjectName(ground, "klatka");
    Player.m_hStandObject = ground;
    ASSERT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
    EXPECT_EQ(blood(), 0);
    EXPECT_EQ(ConsoleLog().find("afx_hit_blood01"), std::string::npos) << "the effect is bundled";
}
} // namespace
