// The phase machine and the characters' frame: the order in which a phase is
// entered, the bot's stand after a move or a wound, suspension on a phase
// change, the patrol's fall-back, phases that set each other, the end of a
// phase and the far count.
#include "characters_fixture.h"
#include "path_graph.h"

#include "game/GameAI.h"
#include "ui/Panel.h"

#include <string>

using namespace chartest;

namespace
{
constexpr float kFrame = 1.0f / 30.0f;
} // namespace

class PhasesTest : public CharactersTest
{
protected:
    void SetUp() override
    {
        CharactersTest::SetUp();
        g_PathMgr.Release();
        g_Panel.WideScreen = 0;
        g_Panel.m_bPanoramic = 0;
        g_Engine.m_pLookFrom = nullptr;
    }
    void TearDown() override
    {
        g_GameAI.FreeVariables();
        g_Panel.WideScreen = 0;
        g_Panel.m_bPanoramic = 0;
        g_Engine.m_pLookFrom = nullptr;
        g_Options.UpdateModels = 1;
        g_Options.UpdatePMgr = 1;
        g_PathMgr.Release();
        CharactersTest::TearDown();
    }

    // A character of the description with a small box for its model (outside
    // the segment tables), on the graph when there is one.
    static strpostac* Live(const char* desc, const D3DXVECTOR3& at, const char* name)
    {
        strpostac* p = Character(desc, at, name);
        if (!p)
            return nullptr;
        const float where[3] = {at.x, at.y, at.z};
        const float scale[3] = {0.1f, 0.1f, 0.1f};
        p->model = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, where, scale);
        EXPECT_NE(p->model, nullptr);
        g_Engine.SetObjectFlags2(p->model, CHARACTER_WORN_FLAGS2, CHARACTER_WORN_FLAGS2);
        p->model_made = 1;
        g_PathMgr.FindPlaceFor(p);
        return p;
    }
    static const char* Phase(const strpostac* p) { return p && p->faza ? p->faza->name : "(none)"; }
    static void Frames(int n)
    {
        g_Engine.m_fDeltaTime = kFrame;
        for (int i = 0; i < n; ++i)
            PMgr.Update();
    }
};

TEST_F(PhasesTest, AWoundOrARunHoldsTheChangeAndVariablesAreSetOnlyOnEntering)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\n"
            "faza alarm\nloop\nset alarm_raised\nstay_on_death lezy sie\nstay_on_death_anim trup\n"
            "faza STRZELA\nloop\n");
    Grid(5, 5, -4, -4);
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "one");
    ASSERT_NE(p, nullptr);
    PMgr.SetFaza(p, "stoi");
    ASSERT_STREQ(Phase(p), "stoi");

    // A wound reaction: the per-phase state is reset, then the change stops
    // before the variables, the time in phase or the phase change.
    p->wound_reaction = 1;
    p->stance_index = 3;
    p->time_in_phase = 2.0f;
    PMgr.SetFaza(p, "alarm");
    EXPECT_STREQ(Phase(p), "stoi");
    EXPECT_EQ(p->stance_index, -1);
    EXPECT_FLOAT_EQ(p->time_in_phase, 2.0f);
    EXPECT_FALSE(g_GameAI.IsVariableSet("alarm_raised"));
    EXPECT_EQ(p->stay_on_death_names[0][0], 0);
    EXPECT_NE(ConsoleLog().find("Przechwycono probe ustawienia fazy one podczas postrzalu."),
              std::string::npos);

    // A scripted run that lets no change through: the entry's variables and
    // death pose are kept (scripts rely on them) but the phase stays.
    p->wound_reaction = 0;
    p->postac_running = 1;
    PMgr.SetFaza(p, "alarm");
    EXPECT_STREQ(Phase(p), "stoi");
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm_raised"));
    EXPECT_STREQ(p->stay_on_death_names[0], "lezy");
    EXPECT_STREQ(p->stay_on_death_names[2], "trup");
    p->postac_running = 0;

    // Entered: the variable is set once; the frames that follow leave it be.
    PMgr.SetFaza(p, "alarm");
    EXPECT_STREQ(Phase(p), "alarm");
    EXPECT_FLOAT_EQ(p->time_in_phase, 0.0f);
    g_GameAI.UnsetVariable("alarm_raised", nullptr);
    Frames(10);
    EXPECT_STREQ(Phase(p), "alarm");
    EXPECT_FALSE(g_GameAI.IsVariableSet("alarm_raised"));
    EXPECT_GT(p->time_in_phase, 0.0f);

    // A name differing in case selects the same phase.
    PMgr.SetFaza(p, "strzela");
    EXPECT_STREQ(Phase(p), "STRZELA");

    // Entered again from a save game: the phase is current, while the
    // variables are left to the save's own section.
    PMgr.m_bEnteringFromSave = true;
    PMgr.SetFaza(p, "alarm");
    PMgr.m_bEnteringFromSave = false;
    EXPECT_STREQ(Phase(p), "alarm");
    EXPECT_FALSE(g_GameAI.IsVariableSet("alarm_raised"));
}

