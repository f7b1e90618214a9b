// The menu: clicks on release, text fields, Escape, the hover sound, page
// rebuilds, the pages' actions (new game, load list and delete, key
// rebinding, quit) and the backdrop's objects and picture range.

#include "menu_fixture.h"

#include "game/GameAI.h"
#include "player/Player.h"
#include "platform/win32/Win32.h"

#include <cmath>
#include <vector>

using namespace menutest;

namespace
{
// A text field on the current page: no page of the menu has one, so the test adds it.
DWORD AddField(const char* text, float y = 400.0f)
{
    return g_Menu.AddItem(CMenu::ITEM_TEXT, text, 300.0f, y, 1.0f, false, -1, false, false, false);
}
} // namespace

TEST_F(MenuTest, AClickActsOnTheItemUnderTheCursorWhenTheButtonIsReleased)
{
    OpenAtStart();
    ASSERT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
    // Pressed on New Game, released on Sound: the sound page opens.
    MoveToItem(1);
    Button(true);
    Frame();
    EXPECT_EQ(g_Menu.m_pPressed, g_Menu.FindItem(1));
    EXPECT_EQ(g_Menu.m_iRequestedPage, -1) << "nothing happens on the press";
    MoveToItem(3);
    Frame();
    Button(false);
    Frame();
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_AUDIO);
}

TEST_F(MenuTest, LettersFollowShiftAndCapsLockTogether)
{
    OpenAtStart();
    const struct
    {
        bool shift, caps;
        const char* typed;
    } cases[] = {{false, false, "ab"}, {true, false, "AB"}, {false, true, "AB"}, {true, true, "ab"}};
    float y = 250.0f;
    for (const auto& c : cases)
    {
        const DWORD id = AddField("", y += 40.0f);
        Click(id);
        strMenuItem* field = g_Menu.FindItem(id);
        ASSERT_EQ(g_Menu.m_pEdited, field);
        if (c.caps != (g_Menu.m_bCapsLock != 0))
            g_Menu.OnKeyDown(VK_CAPITAL);
        if (c.shift)
            g_Menu.OnKeyDown(VK_SHIFT);
        g_Menu.OnKeyDown('A');
        g_Menu.OnKeyDown('B');
        if (c.shift)
            g_Menu.OnKeyUp(VK_SHIFT);
        EXPECT_STREQ(field->text, c.typed) << "shift " << c.shift << " caps " << c.caps;
        g_Menu.OnKeyDown(VK_RETURN);
        EXPECT_EQ(g_Menu.m_pEdited, nullptr);
    }
}

TEST_F(MenuTest, ATextFieldEditsAtItsCaretAndStopsAt79Characters)
{
    OpenAtStart();
    const DWORD id = AddField("ace");
    Click(id);
    strMenuItem* field = g_Menu.FindItem(id);
    ASSERT_EQ(g_Menu.m_iCaret, 3);
    g_Menu.OnKeyDown(VK_LEFT);
    g_Menu.OnKeyDown(VK_LEFT);
    g_Menu.OnKeyDown('B');
    EXPECT_STREQ(field->text, "abce");
    g_Menu.OnKeyDown(VK_DELETE);
    EXPECT_STREQ(field->text, "abe");
    g_Menu.OnKeyDown(VK_BACK);
    g_Menu.OnKeyDown(VK_BACK);
    g_Menu.OnKeyDown(VK_BACK); // at the start: nothing
    EXPECT_STREQ(field->text, "e");
    g_Menu.OnKeyDown(VK_RIGHT);
    g_Menu.OnKeyDown(VK_RIGHT); // at the end: nothing
    g_Menu.OnKeyDown(VK_DELETE);
    g_Menu.OnKeyDown(190);
    g_Menu.OnKeyDown(189);
    g_Menu.OnKeyDown(220);
    g_Menu.OnKeyDown(VK_F1); // not typed
    EXPECT_STREQ(field->text, "e.-\\");
    // 500 keys: the field keeps 79 characters and its record stays whole.
    for (int i = 0; i < 500; ++i)
        g_Menu.OnKeyDown(static_cast<WPARAM>('0' + i % 10));
    EXPECT_EQ(std::strlen(field->text), 79u);
    for (WPARAM key = 0; key < 256; ++key)
        if (key != VK_ESCAPE && key != VK_RETURN)
            g_Menu.OnKeyDown(key);
    EXPECT_LE(std::strlen(field->text), 79u);
}

