// The hero on flat ground: created at the start marker, walking, running,
// crouching and jumping through the character controller under the bound
// keys; and his health: the damage table, explosions, falls, regeneration
// and death.
#include "hero_fixture.h"

#include "game/GameAI.h"
#include "mesh/SkinModelFile.h"
#include "player/ItemDesc.h"
#include "shell/CommandMgr.h"
#include "support/ImageFiles.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace playertest;

TEST_F(HeroTest, TheHeroIsCreatedAtTheStartMarkerWithFullHealthAndHisLook)
{
    PlayerStats.m_fHealth = 30.0f;
    Marker(D3DXVECTOR3(3, 2, 5), D3DXVECTOR3(-1, 0, 0));
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_UPDATE;
    Player.Init();
    ASSERT_NE(Player.m_hObject, nullptr);
    EXPECT_STREQ(Player.m_hObject->szName, "hero");
    EXPECT_TRUE(Player.IsHeroObject(Player.m_hObject));
    EXPECT_FALSE(Player.IsHeroObject(nullptr));
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, PlayerStats.m_fMaxHealth);
    EXPECT_NEAR(g_Mouse.m_State.x, -M_PI / 2, 1e-3) << "looking along -x";
    EXPECT_NE(ConsoleLog().find("TworzPostacGracza - BRAK bDurezPhysics"), std::string::npos);
    Frames(60);
    EXPECT_NEAR(Player.m_vPosition.x, 3.0f, kNear);
    EXPECT_NEAR(Player.m_vPosition.z, 5.0f, kNear);
    EXPECT_TRUE(Player.m_bCanMove);
}

TEST_F(HeroTest, WithoutAStartMarkerTheHeroStaysAtTheOriginAndHisHealthIsKept)
{
    PlayerStats.m_fHealth = 30.0f;
    Player.Init();
    ASSERT_NE(Player.m_hObject, nullptr);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 30.0f);
    ASSERT_NE(g_PhysicsMgr.m_character, nullptr);
}

TEST_F(HeroTest, KeysMoveTheHeroOnlyFromLevelFrame220)
{
    Marker(D3DXVECTOR3(0, 2, 0));
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_UPDATE;
    Player.Init();
    Key(CPlayer::CMD_FORWARD, true);
    Frames(CPlayer::FRAME_MOVE - CPlayer::FRAME_UPDATE);
    EXPECT_NEAR(Player.m_vPosition.z, 0.0f, kNear) << "held forward before frame 220";
    EXPECT_NEAR(Player.m_vPosition.x, 0.0f, kNear);
    Frames(60);
    EXPECT_GT(Player.m_vPosition.z, 1.0f) << "forward walks along the camera's flat forward axis";
    EXPECT_NEAR(Player.m_vPosition.x, 0.0f, kNear);
}

TEST_F(HeroTest, EachMovementKeyWalksItsWayAndRunningIsFaster)
{
    Start();
    struct Case
    {
        int command;
        D3DXVECTOR3 dir;
    };
    const Case cases[] = {{CPlayer::CMD_FORWARD, {0, 0, 1}},
                          {CPlayer::CMD_BACK, {0, 0, -1}},
                          {CPlayer::CMD_STRAFE_LEFT, {-1, 0, 0}},
                          {CPlayer::CMD_STRAFE_RIGHT, {1, 0, 0}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.command);
        const D3DXVECTOR3 from = At();
        Key(c.command, true);
        Frames(30);
        Key(c.command, false);
        Frames(30); // friction stops him
        const D3DXVECTOR3 moved = At() - from;
        EXPECT_GT(moved.x * c.dir.x + moved.z * c.dir.z, 0.5f);
        EXPECT_NEAR(moved.x * c.dir.z + moved.z * c.dir.x, 0.0f, kNear) << "no drift sideways";
    }

    const float walkStart = At().z;
    Key(CPlayer::CMD_FORWARD, true);
    Frames(60);
    const float walked = At().z - walkStart;
    Key(CPlayer::CMD_RUN, true);
    const float runStart = At().z;
    Frames(60);
    const float ran = At().z - runStart;
    EXPECT_GT(ran, walked * 1.5f);
    EXPECT_LT(Player.m_fStamina, 1.0f) << "running drains stamina";
}

TEST_F(HeroTest, AfterExhaustionRunningComesBackOnlyAbove02)
{
    Start();
    Player.m_fStamina = 0.11f;
    Key(CPlayer::CMD_FORWARD, true);
    Key(CPlayer::CMD_RUN, true);
    Frames(10);
    EXPECT_TRUE(Player.m_bExhausted);
    EXPECT_FALSE(Player.m_bRunning);
    // Walking refills 1/15 a second: about 3 s to pass 0.2.
    Frames(150);
    EXPECT_LE(Player.m_fStamina, 0.2f);
    EXPECT_TRUE(Player.m_bExhausted);
    EXPECT_FALSE(Player.m_bRunning);
    int frames = 0;
    while (Player.m_bExhausted && frames < 120)
    {
        Frames(1);
        ++frames;
        if (Player.m_bExhausted)
            ASSERT_FALSE(Player.m_bRunning);
    }
    EXPECT_FALSE(Player.m_bExhausted);
    EXPECT_GT(Player.m_fStamina, 0.2f);
    EXPECT_LT(Player.m_fStamina, 0.21f);
    Frames(1);
    EXPECT_TRUE(Player.m_bRunning) << "the held run key runs again";
}

