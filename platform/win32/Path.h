#pragma once
// The one path resolver every file access goes through. The game names files
// as Windows did ("scripts\text_keys.txt", any case); the resolver turns such a
// name into a real path on this machine.

#include <cstdio>
#include <string>

// Backslashes become slashes; each component that does not exist with the exact
// case is matched case-blind against its folder. Components that match nothing
// are kept as written, so a name resolved for writing creates the asked-for case.
std::string TkResolvePath(const char* name);

// fopen through the resolver. Every reader and writer of the game uses it.
// Only a regular file opens: a folder, a named pipe or a device gives null
// (never a wait), as a game file on Windows is always a plain file.
FILE* TkFopen(const char* name, const char* mode);

// Case-blind compare of two names as the game's file system sees them (ASCII).
int TkCompareNames(const char* a, const char* b);

// A run of many lookups, such as a world load, during which the program
// changes its current folder only through SetCurrentDirectoryA and makes
// files only through TkFopen. While one lives, the current folder and the
// file system's change reports are read once (and again after each file
// TkFopen opens for writing and each change of folder) instead of at every
// lookup. Batches nest.
class TkPathBatch
{
public:
    TkPathBatch();
    ~TkPathBatch();
    TkPathBatch(const TkPathBatch&) = delete;
    TkPathBatch& operator=(const TkPathBatch&) = delete;
};

// The current folder was changed (SetCurrentDirectoryA tells the resolver).
void TkPathCurrentFolderChanged();

// 0 outside a batch. Within one, a number that stays the same for as long as
// the batch's view of the files holds: it changes when a file is opened for
// writing, when the current folder changes and when a new outermost batch
// begins. What a caller learned of the files (say, that a file is missing)
// may be kept until the number changes.
unsigned TkPathBatchEpoch();
