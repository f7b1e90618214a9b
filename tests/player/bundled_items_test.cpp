// The bundled item catalogue and the items of the demo world: every item
// reads cleanly, its model and sounds are in the data tree, the standard sets
// name items that exist, and the demo world's placed models become items
// where the generator put them.
#include "player_fixture.h"

#include "environment/FxMgr.h"
#include "shell/TextUtils.h"
#include "support/GameProcess.h"
#include "tools/worldgen/DemoWorld.h"

#include <filesystem>
#include <set>
#include <string>

using namespace playertest;

namespace
{
class BundledItems : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        CopyDataTree(temp->path());
    }
};
} // namespace

TEST_F(BundledItems, EveryItemOfTheCatalogueReadsCleanlyWithItsModelSoundsAndEffects)
{
    // The effect definitions come first, as at a level start.
    g_FxMgr.LoadAll();
    ItemMgr.LoadDescriptions();
    EXPECT_EQ(Count(ConsoleLog(), "scripts\\items.txt"), 0u) << ConsoleLog();
    EXPECT_EQ(Count(ConsoleLog(), "Weapon FX failed"), 0u) << ConsoleLog();
    int effects = 0;
    for (const EItemDesc* d = ItemMgr.GetDescriptions(); d; d = d->older)
    {
        for (const ItemFxList* list : {&d->Player_Shoot_FX, &d->Enemy_Shoot_FX, &d->Player_After_Shoot_FX})
            for (DWORD i = 0; i < list->count; ++i, ++effects)
                EXPECT_NE(list->defs[i], nullptr) << d->name << " " << list->names[i];
        for (int surface = 0; surface < ITEM_SURFACES; ++surface)
            for (const ItemFxList* list : {&d->HitFx[surface], &d->CutFx[surface]})
                for (DWORD i = 0; i < list->count; ++i, ++effects)
                    EXPECT_NE(list->defs[i], nullptr) << d->name << " " << list->names[i];
    }
    EXPECT_GT(effects, 0);
    const char* expected[] = {"p99", "AW",    "saiga",  "dragunov", "barrett",
                              "rpg", "knife", "granat", "ammo_aw",  "medkit"};
    for (const char* name : expected)
    {
        SCOPED_TRACE(name);
        EItemDesc* d = ItemMgr.FindDescription(name);
        ASSERT_NE(d, nullptr);
        if (d->Weapon)
        {
            EXPECT_LT(d->Unique_Id, static_cast<DWORD>(MAX_ROZNYCH_BRONI));
        }
        for (const char* sound : {d->Reload_Sound, d->Draw_Sound})
        {
            if (sound[0])
            {
                EXPECT_TRUE(FileExists(sound)) << sound;
            }
        }
        for (DWORD i = 0; i < d->Shoot_Sound.count; ++i)
            EXPECT_TRUE(FileExists(d->Shoot_Sound.names[i])) << d->Shoot_Sound.names[i];
        EItemInstance* item = Lying(name, D3DXVECTOR3(0, 0, 0));
        ASSERT_NE(item, nullptr);
        ASSERT_NE(item->m_hWorldObject, nullptr) << d->Drop_Object;
        EXPECT_STREQ(item->m_hWorldObject->szFileName, d->Drop_Object);
    }
    // The sounds the weapons play themselves.
    for (const char* sound : {"sounds\\pickup\\ammo.wav", "sounds\\weapons\\knife_stab.wav"})
        EXPECT_TRUE(FileExists(sound)) << sound;
    // The hand grenade and the knife come with their animations.
    Bronie.Init();
    ASSERT_NE(Bronie.grenadeObject, nullptr);
    ASSERT_NE(Bronie.knifeObject, nullptr);
    EXPECT_TRUE(g_Engine.HasAnimation(Bronie.grenadeObject, "rzut_granat"));
    EXPECT_TRUE(g_Engine.HasAnimation(Bronie.knifeObject, "niesie"));
    EXPECT_TRUE(g_Engine.HasAnimation(Bronie.knifeObject, "dziabie"));
    EXPECT_EQ(Count(ConsoleLog(), "NO ANIMATION"), 0u);
    Bronie.Release();
    // No definitions are left for the next test.
    ItemMgr.FreeDescriptions();
    std::filesystem::remove_all("afx");
    g_FxMgr.LoadAll();
}

TEST_F(BundledItems, TheStandardSetsGiveOnlyItemsOfTheCatalogue)
{
    for (const char* world : {"worlds\\l01.w", "worlds\\l08.w", "worlds\\level03.w"})
    {
        SCOPED_TRACE(world);
        ItemMgr.Release();
        FreshWeapons();
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", world);
        ItemMgr.LoadDescriptions();
        Bronie.m_bClearWeapons = 1;
        Frame();
        EXPECT_EQ(Count(ConsoleLog(), "No dsc found"), 0u);
        EXPECT_NE(Bronie.slots[0], nullptr);
        EXPECT_NE(Bronie.slots[1], nullptr);
    }
}

TEST_F(BundledItems, TheDemoWorldsPlacedModelsBecomeItemsInPlace)
{
    ItemMgr.LoadDescriptions();
    std::set<std::string> models;
    for (const EItemDesc* d = ItemMgr.GetDescriptions(); d; d = d->older)
        models.insert(d->Drop_Object);
    ItemMgr.FreeDescriptions();
    int placed = 0;
    for (const worldgen::DemoObject& o : worldgen::DemoObjects())
    {
        if (o.kind != worldgen::DemoObject::Mesh || !models.count(o.file))
            continue;
        const float at[3] = {o.x, o.y, o.z};
        HOBJECT h = g_Engine.CreateObject(OT_MESH, o.file.c_str(), 0, 0, at, nullptr);
        ASSERT_NE(h, nullptr) << o.file;
        g_Engine.SetObjectName(h, o.name.c_str());
        ++placed;
    }
    EXPECT_GE(placed, 6);
    ItemMgr.Init();
    EXPECT_EQ(UsedItems(), placed);
    for (const worldgen::DemoObject& o : worldgen::DemoObjects())
    {
        if (o.kind != worldgen::DemoObject::Mesh || !models.count(o.file))
            continue;
        SCOPED_TRACE(o.name);
        EXPECT_EQ(g_Engine.FindObject(o.name.c_str(), 0), nullptr) << "the placed model was replaced";
        bool found = false;
        for (const EItemInstance& i : ItemMgr.items)
            if (i.m_bUsed && i.m_hWorldObject && o.file == i.m_pDesc->Drop_Object &&
                i.m_hWorldObject->vPosition.x == o.x && i.m_hWorldObject->vPosition.z == o.z)
                found = true;
        EXPECT_TRUE(found);
    }
}
