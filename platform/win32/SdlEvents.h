#pragma once
// The SDL side of the window layer: video start-up and the event pump that
// turns SDL events into injected input and window messages.

// Starts SDL video once; false (with a stderr line) when it cannot start.
bool TkStartSdlVideo();
// Takes every waiting SDL event; does nothing headless or before SDL video
// was started.
void TkPumpSdlEvents();