TEST_F(PhasesTest, ABotThatJustMovedOrWasHitStandsFirst)
{
    Scripts("postac a\ndefault_faza bot_stoi\nfaza bot_stoi\nbot\nloop\n"
            "faza bot_do_strzalu\nbot\nfaza bot_szacuje\nbot\nfaza_estimate\nfaza zwykla\nloop\n");
    Grid(5, 5, -4, -4);
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "bot");
    ASSERT_NE(p, nullptr);
    struct Case
    {
        const char* from;
        float pathAge, woundAge;
        const char* asked;
        const char* entered;
    };
    const Case cases[] = {
        {"bot_stoi", 3.9f, 5.0f, "bot_do_strzalu", "bot_stoi"},
        {"bot_stoi", 4.1f, 5.0f, "bot_do_strzalu", "bot_do_strzalu"},
        {"bot_stoi", 9.0f, 0.5f, "bot_do_strzalu", "bot_stoi"},
        {"bot_stoi", 9.0f, 1.5f, "bot_do_strzalu", "bot_do_strzalu"},
        {"bot_do_strzalu", 0.0f, 0.0f, "bot_stoi", "bot_stoi"},
        {"bot_stoi", 0.0f, 0.0f, "bot_szacuje", "bot_szacuje"},
        {"zwykla", 0.0f, 0.0f, "bot_do_strzalu", "bot_do_strzalu"},
        {"bot_stoi", 0.0f, 0.0f, "zwykla", "zwykla"},
    };
    for (const Case& c : cases)
    {
        p->faza = CPostacMgr::FindFaza(p->desc, c.from);
        p->bot = p->faza->bot;
        p->since_path_advance = c.pathAge;
        p->since_wound = c.woundAge;
        PMgr.SetFaza(p, c.asked);
        EXPECT_STREQ(Phase(p), c.entered)
            << c.from << " " << c.pathAge << " " << c.woundAge << " " << c.asked;
    }
}

TEST_F(PhasesTest, AFarCharacterIsSuspendedOnItsNextChangeWithItsExceptions)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza idzie\nloop\n"
            "faza czuwa\nloop\non_kontakt stoi\n"
            "postac b\npartner\ndefault_faza stoi\nfaza stoi\nloop\nfaza idzie\nloop\n"
            "postac c\ncivilian\ndefault_faza stoi\nfaza stoi\nloop\nfaza idzie\nloop\n");
    Grid(5, 5, -4, -4);
    struct Case
    {
        const char* desc;
        const char* next;
        bool bars;
        bool suspended;
    };
    const Case cases[] = {
        {"a", "idzie", false, true},  {"b", "idzie", false, false}, {"c", "idzie", false, false},
        {"a", "czuwa", false, false}, {"a", "idzie", true, false},
    };
    for (const Case& c : cases)
    {
        strpostac* p = Live(c.desc, D3DXVECTOR3(0, 0, 0), "far");
        ASSERT_NE(p, nullptr);
        PMgr.SetFaza(p, "stoi");
        p->far_count = 4;
        g_Panel.WideScreen = c.bars ? 1 : 0;
        PMgr.SetFaza(p, c.next);
        g_Panel.WideScreen = 0;
        EXPECT_EQ(p->suspended != 0, c.suspended) << c.desc << " " << c.next << " " << c.bars;
        EXPECT_STREQ(Phase(p), c.suspended ? "stoi" : c.next) << c.desc << " " << c.next;
        EXPECT_EQ(p->far_count == 0, !c.suspended) << c.desc << " " << c.next;
        // A suspended character's phase changes wait for it to wake.
        if (c.suspended)
        {
            EXPECT_STREQ(p->remembered_faza, "stoi");
            PMgr.SetFaza(p, "idzie");
            EXPECT_STREQ(Phase(p), "stoi");
        }
        PMgr.DeleteCharacter(p);
    }
}

TEST_F(PhasesTest, APatrolWithNowhereToGoFallsBackToTheDefaultOnce)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza patroluje\nloop\nestimate_patrol\n"
            "postac b\ndefault_faza patroluje\nfaza patroluje\nloop\nestimate_patrol\n");
    Grid(1, 1); // one node: no neighbour to walk to
    strpostac* a = Live("a", D3DXVECTOR3(0, 0, 0), "a");
    ASSERT_NE(a, nullptr);
    PMgr.SetFaza(a, "patroluje");
    EXPECT_STREQ(Phase(a), "stoi");
    // The patrol that is itself the default stays, without looping.
    strpostac* b = Live("b", D3DXVECTOR3(0, 0, 0), "b");
    ASSERT_NE(b, nullptr);
    PMgr.SetFaza(b, "patroluje");
    EXPECT_STREQ(Phase(b), "patroluje");
    EXPECT_EQ(b->entering_faza, 0);
    EXPECT_EQ(b->running_nodes, 0);
}

