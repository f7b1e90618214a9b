#pragma once
// The save sections whose managers keep no state of their own yet. Each is
// written in the exact layout of its owner's idle state, so saves made now
// stay readable once the owner writes the section itself; each loader reads
// that layout back and fails on anything it could not have written.

#include <cstdio>

namespace SaveSections
{
// STAND-IN: CKillCam::Save/Load; the allowed byte (1) until the kill camera keeps one.
bool SaveKillCam(FILE* file);
bool LoadKillCam(FILE* file);
// EPostProcess::SaveState/LoadState.
bool SavePostProcess(FILE* file);
bool LoadPostProcess(FILE* file);
// STAND-IN: CDialogueMgr::Save/Load; six empty slots and no hero dialogue,
// until the dialogue manager is built.
bool SaveDialogue(FILE* file);
bool LoadDialogue(FILE* file);
} // namespace SaveSections
