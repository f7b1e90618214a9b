// The task box, the loading screen, the credits and the automap target.

#include "ui_fixture.h"

#include "game/GameAI.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "player/Player.h"
#include "shell/CommandMgr.h"
#include "shell/SaveFile.h"
#include "sound/GameMusic.h"
#include "sound/SoundMgr.h"
#include "ui/AutoMap.h"
#include "ui/Credits.h"
#include "ui/HudLayout.h"
#include "ui/LoadingScreen.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace uitest
{
namespace
{
// ---- Task box ---------------------------------------------------------------------------------

using TaskBox = HudTest;

TEST_F(TaskBox, TaskTextsBreakIntoFourLinesOfThirtySix)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::string s36(36, 'a');
    const std::string s37 = std::string(30, 'a') + " " + std::string(6, 'b');
    const std::string noBlank(40, 'x');
    const std::string five = s36 + " " + s36 + " " + s36 + " " + s36 + " " + s36;
    const Case cases[] = {{s36, {s36}},
                          {s37, {std::string(30, 'a'), std::string(6, 'b')}},
                          {noBlank, {std::string(36, 'x'), "xxxx"}},
                          {five, {s36, s36, s36, s36}},
                          {"", {}}};
    for (const Case& c : cases)
    {
        char lines[TASK_LINES][TASK_LINE_CHARS + 1] = {};
        const int n = Objective::WrapTask(c.text.c_str(), lines);
        ASSERT_EQ(n, static_cast<int>(c.lines.size())) << c.text;
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(lines[i], c.lines[i]);
    }
}

TEST_F(TaskBox, ASecondTaskReplacesTheTextWithoutReopening)
{
    g_Objective.Init();
    g_Objective.SetTask("TDemo01");
    EXPECT_EQ(g_Objective.m_bOpen, 1);
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_OPENING);
    for (int i = 0; i < 30; ++i)
    {
        g_Objective.Update();
        g_Objective.RenderFrame();
    }
    ASSERT_EQ(g_Objective.m_iState, Objective::STATE_OPEN);
    const float openTime = g_Objective.m_fOpenTime;
    g_Objective.SetTask("G24");
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_OPEN) << "not opened again";
    EXPECT_EQ(g_Objective.m_fOpenTime, openTime) << "the box keeps its time";
    EXPECT_EQ(g_Objective.m_fShownTime, 0.0f);
    g_Objective.SetTask("");
    g_Objective.SetTask(nullptr);
}

TEST_F(TaskBox, HoldingTheTaskKeyTogglesOnceAndTheBoxClosesAfterSevenSeconds)
{
    g_Objective.Init();
    for (int i = 0; i < 20; ++i)
    {
        g_Objective.PressTaskKey();
        g_Objective.Update();
    }
    EXPECT_EQ(g_Objective.m_bOpen, 1);
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_OPENING);
    g_Objective.Update(); // released
    g_Objective.PressTaskKey();
    g_Objective.Update();
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_CLOSING);

    g_Objective.m_bOpen = 0;
    g_Objective.SetTask("TDemo01");
    for (int i = 0; i < 7 * 60 + 2; ++i)
        g_Objective.Update();
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_CLOSING);
    EXPECT_EQ(g_Objective.m_bNewTask, 0);
}

