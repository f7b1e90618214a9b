// Items in the world: the table's limit, gifts, pick-ups and what blocks
// them, placed drop models, the life of dropped weapons, and the "ItemMgr"
// section of save games.
#include "player_fixture.h"

#include "world/ObjectActionParams.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace playertest;

namespace
{
// A section written to a memory file, as bytes.
std::vector<char> Written(bool (*save)(FILE*))
{
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_TRUE(save(f));
    std::vector<char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

bool LoadBytes(bool (*load)(FILE*), const std::vector<char>& bytes, size_t n)
{
    FILE* f = std::tmpfile();
    if (n)
        std::fwrite(bytes.data(), 1, n, f);
    std::rewind(f);
    const bool ok = load(f);
    std::fclose(f);
    return ok;
}

bool SaveItems(FILE* f)
{
    return ItemMgr.Save(f);
}
bool LoadItems(FILE* f)
{
    return ItemMgr.Load(f);
}
} // namespace

TEST_F(PlayerTest, The513thItemIsRefusedAndTheTableStaysAsItWas)
{
    Catalogue(StandardCatalogue());
    for (int i = 0; i < MAX_ITEMS; ++i)
        ASSERT_NE(Lying("p99", D3DXVECTOR3(0, 0, static_cast<float>(i))), nullptr) << i;
    const DWORD objects = g_Engine.GetObjectCount();
    EXPECT_EQ(Lying("p99", D3DXVECTOR3(0, 0, 0)), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "MAX_ITEMS exceeded!"), 1u);
    EXPECT_EQ(UsedItems(), MAX_ITEMS);
    EXPECT_EQ(g_Engine.GetObjectCount(), objects);
    // A freed slot is taken again.
    ItemMgr.DeleteItem(17);
    EItemInstance* again = Lying("AW", D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->m_iSlot, 17u);
}

TEST_F(PlayerTest, AnItemTakesItsDescriptionsValuesAndAWorldObjectOfItsKind)
{
    Catalogue(Weapon("AW", 1, 30, 300, "silenced\nAim_Pos 1 2 3\nAim_Fov 0.5\nScale 2\n") +
              "item nomodel\nName Odd\n");
    EItemInstance* item = Lying("aw", D3DXVECTOR3(4, 5, 6));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_iMagazine, 30u);
    EXPECT_EQ(item->m_bSilenced, 1);
    EXPECT_EQ(item->m_bAimAllowed, 1);
    EXPECT_EQ(item->m_iState, ITEM_LYING);
    ASSERT_NE(item->m_hWorldObject, nullptr);
    EXPECT_EQ(g_Engine.GetObjectFlags3(item->m_hWorldObject), OBJECT_KIND_ITEM);
    EXPECT_STREQ(item->m_hWorldObject->szName, "drop for AW");
    EXPECT_EQ(item->m_hWorldObject->vPosition.y, 5.0f);
    EXPECT_TRUE(ItemMgr.IsItemObject(item->m_hWorldObject));
    EXPECT_EQ(ItemMgr.FindItemByObject(item->m_hWorldObject), item);
    // Without a drop model the marker stands in.
    EItemInstance* marker = Lying("nomodel", D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(marker, nullptr);
    ASSERT_NE(marker->m_hWorldObject, nullptr);
    EXPECT_STREQ(marker->m_hWorldObject->szFileName, "prefabs\\special\\marker.x");
}

TEST_F(PlayerTest, GimmeOfACarriedWeaponAddsOneCartridgeUpToTheCap)
{
    Catalogue(StandardCatalogue());
    g_Console.ApplySetting("Gimme", "p99", 0);
    ASSERT_NE(Bronie.slots[0], nullptr);
    EXPECT_EQ(Bronie.slots[0]->m_iState, ITEM_CARRIED);
    EXPECT_EQ(Bronie.slots[0]->m_iMagazine, 15u);
    EXPECT_EQ(Bronie.counters[0], 1u) << "a first gift sets the counter to its count";
    const int items = UsedItems();
    struct Case
    {
        DWORD before, after;
    };
    for (const Case c : {Case{1, 2}, Case{149, 150}, Case{150, 150}, Case{400, 400}})
    {
        Bronie.counters[0] = c.before;
        g_Console.ApplySetting("Gimme", "P99", 0);
        EXPECT_EQ(Bronie.counters[0], c.after) << c.before;
        EXPECT_EQ(UsedItems(), items) << "no second pistol";
    }
}

