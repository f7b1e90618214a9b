// The item catalogue: the keyword table and its order, values read by kind,
// list limits, duplicates, and what a damaged file leaves loaded and reports.
#include "player_fixture.h"

#include <cstring>
#include <functional>
#include <vector>

using namespace playertest;

namespace
{
EItemDesc& Only()
{
    EItemDesc* d = ItemMgr.GetDescriptions();
    EXPECT_NE(d, nullptr);
    return *d;
}
} // namespace

TEST_F(PlayerTest, TheKeywordTableTestsItsKeywordsInTheirFixedOrder)
{
    const char* expected[] = {"item",
                              "Name",
                              "anim_add_name",
                              "Weapon",
                              "silenced",
                              "Painkiller",
                              "Lethal",
                              "no_aim",
                              "fix_empty_nodes",
                              "Ico_Otherweap",
                              "Ico_Currweap",
                              "zasieg",
                              "predkosc",
                              "rotateY",
                              "rotateY_aim",
                              "rotateX",
                              "rotateX_aim",
                              "EnemySocketR",
                              "EnemySocketL",
                              "Unique_Id",
                              "Single_Shot",
                              "full_ammo",
                              "powerful_bullet",
                              "slow_down",
                              "reload_anim_coef",
                              "Hit",
                              "Enemy_Hit",
                              "Partner_Hit",
                              "Rocket_Launcher",
                              "Grenade_Launcher",
                              "Bright_Bullet",
                              "dispersion",
                              "HitBack",
                              "Shotgun",
                              "Grenade",
                              "Ammo",
                              "Max_Ammo_Carried",
                              "Snajper_Celownik",
                              "GLauncher_Celownik",
                              "MP_Celownik",
                              "Latarka",
                              "Big_Gun",
                              "Laser",
                              "Light_Socket",
                              "Socket_Hit",
                              "Anim_Shoot",
                              "Anim_Last_Bullet_Shoot",
                              "Anim_Idle",
                              "Anim_Hit",
                              "Anim_Hit2",
                              "Anim_Reload",
                              "Anim_Aim",
                              "Anim_Bieg",
                              "Anim_Select",
                              "Reload_Sound",
                              "Draw_Sound",
                              "Enemy_Shoot_FX",
                              "Player_Shoot_FX",
                              "Player_After_Shoot_FX",
                              "Hit_Concrete_FX",
                              "Hit_Snow_FX",
                              "Hit_Metal_FX",
                              "Hit_Wood_FX",
                              "Hit_Sand_FX",
                              "Hit_Water_FX",
                              "Hit_Coal_FX",
                              "Hit_Glass_FX",
                              "Hit_Plastic_FX",
                              "Hit_Body_FX",
                              "Cut_Concrete_FX",
                              "Cut_Snow_FX",
                              "Cut_Metal_FX",
                              "Cut_Wood_FX",
                              "Cut_Sand_FX",
                              "Cut_Water_FX",
                              "Cut_Body_FX",
                              "Shoot_Sound",
                              "Shoot_Sound_Enemy",
                              "Shoot_Socket",
                              "Shoot_Socket_Enemy",
                              "Shoot_Delay",
                              "Shoot_Delay_Last",
                              "Drop_Object",
                              "Ammo_Icon",
                              "Top_Icon",
                              "Held_Object",
                              "Carried_Pos",
                              "Aim_Pos",
                              "Aim_Fov",
                              "Scale",
                              "Movement"};
    size_t n = 0;
    const ItemKeyword* table = ItemKeywords(&n);
    ASSERT_EQ(n, sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < n; ++i)
    {
        EXPECT_STREQ(table[i].keyword, expected[i]) << "entry " << i;
        // Every field a keyword names lies inside the record.
        EXPECT_LE(table[i].offset + table[i].size, sizeof(EItemDesc)) << table[i].keyword;
    }
    // Matching takes the first word only, without regard to case, so "Hit"
    // never swallows "Hit_Body_FX" and "Anim_Hit" never swallows "Anim_Hit2".
    EXPECT_STREQ(FindItemKeyword("HIT_BODY_FX blood")->keyword, "Hit_Body_FX");
    EXPECT_STREQ(FindItemKeyword("anim_hit2 x")->keyword, "Anim_Hit2");
    EXPECT_STREQ(FindItemKeyword("hit 3")->keyword, "Hit");
    EXPECT_EQ(FindItemKeyword("Hitx 3"), nullptr);
}