TEST_F(MenuTest, EscapeLeavesAFieldFirstThenGoesBackOrAsksToQuit)
{
    OpenAtStart();
    Click(AddField("x"));
    ASSERT_NE(g_Menu.m_pEdited, nullptr);
    g_Menu.OnKeyDown(VK_ESCAPE);
    EXPECT_EQ(g_Menu.m_pEdited, nullptr);
    EXPECT_EQ(g_Menu.m_iRequestedPage, -1) << "only the field is left";
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);

    // Opened at start: page 0 asks to quit, any other page goes back to 0.
    g_Menu.OnKeyDown(VK_ESCAPE);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_QUIT);
    g_Menu.OnKeyDown(VK_ESCAPE);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
}

TEST_F(MenuTest, InGameEscapeClosesTheMenuOnceItIsLetGoAndNotOnTheOpeningKeysRepeat)
{
    g_Menu.Open(0, CMenu::PAGE_MAIN);
    Frame();
    // The key that opened the menu repeats while held: the menu stays.
    g_Menu.OnKeyDown(VK_ESCAPE);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
    g_Menu.OnKeyUp(VK_ESCAPE);
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
    // A fresh press closes it when let go, with the key up in the key table.
    g_Menu.OnKeyDown(VK_ESCAPE);
    g_CommandMgr.m_bKeyState[1] = 1;
    EXPECT_EQ(g_Menu.m_bMenuActive, 1);
    g_Menu.OnKeyUp(VK_ESCAPE);
    EXPECT_EQ(g_Menu.m_bMenuActive, 0);
    EXPECT_EQ(g_CommandMgr.m_bKeyState[1], 0);
}

TEST_F(MenuTest, TheHoverSoundPlaysOncePerChangeOfHoveredItem)
{
    OpenAtStart();
    const int before = HoverSounds();
    MoveToItem(1);
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_EQ(HoverSounds(), before + 1);
    MoveTo(600.0f, 20.0f); // over nothing: no sound
    Frame();
    MoveToItem(3);
    for (int i = 0; i < 10; ++i)
        Frame();
    EXPECT_EQ(HoverSounds(), before + 2);
}

TEST_F(MenuTest, RebuildingAPageLeavesNoPointerToAFreedItem)
{
    OpenAtStart();
    const DWORD id = AddField("abc");
    MoveToItem(id);
    Button(true);
    Frame();
    ASSERT_NE(g_Menu.m_pEdited, nullptr);
    ASSERT_NE(g_Menu.m_pPressed, nullptr);
    ASSERT_NE(g_Menu.m_pHovered, nullptr);
    g_Menu.ShowPage(CMenu::PAGE_AUDIO, 0);
    EXPECT_EQ(g_Menu.m_pEdited, nullptr);
    EXPECT_EQ(g_Menu.m_pPressed, nullptr);
    EXPECT_EQ(g_Menu.m_pHovered, nullptr);
    // Keys typed now reach no field, freed or not (ASan watches).
    g_Menu.OnKeyDown('A');
    Button(false);
    Frame();
}

TEST_F(MenuTest, AfterTheInformationPageAClickOnTheMainPageStillWorks)
{
    OpenAtStart();
    Click(6);
    Settle();
    ASSERT_EQ(g_Menu.m_iPage, CMenu::PAGE_INFO);
    const float scroll = g_Menu.m_fCreditsScroll;
    EXPECT_LT(scroll, 768.0f);
    Frame();
    EXPECT_FLOAT_EQ(g_Menu.m_fCreditsScroll, scroll - 18.0f * kFrame) << "18 units a second";
    Click(0);
    Settle();
    ASSERT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
    Click(4);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_GAME_OPTIONS);
}

TEST_F(MenuTest, LoadIsDisabledWithoutSavesAndAClickOnItDoesNothing)
{
    OpenAtStart();
    const strMenuItem* load = g_Menu.FindItem(2);
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->disabled, 1);
    Click(2);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
}