TEST_F(TaskBox, ADamagedSectionDoesNotReadPastTheLog)
{
    g_Objective.SetTask("TDemo01");
    FILE* f = std::tmpfile();
    g_Objective.Save(f);
    std::rewind(f);
    std::string bytes;
    for (int c; (c = std::fgetc(f)) != EOF;)
        bytes += static_cast<char>(c);
    std::fclose(f);
    // Unterminated log lines and a count of a million.
    const size_t logAt = bytes.find('\n') + 1;
    std::fill(bytes.begin() + logAt, bytes.begin() + logAt + 4096, 'L');
    const DWORD huge = 1000000;
    std::memcpy(bytes.data() + logAt + 4096, &huge, 4);
    const DWORD badState = 77;
    std::memcpy(bytes.data() + logAt + 4096 + 4 + 4 + 4 + 4 + 1 + 4 + 1 + 4, &badState, 4);
    f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    g_Objective.Clear();
    g_Objective.Load(f);
    std::fclose(f);
    EXPECT_EQ(g_Objective.m_iLogCount, 64u);
    for (const char* line : g_Objective.m_szLog)
        EXPECT_EQ(std::strlen(line), 63u);
    EXPECT_EQ(g_Objective.m_iState, Objective::STATE_OPENING);
    EXPECT_EQ(g_Objective.m_bOpen, 0);
    g_Objective.m_bLogOn = 1;
    Frame(); // the log panel draws its last four lines
}

// ---- Loading screen ------------------------------------------------------------------------------

class Loading : public HudTest
{
protected:
    void SetUp() override
    {
        HudTest::SetUp();
        std::fill(std::begin(g_CommandMgr.m_bKeyState), std::end(g_CommandMgr.m_bKeyState), BYTE(0));
    }
    void TearDown() override
    {
        g_LoadingScreen.Finish();
        std::fill(std::begin(g_CommandMgr.m_bKeyState), std::end(g_CommandMgr.m_bKeyState), BYTE(0));
        HudTest::TearDown();
    }
    void StartWorld(const char* world)
    {
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", world);
        g_LoadingScreen.Start(world);
    }
};

TEST_F(Loading, EveryNameOfTheFirstLevelFindsItsBriefing)
{
    const std::pair<const char*, int> cases[] = {{"worlds\\level01.w", 1},
                                                 {"WORLDS\\LEVEL_01.W", 1},
                                                 {"worlds\\l01.w", 1},
                                                 {"worlds\\testXXX.w", 0},
                                                 {"worlds\\level13.w", 13},
                                                 {"worlds\\other.w", -1},
                                                 {"", -1}};
    for (const auto& [world, level] : cases)
        EXPECT_EQ(CLoadingScreen::LevelOfWorld(world), level) << world;
}

TEST_F(Loading, AnUnknownWorldShowsNoBriefingAndStillWaitsForAKey)
{
    StartWorld("worlds\\nowhere.w");
    for (int i = 0; i < 20; ++i)
        g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bChosen, 1);
    EXPECT_EQ(g_LoadingScreen.m_bBriefing, 0);
    g_LoadingScreen.LoadTextures();
    g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1) << "waits for the player";
    g_CommandMgr.m_bKeyState[57] = 1;
    g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1) << "a press alone does not finish it";
    g_CommandMgr.m_bKeyState[57] = 0;
    g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 0);
}

TEST_F(Loading, AKeyHeldThroughLoadingFinishesTheScreenOnRelease)
{
    StartWorld("worlds\\nowhere.w");
    g_CommandMgr.m_bKeyState[CCommandMgr::MOUSE_BUTTON_CODE] = 1;
    for (int i = 0; i < 5; ++i)
        g_LoadingScreen.Update();
    g_LoadingScreen.LoadTextures();
    for (int i = 0; i < 5; ++i)
        g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 1);
    g_CommandMgr.m_bKeyState[CCommandMgr::MOUSE_BUTTON_CODE] = 0;
    g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_bActive, 0);
}

TEST_F(Loading, WithoutItsFirstVoiceNoBriefingPlaysOrShows)
{
    // The test's tree has no voices.
    StartWorld("worlds\\level01.w");
    g_LoadingScreen.SetupDialog(0);
    EXPECT_STREQ(g_LoadingScreen.m_apszKeys[0], "L01T01") << "level 0 plays the first level's briefing";
    EXPECT_EQ(g_LoadingScreen.m_bBriefing, 0);
    EXPECT_EQ(g_LoadingScreen.m_szLine1[0], 0);
}

