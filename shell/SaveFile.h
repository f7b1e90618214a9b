#pragma once
// The save-file primitives: every binary file the game writes (save games,
// the caches, the placed-object files) is written and read back through
// these, item by item, in the 32-bit little-endian layout, with no tags or
// padding (the small settings files, "save\keys.cfg" and "save\video.cfg",
// are built whole in the same layout: SettingsFile.h, RecordBytes.h):
//   dword 4 bytes | bool 1 byte (0 or 1) | block n raw bytes | vector 3 floats
//   string: dword length, then the characters without terminator
//   orientation: 116 bytes (quaternion 4 floats, matrix 16 floats row by row,
//                forward, right, up 3 floats each)
//   object reference: the object's three PESEL dwords, zeros for no object
// A reader calls the read functions in exactly the order the writer called
// the write functions.
//
// Two running counters tell the save manager the size of each section; it
// zeroes them before a section and reads them after. Every call adds the bytes
// it asked for, whether or not the file took or gave them.
//
// Failures are reported, never hidden: every function returns false when its
// bytes did not all go to (or come from) the file, and the sticky flags below
// record that some write or read of the section failed, so a save with a
// failed write ends as a failed save and a truncated file as a failed load.
// Stdio buffers writes, so a full disk may only show at the flush:
// FinishWriting (or CloseSaveFile) must succeed before a save counts as done.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <cstdio>

struct D3DVECTOR;
struct EOrientation;

extern DWORD g_dwBytesWritten;
extern DWORD g_dwBytesRead;
// Set by any failed write or read; cleared only by ResetSaveFileErrors.
extern bool g_bSaveWriteFailed;
extern bool g_bSaveReadFailed;

void ResetSaveFileErrors();

// Flushes the stream and reports whether every write to it succeeded.
bool FinishWriting(FILE* file);
// FinishWriting, then fclose; false when anything failed. A null file is false.
bool CloseSaveFile(FILE* file);

bool WriteBytes(FILE* file, const void* data, DWORD n);
bool ReadBytes(FILE* file, void* data, DWORD n);

bool WriteDword(FILE* file, DWORD value);
bool ReadDword(FILE* file, DWORD* value);
// Floats travel as the bit pattern of a dword.
bool WriteFloat(FILE* file, float value);
bool ReadFloat(FILE* file, float* value);

bool WriteBool(FILE* file, bool value);
// At the end of the file: false, and *value becomes false.
bool ReadBool(FILE* file, bool* value);
bool ReadBool(FILE* file, BYTE* value);

bool WriteVector(FILE* file, const float* v);
bool WriteVector(FILE* file, const D3DVECTOR* v);
bool ReadVector(FILE* file, float* v);
bool ReadVector(FILE* file, D3DVECTOR* v);

bool WriteString(FILE* file, const char* text);
// Reads a string into buffer, which holds capacity bytes, and terminates it.
// A stored string too long for the buffer is cut to fit, the rest skipped so
// the following items stay in step, a console line says so, and the call
// returns false. Never writes past the buffer.
bool ReadString(FILE* file, char* buffer, size_t capacity);
template <size_t N> bool ReadString(FILE* file, char (&buffer)[N])
{
    return ReadString(file, buffer, N);
}

bool WriteOrientation(FILE* file, const EOrientation* o);
// Reads the fields back as they are; the value is not rebuilt from its quaternion.
bool ReadOrientation(FILE* file, EOrientation* o);
// The same record under the name other managers use for it.
inline bool WriteNamedRecord(FILE* file, const EOrientation* o)
{
    return WriteOrientation(file, o);
}
inline bool ReadNamedRecord(FILE* file, EOrientation* o)
{
    return ReadOrientation(file, o);
}

// An object reference: the object's PESEL, or three zero dwords for null.
bool WritePesel(FILE* file, HOBJECT obj);
// Reads a PESEL and finds the live object that has it
// (EEngine::FindObjectByPesel); null when none does.
bool ReadPesel(FILE* file, HOBJECT* obj);
