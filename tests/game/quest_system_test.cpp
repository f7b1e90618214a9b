// The mission scripts: the script chosen for a world, the reader with its
// include and its error files, the command records, the runner on a fake
// clock, the warzones and the other fail conditions, and the save section.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "game/Battlefield.h"
#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "game/QuestSystem.h"
#include "game/QuestSystemCalls.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "shell/TextMgr.h"
#include "ui/Objective.h"
#include "world/EngineObject.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace gametest;

namespace
{
constexpr const char* kWorld = "worlds\\town.w";
constexpr float kFrame = 0.1f;

class QuestScripts : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", kWorld);
        g_QuestSystem = QuestSystem();
        PlayerStats.m_bDead = 0;
        PlayerStats.m_bMissionFailed = 0;
        QuestCalls::ClearJournal();
        ActionCalls::ClearJournal();
    }
    void TearDown() override
    {
        g_QuestSystem.Reset();
        g_QuestSystem = QuestSystem();
        g_TextMgr.Free();
        // A battlefield a script enabled would place its nests in the next
        // test's world before that world's start resets it.
        g_Battlefield.ReleaseUnits();
        g_Battlefield.Reset();
        g_Engine.DeleteAllObjects();
        GameTest::TearDown();
    }
    // Writes the script (with its "world" line) and loads it for the world.
    void Load(const std::string& body, const char* file = "scripts/quests/town.txt")
    {
        m_dir->Write(file, "world worlds\\town.w\n" + body);
        g_QuestSystem.LoadScripts();
    }
    std::vector<std::string> Errors(const char* file = "!QSErrors.txt") const
    {
        std::vector<std::string> lines;
        std::string text = m_dir->Read(file);
        size_t start = 0;
        while (start < text.size())
        {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            start = end + 1;
        }
        return lines;
    }
    static HOBJECT Place(const char* name, float x, float y, float z)
    {
        const D3DXVECTOR3 at(x, y, z);
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr);
        if (o)
            g_Engine.SetObjectName(o, name);
        return o;
    }
    static void HeroAt(float x, float y, float z) { Player.m_vPosition = {x, y, z}; }
    // Level frames up to the start, then frames of kFrame seconds.
    static void StartLevel() { g_MainGame.m_iLevelFrame = QuestSystem::FIRST_FRAME; }
    static void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            g_Engine.m_fDeltaTime = kFrame;
            g_QuestSystem.Update();
        }
    }
    static const QuestCommand& Command(size_t i) { return g_QuestSystem.m_Commands.at(i); }
    static std::string CurrentWord()
    {
        const QuestCommand* c = g_QuestSystem.Current();
        return c ? QuestSystem::CommandWord(c->code) : "";
    }
    void DeclareBool(const char* name)
    {
        m_dir->Write("scripts/ai/vars.txt", std::string("bool ") + name + "\n");
        g_GameAI.Init();
    }
};

// ---- Choosing and reading the script --------------------------------------------------------

TEST_F(QuestScripts, TheFirstScriptInSortedOrderNamingTheWorldIsRead)
{
    m_dir->Write("scripts/quests/b_town.txt", "// the second\nworld WORLDS\\TOWN.W\nset second\n");
    m_dir->Write("scripts/quests/A_town.txt", "world worlds\\town.w\nset first\n");
    m_dir->Write("scripts/quests/0_other.txt", "world worlds\\other.w\nset other\n");
    EXPECT_EQ(g_QuestSystem.FindScript(), "scripts\\quests\\A_town.txt");
    g_QuestSystem.LoadScripts();
    ASSERT_EQ(g_QuestSystem.m_Commands.size(), 1u);
    EXPECT_STREQ(Command(0).arg1, "first");
    EXPECT_FALSE(Contains(Log(), "No QuestSystem script found!"));

    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\nowhere.w");
    g_QuestSystem.LoadScripts();
    EXPECT_TRUE(g_QuestSystem.m_Commands.empty());
    EXPECT_TRUE(Contains(Log(), "No QuestSystem script found!"));
}

TEST_F(QuestScripts, LineNumbersCountThroughTheIncludeAndIncludeErrorsGoToTheirOwnFile)
{
    m_dir->Write("scripts/quests/inner.txt", "set a\n\nbogus_in_include\n#include other.txt\n");
    m_dir->Write("QSErrors.txt", "kept from before\n");
    Load("set first\n"            // 2
         "#include inner.txt\n"   // 3, then 4..7 inside
         "#include missing.txt\n" // 8
         "   \n"                  // 9
         "another_bogus word\n"); // 10
    EXPECT_EQ(Errors(), (std::vector<std::string>{"6: Improper command: bogus_in_include",
                                                  "10: Improper command: another_bogus"}));
    EXPECT_EQ(Errors("QSErrors.txt"),
              (std::vector<std::string>{"kept from before", "Nesting #include commands FORBIDDEN!",
                                        "#include missing.txt - can't open file!"}));
    ASSERT_EQ(g_QuestSystem.m_Commands.size(), 2u);
    EXPECT_STREQ(Command(1).arg1, "a");
    EXPECT_EQ(Command(1).index, 1u);

    // The parser's file starts afresh at every level start; the include file grows.
    Load("set ok\n");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Errors("QSErrors.txt").size(), 3u);
}

