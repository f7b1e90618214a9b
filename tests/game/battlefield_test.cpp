// The background battlefield: the front's directions, the nests' band round
// the hero and their bursts, jet flights over an attack target (also one
// deleted or swapped for its wreck), models that cannot be made, and the
// level end leaving nothing behind.
#include "world/world_fixture.h"

#include "game/Battlefield.h"
#include "physics/HeliMgr.h"
#include "player/ItemMgr.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace worldtest;

namespace
{
constexpr const char* kMarker = "prefabs\\special\\marker.x";
constexpr const char* kJet = "prefabs\\vehicles\\yak_141.x";
constexpr const char* kHeli = "prefabs\\vehicles\\mi35\\mi35.x";

std::string LogSince(size_t from)
{
    const std::string log = ConsoleLog();
    return from < log.size() ? log.substr(from) : std::string();
}

float Horizontal(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return std::hypot(a.x - b.x, a.z - b.z);
}

class BattlefieldTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        std::filesystem::create_directories("prefabs/special");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(kMarker, BoxMesh(), tk::xfile::XFormat::Text));
        temp->Write("scripts/items.txt", "item AK\nName Kalashnikov\nUnique_Id 90\npredkosc 2500\n");
        ItemMgr.LoadDescriptions();
        std::srand(7);
        g_Battlefield.Reset();
        PlaceHero(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Engine.m_fDeltaTime = 0.1f;
    }
    void TearDown() override
    {
        g_Battlefield.ReleaseUnits();
        g_Battlefield.Reset();
        ItemMgr.FreeDescriptions();
        WorldTest::TearDown();
    }
    static void WriteVehicles()
    {
        std::filesystem::create_directories("prefabs/vehicles/mi35");
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(kJet, BoxMesh(), tk::xfile::XFormat::Text));
        ASSERT_TRUE(tk::xfile::XWriteMeshFile(kHeli, BoxMesh(), tk::xfile::XFormat::Text));
    }
    // Objects in use made from the file.
    static int CountOf(const char* file)
    {
        int n = 0;
        for (const strObject& o : g_Engine.m_Objects)
            if (o.bUsed && std::strcmp(o.szFileName, file) == 0)
                ++n;
        return n;
    }
    // Nests only: no flight starts during the test.
    static void NestsOnly()
    {
        g_Battlefield.m_fJetPause = 1e9f;
        g_Battlefield.m_fHeliPause = 1e9f;
    }
};
} // namespace

TEST_F(BattlefieldTest, DirectionNamesGiveTheirUnitVectorsAndAnythingElseIsSouth)
{
    const float d = std::sqrt(0.5f);
    struct Case
    {
        const char* name;
        D3DXVECTOR3 expected;
    };
    const Case cases[] = {
        {"n", {0, 0, 1}},      {"w", {-1, 0, 0}},  {"e", {1, 0, 0}},    {"ne", {d, 0, d}},
        {"nw", {-d, 0, d}},    {"se", {d, 0, -d}}, {"sw", {-d, 0, -d}}, {"NE", {d, 0, d}},
        {"s", {0, 0, -1}},     {"up", {0, 0, -1}}, {"", {0, 0, -1}},    {nullptr, {0, 0, -1}},
        {"north", {0, 0, -1}},
    };
    for (const Case& c : cases)
    {
        const D3DXVECTOR3 v = CBattlefield::DirectionOf(c.name);
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_NEAR(v.x, c.expected.x, 1e-5f);
        EXPECT_NEAR(v.y, c.expected.y, 1e-5f);
        EXPECT_NEAR(v.z, c.expected.z, 1e-5f);
    }
    const size_t from = ConsoleLog().size();
    g_Battlefield.Enable("up");
    EXPECT_EQ(g_Battlefield.m_bEnabled, 1);
    EXPECT_NE(LogSince(from).find("Battlefield enabled: (0.000000, 0.000000, -1.000000)"), std::string::npos);
    EXPECT_NEAR(g_Battlefield.m_Front.Forward.z, -1.0f, 1e-5f);
}

