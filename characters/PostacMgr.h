#pragma once
// CPostacMgr: every non-player character of the running world.
// STAND-IN: only "DeleteDead"'s call, counting the requests; the character
// work replaces this file with the whole CPostacMgr.

class CPostacMgr
{
public:
    virtual ~CPostacMgr() = default;

    void DeleteDeadCharacters();
    void DebugDraw() {}
    // STAND-IN: the character descriptions (read once at start, freed at exit)
    // and the characters' level start, frame and level end.
    void LoadDescriptions() {}
    void FreeDescriptions() {}
    void Init() {}
    void Update() {}
    void Release() {}

    int m_iDeleteDeadRequests = 0;
};

extern CPostacMgr PMgr;
