#pragma once
// CHitStats: the level's hit statistics and the counter of bullets that hit
// characters.

#include "platform/win32/WinTypes.h"

struct strSound;

class CHitStats
{
public:
    CHitStats();
    virtual ~CHitStats() = default;

    // Clears everything; the limit goes back to 99.
    void Reset();
    // Stops and frees the record's sound.
    void Release();
    // The per-frame steps do nothing.
    void Update() {}
    void Render() {}
    void OnBulletHit() { ++m_iHits; }

    BYTE m_Block[1200];
    DWORD m_dwValue;
    float m_fValue0;
    float m_fValue1;
    strSound* m_pSound;
    int m_iLimit;
    int m_iHits;
};

extern CHitStats g_HitStats;
