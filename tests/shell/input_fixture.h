#pragma once
// Shared set-up of the key-command, mouse and launcher tests: the headless
// window layer in a fresh state inside a temporary folder (the console logs
// there too), the game's window with a procedure that polls the input on the
// 10 ms timer as the device code does, the DirectInput object, and the
// global records the tests change put back afterwards.

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/dinput/DInputHeadless.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Win32.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Mouse.h"
#include "shell/TextMgr.h"
#include "shell/WinMain.h"
#include "support/Globals.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

// One state of a settings file for a loader to start from: missing, or
// present with these bytes.
struct StoredFile
{
    const char* name; // of the case
    bool present;
    std::string bytes;
};

inline LRESULT CALLBACK InputTestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER)
    {
        g_Input.Poll();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class InputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_globals = std::make_unique<GlobalsSnapshot>();
        m_dir = std::make_unique<TempDir>(true);
        ::unsetenv("TK_SCRIPT");
        ::unsetenv("TK_FRAMES");
        ::unsetenv("TK_DIALOG_SCRIPT");
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        TkDInputResetHeadless();
        // A level that has been running for a while, the menu closed.
        g_MainGame.m_iLevelFrame = 1000;
        g_MainGame.letterboxFrames = 1000;
        g_Menu.m_bMenuActive = 0;
        g_LoadingScreen.m_bActive = 0;
        g_FocusMgr.m_bOnFocus = 1;
        g_Mouse.m_State = EMouseState();
        g_Mouse.m_SavedState = EMouseState();
        ResetCommands();
        g_bLauncherExit = g_bShowLauncher = g_bShowVideoOptions = 0;
        Mark();

        g_hWnd = OpenWindow("Duskmere 2", InputTestWindowProc, 800, 600, WS_POPUP | WS_VISIBLE | WS_CAPTION);
        ASSERT_NE(g_hWnd, nullptr);
        ASSERT_TRUE(g_Input.Create());
    }

    void TearDown() override
    {
        g_Mouse.Release();
        g_CommandMgr.ReleaseKeyboard();
        g_Input.Release();
        TkHeadlessReset();
        TkDInputResetHeadless();
        m_dir.reset();
        m_globals.reset();
        g_TextMgr.Load("scripts\\text_keys.txt");
    }

    static void ResetCommands()
    {
        std::memset(g_CommandMgr.m_bKeyState, 0, sizeof g_CommandMgr.m_bKeyState);
        std::memset(g_CommandMgr.m_dwBindings, 0, sizeof g_CommandMgr.m_dwBindings);
        g_CommandMgr.m_bFireLatch = 0;
    }

    // Passes of the main loop until `ticks` WM_TIMER messages were handled
    // (at most a few hundred passes).
    static void RunTimerTicks(int ticks)
    {
        MSG msg;
        for (int pass = 0; pass < 1000 && ticks > 0; ++pass)
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                if (msg.message == WM_TIMER)
                    --ticks;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
    }

    // Puts the settings file `relative` into the state `file` names.
    void Store(const char* relative, const StoredFile& file) const
    {
        std::error_code ignored;
        std::filesystem::remove(m_dir->path() / relative, ignored);
        if (file.present)
            m_dir->Write(relative, file.bytes);
    }

    // Marks the console's ring so that Printed sees only the lines after it.
    static void Mark()
    {
        static int serial = 0;
        MarkText() = "-- test mark " + std::to_string(++serial);
        g_Console.Print(MarkText().c_str());
    }

    // True when a console line printed since the last Mark contains the text.
    static bool Printed(const std::string& text)
    {
        for (int i = EConsole::RING_LINES - 1; i >= 0; --i)
        {
            const std::string line = g_Console.GetLine(i);
            if (line == MarkText())
                return false;
            if (line.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    static std::string& MarkText()
    {
        static std::string text;
        return text;
    }

    std::unique_ptr<TempDir> m_dir;

private:
    std::unique_ptr<GlobalsSnapshot> m_globals;
};
