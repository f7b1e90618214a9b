// The level scripts: files read from "scripts\ai", the records the parser
// builds from them, the level chosen at world start, the actions evaluated
// each frame, named actions, the hit registry and the save section.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/SaveFile.h"
#include "world/ObjectActionCalls.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace gametest;

namespace
{
constexpr const char* kWorld = "worlds\\town.w";
constexpr float kFrame = 0.1f;

class LevelScripts : public GameTest
{
protected:
    // Writes the script, reads every script and starts the world `kWorld`.
    void Load(const std::string& text, const char* file = "scripts/ai/town.txt")
    {
        m_dir->Write(file, text);
        g_GameAI.Init();
        StartWorld(kWorld);
    }
    static void StartWorld(const char* world)
    {
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", world);
        g_GameAI.SelectLevel();
        g_GameAI.PrepareActions();
        g_GameAI.m_bLevelStarted = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_LEVEL_STARTED;
    }
    static void Frame() { g_GameAI.Update(kFrame); }
    static bool IsSet(const char* name) { return g_GameAI.IsVariableSet(name); }
    static int Value(const char* name)
    {
        const strzmienne* v = g_GameAI.FindVariable(name);
        return v ? v->value : INT_MIN;
    }
    static strai* Level() { return g_GameAI.m_pCurrentLevel; }
    // The named head of an action of the running level.
    static strakcje* Action(const char* name)
    {
        for (strakcje* a = Level() ? Level()->actions : nullptr; a; a = a->older)
            if (std::strcmp(a->name, name) == 0)
                return a;
        return nullptr;
    }
    static int RecordCount()
    {
        int n = 0;
        for (strakcje* a = Level() ? Level()->actions : nullptr; a; a = a->older)
            ++n;
        return n;
    }
    int Count(const std::string& line) const
    {
        const auto log = Log();
        return static_cast<int>(std::count(log.begin(), log.end(), line));
    }
};

TEST_F(LevelScripts, AnActionIsAChainOfOneRecordPerLineOnlyItsHeadNamed)
{
    Load("level worlds\\town.w\n"
         "action gate\n"
         "if a\n"
         "ifnot b\n"
         "if_counter_greater 2.5 clock\n"
         "set c\n"
         "print Gate open\n"
         "action other\n"
         "subtitle0 first line\n"
         "subtitle1 second line\n"
         "print after\n");
    ASSERT_NE(Level(), nullptr);
    strakcje* gate = Action("gate");
    ASSERT_NE(gate, nullptr);
    std::vector<strakcje*> chain;
    for (strakcje* r = gate; r; r = r->next)
        chain.push_back(r);
    ASSERT_EQ(chain.size(), 5u);
    EXPECT_STREQ(chain[0]->ifSet, "a");
    EXPECT_STREQ(chain[1]->ifNotSet, "b");
    EXPECT_FLOAT_EQ(chain[2]->counterGreater, 2.5f);
    EXPECT_STREQ(chain[2]->counterName, "clock");
    EXPECT_STREQ(chain[3]->setName, "c");
    EXPECT_STREQ(chain[4]->printText, "Gate open");
    for (size_t i = 1; i < chain.size(); ++i)
        EXPECT_EQ(chain[i]->name[0], 0);

    // The two subtitles share one record; the print after them adds one.
    strakcje* other = Action("other");
    ASSERT_NE(other, nullptr);
    EXPECT_STREQ(other->subtitle0, "first line");
    EXPECT_STREQ(other->subtitle1, "second line");
    ASSERT_NE(other->next, nullptr);
    EXPECT_STREQ(other->next->printText, "after");
    EXPECT_EQ(other->next->next, nullptr);
    EXPECT_EQ(RecordCount(), 7);
}

TEST_F(LevelScripts, ArgumentsAreReadAsEachKeywordWantsThem)
{
    Load("level worlds\\town.w\n"
         "action a\n"
         "inc 5 kills\n"
         "inc kills\n"
         "DEC 3 kills\n"
         "if_int_greater 7 score points\n"
         "set_faza idle guard one\n"
         "rocket launcher target 12.5\n"
         "attach_object box cart socket_1\n"
         "set_anim_loop townsman walk fast\n"
         "set_corpse_disappear_time bob 4.5\n"
         "ifmeshblizejniz 30 barrel\n"
         "kill_them_all\n"
         "If_Set  spaced   name  \n");
    std::vector<strakcje*> r;
    for (strakcje* x = Action("a"); x; x = x->next)
        r.push_back(x);
    ASSERT_EQ(r.size(), 12u);
    EXPECT_EQ(r[0]->incAmount, 5);
    EXPECT_STREQ(r[0]->incName, "kills");
    EXPECT_EQ(r[1]->incAmount, 1);
    EXPECT_STREQ(r[1]->incName, "kills");
    EXPECT_EQ(r[2]->decAmount, 3);
    EXPECT_EQ(r[3]->intGreater, 7);
    EXPECT_STREQ(r[3]->intName, "score points");
    EXPECT_STREQ(r[4]->phase, "idle");
    EXPECT_STREQ(r[4]->phaseCharacter, "guard one");
    EXPECT_STREQ(r[5]->rocketLauncher, "launcher");
    EXPECT_STREQ(r[5]->rocketTarget, "target");
    EXPECT_FLOAT_EQ(r[5]->rocketSpeed, 12.5f);
    EXPECT_STREQ(r[6]->attachObject, "box");
    EXPECT_STREQ(r[6]->attachTarget, "cart");
    EXPECT_STREQ(r[6]->attachSocket, "socket_1");
    EXPECT_STREQ(r[7]->animObject, "townsman");
    EXPECT_STREQ(r[7]->animName, "walk fast");
    EXPECT_EQ(r[7]->animLoop, 1);
    EXPECT_STREQ(r[8]->corpseCharacter, "bob");
    EXPECT_FLOAT_EQ(r[8]->corpseTime, 4.5f);
    EXPECT_FLOAT_EQ(r[9]->meshNearerThan, 30.0f);
    EXPECT_STREQ(r[9]->distanceMesh, "barrel");
    EXPECT_EQ(r[10]->killEmAll, 1);
    EXPECT_STREQ(r[11]->ifSet, "spaced   name");
}

TEST_F(LevelScripts, TheNewestLevelOfAWorldIsChosenWithItsSettings)
{
    m_dir->Write("scripts/ai/a_old.txt", "level WORLDS\\Town.w\n"
                                         "level_d Old town\n"
                                         "action old_one\n"
                                         "print old\n");
    Load("level worlds\\town.w\n"
         "level_d The town\n"
         "Light_Power_Multiplier 1.75\n"
         "no_clip\n"
         "clear_weapons\n"
         "no_water_specular\n"
         "loading_screen misc\\loading\\town.bmp\n",
         "scripts/ai/b_new.txt");
    ASSERT_NE(Level(), nullptr);
    EXPECT_STREQ(Level()->displayName, "The town");
    EXPECT_EQ(Action("old_one"), nullptr) << "the older record of the world is not chosen";
    EXPECT_STREQ(g_GameAI.m_szLevelDisplayName, "The town");
    EXPECT_STREQ(g_Options.runworld, "worlds\\town.w");
    EXPECT_FLOAT_EQ(g_Options.LightPowerMultiplier, 1.75f);
    EXPECT_EQ(Level()->noClip, 1);
    EXPECT_EQ(Level()->clearWeapons, 1);
    EXPECT_EQ(Bronie.m_bClearWeapons, 1) << "the weapons start the level empty";
    EXPECT_EQ(Level()->noWaterSpecular, 1);
    EXPECT_STREQ(Level()->loadingScreen, "misc\\loading\\town.bmp");
    EXPECT_FLOAT_EQ(Level()->sightMultiplier, 1.0f);

    // A world no script names runs no script.
    StartWorld("worlds\\elsewhere.w");
    EXPECT_EQ(Level(), nullptr);
    EXPECT_EQ(g_GameAI.m_szLevelDisplayName[0], 0);
    EXPECT_EQ(Bronie.m_bClearWeapons, 0);
}

TEST_F(LevelScripts, LinesOutsideALevelOrBlockAreIgnoredAndAFileWithoutALevelGoesOnFillingTheLast)
{
    m_dir->Write("scripts/ai/a.txt", "bool early\n"
                                     "action too_early\n"
                                     "set too_early\n"
                                     "level_d Nowhere\n"
                                     "level worlds\\town.w\n"
                                     "set before_any_block\n"
                                     "print before\n"
                                     "na_edytor\n"
                                     "action first\n"
                                     "set first_ran\n");
    m_dir->Write("scripts/ai/b.txt", "counter clock\n"
                                     "action second\n"
                                     "set second_ran\n");
    // Folders and names beginning with a dot are passed over.
    m_dir->Write("scripts/ai/.hidden.txt", "level worlds\\town.w\n");
    std::filesystem::create_directories(m_dir->path() / "scripts/ai/folder.txt");
    g_GameAI.Init();
    StartWorld(kWorld);
    ASSERT_NE(Level(), nullptr);
    EXPECT_EQ(RecordCount(), 2);
    int levels = 0;
    for (strai* l = g_GameAI.m_pLevels; l; l = l->older)
        ++levels;
    EXPECT_EQ(levels, 1);
    EXPECT_NE(g_GameAI.FindVariable("early"), nullptr);
    EXPECT_NE(g_GameAI.FindVariable("clock"), nullptr);
    EXPECT_EQ(Level()->displayName[0], 0);
    ASSERT_NE(Action("first"), nullptr);
    EXPECT_EQ(Action("first")->editorOnly, 0);
    Frame();
    EXPECT_TRUE(IsSet("first_ran"));
    EXPECT_TRUE(IsSet("second_ran"));
    EXPECT_FALSE(IsSet("too_early"));
    EXPECT_FALSE(IsSet("before_any_block"));
}

TEST_F(LevelScripts, NaEdytorMarksTheNewestNamedActionEvenAfterItsRecords)
{
    Load("level worlds\\town.w\n"
         "action shown\n"
         "set shown_ran\n"
         "action hidden\n"
         "set a\n"
         "set b\n"
         "na_edytor\n"
         "editor_action tool\n"
         "set tool_ran\n");
    EXPECT_EQ(Action("hidden")->editorOnly, 1);
    EXPECT_EQ(Action("shown")->editorOnly, 0);
    EXPECT_EQ(Action("tool")->editorOnly, 1);
    Frame();
    EXPECT_TRUE(IsSet("shown_ran"));
    EXPECT_FALSE(IsSet("a"));
    EXPECT_FALSE(IsSet("tool_ran"));
    // Named calls run them all the same.
    g_GameAI.ActivateAIAction("TOOL");
    EXPECT_TRUE(IsSet("tool_ran"));
}

TEST_F(LevelScripts, OverLongWordsAndLinesAreCutToTheirFieldsAndTheRestOfALineIsSkipped)
{
    const std::string word(300, 'w');
    std::string text = "level worlds\\town.w\naction a\n";
    for (const char* k : {"set", "set_faza", "set_all_faza", "set_corpse_disappear_time", "print", "sound",
                          "music", "subtitle0", "subtitle1", "rocket", "attach_object", "set_anim", "inc",
                          "if_int_less", "if_counter_less", "ifgraczblizejniz", "ifmeshdalejniz", "level_d"})
        text += std::string(k) + " " + word + " " + word + "\n";
    // A line of 600 characters whose tail would be a command of its own.
    std::string longLine = "print " + std::string(504, 'p') + "set tail_ran " + std::string(80, 'q');
    text += longLine + "\nset next_line\n";
    Load(text);
    strakcje* a = Action("a");
    ASSERT_NE(a, nullptr);
    strakcje* last = nullptr;
    int n = 0;
    for (strakcje* r = a; r; r = r->next, ++n)
        last = r;
    EXPECT_EQ(n, 18) << "the subtitles share a record; level_d is no record";
    EXPECT_EQ(std::strlen(a->setName), static_cast<size_t>(AI_NAME_SIZE - 1));
    EXPECT_EQ(std::strlen(a->next->phase), static_cast<size_t>(AI_NAME_SIZE - 1));
    EXPECT_EQ(std::strlen(a->next->phaseCharacter), static_cast<size_t>(AI_NAME_SIZE - 1));
    EXPECT_EQ(std::strlen(a->next->next->allPhase), static_cast<size_t>(AI_NAME_SIZE - 1));
    EXPECT_EQ(std::strlen(a->next->next->next->corpseCharacter), static_cast<size_t>(AI_NAME_SIZE - 1));
    EXPECT_EQ(std::strlen(Level()->displayName), static_cast<size_t>(AI_LONG_SIZE - 1));
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->setName, "next_line");
    Frame();
    EXPECT_FALSE(IsSet("tail_ran"));
    EXPECT_TRUE(IsSet("next_line"));
}

