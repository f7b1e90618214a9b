// Character records: creation from a description, the model with its hat,
// eyes and weapon, lookups by name and object, marks, teleports and deletion.
#include "support/BuildPaths.h"
#include "characters_fixture.h"
#include "path_graph.h"

#include "shell/Console.h"
#include "mesh/SequenceList.h"
#include "world/EngineObject.h"

#include <cstring>
#include <filesystem>
#include <set>

using namespace chartest;

namespace
{
constexpr const char* kSoldierModel = "models\\soldier\\soldier.x";
constexpr const char* kHats = "socket ignored\nhat ignored.x\n"
                              "model models\\soldier\\soldier.x\nsocket hat\nhat meshes\\box.x\n";

int UsedRecords()
{
    int n = 0;
    for (int i = 0; i < MAX_POSTACI; ++i)
        n += PMgr.m_Postacie[i].used ? 1 : 0;
    return n;
}
} // namespace

TEST_F(CharactersTest, ARecordTakesItsValuesFromTheDescription)
{
    Scripts("postac arab_guy\nmodel models\\Arab1\\arab1.x\nHP 80\nsnajper\nRPG\nzbrojny\nhero\n"
            "odleglosc_kontaktu 30\n"
            "postac marine_guy\nmodel models\\MARINE\\m.x\npartner\ncivilian\n"
            "postac both\nmodel arab_marine.x\n");
    strpostac* a = PMgr.CreateCharacterByName("ARAB_GUY");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->used, 1);
    EXPECT_EQ(a->slot, 0u);
    EXPECT_EQ(a->arab_voice, 1);
    EXPECT_EQ(a->marine_voice, 0);
    EXPECT_FLOAT_EQ(a->hit_points, 80.0f);
    EXPECT_EQ(a->sniper, 1);
    EXPECT_EQ(a->RPG, 1);
    EXPECT_EQ(a->armed, 1);
    EXPECT_EQ(a->hero_keyword, 1);
    EXPECT_FLOAT_EQ(a->contact_distance, 30.0f);
    EXPECT_FLOAT_EQ(a->anim_factor, 1.0f);
    EXPECT_FLOAT_EQ(a->shot_factor, 1.0f);
    strpostac* m = PMgr.CreateCharacterByName("marine_guy");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->slot, 1u);
    EXPECT_EQ(m->marine_voice, 1);
    EXPECT_EQ(m->partner, 1);
    EXPECT_EQ(m->civilian, 1);
    strpostac* both = PMgr.CreateCharacterByName("both");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->arab_voice, 1) << "arab wins";
    EXPECT_EQ(both->marine_voice, 0);

    EXPECT_EQ(PMgr.CreateCharacter(nullptr), nullptr);
    EXPECT_EQ(PMgr.CreateCharacterByName("nobody"), nullptr);
    // The table holds 256.
    for (int i = UsedRecords(); i < MAX_POSTACI; ++i)
        ASSERT_NE(PMgr.CreateCharacterByName("both"), nullptr);
    EXPECT_EQ(PMgr.CreateCharacterByName("both"), nullptr);
}

TEST_F(CharactersTest, SpawningPlacesTheCharacterOrNamesTheMissingDescription)
{
    Scripts("postac a\n");
    const D3DXVECTOR3 at(1.0f, 2.0f, 3.0f);
    const D3DXVECTOR3 dir(1.0f, 0.0f, 0.0f);
    const EOrientation facing(&dir);
    strpostac* p = PMgr.SpawnCharacter("a", &at, &facing);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->position, at);
    EXPECT_NEAR(p->look_direction.x, 1.0f, 1e-5f);
    EXPECT_NEAR(p->look_direction_start.x, 1.0f, 1e-5f);
    EXPECT_NEAR(p->start_orientation.Forward.x, 1.0f, 1e-5f);

    EXPECT_EQ(PMgr.SpawnCharacter("ghost_kind", &at, &facing), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "Nie ma description ghost_kind"), 1u);
}

