// CPlayer: the moves a script hands the hero. Riding on a socket of a moving
// object (a truck bed, a cart), walking a bezier path at a slow or a fast
// pace, the countdown that runs an object's actions when it ends, and the
// hide zone that tells scripted helicopters the hero is out of their sight.
#include "player/Player.h"

#include "game/BezierMgr.h"
#include "physics/PhysicsMgr.h"
#include "shell/Console.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr double kShortestPath = 0.1;
constexpr float kBezierSlow = 8.0f;
constexpr float kBezierFast = 20.0f;
constexpr float kBezierAtStart = 0.2f;
constexpr double kBezierEndShort = 1.0; // the walk ends this far before the path's end
constexpr float kCountdownFires = 1.0f; // the target's actions run once the time drops below this

// Copies a name that fits its field; false (and nothing copied) otherwise.
bool CopyName(char* to, size_t size, const char* name)
{
    if (!name || !name[0] || std::strlen(name) >= size)
        return false;
    std::memcpy(to, name, std::strlen(name) + 1);
    return true;
}

void KeepPesel(HOBJECT o, DWORD (&pesel)[3])
{
    for (int i = 0; i < 3; ++i)
        pesel[i] = o ? o->PESEL[i] : 0;
}

// The object is still the one whose PESEL was kept.
bool StillThere(HOBJECT o, const DWORD (&pesel)[3])
{
    return o && o->bUsed && o->PESEL[0] == pesel[0] && o->PESEL[1] == pesel[1] && o->PESEL[2] == pesel[2];
}
} // namespace

// ---- Riding -------------------------------------------------------------------------------

bool CPlayer::StartMovingOnObject(const char* object, const char* socket)
{
    char ride[SPECIAL_NAME_SIZE];
    char at[SPECIAL_NAME_SIZE];
    if (!CopyName(ride, sizeof ride, object) || !CopyName(at, sizeof at, socket))
    {
        g_Console.Print("player_start_moving_on_object needs an object and a socket name that fit");
        return false;
    }
    std::memcpy(m_szRideObject, ride, sizeof ride);
    std::memcpy(m_szRideSocket, at, sizeof at);
    m_bRiding = 1;
    g_PhysicsMgr.FreezePlayer();
    return true;
}

