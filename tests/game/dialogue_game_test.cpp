// The demo game's dialogues and combat music as a player hears them, headless
// with the sound recorded: the hero turns to the radio by the road and uses
// it, its two lines are heard one after the other and its last one marks the
// radio as heard; and, in process, the level's theme plays once, then a
// soldier who engages the hero starts a combat loop that gives way to the
// gong once the count of engaged enemies has been nil for two seconds.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "player/Player.h"
#include "sound/GameMusic.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr int kRate = 44100;

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

// The left channel of the recording (44.1 kHz 16-bit stereo).
std::vector<int16_t> Left(const fs::path& wave)
{
    const std::string b = Bytes(wave);
    std::vector<int16_t> left;
    for (size_t at = 12; at + 8 <= b.size();)
    {
        const size_t chunk = U32(b, at + 4);
        if (b.compare(at, 4, "data") == 0)
        {
            const size_t data = at + 8, size = std::min(chunk, b.size() - data);
            for (size_t i = 0; i + 4 <= size; i += 4)
                left.push_back(static_cast<int16_t>(static_cast<uint8_t>(b[data + i]) |
                                                    static_cast<uint8_t>(b[data + i + 1]) << 8));
            break;
        }
        at += 8 + chunk + (chunk & 1);
    }
    return left;
}

// The strongest tenth of a second of a tone within [from, to) samples (Goertzel).
double Strongest(const std::vector<int16_t>& s, double hertz, size_t from = 0, size_t to = SIZE_MAX)
{
    constexpr size_t kWindow = kRate / 10;
    to = std::min(to, s.size());
    const double step = 2.0 * std::cos(2.0 * 3.14159265358979 * hertz / kRate);
    double best = 0.0;
    for (size_t start = from; start + kWindow <= to; start += kWindow)
    {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = start; i < start + kWindow; ++i)
        {
            const double v = s[i] + step * s1 - s2;
            s2 = s1;
            s1 = v;
        }
        best = std::max(best, std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - step * s1 * s2)) / kWindow);
    }
    return best;
}

// Where the tone is first at least `level`; SIZE_MAX when never.
size_t FirstHeard(const std::vector<int16_t>& s, double hertz, double level)
{
    constexpr size_t kWindow = kRate / 10;
    for (size_t start = 0; start + kWindow <= s.size(); start += kWindow)
        if (Strongest(s, hertz, start, start + kWindow) >= level)
            return start;
    return SIZE_MAX;
}

std::vector<std::string> RunGame(const TempDir& dir, const std::vector<std::string>& lines,
                                 const fs::path& wave)
{
    std::string script;
    for (const std::string& line : lines)
        script += line + "\n";
    dir.Write("run.txt", script);
    GameProcess game(dir.path(), {{"TK_FRAMES", "5000"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", wave.string()}});
    EXPECT_EQ(game.Wait(kGameSeconds), 0);
    return ReadLines(dir.path() / "!console.txt");
}

size_t Count(const std::vector<std::string>& lines, const std::string& head)
{
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const std::string& l)
                                             { return l.compare(0, head.size(), head) == 0; }));
}

TEST(DialogueGame, TheRadioSpeaksItsTwoLinesWhenUsedAndMarksItselfHeard)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    // A quarter turn to the left (the mouse's 0.004 a count) faces the radio.
    const long turn = std::lround(-3.14159265358979 / 2.0 / 0.004);
    const fs::path wave = dir.path() / "run.wav";
    const auto log = RunGame(dir,
                             {
                                 "frame 2: wait level frame 200",
                                 "frame 3: key press Space",
                                 "frame 5: wait level frame 300",
                                 "frame 6: mouse move " + std::to_string(turn) + " 0",
                                 "frame 8: wait level frame 330",
                                 "frame 9: key press Grave", // the variable before
                                 "frame 11: keys Variable " + std::string(worldgen::DEMO_RADIO_DONE),
                                 "frame 12: key press Enter",
                                 "frame 13: key press Grave",
                                 "frame 15: key press E",
                                 "frame 16: wait level frame 420",
                                 "frame 18: wait level frame 560",
                                 "frame 19: key press Grave",
                                 "frame 21: keys Variable " + std::string(worldgen::DEMO_RADIO_DONE),
                                 "frame 22: key press Enter",
                                 "frame 23: key press Grave",
                                 "frame 25: quit",
                             },
                             wave);
    EXPECT_EQ(Count(log, std::string("Variable ") + worldgen::DEMO_RADIO_DONE + ": bool, set 1"), 1u)
        << "set once, by the radio's last line";
    EXPECT_EQ(Count(log, "Dialogue "), 0u) << "no dialogue reported missing";
    const std::vector<int16_t> heard = Left(wave);
    ASSERT_GT(heard.size(), static_cast<size_t>(kRate));
    constexpr double kHeard = 300.0;
    const size_t first = FirstHeard(heard, worldgen::DEMO_RADIO_HERTZ[0], kHeard);
    const size_t second = FirstHeard(heard, worldgen::DEMO_RADIO_HERTZ[1], kHeard);
    ASSERT_NE(first, SIZE_MAX) << "the radio's first line";
    ASSERT_NE(second, SIZE_MAX) << "the radio's second line";
    // The second line follows the first, a line's length (1 s) later.
    EXPECT_GT(second, first + kRate * 8 / 10);
    EXPECT_LT(second, first + kRate * 2);
}

