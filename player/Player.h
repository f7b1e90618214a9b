#pragma once
// CPlayer: the hero.
// STAND-IN: only the calls the settings make, keeping their values; the
// player work replaces this file with the whole CPlayer and keeps these calls.

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

class CPlayer
{
public:
    virtual ~CPlayer() = default;

    void SetCombatMode(bool on);
    void TeleportTo(const D3DVECTOR* position);
    void SetHealth(float value, BYTE force = 0);
    // STAND-IN: the hero's camera and weapon view come with the player work.
    void UpdateCamera() {}
    // STAND-IN: the hero's level start, frame, look step and level end. The
    // frame only steps the physics world, as the hero's frame does first.
    void Init() {}
    void Update();
    void UpdateLook() {}
    void Release() {}
    // STAND-IN: the helicopter's HUD while the hero flies one.
    void RenderHeliHud() {}
    int m_iForceCrouch = 0; // input steps the hero is made to crouch

    BYTE m_bCombatMode = 0;
    D3DVECTOR m_vPosition = {0.0f, 0.0f, 0.0f};
    // STAND-IN: what the items and weapons read of the hero until the hero's
    // own work builds him: his object, the half size of his box, and his
    // ground, run and move bytes.
    HOBJECT m_hObject = nullptr;
    D3DVECTOR m_vHalfExtents = {0.5f, 1.8f, 0.5f};
    BYTE m_bCanMove = 1;
    BYTE m_bRunning = 0;
    BYTE m_bMoving = 0;
    float m_fHealth = 100.0f;
    // STAND-IN: the player byte kept as the last byte of "save\keys.cfg".
    BYTE m_bKeysByte = 0;
};

extern CPlayer Player;

// STAND-IN: the fields of the hero's shared state record that the game layer
// and the script variables write; the hero's health work replaces it with the
// whole record in its stored layout.
struct EPlayerStats
{
    BYTE m_bMissionFailed = 0;
    int m_iFailReason = 0;
    float m_fLevelTime = 0.0f;
};

extern EPlayerStats PlayerStats;
