// STAND-IN: see Launcher.h.
#include "shell/Launcher.h"

void RunLauncherDialog() {}
void RunVideoOptionsDialog() {}