TEST_F(PlayerTest, EachKeywordFillsItsFieldByItsKind)
{
    struct Case
    {
        const char* lines;
        std::function<void(const EItemDesc&)> check;
    };
    const Case cases[] = {
        {"unique_id 3", [](const EItemDesc& d) { EXPECT_EQ(d.Unique_Id, 3u); }},
        {"zasieg 10", [](const EItemDesc& d) { EXPECT_FLOAT_EQ(d.zasieg, 40.0f); }},
        {"predkosc 2400.5", [](const EItemDesc& d) { EXPECT_FLOAT_EQ(d.predkosc, 2400.5f); }},
        {"Hit twelve", [](const EItemDesc& d) { EXPECT_FLOAT_EQ(d.Hit, 0.0f); }},
        {"Shoot_Delay nan", [](const EItemDesc& d) { EXPECT_FLOAT_EQ(d.Shoot_Delay, 0.0f); }},
        {"Ammo -5", [](const EItemDesc& d) { EXPECT_EQ(d.Ammo, 0u); }},
        {"Max_Ammo_Carried 240", [](const EItemDesc& d) { EXPECT_EQ(d.Max_Ammo_Carried, 240u); }},
        {"Aim_Pos 1 2 3",
         [](const EItemDesc& d)
         {
             EXPECT_EQ(d.aimAllowed, 1);
             EXPECT_FLOAT_EQ(d.Aim_Pos[2], 3.0f);
         }},
        {"no_aim\nAim_Pos 1 2 3", [](const EItemDesc& d) { EXPECT_EQ(d.aimAllowed, 1); }},
        {"Aim_Pos 1 2 3\nNO_AIM", [](const EItemDesc& d) { EXPECT_EQ(d.aimAllowed, 0); }},
        {"Carried_Pos 0.5 -1.25 7 99",
         [](const EItemDesc& d)
         {
             EXPECT_FLOAT_EQ(d.Carried_Pos[0], 0.5f);
             EXPECT_FLOAT_EQ(d.Carried_Pos[1], -1.25f);
             EXPECT_FLOAT_EQ(d.Carried_Pos[2], 7.0f);
             EXPECT_EQ(d.aimAllowed, 0);
         }},
        {"Snajper_Celownik\nlaser\nGRENADE",
         [](const EItemDesc& d)
         {
             EXPECT_EQ(d.Snajper_Celownik, 1);
             EXPECT_EQ(d.Laser, 1);
             EXPECT_EQ(d.Grenade, 1);
             EXPECT_EQ(d.Shotgun, 0);
         }},
        {"Anim_Hit2 ouch\nAnim_Select draw",
         [](const EItemDesc& d)
         {
             EXPECT_STREQ(d.Anim[ANIM_HIT2], "ouch");
             EXPECT_STREQ(d.Anim[ANIM_HIT], "");
             EXPECT_STREQ(d.Anim[ANIM_SELECT], "draw");
         }},
        {"Drop_Object prefabs\\bronie\\ak.x",
         [](const EItemDesc& d) { EXPECT_STREQ(d.Drop_Object, "prefabs\\bronie\\ak.x"); }},
        {"Hit_Water_FX splash\nCut_Body_FX cut",
         [](const EItemDesc& d)
         {
             EXPECT_EQ(d.HitFx[SURFACE_WATER].count, 1u);
             EXPECT_STREQ(d.HitFx[SURFACE_WATER].names[0], "splash");
             EXPECT_EQ(d.CutFx[SURFACE_BODY].count, 1u);
             EXPECT_EQ(d.CutFx[SURFACE_COAL].count, 0u);
         }},
        {"", [](const EItemDesc& d) { EXPECT_FLOAT_EQ(d.reload_anim_coef, 1.0f); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.lines);
        ItemMgr.FreeDescriptions();
        Catalogue(std::string("item thing\n") + c.lines + "\n");
        c.check(Only());
    }
}

TEST_F(PlayerTest, ListsKeepEightEntriesAndDropTheNinthWithOneReport)
{
    std::string text = "item gun\n";
    for (int i = 0; i < 9; ++i)
        text += "Hit_Concrete_FX dust" + std::to_string(i) + "\nShoot_Sound sounds\\shot" +
                std::to_string(i) + ".wav\n";
    Catalogue(text);
    const EItemDesc& d = Only();
    EXPECT_EQ(d.HitFx[SURFACE_CONCRETE].count, 8u);
    EXPECT_STREQ(d.HitFx[SURFACE_CONCRETE].names[7], "dust7");
    EXPECT_EQ(d.Shoot_Sound.count, 8u);
    EXPECT_STREQ(d.Shoot_Sound.names[7], "sounds\\shot7.wav");
    EXPECT_EQ(Count(ConsoleLog(), "list entries past the 8th were ignored"), 1u);
}

TEST_F(PlayerTest, AnEffectThatIsNotLoadedIsCountedAndTheShooterListSaysSo)
{
    Catalogue("item gun\nPlayer_Shoot_FX nosuch_flash\nEnemy_Shoot_FX nosuch_enemy\n");
    const EItemDesc& d = Only();
    EXPECT_EQ(d.Player_Shoot_FX.count, 1u);
    EXPECT_EQ(d.Player_Shoot_FX.defs[0], nullptr);
    EXPECT_STREQ(d.Player_Shoot_FX.names[0], "nosuch_flash");
    EXPECT_EQ(d.Enemy_Shoot_FX.count, 1u);
    EXPECT_EQ(d.Enemy_Shoot_FX.defs[0], nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "Weapon FX failed: nosuch_flash"), 1u);
    EXPECT_EQ(Count(ConsoleLog(), "nosuch_enemy"), 0u) << "only the hero's muzzle list says so";
}

