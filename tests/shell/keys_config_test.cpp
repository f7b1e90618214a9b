// "save\keys.cfg" and the key-command table.
#include "support/BuildPaths.h"
#include "input_fixture.h"

#include "platform/dinput/DInput.h"
#include "platform/win32/Input.h"
#include "support/LittleEndian.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
using KeysConfigTest = InputTest;

constexpr size_t kFileBytes = 2114;
const char* const kFile = "save/keys.cfg";

size_t BindingAt(int command, int key)
{
    return 4 + static_cast<size_t>(command) * 8 + static_cast<size_t>(key) * 4;
}

// A whole version-6 file with no key bound and every option set apart from
// its default.
std::string CustomFile()
{
    std::string s(kFileBytes, '\0');
    PutLe32(s, 0, 6);
    PutLe32(s, BindingAt(3, 0), DIK_I);
    PutLe32(s, BindingAt(3, 1), DIK_K);
    PutLe32(s, BindingAt(19, 0), 257);
    PutLe32(s, BindingAt(259, 1), 258);
    s[2084] = 1;
    PutLeFloat(s, 2085, 0.75f);
    PutLeFloat(s, 2089, 0.5f);
    s[2093] = 0;
    s[2094] = 0;
    s[2095] = 0;
    PutLeFloat(s, 2096, 0.25f);
    PutLeFloat(s, 2100, 0.125f);
    PutLeFloat(s, 2104, 1.5f);
    s[2108] = 0;
    PutLeFloat(s, 2109, 0.625f);
    s[2113] = 7;
    return s;
}

// The default bindings of a missing or outdated file: both keys of each
// bound command, and that nothing else is bound.
void ExpectDefaultBindings()
{
    struct Case
    {
        int command;
        DWORD first;
        DWORD second;
    };
    const Case cases[] = {
        {1, DIK_LSHIFT, 0},    {3, DIK_W, DIK_UP}, {4, DIK_S, DIK_DOWN},
        {5, DIK_A, 0},         {6, DIK_D, 0},      {8, DIK_SPACE, 0},
        {9, DIK_L, 0},         {10, DIK_GRAVE, 0}, {11, DIK_ESCAPE, 0},
        {12, DIK_F10, 0},      {13, DIK_F8, 0},    {14, 257, 0},
        {15, DIK_1, 0},        {16, DIK_G, 0},     {17, DIK_Q, 0},
        {18, DIK_E, 0},        {19, 256, 0},       {23, DIK_RBRACKET, 0},
        {24, DIK_LBRACKET, 0}, {25, DIK_R, 0},     {34, DIK_LCONTROL, DIK_C},
        {37, DIK_F1, 0},       {64, DIK_HOME, 0},  {65, DIK_END, 0},
        {66, DIK_F5, 0},       {67, DIK_F9, 0},    {68, DIK_F2, 0},
        {69, DIK_F3, 0},       {70, DIK_H, 0},     {71, DIK_TAB, DIK_O},
        {72, DIK_F4, 0},       {73, DIK_F5, 0},
    };
    int bound = 0;
    for (const Case& c : cases)
    {
        EXPECT_EQ(g_CommandMgr.m_dwBindings[c.command][0], c.first) << "command " << c.command;
        EXPECT_EQ(g_CommandMgr.m_dwBindings[c.command][1], c.second) << "command " << c.command;
    }
    for (const auto& command : g_CommandMgr.m_dwBindings)
        bound += (command[0] != 0) + (command[1] != 0);
    EXPECT_EQ(bound, 36);
}

