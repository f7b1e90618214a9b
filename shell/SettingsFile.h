#pragma once
// The small binary settings files of the save folder ("save\keys.cfg",
// "save\video.cfg"): each is read and written whole through the path
// resolver, its fields laid out with RecordIn / RecordOut.

#include "platform/win32/WinTypes.h"

#include <cstddef>

// Reads at most `capacity` bytes of the file into `data` and sets *size to
// the count read. False, with nothing read, when the file cannot be opened.
bool ReadSettingsFile(const char* name, BYTE* data, size_t capacity, size_t* size);

// Writes the file anew with exactly these bytes, making the save folder first
// (it does not come with the data). False unless every byte was written and
// the file closed cleanly.
bool WriteSettingsFile(const char* name, const BYTE* data, size_t size);