TEST_F(MenuTest, NewGameStartsTheFirstWorldAtTheChosenDifficulty)
{
    const struct
    {
        DWORD id;
        int difficulty;
    } cases[] = {{1, 0}, {2, 1}, {3, 2}};
    for (const auto& c : cases)
    {
        PlayerStats.m_fHealth = 5.0f;
        PlayerStats.m_bDead = 1;
        PlayerStats.m_bMissionFailed = 1;
        PlayerStats.m_bCanRun = 0;
        g_Options.UpdateBezier = 0;
        g_Options.Difficulty = 3;
        g_Engine.m_szNextWorld[0] = 0;
        const DWORD objects = g_Engine.GetObjectCount();
        OpenAtStart(CMenu::PAGE_NEW_GAME);
        Settle();
        Click(c.id);
        EXPECT_EQ(g_Menu.m_bMenuActive, 0);
        EXPECT_EQ(g_Options.Difficulty, c.difficulty);
        EXPECT_STREQ(g_Engine.m_szNextWorld, "worlds\\l01.w");
        EXPECT_EQ(PlayerStats.m_fHealth, PlayerStats.m_fMaxHealth);
        EXPECT_EQ(PlayerStats.m_bDead, 0);
        EXPECT_EQ(PlayerStats.m_bMissionFailed, 0);
        EXPECT_EQ(PlayerStats.m_bCanRun, 1);
        EXPECT_EQ(g_Options.UpdateBezier, 1);
        EXPECT_EQ(g_MainGame.m_iLevelFrame, 0u);
        EXPECT_LE(g_Engine.GetObjectCount(), objects) << "the backdrop is gone";
    }
}

// ---- The load page ------------------------------------------------------------------------

class MenuLoadTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        records.resize(12);
        for (size_t i = 0; i < records.size(); ++i)
        {
            SaveFileRecord& r = records[i];
            std::memset(&r, 0, sizeof r);
            // A long name: the record's 40-character name is cut, its paths are whole.
            const std::string name = i == 3 ? "checkpoint0003_with_a_name_longer_than_the_field_holds"
                                            : "checkpoint000" + std::to_string(i);
            std::snprintf(r.name, sizeof r.name, "%s", name.c_str());
            std::snprintf(r.path, sizeof r.path, "save\\%s.sav", name.c_str());
            std::snprintf(r.thumbnailPath, sizeof r.thumbnailPath, "save\\%s.bmp", name.c_str());
            r.time.wYear = 2026;
            r.time.wMinute = static_cast<WORD>(i);
            dir.Write("save/" + name + ".sav", "save");
            dir.Write("save/" + name + ".bmp", "picture");
            r.next = i + 1 < records.size() ? &records[i + 1] : nullptr;
            r.prev = i ? &records[i - 1] : nullptr;
        }
        std::snprintf(records[5].name, sizeof records[5].name, "auto");
        std::snprintf(records[9].name, sizeof records[9].name, "quick");
        OpenAtStart(CMenu::PAGE_LOAD);
        Settle();
        g_Menu.SetLoadRows(&records[0]);
        g_Menu.SelectLoadRow(0);
    }

    // The pixel centre of a visible row of the list.
    static void MoveToRow(int row)
    {
        MoveTo((510.0f + 100.0f) * kWidth / 1024.0f, (140.0f + 32.0f * row + 16.0f) * kHeight / 768.0f);
    }

    std::vector<SaveFileRecord> records;
};

TEST_F(MenuLoadTest, TheListLeavesOutAutoSavesShowsNewestFirstAndTheQuickSaveLast)
{
    ASSERT_EQ(g_Menu.m_iLoadRows, 11);
    EXPECT_STREQ(g_Menu.m_ppLoadRows[0]->name, "checkpoint00011");
    EXPECT_STREQ(g_Menu.m_ppLoadRows[10]->name, "quick");
    for (int i = 0; i < g_Menu.m_iLoadRows; ++i)
        EXPECT_STRNE(g_Menu.m_ppLoadRows[i]->name, "auto");
    EXPECT_EQ(g_Menu.m_pLoadSelection, g_Menu.m_ppLoadRows[0]);
}

