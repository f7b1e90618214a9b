// The hero's view: the recoil kick of the look and of the eye, the scope's
// wobble and the held breath, the sprint sway, the weapon placed at the eye,
// the crosshair probe and the pick-up target the use key acts on; and input of
// any timing never breaking the controller or the view.
#include "hero_fixture.h"

#include "characters/PostacMgr.h"
#include "platform/win32/Input.h"
#include "shell/Input.h"
#include "ui/Panel.h"
#include "world/ObjectActionParams.h"

#include <cmath>

using namespace playertest;

namespace
{
constexpr float kTight = 1e-4f;
constexpr float kPitchLimit = 1.5358899f;

class HeroViewTest : public HeroTest
{
protected:
    void SetUp() override
    {
        HeroTest::SetUp();
        Bronie.m_bLevelInitialised = 1;
    }

    void TearDown() override
    {
        g_Options.GlobalTimeSpeed = 1.0f;
        HeroTest::TearDown();
    }

    // The look upward: the height of the forward axis (a lifted view looks up).
    static float LookLift() { return g_Camera.GetOrientation().Forward.y; }

    // A weapon of the catalogue, in hand at once.
    void Hold(const std::string& extra = "")
    {
        Catalogue(Weapon("gun", 3, 10, 100, extra));
        ItemMgr.GiveItem("gun", 10);
        ASSERT_NE(Bronie.slots[3], nullptr);
        Bronie.SelectImmediate(3);
        ASSERT_NE(Bronie.current, nullptr);
    }

    // A box whose near face stands `distance` in front of the eye along +z,
    // with an action record that sets the variable "used" when it runs.
    HOBJECT Door(float distance, const char* ifset = "")
    {
        const D3DXVECTOR3 eye = g_Camera.GetPosition();
        const float at[3] = {eye.x, eye.y, eye.z + distance + 1.0f};
        const float size[3] = {2.0f, 2.0f, 2.0f};
        HOBJECT o = g_Engine.CreateObject(OT_MESH, DROP_MESH, 1, 0, at, size);
        EXPECT_NE(o, nullptr);
        EObjectActionParams p;
        p.dwEnabled = 1;
        p.action_general_opt = 1;
        std::snprintf(p.action_default_set, sizeof p.action_default_set, "%s", "used");
        std::snprintf(p.action_ifset, sizeof p.action_ifset, "%s", ifset);
        g_Engine.SetObjectActionParams(o, &p);
        g_Engine.PrepareObject(o);
        return o;
    }
};

struct KickCase
{
    const char* name;
    float aim;
    BYTE aiming;
    BYTE crouched;
    float k1, k2;
};
} // namespace

TEST_F(HeroViewTest, TheRecoilLiftsTheLookByTheStanceAndTheAimBlend)
{
    Start();
    g_Mouse.m_State.y = 0.0;
    for (int i = 0; i < 30; ++i)
        Player.UpdateLook();
    ASSERT_NEAR(LookLift(), 0.0f, 1e-5f);
    const KickCase cases[] = {
        {"hip", 0.0f, 0, 0, 0.06f, 0.08f},
        {"half aimed", 0.5f, 1, 0, 0.06f, 0.08f},
        {"aimed", 0.95f, 1, 0, 0.01f, 0.02f},
        {"aimed crouching", 0.95f, 1, 1, 0.005f, 0.005f},
        {"crouching at the hip", 0.0f, 0, 1, 0.06f, 0.08f},
    };
    constexpr float kRecoil = 0.8f;
    for (const KickCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        Bronie.aimProgress = c.aim;
        Bronie.aiming = c.aiming;
        Player.m_bCrouched = c.crouched;
        Bronie.recoilStrength = 0.0f;
        for (int i = 0; i < 30; ++i)
            Player.UpdateLook();
        Bronie.recoilStrength = kRecoil;
        Player.UpdateLook();
        EXPECT_NEAR(LookLift(), std::sin((c.k1 * c.aim + c.k2) * kRecoil), kTight);
    }
    // Without recoil the look returns to the mouse's pitch.
    Bronie.recoilStrength = 0.0f;
    for (int i = 0; i < 30; ++i)
        Player.UpdateLook();
    EXPECT_NEAR(LookLift(), 0.0f, 1e-5f);
}