TEST_F(QuestScripts, EachCheckWritesItsLineAndTheCommandStays)
{
    Place("tower", 0.0f, 0.0f, 0.0f);
    struct Case
    {
        const char* line;
        const char* error; // without the "2: " of its line
    };
    const Case cases[] = {
        {"wait 0", "WAIT command with zero parameter!"},
        {"far_z 0.5", "FAR_Z command with parameter<1.0f!"},
        {"kill_em_all 0", "KILL_EM_ALL command with parameter<1.0f!"},
        {"movement_radius_on -1", "movement_radious_on command with parameter<0.0f!"},
        {"sector_hide 0", "SECTOR_HIDE command with zero parameter!"},
        {"set_fail_on_shot 0", "SET_FAIL_ON_SHOOT command with zero parameter!"},
        {"goto", "GOTO command with NULL parameter!"},
        {"set_warzone nowhere", "SET_WARZONE: target does not exist!"},
        {"wait_object_destroyed nowhere", "WAIT_OBJECT_DESTROYED: target does not exist!"},
        {"set_phase guard", "SET_PHASE command with NULL phase!"},
        {"set_anim tower", "SET_ANIM command with NULL anim name!"},
        {"set_anim ghost walk", "SET_ANIM command: object ghost does not exist!"},
        {"sound sounds\\none.wav", "SOUND command: file sounds\\none.wav does not exist!"},
        {"camera_move tower gone tower 5", "CAMERA_MOVE: dest object gone does not exist!"},
        {"move_character guard nowhere", "MOVE_CHARACTER command: can't find target nowhere!"},
        {"set", "set command with NULL parameter!"},
        {"use ghost", "warning: ghost does not exist in the world!"},
        {"goto tower -distance 1", "-DISTANCE param less than 1.0f!"},
        {"goto tower -burst -2", "-BURST param less than 0.0f!"},
        {"goto tower -objective", "-OBJECTIVE param with NULL!"},
        {"goto tower -fast", "unknown param -fast"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        Load(std::string(c.line) + "\n");
        EXPECT_EQ(Errors(), std::vector<std::string>{std::string("2: ") + c.error});
        ASSERT_EQ(g_QuestSystem.m_Commands.size(), 1u);
    }
    // Battlefield directions: both lines of the message; a proper one is quiet.
    Load("battlefield_enable up\nbattlefield_enable NE\n");
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"2: Battlefield_enable command with wrong direction!",
                                        "Proper directions are: s, n, w, e, ne, nw, se, sw ONLY."}));
    // The "_g" guns are never warned about.
    Load("use rack_gun\nactivate tower\n");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(QuestScripts, OptionsDefaultsAndTheirEnds)
{
    Place("tower", 0.0f, 0.0f, 0.0f);
    Load("set_warzone tower -distance 1 -text G99\n"                     // 2
         "goto tower -distance 4 -objective Q01 -waypoint tower // go\n" // 3
         "allow_shooting tower -display\n"                               // 4
         "enemy_dead guard -loop -mystery -comment lost\n"               // 5
         "dialogue talk bob -comment hi\n"                               // 6
         "move_character guard tower -moving_anim " +
         std::string(80, 'a') + "\n"); // 7
    const std::vector<std::string> errors = Errors();
    EXPECT_EQ(errors, (std::vector<std::string>{"5: unknown param -mystery",
                                                "7: " + std::string(80, 'a') + " too long"}));
    ASSERT_EQ(g_QuestSystem.m_Commands.size(), 6u);
    EXPECT_FLOAT_EQ(Command(0).distance, 1.0f);
    EXPECT_STREQ(Command(0).text, "G99");
    EXPECT_FLOAT_EQ(Command(1).distance, 4.0f);
    EXPECT_STREQ(Command(1).objective, "Q01");
    EXPECT_STREQ(Command(1).waypoint, "tower");
    EXPECT_FLOAT_EQ(Command(2).distance, 40.0f);
    EXPECT_FLOAT_EQ(Command(2).burst, 5.0f);
    EXPECT_FLOAT_EQ(Command(2).burstInterval, 1.0f);
    EXPECT_EQ(Command(2).display, 1);
    EXPECT_FLOAT_EQ(Command(3).distance, 0.0f);
    EXPECT_EQ(Command(3).loop, 1);
    EXPECT_STREQ(Command(3).comment, ""); // the unknown option ended the options
    EXPECT_STREQ(Command(4).arg3, "bob");
    EXPECT_STREQ(Command(4).arg4, "");
    EXPECT_STREQ(Command(4).comment, "hi");
    EXPECT_STREQ(Command(5).gotoTarget, "tower");
    EXPECT_STREQ(Command(5).movingAnim, "");
    Load("wait 2\n");
    EXPECT_STREQ(Command(0).movingAnim, "bieg");
    EXPECT_FLOAT_EQ(Command(0).distance, 10.0f);
}