TEST_F(BattlefieldTest, NestsKeepToTheirBandInFrontAndOneLeftBehindIsPlacedAgain)
{
    NestsOnly();
    g_Battlefield.Update(); // disabled: nothing
    EXPECT_EQ(CountOf(kMarker), 0);
    g_Battlefield.Enable("e");
    g_Battlefield.Update();
    EXPECT_EQ(CountOf(kMarker), BF_NESTS);
    const D3DXVECTOR3 hero(0.0f, 0.0f, 0.0f);
    for (const BfNest& n : g_Battlefield.m_Nests)
    {
        ASSERT_EQ(n.bActive, 1);
        EXPECT_GE(Horizontal(n.vPosition, hero), CBattlefield::NEST_NEAR);
        EXPECT_LT(Horizontal(n.vPosition, hero), CBattlefield::NEST_FAR);
        EXPECT_GT(n.vPosition.x, 0.0f) << "in front, towards the east";
        EXPECT_FLOAT_EQ(n.vPosition.y, 1.0f) << "nothing under it: at the hero's height, raised by 1";
    }
    EXPECT_EQ(g_HeliMgr.m_Nests[3].bActive, 1);

    // The hero walks 550 units away from one nest: it goes, then comes back in the band.
    BfNest& nest = g_Battlefield.m_Nests[0];
    const D3DXVECTOR3 west(nest.vPosition.x - 550.0f, 0.0f, nest.vPosition.z);
    PlaceHero(west);
    for (BfNest& n : g_Battlefield.m_Nests)
        n.vPosition = D3DXVECTOR3(west.x + 400.0f, 1.0f, west.z); // the others stay in the band
    nest.vPosition = D3DXVECTOR3(west.x + 550.0f, 1.0f, west.z);
    g_Battlefield.Update();
    EXPECT_EQ(nest.bActive, 0);
    EXPECT_EQ(CountOf(kMarker), BF_NESTS - 1);
    g_Battlefield.Update();
    ASSERT_EQ(nest.bActive, 1);
    EXPECT_GE(Horizontal(nest.vPosition, west), CBattlefield::NEST_NEAR);
    EXPECT_LT(Horizontal(nest.vPosition, west), CBattlefield::NEST_FAR);
    EXPECT_GT(nest.vPosition.x, west.x);
    EXPECT_EQ(CountOf(kMarker), BF_NESTS);
}

TEST_F(BattlefieldTest, ANestWhoseMarkerWasDeletedLeavesTheSlotsNewObjectAlone)
{
    NestsOnly();
    g_Battlefield.Enable("n");
    g_Battlefield.Update();
    BfNest& nest = g_Battlefield.m_Nests[0];
    HOBJECT marker = nest.hMarker;
    ASSERT_NE(marker, nullptr);
    g_Engine.DeleteObject(marker);
    HOBJECT other = Mesh("bystander");
    ASSERT_EQ(other, marker) << "the new object takes the freed slot";
    PlaceHero(D3DXVECTOR3(nest.vPosition.x, 0.0f, nest.vPosition.z - 600.0f));
    g_Battlefield.Update();
    EXPECT_EQ(nest.bActive, 0);
    EXPECT_TRUE(other->bUsed);
    EXPECT_STREQ(other->szName, "bystander");
}

TEST_F(BattlefieldTest, BurstsAreFourToElevenShotsATenthApartThenAPauseOfSixToEighteenSeconds)
{
    NestsOnly();
    // Nothing but the game's start sets the pauses: an earlier test may have
    // left any value in them.
    for (int i = 0; i < BF_NESTS; ++i)
        g_Battlefield.m_Nests[i].fBurstPause = 0.05f + 0.3f * static_cast<float>(i);
    g_Battlefield.Enable("s");
    g_Battlefield.Update();
    const float dt = g_Engine.m_fDeltaTime;
    int fewest = 100, most = 0, bursts = 0;
    int inBurst[BF_NESTS] = {};
    DWORD counted = 0;
    const DWORD before = g_Battlefield.m_iShots;
    for (int frame = 0; frame < 20000 && bursts < 200; ++frame)
    {
        bool firing[BF_NESTS];
        for (int i = 0; i < BF_NESTS; ++i)
            firing[i] = g_Battlefield.m_Nests[i].fBurstPause <= 0.0f;
        g_Battlefield.Update();
        for (int i = 0; i < BF_NESTS; ++i)
        {
            const BfNest& n = g_Battlefield.m_Nests[i];
            ASSERT_EQ(n.bActive, 1) << "the hero stands still: no nest leaves its band";
            if (!firing[i])
                continue;
            // Every frame of a burst fires: the frame is as long as the shots' spacing.
            ++inBurst[i];
            ++counted;
            if (n.fBurstPause > 0.0f)
            {
                fewest = std::min(fewest, inBurst[i]);
                most = std::max(most, inBurst[i]);
                EXPECT_GE(n.fBurstPause, 6.0f);
                EXPECT_LT(n.fBurstPause, 18.0f);
                inBurst[i] = 0;
                ++bursts;
            }
            else
                EXPECT_NEAR(n.fShotPause, dt, 1e-6f);
        }
    }
    EXPECT_GE(bursts, 200) << "bursts of several nests may end in one frame";
    EXPECT_EQ(fewest, 4);
    EXPECT_EQ(most, 11);
    EXPECT_EQ(g_Battlefield.m_iShots - before, counted) << "every firing frame started a tracer";
}