TEST_F(HeroViewTest, TheEyeKickIsHalvedInAimAndSmallerCrouching)
{
    Start();
    struct
    {
        float aim;
        BYTE crouched;
        float k1, k2;
    } cases[] = {{0.0f, 0, 0.05f, 0.04f},
                 {0.4f, 1, 0.05f, 0.04f},
                 {0.5f, 0, 0.02f, 0.015f},
                 {1.0f, 0, 0.02f, 0.015f},
                 {1.0f, 1, 0.01f, 0.01f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.aim + c.crouched);
        Bronie.aimProgress = c.aim;
        Player.m_bCrouched = c.crouched;
        Bronie.recoilStrength = 1.0f;
        Player.PlaceCamera();
        const float lift = std::sin(c.k1 * c.aim + c.k2);
        EXPECT_NEAR(g_Camera.GetOrientation().Forward.y - Player.m_Look.Forward.y, lift, 1e-3f);
    }
}

TEST_F(HeroViewTest, HoldingBreathStillsTheScopeAndEndsWithAFiveSecondWait)
{
    Start();
    Hold("Snajper_Celownik\n");
    Bronie.aiming = 1;
    Bronie.aimProgress = 1.0f;
    // A level's slow motion stays what it is under the scope.
    g_Options.GlobalTimeSpeed = 0.5f;
    Key(CPlayer::CMD_RUN, true);
    int frames = 0;
    while (!Player.m_bHoldingBreath && frames < 60 * 10)
    {
        Player.UpdateLook();
        ++frames;
    }
    ASSERT_TRUE(Player.m_bHoldingBreath);
    // The wobble rises at 0.1 a second and holding is possible above 0.2.
    EXPECT_NEAR(frames * kFrame, 2.0f, 0.05f);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.6f);
    frames = 0;
    while (Player.m_bHoldingBreath && frames < 60 * 10)
    {
        Player.UpdateLook();
        ++frames;
    }
    EXPECT_NEAR(frames * kFrame, 3.75f, 0.05f) << "breath held counts 4 a second to 15";
    EXPECT_FLOAT_EQ(Player.m_fBreathRecovery, 5.0f);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.5f) << "the slow motion the hold found";
    // No hold during the wait, though the key is still down.
    frames = 0;
    while (!Player.m_bHoldingBreath && frames < 60 * 10)
    {
        Player.UpdateLook();
        ++frames;
    }
    EXPECT_NEAR(frames * kFrame, 5.0f, 0.05f);
    // Lowering the scope mid-hold lets the breath out.
    Bronie.aimProgress = 0.5f;
    Player.UpdateLook();
    EXPECT_FALSE(Player.m_bHoldingBreath);
    EXPECT_FLOAT_EQ(g_Options.GlobalTimeSpeed, 0.5f);
    EXPECT_EQ(Player.m_fScopeSway, 0.0f);
    // The easiest difficulty has no wobble at all.
    Bronie.aimProgress = 1.0f;
    g_Options.Difficulty = 0;
    for (int i = 0; i < 300; ++i)
        Player.UpdateLook();
    EXPECT_FALSE(Player.m_bHoldingBreath);
    EXPECT_EQ(Player.m_fScopeSway, 0.0f);
}

TEST_F(HeroViewTest, TheSprintSwayStartsAfterItsDelayAndIsStrongerWhenTired)
{
    Start();
    struct
    {
        float stamina;
        BYTE combat;
        float strength;
    } cases[] = {{1.0f, 1, 0.2f}, {0.2f, 1, 0.3f}, {1.0f, 0, 0.12f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strength);
        Player.m_fStamina = c.stamina;
        PlayerStats.m_bCombatMode = c.combat;
        Player.m_bRunning = Player.m_bMoving = Player.m_bCanMove = 1;
        Player.m_fFrameTime = kFrame;
        for (int i = 0; i < 20; ++i)
            Player.UpdateSprintSway();
        EXPECT_EQ(Player.m_fSwayStrength, 0.0f) << "nothing before 0.4 s";
        for (int i = 0; i < 60; ++i)
            Player.UpdateSprintSway();
        EXPECT_FLOAT_EQ(Player.m_fSwayStrength, c.strength);
        EXPECT_GT(D3DXVec3Length(&Player.m_vSwayOffset), 0.0f);
        EXPECT_LT(D3DXVec3Length(&Player.m_vSwayOffset), 4.0f / 64.0f);
        EXPECT_NE(Player.m_vSwayAngles.x, 0.0f);
        // Stopping ends it.
        Player.m_bRunning = 0;
        Player.UpdateSprintSway();
        EXPECT_EQ(Player.m_fSwayStrength, 0.0f);
        EXPECT_EQ(D3DXVec3Length(&Player.m_vSwayOffset), 0.0f);
        EXPECT_EQ(Player.m_iSwayKey, 0);
    }
}