TEST_F(QuestScripts, AnOverLongLineIsReportedAndItsRestNeverBecomesALine)
{
    Load("set a\n" + std::string("set ") + std::string(596, 'x') + "\nset b\n");
    EXPECT_EQ(Errors(), std::vector<std::string>{"3: line too long"});
    ASSERT_EQ(g_QuestSystem.m_Commands.size(), 3u);
    EXPECT_STREQ(Command(2).arg1, "b");
    EXPECT_LT(std::strlen(Command(1).arg1), static_cast<size_t>(QS_TEXT_SIZE));
}

// ---- Running ------------------------------------------------------------------------------

TEST_F(QuestScripts, ASequenceRunsInOrderFromFrame209WaitingWhereItMust)
{
    DeclareBool("door_open");
    HOBJECT tower = Place("tower", 100.0f, 0.0f, 0.0f);
    ASSERT_NE(tower, nullptr);
    HeroAt(0.0f, 0.0f, 0.0f);
    Load("wait 1 -comment start -objective Q01\n"
         "set door_open\n"
         "goto nowhere\n"
         "goto tower -distance 5\n"
         "use tower\n"
         "unset door_open\n");
    g_MainGame.m_iLevelFrame = QuestSystem::FIRST_FRAME - 1;
    Frames(30);
    EXPECT_EQ(g_QuestSystem.m_bStarted, 0);
    EXPECT_EQ(g_QuestSystem.Current(), nullptr);

    StartLevel();
    Frames(1);
    EXPECT_EQ(CurrentWord(), "wait");
    EXPECT_TRUE(Contains(Log(), "QS comment: start"));
    EXPECT_TRUE(QuestCalls::Called("Objective::SetTask Q01"));
    Frames(9); // 0.9 s: not below 0 yet
    EXPECT_EQ(CurrentWord(), "wait");
    EXPECT_FALSE(g_GameAI.IsVariableSet("door_open"));
    Frames(2);
    // The missing goto target is passed at once; the next goto waits.
    EXPECT_TRUE(g_GameAI.IsVariableSet("door_open"));
    EXPECT_TRUE(Contains(Log(), "QS: Goto target nowhere NOT found!"));
    EXPECT_EQ(g_QuestSystem.m_iCurrent, 3);
    Frames(5);
    EXPECT_EQ(g_QuestSystem.m_iCurrent, 3);
    HeroAt(96.0f, 0.0f, 0.0f);
    Frames(1);
    EXPECT_EQ(CurrentWord(), "use");
    // Another object's use is not this one's.
    HOBJECT other = Place("shed", 0.0f, 0.0f, 0.0f);
    g_QuestSystem.OnObjectUsed(other);
    EXPECT_EQ(CurrentWord(), "use");
    // A dead hero pauses the list.
    PlayerStats.m_bDead = 1;
    tower->bActionHasRun = 1;
    Frames(3);
    EXPECT_EQ(CurrentWord(), "use");
    PlayerStats.m_bDead = 0;
    tower->bActionHasRun = 0;
    g_QuestSystem.OnObjectUsed(tower);
    EXPECT_FALSE(g_GameAI.IsVariableSet("door_open"));
    EXPECT_EQ(g_QuestSystem.Current(), nullptr);
    EXPECT_TRUE(Contains(Log(), "Koniec QS"));
    Frames(5);
    EXPECT_EQ(g_QuestSystem.Current(), nullptr);
}

TEST_F(QuestScripts, EnemyDeadWaitsItsSecondBeforeLookingAndPassesForACharacterThatIsNotThere)
{
    DeclareBool("after");
    Load("enemy_dead nobody\nset after\n");
    StartLevel();
    Frames(1);
    EXPECT_EQ(CurrentWord(), "enemy_dead");
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fWaitTime, 1.0f);
    // A death reported while the second runs is not taken.
    g_QuestSystem.OnEnemyDead("nobody", D3DVECTOR{0.0f, 0.0f, 0.0f});
    Frames(9);
    EXPECT_EQ(CurrentWord(), "enemy_dead");
    Frames(2);
    EXPECT_TRUE(g_GameAI.IsVariableSet("after"));
    EXPECT_EQ(g_QuestSystem.Current(), nullptr);
}