TEST_F(HeroTest, ACrouchTapKeepsTheHeroDownAndAHeldKeyStandsHimUpOnRelease)
{
    Start();
    // Tap: down and up within 0.4 s.
    Key(CPlayer::CMD_CROUCH, true);
    Frames(5);
    Key(CPlayer::CMD_CROUCH, false);
    Frames(5);
    EXPECT_TRUE(Player.m_bCrouched);
    EXPECT_FLOAT_EQ(Player.m_vHalfExtents.y, 0.4f);
    // The eyes reach their crouched drop over 0.4 s and stay there.
    Frames(30);
    EXPECT_NEAR(Player.m_fCrouchEyeOffset, -0.4f, 1e-4f);
    D3DVECTOR shown;
    g_Engine.GetObjectPosition(Player.m_hObject, &shown);
    EXPECT_NEAR(shown.y, Player.m_vPosition.y - 0.4f, 1e-3f);
    // A second tap stands him.
    Key(CPlayer::CMD_CROUCH, true);
    Frames(5);
    Key(CPlayer::CMD_CROUCH, false);
    Frames(5);
    EXPECT_FALSE(Player.m_bCrouched);
    EXPECT_FLOAT_EQ(Player.m_vHalfExtents.y, 0.92f);
    // Hold: down more than 0.4 s, then up.
    Frames(30);
    Key(CPlayer::CMD_CROUCH, true);
    Frames(40);
    EXPECT_TRUE(Player.m_bCrouched);
    Key(CPlayer::CMD_CROUCH, false);
    Frames(1);
    EXPECT_FALSE(Player.m_bCrouched);
}

TEST_F(HeroTest, ACrouchingHeroNeverRunsAndWalksSlowly)
{
    Start();
    Key(CPlayer::CMD_CROUCH, true);
    Frames(40);
    ASSERT_TRUE(Player.m_bCrouched);
    Key(CPlayer::CMD_FORWARD, true);
    const float from = At().z;
    Frames(60);
    EXPECT_FALSE(Player.m_bRunning);
    EXPECT_LE(Player.m_fSpeedCap, 0.05f);
    EXPECT_GT(At().z - from, 0.5f);
}

TEST_F(HeroTest, NoJumpStartsAtStaminaOf01OrLess)
{
    Start();
    const float standing = At().y;
    // Standing still refills an eighth a second before the keys are read.
    for (const float stamina : {0.1f - kFrame / 8.0f, 0.05f})
    {
        Player.m_fStamina = stamina;
        Key(CPlayer::CMD_JUMP, true);
        Frames(1);
        Key(CPlayer::CMD_JUMP, false);
        Frames(60);
        EXPECT_NEAR(At().y, standing, kNear) << "stamina " << stamina;
    }
    Player.m_fStamina = 1.0f;
    Key(CPlayer::CMD_JUMP, true);
    Frames(1);
    EXPECT_NEAR(Player.m_fStamina, 0.8f, 0.01f);
    float top = At().y;
    for (int i = 0; i < 30; ++i)
    {
        Frames(1);
        top = std::max(top, At().y);
    }
    EXPECT_GT(top, standing + 0.3f) << "the jump rises";
    Frames(120);
    EXPECT_NEAR(At().y, standing, kNear) << "and lands";
    EXPECT_FALSE(PlayerStats.m_bDead);

    // Without the jump permission, nothing.
    PlayerStats.m_bCanJump = 0;
    Key(CPlayer::CMD_JUMP, false);
    Frames(30);
    Key(CPlayer::CMD_JUMP, true);
    Frames(20);
    EXPECT_NEAR(At().y, standing, kNear);
}

TEST_F(HeroTest, AJumpRisesToItsTopAndTheFallIsMeasuredFromThere)
{
    Start();
    const float standing = At().y;
    Key(CPlayer::CMD_JUMP, true);
    Frames(1);
    Key(CPlayer::CMD_JUMP, false);
    ASSERT_TRUE(Player.m_bJumping);
    float top = At().y;
    float fallStart = CPlayer::NO_FALL;
    int risingFrames = 0;
    for (int i = 0; i < 90 && fallStart == CPlayer::NO_FALL; ++i)
    {
        Frames(1);
        top = std::max(top, At().y);
        risingFrames += Player.m_bJumping;
        if (!Player.m_bJumping)
            fallStart = Player.m_fFallStartY;
    }
    EXPECT_GT(risingFrames, 3) << "the jump counts as rising on its way up";
    ASSERT_GT(top, standing + 0.3f);
    // The fall starts at the top of the jump, not at the take-off.
    EXPECT_NEAR(fallStart, top, 0.05f);
    Frames(120);
    EXPECT_NEAR(At().y, standing, kNear);
    EXPECT_FALSE(PlayerStats.m_bDead);
}

