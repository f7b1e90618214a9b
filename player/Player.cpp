// STAND-IN: see Player.h.
#include "player/Player.h"

#include "physics/PhysicsMgr.h"

CPlayer Player;
EPlayerStats PlayerStats;

void CPlayer::Update()
{
    g_PhysicsMgr.Step();
}

void CPlayer::SetCombatMode(bool on)
{
    m_bCombatMode = on ? 1 : 0;
}

void CPlayer::TeleportTo(const D3DVECTOR* position)
{
    if (position)
        m_vPosition = *position;
}

void CPlayer::SetHealth(float value, BYTE)
{
    m_fHealth = value;
}