// The in-process demo game, its sound recorded, for the combat music: the
// hero fights whichever soldier of the demo's there is, brought before him.
class CombatMusicWorld : public gametest::GameTest
{
protected:
    static constexpr double kFrameMs = 50.0;
    static constexpr double kFrameSeconds = kFrameMs / 1000.0;

    void SetUp() override
    {
        GameTest::SetUp();
        m_wave = m_dir->path() / "run.wav";
        // The mixer opens the recording as the device starts.
        ASSERT_EQ(setenv("TK_SOUND_WAV", m_wave.string().c_str(), 1), 0);
        ASSERT_NO_FATAL_FAILURE(OpenDemoGame("CombatMusicWorld", 64, 48));
        ASSERT_NO_FATAL_FAILURE(StartLevel(215));
        TkHeadlessSetFrameStepMs(kFrameMs);
    }
    void TearDown() override
    {
        if (!m_closed)
            CloseInProcessGame();
        unsetenv("TK_SOUND_WAV");
        GameTest::TearDown();
    }
    // The clock's time in seconds.
    static double Now() { return TkHeadlessClockMs() / 1000.0; }
    // Live hostile characters.
    template <class Each> static void Soldiers(Each each)
    {
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            strpostac& p = PMgr.m_Postacie[i];
            if (p.used && !p.dead && !p.civilian && !p.partner && !p.player_record)
                each(p);
        }
    }
    // Frames for up to the given seconds until the condition holds; false when
    // it never did. Nothing hurts the hero, nor his enemies until the test ends
    // the fight: this is a check of the music, not of the fight.
    template <class Condition> bool RunFor(double seconds, Condition done)
    {
        return RunUntil(
            [&]
            {
                PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth;
                if (m_bFighting)
                    Soldiers([](strpostac& p) { p.hit_points = p.desc ? p.desc->HP : p.hit_points; });
                return done();
            },
            static_cast<int>(seconds / kFrameSeconds + 0.5));
    }
    void RunFor(double seconds)
    {
        RunFor(seconds, [] { return false; });
    }
    fs::path m_wave;
    bool m_closed = false;
    bool m_bFighting = true;
};

