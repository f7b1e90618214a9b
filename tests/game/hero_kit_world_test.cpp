// The hero's kit in the running demo game, in-process on the headless window
// and device: a grenade thrown at the kit barrel blows it up, the knife stabs,
// a rocket leaves the launcher, the laser pistol puts a red dot on a wall,
// the ladder takes him onto the ledge, and the rack's gun is manned, fired
// and left where he mounted it. Pictures of each are kept in the test folder.
#include "game_fixture.h"

#include "environment/FxMgr.h"
#include "physics/PhysicsMgr.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/Mouse.h"
#include "support/Bitmap.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr float kStand = 1.0f; // the hero's centre above the ground
constexpr float kPi = 3.14159265f;

class HeroKitWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("HeroKitWorldTest", kWidth, kHeight));
        ASSERT_NO_FATAL_FAILURE(StartLevel(240));
    }

    void TearDown() override
    {
        TkClearScript();
        CloseInProcessGame();
        GameTest::TearDown();
    }

    void Passes(int n)
    {
        for (int i = 0; i < n && !HasFatalFailure(); ++i)
            Pass();
    }

    // The hero stands at (x, z) looking along the yaw and pitch (a positive pitch looks down).
    void StandAt(float x, float z, float yaw, float pitch = 0.0f)
    {
        const D3DVECTOR p = {x, kStand, z};
        Player.TeleportTo(&p);
        g_Mouse.m_State.x = g_Mouse.m_State.rawX = yaw;
        g_Mouse.m_State.y = pitch;
        Passes(40);
    }

    static void Key(const char* name, bool down)
    {
        const TkKey k = TkKeyFromName(name);
        TkInjectKeyScan(k.vk, k.scan, down);
    }

    void Press(const char* name)
    {
        Key(name, true);
        Passes(2);
        Key(name, false);
        Pass();
    }

    // A picture of the next frame, kept under its own name.
    Bitmap Shot(const char* name)
    {
        g_Engine.m_bScreenshot = 1;
        Pass();
        const Bitmap b = ScreenshotIn(*m_dir, m_shots++);
        // TK_KEEP_PICTURES names a folder the pictures are copied to, to look at them.
        const char* keep = std::getenv("TK_KEEP_PICTURES");
        std::ofstream(std::filesystem::path(keep ? keep : m_dir->path().string()) /
                          (std::string(name) + ".bmp"),
                      std::ios::binary)
            << b.bytes;
        return b;
    }

    // Pixels of the region that are strongly red.
    static int RedPixels(const Bitmap& b, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
            {
                const uint32_t p = b.Pixel(x, y);
                const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
                n += r > 150 && r > 2 * g && r > 2 * bl ? 1 : 0;
            }
        return n;
    }

    static int ActiveFx(bool (*what)(const EFxInstance&))
    {
        int n = 0;
        for (int i = 1; i < MAX_FX; ++i)
            n += FX.m_Fx[i].m_bActive && what(FX.m_Fx[i]) ? 1 : 0;
        return n;
    }

    int m_shots = 0;
};

TEST_F(HeroKitWorld, AGrenadeThrownAtTheBarrelBlowsItUp)
{
    using namespace worldgen;
    StandAt(DEMO_KIT_THROW_FROM[0], DEMO_KIT_THROW_FROM[1], 0.0f, 0.35f);
    // The grenades lying south of the barrel are his once he walks over them.
    Bronie.grenades = 2;
    ASSERT_NE(g_Engine.FindObject(DEMO_KIT_BARREL, 0), nullptr);
    Press("G");
    EXPECT_EQ(Bronie.grenades, 1u);
    Shot("grenade_throw");
    ASSERT_TRUE(RunUntil([] { return g_Engine.FindObject("granat", 0) != nullptr; }, 60));
    EXPECT_TRUE(RunUntil([&] { return Contains(Log(), DEMO_KIT_BARREL_BLOWN); }, 300));
    EXPECT_EQ(g_Engine.FindObject("granat", 0), nullptr) << "gone in its blast";
    Shot("grenade_blast");
}

