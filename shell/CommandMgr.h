#pragma once
// CCommandMgr: the game's key commands. 260 numbered commands each have two
// key codes; a code is a DirectInput scan code (0 to 255) or a mouse button
// (256, 257, 258 for buttons 0, 1, 2). The keyboard device is read on the
// 10 ms window timer into the key-state table, into which the mouse poll
// writes the three buttons; game code asks IsCommandDown. The bindings, with
// the sound, music, mouse and gamma options, are kept in "save\keys.cfg".

#include "platform/win32/WinTypes.h"

struct IDirectInputDevice8;

class CCommandMgr
{
public:
    static constexpr int MAX_COMMANDS = 260;
    static constexpr int KEY_CODES = 260; // key-state table: scan codes, then mouse buttons
    static constexpr int KEYS_PER_COMMAND = 2;
    static constexpr int KEY_NAME_CHARS = 64;
    static constexpr int MOUSE_BUTTON_CODE = 256; // mouse button n is code 256 + n (n = 0, 1, 2)
    static constexpr int MOUSE_BUTTON_CODES = 3;
    static constexpr int FIRE_COMMAND = 19;    // reads as up while the fire latch is set
    static constexpr int CONSOLE_COMMAND = 10; // opens the drop-down console
    static constexpr DWORD KEYS_VERSION = 6;
    // "save\keys.cfg": version, bindings, options, then the player's byte.
    static constexpr size_t KEYS_FILE_BYTES = 2114;

    virtual ~CCommandMgr();

    // Creates and acquires the keyboard (window, foreground, exclusive).
    void InitKeyboard(HWND hwnd);
    void ReleaseKeyboard();
    // Every keyboard key up in the key-state table (the mouse buttons stay):
    // for a keyboard nobody reads for a while, so no key held at that moment
    // stays down.
    void ClearKeyboardState();
    // The engine's per-frame request for the keyboard: creates it when there
    // is none, otherwise acquires it again (after the focus came back).
    void AcquireKeyboard(HWND hwnd);
    // On each WM_TIMER: the keyboard state into the key-state table.
    void ReadKeyboard();

    // False for a command outside the table, and for the fire command while
    // the fire latch is set; otherwise whether either bound key is down.
    bool IsCommandDown(int command, int keyOffset = 0) const;
    // Whether the key a key message names (its virtual-key code) is one of
    // the command's keys.
    bool IsCommandKey(int command, WPARAM vk) const;
    // The state byte of mouse button n (0 to 3); 0 for any other n.
    BYTE GetMouseButton(int n) const;
    // The save screen sets it so that the click that closed it does not fire;
    // it clears once no key of the fire command is down.
    void SetFireLatch() { m_bFireLatch = 1; }

    // The default bindings and the key names.
    void SetDefaultKeys();
    // The display names of the key codes from their text keys.
    void FillKeyNames();
    // Reads "save\keys.cfg"; a missing, damaged or outdated file gives the
    // default bindings and is written anew.
    void LoadKeys();
    void SaveKeys();

    IDirectInputDevice8* m_pKeyboard = nullptr;
    DWORD m_dwVersion = KEYS_VERSION;
    BYTE m_bKeyState[KEY_CODES] = {};                        // 1 while down
    char m_szKeyNames[KEY_CODES][KEY_NAME_CHARS] = {};       // by key code
    DWORD m_dwBindings[MAX_COMMANDS][KEYS_PER_COMMAND] = {}; // 0: no key
    BYTE m_bFireLatch = 0;
    BYTE m_bKeyboardReady = 0;
};

extern CCommandMgr g_CommandMgr;
