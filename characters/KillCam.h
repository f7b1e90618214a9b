#pragma once
// CKillCam: the slow-motion camera on a character's death.
// STAND-IN: never runs; the character work replaces it.

#include "platform/win32/WinTypes.h"

class CKillCam
{
public:
    virtual ~CKillCam() = default;
    void Reset() { m_bRunning = 0; }
    BYTE m_bRunning = 0; // the kill camera holds the view
};

inline CKillCam OBE;