TEST_F(BattlefieldTest, WithoutTheRifleNoShotGoesOff)
{
    NestsOnly();
    ItemMgr.FreeDescriptions();
    g_Battlefield.Enable("s");
    for (BfNest& n : g_Battlefield.m_Nests)
        n.fBurstPause = 0.05f;
    const size_t from = ConsoleLog().size();
    for (int i = 0; i < 5; ++i)
        g_Battlefield.Update();
    EXPECT_EQ(g_Battlefield.m_iShots, 0u);
    EXPECT_NE(LogSince(from).find("BF Nest: Brak opisu broni AK"), std::string::npos);
}

TEST_F(BattlefieldTest, AnAttackTargetGetsAllThreeJetsOverItWithoutTurningBack)
{
    WriteVehicles();
    g_Battlefield.Enable("n");
    HOBJECT target = Mesh("depot");
    const D3DXVECTOR3 at(40.0f, 0.0f, 900.0f);
    g_Engine.SetObjectPosition(target, &at, 0);
    g_Battlefield.Attack("depot");
    EXPECT_STREQ(g_Battlefield.m_szTargetName, "depot");
    g_Battlefield.m_fJetPause = 0.05f;
    g_Battlefield.m_fHeliPause = 1e9f;
    g_Battlefield.Update();
    ASSERT_EQ(g_Battlefield.m_bJetsFlying, 1);
    for (const BfJet& jet : g_Battlefield.m_Jets)
        EXPECT_EQ(jet.bActive, 1);
    EXPECT_EQ(CountOf(kJet), BF_JETS);
    const BfJet& leader = g_Battlefield.m_Jets[0];
    EXPECT_NEAR(leader.vPosition.x, at.x, 1e-3f);
    EXPECT_NEAR(leader.vPosition.y, at.y + 40.0f, 1e-3f);
    EXPECT_NEAR(leader.vPosition.z, at.z - 1100.0f, 1e-3f);
    EXPECT_NEAR(leader.vVelocity.z, 80.0f, 1e-3f);

    // Over the target the attack is spent; at the end of the flight all go.
    for (int frame = 0; frame < 400 && g_Battlefield.m_bJetsFlying; ++frame)
    {
        g_Battlefield.Update();
        ASSERT_EQ(leader.iPass, 1) << "frame " << frame;
    }
    EXPECT_EQ(g_Battlefield.m_bJetsFlying, 0);
    EXPECT_EQ(CountOf(kJet), 0);
    EXPECT_EQ(g_Battlefield.m_szTargetName[0], 0);
}

TEST_F(BattlefieldTest, ATargetDeletedIsLookedUpByNameAndForgottenWhenGone)
{
    WriteVehicles();
    g_Battlefield.Enable("n");
    g_Battlefield.m_fHeliPause = 1e9f;
    const size_t from = ConsoleLog().size();
    g_Battlefield.Attack("nothing_here");
    EXPECT_NE(LogSince(from).find("Brak celu BF_attack: nothing_here"), std::string::npos);
    g_Battlefield.Attack(std::string(80, 'x').c_str());
    EXPECT_EQ(g_Battlefield.m_szTargetName[0], 0) << "a name longer than the field names no object";

    // Swapped for its wreck: the wreck of the same name is the target.
    HOBJECT depot = Mesh("depot");
    g_Battlefield.Attack("depot");
    g_Engine.DeleteObject(depot);
    Mesh("filler"); // takes the freed slot
    HOBJECT wreck = Mesh("depot");
    const D3DXVECTOR3 at(-70.0f, 0.0f, 300.0f);
    g_Engine.SetObjectPosition(wreck, &at, 0);
    g_Battlefield.m_fJetPause = 0.05f;
    g_Battlefield.Update();
    ASSERT_EQ(g_Battlefield.m_bJetsFlying, 1);
    EXPECT_NEAR(g_Battlefield.m_Jets[0].vPosition.x, at.x, 1e-3f);
    EXPECT_NEAR(g_Battlefield.m_Jets[0].vPosition.z, at.z - 1100.0f, 1e-3f);
    g_Battlefield.ReleaseUnits();

    // Deleted with nothing of its name left: the next flight starts near the hero.
    g_Battlefield.m_bJetsFlying = 0;
    g_Engine.DeleteObject(wreck);
    Mesh("filler");
    g_Battlefield.m_fJetPause = 0.05f;
    g_Battlefield.Update();
    ASSERT_EQ(g_Battlefield.m_bJetsFlying, 1);
    EXPECT_EQ(g_Battlefield.m_szTargetName[0], 0);
    EXPECT_NEAR(g_Battlefield.m_Jets[0].vPosition.y, 60.0f, 1e-3f);
}