TEST_F(PlayerTest, ALaterDuplicateNameHidesTheEarlierOne)
{
    Catalogue("item Pistol\nAmmo 7\nUnique_Id 0\nitem other\nitem PISTOL\nAmmo 12\nUnique_Id 0\n");
    EItemDesc* d = ItemMgr.FindDescription("pistol");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Ammo, 12u);
    EXPECT_EQ(ItemMgr.FindDescriptionById(0), d);
    EXPECT_EQ(Count(ConsoleLog(), "item name(s) given again"), 1u);
    // The list runs from the newest entry to the oldest, linked both ways.
    EXPECT_EQ(d->older->older->Ammo, 7u);
    EXPECT_EQ(d->older->newer, d);
}

TEST_F(PlayerTest, ADamagedCatalogueLoadsWhatItCanAndReportsEachKindOfTroubleOnce)
{
    const std::string longName(40, 'n');
    const std::string longPath(300, 'p');
    temp->Write("scripts/items.txt", "Ammo 5\r\nitem " + longName + "\r\nName " + std::string(80, 'x') +
                                         "\rBogus 1\nAnother 2\nDraw_Sound " + longPath +
                                         "\nAmmo 9\nitem second");
    ItemMgr.LoadDescriptions();
    EItemDesc* second = ItemMgr.GetDescriptions();
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->name, "second"); // the last line has no line end
    const EItemDesc* first = second->older;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::strlen(first->name), sizeof first->name - 1);
    EXPECT_EQ(std::strlen(first->Name), sizeof first->Name - 1);
    // The line was cut to 256 characters first, so the path fits what is left of it.
    EXPECT_EQ(std::strlen(first->Draw_Sound), 256 - std::strlen("Draw_Sound "));
    EXPECT_EQ(first->Ammo, 9u) << "the line after an overlong one is read as its own";
    const std::string log = ConsoleLog();
    EXPECT_EQ(Count(log, "value(s) longer than their fields were cut"), 1u);
    EXPECT_EQ(Count(log, "line(s) longer than 256 characters were cut"), 1u);
    EXPECT_EQ(Count(log, "2 line(s) with unknown keywords were ignored (first \"Bogus\""), 1u);
    EXPECT_EQ(Count(log, "before the first \"item\" were ignored"), 1u);
    EXPECT_NE(log.find("scripts\\items.txt"), std::string::npos);
}

TEST_F(PlayerTest, AMissingCatalogueLoadsNothingAndLookupsFail)
{
    ItemMgr.LoadDescriptions();
    EXPECT_EQ(ItemMgr.GetDescriptions(), nullptr);
    ItemMgr.GiveItem("p99", 1);
    EXPECT_EQ(Count(ConsoleLog(), "No dsc found for p99"), 1u);
    EXPECT_EQ(AddItem("p99", nullptr, nullptr), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "AddItem p99 failed - no item description!"), 1u);
}

TEST_F(PlayerTest, AWeaponKindOutsideTheSlotsIsReportedAndNeverGivenToTheHero)
{
    StartLevel(Weapon("big", 12, 5, 50) + Weapon("p99", 0, 15, 150));
    EXPECT_EQ(Count(ConsoleLog(), "FATAL: dsc->dwUniqueId>=MAX_ROZNYCH_BRONI for big"), 1u);
    ItemMgr.GiveItem("big", 5);
    EXPECT_EQ(UsedItems(), 0);
    EItemInstance* lying = Lying("big", D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(lying, nullptr);
    EXPECT_FALSE(Bronie.CanPickUp(lying));
    EXPECT_FALSE(Bronie.PickUp(lying));
    for (const EItemInstance* s : Bronie.slots)
        EXPECT_EQ(s, nullptr);
    // The rest of the catalogue still works.
    ItemMgr.GiveItem("p99", 5);
    EXPECT_NE(Bronie.slots[0], nullptr);
}
