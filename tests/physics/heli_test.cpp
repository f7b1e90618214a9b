// Scripted helicopters: the definitions and their limits, the parts and the
// rotor sound, the downwash at different distances, the attack timeline and
// who is attacked.
#include "vehicle_fixture.h"

#include "player/Player.h"
#include "world/Object.h"

#include <vector>

using namespace vehicletest;

namespace
{
const std::string kHeliDef = std::string("helicopter ") + HELI + "\nattachment " + ROTOR + " rotor\n";

class HeliTest : public VehicleTest
{
protected:
    void SetUp() override
    {
        VehicleTest::SetUp();
        g_HeliMgr.m_fWashSpread = 0.0f;
        Player.m_hObject = nullptr;
        Player.m_vVelocity = D3DXVECTOR3(0, 0, 0);
    }

    // A helicopter hovering 20 over the ground at the origin, its nose along +z.
    HOBJECT Heli(const std::string& def = kHeliDef)
    {
        temp->Write("scripts/helicopters/demo.txt", def);
        g_HeliMgr.LoadAll();
        g_HeliMgr.Reset();
        return Place(HELI, {0, 20, 0});
    }

    // Attack frames of the given length; the attack clocks at which rockets and volleys went.
    static void Attack(EHeli* heli, float seconds, float dt, std::vector<float>* rockets,
                       std::vector<float>* volleys)
    {
        g_HeliMgr.m_fFrameTime = dt;
        for (float t = 0.0f; t < seconds; t += dt)
        {
            const DWORD r = heli->iRockets, v = heli->iVolleys;
            if (heli->hObject->dwBattle)
                g_HeliMgr.ShootAtBattlefield(heli);
            else
                g_HeliMgr.ShootAtPlayer(heli);
            if (rockets && heli->iRockets != r)
                rockets->push_back(heli->fAttackClock);
            if (volleys && heli->iVolleys != v)
                volleys->push_back(heli->fAttackClock);
        }
    }
};
} // namespace

TEST_F(HeliTest, DefinitionsKeepToTheirLimits)
{
    std::string text = "attachment stray.x rotor\n";
    for (int i = 0; i < 16; ++i)
    {
        text += "helicopter Heli " + std::to_string(i) + ".x\n";
        for (int a = 0; a < 11; ++a)
            text += "attachment part" + std::to_string(a) + ".x s" + std::to_string(a) + "\n";
    }
    text += "attachment_skinmesh late.x s anim\n";
    temp->Write("scripts/helicopters/many.txt", text);
    ConsoleSince log;
    g_HeliMgr.LoadAll();

    EXPECT_EQ(g_HeliMgr.m_iNumDefs, 15u);
    EXPECT_EQ(Count(log.Text(), "MAX_HELI_CREATE_PARAMS exceeded!"), 1u);
    const EHeliDef* first = g_HeliMgr.FindHeliDef("HELI 0.X");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->iNumAttachments, static_cast<DWORD>(MAX_HELI_ATTACHMENTS));
    EXPECT_STREQ(first->szFile[0], "part0.x");
    EXPECT_STREQ(first->szSocket[9], "s9");
    EXPECT_NE(g_HeliMgr.FindHeliDef("heli 14.x"), nullptr);
    EXPECT_EQ(g_HeliMgr.FindHeliDef("heli 15.x"), nullptr);
    EXPECT_EQ(g_HeliMgr.FindHeliDef("stray.x"), nullptr);
}

