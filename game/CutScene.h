#pragma once
// CCutScene: in-engine cut-scenes.
// STAND-IN: only "CutScene"'s call, remembering the name asked for; the
// cut-scene work replaces this file with the whole CCutScene.

class CCutScene
{
public:
    virtual ~CCutScene() = default;

    void Start(const char* name);

    char m_szRequested[128] = {};
};

extern CCutScene g_CutScene;
