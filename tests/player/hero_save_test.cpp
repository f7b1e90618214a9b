// The hero's save section: written and read back through a file, the shared
// record at its stored offsets, the controller and weapons after a load, and
// sections that end early or hold values no game writes.
#include "hero_fixture.h"

#include "support/LittleEndian.h"

#include <cstring>

using namespace playertest;

namespace
{
std::string SectionOf(bool (CPlayer::*save)(FILE*))
{
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    ResetSaveFileErrors();
    EXPECT_TRUE((Player.*save)(f));
    std::string bytes(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

bool LoadSection(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    ResetSaveFileErrors();
    const bool ok = Player.Load(f);
    std::fclose(f);
    return ok;
}

// Where the shared record's 44 bytes lie in a section without a hide zone or
// countdown, with the given lengths of the four names before it.
constexpr size_t kStatsFromEnd = 44 + 1;
} // namespace

class HeroSaveTest : public HeroTest
{
};

TEST_F(HeroSaveTest, TheSectionReadsBackWhatItWroteAndTheSharedRecordKeepsItsOffsets)
{
    Start();
    HOBJECT zone = Marker(D3DXVECTOR3(5, 0, 5));
    g_Engine.SetObjectName(zone, "hide_here");
    Player.SetHideZone("hide_here", 2.5f);
    Player.m_bCountdown = 1;
    Player.m_hCountdownTarget = zone;
    std::memcpy(Player.m_CountdownPesel, zone->PESEL, sizeof Player.m_CountdownPesel);
    Player.m_fCountdown = 12.5f;
    Player.m_bRadiusOn = 1;
    Player.m_fRadius = 7.0f;
    Player.m_szBezierPath[0] = 'b';
    Player.m_fLean = 0.25f;
    Player.m_iLadderPhase = -3;
    PlayerStats.m_iFailReason = 7;
    PlayerStats.m_fHealth = 55.0f;
    PlayerStats.m_fLevelTime = 99.5f;
    PlayerStats.m_bRealisticUnlocked = 1;
    const std::string first = SectionOf(&CPlayer::Save);

    // The 44 bytes of the shared record sit just before the countdown part.
    const size_t countdownPart = 1 + 4 + std::strlen("hide_here") + 4;
    const size_t stats = first.size() - countdownPart - 44;
    EXPECT_EQ(Le32(first, stats + 8), 7u);
    float health = 0, level = 0;
    uint32_t h = Le32(first, stats + 12), l = Le32(first, stats + 40);
    std::memcpy(&health, &h, 4);
    std::memcpy(&level, &l, 4);
    EXPECT_EQ(health, 55.0f);
    EXPECT_EQ(level, 99.5f);
    EXPECT_EQ(first[stats + 20], 1);

    Player.m_fLean = 0.0f;
    Player.m_iLadderPhase = 0;
    Player.m_bRadiusOn = 0;
    PlayerStats.m_fHealth = 1.0f;
    ASSERT_TRUE(LoadSection(first));
    EXPECT_EQ(Player.m_fLean, 0.25f);
    EXPECT_EQ(Player.m_iLadderPhase, -3);
    EXPECT_EQ(Player.m_bRadiusOn, 1);
    EXPECT_EQ(PlayerStats.m_fHealth, 55.0f);
    EXPECT_EQ(Player.HideZone(), zone);
    EXPECT_EQ(Player.m_fHideThreshold, 2.5f);
    EXPECT_EQ(Player.CountdownTarget(), zone);
    EXPECT_EQ(Player.m_bHeroFlagE, 1);
    // Flag E aside, a second save is the first one.
    Player.m_bHeroFlagE = 0;
    EXPECT_TRUE(SectionOf(&CPlayer::Save) == first);
}

TEST_F(HeroSaveTest, RidingLoadsFrozenADeadHeroLoadsDeadAndAGoneCountdownStops)
{
    Start();
    HOBJECT target = Marker(D3DXVECTOR3(3, 0, 3));
    g_Engine.SetObjectName(target, "bomb");
    Player.m_bRiding = 1;
    std::strcpy(Player.m_szRideObject, "cart");
    Player.m_bCountdown = 1;
    Player.m_hCountdownTarget = target;
    std::memcpy(Player.m_CountdownPesel, target->PESEL, sizeof Player.m_CountdownPesel);
    PlayerStats.m_bDead = 1;
    const std::string bytes = SectionOf(&CPlayer::Save);
    g_Engine.DeleteObject(target);

    Player.m_bRiding = 0;
    PlayerStats.m_bDead = 0;
    PlayerStats.m_bRealisticUnlocked = 1; // unlocked since: a load never takes it away
    ASSERT_TRUE(LoadSection(bytes));
    EXPECT_EQ(Player.m_bRiding, 1);
    EXPECT_STREQ(Player.m_szRideObject, "cart");
    EXPECT_EQ(g_PhysicsMgr.m_bPlayerFrozen, 1);
    EXPECT_EQ(PlayerStats.m_bDead, 1);
    EXPECT_EQ(PlayerStats.m_bRealisticUnlocked, 1);
    EXPECT_EQ(Player.m_bCountdown, 0);
    EXPECT_EQ(Player.CountdownTarget(), nullptr);
}

TEST_F(HeroSaveTest, ASectionCutShortOrHoldingNoNumberFailsAndLeavesTheHeroAsHeWas)
{
    Start();
    const std::string bytes = SectionOf(&CPlayer::Save);
    const D3DXVECTOR3 before = At();
    Player.m_fLean = 0.5f;
    std::string nan = bytes;
    // The hero's position is the tenth of the thirteen vectors before the shared record.
    const size_t position = bytes.size() - kStatsFromEnd - 4 * 12;
    nan.replace(position, 4, std::string("\x00\x00\xc0\x7f", 4));
    std::string noHealth = bytes;
    noHealth.replace(bytes.size() - kStatsFromEnd + 16, 4, std::string(4, '\0'));
    for (const std::string& damaged : {bytes.substr(0, 1), bytes.substr(0, bytes.size() / 2),
                                       bytes.substr(0, bytes.size() - 1), nan, noHealth})
    {
        SCOPED_TRACE(damaged.size());
        EXPECT_FALSE(LoadSection(damaged));
        EXPECT_EQ(Player.m_fLean, 0.5f);
        EXPECT_EQ(At(), before);
    }
}
