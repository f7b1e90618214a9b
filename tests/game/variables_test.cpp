// The named script variables: set and unset, lookups, counters, the cache,
// the names with behaviour of their own, the report file and the save section.
#include "game_fixture.h"

#include "shell/CommandMgr.h"
#include "shell/SaveFile.h"
#include "world/Object.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace gametest;

namespace
{
class Variables : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        m_object = std::make_unique<strObject>();
        std::snprintf(m_object->szName, sizeof m_object->szName, "%s", "trigger_box");
    }
    HOBJECT Object() { return m_object.get(); }
    static int VariableCount()
    {
        int n = 0;
        for (const strzmienne* v = g_GameAI.m_pVariables; v; v = v->older)
            ++n;
        return n;
    }

private:
    std::unique_ptr<strObject> m_object;
};
} // namespace

TEST_F(Variables, MissingNamesReadAsClearAndOnlySetOrUnsetCreatesThem)
{
    EXPECT_FALSE(g_GameAI.IsVariableSet("never_declared"));
    EXPECT_EQ(g_GameAI.IsVariableOn("never_declared"), 0);
    EXPECT_FALSE(g_GameAI.IsVariableSet(""));
    EXPECT_FALSE(g_GameAI.IsVariableSet(nullptr));
    EXPECT_EQ(VariableCount(), 0);

    g_GameAI.UnsetVariable("door_open", Object());
    const strzmienne* unset = g_GameAI.FindVariable("door_open");
    ASSERT_NE(unset, nullptr);
    EXPECT_EQ(unset->type, strzmienne::TYPE_BOOL);
    EXPECT_EQ(unset->isSet, 0);
    EXPECT_EQ(unset->unsetBy, Object());
    EXPECT_FALSE(g_GameAI.IsVariableSet("door_open"));

    g_GameAI.SetVariable("alarm", Object());
    HOBJECT setter = nullptr;
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm", &setter));
    EXPECT_EQ(setter, Object());
    EXPECT_EQ(g_GameAI.IsVariableOn("alarm"), 1);
    EXPECT_EQ(VariableCount(), 2);

    // Names that are empty or begin with a blank change nothing.
    g_GameAI.SetVariable(" alarm", nullptr);
    g_GameAI.SetVariable("", nullptr);
    g_GameAI.UnsetVariable(" alarm", nullptr);
    EXPECT_EQ(VariableCount(), 2);
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm"));
}

TEST_F(Variables, FirstLetterMustMatchExactlyAndTheRestIgnoresCase)
{
    g_GameAI.SetVariable("Bridge_Down", nullptr);
    EXPECT_TRUE(g_GameAI.IsVariableSet("BRIDGE_DOWN"));
    EXPECT_TRUE(g_GameAI.IsVariableSet("Bridge_down"));
    EXPECT_FALSE(g_GameAI.IsVariableSet("bridge_down"));
    // Setting the other spelling makes a second variable.
    g_GameAI.SetVariable("bridge_down", nullptr);
    EXPECT_NE(g_GameAI.FindVariable("bridge_down"), g_GameAI.FindVariable("Bridge_Down"));
}