TEST_F(PhasesTest, PhasesThatSetThemselvesOrEachOtherEnd)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\n"
            "faza sam\nloop\nsetfaza0 sam ja\nsetfaza1 stoi ja\n"
            "faza ping\nloop\nsetfaza0 pong drugi\n"
            "faza pong\nloop\nsetfaza0 ping ja\n"
            "faza znika\nself_delete\nset znikniety\n"
            "faza koniec\nczas_trwania 0.1\n");
    Grid(5, 5, -4, -4);
    strpostac* me = Live("a", D3DXVECTOR3(0, 0, 0), "ja");
    strpostac* other = Live("a", D3DXVECTOR3(2, 0, 0), "drugi");
    ASSERT_NE(me, nullptr);
    ASSERT_NE(other, nullptr);

    PMgr.SetFaza(me, "sam");
    EXPECT_STREQ(Phase(me), "sam");
    EXPECT_EQ(me->entering_faza, 0);

    PMgr.SetFaza(me, "ping");
    EXPECT_STREQ(Phase(me), "ping");
    EXPECT_STREQ(Phase(other), "pong");
    EXPECT_EQ(other->entering_faza, 0);

    // An ended phase without any next phase takes the standing fall-back.
    PMgr.SetFaza(me, "koniec");
    ASSERT_STREQ(Phase(me), "koniec");
    Frames(10);
    EXPECT_STREQ(Phase(me), "stoi");

    // A missing phase is reported once however often it is asked for.
    other->far_count = 0;
    for (int i = 0; i < 3; ++i)
    {
        other->suspended = 0;
        PMgr.SetFaza(other, "nie_ma");
    }
    EXPECT_EQ(Count(ConsoleLog(), "Nie znaleziono fazy \"nie_ma\" u postaci a"), 1u);

    // self_delete only asks for the deletion.
    PMgr.SetFaza(me, "znika");
    EXPECT_EQ(me->delete_request, 1);
    EXPECT_STREQ(Phase(me), "stoi");
    EXPECT_FALSE(g_GameAI.IsVariableSet("znikniety"));
    Frames(1);
    EXPECT_EQ(me->used, 0);
}

TEST_F(PhasesTest, TheFrameNeedsAPlaceAndTheFarCountPausesUnderTheBarsOrALookFrom)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza estimate\nfaza_estimate\non_koniec stoi\n");
    // No graph: the character looks for a place, gets no phase and stays.
    strpostac* lost = Live("a", D3DXVECTOR3(0, 0, 0), "lost");
    ASSERT_NE(lost, nullptr);
    Frames(5);
    EXPECT_EQ(lost->faza, nullptr);
    EXPECT_FLOAT_EQ(lost->position.x, 0.0f);
    PMgr.DeleteCharacter(lost);

    Grid(5, 5, -4, -4);
    HOBJECT far = Wall(D3DXVECTOR3(3000, 0, 0), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "far");
    ASSERT_NE(p, nullptr);
    Frames(2);
    ASSERT_STREQ(Phase(p), "stoi") << "the estimate ends at once";
    struct Case
    {
        bool bars, lookFrom;
        bool grows;
    };
    for (const Case& c : {Case{true, false, false}, Case{false, true, false}, Case{false, false, true}})
    {
        p->far_count = 2;
        p->target = far;
        p->target_position = D3DXVECTOR3(3000, 0, 0);
        g_Panel.m_bPanoramic = c.bars ? 1 : 0;
        g_Engine.m_pLookFrom = c.lookFrom ? far : nullptr;
        PMgr.UpdatePostac(p);
        EXPECT_EQ(p->far_count, c.grows ? 3u : 0u) << c.bars << c.lookFrom;
    }
    g_Panel.m_bPanoramic = 0;
    g_Engine.m_pLookFrom = nullptr;
    // Past the limit the character is suspended.
    p->far_count = 3;
    p->target = far;
    p->target_position = D3DXVECTOR3(3000, 0, 0);
    PMgr.UpdatePostac(p);
    EXPECT_EQ(p->suspended, 1);

    // "UpdateModels" off: nothing runs at all.
    p->suspended = 0;
    p->far_count = 0;
    p->faza = nullptr;
    g_Options.UpdateModels = 0;
    Frames(2);
    EXPECT_EQ(p->faza, nullptr);
    g_Options.UpdateModels = 1;
    Frames(1);
    EXPECT_STREQ(Phase(p), "estimate");
}