TEST_F(KeysConfigTest, MissingOrOutdatedFileGivesTheDefaultsAndIsWrittenAnew)
{
    std::string version5 = CustomFile();
    PutLe32(version5, 0, 5);
    std::string cutInBindings = CustomFile().substr(0, 1000);
    const StoredFile cases[] = {
        {"missing", false, ""},
        {"version 5", true, version5},
        {"empty", true, ""},
        {"two bytes", true, std::string("\x06\x00", 2)},
        {"cut among the bindings", true, cutInBindings},
    };
    for (const StoredFile& c : cases)
    {
        SCOPED_TRACE(c.name);
        Store(kFile, c);
        std::memset(g_CommandMgr.m_dwBindings, 0xAB, sizeof g_CommandMgr.m_dwBindings);
        Mark();
        g_CommandMgr.LoadKeys();
        ExpectDefaultBindings();
        const std::string written = m_dir->Read(kFile);
        ASSERT_EQ(written.size(), kFileBytes);
        EXPECT_EQ(Le32(written, 0), 6u);
        EXPECT_EQ(Le32(written, BindingAt(19, 0)), 256u);
        EXPECT_EQ(Le32(written, BindingAt(3, 1)), static_cast<DWORD>(DIK_UP));
        // Only a damaged file is worth a line; the first start is not.
        EXPECT_EQ(Printed("save\\keys.cfg"), c.present) << g_Console.GetLine(EConsole::RING_LINES - 1);
    }
}

TEST_F(KeysConfigTest, DefaultFileHoldsTheOptionsAtTheirPlaces)
{
    g_Options.MouseOption = 1;
    g_Options.MouseSensitivity = 0.3f;
    g_Options.MenuValueA = 0.9f;
    g_Options.MusicOn = 0;
    g_Options.sound = 1;
    g_Options.SubtitlesOn = 0;
    g_Options.MusicVolume = 0.1f;
    g_Options.MasterVolume = 0.2f;
    g_Camera.SetGamma(2.0f);
    g_Options.KeyOption = 0;
    g_Options.Brightness = 1.25f;
    PlayerStats.m_bRealisticUnlocked = 0x5A;
    g_CommandMgr.SetDefaultKeys();
    g_CommandMgr.SaveKeys();
    const std::string s = m_dir->Read(kFile);
    ASSERT_EQ(s.size(), kFileBytes);
    EXPECT_EQ(s[2084], 1);
    EXPECT_FLOAT_EQ(LeFloat(s, 2085), 0.3f);
    EXPECT_FLOAT_EQ(LeFloat(s, 2089), 0.9f);
    EXPECT_EQ(s[2093], 0);
    EXPECT_EQ(s[2094], 1);
    EXPECT_EQ(s[2095], 0);
    EXPECT_FLOAT_EQ(LeFloat(s, 2096), 0.1f);
    EXPECT_FLOAT_EQ(LeFloat(s, 2100), 0.2f);
    EXPECT_FLOAT_EQ(LeFloat(s, 2104), 2.0f);
    EXPECT_EQ(s[2108], 0);
    EXPECT_FLOAT_EQ(LeFloat(s, 2109), 1.25f);
    EXPECT_EQ(static_cast<unsigned char>(s[2113]), 0x5Au);
    EXPECT_EQ(Le32(s, BindingAt(14, 0)), 257u);
}

TEST_F(KeysConfigTest, RoundTripKeepsEveryBindingAndSetting)
{
    m_dir->Write(kFile, CustomFile());
    g_CommandMgr.LoadKeys();
    EXPECT_EQ(g_CommandMgr.m_dwBindings[3][0], static_cast<DWORD>(DIK_I));
    EXPECT_EQ(g_CommandMgr.m_dwBindings[3][1], static_cast<DWORD>(DIK_K));
    EXPECT_EQ(g_CommandMgr.m_dwBindings[19][0], 257u);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[259][1], 258u);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[4][0], 0u);
    EXPECT_EQ(g_Options.MouseOption, 1);
    EXPECT_FLOAT_EQ(g_Options.MouseSensitivity, 0.75f);
    EXPECT_FLOAT_EQ(g_Options.MenuValueA, 0.5f);
    EXPECT_EQ(g_Options.MusicOn, 0);
    EXPECT_EQ(g_Options.sound, 0);
    EXPECT_EQ(g_Options.SubtitlesOn, 0);
    EXPECT_FLOAT_EQ(g_Options.MusicVolume, 0.25f);
    EXPECT_FLOAT_EQ(g_Options.MasterVolume, 0.125f);
    EXPECT_FLOAT_EQ(g_Camera.GetGamma(), 1.5f);
    EXPECT_EQ(g_Options.KeyOption, 0);
    EXPECT_FLOAT_EQ(g_Options.Brightness, 0.625f);
    EXPECT_EQ(PlayerStats.m_bRealisticUnlocked, 7);

    // Written back, the file is the same byte for byte.
    std::filesystem::remove(kFile);
    g_CommandMgr.SaveKeys();
    EXPECT_EQ(m_dir->Read(kFile), CustomFile());
}