TEST_F(HeroTest, HoldingQuickLoadLoadsOncePerPress)
{
    Start();
    Key(CPlayer::CMD_QUICK_LOAD, true);
    Frames(60);
    EXPECT_EQ(Player.m_iCheckpointLoads, 1);
    Key(CPlayer::CMD_QUICK_LOAD, false);
    Frames(2);
    Key(CPlayer::CMD_QUICK_LOAD, true);
    Frames(2);
    EXPECT_EQ(Player.m_iCheckpointLoads, 2);
}

TEST_F(HeroTest, ADamageIsScaledByDifficulty)
{
    Start();
    Player.m_fTimeSinceInit = 10.0f;
    Player.m_fFrameTime = 0.0f; // no regeneration inside the calls
    struct Case
    {
        int difficulty;
        float amount;
        float taken;
    };
    const Case cases[] = {{0, 10.0f, 9.0f},  {1, 10.0f, 12.5f}, {2, 10.0f, 16.5f},
                          {3, 10.0f, 24.0f}, {3, 5.0f, 24.0f},  {3, 20.0f, 48.0f}};
    const D3DXVECTOR3 source(0, 0, 10);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.difficulty);
        g_Options.Difficulty = c.difficulty;
        PlayerStats.m_fHealth = 100.0f;
        Player.TakeDamage(&source, c.amount);
        EXPECT_NEAR(100.0f - PlayerStats.m_fHealth, c.taken, 1e-3f);
        EXPECT_FLOAT_EQ(Player.m_fTimeSinceDamage, 0.0f);
    }
}

TEST_F(HeroTest, OnTheDraisineEveryHurtIsHalved)
{
    Start();
    Player.m_fTimeSinceInit = 10.0f;
    Player.m_fFrameTime = 0.0f; // no regeneration inside the calls
    g_Engine.SetObjectName(ground, "Drezyna");
    Player.m_hStandObject = ground;
    PlayerStats.m_fHealth = 100.0f;
    Player.ChangeHealth(-10.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 95.0f);
    Player.ChangeHealth(4.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 99.0f) << "healing is whole";
    g_Engine.SetObjectName(ground, "cart");
    Player.ChangeHealth(-10.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 89.0f);
}

TEST_F(HeroTest, DamageIsDroppedInTheFirstFiveSecondsAndWhileDeadOrFailed)
{
    Start();
    Player.m_fFrameTime = 0.0f;
    Player.m_fTimeSinceInit = 4.9f;
    Player.TakeDamage(nullptr, 10.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 100.0f);
    Player.m_fTimeSinceInit = 5.1f;
    PlayerStats.m_bMissionFailed = 1;
    Player.TakeDamage(nullptr, 10.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 100.0f);
    PlayerStats.m_bMissionFailed = 0;
    Player.TakeDamage(nullptr, 10.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 87.5f);
}

TEST_F(HeroTest, AnExplosionAtTheHeroTakesSeventyTimesTheDifficultyFactor)
{
    Start();
    Player.m_fFrameTime = 0.0f;
    PlayerStats.m_fMaxHealth = 1000.0f;
    struct Case
    {
        int difficulty;
        float distance;
        float strength;
        float taken;
    };
    const Case cases[] = {{0, 0.0f, 1.0f, 70.0f},
                          {3, 0.0f, 1.0f, 280.0f},
                          {1, 4.0f, 1.0f, 56.0f},
                          {0, 8.0f, 1.0f, 0.0f},
                          {0, 8.0f, 2.0f, 35.0f}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.difficulty << " at " << c.distance);
        g_Options.Difficulty = c.difficulty;
        PlayerStats.m_fHealth = 1000.0f;
        Player.m_fTimeSinceExplosion = 5.0f;
        const D3DXVECTOR3 blast(Player.m_vPosition.x + c.distance, Player.m_vPosition.y,
                                Player.m_vPosition.z);
        Player.ApplyExplosion(&blast, c.strength);
        EXPECT_NEAR(1000.0f - PlayerStats.m_fHealth, c.taken, 1e-2f);
        EXPECT_FLOAT_EQ(Player.m_fTimeSinceExplosion, 0.0f);
    }
    // Beyond eight radii nothing at all.
    const D3DXVECTOR3 far(Player.m_vPosition.x + 65.0f, Player.m_vPosition.y, Player.m_vPosition.z);
    Player.m_fTimeSinceExplosion = 5.0f;
    Player.ApplyExplosion(&far, 1.0f);
    EXPECT_FLOAT_EQ(Player.m_fTimeSinceExplosion, 5.0f);
}

TEST_F(HeroTest, AFallOfMoreThanFourUnitsHurtsThirteenAUnit)
{
    Start();
    Player.m_fFrameTime = 0.0f;
    struct Case
    {
        float height;
        DWORD levelFrame;
        float taken;
    };
    const Case cases[] = {{5.0f, 300, 13.0f}, {4.0f, 300, 0.0f}, {7.0f, 300, 39.0f}, {7.0f, 200, 0.0f}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.height);
        g_MainGame.m_iLevelFrame = c.levelFrame;
        PlayerStats.m_fHealth = 100.0f;
        Player.FallDamage(10.0f + c.height, 10.0f);
        EXPECT_NEAR(100.0f - PlayerStats.m_fHealth, c.taken, 1e-3f);
    }
    EXPECT_NE(ConsoleLog().find("Spadl - damage == 13"), std::string::npos);
}