TEST_F(MenuLoadTest, APressOnARowSelectsItAndAnEmptyRowKeepsTheSelection)
{
    MoveToRow(2);
    Button(true);
    Frame();
    Button(false);
    Frame();
    EXPECT_EQ(g_Menu.m_iLoadSelected, 2);
    EXPECT_EQ(g_Menu.m_pLoadSelection, g_Menu.m_ppLoadRows[2]);

    // Two saves only: a press on the ninth row selects nothing, and the knob
    // cannot scroll a list that fits.
    g_Menu.SetLoadRows(&records[10]);
    ASSERT_EQ(g_Menu.m_iLoadRows, 2);
    g_Menu.SelectLoadRow(1);
    MoveToRow(8);
    Button(true);
    Frame();
    Button(false);
    Frame();
    EXPECT_EQ(g_Menu.m_iLoadSelected, 1);
    MoveTo((510.0f + 300.0f) * kWidth / 1024.0f, 250.0f * kHeight / 768.0f);
    Button(true);
    Frame();
    Button(false);
    Frame();
    EXPECT_EQ(g_Menu.m_iLoadFirst, 0);
}

TEST_F(MenuLoadTest, HoldingAnArrowScrollsOneRowAtOnceThenEveryThirdOfASecond)
{
    MoveTo((510.0f + 320.0f - 16.0f) * kWidth / 1024.0f, (140.0f + 288.0f - 16.0f) * kHeight / 768.0f);
    Button(true);
    Frame();
    EXPECT_EQ(g_Menu.m_iLoadFirst, 1);
    for (int i = 0; i < 17; ++i)
        Frame(); // 0.28 s
    EXPECT_EQ(g_Menu.m_iLoadFirst, 1);
    for (int i = 0; i < 3; ++i)
        Frame();
    EXPECT_EQ(g_Menu.m_iLoadFirst, 2);
    for (int i = 0; i < 100; ++i)
        Frame();
    EXPECT_EQ(g_Menu.m_iLoadFirst, 2) << "11 rows, 9 shown: two rows down at most";
    Button(false);
    Frame();
}

TEST_F(MenuLoadTest, DeleteAsksOnceAndYesRemovesTheSelectedSaveByItsWholeName)
{
    g_Menu.SelectLoadRow(6); // "checkpoint0003_with_a_...", by its time the seventh
    ASSERT_STREQ(g_Menu.m_pLoadSelection->path,
                 "save\\checkpoint0003_with_a_name_longer_than_the_field_holds.sav");
    Click(2);
    ASSERT_EQ(g_Menu.m_bConfirmShown, 1);
    ASSERT_NE(g_Menu.FindItem(5), nullptr);
    ASSERT_EQ(g_Menu.FindItem(7), nullptr);
    Click(2); // a second Delete while asked: nothing more
    EXPECT_EQ(g_Menu.FindItem(7), nullptr);
    Click(5);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
    EXPECT_FALSE(dir.Exists("save/checkpoint0003_with_a_name_longer_than_the_field_holds.sav"));
    EXPECT_FALSE(dir.Exists("save/checkpoint0003_with_a_name_longer_than_the_field_holds.bmp"));
    for (int i : {0, 1, 2, 4, 11})
        EXPECT_TRUE(dir.Exists("save/checkpoint000" + std::to_string(i) + ".sav")) << i;
}

TEST_F(MenuLoadTest, NoKeepsEverySave)
{
    Click(2);
    ASSERT_EQ(g_Menu.m_bConfirmShown, 1);
    Click(6);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_LOAD);
    EXPECT_EQ(g_Menu.m_bConfirmShown, 0);
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_TRUE(dir.Exists(std::string("save/") +
                               (i == 3 ? "checkpoint0003_with_a_name_longer_than_the_field_holds"
                                       : "checkpoint000" + std::to_string(i)) +
                               ".sav"));
}

// ---- The keys page ------------------------------------------------------------------------