TEST_F(KeysConfigTest, FileEndingAfterTheVolumesGivesGammaOneAndKeepsTheRest)
{
    g_Camera.SetGamma(2.5f);
    g_Options.Brightness = 0.5f;
    m_dir->Write(kFile, CustomFile().substr(0, 2104));
    g_CommandMgr.LoadKeys();
    EXPECT_FLOAT_EQ(g_Camera.GetGamma(), 1.0f);
    EXPECT_FLOAT_EQ(g_Options.MasterVolume, 0.125f);
    EXPECT_FLOAT_EQ(g_Options.MouseSensitivity, 0.75f);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[3][0], static_cast<DWORD>(DIK_I));
    EXPECT_FLOAT_EQ(g_Options.Brightness, 0.5f);
    // Such a file is read as it is, not replaced.
    EXPECT_EQ(m_dir->Read(kFile).size(), 2104u);
}

// Floats of a file of the right version that no player could have set: an
// infinite sensitivity once made the view's turn NaN for good after one poll.
TEST_F(KeysConfigTest, FloatsOutOfRangeAreHeldOrTakeTheirDefaults)
{
    struct Case
    {
        const char* name;
        size_t at;
        float stored;
        float* field; // null: the gamma
        float expected;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {"mouse sensitivity", 2085, inf, &g_Options.MouseSensitivity, 0.4f},
        {"mouse sensitivity", 2085, nan, &g_Options.MouseSensitivity, 0.4f},
        {"mouse sensitivity", 2085, -3.0f, &g_Options.MouseSensitivity, 0.0f},
        {"music volume", 2096, nan, &g_Options.MusicVolume, 0.65f},
        {"music volume", 2096, -0.5f, &g_Options.MusicVolume, 0.0f},
        {"master volume", 2100, 7.0f, &g_Options.MasterVolume, 1.0f},
        {"gamma", 2104, -inf, nullptr, 1.0f},
        {"brightness", 2109, nan, &g_Options.Brightness, 1.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
        std::string s = CustomFile();
        PutLeFloat(s, c.at, c.stored);
        m_dir->Write(kFile, s);
        Mark();
        g_CommandMgr.LoadKeys();
        EXPECT_FLOAT_EQ(c.field ? *c.field : g_Camera.GetGamma(), c.expected);
        EXPECT_TRUE(Printed(std::string("save\\keys.cfg: ") + c.name));
        // The other floats of the file are read as stored.
        EXPECT_FLOAT_EQ(g_Options.MenuValueA, 0.5f);
    }
}

TEST_F(KeysConfigTest, AnInfiniteSensitivityNeverMakesTheViewNaN)
{
    std::string s = CustomFile();
    PutLeFloat(s, 2085, std::numeric_limits<float>::infinity());
    m_dir->Write(kFile, s);
    g_CommandMgr.LoadKeys();
    ASSERT_TRUE(g_Mouse.Create(g_hWnd));
    g_Mouse.m_State = EMouseState();
    TkInjectMouseMove(10, 10);
    RunTimerTicks(2); // a poll with movement, then an idle one
    EXPECT_TRUE(std::isfinite(g_Mouse.m_State.x));
    EXPECT_TRUE(std::isfinite(g_Mouse.m_State.y));
}

TEST_F(KeysConfigTest, CodesOutsideTheKeyTableAreUnbound)
{
    std::string s = CustomFile();
    PutLe32(s, BindingAt(3, 0), 260);
    PutLe32(s, BindingAt(5, 1), 0xFFFFFFFF);
    PutLe32(s, BindingAt(259, 0), 0x80000000);
    m_dir->Write(kFile, s);
    g_CommandMgr.LoadKeys();
    EXPECT_EQ(g_CommandMgr.m_dwBindings[3][0], 0u);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[3][1], static_cast<DWORD>(DIK_K));
    EXPECT_EQ(g_CommandMgr.m_dwBindings[5][1], 0u);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[259][0], 0u);
    EXPECT_TRUE(Printed("3 key codes outside the key table"));
    // The command still answers, from its other key only.
    g_CommandMgr.m_bKeyState[DIK_K] = 1;
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(3));
    g_CommandMgr.m_bKeyState[DIK_K] = 0;
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(3));
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(5));
}

