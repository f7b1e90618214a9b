// The choice a fighting character makes while it stands in a bot phase: one
// stance change, then moving to shoot, taking cover, firing a rocket or
// holding, by its timers and distances; the crowding and danger rules; and
// the stages of a bot's grenade throw.
#include "fighters_fixture.h"

#include "characters/PostacSockets.h"
#include "shell/Console.h"

#include <string>

using namespace chartest;

namespace
{
using BotChoiceTest = FightersTest;

// A bot standing in `phase` whose stance change is behind it: the next call
// reaches the main choice. No lean is due and no crowding test, and it has
// neither just moved along its path nor been hit (which would hold it standing).
void Ready(strpostac* p, const char* phase = "bot_stoi")
{
    p->since_path_advance = 10.0f;
    p->since_wound = 10.0f;
    PMgr.SetFaza(p, phase);
    p->stance_index = 0;
    CopyCut(p->stance_animation, sizeof p->stance_animation, "stoi_strzela");
    p->first_bot_shot = 1;
    p->choose_again = 0;
    p->stance_change = 0;
    p->lean_side = 0;
    p->since_lean = 0.0f;
    p->crowd_timer = 1.0f;
    p->has_shouted = 1;
    p->time_in_phase = 0.0f;
    p->camera_distance = 50.0f;
    p->target_distance = 20.0f;
}

const char* Phase(const strpostac* p)
{
    return p->faza ? p->faza->name : "";
}
} // namespace