TEST_F(CombatMusicWorld, TheThemePlaysOnceThenAFightStartsACombatLoopThatGivesWayToTheGong)
{
    const auto playing = [](const char* file)
    { return g_GameMusic.m_bMusicActive && std::strcmp(g_GameMusic.m_szCurrentFile, file) == 0; };
    // The level's theme comes with the mission and plays once: while it plays
    // no fight brings combat music, and it ends by itself.
    ASSERT_TRUE(RunFor(5.0, [&] { return playing(worldgen::DEMO_LEVEL_MUSIC); })) << "the theme starts";
    EXPECT_EQ(g_GameMusic.m_bLevelMusic, 1);
    EXPECT_EQ(g_GameMusic.m_bLoop, 0) << "a looping theme would hold off the combat music for good";
    bool combatOverTheme = false;
    ASSERT_TRUE(RunFor(12.0,
                       [&]
                       {
                           combatOverTheme = combatOverTheme || g_GameMusic.m_bCombatLoop;
                           return !playing(worldgen::DEMO_LEVEL_MUSIC);
                       }))
        << "the theme ends";
    EXPECT_FALSE(combatOverTheme);
    const double silenceFrom = Now();

    // A soldier on the road before the hero, looking at him.
    strpostac* soldier = nullptr;
    Soldiers([&](strpostac& p) { soldier = soldier ? soldier : &p; });
    ASSERT_NE(soldier, nullptr) << "the demo has a soldier";
    const D3DXVECTOR3 hero = Player.m_vPosition;
    const D3DXVECTOR3 at(hero.x - 8.0f, worldgen::DEMO_ROAD_TOP, hero.z);
    D3DXVECTOR3 toHero = hero - at;
    toHero.y = 0.0f;
    soldier->orientation = EOrientation(&toHero);
    PMgr.TeleportCharacter(soldier->name, &at);
    ASSERT_TRUE(RunFor(3.0, [] { return g_GameMusic.CombatLoopPlaying(); }))
        << "no combat loop; soldier " << soldier->name << " engaged " << int{soldier->engaged};
    const double loopFrom = Now();
    EXPECT_GE(loopFrom - silenceFrom, GameMusic::START_DELAY - kFrameSeconds) << "a second of fighting first";
    EXPECT_EQ(std::strncmp(g_GameMusic.m_szCurrentFile, "music\\loop\\A", 12), 0)
        << g_GameMusic.m_szCurrentFile;
    EXPECT_EQ(g_GameMusic.m_bLoop, 1);
    const int loopIndex = g_GameMusic.m_szCurrentFile[12] - '1';
    ASSERT_TRUE(loopIndex >= 0 && loopIndex < GameMusic::COMBAT_LOOPS) << g_GameMusic.m_szCurrentFile;

    // Two seconds of fighting, then every enemy falls: the gong comes once the
    // calm, added up since the loop started, passes two seconds.
    RunFor(2.0);
    ASSERT_TRUE(g_GameMusic.CombatLoopPlaying()) << "the loop plays on through the fight";
    const float calmBefore = g_GameMusic.m_fCalmTime;
    const D3DXVECTOR3 killer = Player.m_vPosition;
    m_bFighting = false;
    Soldiers([&](strpostac& p) { PMgr.Zabij(&p, &killer, &p.position, nullptr, false, false, false); });
    const double fightEnd = Now();
    ASSERT_TRUE(RunFor(4.0, [&] { return playing(GameMusic::GONG); }))
        << "no gong; " << g_GameMusic.m_szCurrentFile;
    const double gongFrom = Now();
    const double calm = GameMusic::CALM_BEFORE_GONG - calmBefore;
    EXPECT_GE(gongFrom - fightEnd, calm - kFrameSeconds);
    EXPECT_LE(gongFrom - fightEnd, calm + 2.0 * kFrameSeconds);
    EXPECT_EQ(g_GameMusic.m_bCombatLoop, 0);
    EXPECT_EQ(g_GameMusic.m_bLoop, 0) << "the gong rings once";
    // It rings out, and the music falls silent.
    ASSERT_TRUE(RunFor(6.0, [] { return !g_GameMusic.m_bMusicActive; }));
    const double quietFrom = Now();
    RunFor(1.0);
    const double end = Now();
    CloseInProcessGame();
    m_closed = true;

    // Heard: the loop's root in the fight and not once the gong has rung out, and the gong's
    // ring over the loop.
    const std::vector<int16_t> heard = Left(m_wave);
    ASSERT_GT(heard.size(), static_cast<size_t>(kRate * 10));
    const auto sampleAt = [&](double t)
    {
        const double back = (end - t) * kRate;
        return heard.size() > back ? heard.size() - static_cast<size_t>(back) : size_t{0};
    };
    // The roots of "A1" to "A5" and a partial of the gong far above any loop's notes, as the
    // sound generator writes them. (The town's own noises, wind, rotor and far fire, keep
    // some of every pitch in the mix.)
    const double roots[] = {110.0, 98.0, 123.47, 130.81, 146.83};
    const double root = roots[loopIndex];
    constexpr double kGong = 381.0;
    EXPECT_GT(Strongest(heard, root, sampleAt(loopFrom + 0.2), sampleAt(fightEnd)),
              3.0 * Strongest(heard, root, sampleAt(quietFrom + 0.2), sampleAt(end)))
        << "the combat loop is heard";
    EXPECT_GT(Strongest(heard, kGong, sampleAt(gongFrom), sampleAt(quietFrom)),
              2.5 * Strongest(heard, kGong, sampleAt(loopFrom + 0.2), sampleAt(fightEnd)))
        << "then the gong";
}
} // namespace
