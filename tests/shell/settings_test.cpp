// The settings: every name of the setter, the settings files and bad input.
#include "support/BuildPaths.h"
#include "shell/console_fixture.h"

#include "shell/Orientation.h"

#include <cfloat>
#include <climits>
#include <cstring>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace
{
class Settings : public DataFolderTest
{
protected:
    static float Variable(const char* name)
    {
        float value = 0.0f;
        g_Console.GetVariable(name, &value);
        return value;
    }

    static void Apply(const char* name, const char* value) { g_Console.ApplySetting(name, value, 0); }
};

// Plain settings, a few of each kind: a byte, an int or a float of the
// options or of another manager. Each must reach its field (a byte as 0 or 1,
// an int cut as atoi reads it), keep the number as a console variable, and
// change nothing else of the record it writes into.
struct FieldCase
{
    const char* name; // as a player may type it: case does not matter
    const char* value;
    const void* record; // the manager's record that holds the field
    size_t recordSize;
    const void* field;
    size_t fieldSize;
    float expected; // the field's value afterwards
    float variable; // the console variable's
};

template <typename Record, typename Field>
FieldCase Plain(const char* name, const char* value, const Record& record, const Field& field, float expected,
                float variable)
{
    return {name, value, &record, sizeof record, &field, sizeof field, expected, variable};
}

template <typename Field> float Read(const void* field)
{
    Field value;
    std::memcpy(&value, field, sizeof value);
    return static_cast<float>(value);
}

TEST_F(Settings, PlainSettingsReachTheirFieldAndTheirVariable)
{
    GameOptions& o = g_Options;
    o.DrawFPS = 0;
    PostProcess.NormalOnly = 0;
    struct Row
    {
        FieldCase c;
        float (*read)(const void*);
    };
    const std::vector<Row> rows = {
        {Plain("drawfps", "7", o, o.DrawFPS, 1.0f, 7.0f), Read<BYTE>},
        {Plain("NORMALONLY", "1", PostProcess, PostProcess.NormalOnly, 1.0f, 1.0f), Read<BYTE>},
        {Plain("Debug", "3", o, o.Debug, 3.0f, 3.0f), Read<int>},
        {Plain("instancesboundary", "-12", g_Renderer, g_Renderer.m_iInstancesBoundary, -12.0f, -12.0f),
         Read<int>},
        {Plain("Profiler", "2.9", g_Profiler, g_Profiler.m_iReport, 2.0f, 2.9f), Read<int>},
        {Plain("MuchaSpeed", "12.75", o, o.MuchaSpeed, 12.75f, 12.75f), Read<float>},
        {Plain("SkyFogHeight", "-0.5", Env, Env.SkyFogHeight, -0.5f, -0.5f), Read<float>},
        {Plain("FogDistCoef", "1e3", PostProcess, PostProcess.FogDistCoef, 1000.0f, 1000.0f), Read<float>},
    };
    for (const Row& row : rows)
    {
        const FieldCase& c = row.c;
        SCOPED_TRACE(c.name);
        const auto* record = static_cast<const unsigned char*>(c.record);
        const std::vector<unsigned char> before(record, record + c.recordSize);
        Apply(c.name, c.value);
        EXPECT_EQ(row.read(c.field), c.expected);
        float variable = 0.0f;
        ASSERT_TRUE(g_Console.GetVariable(c.name, &variable));
        EXPECT_FLOAT_EQ(variable, c.variable);
        const size_t fieldAt = static_cast<size_t>(static_cast<const unsigned char*>(c.field) - record);
        for (size_t k = 0; k < c.recordSize; ++k)
        {
            if (k < fieldAt || k >= fieldAt + c.fieldSize)
            {
                ASSERT_EQ(record[k], before[k]) << "byte " << k << " of the record changed";
            }
        }
    }
}

struct ActionCase
{
    const char* name;
    const char* value;
    std::function<void()> check;
};

TEST_F(Settings, EveryActionNameHasItsEffect)
{
    WeaponView view;
    Bronie.m_pWeaponView = &view;
    const int deadRequests = PMgr.m_iDeleteDeadRequests;
    const DWORD projections = g_Camera.m_iProjectionUpdates;

    const std::vector<ActionCase> cases = {
        {"credits", "1", [] { EXPECT_EQ(Variable("credits"), 1.0f); }},
        {"VPLR", "51", [] { EXPECT_FLOAT_EQ(g_SkyLights.m_fColorScale[0], 0.2f); }},
        {"VPLG", "102", [] { EXPECT_FLOAT_EQ(g_SkyLights.m_fColorScale[1], 0.4f); }},
        {"VPLB", "255", [] { EXPECT_FLOAT_EQ(g_SkyLights.m_fColorScale[2], 1.0f); }},
        {"FogMax", "0.25", [] { EXPECT_FLOAT_EQ(Env.GetFogMax(nullptr), 0.25f); }},
        {"DeleteNotImportant", "1", [] { EXPECT_EQ(Line(), "Deleted NotImportant: 0"); }},
        {"DeleteWindows", "1", [] { EXPECT_EQ(Line(), "Deleted windows: 0"); }},
        {"developer", "1", [] { EXPECT_EQ(Line(), "Developer system enabled."); }},
        {"CombatMode", "1", [] { EXPECT_EQ(PlayerStats.m_bCombatMode, 1); }},
        {"Teleport", "nobody",
         []
         {
             EXPECT_EQ(Player.m_vPosition.y, 0.0f);
             EXPECT_NE(g_Console.FindVariable("Teleport"), nullptr);
         }},
        {"WipeOut", "150", [] { EXPECT_EQ(Line(0), "WipeOut complete for 150.000000"); }},
        {"Gimme", "ak47",
         []
         {
             // No catalogue is loaded here: the gift reaches the item manager, which says so.
             EXPECT_EQ(Line(), "No dsc found for ak47");
         }},
        {"Health", "55.5", [] { EXPECT_EQ(PlayerStats.m_fHealth, 55.5f); }},
        {"SectorShow", "3", [] { EXPECT_EQ(Variable("SectorShow"), 3.0f); }},
        {"SectorHide", "4", [] { EXPECT_EQ(Variable("SectorHide"), 4.0f); }},
        {"SectorShowAll", "1", [] { EXPECT_EQ(Variable("SectorShowAll"), 1.0f); }},
        {"AODepth", "40", [] { EXPECT_EQ(PostProcess.AODepth, 40.0f); }},
        {"AOIntensity", "0.25", [] { EXPECT_EQ(PostProcess.AOIntensity, 250.0f); }},
        {"BloomCone", "7",
         []
         {
             EXPECT_EQ(PostProcess.BloomCone, 7.0f);
             EXPECT_EQ(PostProcess.BloomPower, 0.0f); // no "BloomPower" variable yet
         }},
        {"BloomPower", "0.5",
         []
         {
             EXPECT_EQ(PostProcess.BloomCone, 7.0f);
             EXPECT_EQ(PostProcess.BloomPower, 0.5f);
         }},
        {"CutScene", "intro", [] { EXPECT_TRUE(Printed("No cut-scene named intro")); }},
        {"BezierCamera", "flight", [] { EXPECT_STREQ(g_BezierCamera.m_szPath, "flight"); }},
        {"DeleteDead", "1", [&] { EXPECT_EQ(PMgr.m_iDeleteDeadRequests, deadRequests + 1); }},
        {"Action", "door", [] { EXPECT_FALSE(Printed("obiektu door")); }},
        {"BronX", "1", [&] { EXPECT_EQ(view.offset[0], 1.0f); }},
        {"BronAX", "2", [&] { EXPECT_EQ(view.angle[0], 2.0f); }},
        {"BronY", "3", [&] { EXPECT_EQ(view.offset[1], 3.0f); }},
        {"BronAY", "4", [&] { EXPECT_EQ(view.angle[1], 4.0f); }},
        {"BronZ", "5", [&] { EXPECT_EQ(view.offset[2], 5.0f); }},
        {"BronAZ", "6", [&] { EXPECT_EQ(view.angle[2], 6.0f); }},
        {"BronRX", "7", [&] { EXPECT_EQ(view.offset[2], 7.0f); }},
        {"BronRAX", "8", [&] { EXPECT_EQ(view.angle[0], 8.0f); }},
        {"BronRY", "9", [&] { EXPECT_EQ(view.offset[0], 9.0f); }},
        {"BronRAY", "10", [&] { EXPECT_EQ(view.offset[1], 10.0f); }},
        {"DebugLights", "3.9", [] { EXPECT_EQ(g_Options.DebugLights, 3); }},
        {"FOV", "0.8",
         [&]
         {
             EXPECT_FLOAT_EQ(g_Options.FOV, 0.8f);
             EXPECT_FLOAT_EQ(g_Options.FOV2, 0.8f);
             EXPECT_EQ(g_Camera.m_iProjectionUpdates, projections + 1);
         }},
        {"runworld", "worlds\\b.w",
         []
         {
             EXPECT_STREQ(g_Options.runworld, "worlds\\b.w");
             EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\b.w");
         }},
        {"numconsolelines", "9", [] { EXPECT_EQ(g_Console.m_iRecentLines, 9u); }},
        {"farz", "5000", [] { EXPECT_EQ(g_Camera.GetFarPlane(), 5000.0f); }},
        {"fogr", "10", [] { EXPECT_EQ(Env.m_dwFogColor, 0x000A0000u); }},
        {"fogg", "20", [] { EXPECT_EQ(Env.m_dwFogColor, 0x000A1400u); }},
        {"fogb", "30", [] { EXPECT_EQ(Env.m_dwFogColor, 0x000A141Eu); }},
        {"fog", "1 2 3", [] { EXPECT_EQ(Env.m_dwFogColor, 0x00010203u); }},
        {"ambientr", "16", [] { EXPECT_EQ(Env.m_dwAmbient, 0x00100000u); }},
        {"ambientg", "32", [] { EXPECT_EQ(Env.m_dwAmbient, 0x00102000u); }},
        {"ambientb", "48", [] { EXPECT_EQ(Env.m_dwAmbient, 0x00102030u); }},
        {"ambient", "4 5 6", [] { EXPECT_EQ(Env.m_dwAmbient, 0x00040506u); }},
        {"skylightr", "255", [] { EXPECT_EQ(Env.m_dwSkyLight, 0x00FF0000u); }},
        {"skylightg", "128", [] { EXPECT_EQ(Env.m_dwSkyLight, 0x00FF8000u); }},
        {"skylightb", "1", [] { EXPECT_EQ(Env.m_dwSkyLight, 0x00FF8001u); }},
        {"SkyLight", "7 8 9", [] { EXPECT_EQ(Env.m_dwSkyLight, 0x00070809u); }},
        {"SkyLightRotation", "90",
         []
         {
             EXPECT_NEAR(Env.m_vSkyLightDir.x, 1.0f, 1e-6f);
             EXPECT_NEAR(Env.m_vSkyLightDir.y, 0.0f, 1e-6f);
             EXPECT_NEAR(Env.m_vSkyLightDir.z, 0.0f, 1e-6f);
         }},
        {"SkyLightPitch", "90",
         []
         {
             EXPECT_NEAR(Env.m_vSkyLightDir.x, 0.0f, 1e-6f);
             EXPECT_NEAR(Env.m_vSkyLightDir.y, -1.0f, 1e-6f);
         }},
        {"LensFlareRotation", "180",
         []
         {
             EXPECT_NEAR(Env.m_vLensFlareDir.x, 0.0f, 1e-6f);
             EXPECT_NEAR(Env.m_vLensFlareDir.z, -1.0f, 1e-6f);
         }},
        {"LensFlarePitch", "-30",
         []
         {
             EXPECT_NEAR(Env.m_vLensFlareDir.y, 0.5f, 1e-6f);
             EXPECT_NEAR(Env.m_vLensFlareDir.z, -std::sqrt(3.0f) / 2.0f, 1e-6f);
         }},
        {"Gamma", "2",
         []
         {
             EXPECT_EQ(g_Camera.GetGamma(), 2.0f);
             EXPECT_EQ(g_Camera.m_fGammaBlue, 2.0f);
         }},
        {"GammaR", "1.5", [] { EXPECT_EQ(g_Camera.m_fGammaRed, 1.5f); }},
        {"GammaG", "1.25", [] { EXPECT_EQ(g_Camera.m_fGammaGreen, 1.25f); }},
        {"GammaB", "0.75", [] { EXPECT_EQ(g_Camera.m_fGammaBlue, 0.75f); }},
    };
    for (const ActionCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        Apply(c.name, c.value);
        c.check();
    }
}

TEST_F(Settings, SunAndFlareDirectionsAreTheForwardAxisOfTheirOrientation)
{
    struct Angles
    {
        const char* yaw;
        const char* pitch;
        float yawDegrees;
        float pitchDegrees;
    };
    const float toRadians = 3.14159265358979f / 180.0f;
    for (const Angles& a : {Angles{"30", "45", 30.0f, 45.0f}, Angles{"-120", "-20", -120.0f, -20.0f},
                            Angles{"200", "75", 200.0f, 75.0f}})
    {
        EOrientation expected;
        expected.SetYawPitchRoll(a.yawDegrees * toRadians, a.pitchDegrees * toRadians, 0.0f);
        g_Console.ApplySetting("SkyLightRotation", a.yaw, 0);
        g_Console.ApplySetting("SkyLightPitch", a.pitch, 0);
        g_Console.ApplySetting("LensFlarePitch", a.pitch, 0);
        g_Console.ApplySetting("LensFlareRotation", a.yaw, 0);
        for (const D3DVECTOR& d : {Env.m_vSkyLightDir, Env.m_vLensFlareDir})
        {
            EXPECT_NEAR(d.x, expected.Forward.x, 1e-5f) << a.yaw << " " << a.pitch;
            EXPECT_NEAR(d.y, expected.Forward.y, 1e-5f) << a.yaw << " " << a.pitch;
            EXPECT_NEAR(d.z, expected.Forward.z, 1e-5f) << a.yaw << " " << a.pitch;
        }
    }
}

TEST_F(Settings, DrawProjectorsClearsBothBytes)
{
    Apply("DrawProjectors", "0");
    EXPECT_EQ(g_Options.DrawProjectors, 0);
    EXPECT_EQ(g_Options.DrawProjectors2, 0);
    Apply("drawprojectors", "1");
    EXPECT_EQ(g_Options.DrawProjectors, 1);
    EXPECT_EQ(g_Options.DrawProjectors2, 1);
}

TEST_F(Settings, FogNamesAnActionNotAValue)
{
    Apply("fog", "10 20 30");
    EXPECT_EQ(Env.m_dwFogColor, 0x000A141Eu);
    EXPECT_EQ(g_Camera.m_dwFogColor, 0x000A141Eu);
    EXPECT_EQ(Variable("FogR"), 10.0f);
    EXPECT_EQ(Variable("FogG"), 20.0f);
    EXPECT_EQ(Variable("FogB"), 30.0f);
    EXPECT_EQ(Variable("fog"), 0.0f);
    EXPECT_EQ(Variable("Ambient"), 0.0f);
    EXPECT_EQ(Variable("SkyLight"), 0.0f);
}

TEST_F(Settings, FogMaxIsClamped)
{
    Apply("FogMax", "7");
    EXPECT_EQ(Env.m_fFogMax, 1.0f);
    Apply("FogMax", "-2");
    EXPECT_EQ(Env.m_fFogMax, 0.0f);
}

TEST_F(Settings, DropDebugOnlyPrints)
{
    Apply("DropDebug", "1");
    EXPECT_EQ(Line(), "............");
    EXPECT_EQ(g_Console.FindVariable("DropDebug"), nullptr);
}

TEST_F(Settings, UnknownNamesBecomeVariablesOnly)
{
    const GameOptions before = g_Options;
    Apply("MyOwnSetting", "2.5");
    EXPECT_EQ(Variable("myownsetting"), 2.5f);
    EXPECT_EQ(std::memcmp(&before, &g_Options, sizeof before), 0);
    g_Console.ApplySetting(nullptr, "1", 0);
    g_Console.ApplySetting("x", nullptr, 0);
    EXPECT_EQ(g_Console.FindVariable("x"), nullptr);
}

TEST_F(Settings, WindowedTkCfgGives800x600)
{
    WriteFile("tk.cfg", "Windowed 1\nScreenWidth 1280\nScreenHeight 1024\n");
    g_Console.LoadConfig("TK.CFG");
    EXPECT_EQ(g_Options.screenwidth, 800);
    EXPECT_EQ(g_Options.screenheight, 600);
    EXPECT_EQ(g_Options.fScreenScaleX, 0.78125f);
    EXPECT_EQ(g_Options.fScreenScaleY, 0.78125f);
    EXPECT_EQ(g_Console.FindVariable("Windowed")->fromConfig, 1);
}

TEST_F(Settings, FullScreenTkCfgKeepsItsSize)
{
    WriteFile("tk.cfg", "Windowed 0\r\nScreenWidth 1600\r\nScreenHeight 900\r\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.screenwidth, 1600);
    EXPECT_EQ(g_Options.screenheight, 900);
    EXPECT_EQ(g_Options.fScreenScaleX, 1.5625f);
    EXPECT_EQ(g_Options.fScreenScaleY, 1.171875f);
}

TEST_F(Settings, RunworldFromTkCfgOnlyNamesTheStartWorld)
{
    WriteFile("tk.cfg", "runworld worlds\\level02.w\r");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_STREQ(g_Options.runworld, "worlds\\level02.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 0);
}

TEST_F(Settings, RunworldTypedStartsTheWorld)
{
    g_Console.ExecuteSetting("runworld   worlds\\level05.w  ");
    EXPECT_STREQ(g_Options.runworld, "worlds\\level05.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 1);
    EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\level05.w");
}

// A setting that ends the chain still clears the three action names, which
// are never values to keep.
TEST_F(Settings, ASettingThatEndsTheChainStillClearsTheActionNames)
{
    for (const char* name : {"fog", "Ambient", "SkyLight"})
        g_Console.SetVariable(name, 5.0f, 0);
    Apply("runworld", "worlds\\level05.w");
    for (const char* name : {"fog", "Ambient", "SkyLight"})
    {
        float value = -1.0f;
        EXPECT_TRUE(g_Console.GetVariable(name, &value)) << name;
        EXPECT_EQ(value, 0.0f) << name;
    }
}

TEST_F(Settings, LongRunworldIsCutToFitWithALine)
{
    const std::string name = "worlds\\" + std::string(150, 'w') + ".w";
    WriteFile("tk.cfg", "runworld " + name + "\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(std::string(g_Options.runworld), name.substr(0, 79));
    EXPECT_TRUE(Printed("runworld"));
}

TEST_F(Settings, MissingSettingsFileIsSilentlySkipped)
{
    // Windowed with a stale scale: a file that is not read settles nothing.
    g_Options.Windowed = 1;
    g_Options.fScreenScaleX = 0.5f;
    const GameOptions before = g_Options;
    g_Console.Print("mark");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(Line(), "mark");
    EXPECT_EQ(std::memcmp(&before, &g_Options, sizeof before), 0);
    EXPECT_EQ(g_Console.FindVariable("fog"), nullptr);
}

TEST_F(Settings, SettingWithoutValueIsReportedAndKeepsItsField)
{
    WriteFile("tk.cfg", "ScreenWidth\nScreenHeight   \nrunworld\nGlobalTimeSpeed 2\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.screenwidth, 640);
    EXPECT_EQ(g_Options.screenheight, 480);
    EXPECT_STREQ(g_Options.runworld, "worlds\\test.w");
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 2.0f);
    EXPECT_TRUE(Printed("tk.cfg: setting ScreenWidth has no value, ignored"));
    EXPECT_TRUE(Printed("tk.cfg: setting runworld has no value, ignored"));
}

// A typo keeps the setting's value: "ScreenWidth abc" read as 0 once made
// every device creation fail.
TEST_F(Settings, NonNumberIsReportedAndKeepsTheValue)
{
    g_Options.DrawFPS = 1;
    WriteFile("tk.cfg", "GlobalTimeSpeed 2\nGlobalTimeSpeed fast\nDrawFPS yes\nDebug 3abc\nScreenWidth 1024\n"
                        "ScreenWidth abc\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 2.0f);
    EXPECT_EQ(g_Options.DrawFPS, 1);
    EXPECT_EQ(g_Options.screenwidth, 1024);
    float variable = 0.0f;
    ASSERT_TRUE(g_Console.GetVariable("GlobalTimeSpeed", &variable));
    EXPECT_EQ(variable, 2.0f);
    EXPECT_EQ(g_Options.Debug, 3); // a leading number is read, the rest ignored
    EXPECT_TRUE(Printed("tk.cfg: setting GlobalTimeSpeed: \"fast\" is no number, ignored"));
    EXPECT_TRUE(Printed("tk.cfg: setting ScreenWidth: \"abc\" is no number, ignored"));
    EXPECT_FALSE(Printed("Debug"));
}

TEST_F(Settings, ScreenSizesBelowTheSmallestModeFallBackToTheDefault)
{
    WriteFile("tk.cfg", "Windowed 0\nScreenWidth 0\nScreenHeight 600\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.screenwidth, 640);
    EXPECT_EQ(g_Options.screenheight, 480);
    EXPECT_TRUE(Printed("Screen size 0 x 600 is too small, 640 x 480 used"));
}

TEST_F(Settings, HugeNumbersAreClampedNotOverflowed)
{
    Apply("screenwidth", "99999999999999999999");
    EXPECT_EQ(g_Options.screenwidth, INT_MAX);
    Apply("screenheight", "-99999999999999999999");
    EXPECT_EQ(g_Options.screenheight, INT_MIN);
    Apply("GlobalTimeSpeed", "1e999");
    EXPECT_EQ(g_Options.GlobalTimeSpeed, FLT_MAX);
    Apply("SkinMeshSpeed", "-1e60");
    EXPECT_EQ(g_Options.SkinMeshSpeed, -FLT_MAX);
    Apply("ASDist", "1e-999");
    EXPECT_EQ(g_Options.ASDist, 0.0f);
    Apply("DebugLights", "1e30");
    EXPECT_EQ(g_Options.DebugLights, INT_MAX);
    Apply("fogr", "1e30");
    Apply("ambient", "-1e30 nan 1e400");
    const float limit = g_Options.ASLim;
    Apply("ASLim", "nan");
    EXPECT_EQ(g_Options.ASLim, limit);
    EXPECT_TRUE(Printed("\"nan\" is no number"));
}

TEST_F(Settings, OverlongLinesAreReportedAndTheirRestSkipped)
{
    std::string longLine = "MyLongSetting " + std::string(300, '1') + " DrawFPS 1";
    WriteFile("tk.cfg", longLine + "\nDebug 2\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.Debug, 2);
    EXPECT_EQ(g_Options.DrawFPS, 0);
    EXPECT_TRUE(Printed("tk.cfg: line 1 is longer than 256 characters"));
}

TEST_F(Settings, BinaryJunkIsSurvived)
{
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>((i * 197 + 13) & 0xFF);
    WriteFile("tk.cfg", bytes + "\nDebug 5\n");
    g_Console.LoadConfig("tk.cfg");
    EXPECT_EQ(g_Options.Debug, 5);
}

TEST_F(Settings, CrLfAndCrFilesReadAlike)
{
    for (const char* end : {"\r\n", "\r"})
    {
        WriteFile("tk.cfg", std::string("Debug 4") + end + "DrawFPS 1" + end + end + "Difficulty 3" + end);
        g_Console.LoadConfig("tk.cfg");
        EXPECT_EQ(g_Options.Debug, 4);
        EXPECT_EQ(g_Options.DrawFPS, 1);
        EXPECT_EQ(g_Options.Difficulty, 3);
        g_Options.Debug = 0;
        g_Options.DrawFPS = 0;
        g_Options.Difficulty = 1;
    }
}

TEST_F(Settings, TeleportToAnUnknownObjectDoesNothing)
{
    const D3DVECTOR before = Player.m_vPosition;
    Apply("Teleport", "no_such_object");
    EXPECT_EQ(Player.m_vPosition.x, before.x);
    EXPECT_EQ(Player.m_vPosition.y, before.y);
    EXPECT_EQ(Player.m_vPosition.z, before.z);
}

TEST_F(Settings, BronSettingsWithoutAWeaponDoNothing)
{
    Bronie.m_pWeaponView = nullptr;
    Apply("BronX", "3");
    EXPECT_EQ(Variable("BronX"), 3.0f);
}

TEST_F(Settings, TheBundledTkCfgStartsWindowedOnTheDemoWorld)
{
    std::filesystem::current_path(tk::test::DataDir());
    g_Console.LoadConfig("tk.cfg");
    std::filesystem::current_path(m_dir);
    EXPECT_EQ(g_Options.Windowed, 1);
    EXPECT_EQ(g_Options.screenwidth, 800);
    EXPECT_EQ(g_Options.screenheight, 600);
    EXPECT_EQ(g_Options.fScreenScaleX, 0.78125f);
    EXPECT_EQ(g_Options.fScreenScaleY, 0.78125f);
    EXPECT_STREQ(g_Options.runworld, "worlds\\level01.w");
    EXPECT_EQ(g_Engine.m_bWorldChange, 0);
    float backup = -1.0f;
    EXPECT_TRUE(g_Console.GetVariable("BackupConsole", &backup));
    EXPECT_EQ(backup, 0.0f);
}
} // namespace