namespace
{
constexpr int kFire = 19;
constexpr int kForward = 3;
constexpr DWORD kKeyF = 0x21; // DIK_F

// The pixel centre of a key cell of the keys page.
void MoveToCell(int row, int column)
{
    const float x = (column ? 590.0f : 360.0f) + 60.0f;
    g_Mouse.m_State.x = x * kWidth / 1024.0f / kWidth * kPi;
    g_Mouse.m_State.y = (100.0f + 26.0f * row + 12.0f) * kHeight / 768.0f / kHeight * kPi;
}
} // namespace

TEST_F(MenuTest, RebindingTakesTheKeyFromItsOtherCommandAndNeverTheArmingClick)
{
    // Only keys with a name are taken (the names are text keys, none here).
    std::snprintf(g_CommandMgr.m_szKeyNames[kKeyF], CCommandMgr::KEY_NAME_CHARS, "F");
    std::snprintf(g_CommandMgr.m_szKeyNames[CCommandMgr::MOUSE_BUTTON_CODE], CCommandMgr::KEY_NAME_CHARS,
                  "Mouse 1");
    OpenAtStart(CMenu::PAGE_KEYS);
    Settle();
    ASSERT_EQ(g_CommandMgr.m_dwBindings[kFire][0], static_cast<DWORD>(CCommandMgr::MOUSE_BUTTON_CODE));
    g_CommandMgr.m_dwBindings[kFire][1] = kKeyF;
    // Row 0 is "forward"; its second key is the arrow key.
    MoveToCell(0, 1);
    Button(true);
    Frame();
    ASSERT_EQ(g_Menu.m_bCaptureArmed, 1);
    Frame();
    Frame();
    EXPECT_NE(g_CommandMgr.m_dwBindings[kForward][1], static_cast<DWORD>(CCommandMgr::MOUSE_BUTTON_CODE))
        << "the button that armed the capture is not taken";
    Button(false);
    Frame();
    g_CommandMgr.m_bKeyState[kKeyF] = 1;
    Frame();
    g_CommandMgr.m_bKeyState[kKeyF] = 0;
    EXPECT_EQ(g_CommandMgr.m_dwBindings[kForward][1], kKeyF);
    EXPECT_EQ(g_CommandMgr.m_dwBindings[kFire][1], 0u) << "taken from fire";
    EXPECT_EQ(g_Menu.m_bCaptureArmed, 0);
}

TEST_F(MenuTest, CancelOnTheKeysPagePutsBackTheBindingsAndOkKeepsThem)
{
    for (const bool ok : {false, true})
    {
        g_CommandMgr.SetDefaultKeys();
        std::snprintf(g_CommandMgr.m_szKeyNames[kKeyF], CCommandMgr::KEY_NAME_CHARS, "F");
        DWORD before[CCommandMgr::MAX_COMMANDS][2];
        std::memcpy(before, g_CommandMgr.m_dwBindings, sizeof before);
        OpenAtStart(CMenu::PAGE_KEYS);
        Settle();
        MoveToCell(0, 0);
        Button(true);
        Frame();
        Button(false);
        Frame();
        g_CommandMgr.m_bKeyState[kKeyF] = 1;
        Frame();
        g_CommandMgr.m_bKeyState[kKeyF] = 0;
        ASSERT_EQ(g_CommandMgr.m_dwBindings[kForward][0], kKeyF);
        Click(ok ? 0 : 1);
        Settle();
        EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
        if (ok)
            EXPECT_EQ(g_CommandMgr.m_dwBindings[kForward][0], kKeyF);
        else
            EXPECT_EQ(std::memcmp(before, g_CommandMgr.m_dwBindings, sizeof before), 0);
        g_Menu.Close();
    }
}

// ---- Quit and the backdrop ----------------------------------------------------------------

TEST_F(MenuTest, QuitYesClosesTheMenuAndAsksTheEngineToQuit)
{
    OpenAtStart(CMenu::PAGE_QUIT);
    Settle();
    Click(2);
    Settle();
    EXPECT_EQ(g_Menu.m_iPage, CMenu::PAGE_MAIN);
    EXPECT_EQ(g_Engine.m_bQuit, 0);
    g_Menu.ShowPage(CMenu::PAGE_QUIT, 0);
    Click(1);
    EXPECT_EQ(g_Menu.m_bMenuActive, 0);
    EXPECT_EQ(g_Engine.m_bQuit, 1);
}