TEST_F(LevelScripts, ACommandRunsWhenTheConditionsBeforeItHoldAndAFailingOneStopsTheChain)
{
    Load("level worlds\\town.w\n"
         "action four\n"
         "if a\n"
         "set b\n"
         "if c\n"
         "print reached the end\n");
    Frame();
    EXPECT_FALSE(IsSet("b"));
    g_GameAI.SetVariable("a", nullptr);
    Frame();
    EXPECT_TRUE(IsSet("b"));
    EXPECT_EQ(Count("reached the end"), 0);
    // Not a once action: it runs again every frame.
    g_GameAI.UnsetVariable("b", nullptr);
    Frame();
    EXPECT_TRUE(IsSet("b"));
    g_GameAI.SetVariable("c", nullptr);
    Frame();
    Frame();
    EXPECT_EQ(Count("reached the end"), 2);
}

TEST_F(LevelScripts, AOnceActionRetriesUntilItsChainEndsAndThenNeverRuns)
{
    Load("level worlds\\town.w\n"
         "int score\n"
         "action_once award\n"
         "if ready\n"
         "inc 10 score\n"
         "print awarded\n");
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(Action("award")->done, 0);
    g_GameAI.SetVariable("ready", nullptr);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(Action("award")->done, 1);
    EXPECT_EQ(Value("score"), 10);
    EXPECT_EQ(Count("awarded"), 1);
}