TEST_F(PlayerTest, AGiftTheHeroCannotTakeLeavesNothingBehind)
{
    Catalogue(StandardCatalogue());
    ItemMgr.GiveItem("medkit", 1);
    EXPECT_EQ(UsedItems(), 0);
    for (DWORD c : Bronie.counters)
        EXPECT_EQ(c, 0u);
    ItemMgr.GiveItem("granat", 1);
    EXPECT_EQ(UsedItems(), 0) << "a grenade is consumed";
    EXPECT_GE(Bronie.grenades, 1u);
    EXPECT_LE(Bronie.grenades, 2u) << "at most the bonus grenade besides";
    ItemMgr.GiveItem("", 1);
    EXPECT_EQ(UsedItems(), 0);
}

TEST_F(PlayerTest, PickUpsFollowTheSlotOfTheirKind)
{
    Catalogue(StandardCatalogue());
    struct Case
    {
        const char* name;
        const char* carried; // null: the slot is empty
        bool inHand;
        DWORD magazine, counter;  // of the carried weapon, before
        bool canPickUp, consumed; // the answers
        DWORD magazineAfter, counterAfter;
        DWORD bonusAfter; // the counter of kind 0 when it is not the item's kind
    };
    const Case cases[] = {
        // An empty slot takes the item itself: nothing is consumed.
        {"AW", nullptr, false, 0, 40, true, false, 30, 40, 0},
        // Another description of the kind brings its cartridges and five pistol ones.
        {"ammo_aw", "AW", true, 30, 100, true, true, 30, 130, 5},
        // The same description below the cap: capped.
        {"AW", "AW", true, 30, 290, true, true, 30, 300, 5},
        // At the cap: refused.
        {"AW", "AW", true, 30, 300, false, false, 30, 300, 0},
        // Another description of the kind may be taken, but at full ammunition it is not.
        {"ammo_aw", "AW", true, 30, 300, true, false, 30, 300, 0},
        // A weapon not in hand with an empty magazine is loaded from what arrives.
        {"ammo_aw", "AW", false, 0, 10, true, true, 30, 10, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + (c.carried ? " onto " : " into an empty slot") +
                     (c.carried ? c.carried : "") + " counter " + std::to_string(c.counter));
        ItemMgr.DeleteAllItems();
        FreshWeapons();
        Bronie.counters[1] = c.counter;
        EItemInstance* held = nullptr;
        if (c.carried)
        {
            held = Lying(c.carried, D3DXVECTOR3(0, 0, 0));
            ASSERT_FALSE(Bronie.PickUp(held));
            held->m_iMagazine = c.magazine;
            Bronie.counters[1] = c.counter;
            if (c.inHand)
                Bronie.current = held;
        }
        EItemInstance* item = Lying(c.name, D3DXVECTOR3(0, 0, 0));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Bronie.CanPickUp(item), c.canPickUp);
        if (!c.canPickUp)
            continue; // the item manager never offers it
        EXPECT_EQ(Bronie.PickUp(item), c.consumed);
        EItemInstance* slot = Bronie.slots[1];
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot, held ? held : item);
        EXPECT_EQ(slot->m_iState, ITEM_CARRIED);
        EXPECT_EQ(slot->m_iMagazine, c.magazineAfter);
        EXPECT_EQ(Bronie.counters[1], c.counterAfter);
        EXPECT_EQ(Bronie.counters[0], c.bonusAfter);
        if (!held)
        {
            EXPECT_EQ(item->m_hWorldObject, nullptr) << "a carried weapon has no drop model";
        }
        else if (!c.consumed)
        {
            EXPECT_NE(g_Engine.GetObjectFlags(item->m_hWorldObject), 128u) << "a refused item stays in sight";
        }
    }
}

