#pragma once
// CPostacMgr: every non-player character of the running world.
// STAND-IN: only "DeleteDead"'s call, counting the requests; the character
// work replaces this file with the whole CPostacMgr.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

// One alarm: where a noise or a visible event happened, how far the
// characters hear it, hear it over an open line and see it, for how many
// frames it lasts, and its three flags.
struct strAlarmRequest
{
    D3DXVECTOR3 vPosition;
    float fHearing;
    float fOpenLine;
    BYTE bFlagA;
    float fSight;
    DWORD dwLife;
    BYTE bFlagB;
    BYTE bFlagC;
};

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
    // STAND-IN: nobody hears alarms until the characters exist; the alarms are
    // counted and the last one is kept.
    void AddAlarm(const D3DXVECTOR3* position, float hearing, float openLine, BYTE flagA, float sight,
                  DWORD life, BYTE flagB, BYTE flagC)
    {
        ++m_iAlarms;
        m_LastAlarm = {position ? *position : D3DXVECTOR3(0.0f, 0.0f, 0.0f),
                       hearing,
                       openLine,
                       flagA,
                       sight,
                       life,
                       flagB,
                       flagC};
    }
    int m_iAlarms = 0;
    strAlarmRequest m_LastAlarm = {};

    int m_iDeleteDeadRequests = 0;
};

extern CPostacMgr PMgr;