TEST_F(HeroTest, DroppingFromAHeightHurtsOnLanding)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    const D3DXVECTOR3 up(At().x, At().y + 7.0f, At().z);
    Player.TeleportTo(&up);
    Frames(120);
    EXPECT_TRUE(Player.m_bCanMove);
    // About 3 units past the free 4, at 13 a unit; the fall is measured from
    // where the controller first reports the hero off the ground.
    EXPECT_NEAR(100.0f - PlayerStats.m_fHealth, 39.0f, 6.0f);
}

TEST_F(HeroTest, HealthRegeneratesByHowTheHeroStandsAndTheDifficulty)
{
    Start();
    struct Case
    {
        bool running, moving, crouched;
        int difficulty;
        float perSecond;
    };
    const Case cases[] = {{false, false, false, 1, 4.0f}, {false, true, false, 1, 2.0f},
                          {true, true, false, 1, 1.1f},   {false, false, true, 1, 8.0f},
                          {false, false, false, 0, 4.8f}, {false, false, false, 3, 2.8f}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.running << c.moving << c.crouched << c.difficulty);
        EXPECT_NEAR(CPlayer::RegenerationRate(c.running, c.moving, c.crouched, c.difficulty), c.perSecond,
                    1e-4f);
    }
    // From 10 to 14 in one second standing still at difficulty 1.
    PlayerStats.m_fHealth = 10.0f;
    Frames(60);
    EXPECT_NEAR(PlayerStats.m_fHealth, 14.0f, 0.05f);
    // Not within half a second of a hurt that asks for the wait.
    Player.ChangeHealth(-1.0f, 0.0f, 0, 1);
    const float hurt = PlayerStats.m_fHealth;
    Frames(25);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, hurt);
    Frames(60);
    EXPECT_GT(PlayerStats.m_fHealth, hurt + 1.0f);
}

TEST_F(HeroTest, HealthBelowOneKillsTheHeroUnlessGodIsOn)
{
    Start();
    Player.m_fFrameTime = 0.0f;
    g_Options.God = 1;
    Player.ChangeHealth(-200.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 1.01f);
    EXPECT_FALSE(PlayerStats.m_bDead);
    EXPECT_NE(ConsoleLog().find("DEAD!!! "), std::string::npos);

    g_Options.God = 0;
    Player.ChangeHealth(-200.0f);
    EXPECT_TRUE(PlayerStats.m_bDead);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 0.0f);
    EXPECT_FALSE(g_Options.UpdateBezier);
    EXPECT_NE(ConsoleLog().find("HandleDeath"), std::string::npos);
    // The dead take no more and regain nothing; the keys move nothing.
    Player.ChangeHealth(50.0f);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 0.0f);
    const D3DXVECTOR3 at = At();
    Key(CPlayer::CMD_FORWARD, true);
    Frames(30);
    EXPECT_NEAR(At().z, at.z, kNear);
    // Fire loads the last checkpoint only after two seconds.
    Key(CPlayer::CMD_FIRE, true);
    Frames(1);
    EXPECT_EQ(Player.m_iCheckpointLoads, 0);
    Key(CPlayer::CMD_FIRE, false);
    Frames(120);
    Key(CPlayer::CMD_FIRE, true);
    Frames(1);
    EXPECT_EQ(Player.m_iCheckpointLoads, 1);
}

TEST_F(HeroTest, ThePitchNeverPassesItsLimitAndABadMouseStateLeavesTheLook)
{
    Start();
    const float limit = 1.5358899f;
    for (const double pitch : {10.0, -10.0, 1e30, -1e30})
    {
        SCOPED_TRACE(pitch);
        g_Mouse.m_State.y = pitch;
        for (int i = 0; i < 30; ++i)
            Player.UpdateLook();
        EXPECT_LE(std::abs(g_Mouse.m_State.y), limit + 1e-6);
        // The forward axis' height is the sine of the pitch.
        EXPECT_NEAR(std::abs(g_Camera.GetOrientation().Forward.y), std::sin(limit), 1e-3f);
    }
    g_Mouse.m_State.y = 0.0;
    g_Mouse.m_State.x = 0.5;
    for (int i = 0; i < 30; ++i)
        Player.UpdateLook();
    const D3DXVECTOR3 before = g_Camera.GetOrientation().Forward;
    EXPECT_NEAR(before.x, std::sin(0.5f), 1e-3f) << "the look follows the yaw";
    g_Mouse.m_State.x = std::nan("");
    Player.UpdateLook();
    const D3DXVECTOR3 after = g_Camera.GetOrientation().Forward;
    EXPECT_TRUE(std::isfinite(after.x) && std::isfinite(after.y) && std::isfinite(after.z));
    EXPECT_NEAR(after.x, before.x, 1e-6f);
}