TEST_F(PlayerTest, GrenadesArePickedUpWhileTheHeroHasFewerThanSix)
{
    Catalogue(StandardCatalogue());
    Bronie.grenades = 5;
    EItemInstance* g = Lying("granat", D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(Bronie.CanPickUp(g));
    EXPECT_TRUE(Bronie.PickUp(g));
    EXPECT_EQ(Bronie.grenades, 6u);
    EXPECT_FALSE(Bronie.CanPickUp(g));
    EXPECT_FALSE(Bronie.PickUp(g));
    EXPECT_EQ(Bronie.grenades, 6u);
}

TEST_F(PlayerTest, WalkingOverAnItemPicksItUpUnlessSomethingStandsInTheWay)
{
    StartLevel(StandardCatalogue());
    Bronie.levelSetupCalled = 1;
    Bronie.levelWeaponsReady = 1;
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    EItemInstance* far = Lying("AW", D3DXVECTOR3(20, 0, 0));
    const DWORD farSlot = far->m_iSlot;
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 10.0f, -10.0f));

    // A wall between the camera and the hero.
    const float wallAt[3] = {0.0f, 5.0f, -5.0f};
    const float wallSize[3] = {10.0f, 10.0f, 1.0f};
    HOBJECT wall = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, wallAt, wallSize);
    ASSERT_NE(wall, nullptr);
    g_Engine.PrepareObject(wall); // as the world's objects are after loading
    EItemInstance* item = Lying("AW", D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    ASSERT_NE(item, nullptr);
    Frame();
    EXPECT_EQ(Bronie.slots[1], nullptr) << "blocked between the camera and the hero";
    EXPECT_EQ(item->m_iState, ITEM_LYING);

    // A crate between the camera and the item only.
    g_Engine.DeleteObject(wall);
    const float crateAt[3] = {1.0f, 0.5f, -1.0f};
    const float crateSize[3] = {1.0f, 1.0f, 0.5f};
    HOBJECT crate = g_Engine.CreateObject(OT_MESH, DROP_MESH, 0, 0, crateAt, crateSize);
    ASSERT_NE(crate, nullptr);
    g_Engine.PrepareObject(crate);
    g_Camera.SetPosition(D3DXVECTOR3(1.0f, 1.0f, -10.0f));
    Player.m_vPosition = {1.5f, 2.0f, 0.0f}; // the hero's box still touches the item's
    Frame();
    EXPECT_EQ(Bronie.slots[1], nullptr) << "blocked between the camera and the item";

    crate->bDead = 1; // a destroyed crate stands in nobody's way
    Frame();
    EXPECT_EQ(Bronie.slots[1], item);
    EXPECT_EQ(item->m_iState, ITEM_CARRIED);
    EXPECT_EQ(item->m_hHeldModel, nullptr) << "no held model without a Held_Object";
    EXPECT_EQ(ItemMgr.items[farSlot].m_iState, ITEM_LYING) << "out of reach";
}

TEST_F(PlayerTest, ADroppedWeaponGoesAfterItsLifeUnlessTaken)
{
    Catalogue(StandardCatalogue());
    Player.m_vPosition = {1000.0f, 0.0f, 0.0f};
    EItemInstance* item = Lying("AW", D3DXVECTOR3(0, 0, 0));
    item->m_fLife = 600.0f;
    const DWORD slot = item->m_iSlot;
    ItemMgr.worldItemsSpawned = 1;
    Bronie.levelSetupCalled = 1;
    Bronie.levelWeaponsReady = 1;
    for (int i = 0; i < 599; ++i)
        Frame(1.0f);
    EXPECT_TRUE(ItemMgr.items[slot].m_bUsed);
    Frame(1.0f);
    EXPECT_FALSE(ItemMgr.items[slot].m_bUsed);
    EXPECT_EQ(UsedItems(), 0);
}

