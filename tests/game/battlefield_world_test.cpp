// The background battlefield in the running demo game, in-process on the
// headless window, clock and device: the demo mission switched to enable it
// at its start, the nests fire their tracers, and a jet flight comes by the
// hero within half a minute.
#include "game_fixture.h"

#include "game/Battlefield.h"
#include "platform/win32/Headless.h"
#include "support/GameWindow.h"
#include "world/Camera.h"
#include "world/Object.h"

#include <fstream>
#include <sstream>
#include <string>

using namespace gametest;

namespace
{
constexpr double kFrameMs = 50.0;
constexpr float kFrameSeconds = static_cast<float>(kFrameMs / 1000.0);

std::string Vec(const D3DXVECTOR3& v)
{
    std::ostringstream s;
    s << "(" << v.x << ", " << v.y << ", " << v.z << ")";
    return s.str();
}

class BattlefieldWorld : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("BattlefieldWorldTest", 64, 48));
        // As in a freshly started game: no battle of an earlier level, the
        // first flights due at once.
        g_Battlefield.Reset();
        for (BfNest& nest : g_Battlefield.m_Nests)
            nest = BfNest{};
        g_Battlefield.m_fJetPause = 0.0f;
        g_Battlefield.m_fHeliPause = 0.0f;
    }
    void TearDown() override
    {
        CloseInProcessGame();
        GameTest::TearDown();
    }
    // The demo mission with the battlefield switched on after its first line.
    void EnableInMission(const char* direction)
    {
        const std::filesystem::path file = m_dir->path() / "scripts" / "quests" / "level01.txt";
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        in.close();
        std::string s = text.str();
        const size_t first = s.find("wait 1");
        ASSERT_NE(first, std::string::npos);
        const size_t eol = s.find('\n', first);
        ASSERT_NE(eol, std::string::npos);
        s.insert(eol + 1, std::string("battlefield_enable ") + direction + "\r\n");
        std::ofstream(file, std::ios::binary) << s;
    }
};
} // namespace

TEST_F(BattlefieldWorld, AJetFliesByTheHeroWithinHalfAMinuteWhileTheNestsFire)
{
    ASSERT_NO_FATAL_FAILURE(EnableInMission("n"));
    ASSERT_NO_FATAL_FAILURE(StartLevel(215));
    TkHeadlessSetFrameStepMs(kFrameMs);
    ASSERT_TRUE(RunUntil([] { return g_Battlefield.m_bEnabled != 0; }, 200)) << "the mission enables it";
    EXPECT_TRUE(Contains(Log(), "Battlefield enabled: (0.000000, 0.000000, 1.000000)"));

    // The first flight leaves within 30 s; the leader then passes the hero.
    int frames = 0;
    ASSERT_TRUE(RunUntil(
        [&frames]
        {
            ++frames;
            return g_Battlefield.m_bJetsFlying != 0;
        },
        static_cast<int>(30.0f / kFrameSeconds) + 2));
    EXPECT_LE(static_cast<float>(frames - 1) * kFrameSeconds, 30.0f + kFrameSeconds);
    const BfJet& leader = g_Battlefield.m_Jets[0];
    ASSERT_EQ(leader.bActive, 1);
    HOBJECT jet = leader.hObject;
    ASSERT_NE(jet, nullptr);
    float nearest = 1e9f;
    ASSERT_TRUE(RunUntil(
        [&]
        {
            if (jet->bUsed)
                nearest = std::min(nearest, jet->fCameraDistance);
            return leader.bSoundStarted != 0;
        },
        static_cast<int>(20.0f / kFrameSeconds)))
        << "nearest " << nearest << ", flown " << leader.fDistance << " of " << leader.fLength << ", in use "
        << int(jet->bUsed) << ", hidden " << int(jet->bHidden) << ", jet at " << Vec(jet->vPosition)
        << ", camera at " << Vec(g_Camera.GetPosition()) << ", level frame " << g_MainGame.m_iLevelFrame;
    EXPECT_LT(nearest, 500.0f);
    EXPECT_STREQ(jet->szFileName, "prefabs\\vehicles\\yak_141.x");
    // Closer still: the engine's trail.
    ASSERT_TRUE(RunUntil(
        [&]
        {
            if (jet->bUsed)
                nearest = std::min(nearest, jet->fCameraDistance);
            return nearest < 300.0f;
        },
        static_cast<int>(20.0f / kFrameSeconds)));

    EXPECT_GT(g_Battlefield.m_iShots, 0u) << "the nests' first bursts come within 25 s";
    int nests = 0;
    for (const BfNest& n : g_Battlefield.m_Nests)
        nests += n.bActive;
    EXPECT_EQ(nests, BF_NESTS);
    // The demo data has everything the battle uses.
    for (const std::string& line : Log())
    {
        EXPECT_EQ(line.find("NOT created"), std::string::npos) << line;
        EXPECT_EQ(line.find("Brak opisu broni AK"), std::string::npos) << line;
        EXPECT_EQ(line.find("not found"), std::string::npos) << line;
    }
}
