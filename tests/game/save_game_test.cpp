// Save games in the whole game, in-process on the headless window, clock and
// device, over a copy of the bundled data tree, mid-level: the demo world's
// characters, the level script with "power_on" set and the mission running.
// A save loaded and saved again gives the same bytes; a damaged save never
// leaves a half-read game; a process killed while it saves leaves the save it
// had loadable.
#include "game_fixture.h"

#include "characters/PostacMgr.h"
#include "game/QuestSystem.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"
#include "player/LaserMgr.h"
#include "player/Player.h"
#include "shell/Mouse.h"
#include "shell/TextMgr.h"
#include "ui/Panel.h"
#include "world/Object.h"
#include "world/ObjectActionCalls.h"

#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

using namespace gametest;

namespace
{
// The header's fixed part before the world name: version and difficulty.
constexpr size_t kHeaderFixed = 8;
constexpr size_t kTimeBytes = 16;

uint32_t Dword(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return v;
}

// Where the header's time lies: after the version, the difficulty and two strings.
size_t TimeOffset(const std::string& bytes)
{
    size_t at = kHeaderFixed;
    at += 4 + Dword(bytes, at);
    at += 4 + Dword(bytes, at);
    return at;
}

std::string WithoutTime(std::string bytes)
{
    const size_t at = TimeOffset(bytes);
    bytes.replace(at, kTimeBytes, kTimeBytes, '\0');
    return bytes;
}

// Each section's "X saved: N" or "X loaded: N" count, the final data last.
std::vector<std::string> Counts(const std::vector<std::string>& lines, const char* verb)
{
    size_t n = 0;
    const SaveSection* sections = CSaveMgr::Sections(n);
    std::vector<std::string> names;
    for (size_t i = 0; i < n; ++i)
        names.push_back(sections[i].name);
    names.push_back("Final data");
    std::vector<std::string> counts;
    for (const std::string& name : names)
    {
        const std::string head = name + " " + verb + ": ";
        for (const std::string& line : lines)
            if (line.rfind(head, 0) == 0)
                counts.push_back(head + line.substr(head.size()));
    }
    return counts;
}

class SaveGameTest : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        ResetHeadlessGame();
        CopyDataTree(m_dir->path());
        ASSERT_NE(OpenGameWindow("SaveGameTest", 64, 48), nullptr);
        g_bQuitting = 0;
        g_Input.Create();
        ASSERT_TRUE(CreateGameDevice());
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", "worlds\\level01.w");
        g_TextMgr.Load("scripts\\text_keys.txt");
    }
    void TearDown() override
    {
        g_TextMgr.Free();
        CloseInProcessGame();
        g_QuestSystem.Reset();
        GameTest::TearDown();
    }
    // The demo level, started and played until the mission runs and the
    // level script has switched the power on.
    void StartMidLevel()
    {
        g_MainGame.Init();
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_STREQ(g_Engine.m_szWorld, "worlds\\level01.w");
        PassUntilLevelFrame(CMainGame::FRAME_LOADING_HOLD);
        PressKey("Space");
        TkHeadlessSetFrameStepMs(50.0);
        for (int guard = 0; !g_GameAI.IsVariableSet("power_on") && guard < 400; ++guard)
            Pass();
        ASSERT_TRUE(g_GameAI.IsVariableSet("power_on"));
        ASSERT_TRUE(g_QuestSystem.m_bStarted);
    }
    std::vector<strpostac*> Characters() const
    {
        std::vector<strpostac*> found;
        for (int i = 0; i < MAX_POSTACI; ++i)
        {
            strpostac& p = PMgr.m_Postacie[i];
            if (p.used && !p.player_record && p.model && p.faza)
                found.push_back(&p);
        }
        return found;
    }
};
} // namespace

