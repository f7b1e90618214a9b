// The hero's special moves: climbing a ladder to its top exit, a mounted gun's
// approach, shots and return, the countdown, the bezier walk's refusal of a
// missing path, riding a socket, and the hide zone.
#include "hero_fixture.h"

#include "environment/FxMgr.h"
#include "mesh/MeshSocketsMgr.h"
#include "platform/dsound/DSoundHeadless.h"
#include "platform/Backend.h"
#include "sound/SoundMgr.h"
#include "world/EngineObject.h"
#include "world/ObjectActionParams.h"

#include <string>

using namespace playertest;

namespace
{
constexpr const char* GUN_MESH = "meshes\\gun.x";

class HeroMovesTest : public HeroTest
{
protected:
    void SetUp() override
    {
        HeroTest::SetUp();
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(GUN_MESH, BoxMesh(), tk::xfile::XFormat::Text));
        temp->Write("scripts/mesh_sockets/gun.txt",
                    std::string("mesh_filename ") + GUN_MESH + "\nsocket kamera 0 1 0\nsocket blik 0 1 1\n");
        g_MeshSockets.LoadAll();
        FX.ReleaseAllFx();
        // The ladder's slide loop.
        std::filesystem::create_directories("sounds/hero");
        WriteSilence("sounds/hero/drabina_zjazd.wav");
    }

    // A short silent PCM wave.
    static void WriteSilence(const char* path)
    {
        const uint32_t samples = 4410;
        std::string w = "RIFF";
        auto u32 = [&](uint32_t v)
        {
            for (int i = 0; i < 4; ++i)
                w += static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        auto u16 = [&](uint16_t v)
        {
            w += static_cast<char>(v & 0xFF);
            w += static_cast<char>(v >> 8);
        };
        u32(36 + samples * 2);
        w += "WAVEfmt ";
        u32(16);
        u16(1);
        u16(1);
        u32(44100);
        u32(88200);
        u16(2);
        u16(16);
        w += "data";
        u32(samples * 2);
        w += std::string(samples * 2, '\0');
        FILE* f = std::fopen(path, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(w.data(), 1, w.size(), f);
        std::fclose(f);
    }

    void TearDown() override
    {
        FX.ReleaseAllFx();
        g_MeshSockets.Clear();
        HeroTest::TearDown();
    }

    // A ladder `height` high standing at the point, its forward axis along +z.
    static HOBJECT Ladder(const D3DXVECTOR3& at, float height)
    {
        const float scale[3] = {1.0f, height, 0.1f};
        return g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, &at.x, scale);
    }

    static HOBJECT Gun(const char* name, const D3DXVECTOR3& at, BYTE heavy)
    {
        HOBJECT g = g_Engine.CreateObject(OT_MESH, GUN_MESH, 0, 0, &at.x, nullptr);
        if (!g)
            return nullptr;
        g_Engine.SetObjectName(g, name);
        EObjectActionParams p;
        p.dwEnabled = 1;
        p.mount_gun = 1;
        p.m4_gun = heavy;
        g_Engine.SetObjectActionParams(g, &p);
        return g;
    }

    // Frames of the hero's update and the pre-render step.
    static void Play(int n, float dt = kFrame)
    {
        for (int i = 0; i < n; ++i)
        {
            g_Engine.m_fDeltaTime = dt;
            Player.Update();
            Player.UpdateCamera();
            ++g_MainGame.m_iLevelFrame;
        }
    }

    static int Lights()
    {
        int n = 0;
        for (int i = 0; i < 4200; ++i)
            if (HOBJECT o = g_Engine.GetObjectBySlot(i); o && o->bUsed && o->Type == OT_LIGHT)
                ++n;
        return n;
    }
};
} // namespace