TEST_F(HeliTest, AHelicopterObjectGetsItsPartsAtTheirSocketsAndItsRotorSoundOnce)
{
    const std::string def = std::string("helicopter ") + HELI + "\nattachment " + ROTOR +
                            " rotor\nattachment " + ROTOR + " no_such_socket\nattachment " + HELI + " oko\n";
    HOBJECT heli = Heli(def);
    HOBJECT plain = Place(worldtest::MESH_FILE, {10, 0, 0});
    ASSERT_TRUE(heli && plain);
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(g_HeliMgr.FindHeli(plain), nullptr);
    ASSERT_TRUE(heli->pSound);
    EXPECT_STREQ(heli->pSound->szFile, "sounds\\vehicles\\heli_01.wav");
    EXPECT_EQ(heli->pSound->fValue, 250.0f);
    EXPECT_EQ(heli->dwFlags & OF_STATIC_BODY, 0u);
    EXPECT_NE(heli->dwFlags & OF_DYNAMIC_BODY, 0u);
    ASSERT_TRUE(h->hParts[0] && h->hParts[1] && h->hParts[2]);
    EXPECT_NEAR(h->hParts[0]->vPosition.y, 22.0f, 1e-4f);
    // A missing socket leaves the part at the helicopter's own place.
    EXPECT_NEAR(h->hParts[1]->vPosition.y, 20.0f, 1e-4f);
    // A part of a helicopter's file stays a part, not a helicopter of its own.
    EXPECT_EQ(g_HeliMgr.FindHeli(h->hParts[2]), nullptr);

    // A second creation changes nothing.
    int used = 0;
    g_HeliMgr.CreateHeli(heli);
    for (const EHeli& r : g_HeliMgr.m_Heli)
        used += r.bUsed;
    EXPECT_EQ(used, 1);

    // A part deleted by a script is forgotten; the helicopter follows its path with the rest.
    HOBJECT rotor = h->hParts[0];
    g_Engine.DeleteObject(rotor);
    EXPECT_EQ(h->hParts[0], nullptr);
    const D3DXVECTOR3 moved(5, 30, 0);
    g_Engine.SetObjectPosition(heli, &moved, 1);
    g_HeliMgr.UpdateAttachments();
    EXPECT_NEAR(h->hParts[1]->vPosition.y, 30.0f, 1e-4f);

    HOBJECT part = h->hParts[1];
    g_Engine.DeleteObject(heli);
    EXPECT_FALSE(part->bUsed) << "the parts go with their helicopter";
    EXPECT_FALSE(h->bUsed);
}

// The parts stand at their sockets as the socket files now give them, after
// the files were loaded again with a socket moved, renamed away and back.
TEST_F(HeliTest, ThePartsFollowTheirSocketsWhenTheSocketFilesAreLoadedAgain)
{
    HOBJECT heli = Heli();
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_TRUE(h && h->hParts[0]);
    struct Step
    {
        const char* sockets;
        float rotorY; // over the helicopter's own place
    };
    const Step steps[] = {{"\nsocket oko 0 0 3\nsocket ROTOR 0 3 0\n", 3.0f},
                          {"\nsocket oko 0 0 3\n", 0.0f},
                          {"\nsocket rotor 0 2 0\nsocket oko 0 0 3\n", 2.0f}};
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.sockets);
        g_HeliMgr.UpdateAttachments();
        temp->Write("scripts/mesh_sockets/heli.txt", std::string("mesh_filename ") + HELI + step.sockets);
        g_MeshSockets.LoadAll();
        g_HeliMgr.UpdateAttachments();
        EXPECT_NEAR(h->hParts[0]->vPosition.y, heli->vPosition.y + step.rotorY, 1e-4f);
    }
}

TEST_F(HeliTest, TheDownwashDependsOnHowFarTheCameraIsFromTheSpotUnderIt)
{
    Ground();
    HOBJECT heli = Heli();
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    Player.m_vPosition = {5.0f, 0.0f, 0.0f};
    struct Case
    {
        D3DXVECTOR3 camera;
        DWORD dust, shakes;
        float push;
    };
    // Straight above the spot: the distance to it is the camera's height.
    const Case cases[] = {
        {{0, 20, 130}, 0, 0, 0.0f},
        {{0, 35, 0}, 1, 0, 0.0f},
        {{0, 9, 0}, 1, 1, 1.4f},
    };
    for (const Case& c : cases)
    {
        g_HeliMgr.m_iDust = g_HeliMgr.m_iShakes = 0;
        Player.m_vVelocity = D3DXVECTOR3(0, 0, 0);
        g_Camera.SetPosition(c.camera);
        g_HeliMgr.RotorWash(h);
        EXPECT_EQ(g_HeliMgr.m_iDust, c.dust) << c.camera.z << " " << c.camera.y;
        EXPECT_EQ(g_HeliMgr.m_iShakes, c.shakes) << c.camera.y;
        EXPECT_NEAR(Player.m_vVelocity.x, c.push, 1e-4f) << c.camera.y;
        EXPECT_EQ(Player.m_vVelocity.z, 0.0f);
    }

    // The hero exactly under the spot is not pushed along a direction that does not exist.
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    Player.m_vVelocity = D3DXVECTOR3(0, 0, 0);
    g_HeliMgr.RotorWash(h);
    EXPECT_TRUE(Finite(Player.m_vVelocity));
    EXPECT_EQ(Player.m_vVelocity.x, 0.0f);

    // The downwash comes every 0.2 s through the update.
    g_HeliMgr.m_iDust = 0;
    g_Engine.m_fDeltaTime = 0.1f;
    for (int i = 0; i < 20; ++i)
        g_HeliMgr.Update();
    EXPECT_EQ(g_HeliMgr.m_iDust, 10u);
}