TEST_F(SaveGameTest, ASaveLoadedAndSavedAgainGivesTheSameBytesAndEachSectionReadsWhatWasWritten)
{
    StartMidLevel();
    // A dead character and a moving one.
    std::vector<strpostac*> people = Characters();
    ASSERT_GE(people.size(), 2u);
    strpostac* dead = people[0];
    dead->dead = 1;
    dead->stay_on_death = 1;
    const std::string deadName = dead->name;
    people[1]->postac_running = 1;
    people[1]->path_point_count = 2;
    people[1]->path_points[1] = people[1]->position + D3DXVECTOR3(3.0f, 0.0f, 0.0f);
    const std::string movingName = people[1]->name;
    const size_t liveCount = people.size();

    const size_t before = ConsoleLog().size();
    ASSERT_TRUE(g_SaveMgr.SaveGame("trip_a", false, nullptr));
    // A beam alive when the load starts is not one of the saved game's.
    const D3DXVECTOR3 from(0.0f, 1.0f, 0.0f), to(0.0f, 1.0f, 10.0f);
    const DWORD beam = g_LaserMgr.AddBeam(&from, &to, 0xFF0000, 0);
    ASSERT_LT(beam, static_cast<DWORD>(ELaserMgr::MAX_BEAMS));
    ASSERT_TRUE(g_SaveMgr.LoadGame("trip_a"));
    EXPECT_EQ(g_LaserMgr.m_Beams[beam].used, 0);
    const auto lines = LogLinesSince(before);
    const auto saved = Counts(lines, "saved");
    const auto loaded = Counts(lines, "loaded");
    ASSERT_EQ(saved.size(), 19u);
    ASSERT_EQ(loaded.size(), 19u);
    for (size_t i = 0; i < saved.size(); ++i)
    {
        const size_t cut = saved[i].find(" saved: ");
        EXPECT_EQ(saved[i].substr(0, cut) + " loaded: " + saved[i].substr(cut + 8), loaded[i]);
    }
    EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
    EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 1);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 99u);
    EXPECT_EQ(g_SaveMgr.saveScreen, 1);
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));

    // The characters came back: the dead one dead and unarmed, the runner on its route.
    EXPECT_EQ(Characters().size(), liveCount);
    strpostac* back = PMgr.FindCharacterByName(deadName.c_str(), false);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->dead, 1);
    EXPECT_EQ(back->weapon, nullptr);
    ASSERT_NE(back->model, nullptr);
    EXPECT_EQ(back->model->dwFlags3, 0x10u);
    strpostac* runner = PMgr.FindCharacterByName(movingName.c_str(), true);
    ASSERT_NE(runner, nullptr);
    EXPECT_EQ(runner->postac_running, 1);
    EXPECT_EQ(runner->path_point_count, 2u);
    for (strpostac* p : Characters())
        EXPECT_EQ(p->ghost, 0);

    // Saved again, and once more after loading that: the first load settles
    // what a load itself sets (the hero's flag E, the restarted animations,
    // the HUD's fade held within its range); from then on the bytes stay.
    ASSERT_TRUE(g_SaveMgr.SaveGame("trip_b", false, nullptr));
    ASSERT_TRUE(g_SaveMgr.LoadGame("trip_b"));
    ASSERT_TRUE(g_SaveMgr.SaveGame("trip_c", false, nullptr));
    const std::string a = m_dir->Read("save/trip_a.sav");
    const std::string b = m_dir->Read("save/trip_b.sav");
    const std::string c = m_dir->Read("save/trip_c.sav");
    ASSERT_GT(a.size(), 1000u);
    EXPECT_EQ(a.size(), b.size());
    EXPECT_TRUE(WithoutTime(b) == WithoutTime(c));
}