TEST_F(HeroMovesTest, ASixUnitLadderIsClimbedInAboutSixSecondsToItsTopExit)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    // Floating: nothing under it, so its foot is its own bottom.
    HOBJECT ladder = Ladder(D3DXVECTOR3(0.0f, 10.0f, 2.0f), 6.0f);
    ASSERT_NE(ladder, nullptr);
    Player.GrabLadder(ladder);
    ASSERT_TRUE(Player.OnLadder());
    EXPECT_FLOAT_EQ(Player.m_fLadderBottom, 7.0f);
    EXPECT_FLOAT_EQ(Player.m_fLadderTop, 13.0f);
    // Onto the climbing line half a unit in front of it.
    for (int i = 0; i < 600 && Player.m_iLadderPhase == -1; ++i)
        Play(1);
    ASSERT_EQ(Player.m_iLadderPhase, 0);
    EXPECT_NEAR(Player.m_vPosition.z, 1.5f, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.y, 7.0f, 1e-3f);

    Key(CPlayer::CMD_FORWARD, true);
    int frames = 0;
    while (Player.OnLadder() && Player.m_iLadderPhase == 0 && frames < 1200)
    {
        Play(1);
        ++frames;
    }
    EXPECT_NEAR(frames * kFrame, 6.0f, 0.1f);
    // Put at the exit at once: 0.65 above the top, 0.7 along the forward axis from the line.
    EXPECT_NEAR(Player.m_vPosition.y, 13.65f, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.z, 2.2f, 1e-3f);
    Key(CPlayer::CMD_FORWARD, false);
    Play(2);
    EXPECT_FALSE(Player.OnLadder());
    EXPECT_GT(Player.m_vVelocity.z, 0.0f) << "on over the top, not back over the edge";
}

TEST_F(HeroMovesTest, ALongFrameOnTheLadderNeverTurnsTheViewPastTheLadder)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    g_Mouse.m_State.x = 3.0; // looking nearly backwards
    Play(5);
    HOBJECT ladder = Ladder(D3DXVECTOR3(0.0f, 3.0f, 2.0f), 6.0f);
    Player.GrabLadder(ladder);
    Play(1, 0.5f);
    const D3DXVECTOR3 f = g_Camera.GetOrientation().Forward;
    EXPECT_GT(f.z, 0.9f) << "facing the ladder, not past it";
    EXPECT_TRUE(std::isfinite(f.x));
}

TEST_F(HeroMovesTest, SlidingDownLoopsItsSoundAndStepsOffAtTheBottom)
{
    TkSetBackend(TkBackend::Headless);
    TkSoundResetHeadless();
    g_Options.sound = 1;
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    struct SoundOff
    {
        ~SoundOff()
        {
            g_SoundMgr.Release();
            TkSoundResetHeadless();
        }
    } soundOff;
    ASSERT_NO_FATAL_FAILURE(Start());
    HOBJECT ladder = Ladder(D3DXVECTOR3(0.0f, 10.0f, 2.0f), 6.0f);
    Player.GrabLadder(ladder);
    for (int i = 0; i < 600 && Player.m_iLadderPhase == -1; ++i)
        Play(1);
    Player.m_vPosition.y = 12.0f;
    Key(CPlayer::CMD_BACK, true);
    Play(1);
    EXPECT_NE(Player.m_hSlideSound, nullptr);
    Play(80); // 4 units a second: 5 units in 1.25 s
    Key(CPlayer::CMD_BACK, false);
    EXPECT_EQ(Player.m_hSlideSound, nullptr);
    EXPECT_EQ(Player.m_iLadderPhase, 1);
    // A world change never keeps the slide's handle.
    Key(CPlayer::CMD_BACK, true);
    Player.m_iLadderPhase = 0;
    Play(1);
    Player.Release();
    EXPECT_EQ(Player.m_hSlideSound, nullptr);
    Key(CPlayer::CMD_BACK, false);
}

