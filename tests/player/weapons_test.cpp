// The hero's weapons: the switch timeline frame by frame, selection rules,
// reloading, the weapons carried from level to level, the standard sets, and
// the "Bronie" section of save games.
#include "player_fixture.h"

#include <vector>

using namespace playertest;

namespace
{
std::vector<char> SaveWeapons()
{
    FILE* f = std::tmpfile();
    EXPECT_TRUE(Bronie.Save(f));
    std::vector<char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

bool LoadWeapons(const std::vector<char>& bytes, size_t n)
{
    FILE* f = std::tmpfile();
    if (n)
        std::fwrite(bytes.data(), 1, n, f);
    std::rewind(f);
    const bool ok = Bronie.Load(f);
    std::fclose(f);
    return ok;
}

// A level whose weapons are ready, with a pistol and a rifle carried.
void Armed()
{
    Bronie.levelSetupCalled = 1;
    Bronie.levelWeaponsReady = 1;
    ItemMgr.GiveItem("p99", 30);
    ItemMgr.GiveItem("AW", 90);
    Bronie.SelectImmediate(0);
}
} // namespace

TEST_F(PlayerTest, ASwitchLowersTheOldWeaponDrawsTheNewOneAndRaisesIt)
{
    Catalogue(StandardCatalogue());
    Armed();
    ASSERT_EQ(Bronie.current, Bronie.slots[0]);
    Bronie.SelectSlot(1);
    EXPECT_EQ(Bronie.state, WS_SWITCHING);
    EXPECT_EQ(Bronie.pending, Bronie.slots[1]);

    // Frames of 0.1 s: the old weapon goes down at 3 a second, the new one
    // comes up in the frame the phase passes 1, and is raised at the same speed.
    struct Step
    {
        DWORD state;
        float direction, phase;
        DWORD kind;
        bool newInHand;
    };
    const Step steps[] = {
        {WS_SWITCHING, 1.0f, 0.3f, 0, false},
        {WS_SWITCHING, 1.0f, 0.6f, 0, false},
        {WS_SWITCHING, 1.0f, 0.9f, 0, false},
        // Down: the new weapon is drawn (its model holds no animation, so the
        // draw ends in the same frame) and starts to rise.
        {WS_IDLE, -1.0f, 0.7f, 1, true},
        {WS_IDLE, -1.0f, 0.4f, 1, true},
        {WS_IDLE, -1.0f, 0.1f, 1, true},
        {WS_IDLE, 0.0f, 0.0f, 1, true},
    };
    int frame = 0;
    for (const Step& s : steps)
    {
        SCOPED_TRACE("frame " + std::to_string(++frame));
        g_Engine.m_fDeltaTime = 0.1f;
        Bronie.Update();
        EXPECT_EQ(Bronie.state, s.state);
        EXPECT_EQ(Bronie.switchDirection, s.direction);
        EXPECT_NEAR(Bronie.switchPhase, s.phase, 1e-5f);
        if (s.newInHand)
        {
            EXPECT_EQ(Bronie.current, Bronie.slots[1]);
            EXPECT_EQ(Bronie.currentKind, s.kind);
            EXPECT_EQ(Bronie.pending, nullptr);
        }
        else
            EXPECT_EQ(Bronie.current, Bronie.slots[0]);
    }
    // The draw took its frame: its timer ran once.
    EXPECT_FLOAT_EQ(Bronie.drawTimer, 0.1f);
}

TEST_F(PlayerTest, SelectionRulesForEmptySlotsTheSameWeaponAndPuttingItDown)
{
    Catalogue(StandardCatalogue());
    Armed();
    Bronie.SelectSlot(4); // empty kind below 7
    EXPECT_EQ(Bronie.state, WS_IDLE);
    Bronie.SelectSlot(0); // the weapon in hand
    EXPECT_EQ(Bronie.switchDirection, 0.0f);

    // With the rifle emptied, the next weapon with cartridges is the pistol itself: nothing.
    Bronie.counters[1] = 0;
    Bronie.slots[1]->m_iMagazine = 0;
    Bronie.NextWeapon();
    EXPECT_EQ(Bronie.state, WS_IDLE);
    EXPECT_EQ(Bronie.switchDirection, 0.0f);
    // The previous one starts a switch to the weapon already in hand.
    Bronie.PreviousWeapon();
    EXPECT_EQ(Bronie.state, WS_SWITCHING);
    EXPECT_EQ(Bronie.pending, Bronie.current);

    ItemMgr.DeleteAllItems();
    FreshWeapons();
    Armed();
    Bronie.SelectSlot(12);
    EXPECT_EQ(Bronie.state, WS_SWITCHING);
    EXPECT_EQ(Bronie.pending, nullptr);
    for (int i = 0; i < 5; ++i)
        Frame(0.1f);
    EXPECT_EQ(Bronie.current, nullptr) << "a kind of 10 or more puts the weapon down";
    EXPECT_EQ(Bronie.currentKind, NO_WEAPON_KIND);

    // Outside combat mode nothing is selected.
    PlayerStats.m_bCombatMode = 0;
    Bronie.SelectSlot(1);
    EXPECT_EQ(Bronie.state, WS_IDLE);
}

TEST_F(PlayerTest, TheWheelSwitchesOncePerEighthOfATurn)
{
    Catalogue(StandardCatalogue());
    Armed();
    g_MainGame.m_iLevelFrame = 200;
    g_Mouse.m_State.z = 0.0;
    Bronie.wheelReference = 0.0f;
    g_Mouse.m_State.z = 0.3;
    Frame(0.1f);
    EXPECT_EQ(Bronie.switchDirection, 0.0f);
    g_Mouse.m_State.z = 0.4;
    Frame(0.1f);
    EXPECT_EQ(Bronie.state, WS_SWITCHING);
    EXPECT_EQ(Bronie.pending, Bronie.slots[1]);
    EXPECT_FLOAT_EQ(Bronie.wheelReference, 0.4f);
}

TEST_F(PlayerTest, ReloadingFillsTheMagazineFromTheCounter)
{
    Catalogue(StandardCatalogue() + Weapon("infinite", 6, 10, 20, "full_ammo\n"));
    Armed();
    EItemInstance* pistol = Bronie.current;
    pistol->m_iMagazine = 3;
    Bronie.counters[0] = 7;
    Bronie.Reload();
    EXPECT_EQ(Bronie.state, WS_RELOADING);
    Frame(0.1f);
    EXPECT_EQ(pistol->m_iMagazine, 10u);
    EXPECT_EQ(Bronie.counters[0], 0u);
    EXPECT_EQ(Bronie.state, WS_IDLE);

    // A full_ammo weapon reloads without lowering its counter.
    ItemMgr.GiveItem("infinite", 20);
    Bronie.SelectImmediate(6);
    Bronie.current->m_iMagazine = 1;
    Bronie.Reload();
    Frame(0.1f);
    EXPECT_EQ(Bronie.current->m_iMagazine, 10u);
    EXPECT_EQ(Bronie.counters[6], 20u);

    // A full magazine does not reload.
    Bronie.Reload();
    EXPECT_EQ(Bronie.state, WS_IDLE);
}

TEST_F(PlayerTest, CarriedWeaponsComeBackInTheNextLevel)
{
    StartLevel(StandardCatalogue());
    Armed();
    Bronie.slots[1]->m_iMagazine = 17;
    Bronie.counters[1] = 55;
    Bronie.SelectImmediate(1);
    Bronie.Release();
    ItemMgr.Release();
    EXPECT_EQ(Bronie.recordedSlot, 1u);
    EXPECT_EQ(Bronie.records[1].used, 1);
    EXPECT_STREQ(Bronie.records[1].name, "AW");

    // The next level.
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level04.w");
    StartLevel(StandardCatalogue());
    Frame();
    ASSERT_NE(Bronie.slots[1], nullptr);
    EXPECT_EQ(Bronie.slots[1]->m_iMagazine, 17u);
    EXPECT_EQ(Bronie.counters[1], 55u);
    EXPECT_EQ(Bronie.current, Bronie.slots[1]);
    EXPECT_NE(Bronie.slots[0], nullptr);
    EXPECT_EQ(Bronie.slots[2], nullptr) << "only what was carried";
    EXPECT_EQ(Bronie.levelWeaponsReady, 1);
}

TEST_F(PlayerTest, LevelsOneAndEightStartWithTheirStandardSet)
{
    struct Case
    {
        const char* world;
        bool fresh;
        DWORD barrettCounter; // 0: no barrett given
    };
    const Case cases[] = {
        {"worlds\\l01.w", true, 0},       {"worlds\\L08.w", true, 50},       {"worlds\\level01.w", true, 10},
        {"worlds\\level_08.w", true, 10}, {"worlds\\level_101.w", false, 0}, {"worlds\\test2008.w", false, 0},
        {"worlds\\level10.w", false, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.world);
        ItemMgr.Release();
        FreshWeapons();
        // Something was carried out of the previous level.
        Bronie.records[2].used = 1;
        std::snprintf(Bronie.records[2].name, sizeof Bronie.records[2].name, "%s", "saiga");
        Bronie.recordedCounters[2] = 3;
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", c.world);
        StartLevel(StandardCatalogue());
        Frame();
        ASSERT_NE(Bronie.slots[2], nullptr);
        if (!c.fresh)
        {
            EXPECT_EQ(Bronie.counters[2], 3u);
            EXPECT_EQ(Bronie.slots[0], nullptr);
            continue;
        }
        EXPECT_EQ(Bronie.grenades, MAX_GRENADES);
        EXPECT_EQ(Bronie.counters[0], 150u) << "the repeated gifts fill to the cap";
        EXPECT_EQ(Bronie.counters[4], c.barrettCounter);
        EXPECT_EQ(Bronie.slots[4] != nullptr, c.barrettCounter != 0);
    }
}

TEST_F(PlayerTest, TheWeaponSectionGivesBackTheHandTheSlotsAndTheCounters)
{
    Catalogue(StandardCatalogue());
    Armed();
    Bronie.grenades = 1;
    ItemMgr.GiveItem("dragunov", 40);
    Bronie.SelectImmediate(3);
    Bronie.slots[3]->m_iMagazine = 6;
    Bronie.counters[3] = 44;
    Bronie.aimProgress = 0.5f;
    Bronie.laserOn = 1;
    Bronie.records[5].used = 1;
    std::snprintf(Bronie.records[5].name, sizeof Bronie.records[5].name, "%s", "rocket");
    Bronie.records[5].magazine = 0x01020304;
    std::snprintf(Bronie.currentAnim, sizeof Bronie.currentAnim, "%s", "idle");
    Bronie.currentAnimLoop = 1;
    Bronie.cameraPosition = D3DXVECTOR3(1, 2, 3);

    // The item section first, as the save game has it.
    FILE* items = std::tmpfile();
    ASSERT_TRUE(ItemMgr.Save(items));
    const std::vector<char> bytes = SaveWeapons();
    // 2 floats, 9 flags, the name, 2 + 16 values, 64 name bytes, the hand,
    // 10 slots of 4 + 72, 10 counters, the pending kind, orientation, vector.
    EXPECT_EQ(bytes.size(), 8u + 9u + 4u + 4u + 72u + 64u + 4u + 760u + 40u + 4u + 116u + 12u);

    ItemMgr.DeleteAllItems();
    FreshWeapons();
    std::rewind(items);
    ASSERT_TRUE(ItemMgr.Load(items));
    std::fclose(items);
    Bronie.levelSetupCalled = 1;
    Bronie.levelWeaponsReady = 1;
    ASSERT_TRUE(LoadWeapons(bytes, bytes.size()));
    ASSERT_NE(Bronie.slots[3], nullptr);
    EXPECT_EQ(Bronie.slots[3], ItemMgr.FindCarriedByUniqueId(3));
    EXPECT_EQ(Bronie.slots[3]->m_iMagazine, 6u);
    EXPECT_EQ(Bronie.current, Bronie.slots[3]);
    EXPECT_EQ(Bronie.currentKind, 3u);
    EXPECT_NE(Bronie.slots[0], nullptr);
    EXPECT_NE(Bronie.slots[1], nullptr);
    EXPECT_EQ(Bronie.counters[3], 44u);
    EXPECT_EQ(Bronie.grenades, 1u);
    EXPECT_EQ(Bronie.laserOn, 1);
    EXPECT_EQ(Bronie.records[5].magazine, 0x01020304u);
    EXPECT_STREQ(Bronie.records[5].name, "rocket");
    EXPECT_STREQ(Bronie.pendingAnim, "idle") << "the saved animation restarts";
    EXPECT_EQ(Bronie.pendingAnimLoop, 1);
    EXPECT_FLOAT_EQ(Bronie.cameraPosition.z, 3.0f);
}

TEST_F(PlayerTest, ASavedWeaponOfKindSevenOrMoreIsNotTakenBackIntoTheHand)
{
    Catalogue(StandardCatalogue() + Weapon("flare", 7, 1, 4));
    Armed();
    ItemMgr.GiveItem("flare", 1);
    Bronie.current = Bronie.slots[7];
    const std::vector<char> bytes = SaveWeapons();
    ASSERT_TRUE(LoadWeapons(bytes, bytes.size()));
    EXPECT_NE(Bronie.slots[7], nullptr);
    EXPECT_EQ(Bronie.current, nullptr);
}

TEST_F(PlayerTest, ADamagedWeaponSectionFailsTheLoadCleanly)
{
    Catalogue(StandardCatalogue());
    Armed();
    Bronie.counters[0] = 9;
    const std::vector<char> bytes = SaveWeapons();
    for (size_t n = 0; n < bytes.size(); ++n)
    {
        Bronie.counters[0] = 9;
        Bronie.current = Bronie.slots[0];
        ASSERT_FALSE(LoadWeapons(bytes, n)) << n;
        ASSERT_EQ(Bronie.counters[0], 9u) << "nothing of a damaged section is taken";
        ASSERT_EQ(Bronie.current, nullptr) << "the hand is emptied";
    }
    // The animation name's length reaches past the section.
    std::vector<char> bad = bytes;
    bad[12] = 0x7F;
    EXPECT_FALSE(LoadWeapons(bad, bad.size()));
    EXPECT_EQ(Bronie.counters[0], 9u);
}

TEST_F(PlayerTest, AimingZoomsInStepByStepAndAScopeTakesItsOwnZoom)
{
    Catalogue(StandardCatalogue());
    Armed();
    ItemMgr.GiveItem("dragunov", 10);
    g_Options.FOV = g_Options.FOV2 = 1.2f;

    // The pistol: the zoom follows the aim blend, in at 4 a second, out at 3.
    Bronie.ToggleAim();
    ASSERT_EQ(Bronie.aiming, 1);
    for (float expected : {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.0f})
    {
        Frame(0.05f);
        EXPECT_NEAR(Bronie.aimProgress, expected, 1e-5f);
        EXPECT_NEAR(g_Options.FOV, 1.2f - 0.5f * expected, 1e-5f);
    }
    EXPECT_EQ(g_Panel.m_bSniperScope, 0);
    Bronie.ToggleAim();
    Frame(0.1f);
    EXPECT_NEAR(Bronie.aimProgress, 0.7f, 1e-5f);
    for (int i = 0; i < 4; ++i)
        Frame(0.1f);
    EXPECT_EQ(Bronie.aimProgress, 0.0f);
    EXPECT_NEAR(g_Options.FOV, 1.2f, 1e-5f);

    // No aim while a switch runs.
    Bronie.SelectSlot(3);
    Bronie.ToggleAim();
    EXPECT_EQ(Bronie.aiming, 0);
    for (int i = 0; i < 8; ++i)
        Frame(0.1f);
    ASSERT_EQ(Bronie.currentKind, 3u);

    // The sniper rifle at full aim looks through its scope with the zoom of its kind.
    Bronie.ToggleAim();
    for (int i = 0; i < 6; ++i)
        Frame(0.05f);
    EXPECT_EQ(g_Panel.m_bSniperScope, 1);
    EXPECT_FLOAT_EQ(g_Options.FOV, 0.24f);
    // A letterbox ends a sniper's aim.
    g_Panel.m_bPanoramic = 1;
    Frame(0.05f);
    EXPECT_EQ(Bronie.aiming, 0);
    EXPECT_EQ(g_Panel.m_bSniperScope, 0);
}

TEST_F(PlayerTest, AnEmptyWeaponWithNoCartridgesLeftSwitchesAway)
{
    Catalogue(StandardCatalogue());
    Armed();
    Bronie.current->m_iMagazine = 0;
    Bronie.counters[0] = 0;
    Frame(0.1f);
    EXPECT_EQ(Bronie.state, WS_SWITCHING);
    EXPECT_EQ(Bronie.pending, Bronie.slots[1]);
    for (int i = 0; i < 8; ++i)
        Frame(0.1f);
    EXPECT_EQ(Bronie.current, Bronie.slots[1]);
}

TEST_F(PlayerTest, ALauncherComesUpAtOnceLoadedFromItsCounter)
{
    Catalogue(StandardCatalogue() + Weapon("rpg", 5, 1, 5, "Rocket_Launcher\n"));
    Armed();
    ItemMgr.GiveItem("rpg", 1);
    EItemInstance* launcher = Bronie.slots[5];
    ASSERT_NE(launcher, nullptr);
    EXPECT_EQ(Bronie.counters[5], 1u) << "the gift's count, after the pick-up filled kind 5";
    launcher->m_iMagazine = 0;
    Bronie.counters[5] = 3;
    Bronie.SelectSlot(5);
    int frames = 0;
    while (Bronie.current != launcher && frames < 20)
    {
        Frame(0.1f);
        ++frames;
    }
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(Bronie.switchDirection, 0.0f) << "no raising";
    EXPECT_EQ(launcher->m_iMagazine, 1u);
    EXPECT_EQ(Bronie.counters[5], 2u);
}

TEST_F(PlayerTest, NoWeaponsAreHandedOutBeforeTheLevelsStartUp)
{
    // The game's frame runs before the level's start-up has read the catalogue.
    Bronie = CPlayerWeapons();
    ItemMgr.Update();
    Bronie.Update();
    EXPECT_EQ(Count(ConsoleLog(), "No dsc found"), 0u);
    EXPECT_EQ(Bronie.levelSetupCalled, 0);
    // The start-up reads the catalogue, then the first frame hands them out.
    StartLevel(StandardCatalogue());
    Frame();
    EXPECT_EQ(Bronie.levelWeaponsReady, 1);
    EXPECT_NE(Bronie.slots[0], nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "No dsc found"), 0u);
}

TEST_F(PlayerTest, FullAmmoFillsEveryCarriedKindAndANewGameForgetsTheCarriedWeapons)
{
    Catalogue(StandardCatalogue());
    Armed();
    Bronie.FillAmmo();
    EXPECT_EQ(Bronie.counters[0], 150u);
    EXPECT_EQ(Bronie.counters[1], 300u);
    EXPECT_EQ(Bronie.counters[2], 0u) << "no shotgun carried";
    EXPECT_EQ(Bronie.grenades, MAX_GRENADES);

    Bronie.Release();
    ASSERT_EQ(Bronie.records[0].used, 1);
    Bronie.Reset();
    for (const WeaponRecord& r : Bronie.records)
    {
        EXPECT_EQ(r.used, 0);
        EXPECT_EQ(r.name[0], 0);
    }
    EXPECT_EQ(Bronie.grenades, 0u);
    EXPECT_EQ(Bronie.grenadeRaise, 1.0f);
    EXPECT_EQ(Bronie.current, nullptr);
}
