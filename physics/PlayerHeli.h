#pragma once
// CPlayerHeli: the helicopter the player flies.
// STAND-IN: only the flown object; the vehicle work replaces it.

#include "world/ObjectHandle.h"

class CPlayerHeli
{
public:
    virtual ~CPlayerHeli() = default;
    // The player leaves the helicopter.
    void Exit() { m_hObject = nullptr; }

    HOBJECT m_hObject = nullptr; // the helicopter being flown, or null
};

inline CPlayerHeli g_PlayerHeli;
