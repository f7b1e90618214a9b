#include "win32_fixture.h"

#include "platform/dinput/DInput.h"
#include "platform/win32/Input.h"
#include "platform/win32/Keys.h"

#include <utility>

#include <SDL_scancode.h>

namespace
{
using Win32InputTest = Win32Test;

// A name's scan code is the DirectInput key code of the same key.
TEST(Win32Keys, NamesGiveVirtualKeysAndScanCodes)
{
    struct Case
    {
        const char* name;
        int vk;
        int scan;
    };
    const Case cases[] = {
        {"A", 'A', DIK_A},
        {"z", 'Z', DIK_Z},
        {"0", '0', DIK_0},
        {"1", '1', DIK_1},
        {"F1", VK_F1, DIK_F1},
        {"f12", VK_F12, DIK_F12},
        {"Escape", VK_ESCAPE, DIK_ESCAPE},
        {"ENTER", VK_RETURN, DIK_RETURN},
        {"space", VK_SPACE, DIK_SPACE},
        {"Tab", VK_TAB, DIK_TAB},
        {"Backspace", VK_BACK, DIK_BACK},
        {"Up", VK_UP, DIK_UP},
        {"down", VK_DOWN, DIK_DOWN},
        {"Left", VK_LEFT, DIK_LEFT},
        {"Right", VK_RIGHT, DIK_RIGHT},
        {"Shift", VK_LSHIFT, DIK_LSHIFT},
        {"Ctrl", VK_LCONTROL, DIK_LCONTROL},
        {"Alt", VK_LMENU, DIK_LMENU},
        {"grave", VK_OEM_3, DIK_GRAVE},
        {"Insert", VK_INSERT, DIK_INSERT},
        {"Delete", VK_DELETE, DIK_DELETE},
        {"Home", VK_HOME, DIK_HOME},
        {"End", VK_END, DIK_END},
        {"PageUp", VK_PRIOR, DIK_PRIOR},
        {"PageDown", VK_NEXT, DIK_NEXT},
        {"Minus", VK_OEM_MINUS, DIK_MINUS},
        {"Equals", VK_OEM_PLUS, DIK_EQUALS},
        {"NumEnter", VK_RETURN, DIK_NUMPADENTER},
        {"RCtrl", VK_RCONTROL, DIK_RCONTROL},
        // Unknown names give nothing.
        {"F13", 0, 0},
        {"F0", 0, 0},
        {"AB", 0, 0},
        {"", 0, 0},
    };
    for (const Case& c : cases)
    {
        TkKey key = TkKeyFromName(c.name);
        EXPECT_EQ(key.vk, c.vk) << c.name;
        EXPECT_EQ(key.scan, c.scan) << c.name;
    }
    EXPECT_EQ(TkKeyFromName(nullptr).vk, 0);
    // Bytes past ASCII in a script name no key (and are read as unsigned).
    for (const char* odd : {"F\xb9", "F1\xb2", "\xe9", "F\xff\xff"})
        EXPECT_EQ(TkKeyFromName(odd).vk, 0) << odd;
}

TEST(Win32Keys, OtherNamesOfAKeyGiveTheSameKey)
{
    const std::pair<const char*, const char*> aliases[] = {
        {"Esc", "Escape"}, {"Return", "Enter"}, {"LShift", "Shift"}, {"Control", "Ctrl"},
        {"LCtrl", "Ctrl"}, {"LAlt", "Alt"},     {"ESC", "escape"},
    };
    for (const auto& [alias, name] : aliases)
    {
        const TkKey a = TkKeyFromName(alias), b = TkKeyFromName(name);
        EXPECT_NE(a.vk, 0) << alias;
        EXPECT_EQ(a.vk, b.vk) << alias;
        EXPECT_EQ(a.scan, b.scan) << alias;
    }
}

TEST(Win32Keys, SdlScancodesGiveVirtualKeys)
{
    struct Case
    {
        int sdl;
        int vk;
        int scan;
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, 'A', 0x1E},
        {SDL_SCANCODE_Z, 'Z', 0x2C},
        {SDL_SCANCODE_1, '1', 0x02},
        {SDL_SCANCODE_0, '0', 0x0B},
        {SDL_SCANCODE_F1, VK_F1, 0x3B},
        {SDL_SCANCODE_F12, VK_F12, 0x58},
        {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29},
        {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01},
        {SDL_SCANCODE_LSHIFT, VK_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, VK_RSHIFT, 0x36},
        {SDL_SCANCODE_RCTRL, VK_RCONTROL, 0x9D},
        {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x9C},
        {SDL_SCANCODE_UP, VK_UP, 0xC8},
        {SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48},
        {SDL_SCANCODE_UNKNOWN, 0, 0},
        {SDL_SCANCODE_F24, 0, 0},
        {SDL_SCANCODE_AUDIOPLAY, 0, 0},
        {-5, 0, 0},
        {100000, 0, 0},
    };
    for (const Case& c : cases)
    {
        TkKey key = TkKeyFromSdlScancode(c.sdl);
        EXPECT_EQ(key.vk, c.vk) << c.sdl;
        EXPECT_EQ(key.scan, c.scan) << c.sdl;
    }
}

