// The save manager without a world: the section order, the save list built
// from the headers in "save\", the checkpoint a death or F9 loads, saves it
// refuses, and loads that fail before they change anything.
#include "game_fixture.h"

#include "render/PostProcess.h"
#include "shell/TextMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"

#include <cstring>

using namespace gametest;

namespace
{
std::string Le32Bytes(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string Text(const std::string& t)
{
    return Le32Bytes(static_cast<uint32_t>(t.size())) + t;
}

struct Stamp
{
    uint16_t year, month, day, hour, minute, second, ms;
};

// A save file's header, and a few bytes of body that no reader here looks at.
std::string Header(uint32_t version, uint32_t difficulty, const std::string& description, const Stamp& t)
{
    std::string s =
        Le32Bytes(version) + Le32Bytes(difficulty) + Text("worlds\\level01.w") + Text(description);
    const uint16_t parts[] = {t.year, t.month, 0, t.day, t.hour, t.minute, t.second, t.ms};
    for (uint16_t p : parts)
        s += std::string{static_cast<char>(p & 0xFF), static_cast<char>(p >> 8)};
    return s + std::string(8, '\0');
}

class SaveMgrTest : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        m_dir->Write("scripts/text_keys.txt", ">S03 March\n>S12 December\n>MS2 Easy\n>MS3 Normal\n>MS4 Hard\n"
                                              ">S13 Cannot open\n>S14 Bad version\n>S19 Not now\n");
        g_TextMgr.Load("scripts\\text_keys.txt");
    }
    void TearDown() override
    {
        g_SaveMgr.ClearFileList();
        g_TextMgr.Free();
        GameTest::TearDown();
    }
    void WriteSave(const std::string& name, const std::string& bytes) { m_dir->Write("save/" + name, bytes); }
    std::vector<std::string> ListedNames() const
    {
        std::vector<std::string> names;
        for (SaveFileRecord* r = g_SaveMgr.m_pFileList; r; r = r->next)
        {
            names.push_back(r->name);
            if (r->next)
                EXPECT_EQ(r->next->prev, r);
        }
        return names;
    }
};
} // namespace

TEST_F(SaveMgrTest, TheSectionsComeInTheirFixedOrder)
{
    size_t count = 0;
    const SaveSection* sections = CSaveMgr::Sections(count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(sections[i].name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Engine", "EngineObject", "MainGame", "ItemMgr", "Bronie", "OBE",
                                        "Player", "Camera", "PlantMgr", "PostProcess", "PMgr", "Dialogue",
                                        "GameAI", "QuestSystem", "FX", "Panel", "Objective", "Env"}));
}

TEST_F(SaveMgrTest, TheListIsNewestFirstWithQuickLastAndLeavesOtherVersionsOnDisk)
{
    WriteSave("12_old.sav", Header(20, 0, "Old one", {2026, 3, 1, 9, 5, 7, 0}));
    WriteSave("new.sav", Header(20, 1, "New one", {2026, 12, 24, 18, 30, 0, 0}));
    WriteSave("_quick.sav", Header(20, 2, "Quick save", {2026, 12, 25, 0, 0, 0, 0}));
    WriteSave("autosave.sav", Header(20, 1, "Auto", {2026, 12, 26, 0, 0, 0, 0}));
    WriteSave("other.sav", Header(19, 1, "Another build", {2026, 12, 27, 0, 0, 0, 0}));
    WriteSave("odd.sav", Header(20, 3, "Month 13", {2026, 13, 2, 7, 0, 0, 0}));
    WriteSave("cut.sav", Header(20, 1, "Cut", {2026, 1, 1, 0, 0, 0, 0}).substr(0, 20));
    const std::string longDescription(100, 'd');
    WriteSave("long.sav", Header(20, 1, longDescription, {2025, 1, 1, 0, 0, 0, 0}));

    EXPECT_EQ(g_SaveMgr.BuildFileList(), 5);
    // The newest first by the header's date, "_quick" moved to the end.
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"odd", "new", "12_old", "long", "_quick"}));
    EXPECT_EQ(g_SaveMgr.highestNumber, 12u);
    const SaveFileRecord* newest = g_SaveMgr.m_pFileList->next;
    EXPECT_STREQ(newest->path, "save\\new.sav");
    EXPECT_STREQ(newest->thumbnailPath, "save\\new.bmp");
    EXPECT_STREQ(newest->description, "New one");
    EXPECT_STREQ(newest->dateText, "December 24, 2026; 18:30:00");
    EXPECT_STREQ(newest->difficultyText, "Normal");
    // A month or difficulty outside the tables gives an empty text.
    EXPECT_STREQ(g_SaveMgr.m_pFileList->dateText, " 2, 2026; 7:00:00");
    EXPECT_STREQ(g_SaveMgr.m_pFileList->difficultyText, "");
    EXPECT_STREQ(g_SaveMgr.m_pFileList->next->next->dateText, "March 1, 2026; 9:05:07");
    // A long description is cut for the list only.
    EXPECT_EQ(std::strlen(g_SaveMgr.m_pFileList->next->next->next->description), 39u);
    // Opening the list deletes nothing.
    EXPECT_TRUE(m_dir->Exists("save/other.sav"));
    EXPECT_TRUE(m_dir->Exists("save/cut.sav"));
    EXPECT_TRUE(Contains(Log(), "Tworzenie listy - zla wersja pliku other.sav"));
    g_SaveMgr.ClearFileList();
    EXPECT_EQ(g_SaveMgr.m_pFileList, nullptr);
}