TEST_F(BattlefieldTest, ModelsThatCannotBeMadeStartNoFlightAndAreNotRetriedEveryFrame)
{
    g_Battlefield.Enable("n");
    for (BfNest& n : g_Battlefield.m_Nests)
        n.fBurstPause = 1e9f;
    g_Battlefield.m_fJetPause = 0.05f;
    g_Battlefield.m_fHeliPause = 0.05f;
    const size_t from = ConsoleLog().size();
    g_Battlefield.Update();
    g_Battlefield.Update();
    const std::string log = LogSince(from);
    EXPECT_EQ(g_Battlefield.m_bJetsFlying, 0);
    EXPECT_EQ(g_Battlefield.m_bHelisFlying, 0);
    EXPECT_GE(g_Battlefield.m_fJetPause, 4.0f);
    EXPECT_GE(g_Battlefield.m_fHeliPause, 4.0f);
    size_t jets = 0, helis = 0;
    for (size_t at = log.find("Jet NOT created!"); at != std::string::npos;
         at = log.find("Jet NOT created!", at + 1))
        ++jets;
    for (size_t at = log.find("Mi[0] NOT created!"); at != std::string::npos;
         at = log.find("Mi[0] NOT created!", at + 1))
        ++helis;
    EXPECT_EQ(jets, 1u);
    EXPECT_EQ(helis, 1u);
}

TEST_F(BattlefieldTest, FlightsEndOrTurnBackOnceAndTheLevelEndLeavesNothing)
{
    WriteVehicles();
    g_Battlefield.Enable("sw");
    g_Battlefield.m_fJetPause = 0.05f;
    g_Battlefield.m_fHeliPause = 0.05f;
    int flights = 0, turns = 0;
    BYTE jetsWere = 0;
    for (int frame = 0; frame < 6000; ++frame)
    {
        const int passBefore = g_Battlefield.m_Jets[0].iPass;
        g_Battlefield.Update();
        if (g_Battlefield.m_bJetsFlying && !jetsWere)
            ++flights;
        if (passBefore == 1 && g_Battlefield.m_Jets[0].iPass == -1)
            ++turns;
        jetsWere = g_Battlefield.m_bJetsFlying;
        for (const BfJet& jet : g_Battlefield.m_Jets)
            if (jet.bActive)
                ASSERT_LE(jet.fDistance, jet.fLength + 80.0f * 0.1f);
        for (const BfHeli& heli : g_Battlefield.m_Helis)
            if (heli.bActive)
            {
                ASSERT_LE(heli.fDistance, heli.fLength + 40.0f * 0.1f);
                // The scripted helicopters read these: a background one never
                // turns on the hero, and leaves the nests alone on its way out.
                ASSERT_EQ(heli.hObject->bHeliFlying, 1);
                ASSERT_EQ(heli.hObject->bHeliOutward, heli.iPass == 1 ? 1 : 0);
            }
    }
    EXPECT_GE(flights, 2);
    EXPECT_LE(turns, flights);
    EXPECT_GT(CountOf(kMarker), 0);
    g_Battlefield.ReleaseUnits();
    EXPECT_EQ(CountOf(kMarker), 0);
    EXPECT_EQ(CountOf(kJet), 0);
    EXPECT_EQ(CountOf(kHeli), 0);
    for (const EHeliNest& n : g_HeliMgr.m_Nests)
        EXPECT_EQ(n.bActive, 0);
}