TEST_F(HeroTest, TheEyeLowersFromStandingToCrouchedHeightOverHalfASecond)
{
    Start();
    const float ground = Player.m_vPosition.y;
    EXPECT_NEAR(g_Camera.GetPosition().y, ground + 0.9f, 1e-3f);
    Key(CPlayer::CMD_CROUCH, true);
    Frames(1);
    ASSERT_TRUE(Player.m_bCrouched);
    Frames(14); // a quarter second in: half way
    EXPECT_NEAR(Player.m_fEyeRise, 0.65f, 0.02f);
    Frames(15);
    EXPECT_NEAR(Player.m_fEyeRise, 0.4f, 1e-4f);
    // Going down starts a bob, which ends with its half cycle.
    Frames(30);
    EXPECT_NEAR(g_Camera.GetPosition().y, Player.m_vPosition.y + 0.4f, 1e-3f);
}

TEST_F(HeroTest, StoppingMidStrideFinishesTheBobsHalfCycle)
{
    Start();
    Key(CPlayer::CMD_FORWARD, true);
    Frames(20);
    Key(CPlayer::CMD_FORWARD, false);
    ASSERT_GT(Player.m_fBobPhase, 0.0f);
    const float phase = Player.m_fBobPhase;
    Frames(1);
    EXPECT_GT(Player.m_fBobPhase, phase) << "the bob runs on after the stop";
    Frames(60);
    EXPECT_FLOAT_EQ(Player.m_fBobPhase, 0.0f);
    EXPECT_NEAR(g_Camera.GetPosition().y, Player.m_vPosition.y + 0.9f, 1e-3f) << "and rests at the eye";
}

TEST_F(HeroTest, EveryKeyAtOnceAndLongFramesNeverBreakTheController)
{
    Start();
    const float standing = At().y;
    for (const int command :
         {CPlayer::CMD_RUN, CPlayer::CMD_FORWARD, CPlayer::CMD_BACK, CPlayer::CMD_STRAFE_LEFT,
          CPlayer::CMD_STRAFE_RIGHT, CPlayer::CMD_JUMP, CPlayer::CMD_CROUCH, CPlayer::CMD_USE,
          CPlayer::CMD_LASER, CPlayer::CMD_AIM, CPlayer::CMD_RELOAD})
        Key(command, true);
    for (int i = 0; i < 240; ++i)
    {
        Frames(1, i % 50 == 0 ? 0.8f : kFrame); // now and then a frame far too long
        ASSERT_TRUE(std::isfinite(At().x) && std::isfinite(At().y) && std::isfinite(At().z)) << i;
        ASSERT_GT(At().y, standing - 0.5f) << "never through the ground, frame " << i;
    }
    // A long frame skips the controller and the next one only warps it.
    std::fill(std::begin(g_CommandMgr.m_bKeyState), std::end(g_CommandMgr.m_bKeyState), BYTE(0));
    Frames(60);
    const D3DXVECTOR3 at = At();
    Frames(1, 0.8f);
    EXPECT_TRUE(Player.m_bPhysicsSkip);
    Frames(1);
    EXPECT_FALSE(Player.m_bPhysicsSkip);
    Frames(30);
    EXPECT_NEAR(At().x, at.x, kNear);
    EXPECT_NEAR(At().y, at.y, kNear);
    EXPECT_NEAR(At().z, at.z, kNear);
}

TEST_F(HeroTest, ALevelThatTakesOverTheDeathRefillsHealthOnceAndTheNextFatalHitKills)
{
    Start();
    Player.m_fFrameTime = 0.0f;
    g_GameAI.SetVariable("HandlePlayerDeath", nullptr);
    g_Options.Debug = 1; // a missing handler is reported with "Debug" on
    Player.ChangeHealth(-200.0f);
    g_Options.Debug = 0;
    EXPECT_FALSE(PlayerStats.m_bDead);
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, PlayerStats.m_fMaxHealth);
    EXPECT_FALSE(g_GameAI.IsVariableSet("HandlePlayerDeath"));
    EXPECT_NE(ConsoleLog().find("PlayerDeathHandler"), std::string::npos)
        << "the missing handler is reported";
    Player.ChangeHealth(-200.0f);
    EXPECT_TRUE(PlayerStats.m_bDead);
    g_GameAI.FreeVariables();
}