TEST_F(HeroMovesTest, DismountingWhileWalkingToTheGunIsRefusedUnlessForced)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(Gun("rack_g", D3DXVECTOR3(0.0f, 0.0f, 3.0f), 0), nullptr);
    const D3DXVECTOR3 before = At();
    Player.MountGun("rack_g");
    ASSERT_TRUE(Player.OnGun());
    Play(1);
    EXPECT_EQ(Player.m_iGunState, 1);
    Player.DismountGun(0, nullptr);
    EXPECT_EQ(Player.m_iGunState, 1);
    Player.DismountGun(1, nullptr);
    EXPECT_EQ(Player.m_iGunState, -1);
    for (int i = 0; i < 600 && Player.OnGun(); ++i)
        Play(1);
    EXPECT_FALSE(Player.OnGun());
    EXPECT_NEAR(Player.m_vPosition.x, before.x, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.z, before.z, 1e-3f);
}

TEST_F(HeroMovesTest, TheGunIsMannedFiredTenTimesASecondAndLeftWhereItWasMounted)
{
    Catalogue(StandardCatalogue() + Weapon("AK", 1, 30, 300, "Hit 20\npredkosc 600\n"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(Gun("rack_g", D3DXVECTOR3(0.0f, 0.0f, 3.0f), 0), nullptr);
    const D3DXVECTOR3 before = At();
    Player.MountGun("rack_g");
    for (int i = 0; i < 600 && Player.m_iGunState == 1; ++i)
        Play(1);
    ASSERT_EQ(Player.m_iGunState, 0);
    // At the gun's camera socket.
    EXPECT_NEAR(g_Camera.GetPosition().y, 1.0f, 1e-3f);
    EXPECT_NEAR(g_Camera.GetPosition().z, 3.0f, 0.3f);

    // A minute of fire: the flashes go out as fast as they come.
    Key(CPlayer::CMD_FIRE, true);
    int most = 0;
    for (int i = 0; i < 60 * 60; ++i)
    {
        Play(1);
        g_EngineObject.m_fFrameTime = kFrame;
        g_EngineObject.UpdateObjects();
        g_Engine.DeletePendingObjects();
        most = std::max(most, Lights());
    }
    Key(CPlayer::CMD_FIRE, false);
    EXPECT_LE(most, 2);
    EXPECT_EQ(Count(ConsoleLog(), "Can't find item description"), 0u);

    // The use key (on its press) takes him back.
    Key(CPlayer::CMD_USE, true);
    Play(1);
    Key(CPlayer::CMD_USE, false);
    EXPECT_EQ(Player.m_iGunState, -1);
    for (int i = 0; i < 600 && Player.OnGun(); ++i)
        Play(1);
    EXPECT_FALSE(Player.OnGun());
    EXPECT_NEAR(Player.m_vPosition.x, before.x, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.z, before.z, 1e-3f);
}

TEST_F(HeroMovesTest, WithoutTheGunsItemNothingFiresAndTheLineSaysWhich)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HOBJECT gun = Gun("rack_g", D3DXVECTOR3(0.0f, 0.0f, 3.0f), 1);
    Player.FireMountedGun(gun);
    EXPECT_EQ(Count(ConsoleLog(), "Can't find item description for M2."), 1u);
    EXPECT_EQ(Lights(), 0);
}

TEST_F(HeroMovesTest, AGunNameThatDoesNotFitIsRefused)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string name(64, 'g');
    Player.MountGun(name.c_str());
    EXPECT_FALSE(Player.OnGun());
}