void CPlayer::StopMovingOnObject()
{
    if (!m_bRiding)
        return;
    m_bRiding = 0;
    const D3DXVECTOR3 p(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    g_PhysicsMgr.UnfreezePlayerAt(&p);
}

void CPlayer::RideStep()
{
    HOBJECT ride = g_Engine.FindObject(m_szRideObject, 0);
    if (!ride)
    {
        g_Console.Print2("Can't find movement object ", m_szRideObject);
        StopMovingOnObject();
        return;
    }
    D3DXMATRIX socket;
    if (!g_Engine.GetObjectSocket(ride, m_szRideSocket, &socket, nullptr))
    {
        g_Console.Print2("Can't read movement socket ", m_szRideSocket);
        return;
    }
    m_vPosition = {socket._41, socket._42, socket._43};
    const D3DXVECTOR3 p(socket._41, socket._42, socket._43);
    g_PhysicsMgr.WarpPlayer(&p);
}

// ---- The bezier walk ----------------------------------------------------------------------

void CPlayer::StartBezier(const char* path, BYTE fast)
{
    if (!path || !path[0])
    {
        StopBezier();
        return;
    }
    char name[BEZIER_NAME_SIZE];
    const double length = CopyName(name, sizeof name, path) ? g_BezierMgr.GetPathLength(name) : 0.0;
    if (!(length >= kShortestPath))
    {
        char line[160];
        std::snprintf(line, sizeof line, "Player Bezier %s too short or not existing!", path);
        g_Console.Print(line);
        return;
    }
    std::memcpy(m_szBezierPath, name, sizeof name);
    m_bBezier = 1;
    m_bBezierFast = fast ? 1 : 0;
    m_iBezierPhase = 0;
    m_dBezierLength = length;
    m_dBezierDist = 0.0;
    m_vBezierPoint = D3DXVECTOR3(m_vPosition.x, m_vPosition.y, m_vPosition.z);
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void CPlayer::StopBezier()
{
    m_bBezier = 0;
    m_bBezierFast = 0;
    m_bRunning = 0;
}

void CPlayer::BezierStep()
{
    const float speed = m_bBezierFast ? kBezierFast : kBezierSlow;
    const float step = speed * m_fFrameTime;
    D3DXVECTOR3 point;
    D3DXVECTOR3 direction;
    if (m_iBezierPhase == 0)
    {
        g_BezierMgr.GetPointAt(m_szBezierPath, 0.0, &point, &direction);
        const D3DXVECTOR3 way = point - m_vBezierPoint;
        const float d = std::sqrt(way.x * way.x + way.y * way.y + way.z * way.z);
        if (d <= kBezierAtStart || !std::isfinite(d))
        {
            m_vBezierPoint = point;
            m_iBezierPhase = 1;
        }
        else
            m_vBezierPoint += way * (std::fmin(step, d) / d);
    }
    else
    {
        m_dBezierDist += step;
        bool end = false;
        if (m_dBezierDist >= m_dBezierLength - kBezierEndShort)
        {
            m_dBezierDist = std::fmax(0.0, m_dBezierLength - kBezierEndShort);
            end = true;
        }
        g_BezierMgr.GetPointAt(m_szBezierPath, m_dBezierDist, &point, &direction);
        m_vBezierPoint = point;
        if (end)
        {
            StopBezier();
            if (m_bRadiusOn)
                m_vRadiusCentre = point;
            return;
        }
    }
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_bMoving = 1;
    m_bRunning = m_bBezierFast;
    m_bCrouched = 0;
}

// ---- The countdown ------------------------------------------------------------------------

void CPlayer::StartCountdown(HOBJECT starter)
{
    if (!starter || !starter->pActionParams)
        return;
    const EObjectActionParams& p = *starter->pActionParams;
    HOBJECT target = g_Engine.FindObject(p.action_countdown_action_on_finish, 0);
    if (!target)
    {
        char line[200];
        std::snprintf(line, sizeof line, "Can't find Countdown target action object \"%s\"",
                      p.action_countdown_action_on_finish);
        g_Console.Print(line);
        StopCountdown();
        return;
    }
    m_hCountdownTarget = target;
    KeepPesel(target, m_CountdownPesel);
    m_fCountdown = p.action_countdown_time_in_seconds;
    m_bCountdown = 1;
}

void CPlayer::StopCountdown()
{
    m_bCountdown = 0;
    m_hCountdownTarget = nullptr;
}

void CPlayer::CountdownStep()
{
    if (!m_bCountdown)
        return;
    if (!StillThere(m_hCountdownTarget, m_CountdownPesel))
    {
        StopCountdown();
        return;
    }
    m_fCountdown -= m_fFrameTime;
    if (m_fCountdown < kCountdownFires)
    {
        HOBJECT target = m_hCountdownTarget;
        StopCountdown();
        g_Engine.RunActions(target, 0);
    }
}

// ---- The hide zone ------------------------------------------------------------------------

void CPlayer::SetHideZone(const char* object, float threshold)
{
    m_hHideZone = object && object[0] ? g_Engine.FindObject(object, 0) : nullptr;
    KeepPesel(m_hHideZone, m_HideZonePesel);
    m_fHideThreshold = threshold;
}

bool CPlayer::HideZoneTest()
{
    if (!m_hHideZone)
        return false;
    if (!StillThere(m_hHideZone, m_HideZonePesel))
    {
        m_hHideZone = nullptr;
        return false;
    }
    return m_fHideThreshold > m_hHideZone->fCameraDistance;
}
