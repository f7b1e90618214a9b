// CPostacMgr: alarms, the noises and sights characters perceive: heard
// through walls, heard over an open line to the eyes, or seen over an open
// line to the body.
#include "characters/PostacMgr.h"

#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "player/Player.h"
#include "shell/Console.h"

namespace
{
float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3Length(&d);
}
} // namespace

void CPostacMgr::AddAlarm(const D3DXVECTOR3* position, float hearing, float openLine, BYTE flagA, float sight,
                          DWORD life, BYTE flagB, BYTE flagC)
{
    ++m_iAlarms;
    const D3DXVECTOR3 at = position ? *position : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_LastAlarm = {at, hearing, openLine, flagA, sight, life, flagB, flagC};
    for (strAlarm& a : m_Alarms)
    {
        if (a.used)
            continue;
        a.used = 1;
        a.position = at;
        a.hearing = hearing;
        a.openLine = openLine;
        a.sight = sight;
        a.flagA = flagA;
        a.flagB = flagB;
        a.flagC = flagC;
        a.life = life + 1;
        return;
    }
    g_Console.Print("MAX_ALARMOW exceeded!");
}

void CPostacMgr::ClearAlarms()
{
    for (strAlarm& a : m_Alarms)
        a.used = 0;
}

void CPostacMgr::AgeAlarms()
{
    for (strAlarm& a : m_Alarms)
    {
        if (!a.used)
            continue;
        if (a.life > 0)
            --a.life;
        if (a.life == 0)
            a.used = 0;
    }
}

namespace
{
// Whether a segment between the two points meets nothing, skipping the
// character's own model.
bool ClearLine(const D3DXVECTOR3& from, const D3DXVECTOR3& to, HOBJECT self, DWORD& counter)
{
    D3DXVECTOR3 a = from;
    D3DXVECTOR3 b = to;
    ++counter;
    return TraceSegment(&a, &b, self, 0, nullptr, 0, 0, 0) == 0;
}

// The three rules of perception: heard, heard over an open line from the
// alarm to `openLineTo`, seen over an open line to the character's position.
bool Perceives(const strAlarm& a, const strpostac& p, const D3DXVECTOR3& openLineTo, DWORD& counter)
{
    const bool deaf = p.desc && p.desc->deaf;
    const float d = Distance(p.eye_position, a.position);
    if (!deaf && d < a.hearing)
        return true;
    if (!deaf && a.openLine > 0.01f && d < a.openLine && ClearLine(a.position, openLineTo, p.model, counter))
        return true;
    if (a.sight > 0.01f && d < a.sight && ClearLine(a.position, p.position, p.model, counter))
        return true;
    return false;
}
} // namespace

bool CPostacMgr::PerceivesAlarm(strpostac* p, bool flaggedOnly)
{
    if (!p || g_MainGame.m_iLevelFrame < SENSES_FRAME)
        return false;
    if (p->faza && p->faza->nie_przerywaj)
        return false;
    for (const strAlarm& a : m_Alarms)
    {
        if (!a.used || (flaggedOnly && !a.flagC))
            continue;
        if (Perceives(a, *p, p->eye_position, m_iSegmentTests))
            return true;
    }
    return false;
}

void CPostacMgr::InvestigateAlarms(strpostac* p)
{
    if (!p || !p->desc || g_MainGame.m_iLevelFrame < INVESTIGATE_FRAME)
        return;
    if (PlayerStats.m_bDead || PlayerStats.m_bMissionFailed)
        return;
    if (!p->target || p->engaged)
        return;
    for (const strAlarm& a : m_Alarms)
    {
        if (!a.used || !a.flagB)
            continue;
        // Here the open line runs to the character's position, not its eyes.
        if (Perceives(a, *p, p->position, m_iSegmentTests))
        {
            p->target_position = a.position;
            return;
        }
    }
}