TEST_F(QuestScripts, EnemyDeadWithADistanceTakesADeathNearTheNamedCharacter)
{
    DeclareBool("after");
    strpostac& leader = PMgr.m_Postacie[0];
    leader.used = 1;
    std::snprintf(leader.name, sizeof leader.name, "%s", "Leader");
    leader.position = D3DXVECTOR3(10.0f, 0.0f, 0.0f);
    struct Forget
    {
        strpostac& p;
        ~Forget() { p = strpostac{}; }
    } forget{leader};
    // An object of the character's name elsewhere is not what is measured.
    Place("leader", 100.0f, 0.0f, 0.0f);
    Load("enemy_dead leader -distance 5\nset after\n");
    StartLevel();
    Frames(70);
    EXPECT_EQ(CurrentWord(), "enemy_dead") << "the leader lives";
    g_QuestSystem.OnEnemyDead("grunt", D3DVECTOR{20.0f, 0.0f, 0.0f});
    g_QuestSystem.OnEnemyDead("grunt", D3DVECTOR{101.0f, 0.0f, 0.0f});
    EXPECT_EQ(CurrentWord(), "enemy_dead") << "both deaths were too far from the leader";
    g_QuestSystem.OnEnemyDead("grunt", D3DVECTOR{12.0f, 0.0f, 3.0f});
    EXPECT_TRUE(g_GameAI.IsVariableSet("after"));
}

TEST_F(QuestScripts, BezierMoveStartsTheObjectAfreshOnTheNamedPath)
{
    m_dir->Write("worlds/town.bzr",
                 "bezier_node cartpath\nnr 1\npos 0 0 0\nksztalt1 3 0 0\nksztalt2 6 0 0\n"
                 "values 10 0 0 0 0\nnext_in_path_nr 2\n"
                 "bezier_node\nnr 2\npos 9 0 0\nksztalt1 9 0 0\nksztalt2 9 0 0\nvalues 10 0 0 0 0\n");
    ASSERT_TRUE(g_BezierMgr.LoadNodes("worlds\\town.bzr"));
    struct DropPaths
    {
        ~DropPaths() { g_BezierMgr.DeleteAll(); }
    } dropPaths;
    HOBJECT cart = Place("cart", 50.0f, 0.0f, 0.0f);
    BezierFollowState old;
    old.iValue = 3; // a visit limit from the world keys is not kept
    std::snprintf(old.szStartNode, sizeof old.szStartNode, "%s", "elsewhere");
    g_Engine.SetObjectBezierFollowState(cart, &old);
    Load("bezier_move cart cartpath\nbezier_move nothing cartpath\n");
    StartLevel();
    Frames(1);
    ASSERT_NE(cart->pBezierMove, nullptr);
    EXPECT_TRUE(cart->pBezierMove->bActive);
    EXPECT_EQ(cart->pBezierFollow->bOn, 1);
    EXPECT_STREQ(cart->pBezierFollow->szStartNode, "cartpath");
    EXPECT_EQ(cart->pBezierFollow->iValue, 0u);
    EXPECT_TRUE(Contains(Log(), "QS ERROR: not existing object for bezier_move: nothing"));
}

TEST_F(QuestScripts, HeroCommandsReachTheHero)
{
    HOBJECT zone = Place("zone", 5.0f, 0.0f, 0.0f);
    Player.m_bCanDismount = 1;
    Load("set_hide_zone zone -distance 30\ngun_forbid_dismounting\nforbid_clouds\nwait 1\n"
         "gun_allow_dismounting\nallow_clouds\n");
    StartLevel();
    Frames(1);
    EXPECT_EQ(Player.HideZone(), zone);
    EXPECT_FLOAT_EQ(Player.m_fHideThreshold, 30.0f);
    EXPECT_EQ(Player.m_bCanDismount, 0);
    EXPECT_EQ(Player.m_bAllowClouds, 0);
    Frames(12);
    EXPECT_EQ(Player.m_bCanDismount, 1);
    EXPECT_EQ(Player.m_bAllowClouds, 1);
    Player.SetHideZone("", 0.0f);
}

TEST_F(QuestScripts, AGunForbiddenToTheHeroIsNotMannedUntilAllowedAndTheWindCalmsAndBlows)
{
    HOBJECT gun = Place("rack_g", 0.0f, 0.0f, 3.0f);
    ASSERT_NE(gun, nullptr);
    EObjectActionParams p;
    p.dwEnabled = 1;
    p.action_general_opt = 1;
    p.mount_gun = 1;
    g_Engine.SetObjectActionParams(gun, &p);
    Place("tower", 0.0f, 0.0f, 0.0f);
    Load("gun_forbid_mounting rack_g\ngun_forbid_mounting tower\ngun_allow_mounting nothing_g\nwind_calm\n"
         "wait 1\ngun_allow_mounting rack_g\nwind_normal\nwait 100\n");
    StartLevel();
    Frames(1);
    EXPECT_TRUE(Contains(Log(), "QS: GunForbidMounting tower NOT a gun!"));
    EXPECT_TRUE(Contains(Log(), "QS: GunAllowMounting nothing_g doesn't exist!"));
    EXPECT_EQ(Env.m_bWindCalm, 1);
    g_EngineObject.RunObjectActions(gun, 1);
    EXPECT_FALSE(ActionCalls::Called("CPlayer::MountGun")) << "the hero stays off the gun";
    EXPECT_FALSE(Player.OnGun());

    Frames(12);
    EXPECT_EQ(Env.m_bWindCalm, 0);
    gun->bActionRunning = 0; // the first run has ended
    g_EngineObject.RunObjectActions(gun, 1);
    EXPECT_TRUE(ActionCalls::Called("CPlayer::MountGun rack_g"));
    Player.DismountGun(1, nullptr);
}