TEST_F(Variables, CountersAndIntegersRestartAtZeroAndOnlyCountersFollowTheFrameTime)
{
    strzmienne* counter = g_GameAI.DeclareVariable("timer", strzmienne::TYPE_COUNTER);
    strzmienne* number = g_GameAI.DeclareVariable("kills", strzmienne::TYPE_INT);
    strzmienne* flag = g_GameAI.DeclareVariable("flag", strzmienne::TYPE_BOOL);
    ASSERT_TRUE(counter && number && flag);

    g_GameAI.AdvanceCounters(0.25f);
    g_GameAI.AdvanceCounters(0.5f);
    EXPECT_FLOAT_EQ(counter->seconds, 0.75f);
    EXPECT_FLOAT_EQ(flag->seconds, 0.0f);
    EXPECT_FLOAT_EQ(number->seconds, 0.0f);

    number->value = 7;
    g_GameAI.SetVariable("timer", nullptr);
    g_GameAI.SetVariable("kills", nullptr);
    EXPECT_FLOAT_EQ(counter->seconds, 0.0f);
    EXPECT_EQ(number->value, 0);
    // Neither changes the set flag of a counter or an integer.
    EXPECT_EQ(counter->isSet, 0);
    EXPECT_EQ(number->isSet, 0);

    g_GameAI.AdvanceCounters(2.0f);
    number->value = 3;
    number->isSet = 1;
    g_GameAI.UnsetVariable("timer", nullptr);
    g_GameAI.UnsetVariable("kills", nullptr);
    EXPECT_FLOAT_EQ(counter->seconds, 0.0f);
    EXPECT_EQ(number->value, 0);
    EXPECT_EQ(number->isSet, 1);
}

TEST_F(Variables, DeclarationsMakeBooleansOnceAndCountersAndIntegersAnewNewestFirst)
{
    strzmienne* first = g_GameAI.DeclareVariable("gate", strzmienne::TYPE_BOOL);
    EXPECT_EQ(g_GameAI.DeclareVariable("gate", strzmienne::TYPE_BOOL), first);
    strzmienne* oldCounter = g_GameAI.DeclareVariable("wait", strzmienne::TYPE_COUNTER);
    strzmienne* newCounter = g_GameAI.DeclareVariable("wait", strzmienne::TYPE_COUNTER);
    EXPECT_NE(oldCounter, newCounter);
    EXPECT_EQ(g_GameAI.FindVariable("wait"), newCounter);
    EXPECT_EQ(VariableCount(), 3);
}

TEST_F(Variables, ResetAndLevelReleaseClearEveryValueAndSetter)
{
    strzmienne* counter = g_GameAI.DeclareVariable("timer", strzmienne::TYPE_COUNTER);
    g_GameAI.SetVariable("alarm", Object());
    g_GameAI.UnsetVariable("alarm", Object());
    g_GameAI.SetVariable("alarm", Object());
    g_GameAI.AdvanceCounters(3.0f);
    for (void (GameAI::*clear)() : {&GameAI::ResetVariables, &GameAI::ReleaseLevel})
    {
        (g_GameAI.*clear)();
        const strzmienne* alarm = g_GameAI.FindVariable("alarm");
        ASSERT_NE(alarm, nullptr);
        EXPECT_EQ(alarm->isSet, 0);
        EXPECT_EQ(alarm->setBy, nullptr);
        EXPECT_EQ(alarm->unsetBy, nullptr);
        EXPECT_FLOAT_EQ(counter->seconds, 0.0f);
        g_GameAI.SetVariable("alarm", Object());
        g_GameAI.AdvanceCounters(1.0f);
    }
    // Neither forgets a variable.
    EXPECT_NE(g_GameAI.FindVariable("alarm"), nullptr);
    EXPECT_NE(g_GameAI.FindVariable("timer"), nullptr);
}

TEST_F(Variables, LookupsFindEveryNameOfManyAndMissesAddNothing)
{
    const int names = 300;
    for (int i = 0; i < names; ++i)
        g_GameAI.SetVariable(("v" + std::to_string(i)).c_str(), nullptr);
    // Misses add nothing.
    EXPECT_FALSE(g_GameAI.IsVariableSet("V0"));
    EXPECT_EQ(VariableCount(), names);
    for (int i = 0; i < names; ++i)
    {
        const std::string name = "v" + std::to_string(i);
        const strzmienne* v = g_GameAI.FindVariable(name.c_str());
        ASSERT_NE(v, nullptr) << name;
        EXPECT_STREQ(v->name, name.c_str());
    }
}