TEST_F(Loading, AWorldsResetThatDeletesEverySoundTakesTheBriefingsVoiceAlong)
{
    TkSetBackend(TkBackend::Headless);
    TkSoundResetHeadless();
    g_Options.sound = 1;
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    std::filesystem::create_directories(dir.path() / "voices" / "dialogues");
    std::ofstream(dir.path() / "voices" / "dialogues" / "L01T01.wav", std::ios::binary)
        << std::string("RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00", 20)
        << std::string("\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00", 16)
        << std::string("data\x08\x00\x00\x00", 8) << std::string(8, '\x10');
    StartWorld("worlds\\level01.w");
    g_LoadingScreen.SetupDialog(1);
    ASSERT_EQ(g_LoadingScreen.m_bBriefing, 1);
    ASSERT_NE(g_LoadingScreen.m_hVoice, nullptr);
    g_SoundMgr.DeleteAllSounds();
    g_LoadingScreen.Update();
    EXPECT_EQ(g_LoadingScreen.m_hVoice, nullptr)
        << "the deleted voice is forgotten, never played or freed again";
    EXPECT_EQ(g_LoadingScreen.m_iLine, 1) << "the briefing goes on with its next line";
    g_LoadingScreen.Finish();
    g_SoundMgr.Release();
}

TEST_F(Loading, BriefingLinesWrapAtColumnEightyOne)
{
    char l1[BRIEFING_LINE_SIZE], l2[BRIEFING_LINE_SIZE], l3[BRIEFING_LINE_SIZE];
    const std::string a81 = std::string(40, 'a') + "*" + std::string(40, 'b');
    CLoadingScreen::WrapLines(a81.c_str(), l1, l2, l3);
    EXPECT_EQ(std::string(l1), std::string(40, 'a') + " " + std::string(40, 'b'));
    EXPECT_EQ(l2[0], 0);
    const std::string a82 = std::string(40, 'a') + " " + std::string(41, 'b');
    CLoadingScreen::WrapLines(a82.c_str(), l1, l2, l3);
    EXPECT_EQ(std::string(l1), std::string(40, 'a'));
    EXPECT_EQ(std::string(l2), " " + std::string(41, 'b'));
    const std::string endless(4000, 'z');
    CLoadingScreen::WrapLines(endless.c_str(), l1, l2, l3);
    EXPECT_LT(std::strlen(l1), static_cast<size_t>(BRIEFING_LINE_SIZE));
}

// ---- Credits ------------------------------------------------------------------------------------

class Credits : public HudTest
{
protected:
    void SetUp() override
    {
        HudTest::SetUp();
        g_GameAI.SetVariable("credits", nullptr);
    }
};

TEST_F(Credits, TheFirstLineEntersAtTheBottomAndScrollsEighteenPixelsASecond)
{
    g_Credits.Reset();
    g_Engine.m_fDeltaTime = 0.5f;
    g_Credits.Render();
    EXPECT_EQ(g_Credits.m_iLines, 43u);
    EXPECT_FLOAT_EQ(g_Credits.m_fScroll, 768.0f - 9.0f);
    g_Credits.Render();
    EXPECT_FLOAT_EQ(g_Credits.m_fScroll, 768.0f - 18.0f);
    // Unset: hidden, and the scroll waits where it was.
    g_GameAI.UnsetVariable("credits", nullptr);
    g_Credits.Render();
    EXPECT_FLOAT_EQ(g_Credits.m_fScroll, 768.0f - 18.0f);
    g_GameAI.SetVariable("credits", nullptr);
    g_Credits.Render();
    EXPECT_FLOAT_EQ(g_Credits.m_fScroll, 768.0f - 27.0f);
    g_Credits.Reset();
    g_Credits.Render();
    EXPECT_FLOAT_EQ(g_Credits.m_fScroll, 768.0f - 9.0f) << "a new level starts the list again";
}