TEST_F(QuestScripts, AWarzoneWarnsAfterTwoSecondsFailsAfterSevenAndResetsOnReturn)
{
    m_dir->Write("scripts/text_keys.txt", ">G36 Go back\n>G77 Turn round\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    Place("town", 0.0f, 0.0f, 0.0f);
    HeroAt(0.0f, 0.0f, 0.0f);
    Load("set_warzone town -distance 50\nwait 100\n");
    StartLevel();
    Frames(1);
    ASSERT_EQ(g_QuestSystem.ArmedWarzones(), 1);
    EXPECT_STREQ(g_QuestSystem.m_szWarningText, "Go back");
    g_QuestSystem.PrintActiveWarzones();
    const auto log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Active warzones: 1");
    EXPECT_EQ(log.back(), "  town");
    Frames(100);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fOutsideTime, 0.0f);

    HeroAt(60.0f, 0.0f, 0.0f);
    Frames(50); // 5 s outside
    EXPECT_NEAR(g_QuestSystem.m_fOutsideTime, 5.0f, 1e-3f);
    HeroAt(10.0f, 0.0f, 0.0f);
    Frames(1);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fOutsideTime, 0.0f);

    // The debug switch suspends the check.
    HeroAt(60.0f, 0.0f, 0.0f);
    g_Options.mucha = 1;
    Frames(100);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fOutsideTime, 0.0f);
    g_Options.mucha = 0;

    Frames(69);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
    EXPECT_GT(g_QuestSystem.m_fOutsideTime, QuestSystem::WARZONE_WARN_SECONDS);
    Frames(2);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_TRUE(Contains(Log(), "Warzone odpala GameFailed"));
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 0);
}

TEST_F(QuestScripts, WarzoneSlotsTextsAndTheirObjects)
{
    m_dir->Write("scripts/text_keys.txt", ">G36 Go back\n>G77 Turn round\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    HOBJECT town = Place("town", 0.0f, 0.0f, 0.0f);
    std::string body;
    for (int i = 0; i < QuestSystem::MAX_WARZONES + 1; ++i)
        body += "set_warzone town -text G77\n";
    body += "set_warzone nowhere\nunset_warzone TOWN\nwait 5\n";
    Load(body);
    StartLevel();
    Frames(1);
    EXPECT_TRUE(Contains(Log(), "MAX_WARZONES exceeded!"));
    EXPECT_TRUE(Contains(Log(), "Error: SetWarzone NIE znalazlo obiektu nowhere"));
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 0);
    EXPECT_STREQ(g_QuestSystem.m_szWarningText, "Turn round");

    // A warzone whose object is deleted disarms itself.
    Load("set_warzone town\nwait 5\n");
    Frames(1);
    ASSERT_EQ(g_QuestSystem.ArmedWarzones(), 1);
    g_Engine.DeleteObject(town);
    Frames(1);
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 0);
    g_QuestSystem.PrintActiveWarzones();
    EXPECT_TRUE(Contains(Log(), "Active warzones: 0"));
}

TEST_F(QuestScripts, FailOnShotCountsFromTheShotAndResetsWithTheHero)
{
    Load("set_fail_on_shot 2\nwait 100\n");
    StartLevel();
    Frames(30);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
    g_QuestSystem.OnPlayerShot();
    Frames(15);
    g_QuestSystem.ResetShotTrigger();
    Frames(15);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
    g_QuestSystem.OnPlayerShot();
    Frames(19);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
    Frames(2);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_TRUE(Contains(Log(), "FailOnShot odpala GameFailed"));
}

TEST_F(QuestScripts, HideRestoresBothFlagWordsAndUnhideOfAVisibleObjectChangesNothing)
{
    HOBJECT a = Place("crate_a", 0.0f, 0.0f, 0.0f);
    HOBJECT b = Place("crate_b", 0.0f, 0.0f, 0.0f);
    ASSERT_TRUE(a && b);
    // Linked to each other both ways.
    a->pLinked1 = b;
    b->pLinked2 = a;
    const DWORD flags = a->dwFlags, flags2 = a->dwFlags2;
    Load("unhide crate_a\nhide crate_a\nwait 1\nunhide crate_a\nwait 5\n");
    StartLevel();
    Frames(1);
    EXPECT_EQ(a->dwFlags, 128u);
    EXPECT_EQ(b->dwFlags, 128u);
    EXPECT_EQ(a->dwFlags2, 403771456u);
    Frames(11);
    EXPECT_EQ(a->dwFlags, flags);
    EXPECT_EQ(a->dwFlags2, flags2);
    EXPECT_NE(b->dwFlags, 128u);
    a->pLinked1 = nullptr;
    b->pLinked2 = nullptr;
}

