#include "shell/GameOptions.h"

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
    g_Options.fScreenScaleX = static_cast<float>(g_Options.screenwidth) / kLayoutWidth;
    g_Options.fScreenScaleY = static_cast<float>(g_Options.screenheight) / kLayoutHeight;
}
