// The seagull flock: where the six birds are made over the "grass" area, how
// they circle and switch animations, the "DrawBirds" switch, and birds whose
// objects were deleted by something else.

#include "environment/Mewy.h"
#include "world/world_fixture.h"

#include <cmath>
#include <cstdlib>

using namespace worldtest;

namespace
{
class SeagullTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        temp->Write("models/postacie/mewa/animations/animations_desc.txt", "\n");
        SkinModelDesc gull;
        gull.bones.push_back({"Bip01", -1, {}});
        D3DXMatrixIdentity(&gull.bones[0].local);
        gull.mesh = BoxMesh();
        gull.weights.assign(gull.mesh.positions.size() / 3, {{0, 1.0f}});
        ASSERT_TRUE(WriteSkinModelFile(Mewy::MODEL, gull, tk::xfile::XFormat::Text));
        g_Options.DrawBirds = 1;
        std::srand(7);
        flock = std::make_unique<Mewy>();
    }
    void TearDown() override
    {
        flock->Release();
        flock.reset();
        WorldTest::TearDown();
    }

    // The "grass" area: a unit box at the position, scaled.
    static HOBJECT Grass(D3DXVECTOR3 at, D3DXVECTOR3 scale)
    {
        HOBJECT g = Mesh("grass");
        EXPECT_NE(g, nullptr);
        if (g)
        {
            g_Engine.SetObjectPosition(g, &at, 1);
            g_Engine.SetObjectScale(g, &scale);
        }
        return g;
    }
    static void StartPoint(float height)
    {
        HOBJECT s = Light("game_start_point");
        ASSERT_NE(s, nullptr);
        const D3DXVECTOR3 at(5.0f, height, 5.0f);
        g_Engine.SetObjectPosition(s, &at, 1);
    }
    int Birds() const
    {
        int n = 0;
        for (int i = 0; i < Mewy::BIRDS; ++i)
            n += flock->GetObject(i) != nullptr;
        return n;
    }
    // One update of a second's frame time.
    void Step(float seconds = 1.0f)
    {
        g_Engine.m_fDeltaTime = seconds;
        flock->Update();
    }

    std::unique_ptr<Mewy> flock;
};

TEST_F(SeagullTest, NoBirdsWithoutAMeshGrassArea)
{
    ConsoleLogHere log;
    flock->Init();
    EXPECT_EQ(Birds(), 0);
    for (const strMewa& b : flock->m_Birds)
        EXPECT_FALSE(b.bActive);

    ASSERT_NE(Light("grass"), nullptr);
    flock->Init();
    EXPECT_EQ(Birds(), 0);
    EXPECT_NE(ConsoleLog().find("Object \"grass\" must be a mesh!"), std::string::npos);
}

TEST_F(SeagullTest, SixNamedBirdsOverTheStartPoint)
{
    ASSERT_NE(Grass(D3DXVECTOR3(100.0f, 3.0f, -50.0f), D3DXVECTOR3(1000.0f, 4.0f, 1000.0f)), nullptr);
    ASSERT_NO_FATAL_FAILURE(StartPoint(12.0f));
    flock->Init();
    ASSERT_EQ(Birds(), Mewy::BIRDS);
    for (int i = 0; i < Mewy::BIRDS; ++i)
    {
        HOBJECT h = flock->GetObject(i);
        const strMewa& b = flock->m_Birds[i];
        EXPECT_EQ(h->Type, OT_SKINMESH);
        EXPECT_EQ(std::string(h->szName), "mewa" + std::to_string(i));
        EXPECT_EQ(h->dwFlags, Mewy::FLAGS);
        EXPECT_EQ(h->dwFlags2, Mewy::FLAGS2);
        EXPECT_NEAR(b.vCentre.y, 12.0f + 60.0f, 10.0f);
        EXPECT_LT(std::fabs(b.vCentre.x - 100.0f), 500.0f);
        EXPECT_LT(std::fabs(b.vCentre.z + 50.0f), 500.0f);
        EXPECT_EQ(h->vPosition, b.vCentre);
        D3DXVECTOR3 scale;
        g_Engine.GetObjectScale(h, &scale);
        EXPECT_NEAR(scale.x, Mewy::SCALE, 1e-6f);
        EXPECT_EQ(b.fRadius, 80.0f);
        EXPECT_GE(b.fFactorX, 1.0f);
        EXPECT_LT(b.fFactorX, 2.0f);
    }
    // A second start replaces the flock instead of adding to it.
    flock->Init();
    EXPECT_EQ(Birds(), Mewy::BIRDS);
    EXPECT_EQ(g_Engine.FindObject("mewa0", 0), flock->GetObject(0));
}

