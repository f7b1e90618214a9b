// The character description scripts: where each line goes, the values each
// kind of keyword stores, the order of the files around the fake hero, list
// and table limits, and what damaged lines leave behind.
#include "characters_fixture.h"

#include "shell/Console.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

using namespace chartest;

namespace
{
// Index of a description in the table (its place in the load order).
long Slot(const char* name)
{
    strPostacDsc* d = PMgr.FindDescription(name);
    return d ? d - PMgr.m_Descriptions : -1;
}

std::string Repeat(const std::string& line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line + std::to_string(i) + "\n";
    return text;
}
} // namespace

TEST_F(CharactersTest, LinesGoToTheDescriptionOrToItsCurrentPhase)
{
    Scripts("animacja orphan\nHP 99\n"
            "postac a\n"
            "animacja control_anim\nvel 2.5\n"
            "faza idle\n"
            "animacja idle_anim\nHP 70\nweapon Rifle\n");
    strPostacDsc& d = Desc();
    // Lines before the first "postac" have no description to fill.
    EXPECT_EQ(PMgr.FindDescription("orphan"), nullptr);
    EXPECT_FLOAT_EQ(d.HP, 70.0f) << "a description keyword inside a phase still fills the description";
    EXPECT_STREQ(d.weapon, "Rifle");
    const strFaza* control = CPostacMgr::FindFaza(&d, "_control_");
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->index, 0u);
    ASSERT_EQ(control->animacja_count, 1u);
    EXPECT_STREQ(control->animacja[0], "control_anim");
    EXPECT_FLOAT_EQ(control->vel, 2.5f);
    const strFaza* idle = CPostacMgr::FindFaza(&d, "IDLE");
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->index, 1u);
    ASSERT_EQ(idle->animacja_count, 1u);
    EXPECT_STREQ(idle->animacja[0], "idle_anim");
    EXPECT_FLOAT_EQ(idle->wound_chance, 0.25f);
    EXPECT_FLOAT_EQ(idle->mod_obrotu, 1.0f);
    EXPECT_FLOAT_EQ(control->wound_chance, 0.0f) << "only a \"faza\" line sets the wound chance";
    EXPECT_EQ(d.faza_count, 2u);
    EXPECT_EQ(d.newest, idle);
    EXPECT_EQ(idle->previous, control);
    EXPECT_EQ(control->next, idle);
}