TEST_F(LevelScripts, StartWorldEndsTheChainAndNoLaterRecordRuns)
{
    Load("level worlds\\town.w\n"
         "action_once leave\n"
         "set before\n"
         "start_world worlds\\next.w\n"
         "set after\n");
    Frame();
    EXPECT_TRUE(IsSet("before"));
    EXPECT_FALSE(IsSet("after"));
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\next.w");
    EXPECT_EQ(Action("leave")->done, 1);
}

TEST_F(LevelScripts, ConditionsThatAreNoneOrCannotBeDecidedPassOnAsThePartsSay)
{
    Load("level worlds\\town.w\n"
         "int n\n"
         "action zero\n"
         "if_int_greater 0 n\n"
         "set zero_passed\n"
         "action less\n"
         "if_int_less 3 n\n"
         "set less_passed\n"
         "action missing_int\n"
         "if_int_less 3 nothing\n"
         "set missing_int_passed\n"
         "action never\n"
         "if_postrzal somebody\n"
         "set never_passed\n"
         "action not_set_missing\n"
         "ifnot never_declared\n"
         "set not_set_passed\n"
         "action dead\n"
         "if_dead nobody\n"
         "set dead_passed\n");
    Frame();
    EXPECT_TRUE(IsSet("zero_passed")) << "0 is no condition";
    EXPECT_TRUE(IsSet("less_passed"));
    EXPECT_FALSE(IsSet("missing_int_passed"));
    EXPECT_FALSE(IsSet("never_passed"));
    EXPECT_FALSE(IsSet("not_set_passed")) << "a missing variable fails if_not";
    EXPECT_FALSE(IsSet("dead_passed"));

    // A counter that does not exist leaves the decision to the next field
    // of the same record.
    strakcje record;
    record.counterGreater = 2.0f;
    std::snprintf(record.counterName, sizeof record.counterName, "%s", "no_counter");
    std::snprintf(record.ifHit, sizeof record.ifHit, "%s", "crate");
    std::snprintf(record.setName, sizeof record.setName, "%s", "counter_fell_through");
    EXPECT_FALSE(g_GameAI.ExecuteCommand(&record));
    g_GameAI.RegisterHit("crate");
    EXPECT_TRUE(g_GameAI.ExecuteCommand(&record));
    // An existing counter decides by itself.
    g_GameAI.DeclareVariable("no_counter", strzmienne::TYPE_COUNTER);
    EXPECT_FALSE(g_GameAI.ExecuteCommand(&record));
}