TEST_F(SaveMgrTest, DeathAndQuickLoadTakeTheValidCheckpointWrittenLast)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<int, Stamp>> files; // number, header time
        std::vector<int> damaged;                 // numbers of another version
        const char* expected;
    };
    const Case cases[] = {
        {"a gap: the one written into it is the newest",
         {{0, {2026, 1, 1, 10, 0, 0, 0}},
          {1, {2026, 1, 1, 10, 1, 0, 0}},
          {2, {2026, 1, 1, 10, 2, 0, 0}},
          {3, {2026, 1, 1, 10, 6, 0, 0}},
          {4, {2026, 1, 1, 10, 4, 0, 0}},
          {5, {2026, 1, 1, 10, 5, 0, 0}}},
         {},
         "checkpoint0003"},
        {"a new game over an older play-through",
         {{0, {2026, 2, 1, 0, 0, 0, 0}},
          {1, {2026, 2, 1, 0, 1, 0, 0}},
          {2, {2026, 2, 2, 9, 0, 0, 0}},
          {3, {2026, 2, 1, 0, 3, 0, 0}},
          {5, {2026, 2, 1, 0, 5, 0, 0}}},
         {},
         "checkpoint0002"},
        {"a tie of times goes to the higher number",
         {{0, {2026, 3, 1, 0, 0, 0, 5}}, {7, {2026, 3, 1, 0, 0, 0, 5}}, {2, {2026, 3, 1, 0, 0, 0, 5}}},
         {},
         "checkpoint0007"},
        {"a newer checkpoint of another version is passed over",
         {{0, {2026, 4, 1, 0, 0, 0, 0}}, {1, {2026, 4, 2, 0, 0, 0, 0}}},
         {1},
         "checkpoint0000"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        for (int n = 0; n < 10; ++n)
            std::remove(("save/checkpoint000" + std::to_string(n) + ".sav").c_str());
        for (const auto& [number, time] : c.files)
        {
            const bool damaged = std::find(c.damaged.begin(), c.damaged.end(), number) != c.damaged.end();
            WriteSave("checkpoint000" + std::to_string(number) + ".sav",
                      Header(damaged ? 21 : 20, 1, "", time));
        }
        char name[32] = {};
        ASSERT_TRUE(g_SaveMgr.FindLastCheckpoint(name, sizeof name));
        EXPECT_STREQ(name, c.expected);
    }
    for (int n = 0; n < 10; ++n)
        std::remove(("save/checkpoint000" + std::to_string(n) + ".sav").c_str());
    char name[32] = {};
    EXPECT_FALSE(g_SaveMgr.FindLastCheckpoint(name, sizeof name));
    g_SaveMgr.LoadLastCheckpoint();
    EXPECT_TRUE(Contains(Log(), "No checkpoints to load!"));
}