TEST_F(PlayerTest, PlacedDropModelsBecomeItemsAndPlacedPainkillersDisappear)
{
    temp->Write("scripts/items.txt", StandardCatalogue() + "item painkiller\nDrop_Object meshes\\pills.x\n");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("meshes\\pills.x", BoxMesh(), tk::xfile::XFormat::Text));
    const float at[3] = {3.0f, 0.0f, 4.0f};
    const float scale[3] = {2.0f, 2.0f, 2.0f};
    HOBJECT placed = g_Engine.CreateObject(OT_MESH, "MESHES\\CRATE.X", 0, 0, at, scale);
    HOBJECT pills = g_Engine.CreateObject(OT_MESH, "meshes\\pills.x", 0, 0, at, nullptr);
    HOBJECT other = g_Engine.CreateObject(OT_MESH, "prefabs\\special\\marker.x", 0, 0, at, nullptr);
    ASSERT_TRUE(placed && pills && other);
    EObjectActionParams actions;
    actions.dwEnabled = 1;
    std::snprintf(actions.action_after_pickup, sizeof actions.action_after_pickup, "%s", "open_gate");
    g_Engine.SetObjectActionParams(placed, &actions);
    ItemMgr.Init();
    EXPECT_FALSE(placed->bUsed) << "the placed object is replaced";
    EXPECT_FALSE(pills->bUsed) << "a placed painkiller goes without an item";
    ASSERT_EQ(UsedItems(), 1);
    const EItemInstance& item = ItemMgr.items[0];
    // The newest description with that model is the catalogue's last: the medkit.
    EXPECT_STREQ(item.m_pDesc->name, "medkit");
    D3DXVECTOR3 s;
    g_Engine.GetObjectScale(item.m_hWorldObject, &s);
    EXPECT_FLOAT_EQ(s.x, 2.0f);
    EXPECT_FLOAT_EQ(item.m_hWorldObject->vPosition.z, 4.0f);
    EXPECT_STREQ(item.m_szAction, "open_gate") << "the placed object's action after pick-up";
    EXPECT_TRUE(other->bUsed) << "objects that are no item stay";
    EXPECT_EQ(ItemMgr.worldItemsSpawned, 1);
}

TEST_F(PlayerTest, TheItemSectionGivesBackLyingAndCarriedItemsButNotCharactersWeapons)
{
    Catalogue(StandardCatalogue());
    EItemInstance* lying = Lying("AW", D3DXVECTOR3(7, 8, 9));
    lying->m_fLife = 123.0f;
    std::snprintf(lying->m_szAction, sizeof lying->m_szAction, "%s", "open_gate");
    g_Engine.SetObjectFlags2(lying->m_hWorldObject, 0x55, ~0u);
    ItemMgr.GiveItem("dragunov", 20);
    Bronie.slots[3]->m_iMagazine = 4;
    EItemInstance* held = Lying("saiga", D3DXVECTOR3(0, 0, 0));
    held->m_iState = ITEM_HELD;
    const std::vector<char> bytes = Written(SaveItems);

    ItemMgr.DeleteAllItems();
    EXPECT_TRUE(LoadBytes(LoadItems, bytes, bytes.size()));
    ASSERT_EQ(UsedItems(), 2);
    EItemInstance* aw = nullptr;
    for (EItemInstance& i : ItemMgr.items)
        if (i.m_bUsed && i.m_iUniqueId == 1)
            aw = &i;
    ASSERT_NE(aw, nullptr);
    EXPECT_EQ(aw->m_iState, ITEM_LYING);
    EXPECT_FLOAT_EQ(aw->m_fLife, 123.0f);
    EXPECT_STREQ(aw->m_szAction, "open_gate");
    ASSERT_NE(aw->m_hWorldObject, nullptr);
    EXPECT_FLOAT_EQ(aw->m_hWorldObject->vPosition.y, 8.0f);
    EXPECT_EQ(g_Engine.GetObjectFlags2(aw->m_hWorldObject), 0x55u);
    EItemInstance* sniper = ItemMgr.FindCarriedByUniqueId(3);
    ASSERT_NE(sniper, nullptr);
    EXPECT_EQ(sniper->m_iMagazine, 4u);
}

