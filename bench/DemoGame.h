#pragma once
// The demo world through the whole game, headless, for the benchmarks that
// measure its frames: a copy of the data tree in a temporary folder, the game
// window and device, the world started and shown past the loading screen.
#include "support/BuildPaths.h"
#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/win32/Headless.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Timer.h"
#include "shell/WinMain.h"
#include "tests/support/GameWindow.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Engine.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace benchgame
{
constexpr DWORD kShownFrame = 215;
constexpr int kGuard = 5000;
constexpr double kFrameStepMs = 16.0;

struct DemoGame
{
    // `folder`: the benchmark's own copy of the data tree under the temporary
    // folder, one per process, so two runs side by side never share it.
    DemoGame(int width, int height, const char* folder = "tk-bench-sunlit")
    {
        dir =
            std::filesystem::temp_directory_path() / (std::string(folder) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::copy(tk::test::DataDir(), dir, std::filesystem::copy_options::recursive);
        std::filesystem::current_path(dir);
        // Textures load relative to the start-up folder: the copied data tree.
        g_Console.SetStartupDirectory(dir.string().c_str());
        TkSetBackend(TkBackend::Headless);
        // An earlier game's window was destroyed, which asked the program to
        // quit: that request is for the earlier game, not this one.
        for (MSG stale = {}; PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE);)
        {
        }
        g_bQuitting = 0;
        g_Engine.m_bQuit = 0;
        ResetHeadlessGame();
        OpenGameWindow(folder, width, height);
        g_Input.Create();
        CreateGameDevice();
        g_FocusMgr.Activate();
        g_Options.StartMenu = 0;
        g_Options.PostProcessOff = 1;
        std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", worldgen::DEMO_WORLD_FILE);
        TkHeadlessSetFrameStepMs(kFrameStepMs);
        // The game object starts with each game: the last one's device
        // shutdown released it.
        g_MainGame.Init();
        for (int i = 0; g_Engine.m_szNextWorld[0] && i < kGuard; ++i)
            Pass();
        LeaveLoadingScreen([this] { Pass(); }, kGuard);
        for (int i = 0; g_MainGame.m_iLevelFrame < kShownFrame && i < kGuard; ++i)
            Pass();
    }
    ~DemoGame()
    {
        CloseInProcessGame();
        g_Options.PostProcessOff = 0;
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(dir, ec);
    }
    void Pass()
    {
        const uint32_t end = TkFrameCount() + 1;
        for (int i = 0; TkFrameCount() < end && i < kGuard; ++i)
            RunLoopPass(msg);
    }
    // Milliseconds per frame over n frames; `moving` redraws the cascade every frame.
    double FrameMs(int n, bool moving)
    {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i)
        {
            if (moving)
                g_SkyShadow.m_bRendered[1] = 0;
            Pass();
        }
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
               n;
    }
    std::filesystem::path dir;
    MSG msg = {};
};
} // namespace benchgame