TEST_F(Variables, NamesTooLongForTheRecordAreCutOnceWithAConsoleLineAndFoundAgain)
{
    const std::string longName = std::string("door_") + std::string(80, 'x');
    g_GameAI.SetVariable(longName.c_str(), nullptr);
    g_GameAI.SetVariable(longName.c_str(), nullptr);
    g_GameAI.UnsetVariable(longName.c_str(), nullptr);
    EXPECT_EQ(VariableCount(), 1);
    const strzmienne* v = g_GameAI.FindVariable(longName.c_str());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::strlen(v->name), static_cast<size_t>(strzmienne::NAME_SIZE - 1));
    EXPECT_EQ(longName.compare(0, strzmienne::NAME_SIZE - 1, v->name), 0);
    const std::string line = std::string("Script variable name too long, cut to \"") + v->name + "\"";
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), line), 1);
}

TEST_F(Variables, CrouchInAnyCaseCrouchesTheHeroWithoutAVariable)
{
    for (const char* name : {"Crouch", "crouch", "CROUCH"})
    {
        Player.m_iForceCrouch = 0;
        g_GameAI.SetVariable(name, nullptr);
        EXPECT_EQ(Player.m_iForceCrouch, 3) << name;
    }
    EXPECT_EQ(VariableCount(), 0);
    // Unsetting it is an ordinary variable.
    Player.m_iForceCrouch = 0;
    g_GameAI.UnsetVariable("Crouch", nullptr);
    EXPECT_EQ(Player.m_iForceCrouch, 0);
    EXPECT_NE(g_GameAI.FindVariable("Crouch"), nullptr);
}

TEST_F(Variables, CreditsUnlocksRealisticModeAndKeepsItInTheKeyFile)
{
    std::filesystem::create_directory(m_dir->path() / "save");
    PlayerStats.m_bRealisticUnlocked = 0;
    g_GameAI.SetVariable("Credits", nullptr);
    EXPECT_EQ(PlayerStats.m_bRealisticUnlocked, 1);
    EXPECT_TRUE(Contains(Log(), "Realistic mode unlocked."));
    EXPECT_TRUE(m_dir->Exists("save/keys.cfg"));
    EXPECT_TRUE(g_GameAI.IsVariableSet("Credits"));
    PlayerStats.m_bRealisticUnlocked = 0;
    g_CommandMgr.LoadKeys();
    EXPECT_EQ(PlayerStats.m_bRealisticUnlocked, 1) << "the key file keeps it";
}

TEST_F(Variables, TraceLinesFollowTheDebugSettingAndTheMusicNamesTheirSetter)
{
    g_GameAI.SetVariable("wymus_muzyke", Object());
    g_GameAI.UnsetVariable("zabron_muzyke", Object());
    g_GameAI.SetVariable("quiet", nullptr);
    auto log = Log();
    EXPECT_TRUE(Contains(log, "wymus_muzyke SET by trigger_box"));
    EXPECT_TRUE(Contains(log, "zabron_muzyke UNSET by trigger_box"));
    EXPECT_FALSE(Contains(log, "zmienna quiet set!"));

    g_Options.Debug = 1;
    g_GameAI.SetVariable("loud", nullptr);
    g_GameAI.SetVariable("loud", Object());
    g_GameAI.UnsetVariable("loud", nullptr);
    g_GameAI.UnsetVariable("loud", Object());
    log = Log();
    EXPECT_TRUE(Contains(log, "zmienna loud set!"));
    EXPECT_TRUE(Contains(log, "zmienna loud set by trigger_box"));
    EXPECT_TRUE(Contains(log, "zmienna loud unset!"));
    EXPECT_TRUE(Contains(log, "zmienna loud unset by trigger_box"));
}