TEST_F(HeroTest, ABulletHitsOnlyTheHerosObjectFromAnotherShooter)
{
    Start();
    Player.m_fTimeSinceInit = 10.0f;
    Player.m_fFrameTime = 0.0f;
    g_Options.Difficulty = 0;
    EItemDesc weapon{};
    weapon.Hit = 50.0f;
    const float at[3] = {0.0f, 1.0f, 10.0f};
    HOBJECT shooter = g_Engine.CreateObject(OT_MESH, "prefabs\\special\\marker.x", 0, 0, at, nullptr);
    ASSERT_NE(shooter, nullptr);
    RayTestResult hit;
    hit.pObject = Player.m_hObject;
    hit.vPoint = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    // Not the hero's object, no shooter, or the hero shooting himself: nothing.
    RayTestResult elsewhere = hit;
    elsewhere.pObject = shooter;
    EXPECT_FALSE(Player.OnBulletHit(&weapon, &elsewhere, shooter, 0.0f, 1.0f));
    EXPECT_FALSE(Player.OnBulletHit(&weapon, &hit, nullptr, 0.0f, 1.0f));
    EXPECT_FALSE(Player.OnBulletHit(&weapon, &hit, Player.m_hObject, 0.0f, 1.0f));
    EXPECT_FLOAT_EQ(PlayerStats.m_fHealth, 100.0f);
    // 50 x 1.2 x 0.4 x 0.85, then 0.9 at difficulty 0.
    ASSERT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
    EXPECT_NEAR(100.0f - PlayerStats.m_fHealth, 50.0f * 1.2f * 0.4f * 0.85f * 0.9f, 1e-3f);
    EXPECT_FLOAT_EQ(Player.m_fHitFlash, 0.0f);
    EXPECT_FALSE(Player.m_bKillerKnown);
    // A fatal hit remembers where it came from, a unit above the shooter.
    weapon.Hit = 1000.0f;
    ASSERT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
    EXPECT_TRUE(PlayerStats.m_bDead);
    EXPECT_TRUE(Player.m_bKillerKnown);
    EXPECT_NEAR(Player.m_vKillerPos.y, 2.0f, 1e-4f);
}

TEST_F(HeroTest, ObjectActionsReachTheHerosPermissionsRadiusAndHealth)
{
    Start();
    ActionCalls::HeroSetRunAllowed(0);
    ActionCalls::HeroSetJumpAllowed(0);
    EXPECT_FALSE(PlayerStats.m_bCanRun);
    EXPECT_FALSE(PlayerStats.m_bCanJump);
    Key(CPlayer::CMD_RUN, true);
    Key(CPlayer::CMD_FORWARD, true);
    Frames(5);
    EXPECT_FALSE(Player.m_bRunning);
    Key(CPlayer::CMD_RUN, false);
    Key(CPlayer::CMD_FORWARD, false);
    Frames(30);

    // A radius of 1: walking away is pulled back to its edge.
    const D3DXVECTOR3 centre = At();
    ActionCalls::HeroMovementRadiusOn(1.0f);
    Key(CPlayer::CMD_FORWARD, true);
    Frames(90);
    Key(CPlayer::CMD_FORWARD, false);
    const D3DXVECTOR3 off = At() - centre;
    EXPECT_LE(std::sqrt(off.x * off.x + off.z * off.z), 1.0f + 0.15f);
    EXPECT_GT(off.z, 0.5f);
    ActionCalls::HeroMovementRadiusOff();

    EXPECT_FALSE(ActionCalls::HeroIsDead());
    ActionCalls::HeroKill();
    EXPECT_TRUE(ActionCalls::HeroIsDead());
}

TEST_F(HeroTest, InFlyModeTheEyeFliesAlongTheLookAtItsSpeedThroughWalls)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    g_Options.mucha = 1;
    g_Options.MuchaSpeed = 6.0f;
    // Looking up and to the right of +z.
    g_Mouse.m_State.x = 0.5;
    g_Mouse.m_State.y = -0.3;
    const D3DXVECTOR3 from = At();
    Key(CPlayer::CMD_FORWARD, true);
    Frames(30);
    Key(CPlayer::CMD_FORWARD, false);
    const EOrientation look(0.5f, -0.3f, 0.0f);
    const D3DXVECTOR3 way = At() - from;
    const float flown = std::sqrt(way.x * way.x + way.y * way.y + way.z * way.z);
    EXPECT_NEAR(flown, 6.0f * 30 * kFrame, 1e-3f);
    EXPECT_NEAR((way.x * look.Forward.x + way.y * look.Forward.y + way.z * look.Forward.z) / flown, 1.0f,
                1e-4f);
    EXPECT_NEAR(g_Camera.GetPosition().x, At().x, 1e-4f);
    EXPECT_NEAR(g_Camera.GetPosition().y, At().y, 1e-4f);
    // Down through the ground: fly mode knows no floor.
    g_Mouse.m_State.y = 1.5;
    Key(CPlayer::CMD_FORWARD, true);
    Frames(60);
    Key(CPlayer::CMD_FORWARD, false);
    EXPECT_LT(At().y, -2.0f);
    // Flown back up above the ground and out of fly mode, he lands on it.
    g_Mouse.m_State.y = -1.5;
    Key(CPlayer::CMD_FORWARD, true);
    Frames(90);
    Key(CPlayer::CMD_FORWARD, false);
    EXPECT_GT(At().y, 1.0f);
    g_Options.mucha = 0;
    Frames(120);
    EXPECT_TRUE(Player.m_bCanMove) << "landed on the ground";
}