TEST_F(KeysConfigTest, LongerFileIsReadAndReported)
{
    m_dir->Write(kFile, CustomFile() + "trailing bytes");
    g_CommandMgr.LoadKeys();
    EXPECT_EQ(g_CommandMgr.m_dwBindings[19][0], 257u);
    EXPECT_EQ(PlayerStats.m_bRealisticUnlocked, 7);
    EXPECT_TRUE(Printed("too long"));
}

TEST_F(KeysConfigTest, KeyNamesComeFromTextKeysAfterDefaultsAndAfterLoading)
{
    m_dir->Write("scripts/text_keys.txt", ">CMDW Dubbelyou\n>CMDMButton1 Right button\n>CMDAlt Alt key\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    g_CommandMgr.SetDefaultKeys();
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_W], "Dubbelyou");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[257], "Right button");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_LMENU], "Alt key");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_A], "");  // a text key the table lacks
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_F1], ""); // a key without a name

    std::memset(g_CommandMgr.m_szKeyNames, 0, sizeof g_CommandMgr.m_szKeyNames);
    m_dir->Write(kFile, CustomFile());
    g_CommandMgr.LoadKeys();
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_W], "Dubbelyou");
}

TEST_F(KeysConfigTest, ShippedTextKeysNameEveryNamedKey)
{
    Mark();
    g_TextMgr.Load((tk::test::DataDir() / "scripts/text_keys.txt").string().c_str());
    EXPECT_FALSE(Printed("ERROR"));
    g_CommandMgr.SetDefaultKeys();
    int named = 0;
    for (const auto& name : g_CommandMgr.m_szKeyNames)
        named += name[0] != 0;
    EXPECT_EQ(named, 67);
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_EQUALS], "=");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_COMMA], ",");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[DIK_ADD], "Num +");
    EXPECT_STREQ(g_CommandMgr.m_szKeyNames[256], "Left Mouse Button");
}

TEST_F(KeysConfigTest, CommandsOutsideTheTableAreNeverDown)
{
    g_CommandMgr.SetDefaultKeys();
    for (int code = 0; code < CCommandMgr::KEY_CODES; ++code)
        g_CommandMgr.m_bKeyState[code] = 1;
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(0)); // command 0 has no key
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(259));
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(3));
    for (int command : {260, 261, 1000, -1, -260})
        EXPECT_FALSE(g_CommandMgr.IsCommandDown(command)) << command;
    // An offset that leaves the key table answers up, never reads past it.
    g_CommandMgr.m_dwBindings[7][0] = 258;
    EXPECT_TRUE(g_CommandMgr.IsCommandDown(7, 1));
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(7, 2));
    EXPECT_FALSE(g_CommandMgr.IsCommandDown(7, -300));
}

TEST_F(KeysConfigTest, SaveFolderIsMadeWhenMissing)
{
    ASSERT_FALSE(m_dir->Exists("save"));
    g_CommandMgr.SetDefaultKeys();
    g_CommandMgr.SaveKeys();
    EXPECT_EQ(m_dir->Read(kFile).size(), kFileBytes);
}
} // namespace

namespace
{
TEST_F(KeysConfigTest, SavingReplacesTheFileWholeAndAFailedWriteKeepsTheOldOne)
{
    m_dir->Write(kFile, CustomFile());
    g_CommandMgr.SetDefaultKeys();
    g_CommandMgr.SaveKeys();
    const std::string written = m_dir->Read(kFile);
    ASSERT_EQ(written.size(), kFileBytes);
    EXPECT_NE(written, CustomFile());
    EXPECT_FALSE(m_dir->Exists("save/keys.cfg.tmp"));

    // The temporary name is taken by a folder: the write fails and the
    // settings already saved stay as they were.
    std::filesystem::create_directories("save/keys.cfg.tmp/x");
    g_CommandMgr.m_dwBindings[3][0] = DIK_I;
    g_CommandMgr.SaveKeys();
    EXPECT_EQ(m_dir->Read(kFile), written);
    EXPECT_TRUE(Printed("could not be written"));
}
} // namespace
