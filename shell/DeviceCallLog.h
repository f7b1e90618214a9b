#pragma once
// A record of the calls the device code makes around device loss and input,
// in order, for checking the release and recreate orders. Nothing is kept
// unless recording has been switched on.

#include <string>
#include <vector>

// Switches recording on or off; either way the record starts empty.
void TkRecordDeviceCalls(bool on);
// Appends one call ("EFont::OnLostDevice") while recording.
void TkNoteDeviceCall(const char* name);
const std::vector<std::string>& TkDeviceCallLog();