TEST_F(SaveGameTest, ADamagedSaveIsReportedLeavesNoHalfReadGameAndStaysOnDisk)
{
    StartMidLevel();
    ASSERT_TRUE(g_SaveMgr.SaveGame("good", false, nullptr));
    const std::string good = m_dir->Read("save/good.sav");

    struct Case
    {
        const char* what;
        std::string bytes;
        bool tearsDown; // the file passed the header checks
    };
    std::vector<Case> cases;
    std::string version = good;
    version[0] = 19;
    cases.push_back({"another version", version, false});
    std::string world = good;
    const size_t worldLength = Dword(good, kHeaderFixed);
    world.replace(kHeaderFixed + 4, worldLength, std::string(worldLength, 'x'));
    cases.push_back({"a world that does not exist", world, false});
    cases.push_back({"cut in the header", good.substr(0, TimeOffset(good) + 3), false});
    // Cut in every section: at spread lengths through the body, and one byte short.
    const size_t body = TimeOffset(good) + kTimeBytes;
    for (int i = 0; i < 24; ++i)
        cases.push_back({"cut", good.substr(0, body + (good.size() - body) * i / 24), true});
    cases.push_back({"one byte short", good.substr(0, good.size() - 1), true});

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what + std::string(" at ") + std::to_string(c.bytes.size()));
        m_dir->Write("save/bad.sav", c.bytes);
        const DWORD frame = g_MainGame.m_iLevelFrame;
        const size_t before = ConsoleLog().size();
        EXPECT_FALSE(g_SaveMgr.LoadGame("bad"));
        EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
        EXPECT_EQ(g_SaveMgr.loadingWorld, 0);
        EXPECT_EQ(g_SaveMgr.saveScreen, 0);
        EXPECT_TRUE(m_dir->Read("save/bad.sav") == c.bytes);
        const auto lines = LogLinesSince(before);
        if (c.tearsDown)
        {
            // The emptied game restarts the world afresh.
            EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\level01.w");
            EXPECT_TRUE(
                Contains(lines, "The save could not be loaded; the world starts afresh: worlds\\level01.w"));
            for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
                Pass();
            ASSERT_STREQ(g_Engine.m_szWorld, "worlds\\level01.w");
            EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 0);
        }
        else
        {
            // Nothing of the running game was touched.
            EXPECT_EQ(g_MainGame.m_iLevelFrame, frame);
            EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
            EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
        }
    }
    // Flipped bytes through the body: loaded or refused, the load always ends
    // cleanly and the file stays as it was.
    for (int i = 1; i <= 6; ++i)
    {
        std::string flipped = good;
        const size_t at = body + (good.size() - body) * i / 7;
        flipped[at] = static_cast<char>(~flipped[at]);
        SCOPED_TRACE(at);
        m_dir->Write("save/bad.sav", flipped);
        g_SaveMgr.LoadGame("bad");
        EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
        EXPECT_EQ(g_SaveMgr.loadingWorld, 0);
        EXPECT_TRUE(m_dir->Read("save/bad.sav") == flipped);
        for (int guard = 0; g_Engine.m_szNextWorld[0] && guard < kGuard; ++guard)
            Pass();
        ASSERT_STREQ(g_Engine.m_szWorld, "worlds\\level01.w");
    }
    EXPECT_TRUE(m_dir->Read("save/good.sav") == good);
}

TEST_F(SaveGameTest, AProcessKilledWhileItSavesLeavesTheSaveItHadLoadable)
{
    StartMidLevel();
    ASSERT_TRUE(g_SaveMgr.SaveGame("kept", false, nullptr));
    const std::string first = m_dir->Read("save/kept.sav");
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // The child saves over the same name without end, telling the parent
        // once it has begun; the parent kills it in the middle of one.
        close(pipeEnds[0]);
        const char started = 1;
        bool told = false;
        for (;;)
        {
            if (!told)
                told = write(pipeEnds[1], &started, 1) == 1;
            g_SaveMgr.SaveGame("kept", false, nullptr);
        }
    }
    close(pipeEnds[1]);
    char started = 0;
    ASSERT_EQ(read(pipeEnds[0], &started, 1), 1);
    close(pipeEnds[0]);
    usleep(150 * 1000);
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string now = m_dir->Read("save/kept.sav");
    EXPECT_EQ(now.size(), first.size());
    EXPECT_TRUE(g_SaveMgr.CheckSaveFile("kept"));
    EXPECT_TRUE(g_SaveMgr.LoadGame("kept"));
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
}

