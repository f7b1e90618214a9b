#pragma once
// Rockets the world fires rather than a held weapon: the level scripts' and
// the mission's launchers and the scripted helicopters. Each is the flight
// effect "rakieta_pocisk" carrying the item "glauncher", so its hit and its
// explosion go through the launcher's own handling.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

struct EFxInstance;
struct strSound;

struct RocketLaunch
{
    D3DXVECTOR3 vFrom = {0.0f, 0.0f, 0.0f};
    // Need not be of unit length; a zero or non-finite one launches nothing.
    D3DXVECTOR3 vDirection = {0.0f, 0.0f, 0.0f};
    float fSpeed = 0.0f;
    HOBJECT hShooter = nullptr;
    // Above 0, the flight ends after this many seconds; otherwise the effect's own life holds.
    float fLifeLeft = 0.0f;
    // The looping flight sound and its range; none without a name.
    const char* szSound = nullptr;
    float fSoundRange = 0.0f;
};

constexpr const char* ROCKET_FLIGHT_EFFECT = "rakieta_pocisk";
constexpr const char* ROCKET_ITEM = "glauncher";
constexpr const char* ROCKET_SOUND = "sounds\\weapons\\rocket.wav";

// The started flight, or null when none was (an unknown effect, a full pool,
// no direction).
EFxInstance* LaunchWorldRocket(const RocketLaunch& launch);