TEST_F(HeroTest, ANoClipLevelSwitchesFlyModeOnFromFrame263)
{
    Start();
    strai level;
    level.noClip = 1;
    g_GameAI.m_pCurrentLevel = &level;
    g_Options.mucha = 0;
    g_MainGame.m_iLevelFrame = CPlayer::FRAME_NO_CLIP - 2;
    Frames(1);
    EXPECT_EQ(g_Options.mucha, 0);
    Frames(2);
    EXPECT_EQ(g_Options.mucha, 1);
    g_GameAI.m_pCurrentLevel = nullptr;
    g_Options.mucha = 0;
}

TEST_F(HeroTest, StandingOnAnObjectWhoseActionsFireOnContactRunsThem)
{
    EObjectActionParams plate;
    plate.Reset();
    plate.dwEnabled = 1;
    plate.action_general_opt = 1;
    plate.action_general_2_once = 1;
    g_Engine.SetObjectActionParams(ground, &plate);
    Start();
    EXPECT_EQ(ground->bActionHasRun, 0) << "not marked to fire on contact";
    plate.action_general_2 = 1;
    g_Engine.SetObjectActionParams(ground, &plate);
    // The ground probe's find of the last frame (the segment test of this
    // small world knows no meshes).
    Player.m_hStandObject = ground;
    Frames(1);
    EXPECT_EQ(ground->bActionHasRun, 1);
}

TEST_F(HeroTest, TheDeveloperKeysSwitchOnTheirPressOnlyWithTheDeveloperSetting)
{
    Start();
    struct Row
    {
        int command;
        BYTE* option;
        BYTE* copy;
    };
    const Row rows[] = {{CPlayer::CMD_DEV_UPDATE_MODELS, &g_Options.UpdateModels, &g_Options.UpdateBezier},
                        {CPlayer::CMD_DEV_DEBUG_CHARACTERS, &g_Options.DebugCharacters, nullptr},
                        {CPlayer::CMD_DEV_DISPLAY, &g_Options.DrawFPS, nullptr}};
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.command);
        const BYTE before = *r.option;
        g_Options.developer = 0;
        Key(r.command, true);
        Frames(2);
        Key(r.command, false);
        Frames(1);
        EXPECT_EQ(*r.option, before) << "not without the developer setting";
        g_Options.developer = 1;
        Key(r.command, true);
        Frames(10);
        EXPECT_EQ(*r.option, before ? 0 : 1) << "once per press";
        if (r.copy)
            EXPECT_EQ(*r.copy, *r.option);
        Key(r.command, false);
        Frames(1);
        Key(r.command, true);
        Frames(1);
        Key(r.command, false);
        Frames(1);
        EXPECT_EQ(*r.option, before);
    }
    g_Options.developer = 0;
}

TEST_F(HeroTest, F4AndF5PutANumberedTestSoldierWithHisRifleInFrontOfTheCamera)
{
    SkinModelDesc model;
    model.bones.push_back({"Bip01", -1, {}});
    D3DXMatrixIdentity(&model.bones[0].local);
    model.mesh = BoxMesh();
    model.weights.assign(model.mesh.positions.size() / 3, {{0, 1.0f}});
    std::filesystem::create_directories("models/postacie/soldat1");
    ASSERT_TRUE(WriteSkinModelFile("models\\postacie\\soldat1\\soldat1.x", model, tk::xfile::XFormat::Text));
    std::ofstream("models/postacie/soldat1/sockets.txt") << "ak47_prawa Bip01 0 0 0 0 0 0\n";
    std::filesystem::create_directories("prefabs/bronie_static");
    ASSERT_TRUE(
        tk::xfile::XWriteMeshFile("prefabs\\bronie_static\\ak_low.x", BoxMesh(), tk::xfile::XFormat::Text));
    Start();
    g_Options.developer = 1;
    for (int command : {CPlayer::CMD_DEV_SOLDIER_CROUCHING, CPlayer::CMD_DEV_SOLDIER_TALKING})
    {
        Key(command, true);
        Frames(3);
        Key(command, false);
        Frames(1);
    }
    g_Options.developer = 0;
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    for (const char* name : {"hero0", "hero1"})
    {
        SCOPED_TRACE(name);
        HOBJECT soldier = g_Engine.FindObject(name, 0);
        ASSERT_NE(soldier, nullptr) << "one soldier a press";
        EXPECT_EQ(soldier->Type, OT_SKINMESH);
        EXPECT_NEAR(soldier->vPosition.x, eye.x, 0.01f);
        EXPECT_NEAR(soldier->vPosition.z, eye.z + 3.0f, 0.01f) << "ahead of the camera looking along +z";
        const strObject* rifle = nullptr;
        for (const strObject& o : g_Engine.m_Objects)
            if (o.bUsed && o.bTied && std::strcmp(o.szTieObject, name) == 0)
                rifle = &o;
        ASSERT_NE(rifle, nullptr) << "his rifle is tied to him";
        EXPECT_EQ(rifle->Type, OT_MESH);
        EXPECT_TRUE(rifle->dwFlags & 1) << "and shown";
    }
    EXPECT_EQ(g_Engine.FindObject("hero2", 0), nullptr);
}