TEST_F(CharactersTest, LookupsByNameAndObject)
{
    Scripts("postac a\n");
    PMgr.Init(); // the fake hero, without any device-bound part
    strpostac* bob = Character("a", D3DXVECTOR3(0, 0, 0), "Bob");
    strpostac* dead = Character("a", D3DXVECTOR3(0, 0, 0), "Corpse");
    dead->dead = 1;
    strpostac* hero = PMgr.FindCharacterByName("fake_hero", false);
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(hero->player_record, 1);
    struct Case
    {
        const char* name;
        bool liveOnly;
        strpostac* expected;
    };
    const Case cases[] = {
        {"bob", true, bob},    {"BOB", false, bob},       {"HERO", true, hero},
        {"hero", false, hero}, {"Corpse", true, nullptr}, {"Corpse", false, dead},
        {"", false, nullptr},  {nullptr, false, nullptr}, {"nobody", false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(PMgr.FindCharacterByName(c.name, c.liveOnly), c.expected);
    }

    // A record named "hero" before the player's record is found first.
    PMgr.DeleteAllCharacters();
    strpostac* named = Character("a", D3DXVECTOR3(0, 0, 0), "hero");
    PMgr.CreateFakeHero();
    EXPECT_EQ(PMgr.FindCharacterByName("HERO", true), named);

    // By object.
    const float at[3] = {0, 0, 0};
    named->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    EXPECT_EQ(PMgr.FindCharacterByObject(named->model), named);
    EXPECT_EQ(PMgr.FindCharacterByObject(nullptr), nullptr);
}

TEST_F(CharactersTest, OnlyLiveCharactersAreMarked)
{
    Scripts("postac a\n");
    strpostac* live = Character("a", D3DXVECTOR3(0, 0, 0), "live");
    strpostac* dead = Character("a", D3DXVECTOR3(0, 0, 0), "dead");
    dead->dead = 1;
    PMgr.MarkCharacter("live", 1);
    PMgr.MarkCharacter("dead", 1);
    PMgr.MarkCharacter("nobody", 1);
    EXPECT_EQ(live->mark, 1);
    EXPECT_EQ(dead->mark, 0);
    PMgr.MarkCharacter("LIVE", 0);
    EXPECT_EQ(live->mark, 0);
}

TEST_F(CharactersTest, TheFakeHeroExistsAfterEveryLevelStartWithItsMarker)
{
    Scripts("postac a\n");
    PMgr.Init();
    strpostac* hero = PMgr.FindCharacterByName("hero", false);
    ASSERT_NE(hero, nullptr);
    EXPECT_STREQ(hero->name, "fake_hero");
    EXPECT_STREQ(hero->desc->name, "_fake_hero");
    EXPECT_FLOAT_EQ(hero->contact_distance, 0.0f);
    PMgr.CreateCharacterModel(hero, nullptr);
    ASSERT_NE(hero->model, nullptr);
    EXPECT_STREQ(hero->model->szName, "Fake hero");
    EXPECT_EQ(hero->model->bHidden, 1);
    EXPECT_EQ(hero->model->Type, OT_MESH);

    // The level ends and starts again: exactly one player's record.
    PMgr.Release();
    EXPECT_EQ(UsedRecords(), 0);
    PMgr.Init();
    EXPECT_EQ(UsedRecords(), 1);
}

TEST_F(CharactersTest, TheModelComesWithItsHatEyesAndWeapon)
{
    Figure("soldier");
    temp->Write("scripts/character_hats.txt", kHats);
    temp->Write("scripts/items.txt",
                std::string("item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nDrop_Object ") + BOX_MESH +
                    "\nHeld_Object " + BOX_MESH + "\n");
    ItemMgr.LoadDescriptions();
    Scripts(std::string("postac soldier\nmodel ") + kSoldierModel +
            "\nweapon Rifle\noko_l meshes\\box.x oko_l\noko_p meshes\\box.x oko_p\n");
    PMgr.Init();
    strpostac* p = Character("soldier", D3DXVECTOR3(5.0f, 0.0f, 5.0f), "s1");
    PMgr.CreateCharacterModel(p, nullptr);
    ASSERT_NE(p->model, nullptr);
    EXPECT_EQ(p->model->Type, OT_SKINMESH);
    EXPECT_STREQ(p->model->szName, "s1");
    EXPECT_EQ(g_Engine.GetObjectFlags3(p->model), 2u);
    EXPECT_EQ(p->anim.hObject, p->model) << "the sequences drive the character's own model";
    EXPECT_STREQ(p->anim.szName, "s1");
    D3DXVECTOR3 scale;
    g_Engine.GetObjectScale(p->model, &scale);
    EXPECT_FLOAT_EQ(scale.x, 0.01f);
    ASSERT_NE(p->hat, nullptr);
    EXPECT_STREQ(p->hat_socket, "hat");
    ASSERT_NE(p->eye_l, nullptr);
    ASSERT_NE(p->eye_r, nullptr);
    ASSERT_NE(p->weapon, nullptr);
    EXPECT_EQ(p->weapon->m_iState, ITEM_HELD);
    EXPECT_EQ(p->weapon->m_hWorldObject, nullptr) << "a held weapon lies nowhere";
    EXPECT_NE(p->weapon->m_hHeldModel, nullptr);

    // Hats and eyes sit on their sockets: the head of a figure at 5, 0, 5.
    g_Engine.UpdateSkinMeshNodes(p->model);
    PMgr.PlaceHat(p);
    PMgr.PlaceEyes(p);
    EXPECT_NEAR(p->hat->vPosition.x, 5.0f, 0.01f);
    EXPECT_NEAR(p->hat->vPosition.y, 2.03f, 0.01f);
    EXPECT_NEAR(p->eye_l->vPosition.x, 4.96f, 0.01f);
    EXPECT_NEAR(p->eye_r->vPosition.x, 5.04f, 0.01f);
    EXPECT_EQ(Count(ConsoleLog(), "Failed"), 0u) << ConsoleLog();

    // The world's frame puts the eyes back on the head after the body moved.
    const D3DXVECTOR3 moved(7.0f, 0.0f, 5.0f);
    g_Engine.SetObjectPosition(p->model, &moved, 0);
    g_Engine.UpdateSkinMeshNodes(p->model);
    g_EngineObject.StepLighting();
    EXPECT_NEAR(p->eye_l->vPosition.x, 6.96f, 0.01f);
    EXPECT_NEAR(p->eye_r->vPosition.x, 7.04f, 0.01f);

    // Made once: a second call changes nothing.
    HOBJECT model = p->model;
    PMgr.CreateCharacterModel(p, nullptr);
    EXPECT_EQ(p->model, model);

    // Deletion takes every object and the weapon item with it.
    const DWORD weaponSlot = p->weapon->m_iSlot;
    const DWORD objects = g_Engine.GetObjectCount();
    PMgr.DeleteCharacter(p);
    EXPECT_EQ(p->used, 0);
    EXPECT_EQ(ItemMgr.items[weaponSlot].m_bUsed, 0);
    EXPECT_EQ(g_Engine.GetObjectCount(), objects - 5) << "model, hat, two eyes and the held weapon";
}

TEST_F(CharactersTest, AnimationNamesTakeTheWeaponsSuffixThenTheCataloguesThenThePlainName)
{
    std::filesystem::create_directories("models");
    std::filesystem::copy(tk::test::DataDir() / "models" / "demo_soldier", "models/demo_soldier",
                          std::filesystem::copy_options::recursive);
    const std::string drop = std::string("\nDrop_Object ") + BOX_MESH + "\nHeld_Object " + BOX_MESH + "\n";
    temp->Write("scripts/items.txt",
                "item Nine\nName Nine\nWeapon\nUnique_Id 1\nanim_add_name 9" + drop +
                    "item Three\nName Three\nWeapon\nUnique_Id 2\nanim_add_name 3" + drop +
                    "item Talk\nName Talk\nWeapon\nUnique_Id 3\nanim_add_name _gada" + drop);
    ItemMgr.LoadDescriptions();
    Scripts("postac nine\nmodel models\\demo_soldier\\demo_soldier.x\nweapon Nine\n"
            "postac three\nmodel models\\demo_soldier\\demo_soldier.x\nweapon Three\n"
            "postac bare\nmodel models\\demo_soldier\\demo_soldier.x\n");
    PMgr.Init();
    strpostac* nine = Character("nine", D3DXVECTOR3(0, 0, 0), "N");
    strpostac* three = Character("three", D3DXVECTOR3(3, 0, 0), "T");
    strpostac* bare = Character("bare", D3DXVECTOR3(6, 0, 0), "B");
    for (strpostac* p : {nine, three, bare})
    {
        PMgr.CreateCharacterModel(p, nullptr);
        ASSERT_NE(p->model, nullptr);
    }
    ASSERT_NE(three->anim.pWeapon, nullptr);
    EXPECT_EQ(bare->anim.pWeapon, nullptr);
    struct Case
    {
        strpostac* p;
        const char* name;
        const char* played;
    };
    const Case cases[] = {
        {three, "smierc_ze_stania", "smierc_ze_stania3"}, // the weapon's own variant
        {nine, "smierc_ze_stania", "smierc_ze_stania3"},  // none for the weapon: the catalogue's first fit
        {nine, "glowa", "glowa_gada"},
        {bare, "smierc_ze_stania", "smierc_ze_stania3"}, // no weapon and no plain one: the catalogue
        {three, "walk", "walk"},                         // no variant at all: the plain name
        {nine, "nothing", "nothing"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(g_SequenceList.GetCharacterAnimationName(&c.p->anim, c.name), c.played) << c.name;
    EXPECT_EQ(Count(ConsoleLog(), " - brak animacji"), 1u) << ConsoleLog();
    EXPECT_EQ(Count(ConsoleLog(), "N - brak animacji \"nothing\""), 1u) << ConsoleLog();
}

TEST_F(CharactersTest, MissingPartsAreReportedOnceAndTheCharacterLivesWithoutThem)
{
    Figure("soldier");
    temp->Write("scripts/character_hats.txt",
                "model models\\soldier\\soldier.x\nsocket no_such_socket\nhat " + std::string(BOX_MESH) +
                    "\n");
    Scripts(std::string("postac lost\nmodel models\\none\\none.x\nweapon NoGun\n") +
            "postac hatless\nmodel " + kSoldierModel + "\noko_l meshes\\box.x no_eye\n");
    PMgr.Init();
    strpostac* lost = Character("lost", D3DXVECTOR3(0, 0, 0), "L");
    PMgr.CreateCharacterModel(lost, nullptr);
    EXPECT_EQ(lost->model, nullptr);
    EXPECT_EQ(lost->weapon, nullptr);
    EXPECT_EQ(lost->used, 1);
    const std::string log = ConsoleLog();
    EXPECT_EQ(Count(log, "Failed creating model \"models\\none\\none.x for character L"), 1u) << log;
    EXPECT_EQ(Count(log, "Failed weapon \"NoGun\" for character L"), 1u) << log;
    PMgr.CreateCharacterModel(lost, nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "Failed creating model"), 1u) << "made once, reported once";

    strpostac* hatless = Character("hatless", D3DXVECTOR3(0, 0, 0), "H");
    PMgr.CreateCharacterModel(hatless, nullptr);
    ASSERT_NE(hatless->model, nullptr);
    ASSERT_NE(hatless->hat, nullptr);
    PMgr.PlaceHat(hatless);
    PMgr.PlaceEyes(hatless);
    EXPECT_EQ(Count(ConsoleLog(), "Failed to read czapka socket no_such_socket for H"), 1u);
    EXPECT_EQ(Count(ConsoleLog(), "Failed to read OkoL Socket for H"), 1u);
}

TEST_F(CharactersTest, RandomModelsAndWeaponsFollowTheSeed)
{
    Figure("one");
    Figure("two");
    temp->Write("scripts/items.txt",
                std::string("item Rifle\nName Rifle\nWeapon\nUnique_Id 1\nDrop_Object ") + BOX_MESH +
                    "\nitem Pistol\nName Pistol\nWeapon\nUnique_Id 0\nDrop_Object " + BOX_MESH + "\n");
    ItemMgr.LoadDescriptions();
    Scripts("postac mixed\nmodel models\\one\\one.x\nmodel models\\two\\two.x\nweapon Rifle\n"
            "random_weapon Pistol\n");
    std::set<std::string> models;
    int pistols = 0;
    constexpr int kCharacters = 60;
    std::srand(7);
    for (int i = 0; i < kCharacters; ++i)
    {
        strpostac* p = Character("mixed", D3DXVECTOR3(static_cast<float>(i), 0, 0));
        PMgr.CreateCharacterModel(p, nullptr);
        ASSERT_NE(p->model, nullptr);
        models.insert(p->model->szFileName);
        ASSERT_NE(p->weapon, nullptr);
        pistols += std::strcmp(p->weapon->m_pDesc->name, "Pistol") == 0 ? 1 : 0;
        PMgr.DeleteCharacter(p);
    }
    EXPECT_EQ(models.size(), 2u) << "either model";
    EXPECT_GT(pistols, kCharacters / 6) << "about one in three";
    EXPECT_LT(pistols, kCharacters / 2);

    // A fixed model keeps the first; a caller's fixed name wins over both.
    strpostac* fixed = Character("mixed", D3DXVECTOR3(0, 0, 0));
    fixed->fixed_model = 1;
    PMgr.CreateCharacterModel(fixed, nullptr);
    EXPECT_STREQ(fixed->model->szFileName, "models\\one\\one.x");
    strpostac* given = Character("mixed", D3DXVECTOR3(0, 0, 0));
    PMgr.CreateCharacterModel(given, "models\\two\\two.x");
    EXPECT_STREQ(given->model->szFileName, "models\\two\\two.x");
}

TEST_F(CharactersTest, TheHatFileKeepsEightRecordsOfEightHats)
{
    std::string text = "hat before_any_model.x\n";
    for (int r = 0; r < 9; ++r)
    {
        text += "model m" + std::to_string(r) + ".x\nsocket s" + std::to_string(r) + "\n";
        for (int h = 0; h < 9; ++h)
            text += "hat h" + std::to_string(r) + "_" + std::to_string(h) + ".x\n";
    }
    temp->Write("scripts/character_hats.txt", text);
    PMgr.LoadHats();
    EXPECT_EQ(PMgr.m_iCzapki, 8u);
    EXPECT_STREQ(PMgr.m_Czapki[0].model, "m0.x");
    EXPECT_STREQ(PMgr.m_Czapki[0].hats[0], "h0_0.x") << "the line before any model filled nothing";
    EXPECT_EQ(PMgr.m_Czapki[7].hat_count, 8u);
    EXPECT_STREQ(PMgr.m_Czapki[7].socket, "s7") << "the ninth record's lines fill nothing";
    EXPECT_STREQ(PMgr.m_Czapki[7].hats[7], "h7_7.x");

    std::filesystem::remove("scripts/character_hats.txt");
    PMgr.LoadHats();
    EXPECT_EQ(PMgr.m_iCzapki, 0u) << "no file, no hats";
}

TEST_F(CharactersTest, TeleportMovesTheFirstLiveCharacterOfTheName)
{
    Scripts("postac a\n");
    g_Options.Debug = 1;
    strpostac* dead = Character("a", D3DXVECTOR3(0, 0, 0), "sam");
    dead->dead = 1;
    strpostac* live = Character("a", D3DXVECTOR3(0, 0, 0), "sam");
    live->path_index = 4;
    live->running = 1;
    const D3DXVECTOR3 to(10.0f, 1.0f, -3.0f);
    PMgr.TeleportCharacter("SAM", &to);
    EXPECT_EQ(live->position, to);
    EXPECT_EQ(live->rest_position, to);
    EXPECT_EQ(live->path_index, -1);
    EXPECT_EQ(live->running, 0);
    EXPECT_EQ(dead->position, D3DXVECTOR3(0, 0, 0));
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("Postac sam znaleziona, teleportuje!"), std::string::npos) << log;
    PMgr.TeleportCharacter("nobody", &to);
    EXPECT_NE(ConsoleLog().find("Nie znalazlem zywej postaci nobody do teleportowania!"), std::string::npos);
}

TEST_F(CharactersTest, DeleteDeadTakesOnlyTheDead)
{
    Scripts("postac a\n");
    strpostac* live = Character("a", D3DXVECTOR3(0, 0, 0), "live");
    strpostac* dead = Character("a", D3DXVECTOR3(0, 0, 0), "dead");
    dead->dead = 1;
    PMgr.DeleteDeadCharacters();
    EXPECT_EQ(live->used, 1);
    EXPECT_EQ(dead->used, 0);
    EXPECT_EQ(UsedRecords(), 1);
}

TEST_F(CharactersTest, MountedObjectsAndContactPhasesAreReadFromTheCurrentPhase)
{
    Scripts("postac a\nfaza gun\nmount MG_1\non_kontakt run\nfaza idle\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0), "gunner");
    EXPECT_FALSE(PMgr.IsMountedByCharacter("mg_1"));
    p->faza = CPostacMgr::FindFaza(p->desc, "gun");
    EXPECT_TRUE(PMgr.IsMountedByCharacter("mg_1"));
    EXPECT_TRUE(PMgr.HasContactPhases(p));
    EXPECT_FALSE(PMgr.IsMountedByCharacter(""));
    p->dead = 1;
    EXPECT_FALSE(PMgr.IsMountedByCharacter("MG_1")) << "the dead man no gun";
    p->faza = CPostacMgr::FindFaza(p->desc, "idle");
    EXPECT_FALSE(PMgr.HasContactPhases(p));
}

TEST_F(CharactersTest, TheFrameMakesModelsEntersTheEstimateAndDeletesOnRequest)
{
    Figure("soldier");
    Scripts(std::string("postac soldier\nmodel ") + kSoldierModel +
            "\ndefault_faza idle\nfaza idle\nfaza other\nfaza estimate\nfaza_estimate\non_koniec idle\n");
    chartest::Grid(5, 5, -4, -4);
    PMgr.Init();
    const EOrientation facing;
    const D3DXVECTOR3 at(3.0f, 0.0f, 4.0f);
    const float spawnerAt[3] = {3.0f, 0.0f, 4.0f};
    HOBJECT spawner = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, spawnerAt, nullptr);
    g_Engine.SetObjectName(spawner, "spawner_7");
    strpostac* p = PMgr.RespawnCharacter("soldier", &at, &facing, "other", spawner);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->name, "spawner_7") << "named after its respawner";
    ASSERT_NE(p->model, nullptr);
    ASSERT_NE(p->faza, nullptr);
    EXPECT_STREQ(p->faza->name, "other");
    EXPECT_TRUE(PMgr.IsAliveFrom(spawner));
    EXPECT_EQ(PMgr.RespawnCharacter("nobody", &at, &facing, "", spawner), nullptr);
    EXPECT_EQ(Count(ConsoleLog(), "RespawnCharacter nobody failed!"), 1u);

    strpostac* plain = Character("soldier", D3DXVECTOR3(0, 0, 0), "plain");
    const D3DXVECTOR3 noise(0, 1, 0);
    PMgr.AddAlarm(&noise, 1, 1, 0, 1, 0, 0, 0);
    PMgr.Update();
    EXPECT_NE(plain->model, nullptr) << "made when it first lives";
    ASSERT_NE(plain->faza, nullptr);
    EXPECT_STREQ(plain->faza->name, "estimate") << "a character without a phase";
    EXPECT_FALSE(PMgr.m_Alarms[0].used) << "the frame ages the alarms";
    PMgr.Update();
    ASSERT_NE(plain->faza, nullptr);
    EXPECT_STREQ(plain->faza->name, "idle") << "the estimate ends at once";
    PMgr.Update();
    EXPECT_GT(plain->active_time, 0.0f);

    p->delete_request = 1;
    PMgr.Update();
    EXPECT_EQ(p->used, 0);
    EXPECT_FALSE(PMgr.IsAliveFrom(spawner));
    plain->dead = 1;
    EXPECT_FALSE(PMgr.IsAliveFrom(nullptr));
    g_PathMgr.Release();
}