TEST_F(CharactersTest, EachKindOfKeywordStoresItsValue)
{
    struct Case
    {
        const char* line;
        std::function<void(const strPostacDsc&, const strFaza&)> check;
    };
    const Case cases[] = {
        {"odleglosc_kontaktu 4", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.odleglosc_kontaktu, 10.0f); }},
        {"odleglosc_kontaktu 25.5", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.odleglosc_kontaktu, 25.5f); }},
        {"kat_kontaktu 90", [](auto& d, auto&) { EXPECT_NEAR(d.kat_kontaktu, 1.5708f, 1e-4f); }},
        {"sound steps.wav 1", [](auto&, auto& f) { EXPECT_FLOAT_EQ(f.sound_range, 120.0f); }},
        {"sound steps.wav 30",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.sound, "steps.wav");
             EXPECT_FLOAT_EQ(f.sound_range, 30.0f);
         }},
        {"on_free_left p", [](auto&, auto& f) { EXPECT_FLOAT_EQ(f.on_free_left_value, 0.25f); }},
        {"on_free_right q 0.7",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.on_free_right, "q");
             EXPECT_FLOAT_EQ(f.on_free_right_value, 0.7f);
         }},
        {"on_postrzal2 p 0.6",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.on_postrzal[2], "p");
             EXPECT_FLOAT_EQ(f.wound_chance, 0.6f);
         }},
        {"on_postrzal2 p",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.on_postrzal[2], "p");
             EXPECT_FLOAT_EQ(f.wound_chance, 0.25f) << "unchanged";
         }},
        {"on_postrzal5 p 0", [](auto&, auto& f) { EXPECT_FLOAT_EQ(f.wound_chance, 0.25f); }},
        {"strzal 0.3 burst text",
         [](auto&, auto& f)
         {
             EXPECT_FLOAT_EQ(f.shot_value, 0.3f);
             EXPECT_STREQ(f.strzal, "burst text");
         }},
        {"strzal_raz_mesh target extra",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.strzal_mesh, "target");
             EXPECT_EQ(f.strzal_raz, 1);
         }},
        {"force_estimate_dokladnie_do_mesha  spot ",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.estimate_do_mesha, "spot");
             EXPECT_EQ(f.estimate_exact, 1);
             EXPECT_EQ(f.estimate_force_mesh, 1);
         }},
        {"jedzie_na truck seat  left",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.jedzie_na, "truck");
             EXPECT_STREQ(f.jedzie_na_rest, "seat  left");
         }},
        {"run_to a b c d e",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.run_to[0], "a");
             EXPECT_STREQ(f.run_to[3], "d");
         }},
        {"say_s hello there",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.say, "hello there");
             EXPECT_EQ(f.say_subtitled, 1);
         }},
        {"wymus_strzal", [](auto&, auto& f) { EXPECT_EQ(f.force_shot, 1); }},
        {"estimate_patrol", [](auto&, auto& f) { EXPECT_EQ(f.patrol, 1); }},
        {"bezier_once road",
         [](auto&, auto& f)
         {
             EXPECT_STREQ(f.bezier, "road");
             EXPECT_EQ(f.bezier_once, 1);
         }},
        {"health_detect_faza 30 hurt",
         [](auto&, auto& f)
         {
             ASSERT_EQ(f.health_detect_count, 1u);
             EXPECT_FLOAT_EQ(f.health_detect_health[0], 30.0f);
             EXPECT_STREQ(f.health_detect_faza[0], "hurt");
         }},
        {"anim_speed bieg 1.5",
         [](auto& d, auto&)
         {
             ASSERT_EQ(d.anim_speed_count, 1u);
             EXPECT_STREQ(d.anim_speed_names[0], "bieg");
             EXPECT_FLOAT_EQ(d.anim_speed_values[0], 1.5f);
         }},
        {"random_attachment helmet.x hat",
         [](auto& d, auto&)
         {
             ASSERT_EQ(d.random_attachment_count, 1u);
             EXPECT_STREQ(d.random_attachment_models[0], "helmet.x");
             EXPECT_STREQ(d.random_attachment_sockets[0], "hat");
         }},
        {"global_on_gracz_dalej_niz 50 wracaj",
         [](auto& d, auto&)
         {
             EXPECT_FLOAT_EQ(d.global_on_gracz_dalej_niz_distance, 50.0f);
             EXPECT_STREQ(d.global_on_gracz_dalej_niz, "wracaj");
         }},
        {"win celebrate", [](auto& d, auto&) { EXPECT_STREQ(d.smierc_gracza, "celebrate"); }},
        {"sound_category 7", [](auto& d, auto&) { EXPECT_EQ(d.sound_category, 7u); }},
        {"DEAF", [](auto& d, auto&) { EXPECT_EQ(d.deaf, 1); }},
        {"HP nan", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.HP, 0.0f); }},
        {"HP inf", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.HP, 0.0f); }},
        {"HP 0x40", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.HP, 0.0f); }},
        {"HP 1e3", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.HP, 1000.0f); }},
        {"HP 1e99", [](auto& d, auto&) { EXPECT_TRUE(std::isfinite(d.HP)); }},
        {"HP -2.5xyz", [](auto& d, auto&) { EXPECT_FLOAT_EQ(d.HP, -2.5f); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        PMgr.Forget();
        Scripts(std::string("postac a\nfaza f\n") + c.line + "\n");
        const strFaza* f = CPostacMgr::FindFaza(&Desc(), "f");
        ASSERT_NE(f, nullptr);
        c.check(Desc(), *f);
    }
}

TEST_F(CharactersTest, TheFakeHeroComesBetweenTheMainFileAndTheFolder)
{
    Scripts("postac first\npostac second\n", "extra.txt", "postac third\n");
    EXPECT_EQ(Slot("first"), 0);
    EXPECT_EQ(Slot("second"), 1);
    EXPECT_EQ(Slot("_fake_hero"), 2);
    EXPECT_EQ(Slot("third"), 3);
    EXPECT_FLOAT_EQ(Desc("_fake_hero").odleglosc_kontaktu, 0.0f) << "the one description under the floor";
    EXPECT_FLOAT_EQ(Desc("first").odleglosc_kontaktu, 10.0f);

    // Without any script the fake hero still exists, first of all.
    PMgr.Forget();
    std::filesystem::remove_all("scripts");
    PMgr.LoadDescriptions();
    EXPECT_EQ(Slot("_fake_hero"), 0);
    EXPECT_FLOAT_EQ(Desc("_fake_hero").head_shot_multiplier, 10.0f);
    EXPECT_EQ(Desc("_fake_hero").burst, 1);
}

