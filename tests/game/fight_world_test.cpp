// The first fight of the demo game, in-process on the headless window and
// device: the soldier on guard at the east end of the town leaves the hero
// alone at his start; once the hero stands on the road near him, he turns to
// fight, moves along a route, fires (alarms, casings) and the hero's health
// falls.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Keys.h"
#include "shell/Mouse.h"
#include "tools/worldgen/DemoWorld.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

using namespace gametest;

namespace
{
constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Frames of 50 ms: 20 frames a second of level time.
constexpr double kFrameMs = 50.0;
constexpr int kFramesPerSecond = 20;

class FightWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        m_step = TkHeadlessFrameStepMs();
        TkHeadlessSetFrameStepMs(kFrameMs);
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("FightWorldTest", kWidth, kHeight));
        ASSERT_NO_FATAL_FAILURE(StartLevel(240));
    }

    void TearDown() override
    {
        CloseInProcessGame();
        TkHeadlessSetFrameStepMs(m_step);
        GameTest::TearDown();
    }

    double m_step = 0.0;

    static strpostac* Soldier()
    {
        strpostac* p = PMgr.FindCharacterByName(worldgen::DEMO_SOLDIER_SPAWN, false);
        return p && p->model && p->faza ? p : nullptr;
    }

    // Live alarms raised by a character's shot.
    static int ShotAlarms()
    {
        int n = 0;
        for (const strAlarm& a : PMgr.m_Alarms)
            n += a.used && a.flagA ? 1 : 0;
        return n;
    }
};

TEST_F(FightWorld, TheGuardLeavesTheStartAloneAndFightsTheHeroNearHim)
{
    ASSERT_TRUE(RunUntil([] { return Soldier() != nullptr; }, 400));
    const float full = PlayerStats.m_fHealth;
    ASSERT_GT(full, 0.0f);

    // Half a minute at the start: the guard keeps his post and nobody fires.
    const int casingsBefore = PMgr.m_iCasings;
    for (int i = 0; i < 30 * kFramesPerSecond && !HasFatalFailure(); ++i)
    {
        Pass();
        ASSERT_NE(Soldier(), nullptr);
        ASSERT_STREQ(Soldier()->faza->name, worldgen::DEMO_SOLDIER_GUARD_PHASE) << "frame " << i;
        ASSERT_EQ(Soldier()->fired_this_frame, 0);
    }
    EXPECT_EQ(PMgr.m_iCasings, casingsBefore);
    EXPECT_EQ(PlayerStats.m_fHealth, full) << "a calm town at the start";

    // The hero on the road north of him, where they see each other, looking at
    // him: beyond his contact distance the guard holds his post.
    const D3DVECTOR lookout = {worldgen::DEMO_LOOKOUT_AT[0], worldgen::DEMO_START[1],
                               worldgen::DEMO_LOOKOUT_AT[1]};
    Player.TeleportTo(&lookout);
    const float dx = worldgen::DEMO_SOLDIER_AT[0] - lookout.x, dz = worldgen::DEMO_SOLDIER_AT[1] - lookout.z;
    g_Mouse.m_State.x = g_Mouse.m_State.rawX = std::atan2(dx, dz);
    g_Mouse.m_State.y = 0.0f;
    for (int i = 0; i < 2 * kFramesPerSecond; ++i)
        Pass();
    ASSERT_NE(Soldier(), nullptr);
    EXPECT_STREQ(Soldier()->faza->name, worldgen::DEMO_SOLDIER_GUARD_PHASE);
    EXPECT_TRUE(Soldier()->engaged) << "he has the hero in sight";

    // The hero walks towards him, and he fights.
    const TkKey forward = TkKeyFromName("W");
    TkInjectKeyScan(forward.vk, forward.scan, true);
    const bool contact =
        RunUntil([] { return std::strcmp(Soldier()->faza->name, worldgen::DEMO_SOLDIER_GUARD_PHASE) != 0; },
                 5 * kFramesPerSecond);
    TkInjectKeyScan(forward.vk, forward.scan, false);
    ASSERT_TRUE(contact) << "he leaves his post when the hero comes near";

    std::set<std::string> phases;
    float routed = 0.0f; // along his routes
    int shots = 0;
    int shotAlarms = 0;
    bool picture = false;
    strpostac* soldier = Soldier();
    D3DXVECTOR3 last = soldier->position;
    const int casings = PMgr.m_iCasings;
    const bool fought = RunUntil(
        [&]
        {
            strpostac* p = Soldier();
            if (!p || p != soldier)
                return true;
            phases.insert(p->faza->name);
            const D3DXVECTOR3 step = p->position - last;
            if (p->running_nodes)
                routed += std::hypot(step.x, step.z);
            last = p->position;
            if (p->fired_this_frame)
            {
                ++shots;
                // A picture of the first shot (TK_KEEP_PICTURES names a folder to keep it in).
                if (!picture && std::getenv("TK_KEEP_PICTURES"))
                {
                    g_Engine.m_bScreenshot = 1;
                    picture = true;
                }
            }
            shotAlarms = std::max(shotAlarms, ShotAlarms());

            return routed > 4.0f && shots > 0 && PlayerStats.m_fHealth < full;
        },
        100 * kFramesPerSecond);
    ASSERT_EQ(Soldier(), soldier) << "the soldier lives on";
    EXPECT_TRUE(fought) << "routed " << routed << " shots " << shots << " health " << PlayerStats.m_fHealth;
    EXPECT_STRNE(soldier->faza->name, worldgen::DEMO_SOLDIER_GUARD_PHASE) << "he left his post";
    EXPECT_TRUE(phases.count("bot_do_strzalu") || phases.count("bot_do_gracza") ||
                phases.count("bot_chowa_sie"))
        << "a bot choice moved him";
    EXPECT_GT(shots, 0);
    EXPECT_GT(shotAlarms, 0) << "his shots are heard";
    EXPECT_GT(PMgr.m_iCasings, casings) << "his rifle ejects casings";
    EXPECT_LT(PlayerStats.m_fHealth, full);
    if (picture)
    {
        Pass();
        std::filesystem::copy_file(m_dir->path() / "tk_screen0000.bmp",
                                   std::filesystem::path(std::getenv("TK_KEEP_PICTURES")) / "first_fight.bmp",
                                   std::filesystem::copy_options::overwrite_existing);
    }
}
} // namespace
