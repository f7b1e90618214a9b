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

    int m_iDeleteDeadRequests = 0;
};

extern CPostacMgr PMgr;