// A character record in use, straight in the characters' manager.
static strpostac& PlaceCharacter(int slot, const char* name, const D3DXVECTOR3& at)
{
    strpostac& p = PMgr.m_Postacie[slot];
    p = strpostac{};
    p.used = 1;
    std::snprintf(p.name, sizeof p.name, "%s", name);
    p.position = at;
    return p;
}

TEST_F(LevelScripts, TheDeadTestAndThePlayersDistanceReadTheCharacters)
{
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    strpostac& guard = PlaceCharacter(0, "Guard", D3DXVECTOR3(30.0f, 0.0f, 40.0f));
    Load("level worlds\\town.w\n"
         "action dead\n"
         "if_dead guard\n"
         "set dead_passed\n"
         "action near\n"
         "if_gracz_blizej_niz 60 guard\n"
         "set near_passed\n"
         "action far\n"
         "if_gracz_dalej_niz 60 guard\n"
         "set far_passed\n"
         "action nobody_near\n"
         "if_gracz_blizej_niz 60 nobody\n"
         "set nobody_passed\n");
    Frame();
    EXPECT_FALSE(IsSet("dead_passed")) << "the guard lives";
    EXPECT_TRUE(IsSet("near_passed")) << "50 units from the player";
    EXPECT_FALSE(IsSet("far_passed"));
    EXPECT_FALSE(IsSet("nobody_passed")) << "a missing character fails the distance";

    guard.dead = 1;
    guard.position = D3DXVECTOR3(0.0f, 0.0f, 80.0f);
    Frame();
    EXPECT_TRUE(IsSet("dead_passed")) << "the guard died";
    EXPECT_TRUE(IsSet("far_passed")) << "the dead still stand 80 units away";
}