TEST_F(HeroTest, ABlastShakesTheCameraOutToSixRadiiAndAScopedHitShakesHarder)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Player.m_fFrameTime = 0.0f;
    const D3DXVECTOR3 hero = At();
    g_Camera.StopShakes();
    const D3DXVECTOR3 far(hero.x + 70.0f, hero.y, hero.z); // beyond eight radii
    Player.ApplyExplosion(&far, 1.0f);
    EXPECT_EQ(g_Camera.m_bShake, 0);
    const D3DXVECTOR3 near(hero.x + 30.0f, hero.y, hero.z);
    Player.ApplyExplosion(&near, 2.0f);
    ASSERT_EQ(g_Camera.m_bShake, 1);
    EXPECT_FLOAT_EQ(g_Camera.m_Shake.fValues[0], 3.8f);
    EXPECT_FLOAT_EQ(g_Camera.m_Shake.fValues[6], 6.0f * 16.0f) << "six radii of a strength-2 blast";
    EXPECT_FLOAT_EQ(g_Camera.m_Shake.fValues[7], 2.2f);
    EXPECT_FLOAT_EQ(g_Camera.m_vShakeSource.y, hero.y + 0.25f);

    // A bullet hit while aimed through a scope.
    Player.m_fTimeSinceInit = 10.0f;
    RayTestResult hit;
    hit.Reset();
    hit.bHit = 1;
    hit.pObject = Player.m_hObject;
    hit.vPoint = hero;
    EItemDesc weapon{};
    weapon.Hit = 1.0f;
    EItemDesc scope{};
    scope.Snajper_Celownik = 1;
    EItemInstance rifle{};
    rifle.m_pDesc = &scope;
    const float shooterAt[3] = {5.0f, 0.0f, 5.0f};
    HOBJECT shooter = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, shooterAt, nullptr);
    ASSERT_NE(shooter, nullptr);
    for (const float aim : {0.5f, 0.9f})
    {
        Bronie.current = &rifle;
        Bronie.aimProgress = aim;
        ASSERT_TRUE(Player.OnBulletHit(&weapon, &hit, shooter, 0.0f, 1.0f));
        EXPECT_FLOAT_EQ(g_Camera.m_Shake.fValues[7], aim > 0.8f ? 2.6f : 1.6f) << aim;
    }
    Bronie.current = nullptr;
    Bronie.aimProgress = 0.0f;
}

TEST_F(HeroTest, TheDeathViewRollsOverAndTurnsTowardsTheKiller)
{
    Start();
    g_MainGame.m_iLevelFrame = 300;
    Player.m_fTimeSinceInit = 10.0f;
    // Looking along +z; the killer stands to the east.
    Player.m_bKillerKnown = 0;
    PlayerStats.m_fHealth = 0.5f;
    Player.ChangeHealth(0.0f);
    ASSERT_TRUE(PlayerStats.m_bDead);
    Player.m_bKillerKnown = 1;
    Player.m_vKillerPos = Player.m_vDeathCamPos + D3DXVECTOR3(20.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 startForward = g_Camera.GetOrientation().Forward;
    Frames(60);
    const EOrientation& view = g_Camera.GetOrientation();
    EXPECT_GT(view.Forward.x, startForward.x + 0.5f) << "turned towards the killer";
    EXPECT_LT(std::fabs(view.Up.y), 0.95f) << "rolled over";
    EXPECT_LT(g_Camera.GetPosition().y, Player.m_vDeathCamPos.y) << "sunk to the ground";
}

TEST_F(HeroTest, FootstepsTakeTheSurfaceOfTheFaceUnderfoot)
{
    // A wooden plate on the ground; its texture's script names the wood.
    std::filesystem::create_directories("textures");
    std::filesystem::create_directories("scripts");
    std::ofstream("textures/plank.tga", std::ios::binary)
        << TgaFile(4, 4, std::vector<DWORD>(16, 0xFF806040), false);
    std::ofstream("scripts/textures.txt", std::ios::binary) << "texture plank.tga\r\nwood\r\n";
    g_Renderer.ScanTextureDirectory();
    tk::xfile::XMeshDesc plank = BoxMesh();
    plank.materials[0].texture = "plank.tga";
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\plate.x", plank, tk::xfile::XFormat::Text));
    const float at[3] = {0.0f, 0.1f, 0.0f};
    const float size[3] = {6.0f, 0.2f, 6.0f};
    HOBJECT plate = g_Engine.CreateObject(OT_MESH, "meshes\\plate.x", OF_STATIC_BODY, 0, at, size);
    ASSERT_NE(plate, nullptr);
    ASSERT_EQ(g_PhysicsMgr.GiveLoadedObjectBody(plate), EBodyChoice::Box);
    // As a world's load does, the plate goes into the segment tests.
    g_Engine.PrepareObject(plate);

    Start(D3DXVECTOR3(0, 2, 0));
    EXPECT_EQ(Player.m_hStandObject, plate);
    EXPECT_EQ(Player.m_iSurface, static_cast<DWORD>(MATERIAL_WOOD));
    // The scanned paths and scripts go with the test.
    g_Renderer.FreeTexturePaths();
    g_Renderer.FreeTextureSubstitutes();
}
