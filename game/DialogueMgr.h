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
};

inline CDialogueMgr g_DialogueMgr;