TEST_F(HeroKitWorld, TheLaserDotSitsOnTheWallTheKnifeStabsAndARocketFlies)
{
    using namespace worldgen;
    // Three units east of the ledge's far end, looking west and a little down at it.
    const float wallX = DEMO_PHYSICS.x + DEMO_PHYSICS.stairLength + DEMO_PHYSICS.ledgeLength;
    StandAt(wallX + 3.0f, DEMO_PHYSICS.z + 1.0f, -kPi / 2.0f, 0.3f);
    ItemMgr.GiveItem("p99", 30);
    Bronie.SelectImmediate(0);
    Passes(10);
    ASSERT_NE(Bronie.current, nullptr);
    const Bitmap off = Shot("laser_off");
    Press("L");
    Passes(5);
    ASSERT_TRUE(Bronie.laserOn);
    EXPECT_TRUE(Bronie.laserDotPlaced);
    EXPECT_NEAR(Bronie.laserDotPoint.x, wallX, 0.05f) << "on the ledge's end";
    const Bitmap on = Shot("laser_on");
    const int w = on.width, h = on.height;
    EXPECT_GT(RedPixels(on, w / 4, h / 4, w * 3 / 4, h * 3 / 4),
              RedPixels(off, w / 4, h / 4, w * 3 / 4, h * 3 / 4));
    Press("L");

    // The knife: out, the stab, back.
    Press("Q");
    EXPECT_NE(Bronie.knifeState, 0u);
    Shot("knife");
    ASSERT_TRUE(RunUntil([] { return Bronie.knifeState == 0; }, 120));

    // A rocket north, where nothing stands within the launcher's dead zone.
    ItemMgr.GiveItem("rpg", 5);
    Bronie.SelectImmediate(5);
    g_Mouse.m_State.x = 0.0;
    g_Mouse.m_State.y = -0.1;
    Passes(30);
    ASSERT_NE(Bronie.current, nullptr);
    TkInjectMouseButton(0, true);
    const bool flew =
        RunUntil([this] { return ActiveFx([](const EFxInstance& f) { return f.m_bRocket != 0; }) > 0; }, 10);
    TkInjectMouseButton(0, false);
    EXPECT_TRUE(flew);
    EXPECT_FALSE(Contains(Log(), "Launcher without its Shoot_Socket: rpg"));
    Passes(10);
    Shot("rocket");
}

TEST_F(HeroKitWorld, TheLadderTakesTheHeroOntoTheLedge)
{
    using namespace worldgen;
    const float farEnd = DEMO_PHYSICS.x + DEMO_PHYSICS.stairLength + DEMO_PHYSICS.ledgeLength;
    StandAt(farEnd + 1.5f, DEMO_PHYSICS.z, -kPi / 2.0f, 0.35f);
    Press("E");
    ASSERT_TRUE(Player.OnLadder());
    Key("W", true);
    Passes(60);
    Shot("ladder");
    const bool off = RunUntil([] { return !Player.OnLadder(); }, 900);
    Key("W", false);
    ASSERT_TRUE(off);
    Passes(30);
    // On the ledge, past its far end.
    EXPECT_LT(Player.m_vPosition.x, farEnd);
    EXPECT_GT(Player.m_vPosition.y, DEMO_PHYSICS.ledgeHeight + 0.5f);
    Shot("ledge");
}

TEST_F(HeroKitWorld, TheRacksGunIsMannedFiredAndLeftWhereItWasMounted)
{
    using namespace worldgen;
    StandAt(DEMO_KIT_RACK_AT[0], DEMO_KIT_RACK_AT[1] - 2.5f, 0.0f, 0.3f);
    const D3DXVECTOR3 mounted(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    Press("E");
    ASSERT_TRUE(Player.OnGun());
    ASSERT_TRUE(RunUntil([] { return Player.m_iGunState == 0; }, 600));
    const size_t before = Log().size();
    TkInjectMouseButton(0, true);
    Passes(60);
    const Bitmap firing = Shot("gun_firing");
    TkInjectMouseButton(0, false);
    EXPECT_FALSE(Contains(Log(), "Can't find item description for AK."));
    EXPECT_GE(Log().size(), before);
    EXPECT_GT(ActiveFx([](const EFxInstance& f) { return f.m_iType == FX_BULLET; }), 0);
    Press("E");
    ASSERT_TRUE(RunUntil([] { return !Player.OnGun(); }, 600));
    EXPECT_NEAR(Player.m_vPosition.x, mounted.x, 0.05f);
    EXPECT_NEAR(Player.m_vPosition.z, mounted.z, 0.05f);
    Passes(10);
    Shot("gun_left");
}
} // namespace