TEST_F(SaveGameTest, ACheckpointAskedForInTheLetterboxIsWrittenOnTheFirstFrameAfterIt)
{
    StartMidLevel();
    for (int n = 0; n < 6; ++n)
    {
        char name[32];
        std::snprintf(name, sizeof name, "save/checkpoint%04d.sav", n);
        std::remove((m_dir->path() / name).c_str());
    }
    g_Panel.WideScreen = 1;
    ActionCalls::SaveCheckpoint();
    g_SaveMgr.Update();
    g_SaveMgr.Update();
    EXPECT_FALSE(m_dir->Exists("save/checkpoint0000.sav"));
    g_Panel.WideScreen = 0;
    g_SaveMgr.Update();
    EXPECT_TRUE(m_dir->Exists("save/checkpoint0000.sav"));
    EXPECT_EQ(g_SaveMgr.pendingCheckpoint, 0);
    // The thumbnail beside it is the screen at 640 x 480.
    const std::string bmp = m_dir->Read("save/checkpoint0000.bmp");
    ASSERT_GT(bmp.size(), 26u);
    EXPECT_EQ(Dword(bmp, 18), 640u);
    EXPECT_EQ(Dword(bmp, 22), 480u);
}

TEST_F(SaveGameTest, F9LoadsTheMissionsCheckpointInTheRunningWorldAndFireClosesTheScreen)
{
    StartMidLevel();
    for (int guard = 0; !m_dir->Exists("save/checkpoint0000.sav") && guard < 400; ++guard)
        Pass();
    ASSERT_TRUE(m_dir->Exists("save/checkpoint0000.sav"));
    const size_t people = Characters().size();
    const size_t before = ConsoleLog().size();
    PressKey("F9");
    const auto lines = LogLinesSince(before);
    EXPECT_TRUE(Contains(lines, "Loading save\\checkpoint0000.sav"));
    EXPECT_FALSE(Contains(lines, "Starting world worlds\\level01.w"));
    EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 1);
    EXPECT_EQ(g_SaveMgr.saveScreen, 1);
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\level01.w");
    EXPECT_EQ(Player.m_iCheckpointLoads, 1);
    // The mouse buttons count from level frame 150; the screen holds until fire.
    PassUntilLevelFrame(EMouse::BUTTONS_FROM_LEVEL_FRAME + 1);
    EXPECT_EQ(g_SaveMgr.saveScreen, 1);
    TkInjectMouseButton(0, true);
    Pass();
    Pass();
    TkInjectMouseButton(0, false);
    Pass();
    EXPECT_EQ(g_SaveMgr.saveScreen, 0);
    PassUntilLevelFrame(215);
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
    // The respawners do not bring the saved characters a second time.
    EXPECT_EQ(Characters().size(), people);
}

TEST_F(SaveGameTest, ASaveOfAnotherWorldStartsThatWorldAndReadsEverySection)
{
    StartMidLevel();
    ASSERT_TRUE(g_SaveMgr.SaveGame("there", false, nullptr));
    std::string bytes = m_dir->Read("save/there.sav");
    // The same save, made in the other bundled world.
    const std::string world = "worlds\\test.w";
    const size_t length = Dword(bytes, kHeaderFixed);
    std::string name(4, '\0');
    for (int i = 0; i < 4; ++i)
        name[i] = static_cast<char>(world.size() >> (8 * i));
    bytes.replace(kHeaderFixed, 4 + length, name + world);
    m_dir->Write("save/there.sav", bytes);

    const size_t before = ConsoleLog().size();
    ASSERT_TRUE(g_SaveMgr.LoadGame("there"));
    const auto lines = LogLinesSince(before);
    EXPECT_TRUE(Contains(lines, "Starting world worlds\\test.w"));
    EXPECT_TRUE(Contains(lines, "World started"));
    EXPECT_STREQ(g_Engine.m_szWorld, "worlds\\test.w");
    EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 1);
    EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 0u);
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
    EXPECT_EQ(Counts(lines, "loaded").size(), 19u);
}