TEST_F(Variables, TheReportFileIsWrittenWholeOnceAFrameWithEveryLineOfThatFrame)
{
    g_GameAI.SetVariable("before", nullptr);
    g_GameAI.FlushReport();
    EXPECT_FALSE(m_dir->Exists("!variables.txt"));

    // A line an earlier run left stays in front.
    m_dir->Write("!variables.txt", "zmienna old set\n");
    g_Options.RaportVariables = 1;
    g_GameAI.SetVariable("alarm", Object());
    g_GameAI.SetVariable("alarm", nullptr);
    // Nothing is written while the frame goes on.
    EXPECT_EQ(m_dir->Read("!variables.txt"), "zmienna old set\n");
    g_GameAI.FlushReport();
    EXPECT_EQ(m_dir->Read("!variables.txt"), "zmienna old set\nzmienna alarm set by trigger_box\n"
                                             "zmienna alarm set\n");

    // The next frame's lines follow; a frame without any writes nothing.
    g_GameAI.UnsetVariable("alarm", Object());
    g_GameAI.UnsetVariable("alarm", nullptr);
    g_GameAI.FlushReport();
    const std::string whole = "zmienna old set\nzmienna alarm set by trigger_box\nzmienna alarm set\n"
                              "zmienna alarm unset by trigger_box\nzmienna alarm unset\n";
    EXPECT_EQ(m_dir->Read("!variables.txt"), whole);
    m_dir->Write("!variables.txt", "changed by hand\n");
    g_GameAI.FlushReport();
    EXPECT_EQ(m_dir->Read("!variables.txt"), "changed by hand\n");
    EXPECT_FALSE(m_dir->Exists("!variables.tmp"));
}

TEST_F(Variables, TheGameLayerWritesTheReportOnceAFrameAndAtItsEnd)
{
    g_Options.RaportVariables = 1;
    g_FocusMgr.m_bOnFocus = 1;
    g_MainGame.active = 1;
    g_GameAI.SetVariable("alarm", nullptr);
    EXPECT_FALSE(m_dir->Exists("!variables.txt"));
    g_MainGame.Update();
    EXPECT_EQ(m_dir->Read("!variables.txt"), "zmienna alarm set\n");
    g_GameAI.UnsetVariable("alarm", nullptr);
    g_MainGame.Release();
    EXPECT_EQ(m_dir->Read("!variables.txt"), "zmienna alarm set\nzmienna alarm unset\n");
}

TEST_F(Variables, AReportThatCannotBeReplacedIsLeftAsItWasAndSaidSo)
{
    // A folder in the report's place cannot be replaced by a file.
    std::filesystem::create_directory(m_dir->path() / "!variables.txt");
    g_Options.RaportVariables = 1;
    g_GameAI.SetVariable("alarm", nullptr);
    g_GameAI.FlushReport();
    EXPECT_TRUE(std::filesystem::is_directory(m_dir->path() / "!variables.txt"));
    EXPECT_FALSE(m_dir->Exists("!variables.tmp"));
    EXPECT_TRUE(Contains(Log(), "ERROR: cannot write !variables.txt"));
    // The variable itself is set all the same.
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm"));
}

TEST_F(Variables, ARedeclarationIsFoundInsteadOfTheRecordItSupersedes)
{
    for (DWORD type : {strzmienne::TYPE_COUNTER, strzmienne::TYPE_INT})
    {
        const char* name = type == strzmienne::TYPE_INT ? "Kills" : "Timer";
        strzmienne* old = g_GameAI.DeclareVariable(name, type);
        // Looked up once, so the lookup remembers it.
        ASSERT_EQ(g_GameAI.FindVariable(name), old);
        strzmienne* newer = g_GameAI.DeclareVariable(name, type);
        ASSERT_NE(newer, old);
        EXPECT_EQ(g_GameAI.FindVariable(name), newer) << name;
        // Other spellings of the same name too.
        const std::string upper = std::string(1, name[0]) + "IMER";
        if (type == strzmienne::TYPE_COUNTER)
            EXPECT_EQ(g_GameAI.FindVariable(upper.c_str()), newer);
        // A set reaches the newer record and leaves the older one alone.
        newer->seconds = 2.0f;
        newer->value = 5;
        old->seconds = 2.0f;
        old->value = 5;
        g_GameAI.SetVariable(name, nullptr);
        if (type == strzmienne::TYPE_INT)
            EXPECT_EQ(newer->value, 0);
        else
            EXPECT_FLOAT_EQ(newer->seconds, 0.0f);
        EXPECT_EQ(old->value, 5);
        EXPECT_FLOAT_EQ(old->seconds, 2.0f);
    }
}

