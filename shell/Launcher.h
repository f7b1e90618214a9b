#pragma once
// The launcher and video-options dialogs.
// STAND-IN: both dialogs press Start at once; the real dialogs come with the
// launcher work.

void RunLauncherDialog();
void RunVideoOptionsDialog();
