#pragma once
// CCutScene: in-engine cut-scenes.
// STAND-IN: only "CutScene"'s call, remembering the name asked for; the
// cut-scene work replaces this file with the whole CCutScene.

#include "platform/win32/WinTypes.h"

class CCutScene
{
public:
    virtual ~CCutScene() = default;

    void Start(const char* name);
    // Forgets the cut-scene state at a world start.
    void Clear() { m_bPlaying = 0; }
    // STAND-IN: the scripts (read once, freed at exit), the level's screen and
    // state, the running phase and the overlay.
    void LoadAll() {}
    void FreeScenes() {}
    void InitScreen() {}
    void ReleaseLevel() {}
    void RunPhase() {}
    void Render() {}

    char m_szRequested[128] = {};
    BYTE m_bPlaying = 0; // a cut-scene is running
};

extern CCutScene g_CutScene;
