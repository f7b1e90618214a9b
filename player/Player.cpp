// STAND-IN: see Player.h.
#include "player/Player.h"

CPlayer Player;
EPlayerStats PlayerStats;

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
