#include "shell/GameOptions.h"

#include "shell/Console.h"

#include <cstdio>

// Constant-initialised: code that runs during static initialisation (the
// text-key table) may read it.
constinit GameOptions g_Options;

namespace
{
constexpr int kWindowedWidth = 800;
constexpr int kWindowedHeight = 600;
constexpr float kLayoutWidth = 1024.0f;
constexpr float kLayoutHeight = 768.0f;
} // namespace

void SettleScreenSize()
{
    if (g_Options.Windowed)
    {
        g_Options.screenwidth = kWindowedWidth;
        g_Options.screenheight = kWindowedHeight;
    }
    if (g_Options.screenwidth < GameOptions::DEFAULT_SCREEN_WIDTH ||
        g_Options.screenheight < GameOptions::DEFAULT_SCREEN_HEIGHT)
    {
        char line[EConsole::PRINT_MAX + 1];
        std::snprintf(line, sizeof line, "Screen size %i x %i is too small, %i x %i used",
                      g_Options.screenwidth, g_Options.screenheight, GameOptions::DEFAULT_SCREEN_WIDTH,
                      GameOptions::DEFAULT_SCREEN_HEIGHT);
        g_Console.Print(line);
        g_Options.screenwidth = GameOptions::DEFAULT_SCREEN_WIDTH;
        g_Options.screenheight = GameOptions::DEFAULT_SCREEN_HEIGHT;
    }
    g_Options.fScreenScaleX = static_cast<float>(g_Options.screenwidth) / kLayoutWidth;
    g_Options.fScreenScaleY = static_cast<float>(g_Options.screenheight) / kLayoutHeight;
}
