#pragma once
// The save sections whose managers keep no state of their own yet. Each is
// written in the exact layout of its owner's idle state, so saves made now
// stay readable once the owner writes the section itself; each loader reads
// that layout back and fails on anything it could not have written.

#include <cstdio>

namespace SaveSections
{
// EPostProcess::SaveState/LoadState.
bool SavePostProcess(FILE* file);
bool LoadPostProcess(FILE* file);
// CDialogueMgr::Save/Load: the running dialogues by name, with their speakers.
bool SaveDialogue(FILE* file);
bool LoadDialogue(FILE* file);
} // namespace SaveSections
