#include "shell/HitStats.h"

#include "sound/SoundMgr.h"

#include <cstring>

CHitStats g_HitStats;

CHitStats::CHitStats()
{
    Reset();
}

void CHitStats::Reset()
{
    std::memset(m_Block, 0, sizeof m_Block);
    m_dwValue = 0;
    m_fValue0 = 0.0f;
    m_fValue1 = 0.0f;
    m_pSound = nullptr;
    m_iLimit = 99;
    m_iHits = 0;
}

void CHitStats::Release()
{
    if (m_pSound)
    {
        g_SoundMgr.StopSound(m_pSound);
        g_SoundMgr.DeleteSound(m_pSound);
        m_pSound = nullptr;
    }
}