TEST_F(CharactersTest, FolderFilesAreReadInTheirSortedOrderSkippingDotsAndFolders)
{
    temp->Write("scripts/postacie/b.txt", "postac from_b\n");
    temp->Write("scripts/postacie/A.txt", "postac from_a\n");
    temp->Write("scripts/postacie/.hidden.txt", "postac hidden\n");
    temp->Write("scripts/postacie/sub.txt/inner.txt", "postac inner\n");
    PMgr.LoadDescriptions();
    EXPECT_LT(Slot("from_a"), Slot("from_b"));
    EXPECT_EQ(Slot("hidden"), -1);
    EXPECT_EQ(Slot("inner"), -1);
}

TEST_F(CharactersTest, FullListsDropFurtherLinesSilently)
{
    struct Case
    {
        const char* line;
        int lines;
        std::function<void(const strPostacDsc&, const strFaza&)> check;
    };
    const Case cases[] = {
        {"animacja a", 9,
         [](auto&, auto& f)
         {
             EXPECT_EQ(f.animacja_count, 8u);
             EXPECT_STREQ(f.animacja[7], "a7");
         }},
        {"anim_speed s", 65,
         [](auto& d, auto&)
         {
             EXPECT_EQ(d.anim_speed_count, 64u);
             EXPECT_STREQ(d.anim_speed_names[63], "s63");
         }},
        {"strzal_hero 0.", 32,
         [](auto&, auto& f)
         {
             EXPECT_EQ(f.strzal_hero_count, 31u);
             EXPECT_FLOAT_EQ(f.strzal_hero[30], 0.30f);
         }},
        {"on_koniec n", 9,
         [](auto&, auto& f)
         {
             EXPECT_EQ(f.on_koniec.count, 8u);
             EXPECT_STREQ(f.on_koniec.names[7], "n7");
         }},
        {"model m", 9, [](auto& d, auto&) { EXPECT_EQ(d.model_count, 8u); }},
        {"random_attachment r", 9, [](auto& d, auto&) { EXPECT_EQ(d.random_attachment_count, 8u); }},
        {"global_health_detect_faza 1", 9,
         [](auto& d, auto&) { EXPECT_EQ(d.global_health_detect_count, 8u); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        PMgr.Forget();
        Scripts("postac a\nfaza f\n" + Repeat(c.line, c.lines) + "HP 5\n");
        const strFaza* f = CPostacMgr::FindFaza(&Desc(), "f");
        ASSERT_NE(f, nullptr);
        c.check(Desc(), *f);
        EXPECT_FLOAT_EQ(Desc().HP, 5.0f) << "the lines after a full list are read";
    }
}

TEST_F(CharactersTest, DescriptionsPastTheTableAreSkippedWithTheirLines)
{
    std::string text;
    for (int i = 0; i < 129; ++i)
        text += "postac d" + std::to_string(i) + "\nHP " + std::to_string(i + 1) + "\n";
    Scripts(text, "more.txt", "postac later\n");
    EXPECT_NE(PMgr.FindDescription("d127"), nullptr);
    EXPECT_EQ(PMgr.FindDescription("d128"), nullptr);
    EXPECT_FLOAT_EQ(Desc("d127").HP, 128.0f) << "the skipped description's lines fill nothing";
    // A main file that fills the table leaves no slot for the fake hero or the folder.
    EXPECT_EQ(PMgr.FindDescription("_fake_hero"), nullptr);
    EXPECT_EQ(PMgr.FindDescription("later"), nullptr);

    // A null path or a missing file reads nothing.
    PMgr.Forget();
    PMgr.ParseDescriptions(nullptr);
    PMgr.ParseDescriptions("scripts\\missing.txt");
    EXPECT_FALSE(PMgr.m_Descriptions[0].used);
}

TEST_F(CharactersTest, AReopenedPhaseIsTheOneItsLinesFill)
{
    Scripts("postac a\nfaza x\nvel 1\nfaza y\nvel 2\nfaza X\nanimacja again\n");
    const strFaza* x = CPostacMgr::FindFaza(&Desc(), "x");
    const strFaza* y = CPostacMgr::FindFaza(&Desc(), "y");
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(Desc().faza_count, 3u) << "no phase is made twice";
    ASSERT_EQ(x->animacja_count, 1u);
    EXPECT_STREQ(x->animacja[0], "again");
    EXPECT_EQ(y->animacja_count, 0u);
}

TEST_F(CharactersTest, LongValuesAreCutToTheirFieldsAndLongPhaseNamesReported)
{
    const std::string longName(200, 'n');
    const std::string longWord(300, 'w');
    Scripts("postac " + longWord + "\nweapon " + longWord + "\nmodel " + longWord + "\nfaza " + longName +
            "\nanimacja " + longWord + "\non_koniec " + longWord + "\nsound " + longWord + " 5\nrun_to " +
            longWord + " " + longWord + "\n");
    const strPostacDsc& d = PMgr.m_Descriptions[0];
    ASSERT_TRUE(d.used);
    EXPECT_EQ(std::strlen(d.name), 63u);
    EXPECT_EQ(std::strlen(d.weapon), 127u);
    EXPECT_EQ(std::strlen(d.models[0]), 256u - 6u) << "a line holds 256 characters with its keyword";
    const strFaza* f = d.newest;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::strlen(f->name), 63u);
    EXPECT_EQ(f->name[0], 'n');
    EXPECT_EQ(std::strlen(f->animacja[0]), 63u);
    EXPECT_EQ(std::strlen(f->on_koniec.names[0]), 63u);
    EXPECT_EQ(std::strlen(f->sound), 127u);
    EXPECT_EQ(std::strlen(f->run_to[0]), 63u);
    EXPECT_EQ(Count(ConsoleLog(), " - zbyt dluga nazwa fazy!"), 1u);
    const std::string errors = temp->Read("!error.txt");
    EXPECT_NE(errors.find(longName + "\n  - zbyt dluga nazwa fazy!"), std::string::npos) << errors;
}

TEST_F(CharactersTest, RandomFollowingPhasesComeFromTheCurrentPhasesLists)
{
    Scripts("postac a\nfaza f\non_koniec k1\non_koniec k2\non_closer_widzi c\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(PMgr.RandomEndPhase(p), "") << "no phase yet";
    p->faza = CPostacMgr::FindFaza(p->desc, "f");
    bool seen[2] = {};
    for (int i = 0; i < 50; ++i)
    {
        const std::string end = PMgr.RandomEndPhase(p);
        ASSERT_TRUE(end == "k1" || end == "k2") << end;
        seen[end == "k2"] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1]);
    EXPECT_STREQ(PMgr.RandomCloserSeenPhase(p), "c");
    EXPECT_STREQ(PMgr.RandomCloserPhase(p), "");
    EXPECT_STREQ(PMgr.RandomEndSeenPhase(p), "");
    EXPECT_STREQ(PMgr.RandomEndPhase(nullptr), "");
}

TEST_F(CharactersTest, FreeingTheDescriptionsEmptiesTheTable)
{
    Scripts("postac a\nfaza f\nfaza g\n");
    PMgr.FreeDescriptions();
    EXPECT_EQ(PMgr.FindDescription("a"), nullptr);
    EXPECT_EQ(PMgr.FindDescription("_fake_hero"), nullptr);
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
        EXPECT_EQ(PMgr.m_Descriptions[i].newest, nullptr);
    // Read again, the table fills as it did.
    PMgr.LoadDescriptions();
    EXPECT_EQ(Slot("a"), 0);
}

TEST_F(CharactersTest, ScriptsWithCarriageReturnsAndTabsReadAsWithLineFeeds)
{
    Scripts("postac a\r\nfaza\tf\rHP\t42\r\nanimacja idle\r\n");
    EXPECT_FLOAT_EQ(Desc().HP, 42.0f);
    const strFaza* f = CPostacMgr::FindFaza(&Desc(), "f");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->animacja_count, 1u);
    EXPECT_STREQ(f->animacja[0], "idle");
}