TEST_F(CharactersTest, ModelsArePreloadedOnceIntoEightSlots)
{
    Figure("soldier");
    Scripts(std::string("postac soldier\nmodel ") + kSoldierModel + "\nfaza f\nsound sounds\\x.wav 5\n");
    const DWORD done = g_Console.m_dwLoadingDone;
    PMgr.PreloadCharacterSounds("soldier");
    PMgr.PreloadCharacterSounds("soldier");
    EXPECT_EQ(g_Console.m_dwLoadingDone, done + 2) << "each call is one step of the loading bar";
    EXPECT_EQ(PMgr.m_Descriptions[0].preloaded, 1);
    ASSERT_NE(PMgr.m_hPreloaded[0], nullptr);
    EXPECT_EQ(PMgr.m_hPreloaded[0]->bHidden, 1);
    EXPECT_STREQ(PMgr.m_szPreloaded[0], kSoldierModel);
    PMgr.PreloadModel("MODELS\\SOLDIER\\SOLDIER.X");
    EXPECT_EQ(PMgr.m_hPreloaded[1], nullptr) << "a name already held is not loaded twice";
    PMgr.PreloadCharacterSounds("nobody");
    PMgr.ReleasePreloads();
    EXPECT_EQ(PMgr.m_hPreloaded[0], nullptr);
    // The level start clears the preloaded bytes.
    PMgr.Init();
    EXPECT_EQ(PMgr.m_Descriptions[0].preloaded, 0);
}

TEST_F(CharactersTest, AStrikeHurtsThePlayerByForty)
{
    Scripts("postac a\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 1), "striker");
    PlayerStats.m_fHealth = 100.0f;
    Player.m_fTimeSinceInit = 100.0f; // past the grace of a fresh hero
    PMgr.HitPlayer(p);
    EXPECT_LT(PlayerStats.m_fHealth, 100.0f);
    PMgr.HitPlayer(nullptr);
}