TEST(Win32Keys, CharactersOfAUsKeyboard)
{
    EXPECT_EQ(TkCharFromVk('Q', false, false), 'q');
    EXPECT_EQ(TkCharFromVk('Q', true, false), 'Q');
    EXPECT_EQ(TkCharFromVk('C', false, true), 3);
    EXPECT_EQ(TkCharFromVk('2', true, false), '@');
    EXPECT_EQ(TkCharFromVk(VK_OEM_3, true, false), '~');
    EXPECT_EQ(TkCharFromVk(VK_NUMPAD7, false, false), '7');
    EXPECT_EQ(TkCharFromVk(VK_ESCAPE, false, false), 27);
    EXPECT_EQ(TkCharFromVk(VK_F5, false, false), 0);
    EXPECT_EQ(TkCharFromVk(VK_SHIFT, true, false), 0);
}

TEST_F(Win32InputTest, KeysPostMessagesAndKeepTheKeyboardState)
{
    HWND hwnd = MakeWindow();
    TkInjectKey(VK_RSHIFT, true);
    TkInjectKey('W', true);
    TkInjectKey('W', true); // auto-repeat
    EXPECT_TRUE(TkIsVirtualKeyDown(VK_SHIFT));
    EXPECT_TRUE(TkIsVirtualKeyDown(VK_RSHIFT));
    EXPECT_FALSE(TkIsVirtualKeyDown(VK_LSHIFT));
    BYTE state[256];
    TkGetKeyboardState(state);
    EXPECT_EQ(state[0x36], 0x80); // right Shift
    EXPECT_EQ(state[0x11], 0x80); // W
    EXPECT_EQ(state[0x2A], 0);
    TkInjectKey('W', false);
    TkInjectKey(VK_RSHIFT, false);
    EXPECT_FALSE(TkIsScanKeyDown(0x11));
    EXPECT_FALSE(TkIsVirtualKeyDown(VK_SHIFT));

    MSG msg;
    std::vector<MSG> got;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
        got.push_back(msg);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(VK_SHIFT)); // left or right, Windows says Shift
    EXPECT_EQ((got[0].lParam >> 16) & 0xFF, 0x36);
    EXPECT_EQ(got[1].lParam & (1 << 30), 0); // first press
    EXPECT_NE(got[2].lParam & (1 << 30), 0); // repeat: was down
    EXPECT_EQ(got[3].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_NE(static_cast<DWORD>(got[3].lParam) & 0x80000000u, 0u);
}

TEST_F(Win32InputTest, AltMakesSystemKeysAndExtendedKeysAreMarked)
{
    MakeWindow();
    TkInjectKey(VK_LMENU, true);
    TkInjectKey(VK_F4, true);
    TkInjectKey(VK_F4, false);
    TkInjectKey(VK_LMENU, false);
    TkInjectKey(VK_F10, true);
    TkInjectKeyScan(VK_RETURN, 0x9C, true);
    MSG msg;
    std::vector<UINT> kinds;
    LPARAM last = 0;
    while (PeekMessageA(&msg, nullptr, WM_KEYDOWN, WM_SYSKEYUP, PM_REMOVE))
    {
        kinds.push_back(msg.message);
        last = msg.lParam;
    }
    EXPECT_EQ(kinds, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYUP, WM_SYSKEYDOWN,
                                        WM_KEYDOWN}));
    EXPECT_NE(last & (1 << 24), 0); // numeric-pad Enter is an extended key
    EXPECT_TRUE(TkIsScanKeyDown(0x9C));
    EXPECT_FALSE(TkIsScanKeyDown(0x1C));
}