TEST_F(HeliTest, AnAllowedAttackFiresTwoRocketsThenGunBurstsWithPauses)
{
    HOBJECT heli = Heli();
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    Player.m_vPosition = {0.0f, 1.7f, 30.0f};
    g_HeliMgr.AllowShooting(heli, 100.0f, 0.5f, 0.3f);
    const float dt = 0.01f;
    std::vector<float> rockets, volleys;
    Attack(h, 4.0f, dt, &rockets, &volleys);

    ASSERT_EQ(rockets.size(), 2u);
    EXPECT_NEAR(rockets[0], 0.1f, dt + 1e-4f);
    EXPECT_NEAR(rockets[1], 1.0f, dt + 1e-4f);
    ASSERT_GT(volleys.size(), 10u);
    EXPECT_NEAR(volleys[0], 2.0f, dt + 1e-4f);
    int inBurst = 0, pauses = 0;
    for (size_t i = 1; i < volleys.size(); ++i)
    {
        const float gap = volleys[i] - volleys[i - 1];
        EXPECT_GE(gap, 0.06f - 1e-4f);
        if (gap < 0.06f + dt + 1e-4f)
            ++inBurst;
        else
        {
            EXPECT_GE(gap, 0.3f - 1e-4f) << "a pause lasts the burst pause";
            ++pauses;
        }
    }
    EXPECT_GE(pauses, 2);
    EXPECT_GT(inBurst, 2 * pauses);

    // Forbidden: nothing more; allowed again: the sequence starts over.
    g_HeliMgr.ForbidShooting(heli);
    g_HeliMgr.m_fFrameTime = dt;
    g_HeliMgr.Update();
    EXPECT_EQ(h->iRockets, 2u);
    g_HeliMgr.AllowShooting(heli, 100.0f, 0.5f, 0.3f);
    EXPECT_EQ(h->iAttackStage, 0u);
    EXPECT_EQ(h->fAttackClock, 0.0f);
}

TEST_F(HeliTest, AHeroBehindTheNoseOrOutOfRangeIsNeverAttacked)
{
    HOBJECT heli = Heli();
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    g_HeliMgr.AllowShooting(heli, 100.0f, 0.5f, 0.3f);
    Player.m_vPosition = {0.0f, 1.7f, -30.0f};
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u);
    EXPECT_EQ(h->iVolleys, 0u);
    // Off to the side, more than 60 degrees from the nose.
    Player.m_vPosition = {30.0f, 1.7f, 10.0f};
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u);
    Player.m_vPosition = {0.0f, 1.7f, 30.0f};
    heli->fCameraDistance = 150.0f;
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u);
    // In range and before the nose, but inside his hide zone.
    heli->fCameraDistance = 50.0f;
    const D3DXVECTOR3 at(0.0f, 0.0f, 30.0f);
    HOBJECT bunker = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, &at.x, nullptr);
    ASSERT_NE(bunker, nullptr);
    g_Engine.SetObjectName(bunker, "bunker");
    bunker->fCameraDistance = 5.0f;
    Player.SetHideZone("bunker", 10.0f);
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u);
    bunker->fCameraDistance = 15.0f;
    heli->bHeliFlying = 1;
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u) << "one flying in the background battlefield";
    heli->bHeliFlying = 0;
    Attack(h, 3.0f, 0.02f, nullptr, nullptr);
    EXPECT_GT(h->iRockets, 0u) << "out of the zone he is seen again";
    Player.SetHideZone(nullptr, 0.0f);
}

TEST_F(HeliTest, SetToBattleItAttacksTheLastQualifyingNest)
{
    HOBJECT heli = Heli();
    EHeli* h = g_HeliMgr.FindHeli(heli);
    ASSERT_NE(h, nullptr);
    heli->dwBattle = 1;
    // Ahead and to the right (the socket's first axis), within 400: nests 1 and 4 qualify.
    g_HeliMgr.m_Nests[1] = {1, {60, 0, 60}};
    g_HeliMgr.m_Nests[4] = {1, {100, 0, 30}};
    g_HeliMgr.m_Nests[5] = {1, {-60, 0, 60}};  // left
    g_HeliMgr.m_Nests[6] = {1, {500, 0, 400}}; // too far
    g_HeliMgr.m_Nests[7] = {0, {80, 0, 50}};   // not active
    heli->bHeliOutward = 1;
    Attack(h, 0.2f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 0u) << "on its outward pass it leaves the nests alone";
    heli->bHeliOutward = 0;
    Attack(h, 0.2f, 0.02f, nullptr, nullptr);
    EXPECT_EQ(h->iRockets, 1u);
    EXPECT_NEAR(h->vLastTarget.x, 100.0f, 1e-4f);
    EXPECT_NEAR(h->vLastTarget.z, 30.0f, 1e-4f);
}
