#pragma once
// EDeathParams: how an object takes damage and what its death does.
// STAND-IN (in part): the leading fields up to the hit points; the fields
// after them are kept as the bytes a save game stores. The damage work
// replaces this with the whole record.

#include "platform/win32/WinTypes.h"

#include <cstring>

struct EDeathParams
{
    static constexpr int STORED_SIZE = 2784;
    static constexpr int REST_OFFSET = 48; // where the fields after the hit points start
    static constexpr int REST_SIZE = STORED_SIZE - REST_OFFSET;

    EDeathParams() { Reset(); }
    void Reset()
    {
        std::memset(this, 0, sizeof *this);
        bBulletHits = 1;
        bExplosions = 1;
        bFlag8 = 1;
        bFlag12 = 1;
        fHitPoints = 100.0f;
    }

    BYTE bEnabled;
    char szHandleDeathIf[32];
    float fKillIfPlayerCloserThan;
    BYTE bBulletHits;
    BYTE bExplosions;
    BYTE bFlag8;
    BYTE bFlag12;
    float fHitPoints; // becomes the object's health
    BYTE aRest[REST_SIZE];
};