TEST_F(PhasesTest, APhaseEndsByItsTimeOrItsAnimationAndABotPhaseLastsItsMinimum)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza trwa\nczas_trwania 0.5\nloop\n"
            "faza walczy\nbot\nfaza estimate\nfaza_estimate\nbot\n");
    Grid(5, 5, -4, -4);
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "p");
    ASSERT_NE(p, nullptr);
    struct Case
    {
        const char* phase;
        bool seen;
        float time;
        bool ended;
    };
    const Case cases[] = {
        {"stoi", false, 100.0f, false}, // a loop never ends by its animation
        {"trwa", false, 0.4f, false},   {"trwa", false, 0.6f, true},    {"walczy", true, 5.9f, false},
        {"walczy", true, 6.1f, true},   {"walczy", false, 2.9f, false}, {"walczy", false, 3.1f, true},
        {"estimate", true, 0.0f, true},
    };
    for (const Case& c : cases)
    {
        p->faza = CPostacMgr::FindFaza(p->desc, c.phase);
        p->sees_player = c.seen ? 1 : 0;
        p->time_in_phase = c.time;
        p->anim.szAnimation[0] = 0;
        EXPECT_EQ(PMgr.PhaseHasEnded(p), c.ended) << c.phase << " " << c.seen << " " << c.time;
        p->phase_held = 1;
        EXPECT_FALSE(PMgr.PhaseHasEnded(p)) << c.phase;
        p->phase_held = 0;
    }

    // With "Debug" above 3 a bot on a scripted run is not updated at all.
    p->faza = CPostacMgr::FindFaza(p->desc, "walczy");
    p->bot = 1;
    p->postac_running = 1;
    p->time_in_phase = 1.0f;
    g_Options.Debug = 4;
    PMgr.m_fFrameTime = kFrame;
    PMgr.BotUpdatePostac(p);
    EXPECT_FLOAT_EQ(p->time_in_phase, 1.0f);
    g_Options.Debug = 0;
    PMgr.BotUpdatePostac(p);
    EXPECT_GT(p->time_in_phase, 1.0f);
}

TEST_F(PhasesTest, ASuspendedCharacterWakesNearItsTargetIntoItsRememberedPhase)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza idzie\nloop\n"
            "faza estimate\nfaza_estimate\non_koniec stoi\n");
    Grid(5, 5, -4, -4);
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "p");
    ASSERT_NE(p, nullptr);
    PMgr.SetFaza(p, "stoi");
    p->far_count = 4;
    PMgr.SetFaza(p, "idzie");
    ASSERT_EQ(p->suspended, 1);
    PMgr.m_fFrameTime = 0.1f;
    auto frames = [p](int n)
    {
        for (int i = 0; i < n && p->suspended; ++i)
            PMgr.UpdatePostac(p);
    };

    // Its target beyond the suspend distance: it sleeps on.
    p->target = Wall(D3DXVECTOR3(3000, 0, 0), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    frames(60);
    EXPECT_EQ(p->suspended, 1);
    EXPECT_STREQ(Phase(p), "stoi");

    // Near: a draw wakes it within a few checks, into the phase it had.
    p->target = Wall(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(0.1f, 0.1f, 0.1f));
    frames(600);
    EXPECT_EQ(p->suspended, 0);
    EXPECT_EQ(p->far_count, 0u);
    EXPECT_STREQ(Phase(p), "stoi");

    // Without a remembered phase it wakes into "estimate".
    p->suspended = 1;
    p->remembered_faza[0] = 0;
    frames(600);
    EXPECT_EQ(p->suspended, 0);
    EXPECT_STREQ(Phase(p), "estimate");
}

TEST_F(PhasesTest, TheMissionAlarmSendsACharacterToItsEstimateUnlessItFightsOrEstimates)
{
    Scripts("postac a\ndefault_faza stoi\nfaza stoi\nloop\nfaza walczy\nbot\nloop\n"
            "faza szacuje\nfaza_estimate\nloop\nfaza estimate\nfaza_estimate\non_koniec stoi\n");
    Grid(5, 5, -4, -4);
    strpostac* p = Live("a", D3DXVECTOR3(0, 0, 0), "wartownik");
    ASSERT_NE(p, nullptr);
    struct Case
    {
        const char* from;
        const char* after;
    };
    for (const Case& c : {Case{"stoi", "estimate"}, Case{"walczy", "walczy"}, Case{"szacuje", "szacuje"}})
    {
        p->faza = CPostacMgr::FindFaza(p->desc, c.from);
        p->bot = p->faza->bot;
        PMgr.AlarmCharacter("WARTOWNIK");
        EXPECT_STREQ(Phase(p), c.after) << c.from;
    }
    PMgr.AlarmCharacter("nobody");
    PMgr.AlarmCharacter(nullptr);
}
