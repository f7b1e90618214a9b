#pragma once
// Shared set-up of the window-layer tests: the headless backend, a fresh
// platform state, a temporary folder (its own lock folder inside), and a
// window procedure that records what it is sent.

#include "platform/Backend.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Win32.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

struct RecordedMessage
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    uint32_t frame;
};

inline std::vector<RecordedMessage>& Recorded()
{
    static std::vector<RecordedMessage> recorded;
    return recorded;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Recorded().push_back(RecordedMessage{hwnd, message, wParam, lParam, TkFrameCount()});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The messages of one kind that reached a window procedure.
inline std::vector<RecordedMessage> RecordedOf(UINT message)
{
    std::vector<RecordedMessage> out;
    for (const auto& m : Recorded())
        if (m.message == message)
            out.push_back(m);
    return out;
}

class Win32Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldCwd = std::filesystem::current_path();
        m_temp = std::make_unique<TempDir>(false);
        m_dir = m_temp->path();
        std::filesystem::create_directories(m_dir / "locks");
        ::setenv("TK_LOCK_DIR", (m_dir / "locks").c_str(), 1);
        ::unsetenv("TK_FRAMES");
        ::unsetenv("TK_SCRIPT");
        ::unsetenv("TK_FRAME_MS");
        TkSetBackend(TkBackend::Headless);
        TkHeadlessReset();
        Recorded().clear();
    }

    void TearDown() override
    {
        TkHeadlessReset();
        Recorded().clear();
        std::filesystem::current_path(m_oldCwd);
        m_temp.reset();
        RestoreProgramLockDir();
    }

    void EnterTempDir() { std::filesystem::current_path(m_dir); }

    void WriteFile(const std::filesystem::path& relative, const std::string& content)
    {
        std::filesystem::path path = m_dir / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

    std::string ReadFile(const std::filesystem::path& relative)
    {
        std::ifstream in(m_dir / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Registers the class on first use and makes a visible 800 x 600 window.
    HWND MakeWindow(const char* className = "Duskmere 2", const char* title = "Duskmere 2",
                    WNDPROC proc = RecordingProc)
    {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.lpszClassName = className;
        RegisterClassExA(&wc); // a second registration of the class fails harmlessly
        return CreateWindowExA(0, className, title, WS_POPUP | WS_VISIBLE | WS_CAPTION, CW_USEDEFAULT,
                               CW_USEDEFAULT, 800, 600, nullptr, nullptr, nullptr, nullptr);
    }

    // Runs the main loop as the game does until WM_QUIT or `maxPasses` passes;
    // returns the WM_QUIT code, or -1 when it never came.
    int RunLoop(int maxPasses = 10000)
    {
        MSG msg;
        for (int pass = 0; pass < maxPasses; ++pass)
        {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                if (msg.message == WM_QUIT)
                    return static_cast<int>(msg.wParam);
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        return -1;
    }

    std::unique_ptr<TempDir> m_temp;
    std::filesystem::path m_dir;
    std::filesystem::path m_oldCwd;
};
