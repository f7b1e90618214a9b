// STAND-IN: see Launcher.h.
#include "shell/Launcher.h"

void RunLauncherDialog() {}
void RunVideoOptionsDialog() {}

#include "shell/D3DMain.h"

// STAND-IN: "save\video.cfg" comes with the launcher work; until then there is
// never a valid file, so the video options come first.
bool D3DMain::LoadVideoConfig()
{
    return false;
}
void D3DMain::SaveVideoConfig() {}
void D3DMain::SetDefaultVideoOptions() {}