TEST_F(HeroMovesTest, ACountdownOfFiveFiresItsTargetAfterJustOverFourSeconds)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HOBJECT target = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    g_Engine.SetObjectName(target, "bomb");
    EObjectActionParams t;
    t.dwEnabled = 1;
    std::snprintf(t.action_console_print, sizeof t.action_console_print, "%s", "bomb goes off");
    g_Engine.SetObjectActionParams(target, &t);
    HOBJECT starter = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    EObjectActionParams s;
    s.dwEnabled = 1;
    s.action_countdown_turn_on = 1;
    s.action_countdown_time_in_seconds = 5.0f;
    std::snprintf(s.action_countdown_action_on_finish, sizeof s.action_countdown_action_on_finish, "%s",
                  "bomb");
    g_Engine.SetObjectActionParams(starter, &s);

    Player.StartCountdown(starter);
    ASSERT_TRUE(Player.m_bCountdown);
    int frames = 0;
    while (Player.m_bCountdown && frames < 1000)
    {
        Play(1, 0.01f);
        ++frames;
    }
    // Once the time drops below 1.0: four seconds of 5.0 counted down.
    EXPECT_NEAR(frames * 0.01f, 4.0f, 0.015f);
    EXPECT_EQ(Count(ConsoleLog(), "bomb goes off"), 1u);

    // A missing target is named, and nothing runs.
    std::snprintf(s.action_countdown_action_on_finish, sizeof s.action_countdown_action_on_finish, "%s",
                  "gone");
    g_Engine.SetObjectActionParams(starter, &s);
    Player.StartCountdown(starter);
    EXPECT_FALSE(Player.m_bCountdown);
    EXPECT_EQ(Count(ConsoleLog(), "Can't find Countdown target action object \"gone\""), 1u);
}

TEST_F(HeroMovesTest, ABezierWalkOnAMissingPathIsRefusedAndTheHeroWalksOn)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Player.StartBezier("no_such_path", 1);
    EXPECT_FALSE(Player.m_bBezier);
    EXPECT_EQ(Count(ConsoleLog(), "Player Bezier no_such_path too short or not existing!"), 1u);
    Key(CPlayer::CMD_FORWARD, true);
    const float z = Player.m_vPosition.z;
    Play(30);
    Key(CPlayer::CMD_FORWARD, false);
    EXPECT_GT(Player.m_vPosition.z, z + 0.1f);
}

TEST_F(HeroMovesTest, RidingFollowsTheSocketAndAMissingRideEndsIt)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HOBJECT cart = Gun("cart", D3DXVECTOR3(5.0f, 0.0f, 5.0f), 0);
    ASSERT_NE(cart, nullptr);
    ASSERT_TRUE(Player.StartMovingOnObject("cart", "kamera"));
    Play(3);
    EXPECT_NEAR(Player.m_vPosition.x, 5.0f, 1e-3f);
    EXPECT_NEAR(Player.m_vPosition.y, 1.0f, 1e-3f);
    // A socket that is not there: the line, and the hero stays put.
    ASSERT_TRUE(Player.StartMovingOnObject("cart", "no_socket"));
    Play(1);
    EXPECT_GE(Count(ConsoleLog(), "Can't read movement socket no_socket"), 1u);
    EXPECT_TRUE(Player.m_bRiding);
    // The object gone: riding stops.
    g_Engine.DeleteObject(cart);
    Play(1);
    EXPECT_EQ(Count(ConsoleLog(), "Can't find movement object cart"), 1u);
    EXPECT_FALSE(Player.m_bRiding);
    EXPECT_FALSE(Player.StartMovingOnObject("cart", nullptr));
}

TEST_F(HeroMovesTest, TheHideZoneHidesWithinItsThresholdAndForgetsADeletedObject)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    HOBJECT zone = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    g_Engine.SetObjectName(zone, "bushes");
    zone->fCameraDistance = 5.0f;
    Player.SetHideZone("bushes", 10.0f);
    EXPECT_TRUE(Player.HideZoneTest());
    zone->fCameraDistance = 15.0f;
    EXPECT_FALSE(Player.HideZoneTest());
    zone->fCameraDistance = 5.0f;
    g_Engine.DeleteObject(zone);
    HOBJECT other = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, nullptr, nullptr);
    other->fCameraDistance = 1.0f;
    EXPECT_FALSE(Player.HideZoneTest()) << "the slot's new object is not the zone";
    Player.SetHideZone("nothing", 10.0f);
    EXPECT_FALSE(Player.HideZoneTest());
}