TEST_F(HeroViewTest, TheCameraStepPlacesTheWeaponAtTheEye)
{
    Start();
    Hold();
    Key(CPlayer::CMD_FORWARD, true);
    Frames(30);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    EXPECT_NEAR(Bronie.cameraPosition.x, eye.x, kTight);
    EXPECT_NEAR(Bronie.cameraPosition.y, eye.y, kTight);
    EXPECT_NEAR(Bronie.cameraPosition.z, eye.z, kTight);
    EXPECT_NEAR(D3DXVec3Dot(&Bronie.cameraOrientation.Forward, &g_Camera.GetOrientation().Forward), 1.0f,
                kTight);
}

TEST_F(HeroViewTest, TheUseKeyActsOnAnObjectWithinReachUnderTheCrosshair)
{
    Start();
    g_Camera.SetFarPlane(100.0f);
    struct
    {
        const char* name;
        float distance;
        const char* ifset;
        BYTE hint;
        bool aimed;
    } cases[] = {
        {"within reach", 3.0f, "", 1, true},
        {"beyond reach", 3.5f, "", 0, false},
        {"usable later", 2.0f, "not_yet", 2, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_GameAI.UnsetVariable("used", nullptr);
        HOBJECT door = Door(c.distance, c.ifset);
        Player.m_fAimTimer = 0.0f;
        Player.m_fFrameTime = kFrame;
        Player.UpdateAimTarget();
        EXPECT_NEAR(Player.m_fAimDistance, c.distance, 0.05f);
        EXPECT_EQ(Player.m_iUseHint, c.hint);
        EXPECT_EQ(Player.m_hAimObject, c.aimed ? door : nullptr);
        Key(CPlayer::CMD_USE, true);
        Frames(1);
        Key(CPlayer::CMD_USE, false);
        Frames(1);
        EXPECT_EQ(g_GameAI.IsVariableSet("used"), c.aimed);
        g_Engine.DeleteObject(door);
        g_IntersectSegment.RemoveObject(door);
    }
}

TEST_F(HeroViewTest, TheCrosshairMarksAnAimedPartnerCivilianOrEnemy)
{
    Start();
    g_Camera.SetFarPlane(100.0f);
    struct
    {
        const char* name;
        BYTE partner, civilian;
        BYTE friendMark, otherMark, enemyMark;
    } cases[] = {
        {"partner", 1, 0, 1, 0, 0},
        {"civilian", 0, 1, 0, 1, 0},
        {"enemy", 0, 0, 0, 0, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        HOBJECT body = Door(5.0f);
        strpostac& p = PMgr.m_Postacie[0];
        p = strpostac{};
        p.used = 1;
        p.model = body;
        p.partner = c.partner;
        p.civilian = c.civilian;
        Player.m_fAimTimer = 0.0f;
        Player.UpdateAimTarget();
        EXPECT_EQ(g_Panel.m_bFriendAimed, c.friendMark);
        EXPECT_EQ(g_Panel.m_bOtherAimed, c.otherMark);
        EXPECT_EQ(g_Panel.m_bEnemyAimed, c.enemyMark);
        EXPECT_EQ(Player.m_hAimObject, nullptr) << "a character is no use target";
        // Aimed away, the marks go.
        p = strpostac{};
        g_IntersectSegment.RemoveObject(body);
        g_Engine.DeleteObject(body);
        Player.m_fAimTimer = 0.0f;
        Player.UpdateAimTarget();
        EXPECT_EQ(g_Panel.m_bFriendAimed + g_Panel.m_bOtherAimed + g_Panel.m_bEnemyAimed, 0);
    }
}

TEST_F(HeroViewTest, TheUseKeyLeavesAnObjectThatTookTheAimedObjectsPlace)
{
    Start();
    g_Camera.SetFarPlane(100.0f);
    HOBJECT door = Door(2.0f);
    Player.m_fAimTimer = 0.0f;
    Player.UpdateAimTarget();
    ASSERT_EQ(Player.m_hAimObject, door);
    g_IntersectSegment.RemoveObject(door);
    g_Engine.DeleteObject(door);
    HOBJECT other = Door(2.0f);
    ASSERT_EQ(other, door) << "the new object takes the freed slot";
    Key(CPlayer::CMD_USE, true);
    Frames(1);
    EXPECT_FALSE(g_GameAI.IsVariableSet("used"));
}

TEST_F(HeroViewTest, TheUseKeyPicksUpTheItemInFrontOfTheEye)
{
    Start();
    Catalogue(Weapon("gun", 3, 10, 100));
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    struct
    {
        const char* name;
        D3DXVECTOR3 offset;
        bool target;
    } cases[] = {
        {"behind", {0.0f, -0.3f, -1.5f}, false},
        {"too far", {0.0f, -0.3f, 2.5f}, false},
        {"aside", {1.2f, -0.3f, 1.2f}, false},
        {"in front", {0.0f, -0.3f, 1.5f}, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EItemInstance* item = Lying("gun", eye + c.offset);
        ASSERT_NE(item, nullptr);
        HOBJECT object = item->m_hWorldObject;
        Player.UpdatePickupTarget();
        EXPECT_EQ(Player.m_hPickupObject, c.target ? object : nullptr);
        Key(CPlayer::CMD_USE, true);
        Frames(1);
        Key(CPlayer::CMD_USE, false);
        Frames(1);
        EXPECT_EQ(Bronie.slots[3] == item, c.target);
        if (!c.target)
            ItemMgr.DeleteItem(item->m_iSlot);
    }
}

TEST_F(HeroViewTest, CombatModeTakesTheSniperRifleElseTheRifleElseThePistol)
{
    Start();
    Catalogue(Weapon("pistol", 0, 10, 100) + Weapon("rifle", 1, 10, 100) + Weapon("sniper", 3, 10, 100));
    struct
    {
        std::vector<const char*> carried;
        DWORD taken; // NO_WEAPON_KIND: none
    } cases[] = {
        {{"pistol", "rifle", "sniper"}, 3},
        {{"pistol", "rifle"}, 1},
        {{"pistol"}, 0},
        {{}, NO_WEAPON_KIND},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.taken);
        ItemMgr.DeleteAllItems();
        Bronie.pending = nullptr;
        Bronie.switchDirection = 0.0f;
        for (const char* name : c.carried)
            ItemMgr.GiveItem(name, 10);
        Bronie.SelectImmediate(0);
        Player.SetCombatMode(false);
        EXPECT_EQ(Bronie.current, nullptr);
        Player.SetCombatMode(true);
        if (c.taken == NO_WEAPON_KIND)
            EXPECT_EQ(Bronie.pending, nullptr);
        else
        {
            ASSERT_NE(Bronie.slots[c.taken], nullptr);
            EXPECT_EQ(Bronie.pending, Bronie.slots[c.taken]);
        }
    }
}

TEST_F(HeroViewTest, ALookFromAnObjectTurnsTowardsItAndHoldsTheMouseWithinItsAngle)
{
    Start();
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const float at[3] = {eye.x + 10.0f, eye.y, eye.z};
    HOBJECT post = g_Engine.CreateObject(OT_MESH, DROP_MESH, 1, 0, at, nullptr);
    ASSERT_NE(post, nullptr);
    g_Engine.SetObjectName(post, "post");
    constexpr float kAngle = 20.0f;
    g_Camera.LookFrom("post", kAngle);
    ASSERT_TRUE(g_Camera.m_bLookFrom);
    for (int i = 0; i < 600; ++i)
        Player.UpdateLook();
    EXPECT_NEAR(g_Camera.GetOrientation().Forward.x, 1.0f, 1e-3f) << "turned to the object on the right";
    // The mouse turns the view from there, as far as the look's angle.
    const double limit = kAngle * M_PI / 180.0;
    g_Mouse.m_State.x = 1.0;
    g_Mouse.m_State.y = -1.0;
    for (int i = 0; i < 60; ++i)
        Player.UpdateLook();
    EXPECT_NEAR(g_Mouse.m_State.x, limit, 1e-6);
    EXPECT_NEAR(g_Mouse.m_State.y, -limit, 1e-6);
    EXPECT_NEAR(g_Camera.GetOrientation().Forward.y, std::sin(limit), 1e-3f) << "looking up by the angle";
    // When the object has gone the look is the mouse's again.
    g_Engine.DeleteObject(post);
    g_Mouse.m_State.x = 0.0;
    g_Mouse.m_State.y = 0.0;
    for (int i = 0; i < 30; ++i)
        Player.UpdateLook();
    EXPECT_FALSE(g_Camera.m_bLookFrom);
    EXPECT_NEAR(g_Camera.GetOrientation().Forward.z, 1.0f, 1e-4f);
}

TEST_F(HeroViewTest, AWeaponWithoutAimingIsNeverAimedAndOneWithItIs)
{
    Start();
    for (const bool allowed : {false, true})
    {
        SCOPED_TRACE(allowed ? "aims" : "no_aim");
        Hold(allowed ? "Aim_Pos 0 -0.2 0.5\n" : "Aim_Pos 0 -0.2 0.5\nno_aim\n");
        ASSERT_EQ(Bronie.current->m_bAimAllowed, allowed ? 1 : 0);
        Bronie.aiming = 0;
        Key(CPlayer::CMD_AIM, true);
        Frames(3);
        Key(CPlayer::CMD_AIM, false);
        Frames(1);
        EXPECT_EQ(Bronie.aiming, allowed ? 1 : 0);
        Bronie.aiming = 0;
        Bronie.aimProgress = 0.0f;
        ItemMgr.DeleteAllItems();
        Bronie.ClearSlots();
    }
}

TEST_F(HeroViewTest, TheNumberKeysPickTheirSlotAndTheStepKeysTheNextWeaponOnEachPress)
{
    Start();
    Catalogue(Weapon("pistol", 0, 10, 100) + Weapon("rifle", 1, 10, 100) + Weapon("sniper", 3, 10, 100));
    for (const char* name : {"pistol", "rifle", "sniper"})
        ItemMgr.GiveItem(name, 10);
    auto settle = [](DWORD kind)
    {
        Bronie.SelectImmediate(kind);
        Bronie.pending = nullptr;
        Bronie.switchDirection = 0.0f;
        Bronie.state = WS_IDLE;
    };
    // The key of slot 0 is "1"; the key three codes after it is "4", slot 3.
    const DWORD slotKey = g_CommandMgr.m_dwBindings[CPlayer::CMD_SLOT][0];
    struct Case
    {
        const char* what;
        DWORD key;
        DWORD from, to;
    };
    const Case cases[] = {
        {"1", slotKey, 3, 0},
        {"4", slotKey + 3, 0, 3},
        {"next", g_CommandMgr.m_dwBindings[CPlayer::CMD_NEXT_WEAPON][0], 0, 1},
        {"previous", g_CommandMgr.m_dwBindings[CPlayer::CMD_PREVIOUS_WEAPON][0], 0, 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        settle(c.from);
        g_CommandMgr.m_bKeyState[c.key] = 1;
        Frames(1);
        EXPECT_EQ(Bronie.state, WS_SWITCHING);
        EXPECT_EQ(Bronie.pending, Bronie.slots[c.to]);
        // Held down it acts once.
        settle(c.from);
        Frames(5);
        EXPECT_EQ(Bronie.state, WS_IDLE);
        g_CommandMgr.m_bKeyState[c.key] = 0;
        Frames(1);
    }
}

TEST_F(HeroViewTest, TheWeaponDrawsBackAndLowersFromAWallAheadAndComesBackWhenClear)
{
    Start();
    Hold("Carried_Pos 0.3 -0.4 0.7\n");
    const D3DXVECTOR3 eye(0.0f, 1.0f, 0.0f);
    const EOrientation ahead; // looking along +z
    auto place = [&](int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            Bronie.frameTime = kFrame;
            Bronie.PlaceWeaponView(&eye, &ahead, 0.0f, 0.0f);
        }
        return Bronie.m_vViewPosition;
    };
    const D3DXVECTOR3 open = place(60);
    EXPECT_NEAR(open.z, 0.7f, 0.05f) << "the carried pose with nothing ahead";
    // A wall a third of a unit ahead of the eye (a box whose near face is there).
    const float at[3] = {0.0f, 1.0f, 1.35f};
    const float size[3] = {4.0f, 4.0f, 2.0f};
    HOBJECT wall = g_Engine.CreateObject(OT_MESH, DROP_MESH, 1, 0, at, size);
    ASSERT_NE(wall, nullptr);
    g_Engine.PrepareObject(wall);
    const D3DXVECTOR3 eased = place(1);
    EXPECT_GT(eased.z, open.z - 0.2f) << "eased, not snapped";
    const D3DXVECTOR3 near = place(60);
    EXPECT_LT(near.z, 0.35f - 0.2f) << "drawn back out of the wall";
    EXPECT_LT(near.y, open.y - 0.2f) << "and lowered";
    g_Engine.DeleteObject(wall);
    const D3DXVECTOR3 back = place(60);
    EXPECT_NEAR(back.z, open.z, 1e-4f);
    EXPECT_NEAR(back.y, open.y, 1e-4f);
}
