#pragma once
// CCutScene: in-engine cut-scenes. The scripts are read once when the game
// layer starts (CutSceneScripts.cpp) and kept until it is released.
// STAND-IN: playback (the scene's start, its phases, the screen and the
// overlay) waits for the cut-scene playback work; Start only remembers the
// name asked for.

#include "game/CutSceneRecords.h"
#include "platform/win32/WinTypes.h"

class CCutScene
{
public:
    virtual ~CCutScene() = default;

    void Start(const char* name);
    // Forgets the cut-scene state at a world start.
    void Clear() { m_bPlaying = 0; }
    // Every "scripts\cutscenes\*.txt", in name order (case-blind).
    void LoadAll();
    // One script; a file that cannot be opened is skipped.
    void LoadScript(const char* path);
    strscene* FindScene(const char* name) const;
    static strphase* FindPhase(const strscene* scene, const char* name);
    void FreeScenes();
    // STAND-IN: the level's screen and state, the running phase and the
    // overlay wait for the cut-scene playback work.
    void InitScreen() {}
    void ReleaseLevel() {}
    void RunPhase() {}
    void Render() {}

    char m_szRequested[128] = {};
    strscene* m_pScenes = nullptr; // newest first
    BYTE m_bPlaying = 0;           // a cut-scene is running
};

extern CCutScene g_CutScene;