TEST_F(Win32InputTest, InputGoesToTheFocusWindow)
{
    HWND main = MakeWindow("Main", "main");
    HWND other = MakeWindow("Other", "other");
    EXPECT_EQ(GetFocus(), main);
    EXPECT_EQ(SetFocus(other), main);
    EXPECT_EQ(RecordedOf(WM_KILLFOCUS).at(0).hwnd, main);
    EXPECT_EQ(RecordedOf(WM_SETFOCUS).at(0).hwnd, other);
    TkInjectText("x");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, other, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('x'));

    // With no window at all the state still changes and nothing is posted.
    DestroyWindow(main);
    DestroyWindow(other);
    TkInjectKey('A', true);
    EXPECT_TRUE(TkIsVirtualKeyDown('A'));
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(static_cast<intptr_t>(-1)), 0, 0, PM_REMOVE));
}

TEST_F(Win32InputTest, TextIsDecodedToSingleByteCharacters)
{
    MakeWindow();
    // a, e-acute, euro (dropped), stray bytes standing for themselves, b
    TkInjectText("a\xC3\xA9\xE2\x82\xAC\xFF\x80"
                 "b\xE2\x82");
    std::vector<WPARAM> chars;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE))
        chars.push_back(msg.wParam);
    EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 0xE9, 0xFF, 0x80, 'b', 0xE2, 0x82}));
    TkInjectText(nullptr);
}

TEST_F(Win32InputTest, MouseQueueKeepsOrderAndOverflowsLikeABuffer)
{
    HWND hwnd = MakeWindow();
    TkInjectMouseButton(1, true);
    TkInjectMouseMove(-30, 900); // the message cursor stays in the client area
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_RBUTTONDOWN, WM_RBUTTONDOWN, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(msg.wParam & MK_RBUTTON, static_cast<WPARAM>(MK_RBUTTON));
    EXPECT_EQ(LOWORD(msg.lParam), 0);
    EXPECT_EQ(HIWORD(msg.lParam), 599);
    EXPECT_TRUE(TkIsMouseButtonDown(1));
    EXPECT_EQ(TkPendingMouseEvents(), 3u);

    TkMouseEvent e[4];
    ASSERT_EQ(TkReadMouseEvents(e, 1), 1u);
    EXPECT_EQ(e[0].kind, TkMouseEventKind::Button);
    EXPECT_EQ(e[0].button, 1);
    ASSERT_EQ(TkReadMouseEvents(e, 4), 2u);
    EXPECT_EQ(e[0].value, -30);
    EXPECT_EQ(e[1].value, 900);
    EXPECT_LT(e[0].sequence, e[1].sequence);

    for (size_t i = 0; i < kMouseEventCapacity + 10; ++i)
        TkInjectMouseWheel(1);
    EXPECT_EQ(TkPendingMouseEvents(), kMouseEventCapacity);
    EXPECT_TRUE(TkMouseEventsOverflowed());
    TkFlushMouseEvents();
    EXPECT_EQ(TkPendingMouseEvents(), 0u);
    EXPECT_FALSE(TkMouseEventsOverflowed());

    // The either-hand codes press the left-hand key.
    TkInjectKey(VK_CONTROL, true);
    EXPECT_TRUE(TkIsVirtualKeyDown(VK_CONTROL));
    EXPECT_TRUE(TkIsVirtualKeyDown(VK_LCONTROL));
    EXPECT_TRUE(TkIsScanKeyDown(0x1D));

    TkInjectKey('A', true);
    TkReleaseAllInput();
    EXPECT_FALSE(TkIsVirtualKeyDown(VK_CONTROL));
    EXPECT_FALSE(TkIsVirtualKeyDown('A'));
    EXPECT_FALSE(TkIsMouseButtonDown(1));
}
TEST_F(Win32InputTest, CursorStaysInRangeWithoutAWindowHoweverFarTheMouseGoes)
{
    // Raw movement is kept whole; the cursor stops where messages can carry it.
    for (int i = 0; i < 3000; ++i)
        TkInjectMouseMove(1000000, -1000000);
    EXPECT_EQ(TkGetCursorPosition().x, 32767);
    EXPECT_EQ(TkGetCursorPosition().y, -32768);
    TkMouseEvent e[2];
    ASSERT_EQ(TkReadMouseEvents(e, 2), 2u);
    EXPECT_EQ(e[0].value, 1000000);
    EXPECT_EQ(e[1].value, -1000000);

    // A window created later holds it in its client area again.
    MakeWindow();
    TkInjectMouseMove(-1, 1);
    EXPECT_EQ(TkGetCursorPosition().x, 799);
    EXPECT_EQ(TkGetCursorPosition().y, 0);
}
} // namespace