TEST_F(LevelScripts, DeleteEmAllMarksTheLivingOfMortalPhasesForRemoval)
{
    strFaza immortal = {};
    immortal.immortal = 1;
    strpostac& a = PlaceCharacter(0, "a", D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    strpostac& b = PlaceCharacter(1, "b", D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    b.faza = &immortal;
    strpostac& c = PlaceCharacter(2, "c", D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    c.dead = 1;
    Load("level worlds\\town.w\n"
         "action purge\n"
         "delete_em_all\n");
    Frame();
    EXPECT_EQ(a.delete_request, 1);
    EXPECT_EQ(b.delete_request, 0) << "an immortal phase stays";
    EXPECT_EQ(c.delete_request, 0) << "the dead are not marked";
    b.faza = nullptr;
}

TEST_F(LevelScripts, IncAndDecChangeOnlyIntegersAndStopAtTheLimits)
{
    Load("level worlds\\town.w\n"
         "int big\n"
         "int small\n"
         "bool flag\n"
         "action up\n"
         "inc 2000000000 big\n"
         "dec 2000000000 small\n"
         "inc flag\n");
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(Value("big"), INT_MAX);
    EXPECT_EQ(Value("small"), INT_MIN);
    EXPECT_EQ(Value("flag"), 0);
}

TEST_F(LevelScripts, HitsAreKeptUntilTheNextUpdateThirtyTwoAFrameAndLongNamesMatch)
{
    const std::string longName = "range_" + std::string(94, 'x');
    Load("level worlds\\town.w\n"
         "action shot\n"
         "if_hit " +
         longName +
         "\n"
         "inc hits\n"
         "int hits\n");
    g_Options.Debug = 3;
    g_GameAI.RegisterHit(longName.c_str());
    Frame();
    EXPECT_EQ(Value("hits"), 1);
    EXPECT_EQ(Count("Sprawdzono postrzal obiektu " + longName.substr(0, AI_NAME_SIZE - 1) + " - TRUE!"), 1);
    Frame();
    EXPECT_EQ(Value("hits"), 1) << "the registry was emptied";

    for (int i = 0; i < GameAI::MAX_HITS; ++i)
        g_GameAI.RegisterHit(("crate" + std::to_string(i)).c_str());
    g_GameAI.RegisterHit(longName.c_str());
    EXPECT_EQ(Count("obiekt " + longName + " postrzelony NIE zarejestrowany - OVERFLOW"), 1);
    EXPECT_TRUE(g_GameAI.WasHit("CRATE31"));
    Frame();
    EXPECT_EQ(Value("hits"), 1);
    EXPECT_FALSE(g_GameAI.WasHit("crate0"));
    // An object's hit reaches the registry through the object logic's call.
    ActionCalls::LevelRegisterHit(longName.c_str());
    Frame();
    EXPECT_EQ(Value("hits"), 2);
}

TEST_F(LevelScripts, NamedActionsRunForObjectsWhateverTheirFlagsOnceTheLevelHasBegun)
{
    Load("level worlds\\town.w\n"
         "int calls\n"
         "action_once panel\n"
         "inc calls\n"
         "editor_action Panel\n"
         "inc calls\n");
    Frame();
    EXPECT_EQ(Value("calls"), 1);
    EXPECT_EQ(Action("panel")->done, 1);
    ActionCalls::ActivateAIAction("PANEL");
    EXPECT_EQ(Value("calls"), 3);
    g_MainGame.m_iLevelFrame = 11;
    g_GameAI.ActivateAIAction("panel");
    EXPECT_EQ(Value("calls"), 3) << "not before level frame 12";
    // Nothing runs before the level started or below frame 150.
    g_MainGame.m_iLevelFrame = 149;
    Frame();
    g_MainGame.m_iLevelFrame = CMainGame::FRAME_LEVEL_STARTED;
    g_GameAI.m_bLevelStarted = 0;
    Frame();
    EXPECT_EQ(Value("calls"), 3);
}

TEST_F(LevelScripts, RepeatedNamesAreReportedAtLevelStartAndBothKept)
{
    Load("level worlds\\town.w\n"
         "action_once twice\n"
         "set one\n"
         "action_once TWICE\n"
         "set two\n");
    EXPECT_EQ(Count("*** Error! Repeated AI action name TWICE"), 1);
    EXPECT_EQ(Count("Swiat: worlds\\town.w Porownuje TWICE z twice *** Identyczne!"), 1);
    Frame();
    EXPECT_TRUE(IsSet("one"));
    EXPECT_TRUE(IsSet("two"));
}

TEST_F(LevelScripts, CommandsOnMissingObjectsSaySoAndGoOn)
{
    Load("level worlds\\town.w\n"
         "action a\n"
         "deactivate ghost\n"
         "activate ghost\n"
         "set_anim ghost walk\n"
         "rocket ghost target 10\n"
         "attach_object ghost cart socket\n"
         "object_action ghost\n"
         "kill_object ghost\n"
         "set reached\n");
    Frame();
    EXPECT_TRUE(IsSet("reached"));
    EXPECT_EQ(Count("GameAI.Deactivate can't find object ghost"), 1);
    EXPECT_EQ(Count("GameAI.Activate can't find object ghost"), 1);
    EXPECT_EQ(Count("Object to set anim ghost NOT found!"), 1);
    EXPECT_EQ(Count("Brak obiektu startowego rakiety: ghost"), 1);
    EXPECT_EQ(Count("Nie znaleziono obiektu do attachowania!"), 1);
}

class LevelScriptSave : public LevelScripts
{
protected:
    std::string Path() const { return (m_dir->path() / "ai.sav").string(); }
    bool SaveTo()
    {
        FILE* out = std::fopen(Path().c_str(), "wb");
        if (!out)
            return false;
        const bool ok = g_GameAI.Save(out);
        return CloseSaveFile(out) && ok;
    }
    bool LoadFrom()
    {
        FILE* in = std::fopen(Path().c_str(), "rb");
        if (!in)
            return false;
        const bool ok = g_GameAI.Load(in);
        // The section is read to its end, no byte more or less.
        const bool atEnd = std::fgetc(in) == EOF;
        std::fclose(in);
        return ok && atEnd;
    }
};

TEST_F(LevelScriptSave, AOnceActionRestoredAsDoneStaysDone)
{
    const std::string script = "level worlds\\town.w\n"
                               "action_once opened\n"
                               "set door\n"
                               "action_once waiting\n"
                               "if never\n"
                               "set waited\n";
    Load(script);
    Frame();
    ASSERT_EQ(Action("opened")->done, 1);
    ASSERT_TRUE(SaveTo());

    // A fresh start of the same world, the save loaded at once.
    Load(script);
    ASSERT_TRUE(LoadFrom());
    EXPECT_EQ(Action("opened")->done, 1);
    EXPECT_EQ(Action("waiting")->done, 0);
    EXPECT_EQ(Count("Oznaczam akcje opened jako executed."), 1);
    EXPECT_EQ(Count("Oznaczam akcje waiting jako NIE executed"), 1);
    EXPECT_TRUE(IsSet("door"));
    g_GameAI.UnsetVariable("door", nullptr);
    Frame();
    EXPECT_FALSE(IsSet("door")) << "the restored action did not run again";
}

TEST_F(LevelScriptSave, TheSectionStaysInStepWhetherOrNotTheWorldHasAScript)
{
    // Saved without scripts for the world: the actions part is its end byte.
    Load("level worlds\\other.w\n");
    g_GameAI.SetVariable("flag", nullptr);
    ASSERT_TRUE(SaveTo());
    Load("level worlds\\town.w\naction_once a\nset x\n");
    EXPECT_TRUE(LoadFrom());
    EXPECT_TRUE(IsSet("flag"));

    // Saved with one, loaded where none is chosen.
    Frame();
    ASSERT_TRUE(SaveTo());
    g_GameAI.Init();
    StartWorld("worlds\\other.w");
    EXPECT_TRUE(LoadFrom());

    // Every cut of the file fails the load.
    const auto size = std::filesystem::file_size(Path());
    for (auto keep : {size - 1, size - 2, size / 2})
    {
        std::filesystem::resize_file(Path(), keep);
        Load("level worlds\\town.w\naction_once a\nset x\n");
        FILE* in = std::fopen(Path().c_str(), "rb");
        ASSERT_NE(in, nullptr);
        EXPECT_FALSE(g_GameAI.Load(in)) << keep;
        std::fclose(in);
    }
}
} // namespace