TEST_F(QuestScripts, FieldOfViewAndCommandsThatReachOtherManagers)
{
    m_dir->Write("scripts/text_keys.txt", ">Q04 Stay in town\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    g_Options.FOV = g_Options.FOV2 = 1.2f;
    Load("fov 0.8\nsuper_line Q04\ncheckpoint\npanoramic_on\nfade_out 2\nbattlefield_enable sw\n"
         "mission_failed\nwait 1\n");
    StartLevel();
    Frames(1);
    EXPECT_FLOAT_EQ(g_Options.FOV, 0.8f);
    g_Options.FOV = 1.2f;
    g_QuestSystem.ApplyFov();
    EXPECT_FLOAT_EQ(g_Options.FOV, 0.8f);
    EXPECT_STREQ(g_Panel.m_szCaption, "Stay in town");
    EXPECT_TRUE(ActionCalls::Called("CSaveMgr"));
    EXPECT_EQ(g_Panel.m_bPanoramic, 1);
    EXPECT_TRUE(QuestCalls::Called("CBattlefield::Enable sw"));
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_TRUE(Contains(Log(), "QS odpala GameFailed"));
    // A failed mission pauses the list.
    Frames(20);
    EXPECT_EQ(CurrentWord(), "wait");
    PlayerStats.m_bMissionFailed = 0;
    Load("fov 0\n");
    Frames(1);
    EXPECT_FLOAT_EQ(g_Options.FOV, g_Options.FOV2);
    EXPECT_EQ(g_QuestSystem.m_bFovSet, 0);
}

TEST_F(QuestScripts, TheDepthOfFieldTargetReachesThePostProcessingAndALoadOrAResetClearsIt)
{
    Load("set_dof_target gate\nwait 1\nunset_dof_target\nwait 5\n");
    StartLevel();
    Frames(1);
    EXPECT_STREQ(PostProcess.m_szOverlay, "gate");
    Frames(12);
    EXPECT_STREQ(PostProcess.m_szOverlay, "") << "unset";
    PostProcess.SetOverlayName("left_over");
    Load("wait 5\n");
    EXPECT_STREQ(PostProcess.m_szOverlay, "") << "a level's script starts without one";
    PostProcess.SetOverlayName("left_over");
    g_QuestSystem.Reset();
    EXPECT_STREQ(PostProcess.m_szOverlay, "") << "nor does a released level keep one";
}

TEST_F(QuestScripts, TheRocketFliesFromTheLauncherAtTheTargetCarryingTheLauncherItem)
{
    m_dir->Write("afx/rakieta_pocisk.afx", "Life_Time 5\n");
    g_FxMgr.LoadAll();
    m_dir->Write("scripts/items.txt", "item glauncher\nName glauncher\n");
    ItemMgr.LoadDescriptions();
    g_FxMgr.ReleaseAllFx();
    HOBJECT launcher = Place("launcher", 0.0f, 10.0f, 0.0f);
    Place("target", 300.0f, 10.0f, 400.0f);
    Load("rocket launcher target\nrocket launcher nobody\nwait 5\n");
    StartLevel();
    Frames(1);
    const EFxInstance* rocket = nullptr;
    for (int i = 1; i < MAX_FX; ++i)
        if (g_FxMgr.m_Fx[i].m_bActive && g_FxMgr.m_Fx[i].m_bRocket)
        {
            EXPECT_EQ(rocket, nullptr) << "one rocket only: the second one's target is missing";
            rocket = &g_FxMgr.m_Fx[i];
        }
    ASSERT_NE(rocket, nullptr);
    EXPECT_EQ(rocket->m_hShooter, launcher);
    EXPECT_NE(rocket->m_pWeapon, nullptr);
    EXPECT_EQ(rocket->m_pWeapon, ItemMgr.FindDescription("glauncher"));
    EXPECT_EQ(rocket->m_bBigExplosion, 1) << "the mission's rocket ends in the big blast";
    EXPECT_FLOAT_EQ(rocket->m_fDamageFactor, 24.0f);
    // 8700 units a second straight at the target (300, 0, 400 away).
    EXPECT_NEAR(rocket->m_vVel.x, 8700.0f * 0.6f, 1.0f);
    EXPECT_NEAR(rocket->m_vVel.y, 0.0f, 1.0f);
    EXPECT_NEAR(rocket->m_vVel.z, 8700.0f * 0.8f, 1.0f);
    EXPECT_TRUE(Contains(Log(), "QSRocket: brak nobody"));
    g_FxMgr.ReleaseAllFx();
    ItemMgr.FreeDescriptions();
}

TEST_F(QuestScripts, TheObjectiveTextReachesTheTaskBoxAndTheFadersReachTheHud)
{
    m_dir->Write("scripts/text_keys.txt", ">Q07 Find the radio\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    g_Objective.Clear();
    g_MainGame.m_iLevelFrame = QuestSystem::FIRST_FRAME - 1;
    g_Panel.m_fFadeAlpha = 0.0f;
    g_Panel.m_bFadeIn = 0;
    Load("wait 1 -objective Q07\nwhite_on 2\nblack_out\nwait 100\n");
    Frames(1);
    // Before the start the view is held black, fading in.
    EXPECT_EQ(g_Panel.m_bFadeIn, 1);
    EXPECT_FLOAT_EQ(g_Panel.m_fFadeAlpha, 1.0f);
    EXPECT_FLOAT_EQ(g_Panel.m_fFadeInDuration, 0.4f);

    StartLevel();
    Frames(1);
    EXPECT_STREQ(g_Objective.m_szTask, "Find the radio");
    EXPECT_EQ(g_Objective.m_bNewTask, 1);
    EXPECT_EQ(g_Objective.m_bOpen, 1);

    g_Panel.m_bFadeIn = 1;
    Frames(11);
    ASSERT_EQ(CurrentWord(), "wait");
    EXPECT_EQ(g_Panel.m_White.fadeIn, 1);
    EXPECT_FLOAT_EQ(g_Panel.m_White.inDuration, 2.0f);
    EXPECT_EQ(g_Panel.m_bFadeOut, 1) << "black_out";
    EXPECT_EQ(g_Panel.m_bFadeIn, 0);
    EXPECT_FLOAT_EQ(g_Panel.m_fFadeAlpha, 1.0f);

    Load("white_off 3\nwait 100\n");
    g_QuestSystem.m_bStarted = 0;
    Frames(1);
    EXPECT_EQ(g_Panel.m_White.fadeOut, 1);
    EXPECT_EQ(g_Panel.m_White.fadeIn, 0);
    EXPECT_FLOAT_EQ(g_Panel.m_White.outDuration, 3.0f);
}

// Bare character records in the first slots, cleared again at the end.
struct CharacterRecords
{
    strpostac* Add(int slot, const char* name, float targetDistance, const D3DXVECTOR3& at)
    {
        strpostac& p = PMgr.m_Postacie[slot];
        p = strpostac{};
        p.used = 1;
        std::snprintf(p.name, sizeof p.name, "%s", name);
        p.target_distance = targetDistance;
        p.position = at;
        slots.push_back(slot);
        return &p;
    }
    ~CharacterRecords()
    {
        for (int slot : slots)
            PMgr.m_Postacie[slot] = strpostac{};
    }
    std::vector<int> slots;
};

TEST_F(QuestScripts, KillEmAllKillsTheEnemiesFightingWithinTheRadiusThatTheMissionDidNotMakeImmortal)
{
    CharacterRecords records;
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    records.Add(0, "foe", 50.0f, at);
    records.Add(1, "far_foe", 500.0f, at);
    strpostac* partner = records.Add(2, "friend", 10.0f, at);
    partner->partner = 1;
    strpostac* civilian = records.Add(3, "villager", 10.0f, at);
    civilian->civilian = 1;
    strpostac* guard = records.Add(4, "guard", 10.0f, at);
    records.Add(5, "fake_hero", 10.0f, at)->player_record = 1;
    Load("immortal_character guard\nimmortal_character nobody\nkill_em_all 100\nwait 1\n"
         "mortal_character guard\nkill_em_all 100\nwait 100\n");
    StartLevel();
    Frames(1);
    // Bare records: the death itself is the characters' own, what is asked of it is journalled.
    EXPECT_TRUE(QuestCalls::Called("CPostacMgr::Zabij foe"));
    for (const char* spared : {"far_foe", "friend", "villager", "fake_hero", "guard"})
        EXPECT_FALSE(QuestCalls::Called((std::string("CPostacMgr::Zabij ") + spared).c_str())) << spared;
    EXPECT_EQ(guard->immortal, 1);
    EXPECT_TRUE(Contains(Log(), "QS Nie znalazl ImmortalCharacter nobody"));
    QuestCalls::ClearJournal();
    Frames(12);
    EXPECT_EQ(guard->immortal, 0);
    EXPECT_TRUE(QuestCalls::Called("CPostacMgr::Zabij guard")) << "mortal again";
    EXPECT_FALSE(QuestCalls::Called("CPostacMgr::Zabij far_foe"));
}

TEST_F(QuestScripts, AnEnemyWithinTheRadiusOfTheGuardedObjectFailsTheMission)
{
    CharacterRecords records;
    Place("gate", 0.0f, 0.0f, 0.0f);
    records.Add(0, "friend", 0.0f, D3DXVECTOR3(1.0f, 0.0f, 0.0f))->partner = 1;
    records.Add(1, "villager", 0.0f, D3DXVECTOR3(1.0f, 0.0f, 0.0f))->civilian = 1;
    strpostac* foe = records.Add(2, "foe", 0.0f, D3DXVECTOR3(30.0f, 0.0f, 0.0f));
    Load("set_fail_on_enemy_reach gate -distance 10\nwait 100\n");
    StartLevel();
    Frames(3);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 0) << "only friends and civilians near, the enemy far";
    foe->position = D3DXVECTOR3(5.0f, 0.0f, 0.0f);
    Frames(1);
    EXPECT_EQ(PlayerStats.m_bMissionFailed, 1);
    EXPECT_TRUE(Contains(Log(), "FailOnEnemyReach odpala GameFailed"));
}

TEST_F(QuestScripts, LookAtAndDeleteCharacterReachTheCharacters)
{
    strpostac& guard = PMgr.m_Postacie[3];
    guard = strpostac{};
    guard.used = 1;
    std::snprintf(guard.name, sizeof guard.name, "%s", "guard");
    strpostac& hero = PMgr.m_Postacie[4];
    hero = strpostac{};
    hero.used = 1;
    hero.player_record = 1;
    Load("set_look_at guard tower\nwait 1\nunset_look_at guard\ndelete_character guard\n"
         "delete_character hero\nwait 100\n");
    StartLevel();
    Frames(1);
    EXPECT_STREQ(guard.look_at, "tower");
    EXPECT_EQ(guard.delete_request, 0);
    Frames(11);
    EXPECT_STREQ(guard.look_at, "");
    EXPECT_EQ(guard.delete_request, 1);
    EXPECT_EQ(hero.delete_request, 0) << "the player's record stays";
}

// ---- The save section --------------------------------------------------------------------------

TEST_F(QuestScripts, ASaveWhileWaitingResumesTheSameCommandAndKeepsTheWarzones)
{
    const std::string longName(255, 'w');
    Place("town", 0.0f, 0.0f, 0.0f);
    HeroAt(0.0f, 0.0f, 0.0f);
    Load("set_warzone town -distance 30\nset_fail_on_shot 3\nwait 2\nwait 4\nset_warzone town\n");
    StartLevel();
    Frames(25); // into the second wait
    ASSERT_EQ(g_QuestSystem.m_iCurrent, 3);
    // A name as long as a script word can be, in the last slot.
    QuestWarzone& last = g_QuestSystem.m_Warzones[QuestSystem::MAX_WARZONES - 1];
    last.active = 1;
    std::snprintf(last.name, sizeof last.name, "%s", longName.c_str());
    last.radius = 12.5f;
    const float waitLeft = g_QuestSystem.m_fWaitTime;
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(g_QuestSystem.Save(file));
    EXPECT_EQ(std::ftell(file), 1L + 4 + 16640 + 264 + 3 + 12);

    g_QuestSystem.LoadScripts();
    g_QuestSystem.m_bFovSet = 1;
    g_QuestSystem.m_fOutsideTime = 3.0f;
    std::rewind(file);
    ASSERT_TRUE(g_QuestSystem.Load(file));
    EXPECT_EQ(g_QuestSystem.m_iCurrent, 3);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fWaitTime, waitLeft);
    EXPECT_EQ(g_QuestSystem.m_bStarted, 1);
    EXPECT_EQ(g_QuestSystem.m_bFailOnShot, 1);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fFailOnShotDelay, 3.0f);
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 2);
    EXPECT_STREQ(g_QuestSystem.m_Warzones[0].name, "town");
    EXPECT_FLOAT_EQ(g_QuestSystem.m_Warzones[0].radius, 30.0f);
    EXPECT_EQ(last.name, longName);
    EXPECT_FLOAT_EQ(last.radius, 12.5f);
    last.active = 0;
    EXPECT_EQ(g_QuestSystem.m_bFovSet, 0);
    EXPECT_FLOAT_EQ(g_QuestSystem.m_fOutsideTime, 0.0f);
    Frames(45);
    EXPECT_EQ(g_QuestSystem.ArmedWarzones(), 2);

    // A truncated section fails; one without a current command loads as none.
    std::rewind(file);
    ASSERT_EQ(std::fflush(file), 0);
    QuestSystem idle;
    FILE* empty = std::tmpfile();
    ASSERT_NE(empty, nullptr);
    ASSERT_TRUE(idle.Save(empty));
    EXPECT_EQ(std::ftell(empty), 16920L);
    std::rewind(empty);
    ASSERT_TRUE(g_QuestSystem.Load(empty));
    EXPECT_EQ(g_QuestSystem.Current(), nullptr);
    std::fclose(empty);
    FILE* shortFile = std::tmpfile();
    ASSERT_NE(shortFile, nullptr);
    std::fwrite("\x01\x03\x00\x00\x00", 1, 5, shortFile);
    std::rewind(shortFile);
    EXPECT_FALSE(g_QuestSystem.Load(shortFile));
    std::fclose(shortFile);
    std::fclose(file);
}
} // namespace