TEST_F(Credits, LinesAreCutAndTheListHoldsAtMost199)
{
    g_Credits.Build();
    const std::string longLine(300, 'n');
    for (int i = 0; i < 400; ++i)
        g_Credits.AddLine(longLine.c_str());
    EXPECT_EQ(g_Credits.m_iLines, CCredits::MAX_LINES);
    EXPECT_EQ(std::strlen(g_Credits.m_aszLines[100]), 127u);
    EXPECT_EQ(g_Credits.m_aszLines[CREDITS_LINES - 1][0], 0);
}

// ---- Automap target -------------------------------------------------------------------------------

using AutoMap = HudTest;

TEST_F(AutoMap, TheTargetIsMadeAgainAfterADeviceReset)
{
    g_Options.DepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(g_AutoMap.CreateDeviceObjects(), D3D_OK);
    ASSERT_NE(g_AutoMap.m_pTex, nullptr);
    ASSERT_NE(g_AutoMap.m_pSurf, nullptr);
    ASSERT_NE(g_AutoMap.m_pDepthStencil, nullptr);
    D3DSURFACE_DESC desc = {};
    g_AutoMap.m_pSurf->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);

    TkD3D9LoseDevices();
    PAutoMap::ReleaseDeviceObjectsThunk();
    EXPECT_EQ(g_AutoMap.m_pTex, nullptr);
    EXPECT_EQ(g_AutoMap.m_pSurf, nullptr);
    EXPECT_EQ(g_AutoMap.m_pDepthStencil, nullptr);
    TkD3D9RestoreDevices();
    g_Panel.Release(); // nothing of the HUD is in the default pool, but be plain about it
    ASSERT_EQ(device->Reset(&params), D3D_OK) << "nothing of the automap holds the device";
    PAutoMap::CreateDeviceObjectsThunk();
    EXPECT_NE(g_AutoMap.m_pTex, nullptr);
    EXPECT_NE(g_AutoMap.m_pDepthStencil, nullptr);
    g_AutoMap.ReleaseDeviceObjects();
    g_AutoMap.ReleaseDeviceObjects(); // twice is harmless
    g_Panel.Init();
}

TEST_F(AutoMap, AFailedCreationLeavesEverythingNull)
{
    // A depth format the device refuses: the texture is made, the depth surface is not.
    g_Options.DepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_NE(g_AutoMap.CreateDeviceObjects(), D3D_OK);
    EXPECT_EQ(g_AutoMap.m_pDepthStencil, nullptr);
    g_AutoMap.ReleaseDeviceObjects();
    EXPECT_EQ(g_AutoMap.m_pTex, nullptr);
    EXPECT_EQ(g_AutoMap.m_pSurf, nullptr);
    IDirect3DDevice9* saved = g_pD3DInterface;
    g_pD3DInterface = nullptr;
    EXPECT_NE(g_AutoMap.CreateDeviceObjects(), D3D_OK);
    EXPECT_EQ(g_AutoMap.m_pTex, nullptr);
    g_pD3DInterface = saved;
}

// ---- Bundled textures ------------------------------------------------------------------------------

TEST_F(TaskBox, EveryTextureTheScreensNameLoadsWithoutAskingTheGameToQuit)
{
    EXPECT_EQ(g_Engine.m_bQuit, 0) << "the HUD's own textures\n" << dir.Read("!error.txt") << ConsoleLog();
    g_Objective.Init();
    g_LoadingScreen.LoadTextures();
    EXPECT_TRUE(g_Objective.m_Frame.m_bCreated);
    EXPECT_TRUE(g_LoadingScreen.m_Bar.m_bCreated);
    EXPECT_TRUE(g_Panel.m_Crosshair.m_bCreated);
    EXPECT_TRUE(g_Panel.m_ScopeMasks[3].m_bCreated);
    EXPECT_TRUE(g_Panel.m_Blood[6].m_bCreated);
    EXPECT_FALSE(g_Panel.m_Blood[7].m_bCreated) << "only the first seven have a picture";
    EXPECT_EQ(g_Engine.m_bQuit, 0);
    g_LoadingScreen.m_Bar.Release();
}
} // namespace
} // namespace uitest