TEST_F(PlayerTest, ADamagedItemSectionFailsTheLoadAndLeavesNoHalfOfIt)
{
    Catalogue(StandardCatalogue());
    Lying("AW", D3DXVECTOR3(1, 2, 3));
    Lying("p99", D3DXVECTOR3(4, 5, 6));
    const std::vector<char> bytes = Written(SaveItems);
    ItemMgr.DeleteAllItems();
    // Every cut short of the end marker fails, and no item of it stays.
    for (size_t n = 0; n < bytes.size(); ++n)
    {
        ASSERT_FALSE(LoadBytes(LoadItems, bytes, n)) << n;
        ASSERT_EQ(UsedItems(), 0) << n;
    }
    // A string length past the end of the section.
    std::vector<char> bad = bytes;
    const size_t lengthAt = 1 + 4 + 1 + 4 + 4 + 7 * 4;
    bad[lengthAt + 3] = 0x7F;
    EXPECT_FALSE(LoadBytes(LoadItems, bad, bad.size()));
    EXPECT_EQ(UsedItems(), 0);
    // A marker that is neither 0 nor 1.
    bad = bytes;
    bad[0] = 7;
    EXPECT_FALSE(LoadBytes(LoadItems, bad, bad.size()));
    EXPECT_EQ(UsedItems(), 0);
    // An unknown kind is reported and skipped; the rest loads.
    bad = bytes;
    bad[1] = 99;
    EXPECT_TRUE(LoadBytes(LoadItems, bad, bad.size()));
    EXPECT_EQ(UsedItems(), 1);
    EXPECT_EQ(Count(ConsoleLog(), "Brak dsc 99"), 1u);
}

TEST_F(PlayerTest, AnItemLoadsAsItsOwnDescriptionWhenOthersShareItsKind)
{
    // The rifle, its ammunition (the same kind, newer) and a pick-up of kind 0.
    Catalogue(Weapon("AW", 1, 30, 300, "Aim_Pos 0 1 2\nAim_Fov 0.7\nMovement 0.6\nScale 1\n") +
              Weapon("p99", 0, 15, 150, "Aim_Pos 0 1 2\nAim_Fov 0.8\n") + Weapon("ammo_aw", 1, 30, 300) +
              "item medkit\nPainkiller\nDrop_Object " + DROP_MESH + "\n");
    for (const char* name : {"AW", "ammo_aw", "p99", "medkit"})
        Lying(name, D3DXVECTOR3(0, 0, 0));
    const std::vector<char> bytes = Written(SaveItems);
    ItemMgr.DeleteAllItems();
    ASSERT_TRUE(LoadBytes(LoadItems, bytes, bytes.size()));
    std::vector<std::string> names;
    for (const EItemInstance& i : ItemMgr.items)
        if (i.m_bUsed)
            names.push_back(i.m_pDesc->name);
    EXPECT_EQ(names, (std::vector<std::string>{"AW", "ammo_aw", "p99", "medkit"}));
}

TEST_F(PlayerTest, AThrownItemGetsABodyAndFliesOffWithItsPush)
{
    Catalogue(StandardCatalogue());
    g_Options.UpdatePhysics = 1;
    g_PhysicsMgr.Init();
    ASSERT_TRUE(g_PhysicsMgr.HasWorld());
    EItemInstance* item = Lying("AW", D3DXVECTOR3(0.0f, 50.0f, 0.0f));
    ASSERT_NE(item->m_hWorldObject, nullptr);
    std::srand(1); // the push has a random part: the same one every run
    ItemMgr.ThrowItem(item);
    EXPECT_NE(item->m_hWorldObject->pPhysicsBody, nullptr);
    EPhysicsDesc desc;
    g_Engine.GetObjectPhysicsDesc(item->m_hWorldObject, &desc);
    EXPECT_EQ(desc.iShape, PHYSICS_SHAPE_BOX);
    EXPECT_FLOAT_EQ(desc.fMassOrSize, 8.0f);
    EXPECT_EQ(desc.bMinimumSize, 1);
    for (int i = 0; i < 30; ++i)
        g_PhysicsMgr.Step(kFrame);
    const D3DXVECTOR3& at = item->m_hWorldObject->vPosition;
    // It falls, and the push has moved it sideways.
    EXPECT_LT(at.y, 50.0f);
    EXPECT_GT(std::fabs(at.x) + std::fabs(at.z), 0.01f);
    ItemMgr.DeleteAllItems();
    g_PhysicsMgr.Shutdown();
}