TEST_F(Variables, SavedVariablesComeBackWithTheirValuesButWithoutSetters)
{
    strzmienne* counter = g_GameAI.DeclareVariable("timer", strzmienne::TYPE_COUNTER);
    strzmienne* number = g_GameAI.DeclareVariable("kills", strzmienne::TYPE_INT);
    g_GameAI.SetVariable("alarm", Object());
    g_GameAI.AdvanceCounters(1.5f);
    number->value = -12;

    const std::string path = (m_dir->path() / "vars.sav").string();
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(g_GameAI.SaveVariables(out));
    ASSERT_TRUE(CloseSaveFile(out));

    // A fresh run: only the counter was declared again, and changed since.
    g_GameAI.Init();
    strzmienne* again = g_GameAI.DeclareVariable("timer", strzmienne::TYPE_COUNTER);
    g_GameAI.AdvanceCounters(9.0f);
    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(g_GameAI.LoadVariables(in));
    std::fclose(in);
    EXPECT_FLOAT_EQ(again->seconds, 1.5f);
    const strzmienne* kills = g_GameAI.FindVariable("kills");
    ASSERT_NE(kills, nullptr);
    EXPECT_EQ(kills->type, strzmienne::TYPE_INT);
    EXPECT_EQ(kills->value, -12);
    HOBJECT setter = Object();
    EXPECT_TRUE(g_GameAI.IsVariableSet("alarm", &setter));
    EXPECT_EQ(setter, nullptr);
    (void)counter;
}

TEST_F(Variables, ATruncatedOrUnterminatedSaveEndsTheLoadWithoutRunningOn)
{
    g_GameAI.SetVariable("alarm", nullptr);
    g_GameAI.SetVariable("bridge", nullptr);
    const std::string path = (m_dir->path() / "vars.sav").string();
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(g_GameAI.SaveVariables(out));
    ASSERT_TRUE(CloseSaveFile(out));
    const auto size = std::filesystem::file_size(path);

    // Every cut short of the closing byte fails the load.
    for (auto keep : {size - 1, size / 2, decltype(size)(1), decltype(size)(0)})
    {
        std::filesystem::resize_file(path, keep);
        g_GameAI.Init();
        FILE* in = std::fopen(path.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        EXPECT_FALSE(g_GameAI.LoadVariables(in)) << keep;
        std::fclose(in);
        EXPECT_LE(VariableCount(), 2);
    }

    // A name that fills its 64 bytes is ended at 63 characters.
    out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    const BYTE one = 1, zero = 0;
    char name[strzmienne::NAME_SIZE];
    std::memset(name, 'n', sizeof name);
    WriteBytes(out, &one, 1);
    WriteBytes(out, name, sizeof name);
    WriteDword(out, strzmienne::TYPE_BOOL);
    WriteFloat(out, 0.0f);
    WriteBytes(out, &one, 1);
    WriteDword(out, 0);
    WriteBytes(out, &zero, 1);
    ASSERT_TRUE(CloseSaveFile(out));
    g_GameAI.Init();
    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(g_GameAI.LoadVariables(in));
    std::fclose(in);
    ASSERT_EQ(VariableCount(), 1);
    EXPECT_EQ(std::string(g_GameAI.m_pVariables->name), std::string(strzmienne::NAME_SIZE - 1, 'n'));
    EXPECT_EQ(g_GameAI.m_pVariables->isSet, 1);
}