TEST(MenuBackdrop, ThePicturesURangeFollowsTheScreensAspect)
{
    const struct
    {
        float aspect;
        float left, right;
    } cases[] = {{4.0f / 3.0f, 0.125f, 0.875f},
                 {16.0f / 9.0f, 0.0f, 1.0f},
                 {16.0f / 10.0f, 0.05f, 0.95f},
                 {1.0f, 0.21875f, 0.78125f},
                 {21.0f / 9.0f, 0.0f, 1.0f}};
    for (const auto& c : cases)
    {
        float left = -1.0f, right = -1.0f;
        CMenu::BackgroundRange(c.aspect, &left, &right);
        EXPECT_NEAR(left, c.left, 1e-5f) << c.aspect;
        EXPECT_NEAR(right, c.right, 1e-5f) << c.aspect;
    }
    float left43 = 0, right43 = 0, left54 = 0, right54 = 0;
    CMenu::BackgroundRange(4.0f / 3.0f, &left43, &right43);
    CMenu::BackgroundRange(5.0f / 4.0f, &left54, &right54);
    EXPECT_GT(left54, left43) << "5:4 shows less than 4:3";
    EXPECT_LT(right54, right43);
}

TEST_F(MenuTest, ReopeningRecreatesTheFigureTheRifleAndTwentyPuffsAndClosingLeavesNoObject)
{
    const DWORD objects = g_Engine.GetObjectCount();
    for (int round = 0; round < 2; ++round)
    {
        OpenAtStart();
        ASSERT_NE(g_Menu.m_hHero, nullptr);
        ASSERT_NE(g_Menu.m_hRifle, nullptr);
        EXPECT_EQ(g_Menu.m_hHero->Type, OT_SKINMESH);
        EXPECT_EQ(g_Engine.GetObjectCount(), objects + 2);
        EXPECT_EQ(g_Menu.PuffCount(), MENU_START_PUFFS);
        for (int i = 0; i < 30; ++i)
            Frame();
        EXPECT_EQ(g_Menu.PuffCount(), MENU_START_PUFFS) << "a puff that leaves is replaced";
        g_Menu.Close();
        EXPECT_EQ(g_Engine.GetObjectCount(), objects);
        EXPECT_EQ(g_Menu.m_hHero, nullptr);
        EXPECT_EQ(g_Menu.PuffCount(), 0);
        // A second release (New Game and Load release it again) deletes nothing.
        g_Menu.ReleaseBackdrop();
        EXPECT_EQ(g_Engine.GetObjectCount(), objects);
    }
}

TEST_F(MenuTest, TheRifleTakesTheHandSocketAndStaysPutWithoutIt)
{
    OpenAtStart();
    ASSERT_NE(g_Menu.m_hRifle, nullptr);
    Frame();
    D3DXMATRIX socket;
    ASSERT_TRUE(g_Engine.GetObjectSocket(g_Menu.m_hHero, "ak47_prawa", &socket, nullptr));
    D3DVECTOR held;
    g_Engine.GetObjectPosition(g_Menu.m_hRifle, &held);
    EXPECT_NEAR(held.x, socket._41, 1e-4f);
    EXPECT_NEAR(held.y, socket._42, 1e-4f);
    EXPECT_NEAR(held.z, socket._43, 1e-4f);
    EXPECT_GT(std::fabs(held.y + 1.2f), 0.05f) << "not where it was made";

    // Without the socket the rifle keeps its place at the figure.
    g_Menu.Close();
    dir.Write("models/postacie/hero/sockets.txt", "weapon Bip01_R_Hand 0 0 0 0 0 0\n");
    OpenAtStart();
    Frame();
    ASSERT_FALSE(g_Engine.GetObjectSocket(g_Menu.m_hHero, "ak47_prawa", &socket, nullptr));
    g_Engine.GetObjectPosition(g_Menu.m_hRifle, &held);
    EXPECT_FLOAT_EQ(held.x, 0.0f);
    EXPECT_FLOAT_EQ(held.y, -1.2f);
    EXPECT_FLOAT_EQ(held.z, 0.0f);
}
