#pragma once
// CDialogueMgr: actor and hero dialogues.
// STAND-IN: no dialogues; the game-flow work replaces it.

#include "world/ObjectHandle.h"

class CDialogueMgr
{
public:
    virtual ~CDialogueMgr() = default;
    void StopDialogueOf(HOBJECT, int) {}
    void UpdateSoundsAndListeners() {}
    // STAND-IN: the level's dialogues read at level start, their frame, and freed at its end.
    void LoadAll() {}
    void Update() {}
    void FreeAll() {}
};

inline CDialogueMgr g_DialogueMgr;