TEST_F(PlayerTest, AboutOnePickUpInTwelveBringsABonusGrenadeBelowFive)
{
    Catalogue(StandardCatalogue());
    std::srand(7);
    int bonus = 0;
    const int kPickUps = 1200;
    for (int i = 0; i < kPickUps; ++i)
    {
        Bronie.grenades = 0;
        EItemInstance* g = Lying("granat", D3DXVECTOR3(0, 0, 0));
        ItemMgr.PickUp(g->m_hWorldObject);
        ASSERT_EQ(UsedItems(), 0) << "the grenade was consumed";
        bonus += static_cast<int>(Bronie.grenades) - 1;
    }
    EXPECT_GT(bonus, kPickUps / 24);
    EXPECT_LT(bonus, kPickUps / 6);
    // Never a bonus at five grenades or more.
    for (int i = 0; i < 100; ++i)
    {
        Bronie.grenades = 5;
        ItemMgr.PickUp(Lying("granat", D3DXVECTOR3(0, 0, 0))->m_hWorldObject);
        ASSERT_EQ(Bronie.grenades, 6u);
    }
}

TEST_F(PlayerTest, ACarriedWeaponGetsItsHeldModel)
{
    Catalogue(Weapon("AW", 1, 30, 300, "Held_Object meshes\\crate.x\nScale 3\n") +
              Weapon("p99", 0, 15, 150, "Held_Object meshes\\missing.x\n"));
    ItemMgr.GiveItem("AW", 1);
    EItemInstance* rifle = Bronie.slots[1];
    ASSERT_NE(rifle, nullptr);
    HOBJECT held = rifle->m_hHeldModel;
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->Type, OT_MESH) << "a model outside \"models\" is a static mesh";
    EXPECT_EQ(rifle->m_bStaticHeldModel, 1);
    EXPECT_STREQ(held->szName, "AW");
    EXPECT_EQ(g_Engine.GetObjectFlags3(held), 256u);
    D3DXVECTOR3 scale;
    g_Engine.GetObjectScale(held, &scale);
    EXPECT_FLOAT_EQ(scale.x, 0.01f);
    EXPECT_FLOAT_EQ(scale.z, 0.03f) << "the third axis alone takes the description's scale";

    ItemMgr.GiveItem("p99", 1);
    ASSERT_NE(Bronie.slots[0], nullptr);
    EXPECT_EQ(Bronie.slots[0]->m_hHeldModel, nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "p99 held model FAILED."), 1u);
    // Deleting the item takes its models with it.
    const int objects = static_cast<int>(g_Engine.GetObjectCount());
    ItemMgr.DeleteItem(rifle->m_iSlot);
    EXPECT_EQ(static_cast<int>(g_Engine.GetObjectCount()), objects - 1);
    EXPECT_EQ(Bronie.slots[1], nullptr) << "the weapons keep no pointer to a deleted item";
}

TEST_F(PlayerTest, AnEditedSaveThatCarriesANonWeaponNeverReachesTheWeaponCounters)
{
    // Items of kinds past the ten weapon kinds, saved as carried: a gift of
    // them again ("Gimme") must not count cartridges of a kind the hero's
    // tables do not have.
    Catalogue(StandardCatalogue() + "item badge\nName badge\nUnique_Id 10\nDrop_Object " + DROP_MESH +
              "\nitem relic\nName relic\nUnique_Id 4000000000\nDrop_Object " + DROP_MESH + "\n");
    for (const char* name : {"badge", "relic"})
        Lying(name, D3DXVECTOR3(0, 0, 0))->m_iState = ITEM_CARRIED;
    const std::vector<char> bytes = Written(SaveItems);
    ItemMgr.DeleteAllItems();
    ASSERT_TRUE(LoadBytes(LoadItems, bytes, bytes.size()));
    ASSERT_EQ(UsedItems(), 2);
    Bronie.knifeState = 3;
    for (const char* name : {"badge", "relic"})
    {
        SCOPED_TRACE(name);
        g_Console.ApplySetting("Gimme", name, 0);
        for (DWORD c : Bronie.counters)
            EXPECT_EQ(c, 0u);
        EXPECT_EQ(Bronie.knifeState, 3u) << "the word after the counters";
        EXPECT_EQ(UsedItems(), 2);
    }
}