TEST_F(SeagullTest, WithoutStartPointBirdsFlyAtTheAreaHeightAndSpreadAtLeast400)
{
    ASSERT_NE(Grass(D3DXVECTOR3(0.0f, 30.0f, 0.0f), D3DXVECTOR3(10.0f, 1.0f, 10.0f)), nullptr);
    bool beyondArea = false;
    for (int round = 0; round < 20; ++round)
    {
        flock->Init();
        for (const strMewa& b : flock->m_Birds)
        {
            EXPECT_NEAR(b.vCentre.y, 30.0f, 10.0f);
            EXPECT_LT(std::fabs(b.vCentre.x), 200.0f);
            EXPECT_LT(std::fabs(b.vCentre.z), 200.0f);
            beyondArea = beyondArea || std::fabs(b.vCentre.x) > 5.0f || std::fabs(b.vCentre.z) > 5.0f;
        }
    }
    EXPECT_TRUE(beyondArea) << "a 10-unit area is spread over 400 x 400";
}

TEST_F(SeagullTest, FlappingAndGlidingCircleAtTheirRates)
{
    ASSERT_NE(Grass(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(400.0f, 1.0f, 400.0f)), nullptr);
    flock->Init();
    Step(); // starts every bird
    for (const strMewa& b : flock->m_Birds)
    {
        EXPECT_TRUE(b.bStarted);
        EXPECT_GE(b.fTimer, 2.0f);
        EXPECT_LT(b.fTimer, 10.0f);
    }
    struct Case
    {
        DWORD animation;
        float rate;
    };
    for (const Case& c : {Case{0, 0.1f}, Case{1, 0.05f}})
    {
        for (strMewa& b : flock->m_Birds)
        {
            b.iAnimation = c.animation;
            b.fTimer = 1000.0f; // no new choice
            b.fAngle = 0.0f;
        }
        Step(0.5f);
        for (int i = 0; i < Mewy::BIRDS; ++i)
        {
            const strMewa& b = flock->m_Birds[i];
            EXPECT_NEAR(b.fAngle, 0.5f * c.rate, 1e-6f);
            // At angle 0 the bird is its radius times the z factor south of its centre.
            const D3DXVECTOR3 at = flock->GetObject(i)->vPosition;
            EXPECT_NEAR(at.x, b.vCentre.x, 1e-3f);
            EXPECT_NEAR(at.z, b.vCentre.z - 80.0f * b.fFactorZ, 1e-3f);
            EXPECT_EQ(at.y, b.vCentre.y);
        }
    }
    // The angle wraps past a full turn.
    for (strMewa& b : flock->m_Birds)
    {
        b.iAnimation = 0;
        b.fTimer = 1000.0f;
        b.fAngle = 6.28f;
    }
    Step(1.0f);
    for (const strMewa& b : flock->m_Birds)
        EXPECT_NEAR(b.fAngle, 6.38f - 6.2831855f, 1e-4f);
}

TEST_F(SeagullTest, DrawBirdsOffFreezesAndHidesOnAgainRestores)
{
    ASSERT_NE(Grass(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(400.0f, 1.0f, 400.0f)), nullptr);
    flock->Init();
    Step();
    Step();
    std::vector<D3DXVECTOR3> frozen;
    for (int i = 0; i < Mewy::BIRDS; ++i)
        frozen.push_back(flock->GetObject(i)->vPosition);

    g_Options.DrawBirds = 0;
    Step();
    Step();
    for (int i = 0; i < Mewy::BIRDS; ++i)
    {
        EXPECT_EQ(flock->GetObject(i)->dwFlags, Mewy::HIDDEN_FLAGS);
        EXPECT_EQ(flock->GetObject(i)->vPosition, frozen[i]);
    }

    g_Options.DrawBirds = 1;
    Step();
    for (int i = 0; i < Mewy::BIRDS; ++i)
    {
        EXPECT_EQ(flock->GetObject(i)->dwFlags, Mewy::FLAGS) << "the flags from before are back";
        EXPECT_NE(flock->GetObject(i)->vPosition, frozen[i]);
    }
}

TEST_F(SeagullTest, DeletedBirdIsNeverTouchedThroughItsOldHandle)
{
    ASSERT_NE(Grass(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(400.0f, 1.0f, 400.0f)), nullptr);
    flock->Init();
    Step();
    HOBJECT old = flock->GetObject(2);
    ASSERT_NE(old, nullptr);
    g_Engine.DeleteObject(old);
    // Something else takes the freed slot.
    HOBJECT other = Skin("townsman");
    ASSERT_EQ(other, old) << "the test needs the freed slot taken again";
    const D3DXVECTOR3 where = other->vPosition;
    const DWORD flags = other->dwFlags;
    EXPECT_EQ(flock->GetObject(2), nullptr);

    Step();
    g_Options.DrawBirds = 0;
    Step();
    EXPECT_EQ(other->vPosition, where);
    EXPECT_EQ(other->dwFlags, flags);

    flock->Release();
    EXPECT_TRUE(other->bUsed);
    EXPECT_EQ(g_Engine.FindObject("townsman", 0), other);
    EXPECT_EQ(Birds(), 0);
    EXPECT_EQ(g_Engine.FindObject("mewa0", 0), nullptr);
    // The game's end releases twice; a saved game's load clears.
    flock->Release();
    flock->Clear();
    for (const strMewa& b : flock->m_Birds)
    {
        EXPECT_FALSE(b.bActive);
        EXPECT_EQ(b.hObject, nullptr);
    }
}
} // namespace