namespace
{
// Typed as key strokes: each character's key goes down and up, Shift held
// around a shifted character; a character no key types is skipped.
TEST_F(Win32InputTest, KeyStrokesPressEachCharactersKeyInTurn)
{
    HWND hwnd = MakeWindow();
    TkInjectKeyStrokes("a B\\_\xE9");
    std::vector<std::pair<UINT, WPARAM>> keys;
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)
            keys.emplace_back(msg.message, msg.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, 'A'},        {WM_KEYUP, 'A'},      {WM_KEYDOWN, VK_SPACE}, {WM_KEYUP, VK_SPACE},
        {WM_KEYDOWN, VK_SHIFT},   {WM_KEYDOWN, 'B'},    {WM_KEYUP, 'B'},        {WM_KEYUP, VK_SHIFT},
        {WM_KEYDOWN, VK_OEM_5},   {WM_KEYUP, VK_OEM_5}, {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, VK_OEM_MINUS},
        {WM_KEYUP, VK_OEM_MINUS}, {WM_KEYUP, VK_SHIFT},
    };
    EXPECT_EQ(keys, expected);
    EXPECT_FALSE(TkIsVirtualKeyDown(VK_SHIFT));
    TkInjectKeyStrokes(nullptr);
}

TEST(Win32Keys, CharactersGiveTheKeyThatTypesThem)
{
    struct Case
    {
        int ch;
        int vk;
        bool shift;
    };
    const Case cases[] = {
        {'a', 'A', false},
        {'A', 'A', true},
        {'7', '7', false},
        {'&', '7', true},
        {'-', VK_OEM_MINUS, false},
        {'.', VK_OEM_PERIOD, false},
        {'`', VK_OEM_3, false},
        {'~', VK_OEM_3, true},
        {' ', VK_SPACE, false},
        {'\r', VK_RETURN, false},
        {0, 0, false},
        {0xE9, 0, false},
    };
    for (const Case& c : cases)
    {
        bool shift = !c.shift;
        const TkKey key = TkKeyFromChar(c.ch, &shift);
        EXPECT_EQ(key.vk, c.vk) << c.ch;
        EXPECT_EQ(shift, c.shift) << c.ch;
        EXPECT_EQ(key.scan, c.vk ? TkScanFromVk(c.vk) : 0) << c.ch;
    }
}

TEST(Win32Keys, MapVirtualKeyTurnsKeysToScanCodesAndBack)
{
    EXPECT_EQ(MapVirtualKeyA(VK_OEM_3, MAPVK_VK_TO_VSC), static_cast<UINT>(DIK_GRAVE));
    EXPECT_EQ(MapVirtualKeyA(VK_UP, MAPVK_VK_TO_VSC), 0x48u);
    EXPECT_EQ(MapVirtualKeyA(VK_UP, MAPVK_VK_TO_VSC_EX), 0xE048u);
    EXPECT_EQ(MapVirtualKeyA('A', MAPVK_VK_TO_VSC_EX), static_cast<UINT>(DIK_A));
    EXPECT_EQ(MapVirtualKeyA(DIK_A, MAPVK_VSC_TO_VK), static_cast<UINT>('A'));
    EXPECT_EQ(MapVirtualKeyA(0xE048, MAPVK_VSC_TO_VK), static_cast<UINT>(VK_UP));
    EXPECT_EQ(MapVirtualKeyA(0x48, MAPVK_VSC_TO_VK), static_cast<UINT>(VK_NUMPAD8));
    EXPECT_EQ(MapVirtualKeyA(0x1FF, MAPVK_VK_TO_VSC), 0u);
    EXPECT_EQ(MapVirtualKeyA(0x1248, MAPVK_VSC_TO_VK), 0u);
    EXPECT_EQ(MapVirtualKeyA(VK_OEM_3, 7), 0u);
}
} // namespace