TEST_F(BotChoiceTest, TheMainChoiceMovesToShootByTimersAndDistances)
{
    People();
    struct Case
    {
        const char* what;
        const char* desc;
        const char* phase;
        float T, C, S, D;
        DWORD N;
        float inPhase;
        bool shouted, hit;
        const char* expected;
    };
    const Case cases[] = {
        {"unseen 1.3 s, 10 away", "soldier", "bot_stoi", 2.1f, 3.1f, 1.3f, 10.0f, 0, 0.0f, true, false,
         "bot_do_strzalu"},
        {"unseen only 1.2 s", "soldier", "bot_stoi", 2.1f, 3.1f, 1.2f, 10.0f, 0, 0.0f, true, false,
         "bot_stoi"},
        {"8 away, unseen 0.5 s", "soldier", "bot_stoi", 2.1f, 3.1f, 0.5f, 8.0f, 0, 0.0f, true, false,
         "bot_do_strzalu"},
        {"8.01 away, unseen 0.5 s", "soldier", "bot_stoi", 2.1f, 3.1f, 0.5f, 8.01f, 0, 0.0f, true, false,
         "bot_stoi"},
        {"15 away", "soldier", "bot_stoi", 2.1f, 3.1f, 1.3f, 15.0f, 0, 0.0f, true, false, "bot_stoi"},
        {"stance only 2 s old", "soldier", "bot_stoi", 2.0f, 3.1f, 1.3f, 10.0f, 0, 0.0f, true, false,
         "bot_stoi"},
        {"chose 3 s ago", "soldier", "bot_stoi", 2.1f, 3.0f, 1.3f, 10.0f, 0, 0.0f, true, false, "bot_stoi"},
        {"told to stay", "soldier", "trzyma", 2.1f, 3.1f, 1.3f, 10.0f, 0, 0.0f, true, false, "trzyma"},
        {"sniper unseen 2.3 s", "sniper", "bot_stoi", 2.1f, 6.1f, 2.3f, 10.0f, 0, 0.0f, true, false,
         "bot_do_strzalu"},
        {"sniper unseen 2.2 s", "sniper", "bot_stoi", 2.1f, 6.1f, 2.2f, 10.0f, 0, 0.0f, true, false,
         "bot_stoi"},
        {"sniper chose 6 s ago", "sniper", "bot_stoi", 2.1f, 6.0f, 2.3f, 10.0f, 0, 0.0f, true, false,
         "bot_stoi"},
        {"three shots into a wall", "soldier", "bot_stoi", 2.1f, 3.1f, 0.0f, 39.0f, 3, 0.0f, true, false,
         "bot_do_strzalu"},
        {"two shots into a wall", "soldier", "bot_stoi", 2.1f, 3.1f, 0.0f, 39.0f, 2, 0.0f, true, false,
         "bot_stoi"},
        {"wall shots from 40 away", "soldier", "bot_stoi", 2.1f, 3.1f, 0.0f, 40.0f, 3, 0.0f, true, false,
         "bot_stoi"},
        {"sniper's wall shots", "sniper", "bot_stoi", 2.1f, 20.1f, 0.0f, 99.0f, 3, 0.0f, true, false,
         "bot_do_strzalu"},
        {"sniper's wall shots, chose 20 s ago", "sniper", "bot_stoi", 2.1f, 20.0f, 0.0f, 99.0f, 3, 0.0f, true,
         false, "bot_stoi"},
        {"not yet shouted", "soldier", "bot_stoi", 0.0f, 0.0f, 0.0f, 50.0f, 0, 2.1f, false, false,
         "bot_do_strzalu"},
        {"not yet shouted, phase 2 s old", "soldier", "bot_stoi", 0.0f, 0.0f, 0.0f, 50.0f, 0, 2.0f, false,
         false, "bot_stoi"},
        {"hit and unseen 1.1 s", "soldier", "bot_stoi", 0.0f, 3.1f, 1.1f, 50.0f, 0, 2.1f, true, true,
         "bot_do_strzalu"},
        {"hit, told to stay", "soldier", "trzyma", 0.0f, 3.1f, 1.1f, 50.0f, 0, 2.1f, true, true,
         "bot_do_strzalu"},
        {"unseen 2.6 s, 8 away, phase old", "soldier", "bot_stoi", 0.0f, 3.1f, 2.6f, 8.0f, 0, 2.1f, true,
         false, "bot_do_strzalu"},
        {"four wall shots, phase old", "soldier", "bot_stoi", 0.0f, 3.1f, 0.0f, 39.0f, 4, 2.1f, true, false,
         "bot_do_strzalu"},
        {"nothing to do", "soldier", "bot_stoi", 0.0f, 0.0f, 0.0f, 50.0f, 0, 2.1f, true, false, "bot_stoi"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        strpostac* p = Fighter(c.desc, D3DXVECTOR3(0, 0, 0));
        ASSERT_NE(p, nullptr);
        Ready(p, c.phase);
        p->stance_timer = c.T;
        p->choice_timer = c.C;
        p->since_target_seen = c.S;
        p->camera_distance = c.D;
        p->bad_shots = c.N;
        p->time_in_phase = c.inPhase;
        p->has_shouted = c.shouted ? 1 : 0;
        p->been_hit = c.hit ? 1 : 0;
        const DWORD before = PMgr.m_iBotChoices;
        PMgr.BotUpdate(p);
        EXPECT_EQ(PMgr.m_iBotChoices, before + 1);
        EXPECT_STREQ(Phase(p), c.expected);
        if (std::string(c.expected) == "bot_do_strzalu")
        {
            EXPECT_EQ(p->choice_timer, 10.0f);
            EXPECT_EQ(p->since_path_advance, 10.0f);
        }
        else if (c.inPhase > 2.0f)
            EXPECT_EQ(p->time_in_phase, 0.0f) << "nothing chosen: the phase time restarts";
        PMgr.DeleteCharacter(p);
    }
}

TEST_F(BotChoiceTest, NoChoiceWhileFiringThrowingOrWounded)
{
    People();
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    for (BYTE strpostac::*busy :
         {&strpostac::rocket_firing, &strpostac::throwing, &strpostac::wound_reaction})
    {
        Ready(p);
        p->*busy = 1;
        p->first_bot_shot = 0;
        const DWORD before = PMgr.m_iBotChoices;
        PMgr.BotUpdate(p);
        EXPECT_EQ(PMgr.m_iBotChoices, before);
        EXPECT_FALSE(p->choose_again);
        p->*busy = 0;
    }
    p->faza = nullptr;
    PMgr.BotUpdate(p);
    EXPECT_FALSE(p->choose_again);
}

TEST_F(BotChoiceTest, AStandingBotChangesStanceOnceThenReachesTheMainChoice)
{
    People();
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    Ready(p);
    p->stance_index = 1;
    p->stance_animation[0] = 0;
    p->first_bot_shot = 0;
    p->time_in_phase = 2.5f;
    p->choice_timer = 0.0f;
    p->since_target_seen = 0.0f;
    int starts = 0;
    std::string last;
    for (int frame = 0; frame < 120; ++frame)
    {
        PMgr.BotUpdate(p);
        if (last != p->stance_animation)
        {
            ++starts;
            last = p->stance_animation;
        }
        // A phase time under 2 s would hold the choice back before its end.
        p->time_in_phase += 2.5f;
        Step(p);
    }
    EXPECT_EQ(starts, 2) << "the change, then the shooting pose";
    EXPECT_EQ(last, "kuca_strzela");
    EXPECT_TRUE(p->first_bot_shot);
    EXPECT_FALSE(p->choose_again);
    EXPECT_STREQ(Phase(p), "bot_stoi");
    EXPECT_FLOAT_EQ(p->time_in_phase, 2.5f) << "the main choice found nothing and restarted the phase time";
    EXPECT_NEAR(Skin(p)->m_dTimeScale, 0.1, 1e-6) << "the held pose is slowed";

    // A new phase entry asks for a stance again.
    p->stance_index = -1;
    PMgr.BotUpdate(p);
    EXPECT_TRUE(p->stance_change);
}

TEST_F(BotChoiceTest, TwoBotsWithinOneUnitDoNotShareTheSpot)
{
    People();
    for (const float apart : {0.9f, 1.1f})
    {
        SCOPED_TRACE(apart);
        strpostac* a = Fighter("soldier", D3DXVECTOR3(0, 0, 0), "a");
        strpostac* b = Fighter("soldier", D3DXVECTOR3(apart, 0, 0), "b");
        Ready(a);
        Ready(b);
        a->crowd_timer = 0.001f;
        b->crowd_timer = 1.0f;
        g_Engine.m_fDeltaTime = kFightFrame;
        PMgr.BotUpdate(a);
        PMgr.BotUpdate(b);
        EXPECT_STREQ(Phase(a), apart < 1.0f ? "bot_chowa_sie" : "bot_stoi");
        EXPECT_STREQ(Phase(b), "bot_stoi") << "its timer has not run out";
        if (apart > 1.0f)
            EXPECT_EQ(a->crowd_timer, 1.0f);
        PMgr.DeleteCharacter(a);
        PMgr.DeleteCharacter(b);
    }
}

TEST_F(BotChoiceTest, AGrenadeLandingNearSendsTheBotToCover)
{
    People();
    const float at[3] = {3, 0, 0};
    HOBJECT grenade = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectFlags3(grenade, 4096, ~0u);
    for (const char* phase : {"bot_stoi", "trzyma"})
        for (const float choice : {3.0f, 3.1f})
        {
            SCOPED_TRACE(std::string(phase) + " " + std::to_string(choice));
            strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
            Ready(p, phase);
            p->active_time = 10.0f;
            p->time_in_phase = 1.5f;
            p->choice_timer = choice;
            p->danger_timer = 0.2f;
            PMgr.BotUpdate(p);
            const bool cover = std::string(phase) == "bot_stoi" && choice > 3.0f;
            EXPECT_STREQ(Phase(p), cover ? "bot_chowa_sie" : phase);
            PMgr.DeleteCharacter(p);
        }
}

TEST_F(BotChoiceTest, AFarSniperInAYoungPhaseOnlyGlints)
{
    People();
    strpostac* p = Fighter("sniper", D3DXVECTOR3(0, 0, 0));
    Ready(p);
    p->sees_target = 1;
    p->target_in_front = 1;
    p->target_distance = 40.0f;
    p->time_in_phase = 9.9f;
    p->stance_timer = 7.0f;
    p->since_target_seen = 0.0f;
    g_Engine.m_fDeltaTime = 0.5f;
    PMgr.BotUpdate(p);
    EXPECT_STREQ(Phase(p), "bot_stoi");
    EXPECT_EQ(p->stance_timer, 7.0f) << "no stance change";
    EXPECT_EQ(p->time_in_phase, 9.9f);
    EXPECT_EQ(p->glint_timer, 0.5f);
    // Nearer than 32 the phase need only last 2 s: the stance timer restarts.
    p->target_distance = 31.0f;
    PMgr.BotUpdate(p);
    EXPECT_EQ(p->stance_timer, 0.0f);
}

TEST_F(BotChoiceTest, ARocketCarrierFiresFromItsChoice)
{
    People();
    strpostac* p = Fighter("rpg", D3DXVECTOR3(0, 0, 0));
    const float at[3] = {0, 0, 0};
    p->launcher = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    Ready(p);
    p->engaged = 1;
    p->engage_timer = 1.0f;
    int frames = 0;
    for (; frames < 50 && !p->rocket_firing; ++frames)
    {
        p->time_in_phase = 2.1f;
        PMgr.BotUpdate(p);
    }
    ASSERT_TRUE(p->rocket_firing) << "one draw in two lets it fire";
    EXPECT_STREQ(p->anim.szAnimation, "kuca_strzela_gora");
    const DWORD before = PMgr.m_iBotChoices;
    PMgr.BotUpdate(p);
    EXPECT_EQ(PMgr.m_iBotChoices, before) << "no choice while the rocket is fired";
}

TEST_F(BotChoiceTest, AThrownGrenadeLeavesTheHandAtItsTimeAndSpeed)
{
    People();
    std::filesystem::create_directories("prefabs/bronie");
    ASSERT_TRUE(tk::xfile::XWriteMeshFile("prefabs\\bronie\\granat.x", BoxMesh(), tk::xfile::XFormat::Text));
    struct Case
    {
        float distance;
        float speed;
    };
    for (const Case& c : {Case{5.0f, 25.0f}, Case{20.0f, 48.0f}, Case{50.0f, 80.0f}})
    {
        SCOPED_TRACE(c.distance);
        strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
        Ready(p);
        g_Engine.UpdateSkinMeshNodes(p->model);
        D3DXVECTOR3 hand;
        ASSERT_TRUE(SocketTransform(p->model, "granat", &hand, nullptr));
        p->target_position = hand + D3DXVECTOR3(0, 0, c.distance);
        PMgr.StartGrenadeThrow(p);
        EXPECT_STREQ(p->anim.szAnimation, "rzut_granatem_01");
        EXPECT_TRUE(p->throwing);
        float made = -1.0f, released = -1.0f;
        HOBJECT held = nullptr;
        for (int i = 1; i <= 400 && p->throwing; ++i)
        {
            Step(p, 0.004f);
            PMgr.UpdateGrenadeThrow(p);
            const float t = static_cast<float>(i) * 0.004f;
            if (p->grenade && made < 0.0f)
            {
                made = t;
                held = p->grenade;
                EXPECT_EQ(g_Engine.GetObjectFlags3(held), 0u) << "not live in the hand";
            }
            if (made >= 0.0f && !p->grenade && released < 0.0f)
                released = t;
        }
        EXPECT_NEAR(made, 0.116f, 0.005f);
        EXPECT_NEAR(released, 1.45f, 0.005f);
        EXPECT_FLOAT_EQ(p->throw_speed, c.speed);
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(g_Engine.GetObjectFlags3(held), 4096u);
        EXPECT_FLOAT_EQ(held->fDeathWait, 3.5f);
        for (HOBJECT o : p->extra_objects)
            EXPECT_NE(o, held) << "the thrown grenade is the character's no more";
        EXPECT_FALSE(p->throwing) << "the throw ends with its animation";
        EXPECT_TRUE(p->stance_change) << "and the choice starts again with a stance";
        g_Engine.DeleteObject(held);
        PMgr.DeleteCharacter(p);
    }

    // Killed with the grenade in hand: the grenade goes with the throw.
    strpostac* p = Fighter("soldier", D3DXVECTOR3(0, 0, 0));
    PMgr.StartGrenadeThrow(p);
    Step(p, 0.2f);
    PMgr.UpdateGrenadeThrow(p);
    HOBJECT held = p->grenade;
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(held->bUsed);
    p->dead = 1;
    PMgr.UpdateGrenadeThrow(p);
    EXPECT_FALSE(p->throwing);
    EXPECT_EQ(p->grenade, nullptr);
    EXPECT_FALSE(held->bUsed);
}

TEST_F(BotChoiceTest, ABotGivingUpItsHoldEndsThePhaseByItsEndLists)
{
    Fighter();
    Scripts(std::string("postac watcher\nmodel ") + kFighterModel +
            "\ndefault_faza bot_stoi\nfaza bot_stoi\nbot\nloop\n"
            "faza czeka\nbot\non_koniec_widzi bot_chowa_sie\non_koniec bot_do_gracza\n"
            "faza bot_chowa_sie\nbot\nfaza bot_do_gracza\nbot\nfaza bot_do_strzalu\nbot\n");
    for (const BYTE seen : {1, 0})
    {
        SCOPED_TRACE(seen ? "seeing the player" : "not seeing the player");
        bool ended = false;
        for (int seed = 1; seed <= 40 && !ended; ++seed)
        {
            std::srand(static_cast<unsigned>(seed));
            strpostac* p = Fighter("watcher", D3DXVECTOR3(0, 0, 0));
            ASSERT_NE(p, nullptr);
            Ready(p, "czeka");
            // Unseen a while, far off, nothing else to do: on one draw in two it gives up.
            p->stance_timer = 0.0f;
            p->choice_timer = 5.0f;
            p->since_target_seen = 1.5f;
            p->camera_distance = 50.0f;
            p->time_in_phase = 2.1f;
            p->sees_player = seen;
            PMgr.BotUpdate(p);
            if (std::string(Phase(p)) != "czeka")
            {
                ended = true;
                EXPECT_STREQ(Phase(p), seen ? "bot_chowa_sie" : "bot_do_gracza");
            }
            else
                EXPECT_EQ(p->time_in_phase, 0.0f);
            PMgr.DeleteCharacter(p);
        }
        EXPECT_TRUE(ended);
    }
}
