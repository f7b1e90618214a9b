// The laser beams: the table of 256, dust along beams of 6 units or more, the
// dust's colours, the frame's buffers only while they exist, and two draw calls.
#include "player_fixture.h"

#include "player/LaserMgr.h"

#include <cmath>

using namespace playertest;

namespace
{
class LaserTest : public PlayerTest
{
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        std::filesystem::create_directories("textures");
        // Missing textures stop the game: the two the beams use are there.
        for (const char* t : {ELaserMgr::BEAM_TEXTURE, ELaserMgr::DUST_TEXTURE})
            temp->Write(std::string("textures/") + t, std::string(TinyTga()));
        laser = std::make_unique<ELaserMgr>();
    }

    void TearDown() override
    {
        laser->Release();
        laser.reset();
        PlayerTest::TearDown();
    }

    // A 1 x 1 white targa.
    static std::string TinyTga()
    {
        std::string t(18, '\0');
        t[2] = 2;
        t[12] = 1;
        t[14] = 1;
        t[16] = 32;
        t += std::string("\xFF\xFF\xFF\xFF", 4);
        return t;
    }

    DWORD Beam(float length, DWORD colour = 0xFF2020)
    {
        const D3DXVECTOR3 from(0.0f, 1.0f, 0.0f), to(0.0f, 1.0f, length);
        return laser->AddBeam(&from, &to, colour, 0);
    }

    std::unique_ptr<ELaserMgr> laser;
};
} // namespace

TEST_F(LaserTest, The257thBeamIsRefusedAndSlotsOutsideTheTableAreIgnored)
{
    for (DWORD i = 0; i < ELaserMgr::MAX_BEAMS; ++i)
        ASSERT_EQ(Beam(10.0f), i);
    EXPECT_EQ(Beam(10.0f), ELaserMgr::MAX_BEAMS);
    laser->RemoveBeam(300);
    EXPECT_EQ(Beam(10.0f), ELaserMgr::MAX_BEAMS);
    laser->RemoveBeam(17);
    EXPECT_EQ(Beam(10.0f), 17u) << "the first free slot";
    laser->ClearBeams();
    EXPECT_EQ(Beam(10.0f), 0u);
}

TEST_F(LaserTest, DustFloatsAlongBeamsOfSixUnitsOrMore)
{
    laser->CreateDeviceObjects();
    struct Row
    {
        float length;
        DWORD specks;
    };
    // One speck every 6 units, starting 6 from the origin, while short of the target.
    const Row rows[] = {{5.9f, 0}, {6.0f, 0}, {6.1f, 1}, {12.5f, 2}, {100.0f, 16}};
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.length);
        laser->ClearBeams();
        Beam(r.length);
        laser->Update();
        EXPECT_EQ(laser->m_iBeamsWritten, 1u);
        EXPECT_EQ(laser->m_iDustCount, r.specks);
        for (DWORD i = 0; i < laser->m_iDustCount; ++i)
        {
            EXPECT_LE(std::fabs(laser->m_vDust[i].x), 0.5f);
            EXPECT_LE(laser->m_vDust[i].z, r.length + 6.5f);
        }
    }
    // 256 beams of 100 units fill the table and stop there.
    laser->ClearBeams();
    for (DWORD i = 0; i < ELaserMgr::MAX_BEAMS; ++i)
        Beam(100.0f);
    laser->Update();
    EXPECT_EQ(laser->m_iDustCount, ELaserMgr::MAX_DUST);
}

TEST(LaserDust, EachChannelIsTwoAndAHalfTimesTheBeamsHeldAt255)
{
    struct Row
    {
        DWORD beam, dust;
    };
    const Row rows[] = {
        {0x404040, 0xA0A0A0}, {0xFF0000, 0xFF0000}, {0x00FF00, 0x00FF00},
        {0x000066, 0x0000FF}, {0x102030, 0x285078}, {0xFF000000, 0x000000}, // alpha ignored
    };
    for (const Row& r : rows)
        EXPECT_EQ(ELaserMgr::DustColour(r.beam), r.dust) << std::hex << r.beam;
}

TEST_F(LaserTest, WithoutItsBuffersAFrameWritesAndDrawsNothing)
{
    Beam(50.0f);
    laser->Update(); // before the world's device objects
    EXPECT_EQ(laser->m_iBeamsWritten, 0u);
    laser->Render();
    EXPECT_EQ(laser->m_iDrawCalls, 0u);

    laser->CreateDeviceObjects();
    EXPECT_EQ(Beam(50.0f), 0u) << "the world's start frees every beam";
    laser->Update();
    EXPECT_EQ(laser->m_iBeamsWritten, 1u);
    laser->Render();
    EXPECT_EQ(laser->m_iDrawCalls, 2u) << "the strips and the dust";

    laser->Release();
    Beam(50.0f);
    laser->Update();
    EXPECT_EQ(laser->m_iBeamsWritten, 0u);
    laser->Render();
    EXPECT_EQ(laser->m_iDrawCalls, 0u);
}