TEST_F(SaveMgrTest, ALoadThatCannotStartChangesNothingAndClearsItsFlag)
{
    g_GameAI.SetVariable("mission_failed", nullptr);
    g_MainGame.m_iLevelFrame = 321;
    g_SaveMgr.m_bLoadedFromSave = 0;
    struct Case
    {
        const char* name;
        std::string bytes; // empty: no file
        const char* message;
    };
    const Case cases[] = {
        {"missing", "", "Cannot open"},
        {"version", Header(19, 1, "x", {2026, 1, 1, 0, 0, 0, 0}), "Bad version"},
        {"header", Header(20, 1, "x", {2026, 1, 1, 0, 0, 0, 0}).substr(0, 14), "Bad version"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty())
            WriteSave(std::string(c.name) + ".sav", c.bytes);
        EXPECT_FALSE(g_SaveMgr.LoadGame(c.name));
        EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
        EXPECT_EQ(g_SaveMgr.m_bLoadedFromSave, 0);
        EXPECT_EQ(g_MainGame.m_iLevelFrame, 321u);
        EXPECT_TRUE(g_GameAI.IsVariableSet("mission_failed"));
        EXPECT_STREQ(g_Panel.m_szMessage[0], c.message);
        if (!c.bytes.empty())
            EXPECT_TRUE(m_dir->Read("save/" + std::string(c.name) + ".sav") == c.bytes);
        EXPECT_FALSE(g_SaveMgr.CheckSaveFile(c.name));
    }
    EXPECT_TRUE(Contains(Log(), "Save version invalid: 19"));
    EXPECT_FALSE(g_SaveMgr.LoadGame(""));
}

TEST_F(SaveMgrTest, ARefusedOrFailedSaveWritesNothingAndShowsNoSavedNotice)
{
    g_Panel.m_fSavedNoticeTime = 10.0f;
    PlayerStats.m_bDead = 1;
    EXPECT_FALSE(g_SaveMgr.SaveGame("dead", false, nullptr));
    PlayerStats.m_bDead = 0;
    g_Panel.WideScreen = 1;
    EXPECT_FALSE(g_SaveMgr.SaveGame("letterbox", false, nullptr));
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Not now");
    g_Panel.WideScreen = 0;
    EXPECT_FALSE(m_dir->Exists("save/dead.sav"));
    EXPECT_FALSE(m_dir->Exists("save/letterbox.sav"));
    // A "save" that is a folder cannot be written: the file in it stays, no notice.
    m_dir->Write("save/kept.sav/inside", "x");
    EXPECT_FALSE(g_SaveMgr.SaveGame("kept", false, nullptr));
    EXPECT_EQ(g_SaveMgr.saveInProgress, 0);
    EXPECT_EQ(m_dir->Read("save/kept.sav/inside"), "x");
    EXPECT_EQ(g_Panel.m_fSavedNoticeTime, 10.0f);
    EXPECT_FALSE(m_dir->Exists("save/kept.sav.tmp"));
}

TEST_F(SaveMgrTest, ASaveOfTheRunningWorldIsReadBackSectionBySection)
{
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\f.w");
    g_Camera.SetFarPlane(500.0f);
    g_GameAI.SetVariable("power_on", nullptr);
    g_Options.GlobalTimeSpeed = 0.5f;
    ASSERT_TRUE(g_SaveMgr.SaveGame("plain", false, "A plain save"));
    EXPECT_FALSE(m_dir->Exists("save/plain.sav.tmp"));
    g_GameAI.FreeVariables();
    g_Options.GlobalTimeSpeed = 1.0f;
    ASSERT_TRUE(g_SaveMgr.LoadGame("plain"));
    EXPECT_TRUE(g_GameAI.IsVariableSet("power_on"));
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 0.5f);
    EXPECT_EQ(g_SaveMgr.loadInProgress, 0);
    EXPECT_EQ(g_MainGame.m_iLevelFrame, 99u);
    EXPECT_EQ(g_Engine.m_szNextWorld[0], 0);
    SaveHeader header;
    ASSERT_TRUE(CSaveMgr::ReadHeader("save\\plain.sav", &header));
    EXPECT_STREQ(header.description, "A plain save");
}

TEST_F(SaveMgrTest, ALoadThatBreaksOffLeavesNoBlackAndWhiteScreenBehind)
{
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\f.w");
    ASSERT_TRUE(g_SaveMgr.SaveGame("cut", false, "A cut save"));
    // An object action turned the screen black and white after the save; the
    // save then breaks off in its first section, after the game was emptied.
    PostProcess.EnableObjectEffect(1);
    const size_t header = 4 + 4 + (4 + std::strlen("worlds\\f.w")) + (4 + std::strlen("A cut save")) + 16;
    const std::string whole = m_dir->Read("save/cut.sav");
    ASSERT_GT(whole.size(), header + 4);
    WriteSave("cut.sav", whole.substr(0, header + 4));
    EXPECT_FALSE(g_SaveMgr.LoadGame("cut"));
    EXPECT_TRUE(Contains(Log(), "The save could not be loaded; the world starts afresh: worlds\\f.w"));
    EXPECT_EQ(PostProcess.m_bBW, 0);
    EXPECT_EQ(PostProcess.m_bBWForced, 0);
}
